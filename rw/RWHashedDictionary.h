// RWHashedDictionary<K, V>: a map from small keys to values kept in hash
// buckets of intrusive nodes {link, key, value}. The owner gives the hash
// function and the bucket count and carries out the map operations
// (insert-or-replace, find, remove) with the bucket operations here; each
// bucket keeps its nodes in insertion order and is made at its first
// insertion. The table never grows. The handle tables of the driver core and
// the option tables of the paper-handling devices are dictionaries.
//
// Ownership: the dictionary owns its nodes and so the values in them;
// destroying a node destroys its value (a counted handle then releases its
// object). K needs == and copying; V needs a default constructor.
#pragma once

#include <cstdint>
#include <memory>
#include <new>

#include "rw/RWIntrusiveSlist.h"
#include "rw/RWPointerVector.h"

template <typename K, typename V>
struct RWHashedDictionaryNode : RWSlistLink {
  explicit RWHashedDictionaryNode(const K& k) : key(k), value() {}
  K key;
  V value;
};

template <typename K, typename V>
class RWHashedDictionary {
 public:
  typedef RWHashedDictionaryNode<K, V> Node;
  typedef uint32_t (*HashFunction)(const K& key);

  // n buckets (0 gives 2), all empty.
  RWHashedDictionary(uint32_t n, HashFunction hash) : buckets_(n == 0 ? 2 : n, nullptr), hash_(hash) {}
  RWHashedDictionary(const RWHashedDictionary&) = delete;
  RWHashedDictionary& operator=(const RWHashedDictionary&) = delete;
  ~RWHashedDictionary() { RemoveAll(); }

  uint32_t BucketCount() const { return static_cast<uint32_t>(buckets_.Count()); }
  // The bucket of a key: its hash modulo the bucket count.
  uint32_t BucketOf(const K& key) const { return hash_(key) % BucketCount(); }
  // The bucket list at index, or null when it has not been made.
  RWIntrusiveSlist* Bucket(uint32_t index) const { return static_cast<RWIntrusiveSlist*>(buckets_[index]); }

  // The entry count is kept by the owner's map operations.
  uint32_t Count() const { return count_; }
  void SetCount(uint32_t count) { count_ = count; }

  // The address of the value stored under key in the bucket; when the key
  // is absent a node {key, empty value} is appended first. Null after an
  // index error or when no node or bucket could be allocated.
  V* FindOrInsert(uint32_t bucket, const K& key) {
    if (buckets_.CheckIndex(bucket) == 0) return nullptr;
    RWIntrusiveSlist* list = Bucket(bucket);
    if (list == nullptr) {
      list = new (std::nothrow) RWIntrusiveSlist;
      if (list == nullptr) return nullptr;
      buckets_[bucket] = list;
    }
    for (RWSlistLink* p = list->First(); p != list->Tail(); p = p->next)
      if (static_cast<Node*>(p)->key == key) return &static_cast<Node*>(p)->value;
    Node* node = new (std::nothrow) Node(key);
    if (node == nullptr) return nullptr;
    list->InsertAfter(list->Last(), node);
    return &node->value;
  }

  // The node holding key in the bucket, or null.
  Node* Find(uint32_t bucket, const K& key) const {
    if (buckets_.CheckIndex(bucket) == 0) return nullptr;
    RWIntrusiveSlist* list = Bucket(bucket);
    if (list == nullptr) return nullptr;
    for (RWSlistLink* p = list->First(); p != list->Tail(); p = p->next)
      if (static_cast<Node*>(p)->key == key) return static_cast<Node*>(p);
    return nullptr;
  }

  // Unlinks and deletes the node of key (its value is destroyed with it);
  // 1 when found, else 0.
  int Remove(uint32_t bucket, const K& key) {
    Node* node = RemoveNode(bucket, key);
    if (node == nullptr) return 0;
    delete node;
    return 1;
  }

  // Unlinks and returns the node of key, or null; the caller deletes it.
  Node* RemoveNode(uint32_t bucket, const K& key) {
    if (buckets_.CheckIndex(bucket) == 0) return nullptr;
    RWIntrusiveSlist* list = Bucket(bucket);
    if (list == nullptr) return nullptr;
    // The last link points for the search at a node holding the key, so the
    // walk for the link before the key's node always stops; stopping before
    // that temporary node means the key is absent.
    Node probe(key);
    RWSlistLink* last = list->Last();
    last->next = &probe;
    RWSlistLink* previous = list->Head();
    while (!(static_cast<Node*>(previous->next)->key == key)) previous = previous->next;
    bool absent = previous->next == &probe;
    last->next = list->Tail();
    if (absent) return nullptr;
    return static_cast<Node*>(list->RemoveAfter(previous));
  }

  // Deletes every node and bucket list; count 0.
  void RemoveAll() {
    for (uint32_t i = 0; i < BucketCount(); ++i) {
      RWIntrusiveSlist* list = Bucket(i);
      if (list == nullptr) continue;
      RWSlistLink* p = list->First();
      while (p != list->Tail()) {
        RWSlistLink* next = p->next;
        delete static_cast<Node*>(p);
        p = next;
      }
      delete list;
      buckets_[i] = nullptr;
    }
    count_ = 0;
  }

 private:
  RWPointerVector buckets_;
  uint32_t count_ = 0;
  HashFunction hash_;
};

// Walks a dictionary bucket by bucket: {dictionary, bucket index, iterator
// over the current bucket list}.
template <typename K, typename V>
class RWHashedDictionaryIterator {
 public:
  typedef RWHashedDictionaryNode<K, V> Node;

  explicit RWHashedDictionaryIterator(RWHashedDictionary<K, V>& dictionary) : dictionary_(&dictionary) {}

  // Advances the index to the next non-null bucket and attaches the bucket
  // iterator to it (cursor on its head). Past the last bucket the bucket
  // iterator is deleted and left null, and the answer is false.
  bool NextBucket() {
    uint32_t count = dictionary_->BucketCount();
    for (++index_; index_ < count; ++index_) {
      RWIntrusiveSlist* list = dictionary_->Bucket(index_);
      if (list == nullptr) continue;
      if (bucket_ == nullptr)
        bucket_ = std::make_unique<RWIntrusiveSlistIterator>(*list);
      else
        bucket_->AttachTo(*list);
      return true;
    }
    index_ = count;
    bucket_.reset();
    return false;
  }

  // The next node in bucket order, each bucket in insertion order; null
  // when every bucket is done.
  Node* Next() {
    if (bucket_ == nullptr && (index_ != kBeforeFirst || !NextBucket())) return nullptr;
    for (;;) {
      if (RWSlistLink* link = bucket_->Advance(1)) return static_cast<Node*>(link);
      if (!NextBucket()) return nullptr;
    }
  }

  // Back before the first bucket.
  void Reset() {
    index_ = kBeforeFirst;
    bucket_.reset();
  }

  uint32_t BucketIndex() const { return index_; }
  RWIntrusiveSlistIterator* BucketIterator() const { return bucket_.get(); }

 private:
  static constexpr uint32_t kBeforeFirst = 0xFFFFFFFFu;

  RWHashedDictionary<K, V>* dictionary_;
  uint32_t index_ = kBeforeFirst;
  std::unique_ptr<RWIntrusiveSlistIterator> bucket_;
};
