#include "model/GDeviceFontListComposite.h"

#include <vector>

#include "model/GAttribute.h"
#include "model/GFeatureIds.h"
#include "model/MPersistentIterator.h"
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

uint32_t GDeviceFontListComposite::MembersStoreSize() const {
  RWStoreTableGuard guard;
  return MPersistentObject::MembersStoreSize() + 4 + lists_.StoredByteCount();
}

void GDeviceFontListComposite::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  lists_.WriteTo(stream);
}

void GDeviceFontListComposite::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  lists_.WriteToFile(file);
}

void GDeviceFontListComposite::RestoreMembers(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  lists_.RemoveAllChildren();
  RWReadObjectInto(stream, &lists_);
}

void GDeviceFontListComposite::RestoreMembersFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  lists_.RemoveAllChildren();
  RWReadObjectIntoFromFile(file, &lists_);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDeviceFontListComposite*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GDeviceFontListComposite*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GDeviceFontListCompositeCreate() { return new GDeviceFontListComposite; }
