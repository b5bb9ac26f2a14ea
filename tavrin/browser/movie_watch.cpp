// The source watch thread (see movie_watch.h).
#include "tavrin/browser/movie_watch.h"

#include "tavrin/browser/browser_owner.h"

#include "tavrin/skin/quiet_drive_errors.h"

#include <shlwapi.h>

CMovieResource::CMovieResource(HWND owner) : m_hOwner(owner) {
  InitializeCriticalSection(&m_lock);
  m_hStopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_pThread = AfxBeginThread(&CMovieResource::ThreadProc, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  if (m_pThread) {
    m_pThread->m_bAutoDelete = FALSE;
    m_pThread->ResumeThread();
  }
}

CMovieResource::~CMovieResource() {
  m_bStop.store(true);
  if (m_hStopEvent) SetEvent(m_hStopEvent);
  if (m_pThread) {
    WaitForSingleObject(m_pThread->m_hThread, INFINITE);
    delete m_pThread;
    m_pThread = nullptr;
  }
  if (m_hStopEvent) CloseHandle(m_hStopEvent);
  DeleteCriticalSection(&m_lock);
}

void CMovieResource::SetPath(const CString& path) {
  EnterCriticalSection(&m_lock);
  m_strPath = path;
  m_bVanished.store(false);
  LeaveCriticalSection(&m_lock);
}

CString CMovieResource::GetPath() const {
  EnterCriticalSection(&m_lock);
  CString copy = m_strPath;
  LeaveCriticalSection(&m_lock);
  return copy;
}

UINT __cdecl CMovieResource::ThreadProc(LPVOID self) {
  static_cast<CMovieResource*>(self)->Watch();
  return 0;
}

void CMovieResource::Watch() {
  // The watched path is usually a card: its removal must not raise the system's "no disk" box.
  QuietDriveErrors quiet;
  while (!m_bStop.load()) {
    const CString path = GetPath();
    const HWND owner = m_hOwner.load();
    if (!path.IsEmpty() && owner && !PathFileExistsW(path)) {
      bool report = false;
      EnterCriticalSection(&m_lock);
      // Only the path that was found missing is dropped: a new source set meanwhile stays watched.
      if (m_strPath == path) {
        m_strPath.Empty();
        m_bVanished.store(true);
        report = true;
      }
      LeaveCriticalSection(&m_lock);
      if (report) ::PostMessageW(owner, quill::browser::kMsgSourceVanished, 0, 0);
    }
    if (m_hStopEvent) {
      WaitForSingleObject(m_hStopEvent, kCheckIntervalMs);
    } else {
      Sleep(kCheckIntervalMs);
    }
  }
}
