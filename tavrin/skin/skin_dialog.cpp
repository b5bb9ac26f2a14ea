// CSkinDialog: frame removal, caption strip, drag by the caption band and the caption close button.
#include "tavrin/skin/skin_dialog.h"

#include <algorithm>

#include "tavrin/skin/app_fonts.h"

namespace {

constexpr int kMaxWindowText = 260;
// The caption button's place relative to the client rectangle's top-right corner.
constexpr int kButtonRightInset = 20;
constexpr int kButtonTop = 4;
// Where the caption text goes.
const RECT kCaptionTextRect = {5, 0, 200, 100};
constexpr UINT kFrameChangeFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

}  // namespace

RECT SkinDragTarget(const RECT& windowRect, POINT delta, bool isChild, POINT parentOrigin) {
  RECT rc = windowRect;
  OffsetRect(&rc, delta.x, delta.y);
  if (isChild) OffsetRect(&rc, -parentOrigin.x, -parentOrigin.y);
  return rc;
}

BEGIN_MESSAGE_MAP(CSkinDialog, CDialog)
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_MOUSEMOVE()
  ON_WM_CAPTURECHANGED()
END_MESSAGE_MAP()

BOOL CSkinDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  ModifyStyle(WS_BORDER, 0, kFrameChangeFlags);
  return TRUE;
}

LRESULT CSkinDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG && m_bFocusAtFirstActivation) {
    const LRESULT wantsFocus = CDialog::WindowProc(msg, wp, lp);
    if (!wantsFocus || !m_hWnd || IsWindowVisible()) return wantsFocus;
    m_bFocusPending = TRUE;
    return FALSE;  // the system leaves the focus, and the activation, alone
  }
  if (msg == WM_ACTIVATE && m_bFocusPending && LOWORD(wp) != WA_INACTIVE && !HIWORD(wp)) {
    const LRESULT result = CDialog::WindowProc(msg, wp, lp);
    m_bFocusPending = FALSE;
    GiveDefaultFocus();
    return result;
  }
  return CDialog::WindowProc(msg, wp, lp);
}

void CSkinDialog::CreateCaptionButton(UINT id) {
  CRect client;
  GetClientRect(&client);
  CRect rc(client.right - kButtonRightInset, client.top + kButtonTop,
           client.right - kButtonRightInset + kCaptionButtonWidth,
           client.top + kButtonTop + kCaptionButtonHeight);
  m_btnCaption.m_nImageWidth = kCaptionButtonWidth;
  m_btnCaption.m_nImageHeight = kCaptionButtonHeight;
  m_btnCaption.m_bNotifyPress = FALSE;
  if (!m_btnCaption.m_hWnd &&
      !m_btnCaption.Create(L"", WS_CHILD | BS_OWNERDRAW, rc, this, id)) {
    return;
  }
  m_btnCaption.SetImages(kCaptionBitmap);
  m_btnCaption.ShowWindow(SW_SHOW);
}

void CSkinDialog::PaintBackground(CDC* dc) {
  if (!dc) return;
  CRect rc;
  GetClientRect(&rc);
  rc.bottom = rc.top + kCaptionHeight;
  wchar_t text[kMaxWindowText] = {};
  GetWindowText(text, kMaxWindowText);
  ::FillRect(dc->m_hDC, &rc, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
  CDCSave saved(dc->m_hDC);
  if (g_hFont10) ::SelectObject(dc->m_hDC, g_hFont10);
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(kCaptionTextColour);
  RECT textRect = kCaptionTextRect;
  textRect.bottom = std::min<LONG>(textRect.bottom, rc.bottom);
  dc->DrawText(text, -1, &textRect, 0);
}

void CSkinDialog::OnPaint() {
  CPaintDC dc(this);
  PaintBackground(&dc);
}

void CSkinDialog::OnLButtonDown(UINT flags, CPoint pt) {
  if (pt.y < kCaptionHeight) {
    m_bDragging = TRUE;
    m_nDragX = pt.x;
    m_nDragY = pt.y;
  }
  SetCapture();
  CWnd::OnLButtonDown(flags, pt);
}

void CSkinDialog::OnMouseMove(UINT flags, CPoint pt) {
  if (m_bDragging && m_bMovable) {
    CRect rc;
    GetWindowRect(&rc);
    bool child = (GetStyle() & WS_CHILD) != 0;
    POINT origin = {0, 0};
    if (child) ::ClientToScreen(::GetParent(m_hWnd), &origin);
    RECT target = SkinDragTarget(rc, POINT{pt.x - m_nDragX, pt.y - m_nDragY}, child, origin);
    MoveWindow(&target, TRUE);
  }
  CWnd::OnMouseMove(flags, pt);
}

void CSkinDialog::OnLButtonUp(UINT flags, CPoint pt) {
  m_bDragging = FALSE;
  ReleaseCapture();
  CWnd::OnLButtonUp(flags, pt);
}

void CSkinDialog::OnCaptureChanged(CWnd* newCapture) {
  // A drag whose capture was taken away ends: later moves must not drag the window without a button.
  if (HwndOf(newCapture) != m_hWnd) m_bDragging = FALSE;
  Default();
}
