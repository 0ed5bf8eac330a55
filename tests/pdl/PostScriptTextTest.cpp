// The PostScript generator's text: printer fonts re-encoded for the text's
// code page, Type 3 fonts of glyph images and Type 42 fonts of a TrueType
// face's tables. Ghostscript renders the jobs; the strings come back
// through its text extraction, and the glyphs it paints are compared with
// the same text rendered by FreeType at the same size.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GBrush.h"
#include "graphics/GByteBuffer.h"
#include "graphics/GDownloadFace.h"
#include "graphics/GPaint.h"
#include "graphics/GTextString.h"
#include "graphics/GTextStringGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "model/GConfiguration.h"
#include "model/GDeviceFontDescription.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GFeatureIds.h"
#include "pdl/GPostScriptDownloadRecord.h"
#include "pdl/PSFontProcSets.h"
#include "support/FontTestClasses.h"
#include "support/PostScriptInterpreter.h"
#include "support/PsJobDriver.h"
#include "support/PythonJudge.h"

namespace {

using qvtest::PsJobDriver;

constexpr const char* kSansPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// Text size in device pixels (600 dpi) and the rendering resolution of the
// checks: one rendered pixel is four device pixels.
constexpr int kEm = 240;
constexpr int kRenderDpi = 150;
constexpr int kScale = 600 / kRenderDpi;

bool FileExists(const char* path) { return access(path, R_OK) == 0; }

class FreeType {
 public:
  explicit FreeType(const char* path, int pixels) {
    if (FT_Init_FreeType(&library_) != 0) return;
    if (FT_New_Face(library_, path, 0, &face_) != 0) face_ = nullptr;
    if (face_ != nullptr) FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixels));
  }
  ~FreeType() {
    if (face_ != nullptr) FT_Done_Face(face_);
    if (library_ != nullptr) FT_Done_FreeType(library_);
  }
  FreeType(const FreeType&) = delete;
  FreeType& operator=(const FreeType&) = delete;
  bool Ok() const { return face_ != nullptr; }

  // The glyph of a Unicode character as a monochrome bitmap.
  FT_GlyphSlot Load(uint32_t unicode) {
    if (face_ == nullptr || FT_Load_Char(face_, unicode, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return nullptr;
    return face_->glyph;
  }
  // The glyph's outline in the face's outline layout (little-endian, font
  // units), empty when it has none.
  std::vector<uint8_t> Outline(uint32_t codeOrGlyph, bool byGlyph) {
    std::vector<uint8_t> out;
    if (face_ == nullptr) return out;
    const FT_UInt glyph = byGlyph ? codeOrGlyph : FT_Get_Char_Index(face_, codeOrGlyph);
    if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE) != 0 || face_->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
      return out;
    const FT_Outline& o = face_->glyph->outline;
    if (o.n_contours <= 0) return out;
    auto put16 = [&out](int32_t v) {
      out.push_back(static_cast<uint8_t>(v));
      out.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto putPoint = [&](int32_t x, int32_t y) {
      put16(0);
      put16(x);
      put16(0);
      put16(y);
    };
    put16(0);
    put16(static_cast<int32_t>(face_->glyph->metrics.horiBearingX));
    put16(static_cast<int32_t>(face_->glyph->metrics.horiAdvance));
    put16(0);
    put16(0);
    int first = 0;
    for (int c = 0; c < o.n_contours; ++c) {
      const int last = o.contours[c];
      const int n = last - first + 1;
      auto on = [&](int i) { return (FT_CURVE_TAG(o.tags[first + (i % n)]) == FT_CURVE_TAG_ON); };
      auto at = [&](int i) { return o.points[first + (i % n)]; };
      int start = 0;
      while (start < n && !on(start)) ++start;
      if (start == n) {
        first = last + 1;
        continue;
      }
      const size_t header = out.size();
      for (int k = 0; k < 4; ++k) put16(0);
      putPoint(static_cast<int32_t>(at(start).x), static_cast<int32_t>(at(start).y));
      for (int i = start + 1; i <= start + n;) {
        if (on(i)) {
          put16(1);
          put16(1);
          putPoint(static_cast<int32_t>(at(i).x), static_cast<int32_t>(at(i).y));
          ++i;
          continue;
        }
        std::vector<FT_Vector> spline;
        while (!on(i)) spline.push_back(at(i++));
        spline.push_back(at(i++));
        put16(2);
        put16(static_cast<int32_t>(spline.size()));
        for (const FT_Vector& p : spline) putPoint(static_cast<int32_t>(p.x), static_cast<int32_t>(p.y));
      }
      const uint32_t length = static_cast<uint32_t>(out.size() - header);
      for (int k = 0; k < 4; ++k) out[header + k] = static_cast<uint8_t>(length >> (8 * k));
      out[header + 4] = 24;  // the contour's type
      first = last + 1;
    }
    return out;
  }
  int Advance(uint32_t unicode) {
    const FT_GlyphSlot slot = Load(unicode);
    return slot != nullptr ? static_cast<int>(slot->advance.x >> 6) : 0;
  }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

// A face handle over DejaVu Sans: glyph images rendered by FreeType at the
// face's height, and the font file for outline downloads.
class SansFaceHandle : public qvtest::TestFaceHandle {
 public:
  SansFaceHandle(GFontFace* face, int pixels)
      : TestFaceHandle(face, 0),
        freeType_(kSansPath, pixels),
        reader_(std::make_unique<qvtest::TestFontReader>(1, qvtest::ReadFontFile(kSansPath))) {}
  // Tables and glyph data from other font bytes (a damaged copy).
  void UseFontFile(std::vector<uint8_t> file) {
    reader_ = std::make_unique<qvtest::TestFontReader>(1, std::move(file));
  }

  uint32_t GetGlyphBitmap(uint16_t code, int32_t, int16_t box[4], GByteBuffer** out) override {
    ++bitmapRequests;
    *out = nullptr;
    box[0] = box[1] = box[2] = box[3] = 0;
    // Control codes have no glyph image.
    if (code < 32) return 0;
    const FT_GlyphSlot slot = freeType_.Load(code);
    if (slot == nullptr) return 0;
    const FT_Bitmap& b = slot->bitmap;
    box[0] = static_cast<int16_t>(slot->bitmap_left);
    box[1] = static_cast<int16_t>(slot->bitmap_top);
    box[2] = static_cast<int16_t>(b.width);
    box[3] = static_cast<int16_t>(b.rows);
    if (b.width == 0 || b.rows == 0) return 0;
    const uint32_t stride = ((b.width + 31) / 32) * 4;
    const uint32_t size = stride * b.rows;
    auto* bits = new uint8_t[size]();
    for (uint32_t y = 0; y < b.rows; ++y)
      std::copy(b.buffer + y * b.pitch, b.buffer + y * b.pitch + (b.width + 7) / 8, bits + y * stride);
    *out = new GByteBuffer(bits, size, 1);
    return size;
  }
  // The outline in font units, from FreeType's unscaled outline: the
  // side-bearing point and advance, then per contour its start and records
  // of lines and quadratic splines.
  uint32_t GetGlyphOutline(uint16_t glyphOrCode, int byGlyphIndex, GByteBuffer** out) override {
    ++outlineRequests;
    *out = nullptr;
    std::vector<uint8_t> bytes = freeType_.Outline(glyphOrCode, byGlyphIndex != 0);
    if (bytes.empty()) return 0;
    auto* copy = new uint8_t[bytes.size()];
    std::copy(bytes.begin(), bytes.end(), copy);
    *out = new GByteBuffer(copy, static_cast<uint32_t>(bytes.size()), 1);
    return static_cast<uint32_t>(bytes.size());
  }
  GTTFontReader* GetTrueTypeReader(uint32_t* source) const override {
    if (source != nullptr) *source = 0;
    return reader_.get();
  }

  int bitmapRequests = 0;
  int outlineRequests = 0;

 private:
  FreeType freeType_;
  std::unique_ptr<qvtest::TestFontReader> reader_;
};

GFontMetrics SansMetrics(int pixels, int32_t encoding) {
  GFontMetrics m;
  m.verticalResolution = 600;
  m.horizontalResolution = 600;
  m.height = static_cast<int16_t>(pixels);
  m.weight = 400;
  m.metricInt1 = 0;
  m.metricInt4 = encoding;
  m.metricReal1 = 1.0f;
  m.metricReal2 = 1.0f;
  m.firstChar = 32;
  m.lastChar = 255;
  m.name = "DejaVu Sans";
  return m;
}

// Holds a face (kind 1 bitmaps, 2 outlines) and its handle.
struct SansFace {
  SansFace(int32_t kind, int32_t encoding = textenc::kUnicode, int pixels = kEm, int16_t generatorShort = 0) {
    GFontDownloadExtras extras;
    extras.encoding = encoding;
    auto* face = new qvtest::TestFontFace(SansMetrics(pixels, encoding), extras);
    face->kind = kind;
    face->SetGeneratorShort(generatorShort);
    handle = new SansFaceHandle(face, pixels);
    held = GCountedRef(handle);
  }
  // Graphics hold the handle by count as well.
  SansFaceHandle* handle;
  GCountedRef held;
};

// A text graphic of Unicode characters with the advances FreeType gives at
// the face's size (none when advances is false). The graphic borrows the
// characters and advances, so they live beside it.
struct SansText {
  SansText(GFontFaceHandle* face, const std::u16string& text, GShortPoint origin, bool advances = true)
      : chars(text) {
    FreeType freeType(kSansPath, face->GetHeight());
    for (char16_t c : chars) steps.push_back(static_cast<int16_t>(freeType.Advance(c)));
    graphic = std::make_unique<GTextStringGraphic>(face, textenc::kUnicode, chars.data(),
                                                   advances ? steps.data() : nullptr, 0,
                                                   static_cast<uint16_t>(chars.size()), origin, nullptr, nullptr);
  }
  std::u16string chars;
  std::vector<int16_t> steps;
  std::unique_ptr<GTextStringGraphic> graphic;
};

// A one-page job with a black brush; the test draws into the generator.
struct TextJob {
  explicit TextJob(GConfiguration* configuration = nullptr,
                   const std::vector<std::pair<int32_t, int16_t>>& settings = {}) {
    if (configuration != nullptr) {
      job.generator.SetConfiguration(configuration);
      job.generator.BindDeviceFontList();
    }
    for (const auto& [id, value] : settings) job.SetValue(id, value);
    job.Start();
    NewPage();
  }
  // Each page start stays alive for the whole job, as the print path keeps
  // it while its page is printed.
  void NewPage() {
    GState* page = qvtest::PsPageSettings(qvtest::PsLetter(), 0);
    page->AddChild(new GTransformAttribute());
    pageStarts.emplace_back(new GPageStart(page));
    job.generator.Send(static_cast<GCommand*>(pageStarts.back().Pointee()));
    GBrush brush(new GColorPaint(new GRGBColor(0, 0, 0, 255)), nullptr);
    job.generator.SetBrush(&brush);
  }
  GPostScript& g() { return job.generator; }
  int16_t Draw(SansText& text) { return g().DrawText(text.graphic.get()); }
  std::string Finish() {
    job.PageEnd();
    job.End();
    return job.Output();
  }
  std::vector<GCountedPtr> pageStarts;
  PsJobDriver job;
};

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Ghostscript's text extraction of a job.
std::string ExtractedText(const std::string& job, const std::string& name) {
  const std::string gs = qvtest::PostScriptInterpreter();
  const std::string base = ::testing::TempDir() + "qv_pstext_" + std::to_string(getpid()) + "_" + name;
  {
    FILE* f = std::fopen((base + ".ps").c_str(), "wb");
    if (f == nullptr) return {};
    std::fwrite(job.data(), 1, job.size(), f);
    std::fclose(f);
  }
  const std::string command = "'" + gs + "' -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=txtwrite -o '" + base +
                              ".txt' '" + base + ".ps' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  std::string text;
  if (FILE* f = std::fopen((base + ".txt").c_str(), "rb")) {
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

// Writes the job's first page as a PNG a person can open; its path.
std::string SavePng(const std::string& job, const std::string& name) {
  const std::string gs = qvtest::PostScriptInterpreter();
  const std::string base = ::testing::TempDir() + "qv_pstext_" + name;
  if (FILE* f = std::fopen((base + ".ps").c_str(), "wb")) {
    std::fwrite(job.data(), 1, job.size(), f);
    std::fclose(f);
  }
  const std::string command = "'" + gs + "' -q -dNOPAUSE -dBATCH -dSAFER -dFirstPage=1 -dLastPage=1 -sDEVICE=pnggray -r" +
                              std::to_string(kRenderDpi) + " -o '" + base + ".png' '" + base + ".ps' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0 ? base + ".png" : std::string();
}

// The overlap (shared dark pixels over dark pixels of either) of the page
// with the text rendered by FreeType at the rendering resolution, in the
// box around the text's baseline origin.
double OverlapWithFreeType(const qvtest::GrayPage& page, const std::u16string& text, GShortPoint origin) {
  const int pixels = kEm / kScale;
  FreeType freeType(kSansPath, pixels);
  const int left = origin.x / kScale - pixels / 4;
  const int top = origin.y / kScale - pixels;
  const int width = static_cast<int>(text.size()) * pixels + pixels / 2;
  const int height = pixels * 3 / 2;
  std::vector<uint8_t> reference(static_cast<size_t>(width) * height, 0);
  // Pen positions at the device resolution, as the job placed them.
  FreeType deviceFreeType(kSansPath, kEm);
  int penDevice = origin.x;
  for (char16_t c : text) {
    const int pen = penDevice / kScale;
    penDevice += deviceFreeType.Advance(c);
    const FT_GlyphSlot slot = freeType.Load(c);
    if (slot == nullptr) continue;
    const FT_Bitmap& b = slot->bitmap;
    for (uint32_t y = 0; y < b.rows; ++y)
      for (uint32_t x = 0; x < b.width; ++x) {
        if ((b.buffer[y * b.pitch + x / 8] & (0x80 >> (x % 8))) == 0) continue;
        const int px = pen + slot->bitmap_left + static_cast<int>(x) - left;
        const int py = origin.y / kScale - slot->bitmap_top + static_cast<int>(y) - top;
        if (px >= 0 && py >= 0 && px < width && py < height) reference[static_cast<size_t>(py) * width + px] = 1;
      }
  }
  size_t both = 0;
  size_t either = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool ours = page.Dark(left + x, top + y);
      const bool theirs = reference[static_cast<size_t>(y) * width + x] != 0;
      both += ours && theirs ? 1 : 0;
      either += ours || theirs ? 1 : 0;
    }
  return either == 0 ? 0.0 : static_cast<double>(both) / static_cast<double>(either);
}

// Dark pixels of the page outside the given boxes (device units).
size_t DarkOutside(const qvtest::GrayPage& page, const std::vector<GRect>& boxes) {
  size_t dark = 0;
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x) {
      if (!page.Dark(x, y)) continue;
      bool inside = false;
      for (const GRect& b : boxes)
        inside = inside || (x * kScale >= b.left && x * kScale < b.right && y * kScale >= b.top && y * kScale < b.bottom);
      dark += inside ? 0 : 1;
    }
  return dark;
}

// The overlap every downloaded text must reach against FreeType's own
// rendering: the two rasterisers differ on edge pixels at 150 dpi.
constexpr double kMinimumOverlap = 0.6;

// One text line of a page: its characters and its baseline origin.
struct TextLine {
  std::u16string text;
  GShortPoint at;
};

// Renders the job's single page and expects each line to land as FreeType
// draws it, and nothing elsewhere; the overlaps go into the test's record.
void ExpectLinesLikeFreeType(const std::string& job, const std::string& name, const std::vector<TextLine>& lines) {
  const qvtest::RenderedJob rendered = qvtest::RenderPostScriptJob(job, name, kRenderDpi);
  ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
  std::string overlaps;
  std::vector<GRect> boxes;
  for (const TextLine& line : lines) {
    const double overlap = OverlapWithFreeType(rendered.pages[0], line.text, line.at);
    EXPECT_GE(overlap, kMinimumOverlap);
    overlaps += std::to_string(overlap) + " ";
    boxes.emplace_back(static_cast<int16_t>(line.at.x - 100), static_cast<int16_t>(line.at.y - 300),
                       static_cast<int16_t>(line.at.x + 2200), static_cast<int16_t>(line.at.y + 100));
  }
  ::testing::Test::RecordProperty("overlap", overlaps);
  EXPECT_EQ(DarkOutside(rendered.pages[0], boxes), 0u);
}

TEST(PostScriptTextTest, Type3TextRendersLikeFreeTypeAndGoesDownOnce) {
  if (!FileExists(kSansPath)) GTEST_SKIP() << kSansPath << " is not installed";
  const std::string gs = qvtest::PostScriptInterpreter();
  ASSERT_FALSE(gs.empty()) << qvtest::kNoPostScriptInterpreter;
  TextJob job;
  SansFace bitmaps(1);
  const std::u16string first = u"Hamburg";
  const GShortPoint at1(600, 1200);
  SansText text1(bitmaps.handle, first, at1);
  EXPECT_EQ(job.Draw(text1), 0);
  // The same face again: only the glyphs not sent yet go down.
  const std::u16string second = u"burgh";
  const GShortPoint at2(600, 2000);
  SansText text2(bitmaps.handle, second, at2);
  EXPECT_EQ(job.Draw(text2), 0);
  const std::string out = job.Finish();

  EXPECT_EQ(Count(out, "/T3FastDL 0 def"), 1u) << "the Type 3 procset goes down once a job";
  EXPECT_EQ(Count(out, "DefineNewFont /F000000 /DDL000000 t3mF"), 1u);
  // H a m b u r g, then only h: one glyph each.
  EXPECT_EQ(Count(out, "] AddImg"), 8u);
  EXPECT_EQ(bitmaps.handle->bitmapRequests, 8);

  ExpectLinesLikeFreeType(out, "type3", {{first, at1}, {second, at2}});
}

}  // namespace

namespace {

// The page of the outline tests, drawn by an outline face in a job that
// asks for the download choice given: L with stroke and z with acute lie
// in sub-font 1 and the letters between them in 0, so the first line is
// shown in passes that interleave; the second line is drawn twice.
struct OutlinePage {
  explicit OutlinePage(int16_t downloadChoice) {
    TextJob job(nullptr, {{GFeatureIds::kTrueTypeDownloadChoice, downloadChoice}});
    SansFace outlines(2);
    SansText first(outlines.handle, lines[0].text, lines[0].at);
    SansText second(outlines.handle, lines[1].text, lines[1].at);
    EXPECT_EQ(job.Draw(first), 0);
    EXPECT_EQ(job.Draw(second), 0);
    job.g().Writer().Flush();
    const size_t before = job.job.Output().size();
    EXPECT_EQ(job.Draw(second), 0);
    job.g().Writer().Flush();
    repeat = job.job.Output().substr(before);
    out = job.Finish();
    outlineRequests = outlines.handle->outlineRequests;
  }
  std::vector<TextLine> lines = {{u"\u0141\u00f3d\u017a", GShortPoint(600, 1200)},
                                 {u"Hamburg", GShortPoint(600, 2000)}};
  std::string out;
  std::string repeat;
  int outlineRequests = 0;
};

TEST(PostScriptTextTest, Type42TextInTwoSubFontsRendersLikeFreeType) {
  if (!FileExists(kSansPath)) GTEST_SKIP() << kSansPath << " is not installed";
  const std::string gs = qvtest::PostScriptInterpreter();
  ASSERT_FALSE(gs.empty()) << qvtest::kNoPostScriptInterpreter;
  // TrueType faces go down as Type 42 when the job asks for them as they are.
  const OutlinePage page(0);
  const std::string& out = page.out;
  // The same word again sends nothing new.
  EXPECT_EQ(Count(page.repeat, "putinterval"), 0u) << page.repeat;
  EXPECT_EQ(Count(page.repeat, "[<"), 0u) << page.repeat;

  EXPECT_EQ(Count(out, "/fM "), 0u) << "each font family names its own matrix";
  EXPECT_EQ(Count(out, "/initFont {"), 1u) << "the Type 42 procset goes down once a job";
  EXPECT_EQ(Count(out, "/fontstring000000 [<"), 1u);
  EXPECT_EQ(Count(out, "/fontstring000001 [<"), 1u);
  // The glyph data lies in pieces of at most 65535 bytes, each a string.
  const size_t strings = out.find("> ", out.find("/fontstring000000 [<"));
  ASSERT_NE(strings, std::string::npos);
  const std::string list = out.substr(strings, out.find("] def", strings) - strings);
  EXPECT_GT(Count(list, " string "), 1u) << list;
  EXPECT_EQ(Count(out, "/F000001 DF"), 1u);
  EXPECT_EQ(Count(out, "/F000000 DF"), 3u);

  ExpectLinesLikeFreeType(out, "type42", page.lines);
  RecordProperty("png", SavePng(out, "type42"));
  // Latin text reads back through Ghostscript's text extraction.
  EXPECT_EQ(Count(ExtractedText(qvtest::UnwrapPostScriptJob(out), "type42"), "Hamburg"), 2u);
}

}  // namespace

namespace {

// A configuration whose printer holds one scalable font under the names
// "Helvetica" and "Arial", for code pages 1252 and 1250 and for Unicode
// texts (shown through one of those code pages).
GConfiguration* PrinterFontConfiguration() {
  auto* configuration = new GConfiguration(GFeatureIds::kPeripheralConfiguration);
  auto* lists = new GDeviceFontListComposite;
  const int32_t id = 424;
  auto* list = new GDeviceFontList(id);
  GDeviceFontDescription::SymbolSetVector sets;
  sets.Append(4);
  sets.Append(5);
  sets.Append(textenc::kUnicode);
  list->AddFont(GDeviceFontDescription("Helvetica,Arial,", "Helvetica", 4, sets, 400, 0, 0, 0, 1, 0, 0, 0));
  lists->Add(list);
  configuration->AddChild(lists);
  return configuration;
}

// A face the printer font serves: Arial, regular, in the encoding given.
struct ArialFace {
  explicit ArialFace(int32_t encoding) {
    GFontMetrics m = SansMetrics(kEm, encoding);
    m.name = "Arial";
    GFontDownloadExtras extras;
    extras.encoding = encoding;
    auto* face = new qvtest::TestFontFace(m, extras);
    face->kind = 2;
    handle = new SansFaceHandle(face, kEm);
    held = GCountedRef(handle);
  }
  SansFaceHandle* handle;
  GCountedRef held;
};

// A text of one byte a character; with advances, those FreeType gives the
// bytes read as Latin-1 at the face's size.
struct ByteText {
  ByteText(GFontFaceHandle* face, int32_t encoding, const std::string& text, GShortPoint origin,
           bool advances = false)
      : bytes(text) {
    FreeType freeType(kSansPath, face->GetHeight());
    for (unsigned char c : bytes) steps.push_back(static_cast<int16_t>(freeType.Advance(c)));
    graphic = std::make_unique<GTextStringGraphic>(face, encoding, bytes.data(), advances ? steps.data() : nullptr, 0,
                                                   static_cast<uint16_t>(bytes.size()), origin, nullptr, nullptr);
  }
  std::string bytes;
  std::vector<int16_t> steps;
  std::unique_ptr<GTextStringGraphic> graphic;
};

TEST(PostScriptTextTest, PrinterFontsAreReEncodedForTheTextsCodePage) {
  const std::string gs = qvtest::PostScriptInterpreter();
  ASSERT_FALSE(gs.empty()) << qvtest::kNoPostScriptInterpreter;
  TextJob job(PrinterFontConfiguration());
  ArialFace western(4);
  ArialFace central(5);
  ArialFace unicode(textenc::kUnicode);
  // "Zurich" with u-umlaut in code page 1252; "Lodz" with its accents in
  // code page 1250; the same word in Unicode, which the printer font shows
  // through the first code page of its list that holds every letter.
  ByteText zurich(western.handle, 4, "Z\xFCrich", GShortPoint(600, 1200));
  ByteText lodz(central.handle, 5, "\xA3\xF3" "d\x9F", GShortPoint(600, 2000));
  const std::u16string wide = u"\u0141\u00f3d\u017a";
  auto lodzWide = std::make_unique<GTextStringGraphic>(unicode.handle, textenc::kUnicode, wide.data(), nullptr, 0,
                                                       static_cast<uint16_t>(wide.size()), GShortPoint(600, 2800),
                                                       nullptr, nullptr);
  EXPECT_EQ(job.g().DrawText(zurich.graphic.get()), 0);
  EXPECT_EQ(job.g().GetCurrentMapping(), 4);
  EXPECT_EQ(job.g().DrawText(lodz.graphic.get()), 0);
  EXPECT_EQ(job.g().DrawText(lodzWide.get()), 0);
  EXPECT_EQ(job.g().GetCurrentMapping(), 5);
  // Nothing was downloaded for them.
  EXPECT_EQ(unicode.handle->bitmapRequests, 0);
  const std::string out = job.Finish();
  EXPECT_EQ(Count(out, "mappings 0 ["), 1u);
  EXPECT_EQ(Count(out, "mappings 1 ["), 1u) << "a mapping goes down once a job";
  EXPECT_EQ(Count(out, "(Helvetica000) DF"), 1u);
  EXPECT_EQ(Count(out, "(Helvetica001) DF"), 2u);
  EXPECT_EQ(Count(out, "fontstring"), 0u);

  const std::string text = ExtractedText(qvtest::UnwrapPostScriptJob(out), "printer");
  EXPECT_NE(text.find("Z\xC3\xBCrich"), std::string::npos) << text;
  EXPECT_EQ(Count(text, "\xC5\x81\xC3\xB3" "d\xC5\xBA"), 2u) << text;
  const qvtest::RenderedJob rendered = qvtest::RenderPostScriptJob(out, "printer", kRenderDpi);
  ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
  EXPECT_EQ(DarkOutside(rendered.pages[0], {GRect(500, 900, 2800, 1300), GRect(500, 1700, 2800, 2100),
                                            GRect(500, 2500, 2800, 2900)}),
            0u);
  EXPECT_GT(rendered.pages[0].DarkPixels(), 500u);
}

}  // namespace

namespace {

TEST(PostScriptTextTest, AnExplicitBitmapDownloadSendsAll256CodesUnderItsIdentifier) {
  if (!FileExists(kSansPath)) GTEST_SKIP() << kSansPath << " is not installed";
  TextJob job;
  SansFace bitmaps(1, 4, 100, 7);
  GDownloadFace download(bitmaps.handle, 0);
  bitmaps.held = GCountedRef(bitmaps.handle);  // the command holds one count of its own
  EXPECT_EQ(job.g().DownloadFace(&download), 0);
  // Text in the downloaded face afterwards shows the glyphs.
  ByteText word(bitmaps.handle, 4, "Gen\xE8ve", GShortPoint(600, 1200), true);
  EXPECT_EQ(job.g().DrawText(word.graphic.get()), 0);
  const std::string out = job.Finish();
  EXPECT_EQ(Count(out, "7 0 100 100 DefineNewFont /F007000 /DDL007000 t3mF"), 1u);
  EXPECT_EQ(Count(out, "] AddImgStd"), 256u);
  // Codes 0 to 255 in order.
  size_t at = 0;
  for (int code = 0; code < 256; ++code) {
    at = out.find("[7 " + std::to_string(code) + " ", at);
    ASSERT_NE(at, std::string::npos) << code;
  }
  // A code without an image has no rows.
  EXPECT_NE(out.find("[7 1 0 0 0 0 0 0 0] AddImgStd \r\n\r\n[7 2 "), std::string::npos);
  const qvtest::RenderedJob rendered = qvtest::RenderPostScriptJob(out, "explicit", kRenderDpi);
  ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
  EXPECT_GT(rendered.pages[0].DarkPixels(), 100u);
  EXPECT_EQ(DarkOutside(rendered.pages[0], {GRect(500, 1000, 1800, 1300)}), 0u);
}

TEST(PostScriptTextTest, AReleasedFontIsDeletedAndDownloadedAgainWhenItIsUsed) {
  if (!FileExists(kSansPath)) GTEST_SKIP() << kSansPath << " is not installed";
  TextJob job;
  // Room for about one face's glyphs: the second face releases the first.
  job.g().GetMemoryBudget().Reset(60000);
  SansFace first(1);
  SansFace second(1, textenc::kUnicode, kEm + 40);
  SansText a(first.handle, u"Bonn", GShortPoint(600, 1200));
  SansText b(second.handle, u"Wien", GShortPoint(600, 2000));
  SansText c(first.handle, u"Bonn", GShortPoint(600, 2800));
  EXPECT_EQ(job.Draw(a), 0);
  EXPECT_EQ(job.Draw(b), 0);
  EXPECT_EQ(job.g().IsSubFontDefined(0, 0), false) << "the first font was released";
  EXPECT_EQ(job.Draw(c), 0);
  EXPECT_EQ(job.g().IsSubFontDefined(0, 0), true);
  const std::string out = job.Finish();
  EXPECT_EQ(Count(out, "0 0 100 100 DefineNewFont /F000000 /DDL000000 t3mF %Font Delete"), 1u) << out.size();
  EXPECT_EQ(Count(out, "DefineNewFont /F000000 /DDL000000 t3mF \r\n"), 2u);
  const qvtest::RenderedJob rendered = qvtest::RenderPostScriptJob(out, "release", kRenderDpi);
  ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
  EXPECT_GE(OverlapWithFreeType(rendered.pages[0], u"Bonn", GShortPoint(600, 1200)), kMinimumOverlap);
  EXPECT_GE(OverlapWithFreeType(rendered.pages[0], u"Bonn", GShortPoint(600, 2800)), kMinimumOverlap);
}

TEST(PostScriptTextTest, SubFontTableRecordsFontsBelow512) {
  GPostScript g;
  EXPECT_FALSE(g.IsSubFontDefined(0, 0)) << "no table yet";
  g.MarkSubFontDefined(0, 0);
  EXPECT_FALSE(g.IsSubFontDefined(0, 0));
  g.EnsureSubFontTable();
  EXPECT_EQ(g.GetHighestMarkedFont(), -1);
  g.MarkSubFontDefined(3, 0);
  g.MarkSubFontDefined(3, 2);
  g.MarkSubFontDefined(511, 255);
  g.MarkSubFontDefined(512, 1);
  EXPECT_TRUE(g.IsSubFontDefined(3, 2));
  EXPECT_FALSE(g.IsSubFontDefined(3, 1));
  EXPECT_TRUE(g.IsSubFontDefined(511, 255));
  EXPECT_FALSE(g.IsSubFontDefined(512, 1));
  EXPECT_EQ(g.GetHighestMarkedFont(), 511);
  g.ClearFontSubFonts(3);
  EXPECT_FALSE(g.IsSubFontDefined(3, 0));
  EXPECT_TRUE(g.IsSubFontDefined(511, 255));
  EXPECT_EQ(GPostScript::FontNumberOf("12TTArial"), 12);
  EXPECT_EQ(GPostScript::FontNumberOf("BMArial"), 0);
  EXPECT_EQ(GPostScript::FontNumberOf("007BM"), 7);
}

TEST(PostScriptTextTest, ProcSetsAndMappingsHaveTheirShape) {
  EXPECT_EQ(psfonts::Type3ProcSet().rfind("/T3FastDL 0 def /StdWinLatin1Encoding [32 {/.notdef} repeat", 0), 0u)
      << "starts with the fast-download flag";
  for (int n = 0; n < 5; ++n) {
    const std::string mapping = psfonts::GlyphMapping(n);
    EXPECT_EQ(Count(mapping, "/"), 256u) << n;
    EXPECT_EQ(mapping.rfind("mappings " + std::to_string(n) + " [", 0), 0u);
  }
  EXPECT_EQ(psfonts::GlyphMapping(5), "mappings 5 [] put ");
  EXPECT_NE(psfonts::GlyphMapping(1).find("/Lslash"), std::string::npos);
  const std::pair<int32_t, int32_t> encodings[] = {{4, 0}, {5, 1}, {6, 2}, {12, 3}, {3, 4}, {53, 5}, {55, 5}, {7, 0}};
  for (const auto& [encoding, mapping] : encodings) EXPECT_EQ(psfonts::MappingForEncoding(encoding), mapping);
}

}  // namespace

namespace {

// The text the generator writes for one drawing (after the page setup and
// whatever the job wrote before).
std::string DrawnText(TextJob& job, GTextStringGraphic* graphic) {
  job.g().Writer().Flush();
  const size_t before = job.job.Output().size();
  job.g().DrawText(graphic);
  job.g().Writer().Flush();
  return job.job.Output().substr(before);
}

TEST(PostScriptTextTest, CodesOfSeveralSubFontsAreShownInOnePassEach) {
  if (!FileExists(kSansPath)) GTEST_SKIP() << kSansPath << " is not installed";
  // Type 42 shows the Unicode codes themselves.
  TextJob job(nullptr, {{GFeatureIds::kTrueTypeDownloadChoice, 0}});
  SansFace outlines(2, textenc::kUnicode, 100);
  const uint16_t codes[] = {0x141, 0x41, 0x142};
  int16_t advances[] = {100, 200, 300};
  GTextStringGraphic text(outlines.handle, textenc::kUnicode, codes, advances, 0, 3, GShortPoint(1000, 1500),
                          nullptr, nullptr);
  const std::string out = DrawnText(job, &text);
  // Sub-font 1 first, its first code carrying the advance of the A; then
  // sub-font 0 from the A's own place.
  const size_t first = out.find("1000 1500 Q [  100  0  0 -100  0 0 ]  0  /F000001 DF \r\n<4142> [300 300 ] 0  XS");
  const size_t second = out.find("1100 1500 Q [  100  0  0 -100  0 0 ]  0  /F000000 DF \r\n<41>  0 SH");
  EXPECT_NE(first, std::string::npos) << out;
  EXPECT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  const std::string whole = job.Finish();
  const qvtest::RenderedJob rendered = qvtest::RenderPostScriptJob(whole, "passes", kRenderDpi);
  EXPECT_EQ(rendered.pages.size(), 1u);
}

TEST(PostScriptTextTest, BoldAndItalicRequestsShapeOutlineText) {
  if (!FileExists(kSansPath)) GTEST_SKIP() << kSansPath << " is not installed";
  struct Case {
    const char* what;
    int32_t kind;
    int16_t weight;
    int32_t italic;
    const char* expected;
  };
  const Case cases[] = {
      // Pseudo-bold of trunc(100 x 0.0299) = 2 for an outline font ...
      {"bold outline", 2, 700, 0, "] 2  XS"},
      // ... and none for glyph images.
      {"bold bitmap", 1, 700, 0, "] 0  XS"},
      // An italic request slants the matrix by 0.31623 of the size.
      {"italic outline", 2, 400, 1, "[  100  0  31.62"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TextJob job;
    GFontDownloadExtras extras;
    extras.encoding = textenc::kUnicode;
    extras.extrasShort = c.weight;
    extras.extrasInt1 = c.italic;
    auto* face = new qvtest::TestFontFace(SansMetrics(100, textenc::kUnicode), extras);
    face->kind = c.kind;
    auto* handle = new SansFaceHandle(face, 100);
    GCountedRef held(handle);
    SansText text(handle, u"Bold", GShortPoint(600, 600));
    const std::string out = DrawnText(job, text.graphic.get());
    EXPECT_NE(out.find(c.expected), std::string::npos) << out.substr(out.find("BRUSH_TYPE"));
    job.Finish();
  }
}

TEST(PostScriptTextTest, TheHandlingQueriesAnswerByFaceAndPrinterFont) {
  GPostScript g;
  g.SetConfiguration(PrinterFontConfiguration());
  g.BindDeviceFontList();
  struct Case {
    const char* what;
    int32_t kind;
    int32_t encoding;
    int32_t vertical;
    const char* name;
    int32_t expected;
  };
  const Case cases[] = {
      {"double-byte face", 3, 18, 0, "Sans", 128},
      {"vertical outlines", 2, 16, 1, "Sans", 128},
      {"vertical bitmaps", 1, 16, 1, "Sans", 32},
      {"outlines and bitmaps", 3, 16, 0, "Sans", 48},
      {"outlines only", 2, 16, 0, "Sans", 20},
      {"neither", 0, 16, 0, "Sans", 4},
      {"bitmaps the printer holds", 1, 4, 0, "Arial", 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GFontMetrics m = SansMetrics(100, c.encoding);
    m.name = c.name;
    m.metricInt7 = c.vertical;
    GFontDownloadExtras extras;
    extras.encoding = c.encoding;
    qvtest::TestFontFace face(m, extras);
    face.kind = c.kind;
    EXPECT_EQ(g.QueryFontHandling(&face), c.expected);
  }
  GFontMetrics arial = SansMetrics(100, 5);
  arial.name = "Arial";
  const char* text = "unset";
  GDeviceFontDescription* description = nullptr;
  EXPECT_EQ(g.QueryTextHandling(&arial, 1, 1, &text, 0, 400, &description), 8);
  ASSERT_NE(description, nullptr);
  EXPECT_EQ(std::string(description->GetSelectString().Data()), "Helvetica");
  arial.name = "Courier";
  EXPECT_EQ(g.QueryTextHandling(&arial, 0, 0, &text, 0, 400, &description), 32);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(g.QueryTextHandling(&arial, 3, 0, &text, 0, 400, &description), 4);
}

}  // namespace

namespace {

TEST(PostScriptTextTest, Type1TextIsSynthesisedFromOutlinesAndRendersLikeFreeType) {
  if (!FileExists(kSansPath)) GTEST_SKIP() << kSansPath << " is not installed";
  const std::string gs = qvtest::PostScriptInterpreter();
  ASSERT_FALSE(gs.empty()) << qvtest::kNoPostScriptInterpreter;
  // The job asks for TrueType as outline fonts of their own (Type 1); L
  // with stroke and z with acute take allocated codes of the second 256.
  const OutlinePage page(1);
  const std::string& out = page.out;
  EXPECT_EQ(Count(page.repeat, "eexec"), 0u) << page.repeat;
  EXPECT_EQ(Count(out, "/GBufHex 2 string def"), 1u) << "the Type 1 procset goes down once a job";
  EXPECT_EQ(Count(out, "DefineNewType1Font\r\n"), 2u) << "sub-fonts 0 and 1, once each";
  EXPECT_EQ(Count(out, "/F000000 /DDL000000 t1mF"), 1u);
  EXPECT_EQ(Count(out, "/F000001 /DDL000001 t1mF"), 1u);
  // The first text's glyphs in two sections (one per sub-font), then the
  // second text's new glyphs in one; the repeat sends none.
  EXPECT_EQ(Count(out, "currentfile eexec\r\n"), 3u);
  EXPECT_EQ(page.outlineRequests, 4 + 7);

  ExpectLinesLikeFreeType(out, "type1", page.lines);
  RecordProperty("png", SavePng(out, "type1"));
}

TEST(PostScriptTextTest, CharstringsEncodeNumbersAndCurvesAsTheFormatSays) {
  const std::pair<int32_t, std::string> numbers[] = {
      {0, "\x8B"},
      {107, "\xF6"},
      {-107, std::string("\x20", 1)},
      {108, std::string("\xF7\x00", 2)},
      {1131, "\xFA\xFF"},
      {-1131, "\xFE\xFF"},
      {1132, std::string("\xFF\x00\x00\x04\x6C", 5)},
      {-1132, std::string("\xFF\xFF\xFF\xFB\x94", 5)},
  };
  for (const auto& [value, bytes] : numbers) EXPECT_EQ(GPostScript::EncodeCharstringNumber(value), bytes) << value;

  // Encryption is its own inverse's input: decrypting by the format's rule
  // gives the plain bytes back.
  const std::string plain = "the quick brown fox";
  const std::string cipher = GPostScript::Type1Encrypt(plain, 55665);
  std::string back;
  uint16_t r = 55665;
  for (unsigned char c : cipher) {
    back += static_cast<char>(c ^ (r >> 8));
    r = static_cast<uint16_t>((c + r) * 52845u + 22719u);
  }
  EXPECT_EQ(back, plain);

  // One contour from (0, 0): a quadratic record with points (100, 0) and
  // (200, 100) becomes one cubic.
  std::vector<uint8_t> outline;
  auto put16 = [&outline](int32_t v) {
    outline.push_back(static_cast<uint8_t>(v));
    outline.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto point = [&](int32_t x, int32_t y) {
    put16(0);
    put16(x);
    put16(0);
    put16(y);
  };
  put16(0);
  put16(0);    // side-bearing x
  put16(500);  // advance
  put16(0);
  put16(0);  // side-bearing y
  const uint32_t contour = 16 + 4 + 16;
  put16(static_cast<int32_t>(contour));
  put16(0);
  put16(24);
  put16(0);
  point(0, 0);
  put16(2);
  put16(2);
  point(100, 0);
  point(200, 100);
  std::string charstring;
  ASSERT_TRUE(GPostScript::BuildCharstring(outline.data(), static_cast<uint32_t>(outline.size()), charstring));
  const std::string expected = std::string("\x47\x24\xB5\xCA", 4) + "\x8B\x8B" + GPostScript::EncodeCharstringNumber(500) +
                               "\x8B\x0C\x07" +
                               // The start is the current point: no move.
                               std::string("\x8B\x04", 2) +
                               GPostScript::EncodeCharstringNumber(66) + GPostScript::EncodeCharstringNumber(0) +
                               GPostScript::EncodeCharstringNumber(67) + GPostScript::EncodeCharstringNumber(33) +
                               GPostScript::EncodeCharstringNumber(67) + GPostScript::EncodeCharstringNumber(67) +
                               "\x08\x09\x0E";
  EXPECT_EQ(charstring, expected);
  // A contour whose length runs past the outline is refused.
  outline[10] = 0xFF;
  EXPECT_FALSE(GPostScript::BuildCharstring(outline.data(), static_cast<uint32_t>(outline.size()), charstring));
}

}  // namespace

namespace {

TEST(PostScriptTextTest, APageMixingPrinterBitmapAndOutlineFontsReadsBack) {
  if (!FileExists(kSansPath)) GTEST_SKIP() << kSansPath << " is not installed";
  const std::string gs = qvtest::PostScriptInterpreter();
  ASSERT_FALSE(gs.empty()) << qvtest::kNoPostScriptInterpreter;
  TextJob job(PrinterFontConfiguration());
  ArialFace printer(4);
  SansFace bitmaps(1);
  SansFace outlines(2);
  ByteText zurich(printer.handle, 4, "Z\xFCrich", GShortPoint(600, 1200));
  SansText hamburg(bitmaps.handle, u"Hamburg", GShortPoint(600, 2000));
  SansText bremen(outlines.handle, u"Bremen", GShortPoint(600, 2800));
  EXPECT_EQ(job.g().DrawText(zurich.graphic.get()), 0);
  EXPECT_EQ(job.Draw(hamburg), 0);
  EXPECT_EQ(job.Draw(bremen), 0);
  // A second page uses the fonts the first downloaded.
  job.job.PageEnd();
  job.NewPage();
  SansText again(outlines.handle, u"Bremen", GShortPoint(600, 1200));
  EXPECT_EQ(job.Draw(again), 0);
  const std::string out = job.Finish();
  EXPECT_EQ(Count(out, "DefineNewType1Font\r\n"), 1u) << "fonts go down once a job";
  EXPECT_EQ(Count(out, "DefineNewFont /F"), 1u);

  const std::string text = ExtractedText(qvtest::UnwrapPostScriptJob(out), "mixed");
  EXPECT_NE(text.find("Z\xC3\xBCrich"), std::string::npos) << text;
  EXPECT_NE(text.find("Hamburg"), std::string::npos) << text;
  EXPECT_EQ(Count(text, "Bremen"), 2u) << text;
  const qvtest::RenderedJob rendered = qvtest::RenderPostScriptJob(out, "mixed", kRenderDpi);
  ASSERT_EQ(rendered.pages.size(), 2u) << rendered.errors;
  EXPECT_GE(OverlapWithFreeType(rendered.pages[0], u"Hamburg", GShortPoint(600, 2000)), kMinimumOverlap);
  EXPECT_GE(OverlapWithFreeType(rendered.pages[0], u"Bremen", GShortPoint(600, 2800)), kMinimumOverlap);
  EXPECT_GE(OverlapWithFreeType(rendered.pages[1], u"Bremen", GShortPoint(600, 1200)), kMinimumOverlap);
  RecordProperty("png", SavePng(out, "mixed"));
}

}  // namespace

namespace {

// The strings of an sfnts array in the job ("/fontstringFFFSSS [<...> <...>
// ] def"), decoded; empty when the array is not there.
std::vector<std::string> SfntsStrings(const std::string& job, const std::string& name) {
  std::vector<std::string> strings;
  const size_t start = job.find("/" + name + " [");
  if (start == std::string::npos) return strings;
  const size_t end = job.find("] def", start);
  size_t at = job.find('<', start);
  while (at != std::string::npos && at < end) {
    const size_t close = job.find('>', at);
    std::string bytes;
    int high = -1;
    for (size_t i = at + 1; i < close; ++i) {
      const char c = job[i];
      const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (v < 0) continue;
      if (high < 0) {
        high = v;
      } else {
        bytes += static_cast<char>(high * 16 + v);
        high = -1;
      }
    }
    strings.push_back(bytes);
    at = job.find('<', close);
  }
  return strings;
}

TEST(PostScriptTextTest, AnExplicitType42DownloadCarriesTheFaceForFontTools) {
  if (!FileExists(kSansPath)) GTEST_SKIP() << kSansPath << " is not installed";
  TextJob job;
  SansFace outlines(2, 4, kEm, 7);
  GDownloadFace download(outlines.handle, 0);
  EXPECT_EQ(job.g().DownloadFace(&download), 0);
  ByteText word(outlines.handle, 4, "Gen\xE8ve", GShortPoint(600, 1200), true);
  EXPECT_EQ(job.g().DrawText(word.graphic.get()), 0);
  const std::string out = job.Finish();
  EXPECT_EQ(Count(out, "7 0 initFont"), 1u);
  EXPECT_EQ(Count(out, "/F007000 t42newfontname t42mF"), 1u);

  // The strings put together are a TrueType font: fontTools reads it, its
  // tables are the face's own (the glyph data whole, cut only between
  // glyphs) and each directory checksum is the sum of its table.
  const std::vector<std::string> strings = SfntsStrings(out, "fontstring007000");
  ASSERT_GT(strings.size(), 2u) << "the glyph data of DejaVu Sans needs several strings";
  std::string sfnt;
  for (const std::string& piece : strings) {
    EXPECT_LE(piece.size(), 65535u);
    sfnt += piece;
  }
  const std::string path = ::testing::TempDir() + "qv_pstext_" + std::to_string(getpid()) + "_explicit42.ttf";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(sfnt.data(), 1, sfnt.size(), f);
    std::fclose(f);
  }
  const std::string script = std::string("from fontTools.ttLib import TTFont\n"
                                         "ours = TTFont('") +
                             path + "')\noriginal = TTFont('" + kSansPath +
                             "')\n"
                             "raw = open('" + path + "', 'rb').read()\n"
                             "bad = []\n"
                             "for tag in ['cvt ', 'fpgm', 'hhea', 'hmtx', 'maxp', 'prep', 'loca', 'glyf']:\n"
                             "    if tag not in original.reader.tables: continue\n"
                             "    if ours.reader[tag] != original.reader[tag]: bad.append(tag)\n"
                             "    entry = ours.reader.tables[tag]\n"
                             "    data = raw[entry.offset:entry.offset + entry.length]\n"
                             "    data += b'\\0' * (-len(data) % 4)\n"
                             "    total = sum(int.from_bytes(data[i:i + 4], 'big') for i in range(0, len(data), 4))\n"
                             "    if total & 0xFFFFFFFF != entry.checkSum: bad.append(tag + ' checksum')\n"
                             "glyphs = ours.getGlyphOrder()\n"
                             "print(len(glyphs) == len(original.getGlyphOrder()), ' '.join(bad) or 'same')\n"
                             "table = ours['glyf']\n"
                             "for name in glyphs[:400]: table[name].expand(table)\n";
  std::string answer;
  if (!qvtest::RunFontTools(script, &answer)) {
    // Without fontTools the font goes unjudged; with it, a failing script
    // means it could not read the font.
    std::string probe;
    if (!qvtest::RunFontTools("print(1)\n", &probe)) GTEST_SKIP() << "fontTools is not available";
    FAIL() << "fontTools could not read the font";
  }
  EXPECT_EQ(answer, "True same\n");
  std::remove(path.c_str());

  ExpectLinesLikeFreeType(out, "explicit42", {{u"Gen\u00e8ve", GShortPoint(600, 1200)}});
}

}  // namespace

namespace {

TEST(PostScriptTextTest, PassThroughDataFindsTheFontProcSetsAlreadyThere) {
  if (!FileExists(kSansPath)) GTEST_SKIP() << kSansPath << " is not installed";
  TextJob job;
  // The application's own PostScript comes first; the font procedures go
  // down before it, once, and the driver's text later uses them.
  EXPECT_EQ(job.job.PassThrough("% application data\n"), 0);
  EXPECT_EQ(job.job.PassThrough("% more application data\n"), 0);
  SansFace bitmaps(1);
  SansText text(bitmaps.handle, u"Hamburg", GShortPoint(600, 1200));
  EXPECT_EQ(job.Draw(text), 0);
  const std::string out = job.Finish();
  EXPECT_EQ(Count(out, "/T3FastDL 0 def"), 1u);
  EXPECT_EQ(Count(out, "/initFont {"), 1u);
  EXPECT_LT(out.find("/T3FastDL 0 def"), out.find("% application data"));
  ExpectLinesLikeFreeType(out, "passthrough", {{u"Hamburg", GShortPoint(600, 1200)}});
}

}  // namespace

namespace {

TEST(PostScriptTextTest, DamagedTrueTypeTablesGoDownWithoutReadingPastThem) {
  if (!FileExists(kSansPath)) GTEST_SKIP() << kSansPath << " is not installed";
  struct Case {
    const char* what;
    uint32_t tag;
    uint8_t fill;
  };
  const Case cases[] = {
      // Glyph offsets far past the glyph data, and offsets that run back.
      {"loca beyond glyf", 0x6C6F6361, 0xFF},
      {"loca running back", 0x6C6F6361, 0x11},
      // A cmap whose subtable offsets point nowhere.
      {"cmap", 0x636D6170, 0xFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> file = qvtest::ReadFontFile(kSansPath);
    uint32_t offset = 0;
    uint32_t length = 0;
    ASSERT_TRUE(qvtest::FindSfntTable(file, c.tag, offset, length));
    for (uint32_t i = 0; i < std::min<uint32_t>(length, 600); ++i)
      if (c.fill != 0x11 || i % 7 == 3) file[offset + i] = c.fill;
    for (int16_t choice : {0, 1}) {
      TextJob job(nullptr, {{GFeatureIds::kTrueTypeDownloadChoice, choice}});
      SansFace outlines(2, textenc::kUnicode, kEm, 3);
      outlines.handle->UseFontFile(file);
      GDownloadFace download(outlines.handle, 0);
      EXPECT_EQ(job.g().DownloadFace(&download), 0);
      SansText text(outlines.handle, u"Hamburg \u0141\u00f3d\u017a", GShortPoint(600, 1200));
      EXPECT_EQ(job.Draw(text), 0);
      const std::string out = job.Finish();
      EXPECT_NE(out.find("%%Trailer"), std::string::npos);
    }
  }
}

}  // namespace

namespace {

TEST(PostScriptTextTest, ABitmapFaceWithoutHeightStillMakesAUsableFont) {
  if (!FileExists(kSansPath)) GTEST_SKIP() << kSansPath << " is not installed";
  TextJob job;
  SansFace bitmaps(1, textenc::kUnicode, 0);
  SansText text(bitmaps.handle, u"Bonn", GShortPoint(600, 1200));
  EXPECT_EQ(job.Draw(text), 0);
  const std::string out = job.Finish();
  EXPECT_NE(out.find("0 0 1 1 DefineNewFont /F000000"), std::string::npos);
  const qvtest::RenderedJob rendered = qvtest::RenderPostScriptJob(out, "no_height", kRenderDpi);
  EXPECT_EQ(rendered.pages.size(), 1u);
}

}  // namespace

namespace {

TEST(PostScriptTextTest, APrinterFontTextNoCodePageHoldsIsNotDrawn) {
  TextJob job(PrinterFontConfiguration());
  ArialFace unicode(textenc::kUnicode);
  // A Chinese character beside Latin letters: neither 1252 nor 1250 holds it.
  const std::u16string wide = u"A\u4e2dB";
  GTextStringGraphic text(unicode.handle, textenc::kUnicode, wide.data(), nullptr, 0,
                          static_cast<uint16_t>(wide.size()), GShortPoint(600, 600), nullptr, nullptr);
  const std::string out = DrawnText(job, &text);
  EXPECT_EQ(Count(out, " DF "), 0u) << out;
  EXPECT_EQ(Count(out, "mappings"), 0u) << out;
  EXPECT_EQ(unicode.handle->bitmapRequests, 0) << "nothing is downloaded in its place";
  job.Finish();
}

}  // namespace
