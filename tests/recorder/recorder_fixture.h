// Byte fixtures of recorder movies for the recorder tests and the load benchmark: boxes, the "gps0"
// box with its records built from field texts, small whole movies, and files written under Wine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quill::test {

// The texts of one 79-byte GPS record, field by field (record offsets in the comments).
struct GpsRecordFields {
  std::string lead = "$R000";          // 0-4, not read
  char status = 'A';                   // 5
  std::string latitude = "3539.1234";  // 6-14
  uint8_t latitudeHemisphere = 'N';    // 15
  std::string longitude = "13945.6789";  // 16-25
  uint8_t longitudeHemisphere = 'E';   // 26
  std::string number = "0042";         // 27-30
  std::string time = "240115093000";   // 31-42, YYMMDDhhmmss
  std::string shift = "***";           // 44-46
  std::string value2 = "+0100";        // event block 5-9
  std::string value1 = "-0250";        // event block 10-14
  std::string value3 = "+1000";        // event block 15-19
  char mark20 = '-';                   // event block 20
  char axis = '-';                     // event block 21
  char mark22 = '-';                   // event block 22
  uint8_t flag = '0';                  // event block 26
};

std::string GpsRecordBytes(const GpsRecordFields& f);

// The 26-byte data header with one G-sensor group.
struct GpsHeaderFields {
  std::string raw = std::string("\x02\x00" "02\x00\x00", 6);
  std::string value1 = "0012", value2 = "-034", value3 = "0987";
  char tag = 'N';
};
std::string GpsHeaderBytes(const GpsHeaderFields& h);

// A "gps0" box: header, count (N = records.size() unless `count` is given), records, "CSOEND".
std::string GpsBox(const std::string& header, const std::vector<std::string>& records, int count = -1);

std::string U32(uint32_t v);
std::string U64(uint64_t v);
std::string Box(const char* type, const std::string& payload);
std::string FtypBox();

// A "moov" with "mvhd" (time scale, duration) and one track whose "stbl" holds "stsz" and an "stts"
// with the given sample deltas (one entry each, count 1).
std::string MoovBox(uint32_t mvhdTimeScale, uint32_t mvhdDuration,
                    const std::vector<uint32_t>& sttsDeltas, uint32_t sampleCount);

// `n` records whose fields differ by record (record k: latitude minutes k, value texts 10k...).
std::vector<std::string> SampleRecords(int n);

// ftyp, mdat (payload of `mdatPayload` bytes), moov, gps0: the recorder's order.
std::string RecorderMovie(const std::vector<std::string>& records, size_t mdatPayload = 4096);

// Writes a file under Wine; false on failure.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);

// Writes `head`, then an "mdat" box (or a box of `type`) of `mdatPayload` bytes whose payload is left
// as a hole (a sparse file where the file system allows), then `tail`; `inside` bytes are written at
// `insideOffset` of the payload when given. The size is the 64-bit form when it does not fit 32 bits.
bool WriteSparseMovie(const std::wstring& path, const std::string& head, uint64_t mdatPayload,
                      const std::string& tail, const std::string& inside = std::string(),
                      uint64_t insideOffset = 0, const char* type = "mdat");

}  // namespace quill::test
