// The G-sensor graph's painting: background tiles, the pass's bars, highlights and marks, the cursor,
// all into the lent off-screen surface and then one copy to the window.
#include "tavrin/driveviews/gsensor_dlg.h"

#include "tavrin/skin/app_fonts.h"

#include <algorithm>

using namespace quill::driveviews;

namespace {

// Background tiles are placed on a 5-pixel grid from the right edge.
constexpr int kTileGrid = 5;
// The marks' text rows start this far above the background's bottom edge.
constexpr int kMarkBaseLift = 5;
constexpr COLORREF kBelowBackground = 0x000000;

}  // namespace

BOOL CGSensorDlg::OnEraseBkgnd(CDC* dc) {
  RECT rc{};
  GetClientRect(&rc);
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  if (m_nTileStep == 0 || !dc || !m_pOffScreen || !m_pOffScreen->IsValid() || width <= 0 || height <= 0) {
    return TRUE;
  }
  CDC& s = m_pOffScreen->m_dc;
  CDCSave saved(s.m_hDC);
  s.SetStretchBltMode(COLORONCOLOR);
  // The surface is shared with the main dialog's other drawing: below the background picture (the
  // mark rows and the highlight strip) it would show what was drawn there last.
  s.FillSolidRect(0, 0, width, height + 1, kBelowBackground);
  DrawBackground(s, width);
  if (m_nGraphFlag) DrawPass(s, rc);
  s.SetROP2(R2_COPYPEN);
  const int x = CursorX(m_nLeftMargin, width, m_nCursor, m_nStepCount);
  CDCSelect pen(s, m_cursorPen);
  s.MoveTo(x, 0);
  s.LineTo(x, height);
  dc->BitBlt(0, 0, width, height + 1, &s, 0, 0, SRCCOPY);
  return TRUE;
}

void CGSensorDlg::DrawBackground(CDC& s, int width) {
  if (!m_dcBackground.m_hDC || m_nBitmapWidth <= 0) return;
  if (m_nTileStep > 0) {
    for (int i = 0; width > m_nTileStep * i; ++i) {
      const int x = ((width - m_nTileStep * i) / kTileGrid) * kTileGrid;
      s.BitBlt(x, 0, m_nBitmapWidth, m_nBitmapHeight, &m_dcBackground, 0, 0, SRCCOPY);
    }
  }
  s.BitBlt(0, 0, m_nBitmapWidth, m_nBitmapHeight, &m_dcBackground, 0, 0, SRCCOPY);
}

void CGSensorDlg::DrawPass(CDC& s, const RECT& client) {
  GraphSourceLock lock(m_source);
  GraphPassInput in;
  in.direct = IsSampleListShorter();
  in.sequence = Sequence(!in.direct);
  in.stepWidth = in.direct ? GetRecordStepWidth() : GetStepWidth();
  in.cursor = m_nCursor;
  in.leftMargin = m_nLeftMargin;
  in.plotWidth = (client.right - client.left) - m_nLeftMargin;
  in.bands = BandsForHeight(m_nBitmapHeight);
  in.flags = m_channels;
  const GraphPassResult pass = ComputeGraphPass(in);

  s.SetROP2(R2_MERGEPEN);
  if (m_dcHighlight.m_hDC && m_oldHighlight) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, kHighlightAlpha, 0};
    const int top = HighlightTop(client.bottom - client.top);
    const int stripWidth = static_cast<int>(in.stepWidth) + 1;
    for (int x : pass.highlights) {
      s.AlphaBlend(x, top, stripWidth, kHighlightStripHeight, &m_dcHighlight, 0, 0, stripWidth,
                   kHighlightStripHeight, blend);
    }
  }
  for (const BarLine& bar : pass.bars) {
    CDCSelect pen(s, m_bandPens[bar.band]);
    s.MoveTo(bar.x, bar.from);
    s.LineTo(bar.x, bar.to);
  }
  DrawMarks(s, pass, client);
}

void CGSensorDlg::DrawMarks(CDC& s, const GraphPassResult& pass, const RECT& client) {
  const int height = client.bottom - client.top;
  const int lineBottom = MarkLineBottom(height);
  const int base = m_nBitmapHeight - kMarkBaseLift;
  const int rowStep = MarkRowStep(g_dDpiScale);
  CDCSelect font(s.m_hDC, g_hFont10);
  s.SetTextColor(0xFFFFFF);
  s.SetBkMode(TRANSPARENT);
  for (const std::vector<MarkPoint>& list : pass.marks) {
    for (const MarkPoint& p : list) {
      if (p.x < m_nLeftMargin || p.category < 0 || p.category >= kCategoryCount) continue;
      CDCSelect pen(s, m_categoryPens[p.category]);
      s.MoveTo(p.x, lineBottom);
      s.LineTo(p.x, 0);
      const MarkStyle style = MarkStyleOf(p.category);
      const int row = base + style.rowSteps * rowStep;
      if (style.text[0]) {
        s.TextOut(p.x + 1, row, style.text, static_cast<int>(wcslen(style.text)));
      } else {
        DrawAssistMark(s, p.x + 1, row);
      }
    }
  }
}

void CGSensorDlg::DrawAssistMark(CDC& s, int x, int y) {
  if (!m_oldAssist || !m_assistMask.m_hObject) return;
  POINT corners[3] = {{x, y}, {x + m_nAssistWidth, y}, {x, y + m_nAssistHeight}};
  s.PlgBlt(corners, &m_dcAssist, 0, 0, m_nAssistWidth, m_nAssistHeight, m_assistMask, 0, 0);
}
