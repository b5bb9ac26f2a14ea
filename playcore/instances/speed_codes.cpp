// Speed codes, the -1 toggle, the speed buttons' steps and the volume conversions.
#include "playcore/instances/speed_codes.h"

namespace playcore {

namespace {

constexpr int32_t kToggle = -1;

struct sRATEROW {
  int32_t code;
  float forward;  // reverse word 0
  float backward; // reverse word 1
};

constexpr sRATEROW kRates[] = {
    {-4, 0.25f, -4.0f},
    {-2, 0.5f, -2.0f},
    {-1, 1.0f, -1.0f},
    {1, 1.0f, 1.0f},
    {2, 2.0f, 2.0f},
    {4, 4.0f, 4.0f},
};

}  // namespace

sSPEEDCHOICE ResolveSpeedCode(int32_t current, int32_t requested, int32_t reverse) {
  if (requested == kToggle && !reverse) {
    // Without reverse play, -1 switches between normal and half speed.
    if (current == -2) return {kSpeedNormal, 1.0f};
    if (current == kSpeedNormal) return {-2, 0.5f};
    return {kToggle, 1.0f};
  }
  for (const sRATEROW& row : kRates) {
    if (row.code == requested) return {requested, reverse ? row.backward : row.forward};
  }
  return {requested, 1.0f};
}

int32_t NextSpeedCode(int32_t code, bool up, int32_t reverse, bool mediaFoundation) {
  if (up) {
    switch (code) {
      case -4: return -2;
      case -2: return reverse ? -1 : 1;
      case 1: return 2;
      case 2:
      case 4: return 4;
      default: return 1;
    }
  }
  if (mediaFoundation) {
    switch (code) {
      case -2:
      case -1: return -2;
      case 1: return -1;
      case 4: return 2;
      default: return 1;
    }
  }
  switch (code) {
    case -4:
    case -2: return -4;
    case -1: return -2;
    case 1: return -1;
    case 4: return 2;
    default: return 1;
  }
}

int32_t ClampVolume(int32_t volume) {
  if (volume < 0) return 0;
  return volume > kVolumeMax ? kVolumeMax : volume;
}

int32_t VolumeToAttenuation(int32_t volume) {
  float loudness = static_cast<float>(ClampVolume(volume)) / static_cast<float>(kVolumeMax);
  return static_cast<int32_t>((1.0f - loudness) * static_cast<float>(kSilentAttenuation));
}

}  // namespace playcore
