// Fuzz target: raster pipelines over damaged bitmaps. The first bytes
// describe a bitmap (depth, size, alignment, palette), the span read from
// it, the destination, the conversion and scaling modes, a dither matrix
// and the row encoder; the rest is pixel data, then thresholds. Every row
// the pipeline delivers is read into a buffer of exactly the size the
// pipeline reports, so a longer row is an over-write the sanitizer sees; a
// row reported longer than that size stops the run as well. A raster
// graphic of the same bitmap cuts its rectangles to the same clip.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/GBitmap.h"
#include "graphics/GClip.h"
#include "graphics/GColor.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GGrayConversion.h"
#include "graphics/GJpegRowEncoder.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GRasterPipelineBuilder.h"
#include "graphics/GRowEncoder.h"
#include "graphics/GraphicsClasses.h"
#include "model/ModelClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"

namespace {

constexpr size_t kHeader = 20;
constexpr int kMostReads = 400;

GRowEncoder* MakeEncoder(uint8_t kind, uint16_t alignment, int32_t invert) {
  switch (kind % 7) {
    case 1: return new GUncompressedRowEncoder(alignment, invert);
    case 2: return new GRunLengthRowEncoder(alignment, invert);
    case 3: return new GDeltaRowEncoder(alignment, invert, 0);
    case 4: return new GDeltaRowEncoder(alignment, invert, 1);
    case 5: return new GAdaptiveRowEncoder(alignment, invert);
    case 6: return new GJpegRowEncoder(alignment, invert);
    default: return nullptr;
  }
}

void Run(const uint8_t* data, size_t size) {
  if (size < kHeader) return;
  static const uint8_t kDepths[8] = {1, 4, 8, 16, 24, 32, 8, 1};
  GBitmapDescription d;
  d.bitsPerPixel = kDepths[data[0] & 7];
  const int16_t width = static_cast<int16_t>(data[1] | ((data[2] & 1) << 8));
  const int16_t height = static_cast<int16_t>(data[3] & 63);
  d.bounds = GRect(0, 0, width, height);
  d.rowAlignment = data[4] & 7;
  d.componentOrder = (data[0] >> 3) & 1;
  d.bottomUp = (data[0] >> 4) & 1;
  const uint8_t paletteCount = data[5] & 7;
  // The span: signed, so that it may lie partly or wholly outside.
  GRect span(static_cast<int8_t>(data[6]), static_cast<int8_t>(data[7]),
             static_cast<int16_t>(static_cast<int8_t>(data[8]) + (data[2] & 2 ? 256 : 0)),
             static_cast<int8_t>(data[9]));
  const GRect destination(0, 0, static_cast<int16_t>(data[10] | ((data[2] & 4) << 6)), data[11]);
  const int32_t mode = data[12] % 6;
  const int32_t scalingMode = data[13] % 4;
  const uint8_t encoderKind = data[14];
  const uint16_t alignment = static_cast<uint16_t>(data[15] % 9);
  const int32_t invert = data[16] & 1;
  const int32_t force = (data[16] >> 1) & 1;
  const uint8_t matrixWidth = data[17];
  const uint8_t matrixHeight = data[18] & 15;
  const size_t pixelBytes = data[19] * 16u;

  const uint8_t* rest = data + kHeader;
  size_t left = size - kHeader;
  const size_t length = pixelBytes < left ? pixelBytes : left;
  if (length != 0) {
    // An exact copy, so that any read past the data is seen.
    d.data = new uint8_t[length];
    std::memcpy(d.data, rest, length);
  }
  d.dataLength = static_cast<uint32_t>(length);
  d.ownsData = 1;
  rest += length;
  left -= length;
  if (paletteCount != 0) {
    std::vector<GRGBColor> colors;
    for (uint8_t i = 0; i < paletteCount; ++i)
      colors.emplace_back(static_cast<uint8_t>(i * 40), static_cast<uint8_t>(255 - i * 30), static_cast<uint8_t>(i), 0);
    std::vector<GColor*> pointers;
    for (auto& c : colors) pointers.push_back(&c);
    d.palette = new GPaletteTable(pointers);
  }
  GBitmap bitmap(d);

  std::vector<uint8_t> thresholds(static_cast<size_t>(matrixWidth) * matrixHeight, 0x80);
  for (size_t i = 0; i < thresholds.size() && i < left; ++i) thresholds[i] = rest[i];
  GDitherMatrix matrix(matrixWidth, matrixHeight, thresholds.data(), 600, nullptr);

  // The JPEG block the way a generator sizes it: three bytes a pixel.
  const uint32_t jpegBytes = static_cast<uint32_t>(std::max<int32_t>(span.Width(), 0)) *
                             static_cast<uint32_t>(std::max<int32_t>(span.Height(), 0)) * 3u;
  std::unique_ptr<uint8_t[]> jpegBlock(new uint8_t[jpegBytes != 0 ? jpegBytes : 1]);

  // A rectangle clip inside the span or across its edges, inside or not.
  GClipToSingleRectangle clip(GRect(static_cast<int16_t>(span.left + (data[19] & 7) - 2), static_cast<int16_t>(span.top + 1),
                                    static_cast<int16_t>(span.right - ((data[14] >> 4) & 7)), static_cast<int16_t>(span.bottom - 1)),
                              (data[16] >> 3) & 1, 0, nullptr);
  // The raster graphic's cut of its rectangles to the clip, as a generator
  // makes it before building the pipeline: what it keeps of an ordinary
  // source lies inside it, and what it keeps of the destination inside that.
  GRasterGraphic raster(bitmap, span, destination, GBitmap(), nullptr, nullptr);
  GRect cutSource, cutDestination;
  raster.ClipRects((data[16] & 4) != 0 ? &clip : nullptr, cutSource, cutDestination);
  if (span.left < span.right && span.top < span.bottom && !cutSource.IsEmpty() &&
      (cutSource.left < span.left || cutSource.right > span.right || cutSource.top < span.top ||
       cutSource.bottom > span.bottom))
    __builtin_trap();
  if (!cutDestination.IsEmpty() && span.left < span.right && span.top < span.bottom && destination.Width() > 0 && destination.Height() > 0 &&
      (cutDestination.left < destination.left || cutDestination.right > destination.right ||
       cutDestination.top < destination.top || cutDestination.bottom > destination.bottom))
    __builtin_trap();

  GRect sourceRect = span;
  GRasterPipelineBuilder builder(destination, &sourceRect, (data[16] & 4) != 0 ? &clip : nullptr, bitmap, mode, scalingMode, &matrix,
                                 MakeEncoder(encoderKind, alignment, invert), force, LuminanceGray);
  SetJpegOutput(jpegBlock.get(), jpegBytes);
  for (int i = 0; i < kMostReads; ++i) {
    const uint32_t capacity = builder.GetRowBytes();
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity != 0 ? capacity : 1]);
    int16_t row = 0;
    uint32_t rowLength = 0;
    uint8_t repeat = 1;
    uint8_t covered = 1;
    builder.ReadRow(buffer.get(), row, rowLength, repeat, covered);
    if (encoderKind % 7 == 6) {
      if (rowLength > jpegBytes) __builtin_trap();
      break;
    }
    if (rowLength > capacity) __builtin_trap();
    // An encoded row may be empty (a delta row without changes); the rows
    // end when the unencoded pipeline delivers nothing.
    if (rowLength == 0 && (encoderKind % 7 < 3 || encoderKind % 7 == 5)) break;
  }
  SetJpegOutput(nullptr, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    return true;
  }();
  if (!ready) return 0;
  Run(data, size);
  return 0;
}
