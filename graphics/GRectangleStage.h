// GRectangleStage: a raster stage that delivers its rows for a rectangle
// of its own. GScaleStage resamples the rows of its source to the size of
// that rectangle (nearest pixel, rows repeated or skipped); GPassThroughStage
// hands its source's rows on unchanged and only reports the rectangle.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/GRasterSource.h"

class GRectangleStage : public GRasterSource {
 public:
  explicit GRectangleStage(GRect target) : target_(target) {}
  void GetBounds(GRect& out) override { out = target_; }

 protected:
  GRect target_;
};

class GScaleStage : public GRectangleStage {
 public:
  explicit GScaleStage(GRect target) : GRectangleStage(target) {}

  // Fails without a source.
  int32_t Start() override;
  // Without vertical scaling each source row is delivered once; enlarging
  // gives rows a repeat count, shrinking skips source rows. Rows past the
  // target height are not delivered (length 0); a source that ends early
  // is padded with its last row up to the target height.
  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override;
  void SkipRows(int16_t count) override;
  // (bits per pixel x target width + 7) div 8; without horizontal scaling
  // the source writes into the caller's buffer, so never less than the
  // source's.
  uint32_t GetRowBytes() override;
  uint8_t GetBitsPerPixel() override { return bitsPerPixel_; }

 private:
  void ResampleSmall(const uint8_t* in, uint8_t* out) const;
  void Resample24(const uint8_t* in, uint8_t* out) const;

  int32_t sourceWidth_ = 0;
  int32_t sourceHeight_ = 0;
  int32_t targetWidth_ = 0;
  int32_t targetHeight_ = 0;
  bool scaleH_ = false;
  bool scaleV_ = false;
  bool shrinkH_ = false;
  bool shrinkV_ = false;
  int32_t accumulatorV_ = 0;
  int32_t rowsEmitted_ = 0;
  uint8_t bitsPerPixel_ = 0;
  uint32_t sourceRowBytes_ = 0;
  uint32_t lastLength_ = 0;     // the length of the source row held
  uint32_t pendingRepeat_ = 0;  // deliveries of the held row still due
  std::vector<uint8_t> rowBuffer_;  // the source's row, when scaling horizontally
};

class GPassThroughStage : public GRectangleStage {
 public:
  explicit GPassThroughStage(GRect rectangle) : GRectangleStage(rectangle) {}
  // Skips pass to the source as well: the rows are the source's.
  void SkipRows(int16_t count) override {
    if (source_ != nullptr) source_->SkipRows(count);
  }
  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override;
};
