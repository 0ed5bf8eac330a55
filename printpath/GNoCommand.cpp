#include "printpath/GNoCommand.h"

#include "printpath/CommandBody.h"

using namespace printpath_body;

// ---- GNoCommand ----

GNoCommand::GNoCommand(const int32_t* id) : GCommand(id) {}
GNoCommand::GNoCommand(const GNoCommand& other) = default;

GNoCommand& GNoCommand::operator=(const GNoCommand& other) {
  GCommand::operator=(other);
  return *this;
}

GNoCommand::~GNoCommand() = default;

QV_PERSISTENT_KIND_DEFINE(GNoCommand, GCommand, GNoCommandClassId)

int GNoCommand::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other);
}

void GNoCommand::SetSettings(MPersistentObject* settings) { DropOffered(settings); }
void GNoCommand::AssignSettings(const GCountedPtr&) {}
int16_t GNoCommand::Dispatch(GPeripheral*) { return 0; }

template <typename Archive>
void GNoCommand::Members(Archive& archive) {
  VersionOnlyMembers(archive, ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GNoCommand, GCommand)

RWCollectable* GNoCommandCreate() { return new GNoCommand; }

// ---- GNullCommand ----

GNullCommand::GNullCommand(const int32_t* id) : GCommand(id) {}
GNullCommand::GNullCommand(const GNullCommand& other) = default;

GNullCommand& GNullCommand::operator=(const GNullCommand& other) {
  GCommand::operator=(other);
  return *this;
}

GNullCommand::~GNullCommand() = default;

QV_PERSISTENT_KIND_DEFINE(GNullCommand, GCommand, GNullCommandClassId)

int GNullCommand::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other);
}

int16_t GNullCommand::Dispatch(GPeripheral*) { return 0; }

template <typename Archive>
void GNullCommand::Members(Archive& archive) {
  VersionOnlyMembers(archive, ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GNullCommand, GCommand)

RWCollectable* GNullCommandCreate() { return new GNullCommand; }
