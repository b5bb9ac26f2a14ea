// The presenter object: construction, the device id, clock events, rate support, services.
#include "playcore/presenter/evr_presenter.h"

#include <mfapi.h>
#include <mferror.h>

#include "playcore/presenter/wine_host.h"

#include <cfloat>
#include <cmath>

namespace playcore {

using quill::com::ComPtr;
using quill::com::ScopedLock;

EVRCustomPresenter::EVRCustomPresenter()
    : sampleFreeCallback_(this, &EVRCustomPresenter::OnSampleFree) {
  HRESULT hr = S_OK;
  auto engine = std::make_unique<D3DPresentEngine>(&hr);
  engineResult_ = hr;
  // An engine whose set-up failed is not kept: the activation object reports the failure.
  if (SUCCEEDED(hr)) {
    engine_ = std::move(engine);
    scheduler_.SetCallback(engine_.get());
  }
}

EVRCustomPresenter::~EVRCustomPresenter() {
  // The scheduler thread presents through the engine: it stops before the engine goes.
  scheduler_.StopScheduler();
  ScopedLock lock(lock_);
  keptSample_.reset();
  eventSink_.reset();
  mediaType_.reset();
  mixer_.reset();
  clock_.reset();
  scheduler_.SetCallback(nullptr);
  engine_.reset();
  frameStepQueue_.Clear();
}

void EVRCustomPresenter::ReplaceEngine(std::unique_ptr<D3DPresentEngine> engine) {
  ScopedLock lock(lock_);
  engine_ = std::move(engine);
  engineResult_ = engine_ ? S_OK : E_POINTER;
  scheduler_.SetCallback(engine_.get());
}

LONG EVRCustomPresenter::renderState() {
  ScopedLock lock(lock_);
  return renderState_;
}

LONG EVRCustomPresenter::frameStepState() {
  ScopedLock lock(lock_);
  return frameStepState_;
}

void EVRCustomPresenter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  if (!eventSink_) return;
  if (deferredEvents_) {
    // The processing latency is passed by address: the value is kept until the event is sent.
    const bool latency = code == kEcProcessingLatency && param1 != 0;
    const LONGLONG value = latency ? *reinterpret_cast<const LONGLONG*>(param1) : 0;
    deferredEvents_->sink = eventSink_.Copy();
    deferredEvents_->events.push_back({code, param1, param2, latency, value});
    return;
  }
  eventSink_->Notify(code, param1, param2);
}

STDMETHODIMP EVRCustomPresenter::GetDeviceID(IID* pid) {
  if (!pid) return E_POINTER;
  *pid = __uuidof(IDirect3DDevice9);
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::OnClockStart(MFTIME, LONGLONG startOffset) {
  ScopedLock lock(lock_);
  if (IsShutdown()) return MF_E_SHUTDOWN;
  if (IsActive()) {
    renderState_ = kRenderStarted;
    // A start at a new position drops what was queued for the old one.
    if (startOffset != kPresentationCurrentPosition) Flush();
  } else {
    renderState_ = kRenderStarted;
    const HRESULT hr = StartFrameStep();
    if (FAILED(hr)) return hr;
  }
  if (seekMark_.load()) {
    singleFrame_ = true;
    hold_ = false;
    ProcessOutputLoop();
  }
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::OnClockStop(MFTIME) {
  ScopedLock lock(lock_);
  if (IsShutdown()) return MF_E_SHUTDOWN;
  if (renderState_ != kRenderStopped) {
    renderState_ = kRenderStopped;
    Flush();
    if (frameStepState_ != kStepIdle) CancelFrameStep();
  }
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::OnClockPause(MFTIME) {
  ScopedLock lock(lock_);
  if (IsShutdown()) return MF_E_SHUTDOWN;
  renderState_ = kRenderPaused;
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::OnClockRestart(MFTIME) {
  ScopedLock lock(lock_);
  if (IsShutdown()) return MF_E_SHUTDOWN;
  renderState_ = kRenderStarted;
  const HRESULT hr = StartFrameStep();
  if (FAILED(hr)) return hr;
  singleFrame_ = true;
  hold_ = false;
  ProcessOutputLoop();
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::OnClockSetRate(MFTIME, float rate) {
  ScopedLock lock(lock_);
  if (IsShutdown()) return MF_E_SHUTDOWN;
  if (rate_ == 0.0f && rate != 0.0f) {
    CancelFrameStep();
    ClearFrameStepQueue();
  }
  rate_ = rate;
  scheduler_.SetClockRate(rate);
  return S_OK;
}

float MaxPlaybackRate(BOOL thin, UINT32 num, UINT32 den, UINT refresh) {
  if (thin || num == 0 || den == 0 || refresh == 0) return FLT_MAX;
  return static_cast<float>(
      MulDiv(static_cast<int>(refresh), static_cast<int>(den), static_cast<int>(num)));
}

float EVRCustomPresenter::MaxRate(BOOL thin) {
  if (thin || !mediaType_ || !engine_) return FLT_MAX;
  UINT32 num = 0;
  UINT32 den = 0;
  if (FAILED(MFGetAttributeRatio(mediaType_.get(), MF_MT_FRAME_RATE, &num, &den))) return FLT_MAX;
  return MaxPlaybackRate(thin, num, den, engine_->refreshRate());
}

STDMETHODIMP EVRCustomPresenter::GetSlowestRate(MFRATE_DIRECTION, BOOL, float* rate) {
  ScopedLock lock(lock_);
  if (IsShutdown()) return MF_E_SHUTDOWN;  // never a success with nothing written
  if (!rate) return E_POINTER;
  *rate = 0.0f;
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::GetFastestRate(MFRATE_DIRECTION direction, BOOL thin,
                                                float* rate) {
  ScopedLock lock(lock_);
  if (IsShutdown()) return MF_E_SHUTDOWN;
  if (!rate) return E_POINTER;
  const float maxRate = MaxRate(thin);
  *rate = direction == MFRATE_REVERSE ? -maxRate : maxRate;
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::IsRateSupported(BOOL thin, float rate, float* nearest) {
  ScopedLock lock(lock_);
  if (IsShutdown()) return MF_E_SHUTDOWN;
  const float maxRate = MaxRate(thin);
  HRESULT hr = S_OK;
  float nearestRate = rate;
  if (std::fabs(rate) > maxRate) {
    hr = MF_E_UNSUPPORTED_RATE;
    nearestRate = rate < 0 ? -maxRate : maxRate;
  }
  if (nearest) *nearest = nearestRate;
  return hr;
}

STDMETHODIMP EVRCustomPresenter::GetService(REFGUID service, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  // Wine's EVR asks for the device manager through the acceleration service as well; Windows' asks
  // through the render service only, and elsewhere the presenter answers that one alone.
  const bool acceleration = IsEqualGUID(service, MR_VIDEO_ACCELERATION_SERVICE) && RunningOnWine();
  if (!IsEqualGUID(service, MR_VIDEO_RENDER_SERVICE) && !acceleration) return MF_E_UNSUPPORTED_SERVICE;
  if (engine_ && SUCCEEDED(engine_->GetService(riid, ppv))) return S_OK;
  return QueryInterface(riid, ppv);
}

HRESULT EVRCustomPresenter::SetMixerSourceRect(IMFTransform* mixer,
                                               const MFVideoNormalizedRect& rect) {
  ComPtr<IMFAttributes> attributes;
  HRESULT hr = mixer->GetAttributes(attributes.put());
  if (SUCCEEDED(hr)) {
    hr = attributes->SetBlob(VIDEO_ZOOM_RECT, reinterpret_cast<const UINT8*>(&rect), sizeof(rect));
  }
  return hr;
}

HRESULT EVRCustomPresenter::ConfigureMixer(IMFTransform* mixer) {
  ComPtr<IMFVideoDeviceID> deviceId;
  HRESULT hr = mixer->QueryInterface(__uuidof(IMFVideoDeviceID), deviceId.putVoid());
  IID id = IID_NULL;
  if (SUCCEEDED(hr)) hr = deviceId->GetDeviceID(&id);
  if (SUCCEEDED(hr) && !IsEqualIID(id, __uuidof(IDirect3DDevice9))) hr = MF_E_INVALIDREQUEST;
  if (SUCCEEDED(hr)) hr = SetMixerSourceRect(mixer, sourceRect_);
  return hr;
}

STDMETHODIMP EVRCustomPresenter::InitServicePointers(IMFTopologyServiceLookup* lookup) {
  if (!lookup) return E_POINTER;
  ScopedLock lock(lock_);
  if (IsActive()) return MF_E_INVALIDREQUEST;
  clock_.reset();
  mixer_.reset();
  eventSink_.reset();
  DWORD count = 1;
  // The clock may be missing (Wine's EVR has none the first time): frames are then shown at once.
  lookup->LookupService(MF_SERVICE_LOOKUP_GLOBAL, 0, MR_VIDEO_RENDER_SERVICE, __uuidof(IMFClock),
                        clock_.putVoid(), &count);
  count = 1;
  HRESULT hr = lookup->LookupService(MF_SERVICE_LOOKUP_GLOBAL, 0, MR_VIDEO_MIXER_SERVICE,
                                     __uuidof(IMFTransform), mixer_.putVoid(), &count);
  if (SUCCEEDED(hr)) hr = ConfigureMixer(mixer_.get());
  if (SUCCEEDED(hr)) {
    count = 1;
    hr = lookup->LookupService(MF_SERVICE_LOOKUP_GLOBAL, 0, MR_VIDEO_RENDER_SERVICE,
                               __uuidof(IMediaEventSink), eventSink_.putVoid(), &count);
  }
  if (SUCCEEDED(hr)) renderState_ = kRenderStopped;
  return hr;
}

STDMETHODIMP EVRCustomPresenter::ReleaseServicePointers() {
  ScopedLock lock(lock_);
  renderState_ = kRenderShutdown;
  Flush();
  mediaType_.reset();
  ReleaseResources();
  clock_.reset();
  mixer_.reset();
  eventSink_.reset();
  return S_OK;
}

}  // namespace playcore
