#include "model/MPersistentComposite.h"

#include <climits>
#include <unordered_set>

#include "model/GStoredChildren.h"
#include "model/MPersistentIterator.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr uint32_t kPersistentInitialCapacity = 10;
constexpr uint32_t kPersistentResetCapacity = 64;

// True when target is from or lies below it. Shared children are visited
// once, so the walk stays linear in the number of distinct nodes.
bool PersistentReaches(MPersistentObject* from, const MPersistentObject* target,
             std::unordered_set<const MPersistentObject*>& visited) {
  if (from == target) return true;
  if (from->AsComposite() == nullptr || !visited.insert(from).second) return false;
  MPersistentIterator* it = from->CreateIterator();
  if (it == nullptr) return false;
  bool found = false;
  while (!found && it->Advance()) {
    MPersistentObject* child = it->Current();
    found = child != nullptr && PersistentReaches(child, target, visited);
  }
  delete it;
  return found;
}

}  // namespace

// ---- Construction ----

MPersistentComposite::MPersistentComposite() : children_(kPersistentInitialCapacity) {}

MPersistentComposite::MPersistentComposite(const int32_t& id) : MPersistentObject(id), children_(kPersistentInitialCapacity) {}

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
  std::unordered_set<const MPersistentObject*> visited;
  return PersistentReaches(const_cast<MPersistentComposite*>(this), object, visited);
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
  children_ = GCountedPtrVector(kPersistentResetCapacity);
}

void MPersistentComposite::RemoveAllChildren() { ResetChildren(); }

namespace {

// Removes the first direct child that matches, else asks each child in turn
// (depth first). The caller owns what comes back.
template <typename Match, typename Recurse>
MPersistentObject* RemoveWhere(GCountedPtrVector& children, const Match& match, const Recurse& recurse) {
  for (size_t i = 0; i < children.Count(); ++i) {
    MPersistentObject* child = children.Data()[i].Pointee();
    if (child == nullptr) continue;
    if (match(child)) {
      GCountedPtr taken = children.RemoveAt(i);
      // The child itself when the composite was its only holder, else a copy.
      return taken.TakePointee(nullptr);
    }
    if (MPersistentObject* found = recurse(child)) return found;
  }
  return nullptr;
}

// Replaces the first direct child that matches by a deep copy of with, else
// asks each child in turn. 1 when something was replaced.
template <typename Match, typename Recurse>
int PersistentReplaceWhere(GCountedPtrVector& children, const MPersistentObject* with, const Match& match,
                 const Recurse& recurse) {
  if (with == nullptr) return 0;
  for (size_t i = 0; i < children.Count(); ++i) {
    MPersistentObject* child = children.Data()[i].Pointee();
    if (child == nullptr) continue;
    if (match(child)) {
      // Copied before the old child is let go: with may be that child or lie
      // below it.
      GCountedPtr copy(with->DeepCopy());
      *children.At(i) = copy;
      return 1;
    }
    if (recurse(child)) return 1;
  }
  return 0;
}

}  // namespace

MPersistentObject* MPersistentComposite::RemoveChild(const MPersistentObject* target) {
  if (target == nullptr) return nullptr;
  return RemoveWhere(
      children_, [&](MPersistentObject* c) { return c == target; },
      [&](MPersistentObject* c) { return c->RemoveChild(target); });
}

MPersistentObject* MPersistentComposite::RemoveChildById(const int32_t& id) {
  return RemoveWhere(
      children_, [&](MPersistentObject* c) { return c->FeatureId() == id; },
      [&](MPersistentObject* c) { return c->RemoveChildById(id); });
}

MPersistentObject* MPersistentComposite::RemoveChildByClass(const RWClassID& classId) {
  return RemoveWhere(
      children_, [&](MPersistentObject* c) { return c->ClassId() == classId; },
      [&](MPersistentObject* c) { return c->RemoveChildByClass(classId); });
}

int MPersistentComposite::ReplaceChildById(const int32_t& id, const MPersistentObject* with) {
  return PersistentReplaceWhere(
      children_, with, [&](MPersistentObject* c) { return c->FeatureId() == id; },
      [&](MPersistentObject* c) { return c->ReplaceChildById(id, with); });
}

int MPersistentComposite::ReplaceChildByClass(const RWClassID& classId, const MPersistentObject* with) {
  return PersistentReplaceWhere(
      children_, with, [&](MPersistentObject* c) { return c->ClassId() == classId; },
      [&](MPersistentObject* c) { return c->ReplaceChildByClass(classId, with); });
}

int MPersistentComposite::ReplaceChild(const MPersistentObject* old, const MPersistentObject* with) {
  if (old == nullptr) return 0;
  return PersistentReplaceWhere(
      children_, with, [&](MPersistentObject* c) { return c == old; },
      [&](MPersistentObject* c) { return c->ReplaceChild(old, with); });
}

int MPersistentComposite::ReplaceChildByKind(const RWClassID& classId, const MPersistentObject* with) {
  return PersistentReplaceWhere(
      children_, with, [&](MPersistentObject* c) { return c->DerivesFrom(classId) != 0; },
      [&](MPersistentObject* c) { return c->ReplaceChildByKind(classId, with); });
}

// ---- Finds, collects, selects ----

namespace {

template <typename Match, typename Recurse>
MPersistentObject* PersistentFindWhere(const GCountedPtrVector& children, const Match& match, const Recurse& recurse) {
  for (size_t i = 0; i < children.Count(); ++i) {
    MPersistentObject* child = children.Data()[i].Pointee();
    if (child == nullptr) continue;
    if (match(child)) return child;
    if (MPersistentObject* found = recurse(child)) return found;
  }
  return nullptr;
}

// Passes into through the children present when the walk starts, so a
// target inside this tree cannot make the walk chase its own additions.
template <typename Collect>
MPersistentComposite* PersistentCollectThrough(const GCountedPtrVector& children, MPersistentComposite* into,
                                     const Collect& collect) {
  const size_t count = children.Count();
  for (size_t i = 0; i < count && i < children.Count(); ++i) {
    MPersistentObject* child = children.Data()[i].Pointee();
    if (child != nullptr) into = collect(child, into);
  }
  return into;
}

template <typename Collect>
MPersistentComposite* PersistentSelectThrough(MPersistentComposite* self, const Collect& collect) {
  auto* result = new MPersistentComposite;
  collect(self, result);
  if (result->GetEntryCount() > 0) return result;
  delete result;
  return nullptr;
}

}  // namespace

MPersistentObject* MPersistentComposite::FindById(const int32_t& id) {
  return PersistentFindWhere(
      children_, [&](MPersistentObject* c) { return c->FeatureId() == id; },
      [&](MPersistentObject* c) { return c->FindById(id); });
}

MPersistentObject* MPersistentComposite::FindByClass(const RWClassID& classId) {
  return PersistentFindWhere(
      children_, [&](MPersistentObject* c) { return c->ClassId() == classId; },
      [&](MPersistentObject* c) { return c->FindByClass(classId); });
}

MPersistentObject* MPersistentComposite::FindMatch(const MPersistentObject* other) {
  return PersistentFindWhere(
      children_, [&](MPersistentObject* c) { return c->Matches(other) != 0; },
      [&](MPersistentObject* c) { return c->FindMatch(other); });
}

MPersistentObject* MPersistentComposite::FindByKind(const RWClassID& classId) {
  return PersistentFindWhere(
      children_, [&](MPersistentObject* c) { return c->DerivesFrom(classId) != 0; },
      [&](MPersistentObject* c) { return c->FindByKind(classId); });
}

MPersistentComposite* MPersistentComposite::CollectByClass(const RWClassID& classId, MPersistentComposite* into) {
  return PersistentCollectThrough(children_, into,
                        [&](MPersistentObject* c, MPersistentComposite* t) { return c->CollectByClass(classId, t); });
}

MPersistentComposite* MPersistentComposite::CollectById(const int32_t& id, MPersistentComposite* into) {
  return PersistentCollectThrough(children_, into,
                        [&](MPersistentObject* c, MPersistentComposite* t) { return c->CollectById(id, t); });
}

MPersistentComposite* MPersistentComposite::CollectByKind(const RWClassID& classId, MPersistentComposite* into) {
  return PersistentCollectThrough(children_, into,
                        [&](MPersistentObject* c, MPersistentComposite* t) { return c->CollectByKind(classId, t); });
}

MPersistentComposite* MPersistentComposite::SelectById(const int32_t& id) {
  return PersistentSelectThrough(this, [&](MPersistentComposite* s, MPersistentComposite* t) { s->CollectById(id, t); });
}

MPersistentComposite* MPersistentComposite::SelectByClass(const RWClassID& classId) {
  return PersistentSelectThrough(this,
                       [&](MPersistentComposite* s, MPersistentComposite* t) { s->CollectByClass(classId, t); });
}

MPersistentComposite* MPersistentComposite::SelectByKind(const RWClassID& classId) {
  return PersistentSelectThrough(this, [&](MPersistentComposite* s, MPersistentComposite* t) { s->CollectByKind(classId, t); });
}

// ---- Shape and comparison ----

MPersistentComposite* MPersistentComposite::AsComposite() { return this; }

int MPersistentComposite::GetEntryCount() const { return static_cast<int>(children_.Count()); }

int MPersistentComposite::GetNodeCount() const {
  // Shared children count once per place they hold; the sum stops at
  // INT_MAX rather than overflow.
  int64_t total = 1;
  for (size_t i = 0; i < children_.Count() && total < INT_MAX; ++i) {
    const MPersistentObject* child = children_.Data()[i].Pointee();
    if (child != nullptr) total += child->GetNodeCount();
  }
  return total < INT_MAX ? static_cast<int>(total) : INT_MAX;
}

MPersistentIterator* MPersistentComposite::CreateIterator() { return new MPersistentCompositeIterator(this); }

int MPersistentComposite::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* composite = dynamic_cast<const MPersistentComposite*>(other);
  if (composite == nullptr || composite->children_.Count() != children_.Count()) return 0;
  for (size_t i = 0; i < children_.Count(); ++i) {
    const MPersistentObject* mine = children_.Data()[i].Pointee();
    const MPersistentObject* theirs = composite->children_.Data()[i].Pointee();
    if (mine == nullptr || theirs == nullptr) {
      if (mine != theirs) return 0;
    } else if (mine->DiffersFrom(theirs)) {
      return 0;
    }
  }
  return 1;
}

void MPersistentComposite::ForEachChild(ChildFunction function, int userData) {
  if (function == nullptr) return;
  const size_t count = children_.Count();
  for (size_t i = 0; i < count; ++i) {
    // The index error when the function removed children; the walk ends
    // there when the handler returns.
    GCountedPtr* element = children_.At(i);
    if (element == nullptr) return;
    function(element, userData);
  }
}

MPersistentObject* MPersistentComposite::FindChildWhere(ChildPredicate predicate, int userData) {
  if (predicate == nullptr) return nullptr;
  for (size_t i = 0; i < children_.Count(); ++i) {
    GCountedPtr* element = children_.At(i);
    if (predicate(element, userData)) return element->Pointee();
  }
  return nullptr;
}

// ---- Persistence ----

uint32_t MPersistentComposite::MembersStoreSize() const {
  // Version and count, then each child as an object reference: its class
  // tag and body, or a 6-byte back reference (a stored null child too).
  // Asked on its own, the size is that of the body in one save: children
  // share one identity table and carry no marker of their own.
  RWStoreTableGuard guard;
  uint32_t size = MPersistentObject::MembersStoreSize() + 8;
  size += GStoredChildren::ReferencesSize(children_);
  return size;
}

void MPersistentComposite::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  GStoredChildren::Save(stream, children_);
}

void MPersistentComposite::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  GStoredChildren::Save(file, children_);
}

void MPersistentComposite::AppendRestored(MPersistentObject* child) {
  GStoredChildren::AppendRestored(children_, child, kPersistentResetCapacity);
}

void MPersistentComposite::RestoreMembers(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  ResetChildren();
  GStoredChildren::Restore(stream, [this](MPersistentObject* child) { AppendRestored(child); });
}

void MPersistentComposite::RestoreMembersFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  ResetChildren();
  GStoredChildren::Restore(file, [this](MPersistentObject* child) { AppendRestored(child); });
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
