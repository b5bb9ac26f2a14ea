// Playback speed codes and volume conversions: pure functions over the instance's words.
//
// A speed code names a rate: 1 normal (the only code that plays sound), 2 and 4 fast, -2 and -4 slow
// (x0.5, x0.25), or backwards at x2 and x4 when the graph can play in reverse. Code -1 is a toggle
// between normal and half speed.
#pragma once

#include <cstdint>

namespace playcore {

struct sSPEEDCHOICE {
  int32_t code;  // the code stored in the instance
  float rate;    // the playback rate
};

// The code stored and the rate played when `requested` is asked for while `current` is stored.
sSPEEDCHOICE ResolveSpeedCode(int32_t current, int32_t requested, int32_t reverse);

// The next speed code of the speed-up (up) or slow-down (!up) buttons while playing.
int32_t NextSpeedCode(int32_t code, bool up, int32_t reverse, bool mediaFoundation);

// Volume 0-65535 as the DirectShow attenuation in hundredths of a decibel (0 loud, -10000 silent).
int32_t VolumeToAttenuation(int32_t volume);

// Clamps a volume to 0-65535.
int32_t ClampVolume(int32_t volume);

constexpr int32_t kSpeedNormal = 1;
constexpr int32_t kVolumeMax = 65535;
constexpr int32_t kSilentAttenuation = -10000;

}  // namespace playcore
