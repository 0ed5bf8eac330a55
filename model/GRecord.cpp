#include "model/GRecord.h"

#include <cstdio>

#include "model/GCountedPtr.h"
#include "model/MPersistentCompositeOnDiskImp.h"
#include "model/MPersistentObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// The lock under which record handles change holder counts.
RWModuleLock g_recordLock;

}  // namespace

// ---- GRecordRef ----

GRecordRef::GRecordRef(GRecord* record) : pointee_(record) {
  if (record != nullptr) RWCountedRefIncrement(record->holders_, g_recordLock);
}

GRecordRef::GRecordRef(const GRecordRef& other) : GRecordRef(other.pointee_) {}

GRecordRef::~GRecordRef() { Release(); }

void GRecordRef::Release() {
  GRecord* old = pointee_;
  pointee_ = nullptr;
  if (old != nullptr && RWCountedRefDecrement(old->holders_, g_recordLock) == 0) delete old;
}

GRecordRef& GRecordRef::Assign(const GRecordRef& other) {
  if (other.pointee_ == pointee_) return *this;
  // The new holder first: the old record may own the other handle.
  GRecord* incoming = other.pointee_;
  if (incoming != nullptr) RWCountedRefIncrement(incoming->holders_, g_recordLock);
  Release();
  pointee_ = incoming;
  return *this;
}

// ---- GRecordKey ----

GRecordKey GRecordKey::ForObject(const MPersistentObject* object) {
  GRecordKey key{kSerial, 0, 0, object};
  key.valid = object != nullptr;
  key.serial = object != nullptr ? object->GetSerial() : 0;
  return key;
}

bool GRecordKey::Names(const GRecord& record) const {
  if (!valid) return false;
  switch (kind) {
    case kClass: return record.RecordClassId() == classId;
    case kFeatureId: return record.FeatureId() == featureId;
    case kSerial: return record.Serial() == serial;
  }
  return false;
}

// ---- GRecord ----

GRecord::GRecord() : holders_(0xFFFFFFFFu), classId_(0), serial_(0), featureId_(0) {}

GRecord::GRecord(const MPersistentObject& object)
    : holders_(0xFFFFFFFFu), classId_(object.ClassId()), serial_(object.GetSerial()), featureId_(object.FeatureId()) {}

GRecord::GRecord(const GRecord& other)
    : RWCollectable(other),
      holders_(0xFFFFFFFFu),
      classId_(other.classId_),
      serial_(other.serial_),
      featureId_(other.featureId_) {}

GRecord::~GRecord() = default;

RW_COLLECTABLE_KIND_DEFINE(GRecord)

// The version, the class id, serial and feature id; the three are taken
// only when all were read.
template <typename Archive>
void GRecord::Members(Archive& archive) {
  archive.Version(ClassVersion());
  uint16_t classId = classId_;
  uint32_t serial = serial_;
  int32_t featureId = featureId_;
  archive(classId, serial, rwm::As<uint32_t>(featureId));
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    classId_ = classId;
    serial_ = serial;
    featureId_ = featureId;
  }
}

RW_STORED_MEMBERS_DEFINE(GRecord, RWCollectable)

RWCString GRecord::KeyOf(uint32_t serial) {
  char text[12];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(serial));
  return RWCString(text);
}

// ---- The record interface ----

GRecordComposite* GRecord::AsComposite() { return nullptr; }
void GRecord::AddRecord(const GRecordRef&) {}
int GRecord::GetRecordCount() const { return 1; }

void GRecord::TakeByClass(GCountedRef& out, const RWClassID& classId, MPersistentCompositeOnDiskImp& store) {
  // The answer goes to out last: the key may be out's own object.
  GCountedRef result;
  Take(result, GRecordKey::ForClass(classId), store);
  out.Assign(result);
}
void GRecord::TakeById(GCountedRef& out, const int32_t& id, MPersistentCompositeOnDiskImp& store) {
  // The answer goes to out last: the key may be out's own object.
  GCountedRef result;
  Take(result, GRecordKey::ForFeatureId(id), store);
  out.Assign(result);
}
void GRecord::TakeMatching(GCountedRef& out, const MPersistentObject* object, MPersistentCompositeOnDiskImp& store) {
  // The answer goes to out last: the key may be out's own object.
  GCountedRef result;
  Take(result, GRecordKey::ForObject(object), store);
  out.Assign(result);
}
int GRecord::ReplaceByClass(const RWClassID& classId, const GCountedRef& with, MPersistentCompositeOnDiskImp& store) {
  return Replace(GRecordKey::ForClass(classId), with, store);
}
int GRecord::ReplaceById(const int32_t& id, const GCountedRef& with, MPersistentCompositeOnDiskImp& store) {
  return Replace(GRecordKey::ForFeatureId(id), with, store);
}
int GRecord::ReplaceMatching(const MPersistentObject* object, const GCountedRef& with,
                             MPersistentCompositeOnDiskImp& store) {
  return Replace(GRecordKey::ForObject(object), with, store);
}
void GRecord::PeekByClass(GCountedRef& out, const RWClassID& classId, MPersistentCompositeOnDiskImp& store) {
  // The answer goes to out last: the key may be out's own object.
  GCountedRef result;
  Peek(result, GRecordKey::ForClass(classId), store);
  out.Assign(result);
}
void GRecord::PeekById(GCountedRef& out, const int32_t& id, MPersistentCompositeOnDiskImp& store) {
  // The answer goes to out last: the key may be out's own object.
  GCountedRef result;
  Peek(result, GRecordKey::ForFeatureId(id), store);
  out.Assign(result);
}
void GRecord::PeekMatching(GCountedRef& out, const MPersistentObject* object, MPersistentCompositeOnDiskImp& store) {
  // The answer goes to out last: the key may be out's own object.
  GCountedRef result;
  Peek(result, GRecordKey::ForObject(object), store);
  out.Assign(result);
}

void GRecord::TakeOwn(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) {
  out.Assign(GCountedRef());
  if (key.Names(*this)) store.TakeObject(out, *this);
}

int GRecord::ReplaceOwn(const GRecordKey& key, const GCountedRef& with, MPersistentCompositeOnDiskImp& store) {
  return key.Names(*this) ? store.ReplaceObject(*this, with) : 0;
}

void GRecord::PeekOwn(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) {
  out.Assign(GCountedRef());
  if (key.Names(*this)) store.PeekObject(out, *this);
}

void GRecord::Take(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) {
  TakeOwn(out, key, store);
}
int GRecord::Replace(const GRecordKey& key, const GCountedRef& with, MPersistentCompositeOnDiskImp& store) {
  return ReplaceOwn(key, with, store);
}
void GRecord::Peek(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) {
  PeekOwn(out, key, store);
}

RWCollectable* GRecordCreate() { return new GRecord; }
