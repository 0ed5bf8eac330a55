#include "rw/RWDiskBTree.h"

#include <algorithm>
#include <cstring>

#include "rw/RWBlockCache.h"
#include "rw/RWError.h"
#include "rw/RWFileSpaceManager.h"

namespace {

// No sound tree is this deep: every node below the root has at least two
// children, and a 2 GiB file holds fewer than 2^27 nodes. A deeper path goes
// round a loop of damaged child pointers.
constexpr uint32_t kMaxDepth = 32;
// Parameters read from a file must give a node of a sensible size.
constexpr uint64_t kMaxNodeSize = 1u << 20;
constexpr int64_t kMaxParameter = 0xFFFF;
// The node cache holds at least this many bytes of nodes, whatever cache
// size is asked for: a few megabytes keep every node of a tree of some
// hundred thousand keys in memory, so that look-ups do not go to the file.
constexpr uint32_t kLeastCachedBytes = 4u << 20;

void PutWord(unsigned char* p, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

int32_t GetWord(const unsigned char* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

int CompareText(const char* stored, const char* key, size_t length) { return std::strncmp(stored, key, length); }
int CompareBytes(const char* stored, const char* key, size_t length) { return std::memcmp(stored, key, length); }

void CountKey(const char*, int32_t, void* userData) { ++*static_cast<uint32_t*>(userData); }

}  // namespace

// ---- RWDiskBTreeHeader ----

void RWDiskBTreeHeader::Encode(unsigned char* bytes) const {
  const int32_t fields[10] = {root, reserved1, version, keyCount, keyLength,
                              order, minimum, reserved2, reserved3, flags};
  for (int i = 0; i < 10; ++i) PutWord(bytes + 4 * i, fields[i]);
}

void RWDiskBTreeHeader::Decode(const unsigned char* bytes) {
  int32_t* fields[10] = {&root, &reserved1, &version, &keyCount, &keyLength,
                         &order, &minimum, &reserved2, &reserved3, &flags};
  for (int i = 0; i < 10; ++i) *fields[i] = GetWord(bytes + 4 * i);
}

// ---- RWDiskBTreeNode ----

RWDiskBTreeNode::RWDiskBTreeNode(uint32_t order, uint32_t keyLength)
    : children(2 * static_cast<size_t>(order) + 1, -1),
      values(2 * static_cast<size_t>(order), 0),
      keys(2 * static_cast<size_t>(order) * keyLength, 0),
      keyLength_(keyLength) {}

uint64_t RWDiskBTreeNode::DiskSize(uint32_t order, uint32_t keyLength) {
  return 8 + 16 * static_cast<uint64_t>(order) + 2 * static_cast<uint64_t>(order) * keyLength;
}

void RWDiskBTreeNode::InsertEntry(uint32_t p, const char* key, int32_t value, int32_t rightChild) {
  const uint32_t n = static_cast<uint32_t>(count);
  for (uint32_t i = n; i > p; --i) {
    std::memcpy(Key(i), Key(i - 1), keyLength_);
    values[i] = values[i - 1];
    children[i + 1] = children[i];
  }
  std::memcpy(Key(p), key, keyLength_);
  values[p] = value;
  children[p + 1] = rightChild;
  ++count;
}

void RWDiskBTreeNode::RemoveEntry(uint32_t p) {
  const uint32_t n = static_cast<uint32_t>(count);
  for (uint32_t i = p; i + 1 < n; ++i) {
    std::memcpy(Key(i), Key(i + 1), keyLength_);
    values[i] = values[i + 1];
    children[i + 1] = children[i + 2];
  }
  --count;
  std::memset(Key(n - 1), 0, keyLength_);
  values[n - 1] = 0;
  children[n] = -1;
}

void RWDiskBTreeNode::RemoveFirst() {
  children[0] = children[1];
  RemoveEntry(0);
}

void RWDiskBTreeNode::Encode(unsigned char* bytes) const {
  const size_t m2 = values.size();
  PutWord(bytes, count);
  for (size_t i = 0; i < children.size(); ++i) PutWord(bytes + 4 + 4 * i, children[i]);
  unsigned char* valueBytes = bytes + 4 + 4 * children.size();
  for (size_t i = 0; i < m2; ++i) PutWord(valueBytes + 4 * i, values[i]);
  std::memcpy(valueBytes + 4 * m2, keys.data(), keys.size());
}

void RWDiskBTreeNode::Decode(const unsigned char* bytes) {
  const size_t m2 = values.size();
  count = GetWord(bytes);
  for (size_t i = 0; i < children.size(); ++i) children[i] = GetWord(bytes + 4 + 4 * i);
  const unsigned char* valueBytes = bytes + 4 + 4 * children.size();
  for (size_t i = 0; i < m2; ++i) values[i] = GetWord(valueBytes + 4 * i);
  std::memcpy(keys.data(), valueBytes + 4 * m2, keys.size());
}

// ---- RWDiskBTree: opening and closing ----

RWDiskBTree::RWDiskBTree(RWFileSpaceManager* manager, uint32_t cacheSize, int createNew, uint32_t keyLength,
                         int binaryKeys, int32_t headerLocation, int compatible, uint32_t order, uint32_t minimum)
    : compare_(binaryKeys && !compatible ? &CompareBytes : &CompareText), manager_(manager), cacheSize_(cacheSize) {
  compatible_ = compatible != 0;
  header_.flags = binaryKeys && !compatible_ ? 1 : 0;
  const uint32_t m = std::max<uint32_t>(order, 1);
  const uint32_t k = std::max<uint32_t>(std::min(minimum, m), 1);
  if (!manager_ || manager_->HasError() || !SetParameters(std::max<uint32_t>(keyLength, 1), m, k)) return;
  OpenHeader(createNew, headerLocation, compatible);
}

RWDiskBTree::~RWDiskBTree() {
  if (usable_) {
    // A file opened for reading only is left as it is; one opened for
    // update gets its key count refreshed.
    const char* mode = manager_->GetMode();
    const size_t length = mode ? strnlen(mode, 8) : 0;
    const bool readOnly = length > 0 && mode[0] == 'r' && !std::memchr(mode, '+', length);
    if (!readOnly) WriteHeader();
  }
  if (cache_) manager_->RemoveBlockWriter(this);
  rootNode_.reset();
  cache_.reset();
}

bool RWDiskBTree::SetParameters(int64_t keyLength, int64_t order, int64_t minimum) {
  if (keyLength < 1 || keyLength > kMaxParameter || order < 1 || order > kMaxParameter || minimum < 1 ||
      minimum > order)
    return false;
  const uint64_t size = RWDiskBTreeNode::DiskSize(static_cast<uint32_t>(order), static_cast<uint32_t>(keyLength));
  if (size > kMaxNodeSize) return false;
  header_.keyLength = static_cast<int32_t>(keyLength);
  header_.order = static_cast<int32_t>(order);
  header_.minimum = static_cast<int32_t>(minimum);
  nodeSize_ = static_cast<uint32_t>(size);
  return true;
}

void RWDiskBTree::OpenHeader(int createNew, int32_t location, int compatible) {
  bool opened;
  if (location != -1) {
    headerLocation_ = location;
    opened = ReadHeader();
  } else if (compatible) {
    if (createNew || manager_->FirstBlock() == -1) {
      opened = CreateHeader(4);
    } else {
      headerLocation_ = manager_->FirstBlock();
      opened = ReadHeader();
    }
  } else if (createNew || manager_->FirstBlock() == -1) {
    opened = CreateHeader(RWDiskBTreeHeader::kSize);
  } else {
    headerLocation_ = manager_->FirstBlock();
    opened = ReadHeader();
  }
  if (!opened) return;

  cache_ = std::make_unique<RWBlockCache>(manager_, CacheCapacity(), nodeSize_, true);
  // A flush of the file writes the changed nodes first.
  manager_->SetBlockWriter([](void* tree) { return static_cast<RWDiskBTree*>(tree)->FlushNodes(); }, this);
  rootNode_ = std::make_unique<RWDiskBTreeNode>(NewNode());
  if (header_.root != -1 && !ReadNode(header_.root, *rootNode_)) {
    header_.root = -1;
    return;
  }
  rootLoaded_ = header_.root != -1;
  usable_ = true;
}

bool RWDiskBTree::ReadHeader() {
  unsigned char bytes[RWDiskBTreeHeader::kSize] = {};
  if (headerLocation_ < 0 || !manager_->SeekTo(headerLocation_) || !manager_->ReadChars(reinterpret_cast<char*>(bytes), 4)) {
    RaiseIo(RWFileIoError::Read);
    return false;
  }
  // A tree of the compatible form stores only its root offset; its block
  // may be the last of the file, so a short read there is no failure.
  bool full = !compatible_ && manager_->ReadChars(reinterpret_cast<char*>(bytes + 4), RWDiskBTreeHeader::kSize - 4);
  if (!compatible_ && !full) manager_->ClearError();
  RWDiskBTreeHeader read;
  read.Decode(bytes);
  if (full && read.version == RWDiskBTreeHeader::kVersion) {
    if (!SetParameters(read.keyLength, read.order, read.minimum)) {
      RaiseDamaged();
      return false;
    }
    header_ = read;
    compare_ = (header_.flags & 1) ? &CompareBytes : &CompareText;
    countKnown_ = true;
    return true;
  }
  // The compatible form: the constructor's parameters, text keys, and a key
  // count found by walking the tree when it is first asked for.
  compatible_ = true;
  compare_ = &CompareText;
  header_.flags = 0;
  header_.root = read.root;
  header_.keyCount = 0;
  countKnown_ = false;
  return true;
}

bool RWDiskBTree::CreateHeader(uint32_t bytes) {
  const int32_t location = manager_->Allocate(bytes);
  if (location == -1) return false;
  headerLocation_ = location;
  header_.root = -1;
  header_.keyCount = 0;
  countKnown_ = true;
  return WriteHeader();
}

bool RWDiskBTree::WriteHeader() {
  // The nodes first: the header never names a root the file does not hold.
  if (!FlushNodes()) return false;
  unsigned char bytes[RWDiskBTreeHeader::kSize];
  header_.Encode(bytes);
  const uint32_t length = compatible_ ? 4 : RWDiskBTreeHeader::kSize;
  if (headerLocation_ < 0 || !manager_->SeekTo(headerLocation_) ||
      !manager_->WriteChars(reinterpret_cast<const char*>(bytes), length)) {
    RaiseIo(RWFileIoError::Write);
    return false;
  }
  return true;
}

// ---- Nodes ----

RWDiskBTreeNode RWDiskBTree::NewNode() const {
  return RWDiskBTreeNode(static_cast<uint32_t>(header_.order), static_cast<uint32_t>(header_.keyLength));
}

// A node read from the file is used only when its key count fits the node
// and its children are either all missing (a leaf) or all present.
bool RWDiskBTree::IsSoundNode(const RWDiskBTreeNode& node) const {
  if (node.count < 0 || static_cast<uint32_t>(node.count) > node.MaxKeys()) return false;
  const bool leaf = node.IsLeaf();
  for (int32_t i = 0; i <= node.count; ++i) {
    const int32_t child = node.children[i];
    if (leaf ? child != -1 : child <= 0) return false;
  }
  return true;
}

bool RWDiskBTree::ReadNode(int32_t offset, RWDiskBTreeNode& node) {
  if (rootLoaded_ && offset == header_.root) {
    node = *rootNode_;
    return true;
  }
  scratch_.resize(nodeSize_);
  if (offset <= 0 || !cache_->Read(offset, scratch_.data())) {
    RaiseIo(RWFileIoError::Read);
    return false;
  }
  node.Decode(scratch_.data());
  if (!IsSoundNode(node)) {
    RaiseDamaged();
    return false;
  }
  return true;
}

bool RWDiskBTree::WriteNode(int32_t offset, const RWDiskBTreeNode& node) {
  scratch_.resize(nodeSize_);
  node.Encode(scratch_.data());
  if (!cache_->Write(offset, scratch_.data())) {
    RaiseIo(RWFileIoError::Write);
    return false;
  }
  if (offset == header_.root) {
    *rootNode_ = node;
    rootLoaded_ = true;
  }
  return true;
}

uint32_t RWDiskBTree::Position(const RWDiskBTreeNode& node, const char* key) const {
  const size_t length = static_cast<size_t>(header_.keyLength);
  const uint32_t n = static_cast<uint32_t>(node.count);
  if (n == 0 || compare_(node.Key(0), key, length) >= 0) return 0;
  if (compare_(node.Key(n - 1), key, length) < 0) return n;
  uint32_t low = 1, high = n - 1;
  while (low < high) {
    const uint32_t middle = low + (high - low) / 2;
    if (compare_(node.Key(middle), key, length) >= 0)
      high = middle;
    else
      low = middle + 1;
  }
  return low;
}

bool RWDiskBTree::Equal(const RWDiskBTreeNode& node, uint32_t p, const char* key) const {
  return p < static_cast<uint32_t>(node.count) &&
         compare_(node.Key(p), key, static_cast<size_t>(header_.keyLength)) == 0;
}

RWCString RWDiskBTree::StoredKey(const char* field) const {
  const size_t length = static_cast<size_t>(header_.keyLength);
  return RWCString(field, (header_.flags & 1) ? length : strnlen(field, length));
}

// Text keys are kept NUL-padded (a longer key is cut to the field); binary
// keys fill the field.
void RWDiskBTree::StoreKey(char* field, const char* key) const {
  const size_t length = static_cast<size_t>(header_.keyLength);
  const size_t used = (header_.flags & 1) ? length : strnlen(key, length);
  std::memcpy(field, key, used);
  std::memset(field + used, 0, length - used);
}

bool RWDiskBTree::Underflows(const RWDiskBTreeNode& node, bool isRoot) const {
  return isRoot ? node.count == 0 : node.count < header_.minimum;
}

// ---- Search ----

bool RWDiskBTree::FindKey(const char* key, RWCString& storedKey, int32_t& value) {
  value = -1;
  if (!usable_) return false;
  RWDiskBTreeNode node = NewNode();
  int32_t offset = header_.root;
  for (uint32_t depth = 0; offset != -1; ++depth) {
    if (depth >= kMaxDepth) {
      RaiseDamaged();
      return false;
    }
    if (!ReadNode(offset, node)) return false;
    const uint32_t p = Position(node, key);
    if (Equal(node, p, key)) {
      value = node.values[p];
      storedKey = StoredKey(node.Key(p));
      return true;
    }
    offset = node.children[p];
  }
  return false;
}

bool RWDiskBTree::ReplaceValue(const char* key, int32_t newValue, int32_t& oldValue) {
  if (!usable_) return false;
  RWDiskBTreeNode node = NewNode();
  int32_t offset = header_.root;
  for (uint32_t depth = 0; offset != -1; ++depth) {
    if (depth >= kMaxDepth) {
      RaiseDamaged();
      return false;
    }
    if (!ReadNode(offset, node)) return false;
    const uint32_t p = Position(node, key);
    if (Equal(node, p, key)) {
      oldValue = node.values[p];
      node.values[p] = newValue;
      return WriteNode(offset, node);
    }
    offset = node.children[p];
  }
  return false;
}

// ---- Insertion ----

bool RWDiskBTree::InsertKey(const char* key, int32_t value) {
  if (!usable_) return false;
  Entry up;
  const Status status = Insert(header_.root, key, value, up, 0);
  if (status == Status::Duplicate || status == Status::Failed) return false;
  if (status == Status::Split) {
    // The tree was empty or its root split: a new root of one key.
    RWDiskBTreeNode root = NewNode();
    root.count = 1;
    std::memcpy(root.Key(0), up.key.data(), up.key.size());
    root.values[0] = up.value;
    root.children[0] = header_.root;
    root.children[1] = up.right;
    const int32_t offset = manager_->Allocate(nodeSize_);
    if (offset == -1 || !WriteNode(offset, root)) return false;
    header_.root = offset;
    *rootNode_ = root;
    rootLoaded_ = true;
    WriteHeader();
  }
  if (countKnown_) ++header_.keyCount;
  return true;
}

RWDiskBTree::Status RWDiskBTree::Insert(int32_t offset, const char* key, int32_t value, Entry& up, uint32_t depth) {
  if (offset == -1) {
    up.key.assign(static_cast<size_t>(header_.keyLength), 0);
    StoreKey(up.key.data(), key);
    up.value = value;
    up.right = -1;
    return Status::Split;
  }
  if (depth >= kMaxDepth) {
    RaiseDamaged();
    return Status::Failed;
  }
  RWDiskBTreeNode node = NewNode();
  if (!ReadNode(offset, node)) return Status::Failed;
  const uint32_t p = Position(node, key);
  if (Equal(node, p, key)) return Status::Duplicate;
  const Status below = Insert(node.children[p], key, value, up, depth + 1);
  if (below != Status::Split) return below;

  const uint32_t maxKeys = node.MaxKeys();
  if (static_cast<uint32_t>(node.count) < maxKeys) {
    node.InsertEntry(p, up.key.data(), up.value, up.right);
    return WriteNode(offset, node) ? Status::Done : Status::Failed;
  }

  // A full node splits: of its 2m keys and the new one, the lower m stay,
  // the middle one goes up and the upper m move to a new node.
  const size_t length = static_cast<size_t>(header_.keyLength);
  const uint32_t m = maxKeys / 2;
  std::vector<char> keys((maxKeys + 1) * length);
  std::vector<int32_t> values(maxKeys + 1);
  std::vector<int32_t> children(maxKeys + 2);
  for (uint32_t i = 0, from = 0; i <= maxKeys; ++i) {
    if (i == p) {
      std::memcpy(&keys[i * length], up.key.data(), length);
      values[i] = up.value;
    } else {
      std::memcpy(&keys[i * length], node.Key(from), length);
      values[i] = node.values[from];
      ++from;
    }
  }
  for (uint32_t i = 0, from = 0; i <= maxKeys + 1; ++i) {
    if (i == p + 1)
      children[i] = up.right;
    else
      children[i] = node.children[from++];
  }

  RWDiskBTreeNode right = NewNode();
  right.count = static_cast<int32_t>(m);
  for (uint32_t j = 0; j < m; ++j) {
    std::memcpy(right.Key(j), &keys[(m + 1 + j) * length], length);
    right.values[j] = values[m + 1 + j];
  }
  for (uint32_t j = 0; j <= m; ++j) right.children[j] = children[m + 1 + j];

  RWDiskBTreeNode left = NewNode();
  left.count = static_cast<int32_t>(m);
  std::memcpy(left.keys.data(), keys.data(), m * length);
  for (uint32_t j = 0; j < m; ++j) left.values[j] = values[j];
  for (uint32_t j = 0; j <= m; ++j) left.children[j] = children[j];

  const int32_t rightOffset = manager_->Allocate(nodeSize_);
  if (rightOffset == -1 || !WriteNode(rightOffset, right) || !WriteNode(offset, left)) return Status::Failed;
  up.key.assign(keys.begin() + m * length, keys.begin() + (m + 1) * length);
  up.value = values[m];
  up.right = rightOffset;
  return Status::Split;
}

// ---- Removal ----

bool RWDiskBTree::RemoveKey(const char* key, RWCString& storedKey, int32_t& value) {
  if (!usable_) return false;
  const Status status = Remove(header_.root, true, key, storedKey, value, 0);
  if (status != Status::Removed && status != Status::Underflow) return false;
  if (status == Status::Underflow) ShrinkRoot();
  if (countKnown_ && header_.keyCount > 0) --header_.keyCount;
  return true;
}

RWDiskBTree::Status RWDiskBTree::Remove(int32_t offset, bool isRoot, const char* key, RWCString& storedKey,
                                        int32_t& value, uint32_t depth) {
  if (offset == -1) return Status::NotFound;
  if (depth >= kMaxDepth) {
    RaiseDamaged();
    return Status::Failed;
  }
  RWDiskBTreeNode node = NewNode();
  if (!ReadNode(offset, node)) return Status::Failed;
  const uint32_t p = Position(node, key);

  if (Equal(node, p, key)) {
    storedKey = StoredKey(node.Key(p));
    value = node.values[p];
    if (node.IsLeaf()) {
      node.RemoveEntry(p);
      if (!WriteNode(offset, node)) return Status::Failed;
      return Underflows(node, isRoot) ? Status::Underflow : Status::Removed;
    }
    // A key in an inner node changes places with its in-order successor,
    // the first key of the leftmost leaf under child p + 1, which leaves
    // that leaf. This node now holds the successor and is written whether
    // or not the leaf's departure needs rebalancing here.
    Entry successor;
    const Status below = RemoveFirst(node.children[p + 1], successor, depth + 1);
    if (below != Status::Removed && below != Status::Underflow) return Status::Failed;
    std::memcpy(node.Key(p), successor.key.data(), successor.key.size());
    node.values[p] = successor.value;
    if (below == Status::Underflow) {
      if (!Rebalance(offset, node, p + 1)) return Status::Failed;
    } else if (!WriteNode(offset, node)) {
      return Status::Failed;
    }
    return Underflows(node, isRoot) ? Status::Underflow : Status::Removed;
  }

  if (node.IsLeaf()) return Status::NotFound;
  const Status below = Remove(node.children[p], false, key, storedKey, value, depth + 1);
  if (below != Status::Underflow) return below;
  if (!Rebalance(offset, node, p)) return Status::Failed;
  return Underflows(node, isRoot) ? Status::Underflow : Status::Removed;
}

RWDiskBTree::Status RWDiskBTree::RemoveFirst(int32_t offset, Entry& taken, uint32_t depth) {
  if (depth >= kMaxDepth) {
    RaiseDamaged();
    return Status::Failed;
  }
  RWDiskBTreeNode node = NewNode();
  if (!ReadNode(offset, node)) return Status::Failed;
  if (node.IsLeaf()) {
    if (node.count == 0) {
      RaiseDamaged();
      return Status::Failed;
    }
    taken.key.assign(node.Key(0), node.Key(0) + header_.keyLength);
    taken.value = node.values[0];
    node.RemoveEntry(0);
    if (!WriteNode(offset, node)) return Status::Failed;
    return Underflows(node, false) ? Status::Underflow : Status::Removed;
  }
  const Status below = RemoveFirst(node.children[0], taken, depth + 1);
  if (below != Status::Underflow) return below;
  if (!Rebalance(offset, node, 0)) return Status::Failed;
  return Underflows(node, false) ? Status::Underflow : Status::Removed;
}

// Child i of the node has too few keys: it borrows one through the
// separator from a sibling with more than the minimum, or is merged with a
// sibling and the separator between them.
bool RWDiskBTree::Rebalance(int32_t offset, RWDiskBTreeNode& node, uint32_t i) {
  const uint32_t n = static_cast<uint32_t>(node.count);
  const int32_t k = header_.minimum;
  if (n == 0 || i > n) {
    RaiseDamaged();
    return false;
  }
  RWDiskBTreeNode child = NewNode();
  RWDiskBTreeNode sibling = NewNode();
  if (!ReadNode(node.children[i], child)) return false;

  enum class Move { FromLeft, FromRight, Merge } move;
  uint32_t mergeAt = 0;  // the left one of the two children merged
  if (i == 0) {
    if (!ReadNode(node.children[1], sibling)) return false;
    move = sibling.count > k ? Move::FromRight : Move::Merge;
    mergeAt = 0;
  } else if (i == n) {
    if (!ReadNode(node.children[n - 1], sibling)) return false;
    move = sibling.count > k ? Move::FromLeft : Move::Merge;
    mergeAt = n - 1;
  } else {
    if (!ReadNode(node.children[i - 1], sibling)) return false;
    if (sibling.count > k) {
      move = Move::FromLeft;
    } else {
      if (!ReadNode(node.children[i + 1], sibling)) return false;
      move = sibling.count > k ? Move::FromRight : Move::Merge;
      mergeAt = i;
    }
  }
  // Siblings are on one level; a damaged file may say otherwise.
  if (child.IsLeaf() != sibling.IsLeaf()) {
    RaiseDamaged();
    return false;
  }

  const size_t length = static_cast<size_t>(header_.keyLength);
  if (move == Move::FromRight) {
    const uint32_t c = static_cast<uint32_t>(child.count);
    child.InsertEntry(c, node.Key(i), node.values[i], sibling.children[0]);
    std::memcpy(node.Key(i), sibling.Key(0), length);
    node.values[i] = sibling.values[0];
    sibling.RemoveFirst();
    return WriteNode(node.children[i + 1], sibling) && WriteNode(offset, node) &&
           WriteNode(node.children[i], child);
  }
  if (move == Move::FromLeft) {
    const uint32_t s = static_cast<uint32_t>(sibling.count);
    const int32_t movedChild = sibling.children[s];
    child.InsertEntry(0, node.Key(i - 1), node.values[i - 1], child.children[0]);
    child.children[0] = movedChild;
    std::memcpy(node.Key(i - 1), sibling.Key(s - 1), length);
    node.values[i - 1] = sibling.values[s - 1];
    sibling.children[s] = -1;
    std::memset(sibling.Key(s - 1), 0, length);
    sibling.values[s - 1] = 0;
    --sibling.count;
    return WriteNode(node.children[i - 1], sibling) && WriteNode(offset, node) &&
           WriteNode(node.children[i], child);
  }

  // Merge children j and j + 1 into child j.
  const uint32_t j = mergeAt;
  RWDiskBTreeNode& left = (j == i) ? child : sibling;
  RWDiskBTreeNode& right = (j == i) ? sibling : child;
  const uint32_t a = static_cast<uint32_t>(left.count);
  const uint32_t b = static_cast<uint32_t>(right.count);
  if (a + 1 + b > left.MaxKeys()) {
    RaiseDamaged();
    return false;
  }
  std::memcpy(left.Key(a), node.Key(j), length);
  left.values[a] = node.values[j];
  for (uint32_t t = 0; t < b; ++t) {
    std::memcpy(left.Key(a + 1 + t), right.Key(t), length);
    left.values[a + 1 + t] = right.values[t];
  }
  for (uint32_t t = 0; t <= b; ++t) left.children[a + 1 + t] = right.children[t];
  left.count = static_cast<int32_t>(a + 1 + b);
  const int32_t leftOffset = node.children[j];
  const int32_t rightOffset = node.children[j + 1];
  node.RemoveEntry(j);
  if (!WriteNode(offset, node) || !WriteNode(leftOffset, left)) return false;
  ReleaseNode(rightOffset);
  return true;
}

// The root has no key left: its only child becomes the root, or the tree is
// empty when it was a leaf.
bool RWDiskBTree::ShrinkRoot() {
  const int32_t old = header_.root;
  const int32_t next = rootNode_->children[0];
  ReleaseNode(old);
  header_.root = next;
  rootLoaded_ = false;
  if (next != -1) {
    if (!ReadNode(next, *rootNode_)) {
      header_.root = -1;
      *rootNode_ = NewNode();
      WriteHeader();
      return false;
    }
    rootLoaded_ = true;
  } else {
    *rootNode_ = NewNode();
  }
  return WriteHeader();
}

// ---- Whole-tree operations ----

bool RWDiskBTree::FlushNodes() {
  if (!cache_ || cache_->FlushBlocks()) return true;
  RaiseIo(RWFileIoError::Write);
  return false;
}

uint32_t RWDiskBTree::NodeBudget() {
  // The file's length counts the nodes only once they are all in it.
  if (!FlushNodes() || !manager_->SeekToEnd()) return 1;
  const int64_t length = manager_->CurrentOffset();
  return length > 0 ? static_cast<uint32_t>(length / nodeSize_) + 1 : 1;
}

bool RWDiskBTree::Walk(int32_t offset, uint32_t depth, uint32_t& budget, RWDiskBTreeApply function, void* userData,
                       std::vector<int32_t>* postOrder) {
  if (offset == -1) return true;
  if (depth >= kMaxDepth || budget == 0) {
    // More nodes than the file can hold: shared or looping child pointers.
    RaiseDamaged();
    return false;
  }
  --budget;
  RWDiskBTreeNode node = NewNode();
  if (!ReadNode(offset, node)) return false;
  const bool leaf = node.IsLeaf();
  for (int32_t i = 0; i <= node.count; ++i) {
    if (!leaf && !Walk(node.children[i], depth + 1, budget, function, userData, postOrder)) return false;
    if (i < node.count && function) function(node.Key(static_cast<uint32_t>(i)), node.values[i], userData);
  }
  if (postOrder) postOrder->push_back(offset);
  return true;
}

void RWDiskBTree::Apply(RWDiskBTreeApply function, void* userData) {
  if (!usable_ || !function) return;
  uint32_t budget = NodeBudget();
  Walk(header_.root, 0, budget, function, userData, nullptr);
}

void RWDiskBTree::Clear() {
  if (!usable_) return;
  // Every node is found before any is released, so a damaged tree is left
  // as it was instead of being released in part or twice.
  std::vector<int32_t> nodes;
  uint32_t budget = NodeBudget();
  if (!Walk(header_.root, 0, budget, nullptr, nullptr, &nodes)) return;
  std::vector<int32_t> sorted = nodes;
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
    RaiseDamaged();
    return;
  }
  for (int32_t offset : nodes) ReleaseNode(offset);
  header_.root = -1;
  header_.keyCount = 0;
  countKnown_ = true;
  rootLoaded_ = false;
  *rootNode_ = NewNode();
  WriteHeader();
}

uint32_t RWDiskBTree::EntryCount() {
  if (!usable_) return 0;
  if (!countKnown_) {
    uint32_t count = 0;
    uint32_t budget = NodeBudget();
    if (!Walk(header_.root, 0, budget, &CountKey, &count, nullptr)) return count;
    header_.keyCount = static_cast<int32_t>(count);
    countKnown_ = true;
  }
  return static_cast<uint32_t>(header_.keyCount);
}

uint32_t RWDiskBTree::Height() {
  if (!usable_) return 0;
  RWDiskBTreeNode node = NewNode();
  uint32_t levels = 0;
  for (int32_t offset = header_.root; offset != -1; offset = node.children[0]) {
    if (levels >= kMaxDepth) {
      RaiseDamaged();
      return levels;
    }
    if (!ReadNode(offset, node)) return levels;
    ++levels;
  }
  return levels;
}

uint32_t RWDiskBTree::SetCacheSize(uint32_t n) {
  const uint32_t previous = cacheSize_;
  if (n == previous) return previous;
  cacheSize_ = n;
  if (cache_) {
    cache_.reset();  // flushes the file
    cache_ = std::make_unique<RWBlockCache>(manager_, CacheCapacity(), nodeSize_, true);
  }
  return previous;
}

uint32_t RWDiskBTree::CacheCapacity() const {
  const uint32_t least = nodeSize_ != 0 ? kLeastCachedBytes / nodeSize_ : 1;
  return std::max(cacheSize_, least);
}

void RWDiskBTree::ReleaseNode(int32_t offset) {
  if (cache_) cache_->Forget(offset);
  manager_->Release(offset);
}

RWDiskBTreeCompare RWDiskBTree::SetCompare(RWDiskBTreeCompare function) {
  const RWDiskBTreeCompare previous = compare_;
  compare_ = function;
  return previous;
}

void RWDiskBTree::RaiseIo(int code) const {
  const RWMessageRecord* record = code == RWFileIoError::Seek   ? RWToolsMsg_SEEKERR()
                                  : code == RWFileIoError::Read ? RWToolsMsg_READERR()
                                                                : RWToolsMsg_WRITEERR();
  RWRaiseFileIoError(RWFileIoError(RWMessageText(record), manager_ ? manager_->Handle() : nullptr, code));
}
