// CtavrinDlg: the close paths. The close button, Escape and the system's close (Alt+F4) all stop
// everything first: the workers and threads, the timers, the players, then the mutexes.
#include "tavrin/app/main/main_dlg.h"

#include <optional>

#include "platform/framework/private_messages.h"
#include "playcore/instances/hresult_error.h"
#include "playcore/instances/instance_ops.h"
#include "tavrin/app/main/resize_hold.h"
#include "tavrin/browser/recording_probe.h"

using playcore::g_PlayerInstance;
using playcore::g_PlayerFuncs;

bool quill::app::HandledAfterShutdown(UINT message, WPARAM wp) {
  switch (message) {
    case WM_COMMAND: {
      const UINT id = LOWORD(wp);
      return id == static_cast<UINT>(kCmdClose) || id == IDOK || id == IDCANCEL;
    }
    case WM_TIMER:
    case WM_SIZE:
    case WM_MOVE:
    case WM_CONTEXTMENU:
    case WM_POWERBROADCAST:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
      return false;
    default:
      // The queue marker only publishes itself; every other private message drives the playback.
      return message < WM_APP || message > 0xBFFF || message == quill::msg::kQueueMarker;
  }
}

LRESULT CtavrinDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (m_bShutDown && !quill::app::HandledAfterShutdown(msg, wp)) return 0;
  return CDialog::WindowProc(msg, wp, lp);
}

void CtavrinDlg::OnCloseCommand() {
  ShutdownPlayback();
  EndDialog(IDOK);
}

void CtavrinDlg::OnCancel() { OnCloseCommand(); }

void CtavrinDlg::OnSysCommand(UINT id, LPARAM) {
  if ((id & 0xFFF0) == SC_CLOSE) {
    ShutdownPlayback();
    ::PostQuitMessage(0);
    return;
  }
  // A minimise, a restore (also the window manager's, which Wine turns into these commands) or a
  // maximise sizes the window while the cameras may draw.
  const UINT command = id & 0xFFF0;
  std::optional<quill::app::ResizeHold> hold;
  if (command == SC_MINIMIZE || command == SC_RESTORE || command == SC_MAXIMIZE || command == SC_SIZE) hold.emplace();
  Default();
}

void CtavrinDlg::ShutdownPlayback() {
  if (m_bShutDown) return;
  m_bShutDown = TRUE;
  if (m_hWnd) KillTimer(kTimerSecond);
  // The threads that call into the players go first, then the players, then the mutexes. The
  // read-ahead is stopped before its worker is joined, so the join never waits for a whole read.
  StopViewWorkers();
  StopCommandWorkers();
  StopPlaybackWorkers();
  for (int i = 0; i < playcore::kPlayerCount; ++i) playcore::PlayerInstance::StopReadAhead(&g_PlayerInstance[i]);
  JoinPlaybackWorkers();
  for (CMovieStatic& pane : m_pane) {
    if (pane.m_hWnd) pane.ResetDrag();
  }
  // Without players the browser probes through the playback core directly again.
  SetRecordingProbe(nullptr);
  for (int i = 0; i < playcore::kPlayerCount; ++i) {
    if (g_PlayerInstance[i].active && g_PlayerFuncs[i].Release) g_PlayerFuncs[i].Release(&g_PlayerInstance[i]);
    g_PlayerInstance[i].active = 0;
  }
  m_hPlayMutex.Reset();
  m_hDataMutex.Reset();
  playcore::SetErrorBoxOwner(nullptr);
}
