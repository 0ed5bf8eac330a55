#include "model/GCommand.h"

#include "model/GAttribute.h"
#include "model/GState.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

int32_t CommandIdOrZero(const int32_t* id) { return id != nullptr ? *id : 0; }

bool StreamOk(const RWVirtualInStream& stream) { return stream.Good() && !RWReadTableGuard::RestoreFailed(); }

bool FileOk(const RWBinaryFile& file) {
  return !file.HasError() && !file.IsAtEnd() && !RWReadTableGuard::RestoreFailed();
}

bool ReadVersion(RWVirtualInStream& stream, uint32_t& version) {
  stream.GetULong(version);
  return stream.Good();
}
bool ReadVersion(RWBinaryFile& file, uint32_t& version) { return file.ReadULong(version); }

bool InputOk(const RWVirtualInStream& stream) { return StreamOk(stream); }
bool InputOk(const RWBinaryFile& file) { return !file.HasError() && !RWReadTableGuard::RestoreFailed(); }

}  // namespace

GCommand::GCommand(const int32_t* id) : MPersistentObject(CommandIdOrZero(id)), modified_(0) {}

GCommand::GCommand(GState* settings, const int32_t* id)
    : MPersistentObject(CommandIdOrZero(id)), settings_(settings), modified_(0) {}

GCommand::GCommand(const GCommand& other) : MPersistentObject(other), settings_(other.settings_), modified_(0) {}

GCommand& GCommand::operator=(const GCommand& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    settings_.Assign(other.settings_);
  }
  return *this;
}

GCommand::~GCommand() = default;

QV_PERSISTENT_ID_DEFINE(GCommand, MPersistentObject, GCommandClassId)

int GCommand::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* command = dynamic_cast<const GCommand*>(other);
  if (command == nullptr || !MPersistentObject::Matches(other)) return 0;
  const MPersistentObject* mine = settings_.Pointee();
  const MPersistentObject* theirs = command->settings_.Pointee();
  if (mine == theirs) return 1;
  return mine != nullptr && theirs != nullptr && mine->Matches(theirs);
}

GState* GCommand::GetSettings() const { return static_cast<GState*>(settings_.Pointee()); }

int GCommand::ReservedQuery() { return 1; }

void GCommand::SetSettings(MPersistentObject* settings) {
  if (settings != nullptr && dynamic_cast<GState*>(settings) == nullptr) {
    DropOffered(settings);
    return;
  }
  // The handle takes the new object before it lets go of the old one.
  settings_.Assign(GCountedPtr(settings));
}

void GCommand::DropOffered(MPersistentObject* object) {
  if (object != nullptr && object->HolderCount() < 0 && !object->IsEmbedded()) delete object;
}

void GCommand::AssignSettings(const GCountedPtr& settings) {
  if (settings.Pointee() != nullptr && dynamic_cast<GState*>(settings.Pointee()) == nullptr) return;
  settings_.Assign(settings);
}

GState* GCommand::DetachSettings() {
  return static_cast<GState*>(settings_.TakePointee(nullptr));
}

GCountedPtr GCommand::GetSettingsHandle() const { return settings_; }

void GCommand::PinResources() {}

// ---- Persistence ----

uint32_t GCommand::MembersStoreSize() const {
  // Version, then the settings as an object reference: the null object is
  // a 6-byte back reference.
  RWStoreTableGuard guard;
  const MPersistentObject* settings = settings_.Pointee();
  return MPersistentObject::MembersStoreSize() + 4 + (settings != nullptr ? settings->StoredByteCount() : 6);
}

void GCommand::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  RWWriteObjectPointer(stream, settings_.Pointee());
}

void GCommand::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  RWWriteObjectPointerToFile(file, settings_.Pointee());
}

template <typename Input>
void GCommand::RestoreSettings(Input& input) {
  uint32_t version = 0;
  if (!ReadVersion(input, version) || version != ClassVersion()) return;
  GState* settings = nullptr;
  GReadTypedObject(input, settings);
  if (!InputOk(input)) return;
  // From here the handle holds (and in the end deletes) what was read.
  RWReadTableGuard::Adopt(settings);
  settings_.Assign(GCountedPtr(settings));
}

void GCommand::RestoreMembers(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  MPersistentObject::RestoreMembers(stream);
  if (!StreamOk(stream)) return;
  RestoreSettings(stream);
}

void GCommand::RestoreMembersFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  MPersistentObject::RestoreMembersFromFile(file);
  if (!FileOk(file)) return;
  RestoreSettings(file);
}
