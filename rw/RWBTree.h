// RWBTree: a registered collection that keeps its elements sorted by their
// CompareTo in an in-memory B-tree of order 50, without duplicates (an
// element that compares equal to one present is not added). Searches,
// insertions and removals take logarithmic time; ApplyToEach visits the
// elements in ascending order.
//
// Ownership: as for every collection, the tree holds the caller's pointers
// and frees only its nodes (see RWObjectCollection). A null pointer is never
// stored: there is no object to compare.
#pragma once

#include <cstdint>

#include "rw/RWCollectableKind.h"
#include "rw/RWObjectCollection.h"

constexpr RWClassID RWBTreeClassId = 0x8003;

// The order of the tree: every node but the root holds between
// RWBTreeOrder and 2 * RWBTreeOrder elements.
constexpr uint32_t RWBTreeOrder = 50;
constexpr uint32_t RWBTreeNodeCapacity = 2 * RWBTreeOrder;

// One node. Elements 0 to count - 1 ascend; child i holds the elements that
// sort between element i - 1 and element i. A leaf's children are all null.
struct RWBTreeNode {
  uint32_t count = 0;
  RWCollectable* elements[RWBTreeNodeCapacity] = {};
  RWBTreeNode* children[RWBTreeNodeCapacity + 1] = {};

  bool IsLeaf() const { return children[0] == nullptr; }
};

class RWBTree : public RWObjectCollection {
 public:
  RWBTree() = default;
  // An empty tree to which every element of other is added.
  RWBTree(const RWBTree& other);
  RWBTree& operator=(const RWBTree& other) {
    Assign(other);
    return *this;
  }
  ~RWBTree() override;

  // Empties the tree, then adds every element of other (nothing happens when
  // other is this tree).
  void Assign(const RWBTree& other);

  static RWClassID StaticClassId() { return RWBTreeClassId; }

  // ---- RWCollectable ----
  RW_COLLECTABLE_KIND(RWBTree);  // CreateSameKind: an empty tree
  // A new tree holding the same element pointers.
  // other is an RWBTree (class id 0x8003) with as many elements, and every
  // element of this tree is contained in it.
  bool IsEqual(const RWCollectable* other) const override;

  // ---- RWObjectCollection ----
  // In ascending order.
  void ApplyToEach(RWApplyCollectable function, void* userData) const override;
  // Frees every node (the elements are untouched).
  void RemoveAll() override;
  uint32_t Count() const override { return count_; }
  // The element that compares equal to x, or null.
  RWCollectable* FindEqual(const RWCollectable* x) const override;
  // Inserts x and returns it. When an element equal to x is present, that
  // element is returned and x is not added; a null x returns null.
  RWCollectable* Add(RWCollectable* x) override;
  bool IsEmpty() const override { return root_ == nullptr; }
  // 1 when an element equal to x is present, else 0.
  uint32_t CountEqual(const RWCollectable* x) const override;
  // Removes the element equal to x and returns it; null when there is none.
  RWCollectable* RemoveEqual(const RWCollectable* x) override;

  // 0 for an empty tree, else the number of levels.
  uint32_t Height() const;
  // The root node, null when the tree is empty (for inspection).
  const RWBTreeNode* Root() const { return root_; }

 private:
  RWBTreeNode* root_ = nullptr;
  uint32_t count_ = 0;
};

// Create function for the class factory.
RWCollectable* RWBTreeCreate();
