// The deletion of chosen recordings: both camera files of each picked recording go to the recycle
// bin, from the last picked to the first, and the main list's rows and the main dialog's record lists
// follow the disk at every step, also when a file cannot be recycled half way (the walk then stops
// with the message and the rows already recycled stay gone from the rows and both lists).
//
// Rows are found by the recording's path, not by list serials: the selection dialog offers every
// recording of the source, the main list only the current folder's, so serials of one do not name
// rows of the other.
//
// Threads: RunRecordingDelete runs on the main dialog's tool worker; the row deletions it asks for
// are sent to the UI thread (SendMessage), so they happen in order.
#pragma once

#include <functional>

#include "tavrin/app/tools/tool_callbacks.h"
#include "tavrin/browser/recording_pair.h"

namespace tools {

enum class DeleteResult {
  kNothingPicked,  // the dialog was cancelled or nothing was picked: nothing recycled
  kDeleted,        // every picked recording recycled (post quill::msg::kDeletionDone to reload the source)
  kFailed,         // a file could not be recycled: message shown, the walk stopped there
  kCancelled,      // the tool was stopped between two recordings
  kDeclined,       // the user would not have files destroyed where no recycle bin is: nothing recycled
};

struct DeleteJob {
  RecordingList picked;              // the picked records, in list order
  RecordingList* shown = nullptr;    // the main dialog's shown list (one row of the main list each)
  RecordingList* all = nullptr;      // the main dialog's list of all records
  int currentRow = -1;               // the main list's focused and selected row at the start
  // Closes the playing recording (the tick timer, drag state, every movie and data file) before its files go.
  std::function<void()> stopPlayback;
  // Removes a row of the main list (LVM_DELETEITEM), the same index as in *shown before the removal.
  std::function<void(size_t row)> deleteRow;
  // Redraws a row whose record lost its main file (the rear file could not be recycled after it).
  std::function<void(size_t row)> refreshRow;
  // Told after *shown and *all changed: both files of the record are gone, or only its main file
  // (the record stays as a rear-only one). The main dialog mirrors them into its live lists by key.
  std::function<void(const sRECORDINGPAIR& record)> recordGone;
  std::function<void(const sRECORDINGPAIR& record)> mainFileGone;
  // Whether the volume of a path keeps a recycle bin; null: VolumeHasRecycleBin. Where one of the
  // picked files has none, the user is asked once, before the first file, whether to destroy them.
  std::function<bool(const wchar_t* path)> hasRecycleBin;
};

// The question asked before files are destroyed for good (caption: UI text 106, "確認").
extern const wchar_t kNoRecycleBinQuestion[];

// Where a row index points after row `removed` left a list that now has `rows` rows: rows below it
// move up one; the removed row itself hands over to the row that took its place (the new last row
// when it was the last, -1 when no row is left); -1 stays -1.
int IndexAfterRemoval(int index, int removed, int rows);

// The record's identity: its main path, or its rear path without a main file (case ignored).
bool SameRecording(const sRECORDINGPAIR& a, const sRECORDINGPAIR& b);

DeleteResult RunRecordingDelete(DeleteJob& job, const ToolCallbacks& callbacks);

}  // namespace tools
