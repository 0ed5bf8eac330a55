// RWBlockCache: a small write-through cache of equal-sized blocks of a typed
// binary file, keyed by file offset. The disk B-tree reads and writes its
// nodes through it, so the upper levels of the tree stay in memory between
// operations while the file always holds what the cache holds.
#pragma once

#include <cstdint>
#include <vector>

class RWBinaryFile;

class RWBlockCache {
 public:
  // A cache of `capacity` blocks of `blockSize` bytes over the file (not
  // owned). The capacity is kept to at least one block and to what 32-bit
  // byte counts can hold.
  RWBlockCache(RWBinaryFile* file, uint32_t capacity, uint32_t blockSize);
  // Flushes the file.
  ~RWBlockCache();

  RWBlockCache(const RWBlockCache&) = delete;
  RWBlockCache& operator=(const RWBlockCache&) = delete;

  // Copies the block at the offset into the buffer (blockSize bytes), from
  // the cache or from the file; false when the file cannot give it.
  bool Read(int32_t offset, void* buffer);
  // Copies the buffer into the cache and writes it to the file at once;
  // the result is that of the file write.
  bool Write(int32_t offset, const void* buffer);

  uint32_t Capacity() const { return capacity_; }
  uint32_t BlockSize() const { return blockSize_; }

 private:
  // Ages every slot in use by one and returns the slot holding the offset,
  // or -1.
  int32_t Lookup(int32_t offset);
  // A slot for a new block: an unused one while there are any, else the
  // oldest after a flush of the file; -1 when the flush fails.
  int32_t FreeSlot();
  bool WriteThrough(int32_t offset, const unsigned char* bytes);

  RWBinaryFile* file_;
  uint32_t capacity_;
  uint32_t used_ = 0;
  uint32_t blockSize_;
  std::vector<int32_t> offsets_;  // per slot: file offset held, -1 for none
  std::vector<uint32_t> ages_;    // per slot: lookups since its last use
  std::vector<std::vector<unsigned char>> blocks_;
};
