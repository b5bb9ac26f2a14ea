// The file a tree is written to: small writes are gathered in a buffer, file ranges are copied from
// read-only views of at most ReadOnlyFileMap::kCopyWindow bytes straight into the file.
//
// Threads: used by the one thread that writes the output.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "playcore/mp4/file_map.h"

namespace playcore {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { Close(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates (or truncates) the file for writing; no other process may write it meanwhile.
  bool Create(const wchar_t* path);
  bool Write(const void* data, size_t size);
  bool WriteU32(uint32_t v);
  bool WriteU64(uint64_t v);
  bool WriteU16(uint16_t v);
  // Copies [offset, offset + size) of a mapped file.
  bool CopyRange(const ReadOnlyFileMap& map, uint64_t offset, uint64_t size);
  bool Finish();  // flushes the buffer and closes; false when anything failed
  void Close();
  // Asked before each piece goes to the file: true makes that write and every later one fail (a
  // cancelled rewrite stops within one piece).
  void SetAbort(std::function<bool()> abort) { abort_ = std::move(abort); }
  uint64_t written() const { return written_; }

  // The most a single write hands the file system between two questions to the abort: a few MB,
  // about a second on a slow card.
  static constexpr size_t kWritePiece = 4u << 20;

 private:
  bool FlushBuffer();
  bool WriteDirect(const void* data, size_t size);

  static constexpr size_t kBufferSize = 1u << 20;
  UniqueHandle file_;
  std::vector<uint8_t> buffer_;
  uint64_t written_ = 0;
  bool failed_ = false;
  std::function<bool()> abort_;
};

}  // namespace playcore
