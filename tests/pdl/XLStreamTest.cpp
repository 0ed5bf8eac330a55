// The PCL XL stream encoder: the bytes of tags, values, identifiers,
// embedded data and the stream header, the accepted code tables, the
// errors that stop a stream, and how writes share out over buffers.
#include "pdl/XLStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "support/XLStreamTestSupport.h"

namespace {

using qvtest::SpacedHex;
using qvtest::FromHex;
using qvtest::XLFixture;

struct ValueCase {
  const char* what;
  std::function<void(XLStream*)> write;
  const char* bytes;
};

TEST(XLStreamTest, ValuesAreTaggedAndWrittenLowByteFirst) {
  const uint8_t three[] = {7, 8, 9};
  const uint16_t words[] = {0x0102, 0xFFFF};
  const int16_t signedWords[] = {-1, 2};
  const uint32_t longs[] = {0x01020304};
  const int32_t signedLongs[] = {-2};
  const float reals[] = {1.0f, -2.0f};
  const std::vector<ValueCase> cases = {
      {"ubyte", [](XLStream* s) { XLWriteUByte(s, 0xAB); }, "C0 AB"},
      {"uint16", [](XLStream* s) { XLWriteUInt16(s, 0x1234); }, "C1 34 12"},
      {"uint32", [](XLStream* s) { XLWriteUInt32(s, 0x12345678); }, "C2 78 56 34 12"},
      {"sint16", [](XLStream* s) { XLWriteSInt16(s, -2); }, "C3 FE FF"},
      {"sint32", [](XLStream* s) { XLWriteSInt32(s, -2); }, "C4 FE FF FF FF"},
      {"real32", [](XLStream* s) { XLWriteReal32(s, 1.0f); }, "C5 00 00 80 3F"},
      {"ubyte xy", [](XLStream* s) { XLWriteUByteXY(s, 1, 2); }, "D0 01 02"},
      {"uint16 xy", [](XLStream* s) { XLWriteUInt16XY(s, 1, 2); }, "D1 01 00 02 00"},
      {"uint32 xy", [](XLStream* s) { XLWriteUInt32XY(s, 1, 2); }, "D2 01 00 00 00 02 00 00 00"},
      {"sint16 xy", [](XLStream* s) { XLWriteSInt16XY(s, -1, 2); }, "D3 FF FF 02 00"},
      {"sint32 xy", [](XLStream* s) { XLWriteSInt32XY(s, -1, 2); }, "D4 FF FF FF FF 02 00 00 00"},
      {"real32 xy", [](XLStream* s) { XLWriteReal32XY(s, 14.0f, 8.5f); }, "D5 00 00 60 41 00 00 08 41"},
      {"ubyte box", [](XLStream* s) { XLWriteUByteBox(s, 1, 2, 3, 4); }, "E0 01 02 03 04"},
      {"uint16 box", [](XLStream* s) { XLWriteUInt16Box(s, 1, 2, 3, 4); }, "E1 01 00 02 00 03 00 04 00"},
      {"uint32 box", [](XLStream* s) { XLWriteUInt32Box(s, 1, 2, 3, 4); },
       "E2 01 00 00 00 02 00 00 00 03 00 00 00 04 00 00 00"},
      {"sint16 box", [](XLStream* s) { XLWriteSInt16Box(s, 10, 20, 110, -1); }, "E3 0A 00 14 00 6E 00 FF FF"},
      {"sint32 box", [](XLStream* s) { XLWriteSInt32Box(s, 1, 2, 3, -1); },
       "E4 01 00 00 00 02 00 00 00 03 00 00 00 FF FF FF FF"},
      {"real32 box", [](XLStream* s) { XLWriteReal32Box(s, 1, 1, 1, 1); },
       "E5 00 00 80 3F 00 00 80 3F 00 00 80 3F 00 00 80 3F"},
      {"ubyte array", [&](XLStream* s) { XLWriteUByteArray(s, three, 3); }, "C8 C1 03 00 07 08 09"},
      {"uint16 array", [&](XLStream* s) { XLWriteUInt16Array(s, words, 2); }, "C9 C1 02 00 02 01 FF FF"},
      {"sint16 array", [&](XLStream* s) { XLWriteSInt16Array(s, signedWords, 2); }, "CB C1 02 00 FF FF 02 00"},
      {"uint32 array", [&](XLStream* s) { XLWriteUInt32Array(s, longs, 1); }, "CA C1 01 00 04 03 02 01"},
      {"sint32 array", [&](XLStream* s) { XLWriteSInt32Array(s, signedLongs, 1); }, "CC C1 01 00 FE FF FF FF"},
      {"real32 array", [&](XLStream* s) { XLWriteReal32Array(s, reals, 2); },
       "CD C1 02 00 00 00 80 3F 00 00 00 C0"},
      {"empty array", [&](XLStream* s) { XLWriteUByteArray(s, three, 0); }, "C8 C1 00 00"},
      {"bytes from 16", [&](XLStream* s) { XLWriteUByteArrayFrom16(s, words, 2); }, "C8 C1 02 00 02 FF"},
      {"attribute after a box", [](XLStream* s) { XLWriteAttributeId(s, 0x42); }, "F8 42"},
      {"operator", [](XLStream* s) { XLWriteOperator(s, 0xA0); }, "A0"},
      {"embedded 255", [](XLStream* s) { XLWriteEmbeddedLength(s, 255); }, "FB FF"},
      {"embedded 256", [](XLStream* s) { XLWriteEmbeddedLength(s, 256); }, "FA 00 01 00 00"},
      {"embedded long form", [](XLStream* s) { XLWriteEmbeddedLongLength(s, 3); }, "FA 03 00 00 00"},
      {"embedded bytes", [&](XLStream* s) { XLWriteEmbeddedBytes(s, three, 3); }, "FA 03 00 00 00 07 08 09"},
      {"embedded uint16", [&](XLStream* s) { XLWriteEmbeddedUInt16(s, words, 2); }, "FA 04 00 00 00 02 01 FF FF"},
      {"embedded uint16 BE", [&](XLStream* s) { XLWriteEmbeddedUInt16BE(s, words, 2); },
       "FA 04 00 00 00 01 02 FF FF"},
      {"embedded uint32", [&](XLStream* s) { XLWriteEmbeddedUInt32(s, longs, 1); }, "FA 04 00 00 00 04 03 02 01"},
      {"embedded uint32 BE", [&](XLStream* s) { XLWriteEmbeddedUInt32BE(s, longs, 1); },
       "FA 04 00 00 00 01 02 03 04"},
      {"embedded real32", [&](XLStream* s) { XLWriteEmbeddedReal32(s, reals, 1); }, "FA 04 00 00 00 00 00 80 3F"},
      {"embedded real32 BE", [&](XLStream* s) { XLWriteEmbeddedReal32BE(s, reals, 1); },
       "FA 04 00 00 00 3F 80 00 00"},
      {"raw", [](XLStream* s) {
         XLWriteRawByte(s, 1);
         XLWriteRawUInt16(s, 0x0203);
         XLWriteRawUInt16BE(s, 0x0203);
         XLWriteRawUInt32(s, 0x04050607);
         XLWriteRawUInt32BE(s, 0x04050607);
         XLWriteRawReal32(s, 1.0f);
         XLWriteRawReal32BE(s, 1.0f);
       },
       "01 03 02 02 03 07 06 05 04 04 05 06 07 00 00 80 3F 3F 80 00 00"},
      {"raw arrays", [&](XLStream* s) {
         XLWriteRawBytes(s, three, 3);
         XLWriteRawBytesFrom16(s, words, 2);
         XLWriteRawUInt16Array(s, words, 2);
         XLWriteRawUInt16ArrayBE(s, words, 2);
         XLWriteRawUInt32Array(s, longs, 1);
         XLWriteRawUInt32ArrayBE(s, longs, 1);
         XLWriteRawReal32Array(s, reals, 1);
         XLWriteRawReal32ArrayBE(s, reals, 1);
       },
       "07 08 09 02 FF 02 01 FF FF 01 02 FF FF 04 03 02 01 01 02 03 04 00 00 80 3F 3F 80 00 00"},
  };
  for (const ValueCase& c : cases) {
    XLFixture f;
    c.write(*f);
    EXPECT_EQ(SpacedHex(f.Bytes()), c.bytes) << c.what;
    EXPECT_EQ((*f)->error, 0) << c.what;
  }
}

TEST(XLStreamTest, HeaderNamesTheBindingClassRevisionAndComment) {
  XLFixture f;
  XLWriteStreamHeader(*f, 2, 1, " x", 2);
  EXPECT_EQ(f.Bytes(), ") QV-PCL XL;2;1;Comment x\n");

  // Only the low 16 bits of class and revision count; an empty comment adds
  // nothing, not even a separator.
  XLFixture g;
  XLWriteStreamHeader(*g, 0x10002, 0x10000, nullptr, 0);
  EXPECT_EQ(g.Bytes(), ") QV-PCL XL;2;0;Comment\n");
}

TEST(XLStreamTest, AcceptedCodeTablesHoldExactlyTheKnownCodes) {
  int operators = 0;
  int attributes = 0;
  for (uint32_t code = 0; code < 256; ++code) {
    operators += XLIsAcceptedOperator(code) ? 1 : 0;
    attributes += XLIsAcceptedAttribute(code) ? 1 : 0;
  }
  EXPECT_EQ(operators, 93);
  EXPECT_EQ(attributes, 134);
  for (uint32_t code : {0x41u, 0x44u, 0x46u, 0x58u, 0x5Bu, 0x82u, 0x86u, 0x9Bu, 0xA3u, 0xB9u, 0xBFu})
    EXPECT_TRUE(XLIsAcceptedOperator(code)) << code;
  for (uint32_t code : {0x40u, 0x45u, 0x4Du, 0x57u, 0x83u, 0x9Au, 0xA7u, 0xB7u, 0xBEu, 0xC0u, 0x100u, 0x141u})
    EXPECT_FALSE(XLIsAcceptedOperator(code)) << code;
  for (uint32_t code : {0x01u, 0x2Du, 0x2Fu, 0x36u, 0x54u, 0x73u, 0x78u, 0x8Fu, 0xADu, 0xB1u})
    EXPECT_TRUE(XLIsAcceptedAttribute(code)) << code;
  for (uint32_t code : {0x00u, 0x2Eu, 0x37u, 0x55u, 0x6Au, 0x87u, 0x8Eu, 0x90u, 0xAEu, 0xB2u, 0x142u})
    EXPECT_FALSE(XLIsAcceptedAttribute(code)) << code;
}

TEST(XLStreamTest, RefusedCodesStopTheStream) {
  struct Case {
    const char* what;
    std::function<void(XLStream*)> refuse;
    int16_t error;
  };
  const std::vector<Case> cases = {
      {"operator 0x45", [](XLStream* s) { XLWriteOperator(s, 0x45); }, kXLBadOperator},
      {"operator 0x141", [](XLStream* s) { XLWriteOperator(s, 0x141); }, kXLBadOperator},
      {"attribute 0x2E", [](XLStream* s) { XLWriteAttributeId(s, 0x2E); }, kXLBadAttribute},
      {"attribute 0x100", [](XLStream* s) { XLWriteAttributeId(s, 0x100); }, kXLBadAttribute},
  };
  for (const Case& c : cases) {
    XLFixture f;
    XLWriteUByte(*f, 1);
    c.refuse(*f);
    EXPECT_EQ((*f)->error, c.error) << c.what;
    EXPECT_EQ((*f)->errorCount, 1) << c.what;
    // Nothing of the refused code, and nothing of any later write.
    XLWriteUInt16(*f, 7);
    XLWriteAttributeId(*f, 0x42);
    XLWriteOperator(*f, 0x41);
    XLWriteRawBytes(*f, reinterpret_cast<const uint8_t*>("abc"), 3);
    XLWriteEmbeddedLength(*f, 3);
    XLWriteStreamHeader(*f, 2, 0, "", 0);
    EXPECT_EQ(SpacedHex(f.Bytes()), "C0 01") << c.what;
    EXPECT_EQ((*f)->error, c.error) << c.what << ": an accepted code keeps the stored error";
    EXPECT_EQ((*f)->errorCount, 1) << c.what;
  }
  // A second refused code replaces the stored one and counts.
  XLFixture f;
  XLWriteOperator(*f, 0x45);
  XLWriteAttributeId(*f, 0x2E);
  EXPECT_EQ((*f)->error, kXLBadAttribute);
  EXPECT_EQ((*f)->errorCount, 2);
}

TEST(XLStreamTest, CreationFailuresAndErrorTexts) {
  qvtest::CollectingSink sink;
  int16_t error = 99;
  EXPECT_EQ(XLStreamCreate(64, nullptr, 0, &error), nullptr);
  EXPECT_EQ(error, kXLNoSink);
  EXPECT_EQ(XLStreamCreate(0, &sink, 0, &error), nullptr);
  EXPECT_EQ(error, kXLZeroBufferSize);
  EXPECT_EQ(XLStreamCreate(-5, &sink, 0, &error), nullptr);
  EXPECT_EQ(error, kXLZeroBufferSize);
  XLStreamPtr made(XLStreamCreate(64, &sink, 0, &error));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(error, 0);

  EXPECT_STREQ(XLErrorName(0), "XL Library: No Errors Detected");
  EXPECT_STREQ(XLErrorName(-2), "XL Library: Operator Number Undefined");
  EXPECT_STREQ(XLErrorName(-4), "XL Library: Out of Memory");
  EXPECT_STREQ(XLErrorName(-5), "XL Library: A Stream Buffer Size of Zero Was Requested");
  EXPECT_STREQ(XLErrorName(-6), "XL Library: Stream Output Buffer Overflowed");
  for (int code : {-3, -8, -9, 1, 1000})
    EXPECT_STREQ(XLErrorName(code), "XL Library: Number of Error Reported is Undefined") << code;

  EXPECT_EQ(XLStringLength("Courier"), 7);
  EXPECT_EQ(XLStringLength(nullptr), 0);
  // Writers take no stream as nothing to do.
  XLWriteUInt32(nullptr, 1);
  XLWriteOperator(nullptr, 0x41);
  XLStreamFlush(nullptr);
  EXPECT_EQ(XLStreamDestroy(nullptr), 0);
}

TEST(XLStreamTest, DestroyReportsEveryByteWrittenEvenUnsent) {
  qvtest::CollectingSink sink;
  XLStream* stream = XLStreamCreate(8, &sink, 0);
  ASSERT_NE(stream, nullptr);
  for (int i = 0; i < 5; ++i) XLWriteUInt32(stream, 1);  // 25 bytes over a buffer of 8
  EXPECT_EQ(XLStreamDestroy(stream), 25);
  EXPECT_LT(sink.bytes.size(), 25u) << "destroying does not flush";
}

TEST(XLStreamTest, PayloadIsNeverSplitButTheTagMayEndABuffer) {
  XLFixture f(8);
  (*f)->userValue = 77;
  XLWriteRawBytes(*f, reinterpret_cast<const uint8_t*>("abcde"), 5);
  XLWriteUInt32(*f, 0x04030201);  // 3 bytes of room: the tag fits, the payload does not
  ASSERT_EQ(f.sink.flushes.size(), 1u);
  EXPECT_EQ(f.sink.flushes[0], 6) << "the tag ends the buffer, two bytes stay unused";
  EXPECT_EQ(f.sink.users[0], 77u);
  EXPECT_EQ((*f)->room, 4);
  EXPECT_EQ((*f)->writePointer, (*f)->buffer + 4) << "the payload begins the next buffer";
  EXPECT_EQ(SpacedHex(f.Bytes()), "61 62 63 64 65 C2 01 02 03 04");
  EXPECT_EQ((*f)->total, 10);
}

// Long runs of every kind go through a small buffer with no byte lost,
// repeated or written past the buffer (the sanitizers watch the last).
TEST(XLStreamTest, LongRunsOfEveryKindGoThroughASmallBuffer) {
  std::vector<uint8_t> bytes(1000);
  std::iota(bytes.begin(), bytes.end(), 0);
  std::vector<uint16_t> words(300);
  std::iota(words.begin(), words.end(), 0x100);
  std::vector<uint32_t> longs(150);
  std::iota(longs.begin(), longs.end(), 0x01020300);
  std::vector<float> reals(150);
  std::iota(reals.begin(), reals.end(), 1.0f);

  // What each write should produce, built value by value.
  auto little = [](uint64_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>(v >> (8 * i));
    return s;
  };
  auto big = [](uint64_t v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i) s += static_cast<char>(v >> (8 * i));
    return s;
  };
  auto realBits = [](float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return bits;
  };
  std::string byteRun(bytes.begin(), bytes.end());
  std::string wordsLE, wordsBE, longsLE, longsBE, realsLE, realsBE;
  for (uint16_t w : words) wordsLE += little(w, 2), wordsBE += big(w, 2);
  for (uint32_t l : longs) longsLE += little(l, 4), longsBE += big(l, 4);
  for (float r : reals) realsLE += little(realBits(r), 4), realsBE += big(realBits(r), 4);

  struct Case {
    const char* what;
    std::function<void(XLStream*)> write;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"raw bytes", [&](XLStream* s) { XLWriteRawBytes(s, bytes.data(), 1000); }, byteRun},
      {"embedded bytes", [&](XLStream* s) { XLWriteEmbeddedBytes(s, bytes.data(), 1000); },
       FromHex("FA E8 03 00 00") + byteRun},
      {"ubyte array", [&](XLStream* s) { XLWriteUByteArray(s, bytes.data(), 1000); }, FromHex("C8 C1 E8 03") + byteRun},
      {"uint16 array", [&](XLStream* s) { XLWriteRawUInt16Array(s, words.data(), 300); }, wordsLE},
      {"uint16 BE array", [&](XLStream* s) { XLWriteRawUInt16ArrayBE(s, words.data(), 300); }, wordsBE},
      {"embedded uint16 BE", [&](XLStream* s) { XLWriteEmbeddedUInt16BE(s, words.data(), 300); },
       FromHex("FA 58 02 00 00") + wordsBE},
      {"uint32 array", [&](XLStream* s) { XLWriteRawUInt32Array(s, longs.data(), 150); }, longsLE},
      {"uint32 BE array", [&](XLStream* s) { XLWriteRawUInt32ArrayBE(s, longs.data(), 150); }, longsBE},
      {"real32 array", [&](XLStream* s) { XLWriteRawReal32Array(s, reals.data(), 150); }, realsLE},
      {"real32 BE array", [&](XLStream* s) { XLWriteRawReal32ArrayBE(s, reals.data(), 150); }, realsBE},
      {"tagged real32 array", [&](XLStream* s) { XLWriteReal32Array(s, reals.data(), 150); },
       FromHex("CD C1 96 00") + realsLE},
      {"embedded real32 BE", [&](XLStream* s) { XLWriteEmbeddedReal32BE(s, reals.data(), 150); },
       FromHex("FA 58 02 00 00") + realsBE},
  };
  for (int32_t size : {64, 7, 3, 1}) {
    for (const Case& c : cases) {
      XLFixture f(size);
      XLWriteRawByte(*f, 0xEE);  // the run starts off a buffer boundary
      c.write(*f);
      const std::string out = f.Bytes();
      EXPECT_EQ(out.size(), c.expected.size() + 1) << c.what << ", buffer " << size;
      EXPECT_TRUE(out == "\xEE" + c.expected) << c.what << ", buffer " << size;
      for (int32_t flushed : f.sink.flushes) EXPECT_LE(flushed, size) << c.what;
      EXPECT_EQ((*f)->error, 0) << c.what;
    }
  }
}

TEST(XLStreamTest, RealAndBigEndianArraysThatFitABufferStayInOne) {
  const float reals[6] = {1, 2, 3, 4, 5, 6};
  XLFixture f(32);
  XLWriteRawBytes(*f, reinterpret_cast<const uint8_t*>("0123456789"), 10);
  XLWriteRawReal32Array(*f, reals, 6);  // 24 bytes, 22 of room: the buffer goes first
  ASSERT_EQ(f.sink.flushes.size(), 1u);
  EXPECT_EQ(f.sink.flushes[0], 10);
  EXPECT_EQ((*f)->room, 8);
}

TEST(XLStreamTest, ASinkThatDoesNotRewindCannotMakeAWriteOverrunTheBuffer) {
  XLFixture f(16);
  f.sink.rewind = false;
  std::vector<uint8_t> bytes(100, 0x5A);
  for (int i = 0; i < 10; ++i) XLWriteUInt32(*f, 0x11223344);
  XLWriteRawBytes(*f, bytes.data(), 100);
  const std::string out = f.Bytes();
  EXPECT_EQ(out.size(), 150u);
  EXPECT_EQ(SpacedHex(out.substr(0, 10)), "C2 44 33 22 11 C2 44 33 22 11");
  EXPECT_EQ(out.substr(50), std::string(100, '\x5A'));
}

TEST(XLStreamTest, ArraysLongerThanTheCountFieldAreRefusedNotTruncated) {
  std::vector<uint8_t> bytes(0x10000, 1);
  XLFixture f;
  XLWriteUByte(*f, 1);
  XLWriteUByteArray(*f, bytes.data(), 0x10000);
  EXPECT_EQ((*f)->error, kXLOverflow);
  EXPECT_EQ((*f)->errorCount, 1);
  EXPECT_EQ(SpacedHex(f.Bytes()), "C0 01") << "no count that disagrees with the elements";

  XLFixture g;
  XLWriteUByteArray(*g, bytes.data(), 0xFFFF);
  EXPECT_EQ((*g)->error, 0) << "65535 elements fit the count";
  EXPECT_EQ(g.Bytes().size(), 4u + 0xFFFF);
}

}  // namespace
