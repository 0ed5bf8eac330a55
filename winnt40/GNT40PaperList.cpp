#include "winnt40/GNT40PaperList.h"

#include <cstring>
#include <new>

namespace {

// The most entries a list takes: far more forms than a spooler keeps, and
// small enough that the arrays' byte sizes stay well inside an int.
constexpr int kMostEntries = 65536;

}  // namespace

GNT40PaperList::~GNT40PaperList() { Free(); }

void GNT40PaperList::Free() {
  delete[] names_;
  delete[] numbers_;
  delete[] sizes_;
  names_ = nullptr;
  numbers_ = nullptr;
  sizes_ = nullptr;
  count_ = 0;
  capacity_ = 0;
}

bool GNT40PaperList::Prepare(int entries) {
  count_ = 0;
  if (entries < 0 || entries > kMostEntries) {
    Free();
    return false;
  }
  if (entries <= capacity_) return true;
  Free();
  const size_t n = static_cast<size_t>(entries);
  names_ = new (std::nothrow) WCHAR[n * kNameLength]();
  numbers_ = new (std::nothrow) WORD[n]();
  sizes_ = new (std::nothrow) LONG[n * 2]();
  if (names_ == nullptr || numbers_ == nullptr || sizes_ == nullptr) {
    Free();
    return false;
  }
  capacity_ = entries;
  return true;
}

bool GNT40PaperList::Append(const WCHAR* name, size_t length, WORD number, LONG width, LONG height) {
  if (count_ >= capacity_) return false;
  const size_t at = static_cast<size_t>(count_);
  WCHAR* entry = names_ + at * kNameLength;
  size_t n = 0;
  if (name != nullptr) {
    while (n < length && n < static_cast<size_t>(kNameLength - 1) && name[n] != 0) {
      entry[n] = name[n];
      ++n;
    }
  }
  for (; n < static_cast<size_t>(kNameLength); ++n) entry[n] = 0;
  numbers_[at] = number;
  sizes_[2 * at] = width;
  sizes_[2 * at + 1] = height;
  ++count_;
  return true;
}

// The caller's arrays need not be aligned for their element type, so the
// entries go in byte by byte.
void GNT40PaperList::CopyNames(void* out) const {
  if (out == nullptr || count_ == 0) return;
  std::memcpy(out, names_, static_cast<size_t>(count_) * kNameLength * sizeof(WCHAR));
}

void GNT40PaperList::CopyNumbers(void* out) const {
  if (out == nullptr || count_ == 0) return;
  std::memcpy(out, numbers_, static_cast<size_t>(count_) * sizeof(WORD));
}

void GNT40PaperList::CopySizes(void* out) const {
  if (out == nullptr || count_ == 0) return;
  std::memcpy(out, sizes_, static_cast<size_t>(count_) * 2 * sizeof(LONG));
}
