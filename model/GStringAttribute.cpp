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

GStringAttribute* GStringAttribute::CreateSameKind() const { return new GStringAttribute; }
GStringAttribute* GStringAttribute::Clone() const { return new GStringAttribute(*this); }
RWClassID GStringAttribute::ClassId() const { return GStringAttributeClassId; }

int GStringAttribute::DerivesFrom(RWClassID classId) const {
  return classId == GStringAttributeClassId || GAttribute::DerivesFrom(classId);
}

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

uint32_t GStringAttribute::MembersStoreSize() const {
  return GAttribute::MembersStoreSize() + 8 + static_cast<uint32_t>(text_.Length());
}

void GStringAttribute::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  text_.SaveTo(stream);
}

void GStringAttribute::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  text_.SaveToFile(file);
}

void GStringAttribute::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  text_.RestoreFrom(stream);
}

void GStringAttribute::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  text_.RestoreFromFile(file);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GStringAttribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GStringAttribute*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GStringAttributeCreate() { return new GStringAttribute; }
