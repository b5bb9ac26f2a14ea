// The base of the textured-quad family, and pictures from the program's "PNG" resources.
#include "playcore/scene/raw_obj.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

#include "playcore/bytes/checked.h"

namespace playcore {
namespace {

// D3DX filter constants (documented values): no filtering, and "the default" for the mip filter.
constexpr DWORD kD3dxFilterNone = 1;
constexpr DWORD kD3dxDefault = 0xFFFFFFFF;
constexpr wchar_t kPngResourceType[] = L"PNG";

// The bytes of a "PNG" resource of this program (resources stay mapped while the module lives).
bool FindPngResource(UINT resourceId, const void** data, DWORD* size) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), kPngResourceType);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  *size = SizeofResource(module, found);
  *data = loaded ? LockResource(loaded) : nullptr;
  return *data != nullptr && *size != 0;
}

// A movable global block with a stream over it, both released on scope exit.
class GlobalStream {
 public:
  GlobalStream(const void* data, DWORD size) {
    block_ = GlobalAlloc(GMEM_MOVEABLE, size);
    void* dest = block_ ? GlobalLock(block_) : nullptr;
    if (!dest) return;
    std::memcpy(dest, data, size);
    GlobalUnlock(block_);
    if (FAILED(CreateStreamOnHGlobal(block_, FALSE, stream_.put()))) stream_.reset();
  }
  ~GlobalStream() {
    stream_.reset();
    if (block_) GlobalFree(block_);
  }
  GlobalStream(const GlobalStream&) = delete;
  GlobalStream& operator=(const GlobalStream&) = delete;
  IStream* get() const { return stream_.get(); }

 private:
  HGLOBAL block_ = nullptr;
  ComPtr<IStream> stream_;
};

}  // namespace

D3DRawObj::~D3DRawObj() { D3DRawObj::Release(); }

void D3DRawObj::Release() {
  Lock lock(m_lock);
  m_readSurface.reset();
  m_readTexture.reset();
  m_renderSurface.reset();
  m_renderTexture.reset();
  m_vertexBuffer.reset();
  m_vertexCapacity = 0;
}

HRESULT D3DRawObj::Setup(UINT, UINT) { return S_OK; }

HRESULT D3DRawObj::Create(IDirect3DDevice9* device, UINT width, UINT height, UINT vertexCount) {
  Lock lock(m_lock);
  Release();
  if (!device) return E_POINTER;
  if (width == 0 || height == 0) return E_INVALIDARG;
  UINT bytes = 0;
  if (!CheckedMul<UINT>(vertexCount, sizeof(ScreenVertex), &bytes)) return E_INVALIDARG;
  D3DDISPLAYMODE mode = {};
  HRESULT hr = device->GetDisplayMode(0, &mode);
  if (SUCCEEDED(hr)) {
    hr = device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, mode.Format, D3DPOOL_DEFAULT,
                               m_renderTexture.put(), nullptr);
  }
  if (SUCCEEDED(hr)) hr = m_renderTexture->GetSurfaceLevel(0, m_renderSurface.put());
  if (SUCCEEDED(hr)) {
    hr = device->CreateTexture(width, height, 1, D3DUSAGE_DYNAMIC, mode.Format, D3DPOOL_SYSTEMMEM,
                               m_readTexture.put(), nullptr);
  }
  if (SUCCEEDED(hr)) hr = m_readTexture->GetSurfaceLevel(0, m_readSurface.put());
  if (SUCCEEDED(hr)) {
    hr = device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, kScreenFvf, D3DPOOL_DEFAULT,
                                    m_vertexBuffer.put(), nullptr);
  }
  if (FAILED(hr)) return hr;
  m_vertexCapacity = vertexCount;
  return Setup(width, height);
}

HRESULT D3DRawObj::FillVertexBuffer(size_t count) {
  Lock lock(m_lock);
  if (!m_vertexBuffer) return E_FAIL;
  if (count > m_vertices.size() || count > m_vertexCapacity) return E_INVALIDARG;
  void* data = nullptr;
  const HRESULT hr = m_vertexBuffer->Lock(0, 0, &data, 0);
  if (FAILED(hr)) return hr;
  std::memcpy(data, m_vertices.data(), count * sizeof(ScreenVertex));
  return m_vertexBuffer->Unlock();
}

HRESULT D3DRawObj::DrawQuads(IDirect3DDevice9* device, D3DPRIMITIVETYPE type,
                             UINT primitiveCount) {
  Lock lock(m_lock);
  HRESULT hr = device->SetFVF(kScreenFvf);
  if (SUCCEEDED(hr)) hr = device->SetTexture(0, m_renderTexture.get());
  if (SUCCEEDED(hr)) hr = device->SetStreamSource(0, m_vertexBuffer.get(), 0, sizeof(ScreenVertex));
  if (SUCCEEDED(hr)) hr = device->DrawPrimitive(type, 0, primitiveCount);
  // Unbound in every case, so the frame texture is never left on the device.
  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetTexture(0, nullptr);
  return hr;
}

bool PngResourceSize(UINT resourceId, UINT* width, UINT* height) {
  const void* data = nullptr;
  DWORD size = 0;
  if (!FindPngResource(resourceId, &data, &size)) return false;
  GlobalStream stream(data, size);
  if (!stream.get()) return false;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromStream(stream.get(), &bitmap) != Gdiplus::Ok ||
      !bitmap) {
    return false;
  }
  const bool ok = Gdiplus::DllExports::GdipGetImageWidth(bitmap, width) == Gdiplus::Ok &&
                  Gdiplus::DllExports::GdipGetImageHeight(bitmap, height) == Gdiplus::Ok;
  Gdiplus::DllExports::GdipDisposeImage(bitmap);
  return ok && *width != 0 && *height != 0;
}

HRESULT LoadPngTexture(IDirect3DDevice9* device, const D3dxRuntime& d3dx, UINT resourceId,
                       ComPtr<IDirect3DTexture9>* texture, ComPtr<IUnknown>* sprite) {
  if (FAILED(d3dx.status())) return d3dx.status();
  UINT width = 0, height = 0;
  // A missing or undecodable picture fails here, before any size is used.
  if (!PngResourceSize(resourceId, &width, &height)) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
  const void* data = nullptr;
  DWORD size = 0;
  if (!FindPngResource(resourceId, &data, &size)) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
  HRESULT hr = d3dx.CreateTextureFromFileInMemoryEx(
      device, data, size, width, height, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, kD3dxFilterNone,
      kD3dxDefault, 0, nullptr, nullptr, texture->put());
  if (SUCCEEDED(hr)) hr = d3dx.CreateSprite(device, sprite->put());
  return hr;
}

}  // namespace playcore
