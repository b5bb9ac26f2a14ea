// The browser pane's sources: opening a drive, a folder or a single file, loading a folder of the tree,
// selecting rows, the filters, collecting every recording of the source and the firmware version.
#include "tavrin/browser/filer_container.h"

#include "tavrin/browser/recording_probe.h"
#include "tavrin/skin/quiet_drive_errors.h"
#include "tavrin/skin/settings_ini.h"

#include <algorithm>

namespace {

// "C:\a\b\" -> "C:\a\b"; a drive root keeps its backslash ("C:\").
CString WithoutTrailingSeparator(CString path) {
  while (path.GetLength() > 3 && path[path.GetLength() - 1] == L'\\') path = path.Left(path.GetLength() - 1);
  return path;
}

bool IsFolderRow(const sRECORDINGPAIR& r) { return r.uSerial == kFolderRowSerial; }

// The newest recording row of a list (by its name, which starts with the recording's number and time).
const sRECORDINGPAIR* NewestRecording(const RecordingList& list) {
  const sRECORDINGPAIR* newest = nullptr;
  for (const sRECORDINGPAIR& r : list) {
    if (!IsFolderRow(r) && (!newest || CompareRecordings(*newest, r))) newest = &r;
  }
  return newest;
}

}  // namespace

void CFilerContainerDlg::ClearAll() {
  m_tree.DeleteChildren(nullptr);  // every item, without telling the owner of the selection it drops
  m_hLoadedItem = nullptr;
  m_list.DeleteAllItems();
  m_list.m_records.clear();
  m_list.SetShownRecords({});
  m_list.m_nSelected = -1;
  m_editCaption.SetWindowText(L"");
}

void CFilerContainerDlg::OpenSource(CString path, int kind) {
  QuietDriveErrors quiet;  // a drive source, or a path on one, may be an empty card reader
  // The open scans the source, then the folder it selects is loaded: each file is read once.
  ProbeEachFileOnce probeOnce;
  // A new source replaces the previous one completely: its items, its records and its watch.
  ClearAll();
  m_tree.LoadFolderIcons();  // before the source's first item
  m_watch.SetPath(L"");
  m_strFirmwareVersion.Empty();
  ResetRecordingSerial();
  m_strSource = path;
  m_nSourceKind = kind;
  RecordingList& records = m_list.m_records;
  if (kind == kSourceDrive) {
    m_tree.SetRootPath(path);
    m_watch.SetPath(path);
    ScanRecordingFolders(path, m_tree.m_hWnd, nullptr, records, &records, kScanDayFolders, true, nullptr, 0);
    GroupRecordings(records);
    // Read while the records still are the card's (selecting a folder loads that folder's instead).
    m_strFirmwareVersion = ReadFirmwareVersion();
    SelectRootFolder();
    // Selecting the first day folder makes the owner load it and fill the list: a second fill would
    // drop the row it selected and read the folder's drive data again.
    if (m_hLoadedItem && m_hLoadedItem == m_tree.GetRootItem()) return;
  } else if (kind == kSourceFile) {
    m_tree.SetRootPath(path);
    if (ProbeRecordingFile(path) == 0) return;
    m_watch.SetPath(path);
    AddRecordingFile(path, records);
    m_list.RefillItems();
    if (m_list.GetItemCount() > 0) m_list.SelectRow(0);
    m_editCaption.SetWindowText(path);
    Invalidate();
    return;
  } else {
    // A relative folder (typed or hand-edited) is a folder of the program's own, not a drive root.
    const CString folder = WithoutTrailingSeparator(SourcePathInAppDirectory(path));
    const int cut = folder.ReverseFind(L'\\');
    const bool isRoot = cut < 0 || cut == folder.GetLength() - 1;
    m_tree.SetRootPath(isRoot ? CString() : folder.Left(cut));
    HTREEITEM top = m_tree.InsertItem(isRoot ? WithoutTrailingSeparator(folder.Left(2)) : folder.Mid(cut + 1),
                                      TVI_ROOT, TVI_LAST);
    m_watch.SetPath(folder);
    // Selecting the top item makes the owner load it (its sub-folders and recordings); when the
    // owner did not, it is loaded here. Either way the folder is scanned once.
    m_tree.SelectItem(top);
    if (m_hLoadedItem != top) LoadFolder(top, 0, FALSE);
    return;
  }
  m_list.RefillItems();
}

int CFilerContainerDlg::LoadFolder(HTREEITEM item, int, BOOL noPaint) {
  if (!item) return 0;  // no folder to load: the tree and the list stay as they are
  QuietDriveErrors quiet;
  const CString folder = m_tree.GetItemPath(item);
  m_editCaption.SetWindowText(folder);
  ResetRecordingSerial();
  m_list.m_records.clear();
  m_list.m_nSelected = -1;
  // Re-selecting a folder rebuilds its children: the old ones go first.
  m_tree.DeleteChildren(item);
  ScanRecordingFolders(folder, m_tree.m_hWnd, item, m_list.m_records, nullptr, kScanFolderTree, true,
                       nullptr, 0);
  GroupRecordings(m_list.m_records);
  for (HTREEITEM at = item; at; at = m_tree.GetParentItem(at)) m_tree.Expand(at, TVE_EXPAND);
  m_list.RefillItems();
  m_hLoadedItem = item;
  if (!noPaint && !m_bHidden) {
    const RECT rc = ItemCountRect();
    InvalidateRect(&rc, FALSE);
  }
  return static_cast<int>(m_list.m_records.size());
}

int CFilerContainerDlg::SelectRootFolder() {
  HTREEITEM top = m_tree.GetRootItem();
  if (!top) return 0;
  m_tree.SelectItem(top);
  m_editCaption.SetWindowText(m_tree.GetItemPath(top));
  return 1;
}

void CFilerContainerDlg::SelectItem(int row, int flag) {
  m_bQuietOpen = flag;
  if (row >= 0 && row < static_cast<int>(m_list.m_shownRecords.size()) && row < m_list.GetItemCount()) {
    m_list.SelectRow(row);
  }
  if (row >= 0 && row < m_list.GetItemCount()) m_list.EnsureVisible(row, FALSE);
}

void CFilerContainerDlg::SelectFirstItem() {
  if (!m_list.m_shownRecords.empty()) SelectItem(0, m_bQuietOpen);
}

void CFilerContainerDlg::SetFilter(int index, BOOL on) {
  if (index < 0 || index >= kFileListFilterCount) return;
  SetFilterFlag(index, on);
  Refilter();
}

void CFilerContainerDlg::SetButtonFilters(BOOL on) {
  for (int i = 0; i < kFilterButtonCount; ++i) SetFilterFlag(i, on);
  Refilter();
}

void CFilerContainerDlg::SetFilterFlag(int index, BOOL on) {
  if (index < kFilterButtonCount) {
    m_btnFilter[index].m_bPressed = on;
    m_btnFilter[index].Invalidate(FALSE);
  }
  m_list.m_bFilter[index] = on;
}

void CFilerContainerDlg::Refilter() {
  m_bRefiltered = TRUE;
  m_list.RefillItems();
  if (m_list.GetItemCount() > 0) m_list.SelectRow(0);
  if (!m_bHidden && IsWindow()) {
    const RECT rc = ItemCountRect();
    InvalidateRect(&rc, FALSE);
  }
}

const RecordingList& CFilerContainerDlg::CollectSourceRecordings() {
  m_collected = SourceToScan().Collect();
  return m_collected;
}

CFilerContainerDlg::SourceScan CFilerContainerDlg::SourceToScan() {
  SourceScan scan;
  scan.kind = m_nSourceKind;
  if (m_nSourceKind == kSourceDrive || m_nSourceKind == kSourceFile) {
    scan.path = m_strSource.GetString();
  } else if (HTREEITEM top = m_tree.m_hWnd ? m_tree.GetRootItem() : nullptr) {
    scan.path = m_tree.GetItemPath(top).GetString();
  }
  return scan;
}

RecordingList CFilerContainerDlg::SourceScan::Collect() const {
  RecordingList list;
  if (path.empty()) return list;
  QuietDriveErrors quiet;
  if (kind == kSourceFile) {
    AddRecordingFile(path.c_str(), list);
  } else {
    ScanRecordingTree(path.c_str(), list, nullptr, 0);
  }
  return list;
}

CString CFilerContainerDlg::ReadFirmwareVersion() {
  if (!m_pMainDlg) return CString();
  // The newest recording of the source: among the listed recordings, else in the newest day folder.
  const sRECORDINGPAIR* newest = NewestRecording(m_list.m_records);
  RecordingList dayFolder;
  if (!newest) {
    const sRECORDINGPAIR* lastFolder = nullptr;
    for (const sRECORDINGPAIR& r : m_list.m_records) {
      if (IsFolderRow(r) && (!lastFolder || CompareRecordings(*lastFolder, r))) lastFolder = &r;
    }
    if (lastFolder) ScanFolderForRecordings(lastFolder->szMainPath, dayFolder);
    newest = NewestRecording(dayFolder);
  }
  if (!newest) return CString();
  const wchar_t* path = newest->szMainName[0] ? newest->szMainPath : newest->szRearPath;
  int major = 0, minor = 0;
  CString build, suffix;
  if (!m_pMainDlg->ReadRecorderVersion(path, major, minor, build, suffix)) return CString();
  CString version;
  version.Format(L"%d.%d.%d%s", major, minor, _wtoi(build), suffix);
  return version;
}
