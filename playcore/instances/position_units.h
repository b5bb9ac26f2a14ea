// Positions count video frames: an instance's time scale is one frame's length in milliseconds, and
// media times are in 100-nanosecond units. Both conversions compute in float and truncate, as the
// player does for every position it reports or is given.
#pragma once

#include <cstdint>

namespace playcore {

constexpr float kHundredNsPerMillisecond = 10000.0f;

// t / (time scale x 10000); 0 for a time scale that is not above 0.
int64_t MediaTimeToPosition(int64_t mediaTime, float timeScale);
// p x time scale x 10000.
int64_t PositionToMediaTime(int64_t position, float timeScale);

}  // namespace playcore
