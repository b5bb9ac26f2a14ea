// Failures on the presenter's paths that must not stop the stream: a scene that cannot be built, the
// real scene on a plain Direct3D 9 device, a sample without a surface; and a stop without the
// scheduler thread.
#include <memory>

#include "playcore/scene/sphere_model.h"
#include "tests/presenter/presenter_fixture.h"

namespace playcore::test {
namespace {

constexpr DWORD kSafetyMs = 8000;

// A renderer whose scene (or flat view) cannot be built on the device.
class UnbuildableRenderer : public RecordingRenderer {
 public:
  using RecordingRenderer::RecordingRenderer;
  HRESULT Prepare(IDirect3DDevice9*, UINT, UINT, int) override {
    ++prepares;
    return E_FAIL;
  }
};

// Regression: a view that could not be built (or a missing utility library) refused every media
// type, so no frame flowed, the stream never ended and the list stopped advancing.
TEST_F(PresenterTest, AViewThatCannotBeBuiltStillTakesTheFramesAndEndsTheStream) {
  Build();
  auto renderer = std::make_unique<UnbuildableRenderer>(mixer_);
  renderer_ = renderer.get();
  presenter_->engine()->SetRenderer(std::move(renderer));
  Negotiate();
  EXPECT_GE(renderer_->prepares.load(), 1);
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 4);
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_ENDOFSTREAM, 0));
  ASSERT_TRUE(PumpUntilDrawn(4, kSafetyMs));
  EXPECT_EQ(0, mixer_->FramesLeft());
  EXPECT_TRUE(sink_->WaitFor(kEcComplete, 1, kSafetyMs));
  EXPECT_EQ(0, sink_->Count(kEcErrorAbort));
}

// Regression: on a plain device the negotiation built the scene's default-pool objects before the
// sample creation reset the device, which a plain device refuses: every type failed, the pane black.
TEST_F(PresenterTest, ThePlainDeviceTakesATypeWithTheRealSceneAndRebuildsIt) {
  Build(true, true);
  ASSERT_FALSE(presenter_->engine()->isExtended());
  presenter_->engine()->SetRenderer(CreateSceneRenderer());
  renderer_ = nullptr;
  presenter_->engine()->SetViewMode(kViewRectangle);
  Negotiate();
  quill::com::ComPtr<IMFVideoMediaType> type;
  EXPECT_EQ(S_OK, presenter_->GetCurrentMediaType(type.put()));
  CSphereModel* scene = presenter_->engine()->renderer()->scene();
  ASSERT_NE(nullptr, scene);
  EXPECT_TRUE(scene->created()) << "the scene is built again on the reset device";
}

}  // namespace
}  // namespace playcore::test
