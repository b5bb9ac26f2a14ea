#include "playcore/instances/prepared_movies.h"

#include <mfapi.h>
#include <mfidl.h>

#include <cwchar>
#include <string>

#include "playcore/instances/instance_gate.h"
#include "playcore/player/mf_player.h"
#include "playcore/player/source_shutdown.h"
#include "playcore/player/wine_host.h"

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

SRWLOCK g_opsLock = SRWLOCK_INIT;
MovieSourceOps g_ops = {DefaultResolve, DefaultRelease};

MovieSourceOps CurrentOps() {
  AcquireSRWLockShared(&g_opsLock);
  MovieSourceOps ops = g_ops;
  ReleaseSRWLockShared(&g_opsLock);
  return ops;
}

// One instance's prepared source.
struct Slot {
  SRWLOCK lock = SRWLOCK_INIT;
  unsigned epoch = 0;  // moves on at every take and drop
  std::wstring path;
  IUnknown* source = nullptr;  // a reference and a platform start of its own
  MovieSourceOps ops = {};     // the ops that made it
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
};

// Empties the slot (under its lock) and answers what it held.
Held TakeLocked(Slot* slot) {
  Held held{std::move(slot->path), slot->source, slot->ops};
  slot->path.clear();
  slot->source = nullptr;
  ++slot->epoch;
  return held;
}

void Let(const Held& held, bool takenOver) {
  if (!held.source) return;
  held.ops.release(held.source, takenOver);
  held.source->Release();
}

}  // namespace

MovieSourceOps SetMovieSourceOps(MovieSourceOps ops) {
  if (!ops.resolve || !ops.release) ops = MovieSourceOps{DefaultResolve, DefaultRelease};
  AcquireSRWLockExclusive(&g_opsLock);
  const MovieSourceOps previous = g_ops;
  g_ops = ops;
  ReleaseSRWLockExclusive(&g_opsLock);
  return previous;
}

namespace PlayerInstance {

int PrepareMovie(sPLAYERINSTANCE* instance, const wchar_t* path) {
  Slot* slot = SlotOf(instance);
  if (!slot || !path || !path[0] || wcslen(path) >= kPlayerPathLength) return 0;
  unsigned epoch = 0;
  {
    InstanceUse use(instance);
    if (!use.entered() || instance->readAheadStopped) return 0;
    AcquireSRWLockExclusive(&slot->lock);
    const bool kept = slot->source && _wcsicmp(slot->path.c_str(), path) == 0;
    epoch = slot->epoch;
    ReleaseSRWLockExclusive(&slot->lock);
    if (kept) return 1;
  }
  const MovieSourceOps ops = CurrentOps();
  IUnknown* source = nullptr;
  if (FAILED(ops.resolve(path, &source)) || !source) return 0;
  Held replaced;
  bool kept = false;
  {
    InstanceUse use(instance);
    AcquireSRWLockExclusive(&slot->lock);
    // A take, a drop or a stop since the start: this source belongs to no open any more.
    if (use.entered() && !instance->readAheadStopped && slot->epoch == epoch) {
      replaced = TakeLocked(slot);
      slot->path = path;
      slot->source = source;
      slot->ops = ops;
      kept = true;
    }
    ReleaseSRWLockExclusive(&slot->lock);
  }
  Let(replaced, false);
  if (!kept) {
    ops.release(source, false);
    source->Release();
  }
  return kept ? 1 : 0;
}

quill::com::ComPtr<IUnknown> TakePreparedMovie(sPLAYERINSTANCE* instance, const wchar_t* path) {
  Slot* slot = SlotOf(instance);
  if (!slot) return quill::com::ComPtr<IUnknown>();
  AcquireSRWLockExclusive(&slot->lock);
  Held held = TakeLocked(slot);
  ReleaseSRWLockExclusive(&slot->lock);
  if (!held.source) return quill::com::ComPtr<IUnknown>();
  if (!path || _wcsicmp(held.path.c_str(), path) != 0) {
    Let(held, false);
    return quill::com::ComPtr<IUnknown>();
  }
  // The caller's player holds the platform from here; the caller gets the reference.
  held.ops.release(held.source, true);
  return quill::com::ComPtr<IUnknown>(held.source);
}

int DropPreparedMovie(sPLAYERINSTANCE* instance) {
  Slot* slot = SlotOf(instance);
  if (!slot) return 0;
  AcquireSRWLockExclusive(&slot->lock);
  Held held = TakeLocked(slot);
  ReleaseSRWLockExclusive(&slot->lock);
  Let(held, false);
  return 1;
}

}  // namespace PlayerInstance
}  // namespace playcore
