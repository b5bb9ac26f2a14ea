// The video panes' drag rotation: a drag turns the 360-degree view, a quick release keeps it turning
// on the pane's inertia thread until the movement has died down.
#include <process.h>

#include <cstdlib>

#include "platform/com/message_wait.h"
#include "platform/framework/private_messages.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/player_instance.h"
#include "tavrin/app/main/movie_pane.h"
#include "tavrin/app/main/playback_rules.h"

using playcore::g_PlayerFuncs;
using playcore::g_PlayerInstance;

namespace {

constexpr DWORD kInertiaStepMs = 30;
constexpr WPARAM kCoastTurn = 0;
constexpr WPARAM kCoastRest = 1;
// What a coasting step's message answers: refused (0), taken, or taken and the view turned.
constexpr LRESULT kCoastTurned = 1;
constexpr LRESULT kCoastViewMoved = 2;

bool Active(int player) {
  return player >= 0 && player < playcore::kPlayerCount && g_PlayerInstance[player].active;
}

void ApplyCamera(int player) {
  if (Active(player) && g_PlayerFuncs[player].ApplyCamera) g_PlayerFuncs[player].ApplyCamera(&g_PlayerInstance[player]);
}

// The record's fields under the pane's lock.
class MomentLock {
 public:
  explicit MomentLock(SRWLOCK* lock) : lock_(lock) { ::AcquireSRWLockExclusive(lock_); }
  ~MomentLock() { ::ReleaseSRWLockExclusive(lock_); }
  MomentLock(const MomentLock&) = delete;
  MomentLock& operator=(const MomentLock&) = delete;

 private:
  SRWLOCK* lock_;
};

}  // namespace

int RotateViewByDrag(CMoment* moment, HWND pane, int lockAxis, int player, int dx, int dy, float zoom,
                     bool* viewMoved) {
  RECT rc = {};
  if (pane) ::GetClientRect(pane, &rc);
  // The turn per pixel follows the field of view the pane's zoom gives; the scene takes the zoom.
  const float fov = quill::app::FieldOfViewForZoom(zoom);
  const quill::app::DragAngles a = quill::app::AnglesForDrag(dx, dy, fov, rc.right - rc.left, lockAxis != 0);
  int moved = 0;
  if (Active(player) && g_PlayerFuncs[player].MoveView) {
    moved = g_PlayerFuncs[player].MoveView(&g_PlayerInstance[player], a.x, a.y, zoom);
  }
  if (viewMoved) *viewMoved = moved != 0;
  if (!moved && a.x == 0.0f) {
    if (moment) {
      moment->velocityX = moment->velocityY = 0;
      moment->offsetX = moment->offsetY = 0;
    }
    ApplyCamera(player);
    return 0;
  }
  // A view that did not turn is not drawn again: on the DirectShow path MoveView refuses (the graph
  // shows the flat picture), and its repaint would run and re-seek the paused graph at every move.
  if (moved && Active(player)) {
    const LONG state = g_PlayerInstance[player].playState;
    if ((state == playcore::kPlayStopped || state == playcore::kPlayPaused) && (a.x != 0.0f || a.y != 0.0f)) {
      playcore::PlayerCall_Repaint(player);
    }
  }
  return 1;
}

void CMovieStatic::CountTurn(bool turned) {
  if (turned) ++m_nTurns;
  if (!m_hWnd) return;
  ::SetPropW(m_hWnd, kPropTurns, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(m_nTurns.load() + 1)));
  ::SetPropW(m_hWnd, kPropCoasting, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(m_bCoasting.load() ? 2 : 1)));
}

void CMovieStatic::ZeroMoment() { ZeroMoment(m_pMoment); }

void CMovieStatic::ZeroMoment(CMoment* record, bool movementOnly) {
  if (!record) return;
  MomentLock lock(&m_momentLock);
  if (movementOnly) {
    record->velocityX = record->velocityY = 0;
    record->offsetX = record->offsetY = 0;
  } else {
    record->Zero();
  }
}

void CMovieStatic::StartInertiaThread(CMoment* moment) {
  StopInertiaThread();
  m_pMoment = moment;
  m_bStop = false;
  m_hWake.Reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!m_hWake) return;
  const uintptr_t h = _beginthreadex(nullptr, 0, &CMovieStatic::InertiaThreadMain, this, 0, nullptr);
  m_hInertia.Reset(reinterpret_cast<HANDLE>(h));
}

void CMovieStatic::StopInertiaThread() {
  if (m_hInertia) {
    m_bStop = true;
    ::SetEvent(m_hWake.get());
    // The thread may be sending its step to this window: the wait lets it through.
    quill::com::WaitDispatchingSentMessages(m_hInertia.get(), INFINITE);
    m_hInertia.Reset();
  }
  m_hWake.Reset();
  m_bCoasting = false;
  if (m_hWnd) {
    ::RemovePropW(m_hWnd, kPropTurns);
    ::RemovePropW(m_hWnd, kPropCoasting);
  }
}

unsigned __stdcall CMovieStatic::InertiaThreadMain(void* self) {
  static_cast<CMovieStatic*>(self)->InertiaLoop();
  return 0;
}

void CMovieStatic::InertiaLoop() {
  while (!m_bStop) {
    int vx = 0, vy = 0, ox = 0, oy = 0;
    {
      MomentLock lock(&m_momentLock);
      if (m_pMoment) {
        vx = m_pMoment->velocityX;
        vy = m_pMoment->velocityY;
      }
    }
    if (quill::app::InertiaIdle(vx, vy)) {
      ::SendMessageW(m_hWnd, quill::msg::kPaneCoastStep, kCoastRest, 0);
      m_bCoasting = false;
      CountTurn(false);
      ::WaitForSingleObject(m_hWake.get(), INFINITE);
      continue;
    }
    m_bCoasting = true;
    {
      MomentLock lock(&m_momentLock);
      if (!m_pMoment) continue;
      m_pMoment->velocityX = quill::app::DecayVelocity(m_pMoment->velocityX);
      m_pMoment->velocityY = quill::app::DecayVelocity(m_pMoment->velocityY);
      m_pMoment->offsetX += m_pMoment->velocityX;
      m_pMoment->offsetY += m_pMoment->velocityY;
      if (m_nViewMode == 4) {
        m_pMoment->velocityY = 0;
        m_pMoment->offsetY = 0;
        m_pMoment->offsetX /= 2;
      }
      ox = m_pMoment->offsetX;
      oy = m_pMoment->offsetY;
    }
    const LPARAM offsets = MAKELPARAM(static_cast<WORD>(static_cast<short>(ox)), static_cast<WORD>(static_cast<short>(oy)));
    const LRESULT step = ::SendMessageW(m_hWnd, quill::msg::kPaneCoastStep, kCoastTurn, offsets);
    const bool turned = step != 0;
    const bool viewMoved = step == kCoastViewMoved;
    if (!turned) {
      MomentLock lock(&m_momentLock);
      if (m_pMoment) m_pMoment->Zero();
    }
    CountTurn(viewMoved);
    // The pace of the coasting view; a stop ends the wait at once.
    ::WaitForSingleObject(m_hWake.get(), kInertiaStepMs);
  }
  m_bCoasting = false;
}

LRESULT CMovieStatic::OnCoastStep(WPARAM wp, LPARAM lp) {
  if (m_bStop) return 0;
  if (wp == kCoastRest) {
    ApplyCamera(m_nPlayer);
    return 0;
  }
  const int ox = static_cast<short>(LOWORD(lp));
  const int oy = static_cast<short>(HIWORD(lp));
  bool viewMoved = false;
  if (!RotateViewByDrag(nullptr, m_hWnd, 1, m_nPlayer, ox, oy, m_fZoom, &viewMoved)) return 0;
  return viewMoved ? kCoastViewMoved : kCoastTurned;
}

void CMovieStatic::OnLButtonDown(UINT flags, CPoint pt) {
  if (m_bEnabled) {
    m_bButtonUp = FALSE;
    m_bDragging = TRUE;
    m_ptDown = pt;
    m_ptLast = pt;
    if (!m_bDblLatch) {
      m_nDownFlags = flags;
      if (m_nViewMode == 3 || m_nViewMode == 4) ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
      if (m_pMoment) {
        MomentLock lock(&m_momentLock);
        m_bCoastAtPress = std::abs(m_pMoment->velocityX) > 3 || std::abs(m_pMoment->velocityY) > 3;
        m_pMoment->Zero();
        m_pMoment->lastX = pt.x;
        m_pMoment->lastY = pt.y;
      }
      ApplyCamera(m_nPlayer);
      SetTimer(kTimerDoubleClickBound, ::GetDoubleClickTime());
    }
  }
  SetCapture();
}

void CMovieStatic::OnMouseMove(UINT, CPoint pt) {
  if (!m_bEnabled) return;
  if (m_track.hwndTrack) ::TrackMouseEvent(&m_track);
  const BOOL suppressed = m_bSuppressMove;
  m_bSuppressMove = FALSE;
  if (m_bDragging && !suppressed && m_nViewMode != 1 && m_nViewMode != 2) {
    if (m_pMoment) {
      MomentLock lock(&m_momentLock);
      m_pMoment->velocityX = quill::app::ClampVelocity(pt.x - m_pMoment->lastX);
      m_pMoment->velocityY = quill::app::ClampVelocity(pt.y - m_pMoment->lastY);
      m_pMoment->lastX = pt.x;
      m_pMoment->lastY = pt.y;
    }
    const int dy = m_nViewMode == 4 ? 0 : pt.y - m_ptLast.y;
    bool viewMoved = false;
    const bool turned =
        RotateViewByDrag(nullptr, m_hWnd, 1, m_nPlayer, pt.x - m_ptLast.x, dy, m_fZoom, &viewMoved) != 0;
    if (!turned) {
      ZeroMoment();
      ApplyCamera(m_nPlayer);
    }
    CountTurn(viewMoved);
    m_ptLast = pt;
    ApplyCamera(m_nPlayer);
  } else if (m_bDragging) {
    m_ptLast = pt;
  }
}

void CMovieStatic::OnLButtonUp(UINT flags, CPoint pt) {
  if (m_bEnabled) {
    m_bButtonUp = TRUE;
    m_bDragging = FALSE;
    if (!m_bDblLatch) {
      m_nUpFlags = flags;
      m_ptUp = pt;
      ApplyCamera(m_nPlayer);
      int vx = 0, vy = 0;
      if (m_pMoment) {
        MomentLock lock(&m_momentLock);
        vx = m_pMoment->velocityX;
        vy = m_pMoment->velocityY;
      }
      if (std::abs(vx) < 4 && std::abs(vy) < 4) SetTimer(kTimerSingleClick, ::GetDoubleClickTime());
      if ((m_nViewMode == 3 || m_nViewMode == 4) && (pt.x != m_ptDown.x || pt.y != m_ptDown.y) &&
          quill::app::DragCoasts(pt.x - m_ptDown.x, pt.y - m_ptDown.y, vx, vy) && m_hWake) {
        m_bCoasting = true;
        CountTurn(false);
        ::SetEvent(m_hWake.get());
      }
    } else {
      m_bDblLatch = FALSE;
    }
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  }
  ::ReleaseCapture();
}

void CMovieStatic::FitPictureToPane() {
  if (!Active(m_nPlayer) || !m_hWnd) return;
  RECT rc = {};
  GetClientRect(&rc);
  g_PlayerFuncs[m_nPlayer].UpdateVideoRect(&g_PlayerInstance[m_nPlayer]);
  g_PlayerFuncs[m_nPlayer].SetViewAspect(&g_PlayerInstance[m_nPlayer], rc.right - rc.left, rc.bottom - rc.top);
}

void CMovieStatic::OnSize(UINT type, int cx, int cy) {
  CStatic::OnSize(type, cx, cy);
  FitPictureToPane();
}
