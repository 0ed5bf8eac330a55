// GGeometryFilter: what the page filters that move and scale the page's
// drawing share. Each keeps a transform of its own and folds it into the
// transforms that travel with the commands, so the stages below draw the
// page where the filter puts it; the drawing itself is left alone. The
// filters take no settings into their own state and can print scaled
// pages. The concrete filters (scale, n-up) decide when they act.
#pragma once

#include <cstdint>

#include "graphics/GTransformAttribute.h"
#include "model/GCountedPtr.h"
#include "model/GPeripheral.h"

class GGeometryFilter : public GPeripheral {
 public:
  // The code of GetScale by which an earlier stage says it has given the
  // page its scale; the geometry filters then answer (0, 0).
  static constexpr int32_t kScaleGiven = 3;

  explicit GGeometryFilter(const int32_t* id = nullptr);
  GGeometryFilter(const GGeometryFilter& other);
  GGeometryFilter& operator=(const GGeometryFilter& other);
  ~GGeometryFilter() override;

  void MergeSettings(GState*) override {}
  void ApplyChangedAttributes(int32_t) override {}
  int SupportsScaling() override { return 1; }

  const GTransformAttribute& GetFilterTransform() const { return transform_; }

  // An angle in degrees brought into 0-359.
  static int32_t ReduceDegrees(int32_t degrees);

 protected:
  // Any command but a page or document start: the transform its settings
  // carry (class 103) becomes the filter transform composed over it; the
  // command goes on.
  GCountedPtr PassTransform(GCommand* command);
  void ResetTransform() { transform_ = GTransformAttribute(); }
  GTransformAttribute& FilterTransform() { return transform_; }
  // The page settings' own transform (class 103, left in place) takes
  // the filter transform composed with it, the filter's outside or inside
  // as filterOutside says; without one, a copy of the filter transform is
  // added. Returns the page's transform as it now is.
  GTransformAttribute FoldIntoPage(GState* settings, bool filterOutside);
  // A command composite holding the command (resources pinned) and a null
  // command whose settings are a graphics bundle with a copy of the
  // transform: the bundle brings the transform into the graphics state of
  // the stages below.
  static GCountedPtr WithTransform(GCommand* command, const GTransformAttribute& transform);

 private:
  GTransformAttribute transform_;
};
