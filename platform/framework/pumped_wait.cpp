// Waiting for a worker while dispatching messages (see pumped_wait.h).
#include "platform/framework/pumped_wait.h"

namespace quill::framework {

PumpedWaitEnd WaitPumpingMessages(const std::function<HANDLE()>& waitFor) {
  PumpedWaitEnd end;
  for (;;) {
    HANDLE handle = waitFor();
    if (!handle) return end;
    const DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + 1) return end;  // signalled, or the wait failed
    MSG msg;
    while (waitFor() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        end.quit = true;
        end.quitCode = static_cast<int>(msg.wParam);
        return end;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace quill::framework
