// Small single-precision matrix helpers for the scene's cameras, in Direct3D's row-vector convention
// (a point is a row vector multiplied on the left: p' = p * M). They stand in for the D3DX helpers,
// which the program may not import (the D3DX library is only loaded at run time).
#pragma once

namespace playcore {
// In a namespace of their own so that their linkage names cannot meet another part's types.
namespace scene {

struct Vec3 {
  float x, y, z;
};

struct Vec4 {
  float x, y, z, w;
};

// Row-major 4x4, laid out exactly as D3DMATRIX (m[row][column]).
struct Mat4 {
  float m[4][4];
  static Mat4 Identity();
};

// Left-handed look-at view matrix (the camera looks along +z of view space).
Mat4 LookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);

// Left-handed perspective projection from a vertical field of view in radians.
Mat4 PerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);

// v * M for a four-component row vector.
Vec4 Transform(const Vec4& v, const Mat4& m);

// a * b (apply a first, then b).
Mat4 Multiply(const Mat4& a, const Mat4& b);

}  // namespace scene

using scene::Mat4;
using scene::Vec3;
using scene::Vec4;
using scene::LookAtLH;
using scene::PerspectiveFovLH;
using scene::Transform;
using scene::Multiply;

}  // namespace playcore
