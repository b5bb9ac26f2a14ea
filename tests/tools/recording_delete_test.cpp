// The deletion of chosen recordings on a copy of the generated card: both files of each picked
// recording in the test bed's trash, nothing else touched, the playing recording closed first, and the
// rows and lists matching the disk when a file held open stops the walk.
#include "tavrin/app/recording_delete.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"
#include "tests/tools/tool_fixture.h"

namespace {

using quill::test::FileExists;

// A copy of the card's first day folder, scanned; the rows of a fake main list.
struct Source {
  quill::test::TempDir dir;
  std::wstring day;
  RecordingList shown;
  RecordingList all;
  std::vector<std::wstring> rows;  // what the main list shows, one key per row
  quill::test::MessageLog log;
  tools::DeleteJob job;

  Source() {
    day = dir.path() + L"20240315_001";
    CreateDirectoryW(day.c_str(), nullptr);
    const std::wstring from = quill::test::RecordingsDir() + L"card\\20240315_001\\";
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((from + L"*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
          CopyFileW((from + entry.cFileName).c_str(), (day + L"\\" + entry.cFileName).c_str(), FALSE);
        }
      } while (FindNextFileW(find, &entry));
      FindClose(find);
    }
    all = quill::test::ScanCard(dir.path());
    shown = all;
    for (const sRECORDINGPAIR& r : shown) rows.push_back(Key(r));
    job.shown = &shown;
    job.all = &all;
    job.deleteRow = [this](size_t row) { rows.erase(rows.begin() + row); };
    job.refreshRow = [this](size_t row) { rows[row] = Key(shown[row]); };
  }
  static std::wstring Key(const sRECORDINGPAIR& r) { return r.szMainPath[0] ? r.szMainPath : r.szRearPath; }
  void Pick(std::initializer_list<size_t> indices) {
    for (size_t i : indices) job.picked.push_back(all.at(i));
  }
  tools::DeleteResult Run() { return tools::RunRecordingDelete(job, log.Callbacks()); }

  // The rows, the shown list and the disk agree: every row names a recording whose files exist, and
  // every recording file on disk has its row.
  void ExpectListMatchesDisk() const {
    ASSERT_EQ(rows.size(), shown.size());
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], Key(shown[i]));
    for (const sRECORDINGPAIR& r : shown) {
      EXPECT_TRUE(!r.szMainPath[0] || FileExists(r.szMainPath)) << r.szMainPath;
      EXPECT_TRUE(!r.szRearPath[0] || FileExists(r.szRearPath)) << r.szRearPath;
    }
    const RecordingList onDisk = quill::test::ScanCard(dir.path());
    EXPECT_EQ(onDisk.size(), shown.size());
  }
};

// True when an info file of the trash under XDG_DATA_HOME names a path ending in "<folder>/<name>"; the
// match is emptied out of the trash so that a later run proves itself anew.
bool InTrash(const std::wstring& path) {
  if (!quill::test::RunningUnderWine()) return !FileExists(path);
  const char* data = std::getenv("XDG_DATA_HOME");
  if (!data) return false;
  const size_t cut = path.rfind(L'\\');
  const size_t folderCut = path.rfind(L'\\', cut - 1);
  const std::wstring tail = path.substr(folderCut + 1, cut - folderCut - 1) + L"/" + path.substr(cut + 1);
  const std::string original(tail.begin(), tail.end());
  const std::string info = std::string(data) + "/Trash/info/";
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((quill::test::HostPathToWindows(info) + L"*.trashinfo").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do {
    const std::wstring wide = entry.cFileName;
    const std::string text = quill::test::ReadHostFile(info + std::string(wide.begin(), wide.end()));
    found = text.find(original + "\n") != std::string::npos;
    if (found) {
      DeleteFileW((quill::test::HostPathToWindows(info) + wide).c_str());
      const std::wstring trashed = wide.substr(0, wide.size() - std::wstring(L".trashinfo").size());
      DeleteFileW((quill::test::HostPathToWindows(std::string(data) + "/Trash/files/") + trashed).c_str());
    }
  } while (!found && FindNextFileW(find, &entry));
  FindClose(find);
  return found;
}

TEST(RecordingDelete, MovesBothFilesOfEachPickedRecordingToTheRecycleBin) {
  const auto card = quill::test::FingerprintTree(quill::test::RecordingsDir() + L"card");
  Source source;
  ASSERT_GE(source.all.size(), 6u);
  ASSERT_TRUE(source.all[0].szRearPath[0] && source.all[2].szRearPath[0]);
  source.Pick({0, 2});
  const RecordingList picked = source.job.picked;
  auto others = quill::test::FingerprintTree(source.dir.path());
  for (const sRECORDINGPAIR& r : picked) {
    others.erase(r.szMainPath);
    others.erase(r.szRearPath);
  }
  EXPECT_EQ(source.Run(), tools::DeleteResult::kDeleted);
  for (const sRECORDINGPAIR& r : picked) {
    EXPECT_TRUE(InTrash(r.szMainPath)) << r.szMainPath;
    EXPECT_TRUE(InTrash(r.szRearPath)) << r.szRearPath;
  }
  EXPECT_EQ(quill::test::FingerprintTree(source.dir.path()), others);  // nothing else touched
  source.ExpectListMatchesDisk();
  EXPECT_EQ(source.all.size(), source.shown.size());
  EXPECT_TRUE(source.log.shown.empty());
  EXPECT_EQ(quill::test::FingerprintTree(quill::test::RecordingsDir() + L"card"), card);
}

TEST(RecordingDelete, ClosesThePlayingRecordingBeforeItsFilesGo) {
  Source source;
  source.Pick({1, 3});
  source.job.currentRow = 3;
  const std::wstring playing = source.all[3].szMainPath;
  const std::wstring other = source.all[1].szMainPath;
  int stops = 0;
  source.job.stopPlayback = [&] {
    ++stops;
    EXPECT_TRUE(FileExists(playing));  // still there when the player lets it go
  };
  EXPECT_EQ(source.Run(), tools::DeleteResult::kDeleted);
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(FileExists(playing));
  EXPECT_FALSE(FileExists(other));
  source.ExpectListMatchesDisk();
  InTrash(playing);
  InTrash(other);
}

TEST(RecordingDelete, AFileHeldOpenStopsTheWalkWithTheListStillMatchingTheDisk) {
  Source source;
  source.Pick({0, 1, 4});
  // The first picked recording is walked last; its rear file is held open by another program.
  const sRECORDINGPAIR held = source.all[0];
  ASSERT_TRUE(held.szRearPath[0]);
  HANDLE file = CreateFileW(held.szRearPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(source.Run(), tools::DeleteResult::kFailed);
  CloseHandle(file);
  ASSERT_EQ(source.log.shown.size(), 1u);
  EXPECT_EQ(source.log.shown[0].caption, L"ERROR");
  EXPECT_TRUE(FileExists(held.szRearPath));
  source.ExpectListMatchesDisk();
  InTrash(source.job.picked[1].szMainPath);
  InTrash(source.job.picked[2].szMainPath);
}

TEST(RecordingDelete, CancelRecyclesNothing) {
  struct Case {
    bool pick;
    bool running;
    tools::DeleteResult result;
  };
  for (const Case c : {Case{false, true, tools::DeleteResult::kNothingPicked},
                       Case{true, false, tools::DeleteResult::kCancelled}}) {
    Source source;
    if (c.pick) source.Pick({0, 1});
    const auto before = quill::test::FingerprintTree(source.dir.path());
    ToolCallbacks callbacks = source.log.Callbacks();
    const bool running = c.running;
    callbacks.keepRunning = [running] { return running; };
    EXPECT_EQ(tools::RunRecordingDelete(source.job, callbacks), c.result);
    EXPECT_EQ(quill::test::FingerprintTree(source.dir.path()), before);
    source.ExpectListMatchesDisk();
  }
}

TEST(RecordingDelete, ARecordingWhoseRearFileIsGoneIsStillDeleted) {
  Source source;
  source.Pick({0});
  ASSERT_TRUE(DeleteFileW(source.all[0].szRearPath));
  const std::wstring main = source.all[0].szMainPath;
  EXPECT_EQ(source.Run(), tools::DeleteResult::kDeleted);
  EXPECT_FALSE(FileExists(main));
  source.ExpectListMatchesDisk();
  InTrash(main);
}

}  // namespace
