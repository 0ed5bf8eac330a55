#include "model/GDownloadHeaderCommand.h"

#include "model/GPeripheral.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWReadTable.h"
#include "rw/RWVirtualStream.h"

GDownloadHeaderCommand::GDownloadHeaderCommand(int32_t headerKind, const int32_t* id)
    : GCommand(id), headerKind_(headerKind) {}

GDownloadHeaderCommand::GDownloadHeaderCommand(const GDownloadHeaderCommand& other)
    : GCommand(other), headerKind_(other.headerKind_) {}

GDownloadHeaderCommand& GDownloadHeaderCommand::operator=(const GDownloadHeaderCommand& other) {
  if (this != &other) {
    GCommand::operator=(other);
    headerKind_ = other.headerKind_;
  }
  return *this;
}

GDownloadHeaderCommand::~GDownloadHeaderCommand() = default;

GDownloadHeaderCommand* GDownloadHeaderCommand::CreateSameKind() const {
  return new GDownloadHeaderCommand(0, nullptr);
}

GDownloadHeaderCommand* GDownloadHeaderCommand::Clone() const { return new GDownloadHeaderCommand(*this); }

RWClassID GDownloadHeaderCommand::ClassId() const { return GDownloadHeaderCommandClassId; }

int GDownloadHeaderCommand::DerivesFrom(RWClassID classId) const {
  return classId == GDownloadHeaderCommandClassId || GCommand::DerivesFrom(classId);
}

int GDownloadHeaderCommand::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* command = dynamic_cast<const GDownloadHeaderCommand*>(other);
  if (command == nullptr || command->ClassId() != ClassId()) return 0;
  return headerKind_ == command->headerKind_ && GCommand::Matches(other);
}

int16_t GDownloadHeaderCommand::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DownloadHeader(this) : kNoReceiver;
}

uint32_t GDownloadHeaderCommand::MembersStoreSize() const { return GCommand::MembersStoreSize() + 8; }

void GDownloadHeaderCommand::SaveMembers(RWVirtualOutStream& stream) const {
  GCommand::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutLong(headerKind_);
}

void GDownloadHeaderCommand::SaveMembersToFile(RWBinaryFile& file) const {
  GCommand::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteLong(headerKind_);
}

void GDownloadHeaderCommand::RestoreMembers(RWVirtualInStream& stream) {
  GCommand::RestoreMembers(stream);
  if (!stream.Good() || RWReadTableGuard::RestoreFailed()) return;
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  int32_t kind = 0;
  stream.GetLong(kind);
  if (stream.Good()) headerKind_ = kind;
}

void GDownloadHeaderCommand::RestoreMembersFromFile(RWBinaryFile& file) {
  GCommand::RestoreMembersFromFile(file);
  if (file.HasError() || RWReadTableGuard::RestoreFailed()) return;
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  int32_t kind = 0;
  if (file.ReadLong(kind)) headerKind_ = kind;
}

RWCollectable* GDownloadHeaderCommandCreate() { return new GDownloadHeaderCommand(0, nullptr); }
