#include "playcore/recorder/file_map.h"

#include "playcore/recorder/box_handlers.h"
#include "playcore/recorder/recorder_probe.h"
#include "tests/recorder/recorder_fixture.h"
#include "tests/recorder/recorder_test_util.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <process.h>

#include <string>
#include <vector>

namespace playcore {
namespace {

using namespace quill::test;

constexpr uint64_t kWindow = 0x2000000;  // the scan's window

class WalksTest : public MapErrorGuard {
 protected:
  std::wstring Path(const char* name) { return dir_.path() + std::wstring(name, name + strlen(name)); }
  std::wstring Write(const char* name, const std::string& bytes) {
    std::wstring path = Path(name);
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return path;
  }
  float ScanRatio(sMP4FILEMAP* map) {
    sTAGENTRY mvhd = MvhdEntry(), moov = MoovEntry();
    float ratio = -1.0f;
    lastAnswer_ = map->ScanForTag(&mvhd, &moov, &ratio);
    return ratio;
  }
  TempDir dir_;
  int lastAnswer_ = -1;
};

TEST_F(WalksTest, TheScanFindsMvhdInsideMoovAndThePathWalkFindsStts) {
  ScopedFileMap map;
  ASSERT_EQ(map->OpenFile(Write("m.mp4", RecorderMovie(SampleRecords(3))).c_str()), 1);
  EXPECT_FLOAT_EQ(ScanRatio(&map.get()), 60.0f);
  EXPECT_EQ(lastAnswer_, 1);
  EXPECT_EQ(map->recordCounter, 1);
  sTAGENTRY stts = SttsEntry();
  EXPECT_EQ(map->WalkBoxPath(&stts), 1);
  EXPECT_FLOAT_EQ(map->timeScale, 33.0f);
  EXPECT_FLOAT_EQ(map->timeScaleCopy, 33.0f);
  sTAGENTRY stsz = StszEntry();
  uint32_t samples = 0;
  EXPECT_EQ(map->ScanForTag(&stsz, nullptr, &samples), 1);
  EXPECT_EQ(samples, 3u);
}

// 300 MB of movie data (a sparse file) holding decoys: a scan that read the data would find them (and
// take seconds); the scan reads a few windows only, before and after the data.
TEST_F(WalksTest, ALargeMdatIsSkippedNotReadWhetherMoovComesBeforeOrAfterIt) {
  const std::string moov = MoovBox(1000, 60000, {33333}, 1);
  const std::string gps = GpsBox(GpsHeaderBytes(GpsHeaderFields()), SampleRecords(4));
  const std::string decoy = "moov" + std::string(8, '\0') + "mvhd" + std::string(12, '\0') + U32(1000) +
                            U32(5000) + "zzzz";
  for (bool faststart : {true, false}) {
    std::wstring path = Path(faststart ? "faststart.mp4" : "large.mp4");
    ASSERT_TRUE(WriteSparseMovie(path, faststart ? FtypBox() + moov : FtypBox(), 300ull << 20,
                                 faststart ? gps : moov + gps, decoy, 150ull << 20));
    ScopedFileMap map;
    ASSERT_EQ(map->OpenFile(path.c_str()), 1);
    EXPECT_FLOAT_EQ(ScanRatio(&map.get()), 60.0f) << faststart;
    sTAGENTRY absent = MakeTagEntry("zzzz", StszHandler);
    uint32_t found = 0;
    EXPECT_EQ(map->ScanForTag(&absent, nullptr, &found), 1);  // scanned to the end: not there
    EXPECT_EQ(found, 0u) << faststart;
    EXPECT_LE(map->viewCount, 8u) << faststart;
    map->Close();
    ScopedFileMap data;
    ASSERT_EQ(data->Load(path.c_str()), 1);
    EXPECT_EQ(data->gpsPoints->size(), 4u);
    EXPECT_EQ(data->mdatSize, (300ull << 20) + 8);
    DeleteFileW(path.c_str());
  }
}

TEST_F(WalksTest, ThePathWalkTakesTheFirstTrackAndFailsWithoutStts) {
  std::string moov = MoovBox(1000, 9000, {3003}, 1);
  std::string second = MoovBox(1000, 9000, {5005}, 1).substr(8);  // mvhd + trak of another movie
  std::string twoTracks = Box("moov", moov.substr(8) + second.substr(second.find("trak") - 4));
  ScopedFileMap map;
  ASSERT_EQ(map->OpenFile(Write("two.mp4", FtypBox() + twoTracks).c_str()), 1);
  sTAGENTRY stts = SttsEntry();
  EXPECT_EQ(map->WalkBoxPath(&stts), 1);
  EXPECT_FLOAT_EQ(map->timeScale, 3.0f);
  ScopedFileMap none;
  ASSERT_EQ(none->OpenFile(Write("none.mp4", FtypBox() + Box("moov", Box("trak", ""))).c_str()), 1);
  EXPECT_EQ(none->WalkBoxPath(&stts), 0);
}

TEST_F(WalksTest, TagsAndMdatHeadersAcrossAWindowEdgeAreFound) {
  // A "free" box (scanned, not skipped) puts the "mdat" header, then the "mvhd" tag, across the edge
  // of the first 32 MB window.
  const std::string head = FtypBox(), mdat = Box("mdat", std::string(40, 'm'));
  const std::string tail = MoovBox(1000, 42000, {1001}, 1);
  const uint64_t mvhdTag = 8 + 4;  // moov header, mvhd size field
  for (uint64_t cut : {1, 3, 5}) {
    for (bool mvhdAcross : {false, true}) {
      std::wstring path = Path("edge.mp4");
      uint64_t freeSize = kWindow - head.size() - cut - (mvhdAcross ? mvhdTag : 0);
      ASSERT_TRUE(WriteSparseMovie(path, head, freeSize - 8, mvhdAcross ? tail : mdat + tail, "", 0, "free"));
      ScopedFileMap map;
      ASSERT_EQ(map->OpenFile(path.c_str()), 1);
      EXPECT_FLOAT_EQ(ScanRatio(&map.get()), 42.0f) << cut << mvhdAcross;
    }
  }
  EXPECT_EQ(reported_, 0);
}

TEST_F(WalksTest, AnMdatAtTheVeryStartIsNoBoxToSkip) {
  // Regression: "mdat" at bytes 0-3 made the scan read its size before the view.
  std::string bytes = "mdat" + std::string(12, '\0') + MoovBox(1000, 3000, {1001}, 1);
  ScopedFileMap map;
  ASSERT_EQ(map->OpenFile(Write("start.mp4", bytes).c_str()), 1);
  EXPECT_FLOAT_EQ(ScanRatio(&map.get()), 3.0f);
}

TEST_F(WalksTest, ScanWithoutFindAnswersOneAndLeavesTheWordAlone) {
  ScopedFileMap map;
  ASSERT_EQ(map->OpenFile(Write("nomoov.mp4", FtypBox() + Box("mdat", "abc")).c_str()), 1);
  EXPECT_FLOAT_EQ(ScanRatio(&map.get()), -1.0f);
  EXPECT_EQ(lastAnswer_, 1);
  EXPECT_EQ(map->recordCounter, 0);
}

struct ScanJob {
  sMP4FILEMAP* map;
  int answer;
};

unsigned __stdcall RunScan(void* arg) {
  auto* job = static_cast<ScanJob*>(arg);
  sTAGENTRY mvhd = MvhdEntry(), moov = MoovEntry();
  float ratio = 0.0f;
  job->answer = job->map->ScanForTag(&mvhd, &moov, &ratio);
  return 0;
}

TEST_F(WalksTest, CancelDuringAScanEndsItAndClearsTheWord) {
  // 512 MB of bytes in a "free" box are scanned, not skipped: the scan stays busy long enough.
  std::wstring path = Path("cancel.mp4");
  ASSERT_TRUE(WriteSparseMovie(path, FtypBox(), 512ull << 20, MoovBox(1000, 60000, {1001}, 1),
                               std::string(), 0, "free"));
  for (bool ownWord : {true, false}) {
    ScopedFileMap map;
    volatile LONG instanceWord = 0;
    if (!ownWord) map->WatchCancelWord(&instanceWord);
    ASSERT_EQ(map->OpenFile(path.c_str()), 1);
    ScanJob job = {&map.get(), -1};
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RunScan, &job, 0, nullptr));
    ASSERT_NE(thread, nullptr);
    // Cancel once the scan has mapped its first window (the safety net ends the wait regardless).
    for (int i = 0; i < 5000 && reinterpret_cast<volatile const uint32_t&>(map->viewCount) == 0; ++i) Sleep(1);
    if (ownWord) {
      map->RequestCancel();
    } else {
      InterlockedExchange(&instanceWord, 1);
    }
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(job.answer, 0);
    EXPECT_EQ(map->cancel, 0);
    EXPECT_EQ(instanceWord, 0);
  }
  DeleteFileW(path.c_str());
}

TEST_F(WalksTest, ACancelSetBeforeAWalkEndsEachWalkAtOnce) {
  ScopedFileMap map;
  ASSERT_EQ(map->OpenFile(Write("c.mp4", RecorderMovie(SampleRecords(2))).c_str()), 1);
  sTAGENTRY header = GpsSensorEntry(), gps = GpsEventEntry(), stts = SttsEntry();
  std::vector<sGPSPOINT> points;
  std::vector<sEVENTRECORD> events;
  sGSENSORSAMPLE sample;
  map->RequestCancel();
  EXPECT_EQ(map->FindGpsBox(&header, sCALLERWORDS{{&sample, nullptr, nullptr, nullptr}}), 0);
  map->RequestCancel();
  EXPECT_EQ(map->WalkTopBoxes(&gps, nullptr, sCALLERWORDS{{&points, &events, nullptr, nullptr}}), 0);
  map->RequestCancel();
  EXPECT_EQ(map->WalkBoxPath(&stts), 0);
  map->RequestCancel();
  EXPECT_FLOAT_EQ(ScanRatio(&map.get()), -1.0f);
  EXPECT_EQ(lastAnswer_, 0);
  EXPECT_EQ(map->cancel, 0);
  EXPECT_TRUE(points.empty());
}

}  // namespace
}  // namespace playcore

namespace playcore {
namespace {

// The walks' answers over a file: FindGpsBox, WalkTopBoxes (after "mdat"), WalkBoxPath.
struct WalkAnswers {
  int find, top, path;
  size_t points;
};

WalkAnswers RunWalks(const std::wstring& path) {
  WalkAnswers a = {-1, -1, -1, 0};
  ScopedFileMap map;
  if (!map->OpenFile(path.c_str())) return a;
  sTAGENTRY header = GpsSensorEntry(), gps = GpsEventEntry(), mdat = MdatEntry(), stts = SttsEntry();
  sGSENSORSAMPLE sample;
  std::vector<sGPSPOINT> points;
  std::vector<sEVENTRECORD> events;
  a.find = map->FindGpsBox(&header, sCALLERWORDS{{&sample, nullptr, nullptr, nullptr}});
  a.top = map->WalkTopBoxes(&gps, &mdat, sCALLERWORDS{{&points, &events, nullptr, nullptr}});
  a.path = map->WalkBoxPath(&stts);
  a.points = points.size();
  return a;
}

// Regression: size fields below 8 made the walks stay in place for ever, and sizes past the file
// sent them past the end.
TEST_F(WalksTest, DamagedBoxSizesEndEveryWalk) {
  std::string ftyp = FtypBox(), mdat = Box("mdat", std::string(32, 'm'));
  std::string moov = MoovBox(1000, 9000, {2002}, 1);
  std::string gps = GpsBox(GpsHeaderBytes(GpsHeaderFields()), SampleRecords(3));
  auto withSize = [](std::string box, std::string size) { return box.replace(0, 4, size); };
  std::string stts = Box("stts", U32(0) + U32(1) + U32(1) + U32(2002));
  std::string zeroStts = Box("moov", Box("trak", Box("mdia", Box("minf", Box("stbl",
                               withSize(stts, U32(0)))))));
  struct Case {
    const char* name;
    std::string bytes;
    WalkAnswers expected;
  } cases[] = {
      {"intact", ftyp + mdat + moov + gps, {1, 1, 1, 3}},
      {"size 0 before the data box runs to the end", ftyp + withSize(mdat, U32(0)) + moov + gps,
       {0, 1, 0, 0}},
      {"size 0 as the last box", ftyp + mdat + moov + withSize(gps, U32(0)), {1, 1, 1, 3}},
      {"size 1 with a 64-bit size of 4", ftyp + withSize(mdat, U32(1)) + U64(4) + moov + gps,
       {0, 0, 0, 0}},
      {"size 3", ftyp + withSize(mdat, U32(3)) + moov + gps, {0, 0, 0, 0}},
      {"size 7", ftyp + withSize(mdat, U32(7)) + moov + gps, {0, 0, 0, 0}},
      {"size past the file", ftyp + withSize(mdat, U32(0x7FFFFFF0)) + moov + gps, {0, 0, 0, 0}},
      {"a file ending 5 bytes into a header", ftyp + mdat + moov + std::string("\0\0\0\x10g", 5),
       {0, 0, 1, 0}},
      {"a 64-bit data box size", ftyp + U32(1) + "mdat" + U64(16 + 32) + std::string(32, 'm') + moov + gps,
       {1, 1, 1, 3}},
      {"stts of size 0 inside its parent", ftyp + mdat + zeroStts, {0, 1, 0, 0}},
      {"a child past its parent", ftyp + mdat + Box("moov", withSize(Box("trak", ""), U32(9))),
       {0, 1, 0, 0}},
      {"a gps0 box too short for its count", ftyp + mdat + moov + Box("gps0", "CSODAT"),
       {0, 0, 1, 0}},
  };
  int i = 0;
  for (const Case& c : cases) {
    std::string name = "damaged" + std::to_string(i++) + ".mp4";
    WalkAnswers a = RunWalks(Write(name.c_str(), c.bytes));
    EXPECT_EQ(a.find, c.expected.find) << c.name;
    EXPECT_EQ(a.top, c.expected.top) << c.name;
    EXPECT_EQ(a.path, c.expected.path) << c.name;
    EXPECT_EQ(a.points, c.expected.points) << c.name;
  }
  EXPECT_EQ(reported_, 0);
}

// Regression: 32-bit file sizes and seeks lost everything past 4 GB.
TEST_F(WalksTest, AMovieOverFourGigabytesIsProbedAndLoaded) {
  std::wstring path = Path("huge.mp4");
  const uint64_t kPayload = (4ull << 30) + 12345;
  ASSERT_TRUE(WriteSparseMovie(path, FtypBox(), kPayload,
                               MoovBox(1000, 60000, {33333}, 1) +
                                   GpsBox(GpsHeaderBytes(GpsHeaderFields()), SampleRecords(7))));
  EXPECT_EQ(ProbeRecorderFile(path.c_str()), 1);
  ScopedFileMap map;
  ASSERT_EQ(map->Load(path.c_str()), 1);
  EXPECT_EQ(map->mdatSize, kPayload + 16);
  EXPECT_EQ(map->gpsPoints->size(), 7u);
  ASSERT_EQ(map->OpenFile(path.c_str()), 1);
  EXPECT_GT(map->fileSize, 4ull << 30);
  EXPECT_FLOAT_EQ(ScanRatio(&map.get()), 60.0f);
  sTAGENTRY stts = SttsEntry();
  EXPECT_EQ(map->WalkBoxPath(&stts), 1);
  EXPECT_FLOAT_EQ(map->timeScale, 33.0f);
  map->Close();
  DeleteFileW(path.c_str());
}


// Regression: the matcher restarted from the mismatching byte alone, so after size bytes ending in
// "st" it had forgotten the "st" and missed the "stsz" that followed.
TEST_F(WalksTest, FindsStszWhateverItsSizeBytesEndIn) {
  TempDir dir;
  const struct {
    uint32_t size;
    const char* what;
  } cases[] = {{0x20, "a plain size"}, {0x73, "ending in s"}, {0x7374, "ending in st"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // version/flags, a constant sample size, 7 samples, padding up to the box size.
    std::string payload = U32(0) + U32(512) + U32(7);
    payload.resize(c.size - 8, '\0');
    std::wstring path = dir.path() + L"stsz.mp4";
    ASSERT_TRUE(WriteWholeFile(path, FtypBox() + U32(c.size) + "stsz" + payload));
    ScopedFileMap map;
    ASSERT_EQ(map->OpenFile(path.c_str()), 1);
    sTAGENTRY stsz = StszEntry();
    uint32_t samples = 0;
    EXPECT_EQ(map->ScanForTag(&stsz, nullptr, &samples), 1);
    EXPECT_EQ(samples, 7u);
    EXPECT_EQ(map->recordCounter, 1);
  }
}

}  // namespace
}  // namespace playcore
