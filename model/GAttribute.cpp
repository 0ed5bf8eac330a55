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

template <typename Archive>
void GAttribute::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(changed);
}

RW_STORED_MEMBERS_DEFINE(GAttribute, MPersistentObject)

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
