// A generated recording played through instance 0's table: readiness, play, pause, seek, speeds,
// every frame in order to the end, step mode, and the view kept over a close.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/framework/private_messages.h"
#include "playcore/instances/player_bridge.h"
#include "playcore/player/mf_player.h"
#include "playcore/presenter/evr_presenter.h"
#include "playcore/scene/sphere_model.h"
#include "tests/player/player_test_util.h"
#include "tests/support/wait.h"

namespace playcore::test {
namespace {

using quill::test::kSafetyNetMs;

constexpr UINT kEnded = quill::msg::kPlayerEnded;

class Playback : public OnePaneTest {
 protected:
  int64_t Position() { return funcs().GetPosition(instance()); }
};

TEST_F(Playback, OpenReportsReadinessAndPlayAdvancesWhilePauseFreezes) {
  EXPECT_EQ(0, funcs().Play(instance())) << "nothing open: refused";
  Open();
  EXPECT_EQ(kPlayStopped, instance()->playState);
  EXPECT_EQ(pair_.frames, funcs().GetDuration(instance()));
  int32_t width = 0;
  int32_t height = 0;
  EXPECT_EQ(1, funcs().GetNativeSize(instance(), &width, &height));
  EXPECT_GT(width, 0);
  ASSERT_EQ(1, funcs().Play(instance()));
  EXPECT_TRUE(PumpUntil(kSafetyNetMs, [] { return LastFrame(0) >= 8; })) << "frames shown while playing";
  // The clock and the picture agree while the movie plays: on a loaded machine the picture may trail
  // a moment behind the clock, so the agreement is waited for rather than sampled once. The movie is
  // two seconds long and may reach its end first (the clock then reads 0, the picture the last
  // frame): only what was seen before the end counts, and a run that ended is played once more from
  // the start, a few times at most (the picture well past the start, so that a fresh start's first
  // frame and zero clock do not pass for agreement).
  bool agreed = false;
  std::string last;
  for (int run = 0; run < 3 && !agreed; ++run) {
    const size_t endsBefore = windows_->messages(kEnded).size();
    if (run > 0) {
      ASSERT_EQ(1, funcs().Seek(instance(), 0));
      ASSERT_EQ(1, funcs().Play(instance()));
    }
    PumpUntil(kSafetyNetMs, [&] {
      const int64_t clock = Position();
      const int picture = LastFrame(0);
      if (windows_->messages(kEnded).size() > endsBefore) return true;  // ended: nothing more to compare
      last = "the clock at " + std::to_string(clock) + ", the picture at " + std::to_string(picture);
      agreed = picture >= 8 && std::abs(static_cast<double>(clock) - picture) <= 6.0;
      return agreed;
    });
  }
  EXPECT_TRUE(agreed) << last;
  ASSERT_EQ(1, funcs().Pause(instance()));
  Pump(200);
  const size_t frozenCount = FrameCount(0);
  const int64_t frozenAt = Position();
  Pump(500);
  EXPECT_LE(FrameCount(0), frozenCount + 1) << "no frames while paused";
  EXPECT_EQ(frozenAt, Position());
  const size_t endsBeforeResume = windows_->messages(kEnded).size();
  ASSERT_EQ(1, funcs().Play(instance())) << "resume from pause";
  // It moves on from where it froze; on a loaded machine it may even reach the end before the clock
  // is read again, which shows as much.
  EXPECT_TRUE(PumpUntil(kSafetyNetMs, [&] {
    return Position() > frozenAt || windows_->messages(kEnded).size() > endsBeforeResume;
  }));
  EXPECT_EQ(0, ErrorBoxCount());
  Close();
}

// The instance still reads playing after the movie's end, and after a seek made while it played (a
// seek leaves the session paused); a Play then must start it again, not answer "playing" and leave
// the picture standing.
TEST_F(Playback, PlayAfterTheEndOrASeekWhilePlayingStartsAgain) {
  struct Case {
    const char* name;
    bool toTheEnd;  // else: a seek while playing
    int seekTo;
  };
  const Case cases[] = {{"after the end, from the start", true, 0}, {"after a seek while playing", false, 10}};
  for (const Case& c : cases) {
    Open();
    ASSERT_EQ(1, funcs().Play(instance())) << c.name;
    if (c.toTheEnd) {
      ASSERT_TRUE(WaitForMessage(*windows_, kEnded, 1, 30000)) << c.name << ": no kPlayerEnded";
    } else {
      ASSERT_TRUE(PumpUntil(kSafetyNetMs, [] { return LastFrame(0) >= 3; })) << c.name;
    }
    ASSERT_EQ(1, funcs().Seek(instance(), c.seekTo)) << c.name;
    PumpUntil(kSafetyNetMs, [&] { return std::abs(LastFrame(0) - c.seekTo) <= 1; });
    const size_t endsBefore = windows_->messages(kEnded).size();
    ASSERT_EQ(1, funcs().Play(instance())) << c.name;
    const int target = c.seekTo + 8;
    EXPECT_TRUE(PumpUntil(kSafetyNetMs, [&] {
      return LastFrame(0) >= target || windows_->messages(kEnded).size() > endsBefore;
    })) << c.name << ": the picture stands at " << LastFrame(0);
    Close();
  }
}

TEST_F(Playback, SeekShowsTheFrameAtThePositionWhetherPausedOrPlaying) {
  Open();
  const int targets[] = {30, 12, 45};
  for (int target : targets) {
    ASSERT_EQ(1, funcs().Seek(instance(), target));
    PumpUntil(kSafetyNetMs, [&] { return std::abs(LastFrame(0) - target) <= 1; });
    EXPECT_NEAR(LastFrame(0), target, 1) << "seek to " << target;
    EXPECT_NEAR(static_cast<double>(Position()), target, 1.0);
  }
  ASSERT_EQ(1, funcs().Play(instance()));
  Pump(300);  // plays a little: the seek comes while playing
  ASSERT_EQ(1, funcs().Seek(instance(), 20));
  PumpUntil(kSafetyNetMs, [&] { return std::abs(LastFrame(0) - 20) <= 1; });
  EXPECT_NEAR(LastFrame(0), 20, 1) << "seek while playing";
  Close();
}

// Each speed code sets its rate on the session's clock, which the presenter is told, and the clock
// runs forward at it; only normal speed has sound. (The clock against the wall clock over a short
// window is a figure of the machine's load, not of the player: ./bench/run pair plays x1, x2 and x4
// against the clock.)
TEST_F(Playback, EverySpeedCodeSetsItsClockRateAndOnlyNormalSpeedHasSound) {
  Open();
  ASSERT_EQ(1, funcs().SetVolume(instance(), 40000));
  struct Speed {
    int32_t code;
    float rate;
  };
  const Speed speeds[] = {{-4, 0.25f}, {-2, 0.5f}, {1, 1.0f}, {2, 2.0f}, {4, 4.0f}};
  CPlayer* player = instance()->renderer.player;
  ASSERT_NE(nullptr, player);
  for (const Speed& s : speeds) {
    ASSERT_EQ(1, funcs().Seek(instance(), 0));
    PumpUntil(kSafetyNetMs, [] { return LastFrame(0) <= 1; });
    ASSERT_EQ(1, funcs().SetRate(instance(), s.code)) << s.code;
    ASSERT_EQ(1, funcs().Play(instance()));
    const quill::com::ComPtr<EVRCustomPresenter> presenter = player->presenter();
    ASSERT_TRUE(presenter) << s.code;
    EXPECT_TRUE(PumpUntil(kSafetyNetMs, [&] { return presenter->scheduler().clockRate() == s.rate; }))
        << "code " << s.code << ": the clock runs at " << presenter->scheduler().clockRate();
    LONGLONG t0 = 0;
    player->GetTime(&t0);
    LONGLONG t1 = t0;
    EXPECT_TRUE(PumpUntil(kSafetyNetMs, [&] { player->GetTime(&t1); return t1 > t0; })) << "code " << s.code;
    if (player->hasAudioVolume()) {
      EXPECT_EQ(s.code == 1 ? 40000 : 0, player->volume()) << "code " << s.code;
    }
    ASSERT_EQ(1, funcs().Pause(instance()));
  }
  Close();
}

// The whole recording through the program's presenter: nearly every frame shown, in order (Wine's
// EVR drops the last two queued frames), and the end posted.
TEST_F(Playback, PlaysEveryFrameInOrderAndPostsTheEnd) {
  Open();
  ASSERT_EQ(1, funcs().Play(instance()));
  ASSERT_TRUE(WaitForMessage(*windows_, kEnded, 1, 30000)) << "no kPlayerEnded";
  const auto frames = ProbeOf(0)->frames();
  EXPECT_GE(frames.size() * 100, static_cast<size_t>(pair_.frames) * 90)
      << frames.size() << " of " << pair_.frames << " frames presented";
  for (size_t i = 1; i < frames.size(); ++i) {
    EXPECT_LT(frames[i - 1].time, frames[i].time) << "frame " << i << " out of order";
  }
  EXPECT_EQ(kPlayerStopped, instance()->renderer.player->state());
  Close();
}

// The tick spacing (one a second) is a benchmark figure (bench/step-ticks.sh); here: order, count
// and positions.
TEST_F(Playback, StepModePostsATickEverySecondAndTheEndAfterTheLastPosition) {
  Open();
  const int from = pair_.frames - 6;
  ASSERT_EQ(1, funcs().Play(instance()));
  ASSERT_EQ(1, funcs().Seek(instance(), from));
  PumpUntil(kSafetyNetMs, [&] { return std::abs(LastFrame(0) - from) <= 1; });
  // A loaded machine lets the clock run on a little before the seek's pause holds it: the run starts
  // where it held, at or after the seek's position and before the end.
  const int64_t start = Position();
  ASSERT_GE(start, from);
  ASSERT_EQ(1, funcs().SetStepMode(instance(), 1));
  ASSERT_TRUE(WaitForMessage(*windows_, bridge::kMsgStepEnd, 1, kSafetyNetMs + 5000)) << "no kStepEnd";
  const auto ticks = windows_->messages(bridge::kMsgStepTick);
  ASSERT_FALSE(ticks.empty());
  const int64_t first = ticks[0].lParam;
  EXPECT_GE(first, start);
  ASSERT_LT(first, pair_.frames);
  ASSERT_EQ(static_cast<size_t>(pair_.frames - first), ticks.size()) << "a tick for each position to the end";
  for (size_t i = 0; i < ticks.size(); ++i) {
    EXPECT_EQ(first + static_cast<int64_t>(i), ticks[i].lParam) << "tick " << i;
    if (i > 0) {
      EXPECT_LE(ticks[i - 1].at, ticks[i].at) << "tick " << i;
    }
  }
  const auto end = windows_->messages(bridge::kMsgStepEnd);
  EXPECT_EQ(pair_.frames, end[0].lParam);
  EXPECT_LE(ticks.back().at, end[0].at);
  EXPECT_EQ(1, funcs().SetStepMode(instance(), 0));
  Close();
}

// Wherever the movie stands when step mode starts, the run starts there, with the movie held still
// (a movie let run first used to be read after a restart, at 0, or past its end).
TEST_F(Playback, StepModeStartsWhereTheMovieStandsAndHoldsItStill) {
  enum class Before { kOpened, kPaused, kPlaying };
  struct Case {
    const char* name;
    Before before;
  };
  const Case cases[] = {{"just opened", Before::kOpened}, {"paused", Before::kPaused}, {"playing", Before::kPlaying}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open();
    if (c.before == Before::kPaused) {
      ASSERT_EQ(1, funcs().Seek(instance(), 25));
      PumpUntil(kSafetyNetMs, [] { return std::abs(LastFrame(0) - 25) <= 1; });
    } else if (c.before == Before::kPlaying) {
      ASSERT_EQ(1, funcs().Play(instance()));
      ASSERT_TRUE(PumpUntil(kSafetyNetMs, [this] { return Position() >= 10; }));
    }
    const int64_t before = c.before == Before::kOpened ? 0 : Position();
    ASSERT_EQ(1, funcs().SetStepMode(instance(), 1));
    EXPECT_EQ(kPlayerPaused, instance()->renderer.player->state());
    ASSERT_TRUE(WaitForMessage(*windows_, bridge::kMsgStepTick, 2, kSafetyNetMs)) << "no two ticks";
    const auto ticks = windows_->messages(bridge::kMsgStepTick);
    // The clock runs on until a pause holds (a seek's own pause too, on a loaded machine): the run
    // starts between where the movie stood before and where the pause held.
    const int64_t held = Position();
    EXPECT_GE(ticks[0].lParam, before);
    EXPECT_LE(ticks[0].lParam, held);
    EXPECT_EQ(ticks[0].lParam + 1, ticks[1].lParam);
    // Held still: the picture stays (the program seeks on each tick; nothing here does).
    const size_t shown = FrameCount(0);
    ASSERT_TRUE(WaitForMessage(*windows_, bridge::kMsgStepTick, 3, kSafetyNetMs)) << "no third tick";
    EXPECT_LE(FrameCount(0), shown + 1) << "frames shown during the step run";
    EXPECT_EQ(held, Position());
    EXPECT_EQ(1, funcs().SetStepMode(instance(), 0));
    Close();
  }
}

TEST_F(Playback, CloseMovieKeepsTheViewStateForTheNextMovie) {
  UseSceneInProbes(true);
  funcs().Release(instance());
  ASSERT_TRUE(InitInstance(0, windows_->pane(), kViewSphere));
  Open();
  ASSERT_EQ(1, funcs().Play(instance()));
  PumpUntil(kSafetyNetMs, [] { return ProbeOf(0) && ProbeOf(0)->scene() && ProbeOf(0)->scene()->created(); });
  ASSERT_NE(nullptr, ProbeOf(0));
  CSphereModel* scene = ProbeOf(0)->scene();
  ASSERT_NE(nullptr, scene);
  ASSERT_TRUE(scene->created());
  const float before = scene->Snapshot().sphereUp;
  scene->ToggleStepSign();  // the user turned the views upside down
  const float flipped = scene->Snapshot().sphereUp;
  ASSERT_NE(before, flipped);
  Close();
  EXPECT_FLOAT_EQ(flipped, bridge::ViewSettings(instance())->sphereUp);
  Open();
  ASSERT_EQ(1, funcs().Play(instance()));
  PumpUntil(kSafetyNetMs, [] { return ProbeOf(0) && ProbeOf(0)->scene() && ProbeOf(0)->scene()->created(); });
  ASSERT_NE(nullptr, ProbeOf(0));
  EXPECT_FLOAT_EQ(flipped, ProbeOf(0)->scene()->Snapshot().sphereUp) << "the next movie keeps it";
  Close();
  UseSceneInProbes(false);
}

}  // namespace
}  // namespace playcore::test
