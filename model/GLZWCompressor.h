// GLZWCompressor: packs and unpacks byte streams with a variable-width LZW
// code (9 to 15 bits) whose dictionary is widened and started over by explicit
// control codes. Older stored settings and packed bitmaps use this format.
#pragma once

#include <cstdint>

#include "model/GByteStream.h"

class GLZWCompressor {
 public:
  // Codes 0..255 stand for the single bytes of the same value.
  static constexpr int kEndOfData = 256;
  static constexpr int kWiden = 257;
  static constexpr int kFlush = 258;
  static constexpr int kFirstCode = 259;
  static constexpr int kInitialWidth = 9;
  static constexpr int kMaxWidth = 15;
  static constexpr int kMaxCode = 0x7FFF;
  // Hash table size (a prime) and decode stack size.
  static constexpr int kCells = 35023;
  static constexpr int kStackSize = 35023;
  static constexpr int kCellsPerPage = 256;
  static constexpr int kPages = (kCells + kCellsPerPage - 1) / kCellsPerPage;  // 137

  GLZWCompressor();
  ~GLZWCompressor();

  GLZWCompressor(const GLZWCompressor&) = delete;
  GLZWCompressor& operator=(const GLZWCompressor&) = delete;

  // 1 when the whole input was coded and the output flushed without error,
  // else 0 (what was written so far stays in the output).
  int Compress(GByteSource& in, GByteSink& out);
  // 1 when the end-of-data code was reached; 0 on a read error, an input that
  // ends early, a write the output refused, or a damaged code stream.
  int Expand(GByteSource& in, GByteSink& out);

 private:
  struct Cell {
    int32_t code;  // -1 = empty
    int32_t prefix;
    uint8_t byte;
  };

  Cell& CellAt(int index) { return pages_[index / kCellsPerPage][index % kCellsPerPage]; }
  int AllocatePages();
  void FreePages();
  int ResetDictionary();
  int FindCell(int prefix, int byte);

  Cell** pages_ = nullptr;  // kPages page pointers; the pages exist during a run
  uint8_t* stack_ = nullptr;
  int nextCode_ = kFirstCode;
  int width_ = kInitialWidth;
  int maxCodeOfWidth_ = (1 << kInitialWidth) - 1;
};
