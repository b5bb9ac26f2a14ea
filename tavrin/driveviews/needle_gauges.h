// CNeedleGauge: five needle gauges, each its dial picture with the shared needle turned to the angle
// its table gives for a value index, drawn into the 210 x 170 work surface of the skin images and
// copied 1:1 into a rectangle of the caller's DC. The owner-facing table g_GaugeDrawTable draws
// gauge 1 to 5 through a CGaugeOwner. No window of the program shows gauges yet.
//
// Threads: the thread that owns the skin images (the UI thread).
#pragma once

#include <windows.h>

#include "platform/framework/gdi.h"
#include "tavrin/driveviews/gauge_tables.h"
#include "tavrin/skin/resource_image.h"

class CNeedleGauge {
 public:
  static constexpr UINT kDialIds[quill::driveviews::kGaugeCount] = {320, 307, 309, 321, 325};
  static constexpr UINT kNeedleId = 312;
  static constexpr int kPivotY = 108;
  static constexpr COLORREF kDialKey = 0xFFFFFF;

  // `images` must stay loaded while the gauge draws.
  explicit CNeedleGauge(CResourceImage* images);
  ~CNeedleGauge() = default;
  CNeedleGauge(const CNeedleGauge&) = delete;
  CNeedleGauge& operator=(const CNeedleGauge&) = delete;

  // Gauge n (1-5) at value index `index` (limited to the gauge's table) into `rect` of `target`.
  // FALSE when a picture or the work surface is missing.
  BOOL DrawGauge(int n, CDC* target, const RECT& rect, int index);
  BOOL DrawGauge1(CDC* target, const RECT& rect, int index) { return DrawGauge(1, target, rect, index); }
  BOOL DrawGauge2(CDC* target, const RECT& rect, int index) { return DrawGauge(2, target, rect, index); }
  BOOL DrawGauge3(CDC* target, const RECT& rect, int index) { return DrawGauge(3, target, rect, index); }
  BOOL DrawGauge4(CDC* target, const RECT& rect, int index) { return DrawGauge(4, target, rect, index); }
  BOOL DrawGauge5(CDC* target, const RECT& rect, int index) { return DrawGauge(5, target, rect, index); }

  // Turns the needle's parallelogram by gauge n's angle at `index` about (pivotX, kPivotY).
  static void RotateNeedle(int n, POINT points[3], int pivotX, int index);

 private:
  CResourceImage* m_pImages;
  CDC m_dcMem;
};

// Holds the gauge object the table entries draw through.
struct CGaugeOwner {
  CNeedleGauge* m_pGauge = nullptr;
};

using GaugeDrawFn = BOOL (*)(CGaugeOwner* owner, CDC* target, const RECT& rect, int index);
extern const GaugeDrawFn g_GaugeDrawTable[quill::driveviews::kGaugeCount];
