// The records CInetConnectionAsync shares with its two threads (see connectivity_watch.h for who
// touches what).
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "tavrin/app/web/connectivity_watch.h"

namespace quill::app {

// A new manual-reset event, not set; none when the system cannot make one.
inline playcore::UniqueHandle NewManualEvent() {
  return playcore::UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

struct CInetConnectionAsync::Outcome {
  playcore::UniqueHandle decided = NewManualEvent();  // set once the update thread decided
  std::mutex lock;            // guards the two fields below
  std::wstring message;       // the dialog's text; empty when nothing was found
  HWND dialog = nullptr;      // the update dialog while it exists
};

struct CInetConnectionAsync::Worker {
  playcore::UniqueHandle thread;  // the UI thread's handle of the worker (Stop takes it)
  DWORD threadId = 0;
  playcore::UniqueHandle stop = NewManualEvent();   // set by Stop
  playcore::UniqueHandle ready = NewManualEvent();  // the update thread has its message queue
  Config config;            // the worker's own copy
  std::wstring firmware;    // update thread: the card's firmware version
  std::shared_ptr<Outcome> outcome;
  std::mutex sinkLock;      // guards sink
  OnlineSink sink;          // connectivity thread: where each result goes; cleared by Stop

  bool Valid() const { return stop.get() && ready.get(); }
  bool Stopped() const { return WaitForSingleObject(stop.get(), 0) == WAIT_OBJECT_0; }
};

}  // namespace quill::app
