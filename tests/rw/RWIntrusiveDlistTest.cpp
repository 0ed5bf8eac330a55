#include <gtest/gtest.h>

#include <vector>

#include "rw/RWDefs.h"
#include "rw/RWIntrusiveDlist.h"
#include "support/ErrorCapture.h"

namespace {

struct DlistItem : RWDlistLink {
  explicit DlistItem(int i) : id(i) {}
  int id;
};

using Order = std::vector<int>;

// Walks forward and backward and checks that both directions agree with the
// count and that the sentinels keep their self links. Returns the ids.
Order Ids(const RWIntrusiveDlist& list) {
  Order ids;
  const RWDlistLink* p = list.First();
  const RWDlistLink* previous = list.Head();
  while (p != list.Tail() && ids.size() <= list.Count()) {
    EXPECT_EQ(p->previous, previous);
    ids.push_back(static_cast<const DlistItem*>(p)->id);
    previous = p;
    p = p->next;
  }
  EXPECT_EQ(p, list.Tail());
  EXPECT_EQ(list.Tail()->previous, previous);
  EXPECT_EQ(list.Last(), previous);
  EXPECT_EQ(ids.size(), list.Count());
  EXPECT_EQ(list.Head()->previous, list.Head());
  EXPECT_EQ(list.Tail()->next, list.Tail());
  return ids;
}

class DlistOfFour : public ::testing::Test {
 protected:
  void SetUp() override {
    for (DlistItem& item : items) list.InsertAfter(list.Last(), &item);
  }
  DlistItem items[4] = {DlistItem(0), DlistItem(1), DlistItem(2), DlistItem(3)};
  RWIntrusiveDlist list;
};

TEST(RWIntrusiveDlist, EmptyAndOneLinkShapes) {
  RWIntrusiveDlist empty;
  EXPECT_EQ(empty.Head()->next, empty.Tail());
  EXPECT_EQ(empty.Head()->previous, empty.Head());
  EXPECT_EQ(empty.Tail()->next, empty.Tail());
  EXPECT_EQ(empty.Tail()->previous, empty.Head());
  EXPECT_EQ(empty.Count(), 0u);

  DlistItem a(7);
  RWIntrusiveDlist one(&a);
  EXPECT_EQ(one.Head()->next, &a);
  EXPECT_EQ(one.Tail()->previous, &a);
  EXPECT_EQ(a.next, one.Tail());
  EXPECT_EQ(a.previous, one.Head());
  EXPECT_EQ(Ids(one), Order{7});

  one.Init();
  EXPECT_EQ(one.Head()->next, one.Tail());
  EXPECT_EQ(one.Tail()->previous, one.Head());
  EXPECT_EQ(one.Count(), 0u);
}

TEST_F(DlistOfFour, UnlinkLeavesTheLinksOwnPointers) {
  EXPECT_EQ(Ids(list), (Order{0, 1, 2, 3}));
  EXPECT_EQ(list.Unlink(&items[1]), &items[1]);
  EXPECT_EQ(items[1].next, &items[2]);
  EXPECT_EQ(items[1].previous, &items[0]);
  EXPECT_EQ(Ids(list), (Order{0, 2, 3}));
  EXPECT_EQ(list.Unlink(&items[3]), &items[3]);
  EXPECT_EQ(list.Unlink(&items[0]), &items[0]);
  EXPECT_EQ(list.Unlink(&items[2]), &items[2]);
  EXPECT_TRUE(Ids(list).empty());
  EXPECT_EQ(list.Unlink(nullptr), nullptr);
}

TEST_F(DlistOfFour, UnlinkOfASentinelChangesNothing) {
  EXPECT_EQ(list.Unlink(list.Head()), nullptr);
  EXPECT_EQ(list.Unlink(list.Tail()), nullptr);
  EXPECT_EQ(Ids(list), (Order{0, 1, 2, 3}));
}

TEST_F(DlistOfFour, IndexedAccess) {
  DlistItem front(10), middle(11), back(12);
  list.InsertAt(0, &front);
  list.InsertAt(3, &middle);
  list.InsertAt(list.Count(), &back);
  EXPECT_EQ(Ids(list), (Order{10, 0, 1, 11, 2, 3, 12}));
  EXPECT_EQ(list.LinkAt(3), &middle);
  EXPECT_EQ(list.RemoveAt(3), &middle);  // removes link i itself
  EXPECT_EQ(list.RemoveAt(5), &back);
  EXPECT_EQ(list.RemoveAt(0), &front);
  EXPECT_EQ(Ids(list), (Order{0, 1, 2, 3}));
  EXPECT_TRUE(list.Contains(&items[2]));
  EXPECT_FALSE(list.Contains(&front));
  EXPECT_FALSE(list.Contains(nullptr));
}

TEST_F(DlistOfFour, IndexErrors) {
  DlistItem x(9);
  EXPECT_EQ(qvtest::RaisedText([&] { list.LinkAt(4); }),
            "[INDEXERR] Illegal Index (4) for collection or string with 4 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { list.LinkAt(RW_NPOS); }),
            "[NPOSINDEX] The value RW_NPOS cannot be used as an index.");
  EXPECT_EQ(qvtest::RaisedText([&] { list.InsertAt(5, &x); }),
            "[INDEXERR] Illegal Index (5) for collection or string with 4 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { list.RemoveAt(4); }),
            "[INDEXERR] Illegal Index (4) for collection or string with 4 elements");

  qvtest::ScopedErrorCapture capture;
  EXPECT_EQ(list.LinkAt(4), nullptr);
  list.InsertAt(5, &x);
  EXPECT_EQ(list.RemoveAt(4), nullptr);
  EXPECT_EQ(Ids(list), (Order{0, 1, 2, 3}));
}

TEST_F(DlistOfFour, IteratorWalksBothWaysAndStopsAtTheEnds) {
  RWIntrusiveDlistIterator it(list);
  EXPECT_EQ(it.Advance(0), list.Head());  // the head link itself
  EXPECT_EQ(it.Retreat(1), nullptr);
  EXPECT_EQ(it.Cursor(), list.Head());
  EXPECT_EQ(it.Advance(1), &items[0]);
  EXPECT_TRUE(it.IsAtFirst());
  EXPECT_EQ(it.Advance(2), &items[2]);
  EXPECT_EQ(it.Retreat(1), &items[1]);
  EXPECT_EQ(it.Advance(2), &items[3]);
  EXPECT_TRUE(it.IsAtLast());
  EXPECT_EQ(it.Advance(1), nullptr);
  EXPECT_EQ(it.Advance(RW_NPOS), nullptr);
  EXPECT_EQ(it.Cursor(), list.Tail());
  EXPECT_FALSE(it.IsAtLast());
  EXPECT_EQ(it.Retreat(1), &items[3]);
  EXPECT_EQ(it.Retreat(RW_NPOS), nullptr);
  EXPECT_EQ(it.Cursor(), list.Head());
  EXPECT_FALSE(it.IsAtFirst());

  it.ToLast();
  EXPECT_EQ(it.Cursor(), &items[3]);
  it.ToFirst();
  EXPECT_EQ(it.Cursor(), &items[0]);

  RWIntrusiveDlist empty;
  it.AttachTo(empty);
  EXPECT_EQ(it.Advance(1), nullptr);
  it.ToLast();
  EXPECT_EQ(it.Cursor(), empty.Tail());
  EXPECT_EQ(it.Retreat(1), nullptr);
}

TEST_F(DlistOfFour, RemoveAtPointMovesTheCursorBack) {
  RWIntrusiveDlistIterator it(list);
  EXPECT_EQ(it.RemoveAtPoint(), nullptr);  // head
  it.Advance(1);
  EXPECT_EQ(it.RemoveAtPoint(), &items[0]);
  EXPECT_EQ(it.Cursor(), list.Head());
  EXPECT_EQ(it.Advance(1), &items[1]);
  it.ToLast();
  EXPECT_EQ(it.RemoveAtPoint(), &items[3]);
  EXPECT_EQ(it.Cursor(), &items[2]);
  it.Advance(1);
  EXPECT_EQ(it.RemoveAtPoint(), nullptr);  // tail
  EXPECT_EQ(Ids(list), (Order{1, 2}));
}

TEST_F(DlistOfFour, InsertAfterPointIncludingPastTheEnd) {
  DlistItem front(10), inner(11), back(12);
  RWIntrusiveDlistIterator it(list);
  it.InsertAfterPoint(&front);
  it.Advance(3);
  it.InsertAfterPoint(&inner);
  it.Advance(RW_NPOS);
  it.InsertAfterPoint(&back);  // on the tail: appended
  EXPECT_EQ(Ids(list), (Order{10, 0, 1, 11, 2, 3, 12}));
}

}  // namespace
