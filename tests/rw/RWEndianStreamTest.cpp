// The byte-order tagged form: the header, values in either order, reading
// streams written with other integer sizes, and refused headers and targets.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "rw/RWEndianStream.h"
#include "rw/RWMemoryStreamBuf.h"
#include "support/ErrorCapture.h"

namespace {

std::vector<unsigned char> EndianStreamBytes(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

std::string Str(std::initializer_list<unsigned char> bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(RWEndianOutStream, WritesTheHeaderThenValuesInItsOrder) {
  std::stringbuf big;
  {
    RWEndianOutStream out(&big, 1);
    EXPECT_EQ(out.ByteOrder(), 1);
    out.PutUShort(0x1234).PutLong(-2).PutDouble(1.0).PutString("ab", 2).PutCString("c").PutChar('z');
    EXPECT_TRUE(out.Good());
  }
  EXPECT_EQ(EndianStreamBytes(big.str()), EndianStreamBytes(Str({'e', 's', 1, 1, 2, 4, 4, 2, 4, 0x12, 0x34, 0xFF, 0xFF, 0xFF, 0xFE,
                                         0x3F, 0xF0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 'a', 'b', 0, 0, 0, 1, 'c', 'z'})));

  std::stringbuf little;
  {
    RWEndianOutStream out(&little, 0);
    out.PutUShort(0x1234).PutString("ab", 2);
  }
  EXPECT_EQ(EndianStreamBytes(little.str()), EndianStreamBytes(Str({'e', 's', 1, 0, 2, 4, 4, 2, 4, 0x34, 0x12, 2, 0, 0, 0, 'a', 'b'})));

  std::stringbuf host;
  RWEndianOutStream out(&host, 2);
  EXPECT_EQ(out.ByteOrder(), RWHostIsBigEndian() ? 1 : 0);
  EXPECT_EQ(static_cast<unsigned char>(host.str()[3]), RWHostIsBigEndian() ? 1 : 0);
}

TEST(RWEndianInStream, ReadsBigEndianDataOnAnyHost) {
  std::stringbuf bytes(Str({'e', 's', 1, 1, 2, 4, 4, 2, 4, 0x12, 0x34, 0x3F, 0xC0, 0, 0}));
  RWEndianInStream in(&bytes);
  EXPECT_EQ(in.StoredBigEndian(), 1);
  uint16_t value = 0;
  float f = 0;
  in.GetUShort(value).GetFloat(f);
  EXPECT_EQ(value, 0x1234);
  EXPECT_EQ(f, 1.5f);
  EXPECT_TRUE(in.Good());
}

// A header with the given long and size_t sizes and order, then the value
// bytes.
std::string Stream(unsigned char order, unsigned char shortSize, unsigned char intSize, unsigned char longSize,
                   unsigned char sizeTSize, std::initializer_list<unsigned char> value) {
  return Str({'e', 's', 1, order, shortSize, intSize, longSize, 2, sizeTSize}) + Str(value);
}

TEST(RWEndianInStream, ConvertsIntegersStoredInOtherSizes) {
  struct Case {
    const char* name;
    std::string bytes;
    std::function<int64_t(RWVirtualInStream&)> get;  // answers the value read
    int64_t expected;
    bool fails;
  };
  auto ulong = [](RWVirtualInStream& i) { uint32_t v = 7; i.GetULong(v); return int64_t(v); };
  auto slong = [](RWVirtualInStream& i) { int32_t v = 7; i.GetLong(v); return int64_t(v); };
  auto ulongs = [](RWVirtualInStream& i) { uint32_t v[1] = {7}; i.GetULongs(v, 1); return int64_t(v[0]); };
  auto sshort = [](RWVirtualInStream& i) { int16_t v = 7; i.GetShort(v); return int64_t(v); };
  auto ushort = [](RWVirtualInStream& i) { uint16_t v = 7; i.GetUShort(v); return int64_t(v); };
  auto sint = [](RWVirtualInStream& i) { int32_t v = 7; i.GetInt(v); return int64_t(v); };
  const Case cases[] = {
      {"long 8 LE fits unsigned", Stream(0, 2, 4, 8, 4, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}), ulong, 4294967295, false},
      {"long 8 BE fits unsigned", Stream(1, 2, 4, 8, 4, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), ulong, 4294967295, false},
      {"long 8 LE high bytes", Stream(0, 2, 4, 8, 4, {0, 0, 0, 0, 1, 0, 0, 0}), ulong, 7, true},
      {"long 8 BE high bytes", Stream(1, 2, 4, 8, 4, {0, 0, 0, 1, 0, 0, 0, 0}), ulong, 7, true},
      {"long 8 array", Stream(0, 2, 4, 8, 4, {0x2A, 0, 0, 0, 0, 0, 0, 0}), ulongs, 42, false},
      {"long 8 signed -1", Stream(0, 2, 4, 8, 4, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), slong, -1, false},
      {"long 8 signed min", Stream(1, 2, 4, 8, 4, {0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0}), slong, INT32_MIN, false},
      {"long 8 signed too big", Stream(0, 2, 4, 8, 4, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}), slong, 7, true},
      {"short 1 signed", Stream(0, 1, 4, 4, 4, {0xFE}), sshort, -2, false},
      {"short 1 unsigned", Stream(0, 1, 4, 4, 4, {0xFE}), ushort, 0xFE, false},
      {"int 2 BE signed", Stream(1, 2, 2, 4, 4, {0x80, 0x01}), sint, -32767, false},
      {"short 4 BE", Stream(1, 4, 4, 4, 4, {0xFF, 0xFF, 0x80, 0x00}), sshort, -32768, false},
      {"short 4 out of range", Stream(1, 4, 4, 4, 4, {0x00, 0x01, 0x00, 0x00}), ushort, 7, true},
      {"long 8 cut short", Stream(0, 2, 4, 8, 4, {0xFF, 0xFF, 0xFF}), ulong, 7, true},
  };
  for (const Case& c : cases) {
    std::stringbuf bytes(c.bytes);
    RWEndianInStream in(&bytes);
    ASSERT_TRUE(in.Good()) << c.name;
    EXPECT_EQ(c.get(in), c.expected) << c.name;
    EXPECT_EQ(in.Fail(), c.fails) << c.name;
  }
}

TEST(RWEndianInStream, StringLengthUsesTheStoredSizeTWidth) {
  std::stringbuf eight(Stream(1, 2, 4, 8, 8, {0, 0, 0, 0, 0, 0, 0, 3, 'a', 'b', 'c'}));
  RWEndianInStream in(&eight);
  EXPECT_EQ(in.StoredSizeTSize(), 8);
  EXPECT_EQ(in.StoredLongSize(), 8);
  char buffer[8];
  in.GetString(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_TRUE(in.Good());

  // A length that does not fit, or is cut short: an empty string, failed and bad.
  for (const std::string& bytes : {Stream(0, 2, 4, 4, 8, {3, 0, 0, 0, 0, 0, 0, 1, 'a', 'b', 'c'}),
                                   Stream(0, 2, 4, 4, 4, {3, 0})}) {
    std::stringbuf damaged(bytes);
    RWEndianInStream in2(&damaged);
    char out[8] = "zzzzzzz";
    in2.GetString(out, sizeof out);
    EXPECT_STREQ(out, "");
    EXPECT_TRUE(in2.Fail());
    EXPECT_TRUE(in2.Bad());
  }
}

TEST(RWEndianInStream, ShortBufferTruncatesAsNativeBinary) {
  std::stringbuf bytes(Stream(1, 2, 4, 4, 4, {0, 0, 0, 10, '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 0, 9}));
  RWEndianInStream in(&bytes);
  char buffer[4];
  in.GetString(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "012");
  EXPECT_TRUE(in.Fail());
  in.Clear();
  uint16_t next = 0;
  in.GetUShort(next);
  EXPECT_EQ(next, 9);
}

TEST(RWEndianInStream, BadHeadersRaiseStreamAndFail) {
  const std::string inputs[] = {
      Str({'e', 's', 2, 0, 2, 4, 4, 2, 4, 1, 0, 0, 0}),  // wrong version
      Str({'E', 's', 1, 0, 2, 4, 4, 2, 4, 1, 0, 0, 0}),  // wrong tag
      Str({'e', 's'}),                                   // ends in the tag
      Str({'e', 's', 1, 0, 2, 4}),                       // ends in the sizes
      Str({'e', 's', 1, 0, 2, 0, 4, 2, 4, 1, 0, 0, 0}),  // an int of no bytes
      std::string(),
  };
  for (const std::string& input : inputs) {
    std::stringbuf bytes(input);
    const std::string raised = qvtest::RaisedText([&] { RWEndianInStream in(&bytes); });
    EXPECT_EQ(raised, "[STREAM] Bad input stream") << input.size();

    // With a handler that returns, the stream is failed and reads stop.
    bytes.pubseekpos(0, std::ios_base::in);
    qvtest::ScopedErrorCapture capture;
    RWEndianInStream in(&bytes);
    EXPECT_EQ(capture.Texts().size(), 1u);
    EXPECT_TRUE(in.Fail());
    uint32_t value = 99;
    in.GetUInt(value);
    EXPECT_EQ(value, 99u);
  }
}

TEST(RWEndianOutStream, RefusesATargetThatHoldsData) {
  std::stringbuf used("x");
  EXPECT_EQ(qvtest::RaisedText([&] { RWEndianOutStream out(&used, 2); }), "[STREAM] Bad input stream");

  char block[32];
  RWMemoryStreamBuf written(RWMemoryStreamBuf::ForWriting{}, block, sizeof block);
  written.sputc('q');
  qvtest::ScopedErrorCapture capture;
  RWEndianOutStream out(&written, 0);
  ASSERT_EQ(capture.Texts().size(), 1u);
  EXPECT_TRUE(out.Fail());
  out.PutInt(5);
  EXPECT_EQ(written.Size(), 1u);  // nothing written after the refusal
}

TEST(RWEndianOutStream, AcceptsAnEmptyFixedCapacityBuffer) {
  // Seeking to the end of a fresh memory buffer answers its room, not 0; the
  // writer must still see it as empty and start it with the header.
  char block[64];
  RWMemoryStreamBuf memory(RWMemoryStreamBuf::ForWriting{}, block, sizeof block);
  {
    RWEndianOutStream out(&memory, 2);
    out.PutUInt(0xA1B2C3D4u);
    EXPECT_TRUE(out.Good());
  }
  EXPECT_EQ(memory.Size(), 13u);
  RWMemoryStreamBuf in(RWMemoryStreamBuf::ForReading{}, block, memory.Size());
  RWEndianInStream reader(&in);
  uint32_t value = 0;
  reader.GetUInt(value);
  EXPECT_EQ(value, 0xA1B2C3D4u);
  EXPECT_TRUE(reader.Good());
}

}  // namespace
