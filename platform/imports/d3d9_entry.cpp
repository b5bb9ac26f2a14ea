// Direct3DCreate9, from d3d9.dll at its first call. In a file of its own, so that a program that links
// the system's import library as well takes one definition or the other, never both.
#include <d3d9.h>

#include "platform/imports/lazy_library.h"

extern "C" IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
  using Fn = IDirect3D9*(WINAPI*)(UINT);
  const Fn create = quill::imports::Direct3D9Library().Find<Fn>("Direct3DCreate9");
  // Without the library the call fails as the system's does: no object.
  return create ? create(sdkVersion) : nullptr;
}
