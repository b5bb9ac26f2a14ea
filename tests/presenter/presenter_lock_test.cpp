// The presenter against a mixer that, like Wine's, takes the EVR's renderer lock while it makes a
// frame (it asks the EVR for the next input), and an EVR that holds that lock while it passes a clock
// event on to the presenter.
#include <atomic>
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
  std::atomic<int> pullsLeft{0};  // pulls that came out of the renderer lock again
};

constexpr auto kRendererLockWait = std::chrono::seconds(3);

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
    ++lock->pullsLeft;
  };
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 90);

  lock->mutex.lock();
  lock->armed = true;
  const bool pulling = WaitUntil([&] {
    if (WaitForSingleObject(lock->entered, 0) == WAIT_OBJECT_0) return true;
    presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
    return false;
  });
  // The EVR's clock thread: the stop arrives with the renderer lock held. Had it waited for the
  // pull, the pull would have given up on the renderer lock (timedOut) before the stop went on.
  const HRESULT stopped = presenter_->OnClockStop(0);
  const bool pullStillWaiting = lock->pullsLeft.load() == 0;
  lock->mutex.unlock();
  lock->armed = false;
  WaitUntil([&] { return lock->pullsLeft.load() > 0; });

  ASSERT_TRUE(pulling) << "no returned sample pulled a frame";
  EXPECT_EQ(S_OK, stopped);
  EXPECT_TRUE(pullStillWaiting) << "the stop waited for the pull";
  EXPECT_FALSE(lock->timedOut.load());
  EXPECT_EQ(static_cast<LONG>(kRenderStopped), presenter_->renderState());
  CloseHandle(lock->entered);
}

}  // namespace
}  // namespace playcore::test
