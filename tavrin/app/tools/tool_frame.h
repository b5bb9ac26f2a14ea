// What the main dialog hands its tool workers: the callbacks over its message box, its progress
// messages and its worker-running flag, and the output folders of the settings file.
//
//   CSV export (command 38016), on the worker started by the tool launcher:
//     tools::CsvExportJob job;
//     job.folder = tools::ChooseToolFolder(dlg, L"CSV_FOLDER", 103);   // empty: the worker just ends
//     job.collect = [pane] { return pane->CollectSourceRecordings(); };
//     job.stopPlayback = ...;   // kill the tick timer, ResetDrag of both panes, PlayerCall_CloseMovieAll,
//                               // PlayerCall_CloseDataFileAll
//     job.storeFolder = [](const std::wstring& f) { return tools::StoreToolFolder(L"CSV_FOLDER", f); };
//     result = tools::RunCsvExport(job, tools::MakeToolCallbacks(dlg, dlg->GetSafeHwnd(), &running));
//   then kNoRecordings sets the no-recordings flag, kDone the success flag; kToolFinished as always.
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
