// UI texts out of range, and the seven fonts at several DPIs.
#include <gtest/gtest.h>

#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/ui_texts.h"

namespace {

using quill::skin::AppFontHeight;
using quill::skin::CreateAppFonts;
using quill::skin::kFontPointSizes;

LOGFONTW FontOf(HFONT font) {
  LOGFONTW lf = {};
  GetObjectW(font, sizeof lf, &lf);
  return lf;
}

TEST(UITexts, AnUnusedOrOutOfRangeEntryReadsAsEmptyText) {
  EXPECT_STREQ(UIText(212), L"");
  EXPECT_STREQ(UIText(259), L"");
  EXPECT_STREQ(UIText(260), L"");
  EXPECT_STREQ(UIText(100000), L"");
}

TEST(Fonts, TheFontSizeArithmeticKeepsAboutTheSamePixelHeightAtEveryDpi) {
  struct Case {
    int dpi;
    int heights[7];
  } cases[] = {
      {96, {-12, -13, -17, -23, -29, -16, -20}},
      {120, {-12, -13, -17, -22, -28, -15, -20}},
      {144, {-12, -12, -16, -22, -28, -16, -20}},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 7; ++i) {
      EXPECT_EQ(AppFontHeight(kFontPointSizes[i], quill::skin::DpiScaleOf(c.dpi), c.dpi), c.heights[i])
          << c.dpi << " dpi, " << kFontPointSizes[i] << " pt";
    }
  }
}

// Regression: a DC that reports no DPI made the factor 0, and every later division by it infinite.
TEST(Fonts, ADpiOfZeroCountsAs96) {
  CreateAppFonts(0, 96);
  EXPECT_DOUBLE_EQ(g_dDpiScale, 1.0);
  EXPECT_EQ(FontOf(g_hFont9).lfHeight, -12);
  DeleteAppFonts();
}

}  // namespace
