// Removable drives and the start-up source: an SD card (a Wine drive typed as removable, holding
// recordings) wins; without one the stored folder, then the stored file; drive A: is never a card.
#include <gtest/gtest.h>

#include "tests/support/test_env.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/settings_ini.h"
#include "tests/skin/removable_drive.h"

namespace {

using quill::test::ScopedRemovableDrive;
using quill::test::TempDir;

// Card and reader letters far from the prefix's own drives.
constexpr wchar_t kCardLetter = L'q';
constexpr wchar_t kSecondCardLetter = L'r';

void WriteTestFile(const std::wstring& path, const char* bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ::WriteFile(h, bytes, lstrlenA(bytes), &written, nullptr);
  CloseHandle(h);
}

// A card folder like the recorder writes: a day folder with a main and a rear recording.
void MakeCardContents(const std::wstring& root) {
  std::wstring day = root + L"20240101_001\\";
  ASSERT_TRUE(CreateDirectoryW(day.c_str(), nullptr));
  WriteTestFile(day + L"001_120000A_M.MP4", "....ftypisom");
  WriteTestFile(day + L"001_120000A_R.MP4", "....ftypisom");
}

class DefaultSource : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(quill::test::RunningUnderWine()) << "drives are mapped through Wine's mount manager";
    lstrcpynW(g_szAppDirectory, settingsDir_.path().c_str(), MAX_PATH);
  }
  void TearDown() override { g_szAppDirectory[0] = L'\0'; }
  TempDir settingsDir_;
};

TEST_F(DefaultSource, AnSdCardHoldingRecordingsIsTheSourceAndItsRootLosesTheBackslash) {
  TempDir card;
  MakeCardContents(card.path());
  ScopedRemovableDrive drive(kCardLetter, card.path());
  ASSERT_TRUE(drive.ok());
  CStringArray drives;
  int last = GetRemovableDrives(drives);
  ASSERT_GE(last, 0);
  EXPECT_EQ(last, drives.GetSize() - 1);
  EXPECT_EQ(drives[last], L"Q:\\");

  WriteIni(L"SOURCE", L"FOLDER", settingsDir_.path().c_str());  // a stored folder does not win
  CString path;
  EXPECT_EQ(FindDefaultSourceFolder(path), 1);
  EXPECT_EQ(path, L"Q:");
}

TEST_F(DefaultSource, WithTwoCardsTheOneListedLastWinsAndDriveAIsNeverACard) {
  TempDir first, second, floppy;
  ScopedRemovableDrive a(L'a', floppy.path());
  ScopedRemovableDrive q(kCardLetter, first.path());
  ScopedRemovableDrive r(kSecondCardLetter, second.path());
  ASSERT_TRUE(a.ok() && q.ok() && r.ok());
  CStringArray drives;
  int last = GetRemovableDrives(drives);
  ASSERT_EQ(last, drives.GetSize() - 1);
  for (int i = 0; i < drives.GetSize(); ++i) EXPECT_NE(drives[i].Left(1), L"A") << i;
  EXPECT_EQ(drives[last], L"R:\\");
  CString path;
  EXPECT_EQ(FindDefaultSourceFolder(path), 1);
  EXPECT_EQ(path, L"R:");
}

TEST_F(DefaultSource, WithoutACardTheStoredFolderThenTheStoredFileThenNothing) {
  CStringArray drives;
  ASSERT_EQ(GetRemovableDrives(drives), -1) << "the test prefix has no removable drive of its own";
  TempDir sourceDir;
  std::wstring source = sourceDir.path();
  std::wstring file = source + L"001_120000A_M.MP4";
  WriteTestFile(file, "....ftypisom");

  ASSERT_TRUE(WriteIni(L"SOURCE", L"FOLDER", source.c_str()));
  ASSERT_TRUE(WriteIni(L"SOURCE", L"FILE", file.c_str()));
  CString path;
  EXPECT_EQ(FindDefaultSourceFolder(path), 2);
  EXPECT_EQ(path, CString(source.c_str()));

  ASSERT_TRUE(WriteIni(L"SOURCE", L"FOLDER", L"C:\\もう無いフォルダ"));
  EXPECT_EQ(FindDefaultSourceFolder(path), 3);
  EXPECT_EQ(path, CString(file.c_str()));

  ASSERT_TRUE(WriteIni(L"SOURCE", L"FILE", L"C:\\もう無い.MP4"));
  EXPECT_EQ(FindDefaultSourceFolder(path), 0);
  EXPECT_EQ(path, L"C:\\もう無い.MP4");
}

}  // namespace
