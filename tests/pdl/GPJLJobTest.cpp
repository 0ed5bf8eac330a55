// The PJL job wrapper at work: a document start through the PJL peripheral
// and a generator writes the PJL header ahead of the generator's bytes, the
// document end writes the footer after them, into the stand-in spooler or a
// recording channel; the channel is taken from the command or opened and
// owned; texts from the job or the document cannot add PJL commands of
// their own.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GSelectionString.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentComposite.h"
#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "pdl/GOutputSink.h"
#include "pdl/GPJL.h"
#include "pdl/GPjlSettingsTable.h"
#include "pdl/cheetah.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/GPrinter.h"
#include "printpath/GSpoolerOutputChannel.h"
#include "support/DriverInstanceTestSupport.h"
#include "support/ScriptedFactory.h"
#include "support/GeneratorTestClasses.h"
#include "support/RecordingChannel.h"
#include "support/RecordingPeripheral.h"
#include "support/ScopedUpwardServices.h"
#include "win32/Registry.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "win32/Version.h"

namespace {

using qvtest::RecordingChannel;
using qvtest::RecordingSource;

const std::string kUel = "\x1b%-12345X";
// The stand-in's default system: NT 4.0, build 1381.
const std::string kOsLine = "@PJL COMMENT \"OS Info:WinNT;4.0;0.1381;\"\r\n";

const int32_t kNoId = 0;

GCountedPtr NewStart(const char16_t* document, GOutputChannel* carried = nullptr) {
  auto* start = new GDocumentStart(RWWString(document), RWCString(), RWWString(u"LPT1:"), nullptr, nullptr);
  start->SetOutputChannel(carried);
  return GCountedPtr(start);
}

GCountedPtr NewEnd() { return GCountedPtr(new GDocumentEnd); }

std::string Header(const std::string& jobName, const std::string& lines = kOsLine,
                   const std::string& resolution = "600") {
  return kUel + "@PJL JOB NAME=\"" + jobName + "\"\r\n" + lines + "@PJL SET RESOLUTION=" + resolution + "\r\n" +
         "@PJL ENTER LANGUAGE=PCLXL\r\n";
}

std::string Footer(const std::string& jobName) { return kUel + "@PJL EOJ NAME=\"" + jobName + "\"\r\n" + kUel; }

class GPJLJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    // An NT 4.0 workstation, the stand-in's default system.
    w32test::SetRegistryString(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                               u"ProductType", u"WinNT");
    pjl.GetCurrentState()->AddChild(new GStringAttribute("PCLXL", &GFeatureIds::kPdlLanguageName));
  }
  GState* Job() { return pjl.GetStateSection(GFeatureIds::kJobSettings); }
  void SetText(int32_t id, const std::string& text) {
    Job()->AddChild(new GStringAttribute(RWCString(text.data(), text.size()), &id));
  }
  void SetValue(int32_t id, int16_t value) { Job()->AddChild(new GValueAttribute(value, &id)); }
  // The whole job through the PJL peripheral and then the generator, as the
  // printer hands it on; the generator writes body between start and end.
  std::string Print(const char16_t* document, const std::string& body = "") {
    GCountedPtr start = NewStart(document);
    GCountedPtr afterPjl = pjl.Send(CommandOf(start));
    EXPECT_EQ(CommandOf(afterPjl), CommandOf(start));
    generator.Send(CommandOf(afterPjl));
    if (!body.empty()) {
      int32_t enabled = 1;
      uint16_t status = 0;
      uint32_t tick = 0;
      GOutputSink::Deliver(generator.GetOutputChannel(), 0, {enabled, status, tick},
                           reinterpret_cast<const uint8_t*>(body.data()), static_cast<uint32_t>(body.size()));
    }
    GCountedPtr end = NewEnd();
    generator.Send(CommandOf(end));
    EXPECT_EQ(CommandOf(pjl.Send(CommandOf(end))), CommandOf(end));
    return RecordingSource::last != nullptr ? RecordingSource::last->bytes : std::string();
  }

  RecordingSource source;
  GPJL pjl;
  // The wrapper's bytes around a generator that adds none of its own.
  qvtest::QuietCheetah generator;
};

TEST_F(GPJLJobTest, AJobInTheSpoolerIsHeaderGeneratorBytesAndFooter) {
  w32test::PrinterSetup printer;
  printer.name = u"Quarrin 4700";
  printer.driverName = u"Quarrin 4700 Series";
  w32test::AddPrinter(printer);
  qvtest::ScopedUpwardServices services;
  services.Change([](GUpwardServices& s) {
    s.outputChannel = [](GDriverInstance*, const RWWString&, int) -> GOutputChannel* {
      return new GSpoolerOutputChannel(RWWString(u"Quarrin 4700"));
    };
  });

  GCountedPtr start = NewStart(u"Quarterly report");
  GCountedPtr afterPjl = pjl.Send(CommandOf(start));
  auto* carried = static_cast<GDocumentStart*>(CommandOf(afterPjl))->GetOutputChannel();
  ASSERT_NE(carried, nullptr) << "the PJL peripheral hands its channel on in the command";
  EXPECT_EQ(pjl.OwnsOutputChannel(), 1);
  EXPECT_EQ(pjl.IsInDocument(), 1);
  generator.Send(CommandOf(afterPjl));
  EXPECT_EQ(generator.GetOutputChannel(), carried);
  EXPECT_EQ(generator.OwnsOutputChannel(), 0) << "the generator writes to the PJL peripheral's channel";

  int32_t enabled = 1;
  uint16_t status = 0;
  uint32_t tick = 0;
  const std::string body = ") HP-PCL XL;2;0\r\n";
  EXPECT_EQ(GOutputSink::Deliver(carried, 1, {enabled, status, tick}, reinterpret_cast<const uint8_t*>(body.data()),
                                 static_cast<uint32_t>(body.size())),
            0);
  GCountedPtr end = NewEnd();
  generator.Send(CommandOf(end));
  pjl.Send(CommandOf(end));
  EXPECT_EQ(pjl.IsInDocument(), 0);

  const auto jobs = w32test::PrintJobs(u"Quarrin 4700");
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].documentName, u"Quarterly report");
  EXPECT_EQ(jobs[0].bytes, Header("Quarterly report") + body + Footer("Quarterly report"));
  EXPECT_EQ(jobs[0].status, w32test::PrintJob::Status::kComplete) << "the owned channel is closed at the end";
}

TEST_F(GPJLJobTest, TheHeaderCarriesTheCommentsMessageRawTextAndExtensionLinesInOrder) {
  SetText(GFeatureIds::kProductModelNumber, "Q4700dn");
  SetText(GFeatureIds::kJobCommentText, "first comment");
  SetText(GFeatureIds::kSecondJobCommentText, "second comment");
  SetText(GFeatureIds::kPjlJobUserName, "ada");
  SetText(GFeatureIds::kDisplayMessageText, "Hello");
  SetValue(GFeatureIds::kDisplayMessageKind, 1);
  SetText(GFeatureIds::kCustomPJLCommands, "@PJL SET ECONOMODE=ON\r\n");
  auto* resolution = new GState(&GFeatureIds::kResolution);
  resolution->AddChild(new GValueAttribute(1200, &GFeatureIds::kXResolution));
  Job()->AddChild(resolution);
  auto* extension = new GState(&GFeatureIds::kExtensionPjlLines);
  extension->AddChild(new GStringAttribute("@PJL SET HOLD=OFF", &kNoId));
  Job()->AddChild(extension);

  const std::string lines =
      "@PJL COMMENT \"Q4700dn\"\r\n"
      "@PJL COMMENT \"first comment\"\r\n"
      "@PJL COMMENT \"second comment\"\r\n"
      "@PJL COMMENT \"Username: ada\"\r\n"
      "@PJL SET JOBATTR=\"JobAcct1=ada\"\r\n"
      "@PJL OPMSG DISPLAY = \"Hello\"\r\n"
      "@PJL SET ECONOMODE=ON\r\n";
  const std::string expected = kUel + "@PJL JOB NAME=\"Memo\"\r\n" + lines + "@PJL SET RESOLUTION=1200\r\n" +
                               "@PJL SET HOLD=OFF\r\n" + "@PJL ENTER LANGUAGE=PCLXL\r\n" + "PAGES" + kUel +
                               "@PJL SET HOLD=OFF\r\n" + "@PJL EOJ NAME=\"Memo\"\r\n" + kUel;
  EXPECT_EQ(Print(u"Memo", "PAGES"), expected);
}

// The job's settings lines: each setting alone, the lines it writes before
// the RESOLUTION line and after it.
struct SettingCase {
  const char* name;
  std::vector<std::pair<int32_t, int16_t>> values;
  std::string before;
  std::string after;
};

class GPJLSettingLineTest : public GPJLJobTest, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(GPJLSettingLineTest, WritesItsLines) {
  const SettingCase& c = GetParam();
  for (const auto& [id, value] : c.values) SetValue(id, value);
  const std::string header = kUel + "@PJL JOB NAME=\"Memo\"\r\n" + kOsLine + c.before + "@PJL SET RESOLUTION=600\r\n" +
                             c.after + "@PJL ENTER LANGUAGE=PCLXL\r\n";
  EXPECT_EQ(Print(u"Memo"), header + Footer("Memo"));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, GPJLSettingLineTest,
    ::testing::Values(
        SettingCase{"OneCopy", {{247, 1}}, "", ""},
        SettingCase{"TwoCopies", {{247, 2}}, "@PJL SET QTY=2\r\n", ""},
        SettingCase{"CopiesWhileManualDuplexIsPending", {{247, 5}, {1123, 1}}, "", ""},
        SettingCase{"ZepNegative", {{250, -1}}, "", ""},
        SettingCase{"ZepDark", {{250, 3}}, "@PJL SET ZEP=DARK\r\n", ""},
        SettingCase{"ZepBeyondTheTable", {{250, 7}}, "@PJL SET ZEP=\r\n", ""},
        SettingCase{"DuplexWithoutADuplexUnit", {{253, 2}}, "@PJL SET DUPLEX=OFF\r\n", ""},
        SettingCase{"PrintOnBackSide", {{1128, 1}}, "@PJL SET PRINTONBACKSIDE=ON\r\n", ""},
        SettingCase{"UsageWithNothingOptional", {{1021, 0}}, "@PJL USAGE=,,,00,04,\r\n", ""},
        SettingCase{"UsageLayoutFlags",
                    {{1021, 0}, {269, 50}, {266, 4}, {253, 1}, {279, 1}},
                    "@PJL SET DUPLEX=OFF\r\n@PJL USAGE=,,,13,04,\r\n",
                    ""},
        SettingCase{"DraftQuality", {{901, -2}}, "@PJL SET PRINTQUALITY=DRAFT\r\n", ""},
        SettingCase{"CustomQuality", {{901, 99}}, "@PJL SET PRINTQUALITY=\r\n", ""},
        SettingCase{"CleaningOff", {{703, 0}}, "@PJL SET CLEANING=OFF\r\n", ""},
        SettingCase{"TonerSaving", {{252, 1}}, "@PJL SET SPARETONE=ON\r\n", ""},
        SettingCase{"TurboOn", {{1009, 1}}, "@PJL SET TURBOMODE=ON\r\n", ""},
        SettingCase{"TurboUnknown", {{1009, 5}}, "@PJL SET \r\n", ""},
        SettingCase{"GrayBlackOnlyOnOnePlane",
                    {{1030, 1}, {296, 1}, {410, 1}},
                    "@PJL SET PLANESINUSE=1\r\n@PJL SET GRAYSCALE=BLACKONLY\r\n",
                    ""},
        SettingCase{"ColourAsColour", {{296, 0}, {410, 1}}, "@PJL SET GRAYSCALE=OFF\r\n", ""},
        SettingCase{"FaceUpStacker",
                    {{248, 11}},
                    "@PJL SET OUTBIN=OPTIONALOUTBIN1\r\n@PJL SET PROCESSINGTYPE=\"FACE_UP\"\r\n"
                    "@PJL SET PROCESSINGOPTION=\"FACE_UP\"\r\n@PJL SET PROCESSINGBOUNDARY=PLUX\r\n",
                    ""},
        SettingCase{"StaplerBinWithoutStapling",
                    {{248, 15}},
                    "@PJL SET OUTBIN=OPTIONALOUTBIN1\r\n@PJL SET PROCESSINGTYPE=\"NONE\"\r\n",
                    ""},
        SettingCase{"UpperBinWithTwoStaples",
                    {{248, 1}, {278, 1}, {289, 3}},
                    "@PJL SET OUTBIN=UPPER\r\n@PJL SET FINISH=STAPLE\r\n@PJL SET STAPLEOPTION=TWO\r\n",
                    ""},
        SettingCase{"LowerBinWithoutADevice", {{248, 3}}, "@PJL SET OUTBIN=OPTIONALOUTBIN7\r\n", ""},
        SettingCase{"NoFinishingWithoutStapler",
                    {{248, 4}, {1127, 1}, {278, 0}, {612, 1}},
                    "@PJL SET OUTBIN=OPTIONALOUTBIN2\r\n@PJL SET PROCESSINGTYPE=\"NONE\"\r\n",
                    ""},
        SettingCase{"ThermalBinder",
                    {{612, 1}},
                    "@PJL SET FINISH=ON\r\n@PJL SET FINISHERTYPE=THERMALBINDER\r\n"
                    "@PJL SET FINISHEROPTION=REGULARBIND\r\n",
                    ""},
        SettingCase{"KivOffNeedsPageProtection", {{251, 0}}, "@PJL SET PAGEPROTECT=ON\r\n", ""},
        SettingCase{"KivOn", {{251, 1}}, "@PJL SET PAGEPROTECT=AUTO\r\n", ""},
        SettingCase{"KivBeyondTheTable", {{251, 9}}, "@PJL SET PAGEPROTECT=AUTO\r\n", ""},
        SettingCase{"TwoBitsAt600", {{955, 2}}, "", "@PJL SET BITSPERPIXEL=1\r\n"},
        SettingCase{"TwoBitsAt300Only", {{955, 1}}, "", ""},
        SettingCase{"EdgeToEdgeSupported", {{442, 2}}, "", "@PJL SET EDGETOEDGE=YES\r\n"},
        SettingCase{"DryTime", {{1133, 1}}, "", "@PJL SET KWEEXTRADRYTIME=-15\r\n"},
        SettingCase{"DryTimeBeyondTheTable", {{1133, 40}}, "", "@PJL SET KWEEXTRADRYTIME=0\r\n"},
        SettingCase{"PrintedInterleave", {{1204, 2}}, "", "@PJL SET OHPINTERLEAVE=PRINTED\r\n"},
        SettingCase{"ImageShift",
                    {{1202, 1}},
                    "",
                    "@PJL SET PROCESSINGTYPE=\"IMAGE_SHIFT\"\r\n@PJL SET PROCESSINGOPTION=\"ON\"\r\n"
                    "@PJL SET PROCESSINGBOUNDARY=PLUX\r\n"}),
    [](const ::testing::TestParamInfo<SettingCase>& info) { return std::string(info.param.name); });

TEST_F(GPJLJobTest, TheMediaGivenBeforeTheJobAreForgottenByTheHeader) {
  GMedia media;
  EXPECT_EQ(pjl.SetMedia(&media), 0);
  EXPECT_EQ(pjl.GetMediaState().Children().Count(), 1u);
  Print(u"Memo");
  EXPECT_EQ(pjl.GetMediaState().Children().Count(), 0u);
}

// Texts that could end their quotes or their line, or leave PJL, never
// reach the printer as they are.
struct InjectionCase {
  const char* name;
  const char16_t* document;
  int32_t feature;        // 0: none
  std::string value;      // the job setting's text
  std::string jobName;    // in the JOB and EOJ lines
  std::string lines;      // the header's lines after the JOB line, before RESOLUTION
  std::string extension;  // the extension line expected, header and footer
};

class GPJLInjectionTest : public GPJLJobTest, public ::testing::WithParamInterface<InjectionCase> {};

TEST_P(GPJLInjectionTest, StaysInsideItsLine) {
  const InjectionCase& c = GetParam();
  if (c.feature == GFeatureIds::kExtensionPjlLines) {
    auto* extension = new GState(&GFeatureIds::kExtensionPjlLines);
    extension->AddChild(new GStringAttribute(RWCString(c.value.data(), c.value.size()), &kNoId));
    extension->AddChild(new GStringAttribute("@PJL SET HOLD=OFF", &kNoId));
    Job()->AddChild(extension);
  } else if (c.feature == GFeatureIds::kPdlLanguageName) {
    pjl.GetCurrentState()->AddChild(new GStringAttribute(RWCString(c.value.data(), c.value.size()), &c.feature));
  } else if (c.feature != 0) {
    SetText(c.feature, c.value);
  }
  std::string header = kUel + "@PJL JOB NAME=\"" + c.jobName + "\"\r\n" + c.lines + "@PJL SET RESOLUTION=600\r\n" +
                       c.extension;
  if (c.feature != GFeatureIds::kPdlLanguageName) header += "@PJL ENTER LANGUAGE=PCLXL\r\n";
  const std::string footer = kUel + c.extension + "@PJL EOJ NAME=\"" + c.jobName + "\"\r\n" + kUel;
  EXPECT_EQ(Print(c.document), header + footer);
}

const std::string k80(80, 'x');
const std::u16string kLongName(100, u'x');

INSTANTIATE_TEST_SUITE_P(
    Texts, GPJLInjectionTest,
    ::testing::Values(
        InjectionCase{"NewLineInDocumentName", u"a\r\n@PJL SET COPIES=99", 0, "", "", kOsLine, ""},
        InjectionCase{"QuoteInDocumentName", u"say \"hi\"", 0, "", "", kOsLine, ""},
        InjectionCase{"EscapeInDocumentName", u"a\x1b%-12345X", 0, "", "", kOsLine, ""},
        InjectionCase{"TabAndLatinLetters", u"caf\u00e9\tbar", 0, "", "caf\xe9\tbar", kOsLine, ""},
        InjectionCase{"LongDocumentName", kLongName.c_str(), 0,
                      "", k80, kOsLine, ""},
        InjectionCase{"NewLineInComment", u"Memo", GFeatureIds::kJobCommentText, "x\"\r\n@PJL SET COPIES=99", "Memo",
                      "@PJL COMMENT \"\"\r\n", ""},
        InjectionCase{"NewLineInModelNumber", u"Memo", GFeatureIds::kProductModelNumber, "Q\r\n@PJL SET COPIES=99", "Memo",
                      "@PJL COMMENT \"\"\r\n" + kOsLine, ""},
        InjectionCase{"LongUserName", u"Memo", GFeatureIds::kPjlJobUserName, std::string(200, 'u'), "Memo",
                      kOsLine + "@PJL COMMENT \"Username: " + std::string(70, 'u') + "\"\r\n" +
                          "@PJL SET JOBATTR=\"JobAcct1=" + std::string(80, 'u') + "\"\r\n",
                      ""},
        InjectionCase{"NewLineInUserName", u"Memo", GFeatureIds::kPjlJobUserName, "u\n@PJL", "Memo",
                      kOsLine + "@PJL COMMENT \"Username: \"\r\n@PJL SET JOBATTR=\"JobAcct1=\"\r\n", ""},
        InjectionCase{"NewLineInExtensionLine", u"Memo", GFeatureIds::kExtensionPjlLines, "@PJL SET A=1\r\n@PJL SET B=2",
                      "Memo", kOsLine, "@PJL SET HOLD=OFF\r\n"},
        InjectionCase{"EscapeInExtensionLine", u"Memo", GFeatureIds::kExtensionPjlLines, "\x1b%-12345X", "Memo", kOsLine,
                      "@PJL SET HOLD=OFF\r\n"},
        InjectionCase{"NewLineInLanguageName", u"Memo", GFeatureIds::kPdlLanguageName, "PCLXL\r\n@PJL SET COPIES=99",
                      "Memo", kOsLine, ""}),
    [](const ::testing::TestParamInfo<InjectionCase>& info) { return std::string(info.param.name); });

TEST_F(GPJLJobTest, TheJobCommandsSwitchLetsTheJobThroughUntouched) {
  SetValue(GFeatureIds::kPjlJobCommands, 0);
  GCountedPtr start = NewStart(u"Memo");
  EXPECT_EQ(CommandOf(pjl.Send(CommandOf(start))), CommandOf(start));
  GCountedPtr abort(new GJobAbort);
  EXPECT_EQ(CommandOf(pjl.Send(CommandOf(abort))), CommandOf(abort));
  GCountedPtr end = NewEnd();
  EXPECT_EQ(CommandOf(pjl.Send(CommandOf(end))), CommandOf(end));
  EXPECT_EQ(RecordingSource::calls, 0) << "no channel is asked for";
  EXPECT_EQ(pjl.IsInDocument(), 0);
}

TEST_F(GPJLJobTest, NoClosingUelEndsTheFooterWithTheEojLine) {
  auto* configuration = new GConfiguration(GFeatureIds::kPeripheralConfiguration);
  configuration->AddChild(new GValueAttribute(1, &GFeatureIds::kNoClosingUel));
  GPJL withConfiguration(RWCString("PJL"), nullptr, configuration, &GFeatureIds::kPjlPeripheral, 0, kAddOnNone, kNoAddOns);
  withConfiguration.GetCurrentState()->AddChild(new GStringAttribute("PCLXL", &GFeatureIds::kPdlLanguageName));
  GCountedPtr start = NewStart(u"Memo");
  withConfiguration.Send(CommandOf(start));
  GCountedPtr end = NewEnd();
  withConfiguration.Send(CommandOf(end));
  ASSERT_NE(RecordingSource::last, nullptr);
  EXPECT_EQ(RecordingSource::last->bytes, Header("Memo") + kUel + "@PJL EOJ NAME=\"Memo\"\r\n");
}

TEST_F(GPJLJobTest, ACarriedChannelIsUsedButNeitherOpenedNorClosedByThePeripheral) {
  RecordingChannel carried;
  ASSERT_EQ(carried.Open(RWWString(u"by the printer")), 0);
  GCountedPtr start = NewStart(u"Memo", &carried);
  pjl.Send(CommandOf(start));
  EXPECT_EQ(RecordingSource::calls, 0);
  EXPECT_EQ(pjl.GetOutputChannel(), &carried);
  EXPECT_EQ(pjl.OwnsOutputChannel(), 0);
  GCountedPtr end = NewEnd();
  pjl.Send(CommandOf(end));
  EXPECT_EQ(carried.bytes, Header("Memo") + Footer("Memo"));
  EXPECT_EQ(carried.GetState(), GOutputChannel::kInDocument) << "the printer ends and closes its own channel";
  EXPECT_EQ(carried.ticks, 1) << "one progress tick after the header";
}

// A start that gets no usable channel reports it as an error command and
// keeps nothing; the job then has no footer either.
struct ChannelFailure {
  const char* name;
  bool give;
  int ready;
  int16_t openStatus;
  uint16_t status;
};

class GPJLChannelFailureTest : public GPJLJobTest, public ::testing::WithParamInterface<ChannelFailure> {};

TEST_P(GPJLChannelFailureTest, IsAnErrorAndLeavesNoChannel) {
  const ChannelFailure& c = GetParam();
  RecordingSource::give = c.give;
  RecordingSource::ready = c.ready;
  RecordingSource::openStatus = c.openStatus;
  GCountedPtr start = NewStart(u"Memo");
  GCountedPtr result = pjl.Send(CommandOf(start));
  auto* error = dynamic_cast<GErrorCommand*>(CommandOf(result));
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetStatus(), c.status);
  EXPECT_EQ(error->FeatureId(), 0);
  EXPECT_EQ(static_cast<GDocumentStart*>(CommandOf(start))->GetOutputChannel(), nullptr);
  EXPECT_EQ(pjl.GetOutputChannel(), nullptr);
  EXPECT_EQ(RecordingChannel::alive, 0) << "a channel that cannot be used is deleted";
  EXPECT_EQ(pjl.IsInDocument(), 0);
  GCountedPtr end = NewEnd();
  EXPECT_EQ(CommandOf(pjl.Send(CommandOf(end))), CommandOf(end));
}

INSTANTIATE_TEST_SUITE_P(Channels, GPJLChannelFailureTest,
                         ::testing::Values(ChannelFailure{"NoneFromTheSource", false, 1, 0, 601},
                                           ChannelFailure{"NotReady", true, 0, 0, 601},
                                           ChannelFailure{"OpenFails", true, 1, 7, 7}),
                         [](const ::testing::TestParamInfo<ChannelFailure>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(GPJLJobTest, AFailedHeaderWriteIsReportedAndGetsNoFooter) {
  RecordingChannel carried;
  ASSERT_EQ(carried.Open(RWWString(u"job")), 0);
  carried.writeStatus = 3;
  GCountedPtr start = NewStart(u"Memo", &carried);
  GCountedPtr result = pjl.Send(CommandOf(start));
  auto* error = dynamic_cast<GErrorCommand*>(CommandOf(result));
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetStatus(), 3);
  EXPECT_EQ(pjl.IsInDocument(), 0);
  carried.writeStatus = 0;
  GCountedPtr end = NewEnd();
  EXPECT_EQ(CommandOf(pjl.Send(CommandOf(end))), CommandOf(end));
  EXPECT_EQ(carried.bytes, "") << "no footer for a job whose header did not go out";
}

TEST_F(GPJLJobTest, AnEndWithoutAStartWritesNothing) {
  RecordingChannel channel;
  ASSERT_EQ(channel.Open(RWWString(u"job")), 0);
  pjl.SetOutputChannel(&channel, 0);
  GCountedPtr end = NewEnd();
  EXPECT_EQ(CommandOf(pjl.Send(CommandOf(end))), CommandOf(end));
  EXPECT_EQ(channel.bytes, "");
  pjl.DropOutputChannel();
}

TEST_F(GPJLJobTest, AJobAbortWritesNothingAndAbortsOnlyAnOwnedChannel) {
  GCountedPtr start = NewStart(u"Memo");
  pjl.Send(CommandOf(start));
  ASSERT_NE(RecordingSource::last, nullptr);
  RecordingChannel* owned = RecordingSource::last;
  const std::string header = owned->bytes;
  owned->abortStatus = 9;
  GCountedPtr abort(new GJobAbort);
  EXPECT_EQ(CommandOf(pjl.Send(CommandOf(abort))), CommandOf(abort)) << "0 even when the abort fails";
  EXPECT_EQ(owned->aborts, 1);
  EXPECT_EQ(owned->bytes, header);
  EXPECT_EQ(pjl.IsInDocument(), 0);

  RecordingChannel carried;
  ASSERT_EQ(carried.Open(RWWString(u"job")), 0);
  GCountedPtr second = NewStart(u"Memo", &carried);
  pjl.Send(CommandOf(second));
  EXPECT_EQ(RecordingChannel::alive, 1) << "the owned channel of the aborted job went with the new job";
  pjl.Send(CommandOf(abort));
  EXPECT_EQ(carried.aborts, 0);
}

TEST_F(GPJLJobTest, TheUsageLineNamesTheModelAndChecksTheTexts) {
  SetValue(1021, 1);
  SetText(GFeatureIds::kProductModelNumber, "Quarrin q4750dn");
  SetText(1000, "123456789");
  SetText(1022, "abc");
  // CRC-16/ARC of "123456789" is bb3d, of "ABC" (the usage text in upper
  // case) 4521.
  const std::string lines = "@PJL COMMENT \"Quarrin q4750dn\"\r\n" + kOsLine +
                            "@PJL SET JOBATTR=\"JobAcct2=123456789\"\r\n" + "@PJL USAGE=QR4F,bb3d,4521,00,04,\r\n";
  EXPECT_EQ(Print(u"Memo"), Header("Memo", lines) + Footer("Memo"));
}

TEST_F(GPJLJobTest, TheHeaderConsumesTheOneShotFinishingSettings) {
  SetValue(612, 3);
  SetValue(248, 9);
  SetValue(982, 5);
  const std::string lines =
      "@PJL SET OUTBIN=OPTIONALOUTBIN1\r\n@PJL SET PROCESSINGBOUNDARY=PLUX\r\n";
  EXPECT_EQ(Print(u"Memo"), Header("Memo", kOsLine + lines) + Footer("Memo"));
  EXPECT_EQ(static_cast<GValueAttribute*>(Job()->FindById(982))->GetValue(), 0) << "a stapling mode other than 1";
  EXPECT_EQ(static_cast<GValueAttribute*>(Job()->FindById(612))->GetValue(), 3)
      << "the stacker writer leaves the binder";
  SetValue(248, 1);
  EXPECT_EQ(Print(u"Memo"), Header("Memo", kOsLine + "@PJL SET OUTBIN=UPPER\r\n@PJL SET FINISH=NONE\r\n") +
                                 Footer("Memo"));
  EXPECT_EQ(static_cast<GValueAttribute*>(Job()->FindById(612))->GetValue(), 0) << "binder 3 is sent once";
}

TEST_F(GPJLJobTest, Crc16IsTheArcChecksumOfTheFirst99Bytes) {
  EXPECT_EQ(GPJL::Crc16(RWCString("123456789")), 0xBB3D);
  EXPECT_EQ(GPJL::Crc16(RWCString("")), 0xFFFF) << "0 is sent as ffff";
  const std::string long100(100, 'a');
  EXPECT_EQ(GPJL::Crc16(RWCString(long100.data(), 100)), GPJL::Crc16(RWCString(long100.data(), 99)));
}

TEST_F(GPJLJobTest, QuotableTexts) {
  EXPECT_TRUE(GPJL::IsQuotable(RWCString("")));
  EXPECT_TRUE(GPJL::IsQuotable(RWCString("tab\there \xe9\xff")));
  EXPECT_FALSE(GPJL::IsQuotable(RWCString("a\"b")));
  EXPECT_FALSE(GPJL::IsQuotable(RWCString("a\rb")));
  EXPECT_FALSE(GPJL::IsQuotable(RWCString("a\x1b")));
  EXPECT_FALSE(GPJL::IsQuotable(RWCString("a\0b", 3)));
}

}  // namespace

namespace {

// A platform with a clock and a progress switch.
class PJLJobClockedFactory : public qvtest::ScriptedFactory {
 public:
  int GetDateTime(GDateTime* local, GDateTime* shifted, int16_t* offset) override {
    *local = GDateTime{2026, 12, 10, 9, 5, 7, 0, 4};
    *shifted = GDateTime{2026, 12, 10, 17, 5, 7, 0, 4};
    *offset = minutes;
    return 1;
  }
  int SuppressesProgress() override { return suppress; }
  int16_t minutes = 90;
  int suppress = 0;
};

class GPJLClockTest : public GPJLJobTest {
 protected:
  void SetUp() override {
    GPJLJobTest::SetUp();
    services_.Change([&](GUpwardServices& s) { s.factory = &factory; });
  }
  void TearDown() override { services_.Restore(); }
  qvtest::ScopedUpwardServices services_;
  PJLJobClockedFactory factory;
};

const std::string kStampLine = "@PJL SET JOBATTR=\"JobAcct4=20261210090507\"\r\n";

TEST_F(GPJLClockTest, TheClockStampsTheAttributesTheTemplateLinesAndTheDeviceRequest) {
  SetText(596, "ignored@DATE=#Y/#MO/#D@TIME=#H:#MN:#S#G");
  SetValue(1121, 1);
  const std::string expected =
      kUel + "@PJL JOB NAME=\"Memo\"\r\n" + kOsLine + kStampLine + "@PJL SET TIME=09:05:07+01:30\r\n" +
      "@PJL SET DATE=2026/12/10\r\n" + "@PJL SET RESOLUTION=600\r\n" +
      "@PJL DMINFO ASCIIHEX=\"0400040101020D10100115" + "3230323631323130313730353037" + "\"\r\n" +
      "@PJL ENTER LANGUAGE=PCLXL\r\n" + Footer("Memo");
  EXPECT_EQ(Print(u"Memo"), expected);
}

TEST_F(GPJLClockTest, TheOffsetIsSignedHoursAndMinutes) {
  const std::vector<std::pair<int16_t, std::string>> cases = {{90, "+01:30"}, {0, "-00:00"}, {-300, "-05:00"}};
  for (const auto& [minutes, text] : cases) {
    factory.minutes = minutes;
    GPJL pjlForCase;
    pjlForCase.GetCurrentState()->AddChild(new GStringAttribute("PCLXL", &GFeatureIds::kPdlLanguageName));
    const int32_t id = 596;
    pjlForCase.GetStateSection(GFeatureIds::kJobSettings)->AddChild(new GStringAttribute("@ZONE=#G", &id));
    RecordingChannel carried;
    ASSERT_EQ(carried.Open(RWWString(u"job")), 0);
    GCountedPtr start = NewStart(u"Memo", &carried);
    pjlForCase.Send(CommandOf(start));
    EXPECT_NE(carried.bytes.find("@PJL SET ZONE=" + text + "\r\n"), std::string::npos) << minutes;
    pjlForCase.DropOutputChannel();
  }
}

TEST_F(GPJLClockTest, ATemplateSegmentThatBreaksItsLineIsLeftOut) {
  SetText(596, "@A=#D\r\n@PJL SET COPIES=9\x1b@B=#Y");
  EXPECT_EQ(Print(u"Memo"), Header("Memo", kOsLine + kStampLine + "@PJL SET B=2026\r\n") + Footer("Memo"));
}

TEST_F(GPJLClockTest, APlatformThatSuppressesProgressGetsNoTick) {
  factory.suppress = 1;
  RecordingChannel carried;
  ASSERT_EQ(carried.Open(RWWString(u"job")), 0);
  GCountedPtr start = NewStart(u"Memo", &carried);
  pjl.Send(CommandOf(start));
  EXPECT_EQ(pjl.GetProgressFlag(), 0);
  EXPECT_EQ(carried.ticks, 0);
  EXPECT_EQ(carried.bytes, Header("Memo", kOsLine + kStampLine));
}

}  // namespace

namespace {

TEST(GPJLChangeTest, AChangeRebuildsTheStatesAndConfigurationFromTheOwnPartsAndTheChildren) {
  GPJL pjl;
  auto* child = new qvtest::RecordingPeripheral;
  child->GetCurrentState()->AddChild(new GStringAttribute("PCL", &GFeatureIds::kPdlLanguageName));
  child->GetConfiguration()->AddChild(new GValueAttribute(1, &GFeatureIds::kNoClosingUel));
  pjl.AddChild(child);
  pjl.OnPeripheralChanged(child);
  auto* language = dynamic_cast<GStringAttribute*>(pjl.GetCurrentState()->FindById(GFeatureIds::kPdlLanguageName));
  ASSERT_NE(language, nullptr) << "the language name reaches the PJL peripheral's current state";
  EXPECT_EQ(language->GetString(), RWCString("PCL"));
  EXPECT_EQ(child->GetCurrentState(), pjl.GetCurrentState()) << "the children share the new states";
  EXPECT_EQ(child->GetDefaultState(), pjl.GetDefaultState());
  EXPECT_NE(pjl.GetConfiguration()->FindById(GFeatureIds::kNoClosingUel), nullptr);
  EXPECT_NE(pjl.GetStateSection(GFeatureIds::kJobSettings), nullptr) << "the job section is made again when asked for";
}

}  // namespace

namespace {

// The job retention block: mode, names, PIN and UTF-8 switch.
struct RetentionCase {
  const char* name;
  std::vector<std::pair<int32_t, int16_t>> values;
  std::vector<std::pair<int32_t, std::string>> texts;
  std::string lines;  // besides the comment and JOBATTR lines of a JobUserName
};

class GPJLRetentionTest : public GPJLJobTest, public ::testing::WithParamInterface<RetentionCase> {};

TEST_P(GPJLRetentionTest, WritesTheBlockBeforeTheResolution) {
  const RetentionCase& c = GetParam();
  std::string userLines;
  for (const auto& [id, value] : c.values) SetValue(id, value);
  for (const auto& [id, text] : c.texts) {
    SetText(id, text);
    if (id == GFeatureIds::kPjlJobUserName) {
      const std::string shown = GPJL::IsQuotable(RWCString(text.data(), text.size())) ? text : "";
      userLines = "@PJL COMMENT \"Username: " + shown + "\"\r\n@PJL SET JOBATTR=\"JobAcct1=" + shown + "\"\r\n";
    }
  }
  EXPECT_EQ(Print(u"Memo"), Header("Memo", kOsLine + userLines + c.lines) + Footer("Memo"));
}

const std::string k20 = "abcdefghijklmnopqrst";

INSTANTIATE_TEST_SUITE_P(
    Modes, GPJLRetentionTest,
    ::testing::Values(
        RetentionCase{"NoMode", {{287, -1}}, {}, ""},
        RetentionCase{"Off", {{287, 0}}, {{440, "ada"}}, "@PJL SET HOLD=OFF\r\n"},
        RetentionCase{"PrivateWithoutPin",
                      {{287, 4}},
                      {{440, "ada"}, {282, "Memo job"}},
                      "@PJL SET HOLD=ON\r\n@PJL SET HOLDTYPE=PRIVATE\r\n@PJL SET HOLDKEY=\"\"\r\n"
                      "@PJL SET USERNAME=\"\"\r\n@PJL SET JOBNAME=\"Memo job\"\r\n"},
        RetentionCase{"PublicWithTheJobsUser",
                      {{287, 1}, {1034, 0}},
                      {{975, "ada"}, {284, "1234"}},
                      "@PJL SET HOLD=ON\r\n@PJL SET HOLDTYPE=PUBLIC\r\n@PJL SET USERNAME=\"ada\"\r\n"
                      "@PJL SET JOBNAME=\"\"\r\n"},
        RetentionCase{"StoreWithoutAUserName",
                      {{287, 3}, {290, 1}},
                      {{284, "77"}},
                      "@PJL SET HOLD=STORE\r\n@PJL SET HOLDTYPE=PRIVATE\r\n@PJL SET HOLDKEY=\"77\"\r\n"
                      "@PJL SET USERNAME=\"?\"\r\n@PJL SET JOBNAME=\"\"\r\n"},
        RetentionCase{"Utf8NameCutTo16Characters",
                      {{287, 2}, {1034, 0}, {1027, 1}},
                      {{975, "\xe9" + k20}, {284, "1"}},
                      "@PJL SET STRINGCODESET=UTF8\r\n@PJL SET HOLD=PROOF\r\n@PJL SET USERNAME=\"\xc3\xa9" +
                          k20.substr(0, 15) + "\"\r\n@PJL SET JOBNAME=\"\"\r\n"},
        RetentionCase{"JobNameThatWouldEndItsLine",
                      {{287, 2}},
                      {{440, "ada"}, {284, "1"}, {282, "x\"\r\n@PJL SET COPIES=99"}},
                      "@PJL SET HOLD=PROOF\r\n@PJL SET USERNAME=\"ada\"\r\n@PJL SET JOBNAME=\"\"\r\n"},
        RetentionCase{"UserNameThatWouldEndItsLine",
                      {{287, 2}},
                      {{440, "a\"\r\n@PJL"}, {284, "1"}},
                      "@PJL SET HOLD=PROOF\r\n@PJL SET USERNAME=\"?\"\r\n@PJL SET JOBNAME=\"\"\r\n"}),
    [](const ::testing::TestParamInfo<RetentionCase>& info) { return std::string(info.param.name); });

// ---- Lines that read the device: manual duplex, paper, temperature and
// the names of extension bins ----

// The PJL peripheral's own configuration holds the maps; the printer
// configuration of the job's driver instance holds the duplex devices.
class GPJLDeviceLineTest : public GPJLJobTest {
 protected:
  void SetUp() override {
    GPJLJobTest::SetUp();
    auto* root = new MPersistentComposite(GFeatureIds::kDeviceModelRoot);
    printer = new GPrinter(&GFeatureIds::kDeviceEntry);
    printerConfiguration = new GConfiguration(GFeatureIds::kPeripheralConfiguration);
    printer->SetConfiguration(printerConfiguration);
    root->AddChild(printer);
    instance.SetDeviceModel(root);

    auto* own = new GConfiguration(GFeatureIds::kPeripheralConfiguration);
    own->AddChild(Map(GFeatureIds::kPaperList, {{1, "LETTER"}, {23, "A4"}}));
    own->AddChild(Map(GFeatureIds::kPjlBinMap, {{30, "UPPER"}, {33, "OPTIONALOUTBIN2"}}));
    own->AddChild(Map(GFeatureIds::kCopyQualifierList, {{1, "HIGH"}, {2, "LOW"}}));
    own->AddChild(Map(GFeatureIds::kTray1Temp, {{5, "TRAY1TEMP,FUSERTEMP"}}));
    pjl.SetConfiguration(own);
  }
  static MAssociationList* Map(int32_t id, std::initializer_list<std::pair<int16_t, const char*>> entries) {
    auto* map = new MAssociationList(id);
    for (const auto& [key, text] : entries)
      map->Add(new MPersistentAssociation(new GValueAttribute(key, &kNoId), new GSelectionString(text, 0, kNoId),
                                          kNoId));
    return map;
  }
  void SetPrinter(int32_t id, int16_t value) {
    delete printerConfiguration->RemoveChildById(id);
    printerConfiguration->AddChild(new GValueAttribute(value, &id));
  }
  void SetPageMedia(int16_t paperId) {
    const GShortPoint size(5100, 6600);
    Job()->AddChild(new GMedia("paper", &size, &size, nullptr, 0, paperId, 600, 600, &GFeatureIds::kPageMedia));
  }
  // The header lines between the comment and the resolution, of a job whose
  // document start carries the driver instance.
  std::string SettingLines() {
    GCountedPtr start(new GDocumentStart(RWWString(u"Memo"), RWCString(), RWWString(u"LPT1:"), &instance, nullptr));
    pjl.Send(CommandOf(start));
    GCountedPtr end = NewEnd();
    pjl.Send(CommandOf(end));
    const std::string bytes = RecordingSource::last != nullptr ? RecordingSource::last->bytes : std::string();
    const std::string head = kUel + "@PJL JOB NAME=\"Memo\"\r\n" + kOsLine;
    const size_t resolution = bytes.find("@PJL SET RESOLUTION=");
    if (bytes.compare(0, head.size(), head) != 0 || resolution == std::string::npos) return "<" + bytes + ">";
    return bytes.substr(head.size(), resolution - head.size());
  }

  qvtest::TestDriverInstance instance;
  GPrinter* printer = nullptr;
  GConfiguration* printerConfiguration = nullptr;
};

TEST_F(GPJLDeviceLineTest, ManualDuplexNeedsTheSwitchAndSetsItAfterwards) {
  SetPrinter(GFeatureIds::kManualDuplex, 1);
  SetValue(GFeatureIds::kDuplex, 2);
  // Without the switch: no line, and the switch is not made.
  EXPECT_EQ(SettingLines(), "@PJL SET DUPLEX=OFF\r\n");
  EXPECT_EQ(printerConfiguration->FindById(GFeatureIds::kDriverDecidesSheet), nullptr);
  // A switch of 0 writes no line but is set to 1 for the next job.
  SetPrinter(GFeatureIds::kDriverDecidesSheet, 0);
  EXPECT_EQ(SettingLines(), "@PJL SET DUPLEX=OFF\r\n");
  int16_t value = 0;
  ASSERT_TRUE(GPjlSettingsTable::FindValue(printerConfiguration, GFeatureIds::kDriverDecidesSheet, value));
  EXPECT_EQ(value, 1);
  EXPECT_EQ(SettingLines(), "@PJL SET MANUALDUPLEX=ON\r\n@PJL SET DUPLEX=OFF\r\n");
}

TEST_F(GPJLDeviceLineTest, ManualDuplexLeavesThePapersOfTheDuplexUnitToIt) {
  SetPrinter(GFeatureIds::kDriverDecidesSheet, 1);
  SetPrinter(GFeatureIds::kManualDuplex, 1);
  SetPrinter(GFeatureIds::kDiscoveredDuplexUnit, 1);
  auto* unitPapers = new GAttributeComposite(&GFeatureIds::kDuplexUnitPaperSizes);
  unitPapers->AddChild(new GValueAttribute(1, &kNoId));
  printerConfiguration->AddChild(unitPapers);
  SetValue(GFeatureIds::kDuplex, 1);
  const std::string duplex = "@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=SHORTEDGE\r\n";
  struct Case {
    int16_t paper;
    bool manual;
  } cases[] = {{1, false}, {23, true}, {16384, false}};
  for (const Case& c : cases) {
    delete Job()->RemoveChildById(GFeatureIds::kPageMedia);
    SetPageMedia(c.paper);
    // A custom size is named as the default paper, Letter here.
    const std::string paperLine = c.paper == 23 ? "@PJL SET PAPER=A4\r\n" : "@PJL SET PAPER=LETTER\r\n";
    EXPECT_EQ(SettingLines(), (c.manual ? "@PJL SET MANUALDUPLEX=ON\r\n" : "") + duplex + paperLine) << c.paper;
  }
}

TEST_F(GPJLDeviceLineTest, APendingManualDuplexPassIsWrittenOnce) {
  SetPrinter(GFeatureIds::kDriverDecidesSheet, 1);
  SetPrinter(GFeatureIds::kManualDuplex, 1);
  SetValue(GFeatureIds::kDuplex, 0);
  SetValue(GFeatureIds::kManualDuplexPending, 1);
  SetValue(GFeatureIds::kPrinterCopies, 3);
  EXPECT_EQ(SettingLines(), "@PJL SET MANUALDUPLEX=ON\r\n@PJL SET DUPLEX=OFF\r\n");
  // The pending mark is used up: the next header has copies and no line.
  EXPECT_EQ(SettingLines(), "@PJL SET QTY=3\r\n@PJL SET DUPLEX=OFF\r\n");
}

TEST_F(GPJLDeviceLineTest, PaperNamesComeFromTheMap) {
  SetPageMedia(23);
  EXPECT_EQ(SettingLines(), "@PJL SET PAPER=A4\r\n");
  // A custom size is named as the default paper (Letter here).
  delete Job()->RemoveChildById(GFeatureIds::kPageMedia);
  SetPageMedia(16390);
  EXPECT_EQ(SettingLines(), "@PJL SET PAPER=LETTER\r\n");
  // A paper the map does not know: no line.
  delete Job()->RemoveChildById(GFeatureIds::kPageMedia);
  SetPageMedia(6);
  EXPECT_EQ(SettingLines(), "");
}

TEST_F(GPJLDeviceLineTest, TemperatureLinesGoIntoTheNamedVariablesLastFirst) {
  SetValue(GFeatureIds::kCopyQualifierIndex, 2);
  EXPECT_EQ(SettingLines(), "@PJL SET TRAY1TEMP=LOW\r\n");
  SetValue(GFeatureIds::kTray1Temp2, 5);
  EXPECT_EQ(SettingLines(), "@PJL SET FUSERTEMP=LOW\r\n@PJL SET TRAY1TEMP=LOW\r\n");
  // A qualifier the list does not hold: no line at all.
  static_cast<GValueAttribute*>(Job()->FindById(GFeatureIds::kCopyQualifierIndex))->SetValue(9);
  EXPECT_EQ(SettingLines(), "");
}

TEST_F(GPJLDeviceLineTest, ExtensionBinsAreNamedByTheBinMap) {
  struct Case {
    int16_t bin;
    const char* line;
  } cases[] = {{30, "@PJL SET OUTBIN=UPPER\r\n"}, {33, "@PJL SET OUTBIN=OPTIONALOUTBIN2\r\n"},
               {40, "@PJL SET OUTBIN=\r\n"}, {20, "@PJL SET OUTBIN=OPTIONALOUTBIN6\r\n"}};
  for (const Case& c : cases) {
    delete Job()->RemoveChildById(GFeatureIds::kOutputBin);
    SetValue(GFeatureIds::kOutputBin, c.bin);
    EXPECT_EQ(SettingLines(), c.line) << c.bin;
  }
}

}  // namespace
