#include "rw/RWBlockCache.h"

#include <algorithm>
#include <cstring>

#include "rw/RWBinaryFile.h"

namespace {

uint32_t LimitCapacity(uint32_t capacity, uint32_t blockSize) {
  const uint32_t most = blockSize ? 0xFFFFFFFFu / blockSize : 0xFFFFFFFFu;
  if (capacity > most) capacity = most;
  return capacity ? capacity : 1;
}

}  // namespace

RWBlockCache::RWBlockCache(RWBinaryFile* file, uint32_t capacity, uint32_t blockSize, bool writeBack)
    : file_(file), writeBack_(writeBack), capacity_(LimitCapacity(capacity, blockSize)), blockSize_(blockSize) {}

RWBlockCache::~RWBlockCache() {
  if (file_) {
    FlushBlocks();
    file_->Flush();
  }
}

bool RWBlockCache::FlushBlocks() {
  std::vector<std::pair<int32_t, uint32_t>> changed;
  for (uint32_t i = 0; i < used_; ++i)
    if (dirty_[i] && offsets_[i] != -1) changed.emplace_back(offsets_[i], i);
  std::sort(changed.begin(), changed.end());
  bool ok = true;
  for (const auto& [offset, slot] : changed) {
    // A block that cannot be written is not written again and again.
    dirty_[slot] = false;
    if (!WriteThrough(offset, blocks_[slot].data())) ok = false;
  }
  return ok;
}

int32_t RWBlockCache::Lookup(int32_t offset) {
  ++clock_;
  const auto found = slotOf_.find(offset);
  return found != slotOf_.end() ? static_cast<int32_t>(found->second) : -1;
}

void RWBlockCache::Vacate(uint32_t slot) {
  if (offsets_[slot] != -1) slotOf_.erase(offsets_[slot]);
  offsets_[slot] = -1;
  dirty_[slot] = false;
  // Unused at once: the next slot given up.
  lastUse_[slot] = 0;
}

void RWBlockCache::Occupy(uint32_t slot, int32_t offset) {
  if (offsets_[slot] != offset) {
    if (offsets_[slot] != -1) slotOf_.erase(offsets_[slot]);
    offsets_[slot] = offset;
    slotOf_[offset] = slot;
  }
  lastUse_[slot] = clock_;
}

int32_t RWBlockCache::FreeSlot() {
  if (used_ < capacity_) {
    // Slots are made as they are first needed, so a large capacity costs
    // nothing until it is used.
    offsets_.push_back(-1);
    lastUse_.push_back(0);
    dirty_.push_back(false);
    blocks_.emplace_back(blockSize_);
    return static_cast<int32_t>(used_++);
  }
  // Every slot is taken: the one unused longest is given up. Written
  // through, the file is flushed first so that the block's bytes have left
  // the stdio buffer.
  if (!writeBack_ && !file_->Flush()) return -1;
  if (lruOrder_.size() != used_) {
    lruOrder_.clear();
    for (uint32_t i = 0; i < used_; ++i) lruOrder_.emplace(lastUse_[i], i);
  }
  // The oldest entry of the order whose slot has not been used since.
  for (;;) {
    const auto oldest = lruOrder_.begin();
    const uint32_t slot = oldest->second;
    const uint64_t stamp = oldest->first;
    lruOrder_.erase(oldest);
    if (lastUse_[slot] == stamp) {
      // A changed block reaches the file before its slot is given up.
      if (dirty_[slot] && offsets_[slot] != -1) {
        dirty_[slot] = false;
        if (!WriteThrough(offsets_[slot], blocks_[slot].data())) {
          lruOrder_.emplace(lastUse_[slot], slot);
          return -1;
        }
      }
      Vacate(slot);
      // Back in the order; the use that follows makes this entry stale.
      lruOrder_.emplace(lastUse_[slot], slot);
      return static_cast<int32_t>(slot);
    }
    lruOrder_.emplace(lastUse_[slot], slot);
  }
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
      Vacate(static_cast<uint32_t>(slot));
      return false;
    }
  }
  Occupy(static_cast<uint32_t>(slot), offset);
  std::memcpy(buffer, blocks_[slot].data(), blockSize_);
  return true;
}

bool RWBlockCache::Write(int32_t offset, const void* buffer) {
  if (offset < 0) return false;
  int32_t slot = Lookup(offset);
  if (slot < 0) slot = FreeSlot();
  if (slot < 0) return false;
  std::memcpy(blocks_[slot].data(), buffer, blockSize_);
  Occupy(static_cast<uint32_t>(slot), offset);
  if (writeBack_) {
    dirty_[slot] = true;
    return true;
  }
  if (WriteThrough(offset, blocks_[slot].data())) return true;
  // What the file does not hold must not be served from the cache.
  Vacate(static_cast<uint32_t>(slot));
  return false;
}

void RWBlockCache::Forget(int32_t offset) {
  const auto found = slotOf_.find(offset);
  if (found != slotOf_.end()) Vacate(found->second);
}

bool RWBlockCache::WriteThrough(int32_t offset, const unsigned char* bytes) {
  return file_->SeekTo(offset) && file_->WriteChars(reinterpret_cast<const char*>(bytes), blockSize_);
}
