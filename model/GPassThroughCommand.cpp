#include "model/GPassThroughCommand.h"

#include <cstring>
#include <memory>
#include <new>

#include "model/GPeripheral.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWReadTable.h"
#include "rw/RWVirtualStream.h"

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

QV_PERSISTENT_KIND_DEFINE_MADE_WITH(GPassThroughCommand, GCommand, GPassThroughCommandClassId, nullptr, 0, 0, nullptr)

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

int16_t GPassThroughCommand::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->PassThrough(this) : kNoReceiver;
}

// ---- Persistence ----

// The version, the length and target class, then the bytes. A command
// without bytes stores a length of 0 whatever its length says. The stored
// length is at most 65535, so the buffer read into is bounded; it is kept
// only when every byte was there.
template <typename Archive>
void GPassThroughCommand::Members(Archive& archive) {
  if (!MStored::Going(archive)) return;
  archive.Version(ClassVersion());
  uint16_t length = data_ != nullptr ? length_ : 0;
  uint16_t target = targetClassId_;
  archive(length, target);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    std::unique_ptr<uint8_t[]> buffer;
    if (length > 0) {
      buffer.reset(new (std::nothrow) uint8_t[length]);
      if (buffer == nullptr) return;
      archive.Array(buffer.get(), length);
      if (!archive.Ok()) return;
    }
    ReleaseData();
    data_ = buffer.release();
    length_ = length;
    targetClassId_ = target;
    owned_ = data_ != nullptr ? 1 : 0;
  } else {
    archive.Array(data_, length);
  }
}

RW_STORED_MEMBERS_DEFINE(GPassThroughCommand, GCommand)

RWCollectable* GPassThroughCommandCreate() { return new GPassThroughCommand(nullptr, 0, 0, nullptr); }
