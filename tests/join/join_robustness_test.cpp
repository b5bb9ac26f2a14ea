// Damaged recordings (truncated, flipped bytes, table counts past their boxes) must fail the load or
// the merge cleanly, or join into a file that loads again: never crash, hang or read out of bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "playcore/mp4/multi_movie.h"
#include "tests/join/join_fixture.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::test;
using playcore::MultiMoviePtr;
using playcore::sMP4MOVIE;
using playcore::sMULTIMOVIE;

class JoinRobustnessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveJoinInputs()) GTEST_SKIP() << "no generated inputs";
    good_ = JoinInput("main_2.mp4");
    base_ = ReadAll(JoinInput("main_1.mp4"));
  }

  // Loads the damaged bytes, joins them both ways with a good recording and writes what merged.
  // Answers how far it got: 0 not loaded, 1 loaded, 2 some join was written.
  int Exercise(const Bytes& damaged) {
    std::wstring in = dir_.path() + L"damaged.mp4";
    EXPECT_TRUE(WriteAll(in, damaged));
    if (!sMP4MOVIE::Load(in.c_str())) return 0;
    int result = 1;
    const std::wstring* orders[2][2] = {{&in, &good_}, {&good_, &in}};
    for (auto& order : orders) {
      std::wstring out = dir_.path() + L"joined.mp4";
      MultiMoviePtr join(sMULTIMOVIE::Create(nullptr));
      if (join->StartChannel(order[0]->c_str(), nullptr) != 1) continue;
      join->AddRecording(order[1]->c_str(), nullptr);
      if (join->WriteJoined(out.c_str(), nullptr) == 1) {
        result = 2;
        EXPECT_TRUE(sMP4MOVIE::Load(out.c_str())) << "a written join loads again";
        DeleteFileW(out.c_str());
      }
    }
    return result;
  }

  TempDir dir_;
  std::wstring good_;
  Bytes base_;
};

TEST_F(JoinRobustnessTest, TruncatedRecordingsEndCleanly) {
  int loaded = 0;
  const size_t steps = 64;
  for (size_t i = 0; i < steps; ++i) {
    size_t keep = base_.size() * i / steps + (i % 7);
    Bytes cut(base_.begin(), base_.begin() + std::min(keep, base_.size() - 1));
    loaded += Exercise(cut) > 0;
  }
  // Cutting a file cuts its last top box short; only the cut that drops whole boxes loads.
  EXPECT_LT(loaded, static_cast<int>(steps));
}

TEST_F(JoinRobustnessTest, FlippedBytesInTheMovieBoxEndCleanly) {
  size_t moovSize = 0;
  int64_t moov = FindBox(base_, {"moov"}, &moovSize);
  ASSERT_GE(moov, 0);
  uint32_t seed = 12345;
  auto next = [&seed]() { return seed = seed * 1103515245u + 12345u, (seed >> 8); };
  int outcomes[3] = {0, 0, 0};
  for (int round = 0; round < 300; ++round) {
    Bytes damaged = base_;
    for (int flips = 1 + round % 4; flips > 0; --flips) {
      size_t at = static_cast<size_t>(moov) + next() % moovSize;
      damaged[at] ^= static_cast<uint8_t>(1u << (next() % 8));
    }
    ++outcomes[Exercise(damaged)];
  }
  // Some flips hit sizes (no load), some hit sample data fields that still join.
  EXPECT_GT(outcomes[0] + outcomes[1], 0);
  EXPECT_EQ(outcomes[0] + outcomes[1] + outcomes[2], 300);
}

// Entry counts chosen to overflow a 32-bit count * entry-size product or to run past the box.
TEST_F(JoinRobustnessTest, TableCountsPastTheirBoxesFailTheMerge) {
  const char* tables[] = {"stts", "stsz", "stsc", "stco", "stss"};
  const uint32_t counts[] = {0xFFFFFFFFu, 0x40000000u, 0x20000001u, 100000u};
  for (const char* table : tables) {
    for (uint32_t count : counts) {
      SCOPED_TRACE(std::string(table) + " " + std::to_string(count));
      Bytes damaged = base_;
      int64_t at = FindBox(damaged, {"moov", "trak", "mdia", "minf", "stbl", table});
      ASSERT_GE(at, 0);
      size_t field = std::strcmp(table, "stsz") == 0 ? 16 : 12;
      PutBE32(&damaged, static_cast<size_t>(at) + field, count);
      EXPECT_EQ(Exercise(damaged), 1) << "loads, but no join is written";
    }
  }
}

TEST_F(JoinRobustnessTest, AGpsCountPastItsBoxFailsTheMerge) {
  Bytes damaged = base_;
  int64_t gps = FindBox(damaged, {"gps0"});
  ASSERT_GE(gps, 0);
  damaged[static_cast<size_t>(gps) + 40] = 0xFF;
  damaged[static_cast<size_t>(gps) + 41] = 0xFF;
  EXPECT_EQ(Exercise(damaged), 1);
}

}  // namespace
