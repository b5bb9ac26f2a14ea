// The progress bar never shows more than "100 %" or less than "0 %": a position past either end is
// drawn exactly like the end itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "tavrin/skin/skin_progress.h"
#include "tests/skin/skin_test_host.h"

namespace {

// The bar's pixels at `pos`, drawn into a memory surface of the bar's size.
std::vector<COLORREF> BarPixels(CSkinProgressBarCtrl& bar, int pos) {
  RECT rc;
  ::GetClientRect(bar.m_hWnd, &rc);
  HDC screen = ::GetDC(bar.m_hWnd);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, rc.right, rc.bottom);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  bar.m_nPos = pos;
  ::SendMessageW(bar.m_hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), 0);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < rc.bottom; ++y) {
    for (int x = 0; x < rc.right; ++x) pixels.push_back(::GetPixel(mem, x, y));
  }
  ::SelectObject(mem, old);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  ::ReleaseDC(bar.m_hWnd, screen);
  return pixels;
}

TEST(ProgressPercent, PositionsPastTheEndsLookLikeTheEnds) {
  CSkinProgressBarCtrl& bar = quill::test::SharedHost().m_progress;
  const int savedMin = bar.m_nMin, savedMax = bar.m_nMax, savedPos = bar.m_nPos;
  bar.m_nMin = 0;
  bar.m_nMax = 100;
  const struct { int past, end; } cases[] = {{101, 100}, {130, 100}, {-1, 0}};
  for (const auto& c : cases) {
    EXPECT_TRUE(BarPixels(bar, c.past) == BarPixels(bar, c.end)) << c.past;
  }
  EXPECT_FALSE(BarPixels(bar, 99) == BarPixels(bar, 100));  // the text does change inside the range
  bar.m_nMin = savedMin;
  bar.m_nMax = savedMax;
  bar.m_nPos = savedPos;
  bar.Invalidate();
}

}  // namespace
