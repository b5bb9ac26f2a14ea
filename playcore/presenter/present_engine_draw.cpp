// The present engine's per-frame work: presenting a sample through the renderer, the device check
// before a delivery, painting black, the snapshot, and the small accessors.
#include "playcore/presenter/present_engine.h"

#include <mfapi.h>
#include <mferror.h>

#include "playcore/presenter/present_hold.h"
#include "playcore/presenter/wine_host.h"

namespace playcore {

using quill::com::ComPtr;
using quill::com::ScopedLock;

namespace {

// How long a drawing ahead waits for its frame to be drawn (a bound against a stuck device only).
constexpr DWORD kDrawAheadWaitMs = 5000;

bool IsDeviceGone(HRESULT hr) {
  return hr == D3DERR_DEVICELOST || hr == D3DERR_DEVICENOTRESET || hr == D3DERR_DEVICEHUNG;
}

HRESULT SurfaceOfSample(IMFSample* sample, ComPtr<IDirect3DSurface9>* surface) {
  ComPtr<IMFMediaBuffer> buffer;
  HRESULT hr = sample->GetBufferByIndex(0, buffer.put());
  if (SUCCEEDED(hr)) {
    hr = MFGetService(buffer.get(), MR_BUFFER_SERVICE, __uuidof(IDirect3DSurface9),
                      surface->putVoid());
  }
  return hr;
}

}  // namespace

HRESULT D3DPresentEngine::PresentSample(IMFSample* sample, LONGLONG) {
  // Drawn under the engine lock, presented after it is let go: a present can wait for the video
  // window's thread, and that thread may be waiting for the engine lock (a position change, a repaint).
  PendingPresent pending;
  ComPtr<IDirect3DDevice9> presentDevice;
  HWND window = nullptr;
  RECT dest = {};
  HRESULT hr = S_OK;
  {
    ScopedLock lock(lock_);
    ComPtr<IDirect3DSurface9> surface;
    if (sample) {
      // A sample without a surface has nothing to show: it is dropped, and the scheduler goes on.
      if (FAILED(SurfaceOfSample(sample, &surface))) return S_OK;
      keptDest_ = dest_;  // what the mixer made this frame for (the snapshot checks it)
    } else {
      if (!keptSurface_) return S_OK;
      surface = keptSurface_.Copy();
    }
    ComPtr<IDirect3DSwapChain9> swapChain;
    if (device_ && SUCCEEDED(surface->GetContainer(__uuidof(IDirect3DSwapChain9),
                                                   swapChain.putVoid()))) {
      // The first frame is drawn and after it every n-th (n = the frame divisor).
      const bool draw = frameCounter_ == 0 || frameCounter_ >= frameDivisor_;
      ++frameCounter_;
      if (draw) {
        frameCounter_ = 1;
        FrameTarget target = {device_.get(), window_, dest_, width_, height_, mode_};
        target.present = &pending;
        if (renderer_) hr = renderer_->Draw(target, sample, surface.get());
        if (SUCCEEDED(hr) && pending.wanted) {
          presentDevice = device_.Copy();
          window = window_;
          dest = dest_;
        }
      }
    }
    keptSurface_ = std::move(surface);
  }
  if (presentDevice) {
    const PresentPass pass(this);  // left out while the windows are being resized (see PresentHold)
    const bool hasDest = pending.intoDest && dest.right > dest.left && dest.bottom > dest.top;
    if (pass.open()) {
      hr = PresentDevice(presentDevice.get(), hasDest ? &dest : nullptr, pending.intoDest ? window : nullptr);
    }
  }
  // A lost device only blacks the picture out; the delivery's device check restores it.
  if (IsDeviceGone(hr)) {
    ScopedLock lock(lock_);
    PaintBlack();
  }
  return S_OK;
}

HRESULT D3DPresentEngine::DrawAhead(HWND offscreen) {
  ComPtr<IDirect3DDevice9> presentDevice;
  PendingPresent pending;
  HRESULT hr = S_OK;
  {
    ScopedLock lock(lock_);
    if (!device_ || !renderer_ || format_ == D3DFMT_UNKNOWN || width_ == 0 || height_ == 0) return S_FALSE;
    if (!offscreen || offscreen == window_) return S_FALSE;
    // A frame of its own, made as the samples are (a black back buffer of a swap chain of theirs):
    // the drawing copies from it exactly as from a video sample.
    D3DPRESENT_PARAMETERS sampleParams = params_;
    sampleParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
    SampleList scratch;
    hr = CreateOneSample(sampleParams, scratch);
    ComPtr<IMFSample> sample;
    if (SUCCEEDED(hr)) hr = scratch.GetFront(sample.put());
    ComPtr<IDirect3DSurface9> surface;
    if (SUCCEEDED(hr)) hr = SurfaceOfSample(sample.get(), &surface);
    if (FAILED(hr)) return hr;
    if (mode_ == kEngineModeFlat) {
      // The flat view's frame is copied onto the back buffer, which warms the present; its own quad
      // drawn here, off the window's thread before the take-over, made Wine's Direct3D command
      // thread copy into a null pointer (in the window layout tests; not traced further).
      ComPtr<IDirect3DSurface9> backBuffer;
      hr = device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.put());
      if (SUCCEEDED(hr)) hr = device_->StretchRect(surface.get(), nullptr, backBuffer.get(), nullptr, D3DTEXF_LINEAR);
      pending.wanted = SUCCEEDED(hr);
    } else {
      FrameTarget target = {device_.get(), window_, dest_, width_, height_, mode_};
      target.present = &pending;  // drawn here, presented below into the other window only
      hr = renderer_->Draw(target, sample.get(), surface.get());
    }
    if (SUCCEEDED(hr) && pending.wanted) presentDevice = device_.Copy();
  }
  if (presentDevice) {
    const PresentPass pass(this);  // not while the windows are being resized
    if (pass.open()) hr = PresentDevice(presentDevice.get(), nullptr, offscreen);
  }
  WaitForDrawnFrames(kDrawAheadWaitMs);
  return FAILED(hr) ? hr : S_OK;
}

bool D3DPresentEngine::WaitForDrawnFrames(DWORD ms) {
  ComPtr<IDirect3DQuery9> query;  // holds its device
  {
    ScopedLock lock(lock_);
    if (!device_) return true;
    if (FAILED(device_->CreateQuery(D3DQUERYTYPE_EVENT, query.put())) || FAILED(query->Issue(D3DISSUE_END))) {
      return false;
    }
  }
  // The event is reached once the device has done everything handed to it before. An event query
  // has no handle to wait on, so it is polled, with the engine lock let go: the scheduler's present
  // and the presenter's device check (under the presenter lock) go on meanwhile. The device is made
  // multithreaded, so the query may be read without the engine lock; a device reset meanwhile
  // makes it answer a failure, which ends the wait.
  const DWORD start = GetTickCount();
  for (;;) {
    const HRESULT hr = query->GetData(nullptr, 0, D3DGETDATA_FLUSH);
    if (hr != S_FALSE) return hr == S_OK;
    if (GetTickCount() - start >= ms) return false;
    Sleep(1);
  }
}

HRESULT D3DPresentEngine::PresentDevice(IDirect3DDevice9* device, const RECT* dest, HWND window) {
  return device->Present(nullptr, dest, window, nullptr);
}

HRESULT D3DPresentEngine::PresentSwapChain(IDirect3DSwapChain9* swapChain, IDirect3DSurface9*) {
  if (!window_) return MF_E_INVALIDREQUEST;
  if (!swapChain) return E_POINTER;
  return swapChain->Present(nullptr, &dest_, window_, nullptr, 0);
}

void D3DPresentEngine::PaintBlack() {
  if (!window_) return;
  HDC dc = GetDC(window_);
  if (!dc) return;
  FillRect(dc, &dest_, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(window_, dc);
}

HRESULT D3DPresentEngine::QueryDeviceState() {
  if (deviceEx_) return deviceEx_->CheckDeviceState(window_);
  if (device_) return device_->TestCooperativeLevel();
  return S_OK;
}

HRESULT D3DPresentEngine::ResetPlainDevice() {
  // Default-pool objects block a reset of a plain device: the drawing's go first. The samples'
  // swap chains may still be held by the EVR; the presenter throws the samples away after this,
  // and the next media type's sample creation resets the device again once they are gone.
  keptSurface_.reset();
  if (renderer_) renderer_->ReleaseDevice();
  const HRESULT hr = device_->Reset(&params_);
  if (hr == D3DERR_INVALIDCALL) return S_OK;
  if (FAILED(hr)) return hr;
  return manager_ ? manager_->ResetDevice(device_.get(), resetToken_) : S_OK;
}

HRESULT D3DPresentEngine::CheckDevice(bool* reset) {
  *reset = false;
  ScopedLock lock(lock_);
  const HRESULT state = QueryDeviceState();
  switch (state) {
    case S_OK:
    case S_PRESENT_MODE_CHANGED:
    case S_PRESENT_OCCLUDED:
    case E_INVALIDARG:
      return S_OK;
    case D3DERR_DEVICELOST:
    case D3DERR_DEVICEHUNG: {
      // A plain device waits until it can be reset; an extended one is made anew.
      if (!deviceEx_) return S_OK;
      const HRESULT hr = CreateD3DDevice();  // the engine lock is re-entrant
      if (SUCCEEDED(hr)) *reset = true;
      return hr;
    }
    case D3DERR_DEVICENOTRESET: {
      if (deviceEx_ || !device_) return state;
      const HRESULT hr = ResetPlainDevice();
      if (SUCCEEDED(hr)) *reset = true;
      return hr;
    }
    default:
      return state;
  }
}

namespace {

// Whether a flat picture placed at `dest` in a `client` rectangle is the window's whole picture: it
// reaches both edges of at least one side (a boxed picture fills one side, a zoomed one overfills
// both; a destination left from a smaller window reaches neither, and its drawing is that picture in
// a corner with the rest black).
bool DrawnWhole(const RECT& client, const RECT& dest) {
  // A turned-over picture has its edges exchanged.
  const LONG left = dest.left < dest.right ? dest.left : dest.right;
  const LONG right = dest.left < dest.right ? dest.right : dest.left;
  const LONG top = dest.top < dest.bottom ? dest.top : dest.bottom;
  const LONG bottom = dest.top < dest.bottom ? dest.bottom : dest.top;
  if (right <= left || bottom <= top) return false;
  return (left <= client.left && right >= client.right) || (top <= client.top && bottom >= client.bottom);
}

}  // namespace

HRESULT D3DPresentEngine::RedrawFlatForCapture() {
  if (mode_ != kEngineModeFlat) return S_OK;
  RECT client = {};
  if (!window_ || !GetClientRect(window_, &client)) return MF_E_INVALIDREQUEST;
  if (!DrawnWhole(client, dest_)) return E_PENDING;
  // Under Wine the mixer fills only as much of its output as the destination of its time covered: a
  // frame mixed while the pane was smaller than the frame holds the picture in that corner and black
  // around it, however it is drawn, and is refused until a frame mixed for a larger pane arrives.
  if (RunningOnWine() && (keptDest_.right - keptDest_.left < static_cast<LONG>(width_) ||
                          keptDest_.bottom - keptDest_.top < static_cast<LONG>(height_))) {
    return E_PENDING;
  }
  if (!keptSurface_ || !renderer_) return E_PENDING;
  PendingPresent pending;  // drawn only: what is on screen is the window's business
  FrameTarget target = {device_.get(), window_, dest_, width_, height_, mode_};
  target.present = &pending;
  return renderer_->Draw(target, nullptr, keptSurface_.get());
}

HRESULT D3DPresentEngine::CaptureImage(int width, int height, BYTE* bits) {
  if (width <= 0 || height <= 0 || !bits) return E_INVALIDARG;
  ScopedLock lock(lock_);
  if (!device_) return MF_E_NOT_INITIALIZED;
  // The flat view's back buffer holds whatever its last drawing placed there, which may have been made
  // for the window's size before a resize (a paused player is not always drawn again after one): the
  // kept frame is drawn again for the window as it is now and that drawing is read, or the capture
  // is refused.
  const HRESULT drawn = RedrawFlatForCapture();
  if (FAILED(drawn)) return drawn;
  // The snapshot bitmap grows with the window, so a large window is not clipped.
  if (width > bitmapWidth_ || height > bitmapHeight_) {
    const HRESULT hr = CreateMemoryDc(width > bitmapWidth_ ? width : bitmapWidth_,
                                      height > bitmapHeight_ ? height : bitmapHeight_);
    if (FAILED(hr)) return hr;
  }
  ComPtr<IDirect3DSurface9> target;
  HRESULT hr = device_->GetRenderTarget(0, target.put());
  if (FAILED(hr)) return hr;
  HDC surfaceDc = nullptr;
  hr = target->GetDC(&surfaceDc);
  if (FAILED(hr)) return hr;
  SetStretchBltMode(memoryDc_, COLORONCOLOR);
  StretchBlt(memoryDc_, 0, 0, width, height, surfaceDc, 0, 0, static_cast<int>(width_),
             static_cast<int>(height_), SRCCOPY);
  target->ReleaseDC(surfaceDc);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  // GetDIBits needs the bitmap out of the DC.
  SelectObject(memoryDc_, oldBitmap_);
  const int rows = GetDIBits(memoryDc_, memoryBitmap_, 0, static_cast<UINT>(height), bits, &info,
                             DIB_RGB_COLORS);
  SelectObject(memoryDc_, memoryBitmap_);
  return rows == height ? S_OK : E_FAIL;
}

void D3DPresentEngine::SetVideoWindow(HWND window) {
  ScopedLock lock(lock_);
  window_ = window;
}

HWND D3DPresentEngine::videoWindow() {
  ScopedLock lock(lock_);
  return window_;
}

void D3DPresentEngine::SetDestinationRect(const RECT& rect) {
  ScopedLock lock(lock_);
  dest_ = rect;
}

RECT D3DPresentEngine::destinationRect() {
  ScopedLock lock(lock_);
  return dest_;
}

void D3DPresentEngine::SetFrameSize(UINT width, UINT height) {
  ScopedLock lock(lock_);
  width_ = width;
  height_ = height;
}

UINT D3DPresentEngine::frameWidth() {
  ScopedLock lock(lock_);
  return width_;
}

UINT D3DPresentEngine::frameHeight() {
  ScopedLock lock(lock_);
  return height_;
}

void D3DPresentEngine::SetViewMode(int mode) {
  ScopedLock lock(lock_);
  mode_ = mode;
}

int D3DPresentEngine::viewMode() {
  ScopedLock lock(lock_);
  return mode_;
}

void D3DPresentEngine::SetFrameDivisor(UINT divisor) {
  ScopedLock lock(lock_);
  frameDivisor_ = divisor == 0 ? 1 : divisor;
}

void D3DPresentEngine::ResetFrameCounter() {
  ScopedLock lock(lock_);
  frameCounter_ = 0;
}

UINT D3DPresentEngine::refreshRate() {
  ScopedLock lock(lock_);
  return displayMode_.RefreshRate;
}

void D3DPresentEngine::SetRenderer(std::unique_ptr<FrameRenderer> renderer) {
  ScopedLock lock(lock_);
  if (renderer_) renderer_->ReleaseDevice();
  renderer_ = std::move(renderer);
}

bool D3DPresentEngine::hasDevice() {
  ScopedLock lock(lock_);
  return static_cast<bool>(device_);
}

bool D3DPresentEngine::isExtended() {
  ScopedLock lock(lock_);
  return static_cast<bool>(d3d9Ex_);
}

}  // namespace playcore
