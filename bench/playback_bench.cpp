// The playback benchmark's driver (bench/playback.sh runs it; built with the app tests): starts QuillmereX.exe in a
// working folder with a card of three byte-identical recording pairs (two in the first day folder, one
// in the second) mounted as removable drive Y: (the program opens the last card by itself), and follows the main window's published playback state and open
// marks through four opens:
//   1. the first pair at the program's start (first use of everything; shown, not compared),
//   2. the second pair at the end of the first, its drive data read ahead while the first played,
//   3. the next day folder's pair at the end of the second: warm, and nothing read ahead (the change
//      of folder closes the pair before ahead of the open),
//   4. the same pair again at the end of the list: warm, nothing read ahead, not played on.
// Each open's time is split into the fixed waits (the open timer, the start timer, the first tick),
// the closing of the pair before, and the open work (players opened and ready, drive data, start);
// the ratio compares the open work of 2 and 3, each of which goes on playing (4 is shown beside).
// While the second pair plays at x1 the main camera's frames shown and dropped are read.
//
// Usage: playback_bench.exe <QuillmereX.exe> <working folder> <card folder> [frames of a main recording]
#include <windows.h>

#include <array>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/skin/removable_drive.h"

namespace {

struct Search {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK MatchMain(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD p = 0;
  GetWindowThreadProcessId(h, &p);
  wchar_t text[64] = L"";
  GetWindowTextW(h, text, 64);
  if (p != s->pid || !IsWindowVisible(h) || wcscmp(text, L"QuillmereX") != 0) return TRUE;
  s->found = h;
  return FALSE;
}

HWND FindMain(DWORD pid) {
  Search s = {pid, nullptr};
  EnumWindows(&MatchMain, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

INT_PTR Prop(HWND h, const wchar_t* name) { return reinterpret_cast<INT_PTR>(GetPropW(h, name)) - 1; }

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

constexpr const wchar_t* kSteps[] = {L"prepared", L"timer",       L"closed",  L"opened",    L"ready",
                                     L"loaded",   L"start-timer", L"started", L"first-tick"};
constexpr int kStepCount = 9;
enum { kPrepared, kTimer, kClosed, kOpened, kReady, kLoaded, kStartTimer, kStarted, kFirstTick };

// One open's marks in ms from its preparation, and the index it opened.
struct Open {
  bool seen = false;
  INT_PTR index = -1;
  std::array<double, kStepCount> ms = {};
  double Span(int from, int to) const { return ms[to] - ms[from]; }
  double Work() const { return Span(kClosed, kLoaded) + Span(kStartTimer, kStarted); }
  double Waits() const { return Span(kPrepared, kTimer) + Span(kLoaded, kStartTimer) + Span(kStarted, kFirstTick); }
};

bool ReadOpen(HWND main, Open* open) {
  for (int i = 0; i < kStepCount; ++i) {
    const INT_PTR v = Prop(main, (std::wstring(L"QuillmereX.Open.") + kSteps[i]).c_str());
    if (v < 0) return false;
    open->ms[i] = static_cast<double>(v) / 1000.0;
  }
  open->index = Prop(main, L"QuillmereX.Index");
  open->seen = true;
  return true;
}

void PrintOpen(const char* name, const Open& o) {
  std::printf("%s (index %d): open work %.0f ms (players opened %.0f, ready %.0f, drive data %.0f, start %.0f); "
              "closing the pair before %.0f ms; fixed waits %.0f ms (open timer %.0f, start timer %.0f, first tick %.0f); "
              "whole %.0f ms\n",
              name, static_cast<int>(o.index), o.Work(), o.Span(kClosed, kOpened), o.Span(kOpened, kReady),
              o.Span(kReady, kLoaded), o.Span(kStartTimer, kStarted), o.Span(kTimer, kClosed), o.Waits(),
              o.Span(kPrepared, kTimer), o.Span(kLoaded, kStartTimer), o.Span(kStarted, kFirstTick), o.ms[kFirstTick]);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  const long recordingFrames = argc > 4 ? wcstol(argv[4], nullptr, 10) : 0;
  quill::test::ScopedRemovableDrive card(L'y', argv[3]);
  if (!card.ok()) {
    std::printf("incomplete: the card could not be mounted as a removable drive\n");
    return 1;
  }
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(argv[1], &command[0], nullptr, nullptr, FALSE, 0, nullptr, argv[2], &si, &pi)) return 3;
  HWND main = nullptr;
  const double start = Now();
  Open opens[4];
  INT_PTR shown = -1, dropped = -1, shownAtEnd = -1;
  INT_PTR lastOpens = -1, lastIndex = -1, lastState = -1, lastPosition = -1;
  // The second pair's main camera each second from its first frame shown: frames shown and the
  // position of its clock (in frames); when the clock reached the end and when the last frame came.
  struct PaceMark {
    double ms;
    INT_PTR shown, position;
  };
  std::vector<PaceMark> pace;
  double firstShownAt = -1, endAt = -1, lastShownAt = -1;
  while (Now() - start < 120000 && !opens[3].seen) {
    if (!main) main = FindMain(pi.dwProcessId);
    if (main) {
      const INT_PTR n = Prop(main, L"QuillmereX.Opens");
      lastOpens = n, lastIndex = Prop(main, L"QuillmereX.Index"), lastState = Prop(main, L"QuillmereX.State");
      lastPosition = Prop(main, L"QuillmereX.Position");
      // The count published is the opens made before the current one.
      if (n >= 0 && n <= 3 && !opens[n].seen) ReadOpen(main, &opens[n]);
      if (n == 1) {
        const INT_PTR s = Prop(main, L"QuillmereX.FramesShown"), d = Prop(main, L"QuillmereX.FramesDropped");
        const double now = Now();
        if (s > shown) lastShownAt = now;
        if (s >= 0 && d >= 0) shown = s, dropped = d;
        // How far the picture is behind when the shown position reaches the recording's end.
        if (shownAtEnd < 0 && recordingFrames > 0 && lastPosition >= recordingFrames) shownAtEnd = s, endAt = now;
        if (s > 0 && firstShownAt < 0) firstShownAt = now;
        if (s > 0 && now - firstShownAt >= 1000.0 * static_cast<double>(pace.size())) {
          pace.push_back({now - firstShownAt, s, lastPosition});
        }
      }
    }
    Sleep(1);
  }
  if (main) PostMessageW(main, WM_COMMAND, 18, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  TerminateProcess(pi.hProcess, 0);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  // The second pair's frames are printed even when a later open never came.
  if (shown > 0 && dropped >= 0) {
    // The recording's frames that were never shown: those the presenter found missing between the
    // frames it showed, and those that never reached it before the pair ended.
    std::printf("main camera at x1, second pair: %d frames shown, %d found missing between them", static_cast<int>(shown),
                static_cast<int>(dropped));
    if (recordingFrames > 0) {
      std::printf(", %ld in the recording\n", recordingFrames);
      std::printf("frames shown and the clock's position (frames) each second from the first frame:");
      for (const PaceMark& m : pace) {
        std::printf(" %.0fs %d/%d", m.ms / 1000.0, static_cast<int>(m.shown), static_cast<int>(m.position));
      }
      std::printf("\n");
      if (shownAtEnd >= 0) {
        // A late frame is shown at once, however late: the picture runs on after its clock ended.
        std::printf("frames shown when the position reached the end: %d; the last frame came %.1f s after that\n",
                    static_cast<int>(shownAtEnd), lastShownAt > endAt ? (lastShownAt - endAt) / 1000.0 : 0.0);
        const double late = static_cast<double>(recordingFrames - shownAtEnd) / static_cast<double>(recordingFrames);
        std::printf("not shown by the clock's end (late or never shown) %.4f\n", late > 0 ? late : 0.0);
      }
      const double unshown = static_cast<double>(recordingFrames - shown) / static_cast<double>(recordingFrames);
      std::printf("dropped %.4f\n", unshown > 0 ? unshown : 0.0);
    } else {
      std::printf("\ndropped %.4f\n", static_cast<double>(dropped) / static_cast<double>(shown + dropped));
    }
  }
  if (!opens[3].seen) {
    const int missing = !opens[0].seen ? 0 : !opens[1].seen ? 1 : !opens[2].seen ? 2 : 3;
    const char* names[] = {"the first open", "the next pair's open", "the next folder's open", "the open at the list's end"};
    std::printf("incomplete: %s\n", names[missing]);
    std::printf("last seen: opens %d, index %d, state %d, position %d\n", static_cast<int>(lastOpens),
                static_cast<int>(lastIndex), static_cast<int>(lastState), static_cast<int>(lastPosition));
    return 1;
  }
  PrintOpen("first open at start (cold)", opens[0]);
  PrintOpen("next pair (read ahead)", opens[1]);
  PrintOpen("next day folder's pair (warm, not read ahead)", opens[2]);
  PrintOpen("same pair at the list's end (warm, not read ahead, paused)", opens[3]);
  if (opens[1].index != 1 || opens[2].index != 0 || opens[3].index != 0) {
    std::printf("incomplete: the opens were not of the second pair, then the next folder's first twice\n");
    return 1;
  }
  std::printf("open work, next pair against the list's end: %.3f\n", opens[1].Work() / opens[3].Work());
  std::printf("ratio %.3f\n", opens[1].Work() / opens[2].Work());
  return 0;
}
