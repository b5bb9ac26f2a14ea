#include "tests/join/join_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <map>
#include <tuple>

#include "playcore/mp4/multi_movie.h"

namespace quill::test {

namespace {

struct Child {
  std::string type;
  size_t pos;
  size_t size;
};

std::vector<Child> Children(const Bytes& f, size_t begin, size_t end) {
  std::vector<Child> out;
  for (size_t pos = begin; pos + 8 <= end;) {
    uint32_t size = GetBE32(f, pos);
    if (size < 8 || pos + size > end) break;
    out.push_back({std::string(reinterpret_cast<const char*>(&f[pos + 4]), 4), pos, size});
    pos += size;
  }
  return out;
}

const Child* Find(const std::vector<Child>& v, const char* type) {
  for (const Child& c : v) {
    if (c.type == type) return &c;
  }
  return nullptr;
}

std::vector<Child> Inside(const Bytes& f, const Child& c) { return Children(f, c.pos + 8, c.pos + c.size); }

Track ReadTrack(const Bytes& f, const Child& trak) {
  Track t;
  auto stbl = Inside(f, *Find(Inside(f, *Find(Inside(f, *Find(Inside(f, trak), "mdia")), "minf")), "stbl"));
  const Child* stsz = Find(stbl, "stsz");
  const Child* stsc = Find(stbl, "stsc");
  const Child* stco = Find(stbl, "stco");
  const Child* stss = Find(stbl, "stss");
  size_t p = stsz->pos + 8;
  uint32_t constant = GetBE32(f, p + 4);
  t.samples = GetBE32(f, p + 8);
  auto sizeOf = [&](uint32_t s) { return constant ? constant : GetBE32(f, p + 12 + 4 * s); };
  if (const Child* sbgp = Find(stbl, "sbgp")) {
    for (uint32_t i = 0; i < GetBE32(f, sbgp->pos + 16); ++i) t.grouped += GetBE32(f, sbgp->pos + 20 + 8 * i);
  }
  if (stss) {
    for (uint32_t i = 0; i < GetBE32(f, stss->pos + 12); ++i)
      t.sync.push_back(GetBE32(f, stss->pos + 16 + 4 * i));
  }
  uint32_t chunks = GetBE32(f, stco->pos + 12), entries = GetBE32(f, stsc->pos + 12), sample = 0;
  for (uint32_t c = 0; c < chunks; ++c) {
    uint32_t perChunk = 0;
    for (uint32_t e = 0; e < entries && GetBE32(f, stsc->pos + 16 + 12 * e) <= c + 1; ++e)
      perChunk = GetBE32(f, stsc->pos + 16 + 12 * e + 4);
    uint32_t off = GetBE32(f, stco->pos + 16 + 4 * c), len = 0;
    for (uint32_t s = 0; s < perChunk; ++s) len += sizeOf(sample++);
    t.chunks.emplace_back(f.begin() + off, f.begin() + off + len);
  }
  EXPECT_EQ(sample, t.samples) << "chunk map covers every sample";
  return t;
}

std::wstring W(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::wstring g_manifest = L"joined.txt";

void AppendManifest(const std::string& line) {
  std::wstring path = JoinOutputDir() + g_manifest;
  Bytes data = ReadAll(path);
  data.insert(data.end(), line.begin(), line.end());
  data.push_back('\n');
  WriteAll(path, data);
}

}  // namespace

Movie ReadMovie(const std::wstring& path) {
  Movie m;
  Bytes f = ReadAll(path);
  auto top = Children(f, 0, f.size());
  auto moov = Inside(f, *Find(top, "moov"));
  m.duration = GetBE32(f, Find(moov, "mvhd")->pos + 8 + 16);
  for (const Child& c : moov) {
    if (c.type == "trak") m.tracks.push_back(ReadTrack(f, c));
  }
  if (const Child* gps = Find(top, "gps0")) {
    m.gpsBoxSize = gps->size;
    m.gpsHeader.assign(f.begin() + gps->pos + 14, f.begin() + gps->pos + 40);
    m.gpsCount = (f[gps->pos + 40] << 8) | f[gps->pos + 41];
    m.gpsRecords.assign(f.begin() + gps->pos + 42, f.begin() + gps->pos + 42 + 79 * m.gpsCount);
    EXPECT_EQ(std::memcmp(&f[gps->pos + 42 + 79 * m.gpsCount], "CSOEND", 6), 0);
  }
  return m;
}

void ExpectJoinOf(const Movie& joined, const std::vector<Movie>& parts) {
  Movie want;
  want.tracks.resize(parts[0].tracks.size());
  want.gpsHeader = parts[0].gpsHeader;
  for (const Movie& p : parts) {
    want.duration += p.duration;
    want.gpsCount += p.gpsCount;
    want.gpsRecords.insert(want.gpsRecords.end(), p.gpsRecords.begin(), p.gpsRecords.end());
    for (size_t i = 0; i < p.tracks.size(); ++i) {
      for (uint32_t s : p.tracks[i].sync) want.tracks[i].sync.push_back(s + want.tracks[i].samples);
      want.tracks[i].samples += p.tracks[i].samples;
      // A part whose groups cover all its samples keeps them covered in the join.
      if (p.tracks[i].grouped == p.tracks[i].samples) want.tracks[i].grouped += p.tracks[i].grouped;
      want.tracks[i].chunks.insert(want.tracks[i].chunks.end(), p.tracks[i].chunks.begin(),
                                   p.tracks[i].chunks.end());
    }
  }
  EXPECT_EQ(joined.duration, want.duration);
  ASSERT_EQ(joined.tracks.size(), want.tracks.size());
  for (size_t i = 0; i < want.tracks.size(); ++i) {
    SCOPED_TRACE("track " + std::to_string(i));
    EXPECT_EQ(joined.tracks[i].samples, want.tracks[i].samples);
    EXPECT_EQ(joined.tracks[i].grouped, want.tracks[i].grouped) << "sample groups carried over";
    EXPECT_EQ(joined.tracks[i].sync, want.tracks[i].sync);
    EXPECT_TRUE(joined.tracks[i].chunks == want.tracks[i].chunks) << "chunk bytes moved with their offsets";
  }
  EXPECT_EQ(joined.gpsCount, want.gpsCount);
  EXPECT_EQ(joined.gpsBoxSize, 48 + 79 * want.gpsCount);
  EXPECT_TRUE(joined.gpsHeader == want.gpsHeader);
  EXPECT_TRUE(joined.gpsRecords == want.gpsRecords) << "records of every part, in order";
}

ProgressWindow::ProgressWindow() {
  hwnd_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

ProgressWindow::~ProgressWindow() { DestroyWindow(hwnd_); }

std::vector<std::pair<WPARAM, LPARAM>> ProgressWindow::Drain() {
  std::vector<std::pair<WPARAM, LPARAM>> got;
  MSG msg;
  while (PeekMessageW(&msg, hwnd_, playcore::kJoinProgressMessage, playcore::kJoinProgressMessage, PM_REMOVE))
    got.emplace_back(msg.wParam, msg.lParam);
  return got;
}

void ListJoinOutput(const std::string& output, const std::vector<std::string>& parts) {
  std::string line = output;
  for (const std::string& p : parts) line += "\t" + p;
  AppendManifest(line);
}

void StartJoinManifest(const wchar_t* name) {
  g_manifest = name;
  WriteAll(JoinOutputDir() + g_manifest, Bytes());
}

void JoinAndCheck(const std::vector<JoinInputFile>& a, const std::vector<JoinInputFile>& b,
                  const std::string& outA, const std::string& outB) {
  std::map<std::wstring, uint64_t> before;
  for (const auto* list : {&a, &b})
    for (const auto& in : *list) before[in.path] = Fingerprint(in.path);
  ProgressWindow progress;
  playcore::MultiMoviePtr join(playcore::sMULTIMOVIE::Create(progress.hwnd()));
  ASSERT_TRUE(join);
  auto arg = [](const std::vector<JoinInputFile>& v, size_t i) {
    return i < v.size() ? v[i].path.c_str() : nullptr;
  };
  ASSERT_EQ(join->StartChannel(arg(a, 0), arg(b, 0)), 1);
  for (size_t i = 1; i < a.size() || i < b.size(); ++i)
    ASSERT_EQ(join->AddRecording(arg(a, i), arg(b, i)), 1);
  ASSERT_TRUE(join->ok()) << join->failure();
  std::wstring oa = JoinOutputDir() + W(outA), ob = outB.empty() ? L"" : JoinOutputDir() + W(outB);
  ASSERT_EQ(join->WriteJoined(oa.c_str(), ob.empty() ? nullptr : ob.c_str()), 1) << join->failure();
  join.reset();
  // Percent of both channels' bytes: from 0 to 100, never back, with steps between while it copies.
  const std::vector<std::pair<WPARAM, LPARAM>> got = progress.Drain();
  ASSERT_GE(got.size(), 3u);
  EXPECT_EQ(got.front().first, 0u);
  EXPECT_EQ(got.back().first, 100u);
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].second, 100) << i;
    if (i > 0) {
      EXPECT_GT(got[i].first, got[i - 1].first) << i;
    }
  }
  EXPECT_TRUE(std::any_of(got.begin(), got.end(), [](const auto& p) { return p.first > 0 && p.first < 100; }));
  for (const auto& [path, fp] : before) EXPECT_EQ(Fingerprint(path), fp) << "input unchanged";
  for (auto [list, out, name] : {std::make_tuple(&a, oa, outA), std::make_tuple(&b, ob, outB)}) {
    if (list->empty()) continue;
    std::vector<Movie> parts;
    std::string line = name;
    for (const auto& in : *list) {
      parts.push_back(ReadMovie(in.path));
      line += "\t" + in.label;
    }
    ExpectJoinOf(ReadMovie(out), parts);
    AppendManifest(line);
  }
}

}  // namespace quill::test
