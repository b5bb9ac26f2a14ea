#include "playcore/instances/prepared_movies.h"

#include <mfapi.h>
#include <mfidl.h>

#include <cwchar>
#include <string>

#include "playcore/instances/instance_gate.h"
#include "playcore/instances/player_bridge.h"
#include "playcore/instances/player_start.h"
#include "playcore/player/mf_player.h"
#include "playcore/player/source_shutdown.h"
#include "playcore/presenter/wine_host.h"

namespace playcore {

namespace {

constexpr ULONG kMediaFoundationVersion = 0x20070;
constexpr DWORD kStartupFull = 0;

// COM on the calling thread for the length of a resolution (a worker may never have started it).
class ThreadCom {
 public:
  ThreadCom() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ThreadCom() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }

 private:
  HRESULT hr_;
};

HRESULT DefaultResolve(const wchar_t* path, IUnknown** source) {
  *source = nullptr;
  ThreadCom com;
  HRESULT hr = MFStartup(kMediaFoundationVersion, kStartupFull);
  if (FAILED(hr)) return hr;
  quill::com::ComPtr<IMFMediaSource> resolved;
  hr = ResolveMediaSource(path, resolved.put());
  if (FAILED(hr)) {
    MFShutdown();
    return hr;
  }
  *source = resolved.detach();
  return S_OK;
}

void DefaultRelease(IUnknown* source, bool takenOver) {
  if (!takenOver) {
    quill::com::ComPtr<IMFMediaSource> media;
    if (SUCCEEDED(source->QueryInterface(__uuidof(IMFMediaSource), media.putVoid()))) {
      ShutdownSourceWithin(media.get(), RunningOnWine() ? kSourceShutdownWaitMs : INFINITE);
    }
  }
  MFShutdown();
}

// A Media Foundation player for the window, its messages held, opened from the source up to ready.
// Its presenter's Direct3D device is made here, on the preparing thread (an ordinary open makes it on
// the window's thread, an audio-less rebuild on a session thread): the device is windowed and made
// with D3DCREATE_NOWINDOWCHANGES, so the window is not hooked and no thread of the window's is needed;
// any message the device sends the window while it is made or closed is dispatched by the UI thread's
// join of the worker. Nothing is presented before the take-over: the session is never started, and
// the pane repaints only the instance's own player.
HRESULT DefaultOpenPlayer(HWND window, const sVIEWSETTINGS* settings, IUnknown* source, const wchar_t* path,
                          IUnknown** player) {
  *player = nullptr;
  quill::com::ComPtr<IMFMediaSource> media;
  HRESULT hr = source->QueryInterface(__uuidof(IMFMediaSource), media.putVoid());
  if (FAILED(hr)) return hr;
  ThreadCom com;
  CPlayer* made = nullptr;
  // The same start-up check as an open's: without it the instance plays another way, and nothing is
  // prepared for it.
  hr = StartMediaFoundationPlayer(window, nullptr, &made);
  if (FAILED(hr)) return hr;
  made->HoldMessages();
  made->KeepOwnView(*settings);
  if (!made->OpenURL(path, media.get())) {
    made->Release();
    return E_FAIL;
  }
  *player = static_cast<IMFAsyncCallback*>(made);
  return S_OK;
}

bool DefaultWaitReady(IUnknown* player, DWORD waitMs) {
  CPlayer* made = CPlayer::FromUnknown(player);
  if (!made) return true;
  const bool ready = made->WaitUntilReady(waitMs);
  made->Release();
  return ready;
}

HRESULT DefaultDrawAhead(IUnknown* player) {
  CPlayer* made = CPlayer::FromUnknown(player);
  if (!made) return S_FALSE;
  const HRESULT hr = made->DrawAhead();
  made->Release();
  return hr;
}

void DefaultReleasePlayer(IUnknown* player, bool takenOver) {
  if (takenOver) return;
  if (CPlayer* made = CPlayer::FromUnknown(player)) {
    made->Shutdown();
    made->Release();
  }
}

SRWLOCK g_opsLock = SRWLOCK_INIT;
MovieSourceOps g_ops = {DefaultResolve, DefaultRelease};
MoviePlayerOps g_playerOps = {DefaultOpenPlayer, DefaultReleasePlayer, DefaultWaitReady, DefaultDrawAhead};

MovieSourceOps CurrentOps() {
  AcquireSRWLockShared(&g_opsLock);
  MovieSourceOps ops = g_ops;
  ReleaseSRWLockShared(&g_opsLock);
  return ops;
}

MoviePlayerOps CurrentPlayerOps() {
  AcquireSRWLockShared(&g_opsLock);
  MoviePlayerOps ops = g_playerOps;
  ReleaseSRWLockShared(&g_opsLock);
  return ops;
}

// One instance's prepared movie: its source, or the player made from it.
struct Slot {
  SRWLOCK lock = SRWLOCK_INIT;
  unsigned epoch = 0;  // moves on at every take and drop
  std::wstring path;
  IUnknown* source = nullptr;  // a reference and a platform start of its own
  MovieSourceOps ops = {};     // the ops that made it
  IUnknown* player = nullptr;  // a reference; the player holds its own platform start and its source
  MoviePlayerOps playerOps = {};
};
Slot g_slots[kPlayerCount];

Slot* SlotOf(const sPLAYERINSTANCE* instance) {
  for (int k = 0; k < kPlayerCount; ++k) {
    if (instance == &g_PlayerInstance[k]) return &g_slots[k];
  }
  return nullptr;
}

// What a slot held, taken out of it.
struct Held {
  std::wstring path;
  IUnknown* source = nullptr;
  MovieSourceOps ops = {};
  IUnknown* player = nullptr;
  MoviePlayerOps playerOps = {};
};

// Empties the slot (under its lock) and answers what it held.
Held TakeLocked(Slot* slot) {
  Held held{std::move(slot->path), slot->source, slot->ops, slot->player, slot->playerOps};
  slot->path.clear();
  slot->source = nullptr;
  slot->player = nullptr;
  ++slot->epoch;
  return held;
}

void LetSource(Held* held, bool takenOver) {
  if (!held->source) return;
  held->ops.release(held->source, takenOver);
  held->source->Release();
  held->source = nullptr;
}

void LetPlayer(Held* held, bool takenOver) {
  if (!held->player) return;
  held->playerOps.release(held->player, takenOver);
  held->player->Release();
  held->player = nullptr;
}

void Let(Held held, bool takenOver) {
  LetPlayer(&held, takenOver);
  LetSource(&held, takenOver);
}

// Empties the instance's slot; what was prepared for another path than `path` is shut down.
Held TakeFor(sPLAYERINSTANCE* instance, const wchar_t* path) {
  Slot* slot = SlotOf(instance);
  if (!slot) return Held();
  AcquireSRWLockExclusive(&slot->lock);
  Held held = TakeLocked(slot);
  ReleaseSRWLockExclusive(&slot->lock);
  if ((held.source || held.player) && (!path || _wcsicmp(held.path.c_str(), path) != 0)) {
    Let(std::move(held), false);
    return Held();
  }
  return held;
}

// Hands a taken source or player to the caller: its release as taken over, the reference given on.
quill::com::ComPtr<IUnknown> HandSource(Held* held) {
  if (!held->source) return quill::com::ComPtr<IUnknown>();
  held->ops.release(held->source, true);  // the caller's player holds the platform from here
  IUnknown* source = held->source;
  held->source = nullptr;
  return quill::com::ComPtr<IUnknown>(source);
}

quill::com::ComPtr<IUnknown> HandPlayer(Held* held) {
  if (!held->player) return quill::com::ComPtr<IUnknown>();
  held->playerOps.release(held->player, true);
  IUnknown* player = held->player;
  held->player = nullptr;
  return quill::com::ComPtr<IUnknown>(player);
}

}  // namespace

MoviePlayerOps SetMoviePlayerOps(MoviePlayerOps ops) {
  if (!ops.open || !ops.release) {
    ops = MoviePlayerOps{DefaultOpenPlayer, DefaultReleasePlayer, DefaultWaitReady, DefaultDrawAhead};
  }
  AcquireSRWLockExclusive(&g_opsLock);
  const MoviePlayerOps previous = g_playerOps;
  g_playerOps = ops;
  ReleaseSRWLockExclusive(&g_opsLock);
  return previous;
}

MovieSourceOps SetMovieSourceOps(MovieSourceOps ops) {
  if (!ops.resolve || !ops.release) ops = MovieSourceOps{DefaultResolve, DefaultRelease};
  AcquireSRWLockExclusive(&g_opsLock);
  const MovieSourceOps previous = g_ops;
  g_ops = ops;
  ReleaseSRWLockExclusive(&g_opsLock);
  return previous;
}

namespace PlayerInstance {

// Puts what a preparation made into the slot for `path` (`store` fills it, under the slot's lock),
// letting go whatever was there, unless a take, a drop or a stop moved the slot on since `epoch`:
// then what it made belongs to no open any more, and false tells the caller to let it go.
template <typename Store>
bool KeepIfCurrent(sPLAYERINSTANCE* instance, Slot* slot, unsigned epoch, const wchar_t* path, Store store) {
  Held replaced;
  bool kept = false;
  {
    InstanceUse use(instance);
    AcquireSRWLockExclusive(&slot->lock);
    if (use.entered() && !instance->readAheadStopped && slot->epoch == epoch) {
      replaced = TakeLocked(slot);
      slot->path = path;
      store();
      kept = true;
    }
    ReleaseSRWLockExclusive(&slot->lock);
  }
  Let(std::move(replaced), false);
  return kept;
}

int PrepareMovie(sPLAYERINSTANCE* instance, const wchar_t* path) {
  Slot* slot = SlotOf(instance);
  if (!slot || !path || !path[0] || wcslen(path) >= kPlayerPathLength) return 0;
  unsigned epoch = 0;
  {
    InstanceUse use(instance);
    if (!use.entered() || instance->readAheadStopped) return 0;
    AcquireSRWLockExclusive(&slot->lock);
    const bool kept = (slot->source || slot->player) && _wcsicmp(slot->path.c_str(), path) == 0;
    epoch = slot->epoch;
    ReleaseSRWLockExclusive(&slot->lock);
    if (kept) return 1;
  }
  const MovieSourceOps ops = CurrentOps();
  IUnknown* source = nullptr;
  if (FAILED(ops.resolve(path, &source)) || !source) return 0;
  const bool kept = KeepIfCurrent(instance, slot, epoch, path, [&] {
    slot->source = source;
    slot->ops = ops;
  });
  if (!kept) {
    ops.release(source, false);
    source->Release();
  }
  return kept ? 1 : 0;
}

int PreparePlayer(sPLAYERINSTANCE* instance, const wchar_t* path) {
  Slot* slot = SlotOf(instance);
  if (!slot || !path || !path[0] || wcslen(path) >= kPlayerPathLength) return 0;
  // Under Wine a Direct3D device made while the pair before draws can hang every drawing thread of
  // the process for good: the new device's first GL context is made while the other devices' command
  // threads swap or blit, and all of them stop inside Wine's GL driver (seen in about one pair start
  // in eight, the picture and the position frozen). There the players are opened at the pair's own
  // open, with the pair before closed; the source resolved ahead stays kept for it.
  if (CurrentPlayerOps().open == DefaultOpenPlayer && RunningOnWine()) return 0;
  Held taken;
  unsigned epoch = 0;
  HWND window = nullptr;
  sVIEWSETTINGS settings = {};
  {
    InstanceUse use(instance);
    if (!use.entered() || instance->readAheadStopped) return 0;
    AcquireSRWLockExclusive(&slot->lock);
    const bool same = _wcsicmp(slot->path.c_str(), path) == 0;
    const bool kept = same && slot->player;
    // The source goes out of the slot for the player's open: a take or a drop meanwhile moves the
    // epoch on, and the player made from it is then shut down here.
    if (same && slot->source) taken = TakeLocked(slot);
    epoch = slot->epoch;
    ReleaseSRWLockExclusive(&slot->lock);
    if (kept) return 1;
    if (!taken.source) return 0;
    MutexLock lock(instance->instanceMutex);
    window = instance->videoWindow;
    settings = bridge::NextMovieView(instance);
  }
  const MoviePlayerOps ops = CurrentPlayerOps();
  IUnknown* player = nullptr;
  if (FAILED(ops.open(window, &settings, taken.source, path, &player)) || !player) {
    if (player) player->Release();
    LetSource(&taken, false);
    return 0;
  }
  LetSource(&taken, true);  // the player holds the platform and the source from here
  const bool kept = KeepIfCurrent(instance, slot, epoch, path, [&] {
    slot->player = player;
    slot->playerOps = ops;
  });
  if (!kept) {
    ops.release(player, false);
    player->Release();
  }
  return kept ? 1 : 0;
}

// Whether the slot still holds what was there at `epoch` and the read-ahead goes on.
bool StillCurrent(sPLAYERINSTANCE* instance, Slot* slot, unsigned epoch) {
  AcquireSRWLockShared(&slot->lock);
  const bool current = slot->epoch == epoch && !instance->readAheadStopped;
  ReleaseSRWLockShared(&slot->lock);
  return current;
}

int DrawPreparedPlayerAhead(sPLAYERINSTANCE* instance, const wchar_t* path) {
  Slot* slot = SlotOf(instance);
  if (!slot || !path || !path[0]) return 0;
  quill::com::ComPtr<IUnknown> player;
  MoviePlayerOps ops = {};
  unsigned epoch = 0;
  AcquireSRWLockExclusive(&slot->lock);
  if (slot->player && _wcsicmp(slot->path.c_str(), path) == 0) {
    player = quill::com::ComPtr<IUnknown>::Borrow(slot->player);
    ops = slot->playerOps;
    epoch = slot->epoch;
  }
  ReleaseSRWLockExclusive(&slot->lock);
  if (!player || !ops.waitReady || !ops.drawAhead) return 0;
  // The wait leaves the player in the slot for an open that comes meanwhile: the reference held here
  // only keeps it alive, and the wait ends within a slice of a take, a drop or a stop.
  constexpr DWORD kSliceMs = 50;
  const DWORD start = GetTickCount();
  bool ready = false;
  while (!ready && GetTickCount() - start < kReadyAheadWaitMs && StillCurrent(instance, slot, epoch)) {
    ready = ops.waitReady(player.get(), kSliceMs);
  }
  if (!ready) return 0;
  // The drawing has the player to itself: out of the slot, as for an open, and back in afterwards
  // unless an open, a drop or a stop came meanwhile (then it is shut down here).
  Held held;
  AcquireSRWLockExclusive(&slot->lock);
  if (slot->epoch == epoch && slot->player == player.get() && !instance->readAheadStopped) {
    held = TakeLocked(slot);
    epoch = slot->epoch;
  }
  ReleaseSRWLockExclusive(&slot->lock);
  player.reset();
  if (!held.player) return 0;
  const HRESULT hr = ops.drawAhead(held.player);
  IUnknown* drawn = held.player;
  held.player = nullptr;
  const bool kept = KeepIfCurrent(instance, slot, epoch, path, [&] {
    slot->player = drawn;
    slot->playerOps = ops;
  });
  if (!kept) {
    ops.release(drawn, false);
    drawn->Release();
    return 0;
  }
  return hr == S_OK ? 1 : 0;
}

quill::com::ComPtr<IUnknown> TakePreparedPlayer(sPLAYERINSTANCE* instance, const wchar_t* path) {
  Slot* slot = SlotOf(instance);
  if (!slot) return quill::com::ComPtr<IUnknown>();
  AcquireSRWLockExclusive(&slot->lock);
  const bool same = path && _wcsicmp(slot->path.c_str(), path) == 0;
  Held held;
  if (!same || slot->player) held = TakeLocked(slot);
  ReleaseSRWLockExclusive(&slot->lock);
  if (!same) {
    Let(std::move(held), false);
    return quill::com::ComPtr<IUnknown>();
  }
  return HandPlayer(&held);
}

quill::com::ComPtr<IUnknown> TakePreparedMovie(sPLAYERINSTANCE* instance, const wchar_t* path) {
  Held held = TakeFor(instance, path);
  LetPlayer(&held, false);
  return HandSource(&held);
}

int DropPreparedMovie(sPLAYERINSTANCE* instance) {
  Slot* slot = SlotOf(instance);
  if (!slot) return 0;
  AcquireSRWLockExclusive(&slot->lock);
  Held held = TakeLocked(slot);
  ReleaseSRWLockExclusive(&slot->lock);
  Let(std::move(held), false);
  return 1;
}

}  // namespace PlayerInstance
}  // namespace playcore
