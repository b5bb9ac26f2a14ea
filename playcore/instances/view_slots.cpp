// The view slots: where the picture goes in its pane (zoom, pan, aspect, display mode) and what the
// 360-degree scene or the flat picture shows (view mode, turning, camera, mirror, aspect, reset,
// render interval), carried out through the player's presenter and its present engine. The overlay
// and snapshot slots are in overlay_snapshot_slots.cpp; an instance playing through a DirectShow graph
// repaints through its graph.
//
// Locks: each slot runs under the gate and the instance mutex; the engine's renderer is used under the
// engine lock, and the scene and the flat object take their own locks inside (the order the drawing
// threads use: engine lock, then the scene's).
#include "playcore/instances/dshow_bridge.h"
#include "playcore/instances/instance_gate.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/instances/player_bridge_internal.h"
#include "playcore/instances/view_layout.h"
#include "playcore/player/mf_player.h"
#include "playcore/presenter/evr_presenter.h"
#include "playcore/presenter/frame_renderer.h"
#include "playcore/presenter/present_engine.h"
#include "playcore/scene/raw_obj.h"
#include "playcore/scene/sphere_model.h"

namespace playcore {
namespace PlayerInstance {

namespace {

// Runs `step` with the instance's ready player (the display control exists) under the gate and the
// instance mutex; `refused` without one.
template <class Step>
int WithPlayer(sPLAYERINSTANCE* instance, int refused, Step step) {
  InstanceUse use(instance);
  if (!use.entered()) return refused;
  MutexLock lock(instance->instanceMutex);
  CPlayer* player = bridge::PlayerOf(instance);
  if (!player || !player->ready()) return refused;
  return step(player);
}

// Runs `step` with the engine's scene and flat object under the engine lock (either may be null).
template <class Step>
int WithScene(CPlayer* player, int refused, Step step) {
  quill::com::ComPtr<EVRCustomPresenter> presenter = player->presenter();
  D3DPresentEngine* engine = presenter ? presenter->engine() : nullptr;
  if (!engine) return refused;
  quill::com::ScopedLock hold(engine->lock());
  FrameRenderer* renderer = engine->renderer();
  return step(engine, renderer ? renderer->scene() : nullptr, renderer ? renderer->flat() : nullptr);
}

// Runs `step` under the gate and the instance mutex with the player (null when none is ready).
template <class Step>
int WithInstance(sPLAYERINSTANCE* instance, int refused, Step step) {
  InstanceUse use(instance);
  if (!use.entered()) return refused;
  MutexLock lock(instance->instanceMutex);
  CPlayer* player = bridge::PlayerOf(instance);
  return step(player && player->ready() ? player : nullptr);
}

// Lays the picture out in the pane from the stored zoom, pan and aspect words and hands it to the
// player. 1 when laid out. `repaint`: a windowless graph renderer draws the picture again in its new
// place (slot 30's flag; slot 40 always).
int LayOut(sPLAYERINSTANCE* instance, CPlayer* player, bool repaint) {
  // Without a ready Media Foundation player the picture may be drawn by a filter graph.
  const bool graph = !player && dsbridge::UsesGraph(instance);
  if (!player && !graph) return 0;
  RECT client = {};
  if (!instance->videoWindow || !GetClientRect(instance->videoWindow, &client)) return 0;
  // A windowless graph renderer letter-boxes by itself; every other picture is boxed here.
  const bool box = instance->aspectMode == 1 && !(graph && dsbridge::DrawsWindowless(instance));
  LONG nativeW = 0, nativeH = 0;
  if (box && player) player->GetNativeSize(&nativeW, &nativeH);
  if (box && graph) {
    int32_t w = 0, h = 0;
    if (dsbridge::GetNativeSize(instance, &w, &h)) nativeW = w, nativeH = h;
  }
  // An instance whose zoom was never set shows the whole pane.
  const float zoom = instance->zoomFactor == 0.0f ? 1.0f : instance->zoomFactor;
  const VideoLayout layout = {zoom, instance->zoomCentreX, instance->zoomCentreY, instance->panX,
                              instance->panY, box, static_cast<int>(nativeW), static_cast<int>(nativeH)};
  RECT dest = {};
  if (!LayOutVideoRect(client, layout, &dest)) return 0;
  instance->destRect = dest;
  if (graph) return dsbridge::PlaceVideo(instance, dest, instance->aspectMode == 1, repaint);
  // Both edges exchanged turn the picture over; a presenter that cannot draw it so refuses, and the
  // slot says so (only a player whose display control is gone answers as laid out).
  const HRESULT hr = instance->displayMode != 0
                         ? player->SetVideoPosition(dest.right, dest.bottom, dest.left - dest.right, dest.top - dest.bottom)
                         : player->SetVideoPosition(dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top);
  return FAILED(hr) && hr != E_POINTER ? 0 : 1;
}

bool FlatShown(D3DPresentEngine* engine) { return engine->viewMode() == kEngineModeFlat; }

}  // namespace

int ApplyAspectMode(sPLAYERINSTANCE* instance, int32_t mode) {
  return WithInstance(instance, 0, [&](CPlayer* player) {
    instance->aspectMode = mode == 1 ? 1 : 0;
    return LayOut(instance, player, false);
  });
}


int SetFrameMode(sPLAYERINSTANCE* instance, int32_t mode) {
  return WithInstance(instance, 0, [&](CPlayer* player) {
    instance->displayMode = mode;
    return LayOut(instance, player, false);
  });
}

int SetZoom(sPLAYERINSTANCE* instance, int32_t centreX, int32_t centreY, int32_t panX, int32_t panY, float zoom,
            int32_t repaint) {
  return WithInstance(instance, 0, [&](CPlayer* player) {
    if (zoom == 0.0f) return 0;
    instance->zoomCentreX = centreX;
    instance->zoomCentreY = centreY;
    instance->panX = panX;
    instance->panY = panY;
    instance->zoomFactor = zoom;
    return LayOut(instance, player, repaint != 0);
  });
}

// A picture that moved is drawn again in its new place (a paused one too: the presenter's own pass
// after the new destination has no frame once the mixer's type was renegotiated). One that stays
// where it was is not: drawing the same frame again cost a present, which under Wine waits for the
// device's earlier work (20-45 ms a pane when a pair opens, where the aspect was just applied).
int UpdateVideoRect(sPLAYERINSTANCE* instance) {
  return WithInstance(instance, 0, [&](CPlayer* player) {
    const RECT before = instance->destRect;
    const int laid = LayOut(instance, player, true);
    if (laid && player && !EqualRect(&before, &instance->destRect)) player->RepaintVideo();
    return laid;
  });
}

int MoveView(sPLAYERINSTANCE* instance, float angleX, float angleY, float fieldOfView) {
  return WithPlayer(instance, 0, [&](CPlayer* player) {
    return WithScene(player, 0, [&](D3DPresentEngine* engine, CSphereModel* scene, D3DRawObj2*) {
      if (FlatShown(engine)) return 1;
      return scene ? scene->MoveView(angleX, angleY, fieldOfView) : 0;
    });
  });
}

int ApplyCamera(sPLAYERINSTANCE* instance) {
  WithPlayer(instance, 0, [&](CPlayer* player) {
    return WithScene(player, 0, [&](D3DPresentEngine* engine, CSphereModel* scene, D3DRawObj2*) {
      if (!FlatShown(engine) && scene) scene->ApplyCamera();
      return 0;
    });
  });
  return 0;
}

int ToggleFlip(sPLAYERINSTANCE* instance) {
  return WithPlayer(instance, 0, [&](CPlayer* player) {
    return WithScene(player, 0, [&](D3DPresentEngine* engine, CSphereModel* scene, D3DRawObj2* flat) {
      if (FlatShown(engine)) return flat ? (flat->ToggleMirror() ? 1 : 0) : 0;
      return scene ? scene->ToggleStepSign() : 0;
    });
  });
}

int SetViewMode(sPLAYERINSTANCE* instance, int32_t mode) {
  WithPlayer(instance, 0, [&](CPlayer* player) {
    if (mode < 1 || mode > 5) return 0;
    instance->renderer.engineViewMode = mode;
    return WithScene(player, 0, [&](D3DPresentEngine* engine, CSphereModel* scene, D3DRawObj2* flat) {
      engine->SetViewMode(mode);
      if (mode == kEngineModeFlat) {
        if (flat) flat->SetViewMode(mode);
      } else if (scene) {
        scene->SetViewMode(mode);
      }
      return 0;
    });
  });
  return 0;
}

int SetViewAspect(sPLAYERINSTANCE* instance, int32_t width, int32_t height) {
  WithPlayer(instance, 0, [&](CPlayer* player) {
    return WithScene(player, 0, [&](D3DPresentEngine* engine, CSphereModel* scene, D3DRawObj2*) {
      if (!FlatShown(engine) && scene) scene->SetViewAspect(width, height);
      return 0;
    });
  });
  return 0;
}

int ResetView(sPLAYERINSTANCE* instance) {
  WithPlayer(instance, 0, [&](CPlayer* player) {
    return WithScene(player, 0, [&](D3DPresentEngine* engine, CSphereModel* scene, D3DRawObj2*) {
      if (!FlatShown(engine) && scene) scene->ResetView();
      return 0;
    });
  });
  return 0;
}

int SetRenderInterval(sPLAYERINSTANCE* instance, int32_t interval) {
  WithPlayer(instance, 0, [&](CPlayer* player) {
    player->SetRenderInterval(static_cast<UINT32>(interval < 0 ? 0 : interval));
    return WithScene(player, 0, [&](D3DPresentEngine* engine, CSphereModel*, D3DRawObj2*) {
      if (interval == 0 || interval == 1) engine->SetFrameDivisor(1);
      if (interval == 2) engine->SetFrameDivisor(2);
      return 0;
    });
  });
  return 0;
}

int Repaint(sPLAYERINSTANCE* instance) {
  {
    InstanceUse use(instance);
    if (!use.entered()) return 0;
    MutexLock lock(instance->instanceMutex);
    if (dsbridge::UsesGraph(instance)) return dsbridge::Repaint(instance);
  }
  return WithPlayer(instance, 0, [&](CPlayer* player) { return SUCCEEDED(player->RepaintVideo()) ? 1 : 0; });
}

int GetFrameCounts(sPLAYERINSTANCE* instance, uint32_t* presented, uint32_t* dropped) {
  if (!presented || !dropped) return 0;
  return WithPlayer(instance, 0, [&](CPlayer* player) {
    quill::com::ComPtr<EVRCustomPresenter> presenter = player->presenter();
    if (!presenter) return 0;
    const FrameCounts counts = presenter->scheduler().frameCounts();
    *presented = counts.presented;
    *dropped = counts.dropped;
    return 1;
  });
}

}  // namespace PlayerInstance
}  // namespace playcore
