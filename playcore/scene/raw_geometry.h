// Screen-space geometry of the textured-quad family, as plain data: the flat view's quad (with its
// mirror and its destination rectangle), the converter's fisheye-to-panorama grid, the outlines of
// mask rectangles and the mosaic that hides them in converted frames.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <vector>

namespace playcore {

// x, y (pixels), z, rhw (always 1.0), colour, u, v: 28 bytes (XYZRHW | DIFFUSE | TEX1).
struct ScreenVertex {
  float x, y, z, rhw;
  uint32_t colour;
  float u, v;
};
static_assert(sizeof(ScreenVertex) == 28, "screen vertex layout");

// x, y, z, rhw, colour: 20 bytes (XYZRHW | DIFFUSE), the outline lines.
struct LineVertex {
  float x, y, z, rhw;
  uint32_t colour;
};
static_assert(sizeof(LineVertex) == 20, "line vertex layout");

// ---- flat view quad ----
constexpr int kQuadVertices = 4;

// The quad (0,0), (w,0), (0,h), (w,h) at z = 1.0 with v = 0, 0, 1, 1 and u = 0, 1, 0, 1, or
// 1, 0, 1, 0 when mirrored.
std::array<ScreenVertex, kQuadVertices> FlatQuad(float width, float height, bool mirrored);
// Rewrites the u coordinates of a quad for the mirror flag (v stays).
void SetQuadMirror(ScreenVertex* quad, bool mirrored);
// The destination rectangle (in client pixels of the video window) scaled to a width x height
// target: an axis whose client size is 0 is scaled by 1.0.
void PlaceQuad(ScreenVertex* quad, const RECT& dest, const RECT& client, UINT width, UINT height);

// ---- converter's panorama grid ----
constexpr int kPanoramaColumns = 960;
constexpr int kPanoramaRows = 480;
constexpr int kCellVertices = 6;
constexpr size_t kPanoramaVertices =
    static_cast<size_t>(kPanoramaColumns) * kPanoramaRows * kCellVertices;  // 2,764,800
constexpr UINT kPanoramaTriangles = kPanoramaColumns * kPanoramaRows * 2;       // 921,600

// Cell (i, j)'s six vertices at index (j * 960 + i) * 6; z 0, rhw 1.0, white. `vertices` must hold
// kPanoramaVertices.
void SetPanoramaPositions(std::vector<ScreenVertex>* vertices, UINT width, UINT height);
// The fisheye coordinate a pixel of the panorama shows: longitude across the width, the picture's
// rim (radius 0.572) along the top edge and its centre along the bottom edge.
void PanoramaTextureCoordinate(float x, float y, float width, float height, float* u, float* v);
// The texture coordinates of every vertex of the grid SetPanoramaPositions made: each of the
// 961 x 481 grid points is computed once and given to the (up to six) vertices on it, with exactly
// the values PanoramaTextureCoordinate gives each vertex's own position.
void SetPanoramaTextureCoordinates(std::vector<ScreenVertex>* vertices, UINT width, UINT height);

// ---- masks ----
// A rectangle with left <= right and top <= bottom.
RECT NormalisedRect(const RECT& rect);
// The two-pixel red outline drawn inwards: two passes (k = 0, 1) of four lines, 16 line-list
// vertices.
std::array<LineVertex, 16> MaskOutline(const RECT& rect);
constexpr uint32_t kMaskOutlineColour = 0xFFFF0000;

// Replaces each 9 x 9 block of the rectangle in a bottom-up 32-bit BGRA frame by the average of its
// pixels inside the frame (colour channels only). Nothing is written outside the frame, and nothing
// at all when the buffer is smaller than width x height x 4.
void MosaicRect(std::vector<uint8_t>* frame, UINT width, UINT height, const RECT& rect);

}  // namespace playcore
