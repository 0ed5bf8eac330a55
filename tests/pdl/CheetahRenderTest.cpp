// The PCL XL generator's jobs judged by an independent interpreter: the job
// parses without error, every page comes out at the size and orientation
// of its medium, and filled shapes, clipped shapes, dashed lines and 1-, 8-
// and 24-bit images (uncompressed, run-length, delta rows, JPEG) put ink
// where they belong and nowhere else.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/GBrush.h"
#include "graphics/GClip.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GPaint.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GPen.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GShapeGraphic.h"
#include "model/MPersistentComposite.h"
#include "model/GGraphicBundle.h"
#include "support/GraphicsObjectSamples.h"
#include "support/PclInterpreter.h"
#include "support/XLStreamTestSupport.h"
#include "support/XlJobDriver.h"
#include "w32test/Testing.h"

namespace {

using qvtest::XlJobDriver;
using qvtest::XlPageSettings;

// Rendering resolution of the checks: 1 page pixel = 6 device pixels.
constexpr int kRenderDpi = 100;
constexpr int kRenderScale = 600 / kRenderDpi;

GColorPaint* XlRenderPaint(uint8_t gray) { return new GColorPaint(new GRGBColor(gray, gray, gray, 255)); }

// A bundle that fills with black and strokes nothing.
GGraphicBundle* XlFillBundle() {
  auto* bundle = new GGraphicBundle;
  bundle->SetBrush(new GBrush(XlRenderPaint(0), nullptr));
  bundle->SetPen(new GNoPen(nullptr));
  return bundle;
}

// A bundle that strokes with a black dashed pen of the width and fills
// nothing.
GGraphicBundle* XlDashBundle(int16_t width) {
  auto* bundle = new GGraphicBundle;
  bundle->SetBrush(new GNoBrush(nullptr));
  bundle->SetPen(new GDashedPen(new int16_t[2]{120, 120}, 2, width, XlRenderPaint(0), 0, nullptr));
  return bundle;
}

GRectangleGraphic* XlFilledRect(const GRect& box) { return new GRectangleGraphic(box, XlFillBundle(), nullptr); }

// Whether the page pixel at the point of the logical page (600 dpi) is
// dark. The sheet comes out portrait; a landscape page lies on it turned,
// its x running up the sheet from the bottom and its y across from the left.
bool XlDarkAt(const qvtest::GrayPage& page, int x, int y, bool landscape = false) {
  if (landscape) return page.Dark(y / kRenderScale, page.height - 1 - x / kRenderScale);
  return page.Dark(x / kRenderScale, y / kRenderScale);
}

class CheetahRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    interpreter = qvtest::PclInterpreter();
    ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  }
  qvtest::RenderedJob Render(const std::string& job, const std::string& name) {
    return qvtest::RenderPcl(interpreter, job, name, kRenderDpi);
  }
  std::string interpreter;
};

// Draws, on one page of the driver, a filled rectangle, a clipped filled
// rectangle (only its part inside the clip shows), a polygon path, and a
// dashed horizontal line; the positions lie inside the smaller of Letter
// and A4 in either orientation.
void DrawXlSampleShapes(XlJobDriver& job) {
  EXPECT_EQ(job.Draw(XlFilledRect(GRect(600, 600, 1200, 1200))), 0);

  // A rectangle of 1800..2400 by 600..1200, clipped to 1800..2100.
  auto* clipped = XlFilledRect(GRect(1800, 600, 2400, 1200));
  clipped->GetSettings()->AddChild(new GClipToSingleRectangle(GRect(1800, 0, 2100, 3000), kClipInside, kClipEvenOdd, nullptr));
  EXPECT_EQ(job.Draw(clipped), 0);
  // Back to the whole page for what follows.
  auto* whole = XlFilledRect(GRect(600, 1800, 1200, 2400));
  whole->GetSettings()->AddChild(new GClipToPage(nullptr));
  EXPECT_EQ(job.Draw(whole), 0);

  // A closed triangle as a path of a polygon: (1800,1800) (2400,1800)
  // (1800,2400).
  auto* path = new GPathGraphic(XlFillBundle(), nullptr);
  std::unique_ptr<GPointList> points(qvtest::OwnedPoints({{1800, 1800}, {2400, 1800}, {1800, 2400}}));
  path->AddChild(new GPolygonGraphic(*points, nullptr, nullptr));
  path->Close();
  path->GetSettings()->AddChild(new GClipToPage(nullptr));
  EXPECT_EQ(job.Draw(path), 0);

  // A dashed line at y 3000 from x 600 to 3000: dashes of 120 on, 120 off.
  std::unique_ptr<GPointList> line(qvtest::OwnedPoints({{600, 3000}, {1400, 3000}, {2200, 3000}, {3000, 3000}}));
  auto* polyline = new GPolyBezierGraphic(*line, XlDashBundle(24), nullptr);
  polyline->GetSettings()->AddChild(new GClipToPage(nullptr));
  EXPECT_EQ(job.Draw(polyline), 0);
}

// A black 64 x 64 image of the depth: 1 bit (two-colour palette), 8 bits
// (gray palette) or 24 bits.
GBitmap XlBlackImage(uint8_t bits) {
  const uint32_t rowBytes = (bits * 64u + 7) / 8;
  GBitmapDescription d;
  d.dataLength = rowBytes * 64;
  d.data = new uint8_t[d.dataLength]();
  d.bounds = GRect(0, 0, 64, 64);
  d.bitsPerPixel = bits;
  if (bits != 24) {
    std::vector<GColor*> colours{new GRGBColor(0, 0, 0, 255), new GRGBColor(255, 255, 255, 255)};
    d.palette = new GPaletteTable(colours);
    for (GColor* c : colours) delete c;
  }
  return GBitmap(d);
}

// Three images, 1, 8 and 24 bits, side by side below the shapes: at x 600,
// 1800 and 3000, y 3600 to 4200.
void DrawXlSampleImages(XlJobDriver& job) {
  const uint8_t depths[3] = {1, 8, 24};
  for (int i = 0; i < 3; ++i) {
    const auto left = static_cast<int16_t>(600 + i * 1200);
    auto* image = new GRasterGraphic(XlBlackImage(depths[i]), new GGraphicBundle, GRect(0, 0, 64, 64),
                                     GRect(left, 3600, static_cast<int16_t>(left + 600), 4200), GBitmap());
    image->GetSettings()->AddChild(new GClipToPage(nullptr));
    EXPECT_EQ(job.Draw(image), 0);
  }
}

void CheckXlSampleImages(const qvtest::GrayPage& page, const std::string& which, bool landscape) {
  SCOPED_TRACE(which);
  auto dark = [&](int x, int y) { return XlDarkAt(page, x, y, landscape); };
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const int left = 600 + i * 1200;
    EXPECT_TRUE(dark(left + 300, 3900)) << "inside the image";
    EXPECT_TRUE(dark(left + 60, 3660)) << "near its top left corner";
    EXPECT_FALSE(dark(left - 120, 3900)) << "left of it";
    EXPECT_FALSE(dark(left + 720, 3900)) << "right of it";
    EXPECT_FALSE(dark(left + 300, 4320)) << "below it";
  }
}

void CheckXlSampleShapes(const qvtest::GrayPage& page, const std::string& which, bool landscape) {
  SCOPED_TRACE(which);
  auto dark = [&](int x, int y) { return XlDarkAt(page, x, y, landscape); };
  EXPECT_TRUE(dark(900, 900)) << "inside the filled rectangle";
  EXPECT_FALSE(dark(450, 900)) << "left of the filled rectangle";
  EXPECT_FALSE(dark(1350, 900)) << "right of the filled rectangle";
  EXPECT_TRUE(dark(1950, 900)) << "inside the clip";
  EXPECT_FALSE(dark(2250, 900)) << "clipped away";
  EXPECT_TRUE(dark(900, 2100)) << "after the clip went back to the page";
  EXPECT_TRUE(dark(1900, 1900)) << "inside the triangle";
  EXPECT_FALSE(dark(2300, 2300)) << "outside the triangle's slanted side";
  // The dashes: on at 600..720, off at 720..840, on at 840..960.
  EXPECT_TRUE(dark(660, 3000)) << "first dash";
  EXPECT_FALSE(dark(780, 3000)) << "first gap";
  EXPECT_TRUE(dark(900, 3000)) << "second dash";
  EXPECT_FALSE(dark(660, 3100)) << "below the line";
}

TEST_F(CheetahRenderTest, TwoPagesOnLetterAndA4InBothOrientationsRenderWhereTheyBelong) {
  // Each job in another render mode, so that the images go out in every
  // compression: none, run-length, delta rows and (the 24-bit image in
  // colour) JPEG.
  struct Case {
    const char* name;
    const qvtest::XlPaper* paper;
    int16_t orientation;
    int16_t renderMode;
    bool colour;
    uint8_t compression;  // of the 24-bit image
  } cases[] = {
      {"letter_portrait", &qvtest::kXlLetter, 0, 0, false, 0},
      {"letter_landscape", &qvtest::kXlLetter, 90, 1, false, 1},
      {"a4_portrait", &qvtest::kXlA4, 0, 4, true, 3},
      {"a4_landscape", &qvtest::kXlA4, 90, 512, true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* configuration = qvtest::XlConfiguration();
    configuration->AddChild(new GValueAttribute(2, &GFeatureIds::kXLProtocolClass));
    configuration->AddChild(new GValueAttribute(1, &GFeatureIds::kXLProtocolRevision));
    XlJobDriver job(configuration);
    job.SetJobValue(GFeatureIds::kXLRenderMode, c.renderMode);
    job.SetJobValue(GFeatureIds::kPrintColorAsGray, c.colour ? 0 : 1);
    ASSERT_EQ(job.Start(), 0);
    XlPageSettings settings;
    settings.paper = c.paper;
    settings.orientation = c.orientation;
    for (int page = 0; page < 2; ++page) {
      ASSERT_EQ(job.StartPage(settings), 0);
      DrawXlSampleShapes(job);
      DrawXlSampleImages(job);
      ASSERT_EQ(job.EndPage(), 0);
    }
    ASSERT_EQ(job.End(), 0);

    // ReadImage with the compression: CompressMode ubyte, then the operator.
    const std::string readImage = std::string("\xC0", 1) + static_cast<char>(c.compression) + "\xF8\x65\xB1";
    EXPECT_NE(job.StreamBytes().find(readImage), std::string::npos);

    const qvtest::RenderedJob rendered = Render(job.Bytes(), c.name);
    EXPECT_EQ(rendered.status, 0) << rendered.errors;
    EXPECT_EQ(rendered.errors.find("rror"), std::string::npos) << rendered.errors;
    ASSERT_EQ(rendered.pages.size(), 2u) << rendered.errors;
    // The sheet is the medium's, portrait; the orientation turns the
    // drawing on it.
    for (const qvtest::GrayPage& page : rendered.pages) {
      EXPECT_NEAR(page.width, c.paper->width / kRenderScale, 2);
      EXPECT_NEAR(page.height, c.paper->height / kRenderScale, 2);
      CheckXlSampleShapes(page, c.name, c.orientation == 90);
      CheckXlSampleImages(page, c.name, c.orientation == 90);
    }
  }
}

// Every page has a medium: one without PageMedia comes out on Letter, a
// custom size by its size in inches (the interpreter reads the real32 pair),
// also when the device model cannot name the paper.
TEST_F(CheetahRenderTest, PagesWithoutANamedMediumStillComeOutAtTheirSize) {
  struct Case {
    const char* name;
    bool paperNames;
    const qvtest::XlPaper* paper;  // null: no PageMedia
    int16_t orientation;
    int width;  // the sheet at 100 dpi
    int height;
  } cases[] = {
      {"no_medium", true, nullptr, 0, 850, 1100},
      {"custom_portrait", true, &qvtest::kXlLegalCustom, 0, 850, 1400},
      {"custom_landscape", true, &qvtest::kXlLegalCustom, 90, 850, 1400},
      {"unnamed_letter", false, &qvtest::kXlLetter, 0, 850, 1100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    XlJobDriver job(qvtest::XlConfiguration(c.paperNames));
    ASSERT_EQ(job.Start(), 0);
    XlPageSettings settings;
    settings.paper = c.paper;
    settings.orientation = c.orientation;
    ASSERT_EQ(job.StartPage(settings), 0);
    EXPECT_EQ(job.Draw(XlFilledRect(GRect(600, 600, 1200, 1200))), 0);
    // Near the far corner of the logical page.
    const bool turned = c.orientation == 90;
    const int16_t farX = static_cast<int16_t>((turned ? c.height : c.width) * kRenderScale - 600);
    const int16_t farY = static_cast<int16_t>((turned ? c.width : c.height) * kRenderScale - 600);
    EXPECT_EQ(job.Draw(XlFilledRect(GRect(static_cast<int16_t>(farX - 300), static_cast<int16_t>(farY - 300), farX, farY))), 0);
    ASSERT_EQ(job.EndPage(), 0);
    ASSERT_EQ(job.End(), 0);

    const qvtest::RenderedJob rendered = Render(job.Bytes(), c.name);
    EXPECT_EQ(rendered.status, 0) << rendered.errors;
    ASSERT_EQ(rendered.pages.size(), 1u) << rendered.errors;
    const qvtest::GrayPage& page = rendered.pages[0];
    EXPECT_NEAR(page.width, c.width, 2);
    EXPECT_NEAR(page.height, c.height, 2);
    EXPECT_TRUE(XlDarkAt(page, 900, 900, turned));
    EXPECT_TRUE(XlDarkAt(page, farX - 150, farY - 150, turned)) << "the far corner is on the sheet";
    EXPECT_FALSE(XlDarkAt(page, farX + 150, farY + 150, turned));
  }
}

// A dither matrix of the device model for the job's resolution is sent
// with every page as the page's halftone, and the interpreter takes it.
TEST_F(CheetahRenderTest, ADownloadedDitherMatrixIsTakenByTheInterpreter) {
  auto* configuration = qvtest::XlConfiguration();
  auto* matrices = new MPersistentComposite(GFeatureIds::kDitherMatrixList);
  const uint8_t thresholds[16] = {0, 128, 32, 160, 192, 64, 224, 96, 48, 176, 16, 144, 240, 112, 208, 80};
  matrices->AddChild(new GDitherMatrix(4, 4, thresholds, 600, nullptr));
  configuration->AddChild(matrices);
  XlJobDriver job(configuration);
  ASSERT_EQ(job.Start(), 0);
  ASSERT_EQ(job.StartPage(), 0);
  auto* gray = new GRectangleGraphic(GRect(600, 600, 1800, 1800), new GGraphicBundle, nullptr);
  static_cast<GGraphicBundle*>(gray->GetSettings())->SetBrush(new GBrush(XlRenderPaint(128), nullptr));
  static_cast<GGraphicBundle*>(gray->GetSettings())->SetPen(new GNoPen(nullptr));
  EXPECT_EQ(job.Draw(gray), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.End(), 0);
  const std::string bytes = job.StreamBytes();
  const std::string method = qvtest::FromHex("D1 04 00 04 00 F8 32 C0 02 F8 33 C0 00 F8 22 6D FA 10 00 00 00") +
                             std::string(reinterpret_cast<const char*>(thresholds), 16);
  EXPECT_NE(bytes.find(method), std::string::npos) << "SetHalftoneMethod and the thresholds";

  const qvtest::RenderedJob rendered = Render(job.Bytes(), "dither");
  EXPECT_EQ(rendered.status, 0) << rendered.errors;
  EXPECT_EQ(rendered.errors.find("rror"), std::string::npos) << rendered.errors;
  ASSERT_EQ(rendered.pages.size(), 1u);
}

}  // namespace
