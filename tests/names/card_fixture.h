// SD-card trees for the browser tests and the scan benchmark: tiny files that pass the recorder probe
// (an "ftyp" box first, a data box ending in "CSOEND" last), files it rejects, long paths and folders
// that cannot be listed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quill::test {

// The bytes of a tiny recorder movie: "ftyp" box, "mdat" box of `mediaBytes`, "gps0" data box.
std::string TinyRecordingBytes(size_t mediaBytes = 64);
// The same without the data box: the probe rejects it.
std::string TinyForeignMovieBytes();

// Writes a file (a "\\?\" prefix is added for paths of MAX_PATH or more). True on success.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool WriteTinyRecording(const std::wstring& path);
// Creates a folder and every missing parent (long paths allowed).
bool MakeFolders(const std::wstring& path);
bool FileExists(const std::wstring& path);

// Holds a folder open without sharing, so that listing it fails with a sharing violation while the
// object lives: a folder the scans cannot read.
class LockedFolder {
 public:
  explicit LockedFolder(const std::wstring& path);
  ~LockedFolder();
  LockedFolder(const LockedFolder&) = delete;
  LockedFolder& operator=(const LockedFolder&) = delete;
  bool locked() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

}  // namespace quill::test
