// The map in the real main dialog, with a fake map dialog in the map frame standing for a page that
// reports itself ready (no browser engine runs here): the map button shows the map or the logo by the
// map-or-logo rule, the list's track reaches the page, the marker follows the transport and the tick,
// and the service key of the settings file reaches the script address. Also the rule's own tables.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/private_messages.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/instance_ops.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/main/map_view_rules.h"
#include "tavrin/browser/recording_pair.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tests/app/run_main_dialog.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;
using playcore::g_PlayerFuncs;
using playcore::g_PlayerInstance;
using playcore::sPLAYERINSTANCE;

TEST(MapRules, TheFrameShowsTheMapOnlyWhenEverythingForItIsThere) {
  struct Case {
    MapFrameFacts facts;
    MapFrameContent content;
    int picture;
  } cases[] = {
      {{true, true, true, false}, MapFrameContent::kMap, 1},
      {{false, true, true, false}, MapFrameContent::kLogo, 1},  // the page has not reported ready
      {{true, false, true, false}, MapFrameContent::kLogo, 1},  // offline
      {{true, true, false, false}, MapFrameContent::kLogo, 1},  // no GPS in the recording
      {{true, true, true, true}, MapFrameContent::kLogo, 2},    // a parking recording
      {{false, false, false, true}, MapFrameContent::kLogo, 2},
  };
  for (const Case& c : cases) {
    const MapFrameFacts& f = c.facts;
    EXPECT_EQ(ChooseMapFrameContent(f), c.content) << f.pageInitialised << f.online << f.hasGps << f.parking;
    EXPECT_EQ(LogoPicture(f), c.picture) << f.parking;
  }
}

TEST(MapRules, TheMarkerStatusFollowsThePlayState) {
  struct Case {
    bool active;
    int state, marker;
  } cases[] = {
      {true, playcore::kPlayPlaying, driveviews::kMapPlaying}, {true, playcore::kPlayPaused, driveviews::kMapPaused},
      {true, playcore::kPlayStopped, driveviews::kMapStopped}, {true, 0, driveviews::kMapStopped},
      {false, playcore::kPlayPlaying, driveviews::kMapStopped},
  };
  for (const Case& c : cases) EXPECT_EQ(MarkerStatusForPlayState(c.active, c.state), c.marker) << c.state;
}

// The movie side of the players: positions and play states kept here.
constexpr int64_t kPositions = 60;
int64_t g_position[2];
int Which(sPLAYERINSTANCE* i) { return i == &g_PlayerInstance[1] ? 1 : 0; }
int64_t FakeGetPosition(sPLAYERINSTANCE* i) { return g_position[Which(i)]; }
int FakeSeek(sPLAYERINSTANCE* i, int64_t p) {
  g_position[Which(i)] = p;
  return 1;
}
int64_t FakeDuration(sPLAYERINSTANCE*) { return kPositions; }
int FakePlay(sPLAYERINSTANCE* i) { return i->playState = playcore::kPlayPlaying, 1; }
int FakePause(sPLAYERINSTANCE* i) { return i->playState = playcore::kPlayPaused, 1; }
int FakeStop(sPLAYERINSTANCE* i) { return i->playState = playcore::kPlayStopped, 1; }
int FakeOk(sPLAYERINSTANCE*) { return 1; }
int FakeValue(sPLAYERINSTANCE*, int32_t) { return 1; }
int FakeNoSize(sPLAYERINSTANCE*, int32_t*, int32_t*) { return 0; }

void FakeMovieSide() {
  for (playcore::sPLAYERFUNCS& f : g_PlayerFuncs) {
    f.GetPosition = &FakeGetPosition;
    f.Seek = f.SetPosition = &FakeSeek;
    f.GetDuration = f.GetDuration2 = &FakeDuration;
    f.Play = &FakePlay;
    f.Pause = &FakePause;
    f.Stop = &FakeStop;
    f.Repaint = &FakeOk;
    f.SetRate = f.SetVolume = &FakeValue;
    f.GetNativeSize = &FakeNoSize;
  }
  g_position[0] = g_position[1] = 0;
}

// A map dialog with a real (empty) window in the map frame, keeping what the page would be handed.
class FakeMap : public driveviews::IMapDialog {
 public:
  explicit FakeMap(HWND window) : window_(window) {}
  ~FakeMap() override { DestroyWindow(window_); }
  HWND Window() const override { return window_; }
  void SetHostFuncs(IHostWebViewFuncs*) override {}
  void ExecScript(const std::wstring& s) override { scripts.push_back(s); }
  void SetPosition(double lat, double lng) override { latitude = lat, longitude = lng; }
  void SetStatus(const std::wstring& s) override { status = s; }
  // What the Internet Explorer page's hidden inputs hold: the state at the last transfer.
  void TransferState() override { inputLatitude = latitude, inputLongitude = longitude, inputStatus = status; }
  void SendState() override {}
  int MoveMarkers() const {
    return static_cast<int>(std::count(scripts.begin(), scripts.end(), std::wstring(L"orbitgrplist.MoveMarker()")));
  }
  std::vector<std::wstring> scripts;
  std::wstring status = L"ready";
  double latitude = -1, longitude = -1;
  double inputLatitude = -1, inputLongitude = -1;
  std::wstring inputStatus = L"ready";

 private:
  HWND window_;
};

void Drain() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

template <typename Pred>
bool PumpUntil(Pred done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Drain();
  }
  return true;
}

UINT IdleTool(LPVOID) { return 0; }

std::wstring Text(BSTR b) {
  std::wstring s = b ? std::wstring(b, SysStringLen(b)) : std::wstring();
  SysFreeString(b);
  return s;
}

// The number of GPS points the page gets from JS2C_GetGPSData (the array's closing count / 3).
int PageTrackPoints(driveviews::CGoogleMapDlgWrap& map) {
  VARIANT v = map.JS2C_GetGPSData();
  int points = -1;
  if (v.vt == (VT_ARRAY | VT_VARIANT) && v.parray) {
    LONG upper = -1;
    SafeArrayGetUBound(v.parray, 1, &upper);
    VARIANT last;
    VariantInit(&last);
    if (upper >= 0 && SUCCEEDED(SafeArrayGetElement(v.parray, &upper, &last)) && last.vt == VT_I4) {
      points = last.lVal / 3;
      EXPECT_EQ(last.lVal, upper) << "three values per point, then the count";
    }
    VariantClear(&last);
  }
  VariantClear(&v);
  return points;
}

bool Shown(HWND w) { return IsWindowVisible(w) != FALSE; }

// The GPS point the data-source instance's per-position table links to a position (null: none).
playcore::sGPSPOINT* FixAt(int64_t position) {
  const sPLAYERINSTANCE& inst = g_PlayerInstance[playcore::DataSourceIndex()];
  const std::vector<playcore::sEVENTRECORD*>* table = inst.dataMap.positionTable;
  if (!table || position < 0 || position >= static_cast<int64_t>(table->size())) return nullptr;
  const playcore::sEVENTRECORD* record = (*table)[static_cast<size_t>(position)];
  return record ? record->gpsLink : nullptr;
}

class CRunDlg : public quill::test::CRunMainDlg<CRunDlg> {};

// A fake map dialog with a real window in the map frame, attached to the dialog's map wrapper.
FakeMap* AttachFakeMap(CRunDlg& d) {
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 20, 370, 406, d.m_mapFrame.m_hWnd, nullptr,
                                nullptr, nullptr);
  if (!window) return nullptr;
  auto* map = new FakeMap(window);
  d.m_map.Attach(std::unique_ptr<driveviews::IMapDialog>(map));
  return map;
}

// The fake movie side, stopped, with `path` as the list's only entry.
bool ListOneRecording(CRunDlg& d, const std::wstring& path) {
  FakeMovieSide();
  g_PlayerInstance[0].movieOpen = 1;
  g_PlayerInstance[0].timeScale = 1000.0f / 30;
  g_PlayerInstance[0].playState = playcore::kPlayStopped;
  d.m_browser.m_list.m_records.clear();
  if (!AddRecordingPair(path.c_str(), L"", d.m_browser.m_list.m_records)) return false;
  d.m_browser.m_list.RefillItems();
  return true;
}

constexpr wchar_t kKey[] = L"QuillTestKey-42_x";
std::atomic<bool> g_online{true};  // what the connectivity watch's test answers

class MainDialogMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, saved_);
    SetCurrentDirectoryW(dir_.path().c_str());
    const std::wstring ini = dir_.path() + L"Default_Folder.ini";
    WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", ini.c_str());
    WritePrivateProfileStringW(L"MAP", L"SERVICEKEY", kKey, ini.c_str());
    OleInitialize(nullptr);
    Hooks().probeD3dx = [] { return true; };
    Hooks().mapVariant = [] { return driveviews::MapVariant::kInternetExplorer; };
    // The connection test answers online at once; the version files never come.
    Hooks().inetConfig = [] {
      CInetConnectionAsync::Config config = CInetConnectionAsync::ProgramConfig();
      config.intervalMs = 20;
      config.test = [](const std::wstring&) { return g_online.load(); };
      config.fetch = [](const std::wstring&, std::wstring*) { return false; };
      return config;
    };
  }
  void TearDown() override {
    g_online = true;
    Hooks() = StartupHooks{};
    OleUninitialize();
    SetCurrentDirectoryW(saved_);
  }
  // Runs `body` in the real main dialog with the path of a generated recording that has a GPS track.
  void RunWithRecording(const std::function<void(CRunDlg&, const std::wstring&)>& body) {
    const std::wstring recordings = quill::test::RecordingsDir();
    if (recordings.empty()) GTEST_SKIP() << "QUILL_RECORDINGS not set";
    const std::wstring path = recordings + L"card\\20240315_001\\004_093200M_M.MP4";
    CRunDlg dlg;
    bool ran = false;
    dlg.body = [&](CRunDlg& d) {
      body(d, path);
      ran = !HasFatalFailure();
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(ran);
  }
  quill::skin::GdiplusSession gdiplus_;
  quill::test::TempDir dir_;
  wchar_t saved_[MAX_PATH] = L"";
};

TEST_F(MainDialogMapTest, TheMapShowsFollowsPlaybackAndGivesWayToTheLogo) {
  const std::wstring recordings = quill::test::RecordingsDir();
  if (recordings.empty()) GTEST_SKIP() << "QUILL_RECORDINGS not set";
  const std::wstring folder = recordings + L"card\\20240315_001\\";
  const std::wstring path = folder + L"004_093200M_M.MP4";
  CRunDlg dlg;
  bool ran = false;
  dlg.body = [&](CRunDlg& d) {
    ASSERT_TRUE(g_PlayerInstance[0].active) << "the main instance did not start";
    // The key of the settings file is in the script address, and nowhere else the page can read.
    EXPECT_NE(Text(d.m_map.JS2C_GetMapURL()).find(std::wstring(L"key=") + kKey + L"&"), std::wstring::npos);

    FakeMap* map = AttachFakeMap(d);
    ASSERT_TRUE(map);
    HWND window = map->Window();
    ASSERT_TRUE(PumpUntil([&] { return d.m_map.Online(); }, 10000)) << "the connectivity watch tested";

    // The map button at step 0 shows the frame; with no recording and no page yet, the logo is in it.
    ASSERT_EQ(d.m_nSizeStep, 0);
    d.SendMessage(WM_COMMAND, kCmdMap, 0);
    EXPECT_TRUE(Shown(d.m_mapFrame.m_hWnd));
    EXPECT_TRUE(Shown(d.m_logo.m_hWnd));
    EXPECT_FALSE(Shown(window));

    // A recording with GPS plays; the page reports ready: the map takes the logo's place in the frame.
    ASSERT_TRUE(ListOneRecording(d, path));
    ASSERT_TRUE(d.m_listTrack && d.m_listTrack->WaitIdle(20000)) << "the list's track is read";
    const int onePoints = PageTrackPoints(d.m_map);
    EXPECT_GT(onePoints, 0) << "the list's track";
    d.m_nCurIndex = 0;
    ASSERT_EQ(playcore::PlayerCall_OpenDataFile(path.c_str(), L""), 1);
    d.MapOnOpen();
    map->scripts.clear();
    d.StartPlayback();
    d.KillTimer(kTimerTick);  // the test ticks itself
    d.m_bOpened = TRUE;
    EXPECT_EQ(map->MoveMarkers(), 1) << "playback start moves the marker";
    EXPECT_TRUE(Shown(d.m_logo.m_hWnd)) << "no page yet";
    map->scripts.clear();
    d.m_map.JS2C_OnInitHtml();
    Drain();
    EXPECT_TRUE(Shown(window));
    EXPECT_EQ(GetParent(window), d.m_mapFrame.m_hWnd);
    EXPECT_FALSE(Shown(d.m_logo.m_hWnd));
    EXPECT_NE(std::find(map->scripts.begin(), map->scripts.end(), L"cplist.ClearCrashPos()"), map->scripts.end())
        << "the page got the recording's track";

    // The marker follows play, pause, seeks and stop.
    d.SendMessage(WM_COMMAND, kCmdPlay, 0);
    EXPECT_EQ(g_PlayerInstance[0].playState, playcore::kPlayPlaying);
    EXPECT_EQ(map->status, L"");
    d.SendMessage(WM_COMMAND, kCmdPlay, 0);
    EXPECT_EQ(g_PlayerInstance[0].playState, playcore::kPlayPaused);
    EXPECT_EQ(map->status, L"pause");
    // Whatever uncovers the window takes the map to the current position again.
    map->scripts.clear();
    d.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(map->MoveMarkers(), 1) << "the background moves the map";
    map->scripts.clear();
    d.SeekTo(d.TransportSelector(), 15);
    EXPECT_EQ(g_position[0], 15);
    EXPECT_EQ(map->MoveMarkers(), 1) << "a seek moves the marker";
    EXPECT_EQ(d.m_map.PositionKey(), 15);
    d.PostMessage(quill::msg::kMapSeek, 0, 12);
    Drain();
    EXPECT_EQ(g_position[0], 12);
    EXPECT_EQ(map->MoveMarkers(), 2) << "so does a seek from the map";
    map->scripts.clear();
    d.SendMessage(WM_COMMAND, kCmdFirst, 0);  // to the start: stopped
    EXPECT_EQ(g_PlayerInstance[0].playState, playcore::kPlayStopped);
    EXPECT_EQ(map->status, L"stop");
    EXPECT_GE(map->MoveMarkers(), 1);
    // States the transport did not set reach the marker with the next tick.
    struct TickCase {
      int state;
      const wchar_t* status;
    } ticks[] = {{playcore::kPlayPaused, L"pause"}, {playcore::kPlayPlaying, L""}, {playcore::kPlayStopped, L"stop"}};
    for (const TickCase& t : ticks) {
      g_PlayerInstance[0].playState = t.state;
      d.OnTick();
      EXPECT_EQ(map->status, t.status) << t.state;
    }
    EXPECT_TRUE(Shown(window)) << "still online";

    // A tool's start and its end show what the map frame should show then, not at a later tick.
    d.m_bMapHasGps = FALSE;
    d.StartToolThread(&IdleTool);
    EXPECT_FALSE(Shown(window)) << "the start of a tool";
    EXPECT_TRUE(Shown(d.m_logo.m_hWnd));
    d.m_bMapHasGps = TRUE;
    d.FinishTool();
    EXPECT_TRUE(Shown(window)) << "the end of a tool";

    // The same recording without a single GPS fix: the logo, and no position of the earlier one.
    {
      playcore::PlayerCall_LockAll();
      if (std::vector<playcore::sGPSPOINT>* gps = g_PlayerInstance[0].dataMap.gpsPoints) {
        for (playcore::sGPSPOINT& p : *gps) p.valid = 0;
      }
      playcore::PlayerCall_UnlockAll();
    }
    d.MapOnOpen();
    d.OnDriveDataOpened();
    EXPECT_FALSE(Shown(window));
    EXPECT_TRUE(Shown(d.m_logo.m_hWnd));
    EXPECT_EQ(d.m_logo.m_nPicture, 1);
    EXPECT_EQ(map->latitude, 0.0);
    EXPECT_EQ(map->longitude, 0.0);

    // The whole folder in the list: its track reaches the page, longer than one recording's.
    d.m_browser.m_list.m_records.clear();
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"*_M.MP4").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
      AddRecordingPair((folder + found.cFileName).c_str(), L"", d.m_browser.m_list.m_records);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    ASSERT_GT(d.m_browser.m_list.m_records.size(), 1u);
    map->scripts.clear();
    d.m_browser.m_list.RefillItems();
    EXPECT_EQ(d.m_browser.m_list.GetItemCount(), static_cast<int>(d.m_browser.m_list.m_records.size()))
        << "the rows are there before the track is read";
    // The ready page draws the whole-list track again once the reads have landed.
    const auto redrawn = [&] {
      return std::count(map->scripts.begin(), map->scripts.end(), std::wstring(L"orbitgrplist.CreateLine()")) > 0;
    };
    EXPECT_TRUE(PumpUntil(redrawn, 20000));
    ASSERT_TRUE(d.m_listTrack->WaitIdle(20000));
    EXPECT_GT(PageTrackPoints(d.m_map), onePoints);
    map->scripts.clear();
    d.SendMessage(quill::msg::kListTrackRead, d.m_listTrack->Generation() - 1, 1);
    EXPECT_FALSE(redrawn()) << "a report about a list replaced since draws nothing";
    ran = true;
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(ran);
}

// The Internet Explorer page moves its marker once a second from its hidden inputs, and only from a
// position that is not 0, 0: the inputs must follow playback whatever started it.
TEST_F(MainDialogMapTest, ThePagesInputsFollowPlaybackAfterAnAdvanceAndFromAStartWithoutAFix) {
  RunWithRecording([&](CRunDlg& d, const std::wstring& path) {
    ASSERT_TRUE(g_PlayerInstance[0].active) << "the main instance did not start";
    FakeMap* map = AttachFakeMap(d);
    ASSERT_TRUE(map);
    ASSERT_TRUE(ListOneRecording(d, path));
    d.m_nCurIndex = 0;

    // An automatic advance: the open's drive data arrive with play-after-open set (Resume hands the
    // state over before the start has read a position), then the start timer's start.
    d.MapOnOpen();
    d.m_bOpened = FALSE;
    d.m_bPlayAfterOpen = TRUE;
    d.OnDriveDataLoaded(d.m_uOpenGeneration, 0);
    d.KillTimer(kTimerStart);
    d.StartPlayback();
    d.KillTimer(kTimerTick);  // the test ticks itself
    ASSERT_EQ(g_PlayerInstance[0].playState, playcore::kPlayPlaying);
    for (const int64_t position : {0, 6, 12}) {
      g_position[0] = position;
      d.OnTick();
      const playcore::sGPSPOINT* fix = FixAt(position);
      ASSERT_TRUE(fix && fix->valid) << "the test recording has a fix at " << position;
      EXPECT_EQ(map->inputStatus, L"") << position;
      EXPECT_EQ(map->inputLatitude, fix->latitude) << position;
      EXPECT_EQ(map->inputLongitude, fix->longitude) << position;
    }

    // The same recording opened again, now without a fix before position 8, and Play pressed: the
    // inputs take the first fix when playback reaches it.
    d.SendMessage(WM_COMMAND, kCmdFirst, 0);
    ASSERT_EQ(g_PlayerInstance[0].playState, playcore::kPlayStopped);
    for (int64_t p = 0; p < 8; ++p) {
      if (playcore::sGPSPOINT* fix = FixAt(p)) fix->valid = 0;
    }
    g_position[0] = 0;
    d.MapOnOpen();
    d.OnDriveDataOpened();
    d.SendMessage(WM_COMMAND, kCmdPlay, 0);
    ASSERT_EQ(g_PlayerInstance[0].playState, playcore::kPlayPlaying);
    EXPECT_EQ(map->inputLatitude, 0.0) << "nothing of the earlier recording";
    g_position[0] = 12;
    d.OnTick();
    const playcore::sGPSPOINT* fix = FixAt(12);
    ASSERT_TRUE(fix && fix->valid);
    EXPECT_EQ(map->inputStatus, L"");
    EXPECT_EQ(map->inputLatitude, fix->latitude);
    EXPECT_EQ(map->inputLongitude, fix->longitude);
  });
}

// The connection drops and comes back. When the page's own poll did not see the outage it keeps its
// map, and the map comes back with the connection; when it did, it makes a new map and reports ready.
TEST_F(MainDialogMapTest, TheMapComesBackAfterAShortOutage) {
  RunWithRecording([&](CRunDlg& d, const std::wstring& path) {
    FakeMap* map = AttachFakeMap(d);
    ASSERT_TRUE(map);
    ASSERT_TRUE(PumpUntil([&] { return d.m_map.Online(); }, 10000));
    d.SendMessage(WM_COMMAND, kCmdMap, 0);
    ASSERT_TRUE(ListOneRecording(d, path));
    d.m_nCurIndex = 0;
    ASSERT_EQ(playcore::PlayerCall_OpenDataFile(path.c_str(), L""), 1);
    d.MapOnOpen();
    d.StartPlayback();
    d.KillTimer(kTimerTick);  // the test ticks itself
    d.m_bOpened = TRUE;
    d.m_map.JS2C_OnInitHtml();
    Drain();
    ASSERT_TRUE(Shown(map->Window()));

    const auto goOnline = [&](bool online) {
      g_online = online;
      ASSERT_TRUE(PumpUntil([&] { return d.m_map.Online() == online; }, 10000));
    };
    // An outage the page's poll missed: only the tick saw it.
    goOnline(false);
    d.OnTick();
    EXPECT_TRUE(Shown(d.m_logo.m_hWnd)) << "offline";
    EXPECT_FALSE(Shown(map->Window()));
    goOnline(true);
    d.OnTick();
    EXPECT_TRUE(d.m_map.PageInitialised());
    EXPECT_TRUE(Shown(map->Window())) << "back with the connection";
    EXPECT_FALSE(Shown(d.m_logo.m_hWnd));

    // An outage the page saw: it drops its map; the map shows again once the page made a new one.
    goOnline(false);
    EXPECT_FALSE(d.m_map.JS2C_ConnectTest());
    goOnline(true);
    d.OnTick();
    EXPECT_TRUE(Shown(d.m_logo.m_hWnd)) << "the page has no map yet";
    d.SendMessage(WM_COMMAND, kCmdPlay, 0);
    EXPECT_TRUE(d.m_map.PageReady()) << "play re-arms the page-ready word";
    d.m_map.JS2C_OnInitHtml();
    Drain();
    d.OnTick();
    EXPECT_TRUE(Shown(map->Window()));
  });
}

}  // namespace
