#include "model/GValueAttribute.h"

#include "model/GPeripheral.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GValueAttribute::GValueAttribute() : value_(0) {}
GValueAttribute::GValueAttribute(int16_t value, const int32_t* id) : GAttribute(id), value_(value) {}
GValueAttribute::GValueAttribute(const GValueAttribute& other) = default;
GValueAttribute& GValueAttribute::operator=(const GValueAttribute& other) = default;
GValueAttribute::~GValueAttribute() = default;

QV_PERSISTENT_KIND_DEFINE(GValueAttribute, GAttribute, GValueAttributeClassId)

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

template <typename Archive>
void GValueAttribute::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(value_);
}

RW_STORED_MEMBERS_DEFINE(GValueAttribute, GAttribute)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GValueAttribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GValueAttribute*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GValueAttributeCreate() { return new GValueAttribute; }
