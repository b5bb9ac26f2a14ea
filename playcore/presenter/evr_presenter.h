// The video presenter the EVR uses for the program's video stream. It negotiates the mixer's output
// type, owns a pool of Direct3D video samples, pulls mixed frames from the mixer, and hands each to
// the scheduler, which presents it through the present engine into the scene.
//
// Threads: the EVR calls the interface methods on its own threads (input notifications on the mixer
// thread, clock events and messages on the session's threads); the sample-free callback runs on a
// Media Foundation work-queue thread. All of them hold the presenter lock for their whole run (except
// the few methods noted below that touch only immutable or engine-locked state, and the pulls of the
// sample-free callback and the input notification, which let it go around the mixer call). The
// scheduler thread never takes the presenter lock: it only presents through the engine.
// Fields: everything below is guarded by the presenter lock, except seekMark_ (written by the player
// without a lock; atomic) and the engine's own fields (engine lock).
// Lock order: the negotiation lock (negotiationLock_), the EVR's own locks, then the presenter lock,
// then the sample pool's lock, the engine's lock or the scheduler's locks.
// The EVR calls the clock events holding its renderer lock, and its mixer takes that lock when it asks
// for input or passes an event on. So a thread that holds none of the EVR's locks (the sample-free
// callback, the mixer's input notification, the UI thread's RepaintVideo and SetVideoPosition) never
// calls the mixer or the event sink with the presenter lock held: a pull runs in halves
// (PullOutputUnlocked), the mixer call between them without the presenter lock, and the events it
// raises are sent after the lock is let go (deferredEvents_); a negotiation (a new destination, the
// first input under Wine, a pull that found the mixer without a type) takes the presenter lock only
// for its own steps between the mixer's calls (RenegotiateUnlocked). The EVR's own threads (clock
// events, its messages) hold its locks and call the mixer under the presenter lock.
//
// The presenter starts in the Shutdown state and the EVR sets its window before looking the services
// up, so "shut down" refuses only the streaming calls (clock events, messages, media type, rates,
// repaint); window, position and service lookup work in every state.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <evr.h>
#include <mfidl.h>
#include <mftransform.h>
#include <strmif.h>

#include <atomic>
#include <memory>
#include <vector>

#include "platform/com/async_callback.h"
#include "platform/com/com_object.h"
#include "platform/com/com_ptr.h"
#include "platform/com/mf_list.h"
#include "playcore/presenter/present_engine.h"
#include "playcore/presenter/presenter_constants.h"
#include "playcore/presenter/sample_pool.h"
#include "playcore/presenter/scheduler.h"

namespace playcore {

// The fastest rate the presenter supports: unlimited when frames may be thinned or nothing is known,
// else the display's refresh rate over the frame rate (one frame per refresh).
float MaxPlaybackRate(BOOL thin, UINT32 frameRateNum, UINT32 frameRateDen, UINT refreshRate);

class EVRCustomPresenter : public quill::com::CComObjectRootEx<quill::com::CComMultiThreadModel>,
                           public IMFVideoDeviceID,
                           public IMFVideoPresenter,
                           public IMFRateSupport,
                           public IMFGetService,
                           public IMFTopologyServiceLookupClient,
                           public IMFVideoDisplayControl {
 public:
  BEGIN_COM_MAP(EVRCustomPresenter)
    COM_INTERFACE_ENTRY(IMFGetService)
    COM_INTERFACE_ENTRY(IMFTopologyServiceLookupClient)
    COM_INTERFACE_ENTRY(IMFVideoDeviceID)
    COM_INTERFACE_ENTRY(IMFVideoPresenter)
    COM_INTERFACE_ENTRY(IMFRateSupport)
    COM_INTERFACE_ENTRY(IMFVideoDisplayControl)
  END_COM_MAP()

  EVRCustomPresenter();
  virtual ~EVRCustomPresenter();

  // IMFVideoDeviceID
  STDMETHODIMP GetDeviceID(IID* pid) override;
  // IMFClockStateSink
  STDMETHODIMP OnClockStart(MFTIME systemTime, LONGLONG startOffset) override;
  STDMETHODIMP OnClockStop(MFTIME systemTime) override;
  STDMETHODIMP OnClockPause(MFTIME systemTime) override;
  STDMETHODIMP OnClockRestart(MFTIME systemTime) override;
  STDMETHODIMP OnClockSetRate(MFTIME systemTime, float rate) override;
  // IMFVideoPresenter
  STDMETHODIMP ProcessMessage(MFVP_MESSAGE_TYPE message, ULONG_PTR param) override;
  STDMETHODIMP GetCurrentMediaType(IMFVideoMediaType** type) override;
  // IMFRateSupport
  STDMETHODIMP GetSlowestRate(MFRATE_DIRECTION direction, BOOL thin, float* rate) override;
  STDMETHODIMP GetFastestRate(MFRATE_DIRECTION direction, BOOL thin, float* rate) override;
  STDMETHODIMP IsRateSupported(BOOL thin, float rate, float* nearest) override;
  // IMFGetService
  STDMETHODIMP GetService(REFGUID service, REFIID riid, void** ppv) override;
  // IMFTopologyServiceLookupClient
  STDMETHODIMP InitServicePointers(IMFTopologyServiceLookup* lookup) override;
  STDMETHODIMP ReleaseServicePointers() override;
  // IMFVideoDisplayControl
  STDMETHODIMP GetNativeVideoSize(SIZE* size, SIZE* aspect) override;
  STDMETHODIMP GetIdealVideoSize(SIZE* min, SIZE* max) override;
  STDMETHODIMP SetVideoPosition(const MFVideoNormalizedRect* source, const LPRECT dest) override;
  STDMETHODIMP GetVideoPosition(MFVideoNormalizedRect* source, RECT* dest) override;
  STDMETHODIMP SetAspectRatioMode(DWORD mode) override;
  STDMETHODIMP GetAspectRatioMode(DWORD* mode) override;
  STDMETHODIMP SetVideoWindow(HWND window) override;
  STDMETHODIMP GetVideoWindow(HWND* window) override;
  STDMETHODIMP RepaintVideo() override;
  STDMETHODIMP GetCurrentImage(BITMAPINFOHEADER* header, BYTE** dib, DWORD* dibSize,
                               LONGLONG* timeStamp) override;
  STDMETHODIMP SetBorderColor(COLORREF color) override;
  STDMETHODIMP GetBorderColor(COLORREF* color) override;
  STDMETHODIMP SetRenderingPrefs(DWORD flags) override;
  STDMETHODIMP GetRenderingPrefs(DWORD* flags) override;
  STDMETHODIMP SetFullscreen(BOOL fullscreen) override;
  STDMETHODIMP GetFullscreen(BOOL* fullscreen) override;

  // Held around the session's stops and its close (the player's transport calls): no frame is pulled
  // on a thread that holds none of the EVR's locks (a returned sample, an input notification), and a
  // pull between its halves is waited for. Under Wine the mixer asks the EVR for input holding its
  // own lock while a clock event holds the renderer lock and waits for the mixer's: such a pull and a
  // stop deadlocked. Pending input is pulled by the next notification or returned sample, or when
  // the last hold is let go: holds are counted, each let go by a release of its own (the close never
  // lets its hold go).
  void HoldUnlockedPulls(bool hold);

  // A presenter whose samples are made but which has not shown a frame yet (a player opened ahead):
  // its engine draws a frame into `offscreen` (see D3DPresentEngine::DrawAhead); the video window is
  // not touched. S_FALSE before the media type is set. Called without the presenter lock held.
  HRESULT DrawAhead(HWND offscreen);

  // The player's seek mark: set by Play and SeekTo, cleared by StartAt.
  void SetSeekMark(bool mark) { seekMark_.store(mark); }
  bool seekMark() const { return seekMark_.load(); }
  // The engine (null when its set-up failed) and its set-up result.
  D3DPresentEngine* engine() { return engine_.get(); }
  HRESULT engineResult() const { return engineResult_; }
  // Replaces the engine before the EVR uses the presenter (tests imitate device states with it).
  void ReplaceEngine(std::unique_ptr<D3DPresentEngine> engine);

  // Read-outs for tests and the player.
  LONG renderState();
  LONG frameStepState();
  DWORD pooledFreeCount() { return pool_.FreeCount(); }
  DWORD pooledPendingCount() { return pool_.PendingCount(); }
  Scheduler& scheduler() { return scheduler_; }

 private:
  bool IsShutdown() const { return renderState_ == kRenderShutdown; }
  bool IsActive() const {
    return renderState_ == kRenderStarted || renderState_ == kRenderPaused;
  }
  HRESULT ConfigureMixer(IMFTransform* mixer);
  HRESULT SetMixerSourceRect(IMFTransform* mixer, const MFVideoNormalizedRect& rect);
  float MaxRate(BOOL thin);
  void CancelFrameStep();
  void NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);

  // Media type (presenter_media_type.cpp).
  // Under the presenter lock, on the EVR's threads (which hold its locks).
  HRESULT RenegotiateMediaType();
  // Without the presenter lock, on a thread that holds none of the EVR's locks: the mixer is asked
  // with the lock let go, which is taken only for the presenter's own steps.
  HRESULT RenegotiateUnlocked();
  // The negotiation loop; `stepLock` is the presenter lock to take around each own step, or null
  // when the caller holds it throughout.
  HRESULT NegotiateWith(IMFTransform* mixer, quill::com::CriticalSection* stepLock);
  HRESULT MakeOutputType(IMFMediaType* proposed);
  HRESULT SetMediaType(IMFMediaType* type);
  HRESULT IsMediaTypeSupported(IMFMediaType* type);

  // Events raised while the presenter lock is held by a thread that does not hold the EVR's lock:
  // sent after the lock is let go.
  struct PendingEvent {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
    bool latency;  // param1 points at `latencyValue` when sent
    LONGLONG latencyValue;
  };
  struct DeferredEvents {
    quill::com::ComPtr<IMediaEventSink> sink;
    std::vector<PendingEvent> events;
  };
  // Defers NotifyEvent into `events` while it lives (under the presenter lock).
  class EventDeferral {
   public:
    EventDeferral(EVRCustomPresenter* presenter, DeferredEvents* events);
    ~EventDeferral();
    EventDeferral(const EventDeferral&) = delete;
    EventDeferral& operator=(const EventDeferral&) = delete;

   private:
    EVRCustomPresenter* presenter_;
    DeferredEvents* previous_;
  };
  static void SendDeferredEvents(DeferredEvents* events);

  // One pull of a frame from the mixer, in the halves around the mixer call.
  struct OutputPull {
    quill::com::ComPtr<IMFSample> sample;
    quill::com::ComPtr<IMFTransform> mixer;
    bool fromPool = false;
    bool repaint = false;
    LONGLONG mixStart = 0;
    HRESULT result = S_OK;  // the failure before the mixer call, else the mixer's result
    UINT32 notifies = 0;    // input notifications when the pull began
    UINT32 epoch = 0;       // flushes when the pull began
    bool unlocked = false;  // on a thread that holds none of the EVR's locks (presenter_pull.cpp)
  };

  // Output (presenter_output.cpp).
  void ProcessOutputLoop();
  HRESULT ProcessOutput();
  HRESULT BeginOutput(OutputPull* pull);
  static void MixOutput(OutputPull* pull);
  HRESULT FinishOutput(OutputPull* pull);
  // The output loop of a thread that does not hold the EVR's lock; called without the presenter lock
  // (presenter_pull.cpp).
  void PullOutputUnlocked();
  HRESULT ProcessInputNotify();
  // One output pass of a thread that holds none of the EVR's locks: begun under the presenter lock
  // (false: nothing to mix), finished without it (the mixer called, then the frame delivered under
  // the lock and its events sent after).
  bool BeginUnlockedPass(OutputPull* pull);
  void SetPulling(bool pulling);  // pulling_ and pullIdle_ together
  void FinishUnlockedPass(OutputPull* pull);
  HRESULT TakeOutputSample(bool repaint, quill::com::ComPtr<IMFSample>* sample, bool* fromPool);
  HRESULT PrepareOutputSample(IMFSample* sample, bool repaint, LONGLONG* mixStart);
  HRESULT DeliverSample(IMFSample* sample, bool repaint);
  HRESULT HandleDeviceReset();

  // Stepping, returns, flush, end of stream (presenter_step.cpp).
  HRESULT DeliverFrameStepSample(IMFSample* sample);
  HRESULT StartFrameStep();
  HRESULT OnSampleFree(IMFAsyncResult* result);
  // Under the presenter lock: the step and end-of-stream bookkeeping of a freed sample; *pull when
  // the next frames are to be pulled.
  HRESULT ReturnFreedSample(HRESULT hr, IMFSample* sample, bool* pull);
  HRESULT Flush();
  void CheckEndOfStream();
  void ReleaseResources();
  void ClearFrameStepQueue();

  quill::com::AsyncCallback<EVRCustomPresenter> sampleFreeCallback_;
  LONG renderState_ = kRenderShutdown;
  LONG frameStepState_ = kStepIdle;
  SampleList frameStepQueue_;
  DWORD frameStepCount_ = 0;
  IUnknown* frameStepSample_ = nullptr;  // identity only, no reference
  quill::com::CriticalSection lock_;
  // Serialises the negotiations made without the presenter lock (RenegotiateUnlocked). Taken before
  // the presenter lock and around mixer calls, never by a thread that holds the presenter lock or
  // one of the EVR's.
  quill::com::CriticalSection negotiationLock_;
  Scheduler scheduler_;
  SamplePool pool_;
  UINT32 tokenCounter_ = 0;
  bool sampleNotify_ = false;
  // An unlocked pull is between its halves: other pulls leave the frames to it (keeps their order).
  bool pulling_ = false;
  LONG pullHolds_ = 0;  // HoldUnlockedPulls(true) not yet matched by a release
  quill::com::Handle pullIdle_{CreateEventW(nullptr, TRUE, TRUE, nullptr)};  // set while !pulling_
  UINT32 inputNotifies_ = 0;
  UINT32 flushEpoch_ = 0;
  DeferredEvents* deferredEvents_ = nullptr;
  bool repaint_ = false;
  bool prerolled_ = false;
  bool endStreaming_ = false;
  MFVideoNormalizedRect sourceRect_ = {0.0f, 0.0f, 1.0f, 1.0f};
  float rate_ = 1.0f;
  UINT32 frameWidth_ = 0;
  UINT32 frameHeight_ = 0;
  DWORD aspectRatioMode_ = 1;
  std::atomic<bool> seekMark_{true};
  bool singleFrame_ = false;
  bool hold_ = false;
  HWND videoWindow_ = nullptr;
  std::unique_ptr<D3DPresentEngine> engine_;
  HRESULT engineResult_ = S_OK;
  quill::com::ComPtr<IMFClock> clock_;
  quill::com::ComPtr<IMFTransform> mixer_;
  quill::com::ComPtr<IMediaEventSink> eventSink_;
  quill::com::ComPtr<IMFMediaType> mediaType_;
  quill::com::ComPtr<IMFSample> keptSample_;
};

}  // namespace playcore
