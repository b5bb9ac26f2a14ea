// The sphere view.
#include "playcore/scene/sphere_view.h"

#include <cmath>
#include <cstring>

#include "playcore/scene/camera.h"
#include "playcore/scene/grid_geometry.h"
#include "playcore/scene/scene_device.h"

namespace playcore {
namespace {

template <class Buffer>
HRESULT CopyInto(Buffer* buffer, const void* data, size_t bytes) {
  void* locked = nullptr;
  const HRESULT hr = buffer->Lock(0, 0, &locked, 0);
  if (FAILED(hr)) return hr;
  std::memcpy(locked, data, bytes);
  return buffer->Unlock();
}

}  // namespace

Mat4 RotationMatrix(const RotationState& state) {
  Mat4 m;
  for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = static_cast<float>(state.matrix[i]);
  return m;
}

CSphere::CSphere() {
  view_.up = kUpUpright;
  view_.rotation = IdentityRotation();
  view_.savedRotation = view_.rotation;
  view_.reference = PresetDirections();
  view_.zoom = 1.0f;
}

CSphere::~CSphere() { ReleaseMeshes(); }

void CSphere::ReleaseMeshes() {
  Lock lock(lock_);
  indices_.reset();
  vertices_.reset();
  vertexCount_ = 0;
  triangleCount_ = 0;
}

bool CSphere::hasMesh() const {
  Lock lock(lock_);
  return vertices_ && indices_;
}

HRESULT CSphere::CreateMesh(IDirect3DDevice9* device) {
  Lock lock(lock_);
  ReleaseMeshes();
  const SphereMesh mesh = BuildSphereMesh(kSphereRadius, kSphereSlices, kSphereStacks);
  if (mesh.vertices.empty()) return E_UNEXPECTED;
  const UINT vertexBytes = static_cast<UINT>(mesh.vertices.size() * sizeof(SphereVertex));
  const UINT indexBytes = static_cast<UINT>(mesh.indices.size() * sizeof(uint16_t));
  ComPtr<IDirect3DVertexBuffer9> vb;
  ComPtr<IDirect3DIndexBuffer9> ib;
  HRESULT hr = device->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, kSphereFvf,
                                          D3DPOOL_DEFAULT, vb.put(), nullptr);
  if (SUCCEEDED(hr)) {
    hr = device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                   ib.put(), nullptr);
  }
  if (SUCCEEDED(hr)) hr = CopyInto(vb.get(), mesh.vertices.data(), vertexBytes);
  if (SUCCEEDED(hr)) hr = CopyInto(ib.get(), mesh.indices.data(), indexBytes);
  if (FAILED(hr)) return hr;
  vertices_ = std::move(vb);
  indices_ = std::move(ib);
  vertexCount_ = static_cast<UINT>(mesh.vertices.size());
  triangleCount_ = static_cast<UINT>(mesh.indices.size() / 3);
  BuildRotationMatrix(&view_.rotation);
  return S_OK;
}

HRESULT CSphere::SetCamera(IDirect3DDevice9* device, float aspect) {
  Lock lock(lock_);
  return ApplyCamera(device, SphereCamera(view_.up, view_.zoom, aspect),
                     RotationMatrix(view_.rotation));
}

HRESULT CSphere::Draw(IDirect3DDevice9* device, IDirect3DTexture9* texture, float aspect) {
  Lock lock(lock_);
  HRESULT hr = SetCamera(device, aspect);
  if (FAILED(hr) || !texture || !vertices_) return hr;
  hr = device->SetFVF(kSphereFvf);
  if (SUCCEEDED(hr)) hr = device->SetStreamSource(0, vertices_.get(), 0, sizeof(SphereVertex));
  if (SUCCEEDED(hr)) hr = device->SetIndices(indices_.get());
  if (SUCCEEDED(hr)) hr = device->SetTexture(0, texture);
  if (SUCCEEDED(hr)) {
    hr = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount_, 0, triangleCount_);
    device->SetTexture(0, nullptr);
  }
  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetIndices(nullptr);
  return hr;
}

HRESULT CSphere::SetWorld(IDirect3DDevice9* device, const RotationState& state) {
  return playcore::SetWorld(device, RotationMatrix(state));
}

bool CSphere::MoveView(IDirect3DDevice9* device, float dx, float dy, float zoom) {
  Lock lock(lock_);
  const bool unchanged = SphereDragStep(&view_, dx, dy, zoom);
  SetWorld(device, view_.rotation);
  return unchanged;
}

HRESULT CSphere::Flip(IDirect3DDevice9* device) {
  Lock lock(lock_);
  view_.up = FlippedUp(view_.up);
  return SetWorld(device, view_.rotation);
}

HRESULT CSphere::Reset(IDirect3DDevice9* device) {
  Lock lock(lock_);
  ResetSphere(&view_);
  return SetWorld(device, view_.rotation);
}

void CSphere::Commit() {
  Lock lock(lock_);
  CommitSphere(&view_);
}

void CSphere::Seed(float up, const RotationState& rotation, const RotationState& saved,
                   const ReferenceDirections& reference) {
  Lock lock(lock_);
  view_.up = (std::isfinite(up) && up != 0.0f) ? up : kUpUpright;
  view_.rotation = SanitizedRotation(rotation);
  view_.savedRotation = SanitizedRotation(saved);
  view_.reference = reference;
  // A seeded reference table with NaNs would make every turn unacceptable; fall back to the presets.
  for (const auto& d : reference) {
    for (float c : d) {
      if (!std::isfinite(c)) view_.reference = PresetDirections();
    }
  }
}

SphereViewState CSphere::state() const {
  Lock lock(lock_);
  return view_;
}

}  // namespace playcore
