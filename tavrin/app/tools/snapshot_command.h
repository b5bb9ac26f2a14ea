// The snapshot command: the JPEG file names of the main and rear camera in the snapshot folder, the
// capture size of each pane mode, and the command's steps around the instances' SaveSnapshot.
//
// Names: "<folder>\<folder's last component>-<recording name without extension>-%03d_%06d_M.jpg"
// (file number, position of the data-source instance); the rear file has "R" for the camera letter.
// A drive-root folder ("D:\") takes its drive letter as the last component, so the file name never
// holds ":" or "\".
//
// Threads: the UI thread (the command pauses playback and resizes the panes around the capture).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "tavrin/app/tools/tool_callbacks.h"
#include "tavrin/browser/recording_pair.h"

namespace tools {

// The main-camera file name; empty when the position could not be read (negative) or the record
// has no name: nothing is saved then.
std::wstring MakeSnapshotName(const std::wstring& folder, const sRECORDINGPAIR& record, int64_t position);
// The other camera's file name: the camera letter before ".jpg" swapped ("M" <-> "R"); the name
// unchanged when it has no camera letter there.
std::wstring SwapSnapshotCamera(const std::wstring& name);

// Pane modes (the video panes' display modes) and the size a pane takes for the capture.
struct CaptureSize {
  bool resize = false;  // false: the pane keeps its size
  int width = 0;
  int height = 0;
  int yOffset = 0;      // how much lower the pane is placed
};
// `nativeWidth`/`nativeHeight`: the movie's native size when its instance is open, else 0.
CaptureSize SnapshotCaptureSize(int paneMode, int nativeWidth, int nativeHeight, bool singlePane);

enum class SnapshotResult { kFailed = 0, kDone = 1, kEnded = 2 };

struct SnapshotJob {
  std::wstring folder;             // from FOLDERPATH/SNAPSHOT_FOLDER or a browse; empty ends quietly
  const sRECORDINGPAIR* record = nullptr;  // the current recording (focused row, else row 0)
  // The data-source instance's position (GetPosition, slot 11); 0 when no instance is active, below
  // 0 when the clock could not be read.
  std::function<int64_t()> position;
  // Per instance (0 main, 1 rear): whether it is active, and its SaveSnapshot (slot 38).
  std::function<bool(int instance)> active;
  std::function<bool(int instance, const std::wstring& path)> save;
  std::function<void()> preparePanes;  // PrepareSnapshotPanes
  std::function<void()> restorePanes;  // RestoreSnapshotPanes
  std::function<bool(const std::wstring& folder)> storeFolder;  // FOLDERPATH/SNAPSHOT_FOLDER
  std::wstring* mainPath = nullptr;  // when given: the names used
  std::wstring* rearPath = nullptr;
};

// Steps 5 to 9 of the command (the caller paused, disabled the buttons and chose the folder before,
// and enables and updates the buttons after). Messages: the failure, the completion, or none when the
// user kept an existing file.
SnapshotResult RunSnapshot(const SnapshotJob& job, const ToolCallbacks& callbacks);

// The instances' side through the operation table: active words, GetPosition of the data source, and
// SaveSnapshot. For the main dialog's job.
int64_t DataSourcePosition();
bool InstanceActive(int instance);
bool SaveInstanceSnapshot(int instance, const std::wstring& path);

}  // namespace tools
