#include "model/GCommandComposite.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "model/GPassThroughCommand.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"

namespace {

class CountingCommand : public GCommand {
 public:
  static inline int live = 0;
  CountingCommand() : GCommand(nullptr) { ++live; }
  CountingCommand(const CountingCommand& other) : GCommand(other) { ++live; }
  ~CountingCommand() override { --live; }
  CountingCommand* CreateSameKind() const override { return new CountingCommand; }
  CountingCommand* Clone() const override { return new CountingCommand(*this); }
  int16_t Dispatch(GPeripheral*) override { return 9; }
  void PinResources() override { ++pins; }
  int pins = 0;
};

TEST(GCommandCompositeTest, HoldsCommandsInOrderAndRefusesAnythingElse) {
  auto composite = std::make_unique<GCommandComposite>();
  EXPECT_EQ(composite->ClassId(), 605);
  EXPECT_TRUE(composite->DerivesFrom(605));
  EXPECT_TRUE(composite->DerivesFrom(601));
  EXPECT_TRUE(composite->DerivesFrom(751));
  EXPECT_EQ(composite->FeatureId(), 0);

  auto* first = new CountingCommand;
  auto* second = new CountingCommand;
  composite->AddChild(first);
  composite->AddChild(new GValueAttribute(1, nullptr));  // not a command: deleted (ASan sees a leak otherwise)
  composite->AddChild(nullptr);
  composite->AddChild(second);
  composite->AddChild(composite.get());
  ASSERT_EQ(composite->GetEntryCount(), 2);
  EXPECT_EQ(composite->MemberAt(0), first);
  EXPECT_EQ(composite->MemberAt(1), second);
  EXPECT_EQ(composite->MemberAt(2), nullptr);
  ASSERT_NE(composite->AsComposite(), nullptr);

  std::unique_ptr<MPersistentIterator> it(composite->CreateIterator());
  ASSERT_TRUE(it->Advance());
  EXPECT_EQ(it->Current(), first);

  composite->PinResources();
  EXPECT_EQ(first->pins, 1);
  EXPECT_EQ(second->pins, 1);
  // The composite does not dispatch its members.
  EXPECT_EQ(composite->Dispatch(nullptr), 0);

  // A clone shares the members; they die with the last holder.
  std::unique_ptr<GCommandComposite> clone(composite->Clone());
  EXPECT_EQ(clone->MemberAt(0), first);
  EXPECT_TRUE(clone->Matches(composite.get()));
  const int before = CountingCommand::live;
  composite.reset();
  EXPECT_EQ(CountingCommand::live, before);
  clone.reset();
  EXPECT_EQ(CountingCommand::live, before - 2);
}

TEST(GPassThroughCommandTest, BorrowsUntilMadeOwned) {
  char bytes[] = "\x1b&l2A";
  GPassThroughCommand command(reinterpret_cast<const uint8_t*>(bytes), 5, 788, nullptr);
  EXPECT_EQ(command.ClassId(), 608);
  EXPECT_TRUE(command.DerivesFrom(601));
  EXPECT_EQ(command.GetTargetClassId(), 788);
  EXPECT_EQ(command.GetLength(), 5);
  EXPECT_FALSE(command.IsDataOwned());
  EXPECT_EQ(command.GetData(), reinterpret_cast<const uint8_t*>(bytes));

  GPassThroughCommand borrowedCopy(command);
  ASSERT_EQ(command.MakeDataOwned(), 1);
  EXPECT_TRUE(command.IsDataOwned());
  EXPECT_NE(command.GetData(), reinterpret_cast<const uint8_t*>(bytes));
  const uint8_t* owned = command.GetData();
  EXPECT_EQ(command.MakeDataOwned(), 1);
  EXPECT_EQ(command.GetData(), owned);

  // The caller's buffer may change or go away now.
  std::memset(bytes, 'x', 5);
  EXPECT_EQ(std::memcmp(command.GetData(), "\x1b&l2A", 5), 0);

  // Copies borrow the bytes; equal bytes with different ownership differ.
  GPassThroughCommand copy(command);
  EXPECT_FALSE(copy.IsDataOwned());
  EXPECT_EQ(copy.GetData(), command.GetData());
  EXPECT_FALSE(copy.Matches(&command));
  ASSERT_EQ(copy.MakeDataOwned(), 1);
  EXPECT_TRUE(copy.Matches(&command));
  GPassThroughCommand other(reinterpret_cast<const uint8_t*>("\x1b&l2B"), 5, 788, nullptr);
  ASSERT_EQ(other.MakeDataOwned(), 1);
  EXPECT_FALSE(other.Matches(&command));
  EXPECT_FALSE(borrowedCopy.IsDataOwned());
}

}  // namespace
