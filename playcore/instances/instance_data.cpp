// The drive data of an instance and its three maps:
//   pre-load map  <- SwitchDataFile reads the next recording ahead (pre-open worker, data mutex held)
//   load map      <- LoadDataFile takes the pre-load over, or reads the file itself (open worker)
//   current map   <- CommitDataFile moves the load map in; the views read it under the instance mutex
// Lock order: gate lock (entry and the words of the pre-load, never held while waiting), instance
// mutex, then data mutex. The close stops the read-ahead (StopReadAhead: the gate lock only) before it
// joins the workers and releases the instance; a worker never waits for the UI thread while it holds
// either mutex, so the join ends once the running walk sees the cancel word.
// The data mutex is held for a whole pre-load, so only
// what touches the pre-load map takes it; every user of the load map and the current map holds the
// instance mutex, and LoadDataFile, the one writer that holds both, is excluded by it. The cancel
// word stops a running pre-load; the ready word says the pre-load map holds the pre-load path's data.
#include "playcore/instances/instance_gate.h"
#include "playcore/instances/instance_ops.h"

#include <cwchar>

namespace playcore {
namespace PlayerInstance {

namespace {

// Empties a map without closing it: loaded flag, records, handles and path.
void ClearMap(sMP4FILEMAP* map) {
  map->loaded = 0;
  map->Clear();
  map->CloseHandles();
  map->path[0] = L'\0';
}

// Stops a running pre-load: raise the cancel word, let the holder of the data mutex end, lower it
// again; but not once Release has closed the gate or the close stopped the read-ahead, since their
// own raise must reach every pre-load still to come (the gate lock orders this against both).
void CancelPreload(sPLAYERINSTANCE* instance) {
  InterlockedExchange(&instance->cancelWord, 1);
  WaitOutMutex(instance->dataMutex);
  AcquireSRWLockExclusive(&instance->gateLock);
  if (instance->active && !instance->readAheadStopped) InterlockedExchange(&instance->cancelWord, 0);
  ReleaseSRWLockExclusive(&instance->gateLock);
}

// True when a pre-load of exactly `path` is in flight (the path is read under the gate lock).
bool PreloadRunningFor(sPLAYERINSTANCE* instance, const wchar_t* path) {
  AcquireSRWLockExclusive(&instance->gateLock);
  bool same = instance->preloadRunning > 0 && wcscmp(instance->preloadPath, path) == 0;
  ReleaseSRWLockExclusive(&instance->gateLock);
  return same;
}

// Announces a pre-load of `path`: stored as the pre-load path and counted as running.
void BeginPreload(sPLAYERINSTANCE* instance, const wchar_t* path) {
  AcquireSRWLockExclusive(&instance->gateLock);
  CopyPathField(instance->preloadPath, path);
  ++instance->preloadRunning;
  ReleaseSRWLockExclusive(&instance->gateLock);
}

void EndPreload(sPLAYERINSTANCE* instance) {
  AcquireSRWLockExclusive(&instance->gateLock);
  --instance->preloadRunning;
  ReleaseSRWLockExclusive(&instance->gateLock);
}

bool PathFits(const wchar_t* path) { return path && wcsnlen(path, kPlayerPathLength) < kPlayerPathLength; }

// Loads `path` into the pre-load map; the data mutex is held.
int PreloadLocked(sPLAYERINSTANCE* instance, const wchar_t* path) {
  // Cleared here, under the data mutex: LoadDataFile may be moving this very map under it.
  InterlockedExchange(&instance->preloadReady, 0);
  ClearMap(&instance->preloadMap);
  if (path[0] == L'\0') return 1;
  // Release or the close is waiting for this caller: a walk that takes the cancel word clears it, so
  // a pre-load queued behind a cancelled one would not see it and would run whole.
  if (!instance->active || instance->readAheadStopped) return 0;
  int loaded = instance->preloadMap.Load(path);
  if (loaded) InterlockedExchange(&instance->preloadReady, 1);
  return loaded;
}

}  // namespace

int SwitchDataFile(const wchar_t* path0, const wchar_t* path1) {
  // A pair without a main file reads its rear file ahead, in the instance that will open it.
  const bool main = path0 && path0[0];
  const int index = main ? 0 : 1;
  const wchar_t* path = main ? path0 : (path1 ? path1 : L"");
  sPLAYERINSTANCE* instance = &g_PlayerInstance[index];
  InstanceUse use(instance);
  if (!use.entered() || !PathFits(path)) return 0;
  // The path already being read ahead is left to finish, and what was read ahead is kept: the open
  // worker asks again for the entry the pre-open worker read.
  if (path[0] && PreloadRunningFor(instance, path)) {
    WaitOutMutex(instance->dataMutex);
  } else {
    CancelPreload(instance);
  }
  BeginPreload(instance, path);
  int loaded = 0;
  {
    MutexLock dataLock(instance->dataMutex);
    const bool kept = path[0] && instance->preloadReady && wcscmp(instance->preloadMap.path, path) == 0;
    loaded = kept ? 1 : PreloadLocked(instance, path);
  }
  EndPreload(instance);
  return loaded;
}

int ClearReadAhead(sPLAYERINSTANCE* instance) {
  InstanceUse use(instance);
  if (!use.entered()) return 0;
  CancelPreload(instance);
  MutexLock dataLock(instance->dataMutex);
  return PreloadLocked(instance, L"");
}

int StopReadAhead(sPLAYERINSTANCE* instance) {
  InstanceUse use(instance);
  if (!use.entered()) return 0;
  AcquireSRWLockExclusive(&instance->gateLock);
  InterlockedExchange(&instance->readAheadStopped, 1);
  InterlockedExchange(&instance->cancelWord, 1);
  ReleaseSRWLockExclusive(&instance->gateLock);
  return 1;
}

int LoadDataFile(sPLAYERINSTANCE* instance, const wchar_t* path) {
  if (!PathFits(path)) return 0;
  // The pre-load of this very path is left to finish; any other is stopped.
  if (PreloadRunningFor(instance, path)) {
    WaitOutMutex(instance->dataMutex);
  } else {
    CancelPreload(instance);
  }
  MutexLock dataLock(instance->dataMutex);
  MutexLock instanceLock(instance->instanceMutex);
  CopyPathField(instance->dataMap.path, path);
  if (instance->preloadReady && wcscmp(instance->preloadMap.path, path) == 0) {
    sMP4FILEMAP::MoveFrom(&instance->preloadMap, &instance->loadMap);
    InterlockedExchange(&instance->preloadReady, 0);
    // The same rule as a fresh read: loaded counts, GPS points or not.
    return instance->loadMap.loaded ? 1 : 0;
  }
  InterlockedExchange(&instance->preloadReady, 0);
  ClearMap(&instance->preloadMap);
  return instance->loadMap.Load(path);
}

int OpenDataFile(sPLAYERINSTANCE* instance, const wchar_t* path) {
  InstanceUse use(instance);
  if (!use.entered()) return 0;
  MutexLock lock(instance->instanceMutex);
  if (!LoadDataFile(instance, path)) return 0;
  // The movie's duration through the table, so the player that answers it may be any.
  sPLAYERFUNCS* funcs = FuncsOf(instance);
  int64_t positions = funcs && funcs->GetDuration ? funcs->GetDuration(instance) : GetDuration(instance);
  instance->loadMap.timeScale = instance->timeScale;
  return instance->loadMap.BuildPositionTable(positions);
}

int CloseDataFile(sPLAYERINSTANCE* instance) {
  InstanceUse use(instance);
  if (!use.entered()) return 0;
  MutexLock lock(instance->instanceMutex);
  ClearMap(&instance->dataMap);
  instance->loadMap.Clear();
  return 1;
}

int CommitDataFile(sPLAYERINSTANCE* instance) {
  InstanceUse use(instance);
  if (!use.entered()) return 0;
  MutexLock lock(instance->instanceMutex);
  sMP4FILEMAP::MoveFrom(&instance->loadMap, &instance->dataMap);
  instance->dataMap.timeScale = instance->timeScale;
  return instance->dataMap.loaded ? 1 : 0;
}

}  // namespace PlayerInstance
}  // namespace playcore
