// The steps of the instance operations that drive the player itself: the Media Foundation player
// (CPlayer) or the DirectShow graph of the renderer sub-record. The slot functions take the gate and
// the instance mutex, keep the instance's own words, and call these for the player's part; each is
// called with the instance mutex held.
//
// An instance whose Media Foundation player cannot be started plays through a DirectShow graph
// (dshow_bridge.h); one that cannot open the file answers 0 and keeps nothing open.
//
// Threads: besides the callers' thread, each instance may run one step thread (SetStepMode). It
// takes no lock: it reads the play state (an atomic word), waits on its stop event between steps
// and only posts messages.
#pragma once

#include "platform/framework/private_messages.h"

#include "playcore/instances/player_instance.h"
#include "playcore/scene/view_settings.h"

namespace playcore {
namespace bridge {

// OpenMovie after the time scale was read: player set-up, open, reverse capability, duration and
// bit rate. 1 when the movie is open (its player posts quill::msg::kPlayerReady when it is ready to play).
int OpenPlayer(sPLAYERINSTANCE* instance, const wchar_t* path);
// Keeps the view state for the next movie, pauses and closes the session, frees the player.
int ClosePlayer(sPLAYERINSTANCE* instance);
// Frees whatever the renderer sub-record still holds (Release).
void ReleaseRenderer(sPLAYERINSTANCE* instance);

int Play(sPLAYERINSTANCE* instance);
// Whether the player's session is at rest (stopped or paused), as after the movie's end or a seek,
// even while the instance still reads playing; false with no player or one still opening.
bool AtRest(sPLAYERINSTANCE* instance);
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

// The view state a new presenter of this instance starts with, kept in the instance's own record (each
// pane its own); CloseMovie stores the scene's state there so that the next movie keeps the view. Read
// and written under the instance mutex.
sVIEWSETTINGS* ViewSettings(sPLAYERINSTANCE* instance);
// A copy of the view a new presenter of this instance would start with now (under the instance
// mutex): what a player prepared ahead starts with until its take-over gives it the view of then.
sVIEWSETTINGS NextMovieView(sPLAYERINSTANCE* instance);

// Messages of the step thread to the parent of the video window (lParam: the step position).
constexpr UINT kMsgStepTick = quill::msg::kStepTick;
constexpr UINT kMsgStepEnd = quill::msg::kStepEnd;

}  // namespace bridge
}  // namespace playcore
