// An owned kernel handle (a file, a file mapping), closed by its destructor: the one owner type of
// the movie readers and the join writer. Both null and INVALID_HANDLE_VALUE mean "none", because the
// system answers a failed CreateFileW with the one and a failed CreateFileMappingW with the other;
// get() gives back whatever was stored, so a caller tests valid() (or the bool) before using it.
#pragma once

#include <windows.h>

namespace playcore {

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
  explicit operator bool() const { return valid(); }
  HANDLE get() const { return h_; }
  // Gives up ownership without closing.
  HANDLE Release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  // Closes the handle held (when it is one) and takes `h`.
  void Reset(HANDLE h = nullptr) {
    if (valid()) CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = nullptr;
};

}  // namespace playcore
