// The flat view of a video pane (view mode 5): the frame on one screen-space quad.
#include "playcore/scene/raw_obj.h"

#include "playcore/scene/scene_device.h"

namespace playcore {

HRESULT D3DRawObj2::Setup(UINT width, UINT height) {
  Lock lock(m_lock);
  const auto quad = FlatQuad(static_cast<float>(width), static_cast<float>(height), m_flag != 0);
  m_vertices.assign(quad.begin(), quad.end());
  // The quad is unplaced again: the next draw places it, even at the destination it had before.
  m_destRect = {};
  m_clientRect = {};
  m_width = 0;
  m_height = 0;
  return FillVertexBuffer(kQuadVertices);
}

HRESULT D3DRawObj2::Draw(IDirect3DDevice9* device, IDirect3DSurface9* source, HWND window,
                         const RECT& dest, UINT width, UINT height, bool present) {
  const HRESULT hr = DrawLocked(device, source, window, dest, width, height);
  if (FAILED(hr) || !present) return hr;
  return device->Present(nullptr, nullptr, nullptr, nullptr);
}

HRESULT D3DRawObj2::DrawLocked(IDirect3DDevice9* device, IDirect3DSurface9* source, HWND window,
                               const RECT& dest, UINT width, UINT height) {
  Lock lock(m_lock);
  if (!device || !source) return E_POINTER;
  if (m_vertices.size() < kQuadVertices) return E_UNEXPECTED;
  // The quad's place depends on the client area as much as on the destination: a window resized
  // while its destination stays (a pane laid out again only after its resize) places it anew.
  RECT client = {};
  GetClientRect(window, &client);
  if (!EqualRect(&dest, &m_destRect) || !EqualRect(&client, &m_clientRect) || width != m_width ||
      height != m_height) {
    PlaceQuad(m_vertices.data(), dest, client, width, height);
    const HRESULT hr = FillVertexBuffer(kQuadVertices);
    if (FAILED(hr)) return hr;
    m_destRect = dest;
    m_clientRect = client;
    m_width = width;
    m_height = height;
  }
  HRESULT hr = device->StretchRect(source, nullptr, m_renderSurface.get(), nullptr, D3DTEXF_LINEAR);
  if (SUCCEEDED(hr)) {
    hr = device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                       kFrameClearColour, 1.0f, 0);
  }
  if (FAILED(hr)) return hr;
  {
    SceneScope scene(device);
    if (FAILED(scene.began())) return scene.began();
    hr = DrawQuads(device, D3DPT_TRIANGLESTRIP, 2);
    const HRESULT ended = scene.End();
    if (FAILED(hr)) return hr;
    if (FAILED(ended)) return ended;
  }
  return S_OK;
}

bool D3DRawObj2::ToggleMirror() {
  Lock lock(m_lock);
  m_flag = m_flag ? 0 : 1;
  if (m_vertices.size() >= kQuadVertices) {
    SetQuadMirror(m_vertices.data(), m_flag != 0);
    FillVertexBuffer(kQuadVertices);
  }
  return m_flag != 0;
}

void D3DRawObj2::SetViewMode(int mode) {
  Lock lock(m_lock);
  m_viewMode = mode;
}

int D3DRawObj2::viewMode() {
  Lock lock(m_lock);
  return m_viewMode;
}

bool D3DRawObj2::mirrored() {
  Lock lock(m_lock);
  return m_flag != 0;
}

}  // namespace playcore
