#include "tests/join/join_fixture.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/test_env.h"

namespace quill::test {

namespace {

std::wstring FromEnv(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return std::wstring();
  std::wstring dir = HostPathToWindows(v);
  if (dir.back() != L'\\') dir += L'\\';
  return dir;
}

}  // namespace

std::wstring JoinInput(const char* name) {
  std::wstring dir = FromEnv("QUILL_JOIN_INPUTS");
  return dir + std::wstring(name, name + std::strlen(name));
}

std::wstring JoinOutputDir() {
  std::wstring dir = FromEnv("QUILL_JOIN_OUTPUTS");
  if (!dir.empty()) CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

bool HaveJoinInputs() { return FileExists(JoinInput("main_1.mp4")); }

Bytes ReadAll(const std::wstring& path) {
  Bytes data;
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return data;
  uint8_t buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
  fclose(f);
  return data;
}

bool WriteAll(const std::wstring& path, const Bytes& data) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  bool ok = data.empty() || fwrite(data.data(), 1, data.size(), f) == data.size();
  return fclose(f) == 0 && ok;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

uint64_t FileSizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return 0;
  return (static_cast<uint64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

uint64_t Fingerprint(const std::wstring& path) {
  const uint64_t kPrime = 1099511628211ULL;
  uint64_t h = 14695981039346656037ULL;
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return 0;
  uint64_t size = FileSizeOf(path);
  if (size > (64u << 20)) {
    uint64_t parts[3] = {size, a.ftLastWriteTime.dwLowDateTime, a.ftLastWriteTime.dwHighDateTime};
    for (uint64_t p : parts) h = (h ^ p) * kPrime;
    return h;
  }
  for (uint8_t b : ReadAll(path)) h = (h ^ b) * kPrime;
  return h ^ size;
}

int CountEntries(const std::wstring& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do {
    if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L"..")) ++n;
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return n;
}

Bytes U32(uint32_t v) {
  return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
          static_cast<uint8_t>(v)};
}

Bytes U16(uint16_t v) { return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}; }

Bytes Repeat(uint8_t byte, size_t n) { return Bytes(n, byte); }

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Box(const char* type, const Bytes& payload) {
  Bytes out = U32(static_cast<uint32_t>(8 + payload.size()));
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

uint32_t GetBE32(const Bytes& b, size_t at) {
  return (static_cast<uint32_t>(b[at]) << 24) | (static_cast<uint32_t>(b[at + 1]) << 16) |
         (static_cast<uint32_t>(b[at + 2]) << 8) | b[at + 3];
}

void PutBE32(Bytes* b, size_t at, uint32_t v) {
  Bytes x = U32(v);
  std::memcpy(b->data() + at, x.data(), 4);
}

int64_t FindBox(const Bytes& file, std::initializer_list<const char*> path, size_t* size) {
  size_t begin = 0, end = file.size();
  int64_t found = -1;
  for (const char* type : path) {
    found = -1;
    for (size_t pos = begin; pos + 8 <= end;) {
      uint32_t s = GetBE32(file, pos);
      if (s < 8 || pos + s > end) return -1;
      if (std::memcmp(&file[pos + 4], type, 4) == 0) {
        found = static_cast<int64_t>(pos);
        begin = pos + 8;
        end = pos + s;
        if (size) *size = s;
        break;
      }
      pos += s;
    }
    if (found < 0) return -1;
  }
  return found;
}

Bytes WithLargeMdatHeader(const Bytes& recording) {
  Bytes out = recording;
  size_t mdatSize = 0;
  int64_t free = FindBox(out, {"free"});
  int64_t mdat = FindBox(out, {"mdat"}, &mdatSize);
  if (free < 0 || mdat != free + 8 || GetBE32(out, static_cast<size_t>(free)) != 8) return Bytes();
  Bytes header = Cat({U32(1), {'m', 'd', 'a', 't'}, U32(0), U32(static_cast<uint32_t>(mdatSize + 8))});
  std::memcpy(&out[static_cast<size_t>(free)], header.data(), header.size());
  return out;
}

Bytes GpsBox(uint32_t count, uint8_t fill) {
  Bytes records;
  for (uint32_t k = 0; k < count; ++k) {
    char head[8];
    snprintf(head, sizeof head, "%05u", k % 100000);
    Bytes rec(79, fill);
    std::memcpy(rec.data(), head, 5);
    records.insert(records.end(), rec.begin(), rec.end());
  }
  Bytes header(26, 'h');
  Bytes tag = {'C', 'S', 'O', 'D', 'A', 'T'};
  Bytes end = {'C', 'S', 'O', 'E', 'N', 'D'};
  return Box("gps0", Cat({tag, header, U16(static_cast<uint16_t>(count)), records, end}));
}

}  // namespace quill::test
