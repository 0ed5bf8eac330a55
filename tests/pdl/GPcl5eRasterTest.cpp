// The PCL 5e generator's raster output, printed by the independent PCL
// interpreter at device resolution: a 1-bit image drawn 1:1 prints its
// black and white blocks, and a gray image enlarged by the pipeline prints its grays
// within the dither's tolerance.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "graphics/GBitmap.h"
#include "graphics/GClip.h"
#include "graphics/GColor.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "model/GByteStream.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "model/GLZWCompressor.h"
#include "model/GPassThroughCommand.h"
#include "support/Pcl5JobDriver.h"
#include "support/PclInterpreter.h"
#include "support/RasterTestSupport.h"
#include "support/TilePaint.h"

namespace {

using qvtest::Pcl5JobDriver;
using qvtest::Pcl5PageSpec;

// Runs one Letter page of the job, drawn by draw, and renders it at
// 600 dpi; the page, or an empty one after a failure. QV_PCL5_KEEP (a path
// prefix) keeps the job and a picture of the page to look at.
qvtest::GrayPage Pcl5RasterJobPage(Pcl5JobDriver& job, const std::string& name,
                                   const std::function<void(Pcl5JobDriver&)>& draw, GAttribute* transform = nullptr) {
  const std::string interpreter = qvtest::PclInterpreter();
  EXPECT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  if (interpreter.empty()) return qvtest::GrayPage(std::string());
  EXPECT_EQ(job.StartDocument(), 0);
  EXPECT_EQ(job.StartPage(Pcl5PageSpec(), transform), 0);
  draw(job);
  EXPECT_EQ(job.EndPage(), 0);
  EXPECT_EQ(job.EndDocument(), 0);
  if (const char* keep = std::getenv("QV_PCL5_KEEP")) {
    const std::string base = std::string(keep) + name;
    std::ofstream(base + ".pcl", std::ios::binary) << job.Bytes();
    const std::string picture = "'" + interpreter + "' -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=png16m -r100 -o '" +
                                base + ".png' '" + base + ".pcl' >/dev/null 2>&1";
    EXPECT_EQ(std::system(picture.c_str()), 0);
  }
  qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job.Bytes(), name, 600);
  EXPECT_EQ(rendered.errors, "");
  EXPECT_EQ(rendered.pages.size(), 1u);
  return rendered.pages.empty() ? qvtest::GrayPage(std::string()) : rendered.pages[0];
}

// Draws the image on one Letter page, cut by the clip when one is given.
qvtest::GrayPage Pcl5RasterPage(Pcl5JobDriver& job, const GBitmap& bitmap, const GRect& source,
                                const GRect& destination, const std::string& name, const GRect* clip = nullptr) {
  return Pcl5RasterJobPage(job, name, [&](Pcl5JobDriver& j) {
    if (clip != nullptr) {
      GClipToSingleRectangle rectangle(*clip, 0, 0, nullptr);
      EXPECT_EQ(j.generator->ClipToRectangle(&rectangle), 0);
    }
    EXPECT_EQ(j.Draw(new GRasterGraphic(bitmap, nullptr, source, destination, GBitmap())), 0);
  });
}

size_t Pcl5RasterCount(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

const GShortPoint kPcl5RasterOrigin = qvtest::Pcl5ImageableOrigin(qvtest::kPcl5LetterId, 0);

TEST(GPcl5eRaster, OneBitImagePrintsItsBlocksOverSeveralBands) {
  // 2000 x 300: blocks of 100 x 50 pixels, black and white in a
  // checkerboard; 250 bytes a row, more than one band of rows. Without a
  // palette of its own a 1-bit image has the default one: 0 white, 1 black.
  const int width = 2000;
  const int height = 300;
  const size_t rowBytes = width / 8;
  rastertest::Bytes bits(rowBytes * height);
  auto white = [](int x, int y) { return (x / 100 + y / 50) % 2 != 0; };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (!white(x, y)) bits[rowBytes * y + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  Pcl5JobDriver job;
  const GRect area(0, 0, width, height);
  const GRect destination(300, 400, 300 + width, 400 + height);
  const qvtest::GrayPage page =
      Pcl5RasterPage(job, rastertest::MakeBitmap(1, width, height, bits), area, destination, "onebit");
  ASSERT_GT(page.width, 0);
  EXPECT_GE(Pcl5RasterCount(job.Bytes(), "\x1B*b"), static_cast<size_t>(height)) << "one transfer a row";
  EXPECT_EQ(Pcl5RasterCount(job.Bytes(), "\x1B*r0F"), 1u);
  int wrong = 0;
  for (int y = 5; y < height; y += 10)
    for (int x = 5; x < width; x += 10) {
      // Away from the blocks' edges.
      if (x % 100 < 3 || x % 100 > 97 || y % 50 < 3 || y % 50 > 47) continue;
      const bool dark = page.Dark(x + destination.left + kPcl5RasterOrigin.x, y + destination.top + kPcl5RasterOrigin.y);
      if (dark == white(x, y) && ++wrong <= 5) ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
    }
  EXPECT_EQ(wrong, 0);
  // Nothing beside the image.
  EXPECT_FALSE(page.Dark(destination.left + kPcl5RasterOrigin.x - 3, destination.top + kPcl5RasterOrigin.y + 10));
  EXPECT_FALSE(page.Dark(destination.right + kPcl5RasterOrigin.x + 2, destination.top + kPcl5RasterOrigin.y + 10));
  EXPECT_FALSE(page.Dark(destination.left + kPcl5RasterOrigin.x + 10, destination.bottom + kPcl5RasterOrigin.y + 2));
}

class GPcl5eRasterDepth : public ::testing::TestWithParam<int> {};

TEST_P(GPcl5eRasterDepth, EnlargedImagePrintsItsGraysWithinTheDithersTolerance) {
  // Eight vertical bands of gray, 0 to 255, each 16 pixels wide, drawn
  // three times as large; as 8-bit gray or as 24-bit colour pixels.
  const int bits = GetParam();
  const int bytes = bits / 8;
  const int width = 128;
  const int height = 40;
  rastertest::Bytes image(static_cast<size_t>(width) * height * bytes);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < bytes; ++c)
        image[(static_cast<size_t>(y) * width + x) * bytes + c] = static_cast<uint8_t>(x / 16 * 255 / 7);
  Pcl5JobDriver job;
  const GRect destination(600, 600, 600 + 3 * width, 600 + 3 * height);
  const qvtest::GrayPage page =
      Pcl5RasterPage(job, rastertest::MakeBitmap(static_cast<uint8_t>(bits), width, height, image),
                     GRect(0, 0, width, height), destination, "gray" + std::to_string(bits));
  ASSERT_GT(page.width, 0);
  // One bit a pixel on the wire, whatever the image's depth.
  EXPECT_NE(job.Bytes().find("\x1B*r384s1A"), std::string::npos);
  for (int band = 0; band < 8; ++band) {
    // The mean of a 32 x 32 block in the middle of the band.
    const int cx = destination.left + kPcl5RasterOrigin.x + band * 48 + 24;
    const int cy = destination.top + kPcl5RasterOrigin.y + 60;
    long sum = 0;
    for (int y = cy - 16; y < cy + 16; ++y)
      for (int x = cx - 16; x < cx + 16; ++x) sum += page.At(x, y);
    const int mean = static_cast<int>(sum / (32 * 32));
    EXPECT_NEAR(mean, band * 255 / 7, 40) << "band " << band;
  }
  // Rows of a 1-bit 384-pixel image: never more than 48 bytes and a count.
  size_t at = 0;
  while ((at = job.Bytes().find("\x1B*b", at)) != std::string::npos) {
    at += 3;
    const int length = std::atoi(job.Bytes().c_str() + at);
    EXPECT_LE(length, 49);
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, GPcl5eRasterDepth, ::testing::Values(8, 24));

TEST(GPcl5eRaster, ClipRectangleCutsTheImage) {
  // A black 1-bit image, 400 x 200, enlarged twice; the clip keeps its
  // left half and its top half.
  const int width = 400;
  const int height = 200;
  const rastertest::Bytes bits(static_cast<size_t>(width / 8) * height, 0xFF);
  Pcl5JobDriver job;
  const GRect destination(600, 600, 600 + 2 * width, 600 + 2 * height);
  const GRect clip(0, 0, 600 + width, 600 + height);
  const qvtest::GrayPage page = Pcl5RasterPage(job, rastertest::MakeBitmap(1, width, height, bits),
                                               GRect(0, 0, width, height), destination, "clipped", &clip);
  ASSERT_GT(page.width, 0);
  auto dark = [&](int x, int y) { return page.Dark(x + kPcl5RasterOrigin.x, y + kPcl5RasterOrigin.y); };
  EXPECT_TRUE(dark(610, 610));
  EXPECT_TRUE(dark(600 + width - 10, 600 + height - 10));
  EXPECT_FALSE(dark(600 + width + 10, 610)) << "right of the clip";
  EXPECT_FALSE(dark(610, 600 + height + 10)) << "below the clip";
  EXPECT_FALSE(dark(600 + 2 * width - 10, 600 + 2 * height - 10));
}

// ---- Colour modes and compression methods ----

struct Pcl5Rgb {
  uint8_t r, g, b;
};
// The colours of the test images' cells.
const Pcl5Rgb kPcl5Colours[8] = {{0, 0, 0},     {255, 255, 255}, {255, 0, 0},   {0, 160, 0},
                                 {0, 0, 255},   {128, 128, 128}, {255, 255, 0}, {0, 255, 255}};

// The gray of a colour by luminance (the generator's own conversion).
int Pcl5Luminance(const Pcl5Rgb& c) { return (c.r * 30 + c.g * 59 + c.b * 11) / 100; }

// The gray the interpreter prints an RGB colour with on a gray page: it
// manages colour, so the gray is the colour's relative luminance (sRGB
// primaries, gamma 2.2) brought back to gamma 2.2.
int Pcl5ManagedGray(const Pcl5Rgb& c) {
  auto linear = [](uint8_t v) { return std::pow(v / 255.0, 2.2); };
  const double y = 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
  return static_cast<int>(std::lround(255.0 * std::pow(y, 1 / 2.2)));
}

// The cell of a pixel: 8 columns and 2 rows of cells, cell (i, j) in
// colour i + 4 j (mod 8); a 1-bit image alternates white and black.
int Pcl5Cell(int x, int y, int width, int height) { return (x * 8 / width + 4 * (y * 2 / height)) % 8; }

// The image of cells at the depth: 24-bit colour; 8- and 4-bit with a
// palette of the colours (the 4-bit one has 16 entries, the last 8 black);
// 8-bit gray (gray) without a palette; 1-bit with the default palette.
GBitmap Pcl5CellImage(int bits, int width, int height, bool gray = false) {
  const size_t rowBytes = (static_cast<size_t>(width) * bits + 7) / 8;
  rastertest::Bytes data(rowBytes * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int cell = Pcl5Cell(x, y, width, height);
      uint8_t* row = data.data() + rowBytes * y;
      switch (bits) {
        case 24:
          row[x * 3] = kPcl5Colours[cell].r;
          row[x * 3 + 1] = kPcl5Colours[cell].g;
          row[x * 3 + 2] = kPcl5Colours[cell].b;
          break;
        case 8:
          row[x] = static_cast<uint8_t>(gray ? Pcl5Luminance(kPcl5Colours[cell]) : cell);
          break;
        case 4:
          row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? cell << 4 : cell);
          break;
        default:
          if (cell % 2 == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
          break;
      }
    }
  GPaletteTable* palette = nullptr;
  if ((bits == 8 && !gray) || bits == 4) {
    std::vector<GRGBColor> colours;
    for (int i = 0; i < (bits == 4 ? 16 : 8); ++i) {
      const Pcl5Rgb c = i < 8 ? kPcl5Colours[i] : Pcl5Rgb{0, 0, 0};
      colours.emplace_back(c.r, c.g, c.b, 255);
    }
    std::vector<GColor*> entries;
    for (GRGBColor& c : colours) entries.push_back(&c);
    palette = new GPaletteTable(entries);
  }
  return rastertest::MakeBitmap(static_cast<uint8_t>(bits), static_cast<int16_t>(width), static_cast<int16_t>(height),
                                data, 1, palette);
}

// The gray a cell must print with: black or white in a 1-bit image; in
// the colour mode the colour's as the interpreter sees it, else the
// luminance the generator turns it into.
int Pcl5ExpectedGray(int bits, int colourMode, int cell) {
  if (bits == 1) return cell % 2 == 0 ? 0 : 255;
  return colourMode == 1 ? Pcl5ManagedGray(kPcl5Colours[cell]) : Pcl5Luminance(kPcl5Colours[cell]);
}

// Compares every cell's middle (a block of a third of the cell) with its
// expected gray; answers the number of cells off by more than tolerance.
int Pcl5CellsOff(const qvtest::GrayPage& page, const GRect& destination, int bits, int colourMode, int tolerance) {
  int off = 0;
  const int cw = destination.Width() / 8;
  const int ch = destination.Height() / 2;
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 8; ++i) {
      const int cell = (i + 4 * j) % 8;
      const int x0 = destination.left + kPcl5RasterOrigin.x + i * cw + cw / 3;
      const int y0 = destination.top + kPcl5RasterOrigin.y + j * ch + ch / 3;
      long sum = 0;
      long count = 0;
      for (int y = y0; y < y0 + ch / 3; ++y)
        for (int x = x0; x < x0 + cw / 3; ++x, ++count) sum += page.At(x, y);
      const int mean = count > 0 ? static_cast<int>(sum / count) : -1;
      const int expected = Pcl5ExpectedGray(bits, colourMode, cell);
      if (std::abs(mean - expected) > tolerance && ++off <= 4)
        ADD_FAILURE() << "cell " << i << "," << j << ": " << mean << " for " << expected;
    }
  return off;
}

// The transfers of raster data ("*b<n>W") in the job.
size_t Pcl5Transfers(const std::string& bytes) {
  size_t count = 0;
  for (size_t at = bytes.find("\x1B*b"); at != std::string::npos; at = bytes.find("\x1B*b", at + 1)) {
    size_t end = at + 3;
    while (end < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[end]))) ++end;
    if (end > at + 3 && end < bytes.size() && bytes[end] == 'W') ++count;
  }
  return count;
}

struct Pcl5MethodCase {
  const char* name;
  int colourMode;  // 2 monochrome, 1 colour, 0 colour printed as gray
  int bits;
  bool gray;  // an 8-bit image of grays without a palette
  int width, height, scale;
  int raster;  // -1 no print side, 0 a print side, 1 one that renders the job as raster
  int method;  // the compression method expected
  bool printerScales;
  int tolerance;
};

class GPcl5eRasterMethod : public ::testing::TestWithParam<Pcl5MethodCase> {};

TEST_P(GPcl5eRasterMethod, PrintsTheImageWithinTheTolerance) {
  const Pcl5MethodCase& c = GetParam();
  Pcl5JobDriver job;
  qvtest::Pcl5PrintSide side;
  if (c.raster >= 0) {
    side.Rasterize(c.raster == 1);
    job.instance = &side;
  }
  if (c.colourMode == 1) job.extraJobSettings.push_back(qvtest::Value(GFeatureIds::kPrintColorAsGray, 0));
  job.generator->SetColourMode(c.colourMode);
  const GBitmap image = Pcl5CellImage(c.bits, c.width, c.height, c.gray);
  const GRect source(0, 0, static_cast<int16_t>(c.width), static_cast<int16_t>(c.height));
  const GRect destination(300, 400, static_cast<int16_t>(300 + c.scale * c.width),
                          static_cast<int16_t>(400 + c.scale * c.height));
  const qvtest::GrayPage page = Pcl5RasterPage(job, image, source, destination, c.name);
  ASSERT_GT(page.width, 0);
  EXPECT_EQ(job.generator->GetColourMode(), c.colourMode);
  const std::string& bytes = job.Bytes();
  EXPECT_NE(bytes.find("\x1B*b" + std::to_string(c.method) + "M"), std::string::npos) << "method " << c.method;
  const std::string start = c.printerScales ? "t3A" : (c.colourMode == 2 ? "s1A" : "t1A");
  EXPECT_NE(bytes.find(start), std::string::npos) << start;
  if (c.printerScales) {
    // The destination in decipoints, with one decimal.
    const std::string size = "\x1B*t" + std::to_string(c.scale * c.width * 720 / 600) + ".";
    EXPECT_NE(bytes.find(size), std::string::npos) << "destination width";
  }
  const size_t rows = static_cast<size_t>(c.printerScales ? c.height : c.height * c.scale);
  if (c.method == 5)
    EXPECT_LE(Pcl5Transfers(bytes), 1 + rows * c.width * 3 / 32000) << "one transfer a band";
  else
    EXPECT_GE(Pcl5Transfers(bytes), rows) << "one transfer a row";
  EXPECT_EQ(Pcl5CellsOff(page, destination, c.bits, c.gray ? 0 : c.colourMode, c.tolerance), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, GPcl5eRasterMethod,
    ::testing::Values(
        Pcl5MethodCase{"Colour24Adaptive", 1, 24, false, 96, 40, 3, -1, 5, true, 24},
        Pcl5MethodCase{"GrayJob24Adaptive", 0, 24, false, 96, 40, 3, 0, 5, true, 24},
        Pcl5MethodCase{"Palette4Adaptive", 1, 4, false, 96, 40, 3, -1, 5, true, 24},
        Pcl5MethodCase{"Gray8Adaptive", 1, 8, true, 96, 40, 3, -1, 5, true, 24},
        Pcl5MethodCase{"Palette8RasterDelta", 1, 8, false, 96, 40, 3, 1, 3, true, 24},
        Pcl5MethodCase{"OneBitRasterRunLength", 1, 1, false, 96, 40, 3, 1, 2, true, 24},
        Pcl5MethodCase{"OneBitGrayJobAdaptive", 0, 1, false, 800, 400, 1, -1, 5, true, 24},
        Pcl5MethodCase{"Colour24LongRowsDelta", 1, 24, false, 3616, 24, 1, -1, 3, true, 24},
        Pcl5MethodCase{"MonochromeRunLength", 2, 24, false, 96, 40, 3, -1, 2, false, 48}),
    [](const ::testing::TestParamInfo<Pcl5MethodCase>& info) { return std::string(info.param.name); });

TEST(GPcl5eRaster, AColourImageThatAClipCutsIsSentAtDeviceResolution) {
  // Drawn three times as large; the clip keeps its left half and its top
  // row of cells: the printer may not scale it, the pipeline does and
  // crops it at device resolution.
  const int width = 96;
  const int height = 40;
  Pcl5JobDriver job;
  job.extraJobSettings.push_back(qvtest::Value(GFeatureIds::kPrintColorAsGray, 0));
  const GRect destination(300, 400, 300 + 3 * width, 400 + 3 * height);
  const GRect clip(0, 0, 300 + 3 * width / 2, 400 + 3 * height / 2);
  const qvtest::GrayPage page = Pcl5RasterPage(job, Pcl5CellImage(24, width, height), GRect(0, 0, width, height),
                                               destination, "colourclipped", &clip);
  ASSERT_GT(page.width, 0);
  const std::string& bytes = job.Bytes();
  EXPECT_EQ(bytes.find("t3A"), std::string::npos) << "no printer scaling";
  EXPECT_NE(bytes.find("\x1B*r144s60t1A"), std::string::npos) << "the clipped size at device resolution";
  auto at = [&](int x, int y) { return page.At(x + kPcl5RasterOrigin.x, y + kPcl5RasterOrigin.y); };
  // Cells 0 (black) and 2 (red) are in, cell 4 (blue) and the lower row
  // are cut away.
  EXPECT_LT(at(310, 410), 32);
  EXPECT_NEAR(at(300 + 2 * 36 + 18, 430), Pcl5ManagedGray(kPcl5Colours[2]), 24);
  EXPECT_GT(at(300 + 4 * 36 + 18, 430), 240) << "right of the clip";
  EXPECT_GT(at(310, 400 + 3 * height - 10), 240) << "below the clip";
}

TEST(GPcl5eRaster, SeveralClipRectanglesDrawTheImageInsideEach) {
  // A black image over two clip rectangles with a gap between them.
  const int width = 200;
  const int height = 100;
  const rastertest::Bytes bits(static_cast<size_t>(width / 8) * height, 0xFF);
  Pcl5JobDriver job;
  const GRect destination(600, 600, 600 + 2 * width, 600 + 2 * height);
  const qvtest::GrayPage page = Pcl5RasterJobPage(job, "tworects", [&](Pcl5JobDriver& j) {
    GRectVector rectangles;
    rectangles.Append(GRect(0, 0, 700, 2000));
    rectangles.Append(GRect(900, 0, 2000, 2000));
    GClipToRectangle clip(rectangles, kClipInside, 0, nullptr);
    EXPECT_EQ(j.generator->ClipToRectangles(&clip), 0);
    EXPECT_EQ(j.Draw(new GRasterGraphic(rastertest::MakeBitmap(1, width, height, bits), nullptr,
                                        GRect(0, 0, width, height), destination, GBitmap())),
              0);
  });
  ASSERT_GT(page.width, 0);
  EXPECT_EQ(Pcl5RasterCount(job.Bytes(), "\x1B*rC"), 2u) << "two images";
  EXPECT_EQ(Pcl5RasterCount(job.Bytes(), "\x1B*r0F"), 1u) << "presentation once";
  auto dark = [&](int x, int y) { return page.Dark(x + kPcl5RasterOrigin.x, y + kPcl5RasterOrigin.y); };
  EXPECT_TRUE(dark(650, 700));
  EXPECT_FALSE(dark(800, 700)) << "between the rectangles";
  EXPECT_TRUE(dark(950, 700));
  EXPECT_FALSE(dark(1050, 700)) << "right of the image";
}

TEST(GPcl5eRaster, AOneBitPaletteWithBlackFirstIsInvertedInMonochrome) {
  // The same picture three ways: default palette (1 black), a palette of
  // black then white with the bits inverted, and the inverted bits drawn
  // with the palette flag.
  const int width = 160;
  const int height = 80;
  const size_t rowBytes = width / 8;
  rastertest::Bytes ink(rowBytes * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if ((x / 40 + y / 40) % 2 == 0) ink[rowBytes * y + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  rastertest::Bytes inverted(ink);
  for (uint8_t& b : inverted) b = static_cast<uint8_t>(~b);
  GRGBColor black(0, 0, 0, 255);
  GRGBColor white(255, 255, 255, 255);
  const GBitmap plain = rastertest::MakeBitmap(1, width, height, ink);
  const GBitmap blackFirst =
      rastertest::MakeBitmap(1, width, height, inverted, 1, new GPaletteTable(std::vector<GColor*>{&black, &white}));
  const GBitmap bare = rastertest::MakeBitmap(1, width, height, inverted);
  Pcl5JobDriver job;
  const GRect area(0, 0, width, height);
  const qvtest::GrayPage page = Pcl5RasterJobPage(job, "onebitpalette", [&](Pcl5JobDriver& j) {
    EXPECT_EQ(j.Draw(new GRasterGraphic(plain, nullptr, area, GRect(300, 300, 300 + width, 300 + height), GBitmap())),
              0);
    EXPECT_EQ(j.Draw(new GRasterGraphic(blackFirst, nullptr, area, GRect(300, 600, 300 + width, 600 + height),
                                        GBitmap())),
              0);
    EXPECT_EQ(j.generator->DrawImage(bare, 0, 0, area, GRect(300, 900, 300 + width, 900 + height), nullptr, 1), 0);
  });
  ASSERT_GT(page.width, 0);
  int wrong = 0;
  for (int top : {300, 600, 900})
    for (int y = 5; y < height; y += 10)
      for (int x = 5; x < width; x += 10) {
        const bool expected = (x / 40 + y / 40) % 2 == 0;
        if (page.Dark(300 + x + kPcl5RasterOrigin.x, top + y + kPcl5RasterOrigin.y) != expected && ++wrong <= 4)
          ADD_FAILURE() << "image at " << top << ", pixel (" << x << ", " << y << ")";
      }
  EXPECT_EQ(wrong, 0);
}

TEST(GPcl5eRaster, APackedBitmapIsExpandedBeforeItIsDrawn) {
  const int width = 64;
  const int height = 64;
  rastertest::Bytes ink(static_cast<size_t>(width / 8) * height, 0);
  for (int y = 0; y < height / 2; ++y)
    for (int x = 0; x < width / 8; ++x) ink[static_cast<size_t>(y) * (width / 8) + x] = 0xFF;
  // The packed form: the expanded size, low byte first, then the packed
  // bytes.
  std::vector<uint8_t> packed(ink.size() * 2 + 64);
  GMemoryByteSource in(ink.data(), ink.size());
  GMemoryByteSink out(packed.data() + 4, packed.size() - 4);
  GLZWCompressor lzw;
  ASSERT_NE(lzw.Compress(in, out), 0);
  const uint32_t size = static_cast<uint32_t>(ink.size());
  for (int i = 0; i < 4; ++i) packed[i] = static_cast<uint8_t>(size >> (8 * i));
  packed.resize(out.Length() + 4);
  GBitmapDescription d;
  d.ownsData = 1;
  d.data = new uint8_t[packed.size()];
  std::copy(packed.begin(), packed.end(), d.data);
  d.dataLength = static_cast<uint32_t>(packed.size());
  d.rowAlignment = 1;
  d.bounds = GRect(0, 0, width, height);
  d.bitsPerPixel = 1;
  d.compression = 3;
  const GBitmap bitmap(d);
  ASSERT_NE(bitmap.IsCompressed(), 0);
  Pcl5JobDriver job;
  const GRect destination(600, 600, 600 + 4 * width, 600 + 4 * height);
  const qvtest::GrayPage page =
      Pcl5RasterPage(job, bitmap, GRect(0, 0, width, height), destination, "packed");
  ASSERT_GT(page.width, 0);
  auto dark = [&](int x, int y) { return page.Dark(x + kPcl5RasterOrigin.x, y + kPcl5RasterOrigin.y); };
  EXPECT_TRUE(dark(600 + 2 * width, 600 + width));
  EXPECT_FALSE(dark(600 + 2 * width, 600 + 3 * height));
}

TEST(GPcl5eRaster, ARowLargerThanTheBandGoesStraightToTheStream) {
  // A colour image 12000 pixels wide: 36000 bytes a row, every byte
  // changing, so that each delta row is larger than the band buffer. The
  // printer scales it down to 2 inches.
  const int width = 12000;
  const int height = 4;
  rastertest::Bytes pixels(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(64 + (i * 7 + i / 3) % 128);
  Pcl5JobDriver job;
  job.extraJobSettings.push_back(qvtest::Value(GFeatureIds::kPrintColorAsGray, 0));
  const GRect destination(600, 600, 1800, 1000);
  const qvtest::GrayPage page = Pcl5RasterPage(job, rastertest::MakeBitmap(24, width, height, pixels),
                                               GRect(0, 0, width, height), destination, "widerows");
  ASSERT_GT(page.width, 0);
  const std::string& bytes = job.Bytes();
  EXPECT_NE(bytes.find("\x1B*b3M"), std::string::npos) << "delta rows";
  // Each row in one transfer of more than the band's 32512 bytes.
  size_t large = 0;
  for (size_t at = bytes.find("\x1B*b"); at != std::string::npos; at = bytes.find("\x1B*b", at + 1)) {
    const long length = std::atol(bytes.c_str() + at + 3);
    if (length > 32512 && bytes.find('W', at) < at + 10) ++large;
  }
  EXPECT_EQ(large, static_cast<size_t>(height));
  // The image prints as a mid gray across its destination.
  const int y = destination.top + kPcl5RasterOrigin.y + 200;
  for (int x = destination.left + 100; x < destination.right - 100; x += 200) {
    const int gray = page.At(x + kPcl5RasterOrigin.x, y);
    EXPECT_GT(gray, 40) << x;
    EXPECT_LT(gray, 230) << x;
  }
}

TEST(GPcl5eRaster, ThePagesTransformPlacesAndScalesTheImage) {
  // The page twice as large, its offset on the imageable origin: an image
  // drawn at (300, 300) to (500, 500) prints at (600, 600) to (1000, 1000),
  // cut by a clip that the transform scales as well.
  const int width = 200;
  const rastertest::Bytes bits(static_cast<size_t>(width / 8) * width, 0xFF);
  Pcl5JobDriver job;
  const qvtest::GrayPage page = Pcl5RasterJobPage(
      job, "transformed",
      [&](Pcl5JobDriver& j) {
        GClipToSingleRectangle clip(GRect(0, 0, 450, 2000), kClipInside, 0, nullptr);
        EXPECT_EQ(j.generator->ClipToRectangle(&clip), 0);
        // A graphic with a bundle: the page's transform is applied with it.
        EXPECT_EQ(j.Draw(new GRasterGraphic(rastertest::MakeBitmap(1, width, width, bits), new GGraphicBundle,
                                            GRect(0, 0, width, width), GRect(300, 300, 500, 500), GBitmap())),
                  0);
      },
      new GTransformAttribute(0, kPcl5RasterOrigin, GRealPair(2.0f, 2.0f)));
  ASSERT_GT(page.width, 0);
  auto dark = [&](int x, int y) { return page.Dark(x + kPcl5RasterOrigin.x, y + kPcl5RasterOrigin.y); };
  EXPECT_TRUE(dark(620, 620));
  EXPECT_TRUE(dark(880, 980));
  EXPECT_FALSE(dark(580, 620)) << "left of the image";
  EXPECT_FALSE(dark(620, 1020)) << "below the image";
  EXPECT_FALSE(dark(920, 620)) << "right of the clip";
}

// ---- Patterns ----

struct Pcl5PatternCase {
  const char* name;
  int colourMode;
  int bits;
  int scaled;
  int palette;  // the palette the pattern's cells index
};

class GPcl5ePatternDefinition : public ::testing::TestWithParam<Pcl5PatternCase> {};

TEST_P(GPcl5ePatternDefinition, APatternFillsARectangleWithItsTile) {
  // A tile of 8 x 8 pixels: its left half black, its right half white
  // (1-bit) or the cell colours of an 8-bit palette image. The test fills a
  // rectangle with the defined pattern by its own escapes.
  const Pcl5PatternCase& c = GetParam();
  const int tile = 8;
  GBitmap bitmap;
  if (c.bits == 1) {
    bitmap = rastertest::MakeBitmap(1, tile, tile, rastertest::Bytes(tile, 0xF0));
  } else {
    GRGBColor black(0, 0, 0, 255);
    GRGBColor white(255, 255, 255, 255);
    rastertest::Bytes cells(tile * tile);
    for (int i = 0; i < tile * tile; ++i) cells[i] = i % tile < tile / 2 ? 0 : 1;
    bitmap = rastertest::MakeBitmap(8, tile, tile, cells, 1, new GPaletteTable(std::vector<GColor*>{&black, &white}));
  }
  Pcl5JobDriver job;
  if (c.colourMode == 1) job.extraJobSettings.push_back(qvtest::Value(GFeatureIds::kPrintColorAsGray, 0));
  qvtest::TilePaint paint(bitmap, c.scaled, 1);
  const int side = c.scaled != 0 ? tile * 4 : tile;
  const qvtest::GrayPage page = Pcl5RasterJobPage(job, c.name, [&](Pcl5JobDriver& j) {
    int32_t palette = -1;
    EXPECT_EQ(j.generator->DefinePattern(&paint, 7, &palette), 1);
    EXPECT_EQ(palette, c.palette);
    // The rectangle: 40 pattern widths wide, at (600, 600).
    std::string fill = "\x1B*p600x700Y\x1B*c" + std::to_string(40 * side) + "a" + std::to_string(8 * side) +
                       "b7g4P";
    auto* pass = new GPassThroughCommand(reinterpret_cast<const uint8_t*>(fill.data()),
                                         static_cast<uint16_t>(fill.size()), GPcl5eClassId, nullptr);
    GCountedPtr held(pass);
    EXPECT_EQ(j.generator->PassThrough(pass), 0);
  });
  ASSERT_GT(page.width, 0);
  const std::string header = c.colourMode == 2 ? std::string("\x14\x00\x01\x00", 4) : std::string("\x01\x00", 2);
  EXPECT_NE(job.Bytes().find("\x1b*c7G"), std::string::npos);
  EXPECT_NE(job.Bytes().find(header), std::string::npos) << "pattern format";
  // Whatever the pattern's reference point, the fill repeats the tile: at
  // one phase every sampled pixel is dark in the tile's left half and light
  // in its right half (pixels next to a half's edge are not judged). A
  // colour pattern carries no resolution: the printer takes it at 300 dpi.
  const int period = c.colourMode == 2 ? side : side * 2;
  int best = -1;
  for (int offset = 0; offset < period; ++offset) {
    int wrong = 0;
    for (int y = 705; y < 700 + 8 * side - 5; y += 7)
      for (int x = 600 + kPcl5RasterOrigin.x; x < 600 + kPcl5RasterOrigin.x + 40 * side; x += 3) {
        const int phase = ((x - offset) % period + period) % period;
        if (phase <= 1 || std::abs(phase - period / 2) <= 1 || phase >= period - 2) continue;
        if (page.Dark(x, y) != (phase < period / 2)) ++wrong;
      }
    if (best < 0 || wrong < best) best = wrong;
  }
  EXPECT_EQ(best, 0);
  // Nothing outside the rectangle.
  EXPECT_FALSE(page.Dark(600 + kPcl5RasterOrigin.x + 40 * side + 4, 710));
}

INSTANTIATE_TEST_SUITE_P(Patterns, GPcl5ePatternDefinition,
                         ::testing::Values(Pcl5PatternCase{"MonochromeOneBit", 2, 1, 0, 1},
                                           Pcl5PatternCase{"MonochromeScaled", 2, 8, 1, 1},
                                           Pcl5PatternCase{"ColourOneBit", 1, 1, 0, 7},
                                           Pcl5PatternCase{"ColourPalette", 1, 8, 1, 9}),
                         [](const ::testing::TestParamInfo<Pcl5PatternCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
