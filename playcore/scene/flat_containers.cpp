// The divided screen (two half-turn strips) and the planes (the full turn three times).
#include "playcore/scene/flat_views.h"

#include "playcore/scene/camera.h"
#include "playcore/scene/grid_geometry.h"

namespace playcore {

namespace {

// Makes the buffers of every part: the first failure is the answer, and the other parts are still made.
template <class Parts, class Count>
HRESULT CreateEach(Parts& parts, IDirect3DDevice9* device, Count vertices) {
  HRESULT first = S_OK;
  for (auto& part : parts) {
    const HRESULT hr = part.Create(device, vertices);
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  }
  return first;
}

}  // namespace

CDivideScreenContainer::CDivideScreenContainer() : FlatView(kScreenEyeZ) {}

HRESULT CDivideScreenContainer::CreateBuffers(IDirect3DDevice9* device) {
  Lock lock(lock_);
  return CreateEach(screens_, device, kDividedVertices);
}

HRESULT CDivideScreenContainer::CreateScreenGeometry(int screen, float xc, float yb,
                                                     float widthFactor) {
  Lock lock(lock_);
  if (screen < 0 || screen >= kScreens) return E_INVALIDARG;
  return screens_[screen].Fill(*SharedDividedScreenGrid(screen, xc, yb, widthFactor));
}

HRESULT CDivideScreenContainer::Draw(IDirect3DDevice9* device, IDirect3DTexture9* texture) {
  Lock lock(lock_);
  if (!texture) return S_OK;
  for (const CDivideScreen& screen : screens_) screen.Draw(device, texture, kDividedTriangles);
  return S_OK;
}

void CDivideScreenContainer::ReleaseBuffers() {
  Lock lock(lock_);
  for (CDivideScreen& screen : screens_) screen.Release();
}

void CDivideScreenContainer::DragStep(FlatViewState* state, float dx, float dy,
                                      float zoom) const {
  DividedDragStep(state, dx, dy, zoom);
}

CPlainContainer::CPlainContainer() : FlatView(kPlanesEyeZ) {}

HRESULT CPlainContainer::CreateBuffers(IDirect3DDevice9* device) {
  Lock lock(lock_);
  return CreateEach(planes_, device, kPlaneVertices);
}

HRESULT CPlainContainer::CreatePlaneGeometry(int plane, float xo, float yo) {
  Lock lock(lock_);
  if (plane < 0 || plane >= kPlanes) return E_INVALIDARG;
  return planes_[plane].Fill(*SharedPlaneGrid(xo, yo));
}

HRESULT CPlainContainer::Draw(IDirect3DDevice9* device, IDirect3DTexture9* texture) {
  Lock lock(lock_);
  if (!texture) return S_OK;
  for (const CPlain& plane : planes_) plane.Draw(device, texture, kPlaneTriangles);
  return S_OK;
}

HRESULT CPlainContainer::Reset(IDirect3DDevice9* device) {
  Lock lock(lock_);
  state_.panX = 0.0f;
  state_.panY = 0.0f;
  return ApplyStoredCamera(device);
}

void CPlainContainer::ReleaseBuffers() {
  Lock lock(lock_);
  for (CPlain& plane : planes_) plane.Release();
}

void CPlainContainer::DragStep(FlatViewState* state, float dx, float dy, float zoom) const {
  PlanesDragStep(state, dx, dy, zoom);
}

}  // namespace playcore
