// The main window's playback driving against a fake operation table: the fake records the calls and
// posts the players' ready and end reports itself, through the real timers and messages of the
// dialog's modal loop (with short timer periods).
#include <gtest/gtest.h>

#include <atomic>

#include <windows.h>

#include <cwchar>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/framework/app.h"
#include "platform/framework/private_messages.h"
#include "playcore/instances/player_instance.h"
#include "playcore/instances/prepared_movies.h"
#include "playcore/presenter/wine_host.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/browser/browser_owner.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/ui_texts.h"
#include "tests/skin/skin_capture.h"
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
  int64_t rearDuration = 0;    // of the rear movie when not 0
  int64_t step = 25;           // a playing player advances this much per position read
  std::vector<std::wstring> opened;  // paths of OpenMovie, in order
  int dataOpens = 0;           // OpenDataFile calls
  std::wstring dataPath;       // the path of the last OpenDataFile
  int failFrom = 0, failTo = 0;  // OpenMovie fails for the entries numbered failFrom..failTo (1-based)
  int64_t position[2] = {};
  bool endPosted[2] = {};
  int volume[2] = {-1, -1};    // the last volume each player was given
  float turn[2] = {};          // the last drag turn (x angle) and zoom each player was given
  float turnZoom[2] = {};
  DWORD viewThread = 0;        // the thread the views must be turned on (the window's)
  int turnsElsewhere = 0;      // MoveView or ApplyCamera calls made on another thread
  int turnCalls = 0;
  double peaks[3] = {};        // the peak G of each axis the drive data holds (none when all 0)
  int repaints[2] = {};        // Repaint calls per player
  int pauses = 0;              // Pause calls of both players
};
FakeWorld g_world;

// The sources resolved ahead: counted objects, and what became of each (the pre-open worker resolves,
// the UI thread takes and drops).
struct FakeSources {
  std::mutex lock;
  std::vector<std::wstring> resolved;  // in order
  std::vector<std::wstring> shutDown;  // let go unused
  std::vector<std::wstring> used;      // taken over by the open of their own path
  long live = 0;                       // objects not yet released
  // The players opened ahead from them (on the pre-open worker) and what became of each.
  std::vector<std::wstring> playersMade, playersShutDown, playersTaken, playersDrawn;
  std::vector<HWND> playerWindows;
  long livePlayers = 0;
};
FakeSources* g_sources = nullptr;

// A source, or a player opened ahead (`live` counts the objects of its kind).
class FakeSource final : public IUnknown {
 public:
  explicit FakeSource(const wchar_t* path, long* live = nullptr) : path_(path), live_(live ? live : &g_sources->live) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid != IID_IUnknown) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *ppv = this;
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) {
      InterlockedDecrement(live_);
      delete this;
    }
    return left;
  }
  const std::wstring& path() const { return path_; }

 private:
  LONG refs_ = 1;
  std::wstring path_;
  long* live_;
};

HRESULT FakeResolve(const wchar_t* path, IUnknown** source) {
  std::lock_guard<std::mutex> hold(g_sources->lock);
  g_sources->resolved.push_back(path);
  InterlockedIncrement(&g_sources->live);
  *source = new FakeSource(path);
  return S_OK;
}

void FakeRelease(IUnknown* source, bool takenOver) {
  std::lock_guard<std::mutex> hold(g_sources->lock);
  (takenOver ? g_sources->used : g_sources->shutDown).push_back(static_cast<FakeSource*>(source)->path());
}

HRESULT FakeOpenAhead(HWND window, const playcore::sVIEWSETTINGS*, IUnknown* source, const wchar_t* path,
                      IUnknown** player) {
  std::lock_guard<std::mutex> hold(g_sources->lock);
  if (static_cast<FakeSource*>(source)->path() != path) return E_INVALIDARG;
  g_sources->playersMade.push_back(path);
  g_sources->playerWindows.push_back(window);
  InterlockedIncrement(&g_sources->livePlayers);
  *player = new FakeSource(path, &g_sources->livePlayers);
  return S_OK;
}

void FakeLetPlayer(IUnknown* player, bool takenOver) {
  std::lock_guard<std::mutex> hold(g_sources->lock);
  (takenOver ? g_sources->playersTaken : g_sources->playersShutDown).push_back(static_cast<FakeSource*>(player)->path());
}

// Players opened ahead that never become ready (a damaged next recording): each wait takes its whole
// slice. The waits made while the main window stops the playback are counted.
bool g_neverReady = false;
std::atomic<bool> g_stopping{false};
std::atomic<int> g_waitsWhileStopping{0};
bool FakeWaitReady(IUnknown*, DWORD ms) {
  if (!g_neverReady) return true;
  if (g_stopping) ++g_waitsWhileStopping;
  static HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  WaitForSingleObject(never, ms);
  return false;
}

HRESULT FakeDrawAhead(IUnknown* player) {
  std::lock_guard<std::mutex> hold(g_sources->lock);
  g_sources->playersDrawn.push_back(static_cast<FakeSource*>(player)->path());
  return S_OK;
}

std::vector<std::wstring> PlayersMade() {
  std::lock_guard<std::mutex> hold(g_sources->lock);
  return g_sources->playersMade;
}

int Index(sPLAYERINSTANCE* i) { return i == &g_PlayerInstance[0] ? 0 : 1; }

int FakeOpen(sPLAYERINSTANCE* i, const wchar_t* path) {
  g_world.opened.push_back(path);
  // As the instance's own open: the player or source prepared for this file is taken over, any
  // other let go.
  if (!playcore::PlayerInstance::TakePreparedPlayer(i, path)) playcore::PlayerInstance::TakePreparedMovie(i, path);
  const int entry = _wtoi(wcsrchr(path, L'\\') + 1);
  if (entry >= g_world.failFrom && entry <= g_world.failTo) return 0;
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
int FakeDataOpen(sPLAYERINSTANCE* i, const wchar_t* path) {
  ++g_world.dataOpens;
  g_world.dataPath = path;
  i->dataSource = i == &g_PlayerInstance[0] ? 1 : 0;
  if (g_world.peaks[0] || g_world.peaks[1] || g_world.peaks[2]) {
    // Drive data without records: only its peaks.
    for (int a = 0; a < 3; ++a) i->loadMap.peakAxis[a] = g_world.peaks[a];
    i->loadMap.loaded = 1;
  }
  return 1;
}
int FakeOk(sPLAYERINSTANCE*) { return 1; }
int FakeRepaint(sPLAYERINSTANCE* i) {
  ++g_world.repaints[Index(i)];
  return 1;
}
int FakeOkInt(sPLAYERINSTANCE*, int32_t) { return 1; }
int FakePlay(sPLAYERINSTANCE* i) {
  i->playState = playcore::kPlayPlaying;
  return 1;
}
int FakePause(sPLAYERINSTANCE* i) {
  ++g_world.pauses;
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
int64_t FakeDuration(sPLAYERINSTANCE* i) {
  if (!i->playState) return 0;
  return Index(i) == 1 && g_world.rearDuration ? g_world.rearDuration : g_world.duration;
}
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
void NoteViewThread() {
  ++g_world.turnCalls;
  if (g_world.viewThread && GetCurrentThreadId() != g_world.viewThread) ++g_world.turnsElsewhere;
}
int FakeCamera(sPLAYERINSTANCE*) {
  NoteViewThread();
  return 1;
}
int FakeMove(sPLAYERINSTANCE* i, float ax, float, float zoom) {
  NoteViewThread();
  g_world.turn[Index(i)] = ax;
  g_world.turnZoom[Index(i)] = zoom;
  return 1;
}
int FakeVolume(sPLAYERINSTANCE* i, int32_t v) {
  g_world.volume[Index(i)] = v;
  return 1;
}
int FakeAspectMode(sPLAYERINSTANCE* i, int32_t mode) {
  i->aspectMode = mode == 1 ? 1 : 0;
  return 1;
}
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
    f.SetVolume = FakeVolume;
    f.GetNativeSize = FakeSize;
    f.Repaint = FakeRepaint;
    f.SetViewMode = FakeOkInt;
    f.ApplyAspectMode = FakeAspectMode;
    f.SetRenderInterval = FakeOkInt;
    f.UpdateVideoRect = FakeOk;
    f.SetViewAspect = FakeAspect;
    f.ApplyCamera = FakeCamera;
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
  // Called every 20 ms on the UI thread: may act on the dialog, and answers whether the run is over.
  std::function<bool(DrivenDlg*)> done;
  bool timedOut = false;
  static DrivenDlg* current;
  // When set, the open worker's drive-data report is kept here instead of handled (a step sends it).
  bool holdDataLoaded = false;
  MSG heldDataLoaded = {};

  BOOL PreTranslateMessage(MSG* msg) override {
    if (holdDataLoaded && msg->hwnd == m_hWnd && msg->message == quill::msg::kDriveDataLoaded) {
      heldDataLoaded = *msg;
      return TRUE;
    }
    return CtavrinDlg::PreTranslateMessage(msg);
  }

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

// Runs the steps in order, each until it answers true; the run is over after the last.
std::function<bool(DrivenDlg*)> Steps(std::vector<std::function<bool(DrivenDlg*)>> steps) {
  auto at = std::make_shared<size_t>(0);
  return [steps, at](DrivenDlg* d) {
    while (*at < steps.size() && steps[*at](d)) ++*at;
    return *at >= steps.size();
  };
}

// The pair is open, its playback started (the seek bar has its range), and both players play.
bool PairPlays(DrivenDlg* d) {
  return d->m_bOpened && !d->m_bOpenBusy && d->m_seekBar.m_nMax > 0 &&
         g_PlayerInstance[0].playState == playcore::kPlayPlaying &&
         g_PlayerInstance[1].playState == playcore::kPlayPlaying;
}

void Command(DrivenDlg* d, UINT id) { d->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// Movies long enough for a test to act while they play.
void LongMovies() {
  g_world.duration = 1000000;
  g_world.step = 1;
}

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
    g_sources = &sources_;
    savedOps_ = playcore::SetMovieSourceOps({FakeResolve, FakeRelease});
    savedPlayerOps_ = playcore::SetMoviePlayerOps({FakeOpenAhead, FakeLetPlayer, FakeWaitReady, FakeDrawAhead});
  }
  void TearDown() override {
    playcore::SetMoviePlayerOps(savedPlayerOps_);
    playcore::SetMovieSourceOps(savedOps_);
    Hooks() = StartupHooks{};
    Timings() = PlaybackTimings{};
    SetCurrentDirectoryW(saved_);
  }
  quill::skin::GdiplusSession gdiplus_;
  quill::test::TempDir dir_;
  FakeSources sources_;
  playcore::MovieSourceOps savedOps_ = {};
  playcore::MoviePlayerOps savedPlayerOps_ = {};
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

// An open cut short by a filter that empties the list ends that open at once: its open and watchdog
// timers are gone, the busy word and the wait cursor end, and every control has the empty window's
// state (the caption buttons, the filters, the pane's mouse) with no speed label left. Whether the
// open timer had fired yet or the players were still opening, and while a pair played.
TEST_F(PlaybackDriving, AnOpenCutShortByAnEmptiedListLeavesEveryControlUsableAtOnce) {
  struct Case {
    const char* name;
    bool hang;      // the players never report ready
    UINT openWait;  // the open timer's period
    bool playing;   // the list is emptied while a pair plays, not during an open
  } const cases[] = {
      {"the open timer not fired yet", true, 60000, false},
      {"the players still opening", true, 10, false},
      {"a pair playing", false, 10, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_world = FakeWorld{};
    LongMovies();
    g_world.hang = c.hang;
    Timings().open = c.openWait;
    struct Seen {
      bool busy = true, openTimer = true, watchdog = true, captions = false, filters = false, pane = false;
      int waitDepth = -1;
      std::wstring speedLabel = L"?";
    } seen;
    DrivenDlg dlg;
    auto cut = [&](DrivenDlg* d) {
      if (c.playing ? !PairPlays(d) : (!d->m_bOpenBusy || (c.openWait < 100 && g_world.opened.empty()))) return false;
      // The list's rows as the user sees them (the test gave only the records), with their buttons.
      for (const sRECORDINGPAIR& r : d->m_browser.m_list.m_shownRecords) d->m_browser.m_list.InsertRow(r);
      d->UpdateButtons();
      Command(d, quill::browser::kFilterCommandFirst);
      seen.busy = d->m_bOpenBusy != FALSE;
      seen.openTimer = ::KillTimer(d->m_hWnd, kTimerOpen) != FALSE;
      seen.watchdog = ::KillTimer(d->m_hWnd, kTimerWatchdog) != FALSE;
      seen.waitDepth = AfxWaitCursorDepth();
      seen.captions = d->m_caption[0].IsWindowEnabled() && d->m_caption[1].IsWindowEnabled();
      seen.filters = d->m_browser.m_btnFilter[0].IsWindowEnabled() != FALSE;
      seen.pane = d->m_pane[d->m_nMainPane].m_bEnabled != FALSE;
      seen.speedLabel = d->m_info.m_strSpeedLabel.GetString();
      return true;
    };
    dlg.done = Steps({cut});
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ASSERT_FALSE(dlg.timedOut);
    ASSERT_EQ(dlg.m_browser.m_list.GetItemCount(), 0) << "the filter left rows";
    EXPECT_FALSE(seen.busy) << "the window stays busy";
    EXPECT_FALSE(seen.openTimer) << "the open timer would open a row that is gone";
    EXPECT_FALSE(seen.watchdog) << "the watchdog is still armed";
    EXPECT_EQ(seen.waitDepth, 0) << "the wait cursor stays";
    EXPECT_TRUE(seen.captions) << "the caption buttons stay grey";
    EXPECT_TRUE(seen.filters) << "the filter buttons stay grey";
    EXPECT_TRUE(seen.pane) << "the pane ignores the mouse";
    EXPECT_EQ(seen.speedLabel, L"") << "the speed label outlives the recording";
  }
}

// While an open is in progress the button rules do not give the tool buttons back: a refresh of the
// buttons (as a folder load, a size step or a filter runs) leaves them all off.
TEST_F(PlaybackDriving, TheButtonsStayOffWhileAnOpenIsInProgress) {
  g_world.hang = true;
  int enabled = -1;
  DrivenDlg dlg;
  dlg.done = Steps({[&](DrivenDlg* d) {
    if (!d->m_bOpenBusy || g_world.opened.empty()) return false;
    d->UpdateButtons();
    enabled = 0;
    for (CSkinButton& b : d->m_tool) enabled += b.m_hWnd && b.IsWindowEnabled() ? 1 : 0;
    for (CSkinButton& b : d->m_caption) enabled += b.m_hWnd && b.IsWindowEnabled() ? 1 : 0;
    return true;
  }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(enabled, 0) << "buttons are live during the open";
}

// Zoom mode ends whole at the end of the list: the browser's list and the pad come back with the
// panes' zoom words.
TEST_F(PlaybackDriving, ZoomModeEndsWholeAtTheEndOfTheList) {
  DrivenDlg dlg;
  dlg.entries = 1;
  bool zoomed = false;
  dlg.done = Steps({[&](DrivenDlg* d) {
                      if (!d->m_bOpened || d->m_bOpenBusy) return false;
                      Command(d, kCmdEnlarge);
                      zoomed = d->m_bZoomMode != FALSE;
                      return true;
                    },
                    [](DrivenDlg* d) { return d->m_bEndHandled != FALSE && !d->m_bOpenBusy && d->m_bOpened; }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  ASSERT_TRUE(zoomed);
  EXPECT_FALSE(dlg.m_pane[0].m_bZoomMode);
  EXPECT_FALSE(dlg.m_bZoomMode) << "the dialog stays in zoom mode";
  EXPECT_FALSE(dlg.m_browser.m_bHidden) << "the browser's list stays hidden";
}

// A restore re-applies the zoom blocks: the players get the pane's centre as the zoom centre and no
// pan, so the picture stays in its place.
TEST_F(PlaybackDriving, ARestoredWindowLaysThePicturesOutWithoutMovingThem) {
  LongMovies();
  struct View {
    int centreX, centreY, panX, panY;
  } seen[2] = {};
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [&](DrivenDlg* d) {
                      d->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(CtavrinDlg::kWidth, CtavrinDlg::kHeight));
                      for (int k = 0; k < 2; ++k) {
                        const sPLAYERINSTANCE& i = g_PlayerInstance[k];
                        seen[k] = {i.zoomCentreX, i.zoomCentreY, i.panX, i.panY};
                      }
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(seen[k].centreX, 366) << "player " << k;
    EXPECT_EQ(seen[k].centreY, 205) << "player " << k;
    EXPECT_EQ(seen[k].panX, 0) << "player " << k << " is moved sideways";
    EXPECT_EQ(seen[k].panY, 0) << "player " << k << " is moved down";
  }
}

// The followed camera is heard, the other one is silent: at the open and at a volume change.
TEST_F(PlaybackDriving, OnlyTheDataSourceCameraIsHeard) {
  LongMovies();
  int atOpen[2] = {}, afterSlider[2] = {};
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [&](DrivenDlg* d) {
                      atOpen[0] = g_world.volume[0];
                      atOpen[1] = g_world.volume[1];
                      d->SendMessage(quill::msg::kSliderRelease, CtavrinDlg::kVolumeId, 40000);
                      afterSlider[0] = g_world.volume[0];
                      afterSlider[1] = g_world.volume[1];
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(atOpen[0], 65535);
  EXPECT_EQ(atOpen[1], 0) << "the rear camera is heard beside the main one";
  EXPECT_EQ(afterSlider[0], 40000);
  EXPECT_EQ(afterSlider[1], 0) << "the rear camera is heard beside the main one";
}

// The aspect switch turns letter-boxing off and on again, and the settings file follows.
TEST_F(PlaybackDriving, TheAspectSwitchTurnsLetterBoxingOffAndOn) {
  LongMovies();
  struct Seen {
    int aspect, word;
    std::wstring ini;
  } seen[2] = {};
  DrivenDlg dlg;
  auto toggle = [&](int n) {
    return [&, n](DrivenDlg* d) {
      Command(d, 38200);
      seen[n] = {d->m_nAspect, g_PlayerInstance[0].aspectMode, std::wstring(ReadIni(L"DISPLAY", L"ASPECT").GetString())};
      return true;
    };
  };
  dlg.done = Steps({PairPlays, toggle(0), toggle(1)});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(seen[0].aspect, 0);
  EXPECT_EQ(seen[0].word, 0) << "letter-boxing stays on";
  EXPECT_EQ(seen[0].ini, L"off");
  EXPECT_EQ(seen[1].aspect, 1);
  EXPECT_EQ(seen[1].word, 1);
  EXPECT_EQ(seen[1].ini, L"on");
}

// The speed label follows the speed also when a pause brings the normal speed back.
TEST_F(PlaybackDriving, TheSpeedLabelFollowsTheSpeedWhenPaused) {
  LongMovies();
  std::wstring fast, paused;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [&](DrivenDlg* d) {
                      Command(d, kCmdFast);
                      fast = d->m_info.m_strSpeedLabel.GetString();
                      Command(d, kCmdPlay);
                      paused = d->m_info.m_strSpeedLabel.GetString();
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(fast, std::wstring(UIText(61)));    // "x2.0"
  EXPECT_EQ(paused, std::wstring(UIText(180))) << "the label stays at the speed before the pause";
}

// "To start" after a seek made while paused: the pending seek is dropped, so the views follow the
// movie from its start instead of waiting for it to get back to the old target.
TEST_F(PlaybackDriving, ToStartDropsAPendingSeekAndTheViewsFollowAgain) {
  LongMovies();
  int64_t pendingBefore = -1, pendingAfter = 0;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays,
                    [&](DrivenDlg* d) {
                      Command(d, kCmdPlay);  // pause
                      d->SendMessage(quill::msg::kSliderPress, CtavrinDlg::kSeekBarId, 0);
                      d->SendMessage(quill::msg::kSliderRelease, CtavrinDlg::kSeekBarId, 500000);
                      pendingBefore = d->m_nSeekTarget;
                      Command(d, kCmdFirst);
                      pendingAfter = d->m_nSeekTarget;
                      Command(d, kCmdPlay);
                      return true;
                    },
                    [](DrivenDlg* d) { return d->m_nCursor > 0 && d->m_nCursor < 1000; }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(dlg.timedOut) << "the views stay at " << dlg.m_nCursor;
  EXPECT_EQ(pendingBefore, 500000);
  EXPECT_EQ(pendingAfter, -1);
}

// A map seek to the very end is held back from both movies' ends like a seek-bar seek: the movie
// neither ends nor opens the next pair.
TEST_F(PlaybackDriving, AMapSeekToTheEndStaysInsideBothMovies) {
  LongMovies();
  int64_t landed[2] = {};
  int ticks = 0;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays,
                    [&](DrivenDlg* d) {
                      d->SendMessage(quill::msg::kMapSeek, 0, static_cast<LPARAM>(g_world.duration));
                      landed[0] = g_world.position[0];
                      landed[1] = g_world.position[1];
                      return true;
                    },
                    [&](DrivenDlg*) { return ++ticks > 10; }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(dlg.timedOut);
  EXPECT_LE(landed[0], g_world.duration - 40);
  EXPECT_LE(landed[1], g_world.duration - 40);
  EXPECT_EQ(g_world.opened.size(), 2u) << "the seek ended the movie";
  EXPECT_EQ(dlg.m_nCurIndex, 0);
}

// While the seek bar is dragged the players wait at the press, and the graph's cursor follows the
// thumb.
TEST_F(PlaybackDriving, TheViewsFollowTheDraggedSeekBar) {
  LongMovies();
  int graphCursor = -1;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [&](DrivenDlg* d) {
                      d->SendMessage(quill::msg::kSliderPress, CtavrinDlg::kSeekBarId, 0);
                      d->SendMessage(quill::msg::kSliderTrack, CtavrinDlg::kSeekBarId, 700000);
                      graphCursor = d->m_graph.m_nCursor;
                      d->SendMessage(quill::msg::kSliderRelease, CtavrinDlg::kSeekBarId, 700000);
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(dlg.timedOut);
  EXPECT_EQ(graphCursor, 700000);
}

// A filter that leaves no row stops playback, and nothing of the old recording stays on screen or in
// the event list a graph click would seek to.
TEST_F(PlaybackDriving, AnEmptiedFilterResetsTheViewsTheEventsAndTheSeekBar) {
  LongMovies();
  struct Seen {
    int rows, graphFlag, infoIndex, seekMax, seekPos;
    size_t events;
    int64_t position, duration;
    int column, fitted;
  } seen = {};
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [&](DrivenDlg* d) {
                      d->m_driveEvents.push_back({1, 0, nullptr, 50});
                      d->m_info.m_nSampleIndex = 7;
                      d->m_browser.m_list.SetColumnWidth(0, 5);
                      Command(d, quill::browser::kFilterCommandFirst);
                      g_world.position[0] = 3;
                      d->SendMessage(quill::msg::kGraphNextEvent, 0, 0);
                      seen = {d->m_browser.m_list.GetItemCount(), d->m_graph.m_nGraphFlag, d->m_info.m_nSampleIndex,
                              d->m_seekBar.m_nMax, d->m_seekBar.m_nPos, d->m_driveEvents.size(), g_world.position[0],
                              d->m_info.m_nDuration, d->m_browser.m_list.GetColumnWidth(0), 0};
                      d->m_browser.FitListColumn();
                      seen.fitted = d->m_browser.m_list.GetColumnWidth(0);
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  ASSERT_EQ(seen.rows, 0) << "the filter left rows";
  EXPECT_EQ(seen.duration, -1) << "the info panel keeps the old movie's duration";
  EXPECT_EQ(seen.column, seen.fitted) << "the file list is not laid out";
  EXPECT_EQ(seen.events, 0u) << "the old recording's events stay";
  EXPECT_EQ(seen.position, 3) << "a graph click seeks to an old event";
  EXPECT_EQ(seen.graphFlag, 0);
  EXPECT_EQ(seen.infoIndex, -1) << "the info panel shows the old values";
  EXPECT_EQ(seen.seekMax, 0);
  EXPECT_EQ(seen.seekPos, 0);
}

// A ready pair hands the views its movie: the data-source movie's duration to the info panel, the
// peak G of each axis (when above 0) to the graph's band scales.
TEST_F(PlaybackDriving, AReadyPairHandsItsDurationAndPeaksToTheViews) {
  LongMovies();
  g_world.rearDuration = 900000;
  g_world.peaks[0] = 0.85;
  g_world.peaks[2] = 1.5;
  int64_t duration = 0;
  double scales[3] = {};
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [&](DrivenDlg* d) {
                      duration = d->m_info.m_nDuration;
                      for (int a = 0; a < 3; ++a) scales[a] = d->m_graph.m_dScale[a];
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(duration, g_world.duration) << "the data source is the main camera";
  EXPECT_EQ(scales[0], 0.85);
  EXPECT_EQ(scales[1], CGSensorDlg::kDefaultScale) << "a peak of 0 is no scale";
  EXPECT_EQ(scales[2], 1.5);
}

// The next pair's open clears the graph at once: while it opens (here: never becomes ready) the
// graph draws nothing of the pair before, and its cursor is back at the start.
TEST_F(PlaybackDriving, AnOpenClearsTheGraphOfThePairBefore) {
  LongMovies();
  int flag = -1, cursor = -1;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays,
                    [](DrivenDlg* d) {
                      if (d->m_graph.m_nGraphFlag != 1) return false;
                      d->m_graph.m_nCursor = 40;
                      g_world.hang = true;
                      Command(d, kCmdNext);
                      return true;
                    },
                    [&](DrivenDlg* d) {
                      if (g_world.opened.size() < 4 || !d->m_bOpenBusy) return false;
                      flag = d->m_graph.m_nGraphFlag;
                      cursor = d->m_graph.m_nCursor;
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(flag, 0) << "the graph draws the closed pair's bars";
  EXPECT_EQ(cursor, 0);
}

// A row chosen while the pair before is still opening (and never becomes ready): the new choice
// opens and plays with its own drive data; late ready reports of the abandoned open change nothing.
TEST_F(PlaybackDriving, ARowChosenWhileAnOpenHangsOpensAndPlaysWithItsOwnData) {
  LongMovies();
  g_world.hang = true;
  DrivenDlg dlg;
  dlg.done = Steps({[](DrivenDlg* d) { return g_world.opened.size() == 2 && d->m_bOpenBusy; },
                    [](DrivenDlg* d) {
                      g_world.hang = false;
                      d->SetCurrentIndex(1);
                      d->SetPlayAfterOpen(true);
                      d->PrepareOpenCurrent(1, 1, 0);
                      // The abandoned players report ready after all.
                      for (int k = 0; k < 2; ++k) d->m_pane[k].PostMessage(quill::msg::kPlayerReady, 0, 0);
                      return true;
                    },
                    PairPlays});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(dlg.timedOut) << "the chosen row never plays (opened " << g_world.opened.size() << ")";
  ASSERT_EQ(g_world.opened.size(), 4u);
  EXPECT_EQ(g_world.opened[2], Entry(2).szMainPath);
  EXPECT_EQ(g_world.dataOpens, 1) << "drive data loaded for the abandoned pair's players";
  EXPECT_EQ(g_world.dataPath, Entry(2).szMainPath);
  EXPECT_EQ(dlg.m_nCurIndex, 1);
}

// Playing on over damaged pairs skips them without a message (a message box there would nest one
// per damaged pair), and the next good pair plays.
TEST_F(PlaybackDriving, AnAdvanceOverDamagedPairsSkipsThemWithoutMessages) {
  static int boxes;
  boxes = 0;
  Hooks().showMessage = [](CWnd*, const wchar_t*, const wchar_t*) { ++boxes; };
  g_world.failFrom = 2;
  g_world.failTo = 3;
  g_world.step = 1;
  DrivenDlg dlg;
  dlg.entries = 4;
  dlg.done = [](DrivenDlg* d) { return d->m_nCurIndex == 3 && d->m_bOpened; };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(dlg.timedOut) << "index " << dlg.m_nCurIndex;
  EXPECT_EQ(boxes, 0);
  EXPECT_EQ(g_world.dataPath, Entry(4).szMainPath);
}

// A drag of 100 pixels at zoom 1 turns the view by 100 / 360 / pane width (the field of view of
// 60 degrees); at zoom 2 the field of view is 30 degrees and the same drag turns twice as far. The
// scene gets the pane's zoom.
TEST_F(PlaybackDriving, ADragTurnsByTheFieldOfViewOfThePanesZoom) {
  LongMovies();
  float turn[2] = {}, zoom[2] = {};
  int width = 0;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [&](DrivenDlg* d) {
                      CMovieStatic& pane = d->m_pane[0];
                      RECT rc = {};
                      pane.GetClientRect(&rc);
                      width = rc.right;
                      pane.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
                      pane.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 100));
                      turn[0] = g_world.turn[0];
                      zoom[0] = g_world.turnZoom[0];
                      pane.m_fZoom = 2.0f;
                      pane.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 100));
                      turn[1] = g_world.turn[0];
                      zoom[1] = g_world.turnZoom[0];
                      pane.m_fZoom = 1.0f;
                      pane.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(300, 100));
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  ASSERT_GT(width, 0);
  EXPECT_NEAR(turn[0], 100.0 / 360.0 / width, 1e-7);
  EXPECT_NEAR(turn[1], 2 * 100.0 / 360.0 / width, 1e-7);
  EXPECT_FLOAT_EQ(zoom[0], 1.0f);
  EXPECT_FLOAT_EQ(zoom[1], 2.0f);
}

// Regression: the pane's inertia thread turned the coasting view itself, calling the player under the
// instance mutex from a thread other than the window's (a present waiting for the window's thread
// while that thread waited for the mutex would hang both). Every coasting step is now turned on the
// window's thread.
TEST_F(PlaybackDriving, ACoastingViewIsTurnedOnTheWindowsThreadOnly) {
  LongMovies();
  g_world.viewThread = GetCurrentThreadId();
  int coastTurns = 0;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays,
                    [&](DrivenDlg* d) {
                      CMovieStatic& pane = d->m_pane[0];
                      pane.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
                      for (int x = 110; x <= 200; x += 10) pane.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 100));
                      coastTurns = g_world.turnCalls;
                      pane.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(212, 100));
                      return true;
                    },
                    [&](DrivenDlg* d) {
                      // Until the coasting has begun and come to rest again.
                      if (d->m_pane[0].Coasting() || g_world.turnCalls <= coastTurns + 1) return false;
                      coastTurns = g_world.turnCalls - coastTurns;
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_GT(coastTurns, 1) << "the view did not coast";
  EXPECT_EQ(g_world.turnsElsewhere, 0);
}

// The display switch keeps the position, held back from the other (shorter) movie's end.
TEST_F(PlaybackDriving, TheDisplaySwitchKeepsThePositionInsideTheOtherMovie) {
  LongMovies();
  g_world.rearDuration = 900000;
  int64_t before = 0, rear = 0;
  int primary = -1;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [&](DrivenDlg* d) {
                      Command(d, kCmdPlay);  // pause
                      g_world.position[0] = 950000;
                      before = g_world.position[0];
                      Command(d, kCmdDisplaySwitch);
                      primary = d->m_nMainPane;
                      rear = g_world.position[1];
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(before, 950000);
  EXPECT_EQ(primary, 1);
  EXPECT_EQ(rear, 900000 - 40) << "the rear movie is not at the main movie's place within its own end";
}

// The display switch while a pair plays: both cameras go on playing, the views go on advancing with
// the picture, the sound stays with the camera on the primary pane through a later volume change, the
// play button pauses the pair, and the graph's factor is that of the new primary camera.
TEST_F(PlaybackDriving, ADisplaySwitchWhileThePairPlaysKeepsBothPlayingAndTheViewsAdvancing) {
  LongMovies();
  g_world.rearDuration = 500000;
  int statesAfter[2] = {}, pausedAfter[2] = {}, volume[2] = {}, graphPlayer = -1;
  float graphFactor = 0.0f;
  int64_t cursorAtSwitch = 0;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays,
                    [&](DrivenDlg* d) {
                      Command(d, kCmdDisplaySwitch);
                      cursorAtSwitch = d->m_nCursor;
                      statesAfter[0] = g_PlayerInstance[0].playState;
                      statesAfter[1] = g_PlayerInstance[1].playState;
                      graphPlayer = d->m_graph.m_nPlayer;
                      graphFactor = d->m_graph.m_fFactor;
                      return true;
                    },
                    // The tick moves the seek bar on (a frozen tick never gets here: the safety net ends it).
                    [&](DrivenDlg* d) { return d->m_nSeekTarget < 0 && d->m_nCursor > cursorAtSwitch + 20; },
                    [&](DrivenDlg* d) {
                      d->SendMessage(quill::msg::kSliderRelease, CtavrinDlg::kVolumeId, 40000);
                      volume[0] = g_world.volume[0];
                      volume[1] = g_world.volume[1];
                      Command(d, kCmdPlay);
                      pausedAfter[0] = g_PlayerInstance[0].playState;
                      pausedAfter[1] = g_PlayerInstance[1].playState;
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(dlg.timedOut) << "the views stood still after the switch: cursor " << dlg.m_nCursor << " from "
                             << cursorAtSwitch;
  EXPECT_EQ(statesAfter[0], playcore::kPlayPlaying) << "the main camera was paused by the switch";
  EXPECT_EQ(statesAfter[1], playcore::kPlayPlaying);
  EXPECT_EQ(graphPlayer, 1);
  EXPECT_FLOAT_EQ(graphFactor, 0.5f) << "the graph keeps the main camera's factor";
  EXPECT_EQ(volume[1], 40000) << "the camera on screen is silenced by a volume change";
  EXPECT_EQ(volume[0], 0);
  EXPECT_EQ(pausedAfter[0], playcore::kPlayPaused) << "the play button resumed instead of pausing";
  EXPECT_EQ(pausedAfter[1], playcore::kPlayPaused);
}

// A click in zoom mode zooms where the user clicked, at once: the rear (flat) player is laid out
// about the clicked point, the 360-degree scene of the main player takes the zoom without a drag.
TEST_F(PlaybackDriving, AClickZoomReachesThePlayersAtOnceAboutTheClickedPoint) {
  LongMovies();
  struct Seen {
    float zoom = 0.0f;
    int centreX = 0, centreY = 0;
    float sceneZoom = 0.0f;
  } seen[2];
  DrivenDlg dlg;
  auto click = [](DrivenDlg* d, int pane) {
    d->m_pane[pane].SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 100));
    d->m_pane[pane].SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(200, 100));
  };
  auto look = [&](int pane) {
    return [&, pane](DrivenDlg* d) {
      if (d->m_aZoom[pane].zoom < 2.0f) return false;
      seen[pane] = {d->m_aZoom[pane].zoom, g_PlayerInstance[pane].zoomCentreX, g_PlayerInstance[pane].zoomCentreY,
                    g_world.turnZoom[pane]};
      return true;
    };
  };
  dlg.done = Steps({PairPlays,
                    [&](DrivenDlg* d) {
                      Command(d, kCmdPlay);  // paused: nothing else turns or zooms the views
                      Command(d, kCmdEnlarge);
                      click(d, 1);
                      return true;
                    },
                    look(1), [&](DrivenDlg* d) { click(d, 0); return true; }, look(0)});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut) << "a click in zoom mode did not zoom";
  EXPECT_EQ(dlg.m_nPaneMode[1], 5);
  EXPECT_FLOAT_EQ(seen[1].zoom, 2.0f);
  EXPECT_EQ(seen[1].centreX, 200) << "the rear picture zooms about another point than the clicked one";
  EXPECT_EQ(seen[1].centreY, 100);
  EXPECT_EQ(dlg.m_nPaneMode[0], 3);
  EXPECT_FLOAT_EQ(seen[0].sceneZoom, 2.0f) << "the 360-degree view shows the zoom only after a drag";
}

// At size step 2 the main window draws the info panel along its bottom: a pause at x2 (which brings
// the speed back to normal and changes the speed label) shows in that band at once, with no tick to
// redraw it.
TEST_F(PlaybackDriving, TheStepTwoInfoBandShowsAPausesNewSpeedLabelAtOnce) {
  LongMovies();
  quill::test::Pixels band[2];
  std::wstring label[2];
  int64_t cursor = 0;
  DrivenDlg dlg;
  auto shot = [&](DrivenDlg* d, int i) {
    d->UpdateWindow();  // every paint the change asked for
    const RECT r = d->InfoBandRect();
    HDC dc = ::GetDC(d->m_hWnd);
    band[i] = quill::test::CaptureDC(dc, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ::ReleaseDC(d->m_hWnd, dc);
    label[i] = d->m_info.m_strSpeedLabel.GetString();
  };
  dlg.done = Steps({PairPlays,
                    [&](DrivenDlg* d) {
                      d->GoToSizeStep(2);
                      Command(d, kCmdFast);
                      cursor = d->m_nCursor;
                      return true;
                    },
                    // A few ticks at x2 have drawn the band.
                    [&](DrivenDlg* d) { return d->m_nCursor > cursor + 5; },
                    [&](DrivenDlg* d) {
                      shot(d, 0);
                      Command(d, kCmdPlay);
                      shot(d, 1);
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  ASSERT_EQ(dlg.m_nSizeStep, 2);
  ASSERT_NE(label[0], label[1]) << "the pause left the speed label as it was";
  ASSERT_FALSE(band[0].empty());
  EXPECT_GT(quill::test::CountDifferentPixels(band[0], band[1], 40), 0) << "the band still shows the old speed label";
}

// "Next" on the last recording of a list without a next folder opens that recording again from its
// start and plays it.
TEST_F(PlaybackDriving, NextOnTheLastRecordingPlaysItAgainFromItsStart) {
  LongMovies();
  DrivenDlg dlg;
  dlg.entries = 2;
  size_t opensBefore = 0;
  dlg.done = Steps({PairPlays, [](DrivenDlg* d) { Command(d, kCmdNext); return true; },
                    [](DrivenDlg* d) { return d->m_nCurIndex == 1 && PairPlays(d); },
                    [&](DrivenDlg* d) {
                      opensBefore = g_world.opened.size();
                      g_world.position[0] = 5000;
                      Command(d, kCmdNext);
                      return true;
                    },
                    [&](DrivenDlg* d) { return g_world.opened.size() == opensBefore + 2 && PairPlays(d); }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(dlg.timedOut) << "opened " << g_world.opened.size() << ", index " << dlg.m_nCurIndex;
  EXPECT_EQ(dlg.m_nCurIndex, 1);
  ASSERT_EQ(g_world.opened.size(), 6u);
  EXPECT_EQ(g_world.opened[4], Entry(2).szMainPath);
  EXPECT_LT(g_world.position[0], 5000) << "it goes on from where it was";
}

// The stored aspect reaches both players when playback starts, and the aspect switch starts from it.
TEST_F(PlaybackDriving, TheStoredAspectReachesBothPlayersAtTheStart) {
  LongMovies();
  WritePrivateProfileStringW(L"DISPLAY", L"ASPECT", L"off", (dir_.path() + L"Default_Folder.ini").c_str());
  int words[2] = {-1, -1}, aspect = -1;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [&](DrivenDlg* d) {
                      words[0] = g_PlayerInstance[0].aspectMode;
                      words[1] = g_PlayerInstance[1].aspectMode;
                      aspect = d->m_nAspect;
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(words[0], 0);
  EXPECT_EQ(words[1], 0);
  EXPECT_EQ(aspect, 0) << "the aspect switch would write \"off\" once more";
}

// While a tool holds playback, the end of the last recording does not open it again.
TEST_F(PlaybackDriving, ARunningToolHoldsPlaybackAtTheEndOfTheList) {
  g_world.duration = 300;
  g_world.step = 1;
  int ticks = 0;
  DrivenDlg dlg;
  dlg.entries = 1;
  dlg.done = Steps({PairPlays, [](DrivenDlg* d) { return d->m_bToolLock = TRUE, true; },
                    [](DrivenDlg*) { return g_world.endPosted[0]; }, [&](DrivenDlg*) { return ++ticks > 10; },
                    [](DrivenDlg* d) { return d->m_bToolLock = FALSE, true; }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(dlg.timedOut);
  EXPECT_EQ(g_world.opened.size(), 2u) << "the recording was opened again under the tool";
}

}  // namespace

std::vector<std::wstring> PairPaths(std::initializer_list<int> entries) {
  std::vector<std::wstring> paths;
  for (int n : entries) {
    paths.push_back(Entry(n).szMainPath);
    paths.push_back(Entry(n).szRearPath);
  }
  return paths;
}

// The pre-open worker of the pair that plays has ended (its players made and drawn ahead).
bool PreOpenDone(DrivenDlg* d) {
  return d->m_hPreOpenThread && WaitForSingleObject(d->m_hPreOpenThread.get(), 0) == WAIT_OBJECT_0;
}

// The players opened ahead, with the Wine check as it is and forced off: on Windows they are opened
// for the real players too (under Wine only for fake ones), so the main dialog's take-over, drawing
// ahead and drop are driven on the Windows path as well.
class PlayersOpenedAhead : public PlaybackDriving, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    if (!GetParam()) windows_.emplace(false);
    PlaybackDriving::SetUp();
  }
  void TearDown() override {
    PlaybackDriving::TearDown();
    windows_.reset();
  }
  std::optional<playcore::WineCheckOverride> windows_;
};

INSTANTIATE_TEST_SUITE_P(WineCheck, PlayersOpenedAhead, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "AsDetected" : "Windows");
                         });

// While a pair plays, the next pair's two sources are resolved ahead and a player of each is opened
// from its source, for its own pane, and drawn ahead once ready; that pair's open takes the players
// over. The close shuts down the players opened for the pair after it, and nothing is left alive.
TEST_P(PlayersOpenedAhead, TheNextPairOpensWithThePlayersOpenedWhileThePairBeforePlayed) {
  LongMovies();
  std::vector<std::wstring> takenAtSecond, shutAtSecond, drawnBeforeNext;
  size_t opensBeforeNext = 0;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [](DrivenDlg*) { return PlayersMade().size() == 2; }, PreOpenDone,
                    [&](DrivenDlg* d) {
                      opensBeforeNext = g_world.opened.size();
                      {
                        std::lock_guard<std::mutex> hold(g_sources->lock);
                        drawnBeforeNext = g_sources->playersDrawn;
                      }
                      Command(d, kCmdNext);
                      return true;
                    },
                    [&](DrivenDlg* d) {
                      if (d->m_nCurIndex != 1 || !PairPlays(d) || PlayersMade().size() < 4) return false;
                      std::lock_guard<std::mutex> hold(g_sources->lock);
                      takenAtSecond = g_sources->playersTaken;
                      shutAtSecond = g_sources->playersShutDown;
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut) << "players made " << PlayersMade().size() << " resolved " << g_sources->resolved.size() << " used " << g_sources->used.size() << " shut " << g_sources->shutDown.size();
  EXPECT_EQ(opensBeforeNext, 2u) << "a player opened ahead is no open of the dialog's";
  EXPECT_EQ(drawnBeforeNext, PairPaths({2})) << "each player opened ahead is drawn ahead before its take-over";
  EXPECT_EQ(g_sources->resolved, PairPaths({2, 3})) << "the first pair has nothing before it; each later one is resolved once";
  EXPECT_EQ(g_sources->used, PairPaths({2, 3})) << "each source went into its player";
  EXPECT_TRUE(g_sources->shutDown.empty());
  EXPECT_EQ(g_sources->playersMade, PairPaths({2, 3}));
  const std::vector<HWND> panes = {g_PlayerInstance[0].videoWindow, g_PlayerInstance[1].videoWindow};
  ASSERT_EQ(g_sources->playerWindows.size(), 4u);
  EXPECT_EQ(std::vector<HWND>(g_sources->playerWindows.begin(), g_sources->playerWindows.begin() + 2), panes);
  EXPECT_EQ(takenAtSecond, PairPaths({2}));
  EXPECT_TRUE(shutAtSecond.empty());
  EXPECT_EQ(g_sources->playersTaken, PairPaths({2}));
  EXPECT_EQ(g_sources->playersShutDown, PairPaths({3})) << "the close lets the third pair's players go";
  EXPECT_EQ(g_sources->live, 0);
  EXPECT_EQ(g_sources->livePlayers, 0);
}

// Another row chosen than the one prepared: its open finds nothing of its own, and the players opened
// for the skipped pair are shut down, not kept and not handed to another file.
TEST_P(PlayersOpenedAhead, ARowChosenOverThePreparedOneShutsItsPlayersDown) {
  LongMovies();
  std::vector<std::wstring> shutAtThird, takenAtThird;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [](DrivenDlg*) { return PlayersMade().size() == 2; },
                    [](DrivenDlg* d) {
                      d->SetCurrentIndex(2);
                      d->SetPlayAfterOpen(true);
                      d->PrepareOpenCurrent(1, 1, 0);
                      return true;
                    },
                    [&](DrivenDlg* d) {
                      if (d->m_nCurIndex != 2 || !PairPlays(d)) return false;
                      std::lock_guard<std::mutex> hold(g_sources->lock);
                      shutAtThird = g_sources->playersShutDown;
                      takenAtThird = g_sources->playersTaken;
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(shutAtThird, PairPaths({2}));
  EXPECT_TRUE(takenAtThird.empty());
  EXPECT_EQ(g_world.opened, (std::vector<std::wstring>{Entry(1).szMainPath, Entry(1).szRearPath,
                                                       Entry(3).szMainPath, Entry(3).szRearPath}));
  EXPECT_EQ(g_sources->resolved, PairPaths({2})) << "the last row has no pair after it";
  EXPECT_EQ(g_sources->live, 0);
  EXPECT_EQ(g_sources->livePlayers, 0);
}

// Regression: a stop joined the pre-open worker before it dropped what the worker prepared, so a worker
// waiting for a prepared player's readiness held the window up to the wait's bound (10 s a player). The
// drop now comes first and ends that wait within its slice.
TEST_F(PlaybackDriving, AStopDoesNotWaitForAPlayerPreparedAheadToBecomeReady) {
  LongMovies();
  g_neverReady = true;
  g_waitsWhileStopping = 0;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [](DrivenDlg*) { return PlayersMade().size() == 2; },
                    [](DrivenDlg* d) {
                      g_stopping = true;
                      d->StopPlayback();
                      g_stopping = false;
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  g_neverReady = false;
  ASSERT_FALSE(dlg.timedOut);
  // At most the slice running when the stop came, for each of the two players.
  EXPECT_LE(g_waitsWhileStopping.load(), 2);
  EXPECT_EQ(g_sources->livePlayers, 0);
}

// A tool closes the files read ahead, the players opened ahead with them (a tool may rewrite a
// recording).
TEST_P(PlayersOpenedAhead, AToolStartLetsThePlayersOpenedAheadGo) {
  LongMovies();
  std::vector<std::wstring> shut;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [](DrivenDlg*) { return PlayersMade().size() == 2; },
                    [&](DrivenDlg* d) {
                      if (!d->PrepareToolStart()) return false;
                      std::lock_guard<std::mutex> hold(g_sources->lock);
                      shut = g_sources->playersShutDown;
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(shut, PairPaths({2}));
  EXPECT_TRUE(g_sources->playersTaken.empty());
  EXPECT_EQ(g_sources->live, 0);
  EXPECT_EQ(g_sources->livePlayers, 0);
}

// On the filter-graph path (the fake players have no Media Foundation player) the loaded pair is
// repainted: a stopped graph shows its first frame only once it is cued again.
TEST_F(PlaybackDriving, AGraphPairIsRepaintedWhenItsDriveDataIsLoaded) {
  int repainted[2] = {-1, -1};
  bool opened = false;
  DrivenDlg dlg;
  dlg.holdDataLoaded = true;
  dlg.done = Steps({[](DrivenDlg* d) { return d->heldDataLoaded.message != 0; },
                    [&](DrivenDlg* d) {
                      const int before[2] = {g_world.repaints[0], g_world.repaints[1]};
                      const MSG& m = d->heldDataLoaded;
                      d->SendMessage(m.message, m.wParam, m.lParam);
                      opened = d->m_bOpened != FALSE;
                      for (int k = 0; k < 2; ++k) repainted[k] = g_world.repaints[k] - before[k];
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_TRUE(opened);
  EXPECT_EQ(repainted[0], 1) << "main camera";
  EXPECT_EQ(repainted[1], 1) << "rear camera";
}

// A paint of the window draws the paused picture again (the selected player); a minimised window
// paints its icon only.
TEST_F(PlaybackDriving, APaintOfTheWindowDrawsThePausedPictureAgain) {
  LongMovies();
  int shown = -1, minimised = -1;
  bool iconic = false;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [&](DrivenDlg* d) {
                      Command(d, kCmdPlay);
                      EXPECT_EQ(g_PlayerInstance[0].playState, playcore::kPlayPaused);
                      int before = g_world.repaints[0];
                      d->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                      shown = g_world.repaints[0] - before;
                      d->ShowWindow(SW_MINIMIZE);
                      iconic = d->IsIconic() != FALSE;
                      before = g_world.repaints[0];
                      d->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                      minimised = g_world.repaints[0] - before;
                      d->ShowWindow(SW_RESTORE);
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(shown, 1);
  if (iconic) {
    EXPECT_EQ(minimised, 0);
  }
}

// A new primary pane: the playing pair pauses for the change and plays on, the sub pane (now in the
// movie window) takes the focus, and a pending seek of the former arrangement is dropped.
TEST_F(PlaybackDriving, ANewPrimaryPanePausesAroundTheChangeAndFocusesTheSubPane) {
  LongMovies();
  struct Seen {
    int pausesBefore = -1, pausesAfter = -1;
    LONG state[2] = {};
    HWND focus = nullptr, subPane = nullptr;
    int64_t seekTarget = 0;
  } seen;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [&](DrivenDlg* d) {
                      d->m_nSeekTarget = 40;
                      seen.pausesBefore = g_world.pauses;
                      d->SetPrimaryPane(1);
                      seen.pausesAfter = g_world.pauses;
                      for (int k = 0; k < 2; ++k) seen.state[k] = g_PlayerInstance[k].playState;
                      seen.focus = ::GetFocus();
                      seen.subPane = d->m_pane[0].m_hWnd;
                      seen.seekTarget = d->m_nSeekTarget;
                      d->SetPrimaryPane(0);
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(seen.pausesAfter - seen.pausesBefore, 2) << "both cameras paused for the change";
  EXPECT_EQ(seen.state[0], playcore::kPlayPlaying);
  EXPECT_EQ(seen.state[1], playcore::kPlayPlaying);
  EXPECT_EQ(seen.focus, seen.subPane);
  EXPECT_EQ(seen.seekTarget, -1);
}

// A double click lays the window out for full screen, except within 10 positions of the movie's end
// (the end handling is about to open the next pair); in full screen it always leaves it.
TEST_F(PlaybackDriving, ADoubleClickAtTheMoviesEndLeavesTheLayoutAlone) {
  LongMovies();
  g_world.duration = 1000;
  g_world.step = 0;
  struct Case {
    int64_t position;
    bool fullScreen;  // after the double click on the primary pane
  } cases[] = {{995, false}, {990, false}, {989, true}, {500, true}};
  std::vector<int> seen;
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays, [&](DrivenDlg* d) {
                      for (const Case& c : cases) {
                        g_world.position[0] = g_world.position[1] = c.position;
                        d->OnDialogDoubleClick(0);
                        seen.push_back(d->m_bFullScreen ? 1 : 0);
                        if (d->m_bFullScreen) {
                          g_world.position[0] = g_world.position[1] = 998;
                          d->OnDialogDoubleClick(0);
                          seen.push_back(d->m_bFullScreen ? 1 : 0);
                        }
                      }
                      return true;
                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_FALSE(dlg.timedOut);
  EXPECT_EQ(seen, (std::vector<int>{0, 0, 1, 0, 1, 0}));
}

// A row the browser's code selected quietly (to go on with the list) that does not open is skipped
// without a box, as during an automatic advance; the list goes on with the next pair.
TEST_F(PlaybackDriving, AQuietlySelectedRowThatDoesNotOpenIsSkippedWithoutABox) {
  LongMovies();
  g_world.failFrom = g_world.failTo = 2;
  static int boxes;
  boxes = 0;
  Hooks().showMessage = [](CWnd*, const wchar_t*, const wchar_t*) { ++boxes; };
  DrivenDlg dlg;
  dlg.done = Steps({PairPlays,
                    [](DrivenDlg* d) {
                      d->m_browser.m_bQuietOpen = TRUE;
                      d->m_nCurIndex = 1;
                      d->PrepareOpenCurrent(1, 1, 0);
                      return true;
                    },
                    [](DrivenDlg* d) { return d->m_nCurIndex == 2 && PairPlays(d); }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(dlg.timedOut) << "index " << dlg.m_nCurIndex;
  EXPECT_EQ(boxes, 0);
  EXPECT_FALSE(dlg.m_browser.m_bQuietOpen) << "read and cleared";
}
