// CSkinProgressBarCtrl: the bar and its two-coloured percentage text, drawn off-screen.
#include "tavrin/skin/skin_progress.h"

#include <algorithm>
#include <cstdint>

#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/offscreen_dc.h"

namespace {

// Draws the text clipped to one part of the bar in one colour.
void DrawTextPart(HDC dc, const CString& text, RECT textRect, const RECT& clip, COLORREF colour) {
  if (clip.right <= clip.left) return;
  CDCSave saved(dc);
  ::IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
  ::SetTextColor(dc, colour);
  ::DrawTextW(dc, text, -1, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace

int ProgressFilledWidth(int width, int min, int max, int pos) {
  const int64_t span = static_cast<int64_t>(max) - min;
  if (span <= 0 || width <= 0) return 0;
  // Same ratio as pos / (max - min); clamped so a position outside the range never paints outside.
  const double ratio = static_cast<double>(pos) / static_cast<double>(span);
  return std::clamp(static_cast<int>(width * ratio), 0, width);
}

int ProgressShownPercent(int pos) { return std::clamp(pos, 0, 100); }

BEGIN_MESSAGE_MAP(CSkinProgressBarCtrl, CWnd)
  ON_WM_ERASEBKGND()
  ON_WM_PAINT()
END_MESSAGE_MAP()

void CSkinProgressBarCtrl::OnPaint() { CPaintDC dc(this); }

BOOL CSkinProgressBarCtrl::OnEraseBkgnd(CDC* dc) {
  CRect rc;
  GetClientRect(&rc);
  const int w = rc.Width();
  if (w <= 0 || !dc) return FALSE;
  COffScreenDC off;
  if (!off.Create(dc->m_hDC, w, kBarHeight)) return FALSE;
  HDC buf = off.m_dc.m_hDC;
  const int f = ProgressFilledWidth(w, m_nMin, m_nMax, m_nPos);
  ::SetBkMode(buf, TRANSPARENT);
  CDCSelect font(buf, g_hFont10);
  const RECT done = {0, 0, f, kBarHeight};
  const RECT rest = {f, 0, w, kBarHeight};
  HBRUSH doneBrush = ::CreateSolidBrush(kDoneColour);
  HBRUSH restBrush = ::CreateSolidBrush(kRestColour);
  ::FillRect(buf, &done, doneBrush);
  ::FillRect(buf, &rest, restBrush);
  ::DeleteObject(doneBrush);
  ::DeleteObject(restBrush);
  CString text;
  text.Format(L"%d %%", ProgressShownPercent(m_nPos));
  const RECT textRect = {w / 2 - kTextHalfWidth, 0, w / 2 + kTextHalfWidth, kBarHeight};
  DrawTextPart(buf, text, textRect, done, kRestColour);
  DrawTextPart(buf, text, textRect, rest, kDoneColour);
  ::BitBlt(dc->m_hDC, 0, 0, w, std::min<int>(kBarHeight, rc.Height()), buf, 0, 0, SRCCOPY);
  return TRUE;
}
