// Taking the main window's playback mutex on the UI thread. A worker that holds the mutex may send a
// message to a window of the UI thread (a list update, a message box's owner being disabled); a plain
// blocking wait would then deadlock. The wait here keeps delivering the messages other threads send to
// this thread's windows while it waits, so such a worker always gets its answer and releases the mutex.
#pragma once

#include <windows.h>

// True once the mutex is owned (also when its previous owner ended without releasing it); false for a
// null handle or a failed wait.
bool WaitForMutexDeliveringSent(HANDLE mutex);

// Owns the mutex for the life of the object.
class CPlayMutexLock {
 public:
  explicit CPlayMutexLock(HANDLE mutex) : m_hMutex(mutex), m_bOwned(WaitForMutexDeliveringSent(mutex)) {}
  ~CPlayMutexLock() {
    if (m_bOwned) ReleaseMutex(m_hMutex);
  }
  CPlayMutexLock(const CPlayMutexLock&) = delete;
  CPlayMutexLock& operator=(const CPlayMutexLock&) = delete;
  bool owned() const { return m_bOwned; }

 private:
  HANDLE m_hMutex;
  bool m_bOwned;
};
