// RWBitVector: a packed array of n bits, bit i in bit (i mod 8) of byte i / 8.
// The capability sets of the settings model are kept in it. The bits of the
// last byte beyond n are spare: equality, hashing and the counts ignore them.
#pragma once

#include <cstddef>
#include <cstdint>

class RWBitVector {
 public:
  // n bits, all clear.
  explicit RWBitVector(size_t n = 0);
  // n bits, all set to value.
  RWBitVector(size_t n, bool value);
  // n bits copied from (n + 7) / 8 bytes.
  RWBitVector(const uint8_t* bytes, size_t n);
  RWBitVector(const RWBitVector& other);
  RWBitVector& operator=(const RWBitVector& other) {
    Assign(other);
    return *this;
  }
  ~RWBitVector();

  void Assign(const RWBitVector& other);

  // Sets every byte, spare bits included.
  void SetAll(bool value);
  // True when all n bits equal the value.
  bool AllEqual(bool value) const;

  // New vectors: the inverse of v, and a copy of a combined byte by byte
  // with b. Vectors of different lengths raise NEVECL; the result is then an
  // uncombined copy of a.
  static RWBitVector Invert(const RWBitVector& v);
  static RWBitVector And(const RWBitVector& a, const RWBitVector& b);
  static RWBitVector Or(const RWBitVector& a, const RWBitVector& b);
  static RWBitVector Xor(const RWBitVector& a, const RWBitVector& b);

  uint32_t Hash() const;
  bool Equals(const RWBitVector& other) const;

  // Changes the bit count; bits added at the end start clear.
  void Resize(size_t n);

  size_t CountSet() const;
  // The index of the lowest set (clear) bit, or RW_NPOS (the 32-bit -1).
  size_t FirstSet() const;
  size_t FirstClear() const;

  // Raises INDEXERR with (i, n).
  void RaiseIndexError(size_t i) const;

  // Bit access. An index at or above n raises INDEXERR; then TestBit gives
  // false and the setters change nothing.
  bool TestBit(size_t i) const {
    if (i < count_) return (bytes_[i >> 3] >> (i & 7)) & 1;
    RaiseIndexError(i);
    return false;
  }
  void SetBit(size_t i) {
    if (i < count_)
      bytes_[i >> 3] |= static_cast<uint8_t>(1u << (i & 7));
    else
      RaiseIndexError(i);
  }
  void ClearBit(size_t i) {
    if (i < count_)
      bytes_[i >> 3] &= static_cast<uint8_t>(~(1u << (i & 7)));
    else
      RaiseIndexError(i);
  }

  size_t BitCount() const { return count_; }
  size_t ByteCount() const { return (static_cast<size_t>(count_) + 7) / 8; }
  // The bytes, null when there are no bits.
  const uint8_t* Bytes() const { return bytes_; }

 private:
  enum class Combine { And, Or, Xor };
  static RWBitVector Combined(const RWBitVector& a, const RWBitVector& b, Combine how);
  // Mask of the bits below n in the last byte; 0 when n is a multiple of 8.
  uint8_t PartialMask() const { return static_cast<uint8_t>((1u << (count_ & 7)) - 1); }
  size_t FirstNonzero(bool inverted) const;

  uint8_t* bytes_;
  uint32_t count_;
};
