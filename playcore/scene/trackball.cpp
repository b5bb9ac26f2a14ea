// Quaternion trackball of the sphere view.
#include "playcore/scene/trackball.h"

#include <cmath>
#include <cstring>

namespace playcore {
namespace {

constexpr double kTwoPi = 6.283185307179586;
// cos(3pi/4) as the float the limit has always been compared with.
const float kLowestAllowedZ = static_cast<float>(std::cos(2.356194490192345));
// Start of the search for the smallest turned z: larger than any component of a unit vector.
constexpr float kSearchStartZ = 10.0f;
constexpr int kFullTurnDegrees = 360;
constexpr int kHalfTurnDegrees = 180;
constexpr float kDragDegreesToRadians = 0.017453292f;

}  // namespace

RotationState IdentityRotation() {
  RotationState state = ZeroMatrixRotation();
  BuildRotationMatrix(&state);
  return state;
}

RotationState ZeroMatrixRotation() {
  RotationState state;
  std::memset(&state, 0, sizeof(state));
  state.start[0] = 1.0;
  state.current[0] = 1.0;
  return state;
}

const ReferenceDirections& PresetDirections() {
  static const ReferenceDirections presets = [] {
    const float s = std::sqrt(0.5f);
    const float t = std::sqrt(0.75f);
    return ReferenceDirections{{{-0.5f, s, -0.5f, 0.0f}, {-0.5f, s, 0.5f, 0.0f},
                                {0.5f, s, -0.5f, 0.0f},  {0.5f, s, 0.5f, 0.0f},
                                {0.0f, t, -0.5f, 0.0f},  {0.0f, t, 0.5f, 0.0f},
                                {-0.5f, t, 0.0f, 0.0f},  {0.5f, t, 0.0f, 0.0f}}};
  }();
  return presets;
}

void BuildRotationMatrix(RotationState* state) {
  const double w = state->current[0], x = state->current[1];
  const double y = state->current[2], z = state->current[3];
  const double m[16] = {
      1 - 2 * y * y - 2 * z * z, 2 * x * y + 2 * w * z,     2 * x * z - 2 * w * y,     0,
      2 * x * y - 2 * w * z,     1 - 2 * x * x - 2 * z * z, 2 * y * z + 2 * w * x,     0,
      2 * x * z + 2 * w * y,     2 * y * z - 2 * w * x,     1 - 2 * x * x - 2 * y * y, 0,
      0,                         0,                         0,                         1};
  std::memcpy(state->matrix, m, sizeof(m));
}

void ApplyTrackballDrag(RotationState* state, double dx, double dy) {
  if (!std::isfinite(dx) || !std::isfinite(dy)) return;
  const double r = std::sqrt(dx * dx + dy * dy);
  if (r == 0.0) return;
  const double half = r * kTwoPi * 0.5;
  const double s = std::sin(half) / r;
  const double c = std::cos(half);
  const double q0w = state->start[0], q0x = state->start[1];
  const double q0y = state->start[2], q0z = state->start[3];
  // p (x) q0 with p = (c, s dy, s dx, 0): a turn about (dy, dx, 0) applied after the start turn.
  state->current[0] = c * q0w - s * dy * q0x - s * dx * q0y;
  state->current[1] = c * q0x + s * dy * q0w + s * dx * q0z;
  state->current[2] = c * q0y - s * dy * q0z + s * dx * q0w;
  state->current[3] = c * q0z + s * dy * q0y - s * dx * q0x;
  BuildRotationMatrix(state);
}

Drag RotateDrag(float dx, float dy, int angleDegrees) {
  const float a = static_cast<float>(angleDegrees) * kDragDegreesToRadians;
  const float c = std::cos(a);
  const float s = std::sin(a);
  return {c * dx + s * dy, s * dx - c * dy};
}

bool IsRotationAcceptable(const RotationState& state, const ReferenceDirections& reference) {
  float lowest = kSearchStartZ;
  for (const auto& d : reference) {
    // z of d * M with the matrix taken as floats.
    const float z = d[0] * static_cast<float>(state.matrix[2]) +
                    d[1] * static_cast<float>(state.matrix[6]) +
                    d[2] * static_cast<float>(state.matrix[10]) +
                    d[3] * static_cast<float>(state.matrix[14]);
    if (std::isnan(z)) return false;
    if (z < lowest) lowest = z;
  }
  return lowest > kLowestAllowedZ;
}

TrackballStepResult TrackballStep(RotationState* rotation, RotationState* saved,
                                  const ReferenceDirections& reference, float dx, float dy) {
  TrackballStepResult result = {false, false, 0, 0.0f};
  if (!std::isfinite(dx) || !std::isfinite(dy)) return result;
  int keptDistance = kHalfTurnDegrees + 1;
  int keptAngle = 0;
  for (int a = 0; a < kFullTurnDegrees; ++a) {
    const Drag turned = RotateDrag(dx, dy, a);
    RotationState candidate = *rotation;
    ApplyTrackballDrag(&candidate, turned.x, turned.y);
    if (!IsRotationAcceptable(candidate, reference)) continue;
    const int distance = kHalfTurnDegrees - std::abs(a - kHalfTurnDegrees);
    if (distance < keptDistance) {
      keptDistance = distance;
      keptAngle = a;
    }
  }
  if (keptDistance > kHalfTurnDegrees) return result;
  const float scale = std::sqrt(static_cast<float>(kHalfTurnDegrees - keptDistance) /
                                static_cast<float>(kHalfTurnDegrees));
  const Drag applied = RotateDrag(scale * dx, scale * dy, keptAngle);
  ApplyTrackballDrag(rotation, applied.x, applied.y);
  *saved = *rotation;
  result.applied = true;
  result.unchanged = keptDistance == 0;
  result.angleDegrees = keptAngle;
  result.lengthScale = scale;
  return result;
}

}  // namespace playcore
