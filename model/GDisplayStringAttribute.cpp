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

QV_PERSISTENT_KIND_DEFINE(GDisplayStringAttribute, GAttribute, GDisplayStringAttributeClassId)

int GDisplayStringAttribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* attribute = dynamic_cast<const GDisplayStringAttribute*>(other);
  return attribute != nullptr && GAttribute::Matches(other) &&
         displayString_.Matches(&attribute->displayString_);
}

int16_t GDisplayStringAttribute::ApplyTo(GPeripheral*) { return 0; }

// The version, then the embedded string as an object of the graph.
template <typename Archive>
void GDisplayStringAttribute::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive.Embedded(displayString_);
}

RW_STORED_MEMBERS_DEFINE(GDisplayStringAttribute, GAttribute)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDisplayStringAttribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GDisplayStringAttribute*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GDisplayStringAttributeCreate() { return new GDisplayStringAttribute; }
