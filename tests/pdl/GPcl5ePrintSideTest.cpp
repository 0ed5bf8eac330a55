// The PCL 5e generator with the print side of a job: the gray conversion
// the render instance chose for the job makes the grays of colours (fills,
// pens and images, in the monochrome mode and in the colour-as-gray mode),
// and a page whose medium comes in another orientation is printed on the
// medium the instance turns. Judged by the independent PCL interpreter.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <tuple>

#include "graphics/GBitmap.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GShapeGraphic.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "support/Pcl5JobDriver.h"
#include "support/PclInterpreter.h"
#include "support/RasterTestSupport.h"

namespace {

using qvtest::Pcl5JobDriver;
using qvtest::Pcl5PageSpec;

// Dithered images are judged at the printer's resolution: the interpreter
// paints their ink bits as a mask, and a mask brought down to a lower
// resolution darkens every pixel it touches.
constexpr int kImageDpi = 600;
constexpr int kPageDpi = 150;

// A bundle with no pen and a brush of the colour.
GGraphicBundle* Pcl5Fill(uint8_t red, uint8_t green, uint8_t blue) {
  auto* bundle = new GGraphicBundle;
  bundle->SetPen(new GNoPen(nullptr));
  bundle->SetBrush(new GBrush(qvtest::Pcl5Paint(red, green, blue), nullptr));
  return bundle;
}

// The mean gray of a 160-dot square around a point of the page (every
// dot: a sampling step would beat with the dither's period).
int Pcl5MeanAround(const qvtest::GrayPage& page, int orientation, int x, int y) {
  long sum = 0;
  int count = 0;
  for (int dy = -80; dy < 80; ++dy)
    for (int dx = -80; dx < 80; ++dx, ++count)
      sum += qvtest::Pcl5LogicalSample(page, qvtest::kPcl5LetterId, orientation, kImageDpi, x + dx, y + dy);
  return static_cast<int>(sum / count);
}

qvtest::RenderedJob Pcl5Render(const Pcl5JobDriver& job, const std::string& name, int dpi) {
  const std::string interpreter = qvtest::PclInterpreter();
  EXPECT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  if (interpreter.empty()) return qvtest::RenderedJob();
  if (const char* keep = std::getenv("QV_PCL5_KEEP"))
    std::ofstream(std::string(keep) + name + ".pcl", std::ios::binary) << job.Bytes();
  qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job.Bytes(), name, dpi);
  EXPECT_EQ(rendered.errors, "");
  return rendered;
}

struct GrayCase {
  const char* name;
  int colourMode;   // 2 monochrome, 0 colour printed as gray
  bool printSide;   // the job has a print side whose conversion takes green only
  int red, green;   // the grays red and green print with
};

class GPcl5eGrayConversion : public ::testing::TestWithParam<GrayCase> {};

TEST_P(GPcl5eGrayConversion, ColoursPrintWithTheJobsConversion) {
  const GrayCase& c = GetParam();
  Pcl5JobDriver job;
  qvtest::Pcl5PrintSide side;
  if (c.printSide) {
    // gray = (2 green) / 2: red is black, green is white.
    side.UseWeightedGray(1, 0, 2, 0);
    job.instance = &side;
  }
  job.generator->SetColourMode(c.colourMode);
  ASSERT_EQ(job.StartDocument(), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(600, 600, 1200, 1200), Pcl5Fill(255, 0, 0), nullptr)), 0);
  ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(1800, 600, 2400, 1200), Pcl5Fill(0, 255, 0), nullptr)), 0);
  // An image of a red and a green half, drawn 1:1.
  const int width = 600;
  const int height = 300;
  rastertest::Bytes pixels(static_cast<size_t>(width) * height * 3, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels[(static_cast<size_t>(y) * width + x) * 3 + (x < width / 2 ? 0 : 1)] = 255;
  const GRect area(0, 0, width, height);
  ASSERT_EQ(job.Draw(new GRasterGraphic(rastertest::MakeBitmap(24, width, height, pixels), nullptr, area,
                                        GRect(600, 1800, 600 + width, 1800 + height), GBitmap())),
            0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.EndDocument(), 0);
  EXPECT_EQ(job.generator->GetColourMode(), c.colourMode);
  const qvtest::RenderedJob rendered = Pcl5Render(job, c.name, kImageDpi);
  ASSERT_EQ(rendered.pages.size(), 1u);
  const qvtest::GrayPage& page = rendered.pages[0];
  EXPECT_NEAR(Pcl5MeanAround(page, 0, 900, 900), c.red, 40) << "red fill";
  EXPECT_NEAR(Pcl5MeanAround(page, 0, 2100, 900), c.green, 40) << "green fill";
  EXPECT_NEAR(Pcl5MeanAround(page, 0, 750, 1950), c.red, 40) << "red half of the image";
  EXPECT_NEAR(Pcl5MeanAround(page, 0, 1050, 1950), c.green, 40) << "green half of the image";
  EXPECT_GT(Pcl5MeanAround(page, 0, 1500, 900), 240) << "between the fills";
}

INSTANTIATE_TEST_SUITE_P(Conversions, GPcl5eGrayConversion,
                         ::testing::Values(GrayCase{"MonochromeLuminance", 2, false, 76, 150},
                                           GrayCase{"MonochromeGreenOnly", 2, true, 0, 255},
                                           GrayCase{"AsGrayLuminance", 0, false, 76, 150},
                                           GrayCase{"AsGrayGreenOnly", 0, true, 0, 255}),
                         [](const ::testing::TestParamInfo<GrayCase>& info) { return std::string(info.param.name); });

// Orientation, and whether the job has a print side.
class GPcl5eMediumTurning : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(GPcl5eMediumTurning, APageOnAnUprightMediumPrintsOnTheTurnedOne) {
  // The page state carries the upright Letter medium; the page is turned.
  // The print side turns the medium (size and the printer's margins for
  // the turned sheet); without one the generator turns its sides and
  // margins itself. Either way the picture frame is the turned imageable
  // area, and a rectangle in its far corner prints.
  const int orientation = std::get<0>(GetParam());
  const bool printSide = std::get<1>(GetParam());
  Pcl5JobDriver job;
  qvtest::Pcl5PrintSide side;
  if (printSide) job.instance = &side;
  ASSERT_EQ(job.StartDocument(), 0);
  Pcl5PageSpec spec;
  spec.orientation = static_cast<int16_t>(orientation);
  spec.mediumOrientation = 0;
  ASSERT_EQ(job.StartPage(spec), 0);
  const bool turned = orientation == 90 || orientation == 270;
  const GShortPoint upright = qvtest::Pcl5ImageableOrigin(qvtest::kPcl5LetterId, 0);
  const GShortPoint origin = printSide ? qvtest::Pcl5ImageableOrigin(qvtest::kPcl5LetterId, orientation)
                             : turned  ? GShortPoint(upright.y, upright.x)
                                       : upright;
  const int extentX = (turned ? 6600 : 5100) - 2 * origin.x;
  const int extentY = (turned ? 5100 : 6600) - 2 * origin.y;
  const GRect corner(static_cast<int16_t>(extentX - 500), static_cast<int16_t>(extentY - 500),
                     static_cast<int16_t>(extentX - 100), static_cast<int16_t>(extentY - 100));
  ASSERT_EQ(job.Draw(new GRectangleGraphic(corner, Pcl5Fill(0, 0, 0), nullptr)), 0);
  ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(100, 100, 500, 500), Pcl5Fill(0, 0, 0), nullptr)), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.EndDocument(), 0);
  // The frame of the turned imageable area, in decipoints rounded up.
  const std::string frame = "\x1B*c" + std::to_string((extentX * 720 + 599) / 600) + "x" +
                            std::to_string((extentY * 720 + 599) / 600) + "Y";
  EXPECT_NE(job.Bytes().find(frame), std::string::npos) << frame;
  const qvtest::RenderedJob rendered =
      Pcl5Render(job, "turned" + std::to_string(orientation) + (printSide ? "side" : ""), kPageDpi);
  ASSERT_EQ(rendered.pages.size(), 1u);
  const qvtest::GrayPage& page = rendered.pages[0];
  EXPECT_NEAR(page.width, 5100 * kPageDpi / 600, 2) << "the paper stays upright";
  auto at = [&](int x, int y) {
    return qvtest::Pcl5LogicalSample(page, qvtest::kPcl5LetterId, orientation, kPageDpi, x, y);
  };
  EXPECT_LT(at(corner.left + 200, corner.top + 200), 64) << "far corner";
  EXPECT_LT(at(300, 300), 64) << "near corner";
  EXPECT_GT(at(corner.left - 100, corner.top + 200), 192) << "beside the far corner";
}

INSTANTIATE_TEST_SUITE_P(Orientations, GPcl5eMediumTurning,
                         ::testing::Combine(::testing::Values(90, 180, 270), ::testing::Bool()));

TEST(GPcl5ePrintSideColour, ColourAsGrayFollowsThePrintersColourTreatment) {
  // Print colour as gray (296 = 1): the printer's colour device value says
  // whether the printer turns colour into gray (1: colour mode 0 and the
  // printer's own conversion asked for), takes gray colours (0: colour
  // mode 0) or is monochrome (anything else, and no print side: mode 2).
  struct Case {
    int device;  // -1: no print side
    int colourMode;
    bool printerGray;
  } cases[] = {{1, 0, true}, {0, 0, false}, {2, 2, false}, {-1, 2, false}};
  for (const Case& c : cases) {
    Pcl5JobDriver job;
    qvtest::Pcl5PrintSide side;
    if (c.device >= 0) {
      side.SetColourDevice(static_cast<int16_t>(c.device));
      job.instance = &side;
    }
    job.extraJobSettings.push_back(qvtest::Value(GFeatureIds::kPrintColorAsGray, 1));
    ASSERT_EQ(job.StartDocument(), 0);
    ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
    ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(600, 600, 1200, 1200), Pcl5Fill(255, 0, 0), nullptr)), 0);
    ASSERT_EQ(job.EndPage(), 0);
    ASSERT_EQ(job.EndDocument(), 0);
    EXPECT_EQ(job.generator->GetColourMode(), c.colourMode) << c.device;
    EXPECT_EQ(job.Bytes().find("\x1B&b1M") != std::string::npos, c.printerGray) << c.device;
    const qvtest::RenderedJob rendered = Pcl5Render(job, "treatment" + std::to_string(c.device), kPageDpi);
    ASSERT_EQ(rendered.pages.size(), 1u);
    // Red prints as a mid gray whichever way.
    const int red = qvtest::Pcl5LogicalSample(rendered.pages[0], qvtest::kPcl5LetterId, 0, kPageDpi, 900, 900);
    EXPECT_GT(red, 20) << c.device;
    EXPECT_LT(red, 200) << c.device;
  }
}

}  // namespace
