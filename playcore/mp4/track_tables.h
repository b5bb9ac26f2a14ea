// The boxes of one track that a join edits or compares, found by their place in the tree
// (moov/trak/mdia/minf/stbl/...), and the checked reading of their tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "playcore/mp4/mp4_movie.h"

namespace playcore {

struct TrackTables {
  sTAGNODE* tkhd = nullptr;
  sTAGNODE* elst = nullptr;  // optional
  sTAGNODE* mdhd = nullptr;
  sTAGNODE* hdlr = nullptr;
  sTAGNODE* stsd = nullptr;
  sTAGNODE* stts = nullptr;
  sTAGNODE* ctts = nullptr;  // optional
  sTAGNODE* stss = nullptr;  // optional
  sTAGNODE* stsz = nullptr;
  sTAGNODE* stsc = nullptr;
  sTAGNODE* stco = nullptr;
  sTAGNODE* sbgp = nullptr;  // optional sample-to-group map and its descriptions
  sTAGNODE* sgpd = nullptr;
  bool hasCo64 = false;
  bool hasStz2 = false;
};

struct MovieTables {
  sTAGNODE* moov = nullptr;
  sTAGNODE* mvhd = nullptr;
  sTAGNODE* mdat = nullptr;
  sTAGNODE* gps0 = nullptr;  // optional
  std::vector<TrackTables> tracks;
};

// Finds the tables of every track; false with a reason when the movie lacks one the join needs.
bool FindMovieTables(sMP4MOVIE* movie, MovieTables* out, std::string* why);

// A table of `count` entries of `entrySize` bytes after a header of `headerSize` bytes, checked
// against its payload copy.
struct Table {
  uint32_t count = 0;
  size_t entries = 0;  // offset of the first entry
  size_t entrySize = 0;
};
bool ReadTable(const sTAGNODE* box, size_t countOffset, size_t entriesOffset, size_t entrySize, Table* out);

uint32_t GetU32(const std::vector<uint8_t>& p, size_t offset);
void PutU32(std::vector<uint8_t>* p, size_t offset, uint32_t v);

}  // namespace playcore
