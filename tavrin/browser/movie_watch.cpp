// The source watch thread (see movie_watch.h).
#include "tavrin/browser/movie_watch.h"

#include "platform/com/com_ptr.h"
#include "tavrin/browser/browser_owner.h"
#include "tavrin/skin/quiet_drive_errors.h"

#include <shlwapi.h>

namespace {

bool FileSystemPathExists(const wchar_t* path) { return PathFileExistsW(path) != FALSE; }

}  // namespace

struct CMovieResource::State {
  explicit State(HWND ownerWindow, PathExistsFn existsFn)
      : owner(ownerWindow), exists(existsFn ? existsFn : &FileSystemPathExists),
        stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  std::atomic<HWND> owner;
  const PathExistsFn exists;
  std::atomic<bool> stop{false};
  std::atomic<bool> vanished{false};
  const playcore::UniqueHandle stopEvent;
  quill::com::CriticalSection lock;
  CString path;  // guarded by lock
};

CMovieResource::CMovieResource(HWND owner, PathExistsFn exists)
    : m_state(std::make_shared<State>(owner, exists)) {
  // The thread holds its own reference to the state; it frees it when it ends, however late.
  auto* threadRef = new std::shared_ptr<State>(m_state);
  CWinThread* thread = AfxBeginThread(&CMovieResource::ThreadProc, threadRef, THREAD_PRIORITY_NORMAL, 0,
                                      CREATE_SUSPENDED);
  if (!thread) {
    delete threadRef;
    return;
  }
  // The thread object deletes itself when the thread ends; this object waits on a handle of its own.
  HANDLE own = nullptr;
  if (DuplicateHandle(GetCurrentProcess(), thread->m_hThread, GetCurrentProcess(), &own, SYNCHRONIZE, FALSE, 0)) {
    m_thread.Reset(own);
  }
  thread->ResumeThread();
}

CMovieResource::~CMovieResource() {
  m_state->stop.store(true);
  if (m_state->stopEvent) SetEvent(m_state->stopEvent.get());
  if (m_thread) WaitForSingleObject(m_thread.get(), kStopWaitMs);
}

void CMovieResource::SetOwner(HWND owner) { m_state->owner.store(owner); }

void CMovieResource::SetPath(const CString& path) {
  const quill::com::ScopedLock lock(m_state->lock);
  m_state->path = path;
  m_state->vanished.store(false);
}

CString CMovieResource::GetPath() const {
  const quill::com::ScopedLock lock(m_state->lock);
  return m_state->path;
}

bool CMovieResource::HasVanished() const { return m_state->vanished.load(); }

UINT __cdecl CMovieResource::ThreadProc(LPVOID param) {
  std::unique_ptr<std::shared_ptr<State>> state(static_cast<std::shared_ptr<State>*>(param));
  Watch(**state);
  return 0;
}

void CMovieResource::Watch(State& s) {
  // The watched path is usually a card: its removal must not raise the system's "no disk" box.
  QuietDriveErrors quiet;
  while (!s.stop.load()) {
    CString path;
    {
      const quill::com::ScopedLock lock(s.lock);
      path = s.path;
    }
    const HWND owner = s.owner.load();
    if (!path.IsEmpty() && owner && !s.exists(path)) {
      bool report = false;
      {
        const quill::com::ScopedLock lock(s.lock);
        // Only the path that was found missing is dropped: a new source set meanwhile stays watched.
        // A watch whose object is gone reports nothing.
        if (s.path == path && !s.stop.load()) {
          s.path.Empty();
          s.vanished.store(true);
          report = true;
        }
      }
      if (report) ::PostMessageW(owner, quill::browser::kMsgSourceVanished, 0, 0);
    }
    if (s.stopEvent) {
      WaitForSingleObject(s.stopEvent.get(), kCheckIntervalMs);
    } else {
      Sleep(kCheckIntervalMs);
    }
  }
}
