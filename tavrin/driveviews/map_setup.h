// Making the map for the main dialog in one call: the dialog the system supports (map_choice.h),
// created as a hidden child of the map frame, handed to the wrapper, with the main dialog as the
// owner of the wrapper's messages. Whatever fails, the wrapper ends up usable, with or without a map.
#pragma once

#include <windows.h>

#include "platform/framework/wnd.h"
#include "tavrin/driveviews/map_choice.h"
#include "tavrin/driveviews/map_wrap.h"

namespace driveviews {

// Returns the variant that was made; `variant` defaults to the system's choice. The dialog is placed
// at (0, top) filling the frame's client area below `top` (the frame's caption strip).
MapVariant CreateMapDialog(CGoogleMapDlgWrap* wrap, CWnd* frame, HWND owner, int top,
                           MapVariant variant = ChooseMapVariantOnThisSystem());

}  // namespace driveviews
