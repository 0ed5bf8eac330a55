// GShapeGraphic: the base of the geometric figures (rectangle, polygon, run
// of Bezier curves). It carries every geometric field a figure of the
// drawing model needs: a point list, a bounding rectangle, start and end
// points, an arc direction and a corner size; the generators read each
// figure through the accessors. A shape is sent on its own or is a piece of
// a path, which the generator writes as segments of the current path.
#pragma once

#include <cstdint>

#include "graphics/GArrayHolder.h"
#include "graphics/GGraphic.h"
#include "graphics/GRect.h"
#include "graphics/GShortPoint.h"

constexpr RWClassID GShapeGraphicClassId = 651;
constexpr RWClassID GPolyBezierGraphicClassId = 653;
constexpr RWClassID GPolygonGraphicClassId = 657;
constexpr RWClassID GRectangleGraphicClassId = 659;

using GPointList = GArrayHolder<GShortPoint>;

class GShapeGraphic : public GGraphic {
 public:
  // Arc direction 2, no points, bounds not known, all points (0, 0).
  GShapeGraphic();
  // Bounds = rect (known), no points.
  GShapeGraphic(const GRect& rect, GState* settings, const int32_t* id);
  GShapeGraphic(const GRect& rect, int32_t arcDirection, GState* settings, const int32_t* id);
  // The points: an owning holder is copied (the shape owns the copy), a
  // borrowing holder's points are borrowed in turn. Bounds not known.
  GShapeGraphic(const GPointList& points, GState* settings, const int32_t* id);
  // As the point-list form, then bounds = rect (known).
  GShapeGraphic(const GRect& rect, const GPointList& points, GState* settings, const int32_t* id);
  GShapeGraphic(const GRect& rect, const GPointList& points, int32_t arcDirection, GState* settings,
                const int32_t* id);
  // Shares the settings; copies the fields, except that the bounds are
  // computed again; an owned point list is copied, a borrowed one borrowed.
  GShapeGraphic(const GShapeGraphic& other);
  GShapeGraphic& operator=(const GShapeGraphic&) = delete;
  ~GShapeGraphic() override;

  static RWClassID StaticClassId() { return GShapeGraphicClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_ID();
  // The same class, matching graphic parts, equal bounds when both know
  // them, equal arc directions, start, end and corner points and equal
  // point lists.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the graphic part: version 1; arc direction; point
  // count and the points (x, y as 16-bit); bounds-known flag; bounds,
  // start, end and corner size as ten 16-bit values. Points read are owned.
  RW_STORED_MEMBERS();

  // Makes a borrowed point list owned (it stays borrowed when the copy
  // cannot be allocated).
  void PinResources() override;

  // The bounding box: the stored bounds when known, else the box of the
  // start point and every point (control points, not the tight extent of a
  // curve), computed once and kept.
  virtual GRect GetBounds();

  GShortPoint GetStartPoint() const { return start_; }
  GShortPoint GetEndPoint() const { return end_; }
  GShortPoint GetCornerSize() const { return corner_; }
  int32_t GetArcDirection() const { return arcDirection_; }
  uint32_t GetPointCount() const { return points_.Count(); }
  uint32_t GetBezierCount() const { return points_.Count() / 3; }
  // Point index; callers stay below the count.
  const GShortPoint* GetPoint(uint32_t index) const { return points_.Data() + index; }
  const GPointList& GetPointList() const { return points_; }
  int32_t BoundsValid() const { return boundsValid_; }
  void SetStartPoint(const GShortPoint& point) { start_ = point; }
  void SetEndPoint(const GShortPoint& point) { end_ = point; }
  void SetArcDirection(int32_t direction) { arcDirection_ = direction; }
  void SetCornerSize(const GShortPoint& size) { corner_ = size; }

 protected:
  GPointList& Points() { return points_; }

 private:
  void TakePoints(const GPointList& points);

  int32_t arcDirection_;
  GPointList points_;
  int32_t boundsValid_;
  GRect bounds_;
  GShortPoint start_;
  GShortPoint end_;
  GShortPoint corner_;
};

class GRectangleGraphic : public GShapeGraphic {
 public:
  GRectangleGraphic();
  GRectangleGraphic(const GRect& rect, GState* settings, const int32_t* id);
  GRectangleGraphic(const GRectangleGraphic& other);
  ~GRectangleGraphic() override;

  static RWClassID StaticClassId() { return GRectangleGraphicClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GRectangleGraphic);
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the shape part: a version, read and not compared.
  RW_STORED_MEMBERS();
  // GPeripheral::DrawRectangle.
  int16_t Dispatch(GPeripheral* peripheral) override;
};

class GPolygonGraphic : public GShapeGraphic {
 public:
  GPolygonGraphic();
  // Takes the points and closes the figure: when the last point differs
  // from the first, it is put in front as well, so that the figure starts
  // and ends at the same point.
  GPolygonGraphic(const GPointList& points, GState* settings, const int32_t* id);
  GPolygonGraphic(const GPolygonGraphic& other);
  ~GPolygonGraphic() override;

  static RWClassID StaticClassId() { return GPolygonGraphicClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPolygonGraphic);
  int Matches(const MPersistentObject* other) const override;
  RW_STORED_MEMBERS();
  // GPeripheral::DrawPolygon.
  int16_t Dispatch(GPeripheral* peripheral) override;
};

class GPolyBezierGraphic : public GShapeGraphic {
 public:
  GPolyBezierGraphic();
  // The first point becomes the start point; the rest are the segments,
  // three points each (two control points and the end point).
  GPolyBezierGraphic(const GPointList& points, GState* settings, const int32_t* id);
  // Copies the polygon-mode flag as well.
  GPolyBezierGraphic(const GPolyBezierGraphic& other);
  ~GPolyBezierGraphic() override;

  static RWClassID StaticClassId() { return GPolyBezierGraphicClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPolyBezierGraphic);
  // The polygon-mode flag takes no part.
  int Matches(const MPersistentObject* other) const override;
  // The polygon-mode flag is not stored: it reads back as 0.
  RW_STORED_MEMBERS();
  // GPeripheral::DrawPolyBezier.
  int16_t Dispatch(GPeripheral* peripheral) override;

  void SetPolygonMode(int32_t mode) { polygonMode_ = mode; }
  int32_t GetPolygonMode() const { return polygonMode_; }

 private:
  int32_t polygonMode_ = 0;
};

RWCollectable* GRectangleGraphicCreate();
RWCollectable* GPolygonGraphicCreate();
RWCollectable* GPolyBezierGraphicCreate();
