// The connectivity watch and the update thread: the map host's flags after the first test, and
// stopping both threads while the update dialog is shown or a connection test hangs.
#include <gtest/gtest.h>

#include <atomic>

#include "tavrin/app/connectivity_watch.h"
#include "tavrin/app/inet_session.h"
#include "tavrin/driveviews/map_wrap.h"
#include "tavrin/skin/app_fonts.h"
#include "tests/dialogs/loopback.h"

namespace {

using namespace quill::app;
using quill::test::LoopbackSite;

constexpr DWORD kSafetyNetMs = 60000;  // only catches a hang

CInetConnectionAsync::Config LoopbackConfig(const char* mode) {
  CInetConnectionAsync::Config c;
  c.mapCheckUrl = LoopbackSite("");
  c.update = UpdateAddressesAt(LoopbackSite(mode));
  c.programVersion = L"2.0.2";
  c.intervalMs = 50;
  return c;
}

// Waits on a condition another thread makes true, pumping nothing (the flags are plain values).
template <typename Pred>
bool WaitFor(Pred done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > kSafetyNetMs) return false;
    Sleep(5);
  }
  return true;
}

TEST(ConnectivityWatch, TheMapFlagsAreKnownAfterTheFirstTest) {
  if (LoopbackSite("").empty()) GTEST_SKIP() << "needs the loopback server";
  const std::pair<std::wstring, bool> hosts[] = {{LoopbackSite(""), true}, {L"http://127.0.0.1:9/", false}};
  for (const auto& [url, online] : hosts) {
    driveviews::MapConnectivity flags;
    CInetConnectionAsync::Config c = LoopbackConfig("current");
    c.mapCheckUrl = url;
    CInetConnectionAsync watch(c);
    ASSERT_TRUE(watch.StartConnectivity(ConnectivitySinkFor(flags)));
    ASSERT_TRUE(WaitFor([&] { return flags.Known(); }));
    EXPECT_EQ(flags.Online(), online);
    EXPECT_TRUE(watch.Stop());
  }
}

// Signals an event when the last copy of a worker's configuration goes, that is when the worker ended.
struct GoneSignal {
  explicit GoneSignal(HANDLE e) : event(e) {}
  ~GoneSignal() { SetEvent(event); }
  HANDLE event;
};

// A connection test that does not return: Stop gives up after its wait, and when the test finally
// returns its result reaches nobody and the worker ends by itself.
TEST(ConnectivityWatch, StopLetsAHangingTestGoAndNothingArrivesAfterIt) {
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE gone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<int> calls{0};
  {
    auto signal = std::make_shared<GoneSignal>(gone);
    CInetConnectionAsync::Config c = LoopbackConfig("current");
    c.test = [release, entered, signal](const std::wstring&) {
      SetEvent(entered);
      WaitForSingleObject(release, INFINITE);
      return true;
    };
    signal.reset();
    CInetConnectionAsync watch(c);
    ASSERT_TRUE(watch.StartConnectivity([&calls](bool, bool) { ++calls; }));
    ASSERT_EQ(WaitForSingleObject(entered, kSafetyNetMs), WAIT_OBJECT_0);
    EXPECT_FALSE(watch.Stop());
  }
  SetEvent(release);
  ASSERT_EQ(WaitForSingleObject(gone, kSafetyNetMs), WAIT_OBJECT_0);
  EXPECT_EQ(calls.load(), 0);
  for (HANDLE h : {release, entered, gone}) CloseHandle(h);
}

TEST(UpdateThread, ShutDownWithBothThreadsRunningAndTheDialogShownEndsBoth) {
  if (LoopbackSite("").empty()) GTEST_SKIP() << "needs the loopback server";
  InitAppFontsAndLanguage(nullptr);
  driveviews::MapConnectivity flags;
  CInetConnectionAsync watch(LoopbackConfig("newviewer"));
  ASSERT_TRUE(watch.StartConnectivity(ConnectivitySinkFor(flags)));
  ASSERT_TRUE(watch.StartUpdateCheck(L"1.2.3"));
  ASSERT_TRUE(watch.WaitUpdateDecided(kSafetyNetMs));
  const HWND dialog = watch.UpdateDialogWindow();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(IsWindowVisible(dialog));
  SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // the close button only hides it
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_TRUE(IsWindow(dialog));
  ShowWindow(dialog, SW_SHOWNA);
  ASSERT_TRUE(WaitFor([&] { return flags.Known(); }));
  EXPECT_TRUE(watch.Stop());  // both ended within the stop wait
  EXPECT_FALSE(IsWindow(dialog));
}

}  // namespace
