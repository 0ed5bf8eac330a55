// GArrayHolder: an array of elements (points, advances, characters) that a
// graphics object either borrows from its creator or owns. The data may lie
// behind the start of the storage (a poly-Bezier steps past its start
// point), so the holder keeps both: storage is what it frees, data is the
// first element in use. Borrowed arrays stay valid only while the creator
// keeps them; MakeOwned copies them before a filter keeps the graphic.
#pragma once

#include <cstdint>
#include <new>

template <typename T>
class GArrayHolder {
 public:
  // Empty: no elements, nothing owned.
  GArrayHolder() = default;
  // Over count elements at data; owned = the holder frees data (which must
  // come from new T[]).
  GArrayHolder(T* data, uint32_t count, bool owned)
      : owns_(owned && data != nullptr ? 1 : 0), storage_(data), data_(data), count_(data != nullptr ? count : 0) {}
  GArrayHolder(const GArrayHolder&) = delete;
  GArrayHolder& operator=(const GArrayHolder&) = delete;
  ~GArrayHolder() { Release(); }

  int32_t Owns() const { return owns_; }
  T* Storage() const { return storage_; }
  T* Data() const { return data_; }
  uint32_t Count() const { return count_; }

  // Frees what is owned and holds the new array.
  void Reset(T* data, uint32_t count, bool owned) {
    Release();
    owns_ = owned && data != nullptr ? 1 : 0;
    storage_ = data;
    data_ = data;
    count_ = data != nullptr ? count : 0;
  }
  // Refers to the same elements as the other holder without owning them.
  void BorrowFrom(const GArrayHolder& other) { Reset(other.data_, other.count_, false); }
  // A copy of the other's elements that this holder owns (empty when the
  // other is); false when the copy could not be allocated.
  bool CopyFrom(const GArrayHolder& other) {
    if (other.count_ == 0) {
      Reset(nullptr, 0, false);
      return true;
    }
    T* copy = new (std::nothrow) T[other.count_]();
    if (copy == nullptr) return false;
    for (uint32_t i = 0; i < other.count_; ++i) copy[i] = other.data_[i];
    Reset(copy, other.count_, true);
    return true;
  }
  // Steps the data one element forward; the storage stays where it is.
  void DropFirst() {
    if (count_ == 0) return;
    ++data_;
    --count_;
  }
  // Takes a private copy of a borrowed array: 1 done (or nothing to do), 0
  // when the copy could not be allocated (the holder stays borrowing).
  int MakeOwned() {
    if (count_ == 0 || owns_ != 0) return 1;
    T* copy = new (std::nothrow) T[count_]();
    if (copy == nullptr) return 0;
    for (uint32_t i = 0; i < count_; ++i) copy[i] = data_[i];
    storage_ = copy;
    data_ = copy;
    owns_ = 1;
    return 1;
  }

 private:
  void Release() {
    if (owns_ != 0) delete[] storage_;
    owns_ = 0;
    storage_ = nullptr;
    data_ = nullptr;
    count_ = 0;
  }

  int32_t owns_ = 0;
  T* storage_ = nullptr;
  T* data_ = nullptr;
  uint32_t count_ = 0;
};
