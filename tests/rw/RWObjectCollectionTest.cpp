#include <gtest/gtest.h>

#include <vector>

#include "support/CollectableTestItems.h"
#include "rw/RWHashTable.h"
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
  clones.RemoveAndDeleteAll();
  EXPECT_EQ(Item::Live(), before);

  // A set refuses clones equal to what it holds; those are deleted at once.
  RWSet set;
  set.Add(&items[0]);
  list.AddClonesTo(set);
  EXPECT_EQ(set.Count(), 4u);
  EXPECT_EQ(set.FindEqual(&items[0]), &items[0]);
  EXPECT_EQ(Item::Live(), before + 3);
  set.RemoveEqual(&items[0]);
  set.RemoveAndDeleteAll();
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

// The generic delete-all deletes each distinct object once, however often
// it is held, and leaves the collection empty.
TEST(RemoveAndDeleteAll, DeletesEachObjectOnce) {
  int before = Item::Live();
  auto* a = new Item(1);
  auto* b = new Item(2);
  auto* b2 = new Item(2);  // equal to b, another object: deleted as well

  RWSlistCollectables list;
  for (RWCollectable* e : {static_cast<RWCollectable*>(a), static_cast<RWCollectable*>(b),
                           static_cast<RWCollectable*>(a), static_cast<RWCollectable*>(b2)})
    list.Add(e);
  list.Add(nullptr);
  list.RemoveAndDeleteAll();
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(Item::Live(), before);

  RWHashTable bag(4);
  auto* c = new Item(3);
  bag.Add(c);
  bag.Add(c);
  bag.Add(new Item(3));
  bag.RemoveAndDeleteAll();
  EXPECT_TRUE(bag.IsEmpty());
  EXPECT_EQ(Item::Live(), before);

  RWSlistCollectablesStack stack;
  auto* d = new Item(4);
  stack.Add(d);
  stack.Add(d);
  stack.RemoveAndDeleteAll();
  EXPECT_TRUE(stack.IsEmpty());
  EXPECT_EQ(Item::Live(), before);

  RWSlistCollectables empty;
  empty.RemoveAndDeleteAll();
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(RemoveAndDeleteAll, SetsDeleteTheirElements) {
  int before = Item::Live();
  RWSet set(4);
  set.Add(new Item(1));
  set.Add(new Item(2));
  RWIdentitySet identity(4);
  identity.Add(new Item(1));
  identity.Add(new Item(1));
  EXPECT_EQ(Item::Live(), before + 4);
  set.RemoveAndDeleteAll();
  identity.RemoveAndDeleteAll();
  EXPECT_TRUE(set.IsEmpty());
  EXPECT_TRUE(identity.IsEmpty());
  EXPECT_EQ(Item::Live(), before);
}

}  // namespace
