#include "printpath/GJobAbort.h"

#include "model/GPeripheral.h"
#include "printpath/CommandBody.h"

using namespace printpath_body;

GJobAbort::GJobAbort(const int32_t* id) : GCommand(id) {}
GJobAbort::GJobAbort(const GJobAbort& other) = default;

GJobAbort& GJobAbort::operator=(const GJobAbort& other) {
  GCommand::operator=(other);
  return *this;
}

GJobAbort::~GJobAbort() = default;

GJobAbort* GJobAbort::CreateSameKind() const { return new GJobAbort; }
GJobAbort* GJobAbort::Clone() const { return new GJobAbort(*this); }
RWClassID GJobAbort::ClassId() const { return GJobAbortClassId; }

int GJobAbort::DerivesFrom(RWClassID classId) const {
  return classId == GJobAbortClassId || GCommand::DerivesFrom(classId);
}

int GJobAbort::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other);
}

int16_t GJobAbort::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->JobAbort(this) : kNoReceiver;
}

uint32_t GJobAbort::MembersStoreSize() const { return GCommand::MembersStoreSize() + 4; }

void GJobAbort::SaveMembers(RWVirtualOutStream& stream) const {
  GCommand::SaveMembers(stream);
  WriteULong(stream, ClassVersion());
}

void GJobAbort::SaveMembersToFile(RWBinaryFile& file) const {
  GCommand::SaveMembersToFile(file);
  WriteULong(file, ClassVersion());
}

void GJobAbort::RestoreMembers(RWVirtualInStream& stream) {
  GCommand::RestoreMembers(stream);
  if (Good(stream)) ReadVersion(stream, ClassVersion());
}

void GJobAbort::RestoreMembersFromFile(RWBinaryFile& file) {
  GCommand::RestoreMembersFromFile(file);
  if (Good(file)) ReadVersion(file, ClassVersion());
}

RWCollectable* GJobAbortCreate() { return new GJobAbort; }
