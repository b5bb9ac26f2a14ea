// The tool commands through the real main dialog: the CSV command writes the card's list into the
// chosen folder and says "done" only when the file was made; the deletion and the join end cleanly
// when their selection dialog is cancelled (nothing recycled or written, the recordings unchanged).
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/framework/private_messages.h"
#include "tavrin/app/command_hooks.h"
#include "tavrin/app/main_dlg.h"
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

// The real main dialog running the test's body (tests/app/run_main_dialog.h).
class CRunDlg : public quill::test::CRunMainDlg<CRunDlg> {
};

// Every message a tool showed (workers show theirs from their own thread).
std::mutex g_lock;
std::vector<std::wstring> g_messages;
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
      std::lock_guard<std::mutex> hold(g_lock);
      g_messages.push_back(text);
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
  // Runs `body` in the real main dialog with `source` open in the browser pane.
  void Run(const std::wstring& source, const std::function<void(CRunDlg&)>& body) {
    CRunDlg dlg;
    dlg.body = [&](CRunDlg& d) {
      d.m_browser.OpenSource(CString(source.c_str()), CFilerContainerDlg::kSourceFolder);
      body(d);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
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
    Run(card, [&](CRunDlg& d) {
      const int rows = d.m_browser.m_list.GetItemCount();
      d.SendMessage(WM_COMMAND, command, 0);
      HWND select = nullptr;
      ASSERT_TRUE(PumpUntil([&] { return (select = FindSelectionDialog(d.m_hWnd)) != nullptr; }, 30000)) << command;
      PostMessageW(select, WM_COMMAND, IDCANCEL, 0);
      ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, 30000)) << command;
      EXPECT_EQ(d.m_browser.m_list.GetItemCount(), rows) << command;
      EXPECT_FALSE(d.m_bToolLock) << command;
    });
    EXPECT_TRUE(Messages().empty()) << command;
    EXPECT_EQ(quill::test::FingerprintTree(card), before) << command;
    EXPECT_TRUE(quill::test::FilesIn(out.path()).empty()) << command;
  }
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

}  // namespace
