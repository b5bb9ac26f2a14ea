// The snapshot command: file names by table, capture sizes by pane mode, and the command's decisions
// (questions, messages, which instance saves what) with fake instances.
#include "tavrin/app/tools/snapshot_command.h"

#include <gtest/gtest.h>

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
  const struct {
    const wchar_t *folder, *main, *rear;
    int64_t position;
    const wchar_t* expected;
  } cases[] = {
      {L"D:\\Shots", L"123_456789A_M.MP4", L"", 1234, L"D:\\Shots\\Shots-123_456789A_M-007_001234_M.jpg"},
      {L"D:\\Shots\\", L"123_456789A_M.MP4", L"", 1234, L"D:\\Shots\\Shots-123_456789A_M-007_001234_M.jpg"},
      // A drive root gives its letter, never "D:\" inside the file name.
      {L"D:\\", L"123_456789A_M.MP4", L"", 1234, L"D:\\D-123_456789A_M-007_001234_M.jpg"},
      // Only a rear file: the name comes from it; the main-camera letter still ends the name.
      {L"C:\\Pics", L"", L"006_093400S_R.MP4", 0, L"C:\\Pics\\Pics-006_093400S_R-007_000000_M.jpg"},
      // A failed position read names nothing (not the bare folder, whose letters would be swapped).
      {L"C:\\M", L"123_456789A_M.MP4", L"", -1, L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tools::MakeSnapshotName(c.folder, Record(c.main, c.rear, 7), c.position), c.expected) << c.folder;
  }
  EXPECT_EQ(tools::SwapSnapshotCamera(L"D:\\S\\S-1_M-007_001234_M.jpg"), L"D:\\S\\S-1_M-007_001234_R.jpg");
}

TEST(SnapshotCommand, AsksWhenEitherFileExistsAndSaysAFailureOfEitherCamera) {
  using R = tools::SnapshotResult;
  const struct {
    const char* what;
    bool mainExists, rearExists, rearOpen, mainSaves;
    int64_t position;
    int answer;
    R result;
    size_t questions, saves;
    int stored;                   // the folder kept once any picture was written
    const wchar_t* lastCaption;  // of the last message; null for none after the question
  } cases[] = {
      {"both saved", false, false, true, true, 1234, 2, R::kDone, 0, 2, 1, L"終了"},
      // One camera's picture missing is a failure said, not "done" (its folder is still kept).
      {"main failed", false, false, true, false, 1234, 2, R::kFailed, 0, 2, 1, L"ERROR"},
      {"only rear exists", false, true, true, true, 1234, 2, R::kEnded, 1, 0, 0, nullptr},
      {"replace agreed", true, false, true, true, 1234, kMsgBoxAnswerOk, R::kDone, 1, 2, 1, L"終了"},
      {"rear closed", false, true, false, true, 1234, 2, R::kDone, 0, 1, 1, L"終了"},
      {"rear closed, main failed", false, false, false, false, 1234, 2, R::kFailed, 0, 1, 0, L"ERROR"},
      {"no position", false, false, true, true, -1, 2, R::kFailed, 0, 0, 0, L"ERROR"},
  };
  for (const auto& c : cases) {
    quill::test::TempDir dir;
    const sRECORDINGPAIR record = Record(L"123_456789A_M.MP4", L"123_456789A_R.MP4", 7);
    const std::wstring main = dir.path() + L"Shots\\Shots-123_456789A_M-007_001234_M.jpg";
    CreateDirectoryW((dir.path() + L"Shots").c_str(), nullptr);
    if (c.mainExists) quill::test::WriteFileBytes(main, "old");
    if (c.rearExists) quill::test::WriteFileBytes(tools::SwapSnapshotCamera(main), "old");
    std::vector<std::wstring> saved;
    int stored = 0;
    tools::SnapshotJob job;
    job.folder = dir.path() + L"Shots";
    job.record = &record;
    job.position = [&c] { return c.position; };
    job.active = [&c](int i) { return i == 0 || c.rearOpen; };
    job.save = [&](int i, const std::wstring& path) {
      saved.push_back(path);
      return i == 1 || c.mainSaves;
    };
    job.storeFolder = [&](const std::wstring&) { return ++stored > 0; };
    quill::test::MessageLog log;
    log.answers = {c.answer};
    EXPECT_EQ(tools::RunSnapshot(job, log.Callbacks()), c.result) << c.what;
    EXPECT_EQ(log.Questions(), c.questions) << c.what;
    EXPECT_EQ(saved.size(), c.saves) << c.what;
    EXPECT_TRUE(saved.empty() || saved[0] == main) << c.what;
    EXPECT_EQ(stored, c.stored) << c.what;
    if (c.lastCaption) {
      ASSERT_FALSE(log.shown.empty()) << c.what;
      EXPECT_EQ(log.shown.back().caption, c.lastCaption) << c.what;
    } else {
      EXPECT_EQ(log.shown.size(), c.questions) << c.what;  // Cancel: no further message
    }
  }
}

}  // namespace
