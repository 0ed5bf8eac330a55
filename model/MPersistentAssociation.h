// MPersistentAssociation: one key/value pair of the model's small persistent
// maps, both halves being model objects (a GPersistableULong key and a
// string value in the device font lists, for instance). The association owns
// its key and value: they go with it.
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"

constexpr RWClassID MPersistentAssociationClassId = 771;

class MPersistentAssociation : public MPersistentObject {
 public:
  // No key and no value (the factory's object).
  MPersistentAssociation();
  // Takes key and value over; either may be null.
  MPersistentAssociation(MPersistentObject* key, MPersistentObject* value, const int32_t& id);
  // A new object (id 0, a new serial) with Clones of the source's key and
  // value; a half the source lacks stays empty.
  MPersistentAssociation(const MPersistentAssociation& other);
  // Lets go of its own key and value and takes Clones of the source's; id
  // and serial stay.
  MPersistentAssociation& operator=(const MPersistentAssociation& other);
  ~MPersistentAssociation() override;

  static RWClassID StaticClassId() { return MPersistentAssociationClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(MPersistentAssociation);
  // Base, version, and key and value as object references.
  RW_STORED_MEMBERS();

  // Same class and id, and neither key nor value differs (two missing
  // halves are alike).
  int Matches(const MPersistentObject* other) const override;

  // Borrowed; null when missing.
  MPersistentObject* GetKey() const { return key_.Pointee(); }
  MPersistentObject* GetValue() const { return value_.Pointee(); }

 private:
  // Key and value are held by counted reference. The association is their
  // only holder unless a stored graph shared one of them with another
  // owner; then the last one to let go deletes it, never both.
  GCountedRef key_;
  GCountedRef value_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, MPersistentAssociation*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, MPersistentAssociation*& out);

RWCollectable* MPersistentAssociationCreate();
