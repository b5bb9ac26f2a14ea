// The info panel: toggles, the values' reset, layouts and the toggle messages.
#include "tavrin/driveviews/info_dlg.h"

#include "platform/framework/msgmap.h"
#include "tavrin/driveviews/info_format.h"
#include "tavrin/skin/app_fonts.h"

namespace {

// The pictures shown for a missing G value (res/driveviews_res.h): layout 0, then layout 1.
constexpr UINT kGBlankIds[6] = {384, 385, 386, 387, 388, 390};

}  // namespace

BEGIN_MESSAGE_MAP(CInfoDlg, CDialog)
  ON_WM_ERASEBKGND()  // BOOL OnEraseBkgnd(CDC* dc)
  ON_WM_DESTROY()     // void OnDestroy()
END_MESSAGE_MAP()

CInfoDlg::CInfoDlg() : CDialog(kTemplateId, nullptr) {
  for (double& g : m_dG) g = quill::driveviews::kNoGValue;
}

CInfoDlg::~CInfoDlg() = default;

BOOL CInfoDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  for (int i = 0; i < kToggleCount; ++i) {
    CSkinButton& t = m_toggles[i];
    t.m_nImageWidth = kToggleSize;
    t.m_nImageHeight = kToggleSize;
    const int x = kToggleLeft + kToggleSpacing * i;
    const RECT rc{x, kToggleTop, x + kToggleSize, kToggleTop + kToggleSize};
    t.Create(L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, rc, this, kFirstToggleId + i);
    t.SetImages(kToggleBitmapId);
    if (g_hFont10) t.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(g_hFont10), FALSE);
    t.m_bPressed = TRUE;  // checked: every band shows at first
  }
  return TRUE;
}

void CInfoDlg::LoadGBlanks() {
  if (m_bGBlanksLoaded) return;
  m_bGBlanksLoaded = true;
  for (size_t i = 0; i < m_gBlanks.size(); ++i) m_gBlanks[i].LoadBitmap(kGBlankIds[i]);
}

void CInfoDlg::OnDestroy() {
  for (CSkinButton& t : m_toggles) {
    if (t.m_hWnd) t.DestroyWindow();
  }
  Default();
}

BOOL CInfoDlg::OnCommand(WPARAM wp, LPARAM lp) {
  const UINT id = LOWORD(wp);
  if (id >= kFirstToggleId && id < kFirstToggleId + kToggleCount && HIWORD(wp) == BN_CLICKED) {
    const int i = static_cast<int>(id - kFirstToggleId);
    CSkinButton& t = m_toggles[i];
    t.m_bPressed = t.m_bPressed ? FALSE : TRUE;
    t.Invalidate(FALSE);
    if (CWnd* parent = GetParent()) parent->PostMessage(kMsgToggle, i, t.m_bPressed ? 1 : 0);
    return TRUE;
  }
  return CDialog::OnCommand(wp, lp);
}

BOOL CInfoDlg::IsToggleChecked(int i) const {
  return i >= 0 && i < kToggleCount ? m_toggles[i].m_bPressed : FALSE;
}

void CInfoDlg::ClearValues() {
  for (double& g : m_dG) g = quill::driveviews::kNoGValue;
  m_dSpeed = -1.0;
  m_nGpsFix = 0;
  m_nSampleIndex = -1;
  m_nTrigger = 0;
  m_nCamera = kCameraMain;
  m_nSpareWord = 65535;
  m_nDuration = -1;
  Refresh();
}

void CInfoDlg::SetLayout(int layout) {
  m_nLayout = layout;
  ShowToggles(layout == 0);
  Refresh();
}

void CInfoDlg::ShowToggles(bool show) {
  for (CSkinButton& t : m_toggles) {
    if (!t.m_hWnd) continue;
    const bool visible = (t.GetStyle() & WS_VISIBLE) != 0;
    if (visible != show) t.ShowWindow(show ? SW_SHOW : SW_HIDE);
  }
}

void CInfoDlg::Refresh() {
  if (m_nLayout == 2 && m_onBandChanged) m_onBandChanged();
  if (m_hWnd) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

BOOL CInfoDlg::OnEraseBkgnd(CDC* dc) {
  Redraw(dc);
  return TRUE;
}
