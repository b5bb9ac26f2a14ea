// The converter's picture engine: the fisheye frame unrolled into a panorama on a 960 x 480 grid,
// an image over the top third, the masks, and the read-back of each converted frame.
#include "playcore/scene/raw_obj.h"

#include <cstring>
#include <new>

#include "playcore/bytes/checked.h"
#include "playcore/scene/scene_device.h"

namespace playcore {
namespace {

constexpr int kOverlayVertices = 4;
constexpr UINT kOverlayHeightDivisor = 3;
constexpr int kOutlinePasses = 2;
constexpr int kLinesPerPass = 4;

}  // namespace

D3DRawObj1::D3DRawObj1() = default;

void D3DRawObj1::Release() {
  Lock lock(m_lock);
  m_sprite2.reset();
  m_image2.reset();
  m_sprite1.reset();
  m_image1.reset();
  m_overlayBuffer.reset();
  D3DRawObj::Release();
}

HRESULT D3DRawObj1::Setup(UINT width, UINT height) {
  Lock lock(m_lock);
  try {
    // About 77 MB in a 32-bit process: may really fail.
    m_vertices.assign(kPanoramaVertices, ScreenVertex{0, 0, 0, 1.0f, 0xFFFFFFFFu, 0, 0});
  } catch (const std::bad_alloc&) {
    m_vertices.clear();
    return E_OUTOFMEMORY;
  }
  SetPositions(width, height);
  return ComputeTextureCoordinates(width, height);
}

void D3DRawObj1::SetPositions(UINT width, UINT height) {
  Lock lock(m_lock);
  SetPanoramaPositions(&m_vertices, width, height);
}

HRESULT D3DRawObj1::ComputeTextureCoordinates(UINT width, UINT height) {
  Lock lock(m_lock);
  if (width == 0 || height == 0) return E_INVALIDARG;
  if (m_vertices.size() < kPanoramaVertices) return E_UNEXPECTED;
  // Once per grid point: the six vertices of the cells around a point share its coordinate.
  SetPanoramaTextureCoordinates(&m_vertices, width, height);
  m_flag = 1;
  return FillVertexBuffer(m_vertices.size());
}

HRESULT D3DRawObj1::LoadImages(IDirect3DDevice9* device, const D3dxRuntime& d3dx, UINT image1,
                               UINT image2) {
  Lock lock(m_lock);
  HRESULT hr = LoadPngTexture(device, d3dx, image1, &m_image1, &m_sprite1);
  if (SUCCEEDED(hr)) hr = LoadPngTexture(device, d3dx, image2, &m_image2, &m_sprite2);
  return hr;
}

HRESULT D3DRawObj1::DrawFrame(IDirect3DDevice9* device, IDirect3DSurface9* source, UINT width,
                              UINT height, bool dragging, const RECT& dragRect,
                              std::vector<uint8_t>* output, bool copyPreview) {
  Lock lock(m_lock);
  if (!device || !source) return E_POINTER;
  // The grid's positions were written at set-up and never change: nothing to rewrite per frame.
  HRESULT hr = device->StretchRect(source, nullptr, m_renderSurface.get(), nullptr, D3DTEXF_LINEAR);
  if (SUCCEEDED(hr)) {
    hr = device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                       kFrameClearColour, 1.0f, 0);
  }
  if (FAILED(hr)) return hr;
  {
    SceneScope scene(device);
    if (FAILED(scene.began())) return scene.began();
    hr = DrawQuads(device, D3DPT_TRIANGLELIST, kPanoramaTriangles);
    if (SUCCEEDED(hr) && m_readBack == 0) {
      for (const RECT& mask : m_masks) DrawMaskOutline(device, mask);
      if (dragging) hr = DrawMaskOutline(device, dragRect);
    }
    if (SUCCEEDED(hr)) {
      hr = DrawOverlay(device, width, height / kOverlayHeightDivisor, m_image2.get());
    }
    const HRESULT ended = scene.End();
    if (SUCCEEDED(hr)) hr = ended;
  }
  // Read back before Present: a discarded back buffer's contents are undefined afterwards.
  if (SUCCEEDED(hr) && (m_readBack != 0 || copyPreview)) hr = ReadBack(device, width, height, output);
  if (SUCCEEDED(hr)) {
    hr = device->Present(nullptr, m_presentDest ? &*m_presentDest : nullptr, nullptr, nullptr);
  }
  if (FAILED(hr) || m_readBack == 0) return hr;
  for (const RECT& mask : m_masks) MosaicRect(output, width, height, mask);
  if (dragging) MosaicRect(output, width, height, dragRect);
  return S_OK;
}

HRESULT D3DRawObj1::ReadBack(IDirect3DDevice9* device, UINT width, UINT height,
                             std::vector<uint8_t>* output) {
  if (!output) return E_POINTER;
  size_t rowBytes = 0, total = 0;
  if (!CheckedMul<size_t>(width, 4, &rowBytes) || !CheckedMul<size_t>(rowBytes, height, &total)) {
    return E_INVALIDARG;
  }
  D3DSURFACE_DESC desc = {};
  HRESULT hr = m_readSurface ? m_readSurface->GetDesc(&desc) : E_FAIL;
  if (FAILED(hr)) return hr;
  if (desc.Width < width || desc.Height < height) return E_INVALIDARG;
  try {
    output->resize(total);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  ComPtr<IDirect3DSurface9> target;
  hr = device->GetRenderTarget(0, target.put());
  if (SUCCEEDED(hr)) hr = device->GetRenderTargetData(target.get(), m_readSurface.get());
  D3DLOCKED_RECT locked = {};
  if (SUCCEEDED(hr)) hr = m_readSurface->LockRect(&locked, nullptr, D3DLOCK_READONLY);
  if (FAILED(hr)) return hr;
  const uint8_t* bits = static_cast<const uint8_t*>(locked.pBits);
  for (UINT r = 0; r < height; ++r) {
    std::memcpy(output->data() + r * rowBytes,
                bits + static_cast<size_t>(height - 1 - r) * locked.Pitch, rowBytes);
  }
  return m_readSurface->UnlockRect();
}

HRESULT D3DRawObj1::DrawOverlay(IDirect3DDevice9* device, UINT width, UINT height,
                                IDirect3DTexture9* texture) {
  Lock lock(m_lock);
  // Without its picture the overlay would be a white band: leave it out.
  if (!texture) return S_OK;
  HRESULT hr = S_OK;
  if (!m_overlayBuffer) {
    hr = device->CreateVertexBuffer(kOverlayVertices * sizeof(ScreenVertex),
                                    D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, kScreenFvf,
                                    D3DPOOL_DEFAULT, m_overlayBuffer.put(), nullptr);
    if (FAILED(hr)) return hr;
  }
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  const ScreenVertex quad[kOverlayVertices] = {{0, 0, 0, 1, 0xFFFFFFFF, 0, 0},
                                               {w, 0, 0, 1, 0xFFFFFFFF, 1, 0},
                                               {0, h, 0, 1, 0xFFFFFFFF, 0, 1},
                                               {w, h, 0, 1, 0xFFFFFFFF, 1, 1}};
  void* data = nullptr;
  hr = m_overlayBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD);
  if (FAILED(hr)) return hr;
  std::memcpy(data, quad, sizeof(quad));
  m_overlayBuffer->Unlock();
  hr = device->SetTexture(0, texture);
  if (SUCCEEDED(hr)) hr = device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  if (SUCCEEDED(hr)) hr = device->SetFVF(kScreenFvf);
  if (SUCCEEDED(hr)) hr = device->SetStreamSource(0, m_overlayBuffer.get(), 0, sizeof(ScreenVertex));
  if (SUCCEEDED(hr)) hr = device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetTexture(0, nullptr);
  return hr;
}

HRESULT D3DRawObj1::DrawMaskOutline(IDirect3DDevice9* device, const RECT& rect) {
  const auto lines = MaskOutline(rect);
  HRESULT hr = device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  if (SUCCEEDED(hr)) hr = device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  if (SUCCEEDED(hr)) hr = device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  if (SUCCEEDED(hr)) hr = device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  if (SUCCEEDED(hr)) {
    Lock lock(m_lock);
    hr = device->SetFVF(kLineFvf);
    for (int k = 0; k < kOutlinePasses && SUCCEEDED(hr); ++k) {
      hr = device->DrawPrimitiveUP(D3DPT_LINELIST, kLinesPerPass,
                                   &lines[k * kLinesPerPass * 2], sizeof(LineVertex));
    }
  }
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  return hr;
}

void D3DRawObj1::SetMasks(const std::vector<RECT>& masks) {
  Lock lock(m_lock);
  m_masks = masks;
}

std::vector<RECT> D3DRawObj1::masks() {
  Lock lock(m_lock);
  return m_masks;
}

void D3DRawObj1::SetPresentDestination(const std::optional<RECT>& dest) {
  Lock lock(m_lock);
  m_presentDest = dest;
}

void D3DRawObj1::SetReadBack(int readBack) {
  Lock lock(m_lock);
  m_readBack = readBack;
}

}  // namespace playcore
