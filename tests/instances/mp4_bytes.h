// Small hand-built MP4 files for the instance tests: boxes made from their fields, written to disk.
#pragma once

#include <cstdint>
#include <string>

namespace playcore::test {

using Bytes = std::string;

Bytes U32(uint32_t v);  // big-endian
Bytes Box(const char* type, const Bytes& payload);
// ftyp + moov(mvhd with `durationUnits` at `timeScale`, trak/mdia/minf/stbl/stts with one entry of
// `sampleCount` samples of `delta` each).
Bytes MovieWithStts(uint32_t timeScale, uint32_t durationUnits, uint32_t sampleCount, uint32_t delta);
bool WriteBytes(const std::wstring& path, const Bytes& bytes);

}  // namespace playcore::test
