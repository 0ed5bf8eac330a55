// GIntegerKey: a key of one signed 32-bit value. Two keys are equal when
// they are the same object or hold the same value. The font pool keys its
// entries with it.
#pragma once

#include <cstdint>

class GIntegerKey {
 public:
  explicit GIntegerKey(int32_t value) : value_(value) {}
  virtual ~GIntegerKey();

  int32_t GetValue() const { return value_; }
  // False for null.
  bool IsEqual(const GIntegerKey* other) const;

 private:
  int32_t value_;
};
