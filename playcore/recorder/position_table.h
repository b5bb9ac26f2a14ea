// The per-position pass over a movie's drive records: position keys into playback positions, event
// values into differences between neighbours, a table from each playback position to its event
// record, links between GPS points and events, and the peak G values.
#pragma once

#include "playcore/recorder/drive_records.h"

#include <cstdint>
#include <vector>

namespace playcore {

struct sPEAKVALUES {
  double axis[3];  // largest |value 1|, |value 2|, |value 3|
  double peak;     // the largest of the three
};

// `timeScale`: milliseconds per position; `positions`: the movie's duration in positions. Answers 0
// (nothing changed) for fewer than 1 position, a time scale that is not above 0, or a table that
// cannot be allocated. The table's entries stay null when there are no events.
int BuildPositionTable(std::vector<sGPSPOINT>* points, std::vector<sEVENTRECORD>* events,
                       std::vector<sEVENTRECORD*>* table, float timeScale, int64_t positions,
                       sPEAKVALUES* peaks);

}  // namespace playcore
