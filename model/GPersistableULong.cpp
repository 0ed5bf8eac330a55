#include "model/GPersistableULong.h"

#include "model/MPersistentRead.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GPersistableULong::GPersistableULong(uint32_t value) : value_(value) {}

GPersistableULong::GPersistableULong(const GPersistableULong& other) : MPersistentObject(), value_(other.value_) {}

GPersistableULong& GPersistableULong::operator=(const GPersistableULong& other) {
  value_ = other.value_;
  return *this;
}

GPersistableULong::~GPersistableULong() = default;

GPersistableULong* GPersistableULong::CreateSameKind() const { return new GPersistableULong; }
GPersistableULong* GPersistableULong::Clone() const { return new GPersistableULong(*this); }
RWClassID GPersistableULong::ClassId() const { return GPersistableULongClassId; }

int GPersistableULong::DerivesFrom(RWClassID classId) const {
  return classId == GPersistableULongClassId || MPersistentObject::DerivesFrom(classId);
}

int GPersistableULong::Matches(const MPersistentObject* other) const {
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* number = dynamic_cast<const GPersistableULong*>(other);
  return number != nullptr && number->value_ == value_;
}

bool GPersistableULong::IsEqual(const RWCollectable* other) const {
  if (other == nullptr || other->ClassId() != ClassId()) return false;
  auto* number = dynamic_cast<const GPersistableULong*>(other);
  return number != nullptr && number->value_ == value_;
}

int GPersistableULong::CompareTo(const RWCollectable* other) const {
  auto* number = other != nullptr && other->ClassId() == ClassId() ? dynamic_cast<const GPersistableULong*>(other) : nullptr;
  if (number == nullptr) return MPersistentObject::CompareTo(other);
  if (value_ == number->value_) return 0;
  return value_ > number->value_ ? 1 : -1;
}

// ---- Persistence ----

uint32_t GPersistableULong::MembersStoreSize() const { return MPersistentObject::MembersStoreSize() + 8; }

void GPersistableULong::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutULong(value_);
}

void GPersistableULong::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteULong(value_);
}

void GPersistableULong::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  stream.GetULong(value_);
}

void GPersistableULong::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  file.ReadULong(value_);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPersistableULong*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GPersistableULong*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GPersistableULongCreate() { return new GPersistableULong; }
