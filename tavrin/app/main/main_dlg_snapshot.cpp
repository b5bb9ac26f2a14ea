// CtavrinDlg: the snapshot command (38006). It pauses, asks for the folder, and captures each open
// camera at the size of its pane's mode (960 x 720, the movie's native size, 1280 x 720 or 2469 x 720):
// the pane window is hidden, moved to that size and repainted for the capture, then put back.
//
// Threads: the UI thread only; the capture itself runs in the instances' SaveSnapshot.
#include "playcore/instances/dispatchers.h"
#include "tavrin/app/main/command_hooks.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/tools/snapshot_command.h"
#include "tavrin/app/tools/tool_frame.h"

using namespace quill::app;
using playcore::g_PlayerFuncs;
using playcore::g_PlayerInstance;

namespace {

constexpr unsigned kTextBackupFolderTitle = 102;  // "バックアップフォルダーを選択してください。"
// The paused frame of the flat modes is drawn again after this long, twice, before the capture (the
// renderer finishes the picture of the new size in between).
constexpr DWORD kRefreshSettleMs = 500;
// A pane whose picture is not yet laid out at its capture size refuses the capture; it is asked again
// after its notices were dispatched, every this long, within the bound below.
constexpr DWORD kCaptureRetryMs = 100;
constexpr DWORD kCaptureBoundMs = 5000;

bool MovieOpen(int instance) { return g_PlayerInstance[instance].active && g_PlayerInstance[instance].movieOpen; }

// The user's keys, clicks and menu requests: none is taken while a snapshot's repaints run (a row or
// a tree item chosen then would swap the pair under the capture).
bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_CONTEXTMENU;
}

// Dispatches this thread's messages for `ms` (the panes' and the presenter's posted notices), the
// user's input dropped.
void PumpFor(DWORD ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD spent = ::GetTickCount() - start;
    if (spent >= ms) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      if (IsUserInput(msg.message)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

// One camera's snapshot, asked again (bounded) while its pane's picture is not whole at the capture
// size: nothing is written until it is, and a pane that never gets there fails. A refused picture
// was made for the pane's old size; the paused player is sought to the position it shows, once, so
// that the frame is made again for the capture size (a repaint only draws the old one again).
bool SaveWhenWhole(int instance, const std::wstring& path) {
  const DWORD start = ::GetTickCount();
  bool sought = false;
  for (;;) {
    if (tools::SaveInstanceSnapshot(instance, path)) return true;
    if (::GetTickCount() - start >= kCaptureBoundMs) return false;
    playcore::sPLAYERFUNCS& f = g_PlayerFuncs[instance];
    if (!sought && MovieOpen(instance) && f.Seek && f.GetPosition) {
      sought = true;
      const int64_t shown = f.GetPosition(&g_PlayerInstance[instance]);
      if (shown >= 0) f.Seek(&g_PlayerInstance[instance], shown);
    }
    PumpFor(kCaptureRetryMs);
  }
}

// The snapshot's busy word for a scope.
class SnapshotBusy {
 public:
  explicit SnapshotBusy(BOOL* word) : word_(word) { *word_ = TRUE; }
  ~SnapshotBusy() { *word_ = FALSE; }
  SnapshotBusy(const SnapshotBusy&) = delete;
  SnapshotBusy& operator=(const SnapshotBusy&) = delete;

 private:
  BOOL* word_;
};

}  // namespace

void CtavrinDlg::OnSnapshot() {
  if (m_bSnapshotBusy || m_bToolRunning || m_toolThread.joinable() || CheckMovieEnd()) return;
  if (!MovieOpen(0) && !MovieOpen(1)) return;  // nothing open to capture
  const SnapshotBusy busy(&m_bSnapshotBusy);
  PauseShow();
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
    const int mode = m_nPaneMode[m_nMainPane];
    if (mode == 1 || mode == 2) {
      // The flat picture of these modes settles over two repaints.
      for (int pass = 0; pass < 2; ++pass) {
        RefreshVideo();
        PumpFor(kRefreshSettleMs);
      }
    }
    job.record = &record;
    job.position = [] { return tools::DataSourcePosition(); };
    job.active = [](int instance) { return MovieOpen(instance); };
    job.save = [](int instance, const std::wstring& path) { return SaveWhenWhole(instance, path); };
    job.storeFolder = [](const std::wstring& f) { return tools::StoreToolFolder(L"SNAPSHOT_FOLDER", f); };
    job.preparePanes = [this] { PrepareSnapshotPanes(); };
    job.restorePanes = [this] { RestoreSnapshotPanes(); };
    ToolCallbacks callbacks = tools::MakeToolCallbacks(this, GetSafeHwnd(), nullptr);
    if (auto hook = CmdHooks().showMessage) {
      callbacks.messageBox = [this, hook](const wchar_t* text, const wchar_t* caption, unsigned) {
        hook(this, text, caption);
        return kMsgBoxAnswerOk;
      };
    }
    tools::RunSnapshot(job, callbacks);
  }
  UpdateButtons();
  // DisableAllButtons took the primary pane's drag and the movie window's size button: given back
  // however the snapshot ended (a cancelled folder question included).
  if (!m_bOpenBusy) EnablePanesAfterOpen();
}

// Each open camera's pane takes the capture size of its mode, hidden, and draws its paused frame at
// that size; its place is kept for RestoreSnapshotPanes.
void CtavrinDlg::PrepareSnapshotPanes() {
  m_bCapturing = TRUE;
  for (int k = 0; k < 2; ++k) {
    SnapshotPane& saved = m_snapshotPane[k];
    saved = SnapshotPane{};
    CMovieStatic& pane = m_pane[k];
    if (!pane.m_hWnd || !MovieOpen(k)) continue;
    int32_t nativeWidth = 0, nativeHeight = 0;
    playcore::sPLAYERFUNCS& f = g_PlayerFuncs[k];
    if (f.GetNativeSize && !f.GetNativeSize(&g_PlayerInstance[k], &nativeWidth, &nativeHeight)) {
      nativeWidth = nativeHeight = 0;
    }
    const int mode = m_nPaneMode[k];
    const tools::CaptureSize size = tools::SnapshotCaptureSize(mode, nativeWidth, nativeHeight, false);
    if (!size.resize) continue;
    pane.GetWindowRect(&saved.rect);
    ::MapWindowPoints(nullptr, ::GetParent(pane.m_hWnd), reinterpret_cast<POINT*>(&saved.rect), 2);
    saved.visible = pane.IsWindowVisible() != FALSE;
    saved.moved = true;
    pane.ShowWindow(SW_HIDE);
    pane.MoveWindow(saved.rect.left, saved.rect.top + size.yOffset, size.width, size.height, FALSE);
    // The flat modes fill the capture size; the 360-degree views take its proportions.
    saved.aspect = g_PlayerInstance[k].aspectMode;
    if ((mode == 1 || mode == 2 || mode == 5) && f.ApplyAspectMode) {
      f.ApplyAspectMode(&g_PlayerInstance[k], 0);
      saved.aspectSwitched = true;
    }
    if (f.SetViewAspect) f.SetViewAspect(&g_PlayerInstance[k], size.width, size.height);
    if (f.Repaint) f.Repaint(&g_PlayerInstance[k]);
  }
  PumpFor(0);  // the presenters' notices of the new size
}

void CtavrinDlg::RestoreSnapshotPanes() {
  for (int k = 0; k < 2; ++k) {
    SnapshotPane& saved = m_snapshotPane[k];
    if (!saved.moved) continue;
    saved.moved = false;
    CMovieStatic& pane = m_pane[k];
    if (!pane.m_hWnd) continue;
    const RECT& r = saved.rect;
    pane.MoveWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    playcore::sPLAYERFUNCS& f = g_PlayerFuncs[k];
    if (MovieOpen(k)) {
      if (saved.aspectSwitched && f.ApplyAspectMode) f.ApplyAspectMode(&g_PlayerInstance[k], saved.aspect);
      if (f.SetViewAspect && r.right > r.left && r.bottom > r.top) {
        f.SetViewAspect(&g_PlayerInstance[k], r.right - r.left, r.bottom - r.top);
      }
    }
    ApplyPaneMode(k);
    if (saved.visible) pane.ShowWindow(SW_SHOWNA);
    if (MovieOpen(k) && g_PlayerFuncs[k].Repaint) g_PlayerFuncs[k].Repaint(&g_PlayerInstance[k]);
  }
  m_bCapturing = FALSE;
}
