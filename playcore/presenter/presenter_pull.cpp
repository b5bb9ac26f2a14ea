// Pulling frames on threads that hold the presenter lock but not the EVR's: the sample-free callback
// and the mixer's input notification. The EVR's clock events come in holding its renderer lock and
// then wait for the presenter lock, while the mixer, asked for a frame, takes the renderer lock to ask
// for more input: a pull that held the presenter lock across the mixer call deadlocked against a
// stop. Here the mixer is called between two holds of the presenter lock, and every event raised under
// it is sent once it is let go. Done on every platform: which locks Windows' mixer takes when it asks
// for input is not documented, and a thread that holds none of the EVR's locks and never waits inside
// the mixer with the presenter lock held cannot close such a cycle whatever they are; the flush
// epoch and the pull in flight keep the frames in order. The player's hold around the session's
// calls costs nothing on Windows, where those calls return at once.
#include "playcore/presenter/evr_presenter.h"

#include <mferror.h>

#include "platform/com/message_wait.h"
#include "playcore/presenter/wine_host.h"

namespace playcore {

using quill::com::ScopedLock;

EVRCustomPresenter::EventDeferral::EventDeferral(EVRCustomPresenter* presenter,
                                                 DeferredEvents* events)
    : presenter_(presenter), previous_(presenter->deferredEvents_) {
  presenter_->deferredEvents_ = events;
}

EVRCustomPresenter::EventDeferral::~EventDeferral() { presenter_->deferredEvents_ = previous_; }

void EVRCustomPresenter::SendDeferredEvents(DeferredEvents* deferred) {
  for (PendingEvent& event : deferred->events) {
    const LONG_PTR param1 =
        event.latency ? reinterpret_cast<LONG_PTR>(&event.latencyValue) : event.param1;
    if (deferred->sink) deferred->sink->Notify(event.code, param1, event.param2);
  }
  deferred->events.clear();
}

void EVRCustomPresenter::PullOutputUnlocked() {
  DeferredEvents deferred;
  for (bool more = true; more;) {
    OutputPull pull;
    pull.unlocked = true;
    {
      ScopedLock lock(lock_);
      EventDeferral defer(this, &deferred);
      // Another pull between its halves will find the notification and go on itself.
      if (pulling_ || pullHolds_ > 0 || IsShutdown()) break;
      // Input to pull, or a repaint that met a pull between its halves and was left to it.
      HRESULT hr = sampleNotify_ || repaint_ ? BeginOutput(&pull) : S_FALSE;
      if (hr != S_OK) {
        if (!sampleNotify_ || hr == MF_E_TRANSFORM_NEED_MORE_INPUT) CheckEndOfStream();
        more = false;
      } else {
        SetPulling(true);
      }
    }
    if (!more) break;
    MixOutput(&pull);
    bool renegotiate = false;
    {
      ScopedLock lock(lock_);
      EventDeferral defer(this, &deferred);
      SetPulling(false);
      const HRESULT hr = FinishOutput(&pull);
      renegotiate = hr == MF_E_TRANSFORM_TYPE_NOT_SET;
      // A repaint asked for while the mixer ran was left to this pull: it runs next, whatever this
      // pass answered.
      if (!renegotiate && !repaint_ && (hr != S_OK || !sampleNotify_)) {
        if (!sampleNotify_ || hr == MF_E_TRANSFORM_NEED_MORE_INPUT) CheckEndOfStream();
        more = false;
      }
    }
    SendDeferredEvents(&deferred);
    // The mixer lost its type: negotiated again with the presenter lock let go, as the pull itself.
    if (renegotiate) more = SUCCEEDED(RenegotiateUnlocked());
  }
  SendDeferredEvents(&deferred);
}

bool EVRCustomPresenter::BeginUnlockedPass(OutputPull* pull) {
  // A pull between its halves finds the repaint flag when it finishes and runs the repaint then.
  pull->unlocked = true;
  if (pulling_ || BeginOutput(pull) != S_OK) return false;
  SetPulling(true);
  return true;
}

void EVRCustomPresenter::FinishUnlockedPass(OutputPull* pull) {
  MixOutput(pull);
  DeferredEvents deferred;
  bool more = false;
  bool renegotiate = false;
  {
    ScopedLock lock(lock_);
    EventDeferral defer(this, &deferred);
    SetPulling(false);
    renegotiate = FinishOutput(pull) == MF_E_TRANSFORM_TYPE_NOT_SET;
    // Input notified while the mixer ran left its frames to this pass (it found it pulling), and so
    // did a repaint asked for meanwhile.
    more = (pull->notifies != inputNotifies_ && sampleNotify_) || repaint_;
  }
  SendDeferredEvents(&deferred);
  if (renegotiate) more = SUCCEEDED(RenegotiateUnlocked());
  if (more) PullOutputUnlocked();
}

void EVRCustomPresenter::SetPulling(bool pulling) {
  pulling_ = pulling;
  if (pulling) {
    ResetEvent(pullIdle_.get());
  } else {
    SetEvent(pullIdle_.get());
  }
}

void EVRCustomPresenter::HoldUnlockedPulls(bool hold) {
  bool wait = false;
  bool pending = false;
  {
    ScopedLock lock(lock_);
    // A count: the close holds for good, and a transport call on another thread that lets its own
    // hold go must not end the close's.
    if (hold) {
      ++pullHolds_;
    } else if (pullHolds_ > 0) {
      --pullHolds_;
    }
    wait = hold && pulling_;
    pending = pullHolds_ == 0 && (sampleNotify_ || repaint_);
  }
  // A pull between its halves finishes first (nothing holds the EVR's locks yet, so it can). Its
  // present may send the window's thread a message, and the holder may be that thread.
  if (wait) quill::com::WaitDispatchingSentMessages(pullIdle_.get(), kPullHoldWaitMs);
  // Input notified while held is pulled now.
  if (pending) PullOutputUnlocked();
}

HRESULT EVRCustomPresenter::ProcessInputNotify() {
  bool typed = false;
  {
    ScopedLock lock(lock_);
    if (IsShutdown()) return MF_E_SHUTDOWN;
    sampleNotify_ = true;
    ++inputNotifies_;
    typed = static_cast<bool>(mediaType_);
    // Windows' EVR asks for a new type (INVALIDATEMEDIATYPE) whenever the presenter has none to
    // give frames in, so input without a type is refused there. Wine's asks only once, before the
    // services are looked up again: there a presenter without a type negotiates now instead of
    // refusing every frame.
    if (!typed && !RunningOnWine()) return MF_E_TRANSFORM_TYPE_NOT_SET;
    if (typed) {
      singleFrame_ = true;
      hold_ = false;
    }
  }
  if (!typed) {
    // The mixer is asked with the presenter lock let go: this thread holds none of the EVR's.
    if (FAILED(RenegotiateUnlocked())) return MF_E_TRANSFORM_TYPE_NOT_SET;
    ScopedLock lock(lock_);
    if (IsShutdown()) return MF_E_SHUTDOWN;
    if (!mediaType_) return MF_E_TRANSFORM_TYPE_NOT_SET;
    singleFrame_ = true;
    hold_ = false;
  }
  PullOutputUnlocked();
  return S_OK;
}

}  // namespace playcore
