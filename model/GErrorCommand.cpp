#include "model/GErrorCommand.h"

#include "model/GAttribute.h"
#include "model/GPeripheral.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

struct StreamInput {
  RWVirtualInStream& stream;
  bool Good() const { return stream.Good() && !RWReadTableGuard::RestoreFailed(); }
  bool ULong(uint32_t& value) { return stream.GetULong(value).Good(); }
  bool Long(int32_t& value) { return stream.GetLong(value).Good(); }
  bool UShort(uint16_t& value) { return stream.GetUShort(value).Good(); }
  RWVirtualInStream& Raw() { return stream; }
  bool ReadGood() const { return Good(); }
};

struct FileInput {
  RWBinaryFile& file;
  bool Good() const { return !file.HasError() && !file.IsAtEnd() && !RWReadTableGuard::RestoreFailed(); }
  bool ULong(uint32_t& value) { return file.ReadULong(value); }
  bool Long(int32_t& value) { return file.ReadLong(value); }
  bool UShort(uint16_t& value) { return file.ReadUShort(value); }
  RWBinaryFile& Raw() { return file; }
  // After the last object of a file the end may have been reached.
  bool ReadGood() const { return !file.HasError() && !RWReadTableGuard::RestoreFailed(); }
};

}  // namespace

GErrorCommand::GErrorCommand(uint16_t status, GCommand* failed)
    : GCommand(nullptr), status_(status), failed_(failed) {}

GErrorCommand::GErrorCommand(const GErrorCommand& other)
    : GCommand(other), status_(other.status_), failed_(other.failed_) {}

GErrorCommand& GErrorCommand::operator=(const GErrorCommand& other) {
  if (this != &other) {
    GCommand::operator=(other);
    status_ = other.status_;
    failed_.Assign(other.failed_);
  }
  return *this;
}

GErrorCommand::~GErrorCommand() = default;

GErrorCommand* GErrorCommand::CreateSameKind() const { return new GErrorCommand(0, nullptr); }

GErrorCommand* GErrorCommand::Clone() const { return new GErrorCommand(*this); }

RWClassID GErrorCommand::ClassId() const { return GErrorCommandClassId; }

int GErrorCommand::DerivesFrom(RWClassID classId) const {
  return classId == GErrorCommandClassId || GCommand::DerivesFrom(classId);
}

int GErrorCommand::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* command = dynamic_cast<const GErrorCommand*>(other);
  if (command == nullptr || command->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other) && status_ == command->status_ && failed_.Pointee() == command->failed_.Pointee();
}

GCommand* GErrorCommand::GetFailedCommand() const { return CommandOf(failed_); }

int16_t GErrorCommand::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->Error(this) : kNoReceiver;
}

// ---- Persistence ----

uint32_t GErrorCommand::MembersStoreSize() const {
  RWStoreTableGuard guard;
  uint32_t size = GCommand::MembersStoreSize() + 10;
  if (const MPersistentObject* failed = failed_.Pointee()) size += failed->StoredByteCount();
  return size;
}

void GErrorCommand::SaveMembers(RWVirtualOutStream& stream) const {
  GCommand::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutUShort(status_);
  const MPersistentObject* failed = failed_.Pointee();
  stream.PutLong(failed != nullptr ? 1 : 0);
  if (failed != nullptr) RWWriteObjectPointer(stream, failed);
}

void GErrorCommand::SaveMembersToFile(RWBinaryFile& file) const {
  GCommand::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteUShort(status_);
  const MPersistentObject* failed = failed_.Pointee();
  file.WriteLong(failed != nullptr ? 1 : 0);
  if (failed != nullptr) RWWriteObjectPointerToFile(file, failed);
}

template <typename Input>
void GErrorCommand::RestoreBody(Input& input) {
  uint32_t version = 0;
  if (!input.ULong(version) || version != ClassVersion()) return;
  uint16_t status = 0;
  int32_t flag = 0;
  if (!input.UShort(status) || !input.Long(flag)) return;
  status_ = status;
  if (flag != 1) {
    failed_.Assign(GCountedPtr());
    return;
  }
  // Only a command can have failed; anything else fails the restore.
  GCommand* failed = nullptr;
  GReadTypedObject(input.Raw(), failed);
  if (!input.ReadGood()) return;
  RWReadTableGuard::Adopt(failed);
  failed_.Assign(GCountedPtr(failed));
}

void GErrorCommand::RestoreMembers(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  GCommand::RestoreMembers(stream);
  StreamInput input{stream};
  if (!input.Good()) return;
  RestoreBody(input);
}

void GErrorCommand::RestoreMembersFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  GCommand::RestoreMembersFromFile(file);
  FileInput input{file};
  if (!input.Good()) return;
  RestoreBody(input);
}

RWCollectable* GErrorCommandCreate() { return new GErrorCommand(0, nullptr); }
