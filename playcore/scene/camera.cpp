// Camera matrices of the scene views.
#include "playcore/scene/camera.h"

#include <cmath>

namespace playcore {

bool IsUsableZoom(float zoom) {
  if (!std::isfinite(zoom) || !(zoom > 0.0f)) return false;
  const float fov = kBaseFieldOfViewDegrees / zoom;
  return std::isfinite(fov) && fov > 0.0f && fov <= kMaxFieldOfViewDegrees;
}

float CameraZoom(float zoom) { return IsUsableZoom(zoom) ? zoom : 1.0f; }

float CameraAspect(float aspect) {
  return (std::isfinite(aspect) && aspect > 0.0f) ? aspect : 1.0f;
}

float FieldOfViewRadians(float zoom) {
  return (kBaseFieldOfViewDegrees / CameraZoom(zoom)) * kDegreesToRadians;
}

CameraMatrices FlatCamera(float panX, float panY, float eyeZ, float up, float zoom, float aspect) {
  CameraMatrices camera;
  camera.view = LookAtLH({panX, panY, eyeZ}, {panX, panY, 0.0f}, {0.0f, up, 0.0f});
  camera.projection =
      PerspectiveFovLH(FieldOfViewRadians(zoom), CameraAspect(aspect), kNearPlane, kFarPlane);
  return camera;
}

CameraMatrices SphereCamera(float up, float zoom, float aspect) {
  return FlatCamera(0.0f, 0.0f, kSphereEyeZ, up, zoom, aspect);
}

}  // namespace playcore
