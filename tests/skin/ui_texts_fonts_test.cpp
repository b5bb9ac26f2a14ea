// UI texts out of range, and the seven fonts at several DPIs.
#include <gtest/gtest.h>

#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/ui_texts.h"

namespace {

using quill::skin::AppFontHeight;
using quill::skin::CreateAppFonts;
using quill::skin::kFontPointSizes;

const HFONT* const kFonts[7] = {&g_hFont9, &g_hFont10, &g_hFont13, &g_hFont17,
                                &g_hFont22, &g_hFont12, &g_hFont15};

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

TEST(Fonts, AtTheScreensDpiTheSevenFontsHaveTheirHeightsFaceAndCharset) {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  ASSERT_EQ(dpi, 96) << "the test bed's screen";
  ASSERT_EQ(InitAppFontsAndLanguage(nullptr), 1);
  EXPECT_DOUBLE_EQ(g_dDpiScale, 1.0);
  const int expected[7] = {-12, -13, -17, -23, -29, -16, -20};
  for (int i = 0; i < 7; ++i) {
    ASSERT_NE(*kFonts[i], nullptr) << i;
    LOGFONTW lf = FontOf(*kFonts[i]);
    EXPECT_EQ(lf.lfHeight, expected[i]) << kFontPointSizes[i] << " pt";
    EXPECT_STREQ(lf.lfFaceName, L"メイリオ");
    EXPECT_EQ(lf.lfCharSet, 128);
    EXPECT_EQ(lf.lfPitchAndFamily, 1);
    EXPECT_EQ(lf.lfWeight, 0);
  }
  DeleteAppFonts();
  EXPECT_EQ(g_hFont9, nullptr);
}

// Regression: a DC that reports no DPI made the factor 0, and every later division by it infinite.
TEST(Fonts, ADpiOfZeroCountsAs96) {
  CreateAppFonts(0, 96);
  EXPECT_DOUBLE_EQ(g_dDpiScale, 1.0);
  EXPECT_EQ(FontOf(g_hFont9).lfHeight, -12);
  DeleteAppFonts();
}

}  // namespace
