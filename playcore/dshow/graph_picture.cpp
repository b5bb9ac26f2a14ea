#include "playcore/dshow/graph_picture.h"

#include <objbase.h>

namespace playcore {
namespace dshow {

namespace {

constexpr COLORREF kOverlayKey = RGB(0, 0, 0);  // black: the overlay's background, left out
constexpr float kOverlayOpaque = 1.0f;
// IBasicVideo2 hands out at most this much (a 32-bit picture of 8192 x 8192 and its header).
constexpr long kLargestPicture = 8192L * 8192L * 4L + 1024L;

// The size of a CoTaskMemAlloc'd block; 0 when it cannot be told.
DWORD AllocationSize(void* block) {
  IMalloc* malloc = nullptr;
  if (!block || FAILED(CoGetMalloc(1, &malloc)) || !malloc) return 0;
  const SIZE_T size = malloc->GetSize(block);
  malloc->Release();
  return size == static_cast<SIZE_T>(-1) ? 0 : static_cast<DWORD>(size);
}

HRESULT FromRenderer(const std::function<HRESULT(BYTE**)>& get, BYTE** dib, DWORD* size) {
  if (!get) return E_NOINTERFACE;
  BYTE* picture = nullptr;
  const HRESULT hr = get(&picture);
  if (FAILED(hr)) {
    if (picture) CoTaskMemFree(picture);
    return hr;
  }
  const DWORD bytes = AllocationSize(picture);
  if (!picture || bytes == 0) {
    if (picture) CoTaskMemFree(picture);
    return E_UNEXPECTED;
  }
  *dib = picture;
  *size = bytes;
  return S_OK;
}

HRESULT FromBasicVideo(const std::function<HRESULT(long*, long*)>& get, BYTE** dib, DWORD* size) {
  if (!get) return E_NOINTERFACE;
  long need = 0;
  HRESULT hr = get(&need, nullptr);
  if (FAILED(hr)) return hr;
  if (need <= 0 || need > kLargestPicture) return E_UNEXPECTED;
  auto* buffer = static_cast<BYTE*>(CoTaskMemAlloc(static_cast<SIZE_T>(need)));
  if (!buffer) return E_OUTOFMEMORY;
  long filled = need;
  hr = get(&filled, reinterpret_cast<long*>(buffer));
  // The picture must fit the buffer it was given (it may have grown between the two calls).
  if (FAILED(hr) || filled <= 0 || filled > need) {
    CoTaskMemFree(buffer);
    return FAILED(hr) ? hr : E_UNEXPECTED;
  }
  *dib = buffer;
  *size = static_cast<DWORD>(filled);
  return S_OK;
}

}  // namespace

HRESULT ReadCurrentImage(RendererKind kind, const PictureSources& sources, BYTE** dib, DWORD* size) {
  if (!dib || !size) return E_POINTER;
  *dib = nullptr;
  *size = 0;
  switch (kind) {
    case kRendererVmr9:
      return FromRenderer(sources.vmr9, dib, size);
    case kRendererVmr7:
      return FromRenderer(sources.vmr7, dib, size);
    case kRendererVideoWindow:
      return FromBasicVideo(sources.basicVideo, dib, size);
    default:
      return E_NOINTERFACE;
  }
}

HRESULT SetMixerBitmap(RendererKind kind, const MixerTargets& targets, const OverlayBitmap& overlay) {
  const NORMALIZEDRECT place = {overlay.place[0], overlay.place[1], overlay.place[2], overlay.place[3]};
  if (kind == kRendererVmr9) {
    if (!targets.vmr9) return E_NOINTERFACE;
    VMR9AlphaBitmap bitmap = {};
    bitmap.dwFlags = overlay.dc ? static_cast<DWORD>(VMR9AlphaBitmap_hDC | VMR9AlphaBitmap_SrcColorKey)
                                 : static_cast<DWORD>(VMR9AlphaBitmap_Disable);
    bitmap.hdc = overlay.dc;
    bitmap.rSrc = overlay.source;
    bitmap.rDest = {place.left, place.top, place.right, place.bottom};
    bitmap.fAlpha = kOverlayOpaque;
    bitmap.clrSrcKey = kOverlayKey;
    return targets.vmr9(&bitmap);
  }
  if (kind == kRendererVmr7) {
    if (!targets.vmr7) return E_NOINTERFACE;
    VMRALPHABITMAP bitmap = {};
    bitmap.dwFlags = overlay.dc ? VMRBITMAP_HDC | VMRBITMAP_SRCCOLORKEY : VMRBITMAP_DISABLE;
    bitmap.hdc = overlay.dc;
    bitmap.rSrc = overlay.source;
    bitmap.rDest = place;
    bitmap.fAlpha = kOverlayOpaque;
    bitmap.clrSrcKey = kOverlayKey;
    return targets.vmr7(&bitmap);
  }
  return E_NOTIMPL;  // the graph's own video window shows no overlay
}

}  // namespace dshow
}  // namespace playcore
