#include "tests/recorder/recorder_fixture.h"

#include <windows.h>
#include <winioctl.h>

#include <cstdio>

namespace quill::test {

namespace {

void Put(std::string* r, size_t offset, const std::string& text) {
  for (size_t i = 0; i < text.size() && offset + i < r->size(); ++i) (*r)[offset + i] = text[i];
}

std::string FullBox(const char* type, uint8_t version, const std::string& body) {
  return Box(type, std::string(1, static_cast<char>(version)) + std::string(3, '\0') + body);
}

}  // namespace

std::string U32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (24 - 8 * i));
  return s;
}

std::string U64(uint64_t v) { return U32(static_cast<uint32_t>(v >> 32)) + U32(static_cast<uint32_t>(v)); }

std::string Box(const char* type, const std::string& payload) {
  return U32(static_cast<uint32_t>(8 + payload.size())) + std::string(type, 4) + payload;
}

std::string FtypBox() { return Box("ftyp", std::string("isom") + U32(0x200) + "isomiso2avc1mp41"); }

std::string GpsRecordBytes(const GpsRecordFields& f) {
  std::string r(79, '\0');
  Put(&r, 0, f.lead);
  r[5] = f.status;
  Put(&r, 6, f.latitude);
  r[15] = static_cast<char>(f.latitudeHemisphere);
  Put(&r, 16, f.longitude);
  r[26] = static_cast<char>(f.longitudeHemisphere);
  Put(&r, 27, f.number);
  Put(&r, 31, f.time);
  r[43] = ',';
  Put(&r, 44, f.shift);
  Put(&r, 47, "123.4");
  Put(&r, 52, "G-SEN");
  Put(&r, 57, f.value2);
  Put(&r, 62, f.value1);
  Put(&r, 67, f.value3);
  r[72] = f.mark20;
  r[73] = f.axis;
  r[74] = f.mark22;
  Put(&r, 75, "000");
  r[78] = static_cast<char>(f.flag);
  return r;
}

std::string GpsHeaderBytes(const GpsHeaderFields& h) {
  std::string r(26, '\0');
  Put(&r, 0, h.raw);
  Put(&r, 6, h.value1);
  Put(&r, 10, h.value2);
  Put(&r, 14, h.value3);
  r[18] = h.tag;
  return r;
}

std::string GpsBox(const std::string& header, const std::vector<std::string>& records, int count) {
  uint32_t n = count >= 0 ? static_cast<uint32_t>(count) : static_cast<uint32_t>(records.size());
  std::string payload = "CSODAT" + header;
  payload += static_cast<char>(n >> 8);
  payload += static_cast<char>(n);
  for (const std::string& r : records) payload += r;
  payload += "CSOEND";
  return Box("gps0", payload);
}

std::string MoovBox(uint32_t mvhdTimeScale, uint32_t mvhdDuration,
                    const std::vector<uint32_t>& sttsDeltas, uint32_t sampleCount) {
  std::string mvhd = FullBox("mvhd", 0, U32(0) + U32(0) + U32(mvhdTimeScale) + U32(mvhdDuration) +
                                            std::string(80, '\0'));
  std::string entries;
  for (uint32_t d : sttsDeltas) entries += U32(1) + U32(d);
  std::string stts = FullBox("stts", 0, U32(static_cast<uint32_t>(sttsDeltas.size())) + entries);
  std::string stsz = FullBox("stsz", 0, U32(0) + U32(sampleCount) + std::string(4 * sampleCount, '\x10'));
  std::string stsd = FullBox("stsd", 0, U32(0));
  std::string stbl = Box("stbl", stsd + stts + stsz);
  std::string minf = Box("minf", FullBox("vmhd", 0, std::string(8, '\0')) + stbl);
  std::string mdia = Box("mdia", FullBox("mdhd", 0, std::string(20, '\0')) +
                                     FullBox("hdlr", 0, std::string(20, '\0') + "VideoHandler") + minf);
  std::string trak = Box("trak", FullBox("tkhd", 0, std::string(80, '\0')) + mdia);
  return Box("moov", mvhd + trak);
}

std::vector<std::string> SampleRecords(int n) {
  std::vector<std::string> records;
  for (int k = 0; k < n; ++k) {
    GpsRecordFields f;
    char buf[32];
    snprintf(buf, sizeof buf, "$R%03d", k % 1000);
    f.lead = buf;
    snprintf(buf, sizeof buf, "35%02d.%04d", k % 60, (k * 37) % 10000);
    f.latitude = buf;
    snprintf(buf, sizeof buf, "%+05d", (k * 10) % 9000);
    f.value1 = buf;
    snprintf(buf, sizeof buf, "%+05d", -(k * 7) % 9000);
    f.value2 = buf;
    snprintf(buf, sizeof buf, "%+05d", 1000 + k % 50);
    f.value3 = buf;
    snprintf(buf, sizeof buf, "2401150930%02d", k % 60);
    f.time = buf;
    f.axis = "XYZ-"[k % 4];
    f.mark20 = k % 5 == 1 ? 'D' : '-';
    f.mark22 = k % 7 == 2 ? 'D' : '-';
    records.push_back(GpsRecordBytes(f));
  }
  return records;
}

std::string RecorderMovie(const std::vector<std::string>& records, size_t mdatPayload) {
  return FtypBox() + Box("mdat", std::string(mdatPayload, '\x5A')) +
         MoovBox(1000, 60000, {33333, 33334, 33333}, 3) +
         GpsBox(GpsHeaderBytes(GpsHeaderFields()), records);
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  return CloseHandle(f) && ok;
}

static bool WriteAt(HANDLE f, uint64_t offset, const std::string& bytes) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  DWORD written = 0;
  return SetFilePointerEx(f, at, nullptr, FILE_BEGIN) &&
         WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool WriteSparseMovie(const std::wstring& path, const std::string& head, uint64_t mdatPayload,
                      const std::string& tail, const std::string& inside, uint64_t insideOffset,
                      const char* type) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD ignored = 0;
  // Asks for a sparse file on Windows; Wine on Linux leaves holes unasked (the call may fail there).
  DeviceIoControl(f, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  bool large = mdatPayload + 8 > 0xFFFFFFFFull;
  std::string mdatHeader = large ? U32(1) + std::string(type, 4) + U64(mdatPayload + 16)
                                 : U32(static_cast<uint32_t>(mdatPayload + 8)) + std::string(type, 4);
  uint64_t payloadAt = head.size() + mdatHeader.size();
  bool ok = WriteAt(f, 0, head + mdatHeader) && WriteAt(f, payloadAt + mdatPayload, tail);
  if (ok && !inside.empty()) ok = WriteAt(f, payloadAt + insideOffset, inside);
  return CloseHandle(f) && ok;
}

}  // namespace quill::test
