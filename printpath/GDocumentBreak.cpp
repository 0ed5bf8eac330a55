#include "printpath/GDocumentBreak.h"

#include "model/GPeripheral.h"
#include "printpath/CommandBody.h"

using namespace printpath_body;

GDocumentBreak::GDocumentBreak(const int32_t* id) : GCommand(id) {}
GDocumentBreak::GDocumentBreak(const GDocumentBreak& other) = default;

GDocumentBreak& GDocumentBreak::operator=(const GDocumentBreak& other) {
  GCommand::operator=(other);
  return *this;
}

GDocumentBreak::~GDocumentBreak() = default;

GDocumentBreak* GDocumentBreak::CreateSameKind() const { return new GDocumentBreak; }
GDocumentBreak* GDocumentBreak::Clone() const { return new GDocumentBreak(*this); }
RWClassID GDocumentBreak::ClassId() const { return GDocumentBreakClassId; }

int GDocumentBreak::DerivesFrom(RWClassID classId) const {
  return classId == GDocumentBreakClassId || GCommand::DerivesFrom(classId);
}

int GDocumentBreak::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other);
}

int16_t GDocumentBreak::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DocumentBreak(this) : kNoReceiver;
}

uint32_t GDocumentBreak::MembersStoreSize() const { return GCommand::MembersStoreSize() + 4; }

void GDocumentBreak::SaveMembers(RWVirtualOutStream& stream) const {
  GCommand::SaveMembers(stream);
  WriteULong(stream, ClassVersion());
}

void GDocumentBreak::SaveMembersToFile(RWBinaryFile& file) const {
  GCommand::SaveMembersToFile(file);
  WriteULong(file, ClassVersion());
}

void GDocumentBreak::RestoreMembers(RWVirtualInStream& stream) {
  GCommand::RestoreMembers(stream);
  if (Good(stream)) ReadVersion(stream, ClassVersion());
}

void GDocumentBreak::RestoreMembersFromFile(RWBinaryFile& file) {
  GCommand::RestoreMembersFromFile(file);
  if (Good(file)) ReadVersion(file, ClassVersion());
}

RWCollectable* GDocumentBreakCreate() { return new GDocumentBreak; }
