// The player's part of the instance operations, before the player exists: nothing is opened, so
// every step answers 0 and leaves the instance as it was.
#include "playcore/instances/player_bridge.h"

namespace playcore {
namespace bridge {

int OpenPlayer(sPLAYERINSTANCE*, const wchar_t*) { return 0; }
int ClosePlayer(sPLAYERINSTANCE*) { return 0; }
void ReleaseRenderer(sPLAYERINSTANCE*) {}
int Play(sPLAYERINSTANCE*) { return 0; }
int PlayFrom(sPLAYERINSTANCE*, int64_t) { return 0; }
int Pause(sPLAYERINSTANCE*, bool) { return 0; }
int64_t GetPosition(sPLAYERINSTANCE*) { return 0; }
int Seek(sPLAYERINSTANCE*, int64_t) { return 0; }
int64_t GetDuration(sPLAYERINSTANCE*) { return 0; }
int GetNativeSize(sPLAYERINSTANCE*, int32_t*, int32_t*) { return 0; }
int SetRate(sPLAYERINSTANCE*, float, bool) { return 0; }
int SetVolume(sPLAYERINSTANCE*, int32_t) { return 0; }
int SetStepMode(sPLAYERINSTANCE*, bool) { return 0; }
bool UsesMediaFoundation(const sPLAYERINSTANCE* instance) { return instance->renderer.player != nullptr; }

}  // namespace bridge
}  // namespace playcore
