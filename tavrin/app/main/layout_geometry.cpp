// The main window's arrangements as pure functions.
#include "tavrin/app/main/layout_geometry.h"

#include <algorithm>

namespace quill::app {

namespace {

constexpr SIZE kPaneSizes[kSizeStepCount] = {{732, 411}, {866, 491}, {1106, 626}};
constexpr POINT kPaneOrigin = {7, 26};
constexpr RECT kWideBandStep0 = {7, 71, 7 + 1106, 71 + 322};
constexpr unsigned kTipTexts[kSizeStepCount] = {8, 7, 18};
constexpr int kBrowserWidth = 374;
constexpr int kBrowserBottomMargin = 40;
constexpr int kWideBrowserTop = 412;
constexpr int kDialogWidth = 1120, kDialogHeight = 700;
constexpr int kBrowserRight = kPaneOrigin.x + 1106;  // the browser column ends where the widest pane does
constexpr int kSeekGap = 2;        // between the pane and the seek bar, and above the button row
constexpr int kInfoBandLeft = 545, kInfoBandHeight = 30, kInfoBandRight = 120;

int ClampStep(int step) { return std::clamp(step, 0, kSizeStepCount - 1); }

}  // namespace

int NextSizeStep(int step) { return (ClampStep(step) + 1) % kSizeStepCount; }

unsigned SizeStepTipText(int step) { return kTipTexts[ClampStep(step)]; }

RECT PrimaryPaneRect(int step, int paneMode, bool fullScreen, const RECT& work) {
  if (fullScreen) {
    const int w = work.right - work.left, h = work.bottom - work.top;
    if (paneMode != 4) return RECT{0, 0, w, h};
    const int band = std::min(h, static_cast<int>(w / kWideBandRatio));
    const int top = (h - band) / 2;
    return RECT{0, top, w, top + band};
  }
  step = ClampStep(step);
  if (step == 0 && paneMode == 4) return kWideBandStep0;
  const SIZE s = kPaneSizes[step];
  return RECT{kPaneOrigin.x, kPaneOrigin.y, kPaneOrigin.x + s.cx, kPaneOrigin.y + s.cy};
}

SIZE DialogSizeFor(int step) { return LayoutForStep(step).dialog; }

StepLayout LayoutForStep(int step) {
  step = ClampStep(step);
  StepLayout l = {};
  const SIZE paneSize = kPaneSizes[step];
  l.pane = RECT{kPaneOrigin.x, kPaneOrigin.y, kPaneOrigin.x + paneSize.cx, kPaneOrigin.y + paneSize.cy};
  const int left = l.pane.left, right = l.pane.right;
  l.seekBar = RECT{left, l.pane.bottom + kSeekGap, right, l.pane.bottom + kSeekGap + kSeekHeight};
  const int viewsTop = l.seekBar.bottom;
  int below = l.seekBar.bottom;  // the lowest piece under the pane so far
  if (step == 0) {
    l.info = RECT{left, viewsTop, right - kPadWidth, viewsTop + kInfoHeight};
    l.pad = RECT{right - kPadWidth, viewsTop, right, viewsTop + kInfoHeight};
    below = l.info.bottom;
    l.infoLayout = 0;
  } else if (step == 1) {
    l.info = RECT{left, viewsTop, right, viewsTop + kInfoHeight};
    below = l.info.bottom;
    l.infoLayout = 1;
  } else {
    l.infoLayout = 2;
  }
  l.buttonTop = std::max(kDialogHeight - kButtonsAboveBottom, below + kSeekGap);
  l.dialog = SIZE{kDialogWidth, l.buttonTop + kButtonsAboveBottom};
  l.buttonLeft = left;
  if (step == 0) {
    l.graph = RECT{left, l.info.bottom, right, l.buttonTop - kSeekGap};
    l.lapTime = RECT{left, l.buttonTop, left + kLapTimeWidth, l.buttonTop + kButtonSize};
    l.buttonLeft = l.lapTime.right;
  }
  const int volumeTop = l.buttonTop + (kButtonSize - kVolumeHeight) / 2;
  l.volume = RECT{kBrowserRight - kVolumeWidth, volumeTop, kBrowserRight, volumeTop + kVolumeHeight};
  if (step == 0) {
    l.browser = BrowserRectStep0(l.pane, 3, l.dialog.cy);
  } else if (step == 1) {
    l.browser = RECT{right, l.pane.top + 1, kBrowserRight, l.dialog.cy - kBrowserBottomMargin};
  }
  return l;
}

RECT InfoBandRect(const RECT& client) {
  return RECT{client.left + kInfoBandLeft, client.bottom - kInfoBandHeight, client.right - kInfoBandRight,
              client.bottom};
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT both;
  return ::IntersectRect(&both, &a, &b) != FALSE;
}

POINT KeepInside(POINT topLeft, SIZE size, const RECT& work) {
  POINT p = topLeft;
  p.x = std::max<LONG>(work.left, std::min<LONG>(p.x, work.right - size.cx));
  p.y = std::max<LONG>(work.top, std::min<LONG>(p.y, work.bottom - size.cy));
  return p;
}

Visibility VisibilityFor(int step, bool fullScreen) {
  if (fullScreen) return Visibility{false, false, false, false, false, false, false, false, false};
  switch (ClampStep(step)) {
    case 0:
      return Visibility{true, true, true, true, true, true, true, true, true};
    case 1:
      return Visibility{false, true, true, true, true, false, true, true, true};
    default:
      return Visibility{false, true, true, false, false, false, true, true, false};
  }
}

bool IsHiddenAtStep2(int id) {
  return id == 38006 || id == 38007 || id == 38013 || id == 38014 || id == 38015 || id == 38016;
}

void ToolRowPlaces(const StepLayout& l, const Visibility& v, const int* ids, int count, ButtonPlace* places) {
  int x = l.buttonLeft;
  for (int i = 0; i < count; ++i) {
    const int id = ids[i];
    places[i] = ButtonPlace{RECT{}, false};
    if (id == 0 || !v.toolButtons || (!v.SnapshotEtc && IsHiddenAtStep2(id))) continue;  // the row closes up
    if (id == 38013) x += kSourceGap;
    places[i] = ButtonPlace{RECT{x, l.buttonTop, x + kButtonSize, l.buttonTop + kButtonSize}, true};
    x += kButtonStep;
  }
}

void CaptionPlaces(const StepLayout& l, const Visibility& v, ButtonPlace places[3]) {
  int right = l.dialog.cx - kCaptionRight;
  for (int i = 0; i < 3; ++i) {
    right -= kCaptionWidths[i];
    places[i] = ButtonPlace{RECT{right, 4, right + kCaptionWidths[i], 4 + kCaptionHeight}, v.captionButtons};
    right -= 2;
  }
}

RECT BrowserRectStep0(const RECT& pane, int paneMode, int clientHeight) {
  const int top = paneMode == 4 ? pane.top + kWideBrowserTop - (kWideBandStep0.top - kPaneOrigin.y) : pane.top + 1;
  const int left = paneMode == 4 ? kPaneOrigin.x + kPaneSizes[0].cx : pane.right;
  return RECT{left, top, left + kBrowserWidth, std::max(top, clientHeight - kBrowserBottomMargin)};
}

bool ApplyClickZoom(ClickZoom* zoom, POINT point) {
  if (!zoom) return false;
  const float next = zoom->factor + 1.0f;
  if (next > 3.0f) {
    *zoom = ClickZoom{};
    return false;
  }
  // The point keeps its place: origin' = point - (point * (f - 1) + origin) / f, per axis.
  zoom->originX = point.x - (point.x * (next - 1.0f) + zoom->originX) / next;
  zoom->originY = point.y - (point.y * (next - 1.0f) + zoom->originY) / next;
  zoom->factor = next;
  return true;
}

bool IsDisplayOnSetting(const POWERBROADCAST_SETTING* setting) {
  if (!setting || setting->DataLength < 1) return false;
  const bool display = ::IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) ||
                       ::IsEqualGUID(setting->PowerSetting, kMonitorPowerOn);
  return display && setting->Data[0] == 1;
}

}  // namespace quill::app
