#include "model/GErrorCommand.h"

#include "model/GAttribute.h"
#include "model/GPeripheral.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

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

QV_PERSISTENT_KIND_DEFINE_MADE_WITH(GErrorCommand, GCommand, GErrorCommandClassId, 0, nullptr)

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

// The version, the status and whether a failed command follows, then that
// command. Only a command can have failed; anything else fails the restore.
template <typename Archive>
void GErrorCommand::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  if (!MStored::Going(archive)) return;
  archive.Version(ClassVersion());
  uint16_t status = status_;
  int32_t flag = failed_.Pointee() != nullptr ? 1 : 0;
  archive(status, flag);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    status_ = status;
    if (flag != 1) {
      failed_.Assign(GCountedPtr());
      return;
    }
  }
  if (flag == 1) MStored::Held<GCommand>(archive, failed_);
}

RW_STORED_MEMBERS_DEFINE(GErrorCommand, GCommand)

RWCollectable* GErrorCommandCreate() { return new GErrorCommand(0, nullptr); }
