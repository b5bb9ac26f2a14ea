// The snapshot command: file names by table, capture sizes by pane mode, and the command's decisions
// (questions, messages, which instance saves what) with fake instances.
#include "tavrin/app/snapshot_command.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"
#include "tests/tools/tool_fixture.h"

namespace {

sRECORDINGPAIR Record(const wchar_t* mainName, const wchar_t* rearName, int64_t fileNumber) {
  sRECORDINGPAIR r = {};
  wcscpy(r.szMainName, mainName);
  wcscpy(r.szRearName, rearName);
  r.nFileNumber = fileNumber;
  return r;
}

TEST(SnapshotName, FollowsTheFolderRecordingFileNumberAndPosition) {
  struct Case {
    const wchar_t* folder;
    const wchar_t* main;
    const wchar_t* rear;
    int64_t number, position;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"D:\\Shots", L"123_456789A_M.MP4", L"", 7, 1234, L"D:\\Shots\\Shots-123_456789A_M-007_001234_M.jpg"},
      {L"D:\\Shots\\", L"123_456789A_M.MP4", L"", 7, 1234, L"D:\\Shots\\Shots-123_456789A_M-007_001234_M.jpg"},
      // A drive root: its letter, never "D:\" inside the file name.
      {L"D:\\", L"123_456789A_M.MP4", L"", 7, 1234, L"D:\\D-123_456789A_M-007_001234_M.jpg"},
      {L"D:", L"123_456789A_M.MP4", L"", 7, 1234, L"D:\\D-123_456789A_M-007_001234_M.jpg"},
      // Only a rear file: the name comes from it, the main-camera letter still ends the name.
      {L"C:\\a\\Pics", L"", L"006_093400S_R.MP4", 12, 0, L"C:\\a\\Pics\\Pics-006_093400S_R-012_000000_M.jpg"},
      // A failed position read names nothing (no bare folder whose letters get swapped).
      {L"C:\\M", L"123_456789A_M.MP4", L"", 7, -1, L""},
      {L"", L"123_456789A_M.MP4", L"", 7, 5, L""},
  };
  for (const Case& c : cases) {
    const std::wstring name = tools::MakeSnapshotName(c.folder, Record(c.main, c.rear, c.number), c.position);
    EXPECT_EQ(name, c.expected) << c.folder;
    EXPECT_EQ(name.find(L':', 2), std::wstring::npos) << name;
  }
  EXPECT_EQ(tools::SwapSnapshotCamera(L"D:\\Shots\\Shots-123_456789A_M-007_001234_M.jpg"),
            L"D:\\Shots\\Shots-123_456789A_M-007_001234_R.jpg");
  EXPECT_EQ(tools::SwapSnapshotCamera(L"x_R.jpg"), L"x_M.jpg");
  EXPECT_EQ(tools::SwapSnapshotCamera(L""), L"");
}

TEST(SnapshotCaptureSize, DependsOnThePaneMode) {
  struct Case {
    int mode, nativeW, nativeH;
    bool single;
    tools::CaptureSize expected;
  };
  const Case cases[] = {
      {1, 0, 0, false, {true, 960, 720, 0}},      {2, 1920, 1080, false, {true, 1920, 1080, 0}},
      {2, 0, 0, false, {false, 0, 0, 0}},         {5, 320, 180, false, {true, 320, 180, 0}},
      {3, 0, 0, false, {true, 1280, 720, 0}},     {4, 0, 0, false, {true, 2469, 720, 45}},
      {4, 0, 0, true, {false, 0, 0, 0}},          {0, 0, 0, false, {false, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const tools::CaptureSize s = tools::SnapshotCaptureSize(c.mode, c.nativeW, c.nativeH, c.single);
    EXPECT_EQ(s.resize, c.expected.resize) << c.mode;
    EXPECT_EQ(s.width, c.expected.width) << c.mode;
    EXPECT_EQ(s.height, c.expected.height) << c.mode;
    EXPECT_EQ(s.yOffset, c.expected.yOffset) << c.mode;
  }
}

// The command with fake instances that record what they were asked to save.
struct Command {
  quill::test::TempDir dir;
  sRECORDINGPAIR record = Record(L"123_456789A_M.MP4", L"123_456789A_R.MP4", 7);
  tools::SnapshotJob job;
  quill::test::MessageLog log;
  std::vector<std::wstring> saved;
  bool saveWorks[2] = {true, true};
  int stored = 0, prepared = 0, restored = 0;

  Command() {
    job.folder = dir.path() + L"Shots";
    CreateDirectoryW(job.folder.c_str(), nullptr);
    job.record = &record;
    job.position = [] { return int64_t{1234}; };
    job.active = [](int) { return true; };
    job.save = [this](int i, const std::wstring& path) {
      saved.push_back(path);
      return saveWorks[i];
    };
    job.preparePanes = [this] { ++prepared; };
    job.restorePanes = [this] { ++restored; };
    job.storeFolder = [this](const std::wstring&) { return ++stored > 0; };
  }
  std::wstring MainName() const { return job.folder + L"\\Shots-123_456789A_M-007_001234_M.jpg"; }
  std::wstring RearName() const { return job.folder + L"\\Shots-123_456789A_M-007_001234_R.jpg"; }
  tools::SnapshotResult Run() { return tools::RunSnapshot(job, log.Callbacks()); }
};

TEST(SnapshotCommand, SavesEachCameraUnderItsNameAndCountsOneSuccessAsDone) {
  struct Case {
    bool mainWorks, rearWorks;
    tools::SnapshotResult result;
    const wchar_t* caption;
  };
  const Case cases[] = {{true, true, tools::SnapshotResult::kDone, L"終了"},
                        {false, true, tools::SnapshotResult::kDone, L"終了"},
                        {false, false, tools::SnapshotResult::kFailed, L"ERROR"}};
  for (const Case& c : cases) {
    Command command;
    command.saveWorks[0] = c.mainWorks;
    command.saveWorks[1] = c.rearWorks;
    EXPECT_EQ(command.Run(), c.result);
    EXPECT_EQ(command.saved, (std::vector<std::wstring>{command.MainName(), command.RearName()}));
    EXPECT_EQ(command.stored, c.result == tools::SnapshotResult::kDone ? 1 : 0);
    EXPECT_EQ(command.prepared, 1);
    EXPECT_EQ(command.restored, 1);
    ASSERT_EQ(command.log.shown.size(), 1u);
    EXPECT_EQ(command.log.shown[0].caption, c.caption);
  }
}

TEST(SnapshotCommand, AFailedPositionReadSavesNothing) {
  Command command;
  command.job.position = [] { return int64_t{-1}; };
  EXPECT_EQ(command.Run(), tools::SnapshotResult::kFailed);
  EXPECT_TRUE(command.saved.empty());
  EXPECT_EQ(command.prepared, 0);
  EXPECT_EQ(command.stored, 0);
  ASSERT_EQ(command.log.shown.size(), 1u);
  EXPECT_EQ(command.log.shown[0].caption, L"ERROR");
}

TEST(SnapshotCommand, AsksWhenEitherFileExistsAndCancelShowsNothingMore) {
  struct Case {
    bool mainExists, rearExists, rearActive;
    int answer;
    size_t questions, saves;
  };
  const Case cases[] = {
      {false, false, true, 2, 0, 2},  // nothing to replace: no question
      {false, true, true, 2, 1, 0},   // only the rear file exists: asked, and kept on Cancel
      {true, false, true, kMsgBoxAnswerOk, 1, 2},
      {false, true, false, 2, 0, 1},  // the rear camera is not open: its file is not replaced
  };
  for (const Case& c : cases) {
    Command command;
    if (c.mainExists) {
      ASSERT_TRUE(quill::test::WriteFileBytes(command.MainName(), "old"));
    }
    if (c.rearExists) {
      ASSERT_TRUE(quill::test::WriteFileBytes(command.RearName(), "old"));
    }
    const bool rearActive = c.rearActive;
    command.job.active = [rearActive](int i) { return i == 0 || rearActive; };
    command.log.answers = {c.answer};
    command.Run();
    EXPECT_EQ(command.log.Questions(), c.questions);
    EXPECT_EQ(command.saved.size(), c.saves);
    if (c.saves == 0) {
      EXPECT_EQ(command.log.shown.size(), c.questions);  // Cancel: no further message
    }
  }
}

}  // namespace
