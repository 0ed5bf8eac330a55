// The row encoders, judged by decoders written here from the printer
// languages' published definitions of each method (packed bits, delta row,
// adaptive blocks) and by libjpeg for JPEG: every encoded row of 1-, 8- and
// 24-bit images, odd widths, blank, black and noise rows decodes back to
// the rows the pipeline delivers without an encoder.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <jpeglib.h>

#include "graphics/GJpegRowEncoder.h"
#include "graphics/GRasterPipelineBuilder.h"
#include "graphics/GRectangleStage.h"
#include "graphics/GRowEncoder.h"
#include "support/RasterTestSupport.h"

namespace {

using rastertest::Bytes;
using rastertest::Delivered;
using rastertest::MakeBitmap;
using rastertest::Noise;
using rastertest::ReadAll;
using rastertest::RowsSource;

// ---- Independent decoders ----

// Packed bits: a control byte 0 to 127 is followed by that many plus one
// literal bytes; 129 to 255 (-127 to -1) by one byte repeated 1 - control
// times; 128 is a no-op. False when the data ends inside a run.
bool DecodePackBits(const Bytes& in, size_t from, size_t count, Bytes& out) {
  const size_t end = from + count;
  size_t i = from;
  while (i < end) {
    const int8_t control = static_cast<int8_t>(in[i++]);
    if (control >= 0) {
      const size_t n = static_cast<size_t>(control) + 1;
      if (i + n > end) return false;
      out.insert(out.end(), in.begin() + static_cast<long>(i), in.begin() + static_cast<long>(i + n));
      i += n;
    } else if (control != -128) {
      if (i >= end) return false;
      out.insert(out.end(), static_cast<size_t>(1 - control), in[i++]);
    }
  }
  return true;
}

// Delta row: each command byte holds the count of bytes to replace, less
// one, in its upper three bits and an offset in its lower five, counted
// from the byte after the last one replaced; an offset of 31 continues in
// the following bytes, which are added while they are 255. The row starts
// as the seed row; bytes beyond its width are dropped.
bool DecodeDelta(const Bytes& in, size_t from, size_t count, Bytes& seed) {
  const size_t end = from + count;
  size_t i = from;
  size_t position = 0;
  while (i < end) {
    const uint8_t command = in[i++];
    const size_t n = (command >> 5) + 1u;
    size_t offset = command & 31u;
    if (offset == 31) {
      uint8_t more = 255;
      while (more == 255) {
        if (i >= end) return false;
        more = in[i++];
        offset += more;
      }
    }
    position += offset;
    if (i + n > end) return false;
    for (size_t k = 0; k < n; ++k, ++position)
      if (position < seed.size()) seed[position] = in[i + k];
    i += n;
  }
  return true;
}

// Adaptive blocks: a method byte and a count, most significant byte first;
// methods 0 (uncompressed), 1 (run length pairs, unused here), 2 (packed
// bits) and 3 (delta row) carry count bytes for one row; 4 gives count
// empty rows; 5 repeats the last row count times. A row shorter than the
// width is filled with zeros; each row becomes the seed of the next.
bool DecodeAdaptive(const Bytes& in, size_t width, Bytes& seed, std::vector<Bytes>& rows) {
  size_t i = 0;
  while (i < in.size()) {
    if (i + 3 > in.size()) return false;
    const uint8_t method = in[i];
    const size_t count = (static_cast<size_t>(in[i + 1]) << 8) | in[i + 2];
    i += 3;
    Bytes row;
    switch (method) {
      case 0:
      case 2:
        if (i + count > in.size()) return false;
        if (method == 0) {
          row.assign(in.begin() + static_cast<long>(i), in.begin() + static_cast<long>(i + count));
        } else if (!DecodePackBits(in, i, count, row)) {
          return false;
        }
        row.resize(width, 0);
        i += count;
        seed = row;
        rows.push_back(row);
        break;
      case 3:
        if (i + count > in.size()) return false;
        if (!DecodeDelta(in, i, count, seed)) return false;
        i += count;
        rows.push_back(seed);
        break;
      case 4:
        seed.assign(width, 0);
        for (size_t k = 0; k < count; ++k) rows.push_back(seed);
        break;
      case 5:
        for (size_t k = 0; k < count; ++k) rows.push_back(seed);
        break;
      default:
        return false;
    }
  }
  return true;
}

// ---- Images ----

enum class Content { kWhite, kBlack, kNoise, kOffice };

struct Image {
  uint8_t bits;
  int16_t width;
  int16_t height;
  Content content;
};

// Rows of the image: all 0x00 or all 0xFF, noise, or a mix of blank rows,
// text-like rows (short marks) and rows close to the one before.
Bytes ImageData(const Image& image, uint32_t seed) {
  const size_t rowBytes = (static_cast<size_t>(image.bits) * image.width + 7) / 8;
  Bytes data(rowBytes * image.height, 0);
  Noise noise(seed);
  for (int16_t y = 0; y < image.height; ++y) {
    uint8_t* row = data.data() + rowBytes * y;
    switch (image.content) {
      case Content::kWhite:
        std::memset(row, 0xFF, rowBytes);
        break;
      case Content::kBlack:
        break;
      case Content::kNoise:
        for (size_t x = 0; x < rowBytes; ++x) row[x] = noise.Next();
        break;
      case Content::kOffice:
        if (y % 5 == 0) break;  // blank
        if (y > 0 && y % 5 != 1) {
          std::memcpy(row, row - rowBytes, rowBytes);
          row[noise.Next() % rowBytes] ^= noise.Next();
          break;
        }
        for (size_t x = 0; x < rowBytes; ++x) row[x] = (noise.Next() % 7 == 0) ? noise.Next() : 0xFF;
        break;
    }
  }
  return data;
}

// The rows the pipeline delivers without an encoder, and with one.
std::vector<Delivered> Rows(const GBitmap& bitmap, int16_t width, int16_t height, GRowEncoder* encoder) {
  GRect source(0, 0, width, height);
  GRasterPipelineBuilder builder(GRect(0, 0, width, height), &source, nullptr, bitmap, kBitmapRowColor, 0, nullptr, encoder,
                                 0, LuminanceGray);
  return ReadAll(builder, static_cast<size_t>(height));
}

std::vector<Image> Images() {
  std::vector<Image> images;
  for (uint8_t bits : {1, 8, 24})
    for (int16_t width : {1, 7, 13, 200, 301})
      for (Content content : {Content::kWhite, Content::kBlack, Content::kNoise, Content::kOffice})
        images.push_back({bits, width, 9, content});
  return images;
}

std::string Describe(const Image& image) {
  return std::to_string(image.bits) + "-bit, width " + std::to_string(image.width) + ", content " +
         std::to_string(static_cast<int>(image.content));
}

Bytes Padded(Bytes row, size_t alignment, bool invert) {
  if (invert)
    for (auto& b : row) b = static_cast<uint8_t>(~b);
  while (row.size() % alignment != 0) row.push_back(0);
  return row;
}

TEST(RowEncoderRoundTrip, RunLengthRowsDecodeToThePipelineRows) {
  uint32_t seed = 1;
  for (const Image& image : Images()) {
    for (uint16_t alignment : {1, 4}) {
      for (int32_t invert : {0, 1}) {
        SCOPED_TRACE(Describe(image) + ", alignment " + std::to_string(alignment) + ", invert " +
                     std::to_string(invert));
        const GBitmap bitmap = MakeBitmap(image.bits, image.width, image.height, ImageData(image, seed++));
        const auto plain = Rows(bitmap, image.width, image.height, nullptr);
        const auto encoded = Rows(bitmap, image.width, image.height, new GRunLengthRowEncoder(alignment, invert));
        ASSERT_EQ(plain.size(), static_cast<size_t>(image.height));
        ASSERT_EQ(encoded.size(), plain.size());
        for (size_t y = 0; y < plain.size(); ++y) {
          Bytes decoded;
          ASSERT_TRUE(DecodePackBits(encoded[y].bytes, 0, encoded[y].bytes.size(), decoded));
          EXPECT_EQ(decoded, Padded(plain[y].bytes, alignment, invert != 0)) << "row " << y;
          EXPECT_EQ(encoded[y].row, plain[y].row);
        }
      }
    }
  }
}

TEST(RowEncoderRoundTrip, DeltaRowsDecodeToThePipelineRows) {
  uint32_t seed = 100;
  for (const Image& image : Images()) {
    for (int32_t prefix : {0, 1}) {
      for (int32_t invert : {0, 1}) {
        SCOPED_TRACE(Describe(image) + ", prefix " + std::to_string(prefix) + ", invert " + std::to_string(invert));
        const GBitmap bitmap = MakeBitmap(image.bits, image.width, image.height, ImageData(image, seed++));
        const auto plain = Rows(bitmap, image.width, image.height, nullptr);
        const auto encoded = Rows(bitmap, image.width, image.height, new GDeltaRowEncoder(1, invert, prefix));
        ASSERT_EQ(encoded.size(), plain.size());
        // The printer's seed row holds what it received (the complemented
        // bytes when inverting) and starts as zeros.
        Bytes seedRow(plain[0].bytes.size(), 0x00);
        for (size_t y = 0; y < plain.size(); ++y) {
          const Bytes& e = encoded[y].bytes;
          size_t from = 0;
          if (prefix != 0) {
            ASSERT_GE(e.size(), 2u);
            EXPECT_EQ(static_cast<size_t>(e[0] | (e[1] << 8)), e.size() - 2) << "row " << y;
            from = 2;
          }
          ASSERT_TRUE(DecodeDelta(e, from, e.size() - from, seedRow));
          EXPECT_EQ(seedRow, Padded(plain[y].bytes, 1, invert != 0)) << "row " << y;
        }
      }
    }
  }
}

TEST(RowEncoderRoundTrip, AdaptiveBlocksDecodeToThePipelineRows) {
  uint32_t seed = 200;
  for (const Image& image : Images()) {
    for (int32_t invert : {0, 1}) {
      SCOPED_TRACE(Describe(image) + ", invert " + std::to_string(invert));
      const GBitmap bitmap = MakeBitmap(image.bits, image.width, image.height, ImageData(image, seed++));
      const auto plain = Rows(bitmap, image.width, image.height, nullptr);
      const auto encoded = Rows(bitmap, image.width, image.height, new GAdaptiveRowEncoder(1, invert));
      ASSERT_EQ(encoded.size(), plain.size());
      Bytes stream;
      for (const auto& row : encoded) stream.insert(stream.end(), row.bytes.begin(), row.bytes.end());
      const size_t width = plain[0].bytes.size();
      Bytes seedRow(width, 0x00);
      std::vector<Bytes> decoded;
      ASSERT_TRUE(DecodeAdaptive(stream, width, seedRow, decoded));
      ASSERT_EQ(decoded.size(), plain.size());
      for (size_t y = 0; y < plain.size(); ++y)
        EXPECT_EQ(decoded[y], Padded(plain[y].bytes, 1, invert != 0)) << "row " << y;
    }
  }
}

TEST(RowEncoderRoundTrip, UncompressedRowsArePaddedAndComplemented) {
  const Image image{8, 13, 5, Content::kNoise};
  const GBitmap bitmap = MakeBitmap(image.bits, image.width, image.height, ImageData(image, 7));
  const auto plain = Rows(bitmap, image.width, image.height, nullptr);
  for (uint16_t alignment : {1, 2, 4, 8}) {
    for (int32_t invert : {0, 1}) {
      const auto encoded =
          Rows(bitmap, image.width, image.height, new GUncompressedRowEncoder(alignment, invert));
      ASSERT_EQ(encoded.size(), plain.size());
      for (size_t y = 0; y < plain.size(); ++y)
        EXPECT_EQ(encoded[y].bytes, Padded(plain[y].bytes, alignment, invert != 0));
    }
  }
}

// ---- Worked examples ----

struct EncoderCase {
  const char* name;
  int kind;  // 0 uncompressed, 1 run length, 2 delta, 3 delta with prefix
  uint16_t alignment;
  int32_t invert;
  std::vector<Bytes> rows;  // one byte per pixel, 8-bit rows
  Bytes expectedLast;       // the last row's encoding
};

TEST(RowEncoderExamples, EncodeAsTheMethodsDefine) {
  Bytes seven128(128, 7);
  Bytes seven129(129, 7);
  Bytes fortyOne(41, 0);
  fortyOne[40] = 9;
  Bytes ten = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::vector<EncoderCase> cases = {
      {"rle zeros", 1, 1, 0, {{0, 0, 0, 0}}, {0xFD, 0x00}},
      {"rle literal", 1, 1, 0, {{1, 2, 3}}, {0x02, 1, 2, 3}},
      {"rle literal then repeat", 1, 1, 0, {{1, 2, 2, 2}}, {0x00, 1, 0xFE, 2}},
      {"rle 128 equal", 1, 1, 0, {seven128}, {0x81, 7}},
      {"rle 129 equal", 1, 1, 0, {seven129}, {0x81, 7, 0x00, 7}},
      {"rle padded", 1, 4, 0, {{1, 1, 1}}, {0xFE, 1, 0x00, 0x00}},
      {"rle pair kept in literal", 1, 1, 0, {{1, 2, 2, 3}}, {0x03, 1, 2, 2, 3}},
      {"delta one change", 2, 1, 0, {{0, 5, 0, 0}}, {0x01, 5}},
      {"delta long offset", 2, 1, 0, {fortyOne}, {0x1F, 9, 9}},
      {"delta prefix", 3, 1, 0, {{0, 0, 0, 0}, {0, 4, 0, 0}}, {0x02, 0x00, 0x01, 4}},
      {"delta ten changed", 2, 1, 0, {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
       {0xE0, 1, 2, 3, 4, 5, 6, 7, 8, 0x20, 9, 10}},
      {"delta unchanged row", 2, 1, 0, {{1, 2}, {1, 2}}, {}},
      {"uncompressed inverted", 0, 4, 1, {{0x00, 0xFF, 0x0F}}, {0xFF, 0x00, 0xF0, 0x00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto* source = new RowsSource(8, static_cast<int16_t>(c.rows[0].size()), c.rows);
    GRowEncoder* encoder = nullptr;
    switch (c.kind) {
      case 0:
        encoder = new GUncompressedRowEncoder(c.alignment, c.invert);
        break;
      case 1:
        encoder = new GRunLengthRowEncoder(c.alignment, c.invert);
        break;
      default:
        encoder = new GDeltaRowEncoder(c.alignment, c.invert, c.kind == 3 ? 1 : 0);
        break;
    }
    GRasterPipelineBuilder builder(source, nullptr, nullptr, nullptr, nullptr, encoder);
    std::vector<Bytes> got;
    for (size_t i = 0; i < c.rows.size(); ++i) {
      Bytes buffer(builder.GetRowBytes() + 1, 0xEE);
      int16_t row = 0;
      uint32_t length = 0;
      uint8_t repeat = 1;
      uint8_t covered = 1;
      builder.ReadRow(buffer.data(), row, length, repeat, covered);
      ASSERT_LE(length, builder.GetRowBytes());
      got.emplace_back(buffer.begin(), buffer.begin() + length);
    }
    EXPECT_EQ(got.back(), c.expectedLast);
  }
}

// The encoded rows never exceed the size the encoder reports, whatever the
// content, width and alignment: ReadAll reads into a buffer of exactly that
// size.
TEST(RowEncoderBounds, EncodedRowsFitTheReportedRowBytes) {
  Noise noise(3);
  for (int kind = 0; kind < 4; ++kind) {
    for (uint16_t alignment : {1, 3, 8, 200}) {
      for (int16_t width : {1, 2, 3, 5, 127, 128, 129, 255, 256, 1000}) {
        std::vector<Bytes> rows;
        for (int r = 0; r < 12; ++r) {
          Bytes row(static_cast<size_t>(width));
          for (size_t x = 0; x < row.size(); ++x) {
            // Alternating pairs and triples: the worst cases of both methods.
            switch (r % 4) {
              case 0: row[x] = noise.Next(); break;
              case 1: row[x] = static_cast<uint8_t>((x / 2) % 2 == 0 ? 0xAA : noise.Next()); break;
              case 2: row[x] = static_cast<uint8_t>(x % 3 == 0 ? noise.Next() : 0x55); break;
              default: row[x] = static_cast<uint8_t>(x % 2 == 0 ? noise.Next() : 0); break;
            }
          }
          rows.push_back(row);
        }
        GRowEncoder* encoder = nullptr;
        switch (kind) {
          case 0: encoder = new GRunLengthRowEncoder(alignment, 1); break;
          case 1: encoder = new GDeltaRowEncoder(alignment, 1, 1); break;
          case 2: encoder = new GAdaptiveRowEncoder(alignment, 1); break;
          default: encoder = new GUncompressedRowEncoder(alignment, 1); break;
        }
        GRasterPipelineBuilder builder(new RowsSource(8, width, rows), nullptr, nullptr, nullptr, nullptr, encoder);
        const auto encoded = ReadAll(builder, rows.size());
        for (const auto& e : encoded) ASSERT_LE(e.bytes.size(), builder.GetRowBytes());
      }
    }
  }
}

TEST(AdaptiveRowEncoder, ChoosesTheMethodPerRowAndFoldsRepeatedRows) {
  // Twelve bytes without two equal neighbours: an uncompressed block.
  const Bytes distinct = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  {
    GRasterPipelineBuilder builder(new RowsSource(8, 12, {distinct}), nullptr, nullptr, nullptr, nullptr,
                                   new GAdaptiveRowEncoder(1, 0));
    const auto rows = ReadAll(builder);
    ASSERT_EQ(rows.size(), 1u);
    Bytes expected = {0x00, 0x00, 0x0C};
    expected.insert(expected.end(), distinct.begin(), distinct.end());
    EXPECT_EQ(rows[0].bytes, expected);
  }
  // A row the source repeats 4 times: its block and a duplicate block of 3.
  {
    GRasterPipelineBuilder builder(new RowsSource(8, 12, {distinct}, {4}), nullptr, nullptr, nullptr, nullptr,
                                   new GAdaptiveRowEncoder(1, 0));
    const auto rows = ReadAll(builder);
    ASSERT_EQ(rows.size(), 1u);
    const Bytes& b = rows[0].bytes;
    ASSERT_EQ(b.size(), 3u + 12u + 3u);
    EXPECT_EQ(Bytes(b.end() - 3, b.end()), (Bytes{0x05, 0x00, 0x03}));
    EXPECT_EQ(rows[0].repeat, 1);
    EXPECT_EQ(rows[0].rowsCovered, 4);
  }
  // Same row twice: the second is a delta block with nothing changed;
  // a flat row is packed bits.
  {
    const Bytes flat(12, 0x33);
    GRasterPipelineBuilder builder(new RowsSource(8, 12, {distinct, distinct, flat}), nullptr, nullptr, nullptr,
                                   nullptr, new GAdaptiveRowEncoder(1, 0));
    const auto rows = ReadAll(builder);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].bytes, (Bytes{0x03, 0x00, 0x00}));
    EXPECT_EQ(rows[2].bytes, (Bytes{0x02, 0x00, 0x02, 0xF5, 0x33}));
  }
}

TEST(AdaptiveRowEncoder, ResetSeedRowStartsTheNextImageFromZeros) {
  const Bytes row = {9, 9, 9, 9, 9, 9, 1, 2, 3, 4, 5, 6};
  auto* encoder = new GAdaptiveRowEncoder(1, 0);
  GRasterPipelineBuilder builder(new RowsSource(8, 12, {row, row}), nullptr, nullptr, nullptr, nullptr, encoder);
  Bytes buffer(builder.GetRowBytes());
  int16_t r = 0;
  uint32_t length = 0;
  uint8_t repeat = 1;
  uint8_t covered = 1;
  builder.ReadRow(buffer.data(), r, length, repeat, covered);
  const Bytes first(buffer.begin(), buffer.begin() + length);
  EXPECT_EQ(encoder->ResetSeedRow(), 0);
  builder.ReadRow(buffer.data(), r, length, repeat, covered);
  // Encoded as a first row again, not as "unchanged".
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + length), first);
}

// Rows of 90000 bytes (30000 24-bit pixels): more than a block's 16-bit
// length can carry in some methods. Bytes that step by 7 never equal their
// neighbour.
Bytes WideRow(size_t flatBytes, uint8_t flat, uint8_t flip) {
  Bytes row(90000, flat);
  for (size_t j = flatBytes; j < row.size(); ++j) row[j] = static_cast<uint8_t>((j * 7 + 1) ^ flip);
  if (row[flatBytes] == flat) row[flatBytes] ^= 0x40;
  return row;
}

Bytes DecodedWideRows(const std::vector<Delivered>& encoded, size_t rowCount) {
  Bytes stream;
  for (const Delivered& d : encoded) {
    // Every block length field holds the block's true length.
    size_t i = 0;
    while (i < d.bytes.size()) {
      const size_t count = (static_cast<size_t>(d.bytes[i + 1]) << 8) | d.bytes[i + 2];
      i += 3 + (d.bytes[i] == 5 || d.bytes[i] == 4 ? 0 : count);
    }
    EXPECT_EQ(i, d.bytes.size());
    stream.insert(stream.end(), d.bytes.begin(), d.bytes.end());
  }
  Bytes seed(90000, 0);
  std::vector<Bytes> rows;
  EXPECT_TRUE(DecodeAdaptive(stream, 90000, seed, rows));
  EXPECT_EQ(rows.size(), rowCount);
  Bytes all;
  for (const Bytes& r : rows) all.insert(all.end(), r.begin(), r.end());
  return all;
}

TEST(AdaptiveRowEncoder, ARowTooLongForItsMethodTakesAMethodWhoseBlockFits) {
  // First row: too few equal neighbours for packed bits to be chosen, so it
  // would go uncompressed (90000 bytes); packed bits fit.
  // Second row: the flat part is unchanged, so delta would be chosen, but
  // the 59500 changed bytes take more than 65535; packed bits fit.
  // Third row: the same again, an empty delta block.
  struct Case {
    const char* what;
    std::vector<Bytes> rows;
    std::vector<uint8_t> methods;
  } cases[] = {
      {"uncompressed too long", {WideRow(28000, 0x00, 0)}, {2}},
      {"delta too long", {WideRow(30500, 0x33, 0), WideRow(30500, 0x33, 0x80), WideRow(30500, 0x33, 0x80)},
       {2, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GRasterPipelineBuilder builder(new RowsSource(24, 30000, c.rows), nullptr, nullptr, nullptr, nullptr,
                                   new GAdaptiveRowEncoder(1, 0));
    const auto encoded = ReadAll(builder);
    ASSERT_EQ(encoded.size(), c.rows.size());
    for (size_t i = 0; i < encoded.size(); ++i) EXPECT_EQ(encoded[i].bytes[0], c.methods[i]) << "row " << i;
    Bytes expected;
    for (const Bytes& r : c.rows) expected.insert(expected.end(), r.begin(), r.end());
    EXPECT_TRUE(DecodedWideRows(encoded, c.rows.size()) == expected);
  }
}

TEST(AdaptiveRowEncoder, ARowThatFitsNoBlockIsRefusedWithAnError) {
  // Noise throughout: 90000 bytes uncompressed, more as packed bits or as a
  // delta from the row before.
  const Bytes fits = WideRow(28000, 0x00, 0);
  const Bytes noise = WideRow(0, 0x00, 0x80);
  auto* encoder = new GAdaptiveRowEncoder(1, 0);
  GRasterPipelineBuilder builder(new RowsSource(24, 30000, {fits, noise, fits}), nullptr, nullptr, nullptr, nullptr,
                                 encoder);
  Bytes buffer(builder.GetRowBytes());
  int16_t r = 0;
  uint32_t length = 0;
  uint8_t repeat = 1;
  uint8_t covered = 1;
  EXPECT_EQ(builder.ReadRow(buffer.data(), r, length, repeat, covered), 0);
  EXPECT_GT(length, 0u);
  EXPECT_EQ(builder.ReadRow(buffer.data(), r, length, repeat, covered), GAdaptiveRowEncoder::kRowTooLong);
  EXPECT_EQ(length, 0u);
  EXPECT_TRUE(encoder->Failed());
  // Later rows are refused too: the printer could not place them.
  EXPECT_EQ(builder.ReadRow(buffer.data(), r, length, repeat, covered), GAdaptiveRowEncoder::kRowTooLong);
  EXPECT_EQ(length, 0u);
  // The next image starts afresh.
  encoder->ResetSeedRow();
  EXPECT_FALSE(encoder->Failed());
  EXPECT_EQ(builder.ReadRow(buffer.data(), r, length, repeat, covered), 0);
  EXPECT_GT(length, 0u);
  EXPECT_EQ(buffer[0], 2);
}

// ---- JPEG ----

struct Decoded {
  bool ok = false;
  int width = 0;
  int height = 0;
  Bytes pixels;
};

struct DecodeError {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

Decoded DecodeJpeg(const uint8_t* data, size_t size) {
  Decoded out;
  jpeg_decompress_struct info{};
  DecodeError error{};
  info.err = jpeg_std_error(&error.pub);
  error.pub.error_exit = [](j_common_ptr i) { longjmp(reinterpret_cast<DecodeError*>(i->err)->jump, 1); };
  error.pub.output_message = [](j_common_ptr) {};
  if (setjmp(error.jump) != 0) {
    jpeg_destroy_decompress(&info);
    out.ok = false;
    return out;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  out.width = static_cast<int>(info.output_width);
  out.height = static_cast<int>(info.output_height);
  out.pixels.resize(static_cast<size_t>(out.width) * out.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.pixels.data() + static_cast<size_t>(info.output_scanline) * out.width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  out.ok = true;
  return out;
}

// A smooth colour image, width x height, 24-bit.
Bytes PhotoData(int16_t width, int16_t height) {
  Bytes data(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = data.data() + (static_cast<size_t>(y) * width + x) * 3;
      p[0] = static_cast<uint8_t>(x * 255 / std::max(1, width - 1));
      p[1] = static_cast<uint8_t>(y * 255 / std::max(1, height - 1));
      p[2] = static_cast<uint8_t>((p[0] + 2 * p[1]) / 3);
    }
  return data;
}

struct JpegRun {
  uint32_t length = 0;
  int16_t row = 0;
  Bytes block;
};

JpegRun CompressWithBuilder(GRasterPipelineBuilder& builder, uint32_t capacity) {
  JpegRun run;
  // The block is exactly the capacity: the sanitizer sees any write past it.
  std::unique_ptr<uint8_t[]> block(new uint8_t[capacity != 0 ? capacity : 1]);
  SetJpegOutput(block.get(), capacity);
  uint8_t repeat = 0;
  uint8_t covered = 0;
  builder.ReadRow(nullptr, run.row, run.length, repeat, covered);
  EXPECT_EQ(run.length, GetJpegTotal());
  run.block.assign(block.get(), block.get() + std::min(capacity, run.length));
  return run;
}

double MeanError(const Bytes& a, const Bytes& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i]));
  return a.empty() ? 0 : sum / static_cast<double>(a.size());
}

int MaxError(const Bytes& a, const Bytes& b) {
  int most = 0;
  for (size_t i = 0; i < a.size(); ++i) most = std::max(most, std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i])));
  return most;
}

TEST(JpegRowEncoder, OutputDecodesWithLibjpegWithinTheQualityTolerance) {
  for (int16_t width : {1, 17, 64, 203}) {
    for (int16_t height : {1, 9, 40}) {
      SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
      const GBitmap bitmap = MakeBitmap(24, width, height, PhotoData(width, height));
      Bytes data;
      for (const auto& row : Rows(bitmap, width, height, nullptr))
        data.insert(data.end(), row.bytes.begin(), row.bytes.end());
      GRect source(0, 0, width, height);
      GRasterPipelineBuilder builder(source, &source, nullptr, bitmap, kBitmapRowColor, 0, nullptr, new GJpegRowEncoder(1, 0),
                                     0, LuminanceGray);
      EXPECT_EQ(builder.GetPalette(), nullptr);
      const JpegRun run = CompressWithBuilder(builder, 65536 + 3u * width * height);
      ASSERT_GT(run.length, 0u);
      EXPECT_EQ(run.row, height);
      const Decoded decoded = DecodeJpeg(run.block.data(), run.block.size());
      ASSERT_TRUE(decoded.ok);
      EXPECT_EQ(decoded.width, width);
      EXPECT_EQ(decoded.height, height);
      // Quality 95 keeps a smooth image within a few levels (the steepest
      // gradients here are 32 levels a pixel, with chroma subsampled).
      EXPECT_LT(MeanError(decoded.pixels, data), 4.0);
      EXPECT_LT(MaxError(decoded.pixels, data), 32);
    }
  }
}

TEST(JpegRowEncoder, ABlockTooSmallFailsWithoutWritingPastIt) {
  // Noise compresses badly: it needs more than its own size at quality 95.
  const int16_t width = 16;
  const int16_t height = 16;
  Bytes data(static_cast<size_t>(width) * height * 3);
  Noise noise(9);
  for (auto& b : data) b = noise.Next();
  auto compress = [&](uint32_t capacity) {
    GRect source(0, 0, width, height);
    GRasterPipelineBuilder builder(source, &source, nullptr, MakeBitmap(24, width, height, data), kBitmapRowColor, 0,
                                   nullptr, new GJpegRowEncoder(1, 0), 0, LuminanceGray);
    return CompressWithBuilder(builder, capacity).length;
  };
  const uint32_t needed = compress(1 << 16);
  ASSERT_GT(needed, 3u * width * height);
  EXPECT_EQ(compress(needed), needed);
  for (uint32_t capacity : {0u, 100u, 3u * width * height, needed - 1}) {
    SCOPED_TRACE(capacity);
    EXPECT_EQ(compress(capacity), 0u);
    EXPECT_EQ(GetJpegTotal(), 0u);
  }
}

TEST(JpegRowEncoder, ASourceEndingEarlyIsAFailureNotAShortImage) {
  // The source's bounds claim 8 rows but only 3 come.
  std::vector<Bytes> rows(3, Bytes(30, 0x80));
  class ShortSource : public RowsSource {
   public:
    using RowsSource::RowsSource;
    void GetBounds(GRect& out) override { out = GRect(0, 0, 10, 8); }
  };
  GRasterPipelineBuilder builder(new ShortSource(24, 10, rows), nullptr, nullptr, nullptr, nullptr,
                                 new GJpegRowEncoder(1, 0));
  const JpegRun run = CompressWithBuilder(builder, 1 << 16);
  EXPECT_EQ(run.length, 0u);
  // Asked again, it reports the same failure instead of reopening.
  uint32_t length = 1;
  int16_t row = 0;
  uint8_t repeat = 0;
  uint8_t covered = 0;
  builder.ReadRow(nullptr, row, length, repeat, covered);
  EXPECT_EQ(length, 0u);
}

TEST(JpegRowEncoder, RowsRepeatedByTheScaleStageAreWrittenAsOftenAsRepeated) {
  const Bytes data = PhotoData(8, 3);
  auto* source = new GBitmapSource(kBitmapRowColor, GRect(0, 0, 8, 3), MakeBitmap(24, 8, 3, data));
  GRasterPipelineBuilder builder(source, new GScaleStage(GRect(0, 0, 8, 7)), nullptr, nullptr, nullptr,
                                 new GJpegRowEncoder(1, 0));
  const JpegRun run = CompressWithBuilder(builder, 1 << 16);
  ASSERT_GT(run.length, 0u);
  const Decoded decoded = DecodeJpeg(run.block.data(), run.block.size());
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(decoded.height, 7);
}

TEST(JpegRowEncoder, OtherDepthsAndMissingBlockFail) {
  GRasterPipelineBuilder gray(new RowsSource(8, 4, {Bytes(4, 1)}), nullptr, nullptr, nullptr, nullptr,
                              new GJpegRowEncoder(1, 0));
  EXPECT_EQ(CompressWithBuilder(gray, 1 << 16).length, 0u);

  GRasterPipelineBuilder colour(new RowsSource(24, 4, {Bytes(12, 1)}), nullptr, nullptr, nullptr, nullptr,
                                new GJpegRowEncoder(1, 0));
  uint32_t length = 1;
  int16_t row = 0;
  uint8_t repeat = 0;
  uint8_t covered = 0;
  SetJpegOutput(nullptr, 0);
  colour.ReadRow(nullptr, row, length, repeat, covered);
  EXPECT_EQ(length, 0u);
}

}  // namespace
