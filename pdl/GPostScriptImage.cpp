// The PostScript generator's raster output: a raster graphic is cut to the
// page and its clip, read through the raster pipeline (dithered for gray
// jobs, run-length encoded when the job asks for compression) and written
// as an image of the standard procset, its data in blocks; a brush or pen
// pattern is written the same way as a pattern the procset defines.
#include <algorithm>
#include <memory>
#include <vector>

#include "graphics/GClip.h"
#include "graphics/GColor.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GGrayConversion.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GPaint.h"
#include "graphics/GPatternPaint.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GRasterPipelineBuilder.h"
#include "graphics/GRowEncoder.h"
#include "graphics/GTransformAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GState.h"
#include "pdl/GPostScript.h"

namespace {

constexpr uint32_t kPsImageBlock = 16384;
// The pipeline's scaling choice that adds no stage.
constexpr int32_t kPsNoScaling = 3;

// The part of the destination inside clip, and the part of the source that
// maps onto it; false when nothing is left.
bool PsClipRectangles(const GRect& clip, GRect& source, GRect& destination) {
  const GRect cut = destination.Intersect(clip);
  if (cut.right <= cut.left || cut.bottom <= cut.top) return false;
  const int64_t dw = destination.Width();
  const int64_t dh = destination.Height();
  const int64_t sw = source.Width();
  const int64_t sh = source.Height();
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
  GRect s;
  s.left = static_cast<int16_t>(source.left + (cut.left - destination.left) * sw / dw);
  s.right = static_cast<int16_t>(source.left + ((cut.right - destination.left) * sw + dw - 1) / dw);
  s.top = static_cast<int16_t>(source.top + (cut.top - destination.top) * sh / dh);
  s.bottom = static_cast<int16_t>(source.top + ((cut.bottom - destination.top) * sh + dh - 1) / dh);
  if (s.right <= s.left || s.bottom <= s.top) return false;
  source = s;
  destination = cut;
  return true;
}

// The palette's entries as red, green and blue bytes, or as gray bytes,
// padded with zeros to 2^depth entries.
std::vector<uint8_t> PsPaletteBytes(const GPaletteTable& palette, uint32_t depth, bool rgb, bool* allGray,
                                    const GPostScript& generator) {
  const uint32_t entries = 1u << std::min<uint32_t>(depth, 8);
  std::vector<uint8_t> bytes(static_cast<size_t>(entries) * (rgb ? 3 : 1), 0);
  if (allGray != nullptr) *allGray = true;
  const uint32_t count = std::min<uint32_t>(palette.GetCount(), entries);
  for (uint32_t i = 0; i < count; ++i) {
    GRGBColor color;
    GColor* entry = palette.GetEntry(i);
    if (entry == nullptr || entry->GetRGBColor(&color) == nullptr) continue;
    if (allGray != nullptr && (color.GetRed() != color.GetGreen() || color.GetGreen() != color.GetBlue()))
      *allGray = false;
    if (rgb) {
      bytes[i * 3] = color.GetRed();
      bytes[i * 3 + 1] = color.GetGreen();
      bytes[i * 3 + 2] = color.GetBlue();
    } else {
      bytes[i] = generator.GrayOf(color.GetRed(), color.GetGreen(), color.GetBlue());
    }
  }
  return bytes;
}

}  // namespace

GDitherMatrix* GPostScript::GetDitherMatrix() { return dynamic_cast<GDitherMatrix*>(ditherMatrix_.Pointee()); }

// ---- Raster graphics ----

int16_t GPostScript::DrawRaster(GGraphic* graphic) {
  auto* raster = dynamic_cast<GRasterGraphic*>(graphic);
  if (raster == nullptr) return static_cast<int16_t>(TakeStatus());
  GState* graphics = GetStateSection(GFeatureIds::kGraphicsState);
  float sx = 1.0f;
  float sy = 1.0f;
  if (auto* transform = dynamic_cast<GTransformAttribute*>(
          graphics != nullptr ? graphics->FindByClass(GTransformAttributeClassId) : nullptr)) {
    GRealPair scale;
    transform->GetScale(scale);
    if (scale.x != 0.0f) sx = scale.x;
    if (scale.y != 0.0f) sy = scale.y;
  }
  // The page in the drawing's units; without a medium the whole range.
  GRect page(0, 0, 32767, 32767);
  if (currentMedia_ != nullptr) {
    auto extentIn = [](int16_t extent, float scale) -> int16_t {
      const float value = static_cast<float>(extent) / scale;
      return !(value >= 0.0f) || value > 32767.0f ? int16_t{32767} : static_cast<int16_t>(value);
    };
    // A landscape drawing has the medium's long side across.
    const uint8_t orientation = writer_->GetOrientation();
    const bool across = orientation == 1 || orientation == 3;
    const GShortPoint* extent = currentMedia_->GetImageableExtent();
    page.right = extentIn(across ? extent->y : extent->x, sx);
    page.bottom = extentIn(across ? extent->x : extent->y, sy);
  }
  if (auto* clip = dynamic_cast<GClip*>(graphics != nullptr ? graphics->FindByKind(GClipClassId) : nullptr)) {
    GRect bounds;
    if (clip->GetClipRegion() != 1 && clip->GetBounds(bounds) != 0) {
      page = page.Intersect(bounds);
      if (page.IsEmpty() || page.right < page.left || page.bottom < page.top) return static_cast<int16_t>(TakeStatus());
    }
  }
  GRect source;
  GRect destination;
  raster->GetSourceRect(source);
  raster->GetDestRect(destination);
  if (!PsClipRectangles(page, source, destination)) return static_cast<int16_t>(TakeStatus());
  GBitmap bitmap = raster->GetBitmap();
  if (IsMaskRasterOperation()) {
    GBitmap reduced;
    bitmap.ReduceColorDepth(reduced);
    if (reduced.IsEmpty() == 0) bitmap = reduced;
  }
  EnsureStreamStarted(1);
  DrawImage(bitmap, source, destination, false, 0, 0);
  return static_cast<int16_t>(TakeStatus());
}

// ---- Patterns ----

int32_t GPostScript::DefinePattern(GPaint* pattern, int32_t kind) {
  // A paint that tiles a bitmap tells its tile, its scaling and whether it
  // paints its own background; any other paint cannot be a pattern.
  const auto* tile = dynamic_cast<const GPatternSource*>(pattern);
  if (tile == nullptr) return 0;
  return DefinePatternBitmap(tile->GetPatternBitmap(), tile->HasPatternBackground() == 0 ? 1 : 0,
                             tile->IsScaledPattern(), kind);
}

int32_t GPostScript::DefinePatternBitmap(const GBitmap& bitmap, int32_t transparent, int32_t deviceScaling,
                                         int32_t kind) {
  if (bitmap.IsEmpty() != 0) return 0;
  GRect bounds;
  bitmap.GetBounds(bounds);
  if (bounds.Width() <= 0 || bounds.Height() <= 0) return 0;
  const int32_t factor =
      deviceScaling != 0 || (scalePatterns_ != 0 && transparent == 0) ? static_cast<uint8_t>(yResolution_ / 150) : 1;
  const int32_t side = std::min(bounds.Width() * factor, bounds.Height() * factor);
  const GRect destination(0, 0, static_cast<int16_t>(side), static_cast<int16_t>(side));
  EnsureStreamStarted(1);
  DrawImage(bitmap, bounds, destination, true, transparent, kind);
  return 1;
}

// ---- Image output ----

void GPostScript::DrawImage(const GBitmap& given, GRect source, GRect destination, bool pattern,
                            int32_t transparent, int32_t) {
  // Packed data is expanded first; what does not expand goes on as it is.
  GBitmap bitmap = given;
  if (given.IsCompressed() != 0) {
    GBitmap expanded = given.ExpandPacked();
    if (expanded.IsEmpty() == 0) bitmap = expanded;
  }
  PSLIB& w = *writer_;
  const bool colour = colourMode_ == 1;
  const bool dither = !colour && twoBitRaster_ == 0 && xResolution_ != 1200 && yResolution_ != 1200;
  const bool compress = !pattern && compressImages_ != 0;
  const int32_t compression = compress ? 1 : 0;
  GRowEncoder* encoder = compress ? static_cast<GRowEncoder*>(new GRunLengthRowEncoder(1, 0))
                                  : static_cast<GRowEncoder*>(new GUncompressedRowEncoder(1, 0));
  GRasterPipelineBuilder pipeline(destination, &source, nullptr, bitmap, colour ? kBitmapRowSwapped : kBitmapRowGray,
                                  dither ? 1 : kPsNoScaling, dither ? GetDitherMatrix() : nullptr, encoder, 0,
                                  LuminanceGray);
  GRect output;
  pipeline.GetBounds(output);
  const int32_t width = output.Width();
  const int32_t height = output.Height();
  if (width <= 0 || height <= 0) return;

  const uint8_t format = pipeline.GetBitsPerPixel();
  const int32_t depth = format == 1 ? 1 : format == 4 ? 4 : 8;
  GPaletteTable* palette = pipeline.GetPalette();
  int32_t mapping = 0;
  bool grayPalette = false;
  if (colour && palette != nullptr && format <= 8) PsPaletteBytes(*palette, depth, true, &grayPalette, *this);
  // RGB for a colour job's 24-bit rows and colour palettes; gray rows and
  // palettes that hold only grays stay gray. A palette (of at most 8 bits)
  // makes an indexed space.
  const int32_t kind = colour && (format == 24 || (palette != nullptr && !grayPalette)) ? 1 : 0;
  if (palette == nullptr || format > 8) {
    w.SetImageColourSpace(kind);
  } else {
    const std::vector<uint8_t> bytes = PsPaletteBytes(*palette, depth, kind == 1, nullptr, *this);
    w.SetImagePalette(kind, 8, bytes.data(), static_cast<uint32_t>(bytes.size()));
    mapping = 1;
  }
  w.WriteInteger(destination.left);
  w.WriteInteger(destination.top);
  w.WriteOperator("Q", true);
  if (pattern) {
    w.BeginPatternImage(mapping, depth, transparent, width, height, destination.Width(), destination.Height());
  } else {
    w.BeginImage(mapping, depth, width, height, destination.Width(), destination.Height());
    w.SetPendingDataLength(0);
    w.ImageBlockHeader(0, height, compression);
    w.BeginData(compression, 0);
  }

  // Rows into blocks of at most 16384 bytes; a row that alone reaches that
  // size makes a larger block of its own.
  std::vector<uint8_t> row(std::max<uint32_t>(pipeline.GetRowBytes(), 1));
  std::vector<uint8_t> block;
  block.reserve(kPsImageBlock);
  int32_t linesDone = 0;
  int32_t blockStart = 0;
  int32_t blockLines = 0;
  auto flushBlock = [&]() {
    if (blockLines == 0) return;
    if (pattern) {
      w.SetPendingDataLength(static_cast<uint32_t>(block.size()));
      w.PatternBlockHeader(blockStart, blockLines, compression);
      w.BeginData(compression, 0);
    }
    w.WriteData(block.data(), static_cast<uint32_t>(block.size()));
    if (pattern) w.EndData(compression, 1);
    block.clear();
    blockStart += blockLines;
    blockLines = 0;
  };
  while (linesDone < height) {
    int16_t rowNumber = 0;
    uint32_t length = 0;
    uint8_t repeat = 1;
    uint8_t covered = 1;
    int32_t status = pipeline.ReadRow(row.data(), rowNumber, length, repeat, covered);
    if (status == 1) {
      // The row needs a larger buffer: grow it to what the pipeline says
      // and read the row again.
      const uint32_t needed = pipeline.GetRowBytes();
      if (needed <= row.size()) break;
      row.resize(needed);
      status = pipeline.ReadRow(row.data(), rowNumber, length, repeat, covered);
    }
    if (length == 0 || length > row.size()) break;
    const int32_t copies = std::max<int32_t>(repeat, 1);
    for (int32_t copy = 0; copy < copies && linesDone < height; ++copy) {
      if (!block.empty() && block.size() + length >= kPsImageBlock) flushBlock();
      block.insert(block.end(), row.begin(), row.begin() + length);
      ++blockLines;
      ++linesDone;
    }
  }
  flushBlock();
  if (pattern) {
    w.EndPatternImage();
  } else {
    w.EndData(compression, 1);
    w.EndImage();
  }
}
