// A crash report for the test programs: an exception nobody handles, an uncaught C++ exception or an
// abort prints what happened, where (module+offset) and a short stack to the error output, and ends
// the process at once with kCrashExitCode. Without it a crashed test under Wine waits at "starting
// debugger" until CTest's timeout and leaves no trace of where it crashed.
//
// An offset is from the module's load address; for a program of this build,
// `i686-w64-mingw32-addr2line -f -C -e <program> $((0x400000 + offset))` names the line (the
// programs are linked at their default base, 0x400000).
#pragma once

#include <windows.h>

namespace quill::test {

constexpr unsigned kCrashExitCode = 70;
constexpr unsigned kHangExitCode = 71;

// Once, at the start of the program, before any thread of the program's own is started.
void InstallCrashReport();

// A program still running `afterMs` from now prints the stack of every thread and ends with
// kHangExitCode: a hang guard set a little inside CTest's timeout (QUILL_HANG_REPORT_MS), so that a
// test that hangs says where instead of being killed without a word.
void StartHangReport(DWORD afterMs);

}  // namespace quill::test
