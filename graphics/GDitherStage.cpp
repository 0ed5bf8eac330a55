#include "graphics/GDitherStage.h"

#include <algorithm>
#include <cstring>

#include "graphics/GColor.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GPaletteTable.h"

GDitherStage::GDitherStage(GRect rectangle, GDitherMatrix* matrix, GGrayFunction grayFunction)
    : GOriginStage(rectangle.left, rectangle.top),
      matrix_(matrix),
      grayFunction_(grayFunction != nullptr ? grayFunction : LuminanceGray) {
  GRGBColor black(0, 0, 0, 255);
  GRGBColor white(255, 255, 255, 255);
  palette_ = std::make_unique<GPaletteTable>(std::vector<GColor*>{&black, &white});
}

GDitherStage::~GDitherStage() = default;

int32_t GDitherStage::Start() {
  started_ = 0;
  if (source_ == nullptr || matrix_ == nullptr) return 0;
  sourceBits_ = source_->GetBitsPerPixel();
  if (sourceBits_ != 1 && sourceBits_ != 4 && sourceBits_ != 8) return 0;
  matrixWidth_ = matrix_->GetWidth();
  matrixHeight_ = matrix_->GetHeight();
  if (matrixWidth_ == 0 || matrixHeight_ == 0) return 0;
  started_ = 1;

  GRect bounds;
  source_->GetBounds(bounds);
  sourceLeft_ = bounds.left;
  sourceTop_ = bounds.top;
  sourceRight_ = bounds.right;
  const int32_t width = std::max<int32_t>(bounds.Width(), 0);
  const uint32_t packed = static_cast<uint32_t>((static_cast<uint64_t>(sourceBits_) * width + 7) / 8);
  sourceRow_.assign(std::max(source_->GetRowBytes(), packed), 0);
  thresholds_.assign(matrixWidth_, 0);

  // Gray of every pixel value; a 1- or 4-bit value is looked up masked in
  // place, so each is entered at every position it can take in a byte.
  GPaletteTable* palette = source_->GetPalette();
  if (palette != nullptr) {
    std::memset(grayTable_, 0, sizeof grayTable_);
    const uint32_t count = std::min<uint32_t>(palette->GetCount(), 1u << sourceBits_);
    for (uint32_t i = 0; i < count; ++i) {
      GColor* entry = palette->GetEntry(i);
      if (entry == nullptr) continue;
      GRGBColor rgb;
      entry->GetRGBColor(&rgb);
      const uint8_t r = rgb.GetRed();
      const uint8_t g = rgb.GetGreen();
      const uint8_t b = rgb.GetBlue();
      const uint8_t gray = grayFunction_ == LuminanceGray ? static_cast<uint8_t>((30 * r + 59 * g + 11 * b) / 100)
                                                          : static_cast<uint8_t>(grayFunction_(r, g, b));
      for (uint32_t j = 0; j < 8u / sourceBits_; ++j) grayTable_[(i << (sourceBits_ * j)) & 0xFF] = gray;
    }
  } else {
    for (uint32_t i = 0; i < 256; ++i) grayTable_[i] = static_cast<uint8_t>(i);
  }
  rowBytes_ = static_cast<uint32_t>((width + 7) / 8);
  columnPhase_ = static_cast<uint8_t>(((left_ % matrixWidth_) + matrixWidth_) % matrixWidth_);
  rowPhase_ = ((top_ % matrixHeight_) + matrixHeight_) % matrixHeight_;
  return 1;
}

int32_t GDitherStage::ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat,
                              uint8_t& rowsCovered) {
  if (pending_ > 0) {
    --pending_;
    row = nextReplayRow_++;
    repeat = 1;
    rowsCovered = 1;
    Dither(row, buffer);
    length = rowBytes_;
    return 0;
  }
  if (source_ == nullptr) {
    length = 0;
    return 0;
  }
  const int32_t status = source_->ReadRow(sourceRow_.data(), row, length, repeat, rowsCovered);
  if (length == 0) return status;
  if (repeat > 1) {
    pending_ = repeat - 1;
    nextReplayRow_ = static_cast<int16_t>(row + 1);
    repeat = 1;
  }
  Dither(row, buffer);
  length = rowBytes_;
  return status;
}

void GDitherStage::Dither(int16_t row, uint8_t* out) {
  const int32_t matrixRow = ((rowPhase_ + row) % matrixHeight_ + matrixHeight_) % matrixHeight_;
  matrix_->CopyRow(thresholds_.data(), columnPhase_, static_cast<uint8_t>(matrixRow));
  const int32_t width = static_cast<int32_t>(sourceRight_) - sourceLeft_;
  const uint8_t* in = sourceRow_.data();
  uint8_t acc = 0;
  uint32_t column = 0;
  for (int32_t x = 0; x < width; ++x) {
    uint8_t value;
    switch (sourceBits_) {
      case 1:
        value = in[x / 8] & static_cast<uint8_t>(0x80 >> (x % 8));
        break;
      case 4:
        value = in[x / 2] & static_cast<uint8_t>(x % 2 == 0 ? 0xF0 : 0x0F);
        break;
      default:
        value = in[x];
        break;
    }
    acc = static_cast<uint8_t>(acc << 1);
    if (grayTable_[value] >= thresholds_[column]) acc |= 1;
    if (++column == matrixWidth_) column = 0;
    if (x % 8 == 7) out[x / 8] = acc;
  }
  if (width % 8 != 0) out[width / 8] = static_cast<uint8_t>(acc << (8 - width % 8));
}
