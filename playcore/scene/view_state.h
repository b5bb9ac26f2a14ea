// What the user changes in each scene view -- pans, zoom, the upside-down flag, the sphere's
// orientation -- and how a drag, a flip or a reset changes it. Pure state logic: the views apply
// the resulting cameras to the device.
#pragma once

#include "playcore/scene/trackball.h"

namespace playcore {

// Camera fields of the rectangle screen, the divided screen and the planes.
struct FlatViewState {
  float up;      // y of the up vector: 0.1 upright, -0.1 upside down
  float panX;
  float panY;
  float zoom;    // field of view 60/zoom degrees
  float aspect;  // the aspect last given to the camera
};

// Camera fields and orientation of the sphere.
struct SphereViewState {
  float up;
  RotationState rotation;       // current orientation
  RotationState savedRotation;  // last accepted orientation
  ReferenceDirections reference;
  float zoom;
};

// Pan per unit of drag of each flat view.
constexpr float kDividedPanX = 4.712389f;    // 3pi/2
constexpr float kDividedPanY = 6.2831855f;   // 2pi
constexpr float kRectanglePan = 10.775663f;
constexpr float kPlanesPan = 2.3561945f;     // 3pi/4
// Planes: pan x lives in [-4.0, 0], one plane's width, so the three copies wrap without a seam.
constexpr float kPlanesPanLowest = -4.0f;
// The divided screen's camera replaces an aspect of exactly 1.0 by 4:3.
constexpr float kDividedSquareAspect = 1.3333334f;

// The up value after a flip: upside down when it was upright, else upright.
float FlippedUp(float up);

// Stores the zoom of a drag step when it is usable (see IsUsableZoom); keeps the old one otherwise.
void StoreZoom(float* stored, float zoom);

// One drag step of the divided screen / rectangle screen: signs inverted when upside down, zoom
// stored, pans moved; a zoom of exactly 1.0 puts both pans back to 0. Non-finite deltas move nothing.
void DividedDragStep(FlatViewState* view, float dx, float dy, float zoom);
void RectangleDragStep(FlatViewState* view, float dx, float dy, float zoom);
// One drag step of the planes: applied three times in succession, pan x wrapped into [-4.0, 0],
// zoom 1.0 resets pan y only.
void PlanesDragStep(FlatViewState* view, float dx, float dy, float zoom);

// The aspect the divided screen's camera stores and uses.
float DividedAspect(float aspect);

// One drag step of the sphere (see TrackballStep); returns true when the drag was applied unchanged.
bool SphereDragStep(SphereViewState* view, float dx, float dy, float zoom);
// Both orientations back to the identity.
void ResetSphere(SphereViewState* view);
// The current quaternion becomes the start of the next drag.
void CommitSphere(SphereViewState* view);

// Replaces non-finite or out-of-range seeded values so that nothing broken enters the views.
FlatViewState SanitizedFlatView(const FlatViewState& view);
RotationState SanitizedRotation(const RotationState& state);

}  // namespace playcore
