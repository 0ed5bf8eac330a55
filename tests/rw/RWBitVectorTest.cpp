#include <gtest/gtest.h>

#include <cstdint>

#include "rw/RWBitVector.h"
#include "rw/RWDefs.h"
#include "support/ErrorCapture.h"

namespace {

TEST(RWBitVector, ConstructionAndBitLayout) {
  RWBitVector v(10);
  EXPECT_EQ(v.BitCount(), 10u);
  EXPECT_EQ(v.ByteCount(), 2u);
  EXPECT_EQ(v.CountSet(), 0u);
  v.SetBit(0);
  v.SetBit(9);
  EXPECT_EQ(v.Bytes()[0], 0x01);
  EXPECT_EQ(v.Bytes()[1], 0x02);  // bit 9 is bit 1 of byte 1
  EXPECT_TRUE(v.TestBit(9));
  v.ClearBit(0);
  EXPECT_FALSE(v.TestBit(0));
  EXPECT_EQ(v.CountSet(), 1u);

  RWBitVector ones(10, true);
  EXPECT_EQ(ones.Bytes()[0], 0xFF);
  EXPECT_EQ(ones.Bytes()[1], 0xFF);

  const uint8_t raw[] = {0xA5, 0x03, 0x77};
  RWBitVector fromBytes(raw, 10);  // two bytes are read
  EXPECT_EQ(fromBytes.ByteCount(), 2u);
  EXPECT_EQ(fromBytes.Bytes()[0], 0xA5);
  EXPECT_EQ(fromBytes.Bytes()[1], 0x03);

  RWBitVector empty;
  EXPECT_EQ(empty.Bytes(), nullptr);
  EXPECT_EQ(empty.CountSet(), 0u);
  EXPECT_TRUE(empty.AllEqual(true));
  EXPECT_EQ(empty.FirstSet(), RW_NPOS);
}

TEST(RWBitVector, SetAllAndCounts) {
  RWBitVector v(10);
  v.SetAll(true);
  EXPECT_EQ(v.Bytes()[1], 0xFF);  // spare bits change too
  EXPECT_EQ(v.CountSet(), 10u);
  EXPECT_TRUE(v.AllEqual(true));
  EXPECT_FALSE(v.AllEqual(false));
  v.ClearBit(8);
  EXPECT_FALSE(v.AllEqual(true));
  v.SetAll(false);
  EXPECT_TRUE(v.AllEqual(false));
  EXPECT_EQ(v.CountSet(), 0u);

  RWBitVector sixteen(16, true);
  EXPECT_EQ(sixteen.CountSet(), 16u);
}

TEST(RWBitVector, SpareBitsAreIgnored) {
  const uint8_t clean[] = {0xA5, 0x03};
  const uint8_t dirty[] = {0xA5, 0xFF};
  RWBitVector a(clean, 10), b(dirty, 10);
  EXPECT_TRUE(a.Equals(b));
  EXPECT_EQ(a.Hash(), b.Hash());
  EXPECT_EQ(a.Hash(), 0x3CA3u);
  EXPECT_EQ(b.CountSet(), 6u);
  EXPECT_TRUE(RWBitVector(dirty + 1, 2).AllEqual(true));

  const uint8_t zeroWithSpares[] = {0x00, 0xFC};
  EXPECT_EQ(RWBitVector(zeroWithSpares, 10).FirstSet(), RW_NPOS);
  EXPECT_TRUE(RWBitVector(zeroWithSpares, 10).AllEqual(false));
  const uint8_t onesWithSpares[] = {0xFF, 0x03};
  EXPECT_EQ(RWBitVector(onesWithSpares, 10).FirstClear(), RW_NPOS);

  const uint8_t differs[] = {0xA5, 0x01};
  EXPECT_FALSE(a.Equals(RWBitVector(differs, 10)));
  EXPECT_FALSE(a.Equals(RWBitVector(clean, 9)));
}

TEST(RWBitVector, HashOfFullBytesRotatesThroughTheWord) {
  EXPECT_EQ(RWBitVector(64, true).Hash(), 0x318C24D9u);
  EXPECT_EQ(RWBitVector().Hash(), 0u);
}

TEST(RWBitVector, FirstSetAndFirstClear) {
  RWBitVector v(20);
  EXPECT_EQ(v.FirstSet(), RW_NPOS);
  EXPECT_EQ(v.FirstClear(), 0u);
  v.SetBit(13);
  v.SetBit(17);
  EXPECT_EQ(v.FirstSet(), 13u);
  RWBitVector w(20, true);
  w.ClearBit(19);
  EXPECT_EQ(w.FirstClear(), 19u);
}

TEST(RWBitVector, ResizeClearsTheBitsItAdds) {
  RWBitVector v(10, true);  // spare bits of byte 1 are set
  v.Resize(12);
  EXPECT_EQ(v.ByteCount(), 2u);
  EXPECT_TRUE(v.TestBit(9));
  EXPECT_FALSE(v.TestBit(10));
  EXPECT_FALSE(v.TestBit(11));

  v.Resize(30);
  EXPECT_EQ(v.ByteCount(), 4u);
  EXPECT_EQ(v.CountSet(), 10u);
  EXPECT_EQ(v.FirstClear(), 10u);

  v.Resize(3);
  EXPECT_EQ(v.ByteCount(), 1u);
  EXPECT_EQ(v.CountSet(), 3u);
  v.Resize(0);
  EXPECT_EQ(v.Bytes(), nullptr);
  v.Resize(9);
  EXPECT_TRUE(v.AllEqual(false));
}

TEST(RWBitVector, InvertAndByteWiseCombinations) {
  const uint8_t x[] = {0x0F, 0x01};
  const uint8_t y[] = {0x3C, 0x03};
  RWBitVector a(x, 10), b(y, 10);
  RWBitVector inv = RWBitVector::Invert(a);
  EXPECT_EQ(inv.Bytes()[0], 0xF0);
  EXPECT_EQ(inv.Bytes()[1], 0xFE);
  EXPECT_EQ(inv.CountSet(), 5u);
  RWBitVector both = RWBitVector::And(a, b);
  RWBitVector either = RWBitVector::Or(a, b);
  RWBitVector one = RWBitVector::Xor(a, b);
  EXPECT_EQ(both.Bytes()[0], 0x0C);
  EXPECT_EQ(both.Bytes()[1], 0x01);
  EXPECT_EQ(either.Bytes()[0], 0x3F);
  EXPECT_EQ(either.Bytes()[1], 0x03);
  EXPECT_EQ(one.Bytes()[0], 0x33);
  EXPECT_EQ(one.Bytes()[1], 0x02);
  EXPECT_EQ(a.Bytes()[0], 0x0F);  // the operands are unchanged
}

TEST(RWBitVector, UnequalLengthsRaiseNEVECL) {
  RWBitVector a(10, true), b(30);
  EXPECT_EQ(qvtest::RaisedText([&] { RWBitVector::And(a, b); }), "[NEVECL] Unequal vector lengths: 10 versus 30");
  EXPECT_EQ(qvtest::RaisedText([&] { RWBitVector::Or(b, a); }), "[NEVECL] Unequal vector lengths: 30 versus 10");
  EXPECT_EQ(qvtest::RaisedText([&] { RWBitVector::Xor(a, b); }), "[NEVECL] Unequal vector lengths: 10 versus 30");
  // With a handler that returns, the result is a plain copy of the first
  // operand and the shorter vector is never read past its end.
  qvtest::ScopedErrorCapture capture;
  RWBitVector r = RWBitVector::Xor(b, a);
  EXPECT_TRUE(r.Equals(b));
  EXPECT_EQ(qvtest::ScopedErrorCapture::Texts().size(), 1u);
}

TEST(RWBitVector, CopyAndAssign) {
  RWBitVector a(12);
  a.SetBit(11);
  RWBitVector b(a);
  EXPECT_NE(b.Bytes(), a.Bytes());
  EXPECT_TRUE(b.Equals(a));
  RWBitVector c(3, true);
  c.Assign(a);
  EXPECT_EQ(c.BitCount(), 12u);
  EXPECT_TRUE(c.TestBit(11));
  a.ClearBit(11);
  EXPECT_TRUE(c.TestBit(11));
  const uint8_t* bytes = c.Bytes();
  c = c;
  EXPECT_EQ(c.Bytes(), bytes);
  c = RWBitVector();
  EXPECT_EQ(c.BitCount(), 0u);
  EXPECT_EQ(c.Bytes(), nullptr);
}

TEST(RWBitVector, BitIndexErrors) {
  RWBitVector v(10);
  EXPECT_EQ(qvtest::RaisedText([&] { v.TestBit(10); }),
            "[INDEXERR] Illegal Index (10) for collection or string with 10 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { v.SetBit(RW_NPOS); }),
            "[INDEXERR] Illegal Index (4294967295) for collection or string with 10 elements");
  qvtest::ScopedErrorCapture capture;
  EXPECT_FALSE(v.TestBit(16));
  v.SetBit(15);  // within the second byte's spare bits: must not be touched
  v.ClearBit(100);
  EXPECT_EQ(v.Bytes()[1], 0x00);
  EXPECT_EQ(qvtest::ScopedErrorCapture::Texts().size(), 3u);
}

}  // namespace
