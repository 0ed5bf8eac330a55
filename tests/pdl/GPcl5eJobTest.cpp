// The PCL 5e generator's job, page, pen and path output: golden escape
// sequences, polyline-encoded numbers read back with a decoder of the
// published encoding, and whole jobs rendered by the independent PCL
// interpreter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GBrush.h"
#include "graphics/GColor.h"
#include "graphics/GPaint.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GPen.h"
#include "graphics/GShapeGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "model/GPassThroughCommand.h"
#include "model/GTintwrightAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "support/GraphicsObjectSamples.h"
#include "support/Pcl5JobDriver.h"
#include "support/PclInterpreter.h"

namespace {

using qvtest::Pcl5JobDriver;
using qvtest::Pcl5PageSpec;

const std::string kEsc = "\x1B";

// ---- A decoder of GL/2 polyline-encoded numbers (base 64) ----
// Each byte of a number is a digit: 63-126 a digit that more digits
// follow, 191-254 the last digit; the value is the digits low-order first,
// base 64; an odd value is negative (value / 2 and sign from the low bit).
std::vector<int> Pcl5DecodePe(const std::string& text) {
  std::vector<int> numbers;
  long value = 0;
  long place = 1;
  for (unsigned char c : text) {
    if (c >= 63 && c <= 126) {
      value += (c - 63) * place;
      place *= 64;
    } else if (c >= 191 && c <= 254) {
      value += (c - 191) * place;
      numbers.push_back(static_cast<int>((value & 1) != 0 ? -(value >> 1) : value >> 1));
      value = 0;
      place = 1;
    }
  }
  return numbers;
}

using qvtest::Pcl5Bundle;
using qvtest::Pcl5Paint;
using qvtest::Pcl5Points;

// Everything between the first occurrence of from and the next to.
std::string Pcl5Between(const std::string& text, const std::string& from, const std::string& to) {
  const size_t start = text.find(from);
  if (start == std::string::npos) return std::string();
  const size_t end = text.find(to, start + from.size());
  return text.substr(start + from.size(), end == std::string::npos ? std::string::npos : end - start - from.size());
}

size_t Pcl5Count(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

// ---- Job and page escapes ----

TEST(GPcl5eJob, JobBeginsWithResetAndUnitsAndPagesEndWithCopiesAndFormFeed) {
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  Pcl5PageSpec page;
  page.copies = 1;
  ASSERT_EQ(job.StartPage(page), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.StartPage(page), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.EndDocument(), 0);
  const std::string& bytes = job.Bytes();
  EXPECT_EQ(bytes.rfind(kEsc + "E" + kEsc + "&u600D" + kEsc + "*t600R", 0), 0u) << bytes;
  EXPECT_EQ(Pcl5Count(bytes, kEsc + "&l1X\x0C"), 2u);
  // Same bin, size and type: the second page writes them no more.
  EXPECT_EQ(Pcl5Count(bytes, kEsc + "&l4H"), 1u);
  EXPECT_EQ(Pcl5Count(bytes, kEsc + "&l2A"), 1u);
  // Orientation is written on every page.
  EXPECT_EQ(Pcl5Count(bytes, kEsc + "&l0O"), 2u);
}

TEST(GPcl5eJob, ResolutionOfTheJobSetsUnitsAndGl2Scaling) {
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(0, 300), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(10, 10, 20, 20), Pcl5Bundle(-1, 0), nullptr)), 0);
  ASSERT_EQ(job.EndPage(), 0);
  const std::string& bytes = job.Bytes();
  EXPECT_EQ(bytes.rfind(kEsc + "E" + kEsc + "&u300D" + kEsc + "*t300R", 0), 0u) << bytes;
  // One user unit is one dot: 1016 / 300 plotter units, y pointing down;
  // fixed point prints at most four decimals, whatever the template asks.
  EXPECT_NE(bytes.find("SC0,3.3867,0,-3.3867,2"), std::string::npos) << bytes;
}

TEST(GPcl5eJob, PageSettingsTable) {
  struct Case {
    const char* name;
    Pcl5PageSpec page;
    std::string expected;
  };
  Pcl5PageSpec a4;
  a4.paperId = qvtest::kPcl5A4Id;
  Pcl5PageSpec landscape;
  landscape.orientation = 90;
  Pcl5PageSpec copies;
  copies.copies = 3;
  Pcl5PageSpec lowerTray;
  lowerTray.inputBin = 2;
  Pcl5PageSpec unknownTray;
  unknownTray.inputBin = 9;
  const Case cases[] = {
      {"a4 page size", a4, kEsc + "&l26A"},
      {"landscape", landscape, kEsc + "&l1O"},
      {"three copies", copies, kEsc + "&l3X\x0C"},
      {"tray 2 is source 1", lowerTray, kEsc + "&l1H"},
      {"unmapped tray is source 7", unknownTray, kEsc + "&l7H"},
  };
  for (const Case& c : cases) {
    Pcl5JobDriver job;
    ASSERT_EQ(job.StartDocument(), 0);
    ASSERT_EQ(job.StartPage(c.page), 0);
    ASSERT_EQ(job.EndPage(), 0);
    ASSERT_EQ(job.EndDocument(), 0);
    EXPECT_NE(job.Bytes().find(c.expected), std::string::npos) << c.name;
  }
}

TEST(GPcl5eJob, MediaTypeNameIsWrittenAsItIs) {
  // Without a media-type code list the name itself goes out after its
  // length; "#", "%" and a trailing "#" in it are its own bytes.
  for (const char* name : {"Glossy", "Heavy#1B%%fA%A0", "Card#"}) {
    Pcl5JobDriver job;
    ASSERT_EQ(job.StartDocument(), 0);
    Pcl5PageSpec page;
    page.mediaType = name;
    ASSERT_EQ(job.StartPage(page), 0);
    ASSERT_EQ(job.EndPage(), 0);
    ASSERT_EQ(job.EndDocument(), 0);
    const std::string expected = kEsc + "&n" + std::to_string(std::string(name).size() + 1) + "Wd" + name + kEsc;
    EXPECT_NE(job.Bytes().find(expected), std::string::npos) << name;
  }
}

TEST(GPcl5eJob, MediaTypeFromTheCodeListIsSentWhenItChanges) {
  Pcl5JobDriver job(0, true);
  ASSERT_EQ(job.StartDocument(), 0);
  Pcl5PageSpec glossy;
  glossy.mediaType = "Glossy";
  Pcl5PageSpec unknown;
  unknown.mediaType = "Vellum";
  for (const Pcl5PageSpec& page : {glossy, glossy, unknown}) {
    ASSERT_EQ(job.StartPage(page), 0);
    ASSERT_EQ(job.EndPage(), 0);
  }
  ASSERT_EQ(job.EndDocument(), 0);
  EXPECT_EQ(Pcl5Count(job.Bytes(), kEsc + "&l3M"), 1u);
  // A name the list does not hold writes nothing, not even the name.
  EXPECT_EQ(job.Bytes().find("Vellum"), std::string::npos);
  EXPECT_EQ(job.Bytes().find(kEsc + "&n"), std::string::npos);
}

TEST(GPcl5eJob, DuplexIsSentOnTheFrontSideOnly) {
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(0), 0);
  Pcl5PageSpec page;
  page.duplex = 1;
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(job.StartPage(page), 0);
    ASSERT_EQ(job.EndPage(), 0);
  }
  ASSERT_EQ(job.EndDocument(), 0);
  EXPECT_EQ(Pcl5Count(job.Bytes(), kEsc + "&l2S"), 1u);
}

TEST(GPcl5eJob, ChannelWriteErrorIsReportedOnceAndOutputStops) {
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  job.channel.writeStatus = 7;
  Pcl5PageSpec page;
  ASSERT_EQ(job.StartPage(page), 0);
  EXPECT_EQ(job.EndPage(), 7);
  job.channel.writeStatus = 0;
  const size_t before = job.Bytes().size();
  ASSERT_EQ(job.StartPage(page), 0);
  EXPECT_EQ(job.EndPage(), 0);
  EXPECT_EQ(job.Bytes().size(), before);
}

// ---- Pens, colours and paths ----

TEST(GPcl5eDrawing, PenWidthsAndDashes) {
  struct Case {
    int width;
    std::string expected;
  };
  // Millimetres at 24 dots a millimetre, one dot added, 0.001 added and
  // three decimals cut, all in single precision: 2.001 is a float just
  // below it, so 47 dots print as 2.000.
  const Case cases[] = {{0, "PW0.084"}, {1, "PW0.084"}, {23, "PW1.001"}, {47, "PW2.000"}};
  for (const Case& c : cases) {
    Pcl5JobDriver job;
    ASSERT_EQ(job.StartDocument(), 0);
    ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
    ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(100, 100, 200, 200), Pcl5Bundle(c.width, -1), nullptr)), 0);
    ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(300, 100, 400, 200), Pcl5Bundle(c.width, -1), nullptr)), 0);
    ASSERT_EQ(job.EndPage(), 0);
    EXPECT_EQ(Pcl5Count(job.Bytes(), c.expected), 1u) << c.width << ": " << job.Bytes();
  }
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  auto* bundle = new GGraphicBundle;
  bundle->SetPen(new GDashedPen(new int16_t[2]{10, 20}, 2, 4, Pcl5Paint(0, 0, 0), 0, nullptr));
  ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(100, 100, 200, 200), bundle, nullptr)), 0);
  ASSERT_EQ(job.EndPage(), 0);
  EXPECT_NE(job.Bytes().find("UL1,10,20LT1,1.25,1"), std::string::npos) << job.Bytes();
}

TEST(GPcl5eDrawing, ColourModeOneSendsPenColoursAndKeepsThemForEdges) {
  Pcl5JobDriver job;
  job.generator->SetColourMode(1);
  ASSERT_EQ(job.StartDocument(), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  auto* bundle = new GGraphicBundle;
  bundle->SetPen(new GPen(4, Pcl5Paint(255, 0, 0), nullptr));
  bundle->SetBrush(new GBrush(Pcl5Paint(0, 0, 255), nullptr));
  ASSERT_EQ(job.Draw(new GPolygonGraphic(*Pcl5Points({{100, 100}, {400, 100}, {250, 300}}), bundle, nullptr)), 0);
  ASSERT_EQ(job.EndPage(), 0);
  const std::string& bytes = job.Bytes();
  EXPECT_NE(bytes.find("PC1,255,0,0"), std::string::npos) << bytes;
  // The fill takes pen 2 with the brush colour; the edge goes back to pen
  // 1, whose colour stays the pen's.
  const size_t fill = bytes.find("PC2,0,0,255");
  ASSERT_NE(fill, std::string::npos) << bytes;
  const size_t edge = bytes.find("SP1EP", fill);
  EXPECT_NE(edge, std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("PC1,0,0,255"), std::string::npos);
}

TEST(GPcl5eDrawing, FilledRectangleWithoutPenIsARelativeRectangle) {
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(100, 150, 400, 250), Pcl5Bundle(-1, 0), nullptr)), 0);
  ASSERT_EQ(job.EndPage(), 0);
  const std::string& bytes = job.Bytes();
  // Black as 100 % shading, the fill opaque for the moment, then the
  // rectangle relative to its corner.
  EXPECT_NE(bytes.find("FT10,100CF2TR0PU100,150RR300,100.0"), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("PM0"), std::string::npos);
}

TEST(GPcl5eDrawing, ASecondPageFillsWithTheBrushItKeeps) {
  // The same brush on both pages: the second page does not set it again,
  // and its fill must still be black, not the white of no brush.
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  for (int page = 0; page < 2; ++page) {
    ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
    ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(100, 150, 400, 250), Pcl5Bundle(-1, 0), nullptr)), 0);
    ASSERT_EQ(job.EndPage(), 0);
  }
  ASSERT_EQ(job.EndDocument(), 0);
  const std::string& bytes = job.Bytes();
  const size_t first = bytes.find("FT10,100");
  ASSERT_NE(first, std::string::npos) << bytes;
  EXPECT_NE(bytes.find("FT10,100", first + 1), std::string::npos) << "the second page's fill" << bytes;
  EXPECT_EQ(bytes.find("FT10,0"), std::string::npos) << bytes;
}

TEST(GPcl5eDrawing, PolygonPointsDecodeBackAndARepeatIsNotResent) {
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  const std::unique_ptr<GPointList> pointsHeld = Pcl5Points({{1000, 1000}, {1500, 1200}, {1100, 1700}});
  const GPointList& points = *pointsHeld;
  ASSERT_EQ(job.Draw(new GPolygonGraphic(points, Pcl5Bundle(-1, 0), nullptr)), 0);
  ASSERT_EQ(job.Draw(new GPolygonGraphic(points, Pcl5Bundle(-1, 0), nullptr)), 0);
  ASSERT_EQ(job.EndPage(), 0);
  const std::string& bytes = job.Bytes();
  // The polygon is closed on its last point, which it puts in front. The
  // pen-up move to that point, absolute:
  EXPECT_EQ(Pcl5DecodePe(Pcl5Between(bytes, "PE=<", ";")), (std::vector<int>{1100, 1700}));
  // the sides, relative: a zero move, the three sides and back.
  EXPECT_EQ(Pcl5DecodePe(Pcl5Between(bytes, "PM0PE", ";")),
            (std::vector<int>{0, 0, -100, -700, 500, 200, -400, 500, 0, 0}));
  EXPECT_EQ(Pcl5Count(bytes, "PM0"), 1u);
  EXPECT_EQ(Pcl5Count(bytes, "FP0"), 2u);
}

TEST(GPcl5eDrawing, PolylineEncodingMatchesThePublishedEncoding) {
  // Golden bytes of the encoding: 0 is one terminator byte, 100 two bytes.
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  const std::unique_ptr<GPointList> pointsHeld = Pcl5Points({{0, 0}, {100, 0}, {100, -5}, {0, 0}});
  const GPointList& points = *pointsHeld;
  std::unique_ptr<GShapeGraphic> line(new GPolygonGraphic(points, nullptr, nullptr));
  ASSERT_EQ(job.generator->DrawPolyline(line.get()), 0);
  ASSERT_EQ(job.EndPage(), 0);
  EXPECT_NE(job.Bytes().find(std::string("PE=<\xBF\xBF;PE\x47\xC2\xBF\xBF\xCA\x48\xC2\xC9;")), std::string::npos);
}

TEST(GPcl5eDrawing, EllipseIsFourBezierSegmentsFromTheTopCentre) {
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  std::unique_ptr<GShapeGraphic> ellipse(new GRectangleGraphic(GRect(1000, 2000, 2000, 2600), nullptr, nullptr));
  ASSERT_EQ(job.generator->DrawEllipse(ellipse.get()), 0);
  ASSERT_EQ(job.EndPage(), 0);
  const std::string& bytes = job.Bytes();
  EXPECT_NE(bytes.find("PU1500,2000PM0PDBZ"), std::string::npos) << bytes;
  const std::string curve = Pcl5Between(bytes, "PDBZ", "PM2");
  EXPECT_EQ(Pcl5Count(curve, ","), 23u);  // 12 points after the first
  EXPECT_EQ(curve.substr(curve.size() - 9), "1500,2000");
}

TEST(GPcl5eDrawing, PathPiecesShareOnePolygonBuffer) {
  // Every piece after the first closes the subpath before it; the buffer
  // is opened once and filled once.
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  auto* path = new GPathGraphic(Pcl5Bundle(-1, 0), nullptr);
  path->AddChild(new GRectangleGraphic(GRect(100, 100, 200, 200), nullptr, nullptr));
  path->AddChild(new GRectangleGraphic(GRect(300, 100, 400, 200), nullptr, nullptr));
  path->AddChild(new GRectangleGraphic(GRect(500, 100, 600, 200), nullptr, nullptr));
  ASSERT_EQ(job.Draw(path), 0);
  ASSERT_EQ(job.EndPage(), 0);
  const std::string& bytes = job.Bytes();
  EXPECT_EQ(Pcl5Count(bytes, "PM0"), 1u);
  EXPECT_EQ(Pcl5Count(bytes, "PM1"), 2u);
  EXPECT_EQ(Pcl5Count(bytes, "PM2"), 1u);
  EXPECT_EQ(Pcl5Count(bytes, "FP0"), 1u);
  EXPECT_LT(bytes.find("PM0"), bytes.find("PM1"));
}

TEST(GPcl5eDrawing, GrayFillDownloadsAPatternOnceForItsThresholdInterval) {
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(100, 100, 200, 200), Pcl5Bundle(-1, 128), nullptr)), 0);
  // 129 lies between the same two thresholds of the job's matrix.
  ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(300, 100, 400, 200), Pcl5Bundle(-1, 129), nullptr)), 0);
  ASSERT_EQ(job.EndPage(), 0);
  const std::string& bytes = job.Bytes();
  // Pattern 1: 20 bytes (12 of header, 8 rows of 8 dots), format 20, one
  // bit a pixel, 8 x 8 at 600 dpi, then half the cells black.
  const std::string header = kEsc + "*c1G" + kEsc + "*c20W" + std::string("\x14\x00\x01\x00\x00\x08\x00\x08\x02\x58\x02\x58", 12);
  ASSERT_EQ(Pcl5Count(bytes, header), 1u) << bytes;
  const std::string rows = bytes.substr(bytes.find(header) + header.size(), 8);
  int black = 0;
  for (unsigned char row : rows)
    for (int bit = 0; bit < 8; ++bit) black += (row >> bit) & 1;
  EXPECT_EQ(black, 32);
  EXPECT_EQ(Pcl5Count(bytes, "*c20W"), 1u);
  EXPECT_EQ(Pcl5Count(bytes, "FT22,1CF2"), 2u);
}

TEST(GPcl5eJob, PassThroughOnlyForThisGenerator) {
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  const size_t before = job.Bytes().size();
  const uint8_t data[] = {'X', 'Y', 'Z'};
  GPassThroughCommand other(data, 3, 789, nullptr);
  EXPECT_EQ(job.generator->PassThrough(&other), 0);
  EXPECT_EQ(job.Bytes().size(), before);
  GPassThroughCommand mine(data, 3, GPcl5eClassId, nullptr);
  EXPECT_EQ(job.generator->PassThrough(&mine), 0);
  EXPECT_EQ(job.Bytes().substr(job.Bytes().size() - 3), "XYZ");
}

TEST(GPcl5eJob, JobStringsGoOutUnchangedAtStartAndEnd) {
  Pcl5JobDriver job;
  job.extraJobSettings.push_back(
      qvtest::Group(GFeatureIds::kExtensionPdlData, {qvtest::Text(0, "#1B%%one"), qvtest::Text(0, "two")}));
  ASSERT_EQ(job.StartDocument(), 0);
  ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.EndDocument(), 0);
  const std::string& bytes = job.Bytes();
  EXPECT_EQ(Pcl5Count(bytes, "#1B%%onetwo"), 2u) << bytes;
  // After the reset at the start, after the last page's eject at the end.
  EXPECT_LT(bytes.find(kEsc + "*t600R"), bytes.find("#1B%%one"));
  EXPECT_EQ(bytes.substr(bytes.size() - 11), "#1B%%onetwo");
}

TEST(GPcl5eJob, CustomPaperIdsAreOneCustomSizeWrittenOnEveryPage) {
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  Pcl5PageSpec page;
  page.paperId = 16500;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(job.StartPage(page), 0);
    ASSERT_EQ(job.EndPage(), 0);
  }
  ASSERT_EQ(job.EndDocument(), 0);
  EXPECT_EQ(Pcl5Count(job.Bytes(), kEsc + "&l101A"), 2u);
}

// ---- Rendered by the interpreter ----

class GPcl5eRendered : public ::testing::TestWithParam<int> {};

// Draws the sample shapes on a page: a black rectangle, a gray polygon, a
// polyline, an ellipse, a Bezier run and a dashed line.
void Pcl5DrawShapes(Pcl5JobDriver& job) {
  ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(600, 600, 1200, 1200), Pcl5Bundle(-1, 0), nullptr)), 0);
  ASSERT_EQ(job.Draw(new GPolygonGraphic(*Pcl5Points({{1800, 600}, {2400, 600}, {2100, 1200}}), Pcl5Bundle(4, 128),
                                         nullptr)),
            0);
  // A path of two rectangles, filled as one figure.
  auto* path = new GPathGraphic(Pcl5Bundle(-1, 0), nullptr);
  path->AddChild(new GRectangleGraphic(GRect(600, 1800, 800, 2400), nullptr, nullptr));
  path->AddChild(new GRectangleGraphic(GRect(1000, 1800, 1200, 2400), nullptr, nullptr));
  ASSERT_EQ(job.Draw(path), 0);
  // An outlined ellipse and a polyline, drawn straight through the
  // peripheral interface with a pen and no brush.
  GNoBrush noBrush(nullptr);
  ASSERT_EQ(job.generator->SetNoBrush(&noBrush), 0);
  GPen pen(16, Pcl5Paint(0, 0, 0), nullptr);
  ASSERT_EQ(job.generator->SetPen(&pen), 0);
  std::unique_ptr<GShapeGraphic> oval(new GRectangleGraphic(GRect(1800, 1800, 2400, 2400), nullptr, nullptr));
  ASSERT_EQ(job.generator->DrawEllipse(oval.get()), 0);
  ASSERT_EQ(job.Draw(new GPolyBezierGraphic(*Pcl5Points({{600, 3000}, {800, 2800}, {1000, 3200}, {1200, 3000}}),
                                            Pcl5Bundle(20, -1), nullptr)),
            0);
  std::unique_ptr<GShapeGraphic> line(
      new GPolygonGraphic(*Pcl5Points({{1800, 3000}, {2400, 3000}, {2400, 3000}}), nullptr, nullptr));
  ASSERT_EQ(job.generator->DrawPolyline(line.get()), 0);
  auto* dashed = new GGraphicBundle;
  dashed->SetPen(new GDashedPen(new int16_t[2]{60, 60}, 2, 20, Pcl5Paint(0, 0, 0), 0, nullptr));
  dashed->SetBrush(new GNoBrush(nullptr));
  ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(600, 3600, 2400, 3620), dashed, nullptr)), 0);
}

TEST_P(GPcl5eRendered, DuplexLetterAndA4PagesRenderTheShapes) {
  const std::string interpreter = qvtest::PclInterpreter();
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  const int orientation = GetParam();
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(1), 0);
  Pcl5PageSpec letter;
  letter.orientation = static_cast<int16_t>(orientation);
  letter.duplex = 1;
  Pcl5PageSpec a4 = letter;
  a4.paperId = qvtest::kPcl5A4Id;
  for (const Pcl5PageSpec& page : {letter, a4}) {
    ASSERT_EQ(job.StartPage(page), 0);
    Pcl5DrawShapes(job);
    ASSERT_EQ(job.EndPage(), 0);
  }
  ASSERT_EQ(job.EndDocument(), 0);
  if (const char* keep = std::getenv("QV_PCL5_KEEP")) {
    std::ofstream(std::string(keep) + std::to_string(orientation) + ".pcl", std::ios::binary) << job.Bytes();
  }

  const int dpi = 75;
  const qvtest::RenderedJob rendered =
      qvtest::RenderPcl(interpreter, job.Bytes(), "shapes" + std::to_string(orientation), dpi);
  EXPECT_EQ(rendered.errors, "");
  ASSERT_EQ(rendered.pages.size(), 2u);
  const int sizes[2][2] = {{5100 * dpi / 600, 6600 * dpi / 600}, {4960 * dpi / 600, 7016 * dpi / 600}};
  for (int i = 0; i < 2; ++i) {
    const qvtest::GrayPage& page = rendered.pages[i];
    // Pages come out in the paper's own (portrait) layout.
    EXPECT_NEAR(page.width, sizes[i][0], 2) << i;
    EXPECT_NEAR(page.height, sizes[i][1], 2) << i;
    // Logical page coordinates (dots at 600 dpi) of the samples, turned
    // into the rendered portrait image.
    auto sample = [&](int x, int y) {
      return qvtest::Pcl5LogicalSample(page, i == 0 ? qvtest::kPcl5LetterId : qvtest::kPcl5A4Id, orientation, dpi,
                                       x, y);
    };
    // Thin lines: the darkest pixel within two pixels of the point.
    auto darkest = [&](int x, int y) {
      int value = 255;
      for (int dy = -16; dy <= 16; dy += 8)
        for (int dx = -16; dx <= 16; dx += 8) value = std::min(value, sample(x + dx, y + dy));
      return value;
    };
    EXPECT_LT(sample(900, 900), 64) << "rectangle, page " << i;
    EXPECT_GT(sample(500, 500), 192) << "outside the rectangle, page " << i;
    const int polygon = sample(2100, 800);
    EXPECT_GT(polygon, 16) << "gray polygon, page " << i;
    EXPECT_LT(polygon, 240) << "gray polygon, page " << i;
    EXPECT_GT(sample(1850, 1150), 192) << "outside the polygon, page " << i;
    EXPECT_LT(sample(700, 2100), 64) << "path's first rectangle, page " << i;
    EXPECT_LT(sample(1100, 2100), 64) << "path's second rectangle, page " << i;
    EXPECT_GT(sample(900, 2100), 192) << "between the path's rectangles, page " << i;
    EXPECT_LT(darkest(2100, 1800), 128) << "top of the outlined ellipse, page " << i;
    EXPECT_LT(darkest(1800, 2100), 128) << "left of the outlined ellipse, page " << i;
    EXPECT_GT(sample(2100, 2100), 192) << "inside the outlined ellipse, page " << i;
    EXPECT_GT(sample(1830, 1830), 192) << "outside the ellipse's corner, page " << i;
    EXPECT_LT(darkest(900, 3000), 128) << "middle of the curve, page " << i;
    EXPECT_GT(sample(900, 2850), 192) << "above the curve's middle, page " << i;
    EXPECT_GT(sample(1300, 3000), 192) << "beside the curve, page " << i;
    EXPECT_LT(darkest(2100, 3000), 128) << "the polyline, page " << i;
    EXPECT_GT(sample(2100, 3100), 192) << "below the polyline, page " << i;
  }
}

TEST(GPcl5eRenderedTransform, PageTransformScalesTheDrawing) {
  const std::string interpreter = qvtest::PclInterpreter();
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  // Twice the size, the offset on the imageable origin.
  const GShortPoint origin = qvtest::Pcl5ImageableOrigin(qvtest::kPcl5LetterId, 0);
  auto* transform = new GTransformAttribute(0, origin, GRealPair(2.0f, 2.0f));
  ASSERT_EQ(job.StartPage(Pcl5PageSpec(), transform), 0);
  ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(300, 300, 600, 600), Pcl5Bundle(-1, 0), nullptr)), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.EndDocument(), 0);
  EXPECT_NE(job.Bytes().find(kEsc + "&a0P"), std::string::npos);
  EXPECT_NE(job.Bytes().find("SC0,3.3866,0,-3.3866,2"), std::string::npos) << job.Bytes();
  const int dpi = 75;
  const qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job.Bytes(), "transform", dpi);
  EXPECT_EQ(rendered.errors, "");
  ASSERT_EQ(rendered.pages.size(), 1u);
  auto sample = [&](int x, int y) { return rendered.pages[0].At((x + origin.x) * dpi / 600, (y + origin.y) * dpi / 600); };
  EXPECT_LT(sample(700, 700), 64);
  EXPECT_LT(sample(1100, 1100), 64);
  EXPECT_GT(sample(500, 500), 192);
  EXPECT_GT(sample(1300, 1300), 192);
}

INSTANTIATE_TEST_SUITE_P(Orientations, GPcl5eRendered, ::testing::Values(0, 90, 180, 270));

}  // namespace

// ---- Colour treatment ----

namespace {

// The configuration lists that map colour-treatment codes: every code c
// (0 to 127) to c + 100.
void Pcl5AddTreatmentLists(GPcl5e& generator) {
  for (int32_t id : {GFeatureIds::kColorMapCodes, GFeatureIds::kHalftoneCodes, GFeatureIds::kNeutralGraysCodes,
                     GFeatureIds::kEdgeControlCodes, GFeatureIds::kSRGBCodes}) {
    auto* list = new MAssociationList(id);
    for (int16_t code = 0; code < 128; ++code)
      list->Add(new MPersistentAssociation(qvtest::Value(0, code), qvtest::Value(0, code + 100), 0));
    generator.GetConfiguration()->AddChild(list);
  }
}

std::string Pcl5Adjustment(int c, int d, int e) {
  return kEsc + "*o4W" + std::string{'\x09', static_cast<char>(c), static_cast<char>(d), static_cast<char>(e)};
}

std::string Pcl5PaletteSetUp(int id) {
  static const char* const kEncoding[10] = {"", "\x03\x08", "\x03\x08", "\x03\x08", "\x01\x01", "\x01\x04",
                                            "\x01\x08", "\x01\x01", "\x01\x04", "\x01\x08"};
  return kEsc + "&p" + std::to_string(id) + "i6c" + std::to_string(id) + "S" + kEsc + "*v6W\x02" +
         std::string(kEncoding[id], 2) + std::string(3, '\x08');
}

// Runs a one-page job (two with pages = 2) with the job settings given and
// renders it; the job's bytes.
std::string Pcl5TreatedJob(Pcl5JobDriver& job, int pages) {
  job.extraJobSettings.push_back(qvtest::Value(GFeatureIds::kPrintColorAsGray, 0));
  Pcl5AddTreatmentLists(*job.generator);
  EXPECT_EQ(job.StartDocument(), 0);
  for (int i = 0; i < pages; ++i) {
    EXPECT_EQ(job.StartPage(Pcl5PageSpec()), 0);
    EXPECT_EQ(job.Draw(new GRectangleGraphic(GRect(600, 600, 1200, 1200), Pcl5Bundle(-1, 0), nullptr)), 0);
    EXPECT_EQ(job.EndPage(), 0);
  }
  EXPECT_EQ(job.EndDocument(), 0);
  const std::string interpreter = qvtest::PclInterpreter();
  EXPECT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  if (!interpreter.empty()) {
    const qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job.Bytes(), "treated", 75);
    EXPECT_EQ(rendered.errors, "");
    EXPECT_EQ(rendered.pages.size(), static_cast<size_t>(pages));
  }
  return job.Bytes();
}

}  // namespace

TEST(GPcl5eColourTreatment, ThePlainFormRendersEachPaletteWithItsObjectsCodes) {
  Pcl5JobDriver job;
  const int32_t id = GFeatureIds::kTintwrightColorSettings;
  // Text 1 and 2, vector graphics 3 and 4, raster images 5 and 6.
  job.extraJobSettings.push_back(qvtest::Value(GFeatureIds::kQVTintwright, 1));
  job.extraJobSettings.push_back(new GTintwrightAttribute(&id, 1, 2, 3, 4, 5, 6));
  const std::string bytes = Pcl5TreatedJob(job, 1);
  std::string expected;
  for (int palette = 1; palette <= 9; ++palette) {
    // Palettes 1 to 3 for text, vector graphics and raster images, 4 to 6
    // raster images, 7 to 9 vector graphics.
    const int type = palette <= 3 ? palette - 1 : palette <= 6 ? 2 : 1;
    expected += Pcl5PaletteSetUp(palette) + kEsc + "*o3W\x06\x04" + static_cast<char>(101 + 2 * type) + kEsc + "*t" +
                std::to_string(102 + 2 * type) + "J";
  }
  EXPECT_NE(bytes.find(expected), std::string::npos);
  EXPECT_EQ(bytes.find(kEsc + "*o4W"), std::string::npos);
}

TEST(GPcl5eColourTreatment, TheEnhancedFormsAdjustColoursAfterTheNinePalettes) {
  const int32_t id = GFeatureIds::kTintwrightColorSettings;
  std::string setUps;
  for (int palette = 1; palette <= 9; ++palette) setUps += Pcl5PaletteSetUp(palette);
  {
    Pcl5JobDriver job;
    job.extraJobSettings.push_back(qvtest::Value(GFeatureIds::kQVTintwright, 1));
    // Neutral grays and halftone of text, vector graphics and raster
    // images; edge control 0; RGB colour 7.
    job.extraJobSettings.push_back(new GTintwrightEnhancedAttribute(&id, 1, 2, 3, 4, 5, 6, 0, 7));
    const std::string bytes = Pcl5TreatedJob(job, 1);
    const std::string expected = setUps + Pcl5Adjustment(4, 0, 101) + Pcl5Adjustment(0, 0, 102) +
                                 Pcl5Adjustment(4, 1, 103) + Pcl5Adjustment(0, 1, 104) + Pcl5Adjustment(4, 2, 105) +
                                 Pcl5Adjustment(0, 2, 106) + Pcl5Adjustment(2, 3, 1) + Pcl5Adjustment(3, 3, 100) +
                                 Pcl5Adjustment(1, 3, 107);
    EXPECT_NE(bytes.find(expected), std::string::npos) << "enhanced form";
    EXPECT_EQ(bytes.find(kEsc + "*o3W"), std::string::npos);
  }
  {
    Pcl5JobDriver job;
    job.extraJobSettings.push_back(qvtest::Value(GFeatureIds::kQVTintwright, 1));
    // Neutral grays, halftone and sRGB colour per type; edge control 9.
    job.extraJobSettings.push_back(new GTintwrightEnhancedAttributeVer2(&id, 1, 2, 11, 3, 4, 13, 5, 6, 15, 9));
    const std::string bytes = Pcl5TreatedJob(job, 1);
    const std::string expected =
        setUps + Pcl5Adjustment(4, 0, 101) + Pcl5Adjustment(1, 0, 111) + Pcl5Adjustment(0, 0, 102) +
        Pcl5Adjustment(4, 1, 103) + Pcl5Adjustment(1, 1, 113) + Pcl5Adjustment(0, 1, 104) +
        Pcl5Adjustment(4, 2, 105) + Pcl5Adjustment(1, 2, 115) + Pcl5Adjustment(0, 2, 106) +
        Pcl5Adjustment(2, 3, 1) + Pcl5Adjustment(3, 3, 109);
    EXPECT_NE(bytes.find(expected), std::string::npos) << "second enhanced form";
  }
}

TEST(GPcl5eColourTreatment, TheSideSettingsTakeThePlaceOnTheSideTheyName) {
  // 304 = 10: the first sheet prints with the side settings (208), the
  // later ones with the job's (295); a job without 304 never uses them.
  const int32_t id = GFeatureIds::kTintwrightColorSettings;
  const int32_t side = GFeatureIds::kTintwrightSideSettings;
  const std::string jobCodes = kEsc + "*o3W\x06\x04" + static_cast<char>(101) + kEsc + "*t102J";
  const std::string sideCodes = kEsc + "*o3W\x06\x04" + static_cast<char>(121) + kEsc + "*t122J";
  {
    Pcl5JobDriver job;
    job.extraJobSettings.push_back(qvtest::Value(GFeatureIds::kQVTintwright, 10));
    job.extraJobSettings.push_back(new GTintwrightAttribute(&id, 1, 2, 1, 2, 1, 2));
    job.extraJobSettings.push_back(new GTintwrightAttribute(&side, 21, 22, 21, 22, 21, 22));
    const std::string bytes = Pcl5TreatedJob(job, 2);
    const size_t secondPage = bytes.find("\x0C");
    ASSERT_NE(secondPage, std::string::npos);
    EXPECT_NE(bytes.substr(0, secondPage).find(sideCodes), std::string::npos) << "first sheet";
    EXPECT_EQ(bytes.substr(0, secondPage).find(jobCodes), std::string::npos) << "first sheet";
    EXPECT_NE(bytes.substr(secondPage).find(jobCodes), std::string::npos) << "second sheet";
    EXPECT_EQ(bytes.substr(secondPage).find(sideCodes), std::string::npos) << "second sheet";
  }
  {
    Pcl5JobDriver job;
    job.extraJobSettings.push_back(new GTintwrightAttribute(&id, 1, 2, 1, 2, 1, 2));
    const std::string bytes = Pcl5TreatedJob(job, 1);
    EXPECT_EQ(bytes.find(kEsc + "*o3W"), std::string::npos) << "without 304 no treatment";
  }
}
