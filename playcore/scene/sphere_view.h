// View mode 3: the fisheye picture on the inside of a sphere of radius 200, watched from its centre
// and turned with the constrained trackball.
//
// Threads: called by the scene model under its lock from the presenter's threads (mesh), the
// scheduler thread (draw) and the UI thread (drag, flip, reset, commit). Every entry takes the
// sphere's own lock; lock order: model lock, then this one.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include "playcore/scene/com_ptr.h"
#include "playcore/scene/scene_math.h"
#include "playcore/scene/view_state.h"

namespace playcore {

class CSphere {
 public:
  CSphere();
  virtual ~CSphere();
  CSphere(const CSphere&) = delete;
  CSphere& operator=(const CSphere&) = delete;

  // Builds the mesh (in the default pool: the library's sphere asks for the managed pool, which a
  // Direct3D 9Ex device refuses) and the matrix of the current rotation.
  HRESULT CreateMesh(IDirect3DDevice9* device);
  void ReleaseMeshes();
  bool hasMesh() const;

  // View, projection, texture wrap and the world matrix of the current rotation.
  HRESULT SetCamera(IDirect3DDevice9* device, float aspect);
  // Camera, then the sphere textured with `texture` (the scene texture holding the frame).
  HRESULT Draw(IDirect3DDevice9* device, IDirect3DTexture9* texture, float aspect);
  // The world transform of a rotation state; S_OK and nothing without a device.
  HRESULT SetWorld(IDirect3DDevice9* device, const RotationState& state);

  // A drag step (see SphereDragStep); returns true when it was applied unchanged. The world matrix
  // is set in every case.
  bool MoveView(IDirect3DDevice9* device, float dx, float dy, float zoom);
  HRESULT Flip(IDirect3DDevice9* device);
  HRESULT Reset(IDirect3DDevice9* device);
  void Commit();

  void Seed(float up, const RotationState& rotation, const RotationState& saved,
            const ReferenceDirections& reference);
  SphereViewState state() const;

 private:
  mutable CriticalSection lock_;
  ComPtr<IDirect3DVertexBuffer9> vertices_;
  ComPtr<IDirect3DIndexBuffer9> indices_;
  UINT vertexCount_ = 0;
  UINT triangleCount_ = 0;
  SphereViewState view_;
};

// The world matrix of a rotation state, as floats.
Mat4 RotationMatrix(const RotationState& state);

}  // namespace playcore
