// What the file list shows, independent of its window: a row's text, which records pass the trigger
// filters, which rows are drawn as event rows, the column order of the sort, and the header's gradient.
// Pure functions; any thread.
#pragma once

#include "tavrin/browser/recording_pair.h"

#include <string>

// Filter groups of the file list: the five filter buttons (A, G, M, P with T, S with U) and a sixth
// group for the speed-camera and radar recordings (O, R), which has no button and starts shown.
enum FileListFilter : int {
  kFilterContinuous = 0,
  kFilterShock = 1,
  kFilterManual = 2,
  kFilterParking = 3,
  kFilterParkingShock = 4,
  kFilterSpeedCamera = 5,
  kFileListFilterCount = 6,
};
constexpr int kFilterButtonCount = 5;

// The filter group of a trigger class; -1 for records without a class (always shown).
int FilterGroupOfClass(int triggerClass);
// The trigger class of a record (its main name, else its rear name).
int RecordTriggerClass(const sRECORDINGPAIR& record);
bool PassesFilters(const sRECORDINGPAIR& record, const BOOL (&filters)[kFileListFilterCount]);
// The records of `all` that pass, in order.
RecordingList FilterRecords(const RecordingList& all, const BOOL (&filters)[kFileListFilterCount]);
// Rows drawn light with black text: shock, manual, parking shock, speed camera, radar.
bool IsEventRow(const sRECORDINGPAIR& record);
// Column 0's text: the name without its extension and camera suffix ("001_120000A_M.MP4" ->
// "001_120000A"); a name whose first '.' stands at index 2 or less stays whole.
std::wstring FileListRowText(const sRECORDINGPAIR& record);
// Sort order of the list's columns (0 file number, 1 name key, 2 none, 3 frame rate, 4 and 5 start time,
// 6 duration, 7 main file size); other columns give no order. Keys that cannot be converted (the zero
// times of recordings never played) count as 0, so the order is always a strict weak order.
bool FileListColumnLess(const sRECORDINGPAIR& a, const sRECORDINGPAIR& b, int column);
// Grey level of the header gradient band at `r` (h down to 1) of a header `h` pixels high.
int HeaderGradientGrey(int h, int r);
// Band height of the header gradient: 1 below 510 pixels, else h / 255.
int HeaderGradientBand(int h);
