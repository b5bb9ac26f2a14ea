// The start benchmark's driver (bench/app-start.sh runs it; not a test): starts a program, measures
// the time until its first visible top-level window appears, closes it and waits for its end. Runs
// QuillmereX.exe and a minimal dialog program alternately, `runs` times each, and prints the medians.
//
// Usage: start_bench.exe <QuillmereX.exe> <min_dialog.exe> <working folder> <runs>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FirstVisible(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
  wchar_t text[64] = L"";
  GetWindowTextW(hwnd, text, 64);
  if (wcscmp(text, L"QuillmereX") != 0 && wcscmp(text, L"minimal") != 0) return TRUE;
  s->found = hwnd;
  return FALSE;
}

// Milliseconds from CreateProcess to the visible window; -1 when it did not come within 60 s.
double TimeOne(const std::wstring& exe, const std::wstring& dir, bool quillmere) {
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) return -1;
  Search s = {pi.dwProcessId, nullptr};
  double ms = -1;
  for (;;) {
    EnumWindows(&FirstVisible, reinterpret_cast<LPARAM>(&s));
    QueryPerformanceCounter(&t1);
    const double elapsed = 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart);
    if (s.found) {
      ms = elapsed;
      break;
    }
    if (elapsed > 60000 || WaitForSingleObject(pi.hProcess, 1) != WAIT_TIMEOUT) break;
  }
  if (s.found) PostMessageW(s.found, WM_COMMAND, quillmere ? 18 : IDCANCEL, 0);
  if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return ms;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: start_bench <QuillmereX.exe> <min_dialog.exe> <folder> <runs>\n");
    return 2;
  }
  const int runs = std::max(1, _wtoi(argv[4]));
  std::vector<double> app, minimal;
  for (int i = 0; i < runs; ++i) {
    app.push_back(TimeOne(argv[1], argv[3], true));
    minimal.push_back(TimeOne(argv[2], argv[3], false));
  }
  if (std::count(app.begin(), app.end(), -1.0) || std::count(minimal.begin(), minimal.end(), -1.0)) {
    std::printf("a program showed no window\n");
    return 1;
  }
  const double a = Median(app), m = Median(minimal);
  std::printf("QuillmereX.exe main window visible after %.0f ms (median of %d)\n", a, runs);
  std::printf("minimal dialog program visible after %.0f ms (median of %d)\n", m, runs);
  std::printf("ratio %.2f\n", a / m);
  return 0;
}
