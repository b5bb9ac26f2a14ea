// Waiting on the thread that owns windows without stalling other threads that send it messages.
//
// The media pipeline draws into windows owned by the application's thread; Direct3D and the window
// system may send that window's thread a message while a frame is presented (under Wine, on the
// first present of a new device). A plain wait on that thread for a pipeline event (a session's
// closing, a stop) could then wait for a thread that waits for it. These waits dispatch sent
// messages while they wait and leave posted messages in the queue.
#pragma once

#include <windows.h>

namespace quill::com {

// Waits up to `timeoutMs` (INFINITE allowed) for `handle`, dispatching messages sent to this thread
// meanwhile. Answers what WaitForSingleObject would: WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED.
DWORD WaitDispatchingSentMessages(HANDLE handle, DWORD timeoutMs);

}  // namespace quill::com
