// Pans, zoom, flips and resets of the flat views, and the start-up view settings.
#include "playcore/scene/view_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "playcore/scene/view_settings.h"

namespace playcore {
namespace {

FlatViewState Upright() { return {0.1f, 0.0f, 0.0f, 1.0f, 1.0f}; }

TEST(FlatDragSteps, PanByEachViewsOwnFactorWhenZoomedIn) {
  const struct {
    const char* name;
    void (*step)(FlatViewState*, float, float, float);
    float panX, panY;
  } cases[] = {
      {"divided", DividedDragStep, 0.1f * 4.712389f, 0.2f * 6.2831855f},
      {"rectangle", RectangleDragStep, 0.1f * 10.775663f, 0.2f * 10.775663f},
      {"planes", PlanesDragStep, -4.0f + 0.2f * 2.3561945f, 3 * 0.2f * 2.3561945f},
  };
  for (const auto& c : cases) {
    FlatViewState view = Upright();
    c.step(&view, 0.1f, 0.2f, 2.0f);
    EXPECT_NEAR(view.panX, c.panX, 1e-5f) << c.name;
    EXPECT_NEAR(view.panY, c.panY, 1e-5f) << c.name;
    EXPECT_EQ(view.zoom, 2.0f) << c.name;
  }
}

TEST(FlatDragSteps, AtZoomOneKeepBothPansAtZeroExceptThePlanesPanX) {
  FlatViewState divided = Upright(), rectangle = Upright(), planes = Upright();
  planes.panX = -1.0f;
  for (int i = 0; i < 5; ++i) {
    DividedDragStep(&divided, 0.05f, -0.03f, 1.0f);
    RectangleDragStep(&rectangle, 0.05f, -0.03f, 1.0f);
    PlanesDragStep(&planes, -0.05f, -0.03f, 1.0f);
  }
  EXPECT_EQ(divided.panX, 0.0f);
  EXPECT_EQ(divided.panY, 0.0f);
  EXPECT_EQ(rectangle.panX, 0.0f);
  EXPECT_EQ(rectangle.panY, 0.0f);
  EXPECT_NEAR(planes.panX, -1.0f - 15 * 0.05f * 2.3561945f, 1e-4f);
  EXPECT_EQ(planes.panY, 0.0f);
}

TEST(PlanesDragStep, WrapsPanXIntoMinusFourToZero) {
  const struct { float start, dx, expected; } cases[] = {
      {-0.1f, 0.1f, -4.0f + 2 * 0.1f * 2.3561945f},  // past 0 lands on -4.0, then two more steps
      {-3.9f, -0.1f, 0.0f - 2 * 0.1f * 2.3561945f},  // below -4.0 lands on 0, then two more
      {-2.0f, 0.0f, -2.0f},
  };
  for (const auto& c : cases) {
    FlatViewState view = Upright();
    view.panX = c.start;
    PlanesDragStep(&view, c.dx, 0.0f, 2.0f);
    EXPECT_NEAR(view.panX, c.expected, 1e-5f) << c.start << " + " << c.dx;
    EXPECT_GE(view.panX, -4.0f);
    EXPECT_LE(view.panX, 0.0f);
  }
}

TEST(PlanesDragStep, UpsideDownAlternatesTheThreeApplications) {
  FlatViewState view = Upright();
  view.up = -0.1f;
  view.panX = -2.0f;
  PlanesDragStep(&view, 0.1f, 0.0f, 2.0f);
  // -, +, -: one third of the upright pan, the other way.
  EXPECT_NEAR(view.panX, -2.0f - 0.1f * 2.3561945f, 1e-5f);
}

TEST(FlatDragSteps, UpsideDownInvertTheDrag) {
  FlatViewState view = Upright();
  view.up = -0.1f;
  RectangleDragStep(&view, 0.1f, 0.0f, 2.0f);
  EXPECT_NEAR(view.panX, -0.1f * 10.775663f, 1e-5f);
}

TEST(FlatDragSteps, KeepTheOldZoomAndPansForValuesThatBreakTheCamera) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  FlatViewState view = Upright();
  RectangleDragStep(&view, 0.01f, 0.0f, 2.0f);
  const FlatViewState before = view;
  RectangleDragStep(&view, nan, 0.0f, 0.0f);
  RectangleDragStep(&view, 0.0f, inf, -3.0f);
  RectangleDragStep(&view, 0.0f, 0.0f, 0.2f);  // 300 degrees
  EXPECT_EQ(view.panX, before.panX);
  EXPECT_EQ(view.panY, before.panY);
  EXPECT_EQ(view.zoom, 2.0f);
}

TEST(SanitizedFlatView, ReplacesNaNsZeroUpAndBadZoomOrAspect) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const FlatViewState clean = SanitizedFlatView({0.0f, nan, 0.5f, 0.0f, nan});
  EXPECT_EQ(clean.up, 0.1f);
  EXPECT_EQ(clean.panX, 0.0f);
  EXPECT_EQ(clean.panY, 0.5f);
  EXPECT_EQ(clean.zoom, 1.0f);
  EXPECT_EQ(clean.aspect, 1.0f);
}

}  // namespace
}  // namespace playcore
