// Test bed for drawing the scene and looking at the result.
#include "tests/scene/render_bed.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tests/support/test_env.h"

namespace playcore::test {
namespace {

constexpr float kCircleRadius = 0.5f;
constexpr float kBrightRadius = 0.3f;
constexpr float kGridStep = 0.125f;
constexpr float kGridHalfWidth = 1.0f / 512.0f;
constexpr int kBright = 255;
constexpr int kDark = 128;
constexpr float kEdgeTexel = 0.5f / 512.0f;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcW(hwnd, message, w, l);
}

bool OnGridLine(float t) {
  const float nearest = std::round(t / kGridStep) * kGridStep;
  return std::abs(t - nearest) < kGridHalfWidth && nearest > 0.0f && nearest < 1.0f;
}

}  // namespace

Rgb PatternColour(float u, float v) {
  // Clamped like the sampler: to the centres of the edge texels of the 512-texel test frame.
  const float lo = kEdgeTexel, hi = 1.0f - kEdgeTexel;
  u = u < lo ? lo : (u > hi ? hi : u);
  v = v < lo ? lo : (v > hi ? hi : v);
  const float dx = u - 0.5f, dy = v - 0.5f;
  const float r = std::sqrt(dx * dx + dy * dy);
  if (r > kCircleRadius) return {kDark, kDark, kDark};
  if (OnGridLine(u) || OnGridLine(v)) return {255, 255, 255};
  const int level = r < kBrightRadius ? kBright : kDark;
  if (dy < 0.0f) return dx < 0.0f ? Rgb{level, 0, 0} : Rgb{0, level, 0};
  return dx < 0.0f ? Rgb{0, 0, level} : Rgb{level, level, 0};
}

bool PatternUniformAround(float u, float v, float reach) {
  const Rgb centre = PatternColour(u, v);
  const int steps = 4;
  for (int i = -steps; i <= steps; ++i) {
    for (int j = -steps; j <= steps; ++j) {
      const Rgb c = PatternColour(u + reach * i / steps, v + reach * j / steps);
      if (c.r != centre.r || c.g != centre.g || c.b != centre.b) return false;
    }
  }
  return true;
}

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

Rgb FromXrgb(uint32_t pixel) {
  return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
          static_cast<int>(pixel & 0xFF)};
}

RenderBed::~RenderBed() {
  target_.reset();
  device_.reset();
  d3d_.reset();
  if (window_) DestroyWindow(window_);
}

HRESULT RenderBed::Create(UINT width, UINT height, bool offscreen) {
  width_ = width;
  height_ = height;
  offscreen_ = offscreen;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QuillSceneTestBed";
  RegisterClassW(&wc);
  window_ = CreateWindowW(wc.lpszClassName, L"scene", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                          static_cast<int>(width), static_cast<int>(height), nullptr, nullptr,
                          wc.hInstance, nullptr);
  if (!window_) {
    // No display: CreateWindow may fail without setting an error.
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
  }
  const HRESULT hr = Direct3DCreate9Ex(D3D_SDK_VERSION, d3d_.put());
  if (FAILED(hr)) return hr;
  return Recreate();
}

HRESULT RenderBed::Recreate() {
  target_.reset();
  device_.reset();
  if (!d3d_ || !window_) return E_UNEXPECTED;
  D3DPRESENT_PARAMETERS pp = {};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.BackBufferWidth = width_;
  pp.BackBufferHeight = height_;
  pp.hDeviceWindow = window_;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24S8;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  ComPtr<IDirect3DDevice9Ex> ex;
  HRESULT hr = d3d_->CreateDeviceEx(
      D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
      D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED | D3DCREATE_FPU_PRESERVE, &pp,
      nullptr, ex.put());
  if (FAILED(hr)) return hr;
  hr = ex->QueryInterface(__uuidof(IDirect3DDevice9), reinterpret_cast<void**>(device_.put()));
  if (FAILED(hr)) return hr;
  if (!offscreen_) return device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, target_.put());
  hr = device_->CreateRenderTarget(width_, height_, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                   target_.put(), nullptr);
  if (FAILED(hr)) return hr;
  return device_->SetRenderTarget(0, target_.get());
}

HRESULT RenderBed::MakeFrame(UINT size, ComPtr<IDirect3DSurface9>* frame) {
  if (!device_) return E_UNEXPECTED;
  ComPtr<IDirect3DSurface9> staging;
  HRESULT hr = device_->CreateOffscreenPlainSurface(size, size, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                    staging.put(), nullptr);
  if (FAILED(hr)) return hr;
  D3DLOCKED_RECT locked = {};
  hr = staging->LockRect(&locked, nullptr, 0);
  if (FAILED(hr)) return hr;
  for (UINT y = 0; y < size; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
    for (UINT x = 0; x < size; ++x) {
      const Rgb c = PatternColour((x + 0.5f) / size, (y + 0.5f) / size);
      row[x] = 0xFF000000u | (c.r << 16) | (c.g << 8) | c.b;
    }
  }
  staging->UnlockRect();
  hr = device_->CreateRenderTarget(size, size, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                   frame->put(), nullptr);
  if (FAILED(hr)) return hr;
  return device_->UpdateSurface(staging.get(), nullptr, frame->get(), nullptr);
}

HRESULT RenderBed::ReadTarget(std::vector<uint32_t>* pixels) {
  if (!device_ || !target_) return E_UNEXPECTED;
  ComPtr<IDirect3DSurface9> copy;
  HRESULT hr = device_->CreateOffscreenPlainSurface(width_, height_, D3DFMT_X8R8G8B8,
                                                    D3DPOOL_SYSTEMMEM, copy.put(), nullptr);
  if (SUCCEEDED(hr)) hr = device_->GetRenderTargetData(target_.get(), copy.get());
  D3DLOCKED_RECT locked = {};
  if (SUCCEEDED(hr)) hr = copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
  if (FAILED(hr)) return hr;
  pixels->resize(static_cast<size_t>(width_) * height_);
  for (UINT y = 0; y < height_; ++y) {
    std::memcpy(&(*pixels)[static_cast<size_t>(y) * width_],
                static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch, width_ * 4);
  }
  return copy->UnlockRect();
}

}  // namespace playcore::test
