// The speed-code table with its -1 toggle, the speed buttons' steps on both playback paths and the
// volume attenuation.
#include "playcore/instances/position_units.h"
#include "playcore/instances/speed_codes.h"

#include <gtest/gtest.h>

namespace playcore {
namespace {

struct RateCase {
  int32_t current;
  int32_t requested;
  int32_t reverse;
  int32_t storedCode;
  float rate;
};

TEST(SpeedCodes, EachCodeMapsToItsRateAndTheMinusOneCodeToggles) {
  const RateCase cases[] = {
      {1, -4, 0, -4, 0.25f}, {1, -2, 0, -2, 0.5f},  {1, 1, 0, 1, 1.0f},    {1, 2, 0, 2, 2.0f},
      {1, 4, 0, 4, 4.0f},    {1, 3, 0, 3, 1.0f},    {1, 0, 0, 0, 1.0f},    {1, -4, 1, -4, -4.0f},
      {1, -2, 1, -2, -2.0f}, {1, -1, 1, -1, -1.0f}, {-2, -1, 1, -1, -1.0f}, {1, 4, 1, 4, 4.0f},
      // The toggle: normal -> half speed -> normal; from anything else -1 stays at 1.0.
      {1, -1, 0, -2, 0.5f},  {-2, -1, 0, 1, 1.0f},  {2, -1, 0, -1, 1.0f},  {-1, -1, 0, -1, 1.0f},
  };
  for (const RateCase& c : cases) {
    sSPEEDCHOICE got = ResolveSpeedCode(c.current, c.requested, c.reverse);
    EXPECT_EQ(got.code, c.storedCode) << c.current << " " << c.requested << " " << c.reverse;
    EXPECT_FLOAT_EQ(got.rate, c.rate) << c.current << " " << c.requested << " " << c.reverse;
  }
}

struct StepCase {
  int32_t code;
  int32_t reverse;
  int32_t up;
  int32_t downMediaFoundation;
  int32_t downDirectShow;
};

TEST(SpeedStep, TheButtonsStepThroughTheCodesOnBothPaths) {
  const StepCase cases[] = {
      // code, reverse, up, down (Media Foundation), down (DirectShow)
      {-4, 0, -2, 1, -4}, {-2, 0, 1, -2, -4}, {-2, 1, -1, -2, -4}, {-1, 0, 1, -2, -2},
      {1, 0, 2, -1, -1},  {2, 0, 4, 1, 1},    {4, 0, 4, 2, 2},     {0, 0, 1, 1, 1},
      {7, 1, 1, 1, 1},
  };
  for (const StepCase& c : cases) {
    EXPECT_EQ(NextSpeedCode(c.code, true, c.reverse, true), c.up) << c.code;
    EXPECT_EQ(NextSpeedCode(c.code, true, c.reverse, false), c.up) << c.code;
    EXPECT_EQ(NextSpeedCode(c.code, false, c.reverse, true), c.downMediaFoundation) << c.code;
    EXPECT_EQ(NextSpeedCode(c.code, false, c.reverse, false), c.downDirectShow) << c.code;
  }
}

TEST(Volume, AttenuationRunsFromSilentAtZeroToFullAtTheTop) {
  const struct {
    int32_t volume;
    int32_t attenuation;
  } cases[] = {{65535, 0}, {0, -10000}, {32768, -4999}, {-5, -10000}, {70000, 0}};
  for (const auto& c : cases) EXPECT_EQ(VolumeToAttenuation(c.volume), c.attenuation) << c.volume;
}

// The example of a 33.0 time scale at media time 10 s is 303 positions by the conversion formula
// (10e7 / (33 x 10000)), not 30.
TEST(PositionUnits, MediaTimeAndPositionConvertThroughTheTimeScale) {
  EXPECT_EQ(MediaTimeToPosition(100000000, 33.0f), 303);
  EXPECT_EQ(MediaTimeToPosition(10000000, 33.0f), 30);
  EXPECT_EQ(PositionToMediaTime(30, 33.0f), 9900000);
  EXPECT_EQ(PositionToMediaTime(300, 40.0f), 120000000);
  EXPECT_EQ(MediaTimeToPosition(100000000, 0.0f), 0);  // no time scale: no division by zero
}

}  // namespace
}  // namespace playcore
