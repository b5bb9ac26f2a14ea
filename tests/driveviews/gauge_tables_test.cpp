// The needle gauges' angle tables: their steady rise with one wrap, the clamp of the value index, and
// the needle's turn.
#include "tavrin/driveviews/gauge_tables.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace quill::driveviews;

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

