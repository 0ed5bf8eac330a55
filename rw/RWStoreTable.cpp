#include "rw/RWStoreTable.h"

#include <cstring>

#include "rw/RWHashTable.h"

namespace {

// The two kinds of entry share one set; each compares equal only to an
// entry of its own kind.
class StoreEntry : public RWCollectable {
 public:
  enum Kind { Object, StringId };
  StoreEntry(Kind kind, uint32_t index) : kind_(kind), index_(index) {}
  Kind EntryKind() const { return kind_; }
  uint32_t Index() const { return index_; }

 private:
  Kind kind_;
  uint32_t index_;
};

class ObjectEntry : public StoreEntry {
 public:
  ObjectEntry(const RWCollectable* object, uint32_t index) : StoreEntry(Object, index), object_(object) {}
  ~ObjectEntry() override = default;

  // The address a, folded as a XOR (a >> 3) over its low 32 bits.
  uint32_t Hash() const override {
    const uint32_t a = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(object_));
    return a ^ (a >> 3);
  }
  bool IsEqual(const RWCollectable* other) const override {
    const auto* entry = static_cast<const StoreEntry*>(other);
    return entry->EntryKind() == Object && static_cast<const ObjectEntry*>(entry)->object_ == object_;
  }

 private:
  const RWCollectable* object_;
};

class StringIdEntry : public StoreEntry {
 public:
  StringIdEntry(const RWStringID& id, uint32_t index) : StoreEntry(StringId, index), id_(id) {}
  ~StringIdEntry() override = default;

  // Case-sensitive.
  uint32_t Hash() const override { return id_.String().Hash(); }
  bool IsEqual(const RWCollectable* other) const override {
    const auto* entry = static_cast<const StoreEntry*>(other);
    if (entry->EntryKind() != StringId) return false;
    const RWCString& a = id_.String();
    const RWCString& b = static_cast<const StringIdEntry*>(entry)->id_.String();
    return a.Length() == b.Length() && std::memcmp(a.Data(), b.Data(), a.Length()) == 0;
  }

 private:
  RWStringID id_;
};

// Finds the probe's entry, or adds the new entry that make() returns with
// the next index.
template <typename Probe, typename Make>
bool EnterEntry(RWSet& entries, const Probe& probe, uint32_t& index, Make make) {
  const RWCollectable* found = entries.FindEqual(&probe);
  if (found != nullptr) {
    index = static_cast<const StoreEntry*>(found)->Index();
    return false;
  }
  index = entries.Count();
  entries.Add(make(index));
  return true;
}

thread_local RWStoreTable* t_storeTable = nullptr;

}  // namespace

RWStoreTable::RWStoreTable() : entries_(new RWSet(64)) {
  uint32_t index;
  Enter(&RWNullObjectInstance, index);
}

RWStoreTable::~RWStoreTable() {
  // The set deletes its entries; the objects belong to their owners.
  entries_->RemoveAndDeleteAll();
  delete entries_;
}

bool RWStoreTable::Enter(const RWCollectable* object, uint32_t& index) {
  const ObjectEntry probe(object, 0);
  return EnterEntry(*entries_, probe, index, [object](uint32_t i) { return new ObjectEntry(object, i); });
}

bool RWStoreTable::EnterStringId(const RWStringID& id, uint32_t& index) {
  const StringIdEntry probe(id, 0);
  return EnterEntry(*entries_, probe, index, [&id](uint32_t i) { return new StringIdEntry(id, i); });
}

uint32_t RWStoreTable::Count() const { return entries_->Count(); }

RWStoreTableGuard::RWStoreTableGuard() : table_(t_storeTable), topLevel_(false) {
  if (table_ == nullptr) {
    table_ = new RWStoreTable;
    t_storeTable = table_;
    topLevel_ = true;
  }
}

RWStoreTableGuard::~RWStoreTableGuard() {
  if (topLevel_) {
    t_storeTable = nullptr;
    delete table_;
  }
}
