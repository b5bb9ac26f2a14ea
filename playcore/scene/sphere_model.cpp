// Building, drawing and releasing the 360-degree scene.
#include "playcore/scene/sphere_model.h"

#include "playcore/scene/grid_geometry.h"
#include "playcore/scene/scene_device.h"

namespace playcore {
namespace {

constexpr D3DCOLOR kClearColour = 0xFF000000;
// Light 0 as the scene has always set it (lighting itself stays off).
constexpr D3DCOLORVALUE kLightDiffuse = {0.9f, 0.9f, 0.9f, 0.0f};
constexpr D3DCOLORVALUE kLightSpecular = {0.2f, 0.2f, 0.2f, 0.0f};
constexpr D3DCOLORVALUE kLightAmbient = {0.5f, 0.5f, 0.5f, 0.0f};

}  // namespace

CSphereModel::~CSphereModel() {
  Lock lock(lock_);
  ReleaseResources();
  device_.reset();
}

HRESULT CSphereModel::CreateScene(IDirect3DDevice9* device, UINT width, UINT height) {
  Lock lock(lock_);
  if (!device || device == device_.get()) return S_OK;
  // A new device: nothing built on the old one can be used with it. The held reference keeps the
  // old device alive, so its address cannot have been reused by the new one.
  if (device_) ReleaseDevice();
  if (width == 0 || height == 0) return E_INVALIDARG;
  return BuildScene(device, width, height);
}

HRESULT CSphereModel::BuildScene(IDirect3DDevice9* device, UINT width, UINT height) {
  ReleaseResources();
  HRESULT hr = SetDeviceStates(device);
  if (SUCCEEDED(hr)) hr = CreateSceneTexture(device, width, height);
  if (FAILED(hr)) {
    // Nothing can be drawn without the shared texture; forget the device so a later call can retry.
    ReleaseResources();
    return hr;
  }
  device_ = ComPtr<IDirect3DDevice9>::Borrow(device);
  width_ = width;
  height_ = height;
  created_ = true;
  HRESULT first = S_OK;
  const HRESULT results[] = {BuildRectangle(device), BuildDivided(device),
                             sphere_.CreateMesh(device), BuildPlanes(device)};
  const int modes[] = {kViewRectangle, kViewDivided, kViewSphere, kViewPlanes};
  for (int i = 0; i < 4; ++i) {
    viewReady_[modes[i]] = SUCCEEDED(results[i]);
    if (FAILED(results[i]) && SUCCEEDED(first)) first = results[i];
  }
  return first;
}

HRESULT CSphereModel::SetDeviceStates(IDirect3DDevice9* device) {
  D3DLIGHT9 light = {};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = kLightDiffuse;
  light.Specular = kLightSpecular;
  light.Ambient = kLightAmbient;
  light.Direction = {0.0f, -1.0f, -0.0f};
  HRESULT hr = device->SetLight(0, &light);
  if (SUCCEEDED(hr)) hr = device->LightEnable(0, TRUE);
  const struct {
    D3DRENDERSTATETYPE state;
    DWORD value;
  } states[] = {
      {D3DRS_LIGHTING, FALSE},          {D3DRS_AMBIENT, 0xFFFFFFFF},
      {D3DRS_FILLMODE, D3DFILL_SOLID},  {D3DRS_CULLMODE, D3DCULL_NONE},
      {D3DRS_ZENABLE, D3DZB_TRUE},      {D3DRS_ZWRITEENABLE, TRUE},
      {D3DRS_ALPHABLENDENABLE, FALSE},  {D3DRS_STENCILENABLE, TRUE},
      {D3DRS_STENCILPASS, D3DSTENCILOP_INCR}, {D3DRS_STENCILFUNC, D3DCMP_EQUAL},
  };
  for (const auto& s : states) {
    if (SUCCEEDED(hr)) hr = device->SetRenderState(s.state, s.value);
  }
  const struct {
    D3DSAMPLERSTATETYPE state;
    DWORD value;
  } samplers[] = {{D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP}, {D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP},
                  {D3DSAMP_MINFILTER, D3DTEXF_LINEAR},   {D3DSAMP_MAGFILTER, D3DTEXF_LINEAR}};
  for (const auto& s : samplers) {
    if (SUCCEEDED(hr)) hr = device->SetSamplerState(0, s.state, s.value);
  }
  return hr;
}

HRESULT CSphereModel::CreateSceneTexture(IDirect3DDevice9* device, UINT width, UINT height) {
  D3DDISPLAYMODE mode = {};
  HRESULT hr = device->GetDisplayMode(0, &mode);
  if (SUCCEEDED(hr)) {
    hr = device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, mode.Format,
                               D3DPOOL_DEFAULT, texture_.put(), nullptr);
  }
  if (SUCCEEDED(hr)) hr = texture_->GetSurfaceLevel(0, surface_.put());
  return hr;
}

HRESULT CSphereModel::BuildRectangle(IDirect3DDevice9* device) {
  HRESULT hr = rect_.CreateBuffer(device);
  const float width = static_cast<float>(width_) / static_cast<float>(height_);
  if (SUCCEEDED(hr)) hr = rect_.CreateGeometry(0.0f, 0.0f, width);
  if (SUCCEEDED(hr)) hr = rect_.ApplyStoredCamera(device);
  return hr;
}

HRESULT CSphereModel::BuildDivided(IDirect3DDevice9* device) {
  HRESULT first = divide_.CreateBuffers(device);
  for (int i = 0; i < CDivideScreenContainer::kScreens; ++i) {
    const HRESULT hr = divide_.CreateScreenGeometry(i, 0.0f, 0.5f * i, kDividedWidthFactor);
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  }
  const HRESULT camera = divide_.ApplyStoredCamera(device);
  return FAILED(camera) ? camera : first;
}

HRESULT CSphereModel::BuildPlanes(IDirect3DDevice9* device) {
  HRESULT first = planes_.CreateBuffers(device);
  for (int i = 0; i < CPlainContainer::kPlanes; ++i) {
    const HRESULT hr = planes_.CreatePlaneGeometry(i, kPlaneOffsetsX[i], kPlaneOffsetY);
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  }
  const HRESULT camera = planes_.ApplyStoredCamera(device);
  return FAILED(camera) ? camera : first;
}

HRESULT CSphereModel::RenderScene(IDirect3DDevice9* device, IMFSample* sample, bool present) {
  ComPtr<IDirect3DSurface9> frame;
  if (sample) {
    const HRESULT hr = SurfaceFromSample(sample, &frame);
    if (FAILED(hr)) return hr;
  }
  return RenderSurface(device, frame.get(), present);
}

HRESULT CSphereModel::RenderSurface(IDirect3DDevice9* device, IDirect3DSurface9* frame,
                                    bool present) {
  bool drawn = false;
  const HRESULT hr = DrawSurface(device, frame, &drawn);
  if (FAILED(hr)) return hr;
  if (!present) return drawn ? S_OK : S_FALSE;
  // The present is made without the model lock: it can wait for the window's thread.
  return drawn ? device->Present(nullptr, nullptr, nullptr, nullptr) : S_OK;
}

HRESULT CSphereModel::DrawSurface(IDirect3DDevice9* device, IDirect3DSurface9* frame, bool* drawn) {
  Lock lock(lock_);
  if (!enabled_) return E_FAIL;
  if (!device) return S_OK;
  if (device_ && device != device_.get()) ReleaseDevice();
  if (!device_ && width_ != 0 && height_ != 0) {
    // The device was replaced since the scene was built: build it again on this one.
    const HRESULT hr = BuildScene(device, width_, height_);
    if (!created_) return hr;
  }
  if (!created_) return S_OK;
  HRESULT hr = S_OK;
  if (frame) hr = device->StretchRect(frame, nullptr, surface_.get(), nullptr, D3DTEXF_LINEAR);
  if (SUCCEEDED(hr)) {
    hr = device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                       kClearColour, 1.0f, 0);
  }
  if (FAILED(hr)) return hr;
  {
    SceneScope scene(device);
    if (FAILED(scene.began())) return scene.began();
    if (frame) hr = DrawCurrentView(device);
    const HRESULT ended = scene.End();
    if (FAILED(hr)) return hr;
    if (FAILED(ended)) return ended;
  }
  *drawn = true;
  return S_OK;
}

HRESULT CSphereModel::DrawCurrentView(IDirect3DDevice9* device) {
  if (viewMode_ < kViewDivided || viewMode_ > kViewPlanes || !viewReady_[viewMode_]) return S_OK;
  IDirect3DTexture9* texture = texture_.get();
  switch (viewMode_) {
    case kViewDivided: {
      const HRESULT hr = divide_.SetCamera(device, aspect_);
      return FAILED(hr) ? hr : divide_.Draw(device, texture);
    }
    case kViewRectangle:
      return rect_.Draw(device, texture, aspect_);
    case kViewSphere:
      return sphere_.Draw(device, texture, aspect_);
    default: {
      const HRESULT hr = planes_.SetCamera(device, aspect_);
      return FAILED(hr) ? hr : planes_.Draw(device, texture);
    }
  }
}

void CSphereModel::ReleaseResources() {
  Lock lock(lock_);
  created_ = false;
  for (bool& ready : viewReady_) ready = false;
  sphere_.ReleaseMeshes();
  planes_.ReleaseBuffers();
  rect_.ReleaseBuffers();
  divide_.ReleaseBuffers();
  surface_.reset();
  texture_.reset();
}

void CSphereModel::ReleaseDevice() {
  Lock lock(lock_);
  ReleaseResources();
  device_.reset();
}

}  // namespace playcore
