// The global GPS copy and the one-off readers over a scratch map.
#include "playcore/instances/global_gps.h"

#include "playcore/instances/instance_gate.h"
#include "playcore/recorder/box_handlers.h"

#include <new>

namespace playcore {

namespace {

HANDLE g_gpsMutex = nullptr;
std::vector<sGPSPOINT>* g_gpsPoints = nullptr;  // under g_gpsMutex

BOOL CALLBACK MakeGpsMutex(PINIT_ONCE, PVOID, PVOID*) {
  g_gpsMutex = CreateMutexW(nullptr, FALSE, nullptr);
  return g_gpsMutex != nullptr;
}

INIT_ONCE g_gpsOnce = INIT_ONCE_STATIC_INIT;

const wchar_t* FileOfPair(const sRECORDINGPATHS& pair) {
  if (pair.mainPath && pair.mainPath[0]) return pair.mainPath;
  return pair.rearPath;
}

}  // namespace

bool AppendRecordingGpsPoints(const wchar_t* path, std::vector<sGPSPOINT>* points) {
  ScopedFileMap map;
  if (!path || !map->OpenFile(path)) return false;
  sTAGENTRY gps = GpsPointsEntry();
  map->FindGpsBox(&gps, sCALLERWORDS{{points, nullptr, nullptr, nullptr}});
  return true;  // a recording without drive data adds nothing
}

std::vector<sGPSPOINT>* EmptyGlobalGpsPoints() {
  if (g_gpsPoints) {
    g_gpsPoints->clear();
    return g_gpsPoints;
  }
  g_gpsPoints = new (std::nothrow) std::vector<sGPSPOINT>();
  return g_gpsPoints;
}

int InitGlobalGps() { return InitOnceExecuteOnce(&g_gpsOnce, MakeGpsMutex, nullptr, nullptr) ? 1 : 0; }

HANDLE GlobalGpsMutex() {
  InitGlobalGps();
  return g_gpsMutex;
}

std::vector<sGPSPOINT>* GlobalGpsPoints() { return g_gpsPoints; }

int FreeGlobalGpsPoints() {
  MutexLock lock(GlobalGpsMutex());
  delete g_gpsPoints;
  g_gpsPoints = nullptr;
  return 1;
}

namespace PlayerInstance {

int LoadRecorderData(const sRECORDINGPATHS* list, size_t count) {
  MutexLock lock(GlobalGpsMutex());
  delete g_gpsPoints;
  g_gpsPoints = new (std::nothrow) std::vector<sGPSPOINT>();
  if (!g_gpsPoints) return 0;
  int result = 1;
  for (size_t i = 0; i < count; ++i) {
    try {
      if (!AppendRecordingGpsPoints(FileOfPair(list[i]), g_gpsPoints)) result = 0;
    } catch (const std::bad_alloc&) {
      return 0;
    }
  }
  return result;
}

int ReadRecorderData(sPLAYERINSTANCE* instance, sGSENSORSAMPLE* sample, const wchar_t* path) {
  InstanceUse use(instance);
  if (!use.entered() || !sample) return 0;
  MutexLock lock(instance->instanceMutex);
  ScopedFileMap map;
  if (!map->OpenFile(path)) return 1;
  sTAGENTRY header = GpsSensorEntry();
  map->FindGpsBox(&header, sCALLERWORDS{{sample, nullptr, nullptr, nullptr}});
  return 1;
}

}  // namespace PlayerInstance

uint32_t GetMovieSampleCount(const wchar_t* path) {
  ScopedFileMap map;
  if (!path || !map->OpenFile(path)) return 0;
  uint32_t samples = 0;
  sTAGENTRY stsz = StszEntry();
  map->ScanForTag(&stsz, nullptr, &samples);
  return samples;
}

}  // namespace playcore
