// CtavrinDlg: the tool commands on the tool frame: the CSV export (38016), the deletion of recordings
// (38014), the snapshot (38006) and the two faces of the join button (38007: the join, or the upload
// conversion of the current recording).
//
// Threads: the handlers run on the UI thread and start their worker through StartToolThread (the
// snapshot alone runs on the UI thread). A worker never touches a window directly: what must happen on
// the UI thread (stopping playback, list rows) is sent there with kRunHeldCall, whose wParam points to
// the call; the UI thread keeps pumping while the worker runs, so a send never waits on a blocked thread.
// Every worker reports success through m_bToolSucceeded and ends by posting kToolFinished.
#include <atomic>
#include <functional>
#include <string>

#include "platform/framework/private_messages.h"
#include "playcore/instances/dispatchers.h"
#include "tavrin/app/command_hooks.h"
#include "tavrin/app/csv_export.h"
#include "tavrin/app/main_dlg.h"
#include "tavrin/app/tool_frame.h"

using namespace quill::app;

namespace {

constexpr UINT_PTR kPlayTimer = 100;
constexpr unsigned kTextOutputFolderTitle = 103;  // "出力先フォルダーを選択してください。"

// The worker-running word of the dialog, read from a worker.
bool ToolKeepsRunning(CtavrinDlg* dlg) { return __atomic_load_n(&dlg->m_bToolRunning, __ATOMIC_ACQUIRE) != FALSE; }

// The tool's message boxes, progress and running flag. A test's message hook takes the messages
// (a question then counts as answered OK).
ToolCallbacks CallbacksFor(CtavrinDlg* dlg, bool worker) {
  ToolCallbacks callbacks = tools::MakeToolCallbacks(dlg, dlg->GetSafeHwnd(), nullptr);
  if (worker) callbacks.keepRunning = [dlg] { return ToolKeepsRunning(dlg); };
  if (auto hook = CmdHooks().showMessage) {
    callbacks.messageBox = [dlg, hook](const wchar_t* text, const wchar_t* caption, unsigned) {
      hook(dlg, text, caption);
      return kMsgBoxAnswerOk;
    };
  }
  return callbacks;
}

// Runs `call` on the dialog's thread and returns when it ran.
void OnUiThread(CtavrinDlg* dlg, const std::function<void()>& call) {
  HWND hwnd = dlg->GetSafeHwnd();
  if (!hwnd) return;
  if (::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId()) {
    call();
  } else {
    ::SendMessageW(hwnd, quill::msg::kRunHeldCall, reinterpret_cast<WPARAM>(&call), 0);
  }
}

// Closes what plays: timer 100, the drag state of both panes, every movie and data file. UI thread.
void ClosePlayback(CtavrinDlg* dlg) {
  if (dlg->m_hWnd) dlg->KillTimer(kPlayTimer);
  for (CMovieStatic& pane : dlg->m_pane) {
    if (pane.m_hWnd) pane.ResetDrag();
  }
  playcore::PlayerCall_CloseMovieAll();
  playcore::PlayerCall_CloseDataFileAll();
}

void EndTool(CtavrinDlg* dlg, bool succeeded) {
  if (succeeded) dlg->m_bToolSucceeded = TRUE;
  __atomic_store_n(&dlg->m_bToolRunning, FALSE, __ATOMIC_RELEASE);
  if (dlg->m_hWnd) dlg->PostMessage(quill::msg::kToolFinished, 0, 0);
}

// --- Workers ---------------------------------------------------------------------------------------------

UINT CsvExportWorker(LPVOID param) {
  auto* dlg = static_cast<CtavrinDlg*>(param);
  tools::CsvExportJob job;
  job.folder = tools::ChooseToolFolder(dlg, L"CSV_FOLDER", kTextOutputFolderTitle);
  CFilerContainerDlg* pane = &dlg->m_browser;
  job.collect = [dlg, pane] {
    RecordingList list;
    OnUiThread(dlg, [&] { list = pane->CollectSourceRecordings(); });
    return list;
  };
  job.stopPlayback = [dlg] { OnUiThread(dlg, [dlg] { ClosePlayback(dlg); }); };
  job.storeFolder = [](const std::wstring& f) { return tools::StoreToolFolder(L"CSV_FOLDER", f); };
  const tools::CsvExportResult result = tools::RunCsvExport(job, CallbacksFor(dlg, true));
  EndTool(dlg, result == tools::CsvExportResult::kDone);
  return 0;
}

}  // namespace

// --- Handlers --------------------------------------------------------------------------------------------

LRESULT CtavrinDlg::OnRunOnUiThread(WPARAM call, LPARAM) {
  if (call) (*reinterpret_cast<const std::function<void()>*>(call))();
  return 0;
}

// The common start of the list tools: normal speed, the volume, the rewound and paused recording
// without its data file. False when the command must not run now.
bool CtavrinDlg::PrepareToolStart() {
  if (m_bToolRunning || m_toolThread.joinable() || CheckMovieEnd()) return false;
  SetNormalRate();
  ApplyVolume();
  UpdateSpeedLabel();
  playcore::PlayerCall_SetPosition(m_nPlayerSel, 0);
  SetTrackIndex(0);
  playcore::PlayerCall_Pause(m_nPlayerSel);
  playcore::PlayerCall_CloseDataFileAll();
  return true;
}

void CtavrinDlg::OnCsvExport() {
  if (PrepareToolStart()) StartToolThread(&CsvExportWorker);
}
