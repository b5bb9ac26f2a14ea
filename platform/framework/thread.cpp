// CWinThread and AfxBeginThread over _beginthreadex, so the C runtime is set up on the new thread.
#include "platform/framework/thread.h"

#include <process.h>

#include "platform/framework/thread_state.h"
#include "platform/framework/wnd.h"

CWinThread::~CWinThread() {
  if (m_hThread) CloseHandle(m_hThread);
}

DWORD CWinThread::ResumeThread() { return m_hThread ? ::ResumeThread(m_hThread) : static_cast<DWORD>(-1); }
DWORD CWinThread::SuspendThread() { return m_hThread ? ::SuspendThread(m_hThread) : static_cast<DWORD>(-1); }
BOOL CWinThread::SetThreadPriority(int priority) {
  return m_hThread ? ::SetThreadPriority(m_hThread, priority) : FALSE;
}
BOOL CWinThread::PostThreadMessage(UINT msg, WPARAM wp, LPARAM lp) {
  return m_nThreadID ? ::PostThreadMessageW(m_nThreadID, msg, wp, lp) : FALSE;
}

BOOL CWinThread::CreateThread(DWORD flags, UINT stackSize, LPSECURITY_ATTRIBUTES security) {
  if (m_hThread) return FALSE;
  unsigned id = 0;
  // Always start suspended: the handle and id must be stored before the thread can read or delete us.
  uintptr_t h = _beginthreadex(security, stackSize, &CWinThread::Entry, this, CREATE_SUSPENDED, &id);
  if (h == 0) return FALSE;
  m_hThread = reinterpret_cast<HANDLE>(h);
  m_nThreadID = id;
  if (!(flags & CREATE_SUSPENDED)) ::ResumeThread(m_hThread);
  return TRUE;
}

unsigned __stdcall CWinThread::Entry(void* self) {
  auto* thread = static_cast<CWinThread*>(self);
  UINT code = 0;
  try {
    code = thread->m_pfnThreadProc(thread->m_pThreadParams);
  } catch (...) {
    code = static_cast<UINT>(-1);  // a thread function's exception never leaves the thread
  }
  quill::framework::ReleaseThisThreadState();
  if (thread->m_bAutoDelete) delete thread;
  return code;
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize, DWORD flags,
                           LPSECURITY_ATTRIBUTES security) {
  if (!proc) return nullptr;
  auto* thread = new CWinThread(proc, param);
  if (!thread->CreateThread(flags | CREATE_SUSPENDED, stackSize, security)) {
    delete thread;
    return nullptr;
  }
  thread->SetThreadPriority(priority);
  if (!(flags & CREATE_SUSPENDED)) thread->ResumeThread();
  return thread;
}
