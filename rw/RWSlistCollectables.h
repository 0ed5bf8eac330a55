// RWSlistCollectables: the registered singly linked list of collectable
// pointers, with sequence operations (positions, first and last, insertion
// by index) on top of the collection interface. RWSlistCollectablesStack is
// the same list used as a stack whose top is the head: Add pushes and
// RemoveEqual pops. The hash buckets of the hashed collections are lists of
// this class.
//
// Ownership: the list holds the caller's pointers and deletes none of them
// (see RWObjectCollection); a copy or clone shares the same elements.
#pragma once

#include <cstdint>

#include "rw/RWCollectableKind.h"
#include "rw/RWObjectCollection.h"
#include "rw/RWPointerSlist.h"

constexpr RWClassID RWSlistCollectablesClassId = 0x8033;
constexpr RWClassID RWSlistCollectablesStackClassId = 0x8036;

class RWSlistCollectables : public RWObjectCollection {
 public:
  RWSlistCollectables() = default;
  // Holds the same element pointers in the same order.
  RWSlistCollectables(const RWSlistCollectables& other) = default;
  RWSlistCollectables& operator=(const RWSlistCollectables& other) {
    list_.Assign(other.list_);
    return *this;
  }
  ~RWSlistCollectables() override;

  static RWClassID StaticClassId() { return RWSlistCollectablesClassId; }

  // ---- RWCollectable ----
  RW_COLLECTABLE_KIND(RWSlistCollectables);
  // True when other has the same class id, the same length and pairwise
  // equal elements.
  bool IsEqual(const RWCollectable* other) const override;

  // ---- RWObjectCollection ----
  void ApplyToEach(RWApplyCollectable function, void* userData) const override;
  void RemoveAll() override;
  uint32_t Count() const override;
  RWCollectable* FindEqual(const RWCollectable* x) const override;
  // Appends x and returns it (null when no node could be made).
  RWCollectable* Add(RWCollectable* x) override;
  bool IsEmpty() const override;
  uint32_t CountEqual(const RWCollectable* x) const override;
  // Unlinks the first element equal to x and returns it; null when none.
  RWCollectable* RemoveEqual(const RWCollectable* x) override;

  // ---- Sequence operations ----
  // Appends x and returns it.
  virtual RWCollectable* Append(RWCollectable* x);
  // Element i; raises INDEXERR (NPOSINDEX for RW_NPOS) for a bad index.
  virtual RWCollectable* At(uint32_t i) const;
  virtual RWCollectable*& At(uint32_t i);
  // null when empty.
  virtual RWCollectable* First() const;
  // Index of the first element equal to x, or -1.
  virtual int32_t IndexOf(const RWCollectable* x) const;
  // Inserts x so that it becomes element i (i <= count, checked).
  virtual RWCollectable* InsertAt(uint32_t i, RWCollectable* x);
  // null when empty.
  virtual RWCollectable* Last() const;
  virtual RWCollectable* Prepend(RWCollectable* x);
  // Inserts x after element i (checked).
  virtual RWCollectable* InsertAfterIndex(uint32_t i, RWCollectable* x);

  // Identity-based removal, for callers that hold the very object.
  RWCollectable* RemoveReference(const RWCollectable* x) { return list_.RemoveReference(x); }

  RWPointerSlist& List() { return list_; }
  const RWPointerSlist& List() const { return list_; }

 protected:
  RWPointerSlist list_;
};

class RWSlistCollectablesStack : public RWSlistCollectables {
 public:
  RWSlistCollectablesStack() = default;
  RWSlistCollectablesStack(const RWSlistCollectablesStack& other) = default;
  RWSlistCollectablesStack& operator=(const RWSlistCollectablesStack& other) = default;
  ~RWSlistCollectablesStack() override;

  static RWClassID StaticClassId() { return RWSlistCollectablesStackClassId; }

  RW_COLLECTABLE_KIND(RWSlistCollectablesStack);

  // Pushes x (it becomes the top, the head of the list) and returns it.
  RWCollectable* Add(RWCollectable* x) override;
  // Pops: removes and returns the top whatever x is; null when empty.
  RWCollectable* RemoveEqual(const RWCollectable* x) override;
  // Does nothing: a pop ignores its argument, so deleting what it returned
  // would delete an unrelated element.
  void RemoveEqualAndDelete(const RWCollectable* x) override;
  // A stack only grows at its top: returns null and adds nothing.
  RWCollectable* Append(RWCollectable* x) override;

  // The stored elements (top first) are appended after those the stack
  // holds, which stay: the top saved first is again the top.
  void RestoreMembers(RWVirtualInStream& stream) override;
  void RestoreMembersFromFile(RWBinaryFile& file) override;
};

// Walks a list from its head; the cursor starts before the first element.
class RWSlistCollectablesIterator {
 public:
  explicit RWSlistCollectablesIterator(RWSlistCollectables& list) : cursor_(list.List()) {}
  RWSlistCollectablesIterator(const RWSlistCollectablesIterator& other) = default;
  RWSlistCollectablesIterator& operator=(const RWSlistCollectablesIterator& other) = default;
  virtual ~RWSlistCollectablesIterator();

  // Advances to the next element equal to target and returns it; null at
  // the end.
  virtual RWCollectable* FindNext(const RWCollectable* target);
  // The element under the cursor; null before the first or after the last.
  virtual RWCollectable* Key() const;
  // Advances one element and returns it; null at the end, where the cursor
  // then stays.
  virtual RWCollectable* Next();
  // Back before the first element.
  virtual void Reset();

  // Removes the element under the cursor, which moves back to the element
  // before it; null when the cursor is on no element.
  RWCollectable* RemoveCurrent() { return cursor_.RemoveCurrent(); }
  // Removes the next element equal to target after the cursor; the cursor
  // is left before the place it was taken from. null when none.
  RWCollectable* RemoveNext(const RWCollectable* target);

 private:
  RWPointerSlistIterator cursor_;
};

// Create functions for the class factory.
RWCollectable* RWSlistCollectablesCreate();
RWCollectable* RWSlistCollectablesStackCreate();
