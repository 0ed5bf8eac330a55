// The PostScript generator through whole jobs, driven as the printer
// drives it: the DSC header, setup, page frames and trailer line by line,
// and Ghostscript rendering the jobs (with and without the PJL wrapper and
// the tagged binary protocol) to the right number of pages at the right
// sizes; document names that try to end the comment or the job; pages
// without a medium; application data; write errors.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/GConfiguration.h"
#include "model/GDownloadHeaderCommand.h"
#include "printpath/GJobAbort.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/GTintwrightAttribute.h"
#include "support/PostScriptInterpreter.h"
#include "support/PsJobDriver.h"

namespace {

using qvtest::PsJobDriver;
using qvtest::PsPageSettings;

const std::string kPsHeaderComments =
    "%!PS-Adobe-3.0\r\n"
    "%%Title: Report\r\n"
    "%%Creator: QV/Fennick PS2 Driver\r\n"
    "%%BoundingBox: (atend)\r\n"
    "%%Pages: (atend)\r\n"
    "%%PageOrder: Special\r\n"
    "%%DocumentNeededResources: (atend)\r\n"
    "%%DocumentSuppliedResources: (atend)\r\n"
    "%%DocumentData: Clean8Bit\r\n"
    "%%LanguageLevel: 2\r\n"
    "%%EndComments\r\n\r\n"
    "%%BeginProlog\r\n"
    "%%BeginResource: procset QV_Standard_Proc 1.0 0\r\n";

// The text between two markers (the first included, the second not).
std::string PsSection(const std::string& job, const std::string& from, const std::string& to) {
  const size_t start = job.find(from);
  if (start == std::string::npos) return "<no " + from + ">";
  const size_t end = job.find(to, start + from.size());
  return job.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

size_t PsCount(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

// Renders the job at 72 dpi (a pixel a point) and checks that Ghostscript
// took it without an error.
qvtest::RenderedJob PsRender(const std::string& job, const std::string& name) {
  return qvtest::RenderPostScriptJob(job, name);
}

void PsExpectPageSizes(const qvtest::RenderedJob& rendered, const std::vector<std::pair<int, int>>& sizes) {
  ASSERT_EQ(rendered.pages.size(), sizes.size()) << rendered.errors;
  for (size_t i = 0; i < sizes.size(); ++i) {
    EXPECT_EQ(rendered.pages[i].width, sizes[i].first) << "page " << i + 1;
    EXPECT_EQ(rendered.pages[i].height, sizes[i].second) << "page " << i + 1;
  }
}

TEST(GPostScriptJobTest, TwoPagesInBothOrientationsHaveTheirFramesAndRender) {
  PsJobDriver job;
  ASSERT_EQ(job.Start(u"Report"), 0);
  ASSERT_EQ(job.Page(PsPageSettings(qvtest::PsLetter(), 0)), 0);
  ASSERT_EQ(job.Page(PsPageSettings(qvtest::PsLetter(), 90)), 0);
  ASSERT_EQ(job.End(), 0);
  const std::string out = job.Output();

  EXPECT_EQ(out.substr(0, kPsHeaderComments.size()), kPsHeaderComments);
  EXPECT_EQ(PsSection(out, "%%EndProlog", "%%Page: 1 1"),
            "%%EndProlog\r\n\r\n"
            "%%BeginSetup\r\n"
            "<</ProcessColorModel /DeviceGray>> setpagedevice\r\n"
            "[{\r\n"
            "<</DeferredMediaSelection true\r\n"
            "/HWResolution [600 600]\r\n"
            "/PreRenderingEnhance false\r\n"
            "/PageSize [612 792] /ImagingBBox null\r\n"
            "/NumCopies 1\r\n"
            "/Collate false\r\n"
            "/Duplex false\r\n"
            "/PostRenderingEnhance true\r\n"
            "/Sparetone false\r\n"
            ">> setpagedevice\r\n"
            "} stopped cleartomark\r\n"
            "QV_Standard_Proc begin\r\n"
            "MS_Win35_Proc begin\r\n"
            "/pagegstatesave gstate def\r\n"
            "%%EndSetup\r\n");
  EXPECT_EQ(PsSection(out, "%%Page: 1 1", "%%Trailer"),
            "%%Page: 1 1\r\n"
            "%%BeginPageSetup\r\n"
            "gsave\r\n"
            "/MOVE 1 def\r\n"
            "%%EndPageSetup\r\n"
            "AS\r\n"
            "grestore\r\n"
            "(%%[Page: 1]%%) =\r\n"
            "%%PageTrailer\r\n"
            "%%Page: 2 2\r\n"
            "%%BeginPageSetup\r\n"
            "[{\r\n"
            "<</PageSize [792 612] /ImagingBBox null\r\n"
            ">> setpagedevice\r\n"
            "} stopped cleartomark\r\n"
            "gsave\r\n"
            "/MOVE 1 def\r\n"
            "%%EndPageSetup\r\n"
            "AS\r\n"
            "grestore\r\n"
            "(%%[Page: 2]%%) =\r\n"
            "%%PageTrailer\r\n");
  EXPECT_EQ(PsSection(out, "%%Trailer", "\x04"),
            "%%Trailer\r\n"
            "%%BoundingBox: TBD - Max of all pages\r\n"
            "%%DocumentNeededResources:\r\n"
            "%%DocumentSuppliedResources:\r\n"
            "%%+ procset QV_Standard_Proc 1.0 0\r\n"
            "%%+ procset MS_Win35_Proc 3 1\r\n"
            "end\r\n"
            "end\r\n"
            "%%Pages: 2\r\n"
            "(%%[LastPage]%%) =\r\n"
            "%%EOF\r\n");

  PsExpectPageSizes(PsRender(out, "orientations"), {{612, 792}, {792, 612}});
}

TEST(GPostScriptJobTest, TheJobBehindThePjlWrapperRenders) {
  PsJobDriver job(true);
  ASSERT_EQ(job.Start(u"Wrapped"), 0);
  job.Page(PsPageSettings(qvtest::PsA4(), 270));
  job.Page(PsPageSettings(qvtest::PsA4(), 0));
  job.Page(PsPageSettings(qvtest::PsLetter(), 180));
  ASSERT_EQ(job.End(), 0);
  const std::string out = job.Output();
  ASSERT_EQ(out.rfind("\x1b%-12345X@PJL", 0), 0u) << out.substr(0, 200);
  EXPECT_NE(out.find("@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS-Adobe-3.0\r\n"), std::string::npos);
  EXPECT_EQ(PsCount(out, "%%Page: "), 3u);
  EXPECT_NE(out.find("%%Page: 3 3\r\n"), std::string::npos);
  EXPECT_NE(out.find("%%Pages: 3\r\n"), std::string::npos);
  // A4 is 4960 by 7016 pixels at 600 dpi: 595 by 842 points.
  PsExpectPageSizes(PsRender(out, "wrapped"), {{842, 595}, {595, 842}, {612, 792}});
}

TEST(GPostScriptJobTest, APageWithoutAMediumIsLetter) {
  PsJobDriver job;
  job.Start();
  job.Page(PsPageSettings(nullptr, 90));
  job.Page(PsPageSettings(nullptr, 0));
  // A later page without a medium of its own keeps the one in use.
  job.Page(PsPageSettings(qvtest::PsA4()));
  job.Page(new GState(&GFeatureIds::kPageState));
  job.End();
  const std::string out = job.Output();
  EXPECT_NE(PsSection(out, "%%BeginSetup", "%%EndSetup").find("/PageSize [792 612]"), std::string::npos);
  EXPECT_EQ(job.generator.GetCurrentMedia(), nullptr) << "the page's medium is let go at page end";
  PsExpectPageSizes(PsRender(out, "nomedium"), {{792, 612}, {612, 792}, {595, 842}, {595, 842}});
}

TEST(GPostScriptJobTest, DamagedMediaSizesGiveSoundPageSizes) {
  struct Case {
    const char* name;
    int16_t width;
    int16_t height;
    uint16_t resolution;
    const char* pageSize;
  };
  const Case cases[] = {
      {"NoSize", 0, 0, 600, "/PageSize [612 792]"},
      {"NegativeSize", -5100, 6600, 600, "/PageSize [612 792]"},
      {"TinyResolution", 30000, 30000, 1, "/PageSize [32767 32767]"},
      {"NoResolutionUsesTheJobs", 5100, 6600, 0, "/PageSize [612 792]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PsJobDriver job;
    job.Start();
    GMedia* medium = qvtest::PsMedium("Odd", c.width, c.height);
    const GShortPoint size(c.width, c.height);
    *medium = GMedia("Odd", &size, &size, nullptr, 0, 1, c.resolution, c.resolution, &GFeatureIds::kPageMedia);
    job.Page(PsPageSettings(medium));
    job.End();
    EXPECT_NE(PsSection(job.Output(), "%%BeginSetup", "%%EndSetup").find(c.pageSize), std::string::npos);
  }
}

TEST(GPostScriptJobTest, DuplexCopiesAndMediaFeaturesAreAccepted) {
  struct Case {
    const char* name;
    int16_t duplex;
    int16_t orientation;
    int16_t copies;
    const char* expected;
  };
  const Case cases[] = {
      {"LongEdgePortrait", 2, 0, 3, "/NumCopies 3\r\n/Collate true\r\n/Duplex true /Tumble false\r\n"},
      {"ShortEdgePortrait", 1, 0, 1, "/NumCopies 1\r\n/Collate false\r\n/Duplex true /Tumble true\r\n"},
      {"ShortEdgeLandscape", 1, 90, 2,
       "userdict /FieryXJdict known {/Duplex true /Tumble false}{/Duplex true /Tumble true} ifelse\r\n"},
      {"LongEdgeLandscape", 2, 270, 1,
       "userdict /FieryXJdict known {/Duplex true /Tumble true}{/Duplex true /Tumble false} ifelse\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PsJobDriver job;
    job.SetValue(GFeatureIds::kDuplex, c.duplex);
    job.SetValue(GFeatureIds::kPrinterCopies, c.copies);
    job.SetValue(GFeatureIds::kSparetone, 1);
    job.SetValue(GFeatureIds::kEdgeToEdge, 1);
    job.Start();
    job.Page(PsPageSettings(qvtest::PsMedium("Letter", 5100, 6600, 1, "Heavy (rough)"), c.orientation));
    job.Page(PsPageSettings(qvtest::PsMedium("Letter", 5100, 6600, 1, "Plain"), c.orientation));
    job.End();
    const std::string out = job.Output();
    const std::string setup = PsSection(out, "%%BeginSetup", "%%EndSetup");
    EXPECT_NE(setup.find(c.expected), std::string::npos) << setup;
    EXPECT_NE(setup.find("/MediaType (Heavy \\(rough\\))\r\n"), std::string::npos) << setup;
    EXPECT_NE(setup.find("/Sparetone true\r\n/ExtendedPrintArea true\r\n"), std::string::npos) << setup;
    EXPECT_NE(PsSection(out, "%%Page: 2 2", "%%EndPageSetup").find("/MediaType (Plain)"), std::string::npos);
    const bool landscape = c.orientation == 90 || c.orientation == 270;
    const std::pair<int, int> size = landscape ? std::make_pair(792, 612) : std::make_pair(612, 792);
    // The interpreter prints the copies it was asked for.
    PsExpectPageSizes(PsRender(out, c.name), std::vector<std::pair<int, int>>(2 * c.copies, size));
  }
}

TEST(GPostScriptJobTest, ADocumentNameCannotEndTheCommentOrTheJob) {
  PsJobDriver job;
  job.Start(u"Q3\r\n%%EOF\r\nshowpage showpage\x04 (x) =");
  job.Page(PsPageSettings(qvtest::PsLetter()));
  job.End();
  const std::string out = job.Output();
  EXPECT_NE(out.find("%%Title: Q3  %%EOF  showpage showpage  (x) =\r\n%%Creator:"), std::string::npos);
  EXPECT_EQ(out.find('\x04'), std::string::npos);
  PsExpectPageSizes(PsRender(out, "injection"), {{612, 792}});
}

TEST(GPostScriptJobTest, ADocumentNameLongerThanTheBufferIsWrittenWhole) {
  std::u16string name(20000, u'n');
  name += u"end";
  PsJobDriver job;
  job.Start(name.c_str());
  job.Page(PsPageSettings(qvtest::PsLetter()));
  job.End();
  const std::string out = job.Output();
  EXPECT_NE(out.find("%%Title: " + std::string(20000, 'n') + "end\r\n%%Creator: "), std::string::npos);
  PsExpectPageSizes(PsRender(out, "longname"), {{612, 792}});
}

TEST(GPostScriptJobTest, BinaryTransferAndControlDsFrameTheJob) {
  PsJobDriver job(true);
  job.SetValue(GFeatureIds::kPsBinaryTransferOff, 0);
  job.SetValue(GFeatureIds::kPsLeadingControlD, 1);
  job.SetValue(GFeatureIds::kPsTrailingControlD, 1);
  job.Start();
  job.PageStart(PsPageSettings(qvtest::PsLetter()));
  // A pass-through byte that the protocol must escape, in a PostScript
  // string that draws nothing.
  job.PassThrough("(\x04) pop\r\n");
  job.PageEnd();
  job.End();
  const std::string out = job.Output();
  EXPECT_NE(out.find("@PJL ENTER LANGUAGE=POSTSCRIPT\r\n\x04\x01\x4D%!PS-Adobe-3.0\r\n"), std::string::npos);
  EXPECT_NE(out.find("(\x01\x44) pop"), std::string::npos);
  EXPECT_NE(out.find("%%EOF\r\n\x04\x1b%-12345X"), std::string::npos);
  PsExpectPageSizes(PsRender(out, "tbcp"), {{612, 792}});
}

TEST(GPostScriptJobTest, TheErrorHandlerResourceComesBeforeTheProcSets) {
  PsJobDriver job;
  job.SetValue(GFeatureIds::kPsErrorHandler, 1);
  job.Start();
  job.PageStart(PsPageSettings(qvtest::PsLetter()));
  job.PassThrough("nosuchoperator\r\n");
  job.PageEnd();
  job.End();
  const std::string out = job.Output();
  const size_t resource = out.find("%%BeginResource: file QV_PS_ErrorHandler 1.0 0\r\n");
  ASSERT_NE(resource, std::string::npos);
  EXPECT_LT(resource, out.find("%%BeginResource: procset QV_Standard_Proc"));
  EXPECT_NE(out.find("%%DocumentSuppliedResources:\r\n%%+ file QV_PS_ErrorHandler 1.0 0\r\n"
                     "%%+ procset QV_Standard_Proc 1.0 0\r\n"),
            std::string::npos);
  EXPECT_NE(out.find("1 eq{(Error: This job will only work on a level 2 PostScript compatible printer) show}if"),
            std::string::npos);

  // The printer prints a report page for the failing job.
  const std::string gs = qvtest::PostScriptInterpreter();
  ASSERT_FALSE(gs.empty()) << qvtest::kNoPostScriptInterpreter;
  const qvtest::RenderedJob rendered = qvtest::RenderPostScript(gs, out, "errorhandler", 72);
  ASSERT_GE(rendered.pages.size(), 2u) << rendered.errors;
  EXPECT_GT(rendered.pages[1].DarkPixels(), 200u) << "the report is printed";
}

// Dark pixels of a rendered page inside a rectangle given in points from
// the bottom left corner (the page rendered at 72 dpi).
size_t PsDarkIn(const qvtest::GrayPage& page, int left, int bottom, int right, int top) {
  size_t dark = 0;
  for (int y = page.height - top; y < page.height - bottom; ++y)
    for (int x = left; x < right; ++x) dark += page.Dark(x, y) ? 1 : 0;
  return dark;
}

TEST(GPostScriptJobTest, StandardProcSetOperatorsDrawWhatTheySay) {
  struct Case {
    const char* name;
    const char* drawing;
    size_t leastDark;  // in the square from (72, 72) to (144, 144)
    size_t mostDark;
  };
  // A one-inch square at one inch from the bottom left corner is 5184
  // pixels; the drawings stay inside it.
  const Case cases[] = {
      {"FilledWithoutPen", "0 F I 72 72 72 72 B", 5000, 5184},
      {"FilledAndStroked", "0 F 0 0 0 L 4 V 72 72 72 72 B", 5000, 5184},
      {"StrokedOnly", "E 0 0 0 L 4 V 72 72 72 72 B", 500, 900},
      {"DroppedUnderRop170", "170 R3 0 F 72 72 72 72 B 204 R3", 0, 0},
      {"NullBrushAndPen", "E I 72 72 72 72 B", 0, 0},
      {"EllipseAfterArcDirectionZero", "0 a 0 F I 72 72 144 144 b D P ARCDIR 1 ne {nosuchop} if", 3900, 4300},
      {"PolylineReadFromTheJob", "3 c 0 F I 72 72 Q M 144 72 144 144 72 144 N P", 5000, 5184},
      {"PieIsHalfTheEllipse", "0 F I 72 72 144 144 b 144 108 72 108 AA P", 1900, 2200},
      {"RoundedRectangle", "0 F I 72 72 144 144 b 20 20 d AB P", 4900, 5150},
      {"ScanLineSpans", "0 F I S 72 100 2 0 10 20 10", 15, 25},
      // A one-bit image of zeros: the raster operation 184 draws it as a
      // stencil that paints the zeros, 34 one that paints the ones.
      {"StencilPaintsZerosUnderRop184",
       "0 F 184 R3 AP 1 i 8 j 8 k 72 72 g 72 72 moveto 0 8 0 1 AQ 16 l 0000000000000000> AR", 5000, 5184},
      {"StencilPaintsOnesUnderRop34",
       "0 F 34 R3 AP 1 i 8 j 8 k 72 72 g 72 72 moveto 0 8 0 1 AQ 16 l 0000000000000000> AR", 0, 0},
      {"GrayImage", "AP 8 i 2 j 2 k 72 72 g 72 72 moveto 0 2 0 1 AQ 8 l 00000000> AR", 5000, 5184},
      {"FontCopyUnderAMappingName",
       "[48 0 0 48 0 0] 0 (Helvetica003) DF 76 80 moveto (HH) 0 SH "
       "FontDirectory /Helvetica003 known not {nosuchop} if",
       300, 3000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PsJobDriver job;
    job.Start();
    job.PageStart(PsPageSettings(qvtest::PsLetter()));
    job.PassThrough(std::string(c.drawing) + "\r\n");
    job.PageEnd();
    job.End();
    const qvtest::RenderedJob rendered = PsRender(job.Output(), c.name);
    ASSERT_EQ(rendered.pages.size(), 1u);
    const size_t inside = PsDarkIn(rendered.pages[0], 72, 72, 144, 144);
    EXPECT_GE(inside, c.leastDark);
    EXPECT_LE(inside, c.mostDark);
    EXPECT_EQ(rendered.pages[0].DarkPixels(), PsDarkIn(rendered.pages[0], 68, 68, 148, 148))
        << "nothing is drawn outside the square";
  }
}

TEST(GPostScriptJobTest, JobSettingsReachTheSetupAndThePrinterTakesThem) {
  struct Case {
    const char* name;
    std::vector<std::pair<int32_t, int16_t>> values;
    int16_t orientation;
    std::vector<std::string> expected;  // in the setup or the first page setup
    std::pair<int, int> size;
    bool darkPage;
  };
  const Case cases[] = {
      {"Negative",
       {{GFeatureIds::kPsNegative, 1}},
       0,
       {"<< /CMYKInkSet 0 >> setpagedevice\r\n\r\n<< /SpotColorMatching false >> setpagedevice\r\n\r\n"
        "<</ProcessColorModel /DeviceGray>> setpagedevice\r\n",
        "gsave\r\n{1 exch sub} settransfer erasepage\r\n/MOVE 1 def\r\n"},
       {612, 792},
       true},
      {"CmykWithCustomScreen",
       {{GFeatureIds::kPrintColorAsGray, 0}, {GFeatureIds::kQualitySetting582, 2},
        {GFeatureIds::kQualitySetting583, 600}, {GFeatureIds::kQualitySetting584, 225}},
       0,
       {"<</ProcessColorModel /DeviceCMYK>> setpagedevice\r\n",
        "} stopped cleartomark\r\n60.0 22.5 currentscreen exch pop exch pop setscreen\r\nQV_Standard_Proc begin"},
       {612, 792},
       false},
      {"PrinterScreenWritesNoHalftone", {{GFeatureIds::kQualitySetting582, 1}}, 0, {}, {612, 792}, false},
      {"KeepPortrait", {{GFeatureIds::kPsKeepPortrait, 1}}, 90, {"/PageSize [612 792]"}, {612, 792}, false},
      {"TwoBitRasterLandscape",
       {{GFeatureIds::kBitsPerPixel, 2}},
       270,
       {"/HWResolution [600 600]\r\n/PreRenderingEnhance true\r\n/PageSize [792 612]"},
       {792, 612},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PsJobDriver job;
    for (const auto& [id, value] : c.values) job.SetValue(id, value);
    job.Start();
    job.Page(PsPageSettings(qvtest::PsLetter(), c.orientation));
    job.End();
    const std::string out = job.Output();
    const std::string setup = PsSection(out, "%%BeginSetup", "%%EndPageSetup");
    for (const std::string& text : c.expected) EXPECT_NE(setup.find(text), std::string::npos) << text << "\n" << setup;
    if (std::string(c.name) == "PrinterScreenWritesNoHalftone") EXPECT_EQ(setup.find("setscreen"), std::string::npos);
    const qvtest::RenderedJob rendered = PsRender(out, c.name);
    PsExpectPageSizes(rendered, {c.size});
    if (rendered.pages.size() == 1) {
      const size_t all = static_cast<size_t>(c.size.first) * static_cast<size_t>(c.size.second);
      EXPECT_EQ(rendered.pages[0].DarkPixels(), c.darkPage ? all : 0u);
    }
  }
}

// Pairs a value key (feature 0) with a text in a configuration's list.
void PsMapText(MAssociationList* list, int16_t key, const char* text) {
  const int32_t noId = 0;
  list->Add(new MPersistentAssociation(new GValueAttribute(key, &noId), new GStringAttribute(text, &noId), 0));
}

TEST(GPostScriptJobTest, ColourControlCodesBecomeThePageSetupsRenderingTexts) {
  PsJobDriver job;
  auto* configuration = new GConfiguration;
  auto* maps = new MAssociationList(GFeatureIds::kColorMapCodes);
  PsMapText(maps, 1, "/qvTextMap 1 def");
  PsMapText(maps, 2, "/qvGraphicsMap 2 def");
  PsMapText(maps, 3, "/qvPhotoMap 3 def");
  auto* screens = new MAssociationList(GFeatureIds::kHalftoneCodes);
  PsMapText(screens, 4, "/qvTextScreen 4 def");
  PsMapText(screens, 5, "/qvGraphicsScreen 5 def");
  PsMapText(screens, 6, "/qvPhotoScreen 6 def");
  configuration->AddChild(maps);
  configuration->AddChild(screens);
  job.generator.SetConfiguration(configuration);
  job.Job()->AddChild(new GTintwrightAttribute(&GFeatureIds::kTintwrightColorSettings, 1, 4, 2, 5, 3, 6));
  // Colour mode 10: the first page takes its codes from another attribute,
  // which this job does not have.
  job.SetValue(GFeatureIds::kQVTintwright, 10);
  job.Start();
  job.Page(PsPageSettings(qvtest::PsLetter()));
  job.Page(PsPageSettings(qvtest::PsLetter()));
  job.End();
  const std::string out = job.Output();
  EXPECT_NE(PsSection(out, "%%Page: 1 1", "%%EndPageSetup").find("gsave\r\n/MOVE 1 def"), std::string::npos);
  EXPECT_NE(PsSection(out, "%%Page: 2 2", "%%EndPageSetup")
                .find("gsave\r\n/qvTextMap 1 def\r\n/qvTextScreen 4 def\r\n/qvGraphicsMap 2 def\r\n"
                      "/qvGraphicsScreen 5 def\r\n/qvPhotoMap 3 def\r\n/qvPhotoScreen 6 def\r\n/MOVE 1 def"),
            std::string::npos)
      << PsSection(out, "%%Page: 2 2", "%%EndPageSetup");
  PsExpectPageSizes(PsRender(out, "colourcontrol"), {{612, 792}, {612, 792}});
}

TEST(GPostScriptJobTest, TwoPagesFromOneBinSetTheMediaPositionOnce) {
  PsJobDriver job;
  auto* configuration = new GConfiguration;
  auto* bins = new MAssociationList(GFeatureIds::kPdlTrayMap);
  const int32_t keyId = 0;
  bins->Add(new MPersistentAssociation(new GValueAttribute(7, &keyId), new GValueAttribute(2, &keyId), 0));
  bins->Add(new MPersistentAssociation(new GValueAttribute(8, &keyId), new GValueAttribute(253, &keyId), 0));
  configuration->AddChild(bins);
  job.generator.SetConfiguration(configuration);
  job.Start();
  GState* first = PsPageSettings(qvtest::PsLetter());
  first->AddChild(new GValueAttribute(7, &GFeatureIds::kInputBin));
  job.Page(first);
  GState* second = PsPageSettings(qvtest::PsLetter());
  second->AddChild(new GValueAttribute(7, &GFeatureIds::kInputBin));
  job.Page(second);
  GState* third = PsPageSettings(qvtest::PsLetter());
  third->AddChild(new GValueAttribute(8, &GFeatureIds::kInputBin));
  job.Page(third);
  job.End();
  const std::string out = job.Output();
  EXPECT_NE(PsSection(out, "%%BeginSetup", "%%EndSetup").find("/ManualFeed false\r\n/MediaPosition 2\r\n"),
            std::string::npos);
  EXPECT_EQ(PsSection(out, "%%Page: 2 2", "%%Page: 3 3").find("/MediaPosition"), std::string::npos);
  EXPECT_NE(PsSection(out, "%%Page: 3 3", "%%EndPageSetup").find("/ManualFeed true\r\n/MediaPosition 3\r\n"),
            std::string::npos);
  PsExpectPageSizes(PsRender(out, "bins"), {{612, 792}, {612, 792}, {612, 792}});
}

TEST(GPostScriptJobTest, ApplicationDataJobsGetNoJobStructure) {
  for (int16_t mode : {1, 2}) {
    PsJobDriver job;
    job.SetValue(GFeatureIds::kDocumentCount, mode);
    job.Start();
    job.PageStart(PsPageSettings(qvtest::PsLetter()));
    EXPECT_EQ(job.PassThrough("%!PS\r\n72 72 moveto 144 144 lineto stroke showpage\r\n"), 0);
    EXPECT_EQ(job.PassThrough("for another generator", 767), 0);
    job.PageEnd();
    job.End();
    EXPECT_EQ(job.Output(), "%!PS\r\n72 72 moveto 144 144 lineto stroke showpage\r\n") << "mode " << mode;
    EXPECT_EQ(job.generator.GetStreamMode(), 0);
  }
}

TEST(GPostScriptJobTest, PassThroughForAnotherGeneratorIsDropped) {
  PsJobDriver job;
  job.Start();
  job.PageStart(PsPageSettings(qvtest::PsLetter()));
  EXPECT_EQ(job.PassThrough("PCL XL bytes", 767), 0);
  job.PageEnd();
  job.End();
  EXPECT_EQ(job.Output().find("PCL XL bytes"), std::string::npos);
}

TEST(GPostScriptJobTest, AWriteErrorIsReportedOnceAndLaterOutputDropped) {
  PsJobDriver job;
  job.Start();
  job.PageStart(PsPageSettings(qvtest::PsLetter()));
  // The prolog filled the buffer more than once: what went out went out.
  const std::string before = job.Output();
  ASSERT_NE(before.find("%%BeginProlog"), std::string::npos);
  job.channel.writeStatus = 9;
  EXPECT_EQ(job.PageEnd(), 9) << "the page end flushed and met the error";
  job.channel.writeStatus = 0;
  EXPECT_EQ(job.Page(PsPageSettings(qvtest::PsLetter())), 0) << "reported once";
  EXPECT_EQ(job.End(), 0);
  EXPECT_EQ(job.Output(), before) << "the sink stays off for the rest of the generator's life";
}

TEST(GPostScriptJobTest, ADocumentWithoutPagesWritesOnlyTheTrailer) {
  PsJobDriver job;
  job.Start();
  job.End();
  EXPECT_EQ(job.Output().rfind("%%Trailer\r\n", 0), 0u);
  EXPECT_NE(job.Output().find("%%Pages: 0\r\n"), std::string::npos);
}

TEST(GPostScriptJobTest, AnAbortedJobGetsNoTrailer) {
  PsJobDriver job;
  job.Start();
  job.PageStart(PsPageSettings(qvtest::PsLetter()));
  GCountedPtr abort(new GJobAbort);
  EXPECT_EQ(qvtest::PsStatusOf(job.generator.Send(CommandOf(abort))), 0);
  EXPECT_EQ(job.generator.GetInDocumentFlag(), 0);
  EXPECT_NE(job.Output().find("%%BeginSetup"), std::string::npos) << "what was written is flushed";
  EXPECT_EQ(job.Output().find("%%Trailer"), std::string::npos);
}

TEST(GPostScriptJobTest, DownloadHeaderWritesProcSetZeroOnceUnlessForced) {
  PsJobDriver job;
  job.Start();
  job.Page(PsPageSettings(qvtest::PsLetter()));
  const std::string frame = "%%BeginResource: procset QV_Standard_Proc 1.0 0\r\n";
  const int32_t noId = 0;
  GCountedPtr again(new GDownloadHeaderCommand(1, &noId));
  job.generator.Send(CommandOf(again));
  GCountedPtr forced(new GDownloadHeaderCommand(19, &noId));
  job.generator.Send(CommandOf(forced));
  job.End();
  EXPECT_EQ(PsCount(job.Output(), frame), 2u);
  EXPECT_NE(PsSection(job.Output(), "%%PageTrailer", "%%Trailer").find(frame), std::string::npos);
}

TEST(GPostScriptJobTest, EveryDocumentIsAWholeJob) {
  // Two documents through one generator: the second carries its own
  // prolog, since the printer forgets the first job's definitions.
  PsJobDriver job;
  job.SetValue(GFeatureIds::kPsErrorHandler, 1);
  job.Start(u"First");
  job.Page(PsPageSettings(qvtest::PsLetter(), 90));
  job.End();
  const size_t firstEnd = job.Output().size();
  job.channel.bytes.clear();
  job.Start(u"Second");
  job.Page(PsPageSettings(qvtest::PsA4()));
  job.Page(PsPageSettings(qvtest::PsA4()));
  job.End();
  const std::string second = job.Output();
  ASSERT_GT(firstEnd, 0u);
  EXPECT_EQ(second.rfind("%!PS-Adobe-3.0\r\n%%Title: Second\r\n", 0), 0u);
  EXPECT_NE(second.find("%%BeginResource: procset QV_Standard_Proc"), std::string::npos);
  EXPECT_NE(second.find("%%BeginResource: file QV_PS_ErrorHandler"), std::string::npos);
  EXPECT_NE(second.find("%%Page: 1 1\r\n"), std::string::npos);
  EXPECT_NE(second.find("%%Pages: 2\r\n"), std::string::npos);
  EXPECT_EQ(PsCount(PsSection(second, "%%Trailer", "%%EOF"), "end\r\n"), 2u)
      << "the trailer ends the two procsets the job began";
  PsExpectPageSizes(PsRender(second, "second"), {{595, 842}, {595, 842}});
}

TEST(GPostScriptJobTest, ACopyStartsWithAFreshWriter) {
  PsJobDriver job;
  job.Start();
  job.Page(PsPageSettings(qvtest::PsLetter()));
  job.End();
  GPostScript copy(job.generator);
  EXPECT_NE(&copy.Writer(), &job.generator.Writer());
  EXPECT_EQ(copy.Writer().GetPageNumber(), 0);
  EXPECT_EQ(copy.Writer().GetFill(), 0u);
}

}  // namespace

namespace {

// The Tumble value Ghostscript computes from the job's setup: a prolog in
// front of the job reports each page-device request that names Tumble
// (Ghostscript's own devices keep no Tumble entry to read back).
std::string TumbleAsked(const std::string& job, const std::string& name, bool otherProcessor) {
  std::string prolog =
      "/qvsetpagedevice /setpagedevice load def\n"
      "/setpagedevice {dup /Tumble known {(TUMBLE=) print dup /Tumble get ==} if qvsetpagedevice} def\n";
  if (otherProcessor) prolog += "userdict /FieryXJdict 1 dict put\n";
  const std::string gs = qvtest::PostScriptInterpreter();
  if (gs.empty()) {
    ADD_FAILURE() << qvtest::kNoPostScriptInterpreter;
    return {};
  }
  const qvtest::RenderedJob rendered = qvtest::RenderPostScript(gs, prolog + job, name, 36);
  EXPECT_EQ(rendered.errors.find("Error"), std::string::npos) << rendered.errors;
  const size_t at = rendered.errors.find("TUMBLE=");
  return at == std::string::npos ? std::string() : rendered.errors.substr(at + 7, rendered.errors.find('\n', at) - at - 7);
}

TEST(GPostScriptJobTest, TheTumbleFlagTurnsShortEdgePortraitDuplexToNoTumble) {
  // Imposed pages (n-up, booklet) are already turned on the sheet: the
  // flag undoes the tumble of short-edge portrait duplex; landscape pages
  // keep the choice that depends on the raster processor.
  struct Case {
    const char* name;
    int16_t duplex;
    int16_t orientation;
    bool flag;
    bool otherProcessor;
    const char* tumble;
  };
  const Case cases[] = {
      {"ShortEdgePortrait", 1, 0, false, false, "true"},
      {"ShortEdgePortraitImposed", 1, 0, true, false, "false"},
      {"ShortEdgeLandscapeImposed", 1, 90, true, false, "true"},
      {"ShortEdgeLandscapeOtherProcessor", 1, 90, true, true, "false"},
      {"LongEdgePortraitImposed", 2, 0, true, false, "false"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PsJobDriver job;
    job.SetValue(GFeatureIds::kDuplex, c.duplex);
    job.Start();
    if (c.flag) job.generator.Writer().SetTumbleFlag();
    job.Page(PsPageSettings(qvtest::PsLetter(), c.orientation));
    job.Page(PsPageSettings(qvtest::PsLetter(), c.orientation));
    job.End();
    EXPECT_EQ(TumbleAsked(qvtest::UnwrapPostScriptJob(job.Output()), std::string("tumble_") + c.name,
                          c.otherProcessor),
              c.tumble);
  }
}

}  // namespace

namespace {

TEST(GPostScriptJobTest, AnApplicationsHeaderCarriesTheFontProcSetsAndMappingsOnce) {
  PsJobDriver job;
  // The application writes the job itself (feature 600).
  job.SetValue(GFeatureIds::kDocumentCount, 1);
  job.Start();
  const int32_t noId = 0;
  for (int i = 0; i < 2; ++i) {
    GCountedPtr header(new GDownloadHeaderCommand(1, &noId));
    job.generator.Send(CommandOf(header));
  }
  job.End();
  const std::string out = job.Output();
  EXPECT_EQ(PsCount(out, "/T3FastDL 0 def"), 1u);
  EXPECT_EQ(PsCount(out, "/initFont {"), 1u);
  for (int mapping = 0; mapping < 6; ++mapping)
    EXPECT_EQ(PsCount(out, "mappings " + std::to_string(mapping) + " ["), 1u) << mapping;
  // Inside the standard procset's dictionary, which defines the mappings.
  const size_t begin = out.find("QV_Standard_Proc begin\r\n/T3FastDL");
  ASSERT_NE(begin, std::string::npos) << out.substr(0, 400);
  EXPECT_NE(out.find("mappings 5 [] put \r\n\r\n end\r\n", begin), std::string::npos);
  // Ghostscript runs the header and the definitions.
  const qvtest::RenderedJob rendered = PsRender(out + "showpage\n", "application_header");
  EXPECT_EQ(rendered.pages.size(), 1u);
}

}  // namespace
