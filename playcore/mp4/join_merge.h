// Box-level merge of one recording into the joined movie of its channel: sample tables are
// concatenated and shifted, durations added, and the "mdat" and "gps0" ranges chained, without
// decoding. Every table is checked before anything is changed, so a refused merge leaves the joined
// movie as it was (only a failed allocation can stop half way; the join is then refused as a whole).
#pragma once

#include <string>

#include "playcore/mp4/mp4_movie.h"
#include "playcore/mp4/tree_writer.h"

namespace playcore {

// Merges `next` into `joined`. `next` must stay loaded until the join is written. False with a
// reason when the two cannot be joined losslessly.
bool MergeRecording(sMP4MOVIE* joined, sMP4MOVIE* next, std::string* why);

// Turns relative chunk offsets into file offsets of the layout the writer will produce. False when
// the output would not fit 32-bit offsets.
bool ResolveChunkOffsets(sMP4MOVIE* movie, Layout layout, std::string* why);

}  // namespace playcore
