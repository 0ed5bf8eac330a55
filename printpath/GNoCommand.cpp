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

GNoCommand* GNoCommand::CreateSameKind() const { return new GNoCommand; }
GNoCommand* GNoCommand::Clone() const { return new GNoCommand(*this); }
RWClassID GNoCommand::ClassId() const { return GNoCommandClassId; }

int GNoCommand::DerivesFrom(RWClassID classId) const {
  return classId == GNoCommandClassId || GCommand::DerivesFrom(classId);
}

int GNoCommand::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other);
}

void GNoCommand::SetSettings(MPersistentObject* settings) { DropOffered(settings); }
void GNoCommand::AssignSettings(const GCountedPtr&) {}
int16_t GNoCommand::Dispatch(GPeripheral*) { return 0; }

uint32_t GNoCommand::MembersStoreSize() const { return GCommand::MembersStoreSize() + 4; }

void GNoCommand::SaveMembers(RWVirtualOutStream& stream) const {
  GCommand::SaveMembers(stream);
  WriteULong(stream, ClassVersion());
}

void GNoCommand::SaveMembersToFile(RWBinaryFile& file) const {
  GCommand::SaveMembersToFile(file);
  WriteULong(file, ClassVersion());
}

void GNoCommand::RestoreMembers(RWVirtualInStream& stream) {
  GCommand::RestoreMembers(stream);
  if (Good(stream)) ReadVersion(stream, ClassVersion());
}

void GNoCommand::RestoreMembersFromFile(RWBinaryFile& file) {
  GCommand::RestoreMembersFromFile(file);
  if (Good(file)) ReadVersion(file, ClassVersion());
}

RWCollectable* GNoCommandCreate() { return new GNoCommand; }

// ---- GNullCommand ----

GNullCommand::GNullCommand(const int32_t* id) : GCommand(id) {}
GNullCommand::GNullCommand(const GNullCommand& other) = default;

GNullCommand& GNullCommand::operator=(const GNullCommand& other) {
  GCommand::operator=(other);
  return *this;
}

GNullCommand::~GNullCommand() = default;

GNullCommand* GNullCommand::CreateSameKind() const { return new GNullCommand; }
GNullCommand* GNullCommand::Clone() const { return new GNullCommand(*this); }
RWClassID GNullCommand::ClassId() const { return GNullCommandClassId; }

int GNullCommand::DerivesFrom(RWClassID classId) const {
  return classId == GNullCommandClassId || GCommand::DerivesFrom(classId);
}

int GNullCommand::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other);
}

int16_t GNullCommand::Dispatch(GPeripheral*) { return 0; }

uint32_t GNullCommand::MembersStoreSize() const { return GCommand::MembersStoreSize() + 4; }

void GNullCommand::SaveMembers(RWVirtualOutStream& stream) const {
  GCommand::SaveMembers(stream);
  WriteULong(stream, ClassVersion());
}

void GNullCommand::SaveMembersToFile(RWBinaryFile& file) const {
  GCommand::SaveMembersToFile(file);
  WriteULong(file, ClassVersion());
}

void GNullCommand::RestoreMembers(RWVirtualInStream& stream) {
  GCommand::RestoreMembers(stream);
  if (Good(stream)) ReadVersion(stream, ClassVersion());
}

void GNullCommand::RestoreMembersFromFile(RWBinaryFile& file) {
  GCommand::RestoreMembersFromFile(file);
  if (Good(file)) ReadVersion(file, ClassVersion());
}

RWCollectable* GNullCommandCreate() { return new GNullCommand; }
