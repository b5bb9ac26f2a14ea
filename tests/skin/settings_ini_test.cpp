// Default_Folder.ini in the start-up directory: defaults, reads, repeated writes of the hidden file, and
// no file at all without a start-up directory.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include "tests/support/test_env.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/settings_ini.h"

namespace {

// Runs a test with the working directory captured in a fresh folder, as at start-up there.
class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, previous_);
    full_ = dir_.path();
    ASSERT_TRUE(SetCurrentDirectoryW(full_.c_str()));
    quill::skin::CaptureAppDirectory();
    SetCurrentDirectoryW(previous_);
    path_ = full_ + kIniFileName;
  }
  void TearDown() override { g_szAppDirectory[0] = L'\0'; }
  // The file's attributes apart from FILE_ATTRIBUTE_ARCHIVE, which Wine reports on every regular file.
  DWORD Attributes() const { return GetFileAttributesW(path_.c_str()) & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE); }

  quill::test::TempDir dir_;
  std::wstring full_;
  std::wstring path_;
  wchar_t previous_[MAX_PATH] = L"";
};

TEST_F(SettingsFile, DefaultsAreWrittenOnlyWhenTheFileIsMissingAndTheFileIsHidden) {
  EXPECT_EQ(GetIniFilePath().CompareNoCase(path_.c_str()), 0)
      << CStringA(GetIniFilePath()).GetString() << " vs " << CStringA(path_.c_str()).GetString();
  ASSERT_TRUE(WriteIniDefaultsIfMissing());
  EXPECT_EQ(Attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(ReadIni(L"DISPLAY", L"INFOCHECK"), L"31");
  EXPECT_EQ(ReadIni(L"DISPLAY", L"ASPECT"), L"on");
  EXPECT_EQ(ReadIni(L"DISPLAY", L"VOLUME"), L"65535");
  EXPECT_EQ(ReadIni(L"DECODE", L"HW"), L"") << "a missing key reads as empty";
  ASSERT_TRUE(WriteIni(L"DISPLAY", L"VOLUME", L"100"));
  EXPECT_FALSE(WriteIniDefaultsIfMissing()) << "an existing file keeps its values";
  EXPECT_EQ(ReadIni(L"DISPLAY", L"VOLUME"), L"100");
}

// Regression (Wine): the second write to the hidden file was refused, so settings stopped being saved.
TEST_F(SettingsFile, RepeatedWritesSucceedAndKeepTheFileHidden) {
  const wchar_t* keys[] = {L"CSV_FOLDER", L"CONNECT_FOLDER", L"CONVERT_FOLDER", L"SNAPSHOT_FOLDER"};
  for (int round = 0; round < 3; ++round) {
    for (const wchar_t* key : keys) {
      CString value;
      value.Format(L"C:\\出力\\%s\\%d", key, round);
      ASSERT_TRUE(WriteIni(L"FOLDERPATH", key, value)) << round;
      EXPECT_EQ(Attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN)) << round;
    }
  }
  EXPECT_EQ(ReadIni(L"FOLDERPATH", L"SNAPSHOT_FOLDER"), L"C:\\出力\\SNAPSHOT_FOLDER\\2");
  EXPECT_EQ(ReadIni(L"FOLDERPATH", L"CSV_FOLDER"), L"C:\\出力\\CSV_FOLDER\\2");
}

TEST_F(SettingsFile, ValuesUpTo259CharactersRoundTripAndLongerOnesAreCut) {
  CString full(L'あ', kIniValueMax);
  ASSERT_TRUE(WriteIni(L"SOURCE", L"FOLDER", full));
  EXPECT_EQ(ReadIni(L"SOURCE", L"FOLDER"), full);
  CString longer(L'x', 400);
  ASSERT_TRUE(WriteIni(L"SOURCE", L"FILE", longer));
  EXPECT_EQ(ReadIni(L"SOURCE", L"FILE"), CString(L'x', kIniValueMax));
}

// Regression: with no start-up directory the path became "\Default_Folder.ini" at the drive's root.
TEST_F(SettingsFile, WithoutAStartUpDirectoryNothingIsReadOrWritten) {
  g_szAppDirectory[0] = L'\0';
  EXPECT_TRUE(GetIniFilePath().IsEmpty());
  EXPECT_FALSE(WriteIni(L"DISPLAY", L"ASPECT", L"off"));
  EXPECT_EQ(ReadIni(L"DISPLAY", L"ASPECT"), L"");
  wchar_t root[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, root);
  PathStripToRootW(root);
  PathAppendW(root, kIniFileName);
  EXPECT_FALSE(PathFileExistsW(root));
}

}  // namespace
