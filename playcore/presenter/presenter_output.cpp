// The output half of the presenter: pulling mixed frames into pooled samples and delivering them.
// Everything here runs under the presenter lock, except MixOutput (the mixer's call), which the
// unlocked pulls (presenter_pull.cpp) make with it let go.
#include "playcore/presenter/evr_presenter.h"

#include <mfapi.h>
#include <mferror.h>

namespace playcore {

using quill::com::ComPtr;

namespace {

// The counter attribute when a sample has none.
constexpr UINT32 kNoToken = 0xFFFFFFFFu;

}  // namespace

void EVRCustomPresenter::ProcessOutputLoop() {
  HRESULT hr = S_OK;
  while (sampleNotify_) {
    hr = ProcessOutput();
    if (hr != S_OK) break;
  }
  if (!sampleNotify_ || hr == MF_E_TRANSFORM_NEED_MORE_INPUT) CheckEndOfStream();
}

HRESULT EVRCustomPresenter::TakeOutputSample(bool repaint, ComPtr<IMFSample>* sample,
                                             bool* fromPool) {
  *fromPool = false;
  IMFSample* raw = nullptr;
  const HRESULT hr = pool_.GetSample(&raw);
  if (FAILED(hr)) return hr;
  if (raw) {
    *sample = ComPtr<IMFSample>(raw);
    *fromPool = true;
    keptSample_ = sample->Copy();
    return S_OK;
  }
  // No free sample: a repaint draws into the kept one again.
  if (!repaint || !keptSample_) return S_FALSE;
  *sample = keptSample_.Copy();
  return S_OK;
}

HRESULT EVRCustomPresenter::PrepareOutputSample(IMFSample* sample, bool repaint,
                                                LONGLONG* mixStart) {
  ComPtr<IMFDesiredSample> desired;
  HRESULT hr = sample->QueryInterface(__uuidof(IMFDesiredSample), desired.putVoid());
  if (FAILED(hr)) return hr;
  if (repaint) {
    // Wine's mixer wants a non-zero duration; the time is the last one the scheduler presented.
    desired->SetDesiredSampleTimeAndDuration(scheduler_.lastSampleTime(),
                                             scheduler_.frameDuration());
    repaint_ = false;
    return S_OK;
  }
  // Clear drops every attribute: the token and the swap chain are written back.
  const UINT32 token = MFGetAttributeUINT32(sample, kSampleCounterAttribute, kNoToken);
  ComPtr<IUnknown> swapChain;
  sample->GetUnknown(kSampleSwapChainAttribute, __uuidof(IUnknown), swapChain.putVoid());
  desired->Clear();
  hr = sample->SetUINT32(kSampleCounterAttribute, token);
  if (SUCCEEDED(hr) && swapChain) hr = sample->SetUnknown(kSampleSwapChainAttribute, swapChain.get());
  if (SUCCEEDED(hr) && clock_) {
    MFTIME systemTime = 0;
    clock_->GetCorrelatedTime(0, mixStart, &systemTime);
  }
  return hr;
}

HRESULT EVRCustomPresenter::ProcessOutput() {
  // An unlocked pull between its halves takes the frames: a second pull now would deliver out of order.
  if (pulling_) return S_FALSE;
  OutputPull pull;
  HRESULT hr = BeginOutput(&pull);
  if (hr != S_OK) return hr;
  MixOutput(&pull);
  return FinishOutput(&pull);
}

HRESULT EVRCustomPresenter::BeginOutput(OutputPull* pull) {
  pull->repaint = repaint_;
  if (renderState_ != kRenderStarted && !pull->repaint && prerolled_) return S_FALSE;
  if (!mixer_) return MF_E_INVALIDREQUEST;
  HRESULT hr = TakeOutputSample(pull->repaint, &pull->sample, &pull->fromPool);
  if (hr != S_OK) return hr;
  pull->mixer = mixer_.Copy();
  pull->notifies = inputNotifies_;
  pull->epoch = flushEpoch_;
  hr = PrepareOutputSample(pull->sample.get(), pull->repaint, &pull->mixStart);
  if (SUCCEEDED(hr)) {
    if (hold_) {
      hr = E_FAIL;  // the throttle: one frame per notification while the scheduler runs
    } else if (singleFrame_ && scheduler_.IsRunning()) {
      singleFrame_ = false;
      hold_ = true;
    }
  }
  pull->result = hr;
  return S_OK;
}

void EVRCustomPresenter::MixOutput(OutputPull* pull) {
  if (FAILED(pull->result)) return;
  MFT_OUTPUT_DATA_BUFFER buffer = {};
  buffer.dwStreamID = 0;
  buffer.pSample = pull->sample.get();
  DWORD status = 0;
  pull->result = pull->mixer->ProcessOutput(0, 1, &buffer, &status);
  if (buffer.pEvents) buffer.pEvents->Release();
}

HRESULT EVRCustomPresenter::FinishOutput(OutputPull* pull) {
  IMFSample* sample = pull->sample.get();
  HRESULT hr = pull->result;
  // A flush, stop or new set of samples while the mixer ran: the frame belongs to the old position.
  const bool stale = pull->epoch != flushEpoch_;
  if (FAILED(hr) || stale) {
    // Only a sample taken from the free list in this pass goes back to it: the kept sample a repaint
    // used may still be held elsewhere, and pooling it would hand one surface out twice. A sample of
    // an older set of samples is not pooled.
    if (pull->fromPool &&
        MFGetAttributeUINT32(sample, kSampleCounterAttribute, kNoToken) == tokenCounter_) {
      if (keptSample_.get() == sample) keptSample_.reset();
      pool_.ReturnSample(sample);
    }
    if (SUCCEEDED(hr)) return S_OK;  // stale: dropped, the loop goes on at the new position
    // A pull on a thread that holds none of the EVR's locks renegotiates once it let the presenter
    // lock go (RenegotiateUnlocked); the EVR's own threads do it here.
    if (hr == MF_E_TRANSFORM_TYPE_NOT_SET) return pull->unlocked ? hr : RenegotiateMediaType();
    if (hr == MF_E_TRANSFORM_STREAM_CHANGE) {
      mediaType_.reset();
      ReleaseResources();
    } else if (hr == MF_E_TRANSFORM_NEED_MORE_INPUT) {
      // An input notification that came while the mixer ran has input behind it.
      if (pull->notifies == inputNotifies_) sampleNotify_ = false;
    }
    return hr;
  }
  if (clock_ && !pull->repaint) {
    LONGLONG now = 0;
    MFTIME systemTime = 0;
    if (SUCCEEDED(clock_->GetCorrelatedTime(0, &now, &systemTime))) {
      LONGLONG latency = now - pull->mixStart;
      NotifyEvent(kEcProcessingLatency, reinterpret_cast<LONG_PTR>(&latency), 0);
    }
  }
  ComPtr<IMFTrackedSample> tracked;
  hr = sample->QueryInterface(__uuidof(IMFTrackedSample), tracked.putVoid());
  if (SUCCEEDED(hr)) hr = tracked->SetAllocator(&sampleFreeCallback_, nullptr);
  if (FAILED(hr)) return hr;
  if (frameStepState_ == kStepIdle || pull->repaint) {
    hr = DeliverSample(sample, pull->repaint);
  } else {
    hr = DeliverFrameStepSample(sample);
  }
  if (SUCCEEDED(hr)) prerolled_ = true;
  return hr;
}

HRESULT EVRCustomPresenter::HandleDeviceReset() {
  // Everything made on the old device goes: the samples (the EVR may still hold some; their old
  // token keeps them out of the pool) and the type, so that the next input renegotiates on the new
  // device. The renderer dropped its objects when the device was replaced.
  mediaType_.reset();
  ReleaseResources();
  NotifyEvent(kEcDisplayChanged, 0, 0);
  return S_OK;
}

HRESULT EVRCustomPresenter::DeliverSample(IMFSample* sample, bool repaint) {
  if (!engine_) return MF_E_NOT_INITIALIZED;
  const bool presentNow = renderState_ != kRenderStarted || rate_ == 0.0f || repaint;
  bool reset = false;
  HRESULT hr = engine_->CheckDevice(&reset);
  if (SUCCEEDED(hr) && reset) {
    // The sample belongs to the old device: it is not shown.
    return HandleDeviceReset();
  }
  if (SUCCEEDED(hr)) {
    if (!scheduler_.callback()) {
      hr = MF_E_NOT_INITIALIZED;
    } else if (scheduler_.hasThread() && !scheduler_.IsRunning()) {
      hr = E_FAIL;  // the scheduler thread ended on a failure
    } else if (presentNow || !clock_ || !scheduler_.hasThread()) {
      // Without a scheduler thread the frame is shown at once instead of failing the stream. Wine's
      // EVR sends the first input before streaming begins; and on every platform a frame can come
      // while no thread runs (a repaint of a stopped movie after the end of streaming, a new
      // position then): refusing it would raise an abort that ends the playback, for a frame that
      // no thread could present later.
      hr = engine_->PresentSample(sample, 0);
    } else {
      hr = scheduler_.ScheduleSample(sample);
    }
  }
  if (FAILED(hr)) NotifyEvent(kEcErrorAbort, hr, 0);
  return hr;
}

}  // namespace playcore
