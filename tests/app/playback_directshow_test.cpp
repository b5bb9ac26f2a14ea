// The main window on a machine without Media Foundation: both players play through filter graphs,
// the end of the first pair reaches the main window through the graphs' event notice, and the next
// pair opens and plays. Real graphs under Wine on the program's own generated recordings.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "playcore/instances/dshow_bridge.h"
#include "playcore/instances/player_instance.h"
#include "playcore/instances/player_start.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;
using playcore::g_PlayerInstance;

HRESULT NoMediaFoundation(HWND, const playcore::sVIEWSETTINGS*, CPlayer**) { return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND); }

std::wstring RecordingsDay() {
  const char* dir = std::getenv("QUILL_PLAYBACK_RECORDINGS");
  return dir ? quill::test::HostPathToWindows(std::string(dir) + "/card/20240315_001") : std::wstring();
}

sRECORDINGPAIR Pair(const std::wstring& day, const wchar_t* stem) {
  sRECORDINGPAIR e = {};
  wcsncpy(e.szMainPath, (day + L"\\" + stem + L"_M.MP4").c_str(), kRecordingPathChars - 1);
  wcsncpy(e.szRearPath, (day + L"\\" + stem + L"_R.MP4").c_str(), kRecordingPathChars - 1);
  return e;
}

// The main dialog on two pairs; a 50 ms check ends it once the second pair plays.
class GraphDlg : public CtavrinDlg {
 public:
  std::wstring day;
  bool timedOut = false;
  bool graphs = false;  // both players of the first pair played through graphs
  static GraphDlg* current;

  BOOL OnInitDialog() override {
    const BOOL result = CtavrinDlg::OnInitDialog();
    m_browser.m_list.m_shownRecords.push_back(Pair(day, L"001_093000A"));
    m_browser.m_list.m_shownRecords.push_back(Pair(day, L"003_093006M"));
    current = this;
    start_ = GetTickCount();
    ::SetTimer(m_hWnd, 900, 50, &GraphDlg::Check);
    m_nCurIndex = 0;
    m_bPlayAfterOpen = TRUE;
    PrepareOpenCurrent(1, 1, 1);
    return result;
  }

 private:
  static void CALLBACK Check(HWND hwnd, UINT, UINT_PTR, DWORD) {
    GraphDlg* d = current;
    const bool playing = d->m_bOpened && g_PlayerInstance[0].playState == playcore::kPlayPlaying;
    if (playing && d->m_nCurIndex == 0) {
      d->graphs = playcore::dsbridge::UsesGraph(&g_PlayerInstance[0]) && playcore::dsbridge::UsesGraph(&g_PlayerInstance[1]);
    }
    const bool done = playing && d->m_nCurIndex == 1;
    const bool late = GetTickCount() - d->start_ > 60000;
    if (!done && !late) return;
    d->timedOut = late;
    ::KillTimer(hwnd, 900);
    ::PostMessageW(hwnd, WM_COMMAND, kCmdClose, 0);
  }
  DWORD start_ = 0;
};
GraphDlg* GraphDlg::current = nullptr;

TEST(PlaybackDirectShow, APairPlaysToItsEndAndTheNextPairOpensAndPlays) {
  const std::wstring day = RecordingsDay();
  ASSERT_FALSE(day.empty()) << "QUILL_PLAYBACK_RECORDINGS is not set";
  quill::skin::GdiplusSession gdiplus;
  quill::test::TempDir dir;
  wchar_t saved[MAX_PATH] = L"";
  GetCurrentDirectoryW(MAX_PATH, saved);
  SetCurrentDirectoryW(dir.path().c_str());
  WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", (dir.path() + L"Default_Folder.ini").c_str());
  Hooks().mapVariant = [] { return driveviews::MapVariant::kInternetExplorer; };
  Hooks().showMessage = [](CWnd*, const wchar_t*, const wchar_t*) {};
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  playcore::SetPlayerStarter(NoMediaFoundation);
  GraphDlg dlg;
  dlg.day = day;
  EXPECT_EQ(dlg.DoModal(), IDOK);
  playcore::SetPlayerStarter(nullptr);
  CoUninitialize();
  Hooks() = StartupHooks{};
  SetCurrentDirectoryW(saved);
  EXPECT_TRUE(dlg.graphs) << "the first pair did not play through filter graphs";
  EXPECT_FALSE(dlg.timedOut) << "index " << dlg.m_nCurIndex << ", opened " << dlg.m_bOpened << ", state "
                             << g_PlayerInstance[0].playState << ", opens " << dlg.m_uOpenCount;
  EXPECT_EQ(dlg.m_uOpenCount, 2u);
}

}  // namespace
