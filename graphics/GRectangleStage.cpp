#include "graphics/GRectangleStage.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kMostRepeat = 255;  // a repeat count is one byte

uint32_t PackedBytes(uint32_t bitsPerPixel, int32_t width) {
  return width <= 0 ? 0 : static_cast<uint32_t>((static_cast<uint64_t>(bitsPerPixel) * width + 7) / 8);
}

int16_t ClampToInt16(int64_t value) {
  return static_cast<int16_t>(std::clamp<int64_t>(value, INT16_MIN, INT16_MAX));
}

// Pixel i of a row packed most significant first, 1, 4 or 8 bits each.
uint8_t GetPixel(const uint8_t* row, uint32_t i, uint32_t bits) {
  switch (bits) {
    case 1:
      return (row[i / 8] >> (7 - i % 8)) & 1;
    case 4:
      return (i % 2 == 0) ? row[i / 2] >> 4 : row[i / 2] & 0x0F;
    default:
      return row[i];
  }
}

void PutPixel(uint8_t* row, uint32_t i, uint32_t bits, uint8_t value) {
  switch (bits) {
    case 1: {
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (i % 8));
      row[i / 8] = static_cast<uint8_t>((value & 1) != 0 ? row[i / 8] | mask : row[i / 8] & ~mask);
      break;
    }
    case 4:
      row[i / 2] = (i % 2 == 0) ? static_cast<uint8_t>((row[i / 2] & 0x0F) | (value << 4))
                                : static_cast<uint8_t>((row[i / 2] & 0xF0) | (value & 0x0F));
      break;
    default:
      row[i] = value;
      break;
  }
}

}  // namespace

int32_t GScaleStage::Start() {
  started_ = 1;
  if (source_ == nullptr) {
    started_ = 0;
    return 0;
  }
  GRect bounds;
  source_->GetBounds(bounds);
  sourceWidth_ = bounds.Width();
  sourceHeight_ = bounds.Height();
  targetWidth_ = target_.Width();
  targetHeight_ = target_.Height();
  // Nothing to resample from, or a reversed target: the stage cannot work.
  if (sourceWidth_ <= 0 || sourceHeight_ <= 0 || targetWidth_ < 0 || targetHeight_ < 0) {
    started_ = 0;
    return 0;
  }
  scaleH_ = sourceWidth_ != targetWidth_;
  scaleV_ = sourceHeight_ != targetHeight_;
  shrinkH_ = targetWidth_ < sourceWidth_;
  shrinkV_ = targetHeight_ < sourceHeight_;
  accumulatorV_ = shrinkV_ ? sourceHeight_ : 0;
  bitsPerPixel_ = source_->GetBitsPerPixel();
  rowBytes_ = PackedBytes(bitsPerPixel_, targetWidth_);
  sourceRowBytes_ = source_->GetRowBytes();
  // The source row is read into the stage's own buffer, so that a row
  // repeated more often than one repeat count can say is delivered again.
  rowBuffer_.assign(std::max(sourceRowBytes_, PackedBytes(bitsPerPixel_, sourceWidth_)), 0);
  return 1;
}

uint32_t GScaleStage::GetRowBytes() { return scaleH_ ? rowBytes_ : std::max(rowBytes_, sourceRowBytes_); }

int32_t GScaleStage::ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat,
                             uint8_t& rowsCovered) {
  int32_t status = 0;
  uint32_t total = 1;
  row = ClampToInt16(rowsEmitted_);
  if (rowsEmitted_ >= targetHeight_ || source_ == nullptr) {
    repeat = 1;
    length = 0;
    return 0;
  }
  if (pendingRepeat_ > 0) {
    // The rest of a row enlarged beyond one repeat count.
    total = pendingRepeat_;
    rowsCovered = 1;
  } else {
    if (scaleV_) {
      if (shrinkV_) {
        const int32_t d = (sourceHeight_ - accumulatorV_ + targetHeight_) / targetHeight_;
        accumulatorV_ = d * targetHeight_ - sourceHeight_ + accumulatorV_;
        if (d > 1) source_->SkipRows(ClampToInt16(d - 1));
      } else {
        const int32_t a = targetHeight_ - accumulatorV_;
        accumulatorV_ = 0;
        total = static_cast<uint32_t>(a / sourceHeight_);
        if (a % sourceHeight_ != 0) {
          ++total;
          accumulatorV_ = sourceHeight_ - a % sourceHeight_;
        }
      }
    }
    int16_t sourceRow = 0;
    uint32_t sourceLength = 0;
    uint8_t sourceRepeat = 1;
    status = source_->ReadRow(rowBuffer_.data(), sourceRow, sourceLength, sourceRepeat, rowsCovered);
    // A source that ended early leaves its last row in the buffer.
    lastLength_ = sourceLength != 0 ? std::min<uint32_t>(sourceLength, static_cast<uint32_t>(rowBuffer_.size()))
                                    : sourceRowBytes_;
  }
  const uint32_t delivered = std::min(total, kMostRepeat);
  pendingRepeat_ = total - delivered;
  repeat = static_cast<uint8_t>(delivered);
  rowsEmitted_ += static_cast<int32_t>(delivered);

  if (!scaleH_) {
    length = std::min<uint32_t>(lastLength_, GetRowBytes());
    length = std::min<uint32_t>(length, static_cast<uint32_t>(rowBuffer_.size()));
    if (length != 0) std::memcpy(buffer, rowBuffer_.data(), length);
    return status;
  }
  if (bitsPerPixel_ == 24) {
    Resample24(rowBuffer_.data(), buffer);
  } else if (bitsPerPixel_ == 1 || bitsPerPixel_ == 4 || bitsPerPixel_ == 8) {
    ResampleSmall(rowBuffer_.data(), buffer);
  } else {
    std::memset(buffer, 0, rowBytes_);
  }
  length = rowBytes_;
  return status;
}

void GScaleStage::SkipRows(int16_t count) {
  if (count == 0 || source_ == nullptr) return;
  rowsEmitted_ += count;
  pendingRepeat_ = 0;
  if (!scaleV_) {
    source_->SkipRows(count);
  } else if (shrinkV_) {
    const int64_t t =
        (static_cast<int64_t>(targetHeight_) + static_cast<int64_t>(count) * sourceHeight_ - accumulatorV_) /
        targetHeight_;
    accumulatorV_ = static_cast<int32_t>(t * targetHeight_ + accumulatorV_ - static_cast<int64_t>(count) * sourceHeight_);
    source_->SkipRows(ClampToInt16(t));
  } else {
    const int64_t m = static_cast<int64_t>(count) * sourceHeight_ + accumulatorV_;
    source_->SkipRows(ClampToInt16(m / targetHeight_));
    accumulatorV_ = static_cast<int32_t>(m % targetHeight_);
  }
}

// Nearest-pixel resampling of 1-, 4- and 8-bit rows in 16.16 fixed point:
// the accumulator's upper half is the output position reached after each
// source pixel.
void GScaleStage::ResampleSmall(const uint8_t* in, uint8_t* out) const {
  const uint32_t bits = bitsPerPixel_;
  const uint64_t w = static_cast<uint64_t>(sourceWidth_);
  const uint64_t W = static_cast<uint64_t>(targetWidth_);
  if (bits == 1) std::memset(out, 0, rowBytes_);
  if (W == 0) return;
  const uint64_t step = (W * 65536 + w - 1) / w;
  uint64_t a = 0;
  uint64_t k = 0;
  uint64_t r = 0;
  uint64_t o = 0;
  uint8_t v = 0;
  auto read = [&]() {
    v = GetPixel(in, static_cast<uint32_t>(std::min(r, w - 1)), bits);
    ++r;
  };
  read();
  for (;;) {
    const uint64_t p = a >> 16;
    ++k;
    a += step;
    PutPixel(out, static_cast<uint32_t>(o++), bits, v);
    for (uint64_t copies = (a >> 16) - p; copies > 1 && o < W; --copies) PutPixel(out, static_cast<uint32_t>(o++), bits, v);
    if ((a >> 16) == p) {
      do {
        if (k >= w) break;
        ++k;
        a += step;
        if (r <= k) read();
      } while ((a >> 16) == p);
    }
    if (o >= W) break;
    if (r > k) continue;  // the same pixel again
    read();
  }
}

// Nearest-pixel resampling of 3-byte pixels. Enlarging repeats each pixel
// by a Bresenham accumulator. Shrinking takes source pixel o x w div W for
// output pixel o, so that the row is sampled across its whole width (an
// accumulator that starts one pixel late would take the first pixels of
// the row side by side and drop the rest).
void GScaleStage::Resample24(const uint8_t* in, uint8_t* out) const {
  const int64_t w = sourceWidth_;
  const int64_t W = targetWidth_;
  if (shrinkH_) {
    for (int64_t o = 0; o < W; ++o) std::memcpy(out + 3 * o, in + 3 * (o * w / W), 3);
    return;
  }
  int64_t h = w;
  int64_t next = 0;
  int64_t r = 0;
  int64_t o = 0;
  while (o < W) {
    const uint8_t* pixel = in + 3 * std::min(r, w - 1);
    ++r;
    std::memcpy(out + 3 * o++, pixel, 3);
    int64_t c = 0;
    const int64_t before = next;
    do {
      if (h >= W) {
        ++next;
        h -= W;
      }
      h += w;
      ++c;
    } while (next == before);
    for (int64_t i = 1; i < c && o < W; ++i) std::memcpy(out + 3 * o++, pixel, 3);
    while (r < next && r < w) ++r;
  }
}

// ---- GPassThroughStage ----

int32_t GPassThroughStage::ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat,
                                   uint8_t& rowsCovered) {
  if (source_ == nullptr) {
    length = 0;
    return 0;
  }
  return source_->ReadRow(buffer, row, length, repeat, rowsCovered);
}
