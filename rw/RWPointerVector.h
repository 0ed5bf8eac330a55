// RWPointerVector: a fixed-size array of pointer slots that changes size only
// when asked to. The hashed containers keep their bucket arrays in it.
#pragma once

#include <cstddef>
#include <cstdint>

class RWPointerVector {
 public:
  // count slots, each set to value.
  explicit RWPointerVector(size_t count = 0, void* value = nullptr);
  RWPointerVector(const RWPointerVector& other);
  RWPointerVector& operator=(const RWPointerVector& other) {
    Assign(other);
    return *this;
  }
  ~RWPointerVector();

  // Copies the other vector's count and slots.
  void Assign(const RWPointerVector& other);
  void Fill(void* value);
  // Changes the number of slots, keeping the first min(old, new) slots.
  void Resize(size_t n);
  // Resize, then the added slots are null.
  void ResizeZeroed(size_t n);
  // Returns the count when i is a valid slot index; otherwise raises
  // NPOSINDEX or INDEXERR and returns 0 (when the handler returns).
  size_t CheckIndex(size_t i) const;

  // Unchecked slot access; CheckIndex first when the index is not known good.
  void*& operator[](size_t i) { return slots_[i]; }
  void* operator[](size_t i) const { return slots_[i]; }
  void** Data() { return slots_; }
  void* const* Data() const { return slots_; }
  size_t Count() const { return count_; }

 private:
  uint32_t count_;
  void** slots_;  // null when the count is 0
};
