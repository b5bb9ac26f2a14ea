// The playback driving's decisions: frame margin, seek clamps, pending seek, speed label, fade-in,
// movie-ready count, next step at the end of a list, and the panes' drag and inertia arithmetic.
#include <gtest/gtest.h>

#include <vector>

#include "playcore/instances/player_instance.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/main/movie_pane.h"
#include "tavrin/app/main/playback_rules.h"

namespace {

using namespace quill::app;

TEST(PlaybackRules, FrameMargin) {
  struct Case { int speed; float timeScale; int margin; } cases[] = {
      {1, 0.0f, 20}, {2, 0.0f, 40}, {4, 0.0f, 80}, {-2, 0.0f, 20},     // no time scale: the base
      {1, -3.0f, 20},                                                   // nor a negative one
      {1, 34.364262f, 20}, {2, 34.364262f, 40}, {4, 34.364262f, 80},   // rounds to whole floats
      {1, 33.3667f, 20}, {4, 33.3667f, 82}, {1, 1000.0f, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FrameMargin(c.speed, c.timeScale), c.margin) << c.speed << " " << c.timeScale;
  }
}

TEST(PlaybackRules, SeekClampsBySpeedAndDuration) {
  // Seek bar [0, 1000]; both movies 1000 long unless given; frame margin 20.
  struct Case { int64_t position; int speed; int64_t d0, d1; int64_t t0, t1, cursor; } cases[] = {
      {1000, 4, 2000, 2000, 920, 920, 999},
      {1000, 2, 2000, 2000, 960, 960, 999},
      {1000, 1, 2000, 2000, 980, 980, 999},
      {1000, 1, 1000, 1000, 960, 960, 999},  // twice the margin from each movie's end
      {500, 1, 1000, 700, 500, 500, 500},
      {900, 1, 1000, 700, 900, 660, 900},    // the shorter rear movie holds back on its own
      {500, 1, 1000, 30, 500, -1, 500},      // too short: that instance is not moved
      {-5, 1, 1000, 1000, -1, -1, 0},
  };
  for (const Case& c : cases) {
    const int64_t durations[2] = {c.d0, c.d1};
    const SeekPlan plan = PlanSeek(c.position, 0, 1000, c.speed, 20, durations);
    EXPECT_EQ(plan.target[0], c.t0) << c.position << " at " << c.speed;
    EXPECT_EQ(plan.target[1], c.t1) << c.position << " at " << c.speed;
    EXPECT_EQ(plan.cursor, c.cursor) << c.position;
  }
}

TEST(PlaybackRules, CursorOfAnEmptyRangeStaysAtItsMinimum) {
  EXPECT_EQ(ClampCursor(5, 0, 0), 0);
  EXPECT_EQ(ClampCursor(-1, 0, 0), 0);
  EXPECT_EQ(ClampCursor(50, 10, 40), 39);
}

TEST(PlaybackRules, PendingSeek) {
  // duration 30000: window 130 units either side, bounds excluded.
  struct Case { int64_t target, position; bool reached; } cases[] = {
      {1000, 1000, true}, {1000, 1129, true}, {1000, 1130, false}, {1000, 871, true}, {1000, 870, false},
      {1000, 0, false},
  };
  for (const Case& c : cases) EXPECT_EQ(PendingSeekReached(c.target, c.position, 30000), c.reached) << c.position;
}

TEST(PlaybackRules, SpeedLabel) {
  struct Case { int code; unsigned text; } cases[] = {{-4, 64}, {-2, 63}, {1, 180}, {2, 61}, {4, 62}, {0, 0}, {3, 0}};
  for (const Case& c : cases) EXPECT_EQ(SpeedLabelText(c.code), c.text) << c.code;
}

TEST(PlaybackRules, FadeInReachesTheVolumeInSteps) {
  std::vector<int> applied;
  int fade = 0;
  for (int guard = 0; guard < 100; ++guard) {
    const FadeStep s = NextFadeStep(fade, 5000);
    applied.push_back(s.apply);
    fade = s.next;
    if (s.done) break;
  }
  EXPECT_EQ(applied, (std::vector<int>{0, 2000, 4000, 5000}));
  EXPECT_TRUE(NextFadeStep(0, 0).done);
}

TEST(PlaybackRules, ReadyCount) {
  struct Case { const char* name; bool open0, open1; std::vector<int> reports; std::vector<bool> complete; } cases[] = {
      {"both", true, true, {0, 1}, {false, true}},
      {"both, repeated first", true, true, {0, 0, 1}, {false, false, true}},
      {"main only", true, false, {1, 0}, {false, true}},  // the pane without a movie does not count
      {"rear only", false, true, {1, 1}, {true, false}},
      {"nothing open", false, false, {0, 1}, {false, false}},
  };
  for (const Case& c : cases) {
    ReadyCount count;
    for (size_t i = 0; i < c.reports.size(); ++i) {
      EXPECT_EQ(count.Report(c.reports[i], c.open0, c.open1), c.complete[i]) << c.name << " report " << i;
    }
  }
  // A stale report of an abandoned open does not complete the next one after a reset.
  ReadyCount count;
  count.Report(0, true, true);
  count.Reset();
  EXPECT_FALSE(count.Report(1, true, true));
  EXPECT_TRUE(count.Report(0, true, true));
}

TEST(PlaybackRules, EndWaitsForTheOtherCameraWhileItsPictureComes) {
  struct Case { const char* name; EndWaitCamera other; bool waits; } cases[] = {
      {"still showing frames", {true, false, true, 120}, true},
      {"just below the stall", {true, false, true, kEndWaitStallMs - 1}, true},
      {"stalled", {true, false, true, kEndWaitStallMs}, false},
      {"already reported", {true, true, true, 0}, false},
      {"no movie", {false, false, true, 0}, false},
      {"frames not countable (filter graph)", {true, false, false, 0}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(EndWaitsFor(c.other), c.waits) << c.name;
  EXPECT_FALSE(EndWaitsFor({true, false, true, 300}, 200)) << "the stall limit is the caller's";
}

TEST(PlaybackRules, NextStepAtTheEnd) {
  struct Case { int index, count; bool folder; NextStep step; } cases[] = {
      {0, 3, false, NextStep::kNextEntry}, {2, 3, true, NextStep::kNextFolder},
      {2, 3, false, NextStep::kListEnd}, {-1, 3, true, NextStep::kNone}, {0, 0, true, NextStep::kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseNextStep(c.index, c.count, c.folder), c.step) << c.index;
}

TEST(PaneDrag, Angles) {
  const DragAngles a = AnglesForDrag(100, 0, 60.0f, 1000, false);
  EXPECT_NEAR(a.x, 100.0 / 360.0 / 1000.0, 1e-9);
  struct Case { int dx, dy; bool lock; bool xKept, yKept; } cases[] = {
      {10, 3, true, true, false}, {3, 10, true, false, true}, {5, 5, true, true, false}, {10, 3, false, true, true},
  };
  for (const Case& c : cases) {
    const DragAngles d = AnglesForDrag(c.dx, c.dy, 1.0f, 700, c.lock);
    EXPECT_EQ(d.x != 0.0f, c.xKept) << c.dx << "," << c.dy;
    EXPECT_EQ(d.y != 0.0f, c.yKept) << c.dx << "," << c.dy;
  }
  EXPECT_EQ(AnglesForDrag(10, 10, 1.0f, 0, false).x, 0.0f);  // a pane without width does not divide
}

// The worked figure: 100 pixels in a 1000-pixel pane at zoom 1 (60 degrees) turn by
// 100 / 360 / 1000; zoom 2 narrows the view to 30 degrees and doubles the turn.
TEST(PaneDrag, TurnPerPixelByZoom) {
  struct Case { float zoom, fov; double angle; } cases[] = {
      {1.0f, 60.0f, 100.0 / 360.0 / 1000.0}, {2.0f, 30.0f, 2 * 100.0 / 360.0 / 1000.0}, {0.0f, 60.0f, 100.0 / 360.0 / 1000.0},
  };
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(FieldOfViewForZoom(c.zoom), c.fov) << c.zoom;
    EXPECT_NEAR(AnglesForDrag(100, 0, FieldOfViewForZoom(c.zoom), 1000, false).x, c.angle, 1e-9) << c.zoom;
  }
}

int g_moveAnswer = 0;
int g_repaints = 0;
int AnswerMove(playcore::sPLAYERINSTANCE*, float, float, float) { return g_moveAnswer; }
int CountRepaint(playcore::sPLAYERINSTANCE*) { return ++g_repaints, 1; }

// Regression: on the DirectShow path the view cannot turn (MoveView refuses), yet every move of a drag
// on the paused pane, and every step of its coasting, ran, re-sought and paused the graph again. A
// turn that did not happen repaints nothing; one that did repaints the paused picture.
TEST(PaneDrag, OnlyAViewThatTurnedIsRepaintedWhilePaused) {
  const playcore::sPLAYERINSTANCE savedInstance = playcore::g_PlayerInstance[0];
  const playcore::sPLAYERFUNCS savedFuncs = playcore::g_PlayerFuncs[0];
  playcore::g_PlayerInstance[0].active = 1;
  playcore::g_PlayerInstance[0].playState = playcore::kPlayPaused;
  playcore::g_PlayerFuncs[0].MoveView = AnswerMove;
  playcore::g_PlayerFuncs[0].Repaint = CountRepaint;
  playcore::g_PlayerFuncs[0].ApplyCamera = nullptr;
  HWND pane = CreateWindowW(L"STATIC", L"", 0, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(pane, nullptr);
  for (int moved : {0, 1}) {
    g_moveAnswer = moved;
    g_repaints = 0;
    RotateViewByDrag(nullptr, pane, 0, 0, 40, 0, 1.0f);
    RotateViewByDrag(nullptr, pane, 0, 0, 40, 5, 1.0f);
    EXPECT_EQ(g_repaints, moved ? 2 : 0) << "MoveView answered " << moved;
  }
  DestroyWindow(pane);
  playcore::g_PlayerFuncs[0] = savedFuncs;
  playcore::g_PlayerInstance[0] = savedInstance;
}

TEST(PaneDrag, InertiaDecaysToRest) {
  std::vector<int> xs;
  int vx = 12, vy = 1;
  while (!InertiaIdle(vx, vy)) {
    vx = DecayVelocity(vx);
    vy = DecayVelocity(vy);
    xs.push_back(vx);
    ASSERT_LT(xs.size(), 100u);
  }
  EXPECT_EQ(xs, (std::vector<int>{11, 10, 9, 8, 7, 6, 5, 4, 3}));
  EXPECT_EQ(vy, 0);
  EXPECT_EQ(DecayVelocity(-12), -11);
  EXPECT_EQ(ClampVelocity(250), 100);
  EXPECT_EQ(ClampVelocity(-250), -100);
}

TEST(PaneDrag, CoastOnlyWhenTheReleaseFollowsTheDrag) {
  struct Case { int dx, dy, vx, vy; bool coasts; } cases[] = {
      {50, 0, 12, 1, true}, {50, 0, -12, 0, false}, {50, 0, 10, 10, false},  // 45 degrees apart
      {50, 0, 10, 5, true},                                                     // 26.6 degrees
      {0, 0, 5, 5, false}, {50, 0, 0, 0, false},
      {10, 0, 2, 0, false}, {10, 0, 3, 0, false}, {10, 0, 4, 0, true},  // a slow drag's last step
  };
  for (const Case& c : cases) EXPECT_EQ(DragCoasts(c.dx, c.dy, c.vx, c.vy), c.coasts) << c.vx << "," << c.vy;
}

// The zoom block: the pane's centre as the zoom centre (words 2 and 3), no pan (words 6 and 7, which
// the players take as the pan), factor 1.
TEST(PlaybackRules, ZoomBlockCentresWithoutPanning) {
  struct Case { int step; bool full; int cx, cy; } cases[] = {
      {0, false, 366, 205}, {1, false, 433, 245}, {2, false, 553, 313}, {0, true, 640, 500},
  };
  for (const Case& c : cases) {
    const playcore::sZOOMBLOCK b = ZoomBlockFor(c.step, c.full, RECT{0, 0, 1280, 1000});
    EXPECT_EQ(b.word[2], c.cx) << c.step << " " << c.full;
    EXPECT_EQ(b.word[3], c.cy) << c.step << " " << c.full;
    EXPECT_EQ(b.word[6], 0) << c.step << " " << c.full;
    EXPECT_EQ(b.word[7], 0) << c.step << " " << c.full;
    EXPECT_FLOAT_EQ(b.zoom, 1.0f);
  }
}

}  // namespace
