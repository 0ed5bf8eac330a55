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

QV_PERSISTENT_KIND_DEFINE(GDisplayString, MPersistentObject, GDisplayStringClassId)

int GDisplayString::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* string = dynamic_cast<const GDisplayString*>(other);
  return string != nullptr && MPersistentObject::Matches(other) && string->resourceId_ == resourceId_ &&
         string->text_ == text_ && string->moduleName_ == moduleName_;
}

template <typename Archive>
void GDisplayString::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(moduleName_, text_, resourceId_);
}

RW_STORED_MEMBERS_DEFINE(GDisplayString, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDisplayString*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GDisplayString*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GDisplayStringCreate() { return new GDisplayString; }
