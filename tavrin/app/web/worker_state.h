// The records CInetConnectionAsync shares with its two threads (see connectivity_watch.h for who
// touches what).
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "tavrin/app/web/connectivity_watch.h"

namespace quill::app {

// An event handle, closed once.
class EventHandle {
 public:
  explicit EventHandle(bool manualReset) : h_(CreateEventW(nullptr, manualReset, FALSE, nullptr)) {}
  ~EventHandle() { if (h_) CloseHandle(h_); }
  EventHandle(const EventHandle&) = delete;
  EventHandle& operator=(const EventHandle&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

struct CInetConnectionAsync::Outcome {
  EventHandle decided{true};  // set once the update thread decided
  std::mutex lock;            // guards the two fields below
  std::wstring message;       // the dialog's text; empty when nothing was found
  HWND dialog = nullptr;      // the update dialog while it exists
};

struct CInetConnectionAsync::Worker {
  HANDLE thread = nullptr;  // the UI thread's handle of the worker (closed by Stop)
  DWORD threadId = 0;
  EventHandle stop{true};   // set by Stop
  EventHandle ready{true};  // the update thread has its message queue
  Config config;            // the worker's own copy
  std::wstring firmware;    // update thread: the card's firmware version
  std::shared_ptr<Outcome> outcome;
  std::mutex sinkLock;      // guards sink
  OnlineSink sink;          // connectivity thread: where each result goes; cleared by Stop

  bool Valid() const { return stop.get() && ready.get(); }
  bool Stopped() const { return WaitForSingleObject(stop.get(), 0) == WAIT_OBJECT_0; }
};

}  // namespace quill::app
