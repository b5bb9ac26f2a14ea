// The UI text row follows the user's language: row 1 for US English, row 0 otherwise. Built twice, run
// under the Japanese and the US English locale; also the start-up directory, which must be captured
// only by the first initialisation.
#include <gtest/gtest.h>

#include "tests/support/test_env.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/ui_texts.h"

namespace {

TEST(Language, TheRowFollowsTheUsersLanguageAndTheDirectoryIsCapturedAtInit) {
  ASSERT_EQ(GetUserDefaultLangID(), QUILL_EXPECTED_LANGID) << "the test runs under the wrong locale";
  EXPECT_EQ(g_nLanguage, 0u);
  EXPECT_TRUE(GetAppDirectory().IsEmpty()) << "nothing is captured before start-up";

  quill::test::TempDir startDir;
  std::wstring start = startDir.path();
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(start.c_str()));
  ASSERT_EQ(InitAppFontsAndLanguage(nullptr), 1);
  EXPECT_EQ(g_nLanguage, static_cast<uint32_t>(QUILL_EXPECTED_ROW));

  // A file dialog may move the working directory later: the captured one stays.
  SetCurrentDirectoryW(previous);
  CString captured = GetAppDirectory();
  captured.TrimRight(L'\\');
  CString expected(start.c_str());
  expected.TrimRight(L'\\');
  EXPECT_EQ(captured.CompareNoCase(expected), 0);
  DeleteAppFonts();
}

}  // namespace
