// What the join tests share: where the generated inputs and the kept outputs are, whole-file reads and
// writes, a checksum for "the input was not changed", and a small builder of hand-made box files.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace quill::test {

using Bytes = std::vector<uint8_t>;

std::wstring JoinInput(const char* name);  // a file of the generated input set (Windows path)
std::wstring JoinOutputDir();              // kept outputs, with a trailing backslash
bool HaveJoinInputs();

Bytes ReadAll(const std::wstring& path);
bool WriteAll(const std::wstring& path, const Bytes& data);
bool FileExists(const std::wstring& path);
uint64_t FileSizeOf(const std::wstring& path);
// FNV-1a over the whole file, or over size and last-write time for files above 64 MB.
uint64_t Fingerprint(const std::wstring& path);
// Number of entries in a folder (files and folders, without "." and "..").
int CountEntries(const std::wstring& folder);

// Hand-made boxes: a box is its big-endian size, its type and its payload.
Bytes Box(const char* type, const Bytes& payload);
Bytes Cat(std::initializer_list<Bytes> parts);
Bytes U32(uint32_t v);
Bytes U16(uint16_t v);
Bytes Repeat(uint8_t byte, size_t n);

// Offset of the first box of `path` (types from the top, e.g. {"moov","trak"}), or -1; the offset of
// the box header. Only walks boxes as containers along the path.
int64_t FindBox(const Bytes& file, std::initializer_list<const char*> path, size_t* size = nullptr);
uint32_t GetBE32(const Bytes& b, size_t at);
void PutBE32(Bytes* b, size_t at, uint32_t v);

// The recording with its 8-byte "free" box and the "mdat" header after it turned into one 16-byte
// "mdat" header with a 64-bit size: the payload (and every chunk offset) stays where it was.
Bytes WithLargeMdatHeader(const Bytes& recording);

// A "gps0" box with `count` records whose first five bytes carry the record number.
Bytes GpsBox(uint32_t count, uint8_t fill);

}  // namespace quill::test
