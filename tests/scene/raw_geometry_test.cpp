// Screen-space geometry of the textured quads: the flat view's quad, the panorama grid and its
// fisheye coordinates, mask outlines and the mosaic.
#include "playcore/scene/raw_geometry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <utility>
#include <vector>

namespace playcore {
namespace {

TEST(FlatQuad, SpansTheTargetWithUAndVAtTheCorners) {
  const auto quad = FlatQuad(640, 480, false);
  const float expected[4][4] = {{0, 0, 0, 0}, {640, 0, 1, 0}, {0, 480, 0, 1}, {640, 480, 1, 1}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(quad[i].x, expected[i][0]);
    EXPECT_EQ(quad[i].y, expected[i][1]);
    EXPECT_EQ(quad[i].u, expected[i][2]);
    EXPECT_EQ(quad[i].v, expected[i][3]);
    EXPECT_EQ(quad[i].z, 1.0f);
    EXPECT_EQ(quad[i].rhw, 1.0f);
    EXPECT_EQ(quad[i].colour, 0xFFFFFFFFu);
  }
}

TEST(PlaceQuad, ScalesTheDestinationFromClientToTargetPixels) {
  const struct {
    RECT dest, client;
    UINT width, height;
    float left, top, right, bottom;
  } cases[] = {
      {{10, 20, 110, 70}, {0, 0, 200, 100}, 400, 300, 20, 60, 220, 210},
      {{10, 20, 110, 70}, {0, 0, 0, 100}, 400, 300, 10, 60, 110, 210},  // empty width: 1.0
      {{10, 20, 110, 70}, {0, 0, 200, 0}, 400, 300, 20, 20, 220, 70},   // empty height: 1.0
  };
  for (const auto& c : cases) {
    auto quad = FlatQuad(1, 1, false);
    PlaceQuad(quad.data(), c.dest, c.client, c.width, c.height);
    EXPECT_EQ(quad[0].x, c.left);
    EXPECT_EQ(quad[0].y, c.top);
    EXPECT_EQ(quad[3].x, c.right);
    EXPECT_EQ(quad[3].y, c.bottom);
    EXPECT_EQ(quad[1].x, c.right);
    EXPECT_EQ(quad[2].y, c.bottom);
  }
}

TEST(Panorama, UnrollsTheRimAlongTheTopAndTheCentreAlongTheBottom) {
  const float w = 1920, h = 960;
  for (float x = 0; x <= w; x += 120) {
    float u, v;
    PanoramaTextureCoordinate(x, 0, w, h, &u, &v);
    EXPECT_NEAR(std::hypot(u - 0.5f, v - 0.5f), 0.572f, 1e-4f) << x;
    PanoramaTextureCoordinate(x, h, w, h, &u, &v);
    EXPECT_NEAR(u, 0.5f, 1e-5f);
    EXPECT_NEAR(v, 0.5f, 1e-5f);
  }
  // The left and right edges are the same longitude.
  for (float y = 0; y <= h; y += 96) {
    float u0, v0, u1, v1;
    PanoramaTextureCoordinate(0, y, w, h, &u0, &v0);
    PanoramaTextureCoordinate(w, y, w, h, &u1, &v1);
    EXPECT_NEAR(u0, u1, 1e-5f);
    EXPECT_NEAR(v0, v1, 1e-5f);
  }
}

// The coordinates computed once per grid point are, bit for bit, those of each vertex's own position.
TEST(Panorama, TextureCoordinatesPerGridPointEqualThosePerVertex) {
  std::vector<ScreenVertex> grid(kPanoramaVertices, ScreenVertex{0, 0, 0, 1.0f, 0xFFFFFFFFu, -1, -1});
  for (auto [w, h] : {std::pair<UINT, UINT>{1920, 960}, {1000, 500}}) {
    SetPanoramaPositions(&grid, w, h);
    SetPanoramaTextureCoordinates(&grid, w, h);
    size_t differ = 0;
    for (const ScreenVertex& p : grid) {
      float u, v;
      PanoramaTextureCoordinate(p.x, p.y, static_cast<float>(w), static_cast<float>(h), &u, &v);
      differ += u != p.u || v != p.v;
    }
    EXPECT_EQ(differ, 0u) << w << "x" << h;
  }
}

// A bottom-up BGRA frame with a guard zone after it, to see writes outside the frame.
struct Frame {
  UINT width, height;
  std::vector<uint8_t> bytes;
  Frame(UINT w, UINT h) : width(w), height(h), bytes(static_cast<size_t>(w) * h * 4) {
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 13);
  }
  uint8_t* Pixel(int x, int y) { return &bytes[(static_cast<size_t>(height - 1 - y) * width + x) * 4]; }
};

TEST(MosaicRect, GivesEachInteriorBlockTheAverageOfItsPixelsAndLeavesAlpha) {
  Frame frame(40, 30);
  const Frame original = frame;
  // One block: corner (10, 10) covers columns 9..17 and picture rows 3..11.
  uint32_t sum[3] = {0, 0, 0};
  Frame copy = frame;
  for (int y = 3; y <= 11; ++y) {
    for (int x = 9; x <= 17; ++x) {
      for (int c = 0; c < 3; ++c) sum[c] += copy.Pixel(x, y)[c];
    }
  }
  MosaicRect(&frame.bytes, 40, 30, {10, 10, 10, 10});
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 9 && x <= 17 && y >= 3 && y <= 11;
      for (int c = 0; c < 4; ++c) {
        const uint8_t expected =
            (inside && c < 3) ? static_cast<uint8_t>(sum[c] / 81) : copy.Pixel(x, y)[c];
        ASSERT_EQ(frame.Pixel(x, y)[c], expected) << x << "," << y << " channel " << c;
      }
    }
  }
  (void)original;
}

TEST(MosaicRect, AtTheFramesEdgesAveragesOnlyThePixelsInside) {
  Frame frame(20, 20);
  Frame copy = frame;
  // Corner (0, 0): columns -1..7 and rows -7..1, of which columns 0..7 and rows 0..1 are inside.
  uint32_t sum[3] = {0, 0, 0};
  for (int y = 0; y <= 1; ++y) {
    for (int x = 0; x <= 7; ++x) {
      for (int c = 0; c < 3; ++c) sum[c] += copy.Pixel(x, y)[c];
    }
  }
  MosaicRect(&frame.bytes, 20, 20, {0, 0, 0, 0});
  for (int c = 0; c < 3; ++c) EXPECT_EQ(frame.Pixel(0, 0)[c], sum[c] / 16);
  EXPECT_EQ(frame.Pixel(8, 0)[0], copy.Pixel(8, 0)[0]);
}

TEST(MosaicRect, NeverWritesOutsideTheFrame) {
  const struct { RECT rect; } cases[] = {
      {{-30, -30, 50, 50}}, {{15, 15, 100, 100}}, {{60, 60, 10, 10}},
      {{-2000000000, -2000000000, 2000000000, 2000000000}}};
  for (const auto& c : cases) {
    Frame frame(20, 20);
    const size_t size = frame.bytes.size();
    frame.bytes.resize(size + 64, 0xAB);
    const auto start = std::chrono::steady_clock::now();
    MosaicRect(&frame.bytes, 20, 20, c.rect);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    for (size_t i = size; i < frame.bytes.size(); ++i) ASSERT_EQ(frame.bytes[i], 0xAB);
  }
}

}  // namespace
}  // namespace playcore
