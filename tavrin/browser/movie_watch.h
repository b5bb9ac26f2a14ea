// CMovieResource: watches the open source's path on a thread of its own and tells the owner window once
// when the path stops existing (an SD card pulled out, a folder removed): it posts kMsgSourceVanished
// and stops watching until a new path is set.
//
// Threads: the watch thread runs from construction to destruction and checks every 100 ms. Everything
// it touches (path, owner, flags, stop event) lives in a shared state block that the object and the
// thread both hold; the path is guarded by the block's lock, a leaf, and the flags are atomic. The
// destructor signals the stop event and waits a bounded time for the thread: a check that hangs (a
// network share that no longer answers can block for tens of seconds) does not hold up closing the
// program; the thread then ends on its own, posts nothing more, and frees the block.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "platform/framework/cstring.h"
#include "platform/framework/thread.h"
#include "playcore/bytes/unique_handle.h"

class CMovieResource {
 public:
  static constexpr DWORD kCheckIntervalMs = 100;
  static constexpr DWORD kStopWaitMs = 1000;  // at most this long for the thread at destruction
  // Whether a path exists; the file system's own test unless a caller gives another.
  using PathExistsFn = bool (*)(const wchar_t* path);

  explicit CMovieResource(HWND owner = nullptr, PathExistsFn exists = nullptr);
  virtual ~CMovieResource();
  CMovieResource(const CMovieResource&) = delete;
  CMovieResource& operator=(const CMovieResource&) = delete;

  void SetOwner(HWND owner);
  // The watched path; empty stops watching. Clears the vanished flag.
  void SetPath(const CString& path);
  CString GetPath() const;
  bool HasVanished() const;
  bool IsRunning() const { return m_thread.valid(); }

 private:
  struct State;
  static UINT __cdecl ThreadProc(LPVOID state);
  static void Watch(State& state);

  std::shared_ptr<State> m_state;
  playcore::UniqueHandle m_thread;  // this object's own handle to the watch thread
};
