#include "tests/instances/instance_test_util.h"

#include "playcore/instances/instance_ops.h"
#include "tests/support/test_env.h"

#include <cstdlib>
#include <sstream>

namespace playcore::test {

std::vector<Row> ReadManifestFiles(const std::string& unixDir) {
  return quill::test::ReadHostTable(unixDir + "/manifest-files.tsv");
}

std::wstring WindowsPathOf(const std::string& unixDir, const std::string& relative) {
  return quill::test::HostPathToWindows(unixDir + "/" + relative);
}

std::string InstanceRecordingsDirUnix() {
  const char* dir = std::getenv("QUILL_INSTANCE_RECORDINGS");
  return dir ? dir : "";
}

LiveInstances::LiveInstances() {
  for (int i = 0; i < kPlayerCount; ++i) {
    ClearInstanceRecord(&g_PlayerInstance[i]);
    PlayerInstance::FillFuncs(&g_PlayerFuncs[i]);
    g_PlayerFuncs[i].Init(&g_PlayerInstance[i], nullptr, L"MS Gothic");
  }
}

LiveInstances::~LiveInstances() {
  for (int i = 0; i < kPlayerCount; ++i) {
    g_PlayerFuncs[i].Release(&g_PlayerInstance[i]);
    ClearInstanceRecord(&g_PlayerInstance[i]);
  }
}

}  // namespace playcore::test

#include "tests/instances/mp4_bytes.h"

namespace playcore::test {

namespace {

constexpr size_t kGpsHeaderBytes = 8 + 6 + 26;  // size, "gps0", "CSODAT", data header

Bytes GpsBoxOf(const std::string& sourceUnixPath, uint64_t boxOffset, uint64_t boxSize) {
  std::string file = quill::test::ReadHostFile(sourceUnixPath);
  if (boxOffset + boxSize > file.size()) return Bytes();
  return file.substr(static_cast<size_t>(boxOffset), static_cast<size_t>(boxSize));
}

Bytes FileHead() {
  return Box("ftyp", Bytes("isom") + U32(512) + Bytes("isomavc1")) + Box("mdat", Bytes(32, '\x11'));
}

}  // namespace

bool WriteSlowRecording(const std::wstring& path, const std::string& sourceUnixPath, uint64_t boxOffset,
                        uint64_t boxSize, uint32_t freeBoxes) {
  Bytes gps = GpsBoxOf(sourceUnixPath, boxOffset, boxSize);
  if (gps.empty()) return false;
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  Bytes head = FileHead();
  bool ok = fwrite(head.data(), 1, head.size(), f) == head.size();
  const Bytes one = Box("free", Bytes());
  constexpr uint32_t kPerChunk = 65536;
  Bytes chunk;
  for (uint32_t i = 0; i < kPerChunk; ++i) chunk += one;
  for (uint32_t done = 0; ok && done < freeBoxes; done += kPerChunk) {
    uint32_t n = freeBoxes - done < kPerChunk ? freeBoxes - done : kPerChunk;
    ok = fwrite(chunk.data(), one.size(), n, f) == n;
  }
  ok = ok && fwrite(gps.data(), 1, gps.size(), f) == gps.size();
  return fclose(f) == 0 && ok;
}

bool WriteRecordingWithoutPoints(const std::wstring& path, const std::string& sourceUnixPath,
                                 uint64_t boxOffset, uint64_t boxSize) {
  Bytes gps = GpsBoxOf(sourceUnixPath, boxOffset, boxSize);
  if (gps.size() < kGpsHeaderBytes) return false;
  Bytes payload = gps.substr(8, kGpsHeaderBytes - 8) + Bytes(2, '\0') + Bytes("CSOEND");
  return WriteBytes(path, FileHead() + Box("gps0", payload));
}

bool HandleCountingWorks() {
  DWORD before = 0, during = 0, after = 0;
  if (!ProcessHandleCount(&before)) return false;
  HANDLE e = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ProcessHandleCount(&during);
  CloseHandle(e);
  ProcessHandleCount(&after);
  return during == before + 1 && after == before;
}

}  // namespace playcore::test
