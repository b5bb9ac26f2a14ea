// Loading a movie: walks the boxes of a file into a tree, bounded by each parent and by the file.
//
// A child whose type is not a known box code ends the walk of its parent; the bytes from there to the
// parent's end are kept as a raw tail range, so nothing is lost when the tree is written back. A box
// whose size runs past its parent or the file, or is below its header size, fails the load.
#include <cstring>
#include <new>

#include "playcore/bytes/byte_reader.h"
#include "playcore/bytes/checked.h"
#include "playcore/mp4/box_name_tree.h"
#include "playcore/mp4/mp4_movie.h"
#include "playcore/recorder/box_header.h"

namespace playcore {

namespace {

// Payload bytes read to decide whether a box is a container: a container's payload begins with the
// header of its first child, so bytes 4-7 are a known code.
constexpr size_t kContainerProbe = 8;
// Nesting deeper than this is not an MP4 file but a crafted one; it would only exhaust the stack.
constexpr int kMaxDepth = 32;
// Leaves above this size that the join never edits stay in the file as ranges.
constexpr uint64_t kMaxOtherLeafCopy = 1u << 20;
// Headers and small payloads are read through one cached view of this many bytes (the header view),
// remapped only when a read falls outside it; larger payloads get a view of their own.
constexpr size_t kHeaderWindow = 65535;

// Table boxes the join edits or compares: always copied, however large.
bool IsEditedTable(uint32_t type) {
  static const uint32_t kTables[] = {FourCC("stts"), FourCC("stss"), FourCC("stsz"), FourCC("stsc"),
                                     FourCC("stco"), FourCC("ctts"), FourCC("co64"), FourCC("stz2"),
                                     FourCC("mvhd"), FourCC("tkhd"), FourCC("mdhd"), FourCC("elst"),
                                     FourCC("stsd"), FourCC("hdlr")};
  for (uint32_t t : kTables) {
    if (t == type) return true;
  }
  return false;
}

enum class HeaderResult { kBox, kUnknown, kBad };

}  // namespace

class BoxWalker {
 public:
  explicit BoxWalker(sMP4MOVIE* movie) : movie_(movie), map_(movie->map_) {}

  bool WalkChildren(sTAGNODE* node, uint64_t begin, uint64_t end, int childDepth) {
    if (childDepth > kMaxDepth) return false;
    uint64_t pos = begin;
    while (pos < end) {
      sBOXHEADER h = {};
      HeaderResult r = ReadHeader(pos, end, childDepth, &h);
      if (r == HeaderResult::kBad) return false;
      if (r == HeaderResult::kUnknown) {
        node->tailOffset = pos;
        node->tailSize = end - pos;
        return true;
      }
      std::unique_ptr<sTAGNODE> child(new sTAGNODE());
      if (!MakeChild(child.get(), pos, h, childDepth)) return false;
      node->children.push_back(std::move(child));
      pos += h.size;
    }
    return true;
  }

 private:
  // The type decides first: a child the tree does not know ends its parent's walk whatever its size
  // field says. A known box's size is then read as the recorder's reader reads it (64-bit size for
  // size 1, size 0 only at top level, below the header or past the parent fails).
  HeaderResult ReadHeader(uint64_t pos, uint64_t end, int depth, sBOXHEADER* h) {
    uint64_t left = end - pos;
    if (left < kBoxHeaderSize) return HeaderResult::kUnknown;  // a few trailing bytes: kept raw
    size_t want = static_cast<size_t>(left < kLargeBoxHeaderSize ? left : kLargeBoxHeaderSize);
    MappedView own;
    const uint8_t* bytes = View(pos, want, &own);
    if (!bytes) return HeaderResult::kBad;
    ByteReader r(bytes, want);
    uint32_t type = 0;
    r.Skip(4);
    r.ReadFourCC(&type);
    if (type != FourCC("gps0") && !BoxNameTree::Contains(type)) return HeaderResult::kUnknown;
    if (ReadBoxHeader(bytes, want, left, depth == 1, h) != BoxHeaderResult::kOk) return HeaderResult::kBad;
    if (h->headerSize == kLargeBoxHeaderSize) movie_->hasLargeBoxes_ = true;
    return HeaderResult::kBox;
  }

  bool MakeChild(sTAGNODE* child, uint64_t pos, const sBOXHEADER& h, int depth) {
    child->depth = depth;
    child->type = h.type;
    for (int i = 0; i < 4; ++i) child->name[i] = static_cast<char>((h.type >> (24 - 8 * i)) & 0xFF);
    child->map = &map_;
    child->headerSize = h.headerSize;
    child->payloadOffset = child->payloadOffsetRead = pos + h.headerSize;
    child->payloadSize = child->payloadSizeRead = h.size - h.headerSize;
    if (h.type == FourCC("gps0")) return MakeGps(child);
    if (h.type == FourCC("mdat")) {
      child->kind = BoxKind::kRange;
      return true;
    }
    if (LooksLikeContainer(child)) {
      child->kind = BoxKind::kContainer;
      return WalkChildren(child, child->payloadOffset, child->payloadOffset + child->payloadSize, depth + 1);
    }
    if (!IsEditedTable(h.type) && child->payloadSize > kMaxOtherLeafCopy) {
      child->kind = BoxKind::kRange;
      return true;
    }
    child->kind = BoxKind::kLeaf;
    return CopyPayload(child);
  }

  bool LooksLikeContainer(const sTAGNODE* child) {
    if (child->payloadSize < kContainerProbe) return false;
    MappedView own;
    const uint8_t* bytes = View(child->payloadOffset, kContainerProbe, &own);
    if (!bytes) return false;
    ByteReader r(bytes, kContainerProbe);
    uint32_t type = 0;
    r.Skip(4);
    r.ReadFourCC(&type);
    return BoxNameTree::Contains(type);
  }

  bool CopyPayload(sTAGNODE* child) {
    if (child->payloadSize == 0) return true;
    if (!FitsSizeT(child->payloadSize)) return false;
    size_t n = static_cast<size_t>(child->payloadSize);
    // A payload longer than the header view gets a view of its own range.
    MappedView own;
    const uint8_t* bytes = View(child->payloadOffset, n, &own);
    if (!bytes) return false;
    try {
      child->payload.assign(bytes, bytes + n);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  bool MakeGps(sTAGNODE* child) {
    child->kind = BoxKind::kGps;
    // The mark, the data header and the count; a box too short for them is kept as it is, never joined.
    if (child->payloadSize < kGpsPayloadRecordsOffset) return true;
    MappedView own;
    const uint8_t* bytes = View(child->payloadOffset, kGpsPayloadRecordsOffset, &own);
    if (!bytes) return false;
    ByteReader r(bytes, kGpsPayloadRecordsOffset);
    bool tagged = r.NextIs(gpsbox::kDataMark);
    uint16_t count = 0;
    r.Seek(kGpsPayloadCountOffset);
    r.ReadU16(&count);
    child->gpsRecordCount = count;
    child->gpsRecordBytes = kGpsRecordSize * count;
    child->gpsPayloadSize = kGpsFixedPayload + child->gpsRecordBytes;
    child->gpsWellFormed = tagged && child->gpsPayloadSize <= child->payloadSize;
    return true;
  }

  // The bytes [offset, offset + length) of the file, through the header view when they fit it (valid
  // until the next call), else through `own`. Null when they are not in the file.
  const uint8_t* View(uint64_t offset, size_t length, MappedView* own) {
    if (offset >= windowStart_ && offset - windowStart_ <= window_.size() &&
        length <= window_.size() - (offset - windowStart_)) {
      return window_.data() + (offset - windowStart_);
    }
    if (length > kHeaderWindow) {
      *own = map_.Map(offset, length);
      return own->data();
    }
    uint64_t left = map_.size() > offset ? map_.size() - offset : 0;
    if (left < length) return nullptr;
    window_ = map_.Map(offset, static_cast<size_t>(left < kHeaderWindow ? left : kHeaderWindow));
    windowStart_ = offset;
    return window_.data();
  }

  sMP4MOVIE* movie_;
  const ReadOnlyFileMap& map_;
  MappedView window_;
  uint64_t windowStart_ = 0;
};

bool sMP4MOVIE::LoadFrom(const wchar_t* path) {
  if (BoxNameTree::IsEmpty()) BoxNameTree::AddKnownBoxNames();
  if (!map_.OpenReadOnlyMap(path)) return false;
  root_.reset(new sTAGNODE());
  sTAGNODE* root = root_.get();
  root->depth = 0;
  root->kind = BoxKind::kContainer;
  root->headerSize = 0;
  root->map = &map_;
  root->payloadOffset = root->payloadOffsetRead = 0;
  root->payloadSize = root->payloadSizeRead = map_.size();
  BoxWalker walker(this);
  if (!walker.WalkChildren(root, 0, map_.size(), 1)) return false;
  RebuildIndex();
  return true;
}

// Running out of memory (a large or damaged file's tree) fails the load like any other reason, rather
// than unwinding into the tool worker.
std::unique_ptr<sMP4MOVIE> sMP4MOVIE::Load(const wchar_t* path) {
  try {
    std::unique_ptr<sMP4MOVIE> movie(new sMP4MOVIE());
    if (!movie->LoadFrom(path)) return nullptr;
    return movie;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::unique_ptr<sMP4CONVERTMOVIE> sMP4CONVERTMOVIE::Load(const wchar_t* path) {
  try {
    std::unique_ptr<sMP4CONVERTMOVIE> movie(new sMP4CONVERTMOVIE());
    if (!movie->LoadFrom(path)) return nullptr;
    return movie;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace playcore
