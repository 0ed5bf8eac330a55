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

GRangeAttribute* GRangeAttribute::CreateSameKind() const { return new GRangeAttribute; }
GRangeAttribute* GRangeAttribute::Clone() const { return new GRangeAttribute(*this); }
RWClassID GRangeAttribute::ClassId() const { return GRangeAttributeClassId; }

int GRangeAttribute::DerivesFrom(RWClassID classId) const {
  return classId == GRangeAttributeClassId || GAttribute::DerivesFrom(classId);
}

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

uint32_t GRangeAttribute::MembersStoreSize() const { return GAttribute::MembersStoreSize() + 12; }

void GRangeAttribute::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutShort(min_);
  stream.PutShort(max_);
  stream.PutShort(step_);
  stream.PutShort(value_);
}

void GRangeAttribute::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteShort(min_);
  file.WriteShort(max_);
  file.WriteShort(step_);
  file.WriteShort(value_);
}

void GRangeAttribute::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  int16_t fields[4] = {min_, max_, step_, value_};
  for (int16_t& field : fields) stream.GetShort(field);
  if (!stream.Good()) return;
  // Stored input is not trusted to hold a sound range.
  min_ = fields[0];
  max_ = fields[1] < min_ ? min_ : fields[1];
  step_ = fields[2];
  value_ = Clamp(fields[3]);
}

void GRangeAttribute::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  int16_t fields[4] = {min_, max_, step_, value_};
  for (int16_t& field : fields)
    if (!file.ReadShort(field)) return;
  min_ = fields[0];
  max_ = fields[1] < min_ ? min_ : fields[1];
  step_ = fields[2];
  value_ = Clamp(fields[3]);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GRangeAttribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GRangeAttribute*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GRangeAttributeCreate() { return new GRangeAttribute; }
