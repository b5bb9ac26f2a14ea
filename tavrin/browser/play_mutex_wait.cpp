// The UI thread's wait on the playback mutex (see play_mutex_wait.h).
#include "tavrin/browser/play_mutex_wait.h"

bool WaitForMutexDeliveringSent(HANDLE mutex) {
  if (!mutex) return false;
  for (;;) {
    const DWORD r = MsgWaitForMultipleObjects(1, &mutex, FALSE, INFINITE, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED_0) return true;
    if (r != WAIT_OBJECT_0 + 1) return false;
    // Peeking delivers the pending sent messages; posted ones stay queued for the thread's own loop.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}
