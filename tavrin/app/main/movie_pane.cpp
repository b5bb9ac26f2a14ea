// The video panes: painting, clicks and the forwarding of the player's messages.
#include "tavrin/app/main/movie_pane.h"

#include <cstdlib>

#include "platform/framework/private_messages.h"
#include "playcore/instances/player_instance.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/ui_texts.h"

using playcore::g_PlayerInstance;
using playcore::g_PlayerFuncs;

namespace {

constexpr UINT kPaneCursorId = 191;
constexpr UINT kLatchMs = 500;

int PlayStateOf(int player) {
  if (player < 0 || player >= playcore::kPlayerCount) return 0;
  const playcore::sPLAYERINSTANCE& inst = g_PlayerInstance[player];
  return inst.active ? static_cast<int>(inst.playState) : 0;
}

void ApplyCamera(int player) {
  if (player < 0 || player >= playcore::kPlayerCount || !g_PlayerInstance[player].active) return;
  if (g_PlayerFuncs[player].ApplyCamera) g_PlayerFuncs[player].ApplyCamera(&g_PlayerInstance[player]);
}

}  // namespace

PanePaint ChoosePanePaint(int pane, bool blank, bool active, int ownState, int state0, int state1,
                          bool repaintFlag) {
  if (blank) return PanePaint::kBlack;
  if (active && ownState != 0) {
    if (ownState == playcore::kPlayPlaying) return PanePaint::kNothing;
    if (pane == 1 || (pane == 0 && repaintFlag)) return PanePaint::kRepaint;
    return PanePaint::kBlack;
  }
  if (state0 == 0 && state1 == 0) return PanePaint::kBlack;
  if (pane == 0 && state1 != 0) return PanePaint::kNoMainMovie;
  if (pane == 1 && state0 != 0) return PanePaint::kNoRearMovie;
  return PanePaint::kBlack;
}

BEGIN_MESSAGE_MAP(CMovieStatic, CStatic)
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_TIMER()
  ON_WM_SETCURSOR()
  ON_WM_ERASEBKGND()
  ON_WM_CONTEXTMENU()
  ON_WM_SIZE()
  ON_MESSAGE(quill::msg::kGraphEvent, OnGraphEventMsg)
  ON_MESSAGE(quill::msg::kPlayerPaused, OnPlayerPaused)
  ON_MESSAGE(quill::msg::kPlayerEnded, OnPlayerEnded)
  ON_MESSAGE(quill::msg::kPlayerReady, OnPlayerReady)
  ON_MESSAGE(quill::msg::kPaneCoastStep, OnCoastStep)
END_MESSAGE_MAP()

CMovieStatic::CMovieStatic() = default;

CMovieStatic::~CMovieStatic() {
  if (m_hCursor) ::DestroyCursor(m_hCursor);
  StopInertiaThread();
  DestroyWindow();
}

BOOL CMovieStatic::CreatePane(CWnd* parent, const RECT& rect, UINT id) {
  if (!CreateEx(0, L"STATIC", L"", kStyle, rect, parent, id)) return FALSE;
  m_track.hwndTrack = m_hWnd;
  return TRUE;
}

void CMovieStatic::ResetDrag() {
  KillTimer(kTimerDoubleClickBound);
  KillTimer(kTimerSingleClick);
  ZeroMoment();
  ApplyCamera(m_nPlayer);
}

void CMovieStatic::FillBlack(CDC* dc) {
  CRect rc;
  GetClientRect(&rc);
  if (rc.IsRectEmpty()) return;
  HDC hdc = dc ? dc->m_hDC : nullptr;
  const bool own = !hdc;
  if (own) hdc = ::GetDC(m_hWnd);
  if (!hdc) return;
  ::FillRect(hdc, &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  if (own) ::ReleaseDC(m_hWnd, hdc);
}

void CMovieStatic::DrawNotice(CDC* dc, unsigned textIndex) {
  CRect rc;
  GetClientRect(&rc);
  HDC hdc = dc ? dc->m_hDC : nullptr;
  if (!hdc || rc.IsRectEmpty()) return;
  CDCSave saved(hdc);
  ::FillRect(hdc, &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  if (g_hFont13) ::SelectObject(hdc, g_hFont13);
  ::SetBkColor(hdc, 0);
  ::SetTextColor(hdc, kNoticeColour);
  ::DrawTextW(hdc, UIText(textIndex), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

BOOL CMovieStatic::OnEraseBkgnd(CDC* dc) {
  const bool valid = m_nPlayer >= 0 && m_nPlayer < playcore::kPlayerCount;
  const bool active = valid && g_PlayerInstance[m_nPlayer].active;
  switch (ChoosePanePaint(m_nPlayer, m_bBlank != FALSE, active, PlayStateOf(m_nPlayer), PlayStateOf(0),
                          PlayStateOf(1), m_bRepaint != FALSE)) {
    case PanePaint::kNothing:
      break;
    case PanePaint::kRepaint:
      if (g_PlayerFuncs[m_nPlayer].Repaint) g_PlayerFuncs[m_nPlayer].Repaint(&g_PlayerInstance[m_nPlayer]);
      break;
    case PanePaint::kNoMainMovie:
      DrawNotice(dc, kTextNoMainMovie);
      break;
    case PanePaint::kNoRearMovie:
      DrawNotice(dc, kTextNoRearMovie);
      break;
    case PanePaint::kBlack:
      FillBlack(dc);
      break;
  }
  return TRUE;
}

void CMovieStatic::OnLButtonDblClk(UINT, CPoint) {
  ::ReleaseCapture();
  KillTimer(kTimerDoubleClickBound);
  KillTimer(kTimerSingleClick);
  m_bDragging = FALSE;
  m_bDblLatch = TRUE;
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  if (m_pOwner) m_pOwner->OnDialogDoubleClick(m_nPlayer);
  SetTimer(kTimerLatch, kLatchMs);
}

void CMovieStatic::OnTimer(UINT_PTR id) {
  if (id == kTimerDoubleClickBound) {
    KillTimer(id);
  } else if (id == kTimerSingleClick) {
    KillTimer(id);
    if (m_ptUp.x == m_ptDown.x && m_ptUp.y == m_ptDown.y && m_pOwner) m_pOwner->OnPaneClickZoom(m_nPlayer, m_ptLast);
  } else if (id == kTimerLatch) {
    if (!m_bButtonUp) return;
    m_bDblLatch = FALSE;
    KillTimer(id);
  }
}

BOOL CMovieStatic::OnSetCursor(CWnd*, UINT, UINT) {
  // The custom cursor is loaded the first time it is wanted (the start-up has no use for it).
  if (m_bCustomCursor && !m_bCursorLoaded) {
    m_bCursorLoaded = TRUE;
    m_hCursor = static_cast<HCURSOR>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(kPaneCursorId),
                                                  IMAGE_CURSOR, 32, 32, 0));
  }
  if (m_bCustomCursor && m_hCursor) {
    ::SetCursor(m_hCursor);
    return TRUE;
  }
  return static_cast<BOOL>(Default());
}

void CMovieStatic::OnContextMenu(CWnd*, CPoint pt) {
  if (m_pOwner) m_pOwner->ShowContextMenu(POINT{pt.x, pt.y}, m_nPlayer);
}

LRESULT CMovieStatic::OnGraphEventMsg(WPARAM wp, LPARAM lp) {
  // Each pane's graph notifies its own pane: the owner takes that player's events.
  (void)lp;
  if (m_pOwner) m_pOwner->OnGraphEvent(wp, m_nPlayer);
  return 0;
}

LRESULT CMovieStatic::OnPlayerEnded(WPARAM wp, LPARAM) {
  if (m_pOwner) m_pOwner->OnEndOfMovie(wp, m_nPlayer);
  return 0;
}

LRESULT CMovieStatic::OnPlayerReady(WPARAM wp, LPARAM) {
  if (m_pOwner) m_pOwner->OnMovieReady(wp, m_nPlayer);
  return 0;
}

BEGIN_MESSAGE_MAP(CBlankStatic, CStatic)
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

BOOL CBlankStatic::OnEraseBkgnd(CDC* dc) {
  CRect rc;
  GetClientRect(&rc);
  if (dc && dc->m_hDC && !rc.IsRectEmpty()) ::FillRect(dc->m_hDC, &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  return TRUE;
}
