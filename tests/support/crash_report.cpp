#include "tests/support/crash_report.h"

#include <windows.h>
#include <dbghelp.h>
#include <tlhelp32.h>

#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <typeinfo>

namespace quill::test {
namespace {

constexpr int kMaxFrames = 24;

// The thread that reports the first crash. A crash of another thread meanwhile waits for that report
// to end the process; a crash of the report itself (a damaged heap, a stack walk that faults) is
// noted in a line and ends it at once.
LONG g_reporter = 0;

// Everything is written straight to the error handle from buffers on the stack: the C runtime's
// streams and the heap may be what the crash damaged.
void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Print(const char* format, ...) {
  char line[600];
  va_list args;
  va_start(args, format);
  int length = vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (length < 0) return;
  if (length >= static_cast<int>(sizeof line)) length = sizeof line - 1;
  DWORD written = 0;
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err != nullptr && err != INVALID_HANDLE_VALUE) WriteFile(err, line, static_cast<DWORD>(length), &written, nullptr);
}

// "name.dll+0x1234", or the bare address where no module holds it (Wine's own Unix libraries).
void DescribeAddress(uintptr_t address, char* out, size_t size) {
  HMODULE module = nullptr;
  const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  char path[MAX_PATH] = {};
  if (GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(address), &module) && module != nullptr &&
      GetModuleFileNameA(module, path, MAX_PATH) > 0) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
      if (*p == '\\' || *p == '/') name = p + 1;
    }
    snprintf(out, size, "%s+0x%lx", name, static_cast<unsigned long>(address - reinterpret_cast<uintptr_t>(module)));
  } else {
    snprintf(out, size, "0x%08lx (in no module)", static_cast<unsigned long>(address));
  }
}

// The system's symbol helper, loaded only when a crash needs it (it is no import of the programs).
struct SymbolHelper {
  decltype(&SymInitialize) initialize = nullptr;
  decltype(&SymSetOptions) setOptions = nullptr;
  decltype(&StackWalk64) walk = nullptr;
  decltype(&SymFunctionTableAccess64) functionTable = nullptr;
  decltype(&SymGetModuleBase64) moduleBase = nullptr;
  decltype(&SymFromAddr) fromAddress = nullptr;

  bool Load() {
    const HMODULE dll = LoadLibraryW(L"dbghelp.dll");
    if (dll == nullptr) return false;
    initialize = reinterpret_cast<decltype(initialize)>(reinterpret_cast<void*>(GetProcAddress(dll, "SymInitialize")));
    setOptions = reinterpret_cast<decltype(setOptions)>(reinterpret_cast<void*>(GetProcAddress(dll, "SymSetOptions")));
    walk = reinterpret_cast<decltype(walk)>(reinterpret_cast<void*>(GetProcAddress(dll, "StackWalk64")));
    functionTable = reinterpret_cast<decltype(functionTable)>(reinterpret_cast<void*>(GetProcAddress(dll, "SymFunctionTableAccess64")));
    moduleBase = reinterpret_cast<decltype(moduleBase)>(reinterpret_cast<void*>(GetProcAddress(dll, "SymGetModuleBase64")));
    fromAddress = reinterpret_cast<decltype(fromAddress)>(reinterpret_cast<void*>(GetProcAddress(dll, "SymFromAddr")));
    return initialize && setOptions && walk && functionTable && moduleBase && fromAddress;
  }
};

void PrintFrame(int index, uintptr_t address, const SymbolHelper* symbols) {
  char where[MAX_PATH + 40];
  DescribeAddress(address, where, sizeof where);
  char name[sizeof(SYMBOL_INFO) + 256] = {};
  auto* symbol = reinterpret_cast<SYMBOL_INFO*>(name);
  symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
  symbol->MaxNameLen = 255;
  DWORD64 displacement = 0;
  if (symbols != nullptr && symbols->fromAddress(GetCurrentProcess(), address, &displacement, symbol)) {
    Print("  #%02d %s %s+0x%lx\n", index, where, symbol->Name, static_cast<unsigned long>(displacement));
  } else {
    Print("  #%02d %s\n", index, where);
  }
}

// Frame-pointer walk, where the symbol helper cannot be had: bounded by the thread's stack.
void WalkFramePointers(const CONTEXT& context) {
  ULONG_PTR low = 0;
  ULONG_PTR high = 0;
  GetCurrentThreadStackLimits(&low, &high);
  PrintFrame(0, context.Eip, nullptr);
  uintptr_t frame = context.Ebp;
  for (int i = 1; i < kMaxFrames; ++i) {
    if (frame < low || frame + 2 * sizeof(uintptr_t) > high || frame % sizeof(uintptr_t) != 0) break;
    const auto* slots = reinterpret_cast<const uintptr_t*>(frame);
    if (slots[1] == 0) break;
    PrintFrame(i, slots[1], nullptr);
    if (slots[0] <= frame) break;
    frame = slots[0];
  }
}

void PrintStack(const CONTEXT& at, HANDLE thread = GetCurrentThread()) {
  Print("stack:\n");
  static SymbolHelper symbols;
  if (!symbols.Load()) {
    WalkFramePointers(at);
    return;
  }
  const HANDLE process = GetCurrentProcess();
  symbols.setOptions(SYMOPT_DEFERRED_LOADS | SYMOPT_UNDNAME);
  const bool named = symbols.initialize(process, nullptr, TRUE) != FALSE;
  CONTEXT context = at;  // the walk changes the context it is given
  STACKFRAME64 frame = {};
  frame.AddrPC.Offset = context.Eip;
  frame.AddrPC.Mode = AddrModeFlat;
  frame.AddrFrame.Offset = context.Ebp;
  frame.AddrFrame.Mode = AddrModeFlat;
  frame.AddrStack.Offset = context.Esp;
  frame.AddrStack.Mode = AddrModeFlat;
  int shown = 0;
  while (shown < kMaxFrames &&
         symbols.walk(IMAGE_FILE_MACHINE_I386, process, thread, &frame, &context, nullptr,
                      symbols.functionTable, symbols.moduleBase, nullptr) &&
         frame.AddrPC.Offset != 0) {
    PrintFrame(shown++, static_cast<uintptr_t>(frame.AddrPC.Offset), named ? &symbols : nullptr);
  }
  if (shown == 0 && thread == GetCurrentThread()) WalkFramePointers(at);
  if (shown == 0 && thread != GetCurrentThread()) PrintFrame(0, at.Eip, nullptr);
}

[[noreturn]] void End() {
  Print("the test program ends here with code %u\n", kCrashExitCode);
  TerminateProcess(GetCurrentProcess(), kCrashExitCode);
  for (;;) Sleep(INFINITE);
}

// True for the first crash, whose thread then reports; any later one does not return.
// (The answer is always true: a later crash never returns.)
bool BeginReport(const char* what) {
  const LONG self = static_cast<LONG>(GetCurrentThreadId());
  const LONG first = InterlockedCompareExchange(&g_reporter, self, 0);
  if (first == 0) {
    fflush(nullptr);
    return true;
  }
  if (first == self) {
    Print("*** the report itself failed: %s\n", what);
    End();
  }
  Sleep(10000);  // the first report ends the process well before this
  End();
}

void PrintEveryThread();

const char* Describe(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_IN_PAGE_ERROR: return "page error";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer division by zero";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case EXCEPTION_BREAKPOINT: return "breakpoint";
    case EXCEPTION_PRIV_INSTRUCTION: return "privileged instruction";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return "array bounds exceeded";
    case EXCEPTION_DATATYPE_MISALIGNMENT: return "misaligned data";
    case 0x80000101: return "assertion in Wine's own code";
    default: return "exception";
  }
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  char where[MAX_PATH + 40];
  DescribeAddress(reinterpret_cast<uintptr_t>(record.ExceptionAddress), where, sizeof where);
  char what[MAX_PATH + 80];
  snprintf(what, sizeof what, "code 0x%08lx at %s", static_cast<unsigned long>(record.ExceptionCode), where);
  BeginReport(what);
  Print("\n*** CRASH: %s (code 0x%08lx) at %s on thread %lu\n", Describe(record.ExceptionCode),
        static_cast<unsigned long>(record.ExceptionCode), where, GetCurrentThreadId());
  if ((record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION || record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
      record.NumberParameters >= 2) {
    const ULONG_PTR kind = record.ExceptionInformation[0];
    Print("    %s address 0x%08lx\n", kind == 0 ? "reading" : kind == 1 ? "writing" : "executing",
          static_cast<unsigned long>(record.ExceptionInformation[1]));
  }
  // The stack walk itself may stall on a damaged process (the loader's lock, the heap): the short
  // report above is already out.
  HMODULE module = nullptr;
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCSTR>(record.ExceptionAddress), &module)) {
    PrintStack(*pointers->ContextRecord);
  } else {
    // Outside every module: Wine's own host code (an abort in one of its libraries). Its stack does
    // not walk; what the program's threads were doing is what tells the cause.
    Print("(outside every module: the host side of Wine)\nthe other threads:\n");
    PrintEveryThread();
  }
  End();
}

void ReportHere(const char* what) {
  Print("\n*** CRASH: %s on thread %lu\n", what, GetCurrentThreadId());
  CONTEXT context = {};
  RtlCaptureContext(&context);
  PrintStack(context);
  End();
}

[[noreturn]] void OnTerminate() {
  BeginReport("std::terminate");
  char what[400] = "std::terminate without an exception";
  if (const std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& e) {
      snprintf(what, sizeof what, "uncaught C++ exception %s: %s", typeid(e).name(), e.what());
    } catch (...) {
      snprintf(what, sizeof what, "uncaught C++ exception of an unknown type");
    }
  }
  ReportHere(what);
  End();
}

void OnAbort(int) {
  BeginReport("abort");
  ReportHere("abort");
}

DWORD g_hangAfterMs = 0;

bool IsCode(uintptr_t address) {
  MEMORY_BASIC_INFORMATION info = {};
  if (VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) != sizeof info) return false;
  constexpr DWORD kExecutable = PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return info.State == MEM_COMMIT && (info.Protect & kExecutable) != 0 && info.Type == MEM_IMAGE;
}

// Another thread's stack, read without walking it (the symbol helper's walk of a live thread was seen
// to fault): its instruction pointer, then every word on its stack that points into a module's code,
// innermost first. The words are return addresses mostly; a few may be stale ones.
void ScanStack(const CONTEXT& context) {
  Print("stack (scanned):\n");
  PrintFrame(0, context.Eip, nullptr);
  int shown = 1;
  uintptr_t at = context.Esp;
  constexpr size_t kChunkWords = 256;
  constexpr size_t kMaxScannedBytes = 64 * 1024;
  for (size_t scanned = 0; scanned < kMaxScannedBytes && shown < kMaxFrames; scanned += sizeof(uintptr_t) * kChunkWords) {
    uintptr_t words[kChunkWords];
    SIZE_T read = 0;
    if (!ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(at + scanned), words, sizeof words, &read) ||
        read != sizeof words) {
      break;  // the end of the stack
    }
    for (size_t i = 0; i < kChunkWords && shown < kMaxFrames; ++i) {
      if (IsCode(words[i])) PrintFrame(shown++, words[i], nullptr);
    }
  }
}

// Every thread of the process with its stack. Each thread is stopped only to read its registers: a
// stopped thread may hold the heap's or the loader's lock, which the walk needs. A hung thread
// stands still, so its stack reads the same afterwards.
void PrintEveryThread() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  const DWORD self = GetCurrentThreadId();
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != GetCurrentProcessId() || entry.th32ThreadID == self) continue;
    const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION,
                                     FALSE, entry.th32ThreadID);
    if (thread == nullptr) continue;
    CONTEXT context = {};
    context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
    bool read = false;
    if (SuspendThread(thread) != static_cast<DWORD>(-1)) {
      read = GetThreadContext(thread, &context) != FALSE;
      ResumeThread(thread);
    }
    Print("\nthread %lu:\n", static_cast<unsigned long>(entry.th32ThreadID));
    if (read) ScanStack(context);
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
}

DWORD WINAPI WatchForHang(void*) {
  Sleep(g_hangAfterMs);
  BeginReport("hang");
  Print("\n*** HANG: the test program still runs after %lu ms; its threads:\n",
        static_cast<unsigned long>(g_hangAfterMs));
  PrintEveryThread();
  Print("the test program ends here with code %u\n", kHangExitCode);
  TerminateProcess(GetCurrentProcess(), kHangExitCode);
  return 0;
}

}  // namespace

void StartHangReport(DWORD afterMs) {
  g_hangAfterMs = afterMs;
  const HANDLE watch = CreateThread(nullptr, 0, WatchForHang, nullptr, 0, nullptr);
  if (watch != nullptr) CloseHandle(watch);
}

void InstallCrashReport() {
  SetUnhandledExceptionFilter(OnUnhandledException);
  std::set_terminate(OnTerminate);
  std::signal(SIGABRT, OnAbort);
}

}  // namespace quill::test
