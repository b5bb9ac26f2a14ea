#include "playcore/recorder/recorder_probe.h"

#include "playcore/recorder/gps_box_format.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace playcore {

namespace {

constexpr size_t kHeadSize = 260;  // the probe reads this much of the file's start
constexpr size_t kFileTypeOffset = 4;
constexpr char kFileType[] = "ftyp";

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

}  // namespace

bool TailHasEndMark(const uint8_t* tail, size_t length) {
  const size_t n = gpsbox::kMarkSize;
  for (size_t i = 0; i + n <= length; ++i) {
    if (std::memcmp(tail + i, gpsbox::kEndMark, n) == 0) return true;
  }
  return false;
}

bool HeadHasFileType(const uint8_t* head, size_t length) {
  return length >= kFileTypeOffset + 4 &&
         std::memcmp(head + kFileTypeOffset, kFileType, 4) == 0;
}

int ProbeRecorderFile(const wchar_t* path) {
  if (!path) return 0;
  UniqueFile f(_wfopen(path, L"rb"));
  if (!f) return 0;
  // 64-bit seeks: recordings and joined files pass 2 GB.
  if (_fseeki64(f.get(), 0, SEEK_END) != 0) return 0;
  long long size = _ftelli64(f.get());
  if (size < static_cast<long long>(gpsbox::kProbeTailSize)) return 0;
  uint8_t tail[gpsbox::kProbeTailSize];
  if (_fseeki64(f.get(), -static_cast<long long>(sizeof tail), SEEK_END) != 0 ||
      fread(tail, 1, sizeof tail, f.get()) != sizeof tail || !TailHasEndMark(tail, sizeof tail)) {
    return 0;
  }
  uint8_t head[kHeadSize];
  if (_fseeki64(f.get(), 0, SEEK_SET) != 0) return 0;
  size_t got = fread(head, 1, sizeof head, f.get());
  return HeadHasFileType(head, got) ? 1 : 0;
}

}  // namespace playcore
