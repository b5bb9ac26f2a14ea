// OpenMovie's time-scale reading: the "ftyp" test, two passes over the boxes on a scratch map of its
// own (the instance's maps hold the drive data of the movie that stays open when this one fails), and
// the media detector when the boxes cannot be trusted.
#include "playcore/instances/time_scale.h"

#include "playcore/instances/instance_ops.h"
#include "playcore/instances/media_detector.h"
#include "playcore/recorder/box_handlers.h"
#include "playcore/recorder/recorder_probe.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace playcore {

namespace {

constexpr size_t kHeadBytes = 260;           // the bytes read for the "ftyp" test
constexpr float kMinTrustedSeconds = 1.5f;
constexpr float kTrustedShortScale = 15.0f;  // a scale the recorder writes exactly

// Empties the scratch map again: loaded flag, records, handles and path.
void ClearScratch(sMP4FILEMAP* map) {
  map->loaded = 0;
  map->Clear();
  map->CloseHandles();
  map->path[0] = L'\0';
}

// The "stts" time scale of the first track; 0 when the walk or the table failed.
float WalkToStts(sMP4FILEMAP* map) {
  map->timeScale = 0.0f;
  sTAGENTRY stts = SttsEntry();
  if (!map->WalkBoxPath(&stts)) return 0.0f;
  return map->timeScale;
}

// First pass: the "mvhd" duration and the "stts" time scale. True when the reading is accepted.
bool FirstPass(sMP4FILEMAP* map, const wchar_t* path, float* timeScale) {
  if (!map->OpenFile(path)) return false;
  float seconds = 0.0f;
  sTAGENTRY mvhd = MvhdEntry();
  sTAGENTRY moov = MoovEntry();
  map->ScanForTag(&mvhd, &moov, &seconds);
  *timeScale = WalkToStts(map);
  return TimeScaleAccepted(seconds, *timeScale);
}

// Second pass: the file opened afresh and walked once more; the reading stands only when it works.
bool SecondPass(sMP4FILEMAP* map, const wchar_t* path, float* timeScale) {
  if (!map->OpenFile(path)) return false;
  float again = WalkToStts(map);
  if (!(again > 0.0f)) return false;
  *timeScale = again;
  return true;
}

}  // namespace

bool TimeScaleAccepted(float durationSeconds, float timeScale) {
  if (!(timeScale > 0.0f) || !std::isfinite(timeScale)) return false;
  return durationSeconds > kMinTrustedSeconds || timeScale == kTrustedShortScale;
}

bool FileHasFileType(const wchar_t* path) {
  if (!path) return false;
  FILE* f = _wfopen(path, L"rb");
  if (!f) return false;
  uint8_t head[kHeadBytes];
  size_t n = fread(head, 1, sizeof head, f);
  fclose(f);
  return HeadHasFileType(head, n);
}

namespace PlayerInstance {

int ReadMovieTimeScale(sPLAYERINSTANCE* instance, const wchar_t* path) {
  if (!FileHasFileType(path)) return 0;
  ScopedFileMap scratchMap;
  sMP4FILEMAP* scratch = &scratchMap.get();
  float timeScale = 0.0f;
  bool accepted = FirstPass(scratch, path, &timeScale);
  instance->timeScale = timeScale;
  ClearScratch(scratch);
  if (accepted) {
    accepted = SecondPass(scratch, path, &timeScale);
    if (accepted) instance->timeScale = timeScale;
    ClearScratch(scratch);
  }
  if (!accepted && !MediaDetectorTimeScale(path, &instance->timeScale)) return 0;
  // Without a time scale above 0 every position would be a division by zero: the movie is refused.
  if (!(instance->timeScale > 0.0f) || !std::isfinite(instance->timeScale)) return 0;
  // The per-position pass divides the load map's keys by it.
  instance->loadMap.timeScale = instance->timeScale;
  instance->loadMap.timeScaleCopy = instance->timeScale;
  return 1;
}

}  // namespace PlayerInstance
}  // namespace playcore
