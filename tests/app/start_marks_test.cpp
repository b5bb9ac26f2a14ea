// The start-up marks as published: microseconds from the entry, plus 1, for every marked step.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tavrin/app/main/start_marks.h"

namespace {

using quill::app::StartPropertyValues;
using quill::app::StartStep;
using Ticks = std::array<int64_t, static_cast<size_t>(StartStep::kCount)>;

constexpr size_t Index(StartStep s) { return static_cast<size_t>(s); }

struct Case {
  const char* name;
  int64_t perSecond;
  int64_t entry;
  int64_t skin;   // the skin step's mark; 0 = not marked
  uintptr_t expected;  // the skin step's published value
};

TEST(StartMarks, PublishedValuesAreMicrosecondsFromTheEntryPlusOne) {
  const Case cases[] = {
      {"10 MHz counter, 12.5 ms", 10000000, 5000000, 5125000, 12501},
      {"the entry itself is 1", 10000000, 5000000, 5000000, 1},
      {"not marked", 10000000, 5000000, 0, 0},
      {"marked before the entry (another clock) is left out", 10000000, 5000000, 4000000, 0},
      {"3 GHz counter, 4000 s: ticks x 10^6 would overflow", 3000000000LL, 1, 1 + 3000000000LL * 4000,
       4000000001u},
      {"an odd counter rate rounds down", 3, 3, 4, 333334},
      {"longer than a property holds is left out", 10000000, 1, 1 + 10000000LL * 5000, 0},
  };
  for (const Case& c : cases) {
    Ticks ticks = {};
    ticks[Index(StartStep::kEntry)] = c.entry;
    ticks[Index(StartStep::kSkinImages)] = c.skin;
    const auto values = StartPropertyValues(ticks, c.perSecond);
    EXPECT_EQ(values[Index(StartStep::kSkinImages)], c.expected) << c.name;
    EXPECT_EQ(values[Index(StartStep::kEntry)], 1u) << c.name;
    EXPECT_EQ(values[Index(StartStep::kFonts)], 0u) << c.name << ": an unmarked step is published";
  }
}

TEST(StartMarks, NothingIsPublishedWithoutTheEntryOrACounterRate) {
  Ticks ticks = {};
  ticks[Index(StartStep::kSkinImages)] = 100;
  for (uintptr_t v : StartPropertyValues(ticks, 10000000)) EXPECT_EQ(v, 0u);
  ticks[Index(StartStep::kEntry)] = 50;
  for (uintptr_t v : StartPropertyValues(ticks, 0)) EXPECT_EQ(v, 0u);
}

// The open marks on a window: each step once, only after the one before it, all gone at the next open.
TEST(OpenMarks, MarksEachStepOnceInOrderAndClearsThemAtTheNextOpen) {
  using quill::app::MarkOpen;
  using quill::app::OpenStep;
  HWND w = CreateWindowW(L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  auto value = [&](const wchar_t* name) {
    return reinterpret_cast<uintptr_t>(GetPropW(w, (std::wstring(quill::app::kOpenPropPrefix) + name).c_str()));
  };
  MarkOpen(w, OpenStep::kTimerWaited);
  EXPECT_EQ(value(L"timer"), 0u) << "marked before any open";
  MarkOpen(w, OpenStep::kPrepared);
  MarkOpen(w, OpenStep::kTimerWaited);
  MarkOpen(w, OpenStep::kClosed);
  MarkOpen(w, OpenStep::kStarted);  // the steps between were never reached
  MarkOpen(w, OpenStep::kFirstTick);
  EXPECT_GE(value(L"prepared"), 1u);
  EXPECT_GE(value(L"timer"), value(L"prepared"));
  EXPECT_GE(value(L"closed"), value(L"timer"));
  EXPECT_EQ(value(L"started"), 0u) << "a step marked without the one before it";
  EXPECT_EQ(value(L"first-tick"), 0u);
  const uintptr_t closed = value(L"closed");
  MarkOpen(w, OpenStep::kClosed);
  EXPECT_EQ(value(L"closed"), closed) << "a step's first mark was overwritten";
  MarkOpen(w, OpenStep::kPrepared);
  EXPECT_EQ(value(L"timer"), 0u) << "the previous open's marks stay";
  EXPECT_EQ(value(L"closed"), 0u);
  DestroyWindow(w);
}

}  // namespace
