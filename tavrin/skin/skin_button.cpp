// CSkinButton and CSkinCheckButton: image faces, hover tracking and press notification.
#include "tavrin/skin/skin_button.h"

#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/skin_messages.h"

namespace {

constexpr DWORD kHoverTimeMs = 1;
constexpr int kImageListGrow = 4;
constexpr COLORREF kMaskColour = 0x000000;  // the faces' transparent colour
constexpr int kMaxText = 260;

}  // namespace

int SkinButtonImageIndex(UINT itemState, BOOL pressed, BOOL hover) {
  if (itemState & ODS_GRAYED) return CSkinButton::kImageHover;
  if (itemState & ODS_DISABLED) return CSkinButton::kImageDisabled;
  if ((itemState & (ODS_SELECTED | ODS_CHECKED)) || pressed) return CSkinButton::kImagePressed;
  return hover ? CSkinButton::kImageHover : CSkinButton::kImageNormal;
}

// --- CSkinButton ------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CSkinButton, CButton)
  ON_WM_MOUSEHOVER()
  ON_WM_MOUSEMOVE()
  ON_WM_MOUSELEAVE()
  ON_WM_KEYDOWN()
  ON_WM_KEYUP()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_LBUTTONUP()
  ON_WM_CAPTURECHANGED()
  ON_WM_CANCELMODE()
  ON_WM_ENABLE()
END_MESSAGE_MAP()

CSkinButton::CSkinButton() {
  m_tme = {};
  m_tme.cbSize = sizeof(TRACKMOUSEEVENT);
  m_tme.dwFlags = TME_HOVER | TME_LEAVE;
  m_tme.dwHoverTime = kHoverTimeMs;
}

void CSkinButton::SetImages(UINT bitmapId) {
  if (!::FindResourceW(AfxGetResourceHandle(), MAKEINTRESOURCEW(bitmapId), RT_BITMAP)) return;
  m_nPendingBitmap = bitmapId;
  m_nPendingWidth = m_nImageWidth;
  m_nPendingHeight = m_nImageHeight;
  if (m_hWnd) Invalidate(FALSE);
}

void CSkinButton::BuildPendingImages() {
  const UINT bitmapId = m_nPendingBitmap;
  if (!bitmapId) return;
  m_nPendingBitmap = 0;
  CBitmap faces;
  if (!LoadBitmapResource(bitmapId, faces)) return;
  m_bLoading = TRUE;
  m_imageList.DeleteImageList();
  // ILC_MASK keeps the black-keyed parts transparent when the faces are drawn.
  if (m_imageList.Create(m_nPendingWidth, m_nPendingHeight, ILC_COLOR32 | ILC_MASK, 0, kImageListGrow)) {
    m_imageList.Add(&faces, kMaskColour);
  }
  m_bLoading = FALSE;
}

BOOL CSkinButton::PreCreateWindow(CREATESTRUCTW& cs) {
  cs.style |= BS_OWNERDRAW;
  return CWnd::PreCreateWindow(cs);
}

void CSkinButton::DrawImage(CDC* dc, int index, int x, int y, int w, int h) {
  if (!dc) return;
  BuildPendingImages();
  if (!m_imageList.m_hImageList) return;
  ImageList_DrawEx(m_imageList.m_hImageList, index, dc->m_hDC, x, y, w, h, 0, 0, ILD_TRANSPARENT);
}

void CSkinButton::DrawItem(LPDRAWITEMSTRUCT dis) {
  if (m_bLoading || !dis) return;
  CDC* dc = CDC::FromHandle(dis->hDC);
  dc->SetBkMode(TRANSPARENT);
  DrawImage(dc, SkinButtonImageIndex(dis->itemState, m_bPressed, m_bHover), 0, 0, m_nImageWidth,
            m_nImageHeight);
}

void CSkinButton::TrackMouse() {
  m_tme.hwndTrack = m_hWnd;
  TrackMouseEvent(&m_tme);
}

void CSkinButton::OnMouseMove(UINT flags, CPoint pt) {
  TrackMouse();
  CWnd::OnMouseMove(flags, pt);
}

void CSkinButton::OnMouseHover(UINT, CPoint) {
  if (m_bLoading || m_bPressed) return;
  m_bHover = TRUE;
  CClientDC dc(this);
  DrawImage(&dc, kImageHover, 0, 0, m_nImageWidth, m_nImageHeight);
}

void CSkinButton::OnMouseLeave() {
  m_bHover = FALSE;
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CSkinButton::OnLButtonDown(UINT flags, CPoint pt) {
  if (m_bNotifyPress) {
    if (!m_bDown) ::PostMessageW(::GetParent(m_hWnd), quill::skin::kMsgButtonPressed, 0, m_nNotifyValue);
    m_bPressed = TRUE;
    SetCapture();
  }
  m_bDown = TRUE;
  CWnd::OnLButtonDown(flags, pt);
}

// An owner-drawn button turns a quick second click into a double click, which the system's button does
// not press: handled as a press, so fast repeated clicks and holds are not lost.
void CSkinButton::OnLButtonDblClk(UINT flags, CPoint pt) {
  if (m_bNotifyPress) {
    if (!m_bDown) ::PostMessageW(::GetParent(m_hWnd), quill::skin::kMsgButtonPressed, 0, m_nNotifyValue);
    m_bPressed = TRUE;
    SetCapture();
  }
  m_bDown = TRUE;
  if (m_pfnSuper) {
    CallWindowProcW(m_pfnSuper, m_hWnd, WM_LBUTTONDOWN, flags, MAKELPARAM(pt.x, pt.y));
  } else {
    CWnd::OnLButtonDblClk(flags, pt);
  }
}

void CSkinButton::OnLButtonUp(UINT flags, CPoint pt) {
  if (m_bNotifyPress) {
    if (m_bDown) ::PostMessageW(::GetParent(m_hWnd), quill::skin::kMsgButtonReleased, 0, m_nNotifyValue);
    m_bPressed = FALSE;
    m_bDown = FALSE;  // before the capture goes, so the capture change does not end the press again
    ReleaseCapture();
  }
  m_bDown = FALSE;
  CWnd::OnLButtonUp(flags, pt);
}

void CSkinButton::EndPress(bool releaseCapture) {
  if (!m_bNotifyPress || !m_bDown) return;
  m_bDown = FALSE;
  m_bPressed = FALSE;
  ::PostMessageW(::GetParent(m_hWnd), quill::skin::kMsgButtonReleased, 0, m_nNotifyValue);
  if (releaseCapture && ::GetCapture() == m_hWnd) ReleaseCapture();
  Invalidate(FALSE);
}

void CSkinButton::OnCaptureChanged(CWnd* newCapture) {
  // Capture taken away while held (a message box, Alt+Tab, a disabled button): the press ends here.
  if (HwndOf(newCapture) != m_hWnd) EndPress(false);
  Default();
}

void CSkinButton::OnCancelMode() {
  EndPress(true);
  Default();
}

// The system's button draws itself at once, inside EnableWindow, whenever its state changes; this one
// is drawn at the next paint, once, with the new face (an open enables some twenty of them, each drawn
// then and again at the paint its enabler asked for: about 2.5 ms a button under Wine).
void CSkinButton::OnEnable(BOOL) { Invalidate(FALSE); }

// --- CSkinCheckButton -------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CSkinCheckButton, CSkinButton)
  ON_WM_MOUSEHOVER()
  ON_WM_MOUSEMOVE()
  ON_WM_MOUSELEAVE()
END_MESSAGE_MAP()

CSkinCheckButton::CSkinCheckButton() : m_bChecked(m_bPressed) {
  m_nImageWidth = kBoxSize;
  m_nImageHeight = kBoxSize;
}

bool CSkinCheckButton::InBox(CPoint pt) {
  return pt.x >= 0 && pt.x < kBoxSize && pt.y >= kBoxTop && pt.y < kBoxTop + kBoxSize;
}

void CSkinCheckButton::DrawItem(LPDRAWITEMSTRUCT dis) {
  if (m_bLoading || !dis) return;
  CDC* dc = CDC::FromHandle(dis->hDC);
  dc->SetBkMode(TRANSPARENT);
  DrawImage(dc, SkinButtonImageIndex(dis->itemState, m_bChecked, m_bHover), 0, kBoxTop, kBoxSize,
            kBoxSize);
  wchar_t text[kMaxText] = {};
  GetWindowText(text, kMaxText);
  CRect rc(dis->rcItem);
  rc.OffsetRect(kTextIndent, 0);
  if (m_crText != CLR_INVALID) {
    dc->SetTextColor((dis->itemState & ODS_DISABLED) ? m_crTextDisabled : m_crText);
  }
  dc->DrawText(text, -1, &rc, 0);
}

void CSkinCheckButton::OnMouseMove(UINT flags, CPoint pt) {
  TrackMouse();
  BOOL hover = InBox(pt) ? TRUE : FALSE;
  if (hover != m_bHover) {
    m_bHover = hover;
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  CWnd::OnMouseMove(flags, pt);
}

void CSkinCheckButton::OnMouseHover(UINT, CPoint pt) {
  if (m_bLoading || m_bChecked || !InBox(pt)) return;
  m_bHover = TRUE;
  CClientDC dc(this);
  DrawImage(&dc, kImageHover, 0, kBoxTop, kBoxSize, kBoxSize);
}

void CSkinCheckButton::OnMouseLeave() {
  m_bHover = FALSE;
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}
