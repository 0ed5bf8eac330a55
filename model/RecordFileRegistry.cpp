#include "model/RecordFileRegistry.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "model/MPersistentCompositeOnDiskImp.h"
#include "rw/RWCollectable.h"
#include "rw/RWIntrusiveDlist.h"

namespace {

// Zero-initialised before any code runs, so it can be used from other
// start-up code; the section is deleted when the statics go, after the
// registry has been released (defined below, so destroyed earlier).
RWModuleLock g_lock;

void EnsureLock() {
  std::atomic_ref<int32_t> flag(g_lock.created);
  if (flag.load(std::memory_order_acquire) == 1) return;
  int32_t expected = 0;
  if (flag.compare_exchange_strong(expected, 2, std::memory_order_acq_rel)) {
    InitializeCriticalSection(&g_lock.section);
    flag.store(1, std::memory_order_release);
    return;
  }
  while (flag.load(std::memory_order_acquire) != 1) std::this_thread::yield();
}

struct RecordFileEntry : RWDlistLink {
  RecordFileEntry(const RWCString& n, const GCountedRef& s) : name(n), store(s) {}
  RWCString name;
  GCountedRef store;
};

// The list lives as long as the process: composites destroyed by other
// statics after the release at exit still find it (empty).
RWIntrusiveDlist& Entries() {
  static RWIntrusiveDlist* list = new RWIntrusiveDlist;
  return *list;
}

bool SameName(const RWCString& a, const RWCString& b) {
  return a.Length() == b.Length() && std::memcmp(a.Data(), b.Data(), a.Length()) == 0;
}

bool SameName(const RecordFileEntry& entry, const RWCString& name) { return SameName(entry.name, name); }

// The stores made for the registry that are alive, with or without entries.
std::vector<MPersistentCompositeOnDiskImp*>& LiveStores() {
  static auto* stores = new std::vector<MPersistentCompositeOnDiskImp*>;
  return *stores;
}

RecordFileEntry* FirstEntry(const RWCString& name) {
  RWIntrusiveDlist& list = Entries();
  for (RWDlistLink* link = list.First(); link != list.Tail(); link = link->next) {
    auto* entry = static_cast<RecordFileEntry*>(link);
    if (SameName(*entry, name)) return entry;
  }
  return nullptr;
}

// Makes the lock at start-up and releases the registry at exit.
struct RegistryLifetime {
  RegistryLifetime() {
    EnsureLock();
    Entries();
  }
  ~RegistryLifetime() { RecordFileRegistry::ReleaseAll(); }
};
RegistryLifetime g_lifetime;

}  // namespace

void RecordFileLock::Enter() {
  EnsureLock();
  EnterCriticalSection(&g_lock.section);
}

void RecordFileLock::Leave() { LeaveCriticalSection(&g_lock.section); }

void RecordFileRegistry::Attach(const RWCString& name, const int32_t& id, GCountedRef& store) {
  RecordFileLock::Scope lock;
  if (RecordFileEntry* found = FirstEntry(name)) {
    store.Assign(found->store);
    Entries().InsertAfter(found, new RecordFileEntry(name, found->store));
    return;
  }
  GCountedRef found;
  for (MPersistentCompositeOnDiskImp* live : LiveStores()) {
    if (SameName(live->FileName(), name)) {
      found.Assign(GCountedRef(live));
      break;
    }
  }
  if (found.IsEmpty()) {
    auto* made = new MPersistentCompositeOnDiskImp(name, id);
    found.Assign(GCountedRef(made));
    LiveStores().push_back(made);
  }
  Entries().InsertAfter(Entries().Last(), new RecordFileEntry(name, found));
  store.Assign(found);
}

void RecordFileRegistry::Forget(const MPersistentCompositeOnDiskImp* store) {
  RecordFileLock::Scope lock;
  std::vector<MPersistentCompositeOnDiskImp*>& stores = LiveStores();
  stores.erase(std::remove(stores.begin(), stores.end(), store), stores.end());
}

bool RecordFileRegistry::Detach(const RWCString& name, bool& remaining) {
  RecordFileLock::Scope lock;
  RecordFileEntry* entry = FirstEntry(name);
  if (entry != nullptr) Entries().Unlink(entry);
  remaining = FirstEntry(name) != nullptr;
  // Let go last: the release may close a store, and what that lets go of
  // may come back here.
  delete entry;
  return entry != nullptr;
}

GCountedRef RecordFileRegistry::StoreOf(const RWCString& name) {
  RecordFileLock::Scope lock;
  RecordFileEntry* entry = FirstEntry(name);
  return entry != nullptr ? entry->store : GCountedRef();
}

size_t RecordFileRegistry::CountEntries(const RWCString& name) {
  RecordFileLock::Scope lock;
  size_t count = 0;
  RWIntrusiveDlist& list = Entries();
  for (RWDlistLink* link = list.First(); link != list.Tail(); link = link->next)
    if (SameName(*static_cast<RecordFileEntry*>(link), name)) ++count;
  return count;
}

size_t RecordFileRegistry::Count() {
  RecordFileLock::Scope lock;
  return Entries().Count();
}

void RecordFileRegistry::ReleaseAll() {
  RecordFileLock::Scope lock;
  RWIntrusiveDlist& list = Entries();
  // One entry at a time, each unlinked before it is let go: closing a store
  // can reach the list again.
  while (!list.IsEmpty()) delete static_cast<RecordFileEntry*>(list.Unlink(list.First()));
}
