// Closed-form inverse of the scene views' cameras and shapes.
#include "tests/scene/scene_expect.h"

#include <cmath>

namespace playcore::test {
namespace {

constexpr float kPi = 3.14159265f;

struct ViewRay {
  float x;  // view-space direction at unit distance: right
  float y;  // up
};

ViewRay RayThrough(Screen s, int px, int py, float zoom, float aspect) {
  const float ndcX = (px + 0.5f) / s.width * 2.0f - 1.0f;
  const float ndcY = 1.0f - (py + 0.5f) / s.height * 2.0f;
  const float tanHalf = std::tan((60.0f / zoom) * kPi / 180.0f * 0.5f);
  return {ndcX * tanHalf * aspect, ndcY * tanHalf};
}

// The point of the plane z = 0 that a pixel shows: the camera looks down -z, so the screen's right
// is world -x (upright) and its top world +y; upside down both turn over.
void PlanePoint(const FlatViewState& view, float eyeZ, float aspect, Screen s, int px, int py,
                float* x, float* y) {
  const ViewRay ray = RayThrough(s, px, py, view.zoom, aspect);
  const float sign = view.up > 0.0f ? 1.0f : -1.0f;
  *x = view.panX - sign * ray.x * eyeZ;
  *y = view.panY + sign * ray.y * eyeZ;
}

void RingUv(float a, float b, float* u, float* v) {
  const float r = std::sqrt(2.0f * (std::sin(b) + 1.0f));
  *u = std::sin(a) * r * 0.312f + 0.5f;
  *v = std::cos(a) * r * 0.312f + 0.5f;
}

}  // namespace

bool RectangleUv(const FlatViewState& view, float aspect, Screen s, int px, int py, float* u,
                 float* v) {
  float x, y;
  PlanePoint(view, 0.865f, aspect, s, px, py, &x, &y);
  if (std::abs(x) > 0.5f || std::abs(y) > 0.5f) return false;
  *u = 0.5f - x;
  *v = 0.5f - y;
  return true;
}

bool DividedUv(const FlatViewState& view, float aspect, Screen s, int px, int py, float* u,
               float* v) {
  const float used = aspect == 1.0f ? 1.3333334f : aspect;
  float x, y;
  PlanePoint(view, 0.865f, used, s, px, py, &x, &y);
  const float width = 1.3333334f * 1.328f;
  const float left = -1.3333334f * 0.664f;
  if (x < left || x > left + width || y < -0.5f || y > 0.5f) return false;
  const int screen = y < 0.0f ? 0 : 1;
  const float bottom = screen == 0 ? -0.5f : 0.0f;
  const float a = (x - left) * kPi / width - kPi / 2 + (screen ? kPi : 0.0f);
  const float b = -(((y - bottom) * 0.665f + 0.735f) * kPi);
  RingUv(a, b, u, v);
  return true;
}

bool PlanesUv(const FlatViewState& view, float aspect, Screen s, int px, int py, float* u,
              float* v) {
  float x, y;
  PlanePoint(view, 1.01f, aspect, s, px, py, &x, &y);
  const float bottom = (0.92f - 2.9f) + 0.39f;
  if (x < -7.0f || x > 5.0f || y < bottom || y > bottom + 96 * 0.061020836f) return false;
  // Every plane is 4.0 wide and starts at -7, -3 or 1: the same picture each time.
  const float local = std::fmod(x + 7.0f, 4.0f);
  const float a = local * 1.57f - kPi / 2;
  const float b = (y - bottom) * -1.57f;
  const float r = std::sqrt(2.0f * (std::sin(b) + 1.0f));
  *u = r * std::sin(a) * 0.312f + 0.5f;
  *v = r * std::cos(a) * 0.312f + 0.5f;
  return true;
}

bool SphereUv(float up, float zoom, const RotationState& rotation, float aspect, Screen s, int px,
              int py, float* u, float* v) {
  const ViewRay ray = RayThrough(s, px, py, zoom, aspect);
  const float sign = up > 0.0f ? 1.0f : -1.0f;
  // World direction of the ray (the eye sits 0.1 from the centre of a sphere of radius 200).
  const double world[3] = {-sign * ray.x, sign * ray.y, -1.0};
  // Back into the sphere's own frame: world = object * M, so object = world * transpose(M).
  double object[3];
  for (int j = 0; j < 3; ++j) {
    object[j] = 0.0;
    for (int i = 0; i < 3; ++i) object[j] += world[i] * rotation.matrix[j * 4 + i];
  }
  const double length = std::sqrt(object[0] * object[0] + object[1] * object[1] +
                                  object[2] * object[2]);
  const double x = object[0] / length, y = object[1] / length, z = object[2] / length;
  const double across = std::sqrt(x * x + z * z);
  if (across < 1e-6) return false;
  // Straight down is the picture's centre, straight up its rim at 0.572.
  const double r = 0.572 * std::sqrt((1.0 + y) / 2.0);
  *u = static_cast<float>(0.5 - r * x / across);
  *v = static_cast<float>(0.5 + r * z / across);
  return true;
}

}  // namespace playcore::test
