#include "model/GSelectionString.h"

#include <cstring>

#include "model/MPersistentRead.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GSelectionString::GSelectionString() = default;

GSelectionString::GSelectionString(const RWCString& text, int16_t value, const int32_t& id)
    : MPersistentObject(id), value_(value), text_(text) {}

GSelectionString::GSelectionString(const GSelectionString& other) = default;

GSelectionString& GSelectionString::operator=(const GSelectionString& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    value_ = other.value_;
    text_ = other.text_;
  }
  return *this;
}

GSelectionString::~GSelectionString() = default;

GSelectionString* GSelectionString::CreateSameKind() const { return new GSelectionString; }
GSelectionString* GSelectionString::Clone() const { return new GSelectionString(*this); }
RWClassID GSelectionString::ClassId() const { return GSelectionStringClassId; }

int GSelectionString::DerivesFrom(RWClassID classId) const {
  return classId == GSelectionStringClassId || MPersistentObject::DerivesFrom(classId);
}

int GSelectionString::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* selection = dynamic_cast<const GSelectionString*>(other);
  if (selection == nullptr || selection->value_ != value_) return 0;
  const RWCString& theirs = selection->text_;
  return theirs.Length() == text_.Length() && std::memcmp(theirs.Data(), text_.Data(), text_.Length()) == 0;
}

// ---- Persistence ----

// The text is stored before the value.

uint32_t GSelectionString::MembersStoreSize() const {
  return MPersistentObject::MembersStoreSize() + 10 + static_cast<uint32_t>(text_.Length());
}

void GSelectionString::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  text_.SaveTo(stream);
  stream.PutShort(value_);
}

void GSelectionString::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  text_.SaveToFile(file);
  file.WriteShort(value_);
}

void GSelectionString::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  text_.RestoreFrom(stream);
  if (!stream.Good()) return;
  stream.GetShort(value_);
}

void GSelectionString::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  if (!text_.RestoreFromFile(file)) return;
  file.ReadShort(value_);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GSelectionString*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GSelectionString*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GSelectionStringCreate() { return new GSelectionString; }
