// Read-only file mapping with views aligned down to the allocation granularity.
#include "playcore/mp4/file_map.h"

#include <cwchar>

namespace playcore {

MappedView::MappedView(MappedView&& o) noexcept : base_(o.base_), data_(o.data_), size_(o.size_) {
  o.base_ = nullptr;
  o.data_ = nullptr;
  o.size_ = 0;
}

MappedView& MappedView::operator=(MappedView&& o) noexcept {
  if (this != &o) {
    Reset();
    base_ = o.base_;
    data_ = o.data_;
    size_ = o.size_;
    o.base_ = nullptr;
    o.data_ = nullptr;
    o.size_ = 0;
  }
  return *this;
}

void MappedView::Reset() {
  if (base_) UnmapViewOfFile(base_);
  base_ = nullptr;
  data_ = nullptr;
  size_ = 0;
}

bool ReadOnlyFileMap::OpenReadOnlyMap(const wchar_t* path) {
  Close();
  if (!path || std::wcslen(path) >= MAX_PATH) return false;
  UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return false;
  // An empty file cannot be mapped; it holds no boxes either.
  if (size.QuadPart == 0) return false;
  UniqueHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return false;
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  file_ = std::move(file);
  mapping_ = std::move(mapping);
  path_ = path;
  size_ = static_cast<uint64_t>(size.QuadPart);
  granularity_ = info.dwAllocationGranularity ? info.dwAllocationGranularity : 0x10000;
  return true;
}

void ReadOnlyFileMap::Close() {
  mapping_.Reset();
  file_.Reset();
  path_.clear();
  size_ = 0;
}

MappedView ReadOnlyFileMap::Map(uint64_t offset, size_t length) const {
  MappedView view;
  if (!mapping_ || length == 0 || offset > size_ || length > size_ - offset) return view;
  uint64_t aligned = offset - offset % granularity_;
  uint64_t delta = offset - aligned;
  if (length > SIZE_MAX - delta) return view;
  size_t span = static_cast<size_t>(delta) + length;
  void* base = MapViewOfFile(mapping_.get(), FILE_MAP_READ, static_cast<DWORD>(aligned >> 32),
                             static_cast<DWORD>(aligned & 0xFFFFFFFFu), span);
  if (!base) return view;
  view.base_ = base;
  view.data_ = static_cast<const uint8_t*>(base) + delta;
  view.size_ = length;
  return view;
}

}  // namespace playcore
