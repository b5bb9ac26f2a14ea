// The folder scans: one folder, a source with its folder tree (day folders on an SD card, or the
// sub-folders of a folder), and the collection of every recording below a source. Each scan asks the
// probe about every recording file, and answers the partner search from the folder listing it holds.
#include "tavrin/browser/name_patterns.h"
#include "tavrin/browser/recording_probe.h"
#include "tavrin/browser/scan_support.h"
#include "tavrin/skin/quiet_drive_errors.h"

#include <algorithm>
#include <cwchar>
#include <string>

namespace {

using browser_scan::FolderIndex;
using browser_scan::PairIndex;

constexpr int kMaxTreeDepth = 3;          // the source is depth 0; deeper folders are not looked into
constexpr int kMaxDayFolderParent = 2;    // mode 1 enters a folder only from depth 2 or less
constexpr int kMaxTreeItemsPerCall = 999; // tree items inserted by one folder level

// One folder's listing, sorted by name.
struct SortedListing {
  FindEntries entries;
  bool Load(const wchar_t* folder) {
    if (!ListFolder(folder, entries)) return false;
    std::sort(entries.begin(), entries.end(), CompareFindNames);
    return true;
  }
};

// A recording file the scans take: the name rules, a known trigger, and the recorder's probe.
bool IsProbedRecording(const wchar_t* path) {
  return IsRecordingFile(path) && ClassifyEventLetter(path) != kTriggerUnknown &&
         ProbeRecordingFile(path) != 0;
}

HTREEITEM InsertTreeItem(HWND tree, HTREEITEM parent, const wchar_t* name) {
  if (!tree) return nullptr;
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent ? parent : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<wchar_t*>(name);
  return reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void SetTreeItemMask(HWND tree, HTREEITEM item, uint32_t mask) {
  if (!tree || !item) return;
  TVITEMW tv = {};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  tv.lParam = static_cast<LPARAM>(mask);
  SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

bool IsDayFolderName(const wchar_t* name) {
  char narrow[kRecordingPathChars * 2];
  const int n = WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof narrow, nullptr, nullptr);
  if (n <= 0) return false;
  return std::regex_search(narrow, browser_patterns::DayFolder());
}

// What a folder-tree scan passes down unchanged through its recursion.
struct TreeScan {
  HWND tree;
  RecordingList& list;
  RecordingList* folderRows;
  int mode;
  PairIndex pairs;
};

// Found recordings and the trigger-filter bits of the folder's own probed files.
struct FolderTally {
  uint32_t found = 0;
  uint32_t mask = 0;
};

bool ScanTreeLevel(TreeScan& scan, const wchar_t* folder, HTREEITEM parent, bool fill, int depth,
                   FolderTally& tally);

// Mode 1: a day folder becomes a tree item and a folder row when recordings lie in it or below it.
void ScanDayFolder(TreeScan& scan, const wchar_t* path, const wchar_t* name, HTREEITEM parent,
                   bool fill, int depth, FolderTally& tally, int& inserted) {
  if (depth > kMaxDayFolderParent || !IsDayFolderName(name)) return;
  FolderTally sub;
  if (!ScanTreeLevel(scan, path, nullptr, false, depth + 1, sub)) return;  // unreadable: go on
  tally.found += sub.found;
  if (!sub.found || !fill || inserted >= kMaxTreeItemsPerCall) return;
  HTREEITEM item = InsertTreeItem(scan.tree, parent, name);
  if (scan.folderRows) AddFolderRow(path, *scan.folderRows);
  // The folder's own files were probed by the sub-scan: their bits are the folder's filter mask.
  SetTreeItemMask(scan.tree, item, sub.mask);
  ++inserted;
}

void ScanTreeFile(TreeScan& scan, const FolderIndex& index, const wchar_t* path, const wchar_t* name,
                  bool fill, FolderTally& tally) {
  if (!IsProbedRecording(path)) return;
  AddEventFilterBit(name, tally.mask);
  wchar_t main[kRecordingPathChars];
  wchar_t rear[kRecordingPathChars];
  if (!browser_scan::MakePair(path, scan.pairs, index, main, rear)) return;
  ++tally.found;
  if (fill) browser_scan::AddPairIndexed(main, rear, scan.list, scan.pairs, &index, path);
}

bool ScanTreeLevel(TreeScan& scan, const wchar_t* folder, HTREEITEM parent, bool fill, int depth,
                   FolderTally& tally) {
  SortedListing listing;
  if (!listing.Load(folder)) return false;
  const FolderIndex index(listing.entries);
  int inserted = 0;
  for (const WIN32_FIND_DATAW& entry : listing.entries) {
    if (browser_scan::IsDotEntry(entry)) continue;
    wchar_t path[kRecordingPathChars];
    if (!browser_scan::JoinPath(folder, entry.cFileName, path)) continue;  // too long for any buffer
    if (!browser_scan::IsDirectory(entry)) {
      ScanTreeFile(scan, index, path, entry.cFileName, fill, tally);
    } else if (scan.mode == kScanDayFolders) {
      ScanDayFolder(scan, path, entry.cFileName, parent, fill, depth, tally, inserted);
    } else if (depth < kMaxTreeDepth && fill && inserted < kMaxTreeItemsPerCall) {
      InsertTreeItem(scan.tree, parent, entry.cFileName);
      ++inserted;
    }
  }
  return true;
}

}  // namespace

bool ScanRecordingFolders(const wchar_t* folder, HWND tree, HTREEITEM parent, RecordingList& list,
                          RecordingList* folderRows, int mode, bool fill, uint32_t* found, int depth) {
  if (!folder) return false;
  QuietDriveErrors quiet;
  TreeScan scan{tree, list, folderRows, mode, PairIndex(list)};
  FolderTally tally;
  const bool listed = ScanTreeLevel(scan, folder, parent, fill, depth, tally);
  if (found) *found += tally.found;
  return listed;
}

bool ScanFolderForRecordings(const wchar_t* folder, RecordingList& list) {
  QuietDriveErrors quiet;
  SortedListing listing;
  if (!folder || !listing.Load(folder)) return false;
  const FolderIndex index(listing.entries);
  PairIndex pairs(list);
  for (const WIN32_FIND_DATAW& entry : listing.entries) {
    wchar_t path[kRecordingPathChars];
    if (browser_scan::IsDirectory(entry) || !browser_scan::JoinPath(folder, entry.cFileName, path)) continue;
    if (!IsRecordingFile(path) || ClassifyEventLetter(path) == kTriggerUnknown) continue;
    wchar_t main[kRecordingPathChars];
    wchar_t rear[kRecordingPathChars];
    if (browser_scan::MakePair(path, pairs, index, main, rear)) {
      browser_scan::AddPairIndexed(main, rear, list, pairs, &index);
    }
  }
  return true;
}

bool GetFolderFilterMask(const wchar_t* folder, uint32_t& mask) {
  mask = 0;
  QuietDriveErrors quiet;
  FindEntries entries;
  if (!folder || !ListFolder(folder, entries)) return false;
  for (const WIN32_FIND_DATAW& entry : entries) {
    wchar_t path[kRecordingPathChars];
    if (browser_scan::IsDirectory(entry) || !browser_scan::JoinPath(folder, entry.cFileName, path)) continue;
    if (IsRecordingFile(path) && ProbeRecordingFile(path) != 0) AddEventFilterBit(entry.cFileName, mask);
  }
  return true;
}
