#include "graphics/GGlyphCodeAllocator.h"

GGlyphCodeAllocator::GGlyphCodeAllocator() : GGlyphCodeAllocator(kPageCount) {}

GGlyphCodeAllocator::GGlyphCodeAllocator(uint32_t pageCount)
    : pageCount_(pageCount < kPageSize ? pageCount : kPageSize) {}

GGlyphCodeAllocator::~GGlyphCodeAllocator() = default;

void GGlyphCodeAllocator::Reset() {
  pages_.reset();
  nextCode_ = kFirstCode;
  exhausted_ = false;
}

uint16_t* GGlyphCodeAllocator::Entry(uint32_t page, uint32_t slot) {
  if (page >= pageCount_ || slot >= kPageSize) return nullptr;
  if (!pages_) pages_ = std::make_unique<std::unique_ptr<uint16_t[]>[]>(pageCount_);
  std::unique_ptr<uint16_t[]>& codes = pages_[page];
  if (!codes) codes = std::make_unique<uint16_t[]>(kPageSize);  // value-initialised: all 0
  return &codes[slot];
}

uint16_t GGlyphCodeAllocator::Hand(uint16_t& entry, uint16_t code) {
  const uint16_t before = nextCode_;
  entry = code;
  Advance();
  // The codes are handed out in increasing order; a next code that did not
  // grow has wrapped past 0xFFFF (or was not moved), and would hand out a
  // code that a character already has.
  if (nextCode_ <= before) exhausted_ = true;
  return code;
}

uint16_t GGlyphCodeAllocator::Map(uint16_t c) {
  if (KeepsOwnValue(c)) return c;
  // The characters that reach here lie in 0x100 to 0xFEFF: pages 0 to 253.
  uint16_t* entry = Entry(static_cast<uint32_t>(c - 0x100) >> 8, c & 0xFF);
  if (entry == nullptr) return 0;
  if (*entry != 0) return *entry;
  // A next code in a range that keeps its own value belongs to the character
  // of that value, so it is not given to another one.
  if (exhausted_ || KeepsOwnValue(nextCode_)) {
    exhausted_ = true;
    return 0;
  }
  return Hand(*entry, nextCode_);
}
