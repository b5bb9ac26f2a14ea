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
// step 1); taller at step 2 so that the button row stays below the pane.
SIZE DialogSizeFor(int step);

// The primary pane's rectangle in the dialog's client area at `step` (mode 4 at step 0 is the wide
// band); in full screen the rectangle in a window filling `work` (mode 4: a centred band).
RECT PrimaryPaneRect(int step, int paneMode, bool fullScreen, const RECT& work);
// The centre of a pane's zoom block at `step`: half the pane's size.
POINT ZoomCentre(int step);

// Which windows an arrangement shows.
struct Visibility {
  bool graph, seekBar, volume, info, browser, pad, captionButtons, toolButtons;
  bool SnapshotEtc;  // tool buttons 38006, 38007, 38013-38016 (hidden at step 2)
};
Visibility VisibilityFor(int step, bool fullScreen);

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

// Whether a power broadcast's setting block says the display came on (console display state or
// monitor power, first data byte 1).
bool IsDisplayOnSetting(const POWERBROADCAST_SETTING* setting);

}  // namespace quill::app
