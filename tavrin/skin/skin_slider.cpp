// CSkinSliderCtrl: geometry, drawing through the off-screen buffer, and the mouse.
#include "tavrin/skin/skin_slider.h"

#include <algorithm>

#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/skin_messages.h"

namespace {

constexpr wchar_t kWindowName[] = L"movie slider";
constexpr int kThumbStretch = 2;  // the thumb is drawn two pixels wider than its image

int Truncate(double v) { return static_cast<int>(v); }

}  // namespace

SliderGeometry ComputeSliderGeometry(int pos, int min, int max, int clientW, int barW, int thumbW) {
  SliderGeometry g = {};
  // 64-bit step count: a range of the whole int span must not overflow.
  const int64_t n = static_cast<int64_t>(max) - min + 1;
  if (max >= min) pos = std::clamp(pos, min, max);
  double r = n > 0 ? static_cast<double>(pos) / static_cast<double>(n) : 0.0;
  r = std::clamp(r, 0.0, 1.0);
  g.playedDstW = Truncate(clientW * r);
  g.playedSrcW = Truncate(barW * r);
  g.restDstX = Truncate(clientW * r + 1);
  g.restDstW = Truncate(clientW * (1.0 - r) + 1);
  g.restSrcW = Truncate(barW * (1.0 - r));
  // In double: pos x (w - Wt) overflows 32 bits for long movies.
  g.thumbX = n > 0 ? Truncate(static_cast<double>(pos) * (clientW - thumbW) / static_cast<double>(n)) : 0;
  return g;
}

bool SliderPositionFromPixel(int x, int windowW, int min, int max, int* pos) {
  const int64_t n = static_cast<int64_t>(max) - min + 1;
  if (n <= 0 || windowW <= 0 || !pos) return false;
  // x / (windowW / n) computed exactly as x * n / windowW: a range larger than the width in pixels
  // (the seek bar's frame count) maps as well as a small one.
  int64_t p = static_cast<int64_t>(x) * n / windowW;
  p = std::clamp<int64_t>(p, min, max);
  *pos = static_cast<int>(p);
  return true;
}

BEGIN_MESSAGE_MAP(CSkinSliderCtrl, CWnd)
  ON_WM_PAINT()
  ON_WM_ERASEBKGND()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_MOUSEMOVE()
  ON_WM_SETCURSOR()
  ON_WM_CAPTURECHANGED()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CSkinSliderCtrl::~CSkinSliderCtrl() { DeleteImages(); }

BOOL CSkinSliderCtrl::Create(UINT id, CWnd* parent) {
  if (!parent) return FALSE;
  CRect client;
  parent->GetClientRect(&client);
  if (client.Width() <= 0) return FALSE;
  m_nID = static_cast<int>(id);
  LPCWSTR cls = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW);
  // The owner's layout replaces this first rectangle.
  CRect placeholder(0, 0, client.Width(), 1);
  return CreateEx(0, cls, kWindowName, WS_CHILD | WS_VISIBLE, placeholder, parent, id) ? 1 : 0;
}

void CSkinSliderCtrl::DeleteImages() {
  m_pendingImages = {};
  for (HBITMAP* h : {&m_hThumb, &m_hThumbPressed, &m_hPlayed, &m_hRest}) {
    if (*h) ::DeleteObject(*h);
    *h = nullptr;
  }
  m_offscreen.Release();
  m_dcMem.DeleteDC();
}

BOOL CSkinSliderCtrl::LoadImages(UINT playedId, UINT restId, UINT thumbId, UINT thumbPressedId) {
  DeleteImages();
  // Decoded when the slider is first drawn (a hidden slider, or one drawn only after the window
  // shows, costs the start-up nothing); here only whether each image is there.
  m_pendingImages = {playedId, restId, thumbId, thumbPressedId};
  bool all = true;
  for (UINT id : m_pendingImages) {
    all = all && ::FindResourceW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), RT_BITMAP) != nullptr;
  }
  return all ? TRUE : FALSE;
}

void CSkinSliderCtrl::DecodePendingImages() {
  if (m_pendingImages[0] == 0) return;
  const std::array<UINT, 4> ids = m_pendingImages;
  m_pendingImages = {};
  // The GDI+ bitmaps are needed only to make the HBITMAPs: they go at once, so no GDI+ object of the
  // slider can outlive GDI+.
  m_hPlayed = quill::skin::LoadSkinBitmap(ids[0], kKeyColour).handle;
  m_hRest = quill::skin::LoadSkinBitmap(ids[1], kKeyColour).handle;
  m_hThumb = quill::skin::LoadSkinBitmap(ids[2], kKeyColour).handle;
  m_hThumbPressed = quill::skin::LoadSkinBitmap(ids[3], kKeyColour).handle;
  BITMAP bm = {};
  if (m_hPlayed && ::GetObjectW(m_hPlayed, sizeof(bm), &bm)) m_sizeBar = SIZE{bm.bmWidth, bm.bmHeight};
  if (m_hThumb && ::GetObjectW(m_hThumb, sizeof(bm), &bm)) m_sizeThumb = SIZE{bm.bmWidth, bm.bmHeight};
  CClientDC dc(this);
  if (dc.m_hDC) {
    m_dcMem.CreateCompatibleDC(&dc);
    CRect rc;
    GetClientRect(&rc);
    EnsureBuffer(dc.m_hDC, rc.Width());
  }
}

bool CSkinSliderCtrl::EnsureBuffer(HDC reference, int width) {
  const int height = std::max<int>(m_sizeThumb.cy, m_sizeBar.cy);
  const int wanted = std::max(kBufferMinWidth, width);
  if (height <= 0) return false;
  if (m_offscreen.IsValid() && m_offscreen.Width() >= wanted && m_offscreen.Height() == height) return true;
  // A slider wider than the buffer gets a wider one, so nothing right of it is left unpainted.
  return m_offscreen.Create(reference, wanted, height) != FALSE;
}

void CSkinSliderCtrl::Draw(CDC* dc) {
  DecodePendingImages();
  CRect rc;
  GetClientRect(&rc);
  const int w = rc.Width();
  if (!dc || w <= 0 || !m_dcMem.m_hDC || !EnsureBuffer(dc->m_hDC, w)) return;
  HDC buf = m_offscreen.m_dc.m_hDC;
  const int h = m_offscreen.Height();
  // Clear first: the bars' transparent parts must show the background, not the last frame.
  RECT all = {0, 0, w, h};
  HBRUSH back = ::CreateSolidBrush(m_crBack);
  ::FillRect(buf, &all, back);
  ::DeleteObject(back);
  const int oldMode = ::SetStretchBltMode(buf, COLORONCOLOR);
  const SliderGeometry g = ComputeSliderGeometry(m_nPos, m_nMin, m_nMax, w, m_sizeBar.cx, m_sizeThumb.cx);
  HDC mem = m_dcMem.m_hDC;
  if (m_hPlayed && g.playedDstW > 0 && g.playedSrcW > 0) {
    CDCSelect sel(mem, m_hPlayed);
    ::TransparentBlt(buf, 0, 0, g.playedDstW, m_sizeBar.cy, mem, 0, 0, g.playedSrcW, m_sizeBar.cy, kKeyColour);
  }
  if (m_hRest && g.restDstW > 0 && g.restSrcW > 0) {
    CDCSelect sel(mem, m_hRest);
    ::TransparentBlt(buf, g.restDstX, 0, g.restDstW, m_sizeBar.cy, mem, 0, 0, g.restSrcW, m_sizeBar.cy,
                     kKeyColour);
  }
  HBITMAP thumb = m_bDragging ? m_hThumbPressed : m_hThumb;
  if (thumb) {
    CDCSelect sel(mem, thumb);
    const int top = (h - m_sizeThumb.cy) / 2;
    // Keyed like the bars, so the knob's rounded corners show the background.
    ::TransparentBlt(buf, g.thumbX, top, m_sizeThumb.cx + kThumbStretch, m_sizeThumb.cy, mem, 0, 0,
                     m_sizeThumb.cx, m_sizeThumb.cy, kKeyColour);
  }
  ::SetStretchBltMode(buf, oldMode);
  ::BitBlt(dc->m_hDC, 0, 0, w, rc.Height(), buf, 0, 0, SRCCOPY);
}

void CSkinSliderCtrl::Redraw(int pos) {
  m_nPos = pos;
  // A slider that does not show (its window or one it sits in hidden, as during the start-up) is
  // drawn at this position by the erase that shows it.
  if (!m_hWnd || !IsWindowVisible()) return;
  CRect rc;
  GetClientRect(&rc);
  if (rc.Width() <= 0) return;
  CClientDC dc(this);
  Draw(&dc);
}

void CSkinSliderCtrl::CancelDrag() {
  m_bDragging = FALSE;  // first: the capture change that follows must not post a release
  if (m_hWnd && ::GetCapture() == m_hWnd) ReleaseCapture();
}

void CSkinSliderCtrl::SetEnabled(BOOL enabled) {
  m_bEnabled = enabled;
  if (!enabled) EndDragWithRelease();
}

void CSkinSliderCtrl::EndDragWithRelease() {
  if (!m_bDragging) return;
  m_bDragging = FALSE;  // first: the capture change that follows must not post a second release
  PostToParent(quill::skin::kMsgSliderRelease);
  if (m_hWnd && ::GetCapture() == m_hWnd) ReleaseCapture();
  if (m_hWnd) Invalidate();
}

void CSkinSliderCtrl::PostToParent(UINT msg) const {
  ::PostMessageW(::GetParent(m_hWnd), msg, static_cast<WPARAM>(m_nID), m_nTrackPos);
}

bool CSkinSliderCtrl::InHitBand(int x) const {
  CRect rc;
  GetClientRect(&rc);
  return rc.left - kHitBand < x && x < rc.right + kHitBand;
}

void CSkinSliderCtrl::OnPaint() { CPaintDC dc(this); }

BOOL CSkinSliderCtrl::OnEraseBkgnd(CDC* dc) {
  Draw(dc);
  return TRUE;
}

void CSkinSliderCtrl::OnLButtonDown(UINT, CPoint pt) {
  if (m_bEnabled && InHitBand(pt.x)) {
    CRect wr;
    GetWindowRect(&wr);
    SliderPositionFromPixel(pt.x, wr.Width(), m_nMin, m_nMax, &m_nTrackPos);
    m_ptPress = pt;
    m_bDragging = TRUE;
    PostToParent(quill::skin::kMsgSliderPress);
  }
  SetCapture();
}

void CSkinSliderCtrl::OnMouseMove(UINT, CPoint pt) {
  if (!m_bEnabled) {
    EndDragWithRelease();  // disabled while dragging (the flag set directly)
    return;
  }
  if (!m_bDragging || !InHitBand(pt.x)) return;
  CRect wr;
  GetWindowRect(&wr);
  if (SliderPositionFromPixel(pt.x, wr.Width(), m_nMin, m_nMax, &m_nTrackPos)) {
    PostToParent(quill::skin::kMsgSliderTrack);
  }
}

void CSkinSliderCtrl::OnLButtonUp(UINT, CPoint) {
  if (m_bDragging) {
    m_bDragging = FALSE;  // before the capture goes: the release is posted once, here
    PostToParent(quill::skin::kMsgSliderRelease);
  }
  m_bDragging = FALSE;
  ReleaseCapture();
}

BOOL CSkinSliderCtrl::OnSetCursor(CWnd*, UINT, UINT) {
  ::SetCursor(static_cast<HCURSOR>(
      ::LoadImageW(nullptr, IDC_ARROW, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED)));
  return TRUE;
}

void CSkinSliderCtrl::OnCaptureChanged(CWnd* newCapture) {
  // The capture was taken away during a drag: the owner still gets its release, at the last position,
  // so its seek logic does not stay paused and muted.
  if (m_bDragging && HwndOf(newCapture) != m_hWnd) {
    m_bDragging = FALSE;
    PostToParent(quill::skin::kMsgSliderRelease);
    Invalidate();
  }
}

void CSkinSliderCtrl::OnDestroy() {
  m_bDragging = FALSE;
  Default();
}
