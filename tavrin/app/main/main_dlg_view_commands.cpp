// CtavrinDlg: the view and window commands: the size steps and full screen, the panes' zoom, display
// mode, flip, mirror and aspect, the map switch, the display switch, the context menu, the window drag
// in the caption band, the wait cursor and the display's power changes.
#include <algorithm>
#include <cmath>
#include <optional>

#include "playcore/instances/dispatchers.h"
#include "tavrin/app/main/command_hooks.h"
#include "tavrin/app/main/layout_geometry.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/main/resize_hold.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/ui_texts.h"

using namespace quill::app;
using playcore::g_PlayerFuncs;
using playcore::g_PlayerInstance;

namespace {

constexpr unsigned kTextMapFace = 155, kTextResetFace = 160;
constexpr UINT kImageMapFace = 358, kImageResetFace = 364;

bool Active(int player) { return player >= 0 && player < playcore::kPlayerCount && g_PlayerInstance[player].active; }

// Positions before the movie's end inside which a double click does not lay the window out anew.
constexpr int64_t kRelayoutEndGuard = 10;

SIZE ClientSize(CWnd& w) {
  RECT rc = {};
  if (w.m_hWnd) w.GetClientRect(&rc);
  return SIZE{rc.right, rc.bottom};
}

// A pane's zoom block moved from one client size to another: the centres and the pan keep their
// place relative to the pane, the zoom factor stays. A size not known keeps the block.
playcore::sZOOMBLOCK CarryZoomBlock(playcore::sZOOMBLOCK block, SIZE from, SIZE to) {
  if (from.cx <= 0 || from.cy <= 0 || to.cx <= 0 || to.cy <= 0) return block;
  for (int i : {0, 2, 6}) block.word[i] = MulDiv(block.word[i], to.cx, from.cx);
  for (int i : {1, 3, 7}) block.word[i] = MulDiv(block.word[i], to.cy, from.cy);
  return block;
}

}  // namespace

CommandHooks& quill::app::CmdHooks() {
  static CommandHooks hooks;
  return hooks;
}

void CtavrinDlg::OnNextSize() { OnNextSizeStep(); }

// --- Arrangements --------------------------------------------------------------------------------------

void CtavrinDlg::ArrangeStep(int step) {
  if (!m_hWnd) return;
  const ResizeHold hold;  // the frames wait while the windows move
  m_nSizeStep = std::clamp(step, 0, 2);
  const StepLayout l = LayoutForStep(m_nSizeStep);
  const Visibility v = VisibilityFor(m_nSizeStep, false);
  // The remembered place, moved so that the whole window stays in its monitor's work area.
  POINT at = {m_rcRestore.left, m_rcRestore.top};
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (::GetMonitorInfoW(::MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &monitor)) {
    at = KeepInside(at, l.dialog, monitor.rcWork);
  }
  SetWindowPos(nullptr, at.x, at.y, l.dialog.cx, l.dialog.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  const RECT pane = PrimaryPaneRect(m_nSizeStep, m_nPaneMode[m_nMainPane], false, RECT{});
  CMovieStatic& main = m_pane[m_nMainPane];
  if (main.m_hWnd) {
    const RECT was = ChildRect(main);
    main.ModifyStyleEx(0, WS_EX_CLIENTEDGE, SWP_FRAMECHANGED);
    main.SetWindowPos(&CWnd::wndNoTopMost, pane.left, pane.top, pane.right - pane.left, pane.bottom - pane.top, SWP_NOACTIVATE);
    // A pane that changed its size shows black until the player draws into it again (its own erase
    // leaves a playing pane alone, so what the other arrangement left there would stay).
    if (!::EqualRect(&was, &pane)) main.FillBlack(nullptr);
  }
  PlaceChild(m_seekBar, l.seekBar, v.seekBar);
  PlaceChild(m_volume, l.volume, v.volume);
  PlaceChild(m_pad, l.pad, v.pad && !m_bZoomMode);
  PlaceDriveViews(l);
  PlaceButtonRow(l, v);
  if (m_browser.m_hWnd) {
    if (m_nSizeStep == 0) {
      RECT browser = BrowserRectAtStep0();
      m_browser.LayoutSideBySide(&browser);
    } else if (m_nSizeStep == 1) {
      RECT browser = l.browser;
      m_browser.LayoutStacked(&browser);
    }
    m_browser.ShowWindow(v.browser ? SW_SHOWNA : SW_HIDE);
  }
  // Button 38012: the map face at step 0, the view-reset face at steps 1 and 2.
  CSkinButton& mapButton = m_tool[kCmdMap - kToolFirst];
  if (mapButton.m_hWnd) {
    mapButton.SetImages(m_nSizeStep == 0 ? kImageMapFace : kImageResetFace);
    // The map face is drawn checked while the map is switched off; the view-reset face is a plain button.
    mapButton.m_bPressed = m_nSizeStep == 0 && m_bMapOff ? TRUE : FALSE;
    mapButton.Invalidate(FALSE);
    if (m_toolTip.m_hWnd) m_toolTip.UpdateTipText(UIText(m_nSizeStep == 0 ? kTextMapFace : kTextResetFace), &mapButton);
  }
  if (m_movieDlg.m_hWnd) m_movieDlg.m_nSizeStep = m_nSizeStep;  // the movie window's size button goes on from here
  PlaceMovieFrame();
  UpdateButtons();  // the buttons the rules show or hide
}

// A child's window rectangle in its parent's client coordinates.
RECT CtavrinDlg::ChildRect(CWnd& child) {
  RECT r = {};
  if (!child.m_hWnd) return r;
  child.GetWindowRect(&r);
  ::MapWindowPoints(nullptr, ::GetParent(child.m_hWnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// A child at `rect` and shown, or hidden (an empty rectangle is hidden too).
void CtavrinDlg::PlaceChild(CWnd& child, const RECT& rect, bool shown) {
  if (!child.m_hWnd) return;
  shown = shown && !::IsRectEmpty(&rect);
  if (shown) MoveChildTo(child, rect);
  child.ShowWindow(shown ? SW_SHOWNA : SW_HIDE);
}

// The G-sensor graph and the info panel of the step; the info panel takes the step's layout (2: the
// main window draws it along its bottom edge, the panel's own window hidden).
void CtavrinDlg::PlaceDriveViews(const StepLayout& l) {
  const Visibility v = VisibilityFor(m_nSizeStep, false);
  PlaceChild(m_graph, l.graph, v.graph);
  if (m_info.m_hWnd) {
    if (m_info.m_nLayout != l.infoLayout) m_info.SetLayout(l.infoLayout);
    PlaceChild(m_info, l.info, v.info);
  }
}

// The tool buttons in one row from the pane's left edge (closing up over hidden ones, with a gap
// before 38013), and the caption buttons at the top right.
void CtavrinDlg::PlaceButtonRow(const StepLayout& l, const Visibility& v) {
  int ids[kToolButtonCount];
  for (int i = 0; i < kToolButtonCount; ++i) ids[i] = m_tool[i].m_hWnd ? m_tool[i].GetDlgCtrlID() : 0;
  ButtonPlace tools[kToolButtonCount];
  ToolRowPlaces(l, v, ids, kToolButtonCount, tools);
  for (int i = 0; i < kToolButtonCount; ++i) {
    CSkinButton& b = m_tool[i];
    if (!b.m_hWnd) continue;
    if (!tools[i].shown) {
      b.ShowWindow(SW_HIDE);
      continue;
    }
    MoveChildTo(b, tools[i].rect);
    if (!(b.GetStyle() & WS_VISIBLE)) b.ShowWindow(SW_SHOWNA);
  }
  ButtonPlace captions[kCaptionButtonCount];
  CaptionPlaces(l, v, captions);
  for (int i = 0; i < kCaptionButtonCount; ++i) {
    if (!m_caption[i].m_hWnd) continue;
    MoveChildTo(m_caption[i], captions[i].rect);
    m_caption[i].ShowWindow(captions[i].shown ? SW_SHOWNA : SW_HIDE);
  }
}

// A child moved to `rect` (and redrawn there) unless it is there already: each move is a round of
// window messages, and most arrangements leave most buttons where they are.
void CtavrinDlg::MoveChildTo(CWnd& child, const RECT& rect) {
  const RECT now = ChildRect(child);
  if (::EqualRect(&now, &rect)) return;
  child.MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void CtavrinDlg::ShowMapFrame(BOOL show) {
  if (!m_mapFrame.m_hWnd) return;
  if (show) {
    if (!m_mapFrame.IsWindowVisible()) {
      m_mapFrame.MoveWindow(&m_rcMapHome, FALSE);
      UpdateMapOrLogo();
      m_mapFrame.ShowWindow(SW_SHOWNA);
      MapMoveMarker();  // the marker to the current position
    }
  } else if (m_mapFrame.IsWindowVisible()) {
    m_mapFrame.ShowWindow(SW_HIDE);
  }
}

void CtavrinDlg::OnNextSizeStep() {
  if (CheckMovieEnd() || m_bFullScreen) return;
  GoToSizeStep(NextSizeStep(m_nSizeStep));
}

// The arrangement of `step` (the current one again after a source change or a folder load), with the
// map frame: steps 1 and 2 hide it and keep whether it was shown; step 0 brings it back unless the user
// switched it off.
void CtavrinDlg::GoToSizeStep(int step) {
  if (!m_hWnd || m_bFullScreen) return;
  const int from = m_nSizeStep;
  if (m_bMapShown && m_mapFrame.m_hWnd && m_mapFrame.IsWindowVisible()) {
    RECT home;
    m_mapFrame.GetWindowRect(&home);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&home), 2);
    m_rcMapHome = home;
  }
  ArrangeStep(step);
  if (m_nSizeStep != 0) {
    if (from == 0) {
      m_bMapShownSaved = m_bMapShown;
      m_bMapShown = FALSE;
    }
    ShowMapFrame(FALSE);
  } else {
    if (from != 0) m_bMapShown = m_bMapShownSaved;
    if (m_bMapShown) ShowMapFrame(m_bMapOff ? FALSE : TRUE);
  }
  ResetZoomParams(m_nMainPane);
  ApplyPaneMode(m_nMainPane);
  if (m_toolTip.m_hWnd && m_caption[1].m_hWnd) {
    m_toolTip.UpdateTipText(UIText(SizeStepTipText(m_nSizeStep)), &m_caption[1]);
  }
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void CtavrinDlg::ApplyFullScreen(BOOL on) {
  if (!m_hWnd || (on != FALSE) == (m_bFullScreen != FALSE)) return;
  CMovieStatic& main = m_pane[m_nMainPane];
  if (on) {
    // Both cameras of a pair pause together (and the play button shows "play") before the controls go.
    PauseShow();
    const ResizeHold hold;  // after the pause, which waits for the players
    if (!m_bKeepRestoreRect) GetWindowRect(&m_rcRestore);
    m_bFullScreen = TRUE;
    for (CWnd* w : {static_cast<CWnd*>(&m_seekBar), static_cast<CWnd*>(&m_volume), static_cast<CWnd*>(&m_browser),
                    static_cast<CWnd*>(&m_pad), static_cast<CWnd*>(&m_progress), static_cast<CWnd*>(&m_graph),
                    static_cast<CWnd*>(&m_info)}) {
      if (w->m_hWnd) w->ShowWindow(SW_HIDE);
    }
    for (CSkinButton& b : m_tool) if (b.m_hWnd) b.ShowWindow(SW_HIDE);
    for (CSkinButton& b : m_caption) if (b.m_hWnd) b.ShowWindow(SW_HIDE);
    ShowMapFrame(FALSE);
    ::SetWindowRgn(m_hWnd, nullptr, TRUE);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &info)) work = info.rcWork;
    SetWindowPos(&CWnd::wndTopMost, work.left, work.top, work.right - work.left, work.bottom - work.top, SWP_NOACTIVATE);
    if (main.m_hWnd) {
      main.ModifyStyleEx(WS_EX_CLIENTEDGE, 0, SWP_FRAMECHANGED);
      const RECT r = PrimaryPaneRect(m_nSizeStep, m_nPaneMode[m_nMainPane], true, work);
      main.SetWindowPos(&CWnd::wndTopMost, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
      main.FillBlack(nullptr);
    }
  } else {
    m_bFullScreen = FALSE;
    SetWindowPos(&CWnd::wndNoTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ArrangeStep(m_nSizeStep);
    if (m_nSizeStep == 0 && m_bMapShown) ShowMapFrame(m_bMapOff ? FALSE : TRUE);
    const playcore::sPLAYERINSTANCE& lead = g_PlayerInstance[DataSourceIndex()];
    SetPlayButtonFace(lead.active && lead.playState == playcore::kPlayPlaying);
    UpdateButtons();
  }
  ResetZoomParams(m_nMainPane);
  ApplyPaneMode(m_nMainPane);
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
}

void CtavrinDlg::RelayoutAll(BOOL toggle) {
  const int main = m_nMainPane;
  const bool showsMovie = Active(main) && g_PlayerInstance[main].movieOpen;
  // A movie this close to its end is about to hand over to the next pair: the window is not laid
  // out anew under the end-of-movie handling (leaving full screen still is).
  if (!m_bFullScreen && showsMovie && g_PlayerFuncs[main].GetPosition && g_PlayerFuncs[main].GetDuration) {
    const int64_t duration = g_PlayerFuncs[main].GetDuration(&g_PlayerInstance[main]);
    const int64_t position = g_PlayerFuncs[main].GetPosition(&g_PlayerInstance[main]);
    if (duration > 0 && duration - position <= kRelayoutEndGuard) return;
  }
  if (toggle) {
    if (showsMovie || m_bFullScreen) ApplyFullScreen(m_bFullScreen ? FALSE : TRUE);
  } else if (m_bFullScreen && !showsMovie) {
    ApplyFullScreen(FALSE);
  }
}

void CtavrinDlg::SetPrimaryPane(int pane) {
  pane = pane == 1 ? 1 : 0;
  if (pane == m_nMainPane) return;
  // The players are not drawing into panes that change windows and sizes: a playing pair pauses for
  // the change and plays on after it.
  const int sel = TransportSelector();
  const int lead = sel == playcore::kSelectorAll ? DataSourceIndex() : sel;
  const bool wasPlaying = Active(lead) && g_PlayerInstance[lead].playState == playcore::kPlayPlaying;
  if (wasPlaying) playcore::PlayerCall_Pause(sel);
  const bool movieOpen = g_PlayerInstance[0].movieOpen || g_PlayerInstance[1].movieOpen;
  SIZE before[2] = {};
  for (int p = 0; p < 2; ++p) before[p] = ClientSize(m_pane[p]);
  m_nMainPane = pane;
  m_nSubPane = 1 - pane;
  m_nPlayerSel = pane;
  CMovieStatic& main = m_pane[m_nMainPane];
  CMovieStatic& sub = m_pane[m_nSubPane];
  {
    const ResizeHold hold;  // the panes change windows (full screen pauses before its own hold)
    if (main.m_hWnd) {
      main.ShowWindow(SW_HIDE);
      main.SetParent(this);
    }
    if (sub.m_hWnd && m_movieDlg.m_hWnd) {
      sub.ModifyStyleEx(WS_EX_CLIENTEDGE, 0, SWP_FRAMECHANGED);
      sub.SetParent(&m_movieDlg);
      sub.SetFocus();
    }
  }
  if (m_bFullScreen) {
    // Full screen is laid out again for the new pane; the window's place before full screen is kept.
    m_bFullScreen = FALSE;
    m_bKeepRestoreRect = TRUE;
    ApplyFullScreen(TRUE);
    m_bKeepRestoreRect = FALSE;
  } else {
    ArrangeStep(m_nSizeStep);
  }
  // A zoomed picture keeps its zoom in the pane's new size until the zoom is reset below.
  if (movieOpen) {
    for (int p = 0; p < 2; ++p) m_aZoom[p] = CarryZoomBlock(m_aZoom[p], before[p], ClientSize(m_pane[p]));
    playcore::PlayerCall_SetZoom(m_aZoom, 1);
  }
  if (main.m_hWnd) {
    const ResizeHold hold;
    main.ShowWindow(SW_SHOWNA);
  }
  if (wasPlaying) playcore::PlayerCall_Play(sel);
  for (int p = 0; p < 2; ++p) {
    ResetZoomParams(p);
    ApplyPaneMode(p);
  }
  m_nSeekTarget = -1;  // a seek asked of the former arrangement is not waited for
  if (m_movieDlg.m_hWnd) m_movieDlg.SetCaption(m_nSubPane == 1 ? kTextRearCamera : kTextMainCamera);
  m_pad.SetTarget(&m_pane[m_nMainPane], &m_moment[m_nMainPane], m_nMainPane);
  m_pad.SetMode(m_nPaneMode[m_nMainPane]);
}

void CtavrinDlg::OnDialogDoubleClick(int player) {
  if (m_pane[m_nMainPane].m_bZoomMode || m_bShutDown) return;
  SetPrimaryPane(player);
  RelayoutAll(TRUE);
}

// --- Pane commands -------------------------------------------------------------------------------------

void CtavrinDlg::RefreshVideo() {
  const int sel = m_nPlayerSel;
  if (!Active(sel) || g_PlayerInstance[sel].playState == playcore::kPlayClosed) {
    if (m_pane[sel == 1 ? 1 : 0].m_hWnd) m_pane[sel == 1 ? 1 : 0].Invalidate(TRUE);
    return;
  }
  const LONG state = g_PlayerInstance[sel].playState;
  if (state == playcore::kPlayStopped || state == playcore::kPlayPaused) {
    playcore::PlayerCall_Repaint(sel);
  } else if (g_PlayerInstance[sel].speedCode == -4 || g_PlayerInstance[sel].speedCode == -2) {
    playcore::PlayerCall_Pause(sel);
    playcore::PlayerCall_Repaint(sel);
    playcore::PlayerCall_Play(sel);
  }
}

void CtavrinDlg::ApplyPaneMode(int pane) {
  if (pane < 0 || pane > 1) return;
  CMovieStatic& p = m_pane[pane];
  p.m_fZoom = m_aZoom[pane].zoom;
  p.m_nViewMode = m_nPaneMode[pane];
  if (!Active(pane)) return;
  playcore::sPLAYERINSTANCE& inst = g_PlayerInstance[pane];
  playcore::sPLAYERFUNCS& f = g_PlayerFuncs[pane];
  const int mode = m_nPaneMode[pane];
  if (p.m_hWnd && (mode == 3 || mode == 4 || (mode == 2 && !m_bFullScreen))) {
    RECT rc;
    p.GetClientRect(&rc);
    if (f.SetViewAspect && rc.right > 0 && rc.bottom > 0) f.SetViewAspect(&inst, rc.right, rc.bottom);
    if ((mode == 1 || mode == 2) && f.ApplyAspectMode) f.ApplyAspectMode(&inst, m_nAspect);
  } else if (mode == 5) {
    playcore::PlayerCall_SetZoom(m_aZoom, 1);
  }
  if (m_moment[pane].lastX || m_moment[pane].lastY) p.ZeroMoment(&m_moment[pane]);  // under the pane's lock
  if (f.ApplyCamera) f.ApplyCamera(&inst);
}

void CtavrinDlg::OnPaneClickZoom(int player, POINT clientPt) {
  if (player < 0 || player > 1 || !m_pane[player].m_bZoomMode || m_bShutDown) return;
  ClickZoom z;
  z.factor = m_aZoom[player].zoom;
  z.originX = static_cast<float>(m_ptZoomOrigin[player].x);
  z.originY = static_cast<float>(m_ptZoomOrigin[player].y);
  if (ApplyClickZoom(&z, clientPt)) {
    m_aZoom[player].zoom = z.factor;
    m_ptZoomOrigin[player] = POINT{static_cast<LONG>(z.originX), static_cast<LONG>(z.originY)};
    m_aZoom[player].word[4] = m_ptZoomOrigin[player].x;
    m_aZoom[player].word[5] = m_ptZoomOrigin[player].y;
    // The players zoom about a centre that keeps its place in the pane (words 2 and 3): the view
    // whose top-left corner is the origin at factor f has that centre at origin x f / (f - 1).
    const float f = z.factor;
    m_aZoom[player].word[2] = static_cast<int32_t>(std::lround(z.originX * f / (f - 1.0f)));
    m_aZoom[player].word[3] = static_cast<int32_t>(std::lround(z.originY * f / (f - 1.0f)));
  } else {
    ResetZoomParams(player);
    m_ptZoomOrigin[player] = POINT{};
  }
  ApplyPaneMode(player);
  ShowClickZoom(player);
}

// The new zoom reaches the picture at once: the 360-degree views through the scene's view (as a
// drag hands it over), the flat pictures through the zoom blocks (the rear view's mode applies
// them itself).
void CtavrinDlg::ShowClickZoom(int player) {
  if (!Active(player) || !g_PlayerInstance[player].movieOpen) return;
  playcore::sPLAYERINSTANCE& inst = g_PlayerInstance[player];
  playcore::sPLAYERFUNCS& f = g_PlayerFuncs[player];
  const int mode = m_nPaneMode[player];
  if (mode == 3 || mode == 4) {
    if (f.MoveView) f.MoveView(&inst, 0.0f, 0.0f, m_aZoom[player].zoom);
    if (f.ApplyCamera) f.ApplyCamera(&inst);
  } else if (mode != 5) {
    playcore::PlayerCall_SetZoom(m_aZoom, 1);
  }
  if (inst.playState != playcore::kPlayPlaying && f.Repaint) f.Repaint(&inst);
}

void CtavrinDlg::OnToggleZoomMode() {
  if (CheckMovieEnd()) return;
  SetZoomMode(m_bZoomMode ? FALSE : TRUE);
}

// Zoom mode on: a click zooms a pane; the browser's tree, list and caption line and the controller pad
// give way. Off: they come back and the panes' zoom is reset.
void CtavrinDlg::SetZoomMode(BOOL on) {
  m_bZoomMode = on;
  for (CMovieStatic& p : m_pane) p.m_bZoomMode = m_bZoomMode;
  if (m_pad.m_hWnd) m_pad.ShowWindow(!m_bZoomMode && !m_bFullScreen && m_nSizeStep == 0 ? SW_SHOWNA : SW_HIDE);
  if (m_browser.m_hWnd) {
    m_browser.m_bHidden = m_bZoomMode;
    const int show = m_bZoomMode ? SW_HIDE : SW_SHOW;
    for (CWnd* w : {static_cast<CWnd*>(&m_browser.m_tree), static_cast<CWnd*>(&m_browser.m_list),
                    static_cast<CWnd*>(&m_browser.m_editCaption)}) {
      if (w->m_hWnd) w->ShowWindow(show);
    }
  }
  if (m_info.m_hWnd) m_info.Refresh();
  if (!m_bZoomMode) {
    for (int p = 0; p < 2; ++p) {
      ResetZoomParams(p);
      m_ptZoomOrigin[p] = POINT{};
      ApplyPaneMode(p);
    }
  }
  if (m_browser.m_hWnd && m_nSizeStep < 2) m_browser.Invalidate(FALSE);
}

// Zoom mode ends whole: the dialog's word with the panes', so the browser and the pad come back.
void CtavrinDlg::LeaveZoomMode() {
  if (m_bZoomMode) SetZoomMode(FALSE);
  for (CMovieStatic& pane : m_pane) pane.m_bZoomMode = FALSE;
}

void CtavrinDlg::OnDisplayMode() {
  if (CheckMovieEnd()) return;
  int& mode = m_nPaneMode[0];
  mode = !m_bD3dxPresent ? 2 : (mode == 2 ? 3 : 2);
  ::LockWindowUpdate(m_hWnd);
  if (!m_bFullScreen) ArrangeStep(m_nSizeStep);
  ::LockWindowUpdate(nullptr);
  if (Active(0)) {
    playcore::sPLAYERFUNCS& f = g_PlayerFuncs[0];
    if (f.ApplyAspectMode) f.ApplyAspectMode(&g_PlayerInstance[0], m_nAspect);
    if (f.SetViewMode) f.SetViewMode(&g_PlayerInstance[0], mode);
  }
  UpdateButtons();
  if (m_browser.m_hWnd) m_browser.FitListColumn();
  if (m_nMainPane == 0) SetPadMode(mode);
  ResetZoomParams(0);
  ApplyPaneMode(0);
  // Aspect off: the view keeps the movie's native proportions (applying the pane's mode above takes
  // the pane's client size, so this comes after it).
  if (m_nAspect == 0 && Active(0)) {
    playcore::sPLAYERFUNCS& f = g_PlayerFuncs[0];
    int32_t w = 0, h = 0;
    if (f.GetNativeSize && f.SetViewAspect && f.GetNativeSize(&g_PlayerInstance[0], &w, &h) && w > 0 && h > 0) {
      f.SetViewAspect(&g_PlayerInstance[0], w, h);
    }
  }
}

void CtavrinDlg::OnFlipMain() {
  const int flipped = Active(0) && g_PlayerFuncs[0].ToggleFlip ? g_PlayerFuncs[0].ToggleFlip(&g_PlayerInstance[0]) : 0;
  m_pane[0].m_bFlip = flipped ? TRUE : FALSE;
  CSkinButton& b = m_tool[kCmdFlip - kToolFirst];
  if (b.m_hWnd) {
    b.m_bPressed = m_pane[0].m_bFlip;
    b.Invalidate(FALSE);
  }
  playcore::PlayerCall_Repaint(0);
}

void CtavrinDlg::OnMirrorRear() {
  const int mirrored = Active(1) && g_PlayerFuncs[1].ToggleFlip ? g_PlayerFuncs[1].ToggleFlip(&g_PlayerInstance[1]) : 0;
  m_pane[1].m_bMirror = mirrored ? TRUE : FALSE;
  CSkinButton& b = m_tool[kCmdMirror - kToolFirst];
  if (b.m_hWnd) {
    b.m_bPressed = m_pane[1].m_bMirror;
    b.Invalidate(FALSE);
  }
  playcore::PlayerCall_Repaint(1);
}

void CtavrinDlg::OnToggleAspect() {
  if (!m_bOpened) return;
  const int src = DataSourceIndex();
  const playcore::sPLAYERINSTANCE& inst = g_PlayerInstance[src];
  m_nAspect = inst.aspectMode == 0 ? 1 : 0;
  WriteIni(L"DISPLAY", L"ASPECT", m_nAspect ? L"on" : L"off");
  if (Active(0) && g_PlayerFuncs[0].ApplyAspectMode) g_PlayerFuncs[0].ApplyAspectMode(&g_PlayerInstance[0], m_nAspect);
  if (m_nAspect) {
    playcore::PlayerCall_SetZoom(m_aZoom, 1);
  } else {
    playcore::PlayerCall_Repaint(m_nMainPane);
  }
  UpdateSpeedLabel();
}

void CtavrinDlg::OnResetView() {
  const int pane = m_nMenuPane == m_nSubPane ? m_nSubPane : m_nMainPane;
  m_nMenuPane = -1;
  if (m_nPaneMode[pane] == 3) m_pad.ResetView(pane);
}

void CtavrinDlg::OnMapDisplay() {
  if (CheckMovieEnd() || m_bFullScreen) return;
  if (m_nSizeStep == 0) {
    const BOOL was = m_bMapShown;
    m_bMapShown = was ? FALSE : TRUE;
    m_bMapOff = was;
    ShowMapFrame(m_bMapShown);
    CSkinButton& b = m_tool[kCmdMap - kToolFirst];
    if (b.m_hWnd) {
      b.m_bPressed = m_bMapOff;
      b.Invalidate(FALSE);
    }
  } else if (m_nPaneMode[m_nMainPane] == 3) {
    m_pad.ResetView(m_nMainPane);
  }
}

void CtavrinDlg::OnDisplaySwitch() {
  if (CheckMovieEnd()) return;
  const int from = m_nMainPane, to = 1 - from;
  if (!Active(to) || !g_PlayerInstance[to].movieOpen) return;  // nothing to switch to
  // A pair is driven as one transport: both cameras keep its state through the switch, so the
  // tick, the end guard, the views and the play button (which follow the transport's leading
  // camera) go on with the picture. Only a single camera hands its state over to the other one.
  const bool pair = TransportSelector() == playcore::kSelectorAll;
  const int lead = pair ? DataSourceIndex() : from;
  const LONG state = Active(lead) ? g_PlayerInstance[lead].playState : static_cast<LONG>(playcore::kPlayClosed);
  const int64_t position =
      Active(lead) && g_PlayerFuncs[lead].GetPosition ? g_PlayerFuncs[lead].GetPosition(&g_PlayerInstance[lead]) : 0;
  const int64_t duration =
      g_PlayerFuncs[to].GetDuration ? g_PlayerFuncs[to].GetDuration(&g_PlayerInstance[to]) : position;
  // The position carried over, held back from the other movie's end like any seek.
  const int64_t target =
      std::max<int64_t>(0, std::min<int64_t>(position, duration - 2 * static_cast<int64_t>(GetFrameMargin())));
  SetPrimaryPane(to);
  const int selector = pair ? playcore::kSelectorAll : m_nPlayerSel;
  switch (state) {
    case playcore::kPlayStopped:
      playcore::PlayerCall_Stop(selector);
      playcore::PlayerCall_SetPosition(selector, 0);
      break;
    case playcore::kPlayPlaying:
      playcore::PlayerCall_Play(selector);
      SeekTo(selector, target);
      break;
    case playcore::kPlayPaused:
      playcore::PlayerCall_Pause(selector);
      SeekTo(selector, target);
      break;
    default:
      break;
  }
  if (!pair && Active(from) && g_PlayerInstance[from].playState == playcore::kPlayPlaying) playcore::PlayerCall_Pause(from);
  // The graph's horizontal factor is that of the camera now followed on the primary pane.
  if (m_graph.m_hWnd) m_graph.SetPlayer(m_nPlayerSel);
  UpdateButtons();
  playcore::PlayerCall_SetVolume(m_nPlayerSel, m_nVolume);
}

void CtavrinDlg::OnViewCommand(UINT id) {
  switch (id) {
    case kCmdEnlarge: OnToggleZoomMode(); break;
    case kCmdDisplayMode: OnDisplayMode(); break;
    case kCmdFlip: if (!CheckMovieEnd()) OnFlipMain(); break;
    case kCmdMirror: if (!CheckMovieEnd()) OnMirrorRear(); break;
    case kCmdMap: OnMapDisplay(); break;
    case kCmdDisplaySwitch: OnDisplaySwitch(); break;
    case 38200: if (!CheckMovieEnd()) OnToggleAspect(); break;
    case 38201: if (!CheckMovieEnd()) OnResetView(); break;
    case 38202: OnFlipMain(); break;
    case 38203: OnMirrorRear(); break;
    default: break;
  }
}

// --- Context menu --------------------------------------------------------------------------------------

MenuState CtavrinDlg::MenuStateFor(int pane) {
  MenuState s;
  pane = pane == 1 ? 1 : 0;
  const int sel = m_nPlayerSel;
  s.playState = Active(sel) ? static_cast<int>(g_PlayerInstance[sel].playState) : 0;
  s.pane = pane;
  s.fullScreen = m_bFullScreen != FALSE;
  s.sizeStep = m_nSizeStep;
  s.viewMode = m_nPaneMode[pane];
  s.flip = m_pane[pane].m_bFlip != FALSE;
  s.mirror = m_pane[pane].m_bMirror != FALSE;
  s.edition = m_nEdition;
  const int src = DataSourceIndex();
  s.speedCode = Active(src) ? g_PlayerInstance[src].speedCode : 0;
  s.rearMovieOpen = Active(1) && g_PlayerInstance[1].movieOpen;
  return s;
}

void CtavrinDlg::ShowContextMenu(POINT screenPt, int pane) {
  if (m_bShutDown || m_bSnapshotBusy || CheckMovieEnd() || IsOpenInProgress()) return;
  const MenuState s = MenuStateFor(pane);
  CMovieMenu menu;
  if (!menu.CreatePopupMenu()) return;
  BuildContextMenu(menu, s);
  m_nMenuPane = s.pane;
  if (menu.GetMenuItemCount() > 0) {
    if (CmdHooks().inspectMenu) {
      CmdHooks().inspectMenu(menu.m_hMenu, s);
    } else {
      menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, screenPt.x, screenPt.y, this);
    }
  }
  menu.DestroyMenu();
}

void CtavrinDlg::OnContextMenu(CWnd*, CPoint pt) {
  if (!m_bFullScreen) {
    if (m_nSizeStep != 0 || m_nPaneMode[m_nMainPane] != 4) return;
    RECT area;
    GetPaneRect(&area, m_nMainPane);
    area.right += 374;
    POINT client = pt;
    ScreenToClient(&client);
    if (!::PtInRect(&area, client)) return;
  }
  ShowContextMenu(pt, m_nMainPane);
}

// --- Window messages -----------------------------------------------------------------------------------

void CtavrinDlg::OnLButtonDown(UINT, CPoint pt) {
  SetCapture();
  if (InDragBand(pt)) {
    m_bDragging = TRUE;
    m_ptDrag = pt;
  }
}

void CtavrinDlg::OnMouseMove(UINT flags, CPoint pt) {
  // A button released where this window did not see it ends the drag: the window never follows a
  // mouse without a held button.
  if (m_bDragging && !(flags & MK_LBUTTON)) m_bDragging = FALSE;
  if (!m_bDragging || IsOpenInProgress() || m_bFullScreen) return;
  RECT window;
  GetWindowRect(&window);
  const int dx = pt.x - m_ptDrag.x, dy = pt.y - m_ptDrag.y;
  if (dx == 0 && dy == 0) return;
  SetWindowPos(nullptr, window.left + dx, window.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CtavrinDlg::OnLButtonUp(UINT, CPoint) {
  m_bDragging = FALSE;
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
}

void CtavrinDlg::OnCaptureChanged(CWnd* newCapture) {
  // Another window took the mouse (a message box, a menu, a switch to another program): the drag ends.
  if (!newCapture || newCapture->m_hWnd != m_hWnd) m_bDragging = FALSE;
}

void CtavrinDlg::OnLButtonDblClk(UINT, CPoint) {
  if (m_bFullScreen && !m_pane[m_nMainPane].m_bZoomMode) RelayoutAll(TRUE);
}

void CtavrinDlg::OnMove(int, int) {
  if (m_bFullScreen || !m_hWnd) return;
  RECT window;
  GetWindowRect(&window);
  const int w = m_rcRestore.right - m_rcRestore.left, h = m_rcRestore.bottom - m_rcRestore.top;
  m_rcRestore = RECT{window.left, window.top, window.left + w, window.top + h};
}

BOOL CtavrinDlg::OnSetCursor(CWnd*, UINT, UINT) {
  if (IsOpenInProgress()) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    return TRUE;
  }
  return static_cast<BOOL>(Default());
}

void CtavrinDlg::OnSize(UINT type, int, int) {
  Default();
  if (type == SIZE_RESTORED && (Active(0) || Active(1))) playcore::PlayerCall_SetZoom(m_aZoom, 1);
}

UINT CtavrinDlg::OnPowerBroadcast(UINT event, LPARAM lp) {
  if (event == PBT_POWERSETTINGCHANGE && IsDisplayOnSetting(reinterpret_cast<const POWERBROADCAST_SETTING*>(lp))) {
    m_nPowerTimer = SetTimer(kTimerDisplayOn, 100);
  }
  return static_cast<UINT>(Default());
}

void CtavrinDlg::OnDisplayOnTimer() {
  KillTimer(kTimerDisplayOn);
  ++m_nDisplayRefreshes;
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  RefreshVideo();
}

// The black bands around the wide picture of view mode 4: above and below the band at step 0, and
// above and below the centred band in full screen.
void CtavrinDlg::PaintWideBands(HDC dc, const RECT& client) {
  if (!dc || m_nPaneMode[m_nMainPane] != 4 || (!m_bFullScreen && m_nSizeStep != 0)) return;
  HBRUSH black = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  const RECT band = PrimaryPaneRect(m_nSizeStep, 4, m_bFullScreen != FALSE, client);
  const RECT full = m_bFullScreen ? client : PrimaryPaneRect(0, 3, false, client);
  const RECT above = {band.left, full.top, band.right, band.top};
  const RECT below = {band.left, band.bottom, band.right, m_bFullScreen ? full.bottom : band.bottom + (band.top - full.top)};
  ::FillRect(dc, &above, black);
  ::FillRect(dc, &below, black);
}
