// Small window, monitor and disk functions of the main window and its commands: keeping a window on a
// monitor, the work area of a window's monitor, a child's rectangle relative to another window, the
// free space of a drive or folder, and the version-text filter of the update check.
// All are called on the UI thread, GetDiskFreeBytes and TrimVersionText also on workers.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/framework/cstring.h"
#include "platform/framework/wnd.h"

// One diagonal of a rectangle, from P1 to P2, tested against the work areas of the monitors nearest to
// its end points.
class CDiagonal {
 public:
  CDiagonal() = default;
  virtual ~CDiagonal() = default;

  // Fills every member; returns 1 when P1 is out and P2 in, else 0.
  int Test(int x1, int y1, int x2, int y2);

  RECT m_rcWork1 = {};  // work area of the monitor nearest to P1
  RECT m_rcWork2 = {};  // work area of the monitor nearest to P2
  BOOL m_bBothOut = FALSE;
  BOOL m_bOnlySecondIn = FALSE;
  BOOL m_bOnlyFirstIn = FALSE;
  BOOL m_bBothIn = FALSE;
  BOOL m_bSame = FALSE;  // both in or both out
  BOOL m_bOneIn = FALSE;  // exactly one in
};

// Pushes a window that hangs over the edge of a monitor's work area back inside the work area of the
// monitor that holds its other corner, keeping its size. TRUE when it was moved.
BOOL KeepWindowOnScreen(CWnd* wnd);

// The work area of the monitor nearest to the window's top-left corner. FALSE (out untouched) without a
// window or an out rectangle.
BOOL GetMonitorWorkRect(CWnd* wnd, RECT* out);

// A width x height rectangle centred in `area` (a monitor's work area or its whole rectangle).
RECT CentredIn(const RECT& area, int width, int height);

// The child's window rectangle relative to the parent window's top-left corner (frame included).
RECT* GetChildRectInParent(RECT* out, CWnd* parent, CWnd* child);

// Free bytes available to the caller on the volume of `root`, which may be a drive ("C:", "C:\\"), any
// folder on it, or a UNC folder. 0 when the space cannot be read.
uint64_t GetDiskFreeBytes(const wchar_t* root);

// The version part of a version text: characters up to the third '.', letters dropped
// ("Ver 2.0.2.15" gives " 2.0.2").
CString TrimVersionText(CString text);

namespace quill::skin {

// The work area of the monitor nearest to a point; replaceable so several monitors can be simulated.
using WorkAreaLookup = bool (*)(POINT pt, RECT* workArea);
void SetWorkAreaLookup(WorkAreaLookup fn);  // null: the system's monitors

}  // namespace quill::skin
