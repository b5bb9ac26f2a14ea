// A card reader without a card, or a card pulled while the program looks at it: every probe of such a
// drive runs with the system's critical-error box turned off for its thread, and afterwards the
// thread's own error mode is back as it was. Closing while the source watch hangs in a check of its
// path (a share that stopped answering): the watch object goes at once, its thread ends on its own.
#include "tavrin/browser/browser_owner.h"
#include "tavrin/browser/movie_watch.h"
#include "tavrin/browser/recording_pair.h"
#include "tavrin/browser/recording_probe.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/window_utils.h"
#include "tests/names/card_fixture.h"
#include "tests/skin/removable_drive.h"
#include "tests/support/test_env.h"

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>

namespace {

using quill::test::TempDir;

std::atomic<int> g_probes{0};
std::atomic<int> g_loudProbes{0};

int ProbeNotingErrorMode(const wchar_t*) {
  ++g_probes;
  if (!(GetThreadErrorMode() & SEM_FAILCRITICALERRORS)) ++g_loudProbes;
  return 1;
}

struct ScanCase {
  const char* what;
  std::function<void(const std::wstring& card)> run;
};

const ScanCase kScans[] = {
    {"drive scan", [](const std::wstring& card) {
       RecordingList list, rows;
       ScanRecordingFolders(card.c_str(), nullptr, nullptr, list, &rows, kScanDayFolders, true, nullptr, 0);
     }},
    {"folder scan", [](const std::wstring& card) {
       RecordingList list;
       ScanRecordingFolders((card + L"\\20240101_001").c_str(), nullptr, nullptr, list, nullptr,
                            kScanFolderTree, true, nullptr, 0);
     }},
    {"collection", [](const std::wstring& card) {
       RecordingList list;
       ScanRecordingTree(card.c_str(), list, nullptr, 0);
     }},
    {"filter mask", [](const std::wstring& card) {
       uint32_t mask = 0;
       GetFolderFilterMask((card + L"\\20240101_001").c_str(), mask);
     }},
};

TEST(DriveErrorBox, ScansProbeWithTheBoxOffAndRestoreTheThreadsMode) {
  TempDir dir;
  const std::wstring card = dir.path() + L"card";
  ASSERT_TRUE(quill::test::MakeFolders(card + L"\\20240101_001"));
  ASSERT_TRUE(quill::test::WriteTinyRecording(card + L"\\20240101_001\\001_120000A_M.MP4"));
  SetRecordingProbe(&ProbeNotingErrorMode);
  for (const ScanCase& c : kScans) {
    SCOPED_TRACE(c.what);
    g_probes = 0;
    g_loudProbes = 0;
    SetThreadErrorMode(0, nullptr);
    c.run(card);
    EXPECT_GT(g_probes.load(), 0);
    EXPECT_EQ(g_loudProbes.load(), 0);
    EXPECT_EQ(GetThreadErrorMode(), 0u);
  }
  SetRecordingProbe(nullptr);
}

std::atomic<int> g_watchChecks{0};
std::atomic<int> g_loudWatchChecks{0};

bool ExistsNotingErrorMode(const wchar_t*) {
  if (!(GetThreadErrorMode() & SEM_FAILCRITICALERRORS)) ++g_loudWatchChecks;
  ++g_watchChecks;
  return true;
}

TEST(DriveErrorBox, TheSourceWatchChecksWithTheBoxOff) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  {
    CMovieResource watch(owner, &ExistsNotingErrorMode);
    watch.SetPath(L"E:");
    // The limit only ends a failing run.
    for (DWORD start = GetTickCount(); g_watchChecks.load() < 2 && GetTickCount() - start < 10000;) Sleep(10);
  }
  EXPECT_GE(g_watchChecks.load(), 2);
  EXPECT_EQ(g_loudWatchChecks.load(), 0);
  DestroyWindow(owner);
}

BOOL CALLBACK NoteVisibleWindow(HWND wnd, LPARAM count) {
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid == GetCurrentProcessId() && IsWindowVisible(wnd)) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

TEST(DriveErrorBox, AnEmptyCardReaderRaisesNoBox) {
  if (!quill::test::RunningUnderWine()) GTEST_SKIP() << "needs Wine's mount manager";
  TempDir dir;
  const std::wstring gone = dir.path() + L"pulled";
  ASSERT_TRUE(quill::test::MakeFolders(gone));
  quill::test::ScopedRemovableDrive drive(L'q', gone);
  ASSERT_TRUE(drive.ok());
  ASSERT_TRUE(RemoveDirectoryW(gone.c_str()));  // the reader is now empty
  SetThreadErrorMode(0, nullptr);
  CStringArray drives;
  GetRemovableDrives(drives);
  CString source;
  FindDefaultSourceFolder(source);
  EXPECT_EQ(GetDiskFreeBytes(L"Q:\\"), 0u);
  RecordingList list, rows;
  EXPECT_FALSE(ScanRecordingFolders(L"Q:", nullptr, nullptr, list, &rows, kScanDayFolders, true, nullptr, 0));
  EXPECT_FALSE(ScanRecordingTree(L"Q:", list, nullptr, 0));
  EXPECT_FALSE(AddRecordingFile(L"Q:\\001_120000A_M.MP4", list));
  EXPECT_FALSE(RecycleFile(L"Q:\\001_120000A_M.MP4"));  // an empty reader: nothing was deleted
  {
    HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    CMovieResource watch(owner);
    watch.SetPath(L"Q:");
    const DWORD start = GetTickCount();
    while (!watch.HasVanished() && GetTickCount() - start < 5000) Sleep(10);
    EXPECT_TRUE(watch.HasVanished());
    DestroyWindow(owner);
  }
  int visible = 0;
  EnumWindows(&NoteVisibleWindow, reinterpret_cast<LPARAM>(&visible));
  EXPECT_EQ(visible, 0);
  EXPECT_EQ(GetThreadErrorMode(), 0u);
}

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
