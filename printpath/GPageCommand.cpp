#include "printpath/GPageCommand.h"

#include "model/GPeripheral.h"
#include "model/GState.h"
#include "printpath/CommandBody.h"

using namespace printpath_body;

namespace {

GState* StampedSettings(GState* settings) {
  if (settings == nullptr) settings = new GState;
  settings->SetFeatureId(GPageSectionId);
  return settings;
}

// Both page boundaries store only their class version after the page body.
constexpr uint32_t kBoundaryVersion = 1;

}  // namespace

// ---- GPageCommand ----

GPageCommand::GPageCommand(GState* settings, const int32_t* id) : GCommand(StampedSettings(settings), id) {}
GPageCommand::GPageCommand(const GPageCommand& other) = default;

GPageCommand& GPageCommand::operator=(const GPageCommand& other) {
  GCommand::operator=(other);
  return *this;
}

GPageCommand::~GPageCommand() = default;

RWClassID GPageCommand::ClassId() const { return GPageCommandClassId; }

int GPageCommand::DerivesFrom(RWClassID classId) const {
  return classId == GPageCommandClassId || GCommand::DerivesFrom(classId);
}

void GPageCommand::SetSettings(MPersistentObject* settings) {
  auto* state = dynamic_cast<GState*>(settings);
  if (state == nullptr || !state->DerivesFrom(GStateClassId)) {
    DropOffered(settings);
    return;
  }
  state->SetFeatureId(GPageSectionId);
  GCommand::SetSettings(state);
}

uint32_t GPageCommand::MembersStoreSize() const { return GCommand::MembersStoreSize() + 4; }

void GPageCommand::SaveMembers(RWVirtualOutStream& stream) const {
  GCommand::SaveMembers(stream);
  WriteULong(stream, ClassVersion());
}

void GPageCommand::SaveMembersToFile(RWBinaryFile& file) const {
  GCommand::SaveMembersToFile(file);
  WriteULong(file, ClassVersion());
}

void GPageCommand::RestoreMembers(RWVirtualInStream& stream) {
  GCommand::RestoreMembers(stream);
  if (Good(stream)) ReadVersion(stream, ClassVersion());
}

void GPageCommand::RestoreMembersFromFile(RWBinaryFile& file) {
  GCommand::RestoreMembersFromFile(file);
  if (Good(file)) ReadVersion(file, ClassVersion());
}

// ---- GPageStart ----

GPageStart::GPageStart(GState* settings, const int32_t* id) : GPageCommand(settings, id) {}
GPageStart::GPageStart(const GPageStart& other) = default;

GPageStart& GPageStart::operator=(const GPageStart& other) {
  GPageCommand::operator=(other);
  return *this;
}

GPageStart::~GPageStart() = default;

GPageStart* GPageStart::CreateSameKind() const { return new GPageStart; }
GPageStart* GPageStart::Clone() const { return new GPageStart(*this); }
RWClassID GPageStart::ClassId() const { return GPageStartClassId; }

int GPageStart::DerivesFrom(RWClassID classId) const {
  return classId == GPageStartClassId || GPageCommand::DerivesFrom(classId);
}

int GPageStart::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other);
}

int16_t GPageStart::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->PageStart(this) : kNoReceiver;
}

uint32_t GPageStart::MembersStoreSize() const { return GPageCommand::MembersStoreSize() + 4; }

void GPageStart::SaveMembers(RWVirtualOutStream& stream) const {
  GPageCommand::SaveMembers(stream);
  WriteULong(stream, kBoundaryVersion);
}

void GPageStart::SaveMembersToFile(RWBinaryFile& file) const {
  GPageCommand::SaveMembersToFile(file);
  WriteULong(file, kBoundaryVersion);
}

void GPageStart::RestoreMembers(RWVirtualInStream& stream) {
  GPageCommand::RestoreMembers(stream);
  if (Good(stream)) ReadVersion(stream, kBoundaryVersion);
}

void GPageStart::RestoreMembersFromFile(RWBinaryFile& file) {
  GPageCommand::RestoreMembersFromFile(file);
  if (Good(file)) ReadVersion(file, kBoundaryVersion);
}

RWCollectable* GPageStartCreate() { return new GPageStart; }

// ---- GPageEnd ----

GPageEnd::GPageEnd(GState* settings, const int32_t* id) : GPageCommand(settings, id) {}
GPageEnd::GPageEnd(const GPageEnd& other) = default;

GPageEnd& GPageEnd::operator=(const GPageEnd& other) {
  GPageCommand::operator=(other);
  return *this;
}

GPageEnd::~GPageEnd() = default;

GPageEnd* GPageEnd::CreateSameKind() const { return new GPageEnd; }
GPageEnd* GPageEnd::Clone() const { return new GPageEnd(*this); }
RWClassID GPageEnd::ClassId() const { return GPageEndClassId; }

int GPageEnd::DerivesFrom(RWClassID classId) const {
  return classId == GPageEndClassId || GPageCommand::DerivesFrom(classId);
}

int GPageEnd::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other);
}

int16_t GPageEnd::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->PageEnd(this) : kNoReceiver;
}

uint32_t GPageEnd::MembersStoreSize() const { return GPageCommand::MembersStoreSize() + 4; }

void GPageEnd::SaveMembers(RWVirtualOutStream& stream) const {
  GPageCommand::SaveMembers(stream);
  WriteULong(stream, kBoundaryVersion);
}

void GPageEnd::SaveMembersToFile(RWBinaryFile& file) const {
  GPageCommand::SaveMembersToFile(file);
  WriteULong(file, kBoundaryVersion);
}

void GPageEnd::RestoreMembers(RWVirtualInStream& stream) {
  GPageCommand::RestoreMembers(stream);
  if (Good(stream)) ReadVersion(stream, kBoundaryVersion);
}

void GPageEnd::RestoreMembersFromFile(RWBinaryFile& file) {
  GPageCommand::RestoreMembersFromFile(file);
  if (Good(file)) ReadVersion(file, kBoundaryVersion);
}

RWCollectable* GPageEndCreate() { return new GPageEnd; }
