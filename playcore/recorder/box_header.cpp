#include "playcore/recorder/box_header.h"

#include "playcore/bytes/byte_reader.h"

namespace playcore {

namespace {
constexpr uint32_t kSizeToEndOfFile = 0;
constexpr uint32_t kSizeIsLarge = 1;
}  // namespace

BoxHeaderResult ReadBoxHeader(const uint8_t* data, size_t length, uint64_t room, bool topLevel,
                              sBOXHEADER* out) {
  ByteReader r(data, length);
  uint32_t size32 = 0, type = 0;
  if (room < kBoxHeaderSize) return BoxHeaderResult::kCorrupt;  // no box fits in what is left
  if (!r.ReadU32(&size32) || !r.ReadFourCC(&type)) return BoxHeaderResult::kTruncated;
  sBOXHEADER h = {size32, type, kBoxHeaderSize};
  if (size32 == kSizeIsLarge) {
    if (room < kLargeBoxHeaderSize) return BoxHeaderResult::kCorrupt;
    if (!r.ReadU64(&h.size)) return BoxHeaderResult::kTruncated;
    h.headerSize = kLargeBoxHeaderSize;
  } else if (size32 == kSizeToEndOfFile) {
    if (!topLevel) return BoxHeaderResult::kCorrupt;
    h.size = room;
  }
  if (h.size < h.headerSize || h.size > room) return BoxHeaderResult::kCorrupt;
  *out = h;
  return BoxHeaderResult::kOk;
}

}  // namespace playcore
