#include "rw/RWBitVector.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "rw/RWDefs.h"
#include "rw/RWError.h"

namespace {

uint8_t* NewBytes(size_t n, uint8_t fill) {
  if (n == 0) return nullptr;
  uint8_t* bytes = new uint8_t[n];
  std::memset(bytes, fill, n);
  return bytes;
}

}  // namespace

RWBitVector::RWBitVector(size_t n) : RWBitVector(n, false) {}

RWBitVector::RWBitVector(size_t n, bool value)
    : bytes_(nullptr), count_(static_cast<uint32_t>(n)) {
  bytes_ = NewBytes(ByteCount(), value ? 0xFF : 0x00);
}

RWBitVector::RWBitVector(const uint8_t* bytes, size_t n)
    : bytes_(nullptr), count_(static_cast<uint32_t>(n)) {
  bytes_ = NewBytes(ByteCount(), 0);
  if (bytes_ != nullptr) std::memcpy(bytes_, bytes, ByteCount());
}

RWBitVector::RWBitVector(const RWBitVector& other) : RWBitVector(other.bytes_, other.count_) {}

RWBitVector::~RWBitVector() { delete[] bytes_; }

void RWBitVector::Assign(const RWBitVector& other) {
  if (bytes_ == other.bytes_) return;
  uint8_t* fresh = NewBytes(other.ByteCount(), 0);
  if (fresh != nullptr) std::memcpy(fresh, other.bytes_, other.ByteCount());
  delete[] bytes_;
  bytes_ = fresh;
  count_ = other.count_;
}

void RWBitVector::SetAll(bool value) {
  if (bytes_ != nullptr) std::memset(bytes_, value ? 0xFF : 0x00, ByteCount());
}

bool RWBitVector::AllEqual(bool value) const {
  const uint8_t full = value ? 0xFF : 0x00;
  const size_t fullBytes = count_ / 8;
  for (size_t k = 0; k < fullBytes; ++k)
    if (bytes_[k] != full) return false;
  const uint8_t mask = PartialMask();
  return mask == 0 || (bytes_[fullBytes] & mask) == (full & mask);
}

RWBitVector RWBitVector::Invert(const RWBitVector& v) {
  RWBitVector result(v);
  for (size_t k = 0; k < result.ByteCount(); ++k) result.bytes_[k] = static_cast<uint8_t>(~result.bytes_[k]);
  return result;
}

RWBitVector RWBitVector::Combined(const RWBitVector& a, const RWBitVector& b, Combine how) {
  RWBitVector result(a);
  if (a.count_ != b.count_) {
    RWMessageText text(RWToolsMsg_NEVECL(), a.count_, b.count_);
    RWRaiseInternalLogicError(RWInternalLogicError(text));
    return result;
  }
  for (size_t k = 0; k < result.ByteCount(); ++k) {
    switch (how) {
      case Combine::And: result.bytes_[k] &= b.bytes_[k]; break;
      case Combine::Or: result.bytes_[k] |= b.bytes_[k]; break;
      case Combine::Xor: result.bytes_[k] ^= b.bytes_[k]; break;
    }
  }
  return result;
}

RWBitVector RWBitVector::And(const RWBitVector& a, const RWBitVector& b) { return Combined(a, b, Combine::And); }
RWBitVector RWBitVector::Or(const RWBitVector& a, const RWBitVector& b) { return Combined(a, b, Combine::Or); }
RWBitVector RWBitVector::Xor(const RWBitVector& a, const RWBitVector& b) { return Combined(a, b, Combine::Xor); }

uint32_t RWBitVector::Hash() const {
  uint32_t h = count_;
  const size_t fullBytes = count_ / 8;
  for (size_t k = 0; k < fullBytes; ++k) h = std::rotl(h, 5) ^ bytes_[k];
  const uint8_t mask = PartialMask();
  if (mask != 0) h = std::rotl(h, 5) ^ (bytes_[fullBytes] & mask);
  return h;
}

bool RWBitVector::Equals(const RWBitVector& other) const {
  if (count_ != other.count_) return false;
  const size_t fullBytes = count_ / 8;
  if (fullBytes != 0 && std::memcmp(bytes_, other.bytes_, fullBytes) != 0) return false;
  const uint8_t mask = PartialMask();
  return mask == 0 || (bytes_[fullBytes] & mask) == (other.bytes_[fullBytes] & mask);
}

void RWBitVector::Resize(size_t n) {
  const uint32_t count = static_cast<uint32_t>(n);
  const size_t oldBytes = ByteCount();
  const size_t newBytes = (static_cast<size_t>(count) + 7) / 8;
  // When growing, the spare bits of the old last byte become real bits:
  // clear them so that every added bit starts clear.
  if (count > count_ && PartialMask() != 0) bytes_[count_ / 8] &= PartialMask();
  if (newBytes != oldBytes) {
    uint8_t* fresh = NewBytes(newBytes, 0);
    if (fresh != nullptr && bytes_ != nullptr) std::memcpy(fresh, bytes_, std::min(oldBytes, newBytes));
    delete[] bytes_;
    bytes_ = fresh;
  }
  count_ = count;
}

size_t RWBitVector::CountSet() const {
  if (count_ == 0) return 0;
  const size_t lastByte = ByteCount() - 1;
  size_t n = 0;
  for (size_t k = 0; k < lastByte; ++k) n += std::popcount(bytes_[k]);
  const unsigned lastBits = ((count_ - 1) % 8) + 1;
  n += std::popcount(static_cast<uint8_t>(bytes_[lastByte] & ((1u << lastBits) - 1)));
  return n;
}

size_t RWBitVector::FirstNonzero(bool inverted) const {
  const size_t byteCount = ByteCount();
  for (size_t k = 0; k < byteCount; ++k) {
    uint8_t b = inverted ? static_cast<uint8_t>(~bytes_[k]) : bytes_[k];
    if (k == count_ / 8) b &= PartialMask();  // the byte that holds bit n
    if (b != 0) return k * 8 + std::countr_zero(b);
  }
  return RW_NPOS;
}

size_t RWBitVector::FirstSet() const { return FirstNonzero(false); }

size_t RWBitVector::FirstClear() const { return FirstNonzero(true); }

void RWBitVector::RaiseIndexError(size_t i) const {
  RWMessageText text(RWToolsMsg_INDEXERR(), static_cast<uint32_t>(i), count_);
  RWRaiseIndexError(RWIndexError(text));
}
