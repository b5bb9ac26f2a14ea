// Where each pixel of a drawn scene view should sample the fisheye picture, worked out backwards
// from the camera: the pixel's ray is followed to the shape (plane z = 0 or the sphere) and the
// shape's texture coordinate there is computed in closed form. The render tests compare what the
// device drew with the test pattern at that coordinate.
#pragma once

#include "playcore/scene/trackball.h"
#include "playcore/scene/view_state.h"

namespace playcore::test {

struct Screen {
  int width;
  int height;
};

// False when the pixel's ray misses the view's shape (the clear colour is expected there).
bool RectangleUv(const FlatViewState& view, float aspect, Screen s, int px, int py, float* u,
                 float* v);
bool DividedUv(const FlatViewState& view, float aspect, Screen s, int px, int py, float* u,
               float* v);
bool PlanesUv(const FlatViewState& view, float aspect, Screen s, int px, int py, float* u,
              float* v);
bool SphereUv(float up, float zoom, const RotationState& rotation, float aspect, Screen s, int px,
              int py, float* u, float* v);

}  // namespace playcore::test
