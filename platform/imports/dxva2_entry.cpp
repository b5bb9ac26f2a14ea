// DXVA2CreateDirect3DDeviceManager9, from dxva2.dll at its first call (a file of its own: see
// d3d9_entry.cpp).
#include <d3d9.h>
#include <dxva2api.h>

#include "platform/imports/lazy_library.h"

extern "C" HRESULT WINAPI DXVA2CreateDirect3DDeviceManager9(UINT* resetToken, IDirect3DDeviceManager9** manager) {
  using Fn = HRESULT(WINAPI*)(UINT*, IDirect3DDeviceManager9**);
  const Fn create = quill::imports::Dxva2Library().Find<Fn>("DXVA2CreateDirect3DDeviceManager9");
  if (!create) {
    if (manager) *manager = nullptr;
    return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  }
  return create(resetToken, manager);
}
