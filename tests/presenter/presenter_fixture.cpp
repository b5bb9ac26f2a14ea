// The presenter test fixture.
#include "tests/presenter/presenter_fixture.h"

namespace playcore::test {

void PresenterTest::SetUp() {
  MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET);
  window_ = std::make_unique<TestWindow>(320, 240);
  mixer_ = new FakeMixer;
  mixer_->offered.push_back(MakeVideoType(MFVideoFormat_RGB32, 64, 64, MFVideoInterlace_Progressive,
                                          false));
  clock_ = new FakeClock;
  sink_ = new FakeEventSink;
  lookup_ = new FakeLookup;
}

void PresenterTest::TearDown() {
  if (presenter_) {
    presenter_->ProcessMessage(MFVP_MESSAGE_ENDSTREAMING, 0);
    presenter_->ReleaseServicePointers();
    presenter_->Release();
    presenter_ = nullptr;
  }
  renderer_ = nullptr;
  losing_ = nullptr;
  lookup_->Release();
  sink_->Release();
  clock_->Release();
  mixer_->Release();
  window_.reset();
  MFShutdown();
}

void PresenterTest::Build(bool withClock, bool plainDevice, bool losingEngine) {
  ASSERT_EQ(S_OK, quill::com::CComObject<EVRCustomPresenter>::CreateInstance(&presenter_));
  presenter_->AddRef();
  ASSERT_EQ(S_OK, presenter_->engineResult());
  if (losingEngine || plainDevice) {
    HRESULT hr = S_OK;
    auto engine = std::make_unique<LosingEngine>(&hr, !plainDevice);
    ASSERT_EQ(S_OK, hr);
    losing_ = engine.get();
    presenter_->ReplaceEngine(std::move(engine));
  }
  auto renderer = std::make_unique<RecordingRenderer>(mixer_);
  renderer_ = renderer.get();
  presenter_->engine()->SetRenderer(std::move(renderer));
  ASSERT_EQ(S_OK, presenter_->SetVideoWindow(window_->hwnd()));
  lookup_->clock = withClock ? clock_ : nullptr;
  lookup_->mixer = mixer_;
  lookup_->sink = sink_;
  ASSERT_EQ(S_OK, presenter_->InitServicePointers(lookup_));
  ASSERT_EQ(kRenderStopped, presenter_->renderState());
}

void PresenterTest::Negotiate() {
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_INVALIDATEMEDIATYPE, 0));
}

void PresenterTest::StartStreaming(LONGLONG clockTime, double speed) {
  clock_->Set(clockTime, speed);
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_BEGINSTREAMING, 0));
  ASSERT_EQ(S_OK, presenter_->OnClockStart(0, clockTime));
}

bool PresenterTest::PumpUntilDrawn(size_t frames) {
  return WaitUntil([&] {
    if (renderer_->Frames().size() >= frames) return true;
    presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
    return false;
  });
}

}  // namespace playcore::test
