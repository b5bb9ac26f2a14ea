// The steps the player instances take on a DirectShow graph: pure sequences over GraphPort, each
// answering the first failing call's HRESULT.
#pragma once

#include "playcore/dshow/graph_session.h"

namespace playcore {
namespace dshow {

// Times in 100-ns units, as the graph counts them; the instances turn them into positions with the
// movie's own time scale, as on the Media Foundation path.
HRESULT GetPosition(GraphPort* port, int64_t* time);
HRESULT GetDuration(GraphPort* port, int64_t* time);
// Seeks to the time when the graph can seek, clamped to 0 and to the stop position.
HRESULT Seek(GraphPort* port, int64_t time);
// The volume first (a movie without sound has none, which does not stop the rate), then the rate.
HRESULT SetRate(GraphPort* port, double rate, long volume);
// Silent, at the rate 1 / `timeScale` (about one frame a second at 30 frames a second).
HRESULT StartStepMode(GraphPort* port, float timeScale);
// Shows the frame at the current position again: run, seek to it, and pause again when `still`.
HRESULT Repaint(GraphPort* port, bool still);
// Takes every waiting event; the GraphEventBits of those seen.
int TakeEvents(GraphPort* port);

}  // namespace dshow
}  // namespace playcore
