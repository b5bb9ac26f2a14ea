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

constexpr auto kRendererLockWait = std::chrono::seconds(3);
constexpr DWORD kSafetyMs = 8000;
constexpr UINT kSendTimeoutMs = 3000;

bool WaitPumping(HANDLE event, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    const DWORD waited = GetTickCount() - start;
    if (waited >= timeoutMs) return false;
    const DWORD r = MsgWaitForMultipleObjects(1, &event, FALSE, timeoutMs - waited, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
  }
}

struct UiCall {
  const char* name;
  std::function<HRESULT(EVRCustomPresenter*)> call;
};

// Regression: RepaintVideo and SetVideoPosition pulled from the mixer holding the presenter lock. A
// clock event that came in holding the renderer lock waited for the presenter lock while the UI
// thread waited inside the mixer for the renderer lock.
TEST_F(PresenterTest, UiThreadRepaintsDoNotHoldThePresenterLockInsideTheMixer) {
  const UiCall calls[] = {
      {"repaint", [](EVRCustomPresenter* p) { return p->RepaintVideo(); }},
      {"position", [](EVRCustomPresenter* p) {
         RECT dest = {0, 0, 200, 150};
         return p->SetVideoPosition(nullptr, &dest);
       }},
  };
  Build();
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 90);
  ASSERT_TRUE(PumpUntilDrawn(2, kSafetyMs));
  ASSERT_EQ(S_OK, presenter_->OnClockPause(0));

  std::timed_mutex rendererLock;
  std::atomic<bool> armed{false};
  std::atomic<bool> timedOut{false};
  std::atomic<bool> entered{false};
  const DWORD uiThread = GetCurrentThreadId();
  HANDLE go = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE holding = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ASSERT_TRUE(go && holding);
  // The UI thread, inside the mixer, lets the clock event in and then wants the renderer lock.
  mixer_->beforeOutput = [&] {
    if (!armed.load() || GetCurrentThreadId() != uiThread) return;
    entered = true;
    SetEvent(go);
    if (rendererLock.try_lock_for(kRendererLockWait)) {
      rendererLock.unlock();
    } else {
      timedOut = true;
    }
  };
  for (const UiCall& c : calls) {
    SCOPED_TRACE(c.name);
    timedOut = false;
    entered = false;
    HRESULT clockResult = E_FAIL;
    // The EVR's clock thread: a pause arrives holding the renderer lock.
    std::thread clockThread([&] {
      std::lock_guard<std::timed_mutex> lock(rendererLock);
      SetEvent(holding);
      if (WaitForSingleObject(go, kSafetyMs) == WAIT_OBJECT_0) clockResult = presenter_->OnClockPause(0);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(holding, kSafetyMs));
    armed = true;
    const HRESULT uiResult = c.call(presenter_);
    armed = false;
    SetEvent(go);  // a call that never reached the mixer lets the clock thread go
    clockThread.join();
    EXPECT_EQ(S_OK, uiResult);
    EXPECT_TRUE(entered.load()) << "the call did not ask the mixer";
    EXPECT_EQ(S_OK, clockResult);
    EXPECT_FALSE(timedOut.load()) << "the clock event waited for the presenter lock held by the UI thread";
  }
  mixer_->beforeOutput = nullptr;
  CloseHandle(go);
  CloseHandle(holding);
}

// An engine whose present, on any other thread than the window's, first sends the window a message
// (as a present may under Wine) and gives up after a while instead of hanging the test.
class SendingEngine : public D3DPresentEngine {
 public:
  explicit SendingEngine(HRESULT* hr) : D3DPresentEngine(hr) {
    inPresent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    sent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  ~SendingEngine() override {
    CloseHandle(inPresent);
    CloseHandle(sent);
  }
  HANDLE inPresent;
  HANDLE sent;
  std::atomic<bool> armed{true};
  std::atomic<bool> timedOut{false};
  HWND window = nullptr;

 protected:
  HRESULT PresentDevice(IDirect3DDevice9* device, const RECT* dest, HWND target) override {
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId() && armed.exchange(false)) {
      SetEvent(inPresent);
      DWORD_PTR result = 0;
      if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &result)) {
        timedOut = true;
      }
      SetEvent(sent);
    }
    return D3DPresentEngine::PresentDevice(device, dest, target);
  }
};

// A recording renderer that asks the engine to present what it drew.
class PresentingRenderer : public RecordingRenderer {
 public:
  using RecordingRenderer::RecordingRenderer;
  HRESULT Draw(const FrameTarget& target, IMFSample* sample, IDirect3DSurface9* frame) override {
    const HRESULT hr = RecordingRenderer::Draw(target, sample, frame);
    if (target.present) target.present->wanted = true;
    return hr;
  }
};

// Regression: the scheduler thread presented holding the engine lock, so a UI thread that waited for
// that lock (a new destination on a resize) never let the present's message through.
TEST_F(PresenterTest, TheUiThreadIsNotWaitingOnTheEngineLockWhileTheSchedulerPresents) {
  ASSERT_EQ(S_OK, quill::com::CComObject<EVRCustomPresenter>::CreateInstance(&presenter_));
  presenter_->AddRef();
  HRESULT hr = S_OK;
  auto engine = std::make_unique<SendingEngine>(&hr);
  ASSERT_EQ(S_OK, hr);
  SendingEngine* sending = engine.get();
  sending->window = window_->hwnd();
  presenter_->ReplaceEngine(std::move(engine));
  auto renderer = std::make_unique<PresentingRenderer>(mixer_);
  renderer_ = renderer.get();
  sending->SetRenderer(std::move(renderer));
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
  while (WaitForSingleObject(sending->inPresent, 4) == WAIT_TIMEOUT &&
         GetTickCount() - start < kSafetyMs) {
    presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
  }
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(sending->inPresent, 0));
  sending->SetDestinationRect({0, 0, 160, 120});  // takes the engine lock on the window's thread
  ASSERT_TRUE(WaitPumping(sending->sent, kSafetyMs));
  EXPECT_FALSE(sending->timedOut.load()) << "the present held the engine lock while it waited";
}

}  // namespace
}  // namespace playcore::test
