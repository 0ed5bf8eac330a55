// Tests of the zlib stream compressor: what it writes inflates with stock
// zlib and Python's zlib, what they deflate it reads, the content and room
// limits, and clean failures on damaged input.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <istream>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "model/GPersistInStream.h"
#include "model/GPersistOutStream.h"
#include "model/GStreamCompressor.h"
#include "rw/RWMemoryStreamBuf.h"
#include "support/PythonJudge.h"

namespace {

std::string StreamRandomBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string out(n, '\0');
  for (auto& c : out) c = static_cast<char>(gen());
  return out;
}

// Text-like settings bytes that compress well.
std::string SettingsLike(size_t n) {
  std::string out;
  for (size_t i = 0; out.size() < n; ++i) out += "feature " + std::to_string(i % 97) + " value " + std::to_string(i % 7) + ";";
  out.resize(n);
  return out;
}

// Stock zlib at the given level, one call.
std::string Deflate(const std::string& plain, int level) {
  uLongf length = compressBound(plain.size());
  std::string out(length, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(plain.data()),
                      plain.size(), level),
            Z_OK);
  out.resize(length);
  return out;
}

// Stock zlib's inflation of the bytes, or nullopt-like "failed" flag.
bool Inflate(const std::string& packed, size_t capacity, std::string* plain) {
  plain->assign(capacity == 0 ? 1 : capacity, '\0');
  uLongf length = capacity;
  int result = uncompress(reinterpret_cast<Bytef*>(plain->data()), &length,
                          reinterpret_cast<const Bytef*>(packed.data()), packed.size());
  plain->resize(result == Z_OK ? length : 0);
  return result == Z_OK;
}

// An input stream over a copy of the bytes.
struct MemoryIn {
  explicit MemoryIn(std::string bytes)
      : bytes(std::move(bytes)), buffer(RWMemoryStreamBuf::ForReading{}, this->bytes.data(), this->bytes.size()),
        stream(&buffer) {}
  std::string bytes;
  RWMemoryStreamBuf buffer;
  std::istream stream;
};

// An output stream over a block of fixed room, followed by guard bytes that
// must never change.
struct MemoryOut {
  static constexpr size_t kGuard = 16;
  static constexpr char kFill = '\x5A';
  explicit MemoryOut(size_t room)
      : block(room + kGuard, kFill), room(room), buffer(RWMemoryStreamBuf::ForWriting{}, block.data(), room),
        stream(&buffer) {}
  std::string Written() const { return block.substr(0, buffer.Size()); }
  bool Untouched() const { return block == std::string(room + kGuard, kFill); }
  bool GuardIntact() const { return block.substr(room) == std::string(kGuard, kFill); }
  std::string block;
  size_t room;
  RWMemoryStreamBuf buffer;
  std::ostream stream;
};

int CompressInto(const std::string& plain, MemoryOut& out) {
  MemoryIn in(plain);
  return GStreamCompressor().Compress(in.stream, out.stream);
}

int UncompressInto(const std::string& packed, MemoryOut& out) {
  MemoryIn in(packed);
  return GStreamCompressor().Uncompress(in.stream, out.stream);
}

TEST(GStreamCompressorTest, CompressedRepeatedCharacterInflatesWithStockZlib) {
  const std::string plain(500, 'x');
  MemoryOut out(902);
  ASSERT_EQ(CompressInto(plain, out), 1);
  const std::string packed = out.Written();
  EXPECT_LT(packed.size(), 40u);
  EXPECT_EQ(static_cast<size_t>(out.stream.tellp()), packed.size());
  EXPECT_TRUE(out.stream.good());
  EXPECT_TRUE(out.GuardIntact());
  // zlib format at the default level: 0x78 0x9C.
  EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x78);
  EXPECT_EQ(static_cast<unsigned char>(packed[1]), 0x9C);
  std::string inflated;
  ASSERT_TRUE(Inflate(packed, 500, &inflated));
  EXPECT_EQ(inflated, plain);
}

TEST(GStreamCompressorTest, CompressedSettingsInflateWithPythonZlib) {
  const std::string plain = SettingsLike(3000) + StreamRandomBytes(200, 7);
  MemoryOut out(902);
  ASSERT_EQ(CompressInto(plain, out), 1);
  std::string output;
  if (!qvtest::RunPython("import zlib\nprint(zlib.decompress(bytes.fromhex('" + qvtest::Hex(out.Written()) +
                             "')).hex())\n",
                         &output))
    GTEST_SKIP() << "python3 is not available";
  EXPECT_EQ(qvtest::Lines(output).at(0), qvtest::Hex(plain));
}

TEST(GStreamCompressorTest, ReadsWhatStockZlibDeflatesAtEveryLevel) {
  const std::string plain = SettingsLike(4000);
  for (int level = Z_NO_COMPRESSION; level <= Z_BEST_COMPRESSION; ++level) {
    SCOPED_TRACE(level);
    MemoryOut out(4096);
    ASSERT_EQ(UncompressInto(Deflate(plain, level), out), 1);
    EXPECT_EQ(out.Written(), plain);
    EXPECT_EQ(static_cast<size_t>(out.stream.tellp()), plain.size());
    EXPECT_TRUE(out.GuardIntact());
  }
}

TEST(GStreamCompressorTest, ReadsWhatPythonZlibDeflatesWithOtherSettings) {
  const std::string plain = SettingsLike(2500) + StreamRandomBytes(300, 3);
  // Levels, a small window, a small memory level and the other strategies,
  // with a flush in the middle of the stream.
  const std::string script =
      "import zlib\n"
      "data = bytes.fromhex('" + qvtest::Hex(plain) + "')\n"
      "for level, wbits, mem, strategy in [(1, 15, 8, 0), (9, 15, 9, 0), (6, 9, 1, 0), (6, 12, 8, 1),\n"
      "                                    (6, 15, 8, 2), (6, 15, 8, 3), (6, 15, 8, 4), (0, 15, 8, 0)]:\n"
      "    c = zlib.compressobj(level, zlib.DEFLATED, wbits, mem, strategy)\n"
      "    out = c.compress(data[:1000]) + c.flush(zlib.Z_FULL_FLUSH) + c.compress(data[1000:]) + c.flush()\n"
      "    print(out.hex())\n";
  std::string output;
  if (!qvtest::RunPython(script, &output)) GTEST_SKIP() << "python3 is not available";
  const auto lines = qvtest::Lines(output);
  ASSERT_EQ(lines.size(), 8u);
  for (const auto& hex : lines) {
    std::string packed;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) packed += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    MemoryOut out(4096);
    ASSERT_EQ(UncompressInto(packed, out), 1) << hex.substr(0, 16);
    EXPECT_EQ(out.Written(), plain);
  }
}

TEST(GStreamCompressorTest, IncompressibleInputLeavesTheOutputUntouched) {
  MemoryOut out(4096);
  EXPECT_EQ(CompressInto(StreamRandomBytes(2000, 11), out), 0);
  EXPECT_TRUE(out.Untouched());
  EXPECT_TRUE(out.stream.good());  // not a shortage of room
}

TEST(GStreamCompressorTest, EmptyInputDoesNotCompress) {
  MemoryOut out(64);
  EXPECT_EQ(CompressInto("", out), 0);
  EXPECT_TRUE(out.Untouched());
}

// The compressed form must fit the output's room exactly or less; one byte
// less room writes nothing and fails the output, so the caller knows.
TEST(GStreamCompressorTest, CompressNeverWritesPastTheRoom) {
  const std::string plain = SettingsLike(3000);
  const size_t needed = Deflate(plain, Z_DEFAULT_COMPRESSION).size();

  MemoryOut exact(needed);
  EXPECT_EQ(CompressInto(plain, exact), 1);
  EXPECT_EQ(exact.Written(), Deflate(plain, Z_DEFAULT_COMPRESSION));
  EXPECT_TRUE(exact.GuardIntact());

  for (size_t room : {needed - 1, size_t{10}, size_t{0}}) {
    SCOPED_TRACE(room);
    MemoryOut small(room);
    EXPECT_EQ(CompressInto(plain, small), 0);
    EXPECT_TRUE(small.Untouched());
    EXPECT_TRUE(small.stream.fail());
  }
}

TEST(GStreamCompressorTest, CompressWritesAtTheStartOfAnOutputThatHeldData) {
  const std::string plain(300, 'q');
  MemoryOut out(200);
  out.stream.write("old data", 8);
  ASSERT_EQ(CompressInto(plain, out), 1);
  const std::string packed = Deflate(plain, Z_DEFAULT_COMPRESSION);
  EXPECT_EQ(out.block.substr(0, packed.size()), packed);
  EXPECT_EQ(static_cast<size_t>(out.stream.tellp()), packed.size());
}

TEST(GStreamCompressorTest, AFailedStreamIsNotUsed) {
  MemoryOut failedOut(902);
  failedOut.stream.setstate(std::ios_base::failbit);
  EXPECT_EQ(CompressInto(std::string(500, 'x'), failedOut), 0);
  EXPECT_TRUE(failedOut.Untouched());

  const std::string plain(500, 'x');
  MemoryIn in(plain);
  in.stream.setstate(std::ios_base::failbit);
  MemoryOut out(902);
  EXPECT_EQ(GStreamCompressor().Compress(in.stream, out.stream), 0);
  EXPECT_EQ(GStreamCompressor().Uncompress(in.stream, out.stream), 0);
  EXPECT_TRUE(out.Untouched());
}

TEST(GStreamCompressorTest, ContentIsLimitedTo16000Bytes) {
  static_assert(GStreamCompressor::kMaxContent == 16000);
  for (size_t size : {size_t{16000}, size_t{16001}}) {
    SCOPED_TRACE(size);
    const std::string plain = SettingsLike(size);
    MemoryOut out(20000);
    const int result = UncompressInto(Deflate(plain, 6), out);
    if (size == 16000) {
      EXPECT_EQ(result, 1);
      EXPECT_EQ(out.Written(), plain);
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_TRUE(out.Untouched());
      EXPECT_TRUE(out.stream.good());  // the output had the room; the content is over the limit
    }
  }
}

// Content that does not fit the output's room is not written at all: the
// output fails and keeps what it held.
TEST(GStreamCompressorTest, UncompressNeverWritesPastTheRoom) {
  const std::string plain = SettingsLike(5000);
  const std::string packed = Deflate(plain, 6);

  MemoryOut exact(5000);
  EXPECT_EQ(UncompressInto(packed, exact), 1);
  EXPECT_EQ(exact.Written(), plain);
  EXPECT_TRUE(exact.GuardIntact());

  for (size_t room : {size_t{4999}, size_t{4096}, size_t{0}}) {
    SCOPED_TRACE(room);
    MemoryOut small(room);
    EXPECT_EQ(UncompressInto(packed, small), 0);
    EXPECT_TRUE(small.Untouched());
    EXPECT_TRUE(small.stream.fail());
  }
}

TEST(GStreamCompressorTest, EmptyContentNeedsNoRoom) {
  MemoryOut out(0);
  EXPECT_EQ(UncompressInto(Deflate("", 6), out), 1);
  EXPECT_TRUE(out.stream.good());
}

TEST(GStreamCompressorTest, DamagedInputFailsCleanly) {
  const std::string plain = SettingsLike(3000);
  const std::string good = Deflate(plain, 6);
  std::string flippedBody = good;
  flippedBody[good.size() / 2] ^= 0x55;
  std::string badChecksum = good;
  badChecksum[good.size() - 1] ^= 1;
  std::string badHeader = good;
  badHeader[1] ^= 1;  // header check bits no longer match
  std::string withDictionary = good;
  withDictionary[1] = 0;
  withDictionary[1] = static_cast<char>(0x20 | (31 - ((0x78 * 256 + 0x20) % 31)));  // FDICT set, check valid
  struct Case {
    const char* name;
    std::string packed;
  } cases[] = {
      {"empty", ""},
      {"header only", good.substr(0, 2)},
      {"truncated body", good.substr(0, good.size() / 2)},
      {"missing checksum", good.substr(0, good.size() - 4)},
      {"flipped body byte", flippedBody},
      {"bad checksum", badChecksum},
      {"bad header check", badHeader},
      {"preset dictionary", withDictionary},
      {"raw deflate", good.substr(2)},
      {"random", StreamRandomBytes(800, 5)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryOut out(4096);
    EXPECT_EQ(UncompressInto(c.packed, out), 0);
    EXPECT_TRUE(out.Untouched());
  }
}

// A deflate stream may carry any number of empty blocks; the packed input is
// bounded before it is read, whatever it would inflate to.
TEST(GStreamCompressorTest, PackedInputIsBoundedBeforeItIsRead) {
  auto paddedStream = [](size_t atLeast) {
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, 6), Z_OK);
    std::string out;
    unsigned char chunk[64];
    auto drain = [&](int flush) {
      do {
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        deflate(&z, flush);
        out.append(reinterpret_cast<char*>(chunk), sizeof chunk - z.avail_out);
      } while (z.avail_out == 0);
    };
    // One byte between flushes: each flush closes a block and adds an
    // empty stored one, so the stream grows some six times faster than its
    // content.
    char byte = 'a';
    while (out.size() < atLeast) {
      z.next_in = reinterpret_cast<Bytef*>(&byte);
      z.avail_in = 1;
      drain(Z_SYNC_FLUSH);
    }
    drain(Z_FINISH);
    deflateEnd(&z);
    EXPECT_LE(z.total_in, 16000u);
    return std::make_pair(out, std::string(z.total_in, 'a'));
  };
  const auto [within, withinContent] = paddedStream(GStreamCompressor::kMaxPacked - 64);
  const auto [over, overContent] = paddedStream(GStreamCompressor::kMaxPacked + 1);
  ASSERT_LE(within.size(), GStreamCompressor::kMaxPacked);
  ASSERT_GT(over.size(), GStreamCompressor::kMaxPacked);
  std::string inflated;
  ASSERT_TRUE(Inflate(over, 16000, &inflated));  // a valid stream all the same
  EXPECT_EQ(inflated, overContent);

  MemoryOut first(16000);
  EXPECT_EQ(UncompressInto(within, first), 1);
  EXPECT_EQ(first.Written(), withinContent);
  MemoryOut second(16000);
  EXPECT_EQ(UncompressInto(over, second), 0);
  EXPECT_TRUE(second.Untouched());
}

// The road of document settings into a DEVMODE's private area and back:
// serialised into a 4096-byte buffer through a holder, compressed into 902
// bytes of room, inflated into 4096 bytes and read back through a holder.
TEST(GStreamCompressorTest, SettingsSurviveTheRoundTripThroughHolders) {
  std::vector<char> serial(4096);
  GPersistOutStream writer(serial.data(), serial.size(), 1);
  for (uint32_t i = 0; i < 200; ++i) writer.GetStream()->PutULong(i % 13).PutString("Letter", 6);
  ASSERT_TRUE(writer.GetStream()->Good());
  const int written = writer.Tell();

  MemoryIn plain(std::string(serial.data(), static_cast<size_t>(written)));
  MemoryOut area(902);
  ASSERT_EQ(GStreamCompressor().Compress(plain.stream, area.stream), 1);

  MemoryIn packed(area.Written());
  MemoryOut restored(4096);
  ASSERT_EQ(GStreamCompressor().Uncompress(packed.stream, restored.stream), 1);
  ASSERT_EQ(restored.buffer.Size(), static_cast<size_t>(written));

  GPersistInStream reader(restored.block.data(), restored.buffer.Size(), 1);
  for (uint32_t i = 0; i < 200; ++i) {
    uint32_t value = 99;
    char text[16] = {};
    reader.GetStream()->GetULong(value).GetString(text, sizeof text);
    ASSERT_EQ(value, i % 13);
    ASSERT_STREQ(text, "Letter");
  }
  EXPECT_TRUE(reader.GetStream()->Good());
  EXPECT_EQ(reader.Tell(), written);
}

}  // namespace
