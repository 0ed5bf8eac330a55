// GRangeAttribute: a bounded 16-bit setting with a step (a memory size, a
// count). Its value never leaves [min, max]: the constructor, the setters,
// Increment, Decrement and a restore all keep it inside. It applies itself
// with the receiver's SetRange.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"

constexpr RWClassID GRangeAttributeClassId = 762;

class GRangeAttribute : public GAttribute {
 public:
  // Feature id 0, [0, 0], step 1, value 0.
  GRangeAttribute();
  // A max below min becomes min, a step below 1 becomes 1, and the value is
  // brought into [min, max].
  GRangeAttribute(int16_t min, int16_t max, int16_t step, int16_t value, const int32_t* id);
  GRangeAttribute(const GRangeAttribute& other);
  GRangeAttribute& operator=(const GRangeAttribute& other);
  ~GRangeAttribute() override;

  static RWClassID StaticClassId() { return GRangeAttributeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GRangeAttribute);
  RW_STORED_MEMBERS();
  // Same class, feature id, bounds, step and value.
  int Matches(const MPersistentObject* other) const override;
  int16_t ApplyTo(GPeripheral* receiver) override;

  int16_t GetMin() const { return min_; }
  int16_t GetMax() const { return max_; }
  int16_t GetStep() const { return step_; }
  int16_t GetValue() const { return value_; }
  // The new bound never crosses the other one; the value, which may then
  // lie outside, is brought inside.
  void SetMin(int16_t min);
  void SetMax(int16_t max);
  // Stored unchanged (0 included).
  void SetStep(int16_t step);
  // Clamped into [min, max].
  void SetValue(int16_t value);
  // value +/- step, clamped into [min, max] (no 16-bit wrap-around).
  void Increment();
  void Decrement();
  // 1 when min <= value <= max.
  int Contains(int16_t value) const;

 private:
  int16_t Clamp(int32_t value) const;

  int16_t min_;
  int16_t max_;
  int16_t step_;
  int16_t value_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GRangeAttribute*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GRangeAttribute*& out);

RWCollectable* GRangeAttributeCreate();
