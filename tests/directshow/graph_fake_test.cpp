// The DirectShow branches of the instance operations against a fake graph: what reaches the graph
// for rates, volumes, seeks and the step mode, the end event's way to the owner window,
// and failed opens.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "playcore/instances/dispatchers.h"
#include "playcore/instances/dshow_bridge.h"
#include "playcore/instances/player_start.h"
#include "tests/directshow/fake_graph.h"
#include "tests/player/player_test_util.h"
#include "tests/support/test_env.h"

namespace playcore::test {
namespace {

HRESULT NoMediaFoundation(HWND, const sVIEWSETTINGS*, CPlayer**) { return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND); }

class FakeGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    InstallProbes();
    SetPlayerStarter(NoMediaFoundation);
    FakeGraph::Install();
    path_ = FirstPair().main;
    ASSERT_FALSE(path_.empty());
    windows_ = std::make_unique<PaneWindows>(0, 320, 240);
    ASSERT_TRUE(InitInstance(0, windows_->pane(), kViewFlat));
  }
  void TearDown() override {
    ReleaseInstances();
    FakeGraph::Uninstall();
    SetPlayerStarter(nullptr);
    windows_.reset();
    CoUninitialize();
  }
  sPLAYERINSTANCE* instance() { return &g_PlayerInstance[0]; }
  sPLAYERFUNCS& funcs() { return g_PlayerFuncs[0]; }
  FakeGraph* Open() {
    EXPECT_EQ(1, funcs().OpenMovie(instance(), path_.c_str()));
    return FakeGraph::made().empty() ? nullptr : FakeGraph::made().back();
  }

  std::wstring path_;
  std::unique_ptr<PaneWindows> windows_;
};

TEST_F(FakeGraphTest, RatesFollowTheSpeedCodesWithSoundOnlyAtNormalSpeed) {
  const struct {
    bool audio;
    std::vector<int32_t> codes;  // asked one after another, after a volume of 65535
    double rate;                 // the graph's last rate and volume
    long volume;                 // (without sound the volume fails, and the rate is set all the same)
  } cases[] = {{true, {2}, 2.0, -10000},  {true, {4}, 4.0, -10000},  {true, {-1}, 0.5, -10000},
               {true, {-1, -1}, 1.0, 0},  {true, {-4}, 0.25, -10000}, {false, {2}, 2.0, 0},
               {false, {-1, -1}, 1.0, 0}};
  for (const auto& c : cases) {
    FakeGraph* graph = Open();
    ASSERT_NE(nullptr, graph);
    graph->audio = c.audio;
    funcs().SetVolume(instance(), 65535);
    const int boxes = ErrorBoxCount();
    for (int32_t code : c.codes) EXPECT_EQ(1, funcs().SetRate(instance(), code));
    ASSERT_FALSE(graph->rates.empty());
    EXPECT_DOUBLE_EQ(c.rate, graph->rates.back()) << "first code " << c.codes[0];
    if (c.audio) {
      EXPECT_EQ(c.volume, graph->volumes.back()) << "first code " << c.codes[0];
    }
    EXPECT_EQ(boxes, ErrorBoxCount());
    funcs().CloseMovie(instance());
    instance()->speedCode = 1;
  }
}

TEST_F(FakeGraphTest, VolumesBecomeAttenuationsAndStaySilentAwayFromNormalSpeed) {
  const struct {
    int32_t code;
    int32_t volume;
    long attenuation;
  } cases[] = {{1, 0, -10000}, {1, 32768, -4999}, {1, 65535, 0}, {2, 65535, -10000}};
  FakeGraph* graph = Open();
  ASSERT_NE(nullptr, graph);
  for (const auto& c : cases) {
    instance()->speedCode = c.code;
    EXPECT_EQ(1, funcs().SetVolume(instance(), c.volume));
    EXPECT_EQ(c.attenuation, graph->volumes.back()) << c.volume;
  }
  graph->audio = false;  // a movie without sound keeps the volume quietly
  const int boxes = ErrorBoxCount();
  EXPECT_EQ(1, funcs().SetVolume(instance(), 1000));
  EXPECT_EQ(boxes, ErrorBoxCount());
}

// Each failing step: one box, nothing left open, closing is harmless, and the next movie opens.
TEST_F(FakeGraphTest, AFailedOpenShowsOneBoxAndLeavesTheInstanceClosedAndReusable) {
  const HRESULT kNoFilter = static_cast<HRESULT>(0x80040265);  // VFW_E_UNSUPPORTED_STREAM
  for (const auto& c : {std::make_pair(E_OUTOFMEMORY, S_OK), std::make_pair(S_OK, kNoFilter)}) {
    FakeGraph::Install(c.first, c.second);
    const int boxes = ErrorBoxCount();
    EXPECT_EQ(0, funcs().OpenMovie(instance(), path_.c_str()));
    EXPECT_EQ(boxes + 1, ErrorBoxCount());
    EXPECT_EQ(kPlayClosed, instance()->playState);
    EXPECT_EQ(0, FakeGraph::alive()) << "the failed graph was closed and freed";
    EXPECT_EQ(1, funcs().CloseMovie(instance()));
    EXPECT_EQ(1, funcs().CloseMovie(instance()));
    EXPECT_EQ(0, funcs().Play(instance())) << "nothing to play";
    FakeGraph::Install();
    ASSERT_NE(nullptr, Open());
    EXPECT_EQ(1, funcs().Play(instance()));
    EXPECT_EQ(1, funcs().CloseMovie(instance()));
    EXPECT_EQ(0, FakeGraph::alive());
  }
}

// The view slots place the picture through the graph: a zoom of 2 about the pane's centre, and the
// aspect mode handed to the windowless renderer, which boxes the picture itself.
TEST_F(FakeGraphTest, TheViewSlotsPlaceThePictureThroughTheGraph) {
  FakeGraph* graph = Open();
  ASSERT_NE(nullptr, graph);
  EXPECT_EQ(1, funcs().SetZoom(instance(), 160, 120, 0, 0, 2.0f, 1));
  EXPECT_EQ(-160, graph->placed.left);
  EXPECT_EQ(-120, graph->placed.top);
  EXPECT_EQ(480, graph->placed.right);
  EXPECT_EQ(360, graph->placed.bottom);
  EXPECT_TRUE(EqualRect(&graph->placed, &instance()->destRect)) << "the laid-out rectangle is kept";
  EXPECT_EQ(1, funcs().SetZoom(instance(), 160, 120, 0, 0, 1.0f, 1));
  EXPECT_EQ(1, funcs().ApplyAspectMode(instance(), 1));
  EXPECT_TRUE(graph->letterBoxed);
  EXPECT_EQ(320, graph->placed.right) << "the renderer boxes the whole pane";
  EXPECT_EQ(240, graph->placed.bottom);
  EXPECT_EQ(1, funcs().ApplyAspectMode(instance(), 0));
  EXPECT_FALSE(graph->letterBoxed);
  EXPECT_EQ(1, funcs().UpdateVideoRect(instance()));
  funcs().CloseMovie(instance());
}

// After the picture is placed it is drawn again where the renderer would otherwise show nothing
// until the next frame: a windowless renderer when the layout asks (slot 30's flag, slot 40 always),
// the graph's own video window when the graph is stopped or paused (cued again), never while playing.
TEST_F(FakeGraphTest, ThePlacedPictureIsDrawnAgainWhereItWouldStayEmpty) {
  enum Slot { kZoomQuiet, kZoomRepaint, kUpdateRect };
  const struct {
    dshow::RendererKind kind;
    LONG state;
    Slot slot;
    const char* after;  // the graph's call after PlaceVideo, "" for none
  } cases[] = {
      {dshow::kRendererVmr9, kPlayStopped, kZoomQuiet, ""},
      {dshow::kRendererVmr9, kPlayPaused, kZoomRepaint, "RepaintVideo"},
      {dshow::kRendererVmr7, kPlayPlaying, kUpdateRect, "RepaintVideo"},
      {dshow::kRendererVideoWindow, kPlayStopped, kZoomQuiet, "StopWhenReady"},
      {dshow::kRendererVideoWindow, kPlayPaused, kUpdateRect, "Pause"},
      {dshow::kRendererVideoWindow, kPlayPlaying, kZoomRepaint, ""},
  };
  for (const auto& c : cases) {
    FakeGraph* graph = Open();
    ASSERT_NE(nullptr, graph);
    graph->kind = c.kind;
    if (c.state != kPlayStopped) {
      EXPECT_EQ(1, funcs().Play(instance()));
    }
    if (c.state == kPlayPaused) {
      EXPECT_EQ(1, funcs().Pause(instance()));
    }
    graph->calls.clear();
    if (c.slot == kUpdateRect) {
      EXPECT_EQ(1, funcs().UpdateVideoRect(instance()));
    } else {
      EXPECT_EQ(1, funcs().SetZoom(instance(), 160, 120, 0, 0, 1.0f, c.slot == kZoomRepaint ? 1 : 0));
    }
    const std::vector<std::string>& calls = graph->calls;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ("PlaceVideo", calls[0]);
    EXPECT_EQ(c.after, calls.size() > 1 ? calls[1] : std::string()) << "renderer " << c.kind << ", state " << c.state;
    EXPECT_LE(calls.size(), 2u);
    funcs().CloseMovie(instance());
  }
}

// A closed instance answers no time scale: the closed movie's would convert positions of none.
TEST_F(FakeGraphTest, AClosedInstanceHasNoTimeScale) {
  ASSERT_NE(nullptr, Open());
  EXPECT_GT(funcs().GetTimeScale(instance()), 0.0f);
  EXPECT_EQ(1, funcs().CloseMovie(instance()));
  EXPECT_EQ(0.0f, funcs().GetTimeScale(instance()));
  EXPECT_EQ(0.0f, PlayerCall_GetTimeScale(0));
}

TEST_F(FakeGraphTest, SeeksLandInsideTheMovie) {
  FakeGraph* graph = Open();
  ASSERT_NE(nullptr, graph);
  const struct {
    int64_t asked;
    int64_t landed;
  } cases[] = {{30, 30}, {-5, 0}, {500, 60}};
  for (const auto& c : cases) {
    EXPECT_EQ(1, funcs().Seek(instance(), c.asked));
    EXPECT_EQ(c.landed, funcs().GetPosition(instance())) << c.asked;
  }
  graph->capabilities = 0;  // a graph that cannot seek stays where it is
  EXPECT_EQ(1, funcs().Seek(instance(), 10));
  EXPECT_EQ(60, funcs().GetPosition(instance()));
}

TEST_F(FakeGraphTest, TheEndAfterARunningSeekReachesTheOwnerWindow) {
  FakeGraph* graph = Open();
  ASSERT_NE(nullptr, graph);
  ASSERT_EQ(1, funcs().Play(instance()));
  EXPECT_EQ(0, PlayerInstance::TakeGraphEvents(instance())) << "nothing waits yet";
  ASSERT_EQ(1, funcs().Seek(instance(), 1000));  // past the end: lands at the stop position
  ASSERT_TRUE(WaitForMessage(*windows_, kMsgGraphEvent, 1, 5000));
  EXPECT_EQ(dshow::kGraphEventComplete, PlayerInstance::TakeGraphEvents(instance()));
  EXPECT_EQ(0, PlayerInstance::TakeGraphEvents(instance())) << "each event is taken once";
  EXPECT_TRUE(graph->running);
}

TEST_F(FakeGraphTest, StepModeSlowsToAFrameASecondSilentlyAndComesBack) {
  FakeGraph* graph = Open();
  ASSERT_NE(nullptr, graph);
  funcs().SetVolume(instance(), 65535);
  ASSERT_EQ(1, funcs().SetStepMode(instance(), 1));
  EXPECT_NEAR(1.0 / instance()->timeScale, graph->rates.back(), 1e-9);
  EXPECT_EQ(dshow::kSilentVolume, graph->volumes.back());
  graph->calls.clear();
  ASSERT_EQ(1, funcs().SetStepMode(instance(), 0));
  EXPECT_EQ(std::vector<std::string>{"Run"}, graph->calls);
  EXPECT_DOUBLE_EQ(1.0, graph->rates.back());
  EXPECT_EQ(0, graph->volumes.back());
}

// The main recording of the generated set at `fps` (as the manifest writes it), or the 29.97 fps clip
// made beside them; empty when missing.
std::wstring MovieAt(const std::string& fps) {
  const char* clips = std::getenv("QUILL_DIRECTSHOW_CLIPS");
  const bool ntsc = fps == "29.97";
  if (ntsc && !clips) return std::wstring();
  const std::string dir = ntsc ? std::string(clips) + "/ntsc" : quill::test::RecordingsDirUnix();
  for (const quill::test::TableRow& file : quill::test::ReadHostTable(dir + "/manifest-files.tsv")) {
    if (!file.count("fps") || (!ntsc && file.at("fps") != fps) || file.at("camera") != "M") continue;
    return quill::test::HostPathToWindows(dir + "/" + file.at("path"));
  }
  return std::wstring();
}

// Regression: the graph's positions were fixed at 1/30 s while everything reading them (the lap time,
// the drive-data table, the list's frame rate, the pair's seek factor) used the movie's time scale, so
// a 15 fps movie showed twice its length and its drive data ran at half speed. A position now counts
// the movie's own frames on this path too. The fake graph plays 4 s; times are checked to within the
// one frame a truncated position may lose.
TEST_F(FakeGraphTest, PositionsCountTheMoviesOwnFramesAtEveryFrameRate) {
  FakeGraph::nextStop() = 4 * kSecond;
  for (const std::string fps : {"15.0", "27.5", "29.97", "30.0"}) {
    SCOPED_TRACE(fps);
    path_ = MovieAt(fps);
    ASSERT_FALSE(path_.empty()) << "no movie at " << fps << " fps";
    FakeGraph* graph = Open();
    ASSERT_NE(nullptr, graph);
    const double frameMs = instance()->timeScale;
    ASSERT_GT(frameMs, 1000.0 / std::stod(fps) - 1.0) << "the movie's time scale";
    ASSERT_LT(frameMs, 1000.0 / std::stod(fps) + 1.0) << "the movie's time scale";
    auto ms = [&](int64_t position) { return static_cast<double>(position) * frameMs; };
    const double slack = 0.5;  // float rounding of the conversion
    const double length = ms(funcs().GetDuration(instance()));
    EXPECT_LE(length, 4000.0 + slack);
    EXPECT_GT(length, 4000.0 - frameMs - slack);
    graph->current = 2 * kSecond;
    const double now = ms(funcs().GetPosition(instance()));
    EXPECT_LE(now, 2000.0 + slack);
    EXPECT_GT(now, 2000.0 - frameMs - slack);
    const int64_t threeSeconds = static_cast<int64_t>(3000.0 / frameMs);
    ASSERT_EQ(1, funcs().Seek(instance(), threeSeconds));
    EXPECT_NEAR(ms(threeSeconds) * 10000.0, static_cast<double>(graph->current), slack * 10000.0);
    funcs().CloseMovie(instance());
  }
  FakeGraph::nextStop() = 2 * kSecond;
}

// The pair's seek: a position of the data source's movie (15 fps) lands both graphs at the same time,
// the 30 fps movie's scaled by the ratio of their time scales.
TEST_F(FakeGraphTest, APairSoughtTogetherLandsAtOneTimeWhateverItsFrameRates) {
  PaneWindows rearPane(330, 320, 240);
  ASSERT_TRUE(InitInstance(1, rearPane.pane(), kViewFlat));
  const std::wstring slow = MovieAt("15.0"), fast = MovieAt("30.0");
  ASSERT_FALSE(slow.empty() || fast.empty());
  ASSERT_EQ(1, funcs().OpenMovie(instance(), slow.c_str()));
  ASSERT_EQ(1, g_PlayerFuncs[1].OpenMovie(&g_PlayerInstance[1], fast.c_str()));
  ASSERT_EQ(2u, FakeGraph::made().size());
  instance()->movieOpen = g_PlayerInstance[1].movieOpen = 1;
  instance()->dataSource = 1;
  ASSERT_EQ(1, PlayerCall_Seek(kSelectorAll, 30));  // about 2 s at 15 fps
  const double target = 30.0 * instance()->timeScale * 10000.0;
  EXPECT_NEAR(target, static_cast<double>(FakeGraph::made()[0]->current), 10000.0);
  EXPECT_NEAR(target, static_cast<double>(FakeGraph::made()[1]->current), 10000.0);
  g_PlayerFuncs[1].CloseMovie(&g_PlayerInstance[1]);
  funcs().CloseMovie(instance());
}

// Regression: a graph whose position cannot be read raised a new box at every 100 ms tick of the main
// window, each inside the one before. One box for the movie; the reads still answer their failure.
TEST_F(FakeGraphTest, APositionThatKeepsFailingShowsOneBox) {
  FakeGraph* graph = Open();
  ASSERT_NE(nullptr, graph);
  graph->readResult = E_FAIL;
  const int boxes = ErrorBoxCount();
  for (int tick = 0; tick < 5; ++tick) {
    EXPECT_EQ(-1, funcs().GetPosition(instance()));
    EXPECT_EQ(0, funcs().GetDuration(instance()));
  }
  EXPECT_EQ(boxes + 1, ErrorBoxCount());
  funcs().CloseMovie(instance());
  graph = Open();  // the next movie's first failure is shown again
  ASSERT_NE(nullptr, graph);
  graph->readResult = E_FAIL;
  EXPECT_EQ(-1, funcs().GetPosition(instance()));
  EXPECT_EQ(boxes + 2, ErrorBoxCount());
  funcs().CloseMovie(instance());
}

// Regression: Play answered "already playing" without running the graph, so a graph left at rest by its
// end or a seek stayed still.
TEST_F(FakeGraphTest, PlayRunsAGraphThatStoodStillWhileTheInstanceReadPlaying) {
  FakeGraph* graph = Open();
  ASSERT_NE(nullptr, graph);
  ASSERT_EQ(1, funcs().Play(instance()));
  graph->running = false;  // what the end or a seek left
  graph->calls.clear();
  EXPECT_EQ(1, funcs().Play(instance()));
  EXPECT_EQ(std::vector<std::string>{"Run"}, graph->calls);
  EXPECT_TRUE(graph->running);
  funcs().CloseMovie(instance());
}

}  // namespace
}  // namespace playcore::test
