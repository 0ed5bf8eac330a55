#include "rw/RWPointerSlist.h"

#include <new>

#include "rw/RWError.h"

RWPointerSlist::RWPointerSlist(const RWPointerSlist& other) {
  for (const RWSlistLink* p = other.links_.First(); p != other.links_.Tail(); p = p->next) Append(ElementOf(p));
}

RWPointerSlist::~RWPointerSlist() { Clear(); }

void RWPointerSlist::Assign(const RWPointerSlist& other) {
  if (this == &other) return;
  Clear();
  for (const RWSlistLink* p = other.links_.First(); p != other.links_.Tail(); p = p->next) Append(ElementOf(p));
}

RWCollectable* RWPointerSlist::Append(RWCollectable* p) {
  RWPointerSlistNode* node = new (std::nothrow) RWPointerSlistNode(p);
  if (node == nullptr) return nullptr;
  links_.InsertAfter(links_.Last(), node);
  return p;
}

RWCollectable* RWPointerSlist::Prepend(RWCollectable* p) {
  RWPointerSlistNode* node = new (std::nothrow) RWPointerSlistNode(p);
  if (node == nullptr) return nullptr;
  links_.InsertAfter(links_.Head(), node);
  return p;
}

RWCollectable* RWPointerSlist::InsertAt(size_t i, RWCollectable* p) {
  if (i > links_.Count()) {
    RWRaiseIndexOutOfRange(static_cast<uint32_t>(i), static_cast<uint32_t>(links_.Count()));
    return nullptr;
  }
  RWPointerSlistNode* node = new (std::nothrow) RWPointerSlistNode(p);
  if (node == nullptr) return nullptr;
  links_.InsertAt(i, node);
  return p;
}

RWCollectable* RWPointerSlist::InsertAfterIndex(size_t i, RWCollectable* p) {
  RWSlistLink* previous = links_.LinkAt(i);  // raises for a bad index
  if (previous == nullptr) return nullptr;
  RWPointerSlistNode* node = new (std::nothrow) RWPointerSlistNode(p);
  if (node == nullptr) return nullptr;
  links_.InsertAfter(previous, node);
  return p;
}

void RWPointerSlist::Clear() {
  RWSlistLink* p = links_.First();
  while (p != links_.Tail()) {
    RWSlistLink* next = p->next;
    delete static_cast<RWPointerSlistNode*>(p);
    p = next;
  }
  links_.Init();
}

RWCollectable* RWPointerSlist::RemoveNodeAfter(RWSlistLink* previous) {
  RWSlistLink* link = links_.RemoveAfter(previous);
  if (link == nullptr) return nullptr;
  RWCollectable* element = ElementOf(link);
  delete static_cast<RWPointerSlistNode*>(link);
  return element;
}

RWCollectable* RWPointerSlist::RemoveFirst() { return RemoveNodeAfter(links_.Head()); }

void RWPointerSlist::Apply(RWPointerSlistApply function, void* userData) const {
  for (const RWSlistLink* p = links_.First(); p != links_.Tail(); p = p->next) function(ElementOf(p), userData);
}

void RWPointerSlist::ApplyToSlots(RWPointerSlistApplySlot function, void* userData) {
  for (RWSlistLink* p = links_.First(); p != links_.Tail(); p = p->next)
    function(&static_cast<RWPointerSlistNode*>(p)->element, userData);
}

RWCollectable* RWPointerSlist::FindMatch(RWPointerSlistMatch predicate, const void* userData) const {
  for (const RWSlistLink* p = links_.First(); p != links_.Tail(); p = p->next)
    if (predicate(ElementOf(p), userData)) return ElementOf(p);
  return nullptr;
}

int32_t RWPointerSlist::IndexOfMatch(RWPointerSlistMatch predicate, const void* userData) const {
  int32_t index = 0;
  for (const RWSlistLink* p = links_.First(); p != links_.Tail(); p = p->next, ++index)
    if (predicate(ElementOf(p), userData)) return index;
  return -1;
}

uint32_t RWPointerSlist::CountMatches(RWPointerSlistMatch predicate, const void* userData) const {
  uint32_t count = 0;
  for (const RWSlistLink* p = links_.First(); p != links_.Tail(); p = p->next)
    if (predicate(ElementOf(p), userData)) ++count;
  return count;
}

RWSlistLink* RWPointerSlist::PreviousOfMatch(RWPointerSlistMatch predicate, const void* userData) {
  for (RWSlistLink* p = links_.Head(); p->next != links_.Tail(); p = p->next)
    if (predicate(ElementOf(p->next), userData)) return p;
  return nullptr;
}

RWSlistLink* RWPointerSlist::PreviousOfReference(const RWCollectable* element) {
  for (RWSlistLink* p = links_.Head(); p->next != links_.Tail(); p = p->next)
    if (ElementOf(p->next) == element) return p;
  return nullptr;
}

RWCollectable* RWPointerSlist::RemoveMatch(RWPointerSlistMatch predicate, const void* userData) {
  return RemoveNodeAfter(PreviousOfMatch(predicate, userData));
}

RWCollectable* RWPointerSlist::FindReference(const RWCollectable* element) const {
  for (const RWSlistLink* p = links_.First(); p != links_.Tail(); p = p->next)
    if (ElementOf(p) == element) return ElementOf(p);
  return nullptr;
}

uint32_t RWPointerSlist::CountReferences(const RWCollectable* element) const {
  uint32_t count = 0;
  for (const RWSlistLink* p = links_.First(); p != links_.Tail(); p = p->next)
    if (ElementOf(p) == element) ++count;
  return count;
}

RWCollectable* RWPointerSlist::RemoveReference(const RWCollectable* element) {
  return RemoveNodeAfter(PreviousOfReference(element));
}

RWCollectable* RWPointerSlist::At(size_t i) const {
  const RWSlistLink* link = links_.LinkAt(i);
  return link == nullptr ? nullptr : ElementOf(link);
}

RWCollectable*& RWPointerSlist::At(size_t i) {
  RWSlistLink* link = links_.LinkAt(i);
  if (link == nullptr) {
    spare_ = nullptr;
    return spare_;
  }
  return static_cast<RWPointerSlistNode*>(link)->element;
}

RWCollectable* RWPointerSlist::First() const { return links_.IsEmpty() ? nullptr : ElementOf(links_.First()); }

RWCollectable* RWPointerSlist::Last() const { return links_.IsEmpty() ? nullptr : ElementOf(links_.Last()); }

// ---- RWPointerSlistIterator ----

bool RWPointerSlistIterator::OnSentinel() const {
  RWIntrusiveSlist& links = list_->Links();
  return links_.Cursor() == links.Head() || links_.Cursor() == links.Tail();
}

RWCollectable* RWPointerSlistIterator::Advance(size_t n) {
  RWSlistLink* link = links_.Advance(n);
  return link == nullptr ? nullptr : static_cast<RWPointerSlistNode*>(link)->element;
}

RWCollectable* RWPointerSlistIterator::Key() const {
  if (OnSentinel()) return nullptr;
  return static_cast<RWPointerSlistNode*>(links_.Cursor())->element;
}

RWCollectable* RWPointerSlistIterator::FindNextMatch(RWPointerSlistMatch predicate, const void* userData) {
  for (;;) {
    RWSlistLink* link = links_.Advance(1);
    if (link == nullptr) return nullptr;
    RWCollectable* element = static_cast<RWPointerSlistNode*>(link)->element;
    if (predicate(element, userData)) return element;
  }
}

RWCollectable* RWPointerSlistIterator::FindNextReference(const RWCollectable* p) {
  for (;;) {
    RWSlistLink* link = links_.Advance(1);
    if (link == nullptr) return nullptr;
    RWCollectable* element = static_cast<RWPointerSlistNode*>(link)->element;
    if (element == p) return element;
  }
}

RWCollectable* RWPointerSlistIterator::InsertAfterPoint(RWCollectable* p) {
  RWPointerSlistNode* node = new (std::nothrow) RWPointerSlistNode(p);
  if (node == nullptr) return nullptr;
  links_.InsertAfterPoint(node);
  return p;
}

RWCollectable* RWPointerSlistIterator::RemoveCurrent() {
  RWSlistLink* link = links_.RemoveAtPoint();
  if (link == nullptr) return nullptr;
  RWCollectable* element = static_cast<RWPointerSlistNode*>(link)->element;
  delete static_cast<RWPointerSlistNode*>(link);
  return element;
}

RWCollectable* RWPointerSlistIterator::RemoveNextMatch(RWPointerSlistMatch predicate, const void* userData) {
  RWIntrusiveSlist& links = list_->Links();
  RWSlistLink* previous = links_.Cursor();
  size_t steps = 0;
  for (; previous != links.Tail() && previous->next != links.Tail(); previous = previous->next, ++steps) {
    RWCollectable* element = static_cast<RWPointerSlistNode*>(previous->next)->element;
    if (!predicate(element, userData)) continue;
    // The cursor moves on to the link before the removed node; the links
    // up to it are not touched by the removal.
    links_.Advance(steps);
    delete static_cast<RWPointerSlistNode*>(links.RemoveAfter(previous));
    return element;
  }
  return nullptr;
}

RWCollectable* RWPointerSlistIterator::RemoveNextReference(const RWCollectable* p) {
  RWIntrusiveSlist& links = list_->Links();
  RWSlistLink* previous = links_.Cursor();
  size_t steps = 0;
  for (; previous != links.Tail() && previous->next != links.Tail(); previous = previous->next, ++steps) {
    RWCollectable* element = static_cast<RWPointerSlistNode*>(previous->next)->element;
    if (element != p) continue;
    links_.Advance(steps);
    delete static_cast<RWPointerSlistNode*>(links.RemoveAfter(previous));
    return element;
  }
  return nullptr;
}
