// The PCL 5e generator's vector output: rectangles, polygons, polylines,
// Bezier runs, arcs, ellipses and paths become GL/2 instructions. User
// units are device dots, so coordinates are written as integers; polylines
// and polygons use the polyline encoding relative to the pen position. A
// filled figure is collected in the GL/2 polygon buffer and then filled
// and edged with the paints the drawing state selects. Arcs are split into
// cubic Bezier curves with a small fixed-point geometry.
#include <cstdlib>
#include <memory>

#include "graphics/GClip.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GShapeGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GState.h"
#include "pdl/GPcl5e.h"

namespace {

// sin(i degrees) x 65536, rounded, for i = 0 to 90; the last entry is
// stored as 0 and read as 65536.
const uint16_t kPcl5eSines[91] = {
    0,     1144,  2287,  3430,  4572,  5712,  6850,  7987,  9121,  10252, 11380, 12505, 13626, 14742,
    15855, 16962, 18064, 19161, 20252, 21336, 22415, 23486, 24550, 25607, 26656, 27697, 28729, 29753,
    30767, 31772, 32768, 33754, 34729, 35693, 36647, 37590, 38521, 39441, 40348, 41243, 42126, 42995,
    43852, 44695, 45525, 46341, 47143, 47930, 48703, 49461, 50203, 50931, 51643, 52339, 53020, 53684,
    54332, 54963, 55578, 56175, 56756, 57319, 57865, 58393, 58903, 59396, 59870, 60326, 60764, 61183,
    61584, 61966, 62328, 62672, 62997, 63303, 63589, 63856, 64104, 64332, 64540, 64729, 64898, 65048,
    65177, 65287, 65376, 65446, 65496, 65526, 0};

// atan(k / 100) in hundredths of a degree, rounded, for k = 0 to 100,
// after one more zero entry.
const uint16_t kPcl5eArcTangents[102] = {
    0,    0,    57,   115,  172,  229,  286,  343,  400,  457,  514,  571,  628,  684,  741,  797,  853,
    909,  965,  1020, 1076, 1131, 1186, 1241, 1295, 1350, 1404, 1457, 1511, 1564, 1617, 1670, 1722, 1774,
    1826, 1878, 1929, 1980, 2030, 2081, 2131, 2180, 2229, 2278, 2327, 2375, 2423, 2470, 2517, 2564, 2610,
    2657, 2702, 2747, 2792, 2837, 2881, 2925, 2968, 3011, 3054, 3096, 3138, 3180, 3221, 3262, 3302, 3342,
    3382, 3422, 3461, 3499, 3537, 3575, 3613, 3650, 3687, 3723, 3760, 3795, 3831, 3866, 3901, 3935, 3969,
    4003, 4036, 4070, 4102, 4135, 4167, 4199, 4230, 4261, 4292, 4323, 4353, 4383, 4413, 4442, 4471, 4500};

int32_t Pcl5eSineEntry(int degree) { return degree >= 90 ? 65536 : kPcl5eSines[degree]; }

// Sine of an angle in tenths of a degree, times 32768.
int32_t GPcl5eSine(int32_t tenths) {
  int32_t a = tenths % 3600;
  if (a < 0) a += 3600;
  const bool negative = a >= 1800;
  if (negative) a -= 1800;
  if (a > 900) a = 1800 - a;
  const int degree = a / 10;
  const int fraction = a % 10;
  int32_t value = Pcl5eSineEntry(degree);
  if (fraction != 0) value += (Pcl5eSineEntry(degree + 1) - value) * fraction / 10;
  value /= 2;
  return negative ? -value : value;
}

int32_t GPcl5eCosine(int32_t tenths) { return GPcl5eSine(tenths + 900); }

// The direction of (dx, dy) in tenths of a degree, 0 to 3599, y up.
int32_t GPcl5eAngle(int32_t dx, int32_t dy) {
  if (dx == 0 && dy == 0) return 0;
  if (dy == 0) return dx > 0 ? 0 : 1800;
  if (dx == 0) return dy > 0 ? 900 : 2700;
  const int64_t ax = std::llabs(dx);
  const int64_t ay = std::llabs(dy);
  const bool steep = ay > ax;
  const int64_t ratio = (steep ? ax : ay) * 1000 / (steep ? ay : ax);  // thousandths, 0 to 1000
  const int index = static_cast<int>(ratio / 10);
  const int rest = static_cast<int>(ratio % 10);
  int32_t hundredths = kPcl5eArcTangents[index + 1];
  if (rest != 0 && index < 100) hundredths += (kPcl5eArcTangents[index + 2] - hundredths) * rest / 10;
  int32_t angle = (hundredths + 5) / 10;  // tenths of a degree, 0 to 450
  if (steep) angle = 900 - angle;
  if (dx < 0) angle = 1800 - angle;
  if (dy < 0) angle = 3600 - angle;
  return angle % 3600;
}

// The Bezier points of one arc: 3n + 1 points at most 4 x 3 + 1.
struct Pcl5eArc {
  GShortPoint points[50];
  int count = 0;
};

// Writes the points of the arc from the end angle back toward the start
// angle (tenths of a degree), on the ellipse of centre (cx, cy) and radii
// rx, ry, y pointing down.
void Pcl5eArcBezier(int32_t cx, int32_t cy, int32_t rx, int32_t ry, int32_t start, int32_t end, bool full,
                    Pcl5eArc& arc) {
  int32_t sweep = end - start;
  if (sweep < 0) sweep += 3600;
  if (full || sweep == 0) sweep = 3600;
  const int n = (sweep + 899) / 900;
  const int32_t step = sweep / n;
  const int32_t k = GPcl5eSine(step / 4) * 20000 / GPcl5eCosine(step / 4) / 3;  // 1/5000 of the radius
  auto at = [&](int32_t angle, int32_t along) {
    // The point at angle, moved along the tangent toward smaller angles by
    // along / 5000 of the radius (negative: toward larger angles).
    const int64_t c = GPcl5eCosine(angle);
    const int64_t s = GPcl5eSine(angle);
    const int64_t x = cx + (rx * (c * 5000 + s * along)) / (32767LL * 5000);
    const int64_t y = cy - (ry * (s * 5000 - c * along)) / (32767LL * 5000);
    return GShortPoint(static_cast<int16_t>(x), static_cast<int16_t>(y));
  };
  int32_t angle = start + sweep;
  arc.count = 0;
  arc.points[arc.count++] = at(angle, 0);
  for (int i = 0; i < n; ++i) {
    const int32_t next = angle - step;
    arc.points[arc.count++] = at(angle, k);
    arc.points[arc.count++] = at(next, -k);
    arc.points[arc.count++] = at(next, 0);
    angle = next;
  }
}

// The Bezier points of the arc of the box from the direction of point a to
// the direction of point b; the same points make a full turn.
void Pcl5eArcPoints(const GRect& box, GShortPoint a, GShortPoint b, bool reversed, Pcl5eArc& arc) {
  const int32_t cx = (box.left + box.right) / 2;
  const int32_t cy = (box.top + box.bottom) / 2;
  const int32_t rx = std::abs(box.right - box.left) / 2;
  const int32_t ry = std::abs(box.bottom - box.top) / 2;
  // The offsets scaled to a circle, y up.
  auto direction = [&](GShortPoint p) {
    const int64_t dx = static_cast<int64_t>(p.x - cx) * (ry != 0 ? ry : 1);
    const int64_t dy = static_cast<int64_t>(cy - p.y) * (rx != 0 ? rx : 1);
    const int64_t scale = std::max<int64_t>(1, std::max(std::llabs(dx), std::llabs(dy)) / 30000 + 1);
    return GPcl5eAngle(static_cast<int32_t>(dx / scale), static_cast<int32_t>(dy / scale));
  };
  const int32_t start = direction(a);
  const int32_t end = direction(b);
  Pcl5eArcBezier(cx, cy, rx, ry, start, end, a == b, arc);
  if (reversed) {
    for (int i = 0, j = arc.count - 1; i < j; ++i, --j) std::swap(arc.points[i], arc.points[j]);
  }
}

}  // namespace

// ---- Polygon mode ----

void GPcl5e::ResetPathState() {
  polygonFlags_ = 0;
  polygonCache_ = GCountedPtr();
  penX_ = penY_ = 0;
}

void GPcl5e::DropPolygonCache() { polygonCache_ = GCountedPtr(); }

void GPcl5e::ClosePolygonSubpath() {
  if ((polygonFlags_ & 2) != 0) Emit("PM1");
}

void GPcl5e::BeginFigure(bool closed) {
  if (closed) polygonFlags_ |= 1;
  if ((polygonFlags_ & 1) != 0) {
    DropPolygonCache();
    if ((polygonFlags_ & 2) == 0) {
      Emit("PM0");
      polygonFlags_ |= 2;
    }
  }
  if ((polygonFlags_ & 2) == 0) {
    // An open figure is stroked as it is drawn.
    SetPatternTransparency(drawingFlags_ == 1 && (penKind_ == 0 || penKind_ == 2) ? 0 : patternTransparency_);
    SelectPaint(penKind_, 1, 1);
  }
}

void GPcl5e::EndFigure(uint8_t savedFlags) {
  if ((savedFlags & 1) != (polygonFlags_ & 1)) {
    Emit("PM2");
    FillAndEdge();
    polygonFlags_ = savedFlags;
    return;
  }
  // A figure inside an open polygon (a path's piece) leaves the polygon
  // buffer open for the pieces after it: the next one closes the subpath
  // (PM1) instead of opening the buffer afresh, which would drop what the
  // pieces before it put there.
  polygonFlags_ = static_cast<uint8_t>((savedFlags & ~2) | (polygonFlags_ & 2));
}

void GPcl5e::FillAndEdge() {
  if ((drawingFlags_ & 2) != 0) {
    SelectPaintWithTransparency(brushKind_, 2, 1);
    Emit("FP%fA%A0", fillRule_);
  }
  if ((drawingFlags_ & 1) != 0) {
    SelectPaint(penKind_, 1, 1);
    Emit("EP");
  }
}

void GPcl5e::EmitCurvePoints(const GShortPoint* points, int count) {
  for (int i = 0; i < count; ++i) Emit(i + 1 < count ? "%fA%A0,%fB%A0," : "%fA%A0,%fB%A0", points[i].x, points[i].y);
}

// ---- Drawing operations ----

namespace {

constexpr uint32_t kPcl5eDrawPending = 1 | 4 | 8;  // source transparency, merge control, input window

GShapeGraphic* Pcl5eShape(GGraphic* graphic) { return dynamic_cast<GShapeGraphic*>(graphic); }

}  // namespace

int16_t GPcl5e::DrawArcFigure(GGraphic* graphic, int kind) {
  GShapeGraphic* shape = Pcl5eShape(graphic);
  if (shape == nullptr) return TakeOutputStatus();
  EnterGl2Mode(kPcl5eDrawPending);
  const GRect box = shape->GetBounds();
  Pcl5eArc arc;
  const bool ellipse = kind == 2;
  const GShortPoint top(static_cast<int16_t>((box.left + box.right) / 2), box.top);
  Pcl5eArcPoints(box, ellipse ? top : shape->GetStartPoint(), ellipse ? top : shape->GetEndPoint(),
                 !ellipse && shape->GetArcDirection() != 0, arc);
  const uint8_t saved = polygonFlags_;
  if (kind == 3) {
    // A pie: from the centre to the arc and back.
    const GShortPoint centre(static_cast<int16_t>((box.left + box.right) / 2),
                             static_cast<int16_t>((box.top + box.bottom) / 2));
    ClosePolygonSubpath();
    Emit("PU%fA%A0,%fB%A0", centre.x, centre.y);
    BeginFigure(true);
    Emit("PD%fA%A0,%fB%A0PD", arc.points[0].x, arc.points[0].y);
    Emit("BZ");
    EmitCurvePoints(arc.points + 1, arc.count - 1);
    Emit("PD%fA%A0,%fB%A0", centre.x, centre.y);
    EndFigure(saved);
    penX_ = centre.x;
    penY_ = centre.y;
    return TakeOutputStatus();
  }
  ClosePolygonSubpath();
  Emit("PU%fA%A0,%fB%A0", arc.points[0].x, arc.points[0].y);
  BeginFigure(kind != 0);
  Emit("PDBZ");
  EmitCurvePoints(arc.points + 1, arc.count - 1);
  if (kind == 1) {
    Emit("PD%fA%A0,%fB%A0", arc.points[0].x, arc.points[0].y);
    penX_ = arc.points[0].x;
    penY_ = arc.points[0].y;
  } else {
    penX_ = arc.points[arc.count - 1].x;
    penY_ = arc.points[arc.count - 1].y;
  }
  EndFigure(saved);
  return TakeOutputStatus();
}

int16_t GPcl5e::DrawArc(GGraphic* graphic) { return DrawArcFigure(graphic, 0); }
int16_t GPcl5e::DrawChord(GGraphic* graphic) { return DrawArcFigure(graphic, 1); }
int16_t GPcl5e::DrawEllipse(GGraphic* graphic) { return DrawArcFigure(graphic, 2); }
int16_t GPcl5e::DrawPie(GGraphic* graphic) { return DrawArcFigure(graphic, 3); }

int16_t GPcl5e::DrawPolyBezier(GGraphic* graphic) {
  GShapeGraphic* shape = Pcl5eShape(graphic);
  if (shape == nullptr || shape->GetBezierCount() == 0) return TakeOutputStatus();
  EnterGl2Mode(kPcl5eDrawPending);
  ClosePolygonSubpath();
  const GShortPoint start = shape->GetStartPoint();
  Emit("PU%fA%A0,%fB%A0", start.x, start.y);
  const uint8_t saved = polygonFlags_;
  auto* bezier = dynamic_cast<GPolyBezierGraphic*>(shape);
  BeginFigure(bezier != nullptr && bezier->GetPolygonMode() != 0);
  penX_ = start.x;
  penY_ = start.y;
  ++pathDepth_;
  DrawPolyBezierTo(graphic);
  --pathDepth_;
  EndFigure(saved);
  return TakeOutputStatus();
}

int16_t GPcl5e::DrawPolyBezierTo(GGraphic* graphic) {
  GShapeGraphic* shape = Pcl5eShape(graphic);
  if (shape == nullptr) return TakeOutputStatus();
  // The start point is kept apart: every point is a curve point, three a
  // curve, after the pen position.
  const uint32_t first = 0;
  const uint32_t curves = shape->GetBezierCount();
  if (curves == 0) return TakeOutputStatus();
  EnterGl2Mode(kPcl5eDrawPending);
  const uint8_t saved = polygonFlags_;
  BeginFigure(false);
  Emit("PDBZ");
  EmitCurvePoints(shape->GetPoint(first), static_cast<int>(curves * 3));
  const GShortPoint last = *shape->GetPoint(first + curves * 3 - 1);
  penX_ = last.x;
  penY_ = last.y;
  EndFigure(saved);
  return TakeOutputStatus();
}

int16_t GPcl5e::DrawPolyline(GGraphic* graphic) {
  GShapeGraphic* shape = Pcl5eShape(graphic);
  if (shape == nullptr || shape->GetPointCount() == 0) return TakeOutputStatus();
  EnterGl2Mode(kPcl5eDrawPending);
  ClosePolygonSubpath();
  const GShortPoint start = *shape->GetPoint(0);
  Emit("PE=<%fA%G0%fB%G0;", start.x, start.y);
  penX_ = start.x;
  penY_ = start.y;
  ++pathDepth_;
  DrawPolylineTo(graphic);
  --pathDepth_;
  return TakeOutputStatus();
}

int16_t GPcl5e::DrawPolylineTo(GGraphic* graphic) {
  GShapeGraphic* shape = Pcl5eShape(graphic);
  if (shape == nullptr) return TakeOutputStatus();
  // Inside DrawPolyline the first point is the start already moved to.
  const uint32_t first = pathDepth_ > 0 ? 1 : 0;
  if (shape->GetPointCount() <= first) return TakeOutputStatus();
  EnterGl2Mode(kPcl5eDrawPending);
  const uint8_t saved = polygonFlags_;
  BeginFigure(false);
  Emit("PE");
  for (uint32_t i = first; i < shape->GetPointCount(); ++i) {
    const GShortPoint p = *shape->GetPoint(i);
    const bool last = i + 1 == shape->GetPointCount();
    Emit(last ? "%fA%G0%fB%G0;" : "%fA%G0%fB%G0", p.x - penX_, p.y - penY_);
    penX_ = p.x;
    penY_ = p.y;
  }
  EndFigure(saved);
  return TakeOutputStatus();
}

int16_t GPcl5e::DrawPolygon(GGraphic* graphic) {
  auto* polygon = dynamic_cast<GPolygonGraphic*>(graphic);
  if (polygon == nullptr || polygon->GetPointCount() == 0) return TakeOutputStatus();
  EnterGl2Mode(kPcl5eDrawPending);
  const uint32_t count = polygon->GetPointCount();
  if (auto* cached = dynamic_cast<GPolygonGraphic*>(polygonCache_.Pointee());
      cached != nullptr && (polygonFlags_ & 1) == 0 && cached->GetPointCount() == count) {
    bool same = true;
    for (uint32_t i = 0; same && i < count; ++i) same = *cached->GetPoint(i) == *polygon->GetPoint(i);
    if (same) {
      // The printer's polygon buffer still holds it.
      FillAndEdge();
      return TakeOutputStatus();
    }
  }
  DropPolygonCache();
  ClosePolygonSubpath();
  const GShortPoint start = *polygon->GetPoint(0);
  Emit("PE=<%fA%G0%fB%G0;", start.x, start.y);
  penX_ = start.x;
  penY_ = start.y;
  const uint8_t saved = polygonFlags_;
  BeginFigure(true);
  Emit("PE");
  for (uint32_t i = 0; i < count; ++i) {
    const GShortPoint p = *polygon->GetPoint(i);
    Emit("%fA%G0%fB%G0", p.x - penX_, p.y - penY_);
    penX_ = p.x;
    penY_ = p.y;
  }
  Emit("%fA%G0%fB%G0;", start.x - penX_, start.y - penY_);
  // The figure closes on its first point, where the pen now stands.
  penX_ = start.x;
  penY_ = start.y;
  EndFigure(saved);
  if ((polygonFlags_ & 1) == 0) polygonCache_ = GCountedPtr(new GPolygonGraphic(*polygon));
  return TakeOutputStatus();
}

int16_t GPcl5e::DrawPath(GGraphic* graphic) {
  auto* path = dynamic_cast<GPathGraphic*>(graphic);
  if (path == nullptr) return TakeOutputStatus();
  EnterGl2Mode(kPcl5eDrawPending);
  const uint8_t saved = polygonFlags_;
  const bool closed = drawingFlags_ == 2 || drawingFlags_ == 3 || path->IsClosed() != 0;
  if (closed) polygonFlags_ |= 1;
  ++pathDepth_;
  int16_t status = 0;
  for (size_t i = 0; i < path->MemberCount() && status == 0; ++i) {
    if (GGraphic* piece = path->MemberAt(i)) status = piece->Dispatch(this);
  }
  --pathDepth_;
  EndFigure(saved);
  const int16_t output = TakeOutputStatus();
  return status != 0 ? status : output;
}

int16_t GPcl5e::DrawOneRectangle(const GRect& given) {
  GRect rect = given;
  if (rect.IsEmpty()) return 0;
  if (pathDepth_ > 0 || (drawingFlags_ & 1) != 0) {
    ClosePolygonSubpath();
    Emit("PE=<%fA%G0%fB%G0;", rect.left, rect.top);
    const uint8_t saved = polygonFlags_;
    BeginFigure(true);
    Emit("PE%fC%G0%f0%G0%f0%G0%fD%G0%f0C-%G0%f0%G0%f0%G0%f0D-%G0;", 0, 0, rect.Width(), rect.Height());
    EndFigure(saved);
  } else {
    if (clipKind_ == 1) {
      rect = rect.Intersect(GRect(clipLeft_, clipTop_, clipRight_, clipBottom_));
      if (rect.IsEmpty()) return 0;
    }
    SelectPaintWithTransparency(brushKind_, 2, 1);
    const bool window = clipKindSent_ == 1;
    if ((capabilities_ & kCapRectangles) != 0) {
      Emit(window ? "IWPU%fA%A0,%fB%A0RQ%fC%A0,%fD%A0" : "PU%fA%A0,%fB%A0RQ%fC%A0,%fD%A0", rect.left, rect.top,
           rect.Width(), rect.Height());
    } else {
      DropPolygonCache();
      Emit(window ? "IWPU%fA%A0,%fB%A0RR%fC%A0,%fD%F1" : "PU%fA%A0,%fB%A0RR%fC%A0,%fD%F1", rect.left, rect.top,
           rect.Width(), rect.Height());
    }
    if (window) {
      clipKindSent_ = 0;
      // The window is open again: the clip is sent afresh before the next
      // drawing.
      if (clipKind_ == 1) pendingGl2_ |= kGl2InputWindow;
    }
  }
  penX_ = rect.left;
  penY_ = rect.top;
  return 0;
}

int16_t GPcl5e::DrawRectangle(GGraphic* graphic) {
  GShapeGraphic* shape = Pcl5eShape(graphic);
  if (shape == nullptr) return TakeOutputStatus();
  EnterGl2Mode(kPcl5eDrawPending);
  int16_t status = 0;
  auto* clip = clipKind_ == 2 ? dynamic_cast<GClipToRectangle*>(
                                    GetStateSection(GFeatureIds::kGraphicsState)->FindByKind(GClipToRectangleClassId))
                              : nullptr;
  if (clip != nullptr) {
    const GRect bounds = shape->GetBounds();
    for (uint32_t i = 0; i < clip->GetCount() && status == 0; ++i) {
      GRect part;
      clip->GetRectangle(i, part);
      // Each rectangle of the clip, limited to the graphic.
      status = DrawOneRectangle(part.Intersect(bounds));
    }
  } else {
    status = DrawOneRectangle(shape->GetBounds());
  }
  const int16_t output = TakeOutputStatus();
  return status != 0 ? status : output;
}

int16_t GPcl5e::DrawRoundRectangle(GGraphic* graphic) {
  GShapeGraphic* shape = Pcl5eShape(graphic);
  if (shape == nullptr) return TakeOutputStatus();
  EnterGl2Mode(kPcl5eDrawPending);
  const GRect box = shape->GetBounds();
  const GShortPoint corner = shape->GetCornerSize();
  const int32_t e = corner.x / 2;
  const int32_t f = corner.y / 2;
  ClosePolygonSubpath();
  Emit("PU%fAE+%A0,%fB%A0", box.left, box.top, box.right, box.bottom, e, f);
  const uint8_t saved = polygonFlags_;
  BeginFigure(true);
  if (corner.x == corner.y) {
    Emit("PD%fCE-%A0,%fB%A0AA%fCE-%A0,%fBF+%A0,90PD%fC%A0,%fDF-%A0AA%fCE-%A0,%fDF-%A0,90PD%fAE+%A0,%fD%A0AA%fAE+%A0,"
         "%fDF-%A0,90PD%fA%A0,%fBF+%A0AA%fAE+%A0,%fBF+%A0,90PD%fCE-%A0,%fB%A0",
         box.left, box.top, box.right, box.bottom, e, f);
  } else {
    Emit("PD%fCE-%A0,%fB%A0BZ%fCE0.46*-%A0,%fB%A0,%fC%A0,%fBF0.46*+%A0,%fC%A0,%fBF+%A0PD%fC%A0,%fDF-%A0BZ%fC%A0,"
         "%fDF0.46*-%A0,%fCE0.46*-%A0,%fD%A0,%fCE-%A0,%fD%A0PD%fAE+%A0,%fD%A0BZ%fAE0.46*+%A0,%fD%A0,%fA%A0,%fDF0.46*-"
         "%A0,%fA%A0,%fDF-%A0PD%fA%A0,%fBF+%A0BZ%fA%A0,%fBF0.46*+%A0,%fAE0.46*+%A0,%fB%A0,%fAE+%A0,%fB%A0PD%fCE-%A0,"
         "%fB%A0",
         box.left, box.top, box.right, box.bottom, e, f);
  }
  EndFigure(saved);
  penX_ = box.left;
  penY_ = box.top;
  return TakeOutputStatus();
}

// ---- Scan lines ----

int16_t GPcl5e::BeginScanLines(GGraphic*) {
  inScanLines_ = 1;
  EnterGl2Mode(kGl2SourceTransparency | kGl2MergeControl);
  // The runs are GL/2 rectangles filled with the brush.
  SelectPaint(brushKind_, 2, 1);
  return TakeOutputStatus();
}

int16_t GPcl5e::ScanLines(GGraphic* graphic) {
  GShapeGraphic* shape = Pcl5eShape(graphic);
  if (shape == nullptr || shape->GetPointCount() < 2) return TakeOutputStatus();
  const int16_t y = shape->GetPoint(0)->y;
  const bool clipped = clipKind_ == 1;
  if (clipped && (y < clipTop_ || y >= clipBottom_)) return TakeOutputStatus();
  SetMode(1);
  SetPatternTransparency(brushKind_ == 0 || brushKind_ == 2 ? 0 : patternTransparency_);
  if (clipKindSent_ == 1) {
    // The runs are clipped here: a window left from a clip would cut them twice.
    Emit("IW");
    if (clipKind_ == 1)
      pendingGl2_ |= kGl2InputWindow;
    else
      pendingGl2_ &= ~kGl2InputWindow;
    clipKindSent_ = 0;
  }
  // Each row is 1.9 dots high at scale 1, so that neighbouring rows overlap.
  const int32_t height = static_cast<int32_t>(scaleY_ * 100.0f);
  for (uint32_t i = 1; i < shape->GetPointCount(); ++i) {
    int32_t x1 = shape->GetPoint(i)->x;
    int32_t x2 = shape->GetPoint(i)->y;
    if (clipped) {
      if (x1 < clipLeft_) x1 = clipLeft_;
      if (x2 > clipRight_) x2 = clipRight_;
      if (x2 <= x1) continue;
    }
    Emit("PU%fA%A0,%fB%A0RR%fC%A0,%f190D/%F1", x1, y, x2 - x1, height != 0 ? height : 100);
    penX_ = static_cast<int16_t>(x1);
    penY_ = y;
  }
  return TakeOutputStatus();
}

int16_t GPcl5e::EndScanLines(GGraphic*) {
  inScanLines_ = 0;
  return TakeOutputStatus();
}

// ---- Transform ----

int16_t GPcl5e::SetTransform(GTransformAttribute* transform) {
  if (transform == nullptr || IsInPage() == 0) return TakeOutputStatus();
  GRealPair scale;
  GShortPoint offset;
  transform->GetScale(scale);
  transform->GetOffset(offset);
  const int rotation = transform->GetRotation();
  scaleX_ = scale.x != 0.0f ? scale.x : 1.0f;
  scaleY_ = scale.y != 0.0f ? scale.y : 1.0f;
  // Text positions: the transform's offset from the imageable origin.
  offsetX_ = static_cast<int16_t>(offset.x - PageMedia().GetImageableOrigin()->x);
  offsetY_ = static_cast<int16_t>(offset.y - PageMedia().GetImageableOrigin()->y);
  transformOffsetX_ = offset.x;
  transformOffsetY_ = offset.y;
  transformRotation_ = rotation;
  EnterPclMode(0, false);
  scalingSent_ = 1;
  Emit("#1B&a%fA%A0P", rotation);
  EnterGl2Mode(0);
  const double xr = xResolution_ != 0 ? xResolution_ : 600;
  const double yr = yResolution_ != 0 ? yResolution_ : 600;
  const int32_t a = static_cast<int32_t>(scaleX_ / xr * 2.032e7);
  const int32_t b = static_cast<int32_t>(scaleY_ / yr * 2.032e7);
  const GMedia& media = PageMedia();
  const int mx = media.GetImageableOrigin()->x, my = media.GetImageableOrigin()->y;
  const int ex = media.GetImageableExtent()->x, ey = media.GetImageableExtent()->y;
  const int ox = offset.x, oy = offset.y;
  double e = 0, f = 0;
  switch (rotation) {
    case 90: e = (oy - my - ey) / scaleY_; f = (mx - ox) / scaleX_; break;
    case 180: e = (ox - mx - ex) / scaleX_; f = (oy - ey - my) / scaleY_; break;
    case 270: e = (my - oy) / scaleY_; f = (ox - mx - ex) / scaleX_; break;
    default: e = (mx - ox) / scaleX_; f = (my - oy) / scaleY_; break;
  }
  Emit("SC%fE%A0,%fA 20000/%F7,%fF%A0,-%fB 20000/%F7,2", a, b, 0, 0, static_cast<int32_t>(e), static_cast<int32_t>(f));
  SetRotation(rotation);
  Emit("IR0,100,0,100");
  return TakeOutputStatus();
}
