// The main window's pieces in-process: the button rules, the private messages dispatched through the
// real main dialog's modal loop, the geometry that must not divide by zero, the paint choice of a pane,
// the message box's placement and its end by a quit.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/framework/private_messages.h"
#include "playcore/scene/trackball.h"
#include "tavrin/app/main/app_startup.h"
#include "tavrin/app/main/button_rules.h"
#include "tavrin/app/main/layout_geometry.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/main/movie_pane.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/msg_box.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;

ButtonState Playing(int speed) {
  ButtonState s;
  s.rows = 3;
  s.currentIndex = 1;
  s.playState = 2;
  s.speedCode = speed;
  s.holdsDataSource = true;
  s.d3dx = true;
  s.movieOpen0 = s.movieOpen1 = true;
  s.csvLocked = false;
  return s;
}

struct ButtonCase {
  const char* name;
  ButtonState state;
  std::vector<int> enabled;  // every other tool button disabled
};

TEST(ButtonRules, EnabledSetsByState) {
  ButtonState empty;
  empty.csvEnabledNow = true;
  ButtonState stoppedFirst = Playing(1);
  stoppedFirst.playState = 1;
  stoppedFirst.currentIndex = 0;
  ButtonState pausedOneRow = Playing(1);
  pausedOneRow.playState = 3;
  pausedOneRow.rows = 1;
  pausedOneRow.currentIndex = 0;
  ButtonState noD3dxUpload = Playing(1);
  noD3dxUpload.d3dx = false;
  noD3dxUpload.joinFace = false;
  noD3dxUpload.browserMode = 3;
  noD3dxUpload.movieOpen1 = false;
  noD3dxUpload.csvLocked = true;
  ButtonState rearPrimary = Playing(1);
  rearPrimary.primaryPane = 1;
  rearPrimary.primaryMode = 5;
  const ButtonCase cases[] = {
      {"empty list: source, settings, CSV kept", empty, {38013, 38015, 38016}},
      {"playing at the top speed", Playing(3),
       {38000, 38001, 38002, 38003, 38005, 38006, 38007, 38008, 38009, 38010, 38012, 38013, 38014, 38015, 38016,
        38017}},
      {"playing at the lowest speed", Playing(-2),
       {38000, 38001, 38002, 38004, 38005, 38006, 38007, 38008, 38009, 38010, 38012, 38013, 38014, 38015, 38016,
        38017}},
      {"stopped on the first row", stoppedFirst,
       {38002, 38005, 38006, 38007, 38008, 38009, 38010, 38012, 38013, 38014, 38015, 38016, 38017}},
      {"paused, one row", pausedOneRow,
       {38000, 38002, 38006, 38007, 38008, 38009, 38010, 38012, 38013, 38014, 38015, 38016, 38017}},
      {"no D3DX, upload face, browser mode 3", noD3dxUpload,
       {38000, 38001, 38002, 38003, 38004, 38005, 38006, 38008, 38013, 38015}},
      {"rear camera primary in mode 5", rearPrimary,
       {38000, 38001, 38002, 38003, 38004, 38005, 38006, 38007, 38008, 38011, 38012, 38013, 38014, 38015, 38016,
        38017}},
  };
  for (const ButtonCase& c : cases) {
    const ButtonSet set = UpdateButtonsRule(c.state);
    for (int id = kToolFirst; id < kToolFirst + kToolCount; ++id) {
      const bool expected = std::find(c.enabled.begin(), c.enabled.end(), id) != c.enabled.end();
      EXPECT_EQ(set.Enabled(id), expected) << c.name << ": button " << id;
    }
  }
  EXPECT_FALSE(UpdateButtonsRule(empty).captionEnabled == false && empty.captionEnabledNow);
  ButtonState step2 = Playing(1);
  step2.sizeStep = 2;
  EXPECT_FALSE(UpdateButtonsRule(step2).snapshotVisible);
  const ButtonSet none = DisableAllButtonsRule(Playing(1));
  EXPECT_FALSE(none.captionEnabled);
  for (int id = kToolFirst; id < kToolFirst + kToolCount; ++id) EXPECT_FALSE(none.Enabled(id));
}

TEST(StartupTables, PresetDirectionsAreUnitVectorsWithTheSingleFloatRoots) {
  for (int row = 0; row < playcore::kPresetViewCount; ++row) {
    const float* v = playcore::PresetDirections()[row].data();
    EXPECT_EQ(v[1], row < 4 ? 0.70710677f : 0.8660254f) << row;
    EXPECT_NEAR(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]), 1.0, 1e-6) << row;
    EXPECT_EQ(v[3], 0.0f);
  }
}

TEST(Geometry, NoDivisionByZero) {
  struct { WPARAM done; LPARAM total; int percent; } progress[] = {
      {5, 0, 100}, {0, -3, 100}, {50, 200, 25}, {300, 100, 100}, {0xFFFFFFFF, 0x7FFFFFFF, 100}};
  for (const auto& p : progress) EXPECT_EQ(ProgressPercent(p.done, p.total), p.percent) << p.done << "/" << p.total;

  const MovieFrameGeometry noBrowser = ComputeMovieFrame(1280, 720, 0, 0);  // factor falls back to 1
  EXPECT_EQ(noBrowser.frame.cx, 1280 + 8);
  EXPECT_EQ(noBrowser.pane.left, -2);
  const MovieFrameGeometry step0 = ComputeMovieFrame(0, 0, 374, 0);  // unknown size: 732 x 411
  EXPECT_EQ(step0.pane.right - step0.pane.left, 370);

  EXPECT_EQ(PlaceLogo(0, 406, 300, 300).height, 0);  // no picture
  const LogoPlacement wide = PlaceLogo(600, 300, 300, 300);
  EXPECT_EQ(wide.top, 75);
  EXPECT_EQ(wide.height, 150);
}

TEST(PanePaint, ChoiceByPlayStates) {
  struct { int pane; bool blank, active; int own, s0, s1; bool repaint; PanePaint paint; } cases[] = {
      {0, true, true, 2, 2, 2, false, PanePaint::kBlack},
      {0, false, true, 2, 2, 0, false, PanePaint::kNothing},
      {1, false, true, 3, 3, 3, false, PanePaint::kRepaint},
      {0, false, true, 1, 1, 0, false, PanePaint::kBlack},
      {0, false, true, 1, 1, 0, true, PanePaint::kRepaint},
      {1, false, true, 0, 2, 0, false, PanePaint::kNoRearMovie},
      {0, false, true, 0, 0, 1, false, PanePaint::kNoMainMovie},
      {1, false, false, 0, 0, 0, false, PanePaint::kBlack},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChoosePanePaint(c.pane, c.blank, c.active, c.own, c.s0, c.s1, c.repaint), c.paint)
        << "pane " << c.pane << " states " << c.s0 << "," << c.s1;
  }
}

class FakePaneOwner : public IPaneOwner {
 public:
  void ShowContextMenu(POINT, int pane) override { menus += pane + 1; }
  void OnPaneClickZoom(int, POINT) override { ++clicks; }
  void OnDialogDoubleClick(int) override { ++doubleClicks; }
  void OnEndOfMovie(WPARAM, int player) override { ended += player + 1; }
  void OnMovieReady(WPARAM, int player) override { ready += player + 1; }
  void OnGraphEvent(WPARAM, LPARAM) override { ++graphEvents; }
  int menus = 0, clicks = 0, doubleClicks = 0, ended = 0, ready = 0, graphEvents = 0;
};

template <typename Pred>
bool PumpUntil(Pred done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  return true;
}

TEST(VideoPane, ClicksAndPlayerMessagesReachTheOwner) {
  CWnd host;
  ASSERT_TRUE(host.CreateEx(0, L"STATIC", L"", WS_POPUP, RECT{0, 0, 200, 200}, nullptr, 0));
  FakePaneOwner owner;
  CMovieStatic pane;
  pane.m_pOwner = &owner;
  pane.m_nPlayer = 1;
  ASSERT_TRUE(pane.CreatePane(&host, RECT{0, 0, 100, 100}, 1000));
  const LPARAM at = MAKELPARAM(20, 30);
  // A click without movement: one click zoom once the double-click time has passed.
  pane.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
  pane.SendMessage(WM_LBUTTONUP, 0, at);
  EXPECT_TRUE(PumpUntil([&] { return owner.clicks == 1; }, 10000));
  // A double click: only the double-click call; the latch clears after the release.
  pane.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
  pane.SendMessage(WM_LBUTTONUP, 0, at);
  pane.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  pane.SendMessage(WM_LBUTTONUP, 0, at);
  EXPECT_EQ(owner.doubleClicks, 1);
  EXPECT_TRUE(PumpUntil([&] { return !pane.m_bDblLatch; }, 10000));
  EXPECT_EQ(owner.clicks, 1);
  // The player's reports carry the pane's player index.
  pane.SendMessage(quill::msg::kPlayerReady);
  pane.SendMessage(quill::msg::kPlayerEnded);
  pane.SendMessage(quill::msg::kPlayerPaused);
  pane.SendMessage(quill::msg::kGraphEvent);
  pane.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(pane.m_hWnd), MAKELPARAM(5, 5));
  EXPECT_EQ(owner.ready, 2);
  EXPECT_EQ(owner.ended, 2);
  EXPECT_EQ(owner.graphEvents, 1);
  EXPECT_EQ(owner.menus, 2);
}

TEST(MsgBox, PlacedOnTheOwnerInsideTheWorkArea) {
  const RECT work = {0, 0, 1280, 1000};
  struct { RECT owner; bool iconic; POINT at; } cases[] = {
      {{100, 100, 500, 400}, false, {200, 200}},
      {{1200, 900, 1600, 1200}, false, {1080, 900}},   // owner past the bottom right: kept inside
      {{-3000, -3000, -2900, -2900}, false, {0, 0}},
      {{-32000, -32000, -31840, -31970}, true, {540, 450}},  // minimised owner: centred in the area
  };
  for (const auto& c : cases) {
    const POINT at = PlaceMsgBox(c.owner, c.iconic, SIZE{200, 100}, work);
    EXPECT_EQ(at.x, c.at.x);
    EXPECT_EQ(at.y, c.at.y);
  }
}

TEST(MsgBox, AQuitWhileItAsksAnswersNoWithoutASystemBox) {
  quill::skin::GdiplusSession gdiplus;
  const UINT types[] = {CMsgBox::kTypeOk, CMsgBox::kTypeOkCancel, CMsgBox::kTypeYesNo};
  const INT_PTR answers[] = {IDCANCEL, IDCANCEL, IDNO};
  for (int i = 0; i < 3; ++i) {
    PostQuitMessage(3);
    CMsgBox box;
    EXPECT_EQ(box.Show(L"text", L"caption", types[i]), answers[i]);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit is kept for the outer loop";
  }
}

// The real main dialog: posted private messages go through its modal loop to their handlers.
class CScriptedDlg : public CtavrinDlg {
 public:
  struct Post {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
  };
  std::vector<Post> posts;
  int toolTips = 0;
  std::vector<std::string> buttonFaults;  // tool buttons not where the arrangement or not as the rules say
  BOOL OnInitDialog() override {
    const BOOL result = CtavrinDlg::OnInitDialog();
    toolTips = m_toolTip.GetToolCount();
    CheckButtons();
    for (const Post& p : posts) PostMessage(p.msg, p.wp, p.lp);
    PostMessage(WM_COMMAND, kCmdClose, 0);
    return result;
  }
  // The buttons are made at their places and in their states before the arrangement and the rules
  // run, which then move and enable only what differs: at the end of the start-up each stands where
  // the arrangement puts it and is enabled as the rules say.
  void CheckButtons() {
    int ids[kToolButtonCount];
    for (int i = 0; i < kToolButtonCount; ++i) ids[i] = m_tool[i].m_hWnd ? m_tool[i].GetDlgCtrlID() : 0;
    ButtonPlace places[kToolButtonCount];
    ToolRowPlaces(LayoutForStep(m_nSizeStep), VisibilityFor(m_nSizeStep, false), ids, kToolButtonCount, places);
    const ButtonSet rules = UpdateButtonsRule(CurrentButtonState());
    for (int i = 0; i < kToolButtonCount; ++i) {
      CSkinButton& b = m_tool[i];
      const std::string id = std::to_string(kToolFirst + i);
      if (!b.m_hWnd) {
        buttonFaults.push_back(id + " missing");
        continue;
      }
      if ((b.IsWindowEnabled() != FALSE) != rules.enabled[i]) buttonFaults.push_back(id + " enabled");
      RECT r;
      b.GetWindowRect(&r);
      MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
      if (places[i].shown && !EqualRect(&r, &places[i].rect)) buttonFaults.push_back(id + " place");
      if (((b.GetStyle() & WS_VISIBLE) != 0) != places[i].shown) buttonFaults.push_back(id + " shown");
    }
  }
};

class MainDialogTest : public ::testing::Test {
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
    SetCurrentDirectoryW(saved_);
  }
  quill::skin::GdiplusSession gdiplus_;
  quill::test::TempDir dir_;
  wchar_t saved_[MAX_PATH] = L"";
};

TEST_F(MainDialogTest, PrivateMessagesReachTheirHandlersThroughTheModalLoop) {
  struct Case {
    const char* name;
    CScriptedDlg::Post post;
    int progress;
    int volume;
  } cases[] = {
      {"progress without a total", {quill::msg::kProgress, 7, 0}, 100, 65535},
      {"progress", {quill::msg::kProgress, 30, 120}, 25, 65535},
      {"slider of another control", {quill::msg::kSliderRelease, 999, 1000}, 0, 65535},
      {"volume slider", {quill::msg::kSliderTrack, CtavrinDlg::kVolumeId, 1000}, 0, 1000},
      {"file list double click", {quill::msg::kListDoubleClick, 0, 0}, 0, 65535},
  };
  for (const Case& c : cases) {
    CScriptedDlg dlg;
    dlg.posts.push_back(c.post);
    EXPECT_EQ(dlg.DoModal(), IDOK) << c.name;
    EXPECT_TRUE(dlg.m_bStarted) << c.name << ": the after-start message ran before the close";
    EXPECT_EQ(dlg.toolTips, 21) << c.name << ": every tool and caption button has its tip";
    EXPECT_EQ(dlg.buttonFaults, std::vector<std::string>{}) << c.name;
    EXPECT_EQ(dlg.m_nProgress, c.progress) << c.name;
    EXPECT_EQ(dlg.m_nVolume, c.volume) << c.name;
    // Release closes an instance's mutexes; the close clears the active word whether it released or not.
    for (const playcore::sPLAYERINSTANCE& instance : playcore::g_PlayerInstance) {
      EXPECT_EQ(instance.instanceMutex, nullptr) << c.name << ": the close did not release a player";
      EXPECT_EQ(instance.dataMutex, nullptr) << c.name << ": the close did not release a player";
    }
  }
}

TEST_F(MainDialogTest, EscapeTakesTheFullClosePath) {
  CScriptedDlg dlg;
  dlg.posts.push_back({WM_COMMAND, IDCANCEL, 0});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(dlg.m_bShutDown);
  EXPECT_FALSE(dlg.m_hPlayMutex.valid());
}

TEST_F(MainDialogTest, WhatIsQueuedBehindTheSystemsCloseNoLongerRuns) {
  // Alt+F4 stops everything and posts the quit, which comes only after what was queued before it:
  // those commands and private messages must not drive the released players.
  struct Case {
    const char* name;
    CScriptedDlg::Post post;
  } cases[] = {
      {"size step", {WM_COMMAND, kCmdNextSize, 0}},
      {"display mode", {WM_COMMAND, kCmdDisplayMode, 0}},
      {"volume slider", {quill::msg::kSliderTrack, CtavrinDlg::kVolumeId, 1000}},
      {"progress", {quill::msg::kProgress, 30, 120}},
      {"window drag press", {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 10)}},
  };
  for (const Case& c : cases) {
    CScriptedDlg dlg;
    dlg.posts = {{WM_SYSCOMMAND, SC_CLOSE, 0}, c.post};
    EXPECT_EQ(dlg.DoModal(), IDOK) << c.name;
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << c.name << ": the close posted its quit";
    EXPECT_TRUE(dlg.m_bShutDown) << c.name;
    EXPECT_EQ(dlg.m_nSizeStep, 0) << c.name;
    EXPECT_EQ(dlg.m_nPaneMode[0], 3) << c.name;
    EXPECT_EQ(dlg.m_nVolume, 65535) << c.name;
    EXPECT_EQ(dlg.m_nProgress, 0) << c.name;
    EXPECT_FALSE(dlg.m_bDragging) << c.name;
  }
}

int g_messages = 0;

TEST_F(MainDialogTest, AFailedMutexEndsTheDialogCleanlyWithAMessage) {
  Hooks().createMutex = []() -> HANDLE { return nullptr; };
  Hooks().showMessage = [](CWnd*, const wchar_t*, const wchar_t*) { ++g_messages; };
  g_messages = 0;
  CScriptedDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_FALSE(dlg.m_bInitDone);
  EXPECT_EQ(g_messages, 1);
}

}  // namespace
