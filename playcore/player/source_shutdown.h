// Shutting a media source down without letting a shut-down that never returns hold the close.
//
// Wine 8's media source tears its parser down in Shutdown while its own command thread may still be
// waiting inside it for a sample the session asked for; the parser's teardown then waits for that
// thread for ever (seen as a close that hangs in the source's Shutdown, the session's sample request
// still pending). Where that can happen the call runs on a thread of its own and the closing thread
// waits for it within a bound; a call still running then is left to its thread, which keeps its
// own reference to the source until the call returns (if ever), and the close goes on.
//
// Threads: the caller is the closing thread (the one that owns the player's windows: sent messages
// are dispatched while it waits). The shut-down thread touches nothing but the source and a record
// it shares with the caller, freed by whichever of the two lets go last.
#pragma once

#include <windows.h>
#include <mfidl.h>

namespace playcore {

// How long the close lets a source take to shut down where its shut-down may never return.
constexpr DWORD kSourceShutdownWaitMs = 5000;

// Shuts `source` down. With `boundMs` INFINITE the call is made here, on the caller's thread, and its
// answer returned. Otherwise the call runs on a thread of its own, and the answer is the source's
// when it came within `boundMs`, or HRESULT_FROM_WIN32(ERROR_TIMEOUT) when it did not: the call is
// then abandoned (counted, and written to the debugger output). A null source answers S_OK.
HRESULT ShutdownSourceWithin(IMFMediaSource* source, DWORD boundMs);

// Shut-downs abandoned so far in this process (for the tests and the leak checks).
LONG AbandonedSourceShutdowns();

}  // namespace playcore
