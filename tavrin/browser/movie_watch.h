// CMovieResource: watches the open source's path on a thread of its own and tells the owner window once
// when the path stops existing (an SD card pulled out, a folder removed): it posts kMsgSourceVanished
// and stops watching until a new path is set.
//
// Threads: the watch thread runs from construction to destruction and checks every 100 ms. The watched
// path is shared with the UI thread (SetPath) under m_lock; the stop and vanished flags are atomic. The
// destructor signals the stop event and waits for the thread. Lock order: m_lock is a leaf.
#pragma once

#include <windows.h>

#include <atomic>

#include "platform/framework/cstring.h"
#include "platform/framework/thread.h"

class CMovieResource {
 public:
  static constexpr DWORD kCheckIntervalMs = 100;

  explicit CMovieResource(HWND owner = nullptr);
  virtual ~CMovieResource();
  CMovieResource(const CMovieResource&) = delete;
  CMovieResource& operator=(const CMovieResource&) = delete;

  void SetOwner(HWND owner) { m_hOwner.store(owner); }
  // The watched path; empty stops watching. Clears the vanished flag.
  void SetPath(const CString& path);
  CString GetPath() const;
  bool HasVanished() const { return m_bVanished.load(); }
  bool IsRunning() const { return m_pThread != nullptr; }

 private:
  static UINT __cdecl ThreadProc(LPVOID self);
  void Watch();

  std::atomic<HWND> m_hOwner;
  CWinThread* m_pThread = nullptr;
  std::atomic<bool> m_bStop{false};
  std::atomic<bool> m_bVanished{false};
  HANDLE m_hStopEvent = nullptr;
  mutable CRITICAL_SECTION m_lock;
  CString m_strPath;  // guarded by m_lock
};
