// Text strings, escapements and text graphics: conversions between
// encodings (through the code-page converter and a glyph-code allocator),
// advances turned by an angle, the two ways a creator gives a text graphic,
// and the stored forms.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graphics/GFontFaceHandle.h"
#include "graphics/GGlyphCodeAllocator.h"
#include "graphics/GTextString.h"
#include "graphics/GTextStringGraphic.h"
#include "model/GSpacingDistributor.h"
#include "support/FontTestClasses.h"
#include "support/ModelRoundTrip.h"

namespace {

GTextString WideText(std::vector<uint16_t> codes, int32_t encoding) {
  auto* data = new uint16_t[codes.size()];
  std::copy(codes.begin(), codes.end(), data);
  return GTextString(new GArrayHolder<uint16_t>(data, static_cast<uint32_t>(codes.size()), true),
                     static_cast<uint16_t>(codes.size()), encoding);
}

GTextString ByteText(std::vector<uint8_t> bytes, int32_t encoding) {
  auto* data = new uint8_t[bytes.size()];
  std::copy(bytes.begin(), bytes.end(), data);
  return GTextString(new GArrayHolder<uint8_t>(data, static_cast<uint32_t>(bytes.size()), true),
                     static_cast<uint16_t>(bytes.size()), encoding);
}

std::vector<uint16_t> CharsOf(const GTextString& text) {
  std::vector<uint16_t> chars;
  for (uint32_t i = 0; i < text.GetLength(); ++i) chars.push_back(text.GetChar(i));
  return chars;
}

// The allocator of the base mapping.
class TextTestAllocator : public GGlyphCodeAllocator {
 protected:
  void Advance() override { SetNextCode(static_cast<uint16_t>(GetNextCode() + 1)); }
};

// ---- Conversion ----

TEST(GTextStringConversion, CodePageConversionsFollowTheSystemsCodePages) {
  struct Case {
    const char* what;
    GTextString source;
    int32_t target;
    int32_t size;
    std::vector<uint16_t> expected;
  };
  Case cases[] = {
      {"Unicode to itself", WideText({0x41, 0x3042}, 16), 16, 2, {0x41, 0x3042}},
      {"Unicode to Western", WideText({0x41, 0xE9, 0x20AC, 0x3042}, 16), 4, 1, {0x41, 0xE9, 0x80, 0}},
      {"Unicode to Central European", WideText({0x0150}, 16), 5, 1, {0xD5}},
      {"Western to Unicode", ByteText({0x80, 0x41}, 4), 16, 2, {0x20AC, 0x41}},
      {"Shift-JIS to Unicode", WideText({0x82A0, 0x41}, 17), 16, 2, {0x3042, 0x41}},
      {"Unicode to Shift-JIS", WideText({0x3042}, 16), 17, 2, {0x82A0}},
      {"Big5 to Unicode", WideText({0xA4A4}, 23), 16, 2, {0x4E2D}},
      {"glyph indexes to anything", WideText({5, 6, 7}, 1), 16, 1, {0, 0, 0}},
      {"anything to glyph indexes", WideText({0x41}, 16), 1, 1, {0}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    GTextString converted(c.source, c.target, nullptr);
    EXPECT_EQ(converted.GetEncoding(), c.target);
    EXPECT_EQ(converted.GetCharSize(), c.size);
    EXPECT_EQ(CharsOf(converted), c.expected);
  }
}

TEST(GTextStringConversion, GlyphCodesComeFromTheAllocator) {
  TextTestAllocator allocator;
  GTextString source = WideText({0x41, 0x3042, 0x4E2D, 0x3042}, 16);
  GTextString codes(source, 2, &allocator);
  EXPECT_EQ(codes.GetCharSize(), 2);
  EXPECT_EQ(CharsOf(codes), (std::vector<uint16_t>{0x41, 0x100, 0x101, 0x100}));
  // Bytes are copied unchanged; without an allocator every code is 0.
  GTextString bytes(ByteText({1, 2}, 4), 2, &allocator);
  EXPECT_EQ(CharsOf(bytes), (std::vector<uint16_t>{1, 2}));
  GTextString none(source, 2, nullptr);
  EXPECT_EQ(CharsOf(none), (std::vector<uint16_t>{0, 0, 0, 0}));
}

TEST(GTextStringConversion, EncodingsByClass) {
  EXPECT_TRUE(GTextString::IsSingleByteEncoding(3));
  EXPECT_TRUE(GTextString::IsSingleByteEncoding(52));
  EXPECT_FALSE(GTextString::IsSingleByteEncoding(13));
  EXPECT_FALSE(GTextString::IsSingleByteEncoding(16));
  EXPECT_TRUE(IsLeadByte(17, 0x82));
  EXPECT_FALSE(IsLeadByte(17, 0xA0));
  EXPECT_TRUE(IsLeadByte(22, 0x84));
  EXPECT_FALSE(IsLeadByte(4, 0x82));
  EXPECT_EQ(GetEncodingClass(1), 1);
  EXPECT_EQ(GetEncodingClass(23), 2);
  EXPECT_EQ(GetEncodingClass(4), 0);
}

// ---- Escapements ----

std::vector<int16_t> AxisOf(const GTextEscapements& e, bool x) {
  std::vector<int16_t> values;
  if ((x ? e.GetXAdvances() : e.GetYAdvances()) == nullptr) return values;
  for (uint32_t i = 0; i < e.GetCount(); ++i) values.push_back(x ? e.GetX(i) : e.GetY(i));
  return values;
}

TEST(GTextEscapementsTest, AdvancesTurnWithTheAngleAndRoundThePositions) {
  struct Case {
    float angle;
    std::vector<int16_t> advances, x, y;
  };
  const Case cases[] = {
      {0.0f, {10, 20}, {10, 20}, {}},
      {90.0f, {10, 20}, {}, {-10, -20}},
      {180.0f, {10, 20}, {-10, -20}, {}},
      {270.0f, {10, 20}, {}, {10, 20}},
      {45.0f, {10, 10, 10}, {7, 7, 7}, {-7, -7, -7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    // The advances are borrowed: turning them must not change the caller's.
    std::vector<int16_t> mine = c.advances;
    GTextEscapements e(GAngle(c.angle),
                       new GArrayHolder<int16_t>(mine.data(), static_cast<uint32_t>(mine.size()), false));
    EXPECT_EQ(AxisOf(e, true), c.x);
    EXPECT_EQ(AxisOf(e, false), c.y);
    EXPECT_EQ(mine, c.advances);
  }
}

TEST(GTextEscapementsTest, SettingAnAbsentAxisMakesItOnlyForANonZeroValue) {
  GTextEscapements e(nullptr, nullptr, 3);
  e.SetY(1, 0);
  EXPECT_EQ(e.GetYAdvances(), nullptr);
  e.SetY(1, 5);
  ASSERT_NE(e.GetYAdvances(), nullptr);
  EXPECT_EQ(AxisOf(e, false), (std::vector<int16_t>{0, 5, 0}));
  e.SetY(9, 5);  // past the end: nothing
  EXPECT_EQ(e.GetY(9), 0);
}

// ---- Text graphics ----

TEST(GTextStringGraphicTest, PositionsBecomeAdvancesFromTheFirstPosition) {
  const GShortPoint positions[] = {{100, 50}, {110, 50}, {125, 50}};
  auto* chars = new uint16_t[3]{'a', 'b', 'c'};
  GTextStringGraphic text(nullptr, chars, 1, 16, positions, 4, 3, nullptr);
  EXPECT_EQ(text.GetOrigin(), GShortPoint(100, 50));
  EXPECT_EQ(text.GetTotalAdvance(), 0);
  EXPECT_EQ(text.GetTextOptions(), 4);
  EXPECT_EQ(AxisOf(*text.GetEscapements(), true), (std::vector<int16_t>{10, 15, 0}));
  EXPECT_EQ(text.GetEscapements()->GetYAdvances(), nullptr);
  EXPECT_EQ(CharsOf(*text.GetText()), (std::vector<uint16_t>{'a', 'b', 'c'}));
}

TEST(GTextStringGraphicTest, ATextWithoutCharactersHasTheOriginZero) {
  const GShortPoint positions[] = {{100, 50}};
  GTextStringGraphic empty(nullptr, nullptr, 0, 16, positions, 0, 1, nullptr);
  EXPECT_EQ(empty.GetOrigin(), GShortPoint(0, 0));
  EXPECT_EQ(empty.GetText()->GetLength(), 0);
  GArrayHolder<GShortPoint> none;
  uint16_t one = 'x';
  GTextStringGraphic fromHolder(nullptr, &one, 0, 16, &none, 0, 1, nullptr);
  EXPECT_EQ(fromHolder.GetOrigin(), GShortPoint(0, 0));
  EXPECT_EQ(fromHolder.GetText()->GetLength(), 0);
}

TEST(GTextStringGraphicTest, DoubleByteTextJoinsLeadAndTrailWithTheirAdvances) {
  const uint8_t bytes[] = {0x41, 0x82, 0xA0, 0x42};
  const int16_t advances[] = {5, 6, 7, 8};
  GTextStringGraphic text(nullptr, 17, bytes, advances, 0, 4, GShortPoint(1, 2), nullptr, nullptr);
  EXPECT_EQ(text.GetText()->GetCharSize(), 2);
  EXPECT_EQ(CharsOf(*text.GetText()), (std::vector<uint16_t>{0x41, 0x82A0, 0x42}));
  EXPECT_EQ(AxisOf(*text.GetEscapements(), true), (std::vector<int16_t>{5, 13, 8}));
  EXPECT_EQ(text.GetTotalAdvance(), 26);

  const uint8_t plain[] = {0x41, 0x42};
  GTextStringGraphic ascii(nullptr, 17, plain, advances, 0, 2, GShortPoint(), nullptr, nullptr);
  EXPECT_EQ(ascii.GetText()->GetCharSize(), 1);
  EXPECT_EQ(ascii.GetText()->GetBytes(), plain);  // borrowed
}

TEST(GTextStringGraphicTest, UnicodeBelow256IsStoredAsBytesAndTheFontGivesMissingAdvances) {
  auto* face = new qvtest::TestFontFace(qvtest::SampleFaceMetrics(), qvtest::SampleFaceExtras());
  face->SetWidthSource(new qvtest::TestWidthSource);
  const uint16_t codes[] = {'A', ' ', 'B'};
  // One unit per character and one more at every break character.
  GSpacingStep character{1, 1, 0, 3, 0};
  GSpacingStep breaks{4, 1, 0, 1, 0};
  GSpacingDistributor spacing(character, breaks, 0, 0);
  GTextStringGraphic text(new qvtest::TestFaceHandle(face, 0), 16, codes, nullptr, 0, 3, GShortPoint(), &spacing,
                          nullptr);
  EXPECT_EQ(text.GetText()->GetCharSize(), 1);
  const int16_t a = qvtest::TestWidthSource::WidthOf('A');
  const int16_t space = qvtest::TestWidthSource::WidthOf(' ');
  const int16_t b = qvtest::TestWidthSource::WidthOf('B');
  EXPECT_EQ(AxisOf(*text.GetEscapements(), true), (std::vector<int16_t>{static_cast<int16_t>(a + 1),
                                                                         static_cast<int16_t>(space + 4),
                                                                         static_cast<int16_t>(b + 1)}));
  EXPECT_EQ(text.GetTotalAdvance(), a + space + b + 6);
}

TEST(GTextStringGraphicTest, UserDefinedCharactersAndCodeLists) {
  const GShortPoint at[] = {{0, 0}, {1, 0}};
  auto* chars = new uint16_t[2]{0x41, 0xE001};
  GTextStringGraphic text(nullptr, chars, 1, 16, at, 0, 2, nullptr);
  EXPECT_TRUE(text.HasUserDefinedCharacters());
  const uint16_t hit[] = {2, 0x30, 0xE001};
  const uint16_t miss[] = {2, 0x30, 0x42};
  const uint16_t empty[] = {0};
  EXPECT_TRUE(text.ContainsAnyCode(hit));
  EXPECT_FALSE(text.ContainsAnyCode(miss));
  EXPECT_FALSE(text.ContainsAnyCode(empty));
  EXPECT_FALSE(text.ContainsAnyCode(nullptr));
}

TEST(GTextStringGraphicTest, PinningOwnsTheCharactersAndTellsTheFont) {
  auto* face = new qvtest::TestFontFace(qvtest::SampleFaceMetrics(), qvtest::SampleFaceExtras());
  std::vector<uint8_t> bytes = {'h', 'i'};
  GTextStringGraphic text(new qvtest::TestFaceHandle(face, 0), 4, bytes.data(), nullptr, 0, 2, GShortPoint(),
                          nullptr, nullptr);
  text.PinResources();
  bytes[0] = 'X';
  EXPECT_EQ(text.GetText()->GetChar(0), 'h');
  ASSERT_EQ(face->preparedCharacters.size(), 1u);
  EXPECT_EQ(face->preparedCharacters[0], 2);  // an outline face
}

TEST(GTextStringGraphicTest, StoredTextGraphicsReadBackInEveryForm) {
  const GShortPoint positions[] = {{100, 50}, {110, 55}, {125, 50}};
  auto* chars = new uint16_t[3]{0x41, 0x3042, 0x42};
  GTextStringGraphic text(nullptr, chars, 1, 16, positions, 9, 3, nullptr);
  qvtest::ExpectRoundTripsInAllForms(text);
  qvtest::ExpectStoredByteCountIsWritten(text);
  qvtest::ExpectRoundTripsInAllForms(*text.GetText());
  qvtest::ExpectRoundTripsInAllForms(*text.GetEscapements());
  GTextStringGraphic copy(text);
  EXPECT_EQ(copy.Matches(&text), 1);
  EXPECT_NE(copy.GetText(), text.GetText());
  GTextStringGraphic empty;
  qvtest::ExpectRoundTripsInAllForms(empty);
  GTextStringGraphic emptyCopy(empty);
  EXPECT_EQ(emptyCopy.GetText(), nullptr);
}

}  // namespace
