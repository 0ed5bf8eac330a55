#include "graphics/GShapeGraphic.h"

#include <algorithm>
#include <vector>

#include "model/GPeripheral.h"
#include "rw/RWMembers.h"

// ---- GShapeGraphic ----

GShapeGraphic::GShapeGraphic()
    : GGraphic(nullptr, nullptr), arcDirection_(2), boundsValid_(0) {}

GShapeGraphic::GShapeGraphic(const GRect& rect, GState* settings, const int32_t* id)
    : GShapeGraphic(rect, 2, settings, id) {}

GShapeGraphic::GShapeGraphic(const GRect& rect, int32_t arcDirection, GState* settings, const int32_t* id)
    : GGraphic(settings, id), arcDirection_(arcDirection), boundsValid_(1), bounds_(rect) {}

GShapeGraphic::GShapeGraphic(const GPointList& points, GState* settings, const int32_t* id)
    : GGraphic(settings, id), arcDirection_(2), boundsValid_(0) {
  TakePoints(points);
}

GShapeGraphic::GShapeGraphic(const GRect& rect, const GPointList& points, GState* settings, const int32_t* id)
    : GShapeGraphic(rect, points, 2, settings, id) {}

GShapeGraphic::GShapeGraphic(const GRect& rect, const GPointList& points, int32_t arcDirection, GState* settings,
                             const int32_t* id)
    : GGraphic(settings, id), arcDirection_(arcDirection), boundsValid_(1), bounds_(rect) {
  TakePoints(points);
}

GShapeGraphic::GShapeGraphic(const GShapeGraphic& other)
    : GGraphic(other),
      arcDirection_(other.arcDirection_),
      boundsValid_(0),
      bounds_(other.bounds_),
      start_(other.start_),
      end_(other.end_),
      corner_(other.corner_) {
  points_.BorrowFrom(other.points_);
  if (other.points_.Owns() != 0) points_.MakeOwned();
}

GShapeGraphic::~GShapeGraphic() = default;

QV_PERSISTENT_ID_DEFINE(GShapeGraphic, GGraphic, GShapeGraphicClassId)

// An owning holder is copied; a borrowing one is borrowed in turn. When the
// copy cannot be had the points are borrowed, as PinResources leaves them.
void GShapeGraphic::TakePoints(const GPointList& points) {
  if (points.Owns() == 0 || !points_.CopyFrom(points)) points_.BorrowFrom(points);
}

int GShapeGraphic::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* shape = dynamic_cast<const GShapeGraphic*>(other);
  if (shape == nullptr || shape->ClassId() != ClassId() || !GGraphic::Matches(other)) return 0;
  if (boundsValid_ != 0 && shape->boundsValid_ != 0 && !bounds_.Equals(shape->bounds_)) return 0;
  if (arcDirection_ != shape->arcDirection_ || start_ != shape->start_ || end_ != shape->end_ ||
      corner_ != shape->corner_ || points_.Count() != shape->points_.Count())
    return 0;
  return std::equal(points_.Data(), points_.Data() + points_.Count(), shape->points_.Data()) ? 1 : 0;
}

void GShapeGraphic::PinResources() { points_.MakeOwned(); }

GRect GShapeGraphic::GetBounds() {
  if (boundsValid_ != 0) return bounds_;
  if (points_.Count() > 1) {
    GRect box(start_.x, start_.y, start_.x, start_.y);
    for (uint32_t i = 0; i < points_.Count(); ++i) {
      const GShortPoint& p = points_.Data()[i];
      box.left = std::min(box.left, p.x);
      box.right = std::max(box.right, p.x);
      box.top = std::min(box.top, p.y);
      box.bottom = std::max(box.bottom, p.y);
    }
    bounds_ = box;
  }
  boundsValid_ = 1;
  return bounds_;
}

// ---- Persistence ----

namespace {
// One point of a shape's stored run: x, then y.
template <typename Archive>
void StorePoint(Archive& archive, GShortPoint& point) {
  archive(point.x, point.y);
}
}  // namespace

// The points are read one by one, so a damaged count allocates no more than
// the input holds; every field is taken only when the whole part was read.
template <typename Archive>
void GShapeGraphic::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    int32_t arcDirection = 0;
    archive(arcDirection);
    std::vector<GShortPoint> read;
    rwm::ReadCounted(archive, read, StorePoint<Archive>);
    int32_t boundsValid = 0;
    GRect bounds;
    GShortPoint start, end, corner;
    archive(boundsValid, bounds.left, bounds.top, bounds.right, bounds.bottom, start.x, start.y, end.x, end.y,
            corner.x, corner.y);
    if (!archive.Ok()) return;
    GShortPoint* points = read.empty() ? nullptr : new GShortPoint[read.size()];
    std::copy(read.begin(), read.end(), points);
    points_.Reset(points, static_cast<uint32_t>(read.size()), true);
    arcDirection_ = arcDirection;
    boundsValid_ = boundsValid;
    bounds_ = bounds;
    start_ = start;
    end_ = end;
    corner_ = corner;
  } else {
    archive(arcDirection_);
    rwm::WriteCounted(archive, points_.Data(), points_.Count(), StorePoint<Archive>);
    archive(boundsValid_, bounds_.left, bounds_.top, bounds_.right, bounds_.bottom, start_.x, start_.y, end_.x,
            end_.y, corner_.x, corner_.y);
  }
}

RW_STORED_MEMBERS_DEFINE(GShapeGraphic, GGraphic)

// ---- GRectangleGraphic ----

GRectangleGraphic::GRectangleGraphic() = default;
GRectangleGraphic::GRectangleGraphic(const GRect& rect, GState* settings, const int32_t* id)
    : GShapeGraphic(rect, settings, id) {}
GRectangleGraphic::GRectangleGraphic(const GRectangleGraphic& other) = default;
GRectangleGraphic::~GRectangleGraphic() = default;

QV_PERSISTENT_KIND_DEFINE(GRectangleGraphic, GShapeGraphic, GRectangleGraphicClassId)

int GRectangleGraphic::Matches(const MPersistentObject* other) const { return GShapeGraphic::Matches(other); }

int16_t GRectangleGraphic::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DrawRectangle(this) : kNoReceiver;
}

template <typename Archive>
void GRectangleGraphic::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GRectangleGraphic, GShapeGraphic)

// ---- GPolygonGraphic ----

GPolygonGraphic::GPolygonGraphic() = default;

GPolygonGraphic::GPolygonGraphic(const GPointList& points, GState* settings, const int32_t* id)
    : GShapeGraphic(points, settings, id) {
  // An empty list has nothing to close.
  const uint32_t n = GetPointCount();
  if (n == 0) return;
  const GShortPoint* p = GetPointList().Data();
  if (p[0] == p[n - 1]) return;
  auto* closed = new GShortPoint[n + 1];
  closed[0] = p[n - 1];
  std::copy(p, p + n, closed + 1);
  Points().Reset(closed, n + 1, true);
}

GPolygonGraphic::GPolygonGraphic(const GPolygonGraphic& other) = default;
GPolygonGraphic::~GPolygonGraphic() = default;

QV_PERSISTENT_KIND_DEFINE(GPolygonGraphic, GShapeGraphic, GPolygonGraphicClassId)

int GPolygonGraphic::Matches(const MPersistentObject* other) const { return GShapeGraphic::Matches(other); }

int16_t GPolygonGraphic::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DrawPolygon(this) : kNoReceiver;
}

template <typename Archive>
void GPolygonGraphic::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GPolygonGraphic, GShapeGraphic)

// ---- GPolyBezierGraphic ----

GPolyBezierGraphic::GPolyBezierGraphic() = default;

GPolyBezierGraphic::GPolyBezierGraphic(const GPointList& points, GState* settings, const int32_t* id)
    : GShapeGraphic(points, settings, id) {
  if (GetPointCount() == 0) return;
  SetStartPoint(*GetPoint(0));
  Points().DropFirst();
}

GPolyBezierGraphic::GPolyBezierGraphic(const GPolyBezierGraphic& other) = default;
GPolyBezierGraphic::~GPolyBezierGraphic() = default;

QV_PERSISTENT_KIND_DEFINE(GPolyBezierGraphic, GShapeGraphic, GPolyBezierGraphicClassId)

int GPolyBezierGraphic::Matches(const MPersistentObject* other) const { return GShapeGraphic::Matches(other); }

int16_t GPolyBezierGraphic::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DrawPolyBezier(this) : kNoReceiver;
}

template <typename Archive>
void GPolyBezierGraphic::Members(Archive& archive) {
  if constexpr (Archive::kReading) polygonMode_ = 0;
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GPolyBezierGraphic, GShapeGraphic)

RWCollectable* GRectangleGraphicCreate() { return new GRectangleGraphic; }
RWCollectable* GPolygonGraphicCreate() { return new GPolygonGraphic; }
RWCollectable* GPolyBezierGraphicCreate() { return new GPolyBezierGraphic; }
