// The browser pane over SD cards written into temporary folders: opening a folder, a single file and a
// removable drive, loading folders, the filters and their buttons, sorting, selection reaching the
// owner, the source watch, the UI thread's wait on the playback mutex, and reloads of a folder.
#include "tests/browser/browser_host.h"
#include "tests/names/card_fixture.h"
#include "tests/skin/removable_drive.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"

#include "tavrin/browser/play_mutex_wait.h"
#include "tavrin/browser/recording_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

namespace {

using namespace quill::test;

// Long enough for the source watch to check a few times: the window in which a report that must not
// come (a second one, or one while the source is there) would arrive.
constexpr DWORD kQuietWindowMs = 3 * CMovieResource::kCheckIntervalMs;

class PaneTest : public testing::Test {
 protected:
  void SetUp() override {
    card_ = dir_.path() + L"card";
    ASSERT_TRUE(WriteCard(card_, EveryTriggerCard()));
    stage_.reset(new PaneStage);
  }
  void TearDown() override { stage_.reset(); }
  CFilerContainerDlg& pane() { return *stage_->pane; }
  FakeOwner& owner() { return stage_->owner; }
  CString Caption() {
    CString text;
    pane().m_editCaption.GetWindowText(text);
    return text;
  }
  std::vector<std::wstring> Children(HTREEITEM item) {
    std::vector<std::wstring> names;
    for (HTREEITEM c = pane().m_tree.GetChildItem(item); c; c = pane().m_tree.GetNextSiblingItem(c)) {
      names.emplace_back(static_cast<const wchar_t*>(pane().m_tree.GetItemText(c)));
    }
    return names;
  }

  TempDir dir_;
  std::wstring card_;
  std::unique_ptr<PaneStage> stage_;
};

TEST_F(PaneTest, OpeningAFolderShowsItUnderItsNameWithItsDayFoldersAndFullPaths) {
  pane().OpenSource(card_.c_str(), CFilerContainerDlg::kSourceFolder);
  HTREEITEM top = pane().m_tree.GetRootItem();
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(std::wstring(pane().m_tree.GetItemText(top)), L"card");
  EXPECT_EQ(Children(top), (std::vector<std::wstring>{L"20240101_001", L"20240102_001", L"20240103_001"}));
  // Regression: an item's path starts at the source's parent, not at the current directory.
  EXPECT_EQ(std::wstring(pane().m_tree.GetItemPath(top)), card_);
  EXPECT_EQ(std::wstring(pane().m_tree.GetItemPath(pane().m_tree.GetChildItem(top))), card_ + L"\\20240101_001");
  EXPECT_EQ(std::wstring(pane().m_tree.GetItemPath(nullptr)), dir_.path());
  EXPECT_EQ(owner().folderChanges, 1);
  EXPECT_EQ(std::wstring(Caption()), card_);
}

TEST_F(PaneTest, SelectingADayFolderListsItsRecordingsOnce) {
  pane().OpenSource(card_.c_str(), CFilerContainerDlg::kSourceFolder);
  HTREEITEM top = pane().m_tree.GetRootItem();
  HTREEITEM day1 = pane().m_tree.GetChildItem(top);
  pane().m_tree.SelectItem(day1);
  EXPECT_EQ(pane().m_list.GetItemCount(), 10);
  EXPECT_EQ(RowTexts(pane().m_list).front(), L"001_120000A");
  EXPECT_EQ(std::wstring(pane().m_list.GetItemText(1, 1)), GetTriggerText(L"002_120100G_M.MP4"));
  // The pair of 001 holds both cameras.
  EXPECT_NE(pane().m_list.m_shownRecords[0].szRearPath[0], L'\0');
  // Regression: loading the same folder again does not double its children.
  const std::vector<std::wstring> before = Children(top);
  const int first = pane().LoadFolder(top, 0, FALSE);
  EXPECT_EQ(Children(top), before);
  EXPECT_EQ(pane().LoadFolder(top, 0, FALSE), first);
  EXPECT_EQ(Children(top), before);
}

// Regression: a second source replaces the first one's items and records.
TEST_F(PaneTest, OpeningAnotherSourceLeavesOnlyTheNewOne) {
  const std::wstring other = dir_.path() + L"other";
  ASSERT_TRUE(WriteCard(other, {L"001_100000A_M.MP4", L"002_100100G_M.MP4"}));
  pane().OpenSource(card_.c_str(), CFilerContainerDlg::kSourceFolder);
  pane().OpenSource((other + L"\\").c_str(), CFilerContainerDlg::kSourceFolder);  // a trailing separator too
  HTREEITEM top = pane().m_tree.GetRootItem();
  EXPECT_EQ(std::wstring(pane().m_tree.GetItemText(top)), L"other");
  EXPECT_EQ(pane().m_tree.GetNextSiblingItem(top), nullptr);
  EXPECT_EQ(RowTexts(pane().m_list), (std::vector<std::wstring>{L"001_100000A", L"002_100100G"}));
}

TEST_F(PaneTest, ASingleFileListsItWithItsPartnerAndARefusedFileListsNothing) {
  pane().OpenSource((card_ + L"\\20240101_001\\001_120000A_M.MP4").c_str(), CFilerContainerDlg::kSourceFile);
  ASSERT_EQ(pane().m_list.GetItemCount(), 1);
  EXPECT_NE(pane().m_list.m_shownRecords[0].szRearPath[0], L'\0');
  EXPECT_EQ(owner().opened.size(), 1u);  // row 0 was selected
  const std::wstring foreign = dir_.path() + L"005_120000A_M.MP4";
  ASSERT_TRUE(WriteFileBytes(foreign, TinyForeignMovieBytes()));
  pane().OpenSource(foreign.c_str(), CFilerContainerDlg::kSourceFile);
  EXPECT_EQ(pane().m_list.GetItemCount(), 0);
  EXPECT_TRUE(std::wstring(pane().m_watch.GetPath()).empty());
}

TEST_F(PaneTest, FiltersHideTheirGroupsAndReopenTheFirstRow) {
  pane().OpenSource((card_ + L"\\20240101_001").c_str(), CFilerContainerDlg::kSourceFolder);
  ASSERT_EQ(pane().m_list.GetItemCount(), 10);
  owner().current = 0;
  const size_t opensBefore = owner().opened.size();
  pane().SetFilter(1, FALSE);  // shock
  EXPECT_EQ(pane().m_list.GetItemCount(), 9);
  EXPECT_EQ(pane().m_list.m_nSelected, 0);
  // Row 0 is the current entry, yet the refilter reopens it, and the request is used up.
  EXPECT_EQ(owner().opened.size(), opensBefore + 1);
  EXPECT_FALSE(pane().m_bRefiltered);
  for (int i = 0; i < 5; ++i) pane().SetFilter(i, FALSE);
  EXPECT_EQ(RowTexts(pane().m_list), (std::vector<std::wstring>{L"006_120500O", L"007_120600R"}));
  pane().SetFilter(4, TRUE);  // parking shock, with U
  // Regression: the sixth filter (speed camera and radar) has a flag of its own; nothing is overrun.
  pane().SetFilter(5, FALSE);
  EXPECT_FALSE(pane().m_list.m_bFilter[5]);
  EXPECT_EQ(RowTexts(pane().m_list), (std::vector<std::wstring>{L"005_120400S", L"009_120800U"}));
  pane().SetFilter(6, TRUE);
  pane().SetFilter(-1, TRUE);
  EXPECT_EQ(pane().m_list.GetItemCount(), 2);
}

// The five groups start shown, set with one refill of the list (not one per button); the five button
// filters go off and on together with one refill each. The tree's image list is there from the start
// (its size places the items' texts) and gets the folder icons once, with the first source.
TEST_F(PaneTest, TheFiltersStartOnWithOneRefillAndTheFolderIconsComeWithTheFirstSource) {
  for (int i = 0; i < kFilterButtonCount; ++i) {
    EXPECT_TRUE(pane().m_list.m_bFilter[i]) << i;
    EXPECT_TRUE(pane().m_btnFilter[i].m_bPressed) << i;
  }
  EXPECT_FALSE(pane().m_bRefiltered);
  const HIMAGELIST icons = TreeView_GetImageList(pane().m_tree.m_hWnd, TVSIL_NORMAL);
  ASSERT_NE(icons, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(icons), 0) << "the folder icons are read before a source needs them";
  pane().OpenSource((card_ + L"\\20240101_001").c_str(), CFilerContainerDlg::kSourceFolder);
  ASSERT_EQ(pane().m_list.GetItemCount(), 10);
  const int loaded = ImageList_GetImageCount(icons);
  EXPECT_EQ(loaded, 2);
  pane().m_tree.LoadFolderIcons();  // as the next source does
  EXPECT_EQ(ImageList_GetImageCount(icons), loaded) << "the icons were added again";

  static int refills;
  refills = 0;
  pane().m_list.m_pfnRefilled = [](const RecordingList&) { ++refills; };
  pane().SetButtonFilters(FALSE);
  EXPECT_EQ(refills, 1);
  EXPECT_EQ(RowTexts(pane().m_list), (std::vector<std::wstring>{L"006_120500O", L"007_120600R"}));
  for (int i = 0; i < kFilterButtonCount; ++i) EXPECT_FALSE(pane().m_btnFilter[i].m_bPressed) << i;
  pane().SetButtonFilters(TRUE);
  EXPECT_EQ(refills, 2);
  EXPECT_EQ(pane().m_list.GetItemCount(), 10);
  EXPECT_EQ(pane().m_list.m_nSelected, 0);
  pane().m_list.m_pfnRefilled = nullptr;
}

// A pane told the side-by-side layout it will get makes its children where that layout puts them,
// so the first layout moves none of them: the same places as a pane made at 0, 0 and laid out.
TEST_F(PaneTest, ChildrenMadeForTheFirstLayoutAreWhereThatLayoutPutsThem) {
  auto places = [](CFilerContainerDlg& p) {
    std::vector<RECT> r;
    for (CWnd* w : {static_cast<CWnd*>(&p.m_tree), static_cast<CWnd*>(&p.m_list), static_cast<CWnd*>(&p.m_editCaption),
                    static_cast<CWnd*>(&p.m_btnFilter[0]), static_cast<CWnd*>(&p.m_btnFilter[kFilterButtonCount - 1])}) {
      RECT rc = {};
      ::GetWindowRect(w->m_hWnd, &rc);
      ::MapWindowPoints(nullptr, p.m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
      r.push_back(rc);
    }
    RECT pane = {};
    ::GetWindowRect(p.m_hWnd, &pane);
    ::MapWindowPoints(nullptr, Host().m_hWnd, reinterpret_cast<POINT*>(&pane), 2);
    r.push_back(pane);
    return r;
  };
  for (const RECT layout : {RECT{0, 0, 374, 700}, RECT{740, 27, 1114, 655}}) {
    SCOPED_TRACE(layout.bottom);
    CFilerContainerDlg laidOut;
    ASSERT_TRUE(laidOut.Create(CFilerContainerDlg::kTemplateId, &Host()));
    laidOut.CreateChildren(&owner());
    RECT rc = layout;
    laidOut.LayoutSideBySide(&rc);
    CFilerContainerDlg born;
    ASSERT_TRUE(born.Create(CFilerContainerDlg::kTemplateId, &Host()));
    born.ExpectSideBySide(layout);
    born.CreateChildren(&owner());
    const std::vector<RECT> before = places(born);
    const std::vector<RECT> expected = places(laidOut);
    ASSERT_EQ(before.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_TRUE(::EqualRect(&before[i], &expected[i])) << "window " << i;
    rc = layout;
    born.LayoutSideBySide(&rc);
    const std::vector<RECT> after = places(born);
    for (size_t i = 0; i < after.size(); ++i) EXPECT_TRUE(::EqualRect(&before[i], &after[i])) << "moved: " << i;
  }
}

// The list always shows its vertical scroll bar (disabled while empty) and never the horizontal one,
// from its creation on (its set-up leaves the bars to the list until the frame is applied once).
TEST_F(PaneTest, TheListKeepsItsVerticalScrollBarFromItsCreationOn) {
  auto bars = [&](int* vMin, int* vMax) {
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE;
    GetScrollInfo(pane().m_list.m_hWnd, SB_VERT, &si);
    *vMin = si.nMin;
    *vMax = si.nMax;
    return GetWindowLongW(pane().m_list.m_hWnd, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL);
  };
  int vMin = 0, vMax = 0;
  EXPECT_EQ(bars(&vMin, &vMax), WS_VSCROLL);
  EXPECT_EQ(vMin, -1);
  EXPECT_EQ(vMax, -1);
  pane().OpenSource((card_ + L"\\20240101_001").c_str(), CFilerContainerDlg::kSourceFolder);
  ASSERT_EQ(pane().m_list.GetItemCount(), 10);
  RECT rc;
  pane().m_list.GetWindowRect(&rc);
  MapWindowPoints(nullptr, pane().m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
  pane().m_list.MoveWindow(&rc);  // a frame calculation with the rows in
  EXPECT_EQ(bars(&vMin, &vMax), WS_VSCROLL);
  EXPECT_EQ(vMin, 0);
  EXPECT_EQ(vMax, 10);
}

// Regression: a filter button's click reaches the owner, which acts on it.
TEST_F(PaneTest, FilterButtonClicksReachTheOwner) {
  pane().OpenSource((card_ + L"\\20240101_001").c_str(), CFilerContainerDlg::kSourceFolder);
  CSkinButton& shock = pane().m_btnFilter[1];
  pane().SendMessage(WM_COMMAND, MAKEWPARAM(shock.GetDlgCtrlID(), BN_CLICKED), reinterpret_cast<LPARAM>(shock.m_hWnd));
  EXPECT_EQ(owner().filterCommands, std::vector<int>{1});
  EXPECT_FALSE(shock.m_bPressed);
  EXPECT_EQ(pane().m_list.GetItemCount(), 9);
}

TEST_F(PaneTest, SortingByEachColumnOrdersTheRows) {
  pane().OpenSource((card_ + L"\\20240101_001").c_str(), CFilerContainerDlg::kSourceFolder);
  CFileListCtrl& list = pane().m_list;
  ASSERT_EQ(list.GetItemCount(), 10);
  // Give the records distinct keys for each column, then sort through the header-click path.
  const int n = static_cast<int>(list.m_records.size());
  for (int i = 0; i < n; ++i) {
    sRECORDINGPAIR& r = list.m_records[static_cast<size_t>(i)];
    r.nFileNumber = n - i;
    r.fFrameRate = static_cast<float>((i * 5) % n);
    r.uMainSize = static_cast<uint64_t>((i * 7) % n);
    r.stStart = SYSTEMTIME{2024, 1, 1, 1, static_cast<WORD>((i * 5) % n), 0, 0, 0};
  }
  const struct { int column; std::function<int64_t(const sRECORDINGPAIR&)> key; } columns[] = {
      {0, [](const sRECORDINGPAIR& r) { return r.nFileNumber; }},
      {1, [](const sRECORDINGPAIR& r) { return static_cast<int64_t>(r.nNameKey); }},
      {3, [](const sRECORDINGPAIR& r) { return static_cast<int64_t>(r.fFrameRate); }},
      {4, [](const sRECORDINGPAIR& r) { return static_cast<int64_t>(r.stStart.wHour); }},
      {5, [](const sRECORDINGPAIR& r) { return static_cast<int64_t>(r.stStart.wHour); }},
      {7, [](const sRECORDINGPAIR& r) { return static_cast<int64_t>(r.uMainSize); }},
  };
  for (const auto& c : columns) {
    NMLISTVIEW nm = {};
    nm.hdr.hwndFrom = list.m_hWnd;
    nm.hdr.idFrom = CFileListCtrl::kControlId;
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iItem = -1;
    nm.iSubItem = c.column;
    pane().SendMessage(WM_NOTIFY, CFileListCtrl::kControlId, reinterpret_cast<LPARAM>(&nm));
    ASSERT_EQ(list.GetItemCount(), n) << c.column;
    for (int i = 1; i < n; ++i) {
      EXPECT_LE(c.key(list.m_shownRecords[static_cast<size_t>(i - 1)]), c.key(list.m_shownRecords[static_cast<size_t>(i)]))
          << "column " << c.column << " row " << i;
      EXPECT_EQ(std::wstring(list.GetItemText(i, 0)), FileListRowText(list.m_shownRecords[static_cast<size_t>(i)]));
    }
    EXPECT_EQ(list.m_nSelected, 0);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 0);
  }
}

TEST_F(PaneTest, SelectingARowMakesItTheOwnersCurrentEntryOnce) {
  pane().OpenSource((card_ + L"\\20240101_001").c_str(), CFilerContainerDlg::kSourceFolder);
  owner().opened.clear();
  pane().SelectItem(4, TRUE);
  EXPECT_TRUE(pane().m_bQuietOpen);
  EXPECT_EQ(owner().current, 4);
  EXPECT_EQ(owner().opened, std::vector<int>{4});
  EXPECT_TRUE(owner().playAfterOpen);
  EXPECT_EQ(owner().rateCalls, 1);
  EXPECT_EQ(pane().m_list.m_nSelected, 4);
  // The row already playing is not opened again.
  pane().m_list.SetItemState(4, 0, LVIS_SELECTED);
  pane().SelectItem(4, FALSE);
  EXPECT_EQ(owner().opened.size(), 1u);
  // A refused open clears the play request; at normal speed the rate is left alone.
  owner().prepareResult = 0;
  owner().normalSpeed = true;
  pane().SelectItem(5, FALSE);
  EXPECT_EQ(owner().current, 5);
  EXPECT_FALSE(owner().playAfterOpen);
  EXPECT_EQ(owner().rateCalls, 1);
}

// Regression: the rows are drawn even when the records were replaced behind them.
TEST_F(PaneTest, DrawingARowWithoutItsRecordDoesNotReadPastTheRecords) {
  pane().OpenSource((card_ + L"\\20240101_001").c_str(), CFilerContainerDlg::kSourceFolder);
  pane().m_list.m_shownRecords.resize(2);
  pane().m_list.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // rows 2-9 have no record
  HDC dc = ::GetDC(pane().m_list.m_hWnd);
  DRAWITEMSTRUCT dis = {};
  dis.CtlType = ODT_LISTVIEW;
  dis.itemID = 9;
  dis.hDC = dc;
  pane().m_list.DrawItem(&dis);
  ::ReleaseDC(pane().m_list.m_hWnd, dc);
  EXPECT_EQ(pane().m_list.GetItemCount(), 10);  // drawn plain, nothing read past the two records
}

// The tree's drawing surfaces, seen from a test.
struct TreeSurfaces : CFolderTreeCtrl {
  static HBITMAP Composite(CFolderTreeCtrl& tree) { return static_cast<TreeSurfaces&>(tree).m_composite; }
  static HDC MarkDC(CFolderTreeCtrl& tree) { return static_cast<TreeSurfaces&>(tree).m_markDC; }
};

// Regression: the tree's marks are composed on one cached surface: painting leaks no GDI objects.
TEST_F(PaneTest, RepaintingTheTreeLeaksNoGdiObjects) {
  pane().OpenSource((card_ + L"\\20240101_001").c_str(), CFilerContainerDlg::kSourceFolder);
  pane().m_tree.SetItemData(pane().m_tree.GetRootItem(), 0x7F);
  pane().m_tree.RedrawWindow();
  const HBITMAP composite = TreeSurfaces::Composite(pane().m_tree);
  const HDC markDC = TreeSurfaces::MarkDC(pane().m_tree);
  ASSERT_NE(composite, nullptr);
  const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  for (int i = 0; i < 200; ++i) pane().m_tree.RedrawWindow();
  EXPECT_EQ(TreeSurfaces::Composite(pane().m_tree), composite);
  EXPECT_EQ(TreeSurfaces::MarkDC(pane().m_tree), markDC);
  const DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  EXPECT_LE(after, before + 2);  // Wine may count nothing here; the handles above still tell
}

TEST_F(PaneTest, DeletingTheWatchedFolderIsReportedOnce) {
  const std::wstring gone = dir_.path() + L"gone";
  ASSERT_TRUE(WriteCard(gone, {L"001_100000A_M.MP4"}));
  pane().OpenSource(gone.c_str(), CFilerContainerDlg::kSourceFolder);
  Host().vanished = 0;
  PumpMessages(kQuietWindowMs);  // what must not happen: nothing reported while the folder is there
  EXPECT_EQ(Host().vanished, 0);
  ASSERT_TRUE(DeleteFileW((gone + L"\\001_100000A_M.MP4").c_str()));
  ASSERT_TRUE(RemoveDirectoryW(gone.c_str()));
  EXPECT_TRUE(PumpUntil([] { return Host().vanished > 0; }, 10000));
  PumpMessages(kQuietWindowMs);  // and no second report
  EXPECT_EQ(Host().vanished, 1);
  EXPECT_TRUE(pane().m_watch.HasVanished());
}

// The watch's thread ends on its stop event (a hang here meets the test's timeout).
TEST(SourceWatch, EndsWhenDestroyed) {
  auto* watch = new CMovieResource(Host().m_hWnd);
  watch->SetPath(L"C:\\windows");
  EXPECT_TRUE(watch->IsRunning());
  delete watch;
}

// A worker holds the playback mutex and sends to the list while the UI thread waits for the mutex in
// the selection handler: the wait delivers sent messages (no deadlock), and a row the worker deleted
// meanwhile is not opened once the mutex is taken.
struct MutexWaitCase {
  const char* what;
  UINT sent;
  LRESULT answer;
  std::vector<int> opened;
};

const MutexWaitCase kMutexWaits[] = {
    {"the worker asks for the row count", LVM_GETITEMCOUNT, 10, {3}},
    {"the worker deletes the rows", LVM_DELETEALLITEMS, TRUE, {}},
};

TEST_F(PaneTest, SelectionWaitsForThePlayMutexAndOpensOnlyARowStillThere) {
  for (const MutexWaitCase& c : kMutexWaits) {
    SCOPED_TRACE(c.what);
    pane().OpenSource((card_ + L"\\20240101_001").c_str(), CFilerContainerDlg::kSourceFolder);
    owner().opened.clear();
    owner().current = -1;
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LRESULT answer = -1;
    const HWND list = pane().m_list.m_hWnd;
    std::thread worker([&] {
      WaitForSingleObject(owner().mutex, INFINITE);
      SetEvent(held);
      answer = ::SendMessageW(list, c.sent, 0, 0);  // answered only while the UI thread waits
      ReleaseMutex(owner().mutex);
    });
    WaitForSingleObject(held, INFINITE);
    pane().SelectItem(3, FALSE);
    worker.join();
    CloseHandle(held);
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(owner().opened, c.opened);
  }
  // Without the mutex (its wait fails) nothing is opened.
  owner().opened.clear();
  const HANDLE mutex = owner().mutex;
  owner().mutex = nullptr;
  pane().SelectItem(3, FALSE);
  owner().mutex = mutex;
  EXPECT_TRUE(owner().opened.empty());
}

// Regression: clearing the pane emptied the shown records while an open worker of the main window,
// holding the playback mutex, could be copying a row's paths from them.
TEST_F(PaneTest, ClearingThePaneWaitsForThePlayMutexThatGuardsTheShownRows) {
  pane().OpenSource((card_ + L"\\20240101_001").c_str(), CFilerContainerDlg::kSourceFolder);
  const size_t rows = pane().m_list.m_shownRecords.size();
  ASSERT_GT(rows, 0u);
  HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> finished{false};
  size_t seenUnderTheMutex = 0;
  const HWND list = pane().m_list.m_hWnd;
  std::thread worker([&] {
    WaitForSingleObject(owner().mutex, INFINITE);
    SetEvent(held);
    ::SendMessageW(list, WM_NULL, 0, 0);  // answered once the UI thread waits or pumps again
    seenUnderTheMutex = pane().m_list.m_shownRecords.size();  // as an open worker reads them
    ReleaseMutex(owner().mutex);
    finished = true;
  });
  WaitForSingleObject(held, INFINITE);
  pane().ClearAll();
  EXPECT_TRUE(PumpUntil([&] { return finished.load(); }, 10000));
  worker.join();
  CloseHandle(held);
  EXPECT_EQ(seenUnderTheMutex, rows) << "the rows were cleared while the worker held the mutex";
  EXPECT_TRUE(pane().m_list.m_shownRecords.empty());
}

// Regression: reloading a folder while one of its children is selected deleted the selected child,
// which made the tree tell the owner, who loaded again inside the load and doubled the children.
// Loading no item leaves the tree and the list as they were.
TEST_F(PaneTest, ReloadingAFolderWithASelectedChildDoesNotReloadInsideTheLoad) {
  pane().OpenSource(card_.c_str(), CFilerContainerDlg::kSourceFolder);
  HTREEITEM top = pane().m_tree.GetRootItem();
  ASSERT_NE(top, nullptr);
  pane().m_tree.SelectItem(pane().m_tree.GetChildItem(top));
  ASSERT_EQ(pane().m_list.GetItemCount(), 10);
  EXPECT_EQ(pane().LoadFolder(nullptr, 0, FALSE), 0);
  EXPECT_EQ(pane().m_tree.GetRootItem(), top);
  EXPECT_EQ(pane().m_list.GetItemCount(), 10);
  const std::vector<std::wstring> days = {L"20240101_001", L"20240102_001", L"20240103_001"};
  const int changes = owner().folderChanges;
  EXPECT_EQ(pane().LoadFolder(top, 0, FALSE), 0);  // the card's own folder holds no recordings
  EXPECT_EQ(Children(top), days);
  EXPECT_EQ(owner().folderChanges, changes);
  EXPECT_EQ(pane().m_list.m_records.size(), 0u);
}

std::map<std::wstring, int> g_probeCounts;

int CountingProbe(const wchar_t* path) {
  ++g_probeCounts[path];
  return 1;
}

// Regression: opening a source read each recording twice (the open's scan and the load of the folder
// it selects); they now share the probe's answers, and a new open asks again.
TEST_F(PaneTest, OpeningASourceProbesEachRecordingOnce) {
  const struct {
    int kind;
    const wchar_t* relative;  // below the card
    int rows;
  } opens[] = {{CFilerContainerDlg::kSourceFolder, L"", 0},
               {CFilerContainerDlg::kSourceFolder, L"\\20240101_001", 10},
               {CFilerContainerDlg::kSourceDrive, L"", 10},
               {CFilerContainerDlg::kSourceFolder, L"\\20240101_001", 10}};
  SetRecordingProbe(&CountingProbe);
  for (const auto& c : opens) {
    g_probeCounts.clear();
    pane().OpenSource((card_ + c.relative).c_str(), c.kind);
    EXPECT_EQ(pane().m_list.GetItemCount(), c.rows);
    EXPECT_EQ(g_probeCounts.empty(), c.rows == 0);
    for (const auto& [path, count] : g_probeCounts) EXPECT_EQ(count, 1) << std::string(path.begin(), path.end());
  }
  SetRecordingProbe(nullptr);
}

// Regression: opening a card filled the list twice, the second time after the selection of the first
// day folder had filled it (and read that folder's drive data for the map) already.
TEST_F(PaneTest, OpeningACardFillsTheListOnce) {
  static int refills;
  refills = 0;
  pane().m_list.m_pfnRefilled = [](const RecordingList&) { ++refills; };
  pane().OpenSource(card_.c_str(), CFilerContainerDlg::kSourceDrive);
  EXPECT_EQ(pane().m_list.GetItemCount(), 10);
  EXPECT_EQ(refills, 1);
  pane().m_list.m_pfnRefilled = nullptr;
}

// The SD card as the recorder leaves it, on a drive typed as removable.
class RemovableCardTest : public PaneTest {};

TEST_F(RemovableCardTest, ACardShowsItsDayFoldersWithTriggerMasksAndItsFirmwareVersion) {
  if (!RunningUnderWine()) GTEST_SKIP() << "needs Wine's mount manager";
  ScopedRemovableDrive drive(L'r', card_);
  ASSERT_TRUE(drive.ok());
  ASSERT_EQ(GetDriveTypeW(L"R:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
  pane().OpenSource(L"R:", CFilerContainerDlg::kSourceDrive);
  std::vector<std::wstring> days;
  std::vector<DWORD_PTR> masks;
  for (HTREEITEM i = pane().m_tree.GetRootItem(); i; i = pane().m_tree.GetNextSiblingItem(i)) {
    days.emplace_back(static_cast<const wchar_t*>(pane().m_tree.GetItemText(i)));
    masks.push_back(pane().m_tree.GetItemData(i));
  }
  EXPECT_EQ(days, (std::vector<std::wstring>{L"20240101_001", L"20240102_001", L"20240103_001"}));
  EXPECT_EQ(masks, (std::vector<DWORD_PTR>{0x7F, 1 | 4, 8}));
  EXPECT_EQ(std::wstring(pane().m_tree.GetItemPath(pane().m_tree.GetRootItem())), L"R:\\20240101_001");
  EXPECT_EQ(pane().m_list.GetItemCount(), 10);  // the first day folder was loaded
  // Regression: the version comes from the newest recording, which lies in a day folder.
  ASSERT_EQ(owner().versionPaths.size(), 1u);
  EXPECT_EQ(owner().versionPaths[0], L"R:\\20240103_001\\013_090000P_M.MP4");
  EXPECT_EQ(std::wstring(pane().m_strFirmwareVersion), L"1.2.34b");
  EXPECT_EQ(pane().CollectSourceRecordings().size(), 13u);  // two rear partners pair up
}

TEST_F(RemovableCardTest, PullingTheCardIsReportedOnceAndTheWatchStops) {
  if (!RunningUnderWine()) GTEST_SKIP() << "needs Wine's mount manager";
  PumpMessages(0);  // a report of the previous test's pane (its watch has ended) is delivered first
  auto drive = std::make_unique<ScopedRemovableDrive>(L's', card_);
  ASSERT_TRUE(drive->ok());
  // The mount manager can take a moment to show a new drive on a loaded machine; the watch would
  // rightly report a source that is not there yet.
  ASSERT_TRUE(PumpUntil([] { return GetFileAttributesW(L"S:\\") != INVALID_FILE_ATTRIBUTES; }, 3000));
  pane().OpenSource(L"S:\\", CFilerContainerDlg::kSourceDrive);
  Host().vanished = 0;
  PumpMessages(kQuietWindowMs);
  EXPECT_EQ(Host().vanished, 0);
  drive.reset();
  EXPECT_TRUE(PumpUntil([] { return Host().vanished > 0; }, 10000));
  PumpMessages(kQuietWindowMs);
  EXPECT_EQ(Host().vanished, 1);
  EXPECT_TRUE(std::wstring(pane().m_watch.GetPath()).empty());
}

}  // namespace
