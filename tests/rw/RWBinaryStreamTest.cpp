// The native binary form: stored bytes, string framing, truncation and
// failures of short input and full targets.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "rw/RWBinaryStream.h"
#include "rw/RWMemoryStreamBuf.h"

namespace {

std::vector<unsigned char> Bytes(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

TEST(RWBinaryOutStream, ValuesAreStoredLittleEndianWithStoredSizes) {
  std::stringbuf bytes;
  RWBinaryOutStream out(&bytes);
  out.PutShort(-2).PutUShort(0x1234).PutLong(0x01020304).PutULong(0xFFFFFFFEu).PutInt(-1).PutUInt(5);
  out.PutFloat(1.0f).PutDouble(1.0).PutChar('A').PutUChar(0xE9).PutCharText('b').PutUCharText(0x80);
  const double ds[] = {-2.0};
  const int16_t ss[] = {1, -1};
  out.PutDoubles(ds, 1).PutShorts(ss, 2);
  out.PutString("ab", 2).PutCString("xyz");
  ASSERT_TRUE(out.Good());
  const std::vector<unsigned char> expected = {
      0xFE, 0xFF, 0x34, 0x12, 0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F,
      'A',  0xE9, 'b',  0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x01, 0x00, 0xFF, 0xFF,
      0x02, 0x00, 0x00, 0x00, 'a',  'b',  0x03, 0x00, 0x00, 0x00, 'x',  'y',  'z'};
  EXPECT_EQ(Bytes(bytes.str()), expected);
}

TEST(RWBinaryInStream, ShortBufferTruncatesConsumesAndFails) {
  std::stringbuf bytes(std::string("\x0a\0\0\0" "0123456789" "\x07\0\0\0", 18));
  RWBinaryInStream in(&bytes);
  char buffer[4] = {'x', 'x', 'x', 'x'};
  in.GetString(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "012");
  EXPECT_TRUE(in.Fail());
  EXPECT_FALSE(in.Eof());
  in.Clear();
  uint32_t next = 0;
  in.GetUInt(next);
  EXPECT_EQ(next, 7u);  // the whole string was consumed
}

TEST(RWBinaryInStream, StringLongerThanTheInputStopsAtItsEnd) {
  // A damaged length of 2^31 over three bytes: no over-read, no allocation.
  const unsigned char data[] = {0x00, 0x00, 0x00, 0x80, 'a', 'b', 'c'};
  RWMemoryStreamBuf bytes(RWMemoryStreamBuf::ForReading{}, data, sizeof data);
  RWBinaryInStream in(&bytes);
  std::vector<char> buffer(16, 'x');
  in.GetString(buffer.data(), static_cast<unsigned>(buffer.size()));
  EXPECT_STREQ(buffer.data(), "abc");
  EXPECT_TRUE(in.Fail());
  EXPECT_TRUE(in.Eof());

  // The same with a large buffer: the terminator follows the bytes read.
  RWMemoryStreamBuf again(RWMemoryStreamBuf::ForReading{}, data, sizeof data);
  RWBinaryInStream in2(&again);
  std::vector<char> big(100000, 'x');
  in2.GetString(big.data(), static_cast<unsigned>(big.size()));
  EXPECT_STREQ(big.data(), "abc");
  EXPECT_TRUE(in2.Fail());
}

TEST(RWBinaryInStream, ShortReadsSetEofAndFailAndKeepWholeElements) {
  const unsigned char data[] = {0x01, 0x00, 0x02, 0x00, 0x03};
  RWMemoryStreamBuf bytes(RWMemoryStreamBuf::ForReading{}, data, sizeof data);
  RWBinaryInStream in(&bytes);
  uint16_t values[3] = {9, 9, 9};
  in.GetUShorts(values, 3);
  EXPECT_EQ(values[0], 1);
  EXPECT_EQ(values[1], 2);
  EXPECT_EQ(values[2], 9);
  EXPECT_EQ(in.ReadState(), RW_STREAM_EOF | RW_STREAM_FAIL);
  // A failed stream reads nothing more.
  in.Clear(RW_STREAM_FAIL);
  EXPECT_EQ(in.Get(), -1);
  in.Clear();
  EXPECT_EQ(in.Get(), -1);  // the partial element's byte was consumed

  // A length that cannot be read leaves an empty string.
  std::stringbuf shortLength(std::string("\x01\x00", 2));
  RWBinaryInStream in2(&shortLength);
  char buffer[4] = "abc";
  in2.GetString(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "");
  EXPECT_TRUE(in2.Fail());
}

TEST(RWBinaryInStream, ZeroSizedBufferStoresNothing) {
  std::stringbuf bytes(std::string("\x02\0\0\0ab\x05", 7));
  RWBinaryInStream in(&bytes);
  char guard = 'g';
  in.GetString(&guard, 0);
  EXPECT_EQ(guard, 'g');
  EXPECT_TRUE(in.Fail());
  in.Clear();
  EXPECT_EQ(in.Get(), 5);
}

TEST(RWBinaryOutStream, AFullTargetFailsAndStopsWriting) {
  std::unique_ptr<char[]> block(new char[6]);  // exactly 6 bytes: an overrun is a sanitizer report
  RWMemoryStreamBuf bytes(RWMemoryStreamBuf::ForWriting{}, block.get(), 6);
  RWBinaryOutStream out(&bytes);
  out.PutInt(1);
  EXPECT_TRUE(out.Good());
  out.PutInt(2);
  EXPECT_TRUE(out.Fail());
  EXPECT_FALSE(out.Bad());
  out.PutChar('z');  // nothing more is written after the failure
  EXPECT_EQ(bytes.Size(), 6u);
  EXPECT_EQ(block[4], 2);
}

class FailingSync : public std::stringbuf {
 protected:
  int sync() override { return -1; }
};

TEST(RWBinaryOutStream, FlushSetsBadWhenTheBufferCannotSync) {
  std::stringbuf good;
  RWBinaryOutStream out(&good);
  out.Flush();
  EXPECT_TRUE(out.Good());
  FailingSync failing;
  RWBinaryOutStream out2(&failing);
  out2.Flush();
  EXPECT_TRUE(out2.Bad());
}

}  // namespace
