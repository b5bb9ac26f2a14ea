// The main window's arrangements through the real main dialog with a generated pair playing in the
// real players: which children each size step and full screen show and where they are, that no two
// shown pieces overlap, the controller pad and the views' controls by state (after an open, during an
// open and during a tool), the movie window's size button and full screen keeping both cameras
// together, and the G-sensor graph's cursor and the info panel's time following the playback. The
// pictures of the arrangements go to <build>/test-output/layout/ for a person to look at.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/framework/private_messages.h"
#include "playcore/instances/player_instance.h"
#include "tavrin/app/command_hooks.h"
#include "tavrin/app/main_dlg.h"
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

TEST_F(MainWindowLayout, EveryArrangementPlacesItsPiecesAndTheViewsFollowThePlayingPair) {
  const std::wstring folder = DayFolder();
  ASSERT_FALSE(folder.empty()) << "no generated card";
  CLayoutDlg dlg;
  dlg.body = [&](CLayoutDlg& d) {
    // The card's folder as a user opens it: its first pair opens and plays.
    d.m_browser.m_tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    d.m_browser.OpenSource(folder.c_str(), CFilerContainerDlg::kSourceFolder);
    d.ApplyOpenedSource();
    ASSERT_TRUE(PumpUntil([&] { return d.m_browser.m_list.GetItemCount() > 0 && d.m_bOpened; }, 30000))
        << "the first pair does not open";
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
      ASSERT_TRUE(PumpUntil([&] { return PositionOf(0) >= want && d.m_info.m_nSampleIndex >= want - 3; }, 20000));
      m.position = PositionOf(0);
      m.cursor = d.m_graph.m_nCursor;
      m.sample = d.m_info.m_nSampleIndex;
      m.timeOk = d.m_info.m_bStartValid &&
                 quill::driveviews::PositionTime(d.m_info.m_stStart, m.sample, d.m_info.m_fMsPerSample, &m.shown);
      want = m.position + 20;
    }
    for (const Moment& m : moments) {
      EXPECT_NEAR(m.cursor, m.position, 6) << "the graph's cursor lags the player";
      EXPECT_NEAR(m.sample, m.position, 6) << "the info panel's position lags the player";
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

    // The size steps through the caption button, then full screen, each while the pair plays.
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
      EXPECT_EQ(a.buttonTop, a.dialog.cy - 35) << where;
      EXPECT_EQ(Place(d.Tool(kCmdFirst)).top, a.buttonTop) << where;
      if (!IsRectEmpty(&a.graph)) {
        // The whole background, and below it the first rows of the marks' letters (from 75 down).
        EXPECT_GE(a.graph.bottom - a.graph.top, d.m_graph.BackgroundHeight() + 14) << where;
      }
      ExpectNoOverlap(d, where);
      ASSERT_TRUE(PlayOn(d, 0)) << where;
      d.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      PumpMessages(300);  // a few ticks of the playing views on the picture
      Save(d.m_hWnd, a.shot);
    }

    // Full screen by a double click on the pane: only the pane, over the work area; both cameras
    // paused together, the play button back to "play".
    RECT before;
    d.GetWindowRect(&before);
    const int64_t apartBefore = PositionOf(0) - PositionOf(1);  // how far apart the cameras play
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
    const int64_t apartPaused = PositionOf(0) - PositionOf(1);
    PumpMessages(500);  // a camera left playing would move on meanwhile
    EXPECT_EQ(PositionOf(0) - PositionOf(1), apartPaused) << "a camera moves on in full screen";
    EXPECT_NEAR(apartPaused, apartBefore, 3) << "the cameras drift apart entering full screen";
    EXPECT_EQ(std::wstring(d.m_toolTip.GetText(&d.Tool(kCmdPlay)).GetString()), UIText(12));
    ASSERT_TRUE(PlayOn(d, 0)) << "full screen";
    PumpMessages(300);
    Save(d.m_hWnd, L"fullscreen.png");
    // A pane change in full screen keeps the window's place for the way back.
    d.OnDialogDoubleClick(1);
    EXPECT_FALSE(d.m_bFullScreen);
    EXPECT_EQ(d.m_nMainPane, 1);
    RECT after;
    d.GetWindowRect(&after);
    EXPECT_TRUE(EqualRect(&before, &after)) << Text(after) << " instead of " << Text(before);
    d.SetPrimaryPane(0);
    EXPECT_NEAR(PositionOf(0) - PositionOf(1), apartPaused, 3) << "the cameras drift apart over the pane change";

    // The movie window's size button: the main window follows its step, the cameras stay together.
    ASSERT_TRUE(PlayOn(d, 0));
    for (int step : {1, 2, 0}) {
      const int64_t apart = PositionOf(0) - PositionOf(1);
      d.m_movieDlg.SendMessage(WM_COMMAND, MAKEWPARAM(CMovieDialog::kSizeButtonId, BN_CLICKED),
                               reinterpret_cast<LPARAM>(d.m_movieDlg.m_btnSize.m_hWnd));
      ASSERT_TRUE(PumpUntil([&] { return d.m_nSizeStep == step; }, 5000)) << step;
      ExpectPlace(d.m_pane[d.m_nMainPane], kArrangements[(step + 2) % 3].pane, "size button pane");
      ExpectPlace(d.m_graph, kArrangements[(step + 2) % 3].graph, "size button graph");
      ExpectNoOverlap(d, "size button step " + std::to_string(step));
      ASSERT_TRUE(PumpUntil([&] { return BothPlaying(); }, 5000)) << "not resumed after the size button";
      EXPECT_NEAR(PositionOf(0) - PositionOf(1), apart, 3) << "the cameras drift apart over the size button";
    }

    // During an open the views' controls and the pad are off; after it they are back.
    d.PrepareOpenCurrent(1, 1, 1);
    ASSERT_TRUE(d.m_bOpenBusy);
    EXPECT_FALSE(AnyOn(ControlsOf(d))) << "controls live during an open";
    ASSERT_TRUE(PumpUntil([&] { return d.m_bOpened && !d.m_bOpenBusy; }, 30000));
    EXPECT_TRUE(AllOn(ControlsOf(d)));
    // And while a tool runs.
    g_toolGo = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    d.StartToolThread(&HeldTool);
    EXPECT_FALSE(AnyOn(ControlsOf(d))) << "controls live during a tool";
    SetEvent(g_toolGo);
    ASSERT_TRUE(PumpUntil([&] { return !d.m_bToolRunning && d.m_bOpened && !d.m_bOpenBusy; }, 30000));
    EXPECT_TRUE(AllOn(ControlsOf(d)));
    CloseHandle(g_toolGo);
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
}

}  // namespace
