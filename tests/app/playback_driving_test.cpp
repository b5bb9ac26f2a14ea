// The main window's playback driving against a fake operation table: the fake records the calls and
// posts the players' ready and end reports itself, through the real timers and messages of the
// dialog's modal loop (with short timer periods).
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "platform/framework/private_messages.h"
#include "playcore/instances/player_instance.h"
#include "tavrin/app/main_dlg.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;
using playcore::g_PlayerFuncs;
using playcore::g_PlayerInstance;
using playcore::sPLAYERINSTANCE;

// What the fake players do and what they saw.
struct FakeWorld {
  bool hang = false;           // OpenMovie succeeds but the player never reports ready
  int64_t duration = 100;      // in position units
  int64_t step = 25;           // a playing player advances this much per position read
  std::vector<std::wstring> opened;  // paths of OpenMovie, in order
  int dataOpens = 0;           // OpenDataFile calls
  int64_t position[2] = {};
  bool endPosted[2] = {};
};
FakeWorld g_world;

int Index(sPLAYERINSTANCE* i) { return i == &g_PlayerInstance[0] ? 0 : 1; }

int FakeOpen(sPLAYERINSTANCE* i, const wchar_t* path) {
  g_world.opened.push_back(path);
  const int k = Index(i);
  g_world.position[k] = 0;
  g_world.endPosted[k] = false;
  i->playState = playcore::kPlayStopped;
  i->timeScale = 33.3667f;
  if (!g_world.hang) PostMessageW(i->videoWindow, quill::msg::kPlayerReady, 0, 0);
  return 1;
}
int FakeClose(sPLAYERINSTANCE* i) {
  i->playState = playcore::kPlayClosed;
  return 1;
}
int FakeDataOpen(sPLAYERINSTANCE* i, const wchar_t*) {
  ++g_world.dataOpens;
  i->dataSource = i == &g_PlayerInstance[0] ? 1 : 0;
  return 1;
}
int FakeOk(sPLAYERINSTANCE*) { return 1; }
int FakeOkInt(sPLAYERINSTANCE*, int32_t) { return 1; }
int FakePlay(sPLAYERINSTANCE* i) {
  i->playState = playcore::kPlayPlaying;
  return 1;
}
int FakePause(sPLAYERINSTANCE* i) {
  i->playState = playcore::kPlayPaused;
  return 1;
}
int FakeStop(sPLAYERINSTANCE* i) {
  i->playState = playcore::kPlayStopped;
  return 1;
}
int64_t FakePosition(sPLAYERINSTANCE* i) {
  const int k = Index(i);
  if (i->playState == playcore::kPlayPlaying) g_world.position[k] += g_world.step;
  if (g_world.position[k] >= g_world.duration && !g_world.endPosted[k]) {
    // Both players of the pair end together, and each reports it.
    g_world.position[k] = g_world.duration;
    for (int j = 0; j < playcore::kPlayerCount; ++j) {
      if (g_world.endPosted[j] || !g_PlayerInstance[j].playState) continue;
      g_world.endPosted[j] = true;
      g_PlayerInstance[j].playState = playcore::kPlayStopped;
      PostMessageW(g_PlayerInstance[j].videoWindow, quill::msg::kPlayerEnded, 0, 0);
    }
  }
  return g_world.position[k];
}
int FakeSeek(sPLAYERINSTANCE* i, int64_t p) {
  g_world.position[Index(i)] = p;
  return 1;
}
int64_t FakeDuration(sPLAYERINSTANCE* i) { return i->playState ? g_world.duration : 0; }
float FakeTimeScale(sPLAYERINSTANCE* i) { return i->timeScale; }
int FakeRate(sPLAYERINSTANCE* i, int32_t code) {
  i->speedCode = code;
  return 1;
}
int FakeSize(sPLAYERINSTANCE*, int32_t* w, int32_t* h) {
  *w = 256;
  *h = 144;
  return 1;
}
int FakeMove(sPLAYERINSTANCE*, float, float, float) { return 1; }
int FakeAspect(sPLAYERINSTANCE*, int32_t, int32_t) { return 0; }

void InstallFakes() {
  for (int k = 0; k < playcore::kPlayerCount; ++k) {
    playcore::sPLAYERFUNCS& f = g_PlayerFuncs[k];
    f.OpenMovie = FakeOpen;
    f.CloseMovie = FakeClose;
    f.OpenDataFile = FakeDataOpen;
    f.CloseDataFile = FakeOk;
    f.Play = FakePlay;
    f.Pause = FakePause;
    f.Stop = FakeStop;
    f.GetPosition = FakePosition;
    f.Seek = FakeSeek;
    f.SetPosition = FakeSeek;
    f.GetDuration = FakeDuration;
    f.GetDuration2 = FakeDuration;
    f.GetTimeScale = FakeTimeScale;
    f.SetRate = FakeRate;
    f.SetVolume = FakeOkInt;
    f.GetNativeSize = FakeSize;
    f.Repaint = FakeOk;
    f.SetViewMode = FakeOkInt;
    f.ApplyAspectMode = FakeOkInt;
    f.SetRenderInterval = FakeOkInt;
    f.UpdateVideoRect = FakeOk;
    f.SetViewAspect = FakeAspect;
    f.ApplyCamera = FakeOk;
    f.MoveView = FakeMove;
  }
}

sRECORDINGPAIR Entry(int n) {
  sRECORDINGPAIR e = {};
  swprintf(e.szMainPath, kRecordingPathChars, L"C:\\card\\%03d_120000A_M.MP4", n);
  swprintf(e.szRearPath, kRecordingPathChars, L"C:\\card\\%03d_120000A_R.MP4", n);
  e.uSerial = static_cast<uint32_t>(n);
  return e;
}

// The main dialog on a list of `entries` fake pairs, ended by `done` (checked every 20 ms) or by the
// safety net.
class DrivenDlg : public CtavrinDlg {
 public:
  int entries = 3;
  bool (*done)(DrivenDlg*) = nullptr;
  bool timedOut = false;
  static DrivenDlg* current;

  BOOL OnInitDialog() override {
    const BOOL result = CtavrinDlg::OnInitDialog();
    InstallFakes();
    for (int n = 1; n <= entries; ++n) m_browser.m_list.m_shownRecords.push_back(Entry(n));
    current = this;
    start_ = GetTickCount();
    ::SetTimer(m_hWnd, 900, 20, &DrivenDlg::Check);
    m_nCurIndex = 0;
    m_bPlayAfterOpen = TRUE;
    PrepareOpenCurrent(1, 1, 1);
    return result;
  }

 private:
  static void CALLBACK Check(HWND hwnd, UINT, UINT_PTR, DWORD) {
    DrivenDlg* d = current;
    const bool late = GetTickCount() - d->start_ > 20000;
    if (!d->done(d) && !late) return;
    d->timedOut = late;
    ::KillTimer(hwnd, 900);
    ::PostMessageW(hwnd, WM_COMMAND, kCmdClose, 0);
  }
  DWORD start_ = 0;
};
DrivenDlg* DrivenDlg::current = nullptr;

class PlaybackDriving : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, saved_);
    SetCurrentDirectoryW(dir_.path().c_str());
    WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", (dir_.path() + L"Default_Folder.ini").c_str());
    Hooks().probeD3dx = [] { return true; };
    Hooks().mapVariant = [] { return driveviews::MapVariant::kInternetExplorer; };
    Hooks().showMessage = [](CWnd*, const wchar_t*, const wchar_t*) {};
    g_world = FakeWorld{};
    Timings() = PlaybackTimings{20, 10, 30000, 10, 10};
  }
  void TearDown() override {
    Hooks() = StartupHooks{};
    Timings() = PlaybackTimings{};
    SetCurrentDirectoryW(saved_);
  }
  quill::skin::GdiplusSession gdiplus_;
  quill::test::TempDir dir_;
  wchar_t saved_[MAX_PATH] = L"";
};

TEST_F(PlaybackDriving, EveryPairOpensOncePlaysToItsEndAndTheListEndsStopped) {
  DrivenDlg dlg;
  dlg.done = [](DrivenDlg* d) { return d->m_bEndHandled != FALSE && !d->m_bOpenBusy && d->m_bOpened; };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(dlg.timedOut) << "opened " << g_world.opened.size() << ", index " << dlg.m_nCurIndex;
  // Both cameras of every pair, in list order; after the last one the last pair opens again, stopped.
  std::vector<std::wstring> expected;
  for (int n : {1, 2, 3, 3}) {
    expected.push_back(Entry(n).szMainPath);
    expected.push_back(Entry(n).szRearPath);
  }
  EXPECT_EQ(g_world.opened, expected);
  // Two ready reports per pair start the drive-data load once.
  EXPECT_EQ(g_world.dataOpens, 4);
  EXPECT_EQ(dlg.m_nCurIndex, 2);
}

TEST_F(PlaybackDriving, TheWatchdogEndsAnOpenThatNeverBecomesReady) {
  g_world.hang = true;
  Timings().watchdog = 200;
  DrivenDlg dlg;
  dlg.done = [](DrivenDlg* d) { return !g_world.opened.empty() && !d->m_bOpenBusy; };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(dlg.timedOut) << "the open never ended";
  EXPECT_EQ(g_world.opened.size(), 2u);
  EXPECT_EQ(g_world.dataOpens, 0);
  EXPECT_TRUE(dlg.m_bAutoOpen) << "another entry can be opened";
  EXPECT_TRUE(dlg.m_pane[0].m_bEnabled) << "the pane reacts to the mouse again";
}

}  // namespace
