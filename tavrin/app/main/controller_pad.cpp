// The controller pad: its buttons, layout, painting and the worker that turns the view while a button
// is held.
#include "tavrin/app/main/controller_pad.h"
#include "tavrin/app/main/movie_pane.h"

#include <chrono>

#include "platform/framework/private_messages.h"
#include "playcore/instances/player_instance.h"
#include "tavrin/app/main/small_windows.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/resource_image.h"
#include "tavrin/skin/skin_messages.h"
#include "tavrin/skin/ui_texts.h"

namespace quill::app {

namespace {

struct PadRow {
  int id;
  UINT bitmap;
  unsigned tip;
};
constexpr PadRow kPadRows[kPadButtonCount] = {
    {kPadUp, 360, 156}, {kPadLeft, 362, 159}, {kPadRight, 363, 158}, {kPadDown, 361, 157}, {kPadReset, 364, 160},
};
constexpr int kPadButtonSize = 32;

bool IsDirection(int c) { return c >= kPadUp && c <= kPadDown; }

}  // namespace

POINT PadButtonPlace(int id, int w, int h) {
  const int s = kPadButtonSize;
  switch (id) {
    case kPadUp: return POINT{(w - s) / 2, ((h - s) - (h + s) / 2) / 2};
    case kPadLeft: return POINT{((w - s) - (w + 12) / 2) / 2, (h - s) / 2};
    case kPadRight: return POINT{((w - s) + (w + 12) / 2) / 2, (h - s) / 2};
    case kPadDown: return POINT{(w - s) / 2, ((h - s) + (h + s) / 2) / 2};
    default: return POINT{(w - s) / 2, (h - s) / 2};
  }
}

POINT PadStep(int command) {
  switch (command) {
    case kPadUp: return POINT{0, CControllerDlg::kStepPixels};
    case kPadLeft: return POINT{CControllerDlg::kStepPixels, 0};
    case kPadRight: return POINT{-CControllerDlg::kStepPixels, 0};
    case kPadDown: return POINT{0, -CControllerDlg::kStepPixels};
    default: return POINT{0, 0};
  }
}

bool PadButtonEnabled(int id, int viewMode) {
  if (viewMode == 3) return true;
  if (viewMode == 4) return id == kPadLeft || id == kPadRight;
  return false;
}

BEGIN_MESSAGE_MAP(CControllerDlg, CDialogEx)
  ON_MESSAGE(quill::skin::kMsgButtonPressed, OnPressed)
  ON_MESSAGE(quill::skin::kMsgButtonReleased, OnReleased)
  ON_MESSAGE(quill::msg::kPadStepDue, OnStepDue)
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CControllerDlg::~CControllerDlg() { StopWorker(); }

BOOL CControllerDlg::OnInitDialog() {
  CDialogEx::OnInitDialog();
  if (m_toolTip.Create(this) && g_hFont9) m_toolTip.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(g_hFont9), TRUE);
  const RECT r = {0, 0, kPadButtonSize, kPadButtonSize};
  for (int i = 0; i < kPadButtonCount; ++i) {
    CSkinButton& b = m_button[i];
    b.m_nImageWidth = kPadButtonSize;
    b.m_nImageHeight = kPadButtonSize;
    b.m_bNotifyPress = TRUE;
    b.m_nNotifyValue = static_cast<UINT>(kPadRows[i].id);
    // Born in the state of a mode set before the window was made (each EnableWindow after is a round
    // of messages and a redraw).
    const bool on = m_nMode < 0 || PadButtonEnabled(kPadRows[i].id, m_nMode);
    const DWORD style = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW | (on ? 0 : WS_DISABLED);
    if (!b.Create(L"", style, r, this, static_cast<UINT>(kPadRows[i].id))) continue;
    b.SetImages(kPadRows[i].bitmap);
    if (m_toolTip.m_hWnd) m_toolTip.AddTool(&b, UIText(kPadRows[i].tip));
  }
  return TRUE;
}

BOOL CControllerDlg::PreTranslateMessage(MSG* msg) {
  if (m_toolTip.m_hWnd) m_toolTip.RelayEvent(msg);
  return CDialogEx::PreTranslateMessage(msg);
}

void CControllerDlg::StartWorker() {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_worker.joinable()) return;
  m_stop = false;
  m_hTarget = m_hWnd;
  m_worker = std::thread([this] { Run(); });
}

void CControllerDlg::StopWorker() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_stop = true;
    m_command = 0;
  }
  m_wake.notify_all();
  if (m_worker.joinable()) m_worker.join();
}

void CControllerDlg::SetTarget(CMovieStatic* pane, CMoment* moment, int player) {
  m_pPane = pane;
  m_pMoment = moment;
  m_nPlayer = player;
}

void CControllerDlg::ZeroTarget() {
  if (m_pPane) {
    m_pPane->ZeroMoment(m_pMoment);  // the pane's inertia thread turns by the same record
  } else if (m_pMoment) {
    m_pMoment->Zero();
  }
}

int CControllerDlg::Command() {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_command;
}

void CControllerDlg::ApplyCamera() {
  if (m_nPlayer < 0 || m_nPlayer >= playcore::kPlayerCount) return;
  playcore::sPLAYERINSTANCE& inst = playcore::g_PlayerInstance[m_nPlayer];
  if (inst.active && playcore::g_PlayerFuncs[m_nPlayer].ApplyCamera) playcore::g_PlayerFuncs[m_nPlayer].ApplyCamera(&inst);
}

void CControllerDlg::ResetView(int player) {
  m_bResetDone = TRUE;
  ZeroTarget();
  if (m_pReset) {
    m_pReset(player);
    return;
  }
  if (player < 0 || player >= playcore::kPlayerCount) return;
  playcore::sPLAYERINSTANCE& inst = playcore::g_PlayerInstance[player];
  playcore::sPLAYERFUNCS& f = playcore::g_PlayerFuncs[player];
  if (inst.active && f.ApplyCamera) f.ApplyCamera(&inst);
  if (inst.active && f.ResetView) f.ResetView(&inst);
  if (inst.active && f.Repaint) f.Repaint(&inst);
  if (inst.active && f.ApplyCamera) f.ApplyCamera(&inst);
}

void CControllerDlg::StepNow(int command) {
  if (command == kPadReset) {
    ResetView(m_nPlayer);
    return;
  }
  if (!IsDirection(command)) return;
  const POINT step = PadStep(command);
  m_bResetDone = FALSE;
  if (m_pPane && m_pRotate) m_pRotate(m_pMoment, m_pPane, 1, m_nPlayer, step.x, step.y, m_fZoom);
  ApplyCamera();
}

void CControllerDlg::Press(int command) {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_stop) return;  // stopped before the players went: nothing turns any more
    ++m_press;
    m_command = command;
  }
  ZeroTarget();
  ApplyCamera();
  // The first step belongs to the press: a release that follows at once does not lose it.
  StepNow(command);
  m_wake.notify_all();
}

void CControllerDlg::Release() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    ++m_press;
    m_command = 0;
  }
  m_wake.notify_all();
  ZeroTarget();
  ApplyCamera();
  ApplyCamera();
}

LRESULT CControllerDlg::OnStepDue(WPARAM press, LPARAM command) {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_stepPending = false;
    if (m_stop || static_cast<unsigned>(press) != m_press || static_cast<int>(command) != m_command) return 0;
  }
  m_wake.notify_all();  // the next period starts now
  StepNow(static_cast<int>(command));
  return 0;
}

void CControllerDlg::Run() {
  std::unique_lock<std::mutex> hold(m_lock);
  while (!m_stop) {
    if (m_command == 0 || m_stepPending) {
      m_wake.wait(hold, [this] { return m_stop || (m_command != 0 && !m_stepPending); });
      continue;
    }
    // The next step is due one period after the last; a release, a new press or a stop ends the wait.
    const unsigned press = m_press;
    if (m_wake.wait_for(hold, std::chrono::milliseconds(kStepMs), [this, press] { return m_stop || m_press != press; })) {
      continue;
    }
    m_stepPending = true;
    const int command = m_command;
    const HWND target = m_hTarget;
    hold.unlock();
    if (!target || !::PostMessageW(target, quill::msg::kPadStepDue, press, command)) {
      hold.lock();
      m_stepPending = false;
      continue;
    }
    hold.lock();
  }
}

void CControllerDlg::SetMode(int viewMode) {
  m_nMode = viewMode;
  bool anyEnabled = false;
  for (int i = 0; i < kPadButtonCount; ++i) {
    CSkinButton& b = m_button[i];
    const bool on = PadButtonEnabled(kPadRows[i].id, viewMode);
    anyEnabled = anyEnabled || on;
    if (!b.m_hWnd) continue;
    if (viewMode != 3) {
      b.m_bPressed = FALSE;
      b.m_bHover = FALSE;
    }
    b.EnableWindow(on ? TRUE : FALSE);
  }
  if (!anyEnabled) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_command = 0;
  }
  if (m_hWnd) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

LRESULT CControllerDlg::OnPressed(WPARAM, LPARAM lp) {
  Press(static_cast<int>(lp));
  return 0;
}

LRESULT CControllerDlg::OnReleased(WPARAM, LPARAM) {
  Release();
  return 0;
}

BOOL CControllerDlg::OnEraseBkgnd(CDC* dc) {
  CRect rc;
  GetClientRect(&rc);
  if (rc.IsRectEmpty() || !dc) return TRUE;
  // The controller background picture stretched over the client area (black without the picture).
  HBITMAP picture = m_pSkin ? m_pSkin->Bitmap(kBackgroundId) : nullptr;
  BITMAP info = {};
  if (picture && m_pSkin->m_dcMem.m_hDC && ::GetObjectW(picture, sizeof info, &info)) {
    CDCSelect select(m_pSkin->m_dcMem.m_hDC, picture);
    const int oldMode = ::SetStretchBltMode(dc->m_hDC, COLORONCOLOR);
    ::StretchBlt(dc->m_hDC, 0, 0, rc.Width(), rc.Height(), m_pSkin->m_dcMem.m_hDC, 0, 0, info.bmWidth, info.bmHeight,
                 SRCCOPY);
    ::SetStretchBltMode(dc->m_hDC, oldMode);
  } else {
    ::FillRect(dc->m_hDC, &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  }
  if (!m_bLayoutDone) {
    m_bLayoutDone = TRUE;
    for (int i = 0; i < kPadButtonCount; ++i) {
      if (!m_button[i].m_hWnd) continue;
      const POINT p = PadButtonPlace(kPadRows[i].id, rc.Width(), rc.Height());
      m_button[i].MoveWindow(p.x, p.y, kPadButtonSize, kPadButtonSize, TRUE);
    }
  }
  return TRUE;
}

}  // namespace quill::app

// The pad turns through the same path as a drag on its pane.
int RotateViewByDrag(CMoment* moment, CMovieStatic* pane, int axisLock, int player, int dx, int dy, float zoom) {
  // The record is the pane's, which its inertia thread turns: a stop clears it under the pane's lock.
  const int turned = RotateViewByDrag(nullptr, pane ? pane->m_hWnd : nullptr, axisLock, player, dx, dy, zoom);
  if (!turned && moment) {
    if (pane) {
      pane->ZeroMoment(moment, true);
    } else {
      moment->velocityX = moment->velocityY = moment->offsetX = moment->offsetY = 0;
    }
  }
  return turned;
}
