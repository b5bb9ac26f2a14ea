// Reading one MP4 box header from bytes in memory. A walk over boxes must always move forward:
// the header reader turns every size field into either a size of at least the header's own length or
// a refusal, so no walk can stay in place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace playcore {

struct sBOXHEADER {
  uint64_t size;        // the whole box, header included
  uint32_t type;        // four-character code, big-endian number
  uint32_t headerSize;  // 8, or 16 when the size is the 64-bit field after the type
};

enum class BoxHeaderResult {
  kOk,
  kTruncated,  // the bytes end inside the header
  kCorrupt,    // a size below the header, or a box past its parent or the file
};

constexpr uint32_t kBoxHeaderSize = 8;
constexpr uint32_t kLargeBoxHeaderSize = 16;

// `data`/`length`: the bytes mapped from the box's first byte on. `room`: bytes from the box's first
// byte to the end of its parent (or of the file at top level). Size 1 takes the 64-bit size; size 0
// runs to the end of the file and is allowed only at top level.
BoxHeaderResult ReadBoxHeader(const uint8_t* data, size_t length, uint64_t room, bool topLevel,
                              sBOXHEADER* out);

}  // namespace playcore
