// Writes a box tree to a file: a header for every node but the root, payload copies of leaves, file
// ranges ("mdat" with its chained ranges, raw tails, large leaves) copied from their files, and the
// joined "gps0" box.
#pragma once

#include "playcore/mp4/mp4_movie.h"
#include "playcore/mp4/output_file.h"

namespace playcore {

// The order boxes are written in: as read, or (for converted movies) with any "mdat" that precedes
// the "moov" among its siblings held back and written right after the "moov", so that a player
// finds the movie box first. In the movie-first layout "gps0" is copied as it was read.
enum class Layout { kAsRead, kMovieFirst };

// Writes the whole tree; false on any failure (the caller removes the output).
bool WriteTree(const sTAGNODE& root, OutputFile* out, Layout layout = Layout::kAsRead);

// Where the payload of `target` lands when the tree of `root` is written; false when it is not in it.
bool PayloadOffsetInOutput(const sTAGNODE& root, const sTAGNODE* target, uint64_t* offset,
                           Layout layout = Layout::kAsRead);

}  // namespace playcore
