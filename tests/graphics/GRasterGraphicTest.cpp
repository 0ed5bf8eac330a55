// Raster graphics: cutting the source and destination rectangles down to
// the visible part of a clip, the one drawing call, shared bitmap bodies,
// matching, pinning borrowed pixels, the pre-scaled kind and its stored
// form, and a stored body of another version.
#include "graphics/GRasterGraphic.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/GClip.h"
#include "model/GGraphicBundle.h"
#include "support/GraphicsObjectSamples.h"
#include "support/ModelRoundTrip.h"
#include "support/RasterTestSupport.h"
#include "support/RecordingPeripheral.h"

namespace {

// A bitmap framed inside a graph: its class tag and its body.
uint32_t FramedSize(const GBitmap& bitmap) { return 2 + bitmap.MembersStoreSize(); }

std::string RectText(const GRect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

TEST(GRasterGraphicTest, ClipRectsCutsBothRectanglesToTheVisiblePart) {
  struct Case {
    const char* what;
    GRect source, destination;
    bool clipGiven;
    GRect clipBounds;
    int32_t region;
    GRect wantSource, wantDestination;
    int wantResult;
  } cases[] = {
      {"a quarter of a doubled image", {0, 0, 100, 100}, {0, 0, 200, 200}, true, {50, 50, 150, 150}, kClipInside,
       {25, 25, 75, 75}, {50, 50, 150, 150}, 1},
      {"whole pixels widen the picture", {0, 0, 3, 3}, {0, 0, 10, 10}, true, {0, 0, 5, 10}, kClipInside,
       {0, 0, 2, 3}, {0, 0, 6, 10}, 0},
      {"a source with an origin", {10, 20, 110, 120}, {0, 0, 100, 100}, true, {0, 0, 50, 100}, kClipInside,
       {10, 20, 60, 120}, {0, 0, 50, 100}, 1},
      {"keeping the outside leaves both", {0, 0, 100, 100}, {0, 0, 200, 200}, true, {50, 50, 150, 150},
       kClipOutside, {0, 0, 100, 100}, {0, 0, 200, 200}, 1},
      {"a region not given leaves both", {0, 0, 100, 100}, {0, 0, 200, 200}, true, {50, 50, 150, 150},
       kClipRegionNotGiven, {0, 0, 100, 100}, {0, 0, 200, 200}, 1},
      {"bounds that miss the destination", {0, 0, 100, 100}, {0, 0, 200, 200}, true, {300, 300, 400, 400},
       kClipInside, {}, {}, 1},
      {"an empty source whatever the clip", {5, 5, 5, 50}, {0, 0, 200, 200}, true, {50, 50, 150, 150},
       kClipInside, {}, {}, 1},
      {"an empty destination", {0, 0, 10, 10}, {7, 7, 20, 7}, false, {}, kClipInside, {}, {}, 1},
      {"no clip", {1, 2, 3, 4}, {5, 6, 7, 8}, false, {}, kClipInside, {1, 2, 3, 4}, {5, 6, 7, 8}, 1},
      {"bounds around the whole destination", {0, 0, 10, 10}, {20, 20, 40, 40}, true, {0, 0, 500, 500},
       kClipInside, {0, 0, 10, 10}, {20, 20, 40, 40}, 1},
      {"a destination off the page's corner", {0, 0, 100, 50}, {-100, -50, 100, 50}, true, {0, 0, 1000, 1000},
       kClipInside, {50, 25, 100, 50}, {0, 0, 100, 50}, 1},
      // An A3 page at 600 dpi: the products go far beyond 16 bits.
      {"a page-sized image", {0, 0, 7016, 9921}, {0, 0, 7016, 9921}, true, {100, 200, 7000, 9900}, kClipInside,
       {100, 200, 7000, 9900}, {100, 200, 7000, 9900}, 1},
      {"a small image on a whole page", {0, 0, 30000, 20}, {0, 0, 32000, 32000}, true, {0, 16000, 32000, 32000},
       kClipInside, {0, 10, 30000, 20}, {0, 16000, 32000, 32000}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GRasterGraphic raster(GBitmap(), c.source, c.destination, GBitmap(), nullptr, nullptr);
    GClipToSingleRectangle clip(c.clipBounds, c.region, kClipEvenOdd, nullptr);
    GRect source(9, 9, 9, 9), destination(9, 9, 9, 9);
    EXPECT_EQ(raster.ClipRects(c.clipGiven ? &clip : nullptr, source, destination), c.wantResult);
    EXPECT_EQ(RectText(source), RectText(c.wantSource));
    EXPECT_EQ(RectText(destination), RectText(c.wantDestination));
  }
}

TEST(GRasterGraphicTest, AClipWithoutBoundsLeavesBothRectangles) {
  // A rectangle list with no rectangles reports no bounds.
  GClipToRectangle clip(GRectVector(), kClipInside, kClipEvenOdd, nullptr);
  GRasterGraphic raster(GBitmap(), GRect(0, 0, 4, 4), GRect(10, 10, 50, 50), GBitmap(), nullptr, nullptr);
  GRect source, destination;
  EXPECT_EQ(raster.ClipRects(&clip, source, destination), 1);
  EXPECT_EQ(RectText(source), "0,0,4,4");
  EXPECT_EQ(RectText(destination), "10,10,50,50");
}

TEST(GRasterGraphicTest, DrawsThroughTheRasterCallAndSharesItsBitmaps) {
  GBitmap image = qvtest::SampleBitmap(8, 4, 2, 0, true);
  GBitmap second = qvtest::SampleBitmap(1, 8, 1, 0, false);
  GRasterGraphic raster(image, qvtest::SampleBundle(), GRect(0, 0, 4, 2), GRect(0, 0, 40, 20), second);
  EXPECT_EQ(raster.FeatureId(), 0);
  EXPECT_EQ(raster.GetBitmap().GetBody(), image.GetBody());
  EXPECT_EQ(raster.GetSecondBitmap().GetBody(), second.GetBody());

  qvtest::RecordingPeripheral peripheral;
  EXPECT_EQ(raster.Dispatch(&peripheral), 0);
  ASSERT_EQ(peripheral.Calls().size(), 1u);
  EXPECT_EQ(peripheral.Calls()[0].operation, "DrawRaster");
  EXPECT_EQ(raster.Dispatch(nullptr), GCommand::kNoReceiver);

  // A copy shares the settings and both bodies.
  const int32_t shares = image.GetShareCount();
  std::unique_ptr<GRasterGraphic> copy(raster.Clone());
  EXPECT_EQ(copy->GetSettings(), raster.GetSettings());
  EXPECT_EQ(copy->GetBitmap().GetBody(), image.GetBody());
  EXPECT_EQ(image.GetShareCount(), shares + 1);
  EXPECT_TRUE(copy->Matches(&raster));
  copy.reset();
  EXPECT_EQ(image.GetShareCount(), shares);
}

TEST(GRasterGraphicTest, MatchesComparesEveryField) {
  const GBitmap image = qvtest::SampleBitmap(8, 4, 2, 0, false);
  const GBitmap sameBytes = qvtest::SampleBitmap(8, 4, 2, 0, false);
  const GBitmap otherBytes = qvtest::SampleBitmap(8, 4, 2, 1, false);
  const GRect s(0, 0, 4, 2), d(0, 0, 8, 4);
  GRasterGraphic base(image, s, d, GBitmap(), nullptr, nullptr);
  struct Case {
    const char* what;
    GRasterGraphic other;
    int expected;
  };
  const Case cases[] = {
      {"same bytes in another body", GRasterGraphic(sameBytes, s, d, GBitmap(), nullptr, nullptr), 1},
      {"other pixels", GRasterGraphic(otherBytes, s, d, GBitmap(), nullptr, nullptr), 0},
      {"another source", GRasterGraphic(image, GRect(0, 0, 4, 1), d, GBitmap(), nullptr, nullptr), 0},
      {"another destination", GRasterGraphic(image, s, GRect(0, 0, 8, 5), GBitmap(), nullptr, nullptr), 0},
      {"a second bitmap", GRasterGraphic(image, s, d, sameBytes, nullptr, nullptr), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(base.Matches(&c.other), c.expected);
  }
  GPreScaledRasterGraphic preScaled(image, s, d, GBitmap(), nullptr, nullptr);
  EXPECT_EQ(base.Matches(&preScaled), 0);
  EXPECT_EQ(base.Matches(&base), 1);
}

TEST(GRasterGraphicTest, PinningCopiesBorrowedPixelsOfTheImageOnly) {
  std::vector<uint8_t> pixels{1, 2, 3, 4};
  GBitmapDescription d;
  d.ownsData = 0;
  d.data = pixels.data();
  d.dataLength = 4;
  d.bounds = GRect(0, 0, 4, 1);
  d.bitsPerPixel = 8;
  GBitmap borrowed(d);
  std::vector<uint8_t> secondPixels{9};
  d.data = secondPixels.data();
  d.dataLength = 1;
  d.bounds = GRect(0, 0, 1, 1);
  GBitmap secondBorrowed(d);
  GRasterGraphic raster(borrowed, GRect(0, 0, 4, 1), GRect(0, 0, 4, 1), secondBorrowed, nullptr, nullptr);
  raster.PinResources();
  EXPECT_EQ(raster.GetBitmap().GetBody()->OwnsData(), 1);
  EXPECT_NE(raster.GetBitmap().GetBits(), pixels.data());
  pixels.assign(4, 0);  // the creator's buffer may change or go
  uint8_t row[4] = {};
  ASSERT_EQ(raster.GetBitmap().GetRow(row, 0, 4, 0, kBitmapRowColor), 4u);
  EXPECT_EQ(std::vector<uint8_t>(row, row + 4), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(raster.GetSecondBitmap().GetBits(), secondPixels.data());
}

TEST(GRasterGraphicTest, KindsAndThePreScaledMarkSurviveTheStoredForm) {
  GPreScaledRasterGraphic preScaled(qvtest::SampleBitmap(24, 3, 3, 5, false), GRect(0, 0, 3, 3),
                                    GRect(10, 10, 13, 13), GBitmap(), nullptr, nullptr);
  for (RWClassID kind : {609, 604, 602, 601, 751}) EXPECT_EQ(preScaled.DerivesFrom(kind), 1) << kind;
  GRasterGraphic plain;
  for (RWClassID kind : {604, 602, 601, 751}) EXPECT_EQ(plain.DerivesFrom(kind), 1) << kind;
  EXPECT_EQ(plain.DerivesFrom(609), 0);
  EXPECT_EQ(plain.IsPreScaled(), 0);
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&preScaled, form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* back = dynamic_cast<GRasterGraphic*>(read.object);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->IsPreScaled(), 1);
    GRect destination;
    back->GetDestRect(destination);
    EXPECT_EQ(RectText(destination), "10,10,13,13");
    uint8_t row[9] = {};
    EXPECT_EQ(back->GetBitmap().GetRow(row, 0, 3, 2, kBitmapRowColor), 9u);
  }
}

TEST(GRasterGraphicTest, AStoredSizeIsTheGraphicPartTwentyBytesAndTheFramedBitmaps) {
  const GBitmap image = qvtest::SampleBitmap(8, 5, 5, 0, true);
  GRasterGraphic raster(image, GRect(), GRect(), GBitmap(), nullptr, nullptr);
  // A rectangle is the graphic part + 40.
  const uint32_t graphicPart = GRectangleGraphic().MembersStoreSize() - 40;
  EXPECT_EQ(raster.MembersStoreSize(), graphicPart + 20 + FramedSize(image) + FramedSize(GBitmap()));
  qvtest::ExpectStoredByteCountIsWritten(raster);
}

TEST(GRasterGraphicTest, AnotherStoredVersionReadsBackEmpty) {
  const GRect source(0x1111, 0x2222, 0x3333, 0x4444);
  GRasterGraphic raster(GBitmap(), source, GRect(1, 1, 2, 2), GBitmap(), nullptr, nullptr);
  std::string bytes = qvtest::SaveInForm(&raster, qvtest::ModelForm::kFile);
  const std::string rect = "\x11\x11\x22\x22\x33\x33\x44\x44";
  const size_t rectAt = bytes.find(rect);
  ASSERT_NE(rectAt, std::string::npos);
  const size_t versionAt = rectAt - FramedSize(GBitmap()) - 4;
  ASSERT_EQ(bytes.substr(versionAt, 4), std::string("\x01\x00\x00\x00", 4));
  bytes[versionAt] = 2;
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, qvtest::ModelForm::kFile);
  std::unique_ptr<MPersistentObject> owned(read.object);
  EXPECT_FALSE(read.failed);
  auto* back = dynamic_cast<GRasterGraphic*>(read.object);
  ASSERT_NE(back, nullptr);
  GRect got(9, 9, 9, 9);
  back->GetSourceRect(got);
  EXPECT_EQ(RectText(got), "0,0,0,0");
  EXPECT_EQ(back->GetBitmap().IsEmpty(), 1);
}

TEST(GRasterGraphicTest, RowsOfAnImageWhoseDataEndsEarlyReadAsZerosPastTheEnd) {
  // Four rows of five 8-bit pixels, but the data stops two bytes into the
  // last row: the last row reads those two and zeros, never past the end
  // (the sanitizer sees a read beyond the exact allocation).
  std::vector<uint8_t> data(17);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i + 1);
  GBitmap image = rastertest::MakeBitmap(8, 5, 4, data);
  GRasterGraphic raster(image, GRect(0, 0, 5, 4), GRect(0, 0, 5, 4), GBitmap(), nullptr, nullptr);
  uint8_t row[5] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  ASSERT_EQ(raster.GetBitmap().GetRow(row, 0, 5, 3, kBitmapRowColor), 5u);
  EXPECT_EQ(std::vector<uint8_t>(row, row + 5), (std::vector<uint8_t>{16, 17, 0, 0, 0}));
  EXPECT_EQ(raster.GetBitmap().GetRow(row, 0, 5, 4, kBitmapRowColor), 0u);
}

}  // namespace
