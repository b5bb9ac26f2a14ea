// MFCreateVideoSampleFromSurface, from evr.dll at its first call (a file of its own: see d3d9_entry.cpp).
#include <mfidl.h>
#include <evr.h>

#include "platform/imports/lazy_library.h"

extern "C" HRESULT WINAPI MFCreateVideoSampleFromSurface(IUnknown* surface, IMFSample** sample) {
  using Fn = HRESULT(WINAPI*)(IUnknown*, IMFSample**);
  const Fn create = quill::imports::EvrLibrary().Find<Fn>("MFCreateVideoSampleFromSurface");
  if (!create) {
    if (sample) *sample = nullptr;
    return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  }
  return create(surface, sample);
}
