#include "model/GStringAttribute.h"

#include "model/GPeripheral.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GStringAttribute::GStringAttribute() = default;
GStringAttribute::GStringAttribute(const char* text, const int32_t* id)
    : GAttribute(id), text_(text != nullptr ? text : "") {}
GStringAttribute::GStringAttribute(const RWCString& text, const int32_t* id) : GAttribute(id), text_(text) {}
GStringAttribute::GStringAttribute(const GStringAttribute& other) = default;
GStringAttribute& GStringAttribute::operator=(const GStringAttribute& other) = default;
GStringAttribute::~GStringAttribute() = default;

QV_PERSISTENT_KIND_DEFINE(GStringAttribute, GAttribute, GStringAttributeClassId)

int GStringAttribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* string = dynamic_cast<const GStringAttribute*>(other);
  return string != nullptr && GAttribute::Matches(other) && string->text_ == text_;
}

int16_t GStringAttribute::ApplyTo(GPeripheral* receiver) {
  return receiver != nullptr ? receiver->SetString(this) : 0;
}

void GStringAttribute::SetString(const RWCString& text) { text_ = text; }

void GStringAttribute::SetString(const char* text) { text_ = RWCString(text != nullptr ? text : ""); }

template <typename Archive>
void GStringAttribute::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(text_);
}

RW_STORED_MEMBERS_DEFINE(GStringAttribute, GAttribute)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GStringAttribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GStringAttribute*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GStringAttributeCreate() { return new GStringAttribute; }
