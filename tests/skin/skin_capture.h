// Helpers of the skinned toolkit's window tests: pumping the thread's messages, capturing a window's
// pixels (BitBlt from its window DC: the way that shows real pixels under Wine), saving captures for a
// person to look at, and comparing them with the reference pictures kept beside the tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quill::test {

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> bgra;  // top-down rows, 0x00RRGGBB per pixel
  bool empty() const { return width <= 0 || height <= 0; }
  COLORREF At(int x, int y) const;  // COLORREF of a pixel (0 outside)
};

// Dispatches the calling thread's messages for `ms` milliseconds (at least one pass).
void PumpMessages(DWORD ms);
// Dispatches messages until `done` returns true or `timeoutMs` passes; true when done.
template <typename Pred>
bool PumpUntil(Pred done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    PumpMessages(10);
  }
  return true;
}

// Cancels every dialog of thread `threadId` (pumping this thread) until `closed` answers true: the
// teardown of a test whose modal dialog or message box is still up after a failed assertion.
bool CloseDialogsUntil(DWORD threadId, const std::function<bool()>& closed, DWORD timeoutMs = 10000);

// The whole window (frame included) as it is on screen.
Pixels CaptureWindow(HWND hwnd);
// Pixels of a memory or window DC region.
Pixels CaptureDC(HDC dc, int x, int y, int w, int h);

// The folder for test output a person looks at: <build>/test-output/AREA/ (made on demand), as a
// Windows path with a trailing backslash; empty when the build folder is unknown.
std::wstring OutputDir(const char* area = "skin");
// The reference pictures kept beside the tests: <source>/tests/AREA/reference/.
std::wstring ReferenceDir(const char* area = "skin");

bool SavePng(const Pixels& p, const std::wstring& path);  // needs GDI+ running
bool LoadPng(const std::wstring& path, Pixels* out);  // needs GDI+ running

// Pixels whose largest channel difference exceeds `tolerance`; -1 when the sizes differ.
int CountDifferentPixels(const Pixels& a, const Pixels& b, int tolerance);

// Channel distance of two colours (largest of the three).
int ColourDistance(COLORREF a, COLORREF b);

}  // namespace quill::test
