// The raster pipeline: what the builder links for each scaling mode, the
// bitmap source's conversion modes, the scale stage's row and pixel
// resampling, the dither stage's thresholds, on small images with known
// answers.
#include <gtest/gtest.h>

#include <string>

#include "graphics/GClip.h"
#include "graphics/GClipStage.h"
#include "graphics/GColor.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GDitherStage.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GRasterPipelineBuilder.h"
#include "graphics/GRectangleStage.h"
#include "graphics/GRowEncoder.h"
#include "support/RasterTestSupport.h"

namespace {

using rastertest::Bytes;
using rastertest::Delivered;
using rastertest::MakeBitmap;
using rastertest::ReadAll;
using rastertest::RowsSource;

template <typename T>
bool Is(GRasterSource* stage) {
  return dynamic_cast<T*>(stage) != nullptr;
}

// A 2 x 2 matrix: thresholds 64 128 / 192 255.
GDitherMatrix SmallMatrix() {
  const uint8_t thresholds[4] = {64, 128, 192, 255};
  return GDitherMatrix(2, 2, thresholds, 600, nullptr);
}

// ---- Builder ----

struct BuildCase {
  const char* name;
  int32_t scalingMode;
  uint8_t bits;
  int16_t destination;  // square side
  int32_t force;
  std::vector<std::string> stages;  // after the image source
};

std::string StageName(GRasterSource* stage) {
  if (Is<GBitmapSource>(stage)) return "source";
  if (Is<GScaleStage>(stage)) return "scale";
  if (Is<GPassThroughStage>(stage)) return "pass";
  if (Is<GDitherStage>(stage)) return "dither";
  if (Is<GRowEncoder>(stage)) return "encoder";
  return "?";
}

TEST(RasterPipelineBuilder, LinksTheStagesEachScalingModeCallsFor) {
  const std::vector<BuildCase> cases = {
      {"mode 0, reduced", 0, 8, 50, 0, {"encoder"}},
      {"mode 0, reduced, forced", 0, 8, 50, 1, {"scale", "encoder"}},
      {"mode 0, enlarged", 0, 8, 200, 0, {"scale", "encoder"}},
      {"mode 1, same size", 1, 8, 100, 0, {"pass", "dither", "encoder"}},
      {"mode 1, enlarged", 1, 8, 200, 0, {"scale", "dither", "encoder"}},
      {"mode 2, 8 x 900 not above 10000", 2, 8, 30, 0, {"encoder"}},
      {"mode 2, 8 x 1600 above 10000", 2, 8, 40, 0, {"scale", "dither", "encoder"}},
      {"mode 1 over 24-bit colour: no dither", 1, 24, 100, 0, {"pass", "encoder"}},
      {"unknown mode", 7, 8, 200, 0, {"encoder"}},
  };
  GDitherMatrix matrix = SmallMatrix();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t rowBytes = static_cast<size_t>(c.bits) * 100 / 8;
    GRect source(0, 0, 100, 100);
    GRasterPipelineBuilder builder(GRect(0, 0, c.destination, c.destination), &source, nullptr,
                                   MakeBitmap(c.bits, 100, 100, Bytes(rowBytes * 100, 0x80)), kBitmapRowColor,
                                   c.scalingMode, &matrix, new GRunLengthRowEncoder(1, 0), c.force, LuminanceGray);
    ASSERT_GE(builder.GetStageCount(), 1u);
    EXPECT_EQ(StageName(builder.GetStage(0)), "source");
    std::vector<std::string> stages;
    for (size_t i = 1; i < builder.GetStageCount(); ++i) stages.push_back(StageName(builder.GetStage(i)));
    EXPECT_EQ(stages, c.stages);
    EXPECT_EQ(builder.GetSource(), builder.GetStage(builder.GetStageCount() - 1));
    // Rows always come at the source size: the size stage's target is the
    // source rectangle.
    GRect bounds;
    builder.GetBounds(bounds);
    EXPECT_TRUE(bounds.Equals(source));
    EXPECT_EQ(ReadAll(builder).size(), 100u);
  }
}

// An A3 page at 600 dpi has 69.6 million pixels: an area test in 32 bits
// would wrap (69.6 M x 100) and decide the other way.
TEST(RasterPipelineBuilder, AreaTestsHoldForPageSizedImages) {
  GDitherMatrix matrix = SmallMatrix();
  struct Case {
    const char* name;
    int32_t scalingMode;
    GRect source;
    GRect destination;
    size_t stages;
  };
  const std::vector<Case> cases = {
      // 8 x 4 M = 32 M is not above 69.6 M.
      {"mode 2, A3 source into 2000 x 2000", 2, GRect(0, 0, 7016, 9921), GRect(0, 0, 2000, 2000), 2},
      // 69.6 M is above 10000.
      {"mode 0, small source onto A3", 0, GRect(0, 0, 100, 100), GRect(0, 0, 7016, 9921), 3},
      {"mode 2, small source onto A3", 2, GRect(0, 0, 100, 100), GRect(0, 0, 7016, 9921), 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The rows are not read: a bitmap of the size with one byte of data.
    GRect source = c.source;
    GRasterPipelineBuilder builder(c.destination, &source, nullptr,
                                   MakeBitmap(8, c.source.right, c.source.bottom, Bytes(1, 0)), kBitmapRowColor,
                                   c.scalingMode, &matrix, new GRunLengthRowEncoder(1, 0), 0, LuminanceGray);
    EXPECT_EQ(builder.GetStageCount(), c.stages);
  }
}

TEST(RasterPipelineBuilder, DitheringGivesOneBitRowsWithABlackAndWhitePalette) {
  GDitherMatrix matrix = SmallMatrix();
  GRect source(0, 0, 10, 4);
  GRasterPipelineBuilder builder(GRect(0, 0, 10, 4), &source, nullptr, MakeBitmap(8, 10, 4, Bytes(40, 0x90)),
                                 kBitmapRowColor, 1, &matrix, nullptr, 0, LuminanceGray);
  EXPECT_EQ(builder.GetBitsPerPixel(), 1);
  EXPECT_EQ(builder.GetRowBytes(), 2u);
  GPaletteTable* palette = builder.GetPalette();
  ASSERT_NE(palette, nullptr);
  ASSERT_EQ(palette->GetCount(), 2u);
  GRGBColor black;
  GRGBColor white;
  palette->GetEntry(0)->GetRGBColor(&black);
  palette->GetEntry(1)->GetRGBColor(&white);
  EXPECT_EQ(black.GetRed() + black.GetGreen() + black.GetBlue(), 0);
  EXPECT_EQ(white.GetRed() + white.GetGreen() + white.GetBlue(), 3 * 255);
  // Gray 0x90 = 144 reaches 64 and 128 (row 0: white, white) but not 192 or
  // 255 (row 1: black, black).
  const auto rows = ReadAll(builder);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].bytes, (Bytes{0xFF, 0xC0}));
  EXPECT_EQ(rows[1].bytes, (Bytes{0x00, 0x00}));
  EXPECT_EQ(rows[2].bytes, (Bytes{0xFF, 0xC0}));
}

TEST(RasterPipelineBuilder, AnEncoderThatCannotStartIsDroppedAndStagesAreOwned) {
  // A stage-by-stage chain: a scale stage over nothing cannot start, and is
  // destroyed; the rest link up.
  auto* source = new RowsSource(8, 3, {{1, 2, 3}, {4, 5, 6}});
  GRasterPipelineBuilder empty(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(empty.GetStageCount(), 0u);
  int16_t row = 0;
  uint32_t length = 7;
  uint8_t repeat = 1;
  uint8_t covered = 1;
  empty.ReadRow(nullptr, row, length, repeat, covered);
  EXPECT_EQ(length, 0u);

  GDitherMatrix wide(0, 0, nullptr, 600, nullptr);  // no thresholds: no dither stage
  GRasterPipelineBuilder builder(source, new GDitherStage(GRect(0, 0, 3, 2), &wide, nullptr),
                                 new GPassThroughStage(GRect(0, 0, 3, 2)), nullptr, nullptr,
                                 new GUncompressedRowEncoder(4, 0));
  ASSERT_EQ(builder.GetStageCount(), 3u);
  const auto rows = ReadAll(builder);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].bytes, (Bytes{4, 5, 6, 0}));
}

// ---- Bitmap source ----

TEST(BitmapSource, ConversionModesInvertGrayRowsAndPalettes) {
  // One 24-bit row of two pixels, stored red, green, blue.
  const Bytes colour = {255, 255, 255, 0, 0, 0};
  struct Case {
    int32_t mode;
    uint8_t bits;
    Bytes row;
  };
  const std::vector<Case> cases = {
      {kBitmapRowGray, 8, {255, 0}},
      {kBitmapRowGray1, 8, {0, 255}},
      {kBitmapRowGray4, 8, {0, 255}},
      {kBitmapRowColor, 24, {255, 255, 255, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    GBitmapSource source(c.mode, GRect(0, 0, 2, 1), MakeBitmap(24, 2, 1, colour));
    EXPECT_EQ(source.GetBitsPerPixel(), c.bits);
    EXPECT_EQ(source.GetRowBytes(), 6u);
    EXPECT_EQ(source.GetPalette(), nullptr);
    const auto rows = ReadAll(source);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].bytes, c.row);
  }
  // An 8-bit palette image: mode 1 gives the inverted palette, mode 4
  // inverts the indices and keeps the palette.
  GRGBColor red(200, 10, 0, 0);
  GBitmap indexed = MakeBitmap(8, 2, 1, {0, 1}, 1, new GPaletteTable(std::vector<GColor*>{&red}));
  GBitmapSource inverted(kBitmapRowGray1, GRect(0, 0, 2, 1), indexed);
  ASSERT_NE(inverted.GetPalette(), nullptr);
  EXPECT_NE(inverted.GetPalette(), indexed.GetPalette());
  GRGBColor entry;
  inverted.GetPalette()->GetEntry(0)->GetRGBColor(&entry);
  EXPECT_EQ(entry.GetRed(), 55);
  EXPECT_EQ(entry.GetGreen(), 245);
  EXPECT_EQ(entry.GetBlue(), 255);
  EXPECT_EQ(entry.GetFourthByte(), 255);
  EXPECT_EQ(ReadAll(inverted)[0].bytes, (Bytes{0, 1}));
  GBitmapSource all(kBitmapRowGray4, GRect(0, 0, 2, 1), indexed);
  EXPECT_EQ(all.GetPalette(), indexed.GetPalette());
  EXPECT_EQ(ReadAll(all)[0].bytes, (Bytes{255, 254}));
}

TEST(BitmapSource, SkipsRowsButNeverPastTheEnd) {
  GBitmapSource source(kBitmapRowColor, GRect(0, 1, 1, 5), MakeBitmap(8, 1, 6, {10, 11, 12, 13, 14, 15}));
  int16_t row = 0;
  uint32_t length = 0;
  uint8_t repeat = 0;
  uint8_t covered = 0;
  uint8_t byte = 0;
  source.ReadRow(&byte, row, length, repeat, covered);
  EXPECT_EQ(byte, 11);
  EXPECT_EQ(row, 0);
  source.SkipRows(2);
  source.ReadRow(&byte, row, length, repeat, covered);
  EXPECT_EQ(byte, 14);
  EXPECT_EQ(row, 3);
  source.SkipRows(100);
  source.ReadRow(&byte, row, length, repeat, covered);
  EXPECT_EQ(length, 0u);
}

// ---- Scale stage ----

std::vector<Delivered> Scaled(RowsSource* source, GRect target) {
  GRasterPipelineBuilder builder(source, new GScaleStage(target), nullptr, nullptr, nullptr, nullptr);
  return ReadAll(builder);
}

TEST(ScaleStage, EnlargesRowsByRepeatCountsAndShrinksBySkipping) {
  {
    const auto rows = Scaled(new RowsSource(8, 1, {{0}, {1}, {2}}), GRect(0, 0, 1, 7));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].repeat, 3);
    EXPECT_EQ(rows[1].repeat, 2);
    EXPECT_EQ(rows[2].repeat, 2);
    EXPECT_EQ(rows[1].row, 3);
    EXPECT_EQ(rows[2].row, 5);
  }
  {
    const auto rows = Scaled(new RowsSource(8, 1, {{0}, {1}, {2}, {3}, {4}, {5}, {6}}), GRect(0, 0, 1, 3));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].bytes, Bytes{0});
    EXPECT_EQ(rows[1].bytes, Bytes{2});
    EXPECT_EQ(rows[2].bytes, Bytes{4});
    for (const auto& r : rows) EXPECT_EQ(r.repeat, 1);
  }
  // One row enlarged to 600: no repeat count can say 599 more, so the row
  // comes again until 600 rows are covered.
  {
    const auto rows = Scaled(new RowsSource(8, 2, {{7, 8}}), GRect(0, 0, 2, 600));
    int total = 0;
    for (const auto& r : rows) {
      EXPECT_EQ(r.bytes, (Bytes{7, 8}));
      EXPECT_EQ(r.row, total);
      total += r.repeat;
    }
    EXPECT_EQ(total, 600);
  }
}

TEST(ScaleStage, ResamplesPixelsOfEveryDepth) {
  struct Case {
    const char* name;
    uint8_t bits;
    int16_t from;
    int16_t to;
    Bytes in;
    Bytes out;
  };
  const std::vector<Case> cases = {
      {"8-bit shrink", 8, 4, 2, {1, 2, 3, 4}, {1, 3}},
      {"8-bit enlarge", 8, 2, 5, {1, 2}, {1, 1, 2, 2, 2}},
      {"24-bit enlarge", 24, 2, 5, {1, 1, 1, 2, 2, 2}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2}},
      {"24-bit shrink", 24, 4, 2, {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}, {1, 1, 1, 3, 3, 3}},
      // Sampled across the whole row, not its first pixels side by side.
      {"24-bit shrink by four", 24, 8, 2, {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6, 7, 7, 7},
       {0, 0, 0, 4, 4, 4}},
      {"8-bit shrink by four", 8, 8, 2, {0, 1, 2, 3, 4, 5, 6, 7}, {0, 4}},
      {"1-bit double", 1, 8, 16, {0xA5}, {0xCC, 0x33}},
      {"1-bit halve", 1, 16, 8, {0xCC, 0x33}, {0xA5}},
      {"4-bit double", 4, 3, 6, {0x12, 0x30}, {0x11, 0x22, 0x33}},
      {"to nothing", 8, 3, 0, {1, 2, 3}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GRasterPipelineBuilder builder(new RowsSource(c.bits, c.from, {c.in}), new GScaleStage(GRect(0, 0, c.to, 1)),
                                   nullptr, nullptr, nullptr, nullptr);
    int16_t row = 0;
    uint32_t length = 0;
    uint8_t repeat = 0;
    uint8_t covered = 0;
    Bytes buffer(builder.GetRowBytes() + 1, 0xEE);
    builder.ReadRow(buffer.data(), row, length, repeat, covered);
    EXPECT_EQ(builder.GetRowBytes(), c.out.size());
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + length), c.out);
  }
}

// An image without pixels (no bits per pixel): its rows hold no bytes and
// come through as empty rows, without reading the stage's empty row buffer.
TEST(ScaleStage, RowsOfNoBytesPassAsEmptyRows) {
  GRasterPipelineBuilder builder(new RowsSource(0, 2, {{}, {}}), new GScaleStage(GRect(0, 0, 2, 2)), nullptr, nullptr,
                                 nullptr, nullptr);
  const auto rows = ReadAll(builder, 2);
  ASSERT_EQ(rows.size(), 2u);
  for (const auto& r : rows) EXPECT_TRUE(r.bytes.empty());
}

TEST(ScaleStage, SkipRowsKeepsTheSourceInStep) {
  // Shrinking 8 rows to 4: skipping 2 output rows passes 4 source rows.
  auto* source = new RowsSource(8, 1, {{0}, {1}, {2}, {3}, {4}, {5}, {6}, {7}});
  GRasterPipelineBuilder builder(source, new GScaleStage(GRect(0, 0, 1, 4)), nullptr, nullptr, nullptr, nullptr);
  builder.SkipRows(2);
  const auto rows = ReadAll(builder);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].bytes, Bytes{4});
  EXPECT_EQ(rows[1].bytes, Bytes{6});
}

// ---- Clip stage ----

TEST(ClipStage, CropsRowsToTheClipsBounds) {
  struct Case {
    const char* name;
    uint8_t bits;
    int16_t width;
    std::vector<Bytes> rows;
    GRect clip;
    std::vector<Bytes> expected;
  };
  const std::vector<Case> cases = {
      // Shifted left by 3 bits; 8 bits fill the byte: no end mask.
      {"1-bit, 8 wide", 1, 16, {{0x1F, 0xE0}}, GRect(3, 0, 11, 1), {{0xFF}}},
      {"1-bit, 5 wide", 1, 16, {{0x1F, 0xFF}}, GRect(3, 0, 8, 1), {{0xF8}}},
      {"4-bit, odd start", 4, 5, {{0x12, 0x34, 0x50}}, GRect(1, 0, 4, 1), {{0x23, 0x40}}},
      {"8-bit, top and bottom rows cut", 8, 4, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}},
       GRect(1, 1, 3, 3), {{6, 7}, {10, 11}}},
      {"24-bit", 24, 3, {{1, 1, 1, 2, 2, 2, 3, 3, 3}}, GRect(1, 0, 2, 5), {{2, 2, 2}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GClipToSingleRectangle clip(c.clip, 0, 0, nullptr);
    GRasterPipelineBuilder builder(new RowsSource(c.bits, c.width, c.rows), new GClipStage(&clip), nullptr, nullptr,
                                   nullptr, nullptr);
    ASSERT_EQ(builder.GetStageCount(), 2u);
    std::vector<Bytes> got;
    for (const auto& r : ReadAll(builder)) got.push_back(r.bytes);
    EXPECT_EQ(got, c.expected);
  }
}

TEST(ClipStage, IsDroppedWhenItWouldNotCrop) {
  const std::vector<Bytes> rows = {{1, 2, 3, 4}, {5, 6, 7, 8}};
  struct Case {
    const char* name;
    GRect rect;
    int32_t region;
  };
  const std::vector<Case> cases = {
      {"outside clip", GRect(1, 0, 3, 2), 1},
      {"whole image", GRect(-5, -5, 50, 50), 0},
      {"nothing left", GRect(10, 10, 20, 20), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GClipToSingleRectangle clip(c.rect, c.region, 0, nullptr);
    GRasterPipelineBuilder builder(new RowsSource(8, 4, rows), new GClipStage(&clip), nullptr, nullptr, nullptr,
                                   nullptr);
    EXPECT_EQ(builder.GetStageCount(), 1u);
  }
}

TEST(RasterPipelineBuilder, AClipCropsTheRowsAndTheCallersSpan) {
  // 6 x 4, 8-bit; the clip keeps columns 2 to 4 of rows 1 and 2.
  Bytes data(24);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
  GClipToSingleRectangle clip(GRect(2, 1, 5, 3), 0, 0, nullptr);
  GRect source(0, 0, 6, 4);
  GRasterPipelineBuilder builder(GRect(0, 0, 12, 8), &source, &clip, MakeBitmap(8, 6, 4, data), kBitmapRowColor, 0,
                                 nullptr, new GUncompressedRowEncoder(1, 0), 0, LuminanceGray);
  EXPECT_TRUE(source.Equals(GRect(2, 1, 5, 3)));
  GRect bounds;
  builder.GetBounds(bounds);
  EXPECT_TRUE(bounds.Equals(GRect(2, 1, 5, 3)));
  const auto rows = ReadAll(builder);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].bytes, (Bytes{8, 9, 10}));
  EXPECT_EQ(rows[1].bytes, (Bytes{14, 15, 16}));
  EXPECT_EQ(rows[0].row, 0);
  EXPECT_EQ(rows[1].row, 1);

  // Dithered: the dither stage reads the cropped rows.
  GDitherMatrix matrix = SmallMatrix();
  GRect ditherSource(0, 0, 6, 4);
  GRasterPipelineBuilder dithered(GRect(0, 0, 6, 4), &ditherSource, &clip, MakeBitmap(8, 6, 4, Bytes(24, 0xFF)),
                                  kBitmapRowColor, 1, &matrix, nullptr, 0, LuminanceGray);
  EXPECT_TRUE(ditherSource.Equals(GRect(2, 1, 5, 3)));
  const auto ditheredRows = ReadAll(dithered);
  ASSERT_EQ(ditheredRows.size(), 2u);
  EXPECT_EQ(ditheredRows[0].bytes, Bytes{0xE0});
}

// ---- Dither stage ----

TEST(DitherStage, ThresholdsEachRowAgainstItsOwnMatrixRow) {
  GDitherMatrix matrix = SmallMatrix();
  // A row repeated 3 times by its source: three rows, against matrix rows
  // 0, 1 and 0.
  GRasterPipelineBuilder builder(new RowsSource(8, 3, {{200, 100, 50}}, {3}),
                                 new GDitherStage(GRect(0, 0, 3, 3), &matrix, nullptr), nullptr, nullptr, nullptr,
                                 nullptr);
  const auto rows = ReadAll(builder);
  ASSERT_EQ(rows.size(), 3u);
  // Row 0 thresholds 64 128 64: 200 white, 100 black, 50 black.
  EXPECT_EQ(rows[0].bytes, Bytes{0x80});
  // Row 1 thresholds 192 255 192: 200 white only.
  EXPECT_EQ(rows[1].bytes, Bytes{0x80});
  EXPECT_EQ(rows[2].bytes, Bytes{0x80});
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].row, static_cast<int16_t>(i));
    EXPECT_EQ(rows[i].repeat, 1);
  }
}

TEST(DitherStage, OriginShiftsTheMatrixAndPalettesGiveTheGray) {
  GDitherMatrix matrix = SmallMatrix();
  // Origin (1, 1): row 0 reads matrix row 1 from column 1 (255 192 ...).
  GRasterPipelineBuilder shifted(new RowsSource(8, 2, {{200, 200}}), new GDitherStage(GRect(1, 1, 3, 2), &matrix, nullptr),
                                 nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(ReadAll(shifted)[0].bytes, Bytes{0x40});

  // A 1-bit palette image: index 0 light (gray 240), index 1 dark (gray
  // 20); the masked bit in every position finds its gray.
  GRGBColor light(240, 240, 240, 0);
  GRGBColor dark(20, 20, 20, 0);
  GBitmap bitmap = MakeBitmap(1, 10, 1, {0x55, 0x40}, 1, new GPaletteTable(std::vector<GColor*>{&light, &dark}));
  GRect source(0, 0, 10, 1);
  GRasterPipelineBuilder indexed(GRect(0, 0, 10, 1), &source, nullptr, bitmap, kBitmapRowColor, 1, &matrix, nullptr, 0,
                                 LuminanceGray);
  EXPECT_EQ(ReadAll(indexed)[0].bytes, (Bytes{0xAA, 0x80}));
}

TEST(DitherStage, MatricesWiderThanSixtyFourColumnsWork) {
  // 100 columns, thresholds rising by 2: a gray of 100 is white for the
  // first 51 columns.
  Bytes thresholds(100);
  for (size_t i = 0; i < thresholds.size(); ++i) thresholds[i] = static_cast<uint8_t>(i * 2);
  GDitherMatrix matrix(100, 1, thresholds.data(), 600, nullptr);
  GRasterPipelineBuilder builder(new RowsSource(8, 120, {Bytes(120, 100)}),
                                 new GDitherStage(GRect(0, 0, 120, 1), &matrix, nullptr), nullptr, nullptr, nullptr,
                                 nullptr);
  const auto rows = ReadAll(builder);
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_EQ(rows[0].bytes.size(), 15u);
  for (int x = 0; x < 120; ++x) {
    const bool white = (rows[0].bytes[x / 8] >> (7 - x % 8)) & 1;
    EXPECT_EQ(white, (x % 100) <= 50) << x;
  }
}

// ---- Whole pipelines ----

// 1-, 8- and 24-bit images enlarged by the scale stage and dithered where
// the depth allows, into every encoder: each stage's row count holds.
TEST(RasterPipeline, ScaledAndDitheredImagesReachEveryEncoder) {
  GDitherMatrix matrix = SmallMatrix();
  for (uint8_t bits : {1, 8, 24}) {
    for (int32_t scalingMode : {0, 1}) {
      for (int kind = 0; kind < 4; ++kind) {
        SCOPED_TRACE(std::to_string(bits) + "-bit, mode " + std::to_string(scalingMode) + ", encoder " +
                     std::to_string(kind));
        const int16_t width = 11;
        const int16_t height = 5;
        const size_t rowBytes = (static_cast<size_t>(bits) * width + 7) / 8;
        Bytes data(rowBytes * height);
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 37);
        GRowEncoder* encoder = kind == 0   ? static_cast<GRowEncoder*>(new GRunLengthRowEncoder(1, 0))
                               : kind == 1 ? static_cast<GRowEncoder*>(new GDeltaRowEncoder(1, 0, 1))
                               : kind == 2 ? static_cast<GRowEncoder*>(new GAdaptiveRowEncoder(1, 0))
                                           : static_cast<GRowEncoder*>(new GUncompressedRowEncoder(2, 0));
        GRect source(0, 0, width, height);
        GRasterPipelineBuilder builder(GRect(0, 0, 33, 15), &source, nullptr, MakeBitmap(bits, width, height, data),
                                       kBitmapRowColor, scalingMode, &matrix, encoder, 0, LuminanceGray);
        EXPECT_TRUE(Is<GRowEncoder>(builder.GetSource()));
        const bool dithered = scalingMode == 1 && bits != 24;
        EXPECT_EQ(builder.GetBitsPerPixel(), dithered ? 1 : bits);
        const auto rows = ReadAll(builder, height);
        int covered = 0;
        for (const auto& r : rows) covered += r.rowsCovered * r.repeat;
        EXPECT_EQ(covered, height);
      }
    }
  }
}

}  // namespace
