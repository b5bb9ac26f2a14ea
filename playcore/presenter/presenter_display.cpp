// IMFVideoDisplayControl: the picture's size, rectangles, window, repaint and snapshot.
#include "playcore/presenter/evr_presenter.h"

#include <mferror.h>

#include "playcore/bytes/checked.h"

namespace playcore {

using quill::com::ScopedLock;

namespace {

DWORD Gcd(DWORD a, DWORD b) {
  while (b != 0) {
    const DWORD t = a % b;
    a = b;
    b = t;
  }
  return a;
}

bool IsValidSource(const MFVideoNormalizedRect& r) {
  return r.left <= r.right && r.top <= r.bottom && r.left >= 0.0f && r.right <= 1.0f &&
         r.top >= 0.0f && r.bottom <= 1.0f;
}

// Bytes the snapshot buffer is given per pixel (32-bit pixels with room to spare).
constexpr UINT32 kSnapshotBytesPerPixel = 8;
constexpr UINT32 kDibBytesPerPixel = 4;

}  // namespace

STDMETHODIMP EVRCustomPresenter::GetNativeVideoSize(SIZE* size, SIZE* aspect) {
  // Either pointer may be null; before a media type both sizes are 0 and so is the ratio.
  const DWORD w = frameWidth_;
  const DWORD h = frameHeight_;
  if (size) *size = {static_cast<LONG>(w), static_cast<LONG>(h)};
  if (aspect) {
    const DWORD g = Gcd(w, h);
    *aspect = g == 0 ? SIZE{0, 0} : SIZE{static_cast<LONG>(w / g), static_cast<LONG>(h / g)};
  }
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::GetIdealVideoSize(SIZE*, SIZE*) { return E_NOTIMPL; }

STDMETHODIMP EVRCustomPresenter::SetVideoPosition(const MFVideoNormalizedRect* source,
                                                  const LPRECT dest) {
  // Called on the UI thread, which holds none of the EVR's locks: the renegotiation for a new
  // destination and its repaint ask the mixer with the presenter lock let go.
  bool renegotiate = false;
  quill::com::ComPtr<IMFTransform> zoomed;  // the mixer given the new source rectangle
  {
    ScopedLock lock(lock_);
    if (!source && !dest) return E_POINTER;
    if (source && !IsValidSource(*source)) return E_INVALIDARG;
    if (dest && (dest->left > dest->right || dest->top > dest->bottom)) return E_INVALIDARG;
    if (source) {
      sourceRect_ = *source;
      zoomed = mixer_.Copy();
    }
    if (dest && engine_) {
      const RECT old = engine_->destinationRect();
      if (!EqualRect(&old, dest)) {
        engine_->SetDestinationRect(*dest);
        renegotiate = static_cast<bool>(mixer_);
      }
    }
  }
  if (zoomed) {
    const HRESULT hr = SetMixerSourceRect(zoomed.get(), *source);
    if (FAILED(hr)) return hr;
  }
  if (!renegotiate) return S_OK;
  HRESULT hr = RenegotiateUnlocked();
  if (hr == MF_E_TRANSFORM_TYPE_NOT_SET) hr = S_OK;
  if (FAILED(hr)) return hr;
  OutputPull pull;
  bool pass = false;
  {
    ScopedLock lock(lock_);
    repaint_ = true;
    if (engine_) engine_->ResetFrameCounter();
    pass = BeginUnlockedPass(&pull);
  }
  if (pass) FinishUnlockedPass(&pull);
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::GetVideoPosition(MFVideoNormalizedRect* source, RECT* dest) {
  ScopedLock lock(lock_);
  if (!source || !dest) return E_POINTER;
  *source = sourceRect_;
  *dest = engine_ ? engine_->destinationRect() : RECT{};
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::SetAspectRatioMode(DWORD mode) {
  aspectRatioMode_ = mode;
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::GetAspectRatioMode(DWORD* mode) {
  if (!mode) return E_POINTER;
  *mode = aspectRatioMode_;
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::SetVideoWindow(HWND window) {
  ScopedLock lock(lock_);
  if (!IsWindow(window)) return E_INVALIDARG;
  if (!engine_) return MF_E_NOT_INITIALIZED;
  HRESULT hr = S_OK;
  if (window != engine_->videoWindow()) {
    videoWindow_ = window;
    engine_->SetVideoWindow(window);
    hr = engine_->CreateD3DDevice();
    NotifyEvent(kEcDisplayChanged, 0, 0);
  }
  return hr;
}

STDMETHODIMP EVRCustomPresenter::GetVideoWindow(HWND* window) {
  if (!window) return E_POINTER;
  ScopedLock lock(lock_);
  *window = engine_ ? engine_->videoWindow() : nullptr;
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::RepaintVideo() {
  // Called on the UI thread (after a seek, on a resize): the mixer is asked without the presenter lock.
  OutputPull pull;
  {
    ScopedLock lock(lock_);
    if (IsShutdown()) return MF_E_SHUTDOWN;
    if (!prerolled_ || !engine_) return S_OK;
    repaint_ = true;
    singleFrame_ = !scheduler_.IsRunning();
    hold_ = false;
    engine_->ResetFrameCounter();
    if (!BeginUnlockedPass(&pull)) return S_OK;
  }
  FinishUnlockedPass(&pull);
  return S_OK;
}

HRESULT EVRCustomPresenter::DrawAhead(HWND offscreen) {
  {
    ScopedLock lock(lock_);
    if (!engine_ || !mediaType_) return S_FALSE;
  }
  // Drawn under the engine lock only: the present and the wait for the device hold no presenter lock.
  return engine_->DrawAhead(offscreen);
}

STDMETHODIMP EVRCustomPresenter::GetCurrentImage(BITMAPINFOHEADER* header, BYTE** dib,
                                                 DWORD* dibSize, LONGLONG* timeStamp) {
  if (!dib) return E_POINTER;
  *dib = nullptr;
  if (!engine_) return MF_E_NOT_INITIALIZED;
  RECT window = {};
  if (!videoWindow_ || !GetWindowRect(videoWindow_, &window)) return MF_E_INVALIDREQUEST;
  const LONG w = window.right - window.left;
  const LONG h = window.bottom - window.top;
  // An empty (minimised) window has no picture to give.
  if (w <= 0 || h <= 0) return E_FAIL;
  UINT32 pixels = 0;
  UINT32 bytes = 0;
  if (!CheckedMul<UINT32>(static_cast<UINT32>(w), static_cast<UINT32>(h), &pixels) ||
      !CheckedMul<UINT32>(pixels, kSnapshotBytesPerPixel, &bytes)) {
    return E_OUTOFMEMORY;
  }
  auto* buffer = static_cast<BYTE*>(CoTaskMemAlloc(bytes));
  if (!buffer) return E_OUTOFMEMORY;
  ZeroMemory(buffer, bytes);
  const HRESULT hr = engine_->CaptureImage(w, h, buffer);
  if (FAILED(hr)) {
    CoTaskMemFree(buffer);
    return hr;
  }
  *dib = buffer;
  if (header) {
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = w;
    header->biHeight = h;
    header->biPlanes = 1;
    header->biBitCount = 32;
    header->biCompression = BI_RGB;
    header->biSizeImage = pixels * kDibBytesPerPixel;
  }
  if (dibSize) *dibSize = pixels * kDibBytesPerPixel;
  if (timeStamp) *timeStamp = scheduler_.lastSampleTime();
  return S_OK;
}

STDMETHODIMP EVRCustomPresenter::SetBorderColor(COLORREF) { return E_NOTIMPL; }
STDMETHODIMP EVRCustomPresenter::GetBorderColor(COLORREF*) { return E_NOTIMPL; }
STDMETHODIMP EVRCustomPresenter::SetRenderingPrefs(DWORD) { return E_NOTIMPL; }
STDMETHODIMP EVRCustomPresenter::GetRenderingPrefs(DWORD*) { return E_NOTIMPL; }
STDMETHODIMP EVRCustomPresenter::SetFullscreen(BOOL) { return E_NOTIMPL; }
STDMETHODIMP EVRCustomPresenter::GetFullscreen(BOOL*) { return E_NOTIMPL; }

}  // namespace playcore
