// The filter graph an instance plays through when Media Foundation cannot be started.
//
// GraphPort is the set of calls the transport makes on a built graph; GraphSession adds building and
// closing. GraphPlayer (graph_player.h) is the real one over DirectShow; tests put fakes in its place
// through SetGraphFactory. Every call answers the HRESULT of its first failing platform call, so the
// caller can show one error box for one failed operation.
//
// Threads: a session is used by one thread at a time (the instance's, under its mutex). The graph
// itself posts its event notice to the window given to SetUp.
#pragma once

#include <windows.h>

#include <cstdint>

namespace playcore {
namespace dshow {

// The renderer drawing the picture.
enum RendererKind : int32_t {
  kRendererNone = 0,
  kRendererVideoWindow = 1,  // the graph's own video window, a child of the pane
  kRendererVmr7 = 7,         // the video mixing renderer 7, windowless in the pane
  kRendererVmr9 = 9,         // the video mixing renderer 9, windowless in the pane
};

// Graph events the owner window's handler acts on.
enum GraphEventBits : int {
  kGraphEventComplete = 1,        // the movie played to its end
  kGraphEventFullscreenLost = 2,  // the video window left full screen
};

// The graph's capabilities (AM_SEEKING_CanSeekAbsolute, AM_SEEKING_CanPlayBackwards).
constexpr DWORD kCanSeekAbsolute = 0x1;
constexpr DWORD kCanPlayBackwards = 0x40;
// put_Volume's range, in hundredths of a decibel.
constexpr long kSilentVolume = -10000;

class GraphPort {
 public:
  virtual ~GraphPort() = default;
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT StopWhenReady() = 0;
  // Media times in 100-ns units.
  virtual HRESULT GetCurrentPosition(LONGLONG* time) = 0;
  virtual HRESULT GetDuration(LONGLONG* time) = 0;
  virtual HRESULT GetStopPosition(LONGLONG* time) = 0;
  // An absolute current position; the stop position stays.
  virtual HRESULT SetCurrentPosition(LONGLONG time) = 0;
  virtual HRESULT GetCapabilities(DWORD* capabilities) = 0;
  virtual HRESULT PutRate(double rate) = 0;
  virtual HRESULT PutVolume(long volume) = 0;
  virtual HRESULT GetNativeSize(LONG* width, LONG* height) = 0;
  // Takes the next waiting event and frees its parameters; a failure when none waits.
  virtual HRESULT TakeEvent(long* code) = 0;
};

class GraphSession : public GraphPort {
 public:
  // The graph and its renderer for `window`: VMR-9 windowless, else VMR-7 windowless, else the
  // graph's own video window.
  virtual HRESULT Create(HWND window) = 0;
  // Adds the file and renders its video into the renderer; the sound too when the file has some
  // and the machine can play it.
  virtual HRESULT Render(const wchar_t* path) = 0;
  // Events to `window` as `message`; volume, balance, time format, rate 1; letter-box picture in the
  // window's client area (or the video window as its child).
  virtual HRESULT SetUp(HWND window, UINT message) = 0;
  // Stops the graph and releases every interface; harmless when nothing or part was made.
  virtual void Close() = 0;
  // The picture into `dest` of the window's client area: a windowless renderer letter-boxes it there
  // itself when `keepAspect`, the video window is moved to `dest`.
  virtual HRESULT PlaceVideo(const RECT& dest, bool keepAspect) = 0;
  // A windowless renderer draws its current picture again into `window`; S_FALSE where the picture
  // is not drawn windowless.
  virtual HRESULT RepaintVideo(HWND window) = 0;
  virtual RendererKind renderer() const = 0;
  // True when the sound was rendered (the volume means something).
  virtual bool hasAudio() const = 0;
  // The renderer's current picture as a packed DIB (header, masks or colour table, bits) in
  // CoTaskMemAlloc'd memory the caller frees, with its size in bytes (graph_picture.h). A session
  // that cannot give one answers E_NOTIMPL.
  virtual HRESULT GetCurrentImage(BYTE** dib, DWORD* size) {
    if (dib) *dib = nullptr;
    if (size) *size = 0;
    return E_NOTIMPL;
  }
  // The overlay bitmap through the renderer's mixer: the `source` rectangle of the bitmap selected into
  // `dc`, black left out, at the normalized `place` (left, top, right, bottom); a null `dc` clears it.
  // E_NOTIMPL where the renderer mixes nothing.
  virtual HRESULT SetOverlayBitmap(HDC dc, const RECT& source, const float place[4]) {
    (void)dc;
    (void)source;
    (void)place;
    return E_NOTIMPL;
  }
};

// Makes the sessions of the instances; tests replace it. Null restores the real graph player.
using GraphFactory = GraphSession* (*)();
GraphFactory SetGraphFactory(GraphFactory factory);
// A new session from the current factory (null when out of memory).
GraphSession* NewGraphSession();

}  // namespace dshow
}  // namespace playcore
