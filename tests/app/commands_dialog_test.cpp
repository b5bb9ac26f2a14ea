// The main window's commands through the real main dialog: the size steps and full screen, the context
// menu on closed, stopped and playing panes, the drag band, the display power notification, the list's
// previous command and an emptying filter, the tool frame's finish and the controller pad's holds (the
// random command run is the card test's, commands_process_test.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/framework/private_messages.h"
#include "platform/framework/thread_state.h"
#include "tavrin/app/main/command_hooks.h"
#include "tavrin/app/main/layout_geometry.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/ui_texts.h"
#include "tests/app/run_main_dialog.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;
using quill::test::PumpMessages;
using quill::test::PumpUntil;

// The real main dialog running the test's body (tests/app/run_main_dialog.h).
class CRunDlg : public quill::test::CRunMainDlg<CRunDlg> {
 public:
  using CtavrinDlg::OnMapDisplay;
  CSkinButton& Tool(int id) { return m_tool[id - kToolFirst]; }
};

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, saved_);
    SetCurrentDirectoryW(dir_.path().c_str());
    WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", (dir_.path() + L"Default_Folder.ini").c_str());
    Hooks().probeD3dx = [] { return true; };
    Hooks().mapVariant = [] { return driveviews::MapVariant::kInternetExplorer; };
  }
  void TearDown() override {
    Hooks() = StartupHooks{};
    CmdHooks() = CommandHooks{};
    SetCurrentDirectoryW(saved_);
  }
  void Run(const std::function<void(CRunDlg&)>& body) {
    CRunDlg dlg;
    dlg.body = body;
    EXPECT_EQ(dlg.DoModal(), IDOK);
  }
  quill::skin::GdiplusSession gdiplus_;
  quill::test::TempDir dir_;
  wchar_t saved_[MAX_PATH] = L"";
};

bool Visible(CWnd& w) { return w.m_hWnd && (GetWindowLongW(w.m_hWnd, GWL_STYLE) & WS_VISIBLE); }

quill::test::Pixels CaptureClient(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  HDC dc = GetDC(hwnd);
  quill::test::Pixels p = quill::test::CaptureDC(dc, 0, 0, rc.right, rc.bottom);
  ReleaseDC(hwnd, dc);
  return p;
}

void Save(const quill::test::Pixels& p, const wchar_t* name) {
  const std::wstring dir = quill::test::OutputDir("commands");
  if (!dir.empty()) quill::test::SavePng(p, dir + name);
}

TEST_F(CommandsTest, SizeStepsCycleWithTheirTipsAndTheMapFrame) {
  Run([](CRunDlg& d) {
    d.m_bMapShown = TRUE;
    d.m_bMapOff = FALSE;
    d.ShowMapFrame(TRUE);
    ASSERT_TRUE(Visible(d.m_mapFrame));
    struct Step {
      int step;
      bool map, pad, browser, source;
      const wchar_t* shot;
    } steps[] = {{1, false, false, true, true, L"step1.png"},
                 {2, false, false, false, false, L"step2.png"},
                 {0, true, true, true, true, L"step0.png"}};
    for (const Step& s : steps) {
      d.SendMessage(WM_COMMAND, kCmdNextSize, 0);
      PumpMessages(50);
      EXPECT_EQ(d.m_nSizeStep, s.step);
      EXPECT_EQ(std::wstring(d.m_toolTip.GetText(&d.m_caption[1]).GetString()), UIText(SizeStepTipText(s.step)))
          << s.step;
      EXPECT_EQ(Visible(d.m_mapFrame), s.map) << s.step;
      EXPECT_EQ(Visible(d.m_pad), s.pad) << s.step;
      EXPECT_EQ(Visible(d.m_browser), s.browser) << s.step;
      EXPECT_EQ(Visible(d.Tool(kCmdSource)), s.source) << s.step;
      EXPECT_TRUE(Visible(d.m_seekBar)) << s.step;
      RECT pane;
      d.m_pane[d.m_nMainPane].GetWindowRect(&pane);
      const RECT want = PrimaryPaneRect(s.step, 3, false, RECT{});
      EXPECT_EQ(pane.right - pane.left, want.right - want.left) << s.step;
      Save(quill::test::CaptureWindow(d.m_hWnd), s.shot);
    }
    // Switched off at step 0, the map stays away through a whole cycle.
    d.OnMapDisplay();
    EXPECT_FALSE(Visible(d.m_mapFrame));
    for (int i = 0; i < 3; ++i) d.SendMessage(WM_COMMAND, kCmdNextSize, 0);
    EXPECT_EQ(d.m_nSizeStep, 0);
    EXPECT_FALSE(Visible(d.m_mapFrame));
  });
}

// The map button's checked face says the map is switched off: at start (the map is off), through a
// whole cycle of size steps (the view-reset face of steps 1 and 2 is a plain button), and after the
// map is switched on.
TEST_F(CommandsTest, TheMapButtonIsCheckedExactlyWhileTheMapIsOffAtStepZero) {
  Run([](CRunDlg& d) {
    CSkinButton& map = d.Tool(kCmdMap);
    ASSERT_TRUE(d.m_bMapOff);
    EXPECT_TRUE(map.m_bPressed) << "at start";
    for (int step : {1, 2, 0}) {
      d.SendMessage(WM_COMMAND, kCmdNextSize, 0);
      ASSERT_EQ(d.m_nSizeStep, step);
      EXPECT_EQ(map.m_bPressed != FALSE, step == 0) << "step " << step;
    }
    d.OnMapDisplay();
    EXPECT_FALSE(d.m_bMapOff);
    EXPECT_FALSE(map.m_bPressed) << "the map is on";
  });
}

// At size step 1 the filter buttons sit on their own rows between the folder tree and the file list,
// whole inside the pane, clear of the folder-path line.
TEST_F(CommandsTest, TheStepOneFilterRowsLieBetweenTheTreeAndTheList) {
  Run([](CRunDlg& d) {
    d.SendMessage(WM_COMMAND, kCmdNextSize, 0);
    ASSERT_EQ(d.m_nSizeStep, 1);
    CFilerContainerDlg& b = d.m_browser;
    auto place = [&](CWnd& w) {
      RECT r;
      w.GetWindowRect(&r);
      ::MapWindowPoints(nullptr, b.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
      return r;
    };
    const RECT tree = place(b.m_tree), list = place(b.m_list), caption = place(b.m_editCaption);
    RECT client;
    b.GetClientRect(&client);
    for (int i = 0; i < 5; ++i) {
      const RECT f = place(b.m_btnFilter[i]);
      EXPECT_GE(f.left, 0) << "filter " << i << " is clipped by the pane's left edge";
      EXPECT_LE(f.right, client.right) << i;
      EXPECT_GE(f.top, tree.bottom) << "filter " << i << " lies over the tree or the folder path";
      EXPECT_LE(f.bottom, list.top) << "filter " << i << " lies over the list";
      RECT overlap;
      EXPECT_FALSE(IntersectRect(&overlap, &f, &caption)) << "filter " << i << " covers the folder path";
    }
    // Back at step 0 the filters are on the line under the folder path again.
    d.SendMessage(WM_COMMAND, kCmdNextSize, 0);
    d.SendMessage(WM_COMMAND, kCmdNextSize, 0);
    ASSERT_EQ(d.m_nSizeStep, 0);
    const RECT first = place(b.m_btnFilter[0]), tree0 = place(b.m_tree);
    EXPECT_LT(first.bottom, tree0.top);
  });
}

// The rear camera's window is a window of the desktop, owned by no window (an owned one floats over
// the main window and its full-screen picture), and a place the user moved it to is kept by the
// arrangement every folder load runs, until a new size step places it again.
TEST_F(CommandsTest, TheMovieWindowIsADesktopWindowThatStaysWhereTheUserPutsIt) {
  Run([](CRunDlg& d) {
    const HWND movie = d.m_movieDlg.m_hWnd;
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(GetWindow(movie, GW_OWNER), nullptr) << "the main window owns the movie window";
    EXPECT_EQ(GetAncestor(movie, GA_PARENT), GetDesktopWindow());
    SetWindowPos(movie, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    d.GoToSizeStep(d.m_nSizeStep);  // as a folder load arranges the window
    RECT r;
    GetWindowRect(movie, &r);
    EXPECT_EQ(r.left, 40) << "the arrangement moved the window back";
    EXPECT_EQ(r.top, 50);
    d.SendMessage(WM_COMMAND, kCmdNextSize, 0);
    GetWindowRect(movie, &r);
    EXPECT_FALSE(r.left == 40 && r.top == 50) << "a new size step left the window where it was";
  });
}

TEST_F(CommandsTest, FullScreenIsLeftForTheSameStepAndPicture) {
  Run([](CRunDlg& d) {
    // Without a movie the double click does not enter full screen.
    d.RelayoutAll(TRUE);
    EXPECT_FALSE(d.m_bFullScreen);
    for (int step : {0, 1}) {
      d.ArrangeStep(step);
      // Every step below draws synchronously; what it posts is handled before the window is drawn again.
      PumpMessages(0);
      d.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
      RECT before;
      d.GetWindowRect(&before);
      const quill::test::Pixels shotBefore = CaptureClient(d.m_hWnd);
      d.ApplyFullScreen(TRUE);
      PumpMessages(0);
      EXPECT_TRUE(d.m_bFullScreen);
      // Wine on the test display keeps WS_EX_TOPMOST clear even after a successful HWND_TOPMOST: there
      // the style is checked on the way out only when the way in set it.
      const bool topmost = (GetWindowLongW(d.m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
      if (!quill::test::RunningUnderWine()) {
        EXPECT_TRUE(topmost) << step;
      }
      EXPECT_FALSE(Visible(d.m_seekBar));
      EXPECT_FALSE(Visible(d.m_caption[0]));
      EXPECT_FALSE(Visible(d.m_browser));
      MONITORINFO info = {};
      info.cbSize = sizeof info;
      GetMonitorInfoW(MonitorFromWindow(d.m_hWnd, MONITOR_DEFAULTTONEAREST), &info);
      RECT full;
      d.GetWindowRect(&full);
      EXPECT_EQ(full.right - full.left, info.rcWork.right - info.rcWork.left);
      if (step == 0) Save(quill::test::CaptureWindow(d.m_hWnd), L"fullscreen.png");
      d.ApplyFullScreen(FALSE);
      PumpMessages(0);
      d.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
      RECT after;
      d.GetWindowRect(&after);
      EXPECT_EQ(d.m_nSizeStep, step);
      if (topmost) {
        EXPECT_FALSE(GetWindowLongW(d.m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) << step;
      }
      EXPECT_TRUE(EqualRect(&before, &after)) << step;
      const quill::test::Pixels shotAfter = CaptureClient(d.m_hWnd);
      const int differ = quill::test::CountDifferentPixels(shotBefore, shotAfter, 24);
      EXPECT_GE(differ, 0) << step;
      EXPECT_LT(differ, shotBefore.width * shotBefore.height / 100) << step;
    }
  });
}

TEST_F(CommandsTest, ZoomModeClickZoomAndARefusedDisplaySwitch) {
  Run([](CRunDlg& d) {
    d.OnPaneClickZoom(0, POINT{100, 100});
    EXPECT_FLOAT_EQ(d.m_aZoom[0].zoom, 1.0f) << "no click zoom outside zoom mode";
    d.SendMessage(WM_COMMAND, kCmdEnlarge, 0);
    EXPECT_TRUE(d.m_pane[0].m_bZoomMode && d.m_pane[1].m_bZoomMode);
    EXPECT_FALSE(Visible(d.m_pad)) << "the pad hides in zoom mode";
    const float factors[] = {2.0f, 3.0f, 1.0f};
    for (float f : factors) {
      d.OnPaneClickZoom(0, POINT{100, 100});
      EXPECT_FLOAT_EQ(d.m_aZoom[0].zoom, f);
    }
    d.SendMessage(WM_COMMAND, kCmdEnlarge, 0);
    EXPECT_FALSE(d.m_pane[0].m_bZoomMode);
    EXPECT_TRUE(Visible(d.m_pad));
    // Only one camera has a movie: the display switch changes nothing.
    d.SendMessage(WM_COMMAND, kCmdDisplaySwitch, 0);
    EXPECT_EQ(d.m_nMainPane, 0);
    EXPECT_EQ(d.m_nPlayerSel, 0);
  });
}

struct SeenMenu {
  std::vector<UINT> ids;
  std::vector<int> grey;
  int shown = 0;
};
SeenMenu g_menu;

void Inspect(HMENU menu, const MenuState&) {
  g_menu = SeenMenu{};
  g_menu.shown = 1;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    g_menu.ids.push_back(GetMenuItemID(menu, i));
    if (GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) g_menu.grey.push_back(i);
  }
}

TEST_F(CommandsTest, ContextMenuOnClosedStoppedAndPlayingPanes) {
  CmdHooks().inspectMenu = &Inspect;
  Run([](CRunDlg& d) {
    playcore::sPLAYERINSTANCE& inst = playcore::g_PlayerInstance[0];
    const LONG oldState = inst.playState, oldActive = inst.active;
    struct Case {
      const char* name;
      LONG active, state;
      int pane;
      size_t count;
      std::vector<int> greyIncludes;
    } cases[] = {
        {"closed", 0, 0, 0, 1, {}},
        {"stopped, main pane", 1, playcore::kPlayStopped, 0, 11, {4}},
        {"stopped, rear pane", 1, playcore::kPlayStopped, 1, 11, {2, 3, 5}},
        {"playing, main pane", 1, playcore::kPlayPlaying, 0, 14, {7}},
        {"playing, rear pane", 1, playcore::kPlayPlaying, 1, 14, {5, 6, 8}},
    };
    for (const Case& c : cases) {
      inst.active = c.active;
      inst.playState = c.state;
      g_menu = SeenMenu{};
      d.ShowContextMenu(POINT{100, 100}, c.pane);
      EXPECT_EQ(g_menu.shown, 1) << c.name;
      EXPECT_EQ(g_menu.ids.size(), c.count) << c.name;
      for (int p : c.greyIncludes) {
        EXPECT_NE(std::find(g_menu.grey.begin(), g_menu.grey.end(), p), g_menu.grey.end()) << c.name << " " << p;
      }
      if (c.count == 1) { EXPECT_EQ(g_menu.ids[0], 38013u) << c.name; }
      EXPECT_EQ(d.m_nMenuPane, c.pane) << c.name;
    }
    inst.active = oldActive;
    inst.playState = oldState;
    // The dialog's own right click: only over the wide band at step 0 (or in full screen).
    g_menu = SeenMenu{};
    RECT pane;
    d.m_pane[0].GetWindowRect(&pane);
    d.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(d.m_hWnd), MAKELPARAM(pane.left + 50, pane.top + 50));
    EXPECT_EQ(g_menu.shown, 0);
    d.m_nPaneMode[0] = 4;
    d.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(d.m_hWnd), MAKELPARAM(pane.left + 50, pane.top + 50));
    EXPECT_EQ(g_menu.shown, 1);
    d.m_nPaneMode[0] = 3;
  });
}

TEST_F(CommandsTest, TheWindowIsDraggedOnlyByTheCaptionBand) {
  Run([](CRunDlg& d) {
    struct Case {
      int y;
      int moved;
    } cases[] = {{25, 1}, {0, 1}, {26, 0}, {200, 0}};
    for (const Case& c : cases) {
      RECT before, after;
      d.GetWindowRect(&before);
      d.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, c.y));
      d.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(330, c.y + 20));
      d.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(330, c.y + 20));
      d.GetWindowRect(&after);
      EXPECT_EQ(after.left - before.left, 30 * c.moved) << c.y;
      EXPECT_EQ(after.top - before.top, 20 * c.moved) << c.y;
      EXPECT_NE(GetCapture(), d.m_hWnd) << c.y;
    }
    // The restore position follows the drag.
    RECT now;
    d.GetWindowRect(&now);
    EXPECT_EQ(d.m_rcRestore.left, now.left);
  });
}

TEST_F(CommandsTest, AWindowDragEndsWhenTheButtonIsUpOrTheCaptureIsLost) {
  Run([](CRunDlg& d) {
    // How the drag loses its button: a move reports no held button (released outside), or another
    // window takes the mouse (a message box, a menu) and the release never reaches the main window.
    struct Case {
      const char* name;
      bool takeCapture;
      WPARAM moveFlags;
    } cases[] = {{"move without a held button", false, 0}, {"capture taken by another window", true, MK_LBUTTON}};
    for (const Case& c : cases) {
      d.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 10));
      ASSERT_EQ(GetCapture(), d.m_hWnd) << c.name;
      if (c.takeCapture) SetCapture(d.m_pane[0].m_hWnd);
      RECT before, after;
      d.GetWindowRect(&before);
      d.SendMessage(WM_MOUSEMOVE, c.moveFlags, MAKELPARAM(340, 30));
      d.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(360, 40));
      d.GetWindowRect(&after);
      EXPECT_EQ(after.left, before.left) << c.name;
      EXPECT_EQ(after.top, before.top) << c.name;
      EXPECT_FALSE(d.m_bDragging) << c.name;
      ReleaseCapture();
    }
  });
}

TEST_F(CommandsTest, ADisplayOnNotificationArmsTheRefreshTimer) {
  Run([](CRunDlg& d) {
    static POWERBROADCAST_SETTING setting = {};
    setting.PowerSetting = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
    setting.DataLength = 1;
    setting.Data[0] = 0;
    d.SendMessage(WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&setting));
    EXPECT_EQ(d.m_nPowerTimer, 0u) << "display off";
    setting.Data[0] = 1;
    d.SendMessage(WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&setting));
    EXPECT_EQ(d.m_nPowerTimer, CtavrinDlg::kTimerDisplayOn);
    EXPECT_TRUE(PumpUntil([&] { return d.m_nDisplayRefreshes == 1; }, 10000));
    PumpMessages(300);
    EXPECT_EQ(d.m_nDisplayRefreshes, 1) << "the timer runs once per notification";
  });
}

sRECORDINGPAIR Row(const wchar_t* name, uint32_t serial) {
  sRECORDINGPAIR r = {};
  wcscpy_s(r.szMainName, name);
  wcscpy_s(r.szMainPath, name);
  r.uSerial = serial;
  r.nFileNumber = serial;
  return r;
}

int g_rateRequests = 0;
int CountRateRequest(playcore::sPLAYERINSTANCE* inst, int32_t code) {
  ++g_rateRequests;
  inst->speedCode = code;
  return 1;
}

// Regression: every "previous" at the first row, every emptying filter and every new folder asked the
// players for the normal rate, also when they played at it; Wine's session leaves idle wait threads
// in its thread pool for such requests (hundreds after a storm of commands).
TEST_F(CommandsTest, TheNormalRateIsAskedOnlyOfAPlayerAtAnotherSpeed) {
  Run([](CRunDlg& d) {
    playcore::sPLAYERFUNCS saved[playcore::kPlayerCount];
    for (int i = 0; i < playcore::kPlayerCount; ++i) {
      saved[i] = playcore::g_PlayerFuncs[i];
      playcore::g_PlayerFuncs[i].SetRate = &CountRateRequest;
    }
    struct Case {
      int32_t speed0, speed1;
      int requests;
    } cases[] = {{1, 1, 0}, {2, 1, 1}, {-2, 4, 2}};
    for (const Case& c : cases) {
      g_rateRequests = 0;
      playcore::g_PlayerInstance[0].speedCode = c.speed0;
      playcore::g_PlayerInstance[1].speedCode = c.speed1;
      d.SetNormalRate();
      EXPECT_EQ(g_rateRequests, c.requests) << c.speed0 << ", " << c.speed1;
      EXPECT_EQ(playcore::g_PlayerInstance[0].speedCode, 1);
      EXPECT_EQ(playcore::g_PlayerInstance[1].speedCode, 1);
    }
    for (int i = 0; i < playcore::kPlayerCount; ++i) playcore::g_PlayerFuncs[i] = saved[i];
  });
}

std::set<int> EnabledTools(CRunDlg& d) {
  std::set<int> on;
  for (int id = kToolFirst; id < kToolFirst + kToolCount; ++id) {
    if (d.Tool(id).m_hWnd && d.Tool(id).IsWindowEnabled()) on.insert(id);
  }
  return on;
}

TEST_F(CommandsTest, PreviousRewindsAtTheFirstRowAndAnEmptyingFilterStopsEverything) {
  Run([](CRunDlg& d) {
    CFileListCtrl& list = d.m_browser.m_list;
    list.m_records = {Row(L"20260101_120000A_M.MP4", 1), Row(L"20260101_120100A_M.MP4", 2)};
    list.m_bFilter[0] = TRUE;
    list.RefillItems();
    ASSERT_EQ(list.GetItemCount(), 2);
    d.m_nCurIndex = 1;
    d.SendMessage(WM_COMMAND, kCmdPrevious, 0);
    EXPECT_EQ(d.m_nCurIndex, 0);
    d.m_seekBar.Redraw(500);
    d.SendMessage(WM_COMMAND, kCmdPrevious, 0);
    EXPECT_EQ(d.m_nCurIndex, 0) << "at the first row the recording rewinds";
    EXPECT_EQ(d.m_seekBar.m_nPos, 0) << "rewound to the start";
    // The CSV export works on the whole source, not the shown rows: its state is kept.
    const bool csv = d.Tool(kCmdCsv).IsWindowEnabled() != FALSE;
    d.OnFilterCommand(0);
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(d.m_nCurIndex, -1);
    std::set<int> want = {kCmdSource, kCmdSettings};
    if (csv) want.insert(kCmdCsv);
    EXPECT_EQ(EnabledTools(d), want);
  });
}

int g_doneMessages = 0;

UINT ToolProc(LPVOID p) {
  auto* d = static_cast<CtavrinDlg*>(p);
  // As the tools' dialogs do, the worker makes a window wrapper, and with it its thread's state.
  CWnd::FromHandle(::GetDesktopWindow());
  d->PostMessage(quill::msg::kProgress, 50, 100);
  d->m_bToolSucceeded = d->m_nProgress == -1 ? FALSE : d->m_bToolSucceeded;  // untouched: the case decides
  d->PostMessage(quill::msg::kToolFinished, 0, 0);
  return 0;
}
UINT SucceedingTool(LPVOID p) {
  static_cast<CtavrinDlg*>(p)->m_bToolSucceeded = TRUE;
  return ToolProc(p);
}
UINT FailingTool(LPVOID p) { return ToolProc(p); }

TEST_F(CommandsTest, OnlyASucceededToolSaysDoneAndTheControlsComeBack) {
  CmdHooks().showMessage = [](CWnd*, const wchar_t* text, const wchar_t*) {
    if (std::wstring(text) == UIText(48)) ++g_doneMessages;
  };
  Run([](CRunDlg& d) {
    struct Case {
      const char* name;
      UINT (*proc)(LPVOID);
      int messages;
    } cases[] = {{"succeeded", &SucceedingTool, 1}, {"failed or cancelled", &FailingTool, 0}};
    const int states = quill::framework::LiveThreadStates();
    for (const Case& c : cases) {
      g_doneMessages = 0;
      d.StartToolThread(c.proc);
      EXPECT_TRUE(d.m_bToolRunning) << c.name;
      EXPECT_FALSE(d.m_seekBar.IsWindowEnabled()) << c.name;
      ASSERT_TRUE(PumpUntil([&] { return !d.m_bToolRunning; }, 10000)) << c.name;
      EXPECT_EQ(g_doneMessages, c.messages) << c.name;
      EXPECT_TRUE(d.m_seekBar.IsWindowEnabled()) << c.name;
      EXPECT_FALSE(d.m_bToolLock) << c.name;
      EXPECT_FALSE(Visible(d.m_progress)) << c.name;
      EXPECT_EQ(quill::framework::LiveThreadStates(), states) << c.name << ": the worker's thread state was left behind";
    }
  });
}

// A long program path in the form the file functions read whole: a share's path gets the UNC form
// ("\\?\\\server" names nothing, and the program took itself for vanished).
TEST(ProgramFile, ALongPathGetsTheFormOfItsKind) {
  const std::wstring tail = std::wstring(MAX_PATH, L'd') + L"\\QuillmereX.exe";
  struct Case {
    std::wstring path, want;
  } cases[] = {
      {L"C:\\" + tail, L"\\\\?\\C:\\" + tail},
      {L"\\\\server\\share\\" + tail, L"\\\\?\\UNC\\server\\share\\" + tail},
      {L"\\\\?\\C:\\" + tail, L"\\\\?\\C:\\" + tail},
      {L"\\\\server\\share\\QuillmereX.exe", L"\\\\server\\share\\QuillmereX.exe"},
  };
  for (const Case& c : cases) EXPECT_EQ(LongPathForm(c.path), c.want) << c.path.substr(0, 20).c_str();
}

// A tool that reports 10 % and then 90 %, each time waiting until the test looked at the bar.
HANDLE g_reported[2] = {}, g_looked[2] = {};
UINT ReportingTool(LPVOID p) {
  auto* d = static_cast<CtavrinDlg*>(p);
  CWnd::FromHandle(::GetDesktopWindow());
  const int percents[2] = {10, 90};
  for (int i = 0; i < 2; ++i) {
    d->SendMessage(quill::msg::kProgress, percents[i], 100);
    SetEvent(g_reported[i]);
    WaitForSingleObject(g_looked[i], INFINITE);
  }
  d->PostMessage(quill::msg::kToolFinished, 0, 0);
  return 0;
}

// Every progress report of a tool redraws the bar: its filled part, read back from the screen, grows
// from 10 % to 90 % while the tool runs.
TEST_F(CommandsTest, TheProgressBarRedrawsAtEveryReportOfATool) {
  for (int i = 0; i < 2; ++i) {
    g_reported[i] = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_looked[i] = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  Run([](CRunDlg& d) {
    quill::test::Pixels seen[2];
    d.StartToolThread(&ReportingTool);
    for (int i = 0; i < 2; ++i) {
      EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(g_reported[i], 0) == WAIT_OBJECT_0; }, 30000));
      seen[i] = CaptureClient(d.m_progress.m_hWnd);
      SetEvent(g_looked[i]);
    }
    for (HANDLE looked : g_looked) SetEvent(looked);  // a worker left waiting by a failed wait goes on
    ASSERT_TRUE(PumpUntil([&] { return !d.m_bToolRunning; }, 30000));
    ASSERT_FALSE(seen[0].empty());
    Save(seen[0], L"progress_10.png");
    Save(seen[1], L"progress_90.png");
    // Halfway along, a row clear of the percentage text: unfilled at 10 %, filled at 90 %.
    const int x = seen[0].width / 4, y = 2;
    EXPECT_GT(quill::test::ColourDistance(seen[0].At(x, y), seen[1].At(x, y)), 60)
        << "the bar drew nothing between the reports";
    EXPECT_GT(quill::test::CountDifferentPixels(seen[0], seen[1], 60), seen[0].width * 22 / 2);
  });
  for (int i = 0; i < 2; ++i) {
    CloseHandle(g_reported[i]);
    CloseHandle(g_looked[i]);
  }
}

TEST(ProgramFile, ALongPathThatExistsIsFoundAndAnUnreadableOneCountsAsPresent) {
  quill::test::TempDir dir;
  std::wstring path = L"\\\\?\\" + dir.path();
  for (int i = 0; i < 6; ++i) {
    path += std::wstring(50, L'd') + std::to_wstring(i) + L"\\";
    CreateDirectoryW(path.c_str(), nullptr);
  }
  static std::wstring g_path;
  g_path = path.substr(4) + L"QuillmereX.exe";
  ASSERT_GT(g_path.size(), 300u);
  HANDLE f = CreateFileW((path + L"QuillmereX.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  CloseHandle(f);
  EXPECT_TRUE(ProgramFileExists([](std::wstring* p) { *p = g_path; return true; }));
  EXPECT_TRUE(ProgramFileExists([](std::wstring*) { return false; }));
  EXPECT_FALSE(ProgramFileExists([](std::wstring* p) { *p = L"Z:\\no\\such\\QuillmereX.exe"; return true; }));
  DeleteFileW((path + L"QuillmereX.exe").c_str());
  for (int i = 5; i >= 0; --i) {
    RemoveDirectoryW(path.c_str());
    path.resize(path.size() - 1);
    path.resize(path.find_last_of(L'\\') + 1);
  }
}

// --- The controller pad --------------------------------------------------------------------------------

std::atomic<int> g_rotations{0};
std::atomic<int> g_resets{0};
std::atomic<int> g_wrongSteps{0};
int CountRotation(CMoment*, CMovieStatic*, int lock, int, int dx, int dy, float) {
  if (lock != 1 || (dx != 0 && dy != 0) || (std::abs(dx) != 30 && std::abs(dy) != 30)) ++g_wrongSteps;
  return ++g_rotations;
}
void CountReset(int) { ++g_resets; }

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

// Holds `command` until `steps` steps came (the user's hold, as long as a loaded machine needs) and
// returns the steps counted at the release and the held time.
int Hold(CControllerDlg& pad, int command, int steps, std::atomic<int>& counter, double* heldMs) {
  const int before = counter;
  LARGE_INTEGER t0, t1;
  QueryPerformanceCounter(&t0);
  pad.Press(command);
  PumpUntil([&] { return counter - before >= steps; }, 10000);
  pad.Release();
  QueryPerformanceCounter(&t1);
  *heldMs = Seconds(t0, t1) * 1000;
  return counter - before;
}

// The pad's buttons are made in the state of a mode set before its window: the main dialog's pad comes
// up with all five disabled (mode 0) without each being enabled and then disabled once more.
TEST_F(CommandsTest, ThePadsButtonsAreMadeInTheStateOfItsMode) {
  Run([&](CRunDlg& d) {
    for (const CSkinButton& b : d.m_pad.m_button) EXPECT_FALSE(b.IsWindowEnabled());
    for (const int mode : {-1, 0, 3, 4}) {
      CControllerDlg pad;
      if (mode >= 0) pad.SetMode(mode);
      ASSERT_TRUE(pad.Create(CControllerDlg::kTemplateId, &d));
      for (const CSkinButton& b : pad.m_button) {
        ASSERT_TRUE(b.m_hWnd);
        const bool want = mode < 0 || PadButtonEnabled(b.GetDlgCtrlID(), mode);
        EXPECT_EQ(b.IsWindowEnabled() != FALSE, want) << "mode " << mode << " button " << b.GetDlgCtrlID();
      }
      pad.DestroyWindow();
    }
  });
}

TEST_F(CommandsTest, ThePadTurnsWhileHeldAndNeverAfter) {
  g_rotations = g_resets = g_wrongSteps = 0;
  int afterClose = 0;
  Run([&](CRunDlg& d) {
    CControllerDlg& pad = d.m_pad;
    ASSERT_TRUE(pad.m_hWnd);
    pad.m_pRotate = &CountRotation;
    pad.m_pReset = &CountReset;
    pad.SetMode(3);
    struct Case {
      int command;
      std::atomic<int>* counter;
    } cases[] = {{kPadUp, &g_rotations}, {kPadLeft, &g_rotations}, {kPadReset, &g_resets}};
    for (const Case& c : cases) {
      double held = 0;
      const int steps = Hold(pad, c.command, 3, *c.counter, &held);
      // Steps keep coming while held, at most one per 30 ms (a busy loop would give thousands).
      EXPECT_GE(steps, 3) << c.command;
      EXPECT_LE(steps, static_cast<int>(held / 30) + 2) << c.command << " held " << held << " ms";
      const int settled = *c.counter;
      PumpMessages(120);  // a late step would come within a few periods
      EXPECT_EQ(*c.counter, settled) << c.command << ": a step after the release";
    }
    EXPECT_EQ(g_wrongSteps, 0);
    // 500 quick presses: each one turns at least once, none hangs, and the worker still runs a hold.
    const int before = g_rotations;
    for (int i = 0; i < 500; ++i) {
      pad.Press(i % 2 ? kPadRight : kPadDown);
      pad.Release();
    }
    EXPECT_GE(g_rotations - before, 500);
    const int beforeHold = g_rotations;
    pad.Press(kPadUp);
    EXPECT_TRUE(PumpUntil([&] { return g_rotations - beforeHold >= 3; }, 10000));
    pad.Release();
    // A mode without buttons ends a held command.
    pad.Press(kPadUp);
    pad.SetMode(5);
    EXPECT_EQ(pad.Command(), 0);
    EXPECT_FALSE(pad.m_button[0].IsWindowEnabled());
    pad.SetMode(4);
    EXPECT_FALSE(pad.m_button[0].IsWindowEnabled());
    EXPECT_TRUE(pad.m_button[1].IsWindowEnabled());
    // Held while the window closes: the close stops the worker before the players go.
    pad.SetMode(3);
    pad.Press(kPadUp);
  });
  afterClose = g_rotations;
  Sleep(120);
  EXPECT_EQ(g_rotations, afterClose) << "a turn after the players were released";
}

}  // namespace
