// The program of bench/large-card.sh: a card of 10,000 recordings in one day folder, which the pane
// fills into its list, scrolls and sorts; the times are printed for the script (the open as a ratio to
// the bare folder scan).
#include "tests/browser/browser_host.h"
#include "tests/names/card_fixture.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace quill::test;

constexpr int kRecordings = 10000;

TEST(LargeCard, TenThousandRecordingsFillScrollAndSort) {
  // The card is written on the host by make_large_card.py (the large_card fixture).
  const char* cardDir = std::getenv("QUILL_LARGE_CARD");
  ASSERT_NE(cardDir, nullptr);
  const std::wstring card = HostPathToWindows(std::string(cardDir) + "/card");
  const std::wstring day = card + L"\\20240101_001";
  PaneStage stage;
  DWORD start = GetTickCount();
  stage.pane->OpenSource(card.c_str(), CFilerContainerDlg::kSourceFolder);
  HTREEITEM dayItem = stage.pane->m_tree.GetChildItem(stage.pane->m_tree.GetRootItem());
  ASSERT_NE(dayItem, nullptr);
  stage.pane->m_tree.SelectItem(dayItem);
  const DWORD fillMs = GetTickCount() - start;
  CFileListCtrl& list = stage.pane->m_list;
  ASSERT_EQ(list.GetItemCount(), kRecordings);

  start = GetTickCount();
  RecordingList scanned;
  ScanRecordingFolders(day.c_str(), nullptr, nullptr, scanned, nullptr, kScanFolderTree, true, nullptr, 0);
  const DWORD scanMs = GetTickCount() - start;
  EXPECT_EQ(scanned.size(), static_cast<size_t>(kRecordings));

  start = GetTickCount();
  list.RefillItems();
  list.UpdateWindow();
  const DWORD refillMs = GetTickCount() - start;

  start = GetTickCount();
  for (int row = 0; row < kRecordings; row += 500) {
    list.EnsureVisible(row, FALSE);
    list.UpdateWindow();
  }
  list.EnsureVisible(kRecordings - 1, FALSE);
  list.UpdateWindow();
  const DWORD scrollMs = GetTickCount() - start;

  start = GetTickCount();
  list.SortByColumn(7);
  list.UpdateWindow();
  const DWORD sortSizeMs = GetTickCount() - start;
  start = GetTickCount();
  list.SortByColumn(0);
  list.UpdateWindow();
  const DWORD sortNumberMs = GetTickCount() - start;
  ASSERT_EQ(list.GetItemCount(), kRecordings);
  for (int i = 1; i < kRecordings; ++i) {
    ASSERT_LE(list.m_shownRecords[static_cast<size_t>(i - 1)].nFileNumber,
              list.m_shownRecords[static_cast<size_t>(i)].nFileNumber);
  }
  std::printf("10,000 recordings: open (scan, probe and fill) %lu ms, of which the folder scan alone "
              "%lu ms; refill the rows %lu ms, scroll 20 pages %lu ms, sort by size %lu ms, sort by number "
              "%lu ms\n",
              fillMs, scanMs, refillMs, scrollMs, sortSizeMs, sortNumberMs);
  std::printf("large-card: %.2f\n", scanMs ? static_cast<double>(fillMs) / scanMs : 0.0);
}

}  // namespace
