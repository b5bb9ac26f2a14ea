// Worker threads: AfxBeginThread starts a function on a new thread and returns its CWinThread.
// With m_bAutoDelete (the default) the object deletes itself when the function returns; a caller that
// wants to wait on m_hThread starts the thread suspended, clears m_bAutoDelete, resumes it, and deletes
// the object itself afterwards (the destructor closes the handle).
//
// Threads: m_bAutoDelete is read by the new thread only after it was resumed; the temporary wrapper
// objects the thread made are freed when its function returns.
#pragma once

#include <windows.h>

using AFX_THREADPROC = UINT(__cdecl*)(LPVOID);

class CWinThread {
 public:
  CWinThread(AFX_THREADPROC proc, LPVOID param) : m_pfnThreadProc(proc), m_pThreadParams(param) {}
  virtual ~CWinThread();
  CWinThread(const CWinThread&) = delete;
  CWinThread& operator=(const CWinThread&) = delete;

  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  BOOL m_bAutoDelete = TRUE;

  DWORD ResumeThread();
  DWORD SuspendThread();
  BOOL SetThreadPriority(int priority);
  BOOL CreateThread(DWORD flags = 0, UINT stackSize = 0, LPSECURITY_ATTRIBUTES security = nullptr);
  BOOL PostThreadMessage(UINT msg, WPARAM wp, LPARAM lp);

 private:
  static unsigned __stdcall Entry(void* self);
  AFX_THREADPROC m_pfnThreadProc;
  LPVOID m_pThreadParams;
};

// Starts proc(param) on a new thread; flags may hold CREATE_SUSPENDED. Null when the thread could not
// be made (nothing is leaked then).
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD flags = 0, LPSECURITY_ATTRIBUTES security = nullptr);
