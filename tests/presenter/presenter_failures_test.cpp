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
  ASSERT_TRUE(PumpUntilDrawn(4));
  EXPECT_EQ(0, mixer_->FramesLeft());
  EXPECT_TRUE(sink_->WaitFor(kEcComplete, 1));
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

// Regression: a stop that found no scheduler thread presented on the calling (clock) thread, inside
// the renderer's lock.
TEST_F(PresenterTest, AStopWithoutTheSchedulerThreadPresentsNothingOnTheCallingThread) {
  Build();
  Negotiate();
  clock_->Set(0, 1.0);
  ASSERT_EQ(S_OK, presenter_->OnClockStart(0, 0));  // no streaming thread: frames are shown at once
  mixer_->AddFrames(0, kFrame, 1);
  ASSERT_TRUE(PumpUntilDrawn(1));
  const size_t drawn = renderer_->Frames().size();
  ASSERT_EQ(S_OK, presenter_->OnClockStop(0));
  EXPECT_EQ(drawn, renderer_->Frames().size());
}

// Regression: a sample without a surface failed the present, which ended the scheduler thread for
// good (every later frame was refused).
TEST_F(PresenterTest, ASampleWithoutASurfaceIsDroppedAndTheSchedulerGoesOn) {
  HRESULT hr = S_OK;
  D3DPresentEngine engine(&hr);
  ASSERT_EQ(S_OK, hr);
  Scheduler scheduler;
  scheduler.SetCallback(&engine);
  ASSERT_EQ(S_OK, scheduler.StartScheduler(nullptr));
  ComPtr<IMFSample> sample;
  ComPtr<IMFMediaBuffer> buffer;
  ASSERT_EQ(S_OK, MFCreateSample(sample.put()));
  ASSERT_EQ(S_OK, MFCreateMemoryBuffer(64, buffer.put()));
  ASSERT_EQ(S_OK, sample->AddBuffer(buffer.get()));
  ASSERT_EQ(S_OK, scheduler.ScheduleSample(sample.get()));
  ASSERT_EQ(S_OK, scheduler.Flush());  // answered after the sample before it was handled
  EXPECT_TRUE(scheduler.IsRunning());
  EXPECT_EQ(S_OK, scheduler.ScheduleSample(sample.get()));
  scheduler.StopScheduler();
}

}  // namespace
}  // namespace playcore::test
