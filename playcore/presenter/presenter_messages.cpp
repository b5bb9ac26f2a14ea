// The EVR's messages to the presenter, and the current media type.
#include "playcore/presenter/evr_presenter.h"

#include <mferror.h>

namespace playcore {

using quill::com::ScopedLock;

STDMETHODIMP EVRCustomPresenter::ProcessMessage(MFVP_MESSAGE_TYPE message, ULONG_PTR param) {
  // The mixer's thread holds none of the EVR's locks: the pull must not hold ours across the mixer.
  if (message == MFVP_MESSAGE_PROCESSINPUTNOTIFY) return ProcessInputNotify();
  ScopedLock lock(lock_);
  if (IsShutdown()) return MF_E_SHUTDOWN;
  switch (message) {
    case MFVP_MESSAGE_FLUSH:
      Flush();
      return S_OK;
    case MFVP_MESSAGE_INVALIDATEMEDIATYPE:
      return RenegotiateMediaType();
    case MFVP_MESSAGE_BEGINSTREAMING:
      return scheduler_.StartScheduler(clock_.get());
    case MFVP_MESSAGE_ENDSTREAMING:
      scheduler_.StopScheduler();
      return S_OK;
    case MFVP_MESSAGE_ENDOFSTREAM:
      endStreaming_ = true;
      CheckEndOfStream();
      return S_OK;
    case MFVP_MESSAGE_STEP:
      frameStepCount_ += static_cast<DWORD>(param);
      frameStepState_ = kStepRequested;
      if (renderState_ == kRenderStarted) return StartFrameStep();
      return S_OK;
    case MFVP_MESSAGE_CANCELSTEP:
      CancelFrameStep();
      return S_OK;
    default:
      return E_INVALIDARG;
  }
}

void EVRCustomPresenter::CancelFrameStep() {
  const LONG old = frameStepState_;
  frameStepState_ = kStepIdle;
  frameStepCount_ = 0;
  frameStepSample_ = nullptr;
  if (old == kStepRequested || old == kStepCounting || old == kStepDelivered) {
    NotifyEvent(kEcStepComplete, TRUE, 0);
  }
}

STDMETHODIMP EVRCustomPresenter::GetCurrentMediaType(IMFVideoMediaType** type) {
  if (!type) return E_POINTER;
  *type = nullptr;
  ScopedLock lock(lock_);
  if (IsShutdown()) return MF_E_SHUTDOWN;
  if (!mediaType_) return MF_E_NOT_INITIALIZED;
  return mediaType_->QueryInterface(__uuidof(IMFVideoMediaType), reinterpret_cast<void**>(type));
}

}  // namespace playcore
