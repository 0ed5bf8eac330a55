#include "model/GRecordProxy.h"

#include "model/MPersistentObject.h"
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

RWCollectable* GRecordProxy::CreateSameKind() const { return new GRecordProxy; }
GRecordProxy* GRecordProxy::Clone() const { return new GRecordProxy(*this); }
RWClassID GRecordProxy::ClassId() const { return GRecordProxyClassId; }

uint32_t GRecordProxy::MembersStoreSize() const {
  // Sized as a reference inside one save, as SaveMembersToFile writes it.
  RWStoreTableGuard guard;
  const uint32_t held = held_.IsEmpty() ? 6 : held_->StoredByteCount();
  return GRecord::MembersStoreSize() + 4 + held;
}

void GRecordProxy::SaveMembers(RWVirtualOutStream& stream) const {
  GRecord::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  RWWriteObjectPointer(stream, held_.Pointee());
}

void GRecordProxy::SaveMembersToFile(RWBinaryFile& file) const {
  GRecord::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  RWWriteObjectPointerToFile(file, held_.Pointee());
}

void GRecordProxy::RestoreMembers(RWVirtualInStream& stream) {
  GRecord::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  held_.Assign(GCountedRef());
  MPersistentObject* object = nullptr;
  MPersistentObject::ReadPersistentObject(stream, object);
  // The proxy lets go of the object itself: a failed restore must not
  // free it as well.
  if (object != nullptr) RWReadTableGuard::Adopt(object);
  held_.Assign(GCountedRef(object));
}

void GRecordProxy::RestoreMembersFromFile(RWBinaryFile& file) {
  GRecord::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  held_.Assign(GCountedRef());
  MPersistentObject* object = nullptr;
  MPersistentObject::ReadPersistentObject(file, object);
  if (object != nullptr) RWReadTableGuard::Adopt(object);
  held_.Assign(GCountedRef(object));
}

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
