// One MP4 file as a tree of boxes over a read-only file mapping. Table boxes keep a copy of their
// payload (the join edits them in memory); "mdat", "gps0" and any bytes the walk does not understand
// stay in the file as ranges that the writer copies, so a tree written back without edits reproduces
// the file byte for byte. An index lists, for twelve box types, every node of that type in tree order.
//
// Threads: a movie is loaded, read, merged and written by one thread at a time (the tool worker).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "playcore/mp4/file_map.h"
#include "playcore/recorder/gps_box_format.h"

namespace playcore {

// What a node holds besides its header.
enum class BoxKind {
  kContainer,  // children, then an optional raw tail (bytes from the first unknown child onwards)
  kLeaf,       // a payload copy
  kRange,      // a payload left in the file: "mdat", and leaves too large to copy
  kGps,        // the recorder's data box, left in the file
};

// Sizes of the recorder's data box as 64-bit quantities for file arithmetic (its layout is the
// recorder reader's, playcore/recorder/gps_box_format.h).
constexpr uint64_t kGpsRecordSize = gpsbox::kRecordSize;
constexpr uint64_t kGpsFixedPayload = gpsbox::kPayloadOverhead;  // "CSODAT", header, count, "CSOEND"
constexpr uint64_t kGpsMaxRecords = gpsbox::kMaxRecords;
// Where its parts lie in the payload (the bytes after the 8-byte box header): "CSODAT" at 0, then the
// 26 header bytes, the 16-bit count and the records.
constexpr size_t kGpsPayloadHeaderOffset = gpsbox::kDataOffset - gpsbox::kBoxHeaderSize;
constexpr size_t kGpsPayloadCountOffset = kGpsPayloadHeaderOffset + gpsbox::kCountOffset;
constexpr size_t kGpsPayloadRecordsOffset = kGpsPayloadHeaderOffset + gpsbox::kRecordsOffset;

struct sTAGNODE {
  virtual ~sTAGNODE();

  int depth = 0;  // 0 for the root (the whole file), 1 for the top boxes
  BoxKind kind = BoxKind::kContainer;
  char name[5] = {0, 0, 0, 0, 0};
  uint32_t type = 0;
  std::vector<uint8_t> payload;  // kLeaf: the payload copy
  std::vector<std::unique_ptr<sTAGNODE>> children;
  const ReadOnlyFileMap* map = nullptr;  // the file the box lies in
  uint32_t headerSize = 8;               // 16 when the file gave a 64-bit size

  uint64_t payloadSize = 0;        // kRange/kGps: bytes written (the join grows it)
  uint64_t payloadOffset = 0;      // where the payload starts in the file
  uint64_t payloadSizeRead = 0;    // as read from the file
  uint64_t payloadOffsetRead = 0;  // as read from the file
  uint64_t tailOffset = 0;         // kContainer: raw tail kept in the file
  uint64_t tailSize = 0;

  // "gps0": records' byte length (79 N), payload 40 + 79 N, N, and the joined N (0 until a join).
  uint64_t gpsRecordBytes = 0;
  uint64_t gpsPayloadSize = 0;
  uint64_t gpsRecordCount = 0;
  uint64_t gpsJoinedCount = 0;
  bool gpsWellFormed = false;  // "CSODAT" present and N records fit the box

  // Boxes of appended recordings whose ranges follow this one's ("mdat", "gps0"), in chain order. In a
  // "gps0" chain, an entry without a file (map null) stands for an appended recording that had no data
  // box: its gpsRecordCount invalid records are written in its place, so later records keep their times.
  std::vector<const sTAGNODE*> chain;
  std::vector<std::unique_ptr<sTAGNODE>> gpsFills;  // owns those stand-ins

  bool HasPayload() const { return kind != BoxKind::kContainer; }
  void FreeChildren();
};

// The box types the movie indexes.
enum IndexType {
  kIdxMdat,
  kIdxGps0,
  kIdxStsc,
  kIdxStsz,
  kIdxStco,
  kIdxStss,
  kIdxStts,
  kIdxMdhd,
  kIdxMvhd,
  kIdxTkhd,
  kIdxElst,
  kIdxStsd,
  kIndexCount
};

class sMP4MOVIE {
 public:
  virtual ~sMP4MOVIE();

  // A movie for the file at `path`, or null when it cannot be opened, mapped or walked. The program
  // fills the known box codes at start-up; a caller that did not (a tool, a test) gets them filled
  // here, before any second thread could be loading.
  static std::unique_ptr<sMP4MOVIE> Load(const wchar_t* path);

  // Width and height of the first video sample entry; false when there is none or it is too short.
  bool GetVideoSize(int* width, int* height) const;
  int64_t GetSampleCount() const;            // the first "stsz" sample count, -1 without one
  float GetFrameRate() const;                // 1e6 / mean delta of the first "stts", -1.0 without one
  int GetRecordTime(SYSTEMTIME* out) const;  // 1 when the first GPS record's time was written
  void ClearIndex();
  void RebuildIndex();

  const std::vector<sTAGNODE*>& Index(IndexType t) const { return index_[t]; }
  sTAGNODE* root() { return root_.get(); }
  const sTAGNODE* root() const { return root_.get(); }
  const ReadOnlyFileMap& map() const { return map_; }
  uint64_t fileSize() const { return map_.size(); }
  const std::wstring& path() const { return map_.path(); }
  bool hasLargeBoxes() const { return hasLargeBoxes_; }

  // Chunk offsets of a joined movie are kept relative to the start of its "mdat" payload until the
  // writer knows where that payload lands in the output.
  bool chunkOffsetsRelative = false;

 protected:
  sMP4MOVIE() = default;
  bool LoadFrom(const wchar_t* path);

 private:
  friend class BoxWalker;
  ReadOnlyFileMap map_;
  std::unique_ptr<sTAGNODE> root_;
  std::vector<sTAGNODE*> index_[kIndexCount];
  bool hasLargeBoxes_ = false;
};

// The movie a conversion writes: loaded like any movie, written by the movie-first writer variant.
class sMP4CONVERTMOVIE : public sMP4MOVIE {
 public:
  static std::unique_ptr<sMP4CONVERTMOVIE> Load(const wchar_t* path);
  std::vector<uint32_t> values;  // the converter's own 32-bit values

 private:
  sMP4CONVERTMOVIE() = default;
};

// The four-character code as a number, from a node's name.
inline bool IsType(const sTAGNODE* n, uint32_t fourcc) { return n && n->type == fourcc; }

// A whole node's size as written (header included), from its current contents.
uint64_t BoxSize(const sTAGNODE& node);

}  // namespace playcore
