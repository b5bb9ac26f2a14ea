// Where the picture of a pane goes: the pane's client rectangle zoomed about a centre, panned, and
// (keeping the native aspect) letter-boxed. Pure arithmetic, shared by the zoom, aspect and
// display-mode slots.
#pragma once

#include <windows.h>

namespace playcore {

struct VideoLayout {
  float zoom;        // 1.0 = the whole pane; 0 fails
  int centreX;       // zoom centre, pane pixels
  int centreY;
  int panX;
  int panY;
  bool keepAspect;   // letter-box to the native aspect
  int nativeWidth;   // of the movie; the aspect is kept only when both are above 0
  int nativeHeight;
};

// The destination rectangle for a pane's client rectangle; false when the zoom is 0 or the zoomed
// rectangle turns inside out.
bool LayOutVideoRect(const RECT& client, const VideoLayout& layout, RECT* dest);

}  // namespace playcore
