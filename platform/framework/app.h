// The application object. The program defines one global object of a CWinApp subclass; AfxWinMain
// (called from the program's entry point) initialises OLE on the UI thread, runs InitInstance and, when
// that returns TRUE, the thread's message loop (Run) until WM_QUIT; then ExitInstance.
#pragma once

#include "platform/framework/wnd.h"

class CWinApp {
 public:
  explicit CWinApp(LPCWSTR appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return m_exitCode; }
  virtual int Run();
  // Idle work; the base frees the UI thread's temporary wrapper objects, unless it is called from
  // inside a nested message loop (a handler below it may still hold one). FALSE: no more idle work.
  virtual BOOL OnIdle(LONG count);

  void SetRegistryKey(LPCWSTR) {}
  HICON LoadIcon(UINT id) const;

  CWnd* m_pMainWnd = nullptr;
  LPCWSTR m_pszAppName;
  DWORD m_dwRestartManagerSupportFlags = 0;

 protected:
  int m_exitCode = 0;
};

CWinApp* AfxGetApp();
int AfxWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show);

// Hosting OLE controls needs OLE on the UI thread, which AfxWinMain has initialised: nothing more to do.
inline void AfxEnableControlContainer() {}

// The shell's manager object of the application's start-up; it holds nothing here.
class CShellManager {};

// The wait cursor over the UI thread's windows while long work runs on it. Calls nest: the cursor
// goes back to the arrow only when every Begin has its End. Restore shows it again after something
// (a message box) has changed the cursor meanwhile.
void AfxBeginWaitCursor();
void AfxEndWaitCursor();
void AfxRestoreWaitCursor();
int AfxWaitCursorDepth();

class CWaitCursor {
 public:
  CWaitCursor() { AfxBeginWaitCursor(); }
  ~CWaitCursor() { AfxEndWaitCursor(); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
  void Restore() { AfxRestoreWaitCursor(); }
};
