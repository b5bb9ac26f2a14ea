// The needle gauges' angle tables, built from each dial's calibration rows.
#include "tavrin/driveviews/gauge_tables.h"

#include <array>
#include <cmath>

namespace quill::driveviews {

namespace {

// A calibration row: value index and angle, counted on past 360 where the needle passes straight up
// (so that the spread between rows runs the short way round).
struct Row {
  int index;
  double angle;
};

constexpr int kMaxIndex = 300;
using Table = std::array<double, kMaxIndex + 1>;

constexpr Row kGauge1[] = {{0, 261.5}, {10, 282},   {20, 301.5}, {30, 321},   {40, 340.5}, {50, 360},
                           {60, 379.5}, {70, 399},  {80, 418.5}, {90, 438},   {100, 459}};
// Gauge 2 is gauge 1 recalibrated at these indices.
constexpr Row kGauge2Changes[] = {{15, 292},   {20, 302},   {28, 318},  {29, 319.5},
                                  {35, 331},   {60, 19},    {65, 29},   {89, 76.5}};
constexpr Row kGauge3[] = {{0, 251.5},   {20, 271.5}, {40, 291.5}, {60, 311},   {80, 331},
                           {100, 350},   {110, 360},  {120, 369.5}, {140, 389.5}, {160, 408},
                           {180, 428},   {200, 448},  {220, 468}};
// Gauge 4 follows gauge 1 and runs on for five more indices.
constexpr Row kGauge4Tail[] = {{101, 100}, {102, 101}, {103, 105}, {104, 106}, {105, 108}};
constexpr Row kGauge5[] = {{0, 261.5},   {20, 274},   {40, 289},   {60, 301.5}, {80, 314.5},
                           {100, 328.5}, {120, 340.5}, {140, 352.5}, {150, 360}, {160, 367},
                           {180, 379.5}, {200, 391},  {220, 406},  {240, 418.5}, {260, 431},
                           {280, 446},   {300, 459}};

constexpr double Wrap(double a) { return a >= 360.0 ? a - 360.0 : a; }

template <size_t N>
constexpr void Spread(Table& t, const Row (&rows)[N]) {
  for (size_t r = 0; r + 1 < N; ++r) {
    const Row a = rows[r], b = rows[r + 1];
    for (int i = a.index; i <= b.index; ++i) {
      t[i] = Wrap(a.angle + (b.angle - a.angle) * (i - a.index) / (b.index - a.index));
    }
  }
}

template <size_t N>
constexpr void Override(Table& t, const Row (&rows)[N]) {
  for (const Row& r : rows) t[r.index] = Wrap(r.angle);
}

struct Tables {
  Table t[kGaugeCount] = {};
  constexpr Tables() {
    Spread(t[0], kGauge1);
    Spread(t[1], kGauge1);
    Override(t[1], kGauge2Changes);
    Spread(t[2], kGauge3);
    Spread(t[3], kGauge1);
    Override(t[3], kGauge4Tail);
    Spread(t[4], kGauge5);
  }
};

constexpr Tables kTables;
constexpr int kLastIndex[kGaugeCount] = {100, 100, 220, 105, 300};

// The needle's top sits this far below the surface's top; it turns about this height.
constexpr int kNeedleTop = 20;

}  // namespace

int GaugeLastIndex(int gauge) {
  return gauge >= 1 && gauge <= kGaugeCount ? kLastIndex[gauge - 1] : -1;
}

int ClampGaugeIndex(int gauge, int index) {
  const int last = GaugeLastIndex(gauge);
  if (last < 0 || index < 0) return 0;
  return index > last ? last : index;
}

double GaugeAngle(int gauge, int index) {
  if (GaugeLastIndex(gauge) < 0) return 0.0;
  return kTables.t[gauge - 1][ClampGaugeIndex(gauge, index)];
}

void NeedleParallelogram(int dialWidth, int needleWidth, int needleHeight, POINT out[3]) {
  const int left = dialWidth / 2 - needleWidth / 2;
  out[0] = {left, kNeedleTop};
  out[1] = {left + needleWidth, kNeedleTop};
  out[2] = {left, kNeedleTop + needleHeight};
}

void TurnPoints(POINT points[3], int pivotX, int pivotY, double degrees) {
  const double a = degrees * 3.14159265358979323846 / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  for (int i = 0; i < 3; ++i) {
    const double dx = points[i].x - pivotX;
    const double dy = points[i].y - pivotY;
    points[i].x = static_cast<int>(dx * c - dy * s) + pivotX;
    points[i].y = static_cast<int>(dx * s + dy * c) + pivotY;
  }
}

}  // namespace quill::driveviews
