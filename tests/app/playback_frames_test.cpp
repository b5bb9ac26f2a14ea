// The main window with the real players on a generated pair: both panes show advancing frames (read
// back from the frame number burnt into each picture), and a seek from the seek bar shows the frame
// asked for, within one.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/framework/private_messages.h"
#include "playcore/instances/player_instance.h"
#include "tavrin/app/main_dlg.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tests/player/player_test_util.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;
using playcore::test::FirstPair;
using playcore::test::LastFrame;
using playcore::test::ProbeOf;
using playcore::test::RecordingPair;

constexpr int kSeekTarget = 15;

// The main dialog on one real pair; a 20 ms check walks through the stages and ends the dialog.
class FramesDlg : public CtavrinDlg {
 public:
  RecordingPair pair;
  int stage = 0;
  int startFrame[2] = {-1, -1};
  int advanced[2] = {-1, -1};
  size_t framesAtSeek = 0;
  int firstAfterSeek = -1;
  bool timedOut = false;
  std::string diag;
  static FramesDlg* current;

  BOOL OnInitDialog() override {
    const BOOL result = CtavrinDlg::OnInitDialog();
    sRECORDINGPAIR e = {};
    wcsncpy(e.szMainPath, pair.main.c_str(), kRecordingPathChars - 1);
    wcsncpy(e.szRearPath, pair.rear.c_str(), kRecordingPathChars - 1);
    m_browser.m_list.m_shownRecords.push_back(e);
    current = this;
    start_ = GetTickCount();
    ::SetTimer(m_hWnd, 900, 20, &FramesDlg::Check);
    m_nCurIndex = 0;
    m_bPlayAfterOpen = TRUE;
    PrepareOpenCurrent(1, 1, 1);
    return result;
  }

 private:
  static void CALLBACK Check(HWND hwnd, UINT, UINT_PTR, DWORD) {
    FramesDlg* d = current;
    bool finished = false;
    switch (d->stage) {
      case 0:  // both panes show frames
        if (LastFrame(0) >= 3 && LastFrame(1) >= 3) {
          d->startFrame[0] = LastFrame(0);
          d->startFrame[1] = LastFrame(1);
          d->stage = 1;
        }
        break;
      case 1:  // and they advance
        if (LastFrame(0) >= d->startFrame[0] + 5 && LastFrame(1) >= d->startFrame[1] + 5) {
          d->advanced[0] = LastFrame(0);
          d->advanced[1] = LastFrame(1);
          d->framesAtSeek = ProbeOf(0)->frames().size();
          ::SendMessageW(hwnd, quill::msg::kSliderPress, CtavrinDlg::kSeekBarId, 0);
          ::SendMessageW(hwnd, quill::msg::kSliderRelease, CtavrinDlg::kSeekBarId, kSeekTarget);
          d->stage = 2;
        }
        break;
      case 2: {  // the first frame read after the seek
        const auto frames = ProbeOf(0)->frames();
        for (size_t i = d->framesAtSeek; i < frames.size(); ++i) {
          if (frames[i].code >= 0 && std::abs(frames[i].code - kSeekTarget) <= 1) {
            d->firstAfterSeek = frames[i].code;
            break;
          }
        }
        finished = d->firstAfterSeek >= 0;
        break;
      }
    }
    const bool late = GetTickCount() - d->start_ > 30000;
    if (!finished && !late) return;
    d->timedOut = late;
    d->diag += "opens " + std::to_string(d->m_uOpenCount) + ", states " + std::to_string(playcore::g_PlayerInstance[0].playState) +
              "/" + std::to_string(playcore::g_PlayerInstance[1].playState);
    ::KillTimer(hwnd, 900);
    ::PostMessageW(hwnd, WM_COMMAND, kCmdClose, 0);
  }
  DWORD start_ = 0;
};
FramesDlg* FramesDlg::current = nullptr;

TEST(PlaybackFrames, BothPanesAdvanceAndTheSeekBarShowsTheFrameAskedFor) {
  quill::skin::GdiplusSession gdiplus;
  quill::test::TempDir dir;
  wchar_t saved[MAX_PATH] = L"";
  GetCurrentDirectoryW(MAX_PATH, saved);
  SetCurrentDirectoryW(dir.path().c_str());
  WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", (dir.path() + L"Default_Folder.ini").c_str());
  Hooks().mapVariant = [] { return driveviews::MapVariant::kInternetExplorer; };
  Hooks().showMessage = [](CWnd*, const wchar_t*, const wchar_t*) {};
  playcore::test::InstallProbes();
  playcore::test::DecodeInProbes(true);
  FramesDlg dlg;
  dlg.pair = FirstPair();
  ASSERT_FALSE(dlg.pair.main.empty()) << "no generated pair";
  EXPECT_EQ(dlg.DoModal(), IDOK);
  Hooks() = StartupHooks{};
  SetCurrentDirectoryW(saved);
  EXPECT_FALSE(dlg.timedOut) << dlg.diag << ", stage " << dlg.stage << ", frames " << dlg.startFrame[0] << "/" << dlg.startFrame[1];
  EXPECT_GE(dlg.advanced[0], dlg.startFrame[0] + 5) << "the main pane does not advance";
  EXPECT_GE(dlg.advanced[1], dlg.startFrame[1] + 5) << "the rear pane does not advance";
  EXPECT_NEAR(dlg.firstAfterSeek, kSeekTarget, 1) << "the seek does not show the frame asked for";
  // The list's time columns sort by the start the open wrote: the first GPS point's local time.
  const SYSTEMTIME& start = dlg.m_browser.m_list.m_shownRecords[0].stStart;
  EXPECT_EQ(start.wYear, 2024);
  EXPECT_EQ(start.wMonth, 3);
  EXPECT_EQ(start.wDay, 15);
}

}  // namespace
