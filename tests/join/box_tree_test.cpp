// The box tree: the set of known codes, loading and the movie facts, lossless write-back, and loads
// of damaged files that must end cleanly.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "playcore/mp4/box_name_tree.h"
#include "playcore/mp4/mp4_movie.h"
#include "playcore/mp4/multi_movie.h"
#include "tests/join/join_fixture.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::test;
using playcore::BoxNameTree;
using playcore::sMP4MOVIE;

class BoxTreeTest : public ::testing::Test {
 protected:
  void SetUp() override { BoxNameTree::AddKnownBoxNames(); }
  std::wstring Put(const char* name, const Bytes& data) {
    std::wstring path = dir_.path() + std::wstring(name, name + std::strlen(name));
    EXPECT_TRUE(WriteAll(path, data));
    return path;
  }
  TempDir dir_;
};

// A movie box with one track whose sample table holds `stbl` boxes.
Bytes MovieWith(const Bytes& stbl) {
  Bytes minf = Box("minf", Box("stbl", stbl));
  Bytes trak = Box("trak", Box("mdia", minf));
  return Cat({Box("ftyp", Cat({{'i', 's', 'o', 'm'}, U32(0x200)})), Box("moov", trak)});
}

TEST_F(BoxTreeTest, KnownCodesAreFoundAndOthersAreNot) {
  for (const char* code : {"moov", "trak", "mdia", "minf", "stbl", "stco", "stsc", "mdat", "gps0", "ftyp", "udta"}) {
    EXPECT_TRUE(BoxNameTree::Contains(code)) << code;
  }
  for (const char* other : {"abcd", "moo", "moovx", "MOOV", "", "gps1"}) {
    EXPECT_FALSE(BoxNameTree::Contains(other)) << other;
  }
  BoxNameTree::Free();
  EXPECT_FALSE(BoxNameTree::Contains("moov"));
  BoxNameTree::AddKnownBoxNames();
  EXPECT_TRUE(BoxNameTree::Contains("moov"));
}

TEST_F(BoxTreeTest, AGeneratedRecordingGivesItsIndexAndFacts) {
  if (!HaveJoinInputs()) GTEST_SKIP() << "no generated inputs";
  auto movie = sMP4MOVIE::Load(JoinInput("main_1.mp4").c_str());
  ASSERT_TRUE(movie);
  EXPECT_EQ(movie->Index(playcore::kIdxStco).size(), 2u);  // one per track
  int w = 0, h = 0;
  EXPECT_TRUE(movie->GetVideoSize(&w, &h));
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  EXPECT_EQ(movie->GetSampleCount(), 30);
  EXPECT_NEAR(movie->GetFrameRate(), 30.0f, 0.01f);
  EXPECT_EQ(movie->Index(playcore::kIdxGps0)[0]->gpsRecordCount, 100u);
  SYSTEMTIME st = {};
  EXPECT_EQ(movie->GetRecordTime(&st), 1);
  EXPECT_EQ((std::vector<WORD>{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond}),
            (std::vector<WORD>{2026, 1, 2, 11, 0, 0}));
}

// Loading and writing back without a join must reproduce the file exactly: this catches a dropped
// top-level header, a lost unknown box, and payloads cut at a header view.
TEST_F(BoxTreeTest, WritingBackWithoutAJoinReproducesTheFileByteForByte) {
  if (!HaveJoinInputs()) GTEST_SKIP() << "no generated inputs";
  Bytes withUnknown = ReadAll(JoinInput("main_1.mp4"));
  size_t moovSize = 0;
  int64_t moov = FindBox(withUnknown, {"moov"}, &moovSize);
  ASSERT_GE(moov, 0);
  Bytes unknown = Box("zzzz", Repeat(0x5A, 21));
  withUnknown.insert(withUnknown.begin() + moov + moovSize, unknown.begin(), unknown.end());
  PutBE32(&withUnknown, static_cast<size_t>(moov), static_cast<uint32_t>(moovSize + unknown.size()));
  Bytes bigStsz = MovieWith(Box("stsz", Cat({U32(0), U32(0), U32(20000), Repeat(0x11, 80000)})));
  struct {
    const char* name;
    Bytes data;
  } cases[] = {
      {"plain.mp4", ReadAll(JoinInput("main_1.mp4"))},
      {"faststart.mp4", ReadAll(JoinInput("faststart_1.mp4"))},
      {"rear.mp4", ReadAll(JoinInput("rear_2.mp4"))},
      {"unknown_in_moov.mp4", withUnknown},
      {"big_stsz.mp4", bigStsz},
      {"large_mdat_header.mp4", WithLargeMdatHeader(ReadAll(JoinInput("main_1.mp4")))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring in = Put(c.name, c.data);
    auto movie = sMP4MOVIE::Load(in.c_str());
    ASSERT_TRUE(movie);
    std::wstring out = dir_.path() + L"out.mp4";
    std::string why;
    ASSERT_TRUE(playcore::WriteMovieFile(movie.get(), out.c_str(), &why)) << why;
    EXPECT_TRUE(ReadAll(out) == c.data);
  }
}

// An unknown child ends its parent's walk; the boxes before it stay indexed.
TEST_F(BoxTreeTest, AnUnknownBoxKeepsTheBoxesBeforeItAndTheRestRaw) {
  Bytes stbl = Cat({Box("stts", Cat({U32(0), U32(1), U32(5), U32(1000)})), Box("zzzz", Repeat(1, 9)),
                    Box("stsz", Cat({U32(0), U32(0), U32(0)}))});
  auto movie = sMP4MOVIE::Load(Put("u.mp4", MovieWith(stbl)).c_str());
  ASSERT_TRUE(movie);
  EXPECT_EQ(movie->Index(playcore::kIdxStts).size(), 1u);
  EXPECT_EQ(movie->Index(playcore::kIdxStsz).size(), 0u);
  const playcore::sTAGNODE* stts = movie->Index(playcore::kIdxStts)[0];
  EXPECT_EQ(stts->payload.size(), 16u);
  EXPECT_EQ(movie->GetSampleCount(), -1);
}

TEST_F(BoxTreeTest, AGpsBoxOf300RecordsIsKeptAsARange) {
  Bytes file = Cat({Box("ftyp", Cat({{'i', 's', 'o', 'm'}, U32(0)})), GpsBox(300, 'r')});
  auto movie = sMP4MOVIE::Load(Put("g.mp4", file).c_str());
  ASSERT_TRUE(movie);
  ASSERT_EQ(movie->Index(playcore::kIdxGps0).size(), 1u);
  const playcore::sTAGNODE* gps = movie->Index(playcore::kIdxGps0)[0];
  EXPECT_EQ(gps->gpsRecordCount, 300u);
  EXPECT_EQ(gps->gpsRecordBytes, 23700u);
  EXPECT_EQ(gps->gpsPayloadSize, 23740u);
  EXPECT_TRUE(gps->payload.empty());
  EXPECT_TRUE(gps->gpsWellFormed);
}

TEST_F(BoxTreeTest, FactsOfMissingOrShortBoxesAreNotRead) {
  // stsd too short for a sample entry; stts without samples; gps0 without records.
  Bytes stbl = Cat({Box("stsd", Cat({U32(0), U32(1), Repeat(0, 20)})), Box("stts", Cat({U32(0), U32(0)}))});
  Bytes file = Cat({MovieWith(stbl), GpsBox(0, 'x')});
  auto movie = sMP4MOVIE::Load(Put("s.mp4", file).c_str());
  ASSERT_TRUE(movie);
  int w = 0, h = 0;
  EXPECT_FALSE(movie->GetVideoSize(&w, &h));
  EXPECT_EQ(w, -1);
  EXPECT_EQ(movie->GetFrameRate(), -1.0f);
  SYSTEMTIME st = {};
  EXPECT_EQ(movie->GetRecordTime(&st), 0);
}

TEST_F(BoxTreeTest, DamagedBoxSizesFailTheLoadWithoutHanging) {
  Bytes ftyp = Box("ftyp", Cat({{'i', 's', 'o', 'm'}, U32(0)}));
  Bytes zeroInMoov = Cat({ftyp, Box("moov", Cat({U32(0), {'t', 'r', 'a', 'k'}, Repeat(0, 8)}))});
  Bytes threeInMoov = Cat({ftyp, Box("moov", Cat({U32(3), {'t', 'r', 'a', 'k'}, Repeat(0, 8)}))});
  Bytes pastFile = Cat({ftyp, U32(5000), {'m', 'o', 'o', 'v'}, Repeat(0, 20)});
  Bytes pastParent = Cat({ftyp, Box("moov", Cat({U32(400), {'t', 'r', 'a', 'k'}, Repeat(0, 8)}))});
  Bytes truncatedLarge = Cat({ftyp, U32(1), {'m', 'd', 'a', 't'}, U32(0)});
  Bytes deepNesting = Repeat(0, 0);
  for (int i = 0; i < 200; ++i)
    deepNesting = Box("moov", deepNesting.empty() ? Box("free", {}) : deepNesting);
  struct {
    const char* name;
    Bytes data;
  } cases[] = {
      {"zero.mp4", zeroInMoov},
      {"three.mp4", threeInMoov},
      {"past_file.mp4", pastFile},
      {"past_parent.mp4", pastParent},
      {"truncated_large.mp4", truncatedLarge},
      {"deep.mp4", deepNesting},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(sMP4MOVIE::Load(Put(c.name, c.data).c_str()));
  }
  EXPECT_FALSE(sMP4MOVIE::Load((dir_.path() + L"missing.mp4").c_str()));
  EXPECT_FALSE(sMP4MOVIE::Load(Put("empty.mp4", Bytes()).c_str()));
}

TEST_F(BoxTreeTest, ATopBoxOfSizeZeroRunsToTheEndOfTheFile) {
  Bytes file =
      Cat({Box("ftyp", Cat({{'i', 's', 'o', 'm'}, U32(0)})), U32(0), {'m', 'd', 'a', 't'}, Repeat(7, 100)});
  auto movie = sMP4MOVIE::Load(Put("z.mp4", file).c_str());
  ASSERT_TRUE(movie);
  ASSERT_EQ(movie->Index(playcore::kIdxMdat).size(), 1u);
  EXPECT_EQ(movie->Index(playcore::kIdxMdat)[0]->payloadSize, 100u);
}

}  // namespace
