// The needle gauges' angle tables against every calibration row the dials were given, their steady
// rise with one wrap, the clamp of the value index, and the needle's turn.
#include "tavrin/driveviews/gauge_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

using namespace quill::driveviews;

struct Sample {
  int gauge, index;
  double angle;
};

// The calibration rows of the five dials.
const Sample kSamples[] = {
    {1, 0, 261.5},  {1, 10, 282},   {1, 20, 301.5}, {1, 30, 321},   {1, 40, 340.5}, {1, 50, 0},
    {1, 60, 19.5},  {1, 70, 39},    {1, 80, 58.5},  {1, 90, 78},    {1, 100, 99},
    {2, 15, 292},   {2, 20, 302},   {2, 28, 318},   {2, 29, 319.5}, {2, 35, 331},   {2, 60, 19},
    {2, 65, 29},    {2, 89, 76.5},  {2, 0, 261.5},  {2, 50, 0},     {2, 100, 99},
    {3, 0, 251.5},  {3, 20, 271.5}, {3, 40, 291.5}, {3, 60, 311},   {3, 80, 331},   {3, 100, 350},
    {3, 110, 0},    {3, 120, 9.5},  {3, 140, 29.5}, {3, 160, 48},   {3, 180, 68},   {3, 200, 88},
    {3, 220, 108},
    {4, 0, 261.5},  {4, 50, 0},     {4, 100, 99},   {4, 101, 100},  {4, 102, 101},  {4, 103, 105},
    {4, 104, 106},  {4, 105, 108},
    {5, 0, 261.5},  {5, 20, 274},   {5, 40, 289},   {5, 60, 301.5}, {5, 80, 314.5}, {5, 100, 328.5},
    {5, 120, 340.5}, {5, 140, 352.5}, {5, 150, 0},  {5, 160, 7},    {5, 180, 19.5}, {5, 200, 31},
    {5, 220, 46},   {5, 240, 58.5}, {5, 260, 71},   {5, 280, 86},   {5, 300, 99},
};

TEST(GaugeTables, EveryCalibrationRowIsHit) {
  for (const Sample& s : kSamples) {
    EXPECT_DOUBLE_EQ(GaugeAngle(s.gauge, s.index), s.angle) << "gauge " << s.gauge << " index " << s.index;
  }
}

TEST(GaugeTables, EachTableRisesSteadilyAndWrapsOnceAtItsZeroIndex) {
  const struct {
    int gauge, last, zeroAt;
  } gauges[] = {{1, 100, 50}, {2, 100, 50}, {3, 220, 110}, {4, 105, 50}, {5, 300, 150}};
  for (const auto& g : gauges) {
    EXPECT_EQ(GaugeLastIndex(g.gauge), g.last);
    int wraps = 0;
    for (int i = 1; i <= g.last; ++i) {
      double step = GaugeAngle(g.gauge, i) - GaugeAngle(g.gauge, i - 1);
      if (step < 0) {
        ++wraps;
        EXPECT_EQ(i, g.zeroAt) << "gauge " << g.gauge;
        EXPECT_GE(GaugeAngle(g.gauge, i - 1), 358.0) << "gauge " << g.gauge;
        step += 360.0;
      }
      EXPECT_GT(step, 0.0) << "gauge " << g.gauge << " index " << i;
      EXPECT_LT(step, 5.0) << "gauge " << g.gauge << " index " << i;
    }
    EXPECT_EQ(wraps, 1) << "gauge " << g.gauge;
  }
}

TEST(GaugeTables, RecalibratedGaugesFollowGaugeOneElsewhere) {
  const std::set<int> changed = {15, 20, 28, 29, 35, 60, 65, 89};
  for (int i = 0; i <= 100; ++i) {
    if (changed.count(i)) {
      EXPECT_NE(GaugeAngle(2, i), GaugeAngle(1, i)) << i;
    } else {
      EXPECT_EQ(GaugeAngle(2, i), GaugeAngle(1, i)) << i;
    }
    EXPECT_NEAR(GaugeAngle(4, i), GaugeAngle(1, i), 0.5) << i;
  }
}

// Regression: no caller limits the index, so the table itself must never be read outside.
TEST(GaugeTables, IndicesOutsideATableAreClamped) {
  const struct {
    int gauge, index, clamped;
  } cases[] = {{1, -1, 0}, {1, 101, 100}, {3, 1 << 30, 220}, {4, 106, 105}, {5, -(1 << 30), 0},
               {5, 300, 300}, {0, 5, 0}, {6, 5, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(ClampGaugeIndex(c.gauge, c.index), c.clamped) << c.gauge << " " << c.index;
    EXPECT_EQ(GaugeAngle(c.gauge, c.index), GaugeAngle(c.gauge, c.clamped)) << c.gauge << " " << c.index;
  }
  EXPECT_EQ(GaugeLastIndex(0), -1);
  EXPECT_EQ(GaugeAngle(7, 3), 0.0);
}

TEST(GaugeNeedle, TheParallelogramTurnsClockwiseAboutThePivot) {
  POINT p[3];
  NeedleParallelogram(210, 22, 106, p);
  EXPECT_EQ(p[0].x, 94);
  EXPECT_EQ(p[0].y, 20);
  EXPECT_EQ(p[1].x, 116);
  EXPECT_EQ(p[2].y, 126);
  const struct {
    double degrees;
    POINT in, out;
  } cases[] = {{90, {105, 20}, {193, 108}}, {180, {105, 20}, {105, 196}}, {270, {105, 20}, {17, 108}},
               {45, {105, 8}, {175, 38}}};
  for (const auto& c : cases) {
    POINT q[3] = {c.in, c.in, c.in};
    TurnPoints(q, 105, 108, c.degrees);
    EXPECT_EQ(q[0].x, c.out.x) << c.degrees;
    EXPECT_EQ(q[0].y, c.out.y) << c.degrees;
  }
  // Gauge 1 at index 50 points straight up: the parallelogram does not move.
  POINT up[3];
  NeedleParallelogram(210, 22, 106, up);
  TurnPoints(up, 105, 108, GaugeAngle(1, 50));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(up[i].x, p[i].x);
    EXPECT_EQ(up[i].y, p[i].y);
  }
}

}  // namespace

