// The global GPS copy: the GPS points of every recording of the current list, read by the map views
// and the main dialog under its own mutex, and the small one-off readers of a recording's data.
#pragma once

#include "playcore/instances/player_instance.h"

#include <vector>

namespace playcore {

// The main and rear camera paths of one entry of the recording list.
struct sRECORDINGPATHS {
  const wchar_t* mainPath;  // empty or null when the recording has only a rear file
  const wchar_t* rearPath;
};

// Makes the global GPS mutex; called once at start-up before the first use (later calls do nothing).
int InitGlobalGps();
HANDLE GlobalGpsMutex();
// The copy itself; read and replaced only under GlobalGpsMutex().
std::vector<sGPSPOINT>* GlobalGpsPoints();
int FreeGlobalGpsPoints();
// Empties the copy, making it when there is none; null when out of memory. The caller holds
// GlobalGpsMutex().
std::vector<sGPSPOINT>* EmptyGlobalGpsPoints();
// Appends the GPS points of one recording file's data box to `points`; false when the file cannot be
// opened (a recording without drive data adds nothing and is no failure).
bool AppendRecordingGpsPoints(const wchar_t* path, std::vector<sGPSPOINT>* points);

namespace PlayerInstance {

// Rebuilds the global copy from the list in order: the main file of each entry (the rear file when
// there is no main path), record numbers restarting at 0 for each file. A file that cannot be read
// adds nothing and makes the result 0; the files after it are still read. It reads on the calling
// thread: the main window hands its lists to a ListTrackLoader instead (list_track_loader.h).
int LoadRecorderData(const sRECORDINGPATHS* list, size_t count);

namespace detail {
// The paths of a list record: the recording list's own records (the browser's sRECORDINGPAIR, which
// this layer cannot name) hold them in `szMainPath` and `szRearPath`; plain records with `mainPath`
// and `rearPath` are read too.
template <class Pair>
auto PathsOf(const Pair& p, int) -> decltype(sRECORDINGPATHS{p.szMainPath, p.szRearPath}) {
  return sRECORDINGPATHS{p.szMainPath, p.szRearPath};
}
template <class Pair>
sRECORDINGPATHS PathsOf(const Pair& p, long) {
  return sRECORDINGPATHS{p.mainPath, p.rearPath};
}
}  // namespace detail

// The same over a list of records, in the recording list's order.
template <class Pair>
int LoadRecorderDataOf(const std::vector<Pair>& pairs) {
  std::vector<sRECORDINGPATHS> paths;
  paths.reserve(pairs.size());
  for (const Pair& p : pairs) paths.push_back(detail::PathsOf(p, 0));
  return LoadRecorderData(paths.data(), paths.size());
}

// Reads the header G-sensor sample of a recording under the instance's mutex. 1 (the sample stays
// cleared when the file holds none).
int ReadRecorderData(sPLAYERINSTANCE* instance, sGSENSORSAMPLE* sample, const wchar_t* path);

}  // namespace PlayerInstance

// The "stsz" sample count of a movie; 0 when it cannot be read.
uint32_t GetMovieSampleCount(const wchar_t* path);

}  // namespace playcore
