// CWinApp and the program's start: OLE on the UI thread, InitInstance, the message loop.
#include "platform/framework/app.h"

#include <ole2.h>

#include "platform/framework/dialog.h"
#include "platform/framework/thread_state.h"

namespace {
CWinApp* g_app = nullptr;  // set by the one application object's constructor, read on the UI thread
}  // namespace

CWinApp::CWinApp(LPCWSTR appName) : m_pszAppName(appName) {
  if (!g_app) g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

HICON CWinApp::LoadIcon(UINT id) const { return ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id)); }

BOOL CWinApp::OnIdle(LONG) {
  // Called from the outermost loop itself, or from a handler that loop dispatched (a timer): no code
  // further out can hold a temporary object. From a handler dispatched by a nested loop (a message box,
  // a menu, a file dialog inside another handler) the outer handler may still use one: keep them.
  if (quill::framework::ThisThread().procDepth <= 1) AfxDeleteTempObjects();
  return FALSE;
}

namespace {
int g_waitDepth = 0;  // UI thread only
}  // namespace

void AfxBeginWaitCursor() {
  if (g_waitDepth++ == 0) ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

void AfxEndWaitCursor() {
  if (g_waitDepth == 0) return;  // an End without its Begin changes nothing
  if (--g_waitDepth == 0) ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

void AfxRestoreWaitCursor() {
  if (g_waitDepth > 0) ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

int AfxWaitCursorDepth() { return g_waitDepth; }

int CWinApp::Run() {
  MSG msg;
  for (;;) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) OnIdle(0);
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (!WalkPreTranslateTree(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  m_exitCode = static_cast<int>(msg.wParam);
  return ExitInstance();
}

int AfxWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  // Dialogs host OLE controls and the shell's folder chooser: the UI thread is an OLE apartment.
  HRESULT ole = OleInitialize(nullptr);
  int code = app->InitInstance() ? app->Run() : app->ExitInstance();
  AfxDeleteTempObjects();
  if (SUCCEEDED(ole)) OleUninitialize();
  return code;
}
