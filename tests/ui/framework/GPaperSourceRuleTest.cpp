// The paper, source and form rules on a sheet's settings: which papers and
// paper types each source takes, the conflict prompts and notices when the
// user chooses a source, a type or a size that do not go together (OK,
// Cancel), the note of the paper size rule, the permission keys of the
// custom paper rule and the form-to-tray key of the source-list rule.
#include "ui/framework/GPaperSourceRule.h"

#include <gtest/gtest.h>

#include <string>

#include "model/GFeatureIds.h"
#include "model/GFormToTrayDatabase.h"
#include "support/RuleTestSupport.h"
#include "ui/framework/GRuleCatalogue.h"

namespace uisession {
namespace {

using namespace GFeatureIds;

class PaperRulesTest : public RuleSessionTest {
 protected:
  void SetUp() override {
    RuleSessionTest::SetUp();
    auto* paper = Group(kDocumentSettings2Group(), {Value(kInputBin, 6), Value(kInputBinRest, 6),
                                                    Value(kUseDiffFirstPageChoice, 0), Value(kFitToOtherSizeChoice, 0),
                                                    Value(kTargetSizeChoice, 1), Text(kMediaType, ""),
                                                    Text(kMediaTypeRest, ""), Text(kOptionalPaperSources, ""),
                                                    Value(kIncludeTypesInSourceList, 1)});
    settings_->AddChild(paper);
  }
  static int32_t kDocumentSettings2Group() { return 363; }

};

TEST_F(PaperRulesTest, SourcesTakeTheirPapersAndTypes) {
  GPaperSourceRule rule(session_.get());
  struct Case {
    const char* accessory;
    int16_t source;
    int16_t paper;
    int fits;
  };
  const Case cases[] = {
      {"", 1, 1, 1},           {"", 1, 21, 0},          {"", 3, 22, 1},          {"", 3, 0x4000, 0},
      {"", 5, 8, 1},           {"", 5, 1, 0},           {"", 6, 0x4000, 1},      {"", 19, 21, 1},
      {"K5201", 13, 21, 1},    {"K5202", 13, 21, 0},    {"K5202", 13, 22, 0},    {"K5202", 20, 22, 1},
      {"SILOTRAK 4-BIN", 21, 22, 1}, {"SILOTRAK 6-BIN", 21, 39, 0}, {"", 13, 99, 1},
  };
  for (const Case& c : cases) {
    SetText(kOptionalPaperSources, c.accessory);
    EXPECT_EQ(rule.PaperFitsSource(c.paper, c.source), c.fits) << c.accessory << " " << c.source << " " << c.paper;
  }
  EXPECT_EQ(GPaperSourceRule::MediaFitsSource(RWCString("Labels"), 1), 0);
  EXPECT_EQ(GPaperSourceRule::MediaFitsSource(RWCString("Labels"), 5), 1);
  EXPECT_EQ(GPaperSourceRule::MediaFitsSource(RWCString("Transparency"), 5), 0);
  EXPECT_EQ(GPaperSourceRule::MediaFitsSource(RWCString("Card Stock"), 20), 0);
  EXPECT_EQ(GPaperSourceRule::MediaFitsSource(RWCString("Card Stock"), 3), 1);
  EXPECT_EQ(GPaperSourceRule::MediaFitsSource(RWCString(""), 13), 1);
  EXPECT_EQ(GPaperSourceRule::MediaFitsSource(RWCString("Labels"), 6), 1);
}

TEST_F(PaperRulesTest, ChoosingASourceThatRefusesTheTypeIsRefusedAndLeavesTray1) {
  session_->AddRule(new GPaperSourceRule(session_.get()));
  SetText(kMediaType, "Labels");
  UserChanges([&] { Set(kInputBin, 1); });
  EXPECT_EQ(Messages(), std::vector<std::string>{"The selected tray cannot be used with the current paper type."});
  EXPECT_EQ(ValueOf(kInputBin), 6);
  EXPECT_EQ(TextOf(kMediaType), "Labels");
}

TEST_F(PaperRulesTest, ChoosingATypeTheSourceRefusesAsksOkMovesToTray1CancelKeepsTheType) {
  session_->AddRule(new GPaperSourceRule(session_.get()));
  Set(kInputBin, 5);
  w32test::QueueMessageBoxAnswer(IDOK);
  UserChanges([&] { SetText(kMediaType, "Transparency"); });
  ASSERT_EQ(w32test::MessageBoxes().size(), 1u);
  EXPECT_EQ(w32test::MessageBoxes()[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION));
  EXPECT_EQ(TextOf(kMediaType), "Transparency");
  EXPECT_EQ(ValueOf(kInputBin), 6);

  Set(kInputBin, 5);
  SetText(kMediaType, "");
  w32test::QueueMessageBoxAnswer(IDCANCEL);
  UserChanges([&] { SetText(kMediaType, "Transparency"); });
  EXPECT_EQ(w32test::MessageBoxes().size(), 2u);
  EXPECT_EQ(TextOf(kMediaType), "");
  EXPECT_EQ(ValueOf(kInputBin), 5);
}

TEST_F(PaperRulesTest, ChoosingAPaperTheSourceRefusesAsksThenMovesToTray1) {
  session_->AddRule(new GPaperSourceRule(session_.get()));
  Set(kInputBin, 1);
  w32test::QueueMessageBoxAnswer(IDOK);
  UserChanges([&] { Set(kPaperSize, 21); });
  EXPECT_EQ(Messages(),
            std::vector<std::string>{
                "The selected paper size cannot be used with the current tray. The paper Source setting will be "
                "changed to Tray 1."});
  EXPECT_EQ(ValueOf(kPaperSize), 21);
  EXPECT_EQ(ValueOf(kInputBin), 6);

  // Choosing the tray for the paper afterwards is refused.
  UserChanges([&] { Set(kInputBin, 1); });
  EXPECT_EQ(Messages().back(), "The selected tray cannot be used with the current paper size.");
  EXPECT_EQ(ValueOf(kInputBin), 6);
}

TEST_F(PaperRulesTest, OtherPagesSourceThatRefusesThePaperBecomesTray1WithoutAPrompt) {
  session_->AddRule(new GPaperSourceRule(session_.get()));
  Set(kInputBinRest, 5);
  UserChanges([&] { Set(kPaperSize, 23); });
  EXPECT_TRUE(w32test::MessageBoxes().empty());
  EXPECT_EQ(ValueOf(kInputBinRest), 6);
}

TEST_F(PaperRulesTest, PaperSizeRuleNotesPrintingOnAnotherSizeExceptOnTheOtherPagesTab) {
  session_->AddRule(new GPaperSizeRule(session_.get()));
  Set(kFitToOtherSizeChoice, 1);
  Set(kTargetSizeChoice, 23);
  session_->Revalidate(1);
  EXPECT_EQ(Key(GRuleKeys::kPaperSize.availability), 1);
  EXPECT_EQ(Key(GRuleKeys::kPaperSize.reason), 5301);
  session_->GetUIStateView().SetInt(&GFeatureIds::kPaperPageTab, 1);
  session_->Revalidate(1);
  EXPECT_EQ(Key(GRuleKeys::kPaperSize.availability), 0);
  session_->GetUIStateView().SetInt(&GFeatureIds::kPaperPageTab, 0);
  Set(kTargetSizeChoice, 1);
  session_->Revalidate(1);
  EXPECT_EQ(Key(GRuleKeys::kPaperSize.availability), 0);
}

TEST_F(PaperRulesTest, CustomPaperRuleFollowsThePermissionToChangeThePrinter) {
  session_->AddRule(new GCustomPaperSizeRule(session_.get()));
  struct Case {
    int access;
    int customPaper;
    int quickSets;
  };
  const Case cases[] = {{GUIAccess::kChangesAllowed, 0, 0},
                        {GUIAccess::kNoPrinterChanges, 1, 1},
                        {GUIAccess::kNoPrinterChanges | GUIAccess::kPerUser, 1, 0}};
  for (const Case& c : cases) {
    data_.accessFlags = c.access;
    session_->Revalidate(1);
    EXPECT_EQ(Key(GRuleKeys::kCustomPaperSize.availability), c.customPaper) << c.access;
    EXPECT_EQ(Key(GRuleKeys::kQuickSets.availability), c.quickSets) << c.access;
    if (c.customPaper != 0) EXPECT_EQ(Key(GRuleKeys::kCustomPaperSize.reason), 5137);
  }
}

TEST_F(PaperRulesTest, TypesInSourceListRuleTurnsTheOptionOffWhileFormsAreAssigned) {
  session_->AddRule(new GTypesInSourceListRule(session_.get()));
  session_->Revalidate(1);
  EXPECT_EQ(ValueOf(kIncludeTypesInSourceList), 1) << "no database: silent";
  EXPECT_EQ(Key(GRuleKeys::kTypesInSourceList.availability), 0);
  auto* forms = new GFormToTrayDatabase(&kFormToTrayDatabase);
  settings_->AddChild(forms);
  session_->Revalidate(1);
  EXPECT_EQ(ValueOf(kIncludeTypesInSourceList), 1) << "no assignment";
  forms->AssignTray(3, 1, 0);
  session_->Revalidate(1);
  EXPECT_EQ(ValueOf(kIncludeTypesInSourceList), 0);
  EXPECT_EQ(Key(GRuleKeys::kTypesInSourceList.availability), 1);
  EXPECT_EQ(Key(GRuleKeys::kTypesInSourceList.reason), 5166);
}

TEST_F(PaperRulesTest, FormToTrayRuleIsSilentWithoutAssignments) {
  session_->AddRule(new GFormToTrayRule(session_.get()));
  Set(kInputBin, 3);
  session_->Revalidate(1);
  EXPECT_EQ(ValueOf(kInputBin), 3) << "no database";
  settings_->AddChild(new GFormToTrayDatabase(&kFormToTrayDatabase));
  session_->Revalidate(1);
  EXPECT_EQ(ValueOf(kInputBin), 3) << "no assignment";
  EXPECT_EQ(Key(GRuleKeys::kPaperSource.availability), 0);
}

TEST_F(PaperRulesTest, FormToTrayRuleKeepsTheSourceAutomaticAndThePaperToWhatTheTraysHold) {
  auto* forms = new GFormToTrayDatabase(&kFormToTrayDatabase);
  settings_->AddChild(forms);
  // Tray 1 holds Legal on plain paper, tray 3 A4 labels.
  forms->AssignTray(1, 6, 11102);
  forms->AssignTray(3, 23, 11107);
  session_->AddRule(new GFormToTrayRule(session_.get()));
  Set(kUseDiffFirstPageChoice, 1);
  Set(kInputBin, 3);
  Set(kInputBinRest, 1);

  // A paper no tray holds gives way to the first assigned one, with the
  // fit to another size turned off; a type no tray holds with the paper is
  // cleared, on the other pages too.
  Set(kFitToOtherSizeChoice, 1);
  Set(kTargetSizeChoice, 21);
  SetText(kMediaType, "Labels");
  SetText(kMediaTypeRest, "Plain");
  UserChanges([&] { Set(kPaperSize, 22); });
  EXPECT_EQ(ValueOf(kInputBin), 19);
  EXPECT_EQ(ValueOf(kInputBinRest), 19);
  EXPECT_EQ(Key(GRuleKeys::kPaperSource.availability), 1);
  EXPECT_EQ(Key(GRuleKeys::kPaperSourceRest.availability), 1);
  EXPECT_EQ(ValueOf(kFitToOtherSizeChoice), 0);
  EXPECT_EQ(ValueOf(kPaperSize), 6);
  EXPECT_EQ(TextOf(kMediaType), "");
  EXPECT_EQ(TextOf(kMediaTypeRest), "");

  // A4 labels and Legal plain paper are held: they stay.
  UserChanges([&] {
    Set(kPaperSize, 23);
    SetText(kMediaType, "Labels");
  });
  EXPECT_EQ(ValueOf(kPaperSize), 23);
  EXPECT_EQ(TextOf(kMediaType), "Labels");
  UserChanges([&] {
    Set(kPaperSize, 6);
    SetText(kMediaType, "Plain");
  });
  EXPECT_EQ(TextOf(kMediaType), "Plain");
  EXPECT_EQ(ValueOf(kPaperSize), 6);
}

}  // namespace
}  // namespace uisession
