// The frame renderer of the program: the 360-degree scene with its flat view.
#include "playcore/presenter/frame_renderer.h"

#include "platform/com/com_ptr.h"

#include "playcore/scene/raw_obj.h"
#include "playcore/scene/sphere_model.h"

namespace playcore {

namespace {

// The flat quad is set up with this many vertices (two triangles as a strip).
constexpr UINT kFlatQuadVertices = 4;

class SceneRenderer final : public FrameRenderer {
 public:
  HRESULT Prepare(IDirect3DDevice9* device, UINT width, UINT height, int mode) override {
    if (mode == kEngineModeNone) return S_OK;
    if (mode == kEngineModeFlat) {
      const HRESULT hr = flat_.Create(device, width, height, kFlatQuadVertices);
      if (FAILED(hr)) return hr;
      Lock lock(flat_.lock());
      flat_.SetViewMode(kEngineModeFlat);
      return S_OK;
    }
    // A view that failed to build is left out, and the mode is still set: that view draws black.
    const HRESULT hr = scene_.CreateScene(device, width, height);
    const HRESULT set = scene_.SetViewMode(mode);
    return FAILED(hr) ? hr : set;
  }

  HRESULT Draw(const FrameTarget& t, IMFSample* sample, IDirect3DSurface9* frame) override {
    const bool present = t.present == nullptr;
    HRESULT hr = S_OK;
    if (t.mode == kEngineModeFlat) {
      hr = flat_.Draw(t.device, frame, t.window, t.dest, t.width, t.height, present);
    } else if (sample) {
      hr = scene_.RenderScene(t.device, sample, present);
    } else {
      // The scene draws only from a sample: a repaint without one leaves the picture as it is.
      return S_OK;
    }
    if (hr == S_OK && t.present) t.present->wanted = true;
    return hr;
  }

  void ReleaseDevice() override {
    scene_.ReleaseDevice();
    flat_.Release();
  }

  CSphereModel* scene() override { return &scene_; }
  D3DRawObj2* flat() override { return &flat_; }

 private:
  CSphereModel scene_;
  D3DRawObj2 flat_;
};

}  // namespace

std::unique_ptr<FrameRenderer> CreateSceneRenderer() { return std::make_unique<SceneRenderer>(); }

}  // namespace playcore
