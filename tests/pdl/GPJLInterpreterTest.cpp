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
#include "support/ScriptedFactory.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "pdl/GPJL.h"
#include "printpath/GDocumentCommand.h"
#include "support/RecordingChannel.h"
#include "support/ScopedUpwardServices.h"
#include "win32/Registry.h"
#include "w32test/Testing.h"

#ifndef QV_GPCL6
#define QV_GPCL6 ""
#endif

namespace {

using qvtest::RecordingChannel;

// The interpreter: QV_GPCL6 in the environment, else the one the build found.
std::string Interpreter() {
  const char* set = std::getenv("QV_GPCL6");
  const std::string path = set != nullptr && *set != '\0' ? set : QV_GPCL6;
  return !path.empty() && access(path.c_str(), X_OK) == 0 ? path : std::string();
}

// A page of PCL: reset, portrait, a fixed-pitch font, one line of text, the
// page ejected and the printer reset.
const std::string kPage =
    "\x1b" "E" "\x1b&l0O" "\x1b(s0p12h10v0s0b3T" "\x1b&a10R" "\x1b&a10C" "Quarterly report, page 1" "\f" "\x1b" "E";

struct Rendered {
  int status = -1;
  std::string errors;
  std::vector<std::string> pages;  // each page's gray image
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Renders the job to gray pages at a low resolution.
Rendered Render(const std::string& interpreter, const std::string& job, const std::string& name) {
  const std::string base = ::testing::TempDir() + "qv_pjl_" + std::to_string(getpid()) + "_" + name;
  const std::string jobPath = base + ".prn";
  const std::string errorPath = base + ".err";
  std::ofstream(jobPath, std::ios::binary) << job;
  const std::string command = "'" + interpreter + "' -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pgmraw -r50 -o '" + base +
                              "-%d.pgm' '" + jobPath + "' >'" + errorPath + "' 2>&1";
  Rendered rendered;
  rendered.status = std::system(command.c_str());
  rendered.errors = ReadFile(errorPath);
  for (int page = 1;; ++page) {
    const std::string pagePath = base + "-" + std::to_string(page) + ".pgm";
    if (access(pagePath.c_str(), R_OK) != 0) break;
    rendered.pages.push_back(ReadFile(pagePath));
    std::remove(pagePath.c_str());
  }
  std::remove(jobPath.c_str());
  std::remove(errorPath.c_str());
  return rendered;
}

// The number of dark pixels of a binary gray image ("P5", width, height,
// 255, then one byte a pixel).
size_t DarkPixels(const std::string& image) {
  size_t at = 0;
  int fields = 0;
  while (fields < 4 && at < image.size()) {
    if (image[at] == '#') {
      at = image.find('\n', at);
      if (at == std::string::npos) return 0;
    } else if (!std::isspace(static_cast<unsigned char>(image[at]))) {
      ++fields;
      while (at < image.size() && !std::isspace(static_cast<unsigned char>(image[at]))) ++at;
      continue;
    }
    ++at;
  }
  size_t dark = 0;
  for (size_t i = at; i < image.size(); ++i) dark += static_cast<unsigned char>(image[i]) < 128 ? 1 : 0;
  return dark;
}

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
  const std::string interpreter = Interpreter();
  // The interpreter is part of the shared tools every checkout has beside it:
  // without it the output goes unjudged, which is a failure, not a pass.
  ASSERT_FALSE(interpreter.empty()) << "the PCL interpreter (gpcl6) is not at ../shared/tools/pcl; "
                                       "set QV_GPCL6 to its path";

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

  const Rendered bare = Render(interpreter, kPage, "bare");
  ASSERT_EQ(bare.status, 0) << bare.errors;
  ASSERT_EQ(bare.pages.size(), 1u);
  ASSERT_GT(DarkPixels(bare.pages[0]), 0u) << "the page alone prints its line";

  const Rendered wrapped = Render(interpreter, job, "wrapped");
  EXPECT_EQ(wrapped.status, 0);
  EXPECT_EQ(wrapped.errors, "") << "the interpreter reports nothing about the job";
  ASSERT_EQ(wrapped.pages.size(), 1u) << "nothing of the header or the footer makes a page";
  EXPECT_TRUE(wrapped.pages[0] == bare.pages[0]) << "nothing of the header or the footer prints on the page";
}

}  // namespace
