// CSkinProgressBarCtrl: a flat 22-pixel progress bar, blue for the done part and white for the rest,
// with the position centred in it as "%d %"; the digits are white over the blue part and blue over the
// white part. The owner sets m_nMin, m_nMax and m_nPos and invalidates the control.
//
// Threads: UI thread only; workers report progress by posting to the window that owns the bar.
#pragma once

#include <windows.h>

#include "platform/framework/wnd.h"

// The width of the done part of a bar `width` pixels wide: width x pos / (max - min), 0 for an empty
// or reversed range, clamped to [0, width].
int ProgressFilledWidth(int width, int min, int max, int pos);
// The percentage the bar shows for a position: 0 to 100 (a job's last step may report a little more).
int ProgressShownPercent(int pos);

class CSkinProgressBarCtrl : public CWnd {
 public:
  static constexpr int kBarHeight = 22;
  static constexpr COLORREF kDoneColour = 0xFF0000;  // blue
  static constexpr COLORREF kRestColour = 0xFFFFFF;  // white
  static constexpr int kTextHalfWidth = 50;

  int m_nMin = 0;
  int m_nMax = 100;
  int m_nPos = 0;

 protected:
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* dc);
  DECLARE_MESSAGE_MAP()
};
