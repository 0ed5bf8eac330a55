#include "rw/RWIntrusiveSlist.h"

#include "rw/RWError.h"

RWIntrusiveSlist::RWIntrusiveSlist() { Init(); }

RWIntrusiveSlist::RWIntrusiveSlist(RWSlistLink* link) {
  head_.next = link;
  link->next = &tail_;
  tail_.next = &tail_;
  last_ = link;
  count_ = 1;
}

void RWIntrusiveSlist::Init() {
  head_.next = &tail_;
  tail_.next = &tail_;
  last_ = &head_;
  count_ = 0;
}

void RWIntrusiveSlist::InsertAfter(RWSlistLink* previous, RWSlistLink* link) {
  // Linking after the tail would break the tail's self loop and lose the
  // link; the only place "after the end" can mean is the end itself.
  if (previous == &tail_) previous = last_;
  link->next = previous->next;
  previous->next = link;
  if (previous == last_) last_ = link;
  ++count_;
}

RWSlistLink* RWIntrusiveSlist::RemoveAfter(RWSlistLink* previous) {
  if (previous == nullptr) return nullptr;
  RWSlistLink* link = previous->next;
  // Previous is the last element or the tail: the tail is not an element.
  if (link == &tail_) return nullptr;
  previous->next = link->next;
  if (link == last_) last_ = previous;
  --count_;
  return link;
}

RWSlistLink* RWIntrusiveSlist::LinkAt(size_t i) const {
  if (i >= count_) {
    RWRaiseIndexOutOfRange(static_cast<uint32_t>(i), count_);
    return nullptr;
  }
  const RWSlistLink* link = &head_;
  for (size_t k = 0; k <= i; ++k) link = link->next;
  return const_cast<RWSlistLink*>(link);
}

void RWIntrusiveSlist::InsertAt(size_t i, RWSlistLink* link) {
  if (i > count_) {
    RWRaiseIndexOutOfRange(static_cast<uint32_t>(i), count_);
    return;
  }
  InsertAfter(i == 0 ? &head_ : LinkAt(i - 1), link);
}

RWSlistLink* RWIntrusiveSlist::RemoveAt(size_t i) {
  if (i >= count_) {
    RWRaiseIndexOutOfRange(static_cast<uint32_t>(i), count_);
    return nullptr;
  }
  return RemoveAfter(i == 0 ? &head_ : LinkAt(i - 1));
}

bool RWIntrusiveSlist::Contains(const RWSlistLink* link) const {
  if (link == nullptr) return false;
  for (const RWSlistLink* p = head_.next; p != &tail_; p = p->next)
    if (p == link) return true;
  return false;
}

RWSlistLink* RWIntrusiveSlist::FindPrevious(const RWSlistLink* link) const {
  if (link == nullptr) return nullptr;
  for (const RWSlistLink* p = &head_; p->next != &tail_; p = p->next)
    if (p->next == link) return const_cast<RWSlistLink*>(p);
  return nullptr;
}

RWSlistLink* RWIntrusiveSlist::Remove(RWSlistLink* link) {
  // The sentinels are never elements; removing the tail would cut the list.
  if (link == nullptr || IsSentinel(link)) return nullptr;
  // Point the tail at the link for the search, so the walk stops either on
  // the real predecessor or on the tail (the link is not in the list).
  tail_.next = link;
  RWSlistLink* previous = &head_;
  while (previous->next != link) previous = previous->next;
  tail_.next = &tail_;
  if (previous == &tail_) return nullptr;
  previous->next = link->next;
  link->next = nullptr;
  if (link == last_) last_ = previous;
  --count_;
  return link;
}

// ---- RWIntrusiveSlistIterator ----

void RWIntrusiveSlistIterator::AttachTo(RWIntrusiveSlist& list) {
  list_ = &list;
  cursor_ = list.Head();
}

RWSlistLink* RWIntrusiveSlistIterator::Advance(size_t n) {
  RWSlistLink* tail = list_->Tail();
  for (; n > 0 && cursor_ != tail; --n) cursor_ = cursor_->next;
  return OnSentinel() ? nullptr : cursor_;
}

bool RWIntrusiveSlistIterator::IsAtFirst() const { return !OnSentinel() && cursor_ == list_->First(); }

bool RWIntrusiveSlistIterator::IsAtLast() const { return !OnSentinel() && cursor_ == list_->Last(); }

void RWIntrusiveSlistIterator::ToFirst() { cursor_ = list_->First(); }

void RWIntrusiveSlistIterator::ToLast() { cursor_ = list_->IsEmpty() ? list_->Tail() : list_->Last(); }

void RWIntrusiveSlistIterator::InsertAfterPoint(RWSlistLink* link) { list_->InsertAfter(cursor_, link); }

RWSlistLink* RWIntrusiveSlistIterator::RemoveAtPoint() {
  if (OnSentinel()) return nullptr;
  RWSlistLink* previous = list_->FindPrevious(cursor_);
  // A cursor whose element was removed behind the iterator's back stays put.
  if (previous == nullptr) return nullptr;
  cursor_ = previous;
  return list_->RemoveAfter(previous);
}
