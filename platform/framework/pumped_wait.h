// Waiting on a window's thread for a worker that may need that thread: the worker may send to one of
// its windows or show a dialog owned by one, so the wait dispatches every message meanwhile.
#pragma once

#include <windows.h>

#include <functional>

namespace quill::framework {

// How a pumped wait ended: `quit` when it took a WM_QUIT off the queue (its code in `quitCode`); the
// caller posts it again for the loop outside once its worker is gone.
struct PumpedWaitEnd {
  bool quit = false;
  int quitCode = 0;
};

// Waits until the handle `waitFor` answers is signalled (or the wait on it fails), dispatching this
// thread's messages meanwhile. `waitFor` is asked again before each wait and each message: a message
// dispatched here may itself collect the worker, and then it answers null and the wait ends.
PumpedWaitEnd WaitPumpingMessages(const std::function<HANDLE()>& waitFor);

}  // namespace quill::framework
