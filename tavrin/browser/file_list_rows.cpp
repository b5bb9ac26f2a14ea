// The file list's rows, filters and sort order (see file_list_rows.h).
#include "tavrin/browser/file_list_rows.h"

#include "tavrin/browser/recording_names.h"

#include <cwchar>

namespace {

constexpr int kMinDotIndexToStrip = 3;    // a '.' at index 2 or less keeps the whole name
constexpr size_t kCameraSuffixChars = 2;  // "_M" / "_R" before the extension
constexpr int kGradientBandLimit = 510;
constexpr int kGradientSteps = 255;
constexpr int kGradientDarkest = 63;
constexpr int kGradientSpan = 141;

const wchar_t* RecordName(const sRECORDINGPAIR& r) { return r.szMainName[0] ? r.szMainName : r.szRearName; }

// The kind of a row: the upper half of its file number, 0 for a recording, all ones for a folder row.
uint32_t RowKind(const sRECORDINGPAIR& r) { return static_cast<uint32_t>(static_cast<uint64_t>(r.nFileNumber) >> 32); }

uint64_t FileTimeKey(const SYSTEMTIME& st) {
  FILETIME ft;
  if (!SystemTimeToFileTime(&st, &ft)) return 0;
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// Seconds of a local time, daylight saving as the system decides; 0 when it cannot be converted.
int64_t LocalSecondsKey(const SYSTEMTIME& local) {
  SYSTEMTIME utc;
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) return 0;
  constexpr uint64_t kTicksPerSecond = 10000000ull;
  return static_cast<int64_t>(FileTimeKey(utc) / kTicksPerSecond);
}

}  // namespace

int FilterGroupOfClass(int triggerClass) {
  switch (triggerClass) {
    case kTriggerContinuous: return kFilterContinuous;
    case kTriggerShock: return kFilterShock;
    case kTriggerManual: return kFilterManual;
    case kTriggerParking:
    case kTriggerParkingLapse: return kFilterParking;
    case kTriggerParkingShock:
    case kTriggerParkingShock2: return kFilterParkingShock;
    case kTriggerSpeedCamera:
    case kTriggerRadar: return kFilterSpeedCamera;
    default: return -1;
  }
}

int RecordTriggerClass(const sRECORDINGPAIR& record) {
  // A folder row names a folder, whose name may look like anything: it never has a class.
  if (record.uSerial == kFolderRowSerial) return kTriggerUnknown;
  return ClassifyEventLetter(RecordName(record));
}

bool PassesFilters(const sRECORDINGPAIR& record, const BOOL (&filters)[kFileListFilterCount]) {
  const int group = FilterGroupOfClass(RecordTriggerClass(record));
  return group < 0 || filters[group] != FALSE;
}

RecordingList FilterRecords(const RecordingList& all, const BOOL (&filters)[kFileListFilterCount]) {
  RecordingList shown;
  if (all.empty()) return shown;
  shown.reserve(all.size());
  // The list shows one kind of row, the first row's: recordings, or the folder rows of a card.
  const uint32_t kind = RowKind(all.front());
  for (const sRECORDINGPAIR& r : all) {
    if (RowKind(r) == kind && PassesFilters(r, filters)) shown.push_back(r);
  }
  return shown;
}

bool IsEventRow(const sRECORDINGPAIR& record) {
  switch (RecordTriggerClass(record)) {
    case kTriggerShock:
    case kTriggerManual:
    case kTriggerParkingShock:
    case kTriggerSpeedCamera:
    case kTriggerRadar:
    case kTriggerParkingShock2: return true;
    default: return false;
  }
}

std::wstring FileListRowText(const sRECORDINGPAIR& record) {
  std::wstring name(RecordName(record), wcsnlen(RecordName(record), kRecordingPathChars));
  const size_t dot = name.find(L'.');
  if (dot == std::wstring::npos || dot < static_cast<size_t>(kMinDotIndexToStrip)) return name;
  return name.substr(0, dot - kCameraSuffixChars);
}

bool FileListColumnLess(const sRECORDINGPAIR& a, const sRECORDINGPAIR& b, int column) {
  switch (column) {
    case 0: return a.nFileNumber < b.nFileNumber;
    case 1: return a.nNameKey < b.nNameKey;
    case 3: return a.fFrameRate < b.fFrameRate;
    case 4: return FileTimeKey(a.stStart) < FileTimeKey(b.stStart);
    case 5: return LocalSecondsKey(a.stStart) < LocalSecondsKey(b.stStart);
    case 6:
      return LocalSecondsKey(a.stEnd) - LocalSecondsKey(a.stStart) <
             LocalSecondsKey(b.stEnd) - LocalSecondsKey(b.stStart);
    case 7: return a.uMainSize < b.uMainSize;
    default: return false;
  }
}

int HeaderGradientBand(int h) { return h < kGradientBandLimit ? 1 : h / kGradientSteps; }

int HeaderGradientGrey(int h, int r) {
  if (h <= 0) return kGradientDarkest;
  return (kGradientDarkest + kGradientSpan * (h - r) / h) & 0xFF;
}
