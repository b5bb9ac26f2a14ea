// Waiting for what another thread makes true: the condition is polled, and the time-out is only a
// safety net (generous, so that a loaded machine never fails a test that would pass).
#pragma once

#include <windows.h>

namespace quill::test {

constexpr DWORD kSafetyNetMs = 10000;

template <class Condition>
bool WaitUntil(Condition done, DWORD timeoutMs = kSafetyNetMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(2);
  }
  return true;
}

}  // namespace quill::test
