#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/CollectableTestItems.h"
#include "rw/RWHashTable.h"
#include "support/ErrorCapture.h"

namespace {

using qvtest::Item;
using qvtest::Values;
using Order = std::vector<int>;

// Adds the items in order and returns the collection.
template <typename T>
T& Fill(T& table, std::initializer_list<Item*> items) {
  for (Item* item : items) table.Add(item);
  return table;
}

TEST(RWHashTable, ClassesAndBucketCounts) {
  struct Case {
    RWCollectable* made;
    RWClassID id;
  } cases[] = {
      {RWHashTableCreate(), 0x805E},
      {RWSetCreate(), 0x802B},
      {RWIdentitySetCreate(), 0x8025},
  };
  for (Case& c : cases) {
    auto* table = dynamic_cast<RWHashTable*>(c.made);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->ClassId(), c.id);
    EXPECT_EQ(table->BucketCount(), 64u);
    RWCollectable* same = table->CreateSameKind();
    EXPECT_EQ(same->ClassId(), c.id);
    EXPECT_EQ(static_cast<RWHashTable*>(same)->BucketCount(), 64u);
    delete same;
    delete c.made;
  }
  EXPECT_EQ(RWHashTable(0).BucketCount(), 2u);
  EXPECT_EQ(RWSet(0).BucketCount(), 2u);
  EXPECT_EQ(RWIdentitySet(5).BucketCount(), 5u);
  EXPECT_EQ(RWHashTable::StaticClassId(), 0x805E);
  EXPECT_EQ(RWSet::StaticClassId(), 0x802B);
  EXPECT_EQ(RWIdentitySet::StaticClassId(), 0x8025);
}

// The bucket is the element's hash modulo the bucket count; iteration goes
// bucket by bucket, each bucket in insertion order. Stored tables are
// written in this order, so it is pinned here.
TEST(RWHashTable, BucketOrderIsHashModuloCount) {
  Item i5(5), i1(1), i4(4), i8(8), i2(2), i9(9);
  RWHashTable table(4);
  Fill(table, {&i5, &i1, &i4, &i8, &i2, &i9});
  EXPECT_EQ(Values(table), (Order{4, 8, 5, 1, 9, 2}));
  EXPECT_EQ(table.Bucket(3), nullptr);  // never used, never made
  ASSERT_NE(table.Bucket(1), nullptr);
  EXPECT_EQ(table.Bucket(1)->Count(), 3u);

  // A hash past 2^31 is taken as unsigned.
  Item big(-1);  // hash 0xFFFFFFFF, bucket 3
  table.Add(&big);
  EXPECT_EQ(Values(table), (Order{4, 8, 5, 1, 9, 2, -1}));
}

TEST(RWHashTable, BagCountsEveryAdd) {
  Item a(1), a2(1), b(2);
  RWHashTable table(8);
  EXPECT_EQ(table.Add(&a), &a);
  EXPECT_EQ(table.Add(&a), &a);
  EXPECT_EQ(table.Add(&a2), &a2);
  table.Add(&b);
  EXPECT_EQ(table.Count(), 4u);
  EXPECT_EQ(table.CountEqual(&a2), 3u);
  EXPECT_EQ(table.FindEqual(&a2), &a);
  EXPECT_TRUE(table.Contains(&b));
  EXPECT_EQ(table.RemoveEqual(&a2), &a);
  EXPECT_EQ(table.Count(), 3u);
  Item c(3);
  EXPECT_EQ(table.RemoveEqual(&c), nullptr);
  EXPECT_EQ(table.Count(), 3u);
  EXPECT_FALSE(table.Contains(&c));

  // Null is never stored.
  EXPECT_EQ(table.Add(nullptr), nullptr);
  EXPECT_EQ(table.FindEqual(nullptr), nullptr);
  EXPECT_EQ(table.CountEqual(nullptr), 0u);
  EXPECT_EQ(table.RemoveEqual(nullptr), nullptr);
  EXPECT_EQ(table.Count(), 3u);

  table.RemoveAll();
  EXPECT_TRUE(table.IsEmpty());
  EXPECT_EQ(table.Bucket(1), nullptr);
  EXPECT_EQ(table.BucketCount(), 8u);
}

TEST(RWHashTable, SetKeepsTheFirstOfEqualElements) {
  Item a(1), a2(1), b(2);
  RWSet set(8);
  EXPECT_EQ(set.Add(&a), &a);
  EXPECT_EQ(set.Add(&a), &a);
  EXPECT_EQ(set.Add(&a2), &a);  // the one already held comes back
  EXPECT_EQ(set.Add(&b), &b);
  EXPECT_EQ(set.Count(), 2u);
  EXPECT_EQ(set.CountEqual(&a2), 1u);
  EXPECT_EQ(set.CountEqual(&set), 0u);
  EXPECT_EQ(set.RemoveEqual(&a2), &a);
  EXPECT_EQ(set.CountEqual(&a2), 0u);
}

TEST(RWHashTable, IdentitySetComparesAddresses) {
  Item a(1), a2(1);
  RWIdentitySet set(8);
  EXPECT_EQ(set.Add(&a), &a);
  EXPECT_EQ(set.Add(&a2), &a2);  // equal, but another object
  EXPECT_EQ(set.Add(&a), &a);
  EXPECT_EQ(set.Count(), 2u);
  Item a3(1);
  EXPECT_EQ(set.FindEqual(&a3), nullptr);
  EXPECT_FALSE(set.Contains(&a3));
  EXPECT_EQ(set.CountEqual(&a2), 1u);
  EXPECT_EQ(set.RemoveEqual(&a3), nullptr);
  EXPECT_EQ(set.RemoveEqual(&a2), &a2);
  EXPECT_EQ(set.Count(), 1u);
  EXPECT_EQ(set.FindEqual(&a), &a);

  uint32_t address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&a));
  EXPECT_EQ(RWIdentitySet::IdentityHash(&a), address ^ (address >> 3));
  EXPECT_EQ(set.Bucket(RWIdentitySet::IdentityHash(&a) % 8)->First(), &a);
}

TEST(RWHashTable, ResizeChoosesAndRehashes) {
  std::vector<std::unique_ptr<Item>> items;
  for (int i = 0; i < 20; ++i) items.push_back(std::make_unique<Item>(i));
  struct Case {
    uint32_t entries;
    uint32_t buckets;
  } cases[] = {{0, 16}, {11, 16}, {12, 18}, {20, 30}};
  for (const Case& c : cases) {
    RWHashTable table(3);
    for (uint32_t i = 0; i < c.entries; ++i) table.Add(items[i].get());
    table.Resize();
    EXPECT_EQ(table.BucketCount(), c.buckets) << c.entries;
    EXPECT_EQ(table.Count(), c.entries);
    for (uint32_t i = 0; i < c.entries; ++i) EXPECT_EQ(table.FindEqual(items[i].get()), items[i].get());
  }

  RWHashTable table(8);
  Item i1(1), i2(2), i3(3), i4(4), i5(5);
  Fill(table, {&i1, &i2, &i3, &i4, &i5});
  table.Resize(3);
  EXPECT_EQ(Values(table), (Order{3, 1, 4, 2, 5}));
  table.Resize(1);
  EXPECT_EQ(Values(table), (Order{3, 1, 4, 2, 5}));
}

TEST(RWHashTable, ResizeKeepsTheClassRules) {
  Item a(1), a2(1);
  RWIdentitySet identity(2);
  Fill(identity, {&a, &a2});
  identity.Resize(7);
  EXPECT_EQ(identity.Count(), 2u);
  EXPECT_EQ(identity.FindEqual(&a2), &a2);
  EXPECT_EQ(identity.Add(&a), &a);
  EXPECT_EQ(identity.Count(), 2u);
}

TEST(RWHashTable, BagEquality) {
  Item a(1), a2(1), b(2), b2(2), c(3);
  RWHashTable aab(4), abb(4), baa(16), ab(4);
  Fill(aab, {&a, &a, &b});
  Fill(abb, {&a2, &b, &b2});
  Fill(baa, {&b2, &a2, &a2});
  Fill(ab, {&a, &b});
  EXPECT_FALSE(aab.IsEqual(&abb));  // same count, a less often
  EXPECT_FALSE(abb.IsEqual(&aab));
  EXPECT_TRUE(aab.IsEqual(&baa));   // other objects, other bucket count
  EXPECT_TRUE(baa.IsEqual(&aab));
  EXPECT_FALSE(aab.IsEqual(&ab));   // counts differ
  EXPECT_TRUE(aab.IsEqual(&aab));

  RWSet set(4), set2(8);
  Fill(set, {&a, &b});
  Fill(set2, {&b2, &a2});
  EXPECT_TRUE(set.IsEqual(&set2));
  EXPECT_FALSE(set.IsEqual(&ab));  // same elements, another class
  EXPECT_FALSE(ab.IsEqual(&set));
  Fill(set2, {&c});
  EXPECT_FALSE(set.IsEqual(&set2));
  EXPECT_FALSE(set.IsEqual(nullptr));
  EXPECT_FALSE(set.IsEqual(&a));
}

TEST(RWHashTable, IdentitySetEqualityLooksAtEveryObject) {
  Item a1(1), a2(1), a3(1);
  RWIdentitySet s12, s21, s13, s23;
  Fill(s12, {&a1, &a2});
  Fill(s21, {&a2, &a1});
  Fill(s13, {&a1, &a3});
  Fill(s23, {&a2, &a3});
  EXPECT_TRUE(s12.IsEqual(&s21));
  // One of a1 and a2 is missing from each other set, though an equal object
  // is there. (A comparison that looked at only one of two equal objects
  // would pass one of these two checks, whichever object it picked.)
  EXPECT_FALSE(s12.IsEqual(&s13));
  EXPECT_FALSE(s12.IsEqual(&s23));
  RWSet plain;
  Fill(plain, {&a1});
  RWIdentitySet one;
  Fill(one, {&a1});
  EXPECT_FALSE(one.IsEqual(&plain));
}

TEST(RWHashTable, CloneCopyAndAssign) {
  Item a(1), b(2), b2(2), c(3);
  RWHashTable bag(5);
  Fill(bag, {&a, &b, &b2, &c});
  std::unique_ptr<RWCollectable> clone(bag.Clone());
  auto* copy = dynamic_cast<RWHashTable*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->ClassId(), 0x805E);
  EXPECT_EQ(copy->BucketCount(), 5u);
  EXPECT_EQ(copy->Count(), 4u);
  EXPECT_EQ(Values(*copy), Values(bag));
  EXPECT_NE(copy->Bucket(2), bag.Bucket(2));  // own buckets, shared elements
  EXPECT_EQ(copy->Bucket(2)->First(), &b);
  copy->RemoveEqual(&b);
  EXPECT_EQ(bag.Count(), 4u);

  RWHashTable other(2);
  Fill(other, {&c});
  other = bag;
  EXPECT_EQ(other.BucketCount(), 5u);
  EXPECT_EQ(Values(other), Values(bag));
  other.Assign(other);
  EXPECT_EQ(other.Count(), 4u);

  // From a bag into a set: the set's rule holds after the assignment.
  RWSet set(1);
  set.Assign(bag);
  EXPECT_EQ(set.BucketCount(), 5u);
  EXPECT_EQ(set.Count(), 3u);
  EXPECT_EQ(set.CountEqual(&b2), 1u);

  // From a set into an identity set: the elements land in their identity
  // buckets and are found again.
  RWIdentitySet identity(3);
  identity.Assign(set);
  EXPECT_EQ(identity.Count(), 3u);
  EXPECT_EQ(identity.FindEqual(&a), &a);
  EXPECT_EQ(identity.FindEqual(&c), &c);

  RWSet setCopy(set);
  EXPECT_EQ(setCopy.ClassId(), 0x802B);
  EXPECT_TRUE(setCopy.IsEqual(&set));
  std::unique_ptr<RWCollectable> identityClone(identity.Clone());
  EXPECT_EQ(identityClone->ClassId(), 0x8025);
  EXPECT_TRUE(identityClone->IsEqual(&identity));
}

TEST(RWHashTable, SetAlgebra) {
  Item i1(1), i2(2), i3(3), i4(4), j2(2), j3(3), k2(2);
  RWSet small(4), large(4), other(4), empty(4);
  Fill(small, {&i2, &i3});
  Fill(large, {&i1, &j2, &j3, &i4});
  Fill(other, {&i1, &k2});

  EXPECT_TRUE(small.IsSubsetOf(large));
  EXPECT_TRUE(small.IsProperSubsetOf(large));
  EXPECT_TRUE(small.IsSubsetOf(small));
  EXPECT_FALSE(small.IsProperSubsetOf(small));
  EXPECT_FALSE(large.IsSubsetOf(small));
  EXPECT_TRUE(empty.IsSubsetOf(small));
  EXPECT_FALSE(other.IsSubsetOf(small));

  // The smaller set is walked, so the result holds its objects.
  RWSet intersection(4);
  small.IntersectionInto(large, intersection);
  EXPECT_EQ(intersection.Count(), 2u);
  EXPECT_EQ(intersection.FindEqual(&j2), &i2);
  RWSet reverse(4);
  large.IntersectionInto(small, reverse);
  EXPECT_EQ(reverse.FindEqual(&i2), &i2);
  RWSet sameSize(4);
  other.IntersectionInto(small, sameSize);  // equal counts: walks small
  EXPECT_EQ(Values(sameSize), (Order{2}));
  EXPECT_EQ(sameSize.FindEqual(&j2), &i2);

  large.IntersectWith(other);
  EXPECT_EQ(Values(large), (Order{1, 2}));
  EXPECT_EQ(large.Count(), 2u);
  EXPECT_EQ(large.FindEqual(&i2), &j2);
  large.IntersectWith(empty);
  EXPECT_TRUE(large.IsEmpty());
  EXPECT_EQ(large.Bucket(1), nullptr);
}

TEST(RWHashTable, DistinctCopyCollapsesEqualElements) {
  Item a(1), a2(1), b(2);
  RWHashTable bag(4);
  Fill(bag, {&a, &a2, &b, &a});
  std::unique_ptr<RWSet> distinct(bag.DistinctCopy());
  EXPECT_EQ(distinct->ClassId(), 0x802B);
  EXPECT_EQ(distinct->BucketCount(), 2u);  // count 4 / 2
  EXPECT_EQ(distinct->Count(), 2u);
  EXPECT_EQ(distinct->FindEqual(&a2), &a);
  RWHashTable none(4);
  std::unique_ptr<RWSet> fromEmpty(none.DistinctCopy());
  EXPECT_EQ(fromEmpty->BucketCount(), 2u);  // 0 buckets asked, 2 made
}

TEST(RWHashTable, AddToBucketChecksTheIndex) {
  Item a(1);
  RWHashTable table(4);
  EXPECT_EQ(table.AddToBucket(3, &a), &a);  // not its hash bucket: the caller's choice
  EXPECT_EQ(table.Count(), 1u);
  EXPECT_EQ(table.Bucket(3)->First(), &a);
  EXPECT_EQ(qvtest::RaisedText([&] { table.AddToBucket(4, &a); }),
            "[INDEXERR] Illegal Index (4) for collection or string with 4 elements");
  qvtest::ScopedErrorCapture capture;
  EXPECT_EQ(table.AddToBucket(4, &a), nullptr);
  EXPECT_EQ(table.Count(), 1u);
}

class HashIterator : public ::testing::Test {
 protected:
  void SetUp() override { Fill(table, {&i5, &i1, &i4, &i8, &i2, &i9}); }  // 4 8 | 5 1 9 | 2
  Item i5{5}, i1{1}, i4{4}, i8{8}, i2{2}, i9{9};
  RWHashTable table{4};
};

TEST_F(HashIterator, WalksTheBucketsInOrder) {
  RWHashTableIterator it(table);
  EXPECT_EQ(it.Key(), nullptr);
  Order seen;
  while (RWCollectable* e = it.Next()) {
    EXPECT_EQ(it.Key(), e);
    seen.push_back(qvtest::ValueOf(e));
  }
  EXPECT_EQ(seen, Values(table));
  EXPECT_EQ(it.Next(), nullptr);
  EXPECT_EQ(it.Key(), nullptr);
  it.Reset();
  EXPECT_EQ(it.Next(), &i4);

  RWHashTable empty(4);
  RWHashTableIterator none(empty);
  EXPECT_EQ(none.Next(), nullptr);
  EXPECT_EQ(none.Key(), nullptr);
}

TEST_F(HashIterator, FindNextAndCopies) {
  Item k(9), j1(1);
  table.Add(&j1);  // bucket 1 now 5 1 9 1
  RWHashTableIterator it(table);
  EXPECT_EQ(it.FindNext(&j1), &i1);
  RWHashTableIterator copy(it);
  EXPECT_EQ(it.FindNext(&j1), &j1);
  EXPECT_EQ(it.FindNext(&j1), nullptr);
  EXPECT_EQ(copy.Key(), &i1);  // the copy kept its own position
  EXPECT_EQ(copy.FindNext(&k), &i9);
  EXPECT_EQ(copy.Next(), &j1);
  EXPECT_EQ(copy.Next(), &i2);
  copy = it;
  EXPECT_EQ(copy.Next(), nullptr);
  RWSet emptySet(2);
  RWSetIterator none(emptySet);
  RWHashTableIterator assigned(table);
  assigned.Assign(none);
  EXPECT_EQ(assigned.Next(), nullptr);
}

TEST_F(HashIterator, RemovesThroughTheCursor) {
  RWHashTableIterator it(table);
  EXPECT_EQ(it.RemoveCurrent(), nullptr);  // before the first
  it.Next();
  it.Next();  // on 8, the end of bucket 0
  EXPECT_EQ(it.RemoveCurrent(), &i8);
  EXPECT_EQ(it.Key(), &i4);
  EXPECT_EQ(table.Count(), 5u);
  // Searching on into the next buckets.
  Item two(2);
  EXPECT_EQ(it.RemoveNext(&two), &i2);
  EXPECT_EQ(table.Count(), 4u);
  EXPECT_EQ(it.RemoveNext(&two), nullptr);
  EXPECT_EQ(table.Count(), 4u);
  EXPECT_EQ(Values(table), (Order{4, 5, 1, 9}));

  it.Reset();
  Item one(1);
  EXPECT_EQ(it.RemoveNext(&one), &i1);
  EXPECT_EQ(it.Key(), &i5);  // the cursor stands before the removed place
  EXPECT_EQ(it.Next(), &i9);
  EXPECT_EQ(Values(table), (Order{4, 5, 9}));
}

}  // namespace
