// Shared Direct3D steps of the scene views.
#include "playcore/scene/scene_device.h"

#include <mfidl.h>

#include <cstring>

namespace playcore {
namespace {

// The service of a video sample's buffer that hands out its Direct3D surface.
constexpr GUID kBufferService = {0xa562248c, 0x9ac6, 0x4ffc,
                                 {0x9f, 0xba, 0x3a, 0xf8, 0xf8, 0xad, 0x1a, 0x4d}};

D3DMATRIX ToD3D(const Mat4& m) {
  D3DMATRIX out;
  static_assert(sizeof(out) == sizeof(m), "same layout");
  std::memcpy(&out, &m, sizeof(out));
  return out;
}

}  // namespace

SceneScope::SceneScope(IDirect3DDevice9* device)
    : device_(device), began_(device->BeginScene()), open_(SUCCEEDED(began_)) {}

SceneScope::~SceneScope() { End(); }

HRESULT SceneScope::End() {
  if (!open_) return S_OK;
  open_ = false;
  return device_->EndScene();
}

HRESULT SetWorld(IDirect3DDevice9* device, const Mat4& world) {
  if (!device) return S_OK;
  const D3DMATRIX m = ToD3D(world);
  return device->SetTransform(D3DTS_WORLD, &m);
}

HRESULT ApplyCamera(IDirect3DDevice9* device, const CameraMatrices& camera, const Mat4& world) {
  if (!device) return E_POINTER;
  const D3DMATRIX view = ToD3D(camera.view);
  HRESULT hr = device->SetTransform(D3DTS_VIEW, &view);
  if (FAILED(hr)) return hr;
  const D3DMATRIX projection = ToD3D(camera.projection);
  hr = device->SetTransform(D3DTS_PROJECTION, &projection);
  if (FAILED(hr)) return hr;
  hr = device->SetRenderState(D3DRS_WRAP0, D3DWRAPCOORD_0);
  if (FAILED(hr)) return hr;
  return SetWorld(device, world);
}

HRESULT SurfaceFromSample(IMFSample* sample, ComPtr<IDirect3DSurface9>* surface) {
  if (!sample) return E_POINTER;
  ComPtr<IMFMediaBuffer> buffer;
  HRESULT hr = sample->GetBufferByIndex(0, buffer.put());
  if (FAILED(hr)) return hr;
  ComPtr<IMFGetService> service;
  hr = buffer->QueryInterface(__uuidof(IMFGetService), reinterpret_cast<void**>(service.put()));
  if (FAILED(hr)) return hr;
  return service->GetService(kBufferService, __uuidof(IDirect3DSurface9),
                             reinterpret_cast<void**>(surface->put()));
}

HRESULT GridBuffer::Create(IDirect3DDevice9* device, UINT vertexCount) {
  buffer_.reset();
  vertexCount_ = 0;
  const HRESULT hr = device->CreateVertexBuffer(vertexCount * sizeof(GridVertex), D3DUSAGE_WRITEONLY,
                                                kGridFvf, D3DPOOL_DEFAULT, buffer_.put(), nullptr);
  if (SUCCEEDED(hr)) vertexCount_ = vertexCount;
  return hr;
}

HRESULT GridBuffer::Fill(const std::vector<GridVertex>& vertices) {
  if (!buffer_) return S_OK;
  if (vertices.size() > vertexCount_) return E_INVALIDARG;
  void* data = nullptr;
  const HRESULT hr = buffer_->Lock(0, 0, &data, 0);
  if (FAILED(hr)) return hr;
  std::memcpy(data, vertices.data(), vertices.size() * sizeof(GridVertex));
  return buffer_->Unlock();
}

HRESULT GridBuffer::Draw(IDirect3DDevice9* device, IDirect3DTexture9* texture,
                         UINT triangles) const {
  if (!buffer_) return S_OK;
  HRESULT hr = device->SetStreamSource(0, buffer_.get(), 0, sizeof(GridVertex));
  if (SUCCEEDED(hr)) hr = device->SetFVF(kGridFvf);
  if (SUCCEEDED(hr)) hr = device->SetTexture(0, texture);
  if (SUCCEEDED(hr)) {
    hr = device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);
    // Unbind whatever happened, so no stale texture or buffer stays on the device.
    device->SetTexture(0, nullptr);
  }
  device->SetStreamSource(0, nullptr, 0, 0);
  return hr;
}

}  // namespace playcore
