// The file list's row texts, filters and sort order, and the file selection
// dialog's run and select-all rules: pure functions, no windows.
#include "tavrin/browser/file_list_rows.h"
#include "tavrin/browser/file_select_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

namespace {

sRECORDINGPAIR Record(const wchar_t* mainName, const wchar_t* rearName = L"") {
  sRECORDINGPAIR r = {};
  wcsncpy(r.szMainName, mainName, kRecordingPathChars - 1);
  wcsncpy(r.szRearName, rearName, kRecordingPathChars - 1);
  return r;
}

sRECORDINGPAIR FolderRow(const wchar_t* name) {
  sRECORDINGPAIR r = Record(name);
  r.uSerial = kFolderRowSerial;
  r.nFileNumber = kFolderRowFileNumber;
  return r;
}

TEST(FileListRows, RowTextDropsTheExtensionAndCameraSuffix) {
  const struct {
    const wchar_t* main;
    const wchar_t* rear;
    const wchar_t* text;
  } cases[] = {
      {L"001_120000A_M.MP4", L"", L"001_120000A"},
      {L"JM02_001_120000A_M.MP4", L"", L"JM02_001_120000A"},
      {L"", L"003_120000G_R.MP4", L"003_120000G"},
      {L"ab.MP4", L"", L"ab.MP4"},  // the dot at index 2 keeps the name whole
      {L"20240101_001", L"", L"20240101_001"},
  };
  for (const auto& c : cases) EXPECT_EQ(FileListRowText(Record(c.main, c.rear)), c.text) << c.main;
}

TEST(FileListRows, FiltersShowTheirGroupsOfTheFirstRowsKind) {
  const RecordingList all = {Record(L"001_120000A_M.MP4"), Record(L"002_120000G_M.MP4"),
                             Record(L"003_120000P_M.MP4"), Record(L"004_120000T_M.MP4"),
                             Record(L"005_120000S_M.MP4"), Record(L"006_120000U_M.MP4"),
                             Record(L"007_120000O_M.MP4"), Record(L"008_120000R_M.MP4"),
                             FolderRow(L"20240101_001")};
  auto texts = [&](const BOOL (&filters)[kFileListFilterCount]) {
    std::vector<std::wstring> out;
    for (const sRECORDINGPAIR& r : FilterRecords(all, filters)) out.push_back(FileListRowText(r));
    return out;
  };
  const BOOL onlyShock[kFileListFilterCount] = {FALSE, TRUE, FALSE, FALSE, FALSE, FALSE};
  // The list starts with a recording: the folder row is of another kind and is not shown.
  EXPECT_EQ(texts(onlyShock), (std::vector<std::wstring>{L"002_120000G"}));
  const BOOL parkingGroups[kFileListFilterCount] = {FALSE, FALSE, FALSE, TRUE, TRUE, FALSE};
  EXPECT_EQ(texts(parkingGroups),
            (std::vector<std::wstring>{L"003_120000P", L"004_120000T", L"005_120000S", L"006_120000U"}));
  const BOOL none[kFileListFilterCount] = {};
  EXPECT_EQ(texts(none), (std::vector<std::wstring>{}));
  const BOOL cameras[kFileListFilterCount] = {FALSE, FALSE, FALSE, FALSE, FALSE, TRUE};
  EXPECT_EQ(texts(cameras), (std::vector<std::wstring>{L"007_120000O", L"008_120000R"}));
  // A list that starts with a folder row shows the folder rows only, whatever the filters.
  const RecordingList folders = {FolderRow(L"20240101_001"), Record(L"001_120000A_M.MP4"), FolderRow(L"20240102_001")};
  std::vector<std::wstring> shown;
  for (const sRECORDINGPAIR& r : FilterRecords(folders, none)) shown.push_back(FileListRowText(r));
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"20240101_001", L"20240102_001"}));
  EXPECT_TRUE(FilterRecords({}, none).empty());
}

// Regression: recordings never played carry zero times, which the time conversion refuses; the order
// must stay a strict weak order so that sorting by any column finishes inside the vector.
TEST(FileListRows, SortingUnplayedRowsByEveryColumnIsConsistent) {
  RecordingList list;
  for (int i = 0; i < 1000; ++i) {
    sRECORDINGPAIR r = Record(L"001_120000A_M.MP4");
    r.nFileNumber = (i * 7919) % 1000;
    r.uMainSize = static_cast<uint64_t>((i * 31) % 97);
    if (i % 3 == 0) r.stStart = SYSTEMTIME{2024, 1, 1, 1, static_cast<WORD>(i % 24), 0, 0, 0};
    list.push_back(r);
  }
  for (int column = -1; column <= 9; ++column) {
    RecordingList sorted = list;
    std::sort(sorted.begin(), sorted.end(),
              [column](const sRECORDINGPAIR& a, const sRECORDINGPAIR& b) { return FileListColumnLess(a, b, column); });
    ASSERT_EQ(sorted.size(), list.size());
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), [column](const sRECORDINGPAIR& a, const sRECORDINGPAIR& b) {
      return FileListColumnLess(a, b, column);
    })) << "column " << column;
  }
  sRECORDINGPAIR small = Record(L"a"), big = Record(L"b");
  small.uMainSize = 1;
  big.uMainSize = 5000000000ull;
  EXPECT_TRUE(FileListColumnLess(small, big, 7));
  EXPECT_FALSE(FileListColumnLess(small, big, 2));
  EXPECT_FALSE(FileListColumnLess(small, big, 8));
}

// The join mode's run over ten rows; rows in `blocked` cannot be chosen.
struct RunBench {
  std::set<int> blocked;
  std::set<int> chosen;
  ChoiceRun run;
  bool Click(int row) {
    if (chosen.count(row)) chosen.erase(row); else chosen.insert(row);
    const bool stopped = StepChoiceRun(run, row, [this](int r) { return r >= 0 && r < 10 && !blocked.count(r); },
                                       [this](int r) { return chosen.count(r) == 1; });
    chosen.clear();
    for (int r = run.first; r >= 0 && r < run.end; ++r) chosen.insert(r);
    return stopped;
  }
};

TEST(ChoiceRunRules, ClicksGrowCutAndStopTheRun) {
  RunBench b;
  EXPECT_FALSE(b.Click(2));
  EXPECT_FALSE(b.Click(5));
  EXPECT_EQ(b.run.first, 2);
  EXPECT_EQ(b.run.end, 6);
  EXPECT_EQ(b.run.anchor, 5);
  EXPECT_FALSE(b.Click(4));  // inside the run: cut before it
  EXPECT_EQ(b.run.end, 4);
  EXPECT_FALSE(b.Click(0));  // before the run: grows down
  EXPECT_EQ(b.run.first, 0);
  EXPECT_FALSE(b.Click(0));  // the first row again: the run starts at the next one
  EXPECT_EQ(b.run.first, 1);
  EXPECT_EQ(b.run.anchor, 1);

  RunBench c;
  c.blocked = {4};
  c.Click(2);
  EXPECT_TRUE(c.Click(7));  // row 4 stops the growth
  EXPECT_EQ(c.run.first, 2);
  EXPECT_EQ(c.run.end, 4);
  EXPECT_EQ(c.run.anchor, 3);
  RunBench d;
  d.blocked = {3};
  EXPECT_TRUE(d.Click(3));
  EXPECT_TRUE(d.run.empty());
  RunBench e;
  e.Click(6);
  EXPECT_FALSE(e.Click(6));  // the only row clicked again: no run
  EXPECT_TRUE(e.run.empty());
}

// Regression: select all before any click, or after the rows shrank, stays inside the rows.
TEST(ChoiceRunRules, SelectAllTakesTheChoosableBlockAroundAClampedAnchor) {
  auto all = [](int) { return true; };
  bool stopped = true;
  ChoiceRun r = SelectAllRange(0, 5, all, &stopped);
  EXPECT_EQ(r.first, 0);
  EXPECT_EQ(r.end, 5);
  EXPECT_FALSE(stopped);
  r = SelectAllRange(40, 5, all, &stopped);
  EXPECT_EQ(r.anchor, 4);
  EXPECT_EQ(r.end, 5);
  r = SelectAllRange(3, 0, all, &stopped);
  EXPECT_TRUE(r.empty());
  r = SelectAllRange(3, 8, [](int row) { return row != 1 && row != 6; }, &stopped);
  EXPECT_EQ(r.first, 2);
  EXPECT_EQ(r.end, 6);
  EXPECT_TRUE(stopped);
}

}  // namespace
