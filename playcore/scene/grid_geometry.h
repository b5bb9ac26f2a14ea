// Vertices of the scene's shapes, generated on the CPU and copied into vertex buffers as they are:
// the three flat grids in the plane z = 0 (rectangle screen, divided screen, planes) and the sphere.
// Each grid vertex carries the fisheye texture coordinate that unrolls the circular picture onto it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace playcore {

// x, y, z, colour, u, v (24 bytes): the flat grids' vertex (XYZ | DIFFUSE | TEX1).
struct GridVertex {
  float x, y, z;
  uint32_t colour;
  float u, v;
};
static_assert(sizeof(GridVertex) == 24, "grid vertex layout");

// x, y, z, u, v (20 bytes): the sphere's vertex (XYZ | TEX1).
struct SphereVertex {
  float x, y, z;
  float u, v;
};
static_assert(sizeof(SphereVertex) == 20, "sphere vertex layout");

constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;
// Six vertices per grid cell: two triangles of a triangle list.
constexpr int kVerticesPerCell = 6;

// Grid sizes (columns x rows) of each flat view.
constexpr int kRectangleColumns = 16, kRectangleRows = 16;
constexpr int kDividedColumns = 48, kDividedRows = 24;
constexpr int kPlaneColumns = 96, kPlaneRows = 96;
constexpr int kRectangleVertices = kRectangleColumns * kRectangleRows * kVerticesPerCell;  // 1536
constexpr int kDividedVertices = kDividedColumns * kDividedRows * kVerticesPerCell;        // 6912
constexpr int kPlaneVertices = kPlaneColumns * kPlaneRows * kVerticesPerCell;              // 55296

// Arguments the scene builds its shapes with.
constexpr float kDividedWidthFactor = 1.3333334f;
constexpr float kPlaneOffsetsX[3] = {-5.0f, -1.0f, 3.0f};
constexpr float kPlaneOffsetY = 0.92f;

// The rectangle screen: the whole picture on a width x 1 rectangle centred at (xc, yc), mirrored left
// to right in the grid (u = 1 at its left edge) so that the camera, which looks down -z, shows it
// the right way round. A width that is not finite and positive is taken as 1.0 (unknown video size).
std::vector<GridVertex> RectangleScreenGrid(float xc, float yc, float width);

// Divided screen `screen` (0 or 1): a strip 0.5 high whose bottom is at yb - 0.5, unrolling half a
// turn of the picture's ring; screen 1 shows the opposite half.
std::vector<GridVertex> DividedScreenGrid(int screen, float xc, float yb, float widthFactor);

// One plane (4.0 wide) starting at x = xo - 2.0 that unrolls the full turn of the ring.
std::vector<GridVertex> PlaneGrid(float xo, float yo);

// The same grids, computed once per process for each set of arguments and shared: every scene
// builds the same ones (the scene's arguments are constants), and the planes take 5-6 ms each to
// compute under Wine, on the thread that readies a movie's picture. A few argument sets are kept;
// others are computed each time.
// Threads: any. The cache's lock is taken last (callers may hold their container's lock) and
// nothing else is taken while it is held.
using SharedGrid = std::shared_ptr<const std::vector<GridVertex>>;
SharedGrid SharedPlaneGrid(float xo, float yo);
SharedGrid SharedDividedScreenGrid(int screen, float xc, float yb, float widthFactor);

// The sphere of the sphere view: 64 slices x 64 stacks of radius 200, poles on the z axis (so no
// vertex lies on the y axis, where the texture formula has no direction), indexed triangles.
constexpr float kSphereRadius = 200.0f;
constexpr int kSphereSlices = 64;
constexpr int kSphereStacks = 64;

struct SphereMesh {
  std::vector<SphereVertex> vertices;
  std::vector<uint16_t> indices;  // triangle list
};

SphereMesh BuildSphereMesh(float radius, int slices, int stacks);

// The fisheye texture coordinate of a point of the sphere: the picture's centre straight down (-y),
// its rim (radius 0.572) straight up. Points on the y axis get the picture's centre.
void SphereTextureCoordinate(float x, float y, float z, float* u, float* v);

}  // namespace playcore
