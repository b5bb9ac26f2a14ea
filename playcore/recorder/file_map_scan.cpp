// The tag scan: finds a tag (optionally after a container tag) by matching the file byte by byte
// through 32 MB windows, and skips every "mdat" box by its size so that the movie data is never
// read. Used for "mvhd" inside "moov" and for "stsz".
#include "playcore/recorder/file_map.h"

#include "playcore/bytes/byte_reader.h"
#include "playcore/bytes/checked.h"
#include "playcore/recorder/box_header.h"
#include "playcore/recorder/win_handles.h"

namespace playcore {

namespace {

constexpr uint64_t kScanWindow = 0x2000000;   // 32 MB, a multiple of the allocation granularity
constexpr uint64_t kHandlerView = 0x100000;   // what a found tag's handler is given: 1 MB
constexpr uint32_t kMdat = FourCC("mdat");
constexpr uint64_t kMdatTagEnd = 7;           // the tag's last byte lies 7 bytes after the box start

// The tag matcher: the last bytes seen, as many as the tag has, kept in the entry's match word; the
// tag is found whenever they equal it. (Counting matched bytes and restarting on a mismatch would miss
// "stsz" after a box size ending in "st", since the restart forgets the "st" already seen.) Tags hold
// no zero byte, so the cleared word matches nothing.
bool Match(sTAGENTRY* entry, uint8_t byte) {
  uint32_t tag = 0;
  for (uint32_t i = 0; i < entry->tagLength; ++i) tag = (tag << 8) | static_cast<uint8_t>(entry->tag[i]);
  const uint32_t mask = entry->tagLength >= 4 ? 0xFFFFFFFFu : (1u << (8 * entry->tagLength)) - 1;
  entry->matchCounter = ((entry->matchCounter << 8) | byte) & mask;
  if (entry->matchCounter != tag) return false;
  entry->matchCounter = 0;
  return true;
}

// Where the scan goes on after an "mdat" box starting at `boxStart`: its end, or false when the
// bytes there do not make a box (a chance "mdat" inside other data is then scanned like any bytes).
// The header is read from the scan's window when it lies there, else through a view of its own
// (it may begin in the previous window or end in the next).
bool MdatEnd(sMP4FILEMAP* map, const FileMapView& window, uint64_t boxStart, uint64_t limit,
                    uint64_t* end) {
  uint64_t room = limit - boxStart;
  uint64_t want = room < kLargeBoxHeaderSize ? room : kLargeBoxHeaderSize;
  FileMapView own;
  const FileMapView* v = &window;
  if (!window.Covers(boxStart, want)) {
    if (!map->MapView(&own, boxStart, kLargeBoxHeaderSize, limit)) return false;
    v = &own;
  }
  sBOXHEADER h;
  if (ReadBoxHeader(v->At(boxStart), static_cast<size_t>(want), room, true, &h) !=
      BoxHeaderResult::kOk) {
    return false;
  }
  return CheckedAdd(boxStart, h.size, end);
}

}  // namespace

int sMP4FILEMAP::ScanForTag(sTAGENTRY* target, sTAGENTRY* container, void* callerWord) {
  recorder::ScopedMutex lock(mutex);
  recordCounter = 0;
  if (!mapping || !target || target->tagLength == 0 || target->tagLength > 4) return 0;
  if (container && (container->tagLength == 0 || container->tagLength > 4)) return 0;
  const sCALLERWORDS words = {{callerWord, nullptr, nullptr, nullptr}};
  uint64_t limit = fileSize > target->startOffset ? fileSize - target->startOffset : 0;
  target->matchCounter = 0;
  if (container) container->matchCounter = 0;
  sTAGENTRY* matching = container ? container : target;
  uint32_t last4 = 0;  // the last four bytes seen, for spotting "mdat" without reading back
  FileMapView window;
  for (uint64_t p = 0; p < limit;) {
    uint64_t windowStart = p - p % kScanWindow;
    if (!MapView(&window, windowStart, kScanWindow, limit)) return 0;
    const uint8_t* bytes = window.data();
    uint64_t windowEnd = windowStart + window.length();
    bool moved = false;
    for (; p < windowEnd && !moved; ++p) {
      if (*CancelWord() != 0 && TakeCancel()) return 0;  // read inline: this runs per byte
      uint8_t byte = bytes[p - windowStart];
      last4 = (last4 << 8) | byte;
      uint64_t next = 0;
      if (last4 == kMdat && p >= kMdatTagEnd && MdatEnd(this, window, p - kMdatTagEnd, limit, &next)) {
        // Skip the movie data; the matchers start afresh after it.
        last4 = 0;
        target->matchCounter = 0;
        if (container) container->matchCounter = 0;
        p = next - 1;  // the loop's ++p lands on the box end
        moved = next >= windowEnd || next < windowStart;
        continue;
      }
      if (!Match(matching, byte)) continue;
      if (matching == container) {
        if (CallBoxHandler(container, p + 1, kHandlerView, words, &window) == -1) return 0;
        matching = target;
        continue;
      }
      int r = CallBoxHandler(target, p + 1, kHandlerView, words, &window);
      ++recordCounter;
      return r == -1 ? 0 : 1;
    }
  }
  return 1;  // the whole file was scanned: not found, the caller's word is untouched
}

}  // namespace playcore
