#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rw/RWDefs.h"
#include "rw/RWIntrusiveSlist.h"
#include "support/ErrorCapture.h"

namespace {

struct SlistItem : RWSlistLink {
  explicit SlistItem(int i) : id(i) {}
  int id;
};

// Walks the list and checks every invariant: following next from the head
// reaches the tail after Count() links, Last() is the final element (the head
// when empty), and the tail's next points to itself. Returns the ids in order.
std::vector<int> Ids(const RWIntrusiveSlist& list) {
  std::vector<int> ids;
  const RWSlistLink* previous = list.Head();
  const RWSlistLink* p = list.First();
  while (p != list.Tail() && ids.size() <= list.Count()) {
    ids.push_back(static_cast<const SlistItem*>(p)->id);
    previous = p;
    p = p->next;
  }
  EXPECT_EQ(p, list.Tail());
  EXPECT_EQ(ids.size(), list.Count());
  EXPECT_EQ(list.Last(), previous);
  EXPECT_EQ(list.Tail()->next, list.Tail());
  return ids;
}

using Order = std::vector<int>;

class SlistOfFour : public ::testing::Test {
 protected:
  void SetUp() override {
    for (SlistItem& item : items) list.InsertAfter(list.Last(), &item);
  }
  SlistItem items[4] = {SlistItem(0), SlistItem(1), SlistItem(2), SlistItem(3)};
  RWIntrusiveSlist list;
};

TEST(RWIntrusiveSlist, EmptyListShapeAndFirstInsertion) {
  RWIntrusiveSlist list;
  EXPECT_EQ(list.Head()->next, list.Tail());
  EXPECT_EQ(list.Tail()->next, list.Tail());
  EXPECT_EQ(list.Last(), list.Head());
  EXPECT_EQ(list.Count(), 0u);

  SlistItem a(1);
  list.InsertAfter(list.Head(), &a);
  EXPECT_EQ(list.Last(), &a);
  EXPECT_EQ(a.next, list.Tail());
  EXPECT_EQ(Ids(list), Order{1});
}

TEST(RWIntrusiveSlist, OneLinkConstructorAndInit) {
  SlistItem a(7);
  RWIntrusiveSlist list(&a);
  EXPECT_EQ(list.Head()->next, &a);
  EXPECT_EQ(list.Last(), &a);
  EXPECT_EQ(Ids(list), Order{7});

  list.Init();
  EXPECT_EQ(list.Head()->next, list.Tail());
  EXPECT_EQ(list.Last(), list.Head());
  EXPECT_EQ(list.Count(), 0u);
}

TEST_F(SlistOfFour, InsertAfterMiddleKeepsLast) {
  SlistItem x(9);
  list.InsertAfter(&items[1], &x);
  EXPECT_EQ(Ids(list), (Order{0, 1, 9, 2, 3}));
  EXPECT_EQ(list.Last(), &items[3]);
}

TEST_F(SlistOfFour, RemoveAfterTheLastLinkMovesLastBack) {
  EXPECT_EQ(list.RemoveAfter(&items[2]), &items[3]);
  EXPECT_EQ(list.Last(), &items[2]);
  EXPECT_EQ(Ids(list), (Order{0, 1, 2}));
  EXPECT_EQ(list.RemoveAfter(list.Head()), &items[0]);
  EXPECT_EQ(list.RemoveAfter(list.Head()), &items[1]);
  EXPECT_EQ(list.RemoveAfter(list.Head()), &items[2]);
  EXPECT_EQ(list.Last(), list.Head());
  EXPECT_TRUE(Ids(list).empty());
}

TEST_F(SlistOfFour, RemoveAfterWithoutSuccessorRemovesNothing) {
  EXPECT_EQ(list.RemoveAfter(nullptr), nullptr);
  // After the last element comes the tail sentinel, which is not an element.
  EXPECT_EQ(list.RemoveAfter(&items[3]), nullptr);
  EXPECT_EQ(list.RemoveAfter(list.Tail()), nullptr);
  EXPECT_EQ(Ids(list), (Order{0, 1, 2, 3}));
}

TEST_F(SlistOfFour, RemoveUnlinksWhereverTheLinkIs) {
  EXPECT_EQ(list.Remove(&items[1]), &items[1]);
  EXPECT_EQ(items[1].next, nullptr);
  EXPECT_EQ(Ids(list), (Order{0, 2, 3}));
  EXPECT_EQ(list.Remove(&items[3]), &items[3]);
  EXPECT_EQ(list.Last(), &items[2]);
  EXPECT_EQ(list.Remove(&items[0]), &items[0]);
  EXPECT_EQ(Ids(list), Order{2});
  EXPECT_EQ(list.Remove(&items[2]), &items[2]);
  EXPECT_EQ(list.Last(), list.Head());
  EXPECT_EQ(list.Head()->next, list.Tail());
}

TEST_F(SlistOfFour, RemoveOfAForeignLinkLeavesListAndTailIntact) {
  SlistItem foreign(5);
  RWSlistLink elsewhere;
  foreign.next = &elsewhere;
  EXPECT_EQ(list.Remove(&foreign), nullptr);
  EXPECT_EQ(foreign.next, &elsewhere);
  EXPECT_EQ(list.Tail()->next, list.Tail());
  EXPECT_EQ(Ids(list), (Order{0, 1, 2, 3}));

  EXPECT_EQ(list.Remove(nullptr), nullptr);
  EXPECT_EQ(list.Remove(list.Tail()), nullptr);
  EXPECT_EQ(list.Remove(list.Head()), nullptr);
  EXPECT_EQ(Ids(list), (Order{0, 1, 2, 3}));

  RWIntrusiveSlist empty;
  EXPECT_EQ(empty.Remove(&foreign), nullptr);
  EXPECT_EQ(empty.Tail()->next, empty.Tail());
  EXPECT_EQ(empty.Last(), empty.Head());
}

TEST_F(SlistOfFour, ContainsAndFindPrevious) {
  SlistItem foreign(5);
  EXPECT_TRUE(list.Contains(&items[3]));
  EXPECT_FALSE(list.Contains(&foreign));
  EXPECT_FALSE(list.Contains(nullptr));
  EXPECT_FALSE(list.Contains(list.Tail()));
  EXPECT_EQ(list.FindPrevious(&items[0]), list.Head());
  EXPECT_EQ(list.FindPrevious(&items[3]), &items[2]);
  EXPECT_EQ(list.FindPrevious(&foreign), nullptr);
  EXPECT_EQ(list.FindPrevious(nullptr), nullptr);
}

TEST_F(SlistOfFour, IndexedAccess) {
  EXPECT_EQ(list.LinkAt(0), &items[0]);
  EXPECT_EQ(list.LinkAt(3), &items[3]);

  SlistItem front(10), middle(11), back(12);
  list.InsertAt(0, &front);
  list.InsertAt(3, &middle);
  list.InsertAt(list.Count(), &back);  // the count itself appends
  EXPECT_EQ(Ids(list), (Order{10, 0, 1, 11, 2, 3, 12}));
  EXPECT_EQ(list.Last(), &back);

  EXPECT_EQ(list.RemoveAt(6), &back);
  EXPECT_EQ(list.Last(), &items[3]);
  EXPECT_EQ(list.RemoveAt(0), &front);
  EXPECT_EQ(list.RemoveAt(2), &middle);
  EXPECT_EQ(Ids(list), (Order{0, 1, 2, 3}));
}

TEST_F(SlistOfFour, IndexErrorsCarryTheIndexAndCount) {
  SlistItem x(9);
  EXPECT_EQ(qvtest::RaisedText([&] { list.LinkAt(4); }),
            "[INDEXERR] Illegal Index (4) for collection or string with 4 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { list.LinkAt(RW_NPOS); }),
            "[NPOSINDEX] The value RW_NPOS cannot be used as an index.");
  EXPECT_EQ(qvtest::RaisedText([&] { list.InsertAt(5, &x); }),
            "[INDEXERR] Illegal Index (5) for collection or string with 4 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { list.RemoveAt(4); }),
            "[INDEXERR] Illegal Index (4) for collection or string with 4 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { list.RemoveAt(RW_NPOS); }),
            "[NPOSINDEX] The value RW_NPOS cannot be used as an index.");
  RWIntrusiveSlist empty;
  EXPECT_EQ(qvtest::RaisedText([&] { empty.RemoveAt(0); }),
            "[INDEXERR] Illegal Index (0) for collection or string with 0 elements");
}

TEST_F(SlistOfFour, AfterAReturningHandlerIndexErrorsChangeNothing) {
  qvtest::ScopedErrorCapture capture;
  SlistItem x(9);
  EXPECT_EQ(list.LinkAt(4), nullptr);
  list.InsertAt(5, &x);
  EXPECT_EQ(list.RemoveAt(RW_NPOS), nullptr);
  EXPECT_EQ(qvtest::ScopedErrorCapture::Texts().size(), 3u);
  EXPECT_EQ(Ids(list), (Order{0, 1, 2, 3}));
}

TEST(RWIntrusiveSlistIterator, FreshIteratorStandsOnTheHead) {
  RWIntrusiveSlist empty;
  RWIntrusiveSlistIterator onEmpty(empty);
  EXPECT_EQ(onEmpty.Cursor(), empty.Head());
  EXPECT_EQ(onEmpty.Advance(0), nullptr);
  EXPECT_EQ(onEmpty.Advance(1), nullptr);
  EXPECT_EQ(onEmpty.Cursor(), empty.Tail());

  SlistItem a(1), b(2);
  RWIntrusiveSlist list;
  list.InsertAfter(list.Last(), &a);
  list.InsertAfter(list.Last(), &b);
  RWIntrusiveSlistIterator it(list);
  EXPECT_EQ(it.Advance(0), nullptr);
  EXPECT_FALSE(it.IsAtFirst());
  EXPECT_EQ(it.Advance(1), &a);
  EXPECT_TRUE(it.IsAtFirst());
  EXPECT_FALSE(it.IsAtLast());
  EXPECT_EQ(it.Advance(0), &a);
  EXPECT_EQ(it.Advance(1), &b);
  EXPECT_TRUE(it.IsAtLast());
  // Past the end the cursor stays on the tail.
  EXPECT_EQ(it.Advance(1), nullptr);
  EXPECT_EQ(it.Advance(RW_NPOS), nullptr);
  EXPECT_EQ(it.Cursor(), list.Tail());
  EXPECT_FALSE(it.IsAtLast());

  it.AttachTo(list);
  EXPECT_EQ(it.Advance(5), nullptr);
  EXPECT_EQ(it.Cursor(), list.Tail());
}

TEST(RWIntrusiveSlistIterator, ToFirstAndToLast) {
  RWIntrusiveSlist list;
  RWIntrusiveSlistIterator it(list);
  it.ToFirst();
  EXPECT_EQ(it.Cursor(), list.Tail());
  it.ToLast();
  EXPECT_EQ(it.Cursor(), list.Tail());

  SlistItem a(1), b(2);
  list.InsertAfter(list.Last(), &a);
  list.InsertAfter(list.Last(), &b);
  it.ToLast();
  EXPECT_EQ(it.Cursor(), &b);
  it.ToFirst();
  EXPECT_EQ(it.Cursor(), &a);
}

TEST_F(SlistOfFour, RemoveAtPointOnTheFirstElementLeavesCursorOnHead) {
  RWIntrusiveSlistIterator it(list);
  EXPECT_EQ(it.RemoveAtPoint(), nullptr);  // on the head
  it.Advance(1);
  EXPECT_EQ(it.RemoveAtPoint(), &items[0]);
  EXPECT_EQ(it.Cursor(), list.Head());
  EXPECT_EQ(it.Advance(1), &items[1]);
  EXPECT_EQ(Ids(list), (Order{1, 2, 3}));

  it.ToLast();
  EXPECT_EQ(it.RemoveAtPoint(), &items[3]);
  EXPECT_EQ(it.Cursor(), &items[2]);
  EXPECT_EQ(list.Last(), &items[2]);
  it.Advance(1);
  EXPECT_EQ(it.RemoveAtPoint(), nullptr);  // on the tail
  EXPECT_EQ(Ids(list), (Order{1, 2}));
}

TEST_F(SlistOfFour, InsertAfterPoint) {
  SlistItem front(10), inner(11);
  RWIntrusiveSlistIterator it(list);
  it.InsertAfterPoint(&front);  // on the head: becomes the first
  it.Advance(2);
  it.InsertAfterPoint(&inner);
  EXPECT_EQ(it.Cursor(), &items[0]);
  EXPECT_EQ(Ids(list), (Order{10, 0, 11, 1, 2, 3}));
}

TEST(RWIntrusiveSlistIterator, InsertAfterPointPastTheEndAppends) {
  // ToLast of an empty list leaves the cursor on the tail; an insertion
  // there must still leave a sound list.
  RWIntrusiveSlist list;
  RWIntrusiveSlistIterator it(list);
  SlistItem a(1), b(2);
  it.ToLast();
  it.InsertAfterPoint(&a);
  EXPECT_EQ(Ids(list), Order{1});
  it.Advance(3);
  it.InsertAfterPoint(&b);
  EXPECT_EQ(Ids(list), (Order{1, 2}));
  EXPECT_EQ(list.Last(), &b);
}

}  // namespace
