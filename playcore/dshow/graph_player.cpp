#include "playcore/dshow/graph_player.h"

#include "playcore/dshow/graph_picture.h"

#include "playcore/presenter/wine_host.h"

#include <atomic>
#include <new>

namespace playcore {
namespace dshow {

namespace {

// Set-up values: a little below full volume, centred.
constexpr long kStartVolume = -500;
constexpr long kCentreBalance = 0;
constexpr double kNormalRate = 1.0;
// The mixer's input stream of the movie, placed in front.
constexpr DWORD kMovieStream = 0;
constexpr DWORD kFrontZOrder = 0;
// The video window's caption and style when the graph shows the picture itself.
constexpr wchar_t kVideoWindowCaption[] = L"no means";
constexpr long kVideoWindowStyle = WS_CHILD | WS_CLIPSIBLINGS;
constexpr long kOaTrue = -1;
constexpr long kOaFalse = 0;
// The time-out of a look at the event queue: none, only what waits already.
constexpr long kNoWait = 0;

HRESULT CreateWithCom(REFCLSID clsid, REFIID iid, void** object) {
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
}

std::atomic<ObjectCreator> g_creator{nullptr};
std::atomic<ReleaseObserver> g_observer{nullptr};
std::atomic<GraphFactory> g_factory{nullptr};

// The interfaces are named by their IIDs: not every one of them is declared with its uuid.
template <class T>
HRESULT CreateObject(REFCLSID clsid, REFIID iid, quill::com::ComPtr<T>* out) {
  ObjectCreator creator = g_creator.load();
  return (creator ? creator : CreateWithCom)(clsid, iid, out->putVoid());
}

template <class From, class T>
HRESULT Query(const quill::com::ComPtr<From>& from, REFIID iid, quill::com::ComPtr<T>* out) {
  if (!from) return E_POINTER;
  return from->QueryInterface(iid, out->putVoid());
}

template <class T>
void Drop(quill::com::ComPtr<T>* pointer, const char* name) {
  if (!*pointer) return;
  const ULONG remaining = pointer->detach()->Release();
  if (ReleaseObserver observer = g_observer.load()) observer(name, remaining);
}

GraphSession* MakeGraphPlayer() { return new (std::nothrow) GraphPlayer; }

}  // namespace

ObjectCreator SetObjectCreator(ObjectCreator creator) { return g_creator.exchange(creator); }
ReleaseObserver SetReleaseObserver(ReleaseObserver observer) { return g_observer.exchange(observer); }
GraphFactory SetGraphFactory(GraphFactory factory) { return g_factory.exchange(factory); }

GraphSession* NewGraphSession() {
  GraphFactory factory = g_factory.load();
  return (factory ? factory : MakeGraphPlayer)();
}

HRESULT GraphPlayer::Create(HWND window) {
  Close();
  HRESULT hr = CreateObject(CLSID_FilterGraph, IID_IGraphBuilder, &graph_);
  if (FAILED(hr)) return hr;
  // The first renderer that exists and sets up is used. One that exists but cannot draw windowless (a
  // broken Direct3D 9 driver makes the VMR-9 fail its set-up) is let go and the next one tried, so
  // such a machine still plays instead of failing every open.
  bool ready = SUCCEEDED(CreateObject(CLSID_VideoMixingRenderer9, IID_IBaseFilter, &vmr9_)) &&
               SUCCEEDED(SetUpVmr9(window));
  if (!ready) {
    DropVmr9();
    ready = SUCCEEDED(CreateObject(CLSID_VideoMixingRenderer, IID_IBaseFilter, &vmr7_)) &&
            SUCCEEDED(SetUpVmr7(window));
  }
  if (!ready) {
    DropVmr7();
    hr = Query(graph_, IID_IVideoWindow, &videoWindow_);
    if (FAILED(hr)) return hr;
    kind_ = kRendererVideoWindow;
  }
  hr = CreateObject(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2, &builder_);
  if (SUCCEEDED(hr)) hr = builder_->SetFiltergraph(graph_.get());
  if (SUCCEEDED(hr)) hr = Query(graph_, IID_IBasicAudio, &audio_);
  if (SUCCEEDED(hr)) hr = Query(graph_, IID_IMediaControl, &control_);
  if (SUCCEEDED(hr)) hr = Query(graph_, IID_IMediaEvent, &event_);
  if (SUCCEEDED(hr)) hr = Query(graph_, IID_IMediaEventEx, &eventEx_);
  if (SUCCEEDED(hr)) hr = Query(graph_, IID_IMediaPosition, &position_);
  if (SUCCEEDED(hr)) hr = Query(graph_, IID_IMediaSeeking, &seeking_);
  if (SUCCEEDED(hr)) hr = Query(graph_, IID_IBasicVideo2, &video_);
  return hr;
}

HRESULT GraphPlayer::SetUpVmr9(HWND window) {
  kind_ = kRendererVmr9;
  HRESULT hr = Query(vmr9_, IID_IVMRFilterConfig9, &config9_);
  if (SUCCEEDED(hr)) hr = config9_->SetRenderingMode(VMR9Mode_Windowless);
  if (SUCCEEDED(hr)) hr = Query(vmr9_, IID_IVMRWindowlessControl9, &windowless9_);
  if (SUCCEEDED(hr)) hr = windowless9_->SetVideoClippingWindow(window);
  if (SUCCEEDED(hr)) hr = graph_->AddFilter(vmr9_.get(), L"Video Mixing Renderer 9");
  return hr;
}

void GraphPlayer::DropVmr9() {
  kind_ = kRendererNone;
  windowless9_.reset();
  mixer9_.reset();
  config9_.reset();
  vmr9_.reset();
}

void GraphPlayer::DropVmr7() {
  kind_ = kRendererNone;
  windowless7_.reset();
  config7_.reset();
  vmr7_.reset();
}

HRESULT GraphPlayer::SetUpVmr7(HWND window) {
  kind_ = kRendererVmr7;
  HRESULT hr = Query(vmr7_, IID_IVMRFilterConfig, &config7_);
  if (SUCCEEDED(hr)) hr = config7_->SetRenderingMode(VMRMode_Windowless);
  if (SUCCEEDED(hr)) hr = Query(vmr7_, IID_IVMRWindowlessControl, &windowless7_);
  if (SUCCEEDED(hr)) hr = windowless7_->SetVideoClippingWindow(window);
  if (SUCCEEDED(hr)) hr = graph_->AddFilter(vmr7_.get(), L"Video Mixing Renderer");
  return hr;
}

HRESULT GraphPlayer::Render(const wchar_t* path) {
  if (!graph_ || !builder_) return S_OK;
  if (!path) return E_POINTER;
  HRESULT hr = graph_->AddSourceFilter(path, L"Source", source_.put());
  if (FAILED(hr)) return hr;
  IBaseFilter* renderer = kind_ == kRendererVmr9 ? vmr9_.get() : kind_ == kRendererVmr7 ? vmr7_.get() : nullptr;
  hr = builder_->RenderStream(nullptr, nullptr, source_.get(), nullptr, renderer);
  if (FAILED(hr)) return hr;
  // The sound: a movie without any, or a machine without a sound device, still plays its picture.
  builder_->RenderStream(nullptr, &MEDIATYPE_Audio, source_.get(), nullptr, nullptr);
  long volume = 0;
  hasAudio_ = audio_ && SUCCEEDED(audio_->get_Volume(&volume));
  return S_OK;
}

HRESULT GraphPlayer::SetUp(HWND window, UINT message) {
  if (!eventEx_ || !seeking_ || !position_) return E_POINTER;
  HRESULT hr = eventEx_->SetNotifyWindow(reinterpret_cast<OAHWND>(window), static_cast<long>(message), 0);
  if (FAILED(hr)) return hr;
  if (audio_) {
    audio_->put_Volume(kStartVolume);
    audio_->put_Balance(kCentreBalance);
  }
  hr = seeking_->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  if (SUCCEEDED(hr)) hr = position_->put_Rate(kNormalRate);
  if (FAILED(hr)) return hr;
  switch (kind_) {
    case kRendererVmr9:
      hr = windowless9_->SetAspectRatioMode(VMR9ARMode_LetterBox);
      if (FAILED(hr)) return hr;
      // The movie's stream in front of any other the mixer may get; a renderer that has loaded no
      // mixer (one stream) has nothing to order.
      if (SUCCEEDED(Query(vmr9_, IID_IVMRMixerControl9, &mixer9_))) mixer9_->SetZOrder(kMovieStream, kFrontZOrder);
      PlacePicture(window);
      return S_OK;
    case kRendererVmr7:
      hr = windowless7_->SetAspectRatioMode(VMR_ARMODE_LETTER_BOX);
      if (FAILED(hr)) return hr;
      PlacePicture(window);
      return S_OK;
    case kRendererVideoWindow:
      return SetUpVideoWindow(window);
    default:
      return S_OK;
  }
}

HRESULT GraphPlayer::SetUpVideoWindow(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  BSTR caption = SysAllocString(kVideoWindowCaption);
  HRESULT hr = videoWindow_->put_Owner(reinterpret_cast<OAHWND>(window));
  if (SUCCEEDED(hr)) hr = videoWindow_->put_Caption(caption);
  SysFreeString(caption);
  if (SUCCEEDED(hr)) hr = videoWindow_->put_WindowStyle(kVideoWindowStyle);
  if (SUCCEEDED(hr)) hr = videoWindow_->SetWindowPosition(0, 0, client.right, client.bottom);
  if (SUCCEEDED(hr)) hr = videoWindow_->put_MessageDrain(reinterpret_cast<OAHWND>(window));
  if (SUCCEEDED(hr)) hr = videoWindow_->SetWindowForeground(kOaTrue);
  if (SUCCEEDED(hr)) hr = videoWindow_->put_Visible(kOaTrue);
  return hr;
}

void GraphPlayer::PlacePicture(HWND window) {
  LONG width = 0;
  LONG height = 0;
  RECT client = {};
  if (FAILED(GetNativeSize(&width, &height)) || width <= 0 || height <= 0) return;
  if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) return;
  RECT source = {0, 0, width, height};
  if (windowless9_) windowless9_->SetVideoPosition(&source, &client);
  if (windowless7_) windowless7_->SetVideoPosition(&source, &client);
}

HRESULT GraphPlayer::PlaceVideo(const RECT& dest, bool keepAspect) {
  LONG width = 0;
  LONG height = 0;
  switch (kind_) {
    case kRendererVmr9: {
      HRESULT hr = windowless9_->SetAspectRatioMode(keepAspect ? VMR9ARMode_LetterBox : VMR9ARMode_None);
      if (SUCCEEDED(hr)) hr = GetNativeSize(&width, &height);
      const RECT source = {0, 0, width, height};
      return SUCCEEDED(hr) ? windowless9_->SetVideoPosition(&source, &dest) : hr;
    }
    case kRendererVmr7: {
      HRESULT hr = windowless7_->SetAspectRatioMode(keepAspect ? VMR_ARMODE_LETTER_BOX : VMR_ARMODE_NONE);
      if (SUCCEEDED(hr)) hr = GetNativeSize(&width, &height);
      RECT source = {0, 0, width, height};
      RECT target = dest;  // the VMR-7 takes its rectangles unqualified
      return SUCCEEDED(hr) ? windowless7_->SetVideoPosition(&source, &target) : hr;
    }
    case kRendererVideoWindow:
      return videoWindow_->SetWindowPosition(dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top);
    default:
      return E_POINTER;
  }
}

HRESULT GraphPlayer::RepaintVideo(HWND window) {
  if (kind_ != kRendererVmr9 && kind_ != kRendererVmr7) return S_FALSE;
  // The window's client DC, given back on every path.
  struct ClientDc {
    HWND window;
    HDC dc;
    ~ClientDc() {
      if (dc) ReleaseDC(window, dc);
    }
  } client = {window, GetDC(window)};
  if (!client.dc) return E_HANDLE;
  return kind_ == kRendererVmr9 ? windowless9_->RepaintVideo(window, client.dc)
                                : windowless7_->RepaintVideo(window, client.dc);
}

void GraphPlayer::Close() {
  if (control_) control_->StopWhenReady();
  // No notice may reach the window for a graph that is going away.
  if (eventEx_) eventEx_->SetNotifyWindow(0, 0, 0);
  Drop(&source_, "source filter");
  Drop(&seeking_, "IMediaSeeking");
  Drop(&position_, "IMediaPosition");
  Drop(&eventEx_, "IMediaEventEx");
  Drop(&event_, "IMediaEvent");
  Drop(&control_, "IMediaControl");
  Drop(&windowless9_, "VMR-9 windowless control");
  Drop(&mixer9_, "VMR-9 mixer control");
  Drop(&config9_, "VMR-9 filter configuration");
  Drop(&vmr9_, "VMR-9 filter");
  Drop(&windowless7_, "VMR-7 windowless control");
  Drop(&config7_, "VMR-7 filter configuration");
  Drop(&vmr7_, "VMR-7 filter");
  if (videoWindow_) {
    videoWindow_->put_Visible(kOaFalse);
    videoWindow_->put_MessageDrain(0);
    videoWindow_->put_Owner(0);
  }
  Drop(&videoWindow_, "IVideoWindow");
  Drop(&video_, "IBasicVideo2");
  Drop(&audio_, "IBasicAudio");
  Drop(&builder_, "capture graph builder");
  Drop(&graph_, "filter graph");
  kind_ = kRendererNone;
  hasAudio_ = false;
}

HRESULT GraphPlayer::Run() { return control_ ? control_->Run() : E_POINTER; }
HRESULT GraphPlayer::Pause() { return control_ ? control_->Pause() : E_POINTER; }
HRESULT GraphPlayer::StopWhenReady() { return control_ ? control_->StopWhenReady() : E_POINTER; }

HRESULT GraphPlayer::GetCurrentPosition(LONGLONG* time) {
  return seeking_ ? seeking_->GetCurrentPosition(time) : E_POINTER;
}

HRESULT GraphPlayer::GetDuration(LONGLONG* time) { return seeking_ ? seeking_->GetDuration(time) : E_POINTER; }

HRESULT GraphPlayer::GetStopPosition(LONGLONG* time) {
  if (!seeking_) return E_POINTER;
  LONGLONG current = 0;
  return seeking_->GetPositions(&current, time);
}

HRESULT GraphPlayer::SetCurrentPosition(LONGLONG time) {
  if (!seeking_ || !control_) return E_POINTER;
  if (!playcore::RunningOnWine()) {
    return seeking_->SetPositions(&time, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  }
  // Wine's graph, sought while paused, never stops again, and sought while running it plays past its
  // end without telling so; sought while stopped it behaves. So there it is stopped around the seek
  // and put back into its state.
  OAFilterState state = State_Stopped;
  control_->GetState(kNoWait, &state);
  HRESULT hr = state == State_Stopped ? S_OK : control_->Stop();
  if (SUCCEEDED(hr)) {
    hr = seeking_->SetPositions(&time, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  }
  if (state == State_Paused) {
    const HRESULT back = control_->Pause();
    if (SUCCEEDED(hr)) hr = back;
  } else if (state == State_Running) {
    const HRESULT back = control_->Run();
    if (SUCCEEDED(hr)) hr = back;
  }
  return hr;
}

HRESULT GraphPlayer::GetCapabilities(DWORD* capabilities) {
  return seeking_ ? seeking_->GetCapabilities(capabilities) : E_POINTER;
}

HRESULT GraphPlayer::PutRate(double rate) { return position_ ? position_->put_Rate(rate) : E_POINTER; }
HRESULT GraphPlayer::PutVolume(long volume) { return audio_ ? audio_->put_Volume(volume) : E_POINTER; }

HRESULT GraphPlayer::GetNativeSize(LONG* width, LONG* height) {
  LONG aspectWidth = 0;
  LONG aspectHeight = 0;
  if (windowless9_) return windowless9_->GetNativeVideoSize(width, height, &aspectWidth, &aspectHeight);
  if (windowless7_) return windowless7_->GetNativeVideoSize(width, height, &aspectWidth, &aspectHeight);
  return video_ ? video_->GetVideoSize(width, height) : E_POINTER;
}

HRESULT GraphPlayer::TakeEvent(long* code) {
  if (!eventEx_) return E_POINTER;
  LONG_PTR first = 0;
  LONG_PTR second = 0;
  HRESULT hr = eventEx_->GetEvent(code, &first, &second, kNoWait);
  if (FAILED(hr)) return hr;
  eventEx_->FreeEventParams(*code, first, second);
  return S_OK;
}

HRESULT GraphPlayer::GetCurrentImage(BYTE** dib, DWORD* size) {
  PictureSources sources;
  if (windowless9_) sources.vmr9 = [this](BYTE** out) { return windowless9_->GetCurrentImage(out); };
  if (windowless7_) sources.vmr7 = [this](BYTE** out) { return windowless7_->GetCurrentImage(out); };
  if (video_) sources.basicVideo = [this](long* bytes, long* out) { return video_->GetCurrentImage(bytes, out); };
  return ReadCurrentImage(kind_, sources, dib, size);
}

HRESULT GraphPlayer::SetOverlayBitmap(HDC dc, const RECT& source, const float place[4]) {
  Ptr<IVMRMixerBitmap9> mixer9;
  Ptr<IVMRMixerBitmap> mixer7;
  MixerTargets targets;
  if (kind_ == kRendererVmr9 && vmr9_ && SUCCEEDED(Query(vmr9_, IID_IVMRMixerBitmap9, &mixer9))) {
    targets.vmr9 = [&mixer9](VMR9AlphaBitmap* bitmap) { return mixer9->SetAlphaBitmap(bitmap); };
  }
  if (kind_ == kRendererVmr7 && vmr7_ && SUCCEEDED(Query(vmr7_, IID_IVMRMixerBitmap, &mixer7))) {
    targets.vmr7 = [&mixer7](VMRALPHABITMAP* bitmap) { return mixer7->SetAlphaBitmap(bitmap); };
  }
  OverlayBitmap overlay;
  overlay.dc = dc;
  overlay.source = source;
  for (int i = 0; i < 4; ++i) overlay.place[i] = place[i];
  return SetMixerBitmap(kind_, targets, overlay);
}

}  // namespace dshow
}  // namespace playcore
