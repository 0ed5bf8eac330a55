// The page-description reader of `qvhost print`: each drawing call becomes
// the graphics object it names, with its pen, brush and clip in its bundle,
// in device dots at the job's resolution; pages, text runs and PNG images;
// faults name their line; sizes, counts and images are bounded. The PNG
// files are made here from the format's definition with zlib, not by the
// host's own writer.
#include "host/PageDescription.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/GBrush.h"
#include "graphics/GClip.h"
#include "graphics/GColor.h"
#include "graphics/GPaint.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GTextString.h"
#include "graphics/GTextStringGraphic.h"
#include "graphics/GPen.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GShapeGraphic.h"
#include "host/PngFile.h"
#include "model/GGraphicBundle.h"
#include "printpath/GPrinter.h"
#include "support/RecordingPeripheral.h"

namespace {

using qvhost::DescribedPage;
using qvhost::PageDescriptionOptions;

// ---- PNG files from the format's definition ----

void PutBigEndian32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBigEndian32(out, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  PutBigEndian32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                  static_cast<uInt>(body.size()))));
}

// A PNG of the colour type and depth whose filtered scanlines (filter
// byte 0 and the row) are given; plte is the palette, if any.
std::string MakePng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, const std::string& rows,
                    const std::string& plte = std::string()) {
  std::string png("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  PutBigEndian32(header, width);
  PutBigEndian32(header, height);
  header += static_cast<char>(depth);
  header += static_cast<char>(colourType);
  header += std::string(3, '\0');
  PutChunk(png, "IHDR", header);
  if (!plte.empty()) PutChunk(png, "PLTE", plte);
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  std::string packed(size, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(rows.data()),
           static_cast<uLong>(rows.size()));
  packed.resize(size);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", std::string());
  return png;
}

// 2 x 2 pixels, red, green / blue, white.
std::string RgbPng() {
  return MakePng(2, 2, 8, 2,
                 std::string("\0\xff\0\0\0\xff\0", 7) + std::string("\0\0\0\xff\xff\xff\xff", 7));
}

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "qv_pages_" + std::to_string(getpid()) + "_" + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// ---- Describing what was read ----

std::string ColourText(GPaint* given) {
  auto* paint = dynamic_cast<GColorPaint*>(given);
  auto* colour = paint != nullptr ? dynamic_cast<GRGBColor*>(paint->GetColor()) : nullptr;
  if (colour == nullptr) return "?";
  return std::to_string(colour->GetRed()) + "," + std::to_string(colour->GetGreen()) + "," +
         std::to_string(colour->GetBlue());
}

std::string RectText(const GRect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// The points, after the start point for a run of curves.
std::string PointsText(const GShapeGraphic& shape, bool withStart) {
  std::string text;
  if (withStart) text = std::to_string(shape.GetStartPoint().x) + "," + std::to_string(shape.GetStartPoint().y);
  for (uint32_t i = 0; i < shape.GetPointCount(); ++i)
    text += (text.empty() ? "" : " ") + std::to_string(shape.GetPoint(i)->x) + "," +
            std::to_string(shape.GetPoint(i)->y);
  return text;
}

// The graphic state a graphic carries: pen, brush and clip.
std::string StateText(GGraphic& graphic) {
  auto* bundle = dynamic_cast<GGraphicBundle*>(graphic.GetSettings());
  if (bundle == nullptr) return "no bundle";
  std::string text;
  GAttribute* pen = bundle->GetPen();
  if (pen != nullptr && pen->ClassId() == GNoPenClassId)
    text += "pen none";
  else if (auto* p = dynamic_cast<GPen*>(pen))
    text += "pen " + std::to_string(p->GetWidth()) + " " + ColourText(p->GetPaint());
  else
    text += "pen ?";
  GAttribute* brush = bundle->GetBrush();
  if (brush != nullptr && brush->ClassId() == GNoBrushClassId)
    text += "; brush none";
  else if (auto* b = dynamic_cast<GBrush*>(brush))
    text += "; brush " + ColourText(b->GetPaint());
  else
    text += "; brush ?";
  GAttribute* clip = bundle->GetClip();
  if (clip != nullptr && clip->ClassId() == GClipToPageClassId) {
    text += "; clip page";
  } else if (auto* c = dynamic_cast<GClipToSingleRectangle*>(clip)) {
    GRect r;
    c->GetBounds(r);
    text += "; clip " + RectText(r);
  } else {
    text += "; clip ?";
  }
  return text;
}

std::string GraphicText(const GCountedPtr& handle) {
  auto* graphic = dynamic_cast<GGraphic*>(handle.Pointee());
  if (graphic == nullptr) return "not a graphic";
  if (auto* r = dynamic_cast<GRectangleGraphic*>(graphic)) return "rectangle " + RectText(r->GetBounds());
  if (auto* p = dynamic_cast<GPolygonGraphic*>(graphic)) return "polygon " + PointsText(*p, false);
  if (auto* b = dynamic_cast<GPolyBezierGraphic*>(graphic)) return "bezier " + PointsText(*b, true);
  if (auto* path = dynamic_cast<GPathGraphic*>(graphic)) {
    std::string text = path->IsClosed() != 0 ? "closed path" : "open path";
    for (size_t i = 0; i < path->MemberCount(); ++i) {
      auto* piece = dynamic_cast<GPolyBezierGraphic*>(path->MemberAt(i));
      text += piece != nullptr ? " [" + PointsText(*piece, true) + "]" : " [?]";
    }
    return text;
  }
  if (auto* raster = dynamic_cast<GRasterGraphic*>(graphic)) {
    GRect source, destination;
    raster->GetSourceRect(source);
    raster->GetDestRect(destination);
    return "image " + RectText(source) + " to " + RectText(destination);
  }
  if (auto* run = dynamic_cast<GTextStringGraphic*>(graphic)) {
    std::string text = "text at " + std::to_string(run->GetOrigin().x) + "," + std::to_string(run->GetOrigin().y) + " ";
    GTextString* codes = run->GetText();
    if (codes == nullptr) return text + "without characters";
    for (uint32_t i = 0; i < codes->GetLength(); ++i) {
      const uint16_t c = codes->GetChar(i);
      text += c < 0x80 ? std::string(1, static_cast<char>(c)) : "<" + std::to_string(c) + ">";
    }
    text += " steps";
    if (GTextEscapements* steps = run->GetEscapements())
      for (uint32_t i = 0; i < steps->GetCount(); ++i) text += " " + std::to_string(steps->GetX(i));
    return text;
  }
  return "?";
}

std::vector<DescribedPage> Parse(const std::string& text, int32_t x = 600, int32_t y = 600) {
  PageDescriptionOptions options;
  options.xResolution = x;
  options.yResolution = y;
  std::vector<DescribedPage> pages;
  std::string error;
  EXPECT_TRUE(qvhost::ParsePageDescription(text, options, pages, error)) << error;
  EXPECT_EQ(error, "");
  return pages;
}

std::string ParseError(const std::string& text, const std::string& base = std::string()) {
  PageDescriptionOptions options;
  options.baseDirectory = base;
  std::vector<DescribedPage> pages(2);
  std::string error;
  EXPECT_FALSE(qvhost::ParsePageDescription(text, options, pages, error)) << text.substr(0, 80);
  EXPECT_TRUE(pages.empty());
  return error;
}

// ---- Drawing calls ----

TEST(PageDescriptionTest, EachCallBecomesItsGraphicInDotsWithItsState) {
  // At 600 dpi a point is 600 / 72 dots: 72 points are 600 dots.
  struct Case {
    const char* lines;
    const char* graphic;
    const char* state;
  } cases[] = {
      {"rectangle 72 144 36 7.2", "rectangle 600,1200,900,1260", "pen 8 0,0,0; brush none; clip page"},
      {"colour 255 0 0\npen 3.6\nrectangle 0 0 72 72", "rectangle 0,0,600,600",
       "pen 30 255,0,0; brush none; clip page"},
      {"colour 1 2 3\nbrush solid\ncolour 4 5 6\npen none\nrectangle 0 0 1 1", "rectangle 0,0,8,8",
       "pen none; brush 1,2,3; clip page"},
      {"clip 0 0 72 36\nrectangle -7.2 0 720 720", "rectangle -60,0,5940,6000",
       "pen 8 0,0,0; brush none; clip 0,0,600,300"},
      {"clip 0 0 72 36\nclip none\nbrush solid\nrectangle 0 0 1 1", "rectangle 0,0,8,8",
       "pen 8 0,0,0; brush 0,0,0; clip page"},
      {"polygon 0 0 72 0 72 72", "polygon 600,600 0,0 600,0 600,600", "pen 8 0,0,0; brush none; clip page"},
      // A polyline's lines are curves with their control points on the
      // ends; lines and curves are never filled.
      {"brush solid\npolyline 0 0 72 0 72 72", "open path [0,0 0,0 600,0 600,0 600,0 600,600 600,600]",
       "pen 8 0,0,0; brush none; clip page"},
      {"brush solid\nbezier 0 0 7.2 0 7.2 7.2 0 7.2", "bezier 0,0 60,0 60,60 0,60",
       "pen 8 0,0,0; brush none; clip page"},
      {"brush solid\nellipse 0 0 72 36",
       "closed path [600,150 600,233 466,300 300,300 134,300 0,233 0,150 0,67 134,0 300,0 466,0 600,67 600,150]",
       "pen 8 0,0,0; brush 0,0,0; clip page"},
      {"# a comment\n\n   \t\nRECTANGLE 0 0 1 1\r\n", "rectangle 0,0,8,8", "pen 8 0,0,0; brush none; clip page"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    const std::vector<DescribedPage> pages = Parse(c.lines);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].graphics.size(), 1u);
    EXPECT_EQ(GraphicText(pages[0].graphics[0]), c.graphic);
    auto* graphic = dynamic_cast<GGraphic*>(pages[0].graphics[0].Pointee());
    ASSERT_NE(graphic, nullptr);
    EXPECT_EQ(StateText(*graphic), c.state);
  }
}

TEST(PageDescriptionTest, UnitsFollowTheResolutionOfEachAxis) {
  struct Case {
    int32_t x, y;
    const char* graphic;
  } cases[] = {
      {600, 600, "rectangle 600,1200,1200,2400"},
      {300, 300, "rectangle 300,600,600,1200"},
      {1200, 600, "rectangle 1200,1200,2400,2400"},
      {72, 72, "rectangle 72,144,144,288"},
  };
  for (const Case& c : cases) {
    const std::vector<DescribedPage> pages = Parse("rectangle 72 144 72 144", c.x, c.y);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].graphics.size(), 1u);
    EXPECT_EQ(GraphicText(pages[0].graphics[0]), c.graphic) << c.x << " x " << c.y;
  }
}

TEST(PageDescriptionTest, PagesTextsAndDrawingOrder) {
  const std::vector<DescribedPage> pages = Parse(
      "rectangle 0 0 1 1\n"
      "text 72 36 Arial 12 Hello, world  # not a comment\n"
      "page A4 landscape\n"
      "text 0 0 \"Times New Roman\" 10.5 \xc3\xa9t\xc3\xa9\n"
      "polygon 0 0 1 0 1 1\n"
      "rectangle 0 0 2 2\n"
      "page\n"
      "page portrait Legal\n");
  ASSERT_EQ(pages.size(), 4u);
  EXPECT_EQ(pages[0].paper, "");
  EXPECT_EQ(pages[0].orientation, 0);
  ASSERT_EQ(pages[0].texts.size(), 1u);
  EXPECT_EQ(pages[0].texts[0].x, 600);
  EXPECT_EQ(pages[0].texts[0].y, 300);
  EXPECT_EQ(pages[0].texts[0].font, "Arial");
  EXPECT_EQ(pages[0].texts[0].points, 12);
  EXPECT_EQ(pages[0].texts[0].utf8, "Hello, world  # not a comment");

  EXPECT_EQ(pages[1].paper, "A4");
  EXPECT_EQ(pages[1].orientation, 2);
  ASSERT_EQ(pages[1].texts.size(), 1u);
  EXPECT_EQ(pages[1].texts[0].font, "Times New Roman");
  EXPECT_EQ(pages[1].texts[0].points, 10.5);
  EXPECT_EQ(pages[1].texts[0].utf8, "\xc3\xa9t\xc3\xa9");
  // Each text run is also a text graphic, in drawing order between the
  // other graphics: its UTF-16 codes from the run's position on, one
  // advance of 0.6 of the size per character (10.5 points at 600 dpi: 52.5
  // dots, rounded per character).
  ASSERT_EQ(pages[1].graphics.size(), 3u);
  EXPECT_EQ(GraphicText(pages[1].graphics[0]), "text at 0,0 <233>t<233> steps 53 52 0");
  EXPECT_EQ(GraphicText(pages[1].graphics[1]).substr(0, 7), "polygon");
  EXPECT_EQ(GraphicText(pages[1].graphics[2]), "rectangle 0,0,17,17");
  ASSERT_EQ(pages[0].graphics.size(), 2u);
  EXPECT_EQ(GraphicText(pages[0].graphics[1]).substr(0, 24), "text at 600,300 Hello, w");

  EXPECT_TRUE(pages[2].graphics.empty());
  EXPECT_EQ(pages[3].paper, "Legal");
  EXPECT_EQ(pages[3].orientation, 1);

  // Nothing at all is one empty page of the job's paper.
  for (const char* empty : {"", "# nothing\n\n"}) {
    const std::vector<DescribedPage> none = Parse(empty);
    ASSERT_EQ(none.size(), 1u);
    EXPECT_TRUE(none[0].graphics.empty());
  }
}

TEST(PageDescriptionTest, EachPageStartsWithTheDefaultState) {
  const std::vector<DescribedPage> pages =
      Parse("colour 9 9 9\npen 1\nbrush solid\nclip 0 0 1 1\npage\nrectangle 0 0 1 1\n");
  ASSERT_EQ(pages.size(), 2u);
  auto* graphic = dynamic_cast<GGraphic*>(pages[1].graphics.at(0).Pointee());
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(StateText(*graphic), "pen 8 0,0,0; brush none; clip page");
}

// ---- Faults ----

TEST(PageDescriptionTest, FaultsNameTheLineAndWhatIsWrong) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"# one\n\nrectangle 1 2 3\n", "line 3: rectangle needs 4 numbers"},
      {"rectangle 1 2 3 x", "line 1: rectangle needs 4 numbers"},
      {"rectangle 1 2 3 4 5", "line 1: rectangle needs 4 numbers"},
      {"rectangle 1 2 3 nan", "line 1: rectangle needs 4 numbers"},
      {"rectangle 1 2 3 1e3", "line 1: rectangle needs 4 numbers"},
      {"rectangle 0 0 -1 1", "line 1: the width and height must not be negative"},
      {"rectangle 4000 0 1 1", "line 1: a coordinate lies beyond 32767 dots"},
      {"rectangle 3900 0 100 1", "line 1: a coordinate lies beyond 32767 dots"},
      {"ellipse 1 2", "line 1: ellipse needs 4 numbers"},
      {"rect 1 2 3 4", "line 1: unknown drawing call \"rect\""},
      {"colour 1 2", "line 1: colour needs 3 whole numbers from 0 to 255"},
      {"color 1 2 256", "line 1: color needs 3 whole numbers from 0 to 255"},
      {"colour 1 2 3.5", "line 1: colour needs 3 whole numbers from 0 to 255"},
      {"pen", "line 1: pen needs a width in points or none"},
      {"pen -1", "line 1: pen needs a width in points or none"},
      {"pen 5000", "line 1: the pen is wider than 32767 dots"},
      {"brush red", "line 1: brush needs solid or none"},
      {"clip 1 2 3", "line 1: clip needs 4 numbers or none"},
      {"polyline 1 2", "line 1: polyline needs at least 2 points, as pairs of numbers"},
      {"polygon 1 2 3 4 5 6 7", "line 1: polygon needs at least 3 points, as pairs of numbers"},
      {"polygon 1 2 3 4", "line 1: polygon needs at least 3 points, as pairs of numbers"},
      {"bezier 0 0 1 1 2 2", "line 1: bezier needs a start point and 3 points for each curve, as pairs of numbers"},
      {"bezier 0 0 1 1 2 2 3 3 4 4",
       "line 1: bezier needs a start point and 3 points for each curve, as pairs of numbers"},
      {"text 1 2 Arial", "line 1: text needs a position, a font name, a size in points and the text"},
      {"text 1 2 Arial 12", "line 1: text needs a position, a font name, a size in points and the text"},
      {"text 1 2 Arial 0 x", "line 1: the text size must be above 0 and at most 1000 points"},
      {"text 1 2 \"Arial 12 x", "line 1: a quoted word is not closed"},
      {"text 1 2 Arial 12 \xc3\x28", "line 1: the text is not UTF-8"},
      {"text 1 2 Arial 12 \xed\xa0\x80", "line 1: the text is not UTF-8"},
      {"text 1 2 Arial 12 \xc0\xaf", "line 1: the text is not UTF-8"},
      {"page A4 sideways", "line 1: page takes a paper name and portrait or landscape, not \"sideways\""},
      {"page portrait landscape", "line 1: page takes one orientation"},
      {"image 0 0 72 72", "line 1: image needs 4 numbers and a file name"},
      {"rectangle 0 0 1 1\nimage 0 0 72 72 \"\"", "line 2: image needs 4 numbers and a file name"},
      {"clip 0 0 1 \"1", "line 1: a quoted word is not closed"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseError(c.text), c.error) << c.text;
}

TEST(PageDescriptionTest, SizesAndCountsAreBounded) {
  // A line longer than 64 KB.
  EXPECT_EQ(ParseError("rectangle 0 0 1 1\n" + std::string(70000, ' ') + "x\n"),
            "line 2: the line is longer than 65536 bytes");
  // More than 1000 pages.
  std::string pages;
  for (int i = 0; i < 1001; ++i) pages += "page\n";
  EXPECT_EQ(ParseError(pages), "line 1001: more than 1000 pages");
  // More than 100000 drawing calls in the file, over several pages.
  std::string calls;
  for (int i = 0; i < 100001; ++i) calls += i == 50000 ? "page\ntext 0 0 a 1 x\n" : "text 0 0 a 1 x\n";
  EXPECT_EQ(ParseError(calls), "line 100002: more than 100000 drawing calls");
  // More than 8192 points in one call.
  std::string many = "polygon";
  for (int i = 0; i < 8193; ++i) many += " 1 2";
  EXPECT_EQ(ParseError(many), "line 1: polygon has more than 8192 points");
  // A resolution the reader cannot keep within its coordinates.
  PageDescriptionOptions options;
  options.xResolution = 0;
  std::vector<DescribedPage> out;
  std::string error;
  EXPECT_FALSE(qvhost::ParsePageDescription("page", options, out, error));
  EXPECT_EQ(error, "the resolution must be 1 to 9600 dots per inch");
}

// ---- Images ----

TEST(PageDescriptionTest, AnImageIsReadBesideThePageFileAndDrawnAsARasterGraphic) {
  const std::string directory = TempPath("dir");
  ASSERT_EQ(::mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST, true);
  WriteFile(directory + "/four.png", RgbPng());
  const std::string pageFile = directory + "/page.txt";
  WriteFile(pageFile, "image 72 72 144 72 four.png\nimage 0 0 7.2 7.2 \"four.png\"\n");
  std::vector<DescribedPage> pages;
  std::string error;
  ASSERT_TRUE(qvhost::LoadPageDescriptionFile(pageFile, PageDescriptionOptions(), pages, error)) << error;
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].graphics.size(), 2u);
  EXPECT_EQ(GraphicText(pages[0].graphics[0]), "image 0,0,2,2 to 600,600,1800,1200");
  auto* first = dynamic_cast<GRasterGraphic*>(pages[0].graphics[0].Pointee());
  auto* second = dynamic_cast<GRasterGraphic*>(pages[0].graphics[1].Pointee());
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  // Read once, shared by both.
  EXPECT_EQ(first->GetBitmap().GetBody(), second->GetBitmap().GetBody());
  GBitmap bitmap = first->GetBitmap();
  EXPECT_EQ(bitmap.GetBitsPerPixel(), 24u);
  // Rows in red, green, blue order, as the JPEG rows take them.
  uint8_t row[6] = {};
  ASSERT_EQ(bitmap.GetRow(row, 0, 2, 0, kBitmapRowSwapped), 6u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(row), 6), std::string("\xff\0\0\0\xff\0", 6));
  ASSERT_EQ(bitmap.GetRow(row, 0, 2, 1, kBitmapRowSwapped), 6u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(row), 6), std::string("\0\0\xff\xff\xff\xff", 6));

  // A missing image names its line and the file.
  WriteFile(pageFile, "# first\nimage 0 0 1 1 missing.png\n");
  EXPECT_FALSE(qvhost::LoadPageDescriptionFile(pageFile, PageDescriptionOptions(), pages, error));
  EXPECT_EQ(error, pageFile + ": line 2: image: cannot read " + directory + "/missing.png");
  EXPECT_TRUE(pages.empty());
  // A directory or a device is no image.
  EXPECT_NE(ParseError("image 0 0 1 1 /dev/zero"), "");
  EXPECT_NE(ParseError("image 0 0 1 1 " + directory), "");
  std::remove((directory + "/four.png").c_str());
  std::remove(pageFile.c_str());
  ::rmdir(directory.c_str());
}

TEST(PageDescriptionTest, PngFormatsDecodeToRgbOverWhite) {
  struct Case {
    const char* what;
    std::string png;
    std::string rgb;
  } cases[] = {
      {"8-bit RGB", RgbPng(), std::string("\xff\0\0\0\xff\0\0\0\xff\xff\xff\xff", 12)},
      {"gray", MakePng(3, 1, 8, 0, std::string("\0\x00\x80\xff", 4)),
       std::string("\0\0\0\x80\x80\x80\xff\xff\xff", 9)},
      // Opaque black, fully transparent black (white below), half red.
      {"RGB with alpha", MakePng(3, 1, 8, 6, std::string("\0\0\0\0\xff\0\0\0\0\xff\0\0\x80", 13)),
       std::string("\0\0\0\xff\xff\xff", 6)},
      {"2-bit palette", MakePng(4, 1, 2, 3, std::string("\0\x1b", 2), std::string("\x10\x20\x30\x40\x50\x60\x70\x80\x90\xa0\xb0\xc0", 12)),
       std::string("\x10\x20\x30\x40\x50\x60\x70\x80\x90\xa0\xb0\xc0", 12)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PngImage image;
    std::string why;
    ASSERT_TRUE(DecodePng(reinterpret_cast<const uint8_t*>(c.png.data()), c.png.size(), image, &why)) << why;
    // The half-covered red pixel lies between red and white; check the rest
    // exactly.
    const std::string got(image.rgb.begin(), image.rgb.end());
    ASSERT_GE(got.size(), c.rgb.size());
    EXPECT_EQ(got.substr(0, c.rgb.size()), c.rgb);
    if (std::string(c.what) == "RGB with alpha") {
      ASSERT_EQ(got.size(), 9u);
      EXPECT_EQ(static_cast<uint8_t>(got[6]), 255);
      EXPECT_GT(static_cast<uint8_t>(got[7]), 100);
      EXPECT_LT(static_cast<uint8_t>(got[7]), 200);
      EXPECT_EQ(got[7], got[8]);
    }
  }
}

TEST(PngReadTest, DamagedAndOversizedFilesAreRefusedBeforeTheirPixelsAreAllocated) {
  const std::string good = RgbPng();
  std::string badCrc = good;
  badCrc[good.size() - 20] ^= 0x55;  // inside the compressed data
  struct Case {
    const char* what;
    std::string png;
    const char* reason;
  } cases[] = {
      {"not a PNG", "GIF89a....", "not a PNG file"},
      {"empty", "", "not a PNG file"},
      {"cut in the header", good.substr(0, 20), "damaged PNG"},
      {"cut in the data", good.substr(0, good.size() - 16), "damaged PNG"},
      {"damaged data", badCrc, "damaged PNG"},
      // The header claims sizes whose pixels the limits refuse; the data
      // behind it is a single row.
      {"too wide", MakePng(40000, 1, 8, 0, std::string(40001, '\0')), "larger than the host reads"},
      {"too many pixels", MakePng(20000, 20000, 1, 0, std::string(2501, '\0')), "larger than the host reads"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PngImage image;
    std::string why;
    EXPECT_FALSE(DecodePng(reinterpret_cast<const uint8_t*>(c.png.data()), c.png.size(), image, &why));
    EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    EXPECT_TRUE(image.rgb.empty());
  }
}

// ---- The reference page ----

TEST(PageDescriptionTest, TheSamplePageHoldsTextVectorsAndA600DpiPhoto) {
  for (int32_t resolution : {600, 300}) {
    SCOPED_TRACE(resolution);
    PageDescriptionOptions options;
    options.xResolution = resolution;
    options.yResolution = resolution;
    const std::vector<DescribedPage> pages = qvhost::SamplePages(options);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_GE(pages[0].texts.size(), 2u);
    bool rectangle = false, path = false, polygon = false, bezier = false, photo = false;
    for (const GCountedPtr& handle : pages[0].graphics) {
      const std::string text = GraphicText(handle);
      rectangle |= text.rfind("rectangle", 0) == 0;
      path |= text.rfind("closed path", 0) == 0;
      polygon |= text.rfind("polygon", 0) == 0;
      bezier |= text.rfind("bezier", 0) == 0;
      if (auto* raster = dynamic_cast<GRasterGraphic*>(handle.Pointee())) {
        photo = true;
        GBitmap bitmap = raster->GetBitmap();
        GRect bounds, destination;
        bitmap.GetBounds(bounds);
        raster->GetDestRect(destination);
        EXPECT_EQ(bitmap.GetBitsPerPixel(), 24u);
        // At 600 dpi the image's pixels are the page's dots.
        EXPECT_EQ(destination.Width() * 600, bounds.Width() * resolution);
        EXPECT_EQ(destination.Height() * 600, bounds.Height() * resolution);
      }
    }
    EXPECT_TRUE(rectangle && path && polygon && bezier && photo);
  }
}

// The text runs reach the printer's generator as text graphics, in the
// page's drawing order with the other graphics.
TEST(PageDescriptionTest, TextRunsReachThePrintersGeneratorAsTextGraphics) {
  PageDescriptionOptions options;
  const std::vector<DescribedPage> pages = qvhost::SamplePages(options);
  ASSERT_EQ(pages.size(), 1u);
  GPrinter printer(&GFeatureIds::kDeviceEntry);
  auto* generator = new qvtest::RecordingPeripheral(&GFeatureIds::kGeneratorPeripheral);
  printer.AddChild(generator);
  std::vector<std::string> expected;
  for (const GCountedPtr& handle : pages[0].graphics) {
    auto* command = dynamic_cast<GCommand*>(handle.Pointee());
    ASSERT_NE(command, nullptr);
    printer.Send(command);
    if (dynamic_cast<GTextStringGraphic*>(command) != nullptr) expected.push_back("DrawText");
  }
  std::vector<std::string> drawn;
  for (const std::string& operation : generator->Operations())
    if (operation == "DrawText") drawn.push_back(operation);
  EXPECT_EQ(drawn, expected);
  EXPECT_EQ(drawn.size(), pages[0].texts.size()) << "one text graphic per run";
  ASSERT_FALSE(generator->Calls().empty());
  bool textSeen = false;
  for (const qvtest::ReceiverCall& call : generator->Calls())
    if (call.operation == "DrawText") {
      auto* run = static_cast<const GTextStringGraphic*>(call.argument);
      EXPECT_EQ(run->GetText()->GetEncoding(), 16);
      textSeen = true;
    }
  EXPECT_TRUE(textSeen);
}

}  // namespace
