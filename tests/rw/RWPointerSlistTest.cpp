#include <gtest/gtest.h>

#include <vector>

#include "rw/RWDefs.h"
#include "rw/RWPointerSlist.h"
#include "rw/RWSlistCollectables.h"
#include "support/CollectableTestItems.h"
#include "support/ErrorCapture.h"

namespace {

using qvtest::Item;
using qvtest::ValueOf;
using Order = std::vector<int>;

// The values in list order, checked against the count.
Order ValuesOf(const RWPointerSlist& list) {
  Order values;
  list.Apply([](RWCollectable* e, void* out) { static_cast<Order*>(out)->push_back(ValueOf(e)); }, &values);
  EXPECT_EQ(values.size(), list.Count());
  return values;
}

bool PointerSlistIsOdd(const RWCollectable* e, const void*) { return ValueOf(e) % 2 == 1; }

class PointerSlist : public ::testing::Test {
 protected:
  // 0, 1, 2, 3, then a second reference to the element 1.
  void SetUp() override {
    for (Item& item : items) list.Append(&item);
    list.Append(&items[1]);
  }
  Item items[4] = {Item(0), Item(1), Item(2), Item(3)};
  RWPointerSlist list;
};

TEST(RWPointerSlistBasics, InsertionsKeepTheirPlaces) {
  Item a(1), b(2), c(3), d(4), e(5);
  RWPointerSlist list;
  EXPECT_EQ(list.First(), nullptr);
  EXPECT_EQ(list.Last(), nullptr);
  EXPECT_EQ(list.Append(&b), &b);
  EXPECT_EQ(list.Prepend(&a), &a);
  EXPECT_EQ(list.InsertAt(2, &d), &d);  // i == count appends
  EXPECT_EQ(list.InsertAfterIndex(1, &c), &c);
  EXPECT_EQ(list.InsertAt(0, &e), &e);
  EXPECT_EQ(ValuesOf(list), (Order{5, 1, 2, 3, 4}));
  EXPECT_EQ(list.First(), &e);
  EXPECT_EQ(list.Last(), &d);
  EXPECT_EQ(list.At(3), &c);

  // At gives the node's own slot.
  list.At(3) = &a;
  EXPECT_EQ(ValuesOf(list), (Order{5, 1, 2, 1, 4}));
}

TEST(RWPointerSlistBasics, CopyAndAssignShareElementsNotNodes) {
  Item a(1), b(2);
  RWPointerSlist list;
  list.Append(&a);
  list.Append(&b);
  RWPointerSlist copy(list);
  copy.Append(&a);
  EXPECT_EQ(ValuesOf(list), (Order{1, 2}));
  EXPECT_EQ(ValuesOf(copy), (Order{1, 2, 1}));
  EXPECT_EQ(copy.First(), &a);

  list = copy;
  EXPECT_EQ(ValuesOf(list), (Order{1, 2, 1}));
  list.Assign(list);
  EXPECT_EQ(ValuesOf(list), (Order{1, 2, 1}));
  list.Clear();
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.Links().Last(), list.Links().Head());
  EXPECT_EQ(ValuesOf(copy), (Order{1, 2, 1}));
}

TEST_F(PointerSlist, IndexErrorsRaiseTheLibraryTexts) {
  Item x(9);
  EXPECT_EQ(qvtest::RaisedText([&] { list.InsertAt(6, &x); }),
            "[INDEXERR] Illegal Index (6) for collection or string with 5 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { list.InsertAfterIndex(5, &x); }),
            "[INDEXERR] Illegal Index (5) for collection or string with 5 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { list.At(RW_NPOS); }),
            "[NPOSINDEX] The value RW_NPOS cannot be used as an index.");
  EXPECT_EQ(qvtest::RaisedText([&] { list.InsertAt(RW_NPOS, &x); }),
            "[NPOSINDEX] The value RW_NPOS cannot be used as an index.");
}

TEST_F(PointerSlist, AfterAReturningHandlerIndexErrorsChangeNothing) {
  qvtest::ScopedErrorCapture capture;
  Item x(9);
  EXPECT_EQ(list.InsertAt(6, &x), nullptr);
  EXPECT_EQ(list.InsertAfterIndex(5, &x), nullptr);
  const RWPointerSlist& constList = list;
  EXPECT_EQ(constList.At(7), nullptr);
  // A write through the slot of a bad index lands in the spare slot.
  list.At(7) = &x;
  EXPECT_EQ(list.At(7), nullptr);
  EXPECT_EQ(capture.Texts().size(), 5u);
  EXPECT_EQ(ValuesOf(list), (Order{0, 1, 2, 3, 1}));
}

TEST_F(PointerSlist, MatchAndReferenceSearches) {
  Item one(1);  // equal to items[1], another object
  EXPECT_EQ(list.FindMatch(&RWCollectableIsEqual, &one), &items[1]);
  EXPECT_EQ(list.IndexOfMatch(&RWCollectableIsEqual, &one), 1);
  EXPECT_EQ(list.CountMatches(&RWCollectableIsEqual, &one), 2u);
  EXPECT_EQ(list.CountMatches(&PointerSlistIsOdd, nullptr), 3u);
  EXPECT_EQ(list.FindReference(&one), nullptr);
  EXPECT_EQ(list.CountReferences(&items[1]), 2u);
  Item seven(7);
  EXPECT_EQ(list.IndexOfMatch(&RWCollectableIsEqual, &seven), -1);

  EXPECT_EQ(list.RemoveMatch(&PointerSlistIsOdd, nullptr), &items[1]);
  EXPECT_EQ(ValuesOf(list), (Order{0, 2, 3, 1}));
  EXPECT_EQ(list.RemoveReference(&items[1]), &items[1]);
  EXPECT_EQ(ValuesOf(list), (Order{0, 2, 3}));
  EXPECT_EQ(list.Last(), &items[3]);
  EXPECT_EQ(list.RemoveReference(&items[1]), nullptr);
  EXPECT_EQ(list.RemoveMatch(&RWCollectableIsEqual, &one), nullptr);
  EXPECT_EQ(list.RemoveFirst(), &items[0]);
  EXPECT_EQ(ValuesOf(list), (Order{2, 3}));
}

TEST_F(PointerSlist, ApplyToSlotsCanReplaceElements) {
  Item nine(9);
  list.ApplyToSlots(
      [](RWCollectable** slot, void* user) {
        if (ValueOf(*slot) == 1) *slot = static_cast<RWCollectable*>(user);
      },
      &nine);
  EXPECT_EQ(ValuesOf(list), (Order{0, 9, 2, 3, 9}));
}

TEST_F(PointerSlist, IteratorWalksAndStaysOnTheTail) {
  RWPointerSlistIterator it(list);
  EXPECT_EQ(it.Key(), nullptr);  // on the head
  EXPECT_EQ(it.Next(), &items[0]);
  EXPECT_EQ(it.Key(), &items[0]);
  EXPECT_EQ(it.Advance(3), &items[3]);
  EXPECT_EQ(it.Next(), &items[1]);
  EXPECT_EQ(it.Next(), nullptr);
  EXPECT_EQ(it.Next(), nullptr);
  EXPECT_EQ(it.Key(), nullptr);
  it.Reset();
  EXPECT_EQ(it.FindNextReference(&items[1]), &items[1]);
  EXPECT_EQ(it.FindNextReference(&items[1]), &items[1]);
  EXPECT_EQ(it.Key(), &items[1]);
  EXPECT_EQ(it.FindNextReference(&items[1]), nullptr);
  it.Reset();
  EXPECT_EQ(it.FindNextMatch(&PointerSlistIsOdd, nullptr), &items[1]);
  EXPECT_EQ(it.FindNextMatch(&PointerSlistIsOdd, nullptr), &items[3]);
}

TEST_F(PointerSlist, IteratorInsertsAndRemovesAroundTheCursor) {
  Item x(7);
  RWPointerSlistIterator it(list);
  it.Advance(2);  // on 1
  EXPECT_EQ(it.InsertAfterPoint(&x), &x);
  EXPECT_EQ(ValuesOf(list), (Order{0, 1, 7, 2, 3, 1}));

  // The current element goes; the cursor steps back to 0.
  EXPECT_EQ(it.RemoveCurrent(), &items[1]);
  EXPECT_EQ(it.Key(), &items[0]);
  EXPECT_EQ(it.Next(), &x);

  // Removing the next odd element (3) two links on leaves the cursor on 2.
  EXPECT_EQ(it.RemoveNextMatch(&PointerSlistIsOdd, nullptr), &items[3]);
  EXPECT_EQ(it.Key(), &items[2]);
  EXPECT_EQ(ValuesOf(list), (Order{0, 7, 2, 1}));
  EXPECT_EQ(it.RemoveNextReference(&items[0]), nullptr);  // only before the cursor
  EXPECT_EQ(it.Key(), &items[2]);
  EXPECT_EQ(it.RemoveNextReference(&items[1]), &items[1]);
  EXPECT_EQ(it.Key(), &items[2]);
  EXPECT_EQ(list.Last(), &items[2]);
  EXPECT_EQ(it.Next(), nullptr);
  EXPECT_EQ(it.RemoveCurrent(), nullptr);  // on the tail
  // Inserting from the tail appends.
  EXPECT_EQ(it.InsertAfterPoint(&items[3]), &items[3]);
  EXPECT_EQ(ValuesOf(list), (Order{0, 7, 2, 3}));
}

}  // namespace
