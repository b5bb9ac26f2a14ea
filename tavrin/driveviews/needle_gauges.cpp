// The needle gauges' drawing: dial, turned needle, 1:1 copy.
#include "tavrin/driveviews/needle_gauges.h"

#include "playcore/presenter/wine_host.h"
#include "tavrin/driveviews/turned_blit.h"

using namespace quill::driveviews;

namespace {

template <int N>
BOOL DrawThrough(CGaugeOwner* owner, CDC* target, const RECT& rect, int index) {
  if (!owner || !owner->m_pGauge) return FALSE;
  return owner->m_pGauge->DrawGauge(N, target, rect, index);
}

}  // namespace

const GaugeDrawFn g_GaugeDrawTable[kGaugeCount] = {DrawThrough<1>, DrawThrough<2>, DrawThrough<3>,
                                                   DrawThrough<4>, DrawThrough<5>};

CNeedleGauge::CNeedleGauge(CResourceImage* images) : m_pImages(images) {
  HDC screen = ::GetDC(nullptr);
  CDC reference;
  reference.Attach(screen);
  m_dcMem.CreateCompatibleDC(&reference);
  reference.Detach();
  ::ReleaseDC(nullptr, screen);
}

void CNeedleGauge::RotateNeedle(int n, POINT points[3], int pivotX, int index) {
  TurnPoints(points, pivotX, kPivotY, GaugeAngle(n, index));
}

BOOL CNeedleGauge::DrawGauge(int n, CDC* target, const RECT& rect, int index) {
  if (n < 1 || n > kGaugeCount || !target || !m_pImages || !m_dcMem.m_hDC) return FALSE;
  CDC& work = m_pImages->m_dcWork;
  HBITMAP dial = m_pImages->Bitmap(kDialIds[n - 1]);
  HBITMAP needle = m_pImages->Bitmap(kNeedleId);
  if (!work.m_hDC || !dial || !needle || !m_pImages->m_bmpNeedleMask.m_hObject) return FALSE;
  BITMAP dialSize{}, needleSize{};
  if (!GetObjectW(dial, sizeof dialSize, &dialSize) || !GetObjectW(needle, sizeof needleSize, &needleSize)) {
    return FALSE;
  }
  const int previousMode = work.SetStretchBltMode(COLORONCOLOR);
  work.FillSolidRect(0, 0, CResourceImage::kWorkWidth, CResourceImage::kWorkHeight, 0x000000);
  {
    CDCSelect select(m_dcMem.m_hDC, dial);
    work.TransparentBlt(0, 0, dialSize.bmWidth, dialSize.bmHeight, &m_dcMem, 0, 0, dialSize.bmWidth,
                        dialSize.bmHeight, kDialKey);
  }
  {
    CDCSelect select(m_dcMem.m_hDC, needle);
    POINT corners[3];
    NeedleParallelogram(dialSize.bmWidth, needleSize.bmWidth, needleSize.bmHeight, corners);
    RotateNeedle(n, corners, dialSize.bmWidth / 2, index);
    if (playcore::RunningOnWine()) {
      TurnedBlt(work.m_hDC, corners, m_dcMem.m_hDC, needleSize.bmWidth, needleSize.bmHeight,
                m_pImages->m_bmpNeedleMask);
    } else {
      work.PlgBlt(corners, &m_dcMem, 0, 0, needleSize.bmWidth, needleSize.bmHeight, m_pImages->m_bmpNeedleMask,
                  0, 0);
    }
  }
  target->BitBlt(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, &work, 0, 0, SRCCOPY);
  work.SetStretchBltMode(previousMode);
  return TRUE;
}
