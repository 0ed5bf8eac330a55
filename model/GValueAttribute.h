// GValueAttribute: a setting holding one 16-bit value, the most used
// setting type of the model (option choices, flags, counts). It applies
// itself with the receiver's SetValue.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"

constexpr RWClassID GValueAttributeClassId = 763;

class GValueAttribute : public GAttribute {
 public:
  GValueAttribute();
  GValueAttribute(int16_t value, const int32_t* id);
  GValueAttribute(const GValueAttribute& other);
  GValueAttribute& operator=(const GValueAttribute& other);
  ~GValueAttribute() override;

  static RWClassID StaticClassId() { return GValueAttributeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GValueAttribute);
  RW_STORED_MEMBERS();
  // Same class, feature id and value.
  int Matches(const MPersistentObject* other) const override;
  int16_t ApplyTo(GPeripheral* receiver) override;

  int16_t GetValue() const { return value_; }
  // Stores the value and returns it.
  int16_t SetValue(int16_t value);
  // Stores 1 for a non-zero flag, else 0.
  void SetFlag(int flag);
  int IsSet() const { return value_ != 0; }
  int IsClear() const { return value_ == 0; }

 private:
  int16_t value_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GValueAttribute*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GValueAttribute*& out);

RWCollectable* GValueAttributeCreate();
