#include "playcore/recorder/position_table.h"

#include "playcore/recorder/file_map.h"  // the record types

#include <gtest/gtest.h>

#include <vector>

namespace playcore {
namespace {

struct Records {
  std::vector<sGPSPOINT> points;
  std::vector<sEVENTRECORD> events;
  std::vector<sEVENTRECORD*> table;
};

// n GPS points and events as the record reader makes them: keys 100k, raw values given.
Records Make(int points, int events, std::vector<double> v1 = {}) {
  Records r;
  for (int k = 0; k < points; ++k) {
    sGPSPOINT p = {};
    p.recordNumber = k;
    p.positionKey = k * 100;
    r.points.push_back(p);
  }
  for (int k = 0; k < events; ++k) {
    sEVENTRECORD e = {};
    e.recordNumber = k;
    e.positionKey = k * 100;
    e.value1 = k < static_cast<int>(v1.size()) ? v1[k] : 0.0;
    r.events.push_back(e);
  }
  return r;
}

int Index(const Records& r, const sEVENTRECORD* e) {
  return e ? static_cast<int>(e - r.events.data()) : -1;
}

TEST(PositionTable, TenEventsOverFivePositionsStepByTwo) {
  Records r = Make(10, 10);
  sPEAKVALUES peaks;
  // Time scale 200: keys 0, 0, 1, 1, 2, 2, 3, 3, 4, 4.
  ASSERT_EQ(BuildPositionTable(&r.points, &r.events, &r.table, 200.0f, 5, &peaks), 1);
  ASSERT_EQ(r.table.size(), 5u);
  std::vector<int> got;
  for (sEVENTRECORD* e : r.table) got.push_back(Index(r, e));
  EXPECT_EQ(got, (std::vector<int>{0, 2, 4, 6, 9}));
  EXPECT_EQ(r.events[3].positionKey, 1);
  EXPECT_EQ(r.points[9].positionKey, 4);
}

TEST(PositionTable, MorePositionsThanEventsStepByOneAndHoldTheLast) {
  Records r = Make(3, 3);
  sPEAKVALUES peaks;
  // Time scale 50: keys 0, 2, 4.
  ASSERT_EQ(BuildPositionTable(&r.points, &r.events, &r.table, 50.0f, 7, &peaks), 1);
  std::vector<int> got;
  for (sEVENTRECORD* e : r.table) got.push_back(Index(r, e));
  // An event takes over from the position after its own key.
  EXPECT_EQ(got, (std::vector<int>{0, 0, 0, 1, 1, 2, 2}));
}

// Regression: with no events the table was filled from the last element of an empty vector.
TEST(PositionTable, NoEventsLeaveTheEntriesNull) {
  Records r = Make(4, 0);
  r.table.assign(2, reinterpret_cast<sEVENTRECORD*>(&r));  // stale entries from an earlier movie
  sPEAKVALUES peaks = {{1, 1, 1}, 1};
  ASSERT_EQ(BuildPositionTable(&r.points, &r.events, &r.table, 33.0f, 6, &peaks), 1);
  ASSERT_EQ(r.table.size(), 6u);
  for (sEVENTRECORD* e : r.table) EXPECT_EQ(e, nullptr);
  EXPECT_EQ(peaks.peak, 0.0);
  EXPECT_EQ(r.points[0].eventLink, nullptr);
}

TEST(PositionTable, RefusesWhatCannotGivePositions) {
  Records r = Make(2, 2);
  sPEAKVALUES peaks;
  EXPECT_EQ(BuildPositionTable(&r.points, &r.events, &r.table, 33.0f, 0, &peaks), 0);
  EXPECT_EQ(BuildPositionTable(&r.points, &r.events, &r.table, 0.0f, 10, &peaks), 0);  // stts < 1000
  EXPECT_EQ(BuildPositionTable(&r.points, &r.events, &r.table, -3.0f, 10, &peaks), 0);
  EXPECT_EQ(BuildPositionTable(&r.points, nullptr, &r.table, 33.0f, 10, &peaks), 0);
  EXPECT_EQ(r.events[1].positionKey, 100);  // untouched
}

TEST(PositionTable, EventValuesBecomeNudgedDifferences) {
  Records r = Make(0, 5, {1.0, 1.5, 1.5, 0.25, 0.3});
  for (sEVENTRECORD& e : r.events) {
    e.value2 = -e.value1;
    e.value3 = 2 * e.value1;
  }
  sPEAKVALUES peaks;
  ASSERT_EQ(BuildPositionTable(&r.points, &r.events, &r.table, 100.0f, 5, &peaks), 1);
  const double expected[] = {0.0, 0.505, 0.0, -1.255, 0.055};
  for (int i = 0; i < 5; ++i) {
    EXPECT_NEAR(r.events[i].value1, expected[i], 1e-12) << i;
    EXPECT_NEAR(r.events[i].value2, -expected[i], 1e-12) << i;
  }
  EXPECT_NEAR(r.events[3].value3, -2.505, 1e-12);
  // No GPS points: the link pass and the peak are skipped.
  EXPECT_EQ(peaks.peak, 0.0);
}

TEST(PositionTable, LinksPointEventsAtPointsThreeBehindAndFindThePeak) {
  Records r = Make(6, 6, {0.0, 0.2, -0.5, 0.1, 0.1, 0.4});
  sPEAKVALUES peaks;
  ASSERT_EQ(BuildPositionTable(&r.points, &r.events, &r.table, 100.0f, 6, &peaks), 1);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(r.points[i].eventLink, &r.events[i]) << i;
    // After event i the point cursor stands at i + 1 (at most the last point).
    int g = i + 1 < 6 ? i + 1 : 5;
    EXPECT_EQ(r.events[i].gpsLink, &r.points[g >= 3 ? g - 3 : 0]) << i;
  }
  EXPECT_NEAR(peaks.axis[0], 0.705, 1e-12);  // |-0.5 - 0.2| + 0.005
  EXPECT_NEAR(peaks.peak, 0.705, 1e-12);
}

}  // namespace
}  // namespace playcore
