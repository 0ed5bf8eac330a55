#include "model/GDisplayStringAttribute.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

// The display string is a member read in place: it is marked so that no
// later reference of a stored graph can hand it to another holder.
GDisplayStringAttribute::GDisplayStringAttribute() { displayString_.MarkEmbedded(); }

GDisplayStringAttribute::GDisplayStringAttribute(const int32_t* id, int16_t resourceId, const char* text,
                                                 const char* moduleName)
    : GAttribute(id), displayString_(resourceId, text, moduleName) {
  displayString_.MarkEmbedded();
}

GDisplayStringAttribute::GDisplayStringAttribute(int16_t resourceId, const char* text, const char* moduleName)
    : displayString_(resourceId, text, moduleName) {
  displayString_.MarkEmbedded();
}

GDisplayStringAttribute::GDisplayStringAttribute(const GDisplayStringAttribute& other)
    : GAttribute(other), displayString_(other.displayString_) {
  displayString_.MarkEmbedded();
}
GDisplayStringAttribute& GDisplayStringAttribute::operator=(const GDisplayStringAttribute& other) = default;
GDisplayStringAttribute::~GDisplayStringAttribute() = default;

GDisplayStringAttribute* GDisplayStringAttribute::CreateSameKind() const { return new GDisplayStringAttribute; }
GDisplayStringAttribute* GDisplayStringAttribute::Clone() const { return new GDisplayStringAttribute(*this); }
RWClassID GDisplayStringAttribute::ClassId() const { return GDisplayStringAttributeClassId; }

int GDisplayStringAttribute::DerivesFrom(RWClassID classId) const {
  return classId == GDisplayStringAttributeClassId || GAttribute::DerivesFrom(classId);
}

int GDisplayStringAttribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* attribute = dynamic_cast<const GDisplayStringAttribute*>(other);
  return attribute != nullptr && GAttribute::Matches(other) &&
         displayString_.Matches(&attribute->displayString_);
}

int16_t GDisplayStringAttribute::ApplyTo(GPeripheral*) { return 0; }

uint32_t GDisplayStringAttribute::MembersStoreSize() const {
  // The version, then the embedded string as a new object inside this save.
  RWStoreTableGuard guard;
  return GAttribute::MembersStoreSize() + 4 + displayString_.StoredByteCount();
}

void GDisplayStringAttribute::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  RWWriteObjectPointer(stream, &displayString_);
}

void GDisplayStringAttribute::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  RWWriteObjectPointerToFile(file, &displayString_);
}

void GDisplayStringAttribute::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  RWReadObjectInto(stream, &displayString_);
}

void GDisplayStringAttribute::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  RWReadObjectIntoFromFile(file, &displayString_);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDisplayStringAttribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GDisplayStringAttribute*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GDisplayStringAttributeCreate() { return new GDisplayStringAttribute; }
