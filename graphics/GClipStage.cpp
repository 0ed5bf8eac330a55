#include "graphics/GClipStage.h"

#include <cstring>

#include "graphics/GClip.h"

int32_t GClipStage::Start() {
  started_ = 0;
  if (source_ == nullptr || clip_ == nullptr || clip_->GetClipRegion() != 0) return 0;
  GRect clipBounds;
  if (clip_->GetBounds(clipBounds) == 0) return 0;
  GRect bounds;
  source_->GetBounds(bounds);
  const GRect crop = bounds.Intersect(clipBounds);
  if (crop.Width() <= 0 || crop.Height() <= 0 || crop.Equals(bounds)) return 0;
  started_ = 1;
  crop_ = crop;
  topSkip_ = static_cast<int16_t>(crop.top - bounds.top);
  leftOffset_ = crop.left - bounds.left;
  bitsPerPixel_ = source_->GetBitsPerPixel();
  const uint64_t leftBits = static_cast<uint64_t>(bitsPerPixel_) * static_cast<uint64_t>(leftOffset_);
  const uint64_t cropBits = static_cast<uint64_t>(bitsPerPixel_) * static_cast<uint64_t>(crop.Width());
  bitShift_ = static_cast<uint32_t>(leftBits % 8);
  cropRowBytes_ = static_cast<uint32_t>((cropBits + 7) / 8);
  endMask_ = cropBits % 8 == 0 ? 0 : static_cast<uint8_t>(0xFF << (8 - cropBits % 8));
  rowBytes_ = source_->GetRowBytes() + 1;
  return 1;
}

int32_t GClipStage::ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat,
                            uint8_t& rowsCovered) {
  if (source_ == nullptr) {
    length = 0;
    return 0;
  }
  if (firstRead_) {
    firstRead_ = false;
    if (topSkip_ != 0) source_->SkipRows(topSkip_);
  }
  const int32_t status = source_->ReadRow(buffer, row, length, repeat, rowsCovered);
  row = static_cast<int16_t>(row - topSkip_);
  const int32_t cropHeight = crop_.Height();
  // Rows below the crop rectangle are not delivered.
  if (row >= cropHeight || row < 0) {
    length = 0;
    return status;
  }
  if (cropHeight < repeat + row) repeat = static_cast<uint8_t>(cropHeight - row);
  if (length == 0) return status;
  // The byte after the row takes part in the shift: make it defined.
  if (length < rowBytes_) std::memset(buffer + length, 0, rowBytes_ - length);
  if (leftOffset_ != 0) {
    const uint32_t from = static_cast<uint32_t>(static_cast<uint64_t>(bitsPerPixel_) * leftOffset_ / 8);
    if (bitShift_ == 0) {
      std::memmove(buffer, buffer + from, cropRowBytes_);
    } else {
      for (uint32_t i = 0; i < cropRowBytes_; ++i) {
        const uint32_t pair = (static_cast<uint32_t>(buffer[from + i]) << 8) | buffer[from + i + 1];
        buffer[i] = static_cast<uint8_t>(pair >> (8 - bitShift_));
      }
    }
  }
  if (endMask_ != 0) buffer[cropRowBytes_ - 1] &= endMask_;
  length = cropRowBytes_;
  return status;
}
