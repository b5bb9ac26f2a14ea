// The entry of every test program: GoogleTest's run, and an end the moment its result is known.
//
// Once every test has run and the result is printed, what remains of an ordinary exit is the
// unloading of the system's libraries, which no test here tests. Under Wine on a loaded machine that
// unloading was seen to crash (two programs, after all their tests had passed) and to hang until
// CTest's timeout (one more). So the program ends itself with its result as soon as the output is
// flushed. The exit of QuillmereX.exe itself, where a user meets it, is tested by the process tests
// (they expect exit code 0 within a bound).
//
// A crash, from the first line on, prints where it happened and ends the program at once; a program
// still running shortly before CTest's timeout (QUILL_HANG_REPORT_MS) prints where every thread
// stands and ends (crash_report.h).
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "tests/support/crash_report.h"

int main(int argc, char** argv) {
  quill::test::InstallCrashReport();
  if (const char* hangMs = std::getenv("QUILL_HANG_REPORT_MS")) {
    const unsigned long ms = std::strtoul(hangMs, nullptr, 10);
    if (ms > 0) quill::test::StartHangReport(ms);
  }
  testing::InitGoogleMock(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::cout.flush();
  std::cerr.flush();
  fflush(nullptr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
  return result;
}
