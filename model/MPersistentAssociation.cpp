#include "model/MPersistentAssociation.h"

#include "model/MPersistentRead.h"
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

// The stored size of one half as an object reference (6 for the null
// object or a back reference).
uint32_t HalfSize(const GCountedRef& half) { return half.IsEmpty() ? 6 : half->StoredByteCount(); }

// Makes half hold what was read. The association deletes it when it lets
// go, so a failed restore must not delete it as well.
void Take(GCountedRef& half, MPersistentObject* object) {
  if (object != nullptr) RWReadTableGuard::Adopt(object);
  half = GCountedRef(object);
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

uint32_t MPersistentAssociation::MembersStoreSize() const {
  // Key and value share the identity table of the save they belong to.
  RWStoreTableGuard guard;
  return MPersistentObject::MembersStoreSize() + 4 + HalfSize(key_) + HalfSize(value_);
}

void MPersistentAssociation::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  RWWriteObjectPointer(stream, key_.Pointee());
  RWWriteObjectPointer(stream, value_.Pointee());
}

void MPersistentAssociation::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  RWWriteObjectPointerToFile(file, key_.Pointee());
  RWWriteObjectPointerToFile(file, value_.Pointee());
}

void MPersistentAssociation::RestoreMembers(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  MPersistentObject* key = nullptr;
  ReadPersistentObject(stream, key);
  Take(key_, key);
  if (!stream.Good() || RWReadTableGuard::RestoreFailed()) return;
  MPersistentObject* value = nullptr;
  ReadPersistentObject(stream, value);
  Take(value_, value);
}

void MPersistentAssociation::RestoreMembersFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  auto failed = [&file] { return file.HasError() || file.IsAtEnd() || RWReadTableGuard::RestoreFailed(); };
  MPersistentObject* key = nullptr;
  ReadPersistentObject(file, key);
  Take(key_, key);
  if (failed()) return;
  MPersistentObject* value = nullptr;
  ReadPersistentObject(file, value);
  Take(value_, value);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, MPersistentAssociation*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, MPersistentAssociation*& out) { return MReadPersistentAs(file, out); }

RWCollectable* MPersistentAssociationCreate() { return new MPersistentAssociation; }
