// The picture services of the DirectShow path: the renderer's current picture as a packed DIB, and a
// bitmap laid over the picture by the video mixing renderer's mixer.
//
// The renderer decides where each comes from: VMR-9 and VMR-7 hand out their current picture through
// their windowless control and mix a bitmap through their mixer-bitmap interface; the graph's own
// video window gives its picture through IBasicVideo2 (size first, then the picture into a buffer of
// that size) and mixes nothing. The calls on the interfaces are passed in as functions, so the
// choices and the buffer handling are tested without a renderer.
//
// Threads: any thread that may use the graph's interfaces (the instance's, under its mutex).
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <dshow.h>
#include <vmr9.h>

#include <functional>

#include "playcore/dshow/graph_session.h"

namespace playcore {
namespace dshow {

struct PictureSources {
  // IVMRWindowlessControl9::GetCurrentImage / IVMRWindowlessControl::GetCurrentImage: a packed DIB
  // allocated by the renderer with CoTaskMemAlloc.
  std::function<HRESULT(BYTE** dib)> vmr9;
  std::function<HRESULT(BYTE** dib)> vmr7;
  // IBasicVideo2::GetCurrentImage(size, buffer): with a null buffer the size the picture needs.
  std::function<HRESULT(long* size, long* buffer)> basicVideo;
};

// The current picture of the renderer `kind` as a packed DIB in CoTaskMemAlloc'd memory (the caller
// frees it) and its size in bytes (the allocation's, so a reader never goes past it).
HRESULT ReadCurrentImage(RendererKind kind, const PictureSources& sources, BYTE** dib, DWORD* size);

// The overlay as the mixers take it: the bitmap selected into `dc` (null clears the overlay), its
// `source` rectangle, black as the colour key, at the normalized rectangle `place` (left, top, right,
// bottom), fully opaque.
struct OverlayBitmap {
  HDC dc = nullptr;
  RECT source = {};
  float place[4] = {};
};

struct MixerTargets {
  // IVMRMixerBitmap9::SetAlphaBitmap and IVMRMixerBitmap::SetAlphaBitmap with the filled record.
  std::function<HRESULT(VMR9AlphaBitmap* bitmap)> vmr9;
  std::function<HRESULT(VMRALPHABITMAP* bitmap)> vmr7;
};

// Hands the overlay to the mixer of the renderer `kind`; E_NOTIMPL for the graph's own video window.
HRESULT SetMixerBitmap(RendererKind kind, const MixerTargets& targets, const OverlayBitmap& overlay);

}  // namespace dshow
}  // namespace playcore
