#include "rw/RWHashTable.h"

#include <new>

namespace {

// Comparing tables compares their elements, which may be collections in
// turn, and a stored graph read from outside can make collections contain
// one another. Past this nesting a table equals only itself, so every
// comparison ends.
constexpr int kMaxHashEqualityNesting = 64;
thread_local int t_hashEqualityNesting = 0;

struct HashEqualityNesting {
  HashEqualityNesting() { ++t_hashEqualityNesting; }
  ~HashEqualityNesting() { --t_hashEqualityNesting; }
};

}  // namespace

// ---- RWHashTable ----

RWHashTable::RWHashTable(uint32_t n) : buckets_(n == 0 ? 2 : n, nullptr) {}

RWHashTable::RWHashTable(const RWHashTable& other)
    : RWObjectCollection(), buckets_(other.buckets_.Count(), nullptr) {
  CopyBuckets(other);
}

RWHashTable::~RWHashTable() { RemoveAll(); }

void RWHashTable::CopyBuckets(const RWHashTable& other) {
  for (uint32_t i = 0; i < other.BucketCount(); ++i) {
    const RWSlistCollectables* bucket = other.BucketAt(i);
    if (bucket == nullptr) continue;
    RWSlistCollectables* copy = new (std::nothrow) RWSlistCollectables(*bucket);
    // A bucket that cannot be made stays null; its elements are not held.
    if (copy == nullptr) continue;
    buckets_[i] = copy;
    count_ += copy->Count();
  }
}

void RWHashTable::Assign(const RWHashTable& other) {
  if (this == &other) return;
  RemoveAll();
  buckets_.ResizeZeroed(other.buckets_.Count());
  buckets_.Fill(nullptr);
  if (other.ClassId() == ClassId()) {
    CopyBuckets(other);
    return;
  }
  for (uint32_t i = 0; i < other.BucketCount(); ++i) {
    const RWSlistCollectables* bucket = other.BucketAt(i);
    if (bucket == nullptr) continue;
    const RWIntrusiveSlist& links = bucket->List().Links();
    for (const RWSlistLink* p = links.First(); p != links.Tail(); p = p->next)
      Add(static_cast<const RWPointerSlistNode*>(p)->element);
  }
}

RW_COLLECTABLE_KIND_DEFINE_MADE_WITH(RWHashTable, RWDefaultBucketCount)

const RWHashTable* RWHashTable::ComparableTable(const RWCollectable* other) const {
  if (other == nullptr || other->ClassId() != ClassId()) return nullptr;
  const RWHashTable* table = dynamic_cast<const RWHashTable*>(other);
  if (table == nullptr || table->Count() != Count()) return nullptr;
  return table;
}

bool RWHashTable::HoldsNoMoreThan(const RWHashTable& other) const {
  if (&other == this) return true;
  if (t_hashEqualityNesting >= kMaxHashEqualityNesting) return false;
  HashEqualityNesting nesting;
  std::unique_ptr<RWSet> distinct(DistinctCopy());
  for (uint32_t i = 0; i < distinct->BucketCount(); ++i) {
    const RWSlistCollectables* bucket = distinct->BucketAt(i);
    if (bucket == nullptr) continue;
    const RWIntrusiveSlist& links = bucket->List().Links();
    for (const RWSlistLink* p = links.First(); p != links.Tail(); p = p->next) {
      const RWCollectable* d = static_cast<const RWPointerSlistNode*>(p)->element;
      if (other.CountEqual(d) < CountEqual(d)) return false;
    }
  }
  return true;
}

bool RWHashTable::EachElementIsIn(const RWHashTable& other) const {
  for (uint32_t i = 0; i < BucketCount(); ++i) {
    const RWSlistCollectables* bucket = BucketAt(i);
    if (bucket == nullptr) continue;
    const RWIntrusiveSlist& links = bucket->List().Links();
    for (const RWSlistLink* p = links.First(); p != links.Tail(); p = p->next)
      if (other.FindEqual(static_cast<const RWPointerSlistNode*>(p)->element) == nullptr) return false;
  }
  return true;
}

bool RWHashTable::IsEqual(const RWCollectable* other) const {
  const RWHashTable* table = ComparableTable(other);
  return table != nullptr && HoldsNoMoreThan(*table);
}

void RWHashTable::ApplyToEach(RWApplyCollectable function, void* userData) const {
  for (uint32_t i = 0; i < BucketCount(); ++i) {
    const RWSlistCollectables* bucket = BucketAt(i);
    if (bucket != nullptr) bucket->ApplyToEach(function, userData);
  }
}

void RWHashTable::RemoveAll() {
  for (uint32_t i = 0; i < BucketCount(); ++i) {
    delete BucketAt(i);
    buckets_[i] = nullptr;
  }
  count_ = 0;
}

RWCollectable* RWHashTable::FindEqual(const RWCollectable* x) const {
  if (x == nullptr) return nullptr;
  const RWSlistCollectables* bucket = BucketAt(IndexOfHash(x->Hash()));
  return bucket == nullptr ? nullptr : bucket->FindEqual(x);
}

RWCollectable* RWHashTable::Add(RWCollectable* x) {
  if (x == nullptr) return nullptr;
  return AddToBucket(IndexOfHash(x->Hash()), x);
}

uint32_t RWHashTable::CountEqual(const RWCollectable* x) const {
  if (x == nullptr) return 0;
  const RWSlistCollectables* bucket = BucketAt(IndexOfHash(x->Hash()));
  return bucket == nullptr ? 0 : bucket->CountEqual(x);
}

RWCollectable* RWHashTable::RemoveEqual(const RWCollectable* x) {
  if (x == nullptr) return nullptr;
  RWSlistCollectables* bucket = BucketAt(IndexOfHash(x->Hash()));
  if (bucket == nullptr) return nullptr;
  RWCollectable* removed = bucket->RemoveEqual(x);
  if (removed != nullptr) --count_;
  return removed;
}

void RWHashTable::Resize(uint32_t n) {
  if (n == 0) n = count_ < 12 ? 16 : count_ * 3 / 2;
  // Set the old buckets aside and start again from n null buckets.
  RWPointerVector old(buckets_);
  buckets_.ResizeZeroed(n);
  buckets_.Fill(nullptr);
  count_ = 0;
  for (size_t i = 0; i < old.Count(); ++i) {
    RWSlistCollectables* bucket = static_cast<RWSlistCollectables*>(old[i]);
    if (bucket == nullptr) continue;
    const RWIntrusiveSlist& links = bucket->List().Links();
    for (const RWSlistLink* p = links.First(); p != links.Tail(); p = p->next)
      Add(static_cast<const RWPointerSlistNode*>(p)->element);
    delete bucket;
  }
}

RWCollectable* RWHashTable::AddToBucket(uint32_t index, RWCollectable* x) {
  if (buckets_.CheckIndex(index) == 0) return nullptr;
  if (x == nullptr) return nullptr;
  RWSlistCollectables* bucket = BucketAt(index);
  if (bucket == nullptr) {
    bucket = new (std::nothrow) RWSlistCollectables;
    // A bucket that cannot be made is left null and x is not stored.
    if (bucket == nullptr) return nullptr;
    buckets_[index] = bucket;
  }
  if (bucket->Append(x) == nullptr) return nullptr;
  ++count_;
  return x;
}

RWSet* RWHashTable::DistinctCopy() const {
  RWSet* set = new RWSet(count_ / 2);
  for (uint32_t i = 0; i < BucketCount(); ++i) {
    const RWSlistCollectables* bucket = BucketAt(i);
    if (bucket == nullptr) continue;
    const RWIntrusiveSlist& links = bucket->List().Links();
    for (const RWSlistLink* p = links.First(); p != links.Tail(); p = p->next)
      set->Add(static_cast<const RWPointerSlistNode*>(p)->element);
  }
  return set;
}

// ---- RWSet ----

RWSet::~RWSet() = default;

RW_COLLECTABLE_KIND_DEFINE_MADE_WITH(RWSet, RWDefaultBucketCount)

bool RWSet::IsEqual(const RWCollectable* other) const {
  const RWHashTable* table = ComparableTable(other);
  return table != nullptr && HoldsNoMoreThan(*table);
}

void RWSet::RemoveAndDeleteAll() {
  // No two elements are equal, so no object is held twice.
  for (uint32_t i = 0; i < BucketCount(); ++i) {
    const RWSlistCollectables* bucket = BucketAt(i);
    if (bucket == nullptr) continue;
    const RWIntrusiveSlist& links = bucket->List().Links();
    for (const RWSlistLink* p = links.First(); p != links.Tail(); p = p->next)
      delete static_cast<const RWPointerSlistNode*>(p)->element;
  }
  RemoveAll();
}

RWCollectable* RWSet::Add(RWCollectable* x) {
  if (x == nullptr) return nullptr;
  uint32_t index = IndexOfHash(x->Hash());
  const RWSlistCollectables* bucket = BucketAt(index);
  if (bucket != nullptr) {
    RWCollectable* present = bucket->FindEqual(x);
    if (present != nullptr) return present;
  }
  return AddToBucket(index, x);
}

uint32_t RWSet::CountEqual(const RWCollectable* x) const { return FindEqual(x) != nullptr ? 1 : 0; }

bool RWSet::IsSubsetOf(const RWSet& other) const { return EachElementIsIn(other); }

bool RWSet::IsProperSubsetOf(const RWSet& other) const { return Count() < other.Count() && IsSubsetOf(other); }

void RWSet::IntersectWith(const RWSet& other) {
  if (other.IsEmpty()) {
    RemoveAll();
    return;
  }
  RWSetIterator it(*this);
  while (RWCollectable* element = it.Next())
    if (!other.Contains(element)) it.RemoveCurrent();
}

void RWSet::IntersectionInto(const RWSet& other, RWObjectCollection& result) const {
  // Walk the smaller set and look each element up in the larger one.
  const RWSet& walked = Count() < other.Count() ? *this : other;
  const RWSet& probed = Count() < other.Count() ? other : *this;
  for (uint32_t i = 0; i < walked.BucketCount(); ++i) {
    const RWSlistCollectables* bucket = walked.BucketAt(i);
    if (bucket == nullptr) continue;
    const RWIntrusiveSlist& links = bucket->List().Links();
    for (const RWSlistLink* p = links.First(); p != links.Tail(); p = p->next) {
      RWCollectable* element = static_cast<const RWPointerSlistNode*>(p)->element;
      if (probed.Contains(element)) result.Add(element);
    }
  }
}

// ---- RWIdentitySet ----

RWIdentitySet::~RWIdentitySet() = default;

uint32_t RWIdentitySet::IdentityHash(const RWCollectable* x) {
  uint32_t a = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(x));
  return a ^ (a >> 3);
}

RW_COLLECTABLE_KIND_DEFINE_MADE_WITH(RWIdentitySet, RWDefaultBucketCount)

bool RWIdentitySet::IsEqual(const RWCollectable* other) const {
  // The elements are distinct objects already. Collapsing them by IsEqual,
  // as for the other tables, would let one of two equal objects stand for
  // both and miss the other's absence from the other set.
  const RWHashTable* table = ComparableTable(other);
  return table != nullptr && EachElementIsIn(*table);
}

RWCollectable* RWIdentitySet::FindEqual(const RWCollectable* x) const {
  if (x == nullptr) return nullptr;
  const RWSlistCollectables* bucket = BucketAt(IndexOfHash(IdentityHash(x)));
  return bucket == nullptr ? nullptr : bucket->List().FindReference(x);
}

RWCollectable* RWIdentitySet::Add(RWCollectable* x) {
  if (x == nullptr) return nullptr;
  uint32_t index = IndexOfHash(IdentityHash(x));
  const RWSlistCollectables* bucket = BucketAt(index);
  if (bucket != nullptr && bucket->List().FindReference(x) != nullptr) return x;
  return AddToBucket(index, x);
}

RWCollectable* RWIdentitySet::RemoveEqual(const RWCollectable* x) {
  if (x == nullptr) return nullptr;
  RWSlistCollectables* bucket = BucketAt(IndexOfHash(IdentityHash(x)));
  if (bucket == nullptr) return nullptr;
  RWCollectable* removed = bucket->RemoveReference(x);
  if (removed != nullptr) DecrementCount();
  return removed;
}

// ---- RWHashTableIterator ----

RWHashTableIterator::RWHashTableIterator(RWHashTable& table) : table_(&table) { Reset(); }

RWHashTableIterator::RWHashTableIterator(const RWHashTableIterator& other)
    : table_(other.table_),
      index_(other.index_),
      bucket_(other.bucket_ ? std::make_unique<RWSlistCollectablesIterator>(*other.bucket_) : nullptr) {}

RWHashTableIterator::~RWHashTableIterator() = default;

void RWHashTableIterator::Assign(const RWHashTableIterator& other) {
  if (this == &other) return;
  table_ = other.table_;
  index_ = other.index_;
  bucket_ = other.bucket_ ? std::make_unique<RWSlistCollectablesIterator>(*other.bucket_) : nullptr;
}

bool RWHashTableIterator::NextBucket() {
  bucket_.reset();
  uint32_t count = table_->BucketCount();
  // index_ starts at -1, so the first step lands on bucket 0.
  for (++index_; index_ < count; ++index_) {
    RWSlistCollectables* bucket = table_->BucketAt(index_);
    if (bucket != nullptr) {
      bucket_ = std::make_unique<RWSlistCollectablesIterator>(*bucket);
      return true;
    }
  }
  index_ = count;
  return false;
}

void RWHashTableIterator::Reset() {
  index_ = 0xFFFFFFFFu;
  NextBucket();
}

RWCollectable* RWHashTableIterator::Next() {
  while (bucket_ != nullptr) {
    if (RWCollectable* element = bucket_->Next()) return element;
    NextBucket();
  }
  return nullptr;
}

RWCollectable* RWHashTableIterator::FindNext(const RWCollectable* x) {
  while (bucket_ != nullptr) {
    if (RWCollectable* element = bucket_->FindNext(x)) return element;
    NextBucket();
  }
  return nullptr;
}

RWCollectable* RWHashTableIterator::Key() const { return bucket_ == nullptr ? nullptr : bucket_->Key(); }

RWCollectable* RWHashTableIterator::RemoveCurrent() {
  if (bucket_ == nullptr) return nullptr;
  RWCollectable* removed = bucket_->RemoveCurrent();
  if (removed != nullptr) table_->DecrementCount();
  return removed;
}

RWCollectable* RWHashTableIterator::RemoveNext(const RWCollectable* x) {
  while (bucket_ != nullptr) {
    if (RWCollectable* removed = bucket_->RemoveNext(x)) {
      table_->DecrementCount();
      return removed;
    }
    NextBucket();
  }
  return nullptr;
}

RWSetIterator::~RWSetIterator() = default;

// ---- Factory create functions ----

RWCollectable* RWHashTableCreate() { return new RWHashTable(RWDefaultBucketCount); }

RWCollectable* RWSetCreate() { return new RWSet(RWDefaultBucketCount); }

RWCollectable* RWIdentitySetCreate() { return new RWIdentitySet(RWDefaultBucketCount); }
