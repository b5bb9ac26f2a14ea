// The gate of the session's release notices under Wine, against a close that comes while a notice is
// passing it.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "playcore/player/stream_sink_guard.h"

namespace playcore {
namespace {

constexpr DWORD kSafetyMs = 5000;
// How long a close is given to overtake the passing notice; it must not in any case.
constexpr DWORD kOvertakeMs = 200;

// Regression: the gate was tested outside any lock, so the player could close it, and then close the
// session, while a notice that had already passed the test was still on its way to the session.
TEST(ReleaseNoticeGate, ACloseWaitsForTheNoticePassingAndNoneFollows) {
  ReleaseNoticeGate gate;
  HANDLE inside = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE closed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(inside && release && closed);
  std::atomic<bool> closedWhilePassing{false};
  std::atomic<int> notices{0};
  std::thread notice([&] {
    gate.Pass([&] {
      ++notices;
      SetEvent(inside);
      WaitForSingleObject(release, kSafetyMs);
      closedWhilePassing = WaitForSingleObject(closed, 0) == WAIT_OBJECT_0;
      return S_OK;
    });
  });
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(inside, kSafetyMs));
  std::thread closer([&] {
    gate.Close();
    SetEvent(closed);
  });
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(closed, kOvertakeMs)) << "the close did not wait";
  SetEvent(release);
  notice.join();
  closer.join();
  EXPECT_FALSE(closedWhilePassing.load());
  EXPECT_EQ(S_OK, gate.Pass([&] {
    ++notices;
    return S_OK;
  }));
  EXPECT_EQ(1, notices.load()) << "no notice after the close";
  CloseHandle(inside);
  CloseHandle(release);
  CloseHandle(closed);
}

}  // namespace
}  // namespace playcore
