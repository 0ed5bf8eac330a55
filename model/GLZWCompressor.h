// GLZWCompressor: packs and unpacks byte streams with a variable-width LZW
// code (9 to 15 bits) whose dictionary is widened and started over by explicit
// control codes. Older stored settings and packed bitmaps use this format.
// The dictionary and the decode stack are made on a coder's first call and
// reused by every later one: a call costs what its input costs.
#pragma once

#include <cstdint>
#include <memory>

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
    int32_t code;  // meaningful only while stamp is the current generation
    int32_t prefix;
    uint32_t stamp;
    uint8_t byte;
  };

  Cell& CellAt(int index) { return cells_[index]; }
  // An encoder's cell is empty unless it was filled since the last reset.
  bool IsEmpty(const Cell& cell) const { return cell.stamp != generation_; }
  // Makes the dictionary and the stack on first use; 0 when memory is short.
  int Prepare();
  // Empties the encoder's dictionary by starting a new generation (the
  // cells are cleared only when the generation count wraps).
  int ResetDictionary();
  int FindCell(int prefix, int byte);

  std::unique_ptr<Cell[]> cells_;
  std::unique_ptr<uint8_t[]> stack_;
  uint32_t generation_ = 0;
  int nextCode_ = kFirstCode;
  int width_ = kInitialWidth;
  int maxCodeOfWidth_ = (1 << kInitialWidth) - 1;
};
