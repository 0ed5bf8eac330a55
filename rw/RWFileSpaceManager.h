// RWFileSpaceManager: a typed binary file used as a heap. Callers allocate
// blocks of n bytes and get file offsets back, and release blocks by offset;
// the free space is kept in the file itself, in a ring of free-list nodes, so
// holes survive closing and reopening the file.
#pragma once

#include <cstdint>

#include "rw/RWBinaryFile.h"

class RWFileSpaceManager;

// Where the fields of one kind of free-list node lie. Two kinds exist: the
// 268-byte node with 32 holes of current files and the 92-byte node with 10
// holes of older files.
struct RWFreeListLayout {
  uint32_t nodeSize;       // bytes of a node on disk
  uint16_t magic;          // value of the first 16 bits
  uint32_t maxHoles;       // hole entries per node
  uint32_t offsetsAt;      // byte position of the hole offsets
  uint32_t sizesAt;        // byte position of the hole sizes
  uint32_t countAt;        // byte position of the number of holes in use
  uint32_t nextAt;         // byte position of the next node's offset

  static const RWFreeListLayout& Large();  // 268 bytes, 32 holes, magic 0x1235
  static const RWFreeListLayout& Small();  // 92 bytes, 10 holes, magic 0x1234
};

// One free-list node in memory. Holes are (block offset, size) pairs kept in
// ascending order of offset; only the first `count` entries are in use.
struct RWFreeListNode {
  static constexpr uint32_t kMaxHoles = 32;
  uint16_t magic = 0;
  int32_t offsets[kMaxHoles] = {};
  int32_t sizes[kMaxHoles] = {};
  int32_t count = 0;
  int32_t next = 0;

  void Encode(const RWFreeListLayout& layout, unsigned char* bytes) const;
  void Decode(const RWFreeListLayout& layout, const unsigned char* bytes);
};

// The free list of a manager: where blocks come from and where released
// blocks go. It keeps one node in memory, the one where the last operation
// ended, and starts the next operation there.
class RWFreeList {
 public:
  virtual ~RWFreeList();
  // User offset of a block of at least n bytes, -1 on failure.
  virtual int32_t Allocate(uint32_t n) = 0;
  // Gives back the block whose user offset is given.
  virtual void Release(int32_t userOffset) = 0;
  // Kept for the interface's shape; does nothing.
  virtual void Reserved() {}
};

// The free list over a ring of nodes of one layout. Every change of a node is
// written to the file at once.
class RWRingFreeList : public RWFreeList {
 public:
  RWRingFreeList(RWFileSpaceManager* manager, const RWFreeListLayout& layout);
  ~RWRingFreeList() override;

  // Loads the first node (offset 12); false (after the raise) when it cannot
  // be read or is not a sound node.
  bool LoadFirst();

  int32_t Allocate(uint32_t n) override;
  void Release(int32_t userOffset) override;

 private:
  enum class Fit { Taken, Full, Overlaps };

  bool Load(int32_t nodeOffset);
  bool Store();
  bool StoreAt(int32_t nodeOffset, const RWFreeListNode& node);
  int32_t AllocateBlock(int64_t size);
  bool RemoveEmptyNode();
  bool InsertHole(int32_t offset, int32_t size);
  bool AddNode(int32_t offset, int32_t size);
  Fit TryInsert(RWFreeListNode& node, int32_t offset, int32_t size) const;
  bool IsSoundNode(const RWFreeListNode& node) const;
  bool IsNodeOffset(int64_t nodeOffset) const;
  uint32_t RingLimit() const;

  RWFileSpaceManager* manager_;
  const RWFreeListLayout& layout_;
  int32_t loaded_;        // file offset of the node held in node_
  RWFreeListNode node_;
};

class RWFileSpaceManager : public RWBinaryFile {
 public:
  static constexpr int32_t kFirstNodeOffset = 12;

  // Opens the file (without a mode: "rb+", else "wb+"). A new file gets the
  // header and an empty first node; an existing one has its header read and
  // its free list set up. A damaged header or first node raises FLIST,
  // MAGIC, READERR or SEEKERR and leaves the manager without a free list.
  RWFileSpaceManager(const char* name, const char* mode = nullptr);
  ~RWFileSpaceManager();

  RWFileSpaceManager(const RWFileSpaceManager&) = delete;
  RWFileSpaceManager& operator=(const RWFileSpaceManager&) = delete;

  // User offset of a block of at least n bytes; -1 when no block can be had
  // (no free list, a file error, a damaged free list).
  int32_t Allocate(uint32_t n);
  // Gives a block back. -1 and the first block are ignored.
  void Release(int32_t userOffset);

  // Whoever keeps changed blocks of this file in memory (the disk B-tree's
  // node cache) writes them at every Flush of the manager, before the file
  // itself is flushed, so that a flushed file holds them. One writer at a
  // time. The writer answers false when it could not.
  using BlockWriter = bool (*)(void* owner);
  void SetBlockWriter(BlockWriter writer, void* owner) {
    blockWriter_ = writer;
    blockWriterOwner_ = owner;
  }
  // Removes the owner's writer (another's stays).
  void RemoveBlockWriter(void* owner) {
    if (blockWriterOwner_ == owner) SetBlockWriter(nullptr, nullptr);
  }
  // The block writer's blocks, then the file's buffer.
  bool Flush();

  static int32_t HeaderSize() { return 12; }
  // User offset of the first block ever allocated, -1 before that.
  int32_t FirstBlock() const { return firstBlock_; }

 private:
  friend class RWRingFreeList;

  void Open();
  // Offset where blocks may start: after the header and the first node.
  int32_t DataStart() const;
  // The length of the file now, 0 when it cannot be found.
  int64_t FileLength();
  bool SetEndOfSpace(int64_t end);

  // Positioned transfers of raw bytes; each raises SEEKERR, READERR or
  // WRITEERR on failure and returns false.
  bool ReadAt(int64_t offset, void* bytes, uint32_t count);
  bool WriteAt(int64_t offset, const void* bytes, uint32_t count);
  bool ReadWordAt(int64_t offset, int32_t& value);
  bool WriteWordAt(int64_t offset, int32_t value);

  void RaiseIo(int code);
  void RaiseDamaged();

  RWFreeList* freeList_ = nullptr;
  int32_t firstBlock_ = -1;
  int32_t endOfSpace_ = 0;
  const RWFreeListLayout* layout_ = nullptr;
  BlockWriter blockWriter_ = nullptr;
  void* blockWriterOwner_ = nullptr;
};
