#include "playcore/instances/position_units.h"

#include <cmath>

namespace playcore {

int64_t MediaTimeToPosition(int64_t mediaTime, float timeScale) {
  if (!(timeScale > 0.0f) || !std::isfinite(timeScale)) return 0;
  return static_cast<int64_t>(static_cast<float>(mediaTime) / (timeScale * kHundredNsPerMillisecond));
}

int64_t PositionToMediaTime(int64_t position, float timeScale) {
  return static_cast<int64_t>(static_cast<float>(position) * timeScale * kHundredNsPerMillisecond);
}

}  // namespace playcore
