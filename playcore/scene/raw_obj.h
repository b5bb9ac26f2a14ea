// The textured-quad family: a video frame drawn as pre-transformed (screen-space) triangles, without
// a camera.
//   D3DRawObj   the base: a render-target texture that receives the frame, a system-memory texture
//               of the same size for reading pictures back, one vertex buffer and its vertices.
//   D3DRawObj2  the flat view of a video pane (view mode 5): one quad, optionally mirrored.
//   D3DRawObj1  the converter's picture engine: a 960 x 480 grid that unrolls the fisheye picture
//               into a panorama, an image over the top third, the user's masks as red outlines in
//               the preview and as mosaic in converted frames, and the read-back of each frame.
//
// Threads: D3DRawObj2 is created by the presenter's threads, drawn by the scheduler thread and
// mirrored by the UI thread; D3DRawObj1 is used by the converter's worker and the conversion
// dialog's preview. Every operation that touches the vertices or the Direct3D objects holds the
// object lock; it is the innermost lock (nothing is called out under it).
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "playcore/scene/com_ptr.h"
#include "playcore/scene/d3dx_runtime.h"
#include "playcore/scene/raw_geometry.h"

namespace playcore {

constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kLineFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
constexpr D3DCOLOR kFrameClearColour = 0xFF000000;

class D3DRawObj {
 public:
  D3DRawObj() = default;
  D3DRawObj(const D3DRawObj&) = delete;
  D3DRawObj& operator=(const D3DRawObj&) = delete;
  virtual void Release();
  virtual HRESULT Setup(UINT width, UINT height);
  virtual ~D3DRawObj();

  // Both textures (width x height, the display's format) and a vertex buffer of vertexCount
  // vertices, then Setup; each step only after the previous one succeeded.
  HRESULT Create(IDirect3DDevice9* device, UINT width, UINT height, UINT vertexCount);
  // Copies the first `count` vertices into the vertex buffer (E_FAIL without one).
  HRESULT FillVertexBuffer(size_t count);
  // Draws the vertex buffer textured with the frame.
  HRESULT DrawQuads(IDirect3DDevice9* device, D3DPRIMITIVETYPE type, UINT primitiveCount);

  CriticalSection& lock() { return m_lock; }
  const std::vector<ScreenVertex>& vertices() const { return m_vertices; }

 protected:
  ComPtr<IDirect3DVertexBuffer9> m_vertexBuffer;
  UINT m_vertexCapacity = 0;
  ComPtr<IDirect3DTexture9> m_renderTexture;
  ComPtr<IDirect3DSurface9> m_renderSurface;
  ComPtr<IDirect3DTexture9> m_readTexture;
  ComPtr<IDirect3DSurface9> m_readSurface;
  int m_flag = 0;
  std::vector<ScreenVertex> m_vertices;
  CriticalSection m_lock;
};

// Loads a "PNG" resource of this program as a texture (and a sprite for it) through the D3DX
// library; fails cleanly when the resource is missing or not a picture.
HRESULT LoadPngTexture(IDirect3DDevice9* device, const D3dxRuntime& d3dx, UINT resourceId,
                       ComPtr<IDirect3DTexture9>* texture, ComPtr<IUnknown>* sprite);
// The pixel size of a "PNG" resource through GDI+ (which must be started); false when missing.
bool PngResourceSize(UINT resourceId, UINT* width, UINT* height);

class D3DRawObj2 : public D3DRawObj {
 public:
  HRESULT Setup(UINT width, UINT height) override;
  // Copies the frame, places the quad at `dest` (client pixels of `window`) on a width x height
  // target, draws and presents (`present` false: the caller presents, without the object's lock).
  HRESULT Draw(IDirect3DDevice9* device, IDirect3DSurface9* source, HWND window, const RECT& dest,
               UINT width, UINT height, bool present = true);
  // Mirrors the quad left to right or back; returns the new flag.
  bool ToggleMirror();
  void SetViewMode(int mode);
  int viewMode();
  bool mirrored();

 private:
  HRESULT DrawLocked(IDirect3DDevice9* device, IDirect3DSurface9* source, HWND window,
                     const RECT& dest, UINT width, UINT height);

  int m_viewMode = 0;
  RECT m_destRect = {};
  RECT m_clientRect = {};  // the window's client area the quad was placed in
  UINT m_width = 0;
  UINT m_height = 0;
};

class D3DRawObj1 : public D3DRawObj {
 public:
  D3DRawObj1();
  void Release() override;
  HRESULT Setup(UINT width, UINT height) override;
  void SetPositions(UINT width, UINT height);
  HRESULT ComputeTextureCoordinates(UINT width, UINT height);
  // Loads the two overlay pictures; image 2 is drawn over the top third of every frame.
  HRESULT LoadImages(IDirect3DDevice9* device, const D3dxRuntime& d3dx, UINT image1, UINT image2);

  // One converted (or preview) frame from `source`: panorama, masks, overlay, present; in
  // conversion the frame is read back bottom-up into `output` and the masks become mosaic. In
  // preview `copyPreview` reads the presented frame (outlines and overlay included) into `output`.
  HRESULT DrawFrame(IDirect3DDevice9* device, IDirect3DSurface9* source, UINT width, UINT height,
                    bool dragging, const RECT& dragRect, std::vector<uint8_t>* output,
                    bool copyPreview = false);
  // The window area frames are presented into (client pixels); none: the whole client area.
  void SetPresentDestination(const std::optional<RECT>& dest);
  HRESULT DrawOverlay(IDirect3DDevice9* device, UINT width, UINT height,
                      IDirect3DTexture9* texture);
  HRESULT DrawMaskOutline(IDirect3DDevice9* device, const RECT& rect);

  void SetMasks(const std::vector<RECT>& masks);
  std::vector<RECT> masks();
  // 0: preview (the frame is only presented); 1: conversion (read back, masks as mosaic).
  void SetReadBack(int readBack);

 private:
  HRESULT ReadBack(IDirect3DDevice9* device, UINT width, UINT height, std::vector<uint8_t>* output);

  ComPtr<IDirect3DVertexBuffer9> m_overlayBuffer;
  ComPtr<IDirect3DTexture9> m_image1;
  ComPtr<IUnknown> m_sprite1;
  ComPtr<IDirect3DTexture9> m_image2;
  ComPtr<IUnknown> m_sprite2;
  std::vector<RECT> m_masks;
  int m_readBack = 0;
  std::optional<RECT> m_presentDest;
};

}  // namespace playcore
