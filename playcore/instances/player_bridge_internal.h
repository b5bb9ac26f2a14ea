// Helpers shared by the two files of the player bridge.
#pragma once

#include <windows.h>

#include "playcore/instances/player_instance.h"

namespace playcore {
namespace bridge {

CPlayer* PlayerOf(const sPLAYERINSTANCE* instance);
// The overlay drawing surfaces of the renderer sub-record, made with the player and freed with it.
bool MakeOverlaySurfaces(sRENDERERSTATE* renderer, HWND window);
void ReleaseOverlaySurfaces(sRENDERERSTATE* renderer);
// Ends the step thread, if one runs (bounded wait).
void StopStepThread(sPLAYERINSTANCE* instance);
// 1 for a success code; 0 for a failure, without a message box (set-up steps whose failure only
// means "this path is not available").
inline int SucceededQuietly(HRESULT hr) { return SUCCEEDED(hr) ? 1 : 0; }

}  // namespace bridge
}  // namespace playcore
