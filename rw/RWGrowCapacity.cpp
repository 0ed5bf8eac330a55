#include "rw/RWGrowCapacity.h"

#include "rw/RWError.h"

uint32_t RWGrowCapacity(uint32_t n, uint32_t elementSize) {
  if (n < 16) return 16;
  if (elementSize == 0) elementSize = 1;  // a zero size would divide by zero below
  // The byte size is taken in 64 bits: a 32-bit product that wrapped would
  // look small and the buffer would "grow" to a smaller capacity than it
  // holds. A size past 32 bits is treated as the limit it is.
  uint64_t bytes = uint64_t{n} * elementSize;
  if (bytes <= 0x7FFFFFFFu) return n * 2;
  if (bytes < 0xFFFFFFFDu) return 0xFFFFFFFFu / (2 * elementSize) + n / 2;
  RWRaiseIndexError(RWIndexError(RWMessageText(RWCoreMsg_OVFLOW(), 33, "Buffer may not resize larger than", 4294967295u)));
  return 0;
}

bool RWBinarySearch(const void* key, const void* base, uint32_t count, uint32_t elementSize,
                    RWBinarySearchCompare compare, uint32_t* index) {
  if (count == 0) {
    *index = 0;
    return false;
  }
  const unsigned char* bytes = static_cast<const unsigned char*>(base);
  uint32_t low = 0;
  uint32_t high = count - 1;
  while (low < high) {
    uint32_t mid = low + (high - low) / 2;
    int order = compare(bytes + size_t{mid} * elementSize, key);
    if (order == 0) {
      *index = mid;
      return true;
    }
    if (order < 0)
      low = mid + 1;
    else
      high = mid == 0 ? 0 : mid - 1;
  }
  *index = low;
  return compare(bytes + size_t{low} * elementSize, key) == 0;
}

uint32_t RWLibraryVersion() { return 0x0700; }

void RWBuildByteMaskTable(uint8_t table[16]) {
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column) table[row * 4 + column] = column < row ? 0xFF : 0x00;
}
