#include "playcore/recorder/movie_boxes.h"

#include "playcore/bytes/byte_reader.h"
#include "playcore/recorder/box_header.h"

namespace playcore {

namespace {
constexpr size_t kFullBoxFields = 4;     // version (1 byte) + flags (3 bytes)
constexpr size_t kSttsEntrySize = 8;     // sample count, sample delta
constexpr uint64_t kMicrosecondsPerMillisecond = 1000;
constexpr size_t kMvhdV0TimeScaleOffset = 12;
constexpr size_t kMvhdV1TimeScaleOffset = 20;
constexpr size_t kStszCountOffset = 8;
}  // namespace

bool ParseSttsTimeScale(const uint8_t* payload, size_t length, float* timeScale) {
  ByteReader r(payload, length);
  uint32_t entries = 0;
  if (!r.Skip(kFullBoxFields) || !r.ReadU32(&entries)) return false;
  uint64_t held = r.remaining() / kSttsEntrySize;
  uint64_t count = entries < held ? entries : held;
  uint64_t sum = 0;  // 64 bits: 2^32 entries of 32-bit deltas cannot overflow it
  for (uint64_t i = 0; i < count; ++i) {
    uint32_t samples = 0, delta = 0;
    r.ReadU32(&samples);
    r.ReadU32(&delta);
    sum += delta;
  }
  *timeScale = count == 0 ? 0.0f
                          : static_cast<float>(sum / count / kMicrosecondsPerMillisecond);
  return true;
}

bool ParseMvhdRatio(const uint8_t* payload, size_t length, float* ratio) {
  ByteReader r(payload, length);
  uint8_t version = 0;
  if (!r.ReadU8(&version)) return false;
  uint32_t timeScale = 0;
  uint64_t duration = 0;
  if (version == 1) {
    if (!r.Seek(kMvhdV1TimeScaleOffset) || !r.ReadU32(&timeScale) || !r.ReadU64(&duration)) {
      return false;
    }
  } else {
    uint32_t d32 = 0;
    if (!r.Seek(kMvhdV0TimeScaleOffset) || !r.ReadU32(&timeScale) || !r.ReadU32(&d32)) return false;
    duration = d32;
  }
  *ratio = timeScale == 0 ? 0.0f : static_cast<float>(duration) / static_cast<float>(timeScale);
  return true;
}

bool ParseStszCount(const uint8_t* payload, size_t length, uint32_t* count) {
  ByteReader r(payload, length);
  return r.Seek(kStszCountOffset) && r.ReadU32(count);
}

bool ParseMdatSize(const uint8_t* box, size_t length, uint64_t bytesToEnd, uint64_t* size) {
  sBOXHEADER h;
  if (ReadBoxHeader(box, length, bytesToEnd, true, &h) != BoxHeaderResult::kOk) return false;
  *size = h.size;
  return true;
}

}  // namespace playcore
