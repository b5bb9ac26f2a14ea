// The selector dispatchers over the two global instances and their tables.
#include "playcore/instances/dispatchers.h"

#include "playcore/instances/instance_gate.h"

#include <cmath>

namespace playcore {

namespace {

bool ValidSelector(int selector) { return selector >= 0 && selector <= kSelectorAll; }

bool Active(int i) { return g_PlayerInstance[i].active != 0; }

// Calls `call(i)` for the instances the selector names: every active one for kSelectorAll, else that
// one (its slot refuses an instance that is not active). OR of the answers.
template <class Call>
int ForSelected(int selector, Call call) {
  if (!ValidSelector(selector)) return 0;
  int answer = 0;
  for (int i = 0; i < kPlayerCount; ++i) {
    bool chosen = selector == kSelectorAll ? Active(i) : selector == i;
    if (chosen && call(i)) answer = 1;
  }
  return answer;
}

template <class Call>
int ForActive(Call call) { return ForSelected(kSelectorAll, call); }

int SeekAll(int selector, int32_t position, bool setPosition) {
  float factors[kPlayerCount];
  PositionFactors(&g_PlayerInstance[0], &g_PlayerInstance[1], factors);
  return ForSelected(selector, [&](int i) {
    auto slot = setPosition ? g_PlayerFuncs[i].SetPosition : g_PlayerFuncs[i].Seek;
    int64_t scaled = static_cast<int64_t>(static_cast<float>(position) * factors[i]);
    return slot && slot(&g_PlayerInstance[i], scaled);
  });
}

void ClearSourceWords(int i) {
  g_PlayerInstance[i].dataSource = 0;
  g_PlayerInstance[i].movieOpen = 0;
}

}  // namespace

int DataSourceIndex() { return g_PlayerInstance[0].dataSource ? 0 : 1; }

void PositionFactors(const sPLAYERINSTANCE* i0, const sPLAYERINSTANCE* i1, float factors[kPlayerCount]) {
  factors[0] = 1.0f;
  factors[1] = 1.0f;
  // A time scale of 0 (nothing read yet) would give an infinite factor: both stay at 1.
  if (i0->movieOpen && i1->movieOpen && i0->timeScale > 0.0f && i1->timeScale > 0.0f) {
    float f = i0->timeScale / i1->timeScale;
    if (std::isfinite(f)) factors[1] = f;
  }
}

int PlayerCall_ProbeFile(const wchar_t* path) {
  // The OR of the active instances' answers: after one yes the others are not made to read the file
  // again (a folder scan probes every recording it lists).
  for (int i = 0; i < kPlayerCount; ++i) {
    if (Active(i) && g_PlayerFuncs[i].ProbeFile(&g_PlayerInstance[i], path)) return 1;
  }
  return 0;
}

int PlayerCall_CloseMovieAll() {
  return ForActive([&](int i) {
    int r = g_PlayerFuncs[i].CloseMovie(&g_PlayerInstance[i]);
    ClearSourceWords(i);
    return r;
  });
}

int PlayerCall_OpenDataFile(const wchar_t* path0, const wchar_t* path1) {
  wchar_t paths[kPlayerCount][kPlayerPathLength];
  if (!CopyPathField(paths[0], path0) || !CopyPathField(paths[1], path1)) return 0;
  for (int i = 0; i < kPlayerCount; ++i) {
    sPLAYERINSTANCE* instance = &g_PlayerInstance[i];
    if (!instance->active || !instance->movieOpen) continue;
    if (g_PlayerFuncs[i].OpenDataFile(instance, paths[i])) {
      // The data-source word moves here: the other instance gives it up.
      instance->dataSource = 1;
      g_PlayerInstance[1 - i].dataSource = 0;
      return 1;
    }
  }
  return 0;
}

int PlayerCall_CloseDataFileAll() {
  return ForActive([&](int i) {
    int r = g_PlayerFuncs[i].CloseDataFile(&g_PlayerInstance[i]);
    ClearSourceWords(i);
    return r;
  });
}

int PlayerCall_Play(int selector) {
  return ForSelected(selector, [&](int i) { return g_PlayerFuncs[i].Play(&g_PlayerInstance[i]); });
}

int PlayerCall_Pause(int selector) {
  return ForSelected(selector, [&](int i) { return g_PlayerFuncs[i].Pause(&g_PlayerInstance[i]); });
}

int PlayerCall_Stop(int selector) {
  return ForSelected(selector, [&](int i) { return g_PlayerFuncs[i].Stop(&g_PlayerInstance[i]); });
}

int PlayerCall_Seek(int selector, int32_t position) { return SeekAll(selector, position, false); }

int PlayerCall_SetPosition(int selector, int32_t position) { return SeekAll(selector, position, true); }

int PlayerCall_SetVolume(int selector, int32_t volume) {
  if (!ValidSelector(selector)) return 0;
  int chosen = selector == kSelectorAll ? DataSourceIndex() : selector;
  int answer = 0;
  for (int i = 0; i < kPlayerCount; ++i) {
    if (!Active(i)) continue;
    if (g_PlayerFuncs[i].SetVolume(&g_PlayerInstance[i], i == chosen ? volume : 0)) answer = 1;
  }
  return answer;
}

int PlayerCall_SetRate(int32_t speedCode) {
  int answer = ForActive([&](int i) { return g_PlayerFuncs[i].SetRate(&g_PlayerInstance[i], speedCode); });
  Sleep(kRateSettleMs);  // lets the sessions take the new rate before the next call
  return answer;
}

float PlayerCall_GetTimeScale(int selector) {
  if (!ValidSelector(selector)) return 0.0f;
  int i = selector == kSelectorAll ? DataSourceIndex() : selector;
  if (selector == kSelectorAll && !Active(i)) return 0.0f;
  return g_PlayerFuncs[i].GetTimeScale(&g_PlayerInstance[i]);
}

int PlayerCall_Repaint(int selector) {
  if (!ValidSelector(selector)) return 0;
  if (selector != kSelectorAll && !Active(selector)) return 0;
  return ForSelected(selector, [&](int i) { return g_PlayerFuncs[i].Repaint(&g_PlayerInstance[i]); });
}

int PlayerCall_SetZoom(const sZOOMBLOCK blocks[kPlayerCount], int32_t layout) {
  if (!blocks) return 0;
  return ForActive([&](int i) {
    const sZOOMBLOCK& b = blocks[i];
    return g_PlayerFuncs[i].SetZoom(&g_PlayerInstance[i], b.word[2], b.word[3], b.word[6], b.word[7],
                                    b.zoom, layout);
  });
}

// LockAll enters each instance it locks, so Release cannot close a mutex that is held or about to be
// waited on. The holder's thread id is kept in the instance (written only while the mutex is held)
// so that UnlockAll releases exactly what this thread's LockAll took. A LockAll inside another of the
// same thread only counts a level: the outermost holds the mutex and the entry (a wait on a held
// mutex is a round trip to the server under Wine, and the graph's per-record look-ups nest thousands).
void PlayerCall_LockAll() {
  const LONG self = static_cast<LONG>(GetCurrentThreadId());
  for (int i = 0; i < kPlayerCount; ++i) {
    sPLAYERINSTANCE* instance = &g_PlayerInstance[i];
    if (instance->lockAllOwner == self && instance->lockAllDepth > 0) {
      ++instance->lockAllDepth;
      continue;
    }
    if (!EnterInstance(instance)) continue;
    WaitForSingleObject(instance->instanceMutex, INFINITE);
    InterlockedExchange(&instance->lockAllOwner, self);
    instance->lockAllDepth = 1;
  }
}

bool PlayerCall_HoldsThroughLockAll(const sPLAYERINSTANCE* instance) {
  return instance->lockAllOwner == static_cast<LONG>(GetCurrentThreadId()) && instance->lockAllDepth > 0;
}

void PlayerCall_UnlockAll() {
  const LONG self = static_cast<LONG>(GetCurrentThreadId());
  for (int i = 0; i < kPlayerCount; ++i) {
    sPLAYERINSTANCE* instance = &g_PlayerInstance[i];
    if (instance->lockAllOwner != self || instance->lockAllDepth == 0) continue;
    if (--instance->lockAllDepth > 0) continue;
    InterlockedExchange(&instance->lockAllOwner, 0);
    ReleaseMutex(instance->instanceMutex);
    LeaveInstance(instance);
  }
}

// The vector lives only as long as the instance mutex keeps CommitDataFile and CloseDataFile out: a
// thread that does not hold it through LockAll could be handed a pointer freed before its first read,
// so it gets none.
std::vector<sGPSPOINT>* PlayerCall_GetGpsPoints() {
  sPLAYERINSTANCE* instance = &g_PlayerInstance[DataSourceIndex()];
  if (instance->lockAllOwner != static_cast<LONG>(GetCurrentThreadId())) return nullptr;
  return instance->dataMap.loaded ? instance->dataMap.gpsPoints : nullptr;
}

}  // namespace playcore
