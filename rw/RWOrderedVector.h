// RWOrderedVector<T>: a growable array with a count. It grows by exactly 64
// elements when full (the model's child lists are short, so a linear step
// keeps memory close to the need) and finds, counts and removes elements by
// value. Positions from the count up to the capacity hold default (empty)
// elements. RWGrowablePtrVector is the instance over plain object pointers;
// RWStringVector (rw/RWStringVector.h) the one over narrow strings.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWDefs.h"

// Raises INDEXERR with (index, count); the ordered vectors use this text even
// for RW_NPOS.
void RWOrderedVectorIndexError(size_t index, size_t count);

// The element equality that IndexOf, CountOf, RemoveFirst and RemoveAll use.
// An element type specialises it when == is not the equality it needs.
template <typename T>
struct RWOrderedVectorEquality {
  static bool Equal(const T& a, const T& b) { return a == b; }
};

template <typename T>
class RWOrderedVector {
 public:
  static constexpr uint32_t kGrowthStep = 64;

  explicit RWOrderedVector(size_t capacity = 0)
      : capacity_(static_cast<uint32_t>(capacity)), data_(NewArray(capacity_)), count_(0) {}
  RWOrderedVector(const RWOrderedVector& other)
      : capacity_(other.capacity_), data_(NewArray(other.capacity_)), count_(other.count_) {
    for (uint32_t k = 0; k < capacity_; ++k) data_[k] = other.data_[k];
  }
  RWOrderedVector& operator=(const RWOrderedVector& other) {
    if (this != &other) {
      T* fresh = NewArray(other.capacity_);
      for (uint32_t k = 0; k < other.capacity_; ++k) fresh[k] = other.data_[k];
      delete[] data_;
      data_ = fresh;
      capacity_ = other.capacity_;
      count_ = other.count_;
    }
    return *this;
  }
  virtual ~RWOrderedVector() { delete[] data_; }

  // The first position holding an element equal to x, or RW_NPOS.
  virtual size_t IndexOf(const T& x) const {
    for (uint32_t k = 0; k < count_; ++k)
      if (RWOrderedVectorEquality<T>::Equal(data_[k], x)) return k;
    return RW_NPOS;
  }

  virtual void Append(const T& x) {
    if (count_ == capacity_) {
      // x may be an element of this vector: keep it across the regrowth.
      T held(x);
      Grow();
      data_[count_++] = held;
    } else {
      data_[count_++] = x;
    }
  }

  virtual size_t CountOf(const T& x) const {
    size_t n = 0;
    for (uint32_t k = 0; k < count_; ++k)
      if (RWOrderedVectorEquality<T>::Equal(data_[k], x)) ++n;
    return n;
  }

  // Removes the first element equal to x; returns 1, or 0 when there is none.
  virtual size_t RemoveFirst(const T& x) {
    size_t i = IndexOf(x);
    if (i == RW_NPOS) return 0;
    if (i >= count_) {
      RWOrderedVectorIndexError(i, count_);
      return 0;
    }
    // Hold the removed element until the shift is done.
    [[maybe_unused]] T held(data_[i]);
    CloseGap(i);
    return 1;
  }

  // Removes every element equal to x, keeping the order of the others;
  // returns the number removed.
  virtual size_t RemoveAll(const T& x) {
    // x may be an element of this vector, which the compaction overwrites.
    T target(x);
    uint32_t kept = 0;
    for (uint32_t k = 0; k < count_; ++k) {
      if (RWOrderedVectorEquality<T>::Equal(data_[k], target)) continue;
      if (kept != k) data_[kept] = data_[k];
      ++kept;
    }
    for (uint32_t k = kept; k < count_; ++k) data_[k] = T();
    size_t removed = count_ - kept;
    count_ = kept;
    return removed;
  }

  // Returns the count when i is below it; otherwise raises INDEXERR and
  // returns 0 (when the handler returns).
  size_t CheckIndex(size_t i) const {
    if (i < count_) return count_;
    RWOrderedVectorIndexError(i, count_);
    return 0;
  }

  // The address of element i, or null after an index error.
  T* At(size_t i) { return CheckIndex(i) ? &data_[i] : nullptr; }
  const T* At(size_t i) const { return CheckIndex(i) ? &data_[i] : nullptr; }

  // Inserts x so that it becomes element i; i may equal the count (append).
  // A larger i raises INDEXERR with (i - 1, count) and inserts nothing.
  void InsertAt(size_t i, const T& x) {
    if (i > 0 && i - 1 >= count_) {
      RWOrderedVectorIndexError(i - 1, count_);
      return;
    }
    T held(x);  // x may be an element that moves
    if (count_ == capacity_) Grow();
    for (size_t k = count_; k > i; --k) data_[k] = data_[k - 1];
    data_[i] = held;
    ++count_;
  }

  // Removes element i and returns it; an empty element after an index error.
  T RemoveAt(size_t i) {
    if (i >= count_) {
      RWOrderedVectorIndexError(i, count_);
      return T();
    }
    T held(data_[i]);
    CloseGap(i);
    return held;
  }

  // Makes the array n elements long, keeping the first min(capacity, n).
  // Elements beyond a smaller capacity are gone, so the count drops to it.
  void SetCapacity(size_t n) {
    uint32_t capacity = static_cast<uint32_t>(n);
    if (capacity == capacity_) return;
    T* fresh = NewArray(capacity);
    uint32_t keep = capacity < capacity_ ? capacity : capacity_;
    for (uint32_t k = 0; k < keep; ++k) fresh[k] = data_[k];
    delete[] data_;
    data_ = fresh;
    capacity_ = capacity;
    if (count_ > capacity_) count_ = capacity_;
  }

  size_t Count() const { return count_; }
  size_t Capacity() const { return capacity_; }
  // The whole array, capacity elements long (null when the capacity is 0).
  const T* Data() const { return data_; }

 private:
  // Value-initialised, so unused positions of pointer vectors are null.
  static T* NewArray(uint32_t n) { return n == 0 ? nullptr : new T[n](); }

  void Grow() { SetCapacity(static_cast<size_t>(count_) + kGrowthStep); }

  // Shifts the elements above i down by one and empties the old last place.
  void CloseGap(size_t i) {
    for (size_t k = i; k + 1 < count_; ++k) data_[k] = data_[k + 1];
    data_[count_ - 1] = T();
    --count_;
  }

  uint32_t capacity_;
  T* data_;
  uint32_t count_;
};

// The instance over plain object pointers, compared by address.
using RWGrowablePtrVector = RWOrderedVector<void*>;
extern template class RWOrderedVector<void*>;
