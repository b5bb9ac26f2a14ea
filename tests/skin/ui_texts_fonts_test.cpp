// The UI text table's contents the other windows rely on, and the seven fonts at several DPIs.
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

TEST(UITexts, TextsThatOtherWindowsFormatOrShowAreExactlyAsGiven) {
  struct Case {
    unsigned index;
    const wchar_t* text;
  } cases[] = {
      {0, L"閉じる"},
      {26, L"常時"},
      {37, L"%d個"},
      {98, L"フォルダパスの取得に失敗しました。"},
      {105, L"表示数が1500を超えています。1500項目表示します。"},
      {106, L"確認"},
      {107, L"新しいバージョンのソフトを利用できます。\r\nダウンロードする場合は下記URLをクリックしてください。"},
      {113, L"メイリオ"},
      {191, L"はい"},
      {192, L"いいえ"},
      {193, L"OK"},
      {194, L"キャンセル"},
      {205, L"：メインカメラ映像とリヤカメラ映像を別ウィンドウで同時に再生します。\n"},
      {211, L"現在使用中のビューワソフト："},
  };
  for (const Case& c : cases) EXPECT_STREQ(g_UITextTable[0][c.index], c.text) << c.index;
  CString count;
  count.Format(g_UITextTable[0][37], 12);
  EXPECT_EQ(count, L"12個");
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

TEST(Fonts, At144DpiTheFontsAreMadeSmallerInPointsToKeepTheirPixelHeight) {
  CreateAppFonts(144, 144);
  EXPECT_DOUBLE_EQ(g_dDpiScale, 1.5);
  const int expected[7] = {-12, -12, -16, -22, -28, -16, -20};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(FontOf(*kFonts[i]).lfHeight, expected[i]) << kFontPointSizes[i];
  DeleteAppFonts();
}

// Regression: a DC that reports no DPI made the factor 0, and every later division by it infinite.
TEST(Fonts, ADpiOfZeroCountsAs96) {
  CreateAppFonts(0, 96);
  EXPECT_DOUBLE_EQ(g_dDpiScale, 1.0);
  EXPECT_EQ(FontOf(g_hFont9).lfHeight, -12);
  DeleteAppFonts();
}

}  // namespace
