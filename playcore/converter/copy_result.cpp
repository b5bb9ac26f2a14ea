// The movie-first rewrite of a converted file through the box tree and its writer.
#include "playcore/converter/copy_result.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "playcore/bytes/byte_reader.h"
#include "playcore/converter/conversion_rules.h"
#include "playcore/mp4/mp4_movie.h"
#include "playcore/mp4/output_file.h"
#include "playcore/mp4/tree_writer.h"

namespace playcore {
namespace {

constexpr uint32_t kStco = FourCC("stco");
constexpr uint32_t kCo64 = FourCC("co64");
constexpr uint32_t kMdat = FourCC("mdat");
constexpr size_t kTableHeader = 8;  // version and flags, entry count

struct Move {
  uint64_t begin, end;  // the payload as read
  int64_t delta;        // how far it moves in the output
};

uint64_t GetBe(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
  return v;
}

void PutBe(uint8_t* p, int bytes, uint64_t v) {
  for (int i = bytes - 1; i >= 0; --i, v >>= 8) p[i] = static_cast<uint8_t>(v & 0xFF);
}

void Collect(sTAGNODE* node, std::vector<sTAGNODE*>* tables, std::vector<const sTAGNODE*>* mdats) {
  if (node->type == kStco || node->type == kCo64) tables->push_back(node);
  if (node->type == kMdat) mdats->push_back(node);
  for (auto& c : node->children) Collect(c.get(), tables, mdats);
}

bool ShiftTable(sTAGNODE* table, const std::vector<Move>& moves) {
  if (table->kind != BoxKind::kLeaf) return false;
  const int width = table->type == kCo64 ? 8 : 4;
  std::vector<uint8_t>& p = table->payload;
  if (p.size() < kTableHeader) return false;
  const uint64_t count = GetBe(p.data() + 4, 4);
  if (count > (p.size() - kTableHeader) / width) return false;
  for (uint64_t i = 0; i < count; ++i) {
    uint8_t* entry = p.data() + kTableHeader + i * width;
    const uint64_t offset = GetBe(entry, width);
    const Move* move = nullptr;
    for (const Move& m : moves) {
      if (offset >= m.begin && offset < m.end) move = &m;
    }
    if (!move) return false;
    const uint64_t shifted = static_cast<uint64_t>(static_cast<int64_t>(offset) + move->delta);
    if (width == 4 && shifted > 0xFFFFFFFFu) return false;
    PutBe(entry, width, shifted);
  }
  return true;
}

}  // namespace

bool ShiftChunkOffsetsForMovieFirst(sMP4MOVIE* movie) {
  if (!movie || !movie->root()) return false;
  std::vector<sTAGNODE*> tables;
  std::vector<const sTAGNODE*> mdats;
  Collect(movie->root(), &tables, &mdats);
  std::vector<Move> moves;
  for (const sTAGNODE* mdat : mdats) {
    uint64_t out = 0;
    if (!PayloadOffsetInOutput(*movie->root(), mdat, &out, Layout::kMovieFirst)) return false;
    moves.push_back({mdat->payloadOffsetRead, mdat->payloadOffsetRead + mdat->payloadSizeRead,
                     static_cast<int64_t>(out) - static_cast<int64_t>(mdat->payloadOffsetRead)});
  }
  for (sTAGNODE* table : tables) {
    if (!ShiftTable(table, moves)) return false;
  }
  return true;
}

int CopyResult(const std::wstring& temp, const std::wstring& destination,
               const std::function<bool()>& cancelled) {
  std::unique_ptr<sMP4CONVERTMOVIE> movie = sMP4CONVERTMOVIE::Load(temp.c_str());
  if (!movie || !ShiftChunkOffsetsForMovieFirst(movie.get())) return 0;
  std::wstring partial;
  if (!NextTempPathBeside(destination, L".part.mp4", &partial)) return 0;
  bool ok = false;
  {
    OutputFile out;
    if (cancelled) out.SetAbort(cancelled);
    ok = out.Create(partial.c_str()) && WriteTree(*movie->root(), &out, Layout::kMovieFirst) &&
         out.Finish();
  }
  movie.reset();  // unmaps the temp file before anything else touches it
  // The last moment a cancel can keep the destination as it was.
  if (ok && cancelled && cancelled()) ok = false;
  if (ok) ok = MoveFileExW(partial.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  if (!ok) DeleteFileW(partial.c_str());
  return ok ? 1 : 0;
}

}  // namespace playcore
