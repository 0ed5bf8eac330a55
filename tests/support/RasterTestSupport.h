// Helpers of the raster pipeline and row encoder tests: bitmaps made from
// bytes, a stage that delivers given rows, and reading every row of a
// pipeline.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/GBitmap.h"
#include "graphics/GRasterSource.h"

namespace rastertest {

using Bytes = std::vector<uint8_t>;

// A top-down bitmap of one plane owning a copy of data (rows padded to
// alignment).
inline GBitmap MakeBitmap(uint8_t bits, int16_t width, int16_t height, const Bytes& data, uint8_t alignment = 1,
                          GPaletteTable* palette = nullptr) {
  GBitmapDescription d;
  d.ownsData = 1;
  if (!data.empty()) {
    d.data = new uint8_t[data.size()];
    std::memcpy(d.data, data.data(), data.size());
  }
  d.dataLength = static_cast<uint32_t>(data.size());
  d.rowAlignment = alignment;
  d.bounds = GRect(0, 0, width, height);
  d.bitsPerPixel = bits;
  d.componentOrder = 1;
  d.palette = palette;
  return GBitmap(d);
}

// Delivers the given rows with the given repeat counts (1 when not given),
// for bounds of width x rows at the given depth.
class RowsSource : public GRasterSource {
 public:
  RowsSource(uint8_t bits, int16_t width, std::vector<Bytes> rows, std::vector<uint8_t> repeats = {})
      : bits_(bits), width_(width), rows_(std::move(rows)), repeats_(std::move(repeats)) {
    rowBytes_ = static_cast<uint32_t>((bits * width + 7) / 8);
  }
  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override {
    rowsCovered = 1;
    repeat = next_ < repeats_.size() ? repeats_[next_] : 1;
    row = static_cast<int16_t>(emitted_);
    if (next_ >= rows_.size()) {
      length = 0;
      return 0;
    }
    const Bytes& r = rows_[next_++];
    if (!r.empty()) std::memcpy(buffer, r.data(), r.size());
    length = static_cast<uint32_t>(r.size());
    emitted_ += repeat;
    return 0;
  }
  void SkipRows(int16_t count) override {
    skipped_ += count;
    next_ += static_cast<size_t>(count);
    emitted_ += count;
  }
  uint32_t GetRowBytes() override { return rowBytes_; }
  void GetBounds(GRect& out) override { out = GRect(0, 0, width_, static_cast<int16_t>(rows_.size())); }
  uint8_t GetBitsPerPixel() override { return bits_; }
  int32_t Skipped() const { return skipped_; }

 private:
  uint8_t bits_;
  int16_t width_;
  std::vector<Bytes> rows_;
  std::vector<uint8_t> repeats_;
  size_t next_ = 0;
  int32_t emitted_ = 0;
  int32_t skipped_ = 0;
};

struct Delivered {
  Bytes bytes;
  int16_t row = 0;
  uint8_t repeat = 0;
  uint8_t rowsCovered = 0;
};

// Every row of the stage until it delivers length 0, or, when reads is not
// 0, exactly that many rows (an encoded row may be empty: a delta row
// without changes). Each is read into a buffer of exactly GetRowBytes bytes
// so that a longer row is an over-write the sanitizer reports.
inline std::vector<Delivered> ReadAll(GRasterSource& stage, size_t reads = 0) {
  std::vector<Delivered> out;
  while (out.size() < (reads != 0 ? reads : 100000)) {
    const uint32_t size = stage.GetRowBytes();
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[size != 0 ? size : 1]);
    Delivered d;
    uint32_t length = 0;
    d.repeat = 1;
    d.rowsCovered = 1;
    stage.ReadRow(buffer.get(), d.row, length, d.repeat, d.rowsCovered);
    if (length == 0 && reads == 0) break;
    if (length > size) {
      d.bytes.clear();  // reported by the caller's size check
      d.bytes.resize(length, 0xEE);
    } else {
      d.bytes.assign(buffer.get(), buffer.get() + length);
    }
    out.push_back(std::move(d));
  }
  return out;
}

// A simple deterministic byte generator.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed * 2654435761u + 1) {}
  uint8_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<uint8_t>(state_ >> 8);
  }

 private:
  uint32_t state_;
};

}  // namespace rastertest
