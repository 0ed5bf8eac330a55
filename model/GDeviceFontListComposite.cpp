#include "model/GDeviceFontListComposite.h"

#include <vector>

#include "model/GAttribute.h"
#include "model/GFeatureIds.h"
#include "model/MPersistentIterator.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

// Deep copies of the direct children of object, in order (the caller owns
// them). Copying first lets object be the container that then changes.
std::vector<MPersistentObject*> CopiesOfChildren(MPersistentObject* object) {
  std::vector<MPersistentObject*> copies;
  if (object == nullptr) return copies;
  MPersistentIterator* it = object->CreateIterator();
  while (it != nullptr && it->Advance())
    if (MPersistentObject* child = it->Current())
      if (MPersistentObject* copy = child->DeepCopy()) copies.push_back(copy);
  delete it;
  return copies;
}

}  // namespace

GDeviceFontListComposite::GDeviceFontListComposite() : MPersistentObject(GFeatureIds::kDeviceFontLists) {}

GDeviceFontListComposite::GDeviceFontListComposite(const GDeviceFontListComposite& other) : MPersistentObject() {
  lists_.RemoveAllChildren();
  lists_ = other.lists_;
}

GDeviceFontListComposite& GDeviceFontListComposite::operator=(const GDeviceFontListComposite& other) {
  if (this != &other) {
    lists_.RemoveAllChildren();
    lists_ = other.lists_;
  }
  return *this;
}

GDeviceFontListComposite::~GDeviceFontListComposite() = default;

QV_PERSISTENT_KIND_DEFINE(GDeviceFontListComposite, MPersistentObject, GDeviceFontListCompositeClassId)

int GDeviceFontListComposite::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* container = dynamic_cast<const GDeviceFontListComposite*>(other);
  return container != nullptr && lists_.Matches(&container->lists_);
}

MPersistentIterator* GDeviceFontListComposite::CreateIterator() { return lists_.CreateIterator(); }

void GDeviceFontListComposite::Add(MPersistentObject* list) { lists_.AddChild(list); }
void GDeviceFontListComposite::Prepend(MPersistentObject* list) { lists_.PrependChild(list); }
MPersistentObject* GDeviceFontListComposite::RemoveById(int32_t id) { return lists_.RemoveChildById(id); }
int GDeviceFontListComposite::ReplaceById(int32_t id, const MPersistentObject* with) {
  return lists_.ReplaceChildById(id, with);
}
void GDeviceFontListComposite::RemoveAll() { lists_.RemoveAllChildren(); }
MPersistentObject* GDeviceFontListComposite::FindListById(int32_t id) { return lists_.FindById(id); }

void GDeviceFontListComposite::AddAllFrom(MPersistentObject* other) {
  for (MPersistentObject* copy : CopiesOfChildren(other)) Add(copy);
}

void GDeviceFontListComposite::Merge(MPersistentObject* other) {
  for (MPersistentObject* copy : CopiesOfChildren(other)) {
    // The replace stores a copy of its own.
    if (ReplaceById(copy->FeatureId(), copy))
      delete copy;
    else
      Prepend(copy);
  }
}

// ---- Persistence ----

// The version, then the lists as one embedded composite, read anew.
template <typename Archive>
void GDeviceFontListComposite::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    lists_.RemoveAllChildren();
  }
  archive.Embedded(lists_);
}

RW_STORED_MEMBERS_DEFINE(GDeviceFontListComposite, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDeviceFontListComposite*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GDeviceFontListComposite*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GDeviceFontListCompositeCreate() { return new GDeviceFontListComposite; }
