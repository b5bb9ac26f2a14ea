// The process's open handles and GDI objects, for the leak checks of tests that open and close many
// times. Wine answers 0 from GetProcessHandleCount; there the handle table is walked instead (Wine
// hands out the lowest free slot, so a test process's handles lie far below the walk's bound).
#pragma once

#include <windows.h>

namespace quill::test {

inline DWORD ScanHandleTable() {
  constexpr ULONG_PTR kHandleScanEnd = 0x4000;
  constexpr ULONG_PTR kHandleStep = 4;
  DWORD n = 0;
  for (ULONG_PTR v = kHandleStep; v < kHandleScanEnd; v += kHandleStep) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(v), &flags)) ++n;
  }
  return n;
}

// False when the system cannot tell.
inline bool ProcessHandleCount(DWORD* count) {
  if (GetProcessHandleCount(GetCurrentProcess(), count) && *count > 0) return true;
  *count = ScanHandleTable();
  return *count > 0;
}

inline DWORD GdiObjectCount() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

}  // namespace quill::test
