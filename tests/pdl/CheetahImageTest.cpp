// The PCL XL generator's images and patterns. The rendering tests let the
// independent interpreter judge the jobs: 1-, 4-, 8- and 24-bit images in
// every compression it reads (none, run-length, delta rows, JPEG) come out
// where they were drawn, with the gray of their source (within the
// dither's tolerance), in gray and colour output; pattern fills tile the
// area they fill and nothing else.
// The stream tests pin what the interpreter cannot tell apart: the choice
// of compression, the block structure, the palette and pattern sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GBitmapImp.h"
#include "graphics/GBrush.h"
#include "graphics/GClip.h"
#include "graphics/GColor.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GGrayConversion.h"
#include "graphics/GPaint.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GPatternPaint.h"
#include "graphics/GPen.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GShapeGraphic.h"
#include "model/GByteStream.h"
#include "model/GGraphicBundle.h"
#include "model/GLZWCompressor.h"
#include "model/MPersistentComposite.h"
#include "pdl/GPdlGenerator.h"
#include "support/PclInterpreter.h"
#include "support/RasterTestSupport.h"
#include "support/TilePaint.h"
#include "support/XLStreamTestSupport.h"
#include "support/XlJobDriver.h"
#include "w32test/Testing.h"

namespace {

using qvtest::XlJobDriver;
using rastertest::Bytes;

// Rendering resolution: 1 page pixel = 6 device pixels.
constexpr int kImageRenderDpi = 100;
constexpr int kImageRenderScale = 600 / kImageRenderDpi;

// Where the test images land: 2 by 2 inches at (600, 600).
const GRect kImageDestination(600, 600, 1800, 1800);

// The four quadrants of a test image, each one gray (or colour).
struct XlQuadrants {
  uint8_t rgb[4][3];  // top left, top right, bottom left, bottom right
};

// A swatch of each colour, filled as a vector rectangle below the image:
// the interpreter's own gray for the colour, which the image's quadrants
// are measured against.
GRect XlSwatch(int i) {
  return GRect(static_cast<int16_t>(600 + i * 600), 2400, static_cast<int16_t>(1000 + i * 600), 2800);
}

void XlDrawSwatches(XlJobDriver& job, const XlQuadrants& q) {
  for (int i = 0; i < 4; ++i) {
    auto* bundle = new GGraphicBundle;
    bundle->SetBrush(new GBrush(new GColorPaint(new GRGBColor(q.rgb[i][0], q.rgb[i][1], q.rgb[i][2], 255)), nullptr));
    bundle->SetPen(new GNoPen(nullptr));
    EXPECT_EQ(job.Draw(new GRectangleGraphic(XlSwatch(i), bundle, nullptr)), 0);
  }
}

// A palette of the colours given (for 1-, 4- and 8-bit images).
GPaletteTable* XlPalette(const std::vector<std::array<uint8_t, 3>>& colours) {
  std::vector<GColor*> entries;
  for (const auto& c : colours) entries.push_back(new GRGBColor(c[0], c[1], c[2], 255));
  auto* palette = new GPaletteTable(entries);
  for (GColor* c : entries) delete c;
  return palette;
}

// A width x height image whose quadrants hold the palette indexes 0..3 (1
// bit: 0, 1, 1, 0) or, at 24 bits, the quadrants' colours stored blue,
// green, red as a device-independent bitmap stores them.
GBitmap XlQuadrantBitmap(uint8_t bits, int16_t size, const XlQuadrants& q) {
  const uint32_t rowBytes = (static_cast<uint32_t>(bits) * size + 7) / 8;
  Bytes data(static_cast<size_t>(rowBytes) * size, 0);
  const int half = size / 2;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const int quadrant = (y >= half ? 2 : 0) + (x >= half ? 1 : 0);
      uint8_t* row = &data[static_cast<size_t>(y) * rowBytes];
      if (bits == 24) {
        row[x * 3] = q.rgb[quadrant][2];
        row[x * 3 + 1] = q.rgb[quadrant][1];
        row[x * 3 + 2] = q.rgb[quadrant][0];
      } else if (bits == 8) {
        row[x] = static_cast<uint8_t>(quadrant);
      } else if (bits == 4) {
        row[x / 2] |= static_cast<uint8_t>(quadrant << (x % 2 == 0 ? 4 : 0));
      } else if (bits == 1 && (quadrant == 1 || quadrant == 2)) {
        row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  GPaletteTable* palette = nullptr;
  if (bits == 1) {
    palette = XlPalette({{q.rgb[0][0], q.rgb[0][1], q.rgb[0][2]}, {q.rgb[1][0], q.rgb[1][1], q.rgb[1][2]}});
  } else if (bits != 24) {
    std::vector<std::array<uint8_t, 3>> colours;
    for (const auto& c : q.rgb) colours.push_back({c[0], c[1], c[2]});
    palette = XlPalette(colours);
  }
  GBitmapDescription d;
  d.ownsData = 1;
  d.data = new uint8_t[data.size()];
  std::copy(data.begin(), data.end(), d.data);
  d.dataLength = static_cast<uint32_t>(data.size());
  d.bounds = GRect(0, 0, size, size);
  d.bitsPerPixel = bits;
  d.componentOrder = 0;
  d.palette = palette;
  return GBitmap(d);
}

GRasterGraphic* XlRaster(const GBitmap& bitmap, const GRect& destination) {
  GRect bounds;
  bitmap.GetBounds(bounds);
  return new GRasterGraphic(bitmap, new GGraphicBundle, bounds, destination, GBitmap());
}

// The average gray of the page pixels around the point (600 dpi), in a
// window of radius page pixels.
int XlAverageGray(const qvtest::GrayPage& page, int x, int y, int radius = 15) {
  const int cx = x / kImageRenderScale;
  const int cy = y / kImageRenderScale;
  int sum = 0;
  int count = 0;
  for (int py = cy - radius; py <= cy + radius; ++py)
    for (int px = cx - radius; px <= cx + radius; ++px) {
      sum += page.At(px, py);
      ++count;
    }
  return sum / count;
}

// The device model of the tests, speaking protocol class 2.1 (the render
// modes with delta rows and JPEG need it), with a 4 x 4 dither matrix for
// 600 dpi when asked.
GConfiguration* XlImageConfiguration(bool withMatrix, int16_t revision = 1) {
  auto* configuration = qvtest::XlConfiguration();
  configuration->AddChild(new GValueAttribute(2, &GFeatureIds::kXLProtocolClass));
  configuration->AddChild(new GValueAttribute(revision, &GFeatureIds::kXLProtocolRevision));
  if (withMatrix) {
    auto* matrices = new MPersistentComposite(GFeatureIds::kDitherMatrixList);
    const uint8_t thresholds[16] = {8, 136, 40, 168, 200, 72, 232, 104, 56, 184, 24, 152, 248, 120, 216, 88};
    matrices->AddChild(new GDitherMatrix(4, 4, thresholds, 600, nullptr));
    configuration->AddChild(matrices);
  }
  return configuration;
}

// How the job prints: colour or gray, and the render mode.
struct XlImageJob {
  bool colour = false;
  bool dither = false;
  int16_t renderMode = 1;
};

void XlStartImageJob(XlJobDriver& job, const XlImageJob& how) {
  job.SetJobValue(GFeatureIds::kPrintColorAsGray, how.colour ? 0 : 1);
  job.SetJobValue(GFeatureIds::kXLRenderMode, how.renderMode);
  ASSERT_EQ(job.Start(), 0);
  ASSERT_EQ(job.StartPage(), 0);
}

// The compression of every ReadImage of the stream, in order.
std::vector<int> XlCompressModes(const std::string& stream, const char* readOperator = "\xB1") {
  // ReadImage (a): StartLine uint16, BlockHeight uint16, CompressMode ubyte:
  // ... C0 <mode> F8 65 B1.
  std::vector<int> modes;
  const std::string tail = std::string("\xF8\x65", 2) + readOperator;
  for (size_t at = stream.find(tail); at != std::string::npos; at = stream.find(tail, at + 1)) {
    if (at >= 2 && static_cast<uint8_t>(stream[at - 2]) == 0xC0) modes.push_back(static_cast<uint8_t>(stream[at - 1]));
  }
  return modes;
}


// ---- Reading the stream ----

uint32_t XlLe(const std::string& s, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(s[at + i]);
  return value;
}

bool XlMatches(const std::string& s, size_t at, const char* hexPattern) {
  // Pattern bytes in hex, "??" for any byte.
  for (const char* p = hexPattern; *p != '\0';) {
    if (*p == ' ') {
      ++p;
      continue;
    }
    if (at >= s.size()) return false;
    if (p[0] != '?') {
      const auto byte = static_cast<uint8_t>(std::strtoul(std::string(p, 2).c_str(), nullptr, 16));
      if (static_cast<uint8_t>(s[at]) != byte) return false;
    }
    p += 2;
    ++at;
  }
  return true;
}

// BeginImage (0xB0) or BeginRastPattern (0xB3) with its attributes.
struct XlImageHead {
  int mapping = 0;
  int depth = 0;
  int width = 0;
  int height = 0;
  int destWidth = 0;
  int destHeight = 0;
  int patternId = -1;  // BeginRastPattern only
};

// ReadImage (0xB1) or ReadRastPattern (0xB4) with its data's length.
struct XlBlock {
  int op = 0;
  int startLine = 0;
  int lines = 0;
  int mode = 0;
  uint32_t length = 0;
  size_t data = 0;  // offset of the data in the stream
};

struct XlImageStream {
  std::vector<XlImageHead> heads;
  std::vector<XlBlock> blocks;
};

// The image operators of a stream, read in order; a block's data is
// skipped, so that nothing inside it is taken for an operator.
XlImageStream XlReadImages(const std::string& s) {
  XlImageStream out;
  constexpr const char* kHead = "C0 ?? F8 64 C0 ?? F8 62 C1 ?? ?? F8 6C C1 ?? ?? F8 6B D1 ?? ?? ?? ?? F8 67";
  constexpr size_t kHeadBytes = 25;
  constexpr const char* kBlock = "C1 ?? ?? F8 6D C1 ?? ?? F8 63 C0 ?? F8 65";
  constexpr size_t kBlockBytes = 14;
  for (size_t at = 0; at < s.size(); ++at) {
    if (XlMatches(s, at, kHead)) {
      XlImageHead head;
      head.mapping = static_cast<uint8_t>(s[at + 1]);
      head.depth = static_cast<uint8_t>(s[at + 5]);
      head.width = static_cast<int>(XlLe(s, at + 9, 2));
      head.height = static_cast<int>(XlLe(s, at + 14, 2));
      head.destWidth = static_cast<int>(XlLe(s, at + 19, 2));
      head.destHeight = static_cast<int>(XlLe(s, at + 21, 2));
      const size_t after = at + kHeadBytes;
      if (XlMatches(s, after, "B0")) {
        out.heads.push_back(head);
      } else if (XlMatches(s, after, "C3 ?? ?? F8 69 C0 ?? F8 68 B3")) {
        head.patternId = static_cast<int16_t>(XlLe(s, after + 1, 2));
        out.heads.push_back(head);
      }
    } else if (XlMatches(s, at, kBlock) && at + kBlockBytes + 5 < s.size() &&
               (XlMatches(s, at + kBlockBytes, "B1 FA") || XlMatches(s, at + kBlockBytes, "B4 FA"))) {
      XlBlock block;
      block.startLine = static_cast<int>(XlLe(s, at + 1, 2));
      block.lines = static_cast<int>(XlLe(s, at + 6, 2));
      block.mode = static_cast<uint8_t>(s[at + 11]);
      block.op = static_cast<uint8_t>(s[at + kBlockBytes]);
      block.length = XlLe(s, at + kBlockBytes + 2, 4);
      block.data = at + kBlockBytes + 6;
      out.blocks.push_back(block);
      at = block.data + block.length - 1;
    }
  }
  return out;
}

using XlTilePaint = qvtest::TilePaint;

// A 1-bit tile of size x size pixels, black (index 0) on its left half and
// white on its right.
GBitmap XlStripeTile(int16_t size) {
  const uint32_t rowBytes = (static_cast<uint32_t>(size) + 7) / 8;
  Bytes data(static_cast<size_t>(rowBytes) * size, 0);
  for (int y = 0; y < size; ++y)
    for (int x = size / 2; x < size; ++x) data[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return rastertest::MakeBitmap(1, size, size, data, 1, XlPalette({{0, 0, 0}, {255, 255, 255}}));
}

GRectangleGraphic* XlPatternRect(const GRect& box, XlTilePaint* paint) {
  auto* bundle = new GGraphicBundle;
  bundle->SetBrush(new GBrush(paint, nullptr));
  bundle->SetPen(new GNoPen(nullptr));
  return new GRectangleGraphic(box, bundle, nullptr);
}

// Whether a pixel near the point (600 dpi) is dark: for thin lines.
bool XlDarkAtEdge(const qvtest::GrayPage& page, int x, int y) {
  for (int dx = -1; dx <= 1; ++dx)
    if (page.Dark(x / kImageRenderScale + dx, y / kImageRenderScale)) return true;
  return false;
}

class CheetahImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    interpreter = qvtest::PclInterpreter();
  }
  qvtest::RenderedJob Render(const std::string& job, const std::string& name) {
    return qvtest::RenderPcl(interpreter, job, name, kImageRenderDpi);
  }
  std::string interpreter;
};

// ---- Rendering: images ----

// Every depth in every compression, in gray (8-bit gray rows or dithered
// to one bit) and in colour, comes out over its destination with the gray
// of each quadrant of its source, and leaves the page around it white.
TEST_F(CheetahImageTest, ImagesOfEveryDepthAndCompressionRenderWithTheirSourceGrays) {
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  const XlQuadrants grays{{{0, 0, 0}, {255, 255, 255}, {96, 96, 96}, {192, 192, 192}}};
  const XlQuadrants colours{{{255, 0, 0}, {0, 0, 255}, {0, 160, 0}, {255, 255, 255}}};
  struct Case {
    const char* name;
    uint8_t bits;
    XlImageJob how;
    int tolerance;
    int expectedMode;  // the CompressMode of the ReadImage blocks
  } cases[] = {
      {"gray1_none", 1, {false, false, 0}, 12, 0},
      {"gray8_rle", 8, {false, false, 1}, 12, 1},
      {"gray4_delta", 4, {false, false, 4}, 12, 3},
      {"gray24_rle", 24, {false, false, 2}, 12, 1},
      {"dither8_rle", 8, {false, true, 1}, 40, 1},
      {"dither24_delta", 24, {false, true, 4}, 40, 3},
      {"dither1_none", 1, {false, true, 0}, 12, 0},
      {"colour24_none", 24, {true, false, 0}, 12, 0},
      {"colour24_rle", 24, {true, false, 1}, 12, 1},
      {"colour24_delta", 24, {true, false, 4}, 12, 3},
      {"colour24_jpeg", 24, {true, false, 512}, 16, 2},
      {"colour8_rle", 8, {true, false, 1}, 12, 1},
      {"colour1_delta", 1, {true, false, 4}, 12, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const XlQuadrants& q = c.how.colour && c.bits != 1 ? colours : grays;
    XlJobDriver job(XlImageConfiguration(c.how.dither));
    XlStartImageJob(job, c.how);
    EXPECT_EQ(job.Draw(XlRaster(XlQuadrantBitmap(c.bits, 64, q), kImageDestination)), 0);
    XlDrawSwatches(job, q);
    ASSERT_EQ(job.EndPage(), 0);
    ASSERT_EQ(job.End(), 0);

    const std::vector<int> modes = XlCompressModes(job.StreamBytes());
    ASSERT_FALSE(modes.empty());
    for (int mode : modes) EXPECT_EQ(mode, c.expectedMode);

    const qvtest::RenderedJob rendered = Render(job.Bytes(), c.name);
    EXPECT_EQ(rendered.status, 0) << rendered.errors;
    EXPECT_EQ(rendered.errors.find("rror"), std::string::npos) << rendered.errors;
    ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
    const qvtest::GrayPage& page = rendered.pages[0];
    const int centres[4][2] = {{900, 900}, {1500, 900}, {900, 1500}, {1500, 1500}};
    for (int i = 0; i < 4; ++i) {
      SCOPED_TRACE(i);
      // A 1-bit image has the two colours 0 and 1: 0, 1, 1, 0.
      const int source = c.bits == 1 ? (i == 1 || i == 2 ? 1 : 0) : i;
      const GRect swatch = XlSwatch(source);
      const int expected = XlAverageGray(page, (swatch.left + swatch.right) / 2, (swatch.top + swatch.bottom) / 2);
      EXPECT_NEAR(XlAverageGray(page, centres[i][0], centres[i][1]), expected, c.tolerance);
    }
    // White around the image.
    EXPECT_GT(XlAverageGray(page, 300, 1200, 5), 250);
    EXPECT_GT(XlAverageGray(page, 2100, 1200, 5), 250);
    EXPECT_GT(XlAverageGray(page, 1200, 2100, 5), 250);
  }
}


// An image with a clip keeps only the part inside the clip; one clipped
// away entirely writes no image at all.
TEST_F(CheetahImageTest, AClippedImageShowsOnlyInsideTheClip) {
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  const XlQuadrants black{{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}};
  XlJobDriver job(XlImageConfiguration(false));
  XlStartImageJob(job, {});
  auto* half = XlRaster(XlQuadrantBitmap(8, 64, black), kImageDestination);
  half->GetSettings()->AddChild(new GClipToSingleRectangle(GRect(600, 600, 1200, 1800), kClipInside, kClipEvenOdd, nullptr));
  EXPECT_EQ(job.Draw(half), 0);
  auto* gone = XlRaster(XlQuadrantBitmap(8, 64, black), GRect(600, 3000, 1800, 4200));
  gone->GetSettings()->AddChild(new GClipToSingleRectangle(GRect(3000, 3000, 3600, 3600), kClipInside, kClipEvenOdd, nullptr));
  EXPECT_EQ(job.Draw(gone), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.End(), 0);
  EXPECT_EQ(XlReadImages(job.StreamBytes()).heads.size(), 1u) << "the image clipped away is not written";

  const qvtest::RenderedJob rendered = Render(job.Bytes(), "clipped_image");
  EXPECT_EQ(rendered.errors.find("rror"), std::string::npos) << rendered.errors;
  ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
  const qvtest::GrayPage& page = rendered.pages[0];
  EXPECT_LT(XlAverageGray(page, 900, 1200), 10) << "inside the clip";
  EXPECT_GT(XlAverageGray(page, 1500, 1200), 250) << "outside the clip";
  EXPECT_GT(XlAverageGray(page, 1200, 3600), 250) << "the image clipped away";
}

// An image drawn while there is no brush still shows (the printer combines
// the image with the brush), and the brush is none again after it: a
// rectangle drawn next with only a pen stays empty inside.
TEST_F(CheetahImageTest, AnImageDrawnWithoutABrushStillShows) {
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  const XlQuadrants grays{{{0, 0, 0}, {255, 255, 255}, {96, 96, 96}, {192, 192, 192}}};
  for (bool colour : {false, true}) {
    SCOPED_TRACE(colour ? "colour" : "gray");
    XlJobDriver job(XlImageConfiguration(false));
    XlStartImageJob(job, {colour, false, 1});
    auto* image = XlRaster(XlQuadrantBitmap(8, 64, grays), kImageDestination);
    static_cast<GGraphicBundle*>(image->GetSettings())->SetBrush(new GNoBrush(nullptr));
    static_cast<GGraphicBundle*>(image->GetSettings())->SetPen(new GNoPen(nullptr));
    EXPECT_EQ(job.Draw(image), 0);
    auto* bundle = new GGraphicBundle;
    bundle->SetBrush(new GNoBrush(nullptr));
    bundle->SetPen(new GPen(24, new GColorPaint(new GRGBColor(0, 0, 0, 255)), nullptr));
    EXPECT_EQ(job.Draw(new GRectangleGraphic(GRect(600, 2400, 1800, 3600), bundle, nullptr)), 0);
    ASSERT_EQ(job.EndPage(), 0);
    ASSERT_EQ(job.End(), 0);

    const qvtest::RenderedJob rendered = Render(job.Bytes(), colour ? "nobrush_colour" : "nobrush_gray");
    EXPECT_EQ(rendered.errors.find("rror"), std::string::npos) << rendered.errors;
    ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
    const qvtest::GrayPage& page = rendered.pages[0];
    EXPECT_LT(XlAverageGray(page, 900, 900), 10) << "the image's black quadrant";
    EXPECT_NEAR(XlAverageGray(page, 900, 1500), 96, 12) << "the image's dark gray quadrant";
    EXPECT_TRUE(XlDarkAtEdge(page, 600, 3000)) << "the outline";
    EXPECT_GT(XlAverageGray(page, 1200, 3000), 250) << "no fill inside the outline";
  }
}

// ---- Rendering: patterns ----

// A rectangle filled with a striped tile shows the stripes inside it, at
// the tile's scaled period, and nothing outside it; the same tile with a
// background and without scaling tiles at its own size.
TEST_F(CheetahImageTest, PatternFillsTileTheAreaTheyFill) {
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  struct Case {
    const char* name;
    int scaled;
    int background;
    int period;  // device pixels of one black and one white stripe
  } cases[] = {
      {"scaled_without_background", 0, 0, 64},
      {"asks_to_be_scaled", 1, 1, 64},
      {"own_size", 0, 1, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    XlJobDriver job(XlImageConfiguration(false));
    XlStartImageJob(job, {});
    EXPECT_EQ(job.Draw(XlPatternRect(GRect(600, 600, 3000, 1200), new XlTilePaint(XlStripeTile(16), c.scaled, c.background))), 0);
    ASSERT_EQ(job.EndPage(), 0);
    ASSERT_EQ(job.End(), 0);
    const XlImageStream images = XlReadImages(job.StreamBytes());
    ASSERT_EQ(images.heads.size(), 1u);
    EXPECT_EQ(images.heads[0].patternId, 1);
    EXPECT_EQ(images.heads[0].destWidth, c.period);
    for (const XlBlock& block : images.blocks) EXPECT_EQ(block.mode, 0) << "patterns go out uncompressed";

    // Rendered at 600 dpi in a band across the rectangle.
    const qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job.Bytes(), c.name, 150);
    EXPECT_EQ(rendered.errors.find("rror"), std::string::npos) << rendered.errors;
    ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
    const qvtest::GrayPage& page = rendered.pages[0];
    // Along the row through the rectangle's middle: dark runs, one per
    // period, covering about half of it.
    const int y = 900 / 4;
    int dark = 0;
    int runs = 0;
    for (int x = 600 / 4; x < 3000 / 4; ++x) {
      if (page.Dark(x, y)) {
        ++dark;
        if (!page.Dark(x - 1, y)) ++runs;
      }
    }
    const int width = (3000 - 600) / 4;
    EXPECT_NEAR(dark, width / 2, width / 8);
    EXPECT_NEAR(runs, (3000 - 600) / c.period, 2);
    // Nothing outside.
    for (int x = 100; x < 800; x += 7) EXPECT_FALSE(page.Dark(x, 1500 / 4)) << x;
    EXPECT_FALSE(page.Dark(3100 / 4, y));
  }
}

// ---- The stream ----

// The render mode picks the compression; the modes beyond run-length need
// a device of protocol class 2.1 (run-length on 2.0); the adaptive blocks
// of modes 8 and 16 are the device's own (the interpreter does not read
// them), so only the stream shows them; and the JPEG mode
// sends only colour photographs as JPEG (charts and gray images go with
// delta rows).
TEST_F(CheetahImageTest, TheRenderModeChoosesTheCompression) {
  const XlQuadrants photo{{{200, 40, 40}, {40, 40, 200}, {40, 160, 40}, {250, 250, 250}}};
  struct Case {
    const char* name;
    int16_t renderMode;
    int16_t revision;
    bool colour;
    bool chart;  // a 1-pixel checkerboard instead of the quadrants
    int expected;
  } cases[] = {
      {"mode0", 0, 1, true, false, 0},       {"mode3", 3, 1, true, false, 0},
      {"mode1", 1, 1, true, false, 1},       {"mode2", 2, 1, true, false, 1},
      {"mode4", 4, 1, true, false, 3},       {"mode4_class20", 4, 0, true, false, 1},
      {"mode8", 8, 1, true, false, 5},       {"mode16", 16, 1, true, false, 5},
      {"mode8_class20", 8, 0, true, false, 1}, {"photo", 512, 1, true, false, 2},
      {"chart", 512, 1, true, true, 3},      {"gray_photo", 512, 1, false, false, 3},
      {"photo_class20", 512, 0, true, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GBitmap bitmap = XlQuadrantBitmap(24, 64, photo);
    if (c.chart) {
      Bytes data(64 * 64 * 3);
      for (size_t i = 0; i < data.size(); ++i) data[i] = ((i / 3) + (i / (64 * 3))) % 2 == 0 ? 0 : 255;
      bitmap = rastertest::MakeBitmap(24, 64, 64, data);
    }
    XlJobDriver job(XlImageConfiguration(false, c.revision));
    XlStartImageJob(job, {c.colour, false, c.renderMode});
    EXPECT_EQ(job.Draw(XlRaster(bitmap, kImageDestination)), 0);
    ASSERT_EQ(job.EndPage(), 0);
    ASSERT_EQ(job.End(), 0);
    const XlImageStream images = XlReadImages(job.StreamBytes());
    ASSERT_EQ(images.heads.size(), 1u);
    ASSERT_FALSE(images.blocks.empty());
    int lines = 0;
    for (const XlBlock& block : images.blocks) {
      EXPECT_EQ(block.mode, c.expected);
      EXPECT_EQ(block.startLine, lines);
      lines += block.lines;
    }
    EXPECT_EQ(lines, 64);
    if (c.expected == 2) {
      ASSERT_EQ(images.blocks.size(), 1u) << "a JPEG image is one block";
      const std::string stream = job.StreamBytes();
      EXPECT_EQ(stream.substr(images.blocks[0].data, 2), std::string("\xFF\xD8", 2)) << "a JPEG stream";
    }
  }
}

// Image data goes out in blocks of at least 16 KB: each block but the last
// holds as many rows as fit, the lines follow on without gap, and each
// block's data is as long as it says (the stream reads on after it).
TEST_F(CheetahImageTest, ImageRowsGoOutInBlocksOfAtLeast16KB) {
  const int16_t width = 1000;
  const int16_t height = 100;
  Bytes data(static_cast<size_t>(width) * height * 3);
  rastertest::Noise noise(7);
  for (uint8_t& b : data) b = noise.Next();
  XlJobDriver job(XlImageConfiguration(false));
  XlStartImageJob(job, {true, false, 0});
  EXPECT_EQ(job.Draw(XlRaster(rastertest::MakeBitmap(24, width, height, data), GRect(600, 600, 2600, 800))), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.End(), 0);
  const XlImageStream images = XlReadImages(job.StreamBytes());
  ASSERT_EQ(images.heads.size(), 1u);
  EXPECT_EQ(images.heads[0].width, width);
  EXPECT_EQ(images.heads[0].height, height);
  EXPECT_EQ(images.heads[0].depth, 2);
  EXPECT_EQ(images.heads[0].mapping, 0);
  // 3000 bytes a row, already a multiple of 4: five rows make a block.
  ASSERT_EQ(images.blocks.size(), 20u);
  int lines = 0;
  for (const XlBlock& block : images.blocks) {
    EXPECT_EQ(block.startLine, lines);
    EXPECT_EQ(block.lines, 5);
    EXPECT_EQ(block.length, 5u * 3000u);
    lines += block.lines;
  }
  EXPECT_EQ(lines, height);
}

// Colour spaces and palettes: a 1-bit image has ColorDepth 0; an 8-bit
// image with 16 colours sends a palette of 256 entries whose last 240 are
// zero; a gray job sends the palette's grays.
TEST_F(CheetahImageTest, PalettesArePaddedToTheDepthAndFollowTheOutput) {
  std::vector<std::array<uint8_t, 3>> sixteen;
  for (int i = 0; i < 16; ++i) sixteen.push_back({static_cast<uint8_t>(i * 16), 10, 250});
  struct Case {
    const char* name;
    uint8_t bits;
    bool colour;
    int depth;
    std::string paletteHead;  // SetColorSpace's palette attributes up to the data
    size_t paletteBytes;
  } cases[] = {
      {"rgb8", 8, true, 2, qvtest::FromHex("C0 02 F8 03 C0 02 F8 02 C8 C1 00 03"), 768},
      {"gray8", 8, false, 2, qvtest::FromHex("C0 01 F8 03 C0 02 F8 02 C8 C1 00 01"), 256},
      {"rgb1", 1, true, 0, qvtest::FromHex("C0 02 F8 03 C0 02 F8 02 C8 C1 06 00"), 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes data(static_cast<size_t>((c.bits * 32 + 7) / 8) * 32);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i % 16);
    XlJobDriver job(XlImageConfiguration(false));
    XlStartImageJob(job, {c.colour, false, 1});
    EXPECT_EQ(job.Draw(XlRaster(rastertest::MakeBitmap(c.bits, 32, 32, data, 1, XlPalette(sixteen)), kImageDestination)), 0);
    ASSERT_EQ(job.EndPage(), 0);
    ASSERT_EQ(job.End(), 0);
    const std::string stream = job.StreamBytes();
    const XlImageStream images = XlReadImages(stream);
    ASSERT_EQ(images.heads.size(), 1u);
    EXPECT_EQ(images.heads[0].depth, c.depth);
    EXPECT_EQ(images.heads[0].mapping, 1);
    const size_t at = stream.find(c.paletteHead);
    ASSERT_NE(at, std::string::npos);
    const std::string palette = stream.substr(at + c.paletteHead.size(), c.paletteBytes);
    ASSERT_EQ(palette.size(), c.paletteBytes);
    const size_t entry = c.colour ? 3 : 1;
    const size_t used = std::min<size_t>(16, c.paletteBytes / entry);
    for (size_t i = 0; i < used; ++i) {
      if (c.colour) {
        EXPECT_EQ(static_cast<uint8_t>(palette[i * 3]), sixteen[i][0]) << i;
        EXPECT_EQ(static_cast<uint8_t>(palette[i * 3 + 2]), 250) << i;
      } else {
        EXPECT_EQ(static_cast<uint8_t>(palette[i]), LuminanceGray(sixteen[i][0], 10, 250) & 0xFF) << i;
      }
    }
    EXPECT_EQ(palette.substr(used * entry).find_first_not_of('\0'), std::string::npos) << "padded with zeros";
  }
}

// A 2 x 2 tile at 600 dpi with pattern scaling and no background is
// defined 8 x 8; an empty tile defines nothing and the brush paints
// nothing (NullBrush).
TEST_F(CheetahImageTest, PatternDefinitionsAreScaledAndAnEmptyTileSelectsNoBrush) {
  XlJobDriver job(XlImageConfiguration(false));
  XlStartImageJob(job, {});
  EXPECT_EQ(job.Draw(XlPatternRect(GRect(600, 600, 1200, 1200),
                                   new XlTilePaint(rastertest::MakeBitmap(1, 2, 2, {0x40, 0x80}, 1,
                                                                          XlPalette({{0, 0, 0}, {255, 255, 255}})),
                                                   0, 0))),
            0);
  EXPECT_EQ(job.generator.GetBrushSourceKind(), GCheetah::kSourcePatternNoBackground);
  EXPECT_EQ(job.Draw(XlPatternRect(GRect(600, 1800, 1200, 2400), new XlTilePaint(GBitmap(), 0, 1))), 0);
  EXPECT_EQ(job.generator.GetBrushSourceKind(), GCheetah::kSourcePatternWithBackground);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.End(), 0);
  const std::string stream = job.StreamBytes();
  const XlImageStream images = XlReadImages(stream);
  ASSERT_EQ(images.heads.size(), 1u);
  EXPECT_EQ(images.heads[0].destWidth, 8);
  EXPECT_EQ(images.heads[0].destHeight, 8);
  EXPECT_EQ(images.heads[0].width, 2);
  // SetBrushSource PatternSelectID 1, then the empty tile's NullBrush 0.
  const size_t selected = stream.find(qvtest::FromHex("C3 01 00 F8 08 63"));
  ASSERT_NE(selected, std::string::npos);
  EXPECT_NE(stream.find(qvtest::FromHex("C0 00 F8 04 63"), selected), std::string::npos);
}

// An image without pixels writes no image: no BeginImage whose rows would
// never come.
TEST_F(CheetahImageTest, AnImageWithoutPixelsWritesNothing) {
  XlJobDriver job(XlImageConfiguration(false));
  XlStartImageJob(job, {});
  EXPECT_EQ(job.Draw(new GRasterGraphic(GBitmap(), new GGraphicBundle, GRect(0, 0, 64, 64), kImageDestination, GBitmap())), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.End(), 0);
  const XlImageStream images = XlReadImages(job.StreamBytes());
  EXPECT_TRUE(images.heads.empty());
  EXPECT_TRUE(images.blocks.empty());
}

}  // namespace
