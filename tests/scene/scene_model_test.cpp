// The scene model's life on a real device: creation and its failures, mode switching, the view
// operations' guards, release and rebuild after the device is replaced, and the faults it must
// survive (a view that cannot be built, a draw that fails inside the scene).
#include "playcore/scene/sphere_model.h"

#include <evr.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/scene/device_hook.h"
#include "tests/scene/render_bed_suite.h"

namespace playcore::test {
namespace {

constexpr UINT kWidth = 160;
constexpr UINT kHeight = 90;
constexpr UINT kFrameSize = 256;
constexpr int kTolerance = 25;
const Rgb kBrightRed = {255, 0, 0};
const Rgb kBrightYellow = {255, 255, 0};
const Rgb kMarker = {0x12, 0x34, 0x56};

class SceneModel : public RenderBedSuite<kWidth, kHeight, kFrameSize> {
 protected:

  IDirect3DDevice9* device() const { return bed_->device(); }

  void Build(CSphereModel* model, int mode) {
    ASSERT_EQ(model->CreateScene(device(), kFrameSize, kFrameSize), S_OK);
    ASSERT_EQ(model->SetViewMode(mode), S_OK);
    model->SetViewAspect(kWidth, kHeight);
  }

  // Fills the target with a marker colour so that "nothing drawn" can be seen.
  void Mark() {
    ASSERT_EQ(device()->Clear(0, nullptr, D3DCLEAR_TARGET,
                              D3DCOLOR_XRGB(kMarker.r, kMarker.g, kMarker.b), 1.0f, 0),
              S_OK);
  }

  Rgb Pixel(int x, int y) {
    std::vector<uint32_t> pixels;
    EXPECT_EQ(bed_->ReadTarget(&pixels), S_OK);
    return pixels.empty() ? Rgb{-1, -1, -1} : FromXrgb(pixels[y * kWidth + x]);
  }

  // The rectangle screen shows the picture's top-left quadrant up and left of the middle.
  void ExpectRectanglePicture() {
    EXPECT_TRUE(Near(Pixel(kWidth / 2 - 12, kHeight / 2 - 12), kBrightRed, kTolerance));
    EXPECT_TRUE(Near(Pixel(kWidth / 2 + 12, kHeight / 2 + 12), kBrightYellow, kTolerance));
  }

};

TEST_F(SceneModel, ModesOutsideOneToFourDisableTheSceneSoNothingIsPresented) {
  for (int mode : {5, 0, -1}) {
    CSphereModel model;
    Build(&model, mode);
    EXPECT_FALSE(model.enabled()) << mode;
    EXPECT_EQ(model.viewMode(), mode);
    DeviceHook hook(device());
    EXPECT_EQ(model.RenderSurface(device(), frame_.get()), E_FAIL);
    EXPECT_EQ(hook.state().presents, 0);
    EXPECT_EQ(model.MoveView(0.1f, 0.1f, 2.0f), 1);
    EXPECT_EQ(model.ToggleStepSign(), 0);
  }
}

TEST_F(SceneModel, AfterReleaseResourcesNothingIsDrawnUntilRebuilt) {
  CSphereModel model;
  Build(&model, kViewRectangle);
  model.ReleaseResources();
  EXPECT_FALSE(model.created());
  EXPECT_TRUE(model.hasDevice());
  Mark();
  EXPECT_EQ(model.RenderSurface(device(), frame_.get()), S_OK);
  EXPECT_TRUE(Near(Pixel(kWidth / 2, kHeight / 2), kMarker, 2));
}

TEST_F(SceneModel, EachModeDrawsTheTrianglesOfItsShapes) {
  const struct { int mode; int draws; UINT triangles; } cases[] = {
      {kViewRectangle, 1, 512}, {kViewDivided, 2, 2304}, {kViewPlanes, 3, 18432}};
  for (const auto& c : cases) {
    CSphereModel model;
    Build(&model, c.mode);
    DeviceHook hook(device());
    ASSERT_EQ(model.RenderSurface(device(), frame_.get()), S_OK);
    ASSERT_EQ(hook.state().drawPrimitiveCalls, c.draws) << c.mode;
    for (int i = 0; i < c.draws; ++i) EXPECT_EQ(hook.state().drawCounts[i], c.triangles);
    EXPECT_EQ(hook.state().beginScenes, 1);
    EXPECT_EQ(hook.state().endScenes, 1);
    EXPECT_EQ(hook.state().presents, 1);
  }
}

TEST_F(SceneModel, AFailedDrawInsideTheSceneStillEndsItSoTheNextFrameDraws) {
  // Regression: a failure after BeginScene returned without EndScene, and every later BeginScene
  // failed, freezing the picture for good.
  CSphereModel model;
  Build(&model, kViewRectangle);
  {
    DeviceHook hook(device());
    hook.state().failDrawPrimitiveCalls = 1;
    EXPECT_EQ(model.RenderSurface(device(), frame_.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(hook.state().beginScenes, 1);
    EXPECT_EQ(hook.state().endScenes, 1);
    EXPECT_EQ(hook.state().presents, 0);
  }
  EXPECT_EQ(model.RenderSurface(device(), frame_.get()), S_OK);
  ExpectRectanglePicture();
}

TEST_F(SceneModel, AViewThatCannotBeBuiltDoesNotKeepTheOthersFromDrawing) {
  // Regression: the first failing view ended creation, and with `created` unset no view drew.
  CSphereModel model;
  {
    DeviceHook hook(device());
    hook.state().failVertexBufferOfBytes = 1327104;  // every plane's buffer
    EXPECT_EQ(model.CreateScene(device(), kFrameSize, kFrameSize), E_OUTOFMEMORY);
  }
  EXPECT_TRUE(model.created());
  EXPECT_TRUE(model.viewReady(kViewRectangle));
  EXPECT_TRUE(model.viewReady(kViewSphere));
  EXPECT_TRUE(model.viewReady(kViewDivided));
  ASSERT_EQ(model.SetViewMode(kViewRectangle), S_OK);
  model.SetViewAspect(kWidth, kHeight);
  ASSERT_EQ(model.RenderSurface(device(), frame_.get()), S_OK);
  ExpectRectanglePicture();
  // The planes draw nothing (a black frame) instead of failing every frame.
  ASSERT_EQ(model.SetViewMode(kViewPlanes), S_OK);
  EXPECT_EQ(model.RenderSurface(device(), frame_.get()), S_OK);
  EXPECT_TRUE(Near(Pixel(kWidth / 2, kHeight / 2), Rgb{0, 0, 0}, 2));
}

TEST_F(SceneModel, TheSphereIsBuiltOnANineExDevice) {
  // Regression: the library's sphere mesh asks for the managed pool, which a 9Ex device refuses,
  // so no scene view was ever drawn.
  CSphereModel model;
  Build(&model, kViewSphere);
  EXPECT_TRUE(model.viewReady(kViewSphere));
  DeviceHook hook(device());
  EXPECT_EQ(model.RenderSurface(device(), frame_.get()), S_OK);
  EXPECT_EQ(hook.state().presents, 1);
}

TEST_F(SceneModel, DragsWithNaNsOrBrokenZoomsLeaveEveryViewAsItWas) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (int mode : {kViewDivided, kViewRectangle, kViewSphere, kViewPlanes}) {
    CSphereModel model;
    Build(&model, mode);
    model.MoveView(0.01f, 0.01f, 2.0f);
    const sVIEWSETTINGS before = model.Snapshot();
    model.MoveView(nan, 0.0f, 2.0f);
    model.MoveView(0.0f, nan, nan);
    model.MoveView(std::numeric_limits<float>::infinity(), 0.0f, 0.0f);
    const sVIEWSETTINGS after = model.Snapshot();
    EXPECT_EQ(0, std::memcmp(&before, &after, sizeof(before))) << "mode " << mode;
    // And the picture still draws.
    EXPECT_EQ(model.RenderSurface(device(), frame_.get()), S_OK);
  }
}

TEST_F(SceneModel, SeedTakesTheInstancesViewStateAndRefusesNaNs) {
  sVIEWSETTINGS settings = DefaultViewSettings();
  settings.enabled = 1;
  settings.viewMode = kViewSphere;
  settings.sphereUp = -0.1f;
  settings.sphereRotation = IdentityRotation();
  ApplyTrackballDrag(&settings.sphereRotation, 0.05, 0.01);
  settings.planes.panX = -2.0f;
  CSphereModel model;
  model.Seed(settings);
  const sVIEWSETTINGS s = model.Snapshot();
  EXPECT_TRUE(model.enabled());
  EXPECT_EQ(s.viewMode, kViewSphere);
  EXPECT_EQ(s.sphereUp, -0.1f);
  EXPECT_EQ(0, std::memcmp(&s.sphereRotation, &settings.sphereRotation, sizeof(RotationState)));
  EXPECT_EQ(s.planes.panX, -2.0f);

  settings.sphereRotation.current[0] = std::numeric_limits<double>::quiet_NaN();
  settings.aspect = std::numeric_limits<float>::infinity();
  model.Seed(settings);
  const sVIEWSETTINGS clean = model.Snapshot();
  EXPECT_EQ(clean.sphereRotation.current[0], 1.0);
  EXPECT_EQ(clean.aspect, 1.0f);
}

TEST_F(SceneModel, AFrameDrawnWithAnotherDeviceRebuildsTheSceneOnIt) {
  CSphereModel model;
  Build(&model, kViewRectangle);
  frame_.reset();
  ASSERT_EQ(bed_->Recreate(), S_OK);  // the model still holds the old device
  ASSERT_EQ(bed_->MakeFrame(kFrameSize, &frame_), S_OK);
  ASSERT_EQ(model.RenderSurface(device(), frame_.get()), S_OK);
  ExpectRectanglePicture();
  // And CreateScene on a third device builds there too instead of keeping the stale scene.
  CSphereModel other;
  Build(&other, kViewRectangle);
  frame_.reset();
  ASSERT_EQ(bed_->Recreate(), S_OK);
  ASSERT_EQ(bed_->MakeFrame(kFrameSize, &frame_), S_OK);
  ASSERT_EQ(other.CreateScene(device(), kFrameSize, kFrameSize), S_OK);
  ASSERT_EQ(other.RenderSurface(device(), frame_.get()), S_OK);
  ExpectRectanglePicture();
}

}  // namespace
}  // namespace playcore::test
