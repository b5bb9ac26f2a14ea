// The D3DX9 utility library (version 41), loaded at run time: the program imports only Windows
// system DLLs, and a computer without the DirectX end-user runtime must still start and say what is
// missing instead of refusing to load.
#pragma once

#include <windows.h>
#include <d3d9.h>

namespace playcore {

// The library the scene and the converter's picture engine need.
constexpr wchar_t kD3dxLibraryName[] = L"d3dx9_41.dll";

// True when the library can be loaded (it is freed again at once). The start-up check and the
// scene's creation ask this.
bool IsD3dxAvailable(const wchar_t* libraryName = kD3dxLibraryName);

// The entry points used by the program, resolved once from a loaded library that stays loaded as
// long as the object lives.
class D3dxRuntime {
 public:
  using CreateTextureFromFileInMemoryExFn = HRESULT(WINAPI*)(
      IDirect3DDevice9* device, const void* data, UINT size, UINT width, UINT height, UINT mipLevels,
      DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
      void* imageInfo, PALETTEENTRY* palette, IDirect3DTexture9** texture);
  // ID3DXSprite** as an opaque COM object: the picture engine only keeps and releases it.
  using CreateSpriteFn = HRESULT(WINAPI*)(IDirect3DDevice9* device, IUnknown** sprite);

  explicit D3dxRuntime(const wchar_t* libraryName = kD3dxLibraryName);
  ~D3dxRuntime();
  D3dxRuntime(const D3dxRuntime&) = delete;
  D3dxRuntime& operator=(const D3dxRuntime&) = delete;

  // S_OK when the library and every entry point were found; else the failure (the library missing:
  // HRESULT_FROM_WIN32 of the loader's error; an entry point missing: E_NOINTERFACE).
  HRESULT status() const { return status_; }
  CreateTextureFromFileInMemoryExFn CreateTextureFromFileInMemoryEx = nullptr;
  CreateSpriteFn CreateSprite = nullptr;

 private:
  HMODULE module_ = nullptr;
  HRESULT status_ = E_FAIL;
};

}  // namespace playcore
