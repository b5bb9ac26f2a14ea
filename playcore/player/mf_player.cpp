// CPlayer: creation, reference counting, shut-down and the transport.
#include "playcore/player/mf_player.h"
#include "platform/com/message_wait.h"

#include <mfapi.h>
#include <mferror.h>

#include "platform/imports/system_library.h"
#include "playcore/player/source_shutdown.h"
#include "playcore/presenter/wine_host.h"

using namespace playcore;

namespace {

// The Media Foundation version word this program was written for, and the full start-up.
constexpr ULONG kMediaFoundationVersion = 0x20070;
constexpr DWORD kStartupFull = 0;
constexpr float kFullVolume = 65535.0f;

volatile LONG g_livePlayers = 0;

// Asked of an IUnknown to find the player behind it; answered by CPlayer alone (a private identifier).
constexpr GUID kPlayerObjectIid = {0x5d0c7a31, 0x94e2, 0x4b6f, {0x8a, 0x1d, 0x2e, 0x63, 0xc4, 0x70, 0x19, 0xb8}};

// The held messages, one bit each, in the order they are delivered.
constexpr UINT kHeldOrder[] = {kMsgPlayerReady, kMsgPlayerPaused, kMsgPlayerEnded};

LONG HeldBit(UINT message) {
  for (size_t i = 0; i < sizeof kHeldOrder / sizeof kHeldOrder[0]; ++i) {
    if (kHeldOrder[i] == message) return 1L << i;
  }
  return 0;
}

// Under Wine 8 the last MFShutdown tears the work queues down while the audio renderer's own
// callbacks may still be running (it re-arms its buffer wait from a queue thread): seen as a crash
// in the thread pool when the last player of the process goes, and as waits left behind. Under Wine
// the platform is therefore started once more, for the life of the process.
void KeepPlatformOnWine() {
  static volatile LONG kept = 0;
  if (!playcore::RunningOnWine() || InterlockedCompareExchange(&kept, 1, 0) != 0) return;
  MFStartup(kMediaFoundationVersion, kStartupFull);
}

// A window of the calling thread that is never shown, for a present no user may see.
class HiddenWindow {
 public:
  HiddenWindow()
      : window_(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP, 0, 0,
                                kHiddenWindowSize, kHiddenWindowSize, nullptr, nullptr, nullptr, nullptr)) {}
  ~HiddenWindow() {
    if (window_) DestroyWindow(window_);
  }
  HiddenWindow(const HiddenWindow&) = delete;
  HiddenWindow& operator=(const HiddenWindow&) = delete;
  HWND get() const { return window_; }

 private:
  static constexpr int kHiddenWindowSize = 64;
  HWND window_;
};

// Holds the presenter's unlocked pulls for the life of a transport call and lets go of the same
// presenter it held: a rebuild on a session thread may replace the player's presenter meanwhile.
class ScopedPullHold {
 public:
  explicit ScopedPullHold(quill::com::ComPtr<EVRCustomPresenter> presenter) : presenter_(std::move(presenter)) {
    if (presenter_) presenter_->HoldUnlockedPulls(true);
  }
  ~ScopedPullHold() {
    if (presenter_) presenter_->HoldUnlockedPulls(false);
  }
  ScopedPullHold(const ScopedPullHold&) = delete;
  ScopedPullHold& operator=(const ScopedPullHold&) = delete;

 private:
  quill::com::ComPtr<EVRCustomPresenter> presenter_;
};

}  // namespace

LONG CPlayer::liveCount() { return g_livePlayers; }

CPlayer* CPlayer::FromUnknown(IUnknown* object) {
  void* player = nullptr;
  if (!object || FAILED(object->QueryInterface(kPlayerObjectIid, &player))) return nullptr;
  return static_cast<CPlayer*>(player);
}

void CPlayer::PostToWindow(UINT message) {
  quill::com::ScopedLock hold(postLock_);
  if (eventWindow_) {
    PostMessageW(eventWindow_, message, 0, 0);
  } else {
    heldMessages_ |= HeldBit(message);
  }
}

void CPlayer::HoldMessages() {
  quill::com::ScopedLock hold(postLock_);
  eventWindow_ = nullptr;
}

void CPlayer::DeliverMessages(HWND window) {
  quill::com::ScopedLock hold(postLock_);
  eventWindow_ = window;
  for (UINT message : kHeldOrder) {
    if (heldMessages_ & HeldBit(message)) PostMessageW(window, message, 0, 0);
  }
  heldMessages_ = 0;
}

void CPlayer::KeepOwnView(const playcore::sVIEWSETTINGS& settings) {
  quill::com::ScopedLock hold(lock_);
  ownView_ = settings;
  owner_ = &ownView_;
}

bool CPlayer::WaitUntilReady(DWORD ms) {
  return readyEvent_ && WaitForSingleObject(readyEvent_.get(), ms) == WAIT_OBJECT_0;
}

HRESULT CPlayer::DrawAhead() {
  if (!ready()) return S_FALSE;
  const quill::com::ComPtr<EVRCustomPresenter> shown = presenter();
  if (!shown) return S_FALSE;
  HiddenWindow offscreen;
  if (!offscreen.get()) return HRESULT_FROM_WIN32(GetLastError());
  return shown->DrawAhead(offscreen.get());
}

void CPlayer::AdoptView(const playcore::sVIEWSETTINGS* owner) {
  quill::com::ComPtr<IMFActivate> keep;  // holds the activation object while it is given the view
  playcore::CMFActivate* object = nullptr;
  playcore::sVIEWSETTINGS seed = {};
  {
    quill::com::ScopedLock hold(lock_);
    owner_ = owner;
    if (owner) ownerCopy_ = *owner;
    seed = ownerCopy_;
    keep = activate_.Copy();
    object = activateObject_;
  }
  if (object && owner) object->Reseed(owner, seed);
}

CPlayer::CPlayer(HWND window, const playcore::sVIEWSETTINGS* owner)
    : sourceShutdownBoundMs_(RunningOnWine() ? kSourceShutdownWaitMs : INFINITE),
      owner_(owner),
      videoWindow_(window),
      eventWindow_(window) {
  InterlockedIncrement(&g_livePlayers);
}

CPlayer::~CPlayer() {
  Shutdown();
  // Only a start-up that succeeded is balanced: a second player may still be using the platform.
  if (platformStarted_) MFShutdown();
  InterlockedDecrement(&g_livePlayers);
}

HRESULT CPlayer::StartPlatform() {
  HMODULE library = quill::imports::LoadSystemLibrary(L"Mfplat.dll");
  if (!library) return HRESULT_FROM_WIN32(GetLastError());
  FreeLibrary(library);
  HRESULT hr = MFStartup(kMediaFoundationVersion, kStartupFull);
  if (FAILED(hr)) return hr;
  platformStarted_ = true;
  KeepPlatformOnWine();
  closeEvent_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  stoppedEvent_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  rateSettledEvent_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  readyEvent_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!closeEvent_ || !stoppedEvent_ || !rateSettledEvent_ || !readyEvent_) return HRESULT_FROM_WIN32(GetLastError());
  return S_OK;
}

HRESULT CPlayer::Create(HWND window, const playcore::sVIEWSETTINGS* owner, CPlayer** player) {
  if (!player) return E_POINTER;
  *player = nullptr;
  CPlayer* made = new (std::nothrow) CPlayer(window, owner);
  if (!made) return E_OUTOFMEMORY;
  const HRESULT hr = made->StartPlatform();
  if (FAILED(hr)) {
    made->Release();
    return hr;
  }
  *player = made;
  return S_OK;
}

STDMETHODIMP CPlayer::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(IMFAsyncCallback))) {
    *ppv = static_cast<IMFAsyncCallback*>(this);
    AddRef();
    return S_OK;
  }
  if (IsEqualIID(riid, kPlayerObjectIid)) {
    *ppv = this;
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CPlayer::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }

STDMETHODIMP_(ULONG) CPlayer::Release() {
  const LONG left = InterlockedDecrement(&refCount_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP CPlayer::GetParameters(DWORD*, DWORD*) { return E_NOTIMPL; }

quill::com::ComPtr<IMFMediaSession> CPlayer::session() {
  quill::com::ScopedLock hold(sessionLock_);
  return session_.Copy();
}

void CPlayer::ReleaseTopologyInterfaces() {
  displayControl_.reset();
  mixerBitmap_.reset();
  mixerControl_.reset();
  audioVolume_.reset();
}

HRESULT CPlayer::Shutdown() {
  quill::com::ComPtr<IMFMediaSession> current;
  quill::com::ComPtr<EVRCustomPresenter> held;
  RefusedRenderers refused;  // shut down at the end, after the session, without the lock
  {
    quill::com::ScopedLock hold(lock_);
    refused.Swap(refused_);
    current = session();
    for (auto& gate : releaseGates_) gate->Close();
    held = PullTarget();
    // From here on the readers are refused (display control, presenter) and a rebuild on a session
    // thread makes no presenter: both look at the closing state under this lock.
    displayControl_.reset();
    ++closeCount_;
    if (current) InterlockedExchange(&state_, kPlayerClosing);
  }
  // Held for good (the close stops the presenter), outside the lock: the hold waits (bounded) for a
  // pull between its halves, and readers and session threads must not wait with it.
  if (held) held->HoldUnlockedPulls(true);
  held.reset();
  HRESULT hr = S_OK;
  if (current) {
    OnCloseWaitBegins();
    hr = current->Close();
    // A session that does not report its closing in time is shut down all the same. The wait holds
    // no lock: session threads take lock_ (topology status, a rebuild) and readers on other threads
    // would stand still for the whole wait. The closing stops the renderers, whose last present may
    // need this (the window's) thread.
    const DWORD boundMs = ended_ && RunningOnWine() ? kEndedSessionCloseWaitMs : kSessionCloseWaitMs;
    if (SUCCEEDED(hr)) quill::com::WaitDispatchingSentMessages(closeEvent_.get(), boundMs);
  }
  // Even after a failed Close both are shut down, so that no session thread keeps this player (the
  // session's event callback) alive: the source first, outside the lock, as its shut-down is bounded
  // (under Wine) and session threads take the lock meanwhile; readers have been refused it since the
  // close began.
  quill::com::ComPtr<IMFMediaSource> source;
  {
    quill::com::ScopedLock hold(lock_);
    source = std::move(source_);
  }
  OnSourceShutdown(&source);
  ShutdownSourceWithin(source.get(), sourceShutdownBoundMs_);
  source.reset();
  quill::com::ScopedLock hold(lock_);
  if (current) current->Shutdown();
  {
    quill::com::ScopedLock sessionHold(sessionLock_);
    session_.reset();
  }
  // The renderers and the presenter go with the session: the video renderer is the player's own, and
  // an audio renderer the session leaves alive must not be kept through its activate.
  ShutdownMediaSinks();
  releaseGates_.clear();
  for (auto& activate : rendererActivates_) activate->ShutdownObject();
  rendererActivates_.clear();
  if (activateObject_) activateObject_->ShutdownObject();
  activate_.reset();
  activateObject_ = nullptr;
  {
    quill::com::ScopedLock clockHold(clockLock_);
    clock_.reset();
    rateControl_.reset();
    rateSupport_.reset();
  }
  ReleaseTopologyInterfaces();
  InterlockedExchange(&state_, kPlayerClosed);
  if (readyEvent_) SetEvent(readyEvent_.get());  // a wait for readiness ends with the close
  return hr;
}

quill::com::ComPtr<IMFPresentationClock> CPlayer::clock() {
  quill::com::ScopedLock hold(clockLock_);
  return clock_.Copy();
}

void CPlayer::RateInterfaces(quill::com::ComPtr<IMFRateControl>* control,
                             quill::com::ComPtr<IMFRateSupport>* support) {
  quill::com::ScopedLock hold(clockLock_);
  *control = rateControl_.Copy();
  if (support) *support = rateSupport_.Copy();
}

quill::com::ComPtr<EVRCustomPresenter> CPlayer::presenter() {
  quill::com::ScopedLock hold(lock_);
  if (closing()) return quill::com::ComPtr<EVRCustomPresenter>();
  return activateObject_ ? activateObject_->presenter() : quill::com::ComPtr<EVRCustomPresenter>();
}

quill::com::ComPtr<EVRCustomPresenter> CPlayer::PullTarget() {
  // The session's stops run the EVR's clock events, which must not meet a frame pulled on another
  // thread (see EVRCustomPresenter::HoldUnlockedPulls). Also while closing: the close stops it too.
  quill::com::ScopedLock lock(lock_);
  return activateObject_ ? activateObject_->presenter() : quill::com::ComPtr<EVRCustomPresenter>();
}

void CPlayer::SetSeekMark(bool mark) {
  // Under the lock: a topology rebuilt on a session thread replaces the activation object.
  quill::com::ScopedLock hold(lock_);
  if (activateObject_) activateObject_->SetSeekMark(mark);
}

bool CPlayer::ready() {
  quill::com::ScopedLock hold(lock_);
  return static_cast<bool>(displayControl_);
}

bool CPlayer::hasAudioVolume() {
  quill::com::ScopedLock hold(lock_);
  return static_cast<bool>(audioVolume_);
}

HRESULT CPlayer::Play() {
  const LONG state = state_;
  if (state != kPlayerPaused && state != kPlayerStopped) return MF_E_INVALIDREQUEST;
  quill::com::ComPtr<IMFMediaSession> current = session();
  if (!current || !source_) return E_UNEXPECTED;
  SetSeekMark(true);
  InterlockedExchange(&ended_, 0);
  LONGLONG pausedAt = 0;
  const quill::com::ComPtr<IMFPresentationClock> presentationClock = clock();
  if (state == kPlayerPaused && presentationClock) presentationClock->GetTime(&pausedAt);
  const LONGLONG held = seekHeld_.exchange(-1);
  if (state == kPlayerPaused && held >= 0) pausedAt = held;  // goes on from the picture shown
  MediaSessionControl control(current.get(), stoppedEvent_.get());
  HRESULT hr = S_OK;
  {
    const ScopedPullHold pulls(PullTarget());
    hr = ResumeSession(control, RunningOnWine(), state == kPlayerPaused, pausedAt);
  }
  if (SUCCEEDED(hr)) InterlockedExchange(&state_, kPlayerStarted);
  return hr;
}

HRESULT CPlayer::Pause() {
  if (state_ != kPlayerStarted) return S_OK;
  quill::com::ComPtr<IMFMediaSession> current = session();
  if (!current || !source_) return S_OK;
  const HRESULT hr = current->Pause();
  if (SUCCEEDED(hr)) InterlockedExchange(&state_, kPlayerPaused);
  return hr;
}

HRESULT CPlayer::SeekTo(LONGLONG position) {
  quill::com::ComPtr<IMFMediaSession> current = session();
  if (!current || !ready()) return E_UNEXPECTED;
  SetSeekMark(true);
  InterlockedExchange(&ended_, 0);
  MediaSessionControl control(current.get(), stoppedEvent_.get());
  knownTime_.store(position);
  HRESULT hr = S_OK;
  {
    const ScopedPullHold pulls(PullTarget());
    hr = SeekSession(control, RunningOnWine(), position);
  }
  if (SUCCEEDED(hr)) {
    seekHeld_.store(position);
    InterlockedExchange(&state_, kPlayerPaused);
  }
  return hr;
}

HRESULT CPlayer::StartAt(LONGLONG position) {
  quill::com::ComPtr<IMFMediaSession> current = session();
  if (!current) return E_UNEXPECTED;
  SetSeekMark(false);
  InterlockedExchange(&ended_, 0);
  MediaSessionControl control(current.get(), stoppedEvent_.get());
  knownTime_.store(position);
  seekHeld_.store(-1);
  HRESULT hr = S_OK;
  {
    const ScopedPullHold pulls(PullTarget());
    hr = RestartSessionAt(control, RunningOnWine(), position);
  }
  if (SUCCEEDED(hr)) InterlockedExchange(&state_, kPlayerStarted);
  return hr;
}

HRESULT CPlayer::SetVolume(LONG volume) {
  quill::com::ComPtr<IMFAudioStreamVolume> audio;
  {
    quill::com::ScopedLock hold(lock_);
    audio = audioVolume_.Copy();
  }
  if (!audio) return E_POINTER;
  UINT32 channels = 0;
  HRESULT hr = audio->GetChannelCount(&channels);
  for (UINT32 i = 0; SUCCEEDED(hr) && i < channels; ++i) {
    hr = audio->SetChannelVolume(i, static_cast<float>(volume) / kFullVolume);
  }
  if (SUCCEEDED(hr)) InterlockedExchange(&volume_, volume);
  return hr;
}

HRESULT CPlayer::SetVideoPosition(LONG x, LONG y, LONG width, LONG height) {
  quill::com::ScopedLock hold(lock_);
  if (!displayControl_) return E_POINTER;
  const MFVideoNormalizedRect whole = {0.0f, 0.0f, 1.0f, 1.0f};
  RECT dest = {x, y, x + width, y + height};
  return displayControl_->SetVideoPosition(&whole, &dest);
}

HRESULT CPlayer::SetRate(float rate) {
  quill::com::ComPtr<IMFRateControl> rateControl;
  quill::com::ComPtr<IMFRateSupport> rateSupport;
  RateInterfaces(&rateControl, &rateSupport);
  if (!rateControl) return E_UNEXPECTED;
  // Above double speed the source may drop frames that would not be shown anyway, where the session
  // says it can. A session may still refuse the thinned rate in its rate event (Wine's does, after
  // saying yes): Invoke then asks for the same rate without thinning.
  constexpr float kThinAbove = 2.0f;
  BOOL thin = FALSE;
  if (rate > kThinAbove && rateSupport &&
      SUCCEEDED(rateSupport->IsRateSupported(TRUE, rate, nullptr))) {
    thin = TRUE;
  }
  rateRequested_ = rate;
  InterlockedExchange(&rateThinned_, thin);
  const bool wine = RunningOnWine();
  const quill::com::ComPtr<IMFMediaSession> current = session();
  const bool playing = state_ == kPlayerStarted && current;
  if (!wine || !playing) return rateControl->SetRate(thin, rate);
  // Under Wine a playing session is stopped around the change (see ChangeSessionRate) and goes on
  // from where it stood, as a resume does.
  LONGLONG position = 0;
  const quill::com::ComPtr<IMFPresentationClock> presentationClock = clock();
  if (presentationClock) presentationClock->GetTime(&position);
  if (position == 0) position = knownTime_.load();  // a clock that has just started reads 0
  knownTime_.store(position);
  SetSeekMark(true);
  MediaSessionControl control(current.get(), stoppedEvent_.get(), rateControl.get(), rateSettledEvent_.get());
  const ScopedPullHold pulls(PullTarget());
  return ChangeSessionRate(control, wine, playing, position, thin, rate);
}

HRESULT CPlayer::GetTime(LONGLONG* time) {
  if (!time) return E_POINTER;
  *time = 0;
  const quill::com::ComPtr<IMFPresentationClock> presentationClock = clock();
  if (!presentationClock) return E_UNEXPECTED;
  const LONGLONG held = seekHeld_.load();
  if (state_ == kPlayerPaused && held >= 0) {
    *time = held;
    return S_OK;
  }
  const HRESULT hr = presentationClock->GetTime(time);
  if (SUCCEEDED(hr) && *time != 0) knownTime_.store(*time);
  return hr;
}

HRESULT CPlayer::GetNativeSize(LONG* width, LONG* height) {
  quill::com::ScopedLock hold(lock_);
  if (!displayControl_) return E_UNEXPECTED;
  SIZE native = {};
  const HRESULT hr = displayControl_->GetNativeVideoSize(&native, nullptr);
  if (SUCCEEDED(hr)) {
    *width = native.cx;
    *height = native.cy;
  }
  return hr;
}

HRESULT CPlayer::RepaintVideo() {
  quill::com::ScopedLock hold(lock_);
  if (!displayControl_) return E_UNEXPECTED;
  return displayControl_->RepaintVideo();
}

