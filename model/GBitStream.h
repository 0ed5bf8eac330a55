// GBitStream: reads or writes a stream of bits over a byte stream. Bits fill
// each byte from its most significant bit down, and multi-bit values go most
// significant bit first; the LZW coder writes and reads its codes through it.
#pragma once

#include <cstdint>

#include "model/GByteStream.h"

class GBitStream {
 public:
  // For reading over a byte source, or for writing over a byte sink. The
  // stream is borrowed; it must outlive the bit stream or its Flush.
  explicit GBitStream(GByteSource* in);
  explicit GBitStream(GByteSink* out);
  // Flushes a writing stream.
  ~GBitStream();

  GBitStream(const GBitStream&) = delete;
  GBitStream& operator=(const GBitStream&) = delete;

  // Writing. Each answers the ok flag (1 or 0).
  int PutBit(int bit);
  // Writes the low `count` bits of value (0 to 32), the highest first.
  int PutBits(uint32_t value, int count);
  // Writes a partly filled last byte with its low bits 0, flushes the byte
  // stream and lets it go; later writes answer 0. Answers 1 without an output
  // stream.
  int Flush();

  // Reading. Each answers the ok flag; the end of the input clears it.
  int GetBit(int& out);
  // Reads `count` bits (0 to 32), the highest first.
  int GetBits(uint32_t& out, int count);

 private:
  bool NextBit(int& bit);

  GByteSource* in_ = nullptr;
  GByteSink* out_ = nullptr;
  uint8_t byte_ = 0;
  uint8_t mask_ = 0x80;
  int ok_ = 1;
};
