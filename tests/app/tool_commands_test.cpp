// The tool commands through the real main dialog: the CSV command writes the card's list into the
// chosen folder and says "done" only when the file was made; the deletion and the join end cleanly
// when their selection dialog is cancelled (nothing recycled or written, the recordings unchanged); a
// confirmed deletion leaves rows, records and disk in agreement and plays on, or shows the empty state
// when nothing is left; the stop button ends a running CSV export, deletion and join.
#include <gtest/gtest.h>

#include <windows.h>
#include <pthread.h>
#include <shlobj.h>
#include <objbase.h>
#include <gdiplus.h>

#include <algorithm>
#include <cwchar>
#include <cstdlib>
#include <atomic>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/framework/private_messages.h"
#include "tavrin/app/main/command_hooks.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/main/button_rules.h"
#include "tavrin/app/tools/join_command.h"
#include "tavrin/app/tools/recording_delete.h"
#include "tavrin/browser/recording_names.h"
#include "playcore/instances/player_instance.h"
#include "tests/presenter/frame_probe.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/ui_texts.h"
#include "tests/app/run_main_dialog.h"
#include "tests/names/card_fixture.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"
#include "tests/tools/tool_fixture.h"

namespace {

using namespace quill::app;
using quill::test::PumpUntil;

// The real main dialog running the test's body (tests/app/run_main_dialog.h). `afterHeldCall` runs on
// the UI thread right after the dialog ran a call a tool worker sent it, before the worker goes on:
// a stop pressed there lands at an exact step of the tool.
class CRunDlg : public quill::test::CRunMainDlg<CRunDlg> {
 public:
  std::function<void(CRunDlg&)> afterHeldCall;
  std::vector<int> barShown;  // the progress bar's percent after each progress message
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
    const LRESULT result = CtavrinDlg::WindowProc(msg, wp, lp);
    if (msg == quill::msg::kRunSentCall && afterHeldCall) afterHeldCall(*this);
    if (msg == quill::msg::kProgress) barShown.push_back(m_nProgress);
    return result;
  }
};

// Every message a tool showed (workers show theirs from their own thread).
std::mutex g_lock;
std::vector<std::wstring> g_messages;
// A command pressed while a tool's "file exists" question is up (0: none): the worker posts it and
// waits until the dialog told the tool to stop, so the stop lands before the first record.
std::atomic<int> g_pressOnQuestion{0};
CtavrinDlg* g_dlg = nullptr;
std::atomic<bool> g_stopEnabled{false};
void PressOnQuestion(const wchar_t* text) {
  const int command = g_pressOnQuestion.load();
  if (!command || !g_dlg || std::wstring(text) != UIText(93)) return;
  g_stopEnabled = g_dlg->m_tool[kCmdFirst - kToolFirst].IsWindowEnabled() != FALSE;
  PostMessageW(g_dlg->m_hWnd, WM_COMMAND, command, 0);
  const DWORD start = GetTickCount();
  while (g_dlg->m_bToolRunning.load(std::memory_order_acquire) && GetTickCount() - start < 30000) {
    Sleep(1);  // the word has no event; the UI thread clears it at once (the limit is a hang guard)
  }
}
std::vector<std::wstring> Messages() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_messages;
}

// The folder chooser accepts the folder it starts at (the one stored in the settings file).
PIDLIST_ABSOLUTE AcceptStoredFolder(BROWSEINFOW* info) {
  return ILCreateFromPathW(reinterpret_cast<const wchar_t*>(info->lParam));
}

class ToolCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, saved_);
    SetCurrentDirectoryW(dir_.path().c_str());
    Ini(L"DISPLAY", L"MODELSELECT", L"1");
    Hooks().probeD3dx = [] { return true; };
    Hooks().mapVariant = [] { return driveviews::MapVariant::kInternetExplorer; };
    CmdHooks().showMessage = [](CWnd*, const wchar_t* text, const wchar_t*) {
      {
        std::lock_guard<std::mutex> hold(g_lock);
        g_messages.push_back(text);
      }
      PressOnQuestion(text);
    };
    quill::skin::SetFolderBrowseFunction(&AcceptStoredFolder);
    g_messages.clear();
  }
  void TearDown() override {
    quill::skin::SetFolderBrowseFunction(nullptr);
    Hooks() = StartupHooks{};
    CmdHooks() = CommandHooks{};
    SetCurrentDirectoryW(saved_);
  }
  void Ini(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    WritePrivateProfileStringW(section, key, value.c_str(), (dir_.path() + L"Default_Folder.ini").c_str());
  }
  // A card in the test's folder with a tiny recording at each of `files` (paths below the card).
  std::wstring MakeCard(std::initializer_list<const wchar_t*> files) {
    const std::wstring card = dir_.path() + L"card";
    for (const wchar_t* f : files) {
      const std::wstring path = card + L"\\" + f;
      EXPECT_TRUE(quill::test::MakeFolders(path.substr(0, path.rfind(L'\\'))));
      EXPECT_TRUE(quill::test::WriteTinyRecording(path));
    }
    return card;
  }
  // Runs `body` in the real main dialog with `source` open in the browser pane.
  void Run(const std::wstring& source, const std::function<void(CRunDlg&)>& body,
           const std::function<void(CRunDlg&)>& afterHeldCall = nullptr) {
    CRunDlg dlg;
    dlg.afterHeldCall = afterHeldCall;
    dlg.body = [&](CRunDlg& d) {
      d.m_browser.OpenSource(CString(source.c_str()), CFilerContainerDlg::kSourceFolder);
      body(d);
      // A body that stopped on a failed assertion may leave a tool's dialog up: closed here, so the
      // close that follows does not wait on it.
      if (d.m_toolThread.joinable()) {
        const DWORD worker = GetThreadId(pthread_gethandle(d.m_toolThread.native_handle()));
        EXPECT_TRUE(quill::test::CloseDialogsUntil(worker, [&] { return ToolEnded(d); }, 30000)) << "a tool left running";
      }
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
  }
  // A copy of one day folder of the generated card in the test's folder (no trailing separator).
  std::wstring CopyDay(const wchar_t* day) {
    const std::wstring from = quill::test::RecordingsDir() + L"card\\" + day + L"\\";
    const std::wstring to = dir_.path() + L"src\\" + day;
    EXPECT_TRUE(quill::test::MakeFolders(to));
    for (const std::wstring& name : quill::test::FilesIn(from)) {
      EXPECT_TRUE(CopyFileW((from + name).c_str(), (to + L"\\" + name).c_str(), FALSE));
    }
    return to;
  }
  // The row `index` of the list plays (its drive data is loaded).
  static bool Plays(CRunDlg& d, int index) { return d.m_bOpened && d.m_nCurIndex == index; }
  // Row 0 opened, then paused: a 2-second recording would otherwise reach its end (where the tool
  // commands do nothing) or move on to the next row while a busy machine runs the test.
  static bool OpenAndPause(CRunDlg& d) {
    if (!PumpUntil([&] { return Plays(d, 0); }, 60000)) return false;
    const auto playing = [] { return playcore::g_PlayerInstance[0].playState == playcore::kPlayPlaying; };
    if (playing()) d.SendMessage(WM_COMMAND, kCmdPlay, 0);
    return PumpUntil([&] { return !playing(); }, 30000) && d.m_nCurIndex == 0 && !d.CheckMovieEnd();
  }
  static bool ToolEnded(CRunDlg& d) { return !d.m_bToolRunning && !d.m_toolThread.joinable(); }
  quill::skin::GdiplusSession gdiplus_;
  quill::test::TempDir dir_;
  wchar_t saved_[MAX_PATH] = L"";
};

size_t CountLines(const std::string& bytes) {
  size_t n = 0;
  for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2)) ++n;
  return n;
}

TEST_F(ToolCommandsTest, CsvCommandWritesTheCardListAndSaysDoneOnlyWhenItDid) {
  const std::wstring card = quill::test::RecordingsDir() + L"card\\";
  const auto before = quill::test::FingerprintTree(card);
  ASSERT_FALSE(before.empty());
  quill::test::TempDir out;
  const std::wstring notAFolder = out.path() + L"plain-file";  // where no file can be made
  ASSERT_TRUE(quill::test::WriteFileBytes(notAFolder, "x"));
  struct Case {
    const char* name;
    std::wstring folder;
    bool done;
  } cases[] = {{"writable folder", out.path(), true}, {"not a folder", notAFolder, false}};
  for (const Case& c : cases) {
    g_messages.clear();
    Ini(L"FOLDERPATH", L"CSV_FOLDER", c.folder);
    size_t records = 0;
    Run(card, [&](CRunDlg& d) {
      records = d.m_browser.CollectSourceRecordings().size();
      d.SendMessage(WM_COMMAND, kCmdCsv, 0);
      ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 60000)) << c.name;
      EXPECT_TRUE(d.m_seekBar.IsWindowEnabled()) << c.name;
    });
    ASSERT_GT(records, 0u);
    const std::vector<std::wstring> shown = Messages();
    const size_t doneCount = std::count(shown.begin(), shown.end(), std::wstring(UIText(48)));
    EXPECT_EQ(doneCount, c.done ? 1u : 0u) << c.name;
    if (!c.done) {
      EXPECT_FALSE(shown.empty()) << c.name << ": a failure is reported";
    }
  }
  // One CSV with the header and a line per recording; the plain file untouched; the card unchanged.
  std::vector<std::wstring> csv;
  for (const std::wstring& f : quill::test::FilesIn(out.path())) {
    if (f.size() > 4 && f.compare(f.size() - 4, 4, L".csv") == 0) csv.push_back(f);
  }
  ASSERT_EQ(csv.size(), 1u);
  EXPECT_EQ(csv[0].substr(0, 3), L"Dv_");
  const std::string bytes = quill::test::ReadBytes(out.path() + csv[0]);
  EXPECT_EQ(CountLines(bytes), 1 + 11u);
  EXPECT_EQ(quill::test::ReadBytes(notAFolder), "x");
  EXPECT_EQ(quill::test::FingerprintTree(card), before);
}

// The file-selection dialog of a running tool: shown by the worker, owned by the main dialog.
struct FindDialog {
  HWND main;
  HWND found;
};
BOOL CALLBACK MatchWorkerDialog(HWND h, LPARAM p) {
  auto* f = reinterpret_cast<FindDialog*>(p);
  if (IsWindowVisible(h) && GetWindow(h, GW_OWNER) == f->main &&
      GetWindowThreadProcessId(h, nullptr) != GetCurrentThreadId()) {
    f->found = h;
    return FALSE;
  }
  return TRUE;
}
HWND FindSelectionDialog(HWND main) {
  FindDialog find{main, nullptr};
  EnumWindows(&MatchWorkerDialog, reinterpret_cast<LPARAM>(&find));
  return find.found;
}

constexpr int kSelectionListId = 1003;  // the file selection dialog's list
constexpr int kShowAllId = 1004;        // its "show all files" check button
constexpr UINT kChosenState = 3;        // its rows' "chosen" check image

// Chooses the selection dialog's rows whose text `pick` accepts and confirms the dialog; the number
// of rows chosen.
int ChooseAndConfirm(HWND select, const std::function<bool(const std::wstring&)>& pick) {
  HWND list = GetDlgItem(select, kSelectionListId);
  const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  int chosen = 0;
  for (int row = 0; row < rows; ++row) {
    wchar_t text[MAX_PATH] = L"";
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    if (!pick(text)) continue;
    LVITEMW state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(kChosenState);
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    ++chosen;
  }
  PostMessageW(select, WM_COMMAND, IDOK, 0);
  return chosen;
}

// The file names the rows show and the names on disk agree: every row's files exist.
void ExpectRowsMatchDisk(CRunDlg& d, const char* what) {
  const RecordingList& shown = d.m_browser.m_list.m_shownRecords;
  ASSERT_EQ(static_cast<size_t>(d.m_browser.m_list.GetItemCount()), shown.size()) << what;
  for (const sRECORDINGPAIR& r : shown) {
    EXPECT_TRUE(!r.szMainPath[0] || quill::test::FileExists(r.szMainPath)) << what;
    EXPECT_TRUE(!r.szRearPath[0] || quill::test::FileExists(r.szRearPath)) << what;
  }
  EXPECT_EQ(d.m_browser.m_list.m_records.size(), shown.size()) << what;
}

TEST_F(ToolCommandsTest, DeletionAndJoinEndCleanlyWhenTheSelectionIsCancelled) {
  const std::wstring card = dir_.path() + L"card";
  for (const wchar_t* f : {L"20240101_001\\001_120000A_M.MP4", L"20240101_001\\001_120000A_R.MP4",
                           L"20240101_001\\002_120100G_M.MP4"}) {
    const std::wstring path = card + L"\\" + f;
    ASSERT_TRUE(quill::test::MakeFolders(path.substr(0, path.rfind(L'\\'))));
    ASSERT_TRUE(quill::test::WriteTinyRecording(path));
  }
  const auto before = quill::test::FingerprintTree(card);
  quill::test::TempDir out;
  Ini(L"FOLDERPATH", L"CONNECT_FOLDER", out.path());
  for (int command : {static_cast<int>(kCmdDelete), static_cast<int>(kCmdJoin)}) {
    g_messages.clear();
    Run(card + L"\\20240101_001", [&](CRunDlg& d) {
      const int rows = d.m_browser.m_list.GetItemCount();
      EXPECT_EQ(rows, 2) << command;
      const unsigned prepares = d.m_uPrepareCount;
      d.SendMessage(WM_COMMAND, command, 0);
      HWND select = nullptr;
      ASSERT_TRUE(PumpUntil([&] { return (select = FindSelectionDialog(d.m_hWnd)) != nullptr; }, 30000)) << command;
      PostMessageW(select, WM_COMMAND, IDCANCEL, 0);
      ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 30000)) << command;
      EXPECT_EQ(d.m_browser.m_list.GetItemCount(), rows) << command;
      if (command == kCmdDelete) {
        // The current row is selected anew with no current index: the list's selection opens it
        // again (and the tool's end once more).
        EXPECT_EQ(d.m_nCurIndex, 0);
        EXPECT_EQ(d.m_browser.m_list.m_nSelected, 0);
        EXPECT_EQ(d.m_uPrepareCount - prepares, 2u);
      }
      EXPECT_FALSE(d.m_bToolLock) << command;
    });
    EXPECT_TRUE(Messages().empty()) << command;
    EXPECT_EQ(quill::test::FingerprintTree(card), before) << command;
    EXPECT_TRUE(quill::test::FilesIn(out.path()).empty()) << command;
  }
}

// The browser asks the players' table which files are recordings: what both instances' probe slot
// refuses is not listed, although the file itself is a recording.
std::vector<std::wstring> g_probed;
int (*g_realProbe)(playcore::sPLAYERINSTANCE*, const wchar_t*) = nullptr;
int ProbeRefusingTheFirstRecording(playcore::sPLAYERINSTANCE* instance, const wchar_t* path) {
  g_probed.push_back(path);
  return wcsstr(path, L"\\001_") ? 0 : g_realProbe(instance, path);
}

TEST_F(ToolCommandsTest, TheBrowserListsWhatThePlayersProbeAccepts) {
  const std::wstring card = MakeCard({L"20240101_001\\001_120000A_M.MP4", L"20240101_001\\002_120100G_M.MP4"});
  g_probed.clear();
  std::vector<std::wstring> listed;
  CRunDlg dlg;
  dlg.body = [&](CRunDlg& d) {
    g_realProbe = playcore::g_PlayerFuncs[0].ProbeFile;
    for (playcore::sPLAYERFUNCS& f : playcore::g_PlayerFuncs) f.ProbeFile = &ProbeRefusingTheFirstRecording;
    d.m_browser.OpenSource(CString((card + L"\\20240101_001").c_str()), CFilerContainerDlg::kSourceFolder);
    for (playcore::sPLAYERFUNCS& f : playcore::g_PlayerFuncs) f.ProbeFile = g_realProbe;
    for (const sRECORDINGPAIR& r : d.m_browser.m_list.m_shownRecords) listed.push_back(r.szMainName);
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(g_probed.empty()) << "the players were asked";
  EXPECT_NE(std::find(listed.begin(), listed.end(), L"002_120100G_M.MP4"), listed.end());
  EXPECT_EQ(std::find(listed.begin(), listed.end(), L"001_120000A_M.MP4"), listed.end()) << "refused by the players";
}

// A folder of the tree that vanished since it was listed loads nothing when it is selected: the
// folder that was loaded keeps its rows and the current recording.
TEST_F(ToolCommandsTest, SelectingAVanishedFolderKeepsTheListAsItIs) {
  const std::wstring card = MakeCard({L"20240101_001\\001_120000A_M.MP4", L"20240101_001\\002_120100G_M.MP4",
                                      L"20240102_001\\003_130000A_M.MP4"});
  size_t rowsBefore = 0, rowsAfter = 0;
  int indexBefore = -2, indexAfter = -2;
  Run(card, [&](CRunDlg& d) {
    HWND tree = d.m_browser.m_tree.m_hWnd;
    auto next = [&](HTREEITEM item, WPARAM how) {
      return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
    };
    const HTREEITEM top = next(nullptr, TVGN_ROOT);
    const HTREEITEM first = next(top, TVGN_CHILD);
    const HTREEITEM second = first ? next(first, TVGN_NEXT) : nullptr;
    ASSERT_TRUE(first && second) << "both day folders in the tree";
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first));
    rowsBefore = d.m_browser.m_list.m_shownRecords.size();
    indexBefore = d.m_nCurIndex;
    quill::test::RemoveTree(card + L"\\20240102_001");
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(second));
    rowsAfter = d.m_browser.m_list.m_shownRecords.size();
    indexAfter = d.m_nCurIndex;
  });
  EXPECT_EQ(rowsBefore, 2u);
  EXPECT_EQ(rowsAfter, 2u);
  EXPECT_EQ(indexAfter, indexBefore);
}

// A worker that asks the UI thread for something (as every tool does through kRunSentCall) while the
// dialog finishes the tool: the finish must keep dispatching, or both threads wait for ever.
std::atomic<int> g_uiCalls{0};
UINT SendingTool(LPVOID p) {
  auto* d = static_cast<CtavrinDlg*>(p);
  const std::function<void()> call = [] { ++g_uiCalls; };
  ::SendMessageW(d->m_hWnd, quill::msg::kRunSentCall, reinterpret_cast<WPARAM>(&call), 0);
  return 0;
}

TEST_F(ToolCommandsTest, FinishingAToolThatSendsToTheDialogDoesNotHang) {
  Run(dir_.path(), [](CRunDlg& d) {
    g_uiCalls = 0;
    d.StartToolThread(&SendingTool);
    d.FinishTool();  // the worker's send is answered during the wait
    EXPECT_EQ(g_uiCalls.load(), 1);
    EXPECT_FALSE(d.m_toolThread.joinable());
    EXPECT_TRUE(d.m_seekBar.IsWindowEnabled());
  });
}

// A tool started while the last one's worker, its running word already cleared, still sends to the
// dialog: the start collects it while answering that send.
TEST_F(ToolCommandsTest, StartingAToolWhileTheLastWorkerStillSendsDoesNotHang) {
  Run(dir_.path(), [](CRunDlg& d) {
    g_uiCalls = 0;
    d.StartToolThread(&SendingTool);
    d.m_bToolRunning = false;  // ended as far as the dialog knows, its send not answered yet
    d.StartToolThread(&SendingTool);
    d.FinishTool();
    EXPECT_EQ(g_uiCalls.load(), 2);
    EXPECT_FALSE(d.m_toolThread.joinable());
  });
}

// A confirmed deletion of the playing recording: its files go, its row and record go, the next
// recording plays in its place, and the other rows still name files on disk.
TEST_F(ToolCommandsTest, ConfirmedDeletionOfThePlayingRecordingPlaysTheNextOne) {
  const std::wstring day = CopyDay(L"20240315_001");
  Run(day, [&](CRunDlg& d) {
    ASSERT_TRUE(OpenAndPause(d));
    const RecordingList before = d.m_browser.m_list.m_shownRecords;
    ASSERT_GE(before.size(), 3u);
    const std::wstring gone = RecordingKey(before[0]);
    const std::wstring next = RecordingKey(before[1]);
    // The next recording is read ahead while this one plays.
    ASSERT_TRUE(PumpUntil([] { return playcore::g_PlayerInstance[0].preloadReady != 0; }, 60000));
    d.SendMessage(WM_COMMAND, kCmdDelete, 0);
    HWND select = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (select = FindSelectionDialog(d.m_hWnd)) != nullptr; }, 30000));
    // Regression: the read-ahead kept the next recording's file open while the walk recycled it.
    EXPECT_FALSE(d.m_hPreOpenThread);
    for (int k = 0; k < playcore::kPlayerCount; ++k) {
      EXPECT_EQ(playcore::g_PlayerInstance[k].preloadReady, 0) << k;
      EXPECT_EQ(playcore::g_PlayerInstance[k].preloadMap.path[0], L'\0') << k;
    }
    ASSERT_EQ(ChooseAndConfirm(select, [&](const std::wstring& row) { return row == gone; }), 1);
    ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 60000));
    EXPECT_FALSE(quill::test::FileExists(before[0].szMainPath));
    EXPECT_FALSE(quill::test::FileExists(before[0].szRearPath));
    ExpectRowsMatchDisk(d, "after the deletion");
    ASSERT_EQ(d.m_browser.m_list.m_shownRecords.size(), before.size() - 1);
    EXPECT_EQ(std::wstring(RecordingKey(d.m_browser.m_list.m_shownRecords[0])), next);
    ASSERT_TRUE(PumpUntil([&] { return Plays(d, 0); }, 60000)) << "the next recording opens";
    EXPECT_STREQ(playcore::g_PlayerInstance[0].movieOpen ? L"open" : L"closed", L"open");
  });
  const std::vector<std::wstring> shown = Messages();
  EXPECT_EQ(std::count(shown.begin(), shown.end(), std::wstring(UIText(48))), 1) << "done once";
  EXPECT_EQ(quill::test::ScanCard(day).size(), 5u);
}

// Deleting every recording of the source leaves the window empty: no rows, nothing open, the drive
// views cleared, only the source, settings and CSV buttons usable.
TEST_F(ToolCommandsTest, DeletingEveryRecordingShowsTheEmptyState) {
  const std::wstring day = CopyDay(L"20240315_001");
  Run(day, [&](CRunDlg& d) {
    ASSERT_TRUE(OpenAndPause(d));
    const size_t rows = d.m_browser.m_list.m_shownRecords.size();
    d.SendMessage(WM_COMMAND, kCmdDelete, 0);
    HWND select = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (select = FindSelectionDialog(d.m_hWnd)) != nullptr; }, 30000));
    EXPECT_EQ(static_cast<size_t>(ChooseAndConfirm(select, [](const std::wstring&) { return true; })), rows);
    ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 60000));
    quill::test::PumpMessages(50);
    EXPECT_EQ(d.m_browser.m_list.GetItemCount(), 0);
    EXPECT_TRUE(d.m_browser.m_list.m_records.empty());
    EXPECT_EQ(d.m_nCurIndex, -1);
    EXPECT_FALSE(d.m_bOpened);
    for (int i = 0; i < playcore::kPlayerCount; ++i) EXPECT_FALSE(playcore::g_PlayerInstance[i].movieOpen) << i;
    EXPECT_EQ(d.m_info.m_nSampleIndex, -1) << "the info panel shows no values";
    EXPECT_FALSE(d.m_info.m_bStartValid);
    EXPECT_TRUE(d.m_driveEvents.empty());
    for (int id = kCmdFirst; id <= kCmdDisplaySwitch; ++id) {
      if (id == kCmdCsv) continue;  // keeps the state it had
      const bool expected = id == kCmdSource || id == kCmdSettings;
      EXPECT_EQ(d.m_tool[id - kToolFirst].IsWindowEnabled() != FALSE, expected) << id;
    }
  });
  EXPECT_TRUE(quill::test::ScanCard(day).empty());
}

// The stop button while a deletion walks: the walk ends after the recording in hand, the rows still
// name what is on disk, and the row that played plays again.
TEST_F(ToolCommandsTest, StoppedDeletionEndsAfterTheRecordingInHand) {
  const std::wstring day = CopyDay(L"20240315_001");
  bool stopEnabled = false;
  size_t rowsAtStop = 0;
  Run(
      day,
      [&](CRunDlg& d) {
        ASSERT_TRUE(OpenAndPause(d));
        const RecordingList before = d.m_browser.m_list.m_shownRecords;
        ASSERT_GE(before.size(), 4u);
        // The last three rows are picked: the walk goes from the last.
        std::vector<std::wstring> picked;
        for (size_t i = before.size() - 3; i < before.size(); ++i) picked.push_back(RecordingKey(before[i]));
        rowsAtStop = before.size();
        d.SendMessage(WM_COMMAND, kCmdDelete, 0);
        HWND select = nullptr;
        ASSERT_TRUE(PumpUntil([&] { return (select = FindSelectionDialog(d.m_hWnd)) != nullptr; }, 30000));
        ASSERT_EQ(ChooseAndConfirm(select, [&](const std::wstring& row) {
                    return std::find(picked.begin(), picked.end(), row) != picked.end();
                  }), 3);
        ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 60000));
        ExpectRowsMatchDisk(d, "after the stop");
        EXPECT_EQ(d.m_browser.m_list.m_shownRecords.size(), before.size() - 1) << "one recording went";
        const sRECORDINGPAIR& last = before.back();  // the walk's first
        EXPECT_FALSE(quill::test::FileExists(last.szMainPath[0] ? last.szMainPath : last.szRearPath));
        EXPECT_TRUE(d.m_browser.m_tree.IsWindowEnabled());
        EXPECT_TRUE(d.m_browser.m_list.IsWindowEnabled());
        ASSERT_TRUE(PumpUntil([&] { return Plays(d, 0); }, 60000)) << "the row that played opens again";
        EXPECT_EQ(std::wstring(RecordingKey(d.m_browser.m_list.m_shownRecords[0])), std::wstring(RecordingKey(before[0])));
      },
      [&](CRunDlg& d) {
        // The first recording's row went: press stop now (once).
        if (rowsAtStop && d.m_browser.m_list.m_shownRecords.size() == rowsAtStop - 1) {
          stopEnabled = d.m_tool[kCmdFirst - kToolFirst].IsWindowEnabled() != FALSE;
          EXPECT_FALSE(d.m_browser.m_list.IsWindowEnabled()) << "the rows are frozen during the walk";
          d.SendMessage(WM_COMMAND, kCmdFirst, 0);
          rowsAtStop = 0;
        }
      });
  EXPECT_TRUE(stopEnabled) << "the stop button is usable while a tool runs";
  EXPECT_TRUE(Messages().empty()) << "a stop says nothing";
  EXPECT_EQ(quill::test::ScanCard(day).size(), 5u);
}

// The stop button while a CSV export runs keeps the lines written so far (here the header: the stop
// lands before the first record) in place of the file the user agreed to replace; closing the
// program at the same point leaves that file as it was.
TEST_F(ToolCommandsTest, StoppedCsvExportKeepsItsLinesAndAClosedOneLeavesTheOldFile) {
  const std::wstring day = CopyDay(L"20240315_001");
  quill::test::TempDir out;
  Ini(L"FOLDERPATH", L"CSV_FOLDER", out.path());
  // The first export makes the file; the next ones replace it after the question.
  Run(day, [&](CRunDlg& d) {
    d.SendMessage(WM_COMMAND, kCmdCsv, 0);
    ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 60000));
  });
  const std::vector<std::wstring> files = quill::test::FilesIn(out.path());
  ASSERT_EQ(files.size(), 1u);
  const std::wstring csv = out.path() + files[0];
  const std::string full = quill::test::ReadBytes(csv);
  ASSERT_EQ(CountLines(full), 1 + quill::test::ScanCard(day).size());
  struct Case {
    const char* name;
    int command;  // pressed while the question is answered
    bool kept;    // the file holds the lines so far (else it is as it was)
  } cases[] = {{"close", kCmdClose, false}, {"stop", kCmdFirst, true}};
  for (const Case& c : cases) {
    const std::string prior = quill::test::ReadBytes(csv);
    g_messages.clear();
    g_pressOnQuestion = c.command;
    g_stopEnabled = false;
    Run(day, [&](CRunDlg& d) {
      g_dlg = &d;
      d.SendMessage(WM_COMMAND, kCmdCsv, 0);
      ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d) || d.m_bShutDown; }, 60000)) << c.name;
    });
    g_pressOnQuestion = 0;
    g_dlg = nullptr;
    if (c.command == kCmdFirst) {
      EXPECT_TRUE(g_stopEnabled.load()) << "the stop button is usable";
    }
    const std::vector<std::wstring> shown = Messages();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), std::wstring(UIText(93))), 1) << c.name << ": the question";
    EXPECT_EQ(std::count(shown.begin(), shown.end(), std::wstring(UIText(48))), 0) << c.name;
    EXPECT_EQ(quill::test::FilesIn(out.path()), files) << c.name << ": no temporary left";
    const std::string now = quill::test::ReadBytes(csv);
    if (c.kept) {
      EXPECT_EQ(CountLines(now), 1u) << c.name << ": the header, written before the stop";
    } else {
      EXPECT_EQ(now, prior) << c.name;
    }
    EXPECT_EQ(now.substr(0, now.find("\r\n")), full.substr(0, full.find("\r\n"))) << c.name << ": the header";
  }
}

// The stop button while a join runs: no joined file and no temporary file are left.
TEST_F(ToolCommandsTest, StoppedJoinLeavesNoOutput) {
  const std::wstring day = CopyDay(L"20240315_001");
  const auto before = quill::test::FingerprintTree(day);
  quill::test::TempDir out;
  Ini(L"FOLDERPATH", L"CONNECT_FOLDER", out.path());
  bool picked = false, stopped = false;
  Run(
      day,
      [&](CRunDlg& d) {
        ASSERT_TRUE(OpenAndPause(d));
        const RecordingList rows = d.m_browser.m_list.m_shownRecords;
        const std::wstring first = RecordingKey(rows[0]), second = RecordingKey(rows[1]);
        d.SendMessage(WM_COMMAND, kCmdJoin, 0);
        HWND select = nullptr;
        ASSERT_TRUE(PumpUntil([&] { return (select = FindSelectionDialog(d.m_hWnd)) != nullptr; }, 30000));
        ASSERT_EQ(ChooseAndConfirm(select, [&](const std::wstring& row) { return row == first || row == second; }), 2);
        picked = true;
        ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 60000));
      },
      [&](CRunDlg& d) {
        // The join marks its picked rows before it starts its work: stop there.
        if (!picked || stopped) return;
        stopped = true;
        d.SendMessage(WM_COMMAND, kCmdFirst, 0);
      });
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(quill::test::FilesIn(out.path()).empty());
  EXPECT_EQ(quill::test::FingerprintTree(day), before);
  EXPECT_TRUE(Messages().empty());
}

// Where the volume keeps no recycle bin (the test bed's trash made unusable: QUILL_NO_TRASH), the
// deletion asks once, before the first file, whether the files may be destroyed: Cancel keeps every
// file, OK deletes the picked ones and nothing else.
std::atomic<int> g_binAnswer{1};
int AnswerBinQuestion(const wchar_t* text) {
  return std::wstring(text) == tools::kNoRecycleBinQuestion ? g_binAnswer.load() : kMsgBoxAnswerOk;
}

TEST_F(ToolCommandsTest, DeletionWhereNoRecycleBinIsAsksOnceFirst) {
  if (!std::getenv("QUILL_NO_TRASH")) GTEST_SKIP() << "runs as its own test with the trash made unusable";
  const std::wstring day = CopyDay(L"20240315_001");
  ASSERT_FALSE(VolumeHasRecycleBin((day + L"\\x").c_str())) << "the premise: no recycle bin here";
  CmdHooks().answerQuestion = &AnswerBinQuestion;
  for (int answer : {2, 1}) {
    g_messages.clear();
    g_binAnswer = answer;
    const auto before = quill::test::FingerprintTree(day);
    RecordingList picked;
    Run(day, [&](CRunDlg& d) {
      ASSERT_TRUE(OpenAndPause(d));
      const RecordingList rows = d.m_browser.m_list.m_shownRecords;
      ASSERT_GE(rows.size(), 3u);
      picked = {rows[1], rows[2]};
      const std::wstring a = RecordingKey(rows[1]), b = RecordingKey(rows[2]);
      d.SendMessage(WM_COMMAND, kCmdDelete, 0);
      HWND select = nullptr;
      ASSERT_TRUE(PumpUntil([&] { return (select = FindSelectionDialog(d.m_hWnd)) != nullptr; }, 30000));
      ASSERT_EQ(ChooseAndConfirm(select, [&](const std::wstring& row) { return row == a || row == b; }), 2);
      ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 60000));
      ExpectRowsMatchDisk(d, answer == 1 ? "deleted" : "kept");
      EXPECT_EQ(d.m_browser.m_list.m_shownRecords.size(), rows.size() - (answer == 1 ? 2 : 0));
    });
    const std::vector<std::wstring> shown = Messages();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), std::wstring(tools::kNoRecycleBinQuestion)), 1) << answer;
    auto expected = before;
    if (answer == 1) {
      for (const sRECORDINGPAIR& r : picked) {
        for (const wchar_t* path : {r.szMainPath, r.szRearPath}) {
          if (path[0]) {
            EXPECT_EQ(expected.erase(path), 1u) << answer;
          }
        }
      }
    }
    EXPECT_EQ(quill::test::FingerprintTree(day), expected) << answer;
  }
}

// The join's writer as a test drives it, asked before each piece of a joined file goes to disk.
enum AtPiece { kWriteOn, kStopAtFirst, kCloseAtFirst, kFailRear };
std::atomic<int> g_atPiece{kWriteOn};
std::atomic<int> g_pieces{0};
std::atomic<bool> g_writing{false};
bool JoinWriting(int channel) {
  const bool first = g_pieces++ == 0;
  switch (g_atPiece.load()) {
    case kStopAtFirst:
      if (first) SendMessageW(g_dlg->m_hWnd, WM_COMMAND, kCmdFirst, 0);
      return true;
    case kCloseAtFirst:
      if (first) {
        // The window is closed while this piece is in hand: wait until the close told the tool to stop.
        g_writing = true;
        const DWORD start = GetTickCount();
        while (g_dlg->m_bToolRunning.load(std::memory_order_acquire) && GetTickCount() - start < 30000) Sleep(1);
      }
      return true;
    case kFailRear:
      return channel != 1;  // the rear camera's file fails as a full disk would
    default:
      return true;
  }
}

// Joins the first two rows of `day` into the join folder (both cameras); `body` runs once the
// selection was confirmed.
void JoinFirstTwo(CRunDlg& d, const std::function<void()>& body) {
  const RecordingList rows = d.m_browser.m_list.m_shownRecords;
  ASSERT_GE(rows.size(), 2u);
  const std::wstring first = RecordingKey(rows[0]), second = RecordingKey(rows[1]);
  d.SendMessage(WM_COMMAND, kCmdJoin, 0);
  HWND select = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (select = FindSelectionDialog(d.m_hWnd)) != nullptr; }, 30000));
  ASSERT_EQ(ChooseAndConfirm(select, [&](const std::wstring& row) { return row == first || row == second; }), 2);
  body();
}

// A join stopped by the stop button, or by closing the window, while its first file is being
// written: the writer stops at that piece (nothing more goes to disk), no joined file and no
// temporary file are left, and the recordings are unchanged.
TEST_F(ToolCommandsTest, JoinStoppedOrClosedWhileWritingLeavesNothing) {
  const std::wstring day = CopyDay(L"20240315_001");
  const auto before = quill::test::FingerprintTree(day);
  CmdHooks().joinWriting = &JoinWriting;
  for (int at : {kStopAtFirst, kCloseAtFirst}) {
    quill::test::TempDir out;
    Ini(L"FOLDERPATH", L"CONNECT_FOLDER", out.path());
    g_messages.clear();
    g_atPiece = at;
    g_pieces = 0;
    g_writing = false;
    Run(day, [&](CRunDlg& d) {
      g_dlg = &d;
      ASSERT_TRUE(OpenAndPause(d));
      JoinFirstTwo(d, [&] {
        if (at == kCloseAtFirst) {
          ASSERT_TRUE(PumpUntil([&] { return g_writing.load(); }, 60000));
          d.SendMessage(WM_COMMAND, kCmdClose, 0);  // returns once the window's workers ended
          EXPECT_FALSE(d.m_toolThread.joinable()) << "the close waited for the join";
        } else {
          ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 60000));
        }
      });
    });
    g_dlg = nullptr;
    EXPECT_EQ(g_pieces.load(), 1) << at << ": pieces written after the stop";
    EXPECT_TRUE(quill::test::FilesIn(out.path()).empty()) << at;
    EXPECT_EQ(quill::test::FingerprintTree(day), before) << at;
    EXPECT_TRUE(Messages().empty()) << at;
  }
}

// A two-camera join: the bar runs from 0 to 100 over both cameras' copies. Joined again over those
// files (kept as older versions) with the rear camera's file failing: the failure is reported, and
// both older files are still there, unchanged, with no temporary file beside them.
TEST_F(ToolCommandsTest, JoinProgressRunsOverBothCamerasAndAFailedRearLeavesTheDiskAsItWas) {
  const std::wstring day = CopyDay(L"20240315_001");
  quill::test::TempDir out;
  Ini(L"FOLDERPATH", L"CONNECT_FOLDER", out.path());
  CmdHooks().joinWriting = &JoinWriting;
  std::vector<int> bar;
  g_atPiece = kWriteOn;
  Run(day, [&](CRunDlg& d) {
    ASSERT_TRUE(OpenAndPause(d));
    JoinFirstTwo(d, [&] { ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 60000)); });
    bar = d.barShown;
  });
  ASSERT_FALSE(bar.empty());
  EXPECT_EQ(bar.front(), 0);
  EXPECT_EQ(bar.back(), 100);
  EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end()));
  EXPECT_TRUE(std::any_of(bar.begin(), bar.end(), [](int p) { return p > 0 && p < 100; })) << "steps while copying";
  const std::vector<std::wstring> joined = quill::test::FilesIn(out.path());
  ASSERT_EQ(joined.size(), 2u) << "a joined file per camera";
  for (const std::wstring& f : joined) {
    ASSERT_TRUE(quill::test::WriteFileBytes(out.path() + f, "older " + std::to_string(f.size())));
  }
  const auto older = quill::test::FingerprintTree(out.path());

  g_messages.clear();
  g_atPiece = kFailRear;
  Run(day, [&](CRunDlg& d) {
    ASSERT_TRUE(OpenAndPause(d));
    JoinFirstTwo(d, [&] { ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 60000)); });
  });
  const std::vector<std::wstring> shown = Messages();
  EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](const std::wstring& m) { return m.rfind(kJoinFailedText, 0) == 0; }));
  EXPECT_EQ(quill::test::FingerprintTree(out.path()), older);
}

// A tool whose worker throws (memory running out while a card's lists are copied, say) ends as that
// tool's failure: its failure message, the controls given back, and the program goes on.
PIDLIST_ABSOLUTE ThrowingFolderBrowse(BROWSEINFOW*) { throw std::bad_alloc(); }

TEST_F(ToolCommandsTest, AToolWhoseWorkerThrowsFailsAloneAndTheProgramGoesOn) {
  const std::wstring day = CopyDay(L"20240315_001");
  Ini(L"FOLDERPATH", L"CSV_FOLDER", L"");
  quill::skin::SetFolderBrowseFunction(&ThrowingFolderBrowse);
  Run(day, [&](CRunDlg& d) {
    ASSERT_TRUE(OpenAndPause(d));
    d.SendMessage(WM_COMMAND, kCmdCsv, 0);
    ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 60000));
    EXPECT_FALSE(d.m_bToolLock);
    EXPECT_TRUE(d.m_seekBar.IsWindowEnabled());
  });
  const std::vector<std::wstring> shown = Messages();
  EXPECT_EQ(std::count(shown.begin(), shown.end(), std::wstring(UIText(96))), 1);
  EXPECT_EQ(std::count(shown.begin(), shown.end(), std::wstring(UIText(48))), 0) << "no done";
}

// Where the bin of a fixed drive is turned off, or is smaller than a picked file, the deletion asks
// once before the first file (Cancel keeps every file); a bin that takes them is not asked about.
RecycleBinSetting g_bin;
RecycleBinSetting ReadFakeBin(const wchar_t*) { return g_bin; }

TEST_F(ToolCommandsTest, DeletionWhereTheBinIsOffOrTooSmallAsksOnceFirst) {
  if (std::getenv("QUILL_NO_TRASH")) GTEST_SKIP() << "needs the test bed's trash";
  struct Case {
    const char* name;
    RecycleBinSetting bin;
    int questions;
  } cases[] = {{"bin turned off", {true, 0}, 1}, {"bin smaller than the files", {false, 1}, 1},
               {"bin that takes them", {false, 0}, 0}};
  SetRecycleBinSettingReader(&ReadFakeBin);
  CmdHooks().answerQuestion = &AnswerBinQuestion;
  g_binAnswer = 2;
  for (const Case& c : cases) {
    const std::wstring day = CopyDay(L"20240315_001");
    g_bin = c.bin;
    g_messages.clear();
    const auto before = quill::test::FingerprintTree(day);
    Run(day, [&](CRunDlg& d) {
      ASSERT_TRUE(OpenAndPause(d));
      const RecordingList rows = d.m_browser.m_list.m_shownRecords;
      ASSERT_GE(rows.size(), 3u);
      const std::wstring pick = RecordingKey(rows[2]);
      d.SendMessage(WM_COMMAND, kCmdDelete, 0);
      HWND select = nullptr;
      ASSERT_TRUE(PumpUntil([&] { return (select = FindSelectionDialog(d.m_hWnd)) != nullptr; }, 30000));
      ASSERT_EQ(ChooseAndConfirm(select, [&](const std::wstring& row) { return row == pick; }), 1);
      ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 60000));
    });
    const std::vector<std::wstring> shown = Messages();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), std::wstring(tools::kNoRecycleBinQuestion)), c.questions) << c.name;
    if (c.questions > 0) {
      EXPECT_EQ(quill::test::FingerprintTree(day), before) << c.name << ": declined, nothing deleted";
    } else {
      EXPECT_LT(quill::test::FingerprintTree(day).size(), before.size()) << c.name;
    }
  }
  SetRecycleBinSettingReader(nullptr);
}

// The deletion's "show all files" (1004): the dialog first offers the rows the list shows, and with
// the option every recording of the source, across its day folders.
int SelectionRows(HWND select) {
  return static_cast<int>(SendMessageW(GetDlgItem(select, kSelectionListId), LVM_GETITEMCOUNT, 0, 0));
}

TEST_F(ToolCommandsTest, DeletionShowAllListsEveryRecordingOfTheSource) {
  CopyDay(L"20240315_001");
  CopyDay(L"20240316_001");
  const std::wstring source = dir_.path() + L"src";
  Run(source, [&](CRunDlg& d) {
    const size_t every = d.m_browser.CollectSourceRecordings().size();
    const size_t listed = d.m_browser.m_list.m_shownRecords.size();
    ASSERT_LT(listed, every) << "the premise: the list shows one day of two";
    d.SendMessage(WM_COMMAND, kCmdDelete, 0);
    HWND select = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (select = FindSelectionDialog(d.m_hWnd)) != nullptr; }, 30000));
    EXPECT_EQ(SelectionRows(select), static_cast<int>(listed));
    SendMessageW(select, WM_COMMAND, kShowAllId, 0);
    EXPECT_EQ(SelectionRows(select), static_cast<int>(every));
    SendMessageW(select, WM_COMMAND, kShowAllId, 0);
    EXPECT_EQ(SelectionRows(select), static_cast<int>(listed));
    PostMessageW(select, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 30000));
  });
}

// Width and height of a picture file, read back through GDI+ (0, 0 when it cannot be read).
SIZE PictureSize(const std::wstring& path) {
  Gdiplus::GpImage* image = nullptr;
  SIZE size = {0, 0};
  if (Gdiplus::DllExports::GdipLoadImageFromFile(path.c_str(), &image) != Gdiplus::Ok || !image) return size;
  UINT w = 0, h = 0;
  Gdiplus::DllExports::GdipGetImageWidth(image, &w);
  Gdiplus::DllExports::GdipGetImageHeight(image, &h);
  Gdiplus::DllExports::GdipDisposeImage(image);
  size.cx = static_cast<LONG>(w);
  size.cy = static_cast<LONG>(h);
  return size;
}

// The one picture of the snapshot folder whose name ends in `tail` ("_M.jpg", "_R.jpg").
std::wstring PictureEndingIn(const std::wstring& folder, const wchar_t* tail) {
  for (const std::wstring& f : quill::test::FilesIn(folder)) {
    if (f.size() > wcslen(tail) && f.compare(f.size() - wcslen(tail), wcslen(tail), tail) == 0) return folder + f;
  }
  return std::wstring();
}

// A snapshot per mode of the main pane: the main camera's JPEG has its mode's capture size, the rear
// camera's its native size, and both panes are back in their places, shown, afterwards.
TEST_F(ToolCommandsTest, SnapshotsHaveTheCaptureSizeOfTheirPaneMode) {
  const std::wstring day = CopyDay(L"20240315_001");
  struct Case {
    int mode;
    SIZE main;
  } cases[] = {{1, {960, 720}}, {2, {320, 320}}, {3, {1280, 720}}, {4, {2469, 720}}};
  const SIZE rearNative = {320, 180};  // the generated rear files
  Run(day, [&](CRunDlg& d) {
    ASSERT_TRUE(OpenAndPause(d));
    for (const Case& c : cases) {
      g_messages.clear();
      quill::test::TempDir out;
      Ini(L"FOLDERPATH", L"SNAPSHOT_FOLDER", out.path());
      d.m_nPaneMode[0] = c.mode;
      d.ApplyPaneMode(0);
      RECT before[2], after[2];
      int32_t aspect[2];
      for (int k = 0; k < 2; ++k) {
        d.m_pane[k].GetWindowRect(&before[k]);
        aspect[k] = playcore::g_PlayerInstance[k].aspectMode;
      }
      d.SendMessage(WM_COMMAND, kCmdSnapshot, 0);
      const std::vector<std::wstring> shown = Messages();
      ASSERT_EQ(shown.size(), 1u) << c.mode;
      EXPECT_EQ(shown[0], UIText(48)) << c.mode;
      const SIZE main = PictureSize(PictureEndingIn(out.path(), L"_M.jpg"));
      EXPECT_EQ(main.cx, c.main.cx) << "mode " << c.mode;
      EXPECT_EQ(main.cy, c.main.cy) << "mode " << c.mode;
      const SIZE rear = PictureSize(PictureEndingIn(out.path(), L"_R.jpg"));
      EXPECT_EQ(rear.cx, rearNative.cx) << "mode " << c.mode;
      EXPECT_EQ(rear.cy, rearNative.cy) << "mode " << c.mode;
      for (int k = 0; k < 2; ++k) {
        d.m_pane[k].GetWindowRect(&after[k]);
        EXPECT_TRUE(EqualRect(&before[k], &after[k])) << "pane " << k << " mode " << c.mode;
        EXPECT_TRUE(d.m_pane[k].IsWindowVisible()) << "pane " << k << " mode " << c.mode;
        EXPECT_EQ(playcore::g_PlayerInstance[k].aspectMode, aspect[k]) << "pane " << k << " mode " << c.mode;
      }
      EXPECT_FALSE(d.m_bCapturing);
      EXPECT_NE(playcore::g_PlayerInstance[0].playState, playcore::kPlayPlaying) << "paused for the picture";
    }
    // Nothing open: the command does nothing at all (no folder, no message).
    d.StopPlayback();
    g_messages.clear();
    quill::test::TempDir out;
    Ini(L"FOLDERPATH", L"SNAPSHOT_FOLDER", out.path());
    d.SendMessage(WM_COMMAND, kCmdSnapshot, 0);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(quill::test::FilesIn(out.path()).empty());
  });
}

// A JPEG's pixels (top-down 0x00RRGGBB), read back through GDI+; empty when it cannot be read.
playcore::test::Picture ReadPicture(const std::wstring& path) {
  playcore::test::Picture picture;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok || !bitmap) return picture;
  UINT w = 0, h = 0;
  Gdiplus::DllExports::GdipGetImageWidth(bitmap, &w);
  Gdiplus::DllExports::GdipGetImageHeight(bitmap, &h);
  picture.width = static_cast<int>(w);
  picture.height = static_cast<int>(h);
  picture.pixels.resize(static_cast<size_t>(w) * h);
  for (UINT y = 0; y < h; ++y) {
    for (UINT x = 0; x < w; ++x) {
      Gdiplus::ARGB colour = 0;
      Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, static_cast<INT>(x), static_cast<INT>(y), &colour);
      picture.pixels[static_cast<size_t>(y) * w + x] = colour & 0xFFFFFF;
    }
  }
  Gdiplus::DllExports::GdipDisposeImage(bitmap);
  return picture;
}

// The share of a quarter's pixels that are black (every channel below 24): 0 for a picture, near 1
// for the black the capture leaves where nothing was drawn.
double BlackShare(const playcore::test::Picture& p, int quarter) {
  const int x0 = (quarter % 2) * p.width / 2, y0 = (quarter / 2) * p.height / 2;
  size_t black = 0, all = 0;
  for (int y = y0; y < y0 + p.height / 2; ++y) {
    for (int x = x0; x < x0 + p.width / 2; ++x) {
      const DWORD c = p.pixels[static_cast<size_t>(y) * p.width + x];
      black += ((c >> 16) & 0xFF) < 24 && ((c >> 8) & 0xFF) < 24 && (c & 0xFF) < 24;
      ++all;
    }
  }
  return all ? static_cast<double>(black) / all : 1.0;
}

// Every processor kept busy while it lives (the capture's fault showed on a loaded machine).
class BusyMachine {
 public:
  BusyMachine() {
    const unsigned n = std::thread::hardware_concurrency();
    for (unsigned i = 0; i < (n ? n : 4); ++i) {
      threads_.emplace_back([this] {
        volatile unsigned spin = 0;
        while (!stop_.load(std::memory_order_relaxed)) ++spin;
      });
    }
  }
  ~BusyMachine() {
    stop_ = true;
    for (std::thread& t : threads_) t.join();
  }
  BusyMachine(const BusyMachine&) = delete;
  BusyMachine& operator=(const BusyMachine&) = delete;

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

constexpr unsigned kTextSaveFailedId = 100;  // the snapshot's failure message

// The rear pane shown small (160 x 90, its picture drawn at that size), then a snapshot on a busy
// machine: the rear JPEG is the whole picture at its capture size (320 x 180), never the small drawing
// in its top-left corner with the rest black.
TEST_F(ToolCommandsTest, ARearSnapshotHoldsTheWholePictureWhenThePaneWasSmaller) {
  const std::wstring day = CopyDay(L"20240315_001");
  Run(day, [&](CRunDlg& d) {
    ASSERT_TRUE(OpenAndPause(d));
    ASSERT_TRUE(playcore::g_PlayerInstance[1].active && playcore::g_PlayerInstance[1].movieOpen);
    CMovieStatic& rear = d.m_pane[1];
    for (int run = 0; run < 3; ++run) {
      g_messages.clear();
      quill::test::TempDir out;
      Ini(L"FOLDERPATH", L"SNAPSHOT_FOLDER", out.path());
      RECT place;
      rear.GetWindowRect(&place);
      ::MapWindowPoints(nullptr, ::GetParent(rear.m_hWnd), reinterpret_cast<POINT*>(&place), 2);
      rear.MoveWindow(place.left, place.top, 160, 90, TRUE);
      playcore::sPLAYERFUNCS& f = playcore::g_PlayerFuncs[1];
      f.ApplyAspectMode(&playcore::g_PlayerInstance[1], playcore::g_PlayerInstance[1].aspectMode);
      f.Repaint(&playcore::g_PlayerInstance[1]);
      // The small picture's drawing is only the starting point (nothing to wait on is exposed): the
      // pane's notices are dispatched for a moment.
      PumpUntil([] { return false; }, 300);
      {
        const BusyMachine busy;
        d.SendMessage(WM_COMMAND, kCmdSnapshot, 0);
      }
      const std::vector<std::wstring> shown = Messages();
      ASSERT_EQ(shown.size(), 1u) << "run " << run;
      const std::wstring rearFile = PictureEndingIn(out.path(), L"_R.jpg");
      if (shown[0] != UIText(48)) {
        // A picture that could not be had whole is a failure said, with nothing written for it...
        EXPECT_EQ(shown[0], UIText(kTextSaveFailedId)) << "run " << run;
        EXPECT_TRUE(rearFile.empty()) << "run " << run << ": a failed capture wrote a picture";
      }
      // ...but the frame made again for the capture size is there well within the bound.
      ASSERT_EQ(shown[0], UIText(48)) << "run " << run << ": the snapshot failed";
      const playcore::test::Picture picture = ReadPicture(rearFile);
      ASSERT_EQ(picture.width, 320) << "run " << run;
      ASSERT_EQ(picture.height, 180) << "run " << run;
      for (int quarter = 0; quarter < 4; ++quarter) {
        EXPECT_LT(BlackShare(picture, quarter), 0.5) << "run " << run << ": quarter " << quarter << " is black";
      }
      int frame = -1, clip = -1;
      EXPECT_TRUE(playcore::test::DecodeFrameCode(picture, &frame, &clip))
          << "run " << run << ": the frame code is not where the whole picture has it";
      rear.MoveWindow(place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
      d.ApplyPaneMode(1);
    }
  });
}

// The folder chooser is cancelled.
PIDLIST_ABSOLUTE CancelBrowse(BROWSEINFOW*) { return nullptr; }

std::atomic<int> g_menusBuilt{0};
void CountMenu(HMENU, const MenuState&) { ++g_menusBuilt; }

// After a snapshot, one whose folder question was cancelled included, the primary pane takes drags
// again and the movie window's size button works. While a snapshot's repaints run (mode 2), neither a
// second snapshot nor a context menu asked for meanwhile is taken.
TEST_F(ToolCommandsTest, ASnapshotGivesThePaneAndSizeButtonBackAndIsNotEnteredAgainWhileItRuns) {
  const std::wstring day = CopyDay(L"20240315_001");
  Run(day, [&](CRunDlg& d) {
    ASSERT_TRUE(OpenAndPause(d));
    quill::skin::SetFolderBrowseFunction(&CancelBrowse);
    Ini(L"FOLDERPATH", L"SNAPSHOT_FOLDER", L"");
    d.SendMessage(WM_COMMAND, kCmdSnapshot, 0);
    EXPECT_TRUE(Messages().empty()) << "a cancelled question took a picture";
    EXPECT_TRUE(d.m_pane[d.m_nMainPane].m_bEnabled) << "the pane ignores drags after a cancelled snapshot";
    EXPECT_TRUE(d.m_movieDlg.m_btnSize.IsWindowEnabled()) << "the size button stays grey after a cancelled snapshot";

    quill::skin::SetFolderBrowseFunction(&AcceptStoredFolder);
    quill::test::TempDir out;
    Ini(L"FOLDERPATH", L"SNAPSHOT_FOLDER", out.path());
    d.m_nPaneMode[0] = 2;
    d.ApplyPaneMode(0);
    g_menusBuilt = 0;
    CmdHooks().inspectMenu = &CountMenu;
    // Both wait in the queue and are dispatched by the snapshot's own repaint waits.
    d.PostMessage(WM_COMMAND, kCmdSnapshot, 0);
    RECT pane;
    d.m_pane[0].GetWindowRect(&pane);
    d.m_pane[0].PostMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(d.m_pane[0].m_hWnd),
                            MAKELPARAM(pane.left + 20, pane.top + 20));
    d.SendMessage(WM_COMMAND, kCmdSnapshot, 0);
    EXPECT_EQ(Messages().size(), 1u) << "a second snapshot ran inside the first";
    EXPECT_EQ(g_menusBuilt.load(), 0) << "a context menu opened during the snapshot";
    EXPECT_EQ(quill::test::FilesIn(out.path()).size(), 2u);
    EXPECT_TRUE(d.m_pane[d.m_nMainPane].m_bEnabled) << "the pane ignores drags after a snapshot";
    EXPECT_TRUE(d.m_movieDlg.m_btnSize.IsWindowEnabled()) << "the size button stays grey after a snapshot";
  });
}

// A relative SOURCE / FOLDER in the settings file (edited by hand) opens that folder of the program's
// folder at start-up: the tree names the folder, not its first two letters, and its recordings are
// listed.
TEST_F(ToolCommandsTest, ARelativeStoredFolderOpensTheProgramsFolderOfThatName) {
  const std::wstring day = CopyDay(L"20240315_001");
  const std::wstring moved = dir_.path() + L"drive";
  ASSERT_TRUE(MoveFileW(day.c_str(), moved.c_str()));
  Ini(L"SOURCE", L"FOLDER", L"drive");
  CRunDlg dlg;
  std::wstring top;
  int rows = -1;
  dlg.body = [&](CRunDlg& d) {
    const HTREEITEM item = d.m_browser.m_tree.GetRootItem();
    if (item) top = d.m_browser.m_tree.GetItemText(item).GetString();
    rows = d.m_browser.m_list.GetItemCount();
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(top, L"drive") << "the stored folder is cut to two letters";
  EXPECT_GT(rows, 0) << "nothing of the stored folder is listed";
}

}  // namespace
