// The 360-degree scene of one video pane: the fisheye picture of each frame drawn onto the divided
// screen (mode 1), the rectangle screen (2), the inside of a sphere (3) or three unrolled planes (4).
// The model owns the scene texture that every view samples, the four views and the device states,
// and offers what the present engine, the presenter and the player instance's view operations call.
// Mode 5 (the flat picture) is the engine's own; for the model any mode outside 1-4 means disabled.
//
// Threads: the presenter's threads (CreateScene, SetViewMode, Seed), the scheduler thread through the
// present engine (RenderScene / RenderSurface, ReleaseDevice) and the UI thread through the player
// instance (MoveView, ToggleStepSign, ResetView, ApplyCamera, SetViewAspect, SetViewMode). Every
// entry holds the model lock for its whole run. Lock order: model lock, then one view's lock; the
// views never take the model lock.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <mfobjects.h>

#include "playcore/scene/com_ptr.h"
#include "playcore/scene/flat_views.h"
#include "playcore/scene/sphere_view.h"
#include "playcore/scene/view_settings.h"

namespace playcore {

class CSphereModel {
 public:
  CSphereModel() = default;
  virtual ~CSphereModel();
  CSphereModel(const CSphereModel&) = delete;
  CSphereModel& operator=(const CSphereModel&) = delete;

  // Takes the view state of a player instance (done when a presenter is activated).
  void Seed(const sVIEWSETTINGS& settings);
  // The view state as the player instance keeps it (the instance's own words are 0).
  sVIEWSETTINGS Snapshot() const;

  // Builds the scene for a video of width x height on `device` (it needs no utility library): S_OK
  // and nothing when `device` is null or the scene stands on it already (a new media
  // type on the same device keeps the scene); E_INVALIDARG for an empty size. On another device
  // than the one the scene stands on, the scene is built anew. A view that fails to build is left
  // out (its failure is returned) while the others are built and drawn.
  HRESULT CreateScene(IDirect3DDevice9* device, UINT width, UINT height);
  // Selects the view (1-4 enable the scene, anything else disables it). No effect without a device.
  HRESULT SetViewMode(int mode);

  // Draws one frame from buffer 0 of `sample` and presents it (`present` false: draws only, S_FALSE
  // when nothing was drawn, and the caller presents; the model lock is never held across a present).
  HRESULT RenderScene(IDirect3DDevice9* device, IMFSample* sample, bool present = true);
  // The same from a frame surface: copied into the scene texture (once per frame), then the current
  // view is drawn and the frame presented. A null `frame` presents a black frame. E_FAIL while the
  // scene is disabled; S_OK without drawing while it is not built.
  HRESULT RenderSurface(IDirect3DDevice9* device, IDirect3DSurface9* frame, bool present = true);

  // A drag step of the current view (dx, dy already scaled by the caller; zoom is the zoom factor).
  // 0 when the step could not be applied unchanged or its camera failed, else 1.
  int MoveView(float dx, float dy, float zoom);
  // Every view upside down or back; 1 when the views are now upside down.
  int ToggleStepSign();
  // The current view's orientation back to the start (sphere and planes only).
  HRESULT ResetView();
  // Sphere: the next drag turns from the current orientation; planes: their camera again.
  HRESULT ApplyCamera();
  // The pane's aspect for every camera; ignored for an empty pane.
  void SetViewAspect(int width, int height);

  // Releases every Direct3D object of the scene; the device stays set.
  void ReleaseResources();
  // The device was lost, reset or replaced: releases the scene and forgets the device. The next
  // frame rebuilds the scene on the device it is drawn with, at the same video size. (A frame drawn
  // with another device than the scene's does the same by itself; a plain device must have the
  // scene released before its Reset, as default-pool objects block a Reset.)
  void ReleaseDevice();

  bool enabled() const;
  int viewMode() const;
  bool created() const;
  bool hasDevice() const;
  float aspect() const;
  // Whether a view was built (mode 1-4).
  bool viewReady(int mode) const;

 private:
  static constexpr int kViewSlots = 5;  // indexed by mode 1-4

  HRESULT BuildScene(IDirect3DDevice9* device, UINT width, UINT height);
  HRESULT SetDeviceStates(IDirect3DDevice9* device);
  HRESULT CreateSceneTexture(IDirect3DDevice9* device, UINT width, UINT height);
  HRESULT BuildRectangle(IDirect3DDevice9* device);
  HRESULT BuildDivided(IDirect3DDevice9* device);
  HRESULT BuildPlanes(IDirect3DDevice9* device);
  HRESULT DrawCurrentView(IDirect3DDevice9* device);
  // RenderSurface under the model lock, without the present; *drawn when there is one to make.
  HRESULT DrawSurface(IDirect3DDevice9* device, IDirect3DSurface9* frame, bool* drawn);

  // View state.
  bool enabled_ = false;
  float aspect_ = 1.0f;
  int viewMode_ = kViewRectangle;
  ComPtr<IDirect3DDevice9> device_;
  bool created_ = false;
  bool viewReady_[kViewSlots] = {};
  UINT width_ = 0;   // video size of the last built scene, for a rebuild after device loss
  UINT height_ = 0;
  // Views.
  CSphere sphere_;
  CPlainContainer planes_;
  CRectScreen rect_;
  CDivideScreenContainer divide_;
  mutable CriticalSection lock_;
  // The scene texture every view samples, and its level 0, the target of each frame's copy.
  ComPtr<IDirect3DTexture9> texture_;
  ComPtr<IDirect3DSurface9> surface_;
};

}  // namespace playcore
