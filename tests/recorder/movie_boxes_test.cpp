#include "playcore/recorder/box_header.h"
#include "playcore/recorder/movie_boxes.h"

#include "tests/recorder/recorder_fixture.h"
#include "tests/recorder/recorder_test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace playcore {
namespace {

using quill::test::U32;
using quill::test::U64;

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

std::string SttsPayload(uint32_t claimed, const std::vector<uint32_t>& deltas) {
  std::string p = U32(0) + U32(claimed);
  for (uint32_t d : deltas) p += U32(1) + U32(d);
  return p;
}

TEST(Stts, TheTimeScaleIsTheMeanDeltaInWholeThousands) {
  struct Case {
    uint32_t claimed;
    std::vector<uint32_t> deltas;
    float expected;
  } cases[] = {
      {1, {1001}, 1.0f},
      {2, {3003, 3003}, 3.0f},
      {1, {999}, 0.0f},
      {3, {33333, 33334, 33333}, 33.0f},
      // Regression: 32-bit sums of large deltas wrapped around.
      {3, {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}, 4294967.0f},
      // Regression: a table without entries divided by zero.
      {0, {}, 0.0f},
      // Regression: an entry count larger than the box was read past it; only entries there count.
      {100000, {2002, 4004}, 3.0f},
  };
  for (const Case& c : cases) {
    std::string p = SttsPayload(c.claimed, c.deltas);
    quill::test::GuardedBytes exact(p);
    float ts = -1.0f;
    EXPECT_TRUE(ParseSttsTimeScale(exact.data(), exact.size(), &ts));
    EXPECT_FLOAT_EQ(ts, c.expected) << c.claimed;
  }
  float ts = -1.0f;
  EXPECT_FALSE(ParseSttsTimeScale(Bytes(U32(0)), 4, &ts));
  EXPECT_FLOAT_EQ(ts, -1.0f);
}

TEST(Mvhd, TheRatioIsDurationOverTimeScaleForBothVersions) {
  std::string v0 = U32(0) + U32(0) + U32(0) + U32(1000) + U32(60000);
  std::string v1 = U32(0x01000000) + U64(0) + U64(0) + U32(90000) + U64(90000ull * 7);
  std::string zero = U32(0) + U32(0) + U32(0) + U32(0) + U32(60000);
  float r = 0.0f;
  EXPECT_TRUE(ParseMvhdRatio(Bytes(v0), v0.size(), &r));
  EXPECT_FLOAT_EQ(r, 60.0f);
  EXPECT_TRUE(ParseMvhdRatio(Bytes(v1), v1.size(), &r));
  EXPECT_FLOAT_EQ(r, 7.0f);
  EXPECT_TRUE(ParseMvhdRatio(Bytes(zero), zero.size(), &r));
  EXPECT_FLOAT_EQ(r, 0.0f);
  r = 5.0f;
  EXPECT_FALSE(ParseMvhdRatio(Bytes(v0), 19, &r));
  EXPECT_FLOAT_EQ(r, 5.0f);
}

TEST(BoxHeader, EverySizeFieldGivesAForwardStepOrARefusal) {
  struct Case {
    std::string bytes;
    uint64_t room;
    bool topLevel;
    BoxHeaderResult result;
    uint64_t size;
    uint32_t headerSize;
  } cases[] = {
      {U32(16) + "free", 100, true, BoxHeaderResult::kOk, 16, 8},
      {U32(8) + "free", 8, false, BoxHeaderResult::kOk, 8, 8},
      {U32(1) + "mdat" + U64(0x100000010ull), 0x200000000ull, true, BoxHeaderResult::kOk,
       0x100000010ull, 16},
      {U32(0) + "mdat", 5000, true, BoxHeaderResult::kOk, 5000, 8},     // runs to the end
      {U32(0) + "stts", 5000, false, BoxHeaderResult::kCorrupt, 0, 0},  // only at top level
      {U32(7) + "free", 100, true, BoxHeaderResult::kCorrupt, 0, 0},
      {U32(1) + "mdat" + U64(15), 100, true, BoxHeaderResult::kCorrupt, 0, 0},
      {U32(101) + "free", 100, true, BoxHeaderResult::kCorrupt, 0, 0},  // past the parent
      {U32(16) + "fr", 100, true, BoxHeaderResult::kTruncated, 0, 0},
      {U32(16) + "free", 7, true, BoxHeaderResult::kCorrupt, 0, 0},
      {U32(1) + "mdat" + U32(0), 100, true, BoxHeaderResult::kTruncated, 0, 0},
  };
  for (const Case& c : cases) {
    sBOXHEADER h = {};
    BoxHeaderResult r = ReadBoxHeader(Bytes(c.bytes), c.bytes.size(), c.room, c.topLevel, &h);
    EXPECT_EQ(r, c.result) << c.bytes.substr(4, 4) << " room " << c.room;
    if (r == BoxHeaderResult::kOk) {
      EXPECT_EQ(h.size, c.size);
      EXPECT_EQ(h.headerSize, c.headerSize);
      EXPECT_GE(h.size, h.headerSize);
    }
  }
}

TEST(Mdat, TheSizeTakesTheLargeAndToTheEndForms) {
  uint64_t size = 0;
  std::string small = U32(4104) + "mdat";
  std::string large = U32(1) + "mdat" + U64(0x100000010ull);
  std::string toEnd = U32(0) + "mdat";
  EXPECT_TRUE(ParseMdatSize(Bytes(small), small.size(), 1 << 20, &size));
  EXPECT_EQ(size, 4104u);
  EXPECT_TRUE(ParseMdatSize(Bytes(large), large.size(), 0x100000100ull, &size));
  EXPECT_EQ(size, 0x100000010ull);
  EXPECT_TRUE(ParseMdatSize(Bytes(toEnd), toEnd.size(), 777, &size));
  EXPECT_EQ(size, 777u);
}

}  // namespace
}  // namespace playcore
