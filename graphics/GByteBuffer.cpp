#include "graphics/GByteBuffer.h"

#include <cstring>
#include <new>

namespace {

// A copy of the bytes, or null when memory is exhausted.
uint8_t* CopyOf(const uint8_t* data, uint32_t length) {
  auto* copy = new (std::nothrow) uint8_t[length];
  if (copy != nullptr) std::memcpy(copy, data, length);
  return copy;
}

}  // namespace

GByteBuffer::GByteBuffer(uint8_t* data, uint32_t length, int32_t owns)
    : data_(data), length_(data != nullptr ? length : 0), owns_(owns) {}

GByteBuffer::GByteBuffer(GByteBuffer&& other) noexcept
    : data_(other.data_), length_(other.length_), owns_(other.owns_) {
  other.owns_ = 0;
}

GByteBuffer& GByteBuffer::operator=(GByteBuffer&& other) noexcept {
  if (this != &other) {
    if (owns_ && data_ != other.data_) delete[] data_;
    data_ = other.data_;
    length_ = other.length_;
    owns_ = other.owns_;
    other.owns_ = 0;
  }
  return *this;
}

GByteBuffer::~GByteBuffer() {
  if (owns_) delete[] data_;
}

uint8_t* GByteBuffer::TakeData() {
  if (length_ == 0) return nullptr;
  if (owns_) {
    owns_ = 0;
    return data_;
  }
  return CopyOf(data_, length_);
}

GByteBuffer* GByteBuffer::Detach() {
  const uint32_t length = length_;
  uint8_t* data = TakeData();
  return new GByteBuffer(data, data != nullptr ? length : 0, 1);
}

int GByteBuffer::MakeOwned() {
  if (length_ == 0 || owns_) return 1;
  uint8_t* copy = CopyOf(data_, length_);
  if (copy == nullptr) return 0;
  data_ = copy;
  owns_ = 1;
  return 1;
}
