// Writer of the recorder's data box for a joined chain of recordings.
//
// Layout of the payload written (big-endian): "CSODAT", the 26 header bytes of the first recording's
// box, the 16-bit record count, the 79-byte records of every recording in chain order, "CSOEND". A
// recording joined without a data box of its own contributes invalid records (no fix, no event, no
// time) over its span instead.
#pragma once

#include "playcore/mp4/mp4_movie.h"
#include "playcore/mp4/output_file.h"

namespace playcore {

// The joined record count of a chain headed by `first` (its own count when nothing was joined).
uint64_t GpsTotalRecords(const sTAGNODE& first);

// Writes the payload (not the box header) for `first` and the boxes chained to it. Fails, writing
// nothing more, when a box is not well formed or the count does not fit the 16-bit field.
bool WriteGpsPayload(const sTAGNODE& first, OutputFile* out);

}  // namespace playcore
