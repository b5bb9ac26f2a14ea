// The mask areas the user draws on the conversion preview: the five mouse operations (down, move,
// up, undo the last area, delete all), the rectangle being dragged and the list of finished areas in
// pixels of the converted frame.
//
// Threads: the conversion dialog's UI thread runs the operations; the converter's worker takes a
// snapshot before drawing each frame and the dialog reads the list back. Everything is guarded by
// one lock (innermost: nothing is called out under it), so a frame sees the list either before or
// after an operation, never half-way.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/com/com_ptr.h"

namespace playcore {

// Mouse actions of the preview pane.
enum class MaskAction : int { kDown = 1, kMove = 2, kUp = 3, kUndo = 4, kDeleteAll = 5 };

// The preview pane is this many pixels wide; its points are scaled by output width / this.
constexpr int kPreviewPaneWidth = 1000;

struct MaskState {
  std::vector<RECT> masks;
  RECT dragRect = {};  // first corner in left/top, the moving corner in right/bottom
  bool dragging = false;
};

class MaskEditor {
 public:
  explicit MaskEditor(int outputWidth = 1920);

  // One mouse action at (x, y) in preview-pane pixels; unknown actions are ignored.
  void OnPreviewMouse(int action, int x, int y);

  void SetMasks(const std::vector<RECT>& masks);
  std::vector<RECT> masks() const;
  MaskState Snapshot() const;

  // The output pixel a preview coordinate lands on.
  int Scale(int v) const;

 private:
  mutable quill::com::CriticalSection lock_;
  const float scale_;
  MaskState state_;
};

}  // namespace playcore
