// GByteBuffer: a block of bytes with its length and whether the buffer owns
// it. It carries font and table data between the TrueType reader, the glyph
// caches and the generators. An owned block is one allocated with new[];
// the buffer frees it when destroyed.
#pragma once

#include <cstdint>

class GByteBuffer {
 public:
  // A null block has length 0 whatever length is given, so that nobody
  // reads bytes that are not there.
  GByteBuffer(uint8_t* data, uint32_t length, int32_t owns);
  // Moving hands the block over (the source then owns nothing); a buffer is
  // never copied, since two owners would free one block twice.
  GByteBuffer(GByteBuffer&& other) noexcept;
  GByteBuffer& operator=(GByteBuffer&& other) noexcept;
  GByteBuffer(const GByteBuffer&) = delete;
  GByteBuffer& operator=(const GByteBuffer&) = delete;
  // Frees the block when the buffer owns it.
  ~GByteBuffer();

  uint8_t* GetData() const { return data_; }
  uint32_t GetLength() const { return length_; }
  int32_t OwnsData() const { return owns_; }

  // A block the caller owns (to free with delete[]): null for length 0; the
  // buffer's own block when it owns it (it then no longer does, the data
  // pointer stays); otherwise a new copy of the bytes, null when memory is
  // exhausted (the buffer is then unchanged).
  uint8_t* TakeData();
  // A new buffer (the caller deletes it) holding TakeData of this one, its
  // length and owning its block. When no block could be had, the new
  // buffer is empty.
  GByteBuffer* Detach();
  // Makes the buffer own its bytes, copying them when it does not: 1 on
  // success (at once for length 0 or an owned block), 0 when memory is
  // exhausted (the buffer is then unchanged).
  int MakeOwned();

 private:
  uint8_t* data_;
  uint32_t length_;
  int32_t owns_;
};
