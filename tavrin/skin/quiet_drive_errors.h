// Probes of a drive or a path that may lie on a removable medium (an empty card reader, a pulled SD
// card) must not raise the system's "no disk" box: for the scope, on this thread only, such errors
// fail the call quietly instead. Scopes nest; each restores the mode it found.
#pragma once

#include <windows.h>

class QuietDriveErrors {
 public:
  QuietDriveErrors() {
    if (!SetThreadErrorMode(kMode | GetThreadErrorMode(), &previous_)) restore_ = false;
  }
  ~QuietDriveErrors() {
    if (restore_) SetThreadErrorMode(previous_, nullptr);
  }
  QuietDriveErrors(const QuietDriveErrors&) = delete;
  QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

  static constexpr DWORD kMode = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

 private:
  DWORD previous_ = 0;
  bool restore_ = true;
};
