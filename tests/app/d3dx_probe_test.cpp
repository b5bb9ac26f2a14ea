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

}  // namespace
