// The source selection dialog under Wine: the drive list with and without cards, the stored choice in
// and out of the settings file, and the file browser's first name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/dialogs_res.h"
#include "tavrin/app/dialogs/source_dlg.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/settings_ini.h"
#include "tests/skin/removable_drive.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;
using quill::test::TempDir;

// Each test with its own settings file, as captured at start-up in a fresh folder.
class SourceDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    InitAppFontsAndLanguage(nullptr);
    wchar_t previous[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(settings_.path().c_str()));
    quill::skin::CaptureAppDirectory();
    SetCurrentDirectoryW(previous);
  }
  void TearDown() override {
    if (dlg_.m_hWnd) dlg_.DestroyWindow();
    g_szAppDirectory[0] = L'\0';
  }
  void Open() { ASSERT_TRUE(dlg_.Create(IDD_SOURCE_OPEN, nullptr)); }
  bool OkEnabled() const { return IsWindowEnabled(GetDlgItem(dlg_.m_hWnd, IDOK)) != FALSE; }
  int Chosen() const {
    int chosen = 0;
    for (int i = 0; i < 3; ++i) {
      if (dlg_.m_choice[i].m_bChecked) chosen = chosen ? -1 : i + 1;
    }
    return chosen;
  }

  TempDir settings_;
  CSourceOpenDlg dlg_;
};

TEST_F(SourceDialog, WithoutACardTheListIsEmptyAndTheCardRowCannotBeConfirmed) {
  Open();
  EXPECT_EQ(dlg_.m_cbDrives.GetCount(), 0);
  EXPECT_EQ(Chosen(), 1);
  EXPECT_FALSE(OkEnabled());
}

TEST_F(SourceDialog, OnlyCardsAreListedNeverDriveAAndTheLastIsSelected) {
  TempDir floppy, card;
  quill::test::ScopedRemovableDrive a(L'a', floppy.path());
  quill::test::ScopedRemovableDrive e(L'e', card.path());
  ASSERT_TRUE(a.ok() && e.ok());
  Open();
  ASSERT_EQ(dlg_.m_cbDrives.GetCount(), 1);
  CString text;
  dlg_.m_cbDrives.GetLBText(dlg_.m_cbDrives.GetCurSel(), text);
  EXPECT_EQ(text, L"E:\\");
  EXPECT_TRUE(OkEnabled());
  dlg_.OnOK();
  EXPECT_EQ(ReadIni(L"SOURCE", L"SELECT"), L"SD");
  EXPECT_EQ(ReadIni(L"SOURCE", L"SD"), L"E:\\");
  EXPECT_EQ(dlg_.ChosenSourcePath(), L"E:");
}

struct StoredCase {
  const wchar_t* select;
  int chosen;
  bool ok;
};

TEST_F(SourceDialog, TheStoredChoiceIsChosenAndBothPathsAreShown) {
  WriteIni(L"SOURCE", L"FILE", L"C:\\rec\\a.mp4");
  WriteIni(L"SOURCE", L"FOLDER", L"C:\\rec");
  const StoredCase cases[] = {{L"SD", 1, false}, {L"", 1, false}, {L"FOLDER", 2, true}, {L"FILE", 3, true},
                              {L"other", 1, false}};
  for (const StoredCase& c : cases) {
    WriteIni(L"SOURCE", L"SELECT", c.select);
    Open();
    EXPECT_EQ(Chosen(), c.chosen) << c.chosen;
    EXPECT_EQ(OkEnabled(), c.ok) << c.chosen;
    wchar_t text[MAX_PATH] = {};
    GetDlgItemTextW(dlg_.m_hWnd, IDC_SOURCE_FILE_EDIT, text, MAX_PATH);
    EXPECT_STREQ(text, L"C:\\rec\\a.mp4");
    GetDlgItemTextW(dlg_.m_hWnd, IDC_SOURCE_FOLDER_EDIT, text, MAX_PATH);
    EXPECT_STREQ(text, L"C:\\rec");
    dlg_.DestroyWindow();
  }
}

TEST_F(SourceDialog, ATypedFolderIsStoredUnderItsKeyAndNothingElseChanges) {
  WriteIni(L"SOURCE", L"FILE", L"C:\\rec\\a.mp4");
  Open();
  dlg_.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SOURCE_FOLDER, BN_CLICKED), 0);
  EXPECT_FALSE(OkEnabled());
  SetDlgItemTextW(dlg_.m_hWnd, IDC_SOURCE_FOLDER_EDIT, L"D:\\drive videos");
  EXPECT_TRUE(OkEnabled());
  dlg_.OnOK();
  EXPECT_EQ(ReadIni(L"SOURCE", L"SELECT"), L"FOLDER");
  EXPECT_EQ(ReadIni(L"SOURCE", L"FOLDER"), L"D:\\drive videos");
  EXPECT_EQ(dlg_.ChosenSourcePath(), L"D:\\drive videos");
  EXPECT_EQ(ReadIni(L"SOURCE", L"FILE"), L"C:\\rec\\a.mp4");
  EXPECT_EQ(ReadIni(L"SOURCE", L"SD"), L"");
}

std::vector<std::wstring> g_errors;
void RecordError(HWND, const wchar_t* text) { g_errors.push_back(text); }

// A settings file that cannot be written: OK says so and the dialog stays open, instead of closing as
// if the choice were kept and opening the old source at the next start.
TEST_F(SourceDialog, AChoiceThatCannotBeStoredKeepsTheDialogOpenAndSaysSo) {
  SetSourceErrorFunction(RecordError);
  const struct {
    bool writable;
    bool stays;
  } cases[] = {{false, true}, {true, false}};
  for (const auto& c : cases) {
    g_errors.clear();
    const std::wstring ini = settings_.path() + kIniFileName;
    if (!c.writable) {
      ASSERT_TRUE(CreateDirectoryW(ini.c_str(), nullptr));  // the file's name is taken
    }
    Open();
    dlg_.ShowWindow(SW_SHOW);
    dlg_.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SOURCE_FOLDER, BN_CLICKED), 0);
    SetDlgItemTextW(dlg_.m_hWnd, IDC_SOURCE_FOLDER_EDIT, L"D:\\drive videos");
    dlg_.OnOK();
    EXPECT_EQ(IsWindowVisible(dlg_.m_hWnd) != FALSE, c.stays) << c.writable;
    EXPECT_EQ(g_errors.size(), c.stays ? 1u : 0u) << c.writable;
    EXPECT_EQ(ReadIni(L"SOURCE", L"FOLDER"), c.writable ? L"D:\\drive videos" : L"") << c.writable;
    dlg_.DestroyWindow();
    if (!c.writable) RemoveDirectoryW(ini.c_str());
  }
  SetSourceErrorFunction(nullptr);
}

TEST(SourceFileBrowse, TheFirstNameIsTheFolderAndTheMaskJoinedAndAlwaysFits) {
  const CString longFolder = CString(L"C:\\") + CString(std::wstring(300, L'x').c_str());
  const struct {
    CString folder;
    CString name;
  } cases[] = {
      {L"C:\\Prog", L"C:\\Prog\\*.mp4"},
      {L"C:\\", L"C:\\*.mp4"},
      {L"", L"*.mp4"},
      {longFolder, L"*.mp4"},
      {CString(std::wstring(MAX_PATH - 7, L'y').c_str()), CString(std::wstring(MAX_PATH - 7, L'y').c_str()) + L"\\*.mp4"},
      {CString(std::wstring(MAX_PATH - 6, L'y').c_str()), L"*.mp4"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileBrowseInitialName(c.folder), c.name) << c.folder.GetLength();
    EXPECT_LT(FileBrowseInitialName(c.folder).GetLength(), MAX_PATH);
  }
}

}  // namespace
