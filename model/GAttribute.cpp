#include "model/GAttribute.h"

#include "model/MPersistentIterator.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWReadTable.h"
#include "rw/RWVirtualStream.h"

namespace {

int32_t IdOrZero(const int32_t* id) { return id != nullptr ? *id : 0; }

}  // namespace

GAttribute::GAttribute() : changed(1) {}

GAttribute::GAttribute(const int32_t* id) : MPersistentObject(IdOrZero(id)), changed(1) {}

GAttribute::GAttribute(const GAttribute& other) : MPersistentObject(other), changed(other.changed) {}

GAttribute& GAttribute::operator=(const GAttribute& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    changed = other.changed;
  }
  return *this;
}

GAttribute::~GAttribute() = default;

uint32_t GAttribute::MembersStoreSize() const { return MPersistentObject::MembersStoreSize() + 8; }

void GAttribute::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutLong(changed);
}

void GAttribute::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteLong(changed);
}

void GAttribute::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  stream.GetLong(changed);
}

void GAttribute::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  file.ReadLong(changed);
}

int GAttribute::DerivesFrom(RWClassID classId) const {
  return classId == GAttributeClassId || MPersistentObject::DerivesFrom(classId);
}

int GAttribute::Matches(const MPersistentObject* other) const { return MPersistentObject::Matches(other); }

MPersistentIterator* GAttribute::CreateIterator() { return new MPersistentNullIterator; }

void GAttribute::Merge(GAttribute* other) {
  if (other == nullptr || !DiffersFrom(other)) return;
  MPersistentObject::operator=(*other);
  changed = other->changed;
}

// ---- Typed reads ----

void GFailRestore() {
  RWReadTableGuard guard;
  if (guard.IsTopLevel()) return;
  RWMessageText text(RWToolsMsg_STREAM());
  RWRaiseExternalDataError(RWExternalDataError(text));
}

void GRefuseRead(MPersistentObject* object) {
  if (object == nullptr) return;
  RWReadTableGuard guard;
  if (guard.IsTopLevel()) {
    if (object->HolderCount() == -1) delete object;
    return;
  }
  RWMessageText text(RWToolsMsg_REF());
  RWRaiseInternalLogicError(RWInternalLogicError(text));
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GAttribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GAttribute*& out) {
  GReadTypedObject(file, out);
  return file;
}
