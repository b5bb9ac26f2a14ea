// CtavrinDlg: moving through the recording list (previous, next, the filters), the vanished source and
// the frame every tool command runs in (progress bar, disabled controls, worker thread, finish).
//
// The tool worker changes none of the dialog's own windows: it posts its progress and its end to the
// dialog and sends it what must change there (kRunSentCall); only its own modal windows (folder
// browser, selection, message boxes), owned by the dialog, run on the worker's thread. It reports
// success by setting m_bToolSucceeded before its end; a failed or cancelled run leaves it clear.
#include <pthread.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "platform/framework/private_messages.h"
#include "platform/framework/program_file.h"
#include "platform/framework/pumped_wait.h"
#include "platform/framework/thread_state.h"
#include "playcore/instances/dispatchers.h"
#include "tavrin/app/main/command_hooks.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/tools/tool_finish.h"
#include "tavrin/skin/msg_box.h"
#include "tavrin/skin/ui_texts.h"

using namespace quill::app;
using playcore::g_PlayerInstance;

namespace {

constexpr unsigned kTextToolDone = 48;   // "完了しました。"
constexpr int kProgressHeight = 22;

bool ModulePath(std::wstring* path) {
  *path = quill::framework::ProgramFilePath();
  return !path->empty();
}

// Waits for a tool worker while dispatching this thread's messages: the worker may be sending to the
// dialog or showing a dialog owned by it. A nested wait (a message dispatched here) may collect the
// worker first.
void JoinPumping(std::thread& worker) {
  const quill::framework::PumpedWaitEnd end = quill::framework::WaitPumpingMessages([&worker]() -> HANDLE {
    return worker.joinable() ? pthread_gethandle(worker.native_handle()) : nullptr;
  });
  if (end.quit) ::PostQuitMessage(end.quitCode);  // for the loop outside; the worker is joined below
  if (worker.joinable()) worker.join();
}

}  // namespace

unsigned quill::app::ToolFinishText(bool succeeded) { return succeeded ? kTextToolDone : 0; }

// A path of MAX_PATH characters or more in the form the file functions take whole: "\\?\" before a
// drive path, "\\?\UNC\" in place of a share's leading "\\" ("\\?\\\\server" names nothing).
std::wstring quill::app::LongPathForm(const std::wstring& path) {
  if (path.size() < MAX_PATH || path.compare(0, 4, L"\\\\?\\") == 0) return path;
  if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

bool quill::app::ProgramFileExists(bool (*programPath)(std::wstring*)) {
  std::wstring path;
  if (!(programPath ? programPath : &ModulePath)(&path) || path.empty()) return true;  // unknown: present
  return ::GetFileAttributesW(quill::app::LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// --- Previous and next ---------------------------------------------------------------------------------

void CtavrinDlg::OnNextFile() {
  if (CheckMovieEnd()) return;
  playcore::PlayerCall_Pause(m_nPlayerSel);
  Stop();
  OpenNext();
}

void CtavrinDlg::OnPrevFile() {
  if (CheckMovieEnd()) return;
  playcore::PlayerCall_Pause(m_nPlayerSel);
  Stop();
  for (CMovieStatic& pane : m_pane) {
    if (pane.m_hWnd) pane.ResetDrag();
  }
  const int rows = m_browser.m_hWnd ? static_cast<int>(m_browser.m_list.GetItemCount()) : 0;
  if (m_nCurIndex < 0 || m_nCurIndex >= rows) return;
  if (m_nCurIndex > 0) {
    --m_nCurIndex;
    if (::GetCapture() == m_seekBar.m_hWnd && m_seekBar.m_hWnd) ::ReleaseCapture();
    m_browser.SelectItem(m_nCurIndex, 0);
    PrepareOpenCurrent(1, 1, 0);
  } else if (!m_bToolLock) {
    // At the first recording: rewind it.
    SetNormalRate();
    Stop();
    playcore::PlayerCall_SetPosition(m_nPlayerSel, 0);
    RefreshVideo();
    m_nSeekTarget = -1;
    SetTrackIndex(0);
  }
}

// --- The vanished source -------------------------------------------------------------------------------

// A new or vanished source: the main camera back in the primary pane, playback stopped, full screen and
// zoom mode left, the map frame hidden, the views cleared and the browser's list emptied.
void CtavrinDlg::ResetAfterSourceChange() {
  SetNormalRate();
  if (m_nMainPane != 0) SetPrimaryPane(0);
  if (m_movieDlg.m_hWnd) m_movieDlg.SetCaption(kTextRearCamera);
  m_nPlayerSel = 0;
  StopPlayback();
  if (m_bFullScreen) ApplyFullScreen(FALSE);
  if (m_bZoomMode) SetZoomMode(FALSE);
  m_bMapShown = FALSE;
  ShowMapFrame(FALSE);
  SetPlayButtonFace(false);
  UpdateButtons();
  if (m_info.m_hWnd) m_info.ClearValues();
  if (m_graph.m_hWnd) m_graph.Refresh();
  if (m_browser.m_hWnd) m_browser.ClearAll();
}

void CtavrinDlg::OnReloadSource() {
  m_bOpened = FALSE;
  const int sel = m_nPlayerSel;
  if (g_PlayerInstance[sel].active && g_PlayerInstance[sel].playState == playcore::kPlayPlaying) {
    playcore::PlayerCall_Pause(sel);
  }
  Stop();
  ResetAfterSourceChange();
  m_bCsvLocked = TRUE;
  m_bZoomMode = FALSE;
  for (CMovieStatic& pane : m_pane) pane.m_bZoomMode = FALSE;
  if (m_bFullScreen) RelayoutAll(FALSE);
  UpdateButtons();
  // Started from the medium that went away: nothing is left to run.
  if (!ProgramFileExists(CmdHooks().programPath)) {
    ShutdownPlayback();
    ::PostQuitMessage(0);
  }
}

// --- The tool frame ------------------------------------------------------------------------------------

void CtavrinDlg::EnableToolControls(BOOL on) {
  for (CSkinButton& b : m_caption) if (b.m_hWnd) b.EnableWindow(on);
  for (CWnd* w : {static_cast<CWnd*>(&m_seekBar), static_cast<CWnd*>(&m_volume), static_cast<CWnd*>(&m_pane[0]),
                  static_cast<CWnd*>(&m_pane[1]), static_cast<CWnd*>(&m_pad), static_cast<CWnd*>(&m_logo)}) {
    if (w->m_hWnd) w->EnableWindow(on);
  }
  EnableViewControls(on);
  if (m_movieDlg.m_btnSize.m_hWnd) m_movieDlg.m_btnSize.EnableWindow(on);
  if (!on) SetPadMode(0);  // the pad's buttons off; UpdateButtons gives the pane's mode back
  m_bToolLock = on ? FALSE : TRUE;
}

void CtavrinDlg::StartToolThread(UINT (*proc)(LPVOID)) {
  if (!proc || m_bToolRunning) return;
  m_nProgress = 0;
  if (m_progress.m_hWnd) {
    RECT pane;
    GetPaneRect(&pane, m_nMainPane);
    const int lower = (m_nPaneMode[m_nMainPane] == 4 && m_nSizeStep == 0) ? 45 : 0;
    m_progress.m_nPos = 0;
    m_progress.SetWindowPos(&CWnd::wndTop, pane.left, pane.bottom - kProgressHeight + lower, pane.right - pane.left,
                            kProgressHeight, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    m_progress.RedrawWindow();
  }
  // A finished run not yet collected; a run still ending may be sending to this dialog, which keeps
  // serving its messages meanwhile.
  JoinPumping(m_toolThread);
  m_bToolRunning = true;
  m_bToolSucceeded = FALSE;
  DisableAllButtons();
  EnableToolControls(FALSE);
  const HWND owner = m_hWnd;
  m_toolThread = std::thread([proc, this, owner] {
    try {
      proc(this);
    } catch (...) {
      // The last guard (the tools' own workers report their failure themselves): the tool ends as a
      // failed one, the program goes on.
      m_bToolRunning.store(false, std::memory_order_release);
      if (owner) ::PostMessageW(owner, quill::msg::kToolFinished, 0, 0);
    }
    // The worker's window wrappers and per-thread state go with it (its dialogs made them).
    quill::framework::ReleaseThisThreadState();
  });
  UpdateMapOrLogo();  // the map frame shows what the stopped playback leaves
}

void CtavrinDlg::StopRunningTool() {
  // The conversion's own signal first: a worker that sees the running word cleared finds it set.
  CancelRunningTool();
  m_bToolRunning.store(false, std::memory_order_release);
}

void CtavrinDlg::FinishTool() {
  const bool wasRunning = m_bToolRunning || m_toolThread.joinable();
  StopRunningTool();
  JoinPumping(m_toolThread);
  if (!wasRunning) return;
  const bool succeeded = m_bToolSucceeded != FALSE;
  m_bToolSucceeded = FALSE;
  if (const unsigned text = ToolFinishText(succeeded)) {
    if (CmdHooks().showMessage) {
      CmdHooks().showMessage(this, UIText(text), UIText(kTextToolFinishCaption));
    } else if (m_hWnd && !m_bShutDown) {
      CMsgBox(this).Show(UIText(text), UIText(kTextToolFinishCaption), CMsgBox::kTypeOk);
    }
  }
  if (m_hWnd) {
    EnableToolControls(TRUE);
    UpdateMapOrLogo();
  }
}

LRESULT CtavrinDlg::OnToolDone(WPARAM, LPARAM) {
  FinishTool();
  if (m_bSkipButtonUpdate) {
    m_bSkipButtonUpdate = FALSE;
  } else {
    UpdateButtons();
  }
  if (m_progress.m_hWnd) m_progress.ShowWindow(SW_HIDE);
  PrepareOpenCurrent(0, 1, 1);
  return 0;
}

// Before the players are released: the pad's worker and a running tool end here.
void CtavrinDlg::StopCommandWorkers() {
  m_pad.StopWorker();
  StopRunningTool();  // the list tools stop at their next record
  JoinPumping(m_toolThread);
}

// --- The controller pad --------------------------------------------------------------------------------

void CtavrinDlg::CreatePad() {
  m_pad.m_pSkin = &m_skin;
  m_pad.SetMode(0);  // its buttons are made in mode 0's state
  if (!m_pad.Create(CControllerDlg::kTemplateId, this)) return;
  m_pad.SetTarget(&m_pane[m_nMainPane], &m_moment[m_nMainPane], m_nMainPane);
  const RECT place = LayoutForStep(0).pad;
  m_pad.MoveWindow(place.left, place.top, place.right - place.left, place.bottom - place.top, FALSE);
  m_pad.SetMode(0);  // no buttons until a movie is open in the pane
  m_pad.ShowWindow(SW_SHOWNA);
  m_pad.StartWorker();
}
