// The Finishing page's own arithmetic: the pages-per-sheet layouts a typed
// number snaps to and the arrows step through, the duplex setting in the
// page's terms, and the booklet items each paper offers.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "model/GFeatureIds.h"
#include "resources/StringTable.h"
#include "support/RuleTestSupport.h"
#include "ui/pages/GDuplexWrapper.h"
#include "ui/pages/GPagesPerSheetWrapper.h"
#include "win32/Dialog.h"
#include "win32/Module.h"
#include "win32/Window.h"

namespace uisession {
namespace {

using namespace GFeatureIds;
using GFeatureIds::kDuplex;

TEST(PagesPerSheet, TypedNumbersSnapToTheLayoutsAndTheArrowsWrap) {
  const std::vector<std::pair<int64_t, int16_t>> snaps = {{-3, 1}, {0, 1}, {1, 1},  {2, 2},  {3, 4},  {5, 6},
                                                          {7, 6},  {8, 9}, {10, 9}, {12, 9}, {13, 16}, {99999, 16}};
  for (const auto& [typed, stored] : snaps) EXPECT_EQ(GPagesPerSheetWrapper::SnapToValid(typed), stored) << typed;
  EXPECT_EQ(GPagesPerSheetWrapper::NextValue(16, true), 1);
  EXPECT_EQ(GPagesPerSheetWrapper::NextValue(1, false), 16);
  EXPECT_EQ(GPagesPerSheetWrapper::NextValue(4, true), 6);
  EXPECT_EQ(GPagesPerSheetWrapper::NextValue(9, false), 6);
}

class FinishingAccessorsTest : public RuleSessionTest {
 protected:
  void SetUp() override {
    RuleSessionTest::SetUp();
    settings_->AddChild(Group(363, {Value(kDuplex, 0), Value(kBookletPrintingChoice, 0),
                                    Value(kBookletTargetSize, 1)}));
  }
};

TEST_F(FinishingAccessorsTest, FlipPagesUpIsTheShortEdgeInPortraitAndTheLongEdgeInLandscape) {
  GDuplexAccessor duplex(session_.get());
  duplex.SetValue(2);
  EXPECT_EQ(ValueOf(kDuplex), 1) << "portrait: flipped up binds at the short edge";
  EXPECT_EQ(duplex.GetValue(), 2);
  Set(kOrientation, 90);
  EXPECT_EQ(duplex.GetValue(), 1) << "the same binding in landscape reads unflipped";
  duplex.SetValue(2);
  EXPECT_EQ(ValueOf(kDuplex), 2);
  // Turning two-sided printing off ends a booklet too.
  duplex.Booklet().SetValue(7);
  EXPECT_EQ(ValueOf(kBookletPrintingChoice), 2);
  EXPECT_EQ(ValueOf(kBookletTargetSize), 23);
  duplex.SetValue(0);
  EXPECT_EQ(ValueOf(kDuplex), 0);
  EXPECT_EQ(ValueOf(kBookletPrintingChoice), 0);
}

TEST_F(FinishingAccessorsTest, BookletItemsFollowThePaperWithoutLargePapers) {
  GBookletAccessor booklet(session_.get());
  // String 11051 reads "4": both bindings; the model has no 11x17 or A3.
  EXPECT_EQ(booklet.ListItems(), (std::vector<int16_t>{0, 1, 5, 9}));
  Set(kPaperSize, 6);
  EXPECT_EQ(booklet.ListItems(), (std::vector<int16_t>{0, 9}));
  Set(kPaperSize, 23);
  EXPECT_EQ(booklet.ListItems(), (std::vector<int16_t>{0, 3, 7}));
  EXPECT_EQ(GBookletAccessor::LabelId(9), 13524);
  EXPECT_EQ(booklet.GetValue(), 0);
  booklet.SetValue(9);
  EXPECT_EQ(booklet.GetValue(), 9);
}

TEST_F(FinishingAccessorsTest, StaplingButtonShowsOnlyWithTheStaplerStackerAndWhileStapling) {
  settings_->AddChild(Group(364, {Text(kAccessoryOutputBins, "K5203"), Value(kStaplerChoice, 1)}));
  w32test::ModuleSpec spec;
  spec.name = u"STAPLING.DLL";
  spec.dialogs[3000] = w32test::DialogSpec{u"Finishing", {{3029, w32test::ControlKind::kButton, u"Stapling...", false}}};
  w32test::InstallModule(spec);
  HMODULE module = LoadLibraryW(u"STAPLING.DLL");
  ASSERT_NE(module, nullptr);
  static const GControlRow kButton[] = {{3029, 306}, {0, 0}};
  GStaplingButtonWrapper button(session_.get(), kButton);
  std::vector<std::pair<bool, bool>> seen;  // visible, enabled
  w32test::QueueDialogScript({w32test::DialogAction::Inspect([&](HWND dialog) {
    button.Attach(dialog);
    for (const auto& [accessory, stapling] : std::vector<std::pair<const char*, int16_t>>{
             {"K5203", 1}, {"K5206", 0}, {"K5206", 1}}) {
      int32_t id = kAccessoryOutputBins;
      session_->GetSettingsView().SetString(&id, RWWString(accessory));
      Set(kStaplerChoice, stapling);
      button.RefreshAvailability();
      HWND control = GetDlgItem(dialog, 3029);
      seen.emplace_back(IsWindowVisible(control) != FALSE, IsWindowEnabled(control) != FALSE);
    }
  })});
  DialogBoxParamW(module, MAKEINTRESOURCEW(3000), nullptr, &QuietProc, 0);
  FreeLibrary(module);
  EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{{false, false}, {true, false}, {true, true}}));
}

}  // namespace
}  // namespace uisession
