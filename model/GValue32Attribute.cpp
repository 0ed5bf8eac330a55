#include "model/GValue32Attribute.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GValue32Attribute::GValue32Attribute() : value_(0) {}
GValue32Attribute::GValue32Attribute(int32_t value, const int32_t* id) : GAttribute(id), value_(value) {}
GValue32Attribute::GValue32Attribute(const GValue32Attribute& other) = default;
GValue32Attribute& GValue32Attribute::operator=(const GValue32Attribute& other) = default;
GValue32Attribute::~GValue32Attribute() = default;

GValue32Attribute* GValue32Attribute::CreateSameKind() const { return new GValue32Attribute; }
GValue32Attribute* GValue32Attribute::Clone() const { return new GValue32Attribute(*this); }
RWClassID GValue32Attribute::ClassId() const { return GValue32AttributeClassId; }

int GValue32Attribute::DerivesFrom(RWClassID classId) const {
  return classId == GValue32AttributeClassId || GAttribute::DerivesFrom(classId);
}

int GValue32Attribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* value = dynamic_cast<const GValue32Attribute*>(other);
  return value != nullptr && GAttribute::Matches(other) && value->value_ == value_;
}

int16_t GValue32Attribute::ApplyTo(GPeripheral*) { return 0; }

uint32_t GValue32Attribute::MembersStoreSize() const { return GAttribute::MembersStoreSize() + 8; }

void GValue32Attribute::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutInt(value_);
}

void GValue32Attribute::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteInt(value_);
}

void GValue32Attribute::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  stream.GetInt(value_);
}

void GValue32Attribute::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  file.ReadInt(value_);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GValue32Attribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GValue32Attribute*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GValue32AttributeCreate() { return new GValue32Attribute; }
