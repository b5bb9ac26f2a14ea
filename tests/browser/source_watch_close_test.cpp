// Closing while the source watch hangs in a check of its path (a network share that stopped
// answering): the watch object goes at once, and its thread ends on its own later without a report.
#include "tavrin/browser/browser_owner.h"
#include "tavrin/browser/movie_watch.h"

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

namespace {

HANDLE g_release = nullptr;
std::atomic<int> g_checks{0};

bool HangingCheck(const wchar_t*) {
  ++g_checks;
  WaitForSingleObject(g_release, INFINITE);
  return false;  // and then the path is gone
}

std::set<DWORD> ThreadIds() {
  std::set<DWORD> ids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 te = {};
  te.dwSize = sizeof te;
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te)) {
    if (te.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(te.th32ThreadID);
  }
  CloseHandle(snap);
  return ids;
}

TEST(SourceWatchClose, AHangingCheckDoesNotHoldUpClosing) {
  g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  const std::set<DWORD> before = ThreadIds();
  auto* watch = new CMovieResource(owner, &HangingCheck);
  HANDLE thread = nullptr;
  for (DWORD id : ThreadIds()) {
    if (!before.count(id)) thread = OpenThread(SYNCHRONIZE, FALSE, id);
  }
  ASSERT_NE(thread, nullptr);
  watch->SetPath(L"\\\\unreachable\\share");
  for (DWORD start = GetTickCount(); g_checks.load() == 0 && GetTickCount() - start < 10000;) SwitchToThread();
  ASSERT_GT(g_checks.load(), 0);

  HANDLE closed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread closer([&] {
    delete watch;
    SetEvent(closed);
  });
  // The limit is a safety net: the object goes within its own bounded wait.
  EXPECT_EQ(WaitForSingleObject(closed, 10000), WAIT_OBJECT_0);
  SetEvent(g_release);
  closer.join();
  EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);  // ended on its own
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, owner, quill::browser::kMsgSourceVanished, quill::browser::kMsgSourceVanished,
                            PM_REMOVE));
  CloseHandle(thread);
  CloseHandle(closed);
  CloseHandle(g_release);
  DestroyWindow(owner);
}

}  // namespace
