// Facts of a loaded movie read from its indexed boxes: frame size, sample count, frame rate and the
// recording time of its first GPS record. Every read is bounded by the payload copy it reads.
#include "playcore/bytes/byte_reader.h"
#include "playcore/mp4/mp4_movie.h"
#include "playcore/recorder/movie_boxes.h"
#include "playcore/recorder/record_text.h"

namespace playcore {

namespace {

// Visual sample entry: the width and height follow 40 bytes of "stsd" payload (version and flags,
// entry count, entry size and type, reserved and reference index, pre-defined fields).
constexpr size_t kStsdWidthOffset = 40;
constexpr double kMicrosecondsPerSecond = 1000000.0;

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
  uint32_t count = 0;
  if (!ParseStszCount(stsz->payload.data(), stsz->payload.size(), &count)) return -1;
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

// The fix time is read as the recorder's reader reads it: the calendar time of the text plus the
// signed seconds after it, the epoch in local time for a text that forms no time.
int sMP4MOVIE::GetRecordTime(SYSTEMTIME* out) const {
  if (index_[kIdxGps0].empty()) return 0;
  const sTAGNODE* gps = index_[kIdxGps0].front();
  if (!gps->gpsWellFormed || gps->gpsRecordCount == 0) return 0;
  MappedView view = map_.Map(gps->payloadOffset + kGpsPayloadRecordsOffset, gpsbox::kRecordSize);
  if (!view) return 0;
  SYSTEMTIME st;
  if (!ParseRecordTime(view.data(), view.size(), &st)) return 0;
  *out = st;
  return 1;
}

}  // namespace playcore
