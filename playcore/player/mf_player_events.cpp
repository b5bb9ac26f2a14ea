// CPlayer: the session's events.
#include "playcore/player/mf_player.h"

#include <mfapi.h>
#include <mferror.h>

#include <utility>

using namespace playcore;

namespace {

using SinkList = std::vector<quill::com::ComPtr<IMFMediaSink>>;

// The media sink behind a resolved output node: the node holds the sink's stream.
quill::com::ComPtr<IMFMediaSink> SinkOfOutputNode(IMFTopologyNode* node) {
  quill::com::ComPtr<IMFMediaSink> sink;
  MF_TOPOLOGY_TYPE type = MF_TOPOLOGY_MAX;
  quill::com::ComPtr<IUnknown> object;
  if (FAILED(node->GetNodeType(&type)) || type != MF_TOPOLOGY_OUTPUT_NODE) return sink;
  if (FAILED(node->GetObject(object.put())) || !object) return sink;
  quill::com::ComPtr<IMFStreamSink> stream;
  if (SUCCEEDED(object.As(&stream))) {
    stream->GetMediaSink(sink.put());
  } else {
    object.As(&sink);
  }
  return sink;
}

// The topology the status event reports on (the resolved one), or else the session's current one.
quill::com::ComPtr<IMFTopology> TopologyOfStatus(IMFMediaEvent* event, IMFMediaSession* session) {
  quill::com::ComPtr<IMFTopology> topology;
  PROPVARIANT value;
  PropVariantInit(&value);
  if (SUCCEEDED(event->GetValue(&value)) && value.vt == VT_UNKNOWN && value.punkVal) {
    value.punkVal->QueryInterface(__uuidof(IMFTopology), topology.putVoid());
  }
  PropVariantClear(&value);
  if (!topology) session->GetFullTopology(MFSESSION_GETFULLTOPOLOGY_CURRENT, 0, topology.put());
  return topology;
}

SinkList SinksOfTopology(IMFTopology* topology) {
  SinkList sinks;
  WORD count = 0;
  if (!topology || FAILED(topology->GetNodeCount(&count))) return sinks;
  for (WORD i = 0; i < count; ++i) {
    quill::com::ComPtr<IMFTopologyNode> node;
    if (FAILED(topology->GetNode(i, node.put()))) continue;
    quill::com::ComPtr<IMFMediaSink> sink = SinkOfOutputNode(node.get());
    if (sink) sinks.push_back(std::move(sink));
  }
  return sinks;
}

// The first of the sinks that offers the service. The renderers are asked directly: Wine's session
// answers these look-ups too, but each answer leaves a reference on every sink it walked, and an
// EVR that is never released keeps its presenter (thread, Direct3D device) to the end of the process.
// Done on every platform: the session answers these services by asking the same sinks of its
// topology in turn, and the EVR's and the audio renderer's media sinks answer them themselves
// (IMFGetService of the sink), so Windows gives the same interfaces either way.
HRESULT SinkService(const SinkList& sinks, REFGUID service, REFIID riid, void** out) {
  HRESULT hr = MF_E_UNSUPPORTED_SERVICE;
  for (const auto& sink : sinks) {
    hr = MFGetService(sink.get(), service, riid, out);
    if (SUCCEEDED(hr)) return hr;
  }
  return hr;
}

}  // namespace

void CPlayer::KeepMediaSinks(const std::vector<quill::com::ComPtr<IMFMediaSink>>& sinks) {
  for (const auto& sink : sinks) {
    // A topology made ready again (a restart of the session) names the same sinks once more.
    bool known = false;
    for (const auto& kept : mediaSinks_) known = known || kept.get() == sink.get();
    if (!known) mediaSinks_.push_back(sink.Copy());
  }
}

void CPlayer::ShutdownMediaSinks() {
  // After the session's own shut-down; a sink it did shut down answers MF_E_SHUTDOWN, which is fine.
  for (auto& sink : mediaSinks_) sink->Shutdown();
  mediaSinks_.clear();
}

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
      InterlockedCompareExchange(&rateThinned_, 0, 1) == 1) {
    quill::com::ComPtr<IMFRateControl> rateControl;
    RateInterfaces(&rateControl, nullptr);
    // The same rate, every frame decoded; its own report settles the change.
    if (rateControl && SUCCEEDED(rateControl->SetRate(FALSE, rateRequested_))) return S_OK;
    SetEvent(rateSettledEvent_.get());
    return S_OK;
  }
  if (type == MESessionRateChanged) SetEvent(rateSettledEvent_.get());
  if (FAILED(status)) {
    // Without a sound device the session refuses the whole topology: build it once more, without
    // the audio branch.
    if (type == MESessionTopologySet) RebuildWithoutAudio();
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

void CPlayer::RebuildWithoutAudio() {
  if (InterlockedCompareExchange(&audioRefused_, 1, 0) != 0) return;  // once per player
  {
    // Kept until the rebuilt topology is ready: Wine's session still uses the refused topology's
    // renderers while it takes the next one, and fails that one when they are already shut down.
    quill::com::ScopedLock hold(lock_);
    if (closing()) return;  // the close shuts them down
    refused_.sinks.swap(mediaSinks_);
    refused_.activates.swap(rendererActivates_);
    refused_.gates.swap(releaseGates_);
    refused_.presenterActivate = std::move(activate_);
    refused_.object = activateObject_;
    activateObject_ = nullptr;
  }
  SetTopologyFromSource();
}

void CPlayer::RefusedRenderers::Swap(RefusedRenderers& other) {
  sinks.swap(other.sinks);
  activates.swap(other.activates);
  gates.swap(other.gates);
  std::swap(presenterActivate, other.presenterActivate);
  std::swap(object, other.object);
}

void CPlayer::RefusedRenderers::Shutdown() {
  for (auto& gate : gates) gate->Close();
  for (auto& sink : sinks) sink->Shutdown();
  for (auto& activate : activates) activate->ShutdownObject();
  if (object) object->ShutdownObject();
  gates.clear();
  sinks.clear();
  activates.clear();
  object = nullptr;
  presenterActivate.reset();
}

HRESULT CPlayer::OnTopologySet(IMFMediaEvent*) {
  quill::com::ComPtr<IMFMediaSession> current = session();
  if (!current) return E_UNEXPECTED;
  // Asked for here, handed over under the lock: the instance's thread may be using the old ones.
  quill::com::ComPtr<IMFClock> clock;
  quill::com::ComPtr<IMFPresentationClock> presentationClock;
  quill::com::ComPtr<IMFRateControl> rateControl;
  quill::com::ComPtr<IMFRateSupport> rateSupport;
  HRESULT hr = current->GetClock(clock.put());
  if (SUCCEEDED(hr)) hr = clock.As(&presentationClock);
  if (SUCCEEDED(hr)) {
    hr = MFGetService(current.get(), MF_RATE_CONTROL_SERVICE, __uuidof(IMFRateControl),
                      rateControl.putVoid());
  }
  if (SUCCEEDED(hr)) {
    hr = MFGetService(current.get(), MF_RATE_CONTROL_SERVICE, __uuidof(IMFRateSupport),
                      rateSupport.putVoid());
  }
  quill::com::ScopedLock hold(clockLock_);
  // As before, a failure keeps what was obtained up to it.
  if (presentationClock) clock_ = std::move(presentationClock);
  if (rateControl) rateControl_ = std::move(rateControl);
  if (rateSupport) rateSupport_ = std::move(rateSupport);
  return hr;
}

HRESULT CPlayer::OnTopologyStatus(IMFMediaEvent* event) {
  UINT32 status = MF_TOPOSTATUS_INVALID;
  HRESULT hr = event->GetUINT32(MF_EVENT_TOPOLOGY_STATUS, &status);
  if (FAILED(hr) || status != MF_TOPOSTATUS_READY) return hr;
  quill::com::ComPtr<IMFMediaSession> current = session();
  if (!current) return E_UNEXPECTED;
  const SinkList sinks = SinksOfTopology(TopologyOfStatus(event, current.get()).get());
  RefusedRenderers refused;  // shut down once the lock is let go (declared before it)
  quill::com::ScopedLock hold(lock_);
  // A session thread that passed Invoke's check before the close began: the close has already let
  // the display control go, and must not find it again nor keep these sinks.
  if (closing()) return MF_E_SHUTDOWN;
  KeepMediaSinks(sinks);
  ReleaseTopologyInterfaces();
  hr = SinkService(sinks, MR_VIDEO_RENDER_SERVICE, __uuidof(IMFVideoDisplayControl),
                   displayControl_.putVoid());
  if (SUCCEEDED(hr)) {
    hr = SinkService(sinks, MR_VIDEO_MIXER_SERVICE, __uuidof(IMFVideoMixerBitmap),
                     mixerBitmap_.putVoid());
  }
  if (SUCCEEDED(hr)) {
    hr = SinkService(sinks, MR_VIDEO_MIXER_SERVICE, __uuidof(IMFVideoMixerControl),
                     mixerControl_.putVoid());
  }
  if (FAILED(hr)) return hr;
  refused.Swap(refused_);  // a rebuilt topology is ready: the refused one's renderers go
  SinkService(sinks, MR_STREAM_VOLUME_SERVICE, __uuidof(IMFAudioStreamVolume), audioVolume_.putVoid());
  // Only the first readiness of an open is news; a topology made ready again by a restart of the
  // session must not turn a playing player into a stopped one.
  if (InterlockedCompareExchange(&state_, kPlayerStopped, kPlayerOpenPending) == kPlayerOpenPending) {
    PostToWindow(kMsgPlayerReady);
    SetEvent(readyEvent_.get());
  }
  return S_OK;
}

HRESULT CPlayer::OnPresentationEnded(IMFMediaEvent*) {
  InterlockedExchange(&ended_, 1);
  InterlockedExchange(&state_, kPlayerStopped);
  Sleep(kEndMessageDelayMs);
  PostToWindow(kMsgPlayerEnded);
  return S_OK;
}

HRESULT CPlayer::OnSessionPaused(IMFMediaEvent*) {
  SetVolume(volume_);
  PostToWindow(kMsgPlayerPaused);
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
  const quill::com::ComPtr<IMFMediaSource> source = OpenSource();
  if (SUCCEEDED(hr) && current && source) {
    hr = BuildPlaybackTopology(source.get(), pd.get(), topology.put());
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

