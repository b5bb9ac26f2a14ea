// The test programs' crash and hang report (tests/support/crash_report.h): each kind of crash, and a
// hang, run in a child of this program, ends that child with the report's code and a report naming
// what happened and the place in this program where it happened.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/crash_report.h"

namespace {

// Not inlined, so that the report's stack has a frame of this name to show.
// The address comes through a volatile so that the compiler cannot see it is invalid.
volatile uintptr_t g_nearNull = 0xC;

__attribute__((noinline)) void ReadNearNull() {
  (void)*reinterpret_cast<volatile int*>(g_nearNull);
}

DWORD WINAPI CrashingThread(void*) {
  ReadNearNull();
  return 0;
}

// A crash on a thread of the program's own while the main thread waits for it: the wait must not
// be what ends the program.
void CrashOnAThread() {
  const HANDLE thread = CreateThread(nullptr, 0, CrashingThread, nullptr, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
}

void ThrowOnAThread() {
  std::thread thrower([] { throw std::runtime_error("thrown by the probe"); });
  thrower.join();
}

void Abort() { std::abort(); }

// A thread that waits for ever, and the main thread waiting for it.
__attribute__((noinline)) DWORD WINAPI WaitForNothing(void* never) {
  return WaitForSingleObject(static_cast<HANDLE>(never), INFINITE);
}

void Hang() {
  const HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HANDLE thread = CreateThread(nullptr, 0, WaitForNothing, never, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
}

struct CrashCase {
  const char* name;
  void (*crash)();
  // GoogleTest's simple regular expressions, each for a line of the child's error output.
  std::vector<const char*> lines;
  unsigned exitCode = quill::test::kCrashExitCode;
};

const CrashCase kCases[] = {
    {"page fault on a thread",
     CrashOnAThread,
     {"CRASH: access violation .* at test_crash_report.exe\\+0x", "reading address 0x0000000c",
      "#00 test_crash_report.exe\\+0x", "#01 test_crash_report.exe\\+0x", "ends here with code 70"}},
    {"uncaught C++ exception on a thread",
     ThrowOnAThread,
     {"CRASH: uncaught C\\+\\+ exception .*runtime_error: thrown by the probe", "#0\\d test_crash_report.exe\\+0x",
      "ends here with code 70"}},
    {"abort", Abort, {"CRASH: abort", "#0\\d test_crash_report.exe\\+0x", "ends here with code 70"}},
    // The child's hang guard is set short by the test (the variable is inherited).
    {"hang", Hang, {"HANG: the test program still runs after 300 ms", "thread \\d+:", "#0\\d test_crash_report.exe\\+0x",
      "ends here with code 71"}, quill::test::kHangExitCode},
};

TEST(CrashReport, EachCrashOrHangEndsTheProgramWithWhereItHappened) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  SetEnvironmentVariableW(L"QUILL_HANG_REPORT_MS", L"300");  // for the children only
  for (const CrashCase& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<testing::Matcher<const std::string&>> lines;
    for (const char* line : c.lines) lines.push_back(testing::ContainsRegex(line));
    EXPECT_EXIT(c.crash(), testing::ExitedWithCode(static_cast<int>(c.exitCode)),
                testing::AllOfArray(lines));
  }
}

}  // namespace
