#include "pdl/GMemoryBudget.h"

uint32_t GMemoryBudget::Reserve(uint32_t n) {
  if (GetAvailable() < n) {
    used_ = limit_;
    return 0;
  }
  used_ += n;
  return limit_ - used_;
}

uint32_t GMemoryBudget::Release(uint32_t n) {
  used_ = n > used_ ? 0 : used_ - n;
  return GetAvailable();
}

uint32_t GMemoryBudget::Reset(uint32_t limit) {
  used_ = 0;
  limit_ = limit;
  return limit_;
}

uint32_t GMemoryBudget::ResetUsage() {
  used_ = 0;
  return limit_;
}
