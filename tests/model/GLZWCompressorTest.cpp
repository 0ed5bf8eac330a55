// Tests of the LZW coder and its bit stream: the exact code stream the
// encoder writes, round trips, and clean failures on damaged or hostile input.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "model/GBitStream.h"
#include "model/GByteStream.h"
#include "model/GLZWCompressor.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(gen());
  return out;
}

// Packs (code, width) pairs most significant bit first and pads the last byte
// with zero bits, independently of GBitStream.
Bytes PackCodes(const std::vector<std::pair<int, int>>& codes) {
  Bytes out;
  int used = 8;
  for (auto [code, width] : codes) {
    for (int i = width - 1; i >= 0; --i) {
      if (used == 8) {
        out.push_back(0);
        used = 0;
      }
      if ((code >> i) & 1) out.back() |= static_cast<uint8_t>(0x80 >> used);
      ++used;
    }
  }
  return out;
}

// Reads the codes of a compressed stream, following the widen and flush codes,
// up to and including the end-of-data code.
std::vector<int> ReadCodes(const Bytes& data) {
  std::vector<int> codes;
  size_t bit = 0;
  int width = 9;
  while (bit + width <= data.size() * 8) {
    int code = 0;
    for (int i = 0; i < width; ++i, ++bit) code = (code << 1) | ((data[bit / 8] >> (7 - bit % 8)) & 1);
    codes.push_back(code);
    if (code == 256) break;
    if (code == 257) ++width;
    if (code == 258) width = 9;
  }
  return codes;
}

struct Outcome {
  int result;
  Bytes output;
};

Outcome CompressWith(GLZWCompressor& lzw, const Bytes& input, size_t capacity) {
  GMemoryByteSource in(input.data(), input.size());
  Bytes buffer(capacity);
  GMemoryByteSink out(buffer.data(), buffer.size());
  const int result = lzw.Compress(in, out);
  buffer.resize(out.Length());
  return {result, buffer};
}

Outcome ExpandWith(GLZWCompressor& lzw, const Bytes& input, size_t capacity) {
  GMemoryByteSource in(input.data(), input.size());
  Bytes buffer(capacity);
  GMemoryByteSink out(buffer.data(), buffer.size());
  const int result = lzw.Expand(in, out);
  buffer.resize(out.Length());
  return {result, buffer};
}

Outcome Compress(const Bytes& input) {
  GLZWCompressor lzw;
  return CompressWith(lzw, input, input.size() * 2 + 64);
}

Outcome Expand(const Bytes& input, size_t capacity = 1 << 20) {
  GLZWCompressor lzw;
  return ExpandWith(lzw, input, capacity);
}

// A source that gives some bytes and then reports a read error.
class FailingSource : public GByteSource {
 public:
  explicit FailingSource(size_t good) : good_(good) {}
  bool Read(uint8_t& byte) override {
    ++reads;
    if (given_ >= good_) return false;
    byte = static_cast<uint8_t>(given_++);
    return true;
  }
  bool Failed() const override { return given_ >= good_; }
  int reads = 0;

 private:
  size_t good_;
  size_t given_ = 0;
};

// A sink that takes a fixed number of bytes and counts every attempt.
class CountingSink : public GByteSink {
 public:
  explicit CountingSink(size_t room) : room_(room) {}
  bool Write(uint8_t byte) override {
    ++writes;
    if (bytes.size() >= room_) return false;
    bytes.push_back(byte);
    return true;
  }
  bool Flush() override {
    ++flushes;
    return true;
  }
  Bytes bytes;
  int writes = 0;
  int flushes = 0;

 private:
  size_t room_;
};

// ---- GBitStream ----

TEST(GBitStreamTest, WritesMostSignificantBitFirstAndPadsTheLastByteWithZeros) {
  CountingSink sink(16);
  GBitStream bits(&sink);
  EXPECT_EQ(bits.PutBits(0b101, 3), 1);
  EXPECT_EQ(bits.PutBit(1), 1);
  EXPECT_EQ(bits.PutBits(0x1FF, 9), 1);
  EXPECT_EQ(bits.PutBits(0xFFFFFFFFu, 0), 1);
  EXPECT_EQ(bits.Flush(), 1);
  EXPECT_EQ(sink.bytes, (Bytes{0xBF, 0xF8}));
  EXPECT_EQ(sink.flushes, 1);
  // The stream was let go: nothing more is written, a second flush is a no-op.
  EXPECT_EQ(bits.PutBit(1), 0);
  EXPECT_EQ(bits.Flush(), 1);
  EXPECT_EQ(sink.writes, 2);
}

TEST(GBitStreamTest, DestructorWritesThePartlyFilledByte) {
  CountingSink sink(16);
  {
    GBitStream bits(&sink);
    bits.PutBits(0x3, 2);
  }
  EXPECT_EQ(sink.bytes, (Bytes{0xC0}));
}

TEST(GBitStreamTest, ReadsBackValuesOfEveryWidth) {
  std::vector<std::pair<uint32_t, int>> values = {{1, 1}, {0, 1}, {0x155, 9}, {0x7FFF, 15}, {0, 0}, {0xDEADBEEF, 32}, {5, 3}};
  CountingSink sink(64);
  {
    GBitStream out(&sink);
    for (auto [v, n] : values) ASSERT_EQ(out.PutBits(v, n), 1);
  }
  GMemoryByteSource source(sink.bytes.data(), sink.bytes.size());
  GBitStream in(&source);
  for (auto [v, n] : values) {
    uint32_t got = 12345;
    ASSERT_EQ(in.GetBits(got, n), 1);
    EXPECT_EQ(got, v) << n << " bits";
  }
}

TEST(GBitStreamTest, EndOfInputClearsOkAndLaterReadsDoNotTouchTheStream) {
  FailingSource source(1);
  GBitStream in(&source);
  uint32_t value = 0;
  ASSERT_EQ(in.GetBits(value, 8), 1);
  EXPECT_EQ(value, 0u);
  int bit = 0;
  EXPECT_EQ(in.GetBit(bit), 0);
  const int reads = source.reads;
  EXPECT_EQ(in.GetBits(value, 3), 0);
  EXPECT_EQ(in.GetBit(bit), 0);
  EXPECT_EQ(source.reads, reads);
}

TEST(GBitStreamTest, FailedWriteClearsOkAndLaterCallsDoNotTouchTheStream) {
  CountingSink sink(1);
  GBitStream bits(&sink);
  EXPECT_EQ(bits.PutBits(0xFFFF, 16), 0);
  EXPECT_EQ(sink.writes, 2);
  EXPECT_EQ(bits.PutBit(1), 0);
  EXPECT_EQ(bits.PutBits(0xFF, 8), 0);
  EXPECT_EQ(bits.Flush(), 0);
  EXPECT_EQ(sink.writes, 2);
  EXPECT_EQ(sink.flushes, 0);
}

TEST(GBitStreamTest, CallsOfTheOtherDirectionOrBadCountsAnswerZero) {
  CountingSink sink(4);
  GBitStream writer(&sink);
  uint32_t value = 0;
  int bit = 0;
  EXPECT_EQ(writer.GetBits(value, 1), 0);
  EXPECT_EQ(writer.GetBit(bit), 0);
  EXPECT_EQ(writer.PutBits(1, 33), 0);
  EXPECT_EQ(writer.PutBits(1, -1), 0);

  const uint8_t data[] = {0xFF};
  GMemoryByteSource source(data, 1);
  GBitStream reader(&source);
  EXPECT_EQ(reader.PutBits(1, 1), 0);
  EXPECT_EQ(reader.PutBit(1), 0);
  EXPECT_EQ(reader.GetBits(value, 33), 0);
  EXPECT_EQ(reader.Flush(), 1);  // no output stream: nothing to flush
}

// ---- Encoded form ----

TEST(GLZWCompressorTest, SevenByteInputCodesAsComputedByHand) {
  // A B A B A B A -> 65, 66, 259 (AB), 261 (ABA, one past the decoder's
  // dictionary), 256, each 9 bits, then 3 zero bits of padding.
  const Bytes golden = {0x20, 0x90, 0xA0, 0x70, 0x58, 0x00};
  EXPECT_EQ(golden, PackCodes({{65, 9}, {66, 9}, {259, 9}, {261, 9}, {256, 9}}));

  Outcome packed = Compress(FromText("ABABABA"));
  EXPECT_EQ(packed.result, 1);
  EXPECT_EQ(packed.output, golden);

  Outcome unpacked = Expand(golden);
  EXPECT_EQ(unpacked.result, 1);
  EXPECT_EQ(unpacked.output, FromText("ABABABA"));
}

TEST(GLZWCompressorTest, EmptyInputCodesAsTwoEndCodesAndExpandsToNothing) {
  Outcome packed = Compress({});
  EXPECT_EQ(packed.result, 1);
  EXPECT_EQ(packed.output, (Bytes{0x80, 0x40, 0x00}));
  Outcome unpacked = Expand(packed.output);
  EXPECT_EQ(unpacked.result, 1);
  EXPECT_TRUE(unpacked.output.empty());
}

TEST(GLZWCompressorTest, WidensToTenBitsWhenCode512WouldBeNext) {
  // Bytes 0..255 make one new entry per pair: entry 511 is made while code
  // 252 is written, so 257 follows at 9 bits and the rest is at 10 bits.
  Bytes input(256);
  for (int i = 0; i < 256; ++i) input[i] = static_cast<uint8_t>(i);
  std::vector<std::pair<int, int>> codes;
  for (int i = 0; i <= 252; ++i) codes.push_back({i, 9});
  codes.push_back({257, 9});
  for (int i = 253; i <= 255; ++i) codes.push_back({i, 10});
  codes.push_back({256, 10});

  Outcome packed = Compress(input);
  EXPECT_EQ(packed.result, 1);
  EXPECT_EQ(packed.output, PackCodes(codes));
  Outcome unpacked = Expand(packed.output);
  EXPECT_EQ(unpacked.result, 1);
  EXPECT_EQ(unpacked.output, input);
}

// ---- Round trips ----

struct RoundTripCase {
  const char* name;
  Bytes input;
};

Bytes Repeat(uint8_t byte, size_t n) { return Bytes(n, byte); }

Bytes Pattern(size_t n) {
  Bytes out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>("settings"[i % 8] + (i / 4096) % 3);
  return out;
}

TEST(GLZWCompressorTest, RoundTripsRepresentativeInputsWithOneCoder) {
  const std::vector<RoundTripCase> cases = {
      {"empty", {}},
      {"one byte", {0x00}},
      {"one high byte", {0xFF}},
      {"two equal bytes", {7, 7}},
      {"short run", Repeat('x', 300)},
      {"long run", Repeat(0, 100000)},
      {"text-like pattern", Pattern(50000)},
      {"random 17", RandomBytes(17, 1)},
      {"random 1000", RandomBytes(1000, 2)},
      {"random 4096", RandomBytes(4096, 3)},
      {"random 70000", RandomBytes(70000, 4)},
      {"random 300000", RandomBytes(300000, 5)},
  };
  // One coder for every case: each run must start from a fresh dictionary.
  GLZWCompressor lzw;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome packed = CompressWith(lzw, c.input, c.input.size() * 2 + 64);
    ASSERT_EQ(packed.result, 1);
    Outcome unpacked = ExpandWith(lzw, packed.output, c.input.size() + 1);
    ASSERT_EQ(unpacked.result, 1);
    EXPECT_EQ(unpacked.output, c.input);
  }
}

TEST(GLZWCompressorTest, LongInputWidensToFifteenBitsFlushesAndDecodingContinues) {
  const Bytes input = RandomBytes(200000, 6);
  Outcome packed = Compress(input);
  ASSERT_EQ(packed.result, 1);

  const std::vector<int> codes = ReadCodes(packed.output);
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.back(), 256);
  // Every block that ends in a flush has gone through all widths, 9 to 15.
  int flushes = 0, widensInBlock = 0;
  for (int code : codes) {
    EXPECT_LE(code, 0x7FFF);
    if (code == 257) ++widensInBlock;
    if (code == 258) {
      ++flushes;
      EXPECT_EQ(widensInBlock, 6);
      widensInBlock = 0;
    }
  }
  EXPECT_GE(flushes, 2);

  Outcome unpacked = Expand(packed.output, input.size());
  EXPECT_EQ(unpacked.result, 1);
  EXPECT_EQ(unpacked.output, input);
}

// ---- Failures ----

TEST(GLZWCompressorTest, CompressFailsWhenTheOutputRefusesAByte) {
  const Bytes input = RandomBytes(1000, 7);
  GLZWCompressor lzw;
  Outcome full = CompressWith(lzw, input, 4096);
  ASSERT_EQ(full.result, 1);
  for (size_t room : {size_t{0}, size_t{1}, full.output.size() / 2, full.output.size() - 1}) {
    Outcome cut = CompressWith(lzw, input, room);
    EXPECT_EQ(cut.result, 0) << room;
    EXPECT_EQ(cut.output, Bytes(full.output.begin(), full.output.begin() + room)) << room;
  }
}

TEST(GLZWCompressorTest, CompressFailsOnAReadErrorInsteadOfCodingATruncatedInput) {
  GLZWCompressor lzw;
  FailingSource source(100);
  Bytes buffer(1024);
  GMemoryByteSink sink(buffer.data(), buffer.size());
  EXPECT_EQ(lzw.Compress(source, sink), 0);
}

struct HostileCase {
  const char* name;
  std::vector<std::pair<int, int>> codes;
  int result;
  std::string output;
};

std::vector<std::pair<int, int>> Widens(std::vector<std::pair<int, int>> codes, int from, int to) {
  for (int w = from; w < to; ++w) codes.push_back({257, w});
  return codes;
}

TEST(GLZWCompressorTest, ExpandAnswersDamagedCodeStreamsCleanly) {
  const std::vector<HostileCase> cases = {
      {"empty input", {}, 0, ""},
      {"input ends before the end code", {{65, 9}, {66, 9}}, 0, "AB"},
      {"input ends inside a code", {{65, 9}, {1, 4}}, 0, "A"},
      {"block starts with widen", {{257, 9}, {256, 10}}, 0, ""},
      {"block starts with flush", {{258, 9}, {256, 9}}, 0, ""},
      {"block starts with a dictionary code", {{259, 9}, {256, 9}}, 0, ""},
      {"block starts with a code above the dictionary", {{511, 9}, {256, 9}}, 0, ""},
      {"code one above the next free code", {{65, 9}, {260, 9}, {256, 9}}, 0, "A"},
      {"code far above the next free code", {{65, 9}, {66, 9}, {400, 9}, {256, 9}}, 0, "AB"},
      {"code above the next free code after a flush", {{65, 9}, {66, 9}, {67, 9}, {258, 9}, {68, 9}, {260, 9}}, 0, "ABCD"},
      {"code equal to the next free code", {{65, 9}, {259, 9}, {256, 9}}, 1, "AAA"},
      {"flush restarts at 9 bits", {{65, 9}, {257, 9}, {258, 10}, {66, 9}, {256, 9}}, 1, "AB"},
      {"widen to 15 bits", Widens({{65, 9}}, 9, 15), 0, "A"},
      {"widened to 15 bits then ended", [] {
         auto c = Widens({{65, 9}}, 9, 15);
         c.push_back({256, 15});
         return c;
       }(), 1, "A"},
      {"widen past 15 bits", [] {
         auto c = Widens({{65, 9}}, 9, 16);
         c.push_back({256, 16});
         return c;
       }(), 0, "A"},
  };
  GLZWCompressor lzw;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome run = ExpandWith(lzw, PackCodes(c.codes), 1024);
    EXPECT_EQ(run.result, c.result);
    EXPECT_EQ(run.output, FromText(c.output));
  }
}

TEST(GLZWCompressorTest, ExpandFailsWhenTheNextFreeCodeWouldReach0x8000) {
  // Without a flush every code after the first of a block adds an entry.
  // 32508 of them fill the codes 259..0x7FFE, all the decoder ever needs.
  const int fill = 0x7FFF - 259;
  std::vector<std::pair<int, int>> codes(1 + fill, {'a', 9});
  codes.push_back({256, 9});
  Outcome full = Expand(PackCodes(codes));
  EXPECT_EQ(full.result, 1);
  EXPECT_EQ(full.output, Repeat('a', 1 + fill));

  // One more would need code 0x7FFF, making the next free code 0x8000.
  codes.back() = {'a', 9};
  codes.push_back({256, 9});
  Outcome over = Expand(PackCodes(codes));
  EXPECT_EQ(over.result, 0);
  EXPECT_EQ(over.output, Repeat('a', 1 + fill));
}

TEST(GLZWCompressorTest, ExpandNeverWritesMoreThanTheOutputAllows) {
  const Bytes input = Repeat('z', 5000);  // long strings per code
  Outcome packed = Compress(input);
  ASSERT_EQ(packed.result, 1);
  for (size_t room : {size_t{0}, size_t{1}, size_t{100}, size_t{4999}}) {
    Outcome cut = Expand(packed.output, room);
    EXPECT_EQ(cut.result, 0) << room;
    EXPECT_EQ(cut.output, Repeat('z', room)) << room;
  }
  EXPECT_EQ(Expand(packed.output, 5000).result, 1);
}

TEST(GLZWCompressorTest, ExpandFailsOnEveryTruncationOfAValidStream) {
  const Bytes input = RandomBytes(3000, 8);
  Outcome packed = Compress(input);
  ASSERT_EQ(packed.result, 1);
  GLZWCompressor lzw;
  for (size_t length = 0; length < packed.output.size(); length += (length + 8 < packed.output.size() ? 7 : 1)) {
    Outcome cut = ExpandWith(lzw, Bytes(packed.output.begin(), packed.output.begin() + length), input.size());
    EXPECT_EQ(cut.result, 0) << length;
    // What was decoded so far is a prefix of the input.
    EXPECT_EQ(cut.output, Bytes(input.begin(), input.begin() + cut.output.size())) << length;
  }
}

TEST(GLZWCompressorTest, ExpandOfGarbageEndsCleanly) {
  GLZWCompressor lzw;
  for (uint32_t seed = 0; seed < 200; ++seed) {
    Outcome run = ExpandWith(lzw, RandomBytes(64 + seed * 13, 1000 + seed), 1 << 16);
    EXPECT_LE(run.output.size(), size_t{1} << 16);
  }
}

}  // namespace
