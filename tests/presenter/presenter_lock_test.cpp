// The presenter against a mixer that, like Wine's, takes the EVR's renderer lock while it makes a
// frame (it asks the EVR for the next input), and an EVR that holds that lock while it passes a clock
// event on to the presenter.
#include <chrono>
#include <memory>
#include <mutex>

#include "tests/presenter/presenter_fixture.h"

namespace playcore::test {
namespace {

// The EVR's renderer lock as the fake mixer sees it.
struct RendererLock {
  std::timed_mutex mutex;
  std::atomic<bool> armed{false};
  std::atomic<bool> timedOut{false};
  DWORD evrThread = 0;  // the thread that plays the EVR's clock thread
  HANDLE entered = nullptr;
};

constexpr auto kRendererLockWait = std::chrono::seconds(3);
constexpr DWORD kEnterTimeoutMs = 4000;
constexpr LONGLONG kPromptStop = 1000 * kMs;

// Regression: the sample-free callback pulled the next frame holding the presenter lock, so a stop
// that came in holding the renderer lock waited for the presenter lock while the pull waited inside
// the mixer for the renderer lock: the session never ended and its shutdown hung.
TEST_F(PresenterTest, AStopWhileAReturnedSamplePullsTheNextFrameIsNotBlockedByThatPull) {
  Build();
  Negotiate();
  auto lock = std::make_shared<RendererLock>();
  lock->evrThread = GetCurrentThreadId();
  lock->entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(nullptr, lock->entered);
  // Pulls on other threads than the EVR's (the sample-free callback's) take the renderer lock, as
  // Wine's mixer does when it asks for input; they give up after a while instead of hanging the test.
  mixer_->beforeOutput = [lock] {
    if (!lock->armed.load() || GetCurrentThreadId() == lock->evrThread) return;
    SetEvent(lock->entered);
    if (lock->mutex.try_lock_for(kRendererLockWait)) {
      lock->mutex.unlock();
    } else {
      lock->timedOut = true;
    }
  };
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 90);

  lock->mutex.lock();
  lock->armed = true;
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(lock->entered, 4) == WAIT_TIMEOUT &&
         GetTickCount() - start < kEnterTimeoutMs) {
    presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
  }
  const bool pulling = WaitForSingleObject(lock->entered, 0) == WAIT_OBJECT_0;
  // The EVR's clock thread: the stop arrives with the renderer lock held.
  const LONGLONG before = QpcNow100ns();
  const HRESULT stopped = presenter_->OnClockStop(0);
  const LONGLONG took = QpcNow100ns() - before;
  lock->mutex.unlock();
  lock->armed = false;
  Sleep(100);  // the pull finishes and drops its frame

  ASSERT_TRUE(pulling) << "no returned sample pulled a frame";
  EXPECT_EQ(S_OK, stopped);
  EXPECT_LT(took, kPromptStop) << "the stop waited " << took / kMs << " ms for the pull";
  EXPECT_FALSE(lock->timedOut.load());
  EXPECT_EQ(static_cast<LONG>(kRenderStopped), presenter_->renderState());
  CloseHandle(lock->entered);
}

}  // namespace
}  // namespace playcore::test
