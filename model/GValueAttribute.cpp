#include "model/GValueAttribute.h"

#include "model/GPeripheral.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GValueAttribute::GValueAttribute() : value_(0) {}
GValueAttribute::GValueAttribute(int16_t value, const int32_t* id) : GAttribute(id), value_(value) {}
GValueAttribute::GValueAttribute(const GValueAttribute& other) = default;
GValueAttribute& GValueAttribute::operator=(const GValueAttribute& other) = default;
GValueAttribute::~GValueAttribute() = default;

GValueAttribute* GValueAttribute::CreateSameKind() const { return new GValueAttribute; }
GValueAttribute* GValueAttribute::Clone() const { return new GValueAttribute(*this); }
RWClassID GValueAttribute::ClassId() const { return GValueAttributeClassId; }

int GValueAttribute::DerivesFrom(RWClassID classId) const {
  return classId == GValueAttributeClassId || GAttribute::DerivesFrom(classId);
}

int GValueAttribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* value = dynamic_cast<const GValueAttribute*>(other);
  return value != nullptr && GAttribute::Matches(other) && value->value_ == value_;
}

int16_t GValueAttribute::ApplyTo(GPeripheral* receiver) {
  return receiver != nullptr ? receiver->SetValue(this) : 0;
}

int16_t GValueAttribute::SetValue(int16_t value) {
  value_ = value;
  return value_;
}

void GValueAttribute::SetFlag(int flag) { value_ = flag != 0 ? 1 : 0; }

uint32_t GValueAttribute::MembersStoreSize() const { return GAttribute::MembersStoreSize() + 6; }

void GValueAttribute::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutShort(value_);
}

void GValueAttribute::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteShort(value_);
}

void GValueAttribute::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  stream.GetShort(value_);
}

void GValueAttribute::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  file.ReadShort(value_);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GValueAttribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GValueAttribute*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GValueAttributeCreate() { return new GValueAttribute; }
