#include "model/GResourceMappingList.h"

#include "model/MPersistentRead.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// A restored list may hold empty places and objects of other classes; the
// look-ups pass over them.
const GResourceMapping* MappingOf(const GCountedPtr* element) {
  return element != nullptr ? dynamic_cast<const GResourceMapping*>(element->Pointee()) : nullptr;
}

int HasSystemCode(GCountedPtr* element, int code) {
  const GResourceMapping* mapping = MappingOf(element);
  return mapping != nullptr && mapping->GetSystemCode() == code;
}

int HasDeviceCode(GCountedPtr* element, int code) {
  const GResourceMapping* mapping = MappingOf(element);
  return mapping != nullptr && mapping->GetDeviceCode() == code;
}

int HasResourceId(GCountedPtr* element, int resourceId) {
  const GResourceMapping* mapping = MappingOf(element);
  return mapping != nullptr && mapping->GetResourceId() == resourceId;
}

}  // namespace

GResourceMappingList::GResourceMappingList() = default;
GResourceMappingList::GResourceMappingList(const int32_t& id) : MPersistentComposite(id) {}
GResourceMappingList::GResourceMappingList(const GResourceMappingList& other) = default;

GResourceMappingList& GResourceMappingList::operator=(const GResourceMappingList& other) {
  MPersistentComposite::operator=(other);
  return *this;
}

GResourceMappingList::~GResourceMappingList() = default;

QV_PERSISTENT_KIND_DEFINE(GResourceMappingList, MPersistentComposite, GResourceMappingListClassId)

int GResourceMappingList::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return MPersistentComposite::Matches(other);
}

void GResourceMappingList::AddChild(MPersistentObject*) {}

MPersistentObject* GResourceMappingList::DeepCopy() const {
  // The generic walk would copy every mapping only for AddChild to leave
  // the copies to nobody.
  GResourceMappingList* copy = CreateSameKind();
  copy->SetFeatureId(FeatureId());
  return copy;
}

// ---- Adding, finding, removing ----

int GResourceMappingList::Append(GResourceMapping* mapping) {
  const int before = GetEntryCount();
  MPersistentComposite::AddChild(mapping);
  return GetEntryCount() > before ? 1 : 0;
}

int GResourceMappingList::AddIfNew(GResourceMapping* mapping) {
  if (mapping == nullptr || FindByDeviceCode(mapping->GetDeviceCode()) != nullptr ||
      FindByResourceId(mapping->GetResourceId()) != nullptr)
    return 0;
  return Append(mapping);
}

int GResourceMappingList::AddIfNewDeviceCode(GResourceMapping* mapping) {
  if (mapping == nullptr || FindByDeviceCode(mapping->GetDeviceCode()) != nullptr) return 0;
  return Append(mapping);
}

GResourceMapping* GResourceMappingList::FindBySystemCode(int16_t code) {
  return static_cast<GResourceMapping*>(FindChildWhere(&HasSystemCode, code));
}

GResourceMapping* GResourceMappingList::FindByDeviceCode(int16_t code) {
  return static_cast<GResourceMapping*>(FindChildWhere(&HasDeviceCode, code));
}

GResourceMapping* GResourceMappingList::FindByResourceId(int32_t resourceId) {
  return static_cast<GResourceMapping*>(FindChildWhere(&HasResourceId, resourceId));
}

GResourceMapping* GResourceMappingList::Remove(GResourceMapping* found) {
  // The removal hands back the mapping or a Clone of it: the same class.
  return found != nullptr ? static_cast<GResourceMapping*>(MPersistentComposite::RemoveChild(found)) : nullptr;
}

GResourceMapping* GResourceMappingList::RemoveBySystemCode(int16_t code) { return Remove(FindBySystemCode(code)); }
GResourceMapping* GResourceMappingList::RemoveByDeviceCode(int16_t code) { return Remove(FindByDeviceCode(code)); }
GResourceMapping* GResourceMappingList::RemoveByResourceId(int32_t resourceId) {
  return Remove(FindByResourceId(resourceId));
}

// ---- Persistence ----

// The children are appended as stored: the uniqueness tests of the add
// operations do not apply. The version follows them and is not checked.
template <typename Archive>
void GResourceMappingList::Members(Archive& archive) {
  if (MStored::InputGood(archive)) archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GResourceMappingList, MPersistentComposite)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GResourceMappingList*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GResourceMappingList*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GResourceMappingListCreate() { return new GResourceMappingList; }
