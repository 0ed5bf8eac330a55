// GClipStage: the raster stage that crops the rows of its source to the
// bounding rectangle of an inside clip: rows above the rectangle are
// skipped, each row is moved left to the rectangle's first column (bits
// realigned for depths below 8) and cut after its last, and rows below it
// are not delivered.
#pragma once

#include <cstdint>

#include "graphics/GRasterSource.h"

class GClip;

class GClipStage : public GRasterSource {
 public:
  // The clip stays the caller's and must outlive the stage.
  explicit GClipStage(GClip* clip) : clip_(clip) {}

  // Fails without a source or clip, for a clip that is not an inside clip
  // or has no bounds, and when the crop would leave the rows empty or
  // whole.
  int32_t Start() override;
  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override;
  // The source's row bytes + 1: the shift reads one byte past a row.
  uint32_t GetRowBytes() override { return rowBytes_; }
  void GetBounds(GRect& out) override { out = crop_; }

 private:
  GClip* clip_;
  GRect crop_;
  bool firstRead_ = true;
  int16_t topSkip_ = 0;
  int32_t leftOffset_ = 0;
  uint8_t bitsPerPixel_ = 0;
  uint32_t bitShift_ = 0;
  uint32_t cropRowBytes_ = 0;
  uint8_t endMask_ = 0;
};
