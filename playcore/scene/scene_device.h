// The few Direct3D steps every scene view shares: a scene bracket that always ends what it began,
// the camera transforms, the frame's surface out of a video sample, and a default-pool vertex buffer
// of grid vertices.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <mfobjects.h>

#include <vector>

#include "playcore/scene/camera.h"
#include "playcore/scene/com_ptr.h"
#include "playcore/scene/grid_geometry.h"

namespace playcore {

// Vertex formats of the flat grids and of the sphere.
constexpr DWORD kGridFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kSphereFvf = D3DFVF_XYZ | D3DFVF_TEX1;

// BeginScene on construction, EndScene on destruction when the begin succeeded: a failed draw in
// between can never leave the device inside a scene (every later BeginScene would fail).
class SceneScope {
 public:
  explicit SceneScope(IDirect3DDevice9* device);
  ~SceneScope();
  SceneScope(const SceneScope&) = delete;
  SceneScope& operator=(const SceneScope&) = delete;
  HRESULT began() const { return began_; }
  // Ends the scene now and returns EndScene's result.
  HRESULT End();

 private:
  IDirect3DDevice9* device_;
  HRESULT began_;
  bool open_;
};

// View, projection, texture wrap in u (D3DRS_WRAP0) and world, in this order; the first failure
// ends the step.
HRESULT ApplyCamera(IDirect3DDevice9* device, const CameraMatrices& camera, const Mat4& world);
HRESULT SetWorld(IDirect3DDevice9* device, const Mat4& world);

// The Direct3D surface that buffer 0 of a video sample carries.
HRESULT SurfaceFromSample(IMFSample* sample, ComPtr<IDirect3DSurface9>* surface);

// A write-only default-pool vertex buffer of grid vertices.
class GridBuffer {
 public:
  virtual ~GridBuffer() = default;
  HRESULT Create(IDirect3DDevice9* device, UINT vertexCount);
  // Copies the vertices in; S_OK and nothing when there is no buffer; E_INVALIDARG when they do not
  // fit.
  HRESULT Fill(const std::vector<GridVertex>& vertices);
  // Draws `triangles` triangles of a triangle list textured with `texture`; S_OK and nothing when
  // there is no buffer.
  HRESULT Draw(IDirect3DDevice9* device, IDirect3DTexture9* texture, UINT triangles) const;
  void Release() { buffer_.reset(); }
  bool exists() const { return static_cast<bool>(buffer_); }

 private:
  ComPtr<IDirect3DVertexBuffer9> buffer_;
  UINT vertexCount_ = 0;
};

}  // namespace playcore
