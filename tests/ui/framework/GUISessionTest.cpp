// The UI session's change log, undo levels, update cycles and rule
// revalidation, on small settings of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "model/GFeatureIds.h"
#include "support/UISessionFixture.h"
#include "ui/framework/GUIRule.h"

namespace uisession {
namespace {

// ---- Update cycles and the change log ----

TEST_F(UISessionTest, OnlyTheOutermostUpdateOpensAndClosesACycle) {
  HWND outer = reinterpret_cast<HWND>(0x10);
  HWND inner = reinterpret_cast<HWND>(0x20);
  session_->BeginUpdate(outer);
  Set(kCopies, 2);
  session_->BeginUpdate(inner);
  EXPECT_EQ(session_->GetUpdateContext(), outer);
  EXPECT_EQ(session_->GetChangeLog().size(), 1u) << "an inner update keeps the log";
  EXPECT_EQ(session_->EndUpdate(), 1);
  EXPECT_EQ(session_->GetUpdateContext(), outer);
  EXPECT_EQ(session_->EndUpdate(), 0);
  EXPECT_EQ(session_->GetUpdateContext(), nullptr);
  EXPECT_EQ(session_->GetChangeLog().size(), 1u) << "the log stays readable until the next cycle";

  session_->BeginUpdate(inner);
  EXPECT_TRUE(session_->GetChangeLog().empty());
  EXPECT_TRUE(session_->GetChangedIds().empty());
  EXPECT_EQ(session_->GetUpdateContext(), inner);
  session_->EndUpdate();
}

TEST_F(UISessionTest, AnUnmatchedEndUpdateDoesNotUnbalanceTheNextCycle) {
  EXPECT_EQ(session_->EndUpdate(), 0);
  EXPECT_EQ(session_->EndUpdate(), 0);
  Set(kCopies, 2);
  session_->BeginUpdate(nullptr);
  EXPECT_TRUE(session_->GetChangeLog().empty()) << "the next BeginUpdate is the outermost again";
  EXPECT_EQ(session_->EndUpdate(), 0);
}

TEST_F(UISessionTest, RefreshIsReportedOnlyBelowTwoNestedUpdates) {
  session_->SetRefreshNeeded(1);
  EXPECT_EQ(session_->GetRefreshNeeded(), 1);
  session_->BeginUpdate(nullptr);
  EXPECT_EQ(session_->GetRefreshNeeded(), 1);
  session_->BeginUpdate(nullptr);
  EXPECT_EQ(session_->GetRefreshNeeded(), 0);
  session_->EndUpdate();
  EXPECT_EQ(session_->GetRefreshNeeded(), 1);
  session_->EndUpdate();
  session_->SetRefreshNeeded(0);
  EXPECT_EQ(session_->GetRefreshNeeded(), 0);
}

TEST_F(UISessionTest, UndoingACycleRestoresEveryFeatureAsItWasBeforeItsFirstChange) {
  session_->BeginUpdate(nullptr);
  Set(kCopies, 2);
  Set(kCopies, 3);
  Set(kCopies, 4);
  Set(kDuplex, 1);
  session_->GetSettingsView().SetString(&kJobName, RWWString(u"Other"));
  session_->SetRefreshNeeded(0);
  session_->UndoChanges();
  EXPECT_EQ(ValueOf(kCopies), 1);
  EXPECT_EQ(ValueOf(kDuplex), 0);
  RWCString name;
  session_->GetSettingsView().GetNarrowString(&kJobName, &name);
  EXPECT_EQ(std::string(name.Data(), name.Length()), "Caf\xE9 menu");
  EXPECT_TRUE(session_->GetChangeLog().empty());
  EXPECT_TRUE(session_->GetChangedIds().empty());
  EXPECT_EQ(session_->GetRefreshNeeded(), 1);
  EXPECT_EQ(settings_->FindById(kJob)->GetEntryCount(), 6) << "replaced in place, nothing added";
  session_->EndUpdate();
}

TEST_F(UISessionTest, CancellingAModalDialogRestoresItsChangesAndKeepsTheOnesBefore) {
  Set(kDuplex, 1);  // before the dialog
  session_->PushUndoLevel();
  Set(kCopies, 2);
  Set(kCopies, 3);
  Set(kPaperSize, 9);
  session_->PopUndoLevel(1);
  EXPECT_EQ(ValueOf(kCopies), 1) << "the value from before the first change in the dialog";
  EXPECT_EQ(ValueOf(kPaperSize), 1);
  EXPECT_EQ(ValueOf(kDuplex), 1);
  EXPECT_EQ(session_->GetUndoDepth(), 0u);

  // Closed with OK: the changes stay.
  session_->PushUndoLevel();
  Set(kCopies, 5);
  session_->PopUndoLevel(0);
  EXPECT_EQ(ValueOf(kCopies), 5);
  session_->PopUndoLevel(1);  // no level open: nothing
  EXPECT_EQ(ValueOf(kCopies), 5);
}

TEST_F(UISessionTest, NestedDialogsEachRestoreWhatChangedSinceTheyOpened) {
  session_->PushUndoLevel();
  Set(kCopies, 2);
  session_->PushUndoLevel();
  Set(kCopies, 3);
  Set(kDuplex, 1);
  session_->PopUndoLevel(1);  // the inner dialog is cancelled
  EXPECT_EQ(ValueOf(kCopies), 2);
  EXPECT_EQ(ValueOf(kDuplex), 0);
  Set(kPaperSize, 5);
  session_->PopUndoLevel(1);
  EXPECT_EQ(ValueOf(kCopies), 1);
  EXPECT_EQ(ValueOf(kPaperSize), 1);
}

TEST_F(UISessionTest, LoggedPathsLeadToTheAttributeThatChanged) {
  // The same id in two groups: the path says which one was changed.
  auto* second = Group(372, {Value(kNestedValue, 50)});
  settings_->FindById(kPreferences)->AddChild(second);
  GSettingsView view = session_->GetSettingsView();
  ASSERT_EQ(view.Descend(&kPreferences), 1);
  const int32_t group = 372;
  ASSERT_EQ(view.Descend(&group), 1);
  auto* attribute = dynamic_cast<GAttribute*>(second->FindById(kNestedValue));

  session_->BeginUpdate(nullptr);
  view.LogChange(attribute, std::make_unique<GChangePath>(GChangePath{kPreferences, group}));
  const GValueAttribute changed(51, &kNestedValue);
  view.ReplaceAttribute(&kNestedValue, &changed);
  EXPECT_EQ(session_->IsChangeLogged(&kNestedValue, nullptr), 0);
  const GChangePath same{kPreferences, group};
  const GChangePath other{kPreferences, kNested};
  const GChangePath shorter{kPreferences};
  EXPECT_EQ(session_->IsChangeLogged(&kNestedValue, &same), 1);
  EXPECT_EQ(session_->IsChangeLogged(&kNestedValue, &shorter), 0);
  EXPECT_EQ(session_->IsChangeLogged(&kNestedValue, &other), 0) << "paths that part after the first step differ";
  EXPECT_EQ(session_->IsChangeLogged(&kCopies, &same), 0);

  session_->UndoChanges();
  int value = 0;
  ASSERT_EQ(view.GetInt(&kNestedValue, &value), 1);
  EXPECT_EQ(value, 50);
  EXPECT_EQ(ValueOf(kNestedValue), 5) << "the first group's value was not touched";
  session_->EndUpdate();
}

TEST_F(UISessionTest, RecordsAreEqualBySameIdAndSamePath) {
  GChangeRecord plain(Value(kCopies, 1), nullptr);
  GChangeRecord plainToo(Value(kCopies, 9), nullptr);
  GChangeRecord pathed(Value(kCopies, 1), std::make_unique<GChangePath>(GChangePath{kJob}));
  GChangeRecord pathedToo(Value(kCopies, 1), std::make_unique<GChangePath>(GChangePath{kJob}));
  GChangeRecord longer(Value(kCopies, 1), std::make_unique<GChangePath>(GChangePath{kJob, 5}));
  GChangeRecord otherId(Value(kDuplex, 1), nullptr);
  EXPECT_TRUE(plain.Equals(plainToo)) << "values do not count";
  EXPECT_TRUE(pathed.Equals(pathedToo));
  EXPECT_FALSE(plain.Equals(pathed));
  EXPECT_FALSE(pathed.Equals(longer));
  EXPECT_FALSE(plain.Equals(otherId));
}

TEST_F(UISessionTest, TheQuickSetPoolGoesBackWholeAndCustomPapersStay) {
  session_->BeginUpdate(nullptr);
  // The pool as it was is logged under its key, like any setting.
  GAttributeComposite before(&GFeatureIds::kQuickSetPool);
  before.AddChild(Group(0, {Text(376, "Everyday")}));
  session_->LogChange(&before, nullptr);
  GEnumAttribute* list = session_->GetSettingsView().FindCustomPaperList();
  session_->LogChange(list, nullptr);
  delete list->RemoveChildById(277);

  session_->UndoChanges();
  int loaded = 0;
  GAttributeComposite* pool = session_->GetQuickSetPool(nullptr, &loaded);
  EXPECT_EQ(loaded, 1);
  ASSERT_NE(pool, nullptr);
  EXPECT_NE(pool, &before) << "the session keeps a copy of its own";
  EXPECT_EQ(pool->GetEntryCount(), 1);
  EXPECT_EQ(session_->GetSettingsView().FindCustomPaperList()->GetEntryCount(), 0)
      << "spooler forms are not rolled back";
  session_->EndUpdate();
}

TEST_F(UISessionTest, AccessFlagsAndPerUserMode) {
  struct Case {
    int flags;
    int access;
    int perUser;
    int flag8;
    int effective;
  } cases[] = {
      {0, 0, 0, 0, 0},
      {1, 1, 0, 0, 1},
      {3, 3, 0, 0, 3},
      {1 | 4, 1, 4, 0, 0},
      {3 | 4 | 8, 3, 4, 8, 2},
      {2 | 8, 2, 0, 8, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    data_.accessFlags = c.flags;
    EXPECT_EQ(session_->GetAccessFlags(), c.access);
    EXPECT_EQ(session_->IsPerUserMode(), c.perUser);
    EXPECT_EQ(session_->IsFlag8Set(), c.flag8);
    EXPECT_EQ(session_->GetEffectiveAccess(), c.effective);
  }
}

TEST_F(UISessionTest, TheSessionStartsAFreshUIStateEvenWhenTheSettingsBroughtOne) {
  ASSERT_NE(session_->GetUIState(), nullptr);
  const int32_t key = 0x40000020;
  session_->GetUIStateView().SetInt(&key, 2);
  session_.reset();
  // The settings are saved with the state and come back to a new sheet.
  session_ = std::make_unique<GUISession>(&data_);
  int count = 0;
  for (size_t i = 0; i < static_cast<size_t>(settings_->GetEntryCount()); ++i)
    if (settings_->ChildAt(i)->FeatureId() == GFeatureIds::kUIState) ++count;
  EXPECT_EQ(count, 1);
  EXPECT_EQ(session_->GetUIState()->GetEntryCount(), 0);
}

TEST_F(UISessionTest, UIStateAttributesAreAddedTakenAndFound) {
  const int32_t key = 0x40000030;
  session_->AddUIStateAttribute(Value(key, 4));
  ASSERT_NE(session_->FindUIStateAttribute(key), nullptr);
  std::unique_ptr<GAttribute> taken(session_->TakeUIStateAttribute(key));
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(session_->FindUIStateAttribute(key), nullptr);
  EXPECT_EQ(session_->TakeUIStateAttribute(key), nullptr);
}

// ---- Rules and revalidation ----

// A rule whose reaction is given by the test; it counts its calls.
class ScriptedRule : public GUIRule {
 public:
  ScriptedRule(GUISession* session, std::vector<std::string>* calls, const char* name,
               std::function<void(const std::list<int32_t>&, int)> react)
      : GUIRule(session), calls_(calls), name_(name), react_(std::move(react)) {}
  void Init() override { calls_->push_back(name_ + ".Init"); }
  void OnChange(const std::list<int32_t>& changed, int force) override {
    ++onChanges;
    calls_->push_back(name_ + ".OnChange");
    if (react_) react_(changed, force);
  }
  int onChanges = 0;

 private:
  std::vector<std::string>* calls_;
  std::string name_;
  std::function<void(const std::list<int32_t>&, int)> react_;
};

bool Has(const std::list<int32_t>& ids, int32_t id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

class RevalidateTest : public UISessionTest {
 protected:
  ScriptedRule* Add(const char* name, std::function<void(const std::list<int32_t>&, int)> react = {}) {
    auto* rule = new ScriptedRule(session_.get(), &calls_, name, std::move(react));
    session_->AddRule(rule);
    return rule;
  }
  std::vector<std::string> calls_;
};

TEST_F(RevalidateTest, WithoutChangesOnlyAForcedRunCallsTheRulesOnce) {
  Add("a");
  Add("b");
  session_->Revalidate(0);
  EXPECT_TRUE(calls_.empty());
  session_->Revalidate(1);
  EXPECT_EQ(calls_, (std::vector<std::string>{"a.Init", "b.Init", "a.OnChange", "b.OnChange"}));
}

TEST_F(RevalidateTest, RulesRunUntilNothingChanges) {
  // Duplex needs two copies or more; a rule that writes the value it read
  // causes no further round.
  std::list<int32_t> seen;
  Add("duplex", [&](const std::list<int32_t>& changed, int) {
    seen.insert(seen.end(), changed.begin(), changed.end());
    if (Has(changed, kDuplex) && ValueOf(kDuplex) == 1 && ValueOf(kCopies) < 2) Set(kCopies, 2);
  });
  Add("copies", [&](const std::list<int32_t>& changed, int) {
    if (Has(changed, kCopies)) Set(kPaperSize, static_cast<int16_t>(ValueOf(kPaperSize)));
  });
  session_->BeginUpdate(nullptr);
  Set(kDuplex, 1);
  session_->Revalidate(0);
  EXPECT_EQ(ValueOf(kCopies), 2);
  EXPECT_EQ(calls_, (std::vector<std::string>{"duplex.Init", "copies.Init", "duplex.OnChange", "copies.OnChange",
                                              "duplex.OnChange", "copies.OnChange"}))
      << "every run that calls the rules starts them from scratch";
  EXPECT_EQ(seen, (std::list<int32_t>{kDuplex, kCopies}));
  EXPECT_TRUE(session_->GetChangedIds().empty());
  EXPECT_EQ(session_->GetChangeLog().size(), 2u) << "the rule's change is part of the cycle";
  session_->UndoChanges();
  EXPECT_EQ(ValueOf(kCopies), 1);
  EXPECT_EQ(ValueOf(kDuplex), 0);
  session_->EndUpdate();
}

TEST_F(RevalidateTest, RulesThatNeverSettleStopAfter101Rounds) {
  ScriptedRule* flip = Add("flip", [&](const std::list<int32_t>&, int) {
    Set(kDuplex, static_cast<int16_t>(ValueOf(kDuplex) == 0 ? 1 : 0));
  });
  ScriptedRule* flop = Add("flop", [&](const std::list<int32_t>& changed, int) {
    if (Has(changed, kDuplex)) Set(kCopies, static_cast<int16_t>(ValueOf(kCopies) == 1 ? 2 : 1));
  });
  session_->Revalidate(1);
  EXPECT_EQ(flip->onChanges, GUISession::kRevalidateLimit + 1);
  EXPECT_EQ(flop->onChanges, GUISession::kRevalidateLimit + 1);
  EXPECT_TRUE(session_->GetChangedIds().empty()) << "the last round's changes are dropped";

  // The session is usable afterwards.
  flip->onChanges = 0;
  session_->Revalidate(0);
  EXPECT_EQ(flip->onChanges, 0);
}

TEST_F(RevalidateTest, ARuleRegisteredWhileTheRulesRunTakesPartFromThen) {
  ScriptedRule* late = nullptr;
  Add("first", [&](const std::list<int32_t>&, int) {
    if (late == nullptr) {
      late = new ScriptedRule(session_.get(), &calls_, "late", {});
      session_->AddRule(late);
      for (int i = 0; i < 64; ++i) session_->AddRule(new ScriptedRule(session_.get(), &calls_, "more", {}));
    }
  });
  session_->Revalidate(1);
  ASSERT_NE(late, nullptr);
  EXPECT_EQ(late->onChanges, 1);
}

TEST_F(RevalidateTest, ARevalidateFromInsideARuleDoesNothing) {
  int inner = 0;
  Add("reentrant", [&](const std::list<int32_t>&, int) {
    Set(kDuplex, 1);
    session_->Revalidate(1);
    ++inner;
  });
  session_->Revalidate(1);
  EXPECT_EQ(inner, 2) << "the forced round and the one for its own change";
  EXPECT_EQ(calls_.front(), "reentrant.Init");
  EXPECT_EQ(std::count(calls_.begin(), calls_.end(), "reentrant.Init"), 1);
}

TEST_F(RevalidateTest, RuleKeysRaiseClearAndWakeOtherRules) {
  const int32_t availability = 0x4000001C;
  const int32_t reason = 0x4000001D;
  std::list<int32_t> seenByB;
  Add("a", [&](const std::list<int32_t>& changed, int force) {
    if ((force != 0 || Has(changed, kDuplex)) && ValueOf(kDuplex) == 1) {
      session_->GetUIStateView().SetInt(&reason, 5116);
    }
  });
  Add("b", [&](const std::list<int32_t>& changed, int) { seenByB.insert(seenByB.end(), changed.begin(), changed.end()); });

  class KeyRule : public GUIRule {
   public:
    using GUIRule::GUIRule;
    void OnChange(const std::list<int32_t>&, int) override {}
  } rule(session_.get());
  rule.RaiseValue(&availability, 2);
  EXPECT_TRUE(session_->GetChangedIds().empty()) << "creating a key is not logged";
  rule.RaiseValue(&availability, 1);
  EXPECT_EQ(ValueOf(availability), 2) << "the highest level wins";
  EXPECT_TRUE(session_->GetChangedIds().empty());
  rule.ClearValue(&availability);
  EXPECT_EQ(ValueOf(availability), 0);
  EXPECT_EQ(ChangedIds(), std::vector<int32_t>{availability});
  rule.ClearValue(&availability);
  EXPECT_EQ(ChangedIds().size(), 1u) << "clearing a cleared key is no change";
  rule.ClearValue(&reason);
  EXPECT_EQ(ValueOf(reason), 0);

  session_->BeginUpdate(nullptr);
  Set(kDuplex, 1);
  session_->Revalidate(0);
  EXPECT_EQ(ValueOf(reason), 5116);
  EXPECT_EQ(seenByB, (std::list<int32_t>{kDuplex, reason})) << "the key's change woke the next round";
  session_->EndUpdate();
}

TEST_F(RevalidateTest, LockedFeaturesAreTheValuesOfTheLockedList) {
  class KeyRule : public GUIRule {
   public:
    using GUIRule::GUIRule;
    void OnChange(const std::list<int32_t>&, int) override {}
  } rule(session_.get());
  EXPECT_EQ(rule.IsFeatureLocked(&kDuplex), 0) << "no list";
  settings_->FindById(kPreferences)
      ->AddChild(Group(GFeatureIds::kLockedFeatures, {Value(0, kCopies), Value(0, kDuplex)}));
  EXPECT_EQ(rule.IsFeatureLocked(&kDuplex), 1);
  EXPECT_EQ(rule.IsFeatureLocked(&kCopies), 1);
  EXPECT_EQ(rule.IsFeatureLocked(&kPaperSize), 0);
  EXPECT_EQ(rule.Reserved(), 0);
}

}  // namespace
}  // namespace uisession
