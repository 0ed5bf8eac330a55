#include "rw/RWObjectCollection.h"

#include <vector>

#include "rw/RWHashTable.h"

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
