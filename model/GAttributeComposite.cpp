#include "model/GAttributeComposite.h"

#include "model/GStoredChildren.h"
#include "model/MChildSearch.h"
#include "model/MPersistentComposite.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWMembers.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr uint32_t kInitialCapacity = 10;
constexpr uint32_t kResetCapacity = 64;

bool IsContainer(MPersistentObject* object) {
  return object->AsComposite() != nullptr || object->DerivesFrom(GAttributeCompositeClassId);
}

GAttribute* AsAttribute(MPersistentObject* object) { return dynamic_cast<GAttribute*>(object); }

}  // namespace

// ---- Construction ----

GAttributeComposite::GAttributeComposite() : children_(kInitialCapacity) {}

GAttributeComposite::GAttributeComposite(const int32_t* id) : GAttribute(id), children_(kInitialCapacity) {}

GAttributeComposite::GAttributeComposite(const GAttributeComposite& other)
    : GAttribute(other), children_(other.children_) {
  children_.SetCapacity(children_.Count());
}

GAttributeComposite& GAttributeComposite::operator=(const GAttributeComposite& other) {
  if (&other == this) return *this;
  for (size_t i = 0; i < other.children_.Count(); ++i) {
    if (WouldHoldItself(other.children_.Data()[i].Pointee())) return *this;
  }
  GAttribute::operator=(other);
  children_ = other.children_;
  return *this;
}

GAttributeComposite::~GAttributeComposite() = default;

QV_PERSISTENT_KIND_DEFINE(GAttributeComposite, GAttribute, GAttributeCompositeClassId)

int GAttributeComposite::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !GAttribute::Matches(other)) return 0;
  auto* composite = dynamic_cast<const GAttributeComposite*>(other);
  return composite != nullptr && MChildSearch::SameChildren(children_, composite->children_) ? 1 : 0;
}

// ---- Children ----

GAttribute* GAttributeComposite::ChildAt(size_t index) const {
  if (index >= children_.Count()) return nullptr;
  return AsAttribute(children_.Data()[index].Pointee());
}

long GAttributeComposite::IndexOfChild(const MPersistentObject* object) const {
  if (object == nullptr) return -1;
  for (size_t i = 0; i < children_.Count(); ++i)
    if (children_.Data()[i].Pointee() == object) return static_cast<long>(i);
  return -1;
}

bool GAttributeComposite::WouldHoldItself(const MPersistentObject* object) const {
  if (object == nullptr) return false;
  return MChildSearch::Reaches(const_cast<MPersistentObject*>(object), this, IsContainer);
}

void GAttributeComposite::DropHandedOver(MPersistentObject* object) {
  if (object != nullptr && object->HolderCount() == -1) delete object;
}

bool GAttributeComposite::AppendChild(GAttribute* child) {
  if (child == nullptr || WouldHoldItself(child)) return false;
  children_.Append(GCountedPtr(child));
  return true;
}

void GAttributeComposite::HoldAt(size_t index, GAttribute* child) {
  // Held before the old child is let go: it may be the old child itself.
  GCountedPtr held(child);
  if (GCountedPtr* element = children_.At(index)) *element = held;
}

void GAttributeComposite::AddChild(MPersistentObject* child) {
  if (child == nullptr) return;
  GAttribute* attribute = AsAttribute(child);
  if (attribute == nullptr || !attribute->DerivesFrom(GAttributeClassId)) {
    DropHandedOver(child);
    return;
  }
  AppendChild(attribute);
}

void GAttributeComposite::ChildRemovedAt(size_t) {}

GAttribute* GAttributeComposite::TakeAt(size_t index) {
  GCountedPtr taken = children_.RemoveAt(index);
  ChildRemovedAt(index);
  // The child itself when this container was its only holder, else a copy.
  return AsAttribute(taken.TakePointee(nullptr));
}

void GAttributeComposite::ResetChildren() {
  // The old array goes only after the new one is in place, so a child that
  // is destroyed now sees a consistent (empty) container.
  children_ = GCountedPtrVector(kResetCapacity);
}

void GAttributeComposite::RemoveAllChildren() { ResetChildren(); }

GAttribute* GAttributeComposite::RemoveChild(const MPersistentObject* target) {
  if (target == nullptr) return nullptr;
  return MChildSearch::Remove(
      children_, [&](MPersistentObject* c) { return c == target; }, [this](size_t i) { return TakeAt(i); },
      [&](MPersistentObject* c) { return AsAttribute(c->RemoveChild(target)); });
}

GAttribute* GAttributeComposite::RemoveChildById(const int32_t& id) {
  return MChildSearch::Remove(
      children_, [&](MPersistentObject* c) { return c->FeatureId() == id; }, [this](size_t i) { return TakeAt(i); },
      [&](MPersistentObject* c) { return AsAttribute(c->RemoveChildById(id)); });
}

GAttribute* GAttributeComposite::RemoveChildByClass(const RWClassID& classId) {
  return MChildSearch::Remove(
      children_, [&](MPersistentObject* c) { return c->ClassId() == classId; }, [this](size_t i) { return TakeAt(i); },
      [&](MPersistentObject* c) { return AsAttribute(c->RemoveChildByClass(classId)); });
}

namespace {

// Replaces the first qualifying direct child by a deep copy of with, else
// asks each child in turn. Only an attribute can take a child's place.
template <typename Match, typename Recurse>
int ReplaceWhere(GAttributeComposite* self, const MPersistentObject* with, const Match& match,
                 const Recurse& recurse) {
  if (dynamic_cast<const GAttribute*>(with) == nullptr) return 0;
  return MChildSearch::Replace(self->Children(), with, match, recurse);
}

}  // namespace

int GAttributeComposite::ReplaceChildById(const int32_t& id, const MPersistentObject* with) {
  return ReplaceWhere(
      this, with, [&](MPersistentObject* c) { return c->FeatureId() == id; },
      [&](MPersistentObject* c) { return c->ReplaceChildById(id, with); });
}

int GAttributeComposite::ReplaceChildByClass(const RWClassID& classId, const MPersistentObject* with) {
  return ReplaceWhere(
      this, with, [&](MPersistentObject* c) { return c->ClassId() == classId; },
      [&](MPersistentObject* c) { return c->ReplaceChildByClass(classId, with); });
}

int GAttributeComposite::ReplaceChild(const MPersistentObject* old, const MPersistentObject* with) {
  if (old == nullptr) return 0;
  return ReplaceWhere(
      this, with, [&](MPersistentObject* c) { return c == old; },
      [&](MPersistentObject* c) { return c->ReplaceChild(old, with); });
}

int GAttributeComposite::ReplaceChildByKind(const RWClassID& classId, const MPersistentObject* with) {
  return ReplaceWhere(
      this, with, [&](MPersistentObject* c) { return c->DerivesFrom(classId) != 0; },
      [&](MPersistentObject* c) { return c->ReplaceChildByKind(classId, with); });
}

// ---- Finds, collects, selects ----

GAttribute* GAttributeComposite::FindById(const int32_t& id) {
  return MChildSearch::Find(
      children_, [&](MPersistentObject* c) { return c->FeatureId() == id; },
      [&](MPersistentObject* c) { return c->FindById(id); }, AsAttribute);
}

GAttribute* GAttributeComposite::FindByClass(const RWClassID& classId) {
  return MChildSearch::Find(
      children_, [&](MPersistentObject* c) { return c->ClassId() == classId; },
      [&](MPersistentObject* c) { return c->FindByClass(classId); }, AsAttribute);
}

GAttribute* GAttributeComposite::FindMatch(const MPersistentObject* other) {
  if (other == nullptr) return nullptr;
  // A leaf's own find answers it when it matches; a container's searches
  // below it, so a container qualifies only by identity.
  return MChildSearch::Find(
      children_, [&](MPersistentObject* c) { return c == other; },
      [&](MPersistentObject* c) { return c->FindMatch(other); }, AsAttribute);
}

GAttribute* GAttributeComposite::FindByKind(const RWClassID& classId) {
  return MChildSearch::Find(
      children_, [&](MPersistentObject* c) { return c->DerivesFrom(classId) != 0; },
      [&](MPersistentObject* c) { return c->FindByKind(classId); }, AsAttribute);
}

MPersistentComposite* GAttributeComposite::CollectByClass(const RWClassID& classId, MPersistentComposite* into) {
  return MChildSearch::Collect(
      children_, into, [&](MPersistentObject* c, MPersistentComposite* t) { return c->CollectByClass(classId, t); });
}

MPersistentComposite* GAttributeComposite::CollectById(const int32_t& id, MPersistentComposite* into) {
  return MChildSearch::Collect(
      children_, into, [&](MPersistentObject* c, MPersistentComposite* t) { return c->CollectById(id, t); });
}

MPersistentComposite* GAttributeComposite::CollectByKind(const RWClassID& classId, MPersistentComposite* into) {
  return MChildSearch::Collect(
      children_, into, [&](MPersistentObject* c, MPersistentComposite* t) { return c->CollectByKind(classId, t); });
}

MPersistentComposite* GAttributeComposite::SelectById(const int32_t& id) {
  return MChildSearch::Select([&](MPersistentComposite* t) { CollectById(id, t); });
}

MPersistentComposite* GAttributeComposite::SelectByClass(const RWClassID& classId) {
  return MChildSearch::Select([&](MPersistentComposite* t) { CollectByClass(classId, t); });
}

MPersistentComposite* GAttributeComposite::SelectByKind(const RWClassID& classId) {
  return MChildSearch::Select([&](MPersistentComposite* t) { CollectByKind(classId, t); });
}

// ---- Shape ----

int GAttributeComposite::GetEntryCount() const { return static_cast<int>(children_.Count()); }

int GAttributeComposite::GetNodeCount() const { return MChildSearch::NodeCount(children_); }

MPersistentIterator* GAttributeComposite::CreateIterator() { return new GAttributeCompositeIterator(this); }

MPersistentObject* GAttributeComposite::DeepCopy() const {
  MPersistentObject* copy = CreateSameKind();
  copy->SetFeatureId(FeatureId());
  const size_t count = children_.Count();
  for (size_t i = 0; i < count && i < children_.Count(); ++i) {
    if (const MPersistentObject* child = children_.Data()[i].Pointee()) copy->AddChild(child->DeepCopy());
  }
  return copy;
}

// ---- Applying, flags, merging ----

int16_t GAttributeComposite::ApplyTo(GPeripheral* receiver) {
  int16_t result = 0;
  const size_t count = children_.Count();
  for (size_t i = 0; i < count; ++i) {
    // The index error when the receiver shrank the list.
    GCountedPtr* element = children_.At(i);
    if (element == nullptr) break;
    GAttribute* child = AsAttribute(element->Pointee());
    if (child == nullptr || child->changed == 0) continue;
    // Held for the call, so a receiver that lets go of it cannot delete it
    // under its own ApplyTo.
    GCountedPtr held(child);
    const int16_t r = child->ApplyTo(receiver);
    if (r != 0) result = r;
  }
  changed = 0;
  return result;
}

void GAttributeComposite::MarkAllChanged() {
  for (size_t i = 0; i < children_.Count(); ++i)
    if (GAttribute* child = ChildAt(i)) child->changed = 1;
  changed = 1;
}

void GAttributeComposite::MarkAllUnchanged() {
  for (size_t i = 0; i < children_.Count(); ++i)
    if (GAttribute* child = ChildAt(i)) child->changed = 0;
  changed = 0;
}

void GAttributeComposite::Merge(GAttribute* other) {
  if (other == nullptr) return;
  if (other->GetTypeId() != GetTypeId() || other->FeatureId() != FeatureId()) {
    AddChild(other->Clone());
    return;
  }
  // The other's children are taken first: other may be this container.
  GCountedPtrVector theirs;
  MPersistentIterator* it = other->CreateIterator();
  while (it != nullptr && it->Advance()) {
    if (MPersistentObject* child = it->Current()) theirs.Append(GCountedPtr(child));
  }
  delete it;
  for (size_t i = 0; i < theirs.Count(); ++i) AddChild(theirs.Data()[i].Pointee()->Clone());
}

void GAttributeComposite::ForEachChild(ChildFunction function, int userData) {
  MChildSearch::ForEach(children_, function, userData);
}

GAttribute* GAttributeComposite::FindChildWhere(ChildPredicate predicate, int userData) {
  return MChildSearch::FindPlace(children_, predicate, userData, AsAttribute);
}

// ---- Persistence ----

// The version, then the children (count and each child as an object
// reference, a stored null child too). Asked on its own, the size is that
// of the body inside one save. A read of the class's own version replaces
// the children and answers true.
template <typename Archive>
bool GAttributeComposite::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return false;
    ResetChildren();
  }
  GStoredChildren::Members(archive, children_, [this](MPersistentObject* child) { AppendRestored(child); });
  return true;
}

RW_STORED_MEMBERS_DEFINE_SIZE_AND_WRITES(GAttributeComposite, GAttribute)

void GAttributeComposite::AppendRestored(MPersistentObject* child) {
  // Only attributes stand in a container of attributes; anything else is
  // damaged input.
  if (child != nullptr && AsAttribute(child) == nullptr) {
    GRefuseRead(child);
    return;
  }
  GStoredChildren::AppendRestored(children_, child, kResetCapacity);
}

bool GAttributeComposite::RestoreCompositeBody(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  GAttribute::RestoreMembers(stream);
  rwm::StreamReader archive(stream);
  return Members(archive);
}

bool GAttributeComposite::RestoreCompositeBodyFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  GAttribute::RestoreMembersFromFile(file);
  rwm::FileReader archive(file);
  return Members(archive);
}

void GAttributeComposite::RestoreMembers(RWVirtualInStream& stream) { RestoreCompositeBody(stream); }

void GAttributeComposite::RestoreMembersFromFile(RWBinaryFile& file) { RestoreCompositeBodyFromFile(file); }

// ---- Iterator ----

GAttributeCompositeIterator::GAttributeCompositeIterator(GAttributeComposite* composite)
    : composite_(composite), children_(&composite->Children()), cursor_(-1) {}

GAttributeCompositeIterator::~GAttributeCompositeIterator() = default;

MPersistentObject* GAttributeCompositeIterator::Current() {
  GCountedPtr* element = children_->At(static_cast<size_t>(cursor_));
  return element != nullptr ? element->Pointee() : nullptr;
}

void GAttributeCompositeIterator::ReplaceCurrent(MPersistentObject* object) {
  if (object == nullptr) return;
  if (dynamic_cast<GAttribute*>(object) == nullptr) {
    if (object->HolderCount() == -1) delete object;
    return;
  }
  if (composite_->WouldHoldItself(object)) return;
  // Held first: the object may be the child it replaces.
  GCountedPtr held(object);
  const size_t count = children_->Count();
  if (cursor_ >= 0 && static_cast<size_t>(cursor_) < count) {
    // Taking the old child out and putting the new one at its place is one
    // assignment of the handle there.
    *children_->At(static_cast<size_t>(cursor_)) = held;
  } else if (count == 0) {
    children_->Append(held);
  } else {
    RWRaiseIndexOutOfRange(static_cast<uint32_t>(cursor_), static_cast<uint32_t>(count));
  }
}

int GAttributeCompositeIterator::Advance() {
  ++cursor_;
  if (cursor_ >= 0 && static_cast<size_t>(cursor_) < children_->Count()) return 1;
  cursor_ = -1;
  return 0;
}

void GAttributeCompositeIterator::Reset() { cursor_ = -1; }

// ---- Reads ----

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GAttributeComposite*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GAttributeComposite*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GAttributeCompositeCreate() { return new GAttributeComposite; }
