// CDC's drawing members and the window DCs (paint, client, whole window).
#include "platform/framework/gdi.h"
#include "platform/framework/wnd.h"

void CDC::FillRect(LPCRECT r, CBrush* brush) {
  if (m_hDC && r && brush) ::FillRect(m_hDC, r, static_cast<HBRUSH>(brush->m_hObject));
}

void CDC::FillSolidRect(LPCRECT r, COLORREF c) {
  if (!m_hDC || !r) return;
  COLORREF old = ::SetBkColor(m_hDC, c);
  ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, r, nullptr, 0, nullptr);
  ::SetBkColor(m_hDC, old);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF c) {
  RECT r = {x, y, x + cx, y + cy};
  FillSolidRect(&r, c);
}

void CDC::FrameRect(LPCRECT r, CBrush* brush) {
  if (m_hDC && r && brush) ::FrameRect(m_hDC, r, static_cast<HBRUSH>(brush->m_hObject));
}

BOOL CDC::Rectangle(int l, int t, int r, int b) { return m_hDC ? ::Rectangle(m_hDC, l, t, r, b) : FALSE; }
BOOL CDC::Rectangle(LPCRECT r) { return r ? Rectangle(r->left, r->top, r->right, r->bottom) : FALSE; }
BOOL CDC::Polyline(const POINT* points, int count) {
  return m_hDC && points ? ::Polyline(m_hDC, points, count) : FALSE;
}
CPoint CDC::MoveTo(int x, int y) {
  POINT old = {0, 0};
  if (m_hDC) ::MoveToEx(m_hDC, x, y, &old);
  return CPoint(old);
}
BOOL CDC::LineTo(int x, int y) { return m_hDC ? ::LineTo(m_hDC, x, y) : FALSE; }
void CDC::DrawFocusRect(LPCRECT r) { if (m_hDC && r) ::DrawFocusRect(m_hDC, r); }
BOOL CDC::TextOut(int x, int y, LPCWSTR text, int count) {
  return m_hDC && text ? ::TextOutW(m_hDC, x, y, text, count) : FALSE;
}
BOOL CDC::TextOut(int x, int y, const CString& text) { return TextOut(x, y, text, text.GetLength()); }
int CDC::DrawText(LPCWSTR text, int count, LPRECT r, UINT format) {
  return m_hDC && text && r ? ::DrawTextW(m_hDC, text, count, r, format) : 0;
}
int CDC::DrawText(const CString& text, LPRECT r, UINT format) {
  return DrawText(text, text.GetLength(), r, format);
}
CSize CDC::GetTextExtent(LPCWSTR text, int count) const {
  SIZE s = {0, 0};
  if (m_hDC && text && count > 0) ::GetTextExtentPoint32W(m_hDC, text, count, &s);
  return CSize(s);
}
CSize CDC::GetTextExtent(const CString& text) const { return GetTextExtent(text, text.GetLength()); }
BOOL CDC::BitBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, DWORD rop) {
  return m_hDC ? ::BitBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, xs, ys, rop) : FALSE;
}
BOOL CDC::StretchBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, int ws, int hs, DWORD rop) {
  return m_hDC && src ? ::StretchBlt(m_hDC, x, y, w, h, src->m_hDC, xs, ys, ws, hs, rop) : FALSE;
}
BOOL CDC::TransparentBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, int ws, int hs,
                         UINT transparent) {
  return m_hDC && src ? ::TransparentBlt(m_hDC, x, y, w, h, src->m_hDC, xs, ys, ws, hs, transparent)
                      : FALSE;
}
BOOL CDC::AlphaBlend(int x, int y, int w, int h, CDC* src, int xs, int ys, int ws, int hs,
                     BLENDFUNCTION blend) {
  return m_hDC && src ? ::AlphaBlend(m_hDC, x, y, w, h, src->m_hDC, xs, ys, ws, hs, blend) : FALSE;
}
BOOL CDC::PatBlt(int x, int y, int w, int h, DWORD rop) {
  return m_hDC ? ::PatBlt(m_hDC, x, y, w, h, rop) : FALSE;
}
BOOL CDC::PlgBlt(LPPOINT points, CDC* src, int xs, int ys, int w, int h, CBitmap& mask, int xm, int ym) {
  return m_hDC && src ? ::PlgBlt(m_hDC, points, src->m_hDC, xs, ys, w, h,
                                 static_cast<HBITMAP>(mask.m_hObject), xm, ym)
                      : FALSE;
}
COLORREF CDC::GetPixel(int x, int y) const { return m_hDC ? ::GetPixel(m_hDC, x, y) : CLR_INVALID; }

CPaintDC::CPaintDC(CWnd* wnd) : m_hWndOwner(HwndOf(wnd)) {
  if (m_hWndOwner) m_hDC = ::BeginPaint(m_hWndOwner, &m_ps);
}
CPaintDC::~CPaintDC() {
  if (m_hWndOwner && m_hDC) ::EndPaint(m_hWndOwner, &m_ps);
  m_hDC = nullptr;
}

CClientDC::CClientDC(CWnd* wnd) : m_hWndOwner(HwndOf(wnd)) { m_hDC = ::GetDC(m_hWndOwner); }
CClientDC::~CClientDC() {
  if (m_hDC) ::ReleaseDC(m_hWndOwner, m_hDC);
  m_hDC = nullptr;
}

CWindowDC::CWindowDC(CWnd* wnd) : m_hWndOwner(HwndOf(wnd)) { m_hDC = ::GetWindowDC(m_hWndOwner); }
CWindowDC::~CWindowDC() {
  if (m_hDC) ::ReleaseDC(m_hWndOwner, m_hDC);
  m_hDC = nullptr;
}
