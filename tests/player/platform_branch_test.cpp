// The player's video branch on each platform, with the Wine check forced either way: under Wine the
// player makes the video renderer and hands the session its stream; on Windows the session is given
// the renderer's activate and makes the renderer, which activates the presenter. Both are opened to
// readiness by the real session here.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "platform/com/com_ptr.h"
#include "playcore/player/mf_activate.h"
#include "playcore/player/mf_player.h"
#include "playcore/player/source_shutdown.h"
#include "playcore/presenter/wine_host.h"
#include "tests/player/player_test_util.h"

namespace {

using quill::com::ComPtr;

constexpr DWORD kReadyBoundMs = 15000;

std::atomic<int> g_presentersMade{0};
void CountPresenter(playcore::EVRCustomPresenter*, const playcore::sVIEWSETTINGS*) { ++g_presentersMade; }

class BranchPlayer : public CPlayer {
 public:
  explicit BranchPlayer(HWND window) : CPlayer(window, nullptr) {
    // Wine's source may hang in its shut-down: bounded here on both branches (the test runs on Wine).
    sourceShutdownBoundMs_ = playcore::kSourceShutdownWaitMs;
  }
  using CPlayer::BuildPlaybackTopology;
  using CPlayer::StartPlatform;
};

struct VideoNode {
  int streams = 0;            // output nodes holding a renderer's stream
  int presenterActivates = 0;  // output nodes holding a renderer activate that names a presenter's
};

VideoNode OutputNodesOf(IMFTopology* topology) {
  VideoNode found;
  WORD count = 0;
  topology->GetNodeCount(&count);
  for (WORD i = 0; i < count; ++i) {
    ComPtr<IMFTopologyNode> node;
    MF_TOPOLOGY_TYPE type = MF_TOPOLOGY_MAX;
    ComPtr<IUnknown> object;
    if (FAILED(topology->GetNode(i, node.put())) || FAILED(node->GetNodeType(&type)) ||
        type != MF_TOPOLOGY_OUTPUT_NODE || FAILED(node->GetObject(object.put()))) {
      continue;
    }
    ComPtr<IMFStreamSink> stream;
    ComPtr<IMFActivate> activate;
    ComPtr<IUnknown> presenterActivate;
    if (SUCCEEDED(object.As(&stream))) ++found.streams;
    if (SUCCEEDED(object.As(&activate)) &&
        SUCCEEDED(activate->GetUnknown(MF_ACTIVATE_CUSTOM_VIDEO_PRESENTER_ACTIVATE, __uuidof(IUnknown),
                                       presenterActivate.putVoid()))) {
      ++found.presenterActivates;
    }
  }
  return found;
}

TEST(PlayerBranch, TheVideoRendererIsMadeByThePlayerUnderWineAndByTheSessionOnWindows) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const playcore::PresenterCreatedHook oldHook = playcore::SetPresenterCreatedHook(CountPresenter);
  const playcore::test::RecordingPair pair = playcore::test::FirstPair();
  ASSERT_FALSE(pair.main.empty()) << "no main/rear pair in the recordings";
  // Wine first: its player keeps the platform started for the process (see mf_player.cpp).
  const struct {
    bool wine;
    int presentersAtBuild;  // made while the topology is built, before the session has it
    VideoNode node;
  } cases[] = {{true, 1, {1, 0}}, {false, 0, {0, 1}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wine ? "wine" : "windows");
    const playcore::WineCheckOverride forced(c.wine);
    auto windows = std::make_unique<playcore::test::PaneWindows>(0, 480, 360);
    auto* player = new BranchPlayer(windows->pane());
    ASSERT_HRESULT_SUCCEEDED(player->StartPlatform());
    const int madeBeforeOpen = g_presentersMade.load();
    ASSERT_TRUE(player->OpenURL(pair.main.c_str()));
    EXPECT_TRUE(playcore::test::WaitForMessage(*windows, playcore::kMsgPlayerReady, 1, kReadyBoundMs));
    // Readiness through the topology's sinks, and the presenter the renderer activated.
    EXPECT_TRUE(player->ready());
    EXPECT_TRUE(player->presenter());
    EXPECT_EQ(madeBeforeOpen + 1, g_presentersMade.load());
    // What the branch gives the session, seen in a topology built for a source of the test's own.
    ComPtr<IMFMediaSource> source;
    ComPtr<IMFPresentationDescriptor> pd;
    ComPtr<IMFTopology> topology;
    ASSERT_HRESULT_SUCCEEDED(playcore::ResolveMediaSource(pair.main.c_str(), source.put()));
    ASSERT_HRESULT_SUCCEEDED(source->CreatePresentationDescriptor(pd.put()));
    const int madeBeforeBuild = g_presentersMade.load();
    ASSERT_HRESULT_SUCCEEDED(player->BuildPlaybackTopology(source.get(), pd.get(), topology.put()));
    EXPECT_EQ(madeBeforeBuild + c.presentersAtBuild, g_presentersMade.load());
    const VideoNode node = OutputNodesOf(topology.get());
    EXPECT_EQ(c.node.streams, node.streams);
    EXPECT_EQ(c.node.presenterActivates, node.presenterActivates);
    topology.reset();
    EXPECT_HRESULT_SUCCEEDED(player->Shutdown());
    EXPECT_EQ(playcore::kPlayerClosed, player->state());
    player->Release();
    playcore::ShutdownSourceWithin(source.get(), playcore::kSourceShutdownWaitMs);
  }
  playcore::SetPresenterCreatedHook(oldHook);
  CoUninitialize();
}

}  // namespace
