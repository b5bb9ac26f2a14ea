// Building records: deciding the pair of a camera file, reading the two file sizes, folder rows.
#include "tavrin/browser/scan_support.h"
#include "tavrin/skin/quiet_drive_errors.h"

#include <shlwapi.h>

#include <cwchar>
#include <memory>

std::atomic<uint32_t> g_uRecordingSerial{0};
std::atomic<uint64_t> g_uRecordingFileNumber{0};

void ResetRecordingSerial() { g_uRecordingSerial.store(0); }

namespace browser_scan {

namespace {

constexpr size_t kExtensionChars = 4;  // ".MP4"

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

class DiskLookup : public PartnerLookup {
 public:
  bool Exists(wchar_t* path) const override { return PathFileExistsW(path) != FALSE; }
};

// The whole size of a file (recordings and joined files pass 4 GB); false when it cannot be opened.
bool ReadFileSize(const wchar_t* path, uint64_t* size) {
  *size = 0;
  if (!*path) return false;
  UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    file.release();
    return false;
  }
  LARGE_INTEGER value;
  if (!GetFileSizeEx(file.get(), &value)) return true;  // opened: the size stays 0
  *size = static_cast<uint64_t>(value.QuadPart);
  return true;
}

bool Opens(const wchar_t* path) {
  uint64_t ignored;
  return ReadFileSize(path, &ignored);
}

// The size from the scan's listing when it lists the file, else from the file itself.
bool FileSize(const wchar_t* path, const FolderIndex* listing, uint64_t* size) {
  *size = 0;
  if (listing && *path && listing->SizeOf(path, size)) return true;
  return ReadFileSize(path, size);
}

bool HasMp4Extension(const wchar_t* path) {
  const wchar_t* ext = PathFindExtensionW(path);
  return wcslen(ext) == kExtensionChars && StrCmpNIW(ext, L".MP4", kExtensionChars) == 0;
}

bool FitsPath(const wchar_t* path) {
  return path && wcsnlen(path, kRecordingPathChars) < kRecordingPathChars;
}

bool IsParkingClass(int triggerClass) {
  return triggerClass == kTriggerParking || triggerClass == kTriggerParkingShock ||
         triggerClass == kTriggerParkingLapse || triggerClass == kTriggerParkingShock2;
}

void CopyPathAndName(const wchar_t* path, wchar_t* pathOut, wchar_t* nameOut) {
  wcscpy(pathOut, path);  // bounded: every caller checked FitsPath
  wcscpy(nameOut, *path ? PathFindFileNameW(path) : L"");
}

}  // namespace

PairIndex::PairIndex(const RecordingList& list) {
  for (const sRECORDINGPAIR& r : list) Add(r);
}

bool PairIndex::Contains(const wchar_t* mainPath, const wchar_t* rearPath) const {
  return (*mainPath && mains_.count(mainPath)) || (*rearPath && rears_.count(rearPath));
}

void PairIndex::Add(const sRECORDINGPAIR& record) {
  if (record.szMainPath[0]) mains_.insert(record.szMainPath);
  if (record.szRearPath[0]) rears_.insert(record.szRearPath);
}

bool MakePair(const wchar_t* path, const PairIndex& pairs, const PartnerLookup& lookup,
              wchar_t* mainOut, wchar_t* rearOut) {
  if (!FitsPath(path)) return false;
  const wchar_t* name = PathFindFileNameW(path);
  wchar_t main[kRecordingPathChars];
  wchar_t rear[kRecordingPathChars];
  if (IsMainCameraFile(name)) {
    wcscpy(main, path);
    FindPartnerFileWith(path, rear, lookup);
  } else if (IsRearCameraFile(name)) {
    wcscpy(rear, path);
    FindPartnerFileWith(path, main, lookup);
  } else {
    return false;
  }
  if (pairs.Contains(main, rear)) return false;
  wcscpy(mainOut, main);
  wcscpy(rearOut, rear);
  return true;
}

bool AddPairIndexed(const wchar_t* mainPath, const wchar_t* rearPath, RecordingList& list,
                    PairIndex& pairs, const FolderIndex* listing, const wchar_t* probed) {
  if (!FitsPath(mainPath) || !FitsPath(rearPath)) return false;
  const bool mainOk = IsMainCameraFile(PathFindFileNameW(mainPath)) && HasMp4Extension(mainPath);
  const bool rearOk = IsRearCameraFile(PathFindFileNameW(rearPath)) && HasMp4Extension(rearPath);
  if (!mainOk && !rearOk) return false;

  sRECORDINGPAIR r = {};  // quality, frame rate and both times stay zero until played
  CopyPathAndName(mainPath, r.szMainPath, r.szMainName);
  CopyPathAndName(rearPath, r.szRearPath, r.szRearName);
  const bool mainOpened = FileSize(r.szMainPath, listing, &r.uMainSize);
  const bool rearOpened = FileSize(r.szRearPath, listing, &r.uRearSize);
  if (!mainOpened && !rearOpened) return false;
  // Sizes from a listing say nothing about opening (a file held without sharing, no read access).
  const bool vouched = probed && (wcscmp(probed, r.szMainPath) == 0 || wcscmp(probed, r.szRearPath) == 0);
  if (listing && !vouched && !Opens(r.szMainPath) && !Opens(r.szRearPath)) return false;

  r.uSerial = g_uRecordingSerial.fetch_add(1);
  r.nFileNumber = static_cast<int64_t>(g_uRecordingFileNumber.fetch_add(1) & 0xFFFFFFFFu);
  const int mainClass = ClassifyEventLetter(r.szMainName);
  r.nNameKey = mainClass != kTriggerUnknown ? static_cast<int32_t>(r.szMainName[0]) : 0;
  r.nParking = IsParkingClass(r.szMainName[0] ? mainClass : ClassifyEventLetter(r.szRearName)) ? 1 : 0;
  list.push_back(r);
  pairs.Add(r);
  return true;
}

}  // namespace browser_scan

bool MakePairForFile(const wchar_t* path, const RecordingList& list, wchar_t* mainOut, wchar_t* rearOut) {
  QuietDriveErrors quiet;
  return browser_scan::MakePair(path, browser_scan::PairIndex(list), browser_scan::DiskLookup(),
                                mainOut, rearOut);
}

bool AddRecordingPair(const wchar_t* mainPath, const wchar_t* rearPath, RecordingList& list) {
  QuietDriveErrors quiet;
  browser_scan::PairIndex none{RecordingList()};
  return browser_scan::AddPairIndexed(mainPath, rearPath, list, none);
}

bool AddFolderRow(const wchar_t* folder, RecordingList& list) {
  // A cut path would name another folder: such a row is left out.
  if (!browser_scan::FitsPath(folder)) return false;
  sRECORDINGPAIR r = {};
  wcscpy(r.szMainPath, folder);
  // The name is the last component, also when the path ends with a separator.
  wchar_t trimmed[kRecordingPathChars];
  wcscpy(trimmed, r.szMainPath);
  size_t length = wcslen(trimmed);
  while (length > 1 && trimmed[length - 1] == L'\\') trimmed[--length] = L'\0';
  wcscpy(r.szMainName, PathFindFileNameW(trimmed));
  r.uSerial = kFolderRowSerial;
  r.nFileNumber = kFolderRowFileNumber;
  r.uMainSize = kFolderRowSize;
  r.uRearSize = kFolderRowSize;
  list.push_back(r);
  return true;
}

bool AddRecordingFile(const wchar_t* path, RecordingList& list) {
  wchar_t main[kRecordingPathChars];
  wchar_t rear[kRecordingPathChars];
  return MakePairForFile(path, list, main, rear) && AddRecordingPair(main, rear, list);
}
