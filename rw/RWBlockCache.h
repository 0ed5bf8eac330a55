// RWBlockCache: a small write-through cache of equal-sized blocks of a typed
// binary file, keyed by file offset. The disk B-tree reads and writes its
// nodes through it, so the upper levels of the tree stay in memory between
// operations. Written through, the file always holds what the cache holds;
// written back (as the tree asks), a changed block reaches the file when it
// is given up, at FlushBlocks, or when the cache ends. A block is
// found by its offset in constant time, and the block unused longest is the
// one given up, so a large cache costs no more per access than a small one.
#pragma once

#include <cstdint>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

class RWBinaryFile;

class RWBlockCache {
 public:
  // A cache of `capacity` blocks of `blockSize` bytes over the file (not
  // owned). The capacity is kept to at least one block and to what 32-bit
  // byte counts can hold.
  RWBlockCache(RWBinaryFile* file, uint32_t capacity, uint32_t blockSize, bool writeBack = false);
  // Writes the changed blocks and flushes the file.
  ~RWBlockCache();

  RWBlockCache(const RWBlockCache&) = delete;
  RWBlockCache& operator=(const RWBlockCache&) = delete;

  // Copies the block at the offset into the buffer (blockSize bytes), from
  // the cache or from the file; false when the file cannot give it.
  bool Read(int32_t offset, void* buffer);
  // Copies the buffer into the cache and, written through, to the file at
  // once: the result is that of the file write. Written back, the block is
  // only marked changed (true unless a changed block given up for it could
  // not be written).
  bool Write(int32_t offset, const void* buffer);
  // Writes every changed block to the file, in the order of their offsets;
  // false when one could not be written.
  bool FlushBlocks();

  // Drops the block at the offset, if held: its space is being given back
  // to the file and may hold something else next.
  void Forget(int32_t offset);

  uint32_t Capacity() const { return capacity_; }
  uint32_t BlockSize() const { return blockSize_; }

 private:
  // Advances the clock of uses and returns the slot holding the offset, or
  // -1.
  int32_t Lookup(int32_t offset);
  // A slot for a new block: an unused one while there are any, else the
  // one unused longest after a flush of the file; -1 when the flush fails.
  int32_t FreeSlot();
  // The slot holds nothing and is the first to be given up.
  void Vacate(uint32_t slot);
  // The slot holds the offset's block, used now.
  void Occupy(uint32_t slot, int32_t offset);
  bool WriteThrough(int32_t offset, const unsigned char* bytes);

  RWBinaryFile* file_;
  bool writeBack_;
  uint32_t capacity_;
  uint32_t used_ = 0;
  uint32_t blockSize_;
  uint64_t clock_ = 0;            // lookups so far
  std::vector<int32_t> offsets_;  // per slot: file offset held, -1 for none
  std::vector<uint64_t> lastUse_; // per slot: the clock at its last use, 0 for none
  std::vector<bool> dirty_;       // per slot: changed since it was written
  std::vector<std::vector<unsigned char>> blocks_;
  std::unordered_map<int32_t, uint32_t> slotOf_;  // offset -> slot
  // Once every slot is made: (last use, slot) for each slot, oldest first.
  // An entry whose slot was used since is stale and put right when met.
  std::set<std::pair<uint64_t, uint32_t>> lruOrder_;
};
