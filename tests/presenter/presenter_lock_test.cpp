// The presenter against a mixer that, like Wine's, takes the EVR's renderer lock while it makes a
// frame (it asks the EVR for the next input), and an EVR that holds that lock while it passes a clock
// event on to the presenter.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <functional>

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

// The three locks of a resize's cycle, as the fakes see them: the mixer's own lock (held while it makes
// a frame and while it answers a type call), the EVR's renderer lock (asked for by the mixer inside a
// frame, held by the EVR around a clock event), and the presenter lock.
struct CycleLocks {
  std::timed_mutex mixer;
  std::timed_mutex renderer;
  std::atomic<bool> armed{false};
  std::atomic<bool> timedOut{false};
  std::atomic<DWORD> pullThread{0};
  std::atomic<DWORD> uiThread{0};
  quill::com::Handle pullInMixer{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  quill::com::Handle uiAtMixer{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  quill::com::Handle clockHolding{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

constexpr DWORD kSafetyMs = 8000;

// Regression: a new destination renegotiated the mixer's type holding the presenter lock on the UI
// thread. With a returned sample's pull inside the mixer (mixer lock, then the renderer lock for
// input) and a clock event holding the renderer lock (then waiting for the presenter lock), the three
// threads waited on each other for good: a resize met at a pause, a seek or the end froze playback.
TEST_F(PresenterTest, AResizeMeetsAPauseASeekAndAnEndWhileFramesArePulled) {
  const struct {
    const char* name;
    std::function<HRESULT(EVRCustomPresenter*)> clockEvent;
  } cases[] = {
      {"pause", [](EVRCustomPresenter* p) { return p->OnClockPause(0); }},
      {"seek", [](EVRCustomPresenter* p) { return p->OnClockStart(0, 40 * kFrame); }},
      {"end", [](EVRCustomPresenter* p) { return p->ProcessMessage(MFVP_MESSAGE_ENDOFSTREAM, 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    Build();
    Negotiate();
    auto locks = std::make_shared<CycleLocks>();
    mixer_->beforeOutput = [locks] {
      if (GetCurrentThreadId() != locks->pullThread || !locks->armed.exchange(false)) return;
      std::unique_lock<std::timed_mutex> mixerHeld(locks->mixer);
      SetEvent(locks->pullInMixer.get());
      WaitForSingleObject(locks->clockHolding.get(), kSafetyMs);
      // The mixer asks the EVR for input: the renderer lock, given up on instead of hanging.
      if (locks->renderer.try_lock_for(kRendererLockWait)) {
        locks->renderer.unlock();
      } else {
        locks->timedOut = true;
      }
    };
    mixer_->beforeTypeCall = [locks] {
      if (GetCurrentThreadId() != locks->uiThread) return;
      SetEvent(locks->uiAtMixer.get());
      if (locks->mixer.try_lock_for(kRendererLockWait)) {
        locks->mixer.unlock();
      } else {
        locks->timedOut = true;
      }
    };
    StartStreaming(0, 1.0);
    mixer_->AddFrames(0, kFrame, 90);
    ASSERT_TRUE(PumpUntilDrawn(2));
    locks->armed = true;
    std::thread pull([&] {  // the returned samples' pulls
      locks->pullThread = GetCurrentThreadId();
      WaitUntil([&] {
        if (WaitForSingleObject(locks->pullInMixer.get(), 0) == WAIT_OBJECT_0) return true;
        presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
        return false;
      });
    });
    const bool pulling = WaitForSingleObject(locks->pullInMixer.get(), kSafetyMs) == WAIT_OBJECT_0;
    HRESULT resized = E_FAIL;
    std::thread ui([&] {  // the window's resize: a new destination
      locks->uiThread = GetCurrentThreadId();
      RECT dest = {0, 0, 200, 150};
      resized = presenter_->SetVideoPosition(nullptr, &dest);
    });
    const bool uiAtMixer = WaitForSingleObject(locks->uiAtMixer.get(), kSafetyMs) == WAIT_OBJECT_0;
    HRESULT clockResult = E_FAIL;
    {  // the EVR's clock thread: the event comes in holding the renderer lock
      std::lock_guard<std::timed_mutex> renderer(locks->renderer);
      SetEvent(locks->clockHolding.get());
      clockResult = c.clockEvent(presenter_);
    }
    SetEvent(locks->clockHolding.get());
    ui.join();
    pull.join();
    locks->armed = false;
    ASSERT_TRUE(pulling) << "no pull reached the mixer";
    ASSERT_TRUE(uiAtMixer) << "the resize did not ask the mixer";
    EXPECT_FALSE(locks->timedOut.load()) << "the resize held the presenter lock inside the mixer";
    EXPECT_EQ(S_OK, clockResult);
    EXPECT_EQ(S_OK, resized);
    mixer_->beforeOutput = nullptr;
    mixer_->beforeTypeCall = nullptr;
  }
}

// Regression: a repaint asked for while a pull was inside the mixer was left to that pull, which
// ended on "need more input" without it: the picture stayed on the old position until the next frame,
// which never comes while paused at the end of the input.
TEST_F(PresenterTest, ARepaintThatMeetsAPullInTheMixerIsDoneWhenThePullEnds) {
  Build();
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 2);
  ASSERT_TRUE(PumpUntilDrawn(2));
  ASSERT_TRUE(WaitUntil([&] { return presenter_->pooledFreeCount() > 0; }));
  quill::com::Handle inMixer{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  quill::com::Handle letGo{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::atomic<bool> armed{true};
  mixer_->beforeOutput = [&] {
    if (!armed.exchange(false)) return;
    SetEvent(inMixer.get());
    WaitForSingleObject(letGo.get(), kSafetyMs);
  };
  const size_t drawnBefore = renderer_->Frames().size();
  // No input left: this pull ends on "need more input".
  std::thread pull([&] { presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0); });
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(inMixer.get(), kSafetyMs));
  EXPECT_EQ(S_OK, presenter_->RepaintVideo());
  const size_t drawnDuringPull = renderer_->Frames().size();
  SetEvent(letGo.get());
  pull.join();
  mixer_->beforeOutput = nullptr;
  EXPECT_EQ(drawnBefore, drawnDuringPull) << "the repaint did not wait for the pull in the mixer";
  EXPECT_EQ(drawnBefore + 1, renderer_->Frames().size()) << "the repaint was dropped";
}

}  // namespace
}  // namespace playcore::test
