// GRasterSource: one stage of a raster pipeline. Every image sent to the
// printer passes through a chain of these: each stage delivers rows on
// request and reads its own rows from the stage before it (its source).
// The chain starts at an image source (GBitmapSource), may scale, dither
// and crop, and ends in a row encoder (GRowEncoder).
//
// GBitmapSource, the image source, reads a span of each row of a bitmap in
// one of the conversion modes.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/GBitmap.h"
#include "graphics/GRect.h"

class GPaletteTable;

class GRasterSource {
 public:
  GRasterSource() = default;
  GRasterSource(const GRasterSource&) = delete;
  GRasterSource& operator=(const GRasterSource&) = delete;
  virtual ~GRasterSource();

  // Writes the next row into buffer (at most GetRowBytes bytes) and reports
  // its row number, its byte length (0: no more rows), how many times the
  // consumer uses it (repeat) and how many input rows it stands for (rows
  // covered). Answers the status of the first stage: 0, or 1 when the
  // caller's buffer must grow (it asks GetRowBytes again); an adaptive
  // encoder answers GAdaptiveRowEncoder::kRowTooLong, with no row, for an
  // image whose row fits no block.
  virtual int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat,
                          uint8_t& rowsCovered) = 0;
  // Passes over rows without delivering them.
  virtual void SkipRows(int16_t count);
  // Prepares the stage once its source is set; 0 means that the stage
  // cannot work and must be dropped from the chain.
  virtual int32_t Start();
  // The largest number of bytes ReadRow may write.
  virtual uint32_t GetRowBytes();
  // The rectangle of the rows delivered.
  virtual void GetBounds(GRect& out);
  virtual uint8_t GetBitsPerPixel();
  // The palette of the rows delivered (not a copy), or null.
  virtual GPaletteTable* GetPalette();

  void SetSource(GRasterSource* source) { source_ = source; }
  GRasterSource* GetSource() const { return source_; }
  int32_t IsStarted() const { return started_; }

 protected:
  GRasterSource* source_ = nullptr;  // not owned
  int32_t started_ = 0;
  uint32_t rowBytes_ = 0;
};

// The image source: columns x0 to x1 - 1 of the rows y0 to y1 - 1 of a
// bitmap, converted in the given mode (GBitmapRowMode). In modes 0, 1 and 4
// a 24-bit image is read as 8-bit gray rows. Mode 1 inverts gray rows and
// hands out an inverted copy of a palette; mode 4 inverts every byte.
class GBitmapSource : public GRasterSource {
 public:
  GBitmapSource(int32_t mode, GRect sourceRect, GBitmap bitmap);
  ~GBitmapSource() override;

  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override;
  void SkipRows(int16_t count) override;
  // The bitmap's bytes for the span: 3 per pixel for 24-bit images even
  // when the rows are gray.
  uint32_t GetRowBytes() override { return rowBytes_; }
  void GetBounds(GRect& out) override { out = sourceRect_; }
  uint8_t GetBitsPerPixel() override { return bitsPerPixel_; }
  GPaletteTable* GetPalette() override;

 private:
  GBitmap bitmap_;
  GRect sourceRect_;
  int16_t nextRow_;
  int16_t delivered_ = 0;
  int32_t mode_;
  uint8_t bitsPerPixel_;
  bool gray_ = false;
  std::unique_ptr<GPaletteTable> invertedPalette_;
};
