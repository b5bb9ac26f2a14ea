// The after-start steps' D3DX probe run ahead on its own thread: its answer is the probe's, the
// probe runs once per start and off the caller's thread, and without a start the probe runs in Take.
#include <windows.h>

#include <gtest/gtest.h>

#include "tavrin/app/main/d3dx_probe.h"

namespace {

using quill::app::D3dxProbe;

LONG g_calls = 0;
DWORD g_thread = 0;
HANDLE g_release = nullptr;  // a probe that waits for it holds its thread until the test says

bool Present() {
  InterlockedIncrement(&g_calls);
  g_thread = GetCurrentThreadId();
  return true;
}

bool Missing() {
  InterlockedIncrement(&g_calls);
  g_thread = GetCurrentThreadId();
  return false;
}

// A probe whose library start-up sends to a window of the waiting thread.
HWND g_window = nullptr;
bool g_answered = false;
bool PresentAfterSending() {
  DWORD_PTR result = 0;
  g_answered = SendMessageTimeoutW(g_window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
  return Present();
}

bool PresentWhenReleased() {
  WaitForSingleObject(g_release, 10000);
  return Present();
}

class D3dxProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls = 0;
    g_thread = 0;
  }
};

TEST_F(D3dxProbeTest, AStartedProbeRunsOnceOffTheCallersThreadAndGivesItsAnswer) {
  struct Case {
    D3dxProbe::ProbeFn probe;
    bool answer;
  };
  for (const Case& c : {Case{&Present, true}, Case{&Missing, false}}) {
    SetUp();
    D3dxProbe probe;
    probe.Start(c.probe);
    // Take's own probe is not used while a started one answers.
    EXPECT_EQ(probe.Take(&Missing == c.probe ? &Present : &Missing), c.answer);
    EXPECT_EQ(g_calls, 1);
    EXPECT_NE(g_thread, GetCurrentThreadId());
  }
}

TEST_F(D3dxProbeTest, WithoutAStartOrOnceTakenTheProbeRunsInTake) {
  D3dxProbe probe;
  EXPECT_FALSE(probe.Take(&Missing));
  EXPECT_EQ(g_thread, GetCurrentThreadId());
  probe.Start(&Present);
  EXPECT_TRUE(probe.Take(&Present));
  // A second after-start pass probes again, as it did before the probe ran ahead.
  EXPECT_FALSE(probe.Take(&Missing));
  EXPECT_EQ(g_calls, 3);
  EXPECT_EQ(g_thread, GetCurrentThreadId());
  EXPECT_FALSE(D3dxProbe().Take(nullptr));
}

// Take waits for a probe still loading; so does the end of the probe's owner.
TEST_F(D3dxProbeTest, TakeAndTheOwnersEndWaitForARunningProbe) {
  g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(g_release, nullptr);
  {
    D3dxProbe probe;
    probe.Start(&PresentWhenReleased);
    EXPECT_EQ(g_calls, 0);
    SetEvent(g_release);
    EXPECT_TRUE(probe.Take(nullptr));
    EXPECT_EQ(g_calls, 1);
  }
  ResetEvent(g_release);
  {
    D3dxProbe probe;
    probe.Start(&PresentWhenReleased);
    SetEvent(g_release);
  }
  EXPECT_EQ(g_calls, 2) << "the owner ended before its probe";
  CloseHandle(g_release);
}

// The wait takes what the probe's thread sends to the waiting thread's windows, and nothing posted.
TEST_F(D3dxProbeTest, TakeAnswersWhatTheProbesThreadSendsButLeavesPostedMessagesQueued) {
  g_window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(g_window, nullptr);
  g_answered = false;
  PostMessageW(g_window, WM_USER + 7, 0, 0);
  D3dxProbe probe;
  probe.Start(&PresentAfterSending);
  EXPECT_TRUE(probe.Take(nullptr));
  EXPECT_TRUE(g_answered) << "the probe's send waited for its time-out";
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, g_window, WM_USER + 7, WM_USER + 7, PM_REMOVE)) << "a posted message ran";
  DestroyWindow(g_window);
}

}  // namespace
