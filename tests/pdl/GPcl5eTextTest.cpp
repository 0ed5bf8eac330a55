// The PCL 5e generator's text: printer-resident fonts selected by their
// command text, TrueType faces downloaded as soft fonts glyph by glyph,
// bitmap soft fonts, GL/2 labels for characters the page edge cuts, and the
// handling answers. Rendered pages are judged by the independent PCL
// interpreter; the soft fonts' bytes by fontTools where a font file can say
// what a glyph is.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GBrush.h"
#include "graphics/GByteBuffer.h"
#include "graphics/GFontFaceHandle.h"
#include "graphics/GPen.h"
#include "graphics/GShapeGraphic.h"
#include "graphics/GTextString.h"
#include "graphics/GTextStringGraphic.h"
#include "model/GDeviceFontDescription.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GFeatureIds.h"
#include "pdl/GPcl5e.h"
#include "pdl/GPcl5eDownloadRecord.h"
#include "support/FontTestClasses.h"
#include "support/Pcl5JobDriver.h"
#include "support/PclInterpreter.h"
#include "support/PythonJudge.h"
#include "support/TestFontReader.h"
#include "support/TrueTypeTestFace.h"

namespace {

using qvtest::Pcl5JobDriver;
using qvtest::Pcl5PageSpec;
using qvtest::TestTrueTypeFaceHandle;

constexpr const char* kSansPath = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
constexpr int kTextDpi = 150;

GFontMetrics TextMetrics(const char* name, int16_t height, int32_t encoding) {
  GFontMetrics m;
  m.verticalResolution = m.horizontalResolution = 600;
  m.height = height;
  m.baseline = static_cast<int16_t>(height * 9 / 10);
  m.descent = static_cast<int16_t>(height / 4);
  m.cellWidth = height;
  m.weight = 400;
  m.metricInt4 = encoding;
  m.metricReal1 = m.metricReal2 = 1.0f;
  m.firstChar = 32;
  m.lastChar = 255;
  m.defaultChar = 32;
  m.name = name;
  return m;
}

// A TrueType face (kind 2) of the font file at the height given in dots.
struct TrueTypeFace {
  explicit TrueTypeFace(std::vector<uint8_t> file, int16_t height = 100, const char* name = "Liberation Sans",
                        int32_t kind = 2)
      : reader(std::make_shared<qvtest::TestFontReader>(1, std::move(file))) {
    auto* face = new qvtest::TestFontFace(TextMetrics(name, height, textenc::kUnicode), GFontDownloadExtras());
    face->kind = kind;
    handle = std::make_unique<TestTrueTypeFaceHandle>(face, reader);
  }
  // Advances of the text's characters in dots at the face's height.
  std::vector<int16_t> Advances(const std::u16string& text) {
    std::vector<int16_t> out;
    for (char16_t c : text) {
      const uint16_t glyph = reader->GetGlyphIndex(0, 0, c, 16);
      uint16_t advance = 0;
      int16_t bearing = 0;
      reader->GetHorizontalMetrics(0, glyph, &advance, &bearing);
      out.push_back(static_cast<int16_t>(advance * handle->GetHeight() / 2048));
    }
    return out;
  }
  std::shared_ptr<qvtest::TestFontReader> reader;
  std::unique_ptr<TestTrueTypeFaceHandle> handle;
};

// A text graphic of 16-bit codes at the origin with the advances given; it
// holds a new handle on the face.
struct TextGraphic {
  TextGraphic(const GFontFaceHandle& face, const std::u16string& text, std::vector<int16_t> advances,
              GShortPoint origin, int32_t encoding = textenc::kUnicode, int32_t options = 0)
      : codes(text.begin(), text.end()), steps(std::move(advances)) {
    graphic = std::make_unique<GTextStringGraphic>(static_cast<GFontFaceHandle*>(face.Clone()), encoding,
                                                   codes.data(), steps.empty() ? nullptr : steps.data(), options,
                                                   static_cast<uint16_t>(codes.size()), origin, nullptr, nullptr);
  }
  std::vector<uint16_t> codes;
  std::vector<int16_t> steps;
  std::unique_ptr<GTextStringGraphic> graphic;
};

// A job of one page with one text on it, from document start to end.
void DrawOnePageOfText(Pcl5JobDriver& job, const GFontFaceHandle& face, const std::u16string& text,
                       std::vector<int16_t> advances, GShortPoint origin, int32_t encoding = textenc::kUnicode) {
  EXPECT_EQ(job.StartDocument(), 0);
  EXPECT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  TextGraphic graphic(face, text, std::move(advances), origin, encoding);
  EXPECT_EQ(job.generator->DrawText(graphic.graphic.get()), 0);
  EXPECT_EQ(job.EndPage(), 0);
  EXPECT_EQ(job.EndDocument(), 0);
}

// How often the needle occurs in the haystack.
size_t CountOf(const std::string& haystack, const std::string& needle) {
  size_t count = 0;
  for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
  return count;
}

// The dark pixels' box of a rendered page within a window (dots at 600
// dpi from the imageable origin), and their count.
struct InkBox {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  size_t count = 0;
};

InkBox InkIn(const qvtest::GrayPage& page, int x0, int y0, int x1, int y1) {
  const GShortPoint origin = qvtest::Pcl5ImageableOrigin(qvtest::kPcl5LetterId, 0);
  InkBox box;
  for (int y = (y0 + origin.y) * kTextDpi / 600; y < (y1 + origin.y) * kTextDpi / 600; ++y)
    for (int x = (x0 + origin.x) * kTextDpi / 600; x < (x1 + origin.x) * kTextDpi / 600; ++x) {
      if (!page.Dark(x, y)) continue;
      ++box.count;
      const int dx = x * 600 / kTextDpi - origin.x, dy = y * 600 / kTextDpi - origin.y;
      box.left = std::min(box.left, dx);
      box.right = std::max(box.right, dx);
      box.top = std::min(box.top, dy);
      box.bottom = std::max(box.bottom, dy);
    }
  return box;
}

// The job's pages as rendered by the interpreter (none, after a failed
// expectation, without it).
std::vector<qvtest::GrayPage> Render(const Pcl5JobDriver& job, const std::string& name) {
  const std::string interpreter = qvtest::PclInterpreter();
  EXPECT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  if (interpreter.empty()) return {};
  qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job.Bytes(), name, kTextDpi);
  EXPECT_EQ(rendered.errors, "");
  return std::move(rendered.pages);
}

bool HaveSans() { return std::ifstream(kSansPath).good(); }

}  // namespace

// ---- TrueType soft fonts ----

TEST(GPcl5eTrueTypeText, TextRendersInItsAreaAndEachGlyphGoesDownOncePerJob) {
  if (!HaveSans()) GTEST_SKIP() << "Liberation Sans is not installed";
  TrueTypeFace sans(qvtest::ReadFontFile(kSansPath));
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  const std::u16string first = u"Hello", second = u"Hollow";
  for (int page = 0; page < 2; ++page) {
    ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
    TextGraphic a(*sans.handle, first, sans.Advances(first), GShortPoint(600, 600));
    ASSERT_EQ(job.generator->DrawText(a.graphic.get()), 0);
    TextGraphic b(*sans.handle, second, sans.Advances(second), GShortPoint(600, 1200));
    ASSERT_EQ(job.generator->DrawText(b.graphic.get()), 0);
    ASSERT_EQ(job.EndPage(), 0);
  }
  ASSERT_EQ(job.EndDocument(), 0);
  const std::string& bytes = job.Bytes();
  // One header; each character code defined once: H e l o w.
  EXPECT_EQ(CountOf(bytes, "\x1B)s"), 1u);
  for (char c : std::string("Helow"))
    EXPECT_EQ(CountOf(bytes, "\x1B*c" + std::to_string(static_cast<int>(c)) + "E"), 1u) << c;

  const std::vector<qvtest::GrayPage> pages = Render(job, "pcl5e-tt-text");
  ASSERT_EQ(pages.size(), 2u);
  for (const qvtest::GrayPage& page : pages) {
    int width = 0;
    for (int16_t a : sans.Advances(first)) width += a;
    const InkBox ink = InkIn(page, 400, 400, 2400, 800);
    EXPECT_GT(ink.count, 100u);
    // From the origin's left to the advances' end, cap height above the
    // baseline (12 points: about 72 dots) and nothing below it.
    EXPECT_NEAR(ink.left, 600, 24);
    EXPECT_NEAR(ink.right, 600 + width, 40);
    EXPECT_NEAR(ink.top, 600 - 72, 16);
    EXPECT_NEAR(ink.bottom, 600, 12);
    const InkBox second = InkIn(page, 400, 1000, 2400, 1400);
    EXPECT_GT(second.count, 100u);
    EXPECT_NEAR(second.left, 600, 24);
    // Nothing elsewhere on the page.
    EXPECT_EQ(InkIn(page, 0, 1500, 4700, 6300).count, 0u);
  }
}

namespace {

// Runs a script with the system's Python 3 (which has fontTools) on the
// arguments; its output, or "python failed".
std::string RunFontTools(const std::string& script, const std::vector<std::string>& arguments) {
  const std::string base = ::testing::TempDir() + "pcl5e_text_judge_" + std::to_string(getpid());
  const std::string path = base + ".py";
  std::ofstream(path, std::ios::binary) << script;
  std::string command = "/usr/bin/python3 '" + path + "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  command += " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "python failed";
  std::string output;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = pclose(pipe);
  std::remove(path.c_str());
  return status == 0 ? output : "python failed: " + output;
}

bool HaveFontTools() { return RunFontTools("import fontTools.ttLib\n", {}) == ""; }

// Reads a PCL job's TrueType soft font back: the header's fields, segments
// and table directory against the font file's own tables, the checksums,
// and each class-15 character's glyph data against the font's "glyf"
// bytes. Prints "ok", the header format, the segment ids, then one line per
// character: code and glyph id.
constexpr const char* kSoftFontJudge = R"PY(
import re, sys
from fontTools.ttLib import TTFont
font = TTFont(sys.argv[1]); job = open(sys.argv[2], 'rb').read()
raw = lambda tag: font.reader[tag] if tag in font.reader else None
def u16(b, i): return b[i] << 8 | b[i + 1]
def u32(b, i): return u16(b, i) << 16 | u16(b, i + 2)
m = re.search(rb'\x1b\)s(\d+)W', job); n = int(m.group(1)); h = job[m.end():m.end() + n]
assert u16(h, 0) == 72 and h[70] == 1, 'fixed header'
assert sum(h[64:]) % 256 == 0, 'header checksum'
head = raw('head')
assert u16(h, 64) == font['head'].unitsPerEm, 'scale factor'
assert u16(h, 8) == (font['head'].xMax - font['head'].xMin) & 0xFFFF, 'cell width'
wide = h[2] == 16
at = 72; segments = []
while True:
    sid = u16(h, at); size = u32(h, at + 2) if wide else u16(h, at + 2); at += 6 if wide else 4
    if sid == 0xFFFF: break
    data = h[at:at + size]; at += size; segments.append(chr(sid >> 8) + chr(sid & 255))
    if segments[-1] == 'PA': assert data == raw('OS/2')[32:42], 'panose'
    if segments[-1] == 'GT':
        count = u16(data, 4); tags = []
        for i in range(count):
            e = 12 + 16 * i; tag = data[e:e + 4].decode('latin-1'); tags.append(tag)
            if tag == 'gdir': continue
            off, length = u32(data, e + 8), u32(data, e + 12); body = data[off:off + length]
            assert body == raw(tag), 'table ' + tag
            padded = body + b'\0' * (-len(body) % 4)
            assert u32(data, e + 4) == sum(u32(padded, k) for k in range(0, len(padded), 4)) & 0xFFFFFFFF, 'sum ' + tag
        assert 'glyf' not in tags and 'loca' not in tags
        print('tables', ' '.join(tags))
print('ok', h[2], ' '.join(segments))
loca = font['loca']; glyf = raw('glyf')
for m in re.finditer(rb'\x1b\*c(\d+)E\x1b\(s(\d+)W', job):
    block = job[m.end():m.end() + int(m.group(2))]
    if block[0] != 15: continue
    size, gid = u16(block, 4), u16(block, 6)
    assert sum(block[4:]) % 256 == 0, 'character checksum'
    assert block[8:8 + size - 4] == glyf[loca[gid]:loca[gid + 1]], 'glyph %d' % gid
    print(m.group(1).decode(), gid)
)PY";

}  // namespace

TEST(GPcl5eTrueTypeText, HeaderAndCharactersCarryTheFontsOwnTablesAndGlyphs) {
  if (!HaveSans()) GTEST_SKIP() << "Liberation Sans is not installed";
  if (!HaveFontTools()) GTEST_SKIP() << "fontTools is not installed";
  for (uint32_t capabilities : {0u, static_cast<uint32_t>(GPcl5e::kCapText)}) {
    SCOPED_TRACE(capabilities);
    TrueTypeFace sans(qvtest::ReadFontFile(kSansPath));
    Pcl5JobDriver job(capabilities);
    // é and è share their base "e" with the plain e: it goes down once,
    // as a character of its own code.
    const std::u16string text = u"e\u00e9\u00e8";
    DrawOnePageOfText(job, *sans.handle, text, sans.Advances(text), GShortPoint(600, 600));
    const std::string jobPath = ::testing::TempDir() + "pcl5e_tt_header.pcl";
    std::ofstream(jobPath, std::ios::binary) << job.Bytes();
    const std::vector<std::string> lines = qvtest::Lines(RunFontTools(kSoftFontJudge, {kSansPath, jobPath}));
    std::remove(jobPath.c_str());
    ASSERT_GE(lines.size(), 2u) << ::testing::PrintToString(lines);
    const bool extended = capabilities != 0;
    EXPECT_EQ(lines[0], "tables cvt  fpgm gdir head hhea hmtx maxp prep");
    EXPECT_EQ(lines[1], extended ? "ok 16 CE CC GC PA GT" : "ok 15 PA GT");
    std::vector<std::string> characters(lines.begin() + 2, lines.end());
    // e (glyph 72), é (171) with its accent (118) under the reserved code,
    // è (170) with its accent (67); the default glyph first in extended
    // mode.
    std::vector<std::string> expected = {"101 72", "233 171", "65535 118", "232 170", "65535 67"};
    if (extended) expected.insert(expected.begin(), "65535 0");
    EXPECT_EQ(characters, expected);
  }
}

namespace {

// A small TrueType font: the glyphs given as raw "glyf" records (long
// loca), every glyph 1024 units wide, with numberOfHMetrics entries in
// "hmtx" (at least one per glyph).
std::vector<uint8_t> SyntheticFont(const std::vector<std::vector<uint8_t>>& glyphs, uint32_t hmetrics = 0) {
  using qvtest::PutU16;
  using qvtest::PutU32;
  using qvtest::SfntTag;
  hmetrics = std::max<uint32_t>(hmetrics, static_cast<uint32_t>(glyphs.size()));
  std::vector<uint8_t> head(54, 0);
  head[18] = 0x08;  // unitsPerEm 2048
  head[43] = 100;   // yMax 100
  head[41] = 200;   // xMax 200
  head[51] = 1;     // long loca
  std::vector<uint8_t> hhea(36, 0);
  hhea[34] = static_cast<uint8_t>(hmetrics >> 8);
  hhea[35] = static_cast<uint8_t>(hmetrics);
  std::vector<uint8_t> maxp;
  PutU32(maxp, 0x5000);
  PutU16(maxp, static_cast<uint32_t>(glyphs.size()));
  std::vector<uint8_t> hmtx;
  for (uint32_t i = 0; i < hmetrics; ++i) {
    PutU16(hmtx, 1024);
    PutU16(hmtx, 0);
  }
  std::vector<uint8_t> glyf, loca;
  for (const auto& g : glyphs) {
    PutU32(loca, static_cast<uint32_t>(glyf.size()));
    glyf.insert(glyf.end(), g.begin(), g.end());
  }
  PutU32(loca, static_cast<uint32_t>(glyf.size()));
  return qvtest::BuildSfnt({{SfntTag("head"), head},
                            {SfntTag("hhea"), hhea},
                            {SfntTag("maxp"), maxp},
                            {SfntTag("hmtx"), hmtx},
                            {SfntTag("loca"), loca},
                            {SfntTag("glyf"), glyf}});
}

// A simple glyph of one contour of one point.
std::vector<uint8_t> SimpleGlyph() {
  std::vector<uint8_t> g;
  qvtest::PutU16(g, 1);
  for (int i = 0; i < 4; ++i) qvtest::PutU16(g, 0);
  qvtest::PutU16(g, 0);
  qvtest::PutU16(g, 0);
  g.push_back(0x01 | 0x02 | 0x10 | 0x04 | 0x20);
  g.push_back(5);
  return g;
}

// The character blocks of a job: (code, class-15 glyph id) in order.
std::vector<std::pair<int, int>> TrueTypeCharacters(const std::string& job) {
  std::vector<std::pair<int, int>> out;
  for (size_t at = job.find("\x1B*c"); at != std::string::npos; at = job.find("\x1B*c", at + 1)) {
    size_t end = at + 3;
    while (end < job.size() && std::isdigit(static_cast<unsigned char>(job[end]))) ++end;
    if (end >= job.size() || job[end] != 'E' || job.compare(end + 1, 3, "\x1B(s") != 0) continue;
    const int code = std::stoi(job.substr(at + 3, end - at - 3));
    size_t w = end + 4;
    while (w < job.size() && std::isdigit(static_cast<unsigned char>(job[w]))) ++w;
    if (w + 9 > job.size() || static_cast<uint8_t>(job[w + 1]) != 15) continue;
    out.emplace_back(code, static_cast<uint8_t>(job[w + 7]) << 8 | static_cast<uint8_t>(job[w + 8]));
  }
  return out;
}

// Draws the text in glyph indexes on one page of a job; the job's bytes.
std::string DrawGlyphIndexes(TrueTypeFace& face, const std::u16string& glyphs, uint32_t capabilities = 0) {
  Pcl5JobDriver job(capabilities);
  DrawOnePageOfText(job, *face.handle, glyphs, std::vector<int16_t>(glyphs.size(), 60), GShortPoint(600, 600),
                    textenc::kGlyphIndex);
  return job.Bytes();
}

}  // namespace

TEST(GPcl5eTrueTypeText, CompositeWalksStopAtTheGlyphsEnd) {
  // Glyph 1 is a composite of glyph 2 whose record claims more components
  // than its bytes hold; glyph 3 follows it in "glyf" and reads like one
  // more component record (of glyph 4).
  std::vector<uint8_t> composite;
  qvtest::PutU16(composite, 0xFFFF);
  for (int i = 0; i < 4; ++i) qvtest::PutU16(composite, 0);
  qvtest::PutU16(composite, 0x0001 | 0x0020);  // word arguments, more components
  qvtest::PutU16(composite, 2);
  qvtest::PutU16(composite, 0);
  qvtest::PutU16(composite, 0);
  std::vector<uint8_t> follower;
  qvtest::PutU16(follower, 0x0000);
  qvtest::PutU16(follower, 4);
  follower.resize(12, 0);
  // A composite whose record says an 8-byte transform follows and ends
  // before it: the walk sends glyph 2 and stops.
  std::vector<uint8_t> cut = composite;
  cut[10] = 0x00;
  cut[11] = 0x81;  // word arguments, two-by-two transform, no more
  TrueTypeFace face(SyntheticFont({SimpleGlyph(), composite, SimpleGlyph(), follower, SimpleGlyph(), cut}), 100,
                    "Synthetic");
  const std::string job = DrawGlyphIndexes(face, u"\u0001\u0005");
  const std::vector<std::pair<int, int>> characters = TrueTypeCharacters(job);
  ASSERT_EQ(characters.size(), 3u) << ::testing::PrintToString(characters);
  EXPECT_EQ(characters[0].second, 1);
  EXPECT_EQ(characters[1], std::make_pair(65535, 2));
  // Glyph 5 names glyph 2 too, which went down already.
  EXPECT_EQ(characters[2].second, 5);
  for (const auto& character : characters) EXPECT_NE(character.second, 4);
}

TEST(GPcl5eTrueTypeText, AHeaderLongerThanOneCommandFallsBackToABitmapSoftFont) {
  // 10000 horizontal metrics: "hmtx" alone is 40000 bytes.
  TrueTypeFace outlinesOnly(SyntheticFont({SimpleGlyph(), SimpleGlyph()}, 10000), 100, "Wide", 2);
  TrueTypeFace both(SyntheticFont({SimpleGlyph(), SimpleGlyph()}, 10000), 100, "Wide", 3);
  TrueTypeFace small(SyntheticFont({SimpleGlyph(), SimpleGlyph()}), 100, "Narrow", 3);
  struct Case {
    TrueTypeFace* face;
    const char* header;  // the header command
    bool characters;     // TrueType characters follow
  } cases[] = {
      {&both, "\x1B)s68W", false},
      {&small, "\x1B)s", true},
      // Without bitmaps there is nothing to fall back to: the font exists
      // without a header and its text goes down without characters.
      {&outlinesOnly, nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.face->handle->GetName().Data());
    c.face->handle->glyphWidth = 24;
    c.face->handle->glyphHeight = 40;
    const std::string job = DrawGlyphIndexes(*c.face, u"\u0001\u0001");
    if (c.header != nullptr)
      EXPECT_EQ(CountOf(job, c.header), 1u);
    else
      EXPECT_EQ(CountOf(job, "\x1B)s"), 0u);
    EXPECT_EQ(TrueTypeCharacters(job).empty(), !c.characters);
    for (size_t at = job.find("\x1B)s"); at != std::string::npos; at = job.find("\x1B)s", at + 1))
      EXPECT_LE(std::stoi(job.substr(at + 3)), 32767);
  }
  // The bitmap soft font renders its glyph.
  both.handle->glyphWidth = 24;
  both.handle->glyphHeight = 40;
  Pcl5JobDriver job;
  DrawOnePageOfText(job, *both.handle, u"\u0001\u0001", {60, 60}, GShortPoint(600, 600), textenc::kGlyphIndex);
  const std::vector<qvtest::GrayPage> pages = Render(job, "pcl5e-bitmap-fallback");
  ASSERT_EQ(pages.size(), 1u);
  const InkBox ink = InkIn(pages[0], 400, 400, 1200, 800);
  EXPECT_NEAR(ink.left, 600, 8);
  EXPECT_NEAR(ink.right, 660 + 24, 8);
  EXPECT_NEAR(ink.top, 560, 8);
  EXPECT_NEAR(ink.bottom, 600, 8);
}

// ---- Printer fonts ----

namespace {

constexpr int32_t kAnsi = 4;  // the text encoding whose symbol set is 19U

// A scalable printer font "Mono" (weight 400, upright, symbol set 19U) at
// the location given, selected by the command text given.
GDeviceFontListComposite* MonoFontLists(const char* select = "#1B(s0p#PITCHh#HEIGHTv0s0b4099T", int32_t location = 1) {
  GDeviceFontDescription::SymbolSetVector sets;
  sets.Append(kAnsi);
  auto* list = new GDeviceFontList(GFeatureIds::kDeviceFontLists);
  list->AddFont(GDeviceFontDescription("Mono", select, kAnsi, sets, 400, 0, 0, 0, 1, 0, 0, location));
  auto* lists = new GDeviceFontListComposite;
  lists->Add(list);
  return lists;
}

// A job whose generator knows the printer font lists given.
std::unique_ptr<Pcl5JobDriver> PrinterFontJob(GDeviceFontListComposite* lists, uint32_t capabilities = 0) {
  auto job = std::make_unique<Pcl5JobDriver>(capabilities);
  job->generator->GetConfiguration()->AddChild(lists);
  job->generator->BindDeviceFontList();
  return job;
}

// A face that the printer font "Mono" serves: 12 points at 600 dpi.
std::unique_ptr<qvtest::TestFaceHandle> MonoFace(int32_t kind = 1) {
  GFontMetrics metrics = TextMetrics("Mono", 100, kAnsi);
  metrics.metricInt5 = 1;  // fixed pitch
  auto* face = new qvtest::TestFontFace(metrics, GFontDownloadExtras());
  face->kind = kind;
  return std::make_unique<qvtest::TestFaceHandle>(face, 0);
}

// A byte text in the printer font's encoding, 60 dots a character.
struct ByteText {
  ByteText(const GFontFaceHandle& face, const std::string& text, GShortPoint origin, int32_t options = 0)
      : bytes(text.begin(), text.end()), steps(text.size(), 60) {
    graphic = std::make_unique<GTextStringGraphic>(static_cast<GFontFaceHandle*>(face.Clone()), kAnsi, bytes.data(),
                                                   steps.data(), options, static_cast<uint16_t>(bytes.size()), origin,
                                                   nullptr, nullptr);
  }
  std::vector<uint8_t> bytes;
  std::vector<int16_t> steps;
  std::unique_ptr<GTextStringGraphic> graphic;
};

}  // namespace

TEST(GPcl5ePrinterFontText, SelectedOnceByItsCommandTextAndRenderedInPlace) {
  std::unique_ptr<Pcl5JobDriver> job = PrinterFontJob(MonoFontLists());
  std::unique_ptr<qvtest::TestFaceHandle> mono = MonoFace();
  ASSERT_EQ(job->StartDocument(), 0);
  ASSERT_EQ(job->StartPage(Pcl5PageSpec()), 0);
  ByteText first(*mono, "Hello", GShortPoint(600, 600));
  ASSERT_EQ(job->generator->DrawText(first.graphic.get()), 0);
  ByteText second(*mono, "Hello", GShortPoint(600, 1200));
  ASSERT_EQ(job->generator->DrawText(second.graphic.get()), 0);
  ASSERT_EQ(job->EndPage(), 0);
  ASSERT_EQ(job->EndDocument(), 0);
  const std::string& bytes = job->Bytes();
  // 12 points: height 12.00, pitch 10.00; the symbol set of the encoding.
  EXPECT_EQ(CountOf(bytes, "\x1B(19U\x1B(s0p10.00h12.00v0s0b4099T"), 1u) << ::testing::PrintToString(bytes);
  EXPECT_EQ(CountOf(bytes, "\x1B)s"), 0u) << "no soft font";

  const std::vector<qvtest::GrayPage> pages = Render(*job, "pcl5e-printer-font");
  ASSERT_EQ(pages.size(), 1u);
  for (int y : {600, 1200}) {
    const InkBox ink = InkIn(pages[0], 400, y - 200, 1600, y + 100);
    EXPECT_GT(ink.count, 100u);
    EXPECT_NEAR(ink.left, 600, 30);
    EXPECT_NEAR(ink.right, 900, 40);
    EXPECT_GT(ink.top, y - 90);
    EXPECT_LT(ink.top, y - 40);
    EXPECT_NEAR(ink.bottom, y, 10);
  }
  EXPECT_EQ(InkIn(pages[0], 0, 1400, 4700, 6300).count, 0u);
}

TEST(GPcl5ePrinterFontText, AGlyphTheEdgeCutsIsALabelAndTheRestPrintsAsText) {
  std::unique_ptr<Pcl5JobDriver> job = PrinterFontJob(MonoFontLists());
  std::unique_ptr<qvtest::TestFaceHandle> mono = MonoFace();
  ASSERT_EQ(job->StartDocument(), 0);
  ASSERT_EQ(job->StartPage(Pcl5PageSpec()), 0);
  ByteText cut(*mono, "HHHH", GShortPoint(-30, 600));
  const size_t before = job->Bytes().size();
  ASSERT_EQ(job->generator->DrawText(cut.graphic.get()), 0);
  ASSERT_EQ(job->EndPage(), 0);
  ASSERT_EQ(job->EndDocument(), 0);
  const std::string written = job->Bytes().substr(before);
  EXPECT_EQ(CountOf(written, std::string("LBH\x03", 4)), 1u) << ::testing::PrintToString(written);
  EXPECT_EQ(CountOf(written, "PU-30,600"), 1u);
  EXPECT_NE(written.find("SD2,0,3,10.00,4,12.00,5,0,6,0,7,4099"), std::string::npos);
  const std::vector<qvtest::GrayPage> pages = Render(*job, "pcl5e-label");
  ASSERT_EQ(pages.size(), 1u);
  const InkBox ink = InkIn(pages[0], -150, 400, 1000, 700);
  EXPECT_GT(ink.count, 100u);
  // The cut H shows its right part at the edge, the others follow.
  EXPECT_LT(ink.left, 0);
  EXPECT_NEAR(ink.right, 210, 30);
}

// ---- Bitmap soft fonts ----

namespace {

// A bitmap-only face (kind 1) that no printer font serves.
std::unique_ptr<TrueTypeFace> BitmapFace(int width, int height, uint16_t weight = 400) {
  auto face = std::make_unique<TrueTypeFace>(std::vector<uint8_t>(), 100, "Pixels", 1);
  face->handle->glyphWidth = width;
  face->handle->glyphHeight = height;
  auto* metrics = const_cast<GFontMetrics*>(&face->handle->GetFace()->GetMetrics());
  metrics->weight = weight;
  return face;
}

// The header that follows the first header command.
std::string FirstHeader(const std::string& job) {
  const size_t at = job.find("\x1B)s");
  if (at == std::string::npos) return std::string();
  const size_t w = job.find('W', at);
  return job.substr(w + 1, std::stoul(job.substr(at + 3, w - at - 3)));
}

}  // namespace

TEST(GPcl5eBitmapText, HeadersOfBothFormatsAndTheFirstIdOfTheProgram) {
  for (uint32_t capabilities : {0u, static_cast<uint32_t>(GPcl5e::kCapText)}) {
    SCOPED_TRACE(capabilities);
    std::unique_ptr<TrueTypeFace> face = BitmapFace(24, 40, 700);
    GPcl5eDownloadRecord::SetCounterForTesting(GPcl5eDownloadRecord::kFirstCounterValue);
    const std::string job = DrawGlyphIndexes(*face, u"AB", capabilities);
    const std::string header = FirstHeader(job);
    // The id is announced before the header and named in its byte 25.
    EXPECT_NE(job.find("\x1B*c1001D\x1B)s"), std::string::npos);
    ASSERT_EQ(header.size(), capabilities != 0 ? 90u : 68u);
    EXPECT_EQ(static_cast<uint8_t>(header[25]), 0xE9);
    EXPECT_EQ(static_cast<uint8_t>(header[24]), 3) << "weight 700";
    if (capabilities == 0) {
      EXPECT_EQ(header.substr(0, 3), std::string("\x00\x44\x14", 3));
      EXPECT_EQ(header.substr(38, 2), std::string("\x00\xFF", 2));
    } else {
      EXPECT_EQ(static_cast<uint8_t>(header[70]), 254);
      EXPECT_EQ(header.substr(72, 6), std::string("BR\x00\x00\x00\x04", 6));
      uint32_t sum = 0;
      for (size_t i = 64; i < 90; ++i) sum += static_cast<uint8_t>(header[i]);
      EXPECT_EQ(sum % 256, 0u);
    }
  }
}

TEST(GPcl5eBitmapText, ALargeGlyphGoesDownInContinuationBlocks) {
  // 320 dots wide (40 bytes a row), 1000 rows: 40000 bytes of image.
  std::unique_ptr<TrueTypeFace> face = BitmapFace(320, 1000);
  const std::string job = DrawGlyphIndexes(*face, u"A");
  const size_t code = job.find("\x1B*c65E");
  ASSERT_NE(code, std::string::npos);
  std::vector<int> blocks;
  for (size_t at = job.find("\x1B(s", code); at != std::string::npos && blocks.size() < 4;) {
    const size_t w = job.find('W', at);
    const int size = std::stoi(job.substr(at + 3, w - at - 3));
    blocks.push_back(size);
    if (blocks.size() > 1) EXPECT_EQ(job.substr(w + 1, 2), std::string("\x04\x01", 2));
    at = job.find("\x1B(s", w + 1 + size);
    if (at != w + 1 + size) break;
  }
  EXPECT_EQ(blocks, (std::vector<int>{16400, 16402, 7218}));
}

TEST(GPcl5eBitmapText, AReleasedFontIsDeletedAndComesBackUnderANewId) {
  std::unique_ptr<TrueTypeFace> first = BitmapFace(24, 40);
  std::unique_ptr<TrueTypeFace> second = BitmapFace(24, 40);
  const_cast<GFontMetrics&>(second->handle->GetFace()->GetMetrics()).name = "Other";
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  // Room for one font only.
  job.generator->GetMemoryBudget().Reset(6000);
  std::vector<std::string> ids;
  // A page each: the stream goes to the channel at page end.
  for (TrueTypeFace* face : {first.get(), second.get(), first.get()}) {
    ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
    TextGraphic text(*face->handle, u"A", {60}, GShortPoint(600, 600), textenc::kGlyphIndex);
    const size_t before = job.Bytes().size();
    ASSERT_EQ(job.generator->DrawText(text.graphic.get()), 0);
    ASSERT_EQ(job.EndPage(), 0);
    const std::string written = job.Bytes().substr(before);
    // The id announced before the header.
    const size_t header = written.find("D\x1B)s");
    ASSERT_NE(header, std::string::npos) << ::testing::PrintToString(written);
    const size_t at = written.rfind("\x1B*c", header);
    ids.push_back(written.substr(at + 3, header - at - 3));
    EXPECT_EQ(CountOf(written, "\x1B)s"), 1u) << "a header each time";
  }
  ASSERT_EQ(job.EndDocument(), 0);
  EXPECT_NE(ids[0], ids[1]) << ::testing::PrintToString(ids);
  EXPECT_NE(ids[2], ids[0]);
  // The second font pushed the first out of the printer; the first came
  // back and found room.
  EXPECT_EQ(CountOf(job.Bytes(), "\x1B*c" + ids[0] + "d2F"), 1u);
  EXPECT_EQ(CountOf(job.Bytes(), "\x1B*c" + ids[1] + "d2F"), 0u);
  const std::vector<qvtest::GrayPage> pages = Render(job, "pcl5e-released");
  ASSERT_EQ(pages.size(), 3u);
  for (const qvtest::GrayPage& page : pages) EXPECT_GT(InkIn(page, 500, 500, 800, 700).count, 50u);
}

// ---- Selection texts and answers ----

TEST(GPcl5eFontSelection, LabelDefinitionsAndSymbolSets) {
  const struct {
    const char* text;
    const char* definition;
  } labels[] = {
      {"\x1B(8U\x1B(s0p10.00h12.00v0s0b3T", "SD1,277,2,0,3,10.00,4,12.00,5,0,6,0,7,3"},
      {"\x1B(19U\x1B(s1p12v0s0b4148T", "SD1,629,2,1,4,12,5,0,6,0,7,4148"},
      {"\x1B(s1p12v4148T", "SD2,1,4,12,7,4148"},
      {"\x1B(10U", "SD1,341"},
      // Damaged device data: nothing to read, or more digits than a code.
      {"", "SD"},
      {"(", "SD"},
      {"\x1B(s", "SD"},
      {"\x1B(99999999999999U\x1B(s", "SD1,3199999989"},
  };
  for (const auto& label : labels)
    EXPECT_EQ(std::string(GPcl5e::ToLabelFontDefinition(label.text, std::strlen(label.text)).Data()), label.definition)
        << label.text;
  const struct {
    int32_t encoding;
    uint16_t code;
  } sets[] = {{1, 1}, {4, 629}, {16, 590}, {17, 619}, {20, 616}, {21, 616}, {54, 18604}, {10, 0}};
  for (const auto& set : sets) EXPECT_EQ(GPcl5e::SymbolSetForEncoding(set.encoding), set.code) << set.encoding;
}

TEST(GPcl5eFontSelection, ALabelSelectionTooLongForTheLabelBufferIsLeftOut) {
  // The select string expands past the 100-byte label buffer.
  const std::string select = "#1B(s0p#PITCHh#HEIGHTv0s0b4099T" + std::string(120, 'x');
  std::unique_ptr<Pcl5JobDriver> job = PrinterFontJob(MonoFontLists(select.c_str()));
  std::unique_ptr<qvtest::TestFaceHandle> mono = MonoFace();
  ASSERT_EQ(job->StartDocument(), 0);
  ASSERT_EQ(job->StartPage(Pcl5PageSpec()), 0);
  ByteText cut(*mono, "HH", GShortPoint(-30, 600));
  const size_t before = job->Bytes().size();
  ASSERT_EQ(job->generator->DrawText(cut.graphic.get()), 0);
  ASSERT_EQ(job->EndPage(), 0);
  const std::string written = job->Bytes().substr(before);
  EXPECT_EQ(CountOf(written, std::string("LBH\x03", 4)), 1u) << ::testing::PrintToString(written);
  EXPECT_EQ(written.find("SD2,"), std::string::npos) << "no definition from the cut text";
  EXPECT_NE(written.find("SD1,629"), std::string::npos);
}

TEST(GPcl5eFontSelection, HandlingAnswers) {
  std::unique_ptr<Pcl5JobDriver> plain = PrinterFontJob(MonoFontLists());
  std::unique_ptr<Pcl5JobDriver> addOn = PrinterFontJob(MonoFontLists("#1B(s#HEIGHTV", 4));
  GFontMetrics other = TextMetrics("Other", 100, kAnsi);
  GFontMetrics mono = TextMetrics("Mono", 100, kAnsi);
  GFontDownloadExtras bolder;
  bolder.extrasShort = 700;
  const struct {
    Pcl5JobDriver* job;
    GFontMetrics metrics;
    GFontDownloadExtras extras;
    int32_t kind;
    int32_t answer;
  } cases[] = {
      {plain.get(), other, GFontDownloadExtras(), 3, 48},
      {plain.get(), other, GFontDownloadExtras(), 2, 20},
      {plain.get(), mono, GFontDownloadExtras(), 1, 8},
      {addOn.get(), mono, GFontDownloadExtras(), 3, 72},
      {plain.get(), mono, bolder, 3, 128},
  };
  for (const auto& c : cases) {
    qvtest::TestFontFace face(c.metrics, c.extras);
    face.kind = c.kind;
    EXPECT_EQ(c.job->generator->QueryFontHandling(&face), c.answer) << c.metrics.name.Data() << " " << c.kind;
  }
  const char* key = "unset";
  GDeviceFontDescription* found = nullptr;
  EXPECT_EQ(plain->generator->QueryTextHandling(&mono, 0, 0, &key, 0, 400, &found), 8);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(std::string(found->GetName().Data()), "Mono");
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(plain->generator->QueryTextHandling(&other, 1, 0, &key, 0, 400, &found), 48);
  EXPECT_EQ(plain->generator->QueryTextHandling(&mono, 3, 0, &key, 0, 400, &found), 4);
  EXPECT_EQ(plain->generator->QueryTextHandling(&mono, 0, 0, &key, 1, 400, &found), 128);
}

// ---- Runs, control characters and rotation ----

TEST(GPcl5ePrinterFontText, AStraightFixedPitchTextIsOneRunAndControlCharactersAreTransparent) {
  const std::string text = std::string("Tab\tStops.");
  const struct {
    int32_t options;
    std::string expected;  // what the text's bytes come as
  } cases[] = {
      // Options set, x advances only, inside the page: one run of
      // transparent data.
      {1, "\x1B&p10XTab\tStops."},
      // Options 0: character by character, the tab announced on its own.
      {0, "\x1B&p1X\t"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    std::unique_ptr<Pcl5JobDriver> job = PrinterFontJob(MonoFontLists());
    std::unique_ptr<qvtest::TestFaceHandle> mono = MonoFace();
    ASSERT_EQ(job->StartDocument(), 0);
    ASSERT_EQ(job->StartPage(Pcl5PageSpec()), 0);
    ByteText run(*mono, text, GShortPoint(600, 600), c.options);
    const size_t before = job->Bytes().size();
    ASSERT_EQ(job->generator->DrawText(run.graphic.get()), 0);
    ASSERT_EQ(job->EndPage(), 0);
    const std::string written = job->Bytes().substr(before);
    EXPECT_NE(written.find(c.expected), std::string::npos) << ::testing::PrintToString(written);
    // One cursor move for the run, one per character otherwise.
    EXPECT_EQ(CountOf(written.substr(written.find("4099T")), "\x1B*p"), c.options != 0 ? 1u : text.size());
    ASSERT_EQ(job->EndDocument(), 0);
    const std::vector<qvtest::GrayPage> pages = Render(*job, "pcl5e-run");
    ASSERT_EQ(pages.size(), 1u);
    const InkBox ink = InkIn(pages[0], 400, 400, 1600, 700);
    EXPECT_NEAR(ink.left, 600, 30);
    EXPECT_NEAR(ink.right, 600 + 60 * static_cast<int>(text.size()), 40);
  }
}

TEST(GPcl5eTrueTypeText, SimulatedBoldAndRotatedSelections) {
  if (!HaveSans()) GTEST_SKIP() << "Liberation Sans is not installed";
  TrueTypeFace sans(qvtest::ReadFontFile(kSansPath));
  TrueTypeFace bold(qvtest::ReadFontFile(kSansPath));
  auto* extras = const_cast<GFontDownloadExtras*>(&bold.handle->GetFace()->GetDownloadExtras());
  extras->extrasShort = 800;
  TrueTypeFace turned(qvtest::ReadFontFile(kSansPath));
  const_cast<GFontDownloadExtras*>(&turned.handle->GetFace()->GetDownloadExtras())->angle2 = GAngle(45.0f);
  // Bold simulated by the printer needs the text-and-font capability;
  // without it the face goes down as bitmaps.
  Pcl5JobDriver job(GPcl5e::kCapText);
  ASSERT_EQ(job.StartDocument(), 0);
  std::vector<std::string> pages;
  for (TrueTypeFace* face : {&bold, &sans, &turned}) {
    ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
    const std::u16string text = u"Hi";
    TextGraphic t(*face->handle, text, face->Advances(text), GShortPoint(1200, 1200));
    const size_t before = job.Bytes().size();
    ASSERT_EQ(job.generator->DrawText(t.graphic.get()), 0);
    ASSERT_EQ(job.EndPage(), 0);
    pages.push_back(job.Bytes().substr(before));
  }
  ASSERT_EQ(job.EndDocument(), 0);
  EXPECT_NE(pages[0].find("\x1B(s4B"), std::string::npos);
  EXPECT_NE(pages[0].find("\x1B(16A\x1B(s1p12.00V"), std::string::npos);
  EXPECT_NE(pages[0].find("\x1B&t00P"), std::string::npos);
  EXPECT_EQ(pages[1].find("\x1B(s4B"), std::string::npos);
  // Rotated: the GL/2 forms, a direction of equal run and rise, and the
  // characters as labels without a font selection between them.
  EXPECT_NE(pages[2].find("SD4,12.00FI"), std::string::npos) << ::testing::PrintToString(pages[2]);
  EXPECT_NE(pages[2].find("SB0DI5792,5792"), std::string::npos);
  EXPECT_EQ(pages[2].find("\x1B(16A"), std::string::npos);
  EXPECT_EQ(CountOf(pages[2], "LO21"), 0u);
  EXPECT_EQ(CountOf(pages[2], std::string("\x03", 1)), 2u);
  const std::vector<qvtest::GrayPage> rendered = Render(job, "pcl5e-tt-styles");
  ASSERT_EQ(rendered.size(), 3u);
  // Each text marks its area; the rotated one rises to the right.
  const InkBox heavy = InkIn(rendered[0], 1000, 1000, 1600, 1300);
  const InkBox regular = InkIn(rendered[1], 1000, 1000, 1600, 1300);
  EXPECT_GT(heavy.count, 50u);
  EXPECT_GT(regular.count, 50u);
  const InkBox rising = InkIn(rendered[2], 1000, 900, 1600, 1300);
  EXPECT_GT(rising.count, 50u);
  // The H leans left of the origin, which an upright one does not.
  EXPECT_LT(rising.left, 1200 - 30);
  EXPECT_GT(regular.left, 1200);
}

// ---- A page of text in both kinds of font ----

TEST(GPcl5eTextPage, PrinterAndSoftFontTextBesideVectorsRendersAsIntended) {
  if (!HaveSans()) GTEST_SKIP() << "Liberation Sans is not installed";
  TrueTypeFace sans(qvtest::ReadFontFile(kSansPath));
  std::unique_ptr<Pcl5JobDriver> job = PrinterFontJob(MonoFontLists());
  std::unique_ptr<qvtest::TestFaceHandle> mono = MonoFace();
  ASSERT_EQ(job->StartDocument(), 0);
  ASSERT_EQ(job->StartPage(Pcl5PageSpec()), 0);
  GBrush brush(qvtest::Pcl5Paint(0, 0, 0), nullptr);
  ASSERT_EQ(job->generator->SetBrush(&brush), 0);
  GNoPen pen(nullptr);
  ASSERT_EQ(job->generator->SetNoPen(&pen), 0);
  GRectangleGraphic box(GRect(600, 1400, 1800, 1500), nullptr, nullptr);
  ASSERT_EQ(job->generator->DrawRectangle(&box), 0);
  ByteText printer(*mono, "Printer font", GShortPoint(600, 600));
  ASSERT_EQ(job->generator->DrawText(printer.graphic.get()), 0);
  const std::u16string soft = u"Soft font \u00e9t\u00e9";
  TextGraphic download(*sans.handle, soft, sans.Advances(soft), GShortPoint(600, 1000));
  ASSERT_EQ(job->generator->DrawText(download.graphic.get()), 0);
  // The printer font again after the soft font: selected anew.
  ByteText again(*mono, "again", GShortPoint(600, 1300));
  ASSERT_EQ(job->generator->DrawText(again.graphic.get()), 0);
  ASSERT_EQ(job->EndPage(), 0);
  ASSERT_EQ(job->EndDocument(), 0);

  const std::vector<qvtest::GrayPage> pages = Render(*job, "pcl5e-text-page");
  ASSERT_EQ(pages.size(), 1u);
  const InkBox printerInk = InkIn(pages[0], 400, 400, 2000, 700);
  EXPECT_NEAR(printerInk.left, 600, 30);
  EXPECT_NEAR(printerInk.right, 600 + 12 * 60, 40);
  int width = 0;
  for (int16_t a : sans.Advances(soft)) width += a;
  const InkBox softInk = InkIn(pages[0], 400, 800, 2000, 1100);
  EXPECT_NEAR(softInk.left, 600, 24);
  EXPECT_NEAR(softInk.right, 600 + width, 40);
  EXPECT_NEAR(softInk.bottom, 1000, 10) << "on the baseline: no descenders";
  const InkBox againInk = InkIn(pages[0], 400, 1150, 2000, 1320);
  EXPECT_NEAR(againInk.left, 600, 30);
  const InkBox boxInk = InkIn(pages[0], 400, 1380, 2000, 1520);
  EXPECT_NEAR(boxInk.left, 600, 8);
  EXPECT_NEAR(boxInk.right, 1800, 8);

  // The page as a picture for a person to look at.
  const std::string interpreter = qvtest::PclInterpreter();
  const std::string jobPath = ::testing::TempDir() + "pcl5e-text-page.pcl";
  std::ofstream(jobPath, std::ios::binary) << job->Bytes();
  const std::string png = ::testing::TempDir() + "pcl5e-text-page.png";
  const std::string command = "'" + interpreter + "' -q -dNOPAUSE -dBATCH -sDEVICE=png16m -r100 -o '" + png + "' '" +
                              jobPath + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(std::ifstream(png).good()) << png;
  std::remove(jobPath.c_str());
}

TEST(GPcl5eTrueTypeText, DamagedFontsGiveNoHeaderOrShortFieldsButTheTextStillGoesDown) {
  using qvtest::SfntTag;
  const std::vector<uint8_t> whole = SyntheticFont({SimpleGlyph(), SimpleGlyph()});
  // The same font with one table's tag renamed: the table is missing.
  const auto without = [&whole](const char* tag) {
    std::vector<uint8_t> file = whole;
    const uint32_t wanted = qvtest::SfntTag(*reinterpret_cast<const char(*)[5]>(tag));
    for (size_t at = 12; at + 16 <= 12 + 16 * 6; at += 16) {
      const uint32_t t = static_cast<uint32_t>(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
      if (t == wanted) file[at] = 'x';
    }
    return file;
  };
  // A "head" of 4 bytes: the header's fields from it read as 0.
  std::vector<uint8_t> shortHead = qvtest::BuildSfnt({{SfntTag("head"), {0, 1, 0, 0}},
                                                      {SfntTag("hhea"), std::vector<uint8_t>(36, 0)},
                                                      {SfntTag("maxp"), {0, 0, 0x50, 0, 0, 2}},
                                                      {SfntTag("hmtx"), {4, 0, 0, 0, 4, 0, 0, 0}}});
  const struct {
    const char* name;
    std::vector<uint8_t> file;
    bool header;
  } cases[] = {
      {"no hmtx", without("hmtx"), false},
      {"no head", without("head"), false},
      {"no glyf", without("glyf"), true},
      {"short head", shortHead, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TrueTypeFace face(c.file, 100, "Damaged");
    const std::string job = DrawGlyphIndexes(face, u"\u0001\u0001");
    EXPECT_EQ(CountOf(job, "\x1B)s"), c.header ? 1u : 0u);
    const std::string header = FirstHeader(job);
    if (c.header) {
      uint32_t sum = 0;
      for (size_t i = 64; i < header.size(); ++i) sum += static_cast<uint8_t>(header[i]);
      EXPECT_EQ(sum % 256, 0u);
    }
    // Each character still goes down, as transparent data.
    EXPECT_EQ(CountOf(job, "\x1B&p1X\x01"), 2u);
  }
}

// With the text-and-font capability, characters past 255 go down under
// allocated two-byte codes, and the text announces its two-byte parsing.
TEST(GPcl5eTrueTypeText, ExtendedModeTwoByteCodesRender) {
  if (!HaveSans()) GTEST_SKIP() << "Liberation Sans is not installed";
  TrueTypeFace sans(qvtest::ReadFontFile(kSansPath));
  Pcl5JobDriver job(GPcl5e::kCapText);
  const std::u16string text = u"\u20ac\u0141\u03a9";
  DrawOnePageOfText(job, *sans.handle, text, sans.Advances(text), GShortPoint(600, 600));
  EXPECT_EQ(CountOf(job.Bytes(), "\x1B&t38P"), 1u);
  for (const char* code : {"\x1B*c32768E", "\x1B*c32769E", "\x1B*c32770E"}) EXPECT_EQ(CountOf(job.Bytes(), code), 1u);
  const std::vector<qvtest::GrayPage> pages = Render(job, "pcl5e-tt-wide");
  ASSERT_EQ(pages.size(), 1u);
  int width = 0;
  for (int16_t a : sans.Advances(text)) width += a;
  const InkBox ink = InkIn(pages[0], 400, 400, 2400, 800);
  EXPECT_GT(ink.count, 100u);
  EXPECT_NEAR(ink.left, 600, 24);
  EXPECT_NEAR(ink.right, 600 + width, 40);
  EXPECT_NEAR(ink.bottom, 600, 12);
}

TEST(GPcl5eBitmapText, CodesPast255GoToASoftFontPerBlockWithoutTheTextAndFontCapability) {
  std::unique_ptr<TrueTypeFace> face = BitmapFace(24, 40);
  Pcl5JobDriver job;
  DrawOnePageOfText(job, *face->handle, u"A\u20ac\u0141A", {60, 60, 60, 60}, GShortPoint(600, 600));
  const std::string& bytes = job.Bytes();
  // Two fonts, each with a header of codes up to 255; the wide characters
  // are codes 0 and 1 of the second.
  EXPECT_EQ(CountOf(bytes, "\x1B)s68W"), 2u);
  for (const char* code : {"\x1B*c65E", "\x1B*c0E", "\x1B*c1E"}) EXPECT_EQ(CountOf(bytes, code), 1u) << code;
  for (size_t at = bytes.find("\x1B)s"); at != std::string::npos; at = bytes.find("\x1B)s", at + 1))
    EXPECT_EQ(static_cast<uint8_t>(bytes[at + 3 + 3 + 39]), 255) << "last code 255";
  const std::vector<qvtest::GrayPage> pages = Render(job, "pcl5e-bitmap-blocks");
  ASSERT_EQ(pages.size(), 1u);
  // Four solid glyphs, 60 dots apart.
  for (int x : {600, 660, 720, 780}) {
    const InkBox ink = InkIn(pages[0], x, 500, x + 30, 650);
    EXPECT_GT(ink.count, 10u) << x;
    EXPECT_NEAR(ink.left, x, 6) << x;
    EXPECT_NEAR(ink.top, 560, 6) << x;
  }
}
