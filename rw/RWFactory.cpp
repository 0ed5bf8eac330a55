#include "rw/RWFactory.h"

#include <atomic>
#include <cstring>
#include <new>
#include <thread>

#include "rw/RWSmallBlockCache.h"

namespace {

// The string ids given to classes registered without one.
const char kNoStringId[] = "NoID";
const char kNoRWStringId[] = "No_RWStringID";

// Guards the singleton pointer.
RWModuleLock g_factoryLock;
// Guards insertion, look-up and removal of entries and the factory's
// destruction.
RWModuleLock g_entriesLock;
RWFactory* g_factory = nullptr;

// Creates the lock's critical section on first use, once even when two
// threads arrive together: the first claims the flag (0 -> 2), the others
// wait until it is 1.
void EnsureFactoryCreated(RWModuleLock& lock) {
  std::atomic_ref<int32_t> flag(lock.created);
  if (flag.load(std::memory_order_acquire) == 1) return;
  int32_t expected = 0;
  if (flag.compare_exchange_strong(expected, 2, std::memory_order_acq_rel)) {
    InitializeCriticalSection(&lock.section);
    flag.store(1, std::memory_order_release);
    return;
  }
  while (flag.load(std::memory_order_acquire) != 1) std::this_thread::yield();
}

class Locked {
 public:
  explicit Locked(RWModuleLock& lock) : lock_(lock) {
    EnsureFactoryCreated(lock_);
    EnterCriticalSection(&lock_.section);
  }
  ~Locked() { LeaveCriticalSection(&lock_.section); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  RWModuleLock& lock_;
};

bool SameString(const RWStringID& a, const RWStringID& b) {
  const RWCString& x = a.String();
  const RWCString& y = b.String();
  return x.Length() == y.Length() && std::memcmp(x.Data(), y.Data(), x.Length()) == 0;
}

// Inserts the entry unless an equal one is there; the first one stays.
void Insert(RWSet& entries, RWCollectable* entry) {
  if (entry == nullptr) return;  // could not be allocated: nothing inserted
  if (entries.Add(entry) != entry) delete entry;
}

// After a removal: destroys the factory when it holds no entry any more.
void DestroyFactoryWhenEmpty() {
  bool destroyed = false;
  {
    Locked factoryGuard(g_factoryLock);
    Locked entriesGuard(g_entriesLock);
    if (g_factory != nullptr && g_factory->IsEmpty()) {
      delete g_factory;
      g_factory = nullptr;
      destroyed = true;
    }
  }
  if (destroyed) RWSmallBlockCacheRelease();
}

}  // namespace

// ---- Entries ----

RWFactoryIdEntry::~RWFactoryIdEntry() = default;

uint32_t RWFactoryIdEntry::Hash() const { return id_; }

bool RWFactoryIdEntry::IsEqual(const RWCollectable* other) const {
  const RWFactoryIdEntry* entry = dynamic_cast<const RWFactoryIdEntry*>(other);
  return entry != nullptr && entry->id_ == id_;
}

RWFactoryStringEntry::~RWFactoryStringEntry() = default;

uint32_t RWFactoryStringEntry::Hash() const { return stringId_.String().Hash(); }

bool RWFactoryStringEntry::IsEqual(const RWCollectable* other) const {
  const RWFactoryStringEntry* entry = dynamic_cast<const RWFactoryStringEntry*>(other);
  return entry != nullptr && SameString(entry->stringId_, stringId_);
}

// ---- RWFactory ----

RWFactory::RWFactory() : entries_(RWDefaultBucketCount) {}

RWFactory::~RWFactory() {
  Locked guard(g_entriesLock);
  entries_.RemoveAndDeleteAll();
}

void RWFactory::AddClass(RWUserCreator create, RWClassID id, const RWStringID& stringId) {
  Insert(entries_, new (std::nothrow) RWFactoryIdEntry(id, create, stringId));
  Insert(entries_, new (std::nothrow) RWFactoryStringEntry(id, create, stringId));
}

void RWFactory::AddClassId(RWUserCreator create, RWClassID id) { AddClass(create, id, RWStringID(kNoStringId)); }

void RWFactory::RemoveClassId(RWClassID id) {
  RWFactoryIdEntry probe(id, nullptr, RWStringID());
  entries_.RemoveEqualAndDelete(&probe);
}

void RWFactory::RemoveStringId(const RWStringID& stringId) {
  RWFactoryStringEntry probe(RWNoClassId, nullptr, stringId);
  entries_.RemoveEqualAndDelete(&probe);
}

RWUserCreator RWFactory::CreatorOf(RWClassID id) const {
  RWFactoryIdEntry probe(id, nullptr, RWStringID());
  const auto* entry = static_cast<const RWFactoryIdEntry*>(entries_.FindEqual(&probe));
  return entry == nullptr ? nullptr : entry->Creator();
}

RWUserCreator RWFactory::CreatorOfStringId(const RWStringID& stringId) const {
  RWFactoryStringEntry probe(RWNoClassId, nullptr, stringId);
  const auto* entry = static_cast<const RWFactoryStringEntry*>(entries_.FindEqual(&probe));
  return entry == nullptr ? nullptr : entry->Creator();
}

RWStringID RWFactory::StringIdOf(RWClassID id) const {
  RWFactoryIdEntry probe(id, nullptr, RWStringID());
  const auto* entry = static_cast<const RWFactoryIdEntry*>(entries_.FindEqual(&probe));
  return entry == nullptr ? RWStringID(kNoStringId) : entry->StringId();
}

RWClassID RWFactory::ClassIdOf(const RWStringID& stringId) const {
  RWFactoryStringEntry probe(RWNoClassId, nullptr, stringId);
  const auto* entry = static_cast<const RWFactoryStringEntry*>(entries_.FindEqual(&probe));
  return entry == nullptr ? RWNoClassId : entry->Id();
}

// ---- The process-wide factory ----

void RWFactoryAddClass(RWUserCreator create, RWClassID id, const RWStringID& stringId) {
  // The factory lock is held until the entries are in, so that a removal
  // emptying the factory cannot destroy it in between.
  Locked factoryGuard(g_factoryLock);
  if (g_factory == nullptr) {
    g_factory = new (std::nothrow) RWFactory;
    if (g_factory == nullptr) return;
  }
  Locked entriesGuard(g_entriesLock);
  g_factory->AddClass(create, id, stringId);
}

void RWFactoryAddClassId(RWUserCreator create, RWClassID id) {
  RWFactoryAddClass(create, id, RWStringID(kNoRWStringId));
}

void RWFactoryRemoveClassId(RWClassID id) {
  {
    Locked guard(g_entriesLock);
    if (g_factory == nullptr) return;
    g_factory->RemoveClassId(id);
  }
  DestroyFactoryWhenEmpty();
}

void RWFactoryRemoveStringId(const RWStringID& stringId) {
  {
    Locked guard(g_entriesLock);
    if (g_factory == nullptr) return;
    g_factory->RemoveStringId(stringId);
  }
  DestroyFactoryWhenEmpty();
}

RWCollectable* RWFactoryCreate(RWClassID id) {
  RWUserCreator create = nullptr;
  {
    Locked guard(g_entriesLock);
    if (g_factory != nullptr) create = g_factory->CreatorOf(id);
  }
  // The create function runs outside the lock.
  return create == nullptr ? nullptr : create();
}

RWCollectable* RWFactoryCreateByStringId(const RWStringID& stringId) {
  RWUserCreator create = nullptr;
  {
    Locked guard(g_entriesLock);
    if (g_factory != nullptr) create = g_factory->CreatorOfStringId(stringId);
  }
  return create == nullptr ? nullptr : create();
}

RWStringID RWFactoryStringIdOf(RWClassID id) {
  Locked guard(g_entriesLock);
  return g_factory == nullptr ? RWStringID(kNoStringId) : g_factory->StringIdOf(id);
}

RWClassID RWFactoryClassIdOf(const RWStringID& stringId) {
  Locked guard(g_entriesLock);
  return g_factory == nullptr ? RWNoClassId : g_factory->ClassIdOf(stringId);
}

bool RWFactoryExists() {
  Locked guard(g_factoryLock);
  return g_factory != nullptr;
}
