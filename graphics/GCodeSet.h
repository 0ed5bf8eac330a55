// GCodeSet: a sparse set of character codes, such as the glyphs of a face
// that were downloaded or are needed. It is a list of 128-code blocks of bits
// in ascending order of their base; a block is made when its first code is
// added and stays until the set is cleared, even when its bits are clear.
#pragma once

#include <cstdint>

class GCodeSet {
 public:
  // Called with each code of the set and the caller's data.
  typedef int (*Callback)(uint32_t code, void* userData);

  static constexpr uint32_t kBlockCodes = 128;
  static constexpr uint32_t kBlockBytes = kBlockCodes / 8;

  // One block: the codes base to base + 127; code c is bit (c & 7) of byte
  // ((c >> 3) & 15).
  struct Block {
    Block* next = nullptr;
    uint32_t base = 0;  // a multiple of 128
    uint8_t bits[kBlockBytes] = {};
  };

  GCodeSet() = default;
  GCodeSet(const GCodeSet& other);
  GCodeSet(GCodeSet&& other) noexcept;
  GCodeSet& operator=(const GCodeSet& other);
  GCodeSet& operator=(GCodeSet&& other) noexcept;
  ~GCodeSet();

  // Frees every block.
  void Clear();
  // Sets the code's bit, making its block in order when missing; returns the
  // index of the bit's byte within its block ((code >> 3) & 15).
  int Add(uint32_t code);
  // Clears the code's bit when its block exists.
  void Remove(uint32_t code);
  // 1 when the code is in the set, else 0.
  int Contains(uint32_t code) const;
  // Calls the callback for every code of the set in ascending order and
  // returns the result of the last call, 0 when there was none. Codes the
  // callback adds beyond the current one are visited too; when the callback
  // clears the set the walk stops there.
  int ForEach(Callback callback, void* userData) const;

  // The first block, null when there is none; the blocks follow through
  // next in ascending order of their base.
  const Block* FirstBlock() const { return head_; }

 private:
  // Whether the code lies in the block; written so that the last block
  // (base 0xFFFFFF80) does not wrap.
  static bool Holds(const Block& block, uint32_t code) { return code - block.base < kBlockCodes; }
  // The block that holds the code, or null.
  Block* Find(uint32_t code) const;
  void CopyBlocks(const Block* from);

  Block* head_ = nullptr;
  // Grows whenever the blocks are freed or moved to another set, so that a
  // walk sees the blocks it holds vanish.
  uint32_t clears_ = 0;
};
