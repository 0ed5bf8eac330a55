// The PCL 5e generator's raster output: a raster graphic's bitmap runs
// through the raster pipeline, which scales it to its destination at device
// resolution and dithers it with the job's matrix, into the run-length row
// encoder; the encoded rows are collected band by band in one buffer and
// written as PCL raster graphics (compression method 2).
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "graphics/GBitmap.h"
#include "graphics/GBitmapImp.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GDitherStage.h"
#include "graphics/GRectangleStage.h"
#include "graphics/GRasterSource.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GRasterPipelineBuilder.h"
#include "graphics/GRowEncoder.h"
#include "model/GMedia.h"
#include "pdl/GPcl5e.h"
#include "printpath/GRenderInstance.h"

int16_t GPcl5e::DrawRaster(GGraphic* graphic) {
  auto* raster = dynamic_cast<GRasterGraphic*>(graphic);
  if (raster == nullptr) return TakeOutputStatus();
  GRect source;
  GRect destination;
  raster->GetSourceRect(source);
  raster->GetDestRect(destination);
  if (clipKind_ == 1) {
    // Only the part inside the clip rectangle is sent; the source span is
    // trimmed in proportion.
    const GRect whole = destination;
    const int64_t dw = whole.right - whole.left;
    const int64_t dh = whole.bottom - whole.top;
    const int64_t sw = source.right - source.left;
    const int64_t sh = source.bottom - source.top;
    destination = GRect(std::max(whole.left, clipLeft_), std::max(whole.top, clipTop_),
                        std::min(whole.right, clipRight_), std::min(whole.bottom, clipBottom_));
    if (destination.right <= destination.left || destination.bottom <= destination.top || dw <= 0 || dh <= 0)
      return TakeOutputStatus();
    const GRect span = source;
    source = GRect(static_cast<int16_t>(span.left + (destination.left - whole.left) * sw / dw),
                   static_cast<int16_t>(span.top + (destination.top - whole.top) * sh / dh),
                   static_cast<int16_t>(span.left + (destination.right - whole.left) * sw / dw),
                   static_cast<int16_t>(span.top + (destination.bottom - whole.top) * sh / dh));
  }
  return DrawImage(raster->GetBitmap(), source, destination);
}

int16_t GPcl5e::DrawImage(const GBitmap& bitmap, GRect source, const GRect& destination) {
  const int width = destination.right - destination.left;
  const int height = destination.bottom - destination.top;
  if (bitmap.IsEmpty() != 0 || width <= 0 || height <= 0 || source.right <= source.left ||
      source.bottom <= source.top)
    return TakeOutputStatus();
  EnterPclMode(0, false);
  GRenderInstance* instance = RenderInstance();
  const GGrayFunction gray = instance != nullptr ? instance->GetGrayConversion() : &LuminanceGray;
  // The printer never scales: the chain brings the image to its
  // destination at device resolution and dithers it to one bit with the
  // job's matrix (1 white), in phase with the page; the encoder packs
  // the rows as ink bits.
  GBitmap image = bitmap;
  image.SetGrayFunction(gray);
  // A 1-bit image is only brought to size: with the default palette (0
  // white, 1 black) its bits are the printer's ink bits already. Deeper
  // images are read as 8-bit gray (through the gray conversion) and
  // dithered.
  const bool oneBit = image.GetBitsPerPixel() == 1;
  GRasterPipelineBuilder pipeline(
      new GBitmapSource(oneBit ? kBitmapRowColor : kBitmapRowGray, source, image), new GScaleStage(destination),
      oneBit ? nullptr : new GDitherStage(destination, dynamic_cast<GDitherMatrix*>(ditherMatrix_.Pointee()), gray),
      nullptr, nullptr, new GRunLengthRowEncoder(1, oneBit ? 0 : 1));

  // Drawing coordinates start at the imageable origin; the PCL cursor's x
  // already does (the logical page), its y starts at the page's top.
  const GMedia& media = PageMedia();
  MoveCursor(static_cast<int16_t>(destination.left),
             static_cast<int16_t>(destination.top + media.GetImageableOrigin()->y), true, true);
  if (rasterPresentation_ != 0) {
    Emit("#1B*r0F");
    rasterPresentation_ = 0;
  }
  Emit("#1B*r%fB%A0s1A#1B*b2M", 0, width);

  // Encoded rows are collected in the band; a band goes to the stream
  // before the next row could overflow it, and a row that is larger than
  // the band on its own goes straight to the stream.
  std::vector<uint8_t> band(kBandSize);
  uint32_t used = 0;
  std::vector<uint8_t> row(std::max<uint32_t>(pipeline.GetRowBytes(), 1));
  char prefix[24];
  // Rows until the pipeline has no more, never more than the destination
  // holds.
  int emitted = 0;
  while (emitted < height) {
    int16_t number = 0;
    uint32_t length = 0;
    uint8_t repeat = 1;
    uint8_t rowsCovered = 1;
    if (pipeline.ReadRow(row.data(), number, length, repeat, rowsCovered) == 1) {
      row.resize(std::max<size_t>(pipeline.GetRowBytes(), row.size() * 2));
      continue;
    }
    if (length == 0) break;
    const int prefixLength = std::snprintf(prefix, sizeof prefix, "\x1B*b%uW", length);
    const uint32_t need = static_cast<uint32_t>(prefixLength) + length;
    for (int i = 0; i < std::max<int>(repeat, 1) && emitted < height; ++i, ++emitted) {
      if (used + need > kBandLimit && used > 0) {
        EmitRaw(band.data(), static_cast<int32_t>(used));
        used = 0;
      }
      if (need > kBandLimit) {
        EmitRaw(prefix, prefixLength);
        EmitRaw(row.data(), static_cast<int32_t>(length));
        continue;
      }
      std::copy(prefix, prefix + prefixLength, band.data() + used);
      std::copy(row.data(), row.data() + length, band.data() + used + prefixLength);
      used += need;
    }
  }
  if (used > 0) EmitRaw(band.data(), static_cast<int32_t>(used));
  Emit("#1B*rC");
  forceX_ = forceY_ = 1;
  return TakeOutputStatus();
}
