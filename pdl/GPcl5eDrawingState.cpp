// The PCL 5e generator's graphics state: pens, brushes, line ends and
// joins, dashes, fill rules, clips and raster operations become GL/2
// instructions and PCL escapes, and colours become GL/2 pen colours,
// shading levels or downloaded halftone patterns made from the job's
// dither matrix. What the printer holds is remembered, so that unchanged
// settings are not sent again.
#include <cmath>

#include "graphics/GBrush.h"
#include "graphics/GCap.h"
#include "graphics/GClip.h"
#include "graphics/GColor.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GFillMode.h"
#include "graphics/GPaint.h"
#include "graphics/GPen.h"
#include "pdl/GPcl5e.h"

namespace {

void Pcl5eRgbOf(const GColorPaint* paint, uint8_t rgb[3]) {
  rgb[0] = rgb[1] = rgb[2] = 0;
  GColor* color = paint != nullptr ? paint->GetColor() : nullptr;
  if (color == nullptr) return;
  GRGBColor converted;
  if (GRGBColor* value = color->GetRGBColor(&converted)) {
    rgb[0] = value->GetRed();
    rgb[1] = value->GetGreen();
    rgb[2] = value->GetBlue();
  }
}

bool Pcl5eIsBlack(const uint8_t rgb[3]) { return rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0; }
bool Pcl5eIsWhite(const uint8_t rgb[3]) { return rgb[0] == 255 && rgb[1] == 255 && rgb[2] == 255; }

}  // namespace

void GPcl5e::ResetPageDrawingState() {
  fillTypeSent_ = 0;
  penWidthSent_ = -1;
  rotationSent_ = -1;
  penSelected_ = 10;
  for (int i = 0; i < 3; ++i) lastPen_[i] = lastFill_[i] = 0;
  lastPenPalette_ = lastFillPalette_ = 10;
  patternId_ = 1;
  solidPrint_ = 1;
  fillSelectedPcl_ = fillSelectedGl2_ = 0;
}

void GPcl5e::ResetBrushColor() {
  hasBrushColor_ = 0;
  brushColor_[0] = brushColor_[1] = brushColor_[2] = 255;
}

// ---- Attribute operations ----

int16_t GPcl5e::SetBrush(GBrush* brush) {
  if (brush != nullptr) {
    if (GPaint* paint = brush->GetPaint()) paint->ApplyAsBrush(this);
  }
  drawingFlags_ |= 2;
  return TakeOutputStatus();
}

int16_t GPcl5e::SetNoBrush(GNoBrush*) {
  drawingFlags_ &= ~2;
  return TakeOutputStatus();
}

int16_t GPcl5e::SetNoPen(GNoPen*) {
  drawingFlags_ &= ~1;
  return TakeOutputStatus();
}

void GPcl5e::ApplyPenPaintAndWidth(GPen* pen) {
  drawingFlags_ |= 1;
  if (GPaint* paint = pen->GetPaint()) paint->ApplyAsPen(this);
  penWidth_ = static_cast<int>(pen->GetWidth() * scaleX_);
  SetPenWidth(penWidth_);
}

int16_t GPcl5e::SetPen(GPen* pen) {
  if (pen == nullptr) return TakeOutputStatus();
  if (lineTypeSet_ != 0) {
    SetMode(1);
    Emit("LT");
    lineTypeSet_ = 0;
  }
  ApplyPenPaintAndWidth(pen);
  return TakeOutputStatus();
}

int16_t GPcl5e::SetDashedPen(GDashedPen* pen) {
  if (pen == nullptr) return TakeOutputStatus();
  ApplyPenPaintAndWidth(pen);
  SetMode(1);
  Emit("UL1");
  int32_t total = 0;
  const int16_t* dashes = pen->GetDashes();
  for (uint32_t i = 0; dashes != nullptr && i < pen->GetDashCount(); ++i) {
    // A dash length is a length: its sign says nothing here.
    const int32_t length = dashes[i] < 0 ? -dashes[i] : dashes[i];
    Emit(",%fA%A0", length);
    total += length;
  }
  // The pattern length in millimetres at 25 millimetres to the inch.
  const int32_t resolution = (xResolution_ + yResolution_) / 2;
  Emit("LT1,%fA25*B/%F2,1", total, resolution > 0 ? resolution : 600);
  lineTypeSet_ = 1;
  return TakeOutputStatus();
}

int16_t GPcl5e::SetLineCap(GCap* cap) {
  if (cap == nullptr) return TakeOutputStatus();
  SetMode(1);
  int value = 0;
  switch (cap->GetCap()) {
    case 0: value = 4; break;
    case 1: value = 2; break;
    case 2: value = 1; break;
    default: break;
  }
  if (value != 0) Emit("LA1,%fA%A0", value);
  return TakeOutputStatus();
}

int16_t GPcl5e::SetLineJoin(GJoint* joint) {
  if (joint == nullptr) return TakeOutputStatus();
  SetMode(1);
  int value = 0;
  switch (joint->GetJoin()) {
    case 0: value = 1; break;
    case 1: value = 4; break;
    case 2: value = 5; break;
    case 3: value = 6; break;
    default: break;
  }
  if (value != 0) Emit("LA2,%fA%A0", value);
  return TakeOutputStatus();
}

int16_t GPcl5e::SetMiterJoin(GMiterJoint* joint) {
  if (joint == nullptr) return TakeOutputStatus();
  SetMode(1);
  const float limit = joint->GetMiterLimit();
  const int16_t truncated = static_cast<int16_t>(std::isfinite(limit) && std::fabs(limit) < 32767.0f ? limit : 0);
  Emit("LA2,1,3,%fA%A0", static_cast<int32_t>(truncated + 0.5));
  return TakeOutputStatus();
}

int16_t GPcl5e::SetFillMode(GFillMode* fillMode) {
  if (fillMode != nullptr && (fillMode->GetMode() == 0 || fillMode->GetMode() == 1)) fillRule_ = fillMode->GetMode();
  return TakeOutputStatus();
}

int16_t GPcl5e::ClipToPage(GClipToPage*) {
  clipKind_ = 0;
  clipRects_.clear();
  clipOutside_ = 0;
  pendingGl2_ |= kGl2InputWindow;
  return TakeOutputStatus();
}

int16_t GPcl5e::ClipToRectangles(GClipToRectangle* clip) {
  clipRects_.clear();
  clipOutside_ = clip != nullptr && clip->GetClipRegion() == kClipOutside ? 1 : 0;
  if (clip != nullptr && clip->GetCount() < 2) {
    GRect rect;
    if (clip->GetCount() == 1) clip->GetRectangle(0, rect);
    clipKind_ = 1;
    clipLeft_ = rect.left;
    clipTop_ = rect.top;
    clipRight_ = rect.right;
    clipBottom_ = rect.bottom;
  } else {
    clipKind_ = 2;
    if (clip != nullptr) clipRects_.assign(clip->Rectangles().Data(), clip->Rectangles().Data() + clip->Rectangles().Count());
  }
  pendingGl2_ |= kGl2InputWindow;
  return TakeOutputStatus();
}

int16_t GPcl5e::ClipToRectangle(GClipToSingleRectangle* clip) {
  const GRect rect = clip != nullptr ? clip->GetRectangle() : GRect();
  clipRects_.clear();
  clipOutside_ = clip != nullptr && clip->GetClipRegion() == kClipOutside ? 1 : 0;
  clipKind_ = 1;
  clipLeft_ = rect.left;
  clipTop_ = rect.top;
  clipRight_ = rect.right;
  clipBottom_ = rect.bottom;
  pendingGl2_ |= kGl2InputWindow;
  return TakeOutputStatus();
}

int16_t GPcl5e::SetRasterOperation(GRasterOperation* operation) {
  if (operation == nullptr) return TakeOutputStatus();
  uint16_t code = operation->GetCode();
  int32_t transparency = patternTransparency_;
  if (operation->GetKind() == 1 && code >= 0xA000 && code <= 0xAFFF) {
    transparency = 1;
    code = static_cast<uint16_t>(code & 0xFF);
  } else if (operation->GetKind() == 1) {
    transparency = 0;
  }
  if (sourceTransparency_ != 0) {
    sourceTransparency_ = 0;
    pendingPcl_ ^= kPclSourceTransparency;
  }
  if (transparency != patternTransparency_) {
    pendingPcl_ ^= kPclPatternTransparency;
    pendingGl2_ ^= kGl2Transparency;
    patternTransparency_ = transparency;
  }
  if (code != rasterOperation_) {
    if ((capabilities_ & kCapRasterOperations) != 0) {
      pendingPcl_ |= kPclRasterOperation;
      pendingGl2_ |= kGl2MergeControl;
    } else {
      SetForceBlack((code >> 4 & 0x0F) == (code & 0x0F) ? 1 : 0);
    }
    rasterOperation_ = code;
  }
  return TakeOutputStatus();
}

// ---- Paint operations ----

int GPcl5e::ChoosePalette(uint8_t red, uint8_t green, uint8_t blue) const {
  const uint8_t rgb[3] = {red, green, blue};
  if (solidPrint_ != 0) return 1;
  if ((Pcl5eIsBlack(rgb) || Pcl5eIsWhite(rgb)) && paletteSelected_ == 1) return 1;
  return 2;
}

int16_t GPcl5e::SetPenColor(GColorPaint* paint) {
  penKind_ = 0;
  uint8_t rgb[3];
  Pcl5eRgbOf(paint, rgb);
  if (colourMode_ == 2) {
    if (Pcl5eIsBlack(rgb) || Pcl5eIsWhite(rgb)) {
      SetMode(1);
      Emit("SV1,%fA%A0", Pcl5eIsBlack(rgb) ? 100 : 0);
    } else {
      const int id = DefineGrayPattern(rgb[0], rgb[1], rgb[2]);
      SetMode(1);
      Emit("SV22,%fA%A0", id);
    }
    return TakeOutputStatus();
  }
  const int palette = ChoosePalette(rgb[0], rgb[1], rgb[2]);
  SelectPalette(palette);
  SelectPen(1);
  if (colourMode_ == 0) rgb[0] = rgb[1] = rgb[2] = GrayOf(rgb);
  if (palette != lastPenPalette_ || rgb[0] != lastPen_[0] || rgb[1] != lastPen_[1] || rgb[2] != lastPen_[2]) {
    SetMode(1);
    Emit("PC%fD%A0,%fA%A0,%fB%A0,%fC%A0", rgb[0], rgb[1], rgb[2], 1);
    for (int i = 0; i < 3; ++i) lastPen_[i] = rgb[i];
    lastPenPalette_ = palette;
  }
  return TakeOutputStatus();
}

int16_t GPcl5e::SetBrushColor(GColorPaint* paint) {
  brushKind_ = 0;
  Pcl5eRgbOf(paint, brushColor_);
  hasBrushColor_ = paint != nullptr && paint->GetColor() != nullptr;
  if (hasBrushColor_ == 0) brushColor_[0] = brushColor_[1] = brushColor_[2] = 255;
  fillSelectedPcl_ = fillSelectedGl2_ = 0;
  return TakeOutputStatus();
}

// ---- Own operations ----

void GPcl5e::SelectPen(int pen) {
  if (pen == penSelected_) return;
  SetMode(1);
  Emit("SP%fE%A0", 0, 0, 0, 0, pen);
  penSelected_ = pen;
}

void GPcl5e::SetFillType(int type) {
  if (type == fillTypeSent_) return;
  SetMode(1);
  Emit("FT%fE%A0", 0, 0, 0, 0, type);
  fillTypeSent_ = type;
}

void GPcl5e::SetPenWidth(int width) {
  if (width == penWidthSent_) return;
  SetMode(1);
  Emit("PW%fA24/1 1000/+%F3", (width == 0 ? 1 : width) + 1);
  penWidthSent_ = width;
}

void GPcl5e::SetRotation(int rotation) {
  if (rotation == rotationSent_) return;
  SetMode(1);
  Emit("RO%fA%A0", rotation);
  rotationSent_ = rotation;
}

void GPcl5e::SetForceBlack(int flag) {
  if (flag == forceBlack_) return;
  forceBlack_ = flag;
  fillSelectedPcl_ = fillSelectedGl2_ = 0;
}

void GPcl5e::SetPatternTransparency(int32_t value) {
  const bool changed = value != patternTransparency_;
  const bool gl2 = inGl2_ != 0;
  uint32_t& pending = gl2 ? pendingGl2_ : pendingPcl_;
  const uint32_t bit = gl2 ? static_cast<uint32_t>(kGl2Transparency) : static_cast<uint32_t>(kPclPatternTransparency);
  bool write = false;
  if ((pending & bit) != 0 && !changed) {
    pending &= ~bit;
    write = true;
  } else if ((pending & bit) == 0 && changed) {
    pending |= bit;
    write = true;
  }
  if (!write) return;
  if (gl2)
    Emit(value == 1 ? "TR1" : "TR0");
  else
    Emit(value == 1 ? "#1B*v0O" : "#1B*v1O");
}

void GPcl5e::SetSourceTransparency(int32_t value) {
  const bool changed = value != sourceTransparency_;
  bool write = false;
  if ((pendingPcl_ & kPclSourceTransparency) != 0 && !changed) {
    pendingPcl_ &= ~kPclSourceTransparency;
    write = true;
  } else if ((pendingPcl_ & kPclSourceTransparency) == 0 && changed) {
    pendingPcl_ |= kPclSourceTransparency;
    write = true;
  }
  if (!write) return;
  const int wasGl2 = inGl2_;
  if (wasGl2 != 0) EnterPclMode(0, false);
  Emit(value == 1 ? "#1B*v0N" : "#1B*v1N");
  if (wasGl2 != 0) EnterGl2Mode(0);
}

void GPcl5e::SelectPaintWithTransparency(int32_t kind, int32_t pen, int32_t inGl2) {
  SelectPaint(kind, pen, inGl2);
  SetPatternTransparency(kind == 1 || kind == 3 ? patternTransparency_ : 0);
}

void GPcl5e::SelectPaint(int32_t kind, int32_t pen, int32_t inGl2) {
  if (pen == 1 && kind == 0 && forceBlack_ == 0) {
    // The edge keeps the pen's own colour, set when the pen was: only the
    // pen that carries it is selected again.
    if (colourMode_ != 2 && inGl2 != 0) SelectPen(1);
    return;
  }
  if (kind == 0 || forceBlack_ != 0) {
    uint8_t rgb[3] = {0, 0, 0};
    if (forceBlack_ == 0) {
      for (int i = 0; i < 3; ++i) rgb[i] = brushColor_[i];
    }
    if (colourMode_ == 2) {
      if (Pcl5eIsBlack(rgb) || Pcl5eIsWhite(rgb)) {
        const int level = Pcl5eIsBlack(rgb) ? 100 : 0;
        if (inGl2 != 0) {
          if (fillSelectedGl2_ == 0) {
            fillTypeSent_ = 0;
            SetFillType(10);
            Emit(",%fA%A0CF2", level);
            fillSelectedGl2_ = 1;
          }
        } else if (fillSelectedPcl_ == 0) {
          Emit(level == 0 ? "#1B*v1T" : "#1B*v0T");
          fillSelectedPcl_ = 1;
        }
      } else {
        const int id = DefineGrayPattern(rgb[0], rgb[1], rgb[2]);
        if (inGl2 != 0) {
          SetMode(1);
          fillTypeSent_ = 0;
          SetFillType(22);
          Emit(",%fA%A0CF2", id);
        } else {
          SetMode(0);
          Emit("#1B*c%fA%A0G#1B*v4T", id);
        }
        // A gray pattern is selected for this colour only.
        fillSelectedGl2_ = fillSelectedPcl_ = 0;
      }
      return;
    }
    const int palette = colourMode_ == 0 ? 1 : ChoosePalette(rgb[0], rgb[1], rgb[2]);
    if (colourMode_ == 0) rgb[0] = rgb[1] = rgb[2] = GrayOf(rgb);
    uint8_t* last = pen == 1 ? lastPen_ : lastFill_;
    int& lastPalette = pen == 1 ? lastPenPalette_ : lastFillPalette_;
    const int32_t selected = inGl2 != 0 ? fillSelectedGl2_ : fillSelectedPcl_;
    if (palette != lastPalette || rgb[0] != last[0] || rgb[1] != last[1] || rgb[2] != last[2] || selected == 0) {
      SelectPalette(palette);
      if (inGl2 != 0) {
        SetMode(1);
        SetFillType(1);
        SelectPen(pen);
        Emit("PC%fD%A0,%fA%A0,%fB%A0,%fC%A0", rgb[0], rgb[1], rgb[2], pen);
        if (pen == 1) {
          penWidthSent_ = -1;
          SetPenWidth(penWidth_);
        }
        fillSelectedGl2_ = 1;
      } else {
        SetMode(0);
        Emit("#1B*v0T#1B*v%fA%A0a%fB%A0b%fC%A0c%fD%A0I#1B*v%fD%A0S", rgb[0], rgb[1], rgb[2], pen);
        fillSelectedPcl_ = 1;
      }
      for (int i = 0; i < 3; ++i) last[i] = rgb[i];
      lastPalette = palette;
    }
    return;
  }
  if (kind == 1 || kind == 2) {
    if (palette_ != nullptr) SelectPalette(palette_->GetPalette(patternId_));
    if (inGl2 != 0) {
      if (fillSelectedGl2_ == 0) {
        SetMode(1);
        SetFillType(22);
        Emit(",%fA%A0CF2", patternId_);
        fillSelectedGl2_ = 1;
      }
    } else if (fillSelectedPcl_ == 0) {
      SetMode(0);
      Emit("#1B*c%fA%A0G#1B*v4T", patternId_);
      fillSelectedPcl_ = 1;
    }
  }
}

int GPcl5e::DefineGrayPattern(uint8_t red, uint8_t green, uint8_t blue) {
  if (palette_ == nullptr) palette_ = std::make_unique<GPenPalette>();
  const uint8_t rgb[3] = {red, green, blue};
  const uint8_t gray = GrayOf(rgb);
  const int found = palette_->FindGray(gray);
  if (found >= 0) return found + 1;
  const int index = palette_->Allocate();
  const int id = index + 1;
  const int wasGl2 = inGl2_;
  if (wasGl2 != 0) EnterPclMode(0, false);
  auto* matrix = dynamic_cast<GDitherMatrix*>(ditherMatrix_.Pointee());
  const int width = matrix != nullptr ? matrix->GetWidth() : 0;
  const int height = matrix != nullptr ? matrix->GetHeight() : 0;
  Emit("#1b*c%fA%A0G#1b*c%fB7+8/iC*12+%A0W#14#00#01#00%fC%I2%fB%I2%fD%I2%fD%I2", id, width, height,
       xResolution_ != 0 ? xResolution_ : 600);
  uint8_t low = 0;
  uint8_t high = 255;
  for (int row = 0; row < height; ++row) {
    uint8_t byte = 0;
    int bits = 0;
    for (int column = 0; column < width; ++column) {
      const uint8_t t = matrix->GetThreshold(static_cast<uint8_t>(row), static_cast<uint8_t>(column));
      byte = static_cast<uint8_t>(byte << 1 | (t > gray ? 1 : 0));
      if (t <= gray && t > low) low = t;
      if (t > gray && t < high) high = t;
      if (++bits == 8) {
        EmitRaw(&byte, 1);
        byte = 0;
        bits = 0;
      }
    }
    if (bits != 0) {
      byte = static_cast<uint8_t>(byte << (8 - bits));
      EmitRaw(&byte, 1);
    }
  }
  GPenPalette::Entry entry;
  entry.kind = GPenPalette::kGrayPattern;
  entry.low = low;
  entry.high = high;
  entry.palette = 2;
  palette_->SetEntry(index, entry);
  if (wasGl2 != 0) EnterGl2Mode(0);
  return id;
}
