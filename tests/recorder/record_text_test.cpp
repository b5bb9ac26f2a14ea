#include "playcore/recorder/record_text.h"

#include "tests/recorder/recorder_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace playcore {
namespace {

using quill::test::GpsRecordBytes;
using quill::test::GpsRecordFields;

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

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

}  // namespace
}  // namespace playcore
