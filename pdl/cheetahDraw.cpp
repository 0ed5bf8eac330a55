// GCheetah's drawing: paths and shapes as PCL XL path operators, the
// compact relative encoding of polylines and Bezier curves, scan lines,
// clips, pens, brushes, raster operations and the page transform.
#include <cmath>
#include <vector>

#include "graphics/GBrush.h"
#include "graphics/GCap.h"
#include "graphics/GClip.h"
#include "graphics/GFillMode.h"
#include "graphics/GPaint.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GPen.h"
#include "graphics/GShapeGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "model/GColorAttributes.h"
#include "model/GConfiguration.h"
#include "pdl/XLOperators.h"
#include "pdl/cheetah.h"

namespace {

// VendorUnique extensions of the colour map and the halftone.
constexpr uint32_t kVUColorMap = 0x71761001;
constexpr uint32_t kVUHalftone = 0x71761002;
constexpr uint8_t kDrawOpVendorUnique = 0x46;
constexpr uint8_t kDrawAttrVUExtension = 0x91;
constexpr uint8_t kDrawAttrVUAttr1 = 0x93;

// Point types of the relative point lists.
constexpr uint8_t kPointsAsBytes = 1;
constexpr uint8_t kPointsAsWords = 3;
// Items of one run operator at most, so that its point count fits 16 bits.
constexpr size_t kMaxRunItems = 16000;

GShapeGraphic* ShapeOf(GGraphic* graphic) { return dynamic_cast<GShapeGraphic*>(graphic); }

bool SmallDelta(int16_t d) { return d >= -127 && d <= 127; }

// VendorUnique with the extension and VUAttr1 only.
void VendorByte(XLStream* s, uint32_t extension, uint8_t value) {
  XLWriteUInt32(s, extension);
  XLWriteAttributeId(s, kDrawAttrVUExtension);
  XLWriteUByte(s, value);
  XLWriteAttributeId(s, kDrawAttrVUAttr1);
  XLWriteOperator(s, kDrawOpVendorUnique);
}

}  // namespace

// ---- Paths ----

void GCheetah::OpenPath() {
  if (pathDepth_ <= 0) XLNewPath(S());
}

void GCheetah::Paint() {
  const bool solidish = SourceIsSolidOrTransparentPattern(brushSource_) ||
                        (brushSource_ == kSourceNone && SourceIsSolidOrTransparentPattern(penSource_));
  if (solidish && transparency_ == 1) {
    XLSetPatternTxMode(S(), 0);
    XLSetSourceTxMode(S(), 0);
    XLPaintPath(S());
    XLSetPatternTxMode(S(), 1);
    XLSetSourceTxMode(S(), 1);
  } else {
    XLPaintPath(S());
  }
}

void GCheetah::ClosePath() {
  if (pathDepth_ <= 0) Paint();
}

// Cuts the items (deltasPerItem (dx, dy) pairs each) into runs of small
// deltas written as signed bytes and runs of larger ones written as words:
// a streak of small items goes into a byte run of its own once it is long
// enough to pay for the extra operator.
void GCheetah::WriteRelativeRuns(const std::vector<int16_t>& deltas, uint32_t deltasPerItem, bool bezier) {
  const size_t itemValues = static_cast<size_t>(deltasPerItem) * 2;
  const size_t items = itemValues != 0 ? deltas.size() / itemValues : 0;
  if (items == 0) return;
  const size_t threshold = bezier ? 2 : 6;
  auto isSmall = [&](size_t item) {
    for (size_t k = 0; k < itemValues; ++k)
      if (!SmallDelta(deltas[item * itemValues + k])) return false;
    return true;
  };
  auto write = [&](size_t first, size_t end, bool bytes) {
    while (first < end) {
      const size_t count = std::min(end - first, kMaxRunItems);
      const uint16_t points = static_cast<uint16_t>(count * deltasPerItem);
      if (bezier) {
        XLBezierRelPathPoints(S(), points, bytes ? kPointsAsBytes : kPointsAsWords);
      } else {
        XLLineRelPathPoints(S(), points, bytes ? kPointsAsBytes : kPointsAsWords);
      }
      const int16_t* values = deltas.data() + first * itemValues;
      const size_t valueCount = count * itemValues;
      XLWriteEmbeddedLength(S(), static_cast<uint32_t>(valueCount * (bytes ? 1 : 2)));
      for (size_t k = 0; k < valueCount; ++k) {
        if (bytes) {
          XLWriteRawByte(S(), static_cast<uint8_t>(static_cast<int8_t>(values[k])));
        } else {
          XLWriteRawUInt16(S(), static_cast<uint16_t>(values[k]));
        }
      }
      first += count;
    }
  };
  size_t runStart = 0;
  bool byteRun = false;
  bool streak = false;
  size_t streakStart = 0;
  for (size_t i = 0; i < items; ++i) {
    const bool small = isSmall(i);
    if (byteRun) {
      if (!small) {
        write(runStart, i, true);
        runStart = i;
        byteRun = false;
        streak = false;
      }
      continue;
    }
    if (!small) {
      streak = false;
      continue;
    }
    if (!streak) {
      streak = true;
      streakStart = i;
    }
    if (i - streakStart + 1 >= threshold) {
      write(runStart, streakStart, false);
      runStart = streakStart;
      byteRun = true;
      streak = false;
    }
  }
  const bool onlyOneStreak = !byteRun && streak && streakStart == 0 && runStart == 0;
  write(runStart, items, byteRun || onlyOneStreak);
}

// The points relative to the current point and then to each other; the
// current point becomes the last point.
void GCheetah::DrawRelativePoints(const GShortPoint* points, uint32_t count) {
  std::vector<int16_t> deltas;
  deltas.reserve(static_cast<size_t>(count) * 2);
  int16_t x = currentX_;
  int16_t y = currentY_;
  for (uint32_t i = 0; i < count; ++i) {
    deltas.push_back(static_cast<int16_t>(points[i].x - x));
    deltas.push_back(static_cast<int16_t>(points[i].y - y));
    x = points[i].x;
    y = points[i].y;
  }
  WriteRelativeRuns(deltas, 1, false);
  currentX_ = x;
  currentY_ = y;
}

int16_t GCheetah::DrawArc(GGraphic* graphic) {
  GShapeGraphic* shape = ShapeOf(graphic);
  if (shape == nullptr) return TakeWriteStatus();
  OpenPath();
  const GRect box = shape->GetBounds();
  const GShortPoint start = shape->GetStartPoint();
  const GShortPoint end = shape->GetEndPoint();
  XLArcPathS16(S(), box.left, box.top, box.right, box.bottom, start.x, start.y, end.x, end.y,
               static_cast<uint8_t>(shape->GetArcDirection() != 0 ? 1 : 0));
  ClosePath();
  // The printer's cursor ends on the ellipse at the angle of the end point.
  const float rx = static_cast<float>(box.Width()) / 2.0f;
  const float ry = static_cast<float>(box.Height()) / 2.0f;
  const float cx = static_cast<float>(box.left) + rx;
  const float cy = static_cast<float>(box.top) + ry;
  const float ex = end.x;
  const float ey = end.y;
  float degrees = 0;
  if (ex == cx) {
    degrees = ey >= cy ? 90.0f : -90.0f;
  } else {
    degrees = std::atan((ey - cy) / (ex - cx)) * 57.2958f;
    if (ex < cx) degrees += 180.0f;
  }
  if (ex == cx) {
    // Straight above or below the centre: the top or bottom of the ellipse
    // exactly (the cosine of the rounded right angle is a hair below 0 and
    // would cost the truncated x a pixel).
    currentX_ = static_cast<int16_t>(cx);
    currentY_ = static_cast<int16_t>(ey >= cy ? cy + ry : cy - ry);
  } else {
    const float radians = degrees * 0.0174533f;
    currentX_ = static_cast<int16_t>(cx + rx * std::cos(radians));
    currentY_ = static_cast<int16_t>(cy + ry * std::sin(radians));
  }
  return TakeWriteStatus();
}

// A chord or a pie: the box and its two points, the start first when the
// arc runs in direction 1, else the end first.
int16_t GCheetah::DrawBoxWithEnds(GGraphic* graphic, BoxEndsWriter write) {
  GShapeGraphic* shape = ShapeOf(graphic);
  if (shape == nullptr) return TakeWriteStatus();
  OpenPath();
  const GRect box = shape->GetBounds();
  GShortPoint a = shape->GetStartPoint();
  GShortPoint b = shape->GetEndPoint();
  if (shape->GetArcDirection() == 0) std::swap(a, b);
  write(S(), box.left, box.top, box.right, box.bottom, a.x, a.y, b.x, b.y);
  ClosePath();
  currentX_ = box.left;
  currentY_ = box.top;
  return TakeWriteStatus();
}

int16_t GCheetah::DrawChord(GGraphic* graphic) { return DrawBoxWithEnds(graphic, XLChordPathS16); }

int16_t GCheetah::DrawPie(GGraphic* graphic) { return DrawBoxWithEnds(graphic, XLPiePathS16); }

int16_t GCheetah::DrawEllipse(GGraphic* graphic) {
  GShapeGraphic* shape = ShapeOf(graphic);
  if (shape == nullptr) return TakeWriteStatus();
  OpenPath();
  const GRect box = shape->GetBounds();
  XLEllipsePathS16(S(), box.left, box.top, box.right, box.bottom);
  ClosePath();
  currentX_ = box.left;
  currentY_ = box.top;
  return TakeWriteStatus();
}

int16_t GCheetah::DrawRectangle(GGraphic* graphic) {
  GShapeGraphic* shape = ShapeOf(graphic);
  if (shape == nullptr) return TakeWriteStatus();
  OpenPath();
  const GRect box = shape->GetBounds();
  if (box.left != box.right && box.top != box.bottom) {
    XLRectanglePathS16(S(), box.left, box.top, box.right, box.bottom);
    ClosePath();
    currentX_ = box.left;
    currentY_ = box.top;
  }
  return TakeWriteStatus();
}

int16_t GCheetah::DrawRoundRectangle(GGraphic* graphic) {
  GShapeGraphic* shape = ShapeOf(graphic);
  if (shape == nullptr) return TakeWriteStatus();
  OpenPath();
  const GRect box = shape->GetBounds();
  const GShortPoint corner = shape->GetCornerSize();
  XLRoundRectanglePathS16(S(), box.left, box.top, box.right, box.bottom, static_cast<uint16_t>(corner.x),
                          static_cast<uint16_t>(corner.y));
  ClosePath();
  currentX_ = box.left;
  currentY_ = box.top;
  return TakeWriteStatus();
}

int16_t GCheetah::DrawPath(GGraphic* graphic) {
  auto* path = dynamic_cast<GPathGraphic*>(graphic);
  if (path == nullptr) return TakeWriteStatus();
  OpenPath();
  ++pathDepth_;
  // The pieces draw themselves as segments of this path, in order.
  for (size_t i = 0; i < path->MemberCount(); ++i) {
    if (GGraphic* piece = path->MemberAt(i)) static_cast<void>(piece->Dispatch(this));
  }
  --pathDepth_;
  if (pathDepth_ > 0) {
    if (path->IsClosed()) XLCloseSubPath(S());
  } else if (buildingClip_ == 0) {
    Paint();
  }
  return TakeWriteStatus();
}

int16_t GCheetah::DrawPolyBezier(GGraphic* graphic) {
  GShapeGraphic* shape = ShapeOf(graphic);
  if (shape == nullptr) return TakeWriteStatus();
  OpenPath();
  if (shape->GetBezierCount() > 0) {
    // The run's first point is its start point; the points are the
    // segments' control and end points.
    const GShortPoint first = shape->GetStartPoint();
    XLSetCursorS16(S(), first.x, first.y);
    currentX_ = first.x;
    currentY_ = first.y;
    ++pathDepth_;
    DrawPolyBezierTo(graphic);
    --pathDepth_;
  }
  ClosePath();
  return TakeWriteStatus();
}

int16_t GCheetah::DrawPolyBezierTo(GGraphic* graphic) {
  GShapeGraphic* shape = ShapeOf(graphic);
  if (shape == nullptr) return TakeWriteStatus();
  const uint32_t segments = shape->GetBezierCount();
  if (segments > 0) {
    // Each segment: both control points and the end point, relative to the
    // segment's start point.
    std::vector<int16_t> deltas;
    deltas.reserve(static_cast<size_t>(segments) * 6);
    int16_t x = currentX_;
    int16_t y = currentY_;
    for (uint32_t i = 0; i < segments; ++i) {
      for (uint32_t k = 0; k < 3; ++k) {
        const GShortPoint* p = shape->GetPoint(i * 3 + k);
        deltas.push_back(static_cast<int16_t>(p->x - x));
        deltas.push_back(static_cast<int16_t>(p->y - y));
      }
      const GShortPoint* endPoint = shape->GetPoint(i * 3 + 2);
      x = endPoint->x;
      y = endPoint->y;
    }
    WriteRelativeRuns(deltas, 3, true);
    currentX_ = x;
    currentY_ = y;
  }
  ClosePath();
  return TakeWriteStatus();
}

int16_t GCheetah::DrawPolyline(GGraphic* graphic) {
  GShapeGraphic* shape = ShapeOf(graphic);
  if (shape == nullptr) return TakeWriteStatus();
  OpenPath();
  if (shape->GetPointCount() > 0) {
    const GShortPoint* first = shape->GetPoint(0);
    XLSetCursorS16(S(), first->x, first->y);
    currentX_ = first->x;
    currentY_ = first->y;
    ++pathDepth_;
    DrawPolylineTo(graphic);
    --pathDepth_;
  }
  ClosePath();
  return TakeWriteStatus();
}

int16_t GCheetah::DrawPolylineTo(GGraphic* graphic) {
  GShapeGraphic* shape = ShapeOf(graphic);
  if (shape == nullptr) return TakeWriteStatus();
  if (shape->GetPointCount() > 0) DrawRelativePoints(shape->GetPoint(0), shape->GetPointCount());
  ClosePath();
  return TakeWriteStatus();
}

int16_t GCheetah::DrawPolygon(GGraphic* graphic) {
  GShapeGraphic* shape = ShapeOf(graphic);
  if (shape == nullptr) return TakeWriteStatus();
  OpenPath();
  if (shape->GetPointCount() == 0) return TakeWriteStatus();
  const GShortPoint* first = shape->GetPoint(0);
  XLSetCursorS16(S(), first->x, first->y);
  currentX_ = first->x;
  currentY_ = first->y;
  DrawRelativePoints(first, shape->GetPointCount());
  XLCloseSubPath(S());
  ClosePath();
  return TakeWriteStatus();
}

int16_t GCheetah::BeginScanLines(GGraphic*) {
  inScanLines_ = 1;
  if (SourceIsSolidOrTransparentPattern(brushSource_) && transparency_ == 1) {
    XLSetPatternTxMode(S(), 0);
    XLSetSourceTxMode(S(), 0);
  }
  XLBeginScan(S());
  return TakeWriteStatus();
}

int16_t GCheetah::ScanLines(GGraphic* graphic) {
  GShapeGraphic* shape = ShapeOf(graphic);
  if (shape == nullptr || shape->GetPointCount() < 2) return TakeWriteStatus();
  const uint32_t count = shape->GetPointCount();
  // At most as many runs as the line record's 16-bit pair count holds.
  const uint32_t runs = std::min<uint32_t>(count - 1, 0xFFFF);
  const int16_t xStart = shape->GetPoint(1)->x;
  XLScanLineRelHeader(S(), static_cast<uint16_t>(shape->GetPoint(0)->y), static_cast<uint16_t>(xStart),
                      static_cast<uint16_t>(runs));
  int16_t previousEnd = xStart;
  for (uint32_t i = 1; i <= runs; ++i) {
    const GShortPoint* run = shape->GetPoint(i);
    XLWriteRawUInt16(S(), static_cast<uint16_t>(run->x - previousEnd));
    XLWriteRawUInt16(S(), static_cast<uint16_t>(run->y - run->x));
    previousEnd = run->y;
  }
  return TakeWriteStatus();
}

int16_t GCheetah::EndScanLines(GGraphic*) {
  inScanLines_ = 0;
  XLEndScan(S());
  if (SourceIsSolidOrTransparentPattern(brushSource_) && transparency_ == 1) {
    XLSetPatternTxMode(S(), 1);
    XLSetSourceTxMode(S(), 1);
  }
  return TakeWriteStatus();
}

// ---- Graphics state ----

int16_t GCheetah::SetBrush(GBrush* brush) {
  if (brush != nullptr) {
    brush->changed = 0;
    if (GPaint* paint = brush->GetPaint()) static_cast<void>(paint->ApplyAsBrush(this));
  }
  return TakeWriteStatus();
}

int16_t GCheetah::SetLineCap(GCap* cap) {
  if (cap != nullptr) {
    cap->changed = 0;
    switch (cap->GetCap()) {
      case 0: XLSetLineCap(S(), 1); break;
      case 1: XLSetLineCap(S(), 2); break;
      case 2: XLSetLineCap(S(), 0); break;
      default: break;
    }
  }
  return TakeWriteStatus();
}

int16_t GCheetah::ClipToPage(GClipToPage* clip) {
  if (clip != nullptr) clip->changed = 0;
  XLSetClipToPage(S());
  return TakeWriteStatus();
}

// SetClipMode from the fill rule (even-odd for rule 1, non-zero winding for
// rule 0) and the region byte: 1 keeps the outside, 0 the inside.
uint8_t GCheetah::ClipModeAndRegion(int32_t rule, int32_t region) {
  if (rule == 0) XLSetClipMode(S(), 1);
  else if (rule == 1) XLSetClipMode(S(), 0);
  return region == 1 ? 1 : 0;
}

int16_t GCheetah::ClipToPath(GClipToPath* clip) {
  if (clip == nullptr) return TakeWriteStatus();
  clip->changed = 0;
  buildingClip_ = 1;
  clipPath_ = 1;
  const uint8_t region = ClipModeAndRegion(clip->GetClipRule(), clip->GetClipRegion());
  if (GPathGraphic* path = clip->GetPath()) static_cast<void>(path->Dispatch(this));
  XLSetClipReplace(S(), region);
  buildingClip_ = 0;
  return TakeWriteStatus();
}

int16_t GCheetah::ClipToRectangles(GClipToRectangle* clip) {
  if (clip == nullptr) return TakeWriteStatus();
  clip->changed = 0;
  const uint8_t region = ClipModeAndRegion(clip->GetClipRule(), clip->GetClipRegion());
  const uint32_t count = clip->GetCount();
  if (count == 1) {
    GRect r;
    clip->GetRectangle(0, r);
    XLSetClipRectangleS16(S(), r.left, r.top, r.right, r.bottom, region);
  } else if (count > 1) {
    XLNewPath(S());
    for (uint32_t i = 0; i < count; ++i) {
      GRect r;
      clip->GetRectangle(i, r);
      XLRectanglePathS16(S(), r.left, r.top, r.right, r.bottom);
    }
    XLSetClipReplace(S(), region);
  }
  return TakeWriteStatus();
}

int16_t GCheetah::ClipToRectangle(GClipToSingleRectangle* clip) {
  if (clip == nullptr) return TakeWriteStatus();
  clip->changed = 0;
  const uint8_t region = ClipModeAndRegion(clip->GetClipRule(), clip->GetClipRegion());
  const GRect r = clip->GetRectangle();
  XLSetClipRectangleS16(S(), r.left, r.top, r.right, r.bottom, region);
  return TakeWriteStatus();
}

int16_t GCheetah::SetColorMap(GColorMap* colorMap) {
  if (colorMap != nullptr) {
    colorMap->changed = 0;
    VendorByte(S(), kVUColorMap,
               static_cast<uint8_t>(colorMap->GetDeviceValue(GCountedPtr(GetConfiguration()))));
  }
  return TakeWriteStatus();
}

int16_t GCheetah::SetHalftone(GHalftone* halftone) {
  if (halftone != nullptr) {
    halftone->changed = 0;
    VendorByte(S(), kVUHalftone,
               static_cast<uint8_t>(halftone->GetDeviceValue(GCountedPtr(GetConfiguration()))));
  }
  return TakeWriteStatus();
}

int16_t GCheetah::SetDashedPen(GDashedPen* pen) {
  if (pen == nullptr) return TakeWriteStatus();
  pen->changed = 0;
  const uint32_t count = pen->GetDashCount();
  std::vector<uint16_t> dashes(count);
  for (uint32_t i = 0; i < count && pen->GetDashes() != nullptr; ++i)
    dashes[i] = static_cast<uint16_t>(pen->GetDashes()[i]);
  if (count > 0) {
    XLSetLineDashOffset(S(), dashes.data(), count, static_cast<uint16_t>(pen->GetDashOffset()));
  } else {
    XLSetLineDashSolid(S());
  }
  XLSetPenWidth(S(), static_cast<uint16_t>(pen->GetWidth()));
  if (GPaint* paint = pen->GetPaint()) static_cast<void>(paint->ApplyAsPen(this));
  return TakeWriteStatus();
}

int16_t GCheetah::SetFillMode(GFillMode* fillMode) {
  if (fillMode != nullptr) {
    fillMode->changed = 0;
    if (fillMode->GetMode() == 0) XLSetFillMode(S(), 1);
    else if (fillMode->GetMode() == 1) XLSetFillMode(S(), 0);
  }
  return TakeWriteStatus();
}

int16_t GCheetah::SetLineJoin(GJoint* joint) {
  if (joint != nullptr) {
    joint->changed = 0;
    const int32_t join = joint->GetJoin();
    if (join >= 0 && join <= 3) XLSetLineJoin(S(), static_cast<uint8_t>(join));
  }
  return TakeWriteStatus();
}

int16_t GCheetah::SetMiterJoin(GMiterJoint* joint) {
  if (joint != nullptr) {
    joint->changed = 0;
    const float limit = joint->GetMiterLimit();
    // Truncated into the 16-bit range; a negative or unreadable limit is 0.
    const uint16_t length = !(limit > 0) ? 0 : limit >= 65535.0f ? 65535 : static_cast<uint16_t>(limit);
    XLSetMiterLimit(S(), length);
    XLSetLineJoin(S(), 0);
  }
  return TakeWriteStatus();
}

int16_t GCheetah::SetNoBrush(GNoBrush* brush) {
  if (brush != nullptr) brush->changed = 0;
  brushSource_ = kSourceNone;
  XLSetBrushSourceNull(S());
  return TakeWriteStatus();
}

int16_t GCheetah::SetNoPen(GNoPen* pen) {
  if (pen != nullptr) pen->changed = 0;
  penSource_ = kSourceNone;
  XLSetPenSourceNull(S());
  return TakeWriteStatus();
}

int16_t GCheetah::SetPen(GPen* pen) {
  if (pen == nullptr) return TakeWriteStatus();
  pen->changed = 0;
  XLSetLineDashSolid(S());
  XLSetPenWidth(S(), static_cast<uint16_t>(pen->GetWidth()));
  if (GPaint* paint = pen->GetPaint()) static_cast<void>(paint->ApplyAsPen(this));
  return TakeWriteStatus();
}

int16_t GCheetah::SetRasterOperation(GRasterOperation* operation) {
  if (operation == nullptr) return TakeWriteStatus();
  operation->changed = 0;
  const uint16_t code = operation->GetCode();
  if (operation->GetKind() == 0) {
    XLSetROP(S(), static_cast<uint8_t>(code));
  } else if (operation->GetKind() == 1) {
    transparency_ = (code >> 12) == 0xA ? 1 : 0;
    XLSetPatternTxMode(S(), static_cast<uint8_t>(transparency_));
    XLSetSourceTxMode(S(), static_cast<uint8_t>(transparency_));
    XLSetROP(S(), static_cast<uint8_t>(code & 0xFF));
  }
  return TakeWriteStatus();
}

int16_t GCheetah::SetTransform(GTransformAttribute* transform) {
  if (transform == nullptr || !IsInPage()) return TakeWriteStatus();
  GShortPoint offset;
  GRealPair scale;
  transform->GetOffset(offset);
  transform->GetScale(scale);
  XLSetPageDefaultCTM(S());
  XLSetPageOriginS16(S(), offset.x, offset.y);
  XLSetPageRotation(S(), transform->GetRotation());
  XLSetPageScale(S(), scale.x, scale.y);
  transform->changed = 0;
  return TakeWriteStatus();
}
