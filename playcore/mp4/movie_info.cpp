// Facts of a loaded movie read from its indexed boxes: frame size, sample count, frame rate and the
// recording time of its first GPS record. Every read is bounded by the payload copy it reads.
#include <cstdlib>

#include "playcore/bytes/byte_reader.h"
#include "playcore/bytes/checked.h"
#include "playcore/mp4/mp4_movie.h"

namespace playcore {

namespace {

// Visual sample entry: the width and height follow 40 bytes of "stsd" payload (version and flags,
// entry count, entry size and type, reserved and reference index, pre-defined fields).
constexpr size_t kStsdWidthOffset = 40;
constexpr size_t kStszCountOffset = 8;
constexpr double kMicrosecondsPerSecond = 1000000.0;
// First GPS record inside the "gps0" payload, and the fields of its fix time.
constexpr uint64_t kFirstRecordOffset = 34;
constexpr size_t kTimeTextOffset = 31;
constexpr size_t kOffsetTextOffset = 44;
constexpr size_t kOffsetTextWidth = 3;
constexpr int kYearBase = 2000;
constexpr uint64_t kFileTimeUnitsPerSecond = 10000000;
constexpr uint64_t kFileTimeTo1970 = 116444736000000000ULL;

bool TwoDigits(const uint8_t* p, WORD* out) {
  if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9') return false;
  *out = static_cast<WORD>((p[0] - '0') * 10 + (p[1] - '0'));
  return true;
}

// The fix time of a record as the calendar time of its text plus the signed seconds that follow it;
// 0 seconds since 1970 when the text is no calendar time.
bool RecordFileTime(const uint8_t* record, FILETIME* out) {
  SYSTEMTIME st = {};
  const uint8_t* t = record + kTimeTextOffset;
  bool ok = TwoDigits(t, &st.wYear) && TwoDigits(t + 2, &st.wMonth) && TwoDigits(t + 4, &st.wDay) &&
            TwoDigits(t + 6, &st.wHour) && TwoDigits(t + 8, &st.wMinute) && TwoDigits(t + 10, &st.wSecond);
  st.wYear = static_cast<WORD>(st.wYear + kYearBase);
  ULARGE_INTEGER v;
  FILETIME ft;
  if (ok && SystemTimeToFileTime(&st, &ft)) {
    v.LowPart = ft.dwLowDateTime;
    v.HighPart = ft.dwHighDateTime;
    if (record[kOffsetTextOffset] != '*') {
      char text[kOffsetTextWidth + 1];
      long seconds = std::strtol(FixedText(record + kOffsetTextOffset, kOffsetTextWidth, text), nullptr, 10);
      v.QuadPart += static_cast<int64_t>(seconds) * static_cast<int64_t>(kFileTimeUnitsPerSecond);
    }
  } else {
    // The epoch as local time, as the recorder's own viewer has always shown a bad time.
    FILETIME epoch;
    ULARGE_INTEGER e;
    e.QuadPart = kFileTimeTo1970;
    epoch.dwLowDateTime = e.LowPart;
    epoch.dwHighDateTime = e.HighPart;
    if (!FileTimeToLocalFileTime(&epoch, &ft)) return false;
    v.LowPart = ft.dwLowDateTime;
    v.HighPart = ft.dwHighDateTime;
  }
  out->dwLowDateTime = v.LowPart;
  out->dwHighDateTime = v.HighPart;
  return true;
}

}  // namespace

bool sMP4MOVIE::GetVideoSize(int* width, int* height) const {
  *width = -1;
  *height = -1;
  if (index_[kIdxStsd].empty()) return false;
  const sTAGNODE* stsd = index_[kIdxStsd].front();
  ByteReader r(stsd->payload.data(), stsd->payload.size());
  uint16_t w = 0, h = 0;
  if (!r.Seek(kStsdWidthOffset) || !r.ReadU16(&w) || !r.ReadU16(&h)) return false;
  *width = w;
  *height = h;
  return true;
}

int64_t sMP4MOVIE::GetSampleCount() const {
  if (index_[kIdxStsz].empty()) return -1;
  const sTAGNODE* stsz = index_[kIdxStsz].front();
  ByteReader r(stsz->payload.data(), stsz->payload.size());
  uint32_t count = 0;
  if (!r.Seek(kStszCountOffset) || !r.ReadU32(&count)) return -1;
  return count;
}

float sMP4MOVIE::GetFrameRate() const {
  if (index_[kIdxStts].empty()) return -1.0f;
  const sTAGNODE* stts = index_[kIdxStts].front();
  ByteReader r(stts->payload.data(), stts->payload.size());
  uint32_t entries = 0;
  if (!r.Skip(4) || !r.ReadU32(&entries)) return -1.0f;
  uint64_t total = 0, samples = 0;
  for (uint32_t i = 0; i < entries; ++i) {
    uint32_t count = 0, delta = 0;
    if (!r.ReadU32(&count) || !r.ReadU32(&delta)) return -1.0f;  // count past the box
    total += static_cast<uint64_t>(count) * delta;
    samples += count;
  }
  if (samples == 0 || total / samples == 0) return -1.0f;
  return static_cast<float>(kMicrosecondsPerSecond / static_cast<double>(total / samples));
}

int sMP4MOVIE::GetRecordTime(SYSTEMTIME* out) const {
  if (index_[kIdxGps0].empty()) return 0;
  const sTAGNODE* gps = index_[kIdxGps0].front();
  if (!gps->gpsWellFormed || gps->gpsRecordCount == 0) return 0;
  MappedView view = map_.Map(gps->payloadOffset + kFirstRecordOffset, kGpsRecordSize);
  if (!view) return 0;
  FILETIME ft;
  if (!RecordFileTime(view.data(), &ft)) return 0;
  if (ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0) return 1;
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&ft, &st)) return 0;
  *out = st;
  return 1;
}

}  // namespace playcore
