// The main window's arrangements as pure functions: the primary pane of each size step and of full
// screen, which windows each arrangement shows, the browser pane's place at step 0, the click zoom,
// the caption drag band and the display-power notification. The main dialog applies them.
#pragma once

#include <windows.h>

namespace quill::app {

constexpr int kSizeStepCount = 3;
constexpr int kDragBandHeight = 26;   // the caption band the window is dragged by
constexpr double kWideBandRatio = 3.43;  // width / height of the mode-4 picture band

// The size step after `step` (caption button 20): 0 -> 1 -> 2 -> 0.
int NextSizeStep(int step);
// The UI text of caption button 20's tip at `step` (the step it leads to): "中", "大", "小".
unsigned SizeStepTipText(int step);

// The dialog's size at `step`: 1120 x 700 at steps 0 and 1 (the browser stacked beside the pane at
// step 1); at step 2 just tall enough for the seek bar and the button row below the 626-pixel pane.
SIZE DialogSizeFor(int step);

// The one set of the arrangement's figures.
constexpr int kButtonSize = 32;          // tool buttons, 32 x 32, one row
constexpr int kButtonStep = 34;
constexpr int kSourceGap = 30;           // extra gap before button 38013
constexpr int kButtonsAboveBottom = 35;  // the row's top lies this far above the dialog's bottom edge
constexpr int kCaptionRight = 57;        // the caption buttons end this far from the right edge
constexpr int kCaptionHeight = 18;
constexpr int kCaptionWidths[3] = {46, 26, 26};  // close, next size step, minimise
constexpr int kSeekHeight = 10;
constexpr int kInfoHeight = 120;         // the info panel and the controller pad
constexpr int kPadWidth = 140;
constexpr int kVolumeWidth = 110;
constexpr int kVolumeHeight = 12;
constexpr int kLapTimeWidth = 200;

// Where the arrangement of a size step puts the main window's pieces, in the dialog's client
// coordinates (the primary pane in mode 3). A piece the step hides has an empty rectangle. Below the
// pane: the seek bar; the info panel with the controller pad at its right (step 0; step 1: the info
// panel alone, as wide as the pane); at step 0 the G-sensor graph down to the button row (taller than
// its 80-pixel background: the event marks' letters are written from 75 pixels down); then the row of
// tool buttons, at step 0 after the lap-time strip, with the volume slider at the right end below the
// browser column.
struct StepLayout {
  SIZE dialog;
  RECT pane;
  RECT seekBar;
  RECT info;
  int infoLayout;  // 0, 1, or 2: drawn by the main window along its bottom edge
  RECT pad;
  RECT graph;
  RECT lapTime;
  RECT volume;
  int buttonTop;
  int buttonLeft;  // the row's first button (step 0: right of the lap-time strip)
  RECT browser;    // step 0: side by side with the pane; step 1: stacked; step 2: hidden
};
StepLayout LayoutForStep(int step);

// The band along the client area's bottom edge where the info panel's layout 2 is drawn: from 545 to
// the left of the status picture (155 from the right edge), 30 pixels high.
RECT InfoBandRect(const RECT& client);

// Whether two rectangles share a pixel (empty rectangles share none).
bool Overlap(const RECT& a, const RECT& b);

// The window's top-left corner moved so that a window of `size` lies inside `work` where it fits
// (the left and top edges win when it is larger).
POINT KeepInside(POINT topLeft, SIZE size, const RECT& work);

// The primary pane's rectangle in the dialog's client area at `step` (mode 4 at step 0 is the wide
// band); in full screen the rectangle in a window filling `work` (mode 4: a centred band).
RECT PrimaryPaneRect(int step, int paneMode, bool fullScreen, const RECT& work);

// Which windows an arrangement shows.
struct Visibility {
  bool graph, seekBar, volume, info, browser, pad, captionButtons, toolButtons;
  bool SnapshotEtc;  // tool buttons 38006, 38007, 38013-38016 (hidden at step 2)
};
Visibility VisibilityFor(int step, bool fullScreen);

// A button's place in an arrangement: its rectangle in the dialog's client area and whether it shows.
struct ButtonPlace {
  RECT rect;
  bool shown;
};
// Whether tool button `id` is one of those hidden at step 2 (38006, 38007, 38013-38016).
bool IsHiddenAtStep2(int id);
// The tool buttons' places: one row from the layout's first button place, closing up over the hidden
// ones, with a gap before 38013. `ids[i]` is button i's command, 0 for a button without a window (it
// takes no place and is not shown). A hidden button keeps no place of its own (its rectangle is empty).
void ToolRowPlaces(const StepLayout& l, const Visibility& v, const int* ids, int count, ButtonPlace* places);
// The three caption buttons' places at the top right: close, next size step, minimise.
void CaptionPlaces(const StepLayout& l, const Visibility& v, ButtonPlace places[3]);

// The browser pane's rectangle at step 0 beside the primary pane `pane` (mode 4: below the band).
RECT BrowserRectStep0(const RECT& pane, int paneMode, int clientHeight);

// One click of the click zoom: the factor grows by 1 and the view origin moves so that `point` stays
// in place; above 3 the zoom resets (returns false: reset, factor 1, origin 0).
struct ClickZoom {
  float factor = 1.0f;
  float originX = 0.0f;
  float originY = 0.0f;
};
bool ApplyClickZoom(ClickZoom* zoom, POINT point);

// Whether a left press at client `pt` starts a window drag.
inline bool InDragBand(POINT pt) { return pt.y >= 0 && pt.y < kDragBandHeight; }

// The display-power settings, by their published GUIDs: monitor power
// {02731015-4510-4526-99E6-E5A17EBD1AEA} and console display state {6FE69556-704A-47A0-8F24-C28D936FDA47}.
inline constexpr GUID kMonitorPowerOn = {
    0x02731015, 0x4510, 0x4526, {0x99, 0xE6, 0xE5, 0xA1, 0x7E, 0xBD, 0x1A, 0xEA}};
inline constexpr GUID kConsoleDisplayState = {
    0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};

// Whether a power broadcast's setting block says the display came on (console display state or
// monitor power, first data byte 1).
bool IsDisplayOnSetting(const POWERBROADCAST_SETTING* setting);

}  // namespace quill::app
