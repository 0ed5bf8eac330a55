#include <gtest/gtest.h>

#include <vector>

#include "rw/CollectableTestItems.h"
#include "rw/RWObjectCollection.h"
#include "rw/RWSlistCollectables.h"

namespace {

using qvtest::Item;
using qvtest::Values;
using Order = std::vector<int>;

bool IsOdd(const RWCollectable* e, const void*) { return qvtest::ValueOf(e) % 2 == 1; }

class Collections : public ::testing::Test {
 protected:
  void SetUp() override {
    for (Item& item : items) list.Add(&item);
  }
  Item items[4] = {Item(1), Item(2), Item(3), Item(4)};
  RWSlistCollectables list;
};

TEST_F(Collections, AbstractBaseReportsItsOwnClassId) {
  // A collection class that does not override ClassId reports the base id.
  struct Bare : RWSlistCollectables {
    RWClassID ClassId() const override { return RWObjectCollection::ClassId(); }
  } bare;
  EXPECT_EQ(bare.ClassId(), 0x801D);
}

TEST_F(Collections, AddAllAddToAndRemoveAllOf) {
  RWSlistCollectablesStack stack;
  stack.AddAll(list);  // pushed one by one
  EXPECT_EQ(Values(stack), (Order{4, 3, 2, 1}));
  RWSlistCollectables target;
  stack.AddTo(target);
  EXPECT_EQ(Values(target), (Order{4, 3, 2, 1}));

  // A collection used as its own source is walked once.
  list.AddAll(list);
  EXPECT_EQ(Values(list), (Order{1, 2, 3, 4, 1, 2, 3, 4}));
  Item two(2);
  RWSlistCollectables some;
  some.Add(&two);
  list.RemoveAllOf(some);
  EXPECT_EQ(Values(list), (Order{1, 3, 4, 1, 2, 3, 4}));
  list.RemoveAllOf(list);
  EXPECT_TRUE(list.IsEmpty());
}

TEST_F(Collections, AddClonesToGivesTheTargetNewObjects) {
  int before = Item::Live();
  RWSlistCollectables clones;
  list.AddClonesTo(clones);
  EXPECT_EQ(Item::Live(), before + 4);
  EXPECT_EQ(Values(clones), (Order{1, 2, 3, 4}));
  EXPECT_NE(clones.First(), list.First());
  EXPECT_TRUE(clones.IsEqual(&list));
  for (RWCollectable* clone : qvtest::Elements(clones)) delete clone;
  clones.RemoveAll();
  EXPECT_EQ(Item::Live(), before);
}

TEST_F(Collections, SelectMakesTheSameKind) {
  RWObjectCollection* odd = list.Select(&IsOdd, nullptr);
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->ClassId(), 0x8033);
  EXPECT_EQ(Values(*odd), (Order{1, 3}));
  delete odd;

  RWSlistCollectablesStack stack;
  stack.AddAll(list);
  RWObjectCollection* fromStack = stack.Select(&IsOdd, nullptr);
  EXPECT_EQ(fromStack->ClassId(), 0x8036);
  EXPECT_EQ(Values(*fromStack), (Order{1, 3}));  // pushed 3 then 1
  delete fromStack;
}

TEST_F(Collections, RemoveEqualAndDeleteDeletesWhatWasRemoved) {
  auto* five = new Item(5);
  list.Add(five);
  Item probe(5);
  int before = Item::Live();
  list.RemoveEqualAndDelete(&probe);
  EXPECT_EQ(Item::Live(), before - 1);
  EXPECT_EQ(Values(list), (Order{1, 2, 3, 4}));
  list.RemoveEqualAndDelete(&probe);  // nothing equal: nothing deleted
  EXPECT_EQ(Item::Live(), before - 1);
}

}  // namespace
