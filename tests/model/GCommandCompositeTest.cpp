#include "model/GCommandComposite.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include <memory>

#include "model/GDownloadHeaderCommand.h"
#include "model/GPassThroughCommand.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "support/ModelRoundTrip.h"

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

// The header kinds of the members, in iteration order.
std::vector<int32_t> Kinds(GCommandComposite& composite) {
  std::vector<int32_t> kinds;
  std::unique_ptr<MPersistentIterator> it(composite.CreateIterator());
  while (it->Advance()) {
    auto* header = dynamic_cast<GDownloadHeaderCommand*>(it->Current());
    kinds.push_back(header != nullptr ? header->GetHeaderKind() : -1);
  }
  return kinds;
}

TEST(GCommandCompositeTest, KeepsTheOrderAndMarksItselfModifiedOnlyWhenItChanges) {
  GCommandComposite composite;
  for (int kind : {1, 2, 3}) composite.AddChild(new GDownloadHeaderCommand(kind, &kind));
  composite.PrependChild(new GDownloadHeaderCommand(4, nullptr));
  composite.PrependChild(new GState);  // not a command: deleted, nothing changes
  EXPECT_EQ(Kinds(composite), (std::vector<int32_t>{4, 1, 2, 3}));
  EXPECT_EQ(composite.GetEntryCount(), 4);
  EXPECT_TRUE(composite.IsModified());

  struct Step {
    const char* name;
    std::function<int()> run;  // 1 when the step reports a change
    bool changes;
  };
  const int32_t two = 2;
  GDownloadHeaderCommand five(5, &two);
  GState notACommand;
  const Step steps[] = {
      {"remove by missing id", [&] { return composite.RemoveChildById(99) != nullptr ? 1 : 0; }, false},
      {"replace by missing class", [&] { return composite.ReplaceChildByClass(608, &five); }, false},
      {"replace with a non-command", [&] { return composite.ReplaceChildById(two, &notACommand); }, false},
      {"replace by id", [&] { return composite.ReplaceChildById(two, &five); }, true},
      {"remove by class", [&] {
         std::unique_ptr<MPersistentObject> removed(composite.RemoveChildByClass(610));
         return removed != nullptr ? 1 : 0;
       }, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    composite.SetModified(0);
    EXPECT_EQ(step.run(), step.changes ? 1 : 0);
    EXPECT_EQ(composite.IsModified(), step.changes ? 1 : 0);
  }
  EXPECT_EQ(Kinds(composite), (std::vector<int32_t>{1, 5, 3}));
  EXPECT_NE(composite.FindByClass(610), nullptr);
  EXPECT_EQ(composite.GetNodeCount(), 4);
}

TEST(GCommandCompositeTest, NeverContainsItself) {
  auto* outer = new GCommandComposite;
  GCountedPtr holdOuter(outer);
  auto* inner = new GCommandComposite;
  auto* innermost = new GCommandComposite;
  inner->AddChild(innermost);
  outer->AddChild(inner);
  // Each of these would close a cycle: refused, and left to their holders.
  innermost->AddChild(outer);
  innermost->PrependChild(inner);
  inner->AddChild(inner);
  EXPECT_EQ(innermost->ReplaceChild(nullptr, outer), 0);
  EXPECT_EQ(innermost->GetEntryCount(), 0);
  EXPECT_EQ(inner->GetEntryCount(), 1);
  GCommandComposite copyOfInner(*inner);
  *innermost = copyOfInner;  // would hold itself through the copy's members
  EXPECT_EQ(innermost->GetEntryCount(), 0);
  // A composite held inside a sibling is fine.
  auto* sibling = new GCommandComposite;
  sibling->AddChild(new GDownloadHeaderCommand(1, nullptr));
  outer->AddChild(sibling);
  innermost->AddChild(sibling);
  EXPECT_EQ(innermost->GetEntryCount(), 1);
  qvtest::ExpectRoundTripsInAllForms(*outer);
}

TEST(GCommandCompositeTest, RoundTripsInEveryFormAndComesBackUnmodified) {
  GCommandComposite composite;
  composite.SetSettings(new GState);
  auto* shared = new GDownloadHeaderCommand(19, nullptr);
  composite.AddChild(shared);
  auto* inner = new GCommandComposite;
  inner->AddChild(shared);
  composite.AddChild(inner);
  ASSERT_TRUE(composite.IsModified());
  qvtest::ExpectRoundTripsInAllForms(composite);
  qvtest::ExpectStoredByteCountIsWritten(composite);
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&composite, form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* restored = dynamic_cast<GCommandComposite*>(read.object);
    ASSERT_NE(restored, nullptr);
    EXPECT_FALSE(restored->IsModified());
    ASSERT_EQ(restored->GetEntryCount(), 2);
    auto* restoredInner = dynamic_cast<GCommandComposite*>(restored->MemberAt(1));
    ASSERT_NE(restoredInner, nullptr);
    EXPECT_EQ(restoredInner->MemberAt(0), restored->MemberAt(0)) << "a shared member stays shared";
  }
}

TEST(GCommandCompositeTest, DamagedStoredFormsFailCleanly) {
  GCommandComposite composite;
  composite.AddChild(new GDownloadHeaderCommand(19, nullptr));
  composite.AddChild(new GDownloadHeaderCommand(2, nullptr));
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&composite, form);
    const size_t step = form == qvtest::ModelForm::kPortableText ? 5 : 1;
    for (size_t cut = 0; cut < bytes.size(); cut += step) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, cut), form);
      EXPECT_EQ(read.object, nullptr) << cut;
      delete read.object;
    }
  }
  // A huge number written over every 4 bytes in turn (the member count
  // among them): each read ends, bounded by what the input holds.
  const std::string bytes = qvtest::SaveInForm(&composite, qvtest::ModelForm::kFile);
  for (size_t at = 0; at + 4 <= bytes.size(); ++at) {
    std::string damaged = bytes;
    damaged.replace(at, 4, std::string("\xFF\xFF\xFF\x7F", 4));
    qvtest::ModelRead read = qvtest::RestoreFromForm(damaged, qvtest::ModelForm::kFile);
    delete read.object;
  }

  // A member that is not a command, put in past the composite's own checks.
  GCommandComposite damaged;
  damaged.AsComposite()->AddChild(new GState);
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead bad = qvtest::RestoreFromForm(qvtest::SaveInForm(&damaged, form), form);
    EXPECT_TRUE(bad.failed);
    EXPECT_EQ(bad.object, nullptr);
    delete bad.object;
  }
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
