// Keeping windows on a monitor's work area, and window rectangles relative to other windows.
#include "tavrin/skin/window_utils.h"

namespace {

quill::skin::WorkAreaLookup g_lookup = nullptr;  // set by tests before any window is placed

bool SystemWorkArea(POINT pt, RECT* work) {
  HMONITOR monitor = MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!monitor || !GetMonitorInfoW(monitor, &info)) return false;
  *work = info.rcWork;
  return true;
}

bool WorkAreaOf(POINT pt, RECT* work) { return (g_lookup ? g_lookup : &SystemWorkArea)(pt, work); }

struct Shift {
  int dx = 0;
  int dy = 0;
  bool needed = false;
};

// The shift that brings a window hanging over a work-area edge back inside (see KeepWindowOnScreen).
Shift ComputeShift(const RECT& r, const CDiagonal& d1, const CDiagonal& d2) {
  Shift s;
  if (d1.m_bSame && d2.m_bSame) return s;  // wholly inside or wholly outside: leave it
  s.needed = true;
  if (d1.m_bOnlySecondIn) {  // top-left out, bottom-right in
    s.dx = r.left - d1.m_rcWork2.left;
    s.dy = r.top - d1.m_rcWork2.top;
    if (d2.m_bOnlyFirstIn) s.dx = 0;
    else if (d2.m_bOnlySecondIn) s.dy = 0;
  } else if (d1.m_bOnlyFirstIn) {  // top-left in, bottom-right out
    s.dx = r.right - d1.m_rcWork1.right;
    s.dy = r.bottom - d1.m_rcWork1.bottom;
    if (d2.m_bOnlySecondIn) s.dx = 0;
    else if (d2.m_bOnlyFirstIn) s.dy = 0;
  } else if (d2.m_bOnlySecondIn) {  // bottom-left out, top-right in
    s.dx = r.left - d2.m_rcWork2.left;
    s.dy = r.bottom - d2.m_rcWork2.bottom;
  } else if (d2.m_bOnlyFirstIn) {  // bottom-left in, top-right out
    s.dx = r.right - d2.m_rcWork1.right;
    s.dy = r.top - d2.m_rcWork1.top;
  } else {
    s.needed = false;
  }
  return s;
}

}  // namespace

namespace quill::skin {
void SetWorkAreaLookup(WorkAreaLookup fn) { g_lookup = fn; }
}  // namespace quill::skin

int CDiagonal::Test(int x1, int y1, int x2, int y2) {
  POINT p1 = {x1, y1};
  POINT p2 = {x2, y2};
  RECT empty = {};
  if (!WorkAreaOf(p1, &m_rcWork1)) m_rcWork1 = empty;
  if (!WorkAreaOf(p2, &m_rcWork2)) m_rcWork2 = empty;
  bool in1 = PtInRect(&m_rcWork1, p1) != FALSE;
  bool in2 = PtInRect(&m_rcWork2, p2) != FALSE;
  m_bBothOut = !in1 && !in2;
  m_bOnlySecondIn = !in1 && in2;
  m_bOnlyFirstIn = in1 && !in2;
  m_bBothIn = in1 && in2;
  m_bSame = in1 == in2;
  m_bOneIn = in1 != in2;
  return m_bOnlySecondIn ? 1 : 0;
}

BOOL KeepWindowOnScreen(CWnd* wnd) {
  HWND h = HwndOf(wnd);
  RECT r;
  if (!h || !GetWindowRect(h, &r)) return FALSE;
  CDiagonal falling;
  CDiagonal rising;
  falling.Test(r.left, r.top, r.right, r.bottom);
  rising.Test(r.left, r.bottom, r.right, r.top);
  Shift s = ComputeShift(r, falling, rising);
  if (!s.needed || (s.dx == 0 && s.dy == 0)) return FALSE;
  OffsetRect(&r, -s.dx, -s.dy);
  // MoveWindow places a child in its parent's client coordinates.
  if (GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  }
  return MoveWindow(h, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

BOOL GetMonitorWorkRect(CWnd* wnd, RECT* out) {
  HWND h = HwndOf(wnd);
  RECT r;
  if (!h || !out || !GetWindowRect(h, &r)) return FALSE;
  POINT corner = {r.left, r.top};
  return WorkAreaOf(corner, out) ? TRUE : FALSE;
}

RECT CentredIn(const RECT& area, int width, int height) {
  const LONG left = area.left + ((area.right - area.left) - width) / 2;
  const LONG top = area.top + ((area.bottom - area.top) - height) / 2;
  return RECT{left, top, left + width, top + height};
}

RECT* GetChildRectInParent(RECT* out, CWnd* parent, CWnd* child) {
  if (!out) return out;
  RECT parentRect = {};
  RECT childRect = {};
  if (!HwndOf(parent) || !HwndOf(child) || !GetWindowRect(HwndOf(parent), &parentRect) ||
      !GetWindowRect(HwndOf(child), &childRect)) {
    SetRectEmpty(out);
    return out;
  }
  *out = childRect;
  OffsetRect(out, -parentRect.left, -parentRect.top);
  return out;
}
