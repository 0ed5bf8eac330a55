// GDisplayStringAttribute: one display string (GDisplayString, held by
// value) as an attribute, so that it can be kept in a state or container
// under a feature id. Applying it does nothing.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"
#include "model/GDisplayString.h"

constexpr RWClassID GDisplayStringAttributeClassId = 787;

class GDisplayStringAttribute : public GAttribute {
 public:
  GDisplayStringAttribute();
  GDisplayStringAttribute(const int32_t* id, int16_t resourceId, const char* text, const char* moduleName);
  // Feature id 0.
  GDisplayStringAttribute(int16_t resourceId, const char* text, const char* moduleName);
  GDisplayStringAttribute(const GDisplayStringAttribute& other);
  // Copies feature id, serial, changed flag and the display string.
  GDisplayStringAttribute& operator=(const GDisplayStringAttribute& other);
  ~GDisplayStringAttribute() override;

  static RWClassID StaticClassId() { return GDisplayStringAttributeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GDisplayStringAttribute);
  RW_STORED_MEMBERS();
  // Same class and feature id, and display strings that match.
  int Matches(const MPersistentObject* other) const override;
  // Nothing; 0.
  int16_t ApplyTo(GPeripheral* receiver) override;

  // The embedded object itself.
  GDisplayString& GetDisplayString() { return displayString_; }
  const GDisplayString& GetDisplayString() const { return displayString_; }
  void SetDisplayString(const GDisplayString& displayString) { displayString_ = displayString; }

 private:
  GDisplayString displayString_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDisplayStringAttribute*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GDisplayStringAttribute*& out);

RWCollectable* GDisplayStringAttributeCreate();
