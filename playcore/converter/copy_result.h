// The last step of a conversion: the written movie is rewritten with its "moov" box ahead of its
// "mdat" box (so a player or an upload site can start before the whole file arrived), every chunk
// offset moved by as far as the media data moved.
#pragma once

#include <functional>
#include <string>

namespace playcore {

struct sTAGNODE;
class sMP4MOVIE;

// Shifts every "stco" and "co64" entry of the movie for the movie-first layout: an entry pointing
// into an "mdat" payload moves by the distance that payload moves. False when an entry points
// outside every "mdat", a table's entry count does not fit its payload, or a shifted 32-bit offset
// would overflow (the caller then writes nothing).
bool ShiftChunkOffsetsForMovieFirst(sMP4MOVIE* movie);

// Rewrites `temp` (a finished conversion) to `destination`: written under a temporary name in the
// destination's folder and renamed over the destination only when complete, so a failure never
// leaves a partial file under the final name. `cancelled` (may be null) is asked while the file is
// written and once more before the rename: true stops the rewrite, deletes the partial file and
// leaves the destination as it was. 1 on success, 0 on failure or cancel (nothing at `destination`
// changed).
int CopyResult(const std::wstring& temp, const std::wstring& destination,
               const std::function<bool()>& cancelled = nullptr);

}  // namespace playcore
