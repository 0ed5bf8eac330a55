// The settings view: typed reads by feature id, conversions to 16-bit
// values and wide strings, and writes that log the old attribute before
// they replace it.
#include <gtest/gtest.h>

#include "model/GFeatureIds.h"
#include "support/UISessionFixture.h"

namespace uisession {
namespace {

using GSettingsViewTest = UISessionTest;

TEST_F(GSettingsViewTest, ReadsEachAttributeTypeByIdAndNothingOfAnotherType) {
  const GSettingsView view = session_->GetSettingsView();
  struct Case {
    const char* what;
    int32_t id;
    int intFound;
    int intValue;
    int stringFound;
    std::u16string text;
    int rangeFound;
  } cases[] = {
      {"value", kCopies, 1, 1, 0, u"", 0},
      {"value in a nested group", kNestedValue, 1, 5, 0, u"", 0},
      {"string, widened under the code page", kJobName, 0, 0, 1, u"Caf\u00e9 menu", 0},
      {"range", kMemory, 0, 0, 0, u"", 1},
      {"composite", kJob, 0, 0, 0, u"", 0},
      {"missing", 9999, 0, 0, 0, u"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int value = -1;
    EXPECT_EQ(view.GetInt(&c.id, &value), c.intFound);
    EXPECT_EQ(value, c.intValue);
    RWWString text(u"stale");
    EXPECT_EQ(view.GetString(&c.id, &text), c.stringFound);
    EXPECT_EQ(std::u16string(text.Data(), text.Length()), c.text);
    int16_t member = -1;
    EXPECT_EQ(view.GetRangeMaximum(&c.id, &member), c.rangeFound);
    EXPECT_EQ(member, c.rangeFound != 0 ? 3200 : 0);
  }

  int16_t member = 0;
  ASSERT_EQ(view.GetRangeMinimum(&kMemory, &member), 1);
  EXPECT_EQ(member, 100);
  ASSERT_EQ(view.GetRangeStep(&kMemory, &member), 1);
  EXPECT_EQ(member, 50);
  ASSERT_EQ(view.GetRangeValue(&kMemory, &member), 1);
  EXPECT_EQ(member, 800);
  RWCString narrow;
  ASSERT_EQ(view.GetNarrowString(&kJobName, &narrow), 1);
  EXPECT_EQ(std::string(narrow.Data(), narrow.Length()), "Caf\xE9 menu") << "the stored bytes as they are";
  int value = 0;
  EXPECT_EQ(view.GetInt(nullptr, &value), 0);
  EXPECT_EQ(GSettingsView().GetInt(&kCopies, &value), 0) << "a view over nothing";
}

TEST_F(GSettingsViewTest, FindsByClassAndDescendsOnlyIntoCompositesAndEnumerations) {
  GSettingsView view = session_->GetSettingsView();
  EXPECT_EQ(view.IsOfClass(&kCopies, GSettingsView::kValueClass), 1);
  EXPECT_EQ(view.IsOfClass(&kCopies, GSettingsView::kStringClass), 0);
  EXPECT_NE(view.FindCustomPaperList(), nullptr);
  EXPECT_NE(view.FindComposite(&GFeatureIds::kCustomPaperList), nullptr) << "an enumeration";
  EXPECT_EQ(view.FindComposite(&GFeatureIds::kPrinterMediaPool), nullptr) << "a media pool is neither";
  EXPECT_EQ(view.FindComposite(&kCopies), nullptr);
  EXPECT_EQ(view.Contains(&GFeatureIds::kModelEntryList), 0);

  EXPECT_EQ(view.Descend(&kCopies), 0);
  EXPECT_EQ(view.GetComposite(), settings_.get()) << "a failed descent leaves the view where it was";
  ASSERT_EQ(view.Descend(&kPreferences), 1);
  EXPECT_EQ(view.Contains(&kCopies), 0) << "the job group is outside the preferences";
  ASSERT_EQ(view.Descend(&kNested), 1);
  ASSERT_EQ(view.SetInt(&kNestedValue, 6), 1);
  EXPECT_EQ(ValueOf(kNestedValue), 6);

  GSettingsView copy;
  copy.Assign(view);
  EXPECT_EQ(copy.GetComposite(), view.GetComposite());
  EXPECT_EQ(copy.GetSession(), session_.get());
  EXPECT_EQ(copy.IsReadOnly(), 0);

  std::unique_ptr<GAttribute> clone(view.CloneAttribute(&kNestedValue));
  ASSERT_NE(clone, nullptr);
  EXPECT_NE(clone.get(), settings_->FindById(kNestedValue)) << "a copy of its own";
}

TEST_F(GSettingsViewTest, SetIntLogsTheOldAttributeOnlyForARealChange) {
  struct Case {
    const char* what;
    int32_t id;
    int16_t value;
    int result;
    int logged;
    int after;
  } cases[] = {
      {"new value", kCopies, 3, 1, 1, 3},
      {"same value", kPaperSize, 1, 1, 0, 1},
      {"missing id", 9999, 4, 0, 0, -9999},
      {"string id", kJobName, 4, 0, 0, -9999},
      {"range id", kMemory, 4, 0, 0, -9999},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    session_->BeginUpdate(nullptr);
    EXPECT_EQ(Set(c.id, c.value), c.result);
    EXPECT_EQ(session_->GetChangeLog().size(), static_cast<size_t>(c.logged));
    EXPECT_EQ(ChangedIds().size(), static_cast<size_t>(c.logged));
    EXPECT_EQ(ValueOf(c.id), c.after);
    session_->EndUpdate();
  }
}

TEST_F(GSettingsViewTest, TheLogHoldsACopyOfTheValueBeforeTheChangeAndTheFlagTravels) {
  auto* copies = dynamic_cast<GValueAttribute*>(settings_->FindById(kCopies));
  copies->changed = 0;
  session_->BeginUpdate(nullptr);
  ASSERT_EQ(Set(kCopies, 2), 1);
  ASSERT_EQ(Set(kCopies, 9), 1);
  ASSERT_EQ(session_->GetChangeLog().size(), 2u);
  auto* newest = dynamic_cast<GValueAttribute*>(session_->GetChangeLog().front()->GetOldValue());
  auto* oldest = dynamic_cast<GValueAttribute*>(session_->GetChangeLog().back()->GetOldValue());
  ASSERT_NE(newest, nullptr);
  ASSERT_NE(oldest, nullptr);
  EXPECT_EQ(newest->GetValue(), 2);
  EXPECT_EQ(oldest->GetValue(), 1);
  EXPECT_EQ(session_->GetChangeLog().front()->GetPath(), nullptr);
  EXPECT_EQ(ChangedIds(), (std::vector<int32_t>{kCopies, kCopies}));
  auto* now = dynamic_cast<GValueAttribute*>(settings_->FindById(kCopies));
  ASSERT_NE(now, nullptr);
  EXPECT_EQ(now->changed, 0) << "the replacement carries the changed flag of the one it replaces";
}

TEST_F(GSettingsViewTest, SetStringNarrowsAndComparesLengthAndBytes) {
  struct Case {
    const char* what;
    std::u16string text;
    int logged;
    std::string stored;
  } cases[] = {
      {"the same text", u"Caf\u00e9 menu", 0, "Caf\xE9 menu"},
      {"longer, same start", u"Caf\u00e9 menu2", 1, "Caf\xE9 menu2"},
      {"shorter", u"Caf", 1, "Caf"},
      {"other case", u"caf", 1, "caf"},
      {"empty", u"", 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    session_->BeginUpdate(nullptr);
    EXPECT_EQ(session_->GetSettingsView().SetString(&kJobName, RWWString(c.text.c_str())), 1);
    EXPECT_EQ(session_->GetChangeLog().size(), static_cast<size_t>(c.logged));
    RWCString narrow;
    session_->GetSettingsView().GetNarrowString(&kJobName, &narrow);
    EXPECT_EQ(std::string(narrow.Data(), narrow.Length()), c.stored);
    session_->EndUpdate();
  }
  EXPECT_EQ(session_->GetSettingsView().SetString(&kCopies, RWWString(u"x")), 0) << "not a string";
  EXPECT_EQ(session_->GetSettingsView().SetNarrowString(&kJobName, RWCString("raw")), 1);
  RWWString wide;
  session_->GetSettingsView().GetString(&kJobName, &wide);
  EXPECT_EQ(std::u16string(wide.Data(), wide.Length()), u"raw");
}

TEST_F(GSettingsViewTest, TextTheCodePageCannotHoldLeavesTheStoredTextAlone) {
  session_->BeginUpdate(nullptr);
  EXPECT_EQ(session_->GetSettingsView().SetString(&kJobName, RWWString(u"Menu \u4e00")), 0);
  RWCString narrow;
  session_->GetSettingsView().GetNarrowString(&kJobName, &narrow);
  EXPECT_EQ(std::string(narrow.Data(), narrow.Length()), "Caf\xE9 menu");
  EXPECT_TRUE(session_->GetChangeLog().empty());
  session_->EndUpdate();
}

TEST_F(GSettingsViewTest, ReadOnlyViewsRefuseEveryWrite) {
  GSettingsView view(settings_.get(), session_.get());
  ASSERT_EQ(view.IsReadOnly(), 1);
  GValueAttribute other(4, &kCopies);
  EXPECT_EQ(view.SetInt(&kCopies, 4), 0);
  EXPECT_EQ(view.SetString(&kJobName, RWWString(u"x")), 0);
  EXPECT_EQ(view.SetNarrowString(&kJobName, RWCString("x")), 0);
  EXPECT_EQ(view.AddIntIfMissing(1, &kNested), 0);
  EXPECT_EQ(view.ReplaceAttribute(&kCopies, &other), 0);
  EXPECT_EQ(ValueOf(kCopies), 1);
  EXPECT_TRUE(session_->GetChangeLog().empty());
  EXPECT_EQ(session_->GetModelView().IsReadOnly(), 1);
  EXPECT_EQ(session_->GetReferenceSettingsView().IsReadOnly(), 1);
}

TEST_F(GSettingsViewTest, UIStateKeysComeIntoBeingWithoutALogEntry) {
  const int32_t key = 0x4000001C;
  GSettingsView state = session_->GetUIStateView();
  ASSERT_NE(state.GetComposite(), nullptr);
  EXPECT_EQ(state.SetInt(&key, 2), 1);
  EXPECT_TRUE(session_->GetChangeLog().empty());
  int value = 0;
  ASSERT_EQ(state.GetInt(&key, &value), 1);
  EXPECT_EQ(value, 2);
  EXPECT_EQ(state.SetInt(&key, 1), 1);
  EXPECT_EQ(ChangedIds(), std::vector<int32_t>{key}) << "a key that exists changes like any setting";
  EXPECT_EQ(ValueOf(key), 1) << "the UI state sits in the settings";

  // Outside the UI state a missing id is no write.
  EXPECT_EQ(session_->GetSettingsView().SetInt(&kNested, 1), 0);
  const int32_t fresh = 0x4000001E;
  EXPECT_EQ(session_->GetSettingsView().SetInt(&fresh, 1), 0);
  EXPECT_EQ(session_->GetSettingsView().AddIntIfMissing(7, &fresh), 1);
  EXPECT_EQ(session_->GetSettingsView().AddIntIfMissing(8, &fresh), 1);
  EXPECT_EQ(ValueOf(fresh), 7);
  EXPECT_EQ(ChangedIds(), std::vector<int32_t>{key});
}

TEST_F(GSettingsViewTest, MediaComeFromThePoolOrFromTheCustomSizes) {
  const GSettingsView view = session_->GetSettingsView();
  GMedia* letter = view.FindMediaForResolution(1, 0, 600);
  ASSERT_NE(letter, nullptr);
  EXPECT_EQ(letter->GetPaperId(), 1);
  EXPECT_EQ(view.FindMedia(1, 0, 300, 300), nullptr) << "no medium at that resolution";

  GMedia* largest = view.FindMediaForResolution(17384, 0, 600);
  ASSERT_NE(largest, nullptr) << "17384 is the pool's";
  EXPECT_EQ(largest->GetPaperId(), 17384);

  // 0x4000 is the custom label: built at the resolution asked and kept in
  // the UI state.
  GMedia* label = view.FindMedia(kLabelPaper, 0, 600, 300);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->FeatureId(), GFeatureIds::kCustomPaperMedium);
  EXPECT_EQ(label->GetXResolution(), 600);
  EXPECT_EQ(label->GetYResolution(), 300);
  EXPECT_EQ(label->GetSize()->x, 2400) << "4 inches at 600 dpi";
  EXPECT_EQ(label->GetSize()->y, 1800) << "6 inches at 300 dpi";
  EXPECT_EQ(session_->FindUIStateAttribute(GFeatureIds::kCustomPaperMedium), label);
  GMedia* again = view.FindMedia(kLabelPaper, 0, 600, 600);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(session_->GetUIState()->GetEntryCount(), 1) << "the previous medium was replaced";
  EXPECT_EQ(label->GetYResolution(), 300) << "and stays readable for whoever holds it";
  EXPECT_EQ(session_->FindUIStateAttribute(GFeatureIds::kCustomPaperMedium), again);
  EXPECT_EQ(view.FindMedia(kLabelPaper, 0, 600, 600), again) << "an equal medium is kept";
  EXPECT_TRUE(session_->GetChangeLog().empty());

  // 17383 is custom too, but unknown: Letter of the pool, and the paper
  // size goes to Letter as a logged change.
  ASSERT_EQ(Set(kPaperSize, 17383), 1);
  session_->BeginUpdate(nullptr);
  GMedia* unknown = view.FindMediaForResolution(17383, 0, 600);
  ASSERT_NE(unknown, nullptr);
  EXPECT_EQ(unknown->GetPaperId(), 1);
  EXPECT_EQ(ValueOf(kPaperSize), 1);
  EXPECT_EQ(ChangedIds(), std::vector<int32_t>{kPaperSize});
  session_->EndUpdate();

  EXPECT_EQ(GSettingsView(settings_->FindById(kJob)).FindMedia(1, 0, 600, 600), nullptr) << "no pool in view";
}

TEST_F(GSettingsViewTest, WithoutACustomPaperListNoCustomMediumIsMade) {
  delete settings_->RemoveChildById(GFeatureIds::kCustomPaperList);
  EXPECT_EQ(session_->MakeCustomMedia(kLabelPaper, 600, 600), nullptr);
  GMedia* medium = session_->GetSettingsView().FindMedia(kLabelPaper, 0, 600, 600);
  ASSERT_NE(medium, nullptr);
  EXPECT_EQ(medium->GetPaperId(), 1);
  EXPECT_TRUE(session_->GetChangeLog().empty()) << "the paper size is left alone";
}

}  // namespace
}  // namespace uisession
