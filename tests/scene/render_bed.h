// A Direct3D 9Ex device on the test bed's display that draws into an off-screen render target with
// a depth-stencil buffer, the synthetic fisheye frame the scene tests draw, and read-back of the
// target.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <string>
#include <vector>

#include "playcore/scene/com_ptr.h"

namespace playcore::test {

struct Rgb {
  int r, g, b;
};

// The test picture, by texture coordinate: a fisheye circle of radius 0.5 around (0.5, 0.5) split
// into quadrants -- top-left red, top-right green, bottom-left blue, bottom-right yellow -- bright
// inside radius 0.3 and dark outside it, white grid lines every 1/8, grey outside the circle.
Rgb PatternColour(float u, float v);
// True when the pattern has one colour in a square of +-`reach` around (u, v) (clamped to the
// texture like the sampler), so a pixel there can be checked despite filtering.
bool PatternUniformAround(float u, float v, float reach);

bool Near(const Rgb& a, const Rgb& b, int tolerance);
Rgb FromXrgb(uint32_t pixel);

class RenderBed {
 public:
  RenderBed() = default;
  ~RenderBed();
  RenderBed(const RenderBed&) = delete;
  RenderBed& operator=(const RenderBed&) = delete;

  // A window, a 9Ex device (as the present engine makes it) with a width x height back buffer and
  // a D24S8 depth-stencil, and (unless `offscreen` is false) a width x height off-screen target set
  // as render target 0.
  HRESULT Create(UINT width, UINT height, bool offscreen = true);
  // The same window and target on a new device (the old one released).
  HRESULT Recreate();
  IDirect3DDevice9* device() const { return device_.get(); }
  HWND window() const { return window_; }
  UINT width() const { return width_; }
  UINT height() const { return height_; }

  // A size x size frame surface (default-pool render target, like a presenter's sample) holding the
  // test pattern.
  HRESULT MakeFrame(UINT size, ComPtr<IDirect3DSurface9>* frame);
  // The render target's pixels, row by row (X8R8G8B8); waits for every queued draw.
  HRESULT ReadTarget(std::vector<uint32_t>* pixels);

 private:
  HWND window_ = nullptr;
  UINT width_ = 0;
  UINT height_ = 0;
  bool offscreen_ = true;
  ComPtr<IDirect3D9Ex> d3d_;
  ComPtr<IDirect3DDevice9> device_;
  ComPtr<IDirect3DSurface9> target_;
};

}  // namespace playcore::test
