#include "rw/RWCollectable.h"

#include <atomic>
#include <thread>

RWCollectable RWNullObjectInstance;

RWCollectable* RWCollectable::CreateSameKind() const { return new RWCollectable; }
RWCollectable* RWCollectable::Clone() const { return new RWCollectable; }
RWClassID RWCollectable::ClassId() const { return RWCollectableClassId; }
RWCollectable::~RWCollectable() = default;
uint32_t RWCollectable::MembersStoreSize() const { return 0; }

int RWCollectable::CompareTo(const RWCollectable* other) const {
  uintptr_t a = reinterpret_cast<uintptr_t>(this);
  uintptr_t b = reinterpret_cast<uintptr_t>(other);
  return a == b ? 0 : (a > b ? 1 : -1);
}

uint32_t RWCollectable::Hash() const {
  // The hash takes the low 32 bits of the address.
  uint32_t a = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this));
  return a ^ (a >> 3);
}

bool RWCollectable::IsEqual(const RWCollectable* other) const { return this == other; }
void RWCollectable::RestoreMembers(RWVirtualInStream&) {}
void RWCollectable::RestoreMembersFromFile(RWBinaryFile&) {}
void RWCollectable::SaveMembers(RWVirtualOutStream&) const {}
void RWCollectable::SaveMembersToFile(RWBinaryFile&) const {}

bool RWCollectableIsEqual(const RWCollectable* a, const void* b) {
  return a->IsEqual(static_cast<const RWCollectable*>(b));
}

bool RWIsStringIdClass(RWClassID id) { return id >= 0x9000 && id <= 0xF000; }

namespace {
RWModuleLock g_classIdLock;
uint32_t g_classIdCount = 0;

// Creates the lock's critical section once, even when two threads get here
// together: the first claims the flag (0 -> 2), the others wait for 1.
void EnsureCreated(RWModuleLock& lock) {
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
}  // namespace

RWClassID RWNewClassId() {
  EnsureCreated(g_classIdLock);
  EnterCriticalSection(&g_classIdLock.section);
  RWClassID id = static_cast<RWClassID>(0x9000 + g_classIdCount++);
  LeaveCriticalSection(&g_classIdLock.section);
  return id;
}

RWModuleLock::~RWModuleLock() {
  if (created == 1) {
    DeleteCriticalSection(&section);
    // Statics of the module destroyed later still release counted objects
    // through this lock, which then makes its critical section anew. The
    // store is atomic so that the optimiser does not drop it as a store to
    // an object whose lifetime ends here.
    std::atomic_ref<int32_t>(created).store(0, std::memory_order_release);
  }
}

// The count changes atomically, and that alone serialises every holder
// (objects may be shared between modules that each pass their own lock), so
// the module's lock is not taken: handles are made and let go of on every
// search and copy, and taking a lock there cost more than the work.
int RWCountedRefIncrement(uint32_t& count, RWModuleLock&) {
  std::atomic_ref<uint32_t>(count).fetch_add(1, std::memory_order_relaxed);
  return 0;
}

// Release ordering on the way down, acquire for the holder that saw the last
// one go, so that it deletes an object whose every change it can see.
uint32_t RWCountedRefDecrement(uint32_t& count, RWModuleLock&) {
  const uint32_t before = std::atomic_ref<uint32_t>(count).fetch_sub(1, std::memory_order_acq_rel);
  return before;
}
