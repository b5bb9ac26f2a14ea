// The drive-data views and the dialogs inside the real main dialog: the children it makes, the views'
// messages reaching their handlers, the views following two playback positions of a generated
// recording opened into the main instance, and the shut-down ending the network threads.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/private_messages.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/instance_ops.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/browser/recording_names.h"
#include "tavrin/driveviews/gsensor_model.h"
#include "tavrin/driveviews/info_format.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;
using playcore::g_PlayerFuncs;
using playcore::g_PlayerInstance;
using playcore::sPLAYERINSTANCE;

TEST(DriveViews, GraphClicksGoToTheNeighbouringEventAndWrapAround) {
  const std::vector<int> events = {100, 400, 900};
  struct { int cursor; bool next; int target; } cases[] = {
      {0, true, 100},   {100, true, 400},   {899, true, 900},  {900, true, 100},  {2000, true, 100},
      {2000, false, 900}, {900, false, 400}, {400, false, 100}, {100, false, 900}, {0, false, 900},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GraphEventTarget(events, c.cursor, c.next), c.target) << c.cursor << (c.next ? " next" : " previous");
  }
  EXPECT_EQ(GraphEventTarget({}, 10, true), -1);
  EXPECT_EQ(GraphEventTarget({}, 10, false), -1);
}

TEST(DriveViews, TriggerPictures) {
  struct { const wchar_t* name; int picture; } triggers[] = {
      {L"001_120000A_M.MP4", 5}, {L"002_120100G_M.MP4", 3}, {L"003_120200M_M.MP4", 6},
      {L"004_120300P_M.MP4", 4}, {L"005_120400S_M.MP4", 1}, {L"006_120500R_M.MP4", 2},
      {L"notarecording.MP4", 0},
  };
  for (const auto& t : triggers) EXPECT_EQ(TriggerPictureCode(ClassifyEventLetter(t.name)), t.picture) << t.name;
}

constexpr DWORD kNetworkSafetyNetMs = 60000;  // only catches a network thread that never ends

// The movie side of both players: positions and seeks kept here, every transport call answered.
constexpr int64_t kPositions = 60;
int64_t g_position[2];
int64_t FakeGetPosition(sPLAYERINSTANCE* i) { return g_position[i == &g_PlayerInstance[1]]; }
int FakeSeek(sPLAYERINSTANCE* i, int64_t p) {
  g_position[i == &g_PlayerInstance[1]] = p;
  return 1;
}
int64_t FakeDuration(sPLAYERINSTANCE*) { return kPositions; }
int FakeOk(sPLAYERINSTANCE*) { return 1; }

void FakeMovieSide() {
  for (playcore::sPLAYERFUNCS& f : g_PlayerFuncs) {
    f.GetPosition = &FakeGetPosition;
    f.Seek = f.SetPosition = &FakeSeek;
    f.GetDuration = f.GetDuration2 = &FakeDuration;
    f.Play = f.Pause = f.Stop = f.Repaint = &FakeOk;
  }
  g_position[0] = g_position[1] = 0;
}

// A map dialog that keeps the statements the page would run.
class FakeMap : public driveviews::IMapDialog {
 public:
  HWND Window() const override { return nullptr; }
  void SetHostFuncs(IHostWebViewFuncs*) override {}
  void ExecScript(const std::wstring& s) override { scripts.push_back(s); }
  void SetPosition(double, double) override {}
  void SetStatus(const std::wstring&) override {}
  void TransferState() override {}
  void SendState() override {}
  int Points() const {
    return static_cast<int>(std::count_if(scripts.begin(), scripts.end(),
                                          [](const std::wstring& s) { return s.rfind(L"cplist.AddCrashPos(", 0) == 0; }));
  }
  std::vector<std::wstring> scripts;
};

void Drain() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// The main dialog running a script once its start-up is done, then closing.
class CViewsDlg : public CtavrinDlg {
 public:
  std::function<void(CViewsDlg&)> script;
  BOOL OnInitDialog() override {
    const BOOL result = CtavrinDlg::OnInitDialog();
    Drain();  // the after-start steps
    if (script) script(*this);
    PostMessage(WM_COMMAND, kCmdClose, 0);
    return result;
  }
};

HANDLE g_tested = nullptr;  // set by the connectivity watch's first test

class MainDialogViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, saved_);
    SetCurrentDirectoryW(dir_.path().c_str());
    WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", (dir_.path() + L"Default_Folder.ini").c_str());
    OleInitialize(nullptr);
    g_tested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Hooks().probeD3dx = [] { return true; };
    Hooks().mapVariant = [] { return driveviews::MapVariant::kInternetExplorer; };
    // No network: a connection test that answers offline at once, and version files that never come.
    Hooks().inetConfig = [] {
      CInetConnectionAsync::Config config = CInetConnectionAsync::ProgramConfig();
      config.intervalMs = 20;
      config.test = [](const std::wstring&) { return SetEvent(g_tested) && false; };
      config.fetch = [](const std::wstring&, std::wstring*) { return false; };
      return config;
    };
  }
  void TearDown() override {
    Hooks() = StartupHooks{};
    CloseHandle(g_tested);
    OleUninitialize();
    SetCurrentDirectoryW(saved_);
  }
  quill::skin::GdiplusSession gdiplus_;
  quill::test::TempDir dir_;
  wchar_t saved_[MAX_PATH] = L"";
};

TEST_F(MainDialogViewsTest, TheViewsAndDialogsAreMadeAndTheNetworkThreadsEndAtTheClose) {
  for (driveviews::MapVariant variant : {driveviews::MapVariant::kInternetExplorer, driveviews::MapVariant::kWebView2}) {
    static driveviews::MapVariant chosen;
    chosen = variant;
    Hooks().mapVariant = [] { return chosen; };
    ResetEvent(g_tested);
    CViewsDlg dlg;
    bool checked = false;
    dlg.script = [&](CViewsDlg& d) {
      EXPECT_TRUE(IsWindow(d.m_graph.m_hWnd));
      EXPECT_TRUE(IsWindow(d.m_info.m_hWnd));
      EXPECT_GT(d.m_graph.m_nTileStep, 0) << "the graph paints";
      EXPECT_TRUE(IsWindow(d.m_settingDlg.m_hWnd));
      EXPECT_FALSE(IsWindowVisible(d.m_settingDlg.m_hWnd)) << "the settings dialog waits for its command";
      EXPECT_EQ(d.m_mapVariant, variant);
      driveviews::IMapDialog* map = d.m_map.Dialog();
      EXPECT_TRUE(!map || GetParent(map->Window()) == d.m_mapFrame.m_hWnd) << "the map sits in the map frame";
      // The connectivity watch runs.
      EXPECT_EQ(WaitForSingleObject(g_tested, 10000), WAIT_OBJECT_0);
      // The movie window and the settings dialog are made hidden and take no focus then; activated,
      // each gives it to its first control, as when they took it at their creation.
      ::SetActiveWindow(d.m_movieDlg.m_hWnd);
      EXPECT_EQ(GetFocus(), d.m_movieDlg.m_btnSize.m_hWnd) << "the movie window's size button";
      // The settings command shows the dialog.
      d.SendMessage(WM_COMMAND, kCmdSettings, 0);
      EXPECT_TRUE(IsWindowVisible(d.m_settingDlg.m_hWnd));
      EXPECT_EQ(GetFocus(), d.m_settingDlg.m_link.m_hWnd) << "the settings dialog's link";
      checked = true;
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(checked);
    // The close stopped both network threads: whatever Stop did not see end within its wait ends after.
    EXPECT_TRUE(dlg.m_inet.WaitThreadsEnded(kNetworkSafetyNetMs)) << "the network threads ended after the close";
  }
}

TEST_F(MainDialogViewsTest, AGeneratedRecordingDrivesTheViewsAndTheirMessages) {
  const std::wstring dir = quill::test::RecordingsDir();
  if (dir.empty()) GTEST_SKIP() << "QUILL_RECORDINGS not set";
  const std::wstring path = dir + L"card\\20240315_001\\004_093200M_M.MP4";
  CViewsDlg dlg;
  bool ran = false;
  dlg.script = [&](CViewsDlg& d) {
    ASSERT_TRUE(g_PlayerInstance[0].active) << "the main instance did not start";
    FakeMovieSide();
    g_PlayerInstance[0].movieOpen = 1;
    g_PlayerInstance[0].timeScale = 1000.0f / 30;
    ASSERT_EQ(playcore::PlayerCall_OpenDataFile(path.c_str(), L""), 1);
    ASSERT_EQ(playcore::PlayerInstance::CommitDataFile(&g_PlayerInstance[0]), 1);
    // As the start of playback leaves them: both movies open, the seek bar over the movie.
    g_PlayerInstance[1].movieOpen = 1;
    d.m_seekBar.SetRange(0, static_cast<int>(kPositions));
    auto* map = new FakeMap;
    d.m_map.Attach(std::unique_ptr<driveviews::IMapDialog>(map));
    d.OnDriveDataOpened();
    ASSERT_FALSE(d.m_driveEvents.empty()) << "the recording's shocks and manual mark";
    EXPECT_EQ(d.m_graph.m_nGraphFlag, 1);
    EXPECT_EQ(d.m_graph.m_channels.marks, 1) << "a manual recording carries its marks";
    EXPECT_EQ(d.m_info.m_nTrigger, 6) << "the manual recording's picture";

    // Two positions: the cursor moves right and the shown time changes.
    auto seenAt = [&](int64_t position) {
      d.SetTrackIndex(position);  // as the playback tick does
      CRect rc;
      d.m_graph.GetClientRect(&rc);
      SYSTEMTIME t = {};
      EXPECT_TRUE(d.m_info.m_bStartValid &&
                  quill::driveviews::PositionTime(d.m_info.m_stStart, d.m_info.m_nSampleIndex, d.m_info.m_fMsPerSample, &t));
      const int x = quill::driveviews::CursorX(50, rc.Width(), d.m_graph.m_nCursor, d.m_graph.m_nStepCount);
      return std::make_pair(x, quill::driveviews::FormatDateTime(t));
    };
    const auto early = seenAt(5), late = seenAt(45);
    EXPECT_EQ(d.m_graph.m_nStepCount, kPositions);
    EXPECT_GT(late.first, early.first);
    EXPECT_NE(late.second, early.second);
    EXPECT_EQ(d.m_map.PositionKey(), 45);

    // The map page is ready: a new track and the event points, last to first.
    map->scripts.clear();
    d.m_map.JS2C_OnInitHtml();
    Drain();
    ASSERT_FALSE(map->scripts.empty());
    EXPECT_EQ(map->scripts[0], L"cplist.ClearCrashPos()");
    const int points = map->Points();
    EXPECT_EQ(points, static_cast<int>(d.m_driveEvents.size()));

    // A right click on the graph: the next event; a left click: the one before it. Like the seek
    // bar's seeks they stop twice the frame margin before the movies' end.
    std::vector<int> positions;
    for (const DriveEvent& e : d.m_driveEvents) positions.push_back(e.position);
    const int64_t last = kPositions - 2 * d.GetFrameMargin();
    d.SetTrackIndex(0);
    d.m_graph.SendMessage(WM_RBUTTONUP, 0, 0);
    Drain();
    const int next = GraphEventTarget(positions, 0, true);
    EXPECT_EQ(g_position[0], std::min<int64_t>(next, last));
    EXPECT_EQ(g_position[1], std::min<int64_t>(next, last)) << "both players seek";
    d.m_graph.SendMessage(WM_LBUTTONUP, 0, 0);
    Drain();
    EXPECT_EQ(g_position[0], std::min<int64_t>(GraphEventTarget(positions, next, false), last));

    // The map asks for a seek: both players go there, and the views follow.
    d.PostMessage(quill::msg::kMapSeek, 0, 13);
    Drain();
    EXPECT_EQ(g_position[0], 13);
    EXPECT_EQ(g_position[1], 13);
    EXPECT_EQ(d.m_graph.m_nCursor, 13);

    // The info panel's first toggle switches the graph's first band off and the map loses its points.
    const int axis0 = static_cast<int>(std::count_if(d.m_driveEvents.begin(), d.m_driveEvents.end(),
                                                     [](const DriveEvent& e) { return e.channel == 0; }));
    map->scripts.clear();
    d.m_info.SendMessage(WM_COMMAND, MAKEWPARAM(CInfoDlg::kFirstToggleId, BN_CLICKED),
                         reinterpret_cast<LPARAM>(d.m_info.m_toggles[0].m_hWnd));
    Drain();
    EXPECT_EQ(d.m_graph.m_channels.enabled[0], 0);
    EXPECT_EQ(map->Points(), points - axis0);

    // The settings' parking-shock option reaches the graph's channel 5, both ways.
    d.PostMessage(quill::msg::kSettingChanged, 0, 0);
    Drain();
    EXPECT_EQ(d.m_graph.m_channels.enabled[5], 0);
    d.PostMessage(quill::msg::kSettingChanged, 0, 1);
    Drain();
    EXPECT_EQ(d.m_graph.m_channels.enabled[5], 1);
    ran = true;
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(ran);
  EXPECT_EQ(g_PlayerInstance[0].active, 0) << "the close released the players";
}

}  // namespace
