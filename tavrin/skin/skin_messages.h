// The private window messages the skinned controls post to their parent windows. The numbers belong to
// the program's catalogue of WM_APP messages; the main dialog and the dialogs that host the controls
// handle them.
#pragma once

#include <windows.h>

namespace quill::skin {

// CSkinSliderCtrl: wParam the control id, lParam the position under the mouse.
constexpr UINT kMsgSliderTrack = WM_APP + 101;    // each drag step
constexpr UINT kMsgSliderPress = WM_APP + 102;    // press
constexpr UINT kMsgSliderRelease = WM_APP + 103;  // release (also when the drag is cut short)

// CSkinButton with press notification: wParam 0, lParam the button's notify value (its control id).
constexpr UINT kMsgButtonPressed = WM_APP + 1401;
constexpr UINT kMsgButtonReleased = WM_APP + 1402;

// CSkinListCtrl: wParam 0, lParam the clicked row, -1 when the click hit no row.
constexpr UINT kMsgListClicked = WM_APP + 1701;

}  // namespace quill::skin
