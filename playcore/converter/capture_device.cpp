// The conversion job's Direct3D side: the device on the owner window with a 1920 x 960 back buffer,
// the picture engine, each decoded frame into the engine's source surface, and the device check
// after every frame.
#include <mfapi.h>
#include <mferror.h>

#include <cstring>
#include <new>

#include "platform/framework/gdiplus_session.h"
#include "platform/imports/lazy_library.h"
#include "playcore/converter/conversion_rules.h"
#include "playcore/converter/convert_trace.h"
#include "playcore/converter/frame_colour.h"
#include "playcore/converter/movie_capture.h"
#include "playcore/scene/raw_geometry.h"

namespace playcore {
namespace {

using Direct3DCreate9ExFn = HRESULT(WINAPI*)(UINT, IDirect3D9Ex**);
constexpr DWORD kDeviceFlags =
    D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_MULTITHREADED | D3DCREATE_FPU_PRESERVE;

// The adapter whose monitor shows the window, else the first.
UINT AdapterFor(IDirect3D9* d3d, HWND window) {
  const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
  const UINT count = d3d->GetAdapterCount();
  for (UINT i = 0; i < count; ++i) {
    if (d3d->GetAdapterMonitor(i) == monitor) return i;
  }
  return D3DADAPTER_DEFAULT;
}

// Locks the sample's picture with its real pitch where the buffer has one.
class LockedFrame {
 public:
  explicit LockedFrame(IMFSample* sample) {
    if (FAILED(sample->ConvertToContiguousBuffer(buffer_.put()))) return;
    if (SUCCEEDED(buffer_.As(&buffer2d_))) {
      LONG pitch = 0;
      if (SUCCEEDED(buffer2d_->Lock2D(&data_, &pitch))) {
        pitch_ = pitch;
        DWORD length = 0;
        buffer_->GetCurrentLength(&length);
        length_ = length;
        return;
      }
      buffer2d_.reset();
    }
    DWORD length = 0;
    if (SUCCEEDED(buffer_->Lock(&data_, nullptr, &length))) length_ = length;
    else data_ = nullptr;
  }
  ~LockedFrame() {
    if (!data_) return;
    if (buffer2d_) buffer2d_->Unlock2D();
    else buffer_->Unlock();
  }
  LockedFrame(const LockedFrame&) = delete;
  LockedFrame& operator=(const LockedFrame&) = delete;
  const BYTE* data() const { return data_; }
  size_t length() const { return length_; }
  LONG pitch() const { return pitch_; }  // 0 when the buffer gave none

 private:
  quill::com::ComPtr<IMFMediaBuffer> buffer_;
  quill::com::ComPtr<IMF2DBuffer> buffer2d_;
  BYTE* data_ = nullptr;
  size_t length_ = 0;
  LONG pitch_ = 0;
};

}  // namespace

HRESULT CMovieCapture::ReadyDevice() {
  if (device_ && engine_) {
    const HRESULT state =
        deviceEx_ ? deviceEx_->CheckDeviceState(owner_) : device_->TestCooperativeLevel();
    if (SUCCEEDED(state) || state == S_PRESENT_OCCLUDED) return S_OK;
  }
  ReleaseDevice();
  HRESULT hr = CreateDevice();
  if (SUCCEEDED(hr)) hr = CreateEngine();
  // The preview's drawing canvas: a frame of it can be copied out (a test reads the pixels back).
  if (SUCCEEDED(hr) && !request_.write && !canvas_.Create(owner_, kOutputWidth, kOutputHeight)) {
    hr = TRACED(E_OUTOFMEMORY);
  }
  return hr;
}

HRESULT CMovieCapture::CreateDevice() {
  present_ = {};
  present_.BackBufferWidth = kOutputWidth;
  present_.BackBufferHeight = kOutputHeight;
  present_.BackBufferFormat = D3DFMT_UNKNOWN;
  present_.BackBufferCount = 1;
  present_.SwapEffect = D3DSWAPEFFECT_DISCARD;
  present_.hDeviceWindow = owner_;
  present_.Windowed = TRUE;
  present_.EnableAutoDepthStencil = TRUE;
  present_.AutoDepthStencilFormat = D3DFMT_D24S8;
  present_.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER | D3DPRESENTFLAG_VIDEO;
  auto createEx = quill::imports::Direct3D9Library().Find<Direct3DCreate9ExFn>("Direct3DCreate9Ex");
  HRESULT hr = S_OK;
  if (createEx) {
    hr = TRACED(createEx(D3D_SDK_VERSION, d3dEx_.put()));
    if (FAILED(hr)) return hr;
    hr = TRACED(d3dEx_->QueryInterface(__uuidof(IDirect3D9), d3d_.putVoid()));
  } else {
    d3d_ = quill::com::ComPtr<IDirect3D9>(Direct3DCreate9(D3D_SDK_VERSION));
    hr = d3d_ ? S_OK : TRACED(D3DERR_NOTAVAILABLE);
  }
  if (FAILED(hr)) return hr;
  const UINT adapter = AdapterFor(d3d_.get(), owner_);
  for (D3DDEVTYPE type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF}) {
    D3DPRESENT_PARAMETERS pp = present_;
    if (d3dEx_) {
      hr = d3dEx_->CreateDeviceEx(adapter, type, owner_, kDeviceFlags, &pp, nullptr, deviceEx_.put());
      if (SUCCEEDED(hr)) hr = deviceEx_->QueryInterface(__uuidof(IDirect3DDevice9), device_.putVoid());
    } else {
      hr = d3d_->CreateDevice(adapter, type, owner_, kDeviceFlags, &pp, device_.put());
    }
    if (SUCCEEDED(hr)) break;
  }
  if (FAILED(hr)) return TRACED(hr);
  // The job's own sprite, beside the engine's two.
  try {
    d3dx_.reset(new D3dxRuntime);
  } catch (const std::bad_alloc&) {
    return TRACED(E_OUTOFMEMORY);
  }
  hr = TRACED(d3dx_->status());
  if (SUCCEEDED(hr)) hr = TRACED(d3dx_->CreateSprite(device_.get(), sprite_.put()));
  return hr;
}

HRESULT CMovieCapture::CreateEngine() {
  try {
    engine_.reset(new D3DRawObj1);
  } catch (const std::bad_alloc&) {
    return TRACED(E_OUTOFMEMORY);
  }
  // About 77 MB of vertices in memory and as many in the vertex buffer: may really fail.
  HRESULT hr = TRACED(engine_->Create(device_.get(), kOutputWidth, kOutputHeight,
                                      static_cast<UINT>(kPanoramaVertices)));
  if (SUCCEEDED(hr) && (request_.overlayImage || request_.spriteImage)) {
    // GDI+ for the length of the pictures' load (the engine reads their sizes through it); the program
    // may have started it already, which is fine: starts are counted.
    quill::framework::GdiplusSession gdiplus;
    hr = TRACED(engine_->LoadImages(device_.get(), *d3dx_, request_.spriteImage,
                                    request_.overlayImage));
  }
  if (SUCCEEDED(hr)) {
    engine_->SetPresentDestination(PresentArea());
    ++enginesBuilt_;
  }
  return hr;
}

std::optional<RECT> CMovieCapture::PresentArea() const {
  RECT client = {};
  if (workWidth_ == 0 || workHeight_ == 0 || !GetClientRect(owner_, &client)) return std::nullopt;
  const RECT area = PresentAreaWithin(client, workWidth_, workHeight_);
  if (EqualRect(&area, &client)) return std::nullopt;
  return area;
}

void CMovieCapture::ReleaseDevice() {
  canvas_.Release();
  sourceSurface_.reset();
  sourceWidth_ = sourceHeight_ = 0;
  if (engine_) engine_->Release();
  engine_.reset();
  sprite_.reset();
  d3dx_.reset();
  deviceEx_.reset();
  device_.reset();
  d3dEx_.reset();
  d3d_.reset();
}

HRESULT CMovieCapture::DrawVideo(IMFSample* sample) {
  if (deviceCheck_) {
    const HRESULT lost = deviceCheck_(true);
    if (FAILED(lost)) return lost;
  }
  const VideoFormat& v = reader_->video();
  D3DLOCKED_RECT locked = {};
  HRESULT hr = TRACED(sourceSurface_->LockRect(&locked, nullptr, D3DLOCK_DISCARD));
  if (FAILED(hr)) return hr;
  uint8_t* bits = static_cast<uint8_t*>(locked.pBits);
  HRESULT converted = E_FAIL;
  if (processor_.exists()) {
    converted = processor_.Convert(sample, bits, static_cast<UINT>(locked.Pitch));
    // A processor that fails once is not trusted again: the rest goes through the processor-side
    // conversion.
    if (FAILED(converted)) processor_.Release();
  }
  if (FAILED(converted)) {
    LockedFrame picture(sample);
    const UINT pitch = picture.pitch() >= static_cast<LONG>(v.width)
                           ? static_cast<UINT>(picture.pitch())
                           : v.pitch;
    converted = IyuvToBgra(picture.data(), picture.length(), v.width, v.height, pitch, bits,
                           static_cast<UINT>(locked.Pitch), v.planeHeight)
                    ? S_OK
                    : MF_E_BUFFERTOOSMALL;
  }
  sourceSurface_->UnlockRect();
  // A buffer shorter than its frame (a decoder's padding or a damaged sample) fails the frame.
  if (FAILED(converted)) return TRACED(converted);
  if (converted == S_FALSE) return S_FALSE;
  const MaskState masks = masks_.Snapshot();
  engine_->SetMasks(masks.masks);
  engine_->SetReadBack(request_.write ? 1 : 0);
  bool capture = false;
  if (!request_.write) {
    std::lock_guard<std::mutex> hold(captureLock_);
    capture = captureWanted_;
  }
  hr = TRACED(engine_->DrawFrame(device_.get(), sourceSurface_.get(), kOutputWidth, kOutputHeight,
                                 masks.dragging, masks.dragRect, &frame_, capture));
  if (SUCCEEDED(hr) && capture) DeliverCapture(frame_);
  return hr;
}

bool CMovieCapture::DeviceLost(HRESULT drawn) {
  const auto lost = [](HRESULT hr) {
    return hr == D3DERR_DEVICELOST || hr == D3DERR_DEVICEHUNG || hr == D3DERR_DEVICENOTRESET ||
           hr == D3DERR_DEVICEREMOVED;
  };
  if (lost(drawn)) return true;
  if (deviceCheck_) return lost(deviceCheck_(false));
  return lost(deviceEx_ ? deviceEx_->CheckDeviceState(owner_) : device_->TestCooperativeLevel());
}

HRESULT CMovieCapture::RebuildDevice() {
  // Every resource of the engine belongs to the old device: build the device and the engine anew.
  ReleaseDevice();
  HRESULT hr = ReadyDevice();
  if (SUCCEEDED(hr)) hr = PrepareSource();
  return hr;
}

HRESULT CMovieCapture::CheckDevice() { return DeviceLost(S_OK) ? RebuildDevice() : S_OK; }

}  // namespace playcore
