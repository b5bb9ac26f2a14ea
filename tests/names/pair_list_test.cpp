// Building records, folder rows, the duplicate test, file sizes, grouping and exclusion.
#include "tavrin/browser/recording_pair.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using quill::test::TempDir;

sRECORDINGPAIR Row(const wchar_t* main, const wchar_t* rear = L"") {
  sRECORDINGPAIR r = {};
  wcscpy(r.szMainName, main);
  wcscpy(r.szRearName, rear);
  wcscpy(r.szMainPath, main);
  wcscpy(r.szRearPath, rear);
  return r;
}

std::vector<std::wstring> Keys(const RecordingList& list) {
  std::vector<std::wstring> keys;
  for (const sRECORDINGPAIR& r : list) keys.emplace_back(RecordingKey(r));
  return keys;
}

TEST(PairList, APairRecordKeepsPathsNamesSizesSerialsAndFlags) {
  TempDir dir;
  const std::wstring main = dir.path() + L"001_120000P_M.MP4";
  const std::wstring rear = dir.path() + L"001_120003A_R.MP4";
  ASSERT_TRUE(quill::test::WriteFileBytes(main, quill::test::TinyRecordingBytes(1000)));
  ASSERT_TRUE(quill::test::WriteFileBytes(rear, quill::test::TinyRecordingBytes(10)));
  ResetRecordingSerial();
  const uint64_t number = g_uRecordingFileNumber.load();
  RecordingList list;
  ASSERT_TRUE(AddRecordingPair(main.c_str(), rear.c_str(), list));
  ASSERT_TRUE(AddRecordingPair(L"", rear.c_str(), list));
  ASSERT_EQ(list.size(), 2u);
  const sRECORDINGPAIR& r = list[0];
  EXPECT_EQ(std::wstring(r.szMainPath), main);
  EXPECT_EQ(std::wstring(r.szRearName), L"001_120003A_R.MP4");
  EXPECT_EQ(r.uMainSize, quill::test::TinyRecordingBytes(1000).size());
  EXPECT_EQ(r.uRearSize, quill::test::TinyRecordingBytes(10).size());
  EXPECT_EQ(r.uSerial, 0u);
  EXPECT_EQ(list[1].uSerial, 1u);
  EXPECT_EQ(static_cast<uint64_t>(r.nFileNumber), number);
  EXPECT_EQ(r.nNameKey, L'0');
  EXPECT_EQ(r.nParking, 1);  // the main file's letter P decides
  // A rear-only record: no key character, parking from the rear name (A: not parking).
  EXPECT_EQ(list[1].nNameKey, 0);
  EXPECT_EQ(list[1].nParking, 0);
  EXPECT_EQ(list[1].uMainSize, 0u);
}

TEST(PairList, APairIsLeftOutWhenNeitherFileOpensOrNeitherNameIsACameraFile) {
  TempDir dir;
  RecordingList list;
  EXPECT_FALSE(AddRecordingPair((dir.path() + L"001_120000A_M.MP4").c_str(),
                                (dir.path() + L"001_120000A_R.MP4").c_str(), list));
  ASSERT_TRUE(quill::test::WriteTinyRecording(dir.path() + L"notes_M.MP4"));
  EXPECT_FALSE(AddRecordingPair((dir.path() + L"notes_M.MP4").c_str(), L"", list));
  ASSERT_TRUE(quill::test::WriteTinyRecording(dir.path() + L"001_120000A_R.MP4"));
  // A rear file on the main side does not count as a main file.
  EXPECT_FALSE(AddRecordingPair((dir.path() + L"001_120000A_R.MP4").c_str(), L"", list));
  EXPECT_TRUE(list.empty());
}

TEST(PairList, FileSizesOf4GBAndMoreAreKeptWhole) {
  // Regression: only the low 32 bits of the size were kept.
  TempDir dir;
  const std::wstring main = dir.path() + L"001_120000A_M.MP4";
  HANDLE h = CreateFileW(main.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
      nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = 0x100000010LL;  // 4 GiB + 16, sparse
  const bool sized = SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  ASSERT_TRUE(sized);
  RecordingList list;
  ASSERT_TRUE(AddRecordingPair(main.c_str(), L"", list));
  EXPECT_EQ(list[0].uMainSize, 0x100000010ull);
}

TEST(PairList, AFolderRowCarriesTheFolderAndAllOnesMarks) {
  RecordingList list;
  EXPECT_TRUE(AddFolderRow(L"E:\\DCIM\\20240101_001", list));
  EXPECT_TRUE(AddFolderRow(L"E:\\DCIM\\20240102_001\\", list));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(std::wstring(list[0].szMainPath), L"E:\\DCIM\\20240101_001");
  EXPECT_EQ(std::wstring(list[0].szMainName), L"20240101_001");
  EXPECT_EQ(std::wstring(list[1].szMainName), L"20240102_001");
  EXPECT_EQ(list[0].uSerial, kFolderRowSerial);
  EXPECT_EQ(list[0].uMainSize, ~0ull);
  EXPECT_FALSE(AddFolderRow((L"E:\\" + std::wstring(300, L'd')).c_str(), list));
  EXPECT_EQ(list.size(), 2u);
}

TEST(PairList, TheSameMainFileReachedTwiceGivesOneRecord) {
  TempDir dir;
  const std::wstring main = dir.path() + L"001_120000A_M.MP4";
  const std::wstring rear = dir.path() + L"001_120003A_R.MP4";
  ASSERT_TRUE(quill::test::WriteTinyRecording(main));
  ASSERT_TRUE(quill::test::WriteTinyRecording(rear));
  RecordingList list;
  EXPECT_TRUE(AddRecordingFile(main.c_str(), list));
  EXPECT_FALSE(AddRecordingFile(rear.c_str(), list));
  EXPECT_FALSE(AddRecordingFile(main.c_str(), list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(std::wstring(list[0].szRearPath), rear);
  wchar_t m[kRecordingPathChars], r[kRecordingPathChars];
  EXPECT_FALSE(MakePairForFile((dir.path() + L"notes.txt").c_str(), RecordingList(), m, r));
  ASSERT_TRUE(MakePairForFile(rear.c_str(), RecordingList(), m, r));
  EXPECT_EQ(std::wstring(m), main);
  EXPECT_EQ(std::wstring(r), rear);
}

TEST(PairList, GroupingPutsRecordingsBeforeOtherRowsEachInNameOrder) {
  RecordingList list = {Row(L"20240102_001"), Row(L"003_120000A_M.MP4"), Row(L"", L"002_110000S_R.MP4"),
                        Row(L"20240101_001"), Row(L"JM01_001_090000A_M.MP4"), Row(L"DCIM"),
                        Row(L"001_100000A_M.MP4"), Row(L"JN03_004_093200M_M.MP4")};
  GroupRecordings(list);
  const std::vector<std::wstring> expected = {
      L"001_100000A_M.MP4",  L"002_110000S_R.MP4", L"003_120000A_M.MP4",
      L"JM01_001_090000A_M.MP4", L"JN03_004_093200M_M.MP4", L"20240101_001",
      L"20240102_001",       L"DCIM"};
  EXPECT_EQ(Keys(list), expected);
}

TEST(PairList, ExclusionRemovesByKeyAndKeepsOrder) {
  RecordingList list = {Row(L"003_120000A_M.MP4"), Row(L"", L"002_110000S_R.MP4"), Row(L"001_100000A_M.MP4")};
  RecordingList excluded = {Row(L"002_110000S_R.MP4"), Row(L"009_000000A_M.MP4")};
  ExcludeListedRecordings(list, excluded);
  EXPECT_EQ(Keys(list), (std::vector<std::wstring>{L"003_120000A_M.MP4", L"001_100000A_M.MP4"}));
  RecordingList more = {Row(L"004_000000A_M.MP4")};
  EXPECT_EQ(AppendRecordings(list, more), 1u);
  EXPECT_EQ(Keys(list).back(), L"004_000000A_M.MP4");
}

TEST(PairList, ListingsHoldDirectoriesFirstThenFilesEachInNameOrderAndAMissingFolderFails) {
  auto entry = [](const wchar_t* name, bool dir) {
    WIN32_FIND_DATAW e = {};
    wcscpy(e.cFileName, name);
    e.dwFileAttributes = dir ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    return e;
  };
  FindEntries entries = {entry(L"b.MP4", false), entry(L"z", true), entry(L"A.MP4", false),
                         entry(L"a", true), entry(L"..", true), entry(L".", true)};
  SortFindEntries(entries);
  std::vector<std::wstring> names;
  for (const auto& e : entries) names.emplace_back(e.cFileName);
  EXPECT_EQ(names, (std::vector<std::wstring>{L".", L"..", L"a", L"z", L"A.MP4", L"b.MP4"}));
  EXPECT_TRUE(CompareFindNames(entry(L"B", false), entry(L"a", false)));  // ordinal, case-sensitive
  TempDir dir;
  FindEntries listed;
  EXPECT_FALSE(ListFolder((dir.path() + L"missing").c_str(), listed));
  EXPECT_TRUE(ListFolder(dir.path().c_str(), listed));  // a trailing separator is fine
  EXPECT_EQ(listed.size(), 2u);                          // "." and ".."
}

}  // namespace
