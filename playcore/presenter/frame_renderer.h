// How the present engine puts a frame on the screen: the narrow interface between the engine and
// what draws (the 360-degree scene with its flat view, or a plain copy of the frame).
//
// Threads: Prepare and ReleaseDevice run on the presenter's threads under the engine lock; Draw runs
// on the scheduler thread or the presenter's threads, also under the engine lock. Implementations
// keep their own locks inside (the scene's and the flat object's). Presenting can wait for the
// video window's thread (a message sent to it), which may itself be waiting for one of those locks:
// a renderer given a `present` request leaves the presenting to the engine, which does it holding
// no lock.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <mfobjects.h>

#include <memory>

namespace playcore {

class CSphereModel;
class D3DRawObj2;

// View modes of the engine: 0 none chosen yet, 1-4 the scene's views, 5 the flat picture.
constexpr int kEngineModeNone = 0;
constexpr int kEngineModeFlat = 5;

// The presentation a renderer leaves to the engine.
struct PendingPresent {
  bool wanted = false;
  bool intoDest = false;  // into the target's destination rectangle (else the whole device window)
};

// Where one frame goes.
struct FrameTarget {
  IDirect3DDevice9* device;
  HWND window;
  RECT dest;      // client pixels of `window`
  UINT width;     // frame (and back buffer) size
  UINT height;
  int mode;       // engine mode
  PendingPresent* present = nullptr;  // set: the renderer draws only and fills it in
};

class FrameRenderer {
 public:
  virtual ~FrameRenderer() = default;
  // Readies drawing of width x height frames on `device` in `mode` (a new media type).
  virtual HRESULT Prepare(IDirect3DDevice9* device, UINT width, UINT height, int mode) = 0;
  // Draws and presents one frame (draws only and asks through `target.present` when that is set).
  // `sample` is null for a repaint of `frame`.
  virtual HRESULT Draw(const FrameTarget& target, IMFSample* sample, IDirect3DSurface9* frame) = 0;
  // The device is about to be reset or replaced: drop everything made on it.
  virtual void ReleaseDevice() = 0;
  // The scene objects, for the player's view operations; null when this renderer has none.
  virtual CSphereModel* scene() { return nullptr; }
  virtual D3DRawObj2* flat() { return nullptr; }
};

// The 360-degree scene (modes 1-4) and the flat quad (mode 5); mode 0 draws nothing.
std::unique_ptr<FrameRenderer> CreateSceneRenderer();

}  // namespace playcore
