// GRenderAttribute: the abstract base of the attributes that say how
// something is drawn or coloured on the page (the graphic-state attributes
// of drawing and the colour attributes). Each concrete class applies itself
// with its own receiver operation. GColorAttribute, the base of the colour
// rendering settings, adds the translation of its setting code into the
// code of the printer language through a mapping list of the device.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"

class GCountedPtr;

constexpr RWClassID GRenderAttributeClassId = 754;

class GRenderAttribute : public GAttribute {
 public:
  GRenderAttribute();
  explicit GRenderAttribute(const int32_t* id);
  GRenderAttribute(const GRenderAttribute& other);
  GRenderAttribute& operator=(const GRenderAttribute& other);
  ~GRenderAttribute() override;

  static RWClassID StaticClassId() { return GRenderAttributeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_ID();
  RW_STORED_MEMBERS();
  // The feature ids are equal; concrete classes add their class and values.
  int Matches(const MPersistentObject* other) const override;
};

class GColorAttribute : public GRenderAttribute {
 public:
  explicit GColorAttribute(const int32_t* id);
  GColorAttribute(const GColorAttribute& other);
  GColorAttribute& operator=(const GColorAttribute& other);
  ~GColorAttribute() override;

  // The stored code translated through the mapping list of its kind, found
  // in the device settings composite that holder holds.
  virtual int16_t GetDeviceValue(const GCountedPtr& holder) const = 0;
  // The stored code.
  virtual int16_t GetValue() const = 0;
};
