// The PCL XL generator's images and patterns. The rendering tests let the
// independent interpreter judge the jobs: 1-, 8- and 24-bit images in every
// compression the render modes choose come out where they were drawn, with
// the gray of their source (within the dither's tolerance), in gray and
// colour output; pattern fills tile the area they fill and nothing else.
// The stream tests pin what the interpreter cannot tell apart: the choice
// of compression, the block structure, the palette and pattern sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GBitmapImp.h"
#include "graphics/GBrush.h"
#include "graphics/GClip.h"
#include "graphics/GColor.h"
#include "graphics/GDitherMatrix.h"
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
#include "support/PclInterpreter.h"
#include "support/RasterTestSupport.h"
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

    if (std::getenv("XL_DUMP")) std::ofstream(std::string("/tmp/xl_") + c.name + ".prn", std::ios::binary) << job.Bytes();
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

}  // namespace
