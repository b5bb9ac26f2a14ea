// What the main dialog hands its tool workers: the callbacks over its message box, its progress
// messages and its worker-running flag, and the output folders of the settings file.
// The main dialog's tool commands (CSV export, deletion, join, conversion, snapshot) build their
// callbacks here and run the tool's pure runner with them on their worker.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "platform/framework/wnd.h"
#include "tavrin/app/tools/tool_callbacks.h"

namespace tools {

// Message boxes owned by `owner` (CMsgBox), progress posted to `progressWindow`, and `running` as the
// worker-running flag (null: never cancelled).
ToolCallbacks MakeToolCallbacks(CWnd* owner, HWND progressWindow, const std::atomic<bool>* running);

// FOLDERPATH/<key> or a folder browse titled with UI text `titleText`; empty when none was chosen.
std::wstring ChooseToolFolder(CWnd* parent, const wchar_t* key, unsigned titleText);
// Writes FOLDERPATH/<key>.
bool StoreToolFolder(const wchar_t* key, const std::wstring& folder);

}  // namespace tools
