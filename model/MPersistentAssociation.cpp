#include "model/MPersistentAssociation.h"

#include "model/MPersistentRead.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

GCountedRef CloneOf(const GCountedRef& half) {
  return GCountedRef(half.IsEmpty() ? nullptr : half->Clone());
}

// Both missing, or neither differs from the other.
bool Alike(const MPersistentObject* theirs, const MPersistentObject* mine) {
  if (theirs == nullptr || mine == nullptr) return theirs == mine;
  return theirs == mine || !theirs->DiffersFrom(mine);
}

}  // namespace

MPersistentAssociation::MPersistentAssociation() = default;

MPersistentAssociation::MPersistentAssociation(MPersistentObject* key, MPersistentObject* value, const int32_t& id)
    : MPersistentObject(id), key_(key), value_(value) {}

MPersistentAssociation::MPersistentAssociation(const MPersistentAssociation& other)
    : MPersistentObject(), key_(CloneOf(other.key_)), value_(CloneOf(other.value_)) {}

MPersistentAssociation& MPersistentAssociation::operator=(const MPersistentAssociation& other) {
  if (this != &other) {
    // Copied first: the source may be held below this association.
    GCountedRef key = CloneOf(other.key_);
    GCountedRef value = CloneOf(other.value_);
    key_ = key;
    value_ = value;
  }
  return *this;
}

MPersistentAssociation::~MPersistentAssociation() = default;

QV_PERSISTENT_KIND_DEFINE(MPersistentAssociation, MPersistentObject, MPersistentAssociationClassId)

int MPersistentAssociation::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* association = dynamic_cast<const MPersistentAssociation*>(other);
  if (association == nullptr) return 0;
  return Alike(association->GetKey(), GetKey()) && Alike(association->GetValue(), GetValue());
}

// ---- Persistence ----

// The version, the key and the value as object references; key and value
// share the identity table of the save they belong to.
template <typename Archive>
void MPersistentAssociation::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  archive.Version(ClassVersion());
  MStored::Ref(archive, key_);
  if (!MStored::Going(archive)) return;
  MStored::Ref(archive, value_);
}

RW_STORED_MEMBERS_DEFINE(MPersistentAssociation, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, MPersistentAssociation*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, MPersistentAssociation*& out) { return MReadPersistentAs(file, out); }

RWCollectable* MPersistentAssociationCreate() { return new MPersistentAssociation; }
