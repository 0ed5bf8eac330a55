// RWIntrusiveDlist: a doubly linked list that never allocates. Elements embed
// an RWDlistLink as their first member; the list rewires links only, so an
// element can be unlinked in constant time and moved between lists. Head and
// tail sentinels live inside the list object: head.previous is the head and
// tail.next is the tail, so walking off either end stays on that end.
// RWIntrusiveDlistIterator moves a cursor both ways over it.
#pragma once

#include <cstddef>
#include <cstdint>

struct RWDlistLink {
  RWDlistLink* next = nullptr;
  RWDlistLink* previous = nullptr;
};

class RWIntrusiveDlist {
 public:
  // An empty list.
  RWIntrusiveDlist();
  // A list holding the one link.
  explicit RWIntrusiveDlist(RWDlistLink* link);
  // The sentinels point into the object: a list cannot be copied or moved.
  RWIntrusiveDlist(const RWIntrusiveDlist&) = delete;
  RWIntrusiveDlist& operator=(const RWIntrusiveDlist&) = delete;

  // Makes the list empty without touching the links it held.
  void Init();

  // Inserts the link after previous (an element or the head). Previous being
  // the tail, as after an iterator ran past the end, appends.
  void InsertAfter(RWDlistLink* previous, RWDlistLink* link);
  // Takes the element out of the list and returns it; its own pointers are
  // left as they were. Null (and the sentinels) give null.
  RWDlistLink* Unlink(RWDlistLink* link);

  // The i-th element (0-based); null after an index error.
  RWDlistLink* LinkAt(size_t i) const;
  // Inserts the link so that it becomes element i; i may equal the count
  // (append). Does nothing after an index error.
  void InsertAt(size_t i, RWDlistLink* link);
  // Unlinks and returns element i; null after an index error.
  RWDlistLink* RemoveAt(size_t i);
  bool Contains(const RWDlistLink* link) const;

  RWDlistLink* Head() { return &head_; }
  const RWDlistLink* Head() const { return &head_; }
  RWDlistLink* Tail() { return &tail_; }
  const RWDlistLink* Tail() const { return &tail_; }
  // The first element, or the tail when the list is empty.
  RWDlistLink* First() const { return head_.next; }
  // The last element, or the head when the list is empty.
  RWDlistLink* Last() const { return tail_.previous; }
  size_t Count() const { return count_; }
  bool IsEmpty() const { return count_ == 0; }

 private:
  RWDlistLink head_;
  RWDlistLink tail_;
  uint32_t count_;
};

class RWIntrusiveDlistIterator {
 public:
  explicit RWIntrusiveDlistIterator(RWIntrusiveDlist& list) { AttachTo(list); }

  // Binds the iterator to the list with the cursor on the head.
  void AttachTo(RWIntrusiveDlist& list);
  // Moves the cursor n links forward, stopping on the tail, and returns the
  // link under it; null on the tail. Advance(0) on the head returns the head.
  RWDlistLink* Advance(size_t n);
  // Moves the cursor n links back, stopping on the head, and returns the
  // link under it; null on the head.
  RWDlistLink* Retreat(size_t n);
  bool IsAtFirst() const;
  bool IsAtLast() const;
  void ToFirst();
  // The cursor goes to the last element, or to the tail of an empty list.
  void ToLast();
  void InsertAfterPoint(RWDlistLink* link);
  // Unlinks the element under the cursor and leaves the cursor on the link
  // before it. Null when the cursor is on the head or the tail.
  RWDlistLink* RemoveAtPoint();

  RWDlistLink* Cursor() const { return cursor_; }
  RWIntrusiveDlist* List() const { return list_; }

 private:
  bool OnSentinel() const { return cursor_ == list_->Head() || cursor_ == list_->Tail(); }

  RWIntrusiveDlist* list_;
  RWDlistLink* cursor_;
};
