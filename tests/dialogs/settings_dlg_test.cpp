// The settings dialog under Wine: the option's message to the main dialog both ways, the link control
// and its click, the place on the parent's monitor, and the format command refused without a drive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/dialogs_res.h"
#include "tavrin/app/dialogs/link_ctrl.h"
#include "tavrin/app/dialogs/settings_dlg.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/window_utils.h"
#include "tests/skin/skin_capture.h"

namespace {

using namespace quill::app;

std::vector<std::wstring> g_opened;
void RecordUrl(HWND, const wchar_t* url) { g_opened.push_back(url); }

// Two monitors side by side: the second from x = 2000 with a taskbar on its left.
bool TwoMonitors(POINT pt, RECT* work) {
  *work = pt.x >= 2000 ? RECT{2100, 0, 3920, 1040} : RECT{0, 0, 1280, 800};
  return true;
}

class SettingsDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    InitAppFontsAndLanguage(nullptr);
    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 2050, 100, 300, 200, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(owner_, nullptr);
    ownerWnd_.Attach(owner_);
    ASSERT_TRUE(dlg_.CreateHidden(&ownerWnd_));
  }
  void TearDown() override {
    dlg_.DestroyWindow();
    ownerWnd_.Detach();
    DestroyWindow(owner_);
    quill::skin::SetWorkAreaLookup(nullptr);
    SetUrlOpener(nullptr);
  }
  // The next option message posted to the owner: (wParam, lParam), or (-1, -1) for none.
  std::pair<long, long> NextOptionMessage() {
    MSG msg;
    if (!PeekMessageW(&msg, owner_, kSettingChangedMessage, kSettingChangedMessage, PM_REMOVE)) return {-1, -1};
    return {static_cast<long>(msg.wParam), static_cast<long>(msg.lParam)};
  }

  HWND owner_ = nullptr;
  CWnd ownerWnd_;
  CSettingDlg dlg_;
};

TEST_F(SettingsDialog, TheParkingShockOptionIsReportedBothWays) {
  EXPECT_TRUE(dlg_.m_chkParkingShock.m_bChecked);
  const std::pair<long, long> expected[] = {{0, 0}, {0, 1}, {0, 0}};
  for (const auto& e : expected) {
    dlg_.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SETTINGS_PARKING_SHOCK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(dlg_.m_chkParkingShock.m_hWnd));
    EXPECT_EQ(NextOptionMessage(), e);
  }
  EXPECT_EQ(NextOptionMessage(), std::make_pair(-1L, -1L));
}

// The version static reads "version 2.0.2" and, on its second line, the notice with the build's year.
TEST_F(SettingsDialog, TheVersionTextNamesTheVersionAndTheBuildYear) {
  wchar_t text[256] = {};
  GetDlgItemTextW(dlg_.m_hWnd, IDC_SETTINGS_VERSION, text, 256);
  const std::wstring shown = text;
  const std::string date = __DATE__;
  const std::wstring year(date.end() - 4, date.end());
  EXPECT_EQ(shown, L"version 2.0.2\r\nCopyright (C) " + year + L" Quillmere project. All rights reserved.")
      << std::string(shown.begin(), shown.end());
  const struct {
    const char* date;
    const wchar_t* year;
  } dates[] = {{"May  8 2023", L"2023"}, {"Dec 31 1999", L"1999"}, {"2024", L"2024"}, {nullptr, L""}};
  for (const auto& d : dates) {
    EXPECT_EQ(SettingsVersionText(L"2.0.2", d.date),
              L"version 2.0.2\r\nCopyright (C) " + std::wstring(d.year) + L" Quillmere project. All rights reserved.")
        << (d.date ? d.date : "null");
  }
}

TEST_F(SettingsDialog, TheLinkIsASysLinkWhoseClickOpensTheViewerPage) {
  ASSERT_TRUE(dlg_.m_link.IsSysLink());
  SetUrlOpener(RecordUrl);
  g_opened.clear();
  dlg_.Show();
  // A click on the link's text: the control reports NM_CLICK to the dialog.
  dlg_.m_link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 6));
  dlg_.m_link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(4, 6));
  ASSERT_EQ(g_opened.size(), 1u);
  EXPECT_EQ(g_opened[0], L"http://www.quillmere.example/0_recorder/viewer/Quillmere/viewer.html");
}

TEST_F(SettingsDialog, ItIsCentredInTheWorkAreaOfItsParentsMonitor) {
  quill::skin::SetWorkAreaLookup(TwoMonitors);
  dlg_.Show();
  RECT rc;
  GetWindowRect(dlg_.m_hWnd, &rc);
  EXPECT_EQ(rc.left, 2100 + (1820 - 720) / 2);
  EXPECT_EQ(rc.top, (1040 - 480) / 2);
  EXPECT_EQ(rc.right - rc.left, 720);
  EXPECT_EQ(rc.bottom - rc.top, 480);
  EXPECT_TRUE(IsWindowVisible(dlg_.m_hWnd));
}

TEST_F(SettingsDialog, TheFormatCommandWithoutADriveIsRefusedAndRunsNothing) {
  int runs = 0;
  std::vector<std::wstring> refusals;
  FormatEnvironment env;
  env.driveType = [](const std::wstring&) { return static_cast<UINT>(DRIVE_REMOVABLE); };
  env.programFolder = L"C:\\viewer";
  env.windowsFolder = L"C:\\windows";
  env.confirm = [](const std::wstring&) { return true; };
  env.refuse = [&](const std::wstring& m) { refusals.push_back(m); };
  env.run = [&](const std::wstring&, const std::wstring&) { ++runs; return ToolStart{}; };
  dlg_.SetFormatEnvironment(env);
  dlg_.SendMessage(WM_COMMAND, IDC_SETTINGS_FORMAT, 0);
  EXPECT_EQ(dlg_.LastFormatOutcome(), FormatOutcome::kNoDrive);
  EXPECT_EQ(refusals.size(), 1u);
  EXPECT_EQ(runs, 0);
}

}  // namespace
