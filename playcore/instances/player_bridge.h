// The steps of the instance operations that drive the player itself: the Media Foundation player
// (CPlayer) or the DirectShow graph of the renderer sub-record. The slot functions take the gate and
// the instance mutex, keep the instance's own words, and call these for the player's part; each is
// called with the instance mutex held.
//
// Until the player is built these do nothing and answer 0 (no player: nothing opened, no position,
// no duration), so every slot that needs a running player answers 0 cleanly.
#pragma once

#include "playcore/instances/player_instance.h"

namespace playcore {
namespace bridge {

// OpenMovie after the time scale was read: player set-up, open, reverse capability, duration and
// bit rate. 1 when the movie is open and ready to play.
int OpenPlayer(sPLAYERINSTANCE* instance, const wchar_t* path);
int ClosePlayer(sPLAYERINSTANCE* instance);
// Frees whatever the renderer sub-record still holds (Release).
void ReleaseRenderer(sPLAYERINSTANCE* instance);

int Play(sPLAYERINSTANCE* instance);
int PlayFrom(sPLAYERINSTANCE* instance, int64_t position);
int Pause(sPLAYERINSTANCE* instance, bool stop);
// The position, or -1 when the clock could not be read; 0 with no player.
int64_t GetPosition(sPLAYERINSTANCE* instance);
int Seek(sPLAYERINSTANCE* instance, int64_t position);
int64_t GetDuration(sPLAYERINSTANCE* instance);
int GetNativeSize(sPLAYERINSTANCE* instance, int32_t* width, int32_t* height);
// The rate already resolved from the speed code; `sound`: the stored volume is audible.
int SetRate(sPLAYERINSTANCE* instance, float rate, bool sound);
// `volume`: what the player plays at (0 when the speed code mutes it).
int SetVolume(sPLAYERINSTANCE* instance, int32_t volume);
int SetStepMode(sPLAYERINSTANCE* instance, bool on);
// True on the Media Foundation path (a CPlayer exists).
bool UsesMediaFoundation(const sPLAYERINSTANCE* instance);

}  // namespace bridge
}  // namespace playcore
