// Run-time loading of D3DX9 (version 41).
#include "playcore/scene/d3dx_runtime.h"

#include "platform/imports/system_library.h"

namespace playcore {
namespace {

template <class Fn>
Fn Resolve(HMODULE module, const char* name) {
  // GetProcAddress hands back a generic function pointer; the signature is the documented one.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

bool IsD3dxAvailable(const wchar_t* libraryName) {
  HMODULE module = quill::imports::LoadSystemLibrary(libraryName);
  if (!module) return false;
  FreeLibrary(module);
  return true;
}

D3dxRuntime::D3dxRuntime(const wchar_t* libraryName) {
  module_ = quill::imports::LoadSystemLibrary(libraryName);
  if (!module_) {
    const DWORD error = GetLastError();
    status_ = error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    return;
  }
  CreateTextureFromFileInMemoryEx =
      Resolve<CreateTextureFromFileInMemoryExFn>(module_, "D3DXCreateTextureFromFileInMemoryEx");
  CreateSprite = Resolve<CreateSpriteFn>(module_, "D3DXCreateSprite");
  status_ = (CreateTextureFromFileInMemoryEx && CreateSprite) ? S_OK : E_NOINTERFACE;
}

D3dxRuntime::~D3dxRuntime() {
  if (module_) FreeLibrary(module_);
}

}  // namespace playcore
