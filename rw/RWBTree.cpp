#include "rw/RWBTree.h"

namespace {

// The index of the first element that is not below t: 0 when the first
// element is not below it, count when the last one is, otherwise found by
// halving. Whatever the elements' comparisons answer, the result lies in
// 0 to count, so a search always stays inside the node.
uint32_t Position(const RWBTreeNode* node, const RWCollectable* t) {
  const uint32_t k = node->count;
  if (k == 0 || node->elements[0]->CompareTo(t) >= 0) return 0;
  if (node->elements[k - 1]->CompareTo(t) < 0) return k;
  // elements[low] is below t, elements[high] is not.
  uint32_t low = 0;
  uint32_t high = k - 1;
  while (high - low > 1) {
    const uint32_t middle = low + (high - low) / 2;
    if (node->elements[middle]->CompareTo(t) < 0) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return high;
}

bool IsAt(const RWBTreeNode* node, uint32_t p, const RWCollectable* x) {
  return p < node->count && node->elements[p]->CompareTo(x) == 0;
}

void FreeNodes(RWBTreeNode* node) {
  if (node == nullptr) return;
  for (uint32_t i = 0; i <= node->count; ++i) FreeNodes(node->children[i]);
  delete node;
}

// Visits the elements below node in ascending order until visit returns
// false; returns false when it stopped early.
template <typename Visit>
bool Walk(const RWBTreeNode* node, Visit& visit) {
  if (node == nullptr) return true;
  for (uint32_t i = 0; i < node->count; ++i) {
    if (!Walk(node->children[i], visit)) return false;
    if (!visit(node->elements[i])) return false;
  }
  return Walk(node->children[node->count], visit);
}

// ---- Insertion ----

// What an insertion below a node hands up: an element with its right
// neighbour node, to be put into the node above.
struct Carry {
  RWCollectable* element;
  RWBTreeNode* right;
};

enum class Insertion { kDone, kFound, kHandedUp };

// Puts the carried element at position p of a node that has room, with its
// right neighbour as the child to its right.
void PutAt(RWBTreeNode* node, uint32_t p, const Carry& carry) {
  for (uint32_t i = node->count; i > p; --i) {
    node->elements[i] = node->elements[i - 1];
    node->children[i + 1] = node->children[i];
  }
  node->elements[p] = carry.element;
  node->children[p + 1] = carry.right;
  ++node->count;
}

// Splits a full node into which the carried element belongs at position p:
// of the 101 elements in order, the first 50 stay, the 51st is handed up
// and the last 50 go with their 51 children to a new node, which is handed
// up as the right neighbour.
void SplitAt(RWBTreeNode* node, uint32_t p, Carry& carry) {
  constexpr uint32_t kAll = RWBTreeNodeCapacity + 1;
  RWCollectable* elements[kAll];
  RWBTreeNode* children[kAll + 1];
  for (uint32_t i = 0, j = 0; i < kAll; ++i) elements[i] = i == p ? carry.element : node->elements[j++];
  for (uint32_t i = 0, j = 0; i < kAll + 1; ++i) children[i] = i == p + 1 ? carry.right : node->children[j++];

  auto* right = new RWBTreeNode();
  for (uint32_t i = 0; i < RWBTreeOrder; ++i) right->elements[i] = elements[RWBTreeOrder + 1 + i];
  for (uint32_t i = 0; i <= RWBTreeOrder; ++i) right->children[i] = children[RWBTreeOrder + 1 + i];
  right->count = RWBTreeOrder;

  for (uint32_t i = 0; i < RWBTreeNodeCapacity; ++i) node->elements[i] = i < RWBTreeOrder ? elements[i] : nullptr;
  for (uint32_t i = 0; i <= RWBTreeNodeCapacity; ++i) node->children[i] = i <= RWBTreeOrder ? children[i] : nullptr;
  node->count = RWBTreeOrder;

  carry = Carry{elements[RWBTreeOrder], right};
}

Insertion InsertBelow(RWBTreeNode* node, RWCollectable* x, Carry& carry, RWCollectable*& found) {
  if (node == nullptr) {
    carry = Carry{x, nullptr};
    return Insertion::kHandedUp;
  }
  const uint32_t p = Position(node, x);
  if (IsAt(node, p, x)) {
    found = node->elements[p];
    return Insertion::kFound;
  }
  const Insertion below = InsertBelow(node->children[p], x, carry, found);
  if (below != Insertion::kHandedUp) return below;
  if (node->count < RWBTreeNodeCapacity) {
    PutAt(node, p, carry);
    return Insertion::kDone;
  }
  SplitAt(node, p, carry);
  return Insertion::kHandedUp;
}

// ---- Removal ----

// Takes element i and the child to its right out of the node.
void TakeOutAt(RWBTreeNode* node, uint32_t i) {
  for (uint32_t j = i; j + 1 < node->count; ++j) {
    node->elements[j] = node->elements[j + 1];
    node->children[j + 1] = node->children[j + 2];
  }
  --node->count;
  node->elements[node->count] = nullptr;
  node->children[node->count + 1] = nullptr;
}

// Merges child i, separator i and child i + 1 into child i and frees
// child i + 1. Only called when the two children hold 99 elements together.
void Merge(RWBTreeNode* node, uint32_t i) {
  RWBTreeNode* left = node->children[i];
  RWBTreeNode* right = node->children[i + 1];
  uint32_t n = left->count;
  left->elements[n++] = node->elements[i];
  for (uint32_t j = 0; j < right->count; ++j) {
    left->children[n] = right->children[j];
    left->elements[n++] = right->elements[j];
  }
  left->children[n] = right->children[right->count];
  left->count = n;
  delete right;
  TakeOutAt(node, i);
}

// Repairs child p of node after it fell below the order.
void Repair(RWBTreeNode* node, uint32_t p) {
  RWBTreeNode* child = node->children[p];
  if (p == node->count) {
    // The last child: one element comes from the left sibling through the
    // separator; a left sibling left too small is merged with it.
    RWBTreeNode* left = node->children[p - 1];
    for (uint32_t i = child->count; i > 0; --i) child->elements[i] = child->elements[i - 1];
    for (uint32_t i = child->count + 1; i > 0; --i) child->children[i] = child->children[i - 1];
    child->elements[0] = node->elements[p - 1];
    child->children[0] = left->children[left->count];
    ++child->count;
    node->elements[p - 1] = left->elements[left->count - 1];
    left->elements[left->count - 1] = nullptr;
    left->children[left->count] = nullptr;
    --left->count;
    if (left->count < RWBTreeOrder) Merge(node, p - 1);
    return;
  }
  RWBTreeNode* right = node->children[p + 1];
  if (right->count > RWBTreeOrder) {
    // One element comes from the right sibling through the separator.
    child->elements[child->count] = node->elements[p];
    child->children[child->count + 1] = right->children[0];
    ++child->count;
    node->elements[p] = right->elements[0];
    for (uint32_t i = 0; i + 1 < right->count; ++i) right->elements[i] = right->elements[i + 1];
    for (uint32_t i = 0; i < right->count; ++i) right->children[i] = right->children[i + 1];
    --right->count;
    right->elements[right->count] = nullptr;
    right->children[right->count + 1] = nullptr;
    return;
  }
  Merge(node, p);
}

void RepairIfSmall(RWBTreeNode* node, uint32_t p) {
  if (node->children[p]->count < RWBTreeOrder) Repair(node, p);
}

// Removes and returns the largest element below node (the last element of
// its rightmost leaf), repairing the nodes on the way back up.
RWCollectable* RemoveLast(RWBTreeNode* node) {
  if (node->IsLeaf()) {
    RWCollectable* last = node->elements[--node->count];
    node->elements[node->count] = nullptr;
    return last;
  }
  const uint32_t p = node->count;
  RWCollectable* last = RemoveLast(node->children[p]);
  RepairIfSmall(node, p);
  return last;
}

RWCollectable* RemoveBelow(RWBTreeNode* node, const RWCollectable* x) {
  const uint32_t p = Position(node, x);
  if (node->IsLeaf()) {
    if (!IsAt(node, p, x)) return nullptr;
    RWCollectable* removed = node->elements[p];
    for (uint32_t i = p; i + 1 < node->count; ++i) node->elements[i] = node->elements[i + 1];
    node->elements[--node->count] = nullptr;
    return removed;
  }
  RWCollectable* removed;
  if (IsAt(node, p, x)) {
    // The element is exchanged with its predecessor, which is taken out of
    // its leaf by position. Finding it there again by comparison would
    // rely on the elements comparing consistently, which elements restored
    // from outside need not do; taking it by position keeps the tree whole
    // whatever they answer.
    removed = node->elements[p];
    node->elements[p] = RemoveLast(node->children[p]);
  } else {
    removed = RemoveBelow(node->children[p], x);
    if (removed == nullptr) return nullptr;
  }
  RepairIfSmall(node, p);
  return removed;
}

}  // namespace

RWBTree::RWBTree(const RWBTree& other) : RWObjectCollection() {
  auto add = [this](RWCollectable* element) {
    Add(element);
    return true;
  };
  Walk(other.root_, add);
}

RWBTree::~RWBTree() { FreeNodes(root_); }

void RWBTree::Assign(const RWBTree& other) {
  if (&other == this) return;
  RemoveAll();
  auto add = [this](RWCollectable* element) {
    Add(element);
    return true;
  };
  Walk(other.root_, add);
}

RW_COLLECTABLE_KIND_DEFINE(RWBTree)

bool RWBTree::IsEqual(const RWCollectable* other) const {
  if (other == this) return true;
  if (other == nullptr || other->ClassId() != RWBTreeClassId) return false;
  const auto* tree = dynamic_cast<const RWBTree*>(other);
  if (tree == nullptr || tree->Count() != Count()) return false;
  auto contained = [tree](RWCollectable* element) { return tree->FindEqual(element) != nullptr; };
  return Walk(root_, contained);
}

void RWBTree::ApplyToEach(RWApplyCollectable function, void* userData) const {
  auto apply = [function, userData](RWCollectable* element) {
    function(element, userData);
    return true;
  };
  Walk(root_, apply);
}

void RWBTree::RemoveAll() {
  FreeNodes(root_);
  root_ = nullptr;
  count_ = 0;
}

RWCollectable* RWBTree::FindEqual(const RWCollectable* x) const {
  if (x == nullptr) return nullptr;
  for (const RWBTreeNode* node = root_; node != nullptr;) {
    const uint32_t p = Position(node, x);
    if (IsAt(node, p, x)) return node->elements[p];
    node = node->children[p];
  }
  return nullptr;
}

RWCollectable* RWBTree::Add(RWCollectable* x) {
  if (x == nullptr) return nullptr;
  Carry carry{nullptr, nullptr};
  RWCollectable* found = nullptr;
  const Insertion result = InsertBelow(root_, x, carry, found);
  if (result == Insertion::kFound) return found;
  if (result == Insertion::kHandedUp) {
    // The root split (or the tree was empty): a new root holds the element
    // handed up, between the old root and its new neighbour.
    auto* root = new RWBTreeNode();
    root->count = 1;
    root->elements[0] = carry.element;
    root->children[0] = root_;
    root->children[1] = carry.right;
    root_ = root;
  }
  ++count_;
  return x;
}

uint32_t RWBTree::CountEqual(const RWCollectable* x) const { return FindEqual(x) != nullptr ? 1 : 0; }

RWCollectable* RWBTree::RemoveEqual(const RWCollectable* x) {
  if (root_ == nullptr || x == nullptr) return nullptr;
  RWCollectable* removed = RemoveBelow(root_, x);
  if (removed == nullptr) return nullptr;
  --count_;
  if (root_->count == 0) {
    // The root gave its last element away: its only child (null for an
    // empty tree) becomes the root.
    RWBTreeNode* old = root_;
    root_ = old->children[0];
    delete old;
  }
  return removed;
}

uint32_t RWBTree::Height() const {
  uint32_t height = 0;
  for (const RWBTreeNode* node = root_; node != nullptr; node = node->children[0]) ++height;
  return height;
}

RWCollectable* RWBTreeCreate() { return new RWBTree; }
