// The TrueType reader judged by independent readers on installed fonts:
// FreeType for the character map, the glyph outlines (points, on-curve
// flags, contour ends) and the components of composite glyphs; Python's
// fontTools for the table directory and the advance widths, and for a small
// font with vertical metrics that it builds.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/GTTFontReader.h"
#include "support/PythonJudge.h"
#include "support/TestFontReader.h"

namespace {

const char* const kPeerFonts[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf",
};

bool PeerFileExists(const std::string& path) { return std::ifstream(path).good(); }

// The script's output through Debian's Python, or false when it or
// fontTools is missing (the test is then skipped).
bool PeerFontTools(const std::string& script, std::string* output) { return qvtest::RunFontTools(script, output); }

struct PeerOutline {
  std::vector<int> x, y, onCurve, contourEnds;
};

// Decodes a simple glyph's points; false when the data is damaged.
bool PeerDecodeSimple(const uint8_t* d, uint32_t n, PeerOutline& out) {
  uint16_t contours = 0, instructions = 0, v = 0;
  if (!GTTReadU16(d, n, 0, contours) || static_cast<int16_t>(contours) < 0) return false;
  uint64_t at = 10;
  for (uint32_t i = 0; i < contours; ++i, at += 2) {
    if (!GTTReadU16(d, n, at, v)) return false;
    out.contourEnds.push_back(v);
  }
  if (!GTTReadU16(d, n, at, instructions)) return false;
  at += 2 + instructions;
  const uint32_t points = contours == 0 ? 0 : out.contourEnds.back() + 1u;
  std::vector<uint8_t> flags;
  while (flags.size() < points) {
    if (at >= n) return false;
    const uint8_t f = d[at++];
    flags.push_back(f);
    if (f & 0x08) {
      if (at >= n) return false;
      for (uint8_t r = d[at++]; r > 0 && flags.size() < points; --r) flags.push_back(f);
    }
  }
  for (int axis = 0; axis < 2; ++axis) {
    const uint8_t shortBit = axis == 0 ? 0x02 : 0x04, sameBit = axis == 0 ? 0x10 : 0x20;
    int value = 0;
    for (uint8_t f : flags) {
      if (f & shortBit) {
        if (at >= n) return false;
        value += (f & sameBit) ? d[at] : -d[at];
        ++at;
      } else if (!(f & sameBit)) {
        if (!GTTReadU16(d, n, at, v)) return false;
        value += static_cast<int16_t>(v);
        at += 2;
      }
      (axis == 0 ? out.x : out.y).push_back(value);
    }
  }
  for (uint8_t f : flags) out.onCurve.push_back(f & 1);
  return true;
}

// The component glyph indexes of a composite glyph's data.
std::vector<int> PeerComponents(const uint8_t* d, uint32_t n) {
  std::vector<int> components;
  uint64_t at = 10;
  uint16_t flags = 0x20, glyph = 0;
  while ((flags & 0x20) && GTTReadU16(d, n, at, flags) && GTTReadU16(d, n, at + 2, glyph)) {
    components.push_back(glyph);
    at += 4 + ((flags & 1) ? 4 : 2) + ((flags & 0x80) ? 8 : (flags & 0x40) ? 4 : (flags & 0x08) ? 2 : 0);
  }
  return components;
}

class FreeTypeLibrary {
 public:
  FreeTypeLibrary() { FT_Init_FreeType(&library_); }
  ~FreeTypeLibrary() { FT_Done_FreeType(library_); }
  FT_Library Get() const { return library_; }

 private:
  FT_Library library_ = nullptr;
};

TEST(GTTFontReaderPeer, CmapOutlinesAndCompositesMatchFreeType) {
  FreeTypeLibrary library;
  for (const char* path : kPeerFonts) {
    if (!PeerFileExists(path)) GTEST_SKIP() << path << " is not installed";
    SCOPED_TRACE(path);
    qvtest::TestFontReader reader(1, qvtest::ReadFontFile(path));
    FT_Face face = nullptr;
    ASSERT_EQ(FT_New_Face(library.Get(), path, 0, &face), 0);
    ASSERT_EQ(FT_Select_Charmap(face, FT_ENCODING_UNICODE), 0);
    EXPECT_EQ(reader.HasRequiredTables(0), 1);
    uint16_t glyphCount = 0;
    ASSERT_EQ(reader.GetGlyphCount(0, &glyphCount), 1);
    EXPECT_EQ(glyphCount, face->num_glyphs);

    // Every code of the Basic Multilingual Plane that the font maps.
    int mapped = 0;
    FT_UInt glyph = 0;
    for (FT_ULong code = FT_Get_First_Char(face, &glyph); glyph != 0 && code <= 0xFFFF;
         code = FT_Get_Next_Char(face, code, &glyph)) {
      ASSERT_EQ(reader.GetGlyphIndex(0, 0, static_cast<uint16_t>(code), 16), glyph) << std::hex << code;
      ++mapped;
    }
    EXPECT_GT(mapped, 200);

    int composites = 0;
    for (FT_Long g = 0; g < face->num_glyphs; ++g) {
      ASSERT_EQ(FT_Load_Glyph(face, static_cast<FT_UInt>(g), FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_RECURSE), 0);
      std::unique_ptr<GByteBuffer> data;
      const uint32_t length = reader.GetGlyphData(0, 1, static_cast<uint16_t>(g), data);
      ASSERT_NE(data, nullptr) << g;
      if (face->glyph->format == FT_GLYPH_FORMAT_COMPOSITE) {
        std::vector<int> expected;
        for (FT_UInt i = 0; i < face->glyph->num_subglyphs; ++i) {
          FT_Int index = 0, arg1 = 0, arg2 = 0;
          FT_UInt flags = 0;
          FT_Matrix matrix;
          FT_Get_SubGlyph_Info(face->glyph, i, &index, &flags, &arg1, &arg2, &matrix);
          expected.push_back(index);
        }
        ASSERT_EQ(PeerComponents(data->GetData(), length), expected) << g;
        GGlyphRequest request;
        request.glyph = static_cast<uint16_t>(g);
        EXPECT_EQ(reader.ProcessGlyph(request), 1) << g;
        ++composites;
        continue;
      }
      const FT_Outline& outline = face->glyph->outline;
      PeerOutline ours;
      if (length != 0) ASSERT_TRUE(PeerDecodeSimple(data->GetData(), length, ours)) << g;
      ASSERT_EQ(static_cast<int>(ours.x.size()), outline.n_points) << g;
      ASSERT_EQ(static_cast<int>(ours.contourEnds.size()), outline.n_contours) << g;
      for (int c = 0; c < outline.n_contours; ++c) ASSERT_EQ(ours.contourEnds[c], outline.contours[c]) << g;
      // FreeType moves the outline so that its left edge lies at the
      // side bearing of "hmtx"; the glyph data keeps the design position.
      int shift = 0;
      if (length != 0) {
        uint16_t xMin = 0, advance = 0;
        int16_t bearing = 0;
        GTTReadU16(data->GetData(), length, 2, xMin);
        ASSERT_EQ(reader.GetHorizontalMetrics(0, static_cast<uint16_t>(g), &advance, &bearing), 1);
        shift = bearing - static_cast<int16_t>(xMin);
      }
      for (int p = 0; p < outline.n_points; ++p) {
        ASSERT_EQ(ours.x[p] + shift, outline.points[p].x) << g << " point " << p;
        ASSERT_EQ(ours.y[p], outline.points[p].y) << g << " point " << p;
        ASSERT_EQ(ours.onCurve[p], outline.tags[p] & 1) << g << " point " << p;
      }
    }
    EXPECT_GT(composites, 0);
    FT_Done_Face(face);
  }
}

TEST(GTTFontReaderPeer, TableDirectoryAndAdvancesMatchFontTools) {
  for (const char* path : kPeerFonts) {
    if (!PeerFileExists(path)) GTEST_SKIP() << path << " is not installed";
    SCOPED_TRACE(path);
    std::string output;
    const std::string script = std::string("f = fontTools.ttLib.TTFont('") + path +
                               "')\n"
                               "for tag in sorted(f.reader.keys()):\n"
                               "    print('T', tag.replace(' ', '_'), f.reader.tables[tag].length)\n"
                               "for i, name in enumerate(f.getGlyphOrder()):\n"
                               "    w, lsb = f['hmtx'][name]\n"
                               "    print('H', i, w, lsb)\n";
    if (!PeerFontTools(script, &output)) GTEST_SKIP() << "fontTools is not available";
    qvtest::TestFontReader reader(1, qvtest::ReadFontFile(path));
    std::istringstream lines(output);
    std::string kind;
    int tables = 0, glyphs = 0;
    while (lines >> kind) {
      if (kind == "T") {
        std::string tag;
        uint32_t length = 0;
        lines >> tag >> length;
        std::replace(tag.begin(), tag.end(), '_', ' ');
        const uint32_t code = qvtest::SfntTag({tag[0], tag[1], tag[2], tag[3], 0});
        EXPECT_EQ(reader.GetTableLength(0, code), length) << tag;
        for (uint32_t i = 0; i < GTTFontReader::kTagCount; ++i)
          if (GTTFontReader::kTags[i] == code) EXPECT_EQ(reader.GetTableSize(0, i), length) << tag;
        ++tables;
      } else {
        int glyph = 0, width = 0, bearing = 0;
        lines >> glyph >> width >> bearing;
        uint16_t advance = 0;
        int16_t side = 0;
        ASSERT_EQ(reader.GetHorizontalMetrics(0, static_cast<uint16_t>(glyph), &advance, &side), 1);
        ASSERT_EQ(advance, width) << glyph;
        ASSERT_EQ(side, bearing) << glyph;
        ++glyphs;
      }
    }
    EXPECT_GE(tables, 10);
    EXPECT_GT(glyphs, 200);
  }
}

TEST(GTTFontReaderPeer, VerticalMetricsMatchAFontBuiltByFontTools) {
  const std::string path = ::testing::TempDir() + "qv_ttf_vertical_" + std::to_string(getpid()) + ".ttf";
  std::string output;
  const std::string script =
      "from fontTools.fontBuilder import FontBuilder\n"
      "from fontTools.pens.ttGlyphPen import TTGlyphPen\n"
      "fb = FontBuilder(1000, isTTF=True)\n"
      "names = ['.notdef', 'A', 'B', 'C']\n"
      "fb.setupGlyphOrder(names)\n"
      "fb.setupCharacterMap({0x41: 'A', 0x42: 'B', 0x43: 'C'})\n"
      "glyphs = {}\n"
      "for i, n in enumerate(names):\n"
      "    pen = TTGlyphPen(None)\n"
      "    pen.moveTo((10, 0)); pen.lineTo((10, 100 + i)); pen.lineTo((200, 100)); pen.closePath()\n"
      "    glyphs[n] = pen.glyph()\n"
      "fb.setupGlyf(glyphs)\n"
      "fb.setupHorizontalMetrics({n: (500 + i, 10) for i, n in enumerate(names)})\n"
      "fb.setupHorizontalHeader(ascent=800, descent=-200)\n"
      "vm = {'.notdef': (1000, 50), 'A': (1000, 60), 'B': (900, 70), 'C': (900, 80)}\n"
      "fb.setupVerticalMetrics(vm)\n"
      "fb.setupVerticalHeader(ascent=500, descent=-500)\n"
      "fb.setupNameTable({'familyName': 'Vert', 'styleName': 'Regular'})\n"
      "fb.setupOS2(sTypoDescender=-123)\n"
      "fb.setupPost()\n"
      "fb.save('" + path + "')\n"
      "f = fontTools.ttLib.TTFont('" + path + "')\n"
      "for i, n in enumerate(f.getGlyphOrder()):\n"
      "    print(i, *f['vmtx'][n])\n";
  if (!PeerFontTools(script, &output)) GTEST_SKIP() << "fontTools is not available";
  qvtest::TestFontReader reader(1, qvtest::ReadFontFile(path));
  std::remove(path.c_str());
  std::istringstream lines(output);
  int glyph = 0, height = 0, top = 0, count = 0;
  while (lines >> glyph >> height >> top) {
    uint16_t advance = 0;
    int16_t bearing = 0;
    ASSERT_EQ(reader.GetVerticalMetrics(0, static_cast<uint16_t>(glyph), &advance, &bearing), 1);
    EXPECT_EQ(advance, height) << glyph;
    EXPECT_EQ(bearing, top) << glyph;
    ++count;
  }
  EXPECT_EQ(count, 4);
  int16_t descender = 0;
  EXPECT_EQ(reader.GetTypoDescender(0, &descender), 1);
  EXPECT_EQ(descender, -123);
  EXPECT_EQ(reader.GetGlyphIndex(0, 0, 0x42, 16), 2);
}

}  // namespace
