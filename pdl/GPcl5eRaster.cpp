// The PCL 5e generator's raster output. A raster graphic's bitmap, or the
// tile of a pattern paint, runs through a raster pipeline into a row
// encoder, and the encoded rows are collected band by band in one buffer
// and written as PCL raster graphics or as a user-defined pattern.
//
// In the monochrome colour mode the pipeline brings the image to its
// destination at device resolution and dithers it with the job's matrix to
// ink bits (run-length rows). In the colour modes the printer renders the
// image through the palettes of the colour set-up: direct by pixel for
// 24-bit rows, indexed for 1-, 4- and 8-bit rows, whose colours are sent
// before the image; the printer scales the image to its destination unless
// a clip cuts it, and the rows are adaptive blocks, or run-length and delta
// rows when rows are long or the job is rendered as raster.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "graphics/GBitmap.h"
#include "graphics/GBitmapImp.h"
#include "graphics/GClip.h"
#include "graphics/GClipStage.h"
#include "graphics/GColor.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GDitherStage.h"
#include "graphics/GGrayConversion.h"
#include "graphics/GPaint.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GPatternPaint.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GRasterPipelineBuilder.h"
#include "graphics/GRasterSource.h"
#include "graphics/GRectangleStage.h"
#include "graphics/GRowEncoder.h"
#include "model/GMedia.h"
#include "pdl/GPcl5e.h"
#include "printpath/GRenderInstance.h"

namespace {

// Compression methods of the raster transfer.
constexpr int32_t kPclRunLength = 2;
constexpr int32_t kPclDeltaRow = 3;
constexpr int32_t kPclAdaptive = 5;
// Rows of this many bytes or more are not sent in adaptive blocks.
constexpr uint32_t kAdaptiveRowLimit = 10837;
// Pattern tiles that are scaled count their pixels at this resolution.
constexpr int32_t kPatternBaseResolution = 150;

// The palettes of the colour set-up that images use: direct by pixel for
// 24-bit raster rows; indexed with 1, 4 and 8 bits for raster images (4 to
// 6) and for patterns, which vector graphics fill with (7 to 9).
constexpr int kDirectImagePalette = 3;
int IndexedPalette(uint32_t bits, bool pattern) {
  return (pattern ? 7 : 4) + (bits <= 1 ? 0 : bits <= 4 ? 1 : 2);
}

bool SameRect(const GRect& a, const GRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

int GrayOfEntry(const GPaletteTable& palette, uint32_t index, GGrayFunction gray) {
  GRGBColor rgb;
  GColor* entry = index < palette.GetCount() ? palette.GetEntry(index) : nullptr;
  if (entry == nullptr || entry->GetRGBColor(&rgb) == nullptr) return 255;
  return gray(rgb.GetRed(), rgb.GetGreen(), rgb.GetBlue());
}

// The colours an indexed image of bits per pixel stands for: its own
// palette, or for an image without one the gray ramp of its depth (a 1-bit
// image: white, then black).
std::unique_ptr<GPaletteTable> ColoursOf(const GPaletteTable* own, uint32_t bits) {
  if (own != nullptr) return std::make_unique<GPaletteTable>(*own);
  if (bits <= 1) return std::make_unique<GPaletteTable>();
  const uint32_t count = 1u << std::min<uint32_t>(bits, 8);
  std::vector<std::unique_ptr<GRGBColor>> held;
  std::vector<GColor*> colours;
  for (uint32_t i = 0; i < count; ++i) {
    const auto level = static_cast<uint8_t>(i * 255 / (count - 1));
    held.push_back(std::make_unique<GRGBColor>(level, level, level, 255));
    colours.push_back(held.back().get());
  }
  return std::make_unique<GPaletteTable>(colours);
}

}  // namespace

// ---- Raster graphics ----

int16_t GPcl5e::DrawRaster(GGraphic* graphic) {
  auto* raster = dynamic_cast<GRasterGraphic*>(graphic);
  if (raster == nullptr) return TakeOutputStatus();
  if (clipKind_ == 2 && !clipRects_.empty() && clipOutside_ == 0) {
    // Several clip rectangles: the image once inside each.
    const std::vector<GRect> rectangles = clipRects_;
    for (const GRect& rectangle : rectangles) {
      GClipToSingleRectangle one(rectangle, kClipInside, 0, nullptr);
      const int16_t status = DrawRasterClipped(raster, &one);
      if (status != 0) return status;
    }
    return TakeOutputStatus();
  }
  if (clipKind_ == 1) {
    GClipToSingleRectangle one(GRect(clipLeft_, clipTop_, clipRight_, clipBottom_),
                               clipOutside_ != 0 ? kClipOutside : kClipInside, 0, nullptr);
    return DrawRasterClipped(raster, &one);
  }
  return DrawRasterClipped(raster, nullptr);
}

int16_t GPcl5e::DrawRasterClipped(GRasterGraphic* raster, GClip* clip) {
  EnterPclMode(0, false);
  GRect source;
  GRect destination;
  raster->GetSourceRect(source);
  raster->GetDestRect(destination);
  if (source.IsEmpty() || destination.IsEmpty()) return TakeOutputStatus();
  if (scalingSent_ != 0 && transformRotation_ == 0) {
    // The page's transform, as the GL/2 scaling applies it: drawing units
    // scaled, the offset taken from the page's corner to the imageable
    // origin.
    const GMedia& media = PageMedia();
    auto place = [](int32_t value, float scale, int32_t shift) -> int16_t {
      const double dots = static_cast<double>(value) * scale + shift;
      return static_cast<int16_t>(std::clamp(dots, -32768.0, 32767.0));
    };
    const int32_t dx = transformOffsetX_ - media.GetImageableOrigin()->x;
    const int32_t dy = transformOffsetY_ - media.GetImageableOrigin()->y;
    destination = GRect(place(destination.left, scaleX_, dx), place(destination.top, scaleY_, dy),
                        place(destination.right, scaleX_, dx), place(destination.bottom, scaleY_, dy));
    if (destination.IsEmpty() || destination.right <= destination.left || destination.bottom <= destination.top)
      return TakeOutputStatus();
    // The clip is in drawing units as well.
    GRect cut;
    if (clip != nullptr && clip->GetBounds(cut) != 0) {
      const GRect placed(place(cut.left, scaleX_, dx), place(cut.top, scaleY_, dy), place(cut.right, scaleX_, dx),
                         place(cut.bottom, scaleY_, dy));
      GClipToSingleRectangle scaled(placed, clip->GetClipRegion(), 0, nullptr);
      return DrawClippedDevice(raster, source, destination, &scaled);
    }
  }
  return DrawClippedDevice(raster, source, destination, clip);
}

int16_t GPcl5e::DrawClippedDevice(GRasterGraphic* raster, const GRect& source, const GRect& destination,
                                  GClip* clip) {
  GRect bounds;
  if (clip != nullptr && clip->GetClipRegion() == kClipInside && clip->GetBounds(bounds) != 0) {
    // What lies outside the clip is never sent: the pipeline crops the rows
    // at device resolution, which stays exact where trimming the source in
    // whole pixels would not.
    const GRect cut = destination.Intersect(bounds);
    if (cut.IsEmpty() || cut.right <= cut.left || cut.bottom <= cut.top) return TakeOutputStatus();
    if (SameRect(cut, destination)) clip = nullptr;
  }
  return DrawImage(raster->GetBitmap(), 0, 0, source, destination, clip, 0);
}

// ---- Palettes ----

void GPcl5e::SendPalette(const GPaletteTable& palette, int id) {
  SelectPalette(id);
  EnterPclMode(0, false);
  for (uint32_t i = 0; i < palette.GetCount(); ++i) {
    GRGBColor rgb;
    GColor* entry = palette.GetEntry(i);
    if (entry == nullptr || entry->GetRGBColor(&rgb) == nullptr) continue;
    uint8_t colour[3] = {rgb.GetRed(), rgb.GetGreen(), rgb.GetBlue()};
    if (colourMode_ == 0) colour[0] = colour[1] = colour[2] = GrayOf(colour);
    Emit("#1B*v%fA%A0a%fB%A0b%fC%A0c%fD%A0I", colour[0], colour[1], colour[2], static_cast<int32_t>(i));
  }
}

void GPcl5e::SetImagePalette(const GPaletteTable* own, uint32_t bits, int id) {
  if (id < kFirstImagePalette || id > kLastImagePalette) return;
  std::unique_ptr<GPaletteTable>& sent = imagePalettes_[id - kFirstImagePalette];
  std::unique_ptr<GPaletteTable> colours = ColoursOf(own, bits);
  // Entries beyond the palette's size are not the image's: a 1-bit palette
  // keeps two, a 4-bit one sixteen.
  const uint32_t size = 1u << std::min<uint32_t>(bits, 8);
  if (colours->GetCount() > size) {
    std::vector<GColor*> first;
    for (uint32_t i = 0; i < size; ++i) first.push_back(colours->GetEntry(i));
    colours = std::make_unique<GPaletteTable>(first);
  }
  if (sent == nullptr || sent->Matches(colours.get()) == 0) {
    SendPalette(*colours, id);
    sent = std::move(colours);
  }
  SelectPalette(id);
}

void GPcl5e::ForgetImagePalettes() {
  for (auto& sent : imagePalettes_) sent.reset();
  // After the colour set-up a 1-bit palette holds white and black.
  imagePalettes_[4 - kFirstImagePalette] = std::make_unique<GPaletteTable>();
  imagePalettes_[7 - kFirstImagePalette] = std::make_unique<GPaletteTable>();
}

// ---- Patterns ----

int32_t GPcl5e::DefinePattern(GPaint* paint, int32_t id, int32_t* paletteId) {
  const auto* tile = dynamic_cast<const GPatternSource*>(paint);
  if (tile == nullptr) return 0;
  GBitmap bitmap = tile->GetPatternBitmap();
  if (bitmap.IsEmpty() != 0) return 0;
  if (bitmap.GetBitsPerPixel() > 8) {
    // Pattern cells index a palette: a colour tile of few colours becomes
    // a palette tile.
    GBitmap reduced;
    bitmap.ReduceColorDepth(reduced);
    if (reduced.IsEmpty() == 0) bitmap = reduced;
  }
  GRect bounds;
  bitmap.GetBounds(bounds);
  if (bounds.Width() <= 0 || bounds.Height() <= 0) return 0;
  // A tile that asks for it, or one without a background in a job that
  // scales patterns, is enlarged with the device's resolution (its pixels
  // are taken as 150 dpi).
  int32_t factor = 1;
  if (tile->IsScaledPattern() != 0 || (patternScaling_ != 0 && tile->HasPatternBackground() == 0))
    factor = std::max<int32_t>(1, (yResolution_ != 0 ? yResolution_ : 600) / kPatternBaseResolution);
  const GRect destination(0, 0, static_cast<int16_t>(std::min<int32_t>(bounds.Width() * factor, 32767)),
                          static_cast<int16_t>(std::min<int32_t>(bounds.Height() * factor, 32767)));
  DrawImage(bitmap, 1, id, bounds, destination, nullptr, 0);
  if (paletteId != nullptr) {
    const uint32_t bits = colourMode_ == 0 || bitmap.GetBitsPerPixel() > 8 ? 8 : bitmap.GetBitsPerPixel();
    *paletteId = colourMode_ == 0 || colourMode_ == 1 ? IndexedPalette(bits, true) : 1;
  }
  return 1;
}

// ---- The image writer ----

int16_t GPcl5e::DrawImage(const GBitmap& given, int32_t pattern, int32_t patternId, GRect source, GRect destination,
                          GClip* clip, int32_t paletteFlag) {
  if (given.IsEmpty() != 0 || source.IsEmpty() || destination.IsEmpty() || source.right <= source.left ||
      source.bottom <= source.top || destination.right <= destination.left || destination.bottom <= destination.top)
    return TakeOutputStatus();
  EnterPclMode(0, false);
  GBitmap bitmap = given;
  if (given.IsCompressed() != 0) {
    // Packed data is expanded first; what does not expand is drawn as it is.
    GBitmap expanded = given.ExpandPacked();
    if (expanded.IsEmpty() == 0) bitmap = expanded;
  }
  GRenderInstance* instance = RenderInstance();
  const GGrayFunction gray = instance != nullptr && instance->GetGrayConversion() != nullptr
                                 ? instance->GetGrayConversion()
                                 : &LuminanceGray;
  bitmap.SetGrayFunction(gray);
  const uint32_t depth = bitmap.GetBitsPerPixel();
  const bool colour = colourMode_ == 0 || colourMode_ == 1;

  // The rows sent: the destination, cut by an inside clip.
  GRect sent = destination;
  GRect clipBounds;
  const bool outside = clip != nullptr && clip->GetClipRegion() == kClipOutside;
  if (clip != nullptr && !outside && clip->GetBounds(clipBounds) != 0) {
    sent = destination.Intersect(clipBounds);
    if (sent.IsEmpty() || sent.right <= sent.left || sent.bottom <= sent.top) return TakeOutputStatus();
  }
  // In the colour modes the printer scales an image that nothing cuts.
  const bool printerScales = colour && pattern == 0 && !outside && SameRect(sent, destination);

  // How the rows are read. Monochrome: ink bits, 1 black. A 1-bit image is
  // only brought to size: with the default palette (0 white) its bits are
  // ink already, a palette that puts the darker colour at 0 inverts them.
  // Deeper images are read as inverted gray and dithered.
  int32_t mode = colourMode_ == 1 ? kBitmapRowSwapped : kBitmapRowGray;
  bool dither = false;
  if (!colour) {
    GPaletteTable* own = bitmap.GetPalette();
    if (depth == 1) {
      const bool darkFirst = own != nullptr && GrayOfEntry(*own, 0, gray) < GrayOfEntry(*own, 1, gray);
      mode = paletteFlag != 0 || darkFirst ? kBitmapRowGray4 : kBitmapRowColor;
    } else {
      mode = own == nullptr && depth <= 8 ? kBitmapRowGray4 : kBitmapRowGray1;
      dither = true;
    }
  } else if (pattern != 0 && depth > 8) {
    // Pattern cells index a palette: colour rows become gray.
    mode = kBitmapRowGray;
  }
  std::unique_ptr<GRasterSource> size;
  if (!printerScales) size = std::make_unique<GScaleStage>(destination);
  std::unique_ptr<GRasterSource> crop;
  if (!SameRect(sent, destination)) crop = std::make_unique<GClipStage>(clip);
  std::unique_ptr<GRasterSource> halftone;
  if (dither)
    halftone = std::make_unique<GDitherStage>(sent, dynamic_cast<GDitherMatrix*>(ditherMatrix_.Pointee()), gray);

  // The wire's rows: their size and bits per pixel.
  const int32_t width = printerScales ? source.Width() : sent.Width();
  const int32_t height = printerScales ? source.Height() : sent.Height();
  const uint32_t bits = !colour ? 1 : mode == kBitmapRowGray && depth > 8 ? 8 : depth > 8 ? 24 : depth;
  const uint32_t rowBytes = static_cast<uint32_t>((static_cast<uint64_t>(width) * bits + 7) / 8);

  int32_t compression = kPclRunLength;
  GRowEncoder* encoder = nullptr;
  GAdaptiveRowEncoder* adaptive = nullptr;
  if (pattern != 0) {
    encoder = new GUncompressedRowEncoder(1, 0);
  } else if (colour) {
    if (rowBytes < kAdaptiveRowLimit && (instance == nullptr || instance->UsesAdaptiveCompression(0) == 0)) {
      compression = kPclAdaptive;
      encoder = adaptive = new GAdaptiveRowEncoder(1, 0);
    } else if (bits == 1) {
      encoder = new GRunLengthRowEncoder(1, 0);
    } else {
      compression = kPclDeltaRow;
      encoder = new GDeltaRowEncoder(1, 0, 0);
    }
  } else {
    encoder = new GRunLengthRowEncoder(1, 0);
  }
  GRasterPipelineBuilder pipeline(new GBitmapSource(mode, source, bitmap), size.release(), crop.release(),
                                  halftone.release(), nullptr, encoder);

  // The palette the rows index.
  if (colour) {
    const int id = bits == 24 ? kDirectImagePalette : IndexedPalette(bits, pattern != 0);
    if (bits == 24)
      SelectPalette(id);
    else
      SetImagePalette(mode == kBitmapRowGray && depth > 8 ? nullptr : bitmap.GetPalette(), bits, id);
    EnterPclMode(0, false);
  }

  std::vector<uint8_t> band(kBandSize);
  uint32_t used = 0;
  std::vector<uint8_t> row(std::max<uint32_t>({pipeline.GetRowBytes(), rowBytes, 1}));
  auto read = [&](uint32_t& length, uint8_t& repeat, uint8_t& covered) {
    int16_t number = 0;
    repeat = 1;
    covered = 1;
    while (pipeline.ReadRow(row.data(), number, length, repeat, covered) == 1) {
      row.resize(std::max<size_t>(pipeline.GetRowBytes(), row.size() * 2));
      repeat = 1;
      covered = 1;
    }
  };

  if (pattern != 0) {
    if (!colour)
      Emit("#1b*c%fA%A0G#1b*c%fB7+8/iC*12+%A0W#14#00#01#00%fC%I2%fB%I2%fD%I2%fD%I2", patternId, width, height,
           xResolution_ != 0 ? xResolution_ : 600);
    else
      Emit("#1b*c%fA%A0G#1b*c%fBE*7+8/iC*8+%A0W#01#00%fE%H1#00%fC%I2%fB%I2", patternId, width, height, 0,
           static_cast<int32_t>(bits));
    // Exactly the rows the header counts: a row the pipeline does not
    // deliver is sent blank.
    int32_t done = 0;
    while (done < height) {
      uint32_t length = 0;
      uint8_t repeat = 1;
      uint8_t covered = 1;
      read(length, repeat, covered);
      if (length == 0) break;
      for (int i = 0; i < std::max<int>(repeat, 1) && done < height; ++i, ++done) {
        if (used + rowBytes > kBandLimit) {
          EmitRaw(band.data(), static_cast<int32_t>(used));
          used = 0;
        }
        std::fill(band.begin() + used, band.begin() + used + rowBytes, 0);
        std::copy(row.data(), row.data() + std::min(length, rowBytes), band.data() + used);
        used += rowBytes;
      }
    }
    for (; done < height; ++done) {
      if (used + rowBytes > kBandLimit) {
        EmitRaw(band.data(), static_cast<int32_t>(used));
        used = 0;
      }
      std::fill(band.begin() + used, band.begin() + used + rowBytes, 0);
      used += rowBytes;
    }
    if (used > 0) EmitRaw(band.data(), static_cast<int32_t>(used));
    return TakeOutputStatus();
  }

  // Drawing coordinates start at the imageable origin; the PCL cursor's x
  // already does (the logical page), its y starts at the page's top.
  const GMedia& media = PageMedia();
  MoveCursor(static_cast<int16_t>(sent.left), static_cast<int16_t>(sent.top + media.GetImageableOrigin()->y), true,
             true);
  if (rasterPresentation_ != 0) {
    Emit("#1B*r0F");
    rasterPresentation_ = 0;
  }
  if (!colour) {
    Emit("#1B*r%fB%A0s1A", 0, width);
  } else if (!printerScales) {
    Emit("#1B*r%fB%A0s%fC%A0t1A", 0, width, height);
  } else {
    Emit("#1B*t%f720D*A/%F1h%f720E*A/%F1V#1B*r%fB%A0s%fC%A0t3A", xResolution_ != 0 ? xResolution_ : 600, width,
         height, destination.Width(), destination.Height());
  }
  Emit("#1B*b%fA%A0M", compression);

  // Adaptive blocks share one transfer a band; the other methods have a
  // transfer a row. A band goes to the stream before the next row could
  // overflow it, and a row that is larger than the band on its own goes
  // straight to the stream.
  uint8_t prefix[24];
  auto flushBand = [&]() {
    if (used == 0) return;
    if (compression == kPclAdaptive) {
      formatter_.SetCell(0, static_cast<int32_t>(used));
      formatter_.SetTemplate("#1B*b%fA%A0W");
      const uint32_t prefixLength = formatter_.RunToBuffer(prefix, sizeof prefix);
      EmitRaw(prefix, static_cast<int32_t>(prefixLength));
      // The next band starts its own seed, so that no block leans on a row
      // of another transfer.
      adaptive->ResetSeedRow();
    }
    EmitRaw(band.data(), static_cast<int32_t>(used));
    used = 0;
  };
  const uint32_t mostEncoded = std::max<uint32_t>(pipeline.GetRowBytes(), rowBytes + rowBytes / 8 + 16);
  int32_t done = 0;
  while (done < height) {
    if (compression == kPclAdaptive && used + mostEncoded > kBandLimit) flushBand();
    uint32_t length = 0;
    uint8_t repeat = 1;
    uint8_t covered = 1;
    read(length, repeat, covered);
    // A delta row that changes nothing is empty (the printer repeats the
    // row before); run-length rows and adaptive blocks are never empty, so
    // for them no length means no more rows. Either way no more rows than
    // the image has are sent.
    if (length == 0 && compression != kPclDeltaRow) break;
    if (compression == kPclAdaptive) {
      std::copy(row.data(), row.data() + length, band.data() + used);
      used += length;
      done += std::max<int>(covered, 1);
      continue;
    }
    formatter_.SetCell(0, static_cast<int32_t>(length));
    formatter_.SetTemplate("#1B*b%fA%A0W");
    const uint32_t prefixLength = formatter_.RunToBuffer(prefix, sizeof prefix);
    const uint32_t need = prefixLength + length;
    for (int i = 0; i < std::max<int>(repeat, 1) && done < height; ++i, ++done) {
      if (used + need > kBandLimit) flushBand();
      if (need > kBandLimit) {
        EmitRaw(prefix, static_cast<int32_t>(prefixLength));
        EmitRaw(row.data(), static_cast<int32_t>(length));
        continue;
      }
      std::copy(prefix, prefix + prefixLength, band.data() + used);
      std::copy(row.data(), row.data() + length, band.data() + used + prefixLength);
      used += need;
    }
  }
  flushBand();
  Emit("#1B*rC");
  forceX_ = forceY_ = 1;
  return TakeOutputStatus();
}
