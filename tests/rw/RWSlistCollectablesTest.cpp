#include <gtest/gtest.h>

#include <vector>

#include "support/CollectableTestItems.h"
#include "rw/RWSlistCollectables.h"
#include "support/ErrorCapture.h"

namespace {

using qvtest::Item;
using qvtest::Values;
using Order = std::vector<int>;

TEST(RWSlistCollectables, ClassIdentity) {
  RWSlistCollectables list;
  RWSlistCollectablesStack stack;
  EXPECT_EQ(list.ClassId(), 0x8033);
  EXPECT_EQ(RWSlistCollectables::StaticClassId(), 0x8033);
  EXPECT_EQ(stack.ClassId(), 0x8036);
  EXPECT_EQ(RWSlistCollectablesStack::StaticClassId(), 0x8036);
  RWCollectable* made = list.CreateSameKind();
  EXPECT_EQ(made->ClassId(), 0x8033);
  delete made;
  made = stack.CreateSameKind();
  EXPECT_EQ(made->ClassId(), 0x8036);
  delete made;
  made = RWSlistCollectablesCreate();
  EXPECT_EQ(made->ClassId(), 0x8033);
  delete made;
  made = RWSlistCollectablesStackCreate();
  EXPECT_EQ(made->ClassId(), 0x8036);
  delete made;
}

TEST(RWSlistCollectables, SequenceOperations) {
  Item a(1), b(2), c(3), d(4);
  RWSlistCollectables list;
  EXPECT_EQ(list.First(), nullptr);
  EXPECT_EQ(list.Last(), nullptr);
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.Add(&b), &b);
  EXPECT_EQ(list.Append(&d), &d);
  EXPECT_EQ(list.Prepend(&a), &a);
  EXPECT_EQ(list.InsertAfterIndex(1, &c), &c);
  EXPECT_EQ(Values(list), (Order{1, 2, 3, 4}));
  EXPECT_EQ(list.InsertAt(4, &a), &a);  // i == count appends
  EXPECT_EQ(Values(list), (Order{1, 2, 3, 4, 1}));
  EXPECT_EQ(list.First(), &a);
  EXPECT_EQ(list.Last(), &a);
  EXPECT_EQ(list.Count(), 5u);

  const RWSlistCollectables& constList = list;
  EXPECT_EQ(constList.At(2), &c);
  list.At(4) = &d;
  EXPECT_EQ(Values(list), (Order{1, 2, 3, 4, 4}));

  Item four(4);
  EXPECT_EQ(list.IndexOf(&four), 3);
  EXPECT_EQ(list.IndexOf(&list), -1);
  EXPECT_EQ(list.CountEqual(&four), 2u);
  EXPECT_EQ(list.FindEqual(&four), &d);
  EXPECT_TRUE(list.Contains(&four));
  EXPECT_EQ(list.RemoveEqual(&four), &d);
  EXPECT_EQ(list.RemoveEqual(&four), &d);
  EXPECT_EQ(list.RemoveEqual(&four), nullptr);
  EXPECT_FALSE(list.Contains(&four));
  EXPECT_EQ(Values(list), (Order{1, 2, 3}));
  EXPECT_EQ(list.Last(), &c);

  list.RemoveAll();
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.Last(), nullptr);
}

TEST(RWSlistCollectables, IndexErrors) {
  Item x(1);
  RWSlistCollectables list;
  list.Add(&x);
  list.Add(&x);
  // The last index is count - 1: inserting after index count is an error,
  // inserting at count appends.
  EXPECT_EQ(qvtest::RaisedText([&] { list.InsertAfterIndex(2, &x); }),
            "[INDEXERR] Illegal Index (2) for collection or string with 2 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { list.InsertAt(3, &x); }),
            "[INDEXERR] Illegal Index (3) for collection or string with 2 elements");
  const RWSlistCollectables& constList = list;
  EXPECT_EQ(qvtest::RaisedText([&] { constList.At(2); }),
            "[INDEXERR] Illegal Index (2) for collection or string with 2 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { list.At(0xFFFFFFFFu); }),
            "[NPOSINDEX] The value RW_NPOS cannot be used as an index.");
  EXPECT_EQ(list.Count(), 2u);

  qvtest::ScopedErrorCapture capture;
  EXPECT_EQ(list.InsertAfterIndex(2, &x), nullptr);
  EXPECT_EQ(list.InsertAt(3, &x), nullptr);
  EXPECT_EQ(list.Count(), 2u);
}

TEST(RWSlistCollectables, NullElementsAreStoredButMatchNothing) {
  Item a(1);
  RWSlistCollectables list;
  list.Add(nullptr);
  list.Add(&a);
  Item one(1);
  EXPECT_EQ(list.FindEqual(&one), &a);
  EXPECT_EQ(list.IndexOf(&one), 1);
  EXPECT_EQ(list.CountEqual(nullptr), 0u);
  EXPECT_EQ(list.Count(), 2u);

  RWSlistCollectables other;
  other.Add(nullptr);
  other.Add(&one);
  EXPECT_TRUE(list.IsEqual(&other));
  other.At(0) = &a;
  EXPECT_FALSE(list.IsEqual(&other));
}

TEST(RWSlistCollectables, StackPushesAndPopsAtTheHead) {
  Item a(1), b(2), c(3), d(4);
  RWSlistCollectablesStack stack;
  EXPECT_EQ(stack.RemoveEqual(&a), nullptr);  // empty
  stack.Add(&a);
  stack.Add(&b);
  stack.Add(&c);
  EXPECT_EQ(Values(stack), (Order{3, 2, 1}));
  EXPECT_EQ(stack.First(), &c);
  // Append is refused; the stack only grows at its top.
  EXPECT_EQ(stack.Append(&d), nullptr);
  EXPECT_EQ(stack.Count(), 3u);
  // A pop ignores its argument.
  EXPECT_EQ(stack.RemoveEqual(&a), &c);
  EXPECT_EQ(Values(stack), (Order{2, 1}));
  // And so the delete form does nothing rather than delete the top.
  stack.RemoveEqualAndDelete(&a);
  EXPECT_EQ(Values(stack), (Order{2, 1}));
  // The sequence operations of the list still work.
  stack.InsertAt(2, &d);
  stack.Prepend(&c);
  EXPECT_EQ(Values(stack), (Order{3, 2, 1, 4}));
  EXPECT_EQ(stack.Last(), &d);
}

TEST(RWSlistCollectables, EqualityNeedsTheSameClassAndPairwiseEqualElements) {
  Item a(1), b(2), a2(1), b2(2);
  RWSlistCollectables list, other;
  RWSlistCollectablesStack stack;
  list.Add(&a);
  list.Add(&b);
  other.Add(&a2);
  EXPECT_FALSE(list.IsEqual(&other));  // lengths differ
  other.Add(&b2);
  EXPECT_TRUE(list.IsEqual(&other));
  EXPECT_TRUE(other.IsEqual(&list));
  other.At(1) = &a2;
  EXPECT_FALSE(list.IsEqual(&other));
  // Same order from the head, but a stack is another class.
  stack.Add(&b2);
  stack.Add(&a2);
  EXPECT_EQ(Values(stack), (Order{1, 2}));
  EXPECT_FALSE(list.IsEqual(&stack));
  EXPECT_FALSE(stack.IsEqual(&list));
  EXPECT_FALSE(list.IsEqual(&a));
  EXPECT_FALSE(list.IsEqual(nullptr));
  RWSlistCollectables empty1, empty2;
  EXPECT_TRUE(empty1.IsEqual(&empty2));
}

TEST(RWSlistCollectables, ClonesAreShallowAndKeepTheClass) {
  Item a(1), b(2);
  RWSlistCollectablesStack stack;
  stack.Add(&a);
  stack.Add(&b);
  RWCollectable* clone = stack.Clone();
  ASSERT_EQ(clone->ClassId(), 0x8036);
  auto* copy = static_cast<RWSlistCollectablesStack*>(clone);
  EXPECT_EQ(copy->First(), &b);
  EXPECT_EQ(copy->Last(), &a);
  EXPECT_TRUE(copy->IsEqual(&stack));
  copy->RemoveEqual(nullptr);  // the copy has its own nodes
  EXPECT_EQ(stack.Count(), 2u);
  delete clone;

  RWSlistCollectables list;
  list.Add(&a);
  RWCollectable* listClone = list.Clone();
  EXPECT_EQ(listClone->ClassId(), 0x8033);
  EXPECT_TRUE(listClone->IsEqual(&list));
  delete listClone;

  RWSlistCollectables assigned;
  assigned.Add(&b);
  assigned = list;
  EXPECT_EQ(Values(assigned), (Order{1}));
}

TEST(RWSlistCollectables, IteratorFindsNextEqualAndRemoves) {
  Item a(1), b(2), c(1), d(3);
  RWSlistCollectables list;
  list.Add(&a);
  list.Add(&b);
  list.Add(&c);
  list.Add(&d);
  RWSlistCollectablesIterator it(list);
  EXPECT_EQ(it.Key(), nullptr);
  Item one(1);
  EXPECT_EQ(it.FindNext(&one), &a);
  EXPECT_EQ(it.FindNext(&one), &c);
  EXPECT_EQ(it.Key(), &c);
  EXPECT_EQ(it.FindNext(&one), nullptr);
  EXPECT_EQ(it.Key(), nullptr);
  EXPECT_EQ(it.Next(), nullptr);
  it.Reset();
  EXPECT_EQ(it.Next(), &a);
  EXPECT_EQ(it.RemoveNext(&one), &c);  // searching from after the cursor
  EXPECT_EQ(it.Key(), &b);
  EXPECT_EQ(it.RemoveCurrent(), &b);
  EXPECT_EQ(it.Key(), &a);
  EXPECT_EQ(it.Next(), &d);
  EXPECT_EQ(Values(list), (Order{1, 3}));

  RWSlistCollectablesIterator copy(it);
  EXPECT_EQ(copy.Key(), &d);
  EXPECT_EQ(copy.Next(), nullptr);
  EXPECT_EQ(it.Key(), &d);
}

}  // namespace
