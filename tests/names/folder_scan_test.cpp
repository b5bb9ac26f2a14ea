// The folder scans over a generated SD card: day folders, loose and joined files, unpaired main and
// rear files, files the probe rejects, folders that cannot be listed, and paths past 260 characters;
// a card of pairs that once went missing from the lists.
#include "tavrin/browser/recording_pair.h"
#include "tavrin/browser/recording_probe.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using quill::test::TempDir;

std::vector<std::wstring> Keys(const RecordingList& list) {
  std::vector<std::wstring> keys;
  for (const sRECORDINGPAIR& r : list) keys.emplace_back(RecordingKey(r));
  return keys;
}

// The card: recordings (probe accepted), "foreign" movies (probe rejected) and other files.
class Card : public testing::Test {
 protected:
  void SetUp() override {
    root_ = dir_.path() + L"card";
    const wchar_t* recordings[] = {
        L"001_130000M_M.MP4", L"001_130000M_R.MP4",
        L"20240101_001\\001_120000A_M.MP4", L"20240101_001\\001_120003A_R.MP4",
        L"20240101_001\\002_120100G_M.MP4", L"20240101_001\\003_120200P_R.MP4",
        L"20240101_001\\005_120400X_M.MP4",
        L"20240102_001\\006_080000S_M.MP4", L"20240102_001\\006_080000S_R.MP4",
        L"DCIM\\20240104_001\\008_100000A_M.MP4",
        L"a\\b\\c\\009_110000A_M.MP4", L"a\\b\\c\\20240105_001\\010_110000A_M.MP4",
        L"20240110_001\\20240111_001\\20240112_001\\20240113_001\\011_120000A_M.MP4",
    };
    for (const wchar_t* r : recordings) Write(r, quill::test::TinyRecordingBytes());
    Write(L"readme.txt", "hello");
    Write(L"20240101_001\\004_120300M_M.MP4", quill::test::TinyForeignMovieBytes());
    Write(L"20240101_001\\notes.txt", "x");
    Write(L"20240103_001\\007_090000A_M.MP4", quill::test::TinyForeignMovieBytes());
  }

  void Write(const std::wstring& relative, const std::string& bytes) {
    const std::wstring path = root_ + L"\\" + relative;
    ASSERT_TRUE(quill::test::MakeFolders(path.substr(0, path.rfind(L'\\'))));
    ASSERT_TRUE(quill::test::WriteFileBytes(path, bytes));
  }

  std::wstring Path(const wchar_t* relative) const { return root_ + L"\\" + relative; }

  TempDir dir_;
  std::wstring root_;
};

const std::vector<std::wstring> kAllCollected = {
    L"001_120000A_M.MP4", L"002_120100G_M.MP4", L"003_120200P_R.MP4",  // day 1, grouped
    L"006_080000S_M.MP4",                                              // day 2
    L"008_100000A_M.MP4",                                              // DCIM\day 4
    L"009_110000A_M.MP4",                                              // a\b\c (depth 3)
    L"001_130000M_M.MP4",                                              // the card's own files last
};

TEST_F(Card, CollectingTheCardFindsEveryRecordingDownToDepthThree) {
  RecordingList list;
  uint32_t files = 0;
  ASSERT_TRUE(ScanRecordingTree(root_.c_str(), list, &files, 0));
  EXPECT_EQ(Keys(list), kAllCollected);
  EXPECT_EQ(files, 3u);  // the card's own files, recordings or not
  ASSERT_EQ(list.size(), kAllCollected.size());
  EXPECT_EQ(std::wstring(list[0].szRearPath), Path(L"20240101_001\\001_120003A_R.MP4"));
  EXPECT_EQ(std::wstring(list[1].szRearPath), L"");
  EXPECT_EQ(std::wstring(list[2].szMainPath), L"");
  EXPECT_EQ(std::wstring(list[3].szRearPath), Path(L"20240102_001\\006_080000S_R.MP4"));
}

TEST_F(Card, AnUnreadableFolderDoesNotEndTheCollection) {
  // Regression: the first sub-folder that could not be listed stopped the whole collection, and the
  // CSV export and the delete list silently missed every recording after it.
  quill::test::LockedFolder lock(Path(L"20240102_001"));
  ASSERT_TRUE(lock.locked());
  FindEntries probe;
  ASSERT_FALSE(ListFolder(Path(L"20240102_001").c_str(), probe)) << "the lock must make it unreadable";
  RecordingList list;
  ASSERT_TRUE(ScanRecordingTree(root_.c_str(), list, nullptr, 0));
  std::vector<std::wstring> expected = kAllCollected;
  expected.erase(expected.begin() + 3);
  EXPECT_EQ(Keys(list), expected);
  // The tree scan skips it the same way.
  RecordingList rows, pairs;
  EXPECT_TRUE(ScanRecordingFolders(root_.c_str(), nullptr, nullptr, pairs, &rows, kScanDayFolders,
                                   true, nullptr, 0));
  EXPECT_EQ(Keys(rows), (std::vector<std::wstring>{L"20240101_001"}));
}

int RejectAll(const wchar_t*) { return 0; }

TEST_F(Card, ScansAskTheProbeSeamAboutEveryRecordingFile) {
  SetRecordingProbe(&RejectAll);
  RecordingList list, rows;
  EXPECT_TRUE(ScanRecordingTree(root_.c_str(), list, nullptr, 0));
  EXPECT_TRUE(ScanRecordingFolders(root_.c_str(), nullptr, nullptr, list, &rows, kScanDayFolders, true,
                                   nullptr, 0));
  SetRecordingProbe(nullptr);  // back to the playback core's probe
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(rows.empty());
  EXPECT_FALSE(ScanRecordingTree(Path(L"missing").c_str(), list, nullptr, 0));
  EXPECT_FALSE(ScanFolderForRecordings(Path(L"missing").c_str(), list));
  EXPECT_EQ(ProbeRecordingFile(Path(L"001_130000M_M.MP4").c_str()), 1);
  EXPECT_EQ(ProbeRecordingFile(Path(L"20240103_001\\007_090000A_M.MP4").c_str()), 0);
}

TEST_F(Card, OneFolderScanPairsWithoutTheProbe) {
  RecordingList list;
  ASSERT_TRUE(ScanFolderForRecordings(Path(L"20240101_001").c_str(), list));
  EXPECT_EQ(Keys(list), (std::vector<std::wstring>{L"001_120000A_M.MP4", L"002_120100G_M.MP4",
                                                   L"003_120200P_R.MP4", L"004_120300M_M.MP4"}));
  uint32_t mask = 0xFF;
  ASSERT_TRUE(GetFolderFilterMask(Path(L"20240101_001").c_str(), mask));
  EXPECT_EQ(mask, 1u | 4u | 8u);  // A, G, P; the rejected M file and the X file add nothing
}

// The tree items and their trigger masks are checked through the browser pane's tree (tests/browser).
TEST_F(Card, ADriveScanShowsOnlyDayFoldersWithRecordings) {
  RecordingList list, rows;
  uint32_t found = 0;
  ASSERT_TRUE(ScanRecordingFolders(root_.c_str(), nullptr, nullptr, list, &rows, kScanDayFolders, true, &found, 0));
  // DCIM is no day folder; 20240103_001 holds only rejected files; 20240110_001's only recording
  // lies four levels down.
  EXPECT_EQ(Keys(rows), (std::vector<std::wstring>{L"20240101_001", L"20240102_001"}));
  EXPECT_EQ(std::wstring(rows[0].szMainPath), Path(L"20240101_001"));
  EXPECT_EQ(Keys(list), (std::vector<std::wstring>{L"001_130000M_M.MP4"}));
  EXPECT_GE(found, 1u);
  // The list the browser shows: recordings first, then the folder rows.
  AppendRecordings(list, rows);
  GroupRecordings(list);
  EXPECT_EQ(Keys(list), (std::vector<std::wstring>{L"001_130000M_M.MP4", L"20240101_001", L"20240102_001"}));
}

TEST_F(Card, AFolderScanListsTheFolderFilesOnly) {
  RecordingList list;
  ASSERT_TRUE(ScanRecordingFolders(root_.c_str(), nullptr, nullptr, list, nullptr, kScanFolderTree, true,
                                   nullptr, 0));
  EXPECT_EQ(Keys(list), (std::vector<std::wstring>{L"001_130000M_M.MP4"}));
  RecordingList day;
  ASSERT_TRUE(ScanRecordingFolders(Path(L"20240101_001").c_str(), nullptr, nullptr, day, nullptr,
                                   kScanFolderTree, true, nullptr, 0));
  EXPECT_EQ(Keys(day), (std::vector<std::wstring>{L"001_120000A_M.MP4", L"002_120100G_M.MP4",
                                                  L"003_120200P_R.MP4"}));
}

TEST(LongPaths, EntriesPastTheBufferAreSkippedAndNothingOverruns) {
  // Regression: folder plus entry name was formatted into 260-character buffers without a bound.
  TempDir dir;
  // A plain name fits this folder exactly (259 characters in all); a joined name does not.
  const size_t folderLength = 259 - 1 - 17;
  std::wstring folder = dir.path() + L"L";
  folder += std::wstring(folderLength - folder.size(), L'l');
  ASSERT_TRUE(quill::test::MakeFolders(folder));
  for (const wchar_t* name : {L"001_120000A_M.MP4", L"001_120000A_R.MP4", L"JM01_001_120000A_M.MP4"}) {
    ASSERT_TRUE(quill::test::WriteTinyRecording(folder + L"\\" + name));
  }
  // A sub-folder whose own listing pattern cannot fit: it is left out like an unreadable one.
  ASSERT_TRUE(quill::test::MakeFolders(folder + L"\\" + std::wstring(17, L'd')));
  ASSERT_TRUE(quill::test::WriteTinyRecording(folder + L"\\" + std::wstring(17,
      L'd') + L"\\001_120000A_M.MP4"));
  RecordingList list;
  ASSERT_TRUE(ScanRecordingTree(folder.c_str(), list, nullptr, 0));
  ASSERT_EQ(Keys(list), (std::vector<std::wstring>{L"001_120000A_M.MP4"}));
  EXPECT_EQ(std::wstring(list[0].szRearPath), folder + L"\\001_120000A_R.MP4");
  RecordingList tree;
  ASSERT_TRUE(ScanRecordingFolders(folder.c_str(), nullptr, nullptr, tree, nullptr, kScanFolderTree, true,
                                   nullptr, 0));
  EXPECT_EQ(Keys(tree), Keys(list));
  // A source path that does not fit at all cannot be listed.
  RecordingList none;
  EXPECT_FALSE(ScanRecordingTree((folder + L"\\" + std::wstring(300, L'x')).c_str(), none, nullptr, 0));
}

// Opens a file without sharing for the life of the object: nobody else can open it meanwhile.
class HeldFile {
 public:
  explicit HeldFile(const std::wstring& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~HeldFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

struct CardPair {
  const wchar_t* main;
  const wchar_t* rear;
  int held;  // 0: both open; 1: the rear file is held; 2: both are held (the pair is left out)
};

const CardPair kAwkwardPairs[] = {
    // Every trigger letter and joined prefix pairs up (O, R, T, U and JN were once not listed).
    {L"001_120000A_M.MP4", L"001_120002A_R.MP4", 0},
    {L"002_120100O_M.MP4", L"002_120102O_R.MP4", 0},
    {L"003_120200R_M.MP4", L"003_120203R_R.MP4", 0},
    {L"004_120300T_M.MP4", L"004_120301T_R.MP4", 0},
    {L"005_120400U_M.MP4", L"005_120400U_R.MP4", 0},
    {L"JM01_006_120500A_M.MP4", L"JM01_006_120500A_R.MP4", 0},
    {L"JN04_007_120600M_M.MP4", L"JN04_007_120602M_R.MP4", 0},
    {L"JN04_008_120700T_M.mp4", L"JN04_008_120704T_R.mp4", 0},
    // Across midnight either way (the partner search once stopped at 00:00:00).
    {L"011_235955A_M.MP4", L"011_000005A_R.MP4", 0},
    {L"012_000003G_M.MP4", L"012_235958G_R.MP4", 0},
    {L"JM01_013_235959A_M.MP4", L"JM01_013_000000A_R.MP4", 0},
    // Held by another program: a pair neither of whose files opens is left out, one side is enough.
    {L"021_130000A_M.MP4", L"021_130000A_R.MP4", 2},
    {L"022_130100A_M.MP4", L"022_130100A_R.MP4", 1},
};

std::map<std::wstring, std::wstring> KeyToRear(const RecordingList& list) {
  std::map<std::wstring, std::wstring> pairs;
  for (const sRECORDINGPAIR& r : list) pairs[RecordingKey(r)] = r.szRearName;
  return pairs;
}

TEST(AwkwardCard, EveryScanListsEachPairOnceWithBothFiles) {
  TempDir dir;
  std::vector<std::unique_ptr<HeldFile>> held;
  std::map<std::wstring, std::wstring> expected;
  for (const CardPair& p : kAwkwardPairs) {
    ASSERT_TRUE(quill::test::WriteTinyRecording(dir.path() + p.main));
    ASSERT_TRUE(quill::test::WriteTinyRecording(dir.path() + p.rear));
    if (p.held == 0) expected[p.main] = p.rear;
  }
  for (const CardPair& p : kAwkwardPairs) {
    if (p.held >= 1) held.push_back(std::make_unique<HeldFile>(dir.path() + p.rear));
    if (p.held == 2) held.push_back(std::make_unique<HeldFile>(dir.path() + p.main));
    if (p.held) {
      ASSERT_TRUE(held.back()->held());
    }
  }
  const std::wstring folder = dir.path().substr(0, dir.path().size() - 1);
  RecordingList one, tree, collected;
  ASSERT_TRUE(ScanFolderForRecordings(folder.c_str(), one));
  ASSERT_TRUE(ScanRecordingFolders(folder.c_str(), nullptr, nullptr, tree, nullptr, kScanFolderTree, true,
                                   nullptr, 0));
  ASSERT_TRUE(ScanRecordingTree(folder.c_str(), collected, nullptr, 0));
  for (const RecordingList* list : {&one, &tree, &collected}) {
    std::map<std::wstring, std::wstring> got = KeyToRear(*list);
    EXPECT_EQ(got.count(L"022_130100A_M.MP4"), 1u);  // the held rear file's pair stays
    got.erase(L"022_130100A_M.MP4");
    EXPECT_EQ(got, expected);
    EXPECT_EQ(list->size(), expected.size() + 1);
  }
  // A single file opened as the source finds its partner on disk from either side.
  for (const CardPair& p : kAwkwardPairs) {
    if (p.held) continue;
    for (const wchar_t* start : {p.main, p.rear}) {
      SCOPED_TRACE(testing::Message() << std::wstring(start).c_str());
      RecordingList single;
      ASSERT_TRUE(AddRecordingFile((dir.path() + start).c_str(), single));
      ASSERT_EQ(single.size(), 1u);
      EXPECT_EQ(std::wstring(single[0].szMainPath), dir.path() + p.main);
      EXPECT_EQ(std::wstring(single[0].szRearPath), dir.path() + p.rear);
    }
  }
  RecordingList none;
  EXPECT_FALSE(AddRecordingFile((dir.path() + L"021_130000A_M.MP4").c_str(), none));
  EXPECT_TRUE(none.empty());
}

}  // namespace
