// GNT40PaperList: the paper list that the driver object's capability
// handlers answer DC_PAPERNAMES, DC_PAPERS, DC_PAPERSIZE and DC_MEDIAREADY
// from: one entry per offered spooler form plus the custom size, each with
// a name of 64 wide characters, the spooler paper number and the size in
// tenths of a millimetre.
//
// The list keeps its room apart from its entry count: a rebuild starts
// from an empty list and grows the room when the form list grew, so no
// entry is ever written past the arrays.
#pragma once

#include <cstddef>
#include <cstdint>

#include "win32/Types.h"

class GNT40PaperList {
 public:
  // Characters of one name entry, terminator included.
  static constexpr int kNameLength = 64;

  GNT40PaperList() = default;
  GNT40PaperList(const GNT40PaperList&) = delete;
  GNT40PaperList& operator=(const GNT40PaperList&) = delete;
  ~GNT40PaperList();

  // Empties the list and makes sure there is room for `entries` entries.
  // False when the room cannot be had; the list is then empty and has no
  // room at all.
  bool Prepare(int entries);
  // Empties the list and frees its room.
  void Free();
  // Appends one entry: at most kNameLength - 1 characters of the name (it
  // stops early at a zero) followed by a terminator, the number and the
  // size. False, and nothing written, when the list is full.
  bool Append(const WCHAR* name, size_t length, WORD number, LONG width, LONG height);

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }

  // Copy the entries into caller arrays of Count() entries each: names of
  // kNameLength characters, WORD numbers, and POINTs (two LONGs, x = width,
  // y = height). A null output is skipped.
  void CopyNames(void* out) const;
  void CopyNumbers(void* out) const;
  void CopySizes(void* out) const;

  // One entry, for the tests and the media-ready answer.
  const WCHAR* NameAt(int index) const { return names_ + static_cast<size_t>(index) * kNameLength; }
  WORD NumberAt(int index) const { return numbers_[index]; }
  LONG WidthAt(int index) const { return sizes_[2 * static_cast<size_t>(index)]; }
  LONG HeightAt(int index) const { return sizes_[2 * static_cast<size_t>(index) + 1]; }

 private:
  int count_ = 0;
  int capacity_ = 0;
  WCHAR* names_ = nullptr;
  WORD* numbers_ = nullptr;
  LONG* sizes_ = nullptr;
};
