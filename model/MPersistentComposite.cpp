#include "model/MPersistentComposite.h"

#include "model/GStoredChildren.h"
#include "model/MChildSearch.h"
#include "model/MPersistentIterator.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr uint32_t kInitialCapacity = 10;
constexpr uint32_t kResetCapacity = 64;

bool IsComposite(MPersistentObject* object) { return object->AsComposite() != nullptr; }

}  // namespace

// ---- Construction ----

MPersistentComposite::MPersistentComposite() : children_(kInitialCapacity) {}

MPersistentComposite::MPersistentComposite(const int32_t& id) : MPersistentObject(id), children_(kInitialCapacity) {}

MPersistentComposite::MPersistentComposite(const MPersistentComposite& other)
    : MPersistentObject(other), children_(other.children_) {}

MPersistentComposite& MPersistentComposite::operator=(const MPersistentComposite& other) {
  if (&other == this || !other.DiffersFrom(this)) return *this;
  // Taking the other's children must not make this composite its own
  // descendant.
  for (size_t i = 0; i < other.children_.Count(); ++i) {
    if (WouldHoldItself(other.children_.Data()[i].Pointee())) return *this;
  }
  MPersistentObject::operator=(other);
  children_ = other.children_;
  return *this;
}

MPersistentComposite::~MPersistentComposite() = default;

QV_PERSISTENT_KIND_DEFINE(MPersistentComposite, MPersistentObject, MPersistentCompositeClassId)

bool MPersistentComposite::Contains(const MPersistentObject* object) const {
  if (object == nullptr) return false;
  return MChildSearch::Reaches(const_cast<MPersistentComposite*>(this), object, IsComposite);
}

bool MPersistentComposite::WouldHoldItself(const MPersistentObject* object) const {
  if (object == nullptr) return false;
  if (object == this) return true;
  MPersistentComposite* composite = const_cast<MPersistentObject*>(object)->AsComposite();
  return composite != nullptr && composite->Contains(this);
}

// ---- Children ----

void MPersistentComposite::AddChild(MPersistentObject* child) {
  if (child == nullptr || WouldHoldItself(child)) return;
  if (children_.Count() >= kMaxChildren) {
    // Refused: an object that nobody holds is destroyed, as the caller gave
    // it away; one that is held elsewhere stays with its holders.
    if (child->HolderCount() == -1) delete child;
    return;
  }
  children_.Append(GCountedPtr(child));
}

void MPersistentComposite::PrependChild(MPersistentObject* child) {
  if (child == nullptr || WouldHoldItself(child)) return;
  children_.InsertAt(0, GCountedPtr(child));
}

void MPersistentComposite::ResetChildren() {
  // The old array goes only after the new one is in place, so a child that
  // is destroyed now sees a consistent (empty) composite.
  children_ = GCountedPtrVector(kResetCapacity);
}

void MPersistentComposite::RemoveAllChildren() { ResetChildren(); }

namespace {

// The child itself when the composite was its only holder, else a copy; the
// caller owns it.
auto TakeFrom(GCountedPtrVector& children) {
  return [&children](size_t index) { return children.RemoveAt(index).TakePointee(nullptr); };
}

}  // namespace

MPersistentObject* MPersistentComposite::RemoveChild(const MPersistentObject* target) {
  if (target == nullptr) return nullptr;
  return MChildSearch::Remove(
      children_, [&](MPersistentObject* c) { return c == target; }, TakeFrom(children_),
      [&](MPersistentObject* c) { return c->RemoveChild(target); });
}

MPersistentObject* MPersistentComposite::RemoveChildById(const int32_t& id) {
  return MChildSearch::Remove(
      children_, [&](MPersistentObject* c) { return c->FeatureId() == id; }, TakeFrom(children_),
      [&](MPersistentObject* c) { return c->RemoveChildById(id); });
}

MPersistentObject* MPersistentComposite::RemoveChildByClass(const RWClassID& classId) {
  return MChildSearch::Remove(
      children_, [&](MPersistentObject* c) { return c->ClassId() == classId; }, TakeFrom(children_),
      [&](MPersistentObject* c) { return c->RemoveChildByClass(classId); });
}

int MPersistentComposite::ReplaceChildById(const int32_t& id, const MPersistentObject* with) {
  return MChildSearch::Replace(
      children_, with, [&](MPersistentObject* c) { return c->FeatureId() == id; },
      [&](MPersistentObject* c) { return c->ReplaceChildById(id, with); });
}

int MPersistentComposite::ReplaceChildByClass(const RWClassID& classId, const MPersistentObject* with) {
  return MChildSearch::Replace(
      children_, with, [&](MPersistentObject* c) { return c->ClassId() == classId; },
      [&](MPersistentObject* c) { return c->ReplaceChildByClass(classId, with); });
}

int MPersistentComposite::ReplaceChild(const MPersistentObject* old, const MPersistentObject* with) {
  if (old == nullptr) return 0;
  return MChildSearch::Replace(
      children_, with, [&](MPersistentObject* c) { return c == old; },
      [&](MPersistentObject* c) { return c->ReplaceChild(old, with); });
}

int MPersistentComposite::ReplaceChildByKind(const RWClassID& classId, const MPersistentObject* with) {
  return MChildSearch::Replace(
      children_, with, [&](MPersistentObject* c) { return c->DerivesFrom(classId) != 0; },
      [&](MPersistentObject* c) { return c->ReplaceChildByKind(classId, with); });
}

// ---- Finds, collects, selects ----

MPersistentObject* MPersistentComposite::FindById(const int32_t& id) {
  return MChildSearch::Find(
      children_, [&](MPersistentObject* c) { return c->FeatureId() == id; },
      [&](MPersistentObject* c) { return c->FindById(id); });
}

MPersistentObject* MPersistentComposite::FindByClass(const RWClassID& classId) {
  return MChildSearch::Find(
      children_, [&](MPersistentObject* c) { return c->ClassId() == classId; },
      [&](MPersistentObject* c) { return c->FindByClass(classId); });
}

MPersistentObject* MPersistentComposite::FindMatch(const MPersistentObject* other) {
  return MChildSearch::Find(
      children_, [&](MPersistentObject* c) { return c->Matches(other) != 0; },
      [&](MPersistentObject* c) { return c->FindMatch(other); });
}

MPersistentObject* MPersistentComposite::FindByKind(const RWClassID& classId) {
  return MChildSearch::Find(
      children_, [&](MPersistentObject* c) { return c->DerivesFrom(classId) != 0; },
      [&](MPersistentObject* c) { return c->FindByKind(classId); });
}

MPersistentComposite* MPersistentComposite::CollectByClass(const RWClassID& classId, MPersistentComposite* into) {
  return MChildSearch::Collect(
      children_, into, [&](MPersistentObject* c, MPersistentComposite* t) { return c->CollectByClass(classId, t); });
}

MPersistentComposite* MPersistentComposite::CollectById(const int32_t& id, MPersistentComposite* into) {
  return MChildSearch::Collect(
      children_, into, [&](MPersistentObject* c, MPersistentComposite* t) { return c->CollectById(id, t); });
}

MPersistentComposite* MPersistentComposite::CollectByKind(const RWClassID& classId, MPersistentComposite* into) {
  return MChildSearch::Collect(
      children_, into, [&](MPersistentObject* c, MPersistentComposite* t) { return c->CollectByKind(classId, t); });
}

MPersistentComposite* MPersistentComposite::SelectById(const int32_t& id) {
  return MChildSearch::Select([&](MPersistentComposite* t) { CollectById(id, t); });
}

MPersistentComposite* MPersistentComposite::SelectByClass(const RWClassID& classId) {
  return MChildSearch::Select([&](MPersistentComposite* t) { CollectByClass(classId, t); });
}

MPersistentComposite* MPersistentComposite::SelectByKind(const RWClassID& classId) {
  return MChildSearch::Select([&](MPersistentComposite* t) { CollectByKind(classId, t); });
}

// ---- Shape and comparison ----

MPersistentComposite* MPersistentComposite::AsComposite() { return this; }

int MPersistentComposite::GetEntryCount() const { return static_cast<int>(children_.Count()); }

int MPersistentComposite::GetNodeCount() const { return MChildSearch::NodeCount(children_); }

MPersistentIterator* MPersistentComposite::CreateIterator() { return new MPersistentCompositeIterator(this); }

int MPersistentComposite::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* composite = dynamic_cast<const MPersistentComposite*>(other);
  return composite != nullptr && MChildSearch::SameChildren(children_, composite->children_) ? 1 : 0;
}

void MPersistentComposite::ForEachChild(ChildFunction function, int userData) {
  MChildSearch::ForEach(children_, function, userData);
}

MPersistentObject* MPersistentComposite::FindChildWhere(ChildPredicate predicate, int userData) {
  return MChildSearch::FindPlace(children_, predicate, userData);
}

// ---- Persistence ----

// The version and the child list: the count, then each child as an object
// reference (its class tag and body, or a 6-byte back reference, a stored
// null child too). Asked on its own, the size is that of the body in one
// save: children share one identity table and carry no marker of their own.
template <typename Archive>
void MPersistentComposite::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    ResetChildren();
  }
  GStoredChildren::Members(archive, children_, [this](MPersistentObject* child) { AppendRestored(child); });
}

RW_STORED_MEMBERS_DEFINE(MPersistentComposite, MPersistentObject)

void MPersistentComposite::AppendRestored(MPersistentObject* child) {
  GStoredChildren::AppendRestored(children_, child, kResetCapacity);
}

namespace {

// A read that is a model object but not a composite: inside a restore it
// fails the restore (whose end frees what it created); after an outermost
// read nothing else refers to it, so it is freed here.
void RefuseRead(MPersistentObject* object) {
  RWReadTableGuard guard;
  if (guard.IsTopLevel()) {
    if (object->HolderCount() == -1) delete object;
  } else {
    RWMessageText text(RWToolsMsg_REF());
    RWRaiseInternalLogicError(RWInternalLogicError(text));
  }
}

}  // namespace

RWVirtualInStream& operator>>(RWVirtualInStream& stream, MPersistentComposite*& out) {
  MPersistentObject* object = nullptr;
  MPersistentObject::ReadPersistentObject(stream, object);
  out = object != nullptr ? object->AsComposite() : nullptr;
  if (object != nullptr && out == nullptr) {
    RefuseRead(object);
    stream.SetState(RW_STREAM_FAIL);
  }
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, MPersistentComposite*& out) {
  MPersistentObject* object = nullptr;
  MPersistentObject::ReadPersistentObject(file, object);
  out = object != nullptr ? object->AsComposite() : nullptr;
  if (object != nullptr && out == nullptr) RefuseRead(object);
  return file;
}

RWCollectable* MPersistentCompositeCreate() { return new MPersistentComposite; }
