// The recorder data readers over byte fixtures: the GPS and event records, the G-sensor header, the
// text fields of a record (decimals, degrees, the fix time) and the position table built from them.
#include "playcore/recorder/gps_records.h"

#include "playcore/recorder/gps_box_format.h"
#include "playcore/recorder/file_map.h"  // the record types
#include "playcore/recorder/position_table.h"
#include "playcore/recorder/record_text.h"
#include "tests/recorder/recorder_fixture.h"
#include "tests/recorder/recorder_test_util.h"

#include <cstring>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace playcore {
namespace {

using namespace quill::test;

// The bytes a box handler is given: the box from the byte after "CSODAT" on.
std::string DataOf(const std::string& box) { return box.substr(gpsbox::kDataOffset); }
const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

struct Parsed {
  std::vector<sGPSPOINT> points;
  std::vector<sEVENTRECORD> events;
  int32_t counter = 99;
  int answer = -1;
};

Parsed Parse(const std::string& data) {
  Parsed p;
  p.answer = ParseGpsEventRecords(Bytes(data), data.size(), &p.points, &p.events, &p.counter);
  return p;
}

// Every field of generated records is compared with the generator's manifest in recordings_test.cpp;
// these are the bytes the generator never writes.
TEST(GpsRecords, TypeAxisValidityAndNibblesFollowTheirBytes) {
  struct Case {
    char status, mark20, axis, mark22;
    int32_t valid, type, axisCode;
  } cases[] = {
      {'A', 'D', 'X', 'D', 1, 5, 2}, {'V', '-', 'Y', 'D', 0, 7, 3},
      {'a', '-', 'Z', '-', 0, -1, 1}, {'A', 'D', 'x', '-', 1, 5, 0},
  };
  std::vector<std::string> records;
  for (const Case& c : cases) {
    GpsRecordFields f;
    f.status = c.status;
    f.mark20 = c.mark20;
    f.axis = c.axis;
    f.mark22 = c.mark22;
    records.push_back(GpsRecordBytes(f));
  }
  records[1][0] = static_cast<char>(0xA9);  // the byte after record 0
  Parsed p = Parse(DataOf(GpsBox(GpsHeaderBytes(GpsHeaderFields()), records)));
  ASSERT_EQ(p.events.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(p.points[i].valid, cases[i].valid) << i;
    EXPECT_EQ(p.events[i].type, cases[i].type) << i;
    EXPECT_EQ(p.events[i].axis, cases[i].axisCode) << i;
    EXPECT_EQ(p.points[i].recordNumber, static_cast<int32_t>(i));
    EXPECT_EQ(p.events[i].positionKey, static_cast<int32_t>(i) * 100);
  }
  EXPECT_EQ(p.events[0].highNibble, 0xA);
  EXPECT_EQ(p.events[0].lowNibble, 0x9);
  EXPECT_EQ(p.events[1].highNibble, 2);  // '$' = 0x24
  EXPECT_EQ(p.events[1].lowNibble, 4);
  // The last record's byte after it is the 'C' of "CSOEND".
  EXPECT_EQ(p.events[3].highNibble, 4);
  EXPECT_EQ(p.events[3].lowNibble, 3);
  EXPECT_EQ(p.counter, 3);
}

// Regression: a count larger than the box (a damaged file) was read past the box and its view.
TEST(GpsRecords, ACountLargerThanTheBoxReadsOnlyTheRecordsThere) {
  std::string box = GpsBox(GpsHeaderBytes(GpsHeaderFields()), SampleRecords(3), 60000);
  std::string data = DataOf(box);
  // Exactly the bytes the box holds, followed by a no-access page.
  GuardedBytes exact(data);
  Parsed p;
  p.answer = ParseGpsEventRecords(exact.data(), exact.size(), &p.points, &p.events, &p.counter);
  EXPECT_EQ(p.answer, 1);
  EXPECT_EQ(p.points.size(), 3u);
  EXPECT_EQ(p.counter, 2);
  // Cut inside the second record: one whole record is left (the closing mark must fit after it).
  Parsed cut;
  cut.answer = ParseGpsEventRecords(exact.data(), 28 + 79 + 40, &cut.points, &cut.events, &cut.counter);
  EXPECT_EQ(cut.points.size(), 1u);
  EXPECT_EQ(AvailableGpsRecords(exact.data(), 27), 0u);
  EXPECT_EQ(ParseGpsEventRecords(exact.data(), 27, &cut.points, &cut.events, &cut.counter), 0);
}

TEST(GpsRecords, TheGpsOnlyWalkAppendsToWhatIsThereAndNoRecordsGiveMinusOne) {
  std::string data = DataOf(GpsBox(GpsHeaderBytes(GpsHeaderFields()), SampleRecords(5)));
  std::vector<sGPSPOINT> points(2);
  int32_t counter = 0;
  EXPECT_EQ(ParseGpsPoints(Bytes(data), data.size(), &points, &counter), 1);
  ASSERT_EQ(points.size(), 7u);
  EXPECT_EQ(points[2].recordNumber, 0);  // numbers restart for each box
  EXPECT_EQ(counter, 4);
  // No records: nothing appended and the counter at -1, for both walks.
  std::string none = DataOf(GpsBox(GpsHeaderBytes(GpsHeaderFields()), {}));
  EXPECT_EQ(ParseGpsPoints(Bytes(none), none.size(), &points, &counter), 1);
  EXPECT_EQ(counter, -1);
  Parsed empty = Parse(none);
  EXPECT_EQ(empty.answer, 1);
  EXPECT_TRUE(empty.points.empty() && empty.events.empty());
  EXPECT_EQ(empty.counter, -1);
}

sGSENSORSAMPLE SampleOf(const std::string& data, int* answer) {
  sGSENSORSAMPLE s = {};
  *answer = ParseSensorHeader(Bytes(data), data.size(), &s);
  return s;
}

TEST(SensorHeader, AChainedGroupReplacesTheFirst) {
  std::vector<std::string> records = SampleRecords(2);
  // Group 0's bytes 30-33 are record 0's bytes 2-5: "@CS" and an upper-case letter chain group 1,
  // which starts at record 0's byte 6.
  records[0].replace(2, 4, "@CSA");
  records[0].replace(6, 19, std::string("RAWRAW0100-2000300N", 19));
  int answer = 0;
  sGSENSORSAMPLE s = SampleOf(DataOf(GpsBox(GpsHeaderBytes(GpsHeaderFields()), records)), &answer);
  EXPECT_EQ(answer, 52);
  EXPECT_FLOAT_EQ(s.value1, 0.1f);
  EXPECT_FLOAT_EQ(s.value2, -0.2f);
  EXPECT_FLOAT_EQ(s.value3, 0.3f);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.raw), 6), "RAWRAW");
  records[0][5] = 'a';  // a lower-case letter ends the chain
  SampleOf(DataOf(GpsBox(GpsHeaderBytes(GpsHeaderFields()), records)), &answer);
  EXPECT_EQ(answer, 26);
}

TEST(SensorHeader, AnotherTagGivesNoSample) {
  GpsHeaderFields h;
  h.tag = 'Q';
  int answer = 1;
  sGSENSORSAMPLE s = SampleOf(DataOf(GpsBox(GpsHeaderBytes(h), {})), &answer);
  EXPECT_EQ(answer, 0);
  EXPECT_FLOAT_EQ(s.value1, -1.0f);
  EXPECT_FLOAT_EQ(s.value2, -1.0f);
  EXPECT_FLOAT_EQ(s.value3, -1.0f);
  EXPECT_EQ(s.tag, 'Q');
}

// Regression: the "@CS" chain could run past the box; a chain of groups to the end of the bytes stops
// there, keeping the last whole group.
TEST(SensorHeader, AChainRunningOffTheBytesStopsAtTheirEnd) {
  std::string data(34 * 3, '\0');
  for (int g = 0; g < 3; ++g) {
    std::string group = std::string("RAWRAW0001000200") + "03N" + std::string(11, ' ') + "@CSB";
    data.replace(34 * g, 34, group);
  }
  GuardedBytes exact(data.substr(0, data.size() - 20));  // group 3 is cut short
  sGSENSORSAMPLE s = {};
  EXPECT_EQ(ParseSensorHeader(exact.data(), exact.size(), &s), 52);
  EXPECT_EQ(ParseSensorHeader(exact.data(), 10, &s), 0);
  EXPECT_FLOAT_EQ(s.value1, -1.0f);
}


TEST(DecimalText, ReadsLikeAtofWithinTheFieldOnly) {
  struct Case {
    const char* text;
    size_t width;
    double expected;
  } cases[] = {
      {"3539.1234", 9, 3539.1234}, {"13945.6789", 10, 13945.6789}, {"0042", 4, 42.0},
      {"-0250", 5, -250.0},        {"+1000", 5, 1000.0},           {"  12", 4, 12.0},
      {"-034", 4, -34.0},          {"1e3", 3, 1000.0},             {"abcd", 4, 0.0},
      {"", 0, 0.0},                {"12.5xyz", 7, 12.5},
      // The field ends before the digits that follow it in the record.
      {"00422401", 4, 42.0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(ParseDecimalText(reinterpret_cast<const uint8_t*>(c.text), c.width), c.expected)
        << c.text;
  }
}

TEST(IntText, ReadsSignedSecondsLikeAtoi) {
  struct Case {
    const char* text;
    int32_t expected;
  } cases[] = {{"030", 30}, {"-10", -10}, {"+05", 5}, {" 7x", 7}, {"***", 0}, {"9999", 999}};
  for (const Case& c : cases) {
    size_t width = std::strlen(c.text) < 3 ? std::strlen(c.text) : 3;
    EXPECT_EQ(ParseIntText(reinterpret_cast<const uint8_t*>(c.text), width), c.expected) << c.text;
  }
}

TEST(Degrees, AreDegreesPlusMinutesOverSixtyWithTheHemisphereSign) {
  struct Case {
    const char* text;
    size_t width;
    uint8_t hemisphere;
    double expected;
  } cases[] = {
      {"3539.1234", 9, 'N', 35.0 + 39.1234 / 60.0},
      {"3539.1234", 9, 0, -(35.0 + 39.1234 / 60.0)},
      // Any non-zero byte counts as positive, even an 'S'.
      {"3539.1234", 9, 'S', 35.0 + 39.1234 / 60.0},
      {"13945.6789", 10, 0, -(139.0 + 45.6789 / 60.0)},
      {"0000.0000", 9, 'N', 0.0},
      {"9999999999", 10, 'E', 99999999.0 + 99.0 / 60.0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(DegreesFromText(reinterpret_cast<const uint8_t*>(c.text), c.width, c.hemisphere),
                c.expected, 1e-9)
        << c.text;
  }
}

SYSTEMTIME TimeOf(const std::string& time, const std::string& shift) {
  GpsRecordFields f;
  f.time = time;
  f.shift = shift;
  std::string record = GpsRecordBytes(f);
  SYSTEMTIME st = {};
  EXPECT_TRUE(ParseRecordTime(Bytes(record), record.size(), &st));
  return st;
}

std::string Text(const SYSTEMTIME& st) {
  char buf[64];
  snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
           st.wMinute, st.wSecond);
  return buf;
}

TEST(FixTime, IsTheTextTimeShiftedByTheSecondsOffset) {
  struct Case {
    const char* time;
    const char* shift;
    const char* expected;
  } cases[] = {
      {"240115093000", "***", "2024-01-15 09:30:00"},
      {"240115093000", "*99", "2024-01-15 09:30:00"},  // '*' at 44: no shift whatever follows
      {"240115093000", "030", "2024-01-15 09:30:30"},
      {"240115093000", "-10", "2024-01-15 09:29:50"},
      {"231231235959", "002", "2024-01-01 00:00:01"},
      {"240229120000", "***", "2024-02-29 12:00:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(TimeOf(c.time, c.shift)), c.expected) << c.time;
  EXPECT_EQ(TimeOf("240115093000", "***").wDayOfWeek, 1);  // a Monday
}

TEST(FixTime, ATextThatFormsNoTimeGivesTheEpochInLocalTime) {
  FILETIME utc = {}, local;
  ULARGE_INTEGER epoch;
  epoch.QuadPart = 11644473600ULL * 10000000ULL;
  utc.dwLowDateTime = epoch.LowPart;
  utc.dwHighDateTime = epoch.HighPart;
  SYSTEMTIME expected;
  ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local) && FileTimeToSystemTime(&local, &expected));
  for (const char* bad : {"241315093000", "240230093000", "2401150930ab", "            "}) {
    EXPECT_EQ(Text(TimeOf(bad, "030")), Text(expected)) << bad;
  }
  std::string record = GpsRecordBytes(GpsRecordFields());
  EXPECT_FALSE(ParseRecordTime(Bytes(record), 78, &expected)) << "a short record";
}

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
