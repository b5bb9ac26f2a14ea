// Screen-space geometry of the textured-quad family.
#include "playcore/scene/raw_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace playcore {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr float kPi = 3.1415927f;
constexpr float kPanoramaScale = 0.286f;
constexpr int kMosaicBlock = 9;
// A block with corner (bx, by) covers columns bx-1 .. bx+7 and picture rows by-7 .. by+1.
constexpr int kMosaicLeftReach = 1;
constexpr int kMosaicUpReach = 7;
constexpr int kBytesPerPixel = 4;

// The first origin start + 9k (k >= 0) that is at least `lowest`.
int64_t FirstOriginFrom(int64_t start, int64_t lowest) {
  if (start >= lowest) return start;
  return start + ((lowest - start + kMosaicBlock - 1) / kMosaicBlock) * kMosaicBlock;
}

}  // namespace

std::array<ScreenVertex, kQuadVertices> FlatQuad(float width, float height, bool mirrored) {
  std::array<ScreenVertex, kQuadVertices> quad = {{{0, 0, 1, 1, kWhite, 0, 0},
                                                   {width, 0, 1, 1, kWhite, 0, 0},
                                                   {0, height, 1, 1, kWhite, 0, 1},
                                                   {width, height, 1, 1, kWhite, 0, 1}}};
  SetQuadMirror(quad.data(), mirrored);
  return quad;
}

void SetQuadMirror(ScreenVertex* quad, bool mirrored) {
  const float u[kQuadVertices] = {0, 1, 0, 1};
  for (int i = 0; i < kQuadVertices; ++i) quad[i].u = mirrored ? 1.0f - u[i] : u[i];
}

void PlaceQuad(ScreenVertex* quad, const RECT& dest, const RECT& client, UINT width, UINT height) {
  const LONG clientWidth = client.right - client.left;
  const LONG clientHeight = client.bottom - client.top;
  const float sx = clientWidth != 0 ? static_cast<float>(width) / clientWidth : 1.0f;
  const float sy = clientHeight != 0 ? static_cast<float>(height) / clientHeight : 1.0f;
  const float left = dest.left * sx, right = dest.right * sx;
  const float top = dest.top * sy, bottom = dest.bottom * sy;
  const float xy[kQuadVertices][2] = {{left, top}, {right, top}, {left, bottom}, {right, bottom}};
  for (int i = 0; i < kQuadVertices; ++i) {
    quad[i].x = xy[i][0];
    quad[i].y = xy[i][1];
  }
}

void SetPanoramaPositions(std::vector<ScreenVertex>* vertices, UINT width, UINT height) {
  if (vertices->size() < kPanoramaVertices) return;
  const float cellWidth = static_cast<float>(width) / kPanoramaColumns;
  const float cellHeight = static_cast<float>(height) / kPanoramaRows;
  ScreenVertex* out = vertices->data();
  for (int j = 0; j < kPanoramaRows; ++j) {
    const float y0 = j * cellHeight, y1 = (j + 1) * cellHeight;
    for (int i = 0; i < kPanoramaColumns; ++i) {
      const float x0 = i * cellWidth, x1 = (i + 1) * cellWidth;
      const float corners[kCellVertices][2] = {{x0, y0}, {x1, y0}, {x0, y1},
                                               {x0, y1}, {x1, y0}, {x1, y1}};
      for (const auto& c : corners) {
        out->x = c[0];
        out->y = c[1];
        out->z = 0.0f;
        out->rhw = 1.0f;
        out->colour = kWhite;
        ++out;
      }
    }
  }
}

void PanoramaTextureCoordinate(float x, float y, float width, float height, float* u, float* v) {
  const float a = ((x / width) - 0.5f) * -2.0f;
  const float e = 0.25f - (((height - y) / height) - 0.5f) * 0.5f;
  const float p = (a + e) * kPi;
  const float m = (e - a) * kPi;
  *u = 0.5f - (std::sin(p) - std::sin(m)) * kPanoramaScale;
  *v = 0.5f - (std::cos(p) + std::cos(m)) * kPanoramaScale;
}

void SetPanoramaTextureCoordinates(std::vector<ScreenVertex>* vertices, UINT width, UINT height) {
  if (vertices->size() < kPanoramaVertices || width == 0 || height == 0) return;
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  // The grid points' positions as SetPanoramaPositions writes them (the same expressions, so the
  // same floats).
  const float cellWidth = w / kPanoramaColumns;
  const float cellHeight = h / kPanoramaRows;
  constexpr int kPointColumns = kPanoramaColumns + 1;
  std::vector<float> us(static_cast<size_t>(kPointColumns) * 2), vs(us.size());
  ScreenVertex* out = vertices->data();
  // Two rows of grid points at a time: the top and the bottom of one row of cells.
  float* rowU[2] = {us.data(), us.data() + kPointColumns};
  float* rowV[2] = {vs.data(), vs.data() + kPointColumns};
  const auto fillRow = [&](int j, int slot) {
    const float y = j * cellHeight;
    for (int i = 0; i < kPointColumns; ++i) {
      PanoramaTextureCoordinate(i * cellWidth, y, w, h, &rowU[slot][i], &rowV[slot][i]);
    }
  };
  fillRow(0, 0);
  for (int j = 0; j < kPanoramaRows; ++j) {
    const int top = j % 2, bottom = 1 - top;
    fillRow(j + 1, bottom);
    for (int i = 0; i < kPanoramaColumns; ++i) {
      // The cell's corners in SetPanoramaPositions' order: (x0,y0) (x1,y0) (x0,y1) (x0,y1) (x1,y0) (x1,y1).
      const int columns[kCellVertices] = {i, i + 1, i, i, i + 1, i + 1};
      const int rows[kCellVertices] = {top, top, bottom, bottom, top, bottom};
      for (int k = 0; k < kCellVertices; ++k) {
        out->u = rowU[rows[k]][columns[k]];
        out->v = rowV[rows[k]][columns[k]];
        ++out;
      }
    }
  }
}

RECT NormalisedRect(const RECT& rect) {
  return {std::min(rect.left, rect.right), std::min(rect.top, rect.bottom),
          std::max(rect.left, rect.right), std::max(rect.top, rect.bottom)};
}

std::array<LineVertex, 16> MaskOutline(const RECT& rect) {
  const RECT r = NormalisedRect(rect);
  const float x0 = static_cast<float>(r.left), y0 = static_cast<float>(r.top);
  const float w = static_cast<float>(r.right - r.left), h = static_cast<float>(r.bottom - r.top);
  std::array<LineVertex, 16> lines;
  size_t n = 0;
  for (int k = 0; k < 2; ++k) {
    const float left = x0 + k, top = y0 + k, right = x0 + w - k, bottom = y0 + h - k;
    const float points[8][2] = {{left, top},     {right, top},   {right, top}, {right, bottom},
                                {right, bottom}, {left, bottom}, {left, bottom}, {left, top}};
    for (const auto& p : points) lines[n++] = {p[0], p[1], 0.0f, 1.0f, kMaskOutlineColour};
  }
  return lines;
}

void MosaicRect(std::vector<uint8_t>* frame, UINT width, UINT height, const RECT& rect) {
  const uint64_t needed = static_cast<uint64_t>(width) * height * kBytesPerPixel;
  if (frame->size() < needed || width == 0 || height == 0) return;
  const RECT r = NormalisedRect(rect);
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  // Only block origins whose block can touch the frame are visited (the block grid still starts at
  // the rectangle's corner), so a huge rectangle costs no more than the frame.
  const int64_t top = FirstOriginFrom(r.top, -kMosaicBlock);
  const int64_t left = FirstOriginFrom(r.left, -kMosaicBlock);
  const int64_t bottom = std::min<int64_t>(r.bottom, static_cast<int64_t>(h) + kMosaicBlock);
  const int64_t right = std::min<int64_t>(r.right, static_cast<int64_t>(w) + kMosaicBlock);
  for (int64_t by = top; by <= bottom; by += kMosaicBlock) {
    for (int64_t bx = left; bx <= right; bx += kMosaicBlock) {
      // Clip the block to the frame: columns, and picture rows (top-down).
      const int c0 = std::max(0, static_cast<int>(bx) - kMosaicLeftReach);
      const int c1 = std::min(w - 1, static_cast<int>(bx) - kMosaicLeftReach + kMosaicBlock - 1);
      const int y0 = std::max(0, static_cast<int>(by) - kMosaicUpReach);
      const int y1 = std::min(h - 1, static_cast<int>(by) - kMosaicUpReach + kMosaicBlock - 1);
      if (c0 > c1 || y0 > y1) continue;
      const int count = (c1 - c0 + 1) * (y1 - y0 + 1);
      uint32_t sum[3] = {0, 0, 0};
      for (int y = y0; y <= y1; ++y) {
        const uint8_t* row = frame->data() + static_cast<size_t>(h - 1 - y) * w * kBytesPerPixel;
        for (int c = c0; c <= c1; ++c) {
          for (int ch = 0; ch < 3; ++ch) sum[ch] += row[c * kBytesPerPixel + ch];
        }
      }
      for (int y = y0; y <= y1; ++y) {
        uint8_t* row = frame->data() + static_cast<size_t>(h - 1 - y) * w * kBytesPerPixel;
        for (int c = c0; c <= c1; ++c) {
          for (int ch = 0; ch < 3; ++ch) {
            row[c * kBytesPerPixel + ch] = static_cast<uint8_t>(sum[ch] / count);
          }
        }
      }
    }
  }
}

}  // namespace playcore
