// The joined "gps0" payload: header from the first recording, records of all, copied file to file.
// The layout is the recorder reader's (playcore/recorder/gps_box_format.h).
#include "playcore/mp4/gps_box_writer.h"

namespace playcore {

namespace {

// Status 'V' (no fix), zero coordinates and speed, an all-zero time text (no calendar date), no seconds
// offset, and an event block with zero values and no marks.
constexpr char kFillRecord[] =
    "$0000V0000.0000N00000.0000E0000000000000000,***000.0G-SEN000000000000000---0000";
static_assert(sizeof kFillRecord - 1 == gpsbox::kRecordSize, "one record");

bool WriteFill(uint64_t records, OutputFile* out) {
  for (uint64_t k = 0; k < records; ++k) {
    if (!out->Write(kFillRecord, gpsbox::kRecordSize)) return false;
  }
  return true;
}

}  // namespace

uint64_t GpsTotalRecords(const sTAGNODE& first) {
  return first.gpsJoinedCount ? first.gpsJoinedCount : first.gpsRecordCount;
}

bool WriteGpsPayload(const sTAGNODE& first, OutputFile* out) {
  uint64_t total = GpsTotalRecords(first);
  if (!first.gpsWellFormed || total > kGpsMaxRecords) return false;
  uint64_t sum = first.gpsRecordCount;
  for (const sTAGNODE* part : first.chain) {
    if (!part->gpsWellFormed) return false;
    sum += part->gpsRecordCount;
  }
  // The count field and the records written must agree, or readers lose records.
  if (sum != total) return false;
  if (!out->Write(gpsbox::kDataMark, gpsbox::kMarkSize)) return false;
  if (!out->CopyRange(*first.map, first.payloadOffsetRead + kGpsPayloadHeaderOffset, gpsbox::kDataHeaderSize))
    return false;
  if (!out->WriteU16(static_cast<uint16_t>(total))) return false;
  if (!out->CopyRange(*first.map, first.payloadOffsetRead + kGpsPayloadRecordsOffset, first.gpsRecordBytes))
    return false;
  for (const sTAGNODE* part : first.chain) {
    bool ok = part->map ? out->CopyRange(*part->map, part->payloadOffsetRead + kGpsPayloadRecordsOffset,
                                         part->gpsRecordBytes)
                        : WriteFill(part->gpsRecordCount, out);
    if (!ok) return false;
  }
  return out->Write(gpsbox::kEndMark, gpsbox::kMarkSize);
}

}  // namespace playcore
