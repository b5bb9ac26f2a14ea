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
#include <map>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/framework/private_messages.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tests/app/app_process.h"
#include "tests/names/card_fixture.h"
#include "tests/skin/removable_drive.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::test;

constexpr int kCloseCommand = 18;
constexpr int kPlayCommand = 38002;

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

// The threads of `pid` by their description (Wine names its own: wine_threadpool_worker,
// wined3d_cs...), counted by name; "(unnamed)" for the rest.
std::map<std::wstring, int> ThreadsByName(DWORD pid) {
  using GetDescription = HRESULT(WINAPI*)(HANDLE, PWSTR*);
  static const auto describe = reinterpret_cast<GetDescription>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
  std::map<std::wstring, int> byName;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 e = {};
  e.dwSize = sizeof e;
  for (BOOL ok = Thread32First(snap, &e); ok; ok = Thread32Next(snap, &e)) {
    if (e.th32OwnerProcessID != pid) continue;
    std::wstring name = L"(unnamed)";
    HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, e.th32ThreadID);
    PWSTR text = nullptr;
    if (thread && describe && SUCCEEDED(describe(thread, &text)) && text) {
      if (text[0]) name = text;
      LocalFree(text);
    }
    if (thread) CloseHandle(thread);
    ++byName[name];
  }
  CloseHandle(snap);
  return byName;
}

// Wine 8's work queues never close the thread-pool wait behind a waiting work item: the audio
// renderer puts one for every buffer it fills, so each of them keeps its place in one of Wine's
// wait-queue threads (63 places a thread) until Media Foundation shuts down. These threads grow
// with the time sound plays, not with the commands, and are counted apart.
constexpr wchar_t kWineWaitThread[] = L"wine_threadpool_waitqueue";

struct Counts {
  DWORD handles = 0;
  int threads = 0;      // every thread but Wine's wait-queue threads
  int waitThreads = 0;  // Wine's wait-queue threads (each holds one event handle)
};

Counts CountsOf(DWORD pid) {
  Counts c;
  c.handles = HandlesOf(pid);
  for (const auto& n : ThreadsByName(pid)) {
    if (n.first == kWineWaitThread) {
      c.waitThreads += n.second;
    } else {
      c.threads += n.second;
    }
  }
  return c;
}

void PrintThreadsOf(DWORD pid) {
  for (const auto& n : ThreadsByName(pid)) std::printf("  %d x %ls\n", n.second, n.first.c_str());
}

// With QUILL_HANG_DUMP set (and Wine's debugger enabled), a program that stopped answering has the
// stacks of all its threads printed by winedbg before the test ends it.
void DumpStacksOnHang(DWORD pid) {
  if (!std::getenv("QUILL_HANG_DUMP")) return;
  std::wstring command = L"winedbg.exe --command \"bt all\" " + std::to_wstring(pid);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::fflush(stdout);
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("winedbg could not be started (%lu)\n", GetLastError());
    return;
  }
  WaitForSingleObject(pi.hProcess, 120000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

// Waits (up to a safety timeout) until the program plays and shows a position past the start.
bool WaitForPlay(AppProcess& app, HWND main) {
  constexpr INT_PTR kPlayingProperty = 2 + 1;  // play state 2, published as value + 1
  const DWORD start = GetTickCount();
  while (reinterpret_cast<INT_PTR>(GetPropW(main, L"QuillmereX.Position")) < 6 ||
         reinterpret_cast<INT_PTR>(GetPropW(main, L"QuillmereX.State")) != kPlayingProperty) {
    if (GetTickCount() - start > 30000) return false;
    app.Sync(main);
    Sleep(50);  // polls the published position; nothing to wait on across processes
  }
  return true;
}

// Pauses the playing pair early in its movie (tries again with the next pair when one ended first).
bool PauseEarly(AppProcess& app, HWND main) {
  constexpr INT_PTR kPausedProperty = 3 + 1;  // play state 3, published as value + 1
  for (int tries = 0; tries < 10; ++tries) {
    if (!WaitForPlay(app, main)) return false;
    SendMessageW(main, WM_COMMAND, kPlayCommand, 0);
    app.Sync(main);
    if (reinterpret_cast<INT_PTR>(GetPropW(main, L"QuillmereX.State")) == kPausedProperty) return true;
  }
  return false;
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
// QUILL_COMMAND_TRACE prints the threads by name every 100 commands.
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

  // The size steps run with the first pair paused: at the end of a movie (these last 3 s) the
  // commands are refused, and during an open they leave the panes alone.
  ASSERT_TRUE(PauseEarly(app, main)) << "the first pair did not play and pause";

  // The three size steps: the primary pane's width by step, a picture of each.
  const std::wstring out = OutputDir("commands");
  struct Step {
    int width;
    const wchar_t* shot;
  } steps[] = {{866, L"card_step1.png"}, {1106, L"card_step2.png"}, {732, L"card_step0.png"}};
  for (const Step& s : steps) {
    SendMessageW(main, WM_COMMAND, 20, 0);
    ASSERT_TRUE(app.Sync(main));  // and what the step posted (the movie window's re-arrangement)
    RECT pane = {};
    GetWindowRect(GetDlgItem(main, 1000), &pane);
    EXPECT_EQ(pane.right - pane.left, s.width);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    app.Sync(main);
    if (!out.empty()) SavePng(CaptureWindow(main), out + s.shot);
  }

  // The counts start once a pair plays: the players' own threads are there from then on.
  SendMessageW(main, WM_COMMAND, kPlayCommand, 0);
  WaitForPlay(app, main);
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
  std::vector<UINT> commands = {38001, 38005, 38008, 38009, 38010, 38011, 38017, 38200, 38201,
                                38202, 38203, 20,    38700, 38701, 38702, 38703, 38704};
  // The map frame's switch (38012) only where the map has an engine: under Wine, showing and hiding
  // the engine-less browser control over and over leaves idle wait threads in Wine's thread pool
  // (about 20 more after 40 s of a storm of this one command, measured).
  if (!RunningUnderWine()) commands.push_back(38012);
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
        if (pad) {
          PostMessageW(pad, rng() % 2 ? quill::msg::kButtonPressed : quill::msg::kButtonReleased, 0,
                       28 + rng() % 5);
        }
        break;
      case 5: PostMessageW(main, quill::msg::kProgress, rng() % 100, rng() % 3 ? 100 : 0); break;
      default: PostMessageW(main, quill::msg::kRearrange, 0, 0); break;
    }
    // Every 25 commands the storm waits until they were handled: a command behind a hang ends it.
    if (i % 25 == 0) {
      const bool answered = app.Sync(main);
      if (!answered) DumpStacksOnHang(pid);
      ASSERT_TRUE(answered) << "seed " << seed << ": no answer after command " << i;
      if (std::getenv("QUILL_COMMAND_TRACE") && i % 100 == 0) {
        const Counts now = CountsOf(pid);
        std::printf("after %d: threads %d handles %lu\n", i, now.threads, now.handles);
        PrintThreadsOf(pid);
        std::fflush(stdout);
      }
    }
  }
  if (pad) PostMessageW(pad, quill::msg::kButtonReleased, 0, 28);
  // Everything posted has been handled (the marker is queued behind it): no hang.
  ASSERT_TRUE(app.Sync(main)) << "seed " << seed << ": the storm's commands were not all handled";
  ASSERT_TRUE(IsWindow(main)) << "seed " << seed << ": the program ended during the storm";
  WindowCount boxes = {pid, 0};
  EnumWindows(&CountDialogs, reinterpret_cast<LPARAM>(&boxes));
  EXPECT_LE(boxes.dialogs, 2) << "seed " << seed << ": a message box was left open (main and movie window only)";
  if (boxes.dialogs > 2) EnumWindows(&PrintWindowOf, static_cast<LPARAM>(pid));

  // The threads and handles settle back: opens still in flight end and Wine's thread-pool workers
  // end after their idle time. The margins: three threads and 30 handles for what a pair open at the
  // end holds beyond the pair counted before (a pending open's worker, the players' event handles)
  // and a pool worker within its idle time; Wine's wait-queue threads are counted apart (above), and
  // so is the event handle each of them holds.
  const INT_PTR opens = reinterpret_cast<INT_PTR>(GetPropW(main, L"QuillmereX.Opens")) - opensBefore;
  const int threadLimit = before.threads + 3;
  Counts after = CountsOf(pid);
  const auto handleLimit = [&before](const Counts& now) {
    return before.handles + 30 + static_cast<DWORD>(std::max(0, now.waitThreads - before.waitThreads));
  };
  const DWORD settleStart = GetTickCount();
  while ((after.threads > threadLimit || after.handles > handleLimit(after)) &&
         GetTickCount() - settleStart < 30000) {
    Sleep(100);  // polls the other process's counts; nothing to wait on across processes
    app.Sync(main);
    after = CountsOf(pid);
  }
  std::printf("seed %u: %lld opens; threads %d before, %d after (limit %d); Wine's wait-queue threads %d "
              "before, %d after; handles %lu before, %lu after (limit %lu); settled in %lu ms\n",
              seed, static_cast<long long>(opens), before.threads, after.threads, threadLimit,
              before.waitThreads, after.waitThreads, before.handles, after.handles, handleLimit(after),
              GetTickCount() - settleStart);
  EXPECT_LE(after.threads, threadLimit) << "seed " << seed << ", opens " << opens;
  if (after.threads > threadLimit) PrintThreadsOf(pid);
  EXPECT_LE(after.handles, handleLimit(after)) << "seed " << seed;

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
