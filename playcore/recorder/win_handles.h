// Owning wrappers for the kernel objects the movie reader opens, and a scoped wait on a mutex.
#pragma once

#include <windows.h>

namespace playcore {
namespace recorder {

// A kernel handle closed by the destructor; both null and INVALID_HANDLE_VALUE mean "none".
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  void Reset(HANDLE h = nullptr) {
    if (valid()) CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = nullptr;
};

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
