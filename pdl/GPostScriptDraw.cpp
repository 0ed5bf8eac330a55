// The PostScript generator's drawing: shapes and paths as the short
// operators of the standard procset (integers in device units, the device
// transform mapping them onto the page), scan-line spans, clips, pens,
// brushes, colours, raster operations and the page transform.
#include <cmath>
#include <vector>

#include "graphics/GBrush.h"
#include "graphics/GCap.h"
#include "graphics/GClip.h"
#include "graphics/GColor.h"
#include "graphics/GFillMode.h"
#include "graphics/GGrayConversion.h"
#include "graphics/GPaint.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GPen.h"
#include "graphics/GShapeGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GColorAttributes.h"
#include "model/GEnumAttribute.h"
#include "model/GRangeAttribute.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "pdl/GPostScript.h"
#include "printpath/GRenderInstance.h"

namespace {

GShapeGraphic* PsShapeOf(GGraphic* graphic) { return dynamic_cast<GShapeGraphic*>(graphic); }

// The paint's colour as red, green and blue; black without one.
void PsRgbOf(GColorPaint* paint, uint8_t rgb[3]) {
  rgb[0] = rgb[1] = rgb[2] = 0;
  GColor* color = paint != nullptr ? paint->GetColor() : nullptr;
  GRGBColor converted;
  if (color != nullptr && color->GetRGBColor(&converted) != nullptr) {
    rgb[0] = converted.GetRed();
    rgb[1] = converted.GetGreen();
    rgb[2] = converted.GetBlue();
  }
}

// Raster-operation codes (low byte) that draw a one-bit image as a mask.
bool PsIsMaskOperation(uint8_t code) { return code == 34 || code == 136 || code == 184 || code == 186 || code == 226; }

}  // namespace

uint8_t PsGrayByte(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint8_t>(LuminanceGray(red, green, blue) / 257);
}

uint8_t GPostScript::GrayOf(uint8_t red, uint8_t green, uint8_t blue) const {
  // The render instance's conversion, as every generator of the job grays
  // colours; without one the luminance.
  if (auto* render = dynamic_cast<GRenderInstance*>(driverInstance_)) {
    if (GGrayConversion convert = render->GetGrayConversion()) {
      const int gray = convert(red, green, blue);
      return static_cast<uint8_t>(gray < 0 ? 0 : gray > 255 ? 255 : gray);
    }
  }
  return PsGrayByte(red, green, blue);
}

bool GPostScript::IsMaskRasterOperation() const {
  return PsIsMaskOperation(static_cast<uint8_t>(rasterOperation_ & 0xFF));
}

// ---- Shapes ----

void GPostScript::BeginShape() {
  EnsureStreamStarted(1);
  if (pathDepth_ <= 0) writer_->WriteOperator("O", false);
}

void GPostScript::EndShape() {
  if (pathDepth_ <= 0) writer_->WriteOperator("P", true);
}

void GPostScript::WritePoint(const GShortPoint& p) {
  writer_->WriteInteger(p.x);
  writer_->WriteInteger(p.y);
}

void GPostScript::WriteBox(const GRect& box) {
  writer_->WriteInteger(box.left);
  writer_->WriteInteger(box.top);
  writer_->WriteInteger(box.right);
  writer_->WriteInteger(box.bottom);
  writer_->WriteOperator("b", false);
}

int16_t GPostScript::DrawArcShape(GGraphic* graphic, const char* op, bool ordered) {
  GShapeGraphic* shape = PsShapeOf(graphic);
  if (shape == nullptr) return static_cast<int16_t>(TakeStatus());
  BeginShape();
  const int32_t direction = shape->GetArcDirection() != 0 ? 1 : 0;
  writer_->WriteInteger(direction);
  writer_->WriteOperator("a", false);
  GShortPoint a = shape->GetStartPoint();
  GShortPoint b = shape->GetEndPoint();
  if (ordered && direction == 0) std::swap(a, b);
  WritePoint(a);
  WritePoint(b);
  const GRect box = shape->GetBounds();
  WriteBox(box);
  writer_->WriteOperator(op, true);
  EndShape();
  if (ordered) {
    currentX_ = box.left;
    currentY_ = box.top;
  }
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::DrawArc(GGraphic* graphic) { return DrawArcShape(graphic, "A", false); }
int16_t GPostScript::DrawChord(GGraphic* graphic) { return DrawArcShape(graphic, "C", true); }
int16_t GPostScript::DrawPie(GGraphic* graphic) { return DrawArcShape(graphic, "AA", true); }

int16_t GPostScript::DrawEllipse(GGraphic* graphic) {
  GShapeGraphic* shape = PsShapeOf(graphic);
  if (shape == nullptr) return static_cast<int16_t>(TakeStatus());
  BeginShape();
  const GRect box = shape->GetBounds();
  WriteBox(box);
  writer_->WriteOperator("D", true);
  EndShape();
  currentX_ = box.left;
  currentY_ = box.top;
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::DrawRectangle(GGraphic* graphic) {
  GShapeGraphic* shape = PsShapeOf(graphic);
  if (shape == nullptr) return static_cast<int16_t>(TakeStatus());
  EnsureStreamStarted(1);
  const GRect box = shape->GetBounds();
  writer_->WriteInteger(box.right - box.left);
  writer_->WriteInteger(box.bottom - box.top);
  writer_->WriteInteger(box.left);
  writer_->WriteInteger(box.top);
  writer_->WriteOperator(pathDepth_ <= 0 ? "B" : "BP", true);
  currentX_ = box.left;
  currentY_ = box.top;
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::DrawRoundRectangle(GGraphic* graphic) {
  GShapeGraphic* shape = PsShapeOf(graphic);
  if (shape == nullptr) return static_cast<int16_t>(TakeStatus());
  BeginShape();
  const GRect box = shape->GetBounds();
  WriteBox(box);
  WritePoint(shape->GetCornerSize());
  writer_->WriteOperator("d", false);
  writer_->WriteOperator("AB", true);
  EndShape();
  currentX_ = box.left;
  currentY_ = box.top;
  return static_cast<int16_t>(TakeStatus());
}

// The points as "x y" pairs, a line end after every eight.
void GPostScript::WritePoints(const GShortPoint* points, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    WritePoint(points[i]);
    if (i % 8 == 7 || i + 1 == count) writer_->WriteText("\r\n");
  }
  if (count > 0) {
    currentX_ = points[count - 1].x;
    currentY_ = points[count - 1].y;
  }
}

int16_t GPostScript::DrawPolygon(GGraphic* graphic) {
  GShapeGraphic* shape = PsShapeOf(graphic);
  if (shape == nullptr || shape->GetPointCount() == 0) return static_cast<int16_t>(TakeStatus());
  BeginShape();
  const uint32_t count = shape->GetPointCount();
  WritePoint(*shape->GetPoint(0));
  writer_->WriteOperator("Q", false);
  writer_->WriteInteger(static_cast<int32_t>(count));
  writer_->WriteOperator("c", false);
  writer_->WriteOperator("M", true);
  WritePoints(shape->GetPoint(0), count);
  writer_->WriteOperator("N", false);
  EndShape();
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::DrawPolyline(GGraphic* graphic) {
  GShapeGraphic* shape = PsShapeOf(graphic);
  if (shape == nullptr || shape->GetPointCount() == 0) return static_cast<int16_t>(TakeStatus());
  BeginShape();
  WritePoint(*shape->GetPoint(0));
  writer_->WriteOperator("Q", false);
  ++pathDepth_;
  DrawPolylineTo(graphic);
  --pathDepth_;
  EndShape();
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::DrawPolylineTo(GGraphic* graphic) {
  GShapeGraphic* shape = PsShapeOf(graphic);
  if (shape == nullptr || shape->GetPointCount() == 0) return static_cast<int16_t>(TakeStatus());
  EnsureStreamStarted(1);
  const uint32_t count = shape->GetPointCount();
  writer_->WriteInteger(static_cast<int32_t>(count));
  writer_->WriteOperator("c", false);
  writer_->WriteOperator("M", true);
  WritePoints(shape->GetPoint(0), count);
  EndShape();
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::DrawPolyBezier(GGraphic* graphic) {
  GShapeGraphic* shape = PsShapeOf(graphic);
  if (shape == nullptr || shape->GetBezierCount() == 0) return static_cast<int16_t>(TakeStatus());
  BeginShape();
  const GShortPoint first = shape->GetStartPoint();
  WritePoint(first);
  writer_->WriteOperator("Q", false);
  currentX_ = first.x;
  currentY_ = first.y;
  ++pathDepth_;
  DrawPolyBezierTo(graphic);
  --pathDepth_;
  if (currentX_ == first.x && currentY_ == first.y) writer_->WriteOperator("N", false);
  EndShape();
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::DrawPolyBezierTo(GGraphic* graphic) {
  GShapeGraphic* shape = PsShapeOf(graphic);
  if (shape == nullptr || shape->GetBezierCount() == 0) return static_cast<int16_t>(TakeStatus());
  EnsureStreamStarted(1);
  const uint32_t count = shape->GetBezierCount() * 3;
  writer_->WriteInteger(static_cast<int32_t>(count));
  writer_->WriteOperator("c", false);
  writer_->WriteOperator("BZ", true);
  WritePoints(shape->GetPoint(0), count);
  EndShape();
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::DrawPath(GGraphic* graphic) {
  auto* path = dynamic_cast<GPathGraphic*>(graphic);
  if (path == nullptr) return static_cast<int16_t>(TakeStatus());
  EnsureStreamStarted(1);
  if (pathDepth_ <= 0) writer_->WriteOperator("O", false);
  ++pathDepth_;
  for (size_t i = 0; i < path->MemberCount(); ++i) {
    if (GGraphic* piece = path->MemberAt(i)) static_cast<void>(piece->Dispatch(this));
  }
  --pathDepth_;
  if (pathDepth_ > 0) {
    if (path->IsClosed() != 0) writer_->WriteOperator("N", false);
  } else if (clipPath_ == 0) {
    writer_->WriteOperator("P", true);
  }
  return static_cast<int16_t>(TakeStatus());
}

// ---- Scan lines ----

int16_t GPostScript::BeginScanLines(GGraphic*) {
  EnsureStreamStarted(1);
  inScanLines_ = 1;
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::EndScanLines(GGraphic*) {
  EnsureStreamStarted(1);
  inScanLines_ = 0;
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::ScanLines(GGraphic* graphic) {
  GShapeGraphic* shape = PsShapeOf(graphic);
  if (shape == nullptr || shape->GetPointCount() < 2) return static_cast<int16_t>(TakeStatus());
  EnsureStreamStarted(1);
  const uint32_t count = shape->GetPointCount();
  const int16_t y = shape->GetPoint(0)->y;
  const int16_t xStart = shape->GetPoint(1)->x;
  writer_->WriteOperator("S", true);
  writer_->WriteInteger(xStart);
  writer_->WriteInteger(y);
  writer_->WriteInteger(static_cast<int32_t>(count - 1));
  int16_t previousEnd = xStart;
  for (uint32_t i = 1; i < count; ++i) {
    const GShortPoint* span = shape->GetPoint(i);
    writer_->WriteInteger(static_cast<uint16_t>(span->x - previousEnd));
    writer_->WriteInteger(static_cast<uint16_t>(span->y - span->x));
    previousEnd = span->y;
    if (i % 8 == 0) writer_->WriteText("\r\n");
  }
  writer_->WriteText("\r\n");
  return static_cast<int16_t>(TakeStatus());
}

// ---- Clips ----

// The rule ("U") when the clip has one, and the region kind (0 or 1).
int32_t GPostScript::WriteClipRule(GClip* clip) {
  const int32_t rule = clip->GetClipRule();
  if (rule == 0 || rule == 1) {
    writer_->WriteInteger(rule);
    writer_->WriteOperator("U", false);
  }
  return clip->GetClipRegion() == 1 ? 1 : 0;
}

void GPostScript::WriteRectangleOperands(const GRect& r) {
  writer_->WriteInteger(r.right - r.left);
  writer_->WriteInteger(r.bottom - r.top);
  writer_->WriteInteger(r.left);
  writer_->WriteInteger(r.top);
}

int16_t GPostScript::ClipToPage(GClipToPage* clip) {
  if (clip != nullptr) clip->changed = 0;
  EnsureStreamStarted(1);
  writer_->WriteOperator("Y", true);
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::ClipToPath(GClipToPath* clip) {
  if (clip == nullptr) return static_cast<int16_t>(TakeStatus());
  clip->changed = 0;
  EnsureStreamStarted(1);
  clipPath_ = 1;
  const int32_t region = WriteClipRule(clip);
  if (GPathGraphic* path = clip->GetPath()) static_cast<void>(path->Dispatch(this));
  writer_->WriteInteger(region);
  writer_->WriteOperator("e", false);
  writer_->WriteOperator("AG", true);
  clipPath_ = 0;
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::ClipToRectangle(GClipToSingleRectangle* clip) {
  if (clip == nullptr) return static_cast<int16_t>(TakeStatus());
  clip->changed = 0;
  EnsureStreamStarted(1);
  const int32_t region = WriteClipRule(clip);
  writer_->WriteInteger(region);
  writer_->WriteOperator("e", false);
  WriteRectangleOperands(clip->GetRectangle());
  writer_->WriteOperator("CB", true);
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::ClipToRectangles(GClipToRectangle* clip) {
  if (clip == nullptr) return static_cast<int16_t>(TakeStatus());
  clip->changed = 0;
  EnsureStreamStarted(1);
  const int32_t region = WriteClipRule(clip);
  const uint32_t count = clip->GetCount();
  if (count == 1) {
    GRect r;
    clip->GetRectangle(0, r);
    writer_->WriteInteger(region);
    writer_->WriteOperator("e", false);
    WriteRectangleOperands(r);
    writer_->WriteOperator("CB", true);
  } else if (count > 1) {
    writer_->WriteOperator("O", true);
    for (uint32_t i = 0; i < count; ++i) {
      GRect r;
      clip->GetRectangle(i, r);
      WriteRectangleOperands(r);
      writer_->WriteOperator("BP", true);
    }
    writer_->WriteInteger(region);
    writer_->WriteOperator("e", false);
    writer_->WriteOperator("AG", true);
  }
  return static_cast<int16_t>(TakeStatus());
}

// ---- Pens, brushes and colours ----

int16_t GPostScript::SetBrush(GBrush* brush) {
  if (brush != nullptr) {
    brush->changed = 0;
    if (GPaint* paint = brush->GetPaint()) static_cast<void>(paint->ApplyAsBrush(this));
  }
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetNoBrush(GNoBrush* brush) {
  if (brush != nullptr) brush->changed = 0;
  EnsureStreamStarted(1);
  writer_->WriteOperator("E", true);
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetNoPen(GNoPen* pen) {
  if (pen != nullptr) pen->changed = 0;
  EnsureStreamStarted(1);
  writer_->WriteOperator("I", true);
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetBrushColor(GColorPaint* paint) {
  EnsureStreamStarted(1);
  uint8_t rgb[3];
  PsRgbOf(paint, rgb);
  if (colourMode_ == 1) {
    writer_->SetImageColourSpace(1);
    for (uint8_t c : rgb) writer_->WriteInteger(c);
    writer_->WriteOperator("H", true);
    for (int i = 0; i < 3; ++i) brushRgb_[i] = rgb[i];
  } else {
    writer_->SetImageColourSpace(0);
    const uint8_t gray = GrayOf(rgb[0], rgb[1], rgb[2]);
    writer_->WriteInteger(gray);
    writer_->WriteOperator("F", true);
    for (uint8_t& c : brushRgb_) c = gray;
  }
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetPenColor(GColorPaint* paint) {
  EnsureStreamStarted(1);
  uint8_t rgb[3];
  PsRgbOf(paint, rgb);
  writer_->SetImageColourSpace(1);
  if (colourMode_ == 1) {
    for (uint8_t c : rgb) writer_->WriteInteger(c);
    writer_->WriteOperator("L", true);
  } else {
    writer_->WriteInteger(GrayOf(rgb[0], rgb[1], rgb[2]));
    writer_->WriteOperator("J", true);
  }
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetBrushPattern(GPaint* pattern) {
  EnsureStreamStarted(1);
  writer_->WriteOperator(DefinePattern(pattern, 1) != 0 ? "G" : "E", true);
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetPenPattern(GPaint* pattern) {
  EnsureStreamStarted(1);
  // "K" takes the pattern the definition left on the operand stack; an
  // operand in front of it would become the pen's pattern instead and
  // leave the pattern behind on the stack.
  if (DefinePattern(pattern, 2) != 0) {
    writer_->WriteOperator("K", true);
  } else {
    writer_->WriteOperator("I", true);
  }
  return static_cast<int16_t>(TakeStatus());
}

void GPostScript::WritePenWidthAndPaint(GPen* pen) {
  writer_->WriteInteger(pen->GetWidth());
  writer_->WriteOperator("V", true);
  if (GPaint* paint = pen->GetPaint()) static_cast<void>(paint->ApplyAsPen(this));
}

int16_t GPostScript::SetPen(GPen* pen) {
  if (pen == nullptr) return static_cast<int16_t>(TakeStatus());
  pen->changed = 0;
  EnsureStreamStarted(1);
  writer_->WriteText("[] ");
  writer_->WriteOperator("W", false);
  WritePenWidthAndPaint(pen);
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetDashedPen(GDashedPen* pen) {
  if (pen == nullptr) return static_cast<int16_t>(TakeStatus());
  pen->changed = 0;
  EnsureStreamStarted(1);
  writer_->WriteIntegerArray(pen->GetDashes(), pen->GetDashes() != nullptr ? pen->GetDashCount() : 0);
  writer_->WriteText(" ");
  writer_->WriteOperator("W", false);
  WritePenWidthAndPaint(pen);
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetLineCap(GCap* cap) {
  if (cap == nullptr) return static_cast<int16_t>(TakeStatus());
  cap->changed = 0;
  EnsureStreamStarted(1);
  static const int32_t kPsCaps[3] = {1, 2, 0};
  const int32_t kind = cap->GetCap();
  if (kind >= 0 && kind <= 2) {
    writer_->WriteInteger(kPsCaps[kind]);
    writer_->WriteOperator("AH", true);
  }
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetLineJoin(GJoint* joint) {
  if (joint == nullptr) return static_cast<int16_t>(TakeStatus());
  joint->changed = 0;
  EnsureStreamStarted(1);
  const int32_t join = joint->GetJoin();
  if (join >= 0 && join <= 3) {
    writer_->WriteInteger(join);
    writer_->WriteOperator("AI", true);
  }
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetMiterJoin(GMiterJoint* joint) {
  if (joint == nullptr) return static_cast<int16_t>(TakeStatus());
  joint->changed = 0;
  EnsureStreamStarted(1);
  const float limit = joint->GetMiterLimit();
  // Truncated into the 16-bit range; a negative or unreadable limit is 0.
  const uint16_t value = !(limit > 0) ? 0 : limit >= 65535.0f ? 65535 : static_cast<uint16_t>(limit);
  writer_->WriteInteger(value);
  writer_->WriteOperator("AJ", true);
  writer_->WriteInteger(0);
  writer_->WriteOperator("AI", true);
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetFillMode(GFillMode* fillMode) {
  if (fillMode == nullptr) return static_cast<int16_t>(TakeStatus());
  fillMode->changed = 0;
  EnsureStreamStarted(1);
  if (fillMode->GetMode() == 0 || fillMode->GetMode() == 1) {
    writer_->WriteInteger(fillMode->GetMode() == 0 ? 1 : 0);
    writer_->WriteOperator("T", true);
  }
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetRasterOperation(GRasterOperation* operation) {
  if (operation == nullptr) return static_cast<int16_t>(TakeStatus());
  operation->changed = 0;
  if (operation->GetKind() == 1) {
    EnsureStreamStarted(1);
    const uint16_t code = operation->GetCode();
    rasterOperation_ = code;
    writer_->WriteInteger(code & 0xFF);
    writer_->WriteOperator("R3", false);
    writer_->WriteInteger((code >> 12) == 0xA ? 1 : 0);
    writer_->WriteOperator("Z", true);
  }
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetValue(GValueAttribute* value) {
  if (value == nullptr) return static_cast<int16_t>(TakeStatus());
  value->changed = 0;
  if (value->FeatureId() == GFeatureIds::kPassThroughSetting) applicationDataFirst_ = value->GetValue() != 0 ? 1 : 0;
  return static_cast<int16_t>(TakeStatus());
}

// ---- Page transform ----

int16_t GPostScript::SetTransform(GTransformAttribute* transform) {
  if (transform == nullptr || !IsInPage()) return static_cast<int16_t>(TakeStatus());
  transform->changed = 0;
  deviceTransformPending_ = 0;
  EnsureStreamStarted(1);
  writer_->WriteDeviceTransform();
  GShortPoint offset;
  GRealPair scale;
  transform->GetOffset(offset);
  transform->GetScale(scale);
  writer_->WriteInteger(offset.x);
  writer_->WriteInteger(offset.y);
  writer_->WriteOperator("AE", true);
  writer_->WriteReal(-static_cast<float>(transform->GetRotation()));
  writer_->WriteOperator("AD", true);
  writer_->WriteReal(static_cast<float>(scale.x));
  writer_->WriteReal(static_cast<float>(scale.y));
  writer_->WriteOperator("AC", true);
  return static_cast<int16_t>(TakeStatus());
}

// ---- Attributes this generator only takes note of ----

int16_t GPostScript::ClearMark(GAttribute* attribute) {
  if (attribute != nullptr) attribute->changed = 0;
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::SetColorMap(GColorMap* colorMap) { return ClearMark(colorMap); }
int16_t GPostScript::SetHalftone(GHalftone* halftone) { return ClearMark(halftone); }
int16_t GPostScript::SetString(GStringAttribute* text) { return ClearMark(text); }
int16_t GPostScript::SetEnum(GEnumAttribute* enumeration) { return ClearMark(enumeration); }
int16_t GPostScript::SetRange(GRangeAttribute* range) { return ClearMark(range); }
