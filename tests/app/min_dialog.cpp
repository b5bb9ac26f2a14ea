// The start benchmark's reference: a minimal Win32 dialog program (an in-memory template, the
// system's dialog loop) with the caption "minimal". Not a test.
#include <windows.h>

namespace {

INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK)) {
    EndDialog(hwnd, 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
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
