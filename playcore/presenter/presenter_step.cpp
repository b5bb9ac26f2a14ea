// Frame stepping, samples coming back from the EVR, flushing, and the end of the stream.
// Everything here runs under the presenter lock.
#include "playcore/presenter/evr_presenter.h"

#include <mfapi.h>
#include <mferror.h>

namespace playcore {

using quill::com::ComPtr;
using quill::com::ScopedLock;

namespace {

constexpr UINT32 kNoToken = 0xFFFFFFFFu;

ComPtr<IUnknown> IdentityOf(IUnknown* object) {
  ComPtr<IUnknown> identity;
  if (object) object->QueryInterface(IID_IUnknown, identity.putVoid());
  return identity;
}

}  // namespace

HRESULT EVRCustomPresenter::DeliverFrameStepSample(IMFSample* sample) {
  if (rate_ == 0.0f && clock_) {
    // Scrubbing: a frame that ended before the clock's time is not worth showing.
    LONGLONG time = 0;
    LONGLONG duration = 0;
    LONGLONG now = 0;
    MFTIME systemTime = 0;
    if (SUCCEEDED(sample->GetSampleTime(&time)) && SUCCEEDED(sample->GetSampleDuration(&duration)) &&
        SUCCEEDED(clock_->GetCorrelatedTime(0, &now, &systemTime)) && time + duration < now) {
      return S_OK;
    }
  }
  if (frameStepState_ >= kStepDelivered) return frameStepQueue_.InsertBack(sample);
  if (frameStepCount_ > 0) {
    --frameStepCount_;
    if (frameStepCount_ > 0) return S_OK;  // dropped: not the frame stepped to
  }
  if (frameStepState_ == kStepRequested) return frameStepQueue_.InsertBack(sample);
  const HRESULT hr = DeliverSample(sample, false);
  if (SUCCEEDED(hr)) {
    ComPtr<IUnknown> identity = IdentityOf(sample);
    frameStepSample_ = identity.get();  // identity only: compared when the sample comes back
    frameStepState_ = kStepDelivered;
  }
  return hr;
}

HRESULT EVRCustomPresenter::StartFrameStep() {
  HRESULT hr = S_OK;
  if (frameStepState_ == kStepRequested) {
    frameStepState_ = kStepCounting;
    while (frameStepState_ == kStepCounting && !frameStepQueue_.IsEmpty()) {
      IMFSample* raw = nullptr;
      frameStepQueue_.RemoveFront(&raw);
      ComPtr<IMFSample> sample(raw);
      hr = DeliverFrameStepSample(sample.get());
      if (FAILED(hr)) break;
    }
  } else if (frameStepState_ == kStepIdle) {
    while (!frameStepQueue_.IsEmpty()) {
      IMFSample* raw = nullptr;
      frameStepQueue_.RemoveFront(&raw);
      ComPtr<IMFSample> sample(raw);
      hr = DeliverSample(sample.get(), false);
      if (FAILED(hr)) break;
    }
  }
  return hr;
}

HRESULT EVRCustomPresenter::OnSampleFree(IMFAsyncResult* result) {
  ComPtr<IUnknown> object;
  ComPtr<IMFSample> sample;
  HRESULT hr = result ? result->GetObject(object.put()) : E_POINTER;
  if (SUCCEEDED(hr)) hr = object.As(&sample);
  // The state is changed under the presenter lock (the step state is shared with the EVR's threads);
  // the events go out and the next frames are pulled after it is let go (see PullOutputUnlocked).
  DeferredEvents deferred;
  bool pull = false;
  {
    ScopedLock lock(lock_);
    EventDeferral defer(this, &deferred);
    hr = ReturnFreedSample(hr, sample.get(), &pull);
  }
  SendDeferredEvents(&deferred);
  if (pull) PullOutputUnlocked();
  return hr;
}

HRESULT EVRCustomPresenter::ReturnFreedSample(HRESULT hr, IMFSample* freed, bool* pull) {
  ComPtr<IMFSample> sample = ComPtr<IMFSample>::Borrow(freed);
  if (SUCCEEDED(hr) && frameStepState_ == kStepDelivered &&
      IdentityOf(sample.get()).get() == frameStepSample_) {
    frameStepState_ = kStepDone;
    frameStepSample_ = nullptr;
    NotifyEvent(kEcStepComplete, FALSE, 0);
    if (rate_ == 0.0f) {
      LONGLONG time = 0;
      MFTIME systemTime = 0;
      if (FAILED(sample->GetSampleTime(&time)) && clock_) {
        clock_->GetCorrelatedTime(0, &time, &systemTime);
      }
      NotifyEvent(kEcScrubTime, static_cast<LONG_PTR>(static_cast<ULONGLONG>(time) & 0xFFFFFFFFu),
                  static_cast<LONG_PTR>(static_cast<ULONGLONG>(time) >> 32));
    }
  }
  if (SUCCEEDED(hr) &&
      MFGetAttributeUINT32(sample.get(), kSampleCounterAttribute, kNoToken) == tokenCounter_) {
    hr = pool_.ReturnSample(sample.get());
    if (SUCCEEDED(hr)) {
      if (seekMark_.load()) {
        singleFrame_ = true;
        hold_ = false;
        *pull = true;
      }
      // The last sample back may be what the end of the stream waited for.
      CheckEndOfStream();
    }
  }
  if (FAILED(hr)) NotifyEvent(kEcErrorAbort, hr, 0);
  return hr;
}

HRESULT EVRCustomPresenter::Flush() {
  prerolled_ = false;
  ++flushEpoch_;  // a pull between its halves drops its frame
  // Stopped: the window shows an empty frame, presented by the scheduler's thread. Without that
  // thread nothing is presented: this thread may hold the renderer's lock, and a present can wait
  // for the window's thread.
  const bool blank = renderState_ == kRenderStopped && engine_;
  scheduler_.Flush(blank);
  ClearFrameStepQueue();
  return S_OK;
}

void EVRCustomPresenter::ClearFrameStepQueue() { frameStepQueue_.Clear(); }

void EVRCustomPresenter::CheckEndOfStream() {
  if (!endStreaming_ || sampleNotify_) return;
  if (pool_.AreSamplesPending()) {
    // The kept sample (for repaints) would never come back while it is kept: it is let go so that
    // its return can complete the stream.
    keptSample_.reset();
    return;
  }
  NotifyEvent(kEcComplete, S_OK, 0);
  endStreaming_ = false;
}

void EVRCustomPresenter::ReleaseResources() {
  // Samples still held by the EVR carry the old token and are not pooled when they come back.
  ++tokenCounter_;
  keptSample_.reset();
  Flush();
  pool_.Clear();
  if (engine_) engine_->ReleaseResources();
}

}  // namespace playcore
