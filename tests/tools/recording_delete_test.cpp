// The deletion of chosen recordings on a copy of the generated card's first day: both files of each
// picked recording in the test bed's trash, nothing else touched, the playing recording closed first,
// and the rows and lists matching the disk when a file held open stops the walk.
#include "tavrin/app/tools/recording_delete.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"
#include "tests/tools/tool_fixture.h"

namespace {

using quill::test::FileExists;

std::wstring Key(const sRECORDINGPAIR& r) { return r.szMainPath[0] ? r.szMainPath : r.szRearPath; }

// True when an info file of the test bed's trash (XDG_DATA_HOME) names "<folder>/<name>" of `path`; the
// match is emptied out of the trash so that a later run proves itself anew.
bool InTrash(const std::wstring& path) {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (!quill::test::RunningUnderWine() || !data) return !FileExists(path);
  const size_t cut = path.rfind(L'\\'), folderCut = path.rfind(L'\\', cut - 1);
  const std::wstring tail = path.substr(folderCut + 1, cut - folderCut - 1) + L"/" + path.substr(cut + 1);
  const std::string info = std::string(data) + "/Trash/info/", original(tail.begin(), tail.end());
  for (const std::wstring& name : quill::test::FilesIn(quill::test::HostPathToWindows(info))) {
    if (quill::test::ReadHostFile(info + std::string(name.begin(), name.end())).find(original + "\n") ==
        std::string::npos) {
      continue;
    }
    DeleteFileW((quill::test::HostPathToWindows(info) + name).c_str());
    DeleteFileW((quill::test::HostPathToWindows(std::string(data) + "/Trash/files/") +
                 name.substr(0, name.size() - 10)).c_str());  // without ".trashinfo"
    return true;
  }
  return false;
}

TEST(RecordingDelete, RecyclesExactlyThePickedFilesAndKeepsTheListMatchingTheDisk) {
  struct Case {
    const char* what;
    std::vector<size_t> picks;
    int currentRow;     // the playing recording's row, -1 for none
    int rearGone;       // a picked record whose rear file is already gone, -1 for none
    int heldOpen;       // a picked record whose rear file another program holds open, -1 for none
    bool running;
    size_t shownFrom;   // the main list shows the source's records from this one (another folder before)
    tools::DeleteResult result;
    size_t recycled;    // picked records walked to the end (from the last picked)
  };
  using R = tools::DeleteResult;
  const Case cases[] = {
      {"two pairs", {0, 2}, -1, -1, -1, true, 0, R::kDeleted, 2},
      {"the playing one", {1, 3}, 3, -1, -1, true, 0, R::kDeleted, 2},
      {"rear already gone", {0}, -1, 0, -1, true, 0, R::kDeleted, 1},
      // Walked last to first: 4 (main only) and 1 go, 0 stops the walk with its main file gone.
      {"held open", {0, 1, 4}, -1, -1, 0, true, 0, R::kFailed, 2},
      {"nothing picked", {}, 2, -1, -1, true, 0, R::kNothingPicked, 0},
      {"cancelled", {0, 1}, -1, -1, -1, false, 0, R::kCancelled, 0},
      // Regression: rows were named by list serials, which differ between the source and the main list.
      {"a record of another folder", {0, 4}, -1, -1, -1, true, 2, R::kDeleted, 2},
  };
  for (const Case& c : cases) {
    quill::test::TempDir dir;
    const std::wstring day = dir.path() + L"20240315_001\\";
    const std::wstring from = quill::test::RecordingsDir() + L"card\\20240315_001\\";
    CreateDirectoryW(day.c_str(), nullptr);
    for (const std::wstring& name : quill::test::FilesIn(from)) {
      CopyFileW((from + name).c_str(), (day + name).c_str(), FALSE);
    }
    RecordingList all = quill::test::ScanCard(dir.path());
    RecordingList shown(all.begin() + c.shownFrom, all.end());
    const RecordingList original = all;
    ASSERT_EQ(all.size(), 6u);
    std::vector<std::wstring> rows;  // the main list's rows
    for (const sRECORDINGPAIR& r : shown) rows.push_back(Key(r));
    tools::DeleteJob job;
    for (size_t i : c.picks) job.picked.push_back(all[i]);
    job.shown = &shown;
    job.all = &all;
    job.currentRow = c.currentRow;
    job.deleteRow = [&rows](size_t row) { rows.erase(rows.begin() + row); };
    job.refreshRow = [&](size_t row) { rows[row] = Key(shown[row]); };
    int stops = 0;
    job.stopPlayback = [&] {
      ++stops;
      EXPECT_TRUE(FileExists(Key(original[c.shownFrom + c.currentRow]))) << "closed after its file went";
    };
    if (c.rearGone >= 0) {
      ASSERT_TRUE(DeleteFileW(all[c.rearGone].szRearPath));
    }
    HANDLE held = c.heldOpen < 0 ? INVALID_HANDLE_VALUE
                                 : CreateFileW(all[c.heldOpen].szRearPath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, 0, nullptr);
    auto untouched = quill::test::FingerprintTree(dir.path());
    for (size_t n = 0; n < c.recycled; ++n) {
      untouched.erase(job.picked[job.picked.size() - 1 - n].szMainPath);
      untouched.erase(job.picked[job.picked.size() - 1 - n].szRearPath);
    }
    if (c.heldOpen >= 0) untouched.erase(all[c.heldOpen].szMainPath);
    quill::test::MessageLog log;
    ToolCallbacks callbacks = log.Callbacks();
    callbacks.keepRunning = [&c] { return c.running; };

    EXPECT_EQ(tools::RunRecordingDelete(job, callbacks), c.result) << c.what;
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    EXPECT_EQ(quill::test::FingerprintTree(dir.path()), untouched) << c.what;
    for (size_t n = 0; n < c.recycled; ++n) {
      const sRECORDINGPAIR& r = job.picked[job.picked.size() - 1 - n];
      const bool rearWasThere = r.szRearPath[0] && !(c.rearGone >= 0 && tools::SameRecording(r, original[c.rearGone]));
      EXPECT_TRUE(!r.szMainPath[0] || InTrash(r.szMainPath)) << c.what;
      EXPECT_TRUE(!rearWasThere || InTrash(r.szRearPath)) << c.what;
    }
    EXPECT_TRUE(c.heldOpen < 0 || InTrash(original[c.heldOpen].szMainPath)) << c.what;
    EXPECT_EQ(stops, c.currentRow >= 0 && c.result == R::kDeleted ? 1 : 0) << c.what;
    EXPECT_EQ(log.shown.size(), c.result == R::kFailed ? 1u : 0u) << c.what;
    // The rows, the shown list and the disk agree.
    ASSERT_EQ(rows.size(), shown.size()) << c.what;
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i], Key(shown[i])) << c.what;
      EXPECT_TRUE(!shown[i].szMainPath[0] || FileExists(shown[i].szMainPath)) << c.what;
      EXPECT_TRUE(!shown[i].szRearPath[0] || FileExists(shown[i].szRearPath)) << c.what;
    }
    EXPECT_EQ(quill::test::ScanCard(dir.path()).size(), all.size()) << c.what;
    for (const sRECORDINGPAIR& r : shown) {
      EXPECT_EQ(std::count_if(all.begin(), all.end(), [&r](const sRECORDINGPAIR& a) { return Key(a) == Key(r); }), 1);
    }
  }
}

TEST(RecordingDelete, IndexAfterRemovalFollowsTheRows) {
  struct Case {
    int index, removed, rows, expected;
  } cases[] = {
      {-1, 0, 3, -1},  // no current row stays none
      {0, 2, 3, 0},    // a row below the current one
      {3, 1, 4, 2},    // a row above: the current one moves up
      {1, 1, 3, 1},    // the current row itself: the next row takes its place
      {3, 3, 3, 2},    // the current last row: the new last row
      {0, 0, 0, -1},   // the only row
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tools::IndexAfterRemoval(c.index, c.removed, c.rows), c.expected)
        << c.index << " " << c.removed << " " << c.rows;
  }
}

// A folder that disappears under the walk (a pulled card) is a failure, never "deleted"; where no
// recycle bin is, one question comes before the first file, and a No leaves every file.
TEST(RecordingDelete, AVanishedFolderFailsAndNoRecycleBinAsksOnceFirst) {
  struct Case {
    const char* what;
    bool folderGone;
    bool hasBin;
    int answer;  // to the recycle-bin question
    tools::DeleteResult result;
    size_t questions, messages;
  } cases[] = {
      {"folder gone", true, true, 1, tools::DeleteResult::kFailed, 0, 1},
      {"no bin, declined", false, false, 2, tools::DeleteResult::kDeclined, 1, 1},
      {"no bin, accepted", false, false, 1, tools::DeleteResult::kDeleted, 1, 1},
  };
  for (const Case& c : cases) {
    quill::test::TempDir dir;
    const std::wstring day = dir.path() + L"20240315_001\\";
    const std::wstring from = quill::test::RecordingsDir() + L"card\\20240315_001\\";
    CreateDirectoryW(day.c_str(), nullptr);
    for (const std::wstring& name : quill::test::FilesIn(from)) {
      CopyFileW((from + name).c_str(), (day + name).c_str(), FALSE);
    }
    RecordingList all = quill::test::ScanCard(dir.path());
    RecordingList shown = all;
    ASSERT_GE(all.size(), 3u);
    tools::DeleteJob job;
    job.picked = {all[0], all[1]};
    job.shown = &shown;
    job.all = &all;
    int binAsked = 0;
    job.hasRecycleBin = [&](const wchar_t*) {
      ++binAsked;
      return c.hasBin;
    };
    std::vector<std::wstring> gone;
    job.recordGone = [&](const sRECORDINGPAIR& r) { gone.push_back(Key(r)); };
    if (c.folderGone) {
      quill::test::RemoveTree(day.substr(0, day.size() - 1));
      ASSERT_FALSE(FileExists(day.substr(0, day.size() - 1)));
    }
    const auto before = quill::test::FingerprintTree(dir.path());
    quill::test::MessageLog log;
    log.answers = {c.answer};
    EXPECT_EQ(tools::RunRecordingDelete(job, log.Callbacks()), c.result) << c.what;
    EXPECT_EQ(binAsked, 1) << c.what << ": one folder, asked once";
    EXPECT_EQ(log.Questions(), c.questions) << c.what;
    EXPECT_EQ(log.shown.size(), c.messages) << c.what;
    if (c.result == tools::DeleteResult::kDeleted) {
      EXPECT_EQ(gone.size(), 2u) << c.what;
      EXPECT_EQ(shown.size(), all.size()) << c.what;
      for (const sRECORDINGPAIR& r : job.picked) {
        EXPECT_FALSE(FileExists(Key(r))) << c.what;
        InTrash(Key(r));  // emptied out of the test bed's trash
      }
    } else {
      EXPECT_TRUE(gone.empty()) << c.what;
      EXPECT_EQ(quill::test::FingerprintTree(dir.path()), before) << c.what;
    }
  }
}

}  // namespace
