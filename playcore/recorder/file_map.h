// sMP4FILEMAP: a recorder movie read through a read-only file mapping without loading it. Walks find
// boxes by their headers (FindGpsBox, WalkTopBoxes, WalkBoxPath) or by scanning bytes for a tag
// (ScanForTag), hand the found bytes to a handler and keep what the handlers produce: the drive
// records, the header G-sensor sample, the time scale and the "mdat" size. BuildPositionTable then
// links the records to playback positions.
//
// The map is a plain record on purpose: a player instance holds three of them inside a record it
// clears with memset before Init, so it stays trivially copyable and owns its handles through the
// explicit Init/Close pair. Everything a walk opens on the way (views, locks) is scoped. Scratch maps
// on the stack use ScopedFileMap, which pairs Init and Close.
//
// Threads: any thread may run a walk; every walk holds the map's mutex for its whole run (a map made
// without Init has none and relies on its owner's locks). Another thread stops a running walk by
// setting the cancel word (RequestCancel, or the owner's own word given to WatchCancelWord); the walk
// sees it at its next step, clears it and answers 0. The vectors and the per-position pass are
// guarded by the owner's locks, not by the map's mutex.
#pragma once

#include <windows.h>

#include "playcore/recorder/drive_records.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace playcore {

struct sMP4FILEMAP;

constexpr size_t kMapPathLength = 260;  // wide characters, terminator included

// The bytes a walk hands to a box handler.
struct sBOXSPAN {
  const uint8_t* data;  // the requested byte (null when length is 0)
  size_t length;        // bytes readable from data: bounded by the box and by the file
  uint64_t bytesToEnd;  // bytes from data to the end of the file
};

// The four words a walk's caller passes through to its handlers (outputs, as the handler defines).
struct sCALLERWORDS {
  void* word[4];
};

// A box handler: answers its own result; a walk answers -1 for it when the view could not be mapped.
typedef int (*BoxHandler)(sMP4FILEMAP* map, const sBOXSPAN& span, const sCALLERWORDS& words);

// The unit a walk is given.
struct sTAGENTRY {
  uint32_t matchCounter;  // the tag scan's last bytes seen; reset by the walk
  uint32_t tagLength;     // 3 or 4
  char tag[4];            // "@CS", "gps0", "mdat", "moov", "mvhd", "stts", "stsz"
  BoxHandler handler;
  uint64_t startOffset;   // where the handed view begins, relative to the found position
};

// A mapped window of the file, unmapped by its destructor or by the next MapView into it.
class FileMapView {
 public:
  FileMapView() = default;
  ~FileMapView() { Reset(); }
  FileMapView(const FileMapView&) = delete;
  FileMapView& operator=(const FileMapView&) = delete;

  void Reset();
  const uint8_t* data() const { return data_; }  // the requested byte
  size_t length() const { return length_; }      // bytes readable from data()
  uint64_t delta() const { return delta_; }      // distance from the aligned view base to data()
  uint64_t offset() const { return offset_; }    // file offset of data()
  // True when the file bytes [offset, offset + n) lie in this view.
  bool Covers(uint64_t offset, uint64_t n) const {
    return base_ && offset >= offset_ && offset - offset_ <= length_ && n <= length_ - (offset - offset_);
  }
  const uint8_t* At(uint64_t offset) const { return data_ + static_cast<size_t>(offset - offset_); }

 private:
  friend struct sMP4FILEMAP;
  void* base_ = nullptr;
  const uint8_t* data_ = nullptr;
  uint64_t delta_ = 0;
  size_t length_ = 0;
  uint64_t offset_ = 0;
};

struct sMP4FILEMAP {
  wchar_t path[kMapPathLength];  // empty = no file
  uint64_t fileSize;
  int32_t recordCounter;         // matches or records of the last walk
  double peakValue;              // largest |event difference| of the per-position pass
  std::vector<sGPSPOINT>* gpsPoints;
  std::vector<sEVENTRECORD>* events;
  std::vector<sSPARERECORD>* spareRecords;
  sGSENSORSAMPLE headerSample;
  std::vector<sEVENTRECORD*>* positionTable;  // one entry per playback position
  HANDLE file;                   // null when closed
  HANDLE mapping;                // null when closed
  DWORD granularity;             // allocation granularity: views start on its multiples
  uint32_t viewCount;            // views mapped since Load
  HANDLE mutex;                  // made by Init; held by every walk
  float timeScale;               // milliseconds per position, from "stts"
  float timeScaleCopy;
  float mdatSizeFloat;
  uint64_t mdatSize;
  volatile LONG cancel;          // the map's own cancel word
  int32_t loaded;                // 1 after a successful Load
  volatile LONG* cancelSource;   // the word walks watch; null = the map's own
  double peakAxis[3];            // largest |value 1|, |value 2|, |value 3| of the per-position pass

  // Lifecycle.
  int Init();                          // zeroes everything, makes the mutex; 1 when it was made
  int Close();                         // waits for a running walk; frees and closes everything
  int OpenFile(const wchar_t* path);   // 1, or 0 with both handles closed
  void CloseHandles();
  void Clear();                        // frees the record vectors and the table
  int Load(const wchar_t* path);       // OpenFile + ParseRecorderBoxes; handles closed afterwards
  int ParseRecorderBoxes();
  static int MoveFrom(sMP4FILEMAP* source, sMP4FILEMAP* destination);

  // Views.
  int MapView(FileMapView* view, uint64_t offset, uint64_t size, uint64_t limit);

  // Walks; each answers 0 when cancelled.
  int ScanForTag(sTAGENTRY* target, sTAGENTRY* container, void* callerWord);
  int FindGpsBox(sTAGENTRY* entry, const sCALLERWORDS& words);
  int WalkTopBoxes(sTAGENTRY* target, sTAGENTRY* first, const sCALLERWORDS& words);
  int WalkBoxPath(sTAGENTRY* entry);
  // Hands the file bytes [position + entry start, + length) to the entry's handler, from `current`
  // when that view already holds them, else from a view of their own.
  int CallBoxHandler(sTAGENTRY* entry, uint64_t position, uint64_t length,
                     const sCALLERWORDS& words, const FileMapView* current = nullptr);

  // The per-position pass over positions 0 .. positions - 1.
  int BuildPositionTable(int64_t positions);

  // Handlers that belong to the map (see box_handlers.h for the others).
  static int ParseGpsRecords(sMP4FILEMAP* map, const sBOXSPAN& span, const sCALLERWORDS& words);
  static int ParseRatio(sMP4FILEMAP* map, const sBOXSPAN& span, const sCALLERWORDS& words);

  // Cancelling.
  void WatchCancelWord(volatile LONG* word) { cancelSource = word; }
  void RequestCancel() { InterlockedExchange(CancelWord(), 1); }
  bool TakeCancel();  // true once after a request; clears the word
  volatile LONG* CancelWord() { return cancelSource ? cancelSource : &cancel; }
};

// A scratch map for one-off reads: Init on construction, Close on destruction.
class ScopedFileMap {
 public:
  ScopedFileMap() { map_.Init(); }
  ~ScopedFileMap() { map_.Close(); }
  ScopedFileMap(const ScopedFileMap&) = delete;
  ScopedFileMap& operator=(const ScopedFileMap&) = delete;
  sMP4FILEMAP* operator->() { return &map_; }
  sMP4FILEMAP& get() { return map_; }

 private:
  sMP4FILEMAP map_;
};

// Where MapView reports a failed MapViewOfFile (the system's message text in a box captioned
// "Error Message" unless replaced); tests replace it so that a failure cannot wait for a click.
typedef void (*MapErrorReporter)(DWORD error);
MapErrorReporter SetMapErrorReporter(MapErrorReporter reporter);

}  // namespace playcore
