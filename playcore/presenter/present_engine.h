// The Direct3D side of one presenter: the Direct3D 9 object and device, the DXVA2 device manager the
// mixer shares, the swap chains whose back buffers are the video samples, and the frame renderer that
// draws each frame (the 360-degree scene or its flat view). It is the scheduler's callback.
//
// Threads: created and configured by the presenter's threads (under the presenter lock); PresentSample
// runs on the scheduler thread and on the presenter's threads. Every method that touches the device,
// the kept surface or the renderer holds the engine lock; nothing under it calls into the presenter or
// the scheduler. The one exception is the present of a drawn frame, made after the engine lock is
// let go (it can wait for the video window's thread). Lock order: presenter lock, engine lock, then
// the renderer's own locks.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <dxva2api.h>
#include <mfidl.h>

#include <memory>

#include "platform/com/com_ptr.h"
#include "playcore/presenter/direct3d_objects.h"
#include "playcore/presenter/frame_renderer.h"
#include "playcore/presenter/sample_pool.h"
#include "playcore/presenter/scheduler.h"

namespace playcore {

class D3DPresentEngine : public SchedulerCallback {
 public:
  // `result` receives the first failure of the set-up (the presenter then runs without an engine).
  // `allowExtended` false keeps to the plain Direct3D 9 interfaces.
  explicit D3DPresentEngine(HRESULT* result, bool allowExtended = true);
  D3DPresentEngine(const D3DPresentEngine&) = delete;
  D3DPresentEngine& operator=(const D3DPresentEngine&) = delete;

  HRESULT PresentSample(IMFSample* sample, LONGLONG target) override;
  ~D3DPresentEngine() override;
  // IID_IDirect3DDeviceManager9 only.
  virtual HRESULT GetService(REFIID riid, void** ppv);
  virtual HRESULT CheckFormat(D3DFORMAT format);
  virtual HRESULT OnCreateVideoSamples() { return S_OK; }
  virtual void OnReleaseResources() {}
  virtual HRESULT PresentSwapChain(IDirect3DSwapChain9* swapChain, IDirect3DSurface9* surface);
  virtual void PaintBlack();

  // A device for the current window (adapter of its monitor, adapter 0 when none matches).
  HRESULT CreateD3DDevice();
  // Resets the device for `type` and makes the video samples of it into `samples`.
  HRESULT CreateVideoSamples(IMFMediaType* type, SampleList& samples);
  // Drops the kept surface (the samples are thrown away by the presenter).
  void ReleaseResources();
  // Readies the renderer for frames of width x height in the current mode.
  HRESULT PrepareRenderer(UINT width, UINT height);

  // The device check before a delivery: S_OK when the device can be used; *reset true when it was
  // created anew or reset (the presenter then rebuilds samples and sends EC_DISPLAY_CHANGED).
  HRESULT CheckDevice(bool* reset);

  // Waits up to `ms` until the frames already handed to the device were drawn (true when they were
  // or when there is no device).
  bool WaitForDrawnFrames(DWORD ms);

  // Draws one black frame of the current samples' kind through the renderer, presents it into
  // `offscreen` (a window no user sees; never the video window) and waits until the device has drawn
  // it: the first drawing of a device (its shaders, its targets, its first present) is done ahead, so
  // that its first frame in the video window costs what any later one does. The frame counter, the
  // kept surface and the video window are left as they were. S_FALSE when there is nothing to draw
  // yet (no device or no samples) or no other window to present into.
  HRESULT DrawAhead(HWND offscreen);

  // Snapshot: the render target stretched to w x h, 32-bit bottom-up rows, into `bits`
  // (w * h * 4 bytes). The flat view is drawn again first for the window as it is now; E_PENDING
  // when its destination is not yet the window's (the caller may try again after the resize).
  HRESULT CaptureImage(int width, int height, BYTE* bits);

  void SetVideoWindow(HWND window);
  HWND videoWindow();
  void SetDestinationRect(const RECT& rect);
  RECT destinationRect();
  void SetFrameSize(UINT width, UINT height);
  UINT frameWidth();
  UINT frameHeight();
  void SetViewMode(int mode);
  int viewMode();
  void SetFrameDivisor(UINT divisor);
  void ResetFrameCounter();
  UINT refreshRate();
  // Replaces the frame renderer (the default is the scene).
  void SetRenderer(std::unique_ptr<FrameRenderer> renderer);
  FrameRenderer* renderer() { return renderer_.get(); }
  bool hasDevice();
  bool isExtended();
  quill::com::CriticalSection& lock() { return lock_; }

 protected:
  // The device's state (CheckDeviceState or TestCooperativeLevel); replaceable to imitate a loss.
  virtual HRESULT QueryDeviceState();
  // Presents the back buffer of `device` (called without the engine lock); replaceable in tests.
  virtual HRESULT PresentDevice(IDirect3DDevice9* device, const RECT* dest, HWND window);

 private:
  IDirect3DDevice9* device() const;
  HRESULT CreateDirect3D(bool allowExtended);
  HRESULT CreateMemoryDc(int width, int height);
  UINT AdapterForWindow();
  void FillPresentParameters(UINT width, UINT height, D3DFORMAT format, D3DSWAPEFFECT swapEffect);
  HRESULT CreateOneSample(D3DPRESENT_PARAMETERS& params, SampleList& samples);
  HRESULT ResetPlainDevice();
  // Under Wine: the device kept for this window by an engine before (true when taken), and this
  // engine's device left there when it goes.
  bool TakeKeptDevice();
  void KeepDevice();
  // The flat view's kept frame drawn (not presented) for the window's client area as it is now,
  // under the engine lock; E_PENDING when the destination does not span the client area (left from
  // another size), when (under Wine) the kept frame was mixed for a destination smaller than the
  // frame, or when no frame is kept.
  HRESULT RedrawFlatForCapture();
  // What was asked of the device at its making or reset, and its states then.
  void NoteDeviceParameters(const D3DPRESENT_PARAMETERS& asked);

  UINT resetToken_ = 0;
  HWND window_ = nullptr;
  RECT dest_ = {};
  RECT keptDest_ = {};  // the destination when the kept surface's frame arrived
  D3DDISPLAYMODE displayMode_ = {};
  quill::com::CriticalSection lock_;
  UINT width_ = 0;
  UINT height_ = 0;
  D3DFORMAT format_ = D3DFMT_UNKNOWN;
  UINT frameCounter_ = 0;
  UINT frameDivisor_ = 1;
  quill::com::ComPtr<IDirect3D9Ex> d3d9Ex_;
  quill::com::ComPtr<IDirect3DDevice9Ex> deviceEx_;
  quill::com::ComPtr<IDirect3D9> d3d9_;
  quill::com::ComPtr<IDirect3DDevice9> device_;
  quill::com::ComPtr<IDirect3DDeviceManager9> manager_;
  quill::com::ComPtr<IDirect3DSurface9> keptSurface_;
  D3DPRESENT_PARAMETERS params_ = {};
  D3DPRESENT_PARAMETERS deviceParams_ = {};
  quill::com::ComPtr<IDirect3DStateBlock9> deviceDefaults_;  // only where devices are kept
  UINT deviceAdapter_ = 0;
  DWORD deviceFlags_ = 0;
  HDC memoryDc_ = nullptr;
  HBITMAP memoryBitmap_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  int bitmapWidth_ = 0;
  int bitmapHeight_ = 0;
  int mode_ = kEngineModeNone;
  std::unique_ptr<FrameRenderer> renderer_;
};

}  // namespace playcore
