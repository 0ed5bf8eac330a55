#include "rw/RWObjectCollection.h"

#include <vector>

#include "rw/RWBinaryFile.h"
#include "rw/RWHashTable.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWVirtualStream.h"

namespace {

void CollectInto(RWCollectable* element, void* userData) {
  static_cast<std::vector<RWCollectable*>*>(userData)->push_back(element);
}

// The elements of a collection, taken before the operation changes any
// collection: a collection may be both the source and the target (adding a
// list to itself would otherwise never end, and removing from the
// collection being walked would free the node under the walk).
std::vector<RWCollectable*> Snapshot(const RWObjectCollection& collection) {
  std::vector<RWCollectable*> elements;
  elements.reserve(collection.Count());
  collection.ApplyToEach(&CollectInto, &elements);
  return elements;
}

}  // namespace

RWClassID RWObjectCollection::ClassId() const { return RWObjectCollectionClassId; }

void RWObjectCollection::RemoveAndDeleteAll() {
  // Collect the elements by identity first, so that an object held more
  // than once is deleted once.
  RWIdentitySet distinct(Count() / 4);
  ApplyToEach([](RWCollectable* element, void* set) { static_cast<RWIdentitySet*>(set)->Add(element); }, &distinct);
  distinct.RemoveAndDeleteAll();
  RemoveAll();
}

bool RWObjectCollection::Contains(const RWCollectable* x) const { return FindEqual(x) != nullptr; }

bool RWObjectCollection::IsEmpty() const { return Count() == 0; }

void RWObjectCollection::RemoveEqualAndDelete(const RWCollectable* x) {
  RWCollectable* removed = RemoveEqual(x);
  delete removed;
}

void RWObjectCollection::AddAll(const RWObjectCollection& other) {
  for (RWCollectable* element : Snapshot(other)) Add(element);
}

void RWObjectCollection::AddTo(RWObjectCollection& other) const {
  for (RWCollectable* element : Snapshot(*this)) other.Add(element);
}

void RWObjectCollection::RemoveAllOf(const RWObjectCollection& other) {
  for (RWCollectable* element : Snapshot(other)) RemoveEqual(element);
}

void RWObjectCollection::AddClonesTo(RWObjectCollection& other) const {
  for (RWCollectable* element : Snapshot(*this)) {
    if (element == nullptr) continue;
    // A clone that the other collection refuses (a set already holding an
    // equal element) belongs to nobody: it is deleted at once.
    RWCollectable* clone = element->Clone();
    if (other.Add(clone) != clone) delete clone;
  }
}

RWObjectCollection* RWObjectCollection::Select(RWTestCollectable predicate, const void* userData) const {
  RWCollectable* made = CreateSameKind();
  RWObjectCollection* result = dynamic_cast<RWObjectCollection*>(made);
  if (result == nullptr) {
    delete made;
    return nullptr;
  }
  for (RWCollectable* element : Snapshot(*this))
    if (predicate(element, userData)) result->Add(element);
  return result;
}

// ---- Stored form ----

uint32_t RWObjectCollection::MembersStoreSize() const {
  uint32_t size = 4;
  ApplyToEach(
      [](RWCollectable* element, void* total) {
        const RWCollectable* object = element != nullptr ? element : &RWNullObjectInstance;
        *static_cast<uint32_t*>(total) += object->StoredByteCount();
      },
      &size);
  return size;
}

void RWObjectCollection::SaveMembers(RWVirtualOutStream& stream) const {
  stream.PutUInt(Count());
  if (!stream.Good()) return;
  ApplyToEach(
      [](RWCollectable* element, void* out) {
        auto& target = *static_cast<RWVirtualOutStream*>(out);
        if (target.Good()) RWWriteObjectPointer(target, element);
      },
      &stream);
}

void RWObjectCollection::SaveMembersToFile(RWBinaryFile& file) const {
  file.WriteUInt(Count());
  ApplyToEach(
      [](RWCollectable* element, void* out) {
        auto& target = *static_cast<RWBinaryFile*>(out);
        if (!target.HasError()) RWWriteObjectPointerToFile(target, element);
      },
      &file);
}

void RWObjectCollection::RestoreElements(RWVirtualInStream& stream, RWStoreRestored store) {
  uint32_t count = 0;
  stream.GetUInt(count);
  // An element whose read leaves the stream not good was not read whole: it
  // is not stored, and the loop ends (the stored count is not trusted).
  for (uint32_t i = 0; i < count && stream.Good(); ++i) {
    RWCollectable* element = nullptr;
    RWReadObjectPointer(stream, element);
    if (!stream.Good()) break;
    store(*this, element);
  }
}

void RWObjectCollection::RestoreElementsFromFile(RWBinaryFile& file, RWStoreRestored store) {
  uint32_t count = 0;
  if (!file.ReadUInt(count)) return;
  // The end of the file stops the loop as an error does: a damaged count
  // must not make it add nulls four billion times.
  for (uint32_t i = 0; i < count && !file.IsAtEnd() && !file.HasError(); ++i) {
    RWCollectable* element = nullptr;
    RWReadObjectPointerFromFile(file, element);
    if (file.IsAtEnd() || file.HasError() || RWReadTableGuard::RestoreFailed()) break;
    store(*this, element);
  }
}

void RWObjectCollection::RestoreMembers(RWVirtualInStream& stream) {
  RemoveAll();
  RestoreElements(stream, [](RWObjectCollection& collection, RWCollectable* element) { collection.Add(element); });
}

void RWObjectCollection::RestoreMembersFromFile(RWBinaryFile& file) {
  RemoveAll();
  RestoreElementsFromFile(file, [](RWObjectCollection& collection, RWCollectable* element) {
    collection.Add(element);
  });
}
