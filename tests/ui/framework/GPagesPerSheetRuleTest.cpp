// The layout, quality, job and configuration rules: the reason chains of the
// layout features that exclude one another, the layout of the Pages per
// Sheet group, TrueType as bitmaps and its preset, the PJL job commands the
// quality features need, job retention without a disk, the automatic
// configuration and the watermark editing.
#include "ui/framework/GPagesPerSheetRule.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <utility>

#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GPeripheral.h"
#include "support/RuleTestSupport.h"
#include "ui/framework/GDialog.h"
#include "win32/Dialog.h"
#include "win32/Module.h"
#include "win32/Window.h"

namespace uisession {
namespace {

using namespace GFeatureIds;
using GFeatureIds::kDuplex;

class LayoutRulesTest : public RuleSessionTest {
 protected:
  void SetUp() override {
    RuleSessionTest::SetUp();
    settings_->AddChild(Group(363, {Value(kScaleChoice, 100), Group(kNUpLayout, {Value(kNUpChoice, 1)}),
                                    Value(kFitToOtherSizeChoice, 0), Value(kBookletPrintingChoice, 0),
                                    Value(kTTAsBitmapSetting, 0), Value(kPresetTTAsBitmapSetting, 1),
                                    Value(kRasterizationChoice, 0), Value(kZepChoice, 4), Value(kSparetone, 0),
                                    Value(kPjlJobCommands, 0), Value(kJobRetentionModeChoice, 0),
                                    Value(kJobRetentionAvailable, 0), Value(kPrinterHardDisk, 0),
                                    Value(kOutputBin, 1), Value(kStaplerInstalled, 0), Value(kWatermarkEditable, 0),
                                    Group(kResolution, {Value(kXResolution, 600), Value(kYResolution, 600)})}));
  }
  void TearDown() override {
    session_.reset();
    printer_.reset();
    RuleSessionTest::TearDown();
  }
  // Rebuilds the session over a model with the capability bits, the
  // PJLJobCommandsNeeded value and the automatic-configuration state.
  void UseModel(int16_t capabilityBits, int16_t pjlNeeded, int16_t autoConfiguration = 1) {
    printer_ = std::make_unique<ModelPrinter>(kDeviceEntry);
    auto* configuration = new GConfiguration(kDeviceEntry);
    configuration->AddChild(Group(kPrinterCapabilityGroup, {Value(kPrinterCapabilities, capabilityBits)}));
    configuration->AddChild(Value(kPJLJobCommandsNeeded, pjlNeeded));
    configuration->AddChild(Group(kAutoConfiguration, {Value(kAutoConfigurationState, autoConfiguration)}));
    printer_->SetConfiguration(configuration);
    session_.reset();
    data_.printer = printer_.get();
    session_ = std::make_unique<GUISession>(&data_);
  }
  std::pair<int, int> Keys(GRuleKeyPair keys) { return {Key(keys.availability), Key(keys.reason)}; }
  void Run(GUIRule& rule) {
    rule.Init();
    rule.OnChange({}, 1);
  }

  std::unique_ptr<ModelPrinter> printer_;
};

TEST_F(LayoutRulesTest, EachLayoutFeatureTakesTheFirstReasonOfItsChain) {
  UseModel(0, 0);
  GPagesPerSheetRule pages(session_.get(), nullptr);
  GScalingRule scaling(session_.get());
  GPrintDocumentOnRule printOn(session_.get());
  GTrueTypeAsBitmapsRule trueType(session_.get());
  struct Case {
    const char* what;
    int16_t scale, nup, fit, booklet, trueTypeBitmaps;
    int pagesReason, scalingReason, printOnReason, trueTypeReason;
  };
  const Case cases[] = {
      {"plain", 100, 1, 0, 0, 0, 0, 0, 0, 0},
      {"4 up", 100, 4, 0, 0, 0, 0, 5109, 5109, 5109},
      {"scaled", 50, 1, 0, 0, 0, 5108, 0, 5108, 5108},
      {"bitmaps", 100, 1, 0, 0, 1, 5110, 5110, 5110, 0},
      {"booklet", 100, 1, 0, 1, 0, 5115, 5115, 5115, 5115},
      {"other size", 100, 1, 1, 0, 0, 5135, 5135, 0, 5135},
      {"scaled 4 up", 50, 4, 0, 0, 0, 5108, 5109, 5109, 5108},
  };
  for (const Case& c : cases) {
    Set(kScaleChoice, c.scale);
    Set(kNUpChoice, c.nup);
    Set(kFitToOtherSizeChoice, c.fit);
    Set(kBookletPrintingChoice, c.booklet);
    Set(kTTAsBitmapSetting, c.trueTypeBitmaps);
    Run(pages);
    Run(scaling);
    Run(printOn);
    Run(trueType);
    EXPECT_EQ(Keys(GRuleKeys::kPagesPerSheet), std::make_pair(c.pagesReason != 0 ? 1 : 0, c.pagesReason)) << c.what;
    EXPECT_EQ(Keys(GRuleKeys::kScaling), std::make_pair(c.scalingReason != 0 ? 1 : 0, c.scalingReason)) << c.what;
    EXPECT_EQ(Keys(GRuleKeys::kPrintDocumentOn), std::make_pair(c.printOnReason != 0 ? 1 : 0, c.printOnReason))
        << c.what;
    EXPECT_EQ(Key(GRuleKeys::kTrueTypeAsBitmaps.reason), c.trueTypeReason) << c.what;
  }
}

TEST_F(LayoutRulesTest, TrueTypeBitmapsWithTheCapabilityConflictOnlyWithPageRasterAndClearTheirPreset) {
  UseModel(1, 0);
  GTrueTypeAsBitmapsRule rule(session_.get());
  Set(kScaleChoice, 50);
  Run(rule);
  EXPECT_EQ(Keys(GRuleKeys::kTrueTypeAsBitmaps), std::make_pair(0, 0));
  EXPECT_EQ(ValueOf(kPresetTTAsBitmapSetting), 1);
  Set(kRasterizationChoice, 3);
  Run(rule);
  EXPECT_EQ(Keys(GRuleKeys::kTrueTypeAsBitmaps), std::make_pair(1, 5153));
  EXPECT_EQ(ValueOf(kPresetTTAsBitmapSetting), 0);
}

TEST_F(LayoutRulesTest, FeaturesThatNeedThePJLJobCommandsForceThemOnAndGreyWhenTheyAreOff) {
  UseModel(0, 1);
  GPJLJobCommandsRule jobCommands(session_.get());
  GSparetoneRule sparetone(session_.get());
  GZepRule zep(session_.get());
  // Zep off and nothing else: the job commands go on and their box greys.
  Set(kZepChoice, 0);
  Run(jobCommands);
  EXPECT_EQ(ValueOf(kPjlJobCommands), 1);
  EXPECT_EQ(Keys(GRuleKeys::kPJLJobCommands), std::make_pair(1, 5155));
  Set(kSparetone, 1);
  Run(jobCommands);
  EXPECT_EQ(Key(GRuleKeys::kPJLJobCommands.reason), 5158);

  // With the job commands off, Sparetone and Zep grey with 5154.
  Set(kPjlJobCommands, 0);
  Run(sparetone);
  Run(zep);
  EXPECT_EQ(Keys(GRuleKeys::kSparetone), std::make_pair(1, 5154));
  EXPECT_EQ(Keys(GRuleKeys::kZep), std::make_pair(1, 5154));
  // Zep keeps its last reason at 1200 dpi once the commands are back.
  Set(kPjlJobCommands, 1);
  Set(kXResolution, 1200);
  Set(kYResolution, 1200);
  Run(zep);
  EXPECT_EQ(Keys(GRuleKeys::kZep), std::make_pair(1, 5154));
  Set(kXResolution, 600);
  Run(zep);
  EXPECT_EQ(Key(GRuleKeys::kZep.availability), 0);
}

TEST_F(LayoutRulesTest, AutoConfigurationGreysWithoutBidirectionalCommunicationAndNotesADiscoveredOne) {
  UseModel(0, 0, 0);
  GAutoConfigurationRule configuration(session_.get());
  Run(configuration);
  EXPECT_EQ(Keys(GRuleKeys::kAutomaticConfiguration), std::make_pair(1, 5144));
  UseModel(0, 0, 2);
  GAutoConfigurationRule discovered(session_.get());
  Run(discovered);
  EXPECT_EQ(Keys(GRuleKeys::kPaperHandlingOptions), std::make_pair(0, 5136));
  EXPECT_EQ(Keys(GRuleKeys::kAutomaticConfiguration), std::make_pair(0, 0));
}

TEST_F(LayoutRulesTest, WatermarkEditingGreysWithoutThePermissionTheCustomPaperRuleFound) {
  GWatermarkEditRule rule(session_.get());
  Run(rule);
  EXPECT_EQ(Keys(GRuleKeys::kWatermarkEdit), std::make_pair(0, 0)) << "no custom-paper key yet";
  session_->GetUIStateView().AddIntIfMissing(1, &GRuleKeys::kCustomPaperSize.availability);
  Run(rule);
  EXPECT_EQ(Keys(GRuleKeys::kWatermarkEdit), std::make_pair(1, 5159));
  Set(kWatermarkEditable, 1);
  Run(rule);
  EXPECT_EQ(Keys(GRuleKeys::kWatermarkEdit), std::make_pair(0, 0));
}

TEST_F(LayoutRulesTest, PagesPerSheetGroupSitsBelowTheStapleBoxByTheStaplerInstalled) {
  w32test::ModuleSpec spec;
  spec.name = u"LAYOUT.DLL";
  auto control = [](int id, int y) {
    return w32test::ControlSpec{id, w32test::ControlKind::kStatic, u"", false, false, 16 + id % 10, y, 40, 10};
  };
  spec.dialogs[3000] = w32test::DialogSpec{u"Finishing",
                                           {control(3027, 100), control(3015, 0), control(3016, 0), control(3018, 0),
                                            control(3017, 0), control(3019, 0), control(3040, 0), control(3041, 0)},
                                           360,
                                           400};
  w32test::InstallModule(spec);
  HMODULE module = LoadLibraryW(u"LAYOUT.DLL");
  ASSERT_NE(module, nullptr);
  GDialog page(3000, session_.get(), 0, 0);
  GPagesPerSheetRule rule(session_.get(), &page);
  std::map<int, std::pair<LONG, LONG>> places;  // id * 10 + stapler -> (x, y)
  w32test::QueueDialogScript({w32test::DialogAction::Inspect([&](HWND dialog) {
    page.SetHwnd(dialog);
    for (int16_t installed : {0, 1}) {
      Set(kStaplerInstalled, installed);
      rule.OnChange({}, 1);
      for (int id : {3015, 3016, 3017, 3018, 3019, 3040, 3041}) {
        RECT r{};
        GetWindowRect(GetDlgItem(dialog, id), &r);
        POINT p{r.left, r.top};
        ScreenToClient(dialog, &p);
        places[id * 10 + installed] = {p.x, p.y};
      }
    }
    page.SetHwnd(nullptr);
  })});
  DialogBoxParamW(module, MAKEINTRESOURCEW(3000), nullptr, &QuietProc, 0);
  FreeLibrary(module);
  // Dialog units of 13/8 pixels down: 12 -> 20, 18 -> 29, 1 -> 2, 16 -> 26, 10 -> 16.
  const std::map<int, LONG> withoutStapler = {{3015, 120}, {3016, 120}, {3018, 120}, {3017, 122},
                                              {3019, 146}, {3040, 166}, {3041, 182}};
  for (const auto& [id, y] : withoutStapler) {
    EXPECT_EQ(places[id * 10].second, y) << id;
    EXPECT_EQ(places[id * 10 + 1].second, y + 9) << id;
    EXPECT_EQ(places[id * 10].first, 16 + id % 10) << "x stays: " << id;
  }
}

}  // namespace
}  // namespace uisession
