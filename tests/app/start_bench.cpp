// The start benchmark's driver (bench/app-start.sh runs it; not a test): starts a program, measures
// the time until its first visible top-level window appears, closes it and waits for its end. Runs
// QuillmereX.exe and a minimal dialog program alternately, `runs` times each, and prints the medians,
// with the breakdown of QuillmereX.exe's start that it publishes on its window after its first paint
// (tavrin/app/start_marks.h) and the minimal program's time before its entry.
//
// Usage: start_bench.exe <QuillmereX.exe> <min_dialog.exe> <working folder> <runs>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tavrin/app/main/start_marks.h"

using quill::app::kStartStepNames;
using quill::app::StartStep;

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

constexpr size_t kSteps = static_cast<size_t>(StartStep::kCount);

// One start: milliseconds from CreateProcess to the visible window (-1 when it did not come within
// 60 s), the milliseconds before the program's entry, and QuillmereX.exe's steps (ms from its entry;
// -1 where not published).
struct Start {
  double visible = -1;
  double beforeEntry = -1;
  std::vector<double> steps = std::vector<double>(kSteps, -1.0);
};

// A published start property in ms, or -1.
double StartProperty(HWND window, const wchar_t* name) {
  const std::wstring property = std::wstring(quill::app::kStartPropPrefix) + name;
  const auto value = reinterpret_cast<uintptr_t>(GetPropW(window, property.c_str()));
  return value ? static_cast<double>(value - 1) / 1000.0 : -1.0;
}

Start TimeOne(const std::wstring& exe, const std::wstring& dir, bool quillmere) {
  Start result;
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) return result;
  Search s = {pi.dwProcessId, nullptr};
  for (;;) {
    EnumWindows(&FirstVisible, reinterpret_cast<LPARAM>(&s));
    QueryPerformanceCounter(&t1);
    const double elapsed = 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart);
    if (s.found) {
      result.visible = elapsed;
      break;
    }
    if (elapsed > 60000 || WaitForSingleObject(pi.hProcess, 1) != WAIT_TIMEOUT) break;
  }
  // The breakdown is published once the first paint is done (the minimal program publishes only the
  // time before its entry, at once).
  const wchar_t* last = quillmere ? kStartStepNames[static_cast<size_t>(StartStep::kFirstPaint)]
                                  : quill::app::kStartBeforeEntryName;
  for (int waited = 0; s.found && StartProperty(s.found, last) < 0 && waited < 20000; waited += 2) {
    if (WaitForSingleObject(pi.hProcess, 2) != WAIT_TIMEOUT) break;
  }
  if (s.found) {
    result.beforeEntry = StartProperty(s.found, quill::app::kStartBeforeEntryName);
    for (size_t i = 0; quillmere && i < kSteps; ++i) result.steps[i] = StartProperty(s.found, kStartStepNames[i]);
  }
  if (s.found) PostMessageW(s.found, WM_COMMAND, quillmere ? 18 : IDCANCEL, 0);
  if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return result;
}

double Median(std::vector<double> v) {
  v.erase(std::remove(v.begin(), v.end(), -1.0), v.end());
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

template <typename F>
double MedianOf(const std::vector<Start>& starts, F value) {
  std::vector<double> v;
  for (const Start& s : starts) v.push_back(value(s));
  return Median(v);
}

// What each step is, for the breakdown.
const wchar_t* const kStepMeaning[kSteps] = {
    L"the entry",
    L"common controls, control container, shell manager, GDI+",
    L"the dialog template's window and controls",
    L"base, icon, power notice, mutexes",
    L"fonts, DPI, language",
    L"title, size",
    L"skin images",
    L"child windows",
    L"settings file",
    L"player instances",
    L"buttons, volume, settings dialog, progress bar",
    L"the source and the browser pane",
    L"the rest of the start-up, to its end",
    L"shown (the dialog loop's first turn)",
    L"after-start steps (D3DX probe, update check)",
    L"first paint of every window",
};

void PrintBreakdown(const std::vector<Start>& app, const std::vector<Start>& minimal) {
  const double before = MedianOf(app, [](const Start& s) { return s.beforeEntry; });
  const double minimalBefore = MedianOf(minimal, [](const Start& s) { return s.beforeEntry; });
  std::printf("QuillmereX.exe start-up breakdown (medians; ms of each step, ms from the process's creation):\n");
  std::printf("  %-58s %7.1f %7.1f\n", "before the entry (process start, DLL imports, static objects)", before, before);
  std::printf("  %-58s %7.1f\n", "  the minimal program's time before its entry", minimalBefore);
  for (size_t i = 1; i < kSteps; ++i) {
    const double step = MedianOf(app, [i](const Start& s) {
      if (s.steps[i] < 0) return -1.0;
      double previous = 0;
      for (size_t j = i; j-- > 0;) {
        if (s.steps[j] >= 0) {
          previous = s.steps[j];
          break;
        }
      }
      return s.steps[i] - previous;
    });
    const double at = MedianOf(app, [i](const Start& s) { return s.steps[i]; });
    char label[128];
    std::snprintf(label, sizeof label, "%ls: %ls", kStartStepNames[i], kStepMeaning[i]);
    std::printf("  %-58s %7.1f %7.1f\n", label, step, at < 0 || before < 0 ? -1.0 : before + at);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: start_bench <QuillmereX.exe> <min_dialog.exe> <folder> <runs>\n");
    return 2;
  }
  const int runs = std::max(1, _wtoi(argv[4]));
  std::vector<Start> app, minimal;
  for (int i = 0; i < runs; ++i) {
    app.push_back(TimeOne(argv[1], argv[3], true));
    minimal.push_back(TimeOne(argv[2], argv[3], false));
  }
  for (const auto* starts : {&app, &minimal}) {
    for (const Start& s : *starts) {
      if (s.visible >= 0) continue;
      std::printf("%ls showed no window within 60 s\n", starts == &app ? L"QuillmereX.exe" : L"the minimal program");
      return 1;
    }
  }
  const double a = MedianOf(app, [](const Start& s) { return s.visible; });
  const double m = MedianOf(minimal, [](const Start& s) { return s.visible; });
  PrintBreakdown(app, minimal);
  std::printf("QuillmereX.exe main window visible after %.0f ms (median of %d)\n", a, runs);
  std::printf("minimal dialog program visible after %.0f ms (median of %d)\n", m, runs);
  std::printf("ratio %.2f\n", a / m);
  return 0;
}
