// A presenter wired to fakes of the EVR side on a real Direct3D device of the test bed's display.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/com/com_object.h"
#include "playcore/presenter/evr_presenter.h"
#include "tests/presenter/fakes.h"

namespace playcore::test {

constexpr LONGLONG kMs = 10000;
constexpr LONGLONG kFrame = 333333;  // 30 fps

// An engine whose device can be made to report a loss.
class LosingEngine : public D3DPresentEngine {
 public:
  LosingEngine(HRESULT* hr, bool allowExtended) : D3DPresentEngine(hr, allowExtended) {}
  std::atomic<HRESULT> nextState{S_OK};
  std::atomic<int> checks{0};

 protected:
  HRESULT QueryDeviceState() override {
    ++checks;
    const HRESULT forced = nextState.exchange(S_OK);
    return forced != S_OK ? forced : D3DPresentEngine::QueryDeviceState();
  }
};

class PresenterTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A fresh presenter and fakes, for tests that run one case per presenter.
  void Restart() {
    TearDown();
    SetUp();
  }

  // Builds the presenter (optionally with an engine that can lose its device), the window's device
  // and looks up the fakes. `withClock` false imitates Wine's first lookup.
  void Build(bool withClock = true, bool plainDevice = false, bool losingEngine = false);
  void Negotiate();
  // Streaming with the clock at `clockTime` running at `speed`.
  void StartStreaming(LONGLONG clockTime, double speed);
  // Sends input notifications until `frames` frames were drawn (safety net: 10 s).
  bool PumpUntilDrawn(size_t frames);

  quill::com::CComObject<EVRCustomPresenter>* presenter_ = nullptr;
  RecordingRenderer* renderer_ = nullptr;  // owned by the engine
  LosingEngine* losing_ = nullptr;         // owned by the presenter
  FakeMixer* mixer_ = nullptr;
  FakeClock* clock_ = nullptr;
  FakeEventSink* sink_ = nullptr;
  FakeLookup* lookup_ = nullptr;
  std::unique_ptr<TestWindow> window_;
};

}  // namespace playcore::test
