// Tree bookkeeping of a loaded movie: node release, the index and the written size of a box.
#include "playcore/mp4/mp4_movie.h"

#include "playcore/bytes/byte_reader.h"

namespace playcore {

namespace {

const uint32_t kIndexTypes[kIndexCount] = {FourCC("mdat"), FourCC("gps0"), FourCC("stsc"), FourCC("stsz"),
                                           FourCC("stco"), FourCC("stss"), FourCC("stts"), FourCC("mdhd"),
                                           FourCC("mvhd"), FourCC("tkhd"), FourCC("elst"), FourCC("stsd")};

void CollectPreOrder(sTAGNODE* node, uint32_t type, std::vector<sTAGNODE*>* out) {
  if (node->type == type) out->push_back(node);
  for (auto& child : node->children) CollectPreOrder(child.get(), type, out);
}

}  // namespace

sTAGNODE::~sTAGNODE() = default;

void sTAGNODE::FreeChildren() {
  children.clear();
  payload.clear();
  payload.shrink_to_fit();
}

sMP4MOVIE::~sMP4MOVIE() {
  ClearIndex();
  root_.reset();  // before the mapping the nodes point at
}

void sMP4MOVIE::ClearIndex() {
  for (auto& v : index_) v.clear();
}

void sMP4MOVIE::RebuildIndex() {
  ClearIndex();
  if (!root_) return;
  for (int t = 0; t < kIndexCount; ++t) CollectPreOrder(root_.get(), kIndexTypes[t], &index_[t]);
}

uint64_t BoxSize(const sTAGNODE& node) {
  uint64_t size = node.headerSize;
  switch (node.kind) {
    case BoxKind::kContainer:
      for (const auto& child : node.children) size += BoxSize(*child);
      size += node.tailSize;
      break;
    case BoxKind::kLeaf:
      size += node.payload.size();
      break;
    case BoxKind::kRange:
    case BoxKind::kGps:
      size += node.payloadSize;
      break;
  }
  return size;
}

}  // namespace playcore
