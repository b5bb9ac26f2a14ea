// The recording pair list: one record per recording (its main-camera and rear-camera file) or per
// folder row of the file list, and the functions that list folders, pair camera files into records,
// scan a source folder tree, and sort and group the list.
//
// Threads: every function may run on any thread (the UI thread opens sources, workers collect the
// list for the CSV export and the delete command). The two counters are atomic; the probe is read
// through recording_probe.h. Lists and trees passed in belong to the caller's thread.
#pragma once

#include "tavrin/browser/recording_names.h"

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <vector>

// Marks a folder row in the serial, the file number and the sizes.
constexpr uint32_t kFolderRowSerial = 0xFFFFFFFFu;
constexpr int64_t kFolderRowFileNumber = -1;
constexpr uint64_t kFolderRowSize = ~0ull;

struct sRECORDINGPAIR {
  wchar_t szMainPath[kRecordingPathChars];  // "" when only a rear file exists; a folder row's folder
  wchar_t szMainName[kRecordingPathChars];  // file-name part of szMainPath; a folder row's folder name
  wchar_t szRearPath[kRecordingPathChars];  // "" when there is no rear file
  wchar_t szRearName[kRecordingPathChars];
  uint32_t uSerial;       // list serial in creation order; kFolderRowSerial for a folder row
  int64_t nFileNumber;    // second global counter; kFolderRowFileNumber for a folder row
  int32_t nNameKey;       // first character of the main name when it has a trigger class, else 0
  int32_t nSelected;      // 1: chosen in the file selection dialog
  int32_t nParking;       // 1: a parking recording (trigger P, S, T or U)
  int32_t nImageQuality;  // 3 for 720 lines, 5 for 1080, set when playback starts
  float fFrameRate;       // set when the pair is opened for playback
  SYSTEMTIME stStart;     // first GPS fix of the opened recording
  SYSTEMTIME stEnd;       // never written; zero
  uint64_t uMainSize;     // bytes; 0 when the file cannot be opened; kFolderRowSize for a folder row
  uint64_t uRearSize;
};

using RecordingList = std::vector<sRECORDINGPAIR>;
using FindEntries = std::vector<WIN32_FIND_DATAW>;

// The list serial counter (reset by the browser pane for every source) and the file number counter.
extern std::atomic<uint32_t> g_uRecordingSerial;
extern std::atomic<uint64_t> g_uRecordingFileNumber;
void ResetRecordingSerial();

// Scan modes of ScanRecordingFolders.
constexpr int kScanFolderTree = 0;  // sub-folders become tree items, files of the folder are listed
constexpr int kScanDayFolders = 1;  // day folders with recordings become tree items and folder rows

// Every entry of `folder` ("." and ".." included) in the order the system returns them. False when
// the folder cannot be listed or its search pattern does not fit a path buffer.
bool ListFolder(const wchar_t* folder, FindEntries& entries);
bool CompareFindNames(const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b);
// Ordinal order of the keys: the main name, or the rear name when there is no main file.
bool CompareRecordings(const sRECORDINGPAIR& a, const sRECORDINGPAIR& b);
const wchar_t* RecordingKey(const sRECORDINGPAIR& r);

bool MakePairForFile(const wchar_t* path, const RecordingList& list, wchar_t* mainOut, wchar_t* rearOut);
bool AddRecordingPair(const wchar_t* mainPath, const wchar_t* rearPath, RecordingList& list);
// False, with nothing appended, for a path that does not fit a record.
bool AddFolderRow(const wchar_t* folder, RecordingList& list);
bool AddRecordingFile(const wchar_t* path, RecordingList& list);
bool ScanFolderForRecordings(const wchar_t* folder, RecordingList& list);
bool GetFolderFilterMask(const wchar_t* folder, uint32_t& mask);
// `tree` may be null (no items), `folderRows` and `found` too. `depth` is 0 for the source folder.
bool ScanRecordingFolders(const wchar_t* folder, HWND tree, HTREEITEM parent, RecordingList& list,
                          RecordingList* folderRows, int mode, bool fill, uint32_t* found, int depth);
// Collects every recording below `folder` (down to depth 3); `fileCounter` counts every file seen.
bool ScanRecordingTree(const wchar_t* folder, RecordingList& list, uint32_t* fileCounter, int depth);
size_t AppendRecordings(RecordingList& list, const RecordingList& more);
void SortFindEntries(FindEntries& entries);
void GroupRecordings(RecordingList& list);
void ExcludeListedRecordings(RecordingList& list, const RecordingList& excluded);
