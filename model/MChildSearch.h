// MChildSearch: the walks over a composite's list of children that the
// model composite, the container of attributes and the command composite
// share: find, remove and replace (a direct child that qualifies, else the
// same asked of each child in turn, depth first), collect and select, the
// node count, a function or predicate over each child, the comparison of
// two lists, and whether one object lies below another. Each composite
// passes its own list and, where its answers are narrower than a model
// object, the cast that picks them.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <unordered_set>

#include "model/GCountedPtrVector.h"
#include "model/MPersistentIterator.h"
#include "model/MPersistentObject.h"

class MPersistentComposite;

namespace MChildSearch {

// The answer as it is: the model composite takes any model object.
struct AnyObject {
  MPersistentObject* operator()(MPersistentObject* object) const { return object; }
};

// True when target is from or lies below it. isContainer says which objects
// are walked into; each is walked once, so shared children keep the walk
// linear and a damaged graph cannot make it run for ever.
template <typename IsContainer>
bool Reaches(MPersistentObject* from, const MPersistentObject* target,
             std::unordered_set<const MPersistentObject*>& visited, const IsContainer& isContainer) {
  if (from == target) return true;
  if (!isContainer(from) || !visited.insert(from).second) return false;
  MPersistentIterator* it = from->CreateIterator();
  if (it == nullptr) return false;
  bool found = false;
  while (!found && it->Advance()) {
    MPersistentObject* child = it->Current();
    found = child != nullptr && Reaches(child, target, visited, isContainer);
  }
  delete it;
  return found;
}

template <typename IsContainer>
bool Reaches(MPersistentObject* from, const MPersistentObject* target, const IsContainer& isContainer) {
  std::unordered_set<const MPersistentObject*> visited;
  return Reaches(from, target, visited, isContainer);
}

// The first direct child that matches and is of the answer's kind, else
// what recurse finds below each child in turn.
template <typename As = AnyObject, typename Match, typename Recurse>
auto Find(const GCountedPtrVector& children, const Match& match, const Recurse& recurse, const As& as = As()) {
  using Found = decltype(as(nullptr));
  for (size_t i = 0; i < children.Count(); ++i) {
    MPersistentObject* child = children.Data()[i].Pointee();
    if (child == nullptr) continue;
    if (match(child)) {
      if (Found found = as(child)) return found;
    }
    if (Found found = as(recurse(child))) return found;
  }
  return Found(nullptr);
}

// Takes out the first direct child that matches (take answers what the
// caller receives for the place), else what recurse removes below each
// child in turn.
template <typename Match, typename Take, typename Recurse>
auto Remove(GCountedPtrVector& children, const Match& match, const Take& take, const Recurse& recurse) {
  using Removed = decltype(take(size_t{0}));
  for (size_t i = 0; i < children.Count(); ++i) {
    MPersistentObject* child = children.Data()[i].Pointee();
    if (child == nullptr) continue;
    if (match(child)) return take(i);
    if (Removed found = recurse(child)) return found;
  }
  return Removed(nullptr);
}

// Replaces the first direct child that matches by a deep copy of with, else
// asks each child in turn. 1 when something was replaced.
template <typename Match, typename Recurse>
int Replace(GCountedPtrVector& children, const MPersistentObject* with, const Match& match, const Recurse& recurse) {
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

// Passes into through the children present when the walk starts, so a
// target inside this tree cannot make the walk chase its own additions.
template <typename CollectStep>
MPersistentComposite* Collect(const GCountedPtrVector& children, MPersistentComposite* into,
                              const CollectStep& collect) {
  const size_t count = children.Count();
  for (size_t i = 0; i < count && i < children.Count(); ++i) {
    MPersistentObject* child = children.Data()[i].Pointee();
    if (child != nullptr) into = collect(child, into);
  }
  return into;
}

// A new composite filled by gather; null when gather found nothing.
template <typename Composite = MPersistentComposite, typename Gather>
Composite* Select(const Gather& gather) {
  auto* result = new Composite;
  gather(result);
  if (result->GetEntryCount() > 0) return result;
  delete result;
  return nullptr;
}

// One node for the owner and the node count of each child. Shared children
// count once per place they hold; the sum stops at INT_MAX rather than
// overflow.
inline int NodeCount(const GCountedPtrVector& children) {
  int64_t total = 1;
  for (size_t i = 0; i < children.Count() && total < INT_MAX; ++i) {
    const MPersistentObject* child = children.Data()[i].Pointee();
    if (child != nullptr) total += child->GetNodeCount();
  }
  return total < INT_MAX ? static_cast<int>(total) : INT_MAX;
}

// Calls function with each place of the list. The walk ends at the index
// error when the function removed children (once the error handler
// returns).
template <typename Function>
void ForEach(GCountedPtrVector& children, Function function, int userData) {
  if (function == nullptr) return;
  const size_t count = children.Count();
  for (size_t i = 0; i < count; ++i) {
    GCountedPtr* element = children.At(i);
    if (element == nullptr) return;
    function(element, userData);
  }
}

// The object at the first place the predicate accepts, as the answer's kind.
template <typename As = AnyObject, typename Predicate>
auto FindPlace(GCountedPtrVector& children, Predicate predicate, int userData, const As& as = As()) {
  using Found = decltype(as(nullptr));
  if (predicate == nullptr) return Found(nullptr);
  for (size_t i = 0; i < children.Count(); ++i) {
    GCountedPtr* element = children.At(i);
    if (predicate(element, userData)) return as(element->Pointee());
  }
  return Found(nullptr);
}

// True when both lists hold children that match place by place (two empty
// places match).
inline bool SameChildren(const GCountedPtrVector& mine, const GCountedPtrVector& theirs) {
  if (mine.Count() != theirs.Count()) return false;
  for (size_t i = 0; i < mine.Count(); ++i) {
    const MPersistentObject* a = mine.Data()[i].Pointee();
    const MPersistentObject* b = theirs.Data()[i].Pointee();
    if (a == nullptr || b == nullptr) {
      if (a != b) return false;
    } else if (a->DiffersFrom(b)) {
      return false;
    }
  }
  return true;
}

}  // namespace MChildSearch
