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

QV_PERSISTENT_KIND_DEFINE(GSelectionString, MPersistentObject, GSelectionStringClassId)

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

template <typename Archive>
void GSelectionString::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(text_, value_);
}

RW_STORED_MEMBERS_DEFINE(GSelectionString, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GSelectionString*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GSelectionString*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GSelectionStringCreate() { return new GSelectionString; }
