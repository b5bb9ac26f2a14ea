// Moving recordings to the recycle bin, and refusing everything that is not exactly one file.
#include "tavrin/browser/recording_names.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using quill::test::FileExists;
using quill::test::TempDir;

// True when an info file of the trash under `dataHome` names a path ending in `original`.
bool TrashHolds(const std::string& dataHome, const std::string& original) {
  const std::string info = dataHome + "/Trash/info/";
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((quill::test::HostPathToWindows(info) + L"*.trashinfo").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do {
    const std::wstring wide = entry.cFileName;
    const std::string text = quill::test::ReadHostFile(info + std::string(wide.begin(), wide.end()));
    found = text.find(original + "\n") != std::string::npos;
    // Empty the match out of the trash (its info file and the file itself), so that a later run
    // finds no clash there and proves itself anew.
    if (found) {
      DeleteFileW((quill::test::HostPathToWindows(info) + wide).c_str());
      const std::wstring trashed = wide.substr(0, wide.size() - std::wstring(L".trashinfo").size());
      DeleteFileW((quill::test::HostPathToWindows(dataHome + "/Trash/files/") + trashed).c_str());
    }
  } while (!found && FindNextFileW(find, &entry));
  FindClose(find);
  return found;
}

TEST(RecycleFile, MovesAGeneratedRecordingToTheRecycleBin) {
  TempDir dir;
  const std::wstring path = dir.path() + L"001_120000A_M.MP4";
  ASSERT_TRUE(quill::test::WriteTinyRecording(path));
  EXPECT_TRUE(RecycleFile(path.c_str()));
  EXPECT_FALSE(FileExists(path));
  if (quill::test::RunningUnderWine()) {
    // Wine's recycle bin is the desktop trash under the test bed's XDG_DATA_HOME: one of its info
    // files names the original path (name clashes in the trash get a suffix, so look at them all).
    const char* data = std::getenv("XDG_DATA_HOME");
    ASSERT_NE(data, nullptr);
    std::wstring folder = dir.path().substr(0, dir.path().size() - 1);
    folder = folder.substr(folder.rfind(L'\\') + 1);
    const std::string original = std::string(folder.begin(), folder.end()) + "/001_120000A_M.MP4";
    EXPECT_TRUE(TrashHolds(data, original)) << original;
  }
}

TEST(RecycleFile, RefusesAFolderAndKeepsEverythingInIt) {
  // Regression: a folder row's path is a day folder; recycling it took a whole day of recordings.
  TempDir dir;
  const std::wstring day = dir.path() + L"20240101_001";
  ASSERT_TRUE(quill::test::MakeFolders(day));
  ASSERT_TRUE(quill::test::WriteTinyRecording(day + L"\\001_120000A_M.MP4"));
  EXPECT_FALSE(RecycleFile(day.c_str()));
  EXPECT_FALSE(RecycleFile((day + L"\\").c_str()));
  EXPECT_TRUE(FileExists(day + L"\\001_120000A_M.MP4"));
}

TEST(RecycleFile, RefusesAPathOf260CharactersAndLeavesItsCutNeighbourAlone) {
  // Regression: a longer path was cut to 259 characters and whatever file that named was deleted.
  TempDir dir;
  const std::wstring folder = dir.path() + std::wstring(120, L'f');
  ASSERT_TRUE(quill::test::MakeFolders(folder));
  std::wstring cut = folder + L"\\" + std::wstring(259 - folder.size() - 1, L'x');
  ASSERT_EQ(cut.size(), 259u);
  ASSERT_TRUE(quill::test::WriteTinyRecording(cut));
  EXPECT_FALSE(RecycleFile((cut + L"y").c_str()));
  EXPECT_FALSE(RecycleFile((cut + std::wstring(300, L'y')).c_str()));
  EXPECT_TRUE(FileExists(cut));
  EXPECT_TRUE(RecycleFile(cut.c_str()));  // 259 characters is a valid path
  EXPECT_FALSE(FileExists(cut));
}

TEST(RecycleFile, AMissingFileIsAlreadyGoneButAMissingFolderWildcardsOrEmptyPathsAreRefused) {
  TempDir dir;
  EXPECT_TRUE(RecycleFile((dir.path() + L"001_120000A_M.MP4").c_str()));
  // Regression: a file whose folder is gone (a pulled card, a removed folder) counted as recycled,
  // so a walk over a vanished card said "done" having deleted nothing.
  EXPECT_FALSE(RecycleFile((dir.path() + L"missing\\001_120000A_M.MP4").c_str()));
  EXPECT_FALSE(RecycleFile(L""));
  EXPECT_FALSE(RecycleFile(nullptr));
  ASSERT_TRUE(quill::test::WriteTinyRecording(dir.path() + L"001_120000A_M.MP4"));
  ASSERT_TRUE(quill::test::WriteTinyRecording(dir.path() + L"001_120000A_R.MP4"));
  EXPECT_FALSE(RecycleFile((dir.path() + L"*.MP4").c_str()));
  EXPECT_FALSE(RecycleFile((dir.path() + L"001_120000A_?.MP4").c_str()));
  EXPECT_TRUE(FileExists(dir.path() + L"001_120000A_M.MP4"));
  EXPECT_TRUE(FileExists(dir.path() + L"001_120000A_R.MP4"));
}

}  // namespace
