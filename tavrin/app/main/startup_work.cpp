// The wait for the start-up's work on threads of its own.
#include "tavrin/app/main/startup_work.h"

namespace quill::app {

void WaitTakingSentMessages(HANDLE thread) {
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_SENDMESSAGE, 0);
    if (woke != WAIT_OBJECT_0 + 1) return;  // ended, or the wait itself failed
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace quill::app
