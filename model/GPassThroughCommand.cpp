#include "model/GPassThroughCommand.h"

#include <cstring>
#include <new>

#include "model/GPeripheral.h"
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

int16_t GPassThroughCommand::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->PassThrough(this) : kNoReceiver;
}

// ---- Persistence ----

namespace {

struct PassThroughStreamInput {
  RWVirtualInStream& stream;
  bool Good() const { return stream.Good() && !RWReadTableGuard::RestoreFailed(); }
  bool ULong(uint32_t& value) { return stream.GetULong(value).Good(); }
  bool UShort(uint16_t& value) { return stream.GetUShort(value).Good(); }
  bool Byte(uint8_t& value) {
    unsigned char c = 0;
    stream.GetUChar(c);
    value = c;
    return stream.Good();
  }
};

struct PassThroughFileInput {
  RWBinaryFile& file;
  bool Good() const { return !file.HasError() && !file.IsAtEnd() && !RWReadTableGuard::RestoreFailed(); }
  bool ULong(uint32_t& value) { return file.ReadULong(value); }
  bool UShort(uint16_t& value) { return file.ReadUShort(value); }
  bool Byte(uint8_t& value) {
    unsigned char c = 0;
    const bool ok = file.ReadUChar(c);
    value = c;
    return ok;
  }
};

}  // namespace

uint32_t GPassThroughCommand::MembersStoreSize() const {
  return GCommand::MembersStoreSize() + 8 + (data_ != nullptr ? length_ : 0);
}

void GPassThroughCommand::SaveMembers(RWVirtualOutStream& stream) const {
  GCommand::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  // A command without bytes stores a length of 0 whatever its length says.
  const uint16_t length = data_ != nullptr ? length_ : 0;
  stream.PutUShort(length);
  stream.PutUShort(targetClassId_);
  for (uint16_t i = 0; i < length; ++i) stream.PutUChar(data_[i]);
}

void GPassThroughCommand::SaveMembersToFile(RWBinaryFile& file) const {
  GCommand::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  const uint16_t length = data_ != nullptr ? length_ : 0;
  file.WriteUShort(length);
  file.WriteUShort(targetClassId_);
  for (uint16_t i = 0; i < length; ++i) file.WriteUChar(data_[i]);
}

template <typename Input>
void GPassThroughCommand::RestoreBody(Input& input) {
  uint32_t version = 0;
  if (!input.ULong(version) || version != ClassVersion()) return;
  uint16_t length = 0;
  uint16_t target = 0;
  if (!input.UShort(length) || !input.UShort(target)) return;
  // The stored length is at most 65535, so the buffer is bounded; it is
  // filled byte by byte and kept only when every byte was there.
  uint8_t* buffer = nullptr;
  if (length > 0) {
    buffer = new (std::nothrow) uint8_t[length];
    if (buffer == nullptr) return;
    for (uint16_t i = 0; i < length; ++i) {
      if (!input.Byte(buffer[i])) {
        delete[] buffer;
        return;
      }
    }
  }
  ReleaseData();
  data_ = buffer;
  length_ = length;
  targetClassId_ = target;
  owned_ = buffer != nullptr ? 1 : 0;
}

void GPassThroughCommand::RestoreMembers(RWVirtualInStream& stream) {
  GCommand::RestoreMembers(stream);
  PassThroughStreamInput input{stream};
  if (!input.Good()) return;
  RestoreBody(input);
}

void GPassThroughCommand::RestoreMembersFromFile(RWBinaryFile& file) {
  GCommand::RestoreMembersFromFile(file);
  PassThroughFileInput input{file};
  if (!input.Good()) return;
  RestoreBody(input);
}

RWCollectable* GPassThroughCommandCreate() { return new GPassThroughCommand(nullptr, 0, 0, nullptr); }
