// A stream sink that stands in front of the video renderer's own under Wine 8, so that the media
// session's sample-release notices can be switched off before the session is closed.
//
// Wine 8's session registers a release callback with the renderer's sample allocator that points
// into its record of the output node, and on every sample release queues a work item that uses that
// record without holding it. A release shortly before the session frees its topology (the renderer
// lets its samples go while the session closes) leaves a work item that runs on freed memory: a
// crash on a work-queue thread in about one close of fifteen under load. The guard hands the session
// the renderer's allocator behind a wrapper whose notices stop once the gate is closed; the player
// closes it before it closes the session. Everything else goes to the renderer's stream unchanged.
#pragma once

#include <mfidl.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace playcore {

// Open while the session may be told of sample releases.
struct ReleaseNoticeGate {
  std::atomic<bool> open{true};
  // Passes a notice to the session while the gate is open (`notice` runs under the gate's lock).
  template <class Notice>
  HRESULT Pass(Notice notice) {
    std::lock_guard<std::mutex> hold(passing);
    return open.load() ? notice() : S_OK;
  }
  // Closes the gate; a notice passing it is let finish first, so none reaches the session after.
  void Close() {
    std::lock_guard<std::mutex> hold(passing);
    open.store(false);
  }
  std::mutex passing;
};

// Wraps `stream` (a reference is taken). Only for Wine: on Windows the renderer's stream is used
// as it is.
HRESULT CreateStreamSinkGuard(IMFStreamSink* stream, std::shared_ptr<ReleaseNoticeGate> gate,
                              IMFStreamSink** guarded);

}  // namespace playcore
