// The camera shared by the flat views, and the rectangle screen.
#include "playcore/scene/flat_views.h"

#include "playcore/scene/camera.h"
#include "playcore/scene/grid_geometry.h"

namespace playcore {

FlatView::FlatView(float eyeZ) : state_{kUpUpright, 0.0f, 0.0f, 1.0f, 1.0f}, eyeZ_(eyeZ) {}

HRESULT FlatView::SetCamera(IDirect3DDevice9* device, float aspect) {
  Lock lock(lock_);
  state_.aspect = UsedAspect(aspect);
  const CameraMatrices camera =
      FlatCamera(state_.panX, state_.panY, eyeZ_, state_.up, state_.zoom, state_.aspect);
  return ApplyCamera(device, camera, Mat4::Identity());
}

HRESULT FlatView::ApplyStoredCamera(IDirect3DDevice9* device) {
  Lock lock(lock_);
  return SetCamera(device, state_.aspect);
}

bool FlatView::MoveView(IDirect3DDevice9* device, float dx, float dy, float zoom) {
  Lock lock(lock_);
  DragStep(&state_, dx, dy, zoom);
  return SUCCEEDED(ApplyStoredCamera(device));
}

HRESULT FlatView::Flip(IDirect3DDevice9* device) {
  Lock lock(lock_);
  state_.up = FlippedUp(state_.up);
  return ApplyStoredCamera(device);
}

void FlatView::Seed(const FlatViewState& state) {
  Lock lock(lock_);
  state_ = SanitizedFlatView(state);
}

FlatViewState FlatView::state() const {
  Lock lock(lock_);
  return state_;
}

CRectScreen::CRectScreen() : FlatView(kScreenEyeZ) {}

HRESULT CRectScreen::CreateBuffer(IDirect3DDevice9* device) {
  Lock lock(lock_);
  return buffer_.Create(device, kRectangleVertices);
}

HRESULT CRectScreen::CreateGeometry(float xc, float yc, float width) {
  Lock lock(lock_);
  if (!buffer_.exists()) return S_OK;
  return buffer_.Fill(RectangleScreenGrid(xc, yc, width));
}

HRESULT CRectScreen::Draw(IDirect3DDevice9* device, IDirect3DTexture9* texture, float aspect) {
  Lock lock(lock_);
  const HRESULT hr = SetCamera(device, aspect);
  if (FAILED(hr) || !texture) return hr;
  return buffer_.Draw(device, texture, kRectangleTriangles);
}

void CRectScreen::ReleaseBuffers() {
  Lock lock(lock_);
  buffer_.Release();
}

bool CRectScreen::hasBuffer() const {
  Lock lock(lock_);
  return buffer_.exists();
}

void CRectScreen::DragStep(FlatViewState* state, float dx, float dy, float zoom) const {
  RectangleDragStep(state, dx, dy, zoom);
}

}  // namespace playcore
