// Joins of 2, 3 and 5 generated recordings per channel, checked box by box: summed sample tables and
// durations, every chunk's bytes equal to the source chunk's bytes at the rebased offsets, and the
// recorder's data box holding every record in order. The outputs stay in the build's join/out folder,
// where the host-side check plays them with ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playcore/converter/copy_result.h"
#include "playcore/mp4/multi_movie.h"
#include "tests/join/join_check.h"
#include "tests/join/join_fixture.h"

namespace {

using namespace quill::test;

std::vector<JoinInputFile> Inputs(std::initializer_list<std::string> names) {
  std::vector<JoinInputFile> v;
  for (const auto& n : names) v.push_back({JoinInput(n.c_str()), n});
  return v;
}

std::vector<JoinInputFile> Numbered(const char* prefix, int n) {
  std::vector<JoinInputFile> v;
  for (int i = 1; i <= n; ++i) {
    std::string name = std::string(prefix) + "_" + std::to_string(i) + ".mp4";
    v.push_back({JoinInput(name.c_str()), name});
  }
  return v;
}

class JoinTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartJoinManifest(L"joined.txt"); }
  void SetUp() override {
    if (!HaveJoinInputs() || JoinOutputDir().empty()) GTEST_SKIP() << "no generated inputs";
  }
};

TEST_F(JoinTest, TwoThreeAndFiveRecordingsPerChannelJoinIntoTwoFiles) {
  for (int n : {2, 3, 5}) {
    const std::string x = "_x" + std::to_string(n) + ".mp4";
    JoinAndCheck(Numbered("main", n), Numbered("rear", n), "J_main" + x, "J_rear" + x);
  }
}

// Regression: chunk offsets were shifted by the earlier media data sizes only, which is wrong as soon
// as the movie box lies before the media data and grows.
TEST_F(JoinTest, RecordingsWithTheMovieBoxFirstKeepEveryChunkInPlace) {
  JoinAndCheck(Numbered("faststart", 3), {}, "J_faststart_x3.mp4", "");
}

TEST_F(JoinTest, GpsRecordsOf100And120GiveACountOf220) {
  JoinAndCheck(Inputs({"main_1.mp4", "main_2.mp4"}), {}, "J_gps_220.mp4", "");
  Movie joined = ReadMovie(JoinOutputDir() + L"J_gps_220.mp4");
  EXPECT_EQ(joined.gpsCount, 220u);
  EXPECT_EQ(joined.gpsBoxSize, 48u + 79u * 220u);
}

TEST_F(JoinTest, AMissingSecondChannelWritesTheFirstOnlyAndStillReportsProgress) {
  JoinAndCheck(Inputs({"rear_1.mp4", "rear_2.mp4"}), {}, "J_rear_only.mp4", "");
}

// The converter's rewrite (its last step) of a recording: the movie box is written before the media
// data it describes, and every chunk offset follows the moved data.
TEST_F(JoinTest, AConvertedMovieIsWrittenWithItsMovieBoxFirst) {
  std::wstring out = JoinOutputDir() + L"C_main_1.mp4";
  ASSERT_EQ(1, playcore::CopyResult(JoinInput("main_1.mp4"), out));
  Bytes written = ReadAll(out);
  int64_t moov = FindBox(written, {"moov"}), mdat = FindBox(written, {"mdat"}),
          gps = FindBox(written, {"gps0"});
  EXPECT_GE(moov, 0);
  EXPECT_LT(moov, mdat);
  EXPECT_LT(mdat, gps);
  EXPECT_EQ(written.size(), ReadAll(JoinInput("main_1.mp4")).size());
  ExpectJoinOf(ReadMovie(out), {ReadMovie(JoinInput("main_1.mp4"))});
  ListJoinOutput("C_main_1.mp4", {"main_1.mp4"});
}

}  // namespace
