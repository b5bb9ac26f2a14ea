// The mask operations: a drag becomes a normalised rectangle of the converted frame; a click without
// movement (zero width or height) adds nothing.
#include "playcore/converter/mask_editor.h"

#include <cstdlib>

#include "playcore/scene/raw_geometry.h"

namespace playcore {

MaskEditor::MaskEditor(int outputWidth)
    : scale_(static_cast<float>(outputWidth) / static_cast<float>(kPreviewPaneWidth)) {}

int MaskEditor::Scale(int v) const { return static_cast<int>(static_cast<float>(v) * scale_); }

void MaskEditor::OnPreviewMouse(int action, int x, int y) {
  quill::com::ScopedLock lock(lock_);
  const POINT p = {Scale(x), Scale(y)};
  switch (static_cast<MaskAction>(action)) {
    case MaskAction::kDown:
      state_.dragRect = {p.x, p.y, p.x, p.y};
      state_.dragging = true;
      break;
    case MaskAction::kMove:
      if (state_.dragging) {
        state_.dragRect.right = p.x;
        state_.dragRect.bottom = p.y;
      }
      break;
    case MaskAction::kUp: {
      if (!state_.dragging) break;
      state_.dragging = false;
      state_.dragRect.right = p.x;
      state_.dragRect.bottom = p.y;
      const RECT r = NormalisedRect(state_.dragRect);
      if (r.right > r.left && r.bottom > r.top) {
        try {
          state_.masks.push_back(r);
        } catch (...) {
          // Out of memory: the area is not added; the list stays as it was.
        }
      }
      state_.dragRect = {};
      break;
    }
    case MaskAction::kUndo:
      if (!state_.masks.empty()) state_.masks.pop_back();
      break;
    case MaskAction::kDeleteAll:
      state_.masks.clear();
      state_.dragRect = {};
      state_.dragging = false;
      break;
  }
}

void MaskEditor::SetMasks(const std::vector<RECT>& masks) {
  quill::com::ScopedLock lock(lock_);
  state_.masks = masks;
}

std::vector<RECT> MaskEditor::masks() const {
  quill::com::ScopedLock lock(lock_);
  return state_.masks;
}

MaskState MaskEditor::Snapshot() const {
  quill::com::ScopedLock lock(lock_);
  return state_;
}

}  // namespace playcore
