// RWIntrusiveSlist: a singly linked list that never allocates. Elements embed
// an RWSlistLink as their first member and the list only rewires links, so an
// element can move between lists without being copied. Head and tail sentinel
// links live inside the list object, which makes the empty list and both ends
// ordinary cases. RWIntrusiveSlistIterator walks it with a cursor that can
// stand on the head (before the first element) or the tail (past the end).
#pragma once

#include <cstddef>
#include <cstdint>

struct RWSlistLink {
  RWSlistLink* next = nullptr;
};

class RWIntrusiveSlist {
 public:
  // An empty list.
  RWIntrusiveSlist();
  // A list holding the one link.
  explicit RWIntrusiveSlist(RWSlistLink* link);
  // The sentinels point at each other inside the object: a list cannot be
  // copied or moved.
  RWIntrusiveSlist(const RWIntrusiveSlist&) = delete;
  RWIntrusiveSlist& operator=(const RWIntrusiveSlist&) = delete;

  // Makes the list empty without touching the links it held.
  void Init();

  // Inserts the link after previous (an element or the head). Previous being
  // the tail, as after an iterator ran past the end, appends.
  void InsertAfter(RWSlistLink* previous, RWSlistLink* link);
  // Unlinks and returns the element after previous; null when previous is
  // null or has no element after it.
  RWSlistLink* RemoveAfter(RWSlistLink* previous);

  // The i-th element (0-based); null after an index error.
  RWSlistLink* LinkAt(size_t i) const;
  // Inserts the link so that it becomes element i; i may equal the count
  // (append). Does nothing after an index error.
  void InsertAt(size_t i, RWSlistLink* link);
  // Removes and returns element i; null after an index error.
  RWSlistLink* RemoveAt(size_t i);

  bool Contains(const RWSlistLink* link) const;
  // The link before the given element (the head for the first one), or null
  // when the link is null or not in the list.
  RWSlistLink* FindPrevious(const RWSlistLink* link) const;
  // Unlinks the element wherever it is, clears its next pointer and returns
  // it; null when it is not in the list.
  RWSlistLink* Remove(RWSlistLink* link);

  RWSlistLink* Head() { return &head_; }
  const RWSlistLink* Head() const { return &head_; }
  RWSlistLink* Tail() { return &tail_; }
  const RWSlistLink* Tail() const { return &tail_; }
  // The first element, or the tail when the list is empty.
  RWSlistLink* First() const { return head_.next; }
  // The last element, or the head when the list is empty.
  RWSlistLink* Last() const { return last_; }
  size_t Count() const { return count_; }
  bool IsEmpty() const { return count_ == 0; }

 private:
  bool IsSentinel(const RWSlistLink* link) const { return link == &head_ || link == &tail_; }

  RWSlistLink head_;
  RWSlistLink tail_;
  RWSlistLink* last_;
  uint32_t count_;
};

class RWIntrusiveSlistIterator {
 public:
  explicit RWIntrusiveSlistIterator(RWIntrusiveSlist& list) { AttachTo(list); }

  // Binds the iterator to the list with the cursor on the head.
  void AttachTo(RWIntrusiveSlist& list);
  // Moves the cursor n links forward, stopping on the tail, and returns the
  // element under it; null when the cursor is on the head or the tail.
  RWSlistLink* Advance(size_t n);
  bool IsAtFirst() const;
  bool IsAtLast() const;
  void ToFirst();
  // The cursor goes to the last element, or to the tail of an empty list.
  void ToLast();
  void InsertAfterPoint(RWSlistLink* link);
  // Removes the element under the cursor and leaves the cursor on the link
  // before it, so the next Advance(1) reaches the element that followed.
  // Null when the cursor is on the head or the tail.
  RWSlistLink* RemoveAtPoint();

  RWSlistLink* Cursor() const { return cursor_; }
  RWIntrusiveSlist* List() const { return list_; }

 private:
  bool OnSentinel() const { return cursor_ == list_->Head() || cursor_ == list_->Tail(); }

  RWIntrusiveSlist* list_;
  RWSlistLink* cursor_;
};
