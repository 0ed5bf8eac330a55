#include "driver/GJobAccountingHook.h"

#include <gtest/gtest.h>

#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GValueAttribute.h"
#include "support/DriverInstanceTestSupport.h"
#include "support/FakeCompanionModules.h"
#include "w32test/Testing.h"

namespace {

using GFeatureIds::kDocumentSettings2;
using GFeatureIds::kCopies;

uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
uint32_t U32(const std::string& b, size_t at) { return U16(b, at) | static_cast<uint32_t>(U16(b, at + 2)) << 16; }

class JobAccountingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    qvtest::Accounting() = qvtest::FakeAccounting();
  }
  void TearDown() override { w32test::Reset(); }

  // Settings with the copies in the job-options group.
  static GAttributeComposite* SettingsWithCopies(int16_t copies) {
    auto* settings = new GAttributeComposite();
    auto* group = new GAttributeComposite(&kDocumentSettings2);
    group->AddChild(new GValueAttribute(copies, &kCopies));
    settings->AddChild(group);
    return settings;
  }

  std::vector<std::string> Entries() const {
    std::vector<std::string> out;
    for (auto& c : qvtest::Accounting().calls) out.push_back(c.entry);
    return out;
  }

  qvtest::TestDriverInstance instance;
  GJobAccountingHook hook;
};

TEST_F(JobAccountingTest, AFullJobReportsBeginPagesAndEndAndUnloads) {
  qvtest::InstallAccountingLibrary();
  instance.InstallSettings(SettingsWithCopies(3));
  DOCINFOW doc{sizeof(DOCINFOW), u"Report.txt", u"C:\\out.prn", nullptr, 0};
  hook.BeginJob(&instance, instance.GetDocumentSettings(), &doc);
  ASSERT_NE(hook.GetLibrary(), nullptr);
  EXPECT_EQ(w32test::ModuleLoadCount(u"qvkeys32.dll"), 1u);
  hook.EndPage(&instance, nullptr);
  hook.EndPage(&instance, nullptr);
  hook.EndJob(&instance, nullptr);
  EXPECT_EQ(hook.GetLibrary(), nullptr);
  EXPECT_EQ(w32test::ModuleLoadCount(u"qvkeys32.dll"), 0u);

  const auto& calls = qvtest::Accounting().calls;
  ASSERT_EQ(Entries(), (std::vector<std::string>{"ksBeginJobEx", "ksEndPage", "ksEndPage", "ksEndJob"}));
  EXPECT_EQ(calls[0].texts, (std::vector<std::u16string>{u"Application", u"Report.txt", u"Test Printer",
                                                         u"C:\\out.prn", u"C:\\out.prn"}));
  const std::string& job = calls[0].record;
  EXPECT_EQ(U32(job, 4), 4u);
  EXPECT_EQ(U16(job, 8), 4u);   // driver major version
  EXPECT_EQ(U16(job, 10), 3u);  // copies
  EXPECT_EQ(U16(job, 12), 2u);  // configuration value absent
  EXPECT_EQ(job.substr(14), std::string(14, '\0'));
  EXPECT_EQ(calls[1].job, 77u);
  EXPECT_EQ(U16(calls[1].record, 0), 16u);
  EXPECT_EQ(calls[1].record.substr(4), std::string(12, '\0'));
  EXPECT_EQ(calls[3].job, 77u);
  EXPECT_EQ(calls[3].aborted, 0);
}

TEST_F(JobAccountingTest, AbortPassesOneAndWithoutDocInfoOutputThePortIsReportedTwice) {
  qvtest::InstallAccountingLibrary();
  DOCINFOW doc{sizeof(DOCINFOW), u"Doc", nullptr, nullptr, 0};
  hook.BeginJob(&instance, nullptr, &doc);
  hook.AbortJob(&instance, nullptr);
  const auto& calls = qvtest::Accounting().calls;
  ASSERT_EQ(Entries(), (std::vector<std::string>{"ksBeginJobEx", "ksEndJob"}));
  EXPECT_EQ(calls[0].texts[3], u"LPT1:");
  EXPECT_EQ(calls[0].texts[4], u"LPT1:");
  EXPECT_EQ(U16(calls[0].record, 10), 1u);  // copies absent
  EXPECT_EQ(calls[1].aborted, 1);
  EXPECT_EQ(hook.GetLibrary(), nullptr);
}

TEST_F(JobAccountingTest, ALibraryWithoutTheExtendedBeginIsUsedThroughThePlainOne) {
  qvtest::InstallAccountingLibrary({"ksBeginJob", "ksEndPage", "ksEndJob"});
  DOCINFOW doc{sizeof(DOCINFOW), u"Doc", nullptr, nullptr, 0};
  hook.BeginJob(&instance, nullptr, &doc);
  hook.EndJob(&instance, nullptr);
  ASSERT_EQ(Entries(), (std::vector<std::string>{"ksBeginJob", "ksEndJob"}));
  EXPECT_EQ(qvtest::Accounting().calls[0].texts,
            (std::vector<std::u16string>{u"Doc", u"LPT1:", u"LPT1:"}));
}

// Libraries that cannot serve a job are never called and stay unloaded.
TEST_F(JobAccountingTest, IncompleteLibrariesAreNotUsed) {
  const std::vector<std::vector<std::string>> cases = {
      {"ksBeginJob", "ksBeginJobEx", "ksEndJob"},   // no ksEndPage
      {"ksBeginJob", "ksBeginJobEx", "ksEndPage"},  // no ksEndJob
      {"ksEndPage", "ksEndJob"},                    // no begin entry
  };
  for (const auto& entries : cases) {
    qvtest::InstallAccountingLibrary(entries);
    hook.BeginJob(&instance, nullptr, nullptr);
    EXPECT_EQ(hook.GetLibrary(), nullptr);
    hook.EndPage(&instance, nullptr);
    hook.EndJob(&instance, nullptr);
    EXPECT_TRUE(qvtest::Accounting().calls.empty());
    EXPECT_EQ(w32test::ModuleLoadCount(u"qvkeys32.dll"), 0u);
  }
}

TEST_F(JobAccountingTest, AZeroJobHandleLeavesTheJobWithoutAccounting) {
  qvtest::InstallAccountingLibrary();
  qvtest::Accounting().nextJob = 0;
  hook.BeginJob(&instance, nullptr, nullptr);
  EXPECT_EQ(hook.GetLibrary(), nullptr);
  hook.EndPage(&instance, nullptr);
  hook.AbortJob(&instance, nullptr);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"ksBeginJobEx"}));
  EXPECT_EQ(w32test::ModuleLoadCount(u"qvkeys32.dll"), 0u);
}

// Without the library (the normal case) every call is harmless, ends
// included, and also without any job begun.
TEST_F(JobAccountingTest, WithoutTheLibraryEveryCallIsHarmless) {
  hook.EndJob(&instance, nullptr);
  hook.AbortJob(&instance, nullptr);
  hook.BeginJob(&instance, nullptr, nullptr);
  EXPECT_EQ(hook.GetLibrary(), nullptr);
  hook.EndPage(&instance, nullptr);
  hook.EndJob(&instance, nullptr);
  hook.AbortJob(&instance, nullptr);
  EXPECT_TRUE(qvtest::Accounting().calls.empty());
}

TEST_F(JobAccountingTest, EachJobLoadsTheLibraryAfresh) {
  qvtest::InstallAccountingLibrary();
  hook.BeginJob(&instance, nullptr, nullptr);
  hook.BeginJob(&instance, nullptr, nullptr);  // a job left open is dropped
  EXPECT_EQ(w32test::ModuleLoadCount(u"qvkeys32.dll"), 1u);
  hook.EndJob(&instance, nullptr);
  EXPECT_EQ(w32test::ModuleLoadCount(u"qvkeys32.dll"), 0u);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"ksBeginJobEx", "ksBeginJobEx", "ksEndJob"}));
}

}  // namespace
