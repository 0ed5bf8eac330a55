#include "model/GValue32Attribute.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GValue32Attribute::GValue32Attribute() : value_(0) {}
GValue32Attribute::GValue32Attribute(int32_t value, const int32_t* id) : GAttribute(id), value_(value) {}
GValue32Attribute::GValue32Attribute(const GValue32Attribute& other) = default;
GValue32Attribute& GValue32Attribute::operator=(const GValue32Attribute& other) = default;
GValue32Attribute::~GValue32Attribute() = default;

QV_PERSISTENT_KIND_DEFINE(GValue32Attribute, GAttribute, GValue32AttributeClassId)

int GValue32Attribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* value = dynamic_cast<const GValue32Attribute*>(other);
  return value != nullptr && GAttribute::Matches(other) && value->value_ == value_;
}

int16_t GValue32Attribute::ApplyTo(GPeripheral*) { return 0; }

template <typename Archive>
void GValue32Attribute::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(value_);
}

RW_STORED_MEMBERS_DEFINE(GValue32Attribute, GAttribute)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GValue32Attribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GValue32Attribute*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GValue32AttributeCreate() { return new GValue32Attribute; }
