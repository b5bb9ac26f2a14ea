// The program as a process on a test card, driven by the commands a user can cause: the three size
// steps (screenshots for a person to look at), and a seeded random run of 2,000 commands, clicks and
// private messages on the playing card that must all be handled and end with a clean close, no message
// box left open and the process's handle and thread counts back near where they started.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tavrin/skin/gdi_drawing.h"
#include "tests/app/app_process.h"
#include "tests/names/card_fixture.h"
#include "tests/skin/removable_drive.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::test;

constexpr int kCloseCommand = 18;
constexpr UINT kButtonPressed = WM_APP + 1401;
constexpr UINT kButtonReleased = WM_APP + 1402;

BOOL CALLBACK MatchListView(HWND h, LPARAM lp) {
  wchar_t cls[64] = L"";
  GetClassNameW(h, cls, 64);
  if (wcsstr(cls, L"SysListView32") == nullptr) return TRUE;
  *reinterpret_cast<HWND*>(lp) = h;
  return FALSE;
}

// The controller pad: the child dialog holding the up button (id 28).
BOOL CALLBACK MatchPad(HWND h, LPARAM lp) {
  if (GetDlgItem(h, 28) == nullptr || GetDlgItem(h, 32) == nullptr) return TRUE;
  *reinterpret_cast<HWND*>(lp) = h;
  return FALSE;
}

HWND FindChild(HWND main, WNDENUMPROC match) {
  HWND found = nullptr;
  EnumChildWindows(main, match, reinterpret_cast<LPARAM>(&found));
  return found;
}

struct Counts {
  DWORD handles = 0;
  int threads = 0;
};

// The system's table of open handles (NtQuerySystemInformation, class 16): one entry per handle of
// every process. GetProcessHandleCount answers 0 under Wine, the table is kept by Wine's server.
struct HandleEntry {
  ULONG ownerPid;
  BYTE objectType;
  BYTE flags;
  USHORT value;
  PVOID object;
  ULONG access;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

// The handles `pid` holds, 0 when the table cannot be read.
DWORD HandlesOf(DWORD pid) {
  static const auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return 0;
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<unsigned char> buffer(1 << 20);
  for (int tries = 0; tries < 8; ++tries) {
    ULONG needed = 0;
    const LONG status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kLengthMismatch) {
      buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status < 0) return 0;
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    const size_t room = (buffer.size() - offsetof(HandleTable, entries)) / sizeof(HandleEntry);
    DWORD n = 0;
    for (size_t i = 0; i < table->count && i < room; ++i) {
      if (table->entries[i].ownerPid == pid) ++n;
    }
    return n;
  }
  return 0;
}

Counts CountsOf(DWORD pid) {
  Counts c;
  c.handles = HandlesOf(pid);
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 e = {};
  e.dwSize = sizeof e;
  for (BOOL ok = Thread32First(snap, &e); ok; ok = Thread32Next(snap, &e)) {
    if (e.th32OwnerProcessID == pid) ++c.threads;
  }
  CloseHandle(snap);
  return c;
}

struct WindowCount {
  DWORD pid;
  int dialogs;
};
BOOL CALLBACK CountDialogs(HWND h, LPARAM lp) {
  auto* w = reinterpret_cast<WindowCount*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  wchar_t cls[16] = L"";
  GetClassNameW(h, cls, 16);
  if (pid == w->pid && IsWindowVisible(h) && wcscmp(cls, L"#32770") == 0) ++w->dialogs;
  return TRUE;
}

BOOL CALLBACK PrintWindowOf(HWND h, LPARAM lp) {
  DWORD owner = 0;
  GetWindowThreadProcessId(h, &owner);
  if (owner != static_cast<DWORD>(lp)) return TRUE;
  wchar_t cls[64] = L"", title[64] = L"";
  GetClassNameW(h, cls, 64);
  GetWindowTextW(h, title, 64);
  std::printf("window %ls '%ls' visible %d\n", cls, title, IsWindowVisible(h));
  return TRUE;
}

// The storm runs on the playing card and replays by seed: QUILL_COMMAND_SEED replays a seed (the run
// prints its own), QUILL_COMMAND_KINDS and QUILL_COMMAND_LIST narrow a replay (below). The time the
// close takes after it is bench/storm-close.sh's figure.
TEST(CommandsOnACard, SizeStepsAndTwoThousandRandomCommands) {
  if (!RunningUnderWine()) GTEST_SKIP() << "needs Wine's mount manager";
  quill::skin::GdiplusSession gdiplus;
  TempDir dir;
  // The playback tests' short generated pairs: recordings the players really open and play.
  const char* recordings = std::getenv("QUILL_PLAYBACK_RECORDINGS");
  ASSERT_NE(recordings, nullptr) << "QUILL_PLAYBACK_RECORDINGS is not set";
  const std::wstring source = HostPathToWindows(std::string(recordings) + "/card/20240315_001") + L"\\";
  const std::wstring card = dir.path() + L"card";
  const std::wstring day = card + L"\\20240315_001\\";
  ASSERT_TRUE(MakeFolders(card + L"\\20240315_001"));
  for (const wchar_t* f : {L"001_093000A_M.MP4", L"001_093000A_R.MP4", L"002_093003G_M.MP4",
                           L"002_093003G_R.MP4", L"003_093006M_M.MP4", L"003_093006M_R.MP4"}) {
    ASSERT_TRUE(CopyFileW((source + f).c_str(), (day + f).c_str(), FALSE)) << "no generated recording";
  }
  ScopedRemovableDrive drive(L'y', card);
  ASSERT_TRUE(drive.ok());
  const std::wstring work = dir.path() + L"work\\";
  CreateDirectoryW(work.c_str(), nullptr);
  WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", IniPathIn(work).c_str());
  AppProcess app(work);
  HWND main = app.WaitForWindow(kMainCaption, true);
  ASSERT_NE(main, nullptr);
  HWND list = FindChild(main, &MatchListView);
  ASSERT_NE(list, nullptr);
  const DWORD start = GetTickCount();
  while (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != 3 && GetTickCount() - start < 20000) app.Sync(main);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);

  // The three size steps: the primary pane's width by step, a picture of each.
  const std::wstring out = OutputDir("commands");
  struct Step {
    int width;
    const wchar_t* shot;
  } steps[] = {{866, L"card_step1.png"}, {1106, L"card_step2.png"}, {732, L"card_step0.png"}};
  for (const Step& s : steps) {
    SendMessageW(main, WM_COMMAND, 20, 0);  // sent: handled when this returns
    RECT pane = {};
    GetWindowRect(GetDlgItem(main, 1000), &pane);
    EXPECT_EQ(pane.right - pane.left, s.width);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    app.Sync(main);
    if (!out.empty()) SavePng(CaptureWindow(main), out + s.shot);
  }

  // The counts start once the first pair plays: the players' own threads are there from then on.
  const DWORD playWait = GetTickCount();
  while (reinterpret_cast<INT_PTR>(GetPropW(main, L"QuillmereX.Position")) < 6 && GetTickCount() - playWait < 20000) {
    app.Sync(main);
    Sleep(50);  // polls the published position; nothing to wait on across processes
  }
  const Counts before = CountsOf(pid);
  const INT_PTR opensBefore = reinterpret_cast<INT_PTR>(GetPropW(main, L"QuillmereX.Opens"));
  HWND pad = FindChild(main, &MatchPad);
  // QUILL_COMMAND_SEED replays a run.
  const char* replay = std::getenv("QUILL_COMMAND_SEED");
  const unsigned seed = replay ? static_cast<unsigned>(std::strtoul(replay, nullptr, 10)) : GetTickCount();
  // QUILL_COMMAND_KINDS (a hex mask of the seven kinds below) and QUILL_COMMAND_LIST (command ids,
  // comma-separated) narrow a replay.
  const char* kindMask = std::getenv("QUILL_COMMAND_KINDS");
  const unsigned kinds = kindMask ? static_cast<unsigned>(std::strtoul(kindMask, nullptr, 16)) : 0xFF;
  std::printf("random command run seed %u\n", seed);
  std::mt19937 rng(seed);
  std::vector<UINT> commands = {38001, 38005, 38008, 38009, 38010, 38011, 38012, 38017, 38200,
                                      38201, 38202, 38203, 20,    38700, 38701, 38702, 38703, 38704};
  if (const char* only = std::getenv("QUILL_COMMAND_LIST")) {
    commands.clear();
    for (const char* p = only; *p;) {
      char* end = nullptr;
      commands.push_back(static_cast<UINT>(std::strtoul(p, &end, 10)));
      p = *end ? end + 1 : end;
    }
  }
  // QUILL_COMMAND_COUNT changes the length of the run (the close benchmark's reference runs none).
  const char* countText = std::getenv("QUILL_COMMAND_COUNT");
  const int count = countText ? static_cast<int>(std::strtol(countText, nullptr, 10)) : 2000;
  for (int i = 0; i < count; ++i) {
    const LPARAM pt = MAKELPARAM(rng() % 1120, rng() % 700);
    const unsigned kind = rng() % 7;
    if (!(kinds & (1u << kind))) continue;
    switch (kind) {
      case 0:
      case 1: PostMessageW(main, WM_COMMAND, commands[rng() % commands.size()], 0); break;
      case 2:
        PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, pt);
        PostMessageW(main, WM_MOUSEMOVE, MK_LBUTTON, pt + 5);
        PostMessageW(main, WM_LBUTTONUP, 0, pt);
        break;
      case 3: PostMessageW(main, WM_LBUTTONDBLCLK, MK_LBUTTON, pt); break;
      case 4:
        if (pad) PostMessageW(pad, rng() % 2 ? kButtonPressed : kButtonReleased, 0, 28 + rng() % 5);
        break;
      case 5: PostMessageW(main, WM_APP + 8, rng() % 100, rng() % 3 ? 100 : 0); break;
      default: PostMessageW(main, WM_APP + 1901, 0, 0); break;
    }
    // Every 25 commands the storm waits until they were handled: a command behind a hang ends it.
    if (i % 25 == 0) {
      ASSERT_TRUE(app.Sync(main)) << "seed " << seed << ": no answer after command " << i;
    }
  }
  if (pad) PostMessageW(pad, kButtonReleased, 0, 28);
  // Everything posted has been handled (the marker is queued behind it): no hang.
  ASSERT_TRUE(app.Sync(main)) << "seed " << seed << ": the storm's commands were not all handled";
  ASSERT_TRUE(IsWindow(main)) << "seed " << seed << ": the program ended during the storm";
  WindowCount boxes = {pid, 0};
  EnumWindows(&CountDialogs, reinterpret_cast<LPARAM>(&boxes));
  EXPECT_LE(boxes.dialogs, 2) << "seed " << seed << ": a message box was left open (main and movie window only)";
  if (boxes.dialogs > 2) EnumWindows(&PrintWindowOf, static_cast<LPARAM>(pid));

  // The threads and handles settle back: opens still in flight end and Wine's thread-pool workers
  // end after their idle time. The margins: two threads and 30 handles for what a pair open at the
  // end holds beyond the pair counted before (a pending open's worker, the players' event handles),
  // plus, under Wine, the pool threads Wine's audio renderer leaves waiting now and then when a movie
  // with sound closes (one per 7 to 15 opens, measured; allowed as one per 4 opens of the run).
  const INT_PTR opens = reinterpret_cast<INT_PTR>(GetPropW(main, L"QuillmereX.Opens")) - opensBefore;
  const int poolAllowance = RunningUnderWine() ? static_cast<int>(opens / 4) : 0;
  const int threadLimit = before.threads + 2 + poolAllowance;
  const DWORD handleLimit = before.handles + 30;
  Counts after = CountsOf(pid);
  const DWORD settleStart = GetTickCount();
  while ((after.threads > threadLimit || after.handles > handleLimit) && GetTickCount() - settleStart < 30000) {
    Sleep(100);  // polls the other process's counts; nothing to wait on across processes
    app.Sync(main);
    after = CountsOf(pid);
  }
  std::printf("seed %u: %lld opens; threads %d before, %d after (limit %d); handles %lu before, %lu after "
              "(limit %lu); settled in %lu ms\n",
              seed, static_cast<long long>(opens), before.threads, after.threads, threadLimit, before.handles,
              after.handles, handleLimit, GetTickCount() - settleStart);
  EXPECT_LE(after.threads, threadLimit) << "seed " << seed << ", opens " << opens;
  EXPECT_LE(after.handles, handleLimit) << "seed " << seed;

  PostMessageW(main, WM_COMMAND, MAKEWPARAM(kCloseCommand, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(main, kCloseCommand)));
  DWORD code = 1;
  // How long the close takes is the storm-close benchmark's figure; here only that it ends.
  const DWORD closeStart = GetTickCount();
  const bool ended = app.WaitForExit(60000, &code);
  std::printf("close took %lu ms\n", GetTickCount() - closeStart);
  if (!ended) {
    std::printf("main window %s\n", IsWindow(main) ? "still there" : "gone");
    EnumWindows(&PrintWindowOf, static_cast<LPARAM>(pid));
  }
  ASSERT_TRUE(ended) << "seed " << seed << ": still running after the close";
  EXPECT_EQ(code, 0u);
}

}  // namespace
