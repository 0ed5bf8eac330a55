// The cursor that every model object hands out through CreateIterator: the
// interface, the composite's iterator over its direct children, and the
// empty iterator of leaves. The cursor starts before the first element.
#pragma once

#include <cstddef>

#include "model/GCountedPtrVector.h"

class GCountedRef;
class MPersistentComposite;
class MPersistentObject;

class MPersistentIterator {
 public:
  virtual ~MPersistentIterator();
  // The object under the cursor, borrowed.
  virtual MPersistentObject* Current() = 0;
  // Puts the object in the place under the cursor.
  virtual void ReplaceCurrent(MPersistentObject* object) = 0;
  // Moves on; non-zero while the cursor is on an element.
  virtual int Advance() = 0;
  // Back to before the first element.
  virtual void Reset() = 0;
};

// The handle form of the iterator, for containers that hand their elements
// out only by counted handle.
class MPersistentHandleIterator : public MPersistentIterator {
 public:
  virtual void CurrentHandle(GCountedRef& out) = 0;
  virtual void RemoveCurrent() = 0;
  virtual void ReplaceCurrentHandle(const GCountedRef& object) = 0;
  virtual int AdvanceHandle() = 0;
};

// Over the direct children of a composite. It reads the live child list, so
// children added or removed while iterating move under the cursor; it does
// not hold the composite and must not outlive it.
class MPersistentCompositeIterator : public MPersistentIterator {
 public:
  explicit MPersistentCompositeIterator(MPersistentComposite* composite);
  ~MPersistentCompositeIterator() override;

  // The child under the cursor; the index error when the cursor is not on a
  // child (null when the handler returns). A stored null child is null.
  MPersistentObject* Current() override;
  // Puts the object (taken over by the composite) in place of the child
  // under the cursor, or appends it when no child is left; the cursor stays.
  void ReplaceCurrent(MPersistentObject* object) override;
  // 1 while the cursor is on a child; past the end the cursor goes back to
  // before the first child and the answer is 0.
  int Advance() override;
  void Reset() override;

 private:
  MPersistentComposite* composite_;
  GCountedPtrVector* children_;
  long cursor_;
};

// The iterator of objects without children: it yields nothing.
class MPersistentNullIterator : public MPersistentHandleIterator {
 public:
  ~MPersistentNullIterator() override;
  MPersistentObject* Current() override;
  void ReplaceCurrent(MPersistentObject* object) override;
  int Advance() override;
  void Reset() override;
  // out becomes empty.
  void CurrentHandle(GCountedRef& out) override;
  void RemoveCurrent() override;
  void ReplaceCurrentHandle(const GCountedRef& object) override;
  int AdvanceHandle() override;
};
