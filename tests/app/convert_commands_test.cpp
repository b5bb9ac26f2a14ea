// The upload conversion and the join with conversion through the real main dialog (button 38007 in both
// faces), into the recording fake of the sink writer: the platform here has no H.264 encoder. The user's
// part is played on the dialogs the workers show: an area drawn on the conversion dialog's preview, the
// sound removed, the recordings picked for the join. The frames of the upload conversion are checked on
// the host afterwards (projection, band, mosaic). A cancel in the middle of a run and during the
// rewrite leaves nothing under the output's name.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "playcore/converter/conversion_rules.h"
#include "res/browser_res.h"
#include "res/convert_res.h"
#include "tavrin/app/main/command_hooks.h"
#include "tavrin/app/tools/join_command.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/settings_ini.h"
#include "tests/app/run_main_dialog.h"
#include "tests/convert/fake_sink_writer.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"
#include "tests/tools/tool_fixture.h"

namespace {

using namespace quill::app;
using playcore::test::FakeSinkFactory;
using playcore::test::FakeSinkOptions;
using quill::test::PumpUntil;

class CRunDlg : public quill::test::CRunMainDlg<CRunDlg> {};

constexpr DWORD kToolLimitMs = 900000;  // a hang guard: the software renderer draws about a frame a second

std::mutex g_lock;
std::vector<std::wstring> g_messages;
std::vector<std::wstring> Messages() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_messages;
}

// The running dialog, for a writer's callbacks that cancel the tool from the converter's thread.
std::atomic<CRunDlg*> g_dialog{nullptr};

PIDLIST_ABSOLUTE AcceptStoredFolder(BROWSEINFOW* info) {
  return ILCreateFromPathW(reinterpret_cast<const wchar_t*>(info->lParam));
}

std::wstring Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? quill::test::HostPathToWindows(v) : std::wstring();
}

// A visible window of another thread owned by the main dialog (the workers' dialogs), with `title`
// when given.
struct FindDialog {
  HWND main;
  const wchar_t* title;
  HWND found;
};
BOOL CALLBACK MatchWorkerDialog(HWND h, LPARAM p) {
  auto* f = reinterpret_cast<FindDialog*>(p);
  if (!IsWindowVisible(h) || GetWindow(h, GW_OWNER) != f->main ||
      GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId()) {
    return TRUE;
  }
  wchar_t text[128] = L"";
  GetWindowTextW(h, text, 128);
  if (f->title && std::wstring(text) != f->title) return TRUE;
  f->found = h;
  return FALSE;
}
HWND WorkerDialog(HWND main, const wchar_t* title) {
  FindDialog find{main, title, nullptr};
  EnumWindows(&MatchWorkerDialog, reinterpret_cast<LPARAM>(&find));
  return find.found;
}

bool NoTemporaryFiles(const std::wstring& folder) {
  for (const std::wstring& name : quill::test::FilesIn(folder)) {
    if (name.rfind(L"~qm", 0) == 0) return false;
  }
  return true;
}

class ConvertCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The card's day folder: a folder source lists the recordings of the folder itself.
    const std::wstring card = Env("QUILL_CONVERT_CARD");
    convertOut_ = Env("QUILL_CONVERT_OUT");
    ASSERT_FALSE(card.empty() || convertOut_.empty());
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((card + L"\\2*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "no day folder on the card";
    FindClose(find);
    card_ = card + L"\\" + found.cFileName;
    CreateDirectoryW(convertOut_.c_str(), nullptr);
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
    ConvertHooks() = ConvertSetup{};
    SetCurrentDirectoryW(saved_);
  }
  void Ini(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    WritePrivateProfileStringW(section, key, value.c_str(), (dir_.path() + L"Default_Folder.ini").c_str());
  }
  // Runs `body` in the real main dialog with the card open in the browser pane.
  void Run(const std::function<void(CRunDlg&)>& body) {
    CRunDlg dlg;
    dlg.body = [&](CRunDlg& d) {
      g_dialog.store(&d);
      d.m_browser.OpenSource(CString(card_.c_str()), CFilerContainerDlg::kSourceFolder);
      body(d);
      g_dialog.store(nullptr);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
  }
  static bool ToolEnded(CRunDlg& d) { return !d.m_bToolRunning && !d.m_toolThread.joinable(); }

  // The conversion dialog of the running worker: an area drawn on its preview (pane 100,50 - 300,200,
  // which is 192,96 - 576,384 of the 1920 x 960 frame), the sound removed when asked, then OK.
  static void AnswerConversionDialog(CRunDlg& d, bool removeAudio) {
    HWND mask = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (mask = WorkerDialog(d.m_hWnd, L"表示マスク領域の選択")) != nullptr; },
                          120000));
    HWND pane = GetDlgItem(mask, IDC_CONVERT_PREVIEW);
    ASSERT_TRUE(pane);
    PostMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 50));
    PostMessageW(pane, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 200));
    PostMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(300, 200));
    if (removeAudio) PostMessageW(mask, WM_COMMAND, IDC_CONVERT_REMOVE_AUDIO, 0);
    PostMessageW(mask, WM_COMMAND, IDOK, 0);
  }

  // Starts the upload conversion of the card's first recording.
  static void StartUploadConversion(CRunDlg& d) {
    d.m_bJoinFace = FALSE;
    d.m_nCurIndex = 0;
    d.SendMessage(WM_COMMAND, kCmdJoin, 0);
  }

  std::wstring card_, convertOut_;
  quill::skin::GdiplusSession gdiplus_;
  quill::test::TempDir dir_;
  wchar_t saved_[MAX_PATH] = L"";
};

TEST_F(ConvertCommandsTest, UploadConversionWritesTheMaskedPanoramaWithoutSound) {
  quill::test::TempDir out;
  Ini(L"FOLDERPATH", L"CONVERT_FOLDER", out.path());
  const std::wstring raw = convertOut_ + L"\\app-frames.bgra";
  DeleteFileW(raw.c_str());
  FakeSinkOptions sink;
  sink.rawVideoPath = raw;
  std::wstring source;
  Run([&](CRunDlg& d) {
    ASSERT_GT(d.m_browser.m_list.m_shownRecords.size(), 0u);
    source = d.m_browser.m_list.m_shownRecords[0].szMainPath;
    sink.finishedMovie = source;  // the writer's file at its end: the rewrite runs on it
    ConvertHooks().sinkWriter = FakeSinkFactory(sink);
    StartUploadConversion(d);
    AnswerConversionDialog(d, true);
    ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, kToolLimitMs));
  });
  // The host checks the frames against this source.
  ASSERT_TRUE(CopyFileW(source.c_str(), (convertOut_ + L"\\app-source.mp4").c_str(), FALSE));
  EXPECT_EQ(Messages(), std::vector<std::wstring>{L"完了しました。"});
  const std::wstring name = source.substr(source.find_last_of(L'\\') + 1);
  EXPECT_EQ(quill::test::FilesIn(out.path()), std::vector<std::wstring>{L"YM01_" + name});
  const auto& log = *sink.log;
  ASSERT_EQ(log.streams.size(), 2u);
  EXPECT_EQ(log.finalized, 1);
  const std::vector<uint8_t> silent = playcore::SilentAacFrame(log.streams[1].channels);
  size_t video = 0, loud = 0;
  for (const auto& s : log.samples) {
    video += s.stream == 0;
    loud += s.stream == 1 && s.bytes != silent;
  }
  EXPECT_GE(video, 10u);
  EXPECT_EQ(loud, 0u) << "the sound was removed";
}

TEST_F(ConvertCommandsTest, JoinWithUploadConversionConvertsTheJoinedMainMovie) {
  quill::test::TempDir out;
  Ini(L"FOLDERPATH", L"CONNECT_FOLDER", out.path());
  FakeSinkOptions sink;
  std::vector<std::wstring> mains;
  Run([&](CRunDlg& d) {
    for (const auto& r : d.m_browser.m_list.m_shownRecords) mains.push_back(r.szMainPath);
    ASSERT_EQ(mains.size(), 2u);
    sink.finishedMovie = mains[0];
    ConvertHooks().sinkWriter = FakeSinkFactory(sink);
    d.m_bJoinFace = TRUE;
    d.SendMessage(WM_COMMAND, kCmdJoin, 0);
    HWND select = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (select = WorkerDialog(d.m_hWnd, nullptr)) != nullptr; }, 60000));
    PostMessageW(select, WM_COMMAND, IDC_FILESEL_SELECT_ALL, 0);
    PostMessageW(select, WM_COMMAND, IDC_FILESEL_UPLOAD, 0);
    PostMessageW(select, WM_COMMAND, IDOK, 0);
    AnswerConversionDialog(d, false);
    ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, kToolLimitMs));
  });
  EXPECT_TRUE(Messages().empty()) << "a join says nothing when it is done";
  const std::vector<std::wstring> files = quill::test::FilesIn(out.path());
  std::wstring names;
  for (const std::wstring& f : files) names += f + L" ";
  // The upload option joins the main camera only: its joined movie and the converted one.
  ASSERT_EQ(files.size(), 2u) << names;
  EXPECT_EQ(files[0].rfind(L"JM02_", 0), 0u) << names;
  EXPECT_EQ(files[1], L"YM02_" + files[0].substr(5)) << names;
  const auto& log = *sink.log;
  ASSERT_EQ(log.streams.size(), 2u);
  size_t video = 0;
  for (const auto& s : log.samples) video += s.stream == 0;
  EXPECT_GE(video, 20u) << "the frames of both recordings";
}

TEST_F(ConvertCommandsTest, ACancelInTheMiddleOrDuringTheRewriteLeavesNoFile) {
  const struct {
    const char* when;
    bool inTheMiddle;
  } cases[] = {{"in the middle of the frames", true}, {"during the rewrite", false}};
  for (const auto& c : cases) {
    quill::test::TempDir out;
    Ini(L"FOLDERPATH", L"CONVERT_FOLDER", out.path());
    FakeSinkOptions sink;
    std::atomic<int> frames{0};
    const auto cancel = [] {
      if (CRunDlg* d = g_dialog.load()) d->CancelRunningTool();
    };
    if (c.inTheMiddle) {
      sink.onVideo = [&frames, cancel](const uint8_t*, size_t) {
        if (++frames == 3) cancel();
      };
    } else {
      sink.onFinalize = cancel;
    }
    g_messages.clear();
    Run([&](CRunDlg& d) {
      ASSERT_FALSE(d.m_browser.m_list.m_shownRecords.empty());
      sink.finishedMovie = d.m_browser.m_list.m_shownRecords[0].szMainPath;
      ConvertHooks().sinkWriter = FakeSinkFactory(sink);
      StartUploadConversion(d);
      AnswerConversionDialog(d, false);
      ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, kToolLimitMs)) << c.when;
    });
    EXPECT_TRUE(Messages().empty()) << c.when << ": a cancel ends quietly";
    EXPECT_TRUE(quill::test::FilesIn(out.path()).empty()) << c.when;
    EXPECT_TRUE(NoTemporaryFiles(out.path())) << c.when;
    EXPECT_EQ(sink.log->finalized, c.inTheMiddle ? 0 : 1) << c.when;
  }
}

// Not enough room on the output drive for the converted file and its rewrite: the refusal names the
// drive and what it lacks.
TEST_F(ConvertCommandsTest, ARefusalForLackOfRoomSaysWhichDriveAndHowMuch) {
  quill::test::TempDir out;
  Ini(L"FOLDERPATH", L"CONVERT_FOLDER", out.path());
  FakeSinkOptions sink;
  ConvertHooks().sinkWriter = FakeSinkFactory(sink);
  ConvertHooks().freeSpace = [](const std::wstring&, uint64_t* bytes) {
    *bytes = 5u << 20;
    return true;
  };
  Run([&](CRunDlg& d) {
    StartUploadConversion(d);
    AnswerConversionDialog(d, false);
    ASSERT_TRUE(PumpUntil([&] { return ToolEnded(d); }, kToolLimitMs));
  });
  const auto messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  const std::wstring prefix = std::wstring(kConvertFailedText) + L"\r\n出力先ドライブ " + out.path().substr(0, 2) +
                              L" の空き容量が ";
  EXPECT_EQ(messages[0].rfind(prefix, 0), 0u) << "the message names the drive";
  EXPECT_NE(messages[0].find(L" MB 足りません。"), std::wstring::npos);
  EXPECT_TRUE(quill::test::FilesIn(out.path()).empty());
  EXPECT_TRUE(sink.log->url.empty()) << "refused before the writer made its file";
}

}  // namespace
