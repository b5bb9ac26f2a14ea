// TopDownBitmapInfo: a DIB section made from it has 32-bit pixels whose first row is the top one.
#include "platform/framework/gdi.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(TopDownBitmapInfo, MakesThirtyTwoBitRowsWithTheTopRowFirst) {
  constexpr int kW = 5, kH = 3;
  const BITMAPINFO bi = TopDownBitmapInfo(kW, kH);
  void* bits = nullptr;
  CBitmap dib;
  ASSERT_TRUE(dib.Attach(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0)));
  ASSERT_NE(bits, nullptr);
  CDC dc;
  ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
  CDCSelect select(dc, dib);
  dc.FillSolidRect(0, 0, kW, kH, RGB(0, 0, 0));
  dc.FillSolidRect(kW - 1, 0, 1, 1, RGB(0x12, 0x34, 0x56));  // top right
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  EXPECT_EQ(pixels[kW - 1] & 0xFFFFFF, 0x123456u) << "the top row comes first, one 0x00RRGGBB word a pixel";
  EXPECT_EQ(pixels[(kH - 1) * kW + kW - 1] & 0xFFFFFF, 0u);
}

}  // namespace
