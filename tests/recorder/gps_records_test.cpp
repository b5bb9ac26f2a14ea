#include "playcore/recorder/gps_records.h"

#include "playcore/recorder/gps_box_format.h"
#include "tests/recorder/recorder_fixture.h"
#include "tests/recorder/recorder_test_util.h"

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

}  // namespace
}  // namespace playcore
