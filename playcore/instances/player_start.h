// The start-up check that chooses an instance's playback path: when it makes a Media Foundation
// player the instance plays through it, otherwise through a DirectShow filter graph. The check is
// CPlayer::Create ("Mfplat.dll" loads, MFStartup works, the player's events can be made); tests
// replace it to force either path, per video window if they like.
#pragma once

#include <windows.h>

#include "playcore/scene/view_settings.h"

class CPlayer;

namespace playcore {

using PlayerStarter = HRESULT (*)(HWND window, const sVIEWSETTINGS* owner, CPlayer** player);
// Null restores CPlayer::Create. Answers the starter in use before.
PlayerStarter SetPlayerStarter(PlayerStarter starter);
// A failure means "no Media Foundation for this window": *player stays null.
HRESULT StartMediaFoundationPlayer(HWND window, const sVIEWSETTINGS* owner, CPlayer** player);

}  // namespace playcore
