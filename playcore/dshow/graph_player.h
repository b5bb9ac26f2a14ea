// The real graph session: a DirectShow filter graph with the video mixing renderer 9 (or 7) in
// windowless mode drawing into the pane, or the graph's own video window as the pane's child.
//
// Seams for tests: the object creator (CoCreateInstance by default) can make a renderer
// unavailable, and the release observer hears every interface Close releases, with Release's answer.
#pragma once

#include "playcore/dshow/graph_session.h"

#include <d3d9.h>
#include <dshow.h>
#include <vmr9.h>

#include "platform/com/com_ptr.h"

namespace playcore {
namespace dshow {

using ObjectCreator = HRESULT (*)(REFCLSID clsid, REFIID iid, void** object);
ObjectCreator SetObjectCreator(ObjectCreator creator);  // null restores CoCreateInstance
using ReleaseObserver = void (*)(const char* name, ULONG remaining);
ReleaseObserver SetReleaseObserver(ReleaseObserver observer);  // null: nobody listens

class GraphPlayer : public GraphSession {
 public:
  GraphPlayer() = default;
  ~GraphPlayer() override { Close(); }
  GraphPlayer(const GraphPlayer&) = delete;
  GraphPlayer& operator=(const GraphPlayer&) = delete;

  HRESULT Create(HWND window) override;
  HRESULT Render(const wchar_t* path) override;
  HRESULT SetUp(HWND window, UINT message) override;
  void Close() override;
  HRESULT PlaceVideo(const RECT& dest, bool keepAspect) override;
  HRESULT RepaintVideo(HWND window) override;
  RendererKind renderer() const override { return kind_; }
  bool hasAudio() const override { return hasAudio_; }
  HRESULT GetCurrentImage(BYTE** dib, DWORD* size) override;
  HRESULT SetOverlayBitmap(HDC dc, const RECT& source, const float place[4]) override;

  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT StopWhenReady() override;
  HRESULT GetCurrentPosition(LONGLONG* time) override;
  HRESULT GetDuration(LONGLONG* time) override;
  HRESULT GetStopPosition(LONGLONG* time) override;
  HRESULT SetCurrentPosition(LONGLONG time) override;
  HRESULT GetCapabilities(DWORD* capabilities) override;
  HRESULT PutRate(double rate) override;
  HRESULT PutVolume(long volume) override;
  HRESULT GetNativeSize(LONG* width, LONG* height) override;
  HRESULT TakeEvent(long* code) override;

 private:
  // Windowless mode in `window`, added to the graph.
  HRESULT SetUpVmr9(HWND window);
  HRESULT SetUpVmr7(HWND window);
  // Let a renderer go whose set-up failed (it was never added to the graph).
  void DropVmr9();
  void DropVmr7();
  HRESULT SetUpVideoWindow(HWND window);
  // The picture letter-boxed into the window's client area.
  void PlacePicture(HWND window);

  template <class T>
  using Ptr = quill::com::ComPtr<T>;
  Ptr<IGraphBuilder> graph_;
  Ptr<IMediaControl> control_;
  Ptr<IMediaEvent> event_;
  Ptr<IMediaEventEx> eventEx_;
  Ptr<IMediaPosition> position_;
  Ptr<IMediaSeeking> seeking_;
  Ptr<IBasicAudio> audio_;
  Ptr<IBasicVideo2> video_;
  Ptr<ICaptureGraphBuilder2> builder_;
  Ptr<IBaseFilter> vmr9_;
  Ptr<IVMRFilterConfig9> config9_;
  Ptr<IVMRMixerControl9> mixer9_;
  Ptr<IVMRWindowlessControl9> windowless9_;
  Ptr<IBaseFilter> vmr7_;
  Ptr<IVMRFilterConfig> config7_;
  Ptr<IVMRWindowlessControl> windowless7_;
  Ptr<IVideoWindow> videoWindow_;
  Ptr<IBaseFilter> source_;
  RendererKind kind_ = kRendererNone;
  bool hasAudio_ = false;
};

}  // namespace dshow
}  // namespace playcore
