// A card holding a recording of every trigger letter and every joined prefix: each one is a
// recording file, and each main file pairs up with its rear file in every scan.
#include "tavrin/browser/recording_pair.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

struct CardPair {
  const wchar_t* main;
  const wchar_t* rear;  // a few seconds later, with the same trigger letter
};

const CardPair kEveryTrigger[] = {
    {L"001_120000A_M.MP4", L"001_120002A_R.MP4"},
    {L"002_120100O_M.MP4", L"002_120102O_R.MP4"},
    {L"003_120200R_M.MP4", L"003_120203R_R.MP4"},
    {L"004_120300T_M.MP4", L"004_120301T_R.MP4"},
    {L"005_120400U_M.MP4", L"005_120400U_R.MP4"},
    {L"JM01_006_120500A_M.MP4", L"JM01_006_120500A_R.MP4"},
    {L"JN04_007_120600M_M.MP4", L"JN04_007_120602M_R.MP4"},
    {L"JN04_008_120700T_M.mp4", L"JN04_008_120704T_R.mp4"},
};

std::map<std::wstring, std::wstring> MainToRear(const RecordingList& list) {
  std::map<std::wstring, std::wstring> pairs;
  for (const sRECORDINGPAIR& r : list) pairs[r.szMainName] = r.szRearName;
  return pairs;
}

TEST(EveryTriggerCard, EachTriggerAndJoinedPrefixIsOneRowWithBothFiles) {
  quill::test::TempDir dir;
  std::map<std::wstring, std::wstring> expected;
  for (const CardPair& p : kEveryTrigger) {
    ASSERT_TRUE(quill::test::WriteTinyRecording(dir.path() + p.main));
    ASSERT_TRUE(quill::test::WriteTinyRecording(dir.path() + p.rear));
    EXPECT_TRUE(IsRecordingFile((dir.path() + p.main).c_str())) << std::wstring(p.main).c_str();
    EXPECT_TRUE(IsRecordingFile((dir.path() + p.rear).c_str())) << std::wstring(p.rear).c_str();
    expected[p.main] = p.rear;
  }
  const std::wstring folder = dir.path().substr(0, dir.path().size() - 1);

  RecordingList scanned, collected, single;
  ASSERT_TRUE(ScanFolderForRecordings(folder.c_str(), scanned));
  EXPECT_EQ(MainToRear(scanned), expected);
  EXPECT_EQ(scanned.size(), expected.size());
  ASSERT_TRUE(ScanRecordingTree(folder.c_str(), collected, nullptr, 0));
  EXPECT_EQ(MainToRear(collected), expected);
  EXPECT_EQ(collected.size(), expected.size());
  // The disk-probing search, as when a single file is opened, starting from the rear file.
  for (const CardPair& p : kEveryTrigger) {
    ASSERT_TRUE(AddRecordingFile((dir.path() + p.rear).c_str(), single)) << std::wstring(p.rear).c_str();
  }
  EXPECT_EQ(MainToRear(single), expected);
  GroupRecordings(single);
  EXPECT_EQ(std::wstring(single.back().szMainName), L"JN04_008_120700T_M.mp4");  // still a recording row
}

}  // namespace
