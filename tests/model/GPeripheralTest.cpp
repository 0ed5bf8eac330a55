// The receiver base and the command base as the model sees them: every
// receiver operation of the base does nothing and answers 0, and a command
// shares its settings.
#include <gtest/gtest.h>

#include <memory>

#include "model/GCommand.h"
#include "model/GConfiguration.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GPeripheral.h"
#include "model/GRangeAttribute.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "support/RecordingPeripheral.h"

namespace {

using GFeatureIds::kPeripheralState;
const int32_t kPlainCopies = 1;

// The base's receiver operations, nothing overridden.
class PlainPeripheral : public GPeripheral {
 public:
  using GPeripheral::GPeripheral;
  PlainPeripheral* CreateSameKind() const override { return new PlainPeripheral; }
  PlainPeripheral* Clone() const override { return new PlainPeripheral(*this); }
  int16_t ApplyTo(GPeripheral*) override { return 0; }
};

class PlainCommand : public GCommand {
 public:
  using GCommand::GCommand;
  PlainCommand* CreateSameKind() const override { return new PlainCommand(nullptr); }
  PlainCommand* Clone() const override { return new PlainCommand(*this); }
  int16_t Dispatch(GPeripheral*) override { return 0; }
};

TEST(GPeripheralTest, TheBaseReceiverOperationsDoNothingAndAnswerZero) {
  PlainPeripheral peripheral(&kPeripheralState);
  EXPECT_EQ(peripheral.ClassId(), 760);
  EXPECT_TRUE(peripheral.DerivesFrom(760));
  EXPECT_TRUE(peripheral.DerivesFrom(753));
  EXPECT_TRUE(peripheral.DerivesFrom(751));
  GValueAttribute value(2, &kPlainCopies);
  GStringAttribute text("x", &kPlainCopies);
  GEnumAttribute enumeration(&kPlainCopies);
  GRangeAttribute range(0, 9, 1, 3, &kPlainCopies);
  EXPECT_EQ(value.ApplyTo(&peripheral), 0);
  EXPECT_EQ(text.ApplyTo(&peripheral), 0);
  EXPECT_EQ(enumeration.ApplyTo(&peripheral), 0);
  EXPECT_EQ(range.ApplyTo(&peripheral), 0);
  EXPECT_EQ(peripheral.SetBrush(nullptr), 0);
  EXPECT_EQ(peripheral.ClipToRectangle(nullptr), 0);
  EXPECT_EQ(peripheral.SetSRGBExtension(nullptr), 0);
  EXPECT_EQ(peripheral.SetTray(nullptr), 0);
  EXPECT_EQ(peripheral.SetTransform(nullptr), 0);
  EXPECT_EQ(value.GetValue(), 2);
  EXPECT_EQ(range.GetValue(), 3);
}

TEST(GPeripheralTest, ACommandSharesItsSettings) {
  auto* settings = new GState(&kPeripheralState);
  PlainCommand command(settings, &kPlainCopies);
  EXPECT_EQ(command.GetSettings(), settings);
  EXPECT_EQ(settings->HolderCount(), 0);
  {
    PlainCommand copy(command);
    EXPECT_EQ(copy.GetSettings(), settings);
    EXPECT_EQ(settings->HolderCount(), 1);
    EXPECT_TRUE(copy.Matches(&command));
  }
  EXPECT_EQ(settings->HolderCount(), 0);
  // Setting the settings already held is safe.
  command.SetSettings(settings);
  EXPECT_EQ(command.GetSettings(), settings);
  command.PinResources();
  PlainCommand bare(&kPlainCopies);
  EXPECT_EQ(bare.GetSettings(), nullptr);
  EXPECT_FALSE(bare.Matches(&command));
  EXPECT_TRUE(bare.DerivesFrom(601));
  command.SetSettings(nullptr);
  EXPECT_EQ(command.GetSettings(), nullptr);
}

// ---- The peripheral's data model ----

using GFeatureIds::kProductModelNumber;
using GFeatureIds::kResolution;

TEST(GPeripheralTest, AFreshPeripheralHasItsOwnStatesAndConfiguration) {
  PlainPeripheral peripheral(&kPeripheralState);
  EXPECT_TRUE(peripheral.Name().IsEmpty());
  EXPECT_EQ(peripheral.GetMode(), 0);
  EXPECT_EQ(peripheral.GetAddOnListId(), 64);
  EXPECT_EQ(peripheral.GetAddOnKind(), 6);
  EXPECT_EQ(peripheral.GetAddOnMode(), 2);
  EXPECT_TRUE(peripheral.IsActive());
  EXPECT_EQ(peripheral.ObserverCount(), 0u);
  ASSERT_NE(peripheral.GetCurrentState(), nullptr);
  ASSERT_NE(peripheral.GetDefaultState(), nullptr);
  ASSERT_NE(peripheral.GetConfiguration(), nullptr);
  EXPECT_NE(peripheral.GetCurrentState(), peripheral.GetDefaultState());
  EXPECT_EQ(peripheral.GetCurrentState()->FeatureId(), 243);
  EXPECT_EQ(peripheral.GetDefaultState()->FeatureId(), 243);
  EXPECT_EQ(peripheral.GetConfiguration()->FeatureId(), 198);
  EXPECT_EQ(peripheral.GetConfiguration()->ClassId(), GConfigurationClassId);
}

TEST(GPeripheralTest, TheFullConstructorBuildsTheCurrentStateFromTheDefaultState) {
  auto* defaults = new GState(&kResolution);
  defaults->AddChild(new GValueAttribute(600, &kResolution));
  PlainPeripheral peripheral("Engine", defaults, nullptr, &kPeripheralState, 0, 4, 1);
  EXPECT_EQ(peripheral.GetDefaultState(), defaults);
  EXPECT_EQ(defaults->FeatureId(), 243);  // stamped
  GState* current = peripheral.GetCurrentState();
  ASSERT_NE(current, nullptr);
  EXPECT_NE(current, defaults);
  EXPECT_TRUE(current->Matches(defaults));
  ASSERT_NE(peripheral.GetConfiguration(), nullptr);  // a null configuration is replaced
  EXPECT_EQ(peripheral.Name(), RWCString("Engine"));
  EXPECT_EQ(peripheral.GetAddOnListId(), 0);
  EXPECT_EQ(peripheral.GetAddOnKind(), 4);
  EXPECT_EQ(peripheral.GetAddOnMode(), 1);
}

TEST(GPeripheralTest, ACopySharesTheStatesButIsIdleAndObservedByNobody) {
  PlainPeripheral original(&kPeripheralState);
  PlainPeripheral observer;
  original.AddObserver(&observer);
  original.SetName("Engine");
  original.EnterPage();
  original.Deactivate();
  PlainPeripheral copy(original);
  EXPECT_EQ(copy.GetCurrentState(), original.GetCurrentState());
  EXPECT_EQ(copy.GetDefaultState(), original.GetDefaultState());
  EXPECT_EQ(copy.GetConfiguration(), original.GetConfiguration());
  EXPECT_EQ(copy.GetCurrentState()->HolderCount(), 1);
  EXPECT_EQ(copy.Name(), RWCString("Engine"));
  EXPECT_FALSE(copy.IsActive());
  EXPECT_EQ(copy.GetMode(), 0);
  // The observer holds the original, not the copy: a link to it from the
  // copy would outlive the observer's bookkeeping.
  EXPECT_EQ(copy.ObserverCount(), 0u);
  // Mode differs; idle again, the two match.
  EXPECT_FALSE(copy.Matches(&original));
  original.EnterIdle();
  EXPECT_TRUE(copy.Matches(&original));
}

TEST(GPeripheralTest, MatchesComparesTheSettingsNotWhoObserves) {
  PlainPeripheral a(&kPeripheralState);
  PlainPeripheral b(&kPeripheralState);
  EXPECT_TRUE(a.Matches(&b));
  PlainPeripheral observer;
  a.AddObserver(&observer);
  EXPECT_TRUE(a.Matches(&b));
  b.GetCurrentState()->AddChild(new GStringAttribute("Model 7", &kProductModelNumber));
  EXPECT_FALSE(a.Matches(&b));
  a.GetCurrentState()->AddChild(new GStringAttribute("Model 7", &kProductModelNumber));
  EXPECT_TRUE(a.Matches(&b));
  b.SetName("other");
  EXPECT_FALSE(a.Matches(&b));
}

TEST(GPeripheralTest, DeepCopyCopiesTheStatesInsteadOfSharingThem) {
  PlainPeripheral original(&kPeripheralState);
  original.GetDefaultState()->AddChild(new GValueAttribute(600, &kResolution));
  std::unique_ptr<MPersistentObject> copy(original.DeepCopy());
  auto* peripheral = dynamic_cast<PlainPeripheral*>(copy.get());
  ASSERT_NE(peripheral, nullptr);
  EXPECT_NE(peripheral->GetDefaultState(), original.GetDefaultState());
  EXPECT_NE(peripheral->GetCurrentState(), original.GetCurrentState());
  EXPECT_NE(peripheral->GetConfiguration(), original.GetConfiguration());
  EXPECT_TRUE(peripheral->Matches(&original));
}

TEST(GPeripheralTest, RemoveObserverTakesOutOnlyTheFirstEntry) {
  PlainPeripheral peripheral;
  PlainPeripheral a;
  PlainPeripheral b;
  peripheral.AddObserver(&a);
  peripheral.AddObserver(&b);
  peripheral.AddObserver(&a);
  peripheral.RemoveObserver(&a);
  ASSERT_EQ(peripheral.ObserverCount(), 2u);
  EXPECT_EQ(peripheral.ObserverAt(0), &b);
  EXPECT_EQ(peripheral.ObserverAt(1), &a);
  peripheral.RemoveObserver(&peripheral);  // absent: nothing
  EXPECT_EQ(peripheral.ObserverCount(), 2u);
}

TEST(GPeripheralTest, ApplyToSendsEveryAttributeOfTheCurrentStateAndAnswersTheLastFailure) {
  PlainPeripheral peripheral(&kPeripheralState);
  GState* state = peripheral.GetCurrentState();
  state->AddChild(new GValueAttribute(2, &kPlainCopies));
  state->AddChild(new GStringAttribute("x", &kProductModelNumber));
  state->AddChild(new GValueAttribute(600, &kResolution));
  state->MarkAllUnchanged();  // applied regardless of the changed flags
  qvtest::RecordingPeripheral target;
  target.SetResult("SetString", 7);
  EXPECT_EQ(peripheral.GPeripheral::ApplyTo(&target), 7);
  EXPECT_EQ(target.FeatureIds(), (std::vector<int32_t>{kPlainCopies, kProductModelNumber, kResolution}));
  EXPECT_EQ(peripheral.changed, 0);
}

}  // namespace
