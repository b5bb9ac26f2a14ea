// The program as a process: QuillmereX.exe started in a working folder of the test's own, its windows
// found by caption, and its end awaited. Under Wine on the test display.
#pragma once

#include <windows.h>

#include <string>

#include "platform/framework/private_messages.h"

namespace quill::test {

class AppProcess {
 public:
  // Starts the program in `workDir`.
  explicit AppProcess(const std::wstring& workDir);
  ~AppProcess();  // ends a program still running
  AppProcess(const AppProcess&) = delete;
  AppProcess& operator=(const AppProcess&) = delete;

  bool started() const { return info_.hProcess != nullptr; }
  // A top-level window of the program with this caption (visible only, when asked), or null.
  HWND FindWindowByCaption(const wchar_t* caption, bool visibleOnly) const;
  // Waits (up to the safety timeout) for such a window.
  HWND WaitForWindow(const wchar_t* caption, bool visibleOnly, DWORD timeoutMs = 30000) const;
  // Waits for the program's end; true with its exit code when it ended within `timeoutMs`.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode) const;
  // Posts a marker to the main window and waits (up to `timeoutMs`) until the program has handled
  // it: its queue is then past everything this process posted to that window before. False when the
  // marker was not seen in time or the window went away.
  bool Sync(HWND hwnd, DWORD timeoutMs = 120000);

 private:
  PROCESS_INFORMATION info_ = {};
  UINT_PTR marker_ = 0;
};

// The program's queue marker (a private message) and the window property it publishes the marker in.
constexpr UINT kQueueMarkerMessage = quill::msg::kQueueMarker;
constexpr wchar_t kMarkerProperty[] = L"QuillmereX.Marker";

// The program's executable (<build>/QuillmereX.exe) as a Windows path.
std::wstring AppExePath();

// The settings file of a working folder, and one value of it ("" when missing).
std::wstring IniPathIn(const std::wstring& workDir);
std::wstring IniValue(const std::wstring& workDir, const wchar_t* section, const wchar_t* key);

// The program's captions.
constexpr wchar_t kMainCaption[] = L"QuillmereX";
constexpr wchar_t kModelCaption[] = L"製品選択";

}  // namespace quill::test
