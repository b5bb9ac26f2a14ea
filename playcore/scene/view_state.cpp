// Drag, flip and reset rules of the scene views.
#include "playcore/scene/view_state.h"

#include <cmath>

#include "playcore/scene/camera.h"

namespace playcore {
namespace {

constexpr int kPlanesRepeats = 3;

bool IsFinite(float dx, float dy) { return std::isfinite(dx) && std::isfinite(dy); }

}  // namespace

float FlippedUp(float up) { return up > 0.0f ? kUpUpsideDown : kUpUpright; }

void StoreZoom(float* stored, float zoom) {
  if (IsUsableZoom(zoom)) *stored = zoom;
}

void DividedDragStep(FlatViewState* view, float dx, float dy, float zoom) {
  if (view->up < 0.0f) {
    dx = -dx;
    dy = -dy;
  }
  StoreZoom(&view->zoom, zoom);
  if (IsFinite(dx, dy)) {
    view->panX += dx * kDividedPanX;
    view->panY += dy * kDividedPanY;
  }
  if (zoom == 1.0f) {
    view->panX = 0.0f;
    view->panY = 0.0f;
  }
}

void RectangleDragStep(FlatViewState* view, float dx, float dy, float zoom) {
  if (view->up < 0.0f) {
    dx = -dx;
    dy = -dy;
  }
  StoreZoom(&view->zoom, zoom);
  if (IsFinite(dx, dy)) {
    view->panX += dx * kRectanglePan;
    view->panY += dy * kRectanglePan;
  }
  if (zoom == 1.0f) {
    view->panX = 0.0f;
    view->panY = 0.0f;
  }
}

void PlanesDragStep(FlatViewState* view, float dx, float dy, float zoom) {
  const bool finite = IsFinite(dx, dy);
  for (int i = 0; i < kPlanesRepeats; ++i) {
    // The inversion is applied to the running deltas each time, so an upside-down view alternates
    // the direction of the three applications (and pans a third as fast).
    if (view->up < 0.0f) {
      dx = -dx;
      dy = -dy;
    }
    StoreZoom(&view->zoom, zoom);
    if (finite) {
      view->panX += dx * kPlanesPan;
      if (view->panX > 0.0f) {
        view->panX = kPlanesPanLowest;
      } else if (view->panX < kPlanesPanLowest) {
        view->panX = 0.0f;
      }
      view->panY += dy * kPlanesPan;
    }
    if (zoom == 1.0f) view->panY = 0.0f;
  }
}

float DividedAspect(float aspect) { return aspect == 1.0f ? kDividedSquareAspect : aspect; }

bool SphereDragStep(SphereViewState* view, float dx, float dy, float zoom) {
  if (view->up < 0.0f) {
    dx = -dx;
    dy = -dy;
  }
  StoreZoom(&view->zoom, zoom);
  const TrackballStepResult step =
      TrackballStep(&view->rotation, &view->savedRotation, view->reference, dx, dy);
  return step.unchanged;
}

void ResetSphere(SphereViewState* view) {
  view->rotation = IdentityRotation();
  view->savedRotation = view->rotation;
}

void CommitSphere(SphereViewState* view) {
  for (int i = 0; i < 4; ++i) view->rotation.start[i] = view->rotation.current[i];
}

FlatViewState SanitizedFlatView(const FlatViewState& view) {
  FlatViewState out = view;
  if (!std::isfinite(out.up) || out.up == 0.0f) out.up = kUpUpright;
  if (!std::isfinite(out.panX)) out.panX = 0.0f;
  if (!std::isfinite(out.panY)) out.panY = 0.0f;
  out.zoom = CameraZoom(out.zoom);
  out.aspect = CameraAspect(out.aspect);
  return out;
}

RotationState SanitizedRotation(const RotationState& state) {
  for (int i = 0; i < 4; ++i) {
    if (!std::isfinite(state.start[i]) || !std::isfinite(state.current[i])) {
      return IdentityRotation();
    }
  }
  for (double value : state.matrix) {
    if (!std::isfinite(value)) return IdentityRotation();
  }
  return state;
}

}  // namespace playcore
