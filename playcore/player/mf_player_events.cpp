// CPlayer: the session's events.
#include "playcore/player/mf_player.h"

#include <mfapi.h>
#include <mferror.h>

using namespace playcore;

STDMETHODIMP CPlayer::Invoke(IMFAsyncResult* result) {
  quill::com::ComPtr<IMFMediaSession> current = session();
  if (!current) return S_OK;
  quill::com::ComPtr<IMFMediaEvent> event;
  MediaEventType type = MEUnknown;
  HRESULT hr = current->EndGetEvent(result, event.put());
  if (SUCCEEDED(hr)) hr = event->GetType(&type);
  if (FAILED(hr)) return S_OK;
  if (type == MESessionClosed) {
    SetEvent(closeEvent_.get());
  } else if (FAILED(current->BeginGetEvent(this, nullptr))) {
    return S_OK;
  }
  if (state_ == kPlayerClosing) return S_OK;
  HRESULT status = S_OK;
  event->GetStatus(&status);
  if (FAILED(status) && type == MESessionRateChanged &&
      InterlockedCompareExchange(&rateThinned_, 0, 1) == 1 && rateControl_) {
    rateControl_->SetRate(FALSE, rateRequested_);  // the same rate, every frame decoded
    return S_OK;
  }
  if (FAILED(status)) {
    // Without a sound device the session refuses the whole topology: build it once more, without
    // the audio branch.
    if (type == MESessionTopologySet && InterlockedCompareExchange(&audioRefused_, 1, 0) == 0) {
      SetTopologyFromSource();
    }
    return S_OK;
  }
  switch (type) {
    case MESessionTopologySet: OnTopologySet(event.get()); break;
    case MESessionPaused: OnSessionPaused(event.get()); break;
    case MESessionStopped: OnSessionStopped(event.get()); break;
    case MESessionTopologyStatus: OnTopologyStatus(event.get()); break;
    case MENewPresentation: OnNewPresentation(event.get()); break;
    case MEEndOfPresentation: OnPresentationEnded(event.get()); break;
    default: OnSessionEvent(event.get(), type); break;
  }
  return S_OK;
}

HRESULT CPlayer::OnTopologySet(IMFMediaEvent*) {
  quill::com::ComPtr<IMFMediaSession> current = session();
  if (!current) return E_UNEXPECTED;
  quill::com::ComPtr<IMFClock> clock;
  HRESULT hr = current->GetClock(clock.put());
  if (SUCCEEDED(hr)) hr = clock.As(&clock_);
  if (SUCCEEDED(hr)) {
    hr = MFGetService(current.get(), MF_RATE_CONTROL_SERVICE, __uuidof(IMFRateControl),
                      rateControl_.putVoid());
  }
  if (SUCCEEDED(hr)) {
    hr = MFGetService(current.get(), MF_RATE_CONTROL_SERVICE, __uuidof(IMFRateSupport),
                      rateSupport_.putVoid());
  }
  return hr;
}

HRESULT CPlayer::OnTopologyStatus(IMFMediaEvent* event) {
  UINT32 status = MF_TOPOSTATUS_INVALID;
  HRESULT hr = event->GetUINT32(MF_EVENT_TOPOLOGY_STATUS, &status);
  if (FAILED(hr) || status != MF_TOPOSTATUS_READY) return hr;
  quill::com::ComPtr<IMFMediaSession> current = session();
  if (!current) return E_UNEXPECTED;
  quill::com::ScopedLock hold(lock_);
  ReleaseTopologyInterfaces();
  hr = MFGetService(current.get(), MR_VIDEO_RENDER_SERVICE, __uuidof(IMFVideoDisplayControl),
                    displayControl_.putVoid());
  if (SUCCEEDED(hr)) {
    hr = MFGetService(current.get(), MR_VIDEO_MIXER_SERVICE, __uuidof(IMFVideoMixerBitmap),
                      mixerBitmap_.putVoid());
  }
  if (SUCCEEDED(hr)) {
    hr = MFGetService(current.get(), MR_VIDEO_MIXER_SERVICE, __uuidof(IMFVideoMixerControl),
                      mixerControl_.putVoid());
  }
  if (FAILED(hr)) return hr;
  MFGetService(current.get(), MR_STREAM_VOLUME_SERVICE, __uuidof(IMFAudioStreamVolume),
               audioVolume_.putVoid());
  // Only the first readiness of an open is news; a topology made ready again by a restart of the
  // session must not turn a playing player into a stopped one.
  if (InterlockedCompareExchange(&state_, kPlayerStopped, kPlayerOpenPending) == kPlayerOpenPending) {
    PostMessageW(eventWindow_, kMsgPlayerReady, 0, 0);
  }
  return S_OK;
}

HRESULT CPlayer::OnPresentationEnded(IMFMediaEvent*) {
  InterlockedExchange(&state_, kPlayerStopped);
  Sleep(kEndMessageDelayMs);
  PostMessageW(eventWindow_, kMsgPlayerEnded, 0, 0);
  return S_OK;
}

HRESULT CPlayer::OnSessionPaused(IMFMediaEvent*) {
  SetVolume(volume_);
  PostMessageW(eventWindow_, kMsgPlayerPaused, 0, 0);
  return S_OK;
}

HRESULT CPlayer::OnNewPresentation(IMFMediaEvent* event) {
  PROPVARIANT value;
  PropVariantInit(&value);
  quill::com::ComPtr<IMFPresentationDescriptor> pd;
  HRESULT hr = event->GetValue(&value);
  if (SUCCEEDED(hr)) hr = value.vt == VT_UNKNOWN && value.punkVal ? S_OK : E_INVALIDARG;
  if (SUCCEEDED(hr)) {
    hr = value.punkVal->QueryInterface(__uuidof(IMFPresentationDescriptor), pd.putVoid());
  }
  PropVariantClear(&value);
  quill::com::ComPtr<IMFTopology> topology;
  quill::com::ComPtr<IMFMediaSession> current = session();
  if (SUCCEEDED(hr) && current && source_) {
    hr = BuildPlaybackTopology(source_.get(), pd.get(), topology.put());
    if (SUCCEEDED(hr)) hr = current->SetTopology(0, topology.get());
    if (SUCCEEDED(hr)) InterlockedExchange(&state_, kPlayerOpenPending);
  }
  return S_OK;
}

HRESULT CPlayer::OnSessionStopped(IMFMediaEvent*) {
  SetEvent(stoppedEvent_.get());
  return S_OK;
}

HRESULT CPlayer::OnSessionEvent(IMFMediaEvent*, MediaEventType) { return S_OK; }

