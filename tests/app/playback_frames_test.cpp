// The main window with the real players on a generated pair: both panes show advancing frames (read
// back from the frame number burnt into each picture), and a seek from the seek bar shows the frame
// asked for, within one.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/framework/private_messages.h"
#include "playcore/instances/player_instance.h"
#include "tavrin/app/main/main_dlg.h"
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

// The 20-second pair of the speed steps: at double speed the end guard holds back 40 frames, more
// than the shorter test pairs have to spare.
RecordingPair SpeedPair() {
  RecordingPair pair;
  const char* dir = std::getenv("QUILL_SPEED_RECORDINGS");
  if (!dir) return pair;
  for (const quill::test::TableRow& file : quill::test::ReadHostTable(std::string(dir) + "/manifest-files.tsv")) {
    if (!file.count("camera") || !file.count("path")) continue;
    const std::wstring path = quill::test::HostPathToWindows(std::string(dir) + "/" + file.at("path"));
    if (file.at("camera") == "M" && pair.main.empty()) pair.main = path;
    if (file.at("camera") == "R" && pair.rear.empty()) pair.rear = path;
  }
  if (pair.rear.empty()) pair.main.clear();
  return pair;
}

// Speed steps while the pair plays, as a user presses faster and slower again and again: every step
// reaches both players, and both pictures keep advancing through every step.
class SpeedDlg : public CtavrinDlg {
 public:
  RecordingPair pair;
  int rounds = 0;           // faster-slower rounds done
  int stuckAt = -1;         // the step after which a pane stopped advancing
  int speeds[2] = {};       // the speed codes seen after the last "faster"
  bool timedOut = false;
  std::string diag;
  static constexpr int kRounds = 12;
  static SpeedDlg* current;

  BOOL OnInitDialog() override {
    const BOOL result = CtavrinDlg::OnInitDialog();
    sRECORDINGPAIR e = {};
    wcsncpy(e.szMainPath, pair.main.c_str(), kRecordingPathChars - 1);
    wcsncpy(e.szRearPath, pair.rear.c_str(), kRecordingPathChars - 1);
    m_browser.m_list.m_shownRecords.push_back(e);
    current = this;
    start_ = stepStart_ = GetTickCount();
    ::SetTimer(m_hWnd, 900, 20, &SpeedDlg::Check);
    m_nCurIndex = 0;
    m_bPlayAfterOpen = TRUE;
    PrepareOpenCurrent(1, 1, 1);
    return result;
  }

 private:
  static void CALLBACK Check(HWND hwnd, UINT, UINT_PTR, DWORD) {
    SpeedDlg* d = current;
    bool finished = false;
    const bool moved = Shown(0) >= d->mark_[0] + 3 && Shown(1) >= d->mark_[1] + 3;
    if (d->step_ == 0) {
      if (LastFrame(0) >= 3 && LastFrame(1) >= 3) d->Step(hwnd);
    } else if (moved) {
      if (d->step_ >= 2 * kRounds + 1) {
        finished = true;
      } else {
        d->Step(hwnd);
      }
    } else if (GetTickCount() - d->stepStart_ > 10000 && d->stuckAt < 0) {
      d->stuckAt = d->step_;
    }
    const bool late = GetTickCount() - d->start_ > 60000;
    if (!finished && !late && d->stuckAt < 0) return;
    d->timedOut = late;
    d->diag += "opens " + std::to_string(d->m_uOpenCount) + ", states " +
              std::to_string(playcore::g_PlayerInstance[0].playState) + "/" +
              std::to_string(playcore::g_PlayerInstance[1].playState) + ", frames " + std::to_string(LastFrame(0)) +
              "/" + std::to_string(LastFrame(1));
    ::KillTimer(hwnd, 900);
    ::PostMessageW(hwnd, WM_COMMAND, kCmdClose, 0);
  }
  // Frames presented so far in pane k.
  static size_t Shown(int k) { return ProbeOf(k) ? ProbeOf(k)->frames().size() : 0; }
  // The next press: faster on even steps, slower on odd ones; the pictures must move after it. The
  // 2-second pair goes back near its start before it could end.
  void Step(HWND hwnd) {
    ++step_;
    if (step_ > 1) {
      const bool faster = step_ % 2 == 0;
      if (faster && LastFrame(0) > 400) {
        ::SendMessageW(hwnd, quill::msg::kSliderPress, CtavrinDlg::kSeekBarId, 0);
        ::SendMessageW(hwnd, quill::msg::kSliderRelease, CtavrinDlg::kSeekBarId, 3);
        diag += "seek at step " + std::to_string(step_) + " -> " + std::to_string(playcore::g_PlayerInstance[0].playState) +
                "/" + std::to_string(playcore::g_PlayerInstance[1].playState) + "; ";
      }
      ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(faster ? kCmdFast : kCmdSlow, BN_CLICKED), 0);
      if (faster) {
        speeds[0] = playcore::g_PlayerInstance[0].speedCode;
        speeds[1] = playcore::g_PlayerInstance[1].speedCode;
      } else {
        ++rounds;
      }
    }
    mark_[0] = Shown(0);
    mark_[1] = Shown(1);
    stepStart_ = GetTickCount();
  }
  int step_ = 0;
  size_t mark_[2] = {};
  DWORD start_ = 0, stepStart_ = 0;
};
SpeedDlg* SpeedDlg::current = nullptr;

TEST(PlaybackFrames, SpeedStepsWhilePlayingReachBothPlayersAndThePicturesKeepMoving) {
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
  SpeedDlg dlg;
  dlg.pair = SpeedPair();
  ASSERT_FALSE(dlg.pair.main.empty()) << "no generated 20-second pair (QUILL_SPEED_RECORDINGS)";
  EXPECT_EQ(dlg.DoModal(), IDOK);
  Hooks() = StartupHooks{};
  SetCurrentDirectoryW(saved);
  EXPECT_FALSE(dlg.timedOut);
  EXPECT_EQ(dlg.stuckAt, -1) << "a picture stopped after step " << dlg.stuckAt << " (" << dlg.diag << ")";
  EXPECT_EQ(dlg.rounds, SpeedDlg::kRounds);
  EXPECT_EQ(dlg.speeds[0], 2);
  EXPECT_EQ(dlg.speeds[1], 2);
}

}  // namespace
