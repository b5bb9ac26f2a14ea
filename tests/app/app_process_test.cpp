// QuillmereX.exe as the user meets it: the first start asks for the model and writes the settings
// file, a second start does not ask, the main window looks like the reference, every close path ends
// the process with exit code 0, a missing D3DX library is reported once, and the libraries only later
// work needs are not loaded by the start.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "tavrin/app/main/start_marks.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/ui_texts.h"
#include "tests/app/app_process.h"
#include "tests/names/card_fixture.h"
#include "tests/skin/removable_drive.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::test;

constexpr DWORD kExitTimeoutMs = 5000;
constexpr int kCloseCommand = 18;

void WriteAnsweredIni(const std::wstring& dir) {
  const std::wstring ini = IniPathIn(dir);
  WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", ini.c_str());
}

// Ends the program through its close button's command and expects a clean end.
void CloseAndExpectCleanEnd(const AppProcess& app, HWND main) {
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(kCloseCommand, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(main, kCloseCommand)));
  DWORD code = 1;
  ASSERT_TRUE(app.WaitForExit(kExitTimeoutMs, &code)) << "still running 5 s after the close";
  EXPECT_EQ(code, 0u);
}

// The screenshot card's tiny files cannot be played: the program says so in a box for each pair it
// tries, as it would to a user. The boxes are answered as a user would, from the first one (which a
// loaded machine can bring long after the listing) until none came for `quietMs`. False when no box
// came within `firstBoxMs`.
bool AnswerOpenFailures(const AppProcess& app, DWORD firstBoxMs, DWORD quietMs) {
  const DWORD start = GetTickCount();
  bool answered = false;
  DWORD lastBox = start;
  while (answered ? GetTickCount() - lastBox < quietMs : GetTickCount() - start < firstBoxMs) {
    if (HWND box = app.FindWindowByCaption(L"ERROR", true)) {
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      answered = true;
      lastBox = GetTickCount();
    }
    Sleep(50);  // polls another process's windows: nothing to wait on
  }
  return answered;
}

struct ModelCase {
  int button;
  const wchar_t* stored;
};

TEST(AppFirstStart, AsksForTheModelWritesTheDefaultsHiddenAndStoresTheAnswer) {
  const ModelCase cases[] = {{IDOK, L"1"}, {IDCANCEL, L"2"}};
  for (const ModelCase& c : cases) {
    SCOPED_TRACE(c.button);
    TempDir dir;
    AppProcess app(dir.path());
    ASSERT_TRUE(app.started()) << "cannot start " << std::string(AppExePath().begin(), AppExePath().end());
    HWND model = app.WaitForWindow(kModelCaption, true);
    ASSERT_NE(model, nullptr) << "no model selection on the first start";
    // The defaults are in the file before the question, and the file is hidden.
    EXPECT_EQ(IniValue(dir.path(), L"DISPLAY", L"INFOCHECK"), L"31");
    EXPECT_EQ(IniValue(dir.path(), L"DISPLAY", L"ASPECT"), L"on");
    EXPECT_EQ(IniValue(dir.path(), L"DISPLAY", L"VOLUME"), L"65535");
    EXPECT_EQ(IniValue(dir.path(), L"DISPLAY", L"MODELSELECT"), L"");
    const DWORD attributes = GetFileAttributesW(IniPathIn(dir.path()).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);

    PostMessageW(GetDlgItem(model, c.button), BM_CLICK, 0, 0);
    HWND main = app.WaitForWindow(kMainCaption, true);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(IniValue(dir.path(), L"DISPLAY", L"MODELSELECT"), c.stored);
    CloseAndExpectCleanEnd(app, main);
  }
}

// Waits (20 s at most) until the window publishes its start's last step, the first paint.
bool WaitForFirstPaint(AppProcess& app, HWND main) {
  const std::wstring firstPaint = std::wstring(quill::app::kStartPropPrefix) + quill::app::kStartStepNames.back();
  const DWORD asked = GetTickCount();
  while (!GetPropW(main, firstPaint.c_str()) && GetTickCount() - asked < 20000) app.Sync(main);
  return GetPropW(main, firstPaint.c_str()) != nullptr;
}

TEST(AppSecondStart, DoesNotAskForTheModel) {
  TempDir dir;
  WriteAnsweredIni(dir.path());
  AppProcess app(dir.path());
  HWND main = app.WaitForWindow(kMainCaption, true);
  ASSERT_NE(main, nullptr);
  app.Sync(main);
  EXPECT_EQ(app.FindWindowByCaption(kModelCaption, false), nullptr);
  // The start benchmark's breakdown: once the first paint is done, every step of the start is
  // published on the window, in the order the steps end.
  using quill::app::kStartStepNames;
  auto published = [main](const wchar_t* name) {
    return reinterpret_cast<uintptr_t>(GetPropW(main, (std::wstring(quill::app::kStartPropPrefix) + name).c_str()));
  };
  WaitForFirstPaint(app, main);
  EXPECT_NE(published(quill::app::kStartBeforeEntryName), 0u);
  uintptr_t previous = 0;
  for (const wchar_t* name : kStartStepNames) {
    const uintptr_t value = published(name);
    EXPECT_NE(value, 0u) << "no mark for " << testing::PrintToString(std::wstring(name));
    EXPECT_GE(value, previous) << testing::PrintToString(std::wstring(name)) << " ends before the step before it";
    previous = value;
  }
  CloseAndExpectCleanEnd(app, main);
}

// The names of the modules a process has loaded, in lower case.
std::vector<std::wstring> LoadedModules(DWORD pid) {
  std::vector<std::wstring> names;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) return names;
  HMODULE modules[512];
  DWORD bytes = 0;
  if (EnumProcessModules(process, modules, sizeof modules, &bytes)) {
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
      wchar_t name[MAX_PATH] = L"";
      if (!GetModuleBaseNameW(process, modules[i], name, MAX_PATH)) continue;
      std::wstring lower(name);
      for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
      names.push_back(lower);
    }
  }
  CloseHandle(process);
  return names;
}

// Media Foundation, WinMM, the file dialog (with the print spooler it brings), EVR and DXVA2 load at
// their first use: once the window has shown and painted, none of them is in the process.
TEST(AppSecondStart, LeavesTheLibrariesOfLaterWorkUnloaded) {
  TempDir dir;
  WriteAnsweredIni(dir.path());
  AppProcess app(dir.path());
  HWND main = app.WaitForWindow(kMainCaption, true);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitForFirstPaint(app, main)) << "no first paint";
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  const std::vector<std::wstring> loaded = LoadedModules(pid);
  ASSERT_GT(loaded.size(), 10u) << "the program's modules could not be read";
  for (const wchar_t* later : {L"mfplat.dll", L"mf.dll", L"mfreadwrite.dll", L"winmm.dll", L"comdlg32.dll",
                               L"winspool.drv", L"evr.dll", L"dxva2.dll"}) {
    EXPECT_EQ(std::count(loaded.begin(), loaded.end(), std::wstring(later)), 0) << "loaded by the start: "
                                                                              << testing::PrintToString(std::wstring(later));
  }
  CloseAndExpectCleanEnd(app, main);
}

struct ClosePath {
  const char* name;
  void (*close)(HWND main);
};

TEST(AppClose, EveryPathEndsTheProcessWithExitCodeZero) {
  const ClosePath paths[] = {
      {"close button", [](HWND main) {
         PostMessageW(main, WM_COMMAND, MAKEWPARAM(kCloseCommand, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(main, kCloseCommand)));
       }},
      // Alt+F4: the key as the system delivers it (context code: Alt held).
      {"Alt+F4", [](HWND main) { PostMessageW(main, WM_SYSKEYDOWN, VK_F4, 0x203E0001); }},
      {"Escape", [](HWND main) { PostMessageW(main, WM_KEYDOWN, VK_ESCAPE, 0x00010001); }},
  };
  for (const ClosePath& path : paths) {
    SCOPED_TRACE(path.name);
    TempDir dir;
    WriteAnsweredIni(dir.path());
    AppProcess app(dir.path());
    HWND main = app.WaitForWindow(kMainCaption, true);
    ASSERT_NE(main, nullptr);
    app.Sync(main);
    path.close(main);
    DWORD code = 1;
    ASSERT_TRUE(app.WaitForExit(kExitTimeoutMs, &code)) << "still running 5 s after " << path.name;
    EXPECT_EQ(code, 0u);
  }
}

// Wine's per-program DLL setting: d3dx9_41 disabled for QuillmereX.exe while the object lives.
class ScopedDisabledD3dx {
 public:
  static constexpr wchar_t kKey[] = L"Software\\Wine\\AppDefaults\\QuillmereX.exe\\DllOverrides";
  ScopedDisabledD3dx() { ok_ = RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"d3dx9_41", REG_SZ, L"", 2) == ERROR_SUCCESS; }
  ~ScopedDisabledD3dx() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"d3dx9_41"); }
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

// The list view of the browser pane (the only one in the main window).
BOOL CALLBACK MatchListView(HWND h, LPARAM lp) {
  wchar_t cls[64] = L"";
  GetClassNameW(h, cls, 64);
  if (wcsstr(cls, L"SysListView32") == nullptr) return TRUE;
  *reinterpret_cast<HWND*>(lp) = h;
  return FALSE;
}

HWND FindFileList(HWND main) {
  HWND found = nullptr;
  EnumChildWindows(main, &MatchListView, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::wstring OutputFolder() {
  const char* build = std::getenv("QUILL_BUILD_DIR");
  if (!build) return std::wstring();
  std::wstring dir = HostPathToWindows(std::string(build) + "/test-output");
  CreateDirectoryW(dir.c_str(), nullptr);
  dir += L"\\app";
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir + L"\\";
}

// A card of five tiny recordings in two day folders, the first day folder listing three rows.
bool MakeTinyCard(const std::wstring& card) {
  for (const wchar_t* f : {L"20240101_001\\001_120000A_M.MP4", L"20240101_001\\001_120000A_R.MP4",
                           L"20240101_001\\002_120100G_M.MP4", L"20240101_001\\003_120200M_M.MP4",
                           L"20240102_001\\004_080000P_M.MP4"}) {
    const std::wstring path = card + L"\\" + f;
    if (!MakeFolders(path.substr(0, path.rfind(L'\\'))) || !WriteTinyRecording(path)) return false;
  }
  return true;
}

// On a card with rows the display-mode button is on exactly when the D3DX library is there: started
// without the library, the program says so once and keeps that button off while the buttons the rows
// turn on are on (started with no source, every button would be off and the check would say nothing).
TEST(AppStartWithoutD3dx, ShowsTheNoticeOnceAndKeepsTheDisplayModeButtonOffOnACard) {
  if (!RunningUnderWine()) GTEST_SKIP() << "makes the library unavailable through Wine's settings";
  ScopedDisabledD3dx disabled;
  ASSERT_TRUE(disabled.ok());
  TempDir dir;
  const std::wstring card = dir.path() + L"card";
  ASSERT_TRUE(MakeTinyCard(card));
  ScopedRemovableDrive drive(L'y', card);
  ASSERT_TRUE(drive.ok());
  const std::wstring work = dir.path() + L"work\\";
  CreateDirectoryW(work.c_str(), nullptr);
  WriteAnsweredIni(work);
  AppProcess app(work);
  // Every "ERROR" box is answered as a user would: the notice, and one for each tiny pair the program
  // cannot play. Done when the list shows the card and no box came for a while.
  std::set<HWND> answered;
  int notices = 0;
  HWND main = nullptr;
  HWND list = nullptr;
  const DWORD start = GetTickCount();
  DWORD lastBox = start;
  for (;;) {
    if (HWND box = app.FindWindowByCaption(L"ERROR", true); box && answered.insert(box).second) {
      wchar_t text[512] = L"";
      GetDlgItemTextW(box, 1012, text, 512);
      if (wcscmp(text, UIText(154)) == 0) ++notices;
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      lastBox = GetTickCount();
    }
    if (!main) main = app.FindWindowByCaption(kMainCaption, true);
    if (main && !list) list = FindFileList(main);
    const bool listed = list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 3;
    if (listed && notices > 0 && GetTickCount() - lastBox > 3000) break;
    ASSERT_LT(GetTickCount() - start, 90000u) << "notices " << notices << ", card listed " << listed;
    Sleep(50);  // polls another process's windows: nothing to wait on
  }
  app.Sync(main);
  EXPECT_EQ(notices, 1) << "the notice without d3dx9_41 came " << notices << " times";
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 38014))) << "the card's rows did not turn the buttons on";
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 38009))) << "the display-mode button is on without the library";
  CloseAndExpectCleanEnd(app, main);
}


TEST(AppScreenshot, TheMainWindowOnACardLooksLikeTheReference) {
  if (!RunningUnderWine()) GTEST_SKIP() << "needs Wine's mount manager";
  quill::skin::GdiplusSession gdiplus;
  TempDir dir;
  const std::wstring card = dir.path() + L"card";
  ASSERT_TRUE(MakeTinyCard(card));
  ScopedRemovableDrive drive(L'y', card);  // the last removable letter: the program opens the last
  ASSERT_TRUE(drive.ok());
  const std::wstring work = dir.path() + L"work\\";
  CreateDirectoryW(work.c_str(), nullptr);
  WriteAnsweredIni(work);
  AppProcess app(work);
  HWND main = app.WaitForWindow(kMainCaption, true);
  ASSERT_NE(main, nullptr);
  HWND list = FindFileList(main);
  ASSERT_NE(list, nullptr);
  const DWORD start = GetTickCount();
  while (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != 3 && GetTickCount() - start < 20000) app.Sync(main);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3) << "the first day folder of the card is not listed";
  // The picture is taken once the program has tried the card's first pair and said it cannot play it:
  // taken earlier, it could catch the buttons greyed for an open in flight on a slow machine.
  ASSERT_TRUE(AnswerOpenFailures(app, 60000, 2000)) << "the card's first pair was never reported unplayable";
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  app.Sync(main);
  const Pixels shot = CaptureWindow(main);
  ASSERT_FALSE(shot.empty());
  const std::wstring out = OutputFolder();
  if (!out.empty()) {
    EXPECT_TRUE(SavePng(shot, out + L"main_window.png"));
  }

  Pixels reference;
  const char* source = std::getenv("QUILL_SOURCE_DIR");
  const bool loaded =
      source && LoadPng(HostPathToWindows(std::string(source) + "/tests/app/reference/main_window.png"), &reference);
  ASSERT_TRUE(loaded)
      << "no reference: look at test-output/app/main_window.png and, when it is right, copy it to "
         "tests/app/reference/";
  const int differ = CountDifferentPixels(shot, reference, 24);
  ASSERT_GE(differ, 0) << "the capture and the reference differ in size";
  EXPECT_LE(differ, shot.width * shot.height / 50) << differ << " pixels differ from the reference";
  CloseAndExpectCleanEnd(app, main);
}

}  // namespace
