#include "model/GRangeAttribute.h"

#include "model/GPeripheral.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GRangeAttribute::GRangeAttribute() : min_(0), max_(0), step_(1), value_(0) {}

GRangeAttribute::GRangeAttribute(int16_t min, int16_t max, int16_t step, int16_t value, const int32_t* id)
    : GAttribute(id), min_(min), max_(max < min ? min : max), step_(step < 1 ? 1 : step), value_(0) {
  value_ = Clamp(value);
}

GRangeAttribute::GRangeAttribute(const GRangeAttribute& other) = default;
GRangeAttribute& GRangeAttribute::operator=(const GRangeAttribute& other) = default;
GRangeAttribute::~GRangeAttribute() = default;

QV_PERSISTENT_KIND_DEFINE(GRangeAttribute, GAttribute, GRangeAttributeClassId)

int GRangeAttribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* range = dynamic_cast<const GRangeAttribute*>(other);
  return range != nullptr && GAttribute::Matches(other) && range->min_ == min_ && range->max_ == max_ &&
         range->step_ == step_ && range->value_ == value_;
}

int16_t GRangeAttribute::ApplyTo(GPeripheral* receiver) {
  return receiver != nullptr ? receiver->SetRange(this) : 0;
}

int16_t GRangeAttribute::Clamp(int32_t value) const {
  if (value < min_) return min_;
  if (value > max_) return max_;
  return static_cast<int16_t>(value);
}

void GRangeAttribute::SetMin(int16_t min) {
  min_ = min < max_ ? min : max_;
  value_ = Clamp(value_);
}

void GRangeAttribute::SetMax(int16_t max) {
  max_ = max > min_ ? max : min_;
  value_ = Clamp(value_);
}

void GRangeAttribute::SetStep(int16_t step) { step_ = step; }

void GRangeAttribute::SetValue(int16_t value) { value_ = Clamp(value); }

// Computed in 32 bits: a step past the end of the 16-bit range stops at the
// bound instead of wrapping round to the other end.
void GRangeAttribute::Increment() { value_ = Clamp(static_cast<int32_t>(value_) + step_); }

void GRangeAttribute::Decrement() { value_ = Clamp(static_cast<int32_t>(value_) - step_); }

int GRangeAttribute::Contains(int16_t value) const { return min_ <= value && value <= max_; }

template <typename Archive>
void GRangeAttribute::Members(Archive& archive) {
  archive.Version(ClassVersion());
  int16_t fields[4] = {min_, max_, step_, value_};
  archive.Array(fields, 4);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    // Stored input is not trusted to hold a sound range.
    min_ = fields[0];
    max_ = fields[1] < min_ ? min_ : fields[1];
    step_ = fields[2];
    value_ = Clamp(fields[3]);
  }
}

RW_STORED_MEMBERS_DEFINE(GRangeAttribute, GAttribute)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GRangeAttribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GRangeAttribute*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GRangeAttributeCreate() { return new GRangeAttribute; }
