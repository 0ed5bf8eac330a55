// RWDiskBTree: an index from fixed-length keys to 32-bit values kept in
// blocks of a file-space manager's file. Nodes are read and written through
// a block cache of a few megabytes at least, so that the nodes of a tree of
// some hundred thousand keys stay in memory. Changed nodes are written back:
// they reach the file before the header is written (a new root, closing),
// before a walk of the whole tree, when the cache gives them up, and at
// every Flush of the file-space manager. The tree's header sits in a block
// of the same file, by default the file's first block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "rw/RWCString.h"

class RWBlockCache;
class RWFileSpaceManager;

// Three-way comparison of a stored key field with a key, over the key length.
typedef int (*RWDiskBTreeCompare)(const char* stored, const char* key, size_t length);
// Called for every key in order with its key field (key length bytes), its
// value and the caller's data.
typedef void (*RWDiskBTreeApply)(const char* keyField, int32_t value, void* userData);

// The tree's header: ten 32-bit little-endian fields, 40 bytes.
struct RWDiskBTreeHeader {
  static constexpr uint32_t kSize = 40;
  static constexpr int32_t kVersion = 512;

  int32_t root = -1;
  int32_t reserved1 = -1;
  int32_t version = kVersion;
  int32_t keyCount = 0;
  int32_t keyLength = 16;
  int32_t order = 10;
  int32_t minimum = 10;
  int32_t reserved2 = -1;
  int32_t reserved3 = 0;
  int32_t flags = 0;  // bit 0: keys compare as bytes

  void Encode(unsigned char* bytes) const;
  void Decode(const unsigned char* bytes);
};

// One node in memory. On disk: the key count, 2m + 1 child offsets, 2m
// values and 2m key fields of L bytes, 8 + 16m + 2mL bytes in all.
class RWDiskBTreeNode {
 public:
  RWDiskBTreeNode(uint32_t order, uint32_t keyLength);

  static uint64_t DiskSize(uint32_t order, uint32_t keyLength);

  int32_t count = 0;
  std::vector<int32_t> children;  // 2m + 1; -1 for none
  std::vector<int32_t> values;    // 2m
  std::vector<char> keys;         // 2m key fields

  bool IsLeaf() const { return children[0] == -1; }
  uint32_t MaxKeys() const { return static_cast<uint32_t>(values.size()); }
  char* Key(uint32_t i) { return keys.data() + static_cast<size_t>(i) * keyLength_; }
  const char* Key(uint32_t i) const { return keys.data() + static_cast<size_t>(i) * keyLength_; }

  // Puts key, value and the child to its right at position p; later entries
  // move up one place. The node must have room.
  void InsertEntry(uint32_t p, const char* key, int32_t value, int32_t rightChild);
  // Removes key p, its value and the child to its right.
  void RemoveEntry(uint32_t p);
  // Removes key 0, its value and child 0.
  void RemoveFirst();

  void Encode(unsigned char* bytes) const;
  void Decode(const unsigned char* bytes);

 private:
  uint32_t keyLength_;
};

class RWDiskBTree {
 public:
  // Opens the tree in the manager's file (not owned). With a header
  // location the header is read from there; without one the file's first
  // block holds it (allocated and written in a new file, or always with
  // createNew). With the compatible flag the "header" is only the root
  // offset. A header that cannot be read or holds impossible parameters
  // raises READERR and leaves the tree empty and unusable.
  RWDiskBTree(RWFileSpaceManager* manager, uint32_t cacheSize = 10, int createNew = 0, uint32_t keyLength = 16,
              int binaryKeys = 0, int32_t headerLocation = -1, int compatible = 0, uint32_t order = 10,
              uint32_t minimum = 10);
  // Writes the header back unless the file was opened read-only.
  ~RWDiskBTree();

  RWDiskBTree(const RWDiskBTree&) = delete;
  RWDiskBTree& operator=(const RWDiskBTree&) = delete;

  // True when found: the value and the stored key (text keys up to their
  // NUL, binary keys all L bytes); value -1 otherwise.
  bool FindKey(const char* key, RWCString& storedKey, int32_t& value);
  // False when the key is present already (nothing changes) or on failure.
  bool InsertKey(const char* key, int32_t value);
  bool RemoveKey(const char* key, RWCString& storedKey, int32_t& value);
  bool ReplaceValue(const char* key, int32_t newValue, int32_t& oldValue);
  // Releases every node's block and empties the tree.
  void Clear();

  // Writes the changed nodes to the file (the header is written on closing);
  // false after the raise when one could not be written.
  bool FlushNodes();

  uint32_t EntryCount();
  // Levels of the tree, following child 0.
  uint32_t Height();
  // Visits every key in order.
  void Apply(RWDiskBTreeApply function, void* userData);

  // The nodes the cache should hold at least (it always holds a few
  // megabytes' worth); returns the previous request.
  uint32_t SetCacheSize(uint32_t n);
  RWDiskBTreeCompare SetCompare(RWDiskBTreeCompare function);

 private:
  enum class Status { Done, Duplicate, Split, NotFound, Removed, Underflow, Failed };
  struct Entry {
    std::vector<char> key;
    int32_t value = -1;
    int32_t right = -1;
  };

  bool SetParameters(int64_t keyLength, int64_t order, int64_t minimum);
  void OpenHeader(int createNew, int32_t location, int compatible);
  bool ReadHeader();
  bool WriteHeader();
  bool CreateHeader(uint32_t bytes);

  RWDiskBTreeNode NewNode() const;
  bool ReadNode(int32_t offset, RWDiskBTreeNode& node);
  bool WriteNode(int32_t offset, const RWDiskBTreeNode& node);
  bool IsSoundNode(const RWDiskBTreeNode& node) const;
  // The cache's capacity in nodes: the size asked for, or more.
  uint32_t CacheCapacity() const;
  // Gives a node's block back to the file, and drops it from the cache.
  void ReleaseNode(int32_t offset);
  uint32_t Position(const RWDiskBTreeNode& node, const char* key) const;
  bool Equal(const RWDiskBTreeNode& node, uint32_t p, const char* key) const;
  RWCString StoredKey(const char* field) const;
  void StoreKey(char* field, const char* key) const;
  bool Underflows(const RWDiskBTreeNode& node, bool isRoot) const;

  Status Insert(int32_t offset, const char* key, int32_t value, Entry& up, uint32_t depth);
  Status Remove(int32_t offset, bool isRoot, const char* key, RWCString& storedKey, int32_t& value,
                uint32_t depth);
  Status RemoveFirst(int32_t offset, Entry& taken, uint32_t depth);
  bool Rebalance(int32_t offset, RWDiskBTreeNode& node, uint32_t i);
  bool ShrinkRoot();

  // Walks in order (or post order for the offsets) within the budget of
  // nodes the file can hold; false after the raise when the tree is damaged.
  bool Walk(int32_t offset, uint32_t depth, uint32_t& budget, RWDiskBTreeApply function, void* userData,
            std::vector<int32_t>* postOrder);
  uint32_t NodeBudget();

  void RaiseIo(int code) const;
  void RaiseDamaged() const { RaiseIo(2); }

  std::unique_ptr<RWDiskBTreeNode> rootNode_;
  RWDiskBTreeCompare compare_;
  int32_t headerLocation_ = -1;
  uint32_t nodeSize_ = 0;
  RWFileSpaceManager* manager_;
  std::unique_ptr<RWBlockCache> cache_;
  uint32_t cacheSize_;
  RWDiskBTreeHeader header_;
  bool compatible_ = false;
  bool usable_ = false;
  bool countKnown_ = true;
  bool rootLoaded_ = false;  // rootNode_ holds the node at header_.root
  std::vector<unsigned char> scratch_;  // a node's bytes on their way to or from the cache
};
