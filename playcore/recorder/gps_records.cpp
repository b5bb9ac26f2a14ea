#include "playcore/recorder/gps_records.h"

#include "playcore/bytes/byte_reader.h"
#include "playcore/recorder/gps_box_format.h"
#include "playcore/recorder/record_text.h"

#include <cstring>

namespace playcore {
namespace {

using namespace gpsbox;

constexpr double kMilliG = 1000.0;
constexpr uint8_t kNibbleMask = 0x0F;
constexpr int kNibbleShift = 4;

int32_t AxisCode(uint8_t letter) {
  switch (letter) {
    case 'X': return 2;
    case 'Y': return 3;
    case 'Z': return 1;
    default: return 0;
  }
}

double EventValue(const uint8_t* block, size_t offset) {
  return ParseDecimalText(block + offset, kEventValueWidth) / kMilliG;
}

float GroupValue(const uint8_t* group, size_t offset) {
  return static_cast<float>(ParseDecimalText(group + offset, kGroupValueWidth)) /
         static_cast<float>(kMilliG);
}

bool ChainsToNextGroup(const uint8_t* group) {
  const uint8_t* mark = group + kGroupChainOffset;
  uint8_t letter = mark[3];
  return std::memcmp(mark, kGroupChainMark, 3) == 0 && letter >= 'A' && letter <= 'Z';
}

// The shared record walk: `visit(record, number, next)` for each record the bytes hold.
template <class Visit>
int WalkRecords(const uint8_t* data, size_t length, int32_t* counter, Visit visit) {
  if (length < kRecordsOffset) return 0;  // not even the count
  uint32_t count = AvailableGpsRecords(data, length);
  *counter = 0;
  for (uint32_t k = 0; k < count; ++k) {
    // AvailableGpsRecords leaves room for the trailing mark, so the byte after a record is there.
    const uint8_t* record = data + kRecordsOffset + static_cast<size_t>(k) * kRecordSize;
    visit(record, *counter, record[kRecordSize]);
    ++*counter;
  }
  *counter -= 1;
  return 1;
}

}  // namespace

uint32_t AvailableGpsRecords(const uint8_t* data, size_t length) {
  ByteReader r(data, length);
  uint16_t n = 0;
  if (!r.Skip(kCountOffset) || !r.ReadU16(&n)) return 0;
  const size_t kFixed = kRecordsOffset + kMarkSize;
  size_t room = length >= kFixed ? (length - kFixed) / kRecordSize : 0;
  return n < room ? n : static_cast<uint32_t>(room);
}

sGPSPOINT ReadGpsPoint(const uint8_t* record, int32_t recordNumber) {
  sGPSPOINT p = {};
  p.recordNumber = recordNumber;
  p.positionKey = recordNumber * kPositionKeyPerRecord;
  p.valid = record[kStatusOffset] == kStatusValid ? 1 : 0;
  p.latitude = DegreesFromText(record + kLatitudeOffset, kLatitudeWidth,
                               record[kLatitudeHemisphereOffset]);
  p.longitude = DegreesFromText(record + kLongitudeOffset, kLongitudeWidth,
                                record[kLongitudeHemisphereOffset]);
  p.number = ParseDecimalText(record + kNumberOffset, kNumberWidth);
  SYSTEMTIME t;
  FILETIME check;
  if (ParseRecordTime(record, kRecordSize, &t) && SystemTimeToFileTime(&t, &check) &&
      (check.dwLowDateTime != 0 || check.dwHighDateTime != 0)) {
    p.localTime = t;
  }
  return p;
}

sEVENTRECORD ReadEventRecord(const uint8_t* record, int32_t recordNumber, uint8_t next) {
  const uint8_t* block = record + kEventBlockOffset;
  sEVENTRECORD e = {};
  e.recordNumber = recordNumber;
  e.positionKey = recordNumber * kPositionKeyPerRecord;
  if (block[kEventType5Offset] == kEventMark) {
    e.type = kEventTypeD20;
  } else if (block[kEventType7Offset] == kEventMark) {
    e.type = kEventTypeD22;
  } else {
    e.type = kEventTypeNone;
  }
  e.axis = AxisCode(block[kEventAxisOffset]);
  e.value1 = EventValue(block, kEventValue1Offset);
  e.value2 = EventValue(block, kEventValue2Offset);
  e.value3 = EventValue(block, kEventValue3Offset);
  e.flags = block[kEventFlagOffset];
  e.highNibble = (next >> kNibbleShift) & kNibbleMask;
  e.lowNibble = next & kNibbleMask;
  return e;
}

int ParseGpsEventRecords(const uint8_t* data, size_t length, std::vector<sGPSPOINT>* points,
                         std::vector<sEVENTRECORD>* events, int32_t* counter) {
  uint32_t count = AvailableGpsRecords(data, length);
  points->reserve(points->size() + count);
  events->reserve(events->size() + count);
  return WalkRecords(data, length, counter, [&](const uint8_t* record, int32_t k, uint8_t next) {
    points->push_back(ReadGpsPoint(record, k));
    events->push_back(ReadEventRecord(record, k, next));
  });
}

int ParseGpsPoints(const uint8_t* data, size_t length, std::vector<sGPSPOINT>* points,
                   int32_t* counter) {
  points->reserve(points->size() + AvailableGpsRecords(data, length));
  return WalkRecords(data, length, counter, [&](const uint8_t* record, int32_t k, uint8_t) {
    points->push_back(ReadGpsPoint(record, k));
  });
}

int ParseSensorHeader(const uint8_t* data, size_t length, sGSENSORSAMPLE* sample) {
  int groups = 0;
  for (size_t offset = 0;; offset += kGroupStride) {
    ByteReader r(data, length);
    ByteReader group;
    // A group needs its tag byte; a chained group the bytes do not hold ends the chain.
    if (!r.Skip(offset) || !r.Sub(kGroupTagOffset + 1, &group)) {
      if (groups == 0) {  // not even one group: no sample, and no tag was found
        sample->value1 = sample->value2 = sample->value3 = -1.0f;
        sample->tag = '\0';
      }
      break;
    }
    const uint8_t* g = group.data();
    uint8_t tag = g[kGroupTagOffset];
    if (tag != 'N' && tag != 'P') {
      sample->value1 = sample->value2 = sample->value3 = -1.0f;
      sample->tag = static_cast<char>(tag);
      return 0;
    }
    *sample = sGSENSORSAMPLE{};
    sample->value1 = GroupValue(g, kGroupValue1Offset);
    sample->value2 = GroupValue(g, kGroupValue2Offset);
    sample->value3 = GroupValue(g, kGroupValue3Offset);
    sample->tag = static_cast<char>(tag);
    std::memcpy(sample->raw, g, kGroupRawSize);
    ++groups;
    ByteReader chain(data, length);
    if (!chain.Skip(offset) || !chain.HasBytes(kGroupStride) || !ChainsToNextGroup(g)) break;
  }
  return groups * static_cast<int>(kGroupConsumed);
}

}  // namespace playcore
