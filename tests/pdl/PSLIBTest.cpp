// The PostScript writer on its own: the buffer and its raw writes, the
// tagged binary protocol, the hexadecimal writers, the page-device block
// with its duplex and page-size rules, the halftone block, the procset
// bookkeeping, the page frames, the trailer and the reset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdl/GOutputSink.h"
#include "pdl/PSLIB.h"

namespace {

// Keeps what the writer hands over, and how often.
class PsCaptureSink : public GOutputSink {
 public:
  int16_t Write(const uint8_t* data, uint32_t length) override {
    bytes.append(reinterpret_cast<const char*>(data), length);
    ++writes;
    return 0;
  }
  std::string bytes;
  int writes = 0;
};

class PSLIBTest : public ::testing::Test {
 protected:
  // What the writer wrote so far, flushed.
  std::string Out() {
    writer.Flush();
    return sink.bytes;
  }
  // Only what the next step writes.
  template <typename Step>
  std::string Written(Step step) {
    writer.Flush();
    const size_t before = sink.bytes.size();
    step();
    writer.Flush();
    return sink.bytes.substr(before);
  }

  PsCaptureSink sink;
  PSLIB writer{&sink};
};

TEST_F(PSLIBTest, TextLongerThanTheBufferGoesThroughWhole) {
  const std::string longText(PSLIB::kCapacity * 2 + 17, 'x');
  writer.WriteText("head ");
  EXPECT_EQ(writer.WriteText(longText), 0);
  EXPECT_EQ(Out(), "head " + longText);
}

TEST_F(PSLIBTest, ATextThatDoesNotFitFlushesFirstAndStaysInOnePiece) {
  writer.WriteText(std::string(PSLIB::kCapacity - 3, 'a'));
  EXPECT_EQ(sink.writes, 0);
  writer.WriteText("bcdef");
  EXPECT_EQ(sink.writes, 1) << "the buffer went out before the text";
  EXPECT_EQ(sink.bytes, std::string(PSLIB::kCapacity - 3, 'a'));
  EXPECT_EQ(writer.GetFill(), 5u);
}

TEST(PSLIBNoSinkTest, EveryWriteBeyondTheBufferFailsWithFive) {
  PSLIB writer(nullptr);
  EXPECT_EQ(writer.Flush(), PSLIB::kNoSink);
  EXPECT_EQ(writer.WriteText(std::string(PSLIB::kCapacity, 'a')), 0);
  EXPECT_EQ(writer.WriteText("b"), PSLIB::kNoSink);
  EXPECT_EQ(writer.WriteBytes("c", 1), PSLIB::kNoSink);
  EXPECT_EQ(writer.GetFill(), PSLIB::kCapacity);
}

TEST_F(PSLIBTest, TaggedBinaryProtocolEscapesItsControlBytes) {
  const uint8_t data[] = {0x00, 0x01, 0x03, 0x04, 0x05, 0x11, 0x13, 0x14, 0x1B, 0x1C, 0x1D, 0x41};
  writer.WriteTbcpBytes(data, sizeof data);
  EXPECT_EQ(Out(), std::string("\x00\x01\x41\x01\x43\x01\x44\x01\x45\x01\x51\x01\x53\x01\x54\x01\x5B\x01\x5C\x1D\x41",
                               21));
}

TEST_F(PSLIBTest, PassThroughIsTaggedOnlyUnderBinaryTransfer) {
  const uint8_t data[] = {'a', 0x04};
  EXPECT_EQ(Written([&] { writer.WritePassThrough(data, 2); }), std::string("a\x04", 2));
  writer.SetBinaryTransfer(1);
  EXPECT_EQ(Written([&] { writer.WritePassThrough(data, 2); }), std::string("a\x01\x44", 3));
}

TEST_F(PSLIBTest, HexadecimalWritersBreakTheirLines) {
  std::vector<uint8_t> bytes(40, 0xAB);
  bytes[0] = 0x0F;
  const std::string hex = Written([&] { writer.WriteHex(bytes.data(), 40); });
  std::string expected = "0F";
  for (int i = 0; i < 38; ++i) expected += "AB";
  EXPECT_EQ(hex, expected + "\r\nAB");
  // The continued form carries its column: 30 + 10 bytes break after 39.
  const std::string continued = Written([&] {
    writer.WriteHexContinued(bytes.data() + 1, 30);
    writer.WriteHexContinued(bytes.data() + 1, 10);
  });
  EXPECT_EQ(continued.find("\r\n"), 78u);
  const uint16_t wide[] = {0x1234, 0x00FF};
  EXPECT_EQ(Written([&] { writer.WriteHexString16(wide, 2); }), "<123400FF> ");
  const uint8_t two[] = {0x00, 0xFE};
  EXPECT_EQ(Written([&] { writer.WriteHexString(two, 2); }), "<00FE> ");
}

TEST_F(PSLIBTest, PageDeviceBlockWritesChangedFeaturesInOrder) {
  writer.SetPageSize(612, 792);
  writer.SetResolution(600, 600);
  EXPECT_EQ(writer.GetFeaturesPending(), 1);
  EXPECT_EQ(Written([&] { writer.WritePageDeviceBlock(); }),
            "[{\r\n"
            "<</HWResolution [600 600]\r\n"
            "/PageSize [612 792] /ImagingBBox null\r\n"
            ">> setpagedevice\r\n"
            "} stopped cleartomark\r\n");
  EXPECT_EQ(writer.GetFeaturesPending(), 0);
  // Nothing changed: an empty dictionary.
  EXPECT_EQ(Written([&] { writer.WritePageDeviceBlock(); }),
            "[{\r\n<<>> setpagedevice\r\n} stopped cleartomark\r\n");
}

TEST_F(PSLIBTest, EveryFeatureHasItsText) {
  writer.SetDeferredMediaSelection(1);
  writer.SetPreRenderingEnhance(2);
  writer.SetMediaType("");
  writer.SetManualFeed(1);
  writer.SetMediaPosition(2);
  writer.SetOutputBin(1, 2);
  writer.SetCopyCount(3);
  writer.SetCollate(1);
  writer.SetDuplex(0);
  writer.SetPostRenderingEnhance(0);
  writer.SetSparetone(1);
  writer.SetExtendedPrintArea(0);
  EXPECT_EQ(Written([&] { writer.WritePageDeviceBlock(); }),
            "[{\r\n"
            "<</DeferredMediaSelection true\r\n"
            "/PreRenderingEnhance true\r\n"
            "/MediaType null\r\n"
            "/ManualFeed true\r\n"
            "/MediaPosition 2\r\n"
            "/NumCopies 3\r\n"
            "/Collate true\r\n"
            "/Duplex false\r\n"
            "/PostRenderingEnhance false\r\n"
            "/Sparetone true\r\n"
            "/ExtendedPrintArea false\r\n"
            ">> setpagedevice\r\n"
            "} stopped cleartomark\r\n");
}

TEST_F(PSLIBTest, IgnoredValuesMarkNothing) {
  writer.SetCopyCount(0);
  writer.SetCopyCount(-2);
  writer.SetMediaPosition(254);
  writer.SetMediaPosition(255);
  EXPECT_EQ(writer.GetFeaturesPending(), 0);
  writer.SetKeepPortrait(1);
  writer.SetTumbleFlag();
  EXPECT_EQ(writer.GetFeaturesPending(), 0);
}

TEST_F(PSLIBTest, AMediaTypeNameCannotLeaveItsString) {
  writer.SetMediaType("Glossy) pop (x\r\n");
  const std::string block = Written([&] { writer.WritePageDeviceBlock(); });
  EXPECT_NE(block.find("/MediaType (Glossy\\) pop \\(x  )\r\n"), std::string::npos) << block;
}

TEST_F(PSLIBTest, PageSizeFollowsTheOrientationUnlessKeptPortrait) {
  struct Case {
    uint8_t orientation;
    int32_t keepPortrait;
    int16_t width;
    int16_t height;
  };
  const Case cases[] = {{0, 0, 612, 792}, {1, 0, 792, 612}, {2, 0, 612, 792},
                        {3, 0, 792, 612}, {1, 1, 612, 792}, {3, 1, 612, 792}};
  for (const Case& c : cases) {
    PsCaptureSink caseSink;
    PSLIB w(&caseSink);
    w.SetKeepPortrait(c.keepPortrait);
    w.SetOrientation(c.orientation);
    w.SetPageSize(792, 612);  // either order in
    EXPECT_EQ(w.GetPageWidth(), c.width) << int(c.orientation) << " keep " << c.keepPortrait;
    EXPECT_EQ(w.GetPageHeight(), c.height) << int(c.orientation) << " keep " << c.keepPortrait;
  }
}

TEST_F(PSLIBTest, SamePageSizeMarksOnceAndATurnMarksAgain) {
  writer.SetPageSize(612, 792);
  writer.WritePageDeviceBlock();
  writer.SetPageSize(612, 792);
  EXPECT_EQ(writer.GetFeaturesPending(), 0);
  writer.SetOrientation(1);
  EXPECT_EQ(writer.GetFeaturesPending(), 1);
  EXPECT_NE(Written([&] { writer.WritePageDeviceBlock(); }).find("/PageSize [792 612]"), std::string::npos);
  writer.SetOrientation(1);
  EXPECT_EQ(writer.GetFeaturesPending(), 0) << "an equal orientation changes nothing";
}

TEST_F(PSLIBTest, DuplexTextFollowsEdgeOrientationAndTumble) {
  struct Case {
    int16_t duplex;
    uint8_t orientation;
    bool tumble;
    const char* text;
  };
  const char* fieryShort =
      "userdict /FieryXJdict known {/Duplex true /Tumble false}{/Duplex true /Tumble true} ifelse";
  const char* fieryLong = "userdict /FieryXJdict known {/Duplex true /Tumble true}{/Duplex true /Tumble false} ifelse";
  const Case cases[] = {
      {1, 1, false, fieryShort},
      {1, 3, true, fieryShort},
      {1, 0, false, "/Duplex true /Tumble true"},
      {1, 2, true, "/Duplex true /Tumble false"},
      {2, 1, false, fieryLong},
      {2, 3, true, "/Duplex true /Tumble false"},
      {2, 0, false, "/Duplex true /Tumble false"},
      {2, 0, true, "/Duplex true /Tumble false"},
      {0, 0, false, "/Duplex false"},
      {3, 1, true, "/Duplex false"},
  };
  for (const Case& c : cases) {
    PsCaptureSink caseSink;
    PSLIB w(&caseSink);
    w.SetOrientation(c.orientation);
    if (c.tumble) w.SetTumbleFlag();
    w.SetDuplex(c.duplex);
    w.WritePageDeviceBlock();
    w.Flush();
    EXPECT_EQ(caseSink.bytes, std::string("[{\r\n<<") + c.text + "\r\n>> setpagedevice\r\n} stopped cleartomark\r\n")
        << "duplex " << c.duplex << " orientation " << int(c.orientation) << " tumble " << c.tumble << ":\n"
        << caseSink.bytes;
  }
}

TEST_F(PSLIBTest, HalftoneBlockOnlyForACustomScreen) {
  writer.SetHalftone(0);
  EXPECT_EQ(Written([&] { writer.WriteHalftoneBlock(); }), "");
  writer.SetHalftone(1);
  const std::string block = Written([&] { writer.WriteHalftoneBlock(); });
  EXPECT_EQ(block.substr(0, 45), "[{\r\n<</PostRenderingEnhance false\r\n/Install\r\n");
  EXPECT_NE(block.find("\r\n106.0 45.0 currentscreen exch pop exch pop setscreen\r\n"), std::string::npos) << block;
  EXPECT_EQ(Written([&] { writer.WriteHalftoneBlock(); }), "") << "written once";
  writer.SetHalftone(1);
  writer.SetScreenFrequency(853);
  writer.SetScreenAngle(150);
  EXPECT_NE(Written([&] { writer.WriteHalftoneBlock(); }).find("\r\n85.3 15.0 currentscreen"), std::string::npos);
}

TEST_F(PSLIBTest, ProcSetsAreWrittenOnceAndEndedInReverse) {
  const std::string first = Written([&] { writer.WriteProcSet(PSLIB::kStandardProcSet); });
  EXPECT_EQ(first.rfind("%%BeginResource: procset QV_Standard_Proc 1.0 0\r\n/QV_Standard_Proc 200 dict dup begin", 0),
            0u);
  EXPECT_EQ(first.substr(first.size() - 15), "%%EndResource\r\n");
  EXPECT_EQ(Written([&] { writer.WriteProcSet(PSLIB::kStandardProcSet); }), "");
  EXPECT_EQ(Written([&] { writer.WriteProcSet(PSLIB::kForcedStandardProcSet); }), first) << "forced: written again";
  EXPECT_EQ(writer.WriteProcSet(3), PSLIB::kBadProcSet);

  const std::string begun = Written([&] {
    writer.BeginProcSet(PSLIB::kStandardProcSet);
    writer.BeginProcSet(PSLIB::kWin35ProcSet);
  });
  // Procset 0 was written already: only begun.
  EXPECT_EQ(begun.rfind(
                "QV_Standard_Proc begin\r\n"
                "%%BeginResource: procset MS_Win35_Proc 3 1\r\n/MS_Win35_Proc 94 dict def MS_Win35_Proc begin\r\n",
                0),
            0u);
  EXPECT_EQ(begun.substr(begun.size() - 41), "end\r\n%%EndResource\r\nMS_Win35_Proc begin\r\n");
  // Procset 0 is not the last begun: ending it now does nothing.
  EXPECT_EQ(Written([&] { writer.EndProcSet(PSLIB::kStandardProcSet); }), "");

  const std::string trailer = Written([&] { writer.WriteTrailer(1); });
  EXPECT_EQ(trailer,
            "%%Trailer\r\n%%BoundingBox: TBD - Max of all pages\r\n%%DocumentNeededResources:\r\n"
            "%%DocumentSuppliedResources:\r\n"
            "%%+ procset QV_Standard_Proc 1.0 0\r\n%%+ procset MS_Win35_Proc 3 1\r\n"
            "end\r\nend\r\n%%Pages: 0\r\n(%%[LastPage]%%) =\r\n%%EOF\r\n\x04");
}

TEST_F(PSLIBTest, ProcSetNames) {
  RWCString name("x");
  EXPECT_EQ(PSLIB::GetProcSetName(0, name), 0);
  EXPECT_EQ(std::string(name.Data(), name.Length()), "QV_Standard_Proc");
  EXPECT_EQ(PSLIB::GetProcSetName(1, name), 0);
  EXPECT_EQ(std::string(name.Data(), name.Length()), "MS_Win35_Proc");
  EXPECT_EQ(PSLIB::GetProcSetName(3, name), PSLIB::kBadProcSet);
  EXPECT_EQ(name.Length(), 0u);
}

TEST_F(PSLIBTest, TitleControlBytesAreBlanked) {
  writer.SetTitle(RWCString("Q3\r\n%%EOF\x04quit", 14));
  const std::string header = Written([&] { writer.WriteJobHeader(0); });
  EXPECT_NE(header.find("%%Title: Q3  %%EOF quit\r\n"), std::string::npos);
  EXPECT_EQ(header.find('\x04'), std::string::npos);
}

TEST_F(PSLIBTest, ResetDropsTheJobButKeepsPageNumberAndErrorHandler) {
  writer.SetErrorHandler(1);
  writer.SetTitle("Memo");
  writer.SetBinaryTransfer(1);
  writer.SetNegative(1);
  writer.WriteJobHeader(0);
  writer.WritePageSetup();
  writer.SetPageSize(612, 792);
  writer.WriteText("unflushed");
  sink.bytes.clear();
  writer.Reset();
  EXPECT_EQ(writer.GetFill(), 0u);
  EXPECT_EQ(writer.GetFeaturesPending(), 0);
  EXPECT_EQ(writer.GetBinaryTransfer(), 0);
  EXPECT_EQ(writer.GetNegative(), 0);
  EXPECT_EQ(writer.GetTitle().Length(), 0u);
  EXPECT_EQ(writer.GetPageNumber(), 1);
  // The procsets are written again, and the error handler still is.
  const std::string header = Written([&] { writer.WriteJobHeader(0); });
  EXPECT_NE(header.find("/QV_Standard_Proc 200 dict"), std::string::npos);
  EXPECT_NE(header.find("%%BeginResource: file QV_PS_ErrorHandler 1.0 0\r\n"), std::string::npos);
  EXPECT_NE(header.find("%%Title: Untitled Document\r\n"), std::string::npos);
}

}  // namespace
