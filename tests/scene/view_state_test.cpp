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

TEST(Flip, TurnsUprightToUpsideDownAndBack) {
  EXPECT_EQ(FlippedUp(0.1f), -0.1f);
  EXPECT_EQ(FlippedUp(-0.1f), 0.1f);
  EXPECT_EQ(FlippedUp(0.0f), 0.1f);
  EXPECT_EQ(FlippedUp(FlippedUp(0.1f)), 0.1f);
}

TEST(DividedAspect, ReplacesOnlyExactlyOneByFourThirds) {
  EXPECT_EQ(DividedAspect(1.0f), 1.3333334f);
  EXPECT_EQ(DividedAspect(1.7777778f), 1.7777778f);
  EXPECT_EQ(DividedAspect(1.0001f), 1.0001f);
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

TEST(ViewSettings, DefaultsAreThoseOfStartUp) {
  const sVIEWSETTINGS s = DefaultViewSettings();
  EXPECT_EQ(s.enabled, 0);
  EXPECT_EQ(s.aspect, 1.0f);
  EXPECT_EQ(s.viewMode, 2);
  EXPECT_EQ(s.sphereUp, 0.1f);
  for (const RotationState* r : {&s.sphereRotation, &s.sphereSavedRotation}) {
    EXPECT_EQ(r->start[0], 1.0);
    EXPECT_EQ(r->current[0], 1.0);
    for (double m : r->matrix) EXPECT_EQ(m, 0.0);
  }
  for (int i = 0; i < 8; ++i) {
    for (int c = 0; c < 4; ++c) EXPECT_EQ(s.reference[i][c], PresetDirections()[i][c]);
  }
  for (const FlatViewState* f : {&s.planes, &s.rectangle, &s.divided}) {
    EXPECT_EQ(f->up, 0.1f);
    EXPECT_EQ(f->panX, 0.0f);
    EXPECT_EQ(f->panY, 0.0f);
    EXPECT_EQ(f->zoom, 1.0f);
    EXPECT_EQ(f->aspect, 1.0f);
  }
  EXPECT_EQ(sizeof(sVIEWSETTINGS), 24 + 2 * 192 + 128 + 3 * 20 + 4u);
}

}  // namespace
}  // namespace playcore
