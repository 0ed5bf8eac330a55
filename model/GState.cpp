#include "model/GState.h"

#include "model/MPersistentIterator.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GState::GState() = default;
GState::GState(const int32_t* id) : GAttributeComposite(id) {}
GState::GState(const GState& other) = default;
GState& GState::operator=(const GState& other) = default;
GState::~GState() = default;

QV_PERSISTENT_KIND_DEFINE(GState, GAttributeComposite, GStateClassId)

// A state has no fields of its own: the version word is read and its
// value ignored.
template <typename Archive>
void GState::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GState, GAttributeComposite)

long GState::IndexOfSameSetting(const GAttribute* attribute) const {
  const size_t count = Children().Count();
  for (size_t i = 0; i < count; ++i) {
    const GAttribute* member = ChildAt(i);
    if (member != nullptr && member->GetTypeId() == attribute->GetTypeId() &&
        member->FeatureId() == attribute->FeatureId())
      return static_cast<long>(i);
  }
  return -1;
}

void GState::AddChild(MPersistentObject* child) {
  if (child == nullptr) return;
  auto* attribute = dynamic_cast<GAttribute*>(child);
  const long index = attribute != nullptr ? IndexOfSameSetting(attribute) : -1;
  if (index < 0) {
    // Appended when it is an attribute, else destroyed.
    GAttributeComposite::AddChild(child);
    return;
  }
  GAttribute* member = ChildAt(static_cast<size_t>(index));
  if (member == attribute) return;  // already the member
  if (member->Matches(attribute)) {
    // The state keeps its member. The object given is let go: destroyed
    // when nobody else holds it, left with its holders otherwise.
    DropHandedOver(attribute);
    return;
  }
  if (WouldHoldItself(attribute)) return;
  // The new member takes the old one's place.
  HoldAt(static_cast<size_t>(index), attribute);
}

void GState::Merge(GAttribute* other) { MergeFrom(other); }

bool GState::MergeFrom(GAttribute* other) {
  if (other == nullptr) return false;
  if (other->GetTypeId() != GetTypeId() || other->FeatureId() != FeatureId()) {
    other->changed = 1;
    const long before = IndexOfChild(other);
    AddChild(other);
    return IndexOfChild(other) >= 0 && before < 0;
  }
  if (other == this) return false;  // a state does not differ from itself
  // The other's members are held for the walk: merging can release a
  // member of this state that is also one of them.
  GCountedPtrVector theirs;
  MPersistentIterator* it = other->CreateIterator();
  while (it != nullptr && it->Advance()) {
    if (MPersistentObject* child = it->Current()) theirs.Append(GCountedPtr(child));
  }
  delete it;
  bool merged = false;
  for (size_t i = 0; i < theirs.Count(); ++i) {
    auto* incoming = dynamic_cast<GAttribute*>(theirs.Data()[i].Pointee());
    if (incoming == nullptr) continue;
    const long index = IndexOfSameSetting(incoming);
    if (index < 0) {
      incoming->changed = 1;
      const size_t before = Children().Count();
      GAttributeComposite::AddChild(incoming);
      merged = merged || Children().Count() > before;
      continue;
    }
    GAttribute* member = ChildAt(static_cast<size_t>(index));
    if (member == incoming) continue;
    auto* nested = dynamic_cast<GState*>(member);
    if (nested != nullptr && member->ClassId() == GStateClassId) {
      // A nested state that took in a difference must itself be applied
      // for the difference to reach the receiver.
      if (nested->MergeFrom(incoming)) {
        nested->changed = 1;
        merged = true;
      }
    } else if (member->DiffersFrom(incoming)) {
      if (WouldHoldItself(incoming)) continue;
      HoldAt(static_cast<size_t>(index), incoming);
      incoming->changed = 1;
      merged = true;
    }
  }
  return merged;
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GState*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GState*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GStateCreate() { return new GState; }
