// The view slots on a real player showing a generated recording through the 360-degree scene: the
// view mode reaches the scene, a turn changes the sphere's rotation and a reset brings it back, the
// flip turns the views over and back, the flat picture mirrors and un-mirrors, and the zoom slot
// refuses a factor of 0; laying the picture out again draws it only where its place changed.
#include <gtest/gtest.h>

#include <cstring>

#include "playcore/scene/sphere_model.h"
#include "tests/player/player_test_util.h"

namespace playcore::test {
namespace {

class ViewSlots : public OnePaneTest {};

bool SameRotation(const sVIEWSETTINGS& a, const sVIEWSETTINGS& b) {
  return std::memcmp(a.sphereRotation.current, b.sphereRotation.current, sizeof a.sphereRotation.current) == 0;
}

TEST_F(ViewSlots, SceneSlotsTurnResetAndFlipTheView) {
  UseSceneInProbes(true);
  funcs().Release(instance());
  ASSERT_TRUE(InitInstance(0, windows_->pane(), kViewSphere));
  Open();
  ASSERT_EQ(1, funcs().Play(instance()));
  ASSERT_TRUE(PumpUntil(kReadyTimeoutMs, [] { return FrameCount(0) >= 1; })) << "no frame reached the scene";
  ASSERT_NE(nullptr, ProbeOf(0));
  CSphereModel* scene = ProbeOf(0)->scene();
  ASSERT_NE(nullptr, scene);
  EXPECT_EQ(0, funcs().SetViewMode(instance(), kViewSphere));
  EXPECT_EQ(kViewSphere, scene->Snapshot().viewMode);

  const sVIEWSETTINGS start = scene->Snapshot();
  EXPECT_EQ(1, funcs().MoveView(instance(), 0.02f, 0.0f, 1.0f));
  funcs().ApplyCamera(instance());
  EXPECT_FALSE(SameRotation(start, scene->Snapshot())) << "the turn did not reach the sphere";
  funcs().ResetView(instance());
  funcs().ApplyCamera(instance());
  EXPECT_TRUE(SameRotation(start, scene->Snapshot())) << "the reset did not bring the view back";

  const float up = scene->Snapshot().sphereUp;
  funcs().ToggleFlip(instance());
  EXPECT_NE(up, scene->Snapshot().sphereUp);
  funcs().ToggleFlip(instance());
  EXPECT_EQ(up, scene->Snapshot().sphereUp);

  // The picture's place: a factor of 0 is refused, the whole pane is laid out.
  EXPECT_EQ(0, funcs().SetZoom(instance(), 240, 180, 0, 0, 0.0f, 1));
  EXPECT_EQ(1, funcs().SetZoom(instance(), 240, 180, 0, 0, 1.0f, 1));
  EXPECT_EQ(1, funcs().UpdateVideoRect(instance()));
  // The picture turned over by exchanged edges: the presenter cannot draw it so, and the slot says so.
  EXPECT_EQ(0, funcs().SetFrameMode(instance(), 1));
  EXPECT_EQ(1, funcs().SetFrameMode(instance(), 0));
  Close();
  UseSceneInProbes(false);
}

TEST_F(ViewSlots, FlatPictureMirrorsAndComesBack) {
  UseSceneInProbes(true);
  funcs().Release(instance());
  ASSERT_TRUE(InitInstance(0, windows_->pane(), kViewFlat));
  Open();
  ASSERT_EQ(1, funcs().Play(instance()));
  ASSERT_TRUE(PumpUntil(kReadyTimeoutMs, [] { return FrameCount(0) >= 1; })) << "no frame was drawn";
  EXPECT_EQ(0, funcs().SetViewMode(instance(), kViewFlat));
  EXPECT_EQ(1, funcs().ToggleFlip(instance()));
  EXPECT_EQ(0, funcs().ToggleFlip(instance()));
  // Turning the flat picture is accepted and changes nothing.
  EXPECT_EQ(1, funcs().MoveView(instance(), 0.02f, 0.0f, 1.0f));
  EXPECT_EQ(1, funcs().ApplyAspectMode(instance(), 1));
  EXPECT_EQ(1, instance()->aspectMode);
  Close();
  UseSceneInProbes(false);
}

// A paused picture laid out again where it already is is not drawn again. (The first layout places
// it: whether that one draws depends on whether the presenter's own pull was running.)
TEST_F(ViewSlots, UpdateVideoRectDrawsOnlyAMovedPicture) {
  Open();
  ASSERT_EQ(1, funcs().Play(instance()));
  ASSERT_TRUE(PumpUntil(kReadyTimeoutMs, [] { return FrameCount(0) >= 3; })) << "no frames";
  ASSERT_EQ(1, funcs().Pause(instance()));
  ASSERT_TRUE(WaitForMessage(*windows_, quill::msg::kPlayerPaused, 1, kReadyTimeoutMs)) << "not paused";
  ASSERT_EQ(1, funcs().UpdateVideoRect(instance()));
  const size_t placed = FrameCount(0);
  for (const char* what : {"same place", "same place again", "and again"}) {
    EXPECT_EQ(1, funcs().UpdateVideoRect(instance())) << what;
    EXPECT_EQ(placed, FrameCount(0)) << what;
  }
  Close();
}

TEST_F(ViewSlots, WithoutAMovieTheSlotsAnswerZero) {
  EXPECT_EQ(0, funcs().MoveView(instance(), 0.1f, 0.0f, 1.0f));
  EXPECT_EQ(0, funcs().ToggleFlip(instance()));
  EXPECT_EQ(0, funcs().UpdateVideoRect(instance()));
  EXPECT_EQ(0, funcs().Repaint(instance()));
}

}  // namespace
}  // namespace playcore::test
