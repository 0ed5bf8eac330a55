// The PCL XL generator's bytes: the session around a job, the page set-up
// (medium, orientation, source, type, duplex, copies), the relative point
// runs of lines and curves, clips, pens, raster operations and the page
// transform, and the job's failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GClip.h"
#include "graphics/GFillMode.h"
#include "graphics/GPaint.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GPen.h"
#include "graphics/GShapeGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "model/GAttributeComposite.h"
#include "model/GGraphicBundle.h"
#include "model/GTintwrightAttribute.h"
#include "pdl/XLOperators.h"
#include "printpath/GJobAbort.h"
#include "support/GraphicsObjectSamples.h"
#include "support/RecordingPeripheral.h"
#include "support/XLStreamTestSupport.h"
#include "support/XlJobDriver.h"
#include "w32test/Testing.h"

namespace {

using qvtest::FromHex;
using qvtest::SpacedHex;
using qvtest::XlJobDriver;
using qvtest::XlPageSettings;

const std::string kXlSession = "D1 58 02 58 02 F8 89 C0 00 F8 86 C0 03 F8 8F 41 C0 00 F8 88 C0 01 F8 82 48";
const std::string kXlEndSession = "49 42";
const std::string kXlClipModeAfterBeginPage = "C0 00 F8 54 7F";

std::string XlHexOf(const std::string& text) {
  return SpacedHex(text);
}

// The bytes the writers give, for comparisons of sequences.
template <typename Write>
std::string XlWritten(Write write) {
  qvtest::XLFixture fixture;
  write(*fixture);
  return fixture.Bytes();
}

// An open run of points, as a line shape carries them (a polygon would
// close itself).
class XlLineShape : public GRectangleGraphic {
 public:
  explicit XlLineShape(const std::vector<GShortPoint>& points) : GRectangleGraphic(GRect(), nullptr, nullptr) {
    auto* copy = new GShortPoint[points.size()];
    std::copy(points.begin(), points.end(), copy);
    Points().Reset(copy, static_cast<uint32_t>(points.size()), true);
  }
};

class CheetahTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }

  // Everything the generator wrote since the last call, its buffer flushed.
  std::string Since(XlJobDriver& job) {
    XLStreamFlush(job.generator.GetStream());
    const std::string all = job.StreamBytes();
    std::string fresh = all.substr(std::min(seen_, all.size()));
    seen_ = all.size();
    return fresh;
  }
  // A job in its first page, everything so far taken.
  void InPage(XlJobDriver& job) {
    ASSERT_EQ(job.Start(), 0);
    ASSERT_EQ(job.StartPage(), 0);
    Since(job);
  }

 private:
  size_t seen_ = 0;
};

TEST_F(CheetahTest, AJobIsItsHeaderSessionAndPages) {
  XlJobDriver job;
  job.Job()->AddChild(new GStringAttribute("Quarrin 4700;4700dn", &GFeatureIds::kProductModelNumber));
  ASSERT_EQ(job.Start(), 0);
  XlPageSettings page;
  page.inputBin = 1;
  page.copies = 2;
  ASSERT_EQ(job.StartPage(page), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.StartPage(page), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.End(), 0);

  const std::string header = ") QV-PCL XL;2;0;Comment QV PCL XL generator ;4700dn\n";
  const std::string letter = "C8 C1 06 00 4C 45 54 54 45 52 F8 25";
  // The tray's code (3) goes out on the first page only.
  const std::string first = "C0 00 F8 28 C0 03 F8 26 " + letter + " 43 " + kXlClipModeAfterBeginPage;
  const std::string second = "C0 00 F8 28 " + letter + " 43 " + kXlClipModeAfterBeginPage;
  const std::string endPage = "C1 02 00 F8 31 44";
  EXPECT_EQ(XlHexOf(job.StreamBytes()),
            XlHexOf(header + FromHex(kXlSession + first + endPage + second + endPage + kXlEndSession)));
}

TEST_F(CheetahTest, PageSetUpNamesItsMediumOrientationTypeAndSource) {
  const std::string letter = "C8 C1 06 00 4C 45 54 54 45 52 F8 25";
  struct Case {
    const char* name;
    XlPageSettings page;
    bool paperNames;
    std::string bytes;  // from Orientation to BeginPage
  } cases[] = {
      {"named paper", {}, true, "C0 00 F8 28 " + letter + " 43"},
      {"A4 landscape", {&qvtest::kXlA4, 90}, true, "C0 01 F8 28 C8 C1 02 00 41 34 F8 25 43"},
      {"orientation 45 is portrait", {&qvtest::kXlLetter, 45}, true, "C0 00 F8 28 " + letter + " 43"},
      {"orientation 270", {&qvtest::kXlLetter, 270}, true, "C0 03 F8 28 " + letter + " 43"},
      // A page without a medium keeps a default one rather than none.
      {"no medium", {nullptr}, true, "C0 00 F8 28 " + letter + " 43"},
      // Without the paper names the medium goes out by its size in inches.
      {"no paper names", {}, false, "C0 00 F8 28 D5 00 00 08 41 00 00 30 41 F8 2F C0 00 F8 30 43"},
      // A custom size has no name, and its tray goes out on every page.
      {"custom size", {&qvtest::kXlLegalCustom}, true,
       "C0 00 F8 28 C0 00 F8 26 D5 00 00 08 41 00 00 60 41 F8 2F C0 00 F8 30 43"},
      {"media type", {&qvtest::kXlLetter, 0, 1, -1, -1, "Glossy"}, true,
       "C0 00 F8 28 C8 C1 06 00 47 6C 6F 73 73 79 F8 27 " + letter + " 43"},
      {"tray without a code", {&qvtest::kXlLetter, 0, 1, 5}, true, "C0 00 F8 28 C0 00 F8 26 " + letter + " 43"},
      {"mapped tray", {&qvtest::kXlLetter, 0, 1, 7}, true, "C0 00 F8 28 C0 01 F8 26 " + letter + " 43"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    XlJobDriver job(qvtest::XlConfiguration(c.paperNames));
    ASSERT_EQ(job.Start(), 0);
    const size_t before = (XLStreamFlush(job.generator.GetStream()), job.StreamBytes().size());
    ASSERT_EQ(job.StartPage(c.page), 0);
    XLStreamFlush(job.generator.GetStream());
    EXPECT_EQ(XlHexOf(job.StreamBytes().substr(before)), XlHexOf(FromHex(c.bytes + kXlClipModeAfterBeginPage)));
    ASSERT_EQ(job.EndPage(), 0);
    ASSERT_EQ(job.End(), 0);
  }
}

TEST_F(CheetahTest, DuplexChangesWaitForAFrontSideButSimplexDoesNot) {
  XlJobDriver job;
  ASSERT_EQ(job.Start(), 0);
  std::vector<std::string> pages;
  const int16_t sequence[] = {2, 1, 1, 0, 2};
  for (int16_t duplex : sequence) {
    XlPageSettings page;
    page.duplex = duplex;
    Since(job);
    ASSERT_EQ(job.StartPage(page), 0);
    pages.push_back(XlHexOf(Since(job)));
    ASSERT_EQ(job.EndPage(), 0);
  }
  ASSERT_EQ(job.End(), 0);
  const std::string longEdge = "C0 01 F8 35";
  const std::string shortEdge = "C0 00 F8 35";
  const std::string simplex = "C0 00 F8 34";
  EXPECT_NE(pages[0].find(longEdge), std::string::npos) << "a duplex change on the first sheet";
  EXPECT_EQ(pages[1].find("F8 35"), std::string::npos) << "a change of binding waits for a front side";
  EXPECT_NE(pages[2].find(shortEdge), std::string::npos) << "the next front side takes it";
  EXPECT_NE(pages[3].find(simplex), std::string::npos) << "simplex goes out at once, on a back side too";
  EXPECT_NE(pages[4].find(longEdge), std::string::npos) << "after simplex the next sheet may turn duplex";
  EXPECT_EQ(job.generator.GetCurrentDuplex(), 2);
}

TEST_F(CheetahTest, LinesGoAsRunsOfByteOrWordDeltas) {
  struct Case {
    const char* name;
    std::vector<GShortPoint> points;
    bool to;  // DrawPolylineTo from the current point (0, 0)
    std::string bytes;
  } cases[] = {
      {"large deltas stay words", {{10, 10}, {20, 10}, {400, 10}, {401, 11}}, false,
       "85 D3 0A 00 0A 00 F8 4C 6B C1 04 00 F8 4D C0 03 F8 50 9D FB 10 "
       "00 00 00 00 0A 00 00 00 7C 01 00 00 01 00 01 00 86"},
      {"seven small deltas are bytes", {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}}, false,
       "85 D3 00 00 00 00 F8 4C 6B C1 07 00 F8 4D C0 01 F8 50 9D FB 0E 00 00 01 01 01 01 01 01 01 01 01 01 01 01 86"},
      {"a streak of six small deltas between large ones",
       {{200, 0}, {201, 0}, {202, 0}, {203, 0}, {204, 0}, {205, 0}, {206, 0}, {506, 0}}, true,
       "C1 01 00 F8 4D C0 03 F8 50 9D FB 04 C8 00 00 00 "
       "C1 06 00 F8 4D C0 01 F8 50 9D FB 0C 01 00 01 00 01 00 01 00 01 00 01 00 "
       "C1 01 00 F8 4D C0 03 F8 50 9D FB 04 2C 01 00 00 86"},
      {"-128 is large, -127 and 127 small", {{0, 0}, {-128, 0}, {-1, 127}}, true,
       "C1 03 00 F8 4D C0 03 F8 50 9D FB 0C 00 00 00 00 80 FF 00 00 7F 00 7F 00 86"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    XlJobDriver job;
    InPage(job);
    XlLineShape shape(c.points);
    EXPECT_EQ(c.to ? job.generator.DrawPolylineTo(&shape) : job.generator.DrawPolyline(&shape), 0);
    EXPECT_EQ(XlHexOf(Since(job)), XlHexOf(FromHex(c.bytes)));
    EXPECT_EQ(job.generator.GetCurrentX(), c.points.back().x);
    EXPECT_EQ(job.generator.GetCurrentY(), c.points.back().y);
  }
}

TEST_F(CheetahTest, PathsPaintOnceAndNestedClosedPathsCloseTheirSubpath) {
  XlJobDriver job;
  InPage(job);
  // Outer closed path: painted, no CloseSubPath.
  std::unique_ptr<GPathGraphic> outer(new GPathGraphic(nullptr, nullptr));
  outer->AddChild(new GRectangleGraphic(GRect(0, 0, 10, 10), nullptr, nullptr));
  outer->Close();
  EXPECT_EQ(job.generator.DrawPath(outer.get()), 0);
  const std::string rect = "E3 00 00 00 00 0A 00 0A 00 F8 42 A1";
  EXPECT_EQ(XlHexOf(Since(job)), XlHexOf(FromHex("85 " + rect + " 86")))
      << "one NewPath, no CloseSubPath, one PaintPath";

  // The same closed path inside another: CloseSubPath and no paint of its own.
  std::unique_ptr<GPathGraphic> wrapper(new GPathGraphic(nullptr, nullptr));
  auto* inner = new GPathGraphic(nullptr, nullptr);
  inner->AddChild(new GRectangleGraphic(GRect(0, 0, 10, 10), nullptr, nullptr));
  inner->Close();
  wrapper->AddChild(inner);
  EXPECT_EQ(job.generator.DrawPath(wrapper.get()), 0);
  EXPECT_EQ(XlHexOf(Since(job)), XlHexOf(FromHex("85 " + rect + " 84 86")));

  // A flat rectangle writes its NewPath only.
  GRectangleGraphic flat(GRect(5, 5, 5, 20), nullptr, nullptr);
  EXPECT_EQ(job.generator.DrawRectangle(&flat), 0);
  EXPECT_EQ(XlHexOf(Since(job)), "85");
}

TEST_F(CheetahTest, AnArcLeavesTheCursorOnTheEllipseAtItsEndPoint) {
  XlJobDriver job;
  InPage(job);
  // Centre (50, 100), radii 50 and 100; the end point lies straight below
  // the centre, so the cursor ends at the bottom of the ellipse.
  GRectangleGraphic arc(GRect(0, 0, 100, 200), nullptr, nullptr);
  arc.SetStartPoint(GShortPoint(100, 100));
  arc.SetEndPoint(GShortPoint(50, 300));
  EXPECT_EQ(job.generator.DrawArc(&arc), 0);
  EXPECT_EQ(job.generator.GetCurrentX(), 50);
  EXPECT_EQ(job.generator.GetCurrentY(), 200);
  // To the right of the centre: angle 0, the right end of the ellipse.
  arc.SetEndPoint(GShortPoint(400, 100));
  EXPECT_EQ(job.generator.DrawArc(&arc), 0);
  EXPECT_EQ(job.generator.GetCurrentX(), 100);
  EXPECT_EQ(job.generator.GetCurrentY(), 100);
}

TEST_F(CheetahTest, ATransparentRasterOperationWrapsSolidPaintsInOpaqueModes) {
  XlJobDriver job;
  InPage(job);
  GRasterOperation rop(0xA0CA, kRopExtended, nullptr);
  EXPECT_EQ(job.generator.SetRasterOperation(&rop), 0);
  EXPECT_EQ(Since(job), XlWritten([](XLStream* s) {
              XLSetPatternTxMode(s, 1);
              XLSetSourceTxMode(s, 1);
              XLSetROP(s, 0xCA);
            }));
  GRectangleGraphic box(GRect(0, 0, 10, 10), nullptr, nullptr);
  EXPECT_EQ(job.generator.DrawRectangle(&box), 0);
  EXPECT_EQ(Since(job), XlWritten([](XLStream* s) {
              XLNewPath(s);
              XLRectanglePathS16(s, 0, 0, 10, 10);
              XLSetPatternTxMode(s, 0);
              XLSetSourceTxMode(s, 0);
              XLPaintPath(s);
              XLSetPatternTxMode(s, 1);
              XLSetSourceTxMode(s, 1);
            }));
  GRasterOperation plain(0x00CC, kRopExtended, nullptr);
  EXPECT_EQ(job.generator.SetRasterOperation(&plain), 0);
  Since(job);
  EXPECT_EQ(job.generator.DrawRectangle(&box), 0);
  EXPECT_EQ(Since(job), XlWritten([](XLStream* s) {
              XLNewPath(s);
              XLRectanglePathS16(s, 0, 0, 10, 10);
              XLPaintPath(s);
            }));
}

TEST_F(CheetahTest, ClipsPensAndModesWriteTheirOperators) {
  XlJobDriver job;
  InPage(job);
  GClipToSingleRectangle single(GRect(1, 2, 3, 4), kClipOutside, kClipEvenOdd, nullptr);
  EXPECT_EQ(job.generator.ClipToRectangle(&single), 0);
  EXPECT_EQ(Since(job), XlWritten([](XLStream* s) {
              XLSetClipMode(s, 1);
              XLSetClipRectangleS16(s, 1, 2, 3, 4, 1);
            }));
  GRectVector two;
  two.Append(GRect(0, 0, 5, 5));
  two.Append(GRect(10, 10, 20, 20));
  GClipToRectangle rects(two, kClipInside, kClipWinding, nullptr);
  EXPECT_EQ(job.generator.ClipToRectangles(&rects), 0);
  EXPECT_EQ(Since(job), XlWritten([](XLStream* s) {
              XLSetClipMode(s, 0);
              XLNewPath(s);
              XLRectanglePathS16(s, 0, 0, 5, 5);
              XLRectanglePathS16(s, 10, 10, 20, 20);
              XLSetClipReplace(s, 0);
            }));
  // A clip to a path builds the path without painting it.
  auto* outline = new GPathGraphic(nullptr, nullptr);
  outline->AddChild(new GRectangleGraphic(GRect(0, 0, 8, 8), nullptr, nullptr));
  GClipToPath toPath(outline, kClipInside, kClipEvenOdd, nullptr);
  EXPECT_EQ(job.generator.ClipToPath(&toPath), 0);
  EXPECT_EQ(Since(job), XlWritten([](XLStream* s) {
              XLSetClipMode(s, 1);
              XLNewPath(s);
              XLRectanglePathS16(s, 0, 0, 8, 8);
              XLSetClipReplace(s, 0);
            }));

  GDashedPen dashed(new int16_t[2]{30, 10}, 2, 4, qvtest::SamplePaint(255), 5, nullptr);
  EXPECT_EQ(job.generator.SetDashedPen(&dashed), 0);
  const uint16_t dashes[] = {30, 10};
  const uint8_t gray = static_cast<uint8_t>((76 * 255 + 151 * 2 + 28 * 3 + 255) / 256);
  EXPECT_EQ(Since(job), XlWritten([&](XLStream* s) {
              XLSetLineDashOffset(s, dashes, 2, 5);
              XLSetPenWidth(s, 4);
              XLSetColorSpace(s, 1);
              XLSetPenSourceGray(s, gray);
            }));
  GMiterJoint miter(7.9f, nullptr);
  EXPECT_EQ(job.generator.SetMiterJoin(&miter), 0);
  GFillMode evenOdd(0, nullptr);
  EXPECT_EQ(job.generator.SetFillMode(&evenOdd), 0);
  EXPECT_EQ(Since(job), XlWritten([](XLStream* s) {
              XLSetMiterLimit(s, 7);
              XLSetLineJoin(s, 0);
              XLSetFillMode(s, 1);
            }));
}

TEST_F(CheetahTest, ColourOutputSendsRGBAndGrayOutputALevel) {
  for (int16_t asGray : {0, 1}) {
    SCOPED_TRACE(asGray);
    XlJobDriver job;
    job.SetJobValue(GFeatureIds::kPrintColorAsGray, asGray);
    InPage(job);
    GColorPaint paint(new GRGBColor(200, 100, 50, 255));
    EXPECT_EQ(job.generator.SetBrushColor(&paint), 0);
    const uint8_t gray = static_cast<uint8_t>((76 * 200 + 151 * 100 + 28 * 50 + 255) / 256);
    EXPECT_EQ(Since(job), XlWritten([&](XLStream* s) {
                if (asGray == 0) {
                  XLSetColorSpace(s, 2);
                  XLSetBrushSourceRGB(s, 200, 100, 50);
                } else {
                  XLSetColorSpace(s, 1);
                  XLSetBrushSourceGray(s, gray);
                }
              }));
    GColorPaint none;
    EXPECT_EQ(job.generator.SetPenColor(&none), 0);
    EXPECT_EQ(Since(job), "") << "a paint without a colour writes nothing";
  }
}

TEST_F(CheetahTest, TheTransformGoesOutOnlyInsideAPage) {
  XlJobDriver job;
  ASSERT_EQ(job.Start(), 0);
  Since(job);
  GTransformAttribute transform(90, GShortPoint(-3, 4), GRealPair(0.5f, 2.0f));
  transform.changed = 1;
  EXPECT_EQ(job.generator.SetTransform(&transform), 0);
  EXPECT_EQ(Since(job), "");
  EXPECT_EQ(transform.changed, 1) << "kept for the page";
  ASSERT_EQ(job.StartPage(), 0);
  Since(job);
  EXPECT_EQ(job.generator.SetTransform(&transform), 0);
  EXPECT_EQ(Since(job), XlWritten([](XLStream* s) {
              XLSetPageDefaultCTM(s);
              XLSetPageOriginS16(s, -3, 4);
              XLSetPageRotation(s, 90);
              XLSetPageScale(s, 0.5f, 2.0f);
            }));
  EXPECT_EQ(transform.changed, 0);
}

TEST_F(CheetahTest, PalettesArePaddedToTheirDepth) {
  XlJobDriver job;
  InPage(job);
  GPaletteTable palette(std::vector<GColor*>{});
  for (int i = 0; i < 16; ++i) palette.AddEntry(new GRGBColor(static_cast<uint8_t>(i), 1, 2, 0));
  EXPECT_TRUE(job.generator.SendRGBPalette(&palette, 8));
  std::vector<uint8_t> table(256 * 3, 0);
  for (int i = 0; i < 16; ++i) {
    table[i * 3] = static_cast<uint8_t>(i);
    table[i * 3 + 1] = 1;
    table[i * 3 + 2] = 2;
  }
  EXPECT_EQ(Since(job), XlWritten([&](XLStream* s) { XLSetColorSpacePalette(s, 2, 2, table.data(), 768); }));
  EXPECT_FALSE(job.generator.SendRGBPalette(&palette, 24));
  EXPECT_FALSE(job.generator.SendGrayPalette(nullptr, 8));
  EXPECT_EQ(Since(job), XlWritten([](XLStream* s) {
              XLSetColorSpace(s, 2);
              XLSetColorSpace(s, 1);
            }));
}

TEST_F(CheetahTest, AFailingChannelStopsTheOutputAndItsStatusIsAnsweredOnce) {
  XlJobDriver job;
  ASSERT_EQ(job.Start(), 0);
  ASSERT_NE(qvtest::RecordingSource::last, nullptr);
  qvtest::RecordingSource::last->writeStatus = 77;
  // The page end flushes the stream into the refusing channel.
  ASSERT_EQ(job.StartPage(), 0);
  EXPECT_EQ(job.EndPage(), 77);
  EXPECT_EQ(job.generator.GetWriteEnabled(), 0);
  qvtest::RecordingSource::last->writeStatus = 0;
  ASSERT_EQ(job.StartPage(), 0);
  EXPECT_EQ(job.EndPage(), 0) << "later operations answer 0";
  EXPECT_EQ(job.End(), 0);
  EXPECT_EQ(job.StreamBytes(), "") << "nothing of the generator's reached the channel";
}

TEST_F(CheetahTest, DocumentBreakIsACommentOfTheLetterH) {
  XlJobDriver job;
  InPage(job);
  ASSERT_EQ(job.EndPage(), 0);
  Since(job);
  GCountedPtr command(new GDocumentEnd);
  EXPECT_EQ(job.generator.DocumentBreak(CommandOf(command)), 0);
  const std::string bytes = Since(job);
  EXPECT_EQ(bytes, FromHex("C8 C0 78") + std::string(120, 'H') + FromHex("F8 81 47"));
  EXPECT_EQ(bytes.size(), 126u);
}

TEST_F(CheetahTest, EscapeTextsNeedAnExclamationMarkOrTheNewerProtocol) {
  struct Case {
    bool check;
    int16_t protocolClass;
    const char* text;
    int32_t answer;
  } cases[] = {
      {false, 2, "!R!", 1}, {false, 2, "\x1b(s3T", 0}, {true, 2, "!R!", 0},
      {true, 3, "!R!", 1},  {true, 3, "\x1b(s3T", 1},   {true, 3, "plain", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto* configuration = new GConfiguration;
    if (c.check) configuration->AddChild(new GValueAttribute(1, &GFeatureIds::kTextEscapeCheck));
    configuration->AddChild(new GValueAttribute(c.protocolClass, &GFeatureIds::kXLProtocolClass));
    configuration->AddChild(new GValueAttribute(0, &GFeatureIds::kXLProtocolRevision));
    GCheetah generator(RWCString("PCLXL"), nullptr, configuration, &GFeatureIds::kGeneratorPeripheral, 0,
                       kAddOnNone, kNoAddOns);
    EXPECT_EQ(generator.CheckEscapeText(RWCString(c.text)), c.answer);
  }
}

TEST_F(CheetahTest, JobSettingsChooseResolutionAndRenderMode) {
  struct Case {
    const char* name;
    int16_t preset;  // -1: none
    int16_t mode;    // -1: none
    int16_t renderMode;
  } cases[] = {
      {"no preset", -1, -1, 1}, {"preset 1", 1, -1, 4},  {"preset 0 mode 1", 0, 1, 512},
      {"preset 0 default", 0, -1, 4}, {"preset 2", 2, -1, 512}, {"preset 0 mode 7", 0, 7, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    XlJobDriver job;
    if (c.preset >= 0) job.SetJobValue(GFeatureIds::kQualitySetting405, c.preset);
    if (c.mode >= 0) job.SetJobValue(GFeatureIds::kPortKind, c.mode);
    auto* resolution = new GState(&GFeatureIds::kResolution);
    resolution->AddChild(new GValueAttribute(1200, &GFeatureIds::kXResolution));
    resolution->AddChild(new GValueAttribute(1200, &GFeatureIds::kYResolution));
    job.Job()->AddChild(resolution);
    ASSERT_EQ(job.Start(), 0);
    EXPECT_EQ(job.generator.GetRenderMode(), c.renderMode);
    XLStreamFlush(job.generator.GetStream());
    EXPECT_NE(job.StreamBytes().find(FromHex("D1 B0 04 B0 04 F8 89")), std::string::npos)
        << "BeginSession at 1200 dpi";
    ASSERT_EQ(job.End(), 0);
  }
}

TEST_F(CheetahTest, PageAndJobEndsReachTheChildrenFirstAndOtherCommandsLast) {
  XlJobDriver job;
  auto* child = new qvtest::RecordingPeripheral;
  job.generator.AddChild(child);
  ASSERT_EQ(job.Start(), 0);
  // A child that refuses the page start sees it after the generator began
  // the page.
  child->SetResult("PageStart", 9);
  Since(job);
  EXPECT_EQ(job.StartPage(), 9);
  EXPECT_NE(Since(job).find('\x43'), std::string::npos) << "BeginPage was written before the child refused";
  // A child that refuses the page end stops it before the generator ends
  // the page.
  child->SetResult("PageEnd", 8);
  EXPECT_EQ(job.EndPage(), 8);
  EXPECT_EQ(Since(job), "") << "no EndPage after the child refused";
  child->SetResult("PageEnd", 0);
  EXPECT_EQ(job.EndPage(), 0);
  EXPECT_EQ(XlHexOf(Since(job)), "C1 01 00 F8 31 44");
  ASSERT_EQ(job.End(), 0);
}

TEST_F(CheetahTest, AJobAbortInADocumentClosesTheSession) {
  XlJobDriver job;
  InPage(job);
  GCountedPtr abort(new GJobAbort);
  EXPECT_EQ(job.generator.JobAbort(static_cast<GJobAbort*>(CommandOf(abort))), 0);
  EXPECT_EQ(XlHexOf(Since(job)), kXlEndSession);
  EXPECT_EQ(job.generator.GetInDocumentFlag(), 0);
  EXPECT_EQ(job.generator.IsInDocument(), 0);
  EXPECT_EQ(job.generator.JobAbort(static_cast<GJobAbort*>(CommandOf(abort))), 0);
  EXPECT_EQ(Since(job), "") << "outside a document there is no session to close";
}

TEST_F(CheetahTest, RawInsertsGoStraightToTheChannelAroundTheSession) {
  XlJobDriver job;
  auto* inserts = new GAttributeComposite(&GFeatureIds::kExtensionPdlData);
  const int32_t noId = 0;
  inserts->AddChild(new GStringAttribute("<first>", &noId));
  inserts->AddChild(new GStringAttribute("<second>", &noId));
  job.Job()->AddChild(inserts);
  job.SetJobValue(GFeatureIds::kPclPrintQuality, 3);
  ASSERT_EQ(job.Start(), 0);
  const std::string start = job.StreamBytes();
  EXPECT_EQ(start.substr(start.size() - 15), "<first><second>") << "flushed stream first, then the texts";
  EXPECT_NE(XlHexOf(start).find("C2 02 20 76 71 F8 91 C0 03 F8 93 46"), std::string::npos)
      << "the print quality as a vendor-unique setting";
  ASSERT_EQ(job.StartPage(), 0);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.End(), 0);
  const std::string all = job.StreamBytes();
  EXPECT_EQ(all.substr(all.size() - 17), "<first><second>" + FromHex(kXlEndSession));
}

TEST_F(CheetahTest, ColourControlsOfThePageGoOutAsTheDevicesValues) {
  const int32_t noId = 0;
  auto* configuration = qvtest::XlConfiguration();
  // The device model maps edge control 95 to 2; the other codes have no
  // value of the device's and go out as 0.
  const int32_t edgeList = 545;
  auto* edges = new MAssociationList(edgeList);
  edges->Add(new MPersistentAssociation(new GValueAttribute(95, &noId), new GValueAttribute(2, &noId), noId));
  configuration->AddChild(edges);
  XlJobDriver job(configuration);
  ASSERT_EQ(job.Start(), 0);
  Since(job);
  GState* page = XlPageSettings{}.Build();
  page->AddChild(new GTintwrightEnhancedAttribute(&GFeatureIds::kTintwrightColorSettings));
  ASSERT_EQ(job.StartPage(page), 0);
  const std::string bytes = Since(job);
  const std::string controls = XlWritten([](XLStream* s) {
    XLSetNeutralAxisObjects(s, 0, 0, 0);
    XLSetHalftoneMethodObjects(s, 0, 0, 0);
    XLSetAdaptiveHalftoningObjects(s, 1, 1, 1);
    XLSetColorTrapping(s, 2);
    XLSetColorTreatment(s, 0);
  });
  const size_t beginPage = bytes.find(FromHex("F8 25 43"));
  ASSERT_NE(beginPage, std::string::npos);
  EXPECT_EQ(XlHexOf(bytes.substr(beginPage + 3, controls.size())), XlHexOf(controls)) << "right after BeginPage";
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.End(), 0);
}

TEST_F(CheetahTest, EachPageStartsFromTheDefaultGraphicsStateAndThePagesTransform) {
  XlJobDriver job;
  auto* defaults = new GState(&GFeatureIds::kGraphicsState);
  defaults->AddChild(new GFillMode(kFillWinding, nullptr));
  job.generator.GetDefaultState()->AddChild(defaults);
  ASSERT_EQ(job.Start(), 0);
  ASSERT_EQ(job.StartPage(), 0);
  // A graphic of the page changes the fill mode of the current state.
  auto* box = new GRectangleGraphic(GRect(0, 0, 10, 10), new GGraphicBundle, nullptr);
  static_cast<GGraphicBundle*>(box->GetSettings())->SetFillMode(new GFillMode(kFillEvenOdd, nullptr));
  ASSERT_EQ(job.Draw(box), 0);
  // The graphic's bundle joins the current graphics state.
  auto graphics = [&job] { return job.generator.GetStateSection(GFeatureIds::kGraphicsState); };
  EXPECT_EQ(graphics()->Children().Count(), 2u);
  ASSERT_EQ(job.EndPage(), 0);

  // The next page starts from the default state again, and its transform
  // goes out with its first graphic.
  GState* page = XlPageSettings{}.Build();
  page->AddChild(new GTransformAttribute(0, GShortPoint(100, 200), GRealPair(0.5f, 0.5f)));
  ASSERT_EQ(job.StartPage(page), 0);
  ASSERT_EQ(graphics()->Children().Count(), 2u) << "the default's fill mode and the page's transform";
  EXPECT_NE(graphics()->FindByClass(GFillModeClassId), nullptr);
  EXPECT_EQ(dynamic_cast<GFillMode*>(graphics()->FindByClass(GFillModeClassId))->GetMode(), kFillWinding);
  Since(job);
  ASSERT_EQ(job.Draw(new GRectangleGraphic(GRect(0, 0, 10, 10), new GGraphicBundle, nullptr)), 0);
  const std::string origin = XlWritten([](XLStream* s) {
    XLSetPageDefaultCTM(s);
    XLSetPageOriginS16(s, 100, 200);
    XLSetPageRotation(s, 0);
    XLSetPageScale(s, 0.5f, 0.5f);
  });
  EXPECT_NE(Since(job).find(origin), std::string::npos);
  ASSERT_EQ(job.EndPage(), 0);
  ASSERT_EQ(job.End(), 0);
}

TEST_F(CheetahTest, TheHeaderStaysOneLineWhateverTheModelText) {
  XlJobDriver job;
  job.Job()->AddChild(new GStringAttribute("Q;47\n00\r\x1b", &GFeatureIds::kProductModelNumber));
  ASSERT_EQ(job.Start(), 0);
  XLStreamFlush(job.generator.GetStream());
  const std::string bytes = job.StreamBytes();
  EXPECT_EQ(bytes.substr(0, bytes.find('\n') + 1), ") QV-PCL XL;2;0;Comment QV PCL XL generator ;4700\n");
  EXPECT_EQ(bytes.substr(bytes.find('\n') + 1, 5), FromHex("D1 58 02 58 02")) << "BeginSession right after it";
  ASSERT_EQ(job.End(), 0);
}

}  // namespace
