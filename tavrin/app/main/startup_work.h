// Work of the start-up run on a thread of its own while the UI thread goes on making the windows; the
// step that needs its answer takes it where it did the work before, so what the program decides, and
// when the user sees it, stay as they were. Where no thread can be made, Take does the work itself.
//
// Threads: Start, Take and the destructor on the UI thread; the work runs on the work's thread, which
// writes answer_ and ends; Take reads answer_ only after waiting for that end. The waits take the
// messages sent to the UI thread's windows meanwhile (never the posted ones).
#pragma once

#include <windows.h>
#include <process.h>

#include "playcore/bytes/unique_handle.h"

namespace quill::app {

// Waits for `thread` to end, taking only the messages sent to this thread's windows meanwhile: work
// on that thread that sent to one of them would otherwise wait for this thread for ever. Posted
// messages stay queued, so nothing of the window (its first paint among them) runs ahead of the
// step that waits.
void WaitTakingSentMessages(HANDLE thread);

template <typename Answer>
class StartupWork {
 public:
  using WorkFn = Answer (*)();

  StartupWork() = default;
  StartupWork(const StartupWork&) = delete;
  StartupWork& operator=(const StartupWork&) = delete;
  // Waits for work still running: it writes into this object, and the program must not end under a
  // library load.
  ~StartupWork() {
    if (thread_) WaitTakingSentMessages(thread_.get());
  }

  // Runs `work` on a thread of its own, unless work was started and not taken yet.
  void Start(WorkFn work) {
    if (!work || thread_) return;
    started_ = work;
    answer_ = Answer();
    thread_.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Run, this, 0, nullptr)));
    if (!thread_) started_ = nullptr;
  }

  // The started work's answer, waiting for it. Without started work (or once its answer was taken)
  // `work` runs here; without either, the answer is Answer().
  Answer Take(WorkFn work) {
    if (!thread_) return work ? work() : Answer();
    WaitTakingSentMessages(thread_.get());
    thread_.Reset();
    started_ = nullptr;
    Answer taken = answer_;
    answer_ = Answer();
    return taken;
  }

 private:
  static unsigned __stdcall Run(void* self) {
    auto* work = static_cast<StartupWork*>(self);
    work->answer_ = work->started_();
    return 0;
  }

  WorkFn started_ = nullptr;
  playcore::UniqueHandle thread_;
  Answer answer_ = Answer();
};

}  // namespace quill::app
