// Pulling frames on threads that hold the presenter lock but not the EVR's: the sample-free callback
// and the mixer's input notification. The EVR's clock events come in holding its renderer lock and
// then wait for the presenter lock, while the mixer, asked for a frame, takes the renderer lock to ask
// for more input: a pull that held the presenter lock across the mixer call deadlocked against a
// stop. Here the mixer is called between two holds of the presenter lock, and every event raised under
// it is sent once it is let go.
#include "playcore/presenter/evr_presenter.h"

#include <mferror.h>

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
    {
      ScopedLock lock(lock_);
      EventDeferral defer(this, &deferred);
      // Another pull between its halves will find the notification and go on itself.
      if (pulling_ || pullHolds_ > 0 || IsShutdown()) break;
      HRESULT hr = sampleNotify_ ? BeginOutput(&pull) : S_FALSE;
      if (hr != S_OK) {
        if (!sampleNotify_ || hr == MF_E_TRANSFORM_NEED_MORE_INPUT) CheckEndOfStream();
        more = false;
      } else {
        SetPulling(true);
      }
    }
    if (!more) break;
    MixOutput(&pull);
    {
      ScopedLock lock(lock_);
      EventDeferral defer(this, &deferred);
      SetPulling(false);
      const HRESULT hr = FinishOutput(&pull);
      if (hr != S_OK || !sampleNotify_) {
        if (!sampleNotify_ || hr == MF_E_TRANSFORM_NEED_MORE_INPUT) CheckEndOfStream();
        more = false;
      }
    }
    SendDeferredEvents(&deferred);
  }
  SendDeferredEvents(&deferred);
}

bool EVRCustomPresenter::BeginUnlockedPass(OutputPull* pull) {
  // A pull between its halves takes the repaint flag with it on its next turn.
  if (pulling_ || BeginOutput(pull) != S_OK) return false;
  SetPulling(true);
  return true;
}

void EVRCustomPresenter::FinishUnlockedPass(OutputPull* pull) {
  MixOutput(pull);
  DeferredEvents deferred;
  bool more = false;
  {
    ScopedLock lock(lock_);
    EventDeferral defer(this, &deferred);
    SetPulling(false);
    FinishOutput(pull);
    // Input notified while the mixer ran left its frames to this pass (it found it pulling).
    more = pull->notifies != inputNotifies_ && sampleNotify_;
  }
  SendDeferredEvents(&deferred);
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
    // Holds nest (a close's for good, a rate change's let go by a session report): the pulls go on
    // once every hold was let go.
    if (hold) {
      ++pullHolds_;
    } else if (pullHolds_ > 0) {
      --pullHolds_;
    }
    wait = hold && pulling_;
    pending = pullHolds_ == 0 && sampleNotify_;
  }
  // A pull between its halves finishes first (nothing holds the EVR's locks yet, so it can).
  if (wait) WaitForSingleObject(pullIdle_.get(), kPullHoldWaitMs);
  // Input notified while held is pulled now.
  if (pending) PullOutputUnlocked();
}

HRESULT EVRCustomPresenter::ProcessInputNotify() {
  {
    ScopedLock lock(lock_);
    if (IsShutdown()) return MF_E_SHUTDOWN;
    sampleNotify_ = true;
    ++inputNotifies_;
    // Wine's EVR asks for the type only once, before the services are looked up again: a presenter
    // without a type negotiates now instead of refusing every frame.
    if (!mediaType_ && FAILED(RenegotiateMediaType())) return MF_E_TRANSFORM_TYPE_NOT_SET;
    if (!mediaType_) return MF_E_TRANSFORM_TYPE_NOT_SET;
    singleFrame_ = true;
    hold_ = false;
  }
  PullOutputUnlocked();
  return S_OK;
}

}  // namespace playcore
