// Mapping windows of the movie file. Views start on multiples of the allocation granularity, so a
// view of `size` bytes at `offset` maps (offset mod granularity) + size bytes from the aligned start.
#include "playcore/recorder/file_map.h"

#include "playcore/bytes/checked.h"

namespace playcore {

namespace {

void ShowMapError(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                 reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  MessageBoxW(nullptr, text ? text : L"", L"Error Message", MB_OK | MB_ICONSTOP);
  if (text) LocalFree(text);
}

MapErrorReporter g_reportMapError = ShowMapError;

}  // namespace

MapErrorReporter SetMapErrorReporter(MapErrorReporter reporter) {
  MapErrorReporter old = g_reportMapError;
  g_reportMapError = reporter ? reporter : ShowMapError;
  return old;
}

void FileMapView::Reset() {
  if (base_) UnmapViewOfFile(base_);
  base_ = nullptr;
  data_ = nullptr;
  delta_ = 0;
  length_ = 0;
  offset_ = 0;
}

int sMP4FILEMAP::MapView(FileMapView* view, uint64_t offset, uint64_t size, uint64_t limit) {
  view->Reset();
  if (!mapping || granularity == 0) return 0;
  if (limit > fileSize) limit = fileSize;
  // At or past the end there is nothing to map: the end of the data, not an error.
  if (offset >= limit) return 0;
  if (size > limit - offset) size = limit - offset;
  uint64_t delta = offset % granularity;
  uint64_t aligned = offset - delta;
  uint64_t total = 0;
  if (!CheckedAdd(delta, size, &total) || total == 0 || !FitsSizeT(total)) return 0;
  void* base = MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(aligned >> 32),
                             static_cast<DWORD>(aligned), static_cast<SIZE_T>(total));
  if (!base) {
    g_reportMapError(GetLastError());
    return 0;
  }
  view->base_ = base;
  view->delta_ = delta;
  view->data_ = static_cast<const uint8_t*>(base) + static_cast<size_t>(delta);
  view->length_ = static_cast<size_t>(size);
  view->offset_ = offset;
  ++viewCount;
  return 1;
}

}  // namespace playcore
