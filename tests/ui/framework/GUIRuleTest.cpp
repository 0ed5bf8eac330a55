// The rule base and the conventions every rule shares: keys in the UI state,
// reasons, the conflict prompts with their undo, the paper measure, and the
// registration order that Revalidate keeps.
#include <gtest/gtest.h>

#include <memory>

#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GPeripheral.h"
#include "support/RuleTestSupport.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GRuleCatalogue.h"
#include "w32test/Testing.h"

namespace uisession {
namespace {

constexpr int32_t kUIRuleAvailability = GRuleKeys::kDuplex.availability;
constexpr int32_t kUIRuleReason = GRuleKeys::kDuplex.reason;
constexpr int kSizeConflict = 5102;    // "...paper size cannot be used with ... duplexing"
constexpr int kTrayRefused = 5106;     // "The selected tray cannot be used with the current paper size."
constexpr int kSizeReason = 5111;
constexpr int kTypeReason = 5112;

std::string RuleText(int id) {
  RWWString text;
  LoadUIString(id, &text);
  return w32test::Utf16ToUtf8(text.Data(), text.Length());
}

// ---- Registration and run order ----

std::vector<std::string>* g_created = nullptr;
template <int N>
class NamedRule : public TestRule {
 public:
  explicit NamedRule(GUISession* session) : TestRule(session, g_created, Name(), {}) {}
  static std::string Name() {
    static const std::string names[] = {"first", "second", "third"};
    return names[N];
  }
};

TEST_F(RuleSessionTest, RulesRunInTheOrderOfTheirTableRows) {
  g_created = &calls_;
  const GRuleRegistration table[] = {
      {"Second", &CreateRule<NamedRule<1>>},
      {"NotBuiltYet", nullptr},
      {"First", &CreateRule<NamedRule<0>>},
      {"Third", &CreateRule<NamedRule<2>>}};
  EXPECT_EQ(RegisterRules(session_.get(), table, 4), 3) << "a row without a class registers nothing";
  EXPECT_EQ(RegisterRules(nullptr, table, 4), 0);
  session_->Revalidate(1);
  EXPECT_EQ(calls_, (std::vector<std::string>{"second.Init", "first.Init", "third.Init", "second.OnChange",
                                              "first.OnChange", "third.OnChange"}));
  g_created = nullptr;
}

TEST_F(RuleSessionTest, TheSheetTableKeepsTheCallingOrderAndRegistersOnlyExistingRules) {
  size_t count = 0;
  const GRuleRegistration* table = SheetRuleTable(&count);
  const std::vector<std::string> order = {
      "GPaperSizeRule",        "GOutputBinRule",     "GPaperSourceRule",       "GDuplexRule",
      "GBookletRule",          "GStapleRule",        "GZepRule",               "GJobRetentionRule",
      "GCustomPaperSizeRule",  "GScalingRule",       "GPrintDocumentOnRule",   "GAutoConfigurationRule",
      "GTrueTypeAsBitmapsRule", "GSparetoneRule",    "GPJLRequiredRule",       "GPJLJobCommandsRule",
      "GWatermarkEditRule",    "GFormToTrayRule",    "GTypesInSourceListRule"};
  ASSERT_EQ(count, order.size());
  size_t withClass = 0;
  for (size_t i = 0; i < count; ++i) {
    EXPECT_EQ(table[i].name, order[i]) << i;
    if (table[i].create != nullptr) ++withClass;
  }
  EXPECT_EQ(RegisterSheetRules(session_.get()), static_cast<int>(withClass));
}

// ---- Keys ----

TEST_F(RuleSessionTest, EachForcedRevalidationRecomputesTheKeysAndTheStrongestLevelWins) {
  int paperLevel = 1;
  // Two rules raise the same key; the later one with a weaker level.
  AddRule("size", [&](TestRule& rule, const std::list<int32_t>&, int) {
    rule.Publish(kUIRuleAvailability, static_cast<int16_t>(paperLevel), kUIRuleReason, kSizeReason);
  }, [](TestRule& rule) { rule.ResetKeys(kUIRuleAvailability, kUIRuleReason); });
  AddRule("type", [&](TestRule& rule, const std::list<int32_t>&, int) { rule.RaiseValue(&kUIRuleAvailability, 0); });
  GFeatureAccessor reader(session_.get());

  session_->Revalidate(1);
  EXPECT_EQ(reader.ReadValue(&kUIRuleAvailability), 1);
  EXPECT_EQ(reader.ReadValue(&kUIRuleReason), kSizeReason);
  paperLevel = 2;
  session_->Revalidate(1);
  EXPECT_EQ(reader.ReadValue(&kUIRuleAvailability), 2);
  paperLevel = 0;
  session_->Revalidate(1);
  EXPECT_EQ(reader.ReadValue(&kUIRuleAvailability), 0) << "Init started the key from 0";
}

TEST_F(RuleSessionTest, OnlyUISessionKeysAreWrittenIntoTheUIState) {
  TestRule rule(session_.get(), nullptr, "r", {});
  const int32_t missing = 9999;
  // A setting of the sheet and a feature the settings lack: a copy in the
  // UI state would be found by every depth-first look-up of that id.
  rule.RaiseValue(&kDuplex, 2);
  rule.RaiseValue(&missing, 2);
  rule.ClearValue(&missing);
  rule.SetReason(missing, 5116);
  rule.Publish(kCopies, 1, missing, 5116);
  EXPECT_EQ(ValueOf(kDuplex), 0);
  EXPECT_EQ(ValueOf(kCopies), 1);
  EXPECT_EQ(ValueOf(missing), -9999);
  EXPECT_EQ(session_->FindUIStateAttribute(missing), nullptr);
  EXPECT_EQ(session_->FindUIStateAttribute(kDuplex), nullptr);
  EXPECT_TRUE(session_->GetChangedIds().empty());
  rule.RaiseValue(nullptr, 2);
  rule.ClearValue(nullptr);
  // The keys themselves are written.
  rule.Publish(kUIRuleAvailability, 1, kUIRuleReason, kTypeReason);
  EXPECT_EQ(ValueOf(kUIRuleAvailability), 1);
  EXPECT_EQ(ValueOf(kUIRuleReason), kTypeReason);
}

TEST_F(RuleSessionTest, ASessionWithoutSettingsOrARuleWithoutSessionDoesNothing) {
  GUIData empty;
  empty.size = sizeof(GUIData);
  GUISession bare(&empty);
  for (GUISession* session : {&bare, static_cast<GUISession*>(nullptr)}) {
    TestRule rule(session, nullptr, "r", {});
    rule.Publish(kUIRuleAvailability, 2, kUIRuleReason, kSizeReason);
    rule.ResetKeys(kUIRuleAvailability, kUIRuleReason);
    EXPECT_EQ(rule.ReadInt(kCopies), 0);
    EXPECT_EQ(rule.WriteInt(kCopies, 2), 0);
    EXPECT_EQ(rule.IsFeatureLocked(&kCopies), 0);
    EXPECT_EQ(rule.HasChanged(kCopies), 0);
    double shortSide = 0;
    EXPECT_EQ(rule.MeasurePaper(1, &shortSide, nullptr), 0);
    rule.Refuse(kTrayRefused);
  }
  EXPECT_EQ(bare.GetUIState(), nullptr);
  EXPECT_EQ(w32test::MessageBoxes().size(), 1u) << "the session without settings still tells the user";
}

TEST_F(RuleSessionTest, MissingFeaturesReadAsZeroAndEmptyAndAreNotWritten) {
  TestRule rule(session_.get(), nullptr, "r", {});
  EXPECT_EQ(rule.ReadInt(9999), 0);
  EXPECT_EQ(rule.ReadText(9999).Length(), 0u);
  EXPECT_EQ(rule.WriteInt(9999, 3), 0);
  EXPECT_EQ(rule.WriteText(9999, RWCString("x")), 0);
  EXPECT_EQ(ValueOf(9999), -9999);
  EXPECT_EQ(rule.ReadText(kJobName), RWCString("Caf\xE9 menu"));
  session_->BeginUpdate(nullptr);
  EXPECT_EQ(rule.HasChanged(kCopies), 0);
  EXPECT_EQ(rule.WriteInt(kCopies, 3), 1);
  EXPECT_EQ(rule.HasChanged(kCopies), 1);
  session_->EndUpdate();
  session_->BeginUpdate(nullptr);
  EXPECT_EQ(rule.HasChanged(kCopies), 0) << "a new update cycle";
  session_->EndUpdate();
}

TEST_F(RuleSessionTest, WatchedStepsAndPaperClasses) {
  const std::list<int32_t> changed = {kPaperSize, kUIRuleAvailability};
  EXPECT_EQ(GUIRule::Changed(changed, kPaperSize), 1);
  EXPECT_EQ(GUIRule::Changed(changed, kDuplex), 0);
  EXPECT_EQ(GUIRule::Watched(changed, 0, {kDuplex, kPaperSize}), 1);
  EXPECT_EQ(GUIRule::Watched(changed, 0, {kDuplex, kCopies}), 0);
  EXPECT_EQ(GUIRule::Watched({}, 1, {kDuplex}), 1) << "a forced call runs every step";
  for (int id = -1; id < 0x4100; ++id) {
    const bool envelope = (id >= 8 && id <= 16) || id == 50 || id == 52 || id == 59 || id == 60 || id == 73;
    ASSERT_EQ(GUIRule::PaperSizeIsEnvelope(id), envelope ? 1 : 0) << id;
  }
}

// ---- Prompts ----

TEST_F(RuleSessionTest, OkLetsTheRuleResolveTheConflict) {
  HWND page = w32test::CreateTestWindow(u"#32770", u"Finishing");
  // Duplex cannot go with paper 22: ask, then turn duplex off.
  AddRule("duplex", [&](TestRule& rule, const std::list<int32_t>& changed, int force) {
    if (GUIRule::Watched(changed, force, {kDuplex, kPaperSize}) == 0) return;
    if (rule.ReadInt(kDuplex) != 0 && rule.ReadInt(kPaperSize) == 22 && rule.Ask(kSizeConflict) != 0) {
      rule.WriteInt(kDuplex, 0);
    }
  });
  Set(kDuplex, 1);
  session_->BeginUpdate(page);
  Set(kPaperSize, 22);
  w32test::QueueMessageBoxAnswer(IDOK);
  session_->Revalidate(0);
  session_->EndUpdate();
  ASSERT_EQ(w32test::MessageBoxes().size(), 1u);
  const auto& box = w32test::MessageBoxes()[0];
  EXPECT_EQ(box.text, RuleText(kSizeConflict));
  EXPECT_EQ(box.caption, "Incompatible Options");
  EXPECT_EQ(box.type, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION));
  EXPECT_EQ(ValueOf(kPaperSize), 22);
  EXPECT_EQ(ValueOf(kDuplex), 0);
}

TEST_F(RuleSessionTest, CancelTakesBackTheWholeUpdateCycle) {
  // An earlier rule corrects the copies before the prompt; Cancel takes
  // back the user's change and the correction, and what the rule writes
  // after the prompt stays.
  AddRule("copies", [&](TestRule& rule, const std::list<int32_t>& changed, int) {
    if (GUIRule::Changed(changed, kPaperSize) != 0) rule.WriteInt(kCopies, 5);
  });
  AddRule("duplex", [&](TestRule& rule, const std::list<int32_t>&, int) {
    if (rule.ReadInt(kDuplex) != 0 && rule.ReadInt(kPaperSize) == 22 && rule.Ask(kSizeConflict) == 0) {
      rule.Publish(kUIRuleAvailability, 1, kUIRuleReason, kSizeReason);
    }
  });
  Set(kDuplex, 1);
  session_->BeginUpdate(nullptr);
  Set(kPaperSize, 22);
  Set(kOrientation, 90);
  w32test::QueueMessageBoxAnswer(IDCANCEL);
  session_->Revalidate(0);
  EXPECT_EQ(ValueOf(kPaperSize), 1);
  EXPECT_EQ(ValueOf(kOrientation), 0);
  EXPECT_EQ(ValueOf(kCopies), 1);
  EXPECT_EQ(ValueOf(kDuplex), 1) << "set before the cycle";
  EXPECT_EQ(ValueOf(kUIRuleAvailability), 1);
  session_->EndUpdate();
  EXPECT_EQ(w32test::MessageBoxes().size(), 1u);
}

TEST_F(RuleSessionTest, ARefusedChoiceIsAnnouncedThenTakenBack) {
  AddRule("tray", [&](TestRule& rule, const std::list<int32_t>& changed, int) {
    if (GUIRule::Changed(changed, kOrientation) != 0 && rule.HasChanged(kOrientation) != 0) rule.Refuse(kTrayRefused);
  });
  session_->BeginUpdate(nullptr);
  Set(kOrientation, 90);
  session_->Revalidate(0);
  session_->EndUpdate();
  ASSERT_EQ(w32test::MessageBoxes().size(), 1u);
  EXPECT_EQ(w32test::MessageBoxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(w32test::MessageBoxes()[0].text, "The selected tray cannot be used with the current paper size.");
  EXPECT_EQ(ValueOf(kOrientation), 0);
}

TEST_F(RuleSessionTest, AQuestionIsAskedOnceInARevalidation) {
  // Settings that were already in conflict: Cancel cannot remove the
  // conflict, and the rule's key write wakes another round, which used to
  // ask again in each of the 101 rounds.
  Set(kDuplex, 1);
  Set(kPaperSize, 22);
  int asked = 0;
  AddRule("duplex", [&](TestRule& rule, const std::list<int32_t>&, int force) {
    if (force == 0) return;
    if (rule.ReadInt(kDuplex) != 0 && rule.ReadInt(kPaperSize) == 22) {
      ++asked;
      if (rule.Ask(kSizeConflict) == 0) rule.Publish(kUIRuleAvailability, 1, kUIRuleReason, kSizeReason);
    }
  }, [](TestRule& rule) { rule.ResetKeys(kUIRuleAvailability, kUIRuleReason); });
  for (int i = 0; i < 3; ++i) w32test::QueueMessageBoxAnswer(IDCANCEL);
  session_->BeginUpdate(nullptr);
  Set(kCopies, 2);
  session_->Revalidate(1);
  session_->EndUpdate();
  EXPECT_GT(asked, 1) << "the rule met the conflict in more than one round";
  EXPECT_EQ(w32test::MessageBoxes().size(), 1u);
  EXPECT_EQ(ValueOf(kCopies), 1);
  EXPECT_EQ(ValueOf(kDuplex), 1);
  // The next revalidation asks afresh.
  session_->Revalidate(1);
  EXPECT_EQ(w32test::MessageBoxes().size(), 2u);
}

TEST_F(RuleSessionTest, CancelOutsideAnUpdateCycleLeavesEarlierCyclesAlone) {
  // A finished cycle changed the copies; its log stays until the next
  // cycle begins. A forced revalidation (a page coming to the front) asks,
  // and Cancel has nothing of the user's to take back.
  session_->BeginUpdate(nullptr);
  Set(kCopies, 4);
  session_->EndUpdate();
  Set(kDuplex, 1);
  AddRule("duplex", [&](TestRule& rule, const std::list<int32_t>&, int force) {
    if (force != 0 && rule.ReadInt(kDuplex) != 0 && rule.Ask(kSizeConflict) == 0) {
      rule.Publish(kUIRuleAvailability, 1, kUIRuleReason, kSizeReason);
    }
  });
  w32test::QueueMessageBoxAnswer(IDCANCEL);
  session_->Revalidate(1);
  EXPECT_EQ(w32test::MessageBoxes().size(), 1u);
  EXPECT_EQ(ValueOf(kCopies), 4);
  EXPECT_EQ(ValueOf(kDuplex), 1);
  EXPECT_EQ(ValueOf(kUIRuleAvailability), 1);
}

TEST_F(RuleSessionTest, AMessageTheStringTableLacksIsNotShown) {
  TestRule rule(session_.get(), nullptr, "r", {});
  session_->BeginUpdate(nullptr);
  Set(kCopies, 3);
  EXPECT_EQ(rule.Ask(4999), 1) << "goes on as acknowledged";
  EXPECT_EQ(ValueOf(kCopies), 3);
  EXPECT_TRUE(w32test::MessageBoxes().empty());
  session_->EndUpdate();
}

// ---- Paper measure ----

TEST_F(RuleSessionTest, PaperIsMeasuredAtTheSettingsResolution) {
  // A model with Letter at 600 dpi and the settings at 600 x 300.
  const int32_t printerId = 76;
  auto printer = std::make_unique<ModelPrinter>(printerId);
  auto* configuration = new GConfiguration(printerId);
  auto* pool = new GMediaPool(&GFeatureIds::kPrinterMediaPool);
  pool->AddChild(Medium(1, 5100, 6600, "Letter"));
  configuration->AddChild(pool);
  printer->SetConfiguration(configuration);
  session_.reset();
  data_.printer = printer.get();
  session_ = std::make_unique<GUISession>(&data_);
  TestRule rule(session_.get(), nullptr, "r", {});

  double shortSide = -1;
  double longSide = -1;
  EXPECT_EQ(rule.MeasurePaper(1, &shortSide, &longSide), 0) << "no resolution in the settings";
  EXPECT_EQ(shortSide, 0);
  settings_->AddChild(Group(249, {Value(323, 600), Value(324, 600)}));
  ASSERT_EQ(rule.MeasurePaper(1, &shortSide, &longSide), 1);
  EXPECT_DOUBLE_EQ(shortSide, 8.5);
  EXPECT_DOUBLE_EQ(longSide, 11.0);
  EXPECT_EQ(rule.MeasurePaper(22, &shortSide, &longSide), 0) << "no such medium";
  Set(324, 0);
  EXPECT_EQ(rule.MeasurePaper(1, &shortSide, &longSide), 0) << "a damaged resolution";
  session_.reset();
}

}  // namespace
}  // namespace uisession
