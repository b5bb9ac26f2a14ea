#include "tavrin/app/main/playback_rules.h"

#include <algorithm>
#include <cmath>

namespace quill::app {

PlaybackTimings& Timings() {
  static PlaybackTimings timings;
  return timings;
}

int EndMarginBase(int speedCode) { return speedCode == 4 ? 80 : speedCode == 2 ? 40 : 20; }

int FrameMargin(int speedCode, float timeScale) {
  const int base = EndMarginBase(speedCode);
  if (!(timeScale > 0.0f)) return base;
  // Each intermediate goes through a float in memory: i686 code may otherwise keep it in an 80-bit
  // register and truncate a value that single precision rounds to a whole number one lower.
  volatile float step = static_cast<float>(base) * 1000.0f;
  step = step / 29.1f;
  step = step / timeScale;
  const float margin = step;
  return static_cast<int>(margin);
}

int64_t ClampCursor(int64_t position, int64_t minimum, int64_t maximum) {
  return std::max(minimum, std::min(position, maximum - 1));
}

SeekPlan PlanSeek(int64_t position, int64_t minimum, int64_t maximum, int speedCode, int frameMargin,
                  const int64_t durations[2]) {
  SeekPlan plan;
  const int64_t players = std::min(position, maximum - EndMarginBase(speedCode));
  for (int k = 0; k < 2; ++k) {
    const int64_t target = std::min(players, durations[k] - 2 * static_cast<int64_t>(frameMargin));
    plan.target[k] = target < 0 ? -1 : target;
  }
  plan.cursor = ClampCursor(position, minimum, maximum);
  return plan;
}

bool PendingSeekReached(int64_t target, int64_t position, int64_t duration) {
  const int64_t window = duration / 1000 + 100;
  return target - window < position && position < target + window;
}

unsigned SpeedLabelText(int speedCode) {
  switch (speedCode) {
    case -4: return 64;
    case -2: return 63;
    case 1: return 180;
    case 2: return 61;
    case 4: return 62;
    default: return 0;
  }
}

bool EndWaitsFor(const EndWaitCamera& other, unsigned stallMs) {
  return other.open && !other.reported && other.counted && other.sinceFrameMs < stallMs;
}

FadeStep NextFadeStep(int fadeVolume, int targetVolume) {
  if (fadeVolume < targetVolume) return FadeStep{fadeVolume, fadeVolume + 2000, false};
  return FadeStep{targetVolume, fadeVolume, true};
}

bool ReadyCount::Report(int pane, bool movieOpen0, bool movieOpen1) {
  const bool open[2] = {movieOpen0, movieOpen1};
  if (pane < 0 || pane > 1 || !open[pane]) return false;
  const unsigned expected = (movieOpen0 ? 1u : 0u) | (movieOpen1 ? 2u : 0u);
  const bool before = (reported_ & expected) == expected;
  reported_ |= 1u << pane;
  if (before || (reported_ & expected) != expected) return false;
  return true;
}

NextStep ChooseNextStep(int currentIndex, int count, bool nextFolderExists) {
  if (currentIndex < 0 || currentIndex >= count) return NextStep::kNone;
  if (currentIndex + 1 < count) return NextStep::kNextEntry;
  return nextFolderExists ? NextStep::kNextFolder : NextStep::kListEnd;
}

DragAngles AnglesForDrag(int dx, int dy, float fov, int width, bool lockAxis) {
  DragAngles a{0.0f, 0.0f};
  if (!(fov > 0.0f) || width <= 0) return a;
  volatile float scale = 60.0f / fov;
  scale = scale / 360.0f;
  scale = scale / static_cast<float>(width);
  a.x = static_cast<float>(dx) * scale;
  a.y = static_cast<float>(dy) * scale;
  if (lockAxis) {
    if (std::fabs(a.y) > std::fabs(a.x)) {
      a.x = 0.0f;
    } else {
      a.y = 0.0f;
    }
  }
  return a;
}

float FieldOfViewForZoom(float zoom) {
  constexpr float kFieldOfViewAtZoom1 = 60.0f;  // the scene's cameras: 60 / zoom degrees
  return zoom > 0.0f ? kFieldOfViewAtZoom1 / zoom : kFieldOfViewAtZoom1;
}

int ClampVelocity(int v) { return std::clamp(v, -100, 100); }

int DecayVelocity(int v) {
  if (v == 0) return 0;
  volatile float f = static_cast<float>(v) * 0.99f;
  return static_cast<int>(f);
}

bool DragCoasts(int dx, int dy, int vx, int vy) {
  // A last movement the inertia already takes as rest turns nothing: the view does not coast (and
  // is not reported coasting until the inertia thread next looks).
  if (InertiaIdle(vx, vy)) return false;
  const double dd = static_cast<double>(dx) * dx + static_cast<double>(dy) * dy;
  const double vv = static_cast<double>(vx) * vx + static_cast<double>(vy) * vy;
  if (dd <= 0.0 || vv <= 0.0) return false;
  const double dot = static_cast<double>(vx) * dx + static_cast<double>(vy) * dy;
  return dot / std::sqrt(dd * vv) > 0.8660254;
}

}  // namespace quill::app
