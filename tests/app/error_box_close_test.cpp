// An error box of the player core while the main window opens a recording: it belongs to the main
// window (which the system disables while it is up, so no row click reaches the open), it comes up
// only after the failed slot has let its instance go, and closing the window from inside it ends the
// program instead of waiting for ever on the instance the open still held. A machine without Media
// Foundation whose graphs cannot render the recording: every open fails with "ERROR Unknown 0x...".
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "playcore/instances/hresult_error.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/instances/player_instance.h"
#include "playcore/instances/player_start.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tests/directshow/fake_graph.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;
using playcore::g_PlayerInstance;

HRESULT NoMediaFoundation(HWND, const playcore::sVIEWSETTINGS*, CPlayer**) { return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND); }

constexpr HRESULT kUnsupportedStream = static_cast<HRESULT>(0x80040265);  // VFW_E_UNSUPPORTED_STREAM
constexpr UINT_PTR kLateTimer = 901;
constexpr UINT_PTR kStartTimer = 902;
constexpr UINT kLateMs = 30000;  // a safety net only: the box closes the window long before

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

// The main window's surroundings for a run: GDI+, a working folder of its own with the model chosen,
// the Internet Explorer map, and the skinned boxes answered at once.
class MainWindowBed {
 public:
  MainWindowBed() {
    GetCurrentDirectoryW(MAX_PATH, saved_);
    SetCurrentDirectoryW(dir_.path().c_str());
    WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", (dir_.path() + L"Default_Folder.ini").c_str());
    Hooks().mapVariant = [] { return driveviews::MapVariant::kInternetExplorer; };
    Hooks().showMessage = [](CWnd*, const wchar_t*, const wchar_t*) {};
  }
  ~MainWindowBed() {
    Hooks() = StartupHooks{};
    SetCurrentDirectoryW(saved_);
  }
  MainWindowBed(const MainWindowBed&) = delete;
  MainWindowBed& operator=(const MainWindowBed&) = delete;

 private:
  quill::skin::GdiplusSession gdiplus_;
  quill::test::TempDir dir_;
  wchar_t saved_[MAX_PATH] = L"";
};

// What the box saw when it came up.
struct BoxSeen {
  int boxes = 0;
  HWND owner = nullptr;
  std::wstring text;
  int usersWhileShown = -1;  // operations still running on the instances then
  bool closedFromBox = false;
};
BoxSeen g_seen;
bool g_started = false;
HWND g_main = nullptr;

CtavrinDlg* g_dlgPtr = nullptr;
// The stand-in for the box: the user closes the main window while it is up. It closes only when
// the instances are free; otherwise the close would wait for ever, and the safety net ends the test.
int WINAPI CloseWhileShown(HWND owner, LPCWSTR text, LPCWSTR, UINT) {
  if (++g_seen.boxes > 1) return IDOK;
  g_seen.owner = owner;
  g_seen.text = text;
  g_seen.usersWhileShown = g_PlayerInstance[0].users + g_PlayerInstance[1].users;
  if (g_seen.usersWhileShown == 0) {
    ::SendMessageW(g_main, WM_COMMAND, kCmdClose, 0);
    g_seen.closedFromBox = true;
  }
  return IDOK;
}

class FailingOpenDlg : public CtavrinDlg {
 public:
  std::wstring day;
  bool timedOut = false;
  static FailingOpenDlg* current;

  BOOL OnInitDialog() override {
    const BOOL result = CtavrinDlg::OnInitDialog();
    g_main = m_hWnd;
    current = this;
    g_dlgPtr = this;
    m_browser.m_list.m_shownRecords.push_back(Pair(day, L"001_093000A"));
    m_browser.m_list.m_shownRecords.push_back(Pair(day, L"003_093006M"));
    ::SetTimer(m_hWnd, kLateTimer, kLateMs, &FailingOpenDlg::Late);
    // The open starts once the window runs its loop, as a click on a row does.
    ::SetTimer(m_hWnd, kStartTimer, 10, &FailingOpenDlg::Start);
    return result;
  }

 private:
  static void CALLBACK Start(HWND hwnd, UINT, UINT_PTR, DWORD) {
    if (!current->ModalWindowMade()) return;  // still being made (its set-up pumps messages)
    ::KillTimer(hwnd, kStartTimer);
    g_started = true;
    current->m_nCurIndex = 0;
    current->m_bPlayAfterOpen = TRUE;
    current->PrepareOpenCurrent(1, 1, 1);
  }
  static void CALLBACK Late(HWND hwnd, UINT, UINT_PTR, DWORD) {
    ::KillTimer(hwnd, kLateTimer);
    current->timedOut = true;
    ::PostMessageW(hwnd, WM_COMMAND, kCmdClose, 0);
  }
};

FailingOpenDlg* FailingOpenDlg::current = nullptr;

TEST(ErrorBoxClose, ClosingTheWindowWhileAPlayerErrorIsUpEndsTheProgram) {
  const std::wstring day = RecordingsDay();
  ASSERT_FALSE(day.empty()) << "QUILL_PLAYBACK_RECORDINGS is not set";
  MainWindowBed bed;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  playcore::SetPlayerStarter(NoMediaFoundation);
  playcore::test::FakeGraph::Install(S_OK, kUnsupportedStream);
  const playcore::MessageBoxHook previous = playcore::SetMessageBoxHook(CloseWhileShown);
  g_seen = BoxSeen();
  FailingOpenDlg dlg;
  dlg.day = day;
  EXPECT_EQ(dlg.DoModal(), IDOK);
  playcore::SetMessageBoxHook(previous);
  playcore::test::FakeGraph::Uninstall();
  playcore::SetPlayerStarter(nullptr);
  CoUninitialize();

  ASSERT_GE(g_seen.boxes, 1) << "no error box came up";
  EXPECT_EQ(g_seen.text, L"Unknown 0x80040265");
  EXPECT_EQ(g_seen.owner, g_main) << "the box must belong to the main window, which it disables";
  EXPECT_EQ(g_seen.usersWhileShown, 0) << "the box came up while the failed open still held its instance";
  EXPECT_TRUE(g_seen.closedFromBox);
  EXPECT_FALSE(dlg.timedOut) << "the window did not close from the box";
  EXPECT_EQ(g_seen.boxes, 1) << "the close from the box went on to another open";
}

// Regression: a stop cleared the read-ahead of the rear instance only, so the main instance kept the
// drive data read ahead for a path, and a later open of a same-named recording (another card) took
// them over. A stop now empties both.
class ReadAheadDlg : public CtavrinDlg {
 public:
  std::wstring mainPath, rearPath;
  LONG readyBefore = -1;
  LONG readyAfter[2] = {-1, -1};
  static ReadAheadDlg* current;

  BOOL OnInitDialog() override {
    const BOOL result = CtavrinDlg::OnInitDialog();
    current = this;
    ::SetTimer(m_hWnd, kStartTimer, 10, &ReadAheadDlg::Step);
    return result;
  }

 private:
  static void CALLBACK Step(HWND hwnd, UINT, UINT_PTR, DWORD) {
    ReadAheadDlg* d = current;
    if (!d->ModalWindowMade()) return;
    ::KillTimer(hwnd, kStartTimer);
    playcore::PlayerInstance::SwitchDataFile(d->mainPath.c_str(), d->rearPath.c_str());
    d->readyBefore = g_PlayerInstance[0].preloadReady;
    d->StopPlayback();
    for (int k = 0; k < 2; ++k) d->readyAfter[k] = g_PlayerInstance[k].preloadReady;
    ::PostMessageW(hwnd, WM_COMMAND, kCmdClose, 0);
  }
};
ReadAheadDlg* ReadAheadDlg::current = nullptr;

TEST(StopPlayback, EmptiesTheReadAheadOfBothInstances) {
  const std::wstring day = RecordingsDay();
  ASSERT_FALSE(day.empty()) << "QUILL_PLAYBACK_RECORDINGS is not set";
  MainWindowBed bed;
  const sRECORDINGPAIR pair = Pair(day, L"001_093000A");
  ReadAheadDlg dlg;
  dlg.mainPath = pair.szMainPath;
  dlg.rearPath = pair.szRearPath;
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.readyBefore, 1) << "the main recording was not read ahead";
  EXPECT_EQ(dlg.readyAfter[0], 0) << "the main instance kept what it read ahead";
  EXPECT_EQ(dlg.readyAfter[1], 0);
}

}  // namespace
