#include "rw/RWBlockCache.h"

#include <cstring>

#include "rw/RWBinaryFile.h"

namespace {

uint32_t LimitCapacity(uint32_t capacity, uint32_t blockSize) {
  const uint32_t most = blockSize ? 0xFFFFFFFFu / blockSize : 0xFFFFFFFFu;
  if (capacity > most) capacity = most;
  return capacity ? capacity : 1;
}

}  // namespace

RWBlockCache::RWBlockCache(RWBinaryFile* file, uint32_t capacity, uint32_t blockSize)
    : file_(file), capacity_(LimitCapacity(capacity, blockSize)), blockSize_(blockSize) {}

RWBlockCache::~RWBlockCache() {
  if (file_) file_->Flush();
}

int32_t RWBlockCache::Lookup(int32_t offset) {
  int32_t hit = -1;
  for (uint32_t i = 0; i < used_; ++i) {
    if (ages_[i] < 0xFFFFFFFFu) ++ages_[i];
    if (hit < 0 && offsets_[i] == offset) hit = static_cast<int32_t>(i);
  }
  return hit;
}

int32_t RWBlockCache::FreeSlot() {
  if (used_ < capacity_) {
    // Slots are made as they are first needed, so a large capacity costs
    // nothing until it is used.
    offsets_.push_back(-1);
    ages_.push_back(0);
    blocks_.emplace_back(blockSize_);
    return static_cast<int32_t>(used_++);
  }
  // Every slot is taken: the one unused longest is given up. The file is
  // flushed first so that the block's bytes have left the stdio buffer.
  if (!file_->Flush()) return -1;
  uint32_t oldest = 0;
  for (uint32_t i = 1; i < used_; ++i)
    if (ages_[i] > ages_[oldest]) oldest = i;
  offsets_[oldest] = -1;
  return static_cast<int32_t>(oldest);
}

bool RWBlockCache::Read(int32_t offset, void* buffer) {
  if (offset < 0) return false;
  int32_t slot = Lookup(offset);
  if (slot < 0) {
    slot = FreeSlot();
    if (slot < 0) return false;
    std::vector<unsigned char>& block = blocks_[slot];
    if (!file_->SeekTo(offset) || !file_->ReadChars(reinterpret_cast<char*>(block.data()), blockSize_)) {
      // The slot holds nothing usable; it stays free for the next block.
      offsets_[slot] = -1;
      ages_[slot] = 0xFFFFFFFFu;
      return false;
    }
    offsets_[slot] = offset;
  }
  ages_[slot] = 0;
  std::memcpy(buffer, blocks_[slot].data(), blockSize_);
  return true;
}

bool RWBlockCache::Write(int32_t offset, const void* buffer) {
  if (offset < 0) return false;
  int32_t slot = Lookup(offset);
  if (slot < 0) slot = FreeSlot();
  if (slot < 0) return false;
  std::memcpy(blocks_[slot].data(), buffer, blockSize_);
  offsets_[slot] = offset;
  ages_[slot] = 0;
  if (WriteThrough(offset, blocks_[slot].data())) return true;
  // What the file does not hold must not be served from the cache.
  offsets_[slot] = -1;
  ages_[slot] = 0xFFFFFFFFu;
  return false;
}

bool RWBlockCache::WriteThrough(int32_t offset, const unsigned char* bytes) {
  return file_->SeekTo(offset) && file_->WriteChars(reinterpret_cast<const char*>(bytes), blockSize_);
}
