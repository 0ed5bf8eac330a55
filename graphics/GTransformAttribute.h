// GTransformAttribute: the graphics-state attribute that places the drawing
// of a page: an offset, a rotation in degrees and a pair of scale factors.
// The page filters build one for the cell or scale they impose and fold it
// into the page's own with ComposeTransforms. A peripheral applies it
// before any other attribute of the graphics state; it calls the
// peripheral's SetTransform, and the generators read its parts.
#pragma once

#include <cstdint>

#include "graphics/GShortPoint.h"
#include "model/GAttribute.h"

constexpr RWClassID GTransformAttributeClassId = 103;

class GTransformAttribute : public GAttribute {
 public:
  // Feature id 0, changed, the identity: rotation 0, offset (0, 0), scale
  // (1, 1).
  GTransformAttribute();
  GTransformAttribute(int16_t rotation, const GShortPoint& offset, const GRealPair& scale);
  GTransformAttribute(const GTransformAttribute& other);
  GTransformAttribute& operator=(const GTransformAttribute& other);
  ~GTransformAttribute() override;

  static RWClassID StaticClassId() { return GTransformAttributeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GTransformAttribute);
  // Same class and feature id, equal rotation, offset and scale (exact).
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the attribute part: version 1, rotation, offset x and
  // y (16-bit), scale x and y (32-bit floats).
  RW_STORED_MEMBERS();
  // GPeripheral::SetTransform.
  int16_t ApplyTo(GPeripheral* receiver) override;

  int16_t GetRotation() const { return rotation_; }
  void GetOffset(GShortPoint& out) const { out = offset_; }
  void GetScale(GRealPair& out) const { out = scale_; }
  // Replace one part; the changed flag stays as it is.
  void SetRotation(int16_t rotation) { rotation_ = rotation; }
  void SetOffset(const GShortPoint& offset) { offset_ = offset; }
  void SetScale(const GRealPair& scale) { scale_ = scale; }

 private:
  int16_t rotation_;
  GShortPoint offset_;
  GRealPair scale_;
};

// The transform that applies inner first and outer after it: the inner
// offset scaled by the outer scale (truncated toward zero) plus the outer
// offset, the product of the scales and the sum of the rotations. The
// outer rotation does not turn the inner offset. The result is built anew
// (feature id 0, changed), stored in result and returned.
GTransformAttribute& ComposeTransforms(GTransformAttribute& result, const GTransformAttribute& outer,
                                       const GTransformAttribute& inner);

RWCollectable* GTransformAttributeCreate();
