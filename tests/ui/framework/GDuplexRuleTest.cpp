// The finishing rules on a sheet's settings: the duplex unit and the paper
// types it refuses, booklet printing and its reasons, the stapling
// accessory with its staple patterns, bin and prompts, and the destination
// bins of the output accessories.
#include "ui/framework/GDuplexRule.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GPeripheral.h"
#include "support/RuleTestSupport.h"
#include "ui/framework/GRuleCatalogue.h"

namespace uisession {
namespace {

using namespace GFeatureIds;
using GFeatureIds::kDuplex;

GMedia* MediumAt(int16_t paperId, int16_t width, int16_t height, int16_t dpi) {
  const GShortPoint size(width, height);
  const GShortPoint extent(static_cast<int16_t>(width - 2), static_cast<int16_t>(height - 2));
  const GShortPoint origin(1, 1);
  const int32_t id = kCustomMedia;
  return new GMedia("Paper", &size, &extent, &origin, 0, paperId, dpi, dpi, &id);
}

// A session over the finishing settings and a device model holding its
// resolution list, the media at that resolution and PJLJobCommandsNeeded.
class FinishingRulesTest : public RuleSessionTest {
 protected:
  void SetUp() override {
    RuleSessionTest::SetUp();
    settings_->AddChild(Group(363, {Value(kDuplex, 0), Value(kDuplexUnit, 1), Value(kInputBin, 6),
                                    Text(kMediaType, ""), Text(kMediaTypeRest, ""), Value(kFitToOtherSizeChoice, 0),
                                    Value(kTargetSizeChoice, 1), Value(kScaleChoice, 100),
                                    Group(kNUpLayout, {Value(kNUpChoice, 1)}), Value(kTTAsBitmapSetting, 0),
                                    Value(kBookletPrintingChoice, 0), Text(kAccessoryOutputBins, ""),
                                    Value(kStaplerChoice, 0), Value(kStapling, 7), Value(kStaplerInstalled, 0),
                                    Value(kOutputBin, 1), Value(kBookletSheetOrder, 0), Text(kCustomPJLCommands, ""),
                                    Value(kPrinterHardDisk, 0), Value(kJobRetentionModeChoice, 0),
                                    Value(kPjlJobCommands, 1), Text(kOptionalPaperSources, "")}));
  }
  void TearDown() override {
    session_.reset();
    printer_.reset();
    RuleSessionTest::TearDown();
  }

  // Rebuilds the session over a model at dpi with the media given (paper,
  // width, height in pixels).
  void UseModel(int16_t dpi, std::vector<std::tuple<int16_t, int16_t, int16_t>> media, int16_t pjlNeeded = 0) {
    const int32_t printerId = kDeviceEntry;
    printer_ = std::make_unique<ModelPrinter>(printerId);
    auto* configuration = new GConfiguration(printerId);
    auto* pool = new GMediaPool(&kPrinterMediaPool);
    for (const auto& [paper, width, height] : media) pool->AddChild(MediumAt(paper, width, height, dpi));
    configuration->AddChild(pool);
    configuration->AddChild(Group(kResolutionList, {Group(0, {Value(kXResolution, dpi), Value(kYResolution, dpi)})}));
    configuration->AddChild(Value(kPJLJobCommandsNeeded, pjlNeeded));
    printer_->SetConfiguration(configuration);
    settings_->AddChild(Group(kResolution, {Value(kXResolution, dpi), Value(kYResolution, dpi)}));
    session_.reset();
    data_.printer = printer_.get();
    session_ = std::make_unique<GUISession>(&data_);
  }

  std::pair<int, int> Keys(GRuleKeyPair keys) { return {Key(keys.availability), Key(keys.reason)}; }

  std::unique_ptr<ModelPrinter> printer_;
};

// ---- Duplex ----

TEST_F(FinishingRulesTest, DuplexUnitTakesTheListedPapersAndRefusesEnvelopesAndSmallAsianSizes) {
  GDuplexRule rule(session_.get());
  struct Case {
    int16_t paper;
    int duplexed;
  };
  for (const Case c : {Case{1, 1}, Case{6, 1}, Case{21, 1}, Case{40, 1}, Case{8, 0}, Case{16, 0}, Case{41, 0},
                       Case{44, 0}, Case{30, 0}}) {
    EXPECT_EQ(rule.PaperCanBeDuplexed(c.paper, 6), c.duplexed) << c.paper;
  }
}

TEST_F(FinishingRulesTest, WithoutADuplexUnitTheControlsAreHiddenAndABookletTurnsOffToLongEdge) {
  session_->AddRule(new GDuplexRule(session_.get()));
  session_->AddRule(new GBookletRule(session_.get()));
  Set(kDuplexUnit, 0);
  Set(kDuplex, 1);
  Set(kBookletPrintingChoice, 1);
  session_->Revalidate(1);
  EXPECT_EQ(Keys(GRuleKeys::kDuplex), std::make_pair(2, 0));
  EXPECT_EQ(Key(GRuleKeys::kBooklet.availability), 2);
  EXPECT_EQ(ValueOf(kBookletPrintingChoice), 0);
  EXPECT_EQ(ValueOf(kDuplex), 2);
}

TEST_F(FinishingRulesTest, ChoosingLabelsWhileDuplexingAsksOkTurnsDuplexOffCancelKeepsThePaperType) {
  session_->AddRule(new GDuplexRule(session_.get()));
  Set(kDuplex, 2);
  w32test::QueueMessageBoxAnswer(IDCANCEL);
  UserChanges([&] { SetText(kMediaType, "Labels"); });
  EXPECT_EQ(Messages(), std::vector<std::string>{
                            "The selected paper type cannot be used with the \"Print on Both Sides\" (duplexing) feature."});
  EXPECT_EQ(TextOf(kMediaType), "");
  EXPECT_EQ(ValueOf(kDuplex), 2);

  w32test::QueueMessageBoxAnswer(IDOK);
  UserChanges([&] { SetText(kMediaType, "Labels"); });
  EXPECT_EQ(TextOf(kMediaType), "Labels");
  EXPECT_EQ(ValueOf(kDuplex), 0);
  EXPECT_EQ(Keys(GRuleKeys::kDuplex), std::make_pair(1, 5112));
}

TEST_F(FinishingRulesTest, APaperTheDuplexUnitRefusesAsksAndDisablesDuplexWithTheSizeReason) {
  session_->AddRule(new GDuplexRule(session_.get()));
  Set(kDuplex, 1);
  w32test::QueueMessageBoxAnswer(IDOK);
  UserChanges([&] { Set(kPaperSize, 8); });
  EXPECT_EQ(Messages(), std::vector<std::string>{"The selected paper size cannot be used with the \"Print on Both "
                                                 "Sides\" (duplexing) feature."});
  EXPECT_EQ(ValueOf(kDuplex), 0);
  EXPECT_EQ(Keys(GRuleKeys::kDuplex), std::make_pair(1, 5111));
  // Back on Letter the reason goes.
  UserChanges([&] { Set(kPaperSize, 1); });
  EXPECT_EQ(Keys(GRuleKeys::kDuplex), std::make_pair(0, 0));
}

// ---- Booklet ----

TEST_F(FinishingRulesTest, BookletTakesTheFirstReasonOfItsChainAndTurnsBookletOff) {
  GBookletRule rule(session_.get());
  struct Case {
    const char* what;
    int32_t id;
    int16_t value;
    int reason;
  };
  const Case cases[] = {
      {"duplex off", kDuplex, 0, 11902},  {"scaled", kScaleChoice, 50, 5108}, {"stapled", kStaplerChoice, 1, 5117},
      {"4 up", kNUpChoice, 4, 5109},      {"on other size", kFitToOtherSizeChoice, 1, 5135},
      {"on A3", kPaperSize, 22, 5116},    {"nothing", 0, 0, 0},
  };
  for (const Case& c : cases) {
    Set(kDuplex, 2);
    Set(kBookletPrintingChoice, 1);
    if (c.id != 0) Set(c.id, c.value);
    rule.Init();
    rule.OnChange({}, 1);
    EXPECT_EQ(Keys(GRuleKeys::kBooklet), std::make_pair(c.reason != 0 ? 1 : 0, c.reason)) << c.what;
    EXPECT_EQ(ValueOf(kBookletPrintingChoice), c.reason != 0 ? 0 : 1) << c.what;
    if (c.id != 0) Set(c.id, c.id == kScaleChoice ? 100 : c.id == kNUpChoice ? 1 : c.id == kPaperSize ? 1 : 0);
  }
  // With the booklet maker, stapling blocks nothing, and its bin orders the sheets.
  SetText(kAccessoryOutputBins, "VXN-62");
  Set(kStaplerChoice, 1);
  Set(kOutputBin, 4);
  rule.Init();
  rule.OnChange({}, 1);
  EXPECT_EQ(Key(GRuleKeys::kBooklet.availability), 0);
  EXPECT_EQ(ValueOf(kBookletSheetOrder), 1);
}

// ---- Staple ----

TEST_F(FinishingRulesTest, RemovingTheStaplerHidesItsControlsAndMovesTheJobOutOfTheStaplingBin) {
  session_->AddRule(new GStapleRule(session_.get()));
  Set(kStaplerInstalled, 1);
  Set(kStapling, 3);
  Set(kStaplerChoice, 1);
  Set(kOutputBin, 3);
  session_->Revalidate(1);
  EXPECT_EQ(ValueOf(kStaplerInstalled), 0);
  EXPECT_EQ(ValueOf(kStapling), 7);
  EXPECT_EQ(ValueOf(kStaplerChoice), 0);
  EXPECT_EQ(ValueOf(kOutputBin), 1);
  EXPECT_EQ(Key(GRuleKeys::kStaple.availability), 2);
}

TEST_F(FinishingRulesTest, StaplingFollowsTheBinAndTheBinFollowsStapling) {
  session_->AddRule(new GStapleRule(session_.get()));
  SetText(kAccessoryOutputBins, "K5203");
  session_->Revalidate(1);
  EXPECT_EQ(ValueOf(kStaplerInstalled), 1);
  UserChanges([&] { Set(kOutputBin, 3); });
  EXPECT_EQ(ValueOf(kStaplerChoice), 1);
  // The 20-sheet stapler's note leaves the control enabled.
  EXPECT_EQ(Keys(GRuleKeys::kStaple), std::make_pair(0, 5302));
  UserChanges([&] { Set(kOutputBin, 2); });
  EXPECT_EQ(ValueOf(kStaplerChoice), 0);
  UserChanges([&] { Set(kStaplerChoice, 1); });
  EXPECT_EQ(ValueOf(kOutputBin), 3);
}

TEST_F(FinishingRulesTest, LabelsWhileStaplingAsksThenSwitchesStaplingOffAndKeepsItDisabled) {
  session_->AddRule(new GStapleRule(session_.get()));
  SetText(kAccessoryOutputBins, "K5206");
  Set(kStaplerChoice, 1);
  session_->Revalidate(1);
  EXPECT_EQ(Keys(GRuleKeys::kStaple), std::make_pair(0, 5303));
  EXPECT_EQ(ValueOf(kStapling), 1) << "the stapler's default";
  w32test::QueueMessageBoxAnswer(IDOK);
  UserChanges([&] { SetText(kMediaType, "Labels"); });
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"The \"Staple\" feature is not available with the paper type you selected."});
  EXPECT_EQ(ValueOf(kStaplerChoice), 0);
  EXPECT_EQ(Keys(GRuleKeys::kStaple), std::make_pair(1, 5145));
}

TEST_F(FinishingRulesTest, TheBookletMakerWritesItsStaplingIntoThePJLAndTheStaplerBlocksBooklets) {
  session_->AddRule(new GStapleRule(session_.get()));
  SetText(kAccessoryOutputBins, "VXN-62");
  Set(kStaplerChoice, 1);
  session_->Revalidate(1);
  EXPECT_EQ(TextOf(kCustomPJLCommands), "@PJL SET OUTBINPROCESS =0 \r\n");
  EXPECT_EQ(ValueOf(kOutputBin), 4) << "the booklet maker's stapling bin";
  UserChanges([&] { Set(kStaplerChoice, 0); });
  EXPECT_EQ(TextOf(kCustomPJLCommands), "@PJL SET OUTBINPROCESS =1 \r\n");

  SetText(kAccessoryOutputBins, "K5206");
  Set(kBookletPrintingChoice, 1);
  session_->Revalidate(1);
  EXPECT_EQ(Keys(GRuleKeys::kStaple), std::make_pair(1, 5115));
}

TEST_F(FinishingRulesTest, AngledStaplesSuitOnlyTheOrientationsThatPlaceThemInACorner) {
  struct Case {
    int16_t paper;
    int16_t orientation;
    int16_t nup;
    int allowed;
  };
  const Case cases[] = {{1, 0, 1, 1},  {23, 0, 1, 1}, {1, 90, 1, 0}, {21, 90, 1, 1}, {21, 270, 1, 1},
                        {21, 0, 1, 0}, {6, 0, 1, 0},  {6, 90, 1, 0}, {1, 0, 2, 0},   {1, 90, 6, 1}};
  for (const Case& c : cases) {
    Set(kPaperSize, c.paper);
    Set(kOrientation, c.orientation);
    Set(kNUpChoice, c.nup);
    EXPECT_EQ(GStapleRule::DiagonalStapleAllowed(session_.get()), c.allowed)
        << c.paper << " " << c.orientation << " " << c.nup;
  }
}

TEST_F(FinishingRulesTest, OrientationWarningComparesThePageWithElevenPointSevenInchesAtHighResolutions) {
  // At 2900 dpi the limit (11.7 in) is 33930 pixels, beyond 16 bits: Letter
  // is still a small page, so short-edge duplexing asks.
  UseModel(2900, {{1, 24650, 31900}, {21, 31900, 32000}});
  session_->AddRule(new GStapleRule(session_.get()));
  SetText(kAccessoryOutputBins, "K5206");
  Set(kStaplerChoice, 1);
  Set(kStapling, 3);
  w32test::QueueMessageBoxAnswer(IDOK);
  UserChanges([&] { Set(kDuplex, 1); });
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("The type of stapling requested may not be appropriate", 0), 0u) << Messages()[0];
  EXPECT_EQ(ValueOf(kDuplex), 1);
  // Long-edge duplexing of a small page is what the stapler expects.
  UserChanges([&] { Set(kDuplex, 2); });
  EXPECT_EQ(Messages().size(), 1u);
  // A paper the model has no medium for is not judged.
  UserChanges([&] { Set(kPaperSize, 22); });
  UserChanges([&] { Set(kDuplex, 1); });
  EXPECT_EQ(Messages().size(), 1u);
}

// ---- Output bin ----

TEST_F(FinishingRulesTest, AccessoryBinsTakeThePapersOfTheirKind) {
  GOutputBinRule rule(session_.get());
  struct Case {
    const char* accessory;
    int16_t paper;
    int fits;
  };
  const Case cases[] = {{"K5204", 1, 1},  {"K5204", 21, 0}, {"K5203", 21, 1}, {"VXN-62", 21, 1}, {"K5206", 17, 0},
                        {"K5203", 17, 1}, {"K5205", 42, 1}, {"K5203", 42, 0}, {"K5203", 41, 0}, {"K5203", 8, 0},
                        {"VXN-62", 8, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(rule.PaperFitsAccessoryBin(c.paper, RWCString(c.accessory)), c.fits) << c.accessory << " " << c.paper;
}

TEST_F(FinishingRulesTest, APaperTheAccessoryBinRefusesAsksAndMovesTheJobToTheTopBin) {
  session_->AddRule(new GOutputBinRule(session_.get()));
  SetText(kAccessoryOutputBins, "K5204");
  Set(kOutputBin, 5);
  w32test::QueueMessageBoxAnswer(IDOK);
  UserChanges([&] { Set(kPaperSize, 21); });
  EXPECT_EQ(Messages(), std::vector<std::string>{"The selected paper size cannot be used with the current destination "
                                                 "bin. \nThe destination bin setting will be changed to Top Bin "
                                                 "(Face-Down)."});
  EXPECT_EQ(ValueOf(kOutputBin), 1);
  // Without an accessory only the built-in bins remain.
  SetText(kAccessoryOutputBins, "");
  Set(kOutputBin, 4);
  session_->Revalidate(1);
  EXPECT_EQ(ValueOf(kOutputBin), 1);
}

TEST_F(FinishingRulesTest, PJLJobCommandsTheModelNeedsKeepTheJobInABuiltInBinAndRetentionNeedsADisk) {
  UseModel(600, {{1, 5100, 6600}}, 1);
  session_->AddRule(new GOutputBinRule(session_.get()));
  SetText(kAccessoryOutputBins, "K5203");
  Set(kPjlJobCommands, 0);
  Set(kOutputBin, 3);
  Set(kJobRetentionModeChoice, 3);
  session_->Revalidate(1);
  EXPECT_EQ(ValueOf(kOutputBin), 1);
  EXPECT_EQ(Keys(GRuleKeys::kOutputBin), std::make_pair(1, 5154));
  EXPECT_EQ(ValueOf(kJobRetentionModeChoice), 0);
}

TEST_F(FinishingRulesTest, TheSheetRegistersEveryFinishingRule) {
  size_t count = 0;
  const GRuleRegistration* table = SheetRuleTable(&count);
  for (size_t i = 0; i < count; ++i) EXPECT_NE(table[i].create, nullptr) << table[i].name;
}

}  // namespace
}  // namespace uisession
