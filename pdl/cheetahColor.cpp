// GCheetah's colours: solid pen and brush sources in RGB or gray, pattern
// sources, and the colour space and palette of images.
#include <vector>

#include "graphics/GColor.h"
#include "graphics/GGrayConversion.h"
#include "graphics/GPaint.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GPatternPaint.h"
#include "pdl/XLOperators.h"
#include "pdl/cheetah.h"

namespace {

constexpr uint8_t kColorSpaceGray = 1;
constexpr uint8_t kColorSpaceRGB = 2;
constexpr uint8_t kPaletteDepth8 = 2;
// Palettes are padded to 2^bits entries; no palette is larger than this.
constexpr uint32_t kMaxPaletteBits = 8;

// The colour of the paint as red, green and blue; false without one.
bool PaintRGB(GColorPaint* paint, GRGBColor& rgb) {
  GColor* color = paint != nullptr ? paint->GetColor() : nullptr;
  return color != nullptr && color->GetRGBColor(&rgb) != nullptr;
}

// The palette's entries, each as its bytes (three for RGB, one gray level),
// padded with zero bytes to 2^bits entries.
std::vector<uint8_t> PaletteBytes(const GPaletteTable& palette, uint32_t bits, bool rgb) {
  const uint32_t entries = 1u << (bits > kMaxPaletteBits ? kMaxPaletteBits : bits);
  std::vector<uint8_t> bytes(static_cast<size_t>(entries) * (rgb ? 3 : 1), 0);
  const uint32_t count = palette.GetCount() < entries ? palette.GetCount() : entries;
  for (uint32_t i = 0; i < count; ++i) {
    GRGBColor color;
    GColor* entry = palette.GetEntry(i);
    if (entry == nullptr || entry->GetRGBColor(&color) == nullptr) continue;
    if (rgb) {
      bytes[i * 3] = color.GetRed();
      bytes[i * 3 + 1] = color.GetGreen();
      bytes[i * 3 + 2] = color.GetBlue();
    } else {
      bytes[i] = static_cast<uint8_t>(LuminanceGray(color.GetRed(), color.GetGreen(), color.GetBlue()));
    }
  }
  return bytes;
}

}  // namespace

int16_t GCheetah::SetColorSource(GColorPaint* paint, bool pen) {
  (pen ? penSource_ : brushSource_) = kSourceSolid;
  GRGBColor rgb;
  if (!PaintRGB(paint, rgb)) return TakeWriteStatus();
  if (colourOutput_ != 0) {
    XLSetColorSpace(S(), kColorSpaceRGB);
    if (pen) {
      XLSetPenSourceRGB(S(), rgb.GetRed(), rgb.GetGreen(), rgb.GetBlue());
    } else {
      XLSetBrushSourceRGB(S(), rgb.GetRed(), rgb.GetGreen(), rgb.GetBlue());
    }
  } else {
    XLSetColorSpace(S(), kColorSpaceGray);
    const auto gray = static_cast<uint8_t>(LuminanceGray(rgb.GetRed(), rgb.GetGreen(), rgb.GetBlue()));
    if (pen) {
      XLSetPenSourceGray(S(), gray);
    } else {
      XLSetBrushSourceGray(S(), gray);
    }
  }
  return TakeWriteStatus();
}

int16_t GCheetah::SetPenColor(GColorPaint* paint) { return SetColorSource(paint, true); }

int16_t GCheetah::SetBrushColor(GColorPaint* paint) { return SetColorSource(paint, false); }

int16_t GCheetah::SetPatternSource(GPaint* pattern, bool pen) {
  const auto* tile = dynamic_cast<const GPatternSource*>(pattern);
  (pen ? penSource_ : brushSource_) =
      tile != nullptr && tile->HasPatternBackground() == 0 ? kSourcePatternNoBackground : kSourcePatternWithBackground;
  if (DefinePattern(pattern, 1)) {
    if (pen) {
      XLSetPenSourcePattern(S(), 1);
    } else {
      XLSetBrushSourcePattern(S(), 1);
    }
  } else if (pen) {
    XLSetPenSourceNull(S());
  } else {
    XLSetBrushSourceNull(S());
  }
  return TakeWriteStatus();
}

int16_t GCheetah::SetPenPattern(GPaint* pattern) { return SetPatternSource(pattern, true); }

int16_t GCheetah::SetBrushPattern(GPaint* pattern) { return SetPatternSource(pattern, false); }

bool GCheetah::SendRGBPalette(const GPaletteTable* palette, uint32_t bitsPerPixel) {
  if (palette == nullptr || bitsPerPixel >= 24 || palette->GetCount() == 0) {
    XLSetColorSpace(S(), kColorSpaceRGB);
    return false;
  }
  const std::vector<uint8_t> bytes = PaletteBytes(*palette, bitsPerPixel, true);
  XLSetColorSpacePalette(S(), kColorSpaceRGB, kPaletteDepth8, bytes.data(), static_cast<uint32_t>(bytes.size()));
  return true;
}

bool GCheetah::SendGrayPalette(const GPaletteTable* palette, uint32_t bitsPerPixel) {
  if (palette == nullptr || palette->GetCount() == 0) {
    XLSetColorSpace(S(), kColorSpaceGray);
    return false;
  }
  const std::vector<uint8_t> bytes = PaletteBytes(*palette, bitsPerPixel, false);
  XLSetColorSpacePalette(S(), kColorSpaceGray, kPaletteDepth8, bytes.data(), static_cast<uint32_t>(bytes.size()));
  return true;
}
