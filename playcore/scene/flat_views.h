// View modes 1, 2 and 4: flat grids in the plane z = 0 watched by a camera that looks straight at
// them and pans over them.
//   CRectScreen             (mode 2) the whole picture on one rectangle;
//   CDivideScreenContainer  (mode 1) the ring unrolled into two half-turn strips, one above the other;
//   CPlainContainer         (mode 4) the ring unrolled into a full-turn strip laid three times side
//                                    by side, so a pan wraps around without a seam.
//
// Threads: called by the scene model under its lock from the presenter's threads (buffers), the
// scheduler thread (camera, draw) and the UI thread (drag, flip, reset). Every entry takes the
// view's own lock; lock order: model lock, then this one.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include "playcore/scene/com_ptr.h"
#include "playcore/scene/scene_device.h"
#include "playcore/scene/view_state.h"

namespace playcore {

// Triangles drawn from each buffer.
constexpr UINT kRectangleTriangles = 512;
constexpr UINT kDividedTriangles = 2304;
constexpr UINT kPlaneTriangles = 18432;

// Camera fields, lock, camera, drag and flip shared by the three flat views.
class FlatView {
 public:
  virtual ~FlatView() = default;
  FlatView(const FlatView&) = delete;
  FlatView& operator=(const FlatView&) = delete;

  // Stores the aspect (as the view uses it) and sets view, projection, wrap and an identity world.
  HRESULT SetCamera(IDirect3DDevice9* device, float aspect);
  // The camera again with the stored aspect.
  HRESULT ApplyStoredCamera(IDirect3DDevice9* device);
  // A drag step, then the camera with the stored aspect; true when the camera succeeded.
  bool MoveView(IDirect3DDevice9* device, float dx, float dy, float zoom);
  // Upside down or back, then the camera with the stored aspect.
  HRESULT Flip(IDirect3DDevice9* device);

  void Seed(const FlatViewState& state);
  FlatViewState state() const;

 protected:
  explicit FlatView(float eyeZ);
  virtual float UsedAspect(float aspect) const { return aspect; }
  virtual void DragStep(FlatViewState* state, float dx, float dy, float zoom) const = 0;

  mutable CriticalSection lock_;
  FlatViewState state_;

 private:
  float eyeZ_;
};

class CRectScreen : public FlatView {
 public:
  CRectScreen();
  HRESULT CreateBuffer(IDirect3DDevice9* device);
  // Fills the buffer with a width x 1 grid centred at (xc, yc); S_OK and nothing without a buffer.
  HRESULT CreateGeometry(float xc, float yc, float width);
  // Its own camera with `aspect`, then the grid; the first failure is returned.
  HRESULT Draw(IDirect3DDevice9* device, IDirect3DTexture9* texture, float aspect);
  void ReleaseBuffers();
  bool hasBuffer() const;

 protected:
  void DragStep(FlatViewState* state, float dx, float dy, float zoom) const override;

 private:
  GridBuffer buffer_;
};

class CDivideScreen : public GridBuffer {};

class CDivideScreenContainer : public FlatView {
 public:
  static constexpr int kScreens = 2;
  CDivideScreenContainer();
  // One buffer per screen; a failed buffer only leaves that screen out. Returns the first failure.
  HRESULT CreateBuffers(IDirect3DDevice9* device);
  HRESULT CreateScreenGeometry(int screen, float xc, float yb, float widthFactor);
  // Draws each screen that has a buffer (the camera was set before); failures only stop the
  // screen they happen in, so the result is always S_OK.
  HRESULT Draw(IDirect3DDevice9* device, IDirect3DTexture9* texture);
  void ReleaseBuffers();

 protected:
  float UsedAspect(float aspect) const override { return DividedAspect(aspect); }
  void DragStep(FlatViewState* state, float dx, float dy, float zoom) const override;

 private:
  CDivideScreen screens_[kScreens];
};

class CPlain : public GridBuffer {};

class CPlainContainer : public FlatView {
 public:
  static constexpr int kPlanes = 3;
  CPlainContainer();
  HRESULT CreateBuffers(IDirect3DDevice9* device);
  HRESULT CreatePlaneGeometry(int plane, float xo, float yo);
  HRESULT Draw(IDirect3DDevice9* device, IDirect3DTexture9* texture);
  // Both pans back to 0, then the camera with the stored aspect.
  HRESULT Reset(IDirect3DDevice9* device);
  void ReleaseBuffers();

 protected:
  void DragStep(FlatViewState* state, float dx, float dy, float zoom) const override;

 private:
  CPlain planes_[kPlanes];
};

}  // namespace playcore
