// Owning wrappers for the kernel objects the movie reader opens, and a scoped wait on a mutex.
#pragma once

#include <windows.h>

#include "playcore/bytes/unique_handle.h"

namespace playcore {
namespace recorder {

// The shared owned kernel handle (see playcore/bytes/unique_handle.h), under the name the movie
// reader has always used for it.
using UniqueHandle = ::playcore::UniqueHandle;

// Holds a mutex for a scope; a null mutex (a map made without Init) is not waited on, its owner's
// locks guard it instead. An abandoned mutex is owned all the same.
class ScopedMutex {
 public:
  explicit ScopedMutex(HANDLE mutex) {
    if (mutex) {
      DWORD r = WaitForSingleObject(mutex, INFINITE);
      if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) mutex_ = mutex;
    }
  }
  ~ScopedMutex() {
    if (mutex_) ReleaseMutex(mutex_);
  }
  ScopedMutex(const ScopedMutex&) = delete;
  ScopedMutex& operator=(const ScopedMutex&) = delete;

 private:
  HANDLE mutex_ = nullptr;
};

}  // namespace recorder
}  // namespace playcore
