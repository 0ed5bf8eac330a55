#include "graphics/GCodeSet.h"

#include <utility>

GCodeSet::GCodeSet(const GCodeSet& other) { CopyBlocks(other.head_); }

GCodeSet::GCodeSet(GCodeSet&& other) noexcept : head_(std::exchange(other.head_, nullptr)) { ++other.clears_; }

GCodeSet& GCodeSet::operator=(const GCodeSet& other) {
  if (this != &other) {
    Clear();
    CopyBlocks(other.head_);
  }
  return *this;
}

GCodeSet& GCodeSet::operator=(GCodeSet&& other) noexcept {
  if (this != &other) {
    Clear();
    head_ = std::exchange(other.head_, nullptr);
    ++other.clears_;
  }
  return *this;
}

GCodeSet::~GCodeSet() { Clear(); }

void GCodeSet::Clear() {
  // One block after another: a long list is freed without recursion.
  while (head_ != nullptr) {
    Block* next = head_->next;
    delete head_;
    head_ = next;
  }
  ++clears_;
}

void GCodeSet::CopyBlocks(const Block* from) {
  Block** tail = &head_;
  for (; from != nullptr; from = from->next) {
    Block* block = new Block(*from);
    block->next = nullptr;
    *tail = block;
    tail = &block->next;
  }
}

int GCodeSet::Add(uint32_t code) {
  const int byte = static_cast<int>((code >> 3) & 15);
  Block* previous = nullptr;
  Block* current = head_;
  // Blocks below the code's are passed; the code's block is the next one when
  // it exists, otherwise a new block goes in before it.
  while (current != nullptr && !Holds(*current, code) && current->base < code) {
    previous = current;
    current = current->next;
  }
  if (current == nullptr || !Holds(*current, code)) {
    Block* block = new Block;
    block->base = code & ~(kBlockCodes - 1);
    block->next = current;
    (previous != nullptr ? previous->next : head_) = block;
    current = block;
  }
  current->bits[byte] |= static_cast<uint8_t>(1u << (code & 7));
  return byte;
}

GCodeSet::Block* GCodeSet::Find(uint32_t code) const {
  for (Block* block = head_; block != nullptr && block->base <= code; block = block->next)
    if (Holds(*block, code)) return block;
  return nullptr;
}

void GCodeSet::Remove(uint32_t code) {
  if (Block* block = Find(code)) block->bits[(code >> 3) & 15] &= static_cast<uint8_t>(~(1u << (code & 7)));
}

int GCodeSet::Contains(uint32_t code) const {
  const Block* block = Find(code);
  return block != nullptr && (block->bits[(code >> 3) & 15] >> (code & 7)) & 1 ? 1 : 0;
}

int GCodeSet::ForEach(Callback callback, void* userData) const {
  int result = 0;
  if (callback == nullptr) return result;
  const uint32_t clears = clears_;
  for (const Block* block = head_; block != nullptr; block = block->next) {
    for (uint32_t i = 0; i < kBlockCodes; ++i) {
      if (((block->bits[i >> 3] >> (i & 7)) & 1) == 0) continue;
      result = callback(block->base + i, userData);
      // The callback freed the blocks: the one in hand is gone.
      if (clears_ != clears) return result;
    }
  }
  return result;
}
