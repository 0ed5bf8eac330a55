// The hashed collections of the library. RWHashTable is a bag (equal
// elements may occur several times), RWSet keeps no two equal elements and
// RWIdentitySet is a set by object identity (the generic delete-all and the
// persistence tables use it). Elements live in buckets: a bucket is null
// until its first element arrives, then an RWSlistCollectables owned by the
// table. The bucket of an element is its hash modulo the bucket count; the
// table never resizes by itself. RWHashTableIterator walks the buckets in
// index order and each bucket from its head.
//
// Ownership: as for every collection, the table holds the caller's pointers
// and frees only its buckets; RemoveAndDeleteAll deletes the elements. A null
// pointer is never stored (there is no object to hash): adding one returns
// null.
#pragma once

#include <cstdint>
#include <memory>

#include "rw/RWCollectableKind.h"
#include "rw/RWObjectCollection.h"
#include "rw/RWPointerVector.h"
#include "rw/RWSlistCollectables.h"

constexpr RWClassID RWHashTableClassId = 0x805E;
constexpr RWClassID RWSetClassId = 0x802B;
constexpr RWClassID RWIdentitySetClassId = 0x8025;

// The bucket count of tables made by the factory and by CreateSameKind.
constexpr uint32_t RWDefaultBucketCount = 64;

class RWSet;

class RWHashTable : public RWObjectCollection {
 public:
  // A table of n buckets; 0 gives 2.
  explicit RWHashTable(uint32_t n = RWDefaultBucketCount);
  // The same bucket count, entry count and bucket contents (the element
  // pointers are shared).
  RWHashTable(const RWHashTable& other);
  RWHashTable& operator=(const RWHashTable& other) {
    Assign(other);
    return *this;
  }
  ~RWHashTable() override;

  // Nothing for itself. Otherwise RemoveAll and take over the other's
  // bucket count and elements. Between tables of one class the buckets are
  // copied as they stand; from a table of another class (which hashes or
  // admits elements differently) each element is added through Add, so the
  // buckets and this class's rule stay right.
  void Assign(const RWHashTable& other);

  static RWClassID StaticClassId() { return RWHashTableClassId; }

  // ---- RWCollectable ----
  // A table made by CreateSameKind has 64 buckets; Clone copies as the copy
  // constructor does.
  RW_COLLECTABLE_KIND(RWHashTable);
  // Bag equality: the same class id and entry count, and every distinct
  // element occurs in the other at least as often as here.
  bool IsEqual(const RWCollectable* other) const override;

  // ---- RWObjectCollection ----
  // Each non-null bucket in index order, each from its head.
  void ApplyToEach(RWApplyCollectable function, void* userData) const override;
  // Deletes every bucket list (not the elements); count 0.
  void RemoveAll() override;
  uint32_t Count() const override { return count_; }
  RWCollectable* FindEqual(const RWCollectable* x) const override;
  // Appends x to its bucket and returns it; null when x is null or could
  // not be stored.
  RWCollectable* Add(RWCollectable* x) override;
  bool IsEmpty() const override { return count_ == 0; }
  uint32_t CountEqual(const RWCollectable* x) const override;
  RWCollectable* RemoveEqual(const RWCollectable* x) override;

  // Rebuilds the table with n buckets, adding every element again through
  // Add. n = 0 lets the table choose: 16 below 12 entries, else
  // count * 3 / 2.
  virtual void Resize(uint32_t n = 0);

  // Appends x to bucket index (checked), creating the bucket when needed.
  // Returns x, or null when nothing was stored.
  RWCollectable* AddToBucket(uint32_t index, RWCollectable* x);

  // A new set (the caller owns it, not the elements) with Count / 2
  // buckets holding every element of this collection once.
  RWSet* DistinctCopy() const;

  uint32_t BucketCount() const { return static_cast<uint32_t>(buckets_.Count()); }
  // The bucket list at index, or null when it has not been made.
  const RWSlistCollectables* Bucket(uint32_t index) const { return BucketAt(index); }

 protected:
  RWSlistCollectables* BucketAt(uint32_t index) const {
    return static_cast<RWSlistCollectables*>(buckets_[index]);
  }
  uint32_t IndexOfHash(uint32_t hash) const { return hash % BucketCount(); }
  void DecrementCount() { --count_; }
  // Every distinct element occurs in other at least as often as here; the
  // distinct elements are those of DistinctCopy.
  bool HoldsNoMoreThan(const RWHashTable& other) const;
  // The same test when this collection's elements are distinct already.
  bool EachElementIsIn(const RWHashTable& other) const;
  // The other table when it is one of this class with as many entries.
  const RWHashTable* ComparableTable(const RWCollectable* other) const;

 private:
  friend class RWHashTableIterator;

  // Copies the other's buckets into this table's null buckets.
  void CopyBuckets(const RWHashTable& other);

  RWPointerVector buckets_;
  uint32_t count_ = 0;
};

class RWSet : public RWHashTable {
 public:
  explicit RWSet(uint32_t n = RWDefaultBucketCount) : RWHashTable(n) {}
  RWSet(const RWSet& other) = default;
  RWSet& operator=(const RWSet& other) {
    Assign(other);
    return *this;
  }
  ~RWSet() override;

  static RWClassID StaticClassId() { return RWSetClassId; }

  RW_COLLECTABLE_KIND(RWSet);
  bool IsEqual(const RWCollectable* other) const override;

  // Deletes each element, then RemoveAll.
  void RemoveAndDeleteAll() override;
  // When an equal element is present, returns it and adds nothing (x stays
  // with the caller); else stores x and returns it.
  RWCollectable* Add(RWCollectable* x) override;
  // 1 when an equal element is present, else 0.
  uint32_t CountEqual(const RWCollectable* x) const override;

  // ---- Set algebra ----
  // Every element of this set is contained in other.
  bool IsSubsetOf(const RWSet& other) const;
  bool IsProperSubsetOf(const RWSet& other) const;
  // Removes every element that other does not contain.
  void IntersectWith(const RWSet& other);
  // Adds to result each element of the smaller of the two sets that the
  // larger one contains.
  void IntersectionInto(const RWSet& other, RWObjectCollection& result) const;
};

class RWIdentitySet : public RWSet {
 public:
  explicit RWIdentitySet(uint32_t n = RWDefaultBucketCount) : RWSet(n) {}
  RWIdentitySet(const RWIdentitySet& other) = default;
  RWIdentitySet& operator=(const RWIdentitySet& other) {
    Assign(other);
    return *this;
  }
  ~RWIdentitySet() override;

  static RWClassID StaticClassId() { return RWIdentitySetClassId; }
  // The bucket hash of an object: its address a (low 32 bits) as a ^ (a >> 3).
  static uint32_t IdentityHash(const RWCollectable* x);

  RW_COLLECTABLE_KIND(RWIdentitySet);
  bool IsEqual(const RWCollectable* other) const override;

  // x itself when that very object is held, else null.
  RWCollectable* FindEqual(const RWCollectable* x) const override;
  // Stores x unless that very object is held already (then returns it).
  RWCollectable* Add(RWCollectable* x) override;
  // Removes that very object.
  RWCollectable* RemoveEqual(const RWCollectable* x) override;
};

class RWHashTableIterator {
 public:
  // Attaches to the table and resets.
  explicit RWHashTableIterator(RWHashTable& table);
  RWHashTableIterator(const RWHashTableIterator& other);
  RWHashTableIterator& operator=(const RWHashTableIterator& other) {
    Assign(other);
    return *this;
  }
  virtual ~RWHashTableIterator();

  // Takes over the other's table and position (the bucket iterator is
  // duplicated).
  void Assign(const RWHashTableIterator& other);

  // Advances to the next element equal to x; null when all buckets are done.
  virtual RWCollectable* FindNext(const RWCollectable* x);
  // The element under the cursor, or null.
  virtual RWCollectable* Key() const;
  // Advances one element; null when all buckets are done.
  virtual RWCollectable* Next();
  // Back before the first element of the first non-null bucket.
  virtual void Reset();

  // Removes the element under the cursor from its bucket (the cursor moves
  // back to its predecessor) and returns it; null when there is none.
  RWCollectable* RemoveCurrent();
  // Removes the next element equal to x, searching on through the buckets.
  RWCollectable* RemoveNext(const RWCollectable* x);

 private:
  // Moves to the first non-null bucket after the current index and makes a
  // bucket iterator for it; false, with no bucket iterator, past the last.
  bool NextBucket();

  RWHashTable* table_;
  uint32_t index_ = 0xFFFFFFFFu;
  std::unique_ptr<RWSlistCollectablesIterator> bucket_;
};

class RWSetIterator : public RWHashTableIterator {
 public:
  explicit RWSetIterator(RWSet& set) : RWHashTableIterator(set) {}
  ~RWSetIterator() override;
};

// Create functions for the class factory (64 buckets each).
RWCollectable* RWHashTableCreate();
RWCollectable* RWSetCreate();
RWCollectable* RWIdentitySetCreate();
