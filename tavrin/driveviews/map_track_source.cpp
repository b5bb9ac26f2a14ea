// The tracks of the playback core for the map page: the global GPS copy under its mutex, and the
// data-source player's points under both instance locks.
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/global_gps.h"
#include "playcore/instances/instance_gate.h"
#include "tavrin/driveviews/map_host_values.h"
#include "tavrin/driveviews/map_wrap.h"

#include <new>
#include <vector>

namespace driveviews {

namespace {

class PlaycoreTrackSource final : public IMapTrackSource {
 public:
  VARIANT RecordingTrack() override {
    // A copy that runs out of memory gives the page an empty track, and the mutex goes back either way.
    std::vector<playcore::sGPSPOINT> copy;
    try {
      playcore::MutexLock lock(playcore::GlobalGpsMutex());
      if (const std::vector<playcore::sGPSPOINT>* points = playcore::GlobalGpsPoints()) copy = *points;
    } catch (const std::bad_alloc&) {
      copy.clear();
    }
    return BuildTrackArray(copy.data(), copy.size());
  }

  VARIANT PlayerTrack() override {
    VARIANT result;
    VariantInit(&result);
    playcore::PlayerCall_LockAll();
    if (const std::vector<playcore::sGPSPOINT>* points = playcore::PlayerCall_GetGpsPoints()) {
      result = BuildTrackArray(points->data(), points->size());
    }
    playcore::PlayerCall_UnlockAll();
    return result;
  }
};

}  // namespace

std::unique_ptr<IMapTrackSource> MakePlaycoreTrackSource() { return std::make_unique<PlaycoreTrackSource>(); }

}  // namespace driveviews
