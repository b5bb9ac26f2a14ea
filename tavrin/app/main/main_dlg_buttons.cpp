// CtavrinDlg: the button states, from the rules of button_rules.h.
#include "tavrin/app/main/main_dlg.h"

using namespace quill::app;
using playcore::g_PlayerInstance;

ButtonState CtavrinDlg::CurrentButtonState() {
  ButtonState s;
  s.rows = m_browser.m_hWnd ? static_cast<int>(m_browser.m_list.GetItemCount()) : 0;
  s.currentIndex = m_nCurIndex;
  const playcore::sPLAYERINSTANCE& src = g_PlayerInstance[DataSourceIndex()];
  s.playState = src.active ? static_cast<int>(src.playState) : 0;
  s.speedCode = src.speedCode;
  s.holdsDataSource = src.active && src.dataSource != 0;
  s.d3dx = m_bD3dxPresent != FALSE;
  s.joinFace = m_bJoinFace != FALSE;
  s.primaryPane = m_nMainPane;
  s.primaryMode = m_nPaneMode[m_nMainPane];
  s.movieOpen0 = g_PlayerInstance[0].active && g_PlayerInstance[0].movieOpen;
  s.movieOpen1 = g_PlayerInstance[1].active && g_PlayerInstance[1].movieOpen;
  s.sizeStep = m_nSizeStep;
  s.fullScreen = m_bFullScreen != FALSE;
  s.browserMode = m_nBrowserMode;
  s.csvLocked = m_bCsvLocked != FALSE;
  CSkinButton& csv = m_tool[kCmdCsv - kToolFirst];
  s.csvEnabledNow = csv.m_hWnd && csv.IsWindowEnabled();
  s.captionEnabledNow = !m_caption[0].m_hWnd || m_caption[0].IsWindowEnabled();
  return s;
}

// The state the rules see while the buttons are made: as now, with the buttons whose state a rule keeps
// (the CSV and caption buttons) enabled, as a button is by default.
ButtonState CtavrinDlg::BirthButtonState() {
  ButtonState s = CurrentButtonState();
  s.csvEnabledNow = true;
  s.captionEnabledNow = true;
  return s;
}

void CtavrinDlg::ApplyButtonSet(const ButtonSet& set) {
  for (int i = 0; i < kToolButtonCount; ++i) {
    CSkinButton& b = m_tool[i];
    if (!b.m_hWnd) continue;
    const BOOL on = set.enabled[i] ? TRUE : FALSE;
    if ((b.IsWindowEnabled() != FALSE) != (on != FALSE)) {
      b.EnableWindow(on);
      b.Invalidate(FALSE);
    }
  }
  // A running tool is stopped with the to-start button: it stays usable whatever the set says.
  CSkinButton& toStart = m_tool[kCmdFirst - kToolFirst];
  if (m_bToolRunning && toStart.m_hWnd && !toStart.IsWindowEnabled()) {
    toStart.EnableWindow(TRUE);
    toStart.Invalidate(FALSE);
  }
  if (m_tool[kCmdSnapshot - kToolFirst].m_hWnd) {
    // Size step 2 and full screen hide the snapshot button whatever the rules say.
    const bool shown = set.snapshotVisible && !m_bFullScreen && m_nSizeStep != 2;
    m_tool[kCmdSnapshot - kToolFirst].ShowWindow(shown ? SW_SHOWNA : SW_HIDE);
  }
  if (m_tool[kCmdEnlarge - kToolFirst].m_hWnd) {
    m_tool[kCmdEnlarge - kToolFirst].ShowWindow(set.enlargeVisible && !m_bFullScreen ? SW_SHOWNA : SW_HIDE);
  }
  for (CSkinButton& b : m_caption) {
    if (b.m_hWnd) b.EnableWindow(set.captionEnabled ? TRUE : FALSE);
  }
  // The controller pad, the info panel and their buttons follow with their own windows.
}

void CtavrinDlg::UpdateButtons() {
  const ButtonState s = CurrentButtonState();
  // While an open runs every control stays off: the open's end runs the rules again.
  if (m_bOpenBusy) {
    ApplyButtonSet(DisableAllButtonsRule(s));
    return;
  }
  ApplyButtonSet(UpdateButtonsRule(s));
  // While a tool runs the pad and the views' controls stay off; afterwards the pad takes the primary
  // pane's mode (none without rows) and the views' controls come back.
  if (m_bToolLock) return;
  SetPadMode(s.rows > 0 ? m_nPaneMode[m_nMainPane] : 0);
  EnableViewControls(TRUE);
}

void CtavrinDlg::SetPadMode(int mode) {
  if (m_pad.m_hWnd && m_pad.Mode() != mode) m_pad.SetMode(mode);
}

// The controls of the views that act on the players: the info panel and its toggles, the G-sensor graph
// (its clicks seek), the browser's filter buttons and the map.
void CtavrinDlg::EnableViewControls(BOOL on) {
  for (CWnd* w : {static_cast<CWnd*>(&m_info), static_cast<CWnd*>(&m_graph), static_cast<CWnd*>(&m_mapFrame)}) {
    if (w->m_hWnd && (w->IsWindowEnabled() != FALSE) != (on != FALSE)) w->EnableWindow(on);
  }
  for (CSkinButton& b : m_info.m_toggles) {
    if (b.m_hWnd && (b.IsWindowEnabled() != FALSE) != (on != FALSE)) b.EnableWindow(on);
  }
  for (CSkinButton& b : m_browser.m_btnFilter) {
    if (b.m_hWnd && (b.IsWindowEnabled() != FALSE) != (on != FALSE)) b.EnableWindow(on);
  }
}

void CtavrinDlg::EnableToolButtons(int first) { ApplyButtonSet(EnableToolButtonsRule(CurrentButtonState(), first != 0)); }

void CtavrinDlg::DisableAllButtons() {
  ApplyButtonSet(DisableAllButtonsRule(CurrentButtonState()));
  m_pane[m_nMainPane].m_bEnabled = FALSE;
  if (m_movieDlg.m_btnSize.m_hWnd) m_movieDlg.m_btnSize.EnableWindow(FALSE);
  SetPadMode(0);
  EnableViewControls(FALSE);
}
