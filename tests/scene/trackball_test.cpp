// The sphere's trackball: rotation matrices, drags, the constraint that keeps the picture's rim out
// of the lower view, and the presets it is measured against.
#include "playcore/scene/trackball.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "playcore/scene/view_state.h"

namespace playcore {
namespace {

constexpr double kPi = 3.141592653589793;

void ExpectMatrix(const RotationState& state, const double (&expected)[16]) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(state.matrix[i], expected[i], 1e-12) << "element " << i;
}

TEST(RotationMatrix, OfAQuarterTurnAboutYSendsXToMinusZ) {
  RotationState state = IdentityRotation();
  const double half = kPi / 4;
  state.current[0] = std::cos(half);
  state.current[2] = std::sin(half);
  BuildRotationMatrix(&state);
  // Row vector (1, 0, 0) times the matrix is row 0: x turns to -z.
  const double expected[16] = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
  ExpectMatrix(state, expected);
}

TEST(TrackballDrag, HalfAUnitAcrossTurnsHalfATurnAboutY) {
  RotationState state = IdentityRotation();
  ApplyTrackballDrag(&state, 0.5, 0.0);
  EXPECT_NEAR(state.current[0], 0.0, 1e-12);
  EXPECT_NEAR(state.current[2], 1.0, 1e-12);
  EXPECT_NEAR(state.matrix[0], -1.0, 1e-12);
  EXPECT_NEAR(state.matrix[10], -1.0, 1e-12);
  // The start quaternion is what every step of one drag is measured from: untouched.
  EXPECT_EQ(state.start[0], 1.0);
}

TEST(TrackballDrag, OfZeroLengthOrNotFiniteLeavesTheStateAlone) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct { double dx, dy; } drags[] = {{0, 0}, {nan, 0}, {0, nan}, {inf, 0}};
  for (const auto& drag : drags) {
    RotationState state = IdentityRotation();
    state.current[0] = 0.6;
    state.current[1] = 0.8;
    const RotationState before = state;
    ApplyTrackballDrag(&state, drag.dx, drag.dy);
    EXPECT_EQ(0, std::memcmp(&state, &before, sizeof(state))) << drag.dx << "," << drag.dy;
  }
}

TEST(RotationAcceptable, HoldsForTheIdentityAndFailsWhenTippedOver) {
  EXPECT_TRUE(IsRotationAcceptable(IdentityRotation(), PresetDirections()));
  RotationState tipped = IdentityRotation();
  ApplyTrackballDrag(&tipped, 0.0, -0.3);  // the top of the picture tipped far towards the viewer
  EXPECT_FALSE(IsRotationAcceptable(tipped, PresetDirections()));
}

SphereViewState UprightSphere() {
  SphereViewState view;
  view.up = 0.1f;
  view.rotation = IdentityRotation();
  view.savedRotation = view.rotation;
  view.reference = PresetDirections();
  view.zoom = 1.0f;
  return view;
}

TEST(SphereDragStep, SmallDragsFromTheIdentityAreAppliedUnchanged) {
  const struct { float dx, dy; } drags[] = {{0.01f, 0}, {0, 0.01f}, {-0.02f, 0.005f}, {0, 0}};
  for (const auto& drag : drags) {
    SphereViewState view = UprightSphere();
    EXPECT_TRUE(SphereDragStep(&view, drag.dx, drag.dy, 1.0f)) << drag.dx << "," << drag.dy;
    RotationState expected = IdentityRotation();
    ApplyTrackballDrag(&expected, drag.dx, -drag.dy);
    for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(view.rotation.matrix[i], expected.matrix[i]);
    EXPECT_EQ(0, std::memcmp(&view.rotation, &view.savedRotation, sizeof(RotationState)));
  }
}

TEST(SphereDragStep, ATippingDragIsBentToTheNearestAllowedDirectionAndShortened) {
  SphereViewState view = UprightSphere();
  // Straight down the screen far enough to lift the picture's rim into the lower view.
  EXPECT_FALSE(SphereDragStep(&view, 0.0f, 0.3f, 1.0f));
  EXPECT_TRUE(IsRotationAcceptable(view.rotation, view.reference));
  // Recompute what the search must have chosen.
  RotationState identity = IdentityRotation();
  RotationState scratch = identity;
  const TrackballStepResult step =
      TrackballStep(&identity, &scratch, PresetDirections(), 0.0f, 0.3f);
  ASSERT_TRUE(step.applied);
  const int d = 180 - std::abs(step.angleDegrees - 180);
  EXPECT_GT(d, 0);
  EXPECT_FLOAT_EQ(step.lengthScale, std::sqrt(static_cast<float>(180 - d) / 180.0f));
  // No direction nearer the drag's own was acceptable.
  for (int a = 0; a < 360; ++a) {
    if (180 - std::abs(a - 180) >= d) continue;
    RotationState candidate = IdentityRotation();
    const Drag turned = RotateDrag(0.0f, 0.3f, a);
    ApplyTrackballDrag(&candidate, turned.x, turned.y);
    EXPECT_FALSE(IsRotationAcceptable(candidate, PresetDirections())) << "angle " << a;
  }
}

TEST(SphereDragStep, WithUpsideDownViewsADragTurnsTheOtherWay) {
  SphereViewState upright = UprightSphere();
  SphereViewState flipped = UprightSphere();
  flipped.up = -0.1f;
  SphereDragStep(&upright, 0.05f, 0.0f, 1.0f);
  SphereDragStep(&flipped, 0.05f, 0.0f, 1.0f);
  EXPECT_NEAR(upright.rotation.current[2], -flipped.rotation.current[2], 1e-12);
  EXPECT_GT(std::abs(upright.rotation.current[2]), 0.1);
}

}  // namespace
}  // namespace playcore
