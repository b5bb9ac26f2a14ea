// The merge of one recording into a joined movie, in two steps: check and plan every track, then edit.
#include "playcore/mp4/join_merge.h"

#include <cstring>
#include <memory>
#include <new>

#include "playcore/bytes/byte_reader.h"
#include "playcore/bytes/checked.h"
#include "playcore/mp4/track_tables.h"
#include "playcore/mp4/tree_writer.h"

namespace playcore {

namespace {

constexpr uint64_t kMax32 = 0xFFFFFFFFu;
// Full-box payload offsets (version 0 layouts).
constexpr size_t kVersionOffset = 0;
constexpr size_t kMvhdTimescale = 12, kMvhdDuration = 16;
constexpr size_t kTkhdDuration = 20;
constexpr size_t kMdhdTimescale = 12, kMdhdDuration = 16;
constexpr size_t kHdlrType = 8;
constexpr size_t kStsdFormat = 12;
constexpr size_t kStsdFrameSize = 40;  // width and height of a visual sample entry
constexpr size_t kElstFirstDuration = 8;
// Tables: the entry count follows version and flags; "stsz" has a sample size before its count.
constexpr size_t kCountOffset = 4, kEntriesOffset = 8;
constexpr size_t kStszSizeOffset = 4, kStszCountOffset = 8, kStszEntries = 12;
// Sample-to-group map: grouping type, entry count, then (sample count, description index) entries.
constexpr size_t kGroupType = 4, kGroupCount = 8, kGroupEntries = 12, kGroupEntry = 8;
constexpr size_t kTimeEntry = 8, kSyncEntry = 4, kChunkEntry = 12, kOffsetEntry = 4, kSizeEntry = 4;

struct TrackPlan {
  Table mStts, nStts, mCtts, nCtts, mStss, nStss, mStsc, nStsc, mStco, nStco, mStsz, nStsz;
  uint32_t sampleSize = 0;  // both tables' constant size, 0 for per-sample tables
  uint32_t mSamples = 0;
};

bool Fail(std::string* why, const char* text) {
  *why = text;
  return false;
}

bool Version0(const sTAGNODE* box, size_t needed) {
  return box->payload.size() >= needed && box->payload[kVersionOffset] == 0;
}

bool SumFits(uint32_t a, uint32_t b) { return static_cast<uint64_t>(a) + b <= kMax32; }

uint64_t SampleTotal(const sTAGNODE* box, const Table& t) {
  uint64_t total = 0;
  for (uint32_t i = 0; i < t.count; ++i) total += GetU32(box->payload, t.entries + i * kTimeEntry);
  return total;
}

bool PlanTimeTables(const TrackTables& m, const TrackTables& n, TrackPlan* p, std::string* why) {
  if (!ReadTable(m.stts, kCountOffset, kEntriesOffset, kTimeEntry, &p->mStts) ||
      !ReadTable(n.stts, kCountOffset, kEntriesOffset, kTimeEntry, &p->nStts))
    return Fail(why, "a time-to-sample table does not fit its box");
  if (!m.ctts != !n.ctts) return Fail(why, "composition offsets in only some recordings");
  if (m.ctts && (!ReadTable(m.ctts, kCountOffset, kEntriesOffset, kTimeEntry, &p->mCtts) ||
                 !ReadTable(n.ctts, kCountOffset, kEntriesOffset, kTimeEntry, &p->nCtts) ||
                 m.ctts->payload[kVersionOffset] != n.ctts->payload[kVersionOffset]))
    return Fail(why, "a composition offset table does not fit its box");
  if (!SumFits(p->mStts.count, p->nStts.count) || !SumFits(p->mCtts.count, p->nCtts.count))
    return Fail(why, "joined table too long");
  return true;
}

bool PlanSizes(const TrackTables& m, const TrackTables& n, TrackPlan* p, std::string* why) {
  if (m.stsz->payload.size() < kStszEntries || n.stsz->payload.size() < kStszEntries)
    return Fail(why, "a sample size table is too short");
  uint32_t mSize = GetU32(m.stsz->payload, kStszSizeOffset);
  uint32_t nSize = GetU32(n.stsz->payload, kStszSizeOffset);
  if (mSize != nSize) return Fail(why, "sample size tables of different kinds");
  p->sampleSize = mSize;
  size_t entry = mSize == 0 ? kSizeEntry : 0;
  if (!ReadTable(m.stsz, kStszCountOffset, kStszEntries, entry, &p->mStsz) ||
      !ReadTable(n.stsz, kStszCountOffset, kStszEntries, entry, &p->nStsz))
    return Fail(why, "a sample size table does not fit its box");
  p->mSamples = p->mStsz.count;
  if (!SumFits(p->mStsz.count, p->nStsz.count)) return Fail(why, "joined table too long");
  // Every sample needs a time; a mismatch means a damaged table.
  if (SampleTotal(m.stts, p->mStts) != p->mStsz.count || SampleTotal(n.stts, p->nStts) != p->nStsz.count)
    return Fail(why, "sample counts of the time and size tables differ");
  if (m.ctts &&
      (SampleTotal(m.ctts, p->mCtts) != p->mStsz.count || SampleTotal(n.ctts, p->nCtts) != p->nStsz.count))
    return Fail(why, "sample counts of the composition and size tables differ");
  return true;
}

bool PlanSyncAndChunks(const TrackTables& m, const TrackTables& n, TrackPlan* p, std::string* why) {
  if (!m.stss != !n.stss) return Fail(why, "sync-sample tables in only some recordings");
  if (m.stss) {
    if (!ReadTable(m.stss, kCountOffset, kEntriesOffset, kSyncEntry, &p->mStss) ||
        !ReadTable(n.stss, kCountOffset, kEntriesOffset, kSyncEntry, &p->nStss))
      return Fail(why, "a sync-sample table does not fit its box");
    for (uint32_t i = 0; i < p->nStss.count; ++i) {
      uint32_t v = GetU32(n.stss->payload, p->nStss.entries + i * kSyncEntry);
      if (v == 0 || v > p->nStsz.count) return Fail(why, "a sync sample outside its track");
    }
  }
  if (!ReadTable(m.stsc, kCountOffset, kEntriesOffset, kChunkEntry, &p->mStsc) ||
      !ReadTable(n.stsc, kCountOffset, kEntriesOffset, kChunkEntry, &p->nStsc) ||
      !ReadTable(m.stco, kCountOffset, kEntriesOffset, kOffsetEntry, &p->mStco) ||
      !ReadTable(n.stco, kCountOffset, kEntriesOffset, kOffsetEntry, &p->nStco))
    return Fail(why, "a chunk table does not fit its box");
  for (uint32_t i = 0; i < p->nStsc.count; ++i) {
    uint32_t first = GetU32(n.stsc->payload, p->nStsc.entries + i * kChunkEntry);
    if (first == 0 || first > p->nStco.count) return Fail(why, "a chunk map entry outside its track");
  }
  if (!SumFits(p->mStsc.count, p->nStsc.count) || !SumFits(p->mStco.count, p->nStco.count) ||
      !SumFits(p->mStss.count, p->nStss.count))
    return Fail(why, "joined table too long");
  return true;
}

bool PlanHeaders(const TrackTables& m, const TrackTables& n, std::string* why) {
  if (!Version0(m.tkhd, kTkhdDuration + 4) || !Version0(n.tkhd, kTkhdDuration + 4) ||
      !Version0(m.mdhd, kMdhdDuration + 4) || !Version0(n.mdhd, kMdhdDuration + 4))
    return Fail(why, "track headers other than version 0 cannot be joined");
  if (GetU32(m.mdhd->payload, kMdhdTimescale) != GetU32(n.mdhd->payload, kMdhdTimescale))
    return Fail(why, "tracks of different time scales");
  if (!SumFits(GetU32(m.tkhd->payload, kTkhdDuration), GetU32(n.tkhd->payload, kTkhdDuration)) ||
      !SumFits(GetU32(m.mdhd->payload, kMdhdDuration), GetU32(n.mdhd->payload, kMdhdDuration)))
    return Fail(why, "joined duration too long");
  if (m.hdlr->payload.size() < kHdlrType + 4 || n.hdlr->payload.size() < kHdlrType + 4 ||
      GetU32(m.hdlr->payload, kHdlrType) != GetU32(n.hdlr->payload, kHdlrType))
    return Fail(why, "tracks of different kinds");
  if (m.stsd->payload.size() < kStsdFormat + 4 || n.stsd->payload.size() < kStsdFormat + 4 ||
      GetU32(m.stsd->payload, kCountOffset) != GetU32(n.stsd->payload, kCountOffset) ||
      GetU32(m.stsd->payload, kStsdFormat) != GetU32(n.stsd->payload, kStsdFormat))
    return Fail(why, "tracks of different sample formats");
  // The joined track keeps the first recording's sample description: pictures must have its size.
  if (GetU32(m.hdlr->payload, kHdlrType) == FourCC("vide") &&
      (m.stsd->payload.size() < kStsdFrameSize + 4 || n.stsd->payload.size() < kStsdFrameSize + 4 ||
       GetU32(m.stsd->payload, kStsdFrameSize) != GetU32(n.stsd->payload, kStsdFrameSize)))
    return Fail(why, "videos of different frame sizes");
  if (!m.elst != !n.elst) return Fail(why, "edit lists in only some recordings");
  if (m.elst) {
    // Only a single-segment list can take the appended duration without changing its meaning.
    if (!Version0(m.elst, kElstFirstDuration + 4) || !Version0(n.elst, kElstFirstDuration + 4) ||
        GetU32(m.elst->payload, kCountOffset) != 1 || GetU32(n.elst->payload, kCountOffset) != 1)
      return Fail(why, "edit lists other than one version-0 segment cannot be joined");
    if (!SumFits(GetU32(m.elst->payload, kElstFirstDuration), GetU32(n.elst->payload, kElstFirstDuration)))
      return Fail(why, "joined duration too long");
  }
  return true;
}

// Every chunk must lie inside its file's "mdat" payload, or it cannot be moved with it.
bool ChunksInside(const sTAGNODE* stco, const Table& t, const sTAGNODE* mdat, uint64_t shift) {
  for (uint32_t i = 0; i < t.count; ++i) {
    uint64_t off = GetU32(stco->payload, t.entries + i * kOffsetEntry) + shift;
    if (off < mdat->payloadOffsetRead || off > mdat->payloadOffsetRead + mdat->payloadSizeRead) return false;
  }
  return true;
}

void AddU32(sTAGNODE* box, size_t offset, uint32_t v) {
  PutU32(&box->payload, offset, GetU32(box->payload, offset) + v);
}

// M's entries, then N's entries after `edit` (value, index) -> value; the count becomes the sum.
template <class Edit>
void Append(sTAGNODE* m, const Table& mt, const sTAGNODE* n, const Table& nt, size_t countOffset, Edit edit) {
  size_t end = mt.entries + mt.count * mt.entrySize;
  m->payload.resize(end);
  const uint8_t* src = n->payload.data() + nt.entries;
  m->payload.insert(m->payload.end(), src, src + static_cast<size_t>(nt.count) * nt.entrySize);
  PutU32(&m->payload, countOffset, mt.count + nt.count);
  for (uint32_t i = 0; i < nt.count; ++i) {
    size_t at = end + i * nt.entrySize;
    PutU32(&m->payload, at, edit(GetU32(m->payload, at)));
  }
}

uint32_t Same(uint32_t v) { return v; }

// Sample groups (such as an audio track's pre-roll) carry over when both parts describe the same
// groups; the appended entries then start right after the first part's last sample. Otherwise the
// appended samples simply belong to no group, which players treat as the default.
bool SampleGroupsJoin(const TrackTables& m, const TrackTables& n, const TrackPlan& p, Table* mt, Table* nt,
                      uint32_t* gap) {
  if (!m.sbgp || !n.sbgp || !m.sgpd || !n.sgpd || m.sgpd->payload != n.sgpd->payload) return false;
  if (!Version0(m.sbgp, kGroupEntries) || !Version0(n.sbgp, kGroupEntries) ||
      GetU32(m.sbgp->payload, kGroupType) != GetU32(n.sbgp->payload, kGroupType))
    return false;
  if (!ReadTable(m.sbgp, kGroupCount, kGroupEntries, kGroupEntry, mt) ||
      !ReadTable(n.sbgp, kGroupCount, kGroupEntries, kGroupEntry, nt) || !SumFits(mt->count, nt->count + 1))
    return false;
  uint64_t covered = 0;
  for (uint32_t i = 0; i < mt->count; ++i) covered += GetU32(m.sbgp->payload, mt->entries + i * kGroupEntry);
  if (covered > p.mSamples) return false;
  *gap = static_cast<uint32_t>(p.mSamples - covered);
  return true;
}

void JoinSampleGroups(const TrackTables& m, const TrackTables& n, const TrackPlan& p) {
  Table mt, nt;
  uint32_t gap = 0;
  if (!SampleGroupsJoin(m, n, p, &mt, &nt, &gap)) return;
  if (gap > 0) {
    // The first part's samples past its last entry: no group.
    size_t end = mt.entries + mt.count * kGroupEntry;
    m.sbgp->payload.resize(end);
    m.sbgp->payload.resize(end + kGroupEntry, 0);
    PutU32(&m.sbgp->payload, end, gap);  // description index 0: no group
    ++mt.count;
    PutU32(&m.sbgp->payload, kGroupCount, mt.count);
  }
  Append(m.sbgp, mt, n.sbgp, nt, kGroupCount, Same);
}

void ApplyTrack(const TrackTables& m, const TrackTables& n, const TrackPlan& p, uint32_t nChunkShift) {
  Append(m.stts, p.mStts, n.stts, p.nStts, kCountOffset, Same);
  if (m.ctts) Append(m.ctts, p.mCtts, n.ctts, p.nCtts, kCountOffset, Same);
  // The appended part starts with its own sync sample, so its shifted table already marks the seam;
  // no extra entry is added (a repeated number would break the table's strict order).
  if (m.stss)
    Append(m.stss, p.mStss, n.stss, p.nStss, kCountOffset, [&](uint32_t v) { return v + p.mSamples; });
  if (p.sampleSize == 0) {
    Append(m.stsz, p.mStsz, n.stsz, p.nStsz, kStszCountOffset, Same);
  } else {
    PutU32(&m.stsz->payload, kStszCountOffset, p.mStsz.count + p.nStsz.count);
  }
  // First-chunk numbers of the appended part continue after the chunks already in the track.
  uint32_t mChunks = p.mStco.count;
  Append(m.stsc, p.mStsc, n.stsc, p.nStsc, kCountOffset, [&](uint32_t v) { return v + mChunks; });
  Append(m.stco, p.mStco, n.stco, p.nStco, kCountOffset, [&](uint32_t v) { return v - nChunkShift; });
  AddU32(m.tkhd, kTkhdDuration, GetU32(n.tkhd->payload, kTkhdDuration));
  AddU32(m.mdhd, kMdhdDuration, GetU32(n.mdhd->payload, kMdhdDuration));
  if (m.elst) AddU32(m.elst, kElstFirstDuration, GetU32(n.elst->payload, kElstFirstDuration));
  JoinSampleGroups(m, n, p);
}

// The records the recorder lays out over a recording's video: one per 100 ms, the video track's
// duration rounded to the nearest tenth of a second. False when the movie has no video track with a
// time scale.
bool VideoRecordSpan(const MovieTables& n, uint64_t* records) {
  constexpr uint64_t kRecordsPerSecond = 10;
  for (const TrackTables& t : n.tracks) {
    if (GetU32(t.hdlr->payload, kHdlrType) != FourCC("vide")) continue;
    uint64_t scale = GetU32(t.mdhd->payload, kMdhdTimescale);
    if (scale == 0) return false;
    uint64_t units = GetU32(t.mdhd->payload, kMdhdDuration);
    *records = (units * kRecordsPerSecond + scale / 2) / scale;
    return true;
  }
  return false;
}

// The records N adds to the joined data box: its own, or, without a data box of its own, invalid
// records over its span so that every later recording's records keep their times.
bool PlanGps(const MovieTables& m, const MovieTables& n, uint64_t* added, std::string* why) {
  *added = 0;
  if (!m.gps0) {
    if (!n.gps0) return true;  // neither carries records
    return Fail(why, "the first recording has no recorder data box to join into");
  }
  // A damaged first box is copied as it was while nothing is appended to it.
  if (!n.gps0 && !m.gps0->gpsWellFormed) return true;
  if (!m.gps0->gpsWellFormed || (n.gps0 && !n.gps0->gpsWellFormed))
    return Fail(why, "a recorder data box is damaged");
  if (n.gps0) {
    *added = n.gps0->gpsRecordCount;
  } else if (!VideoRecordSpan(n, added)) {
    return Fail(why, "a recording without a recorder data box has no video length");
  }
  uint64_t total = (m.gps0->gpsJoinedCount ? m.gps0->gpsJoinedCount : m.gps0->gpsRecordCount) + *added;
  if (total > kGpsMaxRecords) return Fail(why, "more than 65535 GPS records in the joined recording");
  return true;
}

void ApplyGps(const MovieTables& m, const MovieTables& n, uint64_t added) {
  if (!m.gps0 || (!n.gps0 && !m.gps0->gpsWellFormed)) return;
  const sTAGNODE* part = n.gps0;
  if (!part) {
    auto fill = std::make_unique<sTAGNODE>();
    fill->kind = BoxKind::kGps;
    fill->type = m.gps0->type;
    std::memcpy(fill->name, m.gps0->name, sizeof fill->name);
    fill->gpsRecordCount = added;
    fill->gpsRecordBytes = kGpsRecordSize * added;
    fill->gpsWellFormed = true;
    m.gps0->gpsFills.reserve(m.gps0->gpsFills.size() + 1);
    part = fill.get();
    m.gps0->gpsFills.push_back(std::move(fill));
  }
  m.gps0->chain.push_back(part);
  uint64_t total = (m.gps0->gpsJoinedCount ? m.gps0->gpsJoinedCount : m.gps0->gpsRecordCount) + added;
  m.gps0->gpsJoinedCount = total;
  m.gps0->gpsRecordBytes = kGpsRecordSize * m.gps0->gpsRecordCount;
  m.gps0->gpsPayloadSize = kGpsFixedPayload + kGpsRecordSize * total;
  m.gps0->payloadSize = m.gps0->gpsPayloadSize;
}

// Chunk offsets minus the "mdat" payload offset; every offset was checked to lie inside it.
template <class Plans>
void RelativeOffsets(const MovieTables& m, const Plans& plans) {
  for (size_t i = 0; i < m.tracks.size(); ++i) {
    const Table& t = plans[i].mStco;
    for (uint32_t k = 0; k < t.count; ++k) {
      size_t at = t.entries + k * kOffsetEntry;
      PutU32(&m.tracks[i].stco->payload, at,
             static_cast<uint32_t>(GetU32(m.tracks[i].stco->payload, at) - m.mdat->payloadOffsetRead));
    }
  }
}

// MergeRecording's body; may throw std::bad_alloc (the tables found, the plans, the edits, the index).
bool MergeChecked(sMP4MOVIE* joined, sMP4MOVIE* next, std::string* why) {
  if (joined->hasLargeBoxes() || next->hasLargeBoxes()) return Fail(why, "64-bit box sizes cannot be joined");
  MovieTables m, n;
  if (!FindMovieTables(joined, &m, why) || !FindMovieTables(next, &n, why)) return false;
  if (m.tracks.size() != n.tracks.size()) return Fail(why, "recordings with different track sets");
  if (!Version0(m.mvhd, kMvhdDuration + 4) || !Version0(n.mvhd, kMvhdDuration + 4))
    return Fail(why, "movie headers other than version 0 cannot be joined");
  if (GetU32(m.mvhd->payload, kMvhdTimescale) != GetU32(n.mvhd->payload, kMvhdTimescale))
    return Fail(why, "movies of different time scales");
  if (!SumFits(GetU32(m.mvhd->payload, kMvhdDuration), GetU32(n.mvhd->payload, kMvhdDuration)))
    return Fail(why, "joined duration too long");
  // Chunk offsets are kept relative to the joined "mdat" payload; they must stay 32-bit.
  uint64_t base = m.mdat->payloadSize;
  if (base + n.mdat->payloadSizeRead > kMax32) return Fail(why, "the joined recording would pass 4 GB");
  std::vector<TrackPlan> plans(m.tracks.size());
  for (size_t i = 0; i < m.tracks.size(); ++i) {
    const TrackTables& mt = m.tracks[i];
    const TrackTables& nt = n.tracks[i];
    if (!PlanHeaders(mt, nt, why) || !PlanTimeTables(mt, nt, &plans[i], why) ||
        !PlanSizes(mt, nt, &plans[i], why) || !PlanSyncAndChunks(mt, nt, &plans[i], why))
      return false;
    if (!ChunksInside(nt.stco, plans[i].nStco, n.mdat, 0) ||
        (!joined->chunkOffsetsRelative && !ChunksInside(mt.stco, plans[i].mStco, m.mdat, 0)))
      return Fail(why, "a chunk lies outside the media data");
  }
  uint64_t gpsAdded = 0;
  if (!PlanGps(m, n, &gpsAdded, why)) return false;
  if (!joined->chunkOffsetsRelative) RelativeOffsets(m, plans);
  joined->chunkOffsetsRelative = true;
  // N's offset o becomes o - (its payload offset) + (the payload bytes already joined).
  uint32_t shift = static_cast<uint32_t>(n.mdat->payloadOffsetRead - base);
  for (size_t i = 0; i < m.tracks.size(); ++i) ApplyTrack(m.tracks[i], n.tracks[i], plans[i], shift);
  AddU32(m.mvhd, kMvhdDuration, GetU32(n.mvhd->payload, kMvhdDuration));
  m.mdat->payloadSize += n.mdat->payloadSizeRead;
  m.mdat->chain.push_back(n.mdat);
  ApplyGps(m, n, gpsAdded);
  joined->RebuildIndex();
  return true;
}

}  // namespace

bool MergeRecording(sMP4MOVIE* joined, sMP4MOVIE* next, std::string* why) {
  try {
    return MergeChecked(joined, next, why);
  } catch (const std::bad_alloc&) {
    *why = "out of memory";
    return false;
  }
}

bool ResolveChunkOffsets(sMP4MOVIE* joined, Layout layout, std::string* why) {
  if (!joined->chunkOffsetsRelative) return true;
  MovieTables m;
  if (!FindMovieTables(joined, &m, why)) return false;
  uint64_t payloadStart = 0;
  if (!PayloadOffsetInOutput(*joined->root(), m.mdat, &payloadStart, layout))
    return Fail(why, "the media data is not in the tree");
  if (BoxSize(*joined->root()) > kMax32 || payloadStart + m.mdat->payloadSize > kMax32)
    return Fail(why, "the joined recording would pass 4 GB");
  for (const TrackTables& t : m.tracks) {
    Table table;
    if (!ReadTable(t.stco, kCountOffset, kEntriesOffset, kOffsetEntry, &table))
      return Fail(why, "a chunk table does not fit its box");
    for (uint32_t k = 0; k < table.count; ++k)
      AddU32(t.stco, table.entries + k * kOffsetEntry, static_cast<uint32_t>(payloadStart));
  }
  joined->chunkOffsetsRelative = false;
  return true;
}

}  // namespace playcore
