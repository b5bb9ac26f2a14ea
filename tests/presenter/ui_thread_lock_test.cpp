// The UI thread's calls into the presenter (a repaint after a seek, a new position on a resize) against
// the EVR's renderer lock and against a present that waits for the window's thread.
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "tests/presenter/presenter_fixture.h"

namespace playcore::test {
namespace {

constexpr DWORD kSafetyMs = 8000;
constexpr DWORD kGiveUpMs = 3000;  // the deadlocked side gives up after this instead of hanging

// Regression: RepaintVideo and SetVideoPosition pulled from the mixer holding the presenter lock. A
// clock event that came in holding the renderer lock waited for the presenter lock while the UI
// thread waited inside the mixer for the renderer lock.
TEST_F(PresenterTest, UiThreadRepaintsDoNotHoldThePresenterLockInsideTheMixer) {
  const std::function<HRESULT(EVRCustomPresenter*)> calls[] = {
      [](EVRCustomPresenter* p) { return p->RepaintVideo(); },
      [](EVRCustomPresenter* p) {
        RECT dest = {0, 0, 200, 150};
        return p->SetVideoPosition(nullptr, &dest);
      }};
  Build();
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 90);
  ASSERT_TRUE(PumpUntilDrawn(2));
  ASSERT_EQ(S_OK, presenter_->OnClockPause(0));
  std::timed_mutex rendererLock;
  std::atomic<bool> armed{false}, entered{false}, timedOut{false};
  const DWORD uiThread = GetCurrentThreadId();
  HANDLE go = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE holding = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  // Inside the mixer the UI thread lets the clock event in, then wants the renderer lock.
  mixer_->beforeOutput = [&] {
    if (!armed.load() || GetCurrentThreadId() != uiThread) return;
    entered = true;
    SetEvent(go);
    if (!rendererLock.try_lock_for(std::chrono::milliseconds(kGiveUpMs))) {
      timedOut = true;
    } else {
      rendererLock.unlock();
    }
  };
  for (size_t i = 0; i < std::size(calls); ++i) {
    SCOPED_TRACE(i == 0 ? "repaint" : "position");
    entered = timedOut = false;
    HRESULT clockResult = E_FAIL;
    std::thread clockThread([&] {  // the EVR's clock thread: a pause holding the renderer lock
      std::lock_guard<std::timed_mutex> lock(rendererLock);
      SetEvent(holding);
      if (WaitForSingleObject(go, kSafetyMs) == WAIT_OBJECT_0) clockResult = presenter_->OnClockPause(0);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(holding, kSafetyMs));
    armed = true;
    EXPECT_EQ(S_OK, calls[i](presenter_));
    armed = false;
    SetEvent(go);  // lets the clock thread go if the call never reached the mixer
    clockThread.join();
    EXPECT_TRUE(entered.load()) << "the call did not ask the mixer";
    EXPECT_EQ(S_OK, clockResult);
    EXPECT_FALSE(timedOut.load()) << "the clock event waited for the UI thread's presenter lock";
  }
  mixer_->beforeOutput = nullptr;
  CloseHandle(go);
  CloseHandle(holding);
}

// An engine whose present on another thread than the window's first sends the window a message (as
// a present may under Wine), once, giving up after a while instead of hanging the test.
class SendingEngine : public D3DPresentEngine {
 public:
  using D3DPresentEngine::D3DPresentEngine;
  quill::com::Handle inPresent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  quill::com::Handle sent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::atomic<bool> armed{true}, timedOut{false};

 protected:
  HRESULT PresentDevice(IDirect3DDevice9* device, const RECT* dest, HWND target) override {
    const HWND window = videoWindow();
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId() && armed.exchange(false)) {
      SetEvent(inPresent.get());
      DWORD_PTR result = 0;
      timedOut = !SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kGiveUpMs, &result);
      SetEvent(sent.get());
    }
    return D3DPresentEngine::PresentDevice(device, dest, target);
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

// Regression: the scheduler thread presented holding the engine lock, so a UI thread that waited for
// that lock (a new destination on a resize) never let the present's message through.
TEST_F(PresenterTest, TheUiThreadIsNotWaitingOnTheEngineLockWhileTheSchedulerPresents) {
  ASSERT_EQ(S_OK, quill::com::CComObject<EVRCustomPresenter>::CreateInstance(&presenter_));
  presenter_->AddRef();
  HRESULT hr = S_OK;
  auto owned = std::make_unique<SendingEngine>(&hr);
  ASSERT_EQ(S_OK, hr);
  SendingEngine* engine = owned.get();
  presenter_->ReplaceEngine(std::move(owned));
  engine->SetRenderer(std::make_unique<PresentingRenderer>(mixer_));
  ASSERT_EQ(S_OK, presenter_->SetVideoWindow(window_->hwnd()));
  lookup_->clock = clock_;
  lookup_->mixer = mixer_;
  lookup_->sink = sink_;
  ASSERT_EQ(S_OK, presenter_->InitServicePointers(lookup_));
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(kFrame, kFrame, 30);
  // Input until the scheduler thread is inside a present; this thread pumps no messages meanwhile.
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(engine->inPresent.get(), 4) == WAIT_TIMEOUT &&
         GetTickCount() - start < kSafetyMs) {
    presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
  }
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(engine->inPresent.get(), 0));
  engine->SetDestinationRect({0, 0, 160, 120});  // takes the engine lock on the window's thread
  HANDLE sent = engine->sent.get();
  while (MsgWaitForMultipleObjects(1, &sent, FALSE, kSafetyMs, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(sent, 0));
  EXPECT_FALSE(engine->timedOut.load()) << "the present held the engine lock while it waited";
}

// Regression: under Wine the mixer asks the EVR for input holding its own lock while a stop holds the
// renderer lock and waits for the mixer's, so a frame pulled on a returned sample's thread during the
// player's stop deadlocked the session. The player holds such pulls around its stops and its close.
TEST_F(PresenterTest, HeldPullsLeaveTheMixerAloneUntilReleased) {
  Build();
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 4);
  presenter_->HoldUnlockedPulls(true);
  const int calls = mixer_->processCalls.load();
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
  EXPECT_EQ(calls, mixer_->processCalls.load()) << "pulled while held";
  presenter_->HoldUnlockedPulls(false);  // the pending input is pulled now
  EXPECT_TRUE(renderer_->WaitForFrames(1));
}

// Regression: the hold was a flag, so a transport call that let its own hold go ended the close's
// hold too, and a returned sample could pull a frame while the close stopped the session.
TEST_F(PresenterTest, APullHoldLetGoByOneHolderStaysWhileAnotherHolds) {
  Build();
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 4);
  presenter_->HoldUnlockedPulls(true);  // the close's, for good
  presenter_->HoldUnlockedPulls(true);  // a transport call's
  presenter_->HoldUnlockedPulls(false);
  const int calls = mixer_->processCalls.load();
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
  EXPECT_EQ(calls, mixer_->processCalls.load()) << "pulled while the close still holds";
  presenter_->HoldUnlockedPulls(false);
  EXPECT_TRUE(renderer_->WaitForFrames(1));
}

}  // namespace
}  // namespace playcore::test
