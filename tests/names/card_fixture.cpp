#include "tests/names/card_fixture.h"

#include <cstring>

namespace quill::test {

namespace {

// Big-endian box header: 32-bit size then the four-character type.
std::string Box(const char* type, const std::string& payload) {
  const uint32_t size = static_cast<uint32_t>(8 + payload.size());
  std::string box;
  box.push_back(static_cast<char>(size >> 24));
  box.push_back(static_cast<char>(size >> 16));
  box.push_back(static_cast<char>(size >> 8));
  box.push_back(static_cast<char>(size));
  box.append(type, 4);
  return box + payload;
}

std::string FileTypeBox() {
  // major brand, minor version, two compatible brands
  return Box("ftyp", std::string("isom\0\0\x02\0isommp42", 16));
}

constexpr size_t kShortPathLimit = MAX_PATH - 12;

std::wstring LongPath(const std::wstring& path) {
  // CreateDirectoryW stops 12 characters short of MAX_PATH without the prefix.
  if (path.size() < kShortPathLimit || path.rfind(L"\\\\?\\", 0) == 0) return path;
  return L"\\\\?\\" + path;
}

}  // namespace

std::string TinyRecordingBytes(size_t mediaBytes) {
  // The data box: "CSODAT", a few bytes of drive data, "CSOEND" as its last bytes.
  const std::string data = "CSODAT" + std::string(26, '\0') + "CSOEND";
  return FileTypeBox() + Box("mdat", std::string(mediaBytes, '\x11')) + Box("gps0", data);
}

std::string TinyForeignMovieBytes() {
  return FileTypeBox() + Box("mdat", std::string(128, '\x22'));
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

bool WriteTinyRecording(const std::wstring& path) { return WriteFileBytes(path, TinyRecordingBytes()); }

bool MakeFolders(const std::wstring& path) {
  std::wstring folder = path;
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  if (folder.empty()) return false;
  const DWORD attributes = GetFileAttributesW(LongPath(folder).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const size_t slash = folder.rfind(L'\\');
  if (slash != std::wstring::npos && slash > 2 && !MakeFolders(folder.substr(0, slash))) return false;
  return CreateDirectoryW(LongPath(folder).c_str(), nullptr) != FALSE;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

LockedFolder::LockedFolder(const std::wstring& path)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0 /* no sharing */, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}

LockedFolder::~LockedFolder() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

}  // namespace quill::test
