// The needle gauges' angle tables and the needle's turn. Each gauge has one angle per value index
// (degrees clockwise on screen, 0 = straight up, above 180 = left of up), calibrated to its dial:
// the tables are spread linearly between the calibration rows and wrap from 358-359 to 0.
#pragma once

#include <windows.h>

namespace quill::driveviews {

constexpr int kGaugeCount = 5;

// The last value index of gauge 1..5 (-1 for another number).
int GaugeLastIndex(int gauge);
// The index limited to the gauge's table: the drawing never reads outside it.
int ClampGaugeIndex(int gauge, int index);
// The angle of gauge 1..5 at `index` (clamped); 0 for another gauge number.
double GaugeAngle(int gauge, int index);

// The needle picture's corners before turning (upper-left, upper-right, lower-left), for a dial
// `dialWidth` wide and a needle of needleWidth x needleHeight, its top 20 pixels down.
void NeedleParallelogram(int dialWidth, int needleWidth, int needleHeight, POINT out[3]);
// Turns the three points by `degrees` clockwise about (pivotX, pivotY), truncating toward zero.
void TurnPoints(POINT points[3], int pivotX, int pivotY, double degrees);

}  // namespace quill::driveviews
