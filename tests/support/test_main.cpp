// The entry of every test program: GoogleTest's run, then an exit that cannot hang the test bed.
//
// Under Wine a test program now and then stops in its own exit after every one of its tests has ended
// and its result is printed (seen under CTest's parallel runs: the program sat there until CTest's
// timeout). By then the result is known, so a guard thread armed after the run ends the process with
// that result when the exit has not finished within kExitGuardMs, and names the threads that were
// still there, so the hang can be traced.
#include <windows.h>
#include <tlhelp32.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

constexpr DWORD kExitGuardMs = 20000;  // a normal exit takes well under a second
constexpr ULONG kThreadStartAddressClass = 9;  // ThreadQuerySetWin32StartAddress

int g_result = 0;

using QueryThreadFn = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);

// "module+offset" of a thread's start address, or "?" when it cannot be read.
void DescribeThreadStart(DWORD threadId, char* out, size_t size) {
  snprintf(out, size, "?");
  auto query = reinterpret_cast<QueryThreadFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
  HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
  if (!query || !thread) {
    if (thread) CloseHandle(thread);
    return;
  }
  void* start = nullptr;
  if (query(thread, kThreadStartAddressClass, &start, sizeof start, nullptr) == 0 && start) {
    HMODULE module = nullptr;
    char name[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<const char*>(start), &module)) {
      GetModuleFileNameA(module, name, MAX_PATH);
    }
    const char* base = strrchr(name, '\\');
    snprintf(out, size, "%s+0x%lx", base ? base + 1 : name,
             static_cast<unsigned long>(static_cast<const char*>(start) - reinterpret_cast<const char*>(module)));
  }
  CloseHandle(thread);
}

DWORD WINAPI GuardExit(void*) {
  // Nothing signals the end of an exit that hangs: the bound itself is the guard.
  Sleep(kExitGuardMs);
  fprintf(stderr, "test program: the exit did not finish %lu ms after the tests ended; threads left:\n",
          static_cast<unsigned long>(kExitGuardMs));
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 te = {};
  te.dwSize = sizeof te;
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te)) {
    if (te.th32OwnerProcessID != GetCurrentProcessId() || te.th32ThreadID == GetCurrentThreadId()) continue;
    char where[MAX_PATH + 32];
    DescribeThreadStart(te.th32ThreadID, where, sizeof where);
    fprintf(stderr, "  thread %lu from %s\n", static_cast<unsigned long>(te.th32ThreadID), where);
  }
  if (snap != INVALID_HANDLE_VALUE) CloseHandle(snap);
  fprintf(stderr, "test program: ending with the tests' result %d\n", g_result);
  fflush(stderr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(g_result));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleMock(&argc, argv);
  g_result = RUN_ALL_TESTS();
  fflush(stdout);
  fflush(stderr);
  if (HANDLE guard = CreateThread(nullptr, 0, &GuardExit, nullptr, 0, nullptr)) CloseHandle(guard);
  return g_result;
}
