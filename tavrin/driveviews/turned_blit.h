// A masked copy of a picture onto a parallelogram, as PlgBlt does it, done on pixels. Wine's PlgBlt
// cannot turn a picture (it draws the parallelogram's bounding box unturned and leaves the mask out),
// so the gauges use this there; Windows keeps PlgBlt.
#pragma once

#include <windows.h>

#include <cstdint>

namespace quill::driveviews {

// 32-bit pixels, top-down rows.
struct PixelBlock {
  uint32_t* pixels;
  int width;
  int height;
};

// Copies each pixel of `source` whose `mask` pixel is not 0 onto the parallelogram `corners`
// (upper-left, upper-right, lower-left of the source, in the coordinates of `target`), sampling the
// source at the nearest pixel. Pixels outside `target` are left out. False for an empty source or a
// degenerate parallelogram.
bool TurnedCopy(const PixelBlock& target, const POINT corners[3], const PixelBlock& source,
                const PixelBlock& mask);

// PlgBlt's work through TurnedCopy: `source` (selected in sourceDC) at its own size w x h with the
// monochrome `mask`, onto `corners` of the bitmap selected in `target`.
bool TurnedBlt(HDC target, const POINT corners[3], HDC sourceDC, int w, int h, HBITMAP mask);

}  // namespace quill::driveviews
