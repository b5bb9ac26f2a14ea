// CPlayer plays one recording through a Media Foundation media session: the source resolved from
// the file, a topology with the audio renderer and the EVR (made here under Wine) carrying the program's
// presenter, the session's events turned into states and posted window messages, and the transport.
//
// Threads: Invoke and the On* handlers run on Media Foundation work-queue threads; every other
// operation runs on the thread that drives the player instance, under the instance mutex.
// Lock: lock_ guards the interfaces obtained when the topology is ready (display control, mixer,
// audio volume), the source, the renderers and the presenter's activation object as a rebuild on a
// session thread reads and replaces them, and the start of a close (closeCount_, state_ turning to
// closing). It is held by OnTopologyStatus (which gives up once a close began), SetVideoPosition,
// the instance's calls on the display control and Shutdown, which never holds it across a wait: not
// the presenter's pull hold (bounded, 3 s), nor the session's close, nor the source's shut-down
// (bounded under Wine, on a thread of its own: source_shutdown.h). Once a close began, the readers
// are refused at once and a rebuild makes no presenter. sessionLock_, clockLock_ and postLock_ each
// guard a few fields (below) and are taken last: alone, or inside lock_ (Shutdown takes the first
// two inside it, OnTopologyStatus the third); no other lock is taken while one of them is held.
// Lock order: instance mutex, then lock_, then one of sessionLock_, clockLock_, postLock_; a
// presenter's lock only after lock_ is let go (the pull holds). state_ and the reference count are
// atomic words. Messages to the window are always posted, never sent.
//
// A player prepared ahead (prepared_movies.h) is driven by the preparing thread, without the instance
// mutex, until an open of the instance takes it over through the slot's lock; from then on it is the
// instance's like any other. While it is prepared it holds its messages (HoldMessages) and draws
// nothing: its session is never started before the take-over.
#pragma once

#include "platform/framework/private_messages.h"

#include <windows.h>
#include <d3d9.h>
#include <evr.h>
#include <evr9.h>
#include <mfidl.h>

#include <atomic>
#include <memory>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/com/com_ptr.h"
#include "playcore/player/mf_activate.h"
#include "playcore/player/session_transport.h"
#include "playcore/player/stream_sink_guard.h"
#include "playcore/scene/view_settings.h"

namespace playcore {

// Messages the player posts to its event window.
constexpr UINT kMsgPlayerPaused = quill::msg::kPlayerPaused;
constexpr UINT kMsgPlayerEnded = quill::msg::kPlayerEnded;
constexpr UINT kMsgPlayerReady = quill::msg::kPlayerReady;

// The delay between the session's end and the end message.
constexpr DWORD kEndMessageDelayMs = 200;
// How long Shutdown waits for the session to report that it closed.
constexpr DWORD kSessionCloseWaitMs = 5000;
// The same under Wine for a session that already reported its end: Wine at times never reports the
// close of such a session (seen with the main camera's), and the wait held the window for the whole
// bound at a change of pair; a close that is reported comes within tens of milliseconds.
constexpr DWORD kEndedSessionCloseWaitMs = 500;

enum PlayerState : LONG {
  kPlayerClosed = 0,
  kPlayerReady = 1,
  kPlayerOpenPending = 2,
  kPlayerStarted = 3,
  kPlayerPaused = 4,
  kPlayerStopped = 5,
  kPlayerClosing = 6,
};

// Resolves the media source of a file (any thread; the caller has started the platform and COM).
HRESULT ResolveMediaSource(const wchar_t* url, IMFMediaSource** source);

}  // namespace playcore

// At global scope: the player instance record names it by a forward declaration.
class CPlayer : public IMFAsyncCallback {
 public:
  // A player for `window` (video and event window) whose new presenters take `owner`'s view settings
  // (the block must outlive the player). Fails when Media Foundation cannot be started; then no
  // player exists and the instance plays another way.
  static HRESULT Create(HWND window, const playcore::sVIEWSETTINGS* owner, CPlayer** player);

  // IUnknown / IMFAsyncCallback
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetParameters(DWORD* flags, DWORD* queue) override;
  STDMETHODIMP Invoke(IMFAsyncResult* result) override;

  // TRUE when the open was started (quill::msg::kPlayerReady follows when the topology is ready).
  // `prepared`, when given, is the file's source resolved ahead (ResolveMediaSource): the player
  // takes it over and shuts it down with the session, also when the open fails.
  BOOL OpenURL(const wchar_t* url, IMFMediaSource* prepared = nullptr);
  HRESULT Shutdown();
  HRESULT Play();
  HRESULT Pause();
  HRESULT StartAt(LONGLONG position);
  HRESULT SeekTo(LONGLONG position);
  HRESULT SetVolume(LONG volume);
  // The display control's answer (E_POINTER before the topology is ready).
  HRESULT SetVideoPosition(LONG x, LONG y, LONG width, LONG height);
  HRESULT SetRate(float rate);
  // The presentation clock's time (100 ns).
  HRESULT GetTime(LONGLONG* time);
  // The last time known without the clock: a seek's or start's target, or the last non-zero read.
  LONGLONG knownTime() const { return knownTime_.load(); }
  // MF_PD_DURATION of the source (100 ns); 0 before an open.
  LONGLONG duration() const { return duration_; }
  HRESULT GetNativeSize(LONG* width, LONG* height);
  // Repaints through the display control (under the lock); E_UNEXPECTED when not ready.
  HRESULT RepaintVideo();
  // The current picture through the display control (under the lock): a DIB the caller frees with
  // CoTaskMemFree. E_UNEXPECTED when not ready (mf_player_image.cpp).
  HRESULT GetCurrentImage(BITMAPINFOHEADER* header, BYTE** dib, DWORD* dibSize);
  // The mixer's alpha bitmap (the overlay text); E_NOINTERFACE without a mixer bitmap.
  HRESULT SetAlphaBitmap(const MFVideoAlphaBitmap* bitmap);
  HRESULT ClearAlphaBitmap();

  LONG state() const { return state_; }
  bool ready();  // the display control exists: the topology is ready
  bool hasAudioVolume();
  LONG volume() const { return volume_; }
  bool audioRefused() const { return audioRefused_ != 0; }
  // The presenter of the latest video branch (null before the EVR activated it).
  quill::com::ComPtr<playcore::EVRCustomPresenter> presenter();
  UINT32 renderInterval() const { return renderInterval_; }
  void SetRenderInterval(UINT32 interval) { renderInterval_ = interval; }

  // Objects alive, for leak checks.
  static LONG liveCount();
  // The player behind an IUnknown one of its own answered (a new reference), or null for another object.
  static CPlayer* FromUnknown(IUnknown* object);

  // Keeps the messages for the window from here on (a player prepared ahead): DeliverMessages posts
  // them, in the order ready, paused, ended, once the window takes the player over.
  void HoldMessages();
  void DeliverMessages(HWND window);
  // Before OpenURL, on the preparing thread: new presenters take a copy of `settings` kept in the
  // player (the instance's own block may change meanwhile on the instance's thread).
  void KeepOwnView(const playcore::sVIEWSETTINGS& settings);
  // At a take-over, under the instance mutex: new presenters take `owner`'s settings from here on,
  // and the presenter already made is given them as they are now.
  void AdoptView(const playcore::sVIEWSETTINGS* owner);
  // On the preparing thread, any thread: waits up to `ms` until the open's topology is ready (true)
  // or the player was shut down; nothing else is touched.
  bool WaitUntilReady(DWORD ms);
  // On the preparing thread, once ready and before the take-over: the presenter draws its first
  // frame ahead into a hidden window the calling thread makes and destroys (never the video window),
  // so that the first drawing into the pane at the take-over is as quick as any later one. S_FALSE
  // when not ready yet.
  HRESULT DrawAhead();

 protected:
  CPlayer(HWND window, const playcore::sVIEWSETTINGS* owner);
  virtual ~CPlayer();
  virtual HRESULT OnTopologyStatus(IMFMediaEvent* event);
  virtual HRESULT OnPresentationEnded(IMFMediaEvent* event);
  virtual HRESULT OnNewPresentation(IMFMediaEvent* event);
  virtual HRESULT OnTopologySet(IMFMediaEvent* event);
  virtual HRESULT OnSessionStopped(IMFMediaEvent* event);
  virtual HRESULT OnSessionPaused(IMFMediaEvent* event);
  virtual HRESULT OnSessionEvent(IMFMediaEvent* event, MediaEventType type);
  // On the closing thread, once the close began and before it waits for the session; no lock held.
  virtual void OnCloseWaitBegins() {}
  // On the closing thread, with the source the close is about to shut down (null without one); no
  // lock held. A test may put a source of its own in its place.
  virtual void OnSourceShutdown(quill::com::ComPtr<IMFMediaSource>*) {}
  HRESULT StartPlatform();
  // Posts `message` to the event window, or keeps it while the messages are held.
  void PostToWindow(UINT message);

  // How long the close lets the source take to shut down: bounded under Wine, whose source can
  // hang in its shut-down (source_shutdown.h); INFINITE (a plain call) elsewhere. Set at creation; a
  // test may shorten it.
  DWORD sourceShutdownBoundMs_;

 protected:
  // The session (null when none; a test asks it for its topology).
  quill::com::ComPtr<IMFMediaSession> session();
  // The topology of `source`'s selected streams (a test looks at what each platform builds).
  HRESULT BuildPlaybackTopology(IMFMediaSource* source, IMFPresentationDescriptor* pd,
                                IMFTopology** topology);

 private:
  HRESULT SetTopologyFromSource();
  // The session refused the topology (no sound device): it is built again without the audio branch,
  // once per player, and the refused renderers go once the rebuilt topology is ready. On a session
  // thread.
  void RebuildWithoutAudio();
  HRESULT AddStreamBranch(IMFTopology* topology, IMFMediaSource* source,
                          IMFPresentationDescriptor* pd, DWORD index, bool* video);
  // The output node's object: the audio renderer's activate, or for the video the stream of a
  // renderer made here (Wine) or the renderer's activate (elsewhere).
  HRESULT CreateRendererObject(IMFStreamDescriptor* sd, IUnknown** renderer, bool* video);
  // Under Wine: the renderer made here, the session given its stream (see the .cpp).
  HRESULT CreateVideoSink(IMFStreamDescriptor* sd, IMFStreamSink** stream);
  // Elsewhere: the renderer's activate, the session makes the renderer.
  HRESULT CreateVideoActivate(IMFStreamDescriptor* sd, IUnknown** renderer);
  // A new activation object (`held`) and a video renderer activate that names it as its presenter's;
  // `generation` is closeCount_ as read before (MF_E_SHUTDOWN once a close began).
  HRESULT MakeRendererActivate(IMFStreamDescriptor* sd, LONG* generation, quill::com::ComPtr<IMFActivate>* held,
                               quill::com::ComPtr<IMFActivate>* rendererActivate);
  // Fails with MF_E_SHUTDOWN when a close began after `generation` (closeCount_) was read.
  HRESULT MakeActivationObject(IMFStreamDescriptor* sd, LONG generation, quill::com::ComPtr<IMFActivate>* held);
  HRESULT ResolveSource(const wchar_t* url, IMFMediaSource* prepared);
  // The source while no close began (null once one did); takes lock_.
  quill::com::ComPtr<IMFMediaSource> OpenSource();
  // Under lock_ (or on the instance's thread): a close began and no open followed it yet.
  bool closing() const { return state_ == playcore::kPlayerClosing || state_ == playcore::kPlayerClosed; }
  void ReleaseTopologyInterfaces();
  void KeepMediaSinks(const std::vector<quill::com::ComPtr<IMFMediaSink>>& sinks);  // under lock_
  void ShutdownMediaSinks();                    // under lock_
  void SetSeekMark(bool mark);
  // The presenter whose unlocked pulls a transport call or the close holds (see ScopedPullHold).
  quill::com::ComPtr<playcore::EVRCustomPresenter> PullTarget();
  // The renderers, presenter and activation object of a topology the session refused: the rebuild
  // makes its own, and the refused ones would keep a Direct3D device and a renderer per pane until
  // the movie closed.
  struct RefusedRenderers {
    std::vector<quill::com::ComPtr<IMFMediaSink>> sinks;
    std::vector<quill::com::ComPtr<IMFActivate>> activates;
    std::vector<std::shared_ptr<playcore::ReleaseNoticeGate>> gates;
    quill::com::ComPtr<IMFActivate> presenterActivate;  // holds `object`
    playcore::CMFActivate* object = nullptr;
    RefusedRenderers() = default;
    RefusedRenderers(const RefusedRenderers&) = delete;
    RefusedRenderers& operator=(const RefusedRenderers&) = delete;
    ~RefusedRenderers() { Shutdown(); }  // as the close does; without a lock held
    void Shutdown();
    void Swap(RefusedRenderers& other);
  };
  // Copies of the clock and rate interfaces, taken under clockLock_.
  quill::com::ComPtr<IMFPresentationClock> clock();
  void RateInterfaces(quill::com::ComPtr<IMFRateControl>* control,
                      quill::com::ComPtr<IMFRateSupport>* support);

  volatile LONG refCount_ = 1;
  bool platformStarted_ = false;
  volatile LONG volume_ = 0;
  volatile LONG audioRefused_ = 0;
  const playcore::sVIEWSETTINGS* owner_;
  UINT32 renderInterval_ = 0;
  quill::com::CriticalSection lock_;
  quill::com::ComPtr<IMFActivate> activate_;  // the CMFActivate of the latest video branch
  playcore::CMFActivate* activateObject_ = nullptr;     // the same object, no reference of its own
  // Every renderer activate of the topologies built (the audio renderers' and those the player made
  // its video renderers from): shut down with the session, as the renderers may stay alive otherwise.
  std::vector<quill::com::ComPtr<IMFActivate>> rendererActivates_;
  // The video renderers made for the topologies and the media sinks of every topology made ready:
  // the renderers' services are asked of them, and they are shut down after the session (a second
  // shut-down answers MF_E_SHUTDOWN, harmless), so that none keeps its presenter alive.
  std::vector<quill::com::ComPtr<IMFMediaSink>> mediaSinks_;
  // Under Wine: the gates of the video renderers' release notices, closed before the session is.
  std::vector<std::shared_ptr<playcore::ReleaseNoticeGate>> releaseGates_;
  RefusedRenderers refused_;  // lock_; until the rebuilt topology is ready or the close
  quill::com::ComPtr<IMFMediaSession> session_;
  quill::com::ComPtr<IMFMediaSource> source_;
  quill::com::ComPtr<IMFPresentationClock> clock_;       // clockLock_
  quill::com::ComPtr<IMFRateControl> rateControl_;       // clockLock_
  quill::com::ComPtr<IMFRateSupport> rateSupport_;       // clockLock_
  // The view settings as the first topology was built (on the instance's thread, under its mutex):
  // the audio-less rebuild runs on a session thread and seeds its presenter from this copy.
  playcore::sVIEWSETTINGS ownerCopy_ = {};
  quill::com::ComPtr<IMFAudioStreamVolume> audioVolume_;
  quill::com::ComPtr<IMFVideoDisplayControl> displayControl_;
  quill::com::ComPtr<IMFVideoMixerControl> mixerControl_;
  quill::com::ComPtr<IMFVideoMixerBitmap> mixerBitmap_;
  HWND videoWindow_;
  HWND eventWindow_;  // postLock_; null while the messages are held
  LONG heldMessages_ = 0;  // postLock_; the messages kept meanwhile, one bit each
  quill::com::CriticalSection postLock_;
  playcore::sVIEWSETTINGS ownView_ = {};  // KeepOwnView's copy, which owner_ then names
  volatile LONG state_ = playcore::kPlayerClosed;
  volatile LONG ended_ = 0;  // the session reported its end since its last start, seek or open
  LONG closeCount_ = 0;  // lock_; every close counts one, so a rebuild can see one began meanwhile
  quill::com::Handle closeEvent_;
  quill::com::Handle stoppedEvent_;  // manual-reset; set when the session reports that it stopped
  // Manual-reset; set at the first readiness of an open and at every close, reset when an open begins.
  quill::com::Handle readyEvent_;
  // Manual-reset; set when the session reported the rate it settled on (not a refused thinned
  // request that Invoke asks for again without thinning).
  quill::com::Handle rateSettledEvent_;
  LONGLONG duration_ = 0;
  std::atomic<LONGLONG> knownTime_{0};
  // Where the last seek left the paused picture, -1 once the movie plays again. A seek starts the
  // session at its target and pauses it: the clock may run on a few frames before the pause lands,
  // while the picture stays on the target's frame, so a paused clock read answers the target. On
  // every platform: Windows' session runs the same Start-then-Pause, whose clock also starts before
  // the pause lands, and resuming from the target keeps the frame shown the one played from.
  std::atomic<LONGLONG> seekHeld_{-1};
  float rateRequested_ = 1.0f;      // the last rate asked for
  volatile LONG rateThinned_ = 0;   // 1 while that request asked for thinning
  // Guards the session pointer itself: Invoke reads it while Shutdown may drop it. Taken last (see
  // the lock order above) and never held around a call.
  quill::com::CriticalSection sessionLock_;
  // Guards clock_, rateControl_ and rateSupport_: OnTopologySet replaces them on a session thread
  // while the instance's thread uses them. Taken last and never held around a call, so that a
  // session thread reading them never waits for lock_.
  quill::com::CriticalSection clockLock_;
};
