// The map's decisions in the main window.
#include "tavrin/app/main/map_view_rules.h"

#include "tavrin/driveviews/map_wrap.h"

namespace quill::app {

MapFrameContent ChooseMapFrameContent(const MapFrameFacts& f) {
  return f.pageInitialised && f.online && f.hasGps && !f.parking ? MapFrameContent::kMap : MapFrameContent::kLogo;
}

int LogoPicture(const MapFrameFacts& f) { return f.parking ? 2 : 1; }

int MarkerStatusForPlayState(bool active, int playState) {
  if (!active) return driveviews::kMapStopped;
  switch (playState) {
    case 2: return driveviews::kMapPlaying;
    case 3: return driveviews::kMapPaused;
    default: return driveviews::kMapStopped;
  }
}

}  // namespace quill::app
