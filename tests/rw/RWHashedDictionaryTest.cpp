#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "rw/RWHashedDictionary.h"
#include "support/ErrorCapture.h"

namespace {

// A value that counts its live instances, standing in for a counted handle
// whose destruction releases its object.
struct Value {
  Value() { ++live; }
  Value(const Value& other) : n(other.n) { ++live; }
  Value& operator=(const Value&) = default;
  ~Value() { --live; }
  int n = 0;
  static int live;
};
int Value::live = 0;

uint32_t KeyHash(const uint16_t& key) { return key; }

using Dictionary = RWHashedDictionary<uint16_t, Value>;
using Iterator = RWHashedDictionaryIterator<uint16_t, Value>;
using Entries = std::vector<std::pair<int, int>>;

// The owner's insert-or-replace, as the settings model does it: drop an
// existing node, insert, count the entry when the bucket grew.
void Put(Dictionary& d, uint16_t key, int n) {
  uint32_t b = d.BucketOf(key);
  if (d.Remove(b, key)) d.SetCount(d.Count() - 1);
  size_t before = d.Bucket(b) ? d.Bucket(b)->Count() : 0;
  Value* v = d.FindOrInsert(b, key);
  if (d.Bucket(b)->Count() > before) d.SetCount(d.Count() + 1);
  v->n = n;
}

Entries Walk(Dictionary& d) {
  Entries out;
  Iterator it(d);
  while (Dictionary::Node* node = it.Next()) out.emplace_back(node->key, node->value.n);
  return out;
}

TEST(RWHashedDictionary, BucketOrderAndInsertionOrder) {
  {
    Dictionary d(16, &KeyHash);
    EXPECT_EQ(d.BucketCount(), 16u);
    Put(d, 17, 170);
    Put(d, 2, 20);
    Put(d, 1, 10);
    Put(d, 33, 330);
    Put(d, 0xFFFF, 1);  // bucket 15
    EXPECT_EQ(d.Count(), 5u);
    // Buckets in index order, each in insertion order.
    EXPECT_EQ(Walk(d), (Entries{{17, 170}, {1, 10}, {33, 330}, {2, 20}, {65535, 1}}));
    // Replacing moves the entry to the end of its bucket.
    Put(d, 17, 171);
    EXPECT_EQ(d.Count(), 5u);
    EXPECT_EQ(Walk(d), (Entries{{1, 10}, {33, 330}, {17, 171}, {2, 20}, {65535, 1}}));
    EXPECT_EQ(Value::live, 5);
  }
  EXPECT_EQ(Value::live, 0);
  EXPECT_EQ(Dictionary(0, &KeyHash).BucketCount(), 2u);
}

TEST(RWHashedDictionary, FindOrInsertFindAndRemove) {
  Dictionary d(4, &KeyHash);
  EXPECT_EQ(d.Bucket(1), nullptr);
  EXPECT_EQ(d.Find(1, 5), nullptr);
  Value* v = d.FindOrInsert(1, 5);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->n, 0);  // an empty value
  v->n = 7;
  EXPECT_EQ(d.FindOrInsert(1, 5), v);  // present: the same value
  EXPECT_EQ(d.Bucket(1)->Count(), 1u);
  d.FindOrInsert(1, 9);
  Dictionary::Node* node = d.Find(1, 5);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(&node->value, v);
  EXPECT_EQ(Value::live, 2);

  // Removing a key that is not there: 0, and the bucket's last link points
  // at the tail again.
  RWIntrusiveSlist* bucket = d.Bucket(1);
  EXPECT_EQ(d.Remove(1, 13), 0);
  EXPECT_EQ(bucket->Last()->next, bucket->Tail());
  EXPECT_EQ(bucket->Count(), 2u);
  EXPECT_EQ(d.Remove(2, 5), 0);  // a bucket never made

  // The last node of the bucket: found, and the bucket stays well formed.
  EXPECT_EQ(d.Remove(1, 9), 1);
  EXPECT_EQ(Value::live, 1);
  EXPECT_EQ(bucket->Last(), static_cast<RWSlistLink*>(node));
  EXPECT_EQ(bucket->Last()->next, bucket->Tail());

  Dictionary::Node* taken = d.RemoveNode(1, 5);
  ASSERT_EQ(taken, node);
  EXPECT_EQ(taken->value.n, 7);
  EXPECT_TRUE(bucket->IsEmpty());
  EXPECT_EQ(bucket->Last()->next, bucket->Tail());
  EXPECT_EQ(d.RemoveNode(1, 5), nullptr);
  delete taken;
  EXPECT_EQ(Value::live, 0);
}

TEST(RWHashedDictionary, BucketIndexErrors) {
  Dictionary d(4, &KeyHash);
  EXPECT_EQ(qvtest::RaisedText([&] { d.FindOrInsert(4, 1); }),
            "[INDEXERR] Illegal Index (4) for collection or string with 4 elements");
  qvtest::ScopedErrorCapture capture;
  EXPECT_EQ(d.FindOrInsert(4, 1), nullptr);
  EXPECT_EQ(d.Find(4, 1), nullptr);
  EXPECT_EQ(d.Remove(4, 1), 0);
  EXPECT_EQ(capture.Texts().size(), 3u);
}

TEST(RWHashedDictionary, NextBucketVisitsMadeBuckets) {
  Dictionary d(8, &KeyHash);
  Put(d, 3, 1);
  Put(d, 6, 2);
  d.FindOrInsert(5, 5);
  d.Remove(5, 5);  // bucket 5 made, now empty
  Iterator it(d);
  EXPECT_EQ(it.BucketIterator(), nullptr);
  EXPECT_TRUE(it.NextBucket());
  EXPECT_EQ(it.BucketIndex(), 3u);
  RWIntrusiveSlistIterator* bucketIterator = it.BucketIterator();
  ASSERT_NE(bucketIterator, nullptr);
  EXPECT_EQ(bucketIterator->List(), d.Bucket(3));
  EXPECT_TRUE(it.NextBucket());
  EXPECT_EQ(it.BucketIndex(), 5u);
  EXPECT_EQ(it.BucketIterator(), bucketIterator);  // reattached, not remade
  EXPECT_TRUE(it.NextBucket());
  EXPECT_EQ(it.BucketIndex(), 6u);
  EXPECT_FALSE(it.NextBucket());
  EXPECT_EQ(it.BucketIterator(), nullptr);
  EXPECT_EQ(it.Next(), nullptr);
  it.Reset();
  EXPECT_EQ(it.Next()->key, 3);
  EXPECT_EQ(it.Next()->key, 6);  // the empty bucket is passed over
  EXPECT_EQ(it.Next(), nullptr);

  d.RemoveAll();
  EXPECT_EQ(d.Count(), 0u);
  EXPECT_EQ(d.Bucket(3), nullptr);
  EXPECT_EQ(Value::live, 0);
}

}  // namespace
