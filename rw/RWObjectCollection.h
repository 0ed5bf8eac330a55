// RWObjectCollection: the interface every registered collection of the
// library shares. Collections hold RWCollectable objects by pointer and are
// collectable themselves, so a whole container can be part of a stored object
// graph. The operations written once for all collections (contains,
// remove-and-delete, the whole-collection operations) live here.
//
// Ownership: Add does not copy; the collection holds the caller's pointer
// but never deletes an element except through RemoveAndDeleteAll and
// RemoveEqualAndDelete. RemoveEqual hands the element back to the caller.
// Destroying a collection frees only its own structure.
#pragma once

#include <cstdint>

#include "rw/RWCollectable.h"

// The class id that the abstract collection bases report; it is not
// registered with the factory.
constexpr RWClassID RWObjectCollectionClassId = 0x801D;

typedef void (*RWApplyCollectable)(RWCollectable* element, void* userData);
typedef bool (*RWTestCollectable)(const RWCollectable* element, const void* userData);

class RWObjectCollection : public RWCollectable {
 public:
  RWClassID ClassId() const override;

  // Calls function(element, userData) for every element in the
  // collection's own order.
  virtual void ApplyToEach(RWApplyCollectable function, void* userData) const = 0;
  // Forgets every element without deleting any.
  virtual void RemoveAll() = 0;
  // Deletes every distinct element once (an object held twice is deleted
  // once), then RemoveAll.
  virtual void RemoveAndDeleteAll();
  // FindEqual(x) is not null.
  virtual bool Contains(const RWCollectable* x) const;
  virtual uint32_t Count() const = 0;
  // An element equal to x, or null.
  virtual RWCollectable* FindEqual(const RWCollectable* x) const = 0;
  // Stores x (not a copy); returns what the class documents (x, an element
  // already present, or null when nothing was added).
  virtual RWCollectable* Add(RWCollectable* x) = 0;
  virtual bool IsEmpty() const;
  virtual uint32_t CountEqual(const RWCollectable* x) const = 0;
  // Removes an element equal to x and returns it to the caller; null when
  // there is none.
  virtual RWCollectable* RemoveEqual(const RWCollectable* x) = 0;
  // RemoveEqual(x), then deletes what it returned.
  virtual void RemoveEqualAndDelete(const RWCollectable* x);

  // ---- Stored form ----
  // The element count (32-bit unsigned), then each element as one
  // reference of the stored object graph (rw/RWPersistence.h), in
  // ApplyToEach order. The size is 4 plus each element's StoredByteCount.
  // A save stops writing elements once the stream or file has failed.
  uint32_t MembersStoreSize() const override;
  void SaveMembers(RWVirtualOutStream& stream) const override;
  void SaveMembersToFile(RWBinaryFile& file) const override;
  // RemoveAll, then each element read is given to Add (so a set drops
  // duplicates). The restore stops at the first failure or at the end of
  // the input; the elements read until then stay.
  void RestoreMembers(RWVirtualInStream& stream) override;
  void RestoreMembersFromFile(RWBinaryFile& file) override;

  // Adds every element of other through this collection's Add.
  void AddAll(const RWObjectCollection& other);
  // Adds this collection's elements to other.
  void AddTo(RWObjectCollection& other) const;
  // RemoveEqual on this collection for each element of other.
  void RemoveAllOf(const RWObjectCollection& other);
  // Adds a Clone of each element to other, which owns the clones; a clone
  // that other refuses is deleted.
  void AddClonesTo(RWObjectCollection& other) const;
  // A new collection of the same kind (the caller owns it, not the
  // elements) holding the elements for which the predicate is nonzero.
  RWObjectCollection* Select(RWTestCollectable predicate, const void* userData) const;

 protected:
  // Reads the stored count and elements and passes each element read to
  // store; the collection is not emptied first.
  typedef void (*RWStoreRestored)(RWObjectCollection& collection, RWCollectable* element);
  void RestoreElements(RWVirtualInStream& stream, RWStoreRestored store);
  void RestoreElementsFromFile(RWBinaryFile& file, RWStoreRestored store);
  // The stored elements, stated once: the size and the writes walk them,
  // the reads hand each element read to store.
  template <typename Archive>
  void Elements(Archive& archive, RWStoreRestored store);
};
