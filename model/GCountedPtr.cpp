#include "model/GCountedPtr.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

// The lock under which the handles of this module change holder counts.
RWModuleLock g_handleLock;

}  // namespace

// ---- GCountedPtr ----

void GCountedPtr::Hold(MPersistentObject* object) {
  pointee_ = object;
  if (object != nullptr) RWCountedRefIncrement(object->holders_, g_handleLock);
}

void GCountedPtr::Release() {
  MPersistentObject* old = pointee_;
  pointee_ = nullptr;
  if (old != nullptr && RWCountedRefDecrement(old->holders_, g_handleLock) == 0) delete old;
}

GCountedPtr::GCountedPtr(MPersistentObject* object) : pointee_(nullptr) { Hold(object); }

GCountedPtr::GCountedPtr(const GCountedPtr& other) : RWCollectable(other), pointee_(nullptr) {
  Hold(other.pointee_);
}

GCountedPtr::~GCountedPtr() { Release(); }

GCountedPtr& GCountedPtr::Assign(const GCountedPtr& other) {
  if (other.pointee_ == pointee_) return *this;
  // Take the new holder first: the old pointee may own the other handle.
  MPersistentObject* incoming = other.pointee_;
  if (incoming != nullptr) RWCountedRefIncrement(incoming->holders_, g_handleLock);
  Release();
  pointee_ = incoming;
  return *this;
}

MPersistentObject* GCountedPtr::TakePointee(MPersistentObject* newPointee) {
  MPersistentObject* old = pointee_;
  if (newPointee != nullptr) RWCountedRefIncrement(newPointee->holders_, g_handleLock);
  pointee_ = newPointee;
  if (old == nullptr) return nullptr;
  // The copy is made while this handle still holds the object, so another
  // holder letting go meanwhile cannot delete it under the copy.
  MPersistentObject* copy = old->HolderCount() > 0 ? old->Clone() : nullptr;
  if (RWCountedRefDecrement(old->holders_, g_handleLock) == 0) {
    delete copy;
    return old;  // now unheld; the caller owns it
  }
  return copy;
}

RWCollectable* GCountedPtr::CreateSameKind() const { return nullptr; }
RWCollectable* GCountedPtr::Clone() const { return nullptr; }
RWClassID GCountedPtr::ClassId() const { return GCountedPtrClassId; }

// The pointee as an object reference (the null object for an empty
// handle). Asked on its own, the pointee is sized as inside one save.
template <typename Archive>
void GCountedPtr::Members(Archive& archive) {
  if constexpr (Archive::kReading) {
    MPersistentObject* object = nullptr;
    MPersistentObject::ReadPersistentObject(archive.Input(), object);
    // Holding the new object before letting go of the old keeps a pointee
    // that the stream referred to again alive.
    Assign(GCountedPtr(object));
  } else {
    archive.Pointer(pointee_);
  }
}

RW_STORED_MEMBERS_DEFINE(GCountedPtr, RWCollectable)

int GCountedPtr::DerivesFrom(RWClassID classId) const {
  return classId == GCountedPtrClassId || classId == MPersistentObjectClassId;
}

MPersistentObject* GCountedPtr::CopyPointee() const {
  if (pointee_ == nullptr) return nullptr;
  MPersistentObject* copy = pointee_->DeepCopy();
  if (copy != nullptr) copy->holders_ = 0xFFFFFFFFu;
  return copy;
}

RWCollectable* GCountedPtrCreate() { return nullptr; }

// ---- GCountedRef ----

GCountedRef::GCountedRef(MPersistentObject* object) : pointee_(object) {
  if (object != nullptr) RWCountedRefIncrement(object->holders_, g_handleLock);
}

GCountedRef::GCountedRef(const GCountedRef& other) : pointee_(other.pointee_) {
  if (pointee_ != nullptr) RWCountedRefIncrement(pointee_->holders_, g_handleLock);
}

GCountedRef::~GCountedRef() {
  if (pointee_ != nullptr && RWCountedRefDecrement(pointee_->holders_, g_handleLock) == 0) delete pointee_;
}

GCountedRef& GCountedRef::Assign(const GCountedRef& other) {
  if (other.pointee_ == pointee_) return *this;
  MPersistentObject* incoming = other.pointee_;
  if (incoming != nullptr) RWCountedRefIncrement(incoming->holders_, g_handleLock);
  MPersistentObject* old = pointee_;
  pointee_ = incoming;
  if (old != nullptr && RWCountedRefDecrement(old->holders_, g_handleLock) == 0) delete old;
  return *this;
}
