// The box walks: FindGpsBox and WalkTopBoxes over the top-level boxes, WalkBoxPath down the fixed
// path to the first track's "stts", and CallBoxHandler, which maps a found box for its handler.
// Every header goes through ReadBoxHeader, so a walk either moves forward or ends.
#include "playcore/recorder/file_map.h"

#include "playcore/bytes/byte_reader.h"
#include "playcore/recorder/box_header.h"
#include "playcore/recorder/gps_box_format.h"
#include "playcore/recorder/win_handles.h"

#include <cstring>

namespace playcore {

namespace {

constexpr uint32_t kPath[] = {FourCC("moov"), FourCC("trak"), FourCC("mdia"),
                              FourCC("minf"), FourCC("stbl"), FourCC("stts")};
constexpr size_t kPathDepth = sizeof kPath / sizeof kPath[0];

// A stts view is cut to this: a table of four million entries gives its mean all the same, and a
// damaged size cannot ask for a view the address space does not have.
constexpr uint64_t kMaxTableView = 0x2000000;
// The window box headers are read through.
constexpr uint64_t kHeaderWindow = 0x10000;

bool TypeIs(const sTAGENTRY* entry, uint32_t type) {
  if (!entry || entry->tagLength != 4) return false;
  ByteReader r(entry->tag, 4);
  uint32_t tag = 0;
  return r.ReadFourCC(&tag) && tag == type;
}

// What the walk does after a box: go on to the next one, or end with an answer.
struct Step {
  bool done;
  int answer;
};
constexpr Step kNextBox = {false, 0};

// Reads the header of the box at `offset`, whose parent ends at `end`. Headers are read through a
// window of `headers` that is mapped again only when a header falls outside it: the boxes of a movie
// mostly lie close together, and every mapping is a system call.
bool ReadHeaderAt(sMP4FILEMAP* map, FileMapView* headers, uint64_t offset, uint64_t end,
                         bool topLevel, sBOXHEADER* h) {
  uint64_t room = end - offset;
  uint64_t want = room < kLargeBoxHeaderSize ? room : kLargeBoxHeaderSize;
  if (!headers->Covers(offset, want) &&
      !map->MapView(headers, offset, kHeaderWindow, map->fileSize)) {
    return false;
  }
  uint64_t held = headers->length() - (offset - headers->offset());
  size_t length = static_cast<size_t>(held < want ? held : want);
  return ReadBoxHeader(headers->At(offset), length, room, topLevel, h) == BoxHeaderResult::kOk;
}

// Calls visit(offset, header, headers view) for every top-level box in order. A clean end of the
// file answers `endAnswer`; cancel, a damaged header or a failed mapping answers 0.
template <class Visit>
int WalkTop(sMP4FILEMAP* map, int endAnswer, Visit visit) {
  FileMapView headers;
  uint64_t offset = 0;
  while (offset < map->fileSize) {
    if (map->TakeCancel()) return 0;
    sBOXHEADER h;
    if (!ReadHeaderAt(map, &headers, offset, map->fileSize, true, &h)) return 0;
    Step step = visit(offset, h, headers);
    if (step.done) return step.answer;
    offset += h.size;  // at least the header: the walk always moves
  }
  return endAnswer;
}

// The view handed to a "gps0" handler: the box from the byte after "CSODAT" to its end, cut to what a
// 16-bit record count can address.
uint64_t GpsDataLength(const sBOXHEADER& h) {
  if (h.size <= gpsbox::kDataOffset) return 0;
  uint64_t n = h.size - gpsbox::kDataOffset;
  return n < gpsbox::kMaxDataBytes ? n : gpsbox::kMaxDataBytes;
}

}  // namespace

int sMP4FILEMAP::CallBoxHandler(sTAGENTRY* entry, uint64_t position, uint64_t length,
                                const sCALLERWORDS& words, const FileMapView* current) {
  if (!entry || !entry->handler) return -1;
  uint64_t start = position + entry->startOffset;
  if (start > fileSize) return -1;
  sBOXSPAN span = {nullptr, 0, fileSize - start};
  if (length > span.bytesToEnd) length = span.bytesToEnd;
  if (length == 0) return entry->handler(this, span, words);
  if (current && current->Covers(start, length)) {
    span.data = current->At(start);
    span.length = static_cast<size_t>(length);
    return entry->handler(this, span, words);
  }
  FileMapView view;
  if (!MapView(&view, start, length, fileSize)) return -1;
  span.data = view.data();
  span.length = view.length();
  return entry->handler(this, span, words);
}

int sMP4FILEMAP::FindGpsBox(sTAGENTRY* entry, const sCALLERWORDS& words) {
  recorder::ScopedMutex lock(mutex);
  recordCounter = 0;
  if (!mapping) return 0;
  // No "gps0" box at all answers 0: the caller has no drive data to show.
  return WalkTop(this, 0, [&](uint64_t offset, const sBOXHEADER& h, const FileMapView& headers) {
    if (h.type != FourCC("gps0")) return kNextBox;
    int r = CallBoxHandler(entry, offset + gpsbox::kDataOffset, GpsDataLength(h), words, &headers);
    ++recordCounter;
    return Step{true, r > 0 ? 1 : 0};
  });
}

int sMP4FILEMAP::WalkTopBoxes(sTAGENTRY* target, sTAGENTRY* first, const sCALLERWORDS& words) {
  recorder::ScopedMutex lock(mutex);
  recordCounter = 0;
  if (!mapping) return 0;
  bool firstMet = first == nullptr;
  return WalkTop(this, 1, [&](uint64_t offset, const sBOXHEADER& h, const FileMapView& headers) {
    if (!firstMet) {
      if (!TypeIs(first, h.type)) return kNextBox;
      firstMet = true;
      uint64_t headerBytes = h.size < kLargeBoxHeaderSize ? h.size : kLargeBoxHeaderSize;
      if (CallBoxHandler(first, offset, headerBytes, words, &headers) == -1) return Step{true, 0};
      return kNextBox;
    }
    if (!TypeIs(target, h.type)) return kNextBox;
    int r = CallBoxHandler(target, offset + gpsbox::kDataOffset, GpsDataLength(h), words, &headers);
    ++recordCounter;
    return Step{true, r > 0 ? 1 : 0};
  });
}

int sMP4FILEMAP::WalkBoxPath(sTAGENTRY* entry) {
  recorder::ScopedMutex lock(mutex);
  recordCounter = 0;
  if (!mapping) return 0;
  uint64_t ends[kPathDepth];  // ends[k]: the end of the box the walk is inside at depth k
  ends[0] = fileSize;
  size_t k = 0;
  uint64_t offset = 0;
  FileMapView headers;
  for (;;) {
    if (TakeCancel()) return 0;
    // The children of a box on the path ended: go on with the boxes after it.
    while (k > 0 && offset >= ends[k]) --k;
    if (offset >= ends[k]) return 0;  // the end of the file: no "stts" on the path
    sBOXHEADER h;
    if (!ReadHeaderAt(this, &headers, offset, ends[k], k == 0, &h)) return 0;
    if (h.type != kPath[k]) {
      offset += h.size;
      continue;
    }
    if (k + 1 == kPathDepth) {
      uint64_t payload = h.size - h.headerSize;
      int r = CallBoxHandler(entry, offset + h.headerSize,
                             payload < kMaxTableView ? payload : kMaxTableView,
                             sCALLERWORDS{{nullptr, nullptr, nullptr, nullptr}}, &headers);
      return r == -1 ? 0 : 1;
    }
    ends[++k] = offset + h.size;
    offset += h.headerSize;
  }
}

}  // namespace playcore
