// RWCollectable: the root of every object that lives in the library's
// collections or is stored. Its twelve virtual operations let collections
// compare and hash members and let the persistence framing create, size,
// write and read objects without knowing their classes. This header also
// holds class ids and the counted-reference operations with their module
// locks.
#pragma once

#include <cstdint>

#include "win32/Kernel.h"

class RWVirtualInStream;
class RWVirtualOutStream;
class RWBinaryFile;

typedef uint16_t RWClassID;

constexpr RWClassID RWCollectableClassId = 0x8007;
constexpr RWClassID RWNoClassId = 0x8000;  // "no class" in look-ups

class RWCollectable {
 public:
  constexpr RWCollectable() = default;
  virtual RWCollectable* CreateSameKind() const;
  virtual RWCollectable* Clone() const;
  virtual RWClassID ClassId() const;
  virtual ~RWCollectable();
  // Bytes that SaveMembersToFile writes for the object's own data.
  virtual uint32_t MembersStoreSize() const;
  // Three-way order; the base orders by address.
  virtual int CompareTo(const RWCollectable* other) const;
  virtual uint32_t Hash() const;
  virtual bool IsEqual(const RWCollectable* other) const;
  virtual void RestoreMembers(RWVirtualInStream& stream);
  virtual void RestoreMembersFromFile(RWBinaryFile& file);
  virtual void SaveMembers(RWVirtualOutStream& stream) const;
  virtual void SaveMembersToFile(RWBinaryFile& file) const;

  // Writes the object as one reference of a stored object graph: the first
  // time a save reaches it, its class and body; after that, a back
  // reference to it (rw/RWPersistence.h).
  void WriteTo(RWVirtualOutStream& stream) const;
  void WriteToFile(RWBinaryFile& file) const;
  // The number of bytes WriteToFile would write for the object now. It
  // enters the objects it reaches in the thread's store table as a write
  // does, so it matches the write only when it runs as its own outermost
  // operation immediately before it.
  uint32_t StoredByteCount() const;
};

// The object that stands for a null pointer in stored graphs.
extern RWCollectable RWNullObjectInstance;

// Match callback of the lists' find-equal operations: a->IsEqual(b).
bool RWCollectableIsEqual(const RWCollectable* a, const void* b);

// ---- Class ids ----
// Ids 0x9000 to 0xF000 are classes stored by their string id.
bool RWIsStringIdClass(RWClassID id);
// 0x9000 + the number of earlier calls.
RWClassID RWNewClassId();

// ---- Module locks and counted references ----
// One static lock per source module that keeps counted objects. Zero
// initialised; the critical section is created on first use and deleted when
// the module's statics are destroyed.
struct RWModuleLock {
  CRITICAL_SECTION section;
  int32_t created;  // 0 not created, 1 created (2 while being created)
  ~RWModuleLock();
};

// Adds 1 to the count under the lock; returns 0.
int RWCountedRefIncrement(uint32_t& count, RWModuleLock& lock);
// Subtracts 1 under the lock; returns the value before the subtraction.
uint32_t RWCountedRefDecrement(uint32_t& count, RWModuleLock& lock);
