// Camera matrices of the scene, written out so that no D3DX function has to be imported.
#include "playcore/scene/scene_math.h"

#include <cmath>

namespace playcore::scene {
namespace {

Vec3 Subtract(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A zero vector stays zero instead of turning into NaNs.
Vec3 Normalize(const Vec3& v) {
  const float length = std::sqrt(Dot(v, v));
  if (!(length > 0.0f)) return {0.0f, 0.0f, 0.0f};
  return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

Mat4 Mat4::Identity() {
  Mat4 r = {};
  for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
  return r;
}

Mat4 LookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up) {
  const Vec3 zAxis = Normalize(Subtract(at, eye));
  const Vec3 xAxis = Normalize(Cross(up, zAxis));
  const Vec3 yAxis = Cross(zAxis, xAxis);
  Mat4 r = Mat4::Identity();
  r.m[0][0] = xAxis.x; r.m[0][1] = yAxis.x; r.m[0][2] = zAxis.x;
  r.m[1][0] = xAxis.y; r.m[1][1] = yAxis.y; r.m[1][2] = zAxis.y;
  r.m[2][0] = xAxis.z; r.m[2][1] = yAxis.z; r.m[2][2] = zAxis.z;
  r.m[3][0] = -Dot(xAxis, eye);
  r.m[3][1] = -Dot(yAxis, eye);
  r.m[3][2] = -Dot(zAxis, eye);
  return r;
}

Mat4 PerspectiveFovLH(float fovY, float aspect, float zNear, float zFar) {
  const float yScale = 1.0f / std::tan(fovY * 0.5f);
  const float xScale = yScale / aspect;
  Mat4 r = {};
  r.m[0][0] = xScale;
  r.m[1][1] = yScale;
  r.m[2][2] = zFar / (zFar - zNear);
  r.m[2][3] = 1.0f;
  r.m[3][2] = -zNear * zFar / (zFar - zNear);
  return r;
}

Vec4 Transform(const Vec4& v, const Mat4& m) {
  const float in[4] = {v.x, v.y, v.z, v.w};
  float out[4];
  for (int c = 0; c < 4; ++c) {
    out[c] = in[0] * m.m[0][c] + in[1] * m.m[1][c] + in[2] * m.m[2][c] + in[3] * m.m[3][c];
  }
  return {out[0], out[1], out[2], out[3]};
}

Mat4 Multiply(const Mat4& a, const Mat4& b) {
  Mat4 r = {};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
      r.m[i][j] = sum;
    }
  }
  return r;
}

}  // namespace playcore::scene
