// Collecting every recording below a source, for the CSV export and the delete command. Each
// sub-folder's recordings are grouped on their own and follow one another in folder order.
#include "tavrin/browser/recording_probe.h"
#include "tavrin/browser/scan_support.h"
#include "tavrin/skin/quiet_drive_errors.h"

namespace {

constexpr int kMaxCollectDepth = 3;  // the source is depth 0; deeper folders are not looked into

void CollectFile(const wchar_t* path, const browser_scan::FolderIndex& index,
                 browser_scan::PairIndex& pairs, RecordingList& list) {
  if (!IsRecordingFile(path) || ProbeRecordingFile(path) == 0) return;
  wchar_t main[kRecordingPathChars];
  wchar_t rear[kRecordingPathChars];
  if (browser_scan::MakePair(path, pairs, index, main, rear)) {
    browser_scan::AddPairIndexed(main, rear, list, pairs, &index, path);
  }
}

void CollectSubFolder(const wchar_t* path, int depth, browser_scan::PairIndex& pairs,
                      RecordingList& list) {
  RecordingList local;
  uint32_t localFiles = 0;
  // A sub-folder that cannot be listed is left out; the folders and files after it are still
  // collected, so that the export and the delete list miss nothing that could be read.
  if (!ScanRecordingTree(path, local, &localFiles, depth + 1)) return;
  if (localFiles) GroupRecordings(local);
  if (local.empty()) return;
  for (const sRECORDINGPAIR& r : local) pairs.Add(r);
  AppendRecordings(list, local);
}

}  // namespace

bool ScanRecordingTree(const wchar_t* folder, RecordingList& list, uint32_t* fileCounter, int depth) {
  QuietDriveErrors quiet;
  FindEntries entries;
  if (!folder || !ListFolder(folder, entries)) return false;
  SortFindEntries(entries);  // directories first, then files, each in name order
  const browser_scan::FolderIndex index(entries);
  browser_scan::PairIndex pairs(list);
  for (const WIN32_FIND_DATAW& entry : entries) {
    if (browser_scan::IsDotEntry(entry)) continue;
    const bool directory = browser_scan::IsDirectory(entry);
    if (!directory && fileCounter) ++*fileCounter;  // every file counts, recording or not
    wchar_t path[kRecordingPathChars];
    if (!browser_scan::JoinPath(folder, entry.cFileName, path)) continue;  // too long for any buffer
    if (!directory) {
      CollectFile(path, index, pairs, list);
    } else if (depth < kMaxCollectDepth) {
      CollectSubFolder(path, depth, pairs, list);
    }
  }
  return true;
}
