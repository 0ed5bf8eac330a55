// GGlyphCodeAllocator: gives every character code that a generator downloads
// into a font a glyph code of its own in that font. New codes are handed out
// in order and a character keeps the code it got first until the allocator is
// reset; characters in fixed ranges keep their own value. The generators
// derive their allocators from it and decide, in Advance, how the next free
// code moves on.
#pragma once

#include <cstdint>
#include <memory>

class GGlyphCodeAllocator {
 public:
  // The code the first new character gets.
  static constexpr uint16_t kFirstCode = 0x100;
  // Pages of the table of the base mapping; one page holds 256 codes.
  static constexpr uint32_t kPageCount = 255;
  static constexpr uint32_t kPageSize = 256;

  // No table yet; the next code is 256.
  GGlyphCodeAllocator();
  virtual ~GGlyphCodeAllocator();
  GGlyphCodeAllocator(const GGlyphCodeAllocator&) = delete;
  GGlyphCodeAllocator& operator=(const GGlyphCodeAllocator&) = delete;

  // The glyph code of character c. Codes below 0x100, from 0x2000 to 0x20FF
  // and above 0xFEFF keep their value; any other character gets the next
  // code the first time it is seen and the same code afterwards. When no
  // code is left (see IsExhausted) a new character gets 0 and nothing is
  // remembered for it.
  virtual uint16_t Map(uint16_t c);
  // Forgets every code handed out: the table is freed and the next code is
  // 256 again.
  virtual void Reset();

  // True when the codes ran out: the next code stopped moving forward
  // (it wrapped past 0xFFFF) or reached a value that is not a usable new
  // code. Until Reset, new characters then map to 0 rather than to a code
  // another character already has.
  bool IsExhausted() const { return exhausted_; }
  uint16_t GetNextCode() const { return nextCode_; }

  // Whether the base mapping keeps c as it is.
  static bool KeepsOwnValue(uint16_t c) { return c < 0x100 || c > 0xFEFF || (c >= 0x2000 && c <= 0x20FF); }

 protected:
  // An allocator whose table has pageCount pages (at most 256); a derived
  // allocator that spreads the codes over other pages uses it.
  explicit GGlyphCodeAllocator(uint32_t pageCount);

  // Called right after the next code went to a character: moves the next
  // code on to the following free code.
  virtual void Advance() = 0;

  // The code entry of the given slot of the given page, creating the table
  // and the page on first need (every entry 0, which stands for "no code
  // yet"). Null for a page or slot outside the table.
  uint16_t* Entry(uint32_t page, uint32_t slot);
  void SetNextCode(uint16_t code) { nextCode_ = code; }
  // From now until Reset no new code is handed out.
  void MarkExhausted() { exhausted_ = true; }

  // Gives code to the character whose entry is given, lets the derived
  // allocator advance and checks that the next code moved forward; a next
  // code that did not marks the allocator exhausted, so no code is handed
  // out twice. Returns code.
  uint16_t Hand(uint16_t& entry, uint16_t code);

 private:
  uint32_t pageCount_;
  // Created on first need; each page likewise.
  std::unique_ptr<std::unique_ptr<uint16_t[]>[]> pages_;
  uint16_t nextCode_ = kFirstCode;
  bool exhausted_ = false;
};
