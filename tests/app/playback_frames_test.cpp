// The main window with the real players on a generated pair: both panes show advancing frames (read
// back from the frame number burnt into each picture), and a seek from the seek bar shows the frame
// asked for, within one.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/framework/private_messages.h"
#include "playcore/instances/player_instance.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tests/player/player_test_util.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;
using playcore::test::LastFrame;
using playcore::test::ProbeOf;
using playcore::test::RecordingPair;

constexpr int kSeekTarget = 15;

// The 40-second pair, long enough that the movie's end stays far off while a test watches the
// pictures: between two rewinds even at four times the speed (the end guard holds back 80 frames
// there), and before a seek on a loaded machine, where the pictures may trail the clock by a second
// or more and the 2-second pairs reach the end guard (the seek bar then refuses the seek).
RecordingPair LongPair() {
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
          const BOOL atEndBefore = d->m_bAtEnd;
          ::SendMessageW(hwnd, quill::msg::kSliderPress, CtavrinDlg::kSeekBarId, 0);
          ::SendMessageW(hwnd, quill::msg::kSliderRelease, CtavrinDlg::kSeekBarId, kSeekTarget);
          d->diag += "at the seek: frames " + std::to_string(d->advanced[0]) + "/" + std::to_string(d->advanced[1]) +
                     ", at end " + std::to_string(atEndBefore) +
                     ", states after it " + std::to_string(playcore::g_PlayerInstance[0].playState) + "/" +
                     std::to_string(playcore::g_PlayerInstance[1].playState) + ", error boxes " +
                     std::to_string(playcore::test::ErrorBoxCount()) + "; ";
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
              "/" + std::to_string(playcore::g_PlayerInstance[1].playState) + ", error boxes " +
              std::to_string(playcore::test::ErrorBoxCount()) + " (" + playcore::test::LastErrorBox() + "), at end " +
              std::to_string(d->m_bAtEnd) + ", frames after the seek:";
    const auto frames = ProbeOf(0)->frames();
    for (size_t i = d->framesAtSeek; i < frames.size() && i < d->framesAtSeek + 12; ++i) {
      d->diag += " " + std::to_string(frames[i].code);
    }
    d->diag += " of " + std::to_string(frames.size() - std::min(frames.size(), d->framesAtSeek));
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
  dlg.pair = LongPair();
  ASSERT_FALSE(dlg.pair.main.empty()) << "no generated long pair (QUILL_SPEED_RECORDINGS)";
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

// A press of a speed button and the speed code both players hold after it.
struct SpeedPress {
  bool faster;
  int32_t code;
};

// Sequences of presses while the pair plays, each from the normal speed back to it, run one after
// the other `repeats` times in one playing pair.
struct SpeedSequence {
  const char* name;
  std::vector<SpeedPress> presses;
  int repeats;
};

const SpeedSequence kSpeedSequences[] = {
    {"x1-x2-x1", {{true, 2}, {false, 1}}, 10},
    {"x1-x2-x4-x2-x1", {{true, 2}, {true, 4}, {false, 2}, {false, 1}}, 3},
    {"x1-half-x1", {{false, -2}, {true, 1}}, 3},
};

// Presses the speed buttons of the main dialog as a user does while a pair plays: each press only
// once both pictures moved on since the previous one, and the movie is taken back near its start
// (from the seek bar) before it comes near its end, where a press is refused. Every press must reach
// both players, and both pictures must keep moving after it.
class SpeedDlg : public CtavrinDlg {
 public:
  RecordingPair pair;
  std::vector<std::pair<const char*, SpeedPress>> presses;
  size_t done = 0;      // presses that reached both players
  int rewinds = 0;
  std::string failure;  // the first thing that went wrong
  bool timedOut = false;
  static SpeedDlg* current;

  BOOL OnInitDialog() override {
    const BOOL result = CtavrinDlg::OnInitDialog();
    sRECORDINGPAIR e = {};
    wcsncpy(e.szMainPath, pair.main.c_str(), kRecordingPathChars - 1);
    wcsncpy(e.szRearPath, pair.rear.c_str(), kRecordingPathChars - 1);
    m_browser.m_list.m_shownRecords.push_back(e);
    current = this;
    start_ = waitStart_ = GetTickCount();
    ::SetTimer(m_hWnd, 900, 20, &SpeedDlg::Check);
    m_nCurIndex = 0;
    m_bPlayAfterOpen = TRUE;
    PrepareOpenCurrent(1, 1, 1);
    return result;
  }

 private:
  // Beyond this frame the movie goes back to kRewindTo before the next press.
  static constexpr int kRewindAt = 300;
  static constexpr int kRewindTo = 3;
  // How many frames each picture must move on after a press or a rewind.
  static constexpr int kMoveFrames = 3;
  // Hang guards only: a picture that shows nothing new for this long has stopped; the first pictures
  // come after the open of the pair, which takes seconds on a loaded machine.
  static constexpr DWORD kStoppedMs = 10000;
  static constexpr DWORD kFirstPicturesMs = 60000;
  static constexpr DWORD kWholeMs = 150000;

  enum class Wait { kFirstFrames, kMoving, kRewound };

  static void CALLBACK Check(HWND hwnd, UINT, UINT_PTR, DWORD) {
    SpeedDlg* d = current;
    bool finished = false;
    switch (d->wait_) {
      case Wait::kFirstFrames:
        if (LastFrame(0) >= kRewindTo && LastFrame(1) >= kRewindTo) d->Mark(Wait::kMoving);
        break;
      case Wait::kMoving:
        if (LastFrame(0) >= d->mark_[0] + kMoveFrames && LastFrame(1) >= d->mark_[1] + kMoveFrames) {
          if (d->done == d->presses.size()) {
            finished = true;
          } else if (LastFrame(0) > kRewindAt) {
            d->Rewind(hwnd);
          } else {
            d->Press(hwnd);
          }
        }
        break;
      case Wait::kRewound:
        if (d->ShowsRewound(0) && d->ShowsRewound(1)) d->Mark(Wait::kMoving);
        break;
    }
    const bool first = d->wait_ == Wait::kFirstFrames;
    if (!finished && d->failure.empty() && GetTickCount() - d->waitStart_ > (first ? kFirstPicturesMs : kStoppedMs)) {
      d->Fail(first ? "no first pictures" : d->wait_ == Wait::kRewound ? "the rewind showed nothing" : "a picture stopped");
    }
    d->timedOut = GetTickCount() - d->start_ > kWholeMs;
    if (!finished && d->failure.empty() && !d->timedOut) return;
    ::KillTimer(hwnd, 900);
    ::PostMessageW(hwnd, WM_COMMAND, kCmdClose, 0);
  }

  void Mark(Wait next) {
    mark_[0] = LastFrame(0);
    mark_[1] = LastFrame(1);
    wait_ = next;
    waitStart_ = GetTickCount();
  }

  void Press(HWND hwnd) {
    const auto& [name, press] = presses[done];
    const int32_t before = playcore::g_PlayerInstance[DataSourceIndex()].speedCode;
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(press.faster ? kCmdFast : kCmdSlow, BN_CLICKED), 0);
    const int32_t codes[2] = {playcore::g_PlayerInstance[0].speedCode, playcore::g_PlayerInstance[1].speedCode};
    if (codes[0] != press.code || codes[1] != press.code) {
      Fail(std::string(name) + ": " + (press.faster ? "faster" : "slower") + " from " + std::to_string(before) +
           " gave " + std::to_string(codes[0]) + "/" + std::to_string(codes[1]) + ", not " + std::to_string(press.code));
      return;
    }
    ++done;
    Mark(Wait::kMoving);
  }

  void Rewind(HWND hwnd) {
    seekIndex_[0] = playcore::test::FrameCount(0);
    seekIndex_[1] = playcore::test::FrameCount(1);
    ::SendMessageW(hwnd, quill::msg::kSliderPress, CtavrinDlg::kSeekBarId, 0);
    ::SendMessageW(hwnd, quill::msg::kSliderRelease, CtavrinDlg::kSeekBarId, kRewindTo);
    ++rewinds;
    Mark(Wait::kRewound);
  }

  // Whether pane k presented a frame from near the start since the rewind.
  bool ShowsRewound(int k) const {
    const auto frames = ProbeOf(k)->frames();
    for (size_t i = seekIndex_[k]; i < frames.size(); ++i) {
      if (frames[i].code >= 0 && frames[i].code < kRewindAt / 2) return true;
    }
    return false;
  }

  void Fail(const std::string& what) {
    failure = what + " after press " + std::to_string(done) + " of " + std::to_string(presses.size()) + " (rewinds " +
              std::to_string(rewinds) + "; states " + std::to_string(playcore::g_PlayerInstance[0].playState) + "/" +
              std::to_string(playcore::g_PlayerInstance[1].playState) + ", frames " + std::to_string(LastFrame(0)) + "/" +
              std::to_string(LastFrame(1)) + ", at end " + std::to_string(m_bAtEnd) + ", opens " +
              std::to_string(m_uOpenCount) + ", error boxes " + std::to_string(playcore::test::ErrorBoxCount()) + " " +
              playcore::test::LastErrorBox() + ")";
  }

  Wait wait_ = Wait::kFirstFrames;
  int mark_[2] = {-1, -1};
  size_t seekIndex_[2] = {};
  DWORD start_ = 0, waitStart_ = 0;
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
  dlg.pair = LongPair();
  ASSERT_FALSE(dlg.pair.main.empty()) << "no generated speed pair (QUILL_SPEED_RECORDINGS)";
  for (const SpeedSequence& sequence : kSpeedSequences) {
    for (int r = 0; r < sequence.repeats; ++r) {
      for (const SpeedPress& press : sequence.presses) dlg.presses.emplace_back(sequence.name, press);
    }
  }
  EXPECT_EQ(dlg.DoModal(), IDOK);
  Hooks() = StartupHooks{};
  SetCurrentDirectoryW(saved);
  EXPECT_EQ(dlg.failure, "");
  EXPECT_FALSE(dlg.timedOut) << "after press " << dlg.done;
  EXPECT_EQ(dlg.done, dlg.presses.size());
}

}  // namespace
