// RWPointerSlist: a singly linked list of collectable pointers, built on the
// intrusive list with one heap node per entry. The list owns its nodes, never
// the elements they point at. The collectable list and the hash buckets are
// made of it. RWPointerSlistIterator walks it with a cursor that stands on the
// head before the first step and on the tail after the last.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWIntrusiveSlist.h"

class RWCollectable;

// Called for each element with the caller's data.
typedef void (*RWPointerSlistApply)(RWCollectable* element, void* userData);
// The same, given the address of the node's element pointer so that the
// function can replace it.
typedef void (*RWPointerSlistApplySlot)(RWCollectable** slot, void* userData);
// Nonzero when the element matches; RWCollectableIsEqual has this shape.
typedef bool (*RWPointerSlistMatch)(const RWCollectable* element, const void* userData);

struct RWPointerSlistNode : RWSlistLink {
  explicit RWPointerSlistNode(RWCollectable* p) : element(p) {}
  RWCollectable* element;
};

class RWPointerSlist {
 public:
  RWPointerSlist() = default;
  // Appends the other list's pointers in order.
  RWPointerSlist(const RWPointerSlist& other);
  RWPointerSlist& operator=(const RWPointerSlist& other) {
    Assign(other);
    return *this;
  }
  ~RWPointerSlist();

  // Clears, then appends the other list's pointers; nothing for itself.
  void Assign(const RWPointerSlist& other);

  // Each returns p, or null when nothing was inserted (an index error or a
  // node that could not be allocated).
  RWCollectable* Append(RWCollectable* p);
  RWCollectable* Prepend(RWCollectable* p);
  // Inserts so that p becomes element i; i may equal the count.
  RWCollectable* InsertAt(size_t i, RWCollectable* p);
  // Inserts after element i; i must name an element.
  RWCollectable* InsertAfterIndex(size_t i, RWCollectable* p);

  // Deletes every node; the elements are untouched.
  void Clear();

  // Unlinks the first node and returns its element; null when empty.
  RWCollectable* RemoveFirst();

  void Apply(RWPointerSlistApply function, void* userData) const;
  void ApplyToSlots(RWPointerSlistApplySlot function, void* userData);

  // The first element for which the predicate holds, its index (-1 when
  // none), the number of such elements, and unlink-and-return.
  RWCollectable* FindMatch(RWPointerSlistMatch predicate, const void* userData) const;
  int32_t IndexOfMatch(RWPointerSlistMatch predicate, const void* userData) const;
  uint32_t CountMatches(RWPointerSlistMatch predicate, const void* userData) const;
  RWCollectable* RemoveMatch(RWPointerSlistMatch predicate, const void* userData);

  // The same by pointer identity.
  RWCollectable* FindReference(const RWCollectable* p) const;
  uint32_t CountReferences(const RWCollectable* p) const;
  RWCollectable* RemoveReference(const RWCollectable* p);

  // Element i; raises INDEXERR (NPOSINDEX for RW_NPOS) when i is not an
  // element's index and then gives null.
  RWCollectable* At(size_t i) const;
  // The node's element pointer itself. After an index error it is a spare
  // slot of the list, set to null, so a returning handler leaves nothing
  // out of range to write through.
  RWCollectable*& At(size_t i);

  RWCollectable* First() const;  // null when empty
  RWCollectable* Last() const;   // null when empty
  uint32_t Count() const { return static_cast<uint32_t>(links_.Count()); }
  bool IsEmpty() const { return links_.IsEmpty(); }

  // The underlying links, for iterators.
  RWIntrusiveSlist& Links() { return links_; }
  const RWIntrusiveSlist& Links() const { return links_; }

 private:
  static RWCollectable* ElementOf(const RWSlistLink* link) {
    return static_cast<const RWPointerSlistNode*>(link)->element;
  }
  // Unlinks the node after previous, deletes it and returns its element.
  RWCollectable* RemoveNodeAfter(RWSlistLink* previous);
  // The link before the first node whose element satisfies the test, or
  // null. Used with a match predicate or with identity.
  RWSlistLink* PreviousOfMatch(RWPointerSlistMatch predicate, const void* userData);
  RWSlistLink* PreviousOfReference(const RWCollectable* p);

  RWIntrusiveSlist links_;
  RWCollectable* spare_ = nullptr;
};

class RWPointerSlistIterator {
 public:
  // The cursor starts on the list's head.
  explicit RWPointerSlistIterator(RWPointerSlist& list) : list_(&list), links_(list.Links()) {}

  void Reset() { links_.AttachTo(list_->Links()); }
  RWPointerSlist* List() const { return list_; }

  // Moves n links on (stopping on the tail) and returns the element there,
  // or null on the head or the tail.
  RWCollectable* Advance(size_t n);
  RWCollectable* Next() { return Advance(1); }
  // The element under the cursor, or null on the head or the tail.
  RWCollectable* Key() const;

  // Advances to the next element satisfying the predicate (or the same
  // pointer) and returns it; null, with the cursor on the tail, when none.
  RWCollectable* FindNextMatch(RWPointerSlistMatch predicate, const void* userData);
  RWCollectable* FindNextReference(const RWCollectable* p);

  // A new node after the cursor (at the end when the cursor is on the
  // tail). Returns p, or null when no node could be allocated.
  RWCollectable* InsertAfterPoint(RWCollectable* p);

  // Removes the element under the cursor, which moves back to the link
  // before it; null on the head or the tail.
  RWCollectable* RemoveCurrent();
  // Searching the links after the cursor, unlinks and deletes the first
  // matching node and returns its element; the cursor is left on the link
  // before it. Null, cursor unchanged, when nothing matches.
  RWCollectable* RemoveNextMatch(RWPointerSlistMatch predicate, const void* userData);
  RWCollectable* RemoveNextReference(const RWCollectable* p);

 private:
  bool OnSentinel() const;

  RWPointerSlist* list_;
  RWIntrusiveSlistIterator links_;
};
