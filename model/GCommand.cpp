#include "model/GCommand.h"

#include "model/GState.h"

namespace {

int32_t IdOrZero(const int32_t* id) { return id != nullptr ? *id : 0; }

}  // namespace

GCommand::GCommand(const int32_t* id) : MPersistentObject(IdOrZero(id)) {}

GCommand::GCommand(GState* settings, const int32_t* id) : MPersistentObject(IdOrZero(id)), settings_(settings) {}

GCommand::GCommand(const GCommand& other) = default;

GCommand& GCommand::operator=(const GCommand& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    settings_.Assign(other.settings_);
  }
  return *this;
}

GCommand::~GCommand() = default;

RWClassID GCommand::ClassId() const { return GCommandClassId; }

int GCommand::DerivesFrom(RWClassID classId) const {
  return classId == GCommandClassId || MPersistentObject::DerivesFrom(classId);
}

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

void GCommand::SetSettings(GState* settings) {
  // The handle takes the new object before it lets go of the old one.
  settings_.Assign(GCountedPtr(settings));
}

void GCommand::PinResources() {}
