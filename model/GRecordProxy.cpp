#include "model/GRecordProxy.h"

#include "model/MPersistentObject.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

// A handle on the object whose serial a search looks for, to pass to the
// held composite's handle operations. An object that nobody holds is not
// taken itself (letting go of the handle would delete it): a copy, which
// keeps the serial, stands in for it.
GCountedRef ProbeFor(const MPersistentObject* object) {
  if (object == nullptr) return GCountedRef();
  if (object->HolderCount() >= 0) return GCountedRef(const_cast<MPersistentObject*>(object));
  return GCountedRef(object->Clone());
}

}  // namespace

GRecordProxy::GRecordProxy() = default;

GRecordProxy::GRecordProxy(const MPersistentObject& composite) : GRecord(composite), held_(composite.Clone()) {}

GRecordProxy::GRecordProxy(const GRecordProxy& other)
    : GRecord(other), held_(other.held_.IsEmpty() ? nullptr : other.held_->Clone()) {}

GRecordProxy::~GRecordProxy() = default;

RW_COLLECTABLE_KIND_DEFINE(GRecordProxy)

// The version, then the held object as a reference. The proxy lets go of
// what it read itself, so a failed restore must not free it as well.
template <typename Archive>
void GRecordProxy::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    held_.Assign(GCountedRef());
  }
  MStored::Ref(archive, held_);
}

RW_STORED_MEMBERS_DEFINE(GRecordProxy, GRecord)

void GRecordProxy::Take(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) {
  out.Assign(GCountedRef());
  if (key.Names(*this)) {
    TakeOwn(out, key, store);
    return;
  }
  MPersistentObject* held = held_.Pointee();
  if (held == nullptr || !key.valid) return;
  // The held composite may be let go of while it works (its store can
  // hand this record out): a handle keeps it alive meanwhile.
  GCountedRef keep(held_);
  switch (key.kind) {
    case GRecordKey::kClass: held->RemoveChildHandleByClass(out, key.classId); break;
    case GRecordKey::kFeatureId: held->RemoveChildHandleById(out, key.featureId); break;
    case GRecordKey::kSerial: held->RemoveChildHandle(out, ProbeFor(key.object)); break;
  }
}

int GRecordProxy::Replace(const GRecordKey& key, const GCountedRef& with, MPersistentCompositeOnDiskImp& store) {
  if (key.kind == GRecordKey::kSerial) return 0;
  if (key.Names(*this)) return ReplaceOwn(key, with, store);
  MPersistentObject* held = held_.Pointee();
  if (held == nullptr) return 0;
  GCountedRef keep(held_);
  return key.kind == GRecordKey::kClass ? held->ReplaceChildHandleByClass(key.classId, with)
                                        : held->ReplaceChildHandleById(key.featureId, with);
}

void GRecordProxy::Peek(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) {
  out.Assign(GCountedRef());
  if (key.Names(*this)) {
    PeekOwn(out, key, store);
    return;
  }
  MPersistentObject* held = held_.Pointee();
  if (held == nullptr || !key.valid) return;
  GCountedRef keep(held_);
  switch (key.kind) {
    case GRecordKey::kClass: held->HandleByClass(out, key.classId); break;
    case GRecordKey::kFeatureId: held->HandleById(out, key.featureId); break;
    case GRecordKey::kSerial: held->HandleMatching(out, key.object); break;
  }
}

RWCollectable* GRecordProxyCreate() { return new GRecordProxy; }
