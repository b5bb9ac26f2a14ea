// The map's lifecycle: Init, OpenFile, Load, Clear, MoveFrom and Close.
#include "playcore/recorder/file_map.h"

#include "playcore/recorder/box_handlers.h"
#include "playcore/recorder/win_handles.h"

#include <cstring>
#include <cwchar>
#include <new>

namespace playcore {

using recorder::ScopedMutex;
using recorder::UniqueHandle;

namespace {

// A path that does not fit the field fails instead of being cut to another file's name.
bool CopyPath(wchar_t (&field)[kMapPathLength], const wchar_t* path) {
  size_t n = path ? wcsnlen(path, kMapPathLength) : kMapPathLength;
  if (n >= kMapPathLength) return false;
  std::memcpy(field, path, (n + 1) * sizeof(wchar_t));
  return true;
}

DWORD AllocationGranularity() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwAllocationGranularity;
}

template <class T>
void FreeVector(T*& v) {
  delete v;
  v = nullptr;
}

}  // namespace

int sMP4FILEMAP::Init() {
  std::memset(static_cast<void*>(this), 0, sizeof *this);
  granularity = AllocationGranularity();
  mutex = CreateMutexW(nullptr, FALSE, nullptr);
  return mutex ? 1 : 0;
}

int sMP4FILEMAP::Close() {
  HANDLE m = mutex;
  {
    // Waits for a running walk to end before anything is freed.
    ScopedMutex lock(m);
    loaded = 0;
    Clear();
    CloseHandles();
    path[0] = L'\0';
    mutex = nullptr;
  }
  if (m) CloseHandle(m);
  return 1;
}

void sMP4FILEMAP::CloseHandles() {
  UniqueHandle(mapping).Reset();
  UniqueHandle(file).Reset();
  mapping = nullptr;
  file = nullptr;
}

int sMP4FILEMAP::OpenFile(const wchar_t* newPath) {
  CloseHandles();
  fileSize = 0;
  if (!CopyPath(path, newPath)) {
    path[0] = L'\0';
    return 0;
  }
  UniqueHandle f(CreateFileW(newPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!f.valid() || !GetFileSizeEx(f.get(), &size) || size.QuadPart < 0) {
    path[0] = L'\0';
    return 0;
  }
  // A file of 0 bytes cannot be mapped; CreateFileMappingW refuses it.
  UniqueHandle m(CreateFileMappingW(f.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!m.valid()) {
    path[0] = L'\0';
    return 0;
  }
  fileSize = static_cast<uint64_t>(size.QuadPart);
  granularity = AllocationGranularity();
  file = f.Release();
  mapping = m.Release();
  return 1;
}

void sMP4FILEMAP::Clear() {
  FreeVector(gpsPoints);
  FreeVector(events);
  FreeVector(spareRecords);
  FreeVector(positionTable);
}

int sMP4FILEMAP::Load(const wchar_t* newPath) {
  recordCounter = 0;
  viewCount = 0;
  if (OpenFile(newPath) && ParseRecorderBoxes()) {
    CloseHandles();  // the records stay; the file is not needed any more
    loaded = 1;
    return 1;
  }
  Clear();
  CloseHandles();
  path[0] = L'\0';
  loaded = 0;
  return 0;
}

int sMP4FILEMAP::ParseRecorderBoxes() {
  Clear();
  gpsPoints = new (std::nothrow) std::vector<sGPSPOINT>();
  events = new (std::nothrow) std::vector<sEVENTRECORD>();
  spareRecords = new (std::nothrow) std::vector<sSPARERECORD>();
  positionTable = new (std::nothrow) std::vector<sEVENTRECORD*>();
  if (!gpsPoints || !events || !spareRecords || !positionTable) return 0;
  sTAGENTRY header = GpsSensorEntry();
  if (!FindGpsBox(&header, sCALLERWORDS{{&headerSample, nullptr, nullptr, nullptr}})) return 0;
  sTAGENTRY gps = GpsEventEntry();
  sTAGENTRY mdat = MdatEntry();
  return WalkTopBoxes(&gps, &mdat, sCALLERWORDS{{gpsPoints, events, nullptr, nullptr}});
}

int sMP4FILEMAP::MoveFrom(sMP4FILEMAP* source, sMP4FILEMAP* destination) {
  if (source != destination) {
    destination->Clear();
    destination->gpsPoints = source->gpsPoints;
    destination->events = source->events;
    destination->spareRecords = source->spareRecords;
    destination->positionTable = source->positionTable;
    destination->headerSample = source->headerSample;
    destination->peakValue = source->peakValue;
    std::memcpy(destination->peakAxis, source->peakAxis, sizeof source->peakAxis);
    destination->recordCounter = source->recordCounter;
    // The "mdat" size and the loaded flag describe the same file as the records, so they go along.
    destination->mdatSize = source->mdatSize;
    destination->mdatSizeFloat = source->mdatSizeFloat;
    destination->loaded = source->loaded;
    std::memcpy(destination->path, source->path, sizeof source->path);

    source->gpsPoints = nullptr;
    source->events = nullptr;
    source->spareRecords = nullptr;
    source->positionTable = nullptr;
    source->headerSample = sGSENSORSAMPLE{};
    source->peakValue = 0.0;
    std::memset(source->peakAxis, 0, sizeof source->peakAxis);
    source->recordCounter = 0;
    source->mdatSize = 0;
    source->mdatSizeFloat = 0.0f;
    source->loaded = 0;
    source->path[0] = L'\0';
  }
  return destination->gpsPoints && !destination->gpsPoints->empty() ? 1 : 0;
}

bool sMP4FILEMAP::TakeCancel() {
  volatile LONG* word = CancelWord();
  if (*word == 0) return false;
  InterlockedExchange(word, 0);
  return true;
}

}  // namespace playcore
