#include "playcore/presenter/direct3d_objects.h"

#include "platform/imports/lazy_library.h"
#include "playcore/presenter/wine_host.h"

namespace playcore {

namespace {

constexpr UINT kD3dSdkVersion = 32;  // D3D_SDK_VERSION of the Direct3D 9 headers
using Direct3DCreate9ExFn = HRESULT(WINAPI*)(UINT, IDirect3D9Ex**);

}  // namespace

bool UseExtendedDirect3D(DWORD major, DWORD minor) { return major > 6 || (major == 6 && minor > 0); }

Direct3DObjects MakeDirect3D(bool extended) {
  Direct3DObjects made;
  if (extended) {
    // d3d9.dll is loaded at its first use and stays loaded while the program runs: the objects made
    // here call into it until they are released.
    auto create = quill::imports::Direct3D9Library().Find<Direct3DCreate9ExFn>("Direct3DCreate9Ex");
    // A failure leaves the plain object to be made below.
    if (create) create(kD3dSdkVersion, made.extended.put());
  }
  if (made.extended) {
    made.extended.As(&made.plain);
  } else {
    made.plain = quill::com::ComPtr<IDirect3D9>(Direct3DCreate9(kD3dSdkVersion));
  }
  return made;
}

Direct3DObjects Direct3DCache::Get(bool extended) {
  Direct3DObjects& kept = kept_[extended ? 1 : 0];
  AcquireSRWLockExclusive(&lock_);
  if (!kept.plain) kept = make_(extended);
  Direct3DObjects copy{kept.extended.Copy(), kept.plain.Copy()};
  ReleaseSRWLockExclusive(&lock_);
  return copy;
}

Direct3DCache& ProcessDirect3D() {
  static Direct3DCache* const cache = new Direct3DCache(&MakeDirect3D);
  return *cache;
}

Direct3DObjects Direct3DForEngine(bool extended) {
  return RunningOnWine() ? ProcessDirect3D().Get(extended) : MakeDirect3D(extended);
}

bool SystemUsesExtendedDirect3D() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL haveVersion = GetVersionExW(&version);
#pragma GCC diagnostic pop
  return haveVersion && UseExtendedDirect3D(version.dwMajorVersion, version.dwMinorVersion);
}

bool PrepareDirect3DForEngines() {
  if (!RunningOnWine()) return false;
  return static_cast<bool>(ProcessDirect3D().Get(SystemUsesExtendedDirect3D()).plain);
}

}  // namespace playcore
