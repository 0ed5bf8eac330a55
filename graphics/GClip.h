// GClip: the clip of a graphic state, the part of the page that drawing may
// touch. Four kinds: the whole page, the inside or outside of a path, a
// list of rectangles and a single rectangle. Each applies itself with its
// own peripheral operation and reports a bounding rectangle, which raster
// graphics use to cut images to the visible part and the generators use to
// skip what cannot be seen. Every clip has a region (keep the inside or the
// outside) and a rule (how the inside of a path is decided).
#pragma once

#include <cstdint>

#include "graphics/GRect.h"
#include "model/GCountedPtr.h"
#include "model/GRenderAttribute.h"
#include "rw/RWOrderedVector.h"

class GPathGraphic;

constexpr RWClassID GClipClassId = 756;
constexpr RWClassID GClipToRectangleClassId = 501;
constexpr RWClassID GClipToPathClassId = 502;
constexpr RWClassID GClipToPageClassId = 503;
constexpr RWClassID GClipToSingleRectangleClassId = 504;

// Clip regions: keep the inside, keep the outside, not given.
constexpr int32_t kClipInside = 0;
constexpr int32_t kClipOutside = 1;
constexpr int32_t kClipRegionNotGiven = 2;
// Clip rules: even-odd, non-zero winding, not given.
constexpr int32_t kClipEvenOdd = 0;
constexpr int32_t kClipWinding = 1;
constexpr int32_t kClipRuleNotGiven = 2;

template <>
struct RWOrderedVectorEquality<GRect> {
  static bool Equal(const GRect& a, const GRect& b) { return a.Equals(b); }
};
using GRectVector = RWOrderedVector<GRect>;

class GClip : public GRenderAttribute {
 public:
  // Region and rule not given, feature id 0.
  GClip();
  GClip(int32_t region, int32_t rule, const int32_t* id);
  GClip(const GClip& other);
  GClip& operator=(const GClip& other);
  ~GClip() override;

  static RWClassID StaticClassId() { return GClipClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_ID();
  // Same feature id, rule and region.
  int Matches(const MPersistentObject* other) const override;
  // 756 for every kind of clip.
  RWClassID GetTypeId() const override;
  // Stored body after the render-attribute part: version 1, rule, region.
  RW_STORED_MEMBERS();

  // 1 with the bounds written to out, 0 when the clip has none.
  virtual int GetBounds(GRect& out) const = 0;

  int32_t GetClipRegion() const { return region_; }
  int32_t GetClipRule() const { return rule_; }
  void SetClipRegion(int32_t region) { region_ = region; }
  void SetClipRule(int32_t rule) { rule_ = rule; }

 private:
  int32_t rule_;
  int32_t region_;
};

class GClipToPage : public GClip {
 public:
  // Region inside, rule winding, feature id 0.
  GClipToPage();
  explicit GClipToPage(const int32_t* id);
  GClipToPage(const GClipToPage& other);
  ~GClipToPage() override;

  static RWClassID StaticClassId() { return GClipToPageClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GClipToPage);
  int Matches(const MPersistentObject* other) const override;
  RW_STORED_MEMBERS();
  // GPeripheral::ClipToPage.
  int16_t ApplyTo(GPeripheral* receiver) override;
  // The page has no bounds of its own: 0.
  int GetBounds(GRect& out) const override;
};

class GClipToPath : public GClip {
 public:
  // No path; region and rule not given.
  GClipToPath();
  // Takes the path over (may be null).
  GClipToPath(GPathGraphic* path, int32_t region, int32_t rule, const int32_t* id);
  // The path is cloned.
  GClipToPath(const GClipToPath& other);
  // Takes a clone of the other's path; the clip part stays.
  GClipToPath& operator=(const GClipToPath& other);
  ~GClipToPath() override;

  static RWClassID StaticClassId() { return GClipToPathClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GClipToPath);
  // The clip part matches and both paths match, or both are missing.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the clip part: version 1, the path as an object
  // reference (the null object when missing). Anything but a path in its
  // place fails the read.
  RW_STORED_MEMBERS();
  // GPeripheral::ClipToPath.
  int16_t ApplyTo(GPeripheral* receiver) override;
  // The path's bounds, 1; 0 without a path.
  int GetBounds(GRect& out) const override;

  // Borrowed; null when there is none.
  GPathGraphic* GetPath() const;

 private:
  template <typename Input>
  void ReadPath(Input& input);

  GCountedRef path_;  // a GPathGraphic or nothing
};

class GClipToRectangle : public GClip {
 public:
  // No rectangles; region and rule not given.
  GClipToRectangle();
  GClipToRectangle(const GRect& rect, int32_t region, int32_t rule, const int32_t* id);
  GClipToRectangle(const GRectVector& rects, int32_t region, int32_t rule, const int32_t* id);
  GClipToRectangle(const GClipToRectangle& other);
  // Copies the other's rectangles; the clip part stays.
  GClipToRectangle& operator=(const GClipToRectangle& other);
  ~GClipToRectangle() override;

  static RWClassID StaticClassId() { return GClipToRectangleClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GClipToRectangle);
  // The clip part matches and the rectangles are equal in order.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the clip part: version 1, the count, each rectangle
  // (left, top, right, bottom as 16-bit). The rectangles are read one by
  // one, so a damaged count takes no more memory than the input holds.
  RW_STORED_MEMBERS();
  // GPeripheral::ClipToRectangles.
  int16_t ApplyTo(GPeripheral* receiver) override;
  // The union of the rectangles, 1; 0 (out untouched) without any.
  int GetBounds(GRect& out) const override;

  uint32_t GetCount() const { return static_cast<uint32_t>(rects_.Count()); }
  // Rectangle index, or (0, 0, 0, 0) past the end.
  void GetRectangle(uint32_t index, GRect& out) const;
  const GRectVector& Rectangles() const { return rects_; }

 private:
  GRectVector rects_;
};

class GClipToSingleRectangle : public GClip {
 public:
  // (0, 0, 0, 0); region and rule not given.
  GClipToSingleRectangle();
  GClipToSingleRectangle(const GRect& rect, int32_t region, int32_t rule, const int32_t* id);
  GClipToSingleRectangle(const GClipToSingleRectangle& other);
  // Copies the other's rectangle; the clip part stays.
  GClipToSingleRectangle& operator=(const GClipToSingleRectangle& other);
  ~GClipToSingleRectangle() override;

  static RWClassID StaticClassId() { return GClipToSingleRectangleClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GClipToSingleRectangle);
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the clip part: version 1, left, top, right, bottom.
  RW_STORED_MEMBERS();
  // GPeripheral::ClipToRectangle.
  int16_t ApplyTo(GPeripheral* receiver) override;
  // The rectangle, 1.
  int GetBounds(GRect& out) const override;

  GRect GetRectangle() const { return rect_; }
  void SetRectangle(const GRect& rect) { rect_ = rect; }

 private:
  GRect rect_;
};

RWCollectable* GClipToPageCreate();
RWCollectable* GClipToPathCreate();
RWCollectable* GClipToRectangleCreate();
RWCollectable* GClipToSingleRectangleCreate();
