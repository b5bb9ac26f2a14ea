// The start benchmark's reference: a minimal Win32 dialog program (an in-memory template, the
// system's dialog loop) with the caption "minimal". Not a test. Like QuillmereX.exe it publishes the
// microseconds from its process's creation to its entry, plus 1, as "QuillmereX.Start.before-entry".
#include <windows.h>

#include <cstdint>

namespace {

uintptr_t g_beforeEntry = 0;

int64_t Value(const FILETIME& t) {
  return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_INITDIALOG) {
    if (g_beforeEntry) SetPropW(hwnd, L"QuillmereX.Start.before-entry", reinterpret_cast<HANDLE>(g_beforeEntry));
    return TRUE;
  }
  if (msg == WM_COMMAND && (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK)) {
    EndDialog(hwnd, 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  FILETIME created, exited, kernel, user, now;
  GetSystemTimePreciseAsFileTime(&now);
  if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user) && Value(now) >= Value(created)) {
    g_beforeEntry = static_cast<uintptr_t>((Value(now) - Value(created)) / 10) + 1;
  }
  // DLGTEMPLATE, no menu, the system's class, the caption; no controls.
  struct {
    DLGTEMPLATE head;
    WORD menu, cls;
    wchar_t caption[8];
  } tmpl = {};
  tmpl.head.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CENTER;
  tmpl.head.cx = 200;
  tmpl.head.cy = 100;
  lstrcpyW(tmpl.caption, L"minimal");
  return static_cast<int>(DialogBoxIndirectParamW(instance, &tmpl.head, nullptr, &Proc, 0));
}
