// The Configure page's accessory controls run as a dialog: the lists offer
// the model's installable accessories by name, a change of accessory resets
// what depended on the old one and applies the settings to the model, and
// the check boxes write the envelope feeder and the Plurex unit.
#include "ui/pages/GOutputAccessoryWrapper.h"

#include "support/PageFixture.h"
#include "model/GFormToTrayDatabase.h"

namespace {

using namespace GFeatureIds;
using pagetest::AddOption;
using pagetest::Tray;
using w32test::DialogAction;

constexpr int kEnvelopeFeeder = 7022;
constexpr int kPlurex = 7024;
constexpr int kOutputList = 7033;
constexpr int kModeList = 7035;
constexpr int kInputList = 7037;

class AccessoryTest : public pagetest::PageFixture {
 protected:
  void SetUp() override {
    pagetest::PageFixture::SetUp();
    auto* trays = pagetest::Device("Trays", GPaperHandlingDevice::kInputDevice, 0, 1);
    AddOption(trays, 1, {Tray("Tray 1", 6), Tray("Upper Tray", 1)});
    devices_->AddChild(trays);
    auto* unit = pagetest::Device("K5202", GPaperHandlingDevice::kInputDevice, 1, 1);
    AddOption(unit, 1, {Tray("Tray 4", 13), Tray("Tray 5", 20)});
    devices_->AddChild(unit);
    devices_->AddChild(pagetest::Device("K5208", GPaperHandlingDevice::kInputDevice, 1, 0));
    devices_->AddChild(pagetest::Device("K5209", GPaperHandlingDevice::kInputDevice, 1, 0));
    devices_->AddChild(pagetest::Device("SILOTRAK 4-BIN", GPaperHandlingDevice::kInputDevice, 1, 0));
    auto* mailbox = pagetest::Device("K5205", GPaperHandlingDevice::kOutputDevice, 1, 1);
    AddOption(mailbox, 4, {pagetest::Bin("", 20)}, false);
    AddOption(mailbox, 2, {pagetest::Bin("", 4), pagetest::Bin("", 5)});
    devices_->AddChild(mailbox);
    auto* stacker = pagetest::Device("ZORVASTACKER 2000", GPaperHandlingDevice::kOutputDevice, 1, 0);
    AddOption(stacker, 4, {pagetest::Bin("", 21)});
    devices_->AddChild(stacker);

    SetText(kAccessoryOutputBins, "K5205");
    SetSetting(kOutputAccessoryMode, 2);
    SetSetting(kOutputBin, 17);
    SetSetting(kStaplerChoice, 1);
    SetSetting(kAutoConfigurationState, 0);
    SetText(kOptionalPaperSources, "K5202");
    SetSetting(kInputBin, 13);
    SetSetting(kInputBinRest, 20);
    SetSetting(kUseDiffFirstPageChoice, 1);
    SetSetting(kEnvFeeder, 0);
    SetSetting(kCollationUnit, 0);
    SetSetting(kCollate, 0);
    auto* names = qvtest::Group(kDiscoveredBinNames);
    names->AddChild(qvtest::Text(0, "Anna"));
    settings_->AddChild(names);
    settings_->AddChild(new GFormToTrayDatabase(&kFormToTrayDatabase));
  }
  GFormToTrayDatabase* Database() {
    return dynamic_cast<GFormToTrayDatabase*>(settings_->FindById(kFormToTrayDatabase));
  }
};

TEST_F(AccessoryTest, TheListsNameTheInstallableAccessoriesAndLeaveTheEnvelopeUnitsOut) {
  Open(4);
  std::vector<std::u16string> outputs, inputs, modes;
  int output = -1, input = -1, mode = -1;
  Run(7000, {DialogAction::Inspect([&](HWND d) {
               outputs = Items(d, kOutputList);
               inputs = Items(d, kInputList);
               modes = Items(d, kModeList);
               output = Selected(d, kOutputList);
               input = Selected(d, kInputList);
               mode = Selected(d, kModeList);
             }),
             DialogAction::Close(IDOK)});
  EXPECT_EQ(outputs, (std::vector<std::u16string>{u"(None)", u"8-Bin Mailbox", u"2000-Sheet Zorva Stacker"}));
  EXPECT_EQ(inputs, (std::vector<std::u16string>{u"(None)", u"2x500-Sheet Input Tray", u"4x500-Sheet Silotrak 44"}));
  EXPECT_EQ(modes, (std::vector<std::u16string>{u"Mailbox", u"Stacker"}));
  EXPECT_EQ(output, 1);
  EXPECT_EQ(input, 1);
  EXPECT_EQ(mode, 0);
}

TEST_F(AccessoryTest, AnotherOutputAccessoryResetsTheBinStaplingAndMailboxNames) {
  Open(4);
  const int appliedBefore = host_.applied;
  Run(7000, {DialogAction::Select(kOutputList, 2), DialogAction::Close(IDOK)});
  EXPECT_EQ(TextSetting(kAccessoryOutputBins), "ZORVASTACKER 2000");
  EXPECT_EQ(Setting(kOutputBin), 1);
  EXPECT_EQ(Setting(kStaplerChoice), 0);
  EXPECT_EQ(Setting(kOutputAccessoryMode), 4) << "the new device's selected option";
  EXPECT_EQ(dynamic_cast<GAttributeComposite*>(settings_->FindById(kDiscoveredBinNames))->GetEntryCount(), 0u);
  EXPECT_GT(host_.applied, appliedBefore);
}

TEST_F(AccessoryTest, ChangingTheModeMovesTheBinToTheTopUnlessConfiguredByThePrinter) {
  Open(4);
  bool modeEnabled = false;
  Run(7000, {DialogAction::Inspect([&](HWND d) { modeEnabled = Enabled(d, kModeList); }),
             DialogAction::Select(kModeList, 1), DialogAction::Close(IDOK)});
  EXPECT_TRUE(modeEnabled);
  EXPECT_EQ(Setting(kOutputAccessoryMode), 4);
  EXPECT_EQ(Setting(kOutputBin), 1);
}

TEST_F(AccessoryTest, WithThePrintersOwnConfigurationTheModeCannotBeChanged) {
  SetSetting(kAutoConfigurationState, 2);
  Open(4);
  bool modeEnabled = true;
  Run(7000, {DialogAction::Inspect([&](HWND d) { modeEnabled = Enabled(d, kModeList); }), DialogAction::Close(IDOK)});
  EXPECT_FALSE(modeEnabled);
}

TEST_F(AccessoryTest, AnotherInputAccessoryResetsTheSourcesAndDropsVanishedTrayAssignments) {
  Database()->AssignTray(20, 1, 11102);
  Database()->AssignTray(1, 5, 11102);
  Open(4);
  // The host makes the model follow the settings; here the unit goes.
  Run(7000, {DialogAction::Inspect([&](HWND) {
               dynamic_cast<GPaperHandlingDevice*>(devices_->ChildAt(1))->SetInstalled(0);
             }),
             DialogAction::Select(kInputList, 0), DialogAction::Close(IDOK)});
  EXPECT_EQ(TextSetting(kOptionalPaperSources), "");
  EXPECT_EQ(Setting(kInputBin), 19);
  EXPECT_EQ(Setting(kInputBinRest), 19);
  EXPECT_EQ(Setting(kUseDiffFirstPageChoice), 0);
  EXPECT_EQ(Database()->FindByTray(20), nullptr);
  EXPECT_NE(Database()->FindByTray(1), nullptr);
}

TEST_F(AccessoryTest, TheCheckBoxesWriteTheFeederAndThePlurexUnitWithCollation) {
  Open(4);
  Run(7000, {DialogAction::Click(kEnvelopeFeeder), DialogAction::Click(kPlurex), DialogAction::Close(IDOK)});
  EXPECT_EQ(Setting(kEnvFeeder), 1);
  EXPECT_EQ(Setting(kCollationUnit), 1);
  EXPECT_EQ(Setting(kCollate), 1);
  bool feeder = false;
  Run(7000, {DialogAction::Inspect([&](HWND d) { feeder = Checked(d, kEnvelopeFeeder); }),
             DialogAction::Click(kPlurex), DialogAction::Close(IDOK)});
  EXPECT_TRUE(feeder);
  EXPECT_EQ(Setting(kCollationUnit), 0);
  EXPECT_EQ(Setting(kCollate), 0);
}

}  // namespace
