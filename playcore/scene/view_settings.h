// The view settings block that a player instance keeps and a new presenter copies into its scene:
// which view is shown and where each view's camera stands.
#pragma once

#include <cstddef>
#include <cstdint>

#include "playcore/scene/trackball.h"
#include "playcore/scene/view_state.h"

namespace playcore {

// Scene view modes. Mode 5 (the flat picture) is drawn by the present engine without the scene.
enum SceneViewMode : int32_t {
  kViewDivided = 1,
  kViewRectangle = 2,
  kViewSphere = 3,
  kViewPlanes = 4,
  kViewFlat = 5,
};

struct sVIEWSETTINGS {
  int32_t enabled;     // 1 while a scene mode (1-4) is shown
  float aspect;        // width over height of the pane
  int32_t viewMode;
  int32_t word3;       // the player instance's own, not used by the scene
  float sphereUp;
  int32_t word5;       // the player instance's own, not used by the scene
  RotationState sphereRotation;
  RotationState sphereSavedRotation;
  float reference[8][4];
  FlatViewState planes;
  FlatViewState rectangle;
  FlatViewState divided;
};
static_assert(offsetof(sVIEWSETTINGS, sphereRotation) == 24, "rotation follows six words");
static_assert(sizeof(FlatViewState) == 5 * sizeof(float), "five floats per flat view");

// The defaults the main dialog writes at start-up: scene off, rectangle mode, every view upright at
// zoom 1.0 with no pan, the preset reference directions.
sVIEWSETTINGS DefaultViewSettings();

}  // namespace playcore
