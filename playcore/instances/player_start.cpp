#include "playcore/instances/player_start.h"

#include <atomic>

#include "playcore/player/mf_player.h"

namespace playcore {

namespace {
std::atomic<PlayerStarter> g_starter{nullptr};
}  // namespace

PlayerStarter SetPlayerStarter(PlayerStarter starter) { return g_starter.exchange(starter); }

HRESULT StartMediaFoundationPlayer(HWND window, const sVIEWSETTINGS* owner, CPlayer** player) {
  *player = nullptr;
  PlayerStarter starter = g_starter.load();
  return (starter ? starter : CPlayer::Create)(window, owner, player);
}

}  // namespace playcore
