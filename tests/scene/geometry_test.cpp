// Grids, texture coordinates and the sphere mesh of the scene views, and the cameras that look at
// them.
#include "playcore/scene/grid_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "playcore/scene/camera.h"

namespace playcore {
namespace {

float Radius(const GridVertex& p) { return std::hypot(p.u - 0.5f, p.v - 0.5f); }

TEST(RectangleScreen, IsMirroredInTheGridAndSpansWidthByOne) {
  const float width = 16.0f / 9.0f;
  const std::vector<GridVertex> grid = RectangleScreenGrid(0, 0, width);
  for (const GridVertex& p : grid) {
    if (p.x == -width / 2) {
      EXPECT_FLOAT_EQ(p.u, 1.0f);
    }
    if (std::abs(p.x - width / 2) < 1e-5f) {
      EXPECT_NEAR(p.u, 0.0f, 1e-5f);
    }
    if (p.y == -0.5f) {
      EXPECT_FLOAT_EQ(p.v, 1.0f);
    }
    if (std::abs(p.y - 0.5f) < 1e-6f) {
      EXPECT_NEAR(p.v, 0.0f, 1e-6f);
    }
  }
  EXPECT_NEAR(grid.back().x, width / 2, 1e-5f);
  EXPECT_NEAR(grid.back().y, 0.5f, 1e-5f);
}

TEST(DividedScreen, StacksTwoStripsThatShowOppositeHalvesOfTheRing) {
  const std::vector<GridVertex> lower = DividedScreenGrid(0, 0, 0.0f, kDividedWidthFactor);
  const std::vector<GridVertex> upper = DividedScreenGrid(1, 0, 0.5f, kDividedWidthFactor);
  EXPECT_NEAR(lower.front().x, -0.8853f, 1e-4f);
  EXPECT_NEAR(lower.back().x, 0.8853f, 1e-4f);
  EXPECT_FLOAT_EQ(lower.front().y, -0.5f);
  EXPECT_NEAR(lower.back().y, 0.0f, 1e-5f);
  EXPECT_NEAR(upper.front().y, 0.0f, 1e-6f);
  EXPECT_NEAR(upper.back().y, 0.5f, 1e-5f);
  // Same place within the strip: the texture point is mirrored through the picture's centre.
  for (size_t i = 0; i < lower.size(); i += 97) {
    EXPECT_NEAR(upper[i].u - 0.5f, -(lower[i].u - 0.5f), 1e-5f);
    EXPECT_NEAR(upper[i].v - 0.5f, -(lower[i].v - 0.5f), 1e-5f);
  }
  // The strips unroll the ring between about a quarter and a half of the texture from the centre.
  for (const GridVertex& p : lower) ASSERT_LT(Radius(p), 0.5f);
}

TEST(Planes, SpanTwelveUnitsAndWrapWithoutASeam) {
  const std::vector<GridVertex> left = PlaneGrid(kPlaneOffsetsX[0], kPlaneOffsetY);
  const std::vector<GridVertex> middle = PlaneGrid(kPlaneOffsetsX[1], kPlaneOffsetY);
  const std::vector<GridVertex> right = PlaneGrid(kPlaneOffsetsX[2], kPlaneOffsetY);
  EXPECT_FLOAT_EQ(left.front().x, -7.0f);
  EXPECT_NEAR(left.back().x, -3.0f, 1e-4f);
  EXPECT_FLOAT_EQ(middle.front().x, -3.0f);
  EXPECT_NEAR(right.back().x, 5.0f, 1e-4f);
  // Each plane is the same picture: the same cell of two planes has the same coordinates, so the
  // left plane's right edge (x = -3) continues exactly as the middle plane's right edge (x = 1).
  for (size_t i = 0; i < left.size(); i += 101) {
    EXPECT_NEAR(left[i].u, middle[i].u, 1e-5f);
    EXPECT_NEAR(left[i].v, middle[i].v, 1e-5f);
  }
  // A plane's width covers the full turn: its two side edges meet (same u, v in each row).
  const size_t rowVertices = kPlaneColumns * kVerticesPerCell;
  for (size_t row = 0; row < kPlaneRows; row += 7) {
    const GridVertex& first = middle[row * rowVertices];
    const GridVertex& last = middle[row * rowVertices + rowVertices - 2];  // (x1, y0)
    EXPECT_NEAR(first.u, last.u, 0.01f);
    EXPECT_NEAR(first.v, last.v, 0.01f);
  }
}

bool SameBits(const std::vector<GridVertex>& a, const std::vector<GridVertex>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(GridVertex)) == 0;
}

// The shared grids are exactly the computed ones, one object per set of arguments, also for sets
// beyond those the process keeps and for arguments that differ only in their bits.
TEST(SharedGrids, AreTheComputedGridsOncePerArguments) {
  struct Kind {
    const char* what;
    SharedGrid (*shared)(int n);
    std::vector<GridVertex> (*computed)(int n);
    int sceneSets;  // n below it: the arguments the scene itself builds with
  };
  const Kind cases[] = {
      {"planes", [](int n) { return SharedPlaneGrid(kPlaneOffsetsX[n % 3] + 0.25f * (n / 3), kPlaneOffsetY); },
       [](int n) { return PlaneGrid(kPlaneOffsetsX[n % 3] + 0.25f * (n / 3), kPlaneOffsetY); }, 3},
      {"divided", [](int n) { return SharedDividedScreenGrid(n % 2, 0.0f, 0.5f * n, kDividedWidthFactor); },
       [](int n) { return DividedScreenGrid(n % 2, 0.0f, 0.5f * n, kDividedWidthFactor); }, 2},
  };
  // The scene's own sets are asked for first, as the program does.
  std::vector<SharedGrid> sceneGrids;
  for (const Kind& c : cases) {
    for (int n = 0; n < c.sceneSets; ++n) sceneGrids.push_back(c.shared(n));
  }
  // Zero and minus zero are different arguments (a cache comparing them as floats would hand out one
  // for the other): asked while the cache has room, each is kept as its own grid.
  const SharedGrid zero = SharedPlaneGrid(0.0f, kPlaneOffsetY);
  const SharedGrid minusZero = SharedPlaneGrid(-0.0f, kPlaneOffsetY);
  ASSERT_EQ(zero.get(), SharedPlaneGrid(0.0f, kPlaneOffsetY).get()) << "zero's grid is not kept";
  ASSERT_EQ(minusZero.get(), SharedPlaneGrid(-0.0f, kPlaneOffsetY).get()) << "minus zero's grid is not kept";
  EXPECT_NE(zero.get(), minusZero.get());
  EXPECT_TRUE(SameBits(*minusZero, PlaneGrid(-0.0f, kPlaneOffsetY)));
  for (const Kind& c : cases) {
    std::vector<SharedGrid> first;
    for (int n = 0; n < 12; ++n) {
      first.push_back(c.shared(n));
      ASSERT_TRUE(first.back()) << c.what << " " << n;
      EXPECT_TRUE(SameBits(*first.back(), c.computed(n))) << c.what << " " << n;
    }
    for (int n = 0; n < 12; ++n) {
      const SharedGrid again = c.shared(n);
      EXPECT_TRUE(SameBits(*again, *first[n])) << c.what << " again " << n;
      for (int m = 0; m < n; ++m) EXPECT_NE(first[m].get(), again.get()) << c.what << " " << m << " and " << n;
    }
    // The scene's own sets are kept: asked again, the same grid is handed out.
    for (int n = 0; n < c.sceneSets; ++n) EXPECT_EQ(first[n].get(), c.shared(n).get()) << c.what << " " << n;
  }
}

TEST(SphereMesh, TextureCoordinatesAreFiniteAndWithinTheRimRadius) {
  // Regression: a vertex on the y axis made the formula 0/0 (NaN coordinates).
  const SphereMesh mesh = BuildSphereMesh(kSphereRadius, kSphereSlices, kSphereStacks);
  for (const SphereVertex& p : mesh.vertices) {
    ASSERT_TRUE(std::isfinite(p.u) && std::isfinite(p.v));
    EXPECT_LE(std::hypot(p.u - 0.5f, p.v - 0.5f), 0.572f + 1e-4f);
  }
  float u, v;
  SphereTextureCoordinate(0.0f, 200.0f, 0.0f, &u, &v);
  EXPECT_EQ(u, 0.5f);
  EXPECT_EQ(v, 0.5f);
}

TEST(SphereMesh, MapsStraightDownToTheCentreAndTheHorizonToRadiusPoint4) {
  const struct { float x, y, z, u, v; } cases[] = {
      {0.0f, -200.0f, 0.001f, 0.5f, 0.5f},            // picture centre below
      {0.0f, 0.0f, -200.0f, 0.5f, 0.5f - 0.40447f},   // ahead: top of the picture
      {200.0f, 0.0f, 0.0f, 0.5f - 0.40447f, 0.5f},    // +x: left of the picture
      {0.0f, 0.0f, 200.0f, 0.5f, 0.5f + 0.40447f},    // behind: bottom of the picture
  };
  for (const auto& c : cases) {
    float u, v;
    SphereTextureCoordinate(c.x, c.y, c.z, &u, &v);
    EXPECT_NEAR(u, c.u, 1e-4f);
    EXPECT_NEAR(v, c.v, 1e-4f);
  }
}

TEST(SphereMesh, WithTooManyVerticesForShortIndicesIsEmptyRatherThanWrapped) {
  EXPECT_TRUE(BuildSphereMesh(200.0f, 512, 512).vertices.empty());
  EXPECT_TRUE(BuildSphereMesh(200.0f, 2, 2).vertices.empty());
}

TEST(Camera, UsesOnlyZoomsAndAspectsThatGiveAProjection) {
  const struct { float zoom; bool usable; } zooms[] = {
      {1.0f, true}, {4.0f, true}, {0.34f, true}, {0.3f, false}, {0.0f, false}, {-1.0f, false},
      {std::numeric_limits<float>::quiet_NaN(), false},
      {std::numeric_limits<float>::infinity(), false}};
  for (const auto& z : zooms) EXPECT_EQ(IsUsableZoom(z.zoom), z.usable) << z.zoom;
  EXPECT_EQ(CameraAspect(0.0f), 1.0f);
  EXPECT_EQ(CameraAspect(std::numeric_limits<float>::infinity()), 1.0f);
  EXPECT_EQ(CameraAspect(1.5f), 1.5f);
  const CameraMatrices c = FlatCamera(0, 0, 1.0f, 0.1f, 0.0f, 0.0f);
  for (const auto& row : c.projection.m) {
    for (float v : row) EXPECT_TRUE(std::isfinite(v));
  }
}

}  // namespace
}  // namespace playcore
