// GMemoryBudget: the account of the printer memory that a generator's
// downloaded fonts take. Downloads charge their bytes (Reserve) and give
// them back when a font is released (Release); the generator asks how much
// is left before it downloads more. A reservation that does not fit fills
// the budget instead of failing: the download still goes ahead. All
// arithmetic is unsigned 32-bit.
#pragma once

#include <cstdint>

class GMemoryBudget {
 public:
  static constexpr uint32_t kDefaultLimit = 0x100000;  // 1 MB
  static constexpr uint16_t kDefaultOverheadKB = 1;

  GMemoryBudget() = default;
  explicit GMemoryBudget(uint32_t limit) : limit_(limit) {}

  // When fewer than n bytes are left, used becomes the limit and the result
  // is 0; else used grows by n and the result is what is left.
  uint32_t Reserve(uint32_t n);
  // Used shrinks by n (to 0 when n exceeds it); the result is what is left.
  uint32_t Release(uint32_t n);
  // What is left, 0 when more than the limit is used.
  uint32_t GetAvailable() const { return used_ > limit_ ? 0 : limit_ - used_; }
  uint32_t GetLimit() const { return limit_; }
  uint32_t GetUsed() const { return used_; }
  // Nothing used, the new limit; returns it.
  uint32_t Reset(uint32_t limit);
  // Nothing used; returns the limit.
  uint32_t ResetUsage();
  // Kilobytes the generators add to each font's memory estimate.
  void SetOverheadKB(uint16_t kilobytes) { overheadKB_ = kilobytes; }
  uint16_t GetOverheadKB() const { return overheadKB_; }

  friend bool operator==(const GMemoryBudget& a, const GMemoryBudget& b) {
    return a.used_ == b.used_ && a.limit_ == b.limit_ && a.overheadKB_ == b.overheadKB_;
  }

 private:
  uint32_t used_ = 0;
  uint32_t limit_ = kDefaultLimit;
  uint16_t overheadKB_ = kDefaultOverheadKB;
};
