// The gate of the engines' presents and the registry of engines a hold drains.
#include "playcore/presenter/present_hold.h"

#include <algorithm>
#include <vector>

#include "playcore/presenter/present_engine.h"

namespace playcore {

namespace {

SRWLOCK g_gate = SRWLOCK_INIT;
volatile LONG g_holder = 0;  // the thread that holds the gate (0: none), written under it
SRWLOCK g_registryLock = SRWLOCK_INIT;

std::vector<D3DPresentEngine*>& Registry() {
  static std::vector<D3DPresentEngine*> engines;
  return engines;
}

bool HeldByThisThread() {
  return static_cast<DWORD>(InterlockedCompareExchange(&g_holder, 0, 0)) == GetCurrentThreadId();
}

}  // namespace

PresentHold::PresentHold(DWORD drainMs) {
  if (HeldByThisThread()) {
    nested_ = true;
    return;
  }
  AcquireSRWLockExclusive(&g_gate);
  InterlockedExchange(&g_holder, static_cast<LONG>(GetCurrentThreadId()));
  AcquireSRWLockShared(&g_registryLock);
  for (D3DPresentEngine* engine : Registry()) {
    if (!engine->WaitForDrawnFrames(drainMs)) ++undrained_;
  }
  ReleaseSRWLockShared(&g_registryLock);
}

PresentHold::~PresentHold() {
  if (nested_) return;
  InterlockedExchange(&g_holder, 0);
  ReleaseSRWLockExclusive(&g_gate);
}

PresentPass::PresentPass(D3DPresentEngine* engine) : engine_(engine), held_(HeldByThisThread()) {
  if (!held_) passed_ = TryAcquireSRWLockShared(&g_gate) != FALSE;
}

PresentPass::~PresentPass() {
  if (held_) {
    if (engine_) engine_->WaitForDrawnFrames(2000);
  } else if (passed_) {
    ReleaseSRWLockShared(&g_gate);
  }
}

void RegisterPresentEngine(D3DPresentEngine* engine) {
  AcquireSRWLockExclusive(&g_registryLock);
  Registry().push_back(engine);
  ReleaseSRWLockExclusive(&g_registryLock);
}

void UnregisterPresentEngine(D3DPresentEngine* engine) {
  AcquireSRWLockExclusive(&g_registryLock);
  auto& engines = Registry();
  engines.erase(std::remove(engines.begin(), engines.end(), engine), engines.end());
  ReleaseSRWLockExclusive(&g_registryLock);
}

}  // namespace playcore
