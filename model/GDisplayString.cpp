#include "model/GDisplayString.h"

#include "model/GAttribute.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GDisplayString::GDisplayString() : resourceId_(0) {}

GDisplayString::GDisplayString(int16_t resourceId, const char* text, const char* moduleName)
    : resourceId_(resourceId),
      text_(text != nullptr ? text : ""),
      moduleName_(moduleName != nullptr ? moduleName : "") {}

GDisplayString::GDisplayString(const GDisplayString& other) = default;
GDisplayString& GDisplayString::operator=(const GDisplayString& other) = default;
GDisplayString::~GDisplayString() = default;

GDisplayString* GDisplayString::CreateSameKind() const { return new GDisplayString; }
GDisplayString* GDisplayString::Clone() const { return new GDisplayString(*this); }
RWClassID GDisplayString::ClassId() const { return GDisplayStringClassId; }

int GDisplayString::DerivesFrom(RWClassID classId) const {
  return classId == GDisplayStringClassId || MPersistentObject::DerivesFrom(classId);
}

int GDisplayString::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* string = dynamic_cast<const GDisplayString*>(other);
  return string != nullptr && MPersistentObject::Matches(other) && string->resourceId_ == resourceId_ &&
         string->text_ == text_ && string->moduleName_ == moduleName_;
}

uint32_t GDisplayString::MembersStoreSize() const {
  // Version, two stored strings (length and bytes each) and the id.
  return MPersistentObject::MembersStoreSize() + 14 + static_cast<uint32_t>(moduleName_.Length()) +
         static_cast<uint32_t>(text_.Length());
}

void GDisplayString::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  moduleName_.SaveTo(stream);
  text_.SaveTo(stream);
  stream.PutShort(resourceId_);
}

void GDisplayString::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  moduleName_.SaveToFile(file);
  text_.SaveToFile(file);
  file.WriteShort(resourceId_);
}

void GDisplayString::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  moduleName_.RestoreFrom(stream);
  text_.RestoreFrom(stream);
  stream.GetShort(resourceId_);
}

void GDisplayString::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  if (!moduleName_.RestoreFromFile(file) || !text_.RestoreFromFile(file)) return;
  file.ReadShort(resourceId_);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDisplayString*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GDisplayString*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GDisplayStringCreate() { return new GDisplayString; }
