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

QV_PERSISTENT_KIND_DEFINE_MADE_WITH(GDownloadHeaderCommand, GCommand, GDownloadHeaderCommandClassId, 0, nullptr)

int GDownloadHeaderCommand::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* command = dynamic_cast<const GDownloadHeaderCommand*>(other);
  if (command == nullptr || command->ClassId() != ClassId()) return 0;
  return headerKind_ == command->headerKind_ && GCommand::Matches(other);
}

int16_t GDownloadHeaderCommand::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DownloadHeader(this) : kNoReceiver;
}

template <typename Archive>
void GDownloadHeaderCommand::Members(Archive& archive) {
  // Nothing more is read once the settings could not be.
  if constexpr (Archive::kReading) {
    if (!archive.Ok() || RWReadTableGuard::RestoreFailed()) return;
  }
  archive.Version(ClassVersion());
  archive(headerKind_);
}

RW_STORED_MEMBERS_DEFINE(GDownloadHeaderCommand, GCommand)

RWCollectable* GDownloadHeaderCommandCreate() { return new GDownloadHeaderCommand(0, nullptr); }
