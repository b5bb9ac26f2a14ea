#include "tests/instances/mp4_bytes.h"

#include <cstdio>

namespace playcore::test {

Bytes U32(uint32_t v) {
  Bytes b(4, '\0');
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
  return b;
}

Bytes Box(const char* type, const Bytes& payload) {
  return U32(static_cast<uint32_t>(8 + payload.size())) + Bytes(type, 4) + payload;
}

Bytes MovieWithStts(uint32_t timeScale, uint32_t durationUnits, uint32_t sampleCount, uint32_t delta) {
  Bytes ftyp = Box("ftyp", Bytes("isom") + U32(512) + Bytes("isomiso2avc1mp41"));
  // mvhd version 0: version/flags, creation, modification, time scale, duration, then 80 bytes of
  // rate, volume, matrix and next track id that the reader does not look at.
  Bytes mvhd = Box("mvhd", U32(0) + U32(0) + U32(0) + U32(timeScale) + U32(durationUnits) + Bytes(80, '\0'));
  Bytes stts = Box("stts", U32(0) + U32(1) + U32(sampleCount) + U32(delta));
  Bytes trak = Box("trak", Box("mdia", Box("minf", Box("stbl", stts))));
  return ftyp + Box("mdat", Bytes(64, '\x55')) + Box("moov", mvhd + trak);
}

bool WriteBytes(const std::wstring& path, const Bytes& bytes) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

}  // namespace playcore::test
