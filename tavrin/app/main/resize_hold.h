// The cameras' frames held while the main dialog moves or sizes its windows.
#pragma once

#include <optional>

#include "playcore/presenter/wine_host.h"
#include "playcore/presenter/present_hold.h"

namespace quill::app {

// Taken around the main dialog's window moves and sizes: under Wine a window resized while a camera's
// device draws can stop this thread and the device's drawing thread for good, so the frames wait while
// the windows change (see playcore::PresentHold). Elsewhere it does nothing. Nests on its thread. Never
// held across a call that waits for a player's own threads (a pause, a seek): their presents wait for it.
class ResizeHold {
 public:
  ResizeHold() {
    if (playcore::RunningOnWine()) hold_.emplace();
  }

 private:
  std::optional<playcore::PresentHold> hold_;
};

}  // namespace quill::app
