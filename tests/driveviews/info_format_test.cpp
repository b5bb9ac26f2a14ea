// The info panel's texts: G values cut to hundredths, the speed, the date and time of a position,
// and the placeholder runs.
#include "tavrin/driveviews/info_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace quill::driveviews;

TEST(InfoTexts, GValuesAreCutTowardZeroToHundredths) {
  const struct {
    double g;
    const wchar_t* text;
  } cases[] = {{1.239, L"1.23G"}, {-0.456, L"-0.45G"}, {0.29, L"0.29G"}, {-4.99, L"-4.99G"}, {NAN, L"-0.00G"}};
  for (const auto& c : cases) EXPECT_EQ(FormatGValue(c.g), c.text) << c.g;
  EXPECT_FALSE(HasGValue(-5.0));
  EXPECT_FALSE(HasGValue(-7.5));
  EXPECT_TRUE(HasGValue(-4.99));
}

// Regression: cutting v x 100 in floating point drops a hundredth for 18 of the thousandths up to 3 G
// (0.29 is stored as 0.28999...); every value the recorder can write must show its own digits.
TEST(InfoTexts, EveryThousandthUpTo3GShowsItsOwnHundredths) {
  int wrong = 0;
  for (int k = -3000; k <= 3000; ++k) {
    const double g = k / 1000.0;
    const int hundredths = std::abs(k) / 10;
    wchar_t expected[32];
    swprintf(expected, 32, L"%s%d.%02dG", k < 0 ? L"-" : L"",
             hundredths / 100, hundredths % 100);
    if (FormatGValue(g) != expected) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
}

TEST(InfoTexts, TheSpeedIsShownWithAFixAndLimitedTo999) {
  const struct {
    double speed;
    const wchar_t* text;
  } cases[] = {{1234.4, L"999 "}, {999.0, L"999 "}, {57.4, L"57 "}, {0.0, L"0 "}, {NAN, L"999 "}};
  for (const auto& c : cases) EXPECT_EQ(FormatSpeed(c.speed), c.text) << c.speed;
  const struct {
    int fix;
    double speed;
    bool shown;
  } shown[] = {{1, 0.0, true}, {1, 80.0, true}, {0, 80.0, false}, {1, -1.0, false}, {1, NAN, false}};
  for (const auto& c : shown) EXPECT_EQ(HasSpeed(c.fix, c.speed), c.shown) << c.fix << " " << c.speed;
}

SYSTEMTIME Time(int y, int mo, int d, int h, int mi, int s) {
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(y);
  t.wMonth = static_cast<WORD>(mo);
  t.wDay = static_cast<WORD>(d);
  t.wHour = static_cast<WORD>(h);
  t.wMinute = static_cast<WORD>(mi);
  t.wSecond = static_cast<WORD>(s);
  return t;
}

TEST(InfoTexts, APositionsTimeIsTheStartPlusIndexTimesTheTimeScale) {
  const struct {
    const char* name;
    SYSTEMTIME start;
    int index;
    float ms;
    const wchar_t* text;  // null: the placeholder
  } cases[] = {
      {"ten seconds in", Time(2024, 1, 1, 0, 0, 0), 300, 33.3667f, L"2024/01/01 00:00:10"},
      {"across midnight", Time(2024, 3, 15, 23, 59, 58), 90, 33.3667f, L"2024/03/16 00:00:01"},
      {"late years shift", Time(2055, 6, 1, 12, 0, 0), 0, 33.0f, L"2020/06/01 12:00:00"},
      {"2049 stays", Time(2049, 6, 1, 12, 0, 0), 0, 33.0f, L"2049/06/01 12:00:00"},
      {"no time scale", Time(2024, 1, 1, 8, 0, 0), 500, 0.0f, L"2024/01/01 08:00:00"},
      {"month 0 (no fix)", Time(2024, 0, 1, 0, 0, 0), 10, 33.0f, nullptr},
      {"all zero", Time(0, 0, 0, 0, 0, 0), 10, 33.0f, nullptr},
      {"hour 25", Time(2024, 1, 1, 25, 0, 0), 10, 33.0f, nullptr},
      {"no sample", Time(2024, 1, 1, 0, 0, 0), -1, 33.0f, nullptr},
      {"time scale not a number", Time(2024, 1, 1, 0, 0, 0), 10, NAN, nullptr},
      {"negative time scale", Time(2024, 1, 1, 0, 0, 0), 10, -33.0f, nullptr},
  };
  for (const auto& c : cases) {
    SYSTEMTIME at{};
    const bool ok = PositionTime(c.start, c.index, c.ms, &at);
    EXPECT_EQ(ok, c.text != nullptr) << c.name;
    if (ok && c.text) {
      EXPECT_EQ(FormatDateTime(at), c.text) << c.name;
    }
  }
}

TEST(InfoTexts, PlaceholdersSplitIntoRunsOfDashesAndZerosAndStopAtG) {
  using Runs = std::vector<std::wstring>;
  EXPECT_EQ(PlaceholderRuns(kGPlaceholder), (Runs{L"-0", L".", L"00"}));
  EXPECT_EQ(PlaceholderRuns(kDatePlaceholder),
            (Runs{L"0000", L"/", L"00", L"/", L"00", L" ", L"00", L":", L"00", L":", L"00"}));
  EXPECT_EQ(PlaceholderRuns(L"G00"), Runs{});
  EXPECT_EQ(PlaceholderRuns(L""), Runs{});
  EXPECT_EQ(PlaceholderRuns(L"a-b"), (Runs{L"a", L"-", L"b"}));
}

}  // namespace
