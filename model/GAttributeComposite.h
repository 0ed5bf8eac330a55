// GAttributeComposite: the container of attributes. It keeps its children
// (attributes, possibly containers themselves) in insertion order through
// counted handles, so one child can sit in several containers; it is
// searched depth first by feature id, class or kind, applied to a receiver
// (only the children marked changed), stored as one object and merged with
// another container. States, graphic bundles and enumerations build on it.
// GAttributeCompositeIterator walks its direct children.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/GAttribute.h"
#include "model/GCountedPtrVector.h"
#include "model/MPersistentIterator.h"

class MPersistentComposite;

constexpr RWClassID GAttributeCompositeClassId = 757;

class GAttributeComposite : public GAttribute {
 public:
  // Called with each child's handle and the caller's value.
  typedef void (*ChildFunction)(GCountedPtr* child, int userData);
  // Answers non-zero for the child wanted.
  typedef int (*ChildPredicate)(GCountedPtr* child, int userData);

  // No children, capacity 10.
  GAttributeComposite();
  explicit GAttributeComposite(const int32_t* id);
  // Shares the source's children; the capacity is the number of children.
  GAttributeComposite(const GAttributeComposite& other);
  // Copies feature id, serial, changed flag and the children's handles.
  GAttributeComposite& operator=(const GAttributeComposite& other);
  ~GAttributeComposite() override;

  static RWClassID StaticClassId() { return GAttributeCompositeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GAttributeComposite);
  uint32_t MembersStoreSize() const override;
  void RestoreMembers(RWVirtualInStream& stream) override;
  void RestoreMembersFromFile(RWBinaryFile& file) override;
  void SaveMembers(RWVirtualOutStream& stream) const override;
  void SaveMembersToFile(RWBinaryFile& file) const override;
  // The stored body after the attribute's: the size, both writes and both
  // reads walk it. A read answers whether it replaced the children.
  template <typename Archive>
  bool Members(Archive& archive);

  // Same class, same feature id, and children that match pairwise in order.
  int Matches(const MPersistentObject* other) const override;

  // Takes the object over: an attribute is appended; anything else is
  // destroyed unless a handle holds it. Null is ignored, and so is an object
  // that would make the container hold itself.
  void AddChild(MPersistentObject* child) override;
  // Detach by identity, feature id or class, depth first: the caller owns
  // the result (the child itself when this container was its only holder,
  // else a copy).
  GAttribute* RemoveChild(const MPersistentObject* child) override;
  GAttribute* RemoveChildById(const int32_t& id) override;
  GAttribute* RemoveChildByClass(const RWClassID& classId) override;
  // Put a deep copy of with in place of the first qualifying child (depth
  // first); the caller keeps with. 1 when something was replaced.
  int ReplaceChildById(const int32_t& id, const MPersistentObject* with) override;
  int ReplaceChildByClass(const RWClassID& classId, const MPersistentObject* with) override;
  int ReplaceChild(const MPersistentObject* old, const MPersistentObject* with) override;
  int ReplaceChildByKind(const RWClassID& classId, const MPersistentObject* with) override;
  // Releases every child; capacity 64.
  void RemoveAllChildren() override;

  // Depth-first finds; the result is borrowed. The container never tests
  // itself.
  GAttribute* FindById(const int32_t& id) override;
  GAttribute* FindByClass(const RWClassID& classId) override;
  // The child that is other itself, or a leaf that matches it; containers
  // qualify only by identity and are otherwise searched.
  GAttribute* FindMatch(const MPersistentObject* other) override;
  GAttribute* FindByKind(const RWClassID& classId) override;
  // Collects pass into through the children (leaves that qualify add
  // themselves); selects return a new composite of the matches, or null.
  MPersistentComposite* CollectByClass(const RWClassID& classId, MPersistentComposite* into) override;
  MPersistentComposite* CollectById(const int32_t& id, MPersistentComposite* into) override;
  MPersistentComposite* SelectById(const int32_t& id) override;
  MPersistentComposite* SelectByClass(const RWClassID& classId) override;
  MPersistentComposite* CollectByKind(const RWClassID& classId, MPersistentComposite* into) override;
  MPersistentComposite* SelectByKind(const RWClassID& classId) override;

  int GetEntryCount() const override;
  int GetNodeCount() const override;
  // A GAttributeCompositeIterator before the first child; the caller
  // deletes it.
  MPersistentIterator* CreateIterator() override;
  // A new container of the same kind with the feature id and deep copies of
  // the children, added in order through AddChild.
  MPersistentObject* DeepCopy() const override;

  // Applies every child whose changed flag is set, in order; the last
  // non-zero result is returned. Clears this container's own flag.
  int16_t ApplyTo(GPeripheral* receiver) override;
  // Another kind or feature id: a clone of other becomes one child. The same
  // kind and id: clones of other's children are appended.
  void Merge(GAttribute* other) override;

  // Set (or clear) the changed flag of every direct child, then its own.
  virtual void MarkAllChanged();
  virtual void MarkAllUnchanged();
  // Calls the function with each child's handle, first to last. Children
  // removed by the function raise the index error.
  virtual void ForEachChild(ChildFunction function, int userData);
  // The first child for which the predicate answers non-zero, borrowed.
  virtual GAttribute* FindChildWhere(ChildPredicate predicate, int userData);

  // Direct child i, borrowed; null when there is none (or it is empty).
  GAttribute* ChildAt(size_t index) const;
  // The position of the direct child that is object, or -1.
  long IndexOfChild(const MPersistentObject* object) const;
  GCountedPtrVector& Children() { return children_; }
  const GCountedPtrVector& Children() const { return children_; }
  // True when holding object would make the container hold itself.
  bool WouldHoldItself(const MPersistentObject* object) const;

 protected:
  // Appends a handle to the attribute; false when it is refused because the
  // container would hold itself (the attribute is left alone then).
  bool AppendChild(GAttribute* child);
  // Makes the handle at index hold the attribute (the old child is let go).
  void HoldAt(size_t index, GAttribute* child);
  // Called after the direct child at index has left the list.
  virtual void ChildRemovedAt(size_t index);
  // Reads the container's own body; true when the children were replaced
  // by what was read.
  bool RestoreCompositeBody(RWVirtualInStream& stream);
  bool RestoreCompositeBodyFromFile(RWBinaryFile& file);
  // An object handed over and not kept is destroyed unless a handle holds it.
  static void DropHandedOver(MPersistentObject* object);

 private:
  void ResetChildren();
  void AppendRestored(MPersistentObject* child);
  GAttribute* TakeAt(size_t index);

  GCountedPtrVector children_;
};

// Over the direct children of a GAttributeComposite. It reads the live list
// and must not outlive the container.
class GAttributeCompositeIterator : public MPersistentIterator {
 public:
  explicit GAttributeCompositeIterator(GAttributeComposite* composite);
  ~GAttributeCompositeIterator() override;

  // The child under the cursor; the index error when the cursor is not on a
  // child.
  MPersistentObject* Current() override;
  // Puts the object (taken over) in place of the child under the cursor,
  // or appends it when the container has no children; with children and
  // the cursor off them, the index error. The cursor stays.
  void ReplaceCurrent(MPersistentObject* object) override;
  int Advance() override;
  void Reset() override;

 private:
  GAttributeComposite* composite_;
  GCountedPtrVector* children_;
  long cursor_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GAttributeComposite*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GAttributeComposite*& out);

RWCollectable* GAttributeCompositeCreate();
