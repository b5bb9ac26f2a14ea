// The tracks of the playback core for the map page: the global GPS copy under its mutex, and the
// data-source player's points under both instance locks.
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/global_gps.h"
#include "tavrin/driveviews/map_host_values.h"
#include "tavrin/driveviews/map_wrap.h"

#include <vector>

namespace driveviews {

namespace {

class PlaycoreTrackSource final : public IMapTrackSource {
 public:
  VARIANT RecordingTrack() override {
    std::vector<playcore::sGPSPOINT> copy;
    HANDLE mutex = playcore::GlobalGpsMutex();
    if (mutex) WaitForSingleObject(mutex, INFINITE);
    if (const std::vector<playcore::sGPSPOINT>* points = playcore::GlobalGpsPoints()) copy = *points;
    if (mutex) ReleaseMutex(mutex);
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
