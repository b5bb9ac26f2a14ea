// Pictures of the settings and source dialogs for a person to look at, saved under
// <build>/test-output/dialogs/. Each runs as its own process (one CTest entry per dialog), so the dialog
// is the process's first window, the one Wine draws on the test display.
#include <gtest/gtest.h>

#include <cstdlib>

#include "res/dialogs_res.h"
#include "tavrin/app/dialogs/settings_dlg.h"
#include "tavrin/app/dialogs/source_dlg.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/settings_ini.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::test;

std::wstring DialogsOutputDir() {
  const char* build = std::getenv("QUILL_BUILD_DIR");
  if (!build) return std::wstring();
  std::wstring dir = HostPathToWindows(std::string(build) + "/test-output");
  CreateDirectoryW(dir.c_str(), nullptr);
  dir += L"\\dialogs";
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir + L"\\";
}

// Captures the shown dialog and saves it; checks it is not one flat colour (nothing drawn).
void Shoot(HWND dialog, const wchar_t* name) {
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const Pixels shot = CaptureWindow(dialog);
  ASSERT_FALSE(shot.empty());
  int differing = 0;
  for (int y = 0; y < shot.height; y += 4) {
    for (int x = 0; x < shot.width; x += 4) differing += shot.At(x, y) != shot.At(0, shot.height - 1);
  }
  EXPECT_GT(differing, 100) << "the dialog looks empty";
  const std::wstring out = DialogsOutputDir();
  if (!out.empty()) {
    quill::skin::GdiplusSession gdiplus;
    EXPECT_TRUE(SavePng(shot, out + name));
  }
}

TEST(DialogShot, SettingsDialog) {
  InitAppFontsAndLanguage(nullptr);
  quill::app::CSettingDlg dlg;
  ASSERT_TRUE(dlg.CreateHidden(nullptr));
  dlg.Show();
  Shoot(dlg.m_hWnd, L"settings_dialog.png");
  dlg.DestroyWindow();
}

TEST(DialogShot, SourceDialog) {
  InitAppFontsAndLanguage(nullptr);
  TempDir settings;
  wchar_t previous[MAX_PATH] = L"";
  GetCurrentDirectoryW(MAX_PATH, previous);
  SetCurrentDirectoryW(settings.path().c_str());
  quill::skin::CaptureAppDirectory();
  SetCurrentDirectoryW(previous);
  WriteIni(L"SOURCE", L"SELECT", L"FOLDER");
  WriteIni(L"SOURCE", L"FOLDER", L"C:\\ドライブ映像");
  WriteIni(L"SOURCE", L"FILE", L"C:\\ドライブ映像\\2024_0115_083000_001M.MP4");
  quill::app::CSourceOpenDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_SOURCE_OPEN, nullptr));
  dlg.ShowWindow(SW_SHOW);
  Shoot(dlg.m_hWnd, L"source_dialog.png");
  dlg.DestroyWindow();
  g_szAppDirectory[0] = L'\0';
}

}  // namespace
