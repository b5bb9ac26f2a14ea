// The instance gate and the small lock helpers of the instance code.
#include "playcore/instances/instance_gate.h"

#include "playcore/instances/hresult_error.h"

#include <cstring>
#include <cwchar>

namespace playcore {

bool EnterInstance(sPLAYERINSTANCE* instance) {
  if (!instance) return false;
  AcquireSRWLockExclusive(&instance->gateLock);
  bool entered = instance->active && instance->instanceMutex && instance->dataMutex;
  if (entered) ++instance->users;
  ReleaseSRWLockExclusive(&instance->gateLock);
  if (entered) HoldErrorBoxes();
  return entered;
}

void LeaveInstance(sPLAYERINSTANCE* instance) {
  AcquireSRWLockExclusive(&instance->gateLock);
  if (--instance->users == 0) WakeAllConditionVariable(&instance->gateIdle);
  ReleaseSRWLockExclusive(&instance->gateLock);
  // Only now, with the instance let go (its mutex released before), may a kept error box run its loop.
  ReleaseErrorBoxes();
}

InstanceUse::InstanceUse(sPLAYERINSTANCE* instance) {
  if (EnterInstance(instance)) instance_ = instance;
}

InstanceUse::~InstanceUse() {
  if (instance_) LeaveInstance(instance_);
}

bool CloseInstanceGate(sPLAYERINSTANCE* instance) {
  AcquireSRWLockExclusive(&instance->gateLock);
  bool wasActive = instance->active != 0;
  InterlockedExchange(&instance->active, 0);
  // A running pre-load sees the cancel word at its next step and ends, so the wait below is short.
  InterlockedExchange(&instance->cancelWord, 1);
  while (instance->users > 0) {
    SleepConditionVariableSRW(&instance->gateIdle, &instance->gateLock, INFINITE, 0);
  }
  InterlockedExchange(&instance->cancelWord, 0);
  ReleaseSRWLockExclusive(&instance->gateLock);
  return wasActive;
}

void OpenInstanceGate(sPLAYERINSTANCE* instance) {
  AcquireSRWLockExclusive(&instance->gateLock);
  InterlockedExchange(&instance->active, 1);
  ReleaseSRWLockExclusive(&instance->gateLock);
}

MutexLock::MutexLock(HANDLE mutex) {
  if (!mutex) return;
  DWORD r = WaitForSingleObject(mutex, INFINITE);
  if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) mutex_ = mutex;
}

void MutexLock::Unlock() {
  if (mutex_) ReleaseMutex(mutex_);
  mutex_ = nullptr;
}

void WaitOutMutex(HANDLE mutex) {
  MutexLock lock(mutex);
}

bool CopyPathField(wchar_t (&field)[kPlayerPathLength], const wchar_t* path) {
  size_t n = path ? wcsnlen(path, kPlayerPathLength) : 0;
  if (n >= kPlayerPathLength) {
    field[0] = L'\0';
    return false;
  }
  if (n) std::memcpy(field, path, n * sizeof(wchar_t));
  field[n] = L'\0';
  return true;
}

}  // namespace playcore
