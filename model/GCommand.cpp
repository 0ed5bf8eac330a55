#include "model/GCommand.h"

#include "model/GAttribute.h"
#include "model/GState.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

int32_t IdOrZero(const int32_t* id) { return id != nullptr ? *id : 0; }
}  // namespace

GCommand::GCommand(const int32_t* id) : MPersistentObject(IdOrZero(id)), modified_(0) {}

GCommand::GCommand(GState* settings, const int32_t* id)
    : MPersistentObject(IdOrZero(id)), settings_(settings), modified_(0) {}

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

// The version, then the settings as an object reference (the null object
// when there are none). Only a state is taken as settings.
template <typename Archive>
void GCommand::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  if (!MStored::Going(archive)) return;
  archive.Version(ClassVersion());
  MStored::Held<GState>(archive, settings_);
}

RW_STORED_MEMBERS_DEFINE(GCommand, MPersistentObject)

