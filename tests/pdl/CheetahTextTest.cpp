// The PCL XL generator's text and font download. The rendering tests let
// the independent interpreter judge the jobs: text in a printer font and in
// downloaded TrueType fonts (DejaVu and Liberation) lands where it was
// drawn, and a large glyph has the shape FreeType gives the same font at
// the same size. The stream tests pin what the interpreter cannot tell:
// each glyph goes once per job, the font header's layout, the text state
// that keeps SetFont and the character attributes from repeating, the
// printer-font selection and the queries.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graphics/GBrush.h"
#include "graphics/GByteBuffer.h"
#include "graphics/GColor.h"
#include "graphics/GPaint.h"
#include "graphics/GPen.h"
#include "graphics/GTTFontReader.h"
#include "graphics/GTextString.h"
#include "graphics/GTextStringGraphic.h"
#include "model/GDeviceFontDescription.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "pdl/GCheetahDownloadRecord.h"
#include "pdl/XLStream.h"
#include "support/PclInterpreter.h"
#include "support/PythonJudge.h"
#include "support/RecordingChannel.h"
#include "support/TrueTypeTestFace.h"
#include "support/XlJobDriver.h"
#include "w32test/Testing.h"

namespace {

using qvtest::TestTrueTypeFaceHandle;
using qvtest::XlJobDriver;

constexpr int kTextRenderDpi = 100;
constexpr int kTextRenderScale = 600 / kTextRenderDpi;

GGraphicBundle* BlackText() {
  auto* bundle = new GGraphicBundle;
  bundle->SetBrush(new GBrush(new GColorPaint(new GRGBColor(0, 0, 0, 255)), nullptr));
  bundle->SetPen(new GNoPen(nullptr));
  return bundle;
}

// The characters and advances of the texts a test draws: a graphic
// borrows them until it is sent.
struct TextKeeper {
  std::vector<std::unique_ptr<std::u16string>> texts;
  std::vector<std::unique_ptr<std::vector<int16_t>>> advances;
  std::vector<std::unique_ptr<std::string>> bytes;
};

// A text graphic of the face (a new handle on it) at the origin, in
// Unicode, with the font's own advances.
GTextStringGraphic* XlText(TextKeeper& keep, TestTrueTypeFaceHandle* face, const std::u16string& text,
                           GShortPoint origin, int32_t encoding = textenc::kUnicode) {
  keep.texts.push_back(std::make_unique<std::u16string>(text));
  keep.advances.push_back(std::make_unique<std::vector<int16_t>>());
  for (char16_t c : text) keep.advances.back()->push_back(face->AdvanceOf(c));
  return new GTextStringGraphic(new TestTrueTypeFaceHandle(*face), encoding, keep.texts.back()->data(),
                                keep.advances.back()->data(), 0, static_cast<uint16_t>(text.size()), origin, nullptr,
                                BlackText());
}

// ---- Printer-resident fonts ----

// A scalable printer font for Windows Latin 1 (text encoding 4), upright,
// weight 400, named "Courier" and selected by the select string.
GDeviceFontDescription CourierDescription(const char* select, int32_t location = 0, int32_t defaultSet = 4,
                                          const char* name = "Courier") {
  GDeviceFontDescription::SymbolSetVector sets;
  sets.Append(4);
  return GDeviceFontDescription(name, select, defaultSet, sets, 400, 0, 0, 0, 1, 0, 7, location);
}

// The device-font lists of the configuration: one list with the fonts.
GDeviceFontListComposite* PrinterFonts(const std::vector<GDeviceFontDescription>& fonts) {
  auto* lists = new GDeviceFontListComposite;
  auto* list = new GDeviceFontList(1);
  for (const auto& font : fonts) list->AddFont(font);
  lists->Add(list);
  return lists;
}

// A face the printer font stands in for: "Courier", 150 pixels, encoding
// 4, bitmaps only (nothing to download).
qvtest::TestFaceHandle* CourierFace(int16_t height = 150, const char* name = "Courier") {
  GFontMetrics m = qvtest::TrueTypeFaceMetrics(name, height);
  auto* face = new qvtest::TestFontFace(m, GFontDownloadExtras{});
  face->kind = 1;
  return new qvtest::TestFaceHandle(face, 0);
}

// Single-byte text (encoding 4) in the Courier face, 0.6 em a character.
GTextStringGraphic* CourierText(TextKeeper& keep, const std::string& text, GShortPoint origin,
                                int32_t encoding = 4, qvtest::TestFaceHandle* face = nullptr) {
  keep.texts.push_back(std::make_unique<std::u16string>(text.begin(), text.end()));
  keep.bytes.push_back(std::make_unique<std::string>(text));
  if (face == nullptr) face = CourierFace();
  keep.advances.push_back(std::make_unique<std::vector<int16_t>>(text.size(), face->GetHeight() * 6 / 10));
  return new GTextStringGraphic(face, encoding, keep.bytes.back()->data(), keep.advances.back()->data(), 0,
                                static_cast<uint16_t>(text.size()), origin, nullptr, BlackText());
}

// ---- Reading the stream ----

// The operators of interest, with what the tests read of them.
struct XlOp {
  uint8_t code = 0;
  size_t at = 0;  // offset of the operator byte
};

// PCL XL operator codes.
enum : uint8_t {
  kOpBeginFontHeader = 0x4F,
  kOpReadFontHeader = 0x50,
  kOpEndFontHeader = 0x51,
  kOpBeginChar = 0x52,
  kOpReadChar = 0x53,
  kOpEndChar = 0x54,
  kOpRemoveFont = 0x55,
  kOpSetCharAttributes = 0x56,
  kOpSetCharAngle = 0x64,
  kOpSetCharScale = 0x65,
  kOpSetCharShear = 0x66,
  kOpSetFont = 0x6F,
  kOpSetCharBoldValue = 0x7D,
  kOpSetCursor = 0x6B,
  kOpText = 0xA8,
};

uint32_t Le(const std::string& s, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(s[at + i]);
  return value;
}

// An embedded data block at the offset (FA with a 32-bit length or FB with
// an 8-bit one): its data's offset and length; false when there is none.
bool Embedded(const std::string& s, size_t at, size_t* data, uint32_t* length) {
  if (at + 2 <= s.size() && static_cast<uint8_t>(s[at]) == 0xFB) {
    *length = static_cast<uint8_t>(s[at + 1]);
    *data = at + 2;
  } else if (at + 5 <= s.size() && static_cast<uint8_t>(s[at]) == 0xFA) {
    *length = Le(s, at + 1, 4);
    *data = at + 5;
  } else {
    return false;
  }
  return *data + *length <= s.size();
}

// The characters of the stream: ReadChar "C1 <code16> F8 A2 C2 <size32> F8
// A3 53" with its code, the size it announces and the length of the block
// that follows it, in order.
struct XlChar {
  uint16_t code = 0;
  uint32_t announced = 0;
  uint32_t length = 0;
};

std::vector<XlChar> ReadChars(const std::string& s) {
  std::vector<XlChar> chars;
  for (size_t at = 0; at + 14 <= s.size(); ++at) {
    if (static_cast<uint8_t>(s[at]) == 0xC1 && static_cast<uint8_t>(s[at + 3]) == 0xF8 &&
        static_cast<uint8_t>(s[at + 4]) == 0xA2 && static_cast<uint8_t>(s[at + 5]) == 0xC2 &&
        static_cast<uint8_t>(s[at + 10]) == 0xF8 && static_cast<uint8_t>(s[at + 11]) == 0xA3 &&
        static_cast<uint8_t>(s[at + 12]) == kOpReadChar) {
      size_t data = 0;
      uint32_t length = 0;
      if (!Embedded(s, at + 13, &data, &length)) break;
      chars.push_back({static_cast<uint16_t>(Le(s, at + 1, 2)), Le(s, at + 6, 4), length});
      at = data + length - 1;  // past the character's data
    }
  }
  return chars;
}

std::vector<uint16_t> SentCodes(const std::string& s) {
  std::vector<uint16_t> codes;
  for (const XlChar& c : ReadChars(s)) {
    EXPECT_EQ(c.announced, c.length) << c.code;
    codes.push_back(c.code);
  }
  return codes;
}

// Counts of an operator byte preceded by an attribute id (F8 xx) or, for
// operators without attributes, anywhere outside embedded data. Embedded
// blocks (FA <len32>) are skipped.
size_t CountOps(const std::string& s, uint8_t op) {
  size_t count = 0;
  for (size_t at = 0; at < s.size(); ++at) {
    const uint8_t b = static_cast<uint8_t>(s[at]);
    size_t data = 0;
    uint32_t length = 0;
    if (Embedded(s, at, &data, &length)) {
      at = data + length - 1;
      continue;
    }
    if (b == op && at >= 2 && static_cast<uint8_t>(s[at - 2]) == 0xF8) ++count;
  }
  return count;
}

// The ReadFontHeader pieces of the first font header: the length each
// announces and its bytes ("C1 <len16> F8 <id> 50", then the block).
std::vector<std::pair<uint32_t, std::string>> FontHeaderPieces(const std::string& s) {
  std::vector<std::pair<uint32_t, std::string>> pieces;
  for (size_t at = 0; at + 8 <= s.size(); ++at) {
    if (static_cast<uint8_t>(s[at]) == 0xC1 && static_cast<uint8_t>(s[at + 3]) == 0xF8 &&
        static_cast<uint8_t>(s[at + 5]) == kOpReadFontHeader) {
      size_t from = 0;
      uint32_t length = 0;
      if (!Embedded(s, at + 6, &from, &length)) break;
      pieces.push_back({Le(s, at + 1, 2), s.substr(from, length)});
      at = from + length - 1;
    } else if (static_cast<uint8_t>(s[at]) == kOpEndFontHeader && !pieces.empty()) {
      break;
    }
  }
  return pieces;
}

// The header data of the first font header: its pieces joined.
std::string FontHeaderData(const std::string& s) {
  std::string data;
  for (const auto& [announced, bytes] : FontHeaderPieces(s)) {
    EXPECT_EQ(announced, bytes.size());
    data += bytes;
  }
  return data;
}

uint32_t Be(const std::string& s, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | static_cast<uint8_t>(s[at + i]);
  return value;
}

class CheetahTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    qvtest::RegisterFontTestClasses();
    interpreter = qvtest::PclInterpreter();
  }
  void TearDown() override { qvtest::UnregisterFontTestClasses(); }
  std::unique_ptr<TestTrueTypeFaceHandle> Face(const char* path, const char* name, int16_t height,
                                               GFontDownloadExtras extras = {}) {
    std::unique_ptr<TestTrueTypeFaceHandle> face(qvtest::MakeTrueTypeFace(path, name, height, extras));
    return face;
  }
  std::string interpreter;
  TextKeeper keep;
};

// ---- FreeType's reference ----

// A page-sized 1-bit canvas at the rendering resolution (true: black).
struct Canvas {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  Canvas(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, 0) {}
  bool At(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height && pixels[static_cast<size_t>(y) * width + x] != 0;
  }
};

// The text as FreeType draws the font at the same size, each glyph at the
// pen position the generator gave the interpreter (device pixels at 600
// dpi, turned into page pixels).
bool FreeTypeText(const char* path, int16_t height, const std::u16string& text, const std::vector<int16_t>& advances,
                  GShortPoint origin, Canvas& out) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return false;
  FT_Face face = nullptr;
  bool ok = FT_New_Face(library, path, 0, &face) == 0 &&
            FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(height / kTextRenderScale)) == 0;
  int pen = origin.x;
  for (size_t i = 0; ok && i < text.size(); ++i) {
    ok = FT_Load_Char(face, text[i], FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0;
    if (!ok) break;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const int left = pen / kTextRenderScale + face->glyph->bitmap_left;
    const int top = origin.y / kTextRenderScale - face->glyph->bitmap_top;
    for (unsigned int y = 0; y < bitmap.rows; ++y)
      for (unsigned int x = 0; x < bitmap.width; ++x)
        if ((bitmap.buffer[y * bitmap.pitch + x / 8] & (0x80 >> (x % 8))) != 0) {
          const int px = left + static_cast<int>(x);
          const int py = top + static_cast<int>(y);
          if (px >= 0 && py >= 0 && px < out.width && py < out.height) out.pixels[py * out.width + px] = 1;
        }
    pen += advances[i];
  }
  if (face != nullptr) FT_Done_Face(face);
  FT_Done_FreeType(library);
  return ok;
}

// The bounding box of black pixels in a band of rows (page pixels).
struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  bool Empty() const { return right < 0; }
  void Add(int x, int y) {
    left = std::min(left, x);
    right = std::max(right, x);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  }
};

template <typename Dark>
Box DarkBox(int width, int top, int bottom, Dark dark) {
  Box b;
  for (int y = std::max(top, 0); y < bottom; ++y)
    for (int x = 0; x < width; ++x)
      if (dark(x, y)) b.Add(x, y);
  return b;
}

Box PageBox(const qvtest::GrayPage& page, int top, int bottom) {
  return DarkBox(page.width, top, std::min(bottom, page.height), [&](int x, int y) { return page.At(x, y) < 128; });
}

Box CanvasBox(const Canvas& canvas, int top, int bottom) {
  return DarkBox(canvas.width, top, std::min(bottom, canvas.height), [&](int x, int y) { return canvas.At(x, y); });
}

// ---- Rendering ----

// A printer font that the device model lists stands in for its face; two
// downloaded TrueType faces print their text. Each string's marked area is
// where FreeType marks the same text in the same font, and the printer
// font's text starts at its position on its baseline.
TEST_F(CheetahTextTest, PrinterAndDownloadedFontsPrintWhereTheTextWasDrawn) {
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  auto* configuration = qvtest::XlConfiguration();
  // The same printer font by its name, and by a PCL selection command with
  // the height and pitch filled in.
  configuration->AddChild(PrinterFonts(
      {CourierDescription("Courier         "),
       CourierDescription("\x1b(19U\x1b(s0p#PITCHh#HEIGHTv0s0b4099T", 0, 4, "Courier by command")}));
  XlJobDriver job(configuration);
  auto dejavu = Face(qvtest::kDejaVuSans, "DejaVu Sans", 150);
  auto liberation = Face(qvtest::kLiberationSerif, "Liberation Serif", 150);
  ASSERT_NE(dejavu, nullptr);
  ASSERT_NE(liberation, nullptr);
  struct Line {
    TestTrueTypeFaceHandle* face;
    const char* path;
    std::u16string text;
    GShortPoint origin;
  } lines[] = {{dejavu.get(), qvtest::kDejaVuSans, u"Hamburgefonts 1234", GShortPoint(600, 1500)},
               {liberation.get(), qvtest::kLiberationSerif, u"Jackdaws love my quartz", GShortPoint(900, 2700)}};
  ASSERT_EQ(job.Start(), 0);
  ASSERT_EQ(job.StartPage(), 0);
  EXPECT_EQ(job.Draw(CourierText(keep, "Printer", GShortPoint(600, 600))), 0);
  EXPECT_EQ(job.Draw(CourierText(keep, "Printer", GShortPoint(3000, 600), 4, CourierFace(150, "Courier by command"))),
            0);
  for (const Line& line : lines) EXPECT_EQ(job.Draw(XlText(keep, line.face, line.text, line.origin)), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.End(), 0);
  // The printer font is selected, never downloaded; each face once.
  EXPECT_EQ(CountOps(job.StreamBytes(), kOpBeginFontHeader), 2u);

  const qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job.Bytes(), "text_fonts", kTextRenderDpi);
  // The page to look at.
  const std::string png = ::testing::TempDir() + "qv_xl_text_fonts-%d.png";
  EXPECT_TRUE(qvtest::WritePclPng(interpreter, job.Bytes(), png, kTextRenderDpi));
  RecordProperty("page", png);
  EXPECT_EQ(rendered.status, 0) << rendered.errors;
  EXPECT_EQ(rendered.errors.find("rror"), std::string::npos) << rendered.errors;
  ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
  const qvtest::GrayPage& page = rendered.pages[0];

  // "Printer" in a monospaced font of 150 pixels (25 page pixels, 18
  // points): seven cells of 0.6 em from x 100 (and 500), resting on the
  // baseline at y 100.
  for (int left : {100, 500}) {
    SCOPED_TRACE(left);
    const Box printer = DarkBox(left + 150, 600 / kTextRenderScale - 30, 600 / kTextRenderScale + 10,
                                [&](int x, int y) { return x >= left - 20 && page.At(x, y) < 128; });
    ASSERT_FALSE(printer.Empty());
    EXPECT_NEAR(printer.left, left, 4);
    EXPECT_NEAR(printer.bottom, 100, 2);
    EXPECT_NEAR(printer.right, left + 7 * 15, 8);
    EXPECT_GT(printer.bottom - printer.top, 12);
  }

  for (const Line& line : lines) {
    SCOPED_TRACE(qvtest::Hex(std::string(line.path)));
    std::vector<int16_t> advances;
    for (char16_t c : line.text) advances.push_back(line.face->AdvanceOf(c));
    Canvas reference(page.width, page.height);
    ASSERT_TRUE(FreeTypeText(line.path, line.face->GetHeight(), line.text, advances, line.origin, reference));
    const int top = line.origin.y / kTextRenderScale - 40;
    const int bottom = line.origin.y / kTextRenderScale + 15;
    const Box expected = CanvasBox(reference, top, bottom);
    const Box got = PageBox(page, top, bottom);
    ASSERT_FALSE(got.Empty());
    EXPECT_NEAR(got.left, expected.left, 2);
    EXPECT_NEAR(got.right, expected.right, 2);
    EXPECT_NEAR(got.top, expected.top, 2);
    EXPECT_NEAR(got.bottom, expected.bottom, 2);
  }
}

// A known string at a large size has FreeType's glyph shapes: of the
// pixels either of them marks, at least 85% are marked by both (the two
// rasterizers differ only along the edges).
TEST_F(CheetahTextTest, LargeDownloadedGlyphsHaveTheShapesFreeTypeDraws) {
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  for (const char* path : {qvtest::kDejaVuSans, qvtest::kLiberationSerif}) {
    SCOPED_TRACE(path);
    auto face = Face(path, "Large", 1200);
    ASSERT_NE(face, nullptr);
    const std::u16string text = u"Rg&";
    const GShortPoint origin(600, 2400);
    XlJobDriver job;
    ASSERT_EQ(job.Start(), 0);
    ASSERT_EQ(job.StartPage(), 0);
    EXPECT_EQ(job.Draw(XlText(keep, face.get(), text, origin)), 0);
    ASSERT_EQ(job.EndPage(), 0);
    ASSERT_EQ(job.End(), 0);
    const qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job.Bytes(), "text_large", kTextRenderDpi);
    EXPECT_EQ(rendered.status, 0) << rendered.errors;
    ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
    const qvtest::GrayPage& page = rendered.pages[0];
    std::vector<int16_t> advances;
    for (char16_t c : text) advances.push_back(face->AdvanceOf(c));
    Canvas reference(page.width, page.height);
    ASSERT_TRUE(FreeTypeText(path, face->GetHeight(), text, advances, origin, reference));
    size_t both = 0;
    size_t either = 0;
    for (int y = 0; y < page.height; ++y)
      for (int x = 0; x < page.width; ++x) {
        const bool ours = page.At(x, y) < 128;
        const bool theirs = reference.At(x, y);
        both += ours && theirs;
        either += ours || theirs;
      }
    ASSERT_GT(either, 5000u);
    EXPECT_GE(static_cast<double>(both) / static_cast<double>(either), 0.85) << both << " of " << either;
  }
}

// ---- The stream ----

// A started job on one Letter page, its text drawn by the test.
struct TextJob {
  explicit TextJob(GConfiguration* configuration = qvtest::XlConfiguration()) : job(configuration) {
    EXPECT_EQ(job.Start(), 0);
    EXPECT_EQ(job.StartPage(), 0);
  }
  // The stream written since the last call.
  std::string Take() {
    job.generator.GetStream() != nullptr ? XLStreamFlush(job.generator.GetStream()) : void();
    const std::string all = job.StreamBytes();
    const std::string news = all.substr(std::min(seen, all.size()));
    seen = all.size();
    return news;
  }
  XlJobDriver job;
  size_t seen = 0;
};

// Each character goes once per job: a second text sends only what is
// new, a text of nothing new sends nothing, and the next page keeps the
// font. The first header sends glyph 0 under 0xFFFF.
TEST_F(CheetahTextTest, EachCharacterIsSentOncePerJob) {
  auto face = Face(qvtest::kDejaVuSans, "DejaVu Sans", 100);
  ASSERT_NE(face, nullptr);
  TextJob t;
  EXPECT_EQ(t.job.Draw(XlText(keep, face.get(), u"Hello", GShortPoint(100, 200))), 0);
  const std::string first = t.Take();
  EXPECT_EQ(CountOps(first, kOpBeginFontHeader), 1u);
  EXPECT_EQ(SentCodes(first), (std::vector<uint16_t>{0xFFFF, 'H', 'e', 'l', 'o'}));
  EXPECT_EQ(t.job.Draw(XlText(keep, face.get(), u"Help!", GShortPoint(100, 400))), 0);
  const std::string second = t.Take();
  EXPECT_EQ(CountOps(second, kOpBeginFontHeader), 0u);
  EXPECT_EQ(SentCodes(second), (std::vector<uint16_t>{'p', '!'}));
  EXPECT_EQ(t.job.Draw(XlText(keep, face.get(), u"hello", GShortPoint(100, 600))), 0);
  EXPECT_EQ(SentCodes(t.Take()), (std::vector<uint16_t>{'h'}));
  EXPECT_EQ(t.job.EndPage(), 0);
  EXPECT_EQ(t.job.StartPage(), 0);
  EXPECT_EQ(t.job.Draw(XlText(keep, face.get(), u"Hello", GShortPoint(100, 200))), 0);
  const std::string next = t.Take();
  EXPECT_TRUE(SentCodes(next).empty());
  EXPECT_EQ(CountOps(next, kOpBeginFontHeader), 0u);
  EXPECT_EQ(CountOps(next, kOpText), 1u);
}

// A composite glyph sends its components under 0xFFFF, each once; another
// character of the same components sends only itself.
TEST_F(CheetahTextTest, CompositeGlyphsSendTheirComponentsOnce) {
  auto face = Face(qvtest::kDejaVuSans, "DejaVu Sans", 100);
  ASSERT_NE(face, nullptr);
  // In DejaVu Sans, e acute and e grave are composites of "e" and an accent.
  std::unique_ptr<GByteBuffer> data;
  ASSERT_GT(face->Reader().GetGlyphData(0, 0, face->Reader().GetGlyphIndex(0, 0, 0xE9, textenc::kUnicode), data), 2u);
  ASSERT_LT(static_cast<int16_t>(data->GetData()[0] << 8 | data->GetData()[1]), 0);
  TextJob t;
  t.Take();
  EXPECT_EQ(t.job.Draw(XlText(keep, face.get(), u"\u00e9", GShortPoint(100, 200))), 0);
  const std::vector<uint16_t> first = SentCodes(t.Take());
  // Glyph 0 of the header, the character, and its two components.
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(std::count(first.begin(), first.end(), 0xE9), 1);
  EXPECT_EQ(std::count(first.begin(), first.end(), 0xFFFF), 3);
  // "e" is one of the components already sent: drawing it sends its
  // character, but no component again.
  EXPECT_EQ(t.job.Draw(XlText(keep, face.get(), u"e\u00e8", GShortPoint(100, 400))), 0);
  const std::vector<uint16_t> second = SentCodes(t.Take());
  EXPECT_EQ(std::count(second.begin(), second.end(), 'e'), 1);
  EXPECT_EQ(std::count(second.begin(), second.end(), 0xE8), 1);
  EXPECT_LE(std::count(second.begin(), second.end(), 0xFFFF), 1);  // the grave accent at most
}

// The font header: the descriptor, a GT segment holding an sfnt that
// fontTools reads (with "head" and "maxp" as in the font file), the GC
// segment and the closing null segment (the hinting tables padded with
// zeros to a multiple of four bytes); the name counts the downloads.
TEST_F(CheetahTextTest, TheFontHeaderCarriesTheTrueTypeTablesTheInterpreterNeeds) {
  auto face = Face(qvtest::kDejaVuSans, "DejaVu Sans", 100);
  ASSERT_NE(face, nullptr);
  TextJob t;
  EXPECT_EQ(t.job.Draw(XlText(keep, face.get(), u"A", GShortPoint(100, 200))), 0);
  const std::string stream = t.Take();
  EXPECT_NE(stream.find("0TTDejaVu Sans"), std::string::npos);
  const std::string header = FontHeaderData(stream);
  ASSERT_GT(header.size(), 26u);
  // Descriptor: format 0, orientation 0, symbol set 2 (the glyph codes of
  // Unicode text), TrueType, variety 0, 224 characters (32 to 255).
  EXPECT_EQ(qvtest::Hex(header.substr(0, 8)), "0000000201000" "0e0");
  ASSERT_EQ(header.substr(8, 2), "GT");
  const uint32_t d = Be(header, 10, 4);
  ASSERT_LE(14 + d, header.size());
  const std::string sfnt = header.substr(14, d);
  // DejaVu has "cvt ", "fpgm" and "prep": six tables, "gdir" empty.
  EXPECT_EQ(qvtest::Hex(sfnt.substr(0, 12)), "000100000006004000020020");
  std::vector<std::string> tags;
  for (int i = 0; i < 6; ++i) tags.push_back(sfnt.substr(12 + 16 * i, 4));
  EXPECT_EQ(tags, (std::vector<std::string>{"cvt ", "fpgm", "gdir", "head", "maxp", "prep"}));
  const std::string rest = header.substr(14 + d);
  EXPECT_EQ(qvtest::Hex(rest), "4743000000060000ffff0000ffff00000000");

  std::string output;
  const std::string script = "import io\nfrom fontTools.ttLib import TTFont\n"
                             "f = TTFont(io.BytesIO(bytes.fromhex('" + qvtest::Hex(sfnt) + "')), lazy=True)\n"
                             "r = TTFont('" + std::string(qvtest::kDejaVuSans) + "')\n"
                             "print(f['head'].unitsPerEm == r['head'].unitsPerEm, f['maxp'].numGlyphs == r['maxp'].numGlyphs,"
                             " *[f.reader[t][:len(r.reader[t])] == r.reader[t] and not f.reader[t][len(r.reader[t]):].strip(b'\\0')"
                             " for t in ('fpgm', 'prep', 'cvt ')])\n";
  if (!qvtest::RunPython(script, &output, "/usr/bin/python3")) GTEST_SKIP() << "python3 with fontTools is not available";
  EXPECT_EQ(output, "True True True True True\n");
}

// Header data is cut into pieces of at most 65535 bytes; a table's pad
// joins its last piece when it fits and goes alone when it does not.
TEST_F(CheetahTextTest, HeaderDataGoesInPiecesOfAtMost65535Bytes) {
  struct Case {
    uint32_t length;
    bool pad;
    std::vector<uint32_t> pieces;
  } cases[] = {{6, true, {8}},          {8, true, {8}},          {6, false, {6}},
               {70001, true, {65535, 4469}}, {65534, true, {65534, 2}}, {131070, false, {65535, 65535}},
               {0, true, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    TextJob t;
    t.Take();
    std::string bytes(c.length, '\x5A');
    t.job.generator.WriteFontHeaderData(reinterpret_cast<const uint8_t*>(bytes.data()), c.length, c.pad);
    const std::string stream = t.Take();
    std::vector<uint32_t> pieces;
    for (const auto& piece : FontHeaderPieces(stream)) pieces.push_back(piece.first);
    const std::string joined = FontHeaderData(stream);
    EXPECT_EQ(pieces, c.pieces);
    const uint32_t padded = c.pad ? (c.length + 3) / 4 * 4 : c.length;
    EXPECT_EQ(joined, bytes + std::string(padded - c.length, '\0'));
  }
}

// The text state keeps SetFont and the character attributes from
// repeating: a second text of the face writes only SetCursor and Text; the
// next page selects the font again but writes no unchanged attribute. A
// bold request is written once; an italic one gives shear, scale and
// angle together.
TEST_F(CheetahTextTest, TheTextStateWritesOnlyWhatChanged) {
  GFontDownloadExtras boldItalic;
  boldItalic.extrasShort = 700;
  boldItalic.extrasInt1 = 1;
  auto plain = Face(qvtest::kDejaVuSans, "DejaVu Sans", 100);
  auto styled = Face(qvtest::kLiberationSerif, "Liberation Serif", 100, boldItalic);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(styled, nullptr);
  TextJob t;
  t.Take();
  EXPECT_EQ(t.job.Draw(XlText(keep, plain.get(), u"one", GShortPoint(100, 200))), 0);
  const std::string first = t.Take();
  EXPECT_EQ(CountOps(first, kOpSetFont), 1u);
  for (uint8_t op : {kOpSetCharBoldValue, kOpSetCharShear, kOpSetCharScale, kOpSetCharAngle, kOpSetCharAttributes})
    EXPECT_EQ(CountOps(first, op), 0u) << int(op);
  EXPECT_EQ(t.job.Draw(XlText(keep, plain.get(), u"one", GShortPoint(100, 400))), 0);
  const std::string second = t.Take();
  EXPECT_EQ(CountOps(second, kOpSetFont), 0u);
  EXPECT_EQ(CountOps(second, kOpSetCursor), 1u);
  EXPECT_EQ(CountOps(second, kOpText), 1u);

  EXPECT_EQ(t.job.Draw(XlText(keep, styled.get(), u"two", GShortPoint(100, 600))), 0);
  const std::string bold = t.Take();
  EXPECT_EQ(CountOps(bold, kOpSetFont), 1u);
  EXPECT_EQ(CountOps(bold, kOpSetCharBoldValue), 1u);
  EXPECT_EQ(CountOps(bold, kOpSetCharShear), 1u);
  EXPECT_EQ(CountOps(bold, kOpSetCharScale), 1u);
  EXPECT_EQ(CountOps(bold, kOpSetCharAngle), 1u);
  // CharBoldValue 0.015 as real32, then the operator.
  const float value = 0.015f;
  std::string boldValue("\xC5", 1);
  boldValue.append(reinterpret_cast<const char*>(&value), 4);
  EXPECT_NE(bold.find(boldValue), std::string::npos);
  EXPECT_EQ(t.job.Draw(XlText(keep, styled.get(), u"two", GShortPoint(100, 800))), 0);
  const std::string again = t.Take();
  EXPECT_EQ(CountOps(again, kOpSetCharBoldValue) + CountOps(again, kOpSetCharShear) + CountOps(again, kOpSetFont), 0u);

  EXPECT_EQ(t.job.EndPage(), 0);
  EXPECT_EQ(t.job.StartPage(), 0);
  t.Take();
  EXPECT_EQ(t.job.Draw(XlText(keep, plain.get(), u"one", GShortPoint(100, 200))), 0);
  const std::string next = t.Take();
  EXPECT_EQ(CountOps(next, kOpSetFont), 1u);
  for (uint8_t op : {kOpSetCharShear, kOpSetCharScale, kOpSetCharAngle}) EXPECT_EQ(CountOps(next, op), 0u) << int(op);
}

// A font removed from the printer (by name) is selected again by the next
// text; a text that overflows the declared characters releases the font,
// sends its header again under the same name and only that text's
// characters.
TEST_F(CheetahTextTest, ARemovedOrOverflowingFontIsSentAndSelectedAgain) {
  auto face = Face(qvtest::kDejaVuSans, "DejaVu Sans", 100);
  ASSERT_NE(face, nullptr);
  TextJob t;
  t.Take();
  EXPECT_EQ(t.job.Draw(XlText(keep, face.get(), u"abc", GShortPoint(100, 200))), 0);
  t.Take();
  EXPECT_EQ(t.job.generator.RemoveDownloadedFont(RWCString("0TTDejaVu Sans")), 0);
  EXPECT_EQ(t.job.generator.GetTextState().name, RWCString("No Font"));
  EXPECT_EQ(t.job.Draw(XlText(keep, face.get(), u"abc", GShortPoint(100, 400))), 0);
  EXPECT_EQ(CountOps(t.Take(), kOpSetFont), 1u);

  // A face of six characters (32 to 37): five, then three more.
  GFontMetrics small = qvtest::TrueTypeFaceMetrics("Small", 100);
  small.lastChar = 37;
  auto* smallFace = new qvtest::TestFontFace(small, GFontDownloadExtras{});
  smallFace->kind = 2;
  std::unique_ptr<TestTrueTypeFaceHandle> six(new TestTrueTypeFaceHandle(
      smallFace, std::make_shared<qvtest::TestFontReader>(1, qvtest::ReadFontFile(qvtest::kDejaVuSans))));
  EXPECT_EQ(t.job.Draw(XlText(keep, six.get(), u"vwxyz", GShortPoint(100, 600))), 0);
  const std::string first = t.Take();
  EXPECT_EQ(CountOps(first, kOpBeginFontHeader), 1u);
  EXPECT_EQ(t.job.Draw(XlText(keep, six.get(), u"xyQR", GShortPoint(100, 800))), 0);
  const std::string second = t.Take();
  EXPECT_EQ(CountOps(second, kOpRemoveFont), 1u);
  EXPECT_NE(second.find("1TTSmall"), std::string::npos);
  EXPECT_EQ(CountOps(second, kOpBeginFontHeader), 1u);
  EXPECT_EQ(SentCodes(second), (std::vector<uint16_t>{0xFFFF, 'x', 'y', 'Q', 'R'}));
}

// Printer-resident fonts: a matching face is selected by the font's select
// string and never downloaded; a select string with an escape goes as a
// PCL selection with the size filled in; text in the symbol encoding for a
// font whose default set is 53 selects symbol set 18540; a face the
// printer font must not replace is downloaded.
TEST_F(CheetahTextTest, PrinterFontsAreSelectedInsteadOfDownloaded) {
  struct Case {
    const char* name;
    GDeviceFontDescription font;
    int32_t encoding;
    uint32_t faceFlags;
    const char* expected;  // bytes that must be in the stream
    size_t headers;
  } cases[] = {
      {"by name", CourierDescription("Courier         "), 4, 0, "Courier         ", 0},
      {"by command", CourierDescription("\x1b(s1p#HEIGHTv0s0b4099T"), 4, 0, "\x1b(s1p18.00v0s0b4099T", 0},
      {"symbol", CourierDescription("Symbol", 0, 53), 3, 0, "\xC1\x6C\x48\xF8", 0},
      {"must download", CourierDescription("Courier         "), 4, 1, "0BMCourier", 1},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.encoding == 3) {
      GDeviceFontDescription::SymbolSetVector sets;
      sets.Append(4);
      c.font = GDeviceFontDescription("Courier", "Symbol", 53, sets, 400, 0, 0, 0, 1, 0, 7, 0);
    }
    auto* configuration = qvtest::XlConfiguration();
    configuration->AddChild(PrinterFonts({c.font}));
    TextJob t(configuration);
    t.Take();
    auto* face = CourierFace();
    GFontDownloadExtras extras;
    extras.flags = c.faceFlags;
    if (c.faceFlags != 0) {
      auto* flagged = new qvtest::TestFontFace(face->GetMetrics(), extras);
      flagged->kind = 1;
      delete face;
      face = new qvtest::TestFaceHandle(flagged, 0);
    }
    EXPECT_EQ(t.job.Draw(CourierText(keep, "Ab", GShortPoint(100, 200), c.encoding, face)), 0);
    const std::string stream = t.Take();
    EXPECT_NE(stream.find(c.expected), std::string::npos) << qvtest::Hex(stream);
    EXPECT_EQ(CountOps(stream, kOpBeginFontHeader), c.headers);
    EXPECT_EQ(CountOps(stream, kOpText), 1u);
    if (c.headers == 0) {
      // The text as it came: "Ab".
      EXPECT_NE(stream.find(std::string("\xC8\xC1\x02\x00" "Ab", 6)), std::string::npos);
    }
  }
}

// The queries and tables.
TEST_F(CheetahTextTest, TheQueriesAndTablesAnswerTheirValues) {
  auto* configuration = qvtest::XlConfiguration();
  configuration->AddChild(PrinterFonts({CourierDescription("Courier         ", 5)}));
  XlJobDriver job(configuration);
  GCheetah& g = job.generator;
  struct Kind {
    int32_t kind;
    const char* name;
    int32_t expected;
  } kinds[] = {{2, "Other", 20}, {1, "Other", 32}, {3, "Other", 48}, {0, "Other", 4}, {1, "Courier", 72}};
  for (const Kind& k : kinds) {
    GFontMetrics m = qvtest::TrueTypeFaceMetrics(k.name, 100);
    qvtest::TestFontFace face(m, GFontDownloadExtras{});
    face.kind = k.kind;
    EXPECT_EQ(g.QueryFontHandling(&face), k.expected) << k.kind << k.name;
    face.SetUseCount(0);
  }
  GFontMetrics courier = qvtest::TrueTypeFaceMetrics("Courier", 100);
  const char* text = "untouched";
  GDeviceFontDescription* found = nullptr;
  EXPECT_EQ(g.QueryTextHandling(&courier, 3, 0, &text, 0, 0, &found), 4);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(g.QueryTextHandling(&courier, 1, 0, &text, 0, 0, &found), 72);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->GetName(), RWCString("Courier"));
  GFontMetrics other = qvtest::TrueTypeFaceMetrics("Other", 100);
  EXPECT_EQ(g.QueryTextHandling(&other, 0, 0, &text, 0, 0, &found), 32);
  EXPECT_EQ(found, nullptr);

  const std::vector<std::pair<int16_t, int16_t>> styles = {{1, 204}, {0, 51}, {17, 204}, {5, 84}, {16, 51}};
  for (const auto& [n, code] : styles) EXPECT_EQ(g.LookupStyleCode(n), code) << n;
  const std::vector<std::pair<int32_t, uint16_t>> sets = {{1, 1},   {2, 2},      {3, 621},   {16, 590}, {20, 616},
                                                          {21, 616}, {53, 18540}, {55, 460}, {0, 0},    {10, 0}};
  for (const auto& [encoding, set] : sets) EXPECT_EQ(GCheetah::GetSymbolSet(encoding), set) << encoding;
  for (int32_t e : {1, 16, 17, 23}) EXPECT_EQ(GCheetah::GetDownloadEncoding(e), 2) << e;
  for (int32_t e : {2, 3, 4, 24}) EXPECT_EQ(GCheetah::GetDownloadEncoding(e), e) << e;
}

// ---- Damaged fonts ----

// A small font for the damaged-font cases: ten glyphs of advance 500 and
// side bearing 10 ("hmtx" only when asked), characters 1 and 2 (and "a"
// and "b") on glyphs 1 and 2, the given typographic descender, 8-byte
// hinting tables and 8-byte vertical headers, too short to give any
// glyph's vertical metrics.
std::vector<uint8_t> ScriptedFont(int16_t descender, bool withHmtx) {
  using qvtest::SfntTag;
  std::vector<uint8_t> maxp;
  qvtest::PutU32(maxp, 0x00005000);
  qvtest::PutU16(maxp, 10);
  std::vector<uint8_t> hhea(36, 0);
  hhea[35] = 10;
  std::vector<uint8_t> hmtx;
  for (int g = 0; g < 10; ++g) {
    qvtest::PutU16(hmtx, 500);
    qvtest::PutU16(hmtx, 10);
  }
  std::vector<uint8_t> os2(78, 0);
  os2[64] = 0x00;
  os2[65] = 0x01;
  os2[66] = os2[67] = 0xFF;
  os2[70] = static_cast<uint8_t>(static_cast<uint16_t>(descender) >> 8);
  os2[71] = static_cast<uint8_t>(descender);
  const std::vector<uint8_t> cmap =
      qvtest::CmapTable({{3, 1, qvtest::CmapFormat4({{1, 2, 0}, {0x61, 0x62, 0xFFA0}, {0xFFFF, 0xFFFF, 1}})}});
  const std::vector<uint8_t> eight(8, 0);
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> tables = {
      {SfntTag("OS/2"), os2},  {SfntTag("cmap"), cmap}, {SfntTag("cvt "), eight},
      {SfntTag("fpgm"), eight}, {SfntTag("head"), std::vector<uint8_t>(54, 0)},
      {SfntTag("hhea"), hhea}, {SfntTag("maxp"), maxp}, {SfntTag("prep"), eight},
      {SfntTag("vhea"), eight}, {SfntTag("vmtx"), eight}};
  if (withHmtx) tables.push_back({SfntTag("hmtx"), hmtx});
  return qvtest::BuildSfnt(tables);
}

// A reader of that font whose damage a test sets: the tables the font
// header carries come back 3 bytes long when read whole (shorter than
// their directory lengths), one glyph's metrics cannot be read, and the
// "glyf" bytes of glyph g are glyphs[g % 4].
class ScriptedFontReader : public qvtest::TestFontReader {
 public:
  explicit ScriptedFontReader(std::vector<uint8_t> file) : TestFontReader(1, std::move(file)) {
    // Every metrics read reaches ReadTablePart.
    canCache = false;
  }
  uint32_t ReadTable(uint32_t source, uint32_t tag, std::unique_ptr<GByteBuffer>& out, uint32_t length) override {
    using qvtest::SfntTag;
    for (uint32_t cut : {SfntTag("head"), SfntTag("maxp"), SfntTag("cvt "), SfntTag("fpgm"), SfntTag("prep")})
      if (tag == cut) {
        out = std::make_unique<GByteBuffer>(new uint8_t[3]{1, 2, 3}, 3, 1);
        return 3;
      }
    return TestFontReader::ReadTable(source, tag, out, length);
  }
  uint32_t ReadTablePart(uint32_t source, uint32_t tag, uint32_t at, uint8_t* destination, uint32_t count) override {
    if (tag == qvtest::SfntTag("hmtx") && at / 4 == noMetrics) return 0;
    return TestFontReader::ReadTablePart(source, tag, at, destination, count);
  }
  uint32_t GetGlyphData(uint32_t, int32_t, uint16_t glyph, std::unique_ptr<GByteBuffer>& out) override {
    const std::string& bytes = glyphs[glyph % 4];
    auto* copy = new uint8_t[bytes.size() + 1];
    std::memcpy(copy, bytes.data(), bytes.size());
    out = std::make_unique<GByteBuffer>(copy, static_cast<uint32_t>(bytes.size()), 1);
    return static_cast<uint32_t>(bytes.size());
  }

  uint16_t noMetrics = 0xFFFF;
  std::string glyphs[4];
};

// A face (kind 2: outlines) of the given metrics over a scripted reader.
std::unique_ptr<TestTrueTypeFaceHandle> ScriptedFace(const GFontMetrics& m, std::shared_ptr<ScriptedFontReader> reader) {
  auto* face = new qvtest::TestFontFace(m, GFontDownloadExtras{});
  face->kind = 2;
  return std::make_unique<TestTrueTypeFaceHandle>(face, std::move(reader));
}

// A glyph whose metrics cannot be had goes without its outline, and its
// character announces exactly the bytes that follow. A composite whose
// component records run past the glyph's end is walked only inside it. A
// font without "hmtx" gets no header and no characters.
TEST_F(CheetahTextTest, DamagedFontsNeverAnnounceBytesTheyDoNotSend) {
  GFontMetrics m = qvtest::TrueTypeFaceMetrics("Damaged", 100);
  auto outlines = std::make_shared<ScriptedFontReader>(ScriptedFont(-36, true));
  const std::unique_ptr<TestTrueTypeFaceHandle> face = ScriptedFace(m, outlines);
  // Glyph 1: a simple glyph of 12 bytes. Glyph 2: a composite whose
  // record (flags: more components, word arguments) names glyph 3 and
  // whose next record is cut off. Glyph 3: a composite naming glyph 2.
  outlines->glyphs[1] = std::string("\x00\x01\x00\x00\x00\x00\x00\x10\x00\x10\x00\x00", 12);
  outlines->glyphs[2] = std::string("\xFF\xFF\x00\x00\x00\x00\x00\x10\x00\x10\x00\x21\x00\x03\x00\x00\x00\x00\x00\x21",
                                    20);
  outlines->glyphs[3] = std::string("\xFF\xFF\x00\x00\x00\x00\x00\x10\x00\x10\x00\x01\x00\x02\x00\x00\x00\x00", 18);
  outlines->noMetrics = 1;
  TextJob t;
  t.Take();
  keep.texts.push_back(std::make_unique<std::u16string>(u"\x0001\x0002"));
  auto* text = new GTextStringGraphic(new TestTrueTypeFaceHandle(*face), textenc::kUnicode,
                                      keep.texts.back()->data(), nullptr, 0, 2, GShortPoint(100, 200), nullptr,
                                      BlackText());
  EXPECT_EQ(t.job.Draw(text), 0);
  const std::string stream = t.Take();
  // The header's tables came back short: each still fills its directory
  // length.
  const std::string header = FontHeaderData(stream);
  ASSERT_GT(header.size(), 14u);
  EXPECT_EQ(Be(header, 10, 4) + 14 + 12 + 6, header.size());
  const std::vector<XlChar> chars = ReadChars(stream);
  // Glyph 0 under 0xFFFF, glyph 1 (no metrics: header only), glyph 2 and
  // its component 3 (whose component 2 is already sent).
  ASSERT_EQ(chars.size(), 4u);
  for (const XlChar& c : chars) EXPECT_EQ(c.announced, c.length);
  EXPECT_EQ(chars[1].announced, 10u);
  EXPECT_EQ(chars[2].announced, 30u);
  EXPECT_EQ(chars[3].announced, 28u);
  EXPECT_EQ(SentCodes(stream), (std::vector<uint16_t>{0xFFFF, 1, 2, 0xFFFF}));

  m.name = "Bare";
  const std::unique_ptr<TestTrueTypeFaceHandle> bare =
      ScriptedFace(m, std::make_shared<ScriptedFontReader>(ScriptedFont(-36, false)));
  keep.texts.push_back(std::make_unique<std::u16string>(u"ab"));
  EXPECT_EQ(t.job.Draw(new GTextStringGraphic(new TestTrueTypeFaceHandle(*bare), textenc::kUnicode,
                                              keep.texts.back()->data(), nullptr, 0, 2, GShortPoint(100, 400),
                                              nullptr, BlackText())),
            0);
  const std::string none = t.Take();
  EXPECT_EQ(CountOps(none, kOpBeginFontHeader), 0u);
  EXPECT_TRUE(SentCodes(none).empty());
  EXPECT_EQ(CountOps(none, kOpText), 1u);
}

// With edge to edge printing the text moves right by the medium's
// imageable origin; a page without a medium uses the default one (origin
// 0) and still prints its text.
TEST_F(CheetahTextTest, EdgeToEdgeTextMovesByTheMediumsOrigin) {
  auto face = Face(qvtest::kDejaVuSans, "DejaVu Sans", 100);
  ASSERT_NE(face, nullptr);
  struct Case {
    const qvtest::XlPaper* paper;
    int16_t expectedX;
  } cases[] = {{&qvtest::kXlLetter, 400}, {nullptr, 300}};
  for (const Case& c : cases) {
    XlJobDriver job;
    job.SetJobValue(GFeatureIds::kEdgeToEdge, 1);
    ASSERT_EQ(job.Start(), 0);
    qvtest::XlPageSettings settings;
    settings.paper = c.paper;
    ASSERT_EQ(job.StartPage(settings), 0);
    EXPECT_EQ(job.Draw(XlText(keep, face.get(), u"x", GShortPoint(300, 500))), 0);
    ASSERT_EQ(job.EndPage(), 0);
    ASSERT_EQ(job.End(), 0);
    // SetCursor: D3 <x16> <y16> F8 4C 6B.
    std::string cursor("\xD3", 1);
    for (int16_t v : {c.expectedX, int16_t{500}}) {
      cursor += static_cast<char>(v & 0xFF);
      cursor += static_cast<char>(v >> 8);
    }
    cursor += "\xF8\x4C\x6B";
    EXPECT_NE(job.StreamBytes().find(cursor), std::string::npos) << c.expectedX;
  }
}

// ---- Bitmap fonts ----

// A face with glyph images only: each glyph a square of size pixels whose
// left half is black, rows padded to 32 bits as the faces give them,
// resting on the baseline.
class HalfBlockFace : public qvtest::TestFaceHandle {
 public:
  HalfBlockFace(GFontFace* face, int size) : TestFaceHandle(face, 0), size_(size) {}
  HalfBlockFace(const HalfBlockFace&) = default;
  HalfBlockFace* Clone() const override { return new HalfBlockFace(*this); }
  uint32_t GetGlyphBitmap(uint16_t, int32_t, int16_t box[4], GByteBuffer** out) override {
    const uint32_t row = ((size_ + 31) / 32) * 4;
    const uint32_t bytes = row * size_;
    auto* bits = new uint8_t[bytes]();
    for (int y = 0; y < size_; ++y)
      for (int x = 0; x < size_ / 2; ++x) bits[y * row + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    *out = new GByteBuffer(bits, bytes, 1);
    box[0] = 0;
    box[1] = static_cast<int16_t>(size_);
    box[2] = static_cast<int16_t>(size_);
    box[3] = static_cast<int16_t>(size_);
    return bytes;
  }

 private:
  int size_;
};

// A face with glyph images only is downloaded as a bitmap font at the
// page resolution; its glyphs print their images where the text was
// drawn: the left half of each square black, the right half white.
TEST_F(CheetahTextTest, BitmapFontGlyphsPrintTheirImages) {
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  GFontMetrics m = qvtest::TrueTypeFaceMetrics("Blocks", 120);
  auto* face = new qvtest::TestFontFace(m, GFontDownloadExtras{});
  face->kind = 1;
  std::unique_ptr<HalfBlockFace> blocks(new HalfBlockFace(face, 120));
  keep.bytes.push_back(std::make_unique<std::string>("AB"));
  keep.advances.push_back(std::make_unique<std::vector<int16_t>>(2, 240));
  XlJobDriver job;
  ASSERT_EQ(job.Start(), 0);
  ASSERT_EQ(job.StartPage(), 0);
  EXPECT_EQ(job.Draw(new GTextStringGraphic(new HalfBlockFace(*blocks), 4, keep.bytes.back()->data(),
                                            keep.advances.back()->data(), 0, 2, GShortPoint(600, 1200), nullptr,
                                            BlackText())),
            0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.End(), 0);
  const std::string stream = job.StreamBytes();
  EXPECT_NE(stream.find("0BMBlocks"), std::string::npos);
  EXPECT_EQ(SentCodes(stream), (std::vector<uint16_t>{'A', 'B'}));
  const qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job.Bytes(), "text_bitmap", kTextRenderDpi);
  EXPECT_EQ(rendered.status, 0) << rendered.errors;
  EXPECT_EQ(rendered.errors.find("rror"), std::string::npos) << rendered.errors;
  ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
  const qvtest::GrayPage& page = rendered.pages[0];
  // Each square: 20 page pixels from x 100 (and 140), above the baseline
  // at y 200.
  for (int left : {100, 140}) {
    SCOPED_TRACE(left);
    int dark = 0;
    int light = 0;
    for (int y = 183; y < 198; ++y) {
      for (int x = left + 2; x < left + 8; ++x) dark += page.At(x, y) < 128;
      for (int x = left + 12; x < left + 18; ++x) light += page.At(x, y) >= 128;
    }
    EXPECT_EQ(dark, 15 * 6);
    EXPECT_EQ(light, 15 * 6);
  }
}

// A font removed while another operation runs (to make room, or for a text
// that overflows it) leaves a failed write for that operation to report.
TEST_F(CheetahTextTest, RemovingAFontKeepsAFailedWriteForTheRunningOperation) {
  TextJob t;
  t.Take();
  qvtest::RecordingSource::last->writeStatus = 77;
  const std::string bytes(20000, 'z');
  t.job.generator.WriteFontHeaderData(reinterpret_cast<const uint8_t*>(bytes.data()), 20000, false);
  EXPECT_EQ(t.job.generator.RemoveDownloadedFont(RWCString("0TTGone")), 77);
  qvtest::RecordingSource::last->writeStatus = 0;
  EXPECT_EQ(t.job.EndPage(), 77);
}

// A face set for vertical writing: the header adds the vertical ranges of
// its encoding (and no descender segment for a descender of -36), the text
// selects writing mode 1, and its characters carry vertical metrics; one
// whose vertical metrics cannot be had announces only its header.
TEST_F(CheetahTextTest, VerticalFacesSendTheirRangesAndVerticalMetrics) {
  struct Case {
    int32_t faceEncoding;
    int16_t descender;
    const char* segments;  // after the tables: the GC, VE and VR segments in hex
  } cases[] = {
      {4, -36, "4743000000060000ffff0000" "564500000006" "0001" "0000007f"},
      {16, -200, "4743000000060000ffff0000" "56450000001200040000" "00ff20a920a9ff60ffdfffe7ffff"
                 "56520000000400" "00ff38"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faceEncoding);
    GFontMetrics m = qvtest::TrueTypeFaceMetrics("Upright", 100);
    m.metricInt4 = c.faceEncoding;
    m.metricInt7 = 1;
    auto vertical = std::make_shared<ScriptedFontReader>(ScriptedFont(c.descender, true));
    const std::unique_ptr<TestTrueTypeFaceHandle> face = ScriptedFace(m, vertical);
    vertical->glyphs[1] = std::string("\x00\x01\x00\x00\x00\x00\x00\x10\x00\x10\x00\x00", 12);
    TextJob t;
    t.Take();
    keep.texts.push_back(std::make_unique<std::u16string>(u"\x0001"));
    EXPECT_EQ(t.job.Draw(new GTextStringGraphic(new TestTrueTypeFaceHandle(*face), textenc::kUnicode,
                                                keep.texts.back()->data(), nullptr, 0, 1, GShortPoint(100, 200),
                                                nullptr, BlackText())),
              0);
    const std::string stream = t.Take();
    const std::string header = FontHeaderData(stream);
    ASSERT_GT(header.size(), 14u);
    const uint32_t d = Be(header, 10, 4);
    ASSERT_LE(14 + d, header.size());
    EXPECT_EQ(qvtest::Hex(header.substr(14 + d)), std::string(c.segments) + "ffff00000000");
    EXPECT_EQ(CountOps(stream, kOpSetCharAttributes), 1u);
    // Class 2 characters: no vertical metrics, so header only (12 bytes).
    const std::vector<XlChar> chars = ReadChars(stream);
    ASSERT_EQ(chars.size(), 2u);
    for (const XlChar& ch : chars) {
      EXPECT_EQ(ch.announced, 12u);
      EXPECT_EQ(ch.length, 12u);
    }
  }
}

}  // namespace
