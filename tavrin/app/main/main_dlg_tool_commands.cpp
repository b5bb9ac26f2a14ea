// CtavrinDlg: the tool commands on the tool frame: the CSV export (38016), the deletion of recordings
// (38014), the snapshot (38006) and the two faces of the join button (38007: the join, or the upload
// conversion of the current recording).
//
// Threads: the handlers run on the UI thread and start their worker through StartToolThread (the
// snapshot alone runs on the UI thread). A worker changes none of the dialog's windows directly: what
// must happen on the UI thread (stopping playback, list rows) is sent there with kRunSentCall, whose
// wParam points to the call; the UI thread keeps pumping while the worker runs, so a send never waits
// on a blocked thread. The worker's own modal windows (the folder browser, the recording selection,
// the conversion-mask dialog, the message boxes) are owned by the dialog and run on the worker.
// Every worker reports success through m_bToolSucceeded and ends by posting kToolFinished.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "platform/framework/private_messages.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/instance_ops.h"
#include "tavrin/app/main/command_hooks.h"
#include "tavrin/app/tools/convert_tools.h"
#include "tavrin/app/tools/csv_export.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/tools/recording_delete.h"
#include "tavrin/app/tools/snapshot_command.h"
#include "tavrin/browser/file_select_dlg.h"
#include "tavrin/browser/play_mutex_wait.h"
#include "tavrin/app/tools/tool_frame.h"
#include "tavrin/skin/ui_texts.h"

using namespace quill::app;

namespace {

constexpr unsigned kTextOutputFolderTitle = 103;  // "出力先フォルダーを選択してください。"
constexpr wchar_t kErrorCaption[] = L"ERROR";

// Which tool failed, for its failure message.
enum : unsigned { kFailedCsv, kFailedDelete, kFailedJoin, kFailedConvert };
const wchar_t* ToolFailureText(unsigned tool) {
  constexpr unsigned kTextCsvCannotWrite = 96;  // "CSVファイルが作成できません。"
  constexpr unsigned kTextDeleteFailed = 97;    // "動画ファイルの削除に失敗しました。"
  switch (tool) {
    case kFailedCsv:
      return UIText(kTextCsvCannotWrite);
    case kFailedDelete:
      return UIText(kTextDeleteFailed);
    case kFailedJoin:
      return kJoinFailedText;
    default:
      return kConvertFailedText;
  }
}

// The worker-running word of the dialog, read from a worker.
bool ToolKeepsRunning(CtavrinDlg* dlg) { return dlg->m_bToolRunning.load(std::memory_order_acquire); }

// The tool's message boxes, progress and running flag. A test's message hook takes the messages
// (a question then counts as answered OK).
ToolCallbacks CallbacksFor(CtavrinDlg* dlg, bool worker) {
  ToolCallbacks callbacks = tools::MakeToolCallbacks(dlg, dlg->GetSafeHwnd(), nullptr);
  if (worker) callbacks.keepRunning = [dlg] { return ToolKeepsRunning(dlg); };
  if (auto hook = CmdHooks().showMessage) {
    callbacks.messageBox = [dlg, hook](const wchar_t* text, const wchar_t* caption, unsigned type) {
      hook(dlg, text, caption);
      auto answer = CmdHooks().answerQuestion;
      return type == kMsgBoxQuestion && answer ? answer(text) : kMsgBoxAnswerOk;
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

// Closes what plays: the tick timer, the drag state of both panes, every movie and data file. UI thread.
void ClosePlayback(CtavrinDlg* dlg) {
  if (dlg->m_hWnd) dlg->KillTimer(kTimerTick);
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
  dlg->m_bToolRunning.store(false, std::memory_order_release);
  if (dlg->m_hWnd) dlg->PostMessage(quill::msg::kToolFinished, 0, 0);
}

// --- Workers ---------------------------------------------------------------------------------------------

// The browser pane's source scanned on the calling worker (only where to look is read on the UI
// thread), so the window keeps painting through a whole card.
RecordingList ScanSource(CtavrinDlg* dlg) {
  CFilerContainerDlg::SourceScan scan;
  OnUiThread(dlg, [&] { if (dlg->m_browser.m_hWnd) scan = dlg->m_browser.SourceToScan(); });
  return scan.Collect();
}

// The program is closing (not the user's stop): what a tool was writing is not kept.
bool ProgramClosing(CtavrinDlg* dlg) { return __atomic_load_n(&dlg->m_bShutDown, __ATOMIC_ACQUIRE) != FALSE; }

UINT CsvExportWork(CtavrinDlg* dlg) {
  tools::CsvExportJob job;
  job.folder = tools::ChooseToolFolder(dlg, L"CSV_FOLDER", kTextOutputFolderTitle);
  job.collect = [dlg] { return ScanSource(dlg); };
  job.stopPlayback = [dlg] { OnUiThread(dlg, [dlg] { ClosePlayback(dlg); }); };
  job.storeFolder = [](const std::wstring& f) { return tools::StoreToolFolder(L"CSV_FOLDER", f); };
  job.keepPartial = [dlg] { return !ProgramClosing(dlg); };
  const tools::CsvExportResult result = tools::RunCsvExport(job, CallbacksFor(dlg, true));
  EndTool(dlg, result == tools::CsvExportResult::kDone);
  return 0;
}

// The rows and records of the deletion's walk stay as the walk sees them: the folder tree and the
// list (with its header) take no input while it runs. UI thread.
void FreezeBrowser(CtavrinDlg* dlg, bool frozen) {
  for (CWnd* w : {static_cast<CWnd*>(&dlg->m_browser.m_tree), static_cast<CWnd*>(&dlg->m_browser.m_list)}) {
    if (w->m_hWnd) w->EnableWindow(frozen ? FALSE : TRUE);
  }
}

// Both files of `record` are gone: its row and its entries in the list's two vectors go, found by the
// recording's path; the current index and the list's selected row follow the rows above them (a
// removed current row leaves the row that took its place current). UI thread.
void ForgetRecording(CtavrinDlg* dlg, const sRECORDINGPAIR& record) {
  CFileListCtrl& list = dlg->m_browser.m_list;
  CPlayMutexLock lock(dlg->m_hPlayMutex.get());
  for (size_t i = 0; i < list.m_shownRecords.size(); ++i) {
    if (!tools::SameRecording(list.m_shownRecords[i], record)) continue;
    if (list.m_hWnd) list.SendMessage(LVM_DELETEITEM, i, 0);
    list.m_shownRecords.erase(list.m_shownRecords.begin() + i);
    const int row = static_cast<int>(i);
    const int rows = static_cast<int>(list.m_shownRecords.size());
    dlg->m_nCurIndex = tools::IndexAfterRemoval(dlg->m_nCurIndex, row, rows);
    list.m_nSelected = tools::IndexAfterRemoval(list.m_nSelected, row, rows);
    break;
  }
  for (size_t i = 0; i < list.m_records.size(); ++i) {
    if (tools::SameRecording(list.m_records[i], record)) {
      list.m_records.erase(list.m_records.begin() + i);
      break;
    }
  }
}

// The record's main file is gone but its rear file stays: the row shows a rear-only recording. UI thread.
void ForgetMainFile(CtavrinDlg* dlg, const sRECORDINGPAIR& record) {
  CFileListCtrl& list = dlg->m_browser.m_list;
  CPlayMutexLock lock(dlg->m_hPlayMutex.get());
  for (RecordingList* records : {&list.m_shownRecords, &list.m_records}) {
    for (size_t i = 0; i < records->size(); ++i) {
      sRECORDINGPAIR& r = (*records)[i];
      if (!tools::SameRecording(r, record)) continue;
      r.szMainPath[0] = 0;
      r.szMainName[0] = 0;
      if (records == &list.m_shownRecords && list.m_hWnd) list.SendMessage(LVM_REDRAWITEMS, i, i);
      break;
    }
  }
}

// The deletion: the selection dialog over every recording of the source, then the recycle walk. The
// walk decides on its own copies of the list's two vectors; each recording it recycles is removed
// from the live rows and vectors by its path on the UI thread, so the window and the disk agree at
// every step, also when the walk stops half way.
UINT DeleteWork(CtavrinDlg* dlg) {
  CFileListCtrl& list = dlg->m_browser.m_list;
  int currentRow = -1;
  RecordingList shown, records;
  OnUiThread(dlg, [&] {
    if (list.m_hWnd) currentRow = list.GetNextItem(-1, LVNI_FOCUSED | LVNI_SELECTED);
    shown = list.m_shownRecords;
    records = list.m_records;
  });
  const RecordingList all = ScanSource(dlg);
  if (currentRow < 0) currentRow = 0;
  tools::DeleteJob job;
  {
    CFileSelectDlg select(dlg);
    select.m_nMode = CFileSelectDlg::kModeDelete;
    // The rows the list shows, and with "show all files" every recording of the source.
    select.SetRecordings(shown);
    select.SetAllRecordings(all);
    if (select.DoModal() == IDOK) job.picked = select.m_chosen;
  }
  job.shown = &shown;
  job.all = &records;
  job.currentRow = currentRow;
  job.stopPlayback = [dlg] { OnUiThread(dlg, [dlg] { ClosePlayback(dlg); }); };
  job.recordGone = [dlg](const sRECORDINGPAIR& r) { OnUiThread(dlg, [dlg, &r] { ForgetRecording(dlg, r); }); };
  job.mainFileGone = [dlg](const sRECORDINGPAIR& r) { OnUiThread(dlg, [dlg, &r] { ForgetMainFile(dlg, r); }); };
  OnUiThread(dlg, [dlg] { FreezeBrowser(dlg, true); });
  const tools::DeleteResult result = tools::RunRecordingDelete(job, CallbacksFor(dlg, true));
  OnUiThread(dlg, [&] {
    FreezeBrowser(dlg, false);
    if (list.m_hWnd) list.Invalidate();
    if (result == tools::DeleteResult::kNothingPicked || result == tools::DeleteResult::kDeclined) {
      // Nothing recycled: the row current before is selected again, and with no current index the
      // list's selection opens it again.
      {
        CPlayMutexLock lock(dlg->m_hPlayMutex.get());
        dlg->m_nCurIndex = -1;
      }
      if (list.m_hWnd && currentRow < list.GetItemCount()) dlg->m_browser.SelectItem(currentRow, 0);
    }
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
    if (dlg->m_hWnd) dlg->KillTimer(kTimerTick);
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
  if (auto writing = CmdHooks().joinWriting) host.joinWriting = writing;
  if (auto hook = CmdHooks().showMessage) {
    host.message = [dlg, hook](const wchar_t* text, const wchar_t* caption, UINT) -> INT_PTR {
      hook(dlg, text, caption);
      return IDOK;
    };
  }
  const int result = join ? JoinToolThread(host) : UploadConvertToolThread(host);
  OnUiThread(dlg, [dlg] {
    // A conversion presents its frames into this window's client area: all of it is painted again.
    if (dlg->m_hWnd) dlg->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    dlg->RefreshVideo();
    if (dlg->m_hWnd) dlg->SetTimer(kTimerTick, Timings().tick, nullptr);
  });
  // A join shows no completion message; a finished upload conversion does.
  EndTool(dlg, !join && result == 0);
  return 0;
}

UINT JoinWork(CtavrinDlg* dlg) { return ConvertWorker(dlg, true); }
UINT UploadConvertWork(CtavrinDlg* dlg) { return ConvertWorker(dlg, false); }

// Runs a tool's work on its worker. An exception out of it (memory running out while a card's
// record lists are copied, say) ends that tool as failed, with the tool's own failure message and
// the browser given back, and never the program.
template <UINT (*Work)(CtavrinDlg*), unsigned FailureText>
UINT GuardedTool(LPVOID param) {
  auto* dlg = static_cast<CtavrinDlg*>(param);
  try {
    return Work(dlg);
  } catch (...) {
  }
  try {
    CallbacksFor(dlg, true).Tell(ToolFailureText(FailureText), kErrorCaption);
    OnUiThread(dlg, [dlg] { FreezeBrowser(dlg, false); });
  } catch (...) {
  }
  EndTool(dlg, false);
  return 0;
}

constexpr UINT (*CsvExportWorker)(LPVOID) = &GuardedTool<&CsvExportWork, kFailedCsv>;
constexpr UINT (*DeleteWorker)(LPVOID) = &GuardedTool<&DeleteWork, kFailedDelete>;
constexpr UINT (*JoinToolWorker)(LPVOID) = &GuardedTool<&JoinWork, kFailedJoin>;
constexpr UINT (*UploadConvertWorker)(LPVOID) = &GuardedTool<&UploadConvertWork, kFailedConvert>;

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
  // The read-ahead of the next recording ends here, its files closed (the drive data and the movies'
  // sources resolved ahead): a tool may recycle or rewrite the file it reads.
  DropPreparedMovies();  // first, so that a worker waiting for a prepared player ends its wait
  JoinWorker(m_hPreOpenThread);
  for (int k = 0; k < playcore::kPlayerCount; ++k) playcore::PlayerInstance::ClearReadAhead(&playcore::g_PlayerInstance[k]);
  DropPreparedMovies();
  playcore::PlayerCall_CloseDataFileAll();
  return true;
}

void CtavrinDlg::OnCsvExport() {
  if (PrepareToolStart()) StartToolThread(CsvExportWorker);
}

void CtavrinDlg::OnDeleteRecordings() {
  if (PrepareToolStart()) StartToolThread(DeleteWorker);
}

// The deletion recycled what was picked: the source is read again and its first row selected; a card
// left without recordings puts the window in its empty state.
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
    m_browser.m_bRefiltered = FALSE;  // the reload's own re-open request is answered by the row 0 below
    if (m_browser.m_list.m_hWnd && m_browser.m_list.GetItemCount() > 0) {
      m_browser.m_list.SelectRow(0);
      m_browser.m_list.EnsureVisible(0, FALSE);
    } else {
      ShowEmptyState();
    }
    m_browser.Invalidate(FALSE);  // the item count
  }
  EndTool(this, true);
  return 0;
}

// Nothing left to play: the players closed, normal speed, the play face, the panes and the drive
// views of the last recording cleared.
void CtavrinDlg::ShowEmptyState() {
  SetNormalRate();
  StopPlayback();
  SetPlayButtonFace(false);
  for (CMovieStatic& pane : m_pane) {
    if (pane.m_hWnd) pane.Invalidate();
  }
  if (m_info.m_hWnd) {
    m_info.m_bStartValid = FALSE;
    m_info.m_strSpeedLabel.Empty();
    m_info.ClearValues();
  }
  if (m_graph.m_hWnd) {
    m_graph.m_nStepCount = 0;
    m_graph.m_nCursor = 0;
    m_graph.Refresh();
  }
  m_driveEvents.clear();
  m_nCursor = 0;
  if (m_seekBar.m_hWnd) {
    m_seekBar.SetRange(0, 0);
    m_seekBar.Invalidate();
  }
  m_pad.SetMode(0);
  UpdateButtons();
}

void CtavrinDlg::OnJoinCommand() {
  if (!PrepareToolStart()) return;
  StartToolThread(m_bJoinFace ? JoinToolWorker : UploadConvertWorker);
}
