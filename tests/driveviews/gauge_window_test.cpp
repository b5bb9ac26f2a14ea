// The needle gauges drawn into memory DCs: the needle along its table angle about a fixed pivot at
// three indices of each gauge, the 1:1 copy into any rectangle, and all five against their reference picture.
#include "tavrin/driveviews/needle_gauges.h"

#include "tests/driveviews/view_host.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace quill::test;
using namespace quill::driveviews;

constexpr COLORREF kFill = RGB(0x30, 0x60, 0x90);
constexpr int kW = CResourceImage::kWorkWidth, kH = CResourceImage::kWorkHeight;

class Gauges : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gdiplus.ok());
    images.Load(&Host());
    owner.m_pGauge = &gauge;
  }
  void TearDown() override { images.Unload(); }

  quill::skin::GdiplusSession gdiplus;
  CResourceImage images;
  CNeedleGauge gauge{&images};
  CGaugeOwner owner;
};

// The needle's red somewhere within two pixels of (x, y).
bool NeedleNear(const PixelCanvas& c, int x, int y) {
  for (int dy = -2; dy <= 2; ++dy) {
    for (int dx = -2; dx <= 2; ++dx) {
      const COLORREF p = c.At(x + dx, y + dy);
      if (GetRValue(p) >= 0xC0 && GetGValue(p) < 0x90 && GetBValue(p) < 0x90) return true;
    }
  }
  return false;
}

TEST_F(Gauges, TheNeedleTurnsToItsTableAngleAboutAFixedPivot) {
  for (int n = 1; n <= kGaugeCount; ++n) {
    const int last = GaugeLastIndex(n);
    for (int index : {0, last / 2, last}) {
      PixelCanvas canvas(kW + 20, kH + 20, kFill);
      CDC* dc = CDC::FromHandle(canvas.dc());
      ASSERT_TRUE(g_GaugeDrawTable[n - 1](&owner, dc, RECT{10, 10, 10 + kW, 10 + kH}, index));
      const int px = 10 + kW / 2, py = 10 + CNeedleGauge::kPivotY;
      EXPECT_GE(GetRValue(canvas.At(px, py)), 0xE0) << "pivot of gauge " << n << " at " << index;
      EXPECT_GE(GetGValue(canvas.At(px, py)), 0xE0) << "pivot of gauge " << n << " at " << index;
      const double a = GaugeAngle(n, index) * 3.14159265358979 / 180.0;
      const int tx = px + static_cast<int>(std::lround(60 * std::sin(a)));
      const int ty = py - static_cast<int>(std::lround(60 * std::cos(a)));
      EXPECT_TRUE(NeedleNear(canvas, tx, ty)) << "gauge " << n << " at " << index;
      // The opposite direction holds no needle.
      EXPECT_FALSE(NeedleNear(canvas, 2 * px - tx, 2 * py - ty)) << "gauge " << n << " at " << index;
    }
  }
}

TEST_F(Gauges, TheSurfaceIsCopiedOneToOneWhateverTheRectangle) {
  const RECT rects[] = {{5, 5, 5 + kW, 5 + kH}, {5, 5, 405, 385}, {5, 5, 80, 60}};
  for (const RECT& r : rects) {
    PixelCanvas canvas(420, 400, kFill);
    ASSERT_TRUE(gauge.DrawGauge1(CDC::FromHandle(canvas.dc()), r, 50));
    const int px = 5 + kW / 2, py = 5 + CNeedleGauge::kPivotY;
    if (r.right > px && r.bottom > py) {
      EXPECT_GE(GetGValue(canvas.At(px, py)), 0xE0) << r.right;
      EXPECT_TRUE(NeedleNear(canvas, px, py - 60)) << r.right;
    } else {
      EXPECT_EQ(canvas.At(px, py), kFill) << "drawn outside the rectangle";
    }
  }
}

TEST_F(Gauges, AllFiveDialsLookLikeTheReference) {
  PixelCanvas canvas(kW * kGaugeCount, kH, 0);
  for (int n = 1; n <= kGaugeCount; ++n) {
    const int index = GaugeLastIndex(n) * n / 6;
    const RECT r{kW * (n - 1), 0, kW * n, kH};
    ASSERT_TRUE(g_GaugeDrawTable[n - 1](&owner, CDC::FromHandle(canvas.dc()), r, index));
  }
  EXPECT_LE(SaveAndCompare(canvas.Capture(), L"gauges.png"), 0.02);
}

}  // namespace
