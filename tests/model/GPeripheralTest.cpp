// The receiver base and the command base as the model sees them: every
// receiver operation of the base does nothing and answers 0, and a command
// shares its settings.
#include <gtest/gtest.h>

#include <memory>

#include "model/GCommand.h"
#include "model/GEnumAttribute.h"
#include "model/GPeripheral.h"
#include "model/GRangeAttribute.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"

namespace {

const int32_t kPeripheral = 243;
const int32_t kCopies = 1;

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
  PlainPeripheral peripheral(&kPeripheral);
  EXPECT_EQ(peripheral.ClassId(), 760);
  EXPECT_TRUE(peripheral.DerivesFrom(760));
  EXPECT_TRUE(peripheral.DerivesFrom(753));
  EXPECT_TRUE(peripheral.DerivesFrom(751));
  GValueAttribute value(2, &kCopies);
  GStringAttribute text("x", &kCopies);
  GEnumAttribute enumeration(&kCopies);
  GRangeAttribute range(0, 9, 1, 3, &kCopies);
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
  auto* settings = new GState(&kPeripheral);
  PlainCommand command(settings, &kCopies);
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
  PlainCommand bare(&kCopies);
  EXPECT_EQ(bare.GetSettings(), nullptr);
  EXPECT_FALSE(bare.Matches(&command));
  EXPECT_TRUE(bare.DerivesFrom(601));
  command.SetSettings(nullptr);
  EXPECT_EQ(command.GetSettings(), nullptr);
}

}  // namespace
