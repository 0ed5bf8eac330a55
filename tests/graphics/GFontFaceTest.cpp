// Font faces, face handles, scaled fonts and the face download command:
// widths over the face's character range, the stored forms, the use counts
// of handles, the resolution of a stored handle through the font database,
// and the scaling of glyph images.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graphics/GByteBuffer.h"
#include "graphics/GDownloadFace.h"
#include "graphics/GFontDatabase.h"
#include "graphics/GFontFace.h"
#include "graphics/GFontFaceHandle.h"
#include "graphics/GTextString.h"
#include "support/FontTestClasses.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::SampleFaceExtras;
using qvtest::SampleFaceMetrics;
using qvtest::TestFaceHandle;
using qvtest::TestFontFace;
using qvtest::TestWidthSource;

// A face of codes 32 to 38 (default 63) with a test width source.
std::unique_ptr<TestFontFace> NarrowFace(TestWidthSource** source) {
  GFontMetrics metrics = SampleFaceMetrics();
  metrics.firstChar = 32;
  metrics.lastChar = 38;
  auto face = std::make_unique<TestFontFace>(metrics, SampleFaceExtras());
  *source = new TestWidthSource;
  face->SetWidthSource(*source);
  return face;
}

GTextString* FaceTestText(std::initializer_list<uint16_t> codes) {
  auto* data = new uint16_t[codes.size()];
  std::copy(codes.begin(), codes.end(), data);
  return new GTextString(new GArrayHolder<uint16_t>(data, static_cast<uint32_t>(codes.size()), true),
                         static_cast<uint16_t>(codes.size()), 16);
}

// ---- Widths ----

TEST(GFontFaceWidths, RangesAroundTheFacesCharactersGetTheDefaultWidth) {
  const int16_t kDefault = TestWidthSource::WidthOf(63);
  struct Case {
    const char* what;
    uint16_t first, last;
    std::vector<int16_t> expected;
    bool asksForRange;
  };
  auto w = TestWidthSource::WidthOf;
  const Case cases[] = {
      {"straddling both ends", 30, 40,
       {kDefault, kDefault, w(32), w(33), w(34), w(35), w(36), w(37), w(38), kDefault, kDefault}, true},
      {"inside", 33, 35, {w(33), w(34), w(35)}, true},
      {"entirely below", 20, 23, {kDefault, kDefault, kDefault, kDefault}, false},
      {"entirely above", 200, 203, {kDefault, kDefault, kDefault, kDefault}, false},
      {"starting past the last", 39, 41, {kDefault, kDefault, kDefault}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestWidthSource* source = nullptr;
    auto face = NarrowFace(&source);
    // Guards before and after the array catch a write outside it.
    std::vector<int16_t> buffer(c.expected.size() + 2, -7);
    ASSERT_EQ(face->GetWidthRange(c.first, c.last, buffer.data() + 1), 1);
    EXPECT_EQ(buffer.front(), -7);
    EXPECT_EQ(buffer.back(), -7);
    EXPECT_EQ(std::vector<int16_t>(buffer.begin() + 1, buffer.end() - 1), c.expected);
    EXPECT_EQ(!source->rangeCalls.empty(), c.asksForRange);
    if (!c.asksForRange) EXPECT_EQ(source->charCalls, std::vector<uint16_t>{63});
  }
}

TEST(GFontFaceWidths, ACharacterWithoutWidthFallsBackToTheDefault) {
  TestWidthSource* source = nullptr;
  auto face = NarrowFace(&source);
  source->rangeWorks = false;
  source->unknown = {34};
  int16_t out[3] = {};
  ASSERT_EQ(face->GetWidthRange(33, 35, out), 1);
  EXPECT_EQ(out[0], TestWidthSource::WidthOf(33));
  EXPECT_EQ(out[1], TestWidthSource::WidthOf(63));
  EXPECT_EQ(out[2], TestWidthSource::WidthOf(35));

  std::unique_ptr<GTextString> text(FaceTestText({33, 34, 500}));
  int16_t widths[3] = {};
  ASSERT_EQ(face->GetWidthsForText(text.get(), widths), 1);
  EXPECT_EQ(widths[1], TestWidthSource::WidthOf(63));
  EXPECT_EQ(widths[2], TestWidthSource::WidthOf(500));
}

TEST(GFontFaceWidths, WidthsFailWithoutASourceADefaultOrAnOrderedRange) {
  TestWidthSource* source = nullptr;
  auto face = NarrowFace(&source);
  int16_t out[4] = {};
  EXPECT_EQ(face->GetWidthRange(36, 33, out), 0);
  source->unknown = {63};
  EXPECT_EQ(face->GetWidthRange(30, 33, out), 0);  // the default width is needed and missing
  face->SetWidthSource(nullptr);
  EXPECT_EQ(face->GetWidthRange(33, 34, out), 0);
  std::unique_ptr<GTextString> text(FaceTestText({33}));
  EXPECT_EQ(face->GetWidthsForText(text.get(), out), 0);
  EXPECT_EQ(face->WidthQuery1(1, 2), 0);
}

TEST(GFontFaceWidths, QueriesPassTheCellHeight) {
  TestWidthSource* source = nullptr;
  auto face = NarrowFace(&source);
  EXPECT_EQ(face->WidthQuery1(1, 2), 40 + 8 + 1 + 2);
  EXPECT_EQ(face->WidthQuery2(3, 4), 48 * 3 - 4);
}

// ---- Downloaded characters and preparation ----

TEST(GFontFaceDownload, PendingCharactersGoInCodeOrderWithTheFacesValue) {
  TestFontFace face(SampleFaceMetrics(), SampleFaceExtras());
  EXPECT_EQ(face.DownloadPendingCharacters(), 0);  // nothing to send
  std::unique_ptr<GTextString> text(FaceTestText({'C', 'A', 'B', 'A'}));
  EXPECT_EQ(face.AddCharacters(text.get()), 4u);
  EXPECT_EQ(face.DownloadPendingCharacters(), 1);
  EXPECT_EQ(face.downloaded, (std::vector<uint16_t>{'A', 'B', 'C'}));
  EXPECT_EQ(face.lastValue, SampleFaceMetrics().metricInt4);
  face.downloadAnswer = 0;
  EXPECT_EQ(face.DownloadPendingCharacters(), 0);
}

TEST(GFontFaceDownload, AFaceThatNeedsNoPreparationIsNotAsked) {
  GFontDownloadExtras extras = SampleFaceExtras();
  extras.flags = GFontDownloadExtras::kNoPreparation;
  auto* face = new TestFontFace(SampleFaceMetrics(), extras);
  TestFaceHandle handle(face, 0);
  std::unique_ptr<GTextString> text(FaceTestText({'A'}));
  EXPECT_EQ(handle.PrepareCharacters(text.get(), 1), 1);
  EXPECT_EQ(handle.PrepareFace(2, 1), 1);
  EXPECT_TRUE(face->prepared.empty());
  EXPECT_TRUE(face->preparedCharacters.empty());

  auto* plain = new TestFontFace(SampleFaceMetrics(), SampleFaceExtras());
  TestFaceHandle other(plain, 0);
  EXPECT_EQ(other.PrepareCharacters(text.get(), 2), 6);
  EXPECT_EQ(other.PrepareFace(2, 1), 5);
  ASSERT_EQ(plain->prepared.size(), 1u);
  EXPECT_EQ(plain->prepared[0].kind, 2);
}

// ---- Handles ----

TEST(GFontFaceHandleLife, TheLastHandleDeletesTheFaceAndAnEarlierOneClearsTheSourceValue) {
  const int before = TestFontFace::live;
  auto* face = new TestFontFace(SampleFaceMetrics(), SampleFaceExtras(), 42);
  auto first = std::make_unique<TestFaceHandle>(face, 5);
  auto second = std::make_unique<TestFaceHandle>(*first);
  EXPECT_EQ(face->GetUseCount(), 2);
  first.reset();
  EXPECT_EQ(face->GetUseCount(), 1);
  EXPECT_EQ(face->GetSourceValue(), 0);
  second.reset();
  EXPECT_EQ(TestFontFace::live, before);
}

TEST(GFontFaceHandleLife, AFontlessHandleStoresKeyAndStampZeroAndReadsBackFontless) {
  GFontDatabase database(31);
  TestFaceHandle fontless(nullptr, 31);
  qvtest::ExpectStoredByteCountIsWritten(fontless);
  // A face with a low key in the database is not what key 0 means.
  auto* face = new TestFontFace(SampleFaceMetrics(), SampleFaceExtras());
  database.AddRecord(face);
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&fontless, form);
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, form);
    auto* handle = dynamic_cast<TestFaceHandle*>(read.object);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->GetFace(), nullptr);
    EXPECT_EQ(handle->GetInstance(), 31u);
    delete handle;
  }
  EXPECT_EQ(face->GetUseCount(), 1);
  EXPECT_NE(face->GetKey(), 0u);
}

TEST(GFontFaceHandleLife, AHandleStoredInACommandResolvesThroughTheDatabaseAfterASaveAndLoad) {
  w32test::MakeDirectories(u"C:\\Spool");
  const RWWString path(u"C:\\Spool\\page1.fdb");
  GFontDatabase database(77);
  auto* face = new TestFontFace(SampleFaceMetrics(), SampleFaceExtras());
  face->SetWidthSource(new TestWidthSource);
  face->IncrementStamp();
  const uint32_t key = face->GetKey();
  const GFontMetrics metrics = face->GetMetrics();
  auto command = std::make_unique<GDownloadFace>(new TestFaceHandle(face, 77), 3);

  // Spooling the page: the command is stored, then the database beside it.
  const std::string spooled = qvtest::SaveInForm(command.get(), qvtest::ModelForm::kFile);
  EXPECT_EQ(database.ContainsRecord(key), 1);
  ASSERT_EQ(database.SaveToFile(path), 1);
  EXPECT_EQ(face->IsMarkedForSave(), 0);

  // The live objects go; nothing but the file keeps the face.
  command.reset();
  database.Purge();
  EXPECT_EQ(database.GetRecordCount(), 0u);

  // Playing the page back.
  ASSERT_EQ(database.LoadFromFile(path), 1);
  qvtest::ModelRead read = qvtest::RestoreFromForm(spooled, qvtest::ModelForm::kFile);
  auto* replayed = dynamic_cast<GDownloadFace*>(read.object);
  ASSERT_NE(replayed, nullptr);
  ASSERT_NE(replayed->GetFace(), nullptr);
  GFontFace* restored = replayed->GetFace()->GetFace();
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->GetKey(), key);
  EXPECT_EQ(restored->GetStamp(), 1u);
  EXPECT_TRUE(restored->GetMetrics() == metrics);
  EXPECT_NE(restored->GetWidthSource(), nullptr);
  EXPECT_EQ(replayed->GetMode(), 3);
  EXPECT_EQ(restored->GetUseCount(), 2);
  delete replayed;
}

// ---- Stored forms ----

TEST(GFontFaceStorage, AFaceRoundTripsWithAnglesInWholeDegreesAndNoSourceValue) {
  TestFontFace face(SampleFaceMetrics(), SampleFaceExtras(), 99);
  face.SetWidthSource(new TestWidthSource);
  qvtest::ExpectStoredByteCountIsWritten(face);
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&face, form), form);
    auto* back = dynamic_cast<TestFontFace*>(read.object);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->GetMetrics() == face.GetMetrics());
    EXPECT_EQ(back->GetDownloadExtras().angle3.GetDegrees(), 12.0f);
    EXPECT_EQ(back->GetDownloadExtras().angle2.GetDegrees(), 30.0f);
    EXPECT_EQ(back->GetSourceValue(), 0);
    EXPECT_EQ(back->GetKey(), face.GetKey());
    EXPECT_EQ(back->Matches(&face), 1);
    delete back;
  }
}

TEST(GFontFaceStorage, TheDownloadCommandRoundTripsAndCopiesItsFace) {
  auto* face = new TestFontFace(SampleFaceMetrics(), SampleFaceExtras());
  GDownloadFace command(new TestFaceHandle(face, 0), 2);
  qvtest::ExpectStoredByteCountIsWritten(command);
  GDownloadFace copy(command);
  EXPECT_NE(copy.GetFace(), command.GetFace());
  EXPECT_EQ(copy.Matches(&command), 1);
  EXPECT_EQ(face->GetUseCount(), 2);
  GDownloadFace empty;
  qvtest::ExpectStoredByteCountIsWritten(empty);
  EXPECT_EQ(empty.Matches(&command), 0);
}

// ---- Scaled fonts ----

bool ScaledPixel(const uint8_t* bits, uint32_t row, int x, int y) {
  return (bits[y * row + x / 8] & (0x80 >> (x % 8))) != 0;
}

TEST(GScaledFontTest, UnitFactorsGiveTheGlyphAsItIsAndZeroCountsAsOne) {
  auto* face = new TestFontFace(SampleFaceMetrics(), SampleFaceExtras());
  TestFaceHandle handle(face, 0);
  for (float factor : {1.0f, 0.0f, -0.0f}) {
    GScaledFont scaled(&handle, factor, 1.0f);
    EXPECT_EQ(scaled.GetHorizontalScale(), 1.0f);
    int16_t box[4] = {};
    GByteBuffer* out = nullptr;
    EXPECT_EQ(scaled.GetGlyphBitmap('A', 0, box, &out), 12u);  // 3 rows of 4 bytes
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(box[2], 10);
    delete out;
  }
}

TEST(GScaledFontTest, DoublingMakesEveryPixelABlockAndRoundsTheBoxWidthTo32) {
  auto* face = new TestFontFace(SampleFaceMetrics(), SampleFaceExtras());
  TestFaceHandle handle(face, 0);
  GScaledFont scaled(&handle, 2.0f, 2.0f);
  int16_t box[4] = {};
  GByteBuffer* out = nullptr;
  ASSERT_EQ(scaled.GetGlyphBitmap('A', 0, box, &out), 4u * 6u);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(box[0], 2);
  EXPECT_EQ(box[1], 4);
  EXPECT_EQ(box[2], 32);
  EXPECT_EQ(box[3], 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 32; ++x)
      EXPECT_EQ(ScaledPixel(out->GetData(), 4, x, y), x < 20 && TestFaceHandle::PixelSet(x / 2, y / 2))
          << x << "," << y;
  delete out;
  EXPECT_EQ(scaled.GetHeight(), 80);
  GFontMetrics metrics = scaled.GetMetrics();
  EXPECT_EQ(metrics.descent, 16);
  EXPECT_EQ(metrics.cellWidth, 48);
}

TEST(GScaledFontTest, AnImageTooLargeToMakeFails) {
  auto* face = new TestFontFace(SampleFaceMetrics(), SampleFaceExtras());
  TestFaceHandle handle(face, 0);
  GScaledFont scaled(&handle, 30000.0f, 30000.0f);
  int16_t box[4] = {};
  GByteBuffer* out = nullptr;
  EXPECT_EQ(scaled.GetGlyphBitmap('A', 0, box, &out), 0u);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
