// GJpegRowEncoder: the row encoder that compresses a whole image of 24-bit
// red, green, blue rows into one baseline JPEG stream (quality 95) with
// libjpeg. One ReadRow call reads every row of its source and reports the
// stream's length; the bytes go to the process-wide output block that
// SetJpegOutput names, collected in 4096-byte chunks.
//
// Failures: a block too small for the stream, a source that ends before
// the image height, a source of another depth and any error libjpeg
// reports all end the image with length 0 and a total of 0; the
// compressor is always destroyed, never left open.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/GRowEncoder.h"

// Points the output at the start of block, which holds capacity bytes, and
// clears the total. One image is compressed at a time in a process.
void SetJpegOutput(uint8_t* block, uint32_t capacity);
// The bytes appended to the block so far.
uint32_t GetJpegTotal();

class GJpegRowEncoder : public GRowEncoder {
 public:
  // Neither argument is used. Clears the output block and the total.
  GJpegRowEncoder(uint16_t alignment, int32_t invert);
  ~GJpegRowEncoder() override;

  int32_t Start() override;
  // Compresses the whole image on the first call: length = the stream's
  // bytes in the output block (0 on failure), repeat 1, row = the rows
  // written. Later calls report the same total.
  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override;
  // The caller sizes the output block; rows are not returned in a buffer.
  uint32_t GetRowBytes() override { return 0; }
  GPaletteTable* GetPalette() override { return nullptr; }

  int32_t IsFinished() const { return finished_; }

 private:
  struct State;
  bool Compress(int16_t& row, uint8_t& rowsCovered);
  void Abort();

  std::unique_ptr<State> state_;
  int32_t begun_ = 0;
  int32_t finished_ = 0;
  int32_t rowsWritten_ = 0;
  int16_t lastRow_ = 0;
  uint32_t lastLength_ = 0;
  uint8_t lastRepeat_ = 0;
  uint8_t lastCovered_ = 0;
};
