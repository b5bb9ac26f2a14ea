// The private window messages the skinned controls post to their parent windows. The numbers belong to
// the program's catalogue of WM_APP messages; the main dialog and the dialogs that host the controls
// handle them.
#pragma once

#include "platform/framework/private_messages.h"

#include <windows.h>

namespace quill::skin {

// CSkinSliderCtrl: wParam the control id, lParam the position under the mouse.
constexpr UINT kMsgSliderTrack = quill::msg::kSliderTrack;  // each drag step
constexpr UINT kMsgSliderPress = quill::msg::kSliderPress;  // press
constexpr UINT kMsgSliderRelease = quill::msg::kSliderRelease;  // release (also when the drag is cut short)

// CSkinButton with press notification: wParam 0, lParam the button's notify value (its control id).
constexpr UINT kMsgButtonPressed = quill::msg::kButtonPressed;
constexpr UINT kMsgButtonReleased = quill::msg::kButtonReleased;

// CSkinListCtrl: wParam 0, lParam the clicked row, -1 when the click hit no row.
constexpr UINT kMsgListClicked = quill::msg::kListClicked;

}  // namespace quill::skin
