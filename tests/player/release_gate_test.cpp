// The gate of the session's release notices under Wine, against a close while a notice is passing.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "platform/com/com_ptr.h"
#include "playcore/player/stream_sink_guard.h"

namespace playcore {
namespace {

// Regression: the gate was tested outside any lock, so the player could close it, and then close the
// session, while a notice that had passed the test was still on its way to the session.
TEST(ReleaseNoticeGate, ACloseWaitsForTheNoticePassingAndNoneFollows) {
  constexpr DWORD kSafetyMs = 5000;
  constexpr DWORD kOvertakeMs = 200;  // time given to a close to overtake the notice; it must not
  ReleaseNoticeGate gate;
  quill::com::Handle inside(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  quill::com::Handle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  quill::com::Handle closed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::atomic<bool> closedWhilePassing{false};
  std::atomic<int> notices{0};
  const auto notice = [&] {
    ++notices;
    SetEvent(inside.get());
    WaitForSingleObject(release.get(), kSafetyMs);
    closedWhilePassing = WaitForSingleObject(closed.get(), 0) == WAIT_OBJECT_0;
    return S_OK;
  };
  std::thread passing([&] { gate.Pass(notice); });
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(inside.get(), kSafetyMs));
  std::thread closer([&] {
    gate.Close();
    SetEvent(closed.get());
  });
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(closed.get(), kOvertakeMs)) << "the close did not wait";
  SetEvent(release.get());
  passing.join();
  closer.join();
  EXPECT_FALSE(closedWhilePassing.load());
  EXPECT_EQ(S_OK, gate.Pass(notice));
  EXPECT_EQ(1, notices.load()) << "no notice after the close";
}

}  // namespace
}  // namespace playcore
