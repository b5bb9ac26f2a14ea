// Buffered output with file-to-file range copies.
#include "playcore/mp4/output_file.h"

#include <cstring>

namespace playcore {

bool OutputFile::Create(const wchar_t* path) {
  Close();
  failed_ = false;
  written_ = 0;
  file_ = UniqueHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file_) return false;
  buffer_.reserve(kBufferSize);
  return true;
}

bool OutputFile::WriteDirect(const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    if (abort_ && abort_()) {
      failed_ = true;
      return false;
    }
    DWORD chunk = size > kWritePiece ? static_cast<DWORD>(kWritePiece) : static_cast<DWORD>(size);
    DWORD done = 0;
    if (!WriteFile(file_.get(), p, chunk, &done, nullptr) || done != chunk) {
      failed_ = true;
      return false;
    }
    p += done;
    size -= done;
  }
  return true;
}

bool OutputFile::FlushBuffer() {
  if (buffer_.empty()) return !failed_;
  bool ok = WriteDirect(buffer_.data(), buffer_.size());
  buffer_.clear();
  return ok;
}

bool OutputFile::Write(const void* data, size_t size) {
  if (failed_ || !file_) return false;
  written_ += size;
  if (size >= kBufferSize) return FlushBuffer() && WriteDirect(data, size);
  if (buffer_.size() + size > kBufferSize && !FlushBuffer()) return false;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  buffer_.insert(buffer_.end(), p, p + size);
  return true;
}

bool OutputFile::WriteU16(uint16_t v) {
  uint8_t b[2] = {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  return Write(b, sizeof b);
}

bool OutputFile::WriteU32(uint32_t v) {
  uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                  static_cast<uint8_t>(v)};
  return Write(b, sizeof b);
}

bool OutputFile::WriteU64(uint64_t v) {
  return WriteU32(static_cast<uint32_t>(v >> 32)) && WriteU32(static_cast<uint32_t>(v));
}

bool OutputFile::CopyRange(const ReadOnlyFileMap& map, uint64_t offset, uint64_t size) {
  if (size == 0) return !failed_ && file_;
  if (failed_ || !file_ || !FlushBuffer()) return false;
  while (size > 0) {
    size_t chunk =
        size > ReadOnlyFileMap::kCopyWindow ? ReadOnlyFileMap::kCopyWindow : static_cast<size_t>(size);
    MappedView view = map.Map(offset, chunk);
    if (!view || !WriteDirect(view.data(), chunk)) {
      failed_ = true;
      return false;
    }
    written_ += chunk;
    offset += chunk;
    size -= chunk;
  }
  return true;
}

bool OutputFile::Finish() {
  bool ok = file_ && FlushBuffer() && !failed_;
  file_.Reset();
  return ok;
}

void OutputFile::Close() {
  buffer_.clear();
  file_.Reset();
}

}  // namespace playcore
