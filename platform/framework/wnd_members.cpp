// CWnd's thin members: each is one Win32 call on the bound window, and does nothing (returns 0/FALSE)
// when the object has no window. Also the default handlers of the ON_WM_* entries.
#include <windows.h>
#include <shellapi.h>

#include "platform/framework/gdi.h"
#include "platform/framework/wnd.h"

LRESULT CWnd::SendMessage(UINT msg, WPARAM wp, LPARAM lp) const {
  return m_hWnd ? ::SendMessageW(m_hWnd, msg, wp, lp) : 0;
}

BOOL CWnd::PostMessage(UINT msg, WPARAM wp, LPARAM lp) const {
  return m_hWnd ? ::PostMessageW(m_hWnd, msg, wp, lp) : FALSE;
}

int CWnd::GetDlgCtrlID() const { return m_hWnd ? ::GetDlgCtrlID(m_hWnd) : 0; }
CWnd* CWnd::GetParent() const { return m_hWnd ? FromHandle(::GetParent(m_hWnd)) : nullptr; }
CWnd* CWnd::SetParent(CWnd* parent) {
  return m_hWnd ? FromHandle(::SetParent(m_hWnd, HwndOf(parent))) : nullptr;
}
CWnd* CWnd::GetDlgItem(int id) const { return m_hWnd ? FromHandle(::GetDlgItem(m_hWnd, id)) : nullptr; }
CWnd* CWnd::GetOwner() const { return m_hWnd ? FromHandle(::GetWindow(m_hWnd, GW_OWNER)) : nullptr; }
DWORD CWnd::GetStyle() const {
  return m_hWnd ? static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_STYLE)) : 0;
}
DWORD CWnd::GetExStyle() const {
  return m_hWnd ? static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)) : 0;
}

namespace {

BOOL ModifyLong(HWND h, int index, DWORD remove, DWORD add, UINT swpFlags) {
  if (!h) return FALSE;
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(h, index));
  DWORD changed = (style & ~remove) | add;
  if (style == changed) return FALSE;
  SetWindowLongPtrW(h, index, static_cast<LONG_PTR>(changed));
  if (swpFlags != 0) {
    SetWindowPos(h, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
  }
  return TRUE;
}

}  // namespace

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags) {
  return ModifyLong(m_hWnd, GWL_STYLE, remove, add, swpFlags);
}
BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags) {
  return ModifyLong(m_hWnd, GWL_EXSTYLE, remove, add, swpFlags);
}
BOOL CWnd::IsChild(const CWnd* wnd) const {
  return m_hWnd && wnd ? ::IsChild(m_hWnd, wnd->m_hWnd) : FALSE;
}

void CWnd::GetClientRect(LPRECT rect) const {
  if (!m_hWnd || !::GetClientRect(m_hWnd, rect)) SetRectEmpty(rect);
}
void CWnd::GetWindowRect(LPRECT rect) const {
  if (!m_hWnd || !::GetWindowRect(m_hWnd, rect)) SetRectEmpty(rect);
}
void CWnd::MoveWindow(int x, int y, int w, int h, BOOL repaint) {
  if (m_hWnd) ::MoveWindow(m_hWnd, x, y, w, h, repaint);
}
void CWnd::MoveWindow(LPCRECT r, BOOL repaint) {
  if (r) MoveWindow(r->left, r->top, r->right - r->left, r->bottom - r->top, repaint);
}
BOOL CWnd::SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags) {
  return m_hWnd ? ::SetWindowPos(m_hWnd, HwndOf(after), x, y, cx, cy, flags) : FALSE;
}
void CWnd::ScreenToClient(LPPOINT pt) const { if (m_hWnd) ::ScreenToClient(m_hWnd, pt); }
void CWnd::ScreenToClient(LPRECT r) const {
  if (m_hWnd) ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(r), 2);
}
void CWnd::ClientToScreen(LPPOINT pt) const { if (m_hWnd) ::ClientToScreen(m_hWnd, pt); }
void CWnd::ClientToScreen(LPRECT r) const {
  if (m_hWnd) ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(r), 2);
}
BOOL CWnd::ShowWindow(int cmd) { return m_hWnd ? ::ShowWindow(m_hWnd, cmd) : FALSE; }
BOOL CWnd::IsWindowVisible() const { return m_hWnd ? ::IsWindowVisible(m_hWnd) : FALSE; }
BOOL CWnd::IsWindowEnabled() const { return m_hWnd ? ::IsWindowEnabled(m_hWnd) : FALSE; }
BOOL CWnd::IsIconic() const { return m_hWnd ? ::IsIconic(m_hWnd) : FALSE; }
BOOL CWnd::EnableWindow(BOOL enable) { return m_hWnd ? ::EnableWindow(m_hWnd, enable) : FALSE; }

void CWnd::CenterWindow(CWnd* alternateOwner) {
  if (!m_hWnd) return;
  HWND over = alternateOwner ? alternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
  if (GetStyle() & WS_CHILD) over = ::GetParent(m_hWnd);
  RECT area, self;
  if (over) ::GetWindowRect(over, &area);
  else SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  ::GetWindowRect(m_hWnd, &self);
  POINT pos = {(area.left + area.right - (self.right - self.left)) / 2,
               (area.top + area.bottom - (self.bottom - self.top)) / 2};
  if (GetStyle() & WS_CHILD) ::ScreenToClient(::GetParent(m_hWnd), &pos);
  ::SetWindowPos(m_hWnd, nullptr, pos.x, pos.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CWnd::SetWindowRgn(HRGN rgn, BOOL redraw) { return m_hWnd ? ::SetWindowRgn(m_hWnd, rgn, redraw) : 0; }
void CWnd::BringWindowToTop() { if (m_hWnd) ::BringWindowToTop(m_hWnd); }
BOOL CWnd::SetForegroundWindow() { return m_hWnd ? ::SetForegroundWindow(m_hWnd) : FALSE; }
CWnd* CWnd::SetFocus() { return m_hWnd ? FromHandle(::SetFocus(m_hWnd)) : nullptr; }

void CWnd::SetWindowText(LPCWSTR text) { if (m_hWnd) ::SetWindowTextW(m_hWnd, text); }
int CWnd::GetWindowText(LPWSTR buffer, int max) const {
  if (!m_hWnd) {
    if (buffer && max > 0) buffer[0] = L'\0';
    return 0;
  }
  return ::GetWindowTextW(m_hWnd, buffer, max);
}
void CWnd::GetWindowText(CString& text) const {
  int length = GetWindowTextLength();
  wchar_t* p = text.GetBufferSetLength(length + 1);
  int got = GetWindowText(p, length + 1);
  text.ReleaseBuffer(got >= 0 ? got : 0);
}
int CWnd::GetWindowTextLength() const { return m_hWnd ? ::GetWindowTextLengthW(m_hWnd) : 0; }
void CWnd::SetFont(CFont* font, BOOL redraw) {
  SetFont(font ? static_cast<HFONT>(font->GetSafeHandle()) : nullptr, redraw);
}
void CWnd::SetFont(HFONT font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
}
CFont* CWnd::GetFont() const {
  return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
}
HICON CWnd::SetIcon(HICON icon, BOOL big) {
  return reinterpret_cast<HICON>(
      SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}
void CWnd::SetDlgItemText(int id, LPCWSTR text) { if (m_hWnd) ::SetDlgItemTextW(m_hWnd, id, text); }

void CWnd::Invalidate(BOOL erase) { if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, erase); }
void CWnd::InvalidateRect(LPCRECT rect, BOOL erase) { if (m_hWnd) ::InvalidateRect(m_hWnd, rect, erase); }
void CWnd::UpdateWindow() { if (m_hWnd) ::UpdateWindow(m_hWnd); }
BOOL CWnd::RedrawWindow(LPCRECT rect, CRgn* rgn, UINT flags) {
  return m_hWnd ? ::RedrawWindow(m_hWnd, rect, rgn ? static_cast<HRGN>(rgn->GetSafeHandle()) : nullptr,
                                 flags)
                : FALSE;
}
void CWnd::SetRedraw(BOOL redraw) { SendMessage(WM_SETREDRAW, redraw, 0); }
BOOL CWnd::LockWindowUpdate() { return m_hWnd ? ::LockWindowUpdate(m_hWnd) : FALSE; }
void CWnd::UnlockWindowUpdate() { ::LockWindowUpdate(nullptr); }

CDC* CWnd::GetDC() { return m_hWnd ? CDC::FromHandle(::GetDC(m_hWnd)) : nullptr; }
CDC* CWnd::GetWindowDC() { return m_hWnd ? CDC::FromHandle(::GetWindowDC(m_hWnd)) : nullptr; }
int CWnd::ReleaseDC(CDC* dc) {
  if (!dc || !dc->m_hDC) return 0;
  HDC h = dc->m_hDC;
  CDC::DeleteTempHandle(h);
  return ::ReleaseDC(m_hWnd, h);
}

CWnd* CWnd::SetCapture() { return m_hWnd ? FromHandle(::SetCapture(m_hWnd)) : nullptr; }
CWnd* CWnd::GetCapture() { return FromHandle(::GetCapture()); }
UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc) {
  return m_hWnd ? ::SetTimer(m_hWnd, id, elapse, proc) : 0;
}
BOOL CWnd::KillTimer(UINT_PTR id) { return m_hWnd ? ::KillTimer(m_hWnd, id) : FALSE; }
void CWnd::ShowScrollBar(UINT bar, BOOL show) { if (m_hWnd) ::ShowScrollBar(m_hWnd, static_cast<int>(bar), show); }
BOOL CWnd::SetScrollInfo(int bar, LPSCROLLINFO info, BOOL redraw) {
  if (!m_hWnd || !info) return FALSE;
  info->cbSize = sizeof(SCROLLINFO);
  ::SetScrollInfo(m_hWnd, bar, info, redraw);
  return TRUE;
}
BOOL CWnd::GetScrollInfo(int bar, LPSCROLLINFO info, UINT mask) {
  if (!m_hWnd || !info) return FALSE;
  info->cbSize = sizeof(SCROLLINFO);
  info->fMask = mask;
  return ::GetScrollInfo(m_hWnd, bar, info);
}
void CWnd::DragAcceptFiles(BOOL accept) { if (m_hWnd) ::DragAcceptFiles(m_hWnd, accept); }

// Default handlers: the window's original procedure decides.
int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnMouseHover(UINT, CPoint) { Default(); }
void CWnd::OnMouseLeave() { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnSizing(UINT, LPRECT) { Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
void CWnd::OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS*) { Default(); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
void CWnd::OnCancelMode() { Default(); }
void CWnd::OnEnable(BOOL) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
void CWnd::OnDropFiles(HDROP) { Default(); }
UINT CWnd::OnPowerBroadcast(UINT, LPARAM) { return static_cast<UINT>(Default()); }
void CWnd::OnDevModeChange(LPWSTR) { Default(); }
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT) { Default(); }
void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT) { Default(); }
