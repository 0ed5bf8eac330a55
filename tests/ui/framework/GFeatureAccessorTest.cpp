// Feature accessors over a UI session: keyed reads and writes of the sheet
// settings with their change logging, availability and access, and range
// accessors bounded by the device model.
#include "ui/framework/GFeatureAccessor.h"

#include <gtest/gtest.h>

#include "model/GConfiguration.h"
#include "model/GPeripheral.h"
#include "support/UISessionFixture.h"
#include "ui/framework/GUIRule.h"

namespace uisession {
namespace {

constexpr int32_t kFeatureAccessorMissing = 999;
constexpr int32_t kDuplexAvailability = 0x4000001C;
constexpr int32_t kDuplexReason = 0x4000001D;

using FeatureAccessorTest = UISessionTest;

struct KeyedCase {
  const char* name;
  int32_t id;
  int16_t before;  // GetValue before the write
  int16_t write;
  int setResult;
  int16_t after;   // GetValue after the write
  int changed;     // HasChanged after the write
};

TEST_F(FeatureAccessorTest, KeyedReadsAndWritesThroughTheSettings) {
  const KeyedCase cases[] = {
      {"value in the job group", kCopies, 1, 3, 1, 3, 1},
      {"equal value", kOrientation, 0, 0, 1, 0, 0},
      {"value in a nested group", kNestedValue, 5, -2, 1, -2, 1},
      {"missing feature", kFeatureAccessorMissing, 0, 7, 0, 0, 0},
      {"text feature", kJobName, 0, 7, 0, 0, 0},
      {"range feature", kMemory, 0, 7, 0, 0, 0},
      {"missing UI-state key", kDuplexAvailability, 0, 1, 0, 0, 0},
  };
  for (const KeyedCase& c : cases) {
    SCOPED_TRACE(c.name);
    session_->BeginUpdate(nullptr);
    GKeyedFeatureAccessor accessor(session_.get(), &c.id);
    EXPECT_EQ(accessor.GetFeatureId(), c.id);
    EXPECT_EQ(accessor.GetValue(), c.before);
    EXPECT_EQ(accessor.SetValue(c.write), c.setResult);
    EXPECT_EQ(accessor.GetValue(), c.after);
    EXPECT_EQ(accessor.HasChanged(), c.changed);
    // Only a real change reaches the changed ids that drive revalidation.
    const std::vector<int32_t> changed = ChangedIds();
    EXPECT_EQ(changed.empty() ? 0 : 1, c.changed);
    if (c.changed != 0) {
      EXPECT_EQ(changed.front(), c.id);
    }
    session_->EndUpdate();
  }
}

TEST_F(FeatureAccessorTest, HasChangedLastsForOneUpdateCycle) {
  GKeyedFeatureAccessor copies(session_.get(), &kCopies);
  GKeyedFeatureAccessor orientation(session_.get(), &kOrientation);
  session_->BeginUpdate(nullptr);
  EXPECT_EQ(copies.SetValue(2), 1);
  session_->BeginUpdate(nullptr);  // nested: the log stays
  EXPECT_EQ(copies.HasChanged(), 1);
  EXPECT_EQ(orientation.HasChanged(), 0);
  session_->EndUpdate();
  EXPECT_EQ(copies.HasChanged(), 1);
  session_->EndUpdate();
  // The next outermost cycle starts with an empty log.
  session_->BeginUpdate(nullptr);
  EXPECT_EQ(copies.HasChanged(), 0);
  EXPECT_EQ(copies.GetValue(), 2);
  session_->EndUpdate();
}

TEST_F(FeatureAccessorTest, AWriteCanBeUndone) {
  GKeyedFeatureAccessor copies(session_.get(), &kCopies);
  session_->BeginUpdate(nullptr);
  copies.SetValue(4);
  copies.SetValue(9);
  session_->UndoChanges();
  EXPECT_EQ(copies.GetValue(), 1);
  EXPECT_EQ(copies.HasChanged(), 0);
  session_->EndUpdate();
}

// A rule's availability key lives in the UI state; an accessor reads it
// through the settings (depth first), 0 while no rule has set it.
class DuplexRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  void OnChange(const std::list<int32_t>&, int) override {
    RaiseValue(&kDuplexAvailability, 2);
    session_->GetUIStateView().SetInt(&kDuplexReason, 5116);
  }
};

class DuplexAccessor : public GKeyedFeatureAccessor {
 public:
  explicit DuplexAccessor(GUISession* session) : GKeyedFeatureAccessor(session, &kDuplex) {}
  int16_t GetAvailability() override { return ReadValue(&kDuplexAvailability); }
};

TEST_F(FeatureAccessorTest, AvailabilityComesFromTheRulesKeys) {
  GFeatureAccessor plain(session_.get());
  DuplexAccessor duplex(session_.get());
  EXPECT_EQ(plain.GetAvailability(), 0);
  EXPECT_EQ(duplex.GetAvailability(), 0);
  EXPECT_EQ(duplex.ReadValue(&kDuplexReason), 0);
  EXPECT_EQ(duplex.ReadValue(nullptr), 0);
  session_->AddRule(new DuplexRule(session_.get()));
  session_->Revalidate(1);
  EXPECT_EQ(duplex.GetAvailability(), 2);
  EXPECT_EQ(duplex.ReadValue(&kDuplexReason), 5116);
  // The feature itself is still read and written as usual.
  EXPECT_EQ(duplex.SetValue(1), 1);
  EXPECT_EQ(duplex.GetValue(), 1);
}

TEST_F(FeatureAccessorTest, AccessIsTheSheetsFlagsMaskedWithThree) {
  struct {
    int flags;
    int access;
  } const cases[] = {
      {0, 0},
      {GUIAccess::kNoPrinterChanges, 1},
      {GUIAccess::kChangesAllowed, 2},
      {GUIAccess::kNoPrinterChanges | GUIAccess::kChangesAllowed, 3},
      // Per-user mode does not lift the missing permission of an accessor.
      {GUIAccess::kNoPrinterChanges | GUIAccess::kPerUser, 1},
      {GUIAccess::kNoPrinterChanges | GUIAccess::kChangesAllowed | GUIAccess::kPerUser | GUIAccess::kPerUserNT5, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    data_.accessFlags = c.flags;
    GFeatureAccessor plain(session_.get());
    GKeyedFeatureAccessor keyed(session_.get(), &kCopies);
    GRangeFeatureAccessor range(session_.get(), &kCopies, &kMemory);
    EXPECT_EQ(plain.GetAccess(), c.access);
    EXPECT_EQ(keyed.GetAccess(), c.access);
    EXPECT_EQ(range.GetAccess(), c.access);
  }
}

TEST_F(FeatureAccessorTest, WithoutASessionNothingIsReadOrWritten) {
  GKeyedFeatureAccessor keyed(nullptr, &kCopies);
  GRangeFeatureAccessor range(nullptr, &kCopies, &kMemory);
  GKeyedFeatureAccessor unbound(session_.get(), nullptr);
  EXPECT_EQ(keyed.GetValue(), 0);
  EXPECT_EQ(keyed.SetValue(3), 0);
  EXPECT_EQ(keyed.HasChanged(), 0);
  EXPECT_EQ(keyed.GetAccess(), 0);
  EXPECT_EQ(keyed.ReadValue(&kCopies), 0);
  EXPECT_EQ(range.GetMaximum(), 0);
  EXPECT_EQ(unbound.GetFeatureId(), 0);
  EXPECT_EQ(unbound.GetValue(), 0);
  EXPECT_EQ(unbound.SetValue(3), 0);
  EXPECT_EQ(ValueOf(kCopies), 1);
}

class TestPrinter : public GPeripheral {
 public:
  using GPeripheral::GPeripheral;
  TestPrinter* CreateSameKind() const override { return new TestPrinter; }
  TestPrinter* Clone() const override { return new TestPrinter(*this); }
  int16_t ApplyTo(GPeripheral*) override { return 0; }
};

// A printer whose configuration is the device model of the session.
class ModelAccessorTest : public UISessionTest {
 protected:
  void SetUp() override {
    UISessionTest::SetUp();
    const int32_t configurationId = 198;
    auto* configuration = new GConfiguration(configurationId);
    configuration->AddChild(Group(359, {new GRangeAttribute(100, 3200, 50, 800, &kMemoryRange),
                                        new GRangeAttribute(-5, 5, 1, 0, &kShiftRange), Value(kPlainValue, 12)}));
    const int32_t printerId = 76;
    printer_ = std::make_unique<TestPrinter>(RWCString("Test printer"), nullptr, configuration, &printerId, 64,
                                             kAddOnNone, kNoAddOns);
    session_.reset();
    data_.printer = printer_.get();
    session_ = std::make_unique<GUISession>(&data_);
  }
  void TearDown() override {
    session_.reset();
    printer_.reset();
    UISessionTest::TearDown();
  }

  static constexpr int32_t kMemoryRange = 307;
  static constexpr int32_t kShiftRange = 420;
  static constexpr int32_t kPlainValue = 421;
  std::unique_ptr<GPeripheral> printer_;
};

TEST_F(ModelAccessorTest, RangeMembersComeFromTheModel) {
  struct {
    const char* name;
    int32_t rangeId;
    int16_t maximum, minimum, step, value;
  } const cases[] = {
      {"memory range", kMemoryRange, 3200, 100, 50, 800},
      {"negative bounds", kShiftRange, 5, -5, 1, 0},
      // Missing or not a range: 0, not the largest short.
      {"missing range", kFeatureAccessorMissing, 0, 0, 0, 0},
      {"value attribute", kPlainValue, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GRangeFeatureAccessor accessor(session_.get(), &kCopies, &c.rangeId);
    EXPECT_EQ(accessor.GetRangeId(), c.rangeId);
    EXPECT_EQ(accessor.GetMaximum(), c.maximum);
    EXPECT_EQ(accessor.GetMinimum(), c.minimum);
    EXPECT_EQ(accessor.GetStep(), c.step);
    EXPECT_EQ(accessor.GetRangeValue(), c.value);
  }
}

TEST_F(ModelAccessorTest, TheValueIsTheSettingsNotTheModels) {
  // The model's range bounds what the accessor writes; the write goes to the
  // settings.
  GRangeFeatureAccessor accessor(session_.get(), &kCopies, &kMemoryRange);
  session_->BeginUpdate(nullptr);
  EXPECT_EQ(accessor.GetValue(), 1);
  EXPECT_EQ(accessor.SetValue(accessor.GetMaximum()), 1);
  EXPECT_EQ(ValueOf(kCopies), 3200);
  EXPECT_EQ(accessor.HasChanged(), 1);
  session_->EndUpdate();
  // The model is never written.
  int16_t maximum = 0;
  EXPECT_EQ(session_->GetModelView().GetRangeMaximum(&kMemoryRange, &maximum), 1);
  EXPECT_EQ(maximum, 3200);
}

TEST_F(FeatureAccessorTest, RangeAccessorWithoutAModelReadsZero) {
  GRangeFeatureAccessor accessor(session_.get(), &kCopies, &kMemory);
  // The settings hold a range 307, but the bounds come from the model only.
  EXPECT_EQ(accessor.GetMaximum(), 0);
  EXPECT_EQ(accessor.GetMinimum(), 0);
  EXPECT_EQ(accessor.GetStep(), 0);
  EXPECT_EQ(accessor.GetRangeValue(), 0);
  EXPECT_EQ(accessor.GetValue(), 1);
}

}  // namespace
}  // namespace uisession
