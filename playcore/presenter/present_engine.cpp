// The present engine's Direct3D objects: creation, the device for the video window, the video samples.
#include "playcore/presenter/present_engine.h"

#include <evr.h>
#include <mfapi.h>
#include <mferror.h>

#include <utility>

#include "playcore/presenter/device_pool.h"
#include "playcore/presenter/direct3d_objects.h"
#include "playcore/presenter/presenter_constants.h"
#include "playcore/presenter/present_hold.h"

namespace playcore {

using quill::com::ComPtr;
using quill::com::ScopedLock;

namespace {

// The snapshot bitmap is at least this large (it grows with the window).
constexpr int kMemoryBitmapSize = 2500;
// D3DPRESENTFLAG_VIDEO | D3DPRESENTFLAG_LOCKABLE_BACKBUFFER: GetCurrentImage reads the back buffer.
constexpr DWORD kPresentFlags = 0x11;
constexpr DWORD kBaseCreateFlags =
    D3DCREATE_NOWINDOWCHANGES | D3DCREATE_MULTITHREADED | D3DCREATE_FPU_PRESERVE;
constexpr D3DCOLOR kOpaqueBlack = 0xFF000000;
// The device's own back buffer keeps the last drawn picture after Present, which the snapshot
// (GetCurrentImage) reads; a discarded back buffer is blank after Present under Wine. The same on
// Windows: with DISCARD the back buffer's content is undefined after Present, so a snapshot could
// not rely on it there either. A windowed device presents by a copy in any case.
constexpr D3DSWAPEFFECT kDeviceSwapEffect = D3DSWAPEFFECT_COPY;

}  // namespace

D3DPresentEngine::D3DPresentEngine(HRESULT* result, bool allowExtended)
    : renderer_(CreateSceneRenderer()) {
  HRESULT hr = CreateDirect3D(allowExtended);
  // The first failure is the one reported: a missing Direct3D object or device manager must not be
  // hidden by the later steps' success.
  const HRESULT dcResult = CreateMemoryDc(kMemoryBitmapSize, kMemoryBitmapSize);
  if (SUCCEEDED(hr)) hr = dcResult;
  if (result) *result = hr;
  RegisterPresentEngine(this);
}

HRESULT D3DPresentEngine::CreateDirect3D(bool allowExtended) {
  Direct3DObjects objects = Direct3DForEngine(allowExtended && SystemUsesExtendedDirect3D());
  d3d9Ex_ = std::move(objects.extended);
  d3d9_ = std::move(objects.plain);
  if (!d3d9_) return D3DERR_NOTAVAILABLE;
  return DXVA2CreateDirect3DDeviceManager9(&resetToken_, manager_.put());
}

HRESULT D3DPresentEngine::CreateMemoryDc(int width, int height) {
  HDC desktop = GetDC(GetDesktopWindow());
  HDC dc = desktop ? CreateCompatibleDC(desktop) : nullptr;
  HBITMAP bitmap = dc ? CreateCompatibleBitmap(desktop, width, height) : nullptr;
  if (desktop) ReleaseDC(GetDesktopWindow(), desktop);
  if (!dc || !bitmap) {
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
    return MF_E_UNEXPECTED;
  }
  if (memoryDc_) {
    SelectObject(memoryDc_, oldBitmap_);
    DeleteObject(memoryBitmap_);
    DeleteDC(memoryDc_);
  }
  memoryDc_ = dc;
  memoryBitmap_ = bitmap;
  oldBitmap_ = SelectObject(dc, bitmap);
  bitmapWidth_ = width;
  bitmapHeight_ = height;
  return S_OK;
}

D3DPresentEngine::~D3DPresentEngine() {
  UnregisterPresentEngine(this);
  if (memoryDc_) {
    SelectObject(memoryDc_, oldBitmap_);
    DeleteObject(memoryBitmap_);
    DeleteDC(memoryDc_);
  }
  ScopedLock lock(lock_);
  keptSurface_.reset();
  if (renderer_) renderer_->ReleaseDevice();
  renderer_.reset();
  manager_.reset();
  KeepDevice();
  deviceDefaults_.reset();
  deviceEx_.reset();
  device_.reset();
  d3d9Ex_.reset();
  d3d9_.reset();
}

IDirect3DDevice9* D3DPresentEngine::device() const { return device_.get(); }

UINT D3DPresentEngine::AdapterForWindow() {
  if (!window_) return D3DADAPTER_DEFAULT;
  const HMONITOR monitor = MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST);
  const UINT count = d3d9_->GetAdapterCount();
  for (UINT i = 0; i < count; ++i) {
    const HMONITOR adapterMonitor = d3d9_->GetAdapterMonitor(i);
    if (adapterMonitor && adapterMonitor == monitor) return i;
  }
  // No adapter drives the window's monitor (or it cannot be told): the default adapter.
  return D3DADAPTER_DEFAULT;
}

void D3DPresentEngine::FillPresentParameters(UINT width, UINT height, D3DFORMAT format,
                                             D3DSWAPEFFECT swapEffect) {
  params_ = {};
  params_.BackBufferWidth = width;
  params_.BackBufferHeight = height;
  params_.BackBufferFormat = format;
  params_.BackBufferCount = 1;
  params_.SwapEffect = swapEffect;
  params_.Windowed = TRUE;
  params_.EnableAutoDepthStencil = TRUE;
  params_.AutoDepthStencilFormat = D3DFMT_D24S8;
  params_.Flags = kPresentFlags;
  params_.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
}

HRESULT D3DPresentEngine::CreateD3DDevice() {
  ScopedLock lock(lock_);
  if (!d3d9_ || !manager_) return MF_E_NOT_INITIALIZED;
  FillPresentParameters(width_, height_, D3DFMT_UNKNOWN, kDeviceSwapEffect);
  const UINT adapter = AdapterForWindow();
  D3DCAPS9 caps = {};
  HRESULT hr = d3d9_->GetDeviceCaps(adapter, D3DDEVTYPE_HAL, &caps);
  if (FAILED(hr)) return hr;
  DWORD flags = kBaseCreateFlags;
  flags |= (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                           : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
  // Whatever was drawn on the old device goes with it.
  keptSurface_.reset();
  if (renderer_) renderer_->ReleaseDevice();
  deviceDefaults_.reset();
  deviceEx_.reset();
  device_.reset();
  deviceAdapter_ = adapter;
  deviceFlags_ = flags;
  if (TakeKeptDevice()) {
    d3d9_->GetAdapterDisplayMode(adapter, &displayMode_);
    return manager_->ResetDevice(device_.get(), resetToken_);
  }
  const D3DPRESENT_PARAMETERS asked = params_;
  if (d3d9Ex_) {
    hr = d3d9Ex_->CreateDeviceEx(adapter, D3DDEVTYPE_HAL, window_, flags, &params_, nullptr,
                                 deviceEx_.put());
    if (SUCCEEDED(hr)) deviceEx_.As(&device_);
  } else {
    hr = d3d9_->CreateDevice(adapter, D3DDEVTYPE_HAL, window_, flags, &params_, device_.put());
  }
  if (FAILED(hr)) return hr;
  NoteDeviceParameters(asked);
  d3d9_->GetAdapterDisplayMode(adapter, &displayMode_);
  return manager_->ResetDevice(device_.get(), resetToken_);
}

bool D3DPresentEngine::TakeKeptDevice() {
  if (!d3d9Ex_ || !EnginesKeepDevices()) return false;
  KeptDevice kept;
  if (!ProcessDevicePool().Take(window_, deviceAdapter_, deviceFlags_, &kept)) return false;
  // Its states were set back when it was kept and nothing used it since; one lost meanwhile goes here.
  if (kept.device->CheckDeviceState(window_) != S_OK) return false;
  deviceEx_ = std::move(kept.device);
  deviceEx_.As(&device_);
  deviceDefaults_ = std::move(kept.defaults);
  deviceParams_ = kept.params;
  params_ = kept.params;
  return true;
}

void D3DPresentEngine::KeepDevice() {
  if (!deviceEx_ || !deviceDefaults_ || !EnginesKeepDevices() || !IsWindow(window_)) return;
  // Nothing of this engine's stays bound to the device: its own back buffer is the target again and
  // every state is as the device was made or last reset.
  ComPtr<IDirect3DSurface9> backBuffer;
  if (FAILED(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.put())) ||
      FAILED(device_->SetRenderTarget(0, backBuffer.get())) || FAILED(deviceDefaults_->Apply())) {
    return;
  }
  KeptDevice kept;
  kept.window = window_;
  kept.adapter = deviceAdapter_;
  kept.flags = deviceFlags_;
  kept.params = deviceParams_;
  kept.device = deviceEx_.Copy();
  kept.defaults = deviceDefaults_.Copy();
  ProcessDevicePool().Keep(std::move(kept));
}

void D3DPresentEngine::NoteDeviceParameters(const D3DPRESENT_PARAMETERS& asked) {
  deviceParams_ = asked;
  deviceDefaults_.reset();
  // The states as made (or reset), set back on the device when it is taken again from the pool.
  if (deviceEx_ && EnginesKeepDevices()) device_->CreateStateBlock(D3DSBT_ALL, deviceDefaults_.put());
}

HRESULT D3DPresentEngine::CreateVideoSamples(IMFMediaType* type, SampleList& samples) {
  if (!window_) return MF_E_INVALIDREQUEST;
  if (!type) return MF_E_UNEXPECTED;
  ScopedLock lock(lock_);
  if (!device_) return MF_E_NOT_INITIALIZED;
  OnReleaseResources();
  keptSurface_.reset();
  UINT32 width = 0;
  UINT32 height = 0;
  HRESULT hr = MFGetAttributeSize(type, MF_MT_FRAME_SIZE, &width, &height);
  GUID subtype = GUID_NULL;
  if (SUCCEEDED(hr)) hr = type->GetGUID(MF_MT_SUBTYPE, &subtype);
  if (FAILED(hr)) return hr;
  width_ = width;
  height_ = height;
  format_ = static_cast<D3DFORMAT>(subtype.Data1);
  FillPresentParameters(width, height, format_, kDeviceSwapEffect);
  // A plain device refuses a reset while default-pool objects live: the renderer's go first and are
  // made again on the reset device below (an extended device keeps them).
  const bool plain = !deviceEx_;
  if (plain && renderer_) renderer_->ReleaseDevice();
  if (deviceDefaults_ && SamePresentParameters(params_, deviceParams_)) {
    // A device kept from the movie before, already made for these frames: the states a reset would
    // give, without the reset (whose next drawing costs what a new device's does under Wine), and
    // no picture of that movie left in the back buffer, which the snapshot reads.
    hr = deviceDefaults_->Apply();
    ComPtr<IDirect3DSurface9> backBuffer;
    if (SUCCEEDED(hr)) hr = device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.put());
    if (SUCCEEDED(hr)) hr = device_->ColorFill(backBuffer.get(), nullptr, kOpaqueBlack);
  } else {
    const D3DPRESENT_PARAMETERS asked = params_;
    deviceDefaults_.reset();
    hr = device_->Reset(&params_);
    if (SUCCEEDED(hr)) NoteDeviceParameters(asked);
  }
  // The samples' swap chains are never presented: their back buffers only carry frames.
  D3DPRESENT_PARAMETERS sampleParams = params_;
  sampleParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
  for (int i = 0; SUCCEEDED(hr) && i < kPresenterSampleCount; ++i) {
    hr = CreateOneSample(sampleParams, samples);
  }
  if (SUCCEEDED(hr)) hr = OnCreateVideoSamples();
  // A renderer that cannot be rebuilt draws nothing; the samples stand (as in the negotiation).
  if (SUCCEEDED(hr) && plain && renderer_) renderer_->Prepare(device_.get(), width, height, mode_);
  if (FAILED(hr)) {
    samples.Clear();
    OnReleaseResources();
  }
  return hr;
}

HRESULT D3DPresentEngine::CreateOneSample(D3DPRESENT_PARAMETERS& params, SampleList& samples) {
  ComPtr<IDirect3DSwapChain9> swapChain;
  ComPtr<IDirect3DSurface9> surface;
  ComPtr<IMFSample> sample;
  HRESULT hr = device_->CreateAdditionalSwapChain(&params, swapChain.put());
  if (SUCCEEDED(hr)) hr = swapChain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, surface.put());
  if (SUCCEEDED(hr)) hr = device_->ColorFill(surface.get(), nullptr, kOpaqueBlack);
  if (SUCCEEDED(hr)) hr = MFCreateVideoSampleFromSurface(surface.get(), sample.put());
  if (SUCCEEDED(hr)) hr = samples.InsertBack(sample.get());
  if (SUCCEEDED(hr)) hr = sample->SetUnknown(kSampleSwapChainAttribute, swapChain.get());
  return hr;
}

void D3DPresentEngine::ReleaseResources() {
  ScopedLock lock(lock_);
  OnReleaseResources();
  keptSurface_.reset();
}

HRESULT D3DPresentEngine::PrepareRenderer(UINT width, UINT height) {
  ScopedLock lock(lock_);
  if (!renderer_) return S_OK;
  return renderer_->Prepare(device_.get(), width, height, mode_);
}

HRESULT D3DPresentEngine::GetService(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualIID(riid, __uuidof(IDirect3DDeviceManager9)) || !manager_) {
    return MF_E_UNSUPPORTED_SERVICE;
  }
  manager_->AddRef();
  *ppv = manager_.get();
  return S_OK;
}

HRESULT D3DPresentEngine::CheckFormat(D3DFORMAT format) {
  ScopedLock lock(lock_);
  if (!d3d9_) return MF_E_NOT_INITIALIZED;
  UINT adapter = D3DADAPTER_DEFAULT;
  D3DDEVTYPE type = D3DDEVTYPE_HAL;
  if (device_) {
    D3DDEVICE_CREATION_PARAMETERS created = {};
    const HRESULT hr = device_->GetCreationParameters(&created);
    if (FAILED(hr)) return hr;
    adapter = created.AdapterOrdinal;
    type = created.DeviceType;
  }
  D3DDISPLAYMODE mode = {};
  const HRESULT hr = d3d9_->GetAdapterDisplayMode(adapter, &mode);
  if (FAILED(hr)) return hr;
  return d3d9_->CheckDeviceType(adapter, type, mode.Format, format, TRUE);
}

}  // namespace playcore
