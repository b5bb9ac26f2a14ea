// The next movie's media source, resolved ahead on a worker while the current pair plays, so that its
// open does not wait for the resolution (a file's source takes hundreds of milliseconds to resolve).
//
// Each of the two instances keeps at most one prepared source with its path. OpenMovie takes the one
// prepared for its path and shuts down any other; the main dialog drops them when a tool starts,
// when playback stops and at the close. Every source resolved is either taken by an open or shut
// down, never left: a preparation that finishes after a take or a drop of the same instance (its
// epoch moved on) shuts its own source down instead of keeping it, and one asked for after
// StopReadAhead is refused. A kept source holds a start of the media platform until it is taken or
// dropped, so that the players' closing between two pairs cannot stop the platform under it.
//
// Lock: one lock per instance, taken alone and never across a resolution, a shut-down or a call
// into the player.
#pragma once

#include <unknwn.h>

#include "platform/com/com_ptr.h"
#include "playcore/instances/player_instance.h"

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

namespace PlayerInstance {

// Resolves the source of `path` for `instance` and keeps it (any thread; the pre-open worker). 1 when
// a source is kept for the path afterwards.
int PrepareMovie(sPLAYERINSTANCE* instance, const wchar_t* path);
// The source prepared for `path`, handed over to the caller (who must pass it to a player or shut it
// down); null when none was. A source prepared for another path is shut down.
quill::com::ComPtr<IUnknown> TakePreparedMovie(sPLAYERINSTANCE* instance, const wchar_t* path);
// Shuts down the instance's prepared source, if any.
int DropPreparedMovie(sPLAYERINSTANCE* instance);

}  // namespace PlayerInstance
}  // namespace playcore
