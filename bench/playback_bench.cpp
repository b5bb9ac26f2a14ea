// The playback benchmark's driver (bench/playback.sh runs it; built with the app tests): starts QuillmereX.exe in a
// working folder whose settings name a folder of two byte-identical recording pairs, and reads the
// main window's published playback state. It measures, in one run, the time from the start of an
// open to the first position shown for the first pair (a cold open: nothing was read ahead) and for
// the second pair (opened at the end of the first, its drive data read ahead while the first played).
//
// Usage: playback_bench.exe <QuillmereX.exe> <working folder>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(argv[1], &command[0], nullptr, nullptr, FALSE, 0, nullptr, argv[2], &si, &pi)) return 3;
  HWND main = nullptr;
  const double start = Now();
  double openStart[2] = {-1, -1}, firstShown[2] = {-1, -1};
  INT_PTR lastOpens = 0;
  while (Now() - start < 120000) {
    if (!main) main = FindMain(pi.dwProcessId);
    if (main) {
      const INT_PTR opens = Prop(main, L"QuillmereX.Opens");
      const INT_PTR index = Prop(main, L"QuillmereX.Index");
      const INT_PTR position = Prop(main, L"QuillmereX.Position");
      const INT_PTR state = Prop(main, L"QuillmereX.State");
      // An open starts when the index names the pair and the previous one is left.
      if (index >= 0 && index < 2 && openStart[index] < 0 && (index == 0 || opens > lastOpens || state != 2)) {
        openStart[index] = Now();
      }
      if (index >= 0 && index < 2 && openStart[index] >= 0 && firstShown[index] < 0 && state == 2 && position > 0) {
        firstShown[index] = Now();
      }
      lastOpens = opens;
      if (firstShown[1] >= 0) break;
    }
    Sleep(1);
  }
  if (main) PostMessageW(main, WM_COMMAND, 18, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  TerminateProcess(pi.hProcess, 0);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (firstShown[0] < 0 || firstShown[1] < 0) {
    std::printf("incomplete: cold %s, next %s\n", firstShown[0] < 0 ? "missing" : "ok", firstShown[1] < 0 ? "missing" : "ok");
    return 1;
  }
  const double cold = firstShown[0] - openStart[0], next = firstShown[1] - openStart[1];
  std::printf("cold open to first position: %.0f ms\n", cold);
  std::printf("next pair (read ahead) to first position: %.0f ms\n", next);
  std::printf("ratio %.3f\n", next / cold);
  return 0;
}
