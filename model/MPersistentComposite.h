// MPersistentComposite: the in-memory tree node of the settings model. It
// holds its children through counted handles, so one child can sit in
// several trees at once, and implements the child, search, collection and
// copy operations of the model's interface recursively.
#pragma once

#include <cstdint>

#include "model/GCountedPtrVector.h"
#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"

constexpr RWClassID MPersistentCompositeClassId = 752;

class MPersistentComposite : public MPersistentObject {
 public:
  // Called with each child's handle and the caller's value.
  typedef void (*ChildFunction)(GCountedPtr* child, int userData);
  // Answers non-zero for the child wanted.
  typedef int (*ChildPredicate)(GCountedPtr* child, int userData);

  // Appending beyond this many children is refused.
  static constexpr uint32_t kMaxChildren = 0x1FFFFFBF;

  MPersistentComposite();
  explicit MPersistentComposite(const int32_t& id);
  // Shares the source's children (each gets one more holder).
  MPersistentComposite(const MPersistentComposite& other);
  // Copies id, serial and the children's handles, only when the source
  // differs from this composite.
  MPersistentComposite& operator=(const MPersistentComposite& other);
  ~MPersistentComposite() override;

  static RWClassID StaticClassId() { return MPersistentCompositeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(MPersistentComposite);
  RW_STORED_MEMBERS();

  int Matches(const MPersistentObject* other) const override;
  // The composite takes the object over. Null is ignored; an object that
  // would make the tree contain itself (this composite or one above it) is
  // refused and left alone; beyond the count limit an unheld object is
  // deleted.
  void AddChild(MPersistentObject* child) override;
  void PrependChild(MPersistentObject* child) override;
  MPersistentObject* RemoveChild(const MPersistentObject* child) override;
  MPersistentObject* RemoveChildById(const int32_t& id) override;
  MPersistentObject* RemoveChildByClass(const RWClassID& classId) override;
  int ReplaceChildById(const int32_t& id, const MPersistentObject* with) override;
  int ReplaceChildByClass(const RWClassID& classId, const MPersistentObject* with) override;
  int ReplaceChild(const MPersistentObject* old, const MPersistentObject* with) override;
  int ReplaceChildByKind(const RWClassID& classId, const MPersistentObject* with) override;
  void RemoveAllChildren() override;
  MPersistentObject* FindById(const int32_t& id) override;
  MPersistentObject* FindByClass(const RWClassID& classId) override;
  MPersistentObject* FindMatch(const MPersistentObject* other) override;
  MPersistentObject* FindByKind(const RWClassID& classId) override;
  MPersistentComposite* CollectByClass(const RWClassID& classId, MPersistentComposite* into) override;
  MPersistentComposite* CollectById(const int32_t& id, MPersistentComposite* into) override;
  MPersistentComposite* SelectById(const int32_t& id) override;
  MPersistentComposite* SelectByClass(const RWClassID& classId) override;
  MPersistentComposite* CollectByKind(const RWClassID& classId, MPersistentComposite* into) override;
  MPersistentComposite* SelectByKind(const RWClassID& classId) override;
  MPersistentComposite* AsComposite() override;
  int GetEntryCount() const override;
  int GetNodeCount() const override;
  MPersistentIterator* CreateIterator() override;

  // Calls the function with each child's handle, first to last. Children
  // removed by the function raise the index error and end the walk.
  virtual void ForEachChild(ChildFunction function, int userData);
  // The first child for which the predicate answers non-zero, borrowed.
  virtual MPersistentObject* FindChildWhere(ChildPredicate predicate, int userData);

  // The child handles, for the iterator and for tests.
  GCountedPtrVector& Children() { return children_; }
  const GCountedPtrVector& Children() const { return children_; }
  // True when object is this composite or lies anywhere below it.
  bool Contains(const MPersistentObject* object) const;
  // True when holding object would make the tree contain itself: object is
  // this composite or has it somewhere below.
  bool WouldHoldItself(const MPersistentObject* object) const;

 private:
  // Appends a restored child directly (no AddChild filtering).
  void AppendRestored(MPersistentObject* child);
  // Empties the list and sets the capacity back to 64.
  void ResetChildren();

  GCountedPtrVector children_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, MPersistentComposite*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, MPersistentComposite*& out);

RWCollectable* MPersistentCompositeCreate();
