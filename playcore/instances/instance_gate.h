// Entry to a player instance and its mutexes.
//
// InstanceUse counts an operation as running on an instance for its whole length; it refuses when
// the instance is not active (never initialised, or released). Release marks the instance inactive
// and then waits until the count drops to zero before it closes the mutexes, so no thread can be
// left waiting on a closed (and possibly reused) handle. The gate lock is held only to read or change
// the count and the words it guards, never while waiting on a mutex.
#pragma once

#include "playcore/instances/player_instance.h"

namespace playcore {

class InstanceUse {
 public:
  explicit InstanceUse(sPLAYERINSTANCE* instance);
  ~InstanceUse();
  InstanceUse(const InstanceUse&) = delete;
  InstanceUse& operator=(const InstanceUse&) = delete;
  bool entered() const { return instance_ != nullptr; }

 private:
  sPLAYERINSTANCE* instance_ = nullptr;
};

// The same count without a scope, for PlayerCall_LockAll/UnlockAll, which span two calls.
bool EnterInstance(sPLAYERINSTANCE* instance);
void LeaveInstance(sPLAYERINSTANCE* instance);

// Marks the instance inactive and waits until no operation runs on it. True when it was active.
bool CloseInstanceGate(sPLAYERINSTANCE* instance);
// Marks a freshly initialised instance active.
void OpenInstanceGate(sPLAYERINSTANCE* instance);

// Holds a mutex for a scope (an abandoned mutex is owned all the same); a null handle is not waited on.
class MutexLock {
 public:
  explicit MutexLock(HANDLE mutex);
  ~MutexLock() { Unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;
  bool held() const { return mutex_ != nullptr; }
  void Unlock();

 private:
  HANDLE mutex_ = nullptr;
};

// Waits for a mutex and releases it at once: lets a running holder finish first.
void WaitOutMutex(HANDLE mutex);

// A bounded copy into a fixed path field; false (field emptied) when the path does not fit.
bool CopyPathField(wchar_t (&field)[kPlayerPathLength], const wchar_t* path);

}  // namespace playcore
