// Where the settings, source and update dialogs go: a fixed size centred in the work area of a monitor.
// UI thread of the dialog.
#pragma once

#include <windows.h>

#include "platform/framework/wnd.h"

namespace quill::app {

// Moves `dlg` to width x height centred in the work area of the monitor nearest the top-left corner of
// `anchor` (the dialog itself, or its parent). False when either window is missing.
bool PlaceDialogOnMonitor(CWnd* dlg, CWnd* anchor, int width, int height);

}  // namespace quill::app
