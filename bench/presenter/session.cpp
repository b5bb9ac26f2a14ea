// The benchmark's session: source, topology with the EVR and the program's presenter, transport,
// events.
#include "bench/presenter/session.h"

#include <evr.h>
#include <mfapi.h>
#include <mferror.h>

#include "playcore/player/stream_sink_guard.h"
#include "playcore/presenter/wine_host.h"

namespace playcore::test {

SessionPlayer::~SessionPlayer() { Close(); }

HRESULT SessionPlayer::WaitFor(MediaEventType type, DWORD timeoutMs, HRESULT* status) {
  const DWORD start = GetTickCount();
  for (;;) {
    ComPtr<IMFMediaEvent> event;
    const HRESULT hr = session_->GetEvent(MF_EVENT_FLAG_NO_WAIT, event.put());
    if (SUCCEEDED(hr)) {
      MediaEventType got = MEUnknown;
      event->GetType(&got);
      HRESULT eventStatus = S_OK;
      event->GetStatus(&eventStatus);
      if (got == MEError) return eventStatus;
      if (got == type) {
        if (status) *status = eventStatus;
        return S_OK;
      }
    } else if (hr != MF_E_NO_EVENTS_AVAILABLE) {
      return hr;
    } else {
      if (GetTickCount() - start > timeoutMs) return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
      Sleep(2);
    }
  }
}

HRESULT SessionPlayer::PickVideoType(IMFStreamDescriptor* stream) {
  // Wine's mixer takes neither I420 nor YV12 and no converter is inserted: NV12 or YUY2 it is.
  ComPtr<IMFMediaTypeHandler> handler;
  HRESULT hr = stream->GetMediaTypeHandler(handler.put());
  DWORD count = 0;
  if (SUCCEEDED(hr)) hr = handler->GetMediaTypeCount(&count);
  for (DWORD i = 0; SUCCEEDED(hr) && i < count; ++i) {
    ComPtr<IMFMediaType> type;
    GUID subtype = GUID_NULL;
    if (FAILED(handler->GetMediaTypeByIndex(i, type.put()))) continue;
    type->GetGUID(MF_MT_SUBTYPE, &subtype);
    if (IsEqualGUID(subtype, MFVideoFormat_NV12) || IsEqualGUID(subtype, MFVideoFormat_YUY2)) {
      return handler->SetCurrentMediaType(type.get());
    }
  }
  return S_OK;  // a source that offers neither keeps its own type (Windows inserts a decoder)
}

HRESULT SessionPlayer::BuildTopology(IMFPresentationDescriptor* pd, IMFTopology** topology) {
  ComPtr<IMFTopology> topo;
  HRESULT hr = MFCreateTopology(topo.put());
  DWORD streams = 0;
  if (SUCCEEDED(hr)) hr = pd->GetStreamDescriptorCount(&streams);
  bool haveVideo = false;
  for (DWORD i = 0; SUCCEEDED(hr) && i < streams; ++i) {
    BOOL selected = FALSE;
    ComPtr<IMFStreamDescriptor> sd;
    hr = pd->GetStreamDescriptorByIndex(i, &selected, sd.put());
    if (FAILED(hr)) break;
    ComPtr<IMFMediaTypeHandler> handler;
    GUID major = GUID_NULL;
    hr = sd->GetMediaTypeHandler(handler.put());
    if (SUCCEEDED(hr)) hr = handler->GetMajorType(&major);
    if (FAILED(hr)) break;
    if (haveVideo || !IsEqualGUID(major, MFMediaType_Video)) {
      pd->DeselectStream(i);  // only the picture is under test
      continue;
    }
    pd->SelectStream(i);
    haveVideo = true;
    hr = PickVideoType(sd.get());
    ComPtr<IMFTopologyNode> sourceNode;
    ComPtr<IMFTopologyNode> outputNode;
    ComPtr<IMFStreamSink> streamSink;
    if (SUCCEEDED(hr)) hr = MFCreateTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, sourceNode.put());
    if (SUCCEEDED(hr)) hr = sourceNode->SetUnknown(MF_TOPONODE_SOURCE, source_.get());
    if (SUCCEEDED(hr)) hr = sourceNode->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, pd);
    if (SUCCEEDED(hr)) hr = sourceNode->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, sd.get());
    if (SUCCEEDED(hr)) hr = topo->AddNode(sourceNode.get());
    if (SUCCEEDED(hr)) hr = sink_->GetStreamSinkByIndex(0, streamSink.put());
    // As the player does: under Wine the session must not get the renderer's sample allocator.
    if (SUCCEEDED(hr) && RunningOnWine()) {
      ComPtr<IMFStreamSink> guarded;
      hr = CreateStreamSinkGuard(streamSink.get(), releaseGate_, guarded.put());
      if (SUCCEEDED(hr)) streamSink = std::move(guarded);
    }
    if (SUCCEEDED(hr)) hr = MFCreateTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, outputNode.put());
    if (SUCCEEDED(hr)) hr = outputNode->SetObject(streamSink.get());
    if (SUCCEEDED(hr)) hr = topo->AddNode(outputNode.get());
    if (SUCCEEDED(hr)) hr = sourceNode->ConnectOutput(0, outputNode.get(), 0);
  }
  if (SUCCEEDED(hr) && !haveVideo) hr = MF_E_INVALIDSTREAMNUMBER;
  if (SUCCEEDED(hr)) *topology = topo.detach();
  return hr;
}

HRESULT SessionPlayer::Open(const std::wstring& path, HWND window, ProbeRenderer* renderer,
                            int viewMode) {
  HRESULT hr = quill::com::CComObject<EVRCustomPresenter>::CreateInstance(&presenter_);
  if (FAILED(hr)) return hr;
  presenter_->AddRef();
  if (!presenter_->engine()) return presenter_->engineResult();
  presenter_->engine()->SetRenderer(std::unique_ptr<FrameRenderer>(renderer));
  presenter_->engine()->SetViewMode(viewMode);
  hr = presenter_->SetVideoWindow(window);
  RECT client = {};
  GetClientRect(window, &client);
  if (SUCCEEDED(hr)) hr = presenter_->SetVideoPosition(nullptr, &client);
  ComPtr<IMFVideoRenderer> videoRenderer;
  if (SUCCEEDED(hr)) hr = MFCreateVideoRenderer(__uuidof(IMFMediaSink), sink_.putVoid());
  if (SUCCEEDED(hr)) hr = sink_.As(&videoRenderer);
  if (SUCCEEDED(hr)) {
    hr = videoRenderer->InitializeRenderer(nullptr, static_cast<IMFVideoPresenter*>(presenter_));
  }
  ComPtr<IMFSourceResolver> resolver;
  ComPtr<IUnknown> object;
  MF_OBJECT_TYPE objectType = MF_OBJECT_INVALID;
  if (SUCCEEDED(hr)) hr = MFCreateSourceResolver(resolver.put());
  if (SUCCEEDED(hr)) {
    hr = resolver->CreateObjectFromURL(path.c_str(), MF_RESOLUTION_MEDIASOURCE, nullptr,
                                       &objectType, object.put());
  }
  if (SUCCEEDED(hr)) hr = object.As(&source_);
  ComPtr<IMFPresentationDescriptor> pd;
  ComPtr<IMFTopology> topology;
  if (SUCCEEDED(hr)) hr = source_->CreatePresentationDescriptor(pd.put());
  if (SUCCEEDED(hr)) duration_ = static_cast<LONGLONG>(MFGetAttributeUINT64(pd.get(), MF_PD_DURATION, 0));
  if (SUCCEEDED(hr)) hr = BuildTopology(pd.get(), topology.put());
  if (SUCCEEDED(hr)) hr = MFCreateMediaSession(nullptr, session_.put());
  if (SUCCEEDED(hr)) hr = session_->SetTopology(0, topology.get());
  HRESULT status = S_OK;
  if (SUCCEEDED(hr)) hr = WaitFor(MESessionTopologySet, 10000, &status);
  if (SUCCEEDED(hr)) hr = status;
  ComPtr<IMFClock> clock;
  if (SUCCEEDED(hr)) hr = session_->GetClock(clock.put());
  if (SUCCEEDED(hr)) hr = clock.As(&clock_);
  return hr;
}

HRESULT SessionPlayer::SetRate(float rate) {
  ComPtr<IMFRateControl> control;
  HRESULT hr = MFGetService(session_.get(), MF_RATE_CONTROL_SERVICE, __uuidof(IMFRateControl),
                            control.putVoid());
  if (SUCCEEDED(hr)) hr = control->SetRate(FALSE, rate);
  if (SUCCEEDED(hr)) hr = WaitFor(MESessionRateChanged, 5000, nullptr);
  return hr;
}

HRESULT SessionPlayer::Start(LONGLONG position, DWORD timeoutMs) {
  PROPVARIANT start;
  PropVariantInit(&start);
  if (position >= 0) {
    start.vt = VT_I8;
    start.hVal.QuadPart = position;
  }
  HRESULT hr = session_->Start(&GUID_NULL, &start);
  HRESULT status = S_OK;
  if (SUCCEEDED(hr)) hr = WaitFor(MESessionStarted, timeoutMs, &status);
  return SUCCEEDED(hr) ? status : hr;
}

HRESULT SessionPlayer::Stop(DWORD timeoutMs) {
  HRESULT hr = session_->Stop();
  if (SUCCEEDED(hr)) hr = WaitFor(MESessionStopped, timeoutMs, nullptr);
  return hr;
}

HRESULT SessionPlayer::WaitForEnd(DWORD timeoutMs) { return WaitFor(MESessionEnded, timeoutMs, nullptr); }

HRESULT SessionPlayer::Close() {
  if (session_) {
    releaseGate_->open.store(false);
    if (SUCCEEDED(session_->Close())) WaitFor(MESessionClosed, 5000, nullptr);
  }
  if (source_) source_->Shutdown();
  if (session_) session_->Shutdown();
  if (sink_) sink_->Shutdown();
  clock_.reset();
  source_.reset();
  session_.reset();
  sink_.reset();
  if (presenter_) {
    presenter_->Release();
    presenter_ = nullptr;
  }
  return S_OK;
}

}  // namespace playcore::test
