// What a position read answers for each clock read.
#include <gtest/gtest.h>

#include "playcore/player/session_transport.h"

namespace playcore {
namespace {

// Regression: a read while paused at 0 asked the clock again ten times with a pause between, so
// every position read of the UI thread slept 100 ms.
TEST(AnswerClockRead, OnlyAStartedClockReadingZeroIsAskedAgain) {
  constexpr LONGLONG kKnown = 4500000;
  const struct {
    const char* name;
    LONGLONG read;
    bool started;
    bool paused;
    LONGLONG answer;
    bool retry;
  } cases[] = {
      {"started, just after a start", 0, true, false, 0, true},
      {"started, running", 7000000, true, false, 7000000, false},
      {"paused at 0", 0, false, true, kKnown, false},
      {"paused elsewhere", 3000000, false, true, 3000000, false},
      {"stopped", 0, false, false, 0, false},
  };
  for (const auto& c : cases) {
    bool retry = !c.retry;
    EXPECT_EQ(c.answer, AnswerClockRead(c.read, c.started, c.paused, kKnown, &retry)) << c.name;
    EXPECT_EQ(c.retry, retry) << c.name;
  }
}

}  // namespace
}  // namespace playcore
