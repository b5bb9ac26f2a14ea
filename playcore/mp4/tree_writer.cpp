// The tree writer and the output layout it produces.
#include "playcore/mp4/tree_writer.h"

#include <cstdint>
#include <vector>

#include "playcore/bytes/byte_reader.h"
#include "playcore/mp4/gps_box_writer.h"

namespace playcore {

namespace {

constexpr uint64_t kMax32 = 0xFFFFFFFFu;
constexpr uint32_t kLargeSizeMark = 1;
constexpr uint32_t kMoov = FourCC("moov");
constexpr uint32_t kMdat = FourCC("mdat");

bool WriteHeader(const sTAGNODE& node, uint64_t size, OutputFile* out) {
  if (node.headerSize == 16) {
    return out->WriteU32(kLargeSizeMark) && out->Write(node.name, 4) && out->WriteU64(size);
  }
  if (size > kMax32) return false;
  return out->WriteU32(static_cast<uint32_t>(size)) && out->Write(node.name, 4);
}

bool WriteRangeChain(const sTAGNODE& node, OutputFile* out) {
  if (!out->CopyRange(*node.map, node.payloadOffsetRead, node.payloadSizeRead)) return false;
  for (const sTAGNODE* part : node.chain) {
    if (!out->CopyRange(*part->map, part->payloadOffsetRead, part->payloadSizeRead)) return false;
  }
  return true;
}

std::vector<const sTAGNODE*> WriteOrder(const sTAGNODE& node, Layout layout) {
  std::vector<const sTAGNODE*> order, held;
  bool moovAhead = false;
  for (const auto& c : node.children) moovAhead = moovAhead || c->type == kMoov;
  for (const auto& c : node.children) {
    if (c->type == kMoov) moovAhead = false;
    if (layout == Layout::kMovieFirst && moovAhead && c->type == kMdat) {
      held.push_back(c.get());
      continue;
    }
    order.push_back(c.get());
    if (c->type == kMoov) {
      order.insert(order.end(), held.begin(), held.end());
      held.clear();
    }
  }
  return order;
}

bool WriteNode(const sTAGNODE& node, OutputFile* out, Layout layout) {
  uint64_t start = out->written();
  uint64_t size = BoxSize(node);
  if (node.depth > 0 && !WriteHeader(node, size, out)) return false;
  bool ok = true;
  switch (node.kind) {
    case BoxKind::kContainer:
      for (const sTAGNODE* child : WriteOrder(node, layout)) {
        if (!WriteNode(*child, out, layout)) return false;
      }
      ok = out->CopyRange(*node.map, node.tailOffset, node.tailSize);
      break;
    case BoxKind::kLeaf:
      ok = out->Write(node.payload.data(), node.payload.size());
      break;
    case BoxKind::kRange:
      ok = WriteRangeChain(node, out);
      break;
    case BoxKind::kGps:
      if (layout == Layout::kMovieFirst || (node.chain.empty() && node.gpsJoinedCount == 0)) {
        ok = out->CopyRange(*node.map, node.payloadOffsetRead, node.payloadSizeRead);
      } else {
        ok = WriteGpsPayload(node, out);
      }
      break;
  }
  // A box whose bytes disagree with the size in its header would corrupt everything after it.
  return ok && out->written() - start == size;
}

bool FindPayload(const sTAGNODE& node, const sTAGNODE* target, uint64_t pos, uint64_t* offset,
                 Layout layout) {
  uint64_t inner = pos + (node.depth > 0 ? node.headerSize : 0);
  if (&node == target) {
    *offset = inner;
    return true;
  }
  if (node.kind != BoxKind::kContainer) return false;
  for (const sTAGNODE* child : WriteOrder(node, layout)) {
    if (FindPayload(*child, target, inner, offset, layout)) return true;
    inner += BoxSize(*child);
  }
  return false;
}

}  // namespace

bool WriteTree(const sTAGNODE& root, OutputFile* out, Layout layout) { return WriteNode(root, out, layout); }

bool PayloadOffsetInOutput(const sTAGNODE& root, const sTAGNODE* target, uint64_t* offset, Layout layout) {
  return FindPayload(root, target, 0, offset, layout);
}

}  // namespace playcore
