// The decisions of the map in the main window, as pure functions: whether the map frame shows the map
// or the logo in its place, which logo picture, and the marker status that follows the play state.
#pragma once

namespace quill::app {

// What the map frame shows now.
struct MapFrameFacts {
  bool pageInitialised;  // the map page reported itself ready since it last was offline
  bool online;           // the connectivity watch has tested and found the service reachable
  bool hasGps;           // the open recording carries at least one valid GPS point
  bool parking;          // the open recording is a parking recording
};
enum class MapFrameContent { kMap, kLogo };
MapFrameContent ChooseMapFrameContent(const MapFrameFacts& facts);

// The logo window's picture: 1 the program's logo, 2 the parking picture.
int LogoPicture(const MapFrameFacts& facts);

// The marker status (driveviews::MapPlayState) that follows the leading instance's play state (0 closed,
// 1 stopped, 2 playing, 3 paused): playing gives "" (0), paused "pause" (1), every other state and an
// inactive instance "stop" (2). The tick hands it to the map when it differs from the last one handed,
// so a state reached by any path (the end of a movie, a drag of the seek bar) reaches the marker.
int MarkerStatusForPlayState(bool active, int playState);

}  // namespace quill::app
