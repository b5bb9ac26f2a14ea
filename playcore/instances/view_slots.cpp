// The view slots. They act on the renderer's scene and picture, which exist only with an open player;
// until the renderer carries them out they answer 0 on every instance, except the repaint of an
// instance playing through a DirectShow graph. (The overlay and snapshot slots are in
// overlay_snapshot_slots.cpp.)
#include "playcore/instances/dshow_bridge.h"
#include "playcore/instances/instance_gate.h"
#include "playcore/instances/instance_ops.h"

namespace playcore {
namespace PlayerInstance {

namespace {

// Enters the instance so that an inactive or released one is never touched, then answers 0.
int Unsupported(sPLAYERINSTANCE* instance) {
  InstanceUse use(instance);
  return 0;
}

}  // namespace

int ApplyAspectMode(sPLAYERINSTANCE* instance, int32_t) { return Unsupported(instance); }
int SetFrameMode(sPLAYERINSTANCE* instance, int32_t) { return Unsupported(instance); }
int SetZoom(sPLAYERINSTANCE* instance, int32_t, int32_t, int32_t, int32_t, float, int32_t) {
  return Unsupported(instance);
}
int MoveView(sPLAYERINSTANCE* instance, float, float, float) { return Unsupported(instance); }
int ApplyCamera(sPLAYERINSTANCE* instance) { return Unsupported(instance); }
int ToggleFlip(sPLAYERINSTANCE* instance) { return Unsupported(instance); }
int SetViewMode(sPLAYERINSTANCE* instance, int32_t) { return Unsupported(instance); }
int SetViewAspect(sPLAYERINSTANCE* instance, int32_t, int32_t) { return Unsupported(instance); }
int ResetView(sPLAYERINSTANCE* instance) { return Unsupported(instance); }
int SetRenderInterval(sPLAYERINSTANCE* instance, int32_t) { return Unsupported(instance); }
int Repaint(sPLAYERINSTANCE* instance) {
  InstanceUse use(instance);
  if (!use.entered()) return 0;
  MutexLock lock(instance->instanceMutex);
  return dsbridge::UsesGraph(instance) ? dsbridge::Repaint(instance) : 0;
}
int UpdateVideoRect(sPLAYERINSTANCE* instance) { return Unsupported(instance); }

}  // namespace PlayerInstance
}  // namespace playcore
