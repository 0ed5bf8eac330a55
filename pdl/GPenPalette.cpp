#include "pdl/GPenPalette.h"

GPenPalette::GPenPalette() = default;

int GPenPalette::FindGray(uint8_t gray) const {
  for (int i = 0; i < kEntryCount; ++i) {
    const Entry& entry = entries_[i];
    if (entry.kind == kGrayPattern && entry.low <= gray && gray < entry.high) return i;
  }
  return -1;
}

int GPenPalette::Allocate() {
  const int index = next_;
  entries_[index] = Entry();
  next_ = static_cast<uint16_t>((next_ + 1) % kEntryCount);
  if (highWater_ < kEntryCount) ++highWater_;
  return index;
}

void GPenPalette::SetEntry(int index, const Entry& entry) {
  if (index >= 0 && index < kEntryCount) entries_[index] = entry;
}

uint8_t GPenPalette::GetPalette(int patternId) const {
  return patternId >= 1 && patternId <= kEntryCount ? entries_[patternId - 1].palette : 0;
}
