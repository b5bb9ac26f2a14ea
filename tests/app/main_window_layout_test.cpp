// The main window's arrangements through the real main dialog. With fake players (the same operation
// table slots the real ones fill, moving only when asked): which children each size step and full
// screen show and where, that no two shown pieces overlap, the controller pad and the views' controls
// by state (after an open, during an open and during a tool), full screen pausing both cameras and a
// pane change in it keeping the window's place, the movie window's size button. With the real players
// on a generated pair: the G-sensor graph's cursor and the info panel's time following the playback,
// and pictures of every arrangement while it plays in <build>/test-output/layout/.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/framework/private_messages.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/player_instance.h"
#include "tavrin/app/main/command_hooks.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/driveviews/info_format.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/ui_texts.h"
#include "tests/app/run_main_dialog.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;
using playcore::g_PlayerFuncs;
using playcore::g_PlayerInstance;
using quill::test::PumpMessages;
using quill::test::PumpUntil;

class CLayoutDlg : public quill::test::CRunMainDlg<CLayoutDlg> {
 public:
  CSkinButton& Tool(int id) { return m_tool[id - kToolFirst]; }
};

// The first day folder of the generated card (QUILL_LAYOUT_RECORDINGS names the generator's output).
std::wstring DayFolder() {
  const char* root = std::getenv("QUILL_LAYOUT_RECORDINGS");
  if (!root) return std::wstring();
  const std::wstring card = quill::test::HostPathToWindows(std::string(root) + "/card");
  WIN32_FIND_DATAW found = {};
  HANDLE find = FindFirstFileW((card + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return std::wstring();
  std::wstring day;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != L'.') day = found.cFileName;
  } while (day.empty() && FindNextFileW(find, &found));
  FindClose(find);
  return day.empty() ? std::wstring() : card + L"\\" + day;
}

bool Shown(CWnd& w) { return w.m_hWnd && (GetWindowLongW(w.m_hWnd, GWL_STYLE) & WS_VISIBLE); }
bool Enabled(CWnd& w) { return w.m_hWnd && IsWindowEnabled(w.m_hWnd); }

// A child's rectangle in its parent's client coordinates.
RECT Place(CWnd& w) {
  RECT r = {};
  if (!w.m_hWnd) return r;
  GetWindowRect(w.m_hWnd, &r);
  MapWindowPoints(nullptr, GetParent(w.m_hWnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string Text(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

bool Playing(int k) { return g_PlayerInstance[k].active && g_PlayerInstance[k].playState == playcore::kPlayPlaying; }
bool Paused(int k) { return g_PlayerInstance[k].active && g_PlayerInstance[k].playState == playcore::kPlayPaused; }
int64_t PositionOf(int k) { return g_PlayerFuncs[k].GetPosition(&g_PlayerInstance[k]); }

void Save(HWND hwnd, const wchar_t* name) {
  const std::wstring dir = quill::test::OutputDir("layout");
  if (!dir.empty()) {
    EXPECT_TRUE(quill::test::SavePng(quill::test::CaptureWindow(hwnd), dir + name)) << name;
  }
}

// The pieces a step shows and their rectangles in the dialog's client area. The pane sizes, the
// seek bar's height of 10, the info panel's and pad's 120, the 1120 x 700 dialog and the button row 35
// pixels above its bottom edge are the layout's figures; the rest is where this program puts them
// beside and below the pane.
struct Arrangement {
  const wchar_t* shot;
  int step;
  SIZE dialog;
  RECT pane, seek, info, pad, graph, volume, browser;
  int infoLayout;
  int buttonTop;
};
constexpr RECT kHidden = {0, 0, 0, 0};
const Arrangement kArrangements[] = {
    {L"step1.png", 1, {1120, 700}, {7, 26, 873, 517}, {7, 519, 873, 529}, {7, 529, 873, 649}, kHidden, kHidden,
     {1003, 675, 1113, 687}, {873, 27, 1113, 660}, 1, 665},
    {L"step2.png", 2, {1120, 701}, {7, 26, 1113, 652}, {7, 654, 1113, 664}, kHidden, kHidden, kHidden,
     {1003, 676, 1113, 688}, kHidden, 2, 666},
    {L"step0.png", 0, {1120, 700}, {7, 26, 739, 437}, {7, 439, 739, 449}, {7, 449, 599, 569}, {599, 449, 739, 569},
     {7, 569, 739, 663}, {1003, 675, 1113, 687}, {739, 27, 1113, 660}, 0, 665},
};

void ExpectPlace(CWnd& w, const RECT& want, const std::string& what) {
  if (IsRectEmpty(&want)) {
    EXPECT_FALSE(Shown(w)) << what << " should be hidden";
    return;
  }
  EXPECT_TRUE(Shown(w)) << what << " should be shown";
  const RECT got = Place(w);
  EXPECT_TRUE(EqualRect(&got, &want)) << what << " at " << Text(got) << ", want " << Text(want);
}

// The shown pieces of the main window, for the overlap check.
std::vector<std::pair<std::string, RECT>> ShownPieces(CLayoutDlg& d) {
  std::vector<std::pair<std::string, RECT>> pieces;
  auto add = [&](CWnd& w, const std::string& name) {
    if (Shown(w)) pieces.push_back({name, Place(w)});
  };
  add(d.m_pane[d.m_nMainPane], "pane");
  add(d.m_seekBar, "seek bar");
  add(d.m_volume, "volume");
  add(d.m_info, "info panel");
  add(d.m_pad, "pad");
  add(d.m_graph, "graph");
  add(d.m_browser, "browser");
  for (int i = 0; i < CtavrinDlg::kToolButtonCount; ++i) add(d.m_tool[i], "button " + std::to_string(38000 + i));
  for (int i = 0; i < CtavrinDlg::kCaptionButtonCount; ++i) add(d.m_caption[i], "caption " + std::to_string(i));
  return pieces;
}

void ExpectNoOverlap(CLayoutDlg& d, const std::string& where) {
  const auto pieces = ShownPieces(d);
  RECT client;
  d.GetClientRect(&client);
  for (size_t i = 0; i < pieces.size(); ++i) {
    RECT inside;
    IntersectRect(&inside, &pieces[i].second, &client);
    EXPECT_TRUE(EqualRect(&inside, &pieces[i].second)) << where << ": " << pieces[i].first << " leaves the window";
    for (size_t j = i + 1; j < pieces.size(); ++j) {
      RECT both;
      EXPECT_FALSE(IntersectRect(&both, &pieces[i].second, &pieces[j].second))
          << where << ": " << pieces[i].first << " " << Text(pieces[i].second) << " overlaps " << pieces[j].first
          << " " << Text(pieces[j].second);
    }
  }
}

// The controls an open or a tool switches off, and the pad's buttons.
struct ViewControls {
  bool info, toggles, graph, filters, map, padButtons;
};
ViewControls ControlsOf(CLayoutDlg& d) {
  ViewControls c = {Enabled(d.m_info), true, Enabled(d.m_graph), true, Enabled(d.m_mapFrame), true};
  for (CSkinButton& b : d.m_info.m_toggles) c.toggles = c.toggles && Enabled(b);
  for (CSkinButton& b : d.m_browser.m_btnFilter) c.filters = c.filters && Enabled(b);
  for (CSkinButton& b : d.m_pad.m_button) c.padButtons = c.padButtons && Enabled(b);
  return c;
}
bool AnyOn(const ViewControls& c) { return c.info || c.toggles || c.graph || c.filters || c.map || c.padButtons; }
bool AllOn(const ViewControls& c) { return c.info && c.toggles && c.graph && c.filters && c.map && c.padButtons; }

bool BothPlaying() { return Playing(0) && Playing(1); }

// Opens the card's folder as a user does and waits until its first pair has opened.
bool OpenFolderAsAUserDoes(CLayoutDlg& d, const std::wstring& folder) {
  d.m_browser.m_tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  d.m_browser.OpenSource(folder.c_str(), CFilerContainerDlg::kSourceFolder);
  d.ApplyOpenedSource();
  return PumpUntil([&] { return d.m_browser.m_list.GetItemCount() > 0 && d.m_bOpened; }, 30000);
}

// Waits until both cameras play from position `from` on (resuming them when they are paused).
bool PlayOn(CLayoutDlg& d, int64_t from) {
  if (!BothPlaying() && (Paused(0) || Paused(1))) d.OnPlayPause();
  return PumpUntil([&] { return d.m_bOpened && !d.m_bOpenBusy && BothPlaying() && PositionOf(0) >= from; }, 30000);
}

class MainWindowLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, saved_);
    SetCurrentDirectoryW(dir_.path().c_str());
    WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", (dir_.path() + L"Default_Folder.ini").c_str());
    Hooks().mapVariant = [] { return driveviews::MapVariant::kInternetExplorer; };
    Hooks().showMessage = [](CWnd*, const wchar_t*, const wchar_t*) {};
    CmdHooks().showMessage = [](CWnd*, const wchar_t*, const wchar_t*) {};
  }
  void TearDown() override {
    Hooks() = StartupHooks{};
    CmdHooks() = CommandHooks{};
    SetCurrentDirectoryW(saved_);
  }
  quill::skin::GdiplusSession gdiplus_;
  quill::test::TempDir dir_;
  wchar_t saved_[MAX_PATH] = L"";
};

HANDLE g_toolGo = nullptr;
UINT HeldTool(LPVOID p) {
  WaitForSingleObject(g_toolGo, 20000);
  static_cast<CtavrinDlg*>(p)->PostMessage(quill::msg::kToolFinished, 0, 0);
  return 0;
}


// --- Fake players -------------------------------------------------------------------------------------

// A fake pair that only moves when asked: a playing player advances one position per position read.
int64_t g_fakePosition[2] = {};
int FakeIndex(playcore::sPLAYERINSTANCE* i) { return i == &g_PlayerInstance[0] ? 0 : 1; }
int FakeOpen(playcore::sPLAYERINSTANCE* i, const wchar_t*) {
  g_fakePosition[FakeIndex(i)] = 0;
  i->playState = playcore::kPlayStopped;
  i->timeScale = 33.3667f;
  PostMessageW(i->videoWindow, quill::msg::kPlayerReady, 0, 0);
  return 1;
}
int FakeClose(playcore::sPLAYERINSTANCE* i) {
  i->playState = playcore::kPlayClosed;
  return 1;
}
int FakeDataOpen(playcore::sPLAYERINSTANCE* i, const wchar_t*) {
  i->dataSource = i == &g_PlayerInstance[0] ? 1 : 0;
  return 1;
}
int FakeOk(playcore::sPLAYERINSTANCE*) { return 1; }
int FakeOkInt(playcore::sPLAYERINSTANCE*, int32_t) { return 1; }
int FakeState(playcore::sPLAYERINSTANCE* i, LONG state) {
  i->playState = state;
  return 1;
}
int FakePlay(playcore::sPLAYERINSTANCE* i) { return FakeState(i, playcore::kPlayPlaying); }
int FakePause(playcore::sPLAYERINSTANCE* i) { return FakeState(i, playcore::kPlayPaused); }
int FakeStop(playcore::sPLAYERINSTANCE* i) { return FakeState(i, playcore::kPlayStopped); }
int64_t FakePosition(playcore::sPLAYERINSTANCE* i) {
  if (i->playState == playcore::kPlayPlaying) ++g_fakePosition[FakeIndex(i)];
  return g_fakePosition[FakeIndex(i)];
}
int FakeSeek(playcore::sPLAYERINSTANCE* i, int64_t p) {
  g_fakePosition[FakeIndex(i)] = p;
  return 1;
}
int64_t FakeDuration(playcore::sPLAYERINSTANCE* i) { return i->playState ? 1000000 : 0; }
float FakeTimeScale(playcore::sPLAYERINSTANCE* i) { return i->timeScale; }
int FakeRate(playcore::sPLAYERINSTANCE* i, int32_t code) {
  i->speedCode = code;
  return 1;
}
int FakeSize(playcore::sPLAYERINSTANCE*, int32_t* w, int32_t* h) {
  *w = 320;
  *h = 180;
  return 1;
}
int FakeMove(playcore::sPLAYERINSTANCE*, float, float, float) { return 1; }
int FakeAspect(playcore::sPLAYERINSTANCE*, int32_t, int32_t) { return 0; }

void InstallFakePlayers() {
  for (playcore::sPLAYERFUNCS& f : g_PlayerFuncs) {
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

sRECORDINGPAIR FakeEntry(int n) {
  sRECORDINGPAIR e = {};
  swprintf(e.szMainPath, kRecordingPathChars, L"C:\\card\\%03d_120000A_M.MP4", n);
  swprintf(e.szRearPath, kRecordingPathChars, L"C:\\card\\%03d_120000A_R.MP4", n);
  e.uSerial = static_cast<uint32_t>(n);
  return e;
}

TEST_F(MainWindowLayout, EveryArrangementPlacesItsPiecesAndTheControlsFollowTheState) {
  Hooks().probeD3dx = [] { return true; };
  Timings() = PlaybackTimings{20, 10, 30000, 10, 10};
  CLayoutDlg dlg;
  dlg.body = [&](CLayoutDlg& d) {
    // Two fake pairs in the list; the first opens and plays.
    InstallFakePlayers();
    d.m_browser.m_list.m_records = {FakeEntry(1), FakeEntry(2)};
    d.m_browser.m_list.RefillItems();
    d.m_nCurIndex = 0;
    d.m_bPlayAfterOpen = TRUE;
    d.PrepareOpenCurrent(1, 1, 1);
    ASSERT_TRUE(d.m_bOpenBusy);
    EXPECT_FALSE(AnyOn(ControlsOf(d))) << "controls live during an open";
    // Playing, past the start and the volume fade-in (every tick reads the position: one step more).
    ASSERT_TRUE(PumpUntil([&] { return d.m_bOpened && !d.m_bOpenBusy && BothPlaying() && PositionOf(0) > 60; }, 20000));

    // After the open the pad has the primary pane's mode: all five buttons in mode 3.
    EXPECT_EQ(d.m_nPaneMode[d.m_nMainPane], 3);
    EXPECT_EQ(d.m_pad.Mode(), 3);
    for (CSkinButton& b : d.m_pad.m_button) EXPECT_TRUE(Enabled(b)) << "pad button " << b.GetDlgCtrlID();
    EXPECT_TRUE(AllOn(ControlsOf(d)));

    // The size steps through the caption button.
    for (const Arrangement& a : kArrangements) {
      const std::string where = "step " + std::to_string(a.step);
      d.SendMessage(WM_COMMAND, kCmdNextSize, 0);
      ASSERT_EQ(d.m_nSizeStep, a.step);
      RECT window;
      d.GetWindowRect(&window);
      EXPECT_EQ(window.right - window.left, a.dialog.cx) << where;
      EXPECT_EQ(window.bottom - window.top, a.dialog.cy) << where;
      ExpectPlace(d.m_pane[d.m_nMainPane], a.pane, where + " pane");
      ExpectPlace(d.m_seekBar, a.seek, where + " seek bar");
      ExpectPlace(d.m_info, a.info, where + " info panel");
      ExpectPlace(d.m_pad, a.pad, where + " pad");
      ExpectPlace(d.m_graph, a.graph, where + " graph");
      ExpectPlace(d.m_volume, a.volume, where + " volume");
      ExpectPlace(d.m_browser, a.browser, where + " browser");
      EXPECT_EQ(d.m_info.m_nLayout, a.infoLayout) << where;
      // Each layout's trigger pictures are bitmaps of its own (layout 1's set differs from layout 0's
      // for the pictures the skin loads twice: trigger codes 1, 2, 4 and 6).
      const int trigger = d.m_info.m_nTrigger;
      for (int code : {1, 2, 4, 6}) {
        d.m_info.m_nTrigger = code;
        const HBITMAP first = d.m_skin.BitmapAt(static_cast<size_t>(CInfoDlg::TriggerSlot(0, code)));
        ASSERT_NE(d.m_info.TriggerPicture(), nullptr) << where << " trigger " << code;
        EXPECT_EQ(d.m_info.TriggerPicture() == first, a.infoLayout != 1) << where << " trigger " << code;
      }
      d.m_info.m_nTrigger = trigger;
      EXPECT_EQ(a.buttonTop, a.dialog.cy - 35) << where;
      EXPECT_EQ(Place(d.Tool(kCmdPlay)).top, a.buttonTop) << where;
      if (!IsRectEmpty(&a.graph)) {
        // The whole background, and below it the first rows of the marks' letters (from 75 down).
        EXPECT_GE(a.graph.bottom - a.graph.top, d.m_graph.BackgroundHeight() + 14) << where;
      }
      ExpectNoOverlap(d, where);
      EXPECT_TRUE(BothPlaying()) << where;
    }

    // Full screen by a double click on the pane: only the pane, over the work area; both cameras
    // paused together (a camera left playing moves on at every read), the play button back to "play".
    RECT before;
    d.GetWindowRect(&before);
    d.OnDialogDoubleClick(0);
    ASSERT_TRUE(d.m_bFullScreen);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(d.m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT full;
    d.GetWindowRect(&full);
    EXPECT_TRUE(EqualRect(&full, &monitor.rcWork)) << Text(full);
    const auto pieces = ShownPieces(d);
    ASSERT_EQ(pieces.size(), 1u) << "full screen shows " << pieces.size() << " pieces, the first extra "
                                 << (pieces.size() > 1 ? pieces[1].first : "");
    EXPECT_EQ(pieces[0].first, "pane");
    EXPECT_TRUE(Paused(0) && Paused(1)) << g_PlayerInstance[0].playState << "/" << g_PlayerInstance[1].playState;
    const int64_t at[2] = {PositionOf(0), PositionOf(1)};
    PumpMessages(200);  // the ticks read the positions meanwhile
    EXPECT_EQ(PositionOf(0), at[0]);
    EXPECT_EQ(PositionOf(1), at[1]) << "the rear camera plays on in full screen";
    EXPECT_EQ(std::wstring(d.m_toolTip.GetText(&d.Tool(kCmdPlay)).GetString()), UIText(12));
    // A pane change in full screen keeps the window's place for the way back.
    d.OnDialogDoubleClick(1);
    EXPECT_FALSE(d.m_bFullScreen);
    EXPECT_EQ(d.m_nMainPane, 1);
    RECT after;
    d.GetWindowRect(&after);
    EXPECT_TRUE(EqualRect(&before, &after)) << Text(after) << " instead of " << Text(before);
    d.SetPrimaryPane(0);
    d.OnPlayPause();
    ASSERT_TRUE(BothPlaying());

    // The movie window's size button: the main window follows its step, the pair plays on.
    for (int step : {1, 2, 0}) {
      d.m_movieDlg.SendMessage(WM_COMMAND, MAKEWPARAM(CMovieDialog::kSizeButtonId, BN_CLICKED),
                               reinterpret_cast<LPARAM>(d.m_movieDlg.m_btnSize.m_hWnd));
      ASSERT_TRUE(PumpUntil([&] { return d.m_nSizeStep == step; }, 5000)) << step;
      const Arrangement& a = kArrangements[(step + 2) % 3];
      ExpectPlace(d.m_pane[d.m_nMainPane], a.pane, "size button pane");
      ExpectPlace(d.m_graph, a.graph, "size button graph");
      ExpectPlace(d.m_info, a.info, "size button info panel");
      ExpectNoOverlap(d, "size button step " + std::to_string(step));
      EXPECT_TRUE(BothPlaying()) << step;
    }
    // The caption's size button goes on from the movie window's step.
    d.SendMessage(WM_COMMAND, kCmdNextSize, 0);
    EXPECT_EQ(d.m_nSizeStep, 1);
    d.SendMessage(WM_COMMAND, MAKEWPARAM(kCmdNextSize, 0), 0);
    d.SendMessage(WM_COMMAND, MAKEWPARAM(kCmdNextSize, 0), 0);
    ASSERT_EQ(d.m_nSizeStep, 0);

    // While a tool runs the views' controls and the pad are off; after it they are back.
    g_toolGo = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    d.StartToolThread(&HeldTool);
    EXPECT_FALSE(AnyOn(ControlsOf(d))) << "controls live during a tool";
    SetEvent(g_toolGo);
    ASSERT_TRUE(PumpUntil([&] { return !d.m_bToolRunning && d.m_bOpened && !d.m_bOpenBusy; }, 20000));
    EXPECT_TRUE(AllOn(ControlsOf(d)));
    CloseHandle(g_toolGo);
    d.Stop();
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  Timings() = PlaybackTimings{};
}

// Waits until the playing views have moved on by a few ticks (the cursor six positions further).
void AfterTicks(CLayoutDlg& d) {
  const int from = d.m_graph.m_nCursor;
  EXPECT_TRUE(PumpUntil([&] { return d.m_graph.m_nCursor >= from + 6; }, 20000)) << "the views stand still";
}

TEST_F(MainWindowLayout, TheViewsFollowTheRealPlayersInEveryArrangement) {
  const std::wstring folder = DayFolder();
  ASSERT_FALSE(folder.empty()) << "no generated card";
  CLayoutDlg dlg;
  dlg.body = [&](CLayoutDlg& d) {
    // The card's folder as a user opens it: its first pair opens and plays.
    ASSERT_TRUE(OpenFolderAsAUserDoes(d, folder)) << "the first pair does not open";
    ASSERT_TRUE(PlayOn(d, 0)) << "the pair does not play";
    // The second pair (the first has no GPS fix, so no time to show): the list's next command.
    d.SendMessage(WM_COMMAND, kCmdNext, 0);
    ASSERT_TRUE(PumpUntil([&] { return d.m_nCurIndex == 1 && d.m_bOpened && !d.m_bOpenBusy; }, 30000))
        << "the second pair does not open";
    ASSERT_TRUE(PlayOn(d, 0)) << "the second pair does not play";

    // After the open the pad has the primary pane's mode: all five buttons in mode 3.
    EXPECT_EQ(d.m_nPaneMode[d.m_nMainPane], 3);
    EXPECT_EQ(d.m_pad.Mode(), 3);
    for (CSkinButton& b : d.m_pad.m_button) EXPECT_TRUE(Enabled(b)) << "pad button " << b.GetDlgCtrlID();
    EXPECT_TRUE(AllOn(ControlsOf(d)));

    // The graph's cursor and the info panel's time follow the playing pair: two moments 20 frames apart.
    struct Moment {
      int64_t position;
      int cursor, sample;
      SYSTEMTIME shown;
      bool timeOk;
    } moments[2] = {};
    int64_t want = 10;
    for (Moment& m : moments) {
      // The views show the player's position at a tick: waited for (a loaded machine may miss a tick or
      // two), not sampled once.
      const bool followed = PumpUntil([&] {
        m.position = PositionOf(0);
        m.cursor = d.m_graph.m_nCursor;
        m.sample = d.m_info.m_nSampleIndex;
        return m.position >= want && std::llabs(m.cursor - m.position) <= 6 && std::llabs(m.sample - m.position) <= 6;
      }, 20000);
      ASSERT_TRUE(followed) << "the views lag the player at " << m.position << ": the graph's cursor at " << m.cursor
                            << ", the info panel's position at " << m.sample;
      m.timeOk = d.m_info.m_bStartValid &&
                 quill::driveviews::PositionTime(d.m_info.m_stStart, m.sample, d.m_info.m_fMsPerSample, &m.shown);
      want = m.position + 20;
    }
    EXPECT_GE(moments[1].cursor - moments[0].cursor, 14);
    EXPECT_GE(moments[1].sample - moments[0].sample, 14);
    ASSERT_TRUE(moments[0].timeOk && moments[1].timeOk) << "the info panel shows no time";
    FILETIME t0, t1;
    SystemTimeToFileTime(&moments[0].shown, &t0);
    SystemTimeToFileTime(&moments[1].shown, &t1);
    const double ms = (ULARGE_INTEGER{{t1.dwLowDateTime, t1.dwHighDateTime}}.QuadPart -
                       ULARGE_INTEGER{{t0.dwLowDateTime, t0.dwHighDateTime}}.QuadPart) / 10000.0;
    const double expected = (moments[1].sample - moments[0].sample) * d.m_info.m_fMsPerSample;
    EXPECT_NEAR(ms, expected, 2.0) << "the shown time moves with the samples";
    EXPECT_GT(ms, 400.0);

    // Pictures of the size steps (through the caption button) and of full screen while the pair plays.
    for (const Arrangement& a : kArrangements) {
      d.SendMessage(WM_COMMAND, kCmdNextSize, 0);
      ASSERT_EQ(d.m_nSizeStep, a.step);
      ExpectPlace(d.m_pane[d.m_nMainPane], a.pane, "pane");
      ExpectNoOverlap(d, "step " + std::to_string(a.step));
      ASSERT_TRUE(PlayOn(d, 0)) << a.step;
      d.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      AfterTicks(d);
      Save(d.m_hWnd, a.shot);
    }
    d.OnDialogDoubleClick(0);
    ASSERT_TRUE(d.m_bFullScreen);
    EXPECT_TRUE(Paused(0) && Paused(1)) << g_PlayerInstance[0].playState << "/" << g_PlayerInstance[1].playState;
    ASSERT_TRUE(PlayOn(d, 0)) << "full screen";
    AfterTicks(d);
    Save(d.m_hWnd, L"fullscreen.png");
    d.OnDialogDoubleClick(0);
    EXPECT_FALSE(d.m_bFullScreen);
    d.Stop();
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
}

// Size steps in a row while both cameras play: every step returns and the pictures go on. A step
// moves the movie window and both panes while the presenters draw into them; a step that waits for a
// drawing thread which waits for this thread never returns. The watchdog only ends a hung run with a
// clear message instead of the runner's timeout.
TEST_F(MainWindowLayout, SizeStepsInARowWhileThePairPlaysAllReturn) {
  const std::wstring folder = DayFolder();
  ASSERT_FALSE(folder.empty()) << "no generated card";
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(done, nullptr);
  std::atomic<int> stepsMade{0};
  std::thread watchdog([&] {
    if (WaitForSingleObject(done, 100000) == WAIT_OBJECT_0) return;
    std::fprintf(stderr, "the size steps stopped answering after %d steps\n", stepsMade.load());
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
  });
  CLayoutDlg dlg;
  dlg.body = [&](CLayoutDlg& d) {
    ASSERT_TRUE(OpenFolderAsAUserDoes(d, folder)) << "the first pair does not open";
    ASSERT_TRUE(PlayOn(d, 0)) << "the pair does not play";
    constexpr int kSteps = 30;
    int made = 0;
    for (int i = 0; i < 3 * kSteps && made < kSteps; ++i) {
      // The 20-second pair may end meanwhile: the next one opens, and the step waits until it plays.
      ASSERT_TRUE(PlayOn(d, 0)) << "the pair stopped playing at step " << i;
      const int want = (d.m_nSizeStep + 1) % 3;
      d.SendMessage(WM_COMMAND, kCmdNextSize, 0);
      stepsMade = i + 1;
      if (d.m_nSizeStep != want) continue;  // refused at the pair's end: the next pair opens
      ++made;
      // A few frames drawn at the new size before the next step (the rear camera's too, whose window moved).
      const int64_t main = PositionOf(0), rear = PositionOf(1);
      ASSERT_TRUE(PumpUntil([&] {
        return !BothPlaying() || (std::llabs(PositionOf(0) - main) >= 2 && std::llabs(PositionOf(1) - rear) >= 2);
      }, 20000)) << "the pictures stand still after step " << i;
    }
    EXPECT_EQ(made, kSteps);
    d.Stop();
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  SetEvent(done);
  watchdog.join();
  CloseHandle(done);
}

// The other window changes while both cameras play, in rounds: full screen in and out, the display
// mode there and back, the display switch there and back, a minimise and a restore. Each moves or sizes
// the windows the cameras draw into; each returns and the pictures go on after it.
TEST_F(MainWindowLayout, WindowChangesWhileThePairPlaysAllReturn) {
  const std::wstring folder = DayFolder();
  ASSERT_FALSE(folder.empty()) << "no generated card";
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(done, nullptr);
  std::atomic<const char*> last{"the open"};
  std::thread watchdog([&] {
    if (WaitForSingleObject(done, 150000) == WAIT_OBJECT_0) return;
    std::fprintf(stderr, "the window changes stopped answering at: %s\n", last.load());
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
  });
  struct Change {
    const char* name;
    UINT msg;
    WPARAM wp;
  };
  const Change kChanges[] = {
      {"full screen", 0, 0},           {"back from full screen", 0, 0},
      {"display mode", WM_COMMAND, kCmdDisplayMode}, {"display mode back", WM_COMMAND, kCmdDisplayMode},
      {"display switch", WM_COMMAND, kCmdDisplaySwitch}, {"display switch back", WM_COMMAND, kCmdDisplaySwitch},
      {"minimise", WM_SYSCOMMAND, SC_MINIMIZE}, {"restore", WM_SYSCOMMAND, SC_RESTORE},
  };
  CLayoutDlg dlg;
  dlg.body = [&](CLayoutDlg& d) {
    ASSERT_TRUE(OpenFolderAsAUserDoes(d, folder)) << "the first pair does not open";
    for (int round = 0; round < 3; ++round) {
      for (const Change& c : kChanges) {
        // Both cameras play before each change (the switch leaves the other camera paused).
        if (!d.m_bFullScreen && Playing(0) != Playing(1) && (Paused(0) || Paused(1))) {
          playcore::PlayerCall_Play(Paused(0) ? 0 : 1);
        }
        ASSERT_TRUE(PlayOn(d, 0)) << "the pair does not play before " << c.name << " in round " << round;
        last = c.name;
        if (c.msg == 0) {
          d.OnDialogDoubleClick(d.m_nMainPane);
        } else {
          d.SendMessage(c.msg, c.wp, 0);
        }
        const int shown = d.m_nMainPane;
        const int64_t at = PositionOf(shown);
        if (d.m_bFullScreen) d.OnPlayPause();  // full screen pauses both cameras
        ASSERT_TRUE(PumpUntil([&] { return !d.m_bOpened || std::llabs(PositionOf(shown) - at) >= 2; }, 20000))
            << "the picture stands still after " << c.name << " in round " << round;
      }
      EXPECT_FALSE(d.m_bFullScreen);
      EXPECT_FALSE(d.IsIconic());
    }
    last = "the stop";
    d.Stop();
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  SetEvent(done);
  watchdog.join();
  CloseHandle(done);
}

}  // namespace
