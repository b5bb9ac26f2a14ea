// IYUV to BGRA with the integer BT.601 matrix.
#include "playcore/converter/frame_colour.h"

#include "playcore/bytes/checked.h"

namespace playcore {
namespace {

inline uint8_t Clip(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

}  // namespace

size_t IyuvFrameBytes(UINT width, UINT height, UINT pitch) {
  if (width == 0 || height == 0 || pitch < width) return 0;
  const size_t chromaPitch = (static_cast<size_t>(pitch) + 1) / 2;
  const size_t chromaRows = (static_cast<size_t>(height) + 1) / 2;
  size_t luma = 0, chroma = 0, total = 0;
  if (!CheckedMul<size_t>(pitch, height, &luma) ||
      !CheckedMul<size_t>(chromaPitch, chromaRows, &chroma) ||
      !CheckedMul<size_t>(chroma, 2, &chroma) || !CheckedAdd<size_t>(luma, chroma, &total)) {
    return 0;
  }
  return total;
}

bool IyuvToBgra(const uint8_t* src, size_t srcSize, UINT width, UINT height, UINT pitch,
                uint8_t* dst, UINT dstPitch, UINT planeHeight) {
  if (planeHeight == 0) planeHeight = height;
  if (planeHeight < height) return false;
  const size_t need = IyuvFrameBytes(width, planeHeight, pitch);
  if (!src || !dst || need == 0 || srcSize < need || dstPitch < width * 4u) return false;
  const size_t chromaPitch = (static_cast<size_t>(pitch) + 1) / 2;
  const size_t chromaRows = (static_cast<size_t>(planeHeight) + 1) / 2;
  const uint8_t* uPlane = src + static_cast<size_t>(pitch) * planeHeight;
  const uint8_t* vPlane = uPlane + chromaPitch * chromaRows;
  for (UINT y = 0; y < height; ++y) {
    const uint8_t* yRow = src + static_cast<size_t>(y) * pitch;
    const uint8_t* uRow = uPlane + (y / 2) * chromaPitch;
    const uint8_t* vRow = vPlane + (y / 2) * chromaPitch;
    uint8_t* out = dst + static_cast<size_t>(y) * dstPitch;
    for (UINT x = 0; x < width; ++x) {
      const int c = yRow[x] - 16, d = uRow[x / 2] - 128, e = vRow[x / 2] - 128;
      out[0] = Clip((298 * c + 516 * d + 128) >> 8);
      out[1] = Clip((298 * c - 100 * d - 208 * e + 128) >> 8);
      out[2] = Clip((298 * c + 409 * e + 128) >> 8);
      out[3] = 0xFF;
      out += 4;
    }
  }
  return true;
}

}  // namespace playcore
