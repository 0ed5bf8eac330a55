// The PostScript generator's drawing, images and patterns: the writer's
// number forms and data encodings line by line, the operators the shapes
// write, and Ghostscript rendering a page of shapes, clips, dashed lines
// and images in all four orientations and in every data encoding, sampled
// pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GBrush.h"
#include "graphics/GCap.h"
#include "graphics/GClip.h"
#include "graphics/GFillMode.h"
#include "graphics/GPaint.h"
#include "graphics/GPatternPaint.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GPen.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GShapeGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "support/GraphicsObjectSamples.h"
#include "support/PostScriptInterpreter.h"
#include "support/PsJobDriver.h"
#include "support/RecordingPeripheral.h"
#include "support/TilePaint.h"
#include "graphics/GDitherMatrix.h"
#include "model/GByteStream.h"
#include "model/GConfiguration.h"
#include "model/GLZWCompressor.h"
#include "model/MPersistentComposite.h"

namespace {

using qvtest::PsJobDriver;

// A sink that keeps what the writer hands it.
class PsDrawCapture : public GOutputSink {
 public:
  int16_t Write(const uint8_t* data, uint32_t length) override {
    bytes.append(reinterpret_cast<const char*>(data), length);
    return 0;
  }
  std::string bytes;
};

std::string PsWritten(const std::function<void(PSLIB&)>& write) {
  PsDrawCapture sink;
  PSLIB writer(&sink);
  write(writer);
  writer.Flush();
  return sink.bytes;
}

TEST(PostScriptDrawTest, RealsKeepFourTruncatedDecimals) {
  struct Case {
    float value;
    const char* real;
    const char* fontReal;
  };
  const Case cases[] = {
      {2.5f, "2.5000 ", " 2.5000 "},
      {0.25f, ".2500 ", " .2500 "},
      {-0.5f, "-.5000 ", "-.5000 "},
      {3.0f, "3 ", " 3 "},
      {0.0f, "0 ", " 0 "},
      {-0.0f, "0 ", " 0 "},
      // The single-precision value nearest 0.05 lies a hair above it.
      {0.05f, ".0500 ", " .0500 "},
      // 72 / 600 and -72 / 600, the scale of a 600 dpi page, in single
      // precision.
      {72.0f / 600.0f, ".1200 ", " .1200 "},
      {-72.0f / 600.0f, "-.1200 ", "-.1200 "},
      {0.0012f, ".0012 ", " .0012 "},
      {270.0f, "270 ", " 270 "},
      {-1.0625f, "-1.0625 ", "-1.0625 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(PsWritten([&](PSLIB& w) { w.WriteReal(c.value); }), c.real);
    EXPECT_EQ(PsWritten([&](PSLIB& w) { w.WriteGReal(c.value); }), c.fontReal);
  }
  // Whole parts beyond 16 bits and values that are no number stay in range.
  EXPECT_EQ(PsWritten([](PSLIB& w) { w.WriteReal(1e9f); }), "32767 ");
  EXPECT_EQ(PsWritten([](PSLIB& w) { w.WriteReal(std::nanf("")); }), "0 ");
}

TEST(PostScriptDrawTest, DataEncodingsEndAsTheirFiltersExpect) {
  const uint8_t data[] = {0x00, 0x00, 0x00, 0x00, 0x01, 0x1B, 0xFF, 0x80, 0x41};
  struct Case {
    const char* name;
    int32_t binary;
    int32_t ascii85;
    int32_t mode;
    std::string expected;
  };
  const Case cases[] = {
      {"Hexadecimal", 0, 0, 0, "\r\n00000000011BFF8041>\r\n"},
      // 01 1B FF 80 is one group; 41 a partial one of two characters.
      {"Ascii85", 0, 1, 1, "\r\nz!<Wg<:\x35\x63~>\r\n"},
      {"BinaryRunLength", 1, 0, 1, std::string("\x00\x00\x00\x00\x01\x41\x01\x5B\xFF\x80\x41\x80\r\n", 14)},
      {"BinaryPlain", 1, 0, 0, std::string("\x00\x00\x00\x00\x01\x41\x01\x5B\xFF\x80\x41\r\n", 13)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = PsWritten([&](PSLIB& w) {
      w.SetBinaryTransfer(c.binary);
      w.SetAscii85(c.ascii85);
      w.BeginData(c.mode, 0);
      // In two calls: the group state carries over.
      w.WriteData(data, 5);
      w.WriteData(data + 5, 4);
      w.EndData(c.mode, 1);
    });
    if (std::string(c.name) == "Ascii85") {
      // Checked by decoding rather than by a hand-made string.
      ASSERT_GE(out.size(), 6u);
      EXPECT_EQ(out.substr(0, 3), "\r\nz");
      EXPECT_EQ(out.substr(out.size() - 4), "~>\r\n");
      const std::string group = out.substr(3, out.size() - 7);
      ASSERT_EQ(group.size(), 7u) << group;
      uint64_t value = 0;
      for (int i = 0; i < 5; ++i) value = value * 85 + static_cast<uint8_t>(group[i] - 33);
      EXPECT_EQ(value, 0x011BFF80u);
      uint64_t partial = 0;
      for (int i = 0; i < 5; ++i) partial = partial * 85 + (i < 2 ? static_cast<uint8_t>(group[5 + i] - 33) : 84);
      EXPECT_EQ(partial >> 24, 0x41u);
    } else {
      EXPECT_EQ(out, c.expected);
    }
  }
}

// ---- Jobs ----

// A generator in a page of the given orientation (Letter, 600 dpi), with
// the page's transform so that the drawing is in device pixels.
struct PsDrawJob {
  explicit PsDrawJob(int16_t orientation = 0, const std::vector<std::pair<int32_t, int16_t>>& settings = {},
                     GConfiguration* configuration = nullptr, bool pageTransform = true) {
    if (configuration != nullptr) job.generator.SetConfiguration(configuration);
    for (const auto& [id, value] : settings) job.SetValue(id, value);
    job.Start();
    GState* page = qvtest::PsPageSettings(qvtest::PsLetter(), orientation);
    if (pageTransform) page->AddChild(new GTransformAttribute());
    job.PageStart(page);
  }
  GPostScript& g() { return job.generator; }
  std::string Finish() {
    job.PageEnd();
    job.End();
    return job.Output();
  }
  PsJobDriver job;
};

// The text the generator writes for one drawing, after the page setup.
template <typename Draw>
std::string PsDrawn(Draw draw) {
  PsDrawJob page;
  page.g().Writer().Flush();
  const size_t before = page.job.Output().size();
  draw(page.g());
  page.g().Writer().Flush();
  return page.job.Output().substr(before);
}

GColorPaint* PsGray(uint8_t level) { return new GColorPaint(new GRGBColor(level, level, level, 255)); }

// A paint the test keeps (the receivers do not take theirs over).
std::unique_ptr<GColorPaint> PsHeldGray(uint8_t level) { return std::unique_ptr<GColorPaint>(PsGray(level)); }

TEST(PostScriptDrawTest, ShapesWriteTheirOperatorsInAndOutsideAPath) {
  // Outside a path a rectangle paints itself; inside one it only adds to
  // the path, and the path paints once at its end.
  EXPECT_EQ(PsDrawn([](GPostScript& g) {
              GRectangleGraphic r(GRect(10, 20, 110, 70), nullptr, nullptr);
              g.DrawRectangle(&r);
            }),
            "100 50 10 20 B\r\n");
  const std::string path = PsDrawn([](GPostScript& g) {
    GPathGraphic path(nullptr, nullptr);
    std::unique_ptr<GPointList> a(qvtest::OwnedPoints({{0, 0}, {10, 0}}));
    std::unique_ptr<GPointList> b(qvtest::OwnedPoints({{0, 5}, {10, 5}}));
    path.AddChild(new GPolygonGraphic(*a, nullptr, nullptr));
    path.AddChild(new GRectangleGraphic(GRect(1, 2, 3, 4), nullptr, nullptr));
    g.DrawPath(&path);
  });
  EXPECT_EQ(std::count(path.begin(), path.end(), 'O'), 1) << path;
  EXPECT_NE(path.find("2 2 1 2 BP"), std::string::npos) << path;
  EXPECT_EQ(path.find(" B\r\n"), std::string::npos) << path;
  EXPECT_EQ(path.substr(path.size() - 3), "P\r\n") << path;

  // A Bezier run back to its start is closed before it is painted.
  const std::string bezier = PsDrawn([](GPostScript& g) {
    std::unique_ptr<GPointList> points(qvtest::OwnedPoints({{0, 0}, {10, 0}, {20, 10}, {0, 0}}));
    GPolyBezierGraphic curve(*points, nullptr, nullptr);
    g.DrawPolyBezier(&curve);
  });
  EXPECT_EQ(bezier, "O 0 0 Q 3 c BZ\r\n10 0 20 10 0 0 \r\nN P\r\n");
}

TEST(PostScriptDrawTest, AttributesWriteTheProcSetSetters) {
  struct Case {
    const char* name;
    std::function<void(GPostScript&)> apply;
    const char* expected;
  };
  const int32_t id = 0;
  const Case cases[] = {
      {"GrayPenInAGrayJob", [](GPostScript& g) { g.SetPenColor(PsHeldGray(51).get()); }, "1 AK\r\n51 J\r\n"},
      {"GrayBrush", [](GPostScript& g) { g.SetBrushColor(PsHeldGray(0).get()); }, "0 AK\r\n0 F\r\n"},
      {"SolidPen",
       [](GPostScript& g) {
         GPen pen(12, PsGray(0), nullptr);
         g.SetPen(&pen);
       },
       "[] W 12 V\r\n1 AK\r\n0 J\r\n"},
      {"DashedPen",
       [](GPostScript& g) {
         GDashedPen pen(new int16_t[2]{30, 10}, 2, 4, nullptr, 0, nullptr);
         g.SetDashedPen(&pen);
       },
       "[30 10 ] W 4 V\r\n"},
      {"RoundCap", [&](GPostScript& g) { GCap cap(1, &id); g.SetLineCap(&cap); }, "2 AH\r\n"},
      {"MiterJoin",
       [&](GPostScript& g) {
         GMiterJoint join(4.9f, &id);
         g.SetMiterJoin(&join);
       },
       "4 AJ\r\n0 AI\r\n"},
      {"EvenOddFill", [&](GPostScript& g) { GFillMode f(0, &id); g.SetFillMode(&f); }, "1 T\r\n"},
      {"TransparentRop",
       [&](GPostScript& g) {
         GRasterOperation rop(0xA0B8, kRopExtended, &id);
         g.SetRasterOperation(&rop);
       },
       "184 R3 1 Z\r\n"},
      {"ClipRectangle",
       [&](GPostScript& g) {
         GClipToSingleRectangle clip(GRect(10, 20, 30, 60), kClipInside, kClipWinding, &id);
         g.ClipToRectangle(&clip);
       },
       "1 U 0 e 20 40 10 20 CB\r\n"},
      {"NoBrushAndPen",
       [](GPostScript& g) {
         g.SetNoBrush(nullptr);
         g.SetNoPen(nullptr);
       },
       "E\r\nI\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PsDrawn(c.apply), c.expected);
  }
}

TEST(PostScriptDrawTest, DeviceTransformPutsThePageOnTheSheet) {
  struct Case {
    uint8_t orientation;
    int32_t keepPortrait;
    const char* expected;
  };
  const Case cases[] = {
      {0, 0, "AF\r\n0 792 AE\r\n.1200 -.1200 AC\r\n"},
      {1, 0, "AF\r\n0 612 AE\r\n.1200 -.1200 AC\r\n"},
      {1, 1, "AF\r\n90 AD\r\n.1200 -.1200 AC\r\n"},
      {2, 0, "AF\r\n612 0 AE\r\n180 AD\r\n.1200 -.1200 AC\r\n"},
      {3, 0, "AF\r\n792 0 AE\r\n180 AD\r\n.1200 -.1200 AC\r\n"},
      // The turn by 270 degrees is moved by the page size.
      {3, 1, "AF\r\n612 792 AE\r\n270 AD\r\n.1200 -.1200 AC\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.orientation) << " " << c.keepPortrait);
    EXPECT_EQ(PsWritten([&](PSLIB& w) {
                w.SetResolution(600, 600);
                w.SetKeepPortrait(c.keepPortrait);
                w.SetOrientation(c.orientation);
                w.SetPageSize(612, 792);
                w.WriteDeviceTransform();
              }),
              c.expected);
  }
}

// ---- Rendered pages ----

// An 8-bit gray bitmap without palette: the left half black, the right
// half of the given gray.
GBitmap PsHalfAndHalf(int16_t width, int16_t height, uint8_t right) {
  GBitmapDescription d;
  d.bounds = GRect(0, 0, width, height);
  d.bitsPerPixel = 8;
  d.rowAlignment = 1;
  d.dataLength = static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
  d.data = new uint8_t[d.dataLength];
  for (int16_t y = 0; y < height; ++y)
    for (int16_t x = 0; x < width; ++x) d.data[y * width + x] = x < width / 2 ? 0 : right;
  return GBitmap(d);
}

// The reference drawing in device pixels (600 dpi), inside 4200 by 4800
// so that it fits a Letter page either way round: a filled rectangle, a
// triangle, an ellipse, a clipped rectangle, a dashed line and an image.
void PsDrawReferencePage(GPostScript& g) {
  const int32_t id = 0;
  g.SetNoPen(nullptr);
  g.SetBrushColor(PsHeldGray(0).get());
  GRectangleGraphic rect(GRect(600, 600, 1800, 1200), nullptr, nullptr);
  g.DrawRectangle(&rect);

  std::unique_ptr<GPointList> three(qvtest::OwnedPoints({{2400, 600}, {3600, 600}, {2400, 1800}}));
  GPolygonGraphic triangle(*three, nullptr, nullptr);
  g.DrawPolygon(&triangle);

  GRectangleGraphic ellipse(GRect(600, 2400, 1800, 3600), nullptr, nullptr);
  g.DrawEllipse(&ellipse);

  GClipToSingleRectangle clip(GRect(2400, 2400, 3000, 3000), kClipInside, kClipWinding, &id);
  g.ClipToRectangle(&clip);
  GRectangleGraphic clipped(GRect(2400, 2400, 4200, 3600), nullptr, nullptr);
  g.DrawRectangle(&clipped);
  GClipToPage page(&id);
  g.ClipToPage(&page);

  g.SetNoBrush(nullptr);
  GDashedPen dashed(new int16_t[2]{300, 300}, 2, 60, PsGray(0), 0, nullptr);
  g.SetDashedPen(&dashed);
  // A straight open curve: stroked once, so its gaps stay gaps.
  std::unique_ptr<GPointList> line(qvtest::OwnedPoints({{600, 3900}, {1800, 3900}, {3000, 3900}, {4200, 3900}}));
  GPolyBezierGraphic straight(*line, nullptr, nullptr);
  g.DrawPolyBezier(&straight);
  g.SetNoPen(nullptr);

  GRasterGraphic image(PsHalfAndHalf(64, 32, 255), nullptr, GRect(0, 0, 64, 32), GRect(600, 4200, 3000, 4800),
                       GBitmap());
  g.DrawRaster(&image);
}

// Where a device pixel of the drawing lands on the rendered page (72 dpi)
// for the orientation code and keep-portrait value.
struct PsLanding {
  int x;
  int y;
};
PsLanding PsLand(int dx, int dy, int orientation, int keepPortrait, int pageWidth, int pageHeight) {
  const int x = dx * 72 / 600;
  const int y = dy * 72 / 600;
  switch (orientation) {
    case 1:
      // Turned a quarter left: the drawing's top runs up the sheet's left
      // edge.
      return keepPortrait != 0 ? PsLanding{y, pageHeight - x} : PsLanding{x, y};
    case 2:
      return {pageWidth - x, pageHeight - y};
    case 3:
      return keepPortrait != 0 ? PsLanding{pageWidth - y, x} : PsLanding{pageWidth - x, pageHeight - y};
    default:
      return {x, y};
  }
}

TEST(PostScriptDrawTest, TheReferencePageRendersInEveryOrientationAndEncoding) {
  const std::string gs = qvtest::PostScriptInterpreter();
  ASSERT_FALSE(gs.empty()) << qvtest::kNoPostScriptInterpreter;
  using namespace GFeatureIds;
  struct Case {
    const char* name;
    int16_t degrees;
    int keepPortrait;
    std::vector<std::pair<int32_t, int16_t>> settings;
    bool pageTransform = true;
  };
  const Case cases[] = {
      // Without a page transform of its own the page gets the device's.
      {"PortraitHexWithoutPageTransform", 0, 0, {}, false},
      {"LandscapeAscii85RunLength", 90, 0, {{kPsAscii85, 1}}},
      {"TurnedBinary", 180, 0, {{kPsBinaryTransferOff, 0}}},
      {"LandscapeTurnedBinaryRunLength", 270, 0, {{kPsBinaryTransferOff, 0}, {kPsAscii85, 2}}},
      {"KeepPortraitLandscape", 90, 1, {{kPsKeepPortrait, 1}}},
      {"KeepPortraitLandscapeTurned", 270, 1, {{kPsKeepPortrait, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PsDrawJob job(c.degrees, c.settings, nullptr, c.pageTransform);
    PsDrawReferencePage(job.g());
    const std::string out = job.Finish();
    const qvtest::RenderedJob rendered =
        qvtest::RenderPostScript(gs, qvtest::UnwrapPostScriptJob(out), std::string("draw_") + c.name, 72);
    EXPECT_EQ(rendered.status, 0) << rendered.errors;
    EXPECT_EQ(rendered.errors.find("Error"), std::string::npos) << rendered.errors;
    ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
    const qvtest::GrayPage& p = rendered.pages[0];
    const int code = c.degrees / 90;
    const bool landscape = (code == 1 || code == 3) && c.keepPortrait == 0;
    EXPECT_EQ(p.width, landscape ? 792 : 612);
    EXPECT_EQ(p.height, landscape ? 612 : 792);
    auto at = [&](int dx, int dy) {
      const PsLanding l = PsLand(dx, dy, code, c.keepPortrait, p.width, p.height);
      return p.At(l.x, l.y);
    };
    struct Sample {
      const char* what;
      int dx;
      int dy;
      bool dark;
    };
    const Sample samples[] = {
        {"rectangle", 1200, 900, true},      {"beside the rectangle", 1200, 1400, false},
        {"triangle", 2600, 800, true},       {"beyond the diagonal", 3400, 1600, false},
        {"ellipse centre", 1200, 3000, true}, {"ellipse corner", 680, 2480, false},
        {"inside the clip", 2700, 2700, true}, {"clipped away", 3600, 3300, false},
        {"first dash", 750, 3900, true},     {"first gap", 1050, 3900, false},
        {"second dash", 1350, 3900, true},   {"image black half", 1200, 4500, true},
        {"image white half", 2400, 4500, false},
    };
    for (const Sample& s : samples) EXPECT_EQ(at(s.dx, s.dy) < 128, s.dark) << s.what;
  }
}

// The share of dark pixels in a rectangle of the page (points from the top
// left corner).
double PsDarkShare(const qvtest::GrayPage& page, int left, int top, int right, int bottom) {
  size_t dark = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) dark += page.Dark(x, y) ? 1 : 0;
  return static_cast<double>(dark) / ((right - left) * (bottom - top));
}

// A 24-bit top-down bitmap: the left half black, the right half white.
GBitmap PsWideColourImage(int16_t width, int16_t height) {
  GBitmapDescription d;
  d.bounds = GRect(0, 0, width, height);
  d.bitsPerPixel = 24;
  d.rowAlignment = 1;
  d.componentOrder = 1;
  d.dataLength = static_cast<uint32_t>(width) * 3 * static_cast<uint32_t>(height);
  d.data = new uint8_t[d.dataLength];
  for (int16_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width * 3; ++x) d.data[y * width * 3 + x] = x < width * 3 / 2 ? 0 : 255;
  return GBitmap(d);
}

TEST(PostScriptDrawTest, RowsOfMoreThanABlockGrowTheBlockAndRender) {
  using namespace GFeatureIds;
  // 6000 pixels of 24 bits are 18000 bytes a row: more than one block.
  struct Case {
    const char* name;
    std::vector<std::pair<int32_t, int16_t>> settings;
  };
  const Case cases[] = {
      {"Hexadecimal", {{kPrintColorAsGray, 0}}},
      {"Ascii85RunLength", {{kPrintColorAsGray, 0}, {kPsAscii85, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PsDrawJob job(0, c.settings);
    ASSERT_EQ(job.g().GetColourMode(), 1);
    GRasterGraphic image(PsWideColourImage(6000, 3), nullptr, GRect(0, 0, 6000, 3), GRect(600, 600, 4200, 1200),
                         GBitmap());
    EXPECT_EQ(job.g().DrawRaster(&image), 0);
    const std::string out = job.Finish();
    EXPECT_NE(out.find("1 AK\r\n600 600 Q\r\n0 h 8 i 6000 j 3 k 3600 600 g AP"), std::string::npos);
    const qvtest::RenderedJob rendered = qvtest::RenderPostScriptJob(out, std::string("wide_") + c.name);
    ASSERT_EQ(rendered.pages.size(), 1u);
    EXPECT_GT(PsDarkShare(rendered.pages[0], 80, 80, 280, 140), 0.95) << "the black half";
    EXPECT_LT(PsDarkShare(rendered.pages[0], 300, 80, 500, 140), 0.05) << "the white half";
    EXPECT_EQ(PsDarkShare(rendered.pages[0], 0, 150, 612, 792), 0.0) << "nothing below the image";
  }
}

TEST(PostScriptDrawTest, GrayImagesAreDitheredWithTheJobsMatrixAndKeepTheirTone) {
  auto* configuration = new GConfiguration;
  auto* matrices = new MPersistentComposite(GFeatureIds::kDitherMatrixList);
  const uint8_t thresholds[16] = {8, 136, 40, 168, 200, 72, 232, 104, 56, 184, 24, 152, 248, 120, 216, 88};
  // The first matrix of the job's resolution is taken, not the first one.
  matrices->AddChild(new GDitherMatrix(4, 4, thresholds, 300, nullptr));
  matrices->AddChild(new GDitherMatrix(4, 4, thresholds, 600, nullptr));
  configuration->AddChild(matrices);
  PsDrawJob job(0, {}, configuration);
  ASSERT_NE(job.g().GetDitherMatrix(), nullptr);
  EXPECT_EQ(job.g().GetDitherMatrix()->GetResolution(), 600);
  // Black on the left, middle gray on the right, one source pixel to a
  // device pixel so that the dither is the printer's.
  GRasterGraphic image(PsHalfAndHalf(1200, 600, 128), nullptr, GRect(0, 0, 1200, 600), GRect(600, 600, 1800, 1200),
                       GBitmap());
  EXPECT_EQ(job.g().DrawRaster(&image), 0);
  const std::string out = job.Finish();
  EXPECT_NE(out.find("0 8 <00FF> AL"), std::string::npos) << "a black and white palette";
  EXPECT_NE(out.find("1 h 1 i 1200 j 600 k 1200 600 g AP"), std::string::npos) << "one bit a pixel";
  const qvtest::RenderedJob rendered = qvtest::RenderPostScriptJob(out, "dithered");
  ASSERT_EQ(rendered.pages.size(), 1u);
  EXPECT_GT(PsDarkShare(rendered.pages[0], 74, 74, 142, 142), 0.95);
  const double middle = PsDarkShare(rendered.pages[0], 146, 74, 214, 142);
  EXPECT_GT(middle, 0.3) << "the gray half is about half dark";
  EXPECT_LT(middle, 0.7);
  // A copy of the generator, and one assigned from it, keep the job's
  // matrix (a later job without a matching one goes on with it).
  GPostScript copy(job.g());
  EXPECT_EQ(copy.GetDitherMatrix(), job.g().GetDitherMatrix());
  GPostScript assigned;
  assigned = job.g();
  EXPECT_EQ(assigned.GetDitherMatrix(), job.g().GetDitherMatrix());
}

// Eight by eight, one bit: the left half of each row black, the right half
// white.
GBitmap PsStripeCell() {
  GBitmapDescription d;
  d.bounds = GRect(0, 0, 8, 8);
  d.bitsPerPixel = 1;
  d.rowAlignment = 1;
  d.dataLength = 8;
  d.data = new uint8_t[8];
  std::fill(d.data, d.data + 8, 0x0F);
  GRGBColor black(0, 0, 0, 255), white(255, 255, 255, 255);
  d.palette = new GPaletteTable(std::vector<GColor*>{&black, &white});
  return GBitmap(d);
}

TEST(PostScriptDrawTest, APatternBitmapFillsAShapeWithItsCell) {
  PsDrawJob job;
  const GBitmap cell = PsStripeCell();
  job.g().SetNoPen(nullptr);
  EXPECT_EQ(job.g().DefinePatternBitmap(cell, 0, 1, 1), 1);
  job.g().Writer().WriteOperator("G", true);
  GRectangleGraphic rect(GRect(600, 600, 1800, 1800), nullptr, nullptr);
  job.g().DrawRectangle(&rect);
  EXPECT_EQ(job.g().DefinePatternBitmap(GBitmap(), 0, 0, 1), 0) << "an empty bitmap defines nothing";
  const std::string out = job.Finish();
  // Device scaling at 600 dpi makes the cell four times as large.
  EXPECT_NE(out.find("0 8 <00FF> AL\r\n0 0 Q\r\n1 h 1 i 0 m 8 j 8 k 32 32 g AM\r\n0 8 0 1 AN\r\n8 l "),
            std::string::npos);
  const qvtest::RenderedJob rendered = qvtest::RenderPostScriptJob(out, "pattern");
  ASSERT_EQ(rendered.pages.size(), 1u);
  const double inside = PsDarkShare(rendered.pages[0], 74, 74, 214, 214);
  EXPECT_GT(inside, 0.3);
  EXPECT_LT(inside, 0.7);
  EXPECT_EQ(PsDarkShare(rendered.pages[0], 220, 0, 612, 792), 0.0) << "nothing outside the rectangle";
  EXPECT_EQ(PsDarkShare(rendered.pages[0], 0, 220, 220, 792), 0.0) << "nothing outside the rectangle";
}

TEST(PostScriptDrawTest, CommandsPassThroughTheChildrenInTheirOrder) {
  PsJobDriver job;
  auto* child = new qvtest::RecordingPeripheral;
  job.generator.AddChild(child);
  ASSERT_EQ(job.Start(), 0);
  ASSERT_EQ(job.PageStart(qvtest::PsPageSettings(qvtest::PsLetter())), 0);
  // A page end goes to the children first: a child that fails it keeps the
  // generator from ending the page.
  child->SetResult("PageEnd", 9);
  EXPECT_EQ(job.PageEnd(), 9);
  job.generator.Writer().Flush();
  EXPECT_EQ(job.Output().find("(%%[Page: 1]%%)"), std::string::npos);
  child->SetResult("PageEnd", 0);
  EXPECT_EQ(job.PageEnd(), 0);
  // Other commands reach the generator first: the child's failure comes
  // after the page was set up.
  child->SetResult("PageStart", 7);
  EXPECT_EQ(job.PageStart(qvtest::PsPageSettings(qvtest::PsLetter())), 7);
  job.generator.Writer().Flush();
  EXPECT_NE(job.Output().find("%%Page: 2 2"), std::string::npos);
  const std::vector<std::string> seen = child->Operations();
  EXPECT_NE(std::find(seen.begin(), seen.end(), "DocumentStart"), seen.end());
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "PageEnd"), 2);
  job.End();
}

TEST(PostScriptDrawTest, AColourJobChoosesTheColourSpaceByWhatTheImageHolds) {
  using namespace GFeatureIds;
  struct Case {
    const char* name;
    GBitmap bitmap;
    const char* expected;
  };
  auto palette = [](std::vector<GColor*> colours) {
    GBitmapDescription d;
    d.bounds = GRect(0, 0, 8, 2);
    d.bitsPerPixel = 1;
    d.rowAlignment = 1;
    d.dataLength = 2;
    d.data = new uint8_t[2]{0x0F, 0xF0};
    d.palette = new GPaletteTable(colours);
    return GBitmap(d);
  };
  GRGBColor black(0, 0, 0, 255), white(255, 255, 255, 255), red(255, 0, 0, 255);
  const Case cases[] = {
      {"GrayPalette", palette({&black, &white}), "0 8 <00FF> AL\r\n"},
      {"ColourPalette", palette({&red, &white}), "1 8 <FF0000FFFFFF> AL\r\n"},
      {"GrayRows", PsHalfAndHalf(8, 2, 255), "0 AK\r\n"},
      {"ColourRows", PsWideColourImage(8, 2), "1 AK\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PsDrawJob job(0, {{kPrintColorAsGray, 0}});
    job.g().Writer().Flush();
    const size_t before = job.job.Output().size();
    GRasterGraphic image(c.bitmap, nullptr, GRect(0, 0, 8, 2), GRect(100, 100, 180, 120), GBitmap());
    EXPECT_EQ(job.g().DrawRaster(&image), 0);
    job.g().Writer().Flush();
    const std::string drawn = job.job.Output().substr(before);
    EXPECT_NE(drawn.find(std::string(c.expected) + "100 100 Q\r\n"), std::string::npos) << drawn;
  }
  // A colour brush keeps its colour.
  PsDrawJob job(0, {{kPrintColorAsGray, 0}});
  job.g().Writer().Flush();
  const size_t before = job.job.Output().size();
  std::unique_ptr<GColorPaint> paint(new GColorPaint(new GRGBColor(255, 0, 0, 255)));
  job.g().SetBrushColor(paint.get());
  job.g().Writer().Flush();
  EXPECT_EQ(job.job.Output().substr(before), "1 AK\r\n255 0 0 H\r\n");
}

TEST(PostScriptDrawTest, ImagesAreCutToThePageAsItLiesAndToTheClip) {
  const int32_t id = 0;
  struct Case {
    const char* name;
    int16_t degrees;
    bool clip;
    GRect destination;
    const char* expected;  // null: nothing written
  };
  // The Letter medium's printable extent is 4800 by 6300 pixels.
  const Case cases[] = {
      {"BeyondThePortraitWidth", 0, false, GRect(5000, 600, 6000, 1200), nullptr},
      {"AcrossALandscapePage", 90, false, GRect(5000, 600, 6000, 1200), "5000 600 Q"},
      {"CutAtThePageEdge", 0, false, GRect(4000, 600, 5600, 1200), "4000 600 Q\r\n0 h 8 i 32 j 2 k 800 600 g AP"},
      {"OutsideTheClip", 0, true, GRect(3000, 3000, 3600, 3600), nullptr},
      {"InsideTheClip", 0, true, GRect(600, 600, 1200, 1200), "600 600 Q"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PsDrawJob job(c.degrees);
    if (c.clip) {
      job.g().GetStateSection(GFeatureIds::kGraphicsState)
          ->AddChild(new GClipToSingleRectangle(GRect(0, 0, 2000, 2000), kClipInside, kClipWinding, &id));
    }
    job.g().Writer().Flush();
    const size_t before = job.job.Output().size();
    GRasterGraphic image(PsHalfAndHalf(64, 2, 255), nullptr, GRect(0, 0, 64, 2), c.destination, GBitmap());
    EXPECT_EQ(job.g().DrawRaster(&image), 0);
    job.g().Writer().Flush();
    const std::string drawn = job.job.Output().substr(before);
    if (c.expected == nullptr) {
      EXPECT_EQ(drawn.find(" AP"), std::string::npos) << drawn;
    } else {
      EXPECT_NE(drawn.find(c.expected), std::string::npos) << drawn;
    }
  }
}

}  // namespace

namespace {



TEST(PostScriptDrawTest, PatternBrushesAndPensPaintWithTheirTiles) {
  PsDrawJob job;
  auto* tile = new qvtest::TilePaint(PsStripeCell(), 1, 1);
  GCountedRef heldTile(tile);
  // A rectangle filled with the pattern brush, without a pen.
  job.g().SetNoPen(nullptr);
  GBrush brush(tile->Clone(), nullptr);
  job.g().SetBrush(&brush);
  GRectangleGraphic filled(GRect(600, 600, 1800, 1800), nullptr, nullptr);
  job.g().DrawRectangle(&filled);
  // A rectangle outlined with a wide pattern pen, without a brush.
  job.g().SetNoBrush(nullptr);
  GPen pen(240, tile->Clone(), nullptr);
  job.g().SetPen(&pen);
  GRectangleGraphic outlined(GRect(2400, 600, 3600, 1800), nullptr, nullptr);
  job.g().DrawRectangle(&outlined);
  // A paint that is no pattern falls back to none.
  GColorPaint plain(new GRGBColor(0, 0, 0, 255));
  job.g().Writer().Flush();
  const size_t before = job.job.Output().size();
  job.g().SetBrushPattern(&plain);
  job.g().Writer().Flush();
  EXPECT_EQ(job.job.Output().substr(before), "E\r\n");
  const std::string out = job.Finish();
  EXPECT_NE(out.find("AO\r\nG\r\n"), std::string::npos);
  EXPECT_NE(out.find("AO\r\nK\r\n"), std::string::npos) << "the pen takes the pattern itself";

  const qvtest::RenderedJob rendered = qvtest::RenderPostScriptJob(out, "pattern_paints");
  ASSERT_EQ(rendered.pages.size(), 1u);
  const qvtest::GrayPage& page = rendered.pages[0];
  // 600 dpi to 72: a factor of 0.12.
  const double fill = PsDarkShare(page, 76, 76, 214, 214);
  EXPECT_GT(fill, 0.3);
  EXPECT_LT(fill, 0.7);
  // The pen's band along the left edge of the second rectangle is striped
  // too, and the rectangle's inside stays white.
  const double band = PsDarkShare(page, 282, 90, 294, 200);
  EXPECT_GT(band, 0.3);
  EXPECT_LT(band, 0.7);
  EXPECT_EQ(PsDarkShare(page, 310, 100, 410, 190), 0.0);
}

}  // namespace

namespace {

// An 8-bit gray bitmap whose data is packed: the expanded size (32 bits,
// low byte first) and the LZW-packed pixels; a packed bitmap keeps a
// compression code the run-length decoder leaves alone.
GBitmap PsPackedGray(int16_t width, int16_t height, bool damaged) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
  for (int16_t y = 0; y < height; ++y)
    for (int16_t x = 0; x < width; ++x) pixels[static_cast<size_t>(y) * width + x] = x < width / 2 ? 0 : 255;
  std::vector<uint8_t> packed(pixels.size() + 64);
  GMemoryByteSource in(pixels.data(), pixels.size());
  GMemoryByteSink out(packed.data(), packed.size());
  GLZWCompressor lzw;
  EXPECT_EQ(lzw.Compress(in, out), 1);
  const uint32_t size = static_cast<uint32_t>(pixels.size());
  GBitmapDescription d;
  d.bounds = GRect(0, 0, width, height);
  d.bitsPerPixel = 8;
  d.rowAlignment = 1;
  d.compression = 3;
  d.dataLength = static_cast<uint32_t>(out.Length()) + 4;
  d.data = new uint8_t[d.dataLength];
  d.data[0] = static_cast<uint8_t>(size);
  d.data[1] = static_cast<uint8_t>(size >> 8);
  d.data[2] = static_cast<uint8_t>(size >> 16);
  d.data[3] = static_cast<uint8_t>(size >> 24);
  std::copy(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(out.Length()), d.data + 4);
  // A damaged size is not believed: the bitmap goes on as it is stored.
  if (damaged) d.data[3] = 0x7F;
  std::vector<GColor*> grays;
  std::vector<std::unique_ptr<GRGBColor>> held;
  for (int i = 0; i < 256; ++i) {
    held.push_back(std::make_unique<GRGBColor>(i, i, i, 255));
    grays.push_back(held.back().get());
  }
  d.palette = new GPaletteTable(grays);
  return GBitmap(d);
}

TEST(PostScriptDrawTest, PackedBitmapsAreExpandedBeforeTheyAreDrawn) {
  PsDrawJob job;
  GRasterGraphic image(PsPackedGray(200, 100, false), nullptr, GRect(0, 0, 200, 100), GRect(600, 600, 1800, 1200),
                       GBitmap());
  EXPECT_EQ(job.g().DrawRaster(&image), 0);
  // What does not expand draws without a fault (its pixels are whatever the
  // stored bytes say).
  GRasterGraphic damaged(PsPackedGray(200, 100, true), nullptr, GRect(0, 0, 200, 100), GRect(600, 3000, 1800, 3600),
                         GBitmap());
  EXPECT_EQ(job.g().DrawRaster(&damaged), 0);
  const std::string out = job.Finish();
  const qvtest::RenderedJob rendered = qvtest::RenderPostScriptJob(out, "packed");
  ASSERT_EQ(rendered.pages.size(), 1u);
  // 600 dpi to 72: the image spans 72 to 216 across and 72 to 144 down.
  EXPECT_GT(PsDarkShare(rendered.pages[0], 76, 76, 140, 140), 0.95) << "the black half";
  EXPECT_LT(PsDarkShare(rendered.pages[0], 148, 76, 212, 140), 0.05) << "the white half";
}

}  // namespace
