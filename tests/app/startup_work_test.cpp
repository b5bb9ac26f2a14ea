// The start-up's work run ahead on a thread of its own (the default source's search, the D3DX probe):
// its answer is the work's, the work runs once per start and off the caller's thread, without a start
// it runs in Take, neither Take nor the owner's end leaves running work behind, and the waits answer
// what the work's thread sends to the UI thread's windows while leaving posted messages queued.
#include <windows.h>

#include <gtest/gtest.h>

#include "tavrin/app/main/d3dx_probe.h"
#include "tavrin/app/main/source_search.h"

namespace {

using quill::app::SourceAnswer;
using quill::app::SourceSearch;

LONG g_calls = 0;
DWORD g_thread = 0;
HANDLE g_release = nullptr;  // work that waits for it holds its thread until the test says

SourceAnswer Found(int kind, const wchar_t* path) {
  InterlockedIncrement(&g_calls);
  g_thread = GetCurrentThreadId();
  SourceAnswer found;
  found.kind = kind;
  found.path = path;
  return found;
}
SourceAnswer Card() { return Found(1, L"E:"); }
SourceAnswer Folder() { return Found(2, L"C:\\drive"); }
SourceAnswer Nothing() { return Found(0, L""); }
SourceAnswer CardWhenReleased() {
  WaitForSingleObject(g_release, 10000);
  return Card();
}

// Work whose library start-up sends to a window of the waiting thread.
HWND g_window = nullptr;
bool g_answered = false;
SourceAnswer CardAfterSending() {
  DWORD_PTR result = 0;
  g_answered = SendMessageTimeoutW(g_window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
  return Card();
}

class StartupWorkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls = 0;
    g_thread = 0;
  }
};

TEST_F(StartupWorkTest, StartedWorkRunsOnceOffTheCallersThreadAndGivesItsAnswer) {
  struct Case {
    SourceSearch::WorkFn work;
    int kind;
    const wchar_t* path;
  };
  for (const Case& c : {Case{&Card, 1, L"E:"}, Case{&Folder, 2, L"C:\\drive"}, Case{&Nothing, 0, L""}}) {
    SetUp();
    SourceSearch search;
    search.Start(c.work);
    // Take's own work is not used while started work answers.
    const SourceAnswer answer = search.Take(&Folder == c.work ? &Card : &Folder);
    EXPECT_EQ(answer.kind, c.kind);
    EXPECT_STREQ(answer.path.GetString(), c.path);
    EXPECT_EQ(g_calls, 1);
    EXPECT_NE(g_thread, GetCurrentThreadId());
  }
}

TEST_F(StartupWorkTest, WithoutAStartOrOnceTakenTheWorkRunsInTake) {
  SourceSearch search;
  EXPECT_EQ(search.Take(&Folder).kind, 2);
  EXPECT_EQ(g_thread, GetCurrentThreadId());
  search.Start(&Card);
  EXPECT_EQ(search.Take(&Card).kind, 1);
  // Taken once, the next step does the work again, here.
  const SourceAnswer again = search.Take(&Folder);
  EXPECT_EQ(again.kind, 2);
  EXPECT_STREQ(again.path.GetString(), L"C:\\drive");
  EXPECT_EQ(g_calls, 3);
  EXPECT_EQ(g_thread, GetCurrentThreadId());
  EXPECT_EQ(SourceSearch().Take(nullptr).kind, 0);
  EXPECT_FALSE(quill::app::D3dxProbe().Take(nullptr));
}

// Take waits for work still running; so does the end of the work's owner.
TEST_F(StartupWorkTest, TakeAndTheOwnersEndWaitForRunningWork) {
  g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(g_release, nullptr);
  {
    SourceSearch search;
    search.Start(&CardWhenReleased);
    EXPECT_EQ(g_calls, 0);
    SetEvent(g_release);
    EXPECT_EQ(search.Take(nullptr).kind, 1);
    EXPECT_EQ(g_calls, 1);
  }
  ResetEvent(g_release);
  {
    SourceSearch search;
    search.Start(&CardWhenReleased);
    SetEvent(g_release);
  }
  EXPECT_EQ(g_calls, 2) << "the owner ended before its work";
  CloseHandle(g_release);
}

TEST_F(StartupWorkTest, TakeAnswersWhatTheWorksThreadSendsButLeavesPostedMessagesQueued) {
  g_window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(g_window, nullptr);
  g_answered = false;
  PostMessageW(g_window, WM_USER + 7, 0, 0);
  SourceSearch search;
  search.Start(&CardAfterSending);
  EXPECT_EQ(search.Take(nullptr).kind, 1);
  EXPECT_TRUE(g_answered) << "the work's send waited for its time-out";
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, g_window, WM_USER + 7, WM_USER + 7, PM_REMOVE)) << "a posted message ran";
  DestroyWindow(g_window);
}

}  // namespace
