// The NT Forms page run as a dialog: its lists offer the installed trays and
// what each tray takes, the user's choices become the tray's entry in the
// settings' form-to-tray database, and "Clear All" empties it.
#include "ui/pages/GFormToTrayLinkWrapper.h"

#include "support/PageFixture.h"
#include "model/GFormToTrayDatabase.h"

namespace {

using namespace GFeatureIds;
using pagetest::AddOption;
using pagetest::Tray;
using w32test::DialogAction;

constexpr int kTrays = 12003;
constexpr int kSizes = 12006;
constexpr int kTypes = 12008;
constexpr int kClearAll = 12009;

class FormToTrayTest : public pagetest::PageFixture {
 protected:
  void SetUp() override {
    pagetest::PageFixture::SetUp();
    auto* trays = pagetest::Device("Trays", GPaperHandlingDevice::kInputDevice, 0, 1);
    AddOption(trays, 1, {Tray("Tray 1", 6), Tray("Upper Tray", 1), Tray("Lower Tray", 3), Tray("Automatic", 19)});
    devices_->AddChild(trays);
    auto* feeder = pagetest::Device("K5209", GPaperHandlingDevice::kInputDevice, 1, 1);
    AddOption(feeder, 1, {Tray("Envelope Feeder", 5)});
    devices_->AddChild(feeder);
    auto* unit = pagetest::Device("K5202", GPaperHandlingDevice::kInputDevice, 1, 0);
    AddOption(unit, 1, {Tray("Tray 4", 13)});
    devices_->AddChild(unit);
    host_.papers = {{1, "Letter"}, {5, "Legal"}, {21, "11x17"}, {8, "Env #10"}};

    settings_->AddChild(new GFormToTrayDatabase(&kFormToTrayDatabase));
    SetSetting(kFormToTraySelectedTray, 1);
    SetSetting(kScaleFromLargePaper, 1);
    SetText(kOptionalPaperSources, "");
    auto* reported = qvtest::Group(kDiscoveredMediaNames);
    reported->AddChild(qvtest::Text(0, "Glossy"));
    settings_->AddChild(reported);
    Open(4);
  }
  GFormToTrayDatabase* Database() {
    return dynamic_cast<GFormToTrayDatabase*>(settings_->FindById(kFormToTrayDatabase));
  }
};

TEST_F(FormToTrayTest, TheListsOfferTheInstalledTraysAndWhatTheChosenTrayTakes) {
  std::vector<std::u16string> trays, sizes, types, envelopeSizes;
  Run(12000, {DialogAction::Inspect([&](HWND d) {
                trays = Items(d, kTrays);
                sizes = Items(d, kSizes);
                types = Items(d, kTypes);
              }),
              DialogAction::Select(kTrays, 3),
              DialogAction::Inspect([&](HWND d) { envelopeSizes = Items(d, kSizes); }), DialogAction::Close(IDOK)});
  EXPECT_EQ(trays, (std::vector<std::u16string>{u"Tray 1", u"Upper Tray", u"Lower Tray", u"Envelope Feeder"}));
  EXPECT_EQ(sizes, (std::vector<std::u16string>{u"Unspecified", u"Letter"})) << "the upper tray takes Letter only";
  EXPECT_EQ(types, (std::vector<std::u16string>{u"Unspecified", u"Plain", u"Preprinted", u"Letterhead", u"Prepunched",
                                                u"Bond", u"Recycled", u"Color", u"Cardstock", u"Rough", u"Glossy"}))
      << "no transparencies or labels in the upper tray";
  EXPECT_EQ(envelopeSizes, (std::vector<std::u16string>{u"Unspecified", u"Env #10"}));
  EXPECT_EQ(Setting(kFormToTraySelectedTray), 5);
}

TEST_F(FormToTrayTest, ATrayNoLongerInstalledGivesWayToTheTrayThatShowsEverything) {
  SetSetting(kFormToTraySelectedTray, 13);
  std::vector<std::u16string> sizes;
  Run(12000, {DialogAction::Inspect([&](HWND d) { sizes = Items(d, kSizes); }), DialogAction::Close(IDOK)});
  EXPECT_EQ(Setting(kFormToTraySelectedTray), 6);
  EXPECT_EQ(sizes.size(), 5u);
}

TEST_F(FormToTrayTest, ATypeWithoutASizeTakesTheDefaultPaperAndUnspecifiedSizeResetsTheType) {
  Run(12000, {DialogAction::Select(kTypes, 1), DialogAction::Close(IDOK)});
  ASSERT_NE(Database()->FindByTray(1), nullptr);
  EXPECT_EQ(Database()->GetPaperSizeForTray(1), 1);
  EXPECT_EQ(Database()->GetMediaTypeForTray(1), 11102);

  Run(12000, {DialogAction::Select(kTrays, 3), DialogAction::Select(kTypes, 1), DialogAction::Close(IDOK)});
  EXPECT_EQ(Database()->GetPaperSizeForTray(5), 8) << "the envelope feeder defaults to Env #10";

  int type = -1;
  Run(12000, {DialogAction::Select(kTrays, 1), DialogAction::Select(kSizes, 0),
              DialogAction::Inspect([&](HWND d) { type = Selected(d, kTypes); }), DialogAction::Close(IDOK)});
  EXPECT_EQ(type, 0);
  EXPECT_EQ(Database()->GetPaperSizeForTray(1), 0);
  EXPECT_EQ(Database()->GetMediaTypeForTray(1), 11913);
}

TEST_F(FormToTrayTest, ClearAllEmptiesTheDatabaseAndTheChangeIsLogged) {
  Database()->AssignTray(1, 1, 11102);
  Database()->AssignTray(3, 5, 11104);
  int sizeShown = -1;
  Run(12000, {DialogAction::Inspect([&](HWND d) { sizeShown = Selected(d, kSizes); }),
              DialogAction::Click(kClearAll),
              DialogAction::Inspect([&](HWND d) {
                EXPECT_EQ(Selected(d, kSizes), 0);
                auto* session = UIProviderSession(&data_);
                EXPECT_NE(session->IsChangeLogged(&kFormToTrayDatabase, nullptr), 0);
              }),
              DialogAction::Close(IDOK)});
  EXPECT_EQ(sizeShown, 1) << "the upper tray's Letter shows when the page opens";
  EXPECT_EQ(Database()->HasAssignments(), 0);
  EXPECT_EQ(Database()->FindByTray(3), nullptr);
}

TEST_F(FormToTrayTest, PruningDropsTheEntriesOfTraysNoLongerInstalled) {
  Database()->AssignTray(13, 1, 11102);
  Database()->AssignTray(3, 5, 11104);
  GFormToTrayAccessor forms(UIProviderSession(&data_));
  std::vector<int16_t> installed;
  forms.PruneAssignments(&installed);
  EXPECT_EQ(installed, (std::vector<int16_t>{6, 1, 3, 19, 5}));
  EXPECT_EQ(Database()->FindByTray(13), nullptr);
  EXPECT_NE(Database()->FindByTray(3), nullptr);
}

}  // namespace
