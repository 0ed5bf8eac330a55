#include "rw/RWIntrusiveDlist.h"

#include "rw/RWError.h"

RWIntrusiveDlist::RWIntrusiveDlist() { Init(); }

RWIntrusiveDlist::RWIntrusiveDlist(RWDlistLink* link) {
  head_.next = link;
  head_.previous = &head_;
  tail_.next = &tail_;
  tail_.previous = link;
  link->next = &tail_;
  link->previous = &head_;
  count_ = 1;
}

void RWIntrusiveDlist::Init() {
  head_.next = &tail_;
  head_.previous = &head_;
  tail_.next = &tail_;
  tail_.previous = &head_;
  count_ = 0;
}

void RWIntrusiveDlist::InsertAfter(RWDlistLink* previous, RWDlistLink* link) {
  // Linking after the tail would break its self loop; append instead.
  if (previous == &tail_) previous = tail_.previous;
  link->next = previous->next;
  link->previous = previous;
  previous->next = link;
  link->next->previous = link;
  ++count_;
}

RWDlistLink* RWIntrusiveDlist::Unlink(RWDlistLink* link) {
  // The sentinels are not elements: unlinking one would corrupt the list.
  if (link == nullptr || link == &head_ || link == &tail_) return nullptr;
  link->previous->next = link->next;
  link->next->previous = link->previous;
  --count_;
  return link;
}

RWDlistLink* RWIntrusiveDlist::LinkAt(size_t i) const {
  if (i >= count_) {
    RWRaiseIndexOutOfRange(static_cast<uint32_t>(i), count_);
    return nullptr;
  }
  const RWDlistLink* link = &head_;
  for (size_t k = 0; k <= i; ++k) link = link->next;
  return const_cast<RWDlistLink*>(link);
}

void RWIntrusiveDlist::InsertAt(size_t i, RWDlistLink* link) {
  if (i > count_) {
    RWRaiseIndexOutOfRange(static_cast<uint32_t>(i), count_);
    return;
  }
  InsertAfter(i == 0 ? &head_ : LinkAt(i - 1), link);
}

RWDlistLink* RWIntrusiveDlist::RemoveAt(size_t i) {
  if (i >= count_) {
    RWRaiseIndexOutOfRange(static_cast<uint32_t>(i), count_);
    return nullptr;
  }
  return Unlink(LinkAt(i));
}

bool RWIntrusiveDlist::Contains(const RWDlistLink* link) const {
  if (link == nullptr) return false;
  for (const RWDlistLink* p = head_.next; p != &tail_; p = p->next)
    if (p == link) return true;
  return false;
}

// ---- RWIntrusiveDlistIterator ----

void RWIntrusiveDlistIterator::AttachTo(RWIntrusiveDlist& list) {
  list_ = &list;
  cursor_ = list.Head();
}

RWDlistLink* RWIntrusiveDlistIterator::Advance(size_t n) {
  RWDlistLink* tail = list_->Tail();
  for (; n > 0 && cursor_ != tail; --n) cursor_ = cursor_->next;
  return cursor_ == tail ? nullptr : cursor_;
}

RWDlistLink* RWIntrusiveDlistIterator::Retreat(size_t n) {
  RWDlistLink* head = list_->Head();
  for (; n > 0 && cursor_ != head; --n) cursor_ = cursor_->previous;
  return cursor_ == head ? nullptr : cursor_;
}

bool RWIntrusiveDlistIterator::IsAtFirst() const { return !OnSentinel() && cursor_ == list_->First(); }

bool RWIntrusiveDlistIterator::IsAtLast() const { return !OnSentinel() && cursor_ == list_->Last(); }

void RWIntrusiveDlistIterator::ToFirst() { cursor_ = list_->First(); }

void RWIntrusiveDlistIterator::ToLast() { cursor_ = list_->IsEmpty() ? list_->Tail() : list_->Last(); }

void RWIntrusiveDlistIterator::InsertAfterPoint(RWDlistLink* link) { list_->InsertAfter(cursor_, link); }

RWDlistLink* RWIntrusiveDlistIterator::RemoveAtPoint() {
  if (OnSentinel()) return nullptr;
  RWDlistLink* link = cursor_;
  cursor_ = link->previous;
  return list_->Unlink(link);
}
