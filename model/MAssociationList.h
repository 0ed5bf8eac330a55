// MAssociationList: a small persistent map, kept as a composite of
// MPersistentAssociation children whose keys are unique by Matches. Adding
// a pair whose key is present replaces the old pair.
#pragma once

#include <cstdint>

#include "model/MPersistentAssociation.h"
#include "model/MPersistentComposite.h"
#include "rw/RWMembers.h"

constexpr RWClassID MAssociationListClassId = 772;

class MAssociationList : public MPersistentComposite {
 public:
  MAssociationList();
  explicit MAssociationList(const int32_t& id);
  // Shares the source's associations.
  MAssociationList(const MAssociationList& other);
  // As the composite's: copies only when the source differs.
  MAssociationList& operator=(const MAssociationList& other);
  ~MAssociationList() override;

  static RWClassID StaticClassId() { return MAssociationListClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(MAssociationList);
  // The composite's body and the list's own version.
  RW_STORED_MEMBERS();

  int Matches(const MPersistentObject* other) const override;
  // An association goes to Add; anything else is left with the caller.
  void AddChild(MPersistentObject* child) override;
  // A new list with the id and deep copies of the associations, added in
  // order through Add. Children that are no associations (a restored list
  // may hold some) are not copied.
  MPersistentObject* DeepCopy() const override;

  // Appends the association (the list takes it over) after removing and
  // deleting the pairs whose key matches its key, if any (a restored list
  // may hold more than one). Adding an association that is already in the
  // list moves it to the end.
  void Add(MPersistentAssociation* association);
  // The first association whose key matches key (both missing also
  // match), borrowed; null when none.
  MPersistentAssociation* FindAssociation(const MPersistentObject* key) const;
  // The value paired with key, borrowed; null when none.
  MPersistentObject* GetValueFor(const MPersistentObject* key) const;
  // Removes the association found for key and hands it to the caller (a
  // copy when it is still held elsewhere); null when none.
  MPersistentAssociation* RemoveKey(const MPersistentObject* key);
  // The same, for the key of the given association.
  MPersistentAssociation* RemoveAssociation(const MPersistentAssociation* association);
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, MAssociationList*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, MAssociationList*& out);

RWCollectable* MAssociationListCreate();
