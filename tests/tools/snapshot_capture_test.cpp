// The snapshot of a paused generated recording through the player instance's table: the pane takes
// the capture size of its mode, the JPEG is written under the command's name, and the pane gets its
// rectangle back. The JPEG's size and the frame code in it are checked on the host afterwards
// (check_snapshots.py reads expected.tsv beside the pictures).
#include <gtest/gtest.h>

#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>

#include "playcore/instances/player_instance.h"
#include "tavrin/app/tools/snapshot_command.h"
#include "tests/player/player_test_util.h"
#include "tests/names/card_fixture.h"
#include "tests/support/recording_paths.h"
#include "tests/support/test_env.h"
#include "tests/tools/tool_fixture.h"

namespace playcore::test {
namespace {

constexpr int kPaneMode = 3;        // the 360-degree pane's mode in this edition
constexpr int kShownFrame = 30;     // the frame the recording is paused at
constexpr DWORD kFrameTimeoutMs = 60000;  // a safety net only

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

class SnapshotCapture : public OnePaneTest {};

TEST_F(SnapshotCapture, SavesThePausedFrameAtTheCaptureSizeAndRestoresThePane) {
  const char* outUnix = std::getenv("QUILL_SNAPSHOT_OUT");
  ASSERT_TRUE(outUnix && *outUnix);
  const std::wstring folder = quill::test::HostPathToWindows(outUnix);
  CreateDirectoryW(folder.c_str(), nullptr);
  for (const std::wstring& old : quill::test::FilesIn(folder + L"\\")) DeleteFileW((folder + L"\\" + old).c_str());

  Open();
  instance()->dataSource = 1;  // the main dialog's data source
  ASSERT_EQ(1, funcs().Seek(instance(), kShownFrame));
  // The seek lands on the frame or next to it; the picture must show whichever is on screen.
  ASSERT_TRUE(PumpUntil(kFrameTimeoutMs, [] { return std::abs(LastFrame(0) - kShownFrame) <= 1; }))
      << LastFrame(0);
  const int shown = LastFrame(0);
  const int64_t position = tools::DataSourcePosition();
  ASSERT_GE(position, 0);

  RecordingList list;
  ASSERT_TRUE(AddRecordingPair(pair_.main.c_str(), pair_.rear.c_str(), list));
  RECT before = {};
  GetWindowRect(windows_->pane(), &before);
  const tools::CaptureSize size = tools::SnapshotCaptureSize(kPaneMode, 0, 0, false);
  ASSERT_TRUE(size.resize);

  quill::test::MessageLog log;
  tools::SnapshotJob job;
  std::wstring mainPath;
  job.folder = folder;
  job.record = &list[0];
  int64_t used = -1;  // the position the name was made with
  job.position = [&used] { return used = tools::DataSourcePosition(); };
  job.active = tools::InstanceActive;
  job.save = tools::SaveInstanceSnapshot;
  job.preparePanes = [&] {
    MoveWindow(windows_->pane(), 0, size.yOffset, size.width, size.height, TRUE);
    // Laid out at the new size as the main dialog's panes are (the capture refuses a destination
    // left from the old size).
    funcs().ApplyAspectMode(instance(), instance()->aspectMode);
    funcs().Repaint(instance());
    UpdateWindow(windows_->pane());  // the resized pane paints once; posted notices are handled
    PumpUntil(0, [] { return true; });
  };
  job.restorePanes = [&] {
    MoveWindow(windows_->pane(), 0, 0, before.right - before.left, before.bottom - before.top, TRUE);
  };
  job.mainPath = &mainPath;
  int stored = 0;
  job.storeFolder = [&](const std::wstring&) { return ++stored > 0; };
  EXPECT_EQ(tools::RunSnapshot(job, log.Callbacks()), tools::SnapshotResult::kDone);
  EXPECT_EQ(stored, 1);
  ASSERT_EQ(log.shown.size(), 1u);
  EXPECT_EQ(log.shown[0].caption, L"終了");

  // The name carries the position of the frame shown (read again at the save: the paused player
  // may report the frame next to the one the seek landed on, as the seek itself may).
  EXPECT_LE(std::llabs(used - position), 1) << used << " " << position;
  wchar_t tail[32];
  std::swprintf(tail, 32, L"_%06lld_M.jpg", static_cast<long long>(used));
  EXPECT_NE(mainPath.find(tail), std::wstring::npos) << Narrow(mainPath);
  EXPECT_TRUE(quill::test::FileExists(mainPath));
  EXPECT_FALSE(quill::test::FileExists(tools::SwapSnapshotCamera(mainPath))) << "the rear instance is closed";
  RECT after = {};
  GetWindowRect(windows_->pane(), &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  Close();

  // What the host check compares: the picture's size and the frame code of the frame shown.
  long long clip = -1, frameWidth = 0, frameHeight = 0;
  for (const auto& row : quill::test::ReadHostTable(quill::test::RecordingsDirUnix() + "/manifest-files.tsv")) {
    const std::string& path = row.at("path");
    if (Narrow(pair_.main).find(path.substr(path.rfind('/') + 1)) == std::string::npos) continue;
    clip = quill::test::IntOf(row, "clip_id");
    frameWidth = quill::test::IntOf(row, "width");
    frameHeight = quill::test::IntOf(row, "height");
  }
  std::ofstream expected(std::string(outUnix) + "/expected.tsv", std::ios::trunc);
  const std::string name = Narrow(mainPath.substr(mainPath.rfind(L'\\') + 1));
  expected << name << "\t" << size.width << "\t" << size.height << "\t" << shown << "\t" << clip << "\t"
           << frameWidth << "x" << frameHeight << "\n";
}

}  // namespace
}  // namespace playcore::test
