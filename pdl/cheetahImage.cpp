// GCheetah's images: raster graphics cut to the page and the clip, raster
// patterns for pattern paints, and the one image writer behind both. The
// writer runs the bitmap through a raster pipeline into the row encoder of
// the job's render mode and writes the rows in blocks of at least 16 KB
// (or, for a photograph in the JPEG render mode, as one JPEG stream).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/GBitmapImp.h"
#include "graphics/GClip.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GGrayConversion.h"
#include "graphics/GJpegRowEncoder.h"
#include "graphics/GPaint.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GPatternPaint.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GRasterPipelineBuilder.h"
#include "graphics/GRowEncoder.h"
#include "graphics/GTransformAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GState.h"
#include "pdl/XLOperators.h"
#include "pdl/cheetah.h"

namespace {

// Class id of the transform attribute.
constexpr RWClassID kImageTransformClassId = 103;

// Image data goes out in blocks of at least this many bytes.
constexpr uint32_t kImageBlockBytes = 16384;
// Uncompressed and run-length rows are padded to whole 32-bit words, as the
// printer reads them; delta rows carry their own length.
constexpr uint16_t kImageRowPadding = 4;
// Patterns are scaled by the vertical resolution over this.
constexpr uint16_t kPatternBaseResolution = 150;

// The photograph test: images and their drawn span must exceed this in
// both directions, and the two sides together kPhotoMinPerimeter.
constexpr int32_t kPhotoMinSide = 40;
constexpr int32_t kPhotoMinPerimeter = 100;
// Rows sampled: every height / kPhotoSampleRows rows.
constexpr int32_t kPhotoSampleRows = 16;
// Neighbour differences from this up count as sharp edges; an image with
// kPhotoMaxSharpEdges of them is a chart, not a photograph.
constexpr uint32_t kPhotoSharpDifference = 224;
constexpr uint32_t kPhotoMaxSharpEdges = 230;

// The gray colour space of SetColorSpace.
constexpr uint8_t kImageColorSpaceGray = 1;

// Render modes and their compressions.
constexpr uint8_t kCompressNone = 0;
constexpr uint8_t kCompressRunLength = 1;
constexpr uint8_t kCompressJpeg = 2;
constexpr uint8_t kCompressDeltaRow = 3;
constexpr uint8_t kCompressAdaptive = 5;

// ColorDepth of the pipeline's bits per pixel.
uint8_t XlColorDepth(uint8_t bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
      return 0;
    case 4:
      return 1;
    case 8:
    case 24:
      return 2;
    default:
      return bitsPerPixel;
  }
}

}  // namespace

// ---- Raster graphics ----

int16_t GCheetah::DrawRaster(GGraphic* graphic) {
  auto* raster = dynamic_cast<GRasterGraphic*>(graphic);
  if (raster == nullptr) return TakeWriteStatus();
  GState* graphics = GetStateSection(GFeatureIds::kGraphicsState);

  // The page in the units of the page's scale.
  float sx = 1.0f;
  float sy = 1.0f;
  auto* transform =
      graphics != nullptr ? dynamic_cast<GTransformAttribute*>(graphics->FindByClass(kImageTransformClassId)) : nullptr;
  if (transform != nullptr) {
    GRealPair scale;
    transform->GetScale(scale);
    if (scale.x != 0.0f) sx = scale.x;
    if (scale.y != 0.0f) sy = scale.y;
  }
  auto pageSide = [](int32_t extent, float scale) -> int16_t {
    const float side = static_cast<float>(extent) / scale;
    if (!(side >= 0.0f)) return 32767;
    return side > 32767.0f ? int16_t{32767} : static_cast<int16_t>(side);
  };
  GMedia* media = GetPageMedia();
  // Without a medium of its own the page reaches as far as coordinates go.
  const GRect page(0, 0, media != nullptr ? pageSide(media->GetImageableExtent()->x, sx) : int16_t{32767},
                   media != nullptr ? pageSide(media->GetImageableExtent()->y, sy) : int16_t{32767});

  // The visible rectangle: the clip's, inside the page.
  GRect visible = page;
  auto* clip = graphics != nullptr ? dynamic_cast<GClip*>(graphics->FindByKind(GClipClassId)) : nullptr;
  GRect clipBounds;
  if (clip != nullptr && clip->GetClipRegion() != kClipOutside && clip->GetBounds(clipBounds) != 0) {
    visible = clipBounds.Intersect(page);
    if (visible.IsEmpty()) return TakeWriteStatus();
  }
  GClipToSingleRectangle cut(visible, kClipInside, kClipWinding, nullptr);
  GRect source;
  GRect destination;
  raster->ClipRects(&cut, source, destination);
  if (source.IsEmpty() || destination.IsEmpty()) return TakeWriteStatus();
  DrawImage(raster->GetBitmap(), source, destination, 0, 0);
  return TakeWriteStatus();
}

// ---- Patterns ----

bool GCheetah::DefinePattern(GPaint* paint, int16_t patternId) {
  const auto* pattern = dynamic_cast<const GPatternSource*>(paint);
  if (pattern == nullptr) return false;
  const GBitmap bitmap = pattern->GetPatternBitmap();
  if (bitmap.IsEmpty() != 0) return false;
  GRect bounds;
  bitmap.GetBounds(bounds);
  if (bounds.Width() == 0 || bounds.Height() == 0) return false;
  uint8_t factor = 1;
  if (pattern->IsScaledPattern() != 0 || (patternScaling_ != 0 && pattern->HasPatternBackground() == 0)) {
    factor = static_cast<uint8_t>(yResolution_ / kPatternBaseResolution);
    if (factor == 0) factor = 1;
  }
  const int32_t side = std::min(std::abs(bounds.Width()) * factor, std::abs(bounds.Height()) * factor);
  const auto clamped = static_cast<int16_t>(std::min<int32_t>(side, 32767));
  return DrawImage(bitmap, bounds, GRect(0, 0, clamped, clamped), 1, patternId);
}

// ---- The photograph test ----

bool GCheetah::IsPhotographic(const GBitmap& bitmap, const GRect& sourceRect) {
  GRect bounds;
  bitmap.GetBounds(bounds);
  const int32_t width = bounds.Width();
  const int32_t height = bounds.Height();
  if (sourceRect.Width() <= kPhotoMinSide || sourceRect.Height() <= kPhotoMinSide) return false;
  if (width <= kPhotoMinSide || height <= kPhotoMinSide || width + height <= kPhotoMinPerimeter) return false;
  if (bitmap.GetBitsPerPixel() != 24) return false;
  if (qualityPreset_ != 0) return true;

  // The drawn span, inside the image.
  const GRect span = sourceRect.Intersect(bounds);
  if (span.IsEmpty()) return false;
  const uint32_t rowBytes = bitmap.GetRowBytes(span.left, span.right);
  std::vector<uint8_t> row(rowBytes);
  uint32_t counters[256] = {};
  const int32_t rows = span.Height();
  const int32_t step = rows / kPhotoSampleRows > 0 ? rows / kPhotoSampleRows : 1;
  for (int32_t y = 0; y < rows; y += step) {
    const auto line = static_cast<int16_t>(span.top + y);
    if (bitmap.GetRow(row.data(), span.left, span.right, line, kBitmapRowSwapped) != rowBytes) continue;
    for (uint32_t at = 3; at + 2 < rowBytes; at += 3) {
      for (uint32_t c = 0; c < 3; ++c) ++counters[std::abs(row[at + c] - row[at + c - 3])];
    }
    uint32_t sharp = 0;
    for (uint32_t d = kPhotoSharpDifference; d < 256; ++d) sharp += counters[d];
    if (sharp >= kPhotoMaxSharpEdges) return false;
  }
  return true;
}

// ---- The image writer ----

bool GCheetah::DrawImage(const GBitmap& given, const GRect& sourceRect, const GRect& destination, int32_t pattern,
                         int16_t patternId) {
  // An image without pixels, or a span without rows or columns, draws nothing.
  if (given.IsEmpty() != 0 || sourceRect.IsEmpty() || destination.IsEmpty()) return false;
  GBitmap bitmap = given;
  if (given.IsCompressed() != 0) {
    // Packed data is expanded first; what does not expand is drawn as it is.
    GBitmap expanded = given.ExpandPacked();
    if (expanded.IsEmpty() == 0) bitmap = expanded;
  }

  const bool rgb = colourOutput_ != 0;
  const GRect sourceOnly = sourceRect;
  GDitherMatrix* matrix = nullptr;
  if (!rgb && twoBitsPerPixel_ == 0 && xResolution_ != 1200 && yResolution_ != 1200) matrix = GetDitherMatrix();

  // The compression of the render mode.
  uint8_t compression = kCompressNone;
  if (pattern == 0) {
    int16_t mode = renderMode_;
    if (mode != 0 && mode != 1 && !SupportsProtocol(2, 1)) mode = 1;
    switch (mode) {
      case 1:
      case 2:
        compression = kCompressRunLength;
        break;
      case 4:
        compression = kCompressDeltaRow;
        break;
      case 8:
      case 16:
        compression = kCompressAdaptive;
        break;
      case 512:
        compression = rgb && IsPhotographic(bitmap, sourceOnly) ? kCompressJpeg : kCompressDeltaRow;
        break;
      default:
        compression = kCompressNone;
        break;
    }
  }

  // Colour rows go out red, green, blue whatever order the image stores.
  const int32_t rowMode = rgb ? kBitmapRowSwapped : kBitmapRowGray;
  const int32_t scalingMode = matrix != nullptr ? 1 : 0;
  auto build = [&](uint8_t method, GRect& span) {
    GRowEncoder* encoder = nullptr;
    switch (method) {
      case kCompressRunLength:
        encoder = new GRunLengthRowEncoder(kImageRowPadding, 0);
        break;
      case kCompressJpeg:
        encoder = new GJpegRowEncoder(1, 0);
        break;
      case kCompressDeltaRow:
        encoder = new GDeltaRowEncoder(1, 0, 1);
        break;
      case kCompressAdaptive:
        encoder = new GAdaptiveRowEncoder(1, 0);
        break;
      default:
        encoder = new GUncompressedRowEncoder(kImageRowPadding, 0);
        break;
    }
    span = sourceOnly;
    return std::make_unique<GRasterPipelineBuilder>(destination, &span, nullptr, bitmap, rowMode, scalingMode, matrix,
                                                    encoder, 0, LuminanceGray);
  };
  GRect span;
  std::unique_ptr<GRasterPipelineBuilder> pipeline = build(compression, span);

  // A JPEG image is compressed before anything is written: one that cannot
  // be compressed goes out with delta rows instead.
  std::vector<uint8_t> jpeg;
  uint32_t jpegLength = 0;
  if (compression == kCompressJpeg) {
    GRect bounds;
    pipeline->GetBounds(bounds);
    const uint64_t capacity =
        static_cast<uint64_t>(std::abs(bounds.Width())) * static_cast<uint64_t>(std::abs(bounds.Height())) * 3;
    if (capacity > 0 && capacity <= GBitmapImp::kMaxDecodedBytes) {
      jpeg.resize(capacity);
      SetJpegOutput(jpeg.data(), static_cast<uint32_t>(capacity));
      int16_t row = 0;
      uint32_t length = 0;
      uint8_t repeat = 1;
      uint8_t covered = 1;
      pipeline->ReadRow(nullptr, row, length, repeat, covered);
      jpegLength = length;
      SetJpegOutput(nullptr, 0);
    }
    if (jpegLength == 0) {
      compression = kCompressDeltaRow;
      pipeline = build(compression, span);
    }
  }

  GRect bounds;
  pipeline->GetBounds(bounds);
  if (bounds.IsEmpty()) return false;

  // The printer paints an image through the brush (the raster operation
  // combines both): with no brush it would paint nothing at all. The image
  // is drawn with a black brush, which leaves its pixels as they are, and
  // the brush is none again after it.
  const bool noBrush = pattern == 0 && brushSource_ == kSourceNone;
  if (noBrush) {
    XLSetColorSpace(S(), kImageColorSpaceGray);
    XLSetBrushSourceGray(S(), 0);
  }

  // Depth, colour space and palette of what the pipeline delivers. An image
  // of fewer than 24 bits without a palette is gray, also for colour output.
  const uint8_t bits = pipeline->GetBitsPerPixel();
  const GPaletteTable* palette = pipeline->GetPalette();
  const bool rgbSpace = rgb && (bits >= 24 || (palette != nullptr && palette->GetCount() != 0));
  const bool mapped = rgbSpace ? SendRGBPalette(palette, bits) : SendGrayPalette(palette, bits);
  const uint8_t colorMapping = mapped ? 1 : 0;
  const uint8_t depth = XlColorDepth(bits);
  const auto width = static_cast<uint16_t>(std::abs(bounds.Width()));
  const auto height = static_cast<uint16_t>(std::abs(bounds.Height()));
  const auto destWidth = static_cast<uint16_t>(std::abs(destination.Width()));
  const auto destHeight = static_cast<uint16_t>(std::abs(destination.Height()));

  XLSetCursorS16(S(), destination.left, destination.top);
  if (pattern != 0) {
    XLBeginRastPattern(S(), colorMapping, depth, width, height, destWidth, destHeight, patternId, 0);
  } else {
    XLBeginImage(S(), colorMapping, depth, width, height, destWidth, destHeight);
  }
  auto readBlock = [&](uint16_t first, uint16_t lines, uint8_t method, const uint8_t* data, uint32_t length) {
    if (pattern != 0) {
      XLReadRastPattern(S(), first, lines, method);
    } else {
      XLReadImage(S(), first, lines, method);
    }
    XLWriteEmbeddedBytes(S(), data, length);
  };

  if (compression == kCompressJpeg) {
    readBlock(0, height, kCompressJpeg, jpeg.data(), jpegLength);
  } else {
    if (auto* adaptive = dynamic_cast<GAdaptiveRowEncoder*>(pipeline->GetStage(pipeline->GetStageCount() - 1)))
      adaptive->ResetSeedRow();
    uint32_t largest = pipeline->GetRowBytes();
    std::vector<uint8_t> row(largest != 0 ? largest : 1);
    uint32_t blockSize = kImageBlockBytes;
    while (blockSize < largest) blockSize *= 2;
    std::vector<uint8_t> block(blockSize);
    uint32_t blockBytes = 0;
    uint32_t blockFirst = 0;
    uint32_t blockLines = 0;
    uint32_t lines = 0;
    auto closeBlock = [&]() {
      if (blockLines != 0)
        readBlock(static_cast<uint16_t>(blockFirst), static_cast<uint16_t>(blockLines), compression, block.data(),
                  blockBytes);
      blockFirst += blockLines;
      blockBytes = 0;
      blockLines = 0;
    };
    while (lines < height) {
      int16_t number = 0;
      uint32_t length = 0;
      uint8_t repeat = 1;
      uint8_t covered = 1;
      const int32_t status = pipeline->ReadRow(row.data(), number, length, repeat, covered);
      if (status == 1) {
        // The row buffer is too small: grow it and ask again.
        const uint32_t wanted = pipeline->GetRowBytes();
        if (wanted <= row.size()) break;
        row.assign(wanted, 0);
        largest = wanted;
        if (blockSize < largest) {
          closeBlock();
          while (blockSize < largest) blockSize *= 2;
          block.assign(blockSize, 0);
        }
        continue;
      }
      if (status != 0 || length == 0 || length > row.size()) break;
      for (uint32_t copy = 0; copy < (repeat != 0 ? repeat : 1u) && lines < height; ++copy) {
        if (blockBytes + length > blockSize) closeBlock();
        std::memcpy(block.data() + blockBytes, row.data(), length);
        blockBytes += length;
        const uint32_t add = std::min<uint32_t>(covered != 0 ? covered : 1u, height - lines);
        blockLines += add;
        lines += add;
        // The next row might not fit: the block goes out now.
        if (blockBytes + largest >= blockSize) closeBlock();
      }
    }
    closeBlock();
  }

  if (pattern != 0) {
    XLEndRastPattern(S());
  } else {
    XLEndImage(S());
  }
  if (noBrush) XLSetBrushSourceNull(S());
  return true;
}
