// CtavrinDlg: the tool commands on the tool frame: the CSV export (38016), the deletion of recordings
// (38014), the snapshot (38006) and the two faces of the join button (38007: the join, or the upload
// conversion of the current recording).
//
// Threads: the handlers run on the UI thread and start their worker through StartToolThread (the
// snapshot alone runs on the UI thread). A worker never touches a window directly: what must happen on
// the UI thread (stopping playback, list rows) is sent there with kRunSentCall, whose wParam points to
// the call; the UI thread keeps pumping while the worker runs, so a send never waits on a blocked thread.
// Every worker reports success through m_bToolSucceeded and ends by posting kToolFinished.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "platform/framework/private_messages.h"
#include "playcore/instances/dispatchers.h"
#include "tavrin/app/command_hooks.h"
#include "tavrin/app/convert_tools.h"
#include "tavrin/app/csv_export.h"
#include "tavrin/app/main_dlg.h"
#include "tavrin/app/recording_delete.h"
#include "tavrin/app/snapshot_command.h"
#include "tavrin/browser/file_select_dlg.h"
#include "tavrin/app/tool_frame.h"

using namespace quill::app;

namespace {

constexpr UINT_PTR kPlayTimer = 100;
constexpr UINT kPlayTimerMs = 100;
constexpr unsigned kTextOutputFolderTitle = 103;  // "出力先フォルダーを選択してください。"
constexpr unsigned kTextBackupFolderTitle = 102;  // "バックアップフォルダーを選択してください。"

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
    ::SendMessageW(hwnd, quill::msg::kRunSentCall, reinterpret_cast<WPARAM>(&call), 0);
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

// The cancel signal of the conversion worker while it runs (null otherwise), for the tool's stop.
std::mutex g_cancelLock;
CommandCancel* g_runningCancel = nullptr;

class RegisteredCancel {
 public:
  explicit RegisteredCancel(CommandCancel* cancel) {
    std::lock_guard<std::mutex> hold(g_cancelLock);
    g_runningCancel = cancel;
  }
  ~RegisteredCancel() {
    std::lock_guard<std::mutex> hold(g_cancelLock);
    g_runningCancel = nullptr;
  }
  RegisteredCancel(const RegisteredCancel&) = delete;
  RegisteredCancel& operator=(const RegisteredCancel&) = delete;
};

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

// The deletion: the selection dialog over every recording of the source, then the recycle walk. The
// walk works on copies of the list's two record vectors; each row it removes is removed from the list
// control and the list's own vector together on the UI thread, and the copies replace the vectors at
// the end, so the list never paints from a vector another thread is changing.
UINT DeleteWorker(LPVOID param) {
  auto* dlg = static_cast<CtavrinDlg*>(param);
  CFileListCtrl& list = dlg->m_browser.m_list;
  int currentRow = -1;
  RecordingList all, shown, records;
  OnUiThread(dlg, [&] {
    if (list.m_hWnd) currentRow = list.GetNextItem(-1, LVNI_FOCUSED | LVNI_SELECTED);
    all = dlg->m_browser.CollectSourceRecordings();
    shown = list.m_shownRecords;
    records = list.m_records;
  });
  if (currentRow < 0) currentRow = 0;
  tools::DeleteJob job;
  {
    CFileSelectDlg select(dlg);
    select.m_nMode = CFileSelectDlg::kModeDelete;
    select.SetRecordings(all);
    if (select.DoModal() == IDOK) job.picked = select.m_chosen;
  }
  if (job.picked.empty()) {
    OnUiThread(dlg, [&] {
      if (list.m_hWnd && currentRow < list.GetItemCount()) dlg->m_browser.SelectItem(currentRow, 0);
    });
    EndTool(dlg, false);
    return 0;
  }
  job.shown = &shown;
  job.all = &records;
  job.currentRow = currentRow;
  job.stopPlayback = [dlg] { OnUiThread(dlg, [dlg] { ClosePlayback(dlg); }); };
  job.deleteRow = [dlg, &list](size_t row) {
    OnUiThread(dlg, [&list, row] {
      if (list.m_hWnd) list.SendMessage(LVM_DELETEITEM, row, 0);
      if (row < list.m_shownRecords.size()) list.m_shownRecords.erase(list.m_shownRecords.begin() + row);
    });
  };
  job.refreshRow = [dlg, &list, &shown](size_t row) {
    OnUiThread(dlg, [&list, &shown, row] {
      if (row < shown.size() && row < list.m_shownRecords.size()) list.m_shownRecords[row] = shown[row];
      if (list.m_hWnd) list.SendMessage(LVM_REDRAWITEMS, row, row);
    });
  };
  const tools::DeleteResult result = tools::RunRecordingDelete(job, CallbacksFor(dlg, true));
  OnUiThread(dlg, [&] {
    list.m_shownRecords = shown;
    list.m_records = records;
    if (list.m_hWnd) list.Invalidate();
  });
  if (result == tools::DeleteResult::kDeleted && dlg->m_hWnd) {
    dlg->PostMessage(quill::msg::kDeletionDone, 0, 0);  // the reload ends the tool
  } else {
    EndTool(dlg, false);
  }
  return 0;
}

// The join or the upload conversion of the current recording (the join button's two faces).
UINT ConvertWorker(CtavrinDlg* dlg, bool join) {
  CFileListCtrl& list = dlg->m_browser.m_list;
  ConvertToolHost host;
  host.mainWnd = dlg;
  host.progressOwner = dlg->GetSafeHwnd();
  OnUiThread(dlg, [&] {
    host.shown = list.m_shownRecords;
    const int row = dlg->m_nCurIndex;
    if (row >= 0 && static_cast<size_t>(row) < list.m_shownRecords.size()) {
      host.hasCurrent = true;
      host.current = list.m_shownRecords[static_cast<size_t>(row)];
    }
    if (dlg->m_hWnd) dlg->KillTimer(kPlayTimer);
  });
  host.stopPlayback = [dlg] {
    OnUiThread(dlg, [dlg] {
      ClosePlayback(dlg);
      dlg->RefreshVideo();
    });
  };
  host.markRows = [dlg, &list](const RecordingList& picked, bool set) {
    OnUiThread(dlg, [&] {
      for (sRECORDINGPAIR& r : list.m_shownRecords) {
        for (const sRECORDINGPAIR& p : picked) {
          if (tools::SameRecording(r, p)) r.nSelected = set ? 1 : 0;
        }
      }
      if (list.m_hWnd) list.Invalidate();
    });
  };
  CommandCancel cancel;
  RegisteredCancel registered(&cancel);
  host.cancel = &cancel;
  if (auto hook = CmdHooks().showMessage) {
    host.message = [dlg, hook](const wchar_t* text, const wchar_t* caption, UINT) -> INT_PTR {
      hook(dlg, text, caption);
      return IDOK;
    };
  }
  const int result = join ? JoinToolThread(host) : UploadConvertToolThread(host);
  OnUiThread(dlg, [dlg] {
    dlg->RefreshVideo();
    if (dlg->m_hWnd) dlg->SetTimer(kPlayTimer, kPlayTimerMs, nullptr);
  });
  // A join shows no completion message; a finished upload conversion does.
  EndTool(dlg, !join && result == 0);
  return 0;
}

UINT JoinToolWorker(LPVOID param) { return ConvertWorker(static_cast<CtavrinDlg*>(param), true); }
UINT UploadConvertWorker(LPVOID param) { return ConvertWorker(static_cast<CtavrinDlg*>(param), false); }

}  // namespace

// --- Handlers --------------------------------------------------------------------------------------------

// The tool is being stopped: a running conversion is cancelled at once (the other tools watch the
// worker-running word).
void CtavrinDlg::CancelRunningTool() {
  std::lock_guard<std::mutex> hold(g_cancelLock);
  if (g_runningCancel) g_runningCancel->Cancel();
}

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

void CtavrinDlg::OnDeleteRecordings() {
  if (PrepareToolStart()) StartToolThread(&DeleteWorker);
}

// The deletion recycled what was picked: the source is read again and its first row selected.
LRESULT CtavrinDlg::OnDeletionDone(WPARAM, LPARAM) {
  if (m_browser.m_hWnd) {
    const int kind = m_browser.m_nSourceKind;
    if (kind == CFilerContainerDlg::kSourceDrive || kind == CFilerContainerDlg::kSourceFolder) {
      const CString source = m_browser.m_strSource;
      ::LockWindowUpdate(m_browser.m_hWnd);
      m_browser.ClearAll();
      m_browser.OpenSource(source, kind);
      ::LockWindowUpdate(nullptr);
    }
    m_nCurIndex = -1;
    if (m_browser.m_list.m_hWnd && m_browser.m_list.GetItemCount() > 0) m_browser.m_list.SelectRow(0);
  }
  EndTool(this, true);
  return 0;
}

void CtavrinDlg::OnJoinCommand() {
  if (!PrepareToolStart()) return;
  StartToolThread(m_bJoinFace ? &JoinToolWorker : &UploadConvertWorker);
}

// The snapshot runs on the UI thread: it pauses, captures both cameras of the current position and
// says how it went.
void CtavrinDlg::OnSnapshot() {
  if (m_bToolRunning || m_toolThread.joinable() || CheckMovieEnd()) return;
  if (!tools::InstanceActive(0) && !tools::InstanceActive(1)) return;  // nothing open to capture
  playcore::PlayerCall_Pause(m_nPlayerSel);
  DisableAllButtons();
  tools::SnapshotJob job;
  job.folder = tools::ChooseToolFolder(this, L"SNAPSHOT_FOLDER", kTextBackupFolderTitle);
  const RecordingList& shown = m_browser.m_list.m_shownRecords;
  sRECORDINGPAIR record = {};
  if (!shown.empty()) {
    const size_t row = m_nCurIndex >= 0 && static_cast<size_t>(m_nCurIndex) < shown.size()
                           ? static_cast<size_t>(m_nCurIndex) : 0;
    record = shown[row];
  }
  if (!job.folder.empty() && !shown.empty()) {
    job.record = &record;
    job.position = [] { return tools::DataSourcePosition(); };
    job.active = [](int instance) { return tools::InstanceActive(instance); };
    job.save = [](int instance, const std::wstring& path) { return tools::SaveInstanceSnapshot(instance, path); };
    job.storeFolder = [](const std::wstring& f) { return tools::StoreToolFolder(L"SNAPSHOT_FOLDER", f); };
    tools::RunSnapshot(job, CallbacksFor(this, false));
  }
  UpdateButtons();
}
