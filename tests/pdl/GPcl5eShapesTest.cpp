// The PCL 5e generator's arcs, chords, pies and scan lines, the page's
// default graphics state and the colour set-up, judged by the independent
// PCL interpreter where it can render them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GCap.h"
#include "graphics/GClip.h"
#include "graphics/GFillMode.h"
#include "graphics/GTransformAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "model/GState.h"
#include "support/Pcl5JobDriver.h"
#include "support/PclInterpreter.h"

namespace {

using qvtest::Pcl5Bundle;
using qvtest::Pcl5JobDriver;
using qvtest::Pcl5PageSpec;

constexpr int kShapesDpi = 100;

// The gray at a point of the drawing (dots at 600 dpi from the imageable
// origin) of a portrait Letter page rendered at kShapesDpi.
int Pcl5ShapeSample(const qvtest::GrayPage& page, int x, int y) {
  const GShortPoint origin = qvtest::Pcl5ImageableOrigin(qvtest::kPcl5LetterId, 0);
  return page.At((x + origin.x) * kShapesDpi / 600, (y + origin.y) * kShapesDpi / 600);
}

// Sets the pen (width in dots, black; none when negative) and the brush
// (the gray given; none when negative) straight through the peripheral
// interface.
void Pcl5UsePaints(GPcl5e& generator, int penWidth, int brushGray) {
  if (penWidth >= 0) {
    GPen pen(penWidth, qvtest::Pcl5Paint(0, 0, 0), nullptr);
    ASSERT_EQ(generator.SetPen(&pen), 0);
  } else {
    GNoPen pen(nullptr);
    ASSERT_EQ(generator.SetNoPen(&pen), 0);
  }
  if (brushGray >= 0) {
    const auto g = static_cast<uint8_t>(brushGray);
    GBrush brush(qvtest::Pcl5Paint(g, g, g), nullptr);
    ASSERT_EQ(generator.SetBrush(&brush), 0);
  } else {
    GNoBrush brush(nullptr);
    ASSERT_EQ(generator.SetNoBrush(&brush), 0);
  }
}

// A shape of the bounding box with radial start and end points.
std::unique_ptr<GShapeGraphic> Pcl5ArcShape(const GRect& box, GShortPoint start, GShortPoint end) {
  std::unique_ptr<GShapeGraphic> shape = std::make_unique<GRectangleGraphic>(box, nullptr, nullptr);
  shape->SetStartPoint(start);
  shape->SetEndPoint(end);
  shape->SetArcDirection(0);
  return shape;
}

// A scan-line graphic: point 0 carries the row y, the others are runs
// (x1, x2). A poly-Bezier graphic keeps its points after the first (its
// start point) as they are.
std::unique_ptr<GShapeGraphic> Pcl5ScanRow(int16_t y, std::initializer_list<GShortPoint> runs) {
  std::vector<GShortPoint> points{GShortPoint(0, 0), GShortPoint(0, y)};
  points.insert(points.end(), runs.begin(), runs.end());
  auto* data = new GShortPoint[points.size()];
  std::copy(points.begin(), points.end(), data);
  const GPointList list(data, static_cast<uint32_t>(points.size()), true);
  return std::make_unique<GPolyBezierGraphic>(list, nullptr, nullptr);
}

// One page drawn by the callback, rendered; the page, or an empty one
// after a failed assertion.
qvtest::GrayPage Pcl5RenderOnePage(Pcl5JobDriver& job, const std::string& name,
                                   const std::function<void(Pcl5JobDriver&)>& draw) {
  const std::string interpreter = qvtest::PclInterpreter();
  EXPECT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  if (interpreter.empty()) return qvtest::GrayPage(std::string());
  EXPECT_EQ(job.StartDocument(), 0);
  EXPECT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  draw(job);
  EXPECT_EQ(job.EndPage(), 0);
  EXPECT_EQ(job.EndDocument(), 0);
  qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job.Bytes(), name, kShapesDpi);
  EXPECT_EQ(rendered.errors, "");
  EXPECT_EQ(rendered.pages.size(), 1u);
  return rendered.pages.empty() ? qvtest::GrayPage(std::string()) : rendered.pages[0];
}

// ---- Arcs, chords and pies ----

TEST(GPcl5eArcs, PieChordAndArcRenderTheirQuarters) {
  Pcl5JobDriver job;
  const qvtest::GrayPage page = Pcl5RenderOnePage(job, "arcs", [](Pcl5JobDriver& j) {
    // Filled black, no pen: a pie from the right (0 degrees) to the top
    // (90 degrees), counter-clockwise on the page.
    Pcl5UsePaints(*j.generator, -1, 0);
    auto pie = Pcl5ArcShape(GRect(600, 600, 1800, 1800), GShortPoint(1800, 1200), GShortPoint(1200, 600));
    ASSERT_EQ(j.generator->DrawPie(pie.get()), 0);
    // A chord of the same quarter: the segment between the arc and the
    // line from the right to the top.
    auto chord = Pcl5ArcShape(GRect(2400, 600, 3600, 1800), GShortPoint(3600, 1200), GShortPoint(3000, 600));
    ASSERT_EQ(j.generator->DrawChord(chord.get()), 0);
    // Stroked, no brush: the arc from the top to the left.
    Pcl5UsePaints(*j.generator, 24, -1);
    auto arc = Pcl5ArcShape(GRect(600, 2400, 1800, 3600), GShortPoint(1200, 2400), GShortPoint(600, 3000));
    ASSERT_EQ(j.generator->DrawArc(arc.get()), 0);
  });
  ASSERT_GT(page.width, 0);
  // Pie: inside the upper-right quarter, nothing in the other three.
  EXPECT_LT(Pcl5ShapeSample(page, 1450, 950), 64);
  EXPECT_GT(Pcl5ShapeSample(page, 950, 950), 192);
  EXPECT_GT(Pcl5ShapeSample(page, 950, 1450), 192);
  EXPECT_GT(Pcl5ShapeSample(page, 1450, 1450), 192);
  // Chord: the outer part of the quarter is filled, the part next to the
  // centre (beyond the chord's line) is not.
  EXPECT_LT(Pcl5ShapeSample(page, 3000 + 380, 1200 - 380), 64);
  EXPECT_GT(Pcl5ShapeSample(page, 3000 + 150, 1200 - 150), 192);
  EXPECT_GT(Pcl5ShapeSample(page, 2700, 1500), 192);
  // Arc: its middle (135 degrees) is marked, the opposite side is not, and
  // it is not filled.
  auto darkest = [&page](int x, int y) {
    int value = 255;
    for (int dy = -12; dy <= 12; dy += 6)
      for (int dx = -12; dx <= 12; dx += 6) value = std::min(value, Pcl5ShapeSample(page, x + dx, y + dy));
    return value;
  };
  EXPECT_LT(darkest(1200 - 424, 3000 - 424), 128);
  EXPECT_GT(darkest(1200 + 424, 3000 + 424), 192);
  EXPECT_GT(Pcl5ShapeSample(page, 1000, 2800), 192);
}

// ---- Scan lines ----

TEST(GPcl5eScanLines, RunsAreRelativeRectanglesOfTheirRow) {
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  Pcl5UsePaints(*job.generator, -1, 0);
  const size_t before = job.Bytes().size();
  ASSERT_EQ(job.generator->BeginScanLines(nullptr), 0);
  auto row = Pcl5ScanRow(700, {{100, 250}, {400, 410}});
  ASSERT_EQ(job.generator->ScanLines(row.get()), 0);
  ASSERT_EQ(job.generator->EndScanLines(nullptr), 0);
  ASSERT_EQ(job.EndPage(), 0);
  const std::string written = job.Bytes().substr(before);
  // 190 / 100 is a float just below 1.9, and the formatter truncates its
  // digits: each row is 1.8 dots high, still more than one row.
  EXPECT_NE(written.find("PU100,700RR150,1.8PU400,700RR10,1.8"), std::string::npos) << ::testing::PrintToString(written);
}

TEST(GPcl5eScanLines, RenderedRowsFillTheirRunsAndTheClipCutsThem) {
  Pcl5JobDriver job;
  const qvtest::GrayPage page = Pcl5RenderOnePage(job, "scanlines", [](Pcl5JobDriver& j) {
    Pcl5UsePaints(*j.generator, -1, 0);
    GClipToSingleRectangle clip(GRect(0, 0, 1500, 1000), 0, 0, nullptr);
    ASSERT_EQ(j.generator->ClipToRectangle(&clip), 0);
    ASSERT_EQ(j.generator->BeginScanLines(nullptr), 0);
    // Rows 600 to 899: a run wholly inside the clip, one cut by its right
    // edge; rows 1000 on lie below the clip and draw nothing.
    for (int16_t y = 600; y < 1200; ++y) {
      auto row = Pcl5ScanRow(y, {{300, 700}, {1200, 2000}});
      ASSERT_EQ(j.generator->ScanLines(row.get()), 0);
    }
    ASSERT_EQ(j.generator->EndScanLines(nullptr), 0);
  });
  ASSERT_GT(page.width, 0);
  EXPECT_LT(Pcl5ShapeSample(page, 500, 800), 64) << "first run";
  EXPECT_GT(Pcl5ShapeSample(page, 900, 800), 192) << "between the runs";
  EXPECT_LT(Pcl5ShapeSample(page, 1350, 800), 64) << "second run, inside the clip";
  EXPECT_GT(Pcl5ShapeSample(page, 1700, 800), 192) << "second run, cut by the clip";
  EXPECT_GT(Pcl5ShapeSample(page, 500, 1100), 192) << "rows below the clip";
  EXPECT_GT(Pcl5ShapeSample(page, 500, 550), 192) << "above the first row";
}

// ---- Page state ----

TEST(GPcl5ePageState, EachPageStartsFromTheDefaultGraphicsStateAndThePagesTransform) {
  Pcl5JobDriver job;
  auto* defaults = new GState(&GFeatureIds::kGraphicsState);
  defaults->AddChild(new GFillMode(kFillWinding, nullptr));
  job.generator->GetDefaultState()->AddChild(defaults);
  ASSERT_EQ(job.StartDocument(), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  auto graphics = [&job] { return job.generator->GetStateSection(GFeatureIds::kGraphicsState); };
  auto fillMode = [&] { return dynamic_cast<GFillMode*>(graphics()->FindByClass(GFillModeClassId)); };
  ASSERT_NE(fillMode(), nullptr);
  EXPECT_EQ(fillMode()->GetMode(), kFillWinding);
  // The page leaves its own settings in the current graphics state.
  graphics()->RemoveAllChildren();
  graphics()->AddChild(new GFillMode(kFillEvenOdd, nullptr));
  graphics()->AddChild(new GCap(1, nullptr));
  ASSERT_EQ(job.EndPage(), 0);

  ASSERT_EQ(job.StartPage(Pcl5PageSpec(), new GTransformAttribute(0, GShortPoint(100, 200), GRealPair(0.5f, 0.5f))),
            0);
  ASSERT_NE(fillMode(), nullptr);
  EXPECT_EQ(fillMode()->GetMode(), kFillWinding) << "the default's fill mode again";
  EXPECT_EQ(graphics()->Children().Count(), 2u) << "the default's fill mode and the page's transform";
  EXPECT_NE(graphics()->FindByClass(GTransformAttributeClassId), nullptr);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.EndDocument(), 0);
}

// ---- Colour set-up ----

TEST(GPcl5eColourSetup, ColourJobsSetUpTheNinePalettesAndRenderGrayFills) {
  Pcl5JobDriver job;
  // Print colour as colour: colour mode 1, pen colours in palettes.
  job.extraJobSettings.push_back(qvtest::Value(GFeatureIds::kPrintColorAsGray, 0));
  const qvtest::GrayPage page = Pcl5RenderOnePage(job, "colour", [](Pcl5JobDriver& j) {
    ASSERT_EQ(j.Draw(new GRectangleGraphic(GRect(600, 600, 1200, 1200), Pcl5Bundle(-1, 0), nullptr)), 0);
    ASSERT_EQ(j.Draw(new GRectangleGraphic(GRect(1800, 600, 2400, 1200), Pcl5Bundle(-1, 128), nullptr)), 0);
  });
  EXPECT_EQ(job.generator->GetColourMode(), 1);
  const std::string& bytes = job.Bytes();
  for (int id = 1; id <= 9; ++id) {
    const std::string head = "\x1B&p" + std::to_string(id) + "i6c" + std::to_string(id) + "S\x1B*v6W";
    EXPECT_NE(bytes.find(head), std::string::npos) << "palette " << id;
  }
  // Palettes 1 to 3 direct by pixel, 8 bits a primary; 4 to 9 indexed.
  EXPECT_NE(bytes.find(std::string("\x1B*v6W\x02\x03\x08\x08\x08\x08", 11)), std::string::npos);
  EXPECT_NE(bytes.find(std::string("\x1B*v6W\x02\x01\x04\x08\x08\x08", 11)), std::string::npos);
  ASSERT_GT(page.width, 0);
  EXPECT_LT(Pcl5ShapeSample(page, 900, 900), 64) << "black fill";
  const int gray = Pcl5ShapeSample(page, 2100, 900);
  EXPECT_GT(gray, 64) << "gray fill";
  EXPECT_LT(gray, 192) << "gray fill";
  EXPECT_GT(Pcl5ShapeSample(page, 1500, 900), 192) << "between the fills";
}

}  // namespace
