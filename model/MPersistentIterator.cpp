#include "model/MPersistentIterator.h"

#include "model/GCountedPtr.h"
#include "model/MPersistentComposite.h"

MPersistentIterator::~MPersistentIterator() = default;

// ---- MPersistentCompositeIterator ----

MPersistentCompositeIterator::MPersistentCompositeIterator(MPersistentComposite* composite)
    : composite_(composite), children_(&composite->Children()), cursor_(-1) {}

MPersistentCompositeIterator::~MPersistentCompositeIterator() = default;

MPersistentObject* MPersistentCompositeIterator::Current() {
  // A cursor off the list (also -1) is the index error; the list is read
  // live, so removals while iterating land here rather than past the end.
  GCountedPtr* element = children_->At(static_cast<size_t>(cursor_));
  return element != nullptr ? element->Pointee() : nullptr;
}

void MPersistentCompositeIterator::ReplaceCurrent(MPersistentObject* object) {
  if (object == nullptr || composite_->WouldHoldItself(object)) return;
  // Held first: the object may be the child it replaces.
  GCountedPtr held(object);
  if (cursor_ >= 0 && static_cast<size_t>(cursor_) < children_->Count()) children_->RemoveAt(static_cast<size_t>(cursor_));
  if (children_->Count() > 0)
    children_->InsertAt(static_cast<size_t>(cursor_), held);  // the index error for a cursor past the end
  else
    children_->Append(held);
}

int MPersistentCompositeIterator::Advance() {
  ++cursor_;
  if (cursor_ >= 0 && static_cast<size_t>(cursor_) < children_->Count()) return 1;
  cursor_ = -1;
  return 0;
}

void MPersistentCompositeIterator::Reset() { cursor_ = -1; }

// ---- MPersistentNullIterator ----

MPersistentNullIterator::~MPersistentNullIterator() = default;
MPersistentObject* MPersistentNullIterator::Current() { return nullptr; }
void MPersistentNullIterator::ReplaceCurrent(MPersistentObject*) {}
int MPersistentNullIterator::Advance() { return 0; }
void MPersistentNullIterator::Reset() {}
void MPersistentNullIterator::CurrentHandle(GCountedRef& out) { out.Assign(GCountedRef()); }
void MPersistentNullIterator::RemoveCurrent() {}
void MPersistentNullIterator::ReplaceCurrentHandle(const GCountedRef&) {}
int MPersistentNullIterator::AdvanceHandle() { return 0; }
