// The program's catalogue of private window messages: every WM_APP + n that one window or thread posts
// to another, with who posts it and who receives it. Every sender and receiver names the message from
// here, so a number is written once. wParam and lParam are described beside each.
#pragma once

#include <windows.h>

namespace quill::msg {

// The WebView2 host object's runner -> the WebView2 map dialog, posted. wParam: the held call, a
// std::function<void()> on the heap that the message owns (the dialog runs and deletes it, or deletes
// it unrun when it is destroyed first).
constexpr UINT kRunHeldCall = WM_APP + 0;
// The DirectShow filter graph -> the video pane (-> main dialog): graph events are waiting.
constexpr UINT kGraphEvent = WM_APP + 4;
// A player instance's step thread -> main dialog. lParam: the position to step to.
constexpr UINT kStepTick = WM_APP + 5;
// The same step thread -> main dialog: stepping ended.
constexpr UINT kStepEnd = WM_APP + 6;
// Tool workers (CSV, deletion, join, conversion) -> main dialog. wParam done, lParam total.
constexpr UINT kProgress = WM_APP + 8;
// Skinned slider -> its parent. wParam the control id, lParam the position.
constexpr UINT kSliderTrack = WM_APP + 101;
constexpr UINT kSliderPress = WM_APP + 102;
constexpr UINT kSliderRelease = WM_APP + 103;
// Map page callbacks -> main dialog: the page is initialised; an event point was clicked (lParam
// the position to seek to).
constexpr UINT kMapReady = WM_APP + 301;
constexpr UINT kMapSeek = WM_APP + 302;
// The WebView2 map dialog -> itself, posted once it is created (shown or not): start its control.
constexpr UINT kMapStartControl = WM_APP + 303;
// G-sensor graph -> main dialog: previous event (left button), next event (right button).
constexpr UINT kGraphPreviousEvent = WM_APP + 401;
constexpr UINT kGraphNextEvent = WM_APP + 402;
// Settings dialog -> main dialog. wParam the item 0-3, lParam the value.
constexpr UINT kSettingChanged = WM_APP + 501;
// Info panel -> main dialog. wParam the item, lParam the checked state.
constexpr UINT kInfoItemSwitched = WM_APP + 701;
// File list -> main dialog: a row was double-clicked (the main dialog ignores it).
constexpr UINT kListDoubleClick = WM_APP + 901;
// The Media Foundation player -> its video pane: paused; the movie ended; the movie is ready.
constexpr UINT kPlayerPaused = WM_APP + 1001;
constexpr UINT kPlayerEnded = WM_APP + 1002;
constexpr UINT kPlayerReady = WM_APP + 1003;
// The browser pane's source watch -> main dialog: the source folder or medium has vanished.
constexpr UINT kSourceVanished = WM_APP + 1201;
// Main dialog's open worker -> main dialog: the current pair's drive data is loaded.
constexpr UINT kDriveDataLoaded = WM_APP + 1301;
// Tool workers -> main dialog: the tool has finished.
constexpr UINT kToolFinished = WM_APP + 1302;
// The whole-list track's reader -> main dialog: points of the shown list were added to the track
// (wParam: the list's generation; lParam: 1 once the list is read through).
constexpr UINT kListTrackRead = WM_APP + 1303;
// Deletion worker -> main dialog: the files are deleted; finish the deletion.
constexpr UINT kDeletionDone = WM_APP + 1304;
// Main dialog -> itself: start-up has finished; run the after-start steps.
constexpr UINT kAfterInit = WM_APP + 1305;
// A tool worker -> main dialog, sent (never posted): wParam points to the worker's own
// std::function<void()>, which the main dialog runs and the worker keeps and frees.
constexpr UINT kRunSentCall = WM_APP + 1306;
// Skinned button with press notification -> its parent. lParam the button's notify value.
constexpr UINT kButtonPressed = WM_APP + 1401;
constexpr UINT kButtonReleased = WM_APP + 1402;
// Controller pad worker -> controller pad: the next step of a held button is due (wParam: the press's
// number, lParam: the button id).
constexpr UINT kPadStepDue = WM_APP + 1403;
// A video pane's inertia thread -> the pane (sent): one coasting step, (wParam 0, lParam the offsets as
// two signed 16-bit halves), or the view at rest (wParam 1). The turn runs on the pane's own thread.
constexpr UINT kPaneCoastStep = WM_APP + 1404;
// Main dialog and the logo window itself -> logo window: show or hide it by its shown flag.
constexpr UINT kLogoShow = WM_APP + 1501;
// Conversion preview -> conversion-mask dialog: redraw the preview.
constexpr UINT kConvertPreviewRedraw = WM_APP + 1601;
// Skinned list -> its parent. lParam the clicked row (-1: none).
constexpr UINT kListClicked = WM_APP + 1701;
// Movie window -> main dialog: re-arrange the map and the panes for the movie window's size step.
constexpr UINT kRearrange = WM_APP + 1901;
// A process driving the program (a test or a benchmark) -> main dialog: a marker behind what that
// process posted before. The main dialog publishes wParam as its window property QuillmereX.Marker,
// so the poster sees when everything it posted earlier has been handled (a sent message would be
// handled ahead of them).
constexpr UINT kQueueMarker = WM_APP + 2001;

}  // namespace quill::msg
