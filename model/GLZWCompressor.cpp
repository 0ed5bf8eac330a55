#include "model/GLZWCompressor.h"

#include <new>

#include "model/GBitStream.h"

GLZWCompressor::GLZWCompressor() = default;

GLZWCompressor::~GLZWCompressor() = default;

int GLZWCompressor::Prepare() {
  if (!cells_) {
    // Not value-initialised: every stamp is set below before any is read.
    cells_.reset(new (std::nothrow) Cell[kCells]);
    if (!cells_) return 0;
    for (int i = 0; i < kCells; ++i) cells_[i].stamp = 0;
    generation_ = 0;
  }
  if (!stack_) stack_.reset(new (std::nothrow) uint8_t[kStackSize]);
  return stack_ ? 1 : 0;
}

int GLZWCompressor::ResetDictionary() {
  if (!cells_) return 0;
  if (++generation_ == 0) {
    for (int i = 0; i < kCells; ++i) cells_[i].stamp = 0;
    generation_ = 1;
  }
  nextCode_ = kFirstCode;
  width_ = kInitialWidth;
  maxCodeOfWidth_ = (1 << kInitialWidth) - 1;
  return 1;
}

// Open addressing with a step that depends on the start index; the table is
// larger than the number of codes, so an empty cell is always found.
int GLZWCompressor::FindCell(int prefix, int byte) {
  int index = prefix ^ (byte << 7);
  const int step = index == 0 ? 1 : kCells - index;
  for (;;) {
    const Cell& cell = CellAt(index);
    if (IsEmpty(cell) || (cell.prefix == prefix && cell.byte == byte)) return index;
    index -= step;
    if (index < 0) index += kCells;
  }
}

int GLZWCompressor::Compress(GByteSource& in, GByteSink& out) {
  if (!Prepare() || !ResetDictionary()) return 0;
  GBitStream bits(&out);

  uint8_t c = 0;
  int current = in.Read(c) ? c : kEndOfData;
  for (;;) {
    if (!in.Read(c)) {
      // A read error is not the end of the input: the output would be a
      // complete stream of a truncated input.
      const bool coded = !in.Failed();
      const int wroteLast = bits.PutBits(static_cast<uint32_t>(current), width_);
      const int wroteEnd = wroteLast && bits.PutBits(kEndOfData, width_);
      const int flushed = bits.Flush();
      return (coded && wroteLast && wroteEnd && flushed) ? 1 : 0;
    }
    Cell& cell = CellAt(FindCell(current, c));
    if (!IsEmpty(cell)) {
      current = cell.code;
      continue;
    }
    cell.stamp = generation_;
    cell.code = nextCode_++;
    cell.prefix = current;
    cell.byte = c;
    if (!bits.PutBits(static_cast<uint32_t>(current), width_)) break;
    if (nextCode_ > kMaxCode) {
      if (!bits.PutBits(kFlush, width_)) break;
      ResetDictionary();
    } else if (nextCode_ > maxCodeOfWidth_) {
      if (!bits.PutBits(kWiden, width_)) break;
      ++width_;
      maxCodeOfWidth_ = 2 * maxCodeOfWidth_ + 1;
    }
    current = c;
  }
  bits.Flush();
  return 0;
}

// The decoder indexes the cells directly by code. Every code it accepts is
// checked against what the encoder can produce, because the input may be an
// old, damaged or hostile buffer: the width stays at most 15 bits, a code is
// at most the next free code (equal is the string-plus-its-first-byte case),
// the next free code never reaches 0x8000, and a string never overruns the stack.
int GLZWCompressor::Expand(GByteSource& in, GByteSink& out) {
  if (!Prepare()) return 0;
  GBitStream bits(&in);

  uint32_t code = 0;
  for (;;) {
    // Start of a block: a new dictionary at 9 bits. The decoder reads only
    // cells below the next free code, each written before it is read, so the
    // cells need no clearing; that keeps a stream of flush codes cheap.
    nextCode_ = kFirstCode;
    width_ = kInitialWidth;
    maxCodeOfWidth_ = (1 << kInitialWidth) - 1;
    if (!bits.GetBits(code, width_)) return 0;
    if (code == kEndOfData) return 1;
    // The encoder starts every block with a single byte.
    if (code > 255) return 0;
    if (!out.Write(static_cast<uint8_t>(code))) return 0;
    int oldCode = static_cast<int>(code);
    uint8_t firstByte = static_cast<uint8_t>(code);

    bool newBlock = false;
    while (!newBlock) {
      if (!bits.GetBits(code, width_)) return 0;
      const int n = static_cast<int>(code);
      if (n == kEndOfData) return 1;
      if (n == kFlush) {
        newBlock = true;
        continue;
      }
      if (n == kWiden) {
        if (width_ >= kMaxWidth) return 0;
        ++width_;
        maxCodeOfWidth_ = 2 * maxCodeOfWidth_ + 1;
        continue;
      }
      if (n > nextCode_) return 0;
      // The new entry takes the next free code, which must stay below 0x8000.
      // The decoder's dictionary runs one entry behind the encoder's, and the
      // encoder flushes as soon as it has assigned 0x7FFF, so a well-formed
      // stream never needs the decoder to assign 0x7FFF itself.
      if (nextCode_ >= kMaxCode) return 0;

      // Collect the string on the stack from its last byte back to its first.
      int top = 0;
      int walk = n;
      if (n == nextCode_) {
        stack_[top++] = firstByte;
        walk = oldCode;
      }
      while (walk > 255) {
        if (top >= kStackSize) return 0;
        const Cell& cell = CellAt(walk);
        stack_[top++] = cell.byte;
        walk = cell.prefix;
      }
      if (top >= kStackSize) return 0;
      stack_[top++] = static_cast<uint8_t>(walk);
      firstByte = static_cast<uint8_t>(walk);
      while (top > 0) {
        if (!out.Write(stack_[--top])) return 0;
      }

      Cell& entry = CellAt(nextCode_);
      entry.code = nextCode_;
      entry.prefix = oldCode;
      entry.byte = firstByte;
      ++nextCode_;
      oldCode = n;
    }
  }
}
