// The generator base: its document start takes or opens the job's channel
// and re-arms the printer-memory budget; the budget's arithmetic never
// wraps; the generator queries answer their base values; the output sink
// latches the first failed write and rations its progress ticks.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GConfiguration.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GFeatureIds.h"
#include "model/GRangeAttribute.h"
#include "pdl/GMemoryBudget.h"
#include "pdl/GOutputSink.h"
#include "pdl/cheetah.h"
#include "support/GeneratorTestClasses.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPrinter.h"
#include "support/RecordingChannel.h"

namespace {

using qvtest::RecordingChannel;
using qvtest::RecordingSource;

GCheetah* NewGenerator(GConfiguration* configuration) {
  return new GCheetah(RWCString("PCLXL"), nullptr, configuration, &GFeatureIds::kGeneratorPeripheral, 0, kAddOnNone, kNoAddOns);
}

GConfiguration* WorkSpaceConfiguration(int16_t hundredthsOfMB) {
  auto* configuration = new GConfiguration(GFeatureIds::kPeripheralConfiguration);
  configuration->AddChild(new GRangeAttribute(0, 32000, 1, hundredthsOfMB, &GDriverWorkSpaceSettingId));
  return configuration;
}

// ---- Memory budget ----

struct BudgetCase {
  const char* name;
  uint32_t limit;
  uint32_t used;  // reached by a first reservation
  bool reserve;   // else release
  uint32_t n;
  uint32_t result;
  uint32_t usedAfter;
};

class MemoryBudgetTest : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(MemoryBudgetTest, ReservesAndReleasesWithoutWrapping) {
  const BudgetCase& c = GetParam();
  GMemoryBudget budget(c.limit);
  budget.Reserve(c.used);
  ASSERT_EQ(budget.GetUsed(), c.used);
  EXPECT_EQ(c.reserve ? budget.Reserve(c.n) : budget.Release(c.n), c.result);
  EXPECT_EQ(budget.GetUsed(), c.usedAfter);
  EXPECT_EQ(budget.GetAvailable(), c.limit - c.usedAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, MemoryBudgetTest,
                         ::testing::Values(BudgetCase{"Fits", 100, 20, true, 30, 50, 50},
                                           BudgetCase{"FillsExactly", 100, 20, true, 80, 0, 100},
                                           BudgetCase{"TooLargeSaturates", 100, 95, true, 10, 0, 100},
                                           BudgetCase{"Releases", 100, 50, false, 20, 70, 30},
                                           BudgetCase{"ReleaseBeyondUsed", 100, 50, false, 200, 100, 0}),
                         [](const ::testing::TestParamInfo<BudgetCase>& info) { return std::string(info.param.name); });

TEST(MemoryBudgetEdgeTest, UsageAboveALoweredLimitLeavesNothingAvailable) {
  GMemoryBudget budget;
  EXPECT_EQ(budget.GetLimit(), 1048576u);
  EXPECT_EQ(budget.GetOverheadKB(), 1);
  budget.Reserve(1000);
  // Lowering the limit under what is used must not make room appear.
  GMemoryBudget lowered = budget;
  lowered = GMemoryBudget(500);
  lowered.Reserve(500);
  EXPECT_EQ(lowered.GetAvailable(), 0u);
  EXPECT_EQ(lowered.Reserve(1), 0u);
  EXPECT_EQ(lowered.Release(0), 0u);
  EXPECT_EQ(budget.ResetUsage(), 1048576u);
  EXPECT_EQ(budget.GetUsed(), 0u);
  EXPECT_EQ(budget.Reset(4096), 4096u);
  EXPECT_TRUE(budget == GMemoryBudget(4096));
}

// ---- Document start ----

class GPdlGeneratorTest : public ::testing::Test {
 protected:
  RecordingSource source;
};

TEST_F(GPdlGeneratorTest, OpensItsOwnChannelAndArmsTheBudgetFromTheWorkSpaceSetting) {
  std::unique_ptr<GCheetah> generator(NewGenerator(WorkSpaceConfiguration(6400)));
  generator->ReserveDeviceMemory(5000);
  GDocumentStart start(RWWString(u"Memo"), RWCString(), RWWString(u"FILE:"), nullptr, nullptr);
  EXPECT_EQ(generator->DocumentStart(&start), 0);
  EXPECT_EQ(generator->GetInDocumentFlag(), 1);
  ASSERT_NE(RecordingSource::last, nullptr);
  EXPECT_EQ(RecordingSource::port, u"FILE:");
  EXPECT_EQ(generator->GetOutputChannel(), RecordingSource::last);
  EXPECT_EQ(generator->OwnsOutputChannel(), 1);
  EXPECT_EQ(start.GetOutputChannel(), RecordingSource::last) << "handed on to the stages after it";
  EXPECT_EQ(RecordingSource::last->GetState(), GOutputChannel::kOpen);
  EXPECT_EQ(RecordingSource::last->document, u"Memo");
  EXPECT_EQ(generator->GetMemoryBudget().GetLimit(), 67104000u);
  EXPECT_EQ(generator->GetMemoryBudget().GetUsed(), 0u);
}

TEST_F(GPdlGeneratorTest, WithoutTheSettingOnlyTheUsageIsCleared) {
  std::unique_ptr<GCheetah> generator(NewGenerator(nullptr));
  generator->GetMemoryBudget().Reset(2000);
  generator->ReserveDeviceMemory(500);
  RecordingChannel carried;
  GDocumentStart start(RWWString(u"Memo"), RWCString(), RWWString(u"LPT1:"), nullptr, nullptr);
  start.SetOutputChannel(&carried);
  EXPECT_EQ(generator->DocumentStart(&start), 0);
  EXPECT_EQ(RecordingSource::calls, 0);
  EXPECT_EQ(generator->GetOutputChannel(), &carried);
  EXPECT_EQ(generator->OwnsOutputChannel(), 0);
  EXPECT_EQ(generator->GetMemoryBudget().GetLimit(), 2000u);
  EXPECT_EQ(generator->GetMemoryBudget().GetUsed(), 0u);
  generator->DropOutputChannel();
}

TEST_F(GPdlGeneratorTest, AStartWithoutAUsableChannelFails) {
  std::unique_ptr<GCheetah> generator(NewGenerator(nullptr));
  GDocumentStart start(RWWString(u"Memo"), RWCString(), RWWString(u"LPT1:"), nullptr, nullptr);
  RecordingSource::give = false;
  EXPECT_EQ(generator->DocumentStart(&start), 601);
  RecordingSource::give = true;
  RecordingSource::openStatus = 4;
  EXPECT_EQ(generator->DocumentStart(&start), 4);
  EXPECT_EQ(generator->GetOutputChannel(), nullptr);
  EXPECT_EQ(start.GetOutputChannel(), nullptr);
  EXPECT_EQ(RecordingChannel::alive, 0);
}

TEST_F(GPdlGeneratorTest, ACopyStartsWithAFreshBudgetAndNoInstance) {
  std::unique_ptr<GCheetah> generator(NewGenerator(WorkSpaceConfiguration(100)));
  GDocumentStart start(RWWString(u"Memo"), RWCString(), RWWString(u"LPT1:"), nullptr, nullptr);
  ASSERT_EQ(generator->DocumentStart(&start), 0);
  generator->ReserveDeviceMemory(10);
  GCheetah copy(*generator);
  EXPECT_TRUE(copy.GetMemoryBudget() == GMemoryBudget());
  EXPECT_EQ(copy.GetInDocumentFlag(), 1);
  EXPECT_EQ(copy.GetOutputChannel(), nullptr);
  GCheetah assigned;
  assigned.GetMemoryBudget().Reset(77);
  assigned = *generator;
  EXPECT_EQ(assigned.GetMemoryBudget().GetLimit(), 77u) << "assignment keeps the budget";
}

TEST_F(GPdlGeneratorTest, TheDeviceFontListComesFromTheConfiguration) {
  auto* configuration = new GConfiguration(GFeatureIds::kPeripheralConfiguration);
  auto* lists = new GDeviceFontListComposite;
  configuration->AddChild(lists);
  std::unique_ptr<GCheetah> generator(NewGenerator(configuration));
  EXPECT_EQ(generator->GetDeviceFontList(), lists);
  GCheetah plain;
  ASSERT_NE(plain.GetDeviceFontList(), nullptr);
  EXPECT_NE(plain.GetDeviceFontList(), lists);
}

TEST_F(GPdlGeneratorTest, TheQueriesAnswerTheirBaseValues) {
  qvtest::QuietCheetah generator;
  const char* text = "left alone";
  EXPECT_EQ(generator.QueryFontHandling(nullptr), 1);
  EXPECT_EQ(generator.QueryTextHandling(nullptr, 0, 0, &text, 0, 400, nullptr), 1);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(generator.CheckEscapeText(RWCString("\x1b(s3T")), 0);
  const std::vector<std::pair<int16_t, int16_t>> styles = {{1, 0}, {2, 5}, {16, 255}, {0, 255}, {17, 0},
                                                           {-1, 252}, {-32768, 255}};
  for (const auto& [n, code] : styles) EXPECT_EQ(generator.LookupStyleCode(n), code) << n;
  generator.GetMemoryBudget().Reset(100);
  EXPECT_EQ(generator.ReserveDeviceMemory(30), 70u);
  EXPECT_EQ(generator.ReleaseDeviceMemory(10), 80u);
  EXPECT_EQ(generator.PageStart(nullptr), 0);
  EXPECT_EQ(generator.IsInPage(), 0);
}

// ---- Output sink ----

struct Sink {
  int32_t enabled = 1;
  uint16_t status = 0;
  uint32_t tick = 0;
  uint16_t Deliver(GOutputChannel* channel, uint32_t length, int32_t progress = 1) {
    const std::string data(length, 'b');
    return GOutputSink::Deliver(channel, progress, {enabled, status, tick},
                                reinterpret_cast<const uint8_t*>(data.data()), length);
  }
};

TEST(GOutputSinkTest, TheFirstFailedWriteIsLatchedAndLaterOutputDropped) {
  RecordingChannel channel;
  ASSERT_EQ(channel.Open(RWWString(u"job")), 0);
  ASSERT_EQ(channel.BeginDocument(), 0);
  Sink sink;
  EXPECT_EQ(sink.Deliver(&channel, 0), 0);
  EXPECT_EQ(channel.ticks, 0) << "0 bytes: nothing at all";
  EXPECT_EQ(sink.Deliver(&channel, 3), 0);
  channel.writeStatus = 6;
  EXPECT_EQ(sink.Deliver(&channel, 3), 6);
  EXPECT_EQ(sink.enabled, 0);
  channel.writeStatus = 0;
  EXPECT_EQ(sink.Deliver(&channel, 3), 6) << "the latched status stays";
  EXPECT_EQ(channel.bytes, "bbb");
}

TEST(GOutputSinkTest, AShortWriteCountsAsAFailure) {
  RecordingChannel channel;
  ASSERT_EQ(channel.Open(RWWString(u"job")), 0);
  ASSERT_EQ(channel.BeginDocument(), 0);
  channel.accept = 2;
  Sink sink;
  EXPECT_NE(sink.Deliver(&channel, 5), 0);
  EXPECT_EQ(sink.enabled, 0);
  Sink none;
  EXPECT_EQ(none.Deliver(nullptr, 5), 601);
}

TEST(GOutputSinkTest, ProgressTicksEveryCallThenOncePerHundredThousandBytes) {
  RecordingChannel channel;
  ASSERT_EQ(channel.Open(RWWString(u"job")), 0);
  ASSERT_EQ(channel.BeginDocument(), 0);
  Sink sink;
  for (int i = 0; i < 9; ++i) sink.Deliver(&channel, 10000);  // 90000 bytes
  EXPECT_EQ(channel.ticks, 9);
  sink.Deliver(&channel, 10000);  // 100000: the last tick was at 90000
  EXPECT_EQ(channel.ticks, 9);
  for (int i = 0; i < 10; ++i) sink.Deliver(&channel, 10000);  // 200000
  EXPECT_EQ(channel.ticks, 10) << "once past 190000";
  EXPECT_EQ(sink.tick, 200000u);
  Sink quiet;
  quiet.Deliver(&channel, 10, 0);
  EXPECT_EQ(channel.ticks, 10) << "no ticks without the progress flag";
}

}  // namespace
