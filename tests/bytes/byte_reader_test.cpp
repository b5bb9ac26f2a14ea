#include "playcore/bytes/byte_reader.h"
#include "playcore/bytes/checked.h"

#include <gtest/gtest.h>

namespace playcore {
namespace {

const uint8_t kBox[] = {0x00, 0x00, 0x00, 0x10, 'f', 't', 'y', 'p',   // size 16, type
                        0x01, 0x02, 0x03, 0x04, 0xFF, 0xFE, 0xFD, 0xFC};

TEST(ByteReader, ReadsBigEndianFieldsInOrder) {
  ByteReader r(kBox, sizeof kBox);
  uint32_t size = 0, type = 0, a = 0;
  uint16_t b = 0;
  uint8_t c = 0;
  ASSERT_TRUE(r.ReadU32(&size));
  ASSERT_TRUE(r.ReadFourCC(&type));
  ASSERT_TRUE(r.ReadU32(&a));
  ASSERT_TRUE(r.ReadU16(&b));
  ASSERT_TRUE(r.ReadU8(&c));
  EXPECT_EQ(size, 16u);
  EXPECT_EQ(type, FourCC("ftyp"));
  EXPECT_EQ(a, 0x01020304u);
  EXPECT_EQ(b, 0xFFFEu);
  EXPECT_EQ(c, 0xFDu);
  EXPECT_EQ(r.remaining(), 1u);
}

TEST(ByteReader, AShortReadFailsWithoutMoving) {
  ByteReader r(kBox, sizeof kBox);
  ASSERT_TRUE(r.Skip(14));
  uint32_t v = 7;
  EXPECT_FALSE(r.ReadU32(&v));
  EXPECT_EQ(v, 7u);
  EXPECT_EQ(r.pos(), 14u);
  EXPECT_FALSE(r.Skip(3));
  EXPECT_TRUE(r.Skip(2));
  EXPECT_TRUE(r.AtEnd());
}

TEST(ByteReader, HugeLengthsDoNotWrapAround) {
  ByteReader r(kBox, sizeof kBox);
  ASSERT_TRUE(r.Skip(4));
  EXPECT_FALSE(r.HasBytes(SIZE_MAX));
  EXPECT_FALSE(r.Skip(SIZE_MAX - 2));
  ByteReader child;
  EXPECT_FALSE(r.Sub(SIZE_MAX, &child));
  EXPECT_FALSE(r.Seek(17));
}

TEST(ByteReader, ChildReadersAreClippedToTheirBox) {
  ByteReader r(kBox, sizeof kBox);
  ByteReader child;
  ASSERT_TRUE(r.Sub(8, &child));
  EXPECT_EQ(r.pos(), 8u);
  uint64_t v;
  EXPECT_TRUE(child.ReadU64(&v));
  EXPECT_FALSE(child.ReadU8(nullptr));
  EXPECT_TRUE(r.NextIs("\x01\x02"));
}

TEST(FixedText, StopsAtTheFieldWidth) {
  const uint8_t fields[] = {'3', '5', '3', '9', '.', '1', '2', '3', '4', '9', '9'};
  char buf[16];
  EXPECT_STREQ(FixedText(fields, 9, buf), "3539.1234");
  char small[4];
  EXPECT_STREQ(FixedText(fields, 9, small), "353");
}

TEST(CheckedArithmetic, CatchesThirtyTwoBitOverflow) {
  uint32_t out = 0;
  EXPECT_TRUE(CheckedMul<uint32_t>(13270u, 79u, &out));
  EXPECT_EQ(out, 1048330u);
  EXPECT_FALSE(CheckedMul<uint32_t>(0x10000000u, 79u, &out));
  EXPECT_FALSE(CheckedAdd<uint32_t>(0xFFFFFFF0u, 0x20u, &out));
  EXPECT_TRUE(CheckedMul<uint32_t>(0u, 0xFFFFFFFFu, &out));
  EXPECT_EQ(out, 0u);
  EXPECT_FALSE(FitsSizeT(0x100000000ull));
}

}  // namespace
}  // namespace playcore
