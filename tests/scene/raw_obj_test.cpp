// The textured quads on a real device: the flat view's quad (placed, mirrored, surviving a failed
// draw) and the converter's picture engine (panorama, overlay, mask outlines, read-back, mosaic).
#include "playcore/scene/raw_obj.h"

#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include "tests/scene/device_hook.h"
#include "tests/scene/render_bed_suite.h"

namespace playcore::test {
namespace {

constexpr UINT kWidth = 240;
constexpr UINT kHeight = 120;
constexpr UINT kFrameSize = 256;
constexpr int kTolerance = 25;
constexpr UINT kOverlayId = 202;
constexpr UINT kOtherImageId = 201;
constexpr UINT kMissingImageId = 999;
const Rgb kMagenta = {255, 0, 255};
const Rgb kRed = {255, 0, 0};

class RawObj : public RenderBedSuite<kWidth, kHeight, kFrameSize> {
 protected:
  static void SetUpTestSuite() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr);
    RenderBedSuite::SetUpTestSuite();
  }
  static void TearDownTestSuite() {
    RenderBedSuite::TearDownTestSuite();
    Gdiplus::GdiplusShutdown(gdiplus_);
  }

  IDirect3DDevice9* device() const { return bed_->device(); }

  std::vector<uint32_t> Read(const char*) {
    std::vector<uint32_t> pixels;
    EXPECT_EQ(bed_->ReadTarget(&pixels), S_OK);
    return pixels;
  }

  // Every checked pixel whose picture neighbourhood has one colour shows it. `map` gives the
  // picture coordinate of a pixel centre, or false to leave the pixel out.
  template <class Map>
  void ExpectPicture(const std::vector<uint32_t>& pixels, int firstRow, Map map) {
    int checked = 0, wrong = 0;
    for (int py = firstRow; py < static_cast<int>(kHeight); py += 3) {
      for (int px = 1; px < static_cast<int>(kWidth); px += 3) {
        float u, v;
        if (!map(px + 0.5f, py + 0.5f, &u, &v) || !PatternUniformAround(u, v, 0.015f)) continue;
        ++checked;
        wrong += !Near(FromXrgb(pixels[py * kWidth + px]), PatternColour(u, v), kTolerance);
      }
    }
    EXPECT_GT(checked, 300);
    EXPECT_LE(wrong, checked / 50) << wrong << " of " << checked;
  }

  static ULONG_PTR gdiplus_;
};

ULONG_PTR RawObj::gdiplus_ = 0;

TEST_F(RawObj, FlatQuadStretchesTheFrameOverTheDestination) {
  D3DRawObj2 flat;
  ASSERT_EQ(flat.Create(device(), kFrameSize, kFrameSize, kQuadVertices), S_OK);
  // The destination is the whole client area of the video window, drawn on a target of its own size.
  RECT client = {};
  GetClientRect(bed_->window(), &client);
  ASSERT_EQ(flat.Draw(device(), frame_.get(), bed_->window(), client, kWidth, kHeight), S_OK);
  ExpectPicture(Read("mode5-flat"), 0, [](float x, float y, float* u, float* v) {
    *u = x / kWidth;
    *v = y / kHeight;
    return true;
  });
}

TEST_F(RawObj, FlatQuadMirroredShowsTheRightEdgeOnTheLeft) {
  D3DRawObj2 flat;
  ASSERT_EQ(flat.Create(device(), kFrameSize, kFrameSize, kQuadVertices), S_OK);
  EXPECT_TRUE(flat.ToggleMirror());
  RECT client = {};
  GetClientRect(bed_->window(), &client);
  ASSERT_EQ(flat.Draw(device(), frame_.get(), bed_->window(), client, kWidth, kHeight), S_OK);
  ExpectPicture(Read("mode5-flat-mirrored"), 0, [](float x, float y, float* u, float* v) {
    *u = 1.0f - x / kWidth;
    *v = y / kHeight;
    return true;
  });
  EXPECT_FALSE(flat.ToggleMirror());
  EXPECT_EQ(flat.vertices()[1].u, 1.0f);
}

TEST_F(RawObj, FlatQuadEndsTheSceneWhenItsDrawFails) {
  D3DRawObj2 flat;
  ASSERT_EQ(flat.Create(device(), kFrameSize, kFrameSize, kQuadVertices), S_OK);
  {
    DeviceHook hook(device());
    hook.state().failDrawPrimitiveCalls = 1;
    EXPECT_EQ(flat.Draw(device(), frame_.get(), nullptr, {0, 0, 100, 50}, kWidth, kHeight),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(hook.state().beginScenes, hook.state().endScenes);
    EXPECT_EQ(hook.state().presents, 0);
  }
  EXPECT_EQ(flat.Draw(device(), frame_.get(), nullptr, {0, 0, 100, 50}, kWidth, kHeight), S_OK);
}

TEST_F(RawObj, AMissingPictureFailsTheOverlayLoadCleanly) {
  D3dxRuntime d3dx;
  ASSERT_EQ(d3dx.status(), S_OK);
  D3DRawObj1 engine;
  EXPECT_TRUE(FAILED(engine.LoadImages(device(), d3dx, kOtherImageId, kMissingImageId)));
  UINT w = 0, h = 0;
  EXPECT_FALSE(PngResourceSize(kMissingImageId, &w, &h));
  EXPECT_TRUE(PngResourceSize(kOverlayId, &w, &h));
  EXPECT_EQ(w, 64u);
  EXPECT_EQ(h, 32u);
  D3dxRuntime missing(L"d3dx9_missing_for_test.dll");
  EXPECT_TRUE(FAILED(missing.status()));
  EXPECT_TRUE(FAILED(engine.LoadImages(device(), missing, kOtherImageId, kOverlayId)));
}

class PictureEngine : public RawObj {
 protected:
  void SetUp() override {
    RawObj::SetUp();
    ASSERT_EQ(engine_.Create(device(), kWidth, kHeight, kPanoramaVertices), S_OK);
    ASSERT_EQ(engine_.LoadImages(device(), d3dx_, kOtherImageId, kOverlayId), S_OK);
    engine_.SetMasks({{150, 60, 200, 100}});
  }
  D3dxRuntime d3dx_;
  D3DRawObj1 engine_;
};

TEST_F(PictureEngine, PreviewShowsThePanoramaUnderTheOverlayWithRedMaskOutlines) {
  std::vector<uint8_t> output(16, 7);
  ASSERT_EQ(engine_.DrawFrame(device(), frame_.get(), kWidth, kHeight, true, {20, 90, 60, 70},
                              &output),
            S_OK);
  const std::vector<uint32_t> pixels = Read("converter-preview");
  EXPECT_EQ(output, std::vector<uint8_t>(16, 7)) << "preview writes nothing back";
  EXPECT_TRUE(Near(FromXrgb(pixels[10 * kWidth + 120]), kMagenta, kTolerance)) << "overlay";
  EXPECT_TRUE(Near(FromXrgb(pixels[80 * kWidth + 150]), kRed, kTolerance)) << "mask outline";
  EXPECT_TRUE(Near(FromXrgb(pixels[80 * kWidth + 151]), kRed, kTolerance)) << "two pixels wide";
  EXPECT_TRUE(Near(FromXrgb(pixels[80 * kWidth + 21]), kRed, kTolerance)) << "reversed drag rect";
  // Below the overlay and away from the outlines, the fisheye picture unrolled.
  ExpectPicture(pixels, kHeight / 3 + 2, [](float x, float y, float* u, float* v) {
    PanoramaTextureCoordinate(x, y, kWidth, kHeight, u, v);
    const bool nearOutline = y > 55 && ((x > 15 && x < 65) || (x > 145 && x < 205));
    return !nearOutline;
  });
}

TEST_F(PictureEngine, ConversionReadsTheFrameBackBottomUpWithTheMasksAsMosaic) {
  engine_.SetReadBack(1);
  std::vector<uint8_t> output;
  ASSERT_EQ(engine_.DrawFrame(device(), frame_.get(), kWidth, kHeight, false, {}, &output), S_OK);
  const std::vector<uint32_t> pixels = Read("converter-conversion");
  ASSERT_EQ(output.size(), static_cast<size_t>(kWidth) * kHeight * 4);
  auto outputPixel = [&](UINT x, UINT y) {
    const uint8_t* p = &output[((kHeight - 1 - y) * kWidth + x) * 4];
    return Rgb{p[2], p[1], p[0]};
  };
  // Outside the mask the read-back equals the drawn frame, row for row.
  for (UINT y = 0; y < kHeight; y += 7) {
    for (UINT x = 0; x < 140; x += 5) {
      ASSERT_TRUE(Near(outputPixel(x, y), FromXrgb(pixels[y * kWidth + x]), 0)) << x << "," << y;
    }
  }
  // No outline in a converted frame, and each mosaic block is one colour.
  for (UINT by = 60; by <= 100; by += 9) {
    for (UINT bx = 150; bx <= 200; bx += 9) {
      const Rgb first = outputPixel(bx - 1, by - 7);
      for (UINT y = by - 7; y <= by + 1 && y < kHeight; ++y) {
        for (UINT x = bx - 1; x <= bx + 7 && x < kWidth; ++x) {
          ASSERT_TRUE(Near(outputPixel(x, y), first, 0)) << x << "," << y;
        }
      }
    }
  }
}

}  // namespace
}  // namespace playcore::test
