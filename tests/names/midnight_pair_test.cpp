// A recording that runs across midnight: its two files carry times on either side of 00:00:00. Every
// scan lists it as one row holding both files, whichever of the two comes first by name.
#include "tavrin/browser/recording_pair.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct MidnightCase {
  const wchar_t* main;
  const wchar_t* rear;
};

const MidnightCase kMidnight[] = {
    {L"001_235955A_M.MP4", L"001_000005A_R.MP4"},  // the rear file starts after midnight
    {L"002_000003G_M.MP4", L"002_235958G_R.MP4"},  // the main file starts after midnight
    {L"JM01_003_235959A_M.MP4", L"JM01_003_000000A_R.MP4"},
};

void ExpectOneRowWithBoth(const RecordingList& list, const std::wstring& main, const std::wstring& rear) {
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(std::wstring(list[0].szMainPath), main);
  EXPECT_EQ(std::wstring(list[0].szRearPath), rear);
}

TEST(MidnightPair, EachScanListsOneRowWithBothFiles) {
  for (const MidnightCase& c : kMidnight) {
    SCOPED_TRACE(testing::Message() << std::wstring(c.main).c_str());
    quill::test::TempDir dir;
    const std::wstring main = dir.path() + c.main, rear = dir.path() + c.rear;
    ASSERT_TRUE(quill::test::WriteTinyRecording(main));
    ASSERT_TRUE(quill::test::WriteTinyRecording(rear));
    const std::wstring folder = dir.path().substr(0, dir.path().size() - 1);

    RecordingList one, tree, collected, fromMain, fromRear;
    ASSERT_TRUE(ScanFolderForRecordings(folder.c_str(), one));
    ExpectOneRowWithBoth(one, main, rear);
    ASSERT_TRUE(ScanRecordingFolders(folder.c_str(), nullptr, nullptr, tree, nullptr, kScanFolderTree,
                                     true, nullptr, 0));
    ExpectOneRowWithBoth(tree, main, rear);
    ASSERT_TRUE(ScanRecordingTree(folder.c_str(), collected, nullptr, 0));
    ExpectOneRowWithBoth(collected, main, rear);
    // A single file opened as the source finds its partner on disk from either side.
    ASSERT_TRUE(AddRecordingFile(main.c_str(), fromMain));
    ExpectOneRowWithBoth(fromMain, main, rear);
    ASSERT_TRUE(AddRecordingFile(rear.c_str(), fromRear));
    ExpectOneRowWithBoth(fromRear, main, rear);
  }
}

}  // namespace
