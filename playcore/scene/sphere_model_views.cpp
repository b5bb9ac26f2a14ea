// The view operations of the 360-degree scene: mode, drags, flips, resets and the seeded state.
#include "playcore/scene/sphere_model.h"

#include <cmath>
#include <cstring>

namespace playcore {
namespace {

bool IsSceneMode(int mode) { return mode >= kViewDivided && mode <= kViewPlanes; }

}  // namespace

void CSphereModel::Seed(const sVIEWSETTINGS& settings) {
  Lock lock(lock_);
  enabled_ = settings.enabled != 0;
  aspect_ = CameraAspect(settings.aspect);
  viewMode_ = settings.viewMode;
  ReferenceDirections reference;
  for (size_t i = 0; i < reference.size(); ++i) {
    for (size_t c = 0; c < 4; ++c) reference[i][c] = settings.reference[i][c];
  }
  sphere_.Seed(settings.sphereUp, settings.sphereRotation, settings.sphereSavedRotation, reference);
  planes_.Seed(settings.planes);
  rect_.Seed(settings.rectangle);
  divide_.Seed(settings.divided);
}

sVIEWSETTINGS CSphereModel::Snapshot() const {
  Lock lock(lock_);
  sVIEWSETTINGS settings;
  std::memset(&settings, 0, sizeof(settings));
  settings.enabled = enabled_ ? 1 : 0;
  settings.aspect = aspect_;
  settings.viewMode = viewMode_;
  const SphereViewState sphere = sphere_.state();
  settings.sphereUp = sphere.up;
  settings.sphereRotation = sphere.rotation;
  settings.sphereSavedRotation = sphere.savedRotation;
  for (size_t i = 0; i < sphere.reference.size(); ++i) {
    for (size_t c = 0; c < 4; ++c) settings.reference[i][c] = sphere.reference[i][c];
  }
  settings.planes = planes_.state();
  settings.rectangle = rect_.state();
  settings.divided = divide_.state();
  return settings;
}

HRESULT CSphereModel::SetViewMode(int mode) {
  Lock lock(lock_);
  if (!device_) return S_OK;
  viewMode_ = mode;
  enabled_ = IsSceneMode(mode);
  if (mode == kViewPlanes) return planes_.ApplyStoredCamera(device_.get());
  return S_OK;
}

int CSphereModel::MoveView(float dx, float dy, float zoom) {
  Lock lock(lock_);
  if (!enabled_ || !device_) return 1;
  IDirect3DDevice9* device = device_.get();
  switch (viewMode_) {
    case kViewDivided:
      return divide_.MoveView(device, dx, dy, zoom) ? 1 : 0;
    case kViewRectangle:
      return rect_.MoveView(device, dx, dy, zoom) ? 1 : 0;
    case kViewSphere:
      return sphere_.MoveView(device, dx, dy, zoom) ? 1 : 0;
    case kViewPlanes:
      return planes_.MoveView(device, dx, dy, zoom) ? 1 : 0;
    default:
      return 1;
  }
}

int CSphereModel::ToggleStepSign() {
  Lock lock(lock_);
  if (!enabled_ || !device_) return 0;
  IDirect3DDevice9* device = device_.get();
  sphere_.Flip(device);
  planes_.Flip(device);
  rect_.Flip(device);
  const bool wasUpright = divide_.state().up > 0.0f;
  divide_.Flip(device);
  return wasUpright ? 1 : 0;
}

HRESULT CSphereModel::ResetView() {
  Lock lock(lock_);
  if (!enabled_ || !device_) return S_OK;
  if (viewMode_ == kViewSphere) return sphere_.Reset(device_.get());
  if (viewMode_ == kViewPlanes) return planes_.Reset(device_.get());
  return S_OK;
}

HRESULT CSphereModel::ApplyCamera() {
  Lock lock(lock_);
  if (!enabled_ || !device_) return S_OK;
  if (viewMode_ == kViewSphere) {
    sphere_.Commit();
    return S_OK;
  }
  if (viewMode_ == kViewPlanes) return planes_.ApplyStoredCamera(device_.get());
  return S_OK;
}

void CSphereModel::SetViewAspect(int width, int height) {
  Lock lock(lock_);
  // A minimised pane (height 0) would make the aspect infinite and the projection NaN.
  if (!enabled_ || !IsSceneMode(viewMode_) || width <= 0 || height <= 0) return;
  aspect_ = static_cast<float>(width) / static_cast<float>(height);
}

bool CSphereModel::enabled() const {
  Lock lock(lock_);
  return enabled_;
}

int CSphereModel::viewMode() const {
  Lock lock(lock_);
  return viewMode_;
}

bool CSphereModel::created() const {
  Lock lock(lock_);
  return created_;
}

bool CSphereModel::hasDevice() const {
  Lock lock(lock_);
  return static_cast<bool>(device_);
}

float CSphereModel::aspect() const {
  Lock lock(lock_);
  return aspect_;
}

bool CSphereModel::viewReady(int mode) const {
  Lock lock(lock_);
  return IsSceneMode(mode) && viewReady_[mode];
}

}  // namespace playcore
