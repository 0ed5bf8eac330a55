#include "model/GPersistableLong.h"

#include "model/MPersistentRead.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GPersistableLong::GPersistableLong(int32_t value) : value_(value) {}

GPersistableLong::GPersistableLong(const GPersistableLong& other) : MPersistentObject(), value_(other.value_) {}

GPersistableLong& GPersistableLong::operator=(const GPersistableLong& other) {
  value_ = other.value_;
  return *this;
}

GPersistableLong::~GPersistableLong() = default;

GPersistableLong* GPersistableLong::CreateSameKind() const { return new GPersistableLong; }
GPersistableLong* GPersistableLong::Clone() const { return new GPersistableLong(*this); }
RWClassID GPersistableLong::ClassId() const { return GPersistableLongClassId; }

int GPersistableLong::DerivesFrom(RWClassID classId) const {
  return classId == GPersistableLongClassId || MPersistentObject::DerivesFrom(classId);
}

int GPersistableLong::Matches(const MPersistentObject* other) const {
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* number = dynamic_cast<const GPersistableLong*>(other);
  return number != nullptr && number->value_ == value_;
}

bool GPersistableLong::IsEqual(const RWCollectable* other) const {
  if (other == nullptr || other->ClassId() != ClassId()) return false;
  auto* number = dynamic_cast<const GPersistableLong*>(other);
  return number != nullptr && number->value_ == value_;
}

int GPersistableLong::CompareTo(const RWCollectable* other) const {
  auto* number = other != nullptr && other->ClassId() == ClassId() ? dynamic_cast<const GPersistableLong*>(other) : nullptr;
  if (number == nullptr) return MPersistentObject::CompareTo(other);
  if (value_ == number->value_) return 0;
  return value_ > number->value_ ? 1 : -1;
}

// ---- Persistence ----

uint32_t GPersistableLong::MembersStoreSize() const { return MPersistentObject::MembersStoreSize() + 8; }

void GPersistableLong::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutLong(value_);
}

void GPersistableLong::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteLong(value_);
}

void GPersistableLong::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  stream.GetLong(value_);
}

void GPersistableLong::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  file.ReadLong(value_);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPersistableLong*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GPersistableLong*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GPersistableLongCreate() { return new GPersistableLong; }
