// A frame renderer that records every presented frame (and can read each one's frame number) and
// draws it on the window; and the reader of the frame code the generated recordings carry.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <mfidl.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/com/com_ptr.h"
#include "playcore/presenter/evr_presenter.h"
#include "playcore/presenter/frame_renderer.h"

namespace playcore::test {

using quill::com::ComPtr;

// A 32-bit picture, rows top-down (0x00RRGGBB pixels).
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<DWORD> pixels;
};

// The frame code the recordings carry: (frame, clip), or false when none is readable.
bool DecodeFrameCode(const Picture& picture, int* frame, int* clip);

struct PresentedFrame {
  LONGLONG time;      // sample time, 100 ns
  LONGLONG drawnAt;   // wall time of the draw (performance counter, 100 ns)
  int code;           // the frame number read from the picture, -1 when not read
};

class ProbeRenderer : public FrameRenderer {
 public:
  // Draws with `inner` (the plain copy when null).
  explicit ProbeRenderer(std::unique_ptr<FrameRenderer> inner = nullptr);
  HRESULT Prepare(IDirect3DDevice9* device, UINT width, UINT height, int mode) override;
  HRESULT Draw(const FrameTarget& target, IMFSample* sample, IDirect3DSurface9* frame) override;
  void ReleaseDevice() override {
    if (inner_) inner_->ReleaseDevice();
  }
  CSphereModel* scene() override { return inner_ ? inner_->scene() : nullptr; }
  D3DRawObj2* flat() override { return inner_ ? inner_->flat() : nullptr; }
  // Frees what draws (its presenter went away); the presented frames stay readable.
  void ReleaseInner() { inner_.reset(); }

  // Reads the frame number of every presented frame (small frames only: it reads the surface).
  void DecodeEveryFrame(bool on) { decodeAll_ = on; }
  std::vector<PresentedFrame> frames();

 private:
  std::unique_ptr<FrameRenderer> inner_;
  std::mutex mutex_;
  std::vector<PresentedFrame> frames_;
  bool decodeAll_ = false;
};

// Reads a surface's pixels through its device context.
bool ReadSurface(IDirect3DSurface9* surface, Picture* picture);

}  // namespace playcore::test
