#include "graphics/GRasterSource.h"

#include <algorithm>
#include <vector>

#include "graphics/GColor.h"
#include "graphics/GPaletteTable.h"

GRasterSource::~GRasterSource() = default;

void GRasterSource::SkipRows(int16_t) {}

int32_t GRasterSource::Start() {
  started_ = 1;
  return 1;
}

uint32_t GRasterSource::GetRowBytes() { return source_ != nullptr ? source_->GetRowBytes() : 0; }

void GRasterSource::GetBounds(GRect& out) {
  if (source_ != nullptr) {
    source_->GetBounds(out);
  } else {
    out = GRect();
  }
}

uint8_t GRasterSource::GetBitsPerPixel() { return source_ != nullptr ? source_->GetBitsPerPixel() : 0; }

GPaletteTable* GRasterSource::GetPalette() { return source_ != nullptr ? source_->GetPalette() : nullptr; }

// ---- GBitmapSource ----

namespace {

bool IsGrayMode(int32_t mode) { return mode == kBitmapRowGray || mode == kBitmapRowGray1 || mode == kBitmapRowGray4; }

}  // namespace

GBitmapSource::GBitmapSource(int32_t mode, GRect sourceRect, GBitmap bitmap)
    : bitmap_(bitmap), sourceRect_(sourceRect), nextRow_(sourceRect.top), mode_(mode) {
  const uint32_t effective = bitmap_.GetBitsPerPixel();
  bitsPerPixel_ = static_cast<uint8_t>(effective);
  if (IsGrayMode(mode) && effective == 24) {
    gray_ = true;
    bitsPerPixel_ = 8;
  }
  rowBytes_ = bitmap_.GetRowBytes(sourceRect.left, sourceRect.right);
  GPaletteTable* palette = bitmap_.GetPalette();
  if (mode == kBitmapRowGray1 && palette != nullptr) {
    std::vector<GColor*> colors;
    std::vector<std::unique_ptr<GRGBColor>> held;
    for (uint32_t i = 0; i < palette->GetCount(); ++i) {
      GColor* entry = palette->GetEntry(i);
      if (entry == nullptr) continue;
      GRGBColor rgb;
      entry->GetRGBColor(&rgb);
      held.push_back(std::make_unique<GRGBColor>(static_cast<uint8_t>(255 - rgb.GetRed()),
                                                 static_cast<uint8_t>(255 - rgb.GetGreen()),
                                                 static_cast<uint8_t>(255 - rgb.GetBlue()), 255));
      colors.push_back(held.back().get());
    }
    // The table clones the colours it is given.
    invertedPalette_ = std::make_unique<GPaletteTable>(colors);
  }
}

GBitmapSource::~GBitmapSource() = default;

int32_t GBitmapSource::ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat,
                               uint8_t& rowsCovered) {
  rowsCovered = 1;
  repeat = 1;
  row = delivered_++;
  if (nextRow_ >= sourceRect_.bottom) {
    length = 0;
    return 0;
  }
  length = bitmap_.GetRow(buffer, sourceRect_.left, sourceRect_.right, nextRow_, mode_);
  ++nextRow_;
  if ((mode_ == kBitmapRowGray1 && bitmap_.GetBitsPerPixel() == 24) || mode_ == kBitmapRowGray4) {
    for (uint32_t i = 0; i < length; ++i) buffer[i] = static_cast<uint8_t>(255 - buffer[i]);
  }
  return 0;
}

void GBitmapSource::SkipRows(int16_t count) {
  if (count == 0) return;
  const int32_t next = std::min<int32_t>(static_cast<int32_t>(nextRow_) + count, sourceRect_.bottom);
  nextRow_ = static_cast<int16_t>(std::max<int32_t>(next, INT16_MIN));
  delivered_ = static_cast<int16_t>(delivered_ + count);
}

GPaletteTable* GBitmapSource::GetPalette() {
  if (gray_) return nullptr;
  if (mode_ == kBitmapRowGray1 && invertedPalette_ != nullptr) return invertedPalette_.get();
  return bitmap_.GetPalette();
}
