// RWBTreeDictionary: a sorted map from collectable keys to collectable
// values, kept as a B-tree of RWCollectableAssociation elements ordered by
// key. Since an association compares and tests equality through its key,
// every search takes the bare key object.
//
// Ownership: the dictionary owns its associations (it makes them in
// InsertPair and deletes them when it lets a pair go), never the keys and
// values themselves, except in RemoveAndDeleteAll and RemoveEqualAndDelete.
// The inherited Add stores an association the caller hands over, which the
// dictionary then owns; InsertPair is the way to add a pair.
#pragma once

#include <cstdint>

#include "rw/RWBTree.h"
#include "rw/RWCollectableAssociation.h"
#include "rw/RWCollectableKind.h"

constexpr RWClassID RWBTreeDictionaryClassId = 0x8004;

typedef void (*RWApplyKeyAndValue)(RWCollectable* key, RWCollectable* value, void* userData);
typedef bool (*RWTestKey)(const RWCollectable* key, const void* userData);
typedef bool (*RWTestKeyAndValue)(const RWCollectable* key, const RWCollectable* value, const void* userData);

class RWBTreeDictionary : public RWBTree {
 public:
  RWBTreeDictionary() = default;
  // A dictionary holding a clone of each association of other (the keys and
  // values are shared).
  RWBTreeDictionary(const RWBTreeDictionary& other);
  RWBTreeDictionary& operator=(const RWBTreeDictionary& other) {
    Assign(other);
    return *this;
  }
  // Deletes the associations.
  ~RWBTreeDictionary() override;

  // RemoveAll, then a clone of each association of other (nothing happens
  // when other is this dictionary).
  void Assign(const RWBTreeDictionary& other);

  static RWClassID StaticClassId() { return RWBTreeDictionaryClassId; }

  // ---- RWCollectable ----
  RW_COLLECTABLE_KIND(RWBTreeDictionary);  // CreateSameKind: an empty dictionary
  // A new dictionary holding a clone of each association.
  // other is an RWBTreeDictionary (class id 0x8004) with as many pairs, and
  // for each pair it holds the key with a value IsEqual to this one, or both
  // values are null.
  bool IsEqual(const RWCollectable* other) const override;

  // ---- RWObjectCollection ----
  // Deletes every association (not the keys and values), then frees the
  // nodes.
  void RemoveAll() override;
  // Deletes every distinct key and value once, then RemoveAll.
  void RemoveAndDeleteAll() override;
  // The stored key equal to x, or null.
  RWCollectable* FindEqual(const RWCollectable* x) const override;
  // Removes the association of key x, deletes it and returns its stored
  // key; null when the key is absent.
  RWCollectable* RemoveEqual(const RWCollectable* x) override;
  // Removes the association of key x and deletes its key, its value (once
  // when they are the same object) and the association.
  void RemoveEqualAndDelete(const RWCollectable* x) override;
  // The stored form is that of every collection: the count, then the
  // associations in key order. Restoring re-inserts them. A stored
  // dictionary that is damaged (an element that is not an association, a
  // null key, a key stored twice, or an association that another dictionary
  // of the graph holds already) fails the restore.
  void RestoreMembers(RWVirtualInStream& stream) override;
  void RestoreMembersFromFile(RWBinaryFile& file) override;

  // ---- Pairs ----
  // Stores a new association of key and value and returns the key. When an
  // equal key is present (or key is null) nothing is stored and the result
  // is null.
  RWCollectable* InsertPair(RWCollectable* key, RWCollectable* value);
  // The value stored under an equal key, or null.
  RWCollectable* FindValue(const RWCollectable* key) const;
  // The stored key (null when absent); value receives its value (null when
  // absent).
  RWCollectable* FindKeyAndValue(const RWCollectable* key, RWCollectable*& value) const;
  // Replaces the value stored under the key and returns the old value; null
  // (and nothing stored) when the key is absent.
  RWCollectable* SetValue(const RWCollectable* key, RWCollectable* value);
  // Removes the pair and deletes its association; returns the stored key
  // and its value (null for both when absent).
  RWCollectable* RemoveKeyAndValue(const RWCollectable* key, RWCollectable*& value);
  // Calls function(key, value, userData) for every pair in key order.
  void ApplyToPairs(RWApplyKeyAndValue function, void* userData) const;
  // A new dictionary (the caller owns it, not the keys and values) holding
  // the pairs whose key, or key and value, the predicate accepts.
  RWBTreeDictionary* SelectKeys(RWTestKey predicate, const void* userData) const;
  RWBTreeDictionary* SelectPairs(RWTestKeyAndValue predicate, const void* userData) const;

 private:
  // The association stored under an equal key, or null.
  RWCollectableAssociation* FindAssociation(const RWCollectable* key) const;
  // Takes over an association read by a restore; false when the stored
  // dictionary is damaged.
  bool TakeRestored(RWCollectable* element);
  // Deletes every association (not the keys and values).
  void DeleteAssociations();
};

// Create function for the class factory.
RWCollectable* RWBTreeDictionaryCreate();
