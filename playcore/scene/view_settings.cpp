// Start-up values of the view settings block.
#include "playcore/scene/view_settings.h"

#include <cstring>

#include "playcore/scene/camera.h"

namespace playcore {

sVIEWSETTINGS DefaultViewSettings() {
  sVIEWSETTINGS settings;
  std::memset(&settings, 0, sizeof(settings));
  settings.enabled = 0;
  settings.aspect = 1.0f;
  settings.viewMode = kViewRectangle;
  settings.sphereUp = kUpUpright;
  settings.sphereRotation = ZeroMatrixRotation();
  settings.sphereSavedRotation = ZeroMatrixRotation();
  const ReferenceDirections& presets = PresetDirections();
  for (size_t i = 0; i < presets.size(); ++i) {
    for (size_t c = 0; c < 4; ++c) settings.reference[i][c] = presets[i][c];
  }
  const FlatViewState upright = {kUpUpright, 0.0f, 0.0f, 1.0f, 1.0f};
  settings.planes = upright;
  settings.rectangle = upright;
  settings.divided = upright;
  return settings;
}

}  // namespace playcore
