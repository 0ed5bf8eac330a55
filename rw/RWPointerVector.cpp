#include "rw/RWPointerVector.h"

#include <algorithm>

#include "rw/RWError.h"

namespace {

// A zeroed array of n slots, or null for none.
void** NewSlots(uint32_t n) { return n == 0 ? nullptr : new void*[n](); }

}  // namespace

RWPointerVector::RWPointerVector(size_t count, void* value)
    : count_(static_cast<uint32_t>(count)), slots_(NewSlots(count_)) {
  Fill(value);
}

RWPointerVector::RWPointerVector(const RWPointerVector& other)
    : count_(other.count_), slots_(NewSlots(other.count_)) {
  std::copy(other.slots_, other.slots_ + count_, slots_);
}

RWPointerVector::~RWPointerVector() { delete[] slots_; }

void RWPointerVector::Assign(const RWPointerVector& other) {
  if (slots_ == other.slots_) return;
  void** fresh = NewSlots(other.count_);
  std::copy(other.slots_, other.slots_ + other.count_, fresh);
  delete[] slots_;
  slots_ = fresh;
  count_ = other.count_;
}

void RWPointerVector::Fill(void* value) { std::fill(slots_, slots_ + count_, value); }

void RWPointerVector::Resize(size_t n) {
  uint32_t count = static_cast<uint32_t>(n);
  if (count == count_) return;
  // The added slots come zeroed; callers that need them null still say so
  // through ResizeZeroed.
  void** fresh = NewSlots(count);
  std::copy(slots_, slots_ + std::min(count_, count), fresh);
  delete[] slots_;
  slots_ = fresh;
  count_ = count;
}

void RWPointerVector::ResizeZeroed(size_t n) {
  uint32_t old = count_;
  Resize(n);
  if (count_ > old) std::fill(slots_ + old, slots_ + count_, nullptr);
}

size_t RWPointerVector::CheckIndex(size_t i) const {
  if (i < count_) return count_;
  RWRaiseIndexOutOfRange(static_cast<uint32_t>(i), count_);
  return 0;
}
