// The next movie resolved and opened ahead on a worker while the current pair plays, so that its open
// waits neither for the source's resolution nor for the player's own open (its presenter, video
// renderer and topology take most of a second).
//
// Each of the two instances keeps at most one prepared movie with its path: first its source
// (PrepareMovie), then, made from that source, a player for the instance's video window opened up to
// ready (PreparePlayer: topology set, session never started, its messages held), and once ready its
// first frame drawn ahead into a hidden window (DrawPreparedPlayerAhead), never into the video
// window, which shows the playing movie until the take-over.
// OpenMovie takes what was prepared for its path and shuts down anything prepared for another; the
// main dialog drops them when a tool starts, when playback stops and at the close. Everything made is
// either taken by an open or shut down, never left: a preparation that finishes after a take or a
// drop of the same instance (its epoch moved on) shuts its own source or player down instead of
// keeping it, and one asked for after StopReadAhead is refused. A kept source holds a start of the
// media platform until it is taken or dropped, and a kept player holds its own, so that the players'
// closing between two pairs cannot stop the platform under them.
//
// Threads: the worker prepares; the instance's thread takes and drops. A prepared player is driven by
// the preparing thread until it is kept, and by the instance's thread once taken (the slot's lock
// hands it over). Lock: one lock per instance, taken alone or under the instance mutex (an open holds
// it while it takes), never across a resolution, a player's open, a shut-down or a call into the
// player. The worker takes the instance mutex alone, only to copy the view settings. The wait for a
// prepared player's readiness leaves it in the slot (an open may take it meanwhile; the worker holds
// only a reference); the drawing ahead takes it out of the slot and puts it back, as the open does.
#pragma once

#include <unknwn.h>

#include "platform/com/com_ptr.h"
#include "playcore/instances/player_instance.h"
#include "playcore/scene/view_settings.h"

namespace playcore {

// How a source is resolved and let go; tests put fakes in.
struct MovieSourceOps {
  // Resolves `path` into a source (a reference for the caller) with a start of the platform held
  // for it; fails without holding anything.
  HRESULT (*resolve)(const wchar_t* path, IUnknown** source);
  // Lets the platform start of a source go; shuts the source down first unless `takenOver` (an open
  // took it into its player, which shuts it down with its session).
  void (*release)(IUnknown* source, bool takenOver);
};

// Installs `ops` (both null: the Media Foundation default) and answers the previous ones.
MovieSourceOps SetMovieSourceOps(MovieSourceOps ops);

// How a player is prepared and let go; tests put fakes in.
struct MoviePlayerOps {
  // Makes a player for `window` whose presenters start with `settings`, with its messages held,
  // and opens `path` in it with `source` (a source of MovieSourceOps' resolve) up to ready without
  // starting it; answers a reference in *player. On success the player owns the source (it shuts it
  // down with its session); on failure the source is the caller's still.
  HRESULT (*open)(HWND window, const sVIEWSETTINGS* settings, IUnknown* source, const wchar_t* path,
                  IUnknown** player);
  // Shuts the player down unless `takenOver` (an open took it); the caller then drops its reference.
  void (*release)(IUnknown* player, bool takenOver);
  // Waits up to `waitMs` until the opened player is ready (true) or shut down; touches nothing else.
  // Null: players are not drawn ahead.
  bool (*waitReady)(IUnknown* player, DWORD waitMs);
  // Draws the ready player's first frame ahead where no user sees it (S_FALSE: nothing drawn).
  HRESULT (*drawAhead)(IUnknown* player);
};

// Installs `ops` (both null: the Media Foundation player) and answers the previous ones.
MoviePlayerOps SetMoviePlayerOps(MoviePlayerOps ops);

// How long DrawPreparedPlayerAhead waits for the prepared player's readiness at most.
constexpr DWORD kReadyAheadWaitMs = 10000;

namespace PlayerInstance {

// Resolves the source of `path` for `instance` and keeps it (any thread; the pre-open worker). 1 when
// a source is kept for the path afterwards.
int PrepareMovie(sPLAYERINSTANCE* instance, const wchar_t* path);
// Opens a player ahead from the source kept for `path` (any thread; the pre-open worker, after
// PrepareMovie). 1 when a player is kept for the path afterwards. Under Wine the program's own
// players are never opened ahead (0, the source stays kept): see the definition.
int PreparePlayer(sPLAYERINSTANCE* instance, const wchar_t* path);
// Once the player prepared for `path` is ready, draws its first frame ahead (any thread; the pre-open
// worker, after PreparePlayer). Waits while the slot holds that player, at most kReadyAheadWaitMs; a
// take, drop or stop meanwhile ends the wait, and one that comes while it draws gets no player (it
// is shut down here instead). 1 when drawn and kept.
int DrawPreparedPlayerAhead(sPLAYERINSTANCE* instance, const wchar_t* path);
// The player prepared for `path`, handed over to the caller (who takes it over as the instance's
// player, or shuts it down); null when none was. A source prepared for `path` stays for
// TakePreparedMovie; anything prepared for another path is shut down.
quill::com::ComPtr<IUnknown> TakePreparedPlayer(sPLAYERINSTANCE* instance, const wchar_t* path);
// The source prepared for `path`, handed over to the caller (who must pass it to a player or shut it
// down); null when none was. A player prepared for it, and anything prepared for another path, is
// shut down.
quill::com::ComPtr<IUnknown> TakePreparedMovie(sPLAYERINSTANCE* instance, const wchar_t* path);
// Shuts down the instance's prepared source or player, if any.
int DropPreparedMovie(sPLAYERINSTANCE* instance);

}  // namespace PlayerInstance
}  // namespace playcore
