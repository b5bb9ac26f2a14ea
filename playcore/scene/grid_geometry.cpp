// Generators of the scene's vertices.
#include "playcore/scene/grid_geometry.h"

#include <array>
#include <cmath>
#include <cstring>
#include <mutex>

namespace playcore {
namespace {

constexpr float kPi = 3.1415927f;
constexpr float kHalfPi = 1.5707964f;
// Radius of the picture's ring in texture units per unit of the unrolled radius.
constexpr float kRingScale = 0.312f;
constexpr float kSphereTexScale = 0.286f;

constexpr float kRectangleCell = 0.0625f;          // 1/16
constexpr float kDividedStripFactor = 1.328f;      // strip width per width factor
constexpr float kDividedHalfFactor = 0.664f;
constexpr float kDividedRowHeight = 0.020833334f;  // 1/48
constexpr float kDividedBandScale = 0.665f;
constexpr float kDividedBandStart = 0.735f;
constexpr float kPlaneLeftFromOffset = 2.0f;
constexpr float kPlaneBottomShift = 2.9f;
constexpr float kPlaneBottomLift = 0.39f;
constexpr float kPlaneColumnWidth = 0.041666668f;  // 1/24
constexpr float kPlaneRowHeight = 0.061020836f;
constexpr float kPlaneAngleScale = 157.0f;
constexpr float kPlaneAngleDivisor = 100.0f;

struct GridLayout {
  int columns;
  int rows;
  float left;
  float bottom;
  float cellWidth;
  float cellHeight;
};

// Positions of a grid, cell by cell, rows from the lowest y, within a row from the lowest x;
// u and v are filled in afterwards.
std::vector<GridVertex> GridPositions(const GridLayout& grid) {
  std::vector<GridVertex> out;
  out.reserve(static_cast<size_t>(grid.columns) * grid.rows * kVerticesPerCell);
  for (int j = 0; j < grid.rows; ++j) {
    const float y0 = grid.bottom + static_cast<float>(j) * grid.cellHeight;
    const float y1 = y0 + grid.cellHeight;
    for (int i = 0; i < grid.columns; ++i) {
      const float x0 = grid.left + static_cast<float>(i) * grid.cellWidth;
      const float x1 = x0 + grid.cellWidth;
      const float corners[kVerticesPerCell][2] = {{x0, y0}, {x1, y0}, {x0, y1},
                                                  {x0, y1}, {x1, y0}, {x1, y1}};
      for (const auto& c : corners) out.push_back({c[0], c[1], 0.0f, kOpaqueWhite, 0.0f, 0.0f});
    }
  }
  return out;
}

// The shared grids, keyed by their arguments' bits (a grid is a pure function of them).
class GridCache {
 public:
  using Key = std::array<uint32_t, 5>;

  template <class Make>
  SharedGrid Get(const Key& key, Make make) {
    std::lock_guard<std::mutex> hold(mutex_);
    for (const Entry& e : entries_) {
      if (e.key == key) return e.grid;
    }
    SharedGrid grid = std::make_shared<const std::vector<GridVertex>>(make());
    if (entries_.size() < kKept) entries_.push_back({key, grid});
    return grid;
  }

 private:
  static constexpr size_t kKept = 8;
  struct Entry {
    Key key;
    SharedGrid grid;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
};

// Never destroyed: a Media Foundation thread may still ready a picture while the process exits.
GridCache& Grids() {
  static GridCache* const cache = new GridCache;
  return *cache;
}

uint32_t Bits(float f) {
  uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

// Ring radius of an unrolled row: sqrt(2 (sin b + 1)), never the root of a negative rounding error.
float RingRadius(float b) {
  const float inside = 2.0f * (std::sin(b) + 1.0f);
  return inside > 0.0f ? std::sqrt(inside) : 0.0f;
}

}  // namespace

SharedGrid SharedPlaneGrid(float xo, float yo) {
  return Grids().Get({1, Bits(xo), Bits(yo), 0, 0}, [=] { return PlaneGrid(xo, yo); });
}

SharedGrid SharedDividedScreenGrid(int screen, float xc, float yb, float widthFactor) {
  return Grids().Get({2, static_cast<uint32_t>(screen), Bits(xc), Bits(yb), Bits(widthFactor)},
                     [=] { return DividedScreenGrid(screen, xc, yb, widthFactor); });
}

std::vector<GridVertex> RectangleScreenGrid(float xc, float yc, float width) {
  if (!std::isfinite(width) || !(width > 0.0f)) width = 1.0f;
  const GridLayout grid = {kRectangleColumns, kRectangleRows, xc - width * 0.5f, yc - 0.5f,
                           width * kRectangleCell, kRectangleCell};
  std::vector<GridVertex> out = GridPositions(grid);
  for (GridVertex& p : out) {
    p.u = 1.0f - ((p.x - grid.left) / (width * 0.5f)) * 0.5f;
    p.v = 1.0f - (2.0f * (p.y - grid.bottom)) * 0.5f;
  }
  return out;
}

std::vector<GridVertex> DividedScreenGrid(int screen, float xc, float yb, float widthFactor) {
  const float stripWidth = widthFactor * kDividedStripFactor;
  const GridLayout grid = {kDividedColumns, kDividedRows, xc - widthFactor * kDividedHalfFactor,
                           yb - 0.5f, stripWidth / kDividedColumns, kDividedRowHeight};
  std::vector<GridVertex> out = GridPositions(grid);
  for (GridVertex& p : out) {
    float a = (p.x - grid.left) * kPi / stripWidth - kHalfPi;
    if (screen > 0) a += kPi;
    const float b = -(((p.y - grid.bottom) * kDividedBandScale + kDividedBandStart) * kPi);
    const float r = RingRadius(b);
    p.u = std::sin(a) * r * kRingScale + 0.5f;
    p.v = std::cos(a) * r * kRingScale + 0.5f;
  }
  return out;
}

std::vector<GridVertex> PlaneGrid(float xo, float yo) {
  const GridLayout grid = {kPlaneColumns, kPlaneRows, xo - kPlaneLeftFromOffset,
                           (yo - kPlaneBottomShift) + kPlaneBottomLift, kPlaneColumnWidth,
                           kPlaneRowHeight};
  std::vector<GridVertex> out = GridPositions(grid);
  for (GridVertex& p : out) {
    const float b = ((p.y - grid.bottom) * -kPlaneAngleScale) / kPlaneAngleDivisor;
    const float r = RingRadius(b);
    const float a = ((p.x - grid.left) * kPlaneAngleScale) / kPlaneAngleDivisor - kHalfPi;
    p.u = r * std::sin(a) * kRingScale + 0.5f;
    p.v = r * std::cos(a) * kRingScale + 0.5f;
  }
  return out;
}

void SphereTextureCoordinate(float x, float y, float z, float* u, float* v) {
  const float across = x * x + z * z;
  float t = across > 0.0f ? (y + kSphereRadius) * (2.0f * kSphereRadius) / across : 0.0f;
  if (!std::isfinite(t) || t < 0.0f) t = 0.0f;
  const float root = std::sqrt(t);
  *u = 0.5f - root * (x / kSphereRadius) * kSphereTexScale;
  *v = 0.5f + root * (z / kSphereRadius) * kSphereTexScale;
}

SphereMesh BuildSphereMesh(float radius, int slices, int stacks) {
  SphereMesh mesh;
  // 16-bit indices: the vertex count must fit.
  const long long vertexCount = 2LL + static_cast<long long>(stacks - 1) * slices;
  if (slices < 3 || stacks < 2 || vertexCount > 65536) return mesh;
  const double pi = 3.141592653589793;
  auto add = [&mesh](double x, double y, double z) {
    SphereVertex p = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), 0, 0};
    SphereTextureCoordinate(p.x, p.y, p.z, &p.u, &p.v);
    mesh.vertices.push_back(p);
  };
  add(0.0, 0.0, radius);
  for (int i = 1; i < stacks; ++i) {
    const double phi = pi * i / stacks;
    for (int j = 0; j < slices; ++j) {
      const double theta = 2.0 * pi * j / slices;
      add(radius * std::sin(phi) * std::cos(theta), radius * std::sin(phi) * std::sin(theta),
          radius * std::cos(phi));
    }
  }
  add(0.0, 0.0, -radius);
  const int last = static_cast<int>(mesh.vertices.size()) - 1;
  auto tri = [&mesh](int a, int b, int c) {
    mesh.indices.push_back(static_cast<uint16_t>(a));
    mesh.indices.push_back(static_cast<uint16_t>(b));
    mesh.indices.push_back(static_cast<uint16_t>(c));
  };
  for (int j = 0; j < slices; ++j) tri(0, 1 + j, 1 + (j + 1) % slices);
  for (int i = 0; i + 2 < stacks; ++i) {
    const int upper = 1 + i * slices;
    const int lower = upper + slices;
    for (int j = 0; j < slices; ++j) {
      const int next = (j + 1) % slices;
      tri(upper + j, lower + j, upper + next);
      tri(upper + next, lower + j, lower + next);
    }
  }
  const int base = 1 + (stacks - 2) * slices;
  for (int j = 0; j < slices; ++j) tri(base + j, last, base + (j + 1) % slices);
  return mesh;
}

}  // namespace playcore
