// Locating the per-track boxes a join needs, and bounded table reads.
#include "playcore/mp4/track_tables.h"

#include "playcore/bytes/byte_reader.h"
#include "playcore/bytes/checked.h"

namespace playcore {

namespace {

sTAGNODE* Child(sTAGNODE* node, const char (&type)[5]) {
  if (!node || node->kind != BoxKind::kContainer) return nullptr;
  for (auto& c : node->children) {
    if (c->type == FourCC(type)) return c.get();
  }
  return nullptr;
}

// A leaf with a payload copy, or null (a box judged a container or left in the file cannot be edited).
sTAGNODE* Leaf(sTAGNODE* node) { return node && node->kind == BoxKind::kLeaf ? node : nullptr; }

bool FindTrack(sTAGNODE* trak, TrackTables* t, std::string* why) {
  sTAGNODE* mdia = Child(trak, "mdia");
  sTAGNODE* stbl = Child(Child(mdia, "minf"), "stbl");
  t->tkhd = Leaf(Child(trak, "tkhd"));
  t->elst = Leaf(Child(Child(trak, "edts"), "elst"));
  t->mdhd = Leaf(Child(mdia, "mdhd"));
  t->hdlr = Leaf(Child(mdia, "hdlr"));
  t->stsd = Leaf(Child(stbl, "stsd"));
  t->stts = Leaf(Child(stbl, "stts"));
  t->ctts = Leaf(Child(stbl, "ctts"));
  t->stss = Leaf(Child(stbl, "stss"));
  t->stsz = Leaf(Child(stbl, "stsz"));
  t->stsc = Leaf(Child(stbl, "stsc"));
  t->stco = Leaf(Child(stbl, "stco"));
  t->sbgp = Leaf(Child(stbl, "sbgp"));
  t->sgpd = Leaf(Child(stbl, "sgpd"));
  t->hasCo64 = Child(stbl, "co64") != nullptr;
  t->hasStz2 = Child(stbl, "stz2") != nullptr;
  if (t->hasCo64 || t->hasStz2) {
    *why = "64-bit chunk offsets or compact sample sizes cannot be joined";
    return false;
  }
  if (!t->tkhd || !t->mdhd || !t->hdlr || !t->stsd || !t->stts || !t->stsz || !t->stsc || !t->stco) {
    *why = "a track lacks a table the join needs";
    return false;
  }
  // A second box of an edited type beside the first would be left unshifted.
  if (Child(trak, "edts") && !t->elst) {
    *why = "an edit box without an edit list";
    return false;
  }
  return true;
}

}  // namespace

bool FindMovieTables(sMP4MOVIE* movie, MovieTables* out, std::string* why) {
  *out = MovieTables();
  const auto& mdats = movie->Index(kIdxMdat);
  if (mdats.size() != 1 || mdats[0]->depth != 1) {
    *why = "the movie needs exactly one top-level media data box";
    return false;
  }
  out->mdat = mdats[0];
  const auto& gps = movie->Index(kIdxGps0);
  if (gps.size() > 1) {
    *why = "more than one recorder data box";
    return false;
  }
  out->gps0 = gps.empty() ? nullptr : gps[0];
  sTAGNODE* root = movie->root();
  int moovs = 0;
  for (auto& c : root->children) moovs += c->type == FourCC("moov");
  out->moov = Child(root, "moov");
  out->mvhd = Leaf(Child(out->moov, "mvhd"));
  if (moovs != 1 || !out->mvhd) {
    *why = "the movie needs exactly one movie box with a movie header";
    return false;
  }
  for (auto& c : out->moov->children) {
    if (c->type != FourCC("trak")) continue;
    TrackTables t;
    if (!FindTrack(c.get(), &t, why)) return false;
    out->tracks.push_back(t);
  }
  if (out->tracks.empty()) {
    *why = "the movie has no track";
    return false;
  }
  // Every indexed table must belong to a track found above, or an edit would miss it.
  if (movie->Index(kIdxStco).size() != out->tracks.size() ||
      movie->Index(kIdxStsz).size() != out->tracks.size() ||
      movie->Index(kIdxStsc).size() != out->tracks.size() ||
      movie->Index(kIdxStts).size() != out->tracks.size()) {
    *why = "sample tables outside the tracks";
    return false;
  }
  return true;
}

bool ReadTable(const sTAGNODE* box, size_t countOffset, size_t entriesOffset, size_t entrySize, Table* out) {
  ByteReader r(box->payload.data(), box->payload.size());
  uint32_t count = 0;
  if (!r.Seek(countOffset) || !r.ReadU32(&count) || !r.Seek(entriesOffset)) return false;
  size_t bytes = 0;
  if (!CheckedMul<size_t>(count, entrySize, &bytes) || !r.HasBytes(bytes)) return false;
  out->count = count;
  out->entries = entriesOffset;
  out->entrySize = entrySize;
  return true;
}

uint32_t GetU32(const std::vector<uint8_t>& p, size_t offset) {
  return (static_cast<uint32_t>(p[offset]) << 24) | (static_cast<uint32_t>(p[offset + 1]) << 16) |
         (static_cast<uint32_t>(p[offset + 2]) << 8) | static_cast<uint32_t>(p[offset + 3]);
}

void PutU32(std::vector<uint8_t>* p, size_t offset, uint32_t v) {
  (*p)[offset] = static_cast<uint8_t>(v >> 24);
  (*p)[offset + 1] = static_cast<uint8_t>(v >> 16);
  (*p)[offset + 2] = static_cast<uint8_t>(v >> 8);
  (*p)[offset + 3] = static_cast<uint8_t>(v);
}

}  // namespace playcore
