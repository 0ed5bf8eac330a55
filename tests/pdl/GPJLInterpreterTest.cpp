// The PJL header and footer as a printer reads them: a job that the PJL
// peripheral wraps around a small PCL page, with most of the settings lines
// in its header, goes through the independent PCL interpreter. Every header
// line must be taken as PJL (a line that broke out of its quotes or its
// line would print or start a page of its own), ENTER LANGUAGE must switch
// to PCL, and the job must render exactly the page that the PCL alone
// renders.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "model/GFeatureIds.h"
#include "support/PclInterpreter.h"
#include "support/ScriptedFactory.h"
#include "model/GState.h"
#include "model/GConfiguration.h"
#include "model/GMedia.h"
#include "model/GSelectionString.h"
#include "model/GStringAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/GValueAttribute.h"
#include "pdl/GPJL.h"
#include "printpath/GDocumentCommand.h"
#include "support/RecordingChannel.h"
#include "support/ScopedUpwardServices.h"
#include "win32/Registry.h"
#include "w32test/Testing.h"

namespace {

using qvtest::RecordingChannel;

// A page of PCL: reset, portrait, a fixed-pitch font, one line of text, the
// page ejected and the printer reset.
const std::string kPage =
    "\x1b" "E" "\x1b&l0O" "\x1b(s0p12h10v0s0b3T" "\x1b&a10R" "\x1b&a10C" "Quarterly report, page 1" "\f" "\x1b" "E";

// A platform with a clock, so that the header carries the time lines too.
class ClockedFactory : public qvtest::ScriptedFactory {
 public:
  int GetDateTime(GDateTime* local, GDateTime* shifted, int16_t* offset) override {
    *local = GDateTime{2026, 12, 10, 9, 5, 7, 0, 4};
    *shifted = GDateTime{2026, 12, 10, 17, 5, 7, 0, 4};
    *offset = 90;
    return 1;
  }
};

class GPJLInterpreterTest : public ::testing::Test {
 protected:
  qvtest::ScopedUpwardServices services_;

  void SetUp() override {
    w32test::Reset();
    w32test::SetRegistryString(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                               u"ProductType", u"WinNT");
    services_.Change([&](GUpwardServices& s) { s.factory = &factory; });
    pjl.GetCurrentState()->AddChild(new GStringAttribute("PCL", &GFeatureIds::kPdlLanguageName));
  }
  void TearDown() override { services_.Restore(); }
  GState* Job() { return pjl.GetStateSection(GFeatureIds::kJobSettings); }
  void SetText(int32_t id, const std::string& text) {
    Job()->AddChild(new GStringAttribute(RWCString(text.data(), text.size()), &id));
  }
  void SetValue(int32_t id, int16_t value) { Job()->AddChild(new GValueAttribute(value, &id)); }

  // The job as the printer would get it: header, page, footer.
  std::string WrappedJob(const char16_t* document) {
    RecordingChannel channel;
    EXPECT_EQ(channel.Open(RWWString(document)), 0);
    GCountedPtr start(new GDocumentStart(RWWString(document), RWCString(), RWWString(u"LPT1:"), nullptr, nullptr));
    static_cast<GDocumentStart*>(CommandOf(start))->SetOutputChannel(&channel);
    EXPECT_EQ(CommandOf(pjl.Send(CommandOf(start))), CommandOf(start));
    EXPECT_EQ(channel.WriteString(RWCString(kPage.data(), kPage.size()), nullptr), 0);
    GCountedPtr end(new GDocumentEnd);
    EXPECT_EQ(CommandOf(pjl.Send(CommandOf(end))), CommandOf(end));
    pjl.DropOutputChannel();
    return channel.bytes;
  }

  ClockedFactory factory;
  GPJL pjl;
};

TEST_F(GPJLInterpreterTest, TheInterpreterReadsTheHeaderAsPjlAndRendersOnlyThePage) {
  const std::string interpreter = qvtest::PclInterpreter();
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;

  // Texts of the job and the document, some of which would break their
  // lines if they were written as they are.
  SetText(GFeatureIds::kProductModelNumber, "Quarrin 4750dn");
  SetText(GFeatureIds::kJobCommentText, "first \"comment\"\r\n@PJL SET COPIES=9");
  SetText(GFeatureIds::kPjlJobUserName, "ada");
  SetText(GFeatureIds::kDisplayMessageText, "Hello");
  SetText(1000, "cost centre 7");
  SetText(596, "@DATE=#Y/#MO/#D@TIME=#H:#MN:#S#G");
  SetText(282, "Memo job");
  SetText(284, "1234");
  auto* extension = new GState(&GFeatureIds::kExtensionPjlLines);
  const int32_t noId = 0;
  extension->AddChild(new GStringAttribute("@PJL SET ECONOMODE=OFF", &noId));
  Job()->AddChild(extension);
  const std::vector<std::pair<int32_t, int16_t>> values = {
      {247, 1},  {250, 3},  {253, 2},  {1128, 0}, {1021, 1}, {901, 0},  {703, 0}, {252, 1}, {1009, 1},
      {1030, 1}, {296, 1},  {410, 1},  {248, 1},  {278, 1},  {289, 3},  {251, 1}, {287, 1}, {1034, 0},
      {442, 0},  {1121, 1}, {1133, 4}, {1204, 1}, {1202, 0}};
  for (const auto& [id, value] : values) SetValue(id, value);

  const std::string job = WrappedJob(u"Quarterly \"report\"\x1b");
  // The header carries the lines the interpreter is to read.
  for (const char* line : {"@PJL JOB NAME=\"\"\r\n", "@PJL SET ZEP=DARK\r\n", "@PJL USAGE=QR4F,", "@PJL SET TIME=",
                           "@PJL SET OUTBIN=UPPER\r\n", "@PJL SET HOLD=ON\r\n", "@PJL DMINFO ASCIIHEX=",
                           "@PJL SET ECONOMODE=OFF\r\n", "@PJL ENTER LANGUAGE=PCL\r\n", "@PJL EOJ NAME=\"\"\r\n"})
    EXPECT_NE(job.find(line), std::string::npos) << line;
  EXPECT_EQ(job.find("COPIES=9"), std::string::npos);

  const qvtest::RenderedJob bare = qvtest::RenderPcl(interpreter, kPage, "pjl_bare", 50);
  ASSERT_EQ(bare.status, 0) << bare.errors;
  ASSERT_EQ(bare.pages.size(), 1u);
  ASSERT_GT(bare.pages[0].DarkPixels(), 0u) << "the page alone prints its line";

  const qvtest::RenderedJob wrapped = qvtest::RenderPcl(interpreter, job, "pjl_wrapped", 50);
  EXPECT_EQ(wrapped.status, 0);
  EXPECT_EQ(wrapped.errors, "") << "the interpreter reports nothing about the job";
  ASSERT_EQ(wrapped.pages.size(), 1u) << "nothing of the header or the footer makes a page";
  EXPECT_TRUE(wrapped.pages[0].image == bare.pages[0].image) << "nothing of the header or the footer prints on the page";
}

// The paper the header names is the paper the interpreter prints on when
// the page itself names none; the temperature lines are PJL it reads
// without complaint.
TEST_F(GPJLInterpreterTest, ThePaperLineSetsThePageSizeTheInterpreterUses) {
  const std::string interpreter = qvtest::PclInterpreter();
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  const int32_t noId = 0;
  auto* own = new GConfiguration(GFeatureIds::kPeripheralConfiguration);
  auto map = [&](int32_t id, std::initializer_list<std::pair<int16_t, const char*>> entries) {
    auto* list = new MAssociationList(id);
    for (const auto& [key, text] : entries)
      list->Add(new MPersistentAssociation(new GValueAttribute(key, &noId), new GSelectionString(text, 0, noId), noId));
    own->AddChild(list);
  };
  map(GFeatureIds::kPaperList, {{1, "LETTER"}, {23, "A4"}});
  map(GFeatureIds::kCopyQualifierList, {{1, "HIGH"}});
  pjl.SetConfiguration(own);
  const GShortPoint size(4960, 7014);
  Job()->AddChild(new GMedia("A4", &size, &size, nullptr, 0, 23, 600, 600, &GFeatureIds::kPageMedia));
  SetValue(GFeatureIds::kCopyQualifierIndex, 1);

  const std::string job = WrappedJob(u"A4 memo");
  ASSERT_NE(job.find("@PJL SET PAPER=A4\r\n"), std::string::npos) << job;
  ASSERT_NE(job.find("@PJL SET TRAY1TEMP=HIGH\r\n"), std::string::npos) << job;
  const qvtest::RenderedJob bare = qvtest::RenderPcl(interpreter, kPage, "paper_bare", 50);
  const qvtest::RenderedJob a4 = qvtest::RenderPcl(interpreter, job, "paper_a4", 50);
  ASSERT_EQ(bare.pages.size(), 1u) << bare.errors;
  ASSERT_EQ(a4.pages.size(), 1u) << a4.errors;
  EXPECT_EQ(a4.errors, "");
  // Letter is 8.5 x 11 inches, A4 8.27 x 11.69: narrower and taller.
  EXPECT_LT(a4.pages[0].width, bare.pages[0].width);
  EXPECT_GT(a4.pages[0].height, bare.pages[0].height);
  EXPECT_NEAR(a4.pages[0].height, 585, 2);
}

}  // namespace
