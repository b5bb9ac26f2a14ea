// The cameras of the four scene views as plain numbers: every view looks straight down -z at its
// shape, with a field of view of 60/zoom degrees. Kept apart from Direct3D so they can be checked
// without a device; the views only hand the matrices to SetTransform.
#pragma once

#include "playcore/scene/scene_math.h"

namespace playcore {

// Field of view at zoom 1.0, in degrees; the view narrows as the zoom factor grows.
constexpr float kBaseFieldOfViewDegrees = 60.0f;
// Degrees to radians as the float the scene has always used.
constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kNearPlane = 0.01f;
constexpr float kFarPlane = 1000.0f;
// Widest field of view a camera accepts: at 180 degrees and beyond the projection degenerates.
constexpr float kMaxFieldOfViewDegrees = 179.0f;

// y of the camera's up vector: upright and upside down.
constexpr float kUpUpright = 0.1f;
constexpr float kUpUpsideDown = -0.1f;

// Distances of the eye from the plane z = 0 (rectangle and divided screens, planes) and of the
// sphere's eye from its centre.
constexpr float kScreenEyeZ = 0.865f;
constexpr float kPlanesEyeZ = 1.01f;
constexpr float kSphereEyeZ = 0.1f;

struct CameraMatrices {
  Mat4 view;
  Mat4 projection;
};

// A zoom factor the projection can use: finite and giving a field of view below 179 degrees.
bool IsUsableZoom(float zoom);
// The zoom a camera uses: the given one when usable, else 1.0.
float CameraZoom(float zoom);
// The aspect a camera uses: the given width/height when it is finite and positive, else 1.0.
float CameraAspect(float aspect);

float FieldOfViewRadians(float zoom);

// Camera of a flat view: eye (panX, panY, eyeZ) looking at (panX, panY, 0).
CameraMatrices FlatCamera(float panX, float panY, float eyeZ, float up, float zoom, float aspect);
// Camera of the sphere: eye (0, 0, 0.1) looking at its centre.
CameraMatrices SphereCamera(float up, float zoom, float aspect);

}  // namespace playcore
