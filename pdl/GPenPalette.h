// GPenPalette: the PCL 5e generator's table of the fill patterns it has
// downloaded to the printer on this job. Each of its 256 entries says what
// pattern id (entry index + 1) holds: a gray halftone pattern made from the
// job's dither matrix, which serves every gray of a threshold interval, or a
// raster pattern of a pattern paint. Entries are reused in circular order,
// so a job with more than 256 patterns reuses the oldest ids.
#pragma once

#include <cstdint>

class GPenPalette {
 public:
  static constexpr int kEntryCount = 256;

  enum Kind : int32_t { kFree = 0, kGrayPattern = 1, kRasterPattern = 2 };

  struct Entry {
    int32_t kind = kFree;
    uint8_t low = 0;   // gray interval [low, high) of a gray pattern
    uint8_t high = 0;
    uint8_t palette = 0;
  };

  GPenPalette();

  // The index of a gray-pattern entry whose interval holds gray, or -1.
  int FindGray(uint8_t gray) const;
  // The next index in circular order, emptied.
  int Allocate();
  void SetEntry(int index, const Entry& entry);
  // The palette id stored with pattern id (index + 1); 0 for ids outside
  // the table.
  uint8_t GetPalette(int patternId) const;
  const Entry& At(int index) const { return entries_[index & 0xFF]; }
  uint16_t HighWaterMark() const { return highWater_; }

 private:
  Entry entries_[kEntryCount];
  uint16_t next_ = 0;
  uint16_t highWater_ = 0;
};
