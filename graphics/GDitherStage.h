// GOriginStage: a raster stage placed at an origin point on the page.
// GDitherStage turns 1-, 4- and 8-bit rows (gray values, or palette
// indices through the palette's gray) into 1-bit rows by comparing each
// pixel with a dither matrix laid over the page from the origin: a pixel
// is white (1) where its gray reaches the threshold, black (0) elsewhere.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/GGrayConversion.h"
#include "graphics/GRasterSource.h"

class GDitherMatrix;

class GOriginStage : public GRasterSource {
 public:
  GOriginStage(int16_t left, int16_t top) : left_(left), top_(top) {}

 protected:
  int16_t left_;
  int16_t top_;
};

class GDitherStage : public GOriginStage {
 public:
  // The rectangle's left and top become the origin. The matrix stays the
  // caller's and must outlive the stage; a null gray function is
  // LuminanceGray.
  GDitherStage(GRect rectangle, GDitherMatrix* matrix, GGrayFunction grayFunction);
  ~GDitherStage() override;

  // Fails (started 0) unless the source delivers 1, 4 or 8 bits per pixel
  // and the matrix has thresholds.
  int32_t Start() override;
  // A source row repeated n times comes out as n rows, each against its
  // own matrix row.
  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override;
  uint32_t GetRowBytes() override { return rowBytes_; }
  uint8_t GetBitsPerPixel() override { return 1; }
  // Index 0 black, index 1 white.
  GPaletteTable* GetPalette() override { return palette_.get(); }

 private:
  void Dither(int16_t row, uint8_t* out);

  GDitherMatrix* matrix_;
  GGrayFunction grayFunction_;
  uint8_t matrixWidth_ = 0;
  uint8_t matrixHeight_ = 0;
  uint8_t grayTable_[256] = {};
  std::vector<uint8_t> thresholds_;  // one matrix row, as wide as the matrix
  int16_t sourceLeft_ = 0;
  int16_t sourceTop_ = 0;
  int16_t sourceRight_ = 0;
  uint8_t sourceBits_ = 0;
  std::vector<uint8_t> sourceRow_;
  uint8_t columnPhase_ = 0;
  int32_t rowPhase_ = 0;
  int32_t pending_ = 0;
  int16_t nextReplayRow_ = 0;
  std::unique_ptr<GPaletteTable> palette_;
};
