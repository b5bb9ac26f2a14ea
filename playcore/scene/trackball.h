// The sphere's quaternion trackball: rotation states, the drag that turns them, and the test that
// keeps the rim of the fisheye picture out of the lower part of the view. Plain double-precision
// maths over plain structs, shared by the sphere view and the view settings record.
#pragma once

#include <array>

namespace playcore {

// 24 doubles, in the order the view settings record stores them: the start quaternion (w, x, y, z)
// that a drag is measured from, the current quaternion, and the 4x4 matrix of the current one
// (row by row, row-vector convention).
struct RotationState {
  double start[4];
  double current[4];
  double matrix[16];
};
static_assert(sizeof(RotationState) == 24 * sizeof(double), "the record stores 24 doubles");

// Both quaternions (1, 0, 0, 0) and their matrix (the identity).
RotationState IdentityRotation();

// The rotation state as the start-up record holds it: identity quaternions, matrix all zero.
RotationState ZeroMatrixRotation();

// Eight directions (x, y, z, w = 0) whose turned z must stay above cos(3pi/4).
using ReferenceDirections = std::array<std::array<float, 4>, 8>;

// The eight preset directions, each a unit vector pointing up and out at one of eight headings.
const ReferenceDirections& PresetDirections();

// The matrix of the state's current quaternion.
void BuildRotationMatrix(RotationState* state);

// Turns the start quaternion by a drag (a turn about (dy, dx, 0) by 2pi times the drag's length) into
// the current quaternion and rebuilds the matrix. A zero-length or non-finite drag changes nothing.
void ApplyTrackballDrag(RotationState* state, double dx, double dy);

struct Drag {
  float x;
  float y;
};

// The drag vector turned by a whole number of degrees: (cos a dx + sin a dy, sin a dx - cos a dy).
Drag RotateDrag(float dx, float dy, int angleDegrees);

// True when every reference direction turned by the state's matrix keeps z above cos(3pi/4), and no
// component is NaN (a NaN must never be accepted into the rotation state).
bool IsRotationAcceptable(const RotationState& state, const ReferenceDirections& reference);

struct TrackballStepResult {
  bool applied;         // some direction was acceptable and the rotation moved
  bool unchanged;       // the drag was applied as given (angle 0)
  int angleDegrees;     // the direction that was applied
  float lengthScale;    // sqrt((180 - d) / 180)
};

// One constrained drag step: searches the 360 whole-degree turns of the drag for the acceptable one
// nearest the drag's own direction, shortens it by how far it had to turn, applies it to `rotation`
// and copies the result into `saved`. Nothing changes when no direction is acceptable or when the
// drag is not finite.
TrackballStepResult TrackballStep(RotationState* rotation, RotationState* saved,
                                  const ReferenceDirections& reference, float dx, float dy);

}  // namespace playcore
