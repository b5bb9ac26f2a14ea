// Starting QuillmereX.exe as a process and finding its windows.
#include "tests/app/app_process.h"

#include <cstdlib>

#include "tests/support/test_env.h"

namespace quill::test {

std::wstring AppExePath() {
  const char* build = std::getenv("QUILL_BUILD_DIR");
  return build ? HostPathToWindows(std::string(build) + "/QuillmereX.exe") : std::wstring();
}

std::wstring IniPathIn(const std::wstring& workDir) { return workDir + L"Default_Folder.ini"; }

std::wstring IniValue(const std::wstring& workDir, const wchar_t* section, const wchar_t* key) {
  wchar_t value[260] = L"";
  GetPrivateProfileStringW(section, key, L"", value, 260, IniPathIn(workDir).c_str());
  return value;
}

namespace {

struct Search {
  DWORD pid;
  const wchar_t* caption;
  bool visibleOnly;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || (s->visibleOnly && !IsWindowVisible(hwnd))) return TRUE;
  wchar_t text[128] = L"";
  GetWindowTextW(hwnd, text, 128);
  if (wcscmp(text, s->caption) != 0) return TRUE;
  s->found = hwnd;
  return FALSE;
}

}  // namespace

AppProcess::AppProcess(const std::wstring& workDir) {
  std::wstring exe = AppExePath();
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &si,
                      &info_)) {
    info_ = {};
  }
}

AppProcess::~AppProcess() {
  if (!info_.hProcess) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 10000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

HWND AppProcess::FindWindowByCaption(const wchar_t* caption, bool visibleOnly) const {
  Search s = {info_.dwProcessId, caption, visibleOnly, nullptr};
  EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND AppProcess::WaitForWindow(const wchar_t* caption, bool visibleOnly, DWORD timeoutMs) const {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND h = FindWindowByCaption(caption, visibleOnly)) return h;
    // The program ended, or the safety timeout passed: no window will come.
    if (WaitForSingleObject(info_.hProcess, 20) != WAIT_TIMEOUT) return nullptr;
    if (GetTickCount() - start > timeoutMs) return nullptr;
  }
}

bool AppProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const {
  if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(info_.hProcess, exitCode) != FALSE;
}

bool AppProcess::Sync(HWND hwnd, DWORD timeoutMs) {
  // A sent message is handled at the program's next look at its queue, ahead of everything posted:
  // the marker is posted instead, behind what this process posted before, and the program publishes
  // it when it gets there.
  const UINT_PTR marker = ++marker_;
  if (!PostMessageW(hwnd, kQueueMarkerMessage, marker, 0)) return false;
  const DWORD start = GetTickCount();
  for (;;) {
    if (reinterpret_cast<UINT_PTR>(GetPropW(hwnd, kMarkerProperty)) == marker) return true;
    if (!IsWindow(hwnd) || GetTickCount() - start > timeoutMs) return false;
    // Returns once the program's thread looks at its queue again, that is after one more posted
    // message; a program waiting elsewhere answers at once, and the loop then yields briefly.
    const DWORD before = GetTickCount();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored);
    if (GetTickCount() - before < 2) Sleep(2);
  }
}

}  // namespace quill::test
