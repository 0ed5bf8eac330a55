#include "model/GPassThroughCommand.h"

#include <cstring>
#include <new>

GPassThroughCommand::GPassThroughCommand(const uint8_t* data, uint16_t length, uint16_t targetClassId,
                                         const int32_t* id)
    : GCommand(id), data_(data), length_(length), targetClassId_(targetClassId), owned_(0) {}

GPassThroughCommand::GPassThroughCommand(const GPassThroughCommand& other)
    : GCommand(other), data_(other.data_), length_(other.length_), targetClassId_(other.targetClassId_), owned_(0) {}

GPassThroughCommand& GPassThroughCommand::operator=(const GPassThroughCommand& other) {
  if (this != &other) {
    GCommand::operator=(other);
    ReleaseData();
    data_ = other.data_;
    length_ = other.length_;
    targetClassId_ = other.targetClassId_;
  }
  return *this;
}

GPassThroughCommand::~GPassThroughCommand() { ReleaseData(); }

void GPassThroughCommand::ReleaseData() {
  if (owned_) delete[] data_;
  owned_ = 0;
}

GPassThroughCommand* GPassThroughCommand::CreateSameKind() const {
  return new GPassThroughCommand(nullptr, 0, 0, nullptr);
}

GPassThroughCommand* GPassThroughCommand::Clone() const { return new GPassThroughCommand(*this); }

RWClassID GPassThroughCommand::ClassId() const { return GPassThroughCommandClassId; }

int GPassThroughCommand::DerivesFrom(RWClassID classId) const {
  return classId == GPassThroughCommandClassId || GCommand::DerivesFrom(classId);
}

int GPassThroughCommand::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* command = dynamic_cast<const GPassThroughCommand*>(other);
  if (command == nullptr || command->ClassId() != ClassId() || !GCommand::Matches(other)) return 0;
  if (length_ != command->length_ || targetClassId_ != command->targetClassId_ || owned_ != command->owned_)
    return 0;
  if (data_ == command->data_) return 1;
  if (data_ == nullptr || command->data_ == nullptr) return 0;
  return std::memcmp(data_, command->data_, length_) == 0;
}

int GPassThroughCommand::MakeDataOwned() {
  if (owned_) return 1;
  uint8_t* copy = new (std::nothrow) uint8_t[length_ == 0 ? 1 : length_]();
  if (copy == nullptr) return 0;
  if (length_ != 0 && data_ != nullptr) std::memcpy(copy, data_, length_);
  data_ = copy;
  owned_ = 1;
  return 1;
}

int16_t GPassThroughCommand::Dispatch(GPeripheral*) { return 0; }
