// The cameras' frames held while the main dialog moves or sizes its windows.
#pragma once

#include <optional>

#include "playcore/presenter/wine_host.h"
#include "playcore/presenter/present_hold.h"

namespace quill::app {

// Taken around the main dialog's window moves and sizes: under Wine a window resized while a camera's
// device draws can stop this thread and the device's drawing thread for good, so no frame is handed to
// a device while the windows change: other threads' presents are left out, not queued, and the panes'
// own repaints on this thread go through (see playcore::PresentHold). Elsewhere it does nothing. Nests
// on its thread. Taking it waits (bounded) for the frames already handed to the devices.
class ResizeHold {
 public:
  ResizeHold() {
    if (playcore::RunningOnWine()) hold_.emplace();
  }

 private:
  std::optional<playcore::PresentHold> hold_;
};

}  // namespace quill::app
