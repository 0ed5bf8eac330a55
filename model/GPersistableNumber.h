// GPersistableNumber: one 32-bit integer (signed or unsigned) as a model
// object, the shared body of GPersistableLong and GPersistableULong. Values
// order and compare by value; the stored body after the base's is the class
// version and the value, 32 bits each.
#pragma once

#include <cstdint>
#include <type_traits>

#include "model/MPersistentObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

template <typename T, RWClassID ClassIdValue>
class GPersistableNumber : public MPersistentObject {
  static_assert(std::is_same_v<T, int32_t> || std::is_same_v<T, uint32_t>, "a stored number is 32 bits");

 public:
  // Id 0, a new serial.
  explicit GPersistableNumber(T value = 0) : value_(value) {}
  // Id 0, a new serial and the source's value: neither id nor serial is
  // copied.
  GPersistableNumber(const GPersistableNumber& other) : MPersistentObject(), value_(other.value_) {}
  // Takes the value only.
  GPersistableNumber& operator=(const GPersistableNumber& other) {
    value_ = other.value_;
    return *this;
  }
  ~GPersistableNumber() override = default;

  static RWClassID StaticClassId() { return ClassIdValue; }
  static uint32_t ClassVersion() { return 1; }

  RWClassID ClassId() const override { return ClassIdValue; }

  // Another class: identity order; else three-way by value.
  int CompareTo(const RWCollectable* other) const override {
    auto* number = other != nullptr && other->ClassId() == ClassId() ? dynamic_cast<const GPersistableNumber*>(other)
                                                                     : nullptr;
    if (number == nullptr) return MPersistentObject::CompareTo(other);
    if (value_ == number->value_) return 0;
    return value_ > number->value_ ? 1 : -1;
  }

  // Same class and value; ids are not compared.
  bool IsEqual(const RWCollectable* other) const override {
    if (other == nullptr || other->ClassId() != ClassId()) return false;
    auto* number = dynamic_cast<const GPersistableNumber*>(other);
    return number != nullptr && number->value_ == value_;
  }

  // Base, version and the value.
  RW_STORED_MEMBERS_INLINE(MPersistentObject) {
    archive.Version(ClassVersion());
    archive(value_);
  }

  int DerivesFrom(RWClassID classId) const override {
    return classId == ClassIdValue || MPersistentObject::DerivesFrom(classId);
  }

  // Same class, id and value.
  int Matches(const MPersistentObject* other) const override {
    if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
    auto* number = dynamic_cast<const GPersistableNumber*>(other);
    return number != nullptr && number->value_ == value_;
  }

  T GetValue() const { return value_; }

 private:
  T value_;
};
