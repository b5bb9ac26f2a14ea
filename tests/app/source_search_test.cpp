// The start-up's search for the default source run ahead on its own thread: its answer (kind and
// path) is the search's, the search runs once per start and off the caller's thread, without a start
// it runs in Take, and neither Take nor the owner's end leaves a running search behind.
#include <windows.h>

#include <gtest/gtest.h>

#include "tavrin/app/main/source_search.h"

namespace {

using quill::app::SourceSearch;

LONG g_calls = 0;
DWORD g_thread = 0;
HANDLE g_release = nullptr;  // a search that waits for it holds its thread until the test says

int Found(int kind, const wchar_t* path, CString& out) {
  InterlockedIncrement(&g_calls);
  g_thread = GetCurrentThreadId();
  out = path;
  return kind;
}
int Card(CString& path) { return Found(1, L"E:", path); }
int Folder(CString& path) { return Found(2, L"C:\\drive", path); }
int Nothing(CString& path) { return Found(0, L"", path); }
int CardWhenReleased(CString& path) {
  WaitForSingleObject(g_release, 10000);
  return Card(path);
}

class SourceSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls = 0;
    g_thread = 0;
  }
};

TEST_F(SourceSearchTest, AStartedSearchRunsOnceOffTheCallersThreadAndGivesItsAnswer) {
  struct Case {
    SourceSearch::SearchFn search;
    int kind;
    const wchar_t* path;
  };
  for (const Case& c : {Case{&Card, 1, L"E:"}, Case{&Folder, 2, L"C:\\drive"}, Case{&Nothing, 0, L""}}) {
    SetUp();
    SourceSearch search;
    search.Start(c.search);
    // Take's own search is not used while a started one answers.
    const SourceSearch::Answer answer = search.Take(&Folder == c.search ? &Card : &Folder);
    EXPECT_EQ(answer.kind, c.kind);
    EXPECT_STREQ(answer.path.GetString(), c.path);
    EXPECT_EQ(g_calls, 1);
    EXPECT_NE(g_thread, GetCurrentThreadId());
  }
}

TEST_F(SourceSearchTest, WithoutAStartOrOnceTakenTheSearchRunsInTake) {
  SourceSearch search;
  EXPECT_EQ(search.Take(&Folder).kind, 2);
  EXPECT_EQ(g_thread, GetCurrentThreadId());
  search.Start(&Card);
  EXPECT_EQ(search.Take(&Card).kind, 1);
  // Taken once, the next source step searches again, here.
  const SourceSearch::Answer again = search.Take(&Folder);
  EXPECT_EQ(again.kind, 2);
  EXPECT_STREQ(again.path.GetString(), L"C:\\drive");
  EXPECT_EQ(g_calls, 3);
  EXPECT_EQ(g_thread, GetCurrentThreadId());
  EXPECT_EQ(SourceSearch().Take(nullptr).kind, 0);
}

// Take waits for a search still running; so does the end of the search's owner.
TEST_F(SourceSearchTest, TakeAndTheOwnersEndWaitForARunningSearch) {
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
  EXPECT_EQ(g_calls, 2) << "the owner ended before its search";
  CloseHandle(g_release);
}

}  // namespace
