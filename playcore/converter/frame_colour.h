// The decoded picture's colour conversion on the processor, used when no video processor transform
// takes the source's IYUV frames: integer BT.601 (studio range), each 2 x 2 block sharing one U and
// one V sample, alpha 0xFF.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace playcore {

// The bytes an IYUV frame of width x height with a luma pitch of `pitch` occupies (three planes, the
// chroma planes at half the pitch); 0 when the pitch is below the width or the size overflows.
size_t IyuvFrameBytes(UINT width, UINT height, UINT pitch);

// Converts the top-left width x height of an IYUV frame into 32-bit BGRA rows (`dstPitch` bytes
// apart, top-down). The frame's planes hold `planeHeight` rows (0: `height`; a decoder may pad them
// below the picture). False, with nothing written, when `srcSize` is shorter than the frame needs.
bool IyuvToBgra(const uint8_t* src, size_t srcSize, UINT width, UINT height, UINT pitch,
                uint8_t* dst, UINT dstPitch, UINT planeHeight = 0);

}  // namespace playcore
