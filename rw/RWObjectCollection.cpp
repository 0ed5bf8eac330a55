#include "rw/RWObjectCollection.h"

#include <vector>

#include "rw/RWBinaryFile.h"
#include "rw/RWHashTable.h"
#include "rw/RWMembers.h"
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

namespace {

// For a write: the output is still good, so the next element is written.
// For a read: the input still holds elements (the end of a file stops the
// loop as an error does: a damaged count must not make it add nulls four
// billion times).
template <typename Archive>
bool ElementsGoing(Archive& archive) {
  if constexpr (Archive::kKind == rwm::Kind::kWriteStream)
    return archive.Stream().Good();
  else if constexpr (Archive::kKind == rwm::Kind::kWriteFile)
    return !archive.File().HasError();
  else if constexpr (Archive::kKind == rwm::Kind::kReadStream)
    return archive.Ok();
  else if constexpr (Archive::kKind == rwm::Kind::kReadFile)
    return archive.Ok() && !archive.File().IsAtEnd() && !archive.File().HasError();
  else
    return true;
}

// For a read: the element just read was read whole. One whose read left
// the input failed (or a file at its end, or failed the restore) is not
// stored, and the loop ends: the stored count is not trusted.
template <typename Archive>
bool ElementRead(Archive& archive) {
  if constexpr (Archive::kKind == rwm::Kind::kReadFile)
    return ElementsGoing(archive) && !RWReadTableGuard::RestoreFailed();
  else
    return archive.Ok();
}

}  // namespace

// The element count (as the streams' int), then each element as an object
// reference (a null element as the null object).
template <typename Archive>
void RWObjectCollection::Elements(Archive& archive, RWStoreRestored store) {
  uint32_t count = Count();
  archive(rwm::AsUInt(count));
  if constexpr (!Archive::kReading) {
    if (!ElementsGoing(archive)) return;
    ApplyToEach(
        [](RWCollectable* element, void* to) {
          auto& target = *static_cast<Archive*>(to);
          if (ElementsGoing(target)) target.Pointer(element);
        },
        &archive);
  } else {
    for (uint32_t i = 0; i < count && ElementsGoing(archive); ++i) {
      RWCollectable* element = nullptr;
      archive.Pointer(element);
      if (!ElementRead(archive)) break;
      store(*this, element);
    }
  }
}

uint32_t RWObjectCollection::MembersStoreSize() const {
  rwm::SizeArchive archive;
  const_cast<RWObjectCollection*>(this)->Elements(archive, nullptr);
  return archive.Size();
}

void RWObjectCollection::SaveMembers(RWVirtualOutStream& stream) const {
  rwm::StreamWriter archive(stream);
  const_cast<RWObjectCollection*>(this)->Elements(archive, nullptr);
}

void RWObjectCollection::SaveMembersToFile(RWBinaryFile& file) const {
  rwm::FileWriter archive(file);
  const_cast<RWObjectCollection*>(this)->Elements(archive, nullptr);
}

void RWObjectCollection::RestoreElements(RWVirtualInStream& stream, RWStoreRestored store) {
  rwm::StreamReader archive(stream);
  Elements(archive, store);
}

void RWObjectCollection::RestoreElementsFromFile(RWBinaryFile& file, RWStoreRestored store) {
  rwm::FileReader archive(file);
  Elements(archive, store);
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
