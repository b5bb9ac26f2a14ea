// A read-only file mapping and bounded views into it. The box tree reads headers and small payloads
// through short views, and the join writer copies "mdat" and "gps0" ranges file to file through views
// of at most kCopyWindow bytes, so no sample data is ever held in memory as a whole.
//
// Threads: an open map is used by the thread that owns the movie it belongs to.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "playcore/bytes/unique_handle.h"

namespace playcore {

// A mapped view of a byte range; data() points at the first byte asked for (the mapping itself starts
// at the allocation granularity below it).
class MappedView {
 public:
  MappedView() = default;
  ~MappedView() { Reset(); }
  MappedView(MappedView&& o) noexcept;
  MappedView& operator=(MappedView&& o) noexcept;
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }
  void Reset();

 private:
  friend class ReadOnlyFileMap;
  void* base_ = nullptr;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

class ReadOnlyFileMap {
 public:
  // Views for copying file ranges are at most this long (32 MB).
  static constexpr size_t kCopyWindow = 0x2000000;

  // Opens the file read-only (others may read it too) and maps it; false when either fails.
  // Path length is checked: a path that does not fit MAX_PATH is refused, never truncated.
  bool OpenReadOnlyMap(const wchar_t* path);
  void Close();
  bool IsOpen() const { return static_cast<bool>(file_); }

  // A view of [offset, offset + length) or an empty view when the range is not inside the file or
  // cannot be mapped. A length of 0 gives an empty view.
  MappedView Map(uint64_t offset, size_t length) const;

  uint64_t size() const { return size_; }
  const std::wstring& path() const { return path_; }
  HANDLE file() const { return file_.get(); }

 private:
  UniqueHandle file_;
  UniqueHandle mapping_;
  std::wstring path_;
  uint64_t size_ = 0;
  DWORD granularity_ = 0x10000;
};

}  // namespace playcore
