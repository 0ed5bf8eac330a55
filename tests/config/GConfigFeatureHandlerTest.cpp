#include "config/GConfigFeatureHandler.h"

#include <gtest/gtest.h>

#include <climits>

#include "config/GDMCLibrary.h"
#include "support/ConfigTestSupport.h"

namespace {

using qvtest::FakeDMC;
using qvtest::MakeGroup;
using qvtest::ValueIn;
using qvtest::ValuesOf;

// A handler made of nothing but the shared mechanics, on 362/700 with a
// table where a value and a text each appear twice.
const GOptionRow kRows[] = {{0, u"Off"}, {1, u"On"}, {1, u"Yes"}, {2, u"On"}, {3, u"Three"}, {3, u"Drei"}};

class ProbeHandler : public GConfigFeatureHandler {
 public:
  ProbeHandler(GDMCLibrary* library, GChangeRule rule, bool strict, size_t bytes = kTextBytes)
      : GConfigFeatureHandler(library), rule_(rule), strict_(strict), bytes_(bytes) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override {
    GDMCTextBuffer buffer(bytes_);
    const int result = ImportTable(settings, changes, 362, 700, u"printing/Probe", kRows, 6, bytes_, rule_);
    CheckLock(settings, u"printing/Probe", 700, buffer, acceptAny);
    return result;
  }
  int Export(GAttributeComposite* settings) override {
    return ExportTable(settings, 362, 700, u"printing/Probe", kRows, 6, strict_);
  }
  bool acceptAny = false;

 private:
  GChangeRule rule_;
  bool strict_;
  size_t bytes_;
};

class FeatureHandlerTest : public qvtest::ConfigLibraryTest {
 protected:
  void SetUp() override {
    ConfigLibraryTest::SetUp();
    InstallLibrary();
    library = std::make_unique<GDMCLibrary>();
    root = std::make_unique<GAttributeComposite>();
    root->AddChild(MakeGroup(362, {{700, 9}}));
    GAttributeComposite* preferences = MakeGroup(366);
    preferences->AddChild(MakeGroup(1102));
    root->AddChild(preferences);
    const int32_t changesId = 1101;
    changes = std::make_unique<GAttributeComposite>(&changesId);
  }
  GAttributeComposite* Locked() {
    return dynamic_cast<GAttributeComposite*>(root->FindById(366)->FindById(1102));
  }

  std::unique_ptr<GDMCLibrary> library;
  std::unique_ptr<GAttributeComposite> root;
  std::unique_ptr<GAttributeComposite> changes;
};

TEST_F(FeatureHandlerTest, ImportTakesTheFirstRowOfTheText) {
  struct Case {
    std::u16string option;
    int result;
    int16_t value;
  } cases[] = {
      {u"Off", 1, 0}, {u"On", 1, 1}, {u"Yes", 1, 1}, {u"Drei", 1, 3}, {u"on", 0, 9}, {u"", 0, 9}, {u"Maybe", 0, 9},
  };
  for (const Case& c : cases) {
    ValueIn(root.get(), 362, 700)->SetValue(9);
    qvtest::SetDMCFeature(u"printing/Probe", c.option);
    ProbeHandler handler(library.get(), GChangeRule::kNone, false);
    EXPECT_EQ(handler.Import(root.get(), changes.get()), c.result);
    EXPECT_EQ(ValueIn(root.get(), 362, 700)->GetValue(), c.value);
  }
}

TEST_F(FeatureHandlerTest, ImportWithoutAttributeOrKnownPathAsksNothingOrGivesZero) {
  ProbeHandler handler(library.get(), GChangeRule::kCopy, false);
  // The path is unknown to the library.
  EXPECT_EQ(handler.Import(root.get(), changes.get()), 0);
  EXPECT_EQ(ValueIn(root.get(), 362, 700)->GetValue(), 9);

  // The attribute is missing: the library is not asked for the option.
  qvtest::SetDMCFeature(u"printing/Probe", u"On");
  GAttributeComposite empty;
  FakeDMC().calls.clear();
  EXPECT_EQ(handler.Import(&empty, changes.get()), 0);
  EXPECT_EQ(std::count(FakeDMC().calls.begin(), FakeDMC().calls.end(), "DMCGet"), 0);
  EXPECT_EQ(changes->GetEntryCount(), 0);
}

TEST_F(FeatureHandlerTest, ChangeRulesRecordCopiesNewValuesOrNothing) {
  qvtest::SetDMCFeature(u"printing/Probe", u"Three");
  {
    ProbeHandler handler(library.get(), GChangeRule::kNone, false);
    ASSERT_EQ(handler.Import(root.get(), changes.get()), 1);
    EXPECT_EQ(changes->GetEntryCount(), 0);
  }
  {
    ProbeHandler handler(library.get(), GChangeRule::kCopy, false);
    ASSERT_EQ(handler.Import(root.get(), changes.get()), 1);
    ASSERT_EQ(changes->GetEntryCount(), 1);
    // A copy, not the settings' own attribute.
    EXPECT_NE(changes->ChildAt(0), ValueIn(root.get(), 362, 700));
  }
  {
    ProbeHandler handler(library.get(), GChangeRule::kNew, false);
    ASSERT_EQ(handler.Import(root.get(), changes.get()), 1);
  }
  EXPECT_EQ(ValuesOf(changes.get()), (std::vector<std::pair<int32_t, int16_t>>{{700, 3}, {700, 3}}));
}

TEST_F(FeatureHandlerTest, ExportWritesTheFirstTextOfTheValue) {
  struct Case {
    int16_t value;
    int result;
    std::vector<std::u16string> exports;
  } cases[] = {
      {1, 1, {u"printing/Probe=On"}},
      {3, 1, {u"printing/Probe=Three"}},
      {2, 1, {u"printing/Probe=On"}},
      {7, 0, {}},
  };
  for (const Case& c : cases) {
    FakeDMC().exports.clear();
    ValueIn(root.get(), 362, 700)->SetValue(c.value);
    ProbeHandler handler(library.get(), GChangeRule::kNone, false);
    EXPECT_EQ(handler.Export(root.get()), c.result);
    EXPECT_EQ(Exports(), c.exports);
  }
}

TEST_F(FeatureHandlerTest, StrictExportAnswersTheLibraryAndTriesTheNextRow) {
  ValueIn(root.get(), 362, 700)->SetValue(1);
  FakeDMC().refusedExports = {u"printing/Probe=On"};
  ProbeHandler loose(library.get(), GChangeRule::kNone, false);
  EXPECT_EQ(loose.Export(root.get()), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{u"printing/Probe=On"}));

  FakeDMC().exports.clear();
  ProbeHandler strict(library.get(), GChangeRule::kNone, true);
  EXPECT_EQ(strict.Export(root.get()), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{u"printing/Probe=On", u"printing/Probe=Yes"}));

  FakeDMC().exports.clear();
  FakeDMC().refusedExports = {u"printing/Probe=On", u"printing/Probe=Yes"};
  EXPECT_EQ(strict.Export(root.get()), 0);
}

TEST_F(FeatureHandlerTest, LockCheckMarksTheFeatureForTrueOnly) {
  struct Case {
    std::u16string lock;
    int answer;
    bool acceptAny;
    bool locked;
  } cases[] = {
      {u"TRUE", 1, false, true}, {u"true", 1, false, true},  {u"True", 1, false, false},
      {u"FALSE", 1, false, false}, {u"TRUE", 2, false, false}, {u"TRUE", 2, true, true},
      {u"TRUE", 0, true, false},
  };
  for (const Case& c : cases) {
    Locked()->RemoveAllChildren();
    FakeDMC().lockAnswer = c.answer;
    // The option itself is not recognised: the lock is checked anyway and
    // the result stays 0.
    qvtest::SetDMCFeature(u"printing/Probe", u"Unknown", {{u"lock", c.lock}});
    ProbeHandler handler(library.get(), GChangeRule::kNone, false);
    handler.acceptAny = c.acceptAny;
    EXPECT_EQ(handler.Import(root.get(), changes.get()), 0);
    if (c.locked) {
      EXPECT_EQ(ValuesOf(Locked()), (std::vector<std::pair<int32_t, int16_t>>{{0, 700}}));
    } else {
      EXPECT_EQ(Locked()->GetEntryCount(), 0);
    }
  }
}

TEST_F(FeatureHandlerTest, LockCheckWithoutTheListChangesNothing) {
  qvtest::SetDMCFeature(u"printing/Probe", u"On", {{u"lock", u"TRUE"}});
  delete root->RemoveChildById(366);
  ProbeHandler handler(library.get(), GChangeRule::kNone, false);
  EXPECT_EQ(handler.Import(root.get(), changes.get()), 1);
}

TEST_F(FeatureHandlerTest, BuffersHandedToTheLibraryHaveTheirDocumentedSizeAndAreBlank) {
  qvtest::SetDMCFeature(u"printing/Probe", u"On", {{u"lock", u"FALSE"}});
  for (size_t bytes : {510u, 256u, 128u, 64u}) {
    FakeDMC().buffers.clear();
    ProbeHandler handler(library.get(), GChangeRule::kNone, false, bytes);
    handler.Import(root.get(), changes.get());
    ASSERT_EQ(FakeDMC().buffers.size(), 2u);
    for (const auto& seen : FakeDMC().buffers) {
      EXPECT_EQ(seen.capacityUnits, bytes / 2) << seen.entry;
      EXPECT_TRUE(seen.blankFilled) << seen.entry;
    }
  }
}

TEST_F(FeatureHandlerTest, LongOptionTextsAreCutByTheLibrary) {
  // 255 characters do not fit a 510-byte buffer: the library cuts the text
  // and it matches nothing.
  qvtest::SetDMCFeature(u"printing/Probe", std::u16string(255, u'O'));
  ProbeHandler handler(library.get(), GChangeRule::kNone, false);
  EXPECT_EQ(handler.Import(root.get(), changes.get()), 0);
}

TEST(ParseNumberTest, ReadsLikeTheRuntimeConversion) {
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {
      {"42", 42},          {"  -15", -15},          {"+7x", 7},          {"\t9 ", 9},    {"", 0},
      {"abc", 0},          {"- 5", 0},              {"65536", 65536},    {"0", 0},       {"99999999999", INT32_MAX},
      {"-99999999999", INT32_MIN},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GConfigFeatureHandler::ParseNumber(c.text, 64), c.value) << c.text;
  }
  // The read stops at the buffer's end even without a terminator.
  const char unterminated[3] = {'1', '2', '3'};
  EXPECT_EQ(GConfigFeatureHandler::ParseNumber(unterminated, 2), 12);
}

}  // namespace
