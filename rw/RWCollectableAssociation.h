// RWCollectableAssociation: a collectable key/value pair that stands for its
// key: it compares, hashes and tests equality through the key, so a
// collection of associations can be searched with a bare key object.
// RWCollectableIDAssociation does the same by the key's identity (its
// address). Neither owns its key or value.
#pragma once

#include <cstdint>

#include "rw/RWCollectable.h"
#include "rw/RWMembers.h"

constexpr RWClassID RWCollectableAssociationClassId = 0x8008;
constexpr RWClassID RWCollectableIDAssociationClassId = 0x805F;

class RWCollectableAssociation : public RWCollectable {
 public:
  RWCollectableAssociation() = default;
  RWCollectableAssociation(RWCollectable* key, RWCollectable* value) : key_(key), value_(value) {}
  ~RWCollectableAssociation() override;

  static RWClassID StaticClassId() { return RWCollectableAssociationClassId; }

  RWCollectable* Key() const { return key_; }
  RWCollectable* Value() const { return value_; }
  // Stores the new value and returns the old one.
  RWCollectable* SetValue(RWCollectable* value);

  // ---- RWCollectable ----
  // Key and value null.
  RWCollectable* CreateSameKind() const override;
  // A new association with the same key and value pointers.
  RWCollectable* Clone() const override;
  RWClassID ClassId() const override;
  RW_STORED_MEMBERS();
  // The order of the key against x (x's own comparison negated). A null key
  // sorts below every object.
  int CompareTo(const RWCollectable* x) const override;
  // The key's hash; 0 for a null key.
  uint32_t Hash() const override;
  // x->IsEqual(key); false for a null x or a null key.
  bool IsEqual(const RWCollectable* x) const override;

 protected:
  RWCollectable* key_ = nullptr;
  RWCollectable* value_ = nullptr;

 private:
  friend class RWBTreeDictionary;
  // Set while a dictionary owns the association, so that a stored graph
  // that puts one association into two dictionaries (which would both
  // delete it) is refused when it is restored.
  bool heldByDictionary_ = false;
};

class RWCollectableIDAssociation : public RWCollectableAssociation {
 public:
  RWCollectableIDAssociation() = default;
  RWCollectableIDAssociation(RWCollectable* key, RWCollectable* value) : RWCollectableAssociation(key, value) {}
  ~RWCollectableIDAssociation() override;

  static RWClassID StaticClassId() { return RWCollectableIDAssociationClassId; }

  RWCollectable* CreateSameKind() const override;
  RWCollectable* Clone() const override;
  RWClassID ClassId() const override;
  // Compares the key's address with x's address as unsigned values (-1, 0,
  // 1). When x is an ID association itself, its key's address is taken, as
  // IsEqual does, so that the order agrees with equality.
  int CompareTo(const RWCollectable* x) const override;
  // The key's address a (low 32 bits) as a ^ (a >> 3).
  uint32_t Hash() const override;
  // For an ID association x: both keys are the same object. Otherwise x is
  // the key object itself.
  bool IsEqual(const RWCollectable* x) const override;
};

// Create functions for the class factory.
RWCollectable* RWCollectableAssociationCreate();
RWCollectable* RWCollectableIDAssociationCreate();
