// The hold of every engine's presents while windows move: a present from another thread is left out
// without waiting; on the holding thread it goes through and is drawn before the thread goes on; holds nest
// on their thread; the hold waits for the frames already handed to the devices.
#include <gtest/gtest.h>

#include <mfapi.h>

#include <atomic>
#include <thread>

#include "playcore/presenter/present_hold.h"
#include "tests/presenter/presenter_fixture.h"

namespace playcore::test {
namespace {

class CountingEngine : public D3DPresentEngine {
 public:
  explicit CountingEngine(HRESULT* hr) : D3DPresentEngine(hr) {}
  std::atomic<int> presents{0};

 protected:
  HRESULT PresentDevice(IDirect3DDevice9* device, const RECT* dest, HWND window) override {
    ++presents;
    return D3DPresentEngine::PresentDevice(device, dest, window);
  }
};

class PresentingRenderer : public RecordingRenderer {  // leaves its present to the engine
 public:
  using RecordingRenderer::RecordingRenderer;
  HRESULT Draw(const FrameTarget& target, IMFSample* sample, IDirect3DSurface9* frame) override {
    if (target.present) target.present->wanted = true;
    return RecordingRenderer::Draw(target, sample, frame);
  }
};

class PresentHoldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET);
    window_ = std::make_unique<TestWindow>(160, 120);
    HRESULT hr = E_FAIL;
    engine_ = std::make_unique<CountingEngine>(&hr);
    ASSERT_EQ(S_OK, hr);
    engine_->SetRenderer(std::make_unique<PresentingRenderer>(nullptr));
    engine_->SetVideoWindow(window_->hwnd());
    engine_->SetDestinationRect({0, 0, 160, 120});
    ASSERT_EQ(S_OK, engine_->CreateD3DDevice());
    auto type = MakeVideoType(MFVideoFormat_RGB32, 64, 48, MFVideoInterlace_Progressive, false);
    ASSERT_EQ(S_OK, engine_->CreateVideoSamples(type.get(), samples_));
  }
  void TearDown() override {
    engine_.reset();
    window_.reset();
    MFShutdown();
  }
  IMFSample* Sample() { return samples_.Front()->item; }

  std::unique_ptr<TestWindow> window_;
  std::unique_ptr<CountingEngine> engine_;
  SampleList samples_;
};

// A presenting thread may hold its presenter's lock, which the holding thread takes when a pane
// changes size: its present is left out at once instead of waiting for the hold's end.
TEST_F(PresentHoldTest, AnotherThreadsPresentIsLeftOutWithoutWaitingForTheHold) {
  quill::com::Handle presented{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::thread worker;
  {
    PresentHold hold;
    EXPECT_EQ(0, hold.undrained());
    worker = std::thread([&] {
      engine_->PresentSample(Sample(), 0);
      SetEvent(presented.get());
    });
    // The bound is only a hang guard: a present waiting for the hold never returns within it.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(presented.get(), 20000));
    EXPECT_EQ(0, engine_->presents.load());
  }
  worker.join();
  // After the hold the next frame is handed over again.
  std::thread after([&] { engine_->PresentSample(Sample(), 0); });
  after.join();
  EXPECT_EQ(1, engine_->presents.load());
}

TEST_F(PresentHoldTest, TheHoldingThreadPresentsAndNestsWithoutWaitingForItself) {
  PresentHold hold;
  {
    PresentHold nested;  // a second hold on the same thread only nests
    ASSERT_EQ(S_OK, engine_->PresentSample(Sample(), 0));
  }
  EXPECT_EQ(1, engine_->presents.load());
  EXPECT_TRUE(engine_->WaitForDrawnFrames(20000));
}

}  // namespace
}  // namespace playcore::test
