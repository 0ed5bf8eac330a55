// GValue32Attribute: a setting holding one signed 32-bit value. It is read
// by its getter only: applying it to a receiver does nothing.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"

constexpr RWClassID GValue32AttributeClassId = 789;

class GValue32Attribute : public GAttribute {
 public:
  GValue32Attribute();
  GValue32Attribute(int32_t value, const int32_t* id);
  GValue32Attribute(const GValue32Attribute& other);
  GValue32Attribute& operator=(const GValue32Attribute& other);
  ~GValue32Attribute() override;

  static RWClassID StaticClassId() { return GValue32AttributeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GValue32Attribute);
  RW_STORED_MEMBERS();
  // Same class, feature id and value.
  int Matches(const MPersistentObject* other) const override;
  // Nothing; 0.
  int16_t ApplyTo(GPeripheral* receiver) override;

  int32_t GetValue() const { return value_; }
  void SetValue(int32_t value) { value_ = value; }

 private:
  int32_t value_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GValue32Attribute*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GValue32Attribute*& out);

RWCollectable* GValue32AttributeCreate();
