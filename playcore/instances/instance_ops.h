// The operations of a player instance: the bodies of the 41 table slots, the drive-data hand-over
// between the instance's three maps, and the helpers the main dialog calls directly.
#pragma once

#include "playcore/instances/player_instance.h"

namespace playcore {
namespace PlayerInstance {

// Slots 0-2.
int Init(sPLAYERINSTANCE* instance, HWND videoWindow, const wchar_t* faceName);
int Release(sPLAYERINSTANCE* instance);
int ProbeFile(sPLAYERINSTANCE* instance, const wchar_t* path);

// Slots 3-4 and the transport (the player-driving parts live in player_bridge.h).
int OpenMovie(sPLAYERINSTANCE* instance, const wchar_t* path);
int CloseMovie(sPLAYERINSTANCE* instance);
int Play(sPLAYERINSTANCE* instance);
int PlayFrom(sPLAYERINSTANCE* instance, int64_t position);
int Pause(sPLAYERINSTANCE* instance);
int Stop(sPLAYERINSTANCE* instance);
int64_t GetPosition(sPLAYERINSTANCE* instance);
int Seek(sPLAYERINSTANCE* instance, int64_t position);
int SetPosition(sPLAYERINSTANCE* instance, int64_t position);
int SetRate(sPLAYERINSTANCE* instance, int32_t speedCode);
int SetStepMode(sPLAYERINSTANCE* instance, int32_t on);
int64_t GetDuration(sPLAYERINSTANCE* instance);
int64_t GetDuration2(sPLAYERINSTANCE* instance);
int64_t GetZero(sPLAYERINSTANCE* instance);
float GetTimeScale(sPLAYERINSTANCE* instance);
int GetNativeSize(sPLAYERINSTANCE* instance, int32_t* width, int32_t* height);
int SetVolume(sPLAYERINSTANCE* instance, int32_t volume);

// Slots 14-17.
int SetOption1(sPLAYERINSTANCE* instance, int32_t value);
int NoOperation(sPLAYERINSTANCE* instance);
int SetHwDecode(sPLAYERINSTANCE* instance, int32_t value);

// View, overlay and snapshot slots (20, 27-40): carried out by the renderer.
int ApplyAspectMode(sPLAYERINSTANCE* instance, int32_t mode);
int ShowOverlayText(sPLAYERINSTANCE* instance, const wchar_t* text);
int ClearOverlay(sPLAYERINSTANCE* instance);
int SetFrameMode(sPLAYERINSTANCE* instance, int32_t mode);
int SetZoom(sPLAYERINSTANCE* instance, int32_t centreX, int32_t centreY, int32_t panX, int32_t panY,
            float zoom, int32_t layout);
int MoveView(sPLAYERINSTANCE* instance, float angleX, float angleY, float fieldOfView);
int ApplyCamera(sPLAYERINSTANCE* instance);
int ToggleFlip(sPLAYERINSTANCE* instance);
int SetViewMode(sPLAYERINSTANCE* instance, int32_t mode);
int SetViewAspect(sPLAYERINSTANCE* instance, int32_t width, int32_t height);
int ResetView(sPLAYERINSTANCE* instance);
int SetRenderInterval(sPLAYERINSTANCE* instance, int32_t interval);
int SaveSnapshot(sPLAYERINSTANCE* instance, const wchar_t* jpegPath);
int Repaint(sPLAYERINSTANCE* instance);
// The frames the current movie's presenter showed and those it found missing between them (see
// FrameCounts). 1 when a ready Media Foundation player has a presenter, else 0 (nothing written).
int GetFrameCounts(sPLAYERINSTANCE* instance, uint32_t* presented, uint32_t* dropped);
int UpdateVideoRect(sPLAYERINSTANCE* instance);

// Drive data (slots 5 and 6, the pre-load and the hand-over to the current data map).
int OpenDataFile(sPLAYERINSTANCE* instance, const wchar_t* path);
int CloseDataFile(sPLAYERINSTANCE* instance);
// Reads the data of the movie being opened into the load map, taking over the pre-load when it
// holds the same path. Called with the instance mutex held. 1 when the data was loaded (with or
// without GPS points), else 0.
int LoadDataFile(sPLAYERINSTANCE* instance, const wchar_t* path);
// Pre-loads the next recording's data on the caller's thread (the main dialog's pre-open worker).
// The instance is 0 when path0 is given, else 1. 1 when loaded (an empty path answers 1).
int SwitchDataFile(const wchar_t* path0, const wchar_t* path1);
// Stops the instance's read-ahead and empties it (its file closed). 1, or 0 for an instance shut down.
int ClearReadAhead(sPLAYERINSTANCE* instance);
// For the close, before it joins the workers that read ahead: a running pre-load ends at its next
// step and every later one is refused until the next Init, so the join never waits for a whole read.
// Waits for nothing (the gate lock only). 1, or 0 for an instance shut down.
int StopReadAhead(sPLAYERINSTANCE* instance);
// Moves the load map into the current data map, where the views read it (under the instance mutex).
// 1 when the moved data was loaded.
int CommitDataFile(sPLAYERINSTANCE* instance);

// The speed code after a press of the speed-up (up = 1) or slow-down (up = 0) button.
int32_t SpeedStep(sPLAYERINSTANCE* instance, int32_t up);

// Reads the movie's time scale into the instance (the "ftyp" test, the two box passes and the media
// detector fallback) and copies it into the load map. 1, or 0 when the file is no movie or no time
// scale above 0 could be found. Called with the instance mutex held.
int ReadMovieTimeScale(sPLAYERINSTANCE* instance, const wchar_t* path);

// Fills a table with this file's operations.
void FillFuncs(sPLAYERFUNCS* funcs);

}  // namespace PlayerInstance
}  // namespace playcore
