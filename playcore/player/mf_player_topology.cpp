// CPlayer: opening a file and building the playback topology.
#include "playcore/player/mf_player.h"
#include "playcore/player/source_shutdown.h"
#include "playcore/player/stream_sink_guard.h"
#include "playcore/presenter/wine_host.h"

#include <mfapi.h>
#include <mferror.h>

using namespace playcore;

namespace {

// Wine's MP4 source hands out decoded frames and the mixer refuses its default I420; when the stream
// offers a type the mixer takes, it is chosen. A source that offers only compressed video (Windows)
// keeps its type, and the topology loader inserts the decoder.
HRESULT PickMixerFriendlyType(IMFMediaTypeHandler* handler) {
  static const GUID* const kPreferred[] = {&MFVideoFormat_NV12, &MFVideoFormat_YUY2};
  DWORD count = 0;
  HRESULT hr = handler->GetMediaTypeCount(&count);
  if (FAILED(hr)) return hr;
  for (const GUID* wanted : kPreferred) {
    for (DWORD i = 0; i < count; ++i) {
      quill::com::ComPtr<IMFMediaType> type;
      GUID subtype = GUID_NULL;
      if (FAILED(handler->GetMediaTypeByIndex(i, type.put()))) continue;
      if (FAILED(type->GetGUID(MF_MT_SUBTYPE, &subtype))) continue;
      if (IsEqualGUID(subtype, *wanted)) return handler->SetCurrentMediaType(type.get());
    }
  }
  return S_OK;
}

}  // namespace

HRESULT playcore::ResolveMediaSource(const wchar_t* url, IMFMediaSource** source) {
  *source = nullptr;
  if (!url) return E_POINTER;
  quill::com::ComPtr<IMFSourceResolver> resolver;
  quill::com::ComPtr<IUnknown> object;
  MF_OBJECT_TYPE objectType = MF_OBJECT_INVALID;
  HRESULT hr = MFCreateSourceResolver(resolver.put());
  if (SUCCEEDED(hr)) {
    hr = resolver->CreateObjectFromURL(url, MF_RESOLUTION_MEDIASOURCE, nullptr, &objectType,
                                       object.put());
  }
  if (SUCCEEDED(hr)) hr = object->QueryInterface(__uuidof(IMFMediaSource), reinterpret_cast<void**>(source));
  return hr;
}

BOOL CPlayer::OpenURL(const wchar_t* url, IMFMediaSource* prepared) {
  // A source resolved ahead is this open's from here: shut down unless the player took it.
  struct PreparedGuard {
    IMFMediaSource* source;
    DWORD boundMs;
    ~PreparedGuard() { playcore::ShutdownSourceWithin(source, boundMs); }
  } guard{prepared, sourceShutdownBoundMs_};
  HRESULT hr = Shutdown();
  if (FAILED(hr)) return FALSE;
  ResetEvent(readyEvent_.get());
  InterlockedExchange(&ended_, 0);
  quill::com::ComPtr<IMFMediaSession> created;
  hr = MFCreateMediaSession(nullptr, created.put());
  if (SUCCEEDED(hr)) {
    quill::com::ScopedLock hold(sessionLock_);
    session_ = created.Copy();
  }
  if (SUCCEEDED(hr)) hr = created->BeginGetEvent(this, nullptr);
  if (SUCCEEDED(hr)) InterlockedExchange(&state_, kPlayerReady);
  if (SUCCEEDED(hr)) hr = url ? ResolveSource(url, prepared) : E_POINTER;
  if (SUCCEEDED(hr)) guard.source = nullptr;
  if (FAILED(hr)) {
    // The session's pending event request holds this player: close it so that both can go.
    Shutdown();
    return FALSE;
  }
  // OpenPending before the topology goes to the session: its readiness may be reported on a session
  // thread before SetTopology even returns, and must find the open pending.
  InterlockedExchange(&state_, kPlayerOpenPending);
  if (FAILED(SetTopologyFromSource())) {
    // Nothing of the file can be shown (no video branch could be built): an open that could never
    // become ready is a failed open, not a pending one.
    Shutdown();
    return FALSE;
  }
  return TRUE;
}

HRESULT CPlayer::ResolveSource(const wchar_t* url, IMFMediaSource* prepared) {
  quill::com::ComPtr<IMFMediaSource> source;
  HRESULT hr = S_OK;
  if (prepared) {
    source = quill::com::ComPtr<IMFMediaSource>::Borrow(prepared);
  } else {
    hr = playcore::ResolveMediaSource(url, source.put());
  }
  if (SUCCEEDED(hr)) {
    quill::com::ScopedLock hold(lock_);
    source_ = std::move(source);
  }
  return hr;
}

quill::com::ComPtr<IMFMediaSource> CPlayer::OpenSource() {
  quill::com::ScopedLock hold(lock_);
  if (closing()) return quill::com::ComPtr<IMFMediaSource>();
  return source_.Copy();
}

HRESULT CPlayer::SetTopologyFromSource() {
  quill::com::ComPtr<IMFMediaSession> current = session();
  // The audio-less rebuild runs on a session thread while the instance's thread may be closing.
  const quill::com::ComPtr<IMFMediaSource> source = OpenSource();
  if (!current || !source) return MF_E_SHUTDOWN;
  quill::com::ComPtr<IMFPresentationDescriptor> pd;
  quill::com::ComPtr<IMFTopology> topology;
  HRESULT hr = source->CreatePresentationDescriptor(pd.put());
  if (SUCCEEDED(hr)) duration_ = static_cast<LONGLONG>(MFGetAttributeUINT64(pd.get(), MF_PD_DURATION, 0));
  if (SUCCEEDED(hr)) hr = BuildPlaybackTopology(source.get(), pd.get(), topology.put());
  if (SUCCEEDED(hr)) hr = current->SetTopology(0, topology.get());
  return hr;
}

HRESULT CPlayer::BuildPlaybackTopology(IMFMediaSource* source, IMFPresentationDescriptor* pd,
                                       IMFTopology** topology) {
  quill::com::ComPtr<IMFTopology> made;
  HRESULT hr = MFCreateTopology(made.put());
  DWORD count = 0;
  if (SUCCEEDED(hr)) hr = pd->GetStreamDescriptorCount(&count);
  if (FAILED(hr)) return hr;
  bool videoBuilt = false;
  HRESULT last = S_OK;
  // A stream that cannot be played (sound without a device, a data track) does not stop the others.
  for (DWORD i = 0; i < count; ++i) {
    bool video = false;
    last = AddStreamBranch(made.get(), source, pd, i, &video);
    if (SUCCEEDED(last) && video) videoBuilt = true;
  }
  // The picture is what matters: the topology is good whenever its video branch was built, whatever
  // the order of the streams.
  if (!videoBuilt) return FAILED(last) ? last : MF_E_TOPO_UNSUPPORTED;
  *topology = made.detach();
  return S_OK;
}

HRESULT CPlayer::AddStreamBranch(IMFTopology* topology, IMFMediaSource* source,
                                 IMFPresentationDescriptor* pd, DWORD index, bool* video) {
  BOOL selected = FALSE;
  quill::com::ComPtr<IMFStreamDescriptor> sd;
  HRESULT hr = pd->GetStreamDescriptorByIndex(index, &selected, sd.put());
  if (FAILED(hr)) return hr;
  if (!selected) return S_OK;
  quill::com::ComPtr<IUnknown> renderer;
  quill::com::ComPtr<IMFTopologyNode> sourceNode;
  quill::com::ComPtr<IMFTopologyNode> outputNode;
  hr = CreateRendererObject(sd.get(), renderer.put(), video);
  if (FAILED(hr)) pd->DeselectStream(index);  // a stream without a renderer is not read at all
  if (SUCCEEDED(hr)) hr = MFCreateTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, sourceNode.put());
  if (SUCCEEDED(hr)) hr = sourceNode->SetUnknown(MF_TOPONODE_SOURCE, source);
  if (SUCCEEDED(hr)) hr = sourceNode->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, pd);
  if (SUCCEEDED(hr)) hr = sourceNode->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, sd.get());
  if (SUCCEEDED(hr)) hr = topology->AddNode(sourceNode.get());
  if (SUCCEEDED(hr)) hr = MFCreateTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, outputNode.put());
  if (SUCCEEDED(hr)) hr = outputNode->SetObject(renderer.get());
  if (SUCCEEDED(hr)) hr = outputNode->SetUINT32(MF_TOPONODE_STREAMID, 0);
  if (SUCCEEDED(hr)) hr = outputNode->SetUINT32(MF_TOPONODE_NOSHUTDOWN_ON_REMOVE, FALSE);
  if (SUCCEEDED(hr)) hr = topology->AddNode(outputNode.get());
  if (SUCCEEDED(hr)) hr = sourceNode->ConnectOutput(0, outputNode.get(), 0);
  if (FAILED(hr)) *video = false;
  return hr;
}

HRESULT CPlayer::CreateRendererObject(IMFStreamDescriptor* sd, IUnknown** renderer, bool* video) {
  quill::com::ComPtr<IMFMediaTypeHandler> handler;
  GUID major = GUID_NULL;
  HRESULT hr = sd->GetMediaTypeHandler(handler.put());
  if (SUCCEEDED(hr)) hr = handler->GetMajorType(&major);
  if (FAILED(hr)) return hr;
  if (IsEqualGUID(major, MFMediaType_Audio)) {
    if (audioRefused_) return E_FAIL;
    quill::com::ComPtr<IMFActivate> activate;
    hr = MFCreateAudioRendererActivate(activate.put());
    if (FAILED(hr)) return hr;
    quill::com::ScopedLock hold(lock_);
    rendererActivates_.push_back(activate.Copy());
    *renderer = activate.detach();
    return S_OK;
  }
  if (!IsEqualGUID(major, MFMediaType_Video)) return E_FAIL;
  if (RunningOnWine()) {
    quill::com::ComPtr<IMFStreamSink> stream;
    hr = CreateVideoSink(sd, stream.put());
    if (SUCCEEDED(hr)) *renderer = stream.detach();
  } else {
    hr = CreateVideoActivate(sd, renderer);
  }
  *video = SUCCEEDED(hr);
  return hr;
}

HRESULT CPlayer::MakeRendererActivate(IMFStreamDescriptor* sd, LONG* generation,
                                      quill::com::ComPtr<IMFActivate>* held,
                                      quill::com::ComPtr<IMFActivate>* rendererActivate) {
  {
    // A rebuild that comes after a close began makes no presenter (a Direct3D device, a thread).
    quill::com::ScopedLock hold(lock_);
    if (closing()) return MF_E_SHUTDOWN;
    *generation = closeCount_;
  }
  HRESULT hr = MakeActivationObject(sd, *generation, held);
  if (SUCCEEDED(hr)) hr = MFCreateVideoRendererActivate(videoWindow_, rendererActivate->put());
  if (SUCCEEDED(hr)) hr = (*rendererActivate)->SetUnknown(MF_ACTIVATE_CUSTOM_VIDEO_PRESENTER_ACTIVATE, held->get());
  return hr;
}

// On Windows the output node carries the video renderer's activate, which names the activation
// object as its presenter's: the session makes the renderer, which activates the presenter and gives
// it the window. The activate is shut down with the session, which releases the renderer.
HRESULT CPlayer::CreateVideoActivate(IMFStreamDescriptor* sd, IUnknown** renderer) {
  LONG generation = 0;
  quill::com::ComPtr<IMFActivate> held;
  quill::com::ComPtr<IMFActivate> rendererActivate;
  const HRESULT hr = MakeRendererActivate(sd, &generation, &held, &rendererActivate);
  if (FAILED(hr)) return hr;
  quill::com::ScopedLock hold(lock_);
  if (closeCount_ != generation) return MF_E_SHUTDOWN;  // a close began meanwhile
  rendererActivates_.push_back(rendererActivate.Copy());
  *renderer = rendererActivate.detach();
  return S_OK;
}

HRESULT CPlayer::MakeActivationObject(IMFStreamDescriptor* sd, LONG generation,
                                      quill::com::ComPtr<IMFActivate>* held) {
  quill::com::ComPtr<IMFMediaTypeHandler> handler;
  HRESULT hr = sd->GetMediaTypeHandler(handler.put());
  if (SUCCEEDED(hr)) hr = PickMixerFriendlyType(handler.get());
  quill::com::CComObject<CMFActivate>* object = nullptr;
  if (SUCCEEDED(hr)) hr = quill::com::CComObject<CMFActivate>::CreateInstance(&object);
  if (FAILED(hr)) return hr;
  *held = quill::com::ComPtr<IMFActivate>::Borrow(object);
  UINT32 width = 0;
  UINT32 height = 0;
  quill::com::ComPtr<IMFMediaType> current;
  if (SUCCEEDED(handler->GetCurrentMediaType(current.put()))) {
    MFGetAttributeSize(current.get(), MF_MT_FRAME_SIZE, &width, &height);
  }
  object->SetFrameSize(width, height);
  // The first topology is built on the instance's thread, which holds the instance mutex (or on the
  // thread preparing the player, whose owner is the player's own copy): the view settings are read
  // there, and the audio-less rebuild (on a session thread) uses that copy, which a take-over
  // (AdoptView) renews under the lock.
  const playcore::sVIEWSETTINGS* owner = nullptr;
  playcore::sVIEWSETTINGS seed = {};
  {
    quill::com::ScopedLock hold(lock_);
    if (!audioRefused_ && owner_) ownerCopy_ = *owner_;
    owner = owner_;
    seed = ownerCopy_;
  }
  object->SetOwner(owner, owner ? &seed : nullptr);
  // The player keeps its own reference: Play and Seek reach the presenter through it.
  quill::com::ScopedLock hold(lock_);
  if (closeCount_ != generation) {
    held->reset();
    return MF_E_SHUTDOWN;
  }
  activate_ = held->Copy();
  activateObject_ = object;
  return S_OK;
}

// Under Wine the video renderer is made here, from a renderer activate that names the activation object
// as its presenter, rather than by the session: under Wine 8 a renderer the session made from its activate
// is never released (one reference too many), and with it the presenter, its scheduler thread and
// its Direct3D device stayed alive for every movie opened. Nor is it made bare and given the
// presenter afterwards: a bare renderer first makes the system's default presenter, with a Direct3D
// object and device of its own, only to drop it (about 180 ms per renderer under Wine). The player
// shuts the sink down at close, then the activate, which releases its hold on the renderer.
HRESULT CPlayer::CreateVideoSink(IMFStreamDescriptor* sd, IMFStreamSink** stream) {
  LONG generation = 0;
  quill::com::ComPtr<IMFActivate> held;
  quill::com::ComPtr<IMFActivate> rendererActivate;
  HRESULT hr = MakeRendererActivate(sd, &generation, &held, &rendererActivate);
  quill::com::ComPtr<IMFVideoPresenter> presenter;
  if (SUCCEEDED(hr)) hr = held->ActivateObject(__uuidof(IMFVideoPresenter), presenter.putVoid());
  quill::com::ComPtr<IMFVideoDisplayControl> display;
  if (SUCCEEDED(hr)) hr = presenter.As(&display);
  if (SUCCEEDED(hr)) hr = display->SetVideoWindow(videoWindow_);
  RECT client = {};
  if (SUCCEEDED(hr) && GetClientRect(videoWindow_, &client)) display->SetVideoPosition(nullptr, &client);
  quill::com::ComPtr<IMFMediaSink> sink;
  if (SUCCEEDED(hr)) hr = rendererActivate->ActivateObject(__uuidof(IMFMediaSink), sink.putVoid());
  quill::com::ComPtr<IMFStreamSink> own;
  if (SUCCEEDED(hr)) hr = sink->GetStreamSinkByIndex(0, own.put());
  if (SUCCEEDED(hr)) {
    if (RunningOnWine()) {
      auto gate = std::make_shared<playcore::ReleaseNoticeGate>();
      hr = playcore::CreateStreamSinkGuard(own.get(), gate, stream);
      quill::com::ScopedLock hold(lock_);
      if (SUCCEEDED(hr)) releaseGates_.push_back(std::move(gate));
    } else {
      *stream = own.detach();
    }
  }
  auto dropRenderer = [&] {
    if (sink) sink->Shutdown();
    if (rendererActivate) rendererActivate->ShutdownObject();
  };
  if (FAILED(hr)) {
    dropRenderer();
    return hr;
  }
  quill::com::ScopedLock hold(lock_);
  if (closeCount_ != generation) {
    // A close began while the sink was made and may have ended: nothing else would shut it down.
    dropRenderer();
    return MF_E_SHUTDOWN;
  }
  mediaSinks_.push_back(sink.Copy());
  rendererActivates_.push_back(rendererActivate.Copy());
  return S_OK;
}
