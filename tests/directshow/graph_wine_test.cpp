// The DirectShow path for real: generated recordings played by the system's filter graph, with the
// Media Foundation check forced to fail. Under Wine the graph decodes through its GStreamer splitter;
// what Wine does not do (rates, the picture) is covered against the fake graph instead.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <dshow.h>

#include "playcore/dshow/graph_player.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/dshow_bridge.h"
#include "playcore/instances/player_start.h"
#include "playcore/player/mf_player.h"
#include "playcore/scene/view_settings.h"
#include "tests/player/player_test_util.h"
#include "tests/support/test_env.h"

namespace playcore::test {
namespace {

constexpr UINT kReady = quill::msg::kPlayerReady;
constexpr DWORD kWaitMs = 20000;  // a safety net only: every wait ends on what it waits for

std::vector<std::pair<std::string, ULONG>> g_released;
void RecordRelease(const char* name, ULONG remaining) { g_released.emplace_back(name, remaining); }

HWND g_mediaFoundationWindow = nullptr;  // the one window that may use Media Foundation
HRESULT StartOnlyForOneWindow(HWND window, const sVIEWSETTINGS* owner, CPlayer** player) {
  if (window != g_mediaFoundationWindow) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  return CPlayer::Create(window, owner, player);
}

// Object creation that fails for one class.
const CLSID* g_refused = nullptr;
HRESULT CreateUnlessRefused(REFCLSID clsid, REFIID iid, void** object) {
  if (g_refused && IsEqualCLSID(clsid, *g_refused)) return E_OUTOFMEMORY;
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
}

// A video mixing renderer 9 that exists but cannot be set up: it answers none of its configuration
// interfaces, as one over a broken Direct3D 9 driver fails its windowless mode.
class BrokenVmr9 : public IBaseFilter {
 public:
  virtual ~BrokenVmr9() = default;
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBaseFilter)) {
      *out = static_cast<IBaseFilter*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
  STDMETHODIMP Stop() override { return E_NOTIMPL; }
  STDMETHODIMP Pause() override { return E_NOTIMPL; }
  STDMETHODIMP Run(REFERENCE_TIME) override { return E_NOTIMPL; }
  STDMETHODIMP GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
  STDMETHODIMP SetSyncSource(IReferenceClock*) override { return E_NOTIMPL; }
  STDMETHODIMP GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumPins(IEnumPins**) override { return E_NOTIMPL; }
  STDMETHODIMP FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
  STDMETHODIMP JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_NOTIMPL; }
  STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

 private:
  LONG refs_ = 1;
};

// The classes asked for, in order; the VMR-9 is the broken one.
std::vector<CLSID> g_asked;
HRESULT CreateWithBrokenVmr9(REFCLSID clsid, REFIID iid, void** object) {
  g_asked.push_back(clsid);
  if (IsEqualCLSID(clsid, CLSID_VideoMixingRenderer9)) {
    auto* broken = new BrokenVmr9;
    const HRESULT hr = broken->QueryInterface(iid, object);
    broken->Release();
    return hr;
  }
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
}

std::wstring SilentClip() {
  const char* dir = std::getenv("QUILL_DIRECTSHOW_CLIPS");
  return dir ? quill::test::HostPathToWindows(std::string(dir) + "/silent.mp4") : std::wstring();
}

class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    InstallProbes();
    g_mediaFoundationWindow = nullptr;
    SetPlayerStarter(StartOnlyForOneWindow);
    dshow::SetReleaseObserver(RecordRelease);
    g_released.clear();
    pair_ = FirstPair();
    ASSERT_FALSE(pair_.main.empty());
    windows_ = std::make_unique<PaneWindows>(0, 320, 320);
    ASSERT_TRUE(InitInstance(0, windows_->pane(), kViewFlat));
  }
  void TearDown() override {
    ReleaseInstances();
    dshow::SetReleaseObserver(nullptr);
    dshow::SetObjectCreator(nullptr);
    g_refused = nullptr;
    SetPlayerStarter(nullptr);
    windows_.reset();
    CoUninitialize();
  }
  sPLAYERINSTANCE* instance() { return &g_PlayerInstance[0]; }
  sPLAYERFUNCS& funcs() { return g_PlayerFuncs[0]; }
  dshow::RendererKind renderer() { return instance()->renderer.directShow.session->renderer(); }
  void Open(const std::wstring& path) {
    windows_->Clear();
    ASSERT_EQ(1, funcs().OpenMovie(instance(), path.c_str()));
    ASSERT_TRUE(dsbridge::UsesGraph(instance()));
    ASSERT_TRUE(WaitForMessage(*windows_, kReady, 1, kWaitMs)) << "no kPlayerReady";
  }
  int64_t Position() { return funcs().GetPosition(instance()); }

  RecordingPair pair_;
  std::unique_ptr<PaneWindows> windows_;
};

TEST_F(GraphTest, OpensThroughTheVmr9AndPlaysPausesRepaintsAndSeeks) {
  const int boxes = ErrorBoxCount();
  ASSERT_NO_FATAL_FAILURE(Open(pair_.main));
  EXPECT_EQ(dshow::kRendererVmr9, renderer());
  EXPECT_EQ(kPlayStopped, instance()->playState);
  EXPECT_NEAR(pair_.frames, funcs().GetDuration(instance()), 1);
  int32_t width = 0;
  int32_t height = 0;
  EXPECT_EQ(1, funcs().GetNativeSize(instance(), &width, &height));
  EXPECT_EQ(320, width);
  EXPECT_EQ(320, height);

  ASSERT_EQ(1, funcs().Play(instance()));
  EXPECT_TRUE(PumpUntil(kWaitMs, [&] { return Position() >= 10; })) << "the position advances";

  ASSERT_EQ(1, funcs().Pause(instance()));
  const int64_t paused = Position();
  EXPECT_EQ(1, funcs().Repaint(instance()));
  EXPECT_EQ(kPlayPaused, instance()->playState);
  EXPECT_NEAR(paused, Position(), 1) << "a repaint shows the same frame";

  ASSERT_EQ(1, funcs().Seek(instance(), 45));
  EXPECT_NEAR(45, Position(), 1);
  EXPECT_EQ(kPlayPaused, instance()->playState);
  EXPECT_EQ(boxes, ErrorBoxCount());
}

// A straight play, and a play sought forward while running, both end at the owner window.
TEST_F(GraphTest, PlaysEndAtTheOwnerWindow) {
  for (int64_t seekTo : {int64_t{-1}, int64_t{40}}) {
    ASSERT_NO_FATAL_FAILURE(Open(pair_.main));
    ASSERT_EQ(1, funcs().Play(instance()));
    if (seekTo >= 0) {
      ASSERT_TRUE(PumpUntil(kWaitMs, [&] { return Position() >= 5; }));
      ASSERT_EQ(1, funcs().Seek(instance(), seekTo));
      EXPECT_GE(Position(), seekTo);
    }
    int seen = 0;
    size_t notices = 0;
    EXPECT_TRUE(PumpUntil(kWaitMs, [&] {
      const size_t now = windows_->messages(kMsgGraphEvent).size();
      if (now != notices) seen |= PlayerInstance::TakeGraphEvents(instance());
      notices = now;
      return (seen & dshow::kGraphEventComplete) != 0;
    })) << "no end of the movie through kGraphEvent (seek to " << seekTo << ")";
    EXPECT_NEAR(pair_.frames, Position(), 2) << "the graph stops at the end";
    EXPECT_EQ(1, funcs().CloseMovie(instance()));
  }
}

TEST_F(GraphTest, AMovieWithoutSoundOpensAndStillChangesItsRate) {
  const std::wstring silent = SilentClip();
  ASSERT_FALSE(silent.empty());
  const int boxes = ErrorBoxCount();
  ASSERT_NO_FATAL_FAILURE(Open(silent));
  EXPECT_EQ(1, funcs().SetVolume(instance(), 32768));
  EXPECT_EQ(1, funcs().Play(instance()));
  EXPECT_EQ(1, funcs().SetRate(instance(), 2));
  EXPECT_EQ(2, instance()->speedCode);
  EXPECT_EQ(1, funcs().SetRate(instance(), 1));
  EXPECT_EQ(boxes, ErrorBoxCount());
}

// The names released, in order, without the mixer control (a VMR-9 without a loaded mixer has none);
// the graph itself goes last and is freed.
std::vector<std::string> ReleasedNames() {
  std::vector<std::string> names;
  for (const auto& released : g_released) {
    if (released.first != "VMR-9 mixer control") names.push_back(released.first);
  }
  EXPECT_FALSE(g_released.empty());
  if (!g_released.empty()) {
    EXPECT_EQ(0u, g_released.back().second) << "something still holds the graph";
  }
  return names;
}

TEST_F(GraphTest, ClosingReleasesEveryInterfaceInOrderOnce) {
  ASSERT_NO_FATAL_FAILURE(Open(pair_.main));
  ASSERT_EQ(1, funcs().Play(instance()));
  g_released.clear();
  EXPECT_EQ(1, funcs().CloseMovie(instance()));
  EXPECT_EQ((std::vector<std::string>{"source filter", "IMediaSeeking", "IMediaPosition", "IMediaEventEx",
                                      "IMediaEvent", "IMediaControl", "VMR-9 windowless control",
                                      "VMR-9 filter configuration", "VMR-9 filter", "IBasicVideo2", "IBasicAudio",
                                      "capture graph builder", "filter graph"}),
            ReleasedNames());
  g_released.clear();
  EXPECT_EQ(1, funcs().CloseMovie(instance()));
  EXPECT_TRUE(g_released.empty());
}

TEST_F(GraphTest, AFailedOpenShowsOneBoxReleasesWhatItMadeAndTheInstanceOpensAgain) {
  g_refused = &CLSID_CaptureGraphBuilder2;
  dshow::SetObjectCreator(CreateUnlessRefused);
  const int boxes = ErrorBoxCount();
  EXPECT_EQ(0, funcs().OpenMovie(instance(), pair_.main.c_str()));
  EXPECT_EQ(boxes + 1, ErrorBoxCount());
  EXPECT_EQ(kPlayClosed, instance()->playState);
  EXPECT_EQ((std::vector<std::string>{"VMR-9 windowless control", "VMR-9 filter configuration", "VMR-9 filter",
                                      "filter graph"}),
            ReleasedNames());
  g_released.clear();
  EXPECT_EQ(1, funcs().CloseMovie(instance()));
  EXPECT_EQ(1, funcs().CloseMovie(instance()));
  EXPECT_TRUE(g_released.empty());
  g_refused = nullptr;
  ASSERT_NO_FATAL_FAILURE(Open(pair_.main));
  EXPECT_EQ(1, funcs().Play(instance()));
}

// Regression: a VMR-9 that exists but fails its windowless set-up failed every open; the graph now goes
// on to the VMR-7 (which Wine does not have) and then to its own video window.
TEST_F(GraphTest, AVmr9ThatCannotBeSetUpGivesWayToTheNextRenderer) {
  g_asked.clear();
  dshow::SetObjectCreator(CreateWithBrokenVmr9);
  dshow::GraphPlayer graph;
  ASSERT_EQ(S_OK, graph.Create(windows_->pane()));
  const auto asked = [](REFCLSID clsid) {
    return std::find_if(g_asked.begin(), g_asked.end(), [&](const CLSID& c) { return IsEqualCLSID(c, clsid); }) -
           g_asked.begin();
  };
  const auto vmr9 = asked(CLSID_VideoMixingRenderer9), vmr7 = asked(CLSID_VideoMixingRenderer);
  ASSERT_LT(vmr9, static_cast<ptrdiff_t>(g_asked.size()));
  ASSERT_LT(vmr7, static_cast<ptrdiff_t>(g_asked.size())) << "the VMR-7 was never tried";
  EXPECT_LT(vmr9, vmr7);
  EXPECT_NE(dshow::kRendererVmr9, graph.renderer());
  EXPECT_NE(dshow::kRendererNone, graph.renderer());
  graph.Close();
}

// The main camera through Media Foundation and the rear one through the graph, driven together by
// the dispatchers the main window uses.
TEST_F(GraphTest, AMainAndRearPairPlaysTogetherWithOneInstanceOnEachPath) {
  PaneWindows rearPane(340, 320, 180);
  ASSERT_TRUE(InitInstance(1, rearPane.pane(), kViewFlat));
  g_mediaFoundationWindow = windows_->pane();
  windows_->Clear();
  ASSERT_EQ(1, g_PlayerFuncs[0].OpenMovie(&g_PlayerInstance[0], pair_.main.c_str()));
  ASSERT_EQ(1, g_PlayerFuncs[1].OpenMovie(&g_PlayerInstance[1], pair_.rear.c_str()));
  EXPECT_FALSE(dsbridge::UsesGraph(&g_PlayerInstance[0]));
  EXPECT_TRUE(dsbridge::UsesGraph(&g_PlayerInstance[1]));
  g_PlayerInstance[0].movieOpen = 1;
  g_PlayerInstance[1].movieOpen = 1;
  ASSERT_TRUE(PumpUntil(kWaitMs, [&] {
    return !windows_->messages(kReady).empty() && !rearPane.messages(kReady).empty();
  })) << "both panes report their movie ready";
  auto position = [](int i) { return g_PlayerFuncs[i].GetPosition(&g_PlayerInstance[i]); };
  ASSERT_EQ(1, PlayerCall_Play(kSelectorAll));
  EXPECT_TRUE(PumpUntil(kWaitMs, [&] { return position(0) >= 10 && position(1) >= 10; }));
  // Paused, the positions stay where the seek puts them; the Media Foundation side's seek lands
  // asynchronously, so both are waited for.
  ASSERT_EQ(1, PlayerCall_Pause(kSelectorAll));
  ASSERT_EQ(1, PlayerCall_Seek(kSelectorAll, 30));
  auto landedAt = [&](int64_t at) { return std::abs(position(0) - at) <= 2 && std::abs(position(1) - at) <= 2; };
  EXPECT_TRUE(PumpUntil(kWaitMs, [&] { return landedAt(30); })) << position(0) << " " << position(1);
  ASSERT_EQ(1, PlayerCall_Play(kSelectorAll));
  EXPECT_TRUE(PumpUntil(kWaitMs, [&] { return position(0) >= 40 && position(1) >= 40; }));
  EXPECT_EQ(1, PlayerCall_CloseMovieAll());
}

}  // namespace
}  // namespace playcore::test
